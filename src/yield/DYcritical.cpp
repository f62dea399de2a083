// Critical areas of one layer against defect size: the union of the bridge
// regions (shorts) or of the cut regions (opens) gathered in the layer's
// critical-area plane, the single computations over the visible area and
// the sensitivity sweeps over the whole layer.
#include "DYyield.h"

#include <algorithm>
#include <memory>
#include <cstdint>
#include <ctime>
#include <vector>

#include "CS.h"
#include "DEextract.h"
#include "DFfault.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dview.h"

namespace {

constexpr int kModule = 7;
constexpr int16_t kMark = 0x100;  // high byte of `processed`: tile done

double cpuSince(std::clock_t start)
{
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

long clampCoord(long v) { return std::max<long>(cs::kMin, std::min<long>(cs::kMax, v)); }

// The tiles meeting a box, as a vector; the search starts at `near`, a
// tile of the plane close to the box.
std::vector<_Dtile*> tilesIn(_Dtile* near, long x1, long y1, long x2, long y2)
{
  std::vector<_Dtile*> tiles;
  _Dtilelist* list = nullptr;
  Stitch = near;
  AreaEnum(int(clampCoord(x1)), int(clampCoord(y1)), int(clampCoord(x2)), int(clampCoord(y2)),
           &list, 0);
  for (_Dtilelist* l = list; l; l = l->next)
    tiles.push_back(l->tile);
  FreeList(list);
  return tiles;
}

/*
 * Region --
 *   One critical-area computation on a plane: collects regions and
 *   measures their union, marks the tiles it has done, and on leaving
 *   (normally or when the action is abandoned) unmarks them and leaves the
 *   critical-area companion empty.
 */
class Region {
 public:
  explicit Region(int plane) : plane_(plane) {}
  ~Region()
  {
    for (_Dtile* t : marked_)
      t->processed = static_cast<int16_t>(t->processed & ~kMark);
    release();
  }
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;

  void mark(_Dtile* t)
  {
    t->processed = static_cast<int16_t>(t->processed | kMark);
    marked_.push_back(t);
  }
  static bool marked(const _Dtile* t) { return (t->processed & kMark) != 0; }

  // Takes the box (freed here) for the union.
  void add(_box* box)
  {
    if (!box)
      return;
    _box b{std::max(box->x1, cs::kMin), std::max(box->y1, cs::kMin), std::min(box->x2, cs::kMax),
           std::min(box->y2, cs::kMax)};
    common::release(box);
    if (b.x1 < b.x2 && b.y1 < b.y2)
      pending_.push_back(b);
  }

  // Area of the union of the regions, in square grid steps.  The union is
  // measured by a sweep over the regions rather than by filling the
  // companion plane: between scattered regions the companion holds wide
  // space tiles whose walks would cost the length of a row.
  double area()
  {
    std::vector<_rects> list(pending_.size());
    for (size_t i = 0; i < pending_.size(); ++i)
      list[i] = {pending_[i].x1, pending_[i].y1, pending_[i].x2, pending_[i].y2,
                 i + 1 < pending_.size() ? &list[i + 1] : nullptr};
    const double scale = theGlobalScale > 0 ? theGlobalScale : 1;
    const long long units = cs::unionArea(list.empty() ? nullptr : &list[0]);
    pending_.clear();
    return static_cast<double>(units) / (scale * scale);
  }

 private:
  void release()
  {
    if (!DlayerTile[plane_].crittile)
      return;
    for (_Dtile* t : tilesIn(DlayerTile[plane_].crittile, cs::kMin, cs::kMin, cs::kMax, cs::kMax))
      FreeTile(t);
    DCcleanPlane(plane_);
    Stitch = DlayerTile[plane_].layertile;
  }

  int plane_;
  std::vector<_Dtile*> marked_;
  std::vector<_box> pending_;  // regions not yet in the companion
};

bool checkPlane(int plane)
{
  if (plane < 0 || plane >= DlayerNum || !DlayerTile[plane].layertile ||
      !DlayerTile[plane].crittile) {
    GCmessage(kModule, 'E', "The layer has no tile plane");
    return false;
  }
  return true;
}

int isSpaceTile(const _Dtile* t) { return t->type == cs::kSpace; }

// The tiles of one plane near a tile, found through grids of its material
// and of its space.
struct Near {
  explicit Near(int plane)
  {
    solids.build(DlayerTile[plane].layertile, TisSolid);
    spaces.build(DlayerTile[plane].layertile, isSpaceTile);
  }
  cs::TileGrid solids, spaces;
  std::vector<_Dtile*> found, strip;
};

int clampInt(long v) { return int(clampCoord(v)); }

// The tile's interior meets the box (as the area walks take it).
bool meets(const _Dtile* t, int x1, int y1, int x2, int y2)
{
  return t->x1 < x2 && cs::right(t) > x1 && t->y1 < y2 && cs::top(t) > y1;
}

// The grids of the plane under a sweep: every step searches the same
// plane, so they are made once for all steps.
struct SweepGrids {
  int plane = -1;
  std::unique_ptr<Near> near;
};
SweepGrids sweepGrids;

class SweepScope {
 public:
  explicit SweepScope(int plane)
  {
    sweepGrids.plane = plane;
    sweepGrids.near = std::make_unique<Near>(plane);
  }
  ~SweepScope()
  {
    sweepGrids.near.reset();
    sweepGrids.plane = -1;
  }
  SweepScope(const SweepScope&) = delete;
  SweepScope& operator=(const SweepScope&) = delete;
};

// The grids of `plane`: the sweep's, or new ones in `own`.
Near& nearFor(int plane, std::unique_ptr<Near>& own)
{
  if (sweepGrids.near && sweepGrids.plane == plane)
    return *sweepGrids.near;
  own = std::make_unique<Near>(plane);
  return *own;
}

// The bridge regions of the layer of `plane` inside the box.
void shortRegions(Region& region, int plane, int size, int x1, int y1, int x2, int y2)
{
  const int layer = DlayerTile[plane].layer;
  std::unique_ptr<Near> own;
  Near& near = nearFor(plane, own);
  for (_Dtile* t : near.solids.tiles()) {
    if (t->type != layer || Region::marked(t) || !meets(t, x1, y1, x2, y2))
      continue;
    near.solids.under(clampInt(long(t->x1) - size), clampInt(long(t->y1) - size),
                      clampInt(long(cs::right(t)) + size), clampInt(long(cs::top(t)) + size),
                      &near.found, false);
    for (_Dtile* n : near.found) {
      if (n == t || n->type != layer || Region::marked(n) || n->node == t->node)
        continue;
      region.add(DFcrtArea(t, n, nullptr, size));
    }
    region.mark(t);
  }
}

// True when every tile of the box is material of `layer`.
bool allMaterial(Near& near, int layer, int x1, int y1, int x2, int y2)
{
  near.spaces.under(x1, y1, x2, y2, &near.strip, false);
  if (!near.strip.empty())
    return false;
  near.solids.under(x1, y1, x2, y2, &near.strip, false);
  if (near.strip.empty())
    return false;
  for (_Dtile* s : near.strip)
    if (s->type != layer)
      return false;
  return true;
}

// The cut regions of the layer of `plane` inside the box: between two space
// tiles across material of the layer that fills the gap.
void openRegions(Region& region, int plane, int size, int x1, int y1, int x2, int y2)
{
  const int layer = DlayerTile[plane].layer;
  std::unique_ptr<Near> own;
  Near& near = nearFor(plane, own);
  std::vector<_Dtile*> around, inGap;
  for (_Dtile* s : near.spaces.tiles()) {
    if (Region::marked(s) || !meets(s, x1, y1, x2, y2))
      continue;
    near.spaces.under(clampInt(long(s->x1) - size), clampInt(long(s->y1) - size),
                      clampInt(long(cs::right(s)) + size), clampInt(long(cs::top(s)) + size),
                      &around, false);
    for (_Dtile* x : around) {
      if (x == s || Region::marked(x))
        continue;
      _box* gap = DFcrossTalk(s, x);
      if (!gap)
        continue;
      _box g = *gap;
      common::release(gap);
      near.solids.under(g.x1, g.y1, g.x2, g.y2, &inGap, false);
      for (_Dtile* t : inGap) {
        if (t->type != layer)
          continue;
        if (allMaterial(near, layer, g.x1, t->y1, g.x2, cs::top(t)))
          region.add(DFcrtArea(s, x, t, size));
      }
    }
    region.mark(s);
  }
}

using Regions = void (*)(Region&, int, int, int, int, int, int);

/*
 * criticalArea --
 *   The frame both kinds share: regions, their area at most the layout
 *   area, then the report (mode 0) or the sensitivity point (mode 1).
 */
double criticalArea(Regions regions, bool shorts, int plane, int size, int x1, int y1, int x2,
                    int y2, int mode)
{
  if (!checkPlane(plane))
    return 0;
  if (mode != 1)
    GCmessage(kModule, 'P', "Computing critical area ...");
  double area;
  {
    Region region(plane);
    regions(region, plane, size, x1, y1, x2, y2);
    area = region.area();
  }
  if (mode != 1)
    GCmessage(kModule, 'L', "done");
  const double layout = DYlayoutArea();
  area = std::min(area, layout);
  if (shorts)
    common::outf("Critical Area: %f\n", area);
  const double shown = static_cast<double>(size) / theGlobalScale;
  const double sensitivity = DYsensitivity(shown, area, layout);
  if (mode == 1) {
    if (Fsensitivity.length < kMaxCurvePoints) {
      Fsensitivity.datax[Fsensitivity.length] = static_cast<float>(shown);
      Fsensitivity.datay[Fsensitivity.length] = static_cast<float>(sensitivity);
      ++Fsensitivity.length;
    } else {
      GCmessage(kModule, 'E', "Iteration out of bounds, stopped");
    }
  } else if (shorts) {
    GCmessage(kModule, 'S',
              "Defect Size : %0.3f micron\n\t\tCritical Area : %0.3f micron x micron\n"
              "\t\tLayout Area : %0.3f micron x micron\n\t\tSensitivity : %0.3f",
              shown, area, layout, sensitivity);
  } else {
    GCmessage(kModule, 'S',
              "Defect Size : %0.3f micron\n\t\tCritical Area : %.3f micron x micron\n"
              "\t\tLayout Area : %.3f micron x micron\n\t\tSensitivity : %.3f",
              shown, area, layout, sensitivity);
  }
  return area;
}

int critComp(bool shorts)
{
  DFsetDefectSize();
  int plane = DFactiveIndex();
  if (plane < 0) {
    GCmessage(kModule, 'W', "Select an active layer first");
    return 1;
  }
  std::clock_t started = std::clock();
  _box v = view::visibleBox(Vmain);
  if (shorts)
    DYcritAreaS(plane, DefectSize, v.x1, v.y1, v.x2, v.y2, 0);
  else
    DYcritAreaO(plane, DefectSize, v.x1, v.y1, v.x2, v.y2, 0);
  GCmessage(kModule, 'M', "CPU time %.1f seconds", cpuSince(started));
  return 0;
}

/*
 * sweep --
 *   Sensitivity of the active layer for every defect size from
 *   theMinDefectSize to theMaxDefectSize in steps of theStep; the scale bar
 *   follows the size.
 */
int sweep(bool shorts)
{
  if (!Nets || NetsNum == 0) {
    GCmessage(kModule, 'W', "Do circuit extraction first");
    return 1;
  }
  int plane = DFactiveIndex();
  if (plane < 0) {
    GCmessage(kModule, 'W', "No active layer, select one");
    return 1;
  }
  if (theStep <= 0) {
    GCmessage(kModule, 'E', "The defect growing step must be positive");
    return 1;
  }
  Fsensitivity.length = 0;
  GCmessage(kModule, 'P', "Analysing ...");
  std::clock_t started = std::clock();
  SweepScope grids(plane);
  for (long size = theMinDefectSize; size <= theMaxDefectSize; size += theStep) {
    theDefectScale = static_cast<int>(double(size) / theGlobalScale * 10);
    common::frontEnd().defectScaleMoved(theDefectScale);
    if (shorts)
      DYcritAreaS(plane, int(size), cs::kMin, cs::kMin, cs::kMax, cs::kMax, 1);
    else
      DYcritAreaO(plane, int(size), cs::kMin, cs::kMin, cs::kMax, cs::kMax, 1);
    GCmessage(kModule, 'M', "One step done");
  }
  GCmessage(kModule, 'L',
            shorts ? "Analyzing layout sensitivity for missing materials done"
                   : "Analyzing layout sensitivity for extra materials done");
  GCmessage(kModule, 'M', "CPU time %.1f seconds", cpuSince(started));
  return 0;
}

}  // namespace

double DYcritAreaS(int plane, int size, int x1, int y1, int x2, int y2, int mode)
{
  return criticalArea(shortRegions, true, plane, size, x1, y1, x2, y2, mode);
}

double DYcritAreaO(int plane, int size, int x1, int y1, int x2, int y2, int mode)
{
  return criticalArea(openRegions, false, plane, size, x1, y1, x2, y2, mode);
}

double DYlayoutArea()
{
  if (DlayerNum < 1 || !DlayerTile[0].layertile)
    return 0;
  const _box& f = DlayerTile[0].frame;
  double scale = theGlobalScale > 0 ? theGlobalScale : 1;
  return (f.x2 - f.x1) / scale * ((f.y2 - f.y1) / scale);
}

double DYsensitivity(double, double criticalArea, double layoutArea)
{
  return layoutArea > 0 ? criticalArea / layoutArea : 0;
}

int DYcritCompS() { return critComp(true); }
int DYcritCompO() { return critComp(false); }
int DYanaShort() { return sweep(true); }
int DYanaOpen() { return sweep(false); }
