// The short runs: bridges on all layers, on the active layer in view and
// from the selected net, pinholes, and the painting of bridge areas.
#include "DFfault.h"

#include <algorithm>
#include <ctime>
#include <exception>

#include "DEextract.h"
#include "DPparasitic.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dview.h"
#include "DFshortInt.h"

namespace {

constexpr int kModule = 6;
constexpr int kAllLayers = -1;        // file of the whole layout
constexpr int kShowColour = 1;        // bridge areas painted by DFshowShort
constexpr int16_t kShownMark = 0x100;  // high byte of processed: tile shown

double cpuSince(std::clock_t start)
{
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

/*
 * RunGuard --
 *   Releases the run's search indexes, and leaves the state clean when a
 *   short run is abandoned: the regions of the critical-area planes are
 *   released, the processed marks cleared, the fault file dropped and the
 *   fault table and net tile list emptied.
 */
class RunGuard {
 public:
  RunGuard() : exceptions_(std::uncaught_exceptions()) { faultex::startShortRun(); }
  ~RunGuard()
  {
    faultex::endShortRun();
    if (std::uncaught_exceptions() <= exceptions_)
      return;
    faultex::releaseCritPlanes();
    DFresetAllPlanes();
    DFdropFaultFile();
    DFcleanShortBuffer();
    FreeList(NetTileList);
    NetTileList = nullptr;
  }
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;

 private:
  int exceptions_;
};

void flushView()
{
  if (Vmain && Vmain->surface)
    Vmain->surface->flush();
}

int clampCoordinate(long v) { return static_cast<int>(std::min<long>(std::max<long>(v, cs::kMin), cs::kMax)); }

// The visible rectangle of the main view, or the whole plane without one.
_box visibleArea()
{
  if (!Vmain)
    return {cs::kMin, cs::kMin, cs::kMax, cs::kMax};
  _box b = view::visibleBox(Vmain);
  return {clampCoordinate(b.x1), clampCoordinate(b.y1), clampCoordinate(b.x2),
          clampCoordinate(b.y2)};
}

_Dtilelist* findNet(_Dtile* start)
{
  int x1, y1, x2, y2;
  return DExFindNet(start, &x1, &y1, &x2, &y2);
}

void releaseNet()
{
  FreeList(NetTileList);
  NetTileList = nullptr;
}

// One net of the all-layer bridge run.
void bridgesOfNet(_Dtile* start, void*)
{
  DFproc1NetS(findNet(start), 0, DefectSize);
  DFScritAscan();
  if (FaultTable.FShortList) {
    DFflushFault(kAllLayers, kBridgeClass, 1);
    DFcleanShortBuffer();
  }
  releaseNet();
}

void pinholesOfNet(_Dtile* start, void*)
{
  DFproc1NetPin(findNet(start));
  DFScritAscan();
  if (FaultTable.FShortList) {
    DFflushFault(kAllLayers, kPinholeClass, 1);
    DFcleanShortBuffer();
  }
  releaseNet();
}

void finishRun(int faultClass, std::clock_t started)
{
  DFflushFault(kAllLayers, faultClass, 0);
  DFresetAllPlanes();
  GCmessage(kModule, 'M', "%d short faults have been extracted", FShortNum);
  GCmessage(kModule, 'M', "CPU time %.1f seconds", cpuSince(started));
  flushView();
}

/*
 * extra1Layer --
 *   The bridges of the nets met on plane `plane` within the area, layer by
 *   layer file "layer%d.sht": each net's tiles of the plane's layer are
 *   processed and the critical-area plane scanned right after.
 */
void extra1Layer(const _box& area, int plane, int size)
{
  const int layer = DlayerTile[plane].layer;
  _Dtilelist* tiles = nullptr;
  Stitch = DlayerTile[plane].layertile;
  AreaEnum(area.x1, area.y1, area.x2, area.y2, &tiles, 1);
  if (!Silently)
    common::errf("Processing net :         ");
  for (_Dtilelist* l = tiles; l; l = l->next) {
    _Dtile* t = l->tile;
    if (t->processed != 0 || !TisType(t, layer) || t->node <= 0)
      continue;
    const int net = t->node;
    _Dtilelist* netTiles = findNet(t);
    if (!Silently)
      common::errf("\b\b\b\b\b\b\b\b%8d", net);
    for (_Dtilelist* n = netTiles; n; n = n->next) {
      if (!TisType(n->tile, layer))
        continue;
      faultex::bridgesOfTile(n->tile, plane, size);
      n->tile->processed = 1;
    }
    faultex::scanCritPlane(plane, true);
    if (FaultTable.FShortList) {
      DFflushFault(layer, kBridgeClass, 1);
      DFcleanShortBuffer();
    }
    releaseNet();
  }
  FreeList(tiles);
}

// Paints the bridge areas of plane `plane` within the area, each tile
// pair once.
void disp1Short(const _box& area, int plane, int size)
{
  const int layer = DlayerTile[plane].layer;
  _Dtilelist* tiles = nullptr;
  Stitch = DlayerTile[plane].layertile;
  AreaEnum(area.x1, area.y1, area.x2, area.y2, &tiles, 0);
  GGsetColor(Vmain, kShowColour);
  for (_Dtilelist* l = tiles; l; l = l->next) {
    _Dtile* t = l->tile;
    if (!TisType(t, layer) || (t->processed & kShownMark))
      continue;
    _Dtilelist* around = nullptr;
    Stitch = t;
    AreaEnum(clampCoordinate(long(t->x1) - size), clampCoordinate(long(t->y1) - size),
             clampCoordinate(long(cs::right(t)) + size), clampCoordinate(long(cs::top(t)) + size),
             &around, 0);
    for (_Dtilelist* a = around; a; a = a->next) {
      const _Dtile* n = a->tile;
      if (!TisType(n, layer) || (n->processed & kShownMark) || n->node == t->node)
        continue;
      if (_box* rect = DFcrtArea(t, n, nullptr, size)) {
        if (Vmain)
          GGrectangle(Vmain, rect->x1, rect->y1, rect->x2, rect->y2, 1);
        common::release(rect);
      }
    }
    FreeList(around);
    t->processed |= kShownMark;
  }
  for (_Dtilelist* l = tiles; l; l = l->next)
    l->tile->processed &= 0xFF;
  FreeList(tiles);
}

}  // namespace

/*
 * DFexLayersS --
 *   Bridges on all layers of the nets that transistor terminals reach,
 *   written to "Bridges.flt".
 */
int DFexLayersS()
{
  DFsetDefectSize();
  GCmessage(kModule, 'M', "Extracting the shorts caused by the spot defects");
  if (DFinit() != 0)
    return 0;
  RunGuard guard;
  FShortNum = 0;
  const std::clock_t started = std::clock();
  DFwalkNets(bridgesOfNet, nullptr);
  finishRun(kBridgeClass, started);
  return 0;
}

/*
 * DFexLayersP --
 *   Pinhole shorts between the layers joined by contacts, written to
 *   "Pinholes.flt".
 */
int DFexLayersP()
{
  DFsetDefectSize();
  GCmessage(kModule, 'M', "Extracting the shorts caused by the pinholes");
  if (DFinit() != 0)
    return 0;
  RunGuard guard;
  FShortNum = 0;
  const std::clock_t started = std::clock();
  DFwalkNets(pinholesOfNet, nullptr);
  finishRun(kPinholeClass, started);
  return 0;
}

/*
 * DFex1LayerS --
 *   Bridges on the active layer within the visible area, written to
 *   "layer%d.sht".
 */
int DFex1LayerS()
{
  DFsetDefectSize();
  const int plane = DFactiveIndex();
  if (plane < 0) {
    GCmessage(kModule, 'W', "Select an active layer first");
    return 0;
  }
  if (DFinit() != 0)
    return 0;
  RunGuard guard;
  FShortNum = 0;
  const std::clock_t started = std::clock();
  extra1Layer(visibleArea(), plane, DefectSize);
  DFflushFault(DlayerTile[plane].layer, kBridgeClass, 0);
  DFresetPlane(plane);
  common::errf("\n%d short faults have been extracted.\n", FShortNum);
  GCmessage(kModule, 'M', "CPU time %.1f seconds", cpuSince(started));
  flushView();
  return 0;
}

/*
 * DFex1NetS --
 *   Paints the bridge regions of the selected net; nothing is written.
 */
int DFex1NetS()
{
  if (DlayerNum == 0 || !DlayerTile[0].selected) {
    GCmessage(kModule, 'W', "No net has been selected");
    return 0;
  }
  DFsetDefectSize();
  if (DFinit() != 0)
    return 0;
  RunGuard guard;
  DFproc1NetS(DlayerTile[0].selected, 0, DefectSize);
  DFScritAscan();
  DFcleanShortBuffer();
  DFresetAllPlanes();
  GCmessage(kModule, 'M', "%d short faults have been extracted", FShortNum);
  flushView();
  return 0;
}

/*
 * DFshowShort --
 *   Paints the bridge areas of the active layer within the visible area
 *   without recording faults.
 */
int DFshowShort()
{
  DFsetDefectSize();
  const int plane = DFactiveIndex();
  if (plane < 0) {
    GCmessage(kModule, 'W', "Select an active layer first");
    return 0;
  }
  RunGuard guard;
  const std::clock_t started = std::clock();
  disp1Short(visibleArea(), plane, DefectSize);
  GCmessage(kModule, 'M', "CPU time %.1f seconds", cpuSince(started));
  flushView();
  return 0;
}
