// Longest paths from the core lines, one source at a time, with the
// values, wave numbers and answers of SQcoreexpandwave and
// SQcorebacktrackwave, but in time linear in the part of the graph that the
// source reaches instead of once per wave.
//
// Why the answers are the same.  The waves of SQcoreexpandwave are a
// Bellman-Ford in rounds: after wave k a line holds the heaviest walk of at
// most k arcs from the source through lines that were raised above the
// start value (kUnreached), and its wave number is the last wave that
// raised it.  So a line's final value is the least fixed point above the
// start values, which any order of relaxation reaches (here: the strongly
// connected parts of the graph in topological order, a queue inside a
// part); and its wave number is the fewest arcs of a heaviest path, that
// is its distance from the source over the tight arcs (value(u) + weight ==
// value(v), u raised), found by a breadth-first search.  That search also
// settles the backtracking: a line is joined to the source when one of its
// tight predecessors one wave earlier is the source or an ordinary line
// (neither core nor boundary) that is joined itself.
#include <algorithm>
#include <deque>
#include <functional>
#include <queue>
#include <vector>

#include "SQint.h"

namespace squeeze {

namespace {

constexpr int kUnreached = -10000;  // value of a line the source does not raise
constexpr int kUnreachedWave = -2;

}  // namespace

CorePaths::CorePaths(const std::vector<SQLINE_item*>& lines,
                     const std::function<size_t(const SQLINE_item*)>& slot)
    : lines_(lines)
{
  const size_t n = lines_.size();
  first_.assign(n + 1, 0);
  ordinary_.assign(n, 0);
  long outgoing = 0, incoming = 0;
  for (size_t i = 0; i < n; ++i) {
    first_[i + 1] = first_[i];
    const SQLINE_item* l = lines_[i];
    if (!l)
      continue;
    ordinary_[i] = l->onsym == 0 && l->onbound >= 0;
    for (const SQARC_item* a = l->ter_next; a; a = a->ter_next)
      ++incoming;
    for (const SQARC_item* a = l->ori_next; a; a = a->ori_next) {
      const size_t t = slot(a->ter);
      if (a->ori != l || t >= n || lines_[t] != a->ter) {
        usable_ = false;  // an arc out of the lines given
        return;
      }
      to_.push_back(static_cast<uint32_t>(t));
      weight_.push_back(a->weight);
      ++first_[i + 1];
      ++outgoing;
    }
  }
  // The backtracking reads the incoming lists: they must hold the arcs of
  // the outgoing ones.
  usable_ = outgoing == incoming;
  if (!usable_)
    return;
  components();
  value_.assign(n, kUnreached);
  wave_.assign(n, kUnreachedWave);
  raised_.assign(n, 0);
  joined_.assign(n, 0);
  queued_.assign(n, 0);
  visits_.assign(n, 0);
  pending_.assign(partCount_, 0);
}

void CorePaths::components()
{
  // Tarjan's algorithm without recursion; the parts come out sinks first.
  const size_t n = lines_.size();
  std::vector<int> low(n, 0), order(n, -1);
  std::vector<unsigned char> onStack(n, 0);
  std::vector<uint32_t> stack;
  struct Frame {
    uint32_t v;
    uint32_t next;  // next arc to look at
  };
  std::vector<Frame> frames;
  int counter = 0;
  part_.assign(n, 0);
  std::vector<std::vector<uint32_t>> parts;
  for (uint32_t root = 0; root < n; ++root) {
    if (!lines_[root] || order[root] >= 0)
      continue;
    frames.push_back(Frame{root, first_[root]});
    order[root] = low[root] = counter++;
    stack.push_back(root);
    onStack[root] = 1;
    while (!frames.empty()) {
      Frame& f = frames.back();
      if (f.next < first_[f.v + 1]) {
        const uint32_t w = to_[f.next++];
        if (order[w] < 0) {
          order[w] = low[w] = counter++;
          stack.push_back(w);
          onStack[w] = 1;
          frames.push_back(Frame{w, first_[w]});
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
      parts.emplace_back();
      uint32_t w;
      do {
        w = stack.back();
        stack.pop_back();
        onStack[w] = 0;
        parts.back().push_back(w);
      } while (w != v);
    }
  }
  // Numbered in topological order: an arc never leads to a lower number.
  const size_t count = parts.size();
  partFirst_.assign(count + 1, 0);
  partLines_.clear();
  for (size_t p = 0; p < count; ++p) {
    const std::vector<uint32_t>& members = parts[count - 1 - p];
    for (uint32_t v : members) {
      part_[v] = static_cast<uint32_t>(p);
      partLines_.push_back(v);
    }
    partFirst_[p + 1] = static_cast<uint32_t>(partLines_.size());
  }
  partCount_ = count;
}

void CorePaths::raise(uint32_t v, long value)
{
  value_[v] = static_cast<int>(value);
  if (!raised_[v]) {
    raised_[v] = 1;
    touched_.push_back(v);
  }
}

void CorePaths::schedule(uint32_t part)
{
  if (pending_[part])
    return;
  pending_[part] = 1;
  touchedParts_.push_back(part);
  heap_.push_back(part);
  std::push_heap(heap_.begin(), heap_.end(), std::greater<uint32_t>());
}

bool CorePaths::settlePart(uint32_t part)
{
  const uint32_t from = partFirst_[part], to = partFirst_[part + 1];
  if (to - from == 1) {
    const uint32_t u = partLines_[from];
    for (uint32_t k = first_[u]; k < first_[u + 1]; ++k) {
      const uint32_t v = to_[k];
      const long candidate = static_cast<long>(value_[u]) + weight_[k];
      if (candidate <= value_[v])
        continue;
      if (v == u)
        return false;  // a loop that raises its own line
      raise(v, candidate);
      schedule(part_[v]);
    }
    return true;
  }
  // A part of several lines: a queue of its raised lines until it settles.
  const uint32_t size = to - from;
  std::deque<uint32_t> queue;
  for (uint32_t i = from; i < to; ++i) {
    const uint32_t u = partLines_[i];
    if (raised_[u]) {
      queued_[u] = 1;
      queue.push_back(u);
    }
  }
  while (!queue.empty()) {
    const uint32_t u = queue.front();
    queue.pop_front();
    queued_[u] = 0;
    if (++visits_[u] > size + 1)
      return false;  // still rising: a positive cycle
    for (uint32_t k = first_[u]; k < first_[u + 1]; ++k) {
      const uint32_t v = to_[k];
      const long candidate = static_cast<long>(value_[u]) + weight_[k];
      if (candidate <= value_[v])
        continue;
      raise(v, candidate);
      if (part_[v] != part) {
        schedule(part_[v]);
      } else if (!queued_[v]) {
        queued_[v] = 1;
        queue.push_back(v);
      }
    }
  }
  return true;
}

void CorePaths::reset()
{
  for (uint32_t v : touched_) {
    value_[v] = kUnreached;
    wave_[v] = kUnreachedWave;
    raised_[v] = 0;
    joined_[v] = 0;
    visits_[v] = 0;
  }
  touched_.clear();
  for (uint32_t p : touchedParts_)
    pending_[p] = 0;
  touchedParts_.clear();
  heap_.clear();
}

bool CorePaths::expand(size_t source)
{
  reset();
  const uint32_t s = static_cast<uint32_t>(source);
  source_ = s;
  value_[s] = 0;
  wave_[s] = 0;
  raised_[s] = 1;
  touched_.push_back(s);
  schedule(part_[s]);
  while (!heap_.empty()) {
    std::pop_heap(heap_.begin(), heap_.end(), std::greater<uint32_t>());
    const uint32_t part = heap_.back();
    heap_.pop_back();
    if (!settlePart(part))
      return false;
  }
  if (value_[s] != 0)
    return false;  // the source itself was raised: a positive cycle

  // Wave numbers and joins, breadth first over the tight arcs.
  bfs_.clear();
  bfs_.push_back(s);
  for (size_t head = 0; head < bfs_.size(); ++head) {
    const uint32_t u = bfs_[head];
    const bool carries = u == s || (ordinary_[u] && joined_[u]);
    for (uint32_t k = first_[u]; k < first_[u + 1]; ++k) {
      const uint32_t v = to_[k];
      if (v == s || !raised_[v] || static_cast<long>(value_[u]) + weight_[k] != value_[v])
        continue;
      if (wave_[v] == kUnreachedWave) {
        wave_[v] = wave_[u] + 1;
        bfs_.push_back(v);
      }
      if (carries && wave_[v] == wave_[u] + 1)
        joined_[v] = 1;
    }
  }
  return true;
}

bool CorePaths::joined(size_t target) const
{
  return target != source_ && raised_[target] && joined_[target];
}

void CorePaths::store() const
{
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i]) {
      lines_[i]->BMweight = value_[i];
      lines_[i]->BMwave = wave_[i];
    }
}

}  // namespace squeeze
