// Redundant arcs: of parallel arcs between two lines only one stays.  The
// removal is made at once, or worked out ahead (beside lp_solve) and then
// carried out where the lists still stand as they were.
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "Dglobal.h"
#include "SQint.h"
#include "SQsqueeze.h"

namespace {

// Takes every arc marked (occupied -1) out of one list of `line` (through
// `next`, the arcs whose `end` is the line), the others keeping their order.
template <class Next, class End>
void unlinkMarkedFrom(SQARC_link* head, Next next, End end, const SQLINE_item* line, int* count)
{
  for (SQARC_link* p = head; *p;)
    if ((*p)->occupied == -1 && (*p)->*end == line) {
      SQARC_item* a = *p;
      *p = a->*next;
      a->*next = nullptr;
      --*count;
    } else {
      p = &((*p)->*next);
    }
}

// Takes every arc marked out of the lists of `line`; a long list is walked
// once, not once per arc.
void unlinkMarked(SQLINE_item* line)
{
  unlinkMarkedFrom(&line->ori_next, &SQARC_item::ori_next, &SQARC_item::ori, line, &line->no_ori);
  unlinkMarkedFrom(&line->ter_next, &SQARC_item::ter_next, &SQARC_item::ter, line, &line->no_ter);
}

// The arc kept so far to each line, by index, for one line's scan at a
// time: findLosers' seenOf over arrays as long as the lines.
class SeenByIndex {
 public:
  explicit SeenByIndex(size_t lines) : seen_(lines, nullptr), owner_(lines, nullptr) {}
  SQARC_item*& of(const SQLINE_item* line, size_t t)
  {
    if (owner_[t] != line) {
      owner_[t] = line;
      seen_[t] = nullptr;
    }
    return seen_[t];
  }

 private:
  std::vector<SQARC_item*> seen_;
  std::vector<const SQLINE_item*> owner_;
};

/*
 * findLosers --
 *   The arcs of `line` that go, appended to *losers: of two arcs to one
 *   line the part of a symmetry row stays, else the heavier, the later one
 *   on equal weights.  seenOf(t) is the arc kept so far to the line of
 *   index t, null before the first.  Returns the pairs of symmetry arcs met
 *   (both stay).
 */
template <class SeenOf>
int findLosers(const SQLINE_item* line, SeenOf seenOf, std::vector<SQARC_item*>* losers)
{
  int bothSym = 0;
  for (SQARC_item* a = line->ori_next; a; a = a->ori_next) {
    SQARC_item*& b = seenOf(squeeze::lineIndex(a->ter));
    if (!b) {
      b = a;
      continue;
    }
    if (a->sym && b->sym) {
      ++bothSym;
      continue;
    }
    const bool keepA = a->sym || (!b->sym && a->weight >= b->weight);
    losers->push_back(keepA ? b : a);
    b = keepA ? a : b;
  }
  return bothSym;
}

// The arcs of `line` that are not in losers[from, end), in list order.
template <class Out>
void eachStaying(const SQLINE_item* line, const std::vector<SQARC_item*>& losers, size_t from,
                 Out out)
{
  const size_t n = losers.size() - from;
  std::vector<SQARC_item*> sorted;
  if (n > 8) {
    sorted.assign(losers.begin() + static_cast<long>(from), losers.end());
    std::sort(sorted.begin(), sorted.end());
  }
  for (SQARC_item* a = line->ori_next; a; a = a->ori_next) {
    const bool goes = n > 8 ? std::binary_search(sorted.begin(), sorted.end(), a)
                            : std::find(losers.begin() + static_cast<long>(from), losers.end(),
                                        a) != losers.end();
    if (!goes)
      out(a);
  }
}

// What one half of the lines lists of the arcs that stay: their ends and
// weights, line after line, and (line index, arcs) by line.
struct Listing {
  std::vector<uint32_t> to;
  std::vector<int> weight;
  std::vector<std::pair<size_t, uint32_t>> counts;
  bool sound = true;  // the lines came in order of their indices

  void endLine(size_t index, uint32_t arcs)
  {
    sound = sound && (counts.empty() || counts.back().first < index);
    counts.emplace_back(index, arcs);
  }
};

// The listing of two halves, the second's lines after the first's; `lines`
// by index, as many as the listing has room for.
void joinListings(Listing& first, Listing& second, std::vector<SQLINE_item*> lines,
                  squeeze::ListedArcs* listed)
{
  listed->sound = first.sound && second.sound &&
                  (first.counts.empty() || second.counts.empty() ||
                   first.counts.back().first < second.counts.front().first);
  const size_t m = lines.size();
  listed->first.assign(m + 1, 0);
  for (const Listing* h : {&first, &second})
    for (const auto& [index, count] : h->counts)
      listed->first[index + 1] = count;
  for (size_t i = 0; i < m; ++i)
    listed->first[i + 1] += listed->first[i];
  listed->lines = std::move(lines);
  listed->to = std::move(first.to);
  listed->to.insert(listed->to.end(), second.to.begin(), second.to.end());
  listed->weight = std::move(first.weight);
  listed->weight.insert(listed->weight.end(), second.weight.begin(), second.weight.end());
}

}  // namespace

/*
 * SQremove_redundant_arcs --
 *   Of two outgoing arcs of one line to the same line, the part of a
 *   symmetry row stays, else the heavier (on equal weights the later one
 *   in the list).  The losers (never part of a symmetry row) go as
 *   SQremovearc takes them, all at once: each line's outgoing list is
 *   walked again right after its scan, and the incoming lists are made
 *   anew from the arcs that stay, in another order (the longest paths and
 *   the wire-length minimisation that follow do not depend on it).  Should
 *   the lists not hold the same arcs, each line's lists are walked instead.
 *   Returns: the number of arcs removed.
 */
int SQremove_redundant_arcs() { return squeeze::removeRedundantArcs(nullptr); }

namespace {

/* removeAtOnce -- the removal, found and made on the lists as they stand. */
int removeAtOnce(squeeze::ListedArcs* listed)
{
  const size_t lines = squeeze::store(resize_direction).lineCount;
  long outgoing = 0, incoming = 0;
  squeeze::forEachLine([&](SQLINE_item* l) {
    outgoing += l->no_ori;
    incoming += l->no_ter;
  });
  const bool renew = outgoing == incoming;
  // The cells in two halves, on two threads when the incoming lists are
  // made anew: each half finds its lines' losers and makes its part of
  // every incoming list (an arc is in the outgoing list of one line), the
  // later half's part in front, as one walk of all lines in order would.
  const int cells = SQcell_size + SQsymcell_size;
  // The arcs that stay, listed as the relinking meets them: by line index
  // when the cells' lines come in the order of their indices.
  const bool listing = listed && renew;
  std::vector<SQLINE_item*> byIndex;
  if (listing) {
    size_t m = 0;
    for (int i = 0; i < cells; ++i)
      for (SQLINE_item* l : {SQcell[i].left, SQcell[i].right})
        if (l)
          m = std::max(m, squeeze::lineIndex(l) + 1);
    byIndex.assign(m, nullptr);
    for (int i = 0; i < cells; ++i)
      for (SQLINE_item* l : {SQcell[i].left, SQcell[i].right})
        if (l)
          byIndex[squeeze::lineIndex(l)] = l;
  }
  struct Half : Listing {
    std::optional<SeenByIndex> seen;
    std::vector<SQARC_item*> losers, in, last;
    std::vector<int> inCount;
    int bothSym = 0;  // pairs of symmetry arcs met
  } half[2];
  auto scan = [&](Half& h, int from, int to) {
    h.seen.emplace(lines);
    if (renew) {
      h.in.assign(lines, nullptr);
      h.last.assign(lines, nullptr);
      h.inCount.assign(lines, 0);
    }
    if (listing) {
      h.to.reserve(static_cast<size_t>(outgoing) / 2 + 1);
      h.weight.reserve(h.to.capacity());
    }
    for (int i = from; i < to; ++i)
      for (SQLINE_item* l : {SQcell[i].left, SQcell[i].right}) {
        if (!l)
          continue;
        const size_t before = h.losers.size();
        h.bothSym += findLosers(
            l, [&](size_t t) -> SQARC_item*& { return h.seen->of(l, t); }, &h.losers);
        if (!renew)
          continue;
        for (size_t k = before; k < h.losers.size(); ++k)
          h.losers[k]->occupied = -1;
        SQARC_link* tail = &l->ori_next;
        const size_t listedFrom = h.to.size();
        for (SQARC_item *a = l->ori_next, *next; a; a = next) {
          next = a->ori_next;
          if (a->occupied == -1) {
            a->ori_next = a->ter_next = nullptr;
            --l->no_ori;
            continue;
          }
          *tail = a;
          tail = &a->ori_next;
          const size_t t = squeeze::lineIndex(a->ter);
          if (!h.in[t])
            h.last[t] = a;
          a->ter_next = h.in[t];
          h.in[t] = a;
          ++h.inCount[t];
          if (listing) {
            h.sound = h.sound && a->ori == l && t < byIndex.size() && byIndex[t] == a->ter;
            h.to.push_back(static_cast<uint32_t>(t));
            h.weight.push_back(a->weight);
          }
        }
        *tail = nullptr;
        if (listing) {
          const size_t k = squeeze::lineIndex(l);
          h.endLine(k, static_cast<uint32_t>(h.to.size() - listedFrom));
        }
      }
  };
  if (renew)
    common::onTwoThreads(
        [&](bool second) { scan(half[second], second ? cells / 2 : 0, second ? cells : cells / 2); });
  else
    scan(half[0], 0, cells);
  for (const Half& h : half)
    for (int k = 0; k < h.bothSym; ++k)
      common::outf("both arc1 and arc2 are part of symmetry constraints (just messages)\n");
  if (listing)
    joinListings(half[0], half[1], std::move(byIndex), listed);
  std::vector<SQARC_item*> losers = std::move(half[0].losers);
  losers.insert(losers.end(), half[1].losers.begin(), half[1].losers.end());
  if (renew) {
    squeeze::forEachLine([&](SQLINE_item* l) {
      const size_t t = squeeze::lineIndex(l);
      if (half[1].in[t]) {
        half[1].last[t]->ter_next = half[0].in[t];
        l->ter_next = half[1].in[t];
      } else {
        l->ter_next = half[0].in[t];
      }
      l->no_ter = half[0].inCount[t] + half[1].inCount[t];
    });
  } else {
    std::vector<SQLINE_item*> touched;
    std::vector<unsigned char> isTouched(lines, 0);
    for (SQARC_item* a : losers) {
      a->occupied = -1;
      for (SQLINE_item* l : {a->ori, a->ter})
        if (!isTouched[squeeze::lineIndex(l)]) {
          isTouched[squeeze::lineIndex(l)] = 1;
          touched.push_back(l);
        }
    }
    for (SQLINE_item* l : touched)
      unlinkMarked(l);
  }
  for (SQARC_item* a : losers) {
    a->occupied = 0;
    a->weight = -1;
    a->rank = -1;
  }
  return static_cast<int>(losers.size());
}

// The lines' arcs as a plan finds them: where its line's findings begin in
// the plan's arrays, or the line's own findings made anew.
struct Found {
  SQARC_item* const* stay;
  const uint32_t* to;
  size_t stays;
  SQARC_item* const* go;
  size_t goes;
};

// A line worked out anew when the plan is carried out.
struct Fresh {
  size_t k;  // the line's place in the order of forEachLine
  std::vector<SQARC_item*> stay, go;
  std::vector<uint32_t> to;
  int bothSym = 0;
};

/*
 * findAll --
 *   The findings of `line` into fresh: the arcs that stay (with the indices
 *   of their ends) and go.  Returns false where an arc that stays does not
 *   leave `line` or leads to a line that `byIndex` does not hold.
 */
bool findAll(const SQLINE_item* line, const std::vector<SQLINE_item*>& byIndex, Fresh* fresh)
{
  std::unordered_map<size_t, SQARC_item*> seen;
  fresh->bothSym = findLosers(
      line, [&](size_t t) -> SQARC_item*& { return seen[t]; }, &fresh->go);
  bool sound = true;
  eachStaying(line, fresh->go, 0, [&](SQARC_item* a) {
    const size_t t = squeeze::lineIndex(a->ter);
    sound = sound && a->ori == line && t < byIndex.size() && byIndex[t] == a->ter;
    fresh->stay.push_back(a);
    fresh->to.push_back(static_cast<uint32_t>(t));
  });
  return sound;
}

/*
 * carryOut --
 *   The removal by `plan`, as removeAtOnce would make it on the graph as
 *   it stands: the lists of the lines are made in the order of their
 *   findings, and each incoming list holds the arcs that stay in reverse
 *   order of their lines (what removeAtOnce's two halves come to).
 *   Returns the number of arcs removed, or -1, changing nothing, where the
 *   plan does not fit the graph.
 */
int carryOut(const squeeze::RemovalPlan& plan, squeeze::ListedArcs* listed)
{
  const int cells = SQcell_size + SQsymcell_size;
  const size_t lines = squeeze::store(resize_direction).lineCount;
  if (plan.cells != cells || plan.lines != lines)
    return -1;
  long outgoing = 0, incoming = 0;
  squeeze::forEachLine([&](SQLINE_item* l) {
    outgoing += l->no_ori;
    incoming += l->no_ter;
  });
  if (outgoing != incoming)
    return -1;  // the lists are mended arc by arc
  // The lines whose lists changed since the plan (arcs linked in front).
  std::vector<Fresh> fresh;
  std::vector<size_t> firstOfCell(static_cast<size_t>(cells) + 1, 0);  // line places
  {
    size_t k = 0;
    for (int i = 0; i < cells; ++i) {
      firstOfCell[static_cast<size_t>(i)] = k;
      for (const SQLINE_item* l : {SQcell[i].left, SQcell[i].right}) {
        if (!l)
          continue;
        if (k >= plan.head.size())
          return -1;
        const uint32_t planned = plan.stayFirst[k + 1] - plan.stayFirst[k] +
                                 plan.goFirst[k + 1] - plan.goFirst[k];
        if (l->ori_next != plan.head[k] || l->no_ori != static_cast<int>(planned)) {
          fresh.push_back(Fresh{k, {}, {}, {}, 0});
          if (!findAll(l, plan.byIndex, &fresh.back()))
            return -1;
        }
        ++k;
      }
    }
    firstOfCell[static_cast<size_t>(cells)] = k;
    if (k != plan.head.size())
      return -1;
  }
  auto found = [&](size_t k, const Fresh* f) {
    if (f)
      return Found{f->stay.data(), f->to.data(), f->stay.size(), f->go.data(), f->go.size()};
    const uint32_t s = plan.stayFirst[k], g = plan.goFirst[k];
    return Found{plan.stay.data() + s, plan.to.data() + s, plan.stayFirst[k + 1] - s,
                 plan.go.data() + g, plan.goFirst[k + 1] - g};
  };
  // The fresh line at place k, from the cursor `next` on (places ascend).
  auto freshAt = [&](size_t k, size_t* next) -> const Fresh* {
    while (*next < fresh.size() && fresh[*next].k < k)
      ++*next;
    return *next < fresh.size() && fresh[*next].k == k ? &fresh[*next] : nullptr;
  };
  // The findings of the line at place k, fresh or planned.
  auto lineAt = [&](size_t k, size_t* next) { return found(k, freshAt(k, next)); };
  int bothSym = 0;
  {
    size_t next = 0;
    for (const auto& [k, pairs] : plan.bothSym)
      if (!freshAt(k, &next))
        bothSym += pairs;
    for (const Fresh& f : fresh)
      bothSym += f.bothSym;
  }
  // The outgoing lists, and the listing, the cells in two halves.
  Listing half[2];
  common::onTwoThreads([&](bool second) {
    Listing& h = half[second];
    const int from = second ? cells / 2 : 0, end = second ? cells : cells / 2;
    size_t k = firstOfCell[static_cast<size_t>(from)], next = 0;
    if (listed) {
      const size_t arcs = plan.stayFirst[firstOfCell[static_cast<size_t>(end)]] -
                          plan.stayFirst[firstOfCell[static_cast<size_t>(from)]];
      h.to.reserve(arcs + 16);
      h.weight.reserve(arcs + 16);
    }
    for (int i = from; i < end; ++i)
      for (SQLINE_item* l : {SQcell[i].left, SQcell[i].right}) {
        if (!l)
          continue;
        const Found f = lineAt(k, &next);
        ++k;
        for (size_t j = 0; j < f.goes; ++j)
          f.go[j]->ori_next = f.go[j]->ter_next = nullptr;
        l->no_ori -= static_cast<int>(f.goes);
        l->ori_next = f.stays ? f.stay[0] : nullptr;
        for (size_t j = 0; j < f.stays; ++j)
          f.stay[j]->ori_next = j + 1 < f.stays ? f.stay[j + 1] : nullptr;
        if (!listed)
          continue;
        for (size_t j = 0; j < f.stays; ++j) {
          h.to.push_back(f.to[j]);
          h.weight.push_back(f.stay[j]->weight);
        }
        h.endLine(squeeze::lineIndex(l), static_cast<uint32_t>(f.stays));
      }
  });
  // The incoming lists, the lines by index in two halves: each walks all
  // arcs that stay, in order, and puts those into its lines in front.
  common::onTwoThreads([&](bool second) {
    const size_t from = second ? lines / 2 : 0, end = second ? lines : lines / 2;
    for (size_t t = from; t < end; ++t)
      if (SQLINE_item* l = plan.byIndex[t]) {
        l->ter_next = nullptr;
        l->no_ter = 0;
      }
    size_t next = 0;
    for (size_t k = 0; k < plan.head.size(); ++k) {
      const Found f = lineAt(k, &next);
      for (size_t j = 0; j < f.stays; ++j) {
        const size_t t = f.to[j];
        if (t < from || t >= end)
          continue;
        SQLINE_item* l = plan.byIndex[t];
        f.stay[j]->ter_next = l->ter_next;
        l->ter_next = f.stay[j];
        ++l->no_ter;
      }
    }
  });
  for (int k = 0; k < bothSym; ++k)
    common::outf("both arc1 and arc2 are part of symmetry constraints (just messages)\n");
  if (listed) {
    size_t m = 0;
    for (const Listing& h : half)
      for (const auto& [index, count] : h.counts)
        m = std::max(m, index + 1);
    joinListings(half[0], half[1],
                 std::vector<SQLINE_item*>(plan.byIndex.begin(),
                                           plan.byIndex.begin() + static_cast<long>(m)),
                 listed);
  }
  int removed = 0;
  size_t next = 0;
  for (size_t k = 0; k < plan.head.size(); ++k) {
    const Found f = lineAt(k, &next);
    for (size_t j = 0; j < f.goes; ++j) {
      f.go[j]->occupied = 0;
      f.go[j]->weight = -1;
      f.go[j]->rank = -1;
    }
    removed += static_cast<int>(f.goes);
  }
  return removed;
}

}  // namespace

std::unique_ptr<squeeze::RemovalPlan> squeeze::planRedundantArcs(
    const std::function<bool()>& giveUp)
{
  auto plan = std::make_unique<RemovalPlan>();
  plan->cells = SQcell_size + SQsymcell_size;
  plan->lines = squeeze::store(resize_direction).lineCount;
  plan->byIndex.assign(plan->lines, nullptr);
  bool sound = true;
  size_t met = 0;
  forEachLine([&](SQLINE_item* l) {
    const size_t k = lineIndex(l);
    sound = sound && k < plan->lines && !plan->byIndex[k];
    if (sound)
      plan->byIndex[k] = l;
    ++met;
  });
  if (!sound)
    return nullptr;
  SeenByIndex seen(plan->lines);
  plan->stayFirst.push_back(0);
  plan->goFirst.push_back(0);
  constexpr size_t kAskEvery = 4096;  // lines between two questions to giveUp
  bool gaveUp = false;
  forEachLine([&](SQLINE_item* l) {
    const size_t planned = plan->head.size();
    gaveUp = gaveUp || (giveUp && planned % kAskEvery == 0 && planned < met / 2 && giveUp());
    if (gaveUp)
      return;
    const size_t before = plan->go.size();
    const int pairs =
        findLosers(l, [&](size_t t) -> SQARC_item*& { return seen.of(l, t); }, &plan->go);
    if (pairs)
      plan->bothSym.emplace_back(static_cast<uint32_t>(plan->head.size()), pairs);
    eachStaying(l, plan->go, before, [&](SQARC_item* a) {
      const size_t t = lineIndex(a->ter);
      sound = sound && a->ori == l && t < plan->lines && plan->byIndex[t] == a->ter;
      plan->stay.push_back(a);
      plan->to.push_back(static_cast<uint32_t>(t));
    });
    plan->head.push_back(l->ori_next);
    plan->stayFirst.push_back(static_cast<uint32_t>(plan->stay.size()));
    plan->goFirst.push_back(static_cast<uint32_t>(plan->go.size()));
  });
  if (!sound || gaveUp)
    return nullptr;
  return plan;
}

int squeeze::removeRedundantArcs(ListedArcs* listed, const RemovalPlan* plan)
{
  if (plan) {
    const int removed = carryOut(*plan, listed);
    if (removed >= 0)
      return removed;
  }
  return removeAtOnce(listed);
}
