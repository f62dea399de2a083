// Wire-length minimisation: from the leftmost positions, groups of lines
// that gain by moving right move until an arc out of the group is tight,
// then join the group at its end, until no group gains any more.
#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <utility>
#include <cstdint>
#include <functional>
#include <queue>
#include <deque>
#include <vector>

#include "Dglobal.h"
#include "SQint.h"
#include "SQsqueeze.h"

struct SQWLM_LINE_LIST_item {
  SQLINE_item* line;
  SQWLM_LINE_LIST_item* next;
};

struct SQWLM_GROUP_item;

struct SQWLM_UNIT_LIST_item {
  SQWLM_UNIT_item* unit;
  SQWLM_UNIT_LIST_item* next;
};

struct SQWLM_UNIT_item {
  int weight;
  int orig_weight;
  long accum_weight;
  int merge;
  SQWLM_LINE_LIST_item* line_list;
  SQWLM_LINE_LIST_item* right_most;
  SQWLM_LINE_LIST_item* left_most;
  SQWLM_GROUP_item* group;
  SQWLM_UNIT_item* stack;
  SQWLM_UNIT_item* next;
  SQWLM_UNIT_item* prev;
  int lines;      // length of line_list
  bool stacked;   // on the work stack
};

// An arc out of a group with its slack as it was when filed, plus the
// group's shift then: slack now = key - shift now, while the arc's end
// stays where it was (it only ever moves right, which the search notices).
// Among equal slacks the arc filed later comes first, as a later arc of
// the scan replaces an earlier one.
struct SQWLM_ARC_ENTRY {
  long key;
  SQARC_item* arc;   // null for the wall of `wall`
  long order;        // filing number
  SQWLM_UNIT_item* wall = nullptr;  // a unit whose lines reach their max_loc
  bool operator<(const SQWLM_ARC_ENTRY& o) const  // min-heap
  {
    return key != o.key ? key > o.key : order < o.order;
  }
};

struct SQWLM_GROUP_item {
  long weight;
  int valid;
  SQWLM_UNIT_LIST_item* root;
  SQWLM_UNIT_LIST_item* unit_list;
  // Kept beside the group so that moves and merges do not walk its lines:
  SQWLM_UNIT_LIST_item* tail = nullptr;  // last item of unit_list
  long shift = 0;                        // distance moved, not yet in wlm_loc
  long lines = 0;                        // lines of its units
  uint32_t arcs = UINT32_MAX;            // heap of the arcs out of the group (ArcHeaps)
};

namespace {

// Arc types.
constexpr int16_t kFree = 91, kEquality = 92, kSymmetry = 93, kUntyped = 94;
constexpr int16_t kOwnWidth = 11, kOwnReverse = 31;
constexpr int16_t kSameLayerWidth = 14, kSameLayerSide = 84;
constexpr int16_t kOtherLayerWidth = 13, kOtherLayerSide = 12, kSpacing = 81;
// Gains of moving a line right, per arc.
constexpr int kCellGain = 10;
constexpr int kWireGain = 1;
constexpr long kBlockWeight = 99;
constexpr int kIterationsPerCell = 20;

/*
 * ArcHeaps --
 *   The heaps of the arcs out of the groups: leftist heaps whose nodes
 *   carry a change of key still owed to their subtrees, so that two
 *   groups' heaps meld, one of them re-keyed to the other's shift, in
 *   logarithmic time whatever their sizes.  Nodes are recycled.  The
 *   least entry is the one of least key, of the later filing on equal
 *   keys, as on a binary heap of the same entries.
 */
class ArcHeaps {
 public:
  static constexpr uint32_t kNil = UINT32_MAX;

  uint32_t make(const SQWLM_ARC_ENTRY& e)
  {
    uint32_t x;
    if (!free_.empty()) {
      x = free_.back();
      free_.pop_back();
    } else {
      x = static_cast<uint32_t>(nodes_.size());
      nodes_.emplace_back();
    }
    nodes_[x] = Node{e, 0, kNil, kNil, 1};
    return x;
  }
  const SQWLM_ARC_ENTRY& top(uint32_t h) const { return nodes_[h].e; }
  // The entry of a node made and not melded yet.
  SQWLM_ARC_ENTRY& loose(uint32_t x) { return nodes_[x].e; }
  // Adds d to every key of heap h.
  void rekey(uint32_t h, long d)
  {
    if (h == kNil)
      return;
    nodes_[h].e.key += d;
    nodes_[h].owed += d;
  }
  uint32_t meld(uint32_t a, uint32_t b)
  {
    // Down the right spines, the lesser root first; then back up, keeping
    // the shorter path to an empty subtree on the right.
    spine_.clear();
    while (a != kNil && b != kNil) {
      if (less(b, a))
        std::swap(a, b);
      settle(a);
      spine_.push_back(a);
      a = nodes_[a].right;
    }
    uint32_t rest = a != kNil ? a : b;
    for (size_t i = spine_.size(); i-- > 0;) {
      Node& x = nodes_[spine_[i]];
      x.right = rest;
      if (rank(x.left) < rank(x.right))
        std::swap(x.left, x.right);
      x.rank = rank(x.right) + 1;
      rest = spine_[i];
    }
    return rest;
  }
  // The heap without its root; the root node is recycled.
  uint32_t pop(uint32_t h)
  {
    settle(h);
    const uint32_t rest = meld(nodes_[h].left, nodes_[h].right);
    free_.push_back(h);
    return rest;
  }
  // The heap with its root's key changed to `key` (a later key).
  uint32_t replaceTop(uint32_t h, long key)
  {
    settle(h);
    Node& x = nodes_[h];
    const uint32_t rest = meld(x.left, x.right);
    nodes_[h].e.key = key;
    nodes_[h].left = nodes_[h].right = kNil;
    nodes_[h].rank = 1;
    return meld(rest, h);
  }
  // One heap of the nodes `batch` (emptied), in time linear in their
  // number: melded in pairs, the results in turn.
  uint32_t build(std::vector<uint32_t>* batch)
  {
    std::vector<uint32_t>& q = *batch;
    if (q.empty())
      return kNil;
    for (size_t head = 0; head + 1 < q.size(); head += 2)
      q.push_back(meld(q[head], q[head + 1]));
    const uint32_t h = q.back();
    q.clear();
    return h;
  }
  // Every node of heap h back to the free list.
  void release(uint32_t h)
  {
    if (h == kNil)
      return;
    spine_.assign(1, h);
    while (!spine_.empty()) {
      const uint32_t x = spine_.back();
      spine_.pop_back();
      free_.push_back(x);
      for (uint32_t c : {nodes_[x].left, nodes_[x].right})
        if (c != kNil)
          spine_.push_back(c);
    }
  }

 private:
  struct Node {
    SQWLM_ARC_ENTRY e;
    long owed;            // still to be added to the keys below
    uint32_t left, right;
    uint32_t rank;        // shortest path to an empty subtree
  };
  uint32_t rank(uint32_t x) const { return x == kNil ? 0 : nodes_[x].rank; }
  bool less(uint32_t x, uint32_t y) const { return nodes_[y].e < nodes_[x].e; }
  void settle(uint32_t x)
  {
    Node& n = nodes_[x];
    if (!n.owed)
      return;
    for (uint32_t c : {n.left, n.right})
      if (c != kNil) {
        nodes_[c].e.key += n.owed;
        nodes_[c].owed += n.owed;
      }
    n.owed = 0;
  }

  // Nodes in blocks that never move: the heaps hold millions of nodes,
  // and a vector would copy them all as it grows and keep up to twice as
  // many places.
  class Nodes {
   public:
    Node& operator[](uint32_t x) { return blocks_[x >> kShift][x & kMask]; }
    const Node& operator[](uint32_t x) const { return blocks_[x >> kShift][x & kMask]; }
    size_t size() const { return size_; }
    void emplace_back()
    {
      if ((size_ >> kShift) == blocks_.size())
        blocks_.emplace_back(new Node[size_t{1} << kShift]);
      ++size_;
    }

   private:
    static constexpr unsigned kShift = 15;
    static constexpr uint32_t kMask = (uint32_t{1} << kShift) - 1;
    std::vector<std::unique_ptr<Node[]>> blocks_;
    size_t size_ = 0;
  };
  Nodes nodes_;
  std::vector<uint32_t> free_;
  std::vector<uint32_t> spine_;
};

// Everything of one run; freed at its end (SQwlm_clear).
struct WlmState {
  ArcHeaps heaps;
  std::vector<uint32_t> batch;  // nodes of one filing
  std::deque<SQWLM_LINE_LIST_item> lineItems;
  std::deque<SQWLM_UNIT_LIST_item> unitItems;
  std::deque<SQWLM_UNIT_item> units;
  SQWLM_UNIT_item* SQwlm_unit = nullptr;       // head of the unit list
  SQWLM_UNIT_item* SQwlm_unit_tos = nullptr;   // top of the stack
  // The stack in order: (position of the rightmost line when pushed, push
  // number) -> unit, so that a push does not walk the stack.
  std::map<std::pair<long, long>, SQWLM_UNIT_item*> stackOrder;
  long pushes = 0;
  long filings = 0;
  SQWLM_GROUP_item SQwlm_block_group{};
  std::vector<SQWLM_GROUP_item> SQwlm_nonblock_group;
  std::vector<int> freeSlots;
  int SQwlm_nonblock_group_count = 0;
  // By line index, from one walk of the arc list in SQwlm_init_arc: the
  // gain of each line's arcs (as SQwlm_init_unitweight counts it) and
  // whether an equality leaves it.  The gains stand for the lines' lists
  // when these hold as many arcs as were typed.
  std::vector<int> lineGain;
  std::vector<unsigned char> equalityOut;
  // By line index, for the lines an equality leaves: where their equality
  // arcs stand in `equalities`, in the order of their lists.
  std::vector<std::pair<uint32_t, uint32_t>> equalitiesOf;  // (first, count)
  std::vector<SQARC_item*> equalities;
  long typedArcs = 0;
  long listedArcs = -1;
  // By line index: the filing of the line now walked (filedBy == filing)
  // that made node filedNode for an arc to that line.
  std::vector<uint64_t> filedBy;
  std::vector<uint32_t> filedNode;
  uint64_t lineFilings = 0;
};

WlmState* st = nullptr;

bool sameSide(const SQLINE_item* a, const SQLINE_item* b)
{
  return (a == a->cell->left) == (b == b->cell->left);
}
bool isLeft(const SQLINE_item* l) { return l == l->cell->left; }

// The arcs of the graph by line, sorted by (ter, weight), to find the
// other half of an equality without walking the lines' lists (a rail has
// thousands of arcs).
struct ArcIndex {
  std::vector<uint32_t> first;                  // by line index, size n + 1
  std::vector<std::pair<uint32_t, int>> ends;   // (ter index, weight)
};
const ArcIndex* linkedArcs = nullptr;

bool isEqualityHalf(const SQARC_item* a)
{
  const size_t t = squeeze::lineIndex(a->ter);
  if (t + 1 >= linkedArcs->first.size())
    return false;
  const auto from = linkedArcs->ends.begin() + linkedArcs->first[t];
  const auto to = linkedArcs->ends.begin() + linkedArcs->first[t + 1];
  const std::pair<uint32_t, int> key{static_cast<uint32_t>(squeeze::lineIndex(a->ori)),
                                     -a->weight};
  return std::binary_search(from, to, key);
}

// Arcs between two lines; the arcs of a solved symmetric core hold its
// distances and are typed as any other.
bool indexable(const SQARC_item* a) { return a->occupied && a->ori && a->ter; }

int16_t typeOf(const SQARC_item* a)
{
  if (!a->occupied)
    return kFree;
  if (a->sym && (!a->ori || !a->ter))
    return kSymmetry;  // a symmetry row relates four lines: no wire of its own
  if (!a->ori || !a->ter)
    return kUntyped;
  if (isEqualityHalf(a))
    return kEquality;
  const SQLINE_item *o = a->ori, *t = a->ter;
  const int w = a->weight;
  if (o->cell == t->cell) {
    if (isLeft(o) && !isLeft(t) && w >= 0)
      return kOwnWidth;
    if (!isLeft(o) && isLeft(t) && w < 0)
      return kOwnReverse;
    return kUntyped;
  }
  const bool sameLayer = o->cell->layernumber == t->cell->layernumber;
  if (sameLayer && isLeft(o) && !isLeft(t) && w >= 0)
    return kSameLayerWidth;
  if (sameLayer && sameSide(o, t) && w >= 0)
    return kSameLayerSide;
  if (!sameLayer && isLeft(o) && !isLeft(t) && w >= 0)
    return kOtherLayerWidth;
  if (!sameLayer && sameSide(o, t))
    return kOtherLayerSide;
  if (!isLeft(o) && isLeft(t) && w >= 0)
    return kSpacing;
  return kUntyped;
}

// What the typed arcs add to the gains of their lines (as
// SQwlm_init_unitweight counts them) and which lines an equality leaves.
struct Gains {
  std::vector<int> lineGain;
  std::vector<unsigned char> equalityOut;
  long typed = 0;
  explicit Gains(size_t lines) : lineGain(lines, 0), equalityOut(lines, 0) {}
  /* count -- what `a` adds. */
  void count(const SQARC_item* a)
  {
    const size_t o = squeeze::lineIndex(a->ori), t = squeeze::lineIndex(a->ter);
    int gain = 0;
    if (a->wlm_type == kOwnWidth)
      gain = kCellGain;
    else if (a->wlm_type == kOtherLayerSide || a->wlm_type == kOtherLayerWidth ||
             a->wlm_type == kSameLayerWidth)
      gain = kWireGain;
    else if (a->wlm_type == kOwnReverse)
      gain = -kCellGain;
    lineGain[o] -= gain;
    lineGain[t] += gain;
    if (a->wlm_type == kEquality)
      equalityOut[o] = 1;
    ++typed;
  }
};

// Where the arc list is cut in two stretches for two threads, [arcs, mid)
// and [mid, end), and how many arcs of the first and of both are indexed.
struct Cut {
  SQARC_item* mid = nullptr;
  size_t indexedBefore = 0, indexed = 0;
};
Cut cutArcs(SQARC_item* arcs)
{
  size_t n = 0;
  Cut cut;
  for (const SQARC_item* a = arcs; a; a = a->list_next) {
    ++n;
    cut.indexed += indexable(a);
  }
  cut.mid = arcs;
  for (size_t k = 0; k < n / 2; ++k) {
    cut.indexedBefore += indexable(cut.mid);
    cut.mid = cut.mid->list_next;
  }
  return cut;
}

}  // namespace

void SQwlm_init_arc(SQARC_item* arcs)
{
  ArcIndex index;
  // The ends and weights of the indexed arcs, read from the arcs once, the
  // two stretches of the list on two threads (a walk waits on every arc
  // and its lines).
  struct Ends {
    uint32_t ori, ter;
    int weight;
  };
  const Cut cut = cutArcs(arcs);
  SQARC_item* const mid = cut.mid;
  auto stretch = [&](bool second, auto f) {
    for (SQARC_item* a = second ? mid : arcs; a && (second || a != mid); a = a->list_next)
      f(a);
  };
  std::vector<Ends> ends(cut.indexed);
  size_t highest[2] = {0, 0};
  common::onTwoThreads([&](bool second) {
    size_t at = second ? cut.indexedBefore : 0;
    stretch(second, [&](const SQARC_item* a) {
      if (!indexable(a))
        return;
      const Ends e{static_cast<uint32_t>(squeeze::lineIndex(a->ori)),
                   static_cast<uint32_t>(squeeze::lineIndex(a->ter)), a->weight};
      ends[at++] = e;
      highest[second] = std::max<size_t>(highest[second], std::max(e.ori, e.ter) + size_t{1});
    });
  });
  const size_t lines = std::max(highest[0], highest[1]);
  index.first.assign(lines + 1, 0);
  for (const Ends& e : ends)
    ++index.first[e.ori + 1];
  for (size_t i = 0; i < lines; ++i)
    index.first[i + 1] += index.first[i];
  index.ends.resize(index.first[lines]);
  std::vector<uint32_t> fill(index.first.begin(), index.first.end() - 1);
  for (const Ends& e : ends)
    index.ends[fill[e.ori]++] = {e.ter, e.weight};
  std::vector<Ends>().swap(ends);
  std::vector<uint32_t>().swap(fill);
  common::onTwoThreads([&](bool second) {
    for (size_t i = second ? lines / 2 : 0; i < (second ? lines : lines / 2); ++i)
      std::sort(index.ends.begin() + index.first[i], index.ends.begin() + index.first[i + 1]);
  });
  linkedArcs = &index;
  struct Reset {
    ~Reset() { linkedArcs = nullptr; }
  } reset;
  // Each arc typed on the thread of its stretch, the gains of each stretch
  // apart; then their sums, and the messages of untyped arcs in order.
  std::vector<Gains> gains;
  if (st)
    gains.assign(2, Gains(lines));
  std::vector<const SQARC_item*> untyped[2];
  common::onTwoThreads([&](bool second) {
    stretch(second, [&](SQARC_item* a) {
      a->wlm_type = typeOf(a);
      if (st && indexable(a))
        gains[second].count(a);
      if (a->wlm_type == kUntyped)
        untyped[second].push_back(a);
    });
  });
  if (st) {
    for (size_t i = 0; i < lines; ++i) {
      gains[0].lineGain[i] += gains[1].lineGain[i];
      gains[0].equalityOut[i] |= gains[1].equalityOut[i];
    }
    st->lineGain = std::move(gains[0].lineGain);
    st->equalityOut = std::move(gains[0].equalityOut);
    st->typedArcs = gains[0].typed + gains[1].typed;
  }
  for (const std::vector<const SQARC_item*>& part : untyped)
    for (const SQARC_item* a : part) {
      common::outf("***********\n");
      common::outf("ERROR\n");
      common::outf("arc %i from line %i to line %i weight %i has no type\n", a->rank,
                   a->ori ? a->ori->number : 0, a->ter ? a->ter->number : 0, a->weight);
      common::outf("***********\n");
    }
}

namespace {

SQWLM_UNIT_item* newUnit(SQLINE_item* line)
{
  st->lineItems.push_back(SQWLM_LINE_LIST_item{line, nullptr});
  st->units.emplace_back();
  SQWLM_UNIT_item* u = &st->units.back();
  *u = SQWLM_UNIT_item{};
  u->line_list = &st->lineItems.back();
  u->lines = 1;
  line->wlm_unit = u;
  return u;
}

void unlinkUnit(SQWLM_UNIT_item* u)
{
  (u->prev ? u->prev->next : st->SQwlm_unit) = u->next;
  if (u->next)
    u->next->prev = u->prev;
  u->next = u->prev = nullptr;
}

/* pullEqualities -- the lone lines tied to `line` by equalities join `u`. */
void pullEqualities(SQWLM_UNIT_item* u, SQLINE_item* line)
{
  std::vector<SQLINE_item*> work{line};
  while (!work.empty()) {
    SQLINE_item* l = work.back();
    work.pop_back();
    const size_t k = squeeze::lineIndex(l);
    if (k >= st->equalityOut.size() || !st->equalityOut[k])
      continue;  // no equality leaves it
    const auto [first, count] = st->equalitiesOf[k];
    for (uint32_t e = first; e < first + count; ++e) {
      SQARC_item* a = st->equalities[e];
      SQWLM_UNIT_item* v = a->ter->wlm_unit;
      if (v == u || v->lines != 1)
        continue;
      SQWLM_LINE_LIST_item* item = v->line_list;
      item->next = u->line_list;
      u->line_list = item;
      ++u->lines;
      a->ter->wlm_unit = u;
      v->line_list = nullptr;
      v->lines = 0;
      unlinkUnit(v);
      work.push_back(a->ter);
    }
  }
}

}  // namespace

void SQwlm_init_unit(SQCELL_item* cells, int ncell)
{
  SQWLM_UNIT_item* tail = nullptr;
  st->listedArcs = 0;
  for (int i = 0; i < ncell; ++i)
    for (SQLINE_item* l : {cells[i].left, cells[i].right}) {
      if (!l)
        continue;
      st->listedArcs += l->no_ori;
      l->wlm_loc = l->min_loc;
      SQWLM_UNIT_item* u = newUnit(l);
      u->prev = tail;
      (tail ? tail->next : st->SQwlm_unit) = u;
      tail = u;
    }
  // The equality arcs of the lines that have any, their lists walked once,
  // the cells in two halves on two threads (a walk waits on every arc).
  st->equalitiesOf.assign(st->equalityOut.size(), {0, 0});
  std::vector<SQARC_item*> found[2];
  common::onTwoThreads([&](bool second) {
    std::vector<SQARC_item*>& out = found[second];
    for (int i = second ? ncell / 2 : 0; i < (second ? ncell : ncell / 2); ++i)
      for (SQLINE_item* l : {cells[i].left, cells[i].right}) {
        const size_t k = l ? squeeze::lineIndex(l) : 0;
        if (!l || k >= st->equalityOut.size() || !st->equalityOut[k])
          continue;
        const size_t before = out.size();
        for (SQARC_item* a = l->ori_next; a; a = a->ori_next)
          if (a->wlm_type == kEquality)
            out.push_back(a);
        st->equalitiesOf[k] = {static_cast<uint32_t>(before),
                               static_cast<uint32_t>(out.size() - before)};
      }
  });
  const uint32_t shift = static_cast<uint32_t>(found[0].size());
  for (int i = ncell / 2; i < ncell; ++i)
    for (SQLINE_item* l : {cells[i].left, cells[i].right}) {
      const size_t k = l ? squeeze::lineIndex(l) : 0;
      if (l && k < st->equalityOut.size() && st->equalityOut[k])
        st->equalitiesOf[k].first += shift;
    }
  st->equalities = std::move(found[0]);
  st->equalities.insert(st->equalities.end(), found[1].begin(), found[1].end());
  for (SQWLM_UNIT_item* u = st->SQwlm_unit; u; u = u->next)
    if (u->line_list && (u->line_list->line->wlm_unit == u || u->lines == 1))
      pullEqualities(u, u->line_list->line);
  st->equalities = {};
  st->equalitiesOf = {};
}

void SQwlm_init_unitweight()
{
  const bool counted = st->listedArcs == st->typedArcs;
  for (SQWLM_UNIT_item* u = st->SQwlm_unit; u; u = u->next) {
    int w = 0;
    for (SQWLM_LINE_LIST_item* it = u->line_list; it; it = it->next) {
      const size_t k = squeeze::lineIndex(it->line);
      if (counted) {
        w += k < st->lineGain.size() ? st->lineGain[k] : 0;
      } else {
        for (const SQARC_item* a = it->line->ori_next; a; a = a->ori_next) {
          if (a->wlm_type == kOwnWidth)
            w -= kCellGain;
          else if (a->wlm_type == kOtherLayerSide || a->wlm_type == kOtherLayerWidth ||
                   a->wlm_type == kSameLayerWidth)
            w -= kWireGain;
          else if (a->wlm_type == kOwnReverse)
            w += kCellGain;
        }
        for (const SQARC_item* a = it->line->ter_next; a; a = a->ter_next) {
          if (a->wlm_type == kOwnWidth)
            w += kCellGain;
          else if (a->wlm_type == kOtherLayerSide || a->wlm_type == kOtherLayerWidth ||
                   a->wlm_type == kSameLayerWidth)
            w += kWireGain;
          else if (a->wlm_type == kOwnReverse)
            w -= kCellGain;
        }
      }
      if (!u->right_most || it->line->wlm_loc >= u->right_most->line->wlm_loc)
        u->right_most = it;
      if (!u->left_most || it->line->wlm_loc <= u->left_most->line->wlm_loc)
        u->left_most = it;
    }
    u->weight = u->orig_weight = w;
    u->accum_weight = w;
  }
}

namespace {

// Where a line is now: its stored place plus its group's pending shift.
long at(const SQLINE_item* l)
{
  const SQWLM_GROUP_item* g = l->wlm_unit ? l->wlm_unit->group : nullptr;
  return l->wlm_loc + (g ? g->shift : 0);
}

long rightOf(const SQWLM_UNIT_item* u) { return at(u->right_most->line); }

}  // namespace

void SQwlm_push_unit_list(SQWLM_UNIT_item* u)
{
  // Before the first stacked unit lying strictly further right: after
  // every one at the same place.
  if (u->stacked)
    return;
  u->stacked = true;
  st->stackOrder.emplace(std::make_pair(rightOf(u), st->pushes++), u);
  st->SQwlm_unit_tos = st->stackOrder.begin()->second;
}

int SQwlm_init_stack()
{
  std::vector<SQWLM_UNIT_item*> order;
  for (SQWLM_UNIT_item* u = st->SQwlm_unit; u; u = u->next)
    order.push_back(u);
  if (order.size() < 2) {
    common::outf("ERROR: wlm_unit count is only %i (less than 2) -> sort is not possible\n",
                 static_cast<int>(order.size()));
    squeeze::stop(1);
  }
  // By the place of the rightmost line, as filed among equals (each place
  // read once, not at every comparison).
  std::vector<std::pair<long, size_t>> keys(order.size());
  for (size_t i = 0; i < order.size(); ++i)
    keys[i] = {rightOf(order[i]), i};
  std::sort(keys.begin(), keys.end());
  std::vector<SQWLM_UNIT_item*> sorted(order.size());
  for (size_t i = 0; i < keys.size(); ++i)
    sorted[i] = order[keys[i].second];
  order.swap(sorted);
  st->SQwlm_unit = order.front();
  for (size_t i = 0; i < order.size(); ++i) {
    SQWLM_UNIT_item* u = order[i];
    u->prev = i ? order[i - 1] : nullptr;
    u->next = i + 1 < order.size() ? order[i + 1] : nullptr;
    // Pushed in the order of the stack: each goes last (SQwlm_push_unit_list).
    u->stacked = true;
    st->stackOrder.emplace_hint(st->stackOrder.end(), std::make_pair(keys[i].first, st->pushes++),
                                u);
  }
  st->SQwlm_unit_tos = st->stackOrder.begin()->second;
  return 0;
}

namespace {

SQWLM_UNIT_LIST_item* unitItem(SQWLM_UNIT_item* u, SQWLM_UNIT_LIST_item* next)
{
  st->unitItems.push_back(SQWLM_UNIT_LIST_item{u, next});
  return &st->unitItems.back();
}

bool movable(const SQWLM_GROUP_item* g) { return g != &st->SQwlm_block_group; }

// Every arc that joins two lines bounds a move: an equality or an untyped
// arc left out of the search could be broken by the move past it.
bool searched(const SQARC_item* a) { return a->wlm_type != kFree && a->wlm_type != kSymmetry; }

/*
 * fileArcs -- the arcs out of `u` into other groups go on its group's heap.
 * Of parallel arcs (one line to another) only the one the heap would give
 * first is filed: they move and re-key together, and the others, of more
 * slack or of an earlier filing, could only come up after it with the
 * same two units and no less slack.
 */
// What a unit files, found without filing it: for each of its lines a
// mark (no arc), then the arcs out of the line into other groups with the
// keys they would be filed under; and the room of its wall.
struct Filing {
  SQARC_item* arc;  // null: the next line of the unit begins
  long key;
  uint32_t to;      // line index of the arc's end
};

long collectArcs(const SQWLM_GROUP_item* g, const SQWLM_UNIT_item* u, std::vector<Filing>* out)
{
  for (SQWLM_LINE_LIST_item* li = u->line_list; li; li = li->next) {
    const long from = at(li->line);
    out->push_back(Filing{nullptr, 0, 0});
    for (SQARC_item* a = li->line->ori_next; a; a = a->ori_next) {
      if (!searched(a))
        continue;
      const SQWLM_GROUP_item* tg = a->ter->wlm_unit->group;
      if (tg == g)
        continue;
      const long slack = a->ter->wlm_loc + tg->shift - from - a->weight;
      out->push_back(Filing{a, slack + g->shift, static_cast<uint32_t>(squeeze::lineIndex(a->ter))});
    }
  }
  // The wall: no line goes past its max_loc, where the layout would grow.
  long room = LONG_MAX;
  for (SQWLM_LINE_LIST_item* li = u->line_list; li; li = li->next)
    room = std::min(room, li->line->max_loc - at(li->line));
  return room;
}

/*
 * fileCollected -- the arcs collectArcs found for `u` ([from, to)) and its
 * wall go on the heap of its group `g`.
 */
void fileCollected(SQWLM_GROUP_item* g, const SQWLM_UNIT_item* u, const Filing* from,
                   const Filing* to, long room)
{
  ArcHeaps& heaps = st->heaps;
  uint64_t filing = 0;
  for (const Filing* f = from; f != to; ++f) {
    if (!f->arc) {
      filing = ++st->lineFilings;
      continue;
    }
    const SQWLM_ARC_ENTRY e{f->key, f->arc, st->filings++};
    const size_t t = f->to;
    if (t >= st->filedBy.size()) {
      st->filedBy.resize(t + 1, 0);
      st->filedNode.resize(t + 1, 0);
    }
    if (st->filedBy[t] == filing) {
      SQWLM_ARC_ENTRY& kept = heaps.loose(st->filedNode[t]);
      if (e.key <= kept.key)
        kept = e;  // less slack, or as much and filed later
      continue;
    }
    ++squeeze::stats().wlmFiled;
    st->filedBy[t] = filing;
    st->filedNode[t] = heaps.make(e);
    st->batch.push_back(st->filedNode[t]);
  }
  st->batch.push_back(heaps.make(
      SQWLM_ARC_ENTRY{room + g->shift, nullptr, st->filings++, const_cast<SQWLM_UNIT_item*>(u)}));
  g->arcs = heaps.meld(g->arcs, heaps.build(&st->batch));
}

void fileArcs(SQWLM_GROUP_item* g, const SQWLM_UNIT_item* u)
{
  static thread_local std::vector<Filing> found;
  found.clear();
  const long room = collectArcs(g, u, &found);
  fileCollected(g, u, found.data(), found.data() + found.size(), room);
}

/* settle -- the pending shift of u's lines goes into their wlm_loc. */
void settle(SQWLM_UNIT_item* u, long shift)
{
  for (SQWLM_LINE_LIST_item* li = u->line_list; li; li = li->next)
    li->line->wlm_loc += static_cast<int>(shift);
}

/* intoBlock -- `u` joins the group of units that cannot move. */
void intoBlock(SQWLM_UNIT_item* u)
{
  SQWLM_GROUP_item& b = st->SQwlm_block_group;
  b.unit_list = unitItem(u, b.unit_list);
  u->group = &b;
  if (!b.root || at(u->left_most->line) < at(b.root->unit->left_most->line))
    b.root = b.unit_list;
}

/* ownGroup -- a movable group of its own for `u`, in the first free slot. */
void ownGroup(SQWLM_UNIT_item* u)
{
  int slot;
  if (!st->freeSlots.empty()) {
    slot = st->freeSlots.back();
    st->freeSlots.pop_back();
  } else {
    slot = st->SQwlm_nonblock_group_count++;
  }
  SQWLM_GROUP_item& g = st->SQwlm_nonblock_group[slot];
  g.unit_list = g.root = g.tail = unitItem(u, nullptr);
  g.weight = u->weight;
  g.valid = 1;
  g.shift = 0;
  g.lines = u->lines;
  st->heaps.release(g.arcs);
  g.arcs = ArcHeaps::kNil;
  u->group = &g;
}

void emptyGroup(SQWLM_GROUP_item* g)
{
  g->weight = 0;
  g->valid = 0;
  g->root = g->unit_list = g->tail = nullptr;
  g->shift = 0;
  g->lines = 0;
  st->heaps.release(g->arcs);
  g->arcs = ArcHeaps::kNil;
  st->freeSlots.push_back(static_cast<int>(g - st->SQwlm_nonblock_group.data()));
}

}  // namespace

void SQwlm_init_group()
{
  size_t units = 0;
  for (SQWLM_UNIT_item* u = st->SQwlm_unit; u; u = u->next)
    ++units;
  st->SQwlm_nonblock_group.clear();
  st->SQwlm_nonblock_group.resize(units);
  st->SQwlm_block_group = SQWLM_GROUP_item{};
  st->SQwlm_block_group.weight = kBlockWeight;
  st->SQwlm_block_group.valid = 1;
  st->filedBy.assign(squeeze::store(resize_direction).lineCount, 0);
  st->filedNode.assign(squeeze::store(resize_direction).lineCount, 0);
  for (SQWLM_UNIT_item* u = st->SQwlm_unit; u; u = u->next) {
    const SQLINE_item* r = u->right_most->line;
    if (r->min_loc == r->max_loc)
      intoBlock(u);
    else
      ownGroup(u);
  }
  // What each movable unit files is found for a few thousand units at a
  // time on two threads (each arc waits on the line it leads to, its unit
  // and its group, and filing changes none of these), then filed in order.
  std::vector<SQWLM_UNIT_item*> movers;
  for (SQWLM_UNIT_item* u = st->SQwlm_unit; u; u = u->next)
    if (movable(u->group))
      movers.push_back(u);
  constexpr size_t kBatch = 4096;
  struct Found {
    std::vector<Filing> filings;
    std::vector<size_t> end;  // by unit of the half: end of its filings
    std::vector<long> room;
  } found[2];
  for (size_t begin = 0; begin < movers.size(); begin += kBatch) {
    const size_t stop = std::min(movers.size(), begin + kBatch), half = begin + (stop - begin) / 2;
    common::onTwoThreads([&](bool second) {
      Found& f = found[second];
      f.filings.clear();
      f.end.clear();
      f.room.clear();
      for (size_t i = second ? half : begin; i < (second ? stop : half); ++i) {
        f.room.push_back(collectArcs(movers[i]->group, movers[i], &f.filings));
        f.end.push_back(f.filings.size());
      }
    });
    for (int h = 0; h < 2; ++h) {
      const size_t first = h ? half : begin;
      size_t at = 0;
      for (size_t k = 0; k < found[h].end.size(); ++k) {
        SQWLM_UNIT_item* u = movers[first + k];
        fileCollected(u->group, u, found[h].filings.data() + at,
                      found[h].filings.data() + found[h].end[k], found[h].room[k]);
        at = found[h].end[k];
      }
    }
  }
}

/*
 * SQwlm_bestarc --
 *   The arc out of group `g` into another group with the least slack,
 *   from the group's heap: arcs that became inner arcs are dropped, arcs
 *   whose end moved since they were filed are filed again.
 * Returns: the arc; null with `wall` set when a unit of the group reaches
 *   its max_loc first; null after a message when there is nothing.
 */
SQARC_item* SQwlm_bestarc(SQWLM_GROUP_item* g, long* slack, SQWLM_UNIT_item** wall)
{
  ArcHeaps& heaps = st->heaps;
  *wall = nullptr;
  while (g->arcs != ArcHeaps::kNil) {
    const SQWLM_ARC_ENTRY& top = heaps.top(g->arcs);
    if (top.wall) {
      *slack = top.key - g->shift;  // the wall does not move
      *wall = top.wall;
      return nullptr;
    }
    SQARC_item* a = top.arc;
    if (a->ter->wlm_unit->group == g) {
      g->arcs = heaps.pop(g->arcs);
      continue;
    }
    const long now = at(a->ter) - at(a->ori) - a->weight;
    if (now > top.key - g->shift) {
      g->arcs = heaps.replaceTop(g->arcs, now + g->shift);
      continue;
    }
    *slack = now;
    return a;
  }
  common::outf("ERROR SQWLM: why can't we find best arc from group with line");
  for (SQWLM_UNIT_LIST_item* ui = g->unit_list; ui; ui = ui->next)
    for (SQWLM_LINE_LIST_item* li = ui->unit->line_list; li; li = li->next)
      common::outf(" %i", li->line->number);
  common::outf("\n");
  *slack = 0;
  return nullptr;
}

namespace {

/*
 * merge -- every unit of g joins the movable group of t.  The smaller of
 * the two groups is the one whose lines and arcs are walked: its lines take
 * the larger one's shift, its heap is re-keyed to that shift, and the
 * surviving record is the larger one's.
 */
void merge(SQWLM_GROUP_item* g, SQWLM_UNIT_item* o, SQWLM_UNIT_item* t)
{
  SQWLM_GROUP_item* tg = t->group;
  t->accum_weight += o->accum_weight;
  SQWLM_GROUP_item* big = g->lines > tg->lines ? g : tg;
  SQWLM_GROUP_item* small = big == g ? tg : g;
  for (SQWLM_UNIT_LIST_item* ui = small->unit_list; ui; ui = ui->next) {
    settle(ui->unit, small->shift - big->shift);
    ui->unit->group = big;
  }
  st->heaps.rekey(small->arcs, big->shift - small->shift);
  big->arcs = st->heaps.meld(big->arcs, small->arcs);
  small->arcs = ArcHeaps::kNil;
  // The units of small before those of big.
  small->tail->next = big->unit_list;
  big->unit_list = small->unit_list;
  big->weight += small->weight;
  big->lines += small->lines;
  big->root = small == tg ? small->root : big->root;
  emptyGroup(small);
  SQwlm_push_unit_list(big->root->unit);
}

/*
 * shear -- g ran into the block group through o: o and every unit of g that
 * presses on a marked unit through a tight arc cannot move any more; the
 * other units start groups of their own.
 */
void shear(SQWLM_GROUP_item* g, SQWLM_UNIT_item* o)
{
  ++squeeze::stats().wlmShears;
  for (SQWLM_UNIT_LIST_item* ui = g->unit_list; ui; ui = ui->next)
    ui->unit->merge = 0;
  std::vector<SQWLM_UNIT_item*> work{o};
  o->merge = 1;
  while (!work.empty()) {
    SQWLM_UNIT_item* m = work.back();
    work.pop_back();
    for (SQWLM_LINE_LIST_item* li = m->line_list; li; li = li->next)
      for (SQARC_item* a = li->line->ter_next; a; a = a->ter_next) {
        SQWLM_UNIT_item* v = a->ori->wlm_unit;
        if (v->merge || v->group != g || at(a->ter) - at(a->ori) != a->weight)
          continue;
        v->merge = 1;
        work.push_back(v);
      }
  }
  SQWLM_UNIT_LIST_item* list = g->unit_list;
  const long shift = g->shift;
  for (SQWLM_UNIT_LIST_item* ui = list; ui; ui = ui->next)
    settle(ui->unit, shift);
  g->shift = 0;
  emptyGroup(g);
  std::vector<SQWLM_UNIT_item*> movers;
  for (SQWLM_UNIT_LIST_item* ui = list; ui; ui = ui->next) {
    SQWLM_UNIT_item* u = ui->unit;
    if (u->merge) {
      intoBlock(u);
      continue;
    }
    ownGroup(u);
    movers.push_back(u);
  }
  for (SQWLM_UNIT_item* u : movers) {
    fileArcs(u->group, u);
    SQwlm_push_unit_list(u);
  }
}

/* holds -- every arc holds at wlm_loc and every line lies in its range. */
bool holds(SQCELL_item* cells, int ncell, SQARC_item* arcs)
{
  for (int i = 0; i < ncell; ++i)
    for (const SQLINE_item* l : {cells[i].left, cells[i].right})
      if (l && (l->wlm_loc < l->min_loc || l->wlm_loc > l->max_loc))
        return false;
  for (const SQARC_item* a = arcs; a; a = a->list_next)
    if (indexable(a) &&
        static_cast<long>(a->ter->wlm_loc) < static_cast<long>(a->ori->wlm_loc) + a->weight)
      return false;
  return true;
}

}  // namespace

void SQwlm_clear()
{
  delete st;
  st = nullptr;
}

int SQwirelengthminimization(SQCELL_item* cells, SQARC_item* arcs, int ncell, int /*narc*/)
{
  SQwlm_clear();
  st = new WlmState();
  struct Clear {
    ~Clear() { SQwlm_clear(); }
  } clear;
  SQwlm_init_arc(arcs);
  SQwlm_init_unit(cells, ncell);
  SQwlm_init_unitweight();
  SQwlm_init_stack();
  SQwlm_init_group();

  int mode = 4;
  long count = 0;
  const long limit = static_cast<long>(kIterationsPerCell) * ncell;
  for (;; ++count) {
    if (!st->SQwlm_unit_tos)
      break;
    if (count > limit) {
      common::outf("******************\n");
      common::outf("Wirelength Minimization doesn't return from recursive call after %i times\n",
                   static_cast<int>(count));
      common::outf("Will use the no_wlm (left) instead for %i direction\n", resize_direction);
      common::outf("******************\n");
      mode = 1;
      break;
    }
    SQWLM_UNIT_item* u = st->SQwlm_unit_tos;
    st->stackOrder.erase(st->stackOrder.begin());
    st->SQwlm_unit_tos = st->stackOrder.empty() ? nullptr : st->stackOrder.begin()->second;
    u->stack = nullptr;
    u->stacked = false;
    SQWLM_GROUP_item* g = u->group;
    if (!(g->weight < 0 && movable(g)))
      continue;
    long slack = 0;
    SQWLM_UNIT_item* wall = nullptr;
    SQARC_item* best = SQwlm_bestarc(g, &slack, &wall);
    if (!best && !wall)
      continue;  // nothing bounds it: it stays
    g->shift += slack;  // every line of g moves right
    ++squeeze::stats().wlmMoves;
    if (wall) {
      shear(g, wall);  // it reached its rightmost place
      continue;
    }
    SQWLM_UNIT_item* o = best->ori->wlm_unit;
    SQWLM_UNIT_item* t = best->ter->wlm_unit;
    if (movable(t->group))
      merge(g, o, t);
    else
      shear(g, o);
  }
  for (SQWLM_GROUP_item& g : st->SQwlm_nonblock_group)
    if (g.valid && g.shift) {
      for (SQWLM_UNIT_LIST_item* ui = g.unit_list; ui; ui = ui->next)
        settle(ui->unit, g.shift);
      g.shift = 0;
    }
  if (mode == 4 && !holds(cells, ncell, arcs)) {
    // An equality between two units or an untyped arc is not watched by the
    // moves: a result that breaks one is not used.
    common::outf("SQwirelength: WLM result breaks a constraint, the leftmost positions are "
                 "used for %i direction\n",
                 resize_direction);
    mode = 1;
  }
  if (mode == 4)
    common::outf("SQwirelength: WLM is done successfully in %i iterations.\n",
                 static_cast<int>(count));
  return mode;
}
