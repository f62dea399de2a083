// The colour table and colour names.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "DTtechnology.h"
#include "TestSupport.h"

namespace {

using testing_support::CoreTest;
using testing_support::ScratchDir;

class Colors : public CoreTest {
 protected:
  void useColorFile(const std::string& content)
  {
    dir.write("colors", content);
    setenv("SYSRC", dir.write("sysrc", "ColorFile colors\n").c_str(), 1);
  }
  ScratchDir dir;
};

TEST_F(Colors, UnknownNamesAreSkippedAndOrderIsKept)
{
  useColorFile("black  nosuchcolour\nred\n\tDarkGreen\n");
  DIcolorInit();
  ASSERT_EQ(ColorNum, 3);
  EXPECT_STREQ(GCworkStation[0].color[1].name, "red");
  EXPECT_STREQ(GCworkStation[0].color[2].name, "DarkGreen");
  EXPECT_EQ(GCworkStation[0].color[1].rgb, 0xff0000ul);
  EXPECT_EQ(GCgetNamedColorName("red"), 1);
  EXPECT_EQ(GCgetNamedColorName("nosuchcolour"), -1);
  EXPECT_EQ(GCgetNamedColor("nosuchcolour"), ~0ul);
  EXPECT_EQ(GCgetNamedColor("black"), 0ul);
}

TEST_F(Colors, AtMost128Entries)
{
  std::string many;
  for (int i = 0; i < 200; ++i)
    many += "white\n";
  useColorFile(many);
  DIcolorInit();
  EXPECT_EQ(ColorNum, 128);
}

TEST_F(Colors, MissingFileEndsTheProgram)
{
  setenv("SYSRC", dir.write("sysrc", "ColorFile absent\n").c_str(), 1);
  EXPECT_EXIT(
      {
        common::captureOutput(nullptr, nullptr);
        DIcolorInit();
      },
      ::testing::ExitedWithCode(1), "Can't open the rgb file");
}

TEST(ColorNames, CaseAndBlanksDoNotMatter)
{
  unsigned long a, b;
  ASSERT_TRUE(techc::lookupColor("Forest Green", &a));
  ASSERT_TRUE(techc::lookupColor("forestgreen", &b));
  EXPECT_EQ(a, b);
  EXPECT_FALSE(techc::lookupColor("no such", &a));
}

TEST_F(Colors, BundledColourFileResolvesEveryName)
{
  DIcolorInit();
  std::string names = testing_support::readFile(testing_support::sourcePath("lib/colors"));
  int lines = 0;
  for (char c : names)
    lines += c == '\n';
  EXPECT_EQ(ColorNum, lines);
  EXPECT_GE(ColorNum, 21) << "the interface uses entries up to 20";
}

}  // namespace
