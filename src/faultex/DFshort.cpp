// Short records, the critical-area planes of the bridge and pinhole runs:
// inserting critical rectangles with their net records, scanning the planes
// into the fault table and painting the regions.
#include "DFfault.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <vector>

#include "DEextract.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dview.h"
#include "DFshortInt.h"

namespace {

constexpr int kModule = 6;

// Colours of a painted region by the number of nets it joins.
constexpr int kTwoNetColour = 1;
constexpr int kThreeNetColour = 10;
constexpr int kFewNetColour = 2;   // 4 or 5 nets
constexpr int kManyNetColour = 39;

// What a short run keeps besides the specified globals.
struct ShortState {
  bool capReported = false;            // the 32-net cap was reported this run
  std::vector<bool> dirty;             // critical-area planes holding regions
  std::vector<cs::TileGrid> solids;    // per layer plane, built when needed
  std::vector<_Dtile*> found;          // scratch of the searches
  // The entries of the fault table by their nets; forgotten whenever the
  // table is found empty (it is emptied after every flush).
  std::map<std::vector<int32_t>, _DshortFault*> entries;
  cs::TileGrid& index(int plane)
  {
    if (solids.size() < static_cast<size_t>(kMaxPlanes))
      solids.resize(kMaxPlanes);
    if (!solids[plane].built())
      solids[plane].build(DlayerTile[plane].layertile, TisSolid);
    return solids[plane];
  }
};
ShortState& state()
{
  static ShortState* current = new ShortState();  // lives as long as the program
  return *current;
}

void markDirty(int plane)
{
  std::vector<bool>& dirty = state().dirty;
  if (dirty.size() < static_cast<size_t>(kMaxPlanes))
    dirty.assign(kMaxPlanes, false);
  dirty[plane] = true;
}

_Dfshort* newShort()
{
  _Dfshort* r = common::make<_Dfshort>();
  r->nnets = 0;
  return r;
}

_Dfshort* recordOf(const _Dtile* t) { return reinterpret_cast<_Dfshort*>(t->upper()); }

void setRecord(_Dtile* t, _Dfshort* r) { t->set_upper(reinterpret_cast<_Dtilelist*>(r)); }

// Record policy of CTileCreation.
void copyRegion(const _Dtile* from, _Dtile* to)
{
  const _Dfshort* r = recordOf(from);
  to->processed = from->processed;
  if (!r) {
    to->set_upper(nullptr);
    return;
  }
  _Dfshort* copy = newShort();
  DFcopyShort(r, copy);
  setRecord(to, copy);
}

void releaseRegion(_Dtile* t)
{
  common::release(recordOf(t));
  t->set_upper(nullptr);
}

const cs::TileRecords kShortRecords = {copyRegion, releaseRegion};

// Inserts `net` into the ascending record unless present.  A full record
// keeps its 32 smallest nets.
void insertNet(_Dfshort* r, int net)
{
  int at = 0;
  while (at < r->nnets && r->nets[at] < net)
    ++at;
  if (at < r->nnets && r->nets[at] == net)
    return;
  if (r->nnets == kMaxShortNets) {
    if (!state().capReported) {
      state().capReported = true;
      GCmessage(kModule, 'W', "A bridge joins more than %d nets: the %d lowest are kept",
                kMaxShortNets, kMaxShortNets);
    }
    if (at == kMaxShortNets)
      return;
    --r->nnets;  // the largest gives way
  }
  for (int i = r->nnets; i > at; --i)
    r->nets[i] = r->nets[i - 1];
  r->nets[at] = net;
  ++r->nnets;
}

// The first region tile (type 30) inside the box of the current plane.
_Dtile* firstRegion(int x1, int y1, int x2, int y2)
{
  _Dtilelist* list = nullptr;
  AreaEnum(x1, y1, x2, y2, &list, 0);
  _Dtile* found = nullptr;
  for (_Dtilelist* l = list; l && !found; l = l->next)
    if (TisSolid(l->tile))
      found = l->tile;
  FreeList(list);
  return found;
}

void releaseRects(_rects* list)
{
  while (list) {
    _rects* next = list->next;
    common::release(list);
    list = next;
  }
}

int paintColour(int nets)
{
  if (nets <= 2)
    return kTwoNetColour;
  if (nets == 3)
    return kThreeNetColour;
  if (nets <= 5)
    return kFewNetColour;
  return kManyNetColour;
}

// The planes of the layers that share a contact with plane `plane`.
std::vector<int> connectedPlanes(int plane)
{
  std::vector<int> planes;
  const char* name = DlayerTile[plane].name;
  auto add = [&](const char* layer) {
    _Dtile* entry = NamedLayerTile(layer);
    if (!entry)
      return;
    for (int i = 0; i < DlayerNum; ++i)
      if (DlayerTile[i].layertile == entry)
        planes.push_back(i);
  };
  for (int i = 0; i < DconNum; ++i) {
    if (strcmp(Dconnect[i].lowerLayer, name) == 0)
      add(Dconnect[i].upperLayer);
    else if (strcmp(Dconnect[i].upperLayer, name) == 0)
      add(Dconnect[i].lowerLayer);
  }
  return planes;
}

}  // namespace

namespace faultex {

int planeOfTile(const _Dtile* t)
{
  int plane = DFlayerIndex(t->type & 0xFF);
  if (plane >= 0)
    return plane;
  GCmessage(kModule, 'F', "The layer not found");
  GCmessage(kModule, 'F', "Check the routine DFlayerIndex()");
  common::abandonAction(0);
}

void startShortRun()
{
  state().capReported = false;
  state().dirty.assign(kMaxPlanes, false);
  state().solids.clear();
}

static void releaseCritPlane(int plane)
{
  _DlayerTile& record = DlayerTile[plane];
  if (!record.crittile)
    return;
  _Dtilelist* all = nullptr;
  Stitch = record.crittile;
  AreaEnum(cs::kMin, cs::kMin, cs::kMax, cs::kMax, &all, 0);
  FreeList2(all);
  DCcleanPlane(plane);
}

void endShortRun()
{
  std::vector<cs::TileGrid>().swap(state().solids);
  std::vector<_Dtile*>().swap(state().found);
  state().entries.clear();
}

void releaseCritPlanes()
{
  for (int plane = 0; plane < DlayerNum; ++plane)
    if (DlayerTile[plane].layertile && DlayerTile[plane].crittile)
      releaseCritPlane(plane);
  state().dirty.assign(kMaxPlanes, false);
}

void scanCritPlane(int plane, bool paint)
{
  _DlayerTile& record = DlayerTile[plane];
  _Dtilelist* all = nullptr;
  Stitch = record.crittile;
  AreaEnum(cs::kMin, cs::kMin, cs::kMax, cs::kMax, &all, 0);
  for (_Dtilelist* l = all; l; l = l->next) {
    const _Dtile* t = l->tile;
    if (!TisSolid(t) || t->processed != 0 || !recordOf(t))
      continue;
    DFaddShort(t);
    if (paint && Vmain)
      TestTile(t, paintColour(recordOf(t)->nnets));
  }
  FreeList2(all);
  DCcleanPlane(plane);
  if (static_cast<size_t>(plane) < state().dirty.size())
    state().dirty[plane] = false;
}

// Inserts the bridge rectangles between tile t (net of plane `plane`) and the
// tiles of other nets of its layer within `size`.
void bridgesOfTile(_Dtile* t, int plane, int size)
{
  const int layer = DlayerTile[plane].layer;
  const int net = t->node;
  const long x1 = std::max<long>(long(t->x1) - size, cs::kMin);
  const long y1 = std::max<long>(long(t->y1) - size, cs::kMin);
  const long x2 = std::min<long>(long(cs::right(t)) + size, cs::kMax);
  const long y2 = std::min<long>(long(cs::top(t)) + size, cs::kMax);
  std::vector<_Dtile*>& around = state().found;
  state().index(plane).under(int(x1), int(y1), int(x2), int(y2), &around);
  for (_Dtile* n : around) {
    if (!TisType(n, layer) || n->node <= 0 || n->node == net || n->node == -net)
      continue;
    _box* rect = DFcrtArea(t, n, nullptr, size);
    if (!rect)
      continue;
    Stitch = DlayerTile[plane].crittile;
    DlayerTile[plane].crittile = Put1CritCS(rect, net, n->node, n->processed);
    markDirty(plane);
    common::release(rect);
  }
}

}  // namespace faultex

// ---------------------------------------------------------------------------
// Records.
// ---------------------------------------------------------------------------

/*
 * DFsameShort --
 *   Whether the record already joins both nets a and b.
 */
int DFsameShort(const _Dfshort* record, int a, int b)
{
  if (!record)
    return 0;
  int found = 0;
  for (int i = 0; i < record->nnets; ++i)
    if (record->nets[i] == a || record->nets[i] == b)
      ++found;
  return found == 2;
}

int DFsameShorts(const _Dfshort* r1, const _Dfshort* r2)
{
  if (r1->nnets != r2->nnets)
    return 0;
  for (int i = 0; i < r1->nnets; ++i)
    if (r1->nets[i] != r2->nets[i])
      return 0;
  return 1;
}

void DFcopyShort(const _Dfshort* from, _Dfshort* to)
{
  to->nnets = std::min(from->nnets, kMaxShortNets);
  std::copy(from->nets, from->nets + to->nnets, to->nets);
}

/*
 * DFmergeFault --
 *   A copy of the region's record with nets a and b added in ascending
 *   position.  A record that would pass 32 nets keeps the 32 lowest (said
 *   once per run).
 * Returns: the new record, or null when the tile carries none.
 */
_Dfshort* DFmergeFault(const _Dtile* tile, int a, int b)
{
  const _Dfshort* from = recordOf(tile);
  if (!from)
    return nullptr;
  _Dfshort* merged = newShort();
  DFcopyShort(from, merged);
  insertNet(merged, a);
  insertNet(merged, b);
  return merged;
}

// ---------------------------------------------------------------------------
// Critical-area planes.
// ---------------------------------------------------------------------------

int CTileCreation(int x1, int y1, int x2, int y2, _Dtile** tile)
{
  return TileCreationWith(x1, y1, x2, y2, tile, &kShortRecords);
}

/*
 * Put1CritCS --
 *   Inserts the critical rectangle of nets a and b into the critical-area
 *   plane of Stitch.  Where it meets a region that does not yet join both
 *   nets, the overlap becomes a region of the merged record, counted when
 *   either was; the rest becomes regions of the two nets with the flag
 *   `counted`.  Pieces are taken from an explicit work list.
 * Returns: the last tile made or met (also in Stitch).
 */
_Dtile* Put1CritCS(const _box* box, int netA, int netB, int counted)
{
  std::vector<_box> work{*box};
  _Dtile* last = Stitch;
  while (!work.empty()) {
    _box b = work.back();
    work.pop_back();
    if (b.x1 >= b.x2 || b.y1 >= b.y2)
      continue;
    Stitch = last;
    _Dtile* s = firstRegion(b.x1, b.y1, b.x2, b.y2);
    if (!s) {
      _Dtile* t = nullptr;
      CTileCreation(b.x1, b.y1, b.x2, b.y2, &t);
      t->type = cs::kFrame;
      t->processed = static_cast<int16_t>(counted);
      _Dfshort* r = recordOf(t) ? recordOf(t) : newShort();
      r->nnets = 2;
      r->nets[0] = std::min(netA, netB);
      r->nets[1] = std::max(netA, netB);
      setRecord(t, r);
      last = t;
      continue;
    }
    _box* overlap = nullptr;
    _rects* pieces = BoxMinus(b.x1, b.y1, b.x2, b.y2, s->x1, s->y1, cs::right(s), cs::top(s),
                              &overlap);
    last = s;
    if (overlap->x1 < overlap->x2 && overlap->y1 < overlap->y2 &&
        !DFsameShort(recordOf(s), netA, netB)) {
      _Dfshort* merged = DFmergeFault(s, netA, netB);
      if (!merged) {
        common::release(overlap);
        releaseRects(pieces);
        GCmessage(kModule, 'F', "Check the routine DFmergeFault()");
        common::abandonAction(0);
      }
      const int16_t flag = static_cast<int16_t>(counted | s->processed);
      _Dtile* t = nullptr;
      CTileCreation(overlap->x1, overlap->y1, overlap->x2, overlap->y2, &t);
      t->type = cs::kFrame;
      t->processed = flag;
      common::release(recordOf(t));
      setRecord(t, merged);
      last = t;
    }
    for (_rects* p = pieces; p; p = p->next)
      work.push_back({p->x1, p->y1, p->x2, p->y2});
    common::release(overlap);
    releaseRects(pieces);
  }
  Stitch = last;
  return last;
}

/*
 * DFproc1NetS --
 *   Inserts the bridge regions of one net: for each tile, the critical
 *   rectangles with the tiles of other nets of its layer within `size`;
 *   then the tile is marked processed.  `plane` is not used.
 */
void DFproc1NetS(_Dtilelist* netTiles, int /*plane*/, int size)
{
  for (_Dtilelist* l = netTiles; l; l = l->next) {
    _Dtile* t = l->tile;
    faultex::bridgesOfTile(t, faultex::planeOfTile(t), size);
    t->processed = 1;
  }
}

/*
 * DFproc1NetPin --
 *   Inserts the pinhole regions of one net: each tile's overlaps with the
 *   unprocessed tiles of other nets on the layers it has contacts to.
 */
void DFproc1NetPin(_Dtilelist* netTiles)
{
  for (_Dtilelist* l = netTiles; l; l = l->next) {
    _Dtile* t = l->tile;
    const int plane = faultex::planeOfTile(t);
    for (int other : connectedPlanes(plane)) {
      std::vector<_Dtile*>& over = state().found;
      state().index(other).under(t->x1, t->y1, cs::right(t), cs::top(t), &over);
      for (const _Dtile* n : over) {
        if (n->processed != 0 || n->node <= 0 || n->node == t->node)
          continue;
        _box* rect = DFcrtOverlap(t, n);
        if (!rect)
          continue;
        Stitch = DlayerTile[plane].crittile;
        DlayerTile[plane].crittile = Put1CritCS(rect, t->node, n->node, n->processed);
        markDirty(plane);
        common::release(rect);
      }
    }
    t->processed = 1;
  }
}

/*
 * DFScritAscan --
 *   Adds every uncounted region of every critical-area plane to the fault
 *   table, painting it in the colour of its net count, then releases the
 *   regions and empties the planes.
 */
void DFScritAscan()
{
  std::vector<bool>& dirty = state().dirty;
  for (int plane = 0; plane < DlayerNum; ++plane) {
    if (!DlayerTile[plane].layertile || !DlayerTile[plane].crittile)
      continue;
    if (static_cast<size_t>(plane) < dirty.size() && !dirty[plane])
      continue;  // nothing was inserted since the plane was emptied
    faultex::scanCritPlane(plane, true);
  }
}

/*
 * DFaddShort --
 *   Adds the region's weight to the table entry with the same nets, or
 *   makes a new entry (counted in FShortNum).  The entries are looked up
 *   by their nets rather than by walking the table, which a net joined to
 *   thousands of others would make long.
 */
void DFaddShort(const _Dtile* tile)
{
  const _Dfshort* r = recordOf(tile);
  const int weight = DFweight(tile);
  auto& entries = state().entries;
  if (!FaultTable.FShortList)
    entries.clear();
  std::vector<int32_t> key(r->nets, r->nets + r->nnets);
  auto known = entries.find(key);
  if (known != entries.end()) {
    known->second->fweight += weight;
    return;
  }
  ++FShortNum;
  _DshortFault* f = common::make<_DshortFault>();
  f->type = 0;
  f->fweight = weight;
  f->fshort = newShort();
  DFcopyShort(r, f->fshort);
  f->next = FaultTable.FShortList;
  FaultTable.FShortList = f;
  entries.emplace(std::move(key), f);
}

void DFSoutput(int layer)
{
  if (FaultTable.FShortList)
    DFflushFault(layer, kBridgeClass, 1);
  DFcleanShortBuffer();
  DFflushFault(layer, kBridgeClass, 0);
}

namespace faultex {

// Short records go back to the pool, open records to the heap.
void install()
{
  cs::setFaultRecordRelease([](void* r) { common::release(static_cast<_Dfshort*>(r)); },
                            [](void* r) { delete static_cast<_Dfopen*>(r); });
}

}  // namespace faultex
