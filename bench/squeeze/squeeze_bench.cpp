// Squeeze benchmark: a flat CIF layout (bench/gen_cif inverter arrays) is
// loaded and extracted under the example process's rules, its rows are made,
// and then the clock runs over the squeeze as the compaction line runs it:
// graph X and Y, solve X and Y (longest paths, position mode, redundant
// arcs, second solve) and the CIF output, in a scratch folder.
//
//   squeeze_bench file.cif
//   squeeze_bench --full file.cif bridge rules.tf   (a real layout and its rules)
//
// Prints one line: n boxes, arcs of both graphs, waves, seconds (wall and
// CPU) of the rows (scan and sweeps), graphs, solves and output, arcs per
// second (CPU), peak RSS.
// SYSRC must name the system source file (lib/sysrc); QUORIN_SOURCE names
// the source tree (for the example rules).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BenchSupport.h"
#include "SqueezeLoad.h"
#include "CS.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "Dcompact.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dmenu.h"
#include "SQsqueeze.h"

namespace {

double wallSince(std::chrono::steady_clock::time_point start)
{
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
  const char* source = getenv("QUORIN_SOURCE");
  const bool full = argc == 5 && strcmp(argv[1], "--full") == 0;
  if ((argc != 2 && !full) || !source) {
    fprintf(stderr, "usage: QUORIN_SOURCE=<tree> squeeze_bench file.cif\n"
                    "       QUORIN_SOURCE=<tree> squeeze_bench --full file.cif bridge rules.tf\n");
    return 2;
  }
  std::string ignored;
  if (!bench::loadForSqueeze("squeeze_bench", argv[full ? 2 : 1], source, &ignored, full,
                             full ? argv[3] : "", full ? argv[4] : ""))
    return 1;
  const long boxes = Gflatten ? bench::boxesOf(Gflatten) : 0;

  // The wells take part, as in the compaction line.
  const cs::OtherLayerPlanes otherLayers;
  _rhs_list *xRows = nullptr, *yRows = nullptr;
  const double rowsStart = bench::cpuSeconds();
  compact::makeRows(&xRows, &yRows);
  const double rowsCpu = bench::cpuSeconds() - rowsStart;
  const long rows = mps_column_num - 1;

  // The compaction of the squeeze line: no resizing, symmetry or passives.
  PROCESS_INCLUDE_RESIZING = PROCESS_INCLUDE_SYMMETRY = 0;
  PROCESS_INCLUDE_PASSIVE = PROCESS_INCLUDE_INDUCTOR = 0;
  common::ActionScope scope;
  long arcs = 0;
  double graphCpu = 0, solveCpu = 0, outputCpu = 0;
  auto start = std::chrono::steady_clock::now();
  try {
    double t0 = bench::cpuSeconds();
    SQmain_graph(equat_bucket, xRows, LEFT_RIGHT);
    arcs += SQarc_size;
    SQmain_graph(equat_bucket_y, yRows, TOP_BOTTOM);
    arcs += SQarc_size;
    double t1 = bench::cpuSeconds();
    SQmain_solve(equat_bucket, xRows, LEFT_RIGHT);
    SQmain_solve(equat_bucket_y, yRows, TOP_BOTTOM);
    double t2 = bench::cpuSeconds();
    SQmain_output(2);
    double t3 = bench::cpuSeconds();
    graphCpu = t1 - t0;
    solveCpu = t2 - t1;
    outputCpu = t3 - t2;
  } catch (const common::OperationAborted&) {
    common::captureOutput(nullptr, nullptr);
    fprintf(stderr, "squeeze_bench: the compaction was abandoned\n%s", ignored.c_str());
    return 1;
  }
  const double seconds = wallSince(start);
  common::captureOutput(nullptr, nullptr);
  const double cpu = graphCpu + solveCpu + outputCpu;
  printf("n %ld  rows %ld  arcs %ld  waves %ld  seconds %.3f (cpu %.3f: rows %.2f graphs %.2f "
         "solves %.2f output %.2f)  arcs/s %.0f  peak RSS %.1f MB  wlm: moves %ld shears %ld arcs "
         "filed %ld\n",
         boxes, rows, arcs, squeeze::stats().waves, seconds, cpu, rowsCpu, graphCpu, solveCpu,
         outputCpu,
         arcs / (cpu > 0 ? cpu : 1e-9), bench::peakRssKb() / 1024.0, squeeze::stats().wlmMoves,
         squeeze::stats().wlmShears, squeeze::stats().wlmFiled);
  compact::freeRows(xRows);
  compact::freeRows(yRows);
  compact::freeStaff();
  return 0;
}
