// The pixel decisions of the primitives, their styles and clipping.
#include "ViewFixture.h"

namespace testing_support {
namespace {

class Primitives : public ViewTest {
 protected:
  void SetUp() override
  {
    ViewTest::SetUp();
    GCinstallVp(Vmain, 0, 0, 0, 0);  // scale 1: pixel x = world x, y = 450 - world y
    GGsetColor(Vmain, 3);
  }
};

TEST_F(Primitives, RectangleFilledIsOnePixelLargerThanOutlined)
{
  GGrectangle(Vmain, 10, 100, 40, 150, 1);
  GGrectangle(Vmain, 10, 100, 40, 150, 0);
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"fill 10,300 31x51", "frame 10,300 30x50"}));
  EXPECT_EQ(surface.ops[0].color, entry(3));
  EXPECT_EQ(surface.ops[0].stipple, nullptr);
}

TEST_F(Primitives, SmallRectangleIsAPoint)
{
  GGrectangle(Vmain, 10, 10, 12, 12, 1);  // 2 x 2 pixels
  GGrectangle(Vmain, 12, 12, 10, 10, 0);  // corners in either order
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"point 10,438", "point 10,438"}));
}

TEST_F(Primitives, SmallRectangleAtCoarseScaleIsAPoint)
{
  Vmain->scale = 100;
  GGrectangle(Vmain, 0, 0, 250, 250, 1);  // 2.5 world units per... 2 pixels
  ASSERT_EQ(surface.ops.size(), 1u);
  EXPECT_EQ(surface.ops[0].text.substr(0, 5), "point");
}

TEST_F(Primitives, FlatRectangleIsALine)
{
  GGrectangle(Vmain, 10, 20, 10, 90, 1);  // zero width
  GGrectangle(Vmain, 5, 20, 95, 20, 0);   // zero height
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"line 10,430 10,360", "line 5,430 95,430"}));
}

TEST_F(Primitives, ThreePixelRectangleIsDrawnAsRectangle)
{
  GGrectangle(Vmain, 10, 10, 13, 11, 1);
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"fill 10,439 4x2"}));
}

TEST_F(Primitives, HugeRectangleIsClippedToTheSurface)
{
  GGrectangle(Vmain, -1000000, -1000000, 2000000, 2000000, 1);
  GGrectangle(Vmain, -1000000, 100, 2000000, 200, 0);
  ASSERT_EQ(surface.ops.size(), 2u);
  EXPECT_EQ(surface.ops[0].text, "fill -64,-64 679x579");
  EXPECT_EQ(surface.ops[1].text, "frame -64,250 678x100");
}

TEST_F(Primitives, RectangleOutsideDrawsNothing)
{
  GGrectangle(Vmain, 600, 10, 700, 20, 1);
  GGrectangle(Vmain, 10, -50, 20, -10, 1);
  EXPECT_TRUE(surface.ops.empty());
}

TEST_F(Primitives, ExclusiveOrTwinsUseTheXorFunction)
{
  GGxrectangle(Vmain, 10, 10, 100, 100, 0);
  GGxline(Vmain, 0, 0, 10, 10);
  GGrectangle(Vmain, 10, 10, 100, 100, 0);
  ASSERT_EQ(surface.ops.size(), 3u);
  EXPECT_TRUE(surface.ops[0].xorMode);
  EXPECT_TRUE(surface.ops[1].xorMode);
  EXPECT_FALSE(surface.ops[2].xorMode);
  EXPECT_EQ(surface.ops[0].color, entry(3));
}

TEST_F(Primitives, LongLineIsClipped)
{
  GGline(Vmain, -100000, 225, 100000, 225);
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"line -64,225 614,225"}));
}

TEST_F(Primitives, SmallCircleIsAPointLargeOneAnArc)
{
  GGcircle(Vmain, 100, 100, 2, 1);
  GGcircle(Vmain, 100, 100, 20, 0);
  GGcircle(Vmain, 100, 100, 20, 1);
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"point 100,350", "arc 80,330 40x40 0 23040",
                                                       "pie 80,330 40x40 0 23040"}));
}

TEST_F(Primitives, HugeCircleBecomesAPolygonInRange)
{
  GGcircle(Vmain, 275, 225, 100000000, 1);  // the whole surface lies inside
  ASSERT_EQ(surface.ops.size(), 1u);
  EXPECT_EQ(surface.ops[0].text.substr(0, 7), "polygon");
  EXPECT_EQ(surface.ops[0].text.find("1000000"), std::string::npos);
}

TEST_F(Primitives, PolygonIsConvertedPointByPoint)
{
  _points c{50, 10, nullptr}, b{50, 50, &c}, a{10, 10, &b};
  GGpoly(Vmain, &a, 3, 1);
  GGpoly(Vmain, &a, 2, 0);  // only as many points as counted
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"polygon 10,440 50,400 50,440",
                                                       "outline 10,440 50,400"}));
}

TEST_F(Primitives, PolygonReachingFarOutIsClipped)
{
  _points c{275, 5000000, nullptr}, b{5000000, -5000000, &c}, a{-5000000, -5000000, &b};
  GGpoly(Vmain, &a, 3, 1);
  ASSERT_EQ(surface.ops.size(), 1u);
  for (const char* far : {"5000000", "-5000000"})
    EXPECT_EQ(surface.ops[0].text.find(far), std::string::npos) << surface.ops[0].text;
}

TEST_F(Primitives, StraightWireHasSquareEnds)
{
  _points end{100, 0, nullptr}, start{0, 0, &end};
  Vmain->oy = -100;
  GGpath(Vmain, 20, &start, 1);
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"polygon -10,340 110,340 110,360 -10,360"}));
}

TEST_F(Primitives, BentWireHasAMitredCorner)
{
  _points c{100, 100, nullptr}, b{100, 0, &c}, a{0, 0, &b};
  Vmain->oy = -100;
  GGpath(Vmain, 20, &a, 0);
  // Left side (-10,10) (90,10) (90,110), right side back (110,110) (110,-10) (-10,-10).
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{
                                 "outline -10,340 90,340 90,240 110,240 110,360 -10,360"}));
}

TEST_F(Primitives, WireWithRepeatedPointsAndSinglePoint)
{
  _points b{30, 30, nullptr}, a{30, 30, &b};
  Vmain->oy = 0;
  GGpath(Vmain, 10, &a, 1);
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"polygon 25,425 25,415 35,415 35,425"}));
}

TEST_F(Primitives, OverlongWireIsRefused)
{
  std::vector<_points> points(600);
  for (size_t i = 0; i < points.size(); ++i)
    points[i] = {int(i) * 2, int(i % 2) * 7, i + 1 < points.size() ? &points[i + 1] : nullptr};
  GGpath(Vmain, 4, &points[0], 1);
  EXPECT_TRUE(surface.ops.empty());
  EXPECT_TRUE(ui.saw('E', "Too many path points"));
}

TEST_F(Primitives, SegmentsArePairs)
{
  _points d{4, 4, nullptr}, c{3, 3, &d}, b{2, 2, &c}, a{1, 1, &b};
  GGsegment(Vmain, &a);
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"line 1,449 2,448", "line 3,447 4,446"}));
}

TEST_F(Primitives, LayerStyleStipplesOnlyWithFillmode)
{
  GLsetGC(&Glayers[0]);
  GLrectangle(Vmain, 10, 10, 50, 50, 1);
  Glayers[0].fillmode = 0;
  GLrectangle(Vmain, 10, 10, 50, 50, 1);
  ASSERT_EQ(surface.ops.size(), 2u);
  EXPECT_EQ(surface.ops[0].color, pixelOf("red"));
  EXPECT_EQ(surface.ops[0].stipple, &pattern);
  EXPECT_EQ(surface.ops[1].stipple, nullptr);
  // The viewport's own drawing is not affected by the layer style.
  GGrectangle(Vmain, 10, 10, 50, 50, 1);
  EXPECT_EQ(surface.ops[2].color, entry(3));
  EXPECT_EQ(surface.ops[2].stipple, nullptr);
}

TEST_F(Primitives, ColourOutsideTheTableChangesNothing)
{
  GGsetColor(Vmain, 9999);
  GGsetColor(Vmain, -1);
  GGline(Vmain, 0, 0, 10, 10);
  EXPECT_EQ(surface.ops[0].color, entry(3));
}

TEST_F(Primitives, StringsAndClear)
{
  GGclear(Vmain);
  GGstring(Vmain, 20, 30, "abc");
  GGxstring(Vmain, 20, 30, "abc");
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"clear", "string 20,420 abc", "string 20,420 abc"}));
  EXPECT_TRUE(surface.ops[2].xorMode);
}

TEST_F(Primitives, FontAndLineWidth)
{
  GGsetFont(Vmain, "8x13");
  GGsetLineWidth(Vmain, 3);
  GGline(Vmain, 0, 0, 10, 0);
  EXPECT_EQ(surface.font, "8x13");
  EXPECT_EQ(surface.ops[0].lineWidth, 3);
}

TEST_F(Primitives, CutPointsRemovesRepeats)
{
  _points* list = nullptr;
  const int xs[] = {5, 5, 5, 6, 6, 5};
  for (int i = 5; i >= 0; --i) {
    auto* p = common::make<_points>();
    *p = {xs[i], 0, list};
    list = p;
  }
  GGcutPoints(list);
  std::string text;
  for (const _points* p = list; p; p = p->next)
    text += std::to_string(p->x) + " ";
  EXPECT_EQ(text, "5 6 5 ");
  GCfreePoints(list);
}

TEST_F(Primitives, CursorFromBitmapFile)
{
  GGdefineCursor("BUSY", "White", "Black");
  EXPECT_GT(surface.cursor, 0);
  view::undefineCursor();
  EXPECT_EQ(surface.cursor, 0);
  GGdefineCursor("NO_SUCH_BITMAP", "White", "Black");
  EXPECT_TRUE(ui.saw('E', "No busy cursor bitmap file"));
}

TEST_F(Primitives, AreaCopyInPixels)
{
  GGareaCopy(Vmain, 10, 10, 50, 30, 100, 200);
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"copy 10,420 40x20 to 100,230"}));
}

}  // namespace
}  // namespace testing_support
