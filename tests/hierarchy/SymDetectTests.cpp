// Hierarchical detection: the spread of two groups, the finger checks on
// the example layouts through the matcher, the report read back, and a
// matcher that cannot run.

#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "DSsymmetry.h"
#include "Dcompact.h"
#include "GroupSupport.h"
#include "TestSupport.h"

namespace {

using hierarchy_test::GroupTest;

// ---------------------------------------------------------------------------
// CheckLayoutSpread on hand-made runs: only the gate corners of each run's
// first finger count.
// ---------------------------------------------------------------------------
class Runs {
 public:
  // A group whose runs start at the given gate corners.
  MultiFingerTran* group(int id, const std::vector<std::pair<int, int>>& corners)
  {
    MultiFingerTran& g = groups_.emplace_back();
    g.id = id;
    for (auto [x, y] : corners) {
      _Dtile& tile = tiles_.emplace_back();
      tile.x1 = x;
      tile.y1 = y;
      _Dtransistor& t = trans_.emplace_back();
      t.Tgate = &tile;
      ContiguousElem& run = runs_.emplace_back();
      run.tranCount = 1;
      run.tranList.append(&t);
      g.tranList.append(&t);
      g.contList.append(&run);
      ++g.tranCount;
    }
    return &g;
  }

 private:
  std::deque<_Dtile> tiles_;
  std::deque<_Dtransistor> trans_;
  std::deque<ContiguousElem> runs_;
  std::deque<MultiFingerTran> groups_;
};

TEST(CheckLayoutSpread, CodesFollowTheRuns)
{
  using Corners = std::vector<std::pair<int, int>>;
  struct Case {
    const char* what;
    Corners m1, m2;
    int code;
    const char* message;
  } cases[] = {
      {"one run each", {{0, 0}}, {{40, 0}}, 0, ""},
      {"side by side", {{0, 0}, {20, 0}}, {{60, 0}, {80, 0}}, 0, ""},
      {"stacked", {{0, 0}, {0, 20}}, {{0, 60}, {0, 80}}, 1, ""},
      {"common centroid", {{0, 0}, {40, 40}}, {{0, 40}, {40, 0}}, 2, ""},
      {"interleaved in x", {{0, 0}, {40, 0}}, {{20, 0}, {60, 0}}, 3, ""},
      {"interleaved in y", {{0, 0}, {0, 40}}, {{0, 20}, {0, 60}}, 4, ""},
      {"m1 has fewer runs", {{0, 0}}, {{40, 0}, {60, 0}}, 7,
       "******************\nmft2 has more contiguous elements than mft1\n"},
      {"m2 has fewer runs", {{0, 0}, {20, 0}}, {{60, 0}}, 7,
       "%%%%%%%%%\nmft1 has more contiguous elements than mft2\n"},
      {"spreads differ", {{0, 0}, {0, 20}}, {{60, 0}, {80, 0}}, 7,
       "mft1 spread is laidVERTICAL, mft2 spread is laidHORIZONTAL\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string out;
    common::captureOutput(&out, nullptr);
    Runs runs;
    EXPECT_EQ(CheckLayoutSpread(runs.group(1, c.m1), runs.group(2, c.m2)), c.code);
    common::captureOutput(nullptr, nullptr);
    EXPECT_NE(out.find(c.message), std::string::npos) << out;
    EXPECT_NE(out.find("###! Looping for the 1 th time\n\n"), std::string::npos);
  }
}

// ---------------------------------------------------------------------------
// The whole run on the examples, in a scratch folder with the library.
// ---------------------------------------------------------------------------
class HierSymTest : public GroupTest {
 protected:
  void TearDown() override
  {
    hierarchy::setMatcherProgram(nullptr);
    compact::freeStaff();
    DSrdInit();
    GroupTest::TearDown();
  }

  // Loads an example and runs the detection in `dir` with `library` as
  // subckt_library.  Returns: the text of HiLSD_output.
  std::string detect(const std::string& example, const testing_support::ScratchDir& dir,
                     const std::string& library)
  {
    if (!loadExample(example))
      return "cannot load";
    connect();
    AttachPinsToNets();
    clusterTransistors();
    bool ran = false;
    if (!inFolder(dir.dir(), [&] {
          std::filesystem::create_directory_symlink(library, "subckt_library");
          WriteSubpyxisNetlist();
          ran = action([] { HierarchicalSymDetection(); });
        }) || !ran)
      return "failed";
    return testing_support::readFile(dir.path("HiLSD_output"));
  }

  static std::set<std::string> pairs()
  {
    std::set<std::string> r;
    for (const _sym_constraint_list* p = final_sym_list; p; p = p->next)
      r.insert(std::string(p->Trans1->name) + "=" + p->Trans2->name + (p->axis ? " Y" : " X") +
               std::to_string(p->sym_loc));
    return r;
  }

  // The pairs the report names, loaded as a designer's file.
  std::set<std::string> reloaded(const std::string& report)
  {
    DSrdInit();
    text_ = report;
    dchecksymin = fmemopen(text_.data(), text_.size(), "r");
    if (SYMparse() != 0)
      return {"syntax error"};
    std::set<std::string> r;
    for (const _symlist* item = SymStart; item; item = item->next)
      for (const _blocklist* b = item->block; b; b = b->next)
        r.insert(std::string(b->name1) + "=" + b->name2);
    return r;
  }
  // The recorded pairs without their axes.
  static std::set<std::string> names()
  {
    std::set<std::string> r;
    for (const _sym_constraint_list* p = final_sym_list; p; p = p->next)
      r.insert(std::string(p->Trans1->name) + "=" + p->Trans2->name);
    return r;
  }
  std::string text_;
};

// An example turned a quarter round (x, y -> -y, x): its body as a
// symbol called rotated, its labels turned at the top level.
std::string quarterTurn(const std::string& example)
{
  std::istringstream in(testing_support::readFile(testing_support::sourcePath("examples/" + example)));
  std::string body, labels, line;
  while (std::getline(in, line)) {
    if (line == "E")
      continue;
    char name[64], layer[16];
    long x, y;
    if (sscanf(line.c_str(), "94 %63s %ld %ld %15[^;];", name, &x, &y, layer) == 4)
      labels += "94 " + std::string(name) + " " + std::to_string(-y) + " " + std::to_string(x) +
                " " + layer + ";\n";
    else
      body += line + "\n";
  }
  return "DS 100 1 1;\n" + body + "DF;\nC 100 R 0 1;\n" + labels + "E\n";
}

// No finger in two pairs; the pairs of a block share one axis.
std::string oneAxisPerBlockFault()
{
  std::map<const _Dtransistor*, int> uses;
  std::map<int, std::pair<int, long>> axisOf;
  for (const _sym_constraint_list* p = final_sym_list; p; p = p->next) {
    if (++uses[p->Trans1] > 1 || ++uses[p->Trans2] > 1)
      return std::string("a finger in two pairs: ") + p->Trans1->name + "=" + p->Trans2->name;
    auto [it, fresh] = axisOf.emplace(p->block_number, std::make_pair(p->axis, p->sym_loc));
    if (!fresh && it->second != std::make_pair(p->axis, p->sym_loc))
      return "block " + std::to_string(p->block_number) + " has two axes";
  }
  return "";
}

TEST_F(HierSymTest, FingersPairWithTheirMirrorImagesAboutOneAxisPerBlock)
{
  struct Case {
    const char* example;
    bool turned;
    const char* message;
    std::set<std::string> pairs;
  } cases[] = {
      // Equal fingers in a row: outer with outer, inner with inner.
      {"sym_diffpair.cif", false, "mft1(H) and mft2(H) are horizontal\n",
       {"m1=m4 X10400", "m2=m3 X10400"}},
      {"sym_diffpair.cif", true, "mft1(H) and mft2(H) are horizontal\n",
       {"m1=m4 Y10400", "m2=m3 Y10400"}},
      // Both halves of the quad about its vertical centre line.
      {"sym_centroid.cif", false, "mft1(2D) and mft2(2D) are probably common_centroid symmetric\n",
       {"m4=m2 X6800", "m1=m3 X6800"}},
      {"sym_centroid.cif", true, "mft1(2D) and mft2(2D) are probably common_centroid symmetric\n",
       {"m4=m2 X-8800", "m1=m3 X-8800"}},
      {"sym_interleaved.cif", false, "mft1(INT_X) and mft2(INT_X) are interleaved horizontally\n",
       {"m4=m1 X14800", "m2=m3 X14800"}},
      {"sym_interleaved.cif", true, "mft1(INT_Y) and mft2(INT_Y) are interleaved vertically\n",
       {"m2=m3 Y14800", "m4=m1 Y14800"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.example) + (c.turned ? " turned" : ""));
    testing_support::ScratchDir dir;
    const std::string layout = c.turned ? dir.write("turned.cif", quarterTurn(c.example)) : c.example;
    out.clear();
    std::string report = detect(layout, dir, testing_support::sourcePath("examples/subckt_library"));
    EXPECT_NE(out.find(c.message), std::string::npos);
    EXPECT_EQ(pairs(), c.pairs);
    EXPECT_EQ(oneAxisPerBlockFault(), "");
    EXPECT_EQ(report.find("{\n}"), std::string::npos);
    // Read back, the blocks name the same pairs.
    const std::set<std::string> recorded = names();
    EXPECT_EQ(reloaded(report), recorded) << report;
    TearDown();
    SetUp();
  }
}

TEST_F(HierSymTest, AmplifierGivesTheDesignersPairsInBlocksOfOneAxis)
{
  // M8 (one finger) against M5 (two): the finger that mirrors it.  The
  // input pair and the load: the pairs of examples/amp.sym, outer with
  // outer and inner with inner, each block about x = 4200 CIF units.
  testing_support::ScratchDir dir;
  std::string report = detect("amp.cif", dir, testing_support::sourcePath("examples/subckt_library"));
  EXPECT_EQ(report,
            "{\n m10 = m12\n// axis is x= 16800\n m8 = m15\n// axis is x= 16800\n}\n"
            "{\n m17 = m13\n// axis is x= 8800\n}\n"
            "{\n m14 = m7\n// axis is x= 16800\n m11 = m9\n// axis is x= 16800\n}\n\n");
  EXPECT_EQ(oneAxisPerBlockFault(), "");
  std::set<int> blocks;
  for (const _sym_constraint_list* p = final_sym_list; p; p = p->next)
    blocks.insert(p->block_number);
  EXPECT_EQ(blocks, (std::set<int>{1, 2, 3})) << "pairs of different blocks, different numbers";
  // Every pair of the designer's file is among them (either way round).
  std::set<std::string> either;
  for (const std::string& p : names()) {
    either.insert(p);
    const size_t eq = p.find('=');
    either.insert(p.substr(eq + 1) + "=" + p.substr(0, eq));
  }
  for (const char* designer : {"m15=m8", "m12=m10", "m14=m7", "m11=m9"})
    EXPECT_EQ(either.count(designer), 1u) << designer;
}

TEST_F(HierSymTest, MatcherThatCannotRunIsReportedPerSubcircuit)
{
  testing_support::ScratchDir dir;
  hierarchy::setMatcherProgram("/nonexistent/subpyxis");
  std::string report = detect("sym_diffpair.cif", dir, testing_support::sourcePath("examples/subckt_library"));
  size_t reported = 0;
  for (const auto& m : ui.messages)
    reported += m.kind == 'W' && m.line.find("Cannot run /nonexistent/subpyxis for subckt_library/") == 9;
  EXPECT_EQ(reported, 7u);
  EXPECT_TRUE(ui.saw('W', "Cannot run /nonexistent/subpyxis for subckt_library/mirror_p."));
  EXPECT_NE(out.find("The Hierarchy Extractor output has format errors!!!\n\n"), std::string::npos);
  EXPECT_EQ(final_sym_list, nullptr);
  EXPECT_EQ(report, "\n");
}

// A subcircuit file the matcher refuses fails its run with the matcher's
// reason; the next file still runs.
TEST_F(HierSymTest, FailedRunsAreReportedWithTheirReasons)
{
  testing_support::ScratchDir dir, library;
  const struct {
    const char* file;
    const char* text;
    const char* reason;
  } cases[] = {
      {"noname", "SUBCIRCUIT\nmn_1 a b c\n", "Subcircuit does not have a name on line 1"},
      {"nosym", "SUBCIRCUIT x a b c\nmn_1 a b c\nsym =1\n",
       "Sym does not have the first argument on line 3"},
      {"nosub", "mn_1 a b c\n",
       "You did not include a line describing the external nets of the subcircuit, which "
       "should look like the following"},
      {"twosub", "SUBCIRCUIT x a\nSUBCIRCUIT y b\nmn_1 a b c\n",
       "You included the SUBCIRCUIT command 2 times in your subcircuit file.  Please have only "
       "one such command line."},
  };
  for (const auto& c : cases)
    library.write(c.file, c.text);
  library.write("diffpair", testing_support::readFile(
                                testing_support::sourcePath("examples/subckt_library/diffpair")));
  detect("sym_diffpair.cif", dir, library.dir());
  for (const auto& c : cases)
    EXPECT_TRUE(ui.saw('W', std::string("failed on subckt_library/") + c.file +
                                " (exit status 1): \"" + c.reason + "\"."))
        << c.file;
  EXPECT_NE(final_sym_list, nullptr) << "the good file's pairs";
}

TEST_F(HierSymTest, EmptyLibraryRunsNoMatcher)
{
  testing_support::ScratchDir dir;
  testing_support::ScratchDir library;
  std::string report = detect("sym_diffpair.cif", dir, library.dir());
  EXPECT_EQ(out.find("subckt_library/"), std::string::npos);
  EXPECT_NE(out.find("The Hierarchy Extractor output has format errors!!!\n\n"), std::string::npos);
  EXPECT_EQ(report, "\n");
}

}  // namespace
