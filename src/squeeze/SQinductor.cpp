// Inductors in a resize: the spiral and its end contacts leave the planes
// and a dummy box on the layer "XYZ" stands in for them during the sweep;
// the box is held to the spiral's size, and at output the spiral and its
// contacts are written back where the box went.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CS.h"
#include "CXcapacitor.h"
#include "DTtechnology.h"
#include "DUsize.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dview.h"
#include "LXinductor.h"
#include "SQsqueeze.h"

namespace {

constexpr int kIndRank = -60;

_LXInductor* first() { return inductorList ? inductorList->next : nullptr; }

struct Piece {
  std::string layer;
  _box box;
};

// The drawn geometry of an inductor, kept when its tiles leave the planes.
// A later resize of the same layout finds the tiles gone and the geometry
// here; a record of another load is recognised by its number and box.
struct Drawn {
  const _LXInductor* ind;
  int number;
  _box bound;
  std::vector<Piece> pieces;
};
std::vector<Drawn> drawn;

bool sameBound(const Drawn& d, const _LXInductor* ind)
{
  return d.ind == ind && d.number == ind->inductorNo && d.bound.x1 == ind->origX1 &&
         d.bound.y1 == ind->origY1 && d.bound.x2 == ind->origX2 && d.bound.y2 == ind->origY2;
}

Drawn* drawnOf(const _LXInductor* ind)
{
  for (Drawn& d : drawn)
    if (sameBound(d, ind))
      return &d;
  return nullptr;
}

// The record a removal adds the tiles to: the one already kept is left as
// it is (its tiles are gone).
Drawn* recording = nullptr;

void keep(const _Dtile* t)
{
  if (recording && t->layer)
    recording->pieces.push_back(Piece{t->layer->name, {t->x1, t->y1, cs::right(t), cs::top(t)}});
}

SQLINE_item* low(const _Dtile* t)
{
  const auto* c = t ? static_cast<const SQCELL_item*>(t->resize_cell) : nullptr;
  return c ? c->left : nullptr;
}

SQLINE_item* high(const _Dtile* t)
{
  const auto* c = t ? static_cast<const SQCELL_item*>(t->resize_cell) : nullptr;
  return c ? c->right : nullptr;
}

}  // namespace

void LXdeleteTile(_Dtile* t)
{
  if (!t || t->type == cs::kSpace || !t->layer)
    return;
  keep(t);
  t->type = cs::kSpace;
  t->layer->stilenum -= 1;
  t->layer->btilenum += 1;
}

void LXviaRemoval(_LXInductor* ind)
{
  if (!ind->start || !ind->end)
    return;
  const _Dtile* s = ind->start->tile;
  const _Dtile* e = ind->end->tile;
  const char* layer = s && s->layer ? s->layer->name : "";
  _Dtile* current = Stitch;
  for (int c = 0; c < DconNum; ++c) {
    if (strcmp(Dconnect[c].lowerLayer, layer) != 0 && strcmp(Dconnect[c].upperLayer, layer) != 0)
      continue;
    _Dtile* plane = NamedLayerTile(Dconnect[c].conLayer);
    if (!plane)
      continue;
    for (const _Dtile* seg : {s, e}) {
      Stitch = plane;
      _Dtilelist* found = nullptr;
      AreaEnum(seg->x1, seg->y1, cs::right(seg), cs::top(seg), &found, 0);
      for (_Dtilelist* n = found; n; n = n->next)
        if (TisSolid(n->tile))
          LXdeleteTile(n->tile);
      FreeList(found);
      plane = Stitch;
    }
  }
  Stitch = current;
}

int LXnewDlayerTile(const char* name) { return CXnewDlayerTile(name); }

void LXaddDummyTileToInductorList(_LXInductor* ind, _Dtile* tile) { ind->dummyTile = tile; }

void LXaddDummyTile()
{
  const int plane = LXnewDlayerTile("XYZ");
  for (_LXInductor* ind = first(); ind; ind = ind->next) {
    common::outf("Tile layer %s as part of Inductor %i is created from (%i %i) to (%i %i)\n",
                 "XYZ", ind->inductorNo, ind->origX1, ind->origY1, ind->origX2, ind->origY2);
    LXaddDummyTileToInductorList(
        ind, CXputDummyBox(plane, ind->origX1, ind->origY1, ind->origX2, ind->origY2));
  }
  DVredraw(nullptr, nullptr, nullptr);
}

int LXindRemoval()
{
  // Records of an earlier load go; those of this layout stay.
  std::vector<Drawn> still;
  for (_LXInductor* ind = first(); ind; ind = ind->next)
    if (Drawn* d = drawnOf(ind))
      still.push_back(std::move(*d));
  drawn = std::move(still);
  for (_LXInductor* ind = first(); ind; ind = ind->next) {
    recording = nullptr;
    if (!drawnOf(ind)) {
      drawn.push_back(Drawn{ind, ind->inductorNo,
                            {ind->origX1, ind->origY1, ind->origX2, ind->origY2}, {}});
      recording = &drawn.back();
    }
    for (_Dtilelist* l = ind->start; l; l = l->next)
      LXdeleteTile(l->tile);
    LXviaRemoval(ind);
  }
  recording = nullptr;
  LXaddDummyTile();
  return 0;
}

bool LXremoved()
{
  for (_LXInductor* ind = first(); ind; ind = ind->next)
    if (drawnOf(ind))
      return true;
  return false;
}

int LXindGen()
{
  for (_LXInductor* ind = first(); ind; ind = ind->next) {
    _LX_GEOMETRY_& g = ind->newGeometry;
    g.outerDiameter = ind->outerDiameter;
    g.innerDiameter = ind->innerDiameter;
    g.width = ind->width;
    g.spacing = ind->spacing;
    g.qturn = ind->qturns;
    g.type = ind->type;
    g.direction = ind->turnsDir;
  }
  if (textualDeviceSizeInput != 1)
    return 0;
  USupdateIndSize();
  USdeleteIndArray();
  for (_LXInductor* ind = first(); ind; ind = ind->next) {
    const _LX_GEOMETRY_& g = ind->newGeometry;
    if (g.outerDiameter != ind->outerDiameter || g.innerDiameter != ind->innerDiameter ||
        g.width != ind->width || g.spacing != ind->spacing || g.qturn != ind->qturns)
      GCmessage(0, 'W', "Inductor %d keeps its drawn spiral: a spiral of new sizes is not "
                        "generated",
                ind->inductorNo);
  }
  return 0;
}

namespace {

// Holds x(b) - x(a) = d exactly: drawn offsets are not rounded to half a
// grid step, or a feed could come off the spiral by a few units.
void fix(SQLINE_item* a, SQLINE_item* b, int d)
{
  SQaddarc(a, b, d, kIndRank)->weight = d;
  SQaddarc(b, a, -d, kIndRank)->weight = -d;
}

// True when the drawn tile meets one of the inductor's pieces (overlap or
// a common edge stretch): it carries the spiral's connection.
bool meets(const _Dtile* t, const char* layer, const Drawn& d)
{
  const int x1 = t->x1, y1 = t->y1, x2 = cs::right(t), y2 = cs::top(t);
  if (x2 < d.bound.x1 || x1 > d.bound.x2 || y2 < d.bound.y1 || y1 > d.bound.y2)
    return false;
  for (const Piece& p : d.pieces) {
    if (p.layer != layer)  // only what the spiral is wired to
      continue;
    const long dx = static_cast<long>(std::min(x2, p.box.x2)) - std::max(x1, p.box.x1);
    const long dy = static_cast<long>(std::min(y2, p.box.y2)) - std::max(y1, p.box.y1);
    if (dx >= 0 && dy >= 0 && (dx > 0 || dy > 0))
      return true;
  }
  return false;
}

}  // namespace

/*
 * LXsetConstraint --
 *   The dummy box keeps the spiral's size.  The rules of the dummy layer
 *   were met by nothing as drawn (the spiral's feeds touch it), so an arc
 *   of the box asking for more room than the drawn layout gives is eased
 *   to the drawn distance; the tiles that meet the spiral or its contacts
 *   move with the box, so that the spiral written back still meets them.
 */
void LXsetConstraint(int direction)
{
  for (_LXInductor* ind = first(); ind; ind = ind->next) {
    SQLINE_item *a = low(ind->dummyTile), *b = high(ind->dummyTile);
    if (!a || !b)
      continue;
    const int origin = direction == LEFT_RIGHT ? ind->origX1 : ind->origY1;
    const int extent = (direction == LEFT_RIGHT ? ind->origX2 : ind->origY2) - origin;
    SQremoveallarc(a, b);
    for (SQLINE_item* line : {a, b}) {
      for (SQARC_item* arc = line->ori_next; arc; arc = arc->ori_next)
        if (!arc->sym)
          arc->weight = std::min(arc->weight, arc->ter->loc - arc->ori->loc);
      for (SQARC_item* arc = line->ter_next; arc; arc = arc->ter_next)
        if (!arc->sym)
          arc->weight = std::min(arc->weight, arc->ter->loc - arc->ori->loc);
    }
    fix(a, b, extent);
    const Drawn* d = drawnOf(ind);
    if (!d)
      continue;
    for (int i = 0; i < SQcell_size; ++i) {
      SQCELL_item& c = SQcell[i];
      const _Dtile* t = c.mother_tile;
      if (!c.left || !c.right || !t || t == ind->dummyTile || !meets(t, c.layername, *d))
        continue;
      // Only the sides of the tile within the spiral's extent move with it:
      // a feed that leaves the spiral keeps its far side free, so what
      // lies between two feeds can still change size.
      const int lo = direction == LEFT_RIGHT ? t->x1 : t->y1;
      const int hi = direction == LEFT_RIGHT ? cs::right(t) : cs::top(t);
      for (SQLINE_item* its : {c.left, c.right}) {
        const int at = its == c.left ? lo : hi;
        if (at < origin || at > origin + extent)
          continue;
        for (SQLINE_item* mine : {a, b})
          SQremoveallarc(mine, its);
        fix(a, its, at - origin);
      }
    }
  }
}

void LXinsertInductor(const std::function<void(const char*, const std::vector<_box>&)>& write)
{
  for (_LXInductor* ind = first(); ind; ind = ind->next) {
    const Drawn* d = drawnOf(ind);
    const auto* cell =
        ind->dummyTile ? static_cast<const SQCELL_item*>(ind->dummyTile->resize_cell_LR) : nullptr;
    if (!d || !cell)
      continue;
    const int dx = cell->corner.x1 - ind->origX1, dy = cell->corner.y1 - ind->origY1;
    // One group per layer, in the order the layers first appear.
    std::vector<std::string> layers;
    for (const Piece& p : d->pieces)
      if (std::find(layers.begin(), layers.end(), p.layer) == layers.end())
        layers.push_back(p.layer);
    for (const std::string& layer : layers) {
      std::vector<_box> boxes;
      for (const Piece& p : d->pieces)
        if (p.layer == layer)
          boxes.push_back({p.box.x1 + dx, p.box.y1 + dy, p.box.x2 + dx, p.box.y2 + dy});
      write(layer.c_str(), boxes);
    }
  }
}
