// DCMinterval.h -- the interval set of the sweep (private to src/compact).
//
// Boxes keyed by their y interval [y1, y2], in a treap ordered by (y1,
// insertion number) and augmented with the greatest y2 of every subtree, so
// the boxes meeting a query interval (touching included) come out in key
// order at O(log n) per reported box.  For the corner shades a set with
// shades keeps the boxes a second time in parts by visible tag (one part
// per single-bit tag, one for the others), each a treap of the same order
// whose nodes also carry the least of 2x +- top and 2x +- bottom of the
// box's right edge: a shade query searches only the parts of its tags.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Dcompact.h"

namespace compact {

class IntervalSet {
 public:
  // With `shades` the corner-shade queries are answered (the shadow set);
  // without, only `meeting` is.
  explicit IntervalSet(bool shades = true);

  // The box's tree_slot names its node.  `tags` and `visibleTags` are bit
  // sets the queries below can be narrowed to (the sweep uses the layer of
  // the box's right edge, and that layer again when the edge is visible).
  void insert(box_item* box, uint32_t tags = kAllTags, uint32_t visibleTags = kAllTags);
  void erase(box_item* box);
  void clear();
  bool empty() const { return root_ < 0; }
  size_t size() const { return size_; }

  static constexpr uint32_t kAllTags = ~uint32_t{0};

  // Appends to *out the boxes whose [y1, y2] meets [y1, y2] and whose tags
  // share a bit with `tags`, in key order.
  void meeting(long y1, long y2, std::vector<box_item*>* out,
               uint32_t tags = kAllTags) const;

  // Boxes wholly below y (their y2 < y, so they do not meet it), whose right
  // edge E has |top(E) - y| < 2 (x - x(E)): the lower corner shade of a box
  // whose lower-left corner is (x, y).  Only boxes whose visible tags share
  // a bit with `tags`.
  void belowShade(long x, long y, std::vector<box_item*>* out,
                  uint32_t tags = kAllTags) const;
  // Boxes wholly above y with |bottom(E) - y| < 2 (x - x(E)).
  void aboveShade(long x, long y, std::vector<box_item*>* out,
                  uint32_t tags = kAllTags) const;

 private:
  // One cache line per node.
  struct alignas(64) Node {
    int32_t y1, y2;
    uint32_t seq;            // insertion number: breaks ties of y1
    uint32_t priority;
    int left, right;
    uint32_t tags, visibleTags;  // of the box
    box_item* box;
    // The subtrees below, summed up here so that a query decides whether
    // to go down without touching them.
    struct Sum {
      int32_t maxY2;
      uint32_t tags, visibleTags;
    } below[2];              // left, right
  };
  static_assert(sizeof(Node) == 64, "a node fills one cache line");
  // Where a node of a set with parts has its box again.
  struct PartPlace {
    int part, slot;
  };
  // The shade keys of a node of a part, kept apart so that the nodes of
  // the other sets stay small: 2x + top, 2x - top, 2x + bottom, 2x - bottom
  // of the right edge, and their least values over the subtree.
  struct Keys {
    long long key[4];
    long long least[4];
  };
  enum class Mode { Plain, Parted, Part };
  static constexpr int kParts = 33;  // one per tag bit, and one for the rest

  explicit IntervalSet(Mode mode);
  int insertNode(box_item* box, uint32_t tags, uint32_t visibleTags, uint32_t seq);
  void eraseNode(int n);
  void shadeParts(bool below, long x, long y, std::vector<box_item*>* out,
                  uint32_t tags) const;
  int newNode(box_item* box, uint32_t tags, uint32_t visibleTags, uint32_t seq);
  Node::Sum sumOf(int n) const;
  void update(int n);
  void updateSide(int n, int side);
  void absorb(int n, int side, int fresh);
  int insertAt(int n, int fresh);
  int eraseAt(int n, long y1, uint32_t seq);
  bool before(long y1, uint32_t seq, const Node& n) const;
  void meetingAt(int n, long y1, long y2, uint32_t tags, std::vector<box_item*>* out) const;
  void shadeAt(int n, bool below, long x, long y, uint32_t tags,
               std::vector<box_item*>* out) const;

  std::vector<Node> nodes_;
  std::vector<Keys> keys_;   // of a part, by node
  std::vector<PartPlace> places_;  // of a set with parts, by node
  std::vector<int> free_;
  int root_ = -1;
  size_t size_ = 0;
  uint32_t seq_ = 0;         // from 0 again when the set is cleared
  uint32_t random_ = 2463534242u;
  Mode mode_;
  bool shades_;              // nodes carry the shade keys (a part)
  std::vector<std::unique_ptr<IntervalSet>> parts_;
};

}  // namespace compact
