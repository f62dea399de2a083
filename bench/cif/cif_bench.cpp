// cif_bench: reads a CIF file and flattens it as a load does, and prints one
// line: boxes of the flattened cell, wall-clock seconds, boxes per second,
// peak RSS in MB, bytes per box (peak RSS above the RSS before reading,
// divided by the boxes), CPU seconds (user + system) of reading and
// flattening, and the CPU seconds of the reading alone.
//
//   cif_bench [-o] [-f] file.cif   (-o: the pooled allocator, as quorin -o;
//                                   -f: read in full CIF mode, as quorin -f)
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "BenchSupport.h"
#include "Dcif.h"
#include "Dglobal.h"
#include "Dinit.h"
#include "Dlayout.h"

int main(int argc, char** argv)
{
  bool pooled = false, full = false;
  int first = 1;
  for (; first < argc - 1; ++first) {
    std::string option = argv[first];
    if (option == "-o")
      pooled = true;
    else if (option == "-f")
      full = true;
    else
      break;
  }
  if (argc < 2 || first != argc - 1) {
    fprintf(stderr, "Usage: cif_bench [-o] [-f] file.cif\n");
    return 2;
  }
  const char* path = argv[argc - 1];
  setenv("SYSRC", QUORIN_SOURCE_DIR "/lib/sysrc", 0);
  GCresetGlobals();
  OwnMemory = pooled ? 1 : 0;
  Silently = 1;
  std::string out, err;
  common::captureOutput(&out, &err);
  init::startHeadless(false);
  ACcifMode = full ? CifMode::Full : CifMode::Strict;
  long before = bench::currentRssKb() * 1024L;

  double cpuStart = bench::cpuSeconds();
  double cpuRead = 0;
  auto start = std::chrono::steady_clock::now();
  cifin = fopen(path, "r");
  if (!cifin) {
    common::captureOutput(nullptr, nullptr);
    fprintf(stderr, "cif_bench: cannot open %s\n", path);
    return 1;
  }
  int status;
  {
    common::ActionScope scope;
    try {
      ACinit();
      status = CIFparse();
      cpuRead = bench::cpuSeconds() - cpuStart;
      if (status == 0)
        GCflatten();
    } catch (const common::OperationAborted&) {
      status = 2;
    }
  }
  auto stop = std::chrono::steady_clock::now();
  double cpu = bench::cpuSeconds() - cpuStart;
  common::captureOutput(nullptr, nullptr);
  if (status != 0 || !Gflatten) {
    fprintf(stderr, "cif_bench: %s did not load:\n%s", path, err.c_str());
    return 1;
  }
  double seconds = std::chrono::duration<double>(stop - start).count();
  long boxes = bench::boxesOf(Gflatten);
  long peak = bench::peakRssKb() * 1024L;
  printf("%ld %.3f %.0f %.1f %.1f %.3f %.3f\n", boxes, seconds, boxes / seconds,
         peak / 1048576.0, double(peak - before) / boxes, cpu, cpuRead);
  return 0;
}
