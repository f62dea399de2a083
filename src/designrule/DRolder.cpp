// Reader of the older design rule format: only the first word of a line
// counts.  A word beginning with "W", "E" or "S" starts the width, the
// extension or the spacing section; in them a word [a,v] sets the width of
// layer slot a, and [a,b,v] the extension or spacing of slot a against b
// (any characters stand for the brackets and commas).  Values are grid
// units.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "DRdesignrule.h"
#include "DRstate.h"
#include "Dglobal.h"

namespace {

using designrule::kModule;

constexpr int kOlderLineLength = 1023;  // longest line of the older format

// Reads "c n c n c ..." with `count` integers: a character, then integers
// each followed by one character, to the end of the word.
bool readNumbers(const char* word, long* numbers, int count)
{
  const char* p = word;
  if (!*p++)
    return false;
  for (int i = 0; i < count; ++i) {
    if (!isdigit(static_cast<unsigned char>(*p)) && *p != '-' && *p != '+')
      return false;
    char* end;
    errno = 0;
    numbers[i] = strtol(p, &end, 10);
    if (end == p || errno == ERANGE)
      return false;
    p = end;
    if (!*p++)
      return false;
  }
  return *p == '\0';
}

bool isSlot(long n) { return n >= 0 && n < kRuleLayers; }

// Files one rule word of `section` ('W', 'E' or 'S'); false after a message.
bool olderRule(char section, const char* word, int line)
{
  long n[3];
  if (section == 'W') {
    if (!readNumbers(word, n, 2) || !isSlot(n[0]) || n[1] < 0 || n[1] > INT16_MAX) {
      GCmessage(kModule, 'E',
                "Design rule file line %d: %.40s is no width [layer,value] "
                "(layer 0 to %d, value 0 to %d)",
                line, word, kRuleLayers - 1, INT16_MAX);
      return false;
    }
    WIDTH[n[0]] = static_cast<int16_t>(n[1]);
    WIDTH_VALID[n[0]] = 1;
    return true;
  }
  long low = section == 'E' ? INT16_MIN : 0;
  if (!readNumbers(word, n, 3) || !isSlot(n[0]) || !isSlot(n[1]) || n[2] < low ||
      n[2] > INT16_MAX) {
    GCmessage(kModule, 'E',
              "Design rule file line %d: %.40s is no %s [layer,layer,value] "
              "(layers 0 to %d, value %ld to %d)",
              line, word, section == 'E' ? "extension" : "spacing", kRuleLayers - 1, low,
              INT16_MAX);
    return false;
  }
  if (section == 'E') {
    EXTENSION[n[0]][n[1]] = static_cast<int16_t>(n[2]);
    EXTENSION_VALID[n[0]][n[1]] = 1;
  } else {
    SPACING[n[0]][n[1]] = static_cast<int16_t>(n[2]);
    SPACING_VALID[n[0]][n[1]] = 1;
  }
  return true;
}

}  // namespace

/*
 * ReadDesignRules --
 *   Reads the older format from `in` and sets the rules it names with their
 *   flags.  Words before the first section marker are skipped.
 * Returns: 1 when read; 0 after a message naming the line when a line is
 *   too long or a rule word is malformed or out of range (all rules are
 *   then as before).  The stream stays open.
 */
int ReadDesignRules(FILE* in)
{
  auto saved = designrule::saveState();
  char buffer[kOlderLineLength + 2];
  char section = 0;
  for (int line = 1; fgets(buffer, sizeof buffer, in); ++line) {
    size_t length = strlen(buffer);
    if (length > 0 && buffer[length - 1] == '\n') {
      buffer[--length] = '\0';
    } else if (length > kOlderLineLength || !feof(in)) {
      GCmessage(kModule, 'E', "Design rule file line %d: longer than %d characters", line,
                kOlderLineLength);
      designrule::restoreState(*saved);
      return 0;
    }
    char word[kOlderLineLength + 1];
    if (sscanf(buffer, "%1023s", word) != 1)
      continue;
    if (word[0] == 'W' || word[0] == 'E' || word[0] == 'S') {
      section = word[0];
      continue;
    }
    if (section && !olderRule(section, word, line)) {
      designrule::restoreState(*saved);
      return 0;
    }
  }
  return 1;
}
