// Longest paths over the squeeze graph: a Bellman-Ford in waves, where each
// wave relaxes the arcs of the lines the previous wave changed, with the
// search for positive cycles in the wave counts.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <optional>
#include <vector>

#include "Dglobal.h"
#include "SQint.h"
#include "SQsqueeze.h"

namespace {

constexpr int kStartFloor = 3;       // non-start lines begin at -3 (forward) / +3 (reverse)
constexpr int kCycleSearchWave = 51; // waves before the period search begins
constexpr int kPeriodWindow = 14;    // counts that must repeat
constexpr int kMaxPeriod = 256;      // longest period looked for

bool isAxis(const SQCELL_item& c)
{
  return (c.layernumber == 201 || c.layernumber == 202) && strcmp(c.layername, "SYM") == 0;
}

bool incomingAllNonPositive(const SQLINE_item* l)
{
  for (const SQARC_item* a = l->ter_next; a; a = a->ter_next)
    if (a->weight > 0)
      return false;
  return true;
}

bool outgoingAllNonPositive(const SQLINE_item* l)
{
  for (const SQARC_item* a = l->ori_next; a; a = a->ori_next)
    if (a->weight > 0)
      return false;
  return true;
}

// The period p >= 2 with which the last counts repeat, or 0.  A constant
// run of counts is no evidence: a long chain of single boxes gives one.
int periodOf(const std::vector<int>& counts)
{
  const int k = static_cast<int>(counts.size());
  const int from = k - kPeriodWindow;
  bool constant = true;
  for (int i = from + 1; i < k && constant; ++i)
    constant = counts[i] == counts[from];
  if (constant)
    return 0;
  for (int p = 2; p <= kMaxPeriod && from - p >= 0; ++p) {
    int i = from;
    while (i < k && counts[i] == counts[i - p])
      ++i;
    if (i == k)
      return p;
  }
  return 0;
}

class WaveRun {
 public:
  WaveRun(SQCELL_item* cells, int ncell, bool reverse, FILE* log, bool quiet = false)
      : cells_(cells), ncell_(ncell), reverse_(reverse), log_(log), quiet_(quiet)
  {
  }

  int run();

 private:
  void start();
  void relaxFrom(SQLINE_item* l, int wave);
  void relax(SQARC_item* a, SQLINE_item* from, SQLINE_item* to, int value, int wave);
  // A cycle of the relaxation parents, as arcs in order; empty when none.
  std::vector<SQARC_item*> parentCycle();
  [[noreturn]] void reportCycle(int startWave, int period);
  const char* kindOf(const SQPOSCYCLE_GRAPH_item& item, int startWave, int endWave) const;

  SQCELL_item* cells_;
  int ncell_;
  bool reverse_;
  FILE* log_;
  bool quiet_;  // the start errors were told already
  std::vector<SQLINE_item*> wave_, next_;
  std::vector<SQARC_item*> parent_;        // by line index
  std::vector<int> counts_;
  // The trace while a cycle is suspected.
  bool tracing_ = false;
  std::deque<SQPOSCYCLE_GRAPH_item> trace_;
  std::vector<SQPOSCYCLE_GRAPH_item*> lastItem_;  // by line index
};

void WaveRun::start()
{
  size_t lines = 0;
  for (int i = 0; i < ncell_; ++i)
    lines += (cells_[i].left ? 1 : 0) + (cells_[i].right ? 1 : 0);
  size_t highest = 0;
  for (int i = 0; i < ncell_; ++i)
    for (SQLINE_item* l : {cells_[i].left, cells_[i].right})
      if (l && squeeze::lineIndex(l) + 1 > highest)
        highest = squeeze::lineIndex(l) + 1;
  parent_.assign(highest, nullptr);
  (void)lines;
  for (int i = 0; i < ncell_; ++i) {
    const SQCELL_item& c = cells_[i];
    const bool axis = isAxis(c);
    for (SQLINE_item* l : {c.left, c.right}) {
      if (!l)
        continue;
      const bool left = l == c.left;
      bool first;
      if (!reverse_) {
        first = !axis && left && incomingAllNonPositive(l);
        if (!axis && !left && l->no_ter == 0 && !quiet_)
          SQerrmessage("Right line cannot be the start points (right->no_ter = 0)", "SQbf_main");
      } else {
        first = !axis && !left && outgoingAllNonPositive(l);
        if (!axis && left && l->no_ori == 0 && !quiet_)
          SQerrmessage("Left line cannot be the start points (left->no_ori = 0)", "SQbf_main");
      }
      l->BMweight = first ? 0 : (reverse_ ? kStartFloor : -kStartFloor);
      l->BMprevweight = l->BMweight;
      l->BMwave = first ? 0 : -1;
      if (first)
        wave_.push_back(l);
    }
  }
}

void WaveRun::relax(SQARC_item* a, SQLINE_item* from, SQLINE_item* to, int value, int wave)
{
  to->BMweight = value;
  parent_[squeeze::lineIndex(to)] = a;
  if (tracing_) {
    trace_.push_back(
        SQPOSCYCLE_GRAPH_item{to, lastItem_[squeeze::lineIndex(from)], a, wave, nullptr});
    if (trace_.size() > 1)
      trace_[trace_.size() - 2].next = &trace_.back();
    lastItem_[squeeze::lineIndex(to)] = &trace_.back();
  }
  if (to->BMwave != wave) {
    to->BMwave = wave;
    next_.push_back(to);
  }
}

void WaveRun::relaxFrom(SQLINE_item* l, int wave)
{
  long looked = 0;
  if (!reverse_) {
    for (SQARC_item* a = l->ori_next; a; a = a->ori_next, ++looked)
      if (l->BMprevweight + a->weight > a->ter->BMweight)
        relax(a, l, a->ter, l->BMprevweight + a->weight, wave);
  } else {
    for (SQARC_item* a = l->ter_next; a; a = a->ter_next, ++looked)
      if (l->BMprevweight - a->weight < a->ori->BMweight)
        relax(a, l, a->ori, l->BMprevweight - a->weight, wave);
  }
  squeeze::stats().relaxations += looked;
}

std::vector<SQARC_item*> WaveRun::parentCycle()
{
  // 0 unseen, 1 on the walk, 2 done.
  std::vector<unsigned char> state(parent_.size(), 0);
  for (size_t s = 0; s < parent_.size(); ++s) {
    size_t i = s;
    std::vector<size_t> walk;
    while (parent_[i] && state[i] == 0) {
      state[i] = 1;
      walk.push_back(i);
      const SQARC_item* a = parent_[i];
      i = squeeze::lineIndex(reverse_ ? a->ter : a->ori);
    }
    if (parent_[i] && state[i] == 1) {
      std::vector<SQARC_item*> cycle;
      size_t j = i;
      do {
        cycle.push_back(parent_[j]);
        const SQARC_item* a = parent_[j];
        j = squeeze::lineIndex(reverse_ ? a->ter : a->ori);
      } while (j != i);
      return cycle;
    }
    for (size_t w : walk)
      state[w] = 2;
  }
  return {};
}

const char* WaveRun::kindOf(const SQPOSCYCLE_GRAPH_item& item, int startWave, int endWave) const
{
  if (item.wavefront == startWave)
    return "ORI";
  return item.wavefront >= endWave ? "TER" : "NOR";
}

void WaveRun::reportCycle(int startWave, int period)
{
  SQerrmessage("Constraint graph is not settled iN BF and pos_cycle is reported", "SQbf_main");
  const int endWave = startWave + 2 * period;
  for (const SQPOSCYCLE_GRAPH_item& item : trace_) {
    const char* kind = kindOf(item, startWave, endWave);
    if (!item.arc) {
      common::outf("ORI: line %i connected from line XXX, wavefront %i, no arcs\n",
                   item.line->number, item.wavefront);
      continue;
    }
    const SQLINE_item* from = reverse_ ? item.arc->ter : item.arc->ori;
    common::outf("%s: line %i connected from line %i, wavefront %i, arcs %i weight %i\n", kind,
                 item.line->number, from->number, item.wavefront, item.arc->rank,
                 item.arc->weight);
  }
  common::outf("Guess of positive cycle line\n");
  common::outf("pos_cycle_wf_start = %i, pos_cycle_wf_loop = %i\n", startWave, period);
  for (const SQARC_item* a : parentCycle())
    common::outf("  line %i -> line %i, arcs %i weight %i\n", a->ori->number, a->ter->number,
                 a->rank, a->weight);
  squeeze::stop(0);
}

int WaveRun::run()
{
  start();
  const long limit = 4L * ncell_;
  int suspectedAt = 0, period = 0, quietUntil = 0;
  bool settled = false;
  for (int k = 1; k <= limit; ++k) {
    if (wave_.empty()) {
      settled = true;
      break;
    }
    ++squeeze::stats().waves;
    for (SQLINE_item* l : wave_)
      l->BMprevweight = l->BMweight;
    next_.clear();
    for (SQLINE_item* l : wave_)
      relaxFrom(l, k);
    counts_.push_back(static_cast<int>(next_.size()));
    if (log_)
      fprintf(log_, "wave %d: %zu lines changed\n", k, next_.size());
    wave_.swap(next_);

    if (suspectedAt) {
      if (k == suspectedAt + 2 * period)
        tracing_ = false;
      if (k >= suspectedAt + 3 * period)
        reportCycle(suspectedAt, period);
      continue;
    }
    if (k < kCycleSearchWave || k < quietUntil || wave_.empty())
      continue;
    const int p = periodOf(counts_);
    if (!p)
      continue;
    if (parentCycle().empty()) {
      quietUntil = k + p;  // a repeating layout, not a cycle
      continue;
    }
    suspectedAt = k;
    period = p;
    tracing_ = true;
    lastItem_.assign(parent_.size(), nullptr);
    for (SQLINE_item* l : wave_) {
      trace_.push_back(SQPOSCYCLE_GRAPH_item{l, nullptr, nullptr, k, nullptr});
      if (trace_.size() > 1)
        trace_[trace_.size() - 2].next = &trace_.back();
      lastItem_[squeeze::lineIndex(l)] = &trace_.back();
    }
  }
  if (!settled && !wave_.empty()) {
    if (suspectedAt)
      reportCycle(suspectedAt, period);
    SQerrmessage("Constraint graph is not settled in BF and no pos_cycle checked "
                 "(wavefront > |LINE|)",
                 "SQbf_main");
    squeeze::stop(0);
  }

  bool any = false;
  int result = 0;
  for (int i = 0; i < ncell_; ++i)
    for (SQLINE_item* l : {cells_[i].left, cells_[i].right}) {
      if (!l)
        continue;
      if (!reverse_)
        l->min_loc = l->BMweight;
      else
        l->max_loc = l->BMweight;
      if (!any || (!reverse_ ? l->BMweight > result : l->BMweight < result))
        result = l->BMweight;
      any = true;
    }
  return result;
}

/*
 * FastRun --
 *   The same longest paths in linear time where the graph allows: the
 *   strongly connected parts of the graph are taken in topological order,
 *   a part of one line is settled when it is reached, a larger part (the
 *   zero-weight cycles of equal sides) by a queue of its changed lines.
 *   Values spread from the start lines only, through lines that changed,
 *   exactly as the waves spread them, so the result is the waves' result.
 *   A part that keeps changing has a positive cycle: the waves then run
 *   for their report.
 */
class FastRun {
 public:
  FastRun(SQCELL_item* cells, int ncell, bool reverse)
      : cells_(cells), ncell_(ncell), reverse_(reverse)
  {
  }
  // False when a positive cycle was met.  The arcs are read from the
  // lines' lists, or turned round from the run `forward` over the same
  // cells (each arc is in the lists of both its lines).
  bool run(int* result, FILE* log, const FastRun* forward = nullptr)
  {
    prepare(forward);
    if (!relax())
      return false;
    publish(result, log);
    return true;
  }
  // The three steps of run: the lines, arcs and start values (with the
  // messages of lines that cannot start); the longest paths, touching
  // nothing but this run (false on a positive cycle); the values into the
  // lines, the counts and the log.
  void prepare(const FastRun* forward, squeeze::ListedArcs* given = nullptr);
  bool relax();
  void publish(int* result, FILE* log);
  // Whether the start values of a run in reverse are given without a
  // message (every left line but the axes' has an arc out).
  static bool reverseStartsQuietly(const SQCELL_item* cells, int ncell)
  {
    for (int i = 0; i < ncell; ++i)
      if (!isAxis(cells[i]) && cells[i].left && cells[i].left->no_ori == 0)
        return false;
    return true;
  }
  // After a failed run: the lines of the part that did not settle.
  std::vector<SQLINE_item*> unsettled() const
  {
    std::vector<SQLINE_item*> lines;
    if (failed_ >= 0)
      for (uint32_t k : parts_[failed_])
        lines.push_back(lines_[k]);
    return lines;
  }

 private:
  size_t index(const SQLINE_item* l) const { return squeeze::lineIndex(l); }
  // The arcs in the direction of the run, by line, in one array (a pass
  // over the lists is a walk through memory; the array is read in order).
  void adjacency();
  // The arcs of `forward` the other way round; false when an arc leads
  // out of the cells' lines.
  bool transpose(const FastRun& forward);
  // The arcs as `given` holds them, taken over where it holds the lists of
  // the lines as they stand (forward runs only); false otherwise.
  bool adopt(squeeze::ListedArcs* given);
  // raised_ from the arcs read.
  void markRaised();
  void components();
  // Relaxes the arcs out of u; queues changed lines of u's own part.
  void relaxFrom(uint32_t u, std::deque<uint32_t>* queue);

  SQCELL_item* cells_;
  int ncell_;
  bool reverse_;
  std::vector<SQLINE_item*> lines_;  // by index
  std::vector<uint32_t> first_;      // by index: first arc in far_/step_, size n + 1
  std::vector<uint32_t> far_;        // the line an arc leads to
  std::vector<int> step_;            // + weight forward, - weight in reverse
  std::vector<unsigned char> raised_; // forward: a positive arc comes in; reverse: goes out
  std::vector<int> value_;
  std::vector<int> component_;       // by index
  squeeze::Parts parts_;  // sinks first
  std::vector<unsigned char> changed_, queued_;
  std::vector<int> depth_, visits_;
  int failed_ = -1;  // the part that kept rising
  int deepest_ = 0;  // the longest chain of a settled run
};

void FastRun::adjacency()
{
  const size_t n = lines_.size();
  first_.assign(n + 1, 0);
  // The lines in two halves on two threads (a walk of the lists waits on
  // every arc and the line it leads to), each half's arcs apart, then
  // one after the other.
  std::vector<uint32_t> far[2];
  std::vector<int> step[2];
  common::onTwoThreads([&](bool second) {
    const size_t from = second ? n / 2 : 0, to = second ? n : n / 2;
    size_t listed = 0;  // as the lines count them
    for (size_t i = from; i < to; ++i)
      if (const SQLINE_item* l = lines_[i])
        listed += static_cast<size_t>(std::max(reverse_ ? l->no_ter : l->no_ori, 0));
    far[second].reserve(listed);
    step[second].reserve(listed);
    for (size_t i = from; i < to; ++i) {
      const SQLINE_item* l = lines_[i];
      if (!l)
        continue;
      for (const SQARC_item* a = reverse_ ? l->ter_next : l->ori_next; a;
           a = reverse_ ? a->ter_next : a->ori_next) {
        far[second].push_back(static_cast<uint32_t>(index(reverse_ ? a->ori : a->ter)));
        step[second].push_back(reverse_ ? -a->weight : a->weight);
        ++first_[i + 1];
      }
    }
  });
  for (size_t i = 0; i < n; ++i)
    first_[i + 1] += first_[i];
  far_.reserve(far[0].size() + far[1].size());
  step_.reserve(far_.capacity());
  for (int h = 0; h < 2; ++h) {
    far_.insert(far_.end(), far[h].begin(), far[h].end());
    std::vector<uint32_t>().swap(far[h]);
    step_.insert(step_.end(), step[h].begin(), step[h].end());
    std::vector<int>().swap(step[h]);
  }
  markRaised();
}

void FastRun::markRaised()
{
  raised_.assign(lines_.size(), 0);
  for (size_t k = 0; k < far_.size(); ++k)
    if ((reverse_ ? -step_[k] : step_[k]) > 0)
      raised_[far_[k]] = 1;  // forward: into the line; reverse: out of it
  squeeze::stats().relaxations += static_cast<long>(far_.size());
}

bool FastRun::adopt(squeeze::ListedArcs* given)
{
  const size_t n = lines_.size();
  if (!given || reverse_ || !given->sound || given->lines != lines_ ||
      given->first.size() != n + 1 || given->to.size() != given->first[n] ||
      given->weight.size() != given->to.size())
    return false;
  for (size_t i = 0; i < n; ++i)
    if (lines_[i] && given->first[i + 1] - given->first[i] !=
                         static_cast<uint32_t>(std::max(lines_[i]->no_ori, 0)))
      return false;
  for (uint32_t t : given->to)
    if (t >= n || !lines_[t])
      return false;
  first_ = std::move(given->first);
  far_ = std::move(given->to);
  step_ = std::move(given->weight);
  *given = squeeze::ListedArcs{};
  markRaised();
  return true;
}

bool FastRun::transpose(const FastRun& forward)
{
  const size_t n = lines_.size();
  if (forward.lines_.size() != n)
    return false;
  for (uint32_t v : forward.far_)
    if (v >= n)
      return false;
  first_.assign(n + 1, 0);
  raised_.assign(n, 0);
  for (uint32_t v : forward.far_)
    ++first_[v + 1];
  for (size_t i = 0; i < n; ++i)
    first_[i + 1] += first_[i];
  far_.resize(forward.far_.size());
  step_.resize(forward.far_.size());
  std::vector<uint32_t> fill(first_.begin(), first_.end() - 1);
  for (uint32_t u = 0; u < n; ++u)
    for (uint32_t k = forward.first_[u]; k < forward.first_[u + 1]; ++k) {
      const uint32_t at = fill[forward.far_[k]]++;
      far_[at] = u;
      step_[at] = -forward.step_[k];
      if (forward.step_[k] > 0)
        raised_[u] = 1;  // a positive arc goes out of u
    }
  squeeze::stats().relaxations += static_cast<long>(far_.size());
  return true;
}

void FastRun::components()
{
  parts_ = squeeze::strongParts(lines_, first_, far_);
  component_.assign(lines_.size(), -1);
  for (size_t p = 0; p < parts_.size(); ++p)
    for (uint32_t w : parts_[p])
      component_[w] = static_cast<int>(p);
}

void FastRun::relaxFrom(uint32_t u, std::deque<uint32_t>* queue)
{
  for (uint32_t k = first_[u]; k < first_[u + 1]; ++k) {
    const uint32_t v = far_[k];
    const int candidate = value_[u] + step_[k];
    if (reverse_ ? candidate >= value_[v] : candidate <= value_[v])
      continue;
    value_[v] = candidate;
    changed_[v] = 1;
    depth_[v] = depth_[u] + 1;
    if (queue && component_[v] == component_[u] && !queued_[v]) {
      queued_[v] = 1;
      ++visits_[v];
      queue->push_back(v);
    }
  }
}

void FastRun::prepare(const FastRun* forward, squeeze::ListedArcs* given)
{
  size_t highest = 0;
  for (int i = 0; i < ncell_; ++i)
    for (SQLINE_item* l : {cells_[i].left, cells_[i].right})
      if (l)
        highest = std::max(highest, index(l) + 1);
  lines_.assign(highest, nullptr);
  for (int i = 0; i < ncell_; ++i)
    for (SQLINE_item* l : {cells_[i].left, cells_[i].right})
      if (l)
        lines_[index(l)] = l;
  if ((!forward || !transpose(*forward)) && !adopt(given))
    adjacency();
  changed_.assign(highest, 0);
  queued_.assign(highest, 0);
  depth_.assign(highest, 0);
  visits_.assign(highest, 0);
  value_.assign(highest, 0);
  for (int i = 0; i < ncell_; ++i) {
    const SQCELL_item& c = cells_[i];
    const bool axis = isAxis(c);
    for (SQLINE_item* l : {c.left, c.right}) {
      if (!l)
        continue;
      const bool left = l == c.left;
      const size_t k = index(l);
      bool first;
      if (!reverse_) {
        first = !axis && left && !raised_[k];
        if (!axis && !left && l->no_ter == 0)
          SQerrmessage("Right line cannot be the start points (right->no_ter = 0)", "SQbf_main");
      } else {
        first = !axis && !left && !raised_[k];
        if (!axis && left && l->no_ori == 0)
          SQerrmessage("Left line cannot be the start points (left->no_ori = 0)", "SQbf_main");
      }
      value_[k] = first ? 0 : (reverse_ ? kStartFloor : -kStartFloor);
      changed_[k] = first;
    }
  }
}

bool FastRun::relax()
{
  components();
  std::deque<uint32_t> queue;
  int deepest = 0;
  for (size_t p = parts_.size(); p-- > 0;) {
    const squeeze::Parts::View part = parts_[p];
    if (part.size() == 1) {
      const uint32_t u = part[0];
      if (changed_[u])
        relaxFrom(u, nullptr);  // rows join two variables: no loop on one line
      deepest = std::max(deepest, depth_[u]);
      continue;
    }
    for (uint32_t u : part)
      if (changed_[u]) {
        queued_[u] = 1;
        queue.push_back(u);
      }
    while (!queue.empty()) {
      const uint32_t u = queue.front();
      queue.pop_front();
      queued_[u] = 0;
      if (visits_[u] > static_cast<int>(part.size()) + 1) {
        failed_ = static_cast<int>(p);
        return false;  // still rising: a positive cycle
      }
      relaxFrom(u, &queue);
    }
    for (uint32_t u : part)
      deepest = std::max(deepest, depth_[u]);
  }
  deepest_ = deepest;
  return true;
}

void FastRun::publish(int* result, FILE* log)
{
  squeeze::stats().waves += deepest_ + 1;
  if (log)
    fprintf(log, "%zu lines in %zu parts, longest chain of %d arcs\n", lines_.size(),
            parts_.size(), deepest_);
  bool any = false;
  for (size_t k = 0; k < lines_.size(); ++k) {
    SQLINE_item* l = lines_[k];
    if (!l)
      continue;
    l->BMweight = l->BMprevweight = value_[k];
    if (!reverse_)
      l->min_loc = value_[k];
    else
      l->max_loc = value_[k];
    if (!any || (!reverse_ ? value_[k] > *result : value_[k] < *result))
      *result = value_[k];
    any = true;
  }
  if (!any)
    *result = 0;
}

}  // namespace

/*
 * reportUnsettled --
 *   The report of a part whose longest paths keep rising: the positive
 *   cycle found in it, told as the relaxations round it and then in the
 *   layout's terms; the action is abandoned.  Without a cycle found the
 *   waves run for their own report.
 */
static int reportUnsettled(const FastRun& failed, SQCELL_item* cells, int ncell, bool reverse, FILE* log)
{
  const std::vector<SQARC_item*> cycle = squeeze::positiveCycle(failed.unsettled());
  if (cycle.empty()) {
    WaveRun run(cells, ncell, reverse, log, true);
    return run.run();
  }
  SQerrmessage("Constraint graph is not settled iN BF and pos_cycle is reported", "SQbf_main");
  const int loop = static_cast<int>(cycle.size());
  common::outf("ORI: line %i connected from line XXX, wavefront %i, no arcs\n",
               cycle.front()->ori->number, 0);
  for (int k = 0; k < loop; ++k) {
    const SQARC_item* a = cycle[k];
    common::outf("%s: line %i connected from line %i, wavefront %i, arcs %i weight %i\n",
                 k + 1 == loop ? "TER" : "NOR", a->ter->number, a->ori->number, k + 1, a->rank,
                 a->weight);
  }
  common::outf("Guess of positive cycle line\n");
  common::outf("pos_cycle_wf_start = %i, pos_cycle_wf_loop = %i\n", 0, loop);
  for (const SQARC_item* a : cycle)
    common::outf("  line %i -> line %i, arcs %i weight %i\n", a->ori->number, a->ter->number,
                 a->rank, a->weight);
  squeeze::reportCycleInLayoutTerms(cycle);
  squeeze::stop(0);
}

namespace squeeze {

Parts strongParts(const std::vector<SQLINE_item*>& lines, const std::vector<uint32_t>& first,
                  const std::vector<uint32_t>& to)
{
  std::vector<unsigned char> present(lines.size());
  for (size_t v = 0; v < lines.size(); ++v)
    present[v] = lines[v] != nullptr;
  return strongParts(present, first, to);
}

Parts strongParts(const std::vector<unsigned char>& present, const std::vector<uint32_t>& first,
                  const std::vector<uint32_t>& to)
{
  const size_t n = present.size();
  std::vector<int> low(n, 0), order(n, -1);
  std::vector<unsigned char> onStack(n, 0);
  std::vector<uint32_t> stack;
  struct Frame {
    uint32_t v;
    uint32_t next;  // next arc to look at
  };
  std::vector<Frame> frames;
  int counter = 0;
  Parts parts;
  for (uint32_t root = 0; root < n; ++root) {
    if (!present[root] || order[root] >= 0)
      continue;
    frames.push_back(Frame{root, first[root]});
    order[root] = low[root] = counter++;
    stack.push_back(root);
    onStack[root] = 1;
    while (!frames.empty()) {
      Frame& f = frames.back();
      if (f.next < first[f.v + 1]) {
        const uint32_t w = to[f.next++];
        if (order[w] < 0) {
          order[w] = low[w] = counter++;
          stack.push_back(w);
          onStack[w] = 1;
          frames.push_back(Frame{w, first[w]});
        } else if (onStack[w]) {
          low[f.v] = std::min(low[f.v], order[w]);
        }
        continue;
      }
      const uint32_t v = f.v;
      frames.pop_back();
      if (!frames.empty())
        low[frames.back().v] = std::min(low[frames.back().v], low[v]);
      if (low[v] != order[v])
        continue;
      uint32_t w;
      do {
        w = stack.back();
        stack.pop_back();
        onStack[w] = 0;
        parts.lines.push_back(w);
      } while (w != v);
      parts.first.push_back(static_cast<uint32_t>(parts.lines.size()));
    }
  }
  return parts;
}


int waveLongestPaths(SQCELL_item* cells, int ncell, int reverse, FILE* log)
{
  WaveRun run(cells, ncell, reverse != 0, log);
  return run.run();
}

void longestPathsBothWays(SQCELL_item* cells, int ncell, FILE* log, int* forward, int* reverse,
                          ListedArcs* given)
{
  // A positive cycle through constraints that the squeeze keeps of the
  // drawn layout (not rules, not sizes) makes them give way, and the
  // paths run again; a cycle of rules and sizes alone is reported.
  constexpr int kYields = 256;  // runs before the cycle is reported anyway
  for (int run = 0;; ++run) {
    FastRun ahead(cells, ncell, false);
    ahead.prepare(nullptr, given);
    given = nullptr;  // a run after a yield reads the lists as they are then
    // The run in reverse needs only the arcs the run ahead has read, so it
    // settles on a second thread beside it.  Where its start would print a
    // message it waits for the run ahead: a run ahead that fails then
    // prints nothing of the run in reverse, as one run after the other.
    std::optional<FastRun> back;
    bool aheadSettled = false, backSettled = false, backRan = false;
    if (FastRun::reverseStartsQuietly(cells, ncell)) {
      back.emplace(cells, ncell, true);
      back->prepare(&ahead);
      common::onTwoThreads([&](bool helper) {
        if (helper) {
          backSettled = back->relax();
          backRan = true;
        } else {
          aheadSettled = ahead.relax();
        }
      });
    } else {
      aheadSettled = ahead.relax();
    }
    if (aheadSettled) {
      ahead.publish(forward, log);
      if (!back) {
        back.emplace(cells, ncell, true);
        back->prepare(&ahead);
      }
      if (!backRan)
        backSettled = back->relax();
      if (backSettled)
        back->publish(reverse, nullptr);
      else
        *reverse = reportUnsettled(*back, cells, ncell, true, nullptr);
      return;
    }
    if (run < kYields && squeeze::yieldKeptArcs(squeeze::positiveCycle(ahead.unsettled()))) {
      ++squeeze::stats().yields;
      continue;
    }
    *forward = reportUnsettled(ahead, cells, ncell, false, log);
    FastRun after(cells, ncell, true);
    if (!after.run(reverse, nullptr, &ahead))
      *reverse = reportUnsettled(after, cells, ncell, true, nullptr);
    return;
  }
}

}  // namespace squeeze

int SQbf_main(SQCELL_item* cells, SQARC_item* /*arcs*/, int ncell, int /*narc*/, int reverse,
              FILE* log)
{
  int result = 0;
  FastRun fast(cells, ncell, reverse != 0);
  if (fast.run(&result, log))
    return result;
  return reportUnsettled(fast, cells, ncell, reverse != 0, log);
}
