// Resistors: runs of resistor-layer tiles in the nets' tile lists, their
// acceptance, the ports (a three-tile run, or a single tile cut at its
// contacts), the cuts before and after the body, the size and the listing.
#include "RXresistor.h"

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

_RX_RESISTOR_* resistorList = nullptr;
int resistorCount = 0;

namespace {

constexpr int kModule = 14;
constexpr double kMinimumAspect = 5.0;  // long side over short side of a one-tile body

double microns(long units) { return units * LAMBDA_T1 / SCALE; }

const char* layerName(const _Dtile* t) { return t && t->layer() ? t->layer()->name : ""; }

long netOf(const _Dtile* t) { return t ? t->node : 0; }

// Planes whose layer a resistor definition names.
extract::DevicePlanes<_RX_RESDEFINITION_> resistorPlanes{RXresDefinition, &RXresDefNum};

void freeResistor(_RX_RESISTOR_* res)
{
  FreeList(res->start);
  delete res;
}

void cannotExtract() { common::outf("WARNING: RXcreatePort.c: cannot extract this resistor layout\n"); }

/*
 * contactsIn --
 *   The bounding box of the contact cuts of the first connection of the
 *   tile's layer that has cuts in the area.
 * Returns: false when no connection has any.
 */
bool contactsIn(const _Dtile* r, long x1, long y1, long x2, long y2, _box* box)
{
  const char* layer = layerName(r);
  _Dtile* current = Stitch;
  bool found = false;
  for (int c = 0; c < DconNum && !found; ++c) {
    if (strcmp(Dconnect[c].lowerLayer, layer) != 0 && strcmp(Dconnect[c].upperLayer, layer) != 0)
      continue;
    _Dtile* plane = NamedLayerTile(Dconnect[c].conLayer);
    if (!plane)
      continue;
    Stitch = plane;
    _Dtilelist* cuts = nullptr;
    AreaEnum(static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2),
             static_cast<int>(y2), &cuts, 0);
    for (_Dtilelist* n = cuts; n; n = n->next) {
      const _Dtile* t = n->tile;
      if (!TisSolid(t))
        continue;
      if (!found)
        *box = {t->x1, t->y1, cs::right(t), cs::top(t)};
      box->x1 = std::min(box->x1, t->x1);
      box->y1 = std::min(box->y1, t->y1);
      box->x2 = std::max(box->x2, cs::right(t));
      box->y2 = std::max(box->y2, cs::top(t));
      found = true;
    }
    FreeList(cuts);
  }
  Stitch = current;
  return found;
}

/*
 * cut --
 *   Cuts `tile` across at `at` (a y for a vertical body, an x for a
 *   horizontal one); both parts leave their net.
 * Returns: the upper or right part, or null when the cut would not lie
 *   inside the tile.
 */
_Dtile* cut(_Dtile* tile, long at, bool horizontal)
{
  long low = horizontal ? tile->x1 : tile->y1;
  long high = horizontal ? cs::right(tile) : cs::top(tile);
  if (at <= low || at >= high) {
    cannotExtract();
    return nullptr;
  }
  _point point{horizontal ? static_cast<int>(at) : tile->x1,
               horizontal ? tile->y1 : static_cast<int>(at)};
  _Dtile* upper = nullptr;
  _Dtile* current = Stitch;
  int refused = TileSplit(tile, point, horizontal ? cs::kCutVertical : cs::kCutHorizontal, &upper, 0);
  Stitch = current;
  if (refused)
    return nullptr;
  tile->node = upper->node = 0;
  return upper;
}

/*
 * singleTilePorts --
 *   Cuts the body of a one-tile resistor at its contacts: at the low end
 *   the contacted part becomes port 1 and the rest the body; at the high
 *   end the contacted part of what remains becomes port 2.  Each cut keeps
 *   the contact's smallest enclosure on the far side of the contact.
 */
void singleTilePorts(_RX_RESISTOR_* res, _Dtilelist* element)
{
  _Dtile* r = element->tile;
  long w = cs::right(r) - r->x1, h = cs::top(r) - r->y1;
  bool horizontal = w > h;
  _box b;
  if (horizontal ? contactsIn(r, r->x1, r->y1, r->x1 + w / 2, cs::top(r), &b)
                 : contactsIn(r, r->x1, r->y1, cs::right(r), r->y1 + h / 2, &b)) {
    long m = horizontal ? std::min({static_cast<long>(b.x1) - r->x1, static_cast<long>(b.y1) - r->y1,
                                    static_cast<long>(cs::top(r)) - b.y2})
                        : std::min({static_cast<long>(b.y1) - r->y1, static_cast<long>(b.x1) - r->x1,
                                    static_cast<long>(cs::right(r)) - b.x2});
    if (_Dtile* body = cut(r, (horizontal ? b.x2 : b.y2) + m, horizontal)) {
      res->port1tile = r;
      element->tile = body;
    }
  }
  _Dtile* body = element->tile;
  long bw = cs::right(body) - body->x1, bh = cs::top(body) - body->y1;
  if (horizontal ? contactsIn(body, cs::right(body) - bw / 2, body->y1, cs::right(body), cs::top(body), &b)
                 : contactsIn(body, body->x1, cs::top(body) - bh / 2, cs::right(body), cs::top(body), &b)) {
    long m = horizontal ? std::min({static_cast<long>(cs::right(body)) - b.x2,
                                    static_cast<long>(b.y1) - body->y1,
                                    static_cast<long>(cs::top(body)) - b.y2})
                        : std::min({static_cast<long>(cs::top(body)) - b.y2,
                                    static_cast<long>(b.x1) - body->x1,
                                    static_cast<long>(cs::right(body)) - b.x2});
    if (_Dtile* port = cut(body, (horizontal ? b.x1 : b.y1) - m, horizontal))
      res->port2tile = port;
  }
}

/*
 * record --
 *   Records the resistor of the run first..last of `net` and cuts it out:
 *   the net keeps what comes before the run, what comes after becomes a new
 *   net.
 * Returns: the new net, or null when nothing follows the run.
 */
_Dnet* record(_Dnet* net, _Dtilelist* first, _Dtilelist* last)
{
  _Dtilelist* cursor = net->tilelist;
  if (cursor != first)
    for (; cursor && cursor->next != first; cursor = cursor->next)
      if (!TisSolid(cursor->tile)) {
        GCmessage(kModule, 'F', "Net %d contains a space tile", net->node);
        common::abandonAction(1);
      }
  _RX_RESISTOR_* res = new (std::nothrow) _RX_RESISTOR_{};
  if (!res) {
    GCmessage(kModule, 'F', "No memory for a resistor");
    common::abandonAction(1);
  }
  res->start = first;
  res->end = last;
  RXcreatePort(res, first);

  // Cut before and after the run.
  if (cursor == first)
    net->tilelist = nullptr;
  else
    cursor->next = nullptr;
  _Dtilelist* rest = last->next;
  last->next = nullptr;
  if (res->start != first) {  // port, body, port: the ports' elements go
    first->next = nullptr;
    FreeList(first);
    FreeList(last);
  }
  extract::markNetChanged(net);
  _Dnet* made = nullptr;
  if (rest) {
    made = extract::makeNet(++NetsNum, rest);
    for (_Dtilelist* n = rest; n; n = n->next)
      n->tile->node = made->node;
    extract::markNetChanged(made);
  }

  // The body (RXbreakResistor).
  for (_Dtilelist* n = res->start; n; n = n->next) {
    n->tile->node = 0;
    n->tile->set_passiveDev(extract::kPassiveMark);
  }
  RXgetResistorSize(res);
  RXaddResistorToList(resistorList, res);
  return made;
}

_Dnet* findIn(_Dnet* net)
{
  extract::announceNet("Extracting net ", net, " for resistors");
  if (!(extract::netPlanes(net) & resistorPlanes.get()))
    return nullptr;
  _Dtilelist* first = nullptr;
  _Dtilelist* last = nullptr;
  for (_Dtilelist* e = net->tilelist; e; e = e->next) {
    if (!RXisNotResLayer(e->tile)) {
      if (!first)
        first = e;
      last = e;
      continue;
    }
    if (first && RXpossibleResistor(first, last))
      return record(net, first, last);
    first = last = nullptr;
  }
  return nullptr;
}

}  // namespace

int RXisNotResLayer(const _Dtile* tile)
{
  return !(extract::planeBit(tile) & resistorPlanes.get());
}

// ---------------------------------------------------------------------------
// The list.
// ---------------------------------------------------------------------------
void RXinitResistorList(_RX_RESISTOR_** head)
{
  extract::resetDevices(head, "Error allocating memory for resistorList \n", freeResistor);
  resistorCount = 0;
}

void RXclearResistorList(_RX_RESISTOR_* head)
{
  extract::releaseDevices(head, freeResistor);
  resistorCount = 0;
}

void RXaddResistorToList(_RX_RESISTOR_* head, _RX_RESISTOR_* res)
{
  res->resistorNum = ++resistorCount;
  snprintf(res->name, sizeof res->name, "%s%u", "r", static_cast<unsigned>(res->resistorNum));
  res->next = head->next;
  head->next = res;
}

// ---------------------------------------------------------------------------
// Recognition.
// ---------------------------------------------------------------------------

/*
 * RXpossibleResistor --
 *   A run is a resistor unless one of its tiles belongs to a transistor or
 *   to another device: a run of several tiles always, a single tile when
 *   its long side is at least five times its short side.
 */
int RXpossibleResistor(_Dtilelist* first, _Dtilelist* last)
{
  if (!first)
    return 0;
  if (!last)
    last = first;
  for (_Dtilelist* n = first;; n = n->next) {
    if (!n || TisElement(n->tile) || n->tile->passiveDev())
      return 0;
    if (n == last)
      break;
  }
  if (first != last)
    return 1;
  const _Dtile* t = first->tile;
  double w = cs::right(t) - t->x1, h = cs::top(t) - t->y1;
  return std::max(w, h) >= kMinimumAspect * std::min(w, h);
}

/*
 * RXcreatePort --
 *   The ports of a recorded run.  A run of three tiles is port, body, port;
 *   one tile is cut at its contacts; any other run has no ports.
 */
void RXcreatePort(_RX_RESISTOR_* res, _Dtilelist* first)
{
  if (res->start == res->end) {
    singleTilePorts(res, first);
    return;
  }
  _Dtilelist* middle = first->next;
  if (!middle || middle->next != res->end) {
    cannotExtract();
    return;
  }
  res->port1tile = first->tile;
  res->port2tile = res->end->tile;
  res->port1tile->node = res->port2tile->node = 0;
  res->start = res->end = middle;
  middle->next = nullptr;
}

void RXgetResistorSize(_RX_RESISTOR_* res)
{
  if (res->start != res->end) {
    common::outf("WARNING: This resistor type is not supported for measurement\n\n");
    return;
  }
  const _Dtile* t = res->start->tile;
  long w = cs::right(t) - t->x1, h = cs::top(t) - t->y1;
  res->origGeometry.length = microns(std::max(w, h));
  res->origGeometry.width = microns(std::min(w, h));
}

void RXfindResistor(_Dnet* net) { extract::scanWithRest(net, findIn); }

int RXresistorExtract()
{
  if (!Nets)
    return 0;
  RXinitResistorList(&resistorList);
  resistorPlanes.forget();
  _Dtile* current = Stitch;
  for (_Dnet* net = Nets; net; net = net->next)
    RXfindResistor(net);
  Stitch = current;
  return 0;
}

void RXshowAllResistors()
{
  common::outf("Total number of resistors: %d \n", resistorCount);
  for (_RX_RESISTOR_* res = resistorList ? resistorList->next : nullptr; res; res = res->next) {
    if (res->port1tile && res->port2tile)
      common::outf("printing resistor %d, between net %ld and net %ld\n", res->resistorNum,
                   netOf(res->port1tile), netOf(res->port2tile));
    else
      GCmessage(kModule, 'W', "Resistor %d: %s", res->resistorNum,
                res->port1tile || res->port2tile ? "one port is not connected"
                                                 : "no port is connected");
    common::outf("\tResistor width is %6.2f (um), length is %6.2f (um)\n",
                 res->origGeometry.width, res->origGeometry.length);
  }
}

// ---------------------------------------------------------------------------
// Connection to the re-extraction and the view.
// ---------------------------------------------------------------------------
namespace {

void terminals(std::vector<extract::PassiveTerminal>* out)
{
  extract::portsOf(resistorList, elemRES, out);
}

void release()
{
  RXclearResistorList(resistorList);
  resistorPlanes.forget();
}

class ResistorNames : public view::NameOverlay {
 public:
  void draw(_Gviewport* vp, long x1, long y1, long x2, long y2) override
  {
    for (_RX_RESISTOR_* res = resistorList ? resistorList->next : nullptr; res; res = res->next) {
      const _Dtile* t = res->start ? res->start->tile : nullptr;
      if (t)
        extract::drawDeviceName(vp, x1, y1, x2, y2, {t->x1, t->y1, cs::right(t), cs::top(t)},
                                res->name);
    }
  }
};

}  // namespace

void resistor::install()
{
  static ResistorNames names;
  extract::setPassiveDevices(extract::PassiveKind::Resistor, &terminals, &RXshowAllResistors);
  extract::onRelease(&release);
  view::setOverlay(view::Overlay::Resistors, &names);
}
