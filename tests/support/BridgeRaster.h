// An independent count of bridge critical areas for tests: the layout of
// one layer is rasterised at one grid step per cell, and for every cell the
// set of nets that a square defect of side 2 * half centred in it would
// touch is found.  With every rectangle on the grid and `half` a whole
// number of grid steps, that set is the same over the whole open cell, so
// counting cells gives areas exactly.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <vector>

namespace testing_support {

struct NetRect {
  int net;             // 0 .. 63, any numbering of the test's own
  int x1, y1, x2, y2;  // grid steps
};

struct BridgeAreas {
  // Cells (square grid steps) per exact set of two or more nets, as a
  // bit mask of the nets.
  std::map<uint64_t, long> perSet;
  // Cells touching two or more nets: the union of all bridge regions.
  long total = 0;
};

// A defect centred in cell (cx, cy) (the unit square with that lower-left
// corner) touches the open rectangle when their interiors meet; growing
// the rectangle by `half` on every side gives the cells x1 - half ..
// x2 + half - 1.
inline BridgeAreas rasteriseBridges(const std::vector<NetRect>& rects, int half)
{
  BridgeAreas result;
  if (rects.empty())
    return result;
  int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
  for (const NetRect& r : rects) {
    x0 = std::min(x0, r.x1 - half);
    y0 = std::min(y0, r.y1 - half);
    x1 = std::max(x1, r.x2 + half);
    y1 = std::max(y1, r.y2 + half);
  }
  const int w = x1 - x0, h = y1 - y0;
  std::vector<uint64_t> cells(static_cast<size_t>(w) * h, 0);
  for (const NetRect& r : rects)
    for (int y = r.y1 - half; y < r.y2 + half; ++y)
      for (int x = r.x1 - half; x < r.x2 + half; ++x)
        cells[static_cast<size_t>(y - y0) * w + (x - x0)] |= uint64_t{1} << r.net;
  for (uint64_t mask : cells) {
    if (__builtin_popcountll(mask) < 2)
      continue;
    ++result.perSet[mask];
    ++result.total;
  }
  return result;
}

}  // namespace testing_support
