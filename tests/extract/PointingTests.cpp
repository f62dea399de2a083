// Net inspection by pointing and by number, input/output pins, and the
// names drawn over the planes.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "DPparasitic.h"
#include "DTtechnology.h"
#include "Devent.h"
#include "Dmenu.h"
#include "ExtractSupport.h"
#include "RecordingSurface.h"

using extract_test::ExtractTest;
using extract_test::length;
using extract_test::tileSet;
using testing_support::RecordingSurface;

namespace {

// Two transistors whose drains are joined in metal; the view draws on a
// recording surface.
class Inspection : public ExtractTest {
 protected:
  void SetUp() override
  {
    ExtractTest::SetUp();
    DIvpInit(Vmain, &surface, nullptr);
    GCinstallVp(Vmain, -1000, -1000, 6000, 0);
    horizontal(0, 0);
    horizontal(3000, 0);
    rect("CCA", 800, 200, 1000, 400);
    rect("CCA", 3800, 200, 4000, 400);
    rect("CMF", 700, 100, 4100, 500);
    ASSERT_TRUE(extract());
    drains = transistor(1)->drain;
    ui.messages.clear();
    out.clear();
    err.clear();
  }
  void TearDown() override
  {
    DIvpInit(Vmain, nullptr, nullptr);
    ExtractTest::TearDown();
  }
  RecordingSurface surface{550, 450};
  int drains = 0;
};

}  // namespace

TEST_F(Inspection, ShowingAPointedNetHighlightsAllItsTiles)
{
  DExShowObj();
  click(2000, 300);  // the metal between the drains
  EXPECT_EQ(err, "Net number: " + std::to_string(drains) + "\n");
  EXPECT_EQ(tileSet(DlayerTile[0].highlight), tileSet(net(drains)->tilelist));
  EXPECT_EQ(length(DlayerTile[0].highlight), length(net(drains)->tilelist));
  EXPECT_EQ(tileSet(NetTileList), tileSet(net(drains)->tilelist)) << "kept as the pending list";
  EXPECT_FALSE(surface.withPrefix("fill").empty()) << "the visible area is drawn again";
  EXPECT_TRUE(surface.withPrefix("clear").empty()) << "without clearing";

  click(2000, 3000);  // the interaction repeats; space now
  EXPECT_TRUE(ui.saw('M', "No object selected"));
  click(600, 300);  // a gate
  EXPECT_TRUE(ui.saw('M', "It is a transistor"));
}

TEST_F(Inspection, SelectingANetRedrawsAndPaintsIt)
{
  DExSelectNetTileObj();
  click(2000, 300);
  EXPECT_EQ(tileSet(DlayerTile[0].selected), tileSet(net(drains)->tilelist));
  EXPECT_EQ(DlayerTile[0].highlight, nullptr);
  std::vector<std::string> drawn = surface.texts();
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(std::count(drawn.begin(), drawn.end(), "clear"), 1) << "redrawn completely";
}

TEST_F(Inspection, GraphSelectionSelectsAndSaysThereIsNoGraph)
{
  DExSelectNetGraphObj();
  click(2000, 300);
  EXPECT_EQ(tileSet(DlayerTile[0].selected), tileSet(net(drains)->tilelist));
  EXPECT_TRUE(ui.saw('W', "No resistance graph is available"));
  ui.messages.clear();
  click(2000, 3000);
  EXPECT_FALSE(ui.saw('W', "No resistance graph is available")) << "space selects nothing";
}

TEST_F(Inspection, SearchingANetByNumber)
{
  EXPECT_EQ(callback::accept(kAcceptFindNet, "0"), callback::Outcome::Failed);
  EXPECT_TRUE(ui.saw('E', "Input wrong"));
  EXPECT_EQ(DlayerTile[0].highlight, nullptr);

  EXPECT_EQ(callback::accept(kAcceptFindNet, std::to_string(drains).c_str()),
            callback::Outcome::Done);
  EXPECT_EQ(out, "Net number: " + std::to_string(drains) + "\n");
  EXPECT_EQ(tileSet(DlayerTile[0].highlight), tileSet(net(drains)->tilelist));

  ui.messages.clear();
  DExSearchNet(-4);
  EXPECT_TRUE(ui.saw('E', "Input wrong"));
  DExSearchNet(999);  // no such net: nothing changes
  EXPECT_EQ(tileSet(DlayerTile[0].highlight), tileSet(net(drains)->tilelist));
}

TEST_F(Inspection, PinsAreDeclaredOnNetsOnly)
{
  char name[] = "pad";
  DExDefIO(name);
  click(600, 300);  // the gate of the first transistor
  EXPECT_TRUE(ui.saw('M', "It is a transistor"));
  EXPECT_EQ(NetNameTable, nullptr);
  click(2000, 3000);
  EXPECT_TRUE(ui.saw('M', "No object selected"));
  click(2000, 300);
  EXPECT_EQ(out, "Net number: " + std::to_string(drains) + "\n");
  _Dtile* metal = at("CMF", 2000, 300);
  ASSERT_NE(metal->next(), nullptr);
  EXPECT_EQ(metal->next()->number, -1);
  EXPECT_EQ(metal->next()->Tgate, metal);
  EXPECT_STREQ(DExNetName(drains), "pad");
  _Dtransistor* pin = metal->next();
  click(2000, 300);  // again: the same pin record
  EXPECT_EQ(metal->next(), pin);
}

TEST_F(Inspection, PointingWithoutPlanes)
{
  GCfreeCS();
  ui.messages.clear();
  EXPECT_EQ(DExShowObjExe(_point{0, 0}), 1);
  EXPECT_TRUE(ui.saw('W', "CS structure not ready"));
  DlayerNum = 0;
  EXPECT_EQ(DExDefIOExe(_point{0, 0}), 1);
  EXPECT_TRUE(ui.saw('W', "Corner stitch structure not ready"));
}

TEST_F(Inspection, NamesAreWrittenOverThePlanes)
{
  surface.ops.clear();
  DisplayTranNames(Vmain);
  DisplayNetNames(Vmain);
  std::vector<std::string> strings;
  for (const RecordingSurface::Op& op : surface.withPrefix("string"))
    strings.push_back(op.text.substr(op.text.rfind(' ') + 1));
  std::sort(strings.begin(), strings.end());
  EXPECT_EQ(strings, (std::vector<std::string>{"m1", "m2", "n1", "n2", "n3", "n4", "n5"}));
  long x, y;
  GCwtov(Vmain, transistor(1)->Tgate->x1 + 200, transistor(1)->Tgate->y1 + 200, &x, &y);
  bool found = false;
  for (const RecordingSurface::Op& op : surface.withPrefix("string"))
    found = found || op.text == "string " + std::to_string(x) + "," + std::to_string(y) + " m1";
  EXPECT_TRUE(found) << "a transistor's name is at its gate's corner plus 200";
  // The names come with the tile-plane view too.
  DworkingMode = kModePlanes;
  surface.ops.clear();
  DVredraw(nullptr, nullptr, nullptr);
  int names = 0;
  for (const RecordingSurface::Op& op : surface.withPrefix("string"))
    names += op.text.find(" m") != std::string::npos || op.text.find(" n") != std::string::npos;
  EXPECT_EQ(names, 7);
}
