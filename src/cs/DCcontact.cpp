// Linking the planes of two conducting layers through the cuts of a
// contact layer.
#include "CS.h"

#include <algorithm>
#include <vector>

#include "DCint.h"
#include "Dglobal.h"

namespace {

constexpr size_t kRun = size_t(1) << 12;  // cuts searched before they are linked (in cache)
constexpr size_t kTwoThreads = 128;      // cuts of a run worth a second thread

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

// Appends the tiles of plane-table entry `plane` meeting a rectangle, in
// enumeration order.  The search starts near the rectangle when the plane
// is indexed, else at `hint`, which becomes the tile found first.  Only
// reads the plane, so two threads may search one plane at once.
void collect(int plane, _Dtile** hint, int x1, int y1, int x2, int y2,
             std::vector<_Dtile*>* tiles)
{
  Stitch = cs::startNear(plane, *hint, x2, y1);
  cs::walkArea(x1, y1, x2, y2, false, [&](_Dtile* t) {
    tiles->push_back(t);
    return false;
  });
  *hint = Stitch;
}

// Tiles met by one cut on one side, as stored by gather().
struct Met {
  _Dtile* const* first;
  size_t size;
  _Dtile* front() const { return *first; }
};

/*
 * materialUnder --
 *   Picks the tile of one conducting plane under a cut from the tiles met
 *   there: the first one, unless a later one has the type of the plane's
 *   entry tile.  The first tile of that type counts as the cut's link on
 *   this side (`cutLink`, set only while empty).
 * Returns: the tile picked.
 */
_Dtile* materialUnder(Met tiles, int entryType, _Dtilelist** cutLink, const SideWarnings& w)
{
  if (tiles.size > 1)
    warn(w.first, w.number, w.numberCount);
  _Dtile* picked = tiles.front();
  for (size_t i = 1; i < tiles.size; ++i) {
    if (tiles.first[i]->type == entryType) {
      picked = tiles.first[i];
      break;
    }
    warn(w.first + 1, w.layer, w.layerCount);
  }
  _Dtile* material = nullptr;
  bool misplaced = false;
  for (size_t i = 0; i < tiles.size; ++i) {
    _Dtile* t = tiles.first[i];
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

// The three planes of a contact and where a thread's searches in them
// start.
struct Searches {
  int cutPlane, lowerPlane, upperPlane;
  _Dtile* cutHint;  // null: the contact layer has no plane
  _Dtile* lowerHint;
  _Dtile* upperHint;
};

// The tiles a run of cuts meets: for each cut the tiles of the cut plane,
// of the lower plane over the cut grown by 1 unit, and of the upper plane,
// one after the other in `tiles`; `ends` holds where each of the three
// ends.
struct Gathered {
  std::vector<_Dtile*> tiles;
  std::vector<uint32_t> ends;
  void clear()
  {
    tiles.clear();
    ends.clear();
  }
};

void gather(const _rects* const* cuts, size_t count, Searches* s, Gathered* out)
{
  for (size_t i = 0; i < count; ++i) {
    const _rects* r = cuts[i];
    if (s->cutHint)
      collect(s->cutPlane, &s->cutHint, r->x1, r->y1, r->x2, r->y2, &out->tiles);
    out->ends.push_back(static_cast<uint32_t>(out->tiles.size()));
    collect(s->lowerPlane, &s->lowerHint, r->x1 - 1, r->y1 - 1, r->x2 + 1, r->y2 + 1, &out->tiles);
    out->ends.push_back(static_cast<uint32_t>(out->tiles.size()));
    collect(s->upperPlane, &s->upperHint, r->x1, r->y1, r->x2, r->y2, &out->tiles);
    out->ends.push_back(static_cast<uint32_t>(out->tiles.size()));
  }
}

// gather() of the second half of a run on a thread of its own, with its
// own scratch for the area walks, while the calling thread does the first
// half (or after it, without a second thread).
void gatherOnTwoThreads(const _rects* const* cuts, size_t count, Searches* mine,
                        Searches* helpers, Gathered* first, Gathered* second)
{
  const size_t half = count / 2;
  common::onTwoThreads([&](bool helper) {
    if (!helper) {
      gather(cuts, half, mine, first);
      return;
    }
    cs::WalkPool walks;
    cs::WalkPool* was = cs::useWalkPool(&walks);
    gather(cuts + half, count - half, helpers, second);
    cs::useWalkPool(was);
  });
  const uint32_t base = static_cast<uint32_t>(first->tiles.size());
  first->tiles.insert(first->tiles.end(), second->tiles.begin(), second->tiles.end());
  for (uint32_t end : second->ends)
    first->ends.push_back(base + end);
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
  const _symbol* symbol = Gflatten->symbol[contactLayerNumber];
  _Dtile* cutEntry = LayerTile(contactLayerNumber);
  Searches mine{cs::planeOfEntry(cutEntry), cs::planeOfEntry(lowerPlaneTile),
                cs::planeOfEntry(upperPlaneTile), cutEntry, lowerPlaneTile, upperPlaneTile};
  Searches helpers = mine;
  const int lowerType = lowerPlaneTile->type;
  const int upperType = upperPlaneTile->type;

  // The searches, the most of the work, read the planes only: a large
  // layer's cuts are searched on two threads, a run at a time, and linked
  // in their order afterwards.
  std::vector<const _rects*> cuts;
  for (const _rects* r = symbol ? symbol->rect : nullptr; r; r = r->next)
    if (r->x1 < r->x2 && r->y1 < r->y2)
      cuts.push_back(r);
  Gathered met, helperMet;
  for (size_t begin = 0; begin < cuts.size(); begin += kRun) {
    const size_t count = std::min(kRun, cuts.size() - begin);
    met.clear();
    helperMet.clear();
    if (count >= kTwoThreads && cs::searchOnTwoThreads())
      gatherOnTwoThreads(&cuts[begin], count, &mine, &helpers, &met, &helperMet);
    else
      gather(&cuts[begin], count, &mine, &met);

    uint32_t at = 0;
    for (size_t i = 0; i < count; ++i) {
      const uint32_t* ends = &met.ends[3 * i];
      Met cutTiles{met.tiles.data() + at, ends[0] - at};
      Met lowerTiles{met.tiles.data() + ends[0], ends[1] - ends[0]};
      Met upperTiles{met.tiles.data() + ends[1], ends[2] - ends[1]};
      at = ends[2];
      _Dtile* cut = nullptr;
      for (size_t k = 0; k < cutTiles.size; ++k) {
        _Dtile* t = cutTiles.first[k];
        if (TisSolid(t) || t->type == contactLayerNumber) {
          cut = t;
          break;
        }
      }
      _Dtilelist* cutLower = cut ? cut->lower() : nullptr;
      _Dtile* lower = materialUnder(lowerTiles, lowerType, cut ? &cutLower : nullptr, kLowerSide);
      _Dtilelist* cutUpper = cut ? cut->upper() : nullptr;
      _Dtile* upper = materialUnder(upperTiles, upperType, cut ? &cutUpper : nullptr, kUpperSide);
      if (cut) {
        cut->set_lower(cutLower);
        cut->set_upper(cutUpper);
      }
      if (!TisSolid(lower) || !TisSolid(upper))
        continue;
      appendOnce(upper, true, lower);
      appendOnce(lower, false, upper);
    }
    // Where the last search of one thread would have left it.
    Stitch = met.tiles[met.ends[3 * count - 2]];
  }
}
