// Reading technology files: scanner rules, filing, limits, start-up.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>

#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "TestSupport.h"

namespace {

using testing_support::CoreTest;
using testing_support::ScratchDir;
using testing_support::sourcePath;

class TechFile : public CoreTest {
 protected:
  void SetUp() override
  {
    CoreTest::SetUp();
    DIcolorInit();
    techc::resetGroup();
    DTrdInit();
  }

  // Parses `text` as a technology file into the tables; 0 on success.
  int parse(const std::string& text)
  {
    techin = fopen(scratch.write("t.tech", text).c_str(), "r");
    common::ActionScope scope;
    return TECHparse();
  }

  ScratchDir scratch;
};

TEST_F(TechFile, RuleNameStartsALineAndItsColonIsEchoed)
{
  ASSERT_EQ(parse("layers:\nCAA: red dots;\n"), 0);
  ASSERT_EQ(GlayerNum, 1);
  EXPECT_STREQ(Glayers[0].name, "CAA");
  EXPECT_STREQ(Glayers[0].color, "red");
  EXPECT_STREQ(Glayers[0].pattern, "dots");
  EXPECT_EQ(Glayers[0].layer, 0);
  EXPECT_EQ(Glayers[0].fillmode, 1);
  EXPECT_EQ(Glayers[0].showswitch, 1);
  ASSERT_NE(Glayers[0].pixmap, nullptr);
  EXPECT_EQ(Glayers[0].pixmap->width, 8);
  EXPECT_EQ(out, ":");
}

// A syntax error stops the read; what was filed before it stays.
TEST_F(TechFile, SyntaxErrors)
{
  const struct {
    const char* text;
    int layers, elements;
    const char* err;
  } cases[] = {
      {"layers: CAA red dots;\n", 0, 0, "parse error"},  // group keyword and rule on one line
      {"elements:\ntransistor_P: CAA\nCPG CSP;\n", 0, 0, "error on line 3 CPG: parse error"},
      {"layers:\nCAA;\n", 0, 0, "parse error"},  // a rule without items
      {"", 0, 0, ""},
      {"layers:\nCAA: red solid;\nCPG: blue", 1, 0, ""},  // truncated
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    err.clear();
    DTrdInit();
    EXPECT_EQ(parse(c.text), 1);
    EXPECT_EQ(GlayerNum, c.layers);
    EXPECT_EQ(DelementNum, c.elements);
    EXPECT_NE(err.find(c.err), std::string::npos) << err;
  }
}

TEST_F(TechFile, IndentedContinuationBelongsToTheRule)
{
  ASSERT_EQ(parse("elements:\ntransistor_P: CAA\n   CPG, CSP\n\t;\n"), 0);
  ASSERT_EQ(DelementNum, 1);
  EXPECT_EQ(Delement[0].layerNum, 3);
  EXPECT_STREQ(Delement[0].layers[2], "CSP");
}

TEST_F(TechFile, CommentsAndStrayCharacters)
{
  ASSERT_EQ(parse("# a comment; with CAA words\nlayers: # trailing\nCAA: red # inside\n  solid;\n"),
            0);
  ASSERT_EQ(GlayerNum, 1);
  EXPECT_STREQ(Glayers[0].pattern, "solid");
  EXPECT_EQ(parse("layers:\n-CPG: red solid;\n"), 1) << "a stray character ends the line start";
  EXPECT_EQ(out, ":-");
}

TEST_F(TechFile, PatternNameWithADotIsTwoItems)
{
  // "solid.xbm" reads as the items solid and xbm: the pattern is "solid".
  ASSERT_EQ(parse("layers:\nCAA: red solid.xbm;\n"), 0);
  ASSERT_EQ(GlayerNum, 1);
  EXPECT_STREQ(Glayers[0].pattern, "solid");
  EXPECT_EQ(out, ":.");
}

TEST_F(TechFile, ConnectionWithTwoItemsIsDroppedAndTheNextTakesItsPlace)
{
  ASSERT_EQ(parse("connections:\nbad: CAA CCA;\ngood: CAA CCA CMF extra;\n"), 0);
  ASSERT_EQ(DconNum, 1);
  EXPECT_STREQ(Dconnect[0].name, "good");
  EXPECT_STREQ(Dconnect[0].lowerLayer, "CAA");
  EXPECT_STREQ(Dconnect[0].conLayer, "CCA");
  EXPECT_STREQ(Dconnect[0].upperLayer, "CMF");
  EXPECT_TRUE(ui.saw('E', "Connection bad error in technology file"));
}

TEST_F(TechFile, MaskValuesBySlot)
{
  std::string text = "layers:\n";
  for (int i = 0; i < 9; ++i)
    text += "L" + std::to_string(i) + ": red solid;\n";
  ASSERT_EQ(parse(text), 0);
  ASSERT_EQ(GlayerNum, 9);
  EXPECT_EQ(Glayers[4].mask, 7);
  EXPECT_EQ(Glayers[5].mask, 8);  // the sixth layer
  EXPECT_EQ(Glayers[6].mask, 8);
  EXPECT_EQ(Glayers[7].mask, 16);  // the eighth layer
  EXPECT_EQ(Glayers[8].priority, 8);
}

TEST_F(TechFile, PortsGoToTheNamedElementOnly)
{
  ASSERT_EQ(parse("elements:\nnmos: CAA CPG CSN;\nports:\nnmos: CAA CSN;\npmos: CAA CSP;\n"), 0);
  EXPECT_EQ(Delement[0].portLayerNum, 2);
  EXPECT_STREQ(Delement[0].portlayers[1], "CSN");
  EXPECT_EQ(DelementNum, 1);
}

TEST_F(TechFile, PassiveGroups)
{
  ASSERT_EQ(parse("inductors:\nspiral: CMT;\ncapacitors:\npp: CPG CEL;\nresistors:\nhr: CHR;\n"), 0);
  EXPECT_EQ(LXindDefNum, 1);
  EXPECT_EQ(CXcapDefNum, 1);
  EXPECT_STREQ(CXcapDefinition[0].layers[1], "CEL");
  EXPECT_EQ(RXresDefNum, 1);
  EXPECT_STREQ(RXresDefinition[0].name, "hr");
}

TEST_F(TechFile, GroupIsKeptAcrossFiles)
{
  // A fresh program files no rule before a group keyword ...
  ASSERT_EQ(parse("orphan: CAA CCA CMF;\n"), 0);
  EXPECT_EQ(DconNum, 0);
  // ... but a second file continues in the group the first one ended in.
  ASSERT_EQ(parse("connections:\nc1: CAA CCA CMF;\n"), 0);
  ASSERT_EQ(parse("c2: CPG CCP CMF;\n"), 0);
  EXPECT_EQ(DconNum, 2);
  EXPECT_STREQ(Dconnect[1].name, "c2");
}

TEST_F(TechFile, SecondFileRefillsTheSameTablesFromTheStart)
{
  ASSERT_EQ(parse("layers:\nA: red solid;\nB: blue solid;\n"), 0);
  Glayers[0].X0 = 5.0f;
  DTrdInit();
  ASSERT_EQ(parse("layers:\nC: green solid;\n"), 0);
  EXPECT_EQ(GlayerNum, 1);
  EXPECT_STREQ(Glayers[0].name, "C");
  EXPECT_EQ(Glayers[0].X0, 5.0f) << "defect parameters stay with the slot";
}

// A refused file leaves the tables and the group as they were, and every
// layer with a live drawing context: the read released the contexts of the
// layers it refilled, so those are made again.
TEST_F(TechFile, RefusedFileLeavesTablesAndContextsAsTheyWere)
{
  static std::set<int> live;
  static int made = 0;
  techc::setGcHooks([](const char*, const techc::Bitmap*, int) -> void* {
                      live.insert(++made);
                      return reinterpret_cast<void*>(static_cast<intptr_t>(made));
                    },
                    [](void* gc) { live.erase(static_cast<int>(reinterpret_cast<intptr_t>(gc))); });
  ASSERT_EQ(parse("layers:\nA: red solid;\nB: blue solid;\nelements:\nnmos: A B;\n"), 0);
  const std::string aborting = "layers:\nC: green solid;\nD: red nosuchpattern;\n";
  for (const std::string& text : {std::string("layers:\nC: green solid;\nD blue\n"), aborting}) {
    SCOPED_TRACE(text);
    techc::TablesSetAside previous;
    DTrdInit();
    if (text == aborting)
      EXPECT_THROW(parse(text), common::OperationAborted);
    else
      EXPECT_EQ(parse(text), 1);
  }
  EXPECT_EQ(GlayerNum, 2);
  EXPECT_STREQ(Glayers[0].name, "A");
  EXPECT_STREQ(Glayers[0].color, "red");
  EXPECT_STREQ(Glayers[1].name, "B");
  EXPECT_EQ(DelementNum, 1);
  EXPECT_EQ(live.size(), 2u);
  EXPECT_TRUE(live.count(static_cast<int>(reinterpret_cast<intptr_t>(Glayers[0].gc))));
  EXPECT_TRUE(live.count(static_cast<int>(reinterpret_cast<intptr_t>(Glayers[1].gc))));
  ASSERT_EQ(parse("nmos2: A B;\n"), 0) << "the group is the one before the refused files";
  EXPECT_EQ(DelementNum, 2);
  {
    techc::TablesSetAside kept;
    DTrdInit();
    ASSERT_EQ(parse("layers:\nC: green solid;\n"), 0);
    kept.commit();
  }
  EXPECT_EQ(GlayerNum, 1);
  EXPECT_STREQ(Glayers[0].name, "C");
  techc::setGcHooks(nullptr, nullptr);
}

TEST_F(TechFile, TableLimitsAreReportedNotOverrun)
{
  std::string text = "layers:\n";
  for (int i = 0; i < 33; ++i)
    text += "L" + std::to_string(i) + ": red solid;\n";
  text += "elements:\n";
  for (int i = 0; i < 9; ++i)
    text += "e" + std::to_string(i) + ": CAA CPG;\n";
  text += "connections:\n";
  for (int i = 0; i < 9; ++i)
    text += "c" + std::to_string(i) + ": CAA CCA CMF;\n";
  text += "resistors:\nmany:";
  for (int i = 0; i < 33; ++i)
    text += " R" + std::to_string(i);
  text += ";\n" + std::string("capacitors:\n") + std::string(64, 'n') + ": CPG CEL;\n";
  text += "elements:\nshort: " + std::string(70, 'x') + ";\n";
  ASSERT_EQ(parse(text), 0);
  EXPECT_EQ(GlayerNum, 31);
  EXPECT_EQ(Glayers[31].name[0], '\0');
  EXPECT_EQ(DelementNum, 8);
  EXPECT_EQ(DconNum, 8);
  EXPECT_EQ(RXresDefNum, 0);
  EXPECT_EQ(CXcapDefNum, 0);
  EXPECT_TRUE(ui.saw('E', "Too many layers in technology file (at most 31), L31 dropped"));
  EXPECT_TRUE(ui.saw('E', "Too many elements in technology file (at most 8), e8 dropped"));
  EXPECT_TRUE(ui.saw('E', "Too many connections in technology file (at most 8), c8 dropped"));
  EXPECT_TRUE(ui.saw('E', "Rule many has more than 32 names"));
  EXPECT_TRUE(ui.saw('E', "too long in technology file (at most 63 characters)"));
}

TEST_F(TechFile, LayerNameOver31CharactersIsRefused)
{
  ASSERT_EQ(parse("layers:\n" + std::string(32, 'L') + ": red solid;\nOK: red solid;\n"), 0);
  ASSERT_EQ(GlayerNum, 1);
  EXPECT_STREQ(Glayers[0].name, "OK");
}

TEST_F(TechFile, LayerWithoutPatternIsRefused)
{
  ASSERT_EQ(parse("layers:\nCAA: red;\n"), 0);
  EXPECT_EQ(GlayerNum, 0);
  EXPECT_TRUE(ui.saw('E', "Layer CAA needs a colour and a pattern"));
}

TEST_F(TechFile, MissingPatternOrColourAbandonsTheRead)
{
  EXPECT_THROW(parse("layers:\nCAA: red nosuchpattern;\n"), common::OperationAborted);
  EXPECT_NE(err.find("Fatal: Can not load pattern file "), std::string::npos);
  EXPECT_NE(err.find("patterns/nosuchpattern."), std::string::npos);
  EXPECT_THROW(parse("layers:\nCAA: ultraviolet solid;\n"), common::OperationAborted);
  EXPECT_NE(err.find("Fatal: color ultraviolet not found."), std::string::npos) << err;
}

TEST_F(TechFile, StartUpReadsScaleDefectsAndTheDefaultFile)
{
  DItechInit();
  EXPECT_EQ(theGlobalScale, 40);
  EXPECT_EQ(SCALE, 40);
  EXPECT_EQ(theMinDefectSize, 40 * GCgetValue("MinDefectSize"));
  EXPECT_EQ(theMaxDefectSize, 40 * GCgetValue("MaxDefectSize"));
  EXPECT_EQ(theStep, 40 * GCgetValue("Step"));
  EXPECT_TRUE(ui.saw('M', "Load technology file OK"));
  EXPECT_GE(GlayerNum, 22);
  EXPECT_EQ(Glayers[GlayerNum].name[0], '\0');
  EXPECT_STREQ(Delement[0].name, "transistor_P");
  EXPECT_STREQ(Delement[0].layers[0], "CAA");
  EXPECT_STREQ(Delement[0].layers[1], "CPG");
  EXPECT_STREQ(Delement[1].name, "transistor_N");
  // The active contact is the first connection whose lower layer is CAA.
  EXPECT_STREQ(Dconnect[0].lowerLayer, "CAA");
  EXPECT_STREQ(Dconnect[0].conLayer, "CCA");
  EXPECT_STREQ(Dconnect[0].upperLayer, "CMF");
  for (int i = 0; i < GlayerNum; ++i) {
    EXPECT_EQ(Glayers[i].X0, 1.0f);
    EXPECT_EQ(Glayers[i].D0, 10.0f);
    EXPECT_EQ(Glayers[i].active, 0);
  }
  EXPECT_EQ(LXindDefNum, 1);
  EXPECT_EQ(CXcapDefNum, 1);
  EXPECT_EQ(RXresDefNum, 1);
}

TEST_F(TechFile, MissingDefaultFileEndsTheProgram)
{
  setenv("SYSRC", scratch.write("sysrc", "GlobalScale 1\nMinDefectSize 1\nMaxDefectSize 2\n"
                                         "Step 1\nTechFile absent.tech\n").c_str(), 1);
  EXPECT_EXIT(
      {
        common::captureOutput(nullptr, nullptr);
        DItechInit();
      },
      ::testing::ExitedWithCode(1), "No system default technology file");
}

TEST(Bitmap, ReadsAndRejects)
{
  ScratchDir dir;
  techc::Bitmap bitmap;
  ASSERT_TRUE(techc::readBitmap(sourcePath("lib/patterns/dots").c_str(), &bitmap));
  EXPECT_EQ(bitmap.width, 8);
  EXPECT_EQ(bitmap.height, 8);
  EXPECT_TRUE(bitmap.pixel(0, 0));
  EXPECT_FALSE(bitmap.pixel(1, 0));
  EXPECT_TRUE(bitmap.pixel(4, 0));
  std::string odd = dir.write("odd", "#define o_width 10\n#define o_height 2\n"
                                     "static char o_bits[] = { 0x01, 0x02, 0x03, 0x00 };\n");
  ASSERT_TRUE(techc::readBitmap(odd.c_str(), &bitmap));
  EXPECT_TRUE(bitmap.pixel(9, 0));  // second byte, bit 1
  std::string shortData = dir.write("short", "#define s_width 16\n#define s_height 16\n"
                                             "static char s_bits[] = { 0x01 };\n");
  EXPECT_FALSE(techc::readBitmap(shortData.c_str(), &bitmap));
  EXPECT_FALSE(techc::readBitmap(dir.write("text", "not a bitmap").c_str(), &bitmap));
  EXPECT_FALSE(techc::readBitmap(dir.path("absent").c_str(), &bitmap));
  std::string huge = dir.write("huge", "#define h_width 99999\n#define h_height 1\n{0};\n");
  EXPECT_FALSE(techc::readBitmap(huge.c_str(), &bitmap));
}

}  // namespace
