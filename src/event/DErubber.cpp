// The rubber band: drawn with the exclusive-or function from the anchor to
// the pointer, and erased by drawing it again.
#include "Devent.h"

#include <cmath>

#include "DEstate.h"

void (*GGrubDraw)(_Gviewport* vp, _points* points, long x, long y) = nullptr;

namespace {

void drawBand(const _GEvent* step)
{
  event::State& s = event::state();
  _Gviewport* vp = step->view;
  switch (step->rubtype) {
    case GGRtext: GGxstring(vp, s.mx, s.my, s.rubstring.c_str()); break;
    case GGRline: GGxline(vp, s.rubx, s.ruby, s.mx, s.my); break;
    case GGRbox: GGxrectangle(vp, s.rubx, s.ruby, s.mx, s.my, 0); break;
    case GGRcircle: GGxcircle(vp, s.rubx, s.ruby, s.radio, 0); break;
    case GGRcartoon:
      if (GGrubDraw)
        GGrubDraw(vp, GpointList, s.mx, s.my);
      break;
    default: break;
  }
}

void flush(const _GEvent* step)
{
  if (step->view && step->view->surface)
    step->view->surface->flush();
}

}  // namespace

/*
 * DErubInit --
 *   Takes the anchor of the current step's band: the last string for a
 *   text band, nothing for a cartoon, else the last point.
 * Returns: false when there is no anchor (no band for this step).
 */
bool DErubInit()
{
  event::State& s = event::state();
  s.rubed = 0;
  const _GEvent* step = GcurEvent;
  if (!step)
    return false;
  if (step->rubtype == GGRtext) {
    const _strings* last = GGlastString();
    if (!last)
      return false;
    s.rubstring = last->string ? last->string : "";
    return true;
  }
  if (step->rubtype == GGRcartoon)
    return true;
  const _points* last = GGlastPoint();
  if (!last || last->x == kPointListEnd)
    return false;
  s.rubx = last->x;
  s.ruby = last->y;
  return true;
}

/*
 * DErubCB --
 *   Pointer motion: erases the band where it was and draws it to the new
 *   pointer position.
 */
void DErubCB(int x, int y)
{
  event::State& s = event::state();
  const _GEvent* step = GcurEvent;
  if (!step || !s.armedMotion || !step->view)
    return;
  if (s.rubed)
    drawBand(step);
  int wx, wy;
  GCvtow(step->view, x, y, &wx, &wy);
  s.mx = wx;
  s.my = wy;
  double dx = double(s.mx) - s.rubx, dy = double(s.my) - s.ruby;
  s.radio = static_cast<long>(std::sqrt(dx * dx + dy * dy));
  drawBand(step);
  s.rubed = 1;
  flush(step);
}

void DEclearRub()
{
  event::State& s = event::state();
  if (!s.rubed)
    return;
  s.rubed = 0;
  if (GcurEvent && GcurEvent->view) {
    drawBand(GcurEvent);
    flush(GcurEvent);
  }
}
