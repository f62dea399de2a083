// Spiral inductors: the turn test, recognition of spirals in the nets' tile
// lists, recording with the cuts before and after the spiral, the ports,
// and the inductor list.
#include "LXinductor.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "CS.h"
#include "DEextract.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dview.h"

_LXInductor* inductorList = nullptr;
int inductorCount = 0;

namespace {

constexpr int kModule = 14;

// Planes whose layer an inductor definition names.
extract::DevicePlanes<_LX_IND_DEF_> inductorPlanes{LXindDefinition, &LXindDefNum};

inline int width(const _Dtile* t) { return cs::right(t) - t->x1; }
inline int height(const _Dtile* t) { return cs::top(t) - t->y1; }

int orientation(const _Dtile* t)
{
  return LXcheckTileOrientation(t->x1, t->y1, cs::right(t), cs::top(t));
}

// The run of segments turning the same way.
struct Run {
  _Dtilelist* start = nullptr;
  _Dtilelist* end = nullptr;
  _Dtilelist* thirdlast = nullptr;
  int count = 0;
  int direction = 0;
};

void freeInductor(_LXInductor* ind)
{
  FreeList(ind->start);
  delete ind;
}

/*
 * startSideIsOuter --
 *   Whether the first segment of the run is on the outside of the spiral:
 *   the first segment is at least as long as the last.
 */
bool startSideIsOuter(const _Dtile* s, const _Dtile* e)
{
  bool sHorizontal = orientation(s) == 9;
  if (sHorizontal)
    return orientation(e) == 9 ? width(s) >= width(e) : width(s) >= height(e);
  return orientation(e) != 8 ? height(s) >= width(e) : height(s) >= height(e);
}

/*
 * record --
 *   Records the spiral of `run`, found in `net`, and cuts it out: the net
 *   keeps what comes before the spiral, what comes after becomes a new net.
 * Returns: the new net, or null when nothing follows the spiral.
 */
_Dnet* record(_Dnet* net, const Run& run)
{
  common::outf("A new inductor is found !!!\n");
  // The element that feeds the spiral's start.
  _Dtilelist* cursor = net->tilelist;
  if (cursor != run.start) {
    for (; cursor && cursor->next != run.start; cursor = cursor->next)
      if (!TisSolid(cursor->tile)) {
        common::outf("  LXbreakNet.c: Net contains space tile????\n");
        GCmessage(kModule, 'F', "Net %d contains a space tile", net->node);
        common::abandonAction(1);
      }
  }
  _LXInductor* ind = new (std::nothrow) _LXInductor{};
  if (!ind) {
    common::outf("Error creating new inductor \n");
    return nullptr;
  }
  ind->start = run.start;
  ind->end = run.end;
  ind->thirdlast = run.thirdlast;
  ind->layerNum = run.start->tile->type & 0xFF;
  ind->qturns = run.count;
  LXgetInductorMeasurement(ind);
  LXaddInductorToList(inductorList, ind);

  // Cut before the spiral (LXbreakStart).
  _Dtile* startFeed = nullptr;
  if (cursor == run.start) {
    net->tilelist = nullptr;  // the spiral began the net
  } else {
    startFeed = cursor->tile;
    cursor->next = nullptr;
  }
  // The spiral's tiles belong to it from now on (LXbreakInductor).
  for (_Dtilelist* n = run.start; n && n != run.end->next; n = n->next) {
    n->tile->node = 0;
    n->tile->set_passiveDev(extract::kPassiveMark);
  }

  // Direction and ports: port1 is always the outer end.
  _Dtile* s = run.start->tile;
  _Dtile* e = run.end->tile;
  _Dtile* endFeed = run.end->next ? run.end->next->tile : nullptr;
  _Dtile* startPort = extract::touchingPort(s, startFeed);
  _Dtile* endPort = extract::touchingPort(e, endFeed);
  if (startSideIsOuter(s, e)) {
    ind->turnsDir = LXoppositeDir(run.direction);
    ind->port1tile = startPort;
    ind->port2tile = endPort;
  } else {
    ind->turnsDir = run.direction;
    ind->port1tile = endPort;
    ind->port2tile = startPort;
  }

  // Cut after the spiral (LXbreakEnd).
  _Dtilelist* rest = run.end->next;
  run.end->next = nullptr;
  extract::markNetChanged(net);
  _Dnet* made = nullptr;
  if (rest) {
    made = extract::makeNet(++NetsNum, rest);
    for (_Dtilelist* n = rest; n; n = n->next)
      n->tile->node = made->node;
    extract::markNetChanged(made);
  }
  LXgetInductorType(ind);
  LXgetInductorBound(ind);
  ind->via = nullptr;
  return made;
}

/*
 * findIn --
 *   Walks one net's tile list for a spiral: a run of at least five
 *   segments, each turning the same way into the next.  The first spiral
 *   found is recorded and ends the walk.
 * Returns: the net made of what follows the spiral, or null.
 */
_Dnet* findIn(_Dnet* net)
{
  extract::announceNet("Extracting net ", net, "");
  if (!(extract::netPlanes(net) & inductorPlanes.get()))
    return nullptr;
  Run run;
  for (_Dtilelist* e = net->tilelist; e; e = e->next) {
    int turn = LXpossibleInductor(e, e->next);
    if (turn == 0) {
      if (run.count > 4)
        return record(net, run);
      run = Run{};
    } else if (run.count == 0 || (turn != run.direction && run.count < 5)) {
      run = Run{e, e->next, nullptr, 2, turn};
    } else if (turn == run.direction) {
      run.end = run.end->next;
      ++run.count;
      run.thirdlast = run.count < 4 ? run.start : run.thirdlast->next;
    } else {
      return record(net, run);
    }
  }
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// The list.
// ---------------------------------------------------------------------------
void LXinitInductorList(_LXInductor** head)
{
  bool made = !*head;
  extract::resetDevices(head, "Error allocating memory for inductorList \n", freeInductor);
  if (made) {
    (*head)->inductorNo = -1;
    (*head)->layerNum = -1;
  }
  inductorCount = 0;
}

void LXclearInductorList(_LXInductor* head)
{
  extract::releaseDevices(head, freeInductor);
  inductorCount = 0;
}

void LXaddInductorToList(_LXInductor* head, _LXInductor* ind)
{
  ind->inductorNo = ++inductorCount;
  ind->next = head->next;
  head->next = ind;
}

int LXoppositeDir(int direction) { return direction == 1 ? 2 : 1; }

int LXcheckTileOrientation(int x1, int y1, int x2, int y2)
{
  long dx = std::labs(static_cast<long>(x1) - x2), dy = std::labs(static_cast<long>(y1) - y2);
  return dx > dy ? 9 : dx < dy ? 8 : 0;
}

int LXisNotIndLayer(const _Dtile* tile)
{
  return !(extract::planeBit(tile) & inductorPlanes.get());
}

// ---------------------------------------------------------------------------
// Recognition.
// ---------------------------------------------------------------------------

/*
 * LXpossibleInductor --
 *   Whether the tiles of two consecutive elements turn into each other: both
 *   of one inductor layer, one horizontal and one vertical (the second at
 *   least as thick as the first is long across), meeting corner to corner.
 * Returns: 0 no turn, 1 clockwise, 2 counter-clockwise (y up).
 */
int LXpossibleInductor(_Dtilelist* a, _Dtilelist* b)
{
  if (!a || !b || !a->tile || !b->tile)
    return 0;
  const _Dtile* ta = a->tile;
  const _Dtile* tb = b->tile;
  if (ta->type != tb->type || TisElement(ta) || !TisSolid(ta) || LXisNotIndLayer(ta) ||
      LXisNotIndLayer(tb))
    return 0;
  // A tile of another device is no segment.
  if (ta->passiveDev() || tb->passiveDev())
    return 0;
  int oa = orientation(ta), ob = orientation(tb);
  if (oa == ob)
    return 0;
  if (oa == 9 && height(tb) < height(ta))
    return 0;
  if (oa == 8 && width(tb) < width(ta))
    return 0;
  const int ax1 = ta->x1, ay1 = ta->y1, ar = cs::right(ta), at = cs::top(ta);
  const int bx1 = tb->x1, by1 = tb->y1, br = cs::right(tb), bt = cs::top(tb);
  if ((ax1 == br && ay1 == by1) || (ar == br && ay1 == bt) || (ar == bx1 && at == bt) ||
      (ax1 == bx1 && at == by1))
    return 1;
  if ((ar == bx1 && ay1 == by1) || (ax1 == bx1 && ay1 == bt) || (ax1 == br && at == bt) ||
      (ar == br && at == by1))
    return 2;
  return 0;
}

/*
 * LXfindInductor --
 *   Recognises the spirals of one net; the wire beyond each spiral becomes
 *   a new net and is searched in turn, so several spirals on one wire are
 *   all found.
 */
void LXfindInductor(_Dnet* net) { extract::scanWithRest(net, findIn); }

void LXscanNet(_Dnet* net)
{
  for (; net; net = net->next)
    LXfindInductor(net);
}

/*
 * LXinductorExtract --
 *   Recognises the spirals of every net of the extracted circuit.
 */
int LXinductorExtract()
{
  if (!Nets)
    return 0;
  inductorPlanes.forget();
  LXinitInductorList(&inductorList);
  _Dtile* current = Stitch;
  LXscanNet(Nets);
  Stitch = current;
  return 0;
}

// ---------------------------------------------------------------------------
// Connection to the re-extraction and the view.
// ---------------------------------------------------------------------------
namespace {

void terminals(std::vector<extract::PassiveTerminal>* out)
{
  extract::portsOf(inductorList, elemIND, out);
}

void release()
{
  LXclearInductorList(inductorList);
  inductorPlanes.forget();
}

class InductorNames : public view::NameOverlay {
 public:
  void draw(_Gviewport* vp, long x1, long y1, long x2, long y2) override
  {
    for (_LXInductor* ind = inductorList ? inductorList->next : nullptr; ind; ind = ind->next) {
      char name[16];
      snprintf(name, sizeof name, "L%d", ind->inductorNo);
      extract::drawDeviceName(vp, x1, y1, x2, y2,
                              {ind->origX1, ind->origY1, ind->origX2, ind->origY2}, name);
    }
  }
};

}  // namespace

void inductor::install()
{
  static InductorNames names;
  extract::setPassiveDevices(extract::PassiveKind::Inductor, &terminals, &LXshowAllInductors);
  extract::onRelease(&release);
  view::setOverlay(view::Overlay::Inductors, &names);
}
