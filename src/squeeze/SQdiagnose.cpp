// What a designer is told about the squeeze graph: the arcs the drawn layout
// does not meet (its own rule violations, kept as drawn), and a positive
// cycle in the layout's terms: layers, kinds of constraint, places in
// micrometres and the transistors involved.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "CS.h"
#include "DEextract.h"
#include "DTtechnology.h"
#include "Dcompact.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "SQint.h"
#include "SQsqueeze.h"

namespace squeeze {

namespace {

constexpr int kListed = 12;  // arcs of one kind of report listed in full

double microns(long units) { return SCALE > 0 ? units * LAMBDA_T1 / SCALE : 0; }

using common::formatted;

bool lr() { return resize_direction != TOP_BOTTOM; }

const char* sideName(const SQLINE_item* l)
{
  const bool low = l->cell && l == l->cell->left;
  if (lr())
    return low ? "left side" : "right side";
  return low ? "bottom" : "top";
}

// The transistors whose tiles a cell came from, by tile.
class TransistorIndex {
 public:
  TransistorIndex()
  {
    for (int e = 0; Transistors && e < DelementNum; ++e)
      for (const _Dtransistor* t = Transistors[e]; t; t = t->next)
        for (const _Dtile* tile : {t->Tgate, t->Pgate, t->Tsource, t->Tdrain})
          if (tile)
            byTile_.emplace(tile, t);
    // The other pieces of a channel cut into several tiles.
    for (int e = 0; Transistors && e < DelementNum; ++e)
      for (const _Dtransistor* t = Transistors[e]; t; t = t->next) {
        if (!t->Tgate)
          continue;
        std::unordered_set<const _Dtile*> channel;
        addChannel(&channel, t->Tgate);
        for (const _Dtile* tile : channel)
          byTile_.emplace(tile, t);
      }
  }
  const _Dtransistor* of(const SQLINE_item* l) const
  {
    if (!l || !l->cell || !l->cell->mother_tile)
      return nullptr;
    auto it = byTile_.find(l->cell->mother_tile);
    return it == byTile_.end() ? nullptr : it->second;
  }

 private:
  std::unordered_map<const _Dtile*, const _Dtransistor*> byTile_;
};

}  // namespace

std::string describeLine(const SQLINE_item* l)
{
  if (!l || !l->cell)
    return "an unknown line";
  const SQCELL_item& c = *l->cell;
  if (strcmp(c.layername, "SYM") == 0)
    return formatted("the symmetry axis at %s = %.2f um", lr() ? "x" : "y", microns(l->loc));
  // The extent across the direction, as drawn.
  long lo = lr() ? c.corner.y1 : c.corner.x1, hi = lr() ? c.corner.y2 : c.corner.x2;
  if (const _Dtile* t = c.mother_tile) {
    lo = lr() ? t->y1 : t->x1;
    hi = lr() ? cs::top(t) : cs::right(t);
  }
  return formatted("the %s of %s at %s = %.2f um (%s %.2f..%.2f um)", sideName(l), c.layername,
                lr() ? "x" : "y", microns(l->loc), lr() ? "y" : "x", microns(lo), microns(hi));
}

std::string describeOrigin(const SQARC_item* a)
{
  switch (a->origin) {
    case ArcOrigin::Row: {
      if (a->sym)
        return "symmetry row";
      const compact::RowKind kind = compact::rowKind(a->rank);
      return formatted("%s (row %d)", compact::rowKindName(kind), a->rank);
    }
    case ArcOrigin::DrawnWidth: return "drawn width of a box without a width rule (kept)";
    case ArcOrigin::GateRegion: return "channel and gate kept together (kept)";
    case ArcOrigin::DrawnOverlap: return "drawn overlap (kept)";
    case ArcOrigin::Meeting: return "tiles of one layer meeting (kept)";
    case ArcOrigin::Apart: return "tiles kept apart (kept)";
    case ArcOrigin::RuledSpacing: return "spacing rule corner to corner (kept)";
    case ArcOrigin::KeptExtension: return "extension rule beyond a split tile (kept)";
    case ArcOrigin::Passive: return "passive device size (kept)";
    case ArcOrigin::ContactCover: return "metal over a contact following its diffusion";
    case ArcOrigin::DrawnSize: return "drawn size of a transistor that is not resized";
    case ArcOrigin::Device:
      if (a->rank == -40)
        return "room for the contact rows of a transistor";
      if (a->rank == -50)
        return "new size of a transistor";
      return "device regeneration";
  }
  return "arc";
}

std::string describeArc(const SQARC_item* a)
{
  return formatted("%s: %s must lie at least %.2f um beyond %s", describeOrigin(a).c_str(),
                describeLine(a->ter).c_str(), microns(a->weight), describeLine(a->ori).c_str());
}

/*
 * keepDrawnWhereBroken --
 *   The drawn layout is a solution of every constraint it meets.  An arc it
 *   does not meet (a rule the input itself breaks, at that place) is lowered
 *   to the drawn distance, so that the compaction never makes it worse and
 *   never fails because of it; the places are reported.
 *   Returns: the number of arcs lowered.
 */
int keepDrawnWhereBroken()
{
  std::vector<SQARC_item*> broken;
  for (SQARC_item* a = SQarc; a; a = a->list_next) {
    if (a->occupied != 1 || a->sym || !a->ori || !a->ter)
      continue;
    if (a->ter->loc - a->ori->loc < a->weight)
      broken.push_back(a);
  }
  if (broken.empty())
    return 0;
  GCmessage(0, 'W', "%s: the drawn layout does not meet %zu constraints; they are kept as drawn",
            directionName(resize_direction), broken.size());
  int listed = 0;
  for (SQARC_item* a : broken) {
    if (listed++ < kListed)
      common::outf("  kept as drawn (%.2f um, not %.2f um): %s\n",
                   microns(a->ter->loc - a->ori->loc), microns(a->weight), describeArc(a).c_str());
    a->weight = a->ter->loc - a->ori->loc;
  }
  if (listed > kListed)
    common::outf("  ... and %d more\n", listed - kListed);
  return static_cast<int>(broken.size());
}

/*
 * reportCycle --
 *   The arcs of a positive cycle in order, each in words, with the
 *   transistors they touch, the amount by which they ask too much, and
 *   those the drawn layout itself does not meet.
 */
void reportCycleInLayoutTerms(const std::vector<SQARC_item*>& cycle)
{
  long total = 0;
  for (const SQARC_item* a : cycle)
    total += a->weight;
  common::outf("\nThe %s constraints below cannot all hold: each asks the next line to lie "
               "beyond the one before, and round the loop they ask %.2f um more than nothing.\n",
               directionName(resize_direction), microns(total));
  const TransistorIndex transistors;
  std::vector<std::string> names;
  int shown = 0;
  for (const SQARC_item* a : cycle) {
    if (shown++ < 3 * kListed)
      common::outf("  %2d. %s (drawn %.2f um)\n", shown, describeArc(a).c_str(),
                   microns(a->ter->loc - a->ori->loc));
    for (const SQLINE_item* l : {a->ori, a->ter})
      if (const _Dtransistor* t = transistors.of(l))
        if (std::find(names.begin(), names.end(), t->name) == names.end())
          names.push_back(t->name);
  }
  if (shown > 3 * kListed)
    common::outf("  ... %d constraints in all\n", shown);
  if (!names.empty()) {
    std::string list;
    for (const std::string& n : names)
      list += (list.empty() ? "" : ", ") + n;
    common::outf("Transistors involved: %s\n", list.c_str());
  }
  GCmessage(0, 'E', "%s: %zu constraints ask for more room than there is (%.2f um), near %s",
            directionName(resize_direction), cycle.size(), microns(total),
            describeLine(cycle.front()->ori).c_str());
}

bool yieldKeptArcs(const std::vector<SQARC_item*>& cycle)
{
  bool yielded = false;
  const int step = SCALE > 0 ? SCALE : 1;
  for (SQARC_item* a : cycle) {
    if (a->origin == ArcOrigin::Row || a->origin == ArcOrigin::Device ||
        a->origin == ArcOrigin::DrawnSize || a->sym)
      continue;
    const std::string was = describeArc(a);
    const int drawn = a->ter->loc - a->ori->loc;  // the lines stand where drawn here
    if (drawn < a->weight)
      a->weight = drawn;
    else if (a->weight > step)
      a->weight = step;  // still apart, still overlapping
    else if (a->weight > 0)
      a->weight = 0;
    else
      continue;  // what keeps tiles together or apart at all stays
    GCmessage(0, 'W', "%s: a constraint kept from the drawing gives way to the rules and "
              "sizes: %s", directionName(resize_direction), was.c_str());
    yielded = true;
  }
  return yielded;
}

/*
 * positiveCycle --
 *   A cycle of positive total weight among `lines` (a strongly connected
 *   part in which the longest paths keep rising), found by relaxing the
 *   arcs inside the part with parent arcs kept, and looking for a cycle of
 *   parents after every round.  Empty when none shows within as many rounds
 *   as the part has lines.
 */
std::vector<SQARC_item*> positiveCycle(const std::vector<SQLINE_item*>& lines)
{
  std::unordered_map<const SQLINE_item*, size_t> at;
  for (size_t i = 0; i < lines.size(); ++i)
    at.emplace(lines[i], i);
  std::vector<long> value(lines.size(), 0);
  std::vector<SQARC_item*> parent(lines.size(), nullptr);
  auto findCycle = [&]() -> std::vector<SQARC_item*> {
    std::vector<unsigned char> state(lines.size(), 0);  // 0 unseen, 1 on the walk, 2 done
    for (size_t s = 0; s < lines.size(); ++s) {
      std::vector<size_t> walk;
      size_t i = s;
      while (parent[i] && state[i] == 0) {
        state[i] = 1;
        walk.push_back(i);
        i = at[parent[i]->ori];
      }
      if (parent[i] && state[i] == 1) {
        std::vector<SQARC_item*> cycle;
        size_t j = i;
        do {
          cycle.push_back(parent[j]);
          j = at[parent[j]->ori];
        } while (j != i);
        std::reverse(cycle.begin(), cycle.end());
        return cycle;
      }
      for (size_t w : walk)
        state[w] = 2;
    }
    return {};
  };
  for (size_t round = 0; round <= lines.size(); ++round) {
    bool changed = false;
    for (size_t i = 0; i < lines.size(); ++i)
      for (SQARC_item* a = lines[i]->ori_next; a; a = a->ori_next) {
        auto to = at.find(a->ter);
        if (to == at.end() || value[i] + a->weight <= value[to->second])
          continue;
        value[to->second] = value[i] + a->weight;
        parent[to->second] = a;
        changed = true;
      }
    if (!changed)
      return {};
    std::vector<SQARC_item*> cycle = findCycle();
    if (!cycle.empty())
      return cycle;
  }
  return {};
}

}  // namespace squeeze
