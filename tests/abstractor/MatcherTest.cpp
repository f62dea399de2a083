// The matcher and the program around it: candidates, overlapping and
// disjoint instances, -O, special nets, unjoined subcircuits, verification,
// option order, the -y, -f and -r outputs and the timing report.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "SubpyxisTestSupport.h"

using namespace subpyxis_test;

namespace {

std::string library(const char* name)
{
  return sourceDir() + "/examples/subckt_library/" + name;
}

int count(const std::string& text, const std::string& what)
{
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

// Instances found of a subcircuit (a library file, or the text of one) in
// small circuits.
TEST(Matcher, InstanceCounts)
{
  const MatchOptions overlapping{true, false, false}, specialOff{false, false, true};
  const char* const powered = "mn_1 a gnd b\nmp_2 a vdd b\nmn_3 b gnd c\nmp_4 b vdda c\n"
                              "mn_5 c gnda d\nmp_6 c vdd d\nmn_7 d gnda e\nmp_8 d vdda e\n"
                              "mn_9 e x f\nmp_10 e vdd f\n";
  const char* const chain = "SUBCIRCUIT chain in out gnd\nmn_1 in gnd mid\nmn_2 mid gnd out\n";
  const struct {
    const char* what;
    const char* sub;
    const char* circuit;
    MatchOptions options;
    int found;
  } cases[] = {
      // A single-device subcircuit takes every device of its type.
      {"one device", "SUBCIRCUIT one g s d\nmn_1 g s d\n",
       "mn_1 a b c\nmp_2 a b c\nmn_3 c b a\nmn_4 x y z\nmp_5 a y z\n", {}, 3},
      // Two diode-connected transistors on one reference net and one copy:
      // the two mirrors share the copy, so only one is disjoint.
      {"shared copy", "mirror", "mn_1 r gnd r\nmn_2 r gnd r\nmn_3 r gnd o\nmp_4 o vdd o\n", {}, 1},
      // Two mirrors on one output: the external nets need no exclusive
      // partner, the devices do.
      {"shared output", "mirror", "mn_1 r gnd r\nmn_2 r gnd o1\nmn_3 q gnd q\nmn_4 q gnd o1\n", {}, 2},
      // Power and ground nets pair with every like net (vdda, gnda); without
      // special-nets mode an ordinary net may stand for ground.
      {"power", "inverter", powered, {}, 4},
      {"power -m", "inverter", powered, overlapping, 4},
      {"power -s", "inverter", powered, specialOff, 5},
      // An internal net may not reach outside the instance.
      {"internal", chain, "mn_1 a gnd m\nmn_2 m gnd b\n", {}, 1},
      {"internal leaks", chain, "mn_1 a gnd m\nmn_2 m gnd b\nmp_3 m vdd c\n", overlapping, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Scratch scratch;
    const std::string sub = strncmp(c.sub, "SUBCIRCUIT", 10) == 0 ? scratch.write("sub", c.sub) : library(c.sub);
    MatchRun run = matchFiles(sub, scratch.write("c.sim", c.circuit), c.options);
    EXPECT_EQ(run.found, c.found) << run.out;
    if (c.found == 3) {
      EXPECT_NE(run.out.find("\nCANDIDATE Vector size: 3\n"), std::string::npos) << run.out;
    }
  }
}

// Each candidate for the key (a diode) gives at most one instance: with
// -m both diodes of one reference net are keys, sharing the copy.
TEST(Matcher, OverlappingInstancesShareDevices)
{
  Scratch scratch;
  std::string circuit = scratch.write("c.sim", "mn_1 r gnd r\nmn_2 r gnd r\nmn_3 r gnd o\nmp_4 o vdd o\n");
  MatchRun overlapping = matchFiles(library("mirror"), circuit, {true, false, false});
  ASSERT_EQ(overlapping.found, 2);
  EXPECT_EQ(overlapping.keyName, "mn_1");
  std::set<std::string> diodes;
  for (const auto& pairs : overlapping.instances) {
    EXPECT_EQ(pairs.front().first, "mn_1");
    diodes.insert(pairs.front().second);
    bool hasCopy = false;
    for (const auto& [s, g] : pairs)
      hasCopy = hasCopy || (s == "mn_2" && g == "mn_3");
    EXPECT_TRUE(hasCopy);
  }
  EXPECT_EQ(diodes, (std::set<std::string>{"mn_1", "mn_2"}));
}

TEST(Matcher, PrematchedExternalNetsAreNotPaired)
{
  Scratch scratch;
  std::string circuit = scratch.write("c.sim", "mn_7 a t x\nmn_8 b t y\nmp_9 x vdd x\n");
  MatchRun run = matchFiles(library("diffpair"), circuit, {false, true, false});
  ASSERT_EQ(run.found, 1) << run.out;
  // in1, in2, out1 and out2 touch one device each: only the devices and
  // the tail are paired.
  EXPECT_EQ(run.instances[0].size(), 3u);
}

TEST(Matcher, UserDefinedDevicesMatchTerminalsByClass)
{
  Scratch scratch;
  // The two pins of res are interchangeable, those of dio are not; mid is
  // internal and must be dio's anode.
  std::string sub = scratch.write("rd", "SUBCIRCUIT rd in out\ndefine res p p\ndefine dio an ca\n"
                                        "res in mid\ndio mid out\n");
  std::string circuit = scratch.write("c.sim", "define res p p\ndefine dio an ca\n"
                                               "res m a\ndio m b\n"
                                               "res c n\ndio d n\n"
                                               "res e k\ndio k f\nmn_1 k g h\n");
  MatchRun run = matchFiles(sub, circuit, {true, false, false});
  ASSERT_TRUE(run.compared) << run.out;
  ASSERT_EQ(run.found, 1) << run.out;
  std::set<std::pair<std::string, std::string>> pairs(run.instances[0].begin(), run.instances[0].end());
  EXPECT_EQ(pairs.count({"mid", "m"}), 1u);
  EXPECT_EQ(pairs.count({"in", "a"}), 1u);
  EXPECT_EQ(pairs.count({"out", "b"}), 1u);
}

// Subcircuits that cannot match end before candidates with the failure
// report: a part joined to no external net (or no external net at all), a
// device type or internal nets the circuit lacks.
TEST(Matcher, HopelessSubcircuitsFailBeforeCandidates)
{
  Scratch scratch;
  const std::string unjoined = "Part of the subcircuit is not joined to any external net.\n\n";
  const std::string loose = scratch.write("loose.sim", "mn_1 a gnd b\nmn_2 p q r\nmn_3 x y z\n");
  const std::string chain = scratch.write("chain.sim", "mn_1 a b c\nmn_2 c b d\nmn_3 d b e\nmn_4 e b f\nmn_5 f b g\n");
  const struct {
    std::string sub, circuit, before;
  } cases[] = {
      {scratch.write("island", "SUBCIRCUIT island a\nmn_1 a gnd b\nmn_2 p q r\n"), loose, unjoined},
      {scratch.write("lonely", "SUBCIRCUIT lonely\nmn_1 a gnd b\n"), loose, unjoined},
      {library("inverter"), chain, "\n"},
      {library("cascode_mirror"), chain, "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sub);
    RunResult run = runProgram({c.sub, c.circuit});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(c.before + "=== Subgraph comparison failed before candidate nodes were found.\n"
                           "0 INSTANCES OF ISOMORHPISM FOUND\n"),
              std::string::npos)
        << run.out;
  }
}

TEST(Program, OptionsActInTheOrderGiven)
{
  Scratch scratch;
  // Three transistors on one tail.  With -m last the devices of the first
  // instance stay candidates (and fail: the replacement took them off the
  // tail); with -r last they are skipped.
  std::string circuit = scratch.write("c.sim", "mn_1 a t x\nmn_2 b t y\nmn_3 c t z\n");
  RunResult replaceThenOverlap =
      runProgram({library("diffpair"), circuit, "-r", scratch.path("r1"), "-m", "-t"});
  EXPECT_NE(replaceThenOverlap.out.find("\nFailures = 2\n"), std::string::npos) << replaceThenOverlap.out;
  RunResult overlapThenReplace =
      runProgram({library("diffpair"), circuit, "-m", "-r", scratch.path("r2"), "-t"});
  EXPECT_NE(overlapThenReplace.out.find("\nFailures = 1\n"), std::string::npos) << overlapThenReplace.out;
  EXPECT_EQ(scratch.read("r2"), "DEFINE diffpair in1 in2 out1 out2 tail \n\nn b t y \ndiffpair c a z x t \n");
  // -y allows overlaps: every transistor is the key of one instance.
  RunResult symmetry = runProgram({library("diffpair"), circuit, "-n", "-y", scratch.path("y")});
  EXPECT_NE(symmetry.out.find("\n\n3 INSTANCES"), std::string::npos) << symmetry.out;
}

TEST(Program, SymmetryBlocksNameTheCircuitDevices)
{
  Scratch scratch;
  std::string sub = scratch.write("trio",
                                  "SUBCIRCUIT trio a b c t\nmn_1 a t x\nmn_2 b t y\nmp_3 x x c\nmp_4 y x c\n"
                                  "sym 1=2:3\nsym 9=1\nsym 3=4\nsym 4=1\n");
  std::string circuit = scratch.write("c.sim", "mn_12 p tt q\nmn_14 r tt s\nmp_3 q q k\nmp_40 s q k\n");
  RunResult run = runProgram({sub, circuit, "-y", scratch.path("pairs")});
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("SYM: dev1 (9) can't be found on subcircuit\n"), std::string::npos);
  // Newest record first; the record without a first device is left out;
  // device 4 belongs to two records and is named in both.
  std::string block = "{\n  mp_40 = mn_12\n} // " + sub + "\n" +
                      "{\n  mp_3 = mp_40\n} // " + sub + "\n" +
                      "{\n  mn_12 = mn_14\n} : mp_3 // " + sub + "\n";
  EXPECT_EQ(scratch.read("pairs"), block);
}

TEST(Program, ReplacementNeedsTheSubcircuitType)
{
  Scratch scratch;
  std::string sub = scratch.write("pair", "SUBCIRCUIT pair a b\nmn_1 a b a\n");
  std::string circuit = scratch.write("c.sim", "mn_1 x y x\n");
  RunResult run = runProgram({sub, circuit, "-r", scratch.path("out")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("\n couldn't find subcircuit definition\n"), std::string::npos) << run.out;
}

// `text` with every run of digits replaced by "#".
std::string digitsHidden(const std::string& text)
{
  std::string hidden;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') {
      hidden += text[i];
      continue;
    }
    hidden += '#';
    while (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9')
      ++i;
  }
  return hidden;
}

TEST(Program, TimingReportHasEveryPhase)
{
  RunResult run = runProgram({library("diffpair"), sourceDir() + "/examples/sim/amp.sim", "-t"});
  ASSERT_EQ(run.status, 0);
  std::string report = digitsHidden(run.out);
  size_t setup = report.find("Setup Time:\n\tUser # \n\tSystem #\n");
  size_t phaseOne = report.find("\nCANDIDATE Vector size: #\nPhase I Time:\n\tUser # \n\tSystem #");
  const std::string ending =
      " OF ISOMORPHISM FOUND ***************************\n\nRecursive Calls = #\nFailures = #\n"
      "Phase II Time:\n\tUser #\n\tSystem #\nTotal Time:\n\tUser #\n\n\tSystem #\n";
  size_t tail = report.find(ending);
  ASSERT_NE(setup, std::string::npos) << run.out;
  ASSERT_NE(phaseOne, std::string::npos) << run.out;
  ASSERT_NE(tail, std::string::npos) << run.out;
  EXPECT_LT(setup, phaseOne);
  EXPECT_LT(phaseOne, tail);
  EXPECT_EQ(tail + ending.size(), report.size()) << "the report ends the output";
}

TEST(Program, MatchFileListsCircuitDevicesOfEveryInstance)
{
  Scratch scratch;
  std::string circuit = scratch.write("c.sim", "mn_5 a t x\nn b t y\n");
  RunResult run = runProgram({library("diffpair"), circuit, "-f", scratch.path("found"), "-m"});
  ASSERT_EQ(run.status, 0);
  std::string found = scratch.read("found");
  EXPECT_EQ(count(found, "\n\n"), 2) << found;
  EXPECT_EQ(count(found, "mn_5 a t x \n"), 2);
  EXPECT_EQ(count(found, "mn_-1 b t y \n"), 2);
}

}  // namespace
