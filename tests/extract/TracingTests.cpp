// Net tracing through planes and contacts, net numbering, the net check,
// the faults that abandon the extraction, and the extraction's lifecycle.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>

#include "DTtechnology.h"
#include "Dview.h"
#include "ExtractSupport.h"

using extract_test::ExtractTest;

namespace {

// Two pMOS transistors 3000 units apart: the first's drain joined to the
// second's source through active contacts and metal, their gates joined
// through poly contacts and metal.
class LinkedPair : public ExtractTest {
 protected:
  void SetUp() override
  {
    ExtractTest::SetUp();
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
    ASSERT_TRUE(extract());
  }
  _Dtransistor* left() const { return transistor(1)->Tgate->x1 < 1000 ? transistor(1) : transistor(2); }
  _Dtransistor* right() const { return left() == transistor(1) ? transistor(2) : transistor(1); }
};

}  // namespace

TEST_F(LinkedPair, ContactsJoinTheNetsOfBothPlanes)
{
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
  // The net check passes quietly.
  out.clear();
  EXPECT_TRUE(action([] { EXPECT_EQ(DExVerifyNets(), 0); }));
  EXPECT_EQ(out, "");
}

TEST_F(LinkedPair, NetsAreNumberedGateSourceDrainFromTheNewestTransistor)
{
  _Dtransistor* newest = Transistors[0];
  ASSERT_NE(newest, nullptr);
  EXPECT_EQ(newest->number, 2);
  EXPECT_EQ(newest->gate, 1);
  EXPECT_EQ(newest->source, 2);
  EXPECT_EQ(newest->drain, 3);
  EXPECT_EQ(newest->next->source == 3 || newest->next->drain == 2, true);
  EXPECT_NE(out.find("\nTransistor name = m2\n\nTransistor name = m1\n"), std::string::npos);
  // A second extraction is refused.
  ui.messages.clear();
  ASSERT_TRUE(action([] { DExCir(); }));
  EXPECT_TRUE(ui.saw('W', "Reload circuit please"));
  EXPECT_EQ(TransNum, 2);
}

TEST_F(LinkedPair, FreedPlanesKeepTheNetlistAndRebuildExtractsAgain)
{
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

TEST_F(ExtractTest, NoPlanesNoExtraction)
{
  ASSERT_TRUE(action([] { DExCir(); }));
  EXPECT_TRUE(ui.saw('W', "No layout avaiable, load one"));
  EXPECT_EQ(TransNum, 0);
}

namespace {

// The example technology with one more connection, whose cut (CCC) joins
// metal below to `upper` above: a cut over a gate region then puts contact
// links below a gate tile.
class OddContact : public ExtractTest {
 protected:
  bool loadTechnology(const char* upper)
  {
    std::string text = testing_support::readFile(testing_support::sourcePath("lib/example.tech"));
    std::string via2 = "via2              CMS CVS CMT;\n";
    size_t at = text.find(via2);
    if (at == std::string::npos)
      return false;
    text.insert(at + via2.size(), std::string("odd_contact CMF CCC ") + upper + ";\n");
    techc::resetGroup();
    DTrdInit();
    techin = fopen(scratch.write("odd.tech", text).c_str(), "r");
    return action([] { EXPECT_EQ(TECHparse(), 0); });
  }
  testing_support::ScratchDir scratch;
};

}  // namespace

// A cut whose upper layer is the gate layer puts links below the gate tile
// of the gate plane, one whose upper layer is active below the active
// plane's gate tile: the extraction is abandoned with nothing left tagged,
// and the planes stay as built (still usable, and still wrong).
TEST_F(OddContact, ContactLinksBelowAGateTileAbandon)
{
  const struct {
    const char* upper;
    const char* fatal;
  } cases[] = {{"CPG", "Fatal: There is a contact on the gate.\n"},
               {"CAA", "Fatal: two transistor share a gate.\n"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.upper);
    TearDown();
    SetUp();
    ASSERT_TRUE(loadTechnology(c.upper));
    horizontal(0, 0);
    rect("CMF", 400, 100, 800, 500);
    rect("CCC", 500, 200, 700, 400);
    ASSERT_TRUE(action([] { DCcrtCS(); }));
    _Dtile* gate = at(c.upper, 600, 300);
    ASSERT_NE(gate->lower(), nullptr) << "links below the gate tile";
    EXPECT_FALSE(action([] { DExCir(); }));
    EXPECT_NE(err.find(c.fatal), std::string::npos) << err;
    EXPECT_EQ(TransNum, 0);
    EXPECT_EQ(Nets, nullptr);
    EXPECT_EQ(NetsNum, 0);
    EXPECT_EQ(taggedTiles(), 0) << "no net numbers, tags or roles are left";
    EXPECT_NE(gate->lower(), nullptr) << "the contact links stay";
    std::string report;
    EXPECT_TRUE(cs::checkPlanes(&report)) << report;
    EXPECT_FALSE(action([] { DExCir(); }));
    // The planes' release leaves the lower slot of element tiles alone.
    FreeList(gate->lower());
    gate->set_lower(nullptr);
  }
}

TEST_F(LinkedPair, NetHoldingSpaceFailsTheCheck)
{
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

namespace {

// Random layouts of the layers that make transistors and nets.
class RandomLayouts : public ExtractTest {
 protected:
  void draw(std::mt19937* random)
  {
    static const char* const layers[] = {"CAA", "CAA", "CPG", "CPG", "CSP", "CSN",
                                         "CCA", "CCP", "CMF", "CMF"};
    std::uniform_int_distribution<int> layer(0, 9), at(0, 40), size(1, 12);
    for (int i = 0; i < 60; ++i) {
      int x = at(*random) * 100, y = at(*random) * 100;
      rect(layers[layer(*random)], x, y, x + size(*random) * 100, y + size(*random) * 100);
    }
  }
};

}  // namespace

TEST_F(RandomLayouts, EveryTileIsOnOneNetAndEveryGateIsRecognised)
{
  int transistors = 0;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    draw(&random);
    ASSERT_TRUE(extract());
    ASSERT_TRUE(action([] { DExVerifyNets(); }));

    // Each tile of a net carries its number and is on no other net.
    std::map<_Dtile*, int> owner;
    for (const _Dnet* n = Nets; n; n = n->next) {
      for (const _Dtilelist* t = n->tilelist; t; t = t->next) {
        EXPECT_EQ(t->tile->node, n->node);
        EXPECT_TRUE(owner.emplace(t->tile, n->node).second) << "a tile on two nets";
      }
    }
    // Every numbered tile is on its net's list; every element tile of the
    // active plane was taken into a gate region.
    for (int i = 0; i < DlayerNum; ++i) {
      for (_Dtile* t : cs_test::allTiles(DlayerTile[i].layertile)) {
        if (t->node > 0) {
          EXPECT_EQ(owner.count(t), 1u);
        }
        if (i == 0 && TisElement(t)) {
          // In a gate region, or on a net through a contact cut over it.
          EXPECT_TRUE(t->node == -1 || t->node > 0) << t->node;
        }
        if (i == 0 && !TisElement(t)) {
          EXPECT_GE(t->node, 0) << "no tag is left on the active plane";
        }
      }
    }
    // Transistors: terminals beside their gate region, nets as recorded.
    for (int e = 0; e < DelementNum; ++e) {
      for (const _Dtransistor* t = Transistors[e]; t; t = t->next) {
        EXPECT_GT(t->width, 0);
        EXPECT_GT(t->length, 0);
        EXPECT_EQ(t->source, t->Tsource->node);
        if (t->Tdrain) {
          EXPECT_EQ(t->drain, t->Tdrain->node);
        }
        EXPECT_EQ(extract::transistorOf(t->Tgate), t);
      }
    }
    transistors += TransNum;
    GCfreeCS();
    GCfreeLayout(Gflatten);
    Gflatten = common::make<_layout>();
  }
  EXPECT_GT(transistors, 200) << "the layouts make transistors";
}
