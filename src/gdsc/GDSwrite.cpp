// Writing GDSII: a flat cell of the layout database, and the squeeze's CIF
// output with the same geometry.
#include <cctype>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "Dcif.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "GDSinternal.h"

namespace gds {

namespace {

// The file's name without its folder and extension: the library's name.
std::string stemOf(const std::string& path)
{
  size_t slash = path.find_last_of('/');
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = base.find_last_of('.');
  base = dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
  return base.empty() ? "layout" : base;
}

// "<call>_text" as flattening makes it: the text without the call number.
std::string withoutCallNumber(const char* text)
{
  size_t digits = 0;
  while (isdigit(static_cast<unsigned char>(text[digits])))
    ++digits;
  if (digits > 0 && text[digits] == '_' && text[digits + 1] != '\0')
    return text + digits + 1;
  return text;
}

// Shapes per layer the map has no pair for, reported once.
class Missing {
 public:
  void add(const std::string& layer, long shapes) { counts_[layer] += shapes; }
  void report(const LayerMap& map, const std::string& path) const
  {
    if (counts_.empty())
      return;
    std::string list;
    for (const auto& c : counts_)
      list += (list.empty() ? "" : ", ") + c.first + " (" + std::to_string(c.second) + " shape" +
              (c.second == 1 ? ")" : "s)");
    GCmessage(kModule, 'W', "%s: layers the layer map %s does not name were left out: %s",
              path.c_str(), map.file.c_str(), list.c_str());
  }

 private:
  std::map<std::string, long> counts_;
};

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

File create(const std::string& path)
{
  File file(fopen(path.c_str(), "wb"), fclose);
  if (!file)
    GCmessage(kModule, 'E', "Can't open the file %s for writing", path.c_str());
  return file;
}

int finish(File file, const RecordWriter& w, const std::string& path)
{
  bool ok = w.ok() && fflush(file.get()) == 0;
  ok = fclose(file.release()) == 0 && ok;
  if (!ok) {
    GCmessage(kModule, 'E', "Write error on %s", path.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

/*
 * writeCell --
 *   One structure in internal units (the database unit is the internal
 *   unit, so nothing is rounded), layer by layer: the rectangles as
 *   BOUNDARY, the labels as TEXT of the layer's first pair.
 */
int writeCell(const _layout* cell, const std::string& path)
{
  const LayerMap* map = layerMap();
  if (!map)
    return 1;
  File file = create(path);
  if (!file)
    return 1;
  RecordWriter w(file.get());
  double metres = internalUnitMetres();
  w.begin(stemOf(path), metres * 1e6, metres);
  w.beginStructure(cell->cellname[0] ? cell->cellname : stemOf(path));
  Missing missing;
  for (int slot = 0; slot < kMaxLayers; ++slot) {
    const _symbol* symbol = cell->symbol[slot];
    if (!symbol)
      continue;
    std::string layer = symbol->layername[0] ? symbol->layername : AClayerName(slot);
    std::pair<int, int> pair;
    if (!map->pairOf(layer, &pair)) {
      long n = 0;
      for (const _rects* r = symbol->rect; r; r = r->next)
        ++n;
      for (const _labels* l = symbol->label; l; l = l->next)
        ++n;
      if (n > 0)
        missing.add(layer, n);
      continue;
    }
    for (const _rects* r = symbol->rect; r; r = r->next)
      w.box(pair.first, pair.second, r->x1, r->y1, r->x2, r->y2);
    for (const _labels* l = symbol->label; l; l = l->next)
      if (l->label && l->label[0])
        w.label(pair.first, pair.second, l->x, l->y, withoutCallNumber(l->label));
  }
  w.empty(ENDSTR);
  w.empty(ENDLIB);
  missing.report(*map, path);
  return finish(std::move(file), w, path);
}

/*
 * writeCifOutput --
 *   Reads the lines the squeeze writes ("DS 1 a b;", "9 name;", "L layer;",
 *   "B w h cx cy;", "94 text x y layer;", comments, "DF;", "C 1;", "End")
 *   and writes the same boxes and labels.  The database unit is half a CIF
 *   unit of the definition, so that corners (centre minus half a side) are
 *   whole numbers.
 */
int writeCifOutput(const std::string& cifPath, const std::string& gdsPath)
{
  const LayerMap* map = layerMap();
  if (!map)
    return 1;
  std::ifstream in(cifPath);
  if (!in) {
    GCmessage(kModule, 'E', "Can't open the file %s", cifPath.c_str());
    return 1;
  }
  struct Box {
    long long x1, y1, x2, y2;
  };
  struct Label {
    long long x, y;
    std::string text, layer;
  };
  std::vector<std::pair<std::string, std::vector<Box>>> layers;  // in the file's order
  std::vector<Label> labels;
  long a = 1, b = 1;
  std::string name = stemOf(gdsPath);
  std::string line;
  int lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '(')
      continue;
    size_t semicolon = line.find(';');
    std::istringstream fields(line.substr(first, semicolon - first));
    std::string word;
    fields >> word;
    if (word == "End" || word == "E")
      break;
    bool ok = semicolon != std::string::npos;
    long long v[4];
    std::string text, layer;
    if (word == "DS") {
      long n;
      ok = ok && (fields >> n >> a >> b) && a > 0 && b > 0;
    } else if (word == "9") {
      ok = ok && (fields >> name);
    } else if (word == "L") {
      ok = ok && (fields >> layer);
      if (ok)
        layers.push_back({layer, {}});
    } else if (word == "B") {
      ok = ok && (fields >> v[0] >> v[1] >> v[2] >> v[3]) && !layers.empty();
      if (ok)
        layers.back().second.push_back(
            {2 * v[2] - v[0], 2 * v[3] - v[1], 2 * v[2] + v[0], 2 * v[3] + v[1]});
    } else if (word == "94") {
      ok = ok && (fields >> text >> v[0] >> v[1] >> layer);
      if (ok)
        labels.push_back({2 * v[0], 2 * v[1], text, layer});
    } else {
      ok = ok && (word == "DF" || word == "C");
    }
    if (!ok) {
      GCmessage(kModule, 'E', "%s, line %d: not a line of the squeeze's output", cifPath.c_str(),
                lineNumber);
      return 1;
    }
  }
  File file = create(gdsPath);
  if (!file)
    return 1;
  RecordWriter w(file.get());
  double metres = 0.5e-8 * double(a) / double(b);
  w.begin(stemOf(gdsPath), metres * 1e6, metres);
  w.beginStructure(name);
  Missing missing;
  for (const auto& l : layers) {
    std::pair<int, int> pair;
    if (!map->pairOf(l.first, &pair)) {
      if (!l.second.empty())
        missing.add(l.first, static_cast<long>(l.second.size()));
      continue;
    }
    for (const Box& box : l.second)
      w.box(pair.first, pair.second, box.x1, box.y1, box.x2, box.y2);
  }
  for (const Label& l : labels) {
    std::pair<int, int> pair;
    if (!map->pairOf(l.layer, &pair)) {
      missing.add(l.layer, 1);
      continue;
    }
    w.label(pair.first, pair.second, l.x, l.y, l.text);
  }
  w.empty(ENDSTR);
  w.empty(ENDLIB);
  missing.report(*map, gdsPath);
  return finish(std::move(file), w, gdsPath);
}

}  // namespace gds
