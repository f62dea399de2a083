// The view actions: fit, redraw, refresh, zoom, pan, box difference, and
// the tile-plane hooks of working mode 9.
#include "ViewFixture.h"

namespace testing_support {
namespace {

class ViewActions : public ViewTest {
 protected:
  void SetUp() override
  {
    ViewTest::SetUp();
    cell = newCell("CIRCUIT");
    addBox(cell, 0, 0, 0, 1000, 400);
    show(cell);
  }
  _layout* cell = nullptr;
};

TEST_F(ViewActions, FitCentresTheLayout)
{
  DVfit();
  EXPECT_FLOAT_EQ(Vmain->scale, 2.0f);
  EXPECT_EQ(Vmain->ox, -50);
  EXPECT_EQ(Vmain->oy, -250);
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"clear", "clear", "fill 25,125 501x201"}));
}

TEST_F(ViewActions, FitWithoutLayoutOnlyClears)
{
  Glayout = nullptr;
  DVfit();
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"clear"}));
}

TEST_F(ViewActions, RedrawKeepsTheViewport)
{
  GCinstallVp(Vmain, 500, 0, 0, 0);
  DVredraw(nullptr, nullptr, nullptr);
  EXPECT_EQ(Vmain->ox, 500);
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"clear", "fill -64,50 565x401"}));
}

TEST_F(ViewActions, RefreshDrawsOnlyTheExposedBoxWithoutClearing)
{
  addBox(cell, 1, 2000, 0, 2100, 100);  // far right, outside the exposure
  GCinstallVp(Vmain, 0, 0, 0, 0);
  DVrefresh(0, 0, 100, 100);  // world (0, 350)-(100, 450)
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"fill 0,50 615x401"}));
  surface.forget();
  DVrefresh(400, 400, 50, 50);  // world (400, 0)-(450, 50)
  EXPECT_EQ(surface.ops.size(), 1u);
  surface.forget();
  DVrefresh(0, 0, 10, 10);  // world (0, 440)-(10, 450): above the layout
  EXPECT_TRUE(surface.ops.empty());
}

TEST_F(ViewActions, ZoomInCentresTheBox)
{
  EXPECT_EQ(DVzoominExe(1000, 400, 0, 0), 0);  // corners in any order
  EXPECT_FLOAT_EQ(Vmain->scale, 2.0f);
  EXPECT_EQ(Vmain->ox, -50);
  EXPECT_EQ(surface.ops[0].text, "clear");
}

TEST_F(ViewActions, TinyZoomIsRefused)
{
  GCinstallVp(Vmain, 10, 20, 0, 0);
  EXPECT_NE(DVzoominExe(0, 0, 0, 400), 0);  // no width
  EXPECT_TRUE(ui.saw('E', "Window size too small"));
  EXPECT_EQ(ui.lastLine(), "Error: Window size too small.");
  // One world unit over 2000 pixels is below 0.001 per pixel.
  surface.resize(2000, 450);
  EXPECT_NE(DVzoominExe(0, 0, 1, 400), 0);
  EXPECT_EQ(Vmain->ox, 10);
  EXPECT_FLOAT_EQ(Vmain->scale, 1.0f);
  EXPECT_TRUE(surface.ops.empty());
}

TEST_F(ViewActions, ZoomInJustAboveTheLimit)
{
  EXPECT_EQ(DVzoominExe(0, 0, 1, 1), 0);  // 1 / 550 and 1 / 450 are above 0.001
  EXPECT_FLOAT_EQ(Vmain->scale, 1.0f / 400);
}

TEST_F(ViewActions, ZoomOutWidensByTheBoxRatio)
{
  GCinstallVp(Vmain, 0, 0, 0, 0);  // visible (0,0)-(550,450), centre (275,225)
  // A box half the size, centred on the view: the view doubles around the centre.
  EXPECT_EQ(DVzoomoutExe(137, 112, 412, 337), 0);
  // r = min(275 / 550, 225 / 450) = 0.5: 1100 x 900 centred at (275, 225),
  // installed with the 25 pixel margin.
  EXPECT_FLOAT_EQ(Vmain->scale, 900.0f / 400);
  _box v = view::visibleBox(Vmain);
  EXPECT_NEAR((v.x1 + v.x2) / 2.0, 275, 2);
  EXPECT_NEAR((v.y1 + v.y2) / 2.0, 225, 2);
}

TEST_F(ViewActions, ZoomOutMovesAwayFromTheBox)
{
  GCinstallVp(Vmain, 0, 0, 0, 0);
  EXPECT_EQ(DVzoomoutExe(300, 225, 575, 450), 0);  // centre (437.5, 337.5), r 0.5
  _box v = view::visibleBox(Vmain);
  EXPECT_NEAR((v.x1 + v.x2) / 2.0, 275 - (437.5 - 275) / 0.5, 2);
  EXPECT_NEAR((v.y1 + v.y2) / 2.0, 225 - (337.5 - 225) / 0.5, 2);
}

TEST_F(ViewActions, ZoomOutRefusesFlatBoxesAndEndMarkers)
{
  GCinstallVp(Vmain, 0, 0, 0, 0);
  EXPECT_NE(DVzoomoutExe(10, 10, 10, 300), 0);
  EXPECT_TRUE(ui.saw('E', "Window size too small"));
  EXPECT_NE(DVzoomoutExe(0, 0, 0x3fffffff, 0x3fffffff), 0);
  EXPECT_FLOAT_EQ(Vmain->scale, 1.0f);
  EXPECT_EQ(Vmain->ox, 0);
}

TEST_F(ViewActions, PanFollowsTheDrag)
{
  GCinstallVp(Vmain, 0, 0, 0, 0);
  DVpanExe(100, 100, 130, 80);
  EXPECT_EQ(Vmain->ox, -30);
  EXPECT_EQ(Vmain->oy, 20);
  EXPECT_EQ(surface.ops[0].text, "clear");
}

TEST_F(ViewActions, BoxDifferenceFillsTheOverlapAndOutlinesThePieces)
{
  GCinstallVp(Vmain, 0, 0, 0, 0);
  DVsuperExe(100, 100, 200, 200);  // remembered
  EXPECT_TRUE(surface.ops.empty());
  DVsuperExe(50, 150, 300, 400);   // cut by the first box
  std::vector<std::string> expected = {
      "fill 100,250 101x51",   // overlap (100,150)-(200,200)
      "frame 50,250 50x50",    // left of the first box
      "frame 200,250 100x50",  // right of it
      "frame 50,50 250x200",   // above it
  };
  EXPECT_EQ(surface.texts(), expected);
  EXPECT_EQ(surface.ops[0].color, entry(3));
  EXPECT_EQ(surface.ops[1].color, entry(2));
  // The first box is forgotten: the next box is remembered again.
  surface.forget();
  DVsuperExe(0, 0, 10, 10);
  EXPECT_TRUE(surface.ops.empty());
}

TEST_F(ViewActions, BoxDifferenceOfDisjointBoxesOutlinesTheSecond)
{
  GCinstallVp(Vmain, 0, 0, 0, 0);
  DVsuperExe(0, 0, 10, 10);
  DVsuperExe(100, 100, 200, 150);
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"frame 100,300 100x50"}));
}

// A stand-in for the tile planes.
class FakePlanes : public view::PlaneDisplay, public view::NameOverlay {
 public:
  explicit FakePlanes(std::vector<std::string>* log, const char* name) : log_(log), name_(name) {}
  bool frame(_box* box) override
  {
    *box = {0, 0, 1000, 400};
    return true;
  }
  void draw(_Gviewport*, long x1, long y1, long x2, long y2) override
  {
    log_->push_back(std::string(name_) + " " + std::to_string(x1) + "," + std::to_string(y1) + " " +
                    std::to_string(x2) + "," + std::to_string(y2));
  }

 private:
  std::vector<std::string>* log_;
  const char* name_;
};

TEST_F(ViewActions, PlaneModeWithoutDisplayDrawsNothingAndSaysSo)
{
  DworkingMode = kModePlanes;
  DVfit();
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"clear"}));
  EXPECT_TRUE(ui.saw('E', "Tile plane display is not available yet"));
}

TEST_F(ViewActions, PlaneModeFitsThePlanesAndOverlaysNames)
{
  std::vector<std::string> log;
  FakePlanes planes(&log, "planes"), circuit(&log, "circuit"), inductors(&log, "inductors"),
      resistors(&log, "resistors"), capacitors(&log, "capacitors");
  view::setPlaneDisplay(&planes);
  view::setOverlay(view::Overlay::Capacitors, &capacitors);
  view::setOverlay(view::Overlay::Resistors, &resistors);
  view::setOverlay(view::Overlay::Inductors, &inductors);
  view::setOverlay(view::Overlay::Circuit, &circuit);
  DworkingMode = kModePlanes;
  DVfit();
  EXPECT_EQ(Vmain->ox, -50);
  EXPECT_EQ(log, (std::vector<std::string>{"planes -50,-250 1050,650", "circuit -50,-250 1050,650",
                                           "inductors -50,-250 1050,650",
                                           "resistors -50,-250 1050,650",
                                           "capacitors -50,-250 1050,650"}));
  log.clear();
  PROCESS_INCLUDE_INDUCTOR = 0;
  PROCESS_INCLUDE_PASSIVE = 0;
  DVrefresh(0, 0, 550, 450);
  EXPECT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].substr(0, 7), "circuit");
}

}  // namespace
}  // namespace testing_support
