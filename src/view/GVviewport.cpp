// The viewports of the program.
#include "Dview.h"

namespace {
_Gviewport mainViewport;
_Gviewport popupViewport;
_Gviewport superViewport;
}  // namespace

_Gviewport* Vmain = &mainViewport;
_Gviewport* Vpopup = &popupViewport;
_Gviewport* Vsuper = &superViewport;
int PopupWindowIsThere = 0;

void DIvpInit(_Gviewport* vp, view::Surface* surface, void* widget)
{
  *vp = _Gviewport{};
  vp->id = 0;
  vp->widget = widget;
  vp->scale = 1.0f;
  vp->surface = surface;
}
