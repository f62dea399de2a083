// Pins on the nets and the netlist for the subcircuit matcher.
#include <sys/stat.h>

#include <string>

#include "GroupSupport.h"

namespace {

using hierarchy_test::GroupTest;

// The pins heading a net's connection list, as their labels.
std::string pinsOf(const _Dnet* net)
{
  std::string labels;
  if (!net || !net->connElemList)
    return "no list";
  for (const _Conn_Elem& e : *net->connElemList)
    if (e.type == elemPIN)
      labels += std::string(static_cast<const _pin*>(e.element)->label) + " ";
  return labels;
}

TEST_F(GroupTest, MirrorNetlistNamesNetsByTheirPins)
{
  ASSERT_TRUE(loadExample("mirror.cif"));
  connect();
  AttachPinsToNets();
  clusterTransistors();
  EXPECT_EQ(netlist(), "|\n\nmn_1 iref iref gnd\nmn_2 iref out gnd\n");
}

TEST_F(GroupTest, PinsOffTheNetsAreLeftOutAndNoPinIsAttachedTwice)
{
  horizontal(0, 0, "CSP");
  rect("CMF", 2000, 0, 2400, 400);  // metal of no net
  ASSERT_TRUE(extract());
  connect();
  _Dtransistor* t = Transistors[0];
  ASSERT_NE(t, nullptr);
  _pin* first = pin("a", 100, 300, "CAA");     // source diffusion
  pin("b", 200, 100, "CAA");                   // the same net
  _pin* space = pin("c", 5000, 5000, "CAA");   // nothing there
  pin("d", 2200, 200, "CMF");                  // a tile on no net
  pin("e", 100, 300, "NOSUCH");                // a layer without a plane
  pin("f", 2000000000, 0, "CAA");              // beyond every plane
  _Dtile* current = Stitch;
  AttachPinsToNets();
  AttachPinsToNets();
  EXPECT_EQ(Stitch, current);
  // Gpin runs newest first, so the oldest pin ends up in front.
  EXPECT_EQ(pinsOf(net(t->source)), "a b ");
  EXPECT_EQ(first->tile, at("CAA", 100, 300));
  EXPECT_EQ(space->tile, nullptr);
  EXPECT_EQ(pinsOf(net(t->gate)), "");
  EXPECT_EQ(pinsOf(net(t->drain)), "");

  clusterTransistors();
  char line[64];
  snprintf(line, sizeof line, "|\n\nmp_1 net%d a net%d\n", t->gate, t->drain);
  EXPECT_EQ(netlist(), line);
}

TEST_F(GroupTest, PinMakesTheListOfANetThatHasNone)
{
  horizontal(0, 0, "CSN");
  ASSERT_TRUE(extract());
  for (_Dnet* n = Nets; n; n = n->next)
    InsertNetToHash(n->name, n);
  pin("out", 1100, 300, "CAA");
  AttachPinsToNets();
  const _Dnet* drain = net(Transistors[1]->drain);
  ASSERT_NE(drain, nullptr);
  EXPECT_EQ(pinsOf(drain), "out ");
  EXPECT_EQ(drain->connElemList->size(), 1u);
}

TEST_F(GroupTest, TransistorWithoutDrainGetsATerminalOfItsOwn)
{
  // The active runs around the end of the gate: source and drain are one.
  rect("CAA", 0, 0, 1200, 600);
  rect("CPG", 500, -200, 700, 400);
  rect("CSN", -300, -300, 1500, 900);
  ASSERT_TRUE(extract());
  ASSERT_EQ(Transistors[1]->drain, 0);
  connect();
  clusterTransistors();
  char line[64];
  snprintf(line, sizeof line, "|\n\nmn_1 net%d net%d open_1_d\n", Transistors[1]->gate,
           Transistors[1]->source);
  EXPECT_EQ(netlist(), line);
}

TEST_F(GroupTest, UnwritableNetlistIsReported)
{
  testing_support::ScratchDir dir;
  ASSERT_EQ(mkdir(dir.path("netlist_subpyxis").c_str(), 0755), 0);
  int result = 0;
  ASSERT_TRUE(inFolder(dir.dir(), [&] { result = WriteSubpyxisNetlist(); }));
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(ui.saw('E', "Cannot write the file netlist_subpyxis"));
}

// The matcher reads the amplifier's netlist and finds its input pair.
TEST_F(GroupTest, MatcherFindsTheDifferentialPairOfTheAmplifier)
{
  ASSERT_TRUE(loadExample("amp.cif"));
  connect();
  AttachPinsToNets();
  clusterTransistors();
  testing_support::ScratchDir dir;
  std::string output;
  int status = -1;
  ASSERT_TRUE(inFolder(dir.dir(), [&] {
    WriteSubpyxisNetlist();
    status = common::runCommand(
        {SUBPYXIS_PROGRAM, testing_support::sourcePath("examples/subckt_library/diffpair"),
         "netlist_subpyxis", "-y", "pairs"},
        &output);
  }));
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("2 INSTANCES OF ISOMORPHISM FOUND"), std::string::npos) << output;

  // The pair is the groups on the gate nets of the pins inp and inn.
  std::string inp, inn;
  for (const MultiFingerTran* g : *MFTList) {
    std::string gate = pinsOf(net(static_cast<int>(g->gate)));
    if (gate == "inp ")
      inp = "mn_" + std::to_string(g->id);
    if (gate == "inn ")
      inn = "mn_" + std::to_string(g->id);
  }
  ASSERT_FALSE(inp.empty());
  ASSERT_FALSE(inn.empty());
  std::string pairs = testing_support::readFile(dir.path("pairs"));
  EXPECT_NE(pairs.find(inp + " = " + inn), std::string::npos) << pairs;
  EXPECT_NE(pairs.find(inn + " = " + inp), std::string::npos) << pairs;
}

}  // namespace
