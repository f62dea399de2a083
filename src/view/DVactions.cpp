// The view actions: fit, redraw, the expose refresh, and the point
// operations of zoom in, zoom out, pan and the box difference.  Also the
// hooks through which the tile planes and the extracted circuit are shown.
#include "Dview.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "Dglobal.h"
#include "GVstate.h"

namespace {

constexpr int kModule = 1;
constexpr double kMinZoomRatio = 0.001;  // world units per pixel of the widget
constexpr long kEndMarker = 0x3fffffff;  // coordinates this large are no points
constexpr int kOverlapColor = 3;         // colour-table entries of the box difference
constexpr int kPieceColor = 2;
constexpr double kWorldLimit = 4.0e15;   // world extent a zoom out may reach

_box boxOf(long x1, long y1, long x2, long y2)
{
  return {int(std::min(x1, x2)), int(std::min(y1, y2)), int(std::max(x1, x2)), int(std::max(y1, y2))};
}

void flush(_Gviewport* vp)
{
  if (vp->surface)
    vp->surface->flush();
}

// Draws what the view shows over the area; `afresh` after a clear of the
// whole view.
void drawShown(_Gviewport* vp, long x1, long y1, long x2, long y2, bool quiet, bool afresh = false);

void redrawMain()
{
  GGclear(Vmain);
  _box area = view::visibleBox(Vmain);
  drawShown(Vmain, area.x1, area.y1, area.x2, area.y2, false, true);
  flush(Vmain);
}

// The tile planes and the names over them.
void drawPlaneContents(_Gviewport* vp, long x1, long y1, long x2, long y2)
{
  view::State& state = view::state();
  state.planes->draw(vp, x1, y1, x2, y2);
  const view::Overlay order[] = {view::Overlay::Circuit, view::Overlay::Inductors,
                                 view::Overlay::Resistors, view::Overlay::Capacitors};
  for (view::Overlay which : order) {
    if (which == view::Overlay::Inductors && PROCESS_INCLUDE_INDUCTOR != 1)
      continue;
    if ((which == view::Overlay::Resistors || which == view::Overlay::Capacitors) &&
        PROCESS_INCLUDE_PASSIVE != 1)
      continue;
    if (view::NameOverlay* overlay = state.overlays[static_cast<int>(which)])
      overlay->draw(vp, x1, y1, x2, y2);
  }
}

// `afresh`: the view was just cleared and the whole of it is drawn.  Planes
// that draw without a message may then wait until somebody looks at the
// view: a headless run that only writes files never draws them.
void drawPlanes(_Gviewport* vp, long x1, long y1, long x2, long y2, bool quiet, bool afresh)
{
  view::State& state = view::state();
  if (!state.planes) {
    if (!quiet)
      common::notAvailable("Tile plane display");
    return;
  }
  _box frame;
  if (afresh && vp->surface && state.planes->frame(&frame))
    vp->surface->drawLater([vp, x1, y1, x2, y2] { drawPlaneContents(vp, x1, y1, x2, y2); });
  else
    drawPlaneContents(vp, x1, y1, x2, y2);
}

void drawShown(_Gviewport* vp, long x1, long y1, long x2, long y2, bool quiet, bool afresh)
{
  if (DworkingMode == kModePlanes) {
    drawPlanes(vp, x1, y1, x2, y2, quiet, afresh);
    return;
  }
  if (Glayout)
    ACdispArea(vp, Glayout, x1, y1, x2, y2, Gsymbols);
}

bool isPoint(long x, long y) { return std::labs(x) < kEndMarker && std::labs(y) < kEndMarker; }

/*
 * boxDifference --
 *   The part of box a outside box b as horizontal bands: below b, left of
 *   b, right of b, above b; empty bands are left out.  `overlap` receives
 *   a and b's common part.
 * Returns: false when the boxes do not overlap (nothing is cut).
 */
bool boxDifference(const _box& a, const _box& b, _box* overlap, std::vector<_box>* pieces)
{
  pieces->clear();
  if (a.x1 >= b.x2 || b.x1 >= a.x2 || a.y1 >= b.y2 || b.y1 >= a.y2)
    return false;
  *overlap = {std::max(a.x1, b.x1), std::max(a.y1, b.y1), std::min(a.x2, b.x2), std::min(a.y2, b.y2)};
  if (a.y1 < b.y1)
    pieces->push_back({a.x1, a.y1, a.x2, b.y1});
  if (a.x1 < b.x1)
    pieces->push_back({a.x1, overlap->y1, b.x1, overlap->y2});
  if (b.x2 < a.x2)
    pieces->push_back({b.x2, overlap->y1, a.x2, overlap->y2});
  if (b.y2 < a.y2)
    pieces->push_back({a.x1, b.y2, a.x2, a.y2});
  return true;
}

}  // namespace

namespace view {

void setPlaneDisplay(PlaneDisplay* display) { state().planes = display; }

void setOverlay(Overlay which, NameOverlay* overlay)
{
  state().overlays[static_cast<int>(which)] = overlay;
}

void drawArea(_Gviewport* vp, long x1, long y1, long x2, long y2)
{
  if (vp)
    drawShown(vp, x1, y1, x2, y2, true);
}

void forgetSuperBox() { state().haveSuperBox = false; }

void setPlotRedraw(void (*redraw)()) { state().plotRedraw = redraw; }

void redrawPlot()
{
  if (state().plotRedraw)
    state().plotRedraw();
  flush(Vpopup);
}

}  // namespace view

/*
 * DVfit --
 *   Fits what the main view shows (the layout, or in working mode 9 the
 *   tile planes) into it and draws it.
 */
int DVfit()
{
  GGclear(Vmain);
  if (DworkingMode != kModePlanes) {
    if (Glayout)
      ACdispall(Vmain, Glayout, Gsymbols);
    flush(Vmain);
    return 0;
  }
  _box frame;
  view::PlaneDisplay* planes = view::state().planes;
  if (planes && planes->frame(&frame) && frame.x1 <= frame.x2 && frame.y1 <= frame.y2)
    GCinstallVpC(Vmain, frame.x1, frame.y1, long(frame.x2) - frame.x1, long(frame.y2) - frame.y1);
  _box area = view::visibleBox(Vmain);
  drawShown(Vmain, area.x1, area.y1, area.x2, area.y2, false, true);
  flush(Vmain);
  return 0;
}

void DVredraw(void*, void*, void*) { redrawMain(); }

/*
 * DVrefresh --
 *   Draws again the world box under the exposed pixel rectangle, without
 *   clearing.
 */
void DVrefresh(int x, int y, int w, int h)
{
  int x1, y1, x2, y2;
  GCvtow(Vmain, x, y + h, &x1, &y1);
  GCvtow(Vmain, x + w, y, &x2, &y2);
  drawShown(Vmain, x1, y1, x2, y2, true);
  flush(Vmain);
}

int DVzoominExe(long x1, long y1, long x2, long y2)
{
  int width = view::surfaceWidth(Vmain), height = view::surfaceHeight(Vmain);
  if (width <= 0 || height <= 0)
    return 1;
  _box b = boxOf(x1, y1, x2, y2);
  long w = long(b.x2) - b.x1, h = long(b.y2) - b.y1;
  if (double(w) / width < kMinZoomRatio || double(h) / height < kMinZoomRatio) {
    GCmessage(kModule, 'E', "Window size too small");
    return 1;
  }
  GCinstallVpC(Vmain, b.x1, b.y1, w, h);
  redrawMain();
  return 0;
}

/*
 * DVzoomoutExe --
 *   Shrinks the visible area into the drawn box: the view widens by the
 *   ratio of the box to the visible area, and its centre moves away from
 *   the box's centre.  A box without width or height is refused.
 */
int DVzoomoutExe(long x1, long y1, long x2, long y2)
{
  if (!isPoint(x1, y1) || !isPoint(x2, y2))
    return 1;
  _box v = view::visibleBox(Vmain);
  _box b = boxOf(x1, y1, x2, y2);
  double vw = double(v.x2) - v.x1, vh = double(v.y2) - v.y1;
  if (vw <= 0 || vh <= 0)
    return 1;
  double r = std::min((double(b.x2) - b.x1) / vw, (double(b.y2) - b.y1) / vh);
  if (r <= 0) {
    GCmessage(kModule, 'E', "Window size too small");
    return 1;
  }
  double w = vw / r, h = vh / r;
  double vx = (double(v.x1) + v.x2) / 2, vy = (double(v.y1) + v.y2) / 2;
  double cx = (double(b.x1) + b.x2) / 2, cy = (double(b.y1) + b.y2) / 2;
  double nx = vx - (cx - vx) / r, ny = vy - (cy - vy) / r;
  if (w > kWorldLimit || h > kWorldLimit || std::fabs(nx) > kWorldLimit || std::fabs(ny) > kWorldLimit)
    return 1;
  GCinstallVpC(Vmain, long(nx - w / 2), long(ny - h / 2), long(w), long(h));
  redrawMain();
  return 0;
}

int DVpanExe(long x1, long y1, long x2, long y2)
{
  Vmain->ox += x1 - x2;
  Vmain->oy += y1 - y2;
  redrawMain();
  return 0;
}

/*
 * DVsuperExe --
 *   The first box is remembered.  The second is cut by it: the overlap is
 *   filled in colour 3 and every remaining piece of the second box outlined
 *   in colour 2; then the first box is forgotten.
 */
int DVsuperExe(long x1, long y1, long x2, long y2)
{
  view::State& state = view::state();
  _box box = boxOf(x1, y1, x2, y2);
  if (!state.haveSuperBox) {
    state.superBox = box;
    state.haveSuperBox = true;
    return 0;
  }
  state.haveSuperBox = false;
  _box overlap;
  std::vector<_box> pieces;
  if (boxDifference(box, state.superBox, &overlap, &pieces)) {
    GGsetColor(Vmain, kOverlapColor);
    GGrectangle(Vmain, overlap.x1, overlap.y1, overlap.x2, overlap.y2, 1);
  } else {
    pieces.assign(1, box);
  }
  GGsetColor(Vmain, kPieceColor);
  for (const _box& piece : pieces)
    GGrectangle(Vmain, piece.x1, piece.y1, piece.x2, piece.y2, 0);
  flush(Vmain);
  return 0;
}
