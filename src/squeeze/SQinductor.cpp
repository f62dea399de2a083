// Inductors in a resize: the spiral and its end contacts leave the planes
// and a dummy box on the layer "XYZ" stands in for them during the sweep;
// the box is held to the spiral's size, and at output the spiral and its
// contacts are written back where the box went.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CS.h"
#include "CXcapacitor.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "DUsize.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dview.h"
#include "LXinductor.h"
#include "SQint.h"
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
  const _LXInductor* ind = nullptr;
  int number = 0;
  _box bound{};
  std::vector<Piece> pieces;  // the spiral's segments in list order, then its contacts
  size_t segments = 0;
  // A spiral of the size file's geometry, when one was made: its boxes and
  // bounding square, and how far its outer and inner ends moved from the
  // drawn ones (what meets an end moves with it).
  bool fresh = false;
  std::vector<Piece> freshPieces;
  _box freshBound{};
  // [end][kind][axis]: end 0 outer, 1 inner; kind 0 the end's edge (for a
  // wire that meets it), 1 the centre of its end square (for a contact).
  int move[2][2][2] = {};
  std::vector<char> atInner;  // per piece: the inner segment or a contact of the inner end
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
  if (recording && t->layer())
    recording->pieces.push_back(Piece{t->layer()->name, {t->x1, t->y1, cs::right(t), cs::top(t)}});
}

SQLINE_item* low(const _Dtile* t)
{
  const auto* c = t ? static_cast<const SQCELL_item*>(t->resize_cell()) : nullptr;
  return c ? c->left : nullptr;
}

SQLINE_item* high(const _Dtile* t)
{
  const auto* c = t ? static_cast<const SQCELL_item*>(t->resize_cell()) : nullptr;
  return c ? c->right : nullptr;
}

}  // namespace

void LXdeleteTile(_Dtile* t)
{
  if (!t || t->type == cs::kSpace || !t->layer())
    return;
  keep(t);
  t->type = cs::kSpace;
  t->layer()->stilenum -= 1;
  t->layer()->btilenum += 1;
}

void LXviaRemoval(_LXInductor* ind)
{
  if (!ind->start || !ind->end)
    return;
  const _Dtile* s = ind->start->tile;
  const _Dtile* e = ind->end->tile;
  const char* layer = s && s->layer() ? s->layer()->name : "";
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
      Drawn d;
      d.ind = ind;
      d.number = ind->inductorNo;
      d.bound = {ind->origX1, ind->origY1, ind->origX2, ind->origY2};
      drawn.push_back(std::move(d));
      recording = &drawn.back();
    }
    for (_Dtilelist* l = ind->start; l; l = l->next)
      LXdeleteTile(l->tile);
    if (recording)
      recording->segments = recording->pieces.size();
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

namespace {

bool horizontal(const _box& b) { return b.x2 - b.x1 > b.y2 - b.y1; }
int longSide(const _box& b) { return std::max(b.x2 - b.x1, b.y2 - b.y1); }

/*
 * square --
 *   A clockwise square spiral of n segments in [0, D] x [0, D], wire w and
 *   spacing s, starting at the top left and going right.  Each vertical
 *   segment of the first ring holds both its corners; every segment meets
 *   the next corner to corner, as the extraction's turn test asks.
 */
std::vector<_box> square(int D, int w, int s, int n)
{
  std::vector<_box> out;
  const int p = w + s;
  for (int k = 0; k < n; ++k) {
    const int o = (k / 4) * p;
    switch (k % 4) {
    case 0: out.push_back({k < 4 ? 0 : o - s, D - o - w, D - o - w, D - o}); break;
    case 1: out.push_back({D - o - w, o, D - o, D - o}); break;
    case 2: out.push_back({o + w, o, D - o - w, o + w}); break;
    default: out.push_back({o, o, o + w, D - o - w - s}); break;
    }
  }
  return out;
}

// One of the eight symmetries of the square [0, D]: bit 0 exchanges x and
// y, bit 1 mirrors x, bit 2 mirrors y.
_box transform(const _box& b, int t, int D)
{
  int x1 = b.x1, y1 = b.y1, x2 = b.x2, y2 = b.y2;
  if (t & 1) {
    std::swap(x1, y1);
    std::swap(x2, y2);
  }
  if (t & 2) {
    x1 = D - x1;
    x2 = D - x2;
  }
  if (t & 4) {
    y1 = D - y1;
    y2 = D - y2;
  }
  return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

// Which side of `bound` a segment runs along: 0 top, 1 right, 2 bottom,
// 3 left, -1 none.
int side(const _box& b, const _box& bound)
{
  if (horizontal(b))
    return b.y2 == bound.y2 ? 0 : b.y1 == bound.y1 ? 2 : -1;
  return b.x2 == bound.x2 ? 1 : b.x1 == bound.x1 ? 3 : -1;
}

// The end of `b` that lies away from `other`, twice over: its edge across
// the segment's axis and the centre line along it (kind 0), or the centre
// of the square of wire at that end (kind 1).
std::pair<long, long> endAwayFrom(const _box& b, const _box& other, int kind)
{
  const long cx = static_cast<long>(b.x1) + b.x2, cy = static_cast<long>(b.y1) + b.y2;
  const long ox = static_cast<long>(other.x1) + other.x2, oy = static_cast<long>(other.y1) + other.y2;
  if (horizontal(b)) {
    const long h = kind == 1 ? b.y2 - b.y1 : 0;
    return {ox > cx ? 2L * b.x1 + h : 2L * b.x2 - h, cy};
  }
  const long w = kind == 1 ? b.x2 - b.x1 : 0;
  return {cx, oy > cy ? 2L * b.y1 + w : 2L * b.y2 - w};
}

// The inner and outer diameter across two parallel segments, measured as
// the extraction measures them (layout units).
std::pair<long, long> across(const _box& s, const _box& t)
{
  if (t.x2 - t.x1 <= t.y2 - t.y1)
    return t.x1 <= s.x1 ? std::make_pair(std::labs(s.x1 - t.x2), std::labs(s.x2 - t.x1))
                        : std::make_pair(std::labs(t.x1 - s.x2), std::labs(t.x2 - s.x1));
  return t.y1 <= s.y1 ? std::make_pair(std::labs(s.y1 - t.y2), std::labs(s.y2 - t.y1))
                      : std::make_pair(std::labs(t.y1 - s.y2), std::labs(t.y2 - s.y1));
}

bool touches(const _box& a, const _box& b)
{
  return a.x1 <= b.x2 && b.x1 <= a.x2 && a.y1 <= b.y2 && b.y1 <= a.y2;
}

double microns(long units) { return SCALE > 0 ? units * LAMBDA_T1 / SCALE : 0; }

int onHalfGrid(double um) { return SQhalfscale_round(squeeze::gridUnits(um), SCALE); }

/*
 * regenerate --
 *   Makes the spiral of the inductor's new geometry in place of the drawn
 *   one: the same sense and the same first two sides, its outer end at the
 *   drawn outer end's corner.  The contacts under each end move with that
 *   end.  False, with a warning, when no such spiral can be made.
 */
bool regenerate(const _LXInductor* ind, Drawn& d)
{
  const _LX_GEOMETRY_& g = ind->newGeometry;
  const int n = g.qturn, D = onHalfGrid(g.outerDiameter), w = onHalfGrid(g.width),
            sp = onHalfGrid(g.spacing);
  const size_t segs = d.segments;
  auto refuse = [&](const char* why) {
    GCmessage(0, 'W', "Inductor %d keeps its drawn spiral: %s", ind->inductorNo, why);
    return false;
  };
  if (segs < 5 || segs > d.pieces.size())
    return refuse("its drawn segments were not kept");
  if (n < 5 || w <= 0 || sp <= 0 || D <= 0)
    return refuse("the size file asks for fewer than 5 segments or a size of 0");
  std::vector<_box> canon = square(D, w, sp, n);
  for (const _box& b : canon)
    if (b.x2 <= b.x1 || b.y2 <= b.y1 || longSide(b) <= w)
      return refuse("its turns, width and spacing do not fit its outer diameter");
  // Drawn segments from the outer end inwards.
  std::vector<_box> walk;
  for (size_t i = 0; i < segs; ++i)
    walk.push_back(d.pieces[i].box);
  const bool outerFirst = longSide(walk.front()) >= longSide(walk.back());
  if (!outerFirst)
    std::reverse(walk.begin(), walk.end());
  const int first = side(walk[0], d.bound), second = side(walk[1], d.bound);
  int t = 0;
  const _box unit{0, 0, D, D};
  for (; t < 8; ++t)
    if (side(transform(canon[0], t, D), unit) == first &&
        side(transform(canon[1], t, D), unit) == second)
      break;
  if (first < 0 || second < 0 || t == 8)
    return refuse("its outer turn does not run along its bounding box");
  // The outer end's corner stays where it was drawn.
  const _box corner = transform({0, D, 0, D}, t, D);
  const int ax = corner.x1 == 0 ? d.bound.x1 : d.bound.x2;
  const int ay = corner.y1 == 0 ? d.bound.y1 : d.bound.y2;
  const int ox = ax - (corner.x1 == 0 ? 0 : D), oy = ay - (corner.y1 == 0 ? 0 : D);
  std::vector<_box> made;
  for (const _box& b : canon) {
    const _box m = transform(b, t, D);
    made.push_back({m.x1 + ox, m.y1 + oy, m.x2 + ox, m.y2 + oy});
  }
  for (int kind = 0; kind < 2; ++kind) {
    const auto oldOuter = endAwayFrom(walk[0], walk[1], kind);
    const auto newOuter = endAwayFrom(made[0], made[1], kind);
    const auto oldInner = endAwayFrom(walk[segs - 1], walk[segs - 2], kind);
    const auto newInner = endAwayFrom(made[n - 1], made[n - 2], kind);
    d.move[0][kind][0] = static_cast<int>((newOuter.first - oldOuter.first) / 2);
    d.move[0][kind][1] = static_cast<int>((newOuter.second - oldOuter.second) / 2);
    d.move[1][kind][0] = static_cast<int>((newInner.first - oldInner.first) / 2);
    d.move[1][kind][1] = static_cast<int>((newInner.second - oldInner.second) / 2);
  }
  d.freshPieces.clear();
  const std::string layer = d.pieces[0].layer;
  for (const _box& b : made)
    d.freshPieces.push_back(Piece{layer, b});
  d.atInner.assign(d.pieces.size(), 0);
  d.atInner[outerFirst ? segs - 1 : 0] = 1;
  for (size_t i = segs; i < d.pieces.size(); ++i) {
    const bool inner = touches(d.pieces[i].box, walk[segs - 1]);
    d.atInner[i] = inner;
    const int* move = d.move[inner ? 1 : 0][1];
    const _box& b = d.pieces[i].box;
    d.freshPieces.push_back(
        Piece{d.pieces[i].layer, {b.x1 + move[0], b.y1 + move[1], b.x2 + move[0], b.y2 + move[1]}});
  }
  d.freshBound = {ox, oy, ox + D, oy + D};
  d.fresh = true;
  // The inner diameter follows from the rest: say so when it is not the
  // one asked for.
  const auto start = across(made[0], made[2]), end = across(made[n - 1], made[n - 3]);
  const double inner = microns(std::min(start.first, end.first));
  if (g.innerDiameter > 0 && std::fabs(inner - g.innerDiameter) >= LAMBDA_T1 / 2)
    GCmessage(0, 'W',
              "Inductor %d: its turns, width, spacing and outer diameter give an inner "
              "diameter of %.2f um (%.2f um asked)",
              ind->inductorNo, inner, g.innerDiameter);
  return true;
}

}  // namespace

/*
 * LXindGen --
 *   The new geometry of every inductor: the drawn one, or the size file's,
 *   for which a spiral of that geometry is made.
 */
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
    if (Drawn* d = drawnOf(ind))
      d->fresh = false;
  }
  if (textualDeviceSizeInput != 1)
    return 0;
  USupdateIndSize();
  USdeleteIndArray();
  for (_LXInductor* ind = first(); ind; ind = ind->next) {
    const _LX_GEOMETRY_& g = ind->newGeometry;
    const bool same = onHalfGrid(g.outerDiameter) == onHalfGrid(ind->outerDiameter) &&
                      onHalfGrid(g.width) == onHalfGrid(ind->width) &&
                      onHalfGrid(g.spacing) == onHalfGrid(ind->spacing) && g.qturn == ind->qturns;
    Drawn* d = drawnOf(ind);
    if (same || !d)
      continue;
    if (regenerate(ind, *d))
      common::outf("Inductor %d is made anew: %d segments, outer diameter %.2f um, width %.2f um, "
                   "spacing %.2f um\n",
                   ind->inductorNo, g.qturn, g.outerDiameter, g.width, g.spacing);
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

bool overlap(int x1, int y1, int x2, int y2, const _box& b, bool edge)
{
  const long dx = static_cast<long>(std::min(x2, b.x2)) - std::max(x1, b.x1);
  const long dy = static_cast<long>(std::min(y2, b.y2)) - std::max(y1, b.y1);
  return edge ? dx >= 0 && dy >= 0 && (dx > 0 || dy > 0) : dx > 0 && dy > 0;
}

// True when a contact of layer `cut` joins the layer `layer`.
bool joins(const std::string& cut, const char* layer)
{
  for (int c = 0; c < DconNum; ++c)
    if (cut == Dconnect[c].conLayer &&
        (strcmp(Dconnect[c].lowerLayer, layer) == 0 || strcmp(Dconnect[c].upperLayer, layer) == 0))
      return true;
  return false;
}

/*
 * meets --
 *   Whether the drawn tile carries one of the spiral's connections: it
 *   meets a piece of its own layer (overlap or a common edge stretch), or
 *   lies under a contact of the spiral that joins its layer.  -1 no;
 *   otherwise 2 * end + kind as `move` counts them (a spiral made anew
 *   moves its ends apart).
 */
int meets(const _Dtile* t, const char* layer, const Drawn& d)
{
  const int x1 = t->x1, y1 = t->y1, x2 = cs::right(t), y2 = cs::top(t);
  if (x2 < d.bound.x1 || x1 > d.bound.x2 || y2 < d.bound.y1 || y1 > d.bound.y2)
    return -1;
  int found = -1;
  for (size_t i = 0; i < d.pieces.size(); ++i) {
    const Piece& p = d.pieces[i];
    const bool wire = p.layer == layer;
    const bool hit = wire ? overlap(x1, y1, x2, y2, p.box, true)
                          : i >= d.segments && joins(p.layer, layer) &&
                                overlap(x1, y1, x2, y2, p.box, false);
    if (!hit)
      continue;
    const bool inner = d.fresh && i < d.atInner.size() && d.atInner[i];
    const int code = 2 * (inner ? 1 : 0) + (i < d.segments ? 0 : 1);
    if (inner)
      return code;
    found = code;
  }
  return found;
}

}  // namespace

/*
 * LXsetConstraint --
 *   The dummy box keeps the spiral's size.  The rules of the dummy layer
 *   were met by nothing as drawn (the spiral's feeds touch it), so an arc
 *   of the box asking for more room than the drawn layout gives is eased
 *   to the drawn distance; the tiles that meet the spiral or its contacts
 *   move with the box (with the end they meet, when the spiral is made
 *   anew), so that the spiral written back still meets them.
 */
void LXsetConstraint(int direction)
{
  const int axis = direction == LEFT_RIGHT ? 0 : 1;
  for (_LXInductor* ind = first(); ind; ind = ind->next) {
    SQLINE_item *a = low(ind->dummyTile), *b = high(ind->dummyTile);
    if (!a || !b)
      continue;
    const Drawn* d = drawnOf(ind);
    const _box drawnBound{ind->origX1, ind->origY1, ind->origX2, ind->origY2};
    const _box& now = d && d->fresh ? d->freshBound : drawnBound;
    const int drawnOrigin = axis == 0 ? drawnBound.x1 : drawnBound.y1;
    const int drawnEnd = axis == 0 ? drawnBound.x2 : drawnBound.y2;
    const int origin = axis == 0 ? now.x1 : now.y1;
    const int extent = (axis == 0 ? now.x2 : now.y2) - origin;
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
    if (!d)
      continue;
    for (int i = 0; i < SQcell_size; ++i) {
      SQCELL_item& c = SQcell[i];
      const _Dtile* t = c.mother_tile;
      if (!c.left || !c.right || !t || t == ind->dummyTile)
        continue;
      const int end = meets(t, c.layername, *d);
      if (end < 0)
        continue;
      const int move = d->fresh ? d->move[end / 2][end % 2][axis] : 0;
      // Only the sides of the tile within the spiral's extent move with it:
      // a feed that leaves the spiral keeps its far side free, so what
      // lies between two feeds can still change size.
      const int lo = axis == 0 ? t->x1 : t->y1;
      const int hi = axis == 0 ? cs::right(t) : cs::top(t);
      for (SQLINE_item* its : {c.left, c.right}) {
        const int at = its == c.left ? lo : hi;
        if (at < drawnOrigin || at > drawnEnd)
          continue;
        for (SQLINE_item* mine : {a, b})
          SQremoveallarc(mine, its);
        fix(a, its, at + move - origin);
      }
    }
  }
}

void LXinsertInductor(const std::function<void(const char*, const std::vector<_box>&)>& write)
{
  for (_LXInductor* ind = first(); ind; ind = ind->next) {
    const Drawn* d = drawnOf(ind);
    const auto* cell =
        ind->dummyTile ? static_cast<const SQCELL_item*>(ind->dummyTile->resize_cell_LR()) : nullptr;
    if (!d || !cell)
      continue;
    const std::vector<Piece>& pieces = d->fresh ? d->freshPieces : d->pieces;
    const _box& bound = d->fresh ? d->freshBound : d->bound;
    const int dx = cell->corner.x1 - bound.x1, dy = cell->corner.y1 - bound.y1;
    // One group per layer, in the order the layers first appear.
    std::vector<std::string> layers;
    for (const Piece& p : pieces)
      if (std::find(layers.begin(), layers.end(), p.layer) == layers.end())
        layers.push_back(p.layer);
    for (const std::string& layer : layers) {
      std::vector<_box> boxes;
      for (const Piece& p : pieces)
        if (p.layer == layer)
          boxes.push_back({p.box.x1 + dx, p.box.y1 + dy, p.box.x2 + dx, p.box.y2 + dy});
      write(layer.c_str(), boxes);
    }
  }
}
