// Drawing the planes in the main view and the tile inspection commands.
#include "CS.h"

#include <algorithm>

#include "DCint.h"
#include "DTtechnology.h"
#include "Devent.h"
#include "Dglobal.h"
#include "Dview.h"

namespace {

constexpr int kModule = 5;  // message module of the tile planes

// Colour-table entries.
constexpr int kSolidColour = 2;      // inspected solid tiles, element tiles
constexpr int kSpaceColour = 1;      // inspected space tiles
constexpr int kHighlightColour = 1;  // entry 0's highlight list
constexpr int kSelectedColour = 6;   // entry 0's selected list
constexpr int kLabelColour = 1;      // labels over the planes

constexpr int kFlagRadius = 20;  // pixels: FlagTile's circle is 40 across
constexpr int kMarkLineWidth = 2;  // pixels of the outline of marked tiles

void flush(_Gviewport* vp)
{
  if (vp && vp->surface)
    vp->surface->flush();
}

void fill(_Gviewport* vp, const _Dtile* t, bool filled)
{
  GGrectangle(vp, t->x1, t->y1, cs::right(t), cs::top(t), filled ? 1 : 0);
}

long clamp(long v) { return std::min<long>(std::max<long>(v, cs::kMin), cs::kMax); }

// What the main view shows in working mode 9.
class PlaneView : public view::PlaneDisplay {
 public:
  bool frame(_box* box) override
  {
    if (DlayerNum == 0 || !DlayerTile[0].layertile)
      return false;
    *box = DlayerTile[0].frame;
    return true;
  }
  void draw(_Gviewport* vp, long x1, long y1, long x2, long y2) override
  {
    TileDisplay(vp, static_cast<int>(clamp(x1)), static_cast<int>(clamp(y1)),
                static_cast<int>(clamp(x2)), static_cast<int>(clamp(y2)));
  }
};

}  // namespace

namespace cs {

void installPlaneDisplay()
{
  static PlaneView planes;
  view::setPlaneDisplay(&planes);
}

}  // namespace cs

// ---------------------------------------------------------------------------
// Drawing.
// ---------------------------------------------------------------------------
void TestTile(const _Dtile* t, int colour)
{
  if (!t)
    return;
  GGsetColor(Vmain, colour);
  fill(Vmain, t, true);
}

void BoundTile(const _Dtile* t, int colour)
{
  if (!t)
    return;
  GGsetColor(Vmain, colour);
  fill(Vmain, t, false);
}

void FlagTile(const _Dtile* t, int colour)
{
  if (!t)
    return;
  long x = (static_cast<long>(t->x1) + cs::right(t)) / 2;
  long y = (static_cast<long>(t->y1) + cs::top(t)) / 2;
  GGsetColor(Vmain, colour);
  GGcircle(Vmain, x, y, static_cast<long>(kFlagRadius * Vmain->scale), 0);
}

void ListDisplay(_Gviewport* view, const _Dtilelist* list, int colour)
{
  GGsetColor(view, colour);
  for (; list; list = list->next)
    if (list->tile)
      fill(view, list->tile, true);
}

namespace {

// A neighbour continues the marked region of `t`: the same material on the
// same net.
bool continuesMark(const _Dtile* t, const _Dtile* n)
{
  return n && n->type == t->type && n->node == t->node && TisSolid(n);
}

// Draws the parts of one side of `t` that no continuing neighbour covers;
// the neighbours along the side are walked through the corner stitches.
void outlineSide(_Gviewport* view, const _Dtile* t, int side)
{
  const long l = cs::left(t), r = cs::right(t), b = cs::bottom(t), u = cs::top(t);
  switch (side) {
    case cs::kTopSide:
      for (const _Dtile* n = t->rt(); n && cs::right(n) > l; n = n->bl())
        if (!continuesMark(t, n))
          GGline(view, std::max<long>(l, cs::left(n)), u, std::min<long>(r, cs::right(n)), u);
      break;
    case cs::kBottomSide:
      for (const _Dtile* n = t->lb(); n && cs::left(n) < r; n = n->tr())
        if (!continuesMark(t, n))
          GGline(view, std::max<long>(l, cs::left(n)), b, std::min<long>(r, cs::right(n)), b);
      break;
    case cs::kLeftSide:
      for (const _Dtile* n = t->bl(); n && cs::bottom(n) < u; n = n->rt())
        if (!continuesMark(t, n))
          GGline(view, l, std::max<long>(b, cs::bottom(n)), l, std::min<long>(u, cs::top(n)));
      break;
    default:
      for (const _Dtile* n = t->tr(); n && cs::top(n) > b; n = n->lb())
        if (!continuesMark(t, n))
          GGline(view, r, std::max<long>(b, cs::bottom(n)), r, std::min<long>(u, cs::top(n)));
      break;
  }
}

}  // namespace

namespace cs {

void markTiles(_Gviewport* view, const _Dtilelist* list, int colour)
{
  if (!view || !list)
    return;
  GGsetColor(view, colour);
  for (const _Dtilelist* n = list; n; n = n->next)
    if (n->tile)
      view::hatchBox(view, n->tile->x1, n->tile->y1, cs::right(n->tile), cs::top(n->tile));
  const int width = view->lineWidth;
  GGsetLineWidth(view, kMarkLineWidth);
  for (const _Dtilelist* n = list; n; n = n->next)
    if (n->tile)
      for (int side : {kTopSide, kBottomSide, kLeftSide, kRightSide})
        outlineSide(view, n->tile, side);
  GGsetLineWidth(view, width);
}

}  // namespace cs

/*
 * TileDisplay --
 *   Draws the planes inside the world box: for every plane whose layer is
 *   switched on, its own material in the layer's style and its element
 *   tiles filled in colour 2; then the highlighted and selected tiles
 *   (hatched and outlined, so that the labels stay readable) and the
 *   labels, each when its display switch is on.
 */
void TileDisplay(_Gviewport* view, int x1, int y1, int x2, int y2)
{
  if (DlayerNum == 0 || !DlayerTile[0].layertile) {
    GCmessage(kModule, 'W', "No corner stitch layout");
    return;
  }
  if (x1 >= x2 || y1 >= y2)
    return;
  _Dtile* current = Stitch;
  for (int i = 0; i < DlayerNum; ++i) {
    const _DlayerTile& plane = DlayerTile[i];
    int index = cs::layerIndexOfPlane(i);
    if (!plane.layertile || index < 0 || Glayers[index].showswitch != 1)
      continue;
    _layerDef* layer = &Glayers[index];
    // The layer's style is set again only after an element tile changed
    // it: a large view draws millions of tiles.
    const int colour = GCgetNamedColorName(layer->color);
    bool styled = false;
    Stitch = plane.layertile;
    cs::walkArea(x1, y1, x2, y2, false, [&](_Dtile* t) {
      if (t->type == plane.layer) {
        if (!styled) {
          GLsetGC(layer);
          GGsetColor(view, colour);
          styled = true;
        }
        view::layerBox(view, layer, t->x1, t->y1, cs::right(t), cs::top(t));
      } else if (TisElement(t)) {
        GGsetColor(view, kSolidColour);
        fill(view, t, true);
        styled = false;
      }
      return false;
    });
  }
  Stitch = current;
  if (FsetHighlight)
    cs::markTiles(view, DlayerTile[0].highlight, kHighlightColour);
  if (FsetSelected)
    cs::markTiles(view, DlayerTile[0].selected, kSelectedColour);
  if (FsetLabels)
    LabelDisplay(view, Glayout, kLabelColour, x1, y1, x2, y2);
}

void DisplayTranNames(_Gviewport* view)
{
  if (cs::ViewHook draw = cs::hooks().tranNames)
    draw(view);
}

void DisplayNetNames(_Gviewport* view)
{
  if (cs::ViewHook draw = cs::hooks().netNames)
    draw(view);
}

// ---------------------------------------------------------------------------
// Inspection commands: each asks for a point in the main view and paints
// the tile under it or its neighbours, solid tiles in colour 2 and space in
// colour 1.  They inspect the plane of the active layer, or plane 0 while
// no layer has been made active.
// ---------------------------------------------------------------------------
namespace {

enum class Shown { Tile, Left, Right, Upper, Lower, Neighbors };

_Dtile* inspectedPlane()
{
  if (CurrentStitch)
    return CurrentStitch;
  return DlayerNum > 0 ? DlayerTile[0].layertile : nullptr;
}

void paint(const _Dtile* t) { TestTile(t, TisSolid(t) ? kSolidColour : kSpaceColour); }

void paintSide(_Dtile* t, int side)
{
  _Dtilelist* list = nullptr;
  Neighbor(t, &list, side, 0);
  for (const _Dtilelist* n = list; n; n = n->next)
    paint(n->tile);
  FreeList(list);
}

// Paints what `shown` asks for at the first point of the step.
template <Shown shown>
int showAt(_points* points, _GEvent*)
{
  _Dtile* plane = inspectedPlane();
  if (!plane) {
    GCmessage(kModule, 'E', "Corner stitch not available");
    return 1;
  }
  if (!points || points->x < -cs::kLimit || points->x > cs::kLimit ||
      points->y < -cs::kLimit || points->y > cs::kLimit)
    return 0;
  Stitch = plane;
  _Dtile* t = PointFind(points->x, points->y);
  switch (shown) {
    case Shown::Tile: paint(t); break;
    case Shown::Left: paintSide(t, cs::kLeftSide); break;
    case Shown::Right: paintSide(t, cs::kRightSide); break;
    case Shown::Upper: paintSide(t, cs::kTopSide); break;
    case Shown::Lower: paintSide(t, cs::kBottomSide); break;
    case Shown::Neighbors:
      for (int side : {cs::kTopSide, cs::kBottomSide, cs::kLeftSide, cs::kRightSide})
        paintSide(t, side);
      break;
  }
  flush(Vmain);
  return 0;
}

template <Shown shown>
int startInspection(const char* prompt)
{
  static _GEvent step;
  if (!inspectedPlane()) {
    GCmessage(kModule, 'E', "Corner stitch not available");
    return 1;
  }
  step = {GGEbutton1, GGRno, nullptr, nullptr, showAt<shown>, nullptr, nullptr, Vmain};
  step.prompt = prompt;
  DEevent(&step);
  return 0;
}

}  // namespace

int DCtile() { return startInspection<Shown::Tile>("Click a tile to show it"); }
int DCleft() { return startInspection<Shown::Left>("Click a tile to show its left neighbours"); }
int DCright() { return startInspection<Shown::Right>("Click a tile to show its right neighbours"); }
int DCupper() { return startInspection<Shown::Upper>("Click a tile to show its upper neighbours"); }
int DClower() { return startInspection<Shown::Lower>("Click a tile to show its lower neighbours"); }
int DCneighbors() { return startInspection<Shown::Neighbors>("Click a tile to show its neighbours"); }
