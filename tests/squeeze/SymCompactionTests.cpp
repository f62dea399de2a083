// Compaction with symmetry on the symmetric examples: the pairs found by
// the symmetry-check file stay mirrored about one axis, every other row
// holds, and the written CIF extracts to the same circuit.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "ExampleFixture.h"
#include "DHhierarchy.h"
#include "DSsymmetry.h"
#include "Dmenu.h"
#include "SQsqueeze.h"
#include "SqueezeSupport.h"

namespace {

using compact_test::Row;
using testing_support::sourcePath;

class SymCompaction : public squeeze_test::ExampleLayoutTest {
 protected:
  void SetUp() override
  {
    ExampleLayoutTest::SetUp();
    squeeze::setLpTimeLimit(60);
  }
  void TearDown() override
  {
    squeeze::setLpTimeLimit(0);
    ExampleLayoutTest::TearDown();
  }
  bool accept(int code, const std::string& path)
  {
    return ExampleLayoutTest::accept(code, path) == callback::Outcome::Done;
  }
  // The rows as the squeeze line makes them, symmetry rows included, read
  // back.
  void makeRows()
  {
    init_staff();
    scan_toget_variables();
    mps_column_num = 1;
    xList = compact::newRows();
    yList = compact::newRows();
    X_direction = 1;
    scan_queue->sweep(equat_bucket, xList);
    user_defined_sym_constraint_generate(equat_bucket, xList, 1);
    PHASEII = 1;
    X_direction = 0;
    scan_queue_y->sweep(equat_bucket_y, yList);
    user_defined_sym_constraint_generate(equat_bucket_y, yList, 2);
    X_direction = 1;
    xRows = compact_test::readRows(*equat_bucket, xList);
    yRows = compact_test::readRows(*equat_bucket_y, yList);
  }
  // Solves both directions: every row holds at the result.  Returns the
  // number of mirror rows.
  int solve()
  {
    squeeze_test::graphAndSolve(xList, yList);
    if (HasFatalFailure())
      return -1;
    int mirrors = 0;
    const std::vector<std::string> found = squeeze_test::brokenBySolution(xRows, yRows, &mirrors);
    EXPECT_TRUE(found.empty()) << found.size() << " rows broken, first: " << found.front();
    return mirrors;
  }

  std::vector<Row> xRows, yRows;
};

// The drawn coordinate of every tile variable of one direction.
std::vector<long> drawnPositions(const AdjacencyArray& adj)
{
  std::vector<long> at;
  for (int v = 0; v < num_of_var && v < static_cast<int>(adj.size()); ++v)
    at.push_back(adj[static_cast<size_t>(v)].the_edge->p1.x);
  return at;
}

// Each symmetric example with its symmetry-check file and with the
// hierarchical detection.  Where the pairs are drawn as mirror images, the
// drawn layout (rule-clean) meets every row, so the core LP has a
// solution; the interleaved and common-centroid examples draw their
// fingers alike, not mirrored, and the rows mirror their diffusions.
// Compacted, the pairs stay mirrored, every row holds, and the written CIF
// extracts to the same circuit.
TEST_F(SymCompaction, PairsStayMirroredAndTheCircuitStays)
{
  const char* const kHierarchical = "hierarchical";
  const struct {
    const char* layout;
    const char* detection;
    bool mirrorImages;
  } examples[] = {
      {"amp.cif", "amp.sym", true},
      {"sym_diffpair.cif", "sym_diffpair.sym", true},
      {"sym_interleaved.cif", "sym_interleaved.sym", false},
      {"sym_centroid.cif", "sym_centroid.sym", false},
      {"amp.cif", kHierarchical, true},
      {"sym_diffpair.cif", kHierarchical, true},
      {"sym_interleaved.cif", kHierarchical, false},
      {"sym_centroid.cif", kHierarchical, false},
      // Pairs that share their middle diffusion; two blocks on two axes.
      {"sym_ota.cif", kHierarchical, true},
  };
  std::filesystem::create_directory_symlink(sourcePath("examples/subckt_library"), "subckt_library");
  for (const auto& example : examples) {
    SCOPED_TRACE(std::string(example.layout) + " with " + example.detection);
    ASSERT_TRUE(accept(kAcceptBridge, sourcePath("examples/example.bridge")));
    ASSERT_TRUE(accept(kAcceptCadence2, sourcePath("examples/example_rules.tf")));
    ASSERT_TRUE(accept(kAcceptLoadCif, sourcePath("examples/") + example.layout));
    const std::vector<size_t> before = squeeze_test::circuitSignature();
    if (example.detection == kHierarchical)
      ASSERT_TRUE(testing_support::runsToEnd([] { HierarchicalSymDetection(); }));
    else
      ASSERT_TRUE(accept(kAcceptSymmetry, sourcePath("examples/") + example.detection));
    ASSERT_NE(final_sym_list, nullptr) << "the check found no pair";
    ASSERT_EQ(checksym::keepConsistentPairs(), 0);
    makeRows();
    ASSERT_GT(NUM_of_VAR, num_of_var) << "an axis variable";
    int drawnMirrors = 0;
    std::vector<std::string> drawn = squeeze_test::broken(xRows, drawnPositions(*equat_bucket), "X", &drawnMirrors);
    const std::vector<std::string> drawnY =
        squeeze_test::broken(yRows, drawnPositions(*equat_bucket_y), "Y", &drawnMirrors);
    drawn.insert(drawn.end(), drawnY.begin(), drawnY.end());
    if (example.mirrorImages) {
      EXPECT_TRUE(drawn.empty()) << drawn.size() << " rows broken on the drawn layout, first: "
                                 << drawn.front();
    }

    EXPECT_GE(solve(), 1);
    if (HasFatalFailure())
      return;
    EXPECT_NE(testing_support::readFile("resize_report/SQcore_mps_LR.file").find("  E "),
              std::string::npos)
        << "the core went through lp_solve";

    SQmain_output(2);
    compact::freeStaff();
    compact::freeRows(xList);
    compact::freeRows(yList);
    xList = yList = nullptr;
    DSfreeFinalSymList();
    ASSERT_TRUE(accept(kAcceptLoadCif, "sq_out.cif"));
    EXPECT_EQ(squeeze_test::circuitSignature(), before) << "the compacted layout is another circuit";
  }
}

// A designer's file that puts m10 and m15 in pairs about two axes: the
// squeeze names those pairs and leaves them out, finishes, and keeps the
// load's block mirrored.
TEST_F(SymCompaction, TransistorInPairsAboutTwoAxesIsLeftOutTheRestStaysMirrored)
{
  ASSERT_TRUE(accept(kAcceptBridge, sourcePath("examples/example.bridge")));
  ASSERT_TRUE(accept(kAcceptCadence2, sourcePath("examples/example_rules.tf")));
  ASSERT_TRUE(accept(kAcceptLoadCif, sourcePath("examples/amp.cif")));
  const std::string file = scratch.write(
      "two_axes.sym", "{\n m15 = m8\n m12 = m10\n} : m16\n{\n m10 = m15\n}\n"
                      "{\n m14 = m7\n m11 = m9\n}\n");
  ASSERT_TRUE(accept(kAcceptSymmetry, file));
  auto names = [] {
    std::set<std::string> r;
    for (const _sym_constraint_list* p = final_sym_list; p; p = p->next)
      r.insert(std::string(p->Trans1->name) + "=" + p->Trans2->name);
    return r;
  };
  ASSERT_EQ(names(), (std::set<std::string>{"m15=m8", "m12=m10", "m10=m15", "m14=m7", "m11=m9"}));
  int status = 1;
  ASSERT_TRUE(testing_support::runsToEnd([&] { status = squeeze::compactLayout(false); }))
      << ui.lastLine();
  EXPECT_EQ(status, 0);
  // The file's blocks are checked last to first.
  EXPECT_TRUE(ui.saw('W', "Transistor m10 is in symmetric pairs about different axes: m10 = m15 "
                          "(x = 14800), m12 = m10 (x = 16800)"));
  EXPECT_TRUE(ui.saw('W', "Transistor m15 is in symmetric pairs about different axes: m10 = m15 "
                          "(x = 14800), m15 = m8 (x = 16800)"));
  ASSERT_EQ(names(), (std::set<std::string>{"m14=m7", "m11=m9"}));

  makeRows();
  EXPECT_EQ(solve(), 2) << "one mirror row per pair of the load";
}

TEST_F(SymCompaction, EmptyPairListAddsNothing)
{
  ASSERT_TRUE(accept(kAcceptLoadCif, sourcePath("examples/amp.cif")));
  DSfreeFinalSymList();
  makeRows();
  EXPECT_EQ(NUM_of_VAR, num_of_var);
  EXPECT_EQ(equat_bucket->size(), equat_bucket_y->size());
  for (const Row& row : xRows)
    EXPECT_LE(row.terms.size(), 2u);
}

}  // namespace
