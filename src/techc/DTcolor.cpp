// The colour table and colour names.
#include "DTtechnology.h"

#include <cctype>
#include <cstdio>
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

}  // namespace

namespace techc {

bool lookupColor(const char* name, unsigned long* rgb)
{
  auto& colors = database();
  auto found = colors.find(normalised(name));
  if (found == colors.end())
    return false;
  *rgb = found->second;
  return true;
}

}  // namespace techc

/*
 * DIcolorInit --
 *   Fills the colour table from the colour file, in file order; names the
 *   colour database does not know are skipped.
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
    if (length >= kLayerNameLength || !techc::lookupColor(word, &rgb))
      continue;
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
