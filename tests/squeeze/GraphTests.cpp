// The squeeze on hand-built graphs: longest paths, cycles, the position
// modes, redundant arcs, wire-length minimisation and the output's move to
// the first quadrant.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "CS.h"
#include "HandGraph.h"
#include "RowSupport.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "Dlayout.h"

namespace {

// Cells given by their drawn low and high coordinates, rows between their
// sides; the graph is the LEFT_RIGHT one.
class Graph : public squeeze_test::HandGraph {
 public:
  // Both longest paths; the width.
  int solve() { return SQboundbox(SQcell, SQarc, ncell(), SQarc_size); }

 protected:
  // A cell of `layer` from lo to hi; returns its index.  Unless a band is
  // given, each cell lies in a band of its own: no two cells overlap or meet.
  int cell(int layer, int lo, int hi, int band = -1)
  {
    if (band < 0)
      band = static_cast<int>(edges.size()) * 10 + 1000;
    for (int v : {lo, hi})
      side(v, band, v == lo, layer);
    return static_cast<int>(edges.size() / 2 - 1);
  }
  // A cell with a width row: its sides at least `width` apart.
  int box(int layer, int lo, int hi, int width, int band = -1)
  {
    const int c = cell(layer, lo, hi, band);
    row(c, 'l', c, 'r', width);
    return c;
  }
  _edge* edge(int c, char side) { return &edges[2 * c + (side == 'r' ? 1 : 0)]; }
  // side(b) - side(a) >= value (or = value).
  void row(int a, char sa, int b, char sb, int value, char type = 'G')
  {
    HandGraph::row(edge(a, sa), edge(b, sb), value, type);
  }
  SQLINE_item* line(int c, char side) { return side == 'r' ? SQcell[c].right : SQcell[c].left; }
  static int ncell() { return SQcell_size + SQsymcell_size; }
  bool aborts(int (*step)(Graph*))
  {
    return !testing_support::runsToEnd([&] { step(this); });
  }
};

// min_loc from the left, max_loc from the right, both within 0 and the
// width.  Two abutting boxes: equal sides both ways form cycles of weight 0.
TEST_F(Graph, LongestPathsBoundEveryLineZeroWeightCyclesSettle)
{
  const struct {
    const char* name;
    int a, bLo, bHi, b, gap;
    char type;
    int width, lines[4][2];  // min_loc, max_loc of a.l, a.r, b.l, b.r
  } cases[] = {
      {"apart", 50, 60, 90, 20, 5, 'G', 35, {{0, 0}, {10, 10}, {15, 15}, {35, 35}}},
      {"abutting", 10, 10, 30, 20, 0, 'E', 30, {{0, 0}, {10, 10}, {10, 10}, {30, 30}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    const int a = box(1, 0, c.a, 10), b = box(1, c.bLo, c.bHi, c.b);
    row(a, 'r', b, 'l', c.gap, c.type);
    build();
    EXPECT_EQ(solve(), c.width);
    for (int i = 0; i < 4; ++i) {
      SQLINE_item* l = line(i / 2, i % 2 ? 'r' : 'l');
      EXPECT_EQ(l->min_loc, c.lines[i][0]) << "line " << l->number;
      EXPECT_EQ(l->max_loc, c.lines[i][1]) << "line " << l->number;
    }
  }
}

TEST_F(Graph, RowsTheDrawingBreaksAreKeptAsDrawn)
{
  // The drawn gap is 5; a row asking 20 keeps 5 (with a warning), one asking
  // 3 stays: no graph built from a drawing can hold a positive cycle.
  const int a = cell(1, 0, 10), b = cell(1, 15, 25), c = cell(1, 30, 40);
  row(a, 'r', b, 'l', 20);
  row(b, 'r', c, 'l', 3);
  row(b, 'l', a, 'r', -30);
  build();
  EXPECT_EQ(solve(), 10 + 5 + 10 + 3 + 10);  // drawn widths kept (no width rule)
  EXPECT_NE(err.find("does not meet 1 constraints"), std::string::npos) << err;
  EXPECT_NE(out.find("kept as drawn (0.12 um, not 0.50 um)"), std::string::npos) << out;
}

TEST_F(Graph, PositiveCycleIsReportedInLayoutTermsAndAbandoned)
{
  std::vector<int> cells;
  for (int i = 0; i < 20; ++i) {
    cells.push_back(box(1, 100 * i, 100 * i + 10, 10));
  }
  row(cells[1], 'l', cells[2], 'l', 1);
  build();
  // Sizes set after the build (as a resize sets them) that the room between
  // the first two boxes cannot take: +2 per turn.
  SQaddarc(line(cells[0], 'r'), line(cells[1], 'l'), 92, -50);
  SQaddarc(line(cells[1], 'l'), line(cells[0], 'r'), -90, -50);
  EXPECT_TRUE(aborts([](Graph* g) { return g->solve(); }));
  for (const char* text : {"Constraint graph is not settled iN BF and pos_cycle is reported",
                           "Guess of positive cycle line", "pos_cycle_wf_start = 0, pos_cycle_wf_loop = 2",
                           "new size of a transistor: the left side of CMF at x = "})
    EXPECT_NE(out.find(text), std::string::npos) << text << "\n" << out;
  EXPECT_NE(err.find("2 constraints ask for more room than there is"), std::string::npos) << err;
  EXPECT_EQ(SQcell, nullptr) << "the abandoned graph is freed";
}

TEST_F(Graph, KeptConstraintsGiveWayToSizes)
{
  // Two overlapping boxes keep their drawn overlap of 6; a size that makes
  // the second 4 wide and keeps it left of the first cannot keep it: the
  // kept overlap gives way (to a grid step, 4 here), and the graph settles.
  const int a = box(1, 0, 10, 10, 0), b = cell(2, 4, 14, 0);
  build();
  SQaddarc(line(b, 'l'), line(b, 'r'), 4, -50);
  SQaddarc(line(b, 'r'), line(b, 'l'), -4, -50);
  SQaddarc(line(b, 'l'), line(a, 'l'), 0, -50);
  const long yields = squeeze::stats().yields;
  EXPECT_TRUE(testing_support::runsToEnd([this] { solve(); }));
  EXPECT_GT(squeeze::stats().yields, yields);
  EXPECT_NE(err.find("gives way to the rules and sizes: drawn overlap (kept)"), std::string::npos)
      << err;
}

TEST_F(Graph, RepeatingLayoutIsNoCycle)
{
  // 80 equal stages where a box pushes two more: the wave counts repeat
  // (1, 2, 2, 1) but the graph settles.
  int previous = -1;
  for (int i = 0; i < 80; ++i) {
    const int a = box(1, 100 * i, 100 * i + 10, 10), b = box(2, 100 * i + 10, 100 * i + 30, 20),
              c = box(3, 100 * i + 10, 100 * i + 15, 5);
    row(a, 'r', b, 'l', 0);
    row(a, 'r', c, 'l', 0);
    if (previous >= 0)
      row(previous, 'r', a, 'l', 3);
    previous = b;
  }
  build();
  EXPECT_EQ(squeeze::waveLongestPaths(SQcell, ncell(), 0, nullptr), 80 * 30 + 79 * 3);
  EXPECT_EQ(solve(), 80 * 30 + 79 * 3);
}

TEST_F(Graph, ShortcutAgreesWithTheWaves)
{
  // Random rows that the drawn places keep (so no positive cycle), some of
  // them equalities (zero-weight cycles), many with negative values: every
  // line ends where the waves put it, in both directions.
  std::mt19937 random(7);
  const int n = 60;
  auto at = [](int c, char side) { return 10 * c + (side == 'r' ? 5 : 0); };
  for (int i = 0; i < n; ++i) {
    box(i % 3, at(i, 'l'), at(i, 'r'), static_cast<int>(random() % 6));
  }
  for (int k = 0; k < 150; ++k) {
    const int a = static_cast<int>(random() % n), b = static_cast<int>(random() % n);
    const char sa = random() % 2 ? 'l' : 'r', sb = random() % 2 ? 'l' : 'r';
    if (a == b)
      continue;
    const int drawn = at(b, sb) - at(a, sa);
    if (random() % 6 == 0)
      row(a, sa, b, sb, drawn, 'E');
    else
      row(a, sa, b, sb, drawn - static_cast<int>(random() % 40));
  }
  build();
  for (int reverse : {0, 1}) {
    SCOPED_TRACE(reverse ? "reverse" : "forward");
    const int waves = squeeze::waveLongestPaths(SQcell, ncell(), reverse, nullptr);
    std::vector<int> byWaves;
    for (int i = 0; i < ncell(); ++i)
      for (SQLINE_item* l : {SQcell[i].left, SQcell[i].right})
        byWaves.push_back(l->BMweight);
    EXPECT_EQ(SQbf_main(SQcell, SQarc, ncell(), SQarc_size, reverse), waves);
    size_t k = 0;
    for (int i = 0; i < ncell(); ++i)
      for (SQLINE_item* l : {SQcell[i].left, SQcell[i].right})
        EXPECT_EQ(l->BMweight, byWaves[k++]) << "line " << l->number;
  }
}

TEST_F(Graph, PositionModes)
{
  // The middle box may lie anywhere from 10 to 15.
  const int wall = box(1, 0, 25, 25), mid = cell(2, 10, 10);
  row(wall, 'l', mid, 'l', 10);
  row(mid, 'l', mid, 'r', 0);
  row(mid, 'r', wall, 'r', 10);
  build();
  solve();
  struct Case {
    int mode, expected;
  } cases[] = {{1, 10}, {2, 15}, {3, 12}};
  for (const Case& c : cases) {
    EXPECT_EQ(SQposition(c.mode), c.mode);
    EXPECT_EQ(line(mid, 'l')->loc, c.expected) << "mode " << c.mode;
  }
}

TEST_F(Graph, ParallelArcsKeepTheHeavier)
{
  const int a = box(1, 0, 10, 10), b = box(1, 30, 40, 10);
  build();
  SQARC_item* light = SQaddarc(line(a, 'r'), line(b, 'l'), 8, -7);
  SQARC_item* heavy = SQaddarc(line(a, 'r'), line(b, 'l'), 12, -8);
  EXPECT_EQ(SQremove_redundant_arcs(), 1);
  EXPECT_EQ(light->occupied, 0);
  EXPECT_EQ(light->weight, -1);
  EXPECT_EQ(heavy->occupied, 1);
  int out = 0;
  for (SQARC_item* arc = line(a, 'r')->ori_next; arc; arc = arc->ori_next)
    out += arc->ter == line(b, 'l');
  EXPECT_EQ(out, 1);
  EXPECT_EQ(line(a, 'r')->no_ori, 1);
  EXPECT_EQ(solve(), 32);
}

// Every line's lists hold exactly the arcs in use that start or end there,
// with the counts; an empty string when they do.
std::string listsBroken(SQCELL_item* cells, int ncell)
{
  std::map<const SQARC_item*, int> seen;  // 1 outgoing, 2 incoming
  for (int i = 0; i < ncell; ++i)
    for (SQLINE_item* l : {cells[i].left, cells[i].right}) {
      if (!l)
        continue;
      int out = 0, in = 0;
      for (const SQARC_item* a = l->ori_next; a; a = a->ori_next, ++out)
        if (a->ori != l || a->occupied != 1 || (seen[a] |= 1) != 1)
          return "line " + std::to_string(l->number) + ": stray outgoing arc";
      for (const SQARC_item* a = l->ter_next; a; a = a->ter_next, ++in)
        if (a->ter != l || a->occupied != 1 || (seen[a] & 2) || !(seen[a] |= 2))
          return "line " + std::to_string(l->number) + ": stray incoming arc";
      if (out != l->no_ori || in != l->no_ter)
        return "line " + std::to_string(l->number) + ": counts differ from the lists";
    }
  for (const SQARC_item* a = SQarc; a; a = a->list_next)
    if (a->occupied == 1 && a->ori && a->ter && !a->sym && seen[a] != 3)
      return "an arc in use is in one list only";
  return "";
}

// Lines with several parallel arcs each, also of equal weight.  With
// `countsOff` the count of one line disagrees with the lists while the
// arcs go, and the lists are mended arc by arc.
class RedundantArcs : public Graph {
 protected:
  void check(bool countsOff)
  {
    const int a = box(1, 0, 10, 10), b = box(1, 30, 40, 10), c = box(1, 60, 70, 10);
    build();
    for (int w : {8, 12, 12, 3})
      SQaddarc(line(a, 'r'), line(b, 'l'), w, w);
    for (int w : {5, 9})
      SQaddarc(line(b, 'r'), line(c, 'l'), w, w);
    SQaddarc(line(a, 'r'), line(c, 'l'), 40, 1);
    if (countsOff)
      ++line(c, 'r')->no_ter;
    squeeze::ListedArcs staying;
    EXPECT_EQ(squeeze::removeRedundantArcs(&staying), 4);
    if (countsOff)
      --line(c, 'r')->no_ter;
    EXPECT_EQ(listsBroken(SQcell, ncell()), "");
    // The arcs that stay, listed by line as the lists now hold them (only
    // where the lists are made anew), and taken by the longest paths.
    EXPECT_EQ(staying.sound, !countsOff);
    if (staying.sound) {
      squeeze::ListedArcs read;
      read.first.push_back(0);
      for (int i = 0; i < ncell(); ++i)
        for (SQLINE_item* l : {SQcell[i].left, SQcell[i].right}) {
          ASSERT_EQ(squeeze::lineIndex(l), read.lines.size());
          read.lines.push_back(l);
          for (const SQARC_item* arc = l->ori_next; arc; arc = arc->ori_next) {
            read.to.push_back(static_cast<uint32_t>(squeeze::lineIndex(arc->ter)));
            read.weight.push_back(arc->weight);
          }
          read.first.push_back(static_cast<uint32_t>(read.to.size()));
        }
      EXPECT_EQ(staying.lines, read.lines);
      EXPECT_EQ(staying.first, read.first);
      EXPECT_EQ(staying.to, read.to);
      EXPECT_EQ(staying.weight, read.weight);
      int forward = 0, reverse = 0;
      staying.weight[read.first[2 * b + 1]] = 30;  // b.r -> c.l, as if 30: shows if taken
      squeeze::longestPathsBothWays(SQcell, ncell(), nullptr, &forward, &reverse, &staying);
      EXPECT_TRUE(staying.first.empty()) << "taken";
      EXPECT_EQ(forward, 72);
    }
    struct Pair {
      SQLINE_item *from, *to;
      int weight;
    } kept[] = {{line(a, 'r'), line(b, 'l'), 12}, {line(b, 'r'), line(c, 'l'), 8},
                {line(a, 'r'), line(c, 'l'), 40}};
    for (const Pair& p : kept) {
      std::vector<int> weights;
      for (const SQARC_item* arc = p.from->ori_next; arc; arc = arc->ori_next)
        if (arc->ter == p.to)
          weights.push_back(arc->weight);
      EXPECT_EQ(weights, std::vector<int>{p.weight}) << p.from->number << " -> " << p.to->number;
    }
    EXPECT_EQ(solve(), 60);
  }
};

TEST_F(RedundantArcs, LeaveBothLists) { check(false); }

TEST_F(RedundantArcs, LeaveListsWhoseCountsDisagree) { check(true); }

// The removal worked out ahead and carried out after the graph changed as
// the symmetric core changes it (symmetry arcs linked in front of lists,
// boundary arcs linked and taken again) ends as the removal made at once
// on the changed graph: lists in order, counts, the arcs that go, the
// listing and the messages.  Where the lists are mended arc by arc the plan
// is left and the removal is made at once.
TEST_F(Graph, RedundantArcsPlannedAheadAsAtOnce)
{
  SQSYMARC_item symRow{};
  // A random graph with parallel arcs, some of them symmetry arcs; then,
  // with `ahead`, the plan; then the core's changes and the removal.
  struct Result {
    int removed = 0;
    std::vector<std::vector<int>> lists;  // by line: ranks out, -1, ranks in, -1, counts
    std::vector<int> gone;
    squeeze::ListedArcs listed;
    size_t messages = 0;
  };
  auto run = [&](unsigned seed, bool ahead, bool countsOff) {
    restart();
    std::mt19937 random(seed);
    const int n = 12;
    for (int i = 0; i < n; ++i)
      box(1, 100 * i, 100 * i + 40, 10);
    build();
    int rank = 1000;
    std::vector<SQARC_item*> arcs;
    auto arcBetween = [&](bool sym) {
      const int a = static_cast<int>(random() % n), b = static_cast<int>(random() % n);
      const char sa = random() % 2 ? 'r' : 'l', sb = random() % 2 ? 'r' : 'l';
      SQARC_item* arc =
          SQaddarc(line(a, sa), line(b, sb), 2 * static_cast<int>(random() % 5), rank++);
      if (sym)
        arc->sym = &symRow;
      arcs.push_back(arc);
    };
    for (int k = 0; k < 120; ++k)
      arcBetween(random() % 10 == 0);
    std::unique_ptr<squeeze::RemovalPlan> plan;
    if (ahead) {
      // A plan that would come too late is given up.
      EXPECT_EQ(squeeze::planRedundantArcs([] { return true; }), nullptr);
      plan = squeeze::planRedundantArcs([] { return false; });
      EXPECT_NE(plan, nullptr);
    }
    // The core's symmetry arcs: beside arcs there (which then go), two
    // between the same lines (both stay, with a message), and others.
    for (int k = 0; k < 4; ++k) {
      const SQARC_item* e = arcs[random() % arcs.size()];
      SQaddarc(e->ori, e->ter, 2, rank++)->sym = &symRow;
    }
    for (int k = 0; k < 2; ++k) {
      arcBetween(true);
      SQaddarc(arcs.back()->ori, arcs.back()->ter, 4, rank++)->sym = &symRow;
    }
    for (int k = 0; k < 4; ++k)
      arcBetween(k % 2 == 0);
    SQARC_item* boundary = SQaddarc(line(0, 'l'), line(n - 1, 'r'), 0, rank++);
    SQremovearc(boundary);
    // A line whose list changed otherwise, its count the same, is worked
    // out anew too.
    SQARC_item* taken = arcs[random() % arcs.size()];
    while (taken->sym)
      taken = arcs[random() % arcs.size()];
    SQremovearc(taken);
    arcs.push_back(SQaddarc(taken->ori, line(0, 'l'), 6, rank++));
    if (countsOff)
      ++line(n - 1, 'r')->no_ter;
    const size_t before = out.size();
    Result r;
    r.removed = squeeze::removeRedundantArcs(&r.listed, plan.get());
    if (countsOff)
      --line(n - 1, 'r')->no_ter;
    for (size_t at = out.find("both arc1 and arc2", before); at != std::string::npos;
         at = out.find("both arc1 and arc2", at + 1))
      ++r.messages;
    for (int i = 0; i < ncell(); ++i)
      for (SQLINE_item* l : {SQcell[i].left, SQcell[i].right}) {
        std::vector<int> list;
        for (const SQARC_item* a = l->ori_next; a; a = a->ori_next)
          list.push_back(a->rank);
        list.push_back(-1);
        for (const SQARC_item* a = l->ter_next; a; a = a->ter_next)
          list.push_back(a->rank);
        list.insert(list.end(), {-1, l->no_ori, l->no_ter});
        r.lists.push_back(list);
      }
    for (size_t k = 0; k < arcs.size(); ++k)
      if (!arcs[k]->occupied)
        r.gone.push_back(static_cast<int>(k));
    for (SQLINE_item*& l : r.listed.lines)  // by number: the lines differ from run to run
      l = reinterpret_cast<SQLINE_item*>(static_cast<intptr_t>(l ? l->number : 0));
    return r;
  };
  for (unsigned seed = 1; seed <= 12; ++seed)
    for (bool countsOff : {false, true}) {
      SCOPED_TRACE("seed " + std::to_string(seed) + (countsOff ? ", counts off" : ""));
      const Result once = run(seed, false, countsOff), planned = run(seed, true, countsOff);
      EXPECT_GT(once.removed, 4);
      EXPECT_GT(once.messages, 0u);
      EXPECT_EQ(planned.removed, once.removed);
      EXPECT_EQ(planned.lists, once.lists);
      EXPECT_EQ(planned.gone, once.gone);
      EXPECT_EQ(planned.messages, once.messages);
      EXPECT_EQ(planned.listed.sound, once.listed.sound);
      EXPECT_EQ(planned.listed.lines, once.listed.lines);
      EXPECT_EQ(planned.listed.first, once.listed.first);
      EXPECT_EQ(planned.listed.to, once.listed.to);
      EXPECT_EQ(planned.listed.weight, once.listed.weight);
    }
}

// Arcs asked for while the lists stood still are made as keepAtLeast would
// make them one after another: where an arc made here pushes the one that
// asked as much out of the first six of its line's list, the list is
// looked at again and the arc is made after all.
TEST_F(Graph, AskedArcsAreMadeAsOneAfterAnother)
{
  std::vector<int> cells;
  for (int i = 0; i < 9; ++i)
    cells.push_back(box(1, 100 * i, 100 * i + 40, 10));
  build();
  SQLINE_item* from = line(cells[0], 'r');
  auto count = [&](SQLINE_item* to) {
    int n = 0;
    for (const SQARC_item* a = from->ori_next; a; a = a->ori_next)
      n += a->ter == to;
    return n;
  };
  // The arc to cell 1 is the sixth of the list: it asks as much as 4.
  SQaddarc(from, line(cells[1], 'l'), 4, 1);
  for (int i = 2; i < 7; ++i)
    SQaddarc(from, line(cells[i], 'l'), 2, i);
  std::vector<squeeze::Asked> asked = {{from, line(cells[7], 'l'), 2},
                                       {from, line(cells[1], 'l'), 4},
                                       {from, line(cells[8], 'l'), 2},
                                       {from, line(cells[8], 'l'), 2}};
  for (squeeze::Asked& a : asked)
    a.held = squeeze::askedAlready(a.ori, a.ter, a.weight);
  ASSERT_TRUE(asked[1].held);
  std::vector<uint32_t> madeIn(squeeze::store(LEFT_RIGHT).lineCount, 0);
  squeeze::keepAsked(asked, ArcOrigin::KeptExtension, &madeIn, 1);
  EXPECT_EQ(count(line(cells[7], 'l')), 1);
  EXPECT_EQ(count(line(cells[1], 'l')), 2) << "pushed to the seventh place, made again";
  EXPECT_EQ(count(line(cells[8], 'l')), 1) << "asked twice, made once";
}

TEST_F(Graph, ArcOperationsRelink)
{
  const int a = cell(1, 0, 10), b = cell(1, 30, 40), c = cell(1, 50, 60);
  build();
  SQARC_item* arc = SQaddarc(line(a, 'r'), line(b, 'l'), 7, 3);  // a quarter rounds down
  EXPECT_EQ(arc->weight, 6);
  SQupdatearc_ter(arc, line(c, 'l'), 4);
  EXPECT_EQ(line(b, 'l')->no_ter, 0);
  EXPECT_EQ(line(c, 'l')->ter_next, arc);
  SQupdatearc_weight(line(a, 'r'), line(c, 'l'), -5, 9);
  EXPECT_EQ(arc->weight, -4);
  EXPECT_EQ(arc->rank, 9);
  SQremoveallarc(line(c, 'l'), line(a, 'r'));
  EXPECT_EQ(arc->occupied, 0);
  EXPECT_EQ(line(a, 'r')->ori_next, nullptr);
  SQremovearc(arc);
  EXPECT_NE(out.find("which is not in used"), std::string::npos);
}

// Taking every arc of some lines at once leaves the lists, counts and arcs
// as taking them one by one: random arcs, parallel ones, arcs between two
// of the lines, loops.
TEST_F(Graph, ArcsOfLinesGoAsOneByOne)
{
  for (unsigned seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE(seed);
    struct Arc {
      int from, to, weight;
    };
    std::mt19937 random(seed);
    const int n = 30;
    std::vector<Arc> arcs;
    for (int k = 0; k < 200; ++k)
      arcs.push_back(Arc{static_cast<int>(random() % (2 * n)), static_cast<int>(random() % (2 * n)),
                         2 * static_cast<int>(random() % 20)});
    std::vector<int> chosen;
    for (int l = 0; l < 2 * n; ++l)
      if (random() % 5 == 0)
        chosen.push_back(l);
    // Each line's lists, and what became of every arc made.
    auto result = [&](bool atOnce) {
      for (int i = 0; i < n; ++i)
        cell(1, 100 * i, 100 * i + 10);
      build();
      auto at = [&](int l) { return line(l / 2, l % 2 ? 'r' : 'l'); };
      std::vector<SQARC_item*> made;
      for (const Arc& a : arcs)
        made.push_back(SQaddarc(at(a.from), at(a.to), a.weight, 0));
      std::vector<SQLINE_item*> lines;
      for (int l : chosen)
        lines.push_back(at(l));
      if (atOnce) {
        SQremovelinearcs(lines);
      } else {
        for (SQLINE_item* l : lines) {
          while (l->ori_next)
            SQremovearc(l->ori_next);
          while (l->ter_next)
            SQremovearc(l->ter_next);
        }
      }
      std::vector<std::vector<long>> state;
      for (int l = 0; l < 2 * n; ++l) {
        state.emplace_back();
        state.back().push_back(at(l)->no_ori);
        state.back().push_back(at(l)->no_ter);
        for (const SQARC_item* a = at(l)->ori_next; a; a = a->ori_next)
          state.back().push_back(std::find(made.begin(), made.end(), a) - made.begin());
        state.back().push_back(-1);
        for (const SQARC_item* a = at(l)->ter_next; a; a = a->ter_next)
          state.back().push_back(std::find(made.begin(), made.end(), a) - made.begin());
      }
      state.emplace_back();
      for (const SQARC_item* a : made)
        for (long v : {long{a->occupied}, long{a->weight}, long{a->rank},
                       long{a->ori_next != nullptr}, long{a->ter_next != nullptr}})
          state.back().push_back(v);
      return state;
    };
    const auto oneByOne = result(false);
    restart();
    EXPECT_EQ(result(true), oneByOne);
    restart();
  }
}

TEST_F(Graph, LayoutKeepsItsConnectionsAndGaps)
{
  // In one band: a and b of one layer 20 apart with no spacing row; c
  // overlaps a by 5 on another layer.  b stays a grid step (4) from a,
  // c keeps its overlap.
  const int a = box(1, 0, 10, 10, 0), b = box(1, 30, 40, 10, 0), c = box(2, 5, 20, 2, 0);
  build();
  solve();
  EXPECT_EQ(line(b, 'l')->min_loc - line(a, 'r')->min_loc, 4);
  EXPECT_GE(line(a, 'r')->min_loc - line(c, 'l')->min_loc, 5);
  EXPECT_GE(line(c, 'r')->min_loc - line(a, 'l')->min_loc, 5);
}

// Wire-length minimisation.
class Wlm : public Graph {
 protected:
  int run()
  {
    solve();
    return SQwirelengthminimization(SQcell, SQarc, ncell(), SQarc_size);
  }
};

TEST_F(Wlm, BoxBetweenFixedWallsStays)
{
  // The box may lie from 20..30 to 40..50; it gains nothing by moving.
  const int w1 = box(1, 0, 10, 10), b = box(2, 20, 30, 10), w2 = box(1, 60, 70, 10);
  row(w1, 'r', b, 'l', 10);
  row(b, 'r', w2, 'l', 10);
  row(w1, 'r', w2, 'l', 50);
  build();
  EXPECT_EQ(run(), 4);
  EXPECT_EQ(line(b, 'l')->max_loc, 40);
  for (int c : {w1, b, w2})
    for (char s : {'l', 'r'})
      EXPECT_EQ(line(c, s)->wlm_loc, line(c, s)->min_loc);
}

// Walls at 0..10 and 100..110; box x (another layer) of width 10 whose
// right side wants the far wall's right side: it moves right until its
// spacing of 20 to the wall is tight, and stops there.  With a second box
// y tied to x by an equality, x's left side and y's left side stay 5 apart
// wherever they go.  Every arc holds at the result.
TEST_F(Wlm, GroupMovesUntilItsArcIsTightEqualitiesMoveTogether)
{
  for (bool withY : {false, true}) {
    SCOPED_TRACE(withY ? "x and y" : "x alone");
    restart();
    const int a = box(1, 0, 10, 10), b = box(1, 100, 110, 10), x = cell(2, 10, 20);
    const int y = withY ? cell(3, 15, 25) : -1;
    row(a, 'r', b, 'l', 90);
    row(x, 'l', x, 'r', 10);
    if (withY)
      row(y, 'l', y, 'r', 10);
    row(a, 'r', x, 'l', 0);
    row(x, 'r', b, 'l', 20);
    row(x, 'r', b, 'r', 5);
    if (withY) {
      row(x, 'l', y, 'l', 5, 'E');
      row(y, 'r', b, 'l', 0);
    }
    build();
    EXPECT_EQ(run(), 4);
    if (withY) {
      EXPECT_EQ(line(y, 'l')->wlm_loc - line(x, 'l')->wlm_loc, 5);
    } else {
      EXPECT_EQ(line(x, 'l')->wlm_loc, 70);
      EXPECT_EQ(line(x, 'r')->wlm_loc, 80);
      EXPECT_EQ(line(b, 'l')->wlm_loc, 100);
      EXPECT_NE(out.find("WLM is done successfully"), std::string::npos);
    }
    for (SQARC_item* arc = SQarc; arc; arc = arc->list_next)
      if (arc->occupied && arc->ori && arc->ter) {
        EXPECT_GE(arc->ter->wlm_loc - arc->ori->wlm_loc, arc->weight) << "row " << arc->rank;
      }
  }
}

TEST_F(Wlm, AllFixedSucceedsAtOnce)
{
  const int a = box(1, 0, 10, 10), b = box(1, 10, 30, 20);
  row(a, 'r', b, 'l', 0);
  build();
  EXPECT_EQ(run(), 4);
  EXPECT_NE(out.find("WLM is done successfully in 4 iterations"), std::string::npos);
}

// Lighter or equal spacings beside the rows of a random layout (they add no
// gain to any line) leave every line where it was, in as many iterations.
class WlmParallel : public Wlm, public testing::WithParamInterface<unsigned> {};

TEST_P(WlmParallel, SpacingsBesideTheRowsChangeNothing)
{
  struct Row {
    int a;
    char sa;
    int b;
    char sb;
    int value;
  };
  std::mt19937 random(GetParam());
  const int n = 40;
  std::vector<int> lo, hi;
  std::vector<Row> base, parallels;
  for (int i = 0; i < n; ++i) {
    lo.push_back(static_cast<int>(random() % 400));
    hi.push_back(lo.back() + 4 + static_cast<int>(random() % 30));
    base.push_back(Row{i, 'l', i, 'r', hi[i] - lo[i] - static_cast<int>(random() % 4)});
  }
  for (int k = 0; k < 160; ++k) {
    const int a = static_cast<int>(random() % n), b = static_cast<int>(random() % n);
    const int room = lo[b] - hi[a];
    if (a == b || room < 0)
      continue;
    base.push_back(Row{a, 'r', b, 'l', room - static_cast<int>(random() % (room + 1))});
    for (int copies = static_cast<int>(random() % 3); copies > 0; --copies)
      parallels.push_back(Row{a, 'r', b, 'l', base.back().value - static_cast<int>(random() % 3) * 2});
  }
  struct Result {
    int mode;
    std::vector<int> places;
    std::string message;
  };
  auto runWith = [&](const std::vector<Row>& extra) {
    for (int i = 0; i < n; ++i)
      cell(1 + i % 3, lo[i], hi[i], 0);
    for (const std::vector<Row>* list : {static_cast<const std::vector<Row>*>(&base), &extra})
      for (const Row& r : *list)
        if (r.value >= 0)
          row(r.a, r.sa, r.b, r.sb, r.value);
    build();
    out.clear();
    Result result{run(), {}, {}};
    for (int i = 0; i < n; ++i)
      for (char side : {'l', 'r'})
        result.places.push_back(line(i, side)->wlm_loc);
    const size_t at = out.find("WLM is done");
    result.message = at == std::string::npos ? out : out.substr(at, out.find('\n', at) - at);
    return result;
  };
  const Result alone = runWith({});
  restart();
  const Result beside = runWith(parallels);
  EXPECT_EQ(alone.mode, 4);
  EXPECT_EQ(beside.mode, alone.mode);
  EXPECT_EQ(beside.places, alone.places);
  EXPECT_EQ(beside.message, alone.message);
  EXPECT_NE(alone.places, [&] {
    std::vector<int> drawn;
    for (int i = 0; i < n; ++i)
      for (char side : {'l', 'r'})
        drawn.push_back(line(i, side)->min_loc);
    return drawn;
  }()) << "nothing moved";
}

INSTANTIATE_TEST_SUITE_P(RandomLayouts, WlmParallel, testing::Range(1u, 7u));

// Output: the merge of both directions and the move into the first quadrant,
// written in a scratch folder.
class Output : public Graph {
 protected:
  void SetUp() override
  {
    Graph::SetUp();
    savedLambda = LAMBDA_T2;
    LAMBDA_T2 = 0.1;
    SCALE = 40;
    strcpy(Glayers[1].name, "CMF");
    memset(tiles, 0, sizeof tiles);
  }
  void TearDown() override
  {
    LAMBDA_T2 = savedLambda;
    Glayers[1].name[0] = '\0';
    Graph::TearDown();
  }
  // Boxes of CMF from lo to hi on tiles of their own, in the LEFT_RIGHT
  // graph; then in the TOP_BOTTOM one, unless `corners` is null.  The
  // cells of each graph end with the given corners.
  void draw(std::vector<std::pair<int, int>> spans, const std::vector<_box>* corners)
  {
    for (size_t i = 0; i < spans.size(); ++i) {
      cell(1, spans[i].first, spans[i].second);
      edges[2 * i].mother_tile = edges[2 * i + 1].mother_tile = &tiles[i];
    }
    build();
    for (size_t i = 0; corners && i < corners->size(); ++i)
      SQcell[i].corner = (*corners)[i];
    SQswitch_direction(TOP_BOTTOM, 0);
    if (!corners)
      return;
    ASSERT_EQ(SQcreatestructure(&adj, rows), 0);
    for (size_t i = 0; i < corners->size(); ++i)
      SQcell[i].corner = (*corners)[i];
  }
  _Dtile tiles[2];
  double savedLambda = 0;
  testing_support::ScratchDir scratch;
  compact_test::WorkIn cwd{scratch.dir()};
};

TEST_F(Output, NegativeXIsShiftedToZero)
{
  const std::vector<_box> corners = {_box{-800, 0, -400, 400}, _box{0, 0, 400, 400}};
  draw({{0, 400}, {800, 1200}}, &corners);
  SQmain_output(2);
  // Layout units of 0.0025 um, CIF units of 0.01/8 um: 2 per layout unit.
  EXPECT_EQ(testing_support::readFile("sq_out.cif"),
            "( Output CIF file from squeeze );\nDS 1 1 8;\n9 __OUT__;\nL CMF;\n"
            "    B 800 800 2000 400;\n    B 800 800 400 400;\nDF;\nC 1;\nEnd\n");
  EXPECT_EQ(testing_support::readFile("resize_report/sq_out.cif"), testing_support::readFile("sq_out.cif"));
}

TEST_F(Output, MismatchedDirectionsAbandon)
{
  draw({{0, 400}}, nullptr);
  EXPECT_TRUE(aborts([](Graph*) { return SQmain_output(2); }));
  EXPECT_NE(out.find("LR_size (1) is not equal to TB_size (0)"), std::string::npos);
}

TEST_F(Output, UnwritableOutputAbandons)
{
  const std::vector<_box> corners;
  draw({{0, 400}}, &corners);
  ASSERT_EQ(mkdir("sq_out.cif", 0777), 0);  // a folder where the file should go
  EXPECT_TRUE(aborts([](Graph*) { return SQmain_output(2); }));
  EXPECT_NE(out.find("Can't open file sq_out.cif for writing"), std::string::npos);
  EXPECT_EQ(SQcell_LR, nullptr) << "the cells are released";
}

TEST(CifScale, EveryCentreIsExact)
{
  const double savedLambda = LAMBDA_T2;
  const int savedScale = SCALE;
  struct Case {
    double lambda;
    int scale;
    long b;
  } cases[] = {{0.1, 40, 8}, {0.05, 40, 16}, {0.25, 40, 16}, {0.1, 80, 16}, {1.0, 40, 4}};
  for (const Case& c : cases) {
    LAMBDA_T2 = c.lambda;
    SCALE = c.scale;
    const long b = squeeze::cifScaleB();
    EXPECT_EQ(b, c.b) << c.lambda << " " << c.scale;
    // A half layout unit is a whole CIF unit.
    const double f = c.lambda / CIF_FACTOR / c.scale * b;
    EXPECT_DOUBLE_EQ(f / 2, static_cast<long>(f / 2 + 0.5)) << c.lambda;
  }
  LAMBDA_T2 = savedLambda;
  SCALE = savedScale;
}

}  // namespace

// The record range behind the graphs' lines and arcs: blocks never overlap,
// come back zero-filled after reuse, and links read as the records they
// were set to.
TEST(RecordRange, BlocksAreSeparateZeroedAndLinksReadBack)
{
  const size_t before = squeeze::recordBytesTaken();
  struct Taken {
    char* at;
    size_t bytes;
  };
  std::vector<Taken> blocks;
  for (size_t bytes : {size_t{1}, size_t{65536}, size_t{1} << 20, size_t{100000}})
    blocks.push_back({static_cast<char*>(squeeze::takeRecords(bytes)), bytes});
  for (const Taken& b : blocks)
    std::memset(b.at, 0x5a, b.bytes);
  // A freed block between two others, and a larger one after it: the free
  // stretches are joined and split without overlapping a block in use.
  squeeze::giveRecords(blocks[1].at, blocks[1].bytes);
  squeeze::giveRecords(blocks[2].at, blocks[2].bytes);
  blocks.erase(blocks.begin() + 1, blocks.begin() + 3);
  for (size_t bytes : {size_t{3} << 18, size_t{40000}, size_t{2} << 20})
    blocks.push_back({static_cast<char*>(squeeze::takeRecords(bytes)), bytes});
  for (size_t i = 0; i < blocks.size(); ++i)
    for (size_t j = i + 1; j < blocks.size(); ++j)
      EXPECT_TRUE(blocks[i].at + blocks[i].bytes <= blocks[j].at ||
                  blocks[j].at + blocks[j].bytes <= blocks[i].at)
          << "blocks " << i << " and " << j << " overlap";
  for (size_t i = 2; i < blocks.size(); ++i)
    EXPECT_EQ(std::count(blocks[i].at, blocks[i].at + blocks[i].bytes, 0),
              static_cast<long>(blocks[i].bytes))
        << "reused block " << i << " is not zero-filled";
  for (const Taken& b : blocks)
    squeeze::giveRecords(b.at, b.bytes);
  EXPECT_EQ(squeeze::recordBytesTaken(), before);

  // Pooled arcs keep their addresses as the pool grows past a block; an
  // array made again after a clear has a block of its own.
  squeeze::RecordArray<SQLINE_item> lines;
  lines.assign(3);
  lines.clear();
  lines.assign(3);
  lines[2].loc = 7;
  squeeze::RecordPool<SQARC_item> arcs;
  std::vector<SQARC_item*> made;
  for (size_t i = 0; i < 2 * squeeze::RecordPool<SQARC_item>::kPerBlock + 5; ++i) {
    SQARC_item& a = arcs.emplace_back();
    a.weight = static_cast<int>(i);
    a.ori = &lines[i % 3];
    a.ter = i % 7 ? &lines[(i + 1) % 3] : nullptr;
    a.list_next = made.empty() ? nullptr : made.back();
    made.push_back(&a);
  }
  for (size_t i = 0; i < made.size(); ++i) {
    ASSERT_EQ(&arcs[i], made[i]);
    EXPECT_EQ(made[i]->weight, static_cast<int>(i));
    EXPECT_EQ(made[i]->ori, &lines[i % 3]);
    EXPECT_EQ(made[i]->ter, i % 7 ? &lines[(i + 1) % 3] : nullptr);
    EXPECT_EQ(made[i]->list_next, i ? made[i - 1] : nullptr);
  }
  SQLINE_item outside{};
  EXPECT_DEATH(arcs[0].ori = &outside, "outside its range");
}
