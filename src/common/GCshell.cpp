// The one place where the core runs other programs through the shell.
#include "Dglobal.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

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
 *   given.
 * Returns: the exit status, or -1.
 */
int runCaptured(const std::string& command, std::string* output)
{
  if (!output)
    return exitStatus(std::system(command.c_str()));
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe)
    return -1;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
    output->append(buffer, n);
  return exitStatus(pclose(pipe));
}

}  // namespace

/*
 * runCommand --
 *   Runs argv[0] with its arguments, each quoted, through the shell.
 * Returns: the exit status, or -1 when the program could not be started.
 * Side effects: standard output of the program goes to `output` and its
 *   standard error to `errors` when given.
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

int runCommandFiles(const std::vector<std::string>& argv, const std::string& input,
                    const std::string& output)
{
  if (argv.empty())
    return -1;
  std::string command;
  for (const std::string& word : argv)
    command += shellQuote(word) + ' ';
  command += "< " + shellQuote(input) + " > " + shellQuote(output);
  flushOutput();
  return exitStatus(std::system(command.c_str()));
}

}  // namespace common
