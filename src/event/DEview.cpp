// The interactive view actions: two clicks in the main view, with a box or
// line band from the first to the pointer, then the point operation.
#include "Devent.h"

namespace {

_GEvent zoomInSteps[2];
_GEvent zoomOutSteps[2];
_GEvent panSteps[2];
_GEvent superSteps[2];

// Hands the first two points to the view's point operation.
template <int (*operation)(long, long, long, long)>
int twoPoints(_points* points, _GEvent*)
{
  if (points && points->next)
    operation(points->x, points->y, points->next->x, points->next->y);
  return 0;
}

void startTwoPointChain(_GEvent* steps, GRUBTYPE band, GEventRoutine execute)
{
  steps[0] = {GGEbutton1, GGRno, nullptr, nullptr, nullptr, nullptr, &steps[1], Vmain};
  steps[1] = {GGEbutton1, band, nullptr, nullptr, execute, nullptr, nullptr, Vmain};
  DEevent(steps);
}

}  // namespace

int DVzoomin()
{
  startTwoPointChain(zoomInSteps, GGRbox, twoPoints<DVzoominExe>);
  return 0;
}

int DVzoomout()
{
  startTwoPointChain(zoomOutSteps, GGRbox, twoPoints<DVzoomoutExe>);
  return 0;
}

int DVpan()
{
  startTwoPointChain(panSteps, GGRline, twoPoints<DVpanExe>);
  return 0;
}

int DVsuper()
{
  view::forgetSuperBox();
  startTwoPointChain(superSteps, GGRbox, twoPoints<DVsuperExe>);
  return 0;
}
