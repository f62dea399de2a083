// The layer map: which technology layer each GDSII layer and datatype pair
// stands for.
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "DTtechnology.h"
#include "Dcif.h"
#include "Dglobal.h"
#include "GDSinternal.h"

namespace gds {

namespace {

constexpr const char* kMapKey = "GdsLayerMap";
constexpr long kMaxNumber = 65535;  // GDSII layers and datatypes are 16-bit

struct MapState {
  std::unique_ptr<LayerMap> map;
};
MapState state;

bool number(const std::string& word, int* value)
{
  if (word.empty() || word.size() > 6)
    return false;
  char* end = nullptr;
  long v = strtol(word.c_str(), &end, 10);
  if (*end != '\0' || v < 0 || v > kMaxNumber || word[0] == '-' || word[0] == '+')
    return false;
  *value = static_cast<int>(v);
  return true;
}

/*
 * parseMap --
 *   Fills `map` from the lines of `in`.
 * Returns: false after a message (kind E) naming the first bad line.
 */
bool parseMap(std::istream& in, const std::string& path, LayerMap* map)
{
  std::string line;
  int lineNumber = 0;
  auto bad = [&](const std::string& what) {
    GCmessage(kModule, 'E', "GDSII layer map %s, line %d: %s", path.c_str(), lineNumber,
              what.c_str());
    return false;
  };
  while (std::getline(in, line)) {
    ++lineNumber;
    std::istringstream words(line.substr(0, line.find('#')));
    std::string w[4];
    int n = 0;
    while (n < 4 && words >> w[n])
      ++n;
    if (n == 0)
      continue;
    int layer, datatype;
    if (n != 3)
      return bad("a line holds a GDSII layer, a datatype and a layer name");
    if (!number(w[0], &layer) || !number(w[1], &datatype))
      return bad("layer and datatype are numbers from 0 to 65535, not " + w[0] + " " + w[1]);
    if (FindLayer(w[2].c_str()) == kUnknownLayer)
      return bad("the technology has no layer " + w[2]);
    auto key = std::make_pair(layer, datatype);
    auto found = map->byPair.find(key);
    if (found != map->byPair.end()) {
      if (found->second != w[2])
        return bad(w[0] + " " + w[1] + " is mapped to " + found->second + " already");
      continue;
    }
    map->byPair[key] = w[2];
    map->lines.push_back({key, w[2]});
  }
  if (map->lines.empty()) {
    lineNumber = 0;
    GCmessage(kModule, 'E', "GDSII layer map %s maps no layer", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool LayerMap::pairOf(const std::string& layer, std::pair<int, int>* pair) const
{
  for (const auto& l : lines) {
    if (l.second == layer) {
      *pair = l.first;
      return true;
    }
  }
  return false;
}

bool readLayerMap(const std::string& path)
{
  std::ifstream in(path);
  if (!in) {
    GCmessage(kModule, 'E', "Can't open the GDSII layer map %s", path.c_str());
    return false;
  }
  auto map = std::make_unique<LayerMap>();
  map->file = path;
  if (!parseMap(in, path, map.get()))
    return false;
  state.map = std::move(map);
  return true;
}

void forgetLayerMap() { state.map.reset(); }

const LayerMap* layerMap()
{
  if (state.map)
    return state.map.get();
  std::string path = common::sysrcOptionalFile(kMapKey);
  if (path.empty()) {
    GCmessage(kModule, 'E',
              "No GDSII layer map: name one under %s in the system source file or read one "
              "(f.DIldGdsMap)",
              kMapKey);
    return nullptr;
  }
  return readLayerMap(path) ? state.map.get() : nullptr;
}

}  // namespace gds
