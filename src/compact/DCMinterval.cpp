// The interval set of the sweep: a treap of y intervals with subtree
// maxima, and the corner-shade queries on it.
#include "DCMinterval.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdint>

namespace compact {

namespace {
constexpr long long kNoKey = LLONG_MAX;
}

IntervalSet::IntervalSet(bool shades) : IntervalSet(shades ? Mode::Parted : Mode::Plain) {}

IntervalSet::IntervalSet(Mode mode) : mode_(mode), shades_(mode == Mode::Part)
{
  if (mode == Mode::Parted)
    for (int p = 0; p < kParts; ++p)
      parts_.push_back(std::unique_ptr<IntervalSet>(new IntervalSet(Mode::Part)));
}

void IntervalSet::clear()
{
  for (Node& n : nodes_)
    if (n.box)
      n.box->tree_slot = -1;
  nodes_.clear();
  keys_.clear();
  places_.clear();
  free_.clear();
  root_ = -1;
  size_ = 0;
  seq_ = 0;
  for (auto& part : parts_)
    part->clear();
}

int IntervalSet::newNode(box_item* box, uint32_t tags, uint32_t visibleTags, uint32_t seq)
{
  int n;
  if (!free_.empty()) {
    n = free_.back();
    free_.pop_back();
  } else {
    n = static_cast<int>(nodes_.size());
    nodes_.emplace_back();
    if (shades_)
      keys_.emplace_back();
    if (mode_ == Mode::Parted)
      places_.push_back(PartPlace{-1, -1});
  }
  Node& node = nodes_[n];
  node.y1 = box->y1;
  node.y2 = box->y2;
  node.seq = seq;
  random_ ^= random_ << 13;  // xorshift: a fixed sequence, so runs repeat
  random_ ^= random_ >> 17;
  random_ ^= random_ << 5;
  node.priority = random_;
  node.left = node.right = -1;
  node.box = box;
  node.tags = tags;
  node.visibleTags = visibleTags;
  if (mode_ == Mode::Parted)
    places_[n] = PartPlace{-1, -1};
  if (shades_) {
    long long* key = keys_[n].key;
    if (const _edge* e = box->right_edge) {
      long long x2 = 2LL * e->p1.x;
      key[0] = x2 + e->p2.y;
      key[1] = x2 - e->p2.y;
      key[2] = x2 + e->p1.y;
      key[3] = x2 - e->p1.y;
    } else {
      std::fill(key, key + 4, kNoKey);
    }
  }
  update(n);
  return n;
}

/* sumOf -- the values of the subtree under n (none when n < 0). */
IntervalSet::Node::Sum IntervalSet::sumOf(int n) const
{
  if (n < 0)
    return Node::Sum{INT32_MIN, 0, 0};
  const Node& node = nodes_[n];
  return Node::Sum{std::max({node.y2, node.below[0].maxY2, node.below[1].maxY2}),
                   node.tags | node.below[0].tags | node.below[1].tags,
                   node.visibleTags | node.below[0].visibleTags | node.below[1].visibleTags};
}

/* updateSide -- recomputes what n keeps of one of its subtrees. */
void IntervalSet::updateSide(int n, int side)
{
  Node& node = nodes_[n];
  node.below[side] = sumOf(side ? node.right : node.left);
  if (!shades_)
    return;
  Keys& keys = keys_[n];
  std::copy(keys.key, keys.key + 4, keys.least);
  for (int c : {node.left, node.right}) {
    if (c < 0)
      continue;
    const Keys& child = keys_[c];
    for (int k = 0; k < 4; ++k)
      keys.least[k] = std::min(keys.least[k], child.least[k]);
  }
}

/* update -- recomputes the subtree values of node n from its children. */
void IntervalSet::update(int n)
{
  nodes_[n].below[0] = sumOf(nodes_[n].left);
  updateSide(n, 1);
}

/* absorb -- adds a node newly placed in one subtree of n to what n keeps of it. */
void IntervalSet::absorb(int n, int side, int fresh)
{
  const Node::Sum f = sumOf(fresh);
  Node::Sum& sum = nodes_[n].below[side];
  sum.maxY2 = std::max(sum.maxY2, f.maxY2);
  sum.tags |= f.tags;
  sum.visibleTags |= f.visibleTags;
  if (shades_)
    for (int k = 0; k < 4; ++k)
      keys_[n].least[k] = std::min(keys_[n].least[k], keys_[fresh].least[k]);
}

bool IntervalSet::before(long y1, uint32_t seq, const Node& n) const
{
  return y1 < n.y1 || (y1 == n.y1 && seq < n.seq);
}

int IntervalSet::insertAt(int n, int fresh)
{
  if (n < 0)
    return fresh;
  const Node& f = nodes_[fresh];
  const bool left = before(f.y1, f.seq, nodes_[n]);
  if (left) {
    int l = insertAt(nodes_[n].left, fresh);
    nodes_[n].left = l;
    if (nodes_[l].priority > nodes_[n].priority) {  // rotate right
      nodes_[n].left = nodes_[l].right;
      nodes_[l].right = n;
      update(n);
      update(l);
      return l;
    }
  } else {
    int r = insertAt(nodes_[n].right, fresh);
    nodes_[n].right = r;
    if (nodes_[r].priority > nodes_[n].priority) {  // rotate left
      nodes_[n].right = nodes_[r].left;
      nodes_[r].left = n;
      update(n);
      update(r);
      return r;
    }
  }
  absorb(n, left ? 0 : 1, fresh);  // that subtree gained the fresh node only
  return n;
}

int IntervalSet::insertNode(box_item* box, uint32_t tags, uint32_t visibleTags, uint32_t seq)
{
  int fresh = newNode(box, tags, visibleTags, seq);
  root_ = insertAt(root_, fresh);
  ++size_;
  return fresh;
}

void IntervalSet::insert(box_item* box, uint32_t tags, uint32_t visibleTags)
{
  assert(box->tree_slot < 0 && "a box sits in one interval set at a time");
  const uint32_t seq = seq_++;
  int fresh = insertNode(box, tags, visibleTags, seq);
  box->tree_slot = fresh;
  if (mode_ == Mode::Parted && visibleTags) {
    const bool single = (visibleTags & (visibleTags - 1)) == 0;
    const int part = single ? __builtin_ctz(visibleTags) : kParts - 1;
    int slot = parts_[part]->insertNode(box, tags, visibleTags, seq);
    places_[fresh] = PartPlace{part, slot};
  }
}

int IntervalSet::eraseAt(int n, long y1, uint32_t seq)
{
  assert(n >= 0 && "erasing a box that is not in the set");
  Node& node = nodes_[n];
  if (node.seq == seq) {
    if (node.left < 0 || node.right < 0)
      return node.left < 0 ? node.right : node.left;
    // Rotate the child of higher priority up and go on below it.
    int up;
    if (nodes_[node.left].priority > nodes_[node.right].priority) {
      up = node.left;
      node.left = nodes_[up].right;
      nodes_[up].right = eraseAt(n, y1, seq);
      updateSide(up, 1);  // its left subtree stays as it was
    } else {
      up = node.right;
      node.right = nodes_[up].left;
      nodes_[up].left = eraseAt(n, y1, seq);
      updateSide(up, 0);
    }
    return up;
  }
  if (before(y1, seq, node)) {
    node.left = eraseAt(node.left, y1, seq);
    updateSide(n, 0);
  } else {
    node.right = eraseAt(node.right, y1, seq);
    updateSide(n, 1);
  }
  return n;
}

void IntervalSet::eraseNode(int n)
{
  root_ = eraseAt(root_, nodes_[n].y1, nodes_[n].seq);
  nodes_[n].box = nullptr;
  free_.push_back(n);
  --size_;
}

void IntervalSet::erase(box_item* box)
{
  int n = box->tree_slot;
  assert(n >= 0 && nodes_[n].box == box && "erasing a box that is not in the set");
  if (mode_ == Mode::Parted && places_[n].part >= 0)
    parts_[places_[n].part]->eraseNode(places_[n].slot);
  eraseNode(n);
  box->tree_slot = -1;
}

void IntervalSet::meetingAt(int n, long y1, long y2, uint32_t tags,
                            std::vector<box_item*>* out) const
{
  const Node& node = nodes_[n];
  if (node.left >= 0 && node.below[0].maxY2 >= y1 && (node.below[0].tags & tags))
    meetingAt(node.left, y1, y2, tags, out);
  if (node.y1 > y2)
    return;  // this node and everything right of it start above the query
  if (node.y2 >= y1 && (node.tags & tags))
    out->push_back(node.box);
  if (node.right >= 0 && node.below[1].maxY2 >= y1 && (node.below[1].tags & tags))
    meetingAt(node.right, y1, y2, tags, out);
}

void IntervalSet::meeting(long y1, long y2, std::vector<box_item*>* out, uint32_t tags) const
{
  const Node::Sum all = sumOf(root_);
  if (root_ >= 0 && all.maxY2 >= y1 && (all.tags & tags))
    meetingAt(root_, y1, y2, tags, out);
}

void IntervalSet::shadeAt(int n, bool below, long x, long y, uint32_t tags,
                          std::vector<box_item*>* out) const
{
  if (n < 0)
    return;
  const Node& node = nodes_[n];
  const int k = below ? 0 : 2;
  const long long plus = 2LL * x + y, minus = 2LL * x - y;
  const Keys& keys = keys_[n];
  if (keys.least[k] >= plus || keys.least[k + 1] >= minus ||
      !((node.visibleTags | node.below[0].visibleTags | node.below[1].visibleTags) & tags))
    return;
  const bool inCone = keys.key[k] < plus && keys.key[k + 1] < minus &&
                      (node.visibleTags & tags);
  if (below) {
    shadeAt(node.left, below, x, y, tags, out);
    if (node.y1 > y)
      return;  // the rest starts above y
    if (node.y2 < y && inCone)
      out->push_back(node.box);
    shadeAt(node.right, below, x, y, tags, out);
    return;
  }
  if (node.y1 > y) {
    shadeAt(node.left, below, x, y, tags, out);
    if (inCone)
      out->push_back(node.box);
  }
  shadeAt(node.right, below, x, y, tags, out);
}

/*
 * shadeParts --
 *   The shade query on the parts of the tags; the boxes of several parts
 *   are put back into the order of the whole set.
 */
void IntervalSet::shadeParts(bool below, long x, long y, std::vector<box_item*>* out,
                             uint32_t tags) const
{
  assert(mode_ == Mode::Parted && "a set without shades");
  const size_t first = out->size();
  int searched = 0;
  for (int p = 0; p < kParts; ++p) {
    const IntervalSet& part = *parts_[p];
    if (part.root_ < 0 || (p < kParts - 1 && !(tags >> p & 1)))
      continue;
    const size_t before = out->size();
    part.shadeAt(part.root_, below, x, y, tags, out);
    searched += out->size() > before;
  }
  if (searched > 1)
    std::sort(out->begin() + first, out->end(), [this](const box_item* a, const box_item* b) {
      const Node& na = nodes_[a->tree_slot];
      const Node& nb = nodes_[b->tree_slot];
      return na.y1 < nb.y1 || (na.y1 == nb.y1 && na.seq < nb.seq);
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
