// Release of the planes and emptying of the critical-area companions.
#include "CS.h"

#include "DCint.h"
#include "Dglobal.h"

namespace {
constexpr int kModule = 5;  // message module of the tile planes
}  // namespace

// Releases the contact links held by the tiles of the plane of `entry`.
// Element tiles may hold their transistor in `lower`, which is not a list.
static void releaseLinks(_Dtile* entry)
{
  Stitch = entry;
  cs::walkArea(cs::kMin, cs::kMin, cs::kMax, cs::kMax, false, [](_Dtile* t) {
    FreeList(t->upper());
    t->set_upper(nullptr);
    if (!TisElement(t)) {
      FreeList(t->lower());
      t->set_lower(nullptr);
    }
    return false;
  });
}

void cs::releasePlanes()
{
  State& s = state();
  dropIndexes();
  for (int i = 0; i < DlayerNum; ++i)
    if (DlayerTile[i].layertile)
      releaseLinks(DlayerTile[i].layertile);
  for (_Dtile* entry : s.abandoned)
    releaseLinks(entry);
  s.abandoned.clear();
  s.tiles.releaseAll();
  s.helperTiles.releaseAll();
  dropAllSides();
  for (_DlayerTile& plane : DlayerTile) {
    plane.layertile = nullptr;
    plane.crittile = nullptr;
    plane.bordertile = nullptr;
  }
  Stitch = nullptr;
  CurrentStitch = nullptr;
  CLayer = nullptr;
  cs::activeHint() = nullptr;
}

/*
 * GCfreeCS --
 *   Releases all planes with their tiles and contact links, entry 0's
 *   highlight and selected lists and extraction's pending net tile list.
 *   DlayerNum keeps its value until the next build.
 */
int GCfreeCS()
{
  cs::releasePlanes();
  FreeList(DlayerTile[0].highlight);
  FreeList(DlayerTile[0].selected);
  DlayerTile[0].highlight = nullptr;
  DlayerTile[0].selected = nullptr;
  if (cs::Hook release = cs::hooks().netTilesRelease)
    release();
  GCmessage(kModule, 'M', "The corner stitch layout is freed");
  return 0;
}

/*
 * DCcleanPlane --
 *   Empties the critical-area companion of entry `plane`: a new space tile
 *   over the usable area is stitched into the frame reached from the
 *   entry's border tile.  The old tiles are reclaimed with the planes.
 */
void DCcleanPlane(int plane)
{
  _DlayerTile& record = DlayerTile[plane];
  _Dtile* top = record.bordertile;
  if (!top)
    return;
  _Dtile* left = top->bl()->lb();
  _Dtile* right = top->tr()->lb();
  _Dtile* bottom = left->lb()->tr();
  _Dtile* center = NewTile();
  FrameMake(cs::kMin, cs::kMin, cs::kMax, cs::kMax, center);
  center->type = cs::kSpace;
  center->set_rt(top);
  center->set_tr(right);
  center->set_lb(bottom);
  center->set_bl(left);
  top->set_lb(center);
  right->set_bl(center);
  bottom->set_rt(center);
  left->set_tr(center);
  record.crittile = center;
}
