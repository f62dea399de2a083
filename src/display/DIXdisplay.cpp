// The toolkit, the display and the pixels of the colour table.
#include "Ddisplay.h"

#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

#include "DTtechnology.h"
#include "Dglobal.h"

XtAppContext app = nullptr;
Display* theDisplay = nullptr;
int theScreen = 0;
Window theRootWindow = 0;
Colormap theColormap = 0;
Visual* theVisual = nullptr;
int theDisplayWidth = 0;
int theDisplayHeight = 0;
GC theGC = nullptr;
GC theXorGC = nullptr;

namespace {

constexpr int kMinColormapEntries = 2;  // a display with no more is monochrome

// Resources that make the window readable without an app-defaults file.
String fallbackResources[] = {
    const_cast<char*>("*fontList: fixed"),
    nullptr,
};

// A colour as the display's colour database has it (names and X's numeric
// forms alike).
bool displayColor(const char* name, unsigned long* rgb)
{
  XColor color;
  if (!XParseColor(theDisplay, theColormap, name, &color))
    return false;
  *rgb = static_cast<unsigned long>(color.red >> 8) << 16 |
         static_cast<unsigned long>(color.green >> 8) << 8 | (color.blue >> 8);
  return true;
}

}  // namespace

/*
 * DIXinit --
 *   Starts the toolkit, creates the application context and opens the
 *   display; records the screen's colormap, root window, visual and size,
 *   and makes the exclusive-or context of the rubber bands.
 */
void DIXinit(int argc, char** argv)
{
  XtToolkitInitialize();
  app = XtCreateApplicationContext();
  XtAppSetFallbackResources(app, fallbackResources);
  int count = argc;
  theDisplay = XtOpenDisplay(app, nullptr, argv[0], "XMclient", nullptr, 0, &count, argv);
  if (!theDisplay) {
    fprintf(stderr, "\n%s: Can't open display\n", argv[0]);
    common::endProcess(1);
  }
  theScreen = DefaultScreen(theDisplay);
  theColormap = DefaultColormap(theDisplay, theScreen);
  theRootWindow = RootWindow(theDisplay, theScreen);
  theVisual = DefaultVisual(theDisplay, theScreen);
  theDisplayWidth = DisplayWidth(theDisplay, theScreen);
  theDisplayHeight = DisplayHeight(theDisplay, theScreen);
  techc::setColorLookup(displayColor);
  if (theVisual->map_entries <= kMinColormapEntries) {
    fprintf(stderr, "This program requires a color display.\n");
    common::endProcess(1);
  }
  if (DebugStatus)
    XSynchronize(theDisplay, True);
  theGC = DefaultGC(theDisplay, theScreen);
  XGCValues values;
  values.function = GXxor;
  values.foreground = WhitePixel(theDisplay, theScreen);
  values.background = BlackPixel(theDisplay, theScreen);
  theXorGC = XCreateGC(theDisplay, theRootWindow, GCFunction | GCForeground | GCBackground, &values);
}

char GGgetChar(XKeyEvent* event)
{
  char text[8];
  KeySym key;
  int n = XLookupString(event, text, sizeof text, &key, nullptr);
  return n > 0 ? text[0] : '\0';
}

namespace display {

void allocateColors()
{
  _GWorkStation& station = GCworkStation[GCstationId];
  for (int i = 0; i < station.ncolor; ++i) {
    _GColor& entry = station.color[i];
    XColor color;
    color.red = static_cast<unsigned short>(((entry.rgb >> 16) & 0xff) * 257);
    color.green = static_cast<unsigned short>(((entry.rgb >> 8) & 0xff) * 257);
    color.blue = static_cast<unsigned short>((entry.rgb & 0xff) * 257);
    color.flags = DoRed | DoGreen | DoBlue;
    entry.pixel = XAllocColor(theDisplay, theColormap, &color) ? color.pixel
                                                               : BlackPixel(theDisplay, theScreen);
  }
}

}  // namespace display
