// Consistency checks of the planes: the full plane checker used by tests
// and the stitch checks of the debugging menu.
#include "CS.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

#include "DCint.h"
#include "Dglobal.h"

namespace {

constexpr int kModule = 5;  // message module of the tile planes
constexpr int kErrorColour = 2;
constexpr int kNeighbourColour = 3;

std::string boxText(const _Dtile* t)
{
  char text[96];
  snprintf(text, sizeof text, "(%d %d)-(%d %d) type %d", t->x1, t->y1, cs::right(t), cs::top(t),
           t->type);
  return text;
}

bool isFrame(const _Dtile* t)
{
  return t->x1 == cs::kLow || t->y1 == cs::kLow || t->x1 == cs::kMax || t->y1 == cs::kMax;
}

// The four stitches of `t` against the geometry; the first fault, or "".
std::string stitchFault(const _Dtile* t)
{
  const int left = t->x1, bottom = t->y1, right = cs::right(t), top = cs::top(t);
  if (right <= left || top <= bottom)
    return "has no area";
  if (const _Dtile* n = t->rt())
    if (n->y1 != top || n->x1 >= right || cs::right(n) < right)
      return "rt " + boxText(n) + " is not the tile above the right end";
  if (const _Dtile* n = t->tr())
    if (n->x1 != right || n->y1 >= top || cs::top(n) < top)
      return "tr " + boxText(n) + " is not the tile right of the top end";
  if (const _Dtile* n = t->lb())
    if (cs::top(n) != bottom || n->x1 > left || cs::right(n) <= left)
      return "lb " + boxText(n) + " is not the tile below the left end";
  if (const _Dtile* n = t->bl())
    if (cs::right(n) != left || n->y1 > bottom || cs::top(n) <= bottom)
      return "bl " + boxText(n) + " is not the tile left of the bottom end";
  return "";
}

// The neighbours along each side must abut it and cover it without a gap.
// `limit` bounds the walks on a broken plane.
std::string sideFault(const _Dtile* t, size_t limit)
{
  const int left = t->x1, bottom = t->y1, right = cs::right(t), top = cs::top(t);
  size_t steps = 0;
  // Top edge, from the right end leftward.
  int reach = right;
  for (const _Dtile* n = t->rt(); reach > left; n = n->bl()) {
    if (!n || ++steps > limit || n->y1 != top || cs::right(n) < reach)
      return "top edge is not covered by its neighbours";
    reach = n->x1;
  }
  // Bottom edge, from the left end rightward.
  reach = left;
  for (const _Dtile* n = t->lb(); reach < right; n = n->tr()) {
    if (!n || ++steps > limit || cs::top(n) != bottom || n->x1 > reach)
      return "bottom edge is not covered by its neighbours";
    reach = cs::right(n);
  }
  // Right edge, from the top end downward.
  reach = top;
  for (const _Dtile* n = t->tr(); reach > bottom; n = n->lb()) {
    if (!n || ++steps > limit || n->x1 != right || cs::top(n) < reach)
      return "right edge is not covered by its neighbours";
    reach = n->y1;
  }
  // Left edge, from the bottom end upward.
  reach = bottom;
  for (const _Dtile* n = t->bl(); reach < top; n = n->rt()) {
    if (!n || ++steps > limit || cs::right(n) != left || n->y1 > reach)
      return "left edge is not covered by its neighbours";
    reach = cs::top(n);
  }
  return "";
}

// A space tile must not have space directly above or below it.
std::string spaceFault(const _Dtile* t)
{
  if (t->type != cs::kSpace)
    return "";
  for (const _Dtile* n = t->rt(); n && cs::right(n) > t->x1; n = n->bl())
    if (n->type == cs::kSpace)
      return "has space above it: " + boxText(n);
  for (const _Dtile* n = t->lb(); n && n->x1 < cs::right(t); n = n->tr())
    if (n->type == cs::kSpace)
      return "has space below it: " + boxText(n);
  return "";
}

std::string typeFault(const _Dtile* t)
{
  if (t->type >= 256 && (t->type & cs::kElement) != cs::kElement)
    return "has an invalid type";
  return "";
}

// The eight frame tiles with their fixed stitches among themselves.
std::string frameFault(const std::vector<const _Dtile*>& frames)
{
  if (frames.size() != 8)
    return "the plane has " + std::to_string(frames.size()) + " frame tiles instead of 8";
  for (const _Dtile* f : frames) {
    if (f->type != cs::kFrame)
      return "frame tile " + boxText(f) + " is not of type 30";
    const bool leftCol = f->x1 == cs::kLow, rightCol = f->x1 == cs::kMax;
    const bool lowRow = f->y1 == cs::kLow, highRow = f->y1 == cs::kMax;
    if ((f->rt() == nullptr) != highRow || (f->tr() == nullptr) != rightCol ||
        (f->lb() == nullptr) != lowRow || (f->bl() == nullptr) != leftCol)
      return "frame tile " + boxText(f) + " has wrong outer stitches";
  }
  return "";
}

}  // namespace

// ---------------------------------------------------------------------------
// The full checker.
// ---------------------------------------------------------------------------
bool cs::checkPlane(const _Dtile* entry, std::string* report, long long solidArea)
{
  auto fail = [&](const std::string& text) {
    if (report)
      *report = text;
    return false;
  };
  if (!entry)
    return fail("no plane");

  // Every tile reachable through the stitches.
  std::unordered_set<const _Dtile*> seen{entry};
  std::vector<const _Dtile*> tiles{entry};
  for (size_t i = 0; i < tiles.size(); ++i) {
    for (const _Dtile* n : {tiles[i]->rt(), tiles[i]->tr(), tiles[i]->lb(), tiles[i]->bl()})
      if (n && seen.insert(n).second)
        tiles.push_back(n);
  }

  std::vector<const _Dtile*> frames;
  __int128 area = 0;
  long long solid = 0;
  for (const _Dtile* t : tiles) {
    std::string fault = stitchFault(t);
    if (fault.empty() && !isFrame(t)) {
      if (!t->rt() || !t->tr() || !t->lb() || !t->bl())
        fault = "has a missing stitch";
      else if (t->x1 < kMin || t->y1 < kMin || right(t) > kMax || top(t) > kMax)
        fault = "lies outside the usable area";
      else
        fault = sideFault(t, tiles.size() * 4 + 16);
      if (fault.empty())
        fault = spaceFault(t);
      if (fault.empty())
        fault = typeFault(t);
    }
    if (!fault.empty())
      return fail("tile " + boxText(t) + " " + fault);
    if (isFrame(t)) {
      frames.push_back(t);
      continue;
    }
    long long a = static_cast<long long>(right(t) - t->x1) * (top(t) - t->y1);
    area += a;
    if (t->type != kSpace)
      solid += a;
  }
  std::string fault = frameFault(frames);
  if (!fault.empty())
    return fail(fault);
  const long long side = static_cast<long long>(kMax) - kMin;
  if (area != static_cast<__int128>(side) * side)
    return fail("the tiles do not cover the plane exactly once");
  if (solidArea >= 0 && solid != solidArea)
    return fail("solid area " + std::to_string(solid) + " instead of " +
                std::to_string(solidArea));
  return true;
}

namespace {

// Covered length over the compressed y coordinates, for the area sweep.
class Coverage {
 public:
  explicit Coverage(const std::vector<int>& ys) : ys_(ys), count_(4 * ys.size()), len_(4 * ys.size()) {}
  void add(int lo, int hi, int delta) { update(1, 0, static_cast<int>(ys_.size()) - 1, lo, hi, delta); }
  long long covered() const { return len_[1]; }

 private:
  void update(int node, int l, int r, int lo, int hi, int delta)
  {
    if (hi <= ys_[l] || ys_[r] <= lo)
      return;
    if (lo <= ys_[l] && ys_[r] <= hi) {
      count_[node] += delta;
    } else {
      int mid = (l + r) / 2;
      update(2 * node, l, mid, lo, hi, delta);
      update(2 * node + 1, mid, r, lo, hi, delta);
    }
    if (count_[node] > 0)
      len_[node] = static_cast<long long>(ys_[r]) - ys_[l];
    else if (r - l == 1)
      len_[node] = 0;
    else
      len_[node] = len_[2 * node] + len_[2 * node + 1];
  }
  const std::vector<int>& ys_;
  std::vector<int> count_;
  std::vector<long long> len_;
};

}  // namespace

long long cs::unionArea(const _rects* rects)
{
  struct Edge {
    int x, lo, hi, delta;
  };
  std::vector<Edge> edges;
  std::vector<int> ys;
  for (const _rects* r = rects; r; r = r->next) {
    int x1 = std::min(r->x1, r->x2), x2 = std::max(r->x1, r->x2);
    int y1 = std::min(r->y1, r->y2), y2 = std::max(r->y1, r->y2);
    if (x1 == x2 || y1 == y2)
      continue;
    edges.push_back({x1, y1, y2, 1});
    edges.push_back({x2, y1, y2, -1});
    ys.push_back(y1);
    ys.push_back(y2);
  }
  if (edges.empty())
    return 0;
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  if (ys.size() < 2)
    return 0;
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.x < b.x; });
  Coverage coverage(ys);
  long long area = 0;
  for (size_t i = 0; i < edges.size(); ++i) {
    if (i > 0)
      area += coverage.covered() * (static_cast<long long>(edges[i].x) - edges[i - 1].x);
    coverage.add(edges[i].lo, edges[i].hi, edges[i].delta);
  }
  return area;
}

bool cs::checkPlanes(std::string* report)
{
  for (int i = 0; i < DlayerNum; ++i) {
    const _DlayerTile& plane = DlayerTile[i];
    const _symbol* symbol =
        Gflatten && plane.layer >= 0 && plane.layer < kMaxLayers ? Gflatten->symbol[plane.layer]
                                                                 : nullptr;
    std::string fault;
    if (!checkPlane(plane.layertile, &fault, unionArea(symbol ? symbol->rect : nullptr))) {
      if (report)
        *report = std::string("plane ") + plane.name + ": " + fault;
      return false;
    }
  }
  return true;
}

long cs::countTiles(const _Dtile* entry)
{
  long count = 0;
  Stitch = const_cast<_Dtile*>(entry);
  walkArea(kMin, kMin, kMax, kMax, false, [&](_Dtile*) {
    ++count;
    return false;
  });
  return count;
}

// ---------------------------------------------------------------------------
// The checks of the debugging menu.
// ---------------------------------------------------------------------------

// Shows one fault of the stitch check and, on a terminal, waits for a key.
static void stitchError(_Dtile* t, const _Dtile* neighbour, const char* what)
{
  GCmessage(kModule, 'E', "Tile %s: %s", boxText(t).c_str(), what);
  if (neighbour)
    TestTile(neighbour, kNeighbourColour);
  else
    TestTile(t, kErrorColour);
  if (isatty(STDIN_FILENO))
    getchar();
}

/*
 * CheckCurrent --
 *   Checks that lb spans the tile's left x, bl its bottom y, rt its right x
 *   and tr its top y, and that the neighbours along every side abut it.
 *   Each fault is reported and painted; on a terminal the check waits for a
 *   key after each.
 * Returns: the number of faults.
 */
int CheckCurrent(_Dtile* t)
{
  const int left = t->x1, bottom = t->y1, right = cs::right(t), top = cs::top(t);
  int faults = 0;
  auto fault = [&](const _Dtile* n, const char* what) {
    ++faults;
    stitchError(t, n, what);
  };
  if (!t->lb() || !t->bl() || !t->rt() || !t->tr()) {
    fault(nullptr, "a stitch is missing");
    return faults;
  }
  if (t->lb()->x1 > left || cs::right(t->lb()) <= left)
    fault(t->lb(), "lb does not span the left edge");
  if (t->bl()->y1 > bottom || cs::top(t->bl()) <= bottom)
    fault(t->bl(), "bl does not span the bottom edge");
  if (t->rt()->x1 >= right || cs::right(t->rt()) < right)
    fault(t->rt(), "rt does not span the right edge");
  if (t->tr()->y1 >= top || cs::top(t->tr()) < top)
    fault(t->tr(), "tr does not span the top edge");

  struct SideCheck {
    int side;
    const char* what;
  };
  for (SideCheck c : {SideCheck{cs::kBottomSide, "a bottom neighbour does not abut"},
                      SideCheck{cs::kTopSide, "a top neighbour does not abut"},
                      SideCheck{cs::kLeftSide, "a left neighbour does not abut"},
                      SideCheck{cs::kRightSide, "a right neighbour does not abut"}}) {
    _Dtilelist* list = nullptr;
    Neighbor(t, &list, c.side, 0);
    for (const _Dtilelist* n = list; n; n = n->next) {
      const _Dtile* nb = n->tile;
      bool abuts = c.side == cs::kBottomSide ? cs::top(nb) == bottom
                   : c.side == cs::kTopSide  ? nb->y1 == top
                   : c.side == cs::kLeftSide ? cs::right(nb) == left
                                             : nb->x1 == right;
      if (!abuts)
        fault(nb, c.what);
    }
    FreeList(list);
  }
  return faults;
}

/*
 * Check1Layer --
 *   Runs CheckCurrent on every tile of the current plane (Stitch).
 * Returns: the number of faults, which it reports.
 */
int Check1Layer()
{
  if (!Stitch)
    return 0;
  _Dtilelist* list = nullptr;
  AreaEnum(cs::kMin, cs::kMin, cs::kMax, cs::kMax, &list, 0);
  int faults = 0;
  for (_Dtilelist* n = list; n; n = n->next)
    faults += CheckCurrent(n->tile);
  FreeList(list);
  if (faults == 0)
    GCmessage(kModule, 'M', "Tile neighbors check found no error");
  else
    GCmessage(kModule, 'E', "Tile neighbors check found %d errors", faults);
  return faults;
}

/*
 * CheckAll --
 *   Checks the stitches of every plane.
 * Returns: 1 when a plane has no entry tile, else 0.
 */
int CheckAll()
{
  int faults = 0;
  for (int i = 0; i < DlayerNum; ++i) {
    if (!DlayerTile[i].layertile) {
      GCmessage(kModule, 'W', "CS structure not ready");
      return 1;
    }
    Stitch = DlayerTile[i].layertile;
    faults += Check1Layer();
  }
  if (faults == 0)
    GCmessage(kModule, 'M', "Tile neighbors check found no error");
  else
    GCmessage(kModule, 'E', "Tile neighbors check found %d errors", faults);
  return 0;
}

/*
 * CheckAllNode --
 *   Prints and paints every solid tile with a negative node in the planes
 *   after the first.
 */
int CheckAllNode()
{
  int found = 0;
  for (int i = 1; i < DlayerNum; ++i) {
    if (!DlayerTile[i].layertile)
      continue;
    Stitch = DlayerTile[i].layertile;
    cs::walkArea(cs::kMin, cs::kMin, cs::kMax, cs::kMax, false, [&](_Dtile* t) {
      if (TisSolid(t) && t->node < 0) {
        common::outf("negative node : %d.\n", t->node);
        TestTile(t, kNeighbourColour);
        ++found;
      }
      return false;
    });
  }
  if (found == 0)
    GCmessage(kModule, 'M', "No negative node is found");
  else
    GCmessage(kModule, 'W', "%d negative nodes are found", found);
  return 0;
}
