// Solving one direction: both longest paths, the choice of positions, the
// redundant arcs, the second solve, and the readable dumps of the graph.
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CXcapacitor.h"
#include "Dglobal.h"
#include "LXinductor.h"
#include "RXresistor.h"
#include "SQint.h"
#include "DUsize.h"
#include "SQsqueeze.h"

namespace {

constexpr int kDumpArcLimit = 200000;  // larger graphs are dumped as a header only

std::string reportPath(const char* stem, int direction, const char* suffix)
{
  return std::string(squeeze::kReportDir) + "/" + stem +
         (direction == TOP_BOTTOM ? "tb" : "lr") + suffix;
}

/* dump -- the current graph to resize_report/<stem><lr|tb><suffix>. */
void dump(const char* stem, const char* suffix)
{
  if (!squeeze::makeReportDir())
    return;
  SQprint_datastructure(reportPath(stem, resize_direction, suffix).c_str());
}

int floorMean(int a, int b) { return static_cast<int>((static_cast<long>(a) + b) >> 1); }

/*
 * meanOnGrid --
 *   The mean of two positions on the half grid, rounded down to it: the
 *   output keeps every box on the grid.
 */
int meanOnGrid(int a, int b)
{
  const long step = SCALE > 1 ? SCALE / 2 : 1;
  const long mean = floorMean(a, b);
  return static_cast<int>(mean >= 0 ? mean / step * step : -((-mean + step - 1) / step) * step);
}

/*
 * raiseToHold --
 *   The means of the two longest paths solve the graph, but each mean
 *   rounded down on its own can break an arc by a grid step: lines are
 *   raised where an arc asks more, until every arc holds.  No line rises
 *   above its max_loc (the latest positions solve the graph too).
 */
void raiseToHold()
{
  std::deque<SQLINE_item*> queue;
  squeeze::forEachLine([&](SQLINE_item* l) { queue.push_back(l); });
  while (!queue.empty()) {
    SQLINE_item* l = queue.front();
    queue.pop_front();
    for (SQARC_item* a = l->ori_next; a; a = a->ori_next)
      if (a->occupied == 1 && !a->sym && a->ter->loc < l->loc + a->weight) {
        a->ter->loc = l->loc + a->weight;
        queue.push_back(a->ter);
      }
  }
}

}  // namespace

/*
 * SQprint_datastructure --
 *   One block per cell: its layer and box, then each line with its
 *   positions and outgoing arcs.  Side effects: writes `path`.
 */
void SQprint_datastructure(const char* path)
{
  FILE* out = fopen(path, "w");
  if (!out) {
    common::outf("\n Can't open file %s for writing\n", path);
    return;
  }
  static char buffer[1 << 16];
  setvbuf(out, buffer, _IOFBF, sizeof buffer);
  fprintf(out, "# squeeze graph, direction %s: %d cells (%d axis), %d arcs\n",
          squeeze::directionName(resize_direction), SQcell_size, SQsymcell_size, SQarc_size);
  if (SQarc_size > kDumpArcLimit) {
    // Hundreds of megabytes that nobody reads, and seconds to write them.
    fprintf(out, "# more than %d arcs: the lines and arcs are not listed\n", kDumpArcLimit);
    fclose(out);
    return;
  }
  fprintf(out, "# line  loc  min_loc  max_loc  (outgoing arcs: -> line weight [row])\n");
  for (int i = 0; i < SQcell_size + SQsymcell_size; ++i) {
    const SQCELL_item& c = SQcell[i];
    fprintf(out, "cell %d %s (%d %d %d %d)\n", c.number, c.layername, c.corner.x1, c.corner.y1,
            c.corner.x2, c.corner.y2);
    for (const SQLINE_item* l : {c.left, c.right}) {
      if (!l)
        continue;
      fprintf(out, "  %s %d  %d  %d  %d :", l == c.left ? "L" : "R", l->number, l->loc,
              l->min_loc, l->max_loc);
      for (const SQARC_item* a = l->ori_next; a; a = a->ori_next)
        fprintf(out, " ->%d %d [%d]", a->ter->number, a->weight, a->rank);
      fputc('\n', out);
    }
  }
  for (const SQSYMARC_item* s = SQsymarc; s; s = s->next)
    fprintf(out, "sym [%d] %d + %d - %d - %d = %d\n", s->rank, s->ter1 ? s->ter1->number : 0,
            s->ter2 ? s->ter2->number : 0, s->ori1 ? s->ori1->number : 0,
            s->ori2 ? s->ori2->number : 0, s->arc ? s->arc->weight : 0);
  fclose(out);
}

namespace {

// SQboundbox; the arcs read from `given` where it holds the lists.
int boundBox(SQCELL_item* cells, int ncell, FILE* log, squeeze::ListedArcs* given)
{
  int longest = 0, reverse = 0;
  squeeze::longestPathsBothWays(cells, ncell, log, &longest, &reverse, given);
  if (longest != -reverse) {
    SQerrmessage("min_longest_path is not equal to max_longest_path", "SQboundbox");
    common::outf("min_longest_path (%i), max_longest_path (%i)\n", longest, reverse);
    if (squeeze::makeReportDir())
      SQprint_datastructure((std::string(squeeze::kReportDir) + "/sq_struct_e0.dat").c_str());
    squeeze::stop(0);
  }
  squeeze::forEachLine([&](SQLINE_item* l) { l->max_loc += longest; });
  return longest;
}

}  // namespace

int SQboundbox(SQCELL_item* cells, SQARC_item* /*arcs*/, int ncell, int /*narc*/, FILE* log)
{
  return boundBox(cells, ncell, log, nullptr);
}

int SQposition(int mode)
{
  if (mode == 4)
    mode = SQwirelengthminimization(SQcell, SQarc, SQcell_size + SQsymcell_size, SQarc_size);
  squeeze::forEachLine([&](SQLINE_item* l) {
    switch (mode) {
      case 2: l->loc = l->max_loc; break;
      case 3: l->loc = meanOnGrid(l->min_loc, l->max_loc); break;
      case 4: l->loc = l->wlm_loc; break;
      default: l->loc = l->min_loc; break;
    }
  });
  if (mode == 3)
    raiseToHold();
  return mode;
}

int SQmain_graph(AdjacencyArray* adj, _rhs_list* rows, int direction)
{
  if (direction == LEFT_RIGHT) {
    SQfree_all();
    if (PROCESS_INCLUDE_RESIZING > 0) {
      USdeletecontactlist();
      UScalc_cont_constraint();
      USreset_parameter();
    }
  }
  SQswitch_direction(direction, 1);
  if (SQinit(adj, rows) != 0)
    return 1;
  dump("sq_", "01.dat");
  if (PROCESS_INCLUDE_RESIZING > 0) {
    // The new sizes and contact rows are settled before the contacts make
    // room for their rows.
    if (direction == LEFT_RIGHT)
      USupdateparameter();
    USactivecontact(direction);
  }
  dump("sq_", "02.dat");
  return 0;
}

int SQmain_resize(AdjacencyArray* /*adj*/, _rhs_list* /*rows*/, int direction)
{
  SQswitch_direction(direction, 1);
  // The passive devices take their new geometry in the left-right pass and
  // hold it in both; then the transistors take theirs.
  // Inductors taken out by an earlier run of this layout come back even
  // with the setting off.
  if (PROCESS_INCLUDE_INDUCTOR == 1 || LXremoved()) {
    if (direction == LEFT_RIGHT && PROCESS_INCLUDE_INDUCTOR == 1)
      LXindGen();
    LXsetConstraint(direction);
  }
  if (PROCESS_INCLUDE_PASSIVE == 1) {
    if (direction == LEFT_RIGHT)
      CXcapGen();
    CXsetConstraint(direction);
    if (direction == LEFT_RIGHT)
      RXresGen();
    RXsetConstraint(direction);
  }
  if (PROCESS_INCLUDE_RESIZING > 0)
    UStransistor();
  if (PROCESS_INCLUDE_RESIZING > 0 && PROCESS_INCLUDE_TRANSISTOR_PARASITIC == 1)
    for (int i = 0; i < 3; ++i)
      common::outf("SQmain: Process include transistor parasitic should read parameter value "
                   "from array, but NOT YET CODED\n");
  dump("sq_", "03.dat");
  return 0;
}

int SQmain_solve(AdjacencyArray* /*adj*/, _rhs_list* /*rows*/, int direction)
{
  SQswitch_direction(direction, 1);
  const int ncell = SQcell_size + SQsymcell_size;
  if (direction == TOP_BOTTOM)
    squeeze::keepApartAfterLeftRight();
  // Only the symmetric core looks at the positions of this first pass:
  // without symmetry rows the lines stay leftmost until the second pass,
  // and the wire-length minimisation runs once, on the graph without its
  // redundant arcs.  The core needs none of its positions: it is begun
  // first, and lp_solve runs beside the first pass and the minimisation.
  const bool core = PROCESS_INCLUDE_SYMMETRY == 1 && SQsymarc;
  std::optional<squeeze::CoreAhead> early;
  if (core)
    early.emplace();
  std::unique_ptr<squeeze::RemovalPlan> plan;
  int width = 0;
  {
    // Beside lp_solve the first pass and the minimisation keep to one core.
    std::optional<common::OneThread> alone;
    if (early && early->solving())
      alone.emplace();
    const long yields = squeeze::stats().yields;
    {
      // The first forward run writes its trace into a log that is dropped
      // afterwards (it is the test pass: a graph that does not settle
      // stops there).
      struct Log {
        std::string path;
        FILE* file;
        ~Log()
        {
          if (!file)
            return;
          fclose(file);
          remove(path.c_str());
        }
      } trace{reportPath("bf_", direction, ".log"), nullptr};
      if (squeeze::makeReportDir())
        trace.file = fopen(trace.path.c_str(), "w");
      width = SQboundbox(SQcell, SQarc, ncell, SQarc_size, trace.file);
    }
    // Constraints that gave way changed the graph the core was begun on.
    if (squeeze::stats().yields != yields) {
      early.reset();
      alone.reset();
    }
    SQposition(core ? PROCESS_INCLUDE_WLM : 1);
    // While lp_solve is still at work, the removal of the redundant arcs
    // is worked out; the core then only links its symmetry arcs in front.
    // Should lp_solve end before half of it is, the removal is made after
    // the core as one.
    if (early && early->solving() && !early->solved())
      plan = squeeze::planRedundantArcs([&] { return early->solved(); });
  }
  if (core)
    SQcoreproblem();
  early.reset();
  dump("sq_", "04.dat");
  // A lighter parallel arc never bounds a longest path: unless the core
  // changed the graph, the second longest paths are the first ones.  They
  // take the arcs that stay as the removal lists them.
  squeeze::ListedArcs staying;
  squeeze::removeRedundantArcs(core ? &staying : nullptr, plan.get());
  plan.reset();
  if (core)
    width = boundBox(SQcell, ncell, nullptr, &staying);
  staying = squeeze::ListedArcs{};  // not taken: not held through the minimisation
  SQposition(PROCESS_INCLUDE_WLM);
  for (int i = 0; i < ncell; ++i) {
    SQCELL_item& c = SQcell[i];
    if (!c.left || !c.right)
      continue;
    if (direction == LEFT_RIGHT) {
      c.corner.x1 = c.left->loc;
      c.corner.x2 = c.right->loc;
    } else {
      c.corner.y1 = c.left->loc;
      c.corner.y2 = c.right->loc;
    }
  }
  dump("sq_", "05.dat");
  common::outf("\nSQ: Compaction %s direction done and updated.  Boundary width = %i\n",
               squeeze::directionName(direction), SCALE ? width / SCALE : width);
  SQfree_graph();
  return 0;
}
