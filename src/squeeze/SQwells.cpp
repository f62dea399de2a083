// What the squeeze has no cells for, written back into its output: the
// boxes of layers without a plane (the wells) and the layout's labels, at
// the places the compaction gave the cells they enclose or lie on.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <unordered_map>

#include "CS.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "SQint.h"

namespace {

struct Moved {
  _box was;  // the drawn tile
  _box now;  // the cell after the squeeze
  int layer;  // Glayers slot
  const _Dtile* tile;
};

// Every ordinary cell with the drawn box of its tile, by drawn x1.
std::vector<Moved> movedCells()
{
  std::vector<Moved> cells;
  for (int i = 0; i < SQcell_size_LR; ++i) {
    const SQCELL_item& c = SQcell_LR[i];
    const _Dtile* t = c.mother_tile;
    if (!t || strcmp(c.layername, "SYM") == 0 || strcmp(c.layername, "XYZ") == 0)
      continue;
    cells.push_back({{t->x1, t->y1, cs::right(t), cs::top(t)}, c.corner, c.layernumber, t});
  }
  std::sort(cells.begin(), cells.end(),
            [](const Moved& a, const Moved& b) { return a.was.x1 < b.was.x1; });
  return cells;
}

bool hasPlane(const char* name)
{
  for (int p = 0; p < DlayerNum; ++p)
    if (DlayerTile[p].layertile && strcmp(DlayerTile[p].name, name) == 0)
      return true;
  return false;
}

int ruleLayer(int slot) { return slot >= 0 && slot < kLayerSlots ? Glayers[slot].layer : -1; }

// How far the well must reach beyond a cell of layer `slot` that was drawn
// `drawn` inside it: its rule's enclosure where the drawing kept it, else
// what was drawn; nothing without a rule (the squeeze knows no wells, so
// asking more than the rules do could reach over what lay outside).
int margin(int well, int slot, int drawn)
{
  const int a = ruleLayer(well), b = ruleLayer(slot);
  drawn = std::max(drawn, 0);
  if (a >= 0 && b >= 0 && a < kRuleLayers && b < kRuleLayers && EXTENSION_VALID[a][b] == 1)
    return std::min(drawn, EXTENSION[a][b] * SCALE);
  return 0;
}

// Position after the squeeze of a drawn coordinate, by the cell edge at or
// before it (monotone: later edges never map before earlier ones).
int mapped(std::vector<std::pair<int, int>>& edges, int at)
{
  auto it = std::upper_bound(edges.begin(), edges.end(), std::make_pair(at, INT_MAX));
  if (it == edges.begin())
    return edges.empty() ? at : edges.front().second - (edges.front().first - at);
  --it;
  return it->second + (at - it->first);
}

}  // namespace

namespace squeeze {

void writeWells(const std::function<void(const char*, const std::vector<_box>&)>& write)
{
  if (!Gflatten)
    return;
  const std::vector<Moved> cells = movedCells();
  std::vector<std::pair<int, int>> xs, ys;  // drawn edge, edge after the squeeze
  for (const Moved& m : cells) {
    xs.push_back({m.was.x1, m.now.x1});
    xs.push_back({m.was.x2, m.now.x2});
    ys.push_back({m.was.y1, m.now.y1});
    ys.push_back({m.was.y2, m.now.y2});
  }
  for (auto* v : {&xs, &ys}) {
    std::sort(v->begin(), v->end());
    for (size_t i = 1; i < v->size(); ++i)  // monotone
      (*v)[i].second = std::max((*v)[i].second, (*v)[i - 1].second);
  }
  for (int slot = 0; slot < kLayerSlots; ++slot) {
    const char* name = Glayers[slot].name;
    const int index = Glayers[slot].layer;
    if (!name[0] || strcmp(name, "XYZ") == 0 || hasPlane(name) || index < 0 || index >= kMaxLayers)
      continue;
    const _symbol* s = Gflatten->symbol[index];
    if (!s || !s->rect)
      continue;
    std::vector<_box> boxes;
    for (const _rects* r = s->rect; r; r = r->next) {
      // The drawn edges follow the cell edges around them; then every
      // enclosed cell is kept inside with its margin.
      _box w{mapped(xs, r->x1), mapped(ys, r->y1), mapped(xs, r->x2), mapped(ys, r->y2)};
      auto from = std::lower_bound(cells.begin(), cells.end(), r->x1,
                                   [](const Moved& m, int x) { return m.was.x1 < x; });
      for (auto c = from; c != cells.end() && c->was.x1 <= r->x2; ++c) {
        const _box& b = c->was;
        if (b.x2 > r->x2 || b.y1 < r->y1 || b.y2 > r->y2 || b.x2 <= b.x1 || b.y2 <= b.y1)
          continue;
        w.x1 = std::min(w.x1, c->now.x1 - margin(slot, c->layer, b.x1 - r->x1));
        w.x2 = std::max(w.x2, c->now.x2 + margin(slot, c->layer, r->x2 - b.x2));
        w.y1 = std::min(w.y1, c->now.y1 - margin(slot, c->layer, b.y1 - r->y1));
        w.y2 = std::max(w.y2, c->now.y2 + margin(slot, c->layer, r->y2 - b.y2));
      }
      if (w.x2 > w.x1 && w.y2 > w.y1)
        boxes.push_back(w);
    }
    if (!boxes.empty())
      write(name, boxes);
  }
}

std::vector<PlacedLabel> placedLabels()
{
  std::vector<PlacedLabel> out;
  if (!Gflatten)
    return out;
  const std::vector<Moved> cells = movedCells();
  std::unordered_map<const _Dtile*, const Moved*> byTile;
  for (const Moved& m : cells)
    byTile[m.tile] = &m;

  // Flattening puts the call numbers before the text of a label inside a
  // called cell ("0_3_out"); the output is flat.  Such a label is written
  // as it was drawn when no other label has that text: the copies of a
  // cell called more than once would otherwise give one name to many nets.
  std::unordered_map<std::string, int> uses;
  auto drawnText = [](std::string text) {
    for (size_t digits = text.find_first_not_of("0123456789");
         digits != std::string::npos && digits > 0 && text[digits] == '_' && digits + 1 < text.size();
         digits = text.find_first_not_of("0123456789"))
      text.erase(0, digits + 1);
    return text;
  };
  for (int slot = 0; slot < kLayerSlots; ++slot) {
    const int index = Glayers[slot].layer;
    if (!Glayers[slot].name[0] || index < 0 || index >= kMaxLayers || !Gflatten->symbol[index])
      continue;
    for (const _labels* l = Gflatten->symbol[index]->label; l; l = l->next)
      if (l->label)
        ++uses[drawnText(l->label)];
  }

  _Dtile* const saved = Stitch;
  for (int slot = 0; slot < kLayerSlots; ++slot) {
    const int index = Glayers[slot].layer;
    if (!Glayers[slot].name[0] || index < 0 || index >= kMaxLayers || !Gflatten->symbol[index])
      continue;
    for (const _labels* l = Gflatten->symbol[index]->label; l; l = l->next) {
      if (!l->label)
        continue;
      const std::string text = drawnText(l->label);
      if (text != l->label && uses[text] > 1)
        continue;
      // The cell of that layer under the label, found by a point search in
      // the planes of the layer's name; the label keeps its place within it
      // (as far as the cell still reaches).
      const Moved* on = nullptr;
      for (int p = 0; p < DlayerNum && !on; ++p) {
        if (!DlayerTile[p].layertile || strcmp(DlayerTile[p].name, Glayers[slot].name) != 0)
          continue;
        Stitch = DlayerTile[p].layertile;
        for (const _Dtile* t : {PointFind(l->x - 1, l->y), PointFind(l->x, l->y)}) {
          auto found = t ? byTile.find(t) : byTile.end();
          if (found != byTile.end() && found->second && found->second->layer == slot) {
            on = found->second;
            break;
          }
        }
      }
      if (!on)
        continue;
      const _box& now = on->now;
      const int x = std::max(std::min(now.x1 + (l->x - on->was.x1), now.x2), now.x1 + 1);
      const int y = std::max(std::min(now.y1 + (l->y - on->was.y1), now.y2 - 1), now.y1);
      out.push_back({text, Glayers[slot].name, x, y});
    }
  }
  Stitch = saved;
  return out;
}

}  // namespace squeeze
