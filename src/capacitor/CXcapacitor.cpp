// Plate capacitors: the plate test, scanning the nets, ports, nets for
// unconnected plates, the geometry, the list and the listing.
#include "CXcapacitor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "CS.h"
#include "DEextract.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dview.h"

_CX_CAPACITOR_* capacitorList = nullptr;
int capacitorCount = 0;

namespace {

constexpr int kModule = 14;
constexpr int kMinimumSteps = 20;  // grid steps of the smallest plate and overlap

double microns(long units) { return units * LAMBDA_T1 / SCALE; }

const char* layerName(const _Dtile* t) { return t && t->layer() ? t->layer()->name : ""; }

int planeNamed(const char* name)
{
  for (int p = 0; p < DlayerNum; ++p)
    if (DlayerTile[p].layertile && strcmp(DlayerTile[p].name, name) == 0)
      return p;
  return -1;
}

// Where the next search of each plane starts.
_Dtile* hints[kMaxPlanes] = {};
_Dtile* hintPlanes[kMaxPlanes] = {};

_Dtile* searchStart(int plane)
{
  if (hints[plane] && hintPlanes[plane] == DlayerTile[plane].layertile)
    return hints[plane];
  hintPlanes[plane] = DlayerTile[plane].layertile;
  return DlayerTile[plane].layertile;
}

// The other plate layer of the first definition that names `name` as one of
// its two plate layers; null when none does.
const char* otherPlateLayer(const char* name)
{
  for (int d = 0; d < CXcapDefNum; ++d) {
    const _CX_CAPDEFINITION_& def = CXcapDefinition[d];
    if (def.layerNum < 2)
      continue;
    if (strcmp(name, def.layers[0]) == 0)
      return def.layers[1];
    if (strcmp(name, def.layers[1]) == 0)
      return def.layers[0];
  }
  return nullptr;
}

bool largeEnough(const _Dtile* t)
{
  return cs::right(t) - t->x1 >= CXminimumSize() && cs::top(t) - t->y1 >= CXminimumSize();
}

long netOf(const _Dtile* t) { return t ? t->node : 0; }

// Planes whose layer a capacitor definition names.
extract::DevicePlanes<_CX_CAPDEFINITION_> capacitorPlanes{CXcapDefinition, &CXcapDefNum};

void freeCapacitor(_CX_CAPACITOR_* cap) { delete cap; }

}  // namespace

int CXminimumSize() { return kMinimumSteps * SCALE; }

int CXisNotCapLayer(const _Dtile* tile)
{
  return !(extract::planeBit(tile) & capacitorPlanes.get());
}

// ---------------------------------------------------------------------------
// The list.
// ---------------------------------------------------------------------------
void CXinitCapacitorList(_CX_CAPACITOR_** head)
{
  extract::resetDevices(head, "Error allocating memory for capacitorList \n", freeCapacitor);
  capacitorCount = 0;
}

void CXclearCapacitorList(_CX_CAPACITOR_* head)
{
  extract::releaseDevices(head, freeCapacitor);
  capacitorCount = 0;
}

void CXaddCapacitorToList(_CX_CAPACITOR_* head, _CX_CAPACITOR_* cap)
{
  cap->capacitorNum = ++capacitorCount;
  cap->next = head->next;
  head->next = cap;
}

// ---------------------------------------------------------------------------
// Recognition.
// ---------------------------------------------------------------------------

/*
 * CXpossibleCapacitor --
 *   Looks for the plate that makes a capacitor with `tile`: on the other
 *   layer of the tile's capacitor definition, on another net, not part of a
 *   device yet, both plates and their overlap at least the minimum size in
 *   both directions.  The first such tile under the tile, in enumeration
 *   order, is taken; both are then marked as plates.
 * Returns: the other plate, or null.
 */
_Dtile* CXpossibleCapacitor(_Dtile* t)
{
  if (!t || !TisSolid(t) || TisElement(t) || CXisNotCapLayer(t) || !largeEnough(t) ||
      t->passiveDev())
    return nullptr;
  const char* other = otherPlateLayer(layerName(t));
  if (!other)
    return nullptr;
  int plane = planeNamed(other);
  if (plane < 0 || DlayerTile[plane].stilenum == 0)
    return nullptr;
  const int x1 = t->x1, y1 = t->y1, x2 = cs::right(t), y2 = cs::top(t);
  _Dtile* current = Stitch;
  Stitch = searchStart(plane);
  _Dtilelist* under = nullptr;
  AreaEnum(x1, y1, x2, y2, &under, 0);
  hints[plane] = Stitch;
  Stitch = current;
  _Dtile* found = nullptr;
  for (_Dtilelist* n = under; n && !found; n = n->next) {
    _Dtile* u = n->tile;
    if (!TisSolid(u) || TisElement(u) || !u->layer() || u->type == t->type || u->passiveDev() ||
        u->node == t->node || !largeEnough(u))
      continue;
    long overlapX = std::min(x2, cs::right(u)) - std::max(x1, u->x1);
    long overlapY = std::min(y2, cs::top(u)) - std::max(y1, u->y1);
    if (overlapX >= CXminimumSize() && overlapY >= CXminimumSize())
      found = u;
  }
  FreeList(under);
  if (!found)
    return nullptr;
  t->set_passiveDev(extract::kPassiveMark);
  found->set_passiveDev(extract::kPassiveMark);
  extract::notePlate(t);
  extract::notePlate(found);
  return found;
}

/*
 * CXfindNewNet --
 *   Traces a new net "n<k>" from a plate that is on no net and puts it at
 *   the head of Nets.
 * Returns: the new net, or null when the tile already has one.
 */
_Dnet* CXfindNewNet(_Dtile* tile)
{
  if (tile->node > 0)
    return nullptr;
  FreeList(NetTileList);
  NetTileList = nullptr;
  tile->node = 0;
  int number = ++NetsNum;
  DExPath(tile, number);
  _Dnet* net = extract::makeNet(number, NetTileList);
  NetTileList = nullptr;
  extract::markNetChanged(net);
  return net;
}

/*
 * CXfindCapacitor --
 *   Finds the capacitors whose first plate is a tile of `net`.  Each plate's
 *   port is the tile through which it reaches its net.
 */
void CXfindCapacitor(_Dnet* net)
{
  extract::announceNet("Extracting net ", net, " for capacitors");
  if (!(extract::netPlanes(net) & capacitorPlanes.get()))
    return;
  _Dtilelist* before = nullptr;
  for (_Dtilelist* e = net->tilelist; e; before = e, e = e->next) {
    _Dtile* plate2 = CXpossibleCapacitor(e->tile);
    if (!plate2)
      continue;
    common::outf("New capacitor is found\n");
    _CX_CAPACITOR_* cap = new (std::nothrow) _CX_CAPACITOR_{};
    if (!cap) {
      GCmessage(kModule, 'F', "No memory for a capacitor");
      common::abandonAction(1);
    }
    cap->plate1 = e->tile;
    cap->plate2 = plate2;
    cap->port1tile = extract::touchingPort(e->tile, before ? before->tile : nullptr);
    CXfindNewNet(plate2);
    cap->port2tile = extract::touchingPort(plate2, nullptr);
    CXcapMeasure(cap);
    CXaddCapacitorToList(capacitorList, cap);
  }
}

int CXcapacitorExtract()
{
  if (!Nets)
    return 0;
  CXinitCapacitorList(&capacitorList);
  std::fill(std::begin(hints), std::end(hints), nullptr);
  capacitorPlanes.forget();
  _Dtile* current = Stitch;
  // Nets made for unconnected plates go to the head of Nets: the walk
  // starts behind them and does not see them.
  for (_Dnet* net = Nets; net; net = net->next)
    CXfindCapacitor(net);
  Stitch = current;
  return 0;
}

// ---------------------------------------------------------------------------
// Geometry and listing.
// ---------------------------------------------------------------------------
void CXgetCapGeometry(_CX_CAPACITOR_* cap)
{
  _Dtile* p1 = cap->plate1;
  _Dtile* p2 = cap->plate2;
  const long l1 = p1->x1, b1 = p1->y1, r1 = cs::right(p1), t1 = cs::top(p1);
  const long l2 = p2->x1, b2 = p2->y1, r2 = cs::right(p2), t2 = cs::top(p2);
  _CX_GEOMETRY_& g = cap->origGeometry;
  g.width = microns(std::min(r1, r2) - std::max(l1, l2));
  g.length = microns(std::min(t1, t2) - std::max(b1, b2));
  g.top_ext = {t1 > t2 ? p1 : p2, microns(std::labs(t1 - t2))};
  g.bottom_ext = {b1 < b2 ? p1 : p2, microns(std::labs(b1 - b2))};
  g.left_ext = {l1 < l2 ? p1 : p2, microns(std::labs(l1 - l2))};
  g.right_ext = {r1 > r2 ? p1 : p2, microns(std::labs(r1 - r2))};
}

void CXcapMeasure(_CX_CAPACITOR_* cap) { CXgetCapGeometry(cap); }

void CXshowAllCapacitors()
{
  common::outf("Total number of capacitors: %d \n", capacitorCount);
  for (_CX_CAPACITOR_* cap = capacitorList ? capacitorList->next : nullptr; cap; cap = cap->next) {
    common::outf("printing capacitor %d, between net %ld and net %ld\n", cap->capacitorNum,
                 netOf(cap->port1tile), netOf(cap->port2tile));
    common::outf("\tCapacitor width is %6.2f (um), length is %6.2f (um)\n",
                 cap->origGeometry.width, cap->origGeometry.length);
    if (!cap->port1tile)
      GCmessage(kModule, 'W', "Capacitor %d: the first plate is not connected",
                cap->capacitorNum);
    if (!cap->port2tile)
      GCmessage(kModule, 'W', "Capacitor %d: the second plate is not connected",
                cap->capacitorNum);
  }
}

// ---------------------------------------------------------------------------
// Connection to the re-extraction and the view.
// ---------------------------------------------------------------------------
namespace {

void terminals(std::vector<extract::PassiveTerminal>* out)
{
  extract::portsOf(capacitorList, elemCAP, out);
}

void release()
{
  CXclearCapacitorList(capacitorList);
  std::fill(std::begin(hints), std::end(hints), nullptr);
  capacitorPlanes.forget();
}

class CapacitorNames : public view::NameOverlay {
 public:
  void draw(_Gviewport* vp, long x1, long y1, long x2, long y2) override
  {
    for (_CX_CAPACITOR_* c = capacitorList ? capacitorList->next : nullptr; c; c = c->next) {
      char name[16];
      snprintf(name, sizeof name, "C%d", c->capacitorNum);
      _box overlap{std::max(c->plate1->x1, c->plate2->x1), std::max(c->plate1->y1, c->plate2->y1),
                   std::min(cs::right(c->plate1), cs::right(c->plate2)),
                   std::min(cs::top(c->plate1), cs::top(c->plate2))};
      extract::drawDeviceName(vp, x1, y1, x2, y2, overlap, name);
    }
  }
};

}  // namespace

void capacitor::install()
{
  static CapacitorNames names;
  extract::setPassiveDevices(extract::PassiveKind::Capacitor, &terminals, &CXshowAllCapacitors);
  extract::onRelease(&release);
  view::setOverlay(view::Overlay::Capacitors, &names);
}
