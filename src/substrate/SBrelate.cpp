// Relating the groups to the strips: on each side of a group's gate box the
// strip that faces it (overlaps the box across that side) and lies nearest.
//
// Looked at one strip at a time, as the list is walked from its head, a
// strip faces at most one side of a box, and it replaces the side's strip
// only when strictly nearer: so each side gets the nearest facing strip,
// and of equally near ones the one nearest the head of SBbulk_list.  That
// is found here for all groups at once by a sweep: turned so that the side
// looked at is the left one, the strips enter in the order of their right
// edges, the groups are asked in the order of their left edges, and a
// segment tree over y keeps for each stretch of y the best strip entered
// so far that covers it.
#include "SBsubstrate.h"

#include <algorithm>
#include <vector>

#include "CS.h"
#include "DEextract.h"
#include "SBint.h"

namespace {

// The strip that wins a side: larger `reach` (the facing edge, turned so
// that larger is nearer), then smaller `position` in SBbulk_list.
struct Best {
  long reach = 0;
  int position = -1;  // -1: none
};

bool better(const Best& a, const Best& b)
{
  if (a.position < 0)
    return false;
  if (b.position < 0)
    return true;
  return a.reach > b.reach || (a.reach == b.reach && a.position < b.position);
}

// A rectangle turned so that the side looked at is the left one: it faces
// a box whose left is `reach` when its own reach is below it and the spans
// (lo, hi) across overlap.
struct Turned {
  long reach;   // strip: facing edge; group: its own edge on that side
  long lo, hi;  // the span across
  int index;    // strip position in SBbulk_list, or group index
};

// Ranges of y with a running best: best of every node over its range,
// `mark` the best entered over the node's whole range.
class BestTree {
 public:
  explicit BestTree(size_t segments) : n_(segments ? segments : 1), best_(4 * n_), mark_(4 * n_) {}
  void enter(size_t from, size_t to, const Best& b) { enter(1, 0, n_, from, to, b); }
  Best ask(size_t from, size_t to) const { return ask(1, 0, n_, from, to); }

 private:
  void enter(size_t node, size_t l, size_t r, size_t from, size_t to, const Best& b)
  {
    if (to <= l || r <= from)
      return;
    if (better(b, best_[node]))
      best_[node] = b;
    if (from <= l && r <= to) {
      if (better(b, mark_[node]))
        mark_[node] = b;
      return;
    }
    size_t mid = (l + r) / 2;
    enter(2 * node, l, mid, from, to, b);
    enter(2 * node + 1, mid, r, from, to, b);
  }
  Best ask(size_t node, size_t l, size_t r, size_t from, size_t to) const
  {
    if (to <= l || r <= from)
      return Best{};
    if (from <= l && r <= to)
      return best_[node];
    size_t mid = (l + r) / 2;
    Best b = mark_[node];
    Best left = ask(2 * node, l, mid, from, to);
    Best right = ask(2 * node + 1, mid, r, from, to);
    if (better(left, b))
      b = left;
    if (better(right, b))
      b = right;
    return b;
  }
  size_t n_;
  std::vector<Best> best_, mark_;
};

// For every group, the position of the best strip facing it (or -1).
std::vector<int> nearestFacing(std::vector<Turned> strips, std::vector<Turned> groups)
{
  std::vector<long> cuts;
  for (const std::vector<Turned>* list : {&strips, &groups})
    for (const Turned& t : *list)
      cuts.insert(cuts.end(), {t.lo, t.hi});
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  auto segment = [&](long v) {
    return static_cast<size_t>(std::lower_bound(cuts.begin(), cuts.end(), v) - cuts.begin());
  };
  auto byReach = [](const Turned& a, const Turned& b) { return a.reach < b.reach; };
  std::sort(strips.begin(), strips.end(), byReach);
  std::sort(groups.begin(), groups.end(), byReach);

  BestTree tree(cuts.size());
  std::vector<int> result(groups.size(), -1);
  size_t next = 0;
  for (const Turned& g : groups) {
    for (; next < strips.size() && strips[next].reach < g.reach; ++next) {
      const Turned& s = strips[next];
      tree.enter(segment(s.lo), segment(s.hi), Best{s.reach, s.index});
    }
    result[g.index] = tree.ask(segment(g.lo), segment(g.hi)).position;
  }
  return result;
}

// A rectangle in layout units.
struct Box {
  long x1, y1, x2, y2;
};

enum Side { kLeft, kRight, kBottom, kTop };

// The rectangle turned so that `side` is the left one.
Turned turn(const Box& b, Side side, bool strip, int index)
{
  switch (side) {
    case kLeft: return {strip ? b.x2 : b.x1, b.y1, b.y2, index};
    case kRight: return {strip ? -b.x1 : -b.x2, b.y1, b.y2, index};
    case kBottom: return {strip ? b.y2 : b.y1, b.x1, b.x2, index};
    case kTop: return {strip ? -b.y1 : -b.y2, b.x1, b.x2, index};
  }
  return {};
}

Box tileBox(const _Dtile* t)
{
  return {substrate::leftOf(t), substrate::bottomOf(t), substrate::rightOf(t),
          substrate::topOf(t)};
}

// The box around the gates of the end fingers.
Box gateBox(const SBtranbulk_item* item)
{
  Box a = tileBox(item->tran_min->Tgate), b = tileBox(item->tran_max->Tgate);
  return {std::min(a.x1, b.x1), std::min(a.y1, b.y1), std::max(a.x2, b.x2),
          std::max(a.y2, b.y2)};
}

SBbulk_item** link(SBtranbulk_item* item, Side side)
{
  switch (side) {
    case kLeft: return &item->bulk_left;
    case kRight: return &item->bulk_right;
    case kBottom: return &item->bulk_bottom;
    case kTop: return &item->bulk_top;
  }
  return nullptr;
}

}  // namespace

/*
 * SBrelate_tranbulk --
 *   Sets the four strip links of every group with end fingers: on each
 *   side the strip that overlaps the gate box across that side, lies wholly
 *   beyond it (not level with it) and is nearest; of equally near strips,
 *   the one nearer the head of SBbulk_list.
 */
void SBrelate_tranbulk()
{
  std::vector<SBbulk_item*> strips;
  std::vector<Box> stripBoxes;
  for (SBbulk_item* b = SBbulk_list; b; b = b->next) {
    strips.push_back(b);
    stripBoxes.push_back(tileBox(b->tile));
  }
  std::vector<SBtranbulk_item*> groups;
  std::vector<Box> groupBoxes;
  for (SBtranbulk_item* item = SBtranbulk_list; item; item = item->next) {
    if (!item->tran_min || !item->tran_max)
      continue;
    groups.push_back(item);
    groupBoxes.push_back(gateBox(item));
  }
  if (strips.empty() || groups.empty())
    return;

  for (Side side : {kLeft, kRight, kBottom, kTop}) {
    std::vector<Turned> s, g;
    for (size_t i = 0; i < strips.size(); ++i)
      s.push_back(turn(stripBoxes[i], side, true, static_cast<int>(i)));
    for (size_t i = 0; i < groups.size(); ++i)
      g.push_back(turn(groupBoxes[i], side, false, static_cast<int>(i)));
    std::vector<int> nearest = nearestFacing(std::move(s), std::move(g));
    for (size_t i = 0; i < groups.size(); ++i)
      *link(groups[i], side) = nearest[i] < 0 ? nullptr : strips[nearest[i]];
  }
}
