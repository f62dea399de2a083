// Changing a plane: the split and join steps, insertion of a rectangle and
// the splitting of a tile with its contact links.
#include "CS.h"

#include <cstring>

#include "DCint.h"
#include "DTtechnology.h"
#include "Dglobal.h"

namespace cs {

namespace {

constexpr int kModule = 5;  // message module of the tile planes

// The record policy of the insertion under way (critical-area planes), or
// null for the layer planes.
const TileRecords* records = nullptr;

_Dtile* newPiece(const _Dtile* from)
{
  _Dtile* n = NewTile();
  n->type = from->type;
  n->set_layer(from->layer());
  if (records && from->type == kFrame)
    records->copy(from, n);
  return n;
}

// Counts a created tile in the plane under construction.
void countCreated()
{
  if (!CLayer)
    return;
  ++CLayer->stilenum;
  if (!Silently && !quietCounting())
    progressCount(CLayer->stilenum);
}

}  // namespace

/*
 * splitRight --
 *   Cuts `t` at x, x1 < x < right.  The new tile takes the right part with
 *   t's right-hand stitches; t keeps the left part.
 */
_Dtile* splitRight(_Dtile* t, int x)
{
  _Dtile* n = newPiece(t);
  n->x1 = x;
  n->y1 = t->y1;
  n->set_rt(t->rt());
  n->set_tr(t->tr());
  n->set_bl(t);
  // Along the bottom edge: the tile below the new left end.
  _Dtile* p = t->lb();
  while (right(p) <= x)
    p = p->tr();
  n->set_lb(p);
  // Along the top edge: the tile above the new right end of t.
  p = t->rt();
  while (p->x1 >= x)
    p = p->bl();
  t->set_rt(p);
  t->set_tr(n);
  UpdateNeighbor(n, kAllSides);
  return n;
}

/*
 * splitAbove --
 *   Cuts `t` at y, y1 < y < top.  The new tile takes the upper part; t keeps
 *   the lower part.
 */
_Dtile* splitAbove(_Dtile* t, int y)
{
  _Dtile* n = newPiece(t);
  n->x1 = t->x1;
  n->y1 = y;
  n->set_rt(t->rt());
  n->set_tr(t->tr());
  n->set_lb(t);
  // Up the left edge: the tile left of the new bottom end.
  _Dtile* p = t->bl();
  while (top(p) <= y)
    p = p->rt();
  n->set_bl(p);
  // Down the right edge: the tile right of the new top end of t.
  p = t->tr();
  while (p->y1 >= y)
    p = p->lb();
  t->set_tr(p);
  t->set_rt(n);
  UpdateNeighbor(n, kAllSides);
  return n;
}

/*
 * splitBelow --
 *   Cuts `t` at y, y1 < y < top.  The new tile takes the lower part; t keeps
 *   the upper part.
 */
_Dtile* splitBelow(_Dtile* t, int y)
{
  _Dtile* n = newPiece(t);
  n->x1 = t->x1;
  n->y1 = t->y1;
  n->set_lb(t->lb());
  n->set_bl(t->bl());
  n->set_rt(t);
  // Down the right edge: the tile right of the new piece's top end.
  _Dtile* p = t->tr();
  while (p->y1 >= y)
    p = p->lb();
  n->set_tr(p);
  // Up the left edge: the tile left of t's new bottom end.
  p = t->bl();
  while (top(p) <= y)
    p = p->rt();
  t->set_bl(p);
  t->set_lb(n);
  t->y1 = y;
  UpdateNeighbor(n, kAllSides);
  return n;
}

/*
 * absorbLeft --
 *   `right` grows over its left neighbour `left` (same bottom and top),
 *   which is released.  Only the stitches that pointed at `left` change, so
 *   the cost is the number of `left`'s neighbours, however wide `right`
 *   has grown.
 */
void absorbLeft(_Dtile* right, _Dtile* left)
{
  const int leftEnd = left->x1, joint = right->x1, rightEnd = cs::right(right);
  const int top = cs::top(right);
  // Along the top edge of the left part: the tiles that start over it.
  for (_Dtile* n = left->rt(); n && n->x1 >= leftEnd; n = n->bl())
    n->set_lb(right);
  // Along its bottom edge: the tiles that end under the grown tile.
  for (_Dtile* n = left->lb(); n && n->x1 < joint; n = n->tr())
    if (cs::right(n) <= rightEnd)
      n->set_rt(right);
  // Along its left edge: the tiles that end at or below the top.
  for (_Dtile* n = left->bl(); n && cs::top(n) <= top; n = n->rt())
    n->set_tr(right);
  right->x1 = leftEnd;
  right->set_lb(left->lb());
  right->set_bl(left->bl());
  forgetTile(left, right);
  if (records && left->upper())
    records->release(left);
  FreeTile(left);
}

void forgetTile(const _Dtile* dead, _Dtile* survivor)
{
  // While planes are filled only the entries of the planes being filled
  // can know the tile; the others may be filled by another thread.
  static_assert(kMaxPlanes == 32, "a bit per plane-table entry");
  uint32_t planes = touchedPlanes();
  for (uint32_t left = planes ? planes : ~0u; left; left &= left - 1) {
    _DlayerTile& plane = DlayerTile[__builtin_ctz(left)];
    if (plane.layertile == dead)
      plane.layertile = survivor;
    if (plane.crittile == dead)
      plane.crittile = survivor;
  }
  if (Stitch == dead)
    Stitch = survivor;
  if (CurrentStitch == dead)
    CurrentStitch = survivor;
  if (activeHint() == dead)
    activeHint() = survivor;
}

}  // namespace cs

namespace {

// A tile of the area being filled, with the pieces cut off above and below.
struct Column {
  _Dtile* tile;
  _Dtile* upper;  // remnant above y2, or null
  _Dtile* lower;  // remnant below y1, or null
};

// Remnants of one insertion side by side with equal bottom and top become
// one; the right one stays.
_Dtile* mergeRemnants(_Dtile* right, _Dtile* left)
{
  if (!right || !left)
    return left;
  if (right == left || right->type != left->type || right->y1 != left->y1 ||
      cs::top(right) != cs::top(left) || cs::right(left) != right->x1)
    return left;
  if (cs::records && right->type == cs::kFrame)
    return left;  // fault regions never merge with each other
  cs::absorbLeft(right, left);
  return right;
}

}  // namespace

/*
 * TileCreation --
 *   Makes one tile covering exactly (x1, y1)-(x2, y2).  The area must hold
 *   only space or lie inside one tile.  Space is cut vertically first: the
 *   tiles holding the right and the left column of the area are split at x2
 *   and x1, every tile of the area is cut at y2 and y1, the remnants above
 *   (below) that end side by side with equal bottom and top are merged, and
 *   the cut tiles are joined from right to left into the new tile.  Tiles
 *   that were there before are never merged with each other.
 * Returns: 0, with the tile (type 30 until the caller sets it) in *tile;
 *   1 for an empty rectangle.
 * Side effects: Stitch is the new tile; the plane under construction
 *   counts it.
 */
int TileCreation(int x1, int y1, int x2, int y2, _Dtile** tile)
{
  *tile = nullptr;
  if (x1 >= x2 || y1 >= y2)
    return 1;

  // The columns x2 and x1 + 1 are the rightmost and leftmost of the area.
  _Dtile* t = PointFind(x2, y2 - 1);
  if (cs::right(t) != x2)
    cs::splitRight(t, x2);
  t = PointFind(x1 + 1, y1);
  if (t->x1 != x1)
    cs::splitRight(t, x1);

  // The tiles along the bottom edge, right to left; each spans the area's
  // height.  (TileCreation does not nest; the scratch is the thread's.)
  static thread_local std::vector<Column> row;
  row.clear();
  t = PointFind(x2, y1);
  for (;;) {
    if (t->x1 < x1 || cs::right(t) > x2 || cs::top(t) < y2) {
      cs::flushProgress();
      GCmessage(cs::kModule, 'F', "Can not create a tile over %d %d %d %d: the area is not free", x1,
                y1, x2, y2);
      cs::corrupt(t);
    }
    row.push_back({t, nullptr, nullptr});
    if (t->x1 == x1)
      break;
    t = t->bl();
    while (cs::top(t) <= y1)
      t = t->rt();
  }

  // Cut every tile at y2 and y1 and mark it as under construction.
  for (Column& c : row) {
    if (cs::top(c.tile) > y2)
      c.upper = cs::splitAbove(c.tile, y2);
    if (c.tile->y1 < y1)
      c.lower = cs::splitBelow(c.tile, y1);
    c.tile->type = cs::kFrame;
  }

  // Join right to left, merging the remnants on the way.
  _Dtile* result = row.front().tile;
  _Dtile* upper = row.front().upper;
  _Dtile* lower = row.front().lower;
  for (size_t i = 1; i < row.size(); ++i) {
    upper = mergeRemnants(upper, row[i].upper);
    lower = mergeRemnants(lower, row[i].lower);
    cs::absorbLeft(result, row[i].tile);
  }

  Stitch = result;
  *tile = result;
  cs::countCreated();
  return 0;
}

/*
 * TileCreationWith --
 *   TileCreation on a critical-area plane: pieces split off a region tile
 *   (type 30) take a copy of its record, region remnants are never merged,
 *   and a tile absorbed by a merge releases its record.
 */
int TileCreationWith(int x1, int y1, int x2, int y2, _Dtile** tile,
                     const cs::TileRecords* records)
{
  struct Policy {
    explicit Policy(const cs::TileRecords* r) { cs::records = r; }
    ~Policy() { cs::records = nullptr; }
  } policy(records);
  return TileCreation(x1, y1, x2, y2, tile);
}

int CScheckOverlap(const _Dtile* a, const _Dtile* b)
{
  return a->x1 < cs::right(b) && b->x1 < cs::right(a) && a->y1 < cs::top(b) &&
         b->y1 < cs::top(a);
}

// The contact-cut tiles over `tile` of one connection get `tile` as their
// only link on the given side.
static void relinkCuts(_Dtile* tile, const char* cutLayer, bool lowerSide)
{
  _Dtile* cuts = NamedLayerTile(cutLayer);
  if (!cuts)
    return;
  Stitch = cuts;
  cs::walkArea(tile->x1, tile->y1, cs::right(tile), cs::top(tile), false, [&](_Dtile* c) {
    if (!TisSolid(c))
      return false;
    FreeList(lowerSide ? c->lower() : c->upper());
    _Dtilelist* links = TileToList(nullptr, tile);
    if (lowerSide)
      c->set_lower(links);
    else
      c->set_upper(links);
    return false;
  });
}

/*
 * CSupdateCon --
 *   Points the contact cuts over `tile` at it, for every connection whose
 *   lower or upper layer is the tile's plane.
 */
void CSupdateCon(_Dtile* tile)
{
  if (!tile->layer())
    return;
  const char* plane = tile->layer()->name;
  for (int i = 0; i < DconNum; ++i) {
    if (strcmp(Dconnect[i].lowerLayer, plane) == 0)
      relinkCuts(tile, Dconnect[i].conLayer, true);
    if (strcmp(Dconnect[i].upperLayer, plane) == 0)
      relinkCuts(tile, Dconnect[i].conLayer, false);
  }
}

// Removes every node of *list holding `tile`.
static void unlink(_Dtilelist** list, const _Dtile* tile)
{
  while (*list) {
    _Dtilelist* node = *list;
    if (node->tile != tile) {
      list = &node->next;
      continue;
    }
    *list = node->next;
    node->next = nullptr;
    FreeList(node);
  }
}

// Hands the links of the old tile on one side to the halves they overlap.
static void redistribute(_Dtile* old, _Dtile* half, bool upperSide)
{
  // The links of `t` on this side, or the other side.
  auto links = [upperSide](const _Dtile* t, bool same) {
    return same == upperSide ? t->upper() : t->lower();
  };
  auto setLinks = [upperSide](_Dtile* t, bool same, _Dtilelist* list) {
    if (same == upperSide)
      t->set_upper(list);
    else
      t->set_lower(list);
  };
  _Dtilelist* former = links(old, true);
  setLinks(old, true, nullptr);
  for (_Dtilelist* node = former; node; node = node->next) {
    _Dtile* other = node->tile;
    _Dtilelist* back = links(other, false);
    unlink(&back, old);
    for (_Dtile* piece : {old, half}) {
      if (!CScheckOverlap(piece, other))
        continue;
      setLinks(piece, true, TileToList(links(piece, true), other));
      back = TileToList(back, piece);
    }
    setLinks(other, false, back);
  }
  FreeList(former);
}

/*
 * TileSplit --
 *   Cuts `tile` in two at `point`: kCutVertical at point.x (the new tile is
 *   the right part), kCutHorizontal at point.y (the new tile is the upper
 *   part).  The cut must lie strictly inside the tile.  The contact cuts
 *   over the new part are pointed at it, and the contact links of the old
 *   tile go to whichever halves they overlap.
 * Returns: 0 with the new tile in *newtile; 1 when the cut is refused.
 */
int TileSplit(_Dtile* tile, _point point, int direction, _Dtile** newtile, int keep)
{
  *newtile = nullptr;
  if (!tile) {
    GCmessage(cs::kModule, 'F', "target tile does not exist");
    return 1;
  }
  _Dtile* n;
  if (direction == cs::kCutVertical) {
    if (point.x <= tile->x1 || point.x >= cs::right(tile)) {
      GCmessage(cs::kModule, 'F', "cutline x-coordiate is not inside the target tile");
      return 1;
    }
    n = cs::splitRight(tile, point.x);
  } else if (direction == cs::kCutHorizontal) {
    if (point.y <= tile->y1 || point.y >= cs::top(tile)) {
      GCmessage(cs::kModule, 'F', "cutline y-coordinate is not inside the target tile");
      return 1;
    }
    n = cs::splitAbove(tile, point.y);
  } else {
    return 1;
  }
  n->processed = tile->processed;
  n->set_tran_sharing(tile->tran_sharing());
  n->set_activeDev(tile->activeDev());
  n->set_passiveDev(tile->passiveDev());
  n->node = keep == 1 ? tile->node : -1;

  _Dtile* current = Stitch;
  CSupdateCon(n);
  Stitch = current;
  redistribute(tile, n, true);
  redistribute(tile, n, false);
  *newtile = n;
  return 0;
}
