// Bridges and pinholes on hand-made layouts whose critical areas can be
// worked out by hand, on random layouts against a rasterised count, the
// record cap, and the runs that are abandoned.  Lengths are grid steps
// unless said otherwise.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "DPparasitic.h"
#include "BridgeRaster.h"
#include "DTtechnology.h"
#include "Dmenu.h"
#include "FaultSupport.h"

using faultex_test::FaultSets;
using ShortTest = faultex_test::FaultTest;
using testing_support::NetRect;

namespace {

constexpr int kLength = 40;  // of the wires of twoWires()
constexpr int kWidth = 4;
constexpr int kBottom = 100;

}  // namespace

// A defect of size D bridges the wires when 2 floor(D/2) > s, over
// (2 floor(D/2) - s) x (l + 2 floor(D/2)); the pair is met from both nets
// and counted once.
TEST_F(ShortTest, BridgeFollowsTheFormulaAndItsThreshold)
{
  const struct {
    int spacing, defect;
    long weight;  // 0: no bridge
  } cases[] = {
      {2, 4, 2L * (kLength + 4)},
      {3, 6, 3L * (kLength + 6)},
      {1, 3, 2L * (kLength + 3)},  // half-step growth: 60 units
      {4, 5, 1L * (kLength + 5)},
      {4, 4, 0},                   // the threshold
      {3, 2, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("spacing " + std::to_string(c.spacing) + " defect " + std::to_string(c.defect));
    restart();
    twoWires(c.spacing);
    ASSERT_TRUE(extract());
    std::string text;
    ASSERT_TRUE(run(DFexLayersS, c.defect, "Bridges.flt", &text));
    EXPECT_TRUE(clean());
    if (c.weight == 0) {
      EXPECT_EQ(text, "") << "no file without faults";
      EXPECT_EQ(err.find("Total fault weight"), std::string::npos);
      EXPECT_TRUE(ui.saw('M', "0 short faults have been extracted"));
      continue;
    }
    EXPECT_EQ(parse(text), (FaultSets{{wirePair(), c.weight}})) << text;
    EXPECT_EQ(FShortNum, 1);
    EXPECT_NE(err.find("Total fault weight(critical area): " + std::to_string(c.weight) + "."),
              std::string::npos);
  }
}

// Hand-made layouts:
// - three aligned wires at spacing 2, width 4, defect 12: a defect centre
//   within 4 of the middle wire's axis touches all three, 4 x (40 + 12),
//   and each outer pair with the middle one 6 x 52; three-net regions are
//   painted in colour 10, two-net ones in colour 1;
// - two transistors 2 apart, defect 8: source and drain of one are never
//   bridged across the gate; the pair across the gap, (8 - 2) x (15 + 8);
// - a poly line of one net crossing a metal-1 wire of another: a pinhole
//   over their overlap, 3 x 4, counted once.
TEST_F(ShortTest, HandMadeLayouts)
{
  struct Probe {
    const char* layer;
    int x, y;
  };
  const struct {
    const char* what;
    std::function<void()> draw;
    int (*action)();
    int d;
    const char* file;
    std::vector<std::pair<std::vector<Probe>, long>> faults;  // nets by a point of each
  } cases[] = {
      {"three wires",
       [this] {
         metal2Wire(0, kBottom, kBottom + kLength, kWidth, true);
         // The middle wire reaches down past the first one's leg to its own.
         metal2Wire(6, kBottom - 60, kBottom + kLength, kWidth, true);
         metal2Wire(12, kBottom, kBottom + kLength, kWidth, false);
       },
       DFexLayersS, 12, "Bridges.flt",
       {{{{"CMS", 1, kBottom + 1}, {"CMS", 7, kBottom + 1}, {"CMS", 13, kBottom + 1}}, 4 * 52},
        {{{"CMS", 1, kBottom + 1}, {"CMS", 7, kBottom + 1}}, 6 * 52},
        {{{"CMS", 7, kBottom + 1}, {"CMS", 13, kBottom + 1}}, 6 * 52}}},
      {"channel",
       [this] {
         transistor(0, 0);
         transistor(32, 0);
       },
       DFexLayersS, 8, "Bridges.flt", {{{{"CAA", 25, 1}, {"CAA", 33, 1}}, 6 * 23}}},
      {"pinhole",
       [this] {
         transistor(0, 0);
         box("CMF", 4, 11, 7, 40);
         transistor(60, 0);
         box("CPG", 72, 20, 78, 34);  // the second gate, led up and across
         box("CPG", 2, 30, 78, 34);
       },
       DFexLayersP, 2, "Pinholes.flt", {{{{"CMF", 5, 35}, {"CPG", 74, 21}}, 3 * 4}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    c.draw();
    ASSERT_TRUE(extract());
    FaultSets expected;
    for (const auto& [probes, weight] : c.faults) {
      std::vector<int> nets;
      for (const Probe& p : probes)
        nets.push_back(netAt(p.layer, p.x, p.y));
      std::sort(nets.begin(), nets.end());
      ASSERT_TRUE(std::adjacent_find(nets.begin(), nets.end()) == nets.end());
      expected[nets] = weight;
    }
    std::string text;
    ASSERT_TRUE(run(c.action, c.d, c.file, &text));
    EXPECT_EQ(parse(text), expected) << text;
    EXPECT_TRUE(clean());
    if (c.faults.size() == 3) {
      EXPECT_GT(fills(10), 0);
      EXPECT_GT(fills(1), 0);
    }
  }
}

// The selected net's run paints and counts the pair but writes nothing;
// showing the active layer paints the pair's area once.
TEST_F(ShortTest, SelectedNetAndActiveLayerRunsFindThePair)
{
  twoWires(2);
  ASSERT_TRUE(extract());
  int x1, y1, x2, y2;
  DlayerTile[0].selected =
      DExDupList(DExFindNet(at("CMS", g(), (kBottom + 1) * g()), &x1, &y1, &x2, &y2));
  FreeList(NetTileList);
  NetTileList = nullptr;
  std::string text;
  ASSERT_TRUE(run(DFex1NetS, 4, "Bridges.flt", &text));
  EXPECT_EQ(text, "");
  EXPECT_TRUE(ui.saw('M', "1 short faults have been extracted"));
  EXPECT_TRUE(clean());

  const int plane = planeOf("CMS");
  for (int i = 0; i < GlayerNum; ++i)
    Glayers[i].active = i == cs::layerIndexOfPlane(plane);
  surface.ops.clear();
  ASSERT_TRUE(run(DFshowShort, 4, "Bridges.flt", &text));
  Glayers[cs::layerIndexOfPlane(plane)].active = 0;
  EXPECT_EQ(fills(1), 1) << "the pair's area, once";
  EXPECT_TRUE(clean()) << "the marks are cleared";
}

// The runs take the defect size the scale shows: a new largest or smallest
// size moves the scale into its new range, as the scale bar does; a limit
// that leaves no range is refused by both.  Wires 2 apart bridge from a
// defect of 3 steps on: (4 - 2) x (40 + 4) at 4 steps, (5 - 2) x (40 + 5)
// at 5.
TEST_F(ShortTest, DefectSizeFollowsTheScaleWhenItsLimitsMove)
{
  twoWires(2);
  ASSERT_TRUE(extract());
  const struct {
    int code;
    const char* text;
    int scale;  // tenths of a step, after the prompt
    long weight;  // 0: no bridge
  } steps[] = {
      {kAcceptMaxSize, "2", 20, 0},   // from 40 down to the new largest size
      {kAcceptMaxSize, "8", 20, 0},
      {kAcceptMinSize, "5", 50, 135},  // up to the new smallest size
      {kAcceptMinSize, "9", 50, 135},  // no range left: refused by the bar
  };
  // Sizes from 1 to 10 steps to start with, whatever the bundled ones are.
  for (const auto& [code, text] : {std::pair{kAcceptMinSize, "1"}, std::pair{kAcceptMaxSize, "10"}})
    ASSERT_EQ(callback::accept(code, text), callback::Outcome::Done);
  std::string text;
  ASSERT_TRUE(run(DFexLayersS, 4, "Bridges.flt", &text));
  EXPECT_EQ(parse(text), (FaultSets{{wirePair(), 88}}));
  for (const auto& s : steps) {
    SCOPED_TRACE(std::string(s.code == kAcceptMaxSize ? "MaxSize " : "MinSize ") + s.text);
    ASSERT_EQ(callback::accept(s.code, s.text), callback::Outcome::Done);
    EXPECT_EQ(theDefectScale, s.scale);
    ASSERT_TRUE(run(DFexLayersS, -1, "Bridges.flt", &text));
    EXPECT_EQ(DefectSize, s.scale * g() / 10);
    const FaultSets expected = s.weight ? FaultSets{{wirePair(), s.weight}} : FaultSets{};
    EXPECT_EQ(parse(text), expected) << text;
  }
  EXPECT_EQ(ui.scaleValue, 50) << "the bar is told where the scale went";
}

TEST_F(ShortTest, TileOfALayerWithoutPlaneAbandons)
{
  transistor(0, 0);
  ASSERT_TRUE(extract());
  _Dtile stray{};
  stray.type = 99;
  stray.node = 1;
  _Dtilelist list{&stray, nullptr};
  EXPECT_FALSE(action([&] { DFproc1NetS(&list, 0, 4 * g()); }));
  EXPECT_NE(err.find("Fatal: The layer not found.\n"), std::string::npos);
}

namespace {

// Bridge critical areas of random metal-1 layouts against an independent
// count: the layout is rasterised at one grid step per cell and each
// cell's set of nets touched by a defect centred there is counted.
//
// Every rectangle lies on the grid and the defect size is an even number of
// grid steps, so every critical rectangle, and every piece the critical-area
// plane cuts it into, has whole grid steps for sides: the weights, truncated
// per region, lose nothing and must match the cell counts exactly.

constexpr int kPitch = 45;    // between transistors: more than any defect
constexpr int kWireBase = 40;  // wires lie above the transistors

class RandomBridges : public faultex_test::FaultTest {
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
    restart();
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
  EXPECT_EQ(said('W', "more than 32 nets"), 1);
  EXPECT_TRUE(clean());
}
