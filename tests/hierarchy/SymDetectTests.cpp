// Hierarchical detection: the spread of two groups, the finger checks on
// the example layouts through the matcher, the report read back, and a
// matcher that cannot run.

#include <deque>
#include <filesystem>
#include <set>
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

TEST_F(HierSymTest, EachExampleGivesItsMirrorPairsAndTheReportReadsBack)
{
  struct Case {
    const char* example;
    const char* message;
    std::set<std::string> pairs;
  } cases[] = {
      // Equal fingers in a row: every cross pair passes, each about its own axis.
      {"sym_diffpair.cif", "mft1(H) and mft2(H) are horizontal\n",
       {"m1=m3 X8800", "m1=m4 X10400", "m2=m3 X10400", "m2=m4 X12000"}},
      {"sym_centroid.cif", "mft1(2D) and mft2(2D) are probably common_centroid symmetric\n",
       {"m4=m2 X6800", "m4=m3 Y8800"}},
      {"sym_interleaved.cif", "mft1(INT_X) and mft2(INT_X) are interleaved horizontally\n",
       {"m4=m1 X14800", "m2=m3 X14800"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.example);
    testing_support::ScratchDir dir;
    out.clear();
    std::string report = detect(c.example, dir, testing_support::sourcePath("examples/subckt_library"));
    EXPECT_NE(out.find(c.message), std::string::npos);
    EXPECT_EQ(pairs(), c.pairs);
    EXPECT_EQ(report.find("{\n}"), std::string::npos);
    // Read back, the blocks name the same pairs.
    const std::set<std::string> recorded = names();
    EXPECT_EQ(reloaded(report), recorded) << report;
    TearDown();
    SetUp();
  }
}

TEST_F(HierSymTest, ReportHoldsNoEmptyBlock)
{
  // The amplifier's mirror M8 (one finger) against M5 (two): its pair is
  // written; the differential pair's two blocks from the matcher are one.
  testing_support::ScratchDir dir;
  std::string report = detect("amp.cif", dir, testing_support::sourcePath("examples/subckt_library"));
  EXPECT_EQ(report,
            "{\n m10 = m15\n// axis is x= 14800\n m10 = m12\n// axis is x= 16800\n"
            " m8 = m15\n// axis is x= 16800\n m8 = m12\n// axis is x= 18800\n}\n"
            "{\n m17 = m16\n// axis is x= 6800\n m17 = m13\n// axis is x= 8800\n}\n"
            "{\n m14 = m9\n// axis is x= 14800\n m14 = m7\n// axis is x= 16800\n"
            " m11 = m9\n// axis is x= 16800\n m11 = m7\n// axis is x= 18800\n}\n\n");
  // Pairs of different blocks carry different block numbers.
  std::set<int> blocks;
  for (const _sym_constraint_list* p = final_sym_list; p; p = p->next)
    blocks.insert(p->block_number);
  EXPECT_EQ(blocks, (std::set<int>{1, 2, 3}));
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
