#include "LayoutGen.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "DTtechnology.h"

namespace bench {

namespace {

constexpr long kBoxesPerRow = 2000;  // boxes along one row
constexpr int kPitch = 120;          // layout units between box origins
constexpr int kRowHeight = 400;      // layout units between rows

struct Random {
  unsigned long state = 12345;
  int next(int limit)
  {
    state = state * 6364136223846793005UL + 1442695040888963407UL;
    return static_cast<int>((state >> 33) % static_cast<unsigned long>(limit));
  }
};

struct Box {
  int layer, x1, y1, x2, y2;
};

/*
 * forEachBox --
 *   The boxes of the layout, row by row; within a row grouped by layer, as
 *   a layout tool writes a cell's CIF (so that each layer's boxes are
 *   read, and allocated, one after another).
 */
template <class F>
void forEachBox(long count, F&& use)
{
  Random random;
  std::vector<Box> row;
  for (long first = 0; first < count; first += kBoxesPerRow) {
    row.clear();
    long r = first / kBoxesPerRow;
    for (long column = 0; column < kBoxesPerRow && first + column < count; ++column) {
      Box b;
      b.layer = random.next(GlayerNum > 0 ? GlayerNum : 1);
      // Even coordinates, so that CIF centres are exact.
      b.x1 = static_cast<int>(column * kPitch + 2 * random.next(20));
      b.y1 = static_cast<int>(r * kRowHeight + 2 * random.next(100));
      b.x2 = b.x1 + 20 + 2 * random.next(100);
      b.y2 = b.y1 + 20 + 2 * random.next(150);
      row.push_back(b);
    }
    std::stable_sort(row.begin(), row.end(), [](const Box& a, const Box& b) { return a.layer < b.layer; });
    for (const Box& b : row)
      use(b);
  }
}

}  // namespace

_layout* generateLayout(long count)
{
  auto* cell = common::make<_layout>();
  snprintf(cell->name, sizeof cell->name, "CIRCUIT");
  cell->frame = {kEmptyFrameLow, kEmptyFrameLow, kEmptyFrameHigh, kEmptyFrameHigh};
  forEachBox(count, [cell](const Box& b) {
    int slot = Glayers[b.layer].layer;
    if (!cell->symbol[slot]) {
      cell->symbol[slot] = common::make<_symbol>();
      snprintf(cell->symbol[slot]->layername, kNameLength, "%s", Glayers[b.layer].name);
    }
    auto* rect = common::make<_rects>();
    *rect = {b.x1, b.y1, b.x2, b.y2, cell->symbol[slot]->rect};
    cell->symbol[slot]->rect = rect;
    ACframe(b.x1, b.y1, cell);
    ACframe(b.x2, b.y2, cell);
  });
  Glayout = Gsymbols = Gactive = cell;
  return cell;
}



}  // namespace bench
