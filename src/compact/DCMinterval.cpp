// The interval set of the sweep: a treap of y intervals with subtree
// maxima, and the corner-shade queries on it.
#include "DCMinterval.h"

#include <algorithm>
#include <cassert>
#include <climits>

namespace compact {

namespace {
constexpr long long kNoKey = LLONG_MAX;
}

IntervalSet::IntervalSet(bool shades) : shades_(shades) {}

void IntervalSet::clear()
{
  for (Node& n : nodes_)
    if (n.box)
      n.box->tree_slot = -1;
  nodes_.clear();
  free_.clear();
  root_ = -1;
  size_ = 0;
}

int IntervalSet::newNode(box_item* box)
{
  int n;
  if (!free_.empty()) {
    n = free_.back();
    free_.pop_back();
  } else {
    n = static_cast<int>(nodes_.size());
    nodes_.emplace_back();
  }
  Node& node = nodes_[n];
  node.y1 = box->y1;
  node.y2 = box->y2;
  node.seq = seq_++;
  random_ ^= random_ << 13;  // xorshift: a fixed sequence, so runs repeat
  random_ ^= random_ >> 17;
  random_ ^= random_ << 5;
  node.priority = random_;
  node.left = node.right = -1;
  node.box = box;
  const _edge* e = shades_ ? box->right_edge : nullptr;
  if (e) {
    long long x2 = 2LL * e->p1.x;
    node.key[0] = x2 + e->p2.y;
    node.key[1] = x2 - e->p2.y;
    node.key[2] = x2 + e->p1.y;
    node.key[3] = x2 - e->p1.y;
  } else {
    std::fill(node.key, node.key + 4, kNoKey);
  }
  update(n);
  return n;
}

/* update -- recomputes the subtree values of node n from its children. */
void IntervalSet::update(int n)
{
  Node& node = nodes_[n];
  node.maxY2 = node.y2;
  if (node.left >= 0)
    node.maxY2 = std::max(node.maxY2, nodes_[node.left].maxY2);
  if (node.right >= 0)
    node.maxY2 = std::max(node.maxY2, nodes_[node.right].maxY2);
  if (!shades_)
    return;
  std::copy(node.key, node.key + 4, node.least);
  for (int c : {node.left, node.right}) {
    if (c < 0)
      continue;
    const Node& child = nodes_[c];
    for (int k = 0; k < 4; ++k)
      node.least[k] = std::min(node.least[k], child.least[k]);
  }
}

bool IntervalSet::before(long y1, uint64_t seq, const Node& n) const
{
  return y1 < n.y1 || (y1 == n.y1 && seq < n.seq);
}

int IntervalSet::insertAt(int n, int fresh)
{
  if (n < 0)
    return fresh;
  const Node& f = nodes_[fresh];
  if (before(f.y1, f.seq, nodes_[n])) {
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
  update(n);
  return n;
}

void IntervalSet::insert(box_item* box)
{
  assert(box->tree_slot < 0 && "a box sits in one interval set at a time");
  int fresh = newNode(box);
  box->tree_slot = fresh;
  root_ = insertAt(root_, fresh);
  ++size_;
}

int IntervalSet::eraseAt(int n, long y1, uint64_t seq)
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
    } else {
      up = node.right;
      node.right = nodes_[up].left;
      nodes_[up].left = eraseAt(n, y1, seq);
    }
    update(up);
    return up;
  }
  if (before(y1, seq, node))
    node.left = eraseAt(node.left, y1, seq);
  else
    node.right = eraseAt(node.right, y1, seq);
  update(n);
  return n;
}

void IntervalSet::erase(box_item* box)
{
  int n = box->tree_slot;
  assert(n >= 0 && nodes_[n].box == box && "erasing a box that is not in the set");
  root_ = eraseAt(root_, nodes_[n].y1, nodes_[n].seq);
  nodes_[n].box = nullptr;
  free_.push_back(n);
  box->tree_slot = -1;
  --size_;
}

void IntervalSet::meetingAt(int n, long y1, long y2, std::vector<box_item*>* out) const
{
  if (n < 0 || nodes_[n].maxY2 < y1)
    return;
  const Node& node = nodes_[n];
  meetingAt(node.left, y1, y2, out);
  if (node.y1 > y2)
    return;  // this node and everything right of it start above the query
  if (node.y2 >= y1)
    out->push_back(node.box);
  meetingAt(node.right, y1, y2, out);
}

void IntervalSet::meeting(long y1, long y2, std::vector<box_item*>* out) const
{
  meetingAt(root_, y1, y2, out);
}

void IntervalSet::shadeAt(int n, bool below, long x, long y,
                          std::vector<box_item*>* out) const
{
  if (n < 0)
    return;
  const Node& node = nodes_[n];
  const int k = below ? 0 : 2;
  const long long plus = 2LL * x + y, minus = 2LL * x - y;
  if (node.least[k] >= plus || node.least[k + 1] >= minus)
    return;
  if (below) {
    shadeAt(node.left, below, x, y, out);
    if (node.y1 > y)
      return;  // the rest starts above y
    if (node.y2 < y && node.key[k] < plus && node.key[k + 1] < minus)
      out->push_back(node.box);
    shadeAt(node.right, below, x, y, out);
    return;
  }
  if (node.y1 > y) {
    shadeAt(node.left, below, x, y, out);
    if (node.key[k] < plus && node.key[k + 1] < minus)
      out->push_back(node.box);
  }
  shadeAt(node.right, below, x, y, out);
}

void IntervalSet::belowShade(long x, long y, std::vector<box_item*>* out) const
{
  assert(shades_ && "a set without shades");
  shadeAt(root_, true, x, y, out);
}

void IntervalSet::aboveShade(long x, long y, std::vector<box_item*>* out) const
{
  assert(shades_ && "a set without shades");
  shadeAt(root_, false, x, y, out);
}

}  // namespace compact
