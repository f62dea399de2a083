// Open faults: the critical regions of cut wires against hand arithmetic
// and against a rasterised cut test, the records of the parts and their
// merge, the statistics, and a run whose fault file cannot be made.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "DFfault.h"
#include "DTtechnology.h"
#include "ExtractSupport.h"

using extract_test::ExtractTest;

namespace {

// A net drawn on metal 1 by hand, with terminals at chosen points; its
// opens are computed by DFproc1NetO directly.  Coordinates in grid steps.
class HandNet : public ExtractTest {
 protected:
  void TearDown() override
  {
    DExFreeTerm(terms_);
    FreeList(tiles_);
    DFcleanOpenBuffer();
    for (_Dtransistor* t : devices_)
      delete t;
    terms_ = nullptr;
    tiles_ = nullptr;
    devices_.clear();
    ExtractTest::TearDown();
  }
  int step() const { return theGlobalScale; }
  void metal(int x1, int y1, int x2, int y2)
  {
    rect("CMF", x1 * step(), y1 * step(), x2 * step(), y2 * step());
  }
  // Builds the planes, numbers the net of the first terminal and makes a
  // gate terminal at every point (transistors numbered from 1).
  void build(const std::vector<std::pair<int, int>>& terminals)
  {
    ASSERT_TRUE(action([] { DCcrtCS(); }));
    ASSERT_FALSE(terminals.empty());
    _Dtile* first = at("CMF", terminals[0].first * step() + 1, terminals[0].second * step() + 1);
    ASSERT_TRUE(first && TisSolid(first));
    DExPath(first, 1);
    tiles_ = NetTileList;
    NetTileList = nullptr;
    for (const auto& p : terminals) {
      _Dtile* tile = at("CMF", p.first * step() + 1, p.second * step() + 1);
      ASSERT_EQ(tile->node, 1);
      _Dtransistor* t = new _Dtransistor{};
      t->number = static_cast<int>(devices_.size()) + 1;
      devices_.push_back(t);
      terms_ = DExInsertTerm(terms_, new _DtermList{t, tile, t->number, 0, 0, nullptr});
    }
  }
  // Runs the analysis at a defect size in layout units; false when it was
  // abandoned.
  bool opens(int size)
  {
    DFcleanOpenBuffer();
    FOpenNum = 0;
    return action([&] {
      DFproc1NetO(tiles_, terms_, -1, size);
      FreeBreakList();
      DFOcritAscan();
    });
  }
  long totalWeight() const
  {
    long sum = 0;
    for (_DopenFault* f = FaultTable.FOpenList; f; f = f->next)
      sum += f->fweight;
    return sum;
  }
  int entries() const
  {
    int n = 0;
    for (_DopenFault* f = FaultTable.FOpenList; f; f = f->next)
      ++n;
    return n;
  }

  _Dtilelist* tiles_ = nullptr;
  _DtermList* terms_ = nullptr;
  std::vector<_Dtransistor*> devices_;
};

}  // namespace

// ---------------------------------------------------------------------------
// Hand arithmetic.
// ---------------------------------------------------------------------------

struct StraightCase {
  int sizeUnits;  // defect size, layout units (step 40)
  int weight;     // expected weight, 0 for no open
};

class StraightWire : public HandNet, public ::testing::WithParamInterface<StraightCase> {};

// A wire 4 steps wide and 30 long between two pads: the region is
// (2h - w) high and (30 steps + 2h) long, h = size / 2.
TEST_P(StraightWire, RegionIsTheCrossingOfTheGrownSpaceTiles)
{
  ASSERT_EQ(step(), 40);
  metal(0, 0, 20, 20);
  metal(20, 8, 50, 12);
  metal(50, 0, 70, 20);
  build({{10, 1}, {60, 1}});
  ASSERT_TRUE(opens(GetParam().sizeUnits));
  if (GetParam().weight == 0) {
    EXPECT_EQ(FaultTable.FOpenList, nullptr);
    return;
  }
  ASSERT_EQ(entries(), 1);
  const _Dfopen* o = FaultTable.FOpenList->fopen;
  EXPECT_EQ(o->net, 1);
  ASSERT_EQ(o->nparts, 2);
  EXPECT_EQ(o->pinlist[0].ngates, 1);
  EXPECT_EQ(o->pinlist[0].gateno[0], 1);
  EXPECT_EQ(o->pinlist[1].gateno[0], 2);
  EXPECT_EQ(FaultTable.FOpenList->fweight, GetParam().weight);
}

// h = 120: 2 x 36 steps; h = 81: 2 units x 1362 units -> 1.70 -> 1;
// h = 80 and h = 40 give 2h <= w.
INSTANTIATE_TEST_SUITE_P(Threshold, StraightWire,
                         ::testing::Values(StraightCase{240, 72}, StraightCase{162, 1},
                                           StraightCase{161, 0}, StraightCase{160, 0},
                                           StraightCase{80, 0}));

TEST_F(HandNet, WireWithOneTerminalHasNoOpen)
{
  metal(0, 0, 20, 20);
  metal(20, 8, 50, 12);
  metal(50, 0, 70, 20);
  build({{10, 1}});
  ASSERT_TRUE(opens(6 * step()));
  EXPECT_EQ(FaultTable.FOpenList, nullptr);
  EXPECT_EQ(FOpenNum, 0);
}

// Two narrow stretches on either side of a tall middle pad separate the
// same terminals: one fault whose weight is the sum of the two regions
// (each (6 - 4) x (10 + 6) steps).
TEST_F(HandNet, TwoEqualCutsAccumulate)
{
  metal(0, 0, 20, 20);
  metal(20, 8, 30, 12);
  metal(30, 0, 50, 20);
  metal(50, 8, 60, 12);
  metal(60, 0, 80, 20);
  build({{10, 1}, {70, 1}});
  ASSERT_TRUE(opens(6 * step()));
  ASSERT_EQ(entries(), 1);
  EXPECT_EQ(FOpenNum, 1);
  EXPECT_EQ(FaultTable.FOpenList->fweight, 2 * 2 * 16);
  // Every tile got its number back and no mark is left.
  for (_Dtilelist* n = tiles_; n; n = n->next) {
    EXPECT_EQ(n->tile->node, 1);
    EXPECT_EQ(n->tile->processed, 0);
  }
}

// ---------------------------------------------------------------------------
// Rasterised cut test on random straight wires.
// ---------------------------------------------------------------------------
namespace {

// The area (in square steps) of the defect centres whose square of side
// 2h steps, centred on the centre of a step cell, leaves the two terminal
// cells apart.  The raster is half a step fine, so the square's edges fall
// on its lines.
long rasterCut(const std::vector<std::array<int, 4>>& rects, std::pair<int, int> a,
               std::pair<int, int> b, int h)
{
  int x1 = 1 << 30, y1 = 1 << 30, x2 = -(1 << 30), y2 = -(1 << 30);
  for (const auto& r : rects) {
    x1 = std::min(x1, r[0]);
    y1 = std::min(y1, r[1]);
    x2 = std::max(x2, r[2]);
    y2 = std::max(y2, r[3]);
  }
  const int W = 2 * (x2 - x1), H = 2 * (y2 - y1);
  std::vector<char> metal(W * H, 0);
  for (const auto& r : rects)
    for (int y = 2 * (r[1] - y1); y < 2 * (r[3] - y1); ++y)
      for (int x = 2 * (r[0] - x1); x < 2 * (r[2] - x1); ++x)
        metal[y * W + x] = 1;
  const int ax = 2 * (a.first - x1), ay = 2 * (a.second - y1);
  const int bx = 2 * (b.first - x1), by = 2 * (b.second - y1);
  long count = 0;
  std::vector<char> left(W * H);
  std::vector<int> stack;
  for (int cy = y1 - h - 1; cy <= y2 + h; ++cy)
    for (int cx = x1 - h - 1; cx <= x2 + h; ++cx) {
      // Centre (cx + 0.5, cy + 0.5): half-cells [2cx + 1 - 2h, 2cx + 1 + 2h).
      const int qx1 = 2 * (cx - x1) + 1 - 2 * h, qx2 = qx1 + 4 * h;
      const int qy1 = 2 * (cy - y1) + 1 - 2 * h, qy2 = qy1 + 4 * h;
      auto removed = [&](int x, int y) { return x >= qx1 && x < qx2 && y >= qy1 && y < qy2; };
      if (removed(ax, ay) || removed(bx, by))
        continue;
      std::fill(left.begin(), left.end(), 0);
      stack.assign(1, ay * W + ax);
      left[ay * W + ax] = 1;
      while (!stack.empty()) {
        int c = stack.back();
        stack.pop_back();
        int x = c % W, y = c / W;
        const int nx[4] = {x + 1, x - 1, x, x}, ny[4] = {y, y, y + 1, y - 1};
        for (int k = 0; k < 4; ++k) {
          if (nx[k] < 0 || nx[k] >= W || ny[k] < 0 || ny[k] >= H)
            continue;
          int n = ny[k] * W + nx[k];
          if (!metal[n] || left[n] || removed(nx[k], ny[k]))
            continue;
          left[n] = 1;
          stack.push_back(n);
        }
      }
      if (!left[by * W + bx])
        ++count;
    }
  return count;
}

}  // namespace

// Straight horizontal and vertical wires between pads 20 steps square, of
// random width 1..6 and length 1..30 steps, defect sizes of 2..12 steps
// (even, so every region edge lies on the grid): the weights equal the
// rasterised areas exactly.
TEST_F(HandNet, StraightWiresMatchTheRasterisedCuts)
{
  std::mt19937 random(12);
  for (int round = 0; round < 24; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const int w = 1 + random() % 6, l = 1 + random() % 30, y0 = 2 + random() % (18 - w);
    const int h = 1 + random() % 6;
    const bool vertical = round % 2 == 1;
    std::vector<std::array<int, 4>> rects = {
        {0, 0, 20, 20}, {20, y0, 20 + l, y0 + w}, {20 + l, 0, 40 + l, 20}};
    // The terminals sit in the pads' outer corners, out of reach of a
    // defect that also touches the wire.
    std::pair<int, int> a{1, 1}, b{39 + l, 1};
    if (vertical) {
      for (auto& r : rects)
        r = {r[1], r[0], r[3], r[2]};
      a = {1, 1};
      b = {1, 39 + l};
    }
    TearDown();
    SetUp();
    for (const auto& r : rects)
      metal(r[0], r[1], r[2], r[3]);
    build({a, b});
    ASSERT_TRUE(opens(2 * h * step()));
    EXPECT_LE(entries(), 1);
    EXPECT_EQ(totalWeight(), rasterCut(rects, a, b, h))
        << "w " << w << " l " << l << " h " << h << (vertical ? " vertical" : " horizontal");
  }
}

// An L whose horizontal stretch runs in the rows of the left pad, so that
// the space below the pad and the space left of the vertical stretch are
// diagonal neighbours across the horizontal stretch (w 5, l 13, up 21,
// y0 3, h 6 steps).  For such a pair the construction clips X to the rows
// of the wire tile T between them and grows both by h: the space below the
// pad, (0, -inf)-(20, 0), and X clipped to T's rows, (25, 3)-(33, 8), give
// the region (19, -3)-(26, 6), 7 x 9 steps, yet a defect centred at y = -3
// covers y -9..3 and never reaches the wire's rows 3..8.  The Part's
// regions sum to 392 square steps; the defects that really separate the
// pads cover 357.
TEST_F(HandNet, LCornerDiagonalPairsCountMoreThanTheCutArea)
{
  std::vector<std::array<int, 4>> rects = {
      {0, 0, 20, 20}, {20, 3, 38, 8}, {33, 8, 38, 29}, {25, 29, 45, 49}};
  for (const auto& r : rects)
    metal(r[0], r[1], r[2], r[3]);
  build({{1, 1}, {44, 48}});
  ASSERT_TRUE(opens(12 * step()));
  ASSERT_EQ(entries(), 1);
  EXPECT_EQ(totalWeight(), 392);
  EXPECT_EQ(rasterCut(rects, {1, 1}, {44, 48}, 6), 357);
}

// An L away from the pad rows: pad (0, 0)-(20, 20), horizontal stretch
// (20, 8)-(44, 12), vertical stretch (40, 12)-(44, 32), top pad
// (32, 32)-(52, 52); w 4, D 6 steps, h 3, so every region is 2h - w = 2
// steps across.  Below the horizontal stretch lies the space tile
// (20, -inf)-(40, 8); above it (20, 12)-(32, inf) and (32, 12)-(40, 32):
// the cuts (20, 8)-(32, 12) and (32, 8)-(40, 12) give (17, 9)-(35, 11) and
// (29, 9)-(43, 11), together 26 x 2 = 52.  Right of the vertical stretch
// lies (44, -inf)-(52, 32), left of it (32, 12)-(40, 32): a diagonal pair
// whose X clipped to the stretch's rows 12..32 gives (41, 9)-(43, 35),
// 2 x 26 = 52, of which 2 x 2 overlap the horizontal regions: 100 square
// steps, which is also the area of the defects that really cut the L.
TEST_F(HandNet, LShapeArithmetic)
{
  std::vector<std::array<int, 4>> rects = {
      {0, 0, 20, 20}, {20, 8, 44, 12}, {40, 12, 44, 32}, {32, 32, 52, 52}};
  for (const auto& r : rects)
    metal(r[0], r[1], r[2], r[3]);
  build({{1, 1}, {51, 51}});
  ASSERT_TRUE(opens(6 * step()));
  ASSERT_EQ(entries(), 1);
  EXPECT_EQ(totalWeight(), 100);
  EXPECT_EQ(rasterCut(rects, {1, 1}, {51, 51}, 3), 100);
}
