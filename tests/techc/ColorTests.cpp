// The colour table and colour names.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
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

TEST_F(Colors, UnknownNamesAreReportedAndSkippedAndOrderIsKept)
{
  useColorFile("black  nosuchcolour\nred\n\tDarkGreen\n");
  DIcolorInit();
  EXPECT_EQ(ui.lastLine(), "Warning: Colour nosuchcolour of the colour file is not known, skipped.");
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

// The numeric forms X takes keep their place in the table, so the entries
// with fixed roles stay where they are.
TEST_F(Colors, NumericFormsTakeTheirEntries)
{
  useColorFile("#000 rgb:f/f/f #ffff00 rgbi:1/0/0\n");
  DIcolorInit();
  ASSERT_EQ(ColorNum, 4);
  const unsigned long expected[] = {0x000000, 0xffffff, 0xffff00, 0xff0000};
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(GCworkStation[0].color[i].rgb, expected[i]) << i;
  EXPECT_EQ(GCgetNamedColorName("#ffff00"), 2);
}

TEST(ColorNames, NumericForms)
{
  const struct {
    const char* name;
    long rgb;  // -1: refused
  } cases[] = {
      {"#f80", 0xf08000},          {"#FF8000", 0xff8000},     {"#fff800000", 0xff8000},
      {"#ffff80000000", 0xff8000}, {"rgb:f/8/0", 0xff8800},   {"RGB:ffff/8000/0", 0xff8000},
      {"rgb:80/4/fff", 0x8044ff},  {"rgbi:1/0.5/0", 0xff8000}, {"#ff", -1},
      {"#ggg", -1},                {"#", -1},                 {"rgb:1/2", -1},
      {"rgb:12345/0/0", -1},       {"rgb:/0/0", -1},          {"rgb:1/2/3/", -1},
      {"rgbi:2/0/0", -1},          {"rgbi:a/0/0", -1},
  };
  for (const auto& c : cases) {
    unsigned long rgb = 0;
    EXPECT_EQ(techc::lookupColor(c.name, &rgb), c.rgb >= 0) << c.name;
    if (c.rgb >= 0) {
      EXPECT_EQ(rgb, static_cast<unsigned long>(c.rgb)) << c.name;
    }
  }
}

// With a display, its colour database answers alone.
TEST(ColorNames, TheDisplayAnswersWhenThereIsOne)
{
  techc::setColorLookup([](const char* name, unsigned long* rgb) {
    *rgb = 0x123456;
    return strcmp(name, "red") != 0;
  });
  unsigned long rgb = 0;
  EXPECT_TRUE(techc::lookupColor("oddname", &rgb));
  EXPECT_EQ(rgb, 0x123456ul);
  EXPECT_FALSE(techc::lookupColor("red", &rgb));
  techc::setColorLookup(nullptr);
  EXPECT_TRUE(techc::lookupColor("red", &rgb));
  EXPECT_EQ(rgb, 0xff0000ul);
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
