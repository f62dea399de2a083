// Recognising transistors on the active plane: the element kind of a gate
// region, its terminal tiles and the floods that find them.
#include "DEextract.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "DExstate.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"

namespace {

constexpr int kGateTag = -1;             // tiles reached while recognising a gate region
constexpr int kFirstRegionTag = -1000;   // tag of the first terminal region
constexpr int kIgnoredPortColour = 6;
constexpr int kGateColour = 6;           // debugging paint of a recognised transistor
constexpr int kSourceColour = 3;
constexpr int kDrainColour = 4;

// Layer number of the technology layer `name`, or -1.
int layerNumber(const char* name)
{
  for (int i = 0; i < GlayerNum; ++i)
    if (strcmp(Glayers[i].name, name) == 0)
      return Glayers[i].layer;
  return -1;
}

// True when no tile of the plane meeting the rectangle is space.  A single
// tile holding the rectangle is recognised without enumerating.
bool coveredIn(int plane, int x1, int y1, int x2, int y2)
{
  if (plane < 0)
    return false;
  if (x1 >= x2 || y1 >= y2)
    return TisSolid(extract::findIn(plane, x2, y1)) != 0;
  _Dtile* t = extract::findIn(plane, x2, y1);
  if (TisSolid(t) && t->x1 <= x1 && cs::right(t) >= x2 && t->y1 <= y1 && cs::top(t) >= y2)
    return true;
  _Dtilelist* list = nullptr;
  extract::enumIn(plane, x1, y1, x2, y2, &list);
  bool covered = true;
  for (_Dtilelist* n = list; n && covered; n = n->next)
    covered = TisSolid(n->tile) != 0;
  FreeList(list);
  return covered;
}

// True when some solid tile of the plane meets the rectangle.
bool solidIn(int plane, int x1, int y1, int x2, int y2)
{
  if (plane < 0)
    return false;
  _Dtilelist* list = nullptr;
  extract::enumIn(plane, x1, y1, x2, y2, &list);
  bool found = false;
  for (_Dtilelist* n = list; n && !found; n = n->next)
    found = TisSolid(n->tile) != 0;
  FreeList(list);
  return found;
}

void extend(_box* box, const _Dtile* t)
{
  box->x1 = std::min(box->x1, t->x1);
  box->y1 = std::min(box->y1, t->y1);
  box->x2 = std::max(box->x2, cs::right(t));
  box->y2 = std::max(box->y2, cs::top(t));
}

void resetTags(_Dtilelist* list)
{
  for (; list; list = list->next)
    list->tile->node = 0;
}

}  // namespace

namespace extract {

const State::ElementPlanes& elementPlanes(int e)
{
  State& s = state();
  // The planes are looked up again when the planes or the element table's
  // shape changed (checked in place: this runs for every element tile).
  bool same = s.planesOf == DlayerTile[0].layertile &&
              s.elementShape.size() == 2 * static_cast<size_t>(std::max(DelementNum, 0));
  for (int i = 0; same && i < DelementNum; ++i)
    same = s.elementShape[2 * i] == Delement[i].layerNum &&
           s.elementShape[2 * i + 1] == Delement[i].portLayerNum;
  if (!same) {
    s.elementShape.clear();
    for (int i = 0; i < DelementNum; ++i) {
      s.elementShape.push_back(Delement[i].layerNum);
      s.elementShape.push_back(Delement[i].portLayerNum);
    }
    s.elements.assign(static_cast<size_t>(DelementNum), State::ElementPlanes());
    for (int i = 0; i < DelementNum; ++i) {
      const _Delement& element = Delement[i];
      State::ElementPlanes& planes = s.elements[i];
      for (int j = 1; j < element.layerNum; ++j)
        planes.cover.push_back(planeNamed(element.layers[j]));
      if (element.portLayerNum > 0)
        planes.portLayer = layerNumber(element.portlayers[0]);
      for (int j = 1; j < element.portLayerNum; ++j)
        planes.ports.push_back(planeNamed(element.portlayers[j]));
    }
    s.planesOf = DlayerTile[0].layertile;
  }
  return s.elements[e];
}

}  // namespace extract

/*
 * DExElementNo --
 *   The element kind of an element tile: among the elements whose layers
 *   from the gate layer on all cover the tile (shrunk by one unit), the one
 *   with the most layers, the earlier on equal counts.
 * Returns: the element index; 0 with a kind F message when none fits.
 * Side effects: Stitch is restored.
 */
int DExElementNo(_Dtile* tile)
{
  _Dtile* current = Stitch;
  const int x1 = tile->x1 + 1, y1 = tile->y1 + 1;
  const int x2 = cs::right(tile) - 1, y2 = cs::top(tile) - 1;
  int best = -1;
  for (int e = 0; e < DelementNum; ++e) {
    const extract::State::ElementPlanes& planes = extract::elementPlanes(e);
    bool passes = true;
    for (int plane : planes.cover)
      if (!(passes = coveredIn(plane, x1, y1, x2, y2)))
        break;
    if (passes && (best < 0 || Delement[e].layerNum > Delement[best].layerNum))
      best = e;
  }
  Stitch = current;
  if (best >= 0)
    return best;
  GCmessage(extract::kModule, 'F', "Element structure error");
  return 0;
}

/*
 * TisPortTile --
 *   1 when the tile is of the element's first port layer and, with `check`,
 *   every further port layer has material within the tile.
 */
int TisPortTile(_Dtile* tile, int element, int check)
{
  const extract::State::ElementPlanes& planes = extract::elementPlanes(element);
  if (tile->type != planes.portLayer)
    return 0;
  if (!check)
    return 1;
  for (int plane : planes.ports)
    if (!solidIn(plane, tile->x1, tile->y1, cs::right(tile), cs::top(tile)))
      return 0;
  return 1;
}

int AllNeighborGSD(_Dtile* tile, _Dtilelist** list, int tag, int sameType)
{
  int count = 0;
  const bool fromElement = TisElement(tile) != 0;
  extract::eachNeighbor(tile, [&](_Dtile* n) {
    if (n->type == cs::kSpace || n->node == tag)
      return;
    if (sameType && !TsameType(tile, n))
      return;
    if (!fromElement && TisElement(n))
      return;
    n->node = tag;
    *list = TileToList(*list, n);
    ++count;
  });
  return count;
}

int ListNeighborGSD(_Dtilelist* list, _Dtilelist** newList, int tag, int sameType)
{
  _Dtilelist* next = nullptr;
  int count = 0;
  for (_Dtilelist* n = list; n; n = n->next)
    count += AllNeighborGSD(n->tile, &next, tag, sameType);
  FreeList(list);
  *newList = next;
  return count;
}

/*
 * DExPathGSD --
 *   Floods the region of `tile`'s material (never into element tiles) with
 *   the tile's own tag.
 * Side effects: the flooded tiles are noted for recognition's reset.
 */
void DExPathGSD(_Dtile* tile)
{
  std::vector<_Dtile*>& flooded = extract::state().flooded;
  const int tag = tile->node;
  _Dtilelist* ring = nullptr;
  AllNeighborGSD(tile, &ring, tag, 1);
  while (ring) {
    for (_Dtilelist* n = ring; n; n = n->next)
      flooded.push_back(n->tile);
    ListNeighborGSD(ring, &ring, tag, 1);
  }
}

/*
 * DExGSD --
 *   Recognises the transistor of the gate region holding `t`: the region
 *   grows over element tiles ring by ring; the port tiles met around it
 *   fall into terminal regions, the first the source, the second the drain.
 *   A third region is ignored with a warning.
 * Returns: a new box around the gate region (GCfree it).
 * Side effects: the region's element tiles keep the tag -1; every other
 *   tile recognition tagged is reset to 0.
 */
_box* DExGSD(_Dtile* t, int element, _Dtile** gate, _Dtile** source, _Dtile** drain, int check)
{
  *gate = t;
  *source = *drain = nullptr;
  _box* box = common::make<_box>();
  *box = extract::boxOf(t);
  t->node = kGateTag;

  _Dtilelist *ring = nullptr, *candidates = nullptr, *others = nullptr;
  AllNeighborGSD(t, &ring, kGateTag, 0);
  while (ring) {
    bool grew = false;
    for (_Dtilelist* n = ring; n; n = n->next) {
      _Dtile* r = n->tile;
      if (TisElement(r)) {
        extend(box, r);
        grew = true;
      } else if (TisPortTile(r, element, check)) {
        candidates = TileToList(candidates, r);
      } else {
        others = TileToList(others, r);
      }
    }
    if (!grew) {
      FreeList(ring);
      break;
    }
    ListNeighborGSD(ring, &ring, kGateTag, 0);
  }

  std::vector<_Dtile*>& flooded = extract::state().flooded;
  flooded.clear();
  int tag = kFirstRegionTag;
  for (_Dtilelist* n = candidates; n; n = n->next) {
    _Dtile* c = n->tile;
    if (c->node <= tag)
      continue;  // inside a region already flooded
    if (*drain) {
      extract::markTile(c, kIgnoredPortColour);
      GCmessage(extract::kModule, 'W', "One additional port is ignored");
      break;
    }
    c->node = tag;
    DExPathGSD(c);
    (*source ? *drain : *source) = c;
    ++tag;
  }

  resetTags(candidates);
  resetTags(others);
  for (_Dtile* f : flooded)
    f->node = 0;
  flooded.clear();
  FreeList(candidates);
  FreeList(others);
  if (DebugStatus) {
    TestTile(*gate, kGateColour);
    TestTile(*source, kSourceColour);
    TestTile(*drain, kDrainColour);
  }
  return box;
}
