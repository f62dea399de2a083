// extract_bench: loads a CIF file as the load-and-analyse action does and
// prints one line of figures.
//
//   extract_bench file.cif          extraction alone: transistors, seconds
//                                   of DExCir with DExVerifyNets and
//                                   DExOutput, transistors per second,
//                                   microseconds per net, peak RSS (MB)
//   extract_bench --chain file.cif  the whole chain: boxes, transistors,
//                                   seconds of reading, flattening,
//                                   planes, extraction and verification,
//                                   boxes per second, peak RSS (MB), and
//                                   the seconds of each step
//
// Standard output of the analyses goes to /dev/null; "circuit.net" is
// written into the current folder.  SYSRC defaults to the source tree's.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "BenchSupport.h"
#include "CS.h"
#include "DEextract.h"
#include "Dcif.h"
#include "Dglobal.h"
#include "Dinit.h"
#include "Dlayout.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start)
{
  return std::chrono::duration<double>(Clock::now() - start).count();
}



long boxesOf(const _layout* cell)
{
  long n = 0;
  for (const _symbol* s : cell->symbol)
    if (s)
      for (const _rects* r = s->rect; r; r = r->next)
        ++n;
  return n;
}

[[noreturn]] void fail(const char* what, const char* path)
{
  fprintf(stderr, "extract_bench: %s %s\n", what, path);
  exit(1);
}

}  // namespace

int main(int argc, char** argv)
{
  bool chain = argc == 3 && strcmp(argv[1], "--chain") == 0;
  if (argc != 2 && !chain) {
    fprintf(stderr, "Usage: extract_bench [--chain] file.cif\n");
    return 2;
  }
  const char* path = argv[argc - 1];
  setenv("SYSRC", QUORIN_SOURCE_DIR "/lib/sysrc", 0);
  // The figures go to the real standard output; the analyses' to /dev/null.
  FILE* report = fdopen(dup(STDOUT_FILENO), "w");
  if (!report || !freopen("/dev/null", "w", stdout))
    fail("cannot redirect standard output for", path);
  GCresetGlobals();
  Silently = 1;
  init::startHeadless(false);

  auto start = Clock::now();
  double read = 0, planes = 0, extraction = 0, beforeExtraction = 0;
  double afterRead = 0, peakPlanes = 0;
  long boxes = 0;
  double extractionMegabytes = 0;
  {
    common::ActionScope scope;
    try {
      cifin = fopen(path, "r");
      if (!cifin)
        fail("cannot open", path);
      ACinit();
      if (CIFparse() != 0)
        fail("cannot parse", path);
      GCflatten();
      if (!Gflatten)
        fail("nothing to flatten in", path);
      boxes = boxesOf(Gflatten);
      read = since(start);
      afterRead = bench::currentRssKb() / 1024.0;
      auto step = Clock::now();
      DCcrtCS();
      planes = since(step);
      beforeExtraction = bench::currentRssKb() / 1024.0;
      peakPlanes = bench::peakRssKb() / 1024.0;
      step = Clock::now();
      DExCir();
      DExVerifyNets();
      if (!chain)
        DExOutput();
      extraction = since(step);
      extractionMegabytes = bench::currentRssKb() / 1024.0 - beforeExtraction;
    } catch (const common::OperationAborted&) {
      fail("abandoned the load of", path);
    }
  }
  double total = since(start);
  fflush(stdout);
  if (chain) {
    fprintf(report,
            "%ld %d %.3f %.0f %.1f read+flatten %.3f (%.0f MB) planes %.3f (%.0f MB, peak %.0f) "
            "extraction %.3f (%.0f MB)\n",
            boxes, TransNum, total, boxes / total, bench::peakRssKb() / 1024.0, read, afterRead, planes,
            beforeExtraction - afterRead, peakPlanes, extraction, extractionMegabytes);
  } else {
    fprintf(report, "%d %d %.3f %.0f %.2f %.1f\n", TransNum, NetsNum, extraction,
            TransNum / extraction, 1e6 * extraction / (NetsNum > 0 ? NetsNum : 1), bench::peakRssKb() / 1024.0);
  }
  fclose(report);
  return 0;
}
