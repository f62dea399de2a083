// The interval set of the sweep: flat segment trees over the known y1 keys,
// with subtree maxima, and the corner-shade queries on them.
#include "DCMinterval.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdint>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace compact {

namespace {
constexpr long long kNoKey = LLONG_MAX;

/* slotOf -- the first slot to try for a key in a table of mask + 1 slots. */
size_t slotOf(int32_t key, size_t mask)
{
  return static_cast<size_t>((static_cast<uint64_t>(static_cast<uint32_t>(key)) *
                              0x9E3779B97F4A7C15ull) >> 32) & mask;
}
}  // namespace

/*
 * IntervalSet::Tree --
 *   One segment tree of fan-out 16: level 0 is the root, the last level the
 *   leaves (one per key), and node i of a level has the nodes 16i..16i+15 of
 *   the next level as children, so that a walk down reads a node's children
 *   side by side and a tree of a million keys is six levels deep.  A leaf
 *   holds the entries of its key in a doubly linked list, oldest first;
 *   every node sums up the entries below it.  Without shades a node keeps
 *   the greatest y2 and the tags; with shades (a part) the least shade keys
 *   and the visible tags.  The sums are kept field by field in arrays of all
 *   nodes, level after level.
 */
struct IntervalSet::Tree {
  static constexpr unsigned kFanBits = 4;  // 16 children: `reaching` reads them at once
  static constexpr size_t kFan = size_t{1} << kFanBits;

  struct Entry {
    box_item* box;  // null: a free entry
    int32_t y2;
    uint32_t seq;
    uint32_t tags, visibleTags;
    int32_t leaf, prev, next;
  };
  // 2x + top, 2x - top, 2x + bottom, 2x - bottom of the right edge.
  struct Cone {
    long long key[4];
  };

  Tree(KeysPtr k, bool s) : keys(std::move(k)), shades(s) {}

  KeysPtr keys;
  bool shades;
  int depth = 0;                // levels; 0 until the first box
  std::vector<size_t> start;    // by level: the place of its node 0 in the arrays below
  // Without shades, by node:
  std::vector<int32_t> maxY2;
  std::vector<uint32_t> tagsOf;
  // With shades, by node: least keys (as in Cone) and the visible tags.
  std::vector<long long> least[4];
  std::vector<uint32_t> visibleOf;
  std::vector<int32_t> head, tail;  // by leaf
  // Where each key is in `keys`: open addressing, index -1 for a free slot
  // (queries and insertions name keys far more often than not).
  struct Place {
    int32_t key, index;
  };
  std::vector<Place> places;
  std::vector<Entry> entries;
  std::vector<Cone> cones;     // by entry, with shades
  std::vector<int32_t> free;
  size_t live = 0;

  int leafLevel() const { return depth - 1; }
  // The node of `level` above leaf `leaf`.
  size_t nodeAbove(size_t leaf, int level) const
  {
    return start[level] + (leaf >> (kFanBits * (leafLevel() - level)));
  }

  void allocate();
  long indexOf(long y) const;
  size_t leafOf(long y1) const;
  size_t keysUpTo(long y) const;
  int add(box_item* box, uint32_t tags, uint32_t visibleTags, uint32_t seq);
  void remove(int n);
  void clear(bool ownsSlots);
  bool emptyNode(size_t node) const
  {
    return shades ? visibleOf[node] == 0 && least[0][node] == kNoKey : tagsOf[node] == 0 &&
                                                                           maxY2[node] == INT32_MIN;
  }
  void emptyOut(size_t node);
  bool sumLeaf(size_t leaf);
  bool sumNode(int level, size_t index, int n);
  void meetingIn(int level, size_t index, size_t last, int32_t y1, uint32_t tags,
                 std::vector<box_item*>* out) const;
  void shadeAt(int level, size_t index, size_t first, size_t last, bool below,
               long long plus, long long minus, long y, uint32_t tags,
               std::vector<box_item*>* out) const;
};

/*
 * Tree::allocate --
 *   The levels for the keys: each one has room for 16 children of every
 *   node of the level above, the leaves at least one per key.
 */
void IntervalSet::Tree::allocate()
{
  std::vector<size_t> counts{std::max<size_t>(keys->size(), 1)};  // nodes of each level, leaves first
  while (counts.back() > 1)
    counts.push_back((counts.back() + kFan - 1) / kFan);
  if (counts.size() == 1)
    counts.push_back(1);  // a root above the one leaf
  depth = static_cast<int>(counts.size());
  std::reverse(counts.begin(), counts.end());
  start.assign(depth, 0);
  size_t nodes = 1;
  for (int level = 1; level < depth; ++level) {
    start[level] = nodes;
    nodes += counts[level - 1] * kFan;
  }
  if (shades) {
    for (auto& keysOfNodes : least)
      keysOfNodes.assign(nodes, kNoKey);
    visibleOf.assign(nodes, 0);
  } else {
    maxY2.assign(nodes, INT32_MIN);
    tagsOf.assign(nodes, 0);
  }
  const size_t leaves = nodes - start[leafLevel()];
  head.assign(leaves, -1);
  tail.assign(leaves, -1);

  size_t slots = 16;
  while (slots < 2 * keys->size())
    slots <<= 1;
  places.assign(slots, Place{0, -1});
  for (size_t k = 0; k < keys->size(); ++k) {
    size_t i = slotOf((*keys)[k], slots - 1);
    while (places[i].index >= 0)
      i = (i + 1) & (slots - 1);
    places[i] = Place{(*keys)[k], static_cast<int32_t>(k)};
  }
}

/* indexOf -- the index of y among the keys, or -1. */
long IntervalSet::Tree::indexOf(long y) const
{
  if (y < INT32_MIN || y > INT32_MAX)
    return -1;
  const size_t mask = places.size() - 1;
  for (size_t i = slotOf(static_cast<int32_t>(y), mask);; i = (i + 1) & mask) {
    if (places[i].index < 0)
      return -1;
    if (places[i].key == y)
      return places[i].index;
  }
}

/* leafOf -- the leaf of a y1 value; it must be one of the keys. */
size_t IntervalSet::Tree::leafOf(long y1) const
{
  const long index = indexOf(y1);
  assert(index >= 0 && "a y1 outside the keys of the set");
  if (index >= 0)
    return static_cast<size_t>(index);
  const size_t at = static_cast<size_t>(std::lower_bound(keys->begin(), keys->end(), y1) - keys->begin());
  return std::min(at, std::max<size_t>(keys->size(), 1) - 1);
}

/* keysUpTo -- how many keys are not above y. */
size_t IntervalSet::Tree::keysUpTo(long y) const
{
  const long index = indexOf(y);
  if (index >= 0)
    return static_cast<size_t>(index) + 1;
  return static_cast<size_t>(std::upper_bound(keys->begin(), keys->end(), y) - keys->begin());
}

void IntervalSet::Tree::emptyOut(size_t node)
{
  if (shades) {
    for (auto& keysOfNodes : least)
      keysOfNodes[node] = kNoKey;
    visibleOf[node] = 0;
  } else {
    maxY2[node] = INT32_MIN;
    tagsOf[node] = 0;
  }
}

/* sumLeaf -- the sum of a leaf from its list; whether it changed. */
bool IntervalSet::Tree::sumLeaf(size_t leaf)
{
  const size_t node = start[leafLevel()] + leaf;
  if (shades) {
    long long low[4] = {kNoKey, kNoKey, kNoKey, kNoKey};
    uint32_t visible = 0;
    for (int32_t n = head[leaf]; n >= 0; n = entries[n].next) {
      for (int k = 0; k < 4; ++k)
        low[k] = std::min(low[k], cones[n].key[k]);
      visible |= entries[n].visibleTags;
    }
    bool same = visibleOf[node] == visible;
    for (int k = 0; k < 4; ++k) {
      same = same && least[k][node] == low[k];
      least[k][node] = low[k];
    }
    visibleOf[node] = visible;
    return !same;
  }
  int32_t high = INT32_MIN;
  uint32_t tags = 0;
  for (int32_t n = head[leaf]; n >= 0; n = entries[n].next) {
    high = std::max(high, entries[n].y2);
    tags |= entries[n].tags;
  }
  const bool same = maxY2[node] == high && tagsOf[node] == tags;
  maxY2[node] = high;
  tagsOf[node] = tags;
  return !same;
}

/*
 * sumNode --
 *   The sum of node `index` of a level from its children after entry n
 *   left the leaf below; whether it changed.
 */
bool IntervalSet::Tree::sumNode(int level, size_t index, int n)
{
  // Entry n has left: a field whose value at the node is not the entry's
  // own came from another entry and stays; the others are summed again.
  const Entry& gone = entries[n];
  const size_t node = start[level] + index;
  const size_t first = start[level + 1] + index * kFan;
  bool same = true;
  if (shades) {
    for (int k = 0; k < 4; ++k) {
      std::vector<long long>& keysOfNodes = least[k];
      if (cones[n].key[k] != keysOfNodes[node])
        continue;
      long long low = kNoKey;
      for (size_t c = first; c < first + kFan; ++c)
        low = std::min(low, keysOfNodes[c]);
      same = same && keysOfNodes[node] == low;
      keysOfNodes[node] = low;
    }
    if (gone.visibleTags) {
      uint32_t visible = 0;
      for (size_t c = first; c < first + kFan; ++c)
        visible |= visibleOf[c];
      same = same && visibleOf[node] == visible;
      visibleOf[node] = visible;
    }
    return !same;
  }
  if (gone.y2 == maxY2[node]) {
    int32_t high = INT32_MIN;
    for (size_t c = first; c < first + kFan; ++c)
      high = std::max(high, maxY2[c]);
    same = maxY2[node] == high;
    maxY2[node] = high;
  }
  if (gone.tags) {
    uint32_t tags = 0;
    for (size_t c = first; c < first + kFan; ++c)
      tags |= tagsOf[c];
    same = same && tagsOf[node] == tags;
    tagsOf[node] = tags;
  }
  return !same;
}

int IntervalSet::Tree::add(box_item* box, uint32_t tags, uint32_t visibleTags, uint32_t seq)
{
  if (depth == 0)
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
    for (int level = leafLevel(); level >= 0; --level) {
      const size_t node = nodeAbove(leaf, level);
      bool raised = (visibleOf[node] | visibleTags) != visibleOf[node];
      visibleOf[node] |= visibleTags;
      for (int k = 0; k < 4; ++k)
        if (key[k] < least[k][node]) {
          least[k][node] = key[k];
          raised = true;
        }
      if (!raised)
        break;
    }
  } else {
    for (int level = leafLevel(); level >= 0; --level) {
      const size_t node = nodeAbove(leaf, level);
      if (maxY2[node] >= e.y2 && (tagsOf[node] | tags) == tagsOf[node])
        break;
      maxY2[node] = std::max(maxY2[node], e.y2);
      tagsOf[node] |= tags;
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
  if (!sumLeaf(leaf))
    return;
  for (int level = leafLevel() - 1; level >= 0; --level)
    if (!sumNode(level, leaf >> (kFanBits * (leafLevel() - level)), n))
      break;
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
    for (int level = leafLevel(); level >= 0; --level) {
      const size_t node = nodeAbove(static_cast<size_t>(e.leaf), level);
      if (emptyNode(node))
        break;
      emptyOut(node);
    }
  }
  entries.clear();
  cones.clear();
  free.clear();
  live = 0;
}

/*
 * reaching --
 *   Bit c for each of the 16 children whose greatest y2 is not below y1 and
 *   whose tags share a bit with `tags`.
 */
namespace {
uint32_t reaching(const int32_t* high, const uint32_t* tagged, int32_t y1, uint32_t tags)
{
#ifdef __SSE2__
  const __m128i least = _mm_set1_epi32(y1), asked = _mm_set1_epi32(static_cast<int32_t>(tags));
  const __m128i zero = _mm_setzero_si128();
  uint32_t chosen = 0;
  for (int c = 0; c < 16; c += 4) {
    const __m128i h = _mm_loadu_si128(reinterpret_cast<const __m128i*>(high + c));
    const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tagged + c));
    const __m128i out = _mm_or_si128(_mm_cmpgt_epi32(least, h),
                                     _mm_cmpeq_epi32(_mm_and_si128(t, asked), zero));
    chosen |= static_cast<uint32_t>(~_mm_movemask_ps(_mm_castsi128_ps(out)) & 0xF) << c;
  }
  return chosen;
#else
  uint32_t chosen = 0;
  for (int c = 0; c < 16; ++c)
    chosen |= static_cast<uint32_t>((high[c] >= y1) & ((tagged[c] & tags) != 0)) << c;
  return chosen;
#endif
}
}  // namespace

/*
 * Tree::meetingIn --
 *   The entries that meet [y1, y2] under node `index` of `level`, among the
 *   leaves up to `last` (the keys not above y2), left to right: the children
 *   ending below y1 or without the tags are left out.
 */
void IntervalSet::Tree::meetingIn(int level, size_t index, size_t last, int32_t y1,
                                  uint32_t tags, std::vector<box_item*>* out) const
{
  const int below = level + 1;
  const size_t lastChild = last >> (kFanBits * (leafLevel() - below));
  const size_t firstChild = index * kFan;
  const size_t count = std::min(kFan, lastChild - firstChild + 1);
  const size_t base = start[below] + firstChild;
  const int32_t* high = &maxY2[base];
  const uint32_t* tagged = &tagsOf[base];
  uint32_t chosen = reaching(high, tagged, y1, tags) & ((uint32_t{1} << count) - 1);
  for (; chosen; chosen &= chosen - 1) {
    const size_t child = firstChild + __builtin_ctz(chosen);
    if (below < leafLevel()) {
      meetingIn(below, child, last, y1, tags, out);
      continue;
    }
    for (int32_t n = head[child]; n >= 0; n = entries[n].next) {
      const Entry& e = entries[n];
      if (e.y2 >= y1 && (e.tags & tags))
        out->push_back(e.box);
    }
  }
}

/*
 * Tree::shadeAt --
 *   The entries under node `index` of `level`, among the leaves first..last,
 *   whose right edges see the corner (plus = 2x + y, minus = 2x - y): below,
 *   those wholly under y; above, all of them (the leaves are above y
 *   already).
 */
void IntervalSet::Tree::shadeAt(int level, size_t index, size_t first, size_t last, bool below,
                                long long plus, long long minus, long y, uint32_t tags,
                                std::vector<box_item*>* out) const
{
  const int k = below ? 0 : 2;
  const int under = level + 1;
  const unsigned shift = kFanBits * (leafLevel() - under);
  const size_t firstChild = index * kFan;
  const size_t from = std::max(first >> shift, firstChild) - firstChild;
  const size_t to = std::min(last >> shift, firstChild + kFan - 1) - firstChild;  // inclusive
  const size_t base = start[under] + firstChild;
  const long long* lowPlus = &least[k][base];
  const long long* lowMinus = &least[k + 1][base];
  const uint32_t* visible = &visibleOf[base];
  uint32_t chosen = 0;
  for (size_t c = 0; c < kFan; ++c)
    chosen |= static_cast<uint32_t>(lowPlus[c] < plus && lowMinus[c] < minus &&
                                    (visible[c] & tags) != 0)
              << c;
  chosen &= ((uint32_t{2} << to) - 1) & ~((uint32_t{1} << from) - 1);
  for (; chosen; chosen &= chosen - 1) {
    const size_t child = firstChild + __builtin_ctz(chosen);
    if (under < leafLevel()) {
      shadeAt(under, child, first, last, below, plus, minus, y, tags, out);
      continue;
    }
    for (int32_t n = head[child]; n >= 0; n = entries[n].next) {
      const Entry& e = entries[n];
      const long long* key = cones[n].key;
      if ((!below || e.y2 < y) && key[k] < plus && key[k + 1] < minus &&
          (e.visibleTags & tags))
        out->push_back(e.box);
    }
  }
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
  liveParts_ = 0;
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
    liveParts_ |= uint64_t{1} << part;
  }
}

void IntervalSet::erase(box_item* box)
{
  const int n = box->tree_slot;
  assert(n >= 0 && static_cast<size_t>(n) < tree_->entries.size() &&
         tree_->entries[n].box == box && "erasing a box that is not in the set");
  if (!parts_.empty() && places_[n].part >= 0) {
    Tree& part = *parts_[places_[n].part];
    part.remove(places_[n].slot);
    if (part.live == 0)
      liveParts_ &= ~(uint64_t{1} << places_[n].part);
  }
  tree_->remove(n);
  box->tree_slot = -1;
}

void IntervalSet::meeting(long y1, long y2, std::vector<box_item*>* out, uint32_t tags) const
{
  const Tree& t = *tree_;
  if (t.live == 0)
    return;
  // The leaves whose key is not above y2.
  const size_t upTo = t.keysUpTo(y2);
  if (upTo == 0 || y1 > INT32_MAX)
    return;
  t.meetingIn(0, 0, upTo - 1, static_cast<int32_t>(std::max<long>(y1, INT32_MIN)), tags, out);
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
  const int k = below ? 0 : 2;
  // The parts holding boxes, of the tags and the part of several tags.
  for (uint64_t left = liveParts_ & (tags | uint64_t{1} << (kParts - 1)); left; left &= left - 1) {
    const Tree& part = *parts_[__builtin_ctzll(left)];
    if (part.least[k][0] >= plus || part.least[k + 1][0] >= minus || !(part.visibleOf[0] & tags))
      continue;  // nothing under the root sees the corner
    // Below: the leaves whose key is not above y; above: those above it.
    const size_t split = part.keysUpTo(y);
    const size_t from = below ? 0 : split;
    const size_t to = below ? split : part.keys->size();  // one past the last
    if (from >= to)
      continue;
    const size_t before = out->size();
    part.shadeAt(0, 0, from, to - 1, below, plus, minus, y, tags, out);
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
