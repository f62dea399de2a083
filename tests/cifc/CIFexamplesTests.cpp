// The example layouts through the whole road: load, flatten, dump, load
// again; the accept codes that load CIF; and the inputs the fuzzer found.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CifTestSupport.h"
#include "Dmenu.h"

namespace {

using cif_test::CifTest;
using cif_test::kAbandoned;
using testing_support::readFile;
using testing_support::sourcePath;

const char* const kExamples[] = {"inverter", "hierarchy", "wires", "polygons",
                                 "labels",   "scale",     "othertool"};

class ExampleTest : public CifTest {
 protected:
  void SetUp() override
  {
    CifTest::SetUp();
    ASSERT_TRUE(getcwd(cwd_, sizeof cwd_));
    ASSERT_EQ(chdir(dir_.dir().c_str()), 0);
  }
  void TearDown() override
  {
    EXPECT_EQ(chdir(cwd_), 0);
    CifTest::TearDown();
  }

  // Loads, flattens and dumps; returns the dump ("" when a step failed).
  std::string loadAndDump(const std::string& text)
  {
    if (load(text) != 0 || !act(GCflatten) || !act(GCdump))
      return "";
    return readFile(dir_.path("zephra.dmp"));
  }

  testing_support::ScratchDir dir_;
  char cwd_[4096];
};

// The dump's boxes are in micrometres; read back as CIF (hundredths of a
// micrometre) they need a definition scaled by 100.
std::string asScaledCif(const std::string& dump)
{
  std::string body = dump.substr(dump.find('\n') + 1);
  body = body.substr(0, body.rfind("E\n"));
  return "DS 1 100 1;\n" + body + "DF;\nC 1;\nE\n";
}

TEST_F(ExampleTest, EveryExampleLoadsTheSameTwiceAndItsDumpReadsBack)
{
  for (const char* name : kExamples) {
    SCOPED_TRACE(name);
    std::string text = readFile(sourcePath(std::string("examples/") + name + ".cif"));
    ASSERT_FALSE(text.empty());
    std::string first = loadAndDump(text);
    ASSERT_NE(first.find("\nB "), std::string::npos) << first;
    EXPECT_EQ(loadAndDump(text), first);
    // The boxes of the dump, read back, dump as themselves; a box whose
    // length or width truncated to 0 is dropped by the flatten.
    auto boxes = [](const std::string& dump, bool dropEmpty) {
      std::vector<std::string> lines;
      std::istringstream in(dump);
      std::string layer;
      int len, wid;
      for (std::string line; std::getline(in, line);)
        if (line.rfind("L ", 0) == 0)
          layer = line;
        else if (line.rfind("B ", 0) == 0 &&
                 !(dropEmpty && sscanf(line.c_str(), "B %d %d", &len, &wid) == 2 &&
                   (len == 0 || wid == 0)))
          lines.push_back(layer + " " + line);
      std::sort(lines.begin(), lines.end());
      return lines;
    };
    EXPECT_EQ(boxes(first, true), boxes(loadAndDump(asScaledCif(first)), false));
  }
}

TEST_F(ExampleTest, FlattenedLabelsCarryTheirCallNumbers)
{
  ASSERT_EQ(load(readFile(sourcePath("examples/labels.cif"))), 0);
  // Pins are made as the labels are read, in their cells' coordinates.
  int pins = 0;
  for (const _pin* p = Gpin; p; p = p->next)
    ++pins;
  EXPECT_EQ(pins, 3);
  ASSERT_TRUE(act(GCflatten));
  std::set<std::string> names;
  for (const char* layer : {"CMF", "CPG", "CMS"}) {
    int slot = FindLayer(layer);
    for (const _labels* l = Gflatten->symbol[slot] ? Gflatten->symbol[slot]->label : nullptr; l;
         l = l->next)
      names.insert(std::string(layer) + ":" + l->label);
  }
  // The row's calls are 0, 1, 2; the top-level calls continue with 3, 4.
  EXPECT_EQ(names, (std::set<std::string>{"CMF:3_0_a", "CMF:3_1_a", "CMF:3_2_a", "CMF:4_0_a",
                                          "CMF:4_1_a", "CMF:4_2_a", "CPG:3_0_b", "CPG:3_1_b",
                                          "CPG:3_2_b", "CPG:4_0_b", "CPG:4_1_b", "CPG:4_2_b",
                                          "CMS:3_row", "CMS:4_row"}));
}

// ---------------------------------------------------------------------------
// The accept codes that read CIF.
// ---------------------------------------------------------------------------

TEST_F(ExampleTest, ReadCodeReportsSuccessFailureAndAbandon)
{
  std::string good = dir_.write("good.cif", "DS 1;\nL CAA;\nB 10 10 0 0;\nDF;\nC 1;\nE\n");
  std::string bad = dir_.write("bad.cif", "DS 1;\nL CAA;\nB 10 10 0 0 ;\nE\n");
  std::string unknown = dir_.write("unknown.cif", "DS 1;\nL NOPE;\nE\n");
  EXPECT_EQ(callback::accept(kAcceptReadCif, good.c_str()), callback::Outcome::Done);
  EXPECT_TRUE(ui.saw('L', "Load CIF file OK"));
  _layout* loaded = Glayout;
  ASSERT_NE(loaded, nullptr);
  // A refused or abandoned read leaves the loaded layout.
  EXPECT_EQ(callback::accept(kAcceptReadCif, bad.c_str()), callback::Outcome::Failed);
  EXPECT_TRUE(ui.saw('L', "CIF file format error"));
  EXPECT_EQ(Glayout, loaded);
  EXPECT_EQ(callback::accept(kAcceptReadCif, unknown.c_str()), callback::Outcome::Abandoned);
  EXPECT_EQ(Glayout, loaded);
  ASSERT_NE(Gsymbols, nullptr);
  EXPECT_EQ(rects(Gsymbols->next, "CAA"), "(-20,-20;20,20)");  // the called cell
  EXPECT_EQ(cifin, nullptr);
  EXPECT_EQ(callback::accept(kAcceptReadCif, dir_.path("missing.cif").c_str()),
            callback::Outcome::KeepDialog);
}

TEST_F(ExampleTest, LoadCodeFlattensBeforeTheAnalyses)
{
  std::string good = dir_.write("good.cif", "DS 1;\nL CAA;\nB 10 10 0 0;\nDF;\nC 1;\nE\n");
  callback::accept(kAcceptLoadCif, good.c_str());
  EXPECT_TRUE(ui.saw('M', "Read CIF file OK"));
  ASSERT_NE(Gflatten, nullptr);
  EXPECT_EQ(Glayout, Gflatten);
  EXPECT_EQ(rects(Gflatten, "CAA"), "(-20,-20;20,20)");
  EXPECT_STREQ(OriginalCiffile, good.c_str());
  // A cell calling itself stops the chain at the flatten; the loaded
  // layout and its name stay.
  std::string loop = dir_.write("loop.cif", "DS 1;\nC 1;\nDF;\nC 1;\nE\n");
  EXPECT_EQ(callback::accept(kAcceptLoadCif, loop.c_str()), callback::Outcome::Abandoned);
  ASSERT_NE(Gflatten, nullptr);
  EXPECT_EQ(Glayout, Gflatten);
  EXPECT_EQ(rects(Gflatten, "CAA"), "(-20,-20;20,20)");
  EXPECT_STREQ(OriginalCiffile, good.c_str());
}

// ---------------------------------------------------------------------------
// Inputs the fuzzer found: each is read, flattened and released without a
// fault (the sanitizer build checks the memory).
// ---------------------------------------------------------------------------

TEST_F(ExampleTest, FuzzRegressionsLoadOrFailCleanly)
{
  namespace fs = std::filesystem;
  fs::path folder = sourcePath("tests/cifc/fuzz_regressions");
  std::vector<fs::path> files;
  for (const fs::directory_entry& e : fs::directory_iterator(folder))
    if (e.is_regular_file() && e.path().filename() != "README")
      files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  common::setFlattenMemoryLimit(64.0 * 1024 * 1024);  // as the fuzzer does, smaller
  for (CifMode mode : {CifMode::Strict, CifMode::Full}) {
    ACcifMode = mode;
    for (const fs::path& file : files) {
      SCOPED_TRACE(file.filename().string() + " in " + ACmodeName(mode) + " mode");
      int result = load(readFile(file.string()));
      EXPECT_TRUE(result == 0 || result == 1 || result == kAbandoned);
      if (result == kAbandoned) {
        EXPECT_TRUE(rootsEmpty());
      }
      if (result == 0 && act(GCflatten)) {
        act(GCdump);
        act(GCfreeH);
        act(GCfreeS);
      }
      ACinit();
      EXPECT_TRUE(rootsEmpty());
    }
  }
  ACcifMode = CifMode::Strict;
  common::setFlattenMemoryLimit(0);
}

}  // namespace
