// Viewport transforms: centring, installing and the two conversions.
#include <cmath>

#include "ViewFixture.h"

namespace testing_support {
namespace {

using Viewport = ViewTest;

TEST_F(Viewport, CentringLeavesMarginOnTheTighterSide)
{
  GCinstallVpC(Vmain, 0, 0, 1000, 400);
  EXPECT_FLOAT_EQ(Vmain->scale, 2.0f);  // 1000 / (550 - 50)
  EXPECT_EQ(Vmain->ox, -50);
  EXPECT_EQ(Vmain->oy, -250);
}

TEST_F(Viewport, CentringATallBoxTakesTheHeightScale)
{
  GCinstallVpC(Vmain, 100, 200, 100, 800);
  EXPECT_FLOAT_EQ(Vmain->scale, 2.0f);  // 800 / (450 - 50)
  EXPECT_EQ(Vmain->ox, 100 - (550 * 2 - 100) / 2);
  EXPECT_EQ(Vmain->oy, 200 - (450 * 2 - 800) / 2);
}

TEST_F(Viewport, InstallWithoutSizeOnlyMovesTheOrigin)
{
  Vmain->scale = 3.0f;
  GCinstallVp(Vmain, 7, -9, 0, 0);
  EXPECT_FLOAT_EQ(Vmain->scale, 3.0f);
  EXPECT_EQ(Vmain->ox, 7);
  EXPECT_EQ(Vmain->oy, -9);
  GCinstallVp(Vmain, 0, 0, 1100, 450);
  EXPECT_FLOAT_EQ(Vmain->scale, 2.0f);  // 1100 / 550 beats 450 / 450
}

TEST_F(Viewport, OriginIsTheLowerLeftPixel)
{
  GCinstallVpC(Vmain, 0, 0, 1000, 400);
  long vx, vy;
  GCwtov(Vmain, Vmain->ox, Vmain->oy, &vx, &vy);
  EXPECT_EQ(vx, 0);
  EXPECT_EQ(vy, kHeight);
  int wx, wy;
  GCvtow(Vmain, 0, kHeight, &wx, &wy);
  EXPECT_EQ(wx, Vmain->ox);
  EXPECT_EQ(wy, Vmain->oy);
}

TEST_F(Viewport, ConversionsAreInverseUpToTruncation)
{
  GCinstallVpC(Vmain, -3000, 1000, 7000, 2900);
  for (int px = 0; px < kWidth; px += 37) {
    for (int py = 0; py < kHeight; py += 41) {
      int wx, wy;
      GCvtow(Vmain, px, py, &wx, &wy);
      long vx, vy;
      GCwtov(Vmain, wx, wy, &vx, &vy);
      EXPECT_LE(std::labs(vx - px), 1) << px << "," << py;
      EXPECT_LE(std::labs(vy - py), 1) << px << "," << py;
    }
  }
}

TEST_F(Viewport, FarPointsStayInPixelRange)
{
  Vmain->scale = 1e-6f;
  long vx, vy;
  GCwtov(Vmain, kInfinity, -kInfinity, &vx, &vy);
  EXPECT_GT(vx, 0);
  EXPECT_LE(vx, 1000000000L);
  EXPECT_GE(vy, kHeight);
}

TEST_F(Viewport, NullViewportIsReported)
{
  int wx = 5, wy = 5;
  GCvtow(nullptr, 1, 1, &wx, &wy);
  EXPECT_NE(err.find("Fatal: Viewport is not available."), std::string::npos);
  EXPECT_EQ(wx, 0);
  common::ActionScope scope;
  long vx, vy;
  EXPECT_THROW(GCwtov(nullptr, 1, 1, &vx, &vy), common::OperationAborted);
  EXPECT_NE(err.find("Fatal: Viewport is not avariable."), std::string::npos);
}

TEST_F(Viewport, VisibleBoxSpansTheSurface)
{
  GCinstallVpC(Vmain, 0, 0, 1000, 400);
  _box box = view::visibleBox(Vmain);
  EXPECT_EQ(box.x1, -50);
  EXPECT_EQ(box.y1, -250);
  EXPECT_EQ(box.x2, -50 + 1100);
  EXPECT_EQ(box.y2, -250 + 900);
}

TEST_F(Viewport, PopupScaleComesFromItsHeight)
{
  RecordingSurface popup(400, 300);
  view::initViewports(&surface, nullptr, &popup, nullptr);
  EXPECT_FLOAT_EQ(Vpopup->scale, 3.0f);  // 1000 / 300, integer division
  EXPECT_EQ(Vpopup->ox, 0);
  EXPECT_EQ(Vmain->surface, &surface);
  DIvpInit(Vpopup, nullptr, nullptr);
}

TEST_F(Viewport, TinySurfaceDoesNotDivideByZero)
{
  surface.resize(30, 20);
  GCinstallVpC(Vmain, 0, 0, 100, 100);
  EXPECT_TRUE(std::isfinite(Vmain->scale));
  EXPECT_GT(Vmain->scale, 0);
}

}  // namespace
}  // namespace testing_support
