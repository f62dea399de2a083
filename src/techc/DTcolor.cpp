// The colour table and colour names.
#include "DTtechnology.h"

#include <cctype>
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

#include "Dglobal.h"

_GWorkStation GCworkStation[kWorkStations];
int GCstationId = 0;
int ColorNum = 0;

namespace {

// System colour databases, tried in order.
const char* const kColorDatabases[] = {"/etc/X11/rgb.txt", "/usr/share/X11/rgb.txt"};

// Used when the system has no colour database; covers the bundled colour file.
struct NamedColor {
  const char* name;
  unsigned long rgb;
};
const NamedColor kBuiltinColors[] = {
    {"black", 0x000000},        {"white", 0xffffff},       {"gray", 0xbebebe},
    {"grey", 0xbebebe},         {"red", 0xff0000},         {"green", 0x00ff00},
    {"blue", 0x0000ff},         {"yellow", 0xffff00},      {"cyan", 0x00ffff},
    {"magenta", 0xff00ff},      {"orange", 0xffa500},      {"purple", 0xa020f0},
    {"brown", 0xa52a2a},        {"pink", 0xffc0cb},        {"gold", 0xffd700},
    {"navy", 0x000080},         {"maroon", 0xb03060},      {"violet", 0xee82ee},
    {"tan", 0xd2b48c},          {"salmon", 0xfa8072},      {"khaki", 0xf0e68c},
    {"coral", 0xff7f50},        {"orchid", 0xda70d6},      {"turquoise", 0x40e0d0},
    {"darkgreen", 0x006400},    {"forestgreen", 0x228b22}, {"seagreen", 0x2e8b57},
    {"skyblue", 0x87ceeb},      {"steelblue", 0x4682b4},   {"slateblue", 0x6a5acd},
    {"lightgray", 0xd3d3d3},    {"lightgrey", 0xd3d3d3},   {"darkgray", 0xa9a9a9},
    {"darkgrey", 0xa9a9a9},     {"dimgray", 0x696969},     {"lightblue", 0xadd8e6},
    {"lightgreen", 0x90ee90},   {"lightyellow", 0xffffe0}, {"darkred", 0x8b0000},
    {"darkblue", 0x00008b},     {"darkorange", 0xff8c00},  {"darkviolet", 0x9400d3},
    {"firebrick", 0xb22222},    {"chocolate", 0xd2691e},   {"wheat", 0xf5deb3},
    {"beige", 0xf5f5dc},        {"ivory", 0xfffff0},       {"sienna", 0xa0522d},
    {"olivedrab", 0x6b8e23},    {"limegreen", 0x32cd32},   {"hotpink", 0xff69b4},
    {"deeppink", 0xff1493},     {"plum", 0xdda0dd},        {"aquamarine", 0x7fffd4},
    {"midnightblue", 0x191970}, {"royalblue", 0x4169e1},   {"tomato", 0xff6347},
};

std::string normalised(const char* name)
{
  std::string key;
  for (const char* p = name; *p; ++p)
    if (*p != ' ')
      key += static_cast<char>(tolower(static_cast<unsigned char>(*p)));
  return key;
}

// The colour database, read once.
std::unordered_map<std::string, unsigned long>& database()
{
  static std::unordered_map<std::string, unsigned long>* colors = nullptr;
  if (colors)
    return *colors;
  colors = new std::unordered_map<std::string, unsigned long>();
  for (const char* path : kColorDatabases) {
    FILE* file = fopen(path, "r");
    if (!file)
      continue;
    char line[256];
    while (fgets(line, sizeof line, file)) {
      unsigned r, g, b;
      int used = 0;
      if (line[0] == '!' || sscanf(line, "%u %u %u %n", &r, &g, &b, &used) != 3)
        continue;
      std::string name = line + used;
      while (!name.empty() && isspace(static_cast<unsigned char>(name.back())))
        name.pop_back();
      colors->emplace(normalised(name.c_str()), (r << 16) | (g << 8) | b);
    }
    fclose(file);
    break;
  }
  for (const NamedColor& color : kBuiltinColors)
    colors->emplace(color.name, color.rgb);
  return *colors;
}

// The 16-bit value of `digits` hexadecimal digits (1 to 4) at `text`.
bool hexChannel(const char* text, size_t digits, unsigned* value)
{
  if (digits < 1 || digits > 4)
    return false;
  *value = 0;
  for (size_t i = 0; i < digits; ++i) {
    if (!isxdigit(static_cast<unsigned char>(text[i])))
      return false;
    *value = *value * 16 + (isdigit(static_cast<unsigned char>(text[i]))
                                ? text[i] - '0'
                                : tolower(static_cast<unsigned char>(text[i])) - 'a' + 10);
  }
  return true;
}

unsigned long packed(const unsigned channel[3])
{
  return (channel[0] >> 8) << 16 | (channel[1] >> 8) << 8 | channel[2] >> 8;
}

/*
 * numericColor --
 *   X's numeric colour forms: "#" with 3, 6, 9 or 12 hexadecimal digits
 *   (the digits are the high bits of each channel), "rgb:r/g/b" with 1 to 4
 *   digits a channel (scaled to the channel's range), and "rgbi:r/g/b" with
 *   intensities from 0 to 1.
 * Returns: false when the name is none of them.
 */
bool numericColor(const char* name, unsigned long* rgb)
{
  unsigned channel[3];
  if (name[0] == '#') {
    const size_t length = strlen(name + 1), digits = length / 3;
    if (length % 3 != 0)
      return false;
    for (int c = 0; c < 3; ++c) {
      if (!hexChannel(name + 1 + c * digits, digits, &channel[c]))
        return false;
      channel[c] <<= 16 - 4 * digits;
    }
    *rgb = packed(channel);
    return true;
  }
  const bool scaled = strncasecmp(name, "rgb:", 4) == 0;
  const bool intensity = strncasecmp(name, "rgbi:", 5) == 0;
  if (!scaled && !intensity)
    return false;
  const char* field = name + (scaled ? 4 : 5);
  for (int c = 0; c < 3; ++c) {
    const char* end = c < 2 ? strchr(field, '/') : field + strlen(field);
    if (!end || end == field)
      return false;
    if (scaled) {
      const size_t digits = static_cast<size_t>(end - field);
      if (!hexChannel(field, digits, &channel[c]))
        return false;
      channel[c] = channel[c] * 65535u / ((1u << (4 * digits)) - 1);
    } else {
      const std::string text(field, end);  // lives while `stop` points into it
      char* stop = nullptr;
      const double value = strtod(text.c_str(), &stop);
      if (*stop != '\0' || !(value >= 0.0 && value <= 1.0))
        return false;
      channel[c] = static_cast<unsigned>(value * 65535 + 0.5);
    }
    field = end + 1;
  }
  *rgb = packed(channel);
  return true;
}

// The colour database of the display, when a front end has one.
techc::ColorLookup displayLookup = nullptr;

}  // namespace

namespace techc {

bool lookupColor(const char* name, unsigned long* rgb)
{
  if (displayLookup)
    return displayLookup(name, rgb);
  if (numericColor(name, rgb))
    return true;
  auto& colors = database();
  auto found = colors.find(normalised(name));
  if (found == colors.end())
    return false;
  *rgb = found->second;
  return true;
}

void setColorLookup(ColorLookup lookup) { displayLookup = lookup; }

}  // namespace techc

/*
 * DIcolorInit --
 *   Fills the colour table from the colour file, in file order; a name that
 *   no colour can be had for is reported and skipped.
 */
void DIcolorInit()
{
  std::string path = common::sysrcFile("ColorFile");
  FILE* file = fopen(path.c_str(), "r");
  if (!file) {
    GCmessage(1, 'F', "Can't open the rgb file");
    common::abandonAction(1);
  }
  _GWorkStation& station = GCworkStation[GCstationId];
  station.ncolor = 0;
  char word[256];
  while (station.ncolor < kMaxColors && fscanf(file, "%255s", word) == 1) {
    unsigned long rgb;
    const size_t length = strlen(word);
    if (length >= kLayerNameLength) {
      GCmessage(1, 'W', "Colour name %s of the colour file is longer than %d characters, skipped",
                word, kLayerNameLength - 1);
      continue;
    }
    if (!techc::lookupColor(word, &rgb)) {
      GCmessage(1, 'W', "Colour %s of the colour file is not known, skipped", word);
      continue;
    }
    _GColor& entry = station.color[station.ncolor++];
    memcpy(entry.name, word, length + 1);  // the length was checked above
    entry.rgb = rgb;
    entry.pixel = rgb;
  }
  fclose(file);
  ColorNum = station.ncolor;
}

unsigned long GCgetNamedColor(const char* name)
{
  int index = GCgetNamedColorName(name);
  return index < 0 ? ~0UL : GCworkStation[GCstationId].color[index].pixel;
}

int GCgetNamedColorName(const char* name)
{
  const _GWorkStation& station = GCworkStation[GCstationId];
  for (int i = 0; i < station.ncolor; ++i)
    if (strcmp(station.color[i].name, name) == 0)
      return i;
  return -1;
}
