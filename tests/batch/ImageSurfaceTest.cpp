// The image surface of quorin-batch draws pixel for pixel as X does.
#include "ImageSurface.h"

#include <functional>

#include "DTtechnology.h"
#include "DisplayList.h"
#include "Snapshot.h"

#include "TestSupport.h"

namespace testing_support {
namespace {

constexpr unsigned long kBlack = 0x000000;
constexpr unsigned long kRed = 0xff0000;
constexpr unsigned long kGreen = 0x00ff00;

TEST(ImageSurface, FilledRectangleCoversItsPixelsOnly)
{
  batch::ImageSurface image(40, 30, kBlack);
  image.setColor(kRed);
  image.rectangle(5, 6, 10, 4, true);
  EXPECT_EQ(image.pixel(5, 6), kRed);
  EXPECT_EQ(image.pixel(14, 9), kRed);
  EXPECT_EQ(image.pixel(15, 9), kBlack);
  EXPECT_EQ(image.pixel(14, 10), kBlack);
  EXPECT_EQ(image.pixel(4, 6), kBlack);
}

TEST(ImageSurface, OutlineIncludesBothEnds)
{
  batch::ImageSurface image(40, 30, kBlack);
  image.setColor(kGreen);
  image.rectangle(5, 5, 10, 10, false);
  EXPECT_EQ(image.pixel(5, 5), kGreen);
  EXPECT_EQ(image.pixel(15, 15), kGreen);
  EXPECT_EQ(image.pixel(15, 5), kGreen);
  EXPECT_EQ(image.pixel(10, 10), kBlack);
  EXPECT_EQ(image.pixel(16, 15), kBlack);
}

TEST(ImageSurface, PointsLinesAndColourChanges)
{
  batch::ImageSurface image(20, 20, kBlack);
  image.setColor(kRed);
  image.point(3, 4);
  image.setColor(kGreen);  // the red point is drawn before the colour changes
  image.line(0, 10, 19, 10);
  EXPECT_EQ(image.pixel(3, 4), kRed);
  EXPECT_EQ(image.pixel(0, 10), kGreen);
  EXPECT_EQ(image.pixel(19, 10), kGreen);
  EXPECT_EQ(image.pixel(10, 9), kBlack);
}

TEST(ImageSurface, StippleLeavesHoles)
{
  techc::Bitmap pattern;
  pattern.width = pattern.height = 2;
  pattern.bits = {0x01, 0x02};  // (0,0) and (1,1) set
  batch::ImageSurface image(8, 8, kBlack);
  image.setColor(kRed);
  image.setStipple(&pattern);
  image.rectangle(0, 0, 8, 8, true);
  EXPECT_EQ(image.pixel(0, 0), kRed);
  EXPECT_EQ(image.pixel(1, 0), kBlack);
  EXPECT_EQ(image.pixel(1, 1), kRed);
  EXPECT_EQ(image.pixel(6, 7), kBlack);
  EXPECT_EQ(image.pixel(7, 7), kRed);
}

TEST(ImageSurface, ClearAndPolygonAndArc)
{
  batch::ImageSurface image(50, 50, kGreen);
  EXPECT_EQ(image.pixel(0, 0), kGreen);
  image.setColor(kRed);
  image.polygon({{0, 0}, {20, 0}, {0, 20}}, true);
  image.arc(30, 30, 10, 10, 0, 360 * 64, true);
  EXPECT_EQ(image.pixel(2, 2), kRed);
  EXPECT_EQ(image.pixel(18, 18), kGreen);
  EXPECT_EQ(image.pixel(35, 35), kRed);
  EXPECT_EQ(image.pixel(30, 30), kGreen);  // outside the circle, inside its box
  image.clear();
  EXPECT_EQ(image.pixel(2, 2), kGreen);
}

TEST(ImageSurface, CopyArea)
{
  batch::ImageSurface image(20, 20, kBlack);
  image.setColor(kRed);
  image.rectangle(0, 0, 2, 2, true);
  image.copyArea(0, 0, 2, 2, 10, 10);
  EXPECT_EQ(image.pixel(11, 11), kRed);
  EXPECT_EQ(image.pixel(12, 12), kBlack);
}

TEST(ImageSurface, WritesPng)
{
  ScratchDir dir;
  batch::ImageSurface image(30, 20, kBlack);
  ASSERT_TRUE(image.writePng(dir.path("view.png").c_str()));
  std::string png = readFile(dir.path("view.png"));
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  EXPECT_EQ(static_cast<unsigned char>(png[19]), 30);  // width in the IHDR chunk
  EXPECT_EQ(static_cast<unsigned char>(png[23]), 20);
  EXPECT_FALSE(image.writePng(dir.path("no/such/folder/view.png").c_str()));
}

// A known scene on the kept main view, drawn again twice as large: each
// shape lands where the scale puts it, in its colour.
TEST(DisplayList, ReplayScalesTheSceneOntoAnImage)
{
  batch::DisplayList view(50, 40);
  view.setColor(kRed);
  view.rectangle(10, 10, 10, 5, true);  // pixels 10..19 x 10..14
  view.setColor(kGreen);
  view.line(0, 30, 49, 30);
  view.point(45, 5);
  batch::ImageSurface image(120, 100, kBlack);
  view.replay(image, 2.0, 10, 10);
  EXPECT_EQ(image.pixel(30, 30), kRed);   // (10, 10) scaled and moved
  EXPECT_EQ(image.pixel(49, 39), kRed);
  EXPECT_EQ(image.pixel(50, 39), kBlack);
  EXPECT_EQ(image.pixel(49, 40), kBlack);
  EXPECT_EQ(image.pixel(29, 30), kBlack);
  EXPECT_EQ(image.pixel(60, 71), kGreen);  // the line through y = 30
  EXPECT_EQ(image.pixel(60, 65), kBlack);
  EXPECT_EQ(image.pixel(100, 20), kGreen);  // the point is 2 x 2 pixels now
  EXPECT_EQ(image.pixel(101, 21), kGreen);
  EXPECT_EQ(image.pixel(102, 22), kBlack);
}

// Shapes whose coordinates fit in 16 bits are kept in a short form, the
// others (and arcs, polygons and copies) whole: either way the replay at
// the view's own size draws what was drawn on the view.
TEST(DisplayList, EveryFormReplaysAsDrawn)
{
  auto draw = [](view::Surface& s) {
    s.setColor(kRed);
    s.rectangle(-40000, 5, 40010, 4, true);  // from far off the view
    s.rectangle(2, 2, 6, 6, false);
    s.setColor(kGreen);
    s.line(0, 30, 70000, 30);
    s.point(45, 5);
    s.rectangle(30, 12, 5, 5, true);
    s.arc(20, 20, 10, 10, 0, 360 * 64, true);
    s.polygon({{40, 30}, {49, 30}, {40, 39}}, true);
    s.copyArea(0, 0, 10, 10, 38, 0);
    s.string(3, 20, "m1");
  };
  batch::DisplayList view(50, 40);
  draw(view);
  batch::ImageSurface direct(50, 40, kBlack), replayed(50, 40, kBlack);
  draw(direct);
  view.replay(replayed, 1.0, 0, 0);
  int differing = 0, painted = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 50; ++x) {
      differing += direct.pixel(x, y) != replayed.pixel(x, y);
      painted += direct.pixel(x, y) != kBlack;
    }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(painted, 200);
  EXPECT_EQ(replayed.pixel(0, 6), kRed) << "the far rectangle reaches into the view";
  EXPECT_EQ(replayed.pixel(25, 30), kGreen) << "the long line crosses it";
}

TEST(DisplayList, ClearForgetsAndXorTwinsErase)
{
  batch::DisplayList view(50, 40);
  view.setColor(kRed);
  view.rectangle(0, 0, 5, 5, true);
  view.clear();
  EXPECT_EQ(view.size(), 0u);
  EXPECT_EQ(view.clears(), 1u);
  view.setColor(kGreen);
  view.rectangle(1, 1, 5, 5, true);
  view.setXor(true);
  view.rectangle(20, 20, 8, 8, false);  // a rubber band drawn ...
  EXPECT_EQ(view.size(), 2u);
  view.rectangle(20, 20, 8, 8, false);  // ... and erased
  EXPECT_EQ(view.size(), 1u);
  view.polygon({{0, 0}, {9, 0}, {0, 9}}, true);
  view.polygon({{0, 0}, {9, 0}, {0, 9}}, true);
  view.polygon({{0, 0}, {9, 0}, {0, 8}}, true);  // another shape: kept
  EXPECT_EQ(view.size(), 2u);
  EXPECT_EQ(view.colorsFrom(0), (std::vector<unsigned long>{kGreen}));
}

// A drawing of the whole view kept for later is drawn once, before
// whatever next draws on the list or reads it, so the kept primitives come
// out in the order they were drawn; with something on the list it is drawn
// at once.
TEST(DisplayList, DrawingKeptForLaterComesFirst)
{
  const struct {
    const char* touch;
    std::function<void(batch::DisplayList&)> apply;
    std::vector<unsigned long> colours;  // of the primitives after the touch
  } cases[] = {
      {"a colour", [](batch::DisplayList& v) { v.setColor(kGreen); v.point(1, 1); }, {kRed, kGreen}},
      {"a rectangle", [](batch::DisplayList& v) { v.rectangle(1, 1, 2, 2, true); }, {kRed}},
      {"a string", [](batch::DisplayList& v) { v.setColor(kGreen); v.string(1, 9, "n1"); }, {kRed}},
      {"a read", [](batch::DisplayList& v) { (void)v.colorsFrom(0); }, {kRed}},
      {"a clear", [](batch::DisplayList& v) { v.clear(); }, {}},
  };
  for (const auto& c : cases) {
    batch::DisplayList view(50, 40);
    int drawn = 0;
    view.drawLater([&] {
      ++drawn;
      view.setColor(kRed);
      view.rectangle(10, 10, 5, 5, true);
    });
    EXPECT_TRUE(view.waiting()) << c.touch;
    EXPECT_EQ(view.size(), 0u) << c.touch;
    c.apply(view);
    EXPECT_EQ(drawn, 1) << c.touch;
    EXPECT_FALSE(view.waiting()) << c.touch;
    EXPECT_EQ(view.colorsFrom(0), c.colours) << c.touch;
  }
  batch::DisplayList view(50, 40);
  view.setColor(kGreen);
  view.point(0, 0);
  view.drawLater([&] { view.setColor(kRed); view.point(2, 2); });
  EXPECT_FALSE(view.waiting());
  EXPECT_EQ(view.colorsFrom(0), (std::vector<unsigned long>{kGreen, kRed}));
}

// A bare snapshot is only the view, fitted and centred; a framed one keeps
// the title band and the legend clear of the layout.
TEST(Snapshot, ViewIsFittedIntoItsPart)
{
  batch::DisplayList view(100, 50);
  view.setColor(kRed);
  view.rectangle(0, 0, 100, 50, true);
  batch::SnapshotRequest request;
  request.bare = true;
  batch::ImageSurface bare(200, 200, kBlack);
  batch::drawSnapshot(bare, request, view, {});
  EXPECT_EQ(bare.pixel(0, 50), kRed);  // 200 x 100, centred vertically
  EXPECT_EQ(bare.pixel(199, 149), kRed);
  EXPECT_EQ(bare.pixel(100, 49), kBlack);
  EXPECT_EQ(bare.pixel(100, 150), kBlack);

  request.bare = false;
  batch::ImageSurface framed(600, 400, kBlack);
  batch::drawSnapshot(framed, request, view, {});
  EXPECT_EQ(framed.pixel(200, 200), kRed);
  EXPECT_NE(framed.pixel(595, 200), kRed);  // the legend panel
  EXPECT_NE(framed.pixel(200, 5), kRed);    // the title band
}

}  // namespace
}  // namespace testing_support
