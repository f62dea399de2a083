// Drawing the planes and the tile inspection commands, on a recording
// surface.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "DTtechnology.h"
#include "Devent.h"
#include "Dview.h"
#include "PlaneSupport.h"
#include "RecordingSurface.h"

namespace {

using cs_test::BuildTest;
using testing_support::RecordingSurface;

constexpr int kWidth = 550;
constexpr int kHeight = 450;

class DisplayTest : public BuildTest {
 protected:
  void SetUp() override
  {
    BuildTest::SetUp();
    DEinit();
    DIvpInit(Vmain, &surface, nullptr);
    GCinstallVp(Vmain, -50, -100, 0, 0);  // world (x, y) is pixel (x + 50, 350 - y)
    rect("CAA", 0, 0, 100, 40);
    rect("CPG", 40, -20, 60, 60);
    rect("CMF", 200, 0, 260, 40);
  }
  void TearDown() override
  {
    DEinit();
    DIvpInit(Vmain, nullptr, nullptr);
    BuildTest::TearDown();
  }

  static unsigned long entry(int index) { return GCworkStation[GCstationId].color[index].pixel; }
  static unsigned long colourOf(const char* layer)
  {
    for (int i = 0; i < GlayerNum; ++i)
      if (strcmp(Glayers[i].name, layer) == 0)
        return GCworkStation[GCstationId].color[GCgetNamedColorName(Glayers[i].color)].pixel;
    return 0;
  }
  // Filled rectangles drawn in `pixel`.
  std::vector<std::string> fills(unsigned long pixel) const
  {
    std::vector<std::string> found;
    for (const RecordingSurface::Op& op : surface.withPrefix("fill "))
      if (op.color == pixel)
        found.push_back(op.text);
    return found;
  }

  // Lines drawn in `pixel`, sorted.
  std::vector<std::string> lines(unsigned long pixel) const
  {
    std::vector<std::string> found;
    for (const RecordingSurface::Op& op : surface.withPrefix("line "))
      if (op.color == pixel)
        found.push_back(op.text);
    std::sort(found.begin(), found.end());
    return found;
  }

  RecordingSurface surface{kWidth, kHeight};
};

// Filled rectangles cover one pixel more than their size.
TEST_F(DisplayTest, PlanesAreDrawnInTheirLayerStyleWithElementsInColourTwo)
{
  DCcrtCS();
  surface.forget();
  TileDisplay(Vmain, 0, 0, 300, 100);
  EXPECT_EQ(fills(entry(2)), (std::vector<std::string>{"fill 90,310 21x41", "fill 90,310 21x41"}))
      << "the gate region of the active plane and of the gate plane";
  EXPECT_EQ(fills(colourOf("CAA")).size(), 2u) << "active material left and right of the gate";
  EXPECT_EQ(fills(colourOf("CMF")), std::vector<std::string>{"fill 250,310 61x41"});
  ASSERT_FALSE(surface.withPrefix("fill 250,310").empty());
  EXPECT_NE(surface.withPrefix("fill 250,310").front().stipple, nullptr) << "stippled layer";
  // A layer switched off is not drawn.
  for (int i = 0; i < GlayerNum; ++i)
    if (strcmp(Glayers[i].name, "CMF") == 0)
      Glayers[i].showswitch = 0;
  surface.forget();
  TileDisplay(Vmain, 0, 0, 300, 100);
  EXPECT_TRUE(fills(colourOf("CMF")).empty());
  EXPECT_FALSE(fills(colourOf("CAA")).empty());
}

TEST_F(DisplayTest, HighlightAndSelectionFollowTheirSwitches)
{
  DCcrtCS();
  _Dtile* metal = at("CMF", 230, 20);
  DlayerTile[0].highlight = TileToList(nullptr, metal);
  DlayerTile[0].selected = TileToList(nullptr, metal);
  surface.forget();
  TileDisplay(Vmain, 0, 0, 300, 100);
  EXPECT_EQ(fills(entry(1)), std::vector<std::string>{"fill 250,310 61x41"});
  EXPECT_EQ(fills(entry(6)), std::vector<std::string>{"fill 250,310 61x41"});
  for (const RecordingSurface::Op& op : surface.withPrefix("fill 250,310")) {
    if (op.color == entry(1) || op.color == entry(6)) {
      EXPECT_EQ(op.stipple, &view::hatchPattern()) << "a hatch keeps the labels readable";
    }
  }
  EXPECT_EQ(lines(entry(1)).size(), 4u) << "the tile's outline";
  FsetHighlight = 0;
  FsetSelected = 0;
  surface.forget();
  TileDisplay(Vmain, 0, 0, 300, 100);
  EXPECT_TRUE(fills(entry(1)).empty());
  EXPECT_TRUE(fills(entry(6)).empty());
}

// A metal L: a bar and a stub on its right end.  The marked region is
// outlined where it ends; the side the two tiles share is open when they are
// on one net, drawn from both sides when they are not.
TEST_F(DisplayTest, MarkedTilesAreOutlinedWhereTheRegionEnds)
{
  rect("CMF", 240, 40, 260, 80);
  DCcrtCS();
  _Dtile* bar = at("CMF", 230, 20);
  _Dtile* stub = at("CMF", 250, 60);
  ASSERT_NE(bar, stub);
  _Dtilelist* list = TileToList(TileToList(nullptr, bar), stub);
  const std::vector<std::string> outline = {
      "line 250,310 290,310",  // bar: top left of the stub
      "line 250,350 250,310",  // bar: left
      "line 250,350 310,350",  // bar: bottom
      "line 290,310 290,270",  // stub: left
      "line 290,270 310,270",  // stub: top
      "line 310,310 310,270",  // stub: right
      "line 310,350 310,310",  // bar: right
  };
  for (bool oneNet : {true, false}) {
    SCOPED_TRACE(oneNet ? "one net" : "two nets");
    bar->node = 7;
    stub->node = oneNet ? 7 : 8;
    surface.forget();
    cs::markTiles(Vmain, list, 3);
    std::vector<std::string> expected = outline;
    if (!oneNet) {
      expected.push_back("line 290,310 310,310");  // the shared side, from the bar
      expected.push_back("line 290,310 310,310");  // and from the stub
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines(entry(3)), expected);
    for (const RecordingSurface::Op& op : surface.withPrefix("line "))
      EXPECT_EQ(op.lineWidth, 2);
    EXPECT_EQ(fills(entry(3)).size(), 2u);
  }
  FreeList(list);
}

TEST_F(DisplayTest, FitInModeNineShowsThePlanes)
{
  DCcrtCS();  // activates the planes
  ASSERT_EQ(DworkingMode, kModePlanes);
  surface.forget();
  DVfit();
  EXPECT_FALSE(fills(entry(2)).empty());
  EXPECT_GT(Vmain->scale, 0.0f);
  EXPECT_LT(Vmain->scale, 1.0f) << "the frame of plane 0 is centred";
  GCfreeCS();
  surface.forget();
  DVfit();
  EXPECT_TRUE(fills(entry(2)).empty());
}

TEST_F(DisplayTest, TileMarks)
{
  DCcrtCS();
  _Dtile* metal = at("CMF", 230, 20);
  surface.forget();
  BoundTile(metal, 3);
  FlagTile(metal, 4);
  TestTile(nullptr, 3);
  BoundTile(nullptr, 3);
  FlagTile(nullptr, 3);
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"frame 250,310 60x40", "arc 260,310 40x40 0 23040"}));
}

// The inspection commands paint the tile under the point or its
// neighbours, in the plane of plane 0 or of the active layer.
TEST_F(DisplayTest, InspectionCommandsPaintTheTilesAtThePoint)
{
  DCcrtCS();
  surface.forget();
  EXPECT_EQ(DCtile(), 0);
  EXPECT_EQ(event::press(1, 20, 20), event::Press::Taken);
  EXPECT_EQ(fills(entry(2)), std::vector<std::string>{"fill 50,310 41x41"}) << "active, left of the gate";
  surface.forget();
  event::press(1, 20, 50);  // the command repeats; space is painted in colour 1
  EXPECT_EQ(fills(entry(1)).size(), 1u);
  EXPECT_TRUE(fills(entry(2)).empty());
  DCright();
  surface.forget();
  event::press(1, 20, 20);
  EXPECT_EQ(fills(entry(2)), std::vector<std::string>{"fill 90,310 21x41"}) << "the gate region";
  DCneighbors();
  surface.forget();
  event::press(1, 50, 20);
  // The gate region: active left and right, space above and below.
  EXPECT_EQ(fills(entry(2)).size(), 2u);
  EXPECT_EQ(fills(entry(1)).size(), 2u);
  DCupper();
  surface.forget();
  event::press(1, 50, 20);
  EXPECT_EQ(fills(entry(1)).size(), 1u);
  CurrentStitch = NamedLayerTile("CPG");
  DCtile();
  surface.forget();
  event::press(1, 50, 50);
  EXPECT_EQ(fills(entry(2)), std::vector<std::string>{"fill 90,290 21x21"}) << "gate material above";
}

// Without planes nothing is drawn and no point is asked for; planes freed
// while a command waits for its point are not inspected.
TEST_F(DisplayTest, WithoutPlanesThereIsNothingToDrawOrInspect)
{
  TileDisplay(Vmain, 0, 0, 300, 100);
  EXPECT_TRUE(ui.saw('W', "No corner stitch layout"));
  EXPECT_TRUE(surface.ops.empty());
  EXPECT_EQ(DCtile(), 1);
  EXPECT_TRUE(ui.saw('E', "Corner stitch not available"));
  EXPECT_EQ(event::wantedButton(), 0) << "no point is asked for";
  DCcrtCS();
  DCleft();
  GCfreeCS();
  ui.messages.clear();
  event::press(1, 20, 20);
  EXPECT_TRUE(ui.saw('E', "Corner stitch not available"));
  EXPECT_TRUE(fills(entry(2)).empty());
}

}  // namespace
