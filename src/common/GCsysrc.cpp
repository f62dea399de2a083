// Lookups in the system source file named by $SYSRC.
#include "Dglobal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

char StringBuffer[common::kSysrcBufferSize];

namespace {

constexpr const char* kSysrcVariable = "SYSRC";

FILE* openSysrc()
{
  const char* path = getenv(kSysrcVariable);
  if (!path) {
    GCmessage(1, 'F', "%s env var must be set", kSysrcVariable);
    common::abandonAction(1);
  }
  FILE* file = fopen(path, "r");
  if (!file) {
    GCmessage(1, 'F', "No system source file");
    common::abandonAction(1);
  }
  return file;
}

/*
 * findKey --
 *   Reads the first word of each line and stops behind the word equal to
 *   `key`; the rest of any other line is skipped in one piece of at most
 *   1023 characters.
 * Returns: true when the key was found; the stream stands behind it.
 */
bool findKey(FILE* file, const char* key)
{
  char word[common::kSysrcBufferSize];
  char rest[common::kSysrcBufferSize];
  while (fscanf(file, "%1023s", word) == 1) {
    if (strcmp(word, key) == 0)
      return true;
    if (!fgets(rest, sizeof rest, file))
      break;
  }
  return false;
}

[[noreturn]] void keyMissing(FILE* file)
{
  fclose(file);
  GCmessage(1, 'F', "System source file error");
  common::abandonAction(1);
}

}  // namespace

char* GCgetName(const char* key)
{
  FILE* file = openSysrc();
  if (!findKey(file, key) || fscanf(file, "%1023s", StringBuffer) != 1)
    keyMissing(file);
  fclose(file);
  return StringBuffer;
}

char* GCfindName(const char* key)
{
  FILE* file = openSysrc();
  bool found = findKey(file, key) && fscanf(file, "%1023s", StringBuffer) == 1;
  fclose(file);
  return found ? StringBuffer : nullptr;
}

long GCgetValue(const char* key)
{
  FILE* file = openSysrc();
  long value = 0;
  if (!findKey(file, key) || fscanf(file, "%ld", &value) != 1)
    keyMissing(file);
  fclose(file);
  return value;
}

namespace common {

namespace {

// `word` taken relative to the folder of the system source file.
std::string besideSysrc(const std::string& word)
{
  if (word.empty() || word[0] == '/')
    return word;
  std::string sysrc = getenv(kSysrcVariable);
  size_t slash = sysrc.rfind('/');
  if (slash == std::string::npos)
    return word;
  return sysrc.substr(0, slash + 1) + word;
}

}  // namespace

std::string sysrcFile(const char* key) { return besideSysrc(GCgetName(key)); }

std::string sysrcOptionalFile(const char* key)
{
  const char* word = GCfindName(key);
  return word ? besideSysrc(word) : std::string();
}

bool sysrcLine(const char* key, std::string* value)
{
  FILE* file = openSysrc();
  char rest[kSysrcBufferSize];
  bool found = findKey(file, key) && fgets(rest, sizeof rest, file);
  fclose(file);
  if (!found)
    return false;
  std::string line = rest;
  const char* blanks = " \t\r\n";
  size_t first = line.find_first_not_of(blanks);
  if (first == std::string::npos)
    return false;
  *value = line.substr(first, line.find_last_not_of(blanks) - first + 1);
  return true;
}

}  // namespace common
