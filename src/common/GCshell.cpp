// The one place where the core runs other programs through the shell.
#include "Dglobal.h"

#include <sys/wait.h>

#include <cstdio>

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

/*
 * runCommand --
 *   Runs argv[0] with its arguments, each quoted, through the shell.
 * Returns: the exit status, or -1 when the program could not be started.
 * Side effects: standard output of the program goes to `output` when given.
 */
int runCommand(const std::vector<std::string>& argv, std::string* output)
{
  if (argv.empty())
    return -1;
  std::string command;
  for (const std::string& word : argv) {
    if (!command.empty())
      command += ' ';
    command += shellQuote(word);
  }
  flushOutput();
  if (!output) {
    int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status))
      return -1;
    return WEXITSTATUS(status);
  }
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe)
    return -1;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
    output->append(buffer, n);
  int status = pclose(pipe);
  if (status == -1 || !WIFEXITED(status))
    return -1;
  return WEXITSTATUS(status);
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
  int status = std::system(command.c_str());
  if (status == -1 || !WIFEXITED(status))
    return -1;
  return WEXITSTATUS(status);
}

}  // namespace common
