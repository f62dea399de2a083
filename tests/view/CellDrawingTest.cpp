// Drawing a layout cell: priorities, switches, styles, the area test, call
// frames and labels.
#include <algorithm>

#include "ViewFixture.h"

namespace testing_support {
namespace {

class CellDrawing : public ViewTest {
 protected:
  void SetUp() override
  {
    ViewTest::SetUp();
    GCinstallVp(Vmain, 0, 0, 0, 0);
    cell = newCell("CIRCUIT");
    addBox(cell, 0, 10, 10, 50, 50);    // layer A
    addBox(cell, 1, 100, 10, 150, 50);  // layer B
    addBox(cell, 2, 200, 10, 250, 50);  // layer C
    show(cell);
  }

  _layout* cell = nullptr;
};

TEST_F(CellDrawing, LayersInPriorityOrderEachInItsColour)
{
  ACdispArea(Vmain, cell, 0, 0, 1000, 1000, Gsymbols);
  ASSERT_EQ(surface.ops.size(), 3u);
  EXPECT_EQ(surface.ops[0].text, "fill 100,400 51x41");  // B has priority 0
  EXPECT_EQ(surface.ops[0].color, pixelOf("green"));
  EXPECT_EQ(surface.ops[1].color, pixelOf("red"));
  EXPECT_EQ(surface.ops[2].color, pixelOf("blue"));
  for (const RecordingSurface::Op& op : surface.ops)
    EXPECT_EQ(op.stipple, &pattern);
}

TEST_F(CellDrawing, SwitchedOffLayerIsSkipped)
{
  Glayers[1].showswitch = 0;
  ACdispArea(Vmain, cell, 0, 0, 1000, 1000, Gsymbols);
  ASSERT_EQ(surface.ops.size(), 2u);
  EXPECT_EQ(surface.ops[0].color, pixelOf("red"));
  EXPECT_EQ(surface.ops[1].color, pixelOf("blue"));
}

TEST_F(CellDrawing, WithoutFillmodeOutlinesInTheLayerColour)
{
  Glayers[0].fillmode = 0;
  ACdispArea(Vmain, cell, 0, 0, 1000, 1000, Gsymbols);
  ASSERT_EQ(surface.ops.size(), 3u);
  EXPECT_EQ(surface.ops[1].text, "frame 10,400 40x40");
  EXPECT_EQ(surface.ops[1].color, pixelOf("red"));
  EXPECT_EQ(surface.ops[1].stipple, nullptr);
}

TEST_F(CellDrawing, OnlyBoxesReachingTheAreaAreDrawn)
{
  ACdispArea(Vmain, cell, 120, 0, 210, 60, Gsymbols);
  ASSERT_EQ(surface.ops.size(), 2u);
  EXPECT_EQ(surface.ops[0].color, pixelOf("green"));
  EXPECT_EQ(surface.ops[1].color, pixelOf("blue"));
  surface.forget();
  ACdispArea(Vmain, cell, 50, 60, 100, 70, Gsymbols);  // above everything
  EXPECT_TRUE(surface.ops.empty());
}

TEST_F(CellDrawing, LayerWithoutPriorityOrSlotIsNotDrawn)
{
  Glayers[2].priority = 7;  // no priority 2 any more
  Glayers[0].layer = -1;
  ACdispArea(Vmain, cell, 0, 0, 1000, 1000, Gsymbols);
  ASSERT_EQ(surface.ops.size(), 1u);
  EXPECT_EQ(surface.ops[0].color, pixelOf("green"));
}

TEST_F(CellDrawing, CallsAreDrawnAsFramesOfTheCalledCell)
{
  _layout* sub = newCell("CIRCUIT1");
  addBox(sub, 0, 0, 0, 20, 30);
  auto* call = common::make<_instance>();
  snprintf(call->cellname, sizeof call->cellname, "CIRCUIT1");
  call->optimes = 1;
  call->opcode[0] = {trans, 300, 100};
  cell->instance = call;
  show(cell);
  ACdisplayer(Vmain, nullptr, cell, 2, 0, 0, 1000, 1000, Gsymbols);
  ASSERT_EQ(surface.ops.size(), 2u);
  EXPECT_EQ(surface.ops[1].text, "frame 300,320 20x30");
  EXPECT_EQ(surface.ops[1].color, entry(2));
}

TEST_F(CellDrawing, TransformedLayerUnderACall)
{
  _instance at{};
  at.optimes = 2;
  at.opcode[0] = {mirror, -1, 1};
  at.opcode[1] = {trans, 400, 0};
  ACdisplayer(Vmain, &at, cell, 0, 0, 0, 1000, 1000, Gsymbols);
  ASSERT_EQ(surface.ops.size(), 1u);
  EXPECT_EQ(surface.ops[0].text, "fill 350,400 41x41");  // x 10..50 becomes 350..390
}

TEST_F(CellDrawing, WiresPolygonsAndCircles)
{
  _symbol* symbol = symbolOf(cell, 1);
  auto* wire = common::make<_paths>();
  wire->width = 10;
  wire->points = common::make<_points>();
  *wire->points = {300, 300, common::make<_points>()};
  *wire->points->next = {400, 300, nullptr};
  symbol->path = wire;
  auto* circle = common::make<_circles>();
  *circle = {40, 500, 100, nullptr};
  symbol->circle = circle;
  auto* poly = common::make<_polys>();
  poly->points = common::make<_points>();
  *poly->points = {0, 200, common::make<_points>()};
  *poly->points->next = {40, 240, common::make<_points>()};
  *poly->points->next->next = {40, 200, nullptr};
  symbol->poly = poly;
  Glayers[1].fillmode = 0;
  ACdisplayer(Vmain, nullptr, cell, 1, 0, 0, 1000, 1000, Gsymbols);
  std::vector<std::string> texts = surface.texts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0], "frame 100,400 50x40");
  EXPECT_EQ(texts[1], "outline 295,145 405,145 405,155 295,155");
  EXPECT_EQ(texts[2], "outline 0,250 40,210 40,250");
  EXPECT_EQ(texts[3], "arc 480,330 40x40 0 23040");
}

TEST_F(CellDrawing, DispallFitsClearsAndDraws)
{
  ACdispall(Vmain, cell, Gsymbols);
  // Frame (10,10)-(250,50): 240 / 500 is the tighter scale.
  EXPECT_FLOAT_EQ(Vmain->scale, 240.0f / 500);
  ASSERT_EQ(surface.ops.size(), 4u);
  EXPECT_EQ(surface.ops[0].text, "clear");
  EXPECT_GT(surface.flushes, 0);
}

TEST_F(CellDrawing, DispallOfAnEmptyCellOnlyClears)
{
  _layout* empty = newCell("CIRCUIT9");
  Vmain->scale = 4;
  ACdispall(Vmain, empty, Gsymbols);
  EXPECT_FLOAT_EQ(Vmain->scale, 4);
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"clear"}));
}

TEST_F(CellDrawing, LabelsOfShownLayersInsideTheBox)
{
  addLabel(cell, 0, "in", 20, 20);
  addLabel(cell, 1, "out", 120, 20);
  addLabel(cell, 2, "far", 900, 20);
  Glayers[1].showswitch = 0;
  LabelDisplay(Vmain, cell, 5, 0, 0, 500, 500);
  ASSERT_EQ(surface.ops.size(), 1u);
  EXPECT_EQ(surface.ops[0].text, "string 20,430 in");
  EXPECT_EQ(surface.ops[0].color, entry(5));
}

TEST_F(CellDrawing, LayerBoxFollowsTheLayerStyle)
{
  view::layerBox(Vmain, &Glayers[2], 0, 0, 40, 40);
  Glayers[2].fillmode = 0;
  view::layerBox(Vmain, &Glayers[2], 0, 0, 40, 40);
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"fill 0,410 41x41", "frame 0,410 40x40"}));
  EXPECT_EQ(surface.ops[0].stipple, &pattern);
  EXPECT_EQ(surface.ops[1].stipple, nullptr);
  EXPECT_EQ(surface.ops[1].color, pixelOf("blue"));
}

TEST_F(CellDrawing, ChartFrame)
{
  GCmakeView(Vmain, 10.0f, 1.0f, 10, 10, "Defect Size", "Yield");
  std::vector<RecordingSurface::Op> lines = surface.withPrefix("line");
  int dashed = 0;
  for (const RecordingSurface::Op& op : lines)
    dashed += op.dashed;
  EXPECT_EQ(dashed, 12 + 12);
  EXPECT_EQ(lines[0].color, entry(20));
  // 550 / 12 = 45 pixels a column, 450 / 12 = 37 a row.
  EXPECT_EQ(lines[0].text, "line 45,37 45,413");
  std::vector<std::string> texts = surface.texts();
  auto has = [&](const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  };
  EXPECT_TRUE(has("string 5,37 1.0000"));
  EXPECT_TRUE(has("string 5,370 0.1000"));
  EXPECT_FALSE(has("string 5,407 0.0000"));
  EXPECT_TRUE(has("string 39,429 0.0"));
  EXPECT_TRUE(has("string 489,429 10.0"));
}

}  // namespace
}  // namespace testing_support
