// Bridges and pinholes on hand-made layouts whose critical areas can be
// worked out by hand, the record merge and its cap, and the runs that are
// abandoned.  Lengths are grid steps unless said otherwise.
#include <gtest/gtest.h>

#include <algorithm>

#include "DPparasitic.h"
#include "DTtechnology.h"
#include "ShortSupport.h"

using faultex_test::FaultSets;
using faultex_test::ShortTest;

namespace {

constexpr int kLength = 40;  // of the aligned wires
constexpr int kWidth = 4;
constexpr int kBottom = 100;

// Two aligned metal-2 wires of equal length at edge spacing s, joined to
// their transistors from opposite ends so that nothing else comes near.
class TwoWires : public ShortTest {
 protected:
  void draw(int s)
  {
    metal2Wire(0, kBottom, kBottom + kLength, kWidth, true);
    metal2Wire(kWidth + s, kBottom, kBottom + kLength, kWidth, false);
  }
  std::vector<int> pair()
  {
    int a = netAt("CMS", 1, kBottom + 1), b = netAt("CMS", kWidth + sp_ + 1, kBottom + 1);
    return {std::min(a, b), std::max(a, b)};
  }
  int sp_ = 0;
};

struct TwoWireCase {
  int spacing;
  int defect;
  long weight;  // 0: no bridge
};

}  // namespace

// A defect of size D bridges the wires when 2 floor(D/2) > s, over
// (2 floor(D/2) - s) x (l + 2 floor(D/2)); the pair is met from both nets
// and counted once.
TEST_F(TwoWires, BridgeFollowsTheFormulaAndItsThreshold)
{
  const TwoWireCase cases[] = {
      {2, 4, 2L * (kLength + 4)},
      {3, 6, 3L * (kLength + 6)},
      {1, 3, 2L * (kLength + 3)},  // half-step growth: 60 units
      {4, 5, 1L * (kLength + 5)},
      {4, 4, 0},                   // the threshold
      {3, 2, 0},
  };
  for (const TwoWireCase& c : cases) {
    SCOPED_TRACE("spacing " + std::to_string(c.spacing) + " defect " + std::to_string(c.defect));
    TearDown();
    SetUp();
    sp_ = c.spacing;
    draw(c.spacing);
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
    EXPECT_EQ(parse(text), (FaultSets{{pair(), c.weight}})) << text;
    EXPECT_EQ(FShortNum, 1);
    EXPECT_NE(err.find("Total fault weight(critical area): " + std::to_string(c.weight) + "."),
              std::string::npos);
  }
}

// Three aligned wires at spacing 2, width 4, defect 12: a defect centre
// within 4 of the middle wire's axis touches all three.
TEST_F(ShortTest, ThreeWiresGiveAThreeNetBridgeBetweenTwoPairs)
{
  metal2Wire(0, kBottom, kBottom + kLength, kWidth, true);
  // The middle wire reaches down past the first one's leg to its own.
  metal2Wire(6, kBottom - 60, kBottom + kLength, kWidth, true);
  metal2Wire(12, kBottom, kBottom + kLength, kWidth, false);
  ASSERT_TRUE(extract());
  std::vector<int> nets = {netAt("CMS", 1, kBottom + 1), netAt("CMS", 7, kBottom + 1),
                           netAt("CMS", 13, kBottom + 1)};
  const int a = nets[0], b = nets[1], c = nets[2];
  auto sorted = [](std::vector<int> v) {
    std::sort(v.begin(), v.end());
    return v;
  };
  std::string text;
  ASSERT_TRUE(run(DFexLayersS, 12, "Bridges.flt", &text));
  const long span = kLength + 12;
  EXPECT_EQ(parse(text), (FaultSets{{sorted({a, b, c}), 4 * span},
                                    {sorted({a, b}), 6 * span},
                                    {sorted({b, c}), 6 * span}}))
      << text;
  EXPECT_GT(fills(10), 0) << "three-net regions are painted in colour 10";
  EXPECT_GT(fills(1), 0) << "two-net regions in colour 1";
  EXPECT_TRUE(clean());
}

// Source and drain of one transistor are never bridged across the gate,
// while the active regions of two transistors side by side are.
TEST_F(ShortTest, NoBridgeAcrossAChannel)
{
  transistor(0, 0);
  transistor(32, 0);  // 2 apart
  ASSERT_TRUE(extract());
  const int drain0 = netAt("CAA", 25, 1), source1 = netAt("CAA", 33, 1);
  std::string text;
  ASSERT_TRUE(run(DFexLayersS, 8, "Bridges.flt", &text));
  // Only the pair across the 2-step gap: (8 - 2) x (15 + 8).
  EXPECT_EQ(parse(text), (FaultSets{{{std::min(drain0, source1), std::max(drain0, source1)},
                                     6 * 23}}))
      << text;
}

// A poly line of one net crossing a metal-1 wire of another gives a pinhole
// over their overlap, counted once.
TEST_F(ShortTest, PinholesAreTheOverlapsOfContactedLayers)
{
  transistor(0, 0);
  box("CMF", 4, 11, 7, 40);
  transistor(60, 0);
  box("CPG", 72, 20, 78, 34);  // the second gate, led up and across
  box("CPG", 2, 30, 78, 34);
  ASSERT_TRUE(extract());
  const int wire = netAt("CMF", 5, 35), gate = netAt("CPG", 74, 21);
  ASSERT_NE(wire, gate);
  std::string text;
  ASSERT_TRUE(run(DFexLayersP, 2, "Pinholes.flt", &text));
  EXPECT_EQ(parse(text), (FaultSets{{{std::min(wire, gate), std::max(wire, gate)}, 3 * 4}}))
      << text;
  EXPECT_TRUE(clean());
}

// The selected net's run paints and counts the pair but writes nothing; the
// run on the active layer writes it to the layer's file; showing the active
// layer paints the pair's area once.
TEST_F(TwoWires, SelectedNetAndActiveLayerRunsFindThePair)
{
  sp_ = 2;
  draw(2);
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
  const std::string file = "layer" + std::to_string(DlayerTile[plane].layer) + ".sht";
  ASSERT_TRUE(run(DFex1LayerS, 4, file, &text));
  EXPECT_EQ(parse(text), (FaultSets{{pair(), 2L * (kLength + 4)}})) << text << err;
  EXPECT_TRUE(clean());

  surface.ops.clear();
  ASSERT_TRUE(run(DFshowShort, 4, "Bridges.flt", &text));
  Glayers[cs::layerIndexOfPlane(plane)].active = 0;
  EXPECT_EQ(fills(1), 1) << "the pair's area, once";
  EXPECT_TRUE(clean()) << "the marks are cleared";
}

// A fault file that cannot be made abandons the run; the planes, marks and
// table are left clean and the next run finds the same pair.
TEST_F(TwoWires, UnwritableFileAbandonsTheRunCleanly)
{
  sp_ = 2;
  draw(2);
  ASSERT_TRUE(extract());
  std::string text;
  EXPECT_FALSE(run(DFexLayersS, 4, "Bridges.flt", &text, "Bridges.flt"));
  EXPECT_NE(err.find("Fatal: File open error.\n"), std::string::npos);
  EXPECT_TRUE(clean());
  ASSERT_TRUE(run(DFexLayersS, 4, "Bridges.flt", &text));
  EXPECT_EQ(parse(text), (FaultSets{{pair(), 2L * (kLength + 4)}})) << text;
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
