// Critical areas of one layer against defect size: the union of the bridge
// regions (shorts) or of the cut regions (opens) gathered in the layer's
// critical-area plane, the single computations over the visible area and
// the sensitivity sweeps over the whole layer.
#include "DYyield.h"

#include <algorithm>
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
 *   One critical-area computation on a plane: collects regions and unions
 *   them in the critical-area companion, marks the tiles it has done, and on leaving
 *   (normally or when the action is abandoned) unmarks them and empties
 *   the companion.
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

  // Unions the boxes taken into the companion.  They go in along a
  // Z-order curve, so that each insertion starts next to the previous one.
  void insert()
  {
    auto key = [](const _box& b) {
      uint64_t x = uint32_t(b.x1 - cs::kMin), y = uint32_t(b.y1 - cs::kMin), k = 0;
      for (int bit = 31; bit >= 0; --bit)
        k = (k << 2) | ((y >> bit & 1) << 1) | (x >> bit & 1);
      return k;
    };
    std::vector<std::pair<uint64_t, _box>> order;
    order.reserve(pending_.size());
    for (const _box& b : pending_)
      order.push_back({key(b), b});
    std::sort(order.begin(), order.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    pending_.clear();
    _Dtile* hint = DlayerTile[plane_].crittile;
    for (const auto& entry : order) {
      _rects r{entry.second.x1, entry.second.y1, entry.second.x2, entry.second.y2, nullptr};
      Stitch = hint;
      hint = Put1BoxCS(&r, cs::kFrame, plane_);
    }
  }

  // Sum of (w / scale) x (h / scale) over the regions.
  double area()
  {
    insert();
    double scale = theGlobalScale > 0 ? theGlobalScale : 1;
    double sum = 0;
    for (_Dtile* t : tilesIn(DlayerTile[plane_].crittile, cs::kMin, cs::kMin, cs::kMax, cs::kMax))
      if (t->type != cs::kSpace)
        sum += (cs::right(t) - t->x1) / scale * ((cs::top(t) - t->y1) / scale);
    return sum;
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

// The bridge regions of the layer of `plane` inside the box.
void shortRegions(Region& region, int plane, int size, int x1, int y1, int x2, int y2)
{
  _Dtile* entry = DlayerTile[plane].layertile;
  const int layer = DlayerTile[plane].layer;
  Near near(plane);
  for (_Dtile* t : tilesIn(entry, x1, y1, x2, y2)) {
    if (t->type != layer || Region::marked(t))
      continue;
    near.solids.under(clampInt(long(t->x1) - size), clampInt(long(t->y1) - size),
                      clampInt(long(cs::right(t)) + size), clampInt(long(cs::top(t)) + size),
                      &near.found);
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
  near.spaces.under(x1, y1, x2, y2, &near.strip);
  if (!near.strip.empty())
    return false;
  near.solids.under(x1, y1, x2, y2, &near.strip);
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
  _Dtile* entry = DlayerTile[plane].layertile;
  const int layer = DlayerTile[plane].layer;
  Near near(plane);
  std::vector<_Dtile*> around, inGap;
  for (_Dtile* s : tilesIn(entry, x1, y1, x2, y2)) {
    if (s->type != cs::kSpace || Region::marked(s))
      continue;
    near.spaces.under(clampInt(long(s->x1) - size), clampInt(long(s->y1) - size),
                      clampInt(long(cs::right(s)) + size), clampInt(long(cs::top(s)) + size),
                      &around);
    for (_Dtile* x : around) {
      if (x == s || Region::marked(x))
        continue;
      _box* gap = DFcrossTalk(s, x);
      if (!gap)
        continue;
      _box g = *gap;
      common::release(gap);
      near.solids.under(g.x1, g.y1, g.x2, g.y2, &inGap);
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
