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
#include <atomic>
#include <deque>
#include <functional>
#include <limits>
#include <vector>

#include "Dglobal.h"
#include "SQint.h"

namespace squeeze {

CorePaths::Graph CorePaths::graphOf(const std::vector<SQLINE_item*>& lines,
                                    const std::function<size_t(const SQLINE_item*)>& slot,
                                    const std::vector<Extra>& extra)
{
  const size_t n = lines.size();
  Graph g;
  g.first.assign(n + 1, 0);
  g.present.assign(n, 0);
  g.ordinary.assign(n, 0);
  // The extra arcs out of each slot, the last linked first (as at the
  // front of a list).
  std::vector<Extra> out(extra.rbegin(), extra.rend());
  std::stable_sort(out.begin(), out.end(),
                   [](const Extra& a, const Extra& b) { return a.from < b.from; });
  for (const Extra& e : out)
    if (e.from >= n || !lines[e.from] || e.to >= n || !lines[e.to]) {
      g.usable = false;  // an arc out of the lines given
      return g;
    }
  // Each slot's arcs where the lines' counts put them: the extra ones, then
  // its list.
  std::vector<uint32_t> extraFirst(n + 1, 0);
  for (const Extra& e : out)
    ++extraFirst[e.from + 1];
  long incoming = 0;
  for (size_t i = 0; i < n; ++i) {
    extraFirst[i + 1] += extraFirst[i];
    const SQLINE_item* l = lines[i];
    const long listed = l ? std::max(l->no_ori, 0) : 0;
    incoming += l ? l->no_ter : 0;
    g.first[i + 1] = static_cast<uint32_t>(g.first[i] + (extraFirst[i + 1] - extraFirst[i]) + listed);
  }
  g.to.resize(g.first[n]);
  g.weight.resize(g.first[n]);
  // The lists are read on two threads, half of the slots each.
  bool sound[2] = {true, true};
  common::onTwoThreads([&](bool second) {
    for (size_t i = second ? n / 2 : 0; i < (second ? n : n / 2); ++i) {
      uint32_t at = g.first[i];
      for (uint32_t k = extraFirst[i]; k < extraFirst[i + 1]; ++k) {
        g.to[at] = out[k].to;
        g.weight[at++] = 0;
      }
      const SQLINE_item* l = lines[i];
      if (!l)
        continue;
      g.present[i] = 1;
      g.ordinary[i] = l->onsym == 0 && l->onbound >= 0;
      for (const SQARC_item* a = l->ori_next; a; a = a->ori_next) {
        // Most lines stand at their own index: the slot is asked for only
        // where they do not.
        size_t t = lineIndex(a->ter);
        if (t >= n || lines[t] != a->ter)
          t = slot(a->ter);
        if (a->ori != l || t >= n || lines[t] != a->ter || at == g.first[i + 1]) {
          sound[second] = false;  // an arc out of the lines given, or more than counted
          return;
        }
        g.to[at] = static_cast<uint32_t>(t);
        g.weight[at++] = a->weight;
      }
      if (at != g.first[i + 1]) {
        sound[second] = false;  // fewer than counted
        return;
      }
    }
  });
  // The backtracking reads the incoming lists: they must hold the arcs of
  // the outgoing ones (as many, by the lines' counts: every arc was seen
  // to leave its line).
  g.usable = sound[0] && sound[1] &&
             static_cast<long>(g.first[n]) - static_cast<long>(out.size()) == incoming;
  return g;
}

CorePaths::CorePaths(Graph graph)
{
  usable_ = graph.usable;
  if (!usable_)
    return;
  const std::vector<uint32_t>& first = graph.first;
  std::vector<uint32_t>& to = graph.to;
  std::vector<int>& weight = graph.weight;
  const size_t n = graph.present.size();
  const Parts parts = strongParts(graph.present, first, to);
  // Lines numbered in topological order of their parts, a part's lines
  // together: a search walks forward through the arrays.
  at_.assign(n, kNowhere);
  order_.clear();
  partFirst_.assign(parts.size() + 1, 0);
  part_.clear();
  for (size_t p = 0; p < parts.size(); ++p) {
    for (uint32_t v : parts[parts.size() - 1 - p]) {
      at_[v] = static_cast<uint32_t>(order_.size());
      order_.push_back(v);
      part_.push_back(static_cast<uint32_t>(p));
    }
    partFirst_[p + 1] = static_cast<uint32_t>(order_.size());
  }
  // Of parallel arcs only the heaviest can bound a path or be tight: one
  // arc per target, at the place of the first, with the greatest weight.
  // A line's arcs within its part come first (in their order), then the
  // ones to later parts.
  const size_t m = order_.size();
  first_.assign(m + 1, 0);
  cross_.assign(m, 0);
  arcs_.clear();
  arcs_.reserve(to.size());
  ordinary_.assign(m, 0);
  // By target: the line now filed that has an arc to it, and where that
  // arc is (its place among the line's later arcs when kLater is set).
  constexpr uint32_t kLater = uint32_t{1} << 31;
  std::vector<uint32_t> owner(m, kNowhere), place(m, 0);
  std::vector<Arc> later;
  for (size_t k = 0; k < m; ++k) {
    const uint32_t v = order_[k];
    later.clear();
    for (uint32_t a = first[v]; a < first[v + 1]; ++a) {
      const uint32_t t = at_[to[a]];
      if (owner[t] == k) {
        Arc& kept = place[t] & kLater ? later[place[t] & ~kLater] : arcs_[place[t]];
        kept.weight = std::max(kept.weight, weight[a]);
        continue;
      }
      owner[t] = static_cast<uint32_t>(k);
      if (part_[t] == part_[k]) {
        place[t] = static_cast<uint32_t>(arcs_.size());
        arcs_.push_back(Arc{t, weight[a]});
      } else {
        place[t] = static_cast<uint32_t>(later.size()) | kLater;
        later.push_back(Arc{t, weight[a]});
      }
    }
    cross_[k] = static_cast<uint32_t>(arcs_.size());
    arcs_.insert(arcs_.end(), later.begin(), later.end());
    first_[k + 1] = static_cast<uint32_t>(arcs_.size());
    ordinary_[k] = graph.ordinary[v];
  }
  std::vector<uint32_t>().swap(to);
  std::vector<int>().swap(weight);
  dropOutweighed();
}

/*
 * dropOutweighed -- takes out every arc u -> y that a path u -> x -> y of
 * two arcs outweighs, the first of them not negative.  Such an arc is
 * never tight: whenever u has a value, x has at least as much (so it is
 * raised too) and y more than the arc gives.  If x -> y is taken out as
 * well, a heavier path stands for it in turn, each again beginning with
 * an arc that is not negative.  So no value, wave or join changes; nor
 * does a positive cycle go (a heavier walk stands for its arc).  Loops
 * stay as they are.  The arcs are judged on the graph as read, then
 * packed.
 */
void CorePaths::dropOutweighed()
{
  const size_t m = order_.size();
  std::vector<uint32_t> owner(m, kNowhere);
  std::vector<long> weightTo(m, 0);  // of u's arc to a line; kOutweighed once it is
  constexpr long kOutweighed = std::numeric_limits<long>::max();
  std::vector<bool> drop(arcs_.size(), false);
  for (size_t u = 0; u < m; ++u) {
    for (uint32_t a = first_[u]; a < first_[u + 1]; ++a) {
      owner[arcs_[a].to] = static_cast<uint32_t>(u);
      weightTo[arcs_[a].to] = arcs_[a].weight;
    }
    for (uint32_t a = first_[u]; a < first_[u + 1]; ++a) {
      const uint32_t x = arcs_[a].to;
      const long w = arcs_[a].weight;
      if (w < 0 || x == u)
        continue;
      for (uint32_t b = first_[x]; b < first_[x + 1]; ++b) {
        const uint32_t y = arcs_[b].to;
        if (owner[y] == u && y != x && y != u && weightTo[y] != kOutweighed &&
            w + arcs_[b].weight > weightTo[y])
          weightTo[y] = kOutweighed;
      }
    }
    for (uint32_t a = first_[u]; a < first_[u + 1]; ++a)
      drop[a] = weightTo[arcs_[a].to] == kOutweighed;
  }
  uint32_t kept = 0;
  for (size_t u = 0; u < m; ++u) {
    const uint32_t from = first_[u], cross = cross_[u], to = first_[u + 1];
    first_[u] = kept;
    for (uint32_t a = from; a < to; ++a) {
      if (a == cross)
        cross_[u] = kept;
      if (!drop[a])
        arcs_[kept++] = arcs_[a];
    }
    if (cross == to)
      cross_[u] = kept;
  }
  first_[m] = kept;
  arcs_.resize(kept);
  arcs_.shrink_to_fit();
}

/*
 * offer -- what the settled line u tells v through an arc of `weight`: a
 * heavier path (v takes u's wave + 1 and whether u carries the join), or
 * an equally heavy one with fewer or as many arcs.
 * Returns: false when the source itself would rise (a positive cycle).
 */
bool CorePaths::offer(Search& s, uint32_t u, uint32_t v, int weight, bool carries) const
{
  Label& to = s.label[v];
  const long candidate = static_cast<long>(s.label[u].value) + weight;
  const int wave = s.label[u].wave + 1;
  if (candidate > to.value) {
    if (v == s.source)
      return false;
    to.value = static_cast<int>(candidate);
    to.wave = wave;
    to.joined = carries;
    if (!to.raised) {
      to.raised = 1;
      s.touched.push_back(v);
      s.pending[v / 64] |= uint64_t{1} << (v % 64);
    }
    return true;
  }
  if (candidate != to.value || !to.raised || v == s.source)
    return true;
  if (wave < to.wave) {
    to.wave = wave;
    to.joined = carries;
  } else if (wave == to.wave) {
    to.joined |= carries;
  }
  return true;
}

bool CorePaths::carries(const Search& s, uint32_t u) const
{
  return u == s.source || (ordinary_[u] && s.label[u].joined);
}

bool CorePaths::settlePart(Search& s, uint32_t part) const
{
  const uint32_t from = partFirst_[part], to = partFirst_[part + 1];
  if (to - from == 1) {
    const uint32_t u = from;
    const bool c = carries(s, u);
    for (uint32_t k = first_[u]; k < cross_[u]; ++k)
      if (arcs_[k].weight > 0)
        return false;  // a loop that raises its own line
    for (uint32_t k = cross_[u]; k < first_[u + 1]; ++k)
      if (!offer(s, u, arcs_[k].to, arcs_[k].weight, c))
        return false;
    return true;
  }
  // A part of several lines.  Its lines hold what the earlier parts
  // offered; the values rise inside the part by a queue (a line raised
  // from inside forgets its wave: its predecessors' are not final yet) ...
  Search::Fifo& queue = s.queue;
  queue.clear();
  const uint32_t size = to - from;
  for (uint32_t u = from; u < to; ++u)
    if (s.label[u].raised) {
      s.label[u].queued = 1;
      queue.push(u);
    }
  while (!queue.empty()) {
    const uint32_t u = queue.front();
    queue.pop();
    s.label[u].queued = 0;
    if (++s.visits[u] > size + 1)
      return false;  // still rising: a positive cycle
    for (uint32_t k = first_[u]; k < cross_[u]; ++k) {
      const uint32_t v = arcs_[k].to;
      const long candidate = static_cast<long>(s.label[u].value) + arcs_[k].weight;
      Label& l = s.label[v];
      if (candidate <= l.value)
        continue;
      if (v == s.source)
        return false;
      l.value = static_cast<int>(candidate);
      l.wave = kNoWave;
      l.joined = 0;
      if (!l.raised) {
        l.raised = 1;
        s.touched.push_back(v);
      }
      if (!l.queued) {
        l.queued = 1;
        queue.push(v);
      }
    }
  }
  // ... then the waves inside, breadth first from the waves offered, in
  // order of wave (the offered ones sorted, merged with the queue) ...
  s.seeds.clear();
  for (uint32_t u = from; u < to; ++u)
    if (s.label[u].raised && s.label[u].wave != kNoWave)
      s.seeds.push_back(u);
  auto byWave = [&s](uint32_t a, uint32_t b) { return s.label[a].wave < s.label[b].wave; };
  if (s.seeds.size() > 16) {
    std::stable_sort(s.seeds.begin(), s.seeds.end(), byWave);
  } else {
    for (size_t i = 1; i < s.seeds.size(); ++i)  // a few: by insertion, as stable
      for (size_t j = i; j > 0 && byWave(s.seeds[j], s.seeds[j - 1]); --j)
        std::swap(s.seeds[j], s.seeds[j - 1]);
  }
  size_t next = 0;
  while (next < s.seeds.size() || !queue.empty()) {
    uint32_t u;
    if (queue.empty() ||
        (next < s.seeds.size() && s.label[s.seeds[next]].wave <= s.label[queue.front()].wave)) {
      u = s.seeds[next++];
    } else {
      u = queue.front();
      queue.pop();
    }
    if (s.label[u].queued)
      continue;  // met already at a smaller or equal wave
    s.label[u].queued = 1;
    const bool c = carries(s, u);
    for (uint32_t k = first_[u]; k < cross_[u]; ++k) {
      const uint32_t v = arcs_[k].to;
      Label& l = s.label[v];
      if (v == s.source || !l.raised ||
          static_cast<long>(s.label[u].value) + arcs_[k].weight != l.value)
        continue;
      const int wave = s.label[u].wave + 1;
      if (wave < l.wave) {
        l.wave = wave;
        l.joined = c;
        queue.push(v);
      } else if (wave == l.wave) {
        l.joined |= c;
      }
    }
  }
  // ... and the settled lines offer theirs to the later parts.
  for (uint32_t u = from; u < to; ++u) {
    s.label[u].queued = 0;
    if (!s.label[u].raised)
      continue;
    const bool c = carries(s, u);
    for (uint32_t k = cross_[u]; k < first_[u + 1]; ++k)
      if (!offer(s, u, arcs_[k].to, arcs_[k].weight, c))
        return false;
  }
  return true;
}

void CorePaths::reset(Search& s) const
{
  for (uint32_t v : s.touched) {
    s.label[v] = Label{};
    s.visits[v] = 0;
  }
  s.touched.clear();
}

/*
 * eachPendingPart -- settle(part) for every part with a line marked in
 * `pending`, from line `from` on, clearing the part's marks first.  The
 * lines are in topological order of their parts: an arc never leads to an
 * earlier part, so the scan meets every part that a line of it is pending
 * (any of its lines before the one met has no mark).
 */
template <class Settle>
void CorePaths::eachPendingPart(std::vector<uint64_t>* pending, uint32_t from, Settle settle) const
{
  std::vector<uint64_t>& marks = *pending;
  for (size_t w = from / 64; w < marks.size(); ++w)
    while (marks[w]) {
      const uint32_t u = static_cast<uint32_t>(w * 64) + __builtin_ctzll(marks[w]);
      const uint32_t part = part_[u], end = partFirst_[part + 1];
      for (uint32_t k = u; k < end;) {
        const uint32_t bit = k % 64, n = std::min<uint32_t>(64 - bit, end - k);
        marks[k / 64] &= ~((n == 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1) << bit);
        k += n;
      }
      settle(part);
    }
}

bool CorePaths::expand(Search& s, size_t source) const
{
  reset(s);
  const uint32_t from = at_[source];
  s.source = from;
  Label& l = s.label[from];
  l.value = 0;
  l.wave = 0;
  l.raised = 1;
  s.touched.push_back(from);
  s.pending[from / 64] |= uint64_t{1} << (from % 64);
  bool settled = true;
  eachPendingPart(&s.pending, from, [&](uint32_t part) {
    if (settled && !settlePart(s, part))
      settled = false;  // go on clearing the marks
  });
  return settled;
}

bool CorePaths::expand(size_t source)
{
  if (own_.label.empty())
    prepare(&own_);
  return expand(own_, source);
}

int CorePaths::weight(size_t slot) const { return own_.label[at_[slot]].value; }
int CorePaths::wave(size_t slot) const { return own_.label[at_[slot]].wave; }

bool CorePaths::joined(size_t target) const { return joined(own_, at_[target]); }

bool CorePaths::joined(const Search& s, uint32_t t) const
{
  return t != s.source && s.label[t].raised && s.label[t].joined;
}

void CorePaths::store(const std::vector<SQLINE_item*>& lines) const
{
  for (size_t k = 0; k < order_.size(); ++k) {
    SQLINE_item* l = lines[order_[k]];
    l->BMweight = own_.label[k].value;
    l->BMwave = own_.label[k].wave;
  }
}

void CorePaths::prepare(Search* s) const
{
  const size_t m = order_.size();
  s->label.assign(m, Label{});
  s->visits.assign(m, 0);
  s->pending.assign(m / 64 + 1, 0);
}

// ---------------------------------------------------------------------------
// Several sources at once.  A lane's value and wave are one number, the
// value in the high half and kWaveTop - wave in the low half: the greater
// number is the heavier path, or the equally heavy one with fewer arcs, and
// an arc of weight w adds w to the high half and takes 1 from the low one.
// So the relaxation of the packed numbers finds values and waves at once,
// and an arc is tight with a wave one less exactly when it carries the
// number of its end.  A line of no value in a lane holds kUnraisedKey,
// above every path of the start value (kUnreached) and below any higher.
// ---------------------------------------------------------------------------
namespace {

constexpr int64_t kHigh = int64_t{1} << 32;
constexpr int64_t kWaveTop = (int64_t{1} << 31) - 1;

constexpr int64_t packed(int value, int wave) { return int64_t{value} * kHigh + (kWaveTop - wave); }
int valueOf(int64_t key) { return static_cast<int>((key - (key & (kHigh - 1))) / kHigh); }
int64_t arcStep(int weight) { return int64_t{weight} * kHigh - 1; }
int lowestLane(unsigned lanes) { return __builtin_ctz(lanes); }

}  // namespace

CorePaths::Share::Share(const CorePaths& paths, std::vector<size_t> from, std::vector<size_t> to)
    : sources(std::move(from)), targets(std::move(to)), joins(sources.size())
{
  order.resize(sources.size());
  for (size_t i = 0; i < order.size(); ++i)
    order[i] = static_cast<uint32_t>(i);
  if (paths.usable())
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
      return paths.at_[sources[a]] < paths.at_[sources[b]];
    });
}

void CorePaths::prepare(Batch* b) const
{
  const size_t m = order_.size();
  b->key.assign(m * kLanes, kUnraisedKey);
  b->joined.assign(m, 0);
  b->sourceOf.assign(m, 0);
  b->reached.assign(m, 0);
  b->pending.assign(m / 64 + 1, 0);
}

CorePaths::Lanes CorePaths::raisedLanes(const Batch& b, uint32_t u) const
{
  const int64_t* k = &b.key[size_t{u} * kLanes];
  unsigned lanes = 0;
  for (int i = 0; i < kLanes; ++i)
    lanes |= unsigned{k[i] > kUnraisedKey} << i;
  return static_cast<Lanes>(lanes & b.alive);
}

CorePaths::Lanes CorePaths::carries(const Batch& b, uint32_t u, Lanes lanes) const
{
  return static_cast<Lanes>((b.sourceOf[u] | (ordinary_[u] ? b.joined[u] : 0)) & lanes);
}

// A line raised in some lane for the first time: to be reset, and (when
// it is in a later part) its part to be settled.
void CorePaths::reach(Batch& b, uint32_t v, bool later) const
{
  if (b.reached[v])
    return;
  b.reached[v] = 1;
  b.touched.push_back(v);
  if (later)
    b.pending[v / 64] |= uint64_t{1} << (v % 64);
}

/*
 * offer -- as the single search's offer, in every lane of `lanes` at
 * once: u, settled, tells the end of `arc` its value (`carry`: the lanes
 * in which u carries the join).  A lane whose source would rise fails.
 */
void CorePaths::offer(Batch& b, uint32_t u, const Arc& arc, Lanes lanes, Lanes carry) const
{
  const int64_t step = arcStep(arc.weight);
  const int64_t* from = &b.key[size_t{u} * kLanes];
  int64_t* to = &b.key[size_t{arc.to} * kLanes];
  unsigned above = 0, level = 0;
  for (int i = 0; i < kLanes; ++i) {
    const int64_t candidate = from[i] + step;
    above |= unsigned{candidate > to[i]} << i;
    level |= unsigned{candidate == to[i]} << i;
  }
  above &= lanes;
  if (const unsigned rising = above & b.sourceOf[arc.to]) {
    b.alive = static_cast<Lanes>(b.alive & ~rising);
    above &= ~rising;
  }
  b.joined[arc.to] = static_cast<Lanes>((b.joined[arc.to] & ~above) | (carry & (above | level)));
  if (!above)
    return;
  for (unsigned l = above; l; l &= l - 1) {
    const int i = lowestLane(l);
    to[i] = from[i] + step;
  }
  reach(b, arc.to, true);
}

// The settled line u offers its lanes to the later parts.
void CorePaths::offerAll(Batch& b, uint32_t u, Lanes lanes, Lanes carry) const
{
  for (uint32_t k = cross_[u]; k < first_[u + 1] && lanes; ++k) {
    offer(b, u, arcs_[k], lanes, carry);
    lanes &= b.alive;
  }
}

void CorePaths::settlePart(Batch& b, uint32_t part) const
{
  const uint32_t from = partFirst_[part], to = partFirst_[part + 1];
  if (to - from == 1) {
    const uint32_t u = from;
    Lanes lanes = raisedLanes(b, u);
    if (!lanes)
      return;
    for (uint32_t k = first_[u]; k < cross_[u]; ++k)
      if (arcs_[k].weight > 0) {
        b.alive = static_cast<Lanes>(b.alive & ~lanes);  // a loop that raises its own line
        return;
      }
    const Lanes carry = carries(b, u, lanes);
    offerAll(b, u, lanes, carry);
    return;
  }
  // A part of several lines: the numbers rise inside by a queue, each line
  // taken with the lanes it rose in since it was queued ...
  const uint32_t size = to - from;
  b.queued.assign(size, 0);
  b.changed.assign(size, 0);
  b.visits.assign(size_t{size} * kLanes, 0);
  b.queue.clear();
  for (uint32_t u = from; u < to; ++u)
    if (const Lanes lanes = raisedLanes(b, u)) {
      b.queued[u - from] = lanes;
      b.queue.push_back(u);
    }
  for (size_t head = 0; head < b.queue.size(); ++head) {
    const uint32_t u = b.queue[head];
    unsigned lanes = b.queued[u - from] & b.alive;
    b.queued[u - from] = 0;
    for (unsigned l = lanes; l; l &= l - 1) {
      const int i = lowestLane(l);
      if (++b.visits[size_t{u - from} * kLanes + i] > size + 1) {
        b.alive = static_cast<Lanes>(b.alive & ~(1u << i));  // still rising: a positive cycle
        lanes &= ~(1u << i);
      }
    }
    const int64_t* ku = &b.key[size_t{u} * kLanes];
    for (uint32_t k = first_[u]; k < cross_[u] && lanes; ++k) {
      const uint32_t v = arcs_[k].to;
      const int64_t step = arcStep(arcs_[k].weight);
      int64_t* kv = &b.key[size_t{v} * kLanes];
      unsigned above = 0;
      for (int i = 0; i < kLanes; ++i)
        above |= unsigned{ku[i] + step > kv[i]} << i;
      above &= lanes;
      if (const unsigned rising = above & b.sourceOf[v]) {
        b.alive = static_cast<Lanes>(b.alive & ~rising);
        lanes &= ~rising;
        above &= ~rising;
      }
      if (!above)
        continue;
      for (unsigned l = above; l; l &= l - 1) {
        const int i = lowestLane(l);
        kv[i] = ku[i] + step;
      }
      reach(b, v, false);
      b.changed[v - from] |= above;
      if (!b.queued[v - from])
        b.queue.push_back(v);
      b.queued[v - from] |= above;
    }
  }
  // ... a line that rose inside forgets the join offered to it (it is
  // heavier, or as heavy in fewer arcs, than any path offered) and takes
  // it from its tight predecessors inside: the joins spread from the
  // lines that carry them, each line again with its new lanes ...
  b.queue.clear();
  for (uint32_t u = from; u < to; ++u) {
    b.joined[u] = static_cast<Lanes>(b.joined[u] & ~b.changed[u - from]);
    b.queued[u - from] = 0;
  }
  for (uint32_t u = from; u < to; ++u)
    if (const Lanes carry = carries(b, u, raisedLanes(b, u))) {
      b.queued[u - from] = carry;
      b.queue.push_back(u);
    }
  for (size_t head = 0; head < b.queue.size(); ++head) {
    const uint32_t u = b.queue[head];
    const unsigned lanes = b.queued[u - from] & b.alive;
    b.queued[u - from] = 0;
    const int64_t* ku = &b.key[size_t{u} * kLanes];
    for (uint32_t k = first_[u]; k < cross_[u] && lanes; ++k) {
      const uint32_t v = arcs_[k].to;
      const int64_t step = arcStep(arcs_[k].weight);
      const int64_t* kv = &b.key[size_t{v} * kLanes];
      unsigned tight = 0;
      for (int i = 0; i < kLanes; ++i)
        tight |= unsigned{ku[i] + step == kv[i]} << i;
      const unsigned joins = tight & lanes & ~b.sourceOf[v] & ~b.joined[v];
      if (!joins)
        continue;
      b.joined[v] = static_cast<Lanes>(b.joined[v] | joins);
      if (!ordinary_[v])
        continue;
      if (!b.queued[v - from])
        b.queue.push_back(v);
      b.queued[v - from] = static_cast<Lanes>(b.queued[v - from] | joins);
    }
  }
  // ... and the settled lines offer theirs to the later parts.
  for (uint32_t u = from; u < to; ++u) {
    if (const Lanes lanes = raisedLanes(b, u))
      offerAll(b, u, lanes, carries(b, u, lanes));
  }
}

void CorePaths::expand(Batch& b, const uint32_t* sources, int count) const
{
  for (uint32_t v : b.touched) {
    std::fill_n(&b.key[size_t{v} * kLanes], kLanes, kUnraisedKey);
    b.joined[v] = 0;
    b.reached[v] = 0;
  }
  b.touched.clear();
  for (uint32_t s : b.source)
    b.sourceOf[s] = 0;
  b.alive = static_cast<Lanes>((1u << count) - 1);
  uint32_t lowest = kNowhere;
  for (int i = 0; i < kLanes; ++i) {
    const uint32_t s = b.source[i] = sources[std::min(i, count - 1)];
    if (i >= count)
      continue;
    b.sourceOf[s] = static_cast<Lanes>(b.sourceOf[s] | (1u << i));
    b.key[size_t{s} * kLanes + i] = packed(0, 0);
    reach(b, s, true);
    lowest = std::min(lowest, s);
  }
  eachPendingPart(&b.pending, lowest, [&](uint32_t part) {
    if (b.alive)
      settlePart(b, part);
  });
}

std::vector<CorePaths::Joins> CorePaths::joinAll(const std::vector<size_t>& sources,
                                                 const std::vector<size_t>& targets) const
{
  Share share(*this, sources, targets);
  // Two batches at once, each with its own labels; the graph is shared
  // and only read.
  common::onTwoThreads([&](bool) { work(share); });
  return std::move(share.joins);
}


void CorePaths::work(Share& share) const
{
  Batch b;
  prepare(&b);
  const size_t n = share.sources.size();
  for (size_t i = share.next.fetch_add(kLanes); i < n; i = share.next.fetch_add(kLanes)) {
    const int count = static_cast<int>(std::min<size_t>(kLanes, n - i));
    uint32_t from[kLanes];
    for (int l = 0; l < count; ++l)
      from[l] = at_[share.sources[share.order[i + l]]];
    expand(b, from, count);
    for (int l = 0; l < count; ++l) {
      Joins& j = share.joins[share.order[i + l]];
      j.settled = (b.alive >> l) & 1;
      if (!j.settled)
        continue;
      for (size_t t = 0; t < share.targets.size(); ++t) {
        const uint32_t v = at_[share.targets[t]];
        const int64_t key = b.key[size_t{v} * kLanes + l];
        if (v != from[l] && (b.joined[v] >> l) & 1 && key > kUnraisedKey) {
          j.targets.push_back(static_cast<uint32_t>(t));
          j.weights.push_back(valueOf(key));
        }
      }
    }
  }
}

}  // namespace squeeze
