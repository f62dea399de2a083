// Recording input events into ".Fplayback" and playing them back.  Windows
// are written as their index in the registry of the widget tree, which is
// the same in every run that builds the same tree.
#include "Dinterface.h"

#include <X11/IntrinsicP.h>

#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "DIshell.h"
#include "Dglobal.h"

Window FwidgetList[kMaxRecordedWindows];
int FwidgetNum = 0;

namespace {

constexpr int kModule = 1;
constexpr char kPlaybackFile[] = ".Fplayback";
constexpr long kButtonPauseMs = 1000;   // after a replayed button event
constexpr int kBusyRounds = 1000;       // after other replayed events

// The 13 numbers of a recorded event.
struct Record {
  long window, type, detail, x, y, serial, root, subwindow, time, rootX, rootY, state, sameScreen;
};

void registerWindow(Window w)
{
  if (w && FwidgetNum < kMaxRecordedWindows)
    FwidgetList[FwidgetNum++] = w;
}

// Depth first: the widget, its children, then its popups (realised first,
// so that menus and dialogs have their windows from the start).
void registerTree(Widget w)
{
  if (!XtIsWidget(w))
    return;
  if (XtIsRealized(w))
    registerWindow(XtWindow(w));
  if (XtIsComposite(w)) {
    CompositeWidget composite = reinterpret_cast<CompositeWidget>(w);
    for (Cardinal i = 0; i < composite->composite.num_children; ++i)
      registerTree(composite->composite.children[i]);
  }
  for (Cardinal i = 0; i < w->core.num_popups; ++i) {
    Widget popup = w->core.popup_list[i];
    if (!XtIsRealized(popup))
      XtRealizeWidget(popup);
    registerTree(popup);
  }
}

bool recordable(int type)
{
  return type == ButtonPress || type == ButtonRelease || type == KeyPress || type == KeyRelease ||
         type == MotionNotify;
}

Record recordOf(const XEvent& e, long window)
{
  Record r{};
  r.window = window;
  r.type = e.type;
  r.serial = static_cast<long>(e.xany.serial);
  if (e.type == Expose) {
    r.detail = e.xexpose.count;
    r.x = e.xexpose.x;
    r.y = e.xexpose.y;
    r.rootX = e.xexpose.width;
    r.rootY = e.xexpose.height;
    return r;
  }
  // Button, key and motion events share the layout of these fields.
  const XButtonEvent& b = e.xbutton;
  r.detail = e.type == KeyPress || e.type == KeyRelease ? e.xkey.keycode
             : e.type == MotionNotify                   ? e.xmotion.is_hint
                                                        : b.button;
  r.x = b.x;
  r.y = b.y;
  r.root = DIwindowIndex(b.root);
  r.subwindow = DIwindowIndex(b.subwindow);
  r.time = static_cast<long>(b.time);
  r.rootX = b.x_root;
  r.rootY = b.y_root;
  r.state = b.state;
  r.sameScreen = b.same_screen;
  return r;
}

// Rebuilds an event; false when its window is not in this run's tree.
bool eventOf(const Record& r, Time time, XEvent* e)
{
  memset(e, 0, sizeof *e);
  Window window = DIfindWindow(r.window);
  if (!window || r.window == 0)
    return false;
  e->type = static_cast<int>(r.type);
  e->xany.serial = static_cast<unsigned long>(r.serial);
  e->xany.display = theDisplay;
  e->xany.window = window;
  if (r.type == Expose) {
    e->xexpose.x = static_cast<int>(r.x);
    e->xexpose.y = static_cast<int>(r.y);
    e->xexpose.width = static_cast<int>(r.rootX);
    e->xexpose.height = static_cast<int>(r.rootY);
    e->xexpose.count = static_cast<int>(r.detail);
    return true;
  }
  if (!recordable(static_cast<int>(r.type)))
    return false;
  XButtonEvent& b = e->xbutton;
  b.root = DIfindWindow(r.root);
  b.subwindow = r.subwindow ? DIfindWindow(r.subwindow) : None;  // index 0: no subwindow
  b.time = time;
  b.x = static_cast<int>(r.x);
  b.y = static_cast<int>(r.y);
  b.x_root = static_cast<int>(r.rootX);
  b.y_root = static_cast<int>(r.rootY);
  b.state = static_cast<unsigned>(r.state);
  b.same_screen = static_cast<Bool>(r.sameScreen);
  if (r.type == KeyPress || r.type == KeyRelease)
    e->xkey.keycode = static_cast<unsigned>(r.detail);
  else if (r.type == MotionNotify)
    e->xmotion.is_hint = static_cast<char>(r.detail);
  else
    b.button = static_cast<unsigned>(r.detail);
  return true;
}

long millisecondsSince(const timeval& start)
{
  timeval now;
  gettimeofday(&now, nullptr);
  return (now.tv_sec - start.tv_sec) * 1000 + (now.tv_usec - start.tv_usec) / 1000;
}

// Waits, keeping the display up to date.
void pause(long milliseconds)
{
  timeval start;
  gettimeofday(&start, nullptr);
  while (millisecondsSince(start) < milliseconds) {
    if (XtAppPending(app) & XtIMXEvent)
      XtAppProcessEvent(app, XtIMXEvent);
    else
      usleep(10000);
  }
}

}  // namespace

/*
 * DIrecordEvent --
 *   Writes one line of 13 numbers for an event on a window of the tree:
 *   window, type, button or key code (expose: count), x, y, serial, root
 *   and subwindow index, time, root x and y (expose: width and height),
 *   modifier state, same-screen flag.  The file is opened at the first
 *   call and kept open.
 */
void DIrecordEvent(XEvent* event)
{
  interface::State& s = interface::state();
  if (!s.recordTried) {
    s.recordTried = true;
    s.record = fopen(kPlaybackFile, "w");
    if (!s.record)
      GCmessage(kModule, 'W', "No playback file opened");
  }
  if (!s.record)
    return;
  long window = DIwindowIndex(event->xany.window);
  if (window == 0)
    return;
  Record r = recordOf(*event, window);
  fprintf(s.record, "%ld %ld %ld %ld %ld %ld %ld %ld %ld %ld %ld %ld %ld\n", r.window, r.type,
          r.detail, r.x, r.y, r.serial, r.root, r.subwindow, r.time, r.rootX, r.rootY, r.state,
          r.sameScreen);
  fflush(s.record);
}

void DIregiWindows(Widget top)
{
  FwidgetNum = 0;
  registerWindow(theRootWindow);
  registerTree(top);
}

long DIwindowIndex(Window window)
{
  for (int i = 0; i < FwidgetNum; ++i)
    if (FwidgetList[i] == window)
      return i;
  return 0;
}

Window DIfindWindow(long index)
{
  return index >= 0 && index < FwidgetNum ? FwidgetList[index] : 0;
}

namespace interface {

/*
 * playback --
 *   Dispatches the recorded events in order.  Their times are moved onto
 *   this server's clock, keeping the recorded spacing but never running
 *   ahead of the real time of the replay, so that the toolkit's grabs
 *   accept them.  After a button event the replay waits one second.
 */
int playback()
{
  FILE* file = fopen(kPlaybackFile, "r");
  if (!file) {
    GCmessage(kModule, 'E', "No playback file to playback");
    return 1;
  }
  Time base = XtLastTimestampProcessed(theDisplay);
  timeval start;
  gettimeofday(&start, nullptr);
  long firstTime = -1;
  Record r;
  while (fscanf(file, "%ld %ld %ld %ld %ld %ld %ld %ld %ld %ld %ld %ld %ld", &r.window, &r.type,
                &r.detail, &r.x, &r.y, &r.serial, &r.root, &r.subwindow, &r.time, &r.rootX,
                &r.rootY, &r.state, &r.sameScreen) == 13) {
    if (firstTime < 0 && r.type != Expose)
      firstTime = r.time;
    long offset = std::min(r.time - std::max(firstTime, 0L), millisecondsSince(start));
    XEvent e;
    if (!eventOf(r, base + static_cast<Time>(std::max(offset, 0L)), &e))
      continue;
    XtDispatchEvent(&e);
    flushViews();
    XFlush(theDisplay);
    if (r.type == ButtonPress || r.type == ButtonRelease) {
      pause(kButtonPauseMs);
    } else if (r.type != Expose) {
      for (volatile int i = 0; i < kBusyRounds; i = i + 1) {
      }
    }
  }
  fclose(file);
  return 0;
}

}  // namespace interface
