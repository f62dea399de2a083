// Net tracing through planes and contacts, net numbering, the net check,
// the faults that abandon the extraction, and the extraction's lifecycle.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "Dview.h"
#include "ExtractSupport.h"

using extract_test::ExtractTest;

namespace {

// Two pMOS transistors 3000 units apart: the first's drain joined to the
// second's source through active contacts and metal, their gates joined
// through poly contacts and metal.
class LinkedPair : public ExtractTest {
 protected:
  void draw()
  {
    horizontal(0, 0);
    horizontal(3000, 0);
    rect("CCA", 800, 200, 1000, 400);
    rect("CCA", 3100, 200, 3300, 400);
    rect("CMF", 700, 100, 3400, 500);
    rect("CPG", 400, 800, 800, 1200);
    rect("CPG", 3400, 800, 3800, 1200);
    rect("CCP", 500, 900, 700, 1100);
    rect("CCP", 3500, 900, 3700, 1100);
    rect("CMF", 400, 800, 3800, 1200);
  }
  _Dtransistor* left() const { return transistor(1)->Tgate->x1 < 1000 ? transistor(1) : transistor(2); }
  _Dtransistor* right() const { return left() == transistor(1) ? transistor(2) : transistor(1); }
};

}  // namespace

TEST_F(LinkedPair, ContactsJoinTheNetsOfBothPlanes)
{
  draw();
  ASSERT_TRUE(extract());
  ASSERT_EQ(TransNum, 2);
  EXPECT_EQ(NetsNum, 4);
  EXPECT_EQ(left()->drain, right()->source);
  EXPECT_EQ(left()->gate, right()->gate);
  EXPECT_NE(left()->source, right()->drain);

  _Dnet* link = net(left()->drain);
  ASSERT_NE(link, nullptr);
  std::vector<std::string> tiles = netTiles(link);
  EXPECT_EQ(std::set<std::string>(tiles.begin(), tiles.end()).size(), tiles.size())
      << "every tile once";
  EXPECT_EQ(tiles, (std::vector<std::string>{"(3000 0)-(3500 600) 0x4", "(700 0)-(1200 600) 0x4",
                                             "(700 100)-(3400 500) 0xf"}));
  for (const _Dtilelist* n = link->tilelist; n; n = n->next)
    EXPECT_EQ(n->tile->node, link->node);
  EXPECT_FALSE(ui.saw('E', "Net extraction error"));
}

TEST_F(LinkedPair, NetsAreNumberedGateSourceDrainFromTheNewestTransistor)
{
  draw();
  ASSERT_TRUE(extract());
  _Dtransistor* newest = Transistors[0];
  ASSERT_NE(newest, nullptr);
  EXPECT_EQ(newest->number, 2);
  EXPECT_EQ(newest->gate, 1);
  EXPECT_EQ(newest->source, 2);
  EXPECT_EQ(newest->drain, 3);
  EXPECT_EQ(newest->next->source == 3 || newest->next->drain == 2, true);
  EXPECT_NE(out.find("\nTransistor name = m2\n\nTransistor name = m1\n"), std::string::npos);
}

TEST_F(LinkedPair, NetCheckPassesQuietly)
{
  draw();
  ASSERT_TRUE(extract());
  out.clear();
  EXPECT_TRUE(action([] { EXPECT_EQ(DExVerifyNets(), 0); }));
  EXPECT_EQ(out, "");
}

TEST_F(LinkedPair, FreedPlanesKeepTheNetlistAndRebuildExtractsAgain)
{
  draw();
  ASSERT_TRUE(extract());
  std::string before = netlist();
  ASSERT_NE(before, "");
  GCfreeCS();
  EXPECT_EQ(netlist(), before) << "the records outlive the planes";
  EXPECT_EQ(Transistors[0]->Tgate, nullptr);
  EXPECT_EQ(Nets->tilelist, nullptr);
  DisplayTranNames(Vmain);  // nothing to draw, nothing to touch
  DisplayNetNames(Vmain);
  ASSERT_TRUE(extract());
  EXPECT_EQ(TransNum, 2) << "the new planes start a new extraction";
  EXPECT_EQ(netlist(), before);
}

TEST_F(LinkedPair, ASecondExtractionIsRefused)
{
  draw();
  ASSERT_TRUE(extract());
  ui.messages.clear();
  ASSERT_TRUE(action([] { DExCir(); }));
  EXPECT_TRUE(ui.saw('W', "Reload circuit please"));
  EXPECT_EQ(TransNum, 2);
}

TEST_F(ExtractTest, NoPlanesNoExtraction)
{
  ASSERT_TRUE(action([] { DExCir(); }));
  EXPECT_TRUE(ui.saw('W', "No layout avaiable, load one"));
  EXPECT_EQ(TransNum, 0);
}

TEST_F(ExtractTest, ContactOnTheGateAbandonsAndLeavesThePlanesAsBuilt)
{
  horizontal(0, 0);
  ASSERT_TRUE(action([] { DCcrtCS(); }));
  _Dtile* gate = at("CPG", 600, 300);
  ASSERT_TRUE(TisElement(gate));
  gate->lower = TileToList(nullptr, at("CMF", 0, 0));  // a contact below the gate

  EXPECT_FALSE(action([] { DExCir(); }));
  EXPECT_NE(err.find("Fatal: There is a contact on the gate.\n"), std::string::npos);
  EXPECT_EQ(TransNum, 0);
  EXPECT_EQ(Nets, nullptr);
  EXPECT_EQ(NetsNum, 0);
  EXPECT_EQ(taggedTiles(), 0) << "no net numbers, tags or roles are left";
  std::string report;
  EXPECT_TRUE(cs::checkPlanes(&report)) << report;

  FreeList(gate->lower);
  gate->lower = nullptr;
  EXPECT_TRUE(action([] { DExCir(); }));
  EXPECT_EQ(TransNum, 1) << "the planes are still usable";
}

TEST_F(LinkedPair, NetHoldingSpaceFailsTheCheck)
{
  draw();
  ASSERT_TRUE(extract());
  _Dnet* link = net(left()->drain);
  const int node = link->node;
  _Dtile* space = at("CAA", 2000, 300);
  ASSERT_FALSE(TisSolid(space));
  link->tilelist->next = TileToList(link->tilelist->next, space);
  EXPECT_FALSE(action([] { DExVerifyNets(); }));
  std::string line = " DExVerifyNets.c: Net " + std::to_string(node) + " contains space tile \n";
  EXPECT_NE(out.find(line), std::string::npos);
  EXPECT_NE(err.find("Fatal: Net " + std::to_string(node) + " contains space tile."),
            std::string::npos);
  EXPECT_EQ(TransNum, 0) << "the extraction is released";
  EXPECT_EQ(Nets, nullptr);
  EXPECT_EQ(taggedTiles(), 0);
  EXPECT_TRUE(action([] { DExCir(); }));
  EXPECT_EQ(TransNum, 2) << "the planes are still usable";
}
