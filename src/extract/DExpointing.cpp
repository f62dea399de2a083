// Net inspection: naming nets and pins by pointing at them, showing and
// selecting a net, the names drawn over the planes, and the hooks that tie
// the extraction to the tile planes and the view.
#include "DEextract.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "DExstate.h"
#include "DTtechnology.h"
#include "Devent.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dview.h"

namespace {

using extract::kModule;

constexpr int kTransistorColour = 6;  // an element tile pointed at
constexpr int kSelectedColour = 3;    // the tiles of a selected net
constexpr int kNameColour = 1;        // names over the planes
constexpr int kNameOffset = 200;      // layout units from a gate's corner to its name

int clampCoordinate(long v) { return static_cast<int>(std::min<long>(std::max<long>(v, cs::kMin), cs::kMax)); }

// ---------------------------------------------------------------------------
// The object under a point.
// ---------------------------------------------------------------------------

/*
 * objectAt --
 *   The tile under the point: in the first plane (table order) where it is
 *   material on a net, else the tile of the last plane.
 * Returns: 1 with a warning when the planes are missing; else 0 with the
 *   tile in *tile (null for a point beyond the planes).
 */
int objectAt(_point p, _Dtile** tile)
{
  *tile = nullptr;
  if (DlayerNum == 0) {
    GCmessage(kModule, 'W', "Corner stitch structure not ready");
    return 1;
  }
  for (int i = 0; i < DlayerNum; ++i) {
    if (!DlayerTile[i].layertile) {
      GCmessage(kModule, 'W', "CS structure not ready");
      return 1;
    }
  }
  if (p.x < -cs::kLimit || p.x > cs::kLimit || p.y < -cs::kLimit || p.y > cs::kLimit)
    return 0;
  _Dtile* current = Stitch;
  for (int i = 0; i < DlayerNum; ++i) {
    *tile = extract::findIn(i, p.x, p.y);
    if (TisSolid(*tile) && (*tile)->node > 0)
      break;
  }
  Stitch = current;
  return 0;
}

// Space: "No object selected"; an element tile is painted: "It is a
// transistor".  Returns true when the tile is neither.
bool netPointed(_Dtile* t)
{
  if (t->type == cs::kSpace) {
    GCmessage(kModule, 'M', "No object selected");
    return false;
  }
  if (TisElement(t)) {
    TestTile(t, kTransistorColour);
    GCmessage(kModule, 'M', "It is a transistor");
    return false;
  }
  return t->node > 0;
}

// A typed name fits the name table.
bool nameFits(const std::string& name)
{
  if (name.size() < static_cast<size_t>(kNetNameLength))
    return true;
  GCmessage(kModule, 'E', "node name too long");
  return false;
}

// ---------------------------------------------------------------------------
// Showing a net.
// ---------------------------------------------------------------------------

void flush(_Gviewport* vp)
{
  if (vp && vp->surface)
    vp->surface->flush();
}

/*
 * showNet --
 *   Collects the net of `t` with the net finder and shows it: as the
 *   highlight list (the visible area is drawn again) or as the selected
 *   list (the main view is redrawn and the net painted over it).
 */
void showNet(_Dtile* t, bool select)
{
  extract::NetFinder finder = extract::netFinder();
  if (!finder) {
    common::notAvailable("The net finder");
    return;
  }
  FreeList(NetTileList);
  NetTileList = nullptr;
  int x1, y1, x2, y2;
  _Dtilelist* tiles = finder(t, &x1, &y1, &x2, &y2);
  _Dtilelist*& shown = select ? DlayerTile[0].selected : DlayerTile[0].highlight;
  FreeList(shown);
  shown = DExDupList(tiles);
  if (!Vmain)
    return;
  if (select) {
    DVredraw(nullptr, nullptr, nullptr);
    cs::markTiles(Vmain, tiles, kSelectedColour);
  } else {
    _box area = view::visibleBox(Vmain);
    TileDisplay(Vmain, clampCoordinate(area.x1), clampCoordinate(area.y1),
                clampCoordinate(area.x2), clampCoordinate(area.y2));
  }
  flush(Vmain);
}

// ---------------------------------------------------------------------------
// The interactions: one click in the main view.
// ---------------------------------------------------------------------------
template <int (*operation)(_point)>
int onePoint(_points* points, _GEvent*)
{
  if (!points)
    return 0;
  return operation(_point{points->x, points->y});
}

template <int (*operation)(_point)>
void startPointing(const char* prompt)
{
  static _GEvent step;
  step = {GGEbutton1, GGRno, nullptr, nullptr, onePoint<operation>, nullptr, nullptr, Vmain};
  step.prompt = prompt;
  DEevent(&step);
}

// Keeps a typed name for the interaction that follows.
void keepTyped(const char* name)
{
  extract::state().typed = name ? name : "";
  snprintf(StringBuffer, sizeof StringBuffer, "%s", name ? name : "");
}

// ---------------------------------------------------------------------------
// Names over the planes.
// ---------------------------------------------------------------------------
bool inBox(long x, long y, const _box& area)
{
  return x >= area.x1 && x <= area.x2 && y >= area.y1 && y <= area.y2;
}

void drawTransistorNames(_Gviewport* vp, const _box& area)
{
  if (!vp || !Transistors || !extract::state().tilesLive)
    return;
  GGsetColor(vp, kNameColour);
  for (int e = 0; e < DelementNum; ++e) {
    for (const _Dtransistor* t = Transistors[e]; t; t = t->next) {
      if (!t->Tgate)
        continue;
      long x = static_cast<long>(t->Tgate->x1) + kNameOffset;
      long y = static_cast<long>(t->Tgate->y1) + kNameOffset;
      if (inBox(x, y, area))
        GGstring(vp, x, y, t->name);
    }
  }
}

void drawNetNames(_Gviewport* vp, const _box& area)
{
  if (!vp || !extract::state().tilesLive)
    return;
  GGsetColor(vp, kNameColour);
  for (const _Dnet* net = Nets; net; net = net->next) {
    if (!net->tilelist || !net->tilelist->tile)
      continue;
    const _Dtile* t = net->tilelist->tile;
    long x = (static_cast<long>(t->x1) + cs::right(t)) / 2;
    long y = (static_cast<long>(t->y1) + cs::top(t)) / 2;
    if (inBox(x, y, area))
      GGstring(vp, x, y, net->name);
  }
}

constexpr _box kEverywhere = {cs::kLow, cs::kLow, cs::kHigh, cs::kHigh};

}  // namespace

void extract::drawDeviceName(_Gviewport* vp, long x1, long y1, long x2, long y2,
                             const _box& device, const char* name)
{
  if (!vp || !extract::state().tilesLive)
    return;
  long x = (static_cast<long>(device.x1) + device.x2) / 2;
  long y = (static_cast<long>(device.y1) + device.y2) / 2;
  if (x < x1 || x > x2 || y < y1 || y > y2)
    return;
  GGsetColor(vp, kNameColour);
  GGstring(vp, x, y, name);
}

namespace {

void displayTransistorNames(_Gviewport* vp) { drawTransistorNames(vp, kEverywhere); }
void displayNetNames(_Gviewport* vp) { drawNetNames(vp, kEverywhere); }

// The names of transistors and nets over the drawn area.
class CircuitNames : public view::NameOverlay {
 public:
  void draw(_Gviewport* vp, long x1, long y1, long x2, long y2) override
  {
    _box area{clampCoordinate(x1), clampCoordinate(y1), clampCoordinate(x2), clampCoordinate(y2)};
    drawTransistorNames(vp, area);
    drawNetNames(vp, area);
  }
};

// The planes were released: nothing may point at their tiles any more.
void forgetTiles()
{
  extract::State& s = extract::state();
  for (void (*release)() : s.releaseHooks)
    release();
  s.plates.clear();
  FreeList(NetTileList);
  NetTileList = nullptr;
  for (_Dnet* net = Nets; net; net = net->next) {
    FreeList(net->tilelist);
    net->tilelist = nullptr;
    delete net->connElemList;  // its devices went with the planes
    net->connElemList = nullptr;
  }
  for (int e = 0; Transistors && e < DelementNum; ++e)
    for (_Dtransistor* t = Transistors[e]; t; t = t->next) {
      t->Tgate = t->Tsource = t->Tdrain = t->Pgate = t->Pside1 = t->Pside2 = nullptr;
      t->multifingerTran = nullptr;  // the groups went with the planes
    }
  extract::releaseTransList();
  s.pins.clear();
  s.holders.clear();
  std::fill(std::begin(s.hints), std::end(s.hints), nullptr);
  s.planesOf = nullptr;
  s.tilesLive = false;
}

}  // namespace

namespace extract {

void install()
{
  static CircuitNames names;
  cs::setExtractionReset(&DExInit);
  cs::setNetTilesRelease(&forgetTiles);
  cs::setNameDisplay(&displayTransistorNames, &displayNetNames);
  view::setOverlay(view::Overlay::Circuit, &names);
}

}  // namespace extract

// ---------------------------------------------------------------------------
// The actions.
// ---------------------------------------------------------------------------

/*
 * DExNameNetExe --
 *   Names the net under the point with the typed name; an earlier name of
 *   the net stays in the table behind the new one.
 */
int DExNameNetExe(_point point)
{
  _Dtile* t;
  if (objectAt(point, &t))
    return 1;
  if (!t)
    return 0;
  if (t->type == cs::kSpace) {
    GCmessage(kModule, 'W', "Perhaps you need to extract the circuit first");
    return 1;
  }
  if (t->node <= 0)
    return 0;
  common::outf("Net number: %d\n", t->node);
  const std::string& name = extract::state().typed;
  if (nameFits(name))
    extract::addName(t->node, name.c_str());
  return 0;
}

/*
 * DExDefIOExe --
 *   Declares the net under the point an input/output pin with the typed
 *   name: the tile gets a pin record (number -1) and the net the name.
 */
int DExDefIOExe(_point point)
{
  _Dtile* t;
  if (objectAt(point, &t))
    return 1;
  if (!t || !netPointed(t))
    return 0;
  common::outf("Net number: %d\n", t->node);
  const std::string& name = extract::state().typed;
  if (!nameFits(name))
    return 0;
  _Dtransistor* pin = t->next();
  if (!pin) {
    extract::state().pins.push_back(std::make_unique<_Dtransistor>());
    pin = extract::state().pins.back().get();
    t->set_next(pin);
  }
  pin->number = -1;
  pin->Tgate = t;
  extract::addName(t->node, name.c_str());
  return 0;
}

int DExShowObjExe(_point point)
{
  _Dtile* t;
  if (objectAt(point, &t))
    return 1;
  if (!t || !netPointed(t))
    return 0;
  common::errf("Net number: %d\n", t->node);
  showNet(t, false);
  return 0;
}

int DExSelectNetTileObjExe(_point point)
{
  _Dtile* t;
  if (objectAt(point, &t))
    return 1;
  if (!t || !netPointed(t))
    return 0;
  common::errf("Net number: %d\n", t->node);
  showNet(t, true);
  return 0;
}

/*
 * DExSearchNet --
 *   Shows the net with the number `number`: the first tile carrying it, in
 *   plane order, starts the net finder.
 */
int DExSearchNet(long number)
{
  if (number < 0)
    GCmessage(kModule, 'E', "Input wrong");
  if (number <= 0)
    return 1;
  if (DlayerNum == 0 || !DlayerTile[0].layertile) {
    GCmessage(kModule, 'W', "Corner stitch structure not ready");
    return 1;
  }
  _Dtile* found = nullptr;
  for (int i = 0; i < DlayerNum && !found; ++i) {
    if (!DlayerTile[i].layertile)
      continue;
    _Dtilelist* all = nullptr;
    extract::enumIn(i, cs::kMin, cs::kMin, cs::kMax, cs::kMax, &all);
    for (_Dtilelist* n = all; n && !found; n = n->next)
      if (n->tile->node == number)
        found = n->tile;
    FreeList(all);
  }
  if (!found)
    return 0;
  common::outf("Net number: %d\n", found->node);
  showNet(found, false);
  return 0;
}

int DExNameNet(char* name)
{
  keepTyped(name);
  startPointing<DExNameNetExe>("Click the net to name");
  return 0;
}

int DExDefIO(char* name)
{
  keepTyped(name);
  startPointing<DExDefIOExe>("Click the net of the terminal");
  return 0;
}

int DExShowObj()
{
  startPointing<DExShowObjExe>("Click a net or a transistor to show it");
  return 0;
}

int DExSelectNetTileObj()
{
  startPointing<DExSelectNetTileObjExe>("Click the net to select");
  return 0;
}

int DExShowATran() { return 0; }
int DExShowANet() { return 0; }
