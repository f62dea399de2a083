// Linking the planes of two conducting layers through the cuts of a
// contact layer.
#include "CS.h"

#include <vector>

#include "DCint.h"
#include "Dglobal.h"

namespace {

// The warnings of one side of a contact, each printed once per run.
struct SideWarnings {
  int first;  // index of the side's first flag in State::contactWarned
  const char* number;
  const char* layer;
  const char* position;
  int32_t* numberCount;
  int32_t* layerCount;
  int32_t* positionCount;
};

const SideWarnings kLowerSide = {
    0,
    "CrtContact.c: WARNING, lower tilelist has more than 1 tile\n",
    "CsrContact.c: WARNING, invalid layer exists in lower layerlist\n",
    "CrtContact.c: WARNING: Possible contact position error (Lower)\n",
    &lower_tilelist_number_error,
    &lower_tilelist_layer_error,
    &lower_contact_position_error,
};

const SideWarnings kUpperSide = {
    3,
    "CrtContact.c: WARNING, upper tilelist has more than 1 tile\n",
    "CsrContact.c: WARNING, invalid layer exists in upper layerlist\n",
    "CrtContact.c: WARNING: Possible contact position error (Upper)\n",
    &upper_tilelist_number_error,
    &upper_tilelist_layer_error,
    &upper_contact_position_error,
};

void warn(int flag, const char* text, int32_t* counter)
{
  ++*counter;
  bool& printed = cs::state().contactWarned[flag];
  if (printed)
    return;
  printed = true;
  common::outf("%s", text);
}

// The tiles of plane-table entry `plane` meeting a rectangle, in
// enumeration order.  The search starts near the rectangle when the plane
// is indexed, else at `hint`, which becomes the tile found first.
void collect(int plane, _Dtile** hint, int x1, int y1, int x2, int y2,
             std::vector<_Dtile*>* tiles)
{
  tiles->clear();
  Stitch = cs::startNear(plane, *hint, x2, y1);
  cs::walkArea(x1, y1, x2, y2, false, [&](_Dtile* t) {
    tiles->push_back(t);
    return false;
  });
  *hint = Stitch;
}

/*
 * materialUnder --
 *   Picks the tile of one conducting plane under a cut from the tiles met
 *   there: the first one, unless a later one has the type of the plane's
 *   entry tile.  The first tile of that type counts as the cut's link on
 *   this side (`cutLink`, set only while empty).
 * Returns: the tile picked.
 */
_Dtile* materialUnder(const std::vector<_Dtile*>& tiles, int entryType, _Dtilelist** cutLink,
                     const SideWarnings& w)
{
  if (tiles.size() > 1)
    warn(w.first, w.number, w.numberCount);
  _Dtile* picked = tiles.front();
  for (size_t i = 1; i < tiles.size(); ++i) {
    if (tiles[i]->type == entryType) {
      picked = tiles[i];
      break;
    }
    warn(w.first + 1, w.layer, w.layerCount);
  }
  _Dtile* material = nullptr;
  bool misplaced = false;
  for (_Dtile* t : tiles) {
    if (TisSolid(t) && t->type == picked->type) {
      if (!material)
        material = t;
    } else {
      misplaced = true;
    }
  }
  if (misplaced)
    warn(w.first + 2, w.position, w.positionCount);
  if (cutLink && material && !*cutLink)
    *cutLink = TileToList(nullptr, material);
  return picked;
}

// Appends `tile` to the lower (upper) links of `owner` unless it is there.
void appendOnce(_Dtile* owner, bool lowerSide, _Dtile* tile)
{
  _Dtilelist* list = lowerSide ? owner->lower() : owner->upper();
  _Dtilelist* last = nullptr;
  for (_Dtilelist* n = list; n; n = n->next) {
    if (n->tile == tile)
      return;
    last = n;
  }
  _Dtilelist* node = TileToList(nullptr, tile);
  if (last)
    last->next = node;
  else if (lowerSide)
    owner->set_lower(node);
  else
    owner->set_upper(node);
}

}  // namespace

void cs::resetContactWarnings()
{
  for (bool& printed : state().contactWarned)
    printed = false;
}

/*
 * CrtContact --
 *   For every cut of the contact layer in the flattened layout: the tile of
 *   the lower plane under the cut (searched over the cut grown by 1 unit)
 *   and the tile of the upper plane over it list each other in their upper
 *   and lower links, and the cut's own tile lists the first of each.
 *   Anomalies are warned about once per run and counted.  A cut with space
 *   on either side links nothing, so no net can run into space.
 */
void CrtContact(_Dtile* lowerPlaneTile, _Dtile* upperPlaneTile, int contactLayerNumber)
{
  if (!Gflatten || contactLayerNumber < 0 || contactLayerNumber >= kMaxLayers)
    return;
  const _symbol* cuts = Gflatten->symbol[contactLayerNumber];
  _Dtile* cutHint = LayerTile(contactLayerNumber);
  _Dtile* lowerHint = lowerPlaneTile;
  _Dtile* upperHint = upperPlaneTile;
  const int cutPlane = cs::planeOfEntry(cutHint);
  const int lowerPlane = cs::planeOfEntry(lowerPlaneTile);
  const int upperPlane = cs::planeOfEntry(upperPlaneTile);
  const int lowerType = lowerPlaneTile->type;
  const int upperType = upperPlaneTile->type;
  std::vector<_Dtile*> tiles;
  for (const _rects* r = cuts ? cuts->rect : nullptr; r; r = r->next) {
    if (r->x1 >= r->x2 || r->y1 >= r->y2)
      continue;
    _Dtile* cut = nullptr;
    if (cutHint) {
      collect(cutPlane, &cutHint, r->x1, r->y1, r->x2, r->y2, &tiles);
      for (_Dtile* t : tiles) {
        if (TisSolid(t) || t->type == contactLayerNumber) {
          cut = t;
          break;
        }
      }
    }
    collect(lowerPlane, &lowerHint, r->x1 - 1, r->y1 - 1, r->x2 + 1, r->y2 + 1, &tiles);
    _Dtilelist* cutLower = cut ? cut->lower() : nullptr;
    _Dtile* lower = materialUnder(tiles, lowerType, cut ? &cutLower : nullptr, kLowerSide);
    collect(upperPlane, &upperHint, r->x1, r->y1, r->x2, r->y2, &tiles);
    _Dtilelist* cutUpper = cut ? cut->upper() : nullptr;
    _Dtile* upper = materialUnder(tiles, upperType, cut ? &cutUpper : nullptr, kUpperSide);
    if (cut) {
      cut->set_lower(cutLower);
      cut->set_upper(cutUpper);
    }
    if (!TisSolid(lower) || !TisSolid(upper))
      continue;
    appendOnce(upper, true, lower);
    appendOnce(lower, false, upper);
  }
}
