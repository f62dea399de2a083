// What the short and open analyses share: the globals, the defect size,
// the plane lookups, the walk over the nets, the critical rectangles and
// the region weight.
#include "DFfault.h"

#include <algorithm>
#include <cstring>

#include "DEextract.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"

_DfaultTable FaultTable = {nullptr, nullptr};
int FShortNum = 0;
int FOpenNum = 0;
_DbreakList* BreakList = nullptr;
int32_t DefectSize = 0;

namespace {

constexpr int kModule = 6;

_box* newBox(int x1, int y1, int x2, int y2)
{
  _box* b = common::make<_box>();
  *b = {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  return b;
}

}  // namespace

/*
 * DFinit --
 *   Starts a fault run: the counts, the fault table and the break list are
 *   emptied.
 * Returns: 0, or -1 after a warning when there is no circuit.
 */
int DFinit()
{
  if (!Nets || NetsNum == 0) {
    GCmessage(kModule, 'W', "You must do circuit extraction first");
    return -1;
  }
  FShortNum = 0;
  FOpenNum = 0;
  DFcleanShortBuffer();
  DFcleanOpenBuffer();
  FreeBreakList();
  return 0;
}

int DFlayerIndex(int layerNumber)
{
  for (int plane = 0; plane < DlayerNum; ++plane)
    if (DlayerTile[plane].layertile && DlayerTile[plane].layer == layerNumber)
      return plane;
  return -1;
}

void DFsetDefectSize() { DefectSize = theDefectScale * theGlobalScale / 10; }

/*
 * DFcrtArea --
 *   The bridge critical rectangle of tiles a and b: both grown by size / 2,
 *   intersected.  With c given and a, b apart in x, b is first clipped to
 *   c's bottom and top.  On the active layer nothing is returned when the
 *   region between the two is all material (a transistor channel).
 */
_box* DFcrtArea(const _Dtile* a, const _Dtile* b, const _Dtile* c, int size)
{
  int ax1 = a->x1, ay1 = a->y1, ax2 = cs::right(a), ay2 = cs::top(a);
  int bx1 = b->x1, by1 = b->y1, bx2 = cs::right(b), by2 = cs::top(b);
  if (c && (ax1 > bx2 || ax2 < bx1)) {
    by1 = std::max(by1, c->y1);
    by2 = std::min(by2, cs::top(c));
  }
  if (DlayerNum > 0 && DlayerTile[0].layertile && a->type == DlayerTile[0].layer) {
    int gx1 = std::max(ax1, bx1), gx2 = std::min(ax2, bx2);
    int gy1 = std::max(ay1, by1), gy2 = std::min(ay2, by2);
    _Dtilelist* between = nullptr;
    Stitch = const_cast<_Dtile*>(a);  // a lies in plane 0: start the search nearby
    AreaEnum(std::min(gx1, gx2), std::min(gy1, gy2), std::max(gx1, gx2), std::max(gy1, gy2),
             &between, 0);
    bool allSolid = between != nullptr;
    for (_Dtilelist* l = between; l; l = l->next)
      if (!TisSolid(l->tile)) {
        allSolid = false;
        break;
      }
    FreeList(between);
    if (allSolid)
      return nullptr;
  }
  const int half = size / 2;
  long x1 = std::max<long>(long(ax1) - half, long(bx1) - half);
  long y1 = std::max<long>(long(ay1) - half, long(by1) - half);
  long x2 = std::min<long>(long(ax2) + half, long(bx2) + half);
  long y2 = std::min<long>(long(ay2) + half, long(by2) + half);
  if (x1 >= x2 || y1 >= y2)
    return nullptr;
  return newBox(int(x1), int(y1), int(x2), int(y2));
}

_box* DFcrtOverlap(const _Dtile* a, const _Dtile* b)
{
  int x1 = std::max(a->x1, b->x1), y1 = std::max(a->y1, b->y1);
  int x2 = std::min(cs::right(a), cs::right(b)), y2 = std::min(cs::top(a), cs::top(b));
  if (x1 >= x2 || y1 >= y2)
    return nullptr;
  return newBox(x1, y1, x2, y2);
}

int DFvertPosition(const _Dtile* a, const _Dtile* b)
{
  return a->x1 <= cs::right(b) && cs::right(a) >= b->x1;
}

/*
 * DFcrossTalk --
 *   The rectangle between two tiles: over their common x-range and the
 *   vertical gap when the x-ranges meet; otherwise over the horizontal gap
 *   and either the vertical gap (diagonal neighbours) or the common
 *   y-range.  Null when it has no area.
 */
_box* DFcrossTalk(const _Dtile* a, const _Dtile* b)
{
  const int ax1 = a->x1, ay1 = a->y1, ax2 = cs::right(a), ay2 = cs::top(a);
  const int bx1 = b->x1, by1 = b->y1, bx2 = cs::right(b), by2 = cs::top(b);
  int x1, x2, y1, y2;
  auto verticalGap = [&]() {
    if (ay2 <= by1) {
      y1 = ay2;
      y2 = by1;
    } else if (by2 <= ay1) {
      y1 = by2;
      y2 = ay1;
    } else {
      y1 = std::max(ay1, by1);  // the y-ranges overlap
      y2 = std::min(ay2, by2);
    }
  };
  if (ax1 <= bx2 && ax2 >= bx1) {
    x1 = std::max(ax1, bx1);
    x2 = std::min(ax2, bx2);
    if (ay2 <= by1) {
      y1 = ay2;
      y2 = by1;
    } else if (by2 <= ay1) {
      y1 = by2;
      y2 = ay1;
    } else {
      return nullptr;  // overlapping tiles leave no gap
    }
  } else {
    if (ax2 < bx1) {
      x1 = ax2;
      x2 = bx1;
    } else {
      x1 = bx2;
      x2 = ax1;
    }
    verticalGap();
  }
  if (x1 >= x2 || y1 >= y2)
    return nullptr;
  return newBox(x1, y1, x2, y2);
}

int DFweight(const _Dtile* tile)
{
  float scale = static_cast<float>(theGlobalScale);
  float w = static_cast<float>(cs::right(tile) - tile->x1) / scale;
  float h = static_cast<float>(cs::top(tile) - tile->y1) / scale;
  return static_cast<int>(w * h);
}

void DFresetPlane(int plane)
{
  if (plane < 0 || plane >= DlayerNum || !DlayerTile[plane].layertile)
    return;
  _Dtilelist* all = nullptr;
  Stitch = DlayerTile[plane].layertile;
  AreaEnum(cs::kMin, cs::kMin, cs::kMax, cs::kMax, &all, 1);
  FreeList(all);
}

void DFresetAllPlanes()
{
  for (int plane = 0; plane < DlayerNum; ++plane)
    DFresetPlane(plane);
}

/*
 * DFwalkNets --
 *   Visits every net that a transistor terminal reaches, once: for each
 *   element kind, for each of its transistors, the gate-layer tile over the
 *   gate, the source tile and the drain tile.  A tile with `processed` 0
 *   starts a net; `perNet` must mark the net's tiles processed.
 */
void DFwalkNets(void (*perNet)(_Dtile* start, void* data), void* data)
{
  int unprocessed = NetsNum;
  if (!Silently)
    common::errf("Unprocessed nets : %8d", unprocessed);
  for (int e = 0; e < DelementNum; ++e) {
    for (_Dtransistor* t = Transistors ? Transistors[e] : nullptr; t; t = t->next) {
      // The gate-layer tile over the gate: the gate tile's type names the
      // gate layer, whatever the technology calls it.
      _Dtile* terminals[3] = {extract::gateLayerTile(t), t->Tsource, t->Tdrain};
      bool skip = false;
      for (_Dtile* start : terminals) {
        if (!start || start->processed != 0)
          continue;
        if (start->node < 1) {
          common::errf("Found a net without reset.\n");
          skip = true;
          break;
        }
        --unprocessed;
        perNet(start, data);
        if (!Silently)
          common::errf("\b\b\b\b\b\b\b\b%8d", unprocessed);
      }
      if (skip)
        break;
    }
  }
}

void DFcleanShortBuffer()
{
  while (_DshortFault* f = FaultTable.FShortList) {
    FaultTable.FShortList = f->next;
    common::release(f->fshort);
    common::release(f);
  }
}

void DFcleanOpenBuffer()
{
  while (_DopenFault* f = FaultTable.FOpenList) {
    FaultTable.FOpenList = f->next;
    delete f->fopen;
    delete f;
  }
}

void FreeBreakList()
{
  while (_DbreakList* b = BreakList) {
    BreakList = b->next;
    FreeList(b->breakTiles);
    delete b;
  }
}
