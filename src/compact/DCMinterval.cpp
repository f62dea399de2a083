// The interval set of the sweep: flat segment trees over the known y1 keys,
// with subtree maxima, and the corner-shade queries on them.
#include "DCMinterval.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdint>

namespace compact {

namespace {
constexpr long long kNoKey = LLONG_MAX;
}

/*
 * IntervalSet::Tree --
 *   One segment tree: node 1 is the root, node i has the children 2i and
 *   2i + 1, and leaf k is node width + k.  A leaf holds the entries of its
 *   key in a doubly linked list, oldest first; every node sums up the
 *   entries below it.  Without shades a node keeps the greatest y2 and the
 *   tags; with shades (a part) the least shade keys and the visible tags.
 */
struct IntervalSet::Tree {
  struct Entry {
    box_item* box;  // null: a free entry
    int32_t y2;
    uint32_t seq;
    uint32_t tags, visibleTags;
    int32_t leaf, prev, next;
  };
  struct Sum {
    int32_t maxY2;
    uint32_t tags, visibleTags;
    bool operator==(const Sum& o) const
    {
      return maxY2 == o.maxY2 && tags == o.tags && visibleTags == o.visibleTags;
    }
  };
  // 2x + top, 2x - top, 2x + bottom, 2x - bottom of the right edge.
  struct Cone {
    long long key[4];
  };
  struct Shade {
    long long least[4];
    uint32_t visibleTags;
    bool operator==(const Shade& o) const
    {
      return visibleTags == o.visibleTags && std::equal(least, least + 4, o.least);
    }
  };
  static constexpr Sum kEmptySum{INT32_MIN, 0, 0};
  static constexpr Shade kEmptyShade{{kNoKey, kNoKey, kNoKey, kNoKey}, 0};

  Tree(KeysPtr k, bool s) : keys(std::move(k)), shades(s) {}

  KeysPtr keys;
  bool shades;
  size_t width = 0;            // leaves, a power of two; 0 until the first box
  std::vector<Sum> sums;       // by node, without shades
  std::vector<Shade> shadeSums;  // by node, with shades
  std::vector<int32_t> head, tail;  // by leaf
  std::vector<Entry> entries;
  std::vector<Cone> cones;     // by entry, with shades
  std::vector<int32_t> free;
  size_t live = 0;

  void allocate();
  size_t leafOf(long y1) const;
  int add(box_item* box, uint32_t tags, uint32_t visibleTags, uint32_t seq);
  void remove(int n);
  void clear(bool ownsSlots);
  Sum sumOfLeaf(size_t leaf) const;
  Shade shadeOfLeaf(size_t leaf) const;
  void meetingIn(size_t last, long y1, uint32_t tags, std::vector<box_item*>* out) const;
  void shadeAt(size_t node, size_t lo, size_t hi, size_t first, size_t last, bool below,
               long long plus, long long minus, long y, uint32_t tags,
               std::vector<box_item*>* out) const;
};

constexpr IntervalSet::Tree::Sum IntervalSet::Tree::kEmptySum;
constexpr IntervalSet::Tree::Shade IntervalSet::Tree::kEmptyShade;

void IntervalSet::Tree::allocate()
{
  width = 1;
  while (width < keys->size())
    width <<= 1;
  if (shades)
    shadeSums.assign(2 * width, kEmptyShade);
  else
    sums.assign(2 * width, kEmptySum);
  head.assign(width, -1);
  tail.assign(width, -1);
}

/* leafOf -- the leaf of a y1 value; it must be one of the keys. */
size_t IntervalSet::Tree::leafOf(long y1) const
{
  const auto at = std::lower_bound(keys->begin(), keys->end(), y1);
  assert(at != keys->end() && *at == y1 && "a y1 outside the keys of the set");
  const size_t leaf = static_cast<size_t>(at - keys->begin());
  return leaf < width ? leaf : width - 1;
}

IntervalSet::Tree::Sum IntervalSet::Tree::sumOfLeaf(size_t leaf) const
{
  Sum sum = kEmptySum;
  for (int32_t n = head[leaf]; n >= 0; n = entries[n].next) {
    const Entry& e = entries[n];
    sum.maxY2 = std::max(sum.maxY2, e.y2);
    sum.tags |= e.tags;
    sum.visibleTags |= e.visibleTags;
  }
  return sum;
}

IntervalSet::Tree::Shade IntervalSet::Tree::shadeOfLeaf(size_t leaf) const
{
  Shade shade = kEmptyShade;
  for (int32_t n = head[leaf]; n >= 0; n = entries[n].next) {
    for (int k = 0; k < 4; ++k)
      shade.least[k] = std::min(shade.least[k], cones[n].key[k]);
    shade.visibleTags |= entries[n].visibleTags;
  }
  return shade;
}

int IntervalSet::Tree::add(box_item* box, uint32_t tags, uint32_t visibleTags, uint32_t seq)
{
  if (width == 0)
    allocate();
  int n;
  if (!free.empty()) {
    n = free.back();
    free.pop_back();
  } else {
    n = static_cast<int>(entries.size());
    entries.emplace_back();
    if (shades)
      cones.emplace_back();
  }
  const size_t leaf = leafOf(box->y1);
  Entry& e = entries[n];
  e = Entry{box, box->y2, seq, tags, visibleTags, static_cast<int32_t>(leaf), tail[leaf], -1};
  if (tail[leaf] >= 0)
    entries[tail[leaf]].next = n;
  else
    head[leaf] = n;
  tail[leaf] = n;
  ++live;

  // The new entry can only raise the sums on its way to the root; where one
  // stays as it was, so do those above it.
  if (shades) {
    long long* key = cones[n].key;
    if (const _edge* edge = box->right_edge) {
      const long long x2 = 2LL * edge->p1.x;
      key[0] = x2 + edge->p2.y;
      key[1] = x2 - edge->p2.y;
      key[2] = x2 + edge->p1.y;
      key[3] = x2 - edge->p1.y;
    } else {
      std::fill(key, key + 4, kNoKey);
    }
    for (size_t node = width + leaf; node; node >>= 1) {
      Shade& s = shadeSums[node];
      Shade raised = s;
      for (int k = 0; k < 4; ++k)
        raised.least[k] = std::min(raised.least[k], key[k]);
      raised.visibleTags |= visibleTags;
      if (raised == s)
        break;
      s = raised;
    }
  } else {
    for (size_t node = width + leaf; node; node >>= 1) {
      Sum& s = sums[node];
      const Sum raised{std::max(s.maxY2, e.y2), s.tags | tags, s.visibleTags | visibleTags};
      if (raised == s)
        break;
      s = raised;
    }
  }
  return n;
}

void IntervalSet::Tree::remove(int n)
{
  Entry& e = entries[n];
  const size_t leaf = static_cast<size_t>(e.leaf);
  (e.prev >= 0 ? entries[e.prev].next : head[leaf]) = e.next;
  (e.next >= 0 ? entries[e.next].prev : tail[leaf]) = e.prev;
  e.box = nullptr;
  free.push_back(n);
  --live;

  // The leaf's sum from its list, then each node from its children until
  // one comes out as it was.
  size_t node = width + leaf;
  if (shades) {
    shadeSums[node] = shadeOfLeaf(leaf);
    for (node >>= 1; node; node >>= 1) {
      const Shade& l = shadeSums[2 * node];
      const Shade& r = shadeSums[2 * node + 1];
      Shade s;
      for (int k = 0; k < 4; ++k)
        s.least[k] = std::min(l.least[k], r.least[k]);
      s.visibleTags = l.visibleTags | r.visibleTags;
      if (s == shadeSums[node])
        break;
      shadeSums[node] = s;
    }
  } else {
    sums[node] = sumOfLeaf(leaf);
    for (node >>= 1; node; node >>= 1) {
      const Sum& l = sums[2 * node];
      const Sum& r = sums[2 * node + 1];
      const Sum s{std::max(l.maxY2, r.maxY2), l.tags | r.tags, l.visibleTags | r.visibleTags};
      if (s == sums[node])
        break;
      sums[node] = s;
    }
  }
}

/*
 * Tree::clear --
 *   Empties the leaves of the entries held and the nodes above them: a walk
 *   up stops at a node an earlier walk emptied, so the cost is that of the
 *   entries, whatever the number of keys.
 */
void IntervalSet::Tree::clear(bool ownsSlots)
{
  for (const Entry& e : entries) {
    if (!e.box)
      continue;
    if (ownsSlots)
      e.box->tree_slot = -1;
    head[e.leaf] = tail[e.leaf] = -1;
    for (size_t node = width + e.leaf; node; node >>= 1) {
      if (shades) {
        if (shadeSums[node] == kEmptyShade)
          break;
        shadeSums[node] = kEmptyShade;
      } else {
        if (sums[node] == kEmptySum)
          break;
        sums[node] = kEmptySum;
      }
    }
  }
  entries.clear();
  cones.clear();
  free.clear();
  live = 0;
}

/*
 * Tree::meetingIn --
 *   The entries that meet [y1, y2] among the leaves up to `last` (the keys
 *   not above y2), left to right: a walk down from the root that leaves out
 *   the subtrees ending below y1 or without the tags.
 */
void IntervalSet::Tree::meetingIn(size_t last, long y1, uint32_t tags,
                                  std::vector<box_item*>* out) const
{
  struct Step {
    size_t node, lo, hi;
  };
  Step stack[2 * sizeof(size_t) * 8];  // the left child goes on top: depth + 1 at most
  int top = 0;
  stack[top++] = Step{1, 0, width - 1};
  while (top > 0) {
    const Step at = stack[--top];
    const Sum& s = sums[at.node];
    if (s.maxY2 < y1 || !(s.tags & tags))
      continue;
    if (at.node >= width) {
      for (int32_t n = head[at.lo]; n >= 0; n = entries[n].next) {
        const Entry& e = entries[n];
        if (e.y2 >= y1 && (e.tags & tags))
          out->push_back(e.box);
      }
      continue;
    }
    const size_t mid = at.lo + (at.hi - at.lo) / 2;
    if (mid < last)
      stack[top++] = Step{2 * at.node + 1, mid + 1, at.hi};
    stack[top++] = Step{2 * at.node, at.lo, mid};
  }
}

/*
 * Tree::shadeAt --
 *   The entries of the leaves first..last under `node` whose right edges
 *   see the corner (plus = 2x + y, minus = 2x - y): below, those wholly
 *   under y; above, all of them (the leaves are above y already).
 */
void IntervalSet::Tree::shadeAt(size_t node, size_t lo, size_t hi, size_t first, size_t last,
                                bool below, long long plus, long long minus, long y,
                                uint32_t tags, std::vector<box_item*>* out) const
{
  const int k = below ? 0 : 2;
  const Shade& s = shadeSums[node];
  if (s.least[k] >= plus || s.least[k + 1] >= minus || !(s.visibleTags & tags))
    return;
  if (node >= width) {
    for (int32_t n = head[lo]; n >= 0; n = entries[n].next) {
      const Entry& e = entries[n];
      const long long* key = cones[n].key;
      if ((!below || e.y2 < y) && key[k] < plus && key[k + 1] < minus &&
          (e.visibleTags & tags))
        out->push_back(e.box);
    }
    return;
  }
  const size_t mid = lo + (hi - lo) / 2;
  if (first <= mid)
    shadeAt(2 * node, lo, mid, first, last, below, plus, minus, y, tags, out);
  if (mid < last)
    shadeAt(2 * node + 1, mid + 1, hi, first, last, below, plus, minus, y, tags, out);
}

// ---------------------------------------------------------------------------

IntervalSet::IntervalSet(KeysPtr keys) : tree_(new Tree(std::move(keys), false)) {}

IntervalSet::IntervalSet(KeysPtr keys, std::vector<KeysPtr> partKeys) : tree_(new Tree(keys, false))
{
  partKeys.resize(kParts);
  for (int p = 0; p < kParts; ++p)
    parts_.push_back(std::unique_ptr<Tree>(new Tree(partKeys[p] ? partKeys[p] : keys, true)));
}

IntervalSet::~IntervalSet() = default;

size_t IntervalSet::size() const { return tree_->live; }

void IntervalSet::clear()
{
  tree_->clear(true);
  for (auto& part : parts_)
    part->clear(false);
  places_.clear();
  seq_ = 0;
}

void IntervalSet::insert(box_item* box, uint32_t tags, uint32_t visibleTags)
{
  assert(box->tree_slot < 0 && "a box sits in one interval set at a time");
  const uint32_t seq = seq_++;
  const int slot = tree_->add(box, tags, visibleTags, seq);
  box->tree_slot = slot;
  if (parts_.empty())
    return;
  if (places_.size() <= static_cast<size_t>(slot))
    places_.resize(static_cast<size_t>(slot) + 1);
  places_[slot] = PartPlace{-1, -1};
  if (visibleTags) {
    const bool single = (visibleTags & (visibleTags - 1)) == 0;
    const int part = single ? __builtin_ctz(visibleTags) : kParts - 1;
    places_[slot] = PartPlace{part, parts_[part]->add(box, tags, visibleTags, seq)};
  }
}

void IntervalSet::erase(box_item* box)
{
  const int n = box->tree_slot;
  assert(n >= 0 && static_cast<size_t>(n) < tree_->entries.size() &&
         tree_->entries[n].box == box && "erasing a box that is not in the set");
  if (!parts_.empty() && places_[n].part >= 0)
    parts_[places_[n].part]->remove(places_[n].slot);
  tree_->remove(n);
  box->tree_slot = -1;
}

void IntervalSet::meeting(long y1, long y2, std::vector<box_item*>* out, uint32_t tags) const
{
  const Tree& t = *tree_;
  if (t.live == 0)
    return;
  // The leaves whose key is not above y2.
  const size_t upTo = static_cast<size_t>(
      std::upper_bound(t.keys->begin(), t.keys->end(), y2) - t.keys->begin());
  if (upTo == 0)
    return;
  t.meetingIn(upTo - 1, y1, tags, out);
}

/*
 * shadeParts --
 *   The shade query on the parts of the tags; the boxes of several parts
 *   are put back into the order of the whole set.
 */
void IntervalSet::shadeParts(bool below, long x, long y, std::vector<box_item*>* out,
                             uint32_t tags) const
{
  assert(!parts_.empty() && "a set without shades");
  const size_t first = out->size();
  const long long plus = 2LL * x + y, minus = 2LL * x - y;
  int searched = 0;
  for (int p = 0; p < kParts; ++p) {
    const Tree& part = *parts_[p];
    if (part.live == 0 || (p < kParts - 1 && !(tags >> p & 1)))
      continue;
    // Below: the leaves whose key is not above y; above: those above it.
    const size_t split = static_cast<size_t>(
        std::upper_bound(part.keys->begin(), part.keys->end(), y) - part.keys->begin());
    const size_t from = below ? 0 : split;
    const size_t to = below ? split : part.keys->size();  // one past the last
    if (from >= to)
      continue;
    const size_t before = out->size();
    part.shadeAt(1, 0, part.width - 1, from, to - 1, below, plus, minus, y, tags, out);
    searched += out->size() > before;
  }
  if (searched > 1)
    std::sort(out->begin() + first, out->end(), [this](const box_item* a, const box_item* b) {
      return a->y1 < b->y1 ||
             (a->y1 == b->y1 && tree_->entries[a->tree_slot].seq < tree_->entries[b->tree_slot].seq);
    });
}

void IntervalSet::belowShade(long x, long y, std::vector<box_item*>* out, uint32_t tags) const
{
  shadeParts(true, x, y, out, tags);
}

void IntervalSet::aboveShade(long x, long y, std::vector<box_item*>* out, uint32_t tags) const
{
  shadeParts(false, x, y, out, tags);
}

}  // namespace compact
