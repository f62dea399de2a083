// The net finder: the tiles of one net, their bounding box, the restored
// net numbers, and the transistors and pins it records for terminal lists.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "DPparasitic.h"
#include "ExtractSupport.h"

using extract_test::ExtractTest;
using extract_test::length;
using extract_test::tileSet;

namespace {

// `count` pMOS fingers in one active strip, every gate on one poly bar.
class Fingers : public ExtractTest {
 protected:
  void draw(int count)
  {
    rect("CAA", 0, 0, 400 * count + 300, 400);
    for (int i = 0; i < count; ++i)
      rect("CPG", 300 + 400 * i, -200, 400 + 400 * i, 600);
    rect("CPG", 300, 600, 400 * count, 800);
    rect("CSP", -100, -300, 400 * count + 400, 900);
  }
  // The terminals of the net of `tile`, collected as the open-fault pass
  // does: recording on, the finder, the list, recording off.
  _DtermList* terminals(_Dtile* tile)
  {
    RecordTerm = 1;
    int x1, y1, x2, y2;
    _Dtilelist* tiles = DExFindNet(tile, &x1, &y1, &x2, &y2);
    _DtermList* list = DExTermList(tiles, TransList);
    RecordTerm = 0;
    extract::releaseTransList();
    return list;
  }
  _Dtransistor* fingerAt(int x) const
  {
    for (_Dtransistor* t = Transistors[0]; t; t = t->next)
      if (t->Tgate->x1 == x)
        return t;
    return nullptr;
  }
};

}  // namespace

TEST_F(Fingers, FinderCollectsTheNetOnceWithItsBox)
{
  draw(3);
  ASSERT_TRUE(extract());
  _Dtile* bar = at("CPG", 350, 700);
  const int gate = bar->node;
  ASSERT_GT(gate, 0);
  int x1, y1, x2, y2;
  _Dtilelist* tiles = DExFindNet(bar, &x1, &y1, &x2, &y2);
  EXPECT_EQ(tiles, NetTileList);
  EXPECT_EQ(tileSet(tiles), tileSet(net(gate)->tilelist));
  EXPECT_EQ(length(tiles), length(net(gate)->tilelist)) << "each tile once";
  EXPECT_EQ(x1, 300);
  EXPECT_EQ(y1, -200);
  EXPECT_EQ(x2, 1200);
  EXPECT_EQ(y2, 800);
  for (const _Dtilelist* n = tiles; n; n = n->next)
    EXPECT_EQ(n->tile->node, gate) << "numbers restored";
  EXPECT_EQ(TransList, nullptr) << "nothing recorded while recording is off";

  // A second call replaces the pending list.
  _Dtile* diffusion = at("CAA", 550, 200);
  tiles = DExFindNet(diffusion, &x1, &y1, &x2, &y2);
  EXPECT_EQ(tileSet(tiles), tileSet(net(diffusion->node)->tilelist));
  EXPECT_EQ(x1, 400);
  EXPECT_EQ(x2, 700);
}

TEST_F(Fingers, FinderRefusesATileOnNoNet)
{
  draw(1);
  ASSERT_TRUE(extract());
  int x1, y1, x2, y2;
  EXPECT_EQ(DExFindNet(at("CAA", 5000, 5000), &x1, &y1, &x2, &y2), nullptr);
  EXPECT_EQ(NetTileList, nullptr);
}

TEST_F(Fingers, DiffusionBetweenFingersIsADrainAndASource)
{
  draw(3);
  ASSERT_TRUE(extract());
  _DtermList* list = terminals(at("CAA", 550, 200));
  std::set<std::pair<int, int>> found;
  int count = 0;
  for (_DtermList* t = list; t; t = t->next) {
    found.insert({t->transistor->number, t->port});
    EXPECT_EQ(t->no, ++count);
  }
  EXPECT_EQ(found, (std::set<std::pair<int, int>>{{fingerAt(300)->number, 2},
                                                  {fingerAt(700)->number, 1}}));
  DExFreeTerm(list);
}

// A net of at most 128 terminals has a list; one more has none.
TEST_F(Fingers, NetOfAtMost128GatesHasATerminalList)
{
  for (int gates : {128, 129}) {
    SCOPED_TRACE(gates);
    TearDown();
    SetUp();
    draw(gates);
    ASSERT_TRUE(extract());
    ASSERT_EQ(TransNum, gates);
    _DtermList* list = terminals(at("CPG", 350, 700));
    int count = 0;
    for (_DtermList* t = list; t; t = t->next) {
      ++count;
      EXPECT_EQ(t->port, 0);
      EXPECT_EQ(t->no, count);
      EXPECT_TRUE(DExTinList(t->tile, net(Transistors[0]->gate)->tilelist));
    }
    EXPECT_EQ(count, gates == 128 ? 128 : 0);
    EXPECT_EQ(ui.saw('W', "A net with more than 128 terminals, ignored"), gates > 128);
    DExFreeTerm(list);
  }
}

TEST_F(Fingers, PinsOnTheNetAreTerminals)
{
  draw(2);
  ASSERT_TRUE(extract());
  char name[] = "in";
  _Dtile* bar = at("CPG", 350, 700);
  ASSERT_EQ(DExDefIO(name), 0);
  click(350, 700);
  ASSERT_NE(bar->next(), nullptr);
  _DtermList* list = terminals(bar);
  int pins = 0, gates = 0;
  for (_DtermList* t = list; t; t = t->next) {
    EXPECT_EQ(t->port, 0);
    if (t->transistor->number == -1) {
      ++pins;
      EXPECT_EQ(t->tile, bar);
    } else {
      ++gates;
    }
  }
  EXPECT_EQ(pins, 1);
  EXPECT_EQ(gates, 2);
  DExFreeTerm(list);
}

TEST_F(Fingers, RecordingKeepsEachTransistorOnce)
{
  draw(2);
  ASSERT_TRUE(extract());
  RecordTerm = 1;
  int x1, y1, x2, y2;
  DExFindNet(at("CPG", 350, 700), &x1, &y1, &x2, &y2);
  DExFindNet(at("CPG", 350, 700), &x1, &y1, &x2, &y2);  // the same net again
  DErecordTrans(Transistors[0]);
  RecordTerm = 0;
  int recorded = 0;
  for (_DtransList* n = TransList; n; n = n->next)
    ++recorded;
  EXPECT_EQ(recorded, 2);
  extract::releaseTransList();
  EXPECT_EQ(TransList, nullptr);
}
