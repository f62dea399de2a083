// symmetry_bench: loads a layout through the load chain (extraction,
// grouping, the matcher netlist), then times one detection and prints one
// line:
//   transistors pairs-recorded axes load-seconds detection-seconds
//   transistors/s extra-RSS-MB
//   symmetry_bench direct|hier file.cif
// The detection's standard output goes to /dev/null; the hierarchical run
// works in the current folder (subckt_library, subpyxis_output, ...).
// SYSRC defaults to the source tree's.
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "BenchSupport.h"
#include "DEextract.h"
#include "DHhierarchy.h"
#include "DSsymmetry.h"
#include "Dcompact.h"
#include "Dglobal.h"
#include "Dinit.h"
#include "Dmenu.h"

namespace {
using Clock = std::chrono::steady_clock;
double since(Clock::time_point start)
{
  return std::chrono::duration<double>(Clock::now() - start).count();
}
}  // namespace

int main(int argc, char** argv)
{
  if (argc != 3 || (strcmp(argv[1], "direct") != 0 && strcmp(argv[1], "hier") != 0)) {
    fprintf(stderr, "Usage: symmetry_bench direct|hier file.cif\n");
    return 2;
  }
  const bool direct = strcmp(argv[1], "direct") == 0;
  setenv("SYSRC", QUORIN_SOURCE_DIR "/lib/sysrc", 0);
  FILE* report = bench::startQuiet();
  if (!report)
    return 1;
  auto start = Clock::now();
  if (callback::accept(kAcceptLoadCif, argv[2]) != callback::Outcome::Done) {
    fprintf(stderr, "symmetry_bench: cannot load %s\n", argv[2]);
    return 1;
  }
  const double load = since(start);
  double before = bench::currentRssKb() / 1024.0;
  start = Clock::now();
  {
    common::ActionScope scope;
    if (direct)
      DirectSymDetection();
    else
      HierarchicalSymDetection();
  }
  const double seconds = since(start);
  int pairs = 0;
  for (const _sym_constraint_list* p = final_sym_list; p; p = p->next)
    ++pairs;
  fprintf(report, "%d %d %d %.3f %.3f %.0f %.1f\n", TransNum, pairs,
          all_sym_axes ? all_sym_axes->nbr_axes : 0, load, seconds,
          TransNum / (seconds > 0 ? seconds : 1e-9), bench::currentRssKb() / 1024.0 - before);
  fclose(report);
  return 0;
}
