// The yield analysis: critical areas against an independent rasterisation,
// the sweeps, the probability of failure, the yield model and the plots.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "CS.h"
#include "DFfault.h"
#include "DTtechnology.h"
#include "DYyield.h"
#include "Dview.h"
#include "ExtractSupport.h"
#include "RecordingSurface.h"

namespace {

constexpr int kGrid = 40;  // layout units per grid step with the bundled sysrc

struct Rect {
  int x1, y1, x2, y2;  // grid steps
};

class YieldTest : public extract_test::ExtractTest {
 protected:
  void SetUp() override
  {
    ExtractTest::SetUp();
    DYinit();
    saved = std::tie(theDefectScale, theMinDefectSize, theMaxDefectSize, theStep);
  }
  void TearDown() override
  {
    std::tie(theDefectScale, theMinDefectSize, theMaxDefectSize, theStep) = saved;
    DIvpInit(Vpopup, nullptr, nullptr);
    DYinit();
    ExtractTest::TearDown();
  }
  // Only the layer `name` is active; returns it.
  _layerDef* activate(const char* name)
  {
    _layerDef* found = nullptr;
    for (int i = 0; i < GlayerNum; ++i) {
      Glayers[i].active = strcmp(Glayers[i].name, name) == 0 ? 1 : 0;
      found = Glayers[i].active ? &Glayers[i] : found;
    }
    return found;
  }
  bool built() { return action([] { DCcrtCS(); }); }
  // Every tile of the plane has its yield mark cleared and the
  // critical-area companion is empty again.
  void expectCleanPlane(int plane)
  {
    EXPECT_EQ(cs::countTiles(DlayerTile[plane].crittile), 1);
    for (_Dtile* t : cs_test::allTiles(DlayerTile[plane].layertile))
      ASSERT_EQ(t->processed & 0x100, 0);
  }
  void fillSensitivity(std::vector<std::pair<float, float>> points)
  {
    Fsensitivity.length = static_cast<int>(points.size());
    for (size_t i = 0; i < points.size(); ++i)
      std::tie(Fsensitivity.datax[i], Fsensitivity.datay[i]) = points[i];
  }

  std::tuple<int, int, int, int> saved;
};

// Nets of a set of rectangles: those overlapping or sharing a piece of edge
// are one net.
std::vector<int> netsOf(const std::vector<Rect>& rects)
{
  std::vector<int> parent(rects.size());
  std::iota(parent.begin(), parent.end(), 0);
  auto find = [&](int i) {
    while (parent[i] != i)
      i = parent[i] = parent[parent[i]];
    return i;
  };
  for (size_t i = 0; i < rects.size(); ++i)
    for (size_t j = i + 1; j < rects.size(); ++j) {
      const Rect &a = rects[i], &b = rects[j];
      int w = std::min(a.x2, b.x2) - std::max(a.x1, b.x1);
      int h = std::min(a.y2, b.y2) - std::max(a.y1, b.y1);
      if ((w >= 0 && h >= 0) && (w > 0 || h > 0))
        parent[find(int(i))] = find(int(j));
    }
  std::vector<int> net(rects.size());
  for (size_t i = 0; i < rects.size(); ++i)
    net[i] = find(int(i)) + 1;
  return net;
}

// Grid cells whose square of half side `half` touches two nets: the cells
// covered by the wires of two nets grown by `half`.
long rasterArea(const std::vector<Rect>& rects, const std::vector<int>& net, int half)
{
  std::map<std::pair<int, int>, std::set<int>> cells;
  for (size_t i = 0; i < rects.size(); ++i)
    for (int x = rects[i].x1 - half; x < rects[i].x2 + half; ++x)
      for (int y = rects[i].y1 - half; y < rects[i].y2 + half; ++y)
        cells[{x, y}].insert(net[i]);
  long area = 0;
  for (const auto& c : cells)
    area += c.second.size() >= 2;
  return area;
}

TEST_F(YieldTest, ShortCriticalAreaIsTheRasterisedUnionOfBridgeRegions)
{
  std::mt19937 random(12);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    TearDown();
    SetUp();
    std::vector<Rect> rects;
    std::uniform_int_distribution<int> pos(0, 24), len(1, 8);
    for (int i = 0; i < 9; ++i) {
      int x = pos(random), y = pos(random);
      rects.push_back({x, y, x + len(random), y + len(random)});
    }
    for (const Rect& r : rects)
      rect("CMF", r.x1 * kGrid, r.y1 * kGrid, r.x2 * kGrid, r.y2 * kGrid);
    rect("CPG", 100 * kGrid, 100 * kGrid, 101 * kGrid, 101 * kGrid);  // a wide layout
    ASSERT_TRUE(built());
    const int plane = planeOf("CMF");
    ASSERT_GE(plane, 0);
    std::vector<int> net = netsOf(rects);
    for (_Dtile* t : cs_test::allTiles(DlayerTile[plane].layertile))
      for (size_t i = 0; i < rects.size() && t->type == DlayerTile[plane].layer; ++i)
        if (t->x1 >= rects[i].x1 * kGrid && t->x1 < rects[i].x2 * kGrid &&
            t->y1 >= rects[i].y1 * kGrid && t->y1 < rects[i].y2 * kGrid)
          t->node = net[i];
    for (int steps : {2, 4, 6}) {
      double area = 0;
      ASSERT_TRUE(action([&] {
        area = DYcritAreaS(plane, steps * kGrid, cs::kMin, cs::kMin, cs::kMax, cs::kMax, 0);
      }));
      EXPECT_DOUBLE_EQ(area, double(rasterArea(rects, net, steps / 2))) << "D = " << steps;
      expectCleanPlane(plane);
    }
  }
}

TEST_F(YieldTest, CriticalAreaIsCappedAtTheLayoutArea)
{
  // Two wires one grid step apart: a huge defect bridges everywhere.
  rect("CMF", 0, 0, 10 * kGrid, kGrid);
  rect("CMF", 0, 2 * kGrid, 10 * kGrid, 3 * kGrid);
  ASSERT_TRUE(built());
  int plane = planeOf("CMF");
  Stitch = DlayerTile[plane].layertile;
  PointFind(kGrid, kGrid / 2)->node = 1;
  Stitch = DlayerTile[plane].layertile;
  PointFind(kGrid, 2 * kGrid + kGrid / 2)->node = 2;
  double area = DYcritAreaS(plane, 40 * kGrid, cs::kMin, cs::kMin, cs::kMax, cs::kMax, 0);
  EXPECT_DOUBLE_EQ(DYlayoutArea(), 30.0);
  EXPECT_DOUBLE_EQ(area, 30.0);
  EXPECT_NE(ui.lastLine().find("Sensitivity : 1.000"), std::string::npos) << ui.lastLine();
  EXPECT_NE(out.find("Critical Area: 30.000000\n"), std::string::npos);
  // Nothing within two grid steps of the other net: no area at all.
  EXPECT_DOUBLE_EQ(DYcritAreaS(plane, kGrid / 2, cs::kMin, cs::kMin, cs::kMax, cs::kMax, 0), 0);
  expectCleanPlane(plane);
}

TEST_F(YieldTest, OpenCriticalAreaOfAShortWire)
{
  // A wire of 4 x 1 grid steps between the space strips below and above
  // it and left and right of it.  Below/above meet across it over
  // (4 + D) x (D - 1); left/right meet along it once D exceeds its length,
  // over (D - 4) x (1 + D), centred on the wire; the area is their union.
  rect("CMF", 10 * kGrid, 10 * kGrid, 14 * kGrid, 11 * kGrid);
  rect("CPG", 100 * kGrid, 100 * kGrid, 101 * kGrid, 101 * kGrid);
  ASSERT_TRUE(built());
  int plane = planeOf("CMF");
  const std::pair<int, double> cases[] = {
      {4, 8 * 3}, {6, 10 * 5 + 2 * 7 - 2 * 5}, {10, 14 * 9 + 6 * 11 - 6 * 9}};
  for (const auto& [steps, expected] : cases) {
    EXPECT_DOUBLE_EQ(DYcritAreaO(plane, steps * kGrid, cs::kMin, cs::kMin, cs::kMax, cs::kMax, 0),
                     expected)
        << "D = " << steps;
    expectCleanPlane(plane);
  }
  EXPECT_EQ(out.find("Critical Area:"), std::string::npos);  // opens print no such line
}

// A sweep takes one point per step and moves the defect scale; one of more
// than 100 points stops there, once per further point; refusals.
TEST_F(YieldTest, SweepsTakeOnePointPerStepUpToOneHundred)
{
  horizontal(0, 0);
  rect("CMF", 0, 1000, 1200, 1040);
  ASSERT_TRUE(extract());
  activate("CMF");
  std::tie(theMinDefectSize, theMaxDefectSize, theStep) = std::make_tuple(10, 100, 10);
  ASSERT_TRUE(action([] { DYanaShort(); }));
  ASSERT_EQ(Fsensitivity.length, 10);
  for (int i = 0; i < 10; ++i)
    EXPECT_FLOAT_EQ(Fsensitivity.datax[i], (i + 1) * 10.0f / kGrid);
  EXPECT_EQ(theDefectScale, 25);  // 100 / 40 grid steps, in tenths
  EXPECT_TRUE(ui.saw('L', "Analyzing layout sensitivity for missing materials done"));
  ASSERT_TRUE(action([] { DYanaOpen(); }));
  EXPECT_EQ(Fsensitivity.length, 10);
  EXPECT_TRUE(ui.saw('L', "Analyzing layout sensitivity for extra materials done"));
  expectCleanPlane(planeOf("CMF"));
  activate("none");
  EXPECT_EQ(DYanaOpen(), 1);
  EXPECT_TRUE(ui.saw('W', "No active layer, select one"));
  activate("CMF");
  theStep = 0;  // would never end
  EXPECT_EQ(DYanaShort(), 1);

  activate("CAA");
  std::tie(theMinDefectSize, theMaxDefectSize, theStep) = std::make_tuple(1, 105, 1);
  ASSERT_TRUE(action([] { DYanaShort(); }));
  EXPECT_EQ(Fsensitivity.length, kMaxCurvePoints);
  int errors = 0;
  for (const auto& m : ui.messages)
    errors += m.kind == 'E' && m.line.find("Iteration out of bounds, stopped") != std::string::npos;
  EXPECT_EQ(errors, 5);
}

class CurveTest : public YieldTest {
 protected:
  void SetUp() override
  {
    YieldTest::SetUp();
    rect("CMF", 0, 0, 100 * kGrid, 50 * kGrid);  // 5000 square grid steps
    ASSERT_TRUE(built());
    _layerDef* l = activate("CMF");
    std::tie(l->X0, l->D0, l->Y0, l->alfa) = std::make_tuple(2, 10, 0.9f, 2);
    DIvpInit(Vpopup, &plot, nullptr);
  }
  testing_support::RecordingSurface plot{1000, 1000};
};

TEST_F(CurveTest, SinglePointGivesNoFailureAndYieldY0Everywhere)
{
  fillSensitivity({{4, 0.5f}});
  ASSERT_EQ(DYpof(), 0);
  EXPECT_NE(out.find("Possibility of failure: 0.000000.\n"), std::string::npos) << out;
  ASSERT_EQ(DYyx(), 0);
  ASSERT_EQ(Fyield.length, 20);  // 100 to 2000 by 100
  for (int i = 0; i < 20; ++i) {
    EXPECT_FLOAT_EQ(Fyield.datax[i], 100.0f * (i + 1));
    EXPECT_FLOAT_EQ(Fyield.datay[i], 0.9f);
  }
}

TEST_F(CurveTest, PofIntegralAndYieldModel)
{
  // POF = s D0 X0^2 / x^3: 0.5 at x = 2, 0.25 at x = 4 and 8 / 216 at 6.
  fillSensitivity({{2, 0.1f}, {4, 0.4f}, {6, 0.2f}});
  ASSERT_EQ(DYpof(), 0);
  ASSERT_EQ(FpofFailure.length, 3);
  const float pof[] = {0.5f, 0.25f, 8.0f / 216};
  for (int i = 0; i < 3; ++i)
    EXPECT_FLOAT_EQ(FpofFailure.datay[i], pof[i]);
  const double lambda = (0.5 + 0.25) + (0.25 + 8.0 / 216);  // trapezoids, step 2
  EXPECT_NE(out.find("Possibility of failure: " + std::to_string(lambda).substr(0, 8)),
            std::string::npos)
      << out;
  Fdensity = {500, 1500, 500};
  ASSERT_EQ(DYyx(), 0);
  ASSERT_EQ(Fyield.length, 3);
  for (int i = 0; i < 3; ++i) {
    double d = 500.0 * (i + 1);
    EXPECT_NEAR(Fyield.datay[i], 0.9 / std::pow(1 + 5000e-7 * d * lambda / 2, 2), 1e-6) << d;
  }
}

TEST_F(CurveTest, DensityRangeStopsAtOneHundredPoints)
{
  fillSensitivity({{2, 0.1f}, {4, 0.4f}});
  Fdensity = {10, 2000, 10};  // 200 densities
  ASSERT_EQ(DYyx(), 0);
  EXPECT_EQ(Fyield.length, kMaxCurvePoints);
  EXPECT_FLOAT_EQ(Fyield.datax[kMaxCurvePoints - 1], 1000.0f);
  EXPECT_TRUE(ui.saw('W', "more than 100 points, stopped at 1000"));
  Fdensity = {100, 2000, 0};  // would never end
  EXPECT_EQ(DYyx(), 1);
}

TEST_F(CurveTest, MissingLayerOrDataIsWarnedAndNothingIsDrawn)
{
  const struct {
    const char* layer;  // the active one; sensitivity data only with "none"
    int (*call)();
    const char* warning;
  } cases[] = {
      {"CMF", DYanaShort, "Do circuit extraction first"},
      {"CMF", DYCarea, "No data available to view the layout sensitivity"},
      {"CMF", DYpof, "No data available to view the POF"},
      {"CMF", DYyx, "Please analyse the layout sensitivity first"},
      {"none", DYdx, "Select an active layer first"},
      {"none", DYpof, "No active layer, select one"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.warning);
    activate(c.layer);
    fillSensitivity(strcmp(c.layer, "none") == 0 ? std::vector<std::pair<float, float>>{{2, 0.1f}}
                                                 : std::vector<std::pair<float, float>>{});
    EXPECT_EQ(c.call(), 1);
    EXPECT_TRUE(ui.saw('W', c.warning));
  }
  EXPECT_TRUE(plot.ops.empty());
  EXPECT_EQ(PopupWhat, 0);
}

TEST_F(CurveTest, SensitivityPlotMarksEveryPointAndJoinsThem)
{
  fillSensitivity({{2.5f, 0.1f}, {5, 0.5f}, {10, 1}});
  theMaxDefectSize = 10 * kGrid;  // the x axis ends at 10 grid steps
  ASSERT_EQ(DYCarea(), 0);
  EXPECT_EQ(PopupWhat, 3);
  const unsigned long curve = GCworkStation[GCstationId].color[6].pixel;
  const unsigned long marks = GCworkStation[GCstationId].color[1].pixel;
  std::vector<std::string> drawn;
  for (const auto& op : plot.ops)
    if ((op.color == curve && op.text.rfind("line", 0) == 0) ||
        (op.color == marks && op.text.rfind("frame", 0) == 0))
      drawn.push_back(op.text);
  // 1000 x 1000 pixels: plot coordinates with y turned over.
  std::sort(drawn.begin(), drawn.end());
  EXPECT_EQ(drawn, (std::vector<std::string>{"frame 281,824 20x20", "frame 490,490 20x20",
                                             "frame 907,73 20x20", "line 291,834 500,500",
                                             "line 500,500 917,83"}));
  // The plot's margin, and an empty y range kept on the axis.
  int px, py;
  DYmapXY(10, 1, 10, 10, 0, 0, &px, &py);
  EXPECT_EQ(std::make_pair(px, py), std::make_pair(83, 83));
  DYmapXY(10, 0, 10, 10, 5, 0, &px, &py);
  EXPECT_EQ(std::make_pair(px, py), std::make_pair(500, 83));
  // The redraw of the window draws the same again.
  size_t before = plot.ops.size();
  view::setPlotRedraw(DYpopup);
  view::redrawPlot();
  EXPECT_GE(plot.ops.size(), 2 * before);
}

TEST_F(CurveTest, DistributionCurveRisesToX0AndFalls)
{
  theStep = 100;  // s = 100 / 400 = 0.25
  theMaxDefectSize = 4 * kGrid;
  ASSERT_EQ(DYdx(), 0);
  EXPECT_EQ(PopupWhat, 1);
  const unsigned long curve = GCworkStation[GCstationId].color[3].pixel;
  int segments = 0, peakY = 1000;
  for (const auto& op : plot.ops) {
    int x1, y1, x2, y2;
    if (op.color == curve && sscanf(op.text.c_str(), "line %d,%d %d,%d", &x1, &y1, &x2, &y2) == 4) {
      ++segments;
      peakY = std::min(peakY, y2);
    }
  }
  EXPECT_EQ(segments, 8 + 8);  // 0 to X0 = 2 and on to 4 in steps of 0.25
  EXPECT_EQ(peakY, 83);          // the peak D0 / X0 is the top of the chart
}

}  // namespace
