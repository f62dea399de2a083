// Running interaction chains: arming a step, taking a button press and
// running the step's routines.
#include "Devent.h"

#include "DEstate.h"
#include "Dglobal.h"

_GEvent* GeventList = nullptr;
_GEvent* GcurEvent = nullptr;

namespace {

constexpr int kModule = 1;

event::State eventState;

bool wantsPresses(const _GEvent* step)
{
  return step->eventtype >= GGEbutton1 && step->eventtype <= GGEpoints;
}

bool hasBand(const _GEvent* step)
{
  return (step->rubtype >= GGRtext && step->rubtype <= GGRarc) || step->rubtype == GGRcartoon;
}

// Removes the last input of the step: a string or a point.
void dropLast(const _GEvent* step)
{
  if (step->eventtype == GGEstring)
    GfreeString();
  else
    GfreePoint();
}

void restartChain()
{
  DEfreeAllBuffer();
  if (GeventList)
    _DEevent(GeventList);
}

}  // namespace

namespace event {

State& state() { return eventState; }

void disarm()
{
  State& s = eventState;
  if ((s.armedPresses || s.armedMotion) && s.input)
    s.input->stopListening(s.armedView);
  s.armedPresses = s.armedMotion = false;
  s.armedView = nullptr;
}

void setInput(Input* input)
{
  disarm();
  eventState.input = input;
}

int wantedButton()
{
  if (!GcurEvent || !eventState.armedPresses)
    return 0;
  return GcurEvent->eventtype;
}

/*
 * press --
 *   A press of `button` at a layout point for the armed step: a point step
 *   takes its own button only; a point list takes button 1 (more points)
 *   and button 3 (the end marker).  The step's routines then run; a routine
 *   that abandons the action leaves the chain started again.
 */
Press press(int button, long x, long y)
{
  _GEvent* step = GcurEvent;
  if (!step || !eventState.armedPresses)
    return Press::Ignored;
  int status;
  if (step->eventtype == GGEpoints) {
    if (button == 1)
      status = 1;
    else if (button == 3)
      status = 3;
    else
      return Press::Ignored;
  } else if (button == step->eventtype) {
    status = 0;
  } else {
    return Press::Ignored;
  }
  if (status == 3)
    appendPoint(kPointListEnd, kPointListEnd);
  else
    appendPoint(static_cast<int>(x), static_cast<int>(y));

  disarm();
  DEclearRub();
  common::ActionScope scope;
  try {
    DEinput(step, status);
  } catch (const common::OperationAborted&) {
    GCmessage(kModule, 'L', "The action was abandoned");
    restartChain();
    return Press::Abandoned;
  }
  return Press::Taken;
}

}  // namespace event

void DEinit()
{
  common::frontEnd().showPrompt(nullptr);
  event::disarm();
  DEfreeAllBuffer();
  GeventList = nullptr;
  GcurEvent = nullptr;
  DworkingMode = kModeLayout;
  event::Input* input = eventState.input;
  eventState = event::State();
  eventState.input = input;
}

void DEcancel()
{
  event::disarm();
  DEclearRub();
  DEfreeAllBuffer();
  GeventList = nullptr;
  GcurEvent = nullptr;
  common::frontEnd().showPrompt(nullptr);
}

void DEevent(_GEvent* first)
{
  event::disarm();
  DEclearRub();
  DEfreeAllBuffer();
  GeventList = first;
  GcurEvent = first;
  _DEevent(first);
}

/*
 * _DEevent --
 *   Arms a step: its band follows the pointer when it has an anchor, its
 *   presses are taken when it collects points, its message is shown and its
 *   prompt takes the place of the previous one.  Without a step the chain
 *   has ended: its prompt goes, and it starts again from its first step.
 */
void _DEevent(_GEvent* step)
{
  event::disarm();
  if (!step) {
    common::frontEnd().showPrompt(nullptr);
    restartChain();
    return;
  }
  GcurEvent = step;
  bool motion = hasBand(step) && DErubInit();
  bool presses = wantsPresses(step);
  event::State& s = eventState;
  s.armedView = step->view;
  s.armedPresses = presses;
  s.armedMotion = motion;
  if ((presses || motion) && s.input)
    s.input->listen(step->view, presses, motion);
  if (step->message)
    GCmessage(kModule, 'M', "%s", step->message);
  common::frontEnd().showPrompt(step->prompt);
}

void DEbuttonCB(int button, int x, int y)
{
  _GEvent* step = GcurEvent;
  if (!step || !eventState.armedPresses)
    return;
  int wx = 0, wy = 0;
  GCvtow(step->view, x, y, &wx, &wy);
  event::press(button, wx, wy);
}

/*
 * DEinput --
 *   Runs the step's routines after its input arrived (see _GEvent), then
 *   arms the same step for another point of a list, or the next step.
 */
void DEinput(_GEvent* step, int status)
{
  if (!step)
    return;
  _GEvent* chain = GeventList;
  if (status != 3 && step->check) {
    int r = step->check(GpointList, step);
    if (GeventList != chain)
      return;
    if (r == -1) {
      dropLast(step);
      _DEevent(step);
      return;
    }
    if (r == 1) {
      if (step->abort && step->abort(GpointList, step))
        return;
      restartChain();
      return;
    }
  }
  if (status != 1 && step->execute) {
    int r = step->execute(GpointList, step);
    if (GeventList != chain)
      return;  // the routine started another interaction
    if (r == -1) {
      dropLast(step);
      _DEevent(step);
      return;
    }
    if (r == 1)
      return;
  }
  if (status == 1) {
    if (step->execute) {
      step->execute(GpointList, step);
      if (GeventList != chain)
        return;
    }
    _DEevent(step);
    return;
  }
  _DEevent(step->next);
}
