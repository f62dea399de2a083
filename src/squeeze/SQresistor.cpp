// Resistors in a resize: their new geometry (extracted or from the size
// file), the arcs that hold the body to it and keep the ports around the
// body, and the request to resize the contact arrays of the ports.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "CS.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "DUsize.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "RXresistor.h"
#include "SQint.h"
#include "SQsqueeze.h"
#include "VCvia.h"

namespace {

constexpr int kResRank = -80;

_RX_RESISTOR_* first() { return resistorList ? resistorList->next : nullptr; }

int grid(double microns) { return squeeze::gridUnits(microns); }

SQLINE_item* low(const _Dtile* t) { return squeeze::lowLine(t); }
SQLINE_item* high(const _Dtile* t) { return squeeze::highLine(t); }
void fix(SQLINE_item* a, SQLINE_item* b, int d) { squeeze::fixDistance(a, b, d, kResRank); }
void clear(SQLINE_item* a, SQLINE_item* b) { squeeze::clearArcs(a, b); }

bool ruleLayer(int l) { return l >= 0 && l < kRuleLayers; }
int width(int l) { return ruleLayer(l) && WIDTH_VALID[l] == 1 ? WIDTH[l] : 0; }
int spacing(int l) { return ruleLayer(l) && SPACING_VALID[l][l] == 1 ? SPACING[l][l] : 0; }
bool extensionValid(int a, int b) { return ruleLayer(a) && ruleLayer(b) && EXTENSION_VALID[a][b] == 1; }

const char* layerName(const _Dtile* t) { return t && t->layer() ? t->layer()->name : ""; }
int layerOf(const _Dtile* t) { return t && t->layer() ? t->layer()->layer : -1; }

/*
 * forContacts --
 *   Calls f(contact tile) for the solid tiles under `tile` in the contact
 *   plane of every connection, except one that joins `layer` to itself;
 *   f returns false to go on with the next connection.
 */
template <class F>
void forContacts(const _Dtile* tile, const char* layer, F f)
{
  if (!tile)
    return;
  // The cuts are gathered first, so that `f` may abandon the action
  // without leaving a tile list or the current plane behind.
  std::vector<std::vector<_Dtile*>> cuts;  // by contact layer
  _Dtile* current = Stitch;
  for (int c = 0; c < DconNum; ++c) {
    if (strcmp(Dconnect[c].lowerLayer, layer) == 0 && strcmp(Dconnect[c].upperLayer, layer) == 0)
      continue;
    _Dtile* plane = NamedLayerTile(Dconnect[c].conLayer);
    if (!plane)
      continue;
    Stitch = plane;
    _Dtilelist* found = nullptr;
    AreaEnum(tile->x1, tile->y1, cs::right(tile), cs::top(tile), &found, 0);
    cuts.emplace_back();
    for (_Dtilelist* n = found; n; n = n->next)
      if (TisSolid(n->tile))
        cuts.back().push_back(n->tile);
    FreeList(found);
  }
  Stitch = current;
  for (const std::vector<_Dtile*>& layerCuts : cuts)
    for (_Dtile* cut : layerCuts)
      if (!f(cut))
        break;  // the next contact layer
}

/* smallestPortWidth -- step 1 of the constraints, in layout units. */
int smallestPortWidth(const _RX_RESISTOR_* res)
{
  const _Dtile* body = res->start ? res->start->tile : nullptr;
  const int bodyLayer = layerOf(body);
  int m = 0;
  forContacts(res->port1tile, layerName(body), [&](const _Dtile* cut) {
    const int c = layerOf(cut);
    const int s = spacing(c);
    int h = s / 2 + s % 2;
    if (h < 0)
      h = 0;
    const int e = extensionValid(bodyLayer, c) ? std::max<int>(EXTENSION[bodyLayer][c], h) : h;
    m = std::max(m, (width(c) + 2 * e) * SCALE);
    return false;  // the first cut of each connection
  });
  return m;
}

}  // namespace

void RXgetResOrigGeometry(_RX_RESISTOR_* res) { res->newGeometry = res->origGeometry; }

int RXresGen()
{
  for (_RX_RESISTOR_* res = first(); res; res = res->next)
    RXgetResOrigGeometry(res);
  if (textualDeviceSizeInput == 1) {
    USupdateResSize();
    USdeleteResArray();
  }
  return 0;
}

void RXsetResConstraint(_RX_RESISTOR_* res, int direction)
{
  const int m = smallestPortWidth(res);
  if (!res->start || !res->end || res->start->tile != res->end->tile) {
    common::outf("RXresConstraint: ERROR - This resistor type is not supported yet \n");
    return;
  }
  _Dtile* t = res->start->tile;
  SQLINE_item *bl = low(t), *bh = high(t);
  if (!bl || !bh) {
    common::outf("RXsetResConstraint: resistor %d has no cell in the squeeze graph\n",
                 res->resistorNum);
    return;
  }
  const bool horizontal = cs::right(t) - t->x1 > cs::top(t) - t->y1;
  const bool along = horizontal == (direction == LEFT_RIGHT);
  // The drawn size that the layout's own arcs hold gives way to the new one.
  clear(bl, bh);
  if (along) {
    fix(bl, bh, grid(res->newGeometry.length));
    return;
  }
  const int w = grid(res->newGeometry.width);
  fix(bl, bh, w);
  for (_Dtile* port : {res->port1tile, res->port2tile}) {
    if (!low(port) || !high(port))
      continue;
    clear(low(port), bl);
    clear(high(port), bh);
  }
  for (_Dtile* port : {res->port1tile, res->port2tile}) {
    if (!low(port) || !high(port))
      continue;
    SQaddarc(low(port), bl, 0, kResRank);
    SQaddarc(bh, high(port), 0, kResRank);
    if (w >= m) {
      SQaddarc(high(port), bh, 0, kResRank);
      SQaddarc(bl, low(port), 0, kResRank);
    }
  }
}

void RXsetPortViaSize(_RX_RESISTOR_* res)
{
  const int w = grid(res->newGeometry.width);
  for (_Dtile* port : {res->port1tile, res->port2tile}) {
    const int pl = layerOf(port);
    forContacts(port, layerName(port), [&](_Dtile* cut) {
      const int c = layerOf(cut);
      const int e = extensionValid(pl, c) ? EXTENSION[pl][c] : 0;
      const long side = w - 2L * e * SCALE;
      VCchange_size(cut, side, side);
      return true;
    });
  }
}

int RXsetConstraint(int direction)
{
  for (_RX_RESISTOR_* res = first(); res; res = res->next) {
    RXsetResConstraint(res, direction);
    if (direction == LEFT_RIGHT)
      RXsetPortViaSize(res);
  }
  return 0;
}
