// Reader of the layer bridge file: lines "vendorLayer purpose
// technologyLayer" that tie the vendor's layer names to the technology's
// layer slots.  Lines that begin with "#" and lines of fewer than three
// words are skipped; a line for a technology layer that does not exist
// changes nothing.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "DRdesignrule.h"
#include "DRstate.h"
#include "Dglobal.h"

namespace {

using designrule::kModule;

constexpr int kBridgeLineLength = 200;  // longest line of a bridge file

// The blank-separated words of a line.
std::vector<std::string> wordsOf(const char* line)
{
  std::vector<std::string> words;
  const char* p = line;
  for (;;) {
    while (*p && isspace(static_cast<unsigned char>(*p)))
      ++p;
    if (!*p)
      return words;
    const char* start = p;
    while (*p && !isspace(static_cast<unsigned char>(*p)))
      ++p;
    words.emplace_back(start, p);
  }
}

// Files one line; false after a message when the line is refused.
bool bridgeLine(const std::vector<std::string>& words, int line,
                std::map<std::string, int>* entries)
{
  for (int i = 0; i < 3; ++i) {
    if (words[i].size() >= static_cast<size_t>(kBridgeNameLength)) {
      GCmessage(kModule, 'E', "Bridge file line %d: name %.20s... is longer than %d characters",
                line, words[i].c_str(), kBridgeNameLength - 1);
      return false;
    }
  }
  if (++(*entries)[words[0]] > kRuleLayers) {
    GCmessage(kModule, 'E', "Bridge file line %d: more than %d entries for layer %s", line,
              kRuleLayers, words[0].c_str());
    return false;
  }
  for (CIFtoCADENCElayers& entry : CifToCadence) {
    if (words[2] == entry.cif) {
      snprintf(entry.cadenceLayer, sizeof entry.cadenceLayer, "%s", words[0].c_str());
      snprintf(entry.purpose, sizeof entry.purpose, "%s", words[1].c_str());
    }
  }
  return true;
}

}  // namespace

/*
 * DRparseBridge --
 *   Reads the bridge file `in` into the vendor side of CifToCadence.
 * Returns: 1 when read; 0 after a message naming the line when a line is
 *   longer than 200 characters, a name longer than its field or a vendor
 *   layer has more than 32 entries (the bridge is then as before).
 */
int DRparseBridge(FILE* in)
{
  auto saved = designrule::saveState();
  std::map<std::string, int> entries;
  char buffer[kBridgeLineLength + 2];
  for (int line = 1; fgets(buffer, sizeof buffer, in); ++line) {
    size_t length = strlen(buffer);
    if (length > 0 && buffer[length - 1] == '\n') {
      buffer[--length] = '\0';
    } else if (length > kBridgeLineLength || !feof(in)) {
      GCmessage(kModule, 'E', "Bridge file line %d: longer than %d characters", line,
                kBridgeLineLength);
      designrule::restoreState(*saved);
      return 0;
    }
    if (buffer[0] == '#')
      continue;
    std::vector<std::string> words = wordsOf(buffer);
    if (words.size() < 3)
      continue;
    if (!bridgeLine(words, line, &entries)) {
      designrule::restoreState(*saved);
      return 0;
    }
  }
  return 1;
}
