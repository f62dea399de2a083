// The viewports of the program and the transforms between world and pixel.
#include "Dview.h"

#include <cmath>

#include "Dglobal.h"
#include "GVstate.h"

namespace {

constexpr int kModule = 1;
constexpr int kCentreMargin = 50;      // pixels: 25 on each tighter side
constexpr double kPixelLimit = 1e9;    // pixel results are kept within this
constexpr float kPopupWorldHeight = 1000;  // world units over the popup's height

_Gviewport mainViewport;
_Gviewport popupViewport;
_Gviewport superViewport;
view::State viewState;

long clampedPixel(double value)
{
  if (!(value > -kPixelLimit))
    return static_cast<long>(-kPixelLimit);
  if (value > kPixelLimit)
    return static_cast<long>(kPixelLimit);
  return static_cast<long>(value);
}

}  // namespace

_Gviewport* Vmain = &mainViewport;
_Gviewport* Vpopup = &popupViewport;
_Gviewport* Vsuper = &superViewport;
int PopupWindowIsThere = 0;

namespace view {

State& state() { return viewState; }

int surfaceWidth(const _Gviewport* vp) { return vp && vp->surface ? vp->surface->width() : 0; }
int surfaceHeight(const _Gviewport* vp) { return vp && vp->surface ? vp->surface->height() : 0; }

_box visibleBox(const _Gviewport* vp)
{
  _box box;
  box.x1 = static_cast<int>(vp->ox);
  box.y1 = static_cast<int>(vp->oy);
  box.x2 = static_cast<int>(vp->ox + static_cast<long>(surfaceWidth(vp) * double(vp->scale)));
  box.y2 = static_cast<int>(vp->oy + static_cast<long>(surfaceHeight(vp) * double(vp->scale)));
  return box;
}

void initViewports(Surface* main, void* mainWidget, Surface* popup, void* popupWidget)
{
  DIvpInit(Vmain, main, mainWidget);
  DIvpInit(Vpopup, popup, popupWidget);
  int height = surfaceHeight(Vpopup);
  if (height > 0)
    Vpopup->scale = static_cast<float>(static_cast<int>(kPopupWorldHeight) / height);
  Vpopup->ox = 0;
  Vpopup->oy = 0;
  PopupWindowIsThere = 0;
}

void resetState() { viewState = State(); }

}  // namespace view

void DIvpInit(_Gviewport* vp, view::Surface* surface, void* widget)
{
  *vp = _Gviewport{};
  vp->id = 0;
  vp->widget = widget;
  vp->scale = 1.0f;
  vp->surface = surface;
}

/*
 * GCvtow --
 *   Pixel to world: wx = ox + vx * scale, wy = oy + (height - vy) * scale.
 */
void GCvtow(_Gviewport* vp, int vx, int vy, int* wx, int* wy)
{
  if (!vp) {
    GCmessage(kModule, 'F', "Viewport is not available");
    *wx = *wy = 0;
    return;
  }
  *wx = static_cast<int>(vp->ox + static_cast<long>(vx * double(vp->scale)));
  *wy = static_cast<int>(
      vp->oy + static_cast<long>((view::surfaceHeight(vp) - vy) * double(vp->scale)));
}

/*
 * GCwtov --
 *   World to pixel: vx = (wx - ox) / scale, vy = height - (wy - oy) / scale.
 */
void GCwtov(_Gviewport* vp, long wx, long wy, long* vx, long* vy)
{
  if (!vp) {
    GCmessage(kModule, 'F', "Viewport is not avariable");
    common::abandonAction(1);
  }
  *vx = clampedPixel((wx - vp->ox) / double(vp->scale));
  *vy = view::surfaceHeight(vp) - clampedPixel((wy - vp->oy) / double(vp->scale));
}

/*
 * GCinstallVp --
 *   Sets the origin; with a size also the scale at which w x h fills the
 *   surface in its tighter direction.
 */
void GCinstallVp(_Gviewport* vp, long x, long y, long w, long h)
{
  if (w != 0 || h != 0) {
    double width = std::max(1, view::surfaceWidth(vp));
    double height = std::max(1, view::surfaceHeight(vp));
    double scale = w / width;
    if (h != 0 && h / height > scale)
      scale = h / height;
    if (scale > 0)
      vp->scale = static_cast<float>(scale);
  }
  vp->ox = x;
  vp->oy = y;
}

/*
 * GCinstallVpC --
 *   Centres the world box (x, y, w, h) in the surface with a margin of 25
 *   pixels on its tighter sides.
 */
void GCinstallVpC(_Gviewport* vp, long x, long y, long w, long h)
{
  double width = view::surfaceWidth(vp);
  double height = view::surfaceHeight(vp);
  if (w != 0 || h != 0) {
    double scale = w / std::max(1.0, width - kCentreMargin);
    if (h != 0 && h / std::max(1.0, height - kCentreMargin) > scale)
      scale = h / std::max(1.0, height - kCentreMargin);
    if (scale > 0)
      vp->scale = static_cast<float>(scale);
  }
  vp->ox = x - static_cast<long>((width * vp->scale - w) / 2);
  vp->oy = y - static_cast<long>((height * vp->scale - h) / 2);
}
