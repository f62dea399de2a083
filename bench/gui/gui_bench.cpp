// Drawing a generated layout into a window of an X server through the
// Xlib surface of quorin: fit, full redraw, and the expose of a small area,
// each until the server has drawn it.  Prints one line per operation and
// size: operation, n, seconds, boxes/s, peak RSS (kB).
#include <X11/Intrinsic.h>
#include <X11/Shell.h>
#include <X11/StringDefs.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "DTtechnology.h"
#include "Ddisplay.h"
#include "Dglobal.h"
#include "Dinit.h"
#include "Dview.h"
#include "LayoutGen.h"

namespace {

constexpr int kWidth = 850;   // pixels, about the drawing area of quorin
constexpr int kHeight = 770;
constexpr int kExpose = 50;   // pixels of the exposed square

template <class F>
double seconds(F&& work)
{
  auto start = std::chrono::steady_clock::now();
  work();
  XSync(theDisplay, False);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(const char* what, long n, double s)
{
  printf("%-8s n=%-8ld seconds=%.4f boxes/s=%.0f peak_rss_kb=%ld\n", what, n, s, n / s,
         bench::peakRssKb());
  fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
  if (!getenv("SYSRC")) {
    fprintf(stderr, "gui_bench: set SYSRC to lib/sysrc and DISPLAY to an X server\n");
    return 2;
  }
  Silently = 1;
  std::string startOut, startErr;
  common::captureOutput(&startOut, &startErr);
  GCmemInit();
  DIXinit(argc, argv);
  DIcolorInit();
  display::allocateColors();
  DItechInit();
  common::captureOutput(nullptr, nullptr);

  Widget shell = XtVaAppCreateShell("gui_bench", "XMclient", applicationShellWidgetClass, theDisplay,
                                    XtNwidth, kWidth, XtNheight, kHeight, nullptr);
  Widget area = XtVaCreateManagedWidget("DRAWW", widgetClass, shell, XtNwidth, kWidth, XtNheight,
                                        kHeight, XtNbackground,
                                        GCworkStation[GCstationId].color[0].pixel, nullptr);
  XtRealizeWidget(shell);
  XSync(theDisplay, False);
  display::XSurface surface(area, shell);
  DIvpInit(Vmain, &surface, area);

  long sizes[] = {10000, 100000, 1000000};
  int count = 3;
  if (argc > 1 && atol(argv[argc - 1]) > 0) {
    sizes[0] = atol(argv[argc - 1]);
    count = 1;
  }
  for (int i = 0; i < count; ++i) {
    long n = sizes[i];
    _layout* cell = bench::generateLayout(n);
    report("fit", n, seconds([] { DVfit(); }));
    report("redraw", n, seconds([] { DVredraw(nullptr, nullptr, nullptr); }));
    report("expose", n, seconds([] { DVrefresh(kWidth / 2, kHeight / 2, kExpose, kExpose); }));
    GCinstallVpC(Vmain, 0, 0, 30000, 25000);  // zoomed in: boxes are rectangles
    report("zoomed", n, seconds([] { DVredraw(nullptr, nullptr, nullptr); }));
    report("z-expose", n, seconds([] { DVrefresh(kWidth / 2, kHeight / 2, kExpose, kExpose); }));
    Glayout = Gsymbols = Gactive = nullptr;
    GCfreeLayout(cell);
  }
  return 0;
}
