// The interactive view actions: two clicks in the main view, with a box or
// line band from the first to the pointer, then the point operation.
#include "Devent.h"

namespace {

_GEvent zoomInSteps[2];
_GEvent zoomOutSteps[2];
_GEvent panSteps[2];
_GEvent superSteps[2];

// What each chain asks for: the first click, then the second.
struct Prompts {
  const char* first;
  const char* second;
};
constexpr Prompts kZoomIn = {"Click the first corner of the zoom box",
                             "Click the opposite corner of the zoom box"};
constexpr Prompts kZoomOut = {"Click the first corner of the box the view shrinks into",
                              "Click the opposite corner of the box the view shrinks into"};
constexpr Prompts kPan = {"Click a point of the layout to move",
                          "Click where that point goes"};
constexpr Prompts kFirstBox = {"Click the first corner of the first box",
                               "Click the opposite corner of the first box"};
constexpr Prompts kSecondBox = {"Click the first corner of the box to cut by the first one",
                                "Click the opposite corner of the box to cut by the first one"};

void setPrompts(_GEvent* steps, const Prompts& prompts)
{
  steps[0].prompt = prompts.first;
  steps[1].prompt = prompts.second;
}

// Hands the first two points to the view's point operation.
template <int (*operation)(long, long, long, long)>
int twoPoints(_points* points, _GEvent*)
{
  if (points && points->next)
    operation(points->x, points->y, points->next->x, points->next->y);
  return 0;
}

// The box difference remembers every other box: the prompts say which one
// comes next.
int superBoxes(_points* points, _GEvent* step)
{
  twoPoints<DVsuperExe>(points, step);
  setPrompts(superSteps, superSteps[0].prompt == kFirstBox.first ? kSecondBox : kFirstBox);
  return 0;
}

void startTwoPointChain(_GEvent* steps, GRUBTYPE band, GEventRoutine execute,
                        const Prompts& prompts)
{
  steps[0] = {GGEbutton1, GGRno, nullptr, nullptr, nullptr, nullptr, &steps[1], Vmain};
  steps[1] = {GGEbutton1, band, nullptr, nullptr, execute, nullptr, nullptr, Vmain};
  setPrompts(steps, prompts);
  DEevent(steps);
}

}  // namespace

int DVzoomin()
{
  startTwoPointChain(zoomInSteps, GGRbox, twoPoints<DVzoominExe>, kZoomIn);
  return 0;
}

int DVzoomout()
{
  startTwoPointChain(zoomOutSteps, GGRbox, twoPoints<DVzoomoutExe>, kZoomOut);
  return 0;
}

int DVpan()
{
  startTwoPointChain(panSteps, GGRline, twoPoints<DVpanExe>, kPan);
  return 0;
}

int DVsuper()
{
  view::forgetSuperBox();
  startTwoPointChain(superSteps, GGRbox, superBoxes, kFirstBox);
  return 0;
}
