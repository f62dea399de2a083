// Lines of the analyses through the output sink into the report pane of
// quorin, shown in an X server: n report lines written inside an action (the
// pane shows them as they come), then the last ones shown.  Prints one line
// per size: n, processor seconds (user + system), lines/s, the characters the
// pane keeps, peak RSS (kB); and the same writing without a pane, to
// /dev/null, for comparison.
#include <X11/Intrinsic.h>
#include <Xm/Form.h>
#include <Xm/MainW.h>
#include <Xm/Xm.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchSupport.h"
#include "DIshell.h"
#include "Dglobal.h"
#include "Dinterface.h"

Widget theMainWidget;

namespace interface {
void dumpGeometrySoon() {}
}  // namespace interface

namespace {

// A line as long as the typical report line.
void writeLines(long n)
{
  common::ActionScope action;
  for (long i = 0; i < n; ++i)
    common::outf("Net number: %ld  tiles %ld  x1=%ld y1=%ld\n", i, i % 97, 40 * i, 20 * i);
}

}  // namespace

int main(int argc, char** argv)
{
  long sizes[] = {10000, 100000, 1000000};
  int count = 3;
  if (argc > 1 && atol(argv[argc - 1]) > 0) {
    sizes[0] = atol(argv[argc - 1]);
    count = 1;
  }
  XtToolkitInitialize();
  app = XtCreateApplicationContext();
  int ac = 1;
  theDisplay = XtOpenDisplay(app, nullptr, "report_bench", "XMclient", nullptr, 0, &ac, argv);
  if (!theDisplay) {
    fprintf(stderr, "report_bench: no X display (set DISPLAY)\n");
    return 2;
  }
  theScreen = DefaultScreen(theDisplay);
  Widget shell = XtVaAppCreateShell("report_bench", "XMclient", applicationShellWidgetClass,
                                    theDisplay, XmNwidth, 850, XmNheight, 300, nullptr);
  theMainWidget = XtVaCreateManagedWidget("MAINW", xmMainWindowWidgetClass, shell, nullptr);
  Widget form = XtVaCreateManagedWidget("FORM", xmFormWidgetClass, theMainWidget, nullptr);
  interface::createReportPane(form);
  XtRealizeWidget(shell);
  XSync(theDisplay, False);

  for (int i = 0; i < count; ++i) {
    long n = sizes[i];
    FILE* devNull = freopen("/dev/null", "w", stdout);
    if (!devNull)
      return 2;
    common::setOutputSink(nullptr);
    double start = bench::cpuSeconds();
    writeLines(n);
    common::flushOutput();
    double plain = bench::cpuSeconds() - start;

    interface::takeOutputLines();
    start = bench::cpuSeconds();
    writeLines(n);
    size_t kept = interface::reportText().size();
    XSync(theDisplay, False);
    double pane = bench::cpuSeconds() - start;
    common::setOutputSink(nullptr);
    fprintf(stderr,
            "report n=%-8ld seconds=%.3f lines/s=%.0f kept_chars=%zu peak_rss_kb=%ld "
            "(streams only: seconds=%.3f)\n",
            n, pane, n / pane, kept, bench::peakRssKb(), plain);
  }
  return 0;
}
