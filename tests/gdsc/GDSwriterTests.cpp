// The GDSII writers and round trips: CIF -> database -> GDSII -> database,
// the squeeze's CIF output as GDSII, and the load-and-analyse action.
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <regex>

#include "DEextract.h"
#include "SQsqueeze.h"
#include "Dmenu.h"
#include "GdsTestSupport.h"

namespace {

using namespace gds_test;
using testing_support::ScratchDir;
using testing_support::readFile;
using testing_support::sourcePath;

std::string hex(const Bytes& b)
{
  static const char* digits = "0123456789ABCDEF";
  std::string h;
  for (unsigned char c : b)
    h += std::string(1, digits[c >> 4]) + digits[c & 15];
  return h;
}

// The test's own real encoder against values every GDSII file carries.
TEST(GdsBuilder, RealsHaveTheirKnownBytes)
{
  EXPECT_EQ(hex(real8Bytes(1.0)), "4110000000000000");
  EXPECT_EQ(hex(real8Bytes(1e-9)), "3944B82FA09B5A54");
  EXPECT_EQ(hex(real8Bytes(-90)), "C25A000000000000");
}

// "<n>_text" loses its call number when written; reading adds the top's 0.
std::string readBack(const std::string& label)
{
  std::smatch m;
  std::string text = label.substr(0, label.find('@'));
  if (std::regex_match(text, m, std::regex("[0-9]+_(.+)")))
    text = m[1];
  return "0_" + text + label.substr(label.find('@'));
}

TEST_F(GdsTest, ExamplesRoundTripThroughGdsii)
{
  ScratchDir dir;
  for (const char* example : {"hierarchy", "wires", "polygons", "labels", "inverter", "amp",
                              "scale", "capacitors", "inductors", "mirror"}) {
    SCOPED_TRACE(example);
    std::string text = readFile(sourcePath(std::string("examples/") + example + ".cif"));
    ASSERT_EQ(loadCif(text), 0);
    ASSERT_TRUE(flatten());
    std::string want = geometry(Gflatten);
    // Labels come back as "0_" and the text without its first call number.
    std::string labelsBack;
    std::istringstream lines(want);
    std::string line;
    while (std::getline(lines, line)) {
      size_t at = line.find(" label ");
      labelsBack += at == std::string::npos ? line : line.substr(0, at + 7) + readBack(line.substr(at + 7));
      labelsBack += "\n";
    }
    ASSERT_EQ(gds::writeCell(Gflatten, dir.path("out.gds")), 0);
    ASSERT_TRUE(readGds(dir.path("out.gds"))) << messages();
    ASSERT_TRUE(flatten());
    std::string got = geometry(Gflatten);
    // Labels are compared as a set per layer: their order is that of the
    // sort above either way.
    std::multiset<std::string> a, b;
    std::istringstream wa(labelsBack), wb(got);
    while (std::getline(wa, line))
      a.insert(line);
    while (std::getline(wb, line))
      b.insert(line);
    EXPECT_EQ(a, b);
  }
}

// The squeeze's output, as GDSII, reads back to the boxes and labels the
// CIF reads to.
TEST_F(GdsTest, SqueezeOutputAsGdsiiReadsBackTheSame)
{
  ScratchDir dir;
  const std::string cif =
      "( Output CIF file from squeeze );\nDS 1 1 8;\n9 __OUT__;\nL CMF;\n    B 160 80 80 40;\n"
      "    B 100 60 50 30;\nL CPG;\n    B 40 120 60 80;\nL CCA;\n    B 40 40 220 20;\n"
      "94 out 80 40 CMF;\nDF;\nC 1;\nEnd\n";
  ASSERT_EQ(gds::writeCifOutput(dir.write("sq_out.cif", cif), dir.path("sq_out.gds")), 0);
  ASSERT_EQ(loadCif(cif), 0);
  ASSERT_TRUE(flatten());
  std::string want = geometry(Gflatten);
  ASSERT_TRUE(readGds(dir.path("sq_out.gds"))) << messages();
  EXPECT_STREQ(cell("CIRCUIT1")->cellname, "__OUT__");
  ASSERT_TRUE(flatten());
  EXPECT_EQ(geometry(Gflatten), want);

  // A layer without a pair is left out and named; a line the squeeze does
  // not write is refused.
  ASSERT_TRUE(gds::readLayerMap(dir.write("m.map", "49 0 CMF\n")));
  ui.messages.clear();
  ASSERT_EQ(gds::writeCifOutput(dir.path("sq_out.cif"), dir.path("part.gds")), 0);
  EXPECT_TRUE(ui.saw('W', "layers the layer map " + dir.path("m.map") +
                              " does not name were left out: CCA (1 shape), CPG (1 shape)"))
      << messages();
  EXPECT_EQ(gds::writeCifOutput(dir.write("bad.cif", "DS 1 1 8;\nP 0 0 1 1 2 0;\nEnd\n"),
                                dir.path("bad.gds")),
            1);
  EXPECT_TRUE(ui.saw('E', "bad.cif, line 2: not a line of the squeeze's output"));
}

// A compaction writes "sq_out.gds" beside "sq_out.cif" with the same boxes
// and labels.
TEST_F(GdsTest, CompactionWritesItsLayoutAsGdsiiToo)
{
  ScratchDir dir;
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(dir.dir().c_str()), 0);
  ASSERT_EQ(callback::accept(kAcceptLoadCif, sourcePath("examples/cmos_inverter.cif").c_str()),
            callback::Outcome::Done);
  ASSERT_EQ(callback::run(DIfindCallback("f.DRload"), nullptr), callback::Outcome::Done);
  ASSERT_EQ(callback::accept(kAcceptBridge, sourcePath("examples/example.bridge").c_str()),
            callback::Outcome::Done);
  ASSERT_EQ(callback::accept(kAcceptCadence2, sourcePath("examples/example_rules.tf").c_str()),
            callback::Outcome::Done);
  ASSERT_TRUE(testing_support::runsToEnd([] { ASSERT_EQ(squeeze::compactLayout(), 0); }));
  ASSERT_EQ(loadCif(readFile("sq_out.cif")), 0);
  ASSERT_TRUE(flatten());
  std::string cif = geometry(Gflatten);
  EXPECT_NE(cif.find("CPG:("), std::string::npos);
  ASSERT_TRUE(readGds("sq_out.gds")) << messages();
  ASSERT_TRUE(flatten());
  EXPECT_EQ(geometry(Gflatten), cif);
  ASSERT_EQ(chdir(here), 0);
}

TEST_F(GdsTest, WithoutAMapNothingIsReadOrWritten)
{
  ScratchDir dir;
  std::string sysrc = getenv("SYSRC");
  setenv("SYSRC", dir.write("sysrc", "TechFile example.tech\n").c_str(), 1);
  EXPECT_FALSE(read(library(structure("S", box(kCAA, 0, 0, 8, 8)))));
  setenv("SYSRC", sysrc.c_str(), 1);
  EXPECT_TRUE(ui.saw('E', "No GDSII layer map: name one under GdsLayerMap in the system source "
                          "file or read one (f.DIldGdsMap)"));
}

// The netlist with every net name replaced by its number of first
// appearance: equal for equal circuits whatever the labels were.
std::string circuitShape(const std::string& netlist)
{
  std::map<std::string, int> ids;
  std::string out;
  std::regex terminals("\\(([^)]*)\\)");
  std::istringstream lines(netlist);
  std::string line;
  while (std::getline(lines, line)) {
    std::smatch m;
    if (!std::regex_search(line, m, terminals)) {
      out += line + "\n";
      continue;
    }
    std::istringstream names(m[1].str());
    std::string name, renamed;
    while (names >> name)
      renamed += " " + std::to_string(ids.emplace(name, ids.size()).first->second);
    out += m.prefix().str() + "(" + renamed + ")\n";
  }
  return out;
}

// Load-and-analyse of a GDSII file extracts the circuit of the CIF it was
// written from; a refused file leaves the previous layout and circuit.
TEST_F(GdsTest, LoadAndAnalyseGivesTheCircuitOfTheCif)
{
  ScratchDir dir;
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(dir.dir().c_str()), 0);
  for (const char* example : {"amp", "inverter", "capacitors"}) {
    SCOPED_TRACE(example);
    std::string path = sourcePath(std::string("examples/") + example + ".cif");
    ASSERT_EQ(callback::accept(kAcceptLoadCif, path.c_str()), callback::Outcome::Done);
    ASSERT_EQ(DExOutput(), 0);
    std::string fromCif = readFile("circuit.net");
    int transistors = TransNum;
    ASSERT_EQ(gds::writeCell(Gflatten, "layout.gds"), 0);
    ASSERT_EQ(callback::accept(kAcceptLoadGds, "layout.gds"), callback::Outcome::Done);
    EXPECT_TRUE(ui.saw('L', "Read GDSII file OK"));
    ASSERT_EQ(DExOutput(), 0);
    EXPECT_EQ(TransNum, transistors);
    EXPECT_EQ(circuitShape(readFile("circuit.net")), circuitShape(fromCif));

    // A truncated copy is refused: the layout and circuit stay.
    std::string bytes = readFile("layout.gds");
    dir.write("cut.gds", bytes.substr(0, bytes.size() / 2));
    const _layout* shown = Glayout;
    ASSERT_EQ(callback::accept(kAcceptLoadGds, "cut.gds"), callback::Outcome::Failed);
    EXPECT_TRUE(ui.saw('L', "GDSII file format error"));
    EXPECT_EQ(Glayout, shown);
    EXPECT_EQ(TransNum, transistors);
    EXPECT_EQ(callback::accept(kAcceptReadGds, "missing.gds"), callback::Outcome::KeepDialog);
  }
  ASSERT_EQ(callback::accept(kAcceptReadGds, "layout.gds"), callback::Outcome::Done);
  EXPECT_TRUE(ui.saw('L', "Load GDSII file OK"));
  EXPECT_EQ(callback::accept(kAcceptGdsMap, dir.write("bad.map", "1 2\n").c_str()),
            callback::Outcome::Failed);
  EXPECT_EQ(callback::accept(kAcceptGdsMap, sourcePath("lib/example.gdsmap").c_str()),
            callback::Outcome::Done);
  ASSERT_EQ(chdir(here), 0);
}

}  // namespace
