// DCMinterval.h -- the interval set of the sweep (private to src/compact).
//
// Boxes keyed by their y interval [y1, y2].  The y1 values a set can meet
// are known before the pass (its key list), so the set is a flat segment
// tree over the key list: one leaf per key holding its boxes in insertion
// order, every node the greatest y2 and the tags of the boxes below it, and
// sixteen children to a node, so that a walk down reads the sums of a
// node's children side by side and a tree of a million keys has six levels.
// The boxes meeting a query interval (touching included) thus come out in
// key order (y1, then insertion), and the tree lives in a few arrays
// instead of a node per box.
//
//                          root: max y2, tags of all
//                 /            |                \.
//         node 0 of level 1   node 1  ...   node 15
//         /     |      \.
//   leaf 0   leaf 1 ... leaf 15         leaf k: the boxes whose y1 is
//   (y1 =    (y1 =                      key k, oldest first
//    key 0)   key 1)
//
// For the corner shades a set with shades keeps the boxes a second time in
// parts by visible tag (one part per single-bit tag, one for the others),
// each a tree of the same shape over the keys of its own boxes, whose nodes
// carry the least of 2x +- top and 2x +- bottom of the boxes' right edges:
// a shade query searches only the parts of its tags.  A part takes its
// memory when its first box comes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Dcompact.h"

namespace compact {

class IntervalSet {
 public:
  using Keys = std::vector<int32_t>;  // ascending, without repeats
  using KeysPtr = std::shared_ptr<const Keys>;
  static constexpr int kParts = 33;   // one per tag bit, and one for the rest

  // A set for boxes whose y1 is one of `keys`; only `meeting` is answered.
  explicit IntervalSet(KeysPtr keys);
  // With shades: `partKeys[p]` holds the y1 of every box whose visible tags
  // are the single bit p (p < 32), `partKeys[32]` of those with several
  // bits; a null entry stands for `keys`.
  IntervalSet(KeysPtr keys, std::vector<KeysPtr> partKeys);
  ~IntervalSet();
  IntervalSet(const IntervalSet&) = delete;
  IntervalSet& operator=(const IntervalSet&) = delete;

  // The box's tree_slot names its entry.  `tags` and `visibleTags` are bit
  // sets the queries below can be narrowed to (the sweep uses the layer of
  // the box's right edge, and that layer again when the edge is visible).
  // The box's y1 must be one of the set's keys.
  void insert(box_item* box, uint32_t tags = kAllTags, uint32_t visibleTags = kAllTags);
  void erase(box_item* box);
  // Takes every box out, at a cost of the boxes held (not of the keys).
  void clear();
  bool empty() const { return size() == 0; }
  size_t size() const;

  static constexpr uint32_t kAllTags = ~uint32_t{0};

  // Appends to *out the boxes whose [y1, y2] meets [y1, y2] and whose tags
  // share a bit with `tags`, in key order.
  void meeting(long y1, long y2, std::vector<box_item*>* out,
               uint32_t tags = kAllTags) const;

  // Boxes wholly below y (their y2 < y, so they do not meet it), whose right
  // edge E has |top(E) - y| < 2 (x - x(E)): the lower corner shade of a box
  // whose lower-left corner is (x, y).  Only boxes whose visible tags share
  // a bit with `tags`.  In key order.
  void belowShade(long x, long y, std::vector<box_item*>* out,
                  uint32_t tags = kAllTags) const;
  // Boxes wholly above y with |bottom(E) - y| < 2 (x - x(E)).
  void aboveShade(long x, long y, std::vector<box_item*>* out,
                  uint32_t tags = kAllTags) const;

 private:
  struct Tree;  // one segment tree with its boxes (DCMinterval.cpp)
  // Where an entry of the whole set has its box again.
  struct PartPlace {
    int part, slot;
  };

  void shadeParts(bool below, long x, long y, std::vector<box_item*>* out,
                  uint32_t tags) const;

  std::unique_ptr<Tree> tree_;
  std::vector<std::unique_ptr<Tree>> parts_;  // empty without shades
  std::vector<PartPlace> places_;             // by entry, with shades
  uint64_t liveParts_ = 0;                    // bit p: part p holds boxes
  uint32_t seq_ = 0;  // insertion number; from 0 again when the set is cleared
};

}  // namespace compact
