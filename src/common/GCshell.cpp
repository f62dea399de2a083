// The one place where the core runs other programs through the shell.
#include "Dglobal.h"

#include <fcntl.h>
#include <spawn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace common {

std::string shellQuote(const std::string& word)
{
  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  quoted += '\'';
  return quoted;
}

namespace {

// A scratch file for the standard error of a command (when wanted), removed
// with it.
class ErrorFile {
 public:
  explicit ErrorFile(bool wanted)
  {
    if (!wanted)
      return;
    char name[] = "/tmp/quorin-errors-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0)
      return;
    close(fd);
    path_ = name;
  }
  ~ErrorFile()
  {
    if (!path_.empty())
      unlink(path_.c_str());
  }
  ErrorFile(const ErrorFile&) = delete;
  ErrorFile& operator=(const ErrorFile&) = delete;
  const std::string& path() const { return path_; }
  void readInto(std::string* text) const
  {
    FILE* file = path_.empty() ? nullptr : fopen(path_.c_str(), "r");
    if (!file)
      return;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
      text->append(buffer, n);
    fclose(file);
  }

 private:
  std::string path_;
};

int exitStatus(int status)
{
  if (status == -1 || !WIFEXITED(status))
    return -1;
  return WEXITSTATUS(status);
}

/*
 * runCaptured --
 *   Runs a shell command line; its standard output goes to `output` when
 *   given, else through outText to this program's standard output.
 * Returns: the exit status, or -1.
 */
int runCaptured(const std::string& command, std::string* output)
{
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe)
    return -1;
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
    text.append(buffer, n);
  const int status = exitStatus(pclose(pipe));
  if (output)
    *output += text;
  else if (!text.empty())
    outText(text.c_str());
  return status;
}

}  // namespace

/*
 * runCommand --
 *   Runs argv[0] with its arguments, each quoted, through the shell.
 * Returns: the exit status, or -1 when the program could not be started.
 * Side effects: standard output of the program goes to `output` when given,
 *   else to this program's standard output (through outText, so that an
 *   output sink sees it too); its standard error to `errors` when given.
 */
int runCommand(const std::vector<std::string>& argv, std::string* output, std::string* errors)
{
  if (argv.empty())
    return -1;
  std::string command;
  for (const std::string& word : argv) {
    if (!command.empty())
      command += ' ';
    command += shellQuote(word);
  }
  ErrorFile errorFile(errors != nullptr);
  if (!errorFile.path().empty())
    command += " 2>" + shellQuote(errorFile.path());
  flushOutput();
  const int status = runCaptured(command, output);
  if (errors)
    errorFile.readInto(errors);
  return status;
}

namespace {

// The shell's command line of runCommandFiles.
std::string fileCommand(const std::vector<std::string>& argv, const std::string& input,
                        const std::string& output)
{
  std::string command;
  for (const std::string& word : argv)
    command += shellQuote(word) + ' ';
  return command + "< " + shellQuote(input) + " > " + shellQuote(output);
}

}  // namespace

int runCommandFiles(const std::vector<std::string>& argv, const std::string& input,
                    const std::string& output)
{
  if (argv.empty())
    return -1;
  flushOutput();
  return exitStatus(std::system(fileCommand(argv, input, output).c_str()));
}

bool BackgroundCommand::start(const std::vector<std::string>& argv, const std::string& input,
                              const std::string& output)
{
  stop();
  if (argv.empty())
    return false;
  // The shell gives its place to the program, so that a signal reaches it.
  const std::string command = "exec " + fileCommand(argv, input, output);
  const char* args[] = {"sh", "-c", command.c_str(), nullptr};
  flushOutput();
  pid_t pid = -1;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(args), environ) != 0)
    return false;
  pid_ = pid;
  return true;
}

int BackgroundCommand::wait()
{
  if (pid_ <= 0)
    return -1;
  int status = 0;
  pid_t done;
  do {
    done = waitpid(pid_, &status, 0);
  } while (done < 0 && errno == EINTR);
  pid_ = -1;
  return exitStatus(done < 0 ? -1 : status);
}

bool BackgroundCommand::ended() const
{
  if (pid_ <= 0)
    return true;
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == pid_;
}

void BackgroundCommand::stop()
{
  if (pid_ <= 0)
    return;
  kill(pid_, SIGTERM);
  wait();
}

/*
 * startProgram --
 *   Starts the program through a short-lived child, so that nothing is left
 *   to wait for; the grandchild reports a failed exec through a pipe that a
 *   successful exec closes.
 */
bool startProgram(const std::vector<std::string>& argv, std::string* error)
{
  if (argv.empty() || argv[0].empty()) {
    *error = "no command";
    return false;
  }
  std::vector<char*> args;
  for (const std::string& word : argv)
    args.push_back(const_cast<char*>(word.c_str()));
  args.push_back(nullptr);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    *error = strerror(errno);
    return false;
  }
  flushOutput();
  pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    pid_t grandchild = fork();
    if (grandchild == 0)
      execvp(args[0], args.data());
    if (grandchild <= 0) {  // the exec or the fork failed: say why
      int reason = errno;
      ssize_t written = write(fds[1], &reason, sizeof reason);
      _exit(written == sizeof reason ? 127 : 126);
    }
    _exit(0);
  }
  close(fds[1]);
  if (child < 0) {
    close(fds[0]);
    *error = strerror(errno);
    return false;
  }
  waitpid(child, nullptr, 0);
  int reason = 0;
  ssize_t n;
  do {
    n = read(fds[0], &reason, sizeof reason);
  } while (n < 0 && errno == EINTR);
  close(fds[0]);
  if (n == sizeof reason) {
    *error = strerror(reason);
    return false;
  }
  return true;
}

}  // namespace common
