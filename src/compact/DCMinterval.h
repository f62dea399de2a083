// DCMinterval.h -- the interval set of the sweep (private to src/compact).
//
// Boxes keyed by their y interval [y1, y2], in a treap ordered by (y1,
// insertion number) and augmented with the greatest y2 of every subtree, so
// the boxes meeting a query interval (touching included) come out in key
// order at O(log n) per reported box.  For the corner shades each node also
// carries the least of 2x +- top and 2x +- bottom of the box's right edge.
#pragma once

#include <cstdint>
#include <vector>

#include "Dcompact.h"

namespace compact {

class IntervalSet {
 public:
  // With `shades` the corner-shade queries are answered (the shadow set);
  // without, only `meeting` is.
  explicit IntervalSet(bool shades = true);

  void insert(box_item* box);  // the box's tree_slot names its node
  void erase(box_item* box);
  void clear();
  bool empty() const { return root_ < 0; }
  size_t size() const { return size_; }

  // Appends to *out the boxes whose [y1, y2] meets [y1, y2].
  void meeting(long y1, long y2, std::vector<box_item*>* out) const;

  // Boxes wholly below y (their y2 < y, so they do not meet it), whose right
  // edge E has |top(E) - y| < 2 (x - x(E)): the lower corner shade of a box
  // whose lower-left corner is (x, y).
  void belowShade(long x, long y, std::vector<box_item*>* out) const;
  // Boxes wholly above y with |bottom(E) - y| < 2 (x - x(E)).
  void aboveShade(long x, long y, std::vector<box_item*>* out) const;

 private:
  struct Node {
    int32_t y1, y2;
    uint64_t seq;            // insertion number: breaks ties of y1
    uint32_t priority;
    int left, right;
    int32_t maxY2;
    // 2x + top, 2x - top, 2x + bottom, 2x - bottom of the right edge, and
    // their least values over the subtree.
    long long key[4];
    long long least[4];
    box_item* box;
  };

  int newNode(box_item* box);
  void update(int n);
  int insertAt(int n, int fresh);
  int eraseAt(int n, long y1, uint64_t seq);
  bool before(long y1, uint64_t seq, const Node& n) const;
  void meetingAt(int n, long y1, long y2, std::vector<box_item*>* out) const;
  void shadeAt(int n, bool below, long x, long y, std::vector<box_item*>* out) const;

  std::vector<Node> nodes_;
  std::vector<int> free_;
  int root_ = -1;
  size_t size_ = 0;
  uint64_t seq_ = 0;
  uint32_t random_ = 2463534242u;
  bool shades_;
};

}  // namespace compact
