// The geometric test of direct detection: gate boxes in one-box sets,
// grouped by equal bottoms (left-right axes) or equal left sides (up-down
// axes), matched pairwise within a group, and the axes they give.
#include "DSsymmetry.h"

#include <algorithm>
#include <vector>

#include "CS.h"
#include "DEextract.h"
#include "DSgates.h"
#include "Dcompact.h"
#include "Dglobal.h"

namespace checksym {

// ---------------------------------------------------------------------------
// Gate boxes.
// ---------------------------------------------------------------------------

/* gateTransistor -- the transistor whose gate tile is `tile`, or null. */
_Dtransistor* gateTransistor(const _Dtile* tile)
{
  if (!tile)
    return nullptr;
  _Dtransistor* t = extract::transistorOf(tile);
  return t && t->Tgate == tile ? t : nullptr;
}

_edge* GateBoxes::edge(int along, int from, int to, unsigned char upward, _Dtile* tile)
{
  edges_.push_back(_edge{});
  _edge* e = &edges_.back();
  e->p1 = _point{along, from};
  e->p2 = _point{along, to};
  e->upward = upward;
  e->mother_tile = tile;
  e->layer_num = static_cast<short>(tile->layer() ? tile->layer()->layer : tile->type);
  e->name = tile->layer() ? tile->layer()->name : nullptr;
  return e;
}

/*
 * GateBoxes::add --
 *   The gate box of a transistor as a one-box set at the head of the list:
 *   the gate tile's lower left corner, `width` across and `length` up, with
 *   the tile's sides as its edges.  A gate tile already added is skipped.
 */
void GateBoxes::add(_Dtransistor* t)
{
  _Dtile* tile = t ? t->Tgate : nullptr;
  if (!tile || std::find(tiles_.begin(), tiles_.end(), tile) != tiles_.end())
    return;
  tiles_.push_back(tile);
  const int x1 = cs::left(tile), y1 = cs::bottom(tile), right = cs::right(tile),
            top = cs::top(tile);
  boxes_.push_back(box_item{});
  box_item* b = &boxes_.back();
  b->x1 = x1;
  b->y1 = y1;
  b->x2 = x1 + t->width;
  b->y2 = y1 + t->length;
  b->left_edge = edge(x1, y1, top, 1, tile);
  b->right_edge = edge(right, y1, top, 0, tile);
  b->bottom_edge = edge(y1, x1, right, 1, tile);
  b->top_edge = edge(top, x1, right, 0, tile);
  b->tree_slot = -1;

  sets_.push_back(set{});
  set* s = &sets_.back();
  s->the_box = b;
  s->nbr_elements = 1;
  s->x_low = b->x1;
  s->y_low = b->y1;
  s->x_up = b->x2;
  s->y_up = b->y2;
  s->next_set = list_.head;
  if (list_.head)
    list_.head->prev_set = s;
  list_.head = s;
  ++list_.nbr_of_sets;
  b->belongs_to = s;
}

}  // namespace checksym

// ---------------------------------------------------------------------------
// Matching two sets.
// ---------------------------------------------------------------------------
namespace {

void boxesOf(const set_node* node, std::vector<box_item*>* out)
{
  std::vector<const set_node*> work{node};
  while (!work.empty()) {
    const set_node* n = work.back();
    work.pop_back();
    if (n->the_box)
      out->push_back(n->the_box);
    for (const set_node* c = n->children; c; c = c->sibling)
      work.push_back(c);
  }
}

int widthOf(const box_item* b) { return b->x2 - b->x1; }
int heightOf(const box_item* b) { return b->y2 - b->y1; }

// By bottom, then by height, then by width: the last sort decides.
void orderRun(std::vector<box_item*>* run)
{
  auto by = [run](auto key) {
    std::stable_sort(run->begin(), run->end(),
                     [key](const box_item* a, const box_item* b) { return key(a) < key(b); });
  };
  by([](const box_item* b) { return b->y1; });
  by(heightOf);
  by(widthOf);
}

_Dtransistor* transistorOfEdge(const _edge* e, const char* side)
{
  _Dtransistor* t = checksym::gateTransistor(e ? e->mother_tile : nullptr);
  if (!t)
    common::outf("\nset_match: Cannot find transistor for %s.  Please check.\n\n\n", side);
  return t;
}

/* compareRuns -- position by position equal boxes; the items go into `result`. */
bool compareRuns(std::vector<box_item*> left, std::vector<box_item*> right, SYM_LIST* result)
{
  orderRun(&left);
  orderRun(&right);
  for (size_t i = 0; i < left.size(); ++i) {
    const box_item* a = left[i];
    const box_item* b = right[i];
    if (widthOf(a) != widthOf(b) || heightOf(a) != heightOf(b) ||
        a->right_edge->layer_num != b->right_edge->layer_num)
      return false;
    _Dtransistor* rightTran = transistorOfEdge(b->left_edge, "right_edge");
    _Dtransistor* leftTran = transistorOfEdge(a->left_edge, "left_edge");
    result->insert(new SYM_EDGE_ITEM{b->left_edge, a->right_edge, b->bottom_edge,
                                     a->bottom_edge, 1, leftTran, rightTran, nullptr});
  }
  return true;
}

/*
 * axisOf --
 *   Left-right: the middle of the gap between the left box's right side and
 *   the right box's left side.  Up-down: the middle of the gap between the
 *   lower gate's top and the upper gate's bottom, so that the two gates are
 *   mirror images across it.  Truncated toward zero.
 */
long axisOf(const SYM_EDGE_ITEM* item, bool vertical)
{
  if (vertical)
    return static_cast<long>((item->right_edge->p1.x + static_cast<double>(item->left_edge->p1.x)) / 2.0);
  const _edge* a = item->left_edge;
  const _edge* b = item->right_edge;
  const _edge* lower = a->p1.y <= b->p1.y ? a : b;
  const _edge* upper = lower == a ? b : a;
  return static_cast<long>((lower->p2.y + static_cast<double>(upper->p1.y)) / 2.0);
}

}  // namespace

/*
 * match_set --
 *   Matches the left (lower) set `a` with the right (upper) set `b`: a's
 *   boxes by ascending left x in runs of equal left x, each against as many
 *   of b's boxes by descending right x.  Exact equality of size and layer.
 * Returns: the items and their axis, or null when the sets do not match.
 *   Outside the resizer the drain/source check runs on every item (it only
 *   warns).
 */
SYM_LIST* match_set(set* a, set* b, bool vertical, bool resize)
{
  if (a->nbr_elements != b->nbr_elements || a->nbr_elements < 1)
    return nullptr;
  std::vector<box_item*> left, right;
  boxesOf(a, &left);
  boxesOf(b, &right);
  if (left.empty() || left.size() != right.size())
    return nullptr;
  std::stable_sort(left.begin(), left.end(),
                   [](const box_item* p, const box_item* q) { return p->x1 < q->x1; });
  std::stable_sort(right.begin(), right.end(),
                   [](const box_item* p, const box_item* q) { return p->x2 > q->x2; });

  SYM_LIST* result = new SYM_LIST();
  size_t i = 0;
  while (i < left.size()) {
    size_t end = i + 1;
    while (end < left.size() && left[end]->x1 == left[i]->x1)
      ++end;
    std::vector<box_item*> runA(left.begin() + i, left.begin() + end);
    std::vector<box_item*> runB(right.begin() + i, right.begin() + end);
    if (!compareRuns(runA, runB, result)) {
      delete result;
      return nullptr;
    }
    i = end;
  }
  result->axis = axisOf(result->head, vertical);
  result->orien = 0;
  if (!resize)
    for (const SYM_EDGE_ITEM* item = result->head; item; item = item->next)
      if (item->left_transistor && item->right_transistor)
        Compare_ds(item->left_transistor, item->right_transistor, result->axis, vertical);
  return result;
}

// ---------------------------------------------------------------------------
// Groups.
// ---------------------------------------------------------------------------

/*
 * symmetry_axis --
 *   Every pair of the group, the left set A from the leftmost and for each A
 *   the right set B from the rightmost down to the one after A.
 * Returns: the group's axis list (the caller owns it).
 * Side effects: each match sets x_axis (vertical) or y_axis and IS_sym.
 */
SYM_AXIS_LIST* symmetry_axis(set** group, int count, bool vertical, bool resize)
{
  SYM_AXIS_LIST* axes = new SYM_AXIS_LIST();
  if (count < 2)
    return axes;
  std::vector<set*> sets(group, group + count);
  std::stable_sort(sets.begin(), sets.end(),
                   [](const set* p, const set* q) { return p->x_low < q->x_low; });
  for (size_t i = 0; i < sets.size(); ++i) {
    for (size_t j = sets.size() - 1; j > i; --j) {
      SYM_LIST* found = match_set(sets[i], sets[j], vertical, resize);
      if (!found)
        continue;
      (vertical ? x_axis : y_axis) = found->axis;
      IS_sym = 1;
      axes->merge(found);
    }
  }
  return axes;
}

namespace {

// Runs of consecutive sets with an equal key, each searched as one group.
template <class Key>
void searchRuns(std::vector<set*>& sets, Key key, bool vertical, bool resize)
{
  size_t i = 0;
  while (i < sets.size()) {
    size_t end = i + 1;
    while (end < sets.size() && key(sets[end]) == key(sets[i]))
      ++end;
    SYM_AXIS_LIST* axes =
        symmetry_axis(&sets[i], static_cast<int>(end - i), vertical, resize);
    all_sym_axes->merge_all(axes);
    delete axes;
    i = end;
  }
}

}  // namespace

/*
 * scan_allsets --
 *   The sets by ascending bottom: runs of equal bottom are searched for
 *   left-right axes; outside the resizer, runs of equal left x in the same
 *   order for up-down axes, and single axes are cleaned away when there
 *   are several.  Axes go to all_sym_axes.
 * Returns: the number of sets.
 */
int scan_allsets(set_list* sets, bool resize)
{
  if (!all_sym_axes)
    all_sym_axes = new SYM_AXIS_LIST();
  if (!sets || !sets->head) {
    common::outf("I can not find Transistor(s) exists in the bound box...");
    common::outf("Reselect please.\n");
    return 0;
  }
  std::vector<set*> sorted;
  sorted.reserve(static_cast<size_t>(std::max(sets->nbr_of_sets, 0)));
  for (set* s = sets->head; s; s = s->next_set)
    sorted.push_back(s);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const set* p, const set* q) { return p->y_low < q->y_low; });
  searchRuns(sorted, [](const set* s) { return s->y_low; }, true, resize);
  if (resize)
    return static_cast<int>(sorted.size());
  searchRuns(sorted, [](const set* s) { return s->x_low; }, false, resize);
  all_sym_axes->clean();
  return static_cast<int>(sorted.size());
}

namespace checksym {

/*
 * searchAndReport --
 *   scan_allsets on `sets`, every axis left printed and marked visited,
 *   then the axes found once are dropped.
 * Returns: 1 when an axis was present before that last cleaning.
 */
int searchAndReport(set_list* sets)
{
  ::scan_allsets(sets, false);
  int found = 0;
  for (SYM_AXIS* a = all_sym_axes->head; a; a = a->next) {
    common::outf("The symmetry axis is : %ld\n", a->one_axis->axis);
    a->visited = 1;
    found = 1;
  }
  all_sym_axes->cleanforjustsym();
  return found;
}

}  // namespace checksym

// ---------------------------------------------------------------------------
// Drain and source.
// ---------------------------------------------------------------------------
namespace {

struct TileSize {
  int w, h;
  bool operator==(const TileSize& o) const { return w == o.w && h == o.h; }
};
TileSize sizeOf(const _Dtile* t) { return {cs::right(t) - cs::left(t), cs::top(t) - cs::bottom(t)}; }

}  // namespace

/*
 * Compare_ds --
 *   Whether the drain and source of L and R mirror each other: each of L's
 *   two tiles lines up (bottom y for a left-right pair, left x for an
 *   up-down pair) with one of R's and has the size of one of R's.  A pair
 *   that fails is reported; it stays symmetric.
 * Returns: 1 when the check passes.
 */
int Compare_ds(_Dtransistor* t1, _Dtransistor* t2, long /*axis*/, int vertical)
{
  const _Dtile *ld = t1->Tdrain, *ls = t1->Tsource, *rd = t2->Tdrain, *rs = t2->Tsource;
  bool ok = ld && ls && rd && rs;
  if (ok) {
    auto pos = [vertical](const _Dtile* t) { return vertical ? cs::bottom(t) : cs::left(t); };
    ok = (pos(ld) == pos(rd) || pos(ld) == pos(rs)) &&
         (sizeOf(ld) == sizeOf(rd) || sizeOf(ld) == sizeOf(rs)) &&
         (pos(ls) == pos(rs) || pos(ls) == pos(rd)) &&
         (sizeOf(ls) == sizeOf(rs) || sizeOf(ls) == sizeOf(rd));
  }
  if (ok)
    return 1;
  common::outf("\nThe gates of the transistors are symmetrical...\n");
  common::outf("Warning : But the drain and sources are not.\n");
  return 0;
}

// ---------------------------------------------------------------------------
// The pair test and the whole-layout detection.
// ---------------------------------------------------------------------------

/*
 * CallSymDetectFunctions --
 *   Whether two transistors are mirror images: their gate boxes searched as
 *   in symmetry_detection.  x_axis or y_axis holds the axis found.
 * Returns: 1 when symmetric; 0 (after a message) when one is missing.
 */
int CallSymDetectFunctions(_Dtransistor* t1, _Dtransistor* t2)
{
  if (!t1) {
    common::outf("\nTransistor %s does not exist in the circuit!\n", "");
    return 0;
  }
  if (!t2) {
    common::outf("Transistor %s does not exist in the circuit!\n\n", "");
    return 0;
  }
  checksym::GateBoxes boxes;
  boxes.add(t1);
  boxes.add(t2);
  if (boxes.empty()) {
    common::outf("Can not find Transistor(s) in the bounding box...");
    common::outf("Please select again!\n\n");
    return 0;
  }
  return checksym::searchAndReport(boxes.list());
}

/*
 * symmetry_detection --
 *   The search of the gate sets in Sets, reported (see searchAndReport).
 */
int symmetry_detection()
{
  return checksym::searchAndReport(Sets);
}

/*
 * symmetry_detection_for_resizing --
 *   The left-right axes of the gate sets the variable scan put into Sets,
 *   without the drain/source check and without cleaning.  The first axis
 *   becomes THE_SYM_AXIS.
 * Returns: 1 when an axis exists.
 */
int symmetry_detection_for_resizing()
{
  scan_allsets(Sets, true);
  if (!all_sym_axes->head)
    return 0;
  THE_SYM_AXIS = all_sym_axes->head->one_axis->axis;
  common::outf("The symmetry axis is : %ld\n", THE_SYM_AXIS);
  return 1;
}

/*
 * DirectSymDetection --
 *   f.DirectSymDetection: a fresh resize state, its variable scan, and the
 *   whole-layout detection; the axis in use is drawn over the layout.
 */
int DirectSymDetection()
{
  common::outf("**** Inside DirectSymDetection\n");
  init_staff();
  scan_toget_variables();
  if (symmetry_detection_for_resizing()) {
    const _box& frame = DlayerTile[0].frame;
    DSdrawAxis(THE_SYM_AXIS, frame.y1, THE_SYM_AXIS, frame.y2);
  }
  common::outf("**** Done symmetry detection\n");
  return 0;
}
