// Multi-finger groups: clustering the transistors of each gate net, runs of
// contiguous fingers, the id table and the listing of the groups.
#include "DHhierarchy.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "CS.h"
#include "DHstate.h"
#include "DTtechnology.h"
#include "Dglobal.h"

List<MultiFingerTran*>* MFTList = nullptr;
_DMFTHashTable* MFTHash = nullptr;

namespace hierarchy {

State& state()
{
  static State s;
  return s;
}

// Ids are dense from 1, so the group of an id is found without walking
// the id table's chains.
MultiFingerTran* findGroup(int id)
{
  State& s = state();
  if (id < 1 || static_cast<size_t>(id) > s.groups.size())
    return nullptr;
  return &s.groups[static_cast<size_t>(id) - 1];
}

void install() { extract::onRelease(&DHreleaseGroups); }

}  // namespace hierarchy

namespace {

using hierarchy::State;
using hierarchy::state;

// The groups of one gate net are told apart by their source and drain nets,
// in either order.
struct NetsKey {
  long gate, low, high;
  bool operator==(const NetsKey& o) const
  {
    return gate == o.gate && low == o.low && high == o.high;
  }
};
struct NetsKeyHash {
  size_t operator()(const NetsKey& k) const
  {
    uint64_t h = static_cast<uint64_t>(k.gate) * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<uint64_t>(k.low) + 0x7F4A7C159E3779B9ull + (h << 6) + (h >> 2);
    h ^= static_cast<uint64_t>(k.high) + 0x94D049BB133111EBull + (h << 6) + (h >> 2);
    return static_cast<size_t>(h);
  }
};

NetsKey keyOf(const _Dtransistor* t)
{
  return {t->gate, std::min<long>(t->source, t->drain), std::max<long>(t->source, t->drain)};
}
NetsKey keyOf(const MultiFingerTran* g)
{
  return {g->gate, std::min(g->source, g->drain), std::max(g->source, g->drain)};
}

// Empties the id table, making it when it does not exist.
void resetTable(State& s)
{
  s.table.tablesize = kMFTHashSize;
  s.table.MFTList = s.buckets;
  for (_DMFTList_& head : s.buckets)
    head = _DMFTList_{0, nullptr, nullptr};
  s.nodes.clear();
  MFTHash = &s.table;
}

// Enters a new group into the id table; ids are never reused, so none is
// there yet.
void enterGroup(State& s, MultiFingerTran* group)
{
  _DMFTList_& head = s.buckets[std::abs(group->id) % kMFTHashSize];
  s.nodes.push_back(_DMFTList_{group->id, group, head.next});
  head.next = &s.nodes.back();
}

MultiFingerTran* newGroup(State& s, const _Dtransistor* t)
{
  s.groups.emplace_back();
  MultiFingerTran* group = &s.groups.back();
  group->id = static_cast<int>(s.groups.size());
  group->tranCount = 0;
  group->gate = t->gate;
  group->source = t->source;
  group->drain = t->drain;
  enterGroup(s, group);
  MFTList->append(group);
  return group;
}

// Lower left corner of a finger's gate tile, the order of the fingers.
bool gateBefore(const _Dtransistor* a, const _Dtransistor* b)
{
  if (cs::left(a->Tgate) != cs::left(b->Tgate))
    return cs::left(a->Tgate) < cs::left(b->Tgate);
  return cs::bottom(a->Tgate) < cs::bottom(b->Tgate);
}

// No transistor of the extraction points at a group any more.
void forgetGroups()
{
  for (int e = 0; Transistors && e < DelementNum; ++e)
    for (_Dtransistor* t = Transistors[e]; t; t = t->next)
      t->multifingerTran = nullptr;
}

// Strict overlap of two intervals.
bool overlap(int a1, int a2, int b1, int b2) { return a1 < b2 && b1 < a2; }

}  // namespace

void DHreleaseGroups()
{
  State& s = state();
  if (MFTList)
    MFTList->makeEmpty();
  resetTable(s);
  s.groups.clear();
  s.runs.clear();
}

/*
 * clusterTransistors --
 *   Walks the nets in list order and each net's connection list in order;
 *   every transistor met through its gate net joins the group of that gate
 *   net with the same source and drain nets (or exchanged), or starts one.
 *   Then orders every group's fingers by gate position and cuts them into
 *   runs.
 * Side effects: MFTList, MFTHash and the transistors' multifingerTran.
 */
int clusterTransistors()
{
  State& s = state();
  DHreleaseGroups();
  if (!MFTList)
    MFTList = new List<MultiFingerTran*>;
  forgetGroups();

  // The groups made for the net being walked; a net with many of them gets
  // a table.
  std::vector<MultiFingerTran*> netGroups;
  std::unordered_map<NetsKey, MultiFingerTran*, NetsKeyHash> byNets;
  constexpr size_t kScanned = 16;
  auto groupOf = [&](const _Dtransistor* t) -> MultiFingerTran*& {
    NetsKey key = keyOf(t);
    if (!byNets.empty())
      return byNets[key];
    for (MultiFingerTran*& g : netGroups)
      if (keyOf(g) == key)
        return g;
    if (netGroups.size() < kScanned) {
      netGroups.push_back(nullptr);
      return netGroups.back();
    }
    for (MultiFingerTran* g : netGroups)
      byNets[keyOf(g)] = g;
    return byNets[key];
  };
  // Each finger with its group's index, ordered afterwards.
  std::vector<std::pair<size_t, _Dtransistor*>> fingers;
  fingers.reserve(static_cast<size_t>(std::max(TransNum, 0)));
  for (_Dnet* net = Nets; net; net = net->next) {
    if (!net->connElemList)
      continue;
    netGroups.clear();
    byNets.clear();
    for (const _Conn_Elem& entry : *net->connElemList) {
      if (entry.type != elemTRAN)
        continue;
      _Dtransistor* t = static_cast<_Dtransistor*>(entry.element);
      if (t->multifingerTran || t->gate != net->node || !t->Tgate)
        continue;
      MultiFingerTran*& group = groupOf(t);
      if (!group)
        group = newGroup(s, t);
      t->multifingerTran = group;
      ++group->tranCount;
      fingers.emplace_back(static_cast<size_t>(group->id - 1), t);
    }
  }
  std::stable_sort(fingers.begin(), fingers.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : gateBefore(a.second, b.second);
  });
  for (const auto& [index, t] : fingers)
    s.groups[index].tranList.append(t);
  for (MultiFingerTran& group : s.groups)
    partitionIntoContiguousElem(&group);
  return 0;
}

/*
 * partitionIntoContiguousElem --
 *   The first finger starts a run; every further finger joins the current
 *   run when it is contiguous with the finger before it, else starts one.
 */
void partitionIntoContiguousElem(MultiFingerTran* group)
{
  State& s = state();
  group->contList.makeEmpty();
  ContiguousElem* run = nullptr;
  const _Dtransistor* previous = nullptr;
  for (_Dtransistor* t : group->tranList) {
    if (!run || !areContiguous(t, previous)) {
      s.runs.emplace_back();
      run = &s.runs.back();
      run->tranCount = 0;
      group->contList.append(run);
    }
    run->tranList.append(t);
    ++run->tranCount;
    previous = t;
  }
}

/*
 * areContiguous --
 *   When `finger`'s gate does not start right of `previous`'s, compares the
 *   diffusion below `finger`'s gate with the one above `previous`'s: the
 *   same tile, or the lower one's top on the upper one's bottom with the x
 *   ranges overlapping.  Otherwise the same with the diffusion left of
 *   `finger`'s gate and right of `previous`'s.
 * Returns: 1 when contiguous.
 */
int areContiguous(const _Dtransistor* finger, const _Dtransistor* previous)
{
  if (!finger || !previous || !finger->Tgate || !previous->Tgate)
    return 0;
  const _Dtile* ga = finger->Tgate;
  const _Dtile* gb = previous->Tgate;
  const _Dtile* sa = finger->Tsource;
  const _Dtile* sb = previous->Tsource;
  if (cs::left(ga) <= cs::left(gb)) {
    const _Dtile* a = sa && cs::bottom(sa) < cs::bottom(ga) ? sa : finger->Tdrain;
    const _Dtile* b = sb && cs::bottom(sb) > cs::bottom(gb) ? sb : previous->Tdrain;
    if (!a || !b)
      return 0;
    if (a == b)
      return 1;
    return cs::bottom(a) == cs::top(b) &&
           overlap(cs::left(a), cs::right(a), cs::left(b), cs::right(b));
  }
  const _Dtile* a = sa && cs::left(sa) < cs::left(ga) ? sa : finger->Tdrain;
  const _Dtile* b = sb && cs::left(sb) > cs::left(gb) ? sb : previous->Tdrain;
  if (!a || !b)
    return 0;
  if (a == b)
    return 1;
  return cs::left(a) == cs::right(b) &&
         overlap(cs::bottom(a), cs::top(a), cs::bottom(b), cs::top(b));
}

namespace {

constexpr size_t kPrintChunk = size_t{1} << 16;  // bytes gathered before printing

void appendNumber(std::string* text, long number)
{
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  text->append(digits, end);
}

void flushText(std::string* text, bool force)
{
  if (text->empty() || (!force && text->size() < kPrintChunk))
    return;
  common::outf("%s", text->c_str());
  text->clear();
}

}  // namespace

/*
 * testClusterTransistors --
 *   Lists the groups: "mft<id>: gate <g> source <s> drain <d>, <n> fingers
 *   in <k> runs", then one line per run, "  run <i>: <finger names>".
 */
int testClusterTransistors()
{
  if (!MFTList)
    return 0;
  std::string text;
  appendNumber(&text, static_cast<long>(MFTList->size()));
  text.append(" multi-finger groups\n");
  for (const MultiFingerTran* group : *MFTList) {
    text.append("mft");
    appendNumber(&text, group->id);
    text.append(": gate ");
    appendNumber(&text, group->gate);
    text.append(" source ");
    appendNumber(&text, group->source);
    text.append(" drain ");
    appendNumber(&text, group->drain);
    text.append(", ");
    appendNumber(&text, group->tranCount);
    text.append(" fingers in ");
    appendNumber(&text, static_cast<long>(group->contList.size()));
    text.append(" runs\n");
    long n = 0;
    for (const ContiguousElem* run : group->contList) {
      text.append("  run ");
      appendNumber(&text, ++n);
      text.append(":");
      for (const _Dtransistor* t : run->tranList)
        text.append(" ").append(t->name);
      text.append("\n");
    }
    flushText(&text, false);
  }
  flushText(&text, true);
  return 0;
}
