// The net finder and the net-graph selection.
#include "DPparasitic.h"

#include <algorithm>

#include "DEextract.h"
#include "Devent.h"
#include "Dglobal.h"
#include "Dview.h"

namespace {

constexpr int kModule = 9;  // message module of the extraction

int selectGraph(_points* points, _GEvent*)
{
  if (!points)
    return 0;
  FreeList(NetTileList);
  NetTileList = nullptr;
  int result = DExSelectNetTileObjExe(_point{points->x, points->y});
  if (NetTileList)
    GCmessage(kModule, 'W', "No resistance graph is available");
  return result;
}

}  // namespace

/*
 * DExFindNet --
 *   Collects the net of `tile`: traces it under its negated number, then
 *   gives every tile its number back while taking the bounding box.
 */
_Dtilelist* DExFindNet(_Dtile* tile, int* x1, int* y1, int* x2, int* y2)
{
  FreeList(NetTileList);
  NetTileList = nullptr;
  *x1 = *y1 = cs::kMax;
  *x2 = *y2 = cs::kMin;
  if (!tile || !TisSolid(tile) || tile->node <= 0)
    return nullptr;
  const int net = tile->node;
  extract::traceNet(tile, -net, net);
  for (_Dtilelist* n = NetTileList; n; n = n->next) {
    _Dtile* t = n->tile;
    t->node = net;
    *x1 = std::min(*x1, t->x1);
    *y1 = std::min(*y1, t->y1);
    *x2 = std::max(*x2, cs::right(t));
    *y2 = std::max(*y2, cs::top(t));
  }
  return NetTileList;
}

int DExSelectNetGraphObj()
{
  static _GEvent step;
  step = {GGEbutton1, GGRno, nullptr, nullptr, selectGraph, nullptr, nullptr, Vmain};
  step.prompt = "Click the net whose graph to show";
  DEevent(&step);
  return 0;
}

namespace parasitic {

void install() { extract::setNetFinder(&DExFindNet); }

}  // namespace parasitic
