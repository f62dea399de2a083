// Merged shapes of a mask layer for the independent checks: the union of a
// layer's rectangles as disjoint strips, boolean operations on such unions,
// connected pieces and a grid index for neighbourhood queries.  Coordinates
// are layout units; a box covers x1 <= x < x2, y1 <= y < y2.
#pragma once

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace layout_check {

struct Box {
  long x1, y1, x2, y2;
};
using Boxes = std::vector<Box>;

inline bool operator==(const Box& a, const Box& b)
{
  return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}

// The two share area.
inline bool overlaps(const Box& a, const Box& b)
{
  return a.x1 < b.x2 && b.x1 < a.x2 && a.y1 < b.y2 && b.y1 < a.y2;
}

inline long long area(const Box& b) { return static_cast<long long>(b.x2 - b.x1) * (b.y2 - b.y1); }

inline Box grown(const Box& b, long by) { return {b.x1 - by, b.y1 - by, b.x2 + by, b.y2 + by}; }

// Gaps between two boxes along x and y (0 where they overlap or touch).
inline long gapX(const Box& a, const Box& b) { return std::max({0L, b.x1 - a.x2, a.x1 - b.x2}); }
inline long gapY(const Box& a, const Box& b) { return std::max({0L, b.y1 - a.y2, a.y1 - b.y2}); }
// Squared Euclidean distance between the closed boxes.
inline double distance2(const Box& a, const Box& b)
{
  double dx = gapX(a, b), dy = gapY(a, b);
  return dx * dx + dy * dy;
}
// The stretch between the nearest points of two boxes (a line or a point
// where they do not overlap in either direction).
Box between(const Box& a, const Box& b);

// Bounding box of a non-empty list.
Box bounds(const Boxes& boxes);

// The union of `boxes` as maximal horizontal strips: disjoint, each as wide
// as the union is at its height, strips of one width stacked into one;
// ordered bottom up, left to right.  The result depends only on the union.
Boxes merged(const Boxes& boxes);
// The same union as maximal vertical strips, ordered left to right.
Boxes mergedColumns(const Boxes& boxes);
Boxes intersection(const Boxes& a, const Boxes& b);
Boxes difference(const Boxes& a, const Boxes& b);
long long totalArea(const Boxes& disjoint);

// Connected pieces of disjoint boxes: boxes that share an edge stretch of
// positive length belong to one piece (boxes meeting at a corner only do
// not).  Returns the piece of each box, numbered from 0; `count` receives
// the number of pieces.
std::vector<int> pieces(const Boxes& disjoint, int* count);

// A uniform grid over boxes, for "which boxes lie near this one".
class BoxIndex {
 public:
  explicit BoxIndex(const Boxes& boxes);
  // Calls f(i) once for every box i within `margin` of `q` (closed boxes:
  // touching counts).
  template <class F>
  void near(const Box& q, long margin, F f) const;
  const Boxes& boxes() const { return boxes_; }

 private:
  static uint64_t key(long cx, long cy)
  {
    return (static_cast<uint64_t>(static_cast<uint32_t>(cx)) << 32) | static_cast<uint32_t>(cy);
  }
  long cellOf(long v) const { return v >= 0 ? v / cell_ : -((-v + cell_ - 1) / cell_); }

  const Boxes& boxes_;
  long cell_ = 1;
  std::unordered_map<uint64_t, std::vector<int>> grid_;
  std::vector<int> wide_;  // boxes over too many cells, looked at every time
  mutable std::vector<unsigned> seen_;
  mutable unsigned stamp_ = 0;
};

template <class F>
void BoxIndex::near(const Box& q, long margin, F f) const
{
  if (++stamp_ == 0) {
    std::fill(seen_.begin(), seen_.end(), 0);
    stamp_ = 1;
  }
  Box g = grown(q, margin);
  auto visit = [&](int i) {
    if (seen_[i] == stamp_)
      return;
    seen_[i] = stamp_;
    const Box& b = boxes_[i];
    if (b.x1 <= g.x2 && g.x1 <= b.x2 && b.y1 <= g.y2 && g.y1 <= b.y2)
      f(i);
  };
  for (int i : wide_)
    visit(i);
  long cx1 = cellOf(g.x1), cx2 = cellOf(g.x2), cy1 = cellOf(g.y1), cy2 = cellOf(g.y2);
  if ((cx2 - cx1 + 1) * (cy2 - cy1 + 1) > static_cast<long>(grid_.size()) + 16) {
    for (const auto& cell : grid_)
      for (int i : cell.second)
        visit(i);
    return;
  }
  for (long cx = cx1; cx <= cx2; ++cx)
    for (long cy = cy1; cy <= cy2; ++cy) {
      auto it = grid_.find(key(cx, cy));
      if (it != grid_.end())
        for (int i : it->second)
          visit(i);
    }
}

}  // namespace layout_check
