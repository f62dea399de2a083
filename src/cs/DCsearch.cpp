// Searching a plane: point search, neighbour walks, stitch repair and area
// enumeration.
#include "CS.h"

#include <memory>

#include "DCint.h"

namespace cs {

namespace {

thread_local WalkPool* tWalkPool = nullptr;  // a FillScope's own

WalkPool& walkPool()
{
  if (tWalkPool)
    return *tWalkPool;
  static WalkPool* pool = new WalkPool();  // lives as long as the program
  return *pool;
}

}  // namespace

WalkPool* useWalkPool(WalkPool* pool)
{
  WalkPool* was = tWalkPool;
  tWalkPool = pool;
  return was;
}

WalkLease::WalkLease()
{
  WalkPool& pool = walkPool();
  if (pool.depth == pool.byDepth.size())
    pool.byDepth.push_back(std::make_unique<WalkScratch>());
  scratch_ = pool.byDepth[pool.depth++].get();
  scratch_->row.clear();
  scratch_->children.clear();
  scratch_->frames.clear();
}

WalkLease::~WalkLease() { --walkPool().depth; }

_Dtile* firstSolid(int x1, int y1, int x2, int y2)
{
  _Dtile* found = nullptr;
  walkArea(x1, y1, x2, y2, false, [&](_Dtile* t) {
    if (!TisSolid(t))
      return false;
    found = t;
    return true;
  });
  return found;
}

_Dtile* seek(_Dtile* from, int x, int y, int limit)
{
  _Dtile* t = from;
  for (int steps = 0; t && steps <= limit; ++steps) {
    if (x > right(t))
      t = t->tr();
    else if (y < t->y1)
      t = t->lb();
    else if (x <= t->x1)
      t = t->bl();
    else if (y >= top(t))
      t = t->rt();
    else
      return t;
  }
  return nullptr;
}

}  // namespace cs

/*
 * PointFind --
 *   Walks from Stitch to the tile holding (x, y): a tile holds the points
 *   with x1 < x <= right and y1 <= y < top.
 * Returns: that tile.
 * Side effects: Stitch is the tile found.  A missing stitch on the way ends
 *   the program (the plane is corrupt).
 */
_Dtile* PointFind(int x, int y)
{
  _Dtile* t = Stitch;
  if (!t)
    cs::corrupt(nullptr);
  for (;;) {
    _Dtile* next;
    if (x > cs::right(t))
      next = t->tr();
    else if (y < t->y1)
      next = t->lb();
    else if (x <= t->x1)
      next = t->bl();
    else if (y >= cs::top(t))
      next = t->rt();
    else
      break;
    if (!next)
      cs::corrupt(t);
    t = next;
  }
  Stitch = t;
  return t;
}

/*
 * Neighbor --
 *   Prepends the neighbours along one side of `tile` onto *list, so they
 *   come out in reverse walking order: left side walked upward from bl,
 *   right side downward from tr, top side leftward from rt, bottom side
 *   rightward from lb.  With `onlyOwned` the walk stops at the first
 *   neighbour that reaches past the far end of the side; what is listed is
 *   then exactly the neighbours whose stitch toward the tile must point at
 *   it.  Other side codes list nothing.
 * Returns: the number of neighbours prepended.
 */
int Neighbor(_Dtile* tile, _Dtilelist** list, int side, int onlyOwned)
{
  int count = 0;
  auto add = [&](_Dtile* n) {
    *list = TileToList(*list, n);
    ++count;
  };
  const int left = tile->x1, bottom = tile->y1;
  const int right = cs::right(tile), top = cs::top(tile);
  switch (side) {
    case cs::kLeftSide:
      for (_Dtile* n = tile->bl(); n && n->y1 < top; n = n->rt()) {
        if (onlyOwned && cs::top(n) > top)
          break;
        add(n);
      }
      break;
    case cs::kRightSide:
      for (_Dtile* n = tile->tr(); n && cs::top(n) > bottom; n = n->lb()) {
        if (onlyOwned && n->y1 < bottom)
          break;
        add(n);
      }
      break;
    case cs::kTopSide:
      for (_Dtile* n = tile->rt(); n && cs::right(n) > left; n = n->bl()) {
        if (onlyOwned && n->x1 < left)
          break;
        add(n);
      }
      break;
    case cs::kBottomSide:
      for (_Dtile* n = tile->lb(); n && n->x1 < right; n = n->tr()) {
        if (onlyOwned && cs::right(n) > right)
          break;
        add(n);
      }
      break;
    default:
      break;
  }
  return count;
}

/*
 * UpdateNeighbor --
 *   Points the back stitches of the neighbours that `tile` owns on one side
 *   at it: left neighbours' tr, right neighbours' bl, top neighbours' lb,
 *   bottom neighbours' rt.  Side 0 does top, bottom, right and left.
 */
void UpdateNeighbor(_Dtile* tile, int side)
{
  if (side == cs::kAllSides || side == cs::kTopSide) {
    // Top edge: tiles starting at or right of the left edge.
    for (_Dtile* n = tile->rt(); n && n->x1 >= tile->x1; n = n->bl())
      n->set_lb(tile);
  }
  if (side == cs::kAllSides || side == cs::kBottomSide) {
    // Bottom edge: tiles ending at or left of the right edge.
    const int right = cs::right(tile);
    for (_Dtile* n = tile->lb(); n && cs::right(n) <= right; n = n->tr())
      n->set_rt(tile);
  }
  if (side == cs::kAllSides || side == cs::kRightSide) {
    // Right edge: tiles starting at or above the bottom edge.
    for (_Dtile* n = tile->tr(); n && n->y1 >= tile->y1; n = n->lb())
      n->set_bl(tile);
  }
  if (side == cs::kAllSides || side == cs::kLeftSide) {
    // Left edge: tiles ending at or below the top edge.
    const int top = cs::top(tile);
    for (_Dtile* n = tile->bl(); n && cs::top(n) <= top; n = n->rt())
      n->set_tr(tile);
  }
}

// Builds the list of a walk by appending.
static int listWalk(int x1, int y1, int x2, int y2, _Dtilelist** list, int clear, bool innerOnly)
{
  _Dtilelist* head = nullptr;
  _Dtilelist** tail = &head;
  int count = 0;
  cs::walkArea(x1, y1, x2, y2, innerOnly, [&](_Dtile* t) {
    if (clear)
      t->processed = 0;
    *tail = TileToList(nullptr, t);
    tail = &(*tail)->next;
    ++count;
    return false;
  });
  *list = head;
  return count;
}

/*
 * AreaEnum --
 *   Lists every tile of the current plane whose interior meets the
 *   rectangle, each once: the bottom row from right to left, then depth
 *   first upward, each tile taking its top neighbours from left to right.
 * Returns: the number of tiles; *list is a new list.
 * Side effects: Stitch is the tile holding (x2, y1); with `clear` every
 *   listed tile's processed mark is 0.
 */
int AreaEnum(int x1, int y1, int x2, int y2, _Dtilelist** list, int clear)
{
  return listWalk(x1, y1, x2, y2, list, clear, false);
}

int ExAreaEnum(int x1, int y1, int x2, int y2, _Dtilelist** list, int clear)
{
  return listWalk(x1, y1, x2, y2, list, clear, true);
}

int isInArea(const _Dtile* t, int x1, int y1, int x2, int y2)
{
  return cs::insideArea(t, x1, y1, x2, y2);
}

int isTileInArea(const _Dtile* t, const _box* box)
{
  return cs::insideArea(t, box->x1, box->y1, box->x2, box->y2);
}

void cleanUp(_Dtilelist** list, const _box* box)
{
  _Dtilelist** link = list;
  while (*link) {
    _Dtilelist* node = *link;
    if (isTileInArea(node->tile, box)) {
      link = &node->next;
      continue;
    }
    *link = node->next;
    node->next = nullptr;
    FreeList(node);
  }
}
