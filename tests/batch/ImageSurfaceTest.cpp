// The image surface of quorin-batch draws pixel for pixel as X does.
#include "ImageSurface.h"

#include "DTtechnology.h"

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

}  // namespace
}  // namespace testing_support
