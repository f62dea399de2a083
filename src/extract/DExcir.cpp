// The extraction: transistors from the element tiles of the active plane,
// then their nets.
#include "DEextract.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

#include "DExstate.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"

namespace {

using extract::kModule;

constexpr int kGateTag = -1;
constexpr int kNoGateColour = 6;
constexpr int kNoSourceColour = 3;
constexpr int kNoDrainColour = 6;
constexpr int kDebugColour = 0;
constexpr const char* kGatePlaneName = "CPG";

// Counts of one run.
struct Counts {
  int noSource = 0;
  int noDrain = 0;
};

double cpuSince(std::clock_t start)
{
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

void orient(_Dtransistor* t)
{
  const _Dtile *g = t->Tgate, *s = t->Tsource, *d = t->Tdrain;
  if (g->y1 == s->y1 && g->y1 == d->y1 && cs::top(g) == cs::top(s) && cs::top(g) == cs::top(d)) {
    t->orientation = 1;
  } else if (g->x1 == s->x1 && g->x1 == d->x1 && cs::right(g) == cs::right(s) &&
             cs::right(g) == cs::right(d)) {
    t->orientation = -1;
  } else {
    GCmessage(kModule, 'W', "gate, drain, source Tiles of transistors are not lined up nicely");
    t->orientation = 0;
  }
}

// Puts the source left of the drain (orientation 1) or below it.
void orderTerminals(_Dtransistor* t)
{
  bool swap;
  if (t->orientation == 1) {
    if (t->Tdrain->x1 == t->Tsource->x1)
      GCmessage(kModule, 'W', "orien = 1, why does x1 = x1?");
    swap = t->Tdrain->x1 < t->Tsource->x1;
  } else {
    if (t->Tdrain->y1 == t->Tsource->y1)
      GCmessage(kModule, 'W', "orien = -1, why does y1 = y1?");
    swap = t->Tdrain->y1 < t->Tsource->y1;
  }
  if (!swap)
    return;
  std::swap(t->Tsource, t->Tdrain);
  std::swap(t->source, t->drain);
}

// The gate-layer tiles over the gate and beside it in the plane "CPG".
void findGateLayerTiles(_Dtransistor* t)
{
  int plane = extract::planeNamed(kGatePlaneName);
  const _Dtile* g = t->Tgate;
  const int left = g->x1, bottom = g->y1, right = cs::right(g), top = cs::top(g);
  const int cx = static_cast<int>((static_cast<long>(left) + right) / 2);
  const int cy = static_cast<int>((static_cast<long>(bottom) + top) / 2);
  if (plane >= 0) {
    t->Pgate = extract::findIn(plane, cx, cy);
    t->Pgate->set_activeDev(3);
    if (t->orientation == 1) {
      t->Pside1 = extract::findIn(plane, cx, bottom - 1);
      t->Pside2 = extract::findIn(plane, cx, top + 1);
    } else {
      t->Pside1 = extract::findIn(plane, left - 1, cy);
      t->Pside2 = extract::findIn(plane, right + 1, cy);
    }
    t->Pside1->set_activeDev(4);
    t->Pside2->set_activeDev(4);
    return;
  }
  GCmessage(kModule, 'W', "Poly Gate Tile could not be found in DExCir.c");
  GCmessage(kModule, 'W', "Poly Side1 Tile could not be found in DExCirc.");
  GCmessage(kModule, 'W', "Poly Side1 Tile could not be found in DExCirc.");
}

// Makes the transistor of a recognised gate region.
_Dtransistor* makeTransistor(int element, const _box& box, _Dtile* gate, _Dtile* source,
                             _Dtile* drain)
{
  _Dtransistor* t = extract::newTransistor();
  ++TransNum;
  snprintf(t->name, sizeof t->name, "%s%d", "m", TransNum);
  t->number = TransNum;
  t->next = Transistors[element];
  Transistors[element] = t;
  t->type = element == 0 ? 0 : 1;
  t->Tgate = gate;
  t->Tsource = source;
  t->Tdrain = drain;
  gate->set_activeDev(1);
  source->set_activeDev(2);
  if (drain)
    drain->set_activeDev(2);
  t->width = box.y2 - box.y1;
  t->length = box.x2 - box.x1;
  if (source && drain) {
    orient(t);
    orderTerminals(t);
  }
  findGateLayerTiles(t);
  return t;
}

// Recognises the transistor of one element tile of the active plane.
void recognise(_Dtile* tile, Counts* counts)
{
  if (DebugStatus)
    TestTile(tile, kDebugColour);
  int element = DExElementNo(tile);
  _Dtile *gate, *source, *drain;
  _box* box = DExGSD(tile, element, &gate, &source, &drain, DcheckStatus);
  _Dtransistor* made = nullptr;
  if (!gate) {
    GCmessage(kModule, 'E', "Ignored a transistor with no gate");
    extract::markTile(tile, kNoGateColour);
  } else if (!source) {
    GCmessage(kModule, 'E', "Ignored a transistor with no source");
    extract::markTile(tile, kNoSourceColour);
    ++counts->noSource;
  } else {
    if (!drain) {
      GCmessage(kModule, 'W', "find a transistor with no drain");
      extract::markTile(tile, kNoDrainColour);
      ++counts->noDrain;
    }
    made = makeTransistor(element, *box, gate, source, drain);
  }
  common::release(box);
  if (made)
    InsertTranToHash(made->name, made);
}

// Abandons the extraction after a fault of the layout.
[[noreturn]] void abandon(const char* text)
{
  GCmessage(kModule, 'F', "%s", text);
  extract::releaseExtraction();
  common::abandonAction(1);
}

// The net of one terminal tile: its number, traced first when it has none.
int netOf(_Dtile* tile)
{
  if (tile->node > 0)
    return tile->node;
  int net = ++NetsNum;
  DExPath(tile, net);
  std::vector<uint32_t>& planes = extract::state().netPlanes;
  if (static_cast<size_t>(net) >= planes.size())
    planes.resize(static_cast<size_t>(net) + 1, 0);
  planes[static_cast<size_t>(net)] = extract::lastTracedPlanes();
  extract::newNet(net, NetTileList);
  NetTileList = nullptr;
  return net;
}

// Step 5 for one transistor: its gate, source and drain nets.
void connect(_Dtransistor* t)
{
  common::outf("\nTransistor name = %s\n", t->name);
  _Dtile* gate = extract::gateLayerTile(t);
  if (gate) {
    if (gate->lower())
      abandon("There is a contact on the gate");
    // Only an element tile holds its transistor; an ordinary tile's lower
    // slot holds contact links.
    if (TisElement(gate)) {
      gate->set_lower(reinterpret_cast<_Dtilelist*>(t));
      extract::state().holders.insert(gate);
    }
    t->gate = netOf(gate);
  }
  t->source = netOf(t->Tsource);
  if (t->Tdrain)
    t->drain = netOf(t->Tdrain);
  if (t->Tgate->lower())
    abandon("two transistor share a gate");
  t->Tgate->set_lower(reinterpret_cast<_Dtilelist*>(t));
  extract::state().holders.insert(t->Tgate);
}

// Makes sure there is one empty list head per element.
void prepareLists()
{
  extract::State& s = extract::state();
  if (Transistors == s.listHeads.data() && s.listHeads.size() >= static_cast<size_t>(DelementNum) &&
      !s.listHeads.empty())
    return;
  s.listHeads.assign(static_cast<size_t>(std::max(DelementNum, 1)), nullptr);
  Transistors = s.listHeads.data();
}

}  // namespace

/*
 * DExCir --
 *   Extracts the circuit of the planes: every gate region of the active
 *   plane becomes a transistor of its element kind with its width, length,
 *   orientation, terminals and gate-layer tiles; then every transistor's
 *   gate, source and drain nets are traced and numbered.
 * Side effects: a contact on a gate or two transistors on one gate release
 *   the extraction and abandon the action.
 */
int DExCir()
{
  if (DlayerNum == 0 || !DlayerTile[0].layertile) {
    GCmessage(kModule, 'W', "No layout avaiable, load one");
    return 1;
  }
  if (Nets || TransNum) {
    GCmessage(kModule, 'W', "Reload circuit please");
    return 1;
  }
  extract::install();
  prepareLists();
  extract::state().tilesLive = true;
  InitHash();
  FreeList(DlayerTile[0].highlight);
  FreeList(DlayerTile[0].selected);
  DlayerTile[0].highlight = DlayerTile[0].selected = nullptr;
  NetNameTable = nullptr;
  extract::state().newestName.clear();
  std::clock_t started = std::clock();

  // A layout of labels alone has an empty frame: there is nothing to search.
  const _box frame = DlayerTile[0].frame;
  _Dtilelist* tiles = nullptr;
  if (frame.x1 <= frame.x2 && frame.y1 <= frame.y2)
    extract::enumIn(0, std::max(frame.x1, cs::kMin), std::max(frame.y1, cs::kMin),
                    std::min(frame.x2, cs::kMax), std::min(frame.y2, cs::kMax), &tiles);
  Counts counts;
  for (_Dtilelist* n = tiles; n; n = n->next) {
    if (!TisElement(n->tile) || n->tile->node == kGateTag)
      continue;
    _Dtile* current = Stitch;
    recognise(n->tile, &counts);
    Stitch = current;
  }
  FreeList(tiles);
  GCmessage(kModule, 'M', "%d transistors are extracted", TransNum);
  GCmessage(kModule, 'M', "%d no source transistors are ignored", counts.noSource);
  GCmessage(kModule, 'M', "%d no drain transistors are found", counts.noDrain);
  GCmessage(kModule, 'M', "CPU time %.1f seconds", cpuSince(started));
  started = std::clock();

  for (int e = 0; e < DelementNum; ++e)
    for (_Dtransistor* t = Transistors[e]; t; t = t->next)
      connect(t);
  GCmessage(kModule, 'M', "%d nets are extracted", NetsNum);
  GCmessage(kModule, 'M', "CPU time %.1f seconds", cpuSince(started));
  return 0;
}
