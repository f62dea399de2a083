// Finding the bulk strips: active-layer tiles of the supply nets that stand
// alone in their plane.
#include "SBsubstrate.h"

#include <strings.h>

#include <cstring>

#include "CS.h"
#include "DEextract.h"
#include "DTtechnology.h"
#include "Dlayout.h"
#include "SBint.h"

namespace {

// A supply label begins with "vdd" or "gnd" in any case.
bool isSupplyLabel(const char* label)
{
  return label && (strncasecmp(label, "vdd", 3) == 0 || strncasecmp(label, "gnd", 3) == 0);
}

// A supply net carries a pin with a supply label.
bool isSupplyNet(const _Dnet* net)
{
  if (!net->connElemList)
    return false;
  for (const _Conn_Elem& entry : *net->connElemList) {
    if (entry.type == elemPIN && isSupplyLabel(static_cast<const _pin*>(entry.element)->label))
      return true;
  }
  return false;
}

// The tile lies in the plane of the first layer of the first element.
bool onActiveLayer(const _Dtile* tile)
{
  return DelementNum > 0 && Delement[0].layerNum > 0 && tile->layer() &&
         strcmp(tile->layer()->name, Delement[0].layers[0]) == 0;
}

}  // namespace

/*
 * SBsearch_bulk --
 *   Pushes every bulk strip of every supply net onto SBbulk_list, nets in
 *   list order and each net's tiles in tile-list order.
 */
void SBsearch_bulk()
{
  for (_Dnet* net = Nets; net; net = net->next) {
    if (!isSupplyNet(net))
      continue;
    for (_Dtilelist* n = net->tilelist; n; n = n->next)
      if (SBisthisbulk2(n->tile))
        SBaddtobulklist(n->tile);
  }
}

/*
 * SBisthisbulk2 --
 *   A bulk strip is an active-layer tile that no other solid tile of its
 *   plane touches, along a side or at a corner: the area grown by one unit
 *   on every side holds no other solid tile.
 * Returns: 1 for a bulk strip, else 0 (also for a null tile).
 * Side effects: none; Stitch is restored.
 */
int SBisthisbulk2(_Dtile* tile)
{
  if (!tile || !onActiveLayer(tile))
    return 0;
  _Dtile* hint = Stitch;
  Stitch = tile;
  _Dtilelist* around = nullptr;
  AreaEnum(cs::left(tile) - 1, cs::bottom(tile) - 1, cs::right(tile) + 1, cs::top(tile) + 1,
           &around, 0);
  int alone = 1;
  for (const _Dtilelist* n = around; n && alone; n = n->next)
    if (n->tile != tile && TisSolid(n->tile))
      alone = 0;
  FreeList(around);
  Stitch = hint;
  return alone;
}

/*
 * SBaddtobulklist --
 *   Pushes a strip with its size in micrometres at the head of SBbulk_list.
 */
void SBaddtobulklist(_Dtile* tile)
{
  auto* item = new SBbulk_item{};
  item->tile = tile;
  item->dx = substrate::microns(substrate::rightOf(tile) - substrate::leftOf(tile));
  item->dy = substrate::microns(substrate::topOf(tile) - substrate::bottomOf(tile));
  item->next = SBbulk_list;
  SBbulk_list = item;
}
