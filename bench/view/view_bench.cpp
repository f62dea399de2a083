// Drawing a generated layout through the core onto a surface that counts
// what it receives: fit, full redraw and the expose of a small area.
// Prints one line per operation and size: operation, n, seconds, boxes/s,
// peak RSS (kB).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dinit.h"
#include "Dview.h"
#include "LayoutGen.h"

namespace {

// Counts primitives, so that the drawing cannot be optimised away.
class CountingSurface : public view::NullSurface {
 public:
  CountingSurface() : NullSurface(800, 600) {}
  void point(int, int) override { ++count; }
  void line(int, int, int, int) override { ++count; }
  void rectangle(int, int, int, int, bool) override { ++count; }
  long count = 0;
};

template <class F>
double seconds(F&& work)
{
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(const char* what, long n, double s)
{
  printf("%-8s n=%-8ld seconds=%.4f boxes/s=%.0f peak_rss_kb=%ld\n", what, n, s, n / s,
         bench::peakRssKb());
}

}  // namespace

int main(int argc, char** argv)
{
  if (!getenv("SYSRC")) {
    fprintf(stderr, "view_bench: set SYSRC to lib/sysrc\n");
    return 2;
  }
  Silently = 1;
  init::startHeadless(false);
  long sizes[] = {10000, 100000, 1000000};
  int first = 0, last = 3;
  if (argc > 1) {
    sizes[0] = atol(argv[1]);
    last = 1;
  }
  for (int i = first; i < last; ++i) {
    long n = sizes[i];
    CountingSurface surface;
    DIvpInit(Vmain, &surface, nullptr);
    _layout* cell = bench::generateLayout(n);
    report("fit", n, seconds([] { DVfit(); }));
    report("redraw", n, seconds([] { DVredraw(nullptr, nullptr, nullptr); }));
    GCinstallVpC(Vmain, 0, 0, 20000, 15000);
    report("expose", n, seconds([] { DVrefresh(100, 100, 50, 50); }));
    Glayout = Gsymbols = Gactive = nullptr;
    GCfreeLayout(cell);
    DIvpInit(Vmain, nullptr, nullptr);
  }
  return 0;
}
