// Start-up of quorin and its event loop.
#include "Dinterface.h"

#include <X11/Xmu/Editres.h>

#include <cstring>

#include "CS.h"
#include "DIshell.h"
#include "DTtechnology.h"
#include "DYyield.h"
#include "Devent.h"
#include "Dglobal.h"
#include "Dinit.h"
#include "Dlayout.h"
#include "Dmenu.h"

namespace {

bool recorded(int type)
{
  return type == KeyPress || type == KeyRelease || type == ButtonPress || type == ButtonRelease ||
         type == MotionNotify || type == Expose;
}

const char* programName(const char* path)
{
  const char* slash = strrchr(path, '/');
  return slash ? slash + 1 : path;
}

}  // namespace

/*
 * DInterface --
 *   Starts the pieces of the program in their fixed order: memory, display,
 *   colours, technology, menus, pointer buffers, tile planes, display
 *   switches, widgets, viewports, yield, the editres check and the window
 *   registry; then takes events for ever, recording input while asked to.
 */
void DInterface(int argc, char** argv)
{
  interface::takeOutputLines();
  FStartPlaybackRecord = 0;
  FwidgetNum = 0;
  GCmemInit();
  DIXinit(argc, argv);
  DIcolorInit();
  display::allocateColors();
  DItechInit();
  init::applyCifMode();
  common::readProcessSettings();
  DImenuInit();
  DEinit();
  InitStitch();
  init::installHooks();
  DIsetInit();
  DIcreateApp(programName(argv[0]));
  interface::installFrontEnd();
  interface::makeViewSurfaces();
  DYinit();
  XtAddEventHandler(theDeskWidget, NoEventMask, True, _XEditResCheckMessages, nullptr);
  DIregiWindows(theDeskWidget);
  interface::dumpGeometrySoon();

  for (;;) {
    if (!XtAppPending(app))
      interface::flushViews();
    XEvent event;
    XtAppNextEvent(app, &event);
    if (FStartPlaybackRecord == 1 && recorded(event.type))
      DIrecordEvent(&event);
    XtDispatchEvent(&event);
  }
}
