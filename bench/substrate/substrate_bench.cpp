// substrate_bench: loads a CIF file through the load-and-analyse action
// (planes, extraction, passive devices, pins, groups), then runs the steps
// of the substrate report and prints one line:
//   groups strips load-seconds substrate-seconds groups/s peak-RSS-MB
//   | the seconds of the bulk search, the relation, measuring and the report
// Standard output of the program goes to /dev/null; "sb_report.out" and
// "netlist_subpyxis" are written into the current folder.
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "BenchSupport.h"
#include "DHhierarchy.h"
#include "Dglobal.h"
#include "Dinit.h"
#include "Dmenu.h"
#include "SBsubstrate.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start)
{
  return std::chrono::duration<double>(Clock::now() - start).count();
}

int countStrips()
{
  int n = 0;
  for (const SBbulk_item* b = SBbulk_list; b; b = b->next)
    ++n;
  return n;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2) {
    fprintf(stderr, "Usage: substrate_bench file.cif\n");
    return 2;
  }
  setenv("SYSRC", QUORIN_SOURCE_DIR "/lib/sysrc", 0);
  FILE* report = bench::startQuiet();
  if (!report)
    return 1;

  auto start = Clock::now();
  if (callback::accept(12, argv[1]) != callback::Outcome::Done) {
    fprintf(stderr, "substrate_bench: cannot load %s\n", argv[1]);
    return 1;
  }
  double load = since(start);
  int groups = MFTList ? static_cast<int>(MFTList->size()) : 0;

  double steps[4];
  int strips = 0;
  start = Clock::now();
  {
    common::ActionScope scope;
    auto lap = [&, last = start](int i) mutable {
      steps[i] = since(last);
      last = Clock::now();
    };
    SBinit();
    SBsearch_bulk();
    lap(0);
    strips = countStrips();
    SBrelate_tranbulk();
    lap(1);
    SBmeasure();
    lap(2);
    SBreport();
    SBclear();
    lap(3);
  }
  double total = since(start);
  fflush(stdout);
  fprintf(report, "%d %d %.3f %.3f %.0f %.1f | search %.3f relate %.3f measure %.3f report %.3f\n",
          groups, strips, load, total, groups / total, bench::peakRssKb() / 1024.0, steps[0],
          steps[1], steps[2], steps[3]);
  fclose(report);
  return 0;
}
