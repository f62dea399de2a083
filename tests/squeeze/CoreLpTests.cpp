// The symmetric core: lp_solve's real reports read by column name, the MPS
// text of a small core, the round trip through lp_solve, and the ways it
// fails (no solution, unsettled core).
#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "HandGraph.h"
#include "RowSupport.h"

namespace {

using testing_support::readFile;
using testing_support::ScratchDir;

constexpr const char* kMpsHead =
    "NAME LINDO GENERATED MPS FILE (MIN)\nROWS\n  N 1\n";

// Runs the real lp_solve (as the squeeze does, with a time limit) on an
// MPS text; returns its standard output.
std::string solve(const ScratchDir& dir, const std::string& mps)
{
  const std::string in = dir.write("p.mps", mps), out = dir.path("p.rpt");
  const int status = common::runCommandFiles({"timeout", "20", "lp_solve", "-mps", "-time"}, in, out);
  EXPECT_NE(status, 124) << "lp_solve timed out";
  return readFile(out);
}

// An MPS text of the rows (declared as "  G 2\n"...), the columns'
// entries and the right-hand sides, in integers unless `integer` is false.
std::string mps(const std::string& rows, const std::string& columns, const std::string& rhs,
                const std::string& bounds = "", bool integer = true)
{
  return std::string(kMpsHead) + rows + "COLUMNS\n" +
         (integer ? "    int       'MARKER'                 'INTORG'\n" : "") + columns + "RHS\n" + rhs +
         "BOUNDS\n" + bounds + "ENDATA\n";
}

// lp_solve's reports of real programs, and texts that are no report of a
// solution, read by column name: the values, or the reason of the failure.
TEST(CoreReport, RealLpSolveOutputIsReadByColumnName)
{
  // x3 >= x1 + 2, x7 >= x3 + 3, minimise x7 - x1, x1 fixed at 0; then the
  // same problem with the columns listed in another order.
  const std::string x1 = "    X1        2         -1\n", x3 = "    X3        2         1\n    X3        3         -1\n",
                    x7 = "    X7        1         1\n    X7        3         1\n",
                    rhs = "    RHS       2         2\n    RHS       3         3\n", fixed = " FX BND1      X1        0\n";
  const struct {
    const char* name;
    std::string mps;  // "" for a report given as it is
    std::string report;
    bool ok;
    std::unordered_map<int, long> values;  // expected (when ok)
    const char* error;                     // part of the reason (when not)
  } cases[] = {
      {"feasible", mps("  G 2\n  G 3\n", x1 + x3 + x7, rhs, fixed), "", true, {{1, 0}, {3, 2}, {7, 5}}, ""},
      {"shuffled", mps("  G 2\n  G 3\n", x7 + x3 + x1, rhs, fixed), "", true, {{1, 0}, {3, 2}, {7, 5}}, ""},
      {"infeasible",
       mps("  G 2\n  G 3\n", "    X1        2         1\n    X1        3         -1\n",
           "    RHS       2         5\n    RHS       3         -2\n"),
       "", false, {}, "infeasible"},
      {"unbounded",
       mps("  G 2\n", "    X1        1         -1\n    X1        2         1\n    X2        2         -1\n", ""), "",
       false, {}, "unbounded"},
      // Large positions print as 1.23457e+06.
      {"lost precision",
       mps("  G 2\n", "    X1        1         1\n    X1        2         1\n", "    RHS       2         1234567\n"),
       "", false, {}, "lost precision"},
      // Without the integer marker the optimum is fractional.
      {"fractional",
       mps("  E 2\n", "    X1        1         1\n    X1        2         2\n", "    RHS       2         7\n", "",
           false),
       "", false, {}, "not a whole number"},
      {"empty", "", "", false, {}, ""},
      {"no values", "", "\nValue of objective function: 0\n", false, {}, ""},
      {"not a column", "", "\nActual values of the variables:\nY1 3\n", false, {}, ""},
      {"two values", "", "\nActual values of the variables:\nX1 3 4\n", false, {}, ""},
  };
  ScratchDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string report = c.mps.empty() ? c.report : solve(dir, c.mps);
    std::unordered_map<int, long> values;
    std::string error;
    const int failed = squeeze::readCoreReport(report, &values, &error);
    EXPECT_EQ(failed, c.ok ? 0 : 1) << error << "\nreport:\n" << report;
    if (c.ok)
      EXPECT_EQ(values, c.values);
    else
      EXPECT_TRUE(!error.empty() && error.find(c.error) != std::string::npos) << error;
  }
}

// Writes the model into m.mps of `dir`: its status (-1 when the file cannot
// be made), the file's text in `*text`.
int writeModel(const squeeze::MpsModel& lp, const ScratchDir& dir, std::string* text, std::string* error)
{
  FILE* f = fopen(dir.path("m.mps").c_str(), "w");
  if (!f)
    return -1;
  const int status = lp.write(f, error);
  fclose(f);
  *text = readFile(dir.path("m.mps"));
  return status;
}

TEST(MpsModel, EntriesOfARowAreSummedAndWrittenInRowOrder)
{
  squeeze::MpsModel lp;
  lp.addRow('N', 1);
  lp.addRow('G', 2);
  lp.addRow('E', 3);
  // x9 - x4 >= 1; x9 + x4 - x4 - x4 = 2 handed in term by term; x6 in no
  // row; the objective 2 x9 in two terms.
  const int entries[][3] = {{9, 3, 1},  {9, 2, 1}, {4, 3, 1}, {4, 2, -1}, {4, 3, -1},
                            {4, 3, -1}, {9, 1, 1}, {9, 1, 1}, {6, 3, 1},  {6, 3, -1}};
  for (const auto& t : entries)
    lp.addEntry(t[0], t[1], t[2]);
  lp.setRhs(3, 2);
  lp.setRhs(2, 1);
  lp.fixColumn(4, 0);
  ScratchDir dir;
  std::string text, error;
  ASSERT_EQ(writeModel(lp, dir, &text, &error), 0) << error;
  EXPECT_EQ(text, std::string(kMpsHead) +
                      "  G 2\n  E 3\nCOLUMNS\n    int       'MARKER'                 'INTORG'\n"
                      "    X9        1         2\n"
                      "    X9        2         1\n"
                      "    X9        3         1\n"
                      "    X4        2         -1\n"
                      "    X4        3         -1\n"
                      "    X6        1         0\n"
                      "RHS\n    RHS       2         1\n    RHS       3         2\n"
                      "BOUNDS\n FX BND1      X4        0\nENDATA\n");
  std::unordered_map<int, long> values;
  ASSERT_EQ(squeeze::readCoreReport(solve(dir, text), &values, &error), 0) << error;
  EXPECT_EQ(values, (std::unordered_map<int, long>{{4, 0}, {6, 0}, {9, 2}}));
}

TEST(MpsModel, ModelsThatWouldBeUnreadableAreRefused)
{
  struct Case {
    const char* name;
    std::function<void(squeeze::MpsModel&)> spoil;
    const char* reason;
  };
  const Case cases[] = {
      {"entry in an undeclared row", [](squeeze::MpsModel& lp) { lp.addEntry(1, 7, 1); },
       "row 7, which is not declared"},
      {"right-hand side of an undeclared row", [](squeeze::MpsModel& lp) { lp.setRhs(8, 1); },
       "row 8"},
      {"row declared twice", [](squeeze::MpsModel& lp) { lp.addRow('G', 2); }, "declared twice"},
      {"bound on no column", [](squeeze::MpsModel& lp) { lp.fixColumn(5, 0); }, "X5"},
      {"unknown row type", [](squeeze::MpsModel& lp) { lp.addRow('Q', 3); }, "type 'Q'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    squeeze::MpsModel lp;
    lp.addRow('N', 1);
    lp.addRow('G', 2);
    lp.addEntry(1, 2, 1);
    lp.setRhs(2, 1);
    c.spoil(lp);
    ScratchDir dir;
    std::string text, error;
    EXPECT_EQ(writeModel(lp, dir, &text, &error), 1);
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_EQ(text, "") << "nothing written";
  }
  squeeze::MpsModel noObjective;
  noObjective.addRow('G', 2);
  EXPECT_NE(noObjective.check(), "");
}

// A hand-built LEFT_RIGHT graph with symmetry rows, solved in a scratch
// folder.
class Core : public squeeze_test::HandGraph {
 protected:
  void SetUp() override
  {
    HandGraph::SetUp();
    squeeze::setLpTimeLimit(20);
  }
  void TearDown() override
  {
    squeeze::setLpTimeLimit(0);
    squeeze::releaseCoreGraph();
    HandGraph::TearDown();
  }
  // A box from lo to hi, its sides in bands of their own; returns its index.
  int cell(int lo, int hi)
  {
    for (int v : {lo, hi})
      side(v, static_cast<int>(edges.size() + 1) * 100, v == lo, 1);
    return static_cast<int>(edges.size() / 2 - 1);
  }
  _edge* axis()
  {
    edges.push_back(_edge{});
    edges.back().layer_num = 100;
    edges.back().name = "SYM";
    compact::addVariable(&adj, &edges.back());
    return &edges.back();
  }
  _edge* e(int c, char side) { return &edges[2 * c + (side == 'r' ? 1 : 0)]; }
  bool roundTripAborts() { return !testing_support::runsToEnd(SQcoreproblem); }
  // Box 0 of width `a` at 0 and box 1 of width `b` from `bLeft`, at least 8
  // apart, their facing sides mirrored about the returned axis; width rows
  // of `widths` ('E' or 'G'; none if 0).
  _edge* mirroredPair(int a, int bLeft, int b, char widths = 'E')
  {
    const int left = cell(0, a), right = cell(bLeft, bLeft + b);
    _edge* v = axis();
    if (widths)
      row(e(left, 'l'), e(left, 'r'), a, widths);
    row(e(left, 'r'), e(right, 'l'), 8);
    if (widths)
      row(e(right, 'l'), e(right, 'r'), b, widths);
    add_column_4(e(left, 'r'), e(right, 'l'), v, v, &adj, rows, 0);
    return v;
  }

  ScratchDir scratch;
  compact_test::WorkIn cwd{scratch.dir()};
};

// Two boxes mirrored about an axis: a = [x1, x2], b = [x3, x4], axis x5.
TEST_F(Core, MpsTextOfOneMirrorRow)
{
  mirroredPair(8, 16, 8, 'G');
  build(4);
  SQdetect_core();
  SQbuild_coregraph();
  fcore = fopen("core.mps", "w");
  ASSERT_TRUE(fcore);
  ASSERT_EQ(SQbuild_corelp(), 0);
  fclose(fcore);
  fcore = nullptr;
  // Core lines X2, X3 (the mirrored sides), X5 (axis), X7 and X8 (boundary).
  // Core arcs: X2 -> X3 (2 steps), X3 -> right boundary (through x4: no
  // arc from X2, which reaches it only through X3), the axis to the right
  // boundary, the left boundary to X2 (through x1) and to the axis.
  EXPECT_EQ(readFile("core.mps"),
            std::string(kMpsHead) +
                "  G 2\n  G 3\n  G 4\n  G 5\n  G 6\n  E 7\nCOLUMNS\n"
                "    int       'MARKER'                 'INTORG'\n"
                "    X2        1         1\n"
                "    X2        2         -1\n"
                "    X2        5         1\n"
                "    X2        7         1\n"
                "    X3        1         -1\n"
                "    X3        2         1\n"
                "    X3        3         -1\n"
                "    X3        7         1\n"
                "    X5        4         -1\n"
                "    X5        6         1\n"
                "    X5        7         -2\n"
                "    X7        1         -1000\n"
                "    X7        5         -1\n"
                "    X7        6         -1\n"
                "    X8        1         1000\n"
                "    X8        3         1\n"
                "    X8        4         1\n"
                "RHS\n"
                "    RHS       2         2\n"
                "    RHS       3         2\n"
                "    RHS       4         0\n"
                "    RHS       5         2\n"
                "    RHS       6         0\n"
                "    RHS       7         0\n"
                "BOUNDS\n FX BND1      X7        0\nENDATA\n");
  EXPECT_EQ(SQcell[0].left->onbound, 1) << "no incoming arc: tied to the boundary";
  EXPECT_EQ(SQcell[1].left->onbound, 0) << "an incoming arc of weight 8 keeps it off";
  EXPECT_EQ(SQcell[2].left->onbound, 3);
}

// Symmetry rows that name one line more than once, within a row or in the
// objective: one side mirrored about two axes (the objective names it
// twice), the width row of a diffusion that both transistors of a pair
// share (its four terms cancel), a side centred on its own axis (two
// terms of one line).  The file is one lp_solve reads, and every row
// keeps its meaning.
TEST_F(Core, LinesNamedTwiceGiveOneEntryPerRow)
{
  const int a = cell(0, 8), b = cell(16, 24), c = cell(32, 40), d = cell(48, 56);
  _edge* v = axis();
  _edge* w = axis();
  _edge* u = axis();
  for (int k : {a, b, c, d})
    row(e(k, 'l'), e(k, 'r'), 8, 'E');
  row(e(a, 'r'), e(b, 'l'), 8);
  row(e(b, 'r'), e(c, 'l'), 8);
  row(e(c, 'r'), e(d, 'l'), 8);
  add_column_4(e(a, 'r'), e(b, 'l'), v, v, &adj, rows, 0);
  add_column_4(e(a, 'r'), e(c, 'l'), w, w, &adj, rows, 0);
  add_column_4(e(d, 'r'), e(d, 'l'), e(d, 'l'), e(d, 'r'), &adj, rows, 0);
  add_column_4(e(c, 'r'), e(c, 'r'), u, u, &adj, rows, 0);
  build(8);
  EXPECT_FALSE(roundTripAborts()) << ui.lastLine() << "\n"
                                 << readFile(std::string(squeeze::kReportDir) +
                                             "/SQcore_mps_LR.file");
  auto at = [](const SQLINE_item* l) { return l->BMweight; };
  const SQCELL_item* cells = SQcell;
  EXPECT_EQ(at(cells[a].right) + at(cells[b].left), 2 * at(cells[4].left));
  EXPECT_EQ(at(cells[a].right) + at(cells[c].left), 2 * at(cells[4].right));
  EXPECT_EQ(at(cells[c].right), at(cells[5].left)) << "centred: 2 x(c.r) = 2 x(u)";
}

// Two boxes of width 8 mirrored about an axis between them, 8 apart.
class MirroredPair : public Core {
 protected:
  void SetUp() override
  {
    Core::SetUp();
    mirroredPair(8, 40, 8);
    build(4);
    SQCORE_START_HOR_valid = SQCORE_STOP_HOR_valid = 0;
  }
};

// The core's CPU times are sampled for the time report unless TIME_REPORT
// was set to 0.
TEST_F(MirroredPair, CoreTimesAreSampledForTheTimeReport)
{
  for (const char* report : {"1", "0"}) {
    TearDown();
    SetUp();
    std::string why;
    ASSERT_TRUE(common::setProcessSetting("TIME_REPORT", report, &why));
    SQcoreproblem();
    const int sampled = TIME_REPORT;
    EXPECT_EQ(SQCORE_START_HOR_valid, sampled) << report;
    EXPECT_EQ(SQCORE_STOP_HOR_valid, sampled) << report;
  }
}

TEST_F(MirroredPair, RoundTripCentresThePairAndFixesItsDistances)
{
  SQcoreproblem();
  EXPECT_NE(out.find("  SQcore: lp_solve done\n"), std::string::npos);
  // Width first: b.l = a.r + 8, the axis halfway.
  const int ar = SQcell[0].right->BMweight;
  EXPECT_EQ(SQcell[1].left->BMweight - ar, 8);
  EXPECT_EQ(SQcell[2].left->BMweight - ar, 4);
  EXPECT_TRUE(SQsymarc->arc->occupied && SQsymarc->arc4->ori) << "fixed-distance arcs made";
  EXPECT_EQ(SQboundcell, nullptr) << "the core is freed";
  EXPECT_NE(readFile(std::string(squeeze::kReportDir) + "/SQcore_mps_LR.file").find("  E "),
            std::string::npos);
  EXPECT_FALSE(readFile(std::string(squeeze::kReportDir) + "/SQcore_mps_LR.file.rpt").empty());
  // The second longest paths keep the pair about its axis.
  const int ncell = SQcell_size + SQsymcell_size;
  SQboundbox(SQcell, SQarc, ncell, SQarc_size);
  EXPECT_EQ(SQcell[0].right->min_loc + SQcell[1].left->min_loc, 2 * SQcell[2].left->min_loc);
}

// After the core, a pair's lines are held by fixed-distance arcs in both
// directions (equalities).  The wire-length minimisation moves each such
// set as one: here the left box, held to the right box's width 12 though
// its own rule is 8, would gain by moving its left side right, which would
// break the equal widths.
TEST_F(Core, WireLengthMinimisationKeepsThePairsDistances)
{
  const int a = cell(0, 12), b = cell(40, 52), w = cell(0, 200);
  _edge* v = axis();
  row(e(a, 'l'), e(a, 'r'), 8);
  row(e(b, 'l'), e(b, 'r'), 12);
  row(e(a, 'r'), e(b, 'l'), 8);
  row(e(w, 'l'), e(w, 'r'), 200, 'E');
  add_column_4(e(a, 'r'), e(b, 'l'), v, v, &adj, rows, 0);
  add_column_4(e(a, 'r'), e(b, 'l'), e(a, 'l'), e(b, 'r'), &adj, rows, 0);
  build(6);
  SQcoreproblem();
  SQboundbox(SQcell, SQarc, SQcell_size + SQsymcell_size, SQarc_size);
  ASSERT_EQ(SQposition(4), 4);
  const SQCELL_item &left = SQcell[a], &right = SQcell[b];
  EXPECT_EQ(left.right->loc - left.left->loc, 12);
  EXPECT_EQ(right.right->loc - right.left->loc, 12);
  EXPECT_EQ(left.right->loc + right.left->loc, 2 * SQcell[3].left->loc);
  for (SQARC_item* arc = SQarc; arc; arc = arc->list_next) {
    if (arc->sym && arc->ori && arc->ter) {
      EXPECT_EQ(arc->wlm_type, 92) << "row " << arc->rank;
    }
  }
}

TEST_F(Core, InfeasibleMirrorRowsAbandonWithTheBanner)
{
  // Boxes of widths 8 and 12 whose inner and outer sides share one axis.
  _edge* v = mirroredPair(8, 16, 12);
  add_column_4(e(0, 'l'), e(1, 'r'), v, v, &adj, rows, 0);
  build(4);
  EXPECT_TRUE(roundTripAborts());
  EXPECT_NE(out.find("*** CORE LP CANNOT BE SOLVED ***"), std::string::npos);
  EXPECT_TRUE(ui.saw('E', "infeasible")) << ui.lastLine();
  EXPECT_EQ(SQcell, nullptr) << "the abandoned graph is freed";
  EXPECT_EQ(SQboundcell, nullptr);
}

TEST_F(Core, PositiveCycleInTheCoreIsNotSettled)
{
  mirroredPair(8, 16, 8, 0);
  build(4);
  // A size set after the build that the drawn room cannot take.
  SQaddarc(SQcell[1].left, SQcell[0].right, 8, -50);
  EXPECT_TRUE(roundTripAborts());
  EXPECT_NE(out.find("Constraint core graph is not settled"), std::string::npos);
}

TEST_F(Core, LongRowOfBoxesSettles)
{
  // 200 boxes in a row: a longest path of 400 lines, more than there are cells.
  constexpr int kBoxes = 200;
  for (int i = 0; i < kBoxes; ++i) {
    cell(16 * i, 16 * i + 8);
    row(e(i, 'l'), e(i, 'r'), 8);
    if (i > 0)
      row(e(i - 1, 'r'), e(i, 'l'), 8);
  }
  _edge* v = axis();
  add_column_4(e(0, 'r'), e(kBoxes - 1, 'l'), v, v, &adj, rows, 0);
  build(2 * kBoxes);
  EXPECT_FALSE(roundTripAborts()) << out.substr(out.size() > 2000 ? out.size() - 2000 : 0);
  EXPECT_EQ(SQcell[kBoxes - 1].left->BMweight - SQcell[0].right->BMweight, (2 * kBoxes - 3) * 8);
}

TEST_F(Core, NegativeArcBetweenCoreLinesIsKeptAsItIs)
{
  mirroredPair(8, 16, 8, 0);
  row(e(1, 'l'), e(0, 'r'), -20);
  build(4);
  SQdetect_core();
  SQbuild_coregraph();
  bool found = false;
  for (int i = 0; i < squeeze::coreArcCount(); ++i) {
    const SQARC_item* arc = squeeze::coreArc(i);
    if (arc->ori->number == SQcell[1].left->number && arc->ter->number == SQcell[0].right->number) {
      EXPECT_EQ(arc->weight, -20);
      found = true;
    }
  }
  EXPECT_TRUE(found);
}

// The quick longest paths of the core give the waves' values, wave numbers
// and backtracking answers from every line of random graphs: tight and
// slack arcs both ways, parallel arcs, equalities (zero cycles), lines
// further left of the source than the waves' start value reaches, lines
// nothing reaches.
class QuickCorePaths : public Core, public testing::WithParamInterface<unsigned> {
 protected:
  void randomGraph()
  {
    std::mt19937 random(GetParam());
    // A coarse grid: many paths of equal weight, and values of exactly the
    // waves' start value (-10000) from a source 10000 to the right.
    constexpr int kCells = 40, kStep = 2000;
    auto pick = [&](int count) { return static_cast<int>(random() % count); };
    std::vector<int> at;  // positions where every row holds
    for (int i = 0; i < kCells; ++i) {
      const int lo = kStep * pick(12), width = kStep * (1 + pick(2));
      cell(lo, lo + width);
      at.push_back(lo);
      at.push_back(lo + width);
      row(e(i, 'l'), e(i, 'r'), width, pick(3) ? 'G' : 'E');
    }
    for (int k = 0; k < 4 * kCells; ++k) {
      const size_t a = random() % at.size(), b = random() % at.size();
      if (a == b || a / 2 == b / 2)
        continue;
      const int room = at[b] - at[a];
      const bool tight = pick(2) == 0;
      row(&edges[a], &edges[b], tight ? room : room - kStep * (1 + pick(3)),
          tight && pick(3) == 0 ? 'E' : 'G');
      if (pick(4) == 0)  // a parallel arc, lighter or heavier
        row(&edges[a], &edges[b], room - kStep * pick(2), 'G');
    }
    // Core lines among the others: a longest path through one does not join.
    // Pairs mirrored about axes of their own (the program may have a solution).
    for (int k = 0; k < 8; ++k) {
      _edge *a = &edges[random() % at.size()], *b = &edges[random() % at.size()];
      _edge* v = axis();
      add_column_4(a, b, v, v, &adj, rows, 0);
    }
    build(2 * kCells);
  }
};

TEST_P(QuickCorePaths, AnswerAsTheWaves)
{
  randomGraph();
  SQdetect_core();
  const size_t n = squeeze::store(LEFT_RIGHT).lineCount;
  auto slot = [n](const SQLINE_item* l) -> size_t {
    return l->number == -10 ? n : l->number == -11 ? n + 1 : squeeze::lineIndex(l);
  };
  std::vector<SQLINE_item*> lines(n + 2, nullptr);
  squeeze::forEachLine([&](SQLINE_item* l) { lines[slot(l)] = l; });
  lines[n] = SQboundcell->left;
  lines[n + 1] = SQboundcell->right;
  squeeze::CorePaths paths(lines, slot);
  ASSERT_TRUE(paths.usable());
  int joins = 0, unreached = 0;
  // All sources at once (on two threads) answer as each one alone.
  std::vector<size_t> slots;
  for (SQLINE_item* l : lines)
    if (l)
      slots.push_back(slot(l));
  const std::vector<squeeze::CorePaths::Joins> all = paths.joinAll(slots, slots);
  ASSERT_EQ(all.size(), slots.size());
  for (size_t i = 0; i < slots.size(); ++i) {
    SQLINE_item* source = lines[slots[i]];
    SQcoreexpandwave(source);
    ASSERT_TRUE(paths.expand(slot(source)));
    ASSERT_TRUE(all[i].settled);
    size_t next = 0;
    for (size_t j = 0; j < slots.size(); ++j) {
      SQLINE_item* t = lines[slots[j]];
      ASSERT_EQ(paths.weight(slot(t)), t->BMweight) << source->number << " -> " << t->number;
      ASSERT_EQ(paths.wave(slot(t)), t->BMwave) << source->number << " -> " << t->number;
      const bool listed = next < all[i].targets.size() && all[i].targets[next] == j;
      if (listed) {
        EXPECT_EQ(all[i].weights[next++], t->BMweight) << source->number << " -> " << t->number;
      }
      if (t == source) {
        EXPECT_FALSE(listed);
        continue;
      }
      const bool joined = SQcorebacktrackwave(source, t) != 0;
      ASSERT_EQ(paths.joined(slot(t)), joined) << source->number << " -> " << t->number;
      ASSERT_EQ(listed, joined) << source->number << " -> " << t->number;
      joins += joined;
      unreached += t->BMwave < 0;
    }
    EXPECT_EQ(next, all[i].targets.size());
  }
  EXPECT_GT(joins, 0);
  EXPECT_GT(unreached, 0);
  // The lines keep the last expansion as the waves leave it.
  SQLINE_item* last = lines[n];
  SQcoreexpandwave(last);
  std::vector<std::pair<int, int>> waves;
  for (SQLINE_item* t : lines)
    waves.emplace_back(t ? t->BMweight : 0, t ? t->BMwave : 0);
  ASSERT_TRUE(paths.expand(n));
  for (SQLINE_item* t : lines)
    if (t)
      t->BMweight = t->BMwave = 0;
  paths.store(lines);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i])
      continue;
    EXPECT_EQ(std::make_pair(lines[i]->BMweight, lines[i]->BMwave), waves[i]) << i;
  }
}

// The searches begun ahead of the core (from the graph before its marks
// and boundary arcs) make the core graph that the searches in place make;
// searches that no longer fit the core (a line marked since) are dropped.
TEST_P(QuickCorePaths, SearchedAheadAsInPlace)
{
  randomGraph();
  auto coreArcs = [] {
    std::vector<std::tuple<int, int, int>> arcs;
    for (int i = 0; i < squeeze::coreArcCount(); ++i) {
      const SQARC_item* a = squeeze::coreArc(i);
      arcs.emplace_back(a->ori->number, a->ter->number, a->weight);
    }
    return arcs;
  };
  // The core graph, searched ahead or in place; `mark` is marked as a sym
  // line once the core is detected (after the searches ahead began).
  bool used = false;
  auto core = [&](bool ahead, SQLINE_item* mark) {
    std::optional<squeeze::CoreAhead> searches;
    if (ahead)
      searches.emplace();
    SQdetect_core();
    if (mark)
      mark->onsym = 1;
    SQbuild_coregraph();
    const std::vector<std::tuple<int, int, int>> arcs = coreArcs();
    used = searches && searches->used();
    searches.reset();
    SQfree_coregraph();
    return arcs;
  };
  const std::vector<std::tuple<int, int, int>> inPlace = core(false, nullptr);
  EXPECT_FALSE(inPlace.empty());
  EXPECT_EQ(core(true, nullptr), inPlace);
  EXPECT_TRUE(used);

  SQLINE_item* marked = nullptr;
  squeeze::forEachLine([&](SQLINE_item* l) {
    if (!marked && l->onsym == 0 && l->ori_next && l->ter_next)
      marked = l;
  });
  ASSERT_TRUE(marked);
  const std::vector<std::tuple<int, int, int>> changed = core(true, marked);
  EXPECT_FALSE(used);
  EXPECT_EQ(changed, core(false, nullptr));
  EXPECT_NE(changed, inPlace);
}

// lp_solve begun ahead, on the program of the searches ahead, gives the
// round trip in place: the same messages (but the times), program,
// solution and files.  Begun ahead of a graph marked since, it is ended
// and the round trip is made as without it.
TEST_P(QuickCorePaths, SolvedAheadAsInPlace)
{
  struct Trip {
    bool aborted, left;  // left: the program's file where it was written
    std::string out, mps, report;
    std::vector<int> at;
    bool operator==(const Trip& o) const
    {
      return aborted == o.aborted && left == o.left && out == o.out && mps == o.mps &&
             report == o.report && at == o.at;
    }
  };
  const std::regex time("[0-9][0-9]:[0-9][0-9]:[0-9][0-9]");
  bool solving = false, used = false;
  auto trip = [&](bool ahead, bool mark) {
    restart();
    randomGraph();
    const size_t from = out.size();  // of this trip
    std::optional<squeeze::CoreAhead> early;
    if (ahead)
      early.emplace();
    solving = early && early->solving();
    std::set<const SQLINE_item*> named;
    for (const SQSYMARC_item* r = SQsymarc; r; r = r->next)
      named.insert({r->ori1, r->ori2, r->ter1, r->ter2});
    if (mark)
      squeeze::forEachLine([&, marked = false](SQLINE_item* l) mutable {
        if (!marked && !named.count(l) && l->ori_next && l->ter_next) {
          l->onsym = 1;
          marked = true;
        }
      });
    Trip t;
    t.aborted = roundTripAborts();
    used = early && early->used();
    early.reset();
    std::istringstream lines(out.substr(from));
    for (std::string line; std::getline(lines, line);)
      if (!std::regex_search(line, time))
        t.out += line + "\n";
    // Moved into the report folder, or left where they were by an abandon.
    const std::string files =
        t.aborted ? "SQcore_mps.file" : std::string(squeeze::kReportDir) + "/SQcore_mps_LR.file";
    t.mps = readFile(files);
    t.report = readFile(files + ".rpt");
    if (!t.aborted)
      squeeze::forEachLine([&](SQLINE_item* l) { t.at.push_back(l->BMweight); });
    t.left = access("SQcore_mps.file", F_OK) == 0;
    return t;
  };
  const Trip inPlace = trip(false, false);
  EXPECT_NE(inPlace.out.find("SQcore: lp_solve done"), std::string::npos);
  EXPECT_EQ(trip(true, false), inPlace);
  EXPECT_TRUE(solving);
  EXPECT_TRUE(used);

  const Trip marked = trip(false, true);
  EXPECT_EQ(trip(true, true), marked);
  EXPECT_TRUE(solving);
  EXPECT_FALSE(used);
  EXPECT_NE(marked.mps, inPlace.mps);
}

INSTANTIATE_TEST_SUITE_P(RandomGraphs, QuickCorePaths, testing::Range(1u, 9u));

}  // namespace
