// Devent.h -- interaction chains of the pointer (src/event).
//
// Everything other subsystems may use to describe an interaction as a chain
// of steps and to feed it points and strings.  An action describes what it
// needs as a chain of _GEvent steps and starts it with DEevent; the front end
// turns pointer events into DEbuttonCB and DErubCB calls (the batch driver
// calls event::press with layout coordinates).  The chain repeats after its
// last step until another action starts its own.
#pragma once

#include "Dlayout.h"
#include "Dview.h"

// What a step collects.
enum GEVENTTYPE {
  GGEstring = 0,   // a string
  GGEbutton1 = 1,  // one point clicked with that button
  GGEbutton2 = 2,
  GGEbutton3 = 3,
  GGEpoints = 4,   // points with button 1, ended with button 3
};

// The rubber band shown while the pointer moves.
enum GRUBTYPE {
  GGRtext = 0,
  GGRline = 1,
  GGRbox = 2,
  GGRcircle = 3,
  GGRarc = 4,
  GGRrt = 5,
  GGRno = 6,
  GGRcartoon = 7,
};

struct _GEvent;

// A step routine gets the collected points (oldest first) and the step.
//   check:   -1 drop the last input and ask again, 1 give up (abort), else go on
//   execute: -1 drop the last input and ask again, 1 stop the chain, else go on
//   abort:   non-zero keeps the chain stopped, 0 restarts it
using GEventRoutine = int (*)(_points* points, _GEvent* step);

struct _GEvent {
  GEVENTTYPE eventtype;
  GRUBTYPE rubtype;
  const char* message;  // shown (kind M) when the step starts; may be null
  GEventRoutine check;
  GEventRoutine execute;
  GEventRoutine abort;
  _GEvent* next;        // null ends the chain (which then starts again)
  _Gviewport* view;     // where the input is taken
  const char* prompt = nullptr;  // what to click next, shown by the window while
                                 // the step waits (never on the streams)
};
using GEVENT = _GEvent;

// The end marker of a point list.
constexpr int kPointListEnd = 0x3fffffff;

// Input buffers, oldest entry first, and the running chain.
extern _points* GpointList;
extern _strings* GstringList;
extern _GEvent* GeventList;  // first step of the running chain
extern _GEvent* GcurEvent;   // the step waiting for input
// Draws the GGRcartoon band: viewport, points so far, pointer position.
extern void (*GGrubDraw)(_Gviewport* vp, _points* points, long x, long y);

// Empties the buffers, forgets the chain, DworkingMode = 0.
void DEinit();
// Releases the buffers and starts the chain at `first`.
void DEevent(_GEvent* first);
// Stops the running chain: the band is erased, the buffers released and the
// prompt taken away; pointer input goes nowhere until the next chain.
void DEcancel();
// Arms one step; a null step restarts the chain from its first step.
void _DEevent(_GEvent* step);
// Runs the routines of a step after its input arrived; status 0 (a point
// or string), 1 (one more point of a list) or 3 (the list is complete).
void DEinput(_GEvent* step, int status);
// A button press at pixel (x, y) of the current step's view.
void DEbuttonCB(int button, int x, int y);
// Pointer motion to pixel (x, y): moves the rubber band.
void DErubCB(int x, int y);
// Takes the anchor of the current step's band; false when it has none.
bool DErubInit();
// Erases the band from the screen.
void DEclearRub();

void GGsavePoint(_Gviewport* vp, int x, int y);  // null viewport: the end marker
void GGsaveString(const char* text);
_points* GGlastPoint();
_strings* GGlastString();
void GfreePoint();
void GfreeString();
void GfreePoints();
void GfreeStrings();
void DEfreeAllBuffer();

// Interactive view actions (menu): each collects two points in the main
// view and hands them to the matching Exe routine of Dview.h.
int DVzoomin();
int DVzoomout();
int DVpan();
int DVsuper();

namespace event {

// What arming a step needs of the window system: which handlers listen on
// the drawing widget of `view`.  Installed by the front end.
class Input {
 public:
  virtual ~Input() = default;
  // Presses go to DEbuttonCB when `presses`, motion to DErubCB when `motion`.
  virtual void listen(_Gviewport* view, bool presses, bool motion) = 0;
  // Both handlers are removed.
  virtual void stopListening(_Gviewport* view) = 0;
};
void setInput(Input* input);  // null: nobody listens

// The button the armed step waits for: 1 to 3, 4 for a point list
// (button 1, ended with button 3), 0 when no step waits for a press.
int wantedButton();

enum class Press {
  Ignored,    // no step waits, or it waits for another button
  Taken,      // the step's routines ran
  Abandoned,  // a routine abandoned the action; the chain starts again
};
// A press of `button` at the layout point (x, y) of the current step.
Press press(int button, long x, long y);

}  // namespace event
