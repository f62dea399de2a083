// The symmetric core: the lines tied by symmetry rows, reduced to a graph of
// their own, solved as an integer program by lp_solve, and fixed in the
// squeeze graph by the distances of the solution.
#include <sys/stat.h>
#include <sys/times.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "Dglobal.h"
#include "SQint.h"
#include "SQsqueeze.h"

SQLINE_item* SQcoreline = nullptr;
int SQcoreline_size = 0;
int SQcorearc_size = 0;
SQCELL_item* SQboundcell = nullptr;
SQARC_item* SQboundarc = nullptr;
int SQboundarc_size = 0;
FILE* fcore = nullptr;
FILE* fres = nullptr;

// What an integer program of the core is made of: the columns of the core
// lines in order, and the used core arcs in order of their rows (the
// symmetry rows come from SQsymarc).
struct CoreLp {
  struct Arc {
    int ori, ter, weight;  // columns, layout units
    bool operator==(const Arc& o) const
    {
      return ori == o.ori && ter == o.ter && weight == o.weight;
    }
  };
  std::vector<int> columns;
  std::vector<Arc> arcs;
  bool operator==(const CoreLp& o) const { return columns == o.columns && arcs == o.arcs; }
};

// The core begun ahead of the minimisation, and what it was begun from.
struct squeeze::CoreAhead::State {
  SQLINE_item boundLeft{}, boundRight{};  // stand-ins of the boundary lines
  std::vector<SQLINE_item*> copies;       // the core lines, as SQbuild_coregraph takes them
  std::vector<size_t> sources;            // their slots
  std::vector<unsigned char> ordinary;    // by slot, as the marks will make it
  std::unique_ptr<CorePaths> paths;
  std::vector<CorePaths::Joins> joins;    // of the sources, all settled
  bool taken = false;
  bool used = false;                      // its answers made the core graph
  // The program of the core, written to its file, and lp_solve on it.
  CoreLp lp;
  common::BackgroundCommand solver;
  std::string startDate;                  // what "date" said as it started
  bool filesOwned = false;                // the files are its own (not taken over)
};

namespace {

// The searches ahead that SQbuild_coregraph takes over, if any.
squeeze::CoreAhead::State* ahead = nullptr;

constexpr const char* kMpsFile = "SQcore_mps.file";
constexpr const char* kReportFile = "SQcore_mps.file.rpt";
constexpr int kUnreached = -10000;       // BMweight of a line not reached yet
constexpr int kUnreachedWave = -2;
constexpr int kBoundaryArcRank = -10;
constexpr int kSymArcRank = -5;
constexpr int kWidthWeight = 1000;       // objective weight of the core's width
constexpr int kDefaultTimeLimit = 60;    // seconds of lp_solve
constexpr int kTimeoutStatus = 124;      // exit status of timeout(1) on expiry

// What one core owns.
struct CoreState {
  std::unique_ptr<SQCELL_item> boundCell;
  squeeze::RecordArray<SQLINE_item> boundLines;
  squeeze::RecordArray<SQARC_item> boundArcs;
  squeeze::RecordArray<SQLINE_item> lines;
  squeeze::RecordPool<SQARC_item> arcs;  // grows when full; addresses stay
  int arcsUsed = 0;
  int timeLimitOverride = 0;
};
CoreState core;

void link(SQARC_item* a)
{
  a->ori_next = a->ori->ori_next;
  a->ori->ori_next = a;
  ++a->ori->no_ori;
  a->ter_next = a->ter->ter_next;
  a->ter->ter_next = a;
  ++a->ter->no_ter;
}

void unlink(SQARC_item* a)
{
  for (SQARC_link* p = &a->ori->ori_next; *p; p = &(*p)->ori_next)
    if (*p == a) {
      *p = a->ori_next;
      --a->ori->no_ori;
      break;
    }
  for (SQARC_link* p = &a->ter->ter_next; *p; p = &(*p)->ter_next)
    if (*p == a) {
      *p = a->ter_next;
      --a->ter->no_ter;
      break;
    }
}

bool isAxisCell(const SQCELL_item& c) { return c.layernumber == 201 || c.layernumber == 202; }

/* squeezeLine -- the squeeze line a core line copies. */
SQLINE_item* squeezeLine(const SQLINE_item* coreLine)
{
  SQCELL_item* c = coreLine->cell;
  return c->left && c->left->number == coreLine->number ? c->left : c->right;
}

int boundaryColumn() { return (SQcell_size + SQsymcell_size) * 2 + 1; }

int columnOf(const SQLINE_item* l)
{
  if (l->number == -10)
    return boundaryColumn();
  if (l->number == -11)
    return boundaryColumn() + 1;
  return l->number;
}

// Every line the wave expansion works on: the squeeze lines and the two
// boundary lines, with a dense index.
size_t lineSlot(const SQLINE_item* l)
{
  const size_t n = squeeze::store(resize_direction).lineCount;
  if (l->number == -10)
    return n;
  if (l->number == -11)
    return n + 1;
  return squeeze::lineIndex(l);
}

template <class F>
void forEachWaveLine(F f)
{
  squeeze::forEachLine(f);
  if (SQboundcell) {
    f(SQboundcell->left);
    f(SQboundcell->right);
  }
}

void releaseCore()
{
  core.boundArcs.clear();
  core.boundLines.clear();
  core.boundCell.reset();
  core.lines.clear();
  core.arcs.clear();
  core.arcsUsed = 0;
  SQcoreline = nullptr;
  SQboundcell = nullptr;
  SQboundarc = nullptr;
  SQcoreline_size = SQcorearc_size = SQboundarc_size = 0;
}

/* abandon -- drops the core and abandons the compaction (after the caller's message). */
[[noreturn]] void abandon()
{
  releaseCore();
  squeeze::stop(1);
}

/* markSymLines -- raises onsym on every line a symmetry record names. */
void markSymLines()
{
  for (SQSYMARC_item* s = SQsymarc; s; s = s->next)
    for (SQLINE_item* l : {s->ori1, s->ori2, s->ter1, s->ter2})
      if (l)
        l->onsym = 1;
}

bool anyWeightNonZero(const SQARC_item* a, bool outgoing)
{
  for (; a; a = outgoing ? a->ori_next : a->ter_next)
    if (a->weight != 0)
      return true;
  return false;
}

void addBoundaryArc(int& made, SQLINE_item* ori, SQLINE_item* ter)
{
  if (made >= static_cast<int>(core.boundArcs.size())) {
    ++made;
    return;
  }
  SQARC_item* a = &core.boundArcs[made++];
  a->occupied = 1;
  a->weight = 0;
  a->rank = kBoundaryArcRank;
  a->ori = ori;
  a->ter = ter;
  link(a);
}

/*
 * What SQdetect_core marks and links, worked out without changing the
 * graph: the lines tied to the boundary with their marks, the counts it
 * prints, and the boundary arcs in the order it makes them.
 */
struct CorePlan {
  std::vector<std::pair<SQLINE_item*, int8_t>> bound;  // a line and its onbound
  int leftb = 0, rightb = 0, corelines = 0;
  struct Tie {
    SQLINE_item* line;
    bool toRight;  // line -> right boundary, else left boundary -> line
  };
  std::vector<Tie> ties;
};

/* symLines -- the lines that markSymLines marks. */
std::unordered_set<const SQLINE_item*> symLines()
{
  std::unordered_set<const SQLINE_item*> named;
  for (const SQSYMARC_item* s = SQsymarc; s; s = s->next)
    for (const SQLINE_item* l : {s->ori1, s->ori2, s->ter1, s->ter2})
      if (l)
        named.insert(l);
  return named;
}

CorePlan planCore()
{
  CorePlan p;
  const std::unordered_set<const SQLINE_item*> named = symLines();
  auto onsym = [&named](const SQLINE_item* l) { return l->onsym > 0 || named.count(l) > 0; };
  // A cell's line without a weighted arc beyond it is tied to the boundary
  // on its side (1 left, 2 right); `mark` gets the onbound it will have.
  auto tie = [&](SQLINE_item* l, bool right, int8_t* mark) {
    *mark = l->onbound;
    if (!anyWeightNonZero(right ? l->ori_next : l->ter_next, right)) {
      *mark = right ? 2 : 1;
      p.bound.emplace_back(l, *mark);
      ++(right ? p.rightb : p.leftb);
    }
    if (onsym(l))
      ++p.corelines;
  };
  std::vector<std::pair<int8_t, int8_t>> marks(static_cast<size_t>(std::max(SQcell_size, 0)));
  for (int i = 0; i < SQcell_size; ++i) {
    if (SQcell[i].left)
      tie(SQcell[i].left, false, &marks[i].first);
    if (SQcell[i].right)
      tie(SQcell[i].right, true, &marks[i].second);
  }
  for (int i = SQcell_size; i < SQcell_size + SQsymcell_size; ++i)
    for (SQLINE_item* l : {SQcell[i].left, SQcell[i].right})
      if (l) {
        p.bound.emplace_back(l, 3);
        ++p.leftb;
        ++p.rightb;
        ++p.corelines;
      }
  for (int i = 0; i < SQcell_size; ++i) {
    const SQCELL_item& c = SQcell[i];
    if (c.left && marks[i].first == 1)
      p.ties.push_back({c.left, false});
    if (c.right && marks[i].second == 2)
      p.ties.push_back({c.right, true});
  }
  for (int i = SQcell_size; i < SQcell_size + SQsymcell_size; ++i) {
    const SQCELL_item& c = SQcell[i];
    if (!isAxisCell(c) || !c.left)
      continue;
    p.ties.push_back({c.left, false});
    p.ties.push_back({c.left, true});
    if (c.layernumber == 202 && c.right) {
      p.ties.push_back({c.right, false});
      p.ties.push_back({c.right, true});
    }
  }
  return p;
}

/*
 * coreSources -- the core lines in the order of the core graph's lines:
 * the marked lines of the cells, the lines of the symmetry cells, the two
 * boundary lines (`left`, `right`).
 */
template <class OnSym>
std::vector<SQLINE_item*> coreSources(SQLINE_item* left, SQLINE_item* right, OnSym onsym)
{
  std::vector<SQLINE_item*> copies;
  for (int i = 0; i < SQcell_size; ++i)
    for (SQLINE_item* l : {SQcell[i].left, SQcell[i].right})
      if (l && onsym(l))
        copies.push_back(l);
  for (int i = SQcell_size; i < SQcell_size + SQsymcell_size; ++i)
    for (SQLINE_item* l : {SQcell[i].left, SQcell[i].right})
      if (l)
        copies.push_back(l);
  copies.push_back(left);
  copies.push_back(right);
  return copies;
}

/*
 * searchAhead -- the graph as SQdetect_core will leave it (the boundary
 * lines stood in for), read into the searches' own arrays, and the
 * searches from every core line on two threads.  Returns: whether they
 * can stand for the searches in place (the graph was read and every
 * search settled).
 */
bool searchAhead(squeeze::CoreAhead::State* s)
{
  using squeeze::CorePaths;
  const size_t n = squeeze::store(resize_direction).lineCount;
  s->boundLeft.number = s->boundLeft.onbound = -10;
  s->boundRight.number = s->boundRight.onbound = -11;
  std::vector<SQLINE_item*> bySlot(n + 2, nullptr);
  squeeze::forEachLine([&](SQLINE_item* l) {
    if (lineSlot(l) < bySlot.size())
      bySlot[lineSlot(l)] = l;
  });
  bySlot[n] = &s->boundLeft;
  bySlot[n + 1] = &s->boundRight;
  const CorePlan plan = planCore();
  std::vector<CorePaths::Extra> extra;
  for (const CorePlan::Tie& t : plan.ties) {
    const auto at = static_cast<uint32_t>(lineSlot(t.line));
    extra.push_back(t.toRight ? CorePaths::Extra{at, static_cast<uint32_t>(n + 1)}
                              : CorePaths::Extra{static_cast<uint32_t>(n), at});
  }
  CorePaths::Graph g = CorePaths::graphOf(bySlot, lineSlot, extra);
  const std::unordered_set<const SQLINE_item*> named = symLines();
  auto onsym = [&named](const SQLINE_item* l) { return l->onsym > 0 || named.count(l) > 0; };
  for (const auto& [line, mark] : plan.bound)
    if (lineSlot(line) < g.ordinary.size())
      g.ordinary[lineSlot(line)] = !onsym(line);
  for (const SQLINE_item* l : named)
    if (lineSlot(l) < g.ordinary.size())
      g.ordinary[lineSlot(l)] = 0;
  s->ordinary = g.ordinary;
  s->copies = coreSources(&s->boundLeft, &s->boundRight, onsym);
  for (const SQLINE_item* l : s->copies)
    s->sources.push_back(lineSlot(l));
  s->paths = std::make_unique<CorePaths>(std::move(g));
  if (!s->paths->usable())
    return false;
  s->joins = s->paths->joinAll(s->sources, s->sources);
  for (const CorePaths::Joins& j : s->joins)
    if (!j.settled)
      return false;
  return true;
}

/*
 * takeAhead -- the searches ahead, when they were made from the graph as
 * it now is (core lines `slots`, lines `bySlot`); else null.
 */
squeeze::CoreAhead::State* takeAhead(const std::vector<size_t>& slots,
                                     const std::vector<SQLINE_item*>& bySlot)
{
  squeeze::CoreAhead::State* a = ahead;
  if (!a || a->taken)
    return nullptr;
  a->taken = true;
  bool fits = a->paths && a->joins.size() == slots.size() && a->sources == slots &&
              a->ordinary.size() == bySlot.size();
  for (size_t k = 0; fits && k < bySlot.size(); ++k)
    if (bySlot[k] && (bySlot[k]->onsym == 0 && bySlot[k]->onbound >= 0) != (a->ordinary[k] != 0))
      fits = false;
  a->used = fits;
  return fits ? a : nullptr;
}

// The array grows as arcs are made (it is SQcorearc_size long on paper:
// the arcs of the whole graph, of which the core uses a few hundred).
SQARC_item* newCoreArc()
{
  if (core.arcsUsed >= static_cast<int>(core.arcs.size())) {
    if (core.arcsUsed == SQcorearc_size)
      common::outf("WARNING: core arcs created more than SQcorearc_size original\n");
    core.arcs.emplace_back();
  }
  SQARC_item* a = &core.arcs[core.arcsUsed++];
  *a = SQARC_item{};
  return a;
}

// The lines from which the source reaches a line along a longest path
// without passing another core line or a boundary line (see
// SQcorebacktrackwave), computed for every line at once in wave order.
std::vector<char> reachable;
const SQLINE_item* reachableFrom = nullptr;

bool ordinary(const SQLINE_item* l) { return l->onsym == 0 && l->onbound >= 0; }

bool tight(const SQLINE_item* p, const SQARC_item* a, const SQLINE_item* t)
{
  return p->BMwave != kUnreachedWave && p->BMweight == t->BMweight - a->weight &&
         p->BMwave == t->BMwave - 1;
}

/* computeReachable -- reachable[] for the last expansion from `source`. */
void computeReachable(const SQLINE_item* source)
{
  std::vector<SQLINE_item*> byWave;
  forEachWaveLine([&](SQLINE_item* l) {
    if (l->BMwave > 0)
      byWave.push_back(l);
  });
  std::stable_sort(byWave.begin(), byWave.end(),
                   [](const SQLINE_item* a, const SQLINE_item* b) { return a->BMwave < b->BMwave; });
  const size_t n = squeeze::store(resize_direction).lineCount + 2;
  reachable.assign(n, 0);
  for (SQLINE_item* l : byWave) {
    if (!ordinary(l))
      continue;
    for (const SQARC_item* a = l->ter_next; a; a = a->ter_next) {
      const SQLINE_item* p = a->ori;
      if (tight(p, a, l) && (p == source || (ordinary(p) && reachable[lineSlot(p)]))) {
        reachable[lineSlot(l)] = 1;
        break;
      }
    }
  }
  reachableFrom = source;
}

/*
 * quietTimeLimit -- the time limit of lp_solve into `limit`, when the
 * system source file gives a sound one or none; false (the round trip
 * then reports it) otherwise.
 */
bool quietTimeLimit(int* limit)
{
  if (core.timeLimitOverride > 0) {
    *limit = core.timeLimitOverride;
    return true;
  }
  const char* sysrc = getenv("SYSRC");
  const char* word = sysrc && access(sysrc, R_OK) == 0 ? GCfindName("LpTimeLimit") : nullptr;
  if (!word) {
    *limit = kDefaultTimeLimit;
    return true;
  }
  char* end = nullptr;
  const long v = strtol(word, &end, 10);
  if (*end != '\0' || v <= 0 || v > 86400)
    return false;
  *limit = static_cast<int>(v);
  return true;
}

int readTimeLimit()
{
  int limit = 0;
  if (quietTimeLimit(&limit))
    return limit;
  GCmessage(0, 'W', "LpTimeLimit %s in the system source file is not a number of seconds "
            "from 1 to 86400: %d is used", GCfindName("LpTimeLimit"), kDefaultTimeLimit);
  return kDefaultTimeLimit;
}

void printBanner()
{
  common::outf("********************************\n");
  common::outf("*** CORE LP CANNOT BE SOLVED ***\n");
  common::outf("********************************\n");
}

}  // namespace

namespace squeeze {

void setLpTimeLimit(int seconds) { core.timeLimitOverride = seconds > 0 ? seconds : 0; }
int lpTimeLimit() { return readTimeLimit(); }
int coreArcCount() { return core.arcsUsed; }
SQARC_item* coreArc(int i) { return &core.arcs[static_cast<size_t>(i)]; }

/*
 * readCoreReport --
 *   Reads lp_solve's standard output: the values of the variables by their
 *   column names ("X<column>").  Returns: 0 with `values` filled; 1 with a
 *   message in `error` when the problem has no solution, the report is not
 *   one of a solved problem, or a value is not a whole number as printed.
 */
int readCoreReport(const std::string& text, std::unordered_map<int, long>* values,
                   std::string* error)
{
  values->clear();
  size_t pos = 0;
  bool inValues = false;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos)
      end = text.size();
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line == "This problem is infeasible") {
      *error = "the problem is infeasible";
      return 1;
    }
    if (line == "This problem is unbounded") {
      *error = "the problem is unbounded";
      return 1;
    }
    if (line.rfind("Actual values of the variables", 0) == 0) {
      inValues = true;
      continue;
    }
    if (!inValues)
      continue;
    if (line.empty() || line.rfind("Actual values of the constraints", 0) == 0 ||
        line.rfind("Dual value", 0) == 0)
      break;
    char name[64], value[64], extra[8];
    if (sscanf(line.c_str(), "%63s %63s %7s", name, value, extra) != 2 || name[0] != 'X') {
      *error = "unexpected line in the variable values: \"" + line + "\"";
      return 1;
    }
    char* stop = nullptr;
    errno = 0;
    const long column = strtol(name + 1, &stop, 10);
    if (*stop != '\0' || column <= 0 || errno) {
      *error = std::string("unexpected variable name ") + name;
      return 1;
    }
    if (strpbrk(value, "eE")) {
      *error = std::string("the value ") + value + " of " + name +
               " is printed with lost precision";
      return 1;
    }
    errno = 0;
    const long v = strtol(value, &stop, 10);
    if (*stop != '\0' || errno || stop == value) {
      *error = std::string("the value ") + value + " of " + name + " is not a whole number";
      return 1;
    }
    (*values)[static_cast<int>(column)] = v;
  }
  if (!inValues) {
    *error = text.empty() ? "the report is empty" : "the report holds no variable values";
    return 1;
  }
  return 0;
}

void releaseCoreGraph() { releaseCore(); }

}  // namespace squeeze

/*
 * SQdetect_core --
 *   Marks the lines tied to the boundary and the core lines, counts them,
 *   and ties the marked lines to a new boundary cell by arcs of weight 0.
 */
void SQdetect_core()
{
  markSymLines();
  const CorePlan plan = planCore();
  for (const auto& [line, mark] : plan.bound)
    line->onbound = mark;
  const int leftb = plan.leftb, rightb = plan.rightb, corelines = plan.corelines;
  SQcoreline_size = corelines + 2;
  SQcorearc_size = SQarc_size + SQcoreline_size;
  SQboundarc_size = leftb + rightb;
  common::outf("  SQcore: Mark coreline done -> create boundary cell\n");
  common::outf("  SQcore: SQcoreline_size = %i, SQcorearc_size = %i, leftb = %i, rightb = %i\n",
               SQcoreline_size, SQcorearc_size, leftb, rightb);

  core.boundCell.reset(new SQCELL_item());
  SQboundcell = core.boundCell.get();
  SQboundcell->layername = "BOUND";
  SQboundcell->layernumber = 203;
  core.boundLines.assign(2);
  SQboundcell->left = &core.boundLines[0];
  SQboundcell->right = &core.boundLines[1];
  SQboundcell->left->cell = SQboundcell->right->cell = SQboundcell;
  SQboundcell->left->number = SQboundcell->left->onbound = -10;
  SQboundcell->right->number = SQboundcell->right->onbound = -11;
  core.boundArcs.assign(static_cast<size_t>(SQboundarc_size));
  SQboundarc = core.boundArcs.empty() ? nullptr : core.boundArcs.data();

  SQLINE_item *bl = SQboundcell->left, *br = SQboundcell->right;
  int made = 0;
  for (const CorePlan::Tie& t : plan.ties)
    t.toRight ? addBoundaryArc(made, t.line, br) : addBoundaryArc(made, bl, t.line);
  if (made != SQboundarc_size)
    common::outf("ERROR: Number of boundarc added is less than detected (j=%i,barc=%i)!!!\n",
                 made, SQboundarc_size);
  common::outf("  SQcore: create boundary cell done -> return to core main procedure\n");
}

/*
 * SQcoreexpandwave --
 *   Longest distances from `source` over the whole squeeze graph and the
 *   boundary, in waves; BMweight and BMwave of every line.  A graph that
 *   does not settle abandons the compaction after its report.
 */
void SQcoreexpandwave(SQLINE_item* source)
{
  forEachWaveLine([](SQLINE_item* l) {
    l->BMweight = kUnreached;
    l->BMwave = kUnreachedWave;
  });
  source->BMweight = 0;
  source->BMwave = 0;
  // A longest path passes each line at most once: as many waves as lines
  // (not cells, which a row of abutting boxes outgrows) settle any graph
  // without a positive cycle.
  const size_t n = squeeze::store(resize_direction).lineCount + 2;
  const int limit = static_cast<int>(n) + 100;
  std::vector<int> queued(n, -1);  // wave a line was last put into
  std::vector<SQLINE_item*> wave{source}, next;
  for (int k = 1; !wave.empty(); ++k) {
    if (k > limit) {
      SQerrmessage("Constraint core graph is not settled in BF (wavefront > |LINE+1|), check "
                   "resize_report/core_wavefront.rpt",
                   "SQcoreexpandwave");
      abandon();
    }
    for (SQLINE_item* a : wave)
      a->BMprevweight = a->BMweight;
    next.clear();
    for (SQLINE_item* a : wave)
      for (SQARC_item* arc = a->ori_next; arc; arc = arc->ori_next) {
        SQLINE_item* t = arc->ter;
        if (a->BMprevweight + arc->weight <= t->BMweight)
          continue;
        t->BMweight = a->BMprevweight + arc->weight;
        t->BMwave = k;
        size_t slot = lineSlot(t);
        if (queued[slot] != k) {
          queued[slot] = k;
          next.push_back(t);
        }
      }
    wave.swap(next);
  }
  reachableFrom = nullptr;
}

/*
 * SQcorebacktrackwave --
 *   Returns: 1 when a longest path of the last expansion from `source`
 *   reaches `target` through ordinary lines only, else 0.
 */
int SQcorebacktrackwave(SQLINE_item* source, SQLINE_item* target)
{
  if (reachableFrom != source)
    computeReachable(source);
  for (const SQARC_item* a = target->ter_next; a; a = a->ter_next) {
    const SQLINE_item* p = a->ori;
    if (!tight(p, a, target))
      continue;
    if (p == source || (ordinary(p) && reachable[lineSlot(p)]))
      return 1;
  }
  return 0;
}

namespace {

/*
 * makeCoreArcs -- the arcs of the core graph between the core lines
 * `copies`, as make(i, j, weight) in the order they are made: from each
 * line to each other one, a negative arc of the squeeze graph between
 * them as it is (of several, the last in the list), else the longest
 * distance when a longest path joins them directly.  The answers are the
 * quick ones of `joins`, or the waves' for a source that did not settle.
 */
template <class Make>
void makeCoreArcs(const std::vector<SQLINE_item*>& copies,
                  const std::vector<squeeze::CorePaths::Joins>& joins, Make make)
{
  // The negative arcs into each core line, in the order of its list.
  std::vector<std::vector<const SQARC_item*>> negativeIn(copies.size());
  for (size_t j = 0; j < copies.size(); ++j)
    for (const SQARC_item* a = copies[j]->ter_next; a; a = a->ter_next)
      if (a->weight < 0)
        negativeIn[j].push_back(a);
  for (size_t i = 0; i < copies.size(); ++i) {
    SQLINE_item* s = copies[i];
    const squeeze::CorePaths::Joins& quick = joins[i];
    if (!quick.settled)
      SQcoreexpandwave(s);
    size_t next = 0;  // of quick.targets, in order of j
    for (size_t j = 0; j < copies.size(); ++j) {
      const bool joinedQuick = next < quick.targets.size() && quick.targets[next] == j;
      if (joinedQuick)
        ++next;
      if (j == i)
        continue;
      SQLINE_item* t = copies[j];
      bool found = false;
      int weight = 0;
      for (const SQARC_item* a : negativeIn[j])
        if (a->ori == s) {
          found = true;
          weight = a->weight;
        }
      if (!found && (quick.settled ? joinedQuick : SQcorebacktrackwave(s, t) != 0)) {
        found = true;
        weight = quick.settled ? quick.weights[next - 1] : t->BMweight;
      }
      if (found)
        make(i, j, weight);
    }
  }
}

}  // namespace

/*
 * SQbuild_coregraph --
 *   The core lines (sym lines, axis lines, boundary lines) and the arcs
 *   between them: a negative arc of the squeeze graph as it is, else the
 *   longest distance when a longest path joins them directly.
 */
void SQbuild_coregraph()
{
  core.lines.assign(static_cast<size_t>(SQcoreline_size));
  core.arcs.clear();
  core.arcsUsed = 0;
  common::outf("  SQcore: build core graph , start from sym line\n");
  const std::vector<SQLINE_item*> copies = coreSources(
      SQboundcell->left, SQboundcell->right, [](const SQLINE_item* l) { return l->onsym != 0; });
  if (static_cast<int>(copies.size()) != SQcoreline_size)
    common::outf("WARNING: SQcoreline_size is not equal to the one detected:  j = %i, coreline = "
                 "%i\n",
                 static_cast<int>(copies.size()), SQcoreline_size);
  core.lines.resize(copies.size());
  SQcoreline_size = static_cast<int>(copies.size());
  for (size_t i = 0; i < copies.size(); ++i) {
    SQLINE_item& c = core.lines[i];
    c.cell = copies[i]->cell;
    c.number = copies[i]->number;
    c.onsym = copies[i]->onsym;
    c.onbound = copies[i]->onbound;
  }
  SQcoreline = core.lines.data();
  common::outf("  SQcore: build core graph done -> make reduced constraint graph (add arcs)\n");

  // The lines by slot, for the longest paths of every source.
  std::vector<SQLINE_item*> bySlot(squeeze::store(resize_direction).lineCount + 2, nullptr);
  forEachWaveLine([&](SQLINE_item* l) {
    if (lineSlot(l) < bySlot.size())
      bySlot[lineSlot(l)] = l;
  });
  // The quick answers of every source at once (made ahead, or now); the
  // waves where the quick search cannot answer (they report a positive
  // cycle), in order.
  std::vector<size_t> slots;
  for (SQLINE_item* l : copies)
    slots.push_back(lineSlot(l));
  std::unique_ptr<squeeze::CorePaths> own;
  squeeze::CorePaths* paths;
  std::vector<squeeze::CorePaths::Joins> joins;
  if (squeeze::CoreAhead::State* a = takeAhead(slots, bySlot)) {
    paths = a->paths.get();
    joins = std::move(a->joins);
  } else {
    own = std::make_unique<squeeze::CorePaths>(bySlot, lineSlot);
    paths = own.get();
    joins = paths->usable() ? paths->joinAll(slots, slots)
                            : std::vector<squeeze::CorePaths::Joins>(copies.size());
  }
  makeCoreArcs(copies, joins, [](size_t i, size_t j, int weight) {
    SQARC_item* a = newCoreArc();
    a->occupied = 1;
    a->weight = weight;
    a->rank = core.arcsUsed - 1;
    a->ori = &core.lines[i];
    a->ter = &core.lines[j];
    link(a);
  });
  // The lines keep the last expansion, as the waves leave it.
  if (!copies.empty() && joins.back().settled && paths->expand(slots.back()))
    paths->store(bySlot);
  SQcorearc_size = std::max(SQcorearc_size, static_cast<int>(core.arcs.size()));
  common::outf("  SQcore: build core graph done -> return to core main procedure\n");
}

namespace {

/* coreLpOf -- what the program of the core graph `c` is made of. */
CoreLp coreLpOf(const CoreState& c)
{
  CoreLp lp;
  for (const SQLINE_item& l : c.lines)
    lp.columns.push_back(columnOf(&l));
  for (int i = 0; i < c.arcsUsed; ++i) {
    const SQARC_item& a = c.arcs[static_cast<size_t>(i)];
    lp.arcs.push_back({columnOf(a.ori), columnOf(a.ter), a.weight});
  }
  return lp;
}

/*
 * coreModel -- the integer program of the core: one G row per core arc
 * (from row 2), one E row per symmetry record after them, the width of the
 * core (and the mirrored pairs) as the objective, the left boundary fixed
 * at 0.  A line named more than once in a row gets the sum of its terms.
 */
squeeze::MpsModel coreModel(const CoreLp& c)
{
  const int used = static_cast<int>(c.arcs.size());
  squeeze::MpsModel lp;
  lp.addRow('N', 1);
  for (int i = 0; i < used; ++i)
    lp.addRow('G', i + 2);
  int syms = 0;
  for (const SQSYMARC_item* s = SQsymarc; s; s = s->next)
    lp.addRow('E', used + 2 + syms++);
  for (int col : c.columns)
    lp.addColumn(col);
  // Each arc row reads x(ter) - x(ori) >= weight.
  for (int i = 0; i < used; ++i) {
    lp.addEntry(c.arcs[i].ori, i + 2, -1);
    lp.addEntry(c.arcs[i].ter, i + 2, 1);
  }
  // The symmetry records name squeeze lines, whose column is their number.
  auto same = [](const SQLINE_item* a, int col) { return a && a->number == col; };
  for (int col : c.columns) {
    if (col == boundaryColumn()) {
      lp.addEntry(col, 1, -kWidthWeight);
      continue;
    }
    if (col == boundaryColumn() + 1) {
      lp.addEntry(col, 1, kWidthWeight);
      continue;
    }
    int rank = used + 2;
    for (const SQSYMARC_item* s = SQsymarc; s; s = s->next, ++rank) {
      // x(ter1) + x(ter2) - x(ori1) - x(ori2) = 0, term by term.
      const int coeff =
          same(s->ter1, col) + same(s->ter2, col) - same(s->ori1, col) - same(s->ori2, col);
      if (coeff)
        lp.addEntry(col, rank, coeff);
      const int objective = same(s->ter1, col) - same(s->ter2, col);
      if (s->ori1 && s->ori1 == s->ori2 && objective)
        lp.addEntry(col, 1, objective);
    }
  }
  for (int i = 0; i < used; ++i) {
    const int w = c.arcs[i].weight;
    int steps = SCALE ? w / SCALE : w;
    if (SCALE && w % SCALE != 0 && w > 0)
      ++steps;  // whole grid steps that still keep the distance
    lp.setRhs(i + 2, steps);
  }
  for (int k = 0; k < syms; ++k)
    lp.setRhs(used + 2 + k, 0);
  lp.fixColumn(boundaryColumn(), 0);
  return lp;
}

}  // namespace

/*
 * SQbuild_corelp --
 *   Writes the core as an integer program in MPS to `fcore`: one G row per
 *   core arc, one E row per symmetry record, the width of the core (and
 *   the mirrored pairs) as the objective, the left boundary fixed at 0.
 *   A line named more than once in a row gets the sum of its terms.
 * Returns: 0, or 1 after a message when the model would not be a file
 *   lp_solve reads (nothing is written then).
 */
int SQbuild_corelp()
{
  const int used = core.arcsUsed;
  for (int i = 0; i < used; ++i)
    core.arcs[i].rank = i + 2;
  int syms = 0;
  for (SQSYMARC_item* s = SQsymarc; s; s = s->next)
    s->rank = used + 2 + syms++;
  common::outf(" SQcorelpbuild: SQcorearc_use = %i (%i), SQcoresymarc = %i (%i)\n", used, used + 2,
               syms, syms + 2);
  for (int i = 0; i < used; ++i) {
    const SQARC_item& a = core.arcs[i];
    if (SCALE && a.weight % SCALE != 0)
      common::outf("***\n***\n SQCORE ERROR: The corearc weight (%i) between (l%i l%i) is not "
                   "divisible by SCALE (%i)\n***\n***\n",
                   a.weight, a.ori->number, a.ter->number, SCALE);
  }
  // Without a stream the file was written ahead, of this very program.
  std::string error;
  if (fcore && coreModel(coreLpOf(core)).write(fcore, &error) != 0) {
    GCmessage(0, 'E', "The core LP of the symmetric pairs cannot be written: %s", error.c_str());
    return 1;
  }
  common::outf("  SQcore: build lp file done -> return to main core procedure\n");
  return 0;
}

/*
 * SQread_corelp --
 *   Reads lp_solve's report from `fres` into the core lines and the squeeze
 *   lines they copy (BMweight, in layout units).  Returns: 0, or 1 after
 *   the banner and a message when there is no usable solution.
 */
int SQread_corelp()
{
  std::string text;
  char buffer[4096];
  size_t n;
  while (fres && (n = fread(buffer, 1, sizeof buffer, fres)) > 0)
    text.append(buffer, n);
  std::unordered_map<int, long> values;
  std::string error;
  if (squeeze::readCoreReport(text, &values, &error) != 0) {
    printBanner();
    GCmessage(0, 'E', "The core LP of the symmetric pairs has no usable solution: %s",
              error.c_str());
    return 1;
  }
  const int lastLineColumn = (SQcell_size + SQsymcell_size) * 2;
  for (SQLINE_item& l : core.lines) {
    const int col = columnOf(&l);
    auto it = values.find(col);
    if (it == values.end()) {
      printBanner();
      GCmessage(0, 'E', "The core LP report has no value for X%d", col);
      return 1;
    }
    if (col > lastLineColumn)
      continue;
    const long v = it->second * (SCALE ? SCALE : 1);
    if (v > 1073741823L || v < -1073741823L) {
      printBanner();
      GCmessage(0, 'E', "The core LP value %ld of X%d is out of the layout's range", it->second,
                col);
      return 1;
    }
    l.BMweight = static_cast<int>(v);
    squeezeLine(&l)->BMweight = l.BMweight;
  }
  common::outf("  SQcore: read and update lp file done -> return to main core procedure\n");
  return 0;
}

/*
 * SQextract_sym --
 *   Every symmetry record becomes four fixed-distance arcs (two pairs of
 *   opposite arcs) that hold the solved distances of its lines.
 */
void SQextract_sym()
{
  for (SQSYMARC_item* s = SQsymarc; s; s = s->next) {
    if (!s->ori1 || !s->ori2 || !s->ter1 || !s->ter2 || !s->arc2 || !s->arc3 || !s->arc4)
      continue;
    SQLINE_item *a = s->ori1, *b = s->ori2;
    if (s->ori2->loc < s->ori1->loc)
      std::swap(a, b);
    SQLINE_item *c = s->ter1, *d = s->ter2;
    if (!isAxisCell(*s->ter1->cell) && s->ter1->loc > s->ter2->loc)
      std::swap(c, d);
    const int dist = b->BMweight - d->BMweight;
    const struct {
      SQARC_item* arc;
      SQLINE_item *ori, *ter;
      int weight;
    } set[] = {{s->arc, a, c, dist}, {s->arc2, c, a, -dist}, {s->arc3, d, b, dist},
               {s->arc4, b, d, -dist}};
    for (const auto& e : set) {
      e.arc->occupied = 1;
      e.arc->ori = e.ori;
      e.arc->ter = e.ter;
      e.arc->weight = e.weight;
      e.arc->rank = kSymArcRank;
      link(e.arc);
    }
  }
  common::outf("  SQcore: extract symmetry constraint done -> return to main core procedure\n");
}

/*
 * SQfree_coregraph --
 *   Unlinks the boundary arcs, releases the core and the boundary cell and
 *   moves the LP and its report into the report folder.
 */
void SQfree_coregraph()
{
  for (SQARC_item& a : core.boundArcs)
    if (a.ori && a.ter)
      unlink(&a);
  forEachWaveLine([](SQLINE_item* l) {
    if (l->cell != SQboundcell)
      l->onbound = 0;
  });
  releaseCore();
  const char* suffix = resize_direction == TOP_BOTTOM ? "_TB" : "_LR";
  if (squeeze::makeReportDir()) {
    const std::string dir = squeeze::kReportDir;
    common::runCommand({"mv", kMpsFile, dir + "/SQcore_mps" + suffix + ".file"});
    common::runCommand({"mv", kReportFile, dir + "/SQcore_mps" + suffix + ".file.rpt"});
  }
  common::outf("  SQcore: clear lp file done -> return to main core procedure\n");
}

/*
 * SQcoreproblem --
 *   The round trip of the current direction: core, MPS file, lp_solve
 *   (within the time limit), solution, symmetry arcs.  Anything that
 *   leaves the core without a solution abandons the compaction.
 */
namespace {

/* sampleCpu -- user and system CPU time of the process, clock ticks; marks the sample valid. */
void sampleCpu(int* user, int* system, int* valid)
{
  struct tms t;
  times(&t);
  *user = static_cast<int>(t.tms_utime);
  *system = static_cast<int>(t.tms_stime);
  *valid = 1;
}

}  // namespace

void SQcoreproblem()
{
  if (TIME_REPORT) {
    if (resize_direction == LEFT_RIGHT)
      sampleCpu(&SQCORE_START_HOR_u, &SQCORE_START_HOR_s, &SQCORE_START_HOR_valid);
    else
      sampleCpu(&SQCORE_START_VER_u, &SQCORE_START_VER_s, &SQCORE_START_VER_valid);
  }
  SQdetect_core();
  SQbuild_coregraph();
  // lp_solve may be at work already on the file of this very program,
  // begun ahead of the minimisation; any other is ended.
  squeeze::CoreAhead::State* early = ahead;
  if (early && early->filesOwned) {
    early->filesOwned = false;
    if (!early->solver.running() || !(early->lp == coreLpOf(core))) {
      early->solver.stop();
      early = nullptr;
    }
  } else {
    early = nullptr;
  }
  if (!early) {
    fcore = fopen(kMpsFile, "w");
    if (!fcore) {
      common::outf("\n Can't open file SQcore_mps.file");
      GCmessage(0, 'E', "Can't open file SQcore_mps.file for writing");
      abandon();
    }
  }
  if (SQbuild_corelp() != 0) {
    fclose(fcore);
    fcore = nullptr;
    abandon();
  }
  if (fcore) {
    const bool written = fflush(fcore) == 0 && !ferror(fcore);
    fclose(fcore);
    fcore = nullptr;
    if (!written) {
      GCmessage(0, 'E', "Can't write file SQcore_mps.file");
      abandon();
    }
  }
  common::outf("\nCore problem start and end time\n");
  if (early)
    common::outText(early->startDate.c_str());
  else
    common::runCommand({"date"});
  common::outf("\n");
  const int limit = readTimeLimit();
  const int status =
      early ? early->solver.wait()
            : common::runCommandFiles({"timeout", std::to_string(limit), "lp_solve", "-mps",
                                       "-time"},
                                      kMpsFile, kReportFile);
  common::outf("\n");
  common::runCommand({"date"});
  common::outf("\n");
  common::outf("  SQcore: lp_solve done\n");
  if (status == kTimeoutStatus || status == -1 || status == 127 || status == 255) {
    printBanner();
    if (status == kTimeoutStatus)
      GCmessage(0, 'E', "lp_solve did not finish within %d s (LpTimeLimit): the resize fails",
                limit);
    else if (status == 255)
      GCmessage(0, 'E', "lp_solve could not read SQcore_mps.file");
    else
      GCmessage(0, 'E', "lp_solve could not be run (is the lp-solve package installed?)");
    abandon();
  }
  fres = fopen(kReportFile, "r");
  if (!fres) {
    common::outf("\n Can't open file SQcore_mps.file.rpt");
    GCmessage(0, 'E', "Can't open file SQcore_mps.file.rpt");
    abandon();
  }
  const int failed = SQread_corelp();
  fclose(fres);
  fres = nullptr;
  if (failed)
    abandon();
  SQextract_sym();
  SQfree_coregraph();
  if (TIME_REPORT) {
    if (resize_direction == LEFT_RIGHT)
      sampleCpu(&SQCORE_STOP_HOR_u, &SQCORE_STOP_HOR_s, &SQCORE_STOP_HOR_valid);
    else
      sampleCpu(&SQCORE_STOP_VER_u, &SQCORE_STOP_VER_s, &SQCORE_STOP_VER_valid);
  }
}

namespace squeeze {

CoreAhead::CoreAhead() : state_(std::make_unique<State>())
{
  State& s = *state_;
  bool settled = false;
  try {
    settled = searchAhead(&s);
  } catch (const std::exception&) {
    s.paths.reset();  // the core searches when it comes
  }
  ahead = state_.get();
  // The program from the answers, as SQbuild_coregraph and SQbuild_corelp
  // will make it, and lp_solve on its file; nothing is printed.  Whatever
  // stands in the way leaves it to the round trip.
  int limit = 0;
  if (!settled || !quietTimeLimit(&limit))
    return;
  try {
    for (const SQLINE_item* l : s.copies)
      s.lp.columns.push_back(columnOf(l));
    makeCoreArcs(s.copies, s.joins, [&s](size_t i, size_t j, int weight) {
      s.lp.arcs.push_back({s.lp.columns[i], s.lp.columns[j], weight});
    });
    FILE* f = fopen(kMpsFile, "w");
    if (!f)
      return;
    s.filesOwned = true;
    std::string error;
    const bool written = coreModel(s.lp).write(f, &error) == 0 && fflush(f) == 0 && !ferror(f);
    fclose(f);
    if (!written)
      return;
    common::runCommand({"date"}, &s.startDate);
    s.solver.start({"timeout", std::to_string(limit), "lp_solve", "-mps", "-time"}, kMpsFile,
                   kReportFile);
  } catch (const std::exception&) {
    s.solver.stop();  // the round trip makes it all
  }
}

bool CoreAhead::used() const { return state_ && state_->used; }
bool CoreAhead::solving() const { return state_ && state_->solver.running(); }
bool CoreAhead::solved() const { return !state_ || state_->solver.ended(); }

CoreAhead::~CoreAhead()
{
  if (!state_)
    return;
  state_->solver.stop();
  if (state_->filesOwned) {
    std::remove(kMpsFile);
    std::remove(kReportFile);
  }
  if (ahead == state_.get())
    ahead = nullptr;
}

}  // namespace squeeze
