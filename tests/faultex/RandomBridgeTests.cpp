// Bridge critical areas of random metal-1 layouts against an independent
// count: the layout is rasterised at one grid step per cell and each
// cell's set of nets touched by a defect centred there is counted.
//
// Every rectangle lies on the grid and the defect size is an even number of
// grid steps, so every critical rectangle, and every piece the critical-area
// plane cuts it into, has whole grid steps for sides: the weights, truncated
// per region, lose nothing and must match the cell counts exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "BridgeRaster.h"
#include "ShortSupport.h"

using faultex_test::FaultSets;
using faultex_test::ShortTest;
using testing_support::NetRect;

namespace {

constexpr int kPitch = 45;    // between transistors: more than any defect
constexpr int kWireBase = 40;  // wires lie above the transistors

class RandomBridges : public ShortTest {
 protected:
  // A layout of n nets: transistor i's source pad is led up by a metal-1
  // leg to a bus running left over the legs of the nets before it, and
  // random wire pieces follow, each overlapping an earlier piece of its net
  // and at least one grid step away from every other net.
  std::vector<NetRect> draw(std::mt19937& random, int n, int maxPieces = 20, int busPitch = 5)
  {
    std::vector<NetRect> rects;
    for (int i = 0; i < n; ++i) {
      const int tx = i * kPitch;
      transistor(tx, 0);
      rects.push_back({i, tx + 2, 4, tx + 9, 11});
      const int bus = kWireBase + busPitch * i;
      rects.push_back({i, tx + 4, 11, tx + 7, bus + 2});
      // A bus to the left, above the legs of the nets before it.
      rects.push_back({i, -10, bus, tx + 7, bus + 2});
    }
    std::uniform_int_distribution<int> pieces(std::min(8, maxPieces), maxPieces), width(1, 3), length(3, 40), side(0, 3);
    const int right = n * kPitch;
    for (int i = 0; i < n; ++i) {
      const int count = pieces(random);
      for (int tries = 0, made = 0; made < count && tries < 200; ++tries) {
        std::vector<const NetRect*> own;
        for (const NetRect& r : rects)
          if (r.net == i && r.y2 > kWireBase)
            own.push_back(&r);
        const NetRect& from = *own[random() % own.size()];
        const int x = from.x1 + int(random() % (from.x2 - from.x1));
        const int y = std::max(from.y1, kWireBase) + int(random() % (from.y2 - std::max(from.y1, kWireBase)));
        const int w = width(random), l = length(random);
        NetRect r{i, x, y, x + w, y + l};  // up
        switch (side(random)) {
          case 1: r = {i, x, y, x + l, y + w}; break;           // right
          case 2: r = {i, x - l + 1, y, x + 1, y + w}; break;   // left
          case 3: r = {i, x, y - l + 1, x + w, y + 1}; break;   // down
        }
        if (r.y1 < kWireBase || r.x1 < -10 || r.x2 > right || !apart(r, rects))
          continue;
        rects.push_back(r);
        ++made;
      }
    }
    for (const NetRect& r : rects)
      if (r.y1 >= kWireBase)
        box("CMF", r.x1, r.y1, r.x2, r.y2);
    for (const NetRect& r : rects)
      if (r.y1 == 11)
        box("CMF", r.x1, r.y1, r.x2, r.y2);
    return rects;
  }

  // At least one grid step from every rectangle of another net.
  static bool apart(const NetRect& r, const std::vector<NetRect>& rects)
  {
    for (const NetRect& o : rects)
      if (o.net != r.net && r.x1 < o.x2 + 1 && o.x1 < r.x2 + 1 && r.y1 < o.y2 + 1 &&
          o.y1 < r.y2 + 1)
        return false;
    return true;
  }
};

}  // namespace

TEST_F(RandomBridges, WeightsPerNetSetEqualTheRasterisedAreas)
{
  std::mt19937 random(20261207);
  int multiNet = 0, layouts = 0;
  for (int round = 0; round < 40; ++round) {
    const int n = 3 + round % 4, d = 2 * (1 + round % 4);
    SCOPED_TRACE("round " + std::to_string(round) + ": " + std::to_string(n) + " nets, defect " +
                 std::to_string(d));
    TearDown();
    SetUp();
    std::vector<NetRect> rects = draw(random, n);
    ASSERT_TRUE(extract());
    std::vector<int> node(n);
    for (int i = 0; i < n; ++i)
      node[i] = netAt("CMF", i * kPitch + 5, 7);

    FaultSets expected;
    testing_support::BridgeAreas areas = testing_support::rasteriseBridges(rects, d / 2);
    for (const auto& [mask, cells] : areas.perSet) {
      std::vector<int> nets;
      for (int i = 0; i < n; ++i)
        if (mask & (uint64_t{1} << i))
          nets.push_back(node[i]);
      std::sort(nets.begin(), nets.end());
      expected[nets] += cells;
      multiNet += nets.size() > 2;
    }
    layouts += !expected.empty();

    std::string text;
    ASSERT_TRUE(run(DFexLayersS, d, "Bridges.flt", &text));
    EXPECT_EQ(parse(text), expected) << text;
    EXPECT_TRUE(clean());
  }
  EXPECT_GE(layouts, 36) << "most layouts must have bridges";
  EXPECT_GE(multiNet, 20) << "some bridges must join three nets or more";
}

// A defect wide enough to reach 34 nets: the records keep 32 of them, the
// cap is reported once, and the run ends cleanly.
TEST_F(RandomBridges, RecordsStopAtThirtyTwoNets)
{
  std::mt19937 random(7);
  draw(random, 34, 0, 3);  // buses 1 apart, up to 140
  ASSERT_TRUE(extract());
  std::string text;
  ASSERT_TRUE(run(DFexLayersS, 112, "Bridges.flt", &text));
  size_t widest = 0;
  for (const auto& [nets, weight] : parse(text)) {
    EXPECT_TRUE(std::is_sorted(nets.begin(), nets.end()));
    widest = std::max(widest, nets.size());
  }
  EXPECT_EQ(widest, 32u);
  int reports = 0;
  for (const auto& m : ui.messages)
    reports += m.kind == 'W' && m.line.find("more than 32 nets") != std::string::npos;
  EXPECT_EQ(reports, 1);
  EXPECT_TRUE(clean());
}
