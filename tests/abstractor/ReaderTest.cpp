// The SIM reader: record classification, headers, nets and aliases, power
// and ground spellings, user-defined types, SUBCIRCUIT and sym records, and
// bad input of every kind (message, status, no crash).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "Graph.h"
#include "SubpyxisTestSupport.h"

using namespace abstractor;
using namespace subpyxis_test;

namespace {

// Reads `text` as a circuit (or subcircuit) and hands the graph to `inspect`.
ReadResult readCircuit(const std::string& text, const std::function<void(Graph&)>& inspect = nullptr,
                       bool subcircuit = false)
{
  Scratch scratch;
  return readNetlist(scratch.write("c.sim", text), subcircuit, inspect);
}

std::string netsOf(const Node* device)
{
  std::string text;
  for (int i = 0; i < device->numNeighbors(); ++i)
    text += (i ? " " : "") + std::string(device->neighbor(i)->name);
  return text;
}

Node* netNamed(Graph& graph, const char* name)
{
  for (Node* net : graph.netVector)
    if (strcmp(net->name, name) == 0)
      return net;
  return nullptr;
}

TEST(SimRecords, TransistorRecordsGiveTypeNumberAndThreeNets)
{
  ReadResult result = readCircuit(
      "| units: 100 format: MIT\n"
      "; a comment\n"
      "\n"
      "  mp_12 a b c 2 4 10 20 g=x\n"
      "n g s d\n"
      "e g2 s d\n"
      "d g3 s d\n"
      "\tp g4 s d\n",
      [](Graph& g) {
        ASSERT_EQ(g.numDevs, 5);
        EXPECT_EQ(g.numNets, 9);
        EXPECT_DOUBLE_EQ(g.SimUnits, 100.0);
        EXPECT_EQ(g.SimFormat, 1);
        const char* types[] = {"p", "n", "n", "p", "p"};
        int numbers[] = {12, -1, -1, -1, -1};
        for (int i = 0; i < 5; ++i) {
          EXPECT_STREQ(g.deviceVector[i]->name, types[i]);
          EXPECT_EQ(g.deviceVector[i]->dev->number, numbers[i]);
        }
        EXPECT_EQ(netsOf(g.deviceVector[0]), "a b c");
        EXPECT_EQ(netsOf(g.deviceVector[1]), "g s d");
        // The nets are numbered in order of appearance.
        EXPECT_STREQ(g.netVector[3]->name, "g");
        EXPECT_EQ(netNamed(g, "s")->netConnects, 4);
      });
  EXPECT_EQ(result.status, -1) << result.out;
  EXPECT_NE(result.out.find("Number of devices: 5, number of nets: 9"), std::string::npos);
}

// The header's units and format (0: unknown, 1: MIT, 2: UCB) and what is
// said of it; only the words after the first are searched for the format.
TEST(SimRecords, HeadersAreCheckedForUnitsAndFormat)
{
  const struct {
    const char* text;
    double units;
    int format;
    const char* said;  // null: nothing about the format
  } cases[] = {
      {"| units: 2.5\nn a b c\n", 2.5, 1, "\nSIM file format not included in header: assuming MIT format\n"},
      {"| tech: x format: UCB\nn a b c\n", 1, 2, nullptr},
      {"| tech: x format: SPICE\n", 1, 0, "\nUnknown SIM file format: SPICE\n"},
      {"| format: UCB\n", 1, 1, "not included in header"},
      {"n a b c\n| units: 7 format: UCB\n", 1, 0, "description of file type not on first line: line no. 2\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ReadResult result = readCircuit(c.text, [&](Graph& g) {
      EXPECT_DOUBLE_EQ(g.SimUnits, c.units);
      EXPECT_EQ(g.SimFormat, c.format);
    });
    if (c.said) {
      EXPECT_NE(result.out.find(c.said), std::string::npos) << result.out;
    } else {
      EXPECT_EQ(result.out.find("format"), std::string::npos) << result.out;
    }
  }
}

TEST(SimRecords, CapacitorNodesMakeNetsThatAreRemovedWithoutConnections)
{
  ReadResult result = readCircuit("n a b c\nC lonely b 3\nN alone\nR x 1\nA y\nB z\nv w\nn c b e\n",
                                  [](Graph& g) {
                                    EXPECT_EQ(g.numNets, 4);
                                    EXPECT_EQ(netNamed(g, "lonely"), nullptr);
                                    EXPECT_EQ(netNamed(g, "x"), nullptr);
                                  });
  EXPECT_NE(result.out.find("number of nets: 6\n"), std::string::npos);
  EXPECT_NE(result.out.find("Ignoring the following nets which have no connections\n"
                            "\tlonely (net #3)\n \talone (net #4)\n "),
            std::string::npos)
      << result.out;
}

TEST(Nets, GroundAndPowerSpellingsAreOneNetButVdd2IsNot)
{
  readCircuit("n a GND vdd\nn a gnd Vdd2\nn a gNd VDD\n", [](Graph& g) {
    EXPECT_EQ(g.numNets, 4);
    Node* ground = netNamed(g, "GND");
    ASSERT_NE(ground, nullptr);
    EXPECT_EQ(ground->netConnects, 3);
    EXPECT_EQ(netNamed(g, "gnd"), nullptr);
    EXPECT_NE(netNamed(g, "Vdd2"), nullptr);
    EXPECT_EQ(netNamed(g, "vdd")->netConnects, 2);
  });
}

TEST(Nets, AliasRecordsMergeNetsAndKeepIndicesDense)
{
  readCircuit("n a b c\nn d e f\n= a d f\n= d a\nn g h i\n", [](Graph& g) {
    ASSERT_EQ(g.numNets, 7);
    const char* order[] = {"a", "b", "c", "e", "g", "h", "i"};
    for (int j = 0; j < 7; ++j) {
      EXPECT_STREQ(g.netVector[j]->name, order[j]);
      EXPECT_EQ(g.netVector[j]->net->index, j);
    }
    EXPECT_EQ(netNamed(g, "a")->netConnects, 3);
    EXPECT_EQ(netsOf(g.deviceVector[1]), "a e a");
    // The merged connections follow the first net's own.
    Node* a = netNamed(g, "a");
    EXPECT_EQ(a->devList[0].node, g.deviceVector[0]);
    EXPECT_EQ(a->devList[1].terminal, 0);
    EXPECT_EQ(a->devList[2].terminal, 2);
  });
}

TEST(Nets, AliasFileBesideTheNetlistIsReadFirst)
{
  Scratch scratch;
  std::string file = scratch.write("amp.x.sim", "n in p q\nn in2 p r\n");
  scratch.write("amp.x.al", "; comment\n| header\n\n= in in2\nnonsense here\n=\n");
  ReadResult result = readNetlist(file, false, [](Graph& g) {
    EXPECT_EQ(g.numNets, 4);
    EXPECT_EQ(netsOf(g.deviceVector[1]), "in p r");
  });
  EXPECT_NE(result.out.find("Equating nets in and in2\n"), std::string::npos) << result.out;
  EXPECT_EQ(result.err, "Format error in alias file\n");
  EXPECT_EQ(aliasFileName("lib.d/diffpair"), "");
  EXPECT_EQ(aliasFileName("a/b.c.sim"), "a/b.c.al");
  EXPECT_EQ(aliasFileName("netlist_subpyxis"), "");
}

TEST(Nets, HashChainsAscendAndFindEveryName)
{
  readCircuit("n zz yy xx\nn aa bb cc\nn Q q r\nn \xc3\xa9t\xe9 \x80\x81 \xff\n", [](Graph& g) {
    SimData& data = g.data;
    EXPECT_EQ(data.hashSize, 101u);
    for (Net* head : data.hash)
      for (Net* net = head; net != nullptr && net->next != nullptr; net = net->next)
        EXPECT_LT(strcmp(net->name, net->next->name), 0);
    for (const char* name : {"zz", "aa", "Q", "q", "\xc3\xa9t\xe9", "\x80\x81", "\xff"})
      EXPECT_NE(FindNet(data, name), nullptr) << name;
    EXPECT_EQ(FindNet(data, "Z"), nullptr);
  });
}

TEST(UserTypes, EqualPinNamesShareAClassAndVectorsExpand)
{
  ReadResult result = readCircuit(
      "define nand3 a a a y\n"
      "DEFINE reg d[0:3] clk ; a comment\n"
      "define mux2 in[0] in[1] s y\n"
      "nand3 x1 x2 x3 out\n"
      "reg b0 b1 b2 b3 ck\n",
      [](Graph& g) {
        ASSERT_EQ(NumDeviceDefs, 7);
        EXPECT_EQ(DeviceDefs[4].name, "nand3");
        EXPECT_EQ(DeviceDefs[4].terminals, (std::vector<unsigned char>{0, 0, 0, 3}));
        EXPECT_EQ(DeviceDefs[5].numTerminals, 5);
        EXPECT_EQ(DeviceDefs[5].terminals, (std::vector<unsigned char>{0, 1, 2, 3, 4}));
        EXPECT_EQ(DeviceDefs[5].define_line, "reg d[0:3] clk");
        EXPECT_EQ(DeviceDefs[6].numTerminals, 4) << "single indices are ordinary pins";
        EXPECT_EQ(g.numDevs, 2);
        EXPECT_STREQ(g.deviceVector[0]->name, "nand3");
        EXPECT_EQ(netNamed(g, "x1")->devList[0]._class, 0);
        EXPECT_EQ(netNamed(g, "out")->devList[0]._class, 3);
      });
  EXPECT_EQ(result.status, -1) << result.out;
  // A repeated equal definition is one type.
  ReadResult same = readCircuit("define res a b\ndefine res a b\nres x y\n",
                                [](Graph&) { EXPECT_EQ(NumDeviceDefs, 5); });
  EXPECT_EQ(same.status, -1);
}

TEST(Subcircuit, ExternalNetsFollowVectorsAndAliases)
{
  readCircuit("= t tail\nSUBCIRCUIT amp in[0:1] tail out\nn in[0] t o\nn in[1] t out\n= o out\n",
                 [](Graph&) {
                   ASSERT_NE(subcircuit_array, nullptr);
                   EXPECT_EQ(*subcircuit_name, "amp");
                   EXPECT_EQ(*subcircuit_array, (std::vector<std::string>{"in[0]", "in[1]", "t", "o"}));
                   for (const char* name : {"in[0]", "in[1]", "tail", "t", "out", "o"})
                     EXPECT_TRUE(InExtNetHT(name)) << name;
                   EXPECT_FALSE(InExtNetHT("in"));
                 }, true);
}

TEST(Symmetry, RecordsLinkEarlierDevicesOnly)
{
  ReadResult result = readCircuit(
      "SUBCIRCUIT s a\nmn_3 a b c\nmn_4 a b d\nsym 3=5\nmn_5 a c d\nsym 3 = 4 : 5\nsym4=3\n", [](Graph& g) {
        ASSERT_NE(SymmetryList, nullptr);
        Sym* newest = SymmetryList->sym;
        EXPECT_EQ(newest->index, 2);
        EXPECT_EQ(newest->dev1, g.deviceVector[1]->dev);
        EXPECT_EQ(newest->dev3, nullptr);
        EXPECT_EQ(newest->devnum3, -1);
        Sym* three = SymmetryList->next->sym;
        EXPECT_EQ(three->devnum3, 5);
        EXPECT_EQ(three->dev3, g.deviceVector[2]->dev);
        Sym* oldest = SymmetryList->next->next->sym;
        EXPECT_EQ(oldest->dev2, nullptr);
        EXPECT_EQ(g.deviceVector[0]->dev->sym, newest) << "a device keeps its latest record";
      }, true);
  EXPECT_EQ(result.status, -1);
  EXPECT_NE(result.out.find("SYM: dev2 (5) can't be found on subcircuit\n"), std::string::npos);
  ReadResult inCircuit = readCircuit("mn_1 a b c\nsym 1=1\nsym\n", [](Graph&) { EXPECT_EQ(SymmetryList, nullptr); });
  EXPECT_EQ(inCircuit.status, -1) << "the circuit file ignores sym records";
}

TEST(Robustness, OddBytesAndLongLinesAreRead)
{
  std::string longName(20000, 'w');
  ReadResult result = readCircuit("n " + longName + " b c\r\nn \x01\x02 b\tc\r\n", [&](Graph& g) {
    EXPECT_EQ(g.numDevs, 2);
    EXPECT_NE(netNamed(g, longName.c_str()), nullptr);
    EXPECT_NE(netNamed(g, "c"), nullptr) << "carriage returns are blanks";
    EXPECT_NE(netNamed(g, "\x01\x02"), nullptr);
  });
  EXPECT_EQ(result.status, -1);
}

// Bad input of every kind: the status (1: stopped, -1: read to the end)
// and the message.
TEST(Robustness, BadInputStopsWithItsMessage)
{
  std::string manyTypes, externals = "SUBCIRCUIT big";
  for (int i = 0; i < 97; ++i)
    manyTypes += "define t" + std::to_string(i) + " a\n";
  for (int i = 0; i < 128; ++i)
    externals += " x" + std::to_string(i);
  const struct {
    std::string text;
    bool subcircuit;
    int status;
    const char* message;  // null: any
  } cases[] = {
      // Records.
      {"n a b c\nx a b c\n", false, 1, "x a b c\n\n oops.\n"},
      {"mq_3 a b c\n", false, 1, "QK1: mq_3 a b c\n"},
      {"n a b\n", false, 1, "Fatal error at line 1: "},
      {"p\n", false, 1, nullptr},
      {std::string("n a\0b c d\n", 10), false, 1, nullptr},  // cut at the zero byte: one net
      // User-defined types and their devices.
      {"define\n", false, 1, "Fatal error at line 1: illegal statement\n"},
      {"define res\n", false, 1, "Fatal error at line 1: empty DEFINE statement.\n"},
      {"define r a b\n", false, 1,
       "Fatal error at line 1: User-defined device type 'r' is illegal.\n"
       "User-defined type names must have two or more characters.\n"},
      {"n a b c\nwidget a b\n", false, 1, "Fatal error at line 2: device 'widget' not defined.\n"},
      {"define res a b\nres x y z\n", false, 1,
       "Fatal error at line 2: device 'res' has 3 nets, its type has 2 pins.\n"},
      {"define res a b\nres x\n", false, 1, "device 'res' has 1 nets, its type has 2 pins.\n"},
      {"define bus d[0:128]\n", false, 1,
       "Fatal error at line 1: More than 128 terminals in userdefined device\n"
       "Please change NUMTERMINALS variable and recompile\n"},
      {"define bus d[0:2147483647]\n", false, 1, "More than 128 terminals in userdefined device\n"},
      {manyTypes, false, 1, "Fatal error at line 97: too many user-defined devices.\n"},
      {"define res a b\ndefine res a b c\n", false, 1,
       "Fatal error at line 2: inconsistent pin counts for user-defined type 'res'.\n"},
      {"define res a b\ndefine res a a\n", false, 1,
       "inconsistent pin names for user-defined type 'res'.\n"},
      {"define bus d[x:3]\n", false, 1, "Invalid argument d[x:3] on line 1\n"},
      {"define bus d[1;3]\n", false, 1, "Invalid argument d[1;3] on line 1\n"},
      {"define bus d[1:3\n", false, 1, "Invalid argument d[1:3 on line 1\n"},
      {"define bus d[1:3]x\n", false, 1, "Invalid argument d[1:3]x on line 1\n"},
      {"define bus d[99999999999:3]\n", false, 1, "Invalid argument d[99999999999:3] on line 1\n"},
      {"define bus d[3:1]\n", false, 1,
       "Invalid argument d[3:1] on line 1: no descending sequences\n"},
      // The SUBCIRCUIT record: needed exactly once in a subcircuit, ignored
      // in a circuit, at most 128 external nets.
      {"SUBCIRCUIT s x[2:1]\n", true, 1, nullptr},
      {"n a b c\n", true, 1, "You did not include a line describing the external nets\n"},
      {"SUBCIRCUIT a x\nSUBCIRCUIT b x\nn x y z\n", true, 1,
       "You included the SUBCIRCUIT command 2 times in your\n"},
      {"n x y z\nSUBCIRCUIT\n", true, 1, "Subcircuit does not have a name on line 2\n"},
      {"SUBCIRCUIT\nSUBCIRCUIT a b\nn x y z\n", false, -1, nullptr},
      {"SUBCIRCUIT s a ghost\nn a b c\n", true, -1, "Couldn't find net ghost?\n"},
      {externals + "\nn x0 x1 x2\n", true, -1, nullptr},
      {externals + " x128\nn x0 x1 x2\n", true, 1,
       "Fatal error at line 1: More than 128 external nets in SUBCIRCUIT statement.\n"},
      {"SUBCIRCUIT big v[0:4000000]\nn a b c\n", true, 1, nullptr},
      // Symmetry records.
      {"SUBCIRCUIT s a\nn a b c\nsym =2\n", true, 1,
       "Sym does not have the first argument on line 3\n"},
      {"SUBCIRCUIT s a\nn a b c\nSYM 1=\n", true, 1,
       "Sym does not have the second argument on line 3\n"},
      {"SUBCIRCUIT s a\nsymmetric a b\n", true, 1, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 60));
    ReadResult result = readCircuit(c.text, nullptr, c.subcircuit);
    EXPECT_EQ(result.status, c.status) << result.out;
    if (c.message) {
      EXPECT_NE(result.out.find(c.message), std::string::npos) << result.out;
    }
  }
}

// Every input the fuzzer found troublesome is read without a crash, as a
// subcircuit and as a circuit.
TEST(Robustness, FuzzRegressions)
{
  std::string dir = sourceDir() + "/tests/abstractor/fuzz_regressions";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::string file = entry.path().string();
    RunResult asSubcircuit = runProgram({file, sourceDir() + "/examples/sim/amp.sim", "-m"});
    EXPECT_TRUE(asSubcircuit.status == 0 || asSubcircuit.status == 1) << file;
    RunResult asCircuit = runProgram({sourceDir() + "/examples/subckt_library/diffpair", file, "-m"});
    EXPECT_TRUE(asCircuit.status == 0 || asCircuit.status == 1) << file;
    ++files;
  }
  EXPECT_GT(files, 0);
}

}  // namespace
