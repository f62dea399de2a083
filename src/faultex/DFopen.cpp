// Open faults of one net: the space tiles along the net, the cuts between
// them, the parts a cut leaves and the terminals in each, and the
// critical-area regions of the cuts with their open records.
#include "DFfault.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "DEextract.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"

namespace {

constexpr int kModule = 6;
constexpr int16_t kCut = -1;               // processed of a cut tile (0xFFFF)
constexpr int16_t kStartMark = 0x100;      // high byte: border tile used as a start
constexpr uint16_t kRegion = cs::kFrame;   // type of a critical region

// The net under analysis and its terminals (the order of parts in merged
// records follows the terminal list).
int theNet = 0;
const _DtermList* theTerms = nullptr;

_Dfopen* recordOf(const _Dtile* t) { return reinterpret_cast<_Dfopen*>(t->upper()); }
void setRecord(_Dtile* t, _Dfopen* r) { t->set_upper(reinterpret_cast<_Dtilelist*>(r)); }

_Dfopen* newOpen()
{
  _Dfopen* r = new _Dfopen;
  r->net = 0;
  r->nparts = 0;
  return r;
}

_Dfopen* copyOf(const _Dfopen* from)
{
  _Dfopen* r = new _Dfopen;
  DFcopyOpen(r, from);
  return r;
}

void copyRegion(const _Dtile* from, _Dtile* to)
{
  setRecord(to, recordOf(from) ? copyOf(recordOf(from)) : nullptr);
  to->processed = from->processed;
}

void releaseRegion(_Dtile* t)
{
  delete recordOf(t);
  t->set_upper(nullptr);
}

const cs::TileRecords kOpenRecords = {&copyRegion, &releaseRegion};

long clampCoord(long v) { return std::max<long>(cs::kMin, std::min<long>(cs::kMax, v)); }

// The tiles of the rectangle in the plane of Stitch.
_Dtilelist* tilesIn(const _box& b)
{
  _Dtilelist* list = nullptr;
  AreaEnum(b.x1, b.y1, b.x2, b.y2, &list, 0);
  return list;
}

// Visits the neighbours along the four sides of a tile.
template <class Visit>
void eachSideNeighbor(_Dtile* t, Visit&& visit)
{
  const int left = t->x1, bottom = t->y1, right = cs::right(t), top = cs::top(t);
  for (_Dtile* n = t->tr(); n && cs::top(n) > bottom; n = n->lb())
    visit(n);
  for (_Dtile* n = t->bl(); n && n->y1 < top; n = n->rt())
    visit(n);
  for (_Dtile* n = t->rt(); n && cs::right(n) > left; n = n->bl())
    visit(n);
  for (_Dtile* n = t->lb(); n && n->x1 < right; n = n->tr())
    visit(n);
}

[[noreturn]] void fatalStop(const char* text)
{
  common::errf("%s", text);
  GCmessage(kModule, 'F', "The open fault extraction is abandoned");
  common::abandonAction(1);
}

// Two cuts together give an open that no record can hold.
[[noreturn]] void mergeTooBig()
{
  GCmessage(kModule, 'F', "Fault merge error");
  GCmessage(kModule, 'F', "Check DFmergeFaultO()");
  common::abandonAction(1);
}

// A terminal in a record: transistor number, port, and which of the equal
// (number, port) pairs it is, counted in the record's order (the pins all
// read -1, 0).
uint64_t terminalKey(int gateno, int port, int occurrence)
{
  return (uint64_t(uint32_t(gateno)) << 32) | (uint64_t(uint16_t(port)) << 16) |
         uint64_t(uint16_t(occurrence));
}

// Ranks of the terminals of the net under analysis in its terminal list,
// made when first asked for after the list was set.
std::unordered_map<uint64_t, int> theRanks;
bool ranksMade = false;

void setTerms(const _DtermList* terms)
{
  theTerms = terms;
  ranksMade = false;
}

const std::unordered_map<uint64_t, int>& termRanks()
{
  if (!ranksMade) {
    theRanks.clear();
    int pins[3] = {0, 0, 0};
    int rank = 0;
    for (const _DtermList* t = theTerms; t && rank <= kMaxTerminals; t = t->next) {
      const int number = t->transistor ? t->transistor->number : -1;
      const int occurrence = number < 0 && t->port >= 0 && t->port < 3 ? pins[t->port]++ : 0;
      theRanks[terminalKey(number, t->port, occurrence)] = rank++;
    }
    ranksMade = true;
  }
  return theRanks;
}

}  // namespace

/*
 * DFxNeighborSpaceTiles --
 *   Prepends the space neighbours of `tile` on its four sides that are not
 *   marked yet onto `list`, marking each as a border tile (node 1).
 */
_Dtilelist* DFxNeighborSpaceTiles(_Dtilelist* list, _Dtile* tile)
{
  eachSideNeighbor(tile, [&](_Dtile* n) {
    if (n->type == cs::kSpace && n->node == 0) {
      n->node = 1;
      list = TileToList(list, n);
    }
  });
  return list;
}

/*
 * DFxBSTiles --
 *   The space tiles bordering the net's tiles (of plane `plane`'s material
 *   only, unless `plane` is -1).
 * Returns: the border tiles, marked node 1; null when a net tile has no
 *   net number.
 */
_Dtilelist* DFxBSTiles(_Dtilelist* netTiles, int plane)
{
  _Dtilelist* border = nullptr;
  for (_Dtilelist* n = netTiles; n; n = n->next) {
    _Dtile* t = n->tile;
    if (t->node < 1) {
      GCmessage(kModule, 'E', "Unexpected net node value");
      for (_Dtilelist* b = border; b; b = b->next)
        b->tile->node = 0;
      FreeList(border);
      return nullptr;
    }
    if (plane >= 0 && (t->type & 0xFF) != DlayerTile[plane].layer)
      continue;
    border = DFxNeighborSpaceTiles(border, t);
  }
  return border;
}

/*
 * DFspaceTinArea --
 *   Looks at the box shrunk by 1 in the plane of Stitch.
 * Returns: 1 when it holds space or a tile of another net; otherwise 0
 *   with one of its tiles in *tile.
 */
int DFspaceTinArea(const _box* box, int net, _Dtile** tile)
{
  _box inner = *box;
  if (inner.x2 - inner.x1 > 2 && inner.y2 - inner.y1 > 2)
    inner = {inner.x1 + 1, inner.y1 + 1, inner.x2 - 1, inner.y2 - 1};
  _Dtilelist* list = tilesIn(inner);
  int found = list ? 0 : 1;
  for (_Dtilelist* n = list; n && !found; n = n->next)
    if (!TisSolid(n->tile) || n->tile->node != net)
      found = 1;
  if (!found)
    *tile = list->tile;
  FreeList(list);
  return found;
}

void DFnewBreak(_Dtilelist* tiles)
{
  BreakList = new _DbreakList{tiles, BreakList};
}

/*
 * DFAllNeighbor --
 *   One flood step of a part: the tiles of the net next to `tile` (same
 *   material on its sides, contact links above and, unless it is an element
 *   tile, below) join the part and are prepended onto *list.  A cut tile
 *   takes the part number but is not passed.  A tile of another part ends
 *   the run.
 * Returns: the number of tiles that joined.
 */
int DFAllNeighbor(_Dtile* tile, _Dtilelist** list, int tag, int part)
{
  int count = 0;
  auto take = [&](_Dtile* n) {
    if (!n)
      return;
    if (n->node == tag) {
      if (n->processed != part)
        fatalStop("Fatal: Tile neighbor searching error.\n");
      return;
    }
    if (n->node != -tag)
      return;
    if (n->processed != 0) {  // a cut tile
      if (n->processed == kCut)
        n->processed = static_cast<int16_t>(part);
      return;
    }
    n->node = tag;
    n->processed = static_cast<int16_t>(part);
    *list = TileToList(*list, n);
    ++count;
  };
  eachSideNeighbor(tile, [&](_Dtile* n) {
    if (TsameType(tile, n))
      take(n);
  });
  for (_Dtilelist* l = tile->upper(); l; l = l->next)
    take(l->tile);
  if (!TisElement(tile))
    for (_Dtilelist* l = tile->lower(); l; l = l->next)
      take(l->tile);
  return count;
}

int DFListNeighbor(_Dtilelist* list, _Dtilelist** newList, int tag, int part)
{
  _Dtilelist* next = nullptr;
  int count = 0;
  for (_Dtilelist* n = list; n; n = n->next)
    count += DFAllNeighbor(n->tile, &next, tag, part);
  FreeList(list);
  *newList = next;
  return count;
}

/*
 * DFxPath --
 *   Floods the part `part` from `tile` through the tiles of the net,
 *   tagging them `tag` (the negated net number).  A cut tile as the start
 *   takes the part number and floods nothing.
 */
void DFxPath(_Dtile* tile, int tag, int part)
{
  const bool cut = tile->processed == kCut;
  tile->processed = static_cast<int16_t>(part);
  if (cut)
    return;
  tile->node = tag;
  _Dtilelist* ring = TileToList(nullptr, tile);
  while (ring)
    DFListNeighbor(ring, &ring, tag, part);
}

void DFtraceTerm(_Dtile* tile, int part) { DFxPath(tile, -theNet, part); }

/*
 * DFterm2Fault --
 *   The open record of the part numbers on the terminals' tiles: part k
 *   holds, in list order, the terminals whose tile carries k.
 * Returns: a new record; null when the terminals stay in one part, and
 *   after a warning when there are more parts than a record holds.  A part
 *   that reaches kMaxGates terminals is reported and its record comes back
 *   with `net` -1.
 */
_Dfopen* DFterm2Fault(_DtermList* terms)
{
  int parts = 0;
  for (_DtermList* t = terms; t; t = t->next)
    parts = std::max<int>(parts, t->tile->processed);
  if (parts < 2)
    return nullptr;
  std::unique_ptr<_Dfopen> r(newOpen());
  r->net = std::abs(terms->tile->node);
  for (int k = 1; k <= parts; ++k) {
    if (r->nparts == kMaxParts) {
      GCmessage(kModule, 'W', "A fault causes MAXNPARTS too small, ignored");
      return nullptr;
    }
    _DfpinList& pins = r->pinlist[r->nparts++];
    pins.ngates = 0;
    for (_DtermList* t = terms; t; t = t->next) {
      if (t->tile->processed != k)
        continue;
      if (pins.ngates == kMaxGates - 1) {
        GCmessage(kModule, 'E', "MAXNGATES too small, ignored");
        r->net = -1;
        return r.release();
      }
      pins.gateno[pins.ngates] = t->transistor ? t->transistor->number : -1;
      pins.pinname[pins.ngates] = t->port;
      ++pins.ngates;
    }
  }
  return r.release();
}

/*
 * DFextOpen --
 *   Evaluates the cut of `box` in the plane of Stitch: its tiles become cut
 *   tiles, the parts are numbered from the terminals, and the net's tiles
 *   are restored afterwards.
 * Returns: the open record (see DFterm2Fault), or null.
 */
_Dfopen* DFextOpen(const _box* box, _DtermList* terms, _Dtilelist* netTiles)
{
  if (!terms)
    return nullptr;
  theNet = std::abs(terms->tile->node);
  _Dtilelist* cut = tilesIn(*box);
  DFnewBreak(cut);
  for (_Dtilelist* n = cut; n; n = n->next)
    if (!TisSolid(n->tile))
      fatalStop("Fatal: breaking a space tile.\n");
  for (_Dtilelist* n = cut; n; n = n->next)
    n->tile->processed = kCut;
  int part = 0;
  for (_DtermList* t = terms; t; t = t->next)
    if (t->tile->processed < 1)
      DFtraceTerm(t->tile, ++part);
  _Dfopen* r = DFterm2Fault(terms);
  for (_Dtilelist* n = netTiles; n; n = n->next) {
    n->tile->node = std::abs(n->tile->node);
    n->tile->processed = 0;
  }
  return r;
}

void DFcopyOpen(_Dfopen* to, const _Dfopen* from)
{
  to->net = from->net;
  to->nparts = from->nparts;
  for (int p = 0; p < from->nparts && p < kMaxParts; ++p) {
    const _DfpinList& f = from->pinlist[p];
    _DfpinList& t = to->pinlist[p];
    t.ngates = f.ngates;
    std::copy(f.gateno, f.gateno + f.ngates, t.gateno);
    std::copy(f.pinname, f.pinname + f.ngates, t.pinname);
  }
}

int DFsameOpen(const _Dfopen* a, const _Dfopen* b)
{
  if (a->nparts != b->nparts)
    return 0;
  for (int p = 0; p < a->nparts; ++p) {
    const _DfpinList &x = a->pinlist[p], &y = b->pinlist[p];
    if (x.ngates != y.ngates || !std::equal(x.gateno, x.gateno + x.ngates, y.gateno) ||
        !std::equal(x.pinname, x.pinname + x.ngates, y.pinname))
      return 0;
  }
  return 1;
}

/*
 * DFmergeFaultO --
 *   The open of a defect that makes both cuts: two terminals stay together
 *   only when both records keep them together; a terminal that one record
 *   lacks is grouped by the other alone.  Parts are ordered by their first
 *   terminal in the net's terminal list, terminals in list order, as a cut
 *   evaluated on its own would order them.  A merge that a record cannot
 *   hold (more parts, or more terminals in a part) abandons the running
 *   action after its messages.
 * Returns: a new record, or null when a record is missing.
 */
_Dfopen* DFmergeFaultO(const _Dfopen* a, const _Dfopen* b)
{
  if (!a || !b)
    return nullptr;
  // Slots by rank: the net's terminals first, in list order, then the
  // terminals the list lacks in the order the records meet them.
  constexpr int kSlots = 2 * kMaxTerminals + 2;
  struct Slot {
    int gateno, port, partA, partB;
  };
  Slot slots[kSlots];
  for (Slot& sl : slots)
    sl = {0, 0, -2, -2};  // -2: absent
  const std::unordered_map<uint64_t, int>& ranks = termRanks();
  int extra = kMaxTerminals + 1;
  auto visit = [&](const _Dfopen* r, bool first) {
    int pins[3] = {0, 0, 0};  // occurrences of the pins, by port
    for (int p = 0; p < r->nparts; ++p)
      for (int i = 0; i < r->pinlist[p].ngates; ++i) {
        const int g = r->pinlist[p].gateno[i], port = r->pinlist[p].pinname[i];
        const int occurrence = g < 0 && port >= 0 && port < 3 ? pins[port]++ : 0;
        auto ranked = ranks.find(terminalKey(g, port, occurrence));
        int slot = ranked != ranks.end() && ranked->second <= kMaxTerminals ? ranked->second : -1;
        if (slot < 0) {  // not in the list: found by a search among the extras
          for (int k = kMaxTerminals + 1; k < extra && slot < 0; ++k)
            if (slots[k].gateno == g && slots[k].port == port &&
                (first ? slots[k].partA : slots[k].partB) == -2)
              slot = k;
          if (slot < 0) {
            if (extra == kSlots)
              mergeTooBig();
            slot = extra++;
          }
        }
        Slot& sl = slots[slot];
        sl.gateno = g;
        sl.port = port;
        (first ? sl.partA : sl.partB) = p;
      }
  };
  visit(a, true);
  visit(b, false);
  std::unique_ptr<_Dfopen> r(newOpen());
  r->net = a->net;
  // Merged part of each (part in a, part in b); -2 and -1 shifted in.
  int8_t partOf[kMaxParts + 2][kMaxParts + 2];
  std::memset(partOf, -1, sizeof partOf);
  for (int k = 0; k < extra; ++k) {
    const Slot& sl = slots[k];
    if (sl.partA == -2 && sl.partB == -2)
      continue;
    int8_t& part = partOf[std::max(sl.partA, -1) + 1][std::max(sl.partB, -1) + 1];
    if (part < 0) {
      if (r->nparts == kMaxParts)
        mergeTooBig();
      part = static_cast<int8_t>(r->nparts++);
      r->pinlist[part].ngates = 0;
    }
    _DfpinList& pins = r->pinlist[part];
    if (pins.ngates == kMaxGates - 1)
      mergeTooBig();
    pins.gateno[pins.ngates] = sl.gateno;
    pins.pinname[pins.ngates] = static_cast<int16_t>(sl.port);
    ++pins.ngates;
  }
  return r.release();
}

int CTileCreationO(int x1, int y1, int x2, int y2, _Dtile** tile)
{
  return TileCreationWith(x1, y1, x2, y2, tile, &kOpenRecords);
}

/*
 * Put1CritCSO --
 *   Inserts the critical rectangle of an open into the critical-area plane
 *   of Stitch.  Where it meets a region of another open, the overlap gets
 *   the merged record; where it meets the same open, nothing changes.
 * Returns: the last tile made or met (also in Stitch).
 */
_Dtile* Put1CritCSO(const _box* box, const _Dfopen* open)
{
  _Dtile* last = Stitch;
  std::vector<_box> work{*box};
  while (!work.empty()) {
    _box b = work.back();
    work.pop_back();
    if (b.x1 >= b.x2 || b.y1 >= b.y2)
      continue;
    Stitch = last;
    _Dtilelist* met = tilesIn(b);
    _Dtile* s = nullptr;
    for (_Dtilelist* n = met; n && !s; n = n->next)
      if (TisSolid(n->tile))
        s = n->tile;
    FreeList(met);
    _Dtile* t = nullptr;
    if (!s) {
      CTileCreationO(b.x1, b.y1, b.x2, b.y2, &t);
      t->type = kRegion;
      t->processed = 0;
      if (_Dfopen* held = recordOf(t))
        DFcopyOpen(held, open);
      else
        setRecord(t, copyOf(open));
      last = t;
      continue;
    }
    const int sx1 = s->x1, sy1 = s->y1, sx2 = cs::right(s), sy2 = cs::top(s);
    _box o = {std::max(b.x1, sx1), std::max(b.y1, sy1), std::min(b.x2, sx2), std::min(b.y2, sy2)};
    // The rest of b: below, left, right and above the overlap.
    work.push_back({b.x1, b.y1, b.x2, o.y1});
    work.push_back({b.x1, o.y1, o.x1, o.y2});
    work.push_back({o.x2, o.y1, b.x2, o.y2});
    work.push_back({b.x1, o.y2, b.x2, b.y2});
    last = s;
    if (recordOf(s) && DFsameOpen(recordOf(s), open))
      continue;
    _Dfopen* merged = recordOf(s) ? DFmergeFaultO(recordOf(s), open) : copyOf(open);
    if (!merged) {
      GCmessage(kModule, 'F', "Check the routine DFmergeFaultO()");
      common::abandonAction(0);
    }
    Stitch = s;
    CTileCreationO(o.x1, o.y1, o.x2, o.y2, &t);
    t->type = kRegion;
    releaseRegion(t);
    setRecord(t, merged);
    last = t;
  }
  Stitch = last;
  return last;
}

/*
 * DFaddOpen --
 *   Adds a region's weight to the entry of its open, or prepends a new
 *   entry with a copy of the record.
 */
void DFaddOpen(const _Dtile* tile)
{
  const _Dfopen* open = recordOf(tile);
  if (!open)
    return;
  const int weight = DFweight(tile);
  for (_DopenFault* f = FaultTable.FOpenList; f; f = f->next)
    if (DFsameOpen(f->fopen, open)) {
      f->fweight += weight;
      return;
    }
  FaultTable.FOpenList = new _DopenFault{1, weight, copyOf(open), FaultTable.FOpenList};
  ++FOpenNum;
}

// Releases the regions of one critical-area plane with their records and
// empties it.
void DFreleaseCritPlane(int plane)
{
  if (!DlayerTile[plane].crittile)
    return;
  _Dtilelist* all = nullptr;
  Stitch = DlayerTile[plane].crittile;
  AreaEnum(cs::kMin, cs::kMin, cs::kMax, cs::kMax, &all, 0);
  for (_Dtilelist* n = all; n; n = n->next)
    if (n->tile->type == kRegion)
      releaseRegion(n->tile);
  FreeList3(all);
  DCcleanPlane(plane);
}

void DFreleaseAllCritPlanes()
{
  for (int p = 0; p < DlayerNum; ++p)
    if (DlayerTile[p].layertile)
      DFreleaseCritPlane(p);
}

/*
 * DFOcritAscan --
 *   Adds every region of the critical-area planes to the fault table,
 *   painting it in colour 1, and empties the planes.
 */
void DFOcritAscan()
{
  for (int p = 0; p < DlayerNum; ++p) {
    if (!DlayerTile[p].layertile || !DlayerTile[p].crittile)
      continue;
    _Dtilelist* all = nullptr;
    Stitch = DlayerTile[p].crittile;
    AreaEnum(cs::kMin, cs::kMin, cs::kMax, cs::kMax, &all, 0);
    if (all && !all->next && all->tile->type == cs::kSpace) {
      FreeList(all);  // nothing was inserted
      continue;
    }
    for (_Dtilelist* n = all; n; n = n->next)
      if (n->tile->type == kRegion) {
        DFaddOpen(n->tile);
        TestTile(n->tile, 1);
      }
    FreeList(all);
    DFreleaseCritPlane(p);
  }
}

namespace {

// The critical rectangle of one candidate cut, inserted with its open.
// Returns: false when the net's analysis stops here (a part with more
// terminals than a record holds).
bool tryCut(_Dtile* s, _Dtile* x, _Dtile* t, const _box& cutBox, _DtermList* terms,
            _Dtilelist* netTiles, int size)
{
  _box* crit = DFcrtArea(s, x, t, size);
  if (!crit)
    return true;
  Stitch = s;
  _Dtile* material = nullptr;
  if (DFspaceTinArea(&cutBox, theNet, &material)) {
    common::release(crit);
    return true;
  }
  const int plane = DFlayerIndex(material->type & 0xFF);
  if (plane < 0) {
    common::release(crit);
    GCmessage(kModule, 'F', "The layer not found");
    GCmessage(kModule, 'F', "Check the routine DFlayerIndex()");
    common::abandonAction(0);
  }
  // A defect farther than size / 2 from the cut does not make it: the
  // region is kept within the cut grown by size / 2 (a space tile may run
  // to the plane's edge).
  const int half = size / 2;
  _box r = {static_cast<int>(std::max<long>(crit->x1, long(cutBox.x1) - half)),
            static_cast<int>(std::max<long>(crit->y1, long(cutBox.y1) - half)),
            static_cast<int>(std::min<long>(crit->x2, long(cutBox.x2) + half)),
            static_cast<int>(std::min<long>(crit->y2, long(cutBox.y2) + half))};
  common::release(crit);
  if (r.x1 >= r.x2 || r.y1 >= r.y2)
    return true;
  Stitch = s;
  std::unique_ptr<_Dfopen> open(DFextOpen(&cutBox, terms, netTiles));
  if (!open)
    return true;
  if (open->net == -1)
    return false;
  Stitch = DlayerTile[plane].crittile;
  DlayerTile[plane].crittile = Put1CritCSO(&r, open.get());
  return true;
}

// Restores the marks of the net's analysis, also when it is abandoned.
struct NetMarks {
  _Dtilelist* border = nullptr;
  _Dtilelist* netTiles = nullptr;
  ~NetMarks()
  {
    for (_Dtilelist* n = border; n; n = n->next) {
      n->tile->node = 0;
      n->tile->processed = 0;
    }
    FreeList(border);
    for (_Dtilelist* n = netTiles; n; n = n->next)
      n->tile->node = std::abs(n->tile->node);
    setTerms(nullptr);
  }
};

}  // namespace

/*
 * DFproc1NetO --
 *   The open regions of one net: for every border space tile S and every
 *   border space tile X within `size` of it, the material between them is
 *   a candidate cut; cuts that separate terminals go into the
 *   critical-area plane of their material.  `plane` restricts the border
 *   tiles to one plane's material (-1: all).
 */
void DFproc1NetO(_Dtilelist* netTiles, _DtermList* terms, int plane, int size)
{
  if (!netTiles || !terms)
    return;
  NetMarks marks;
  marks.netTiles = netTiles;
  theNet = netTiles->tile->node;
  setTerms(terms);
  marks.border = DFxBSTiles(netTiles, plane);
  // Every cut lies in the net's box, and a space tile that makes one with
  // S reaches within `size` of S and of that box: the search around S is
  // kept to the box grown by size + 1 (a space tile along the net may run
  // the whole width of the layout).
  long bx1 = cs::kMax, by1 = cs::kMax, bx2 = cs::kMin, by2 = cs::kMin;
  for (_Dtilelist* n = netTiles; n; n = n->next) {
    bx1 = std::min<long>(bx1, n->tile->x1);
    by1 = std::min<long>(by1, n->tile->y1);
    bx2 = std::max<long>(bx2, cs::right(n->tile));
    by2 = std::max<long>(by2, cs::top(n->tile));
  }
  bx1 -= size + 1;
  by1 -= size + 1;
  bx2 += size + 1;
  by2 += size + 1;
  // A part with more terminals than a record holds ends the net's analysis.
  bool goOn = true;
  for (_Dtilelist* bn = marks.border; bn && goOn; bn = bn->next) {
    _Dtile* s = bn->tile;
    _box grown = {int(clampCoord(std::max<long>(long(s->x1) - size, bx1))),
                  int(clampCoord(std::max<long>(long(s->y1) - size, by1))),
                  int(clampCoord(std::min<long>(long(cs::right(s)) + size, bx2))),
                  int(clampCoord(std::min<long>(long(cs::top(s)) + size, by2)))};
    Stitch = s;
    _Dtilelist* near = tilesIn(grown);
    for (_Dtilelist* xn = near; xn && goOn; xn = xn->next) {
      _Dtile* x = xn->tile;
      if (x == s || x->type != cs::kSpace || x->node == 0 || (x->processed & kStartMark))
        continue;
      _box* gap = DFcrossTalk(s, x);
      if (!gap)
        continue;
      if (DFvertPosition(s, x)) {
        goOn = tryCut(s, x, nullptr, *gap, terms, netTiles, size);
      } else if (gap->x2 - gap->x1 < 2 * (size / 2)) {  // else no region
        Stitch = s;
        _Dtilelist* inside = tilesIn(*gap);
        for (_Dtilelist* tn = inside; tn && goOn; tn = tn->next) {
          _Dtile* t = tn->tile;
          if (!TisSolid(t) || TisElement(t) || t->node != theNet)
            continue;
          goOn = tryCut(s, x, t, _box{gap->x1, t->y1, gap->x2, cs::top(t)}, terms, netTiles,
                        size);
        }
        FreeList(inside);
      }
      common::release(gap);
    }
    FreeList(near);
    s->processed = static_cast<int16_t>(s->processed | kStartMark);
  }
}
