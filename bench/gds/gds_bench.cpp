// gds_bench: reads a GDSII file into the layout database as a load does,
// or runs the whole load chain on a GDSII or CIF file, and prints one line.
//
//   gds_bench file.gds
//     boxes  cpu-read(s)  database-MB  above-database-MB
//   (boxes of the flattened cell; CPU time, user + system, of reading and
//   installing; resident memory the database holds once read; the peak
//   resident memory of the read above that)
//
//   gds_bench --chain file.gds|file.cif
//     transistors  nets  cpu-chain(s)  peak-MB
//   (f.DIldGds or f.DIldLayout: read, flatten, planes, extraction, passive
//   devices, pins, groups, matcher netlist)
#include <stdlib.h>

#include <cstdio>
#include <string>

#include "BenchSupport.h"
#include "DEextract.h"
#include "Dgds.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dmenu.h"

namespace {

bool endsWith(const std::string& s, const std::string& tail)
{
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

int chain(FILE* report, const std::string& path)
{
  int code = endsWith(path, ".gds") ? kAcceptLoadGds : kAcceptLoadCif;
  double cpu = bench::cpuSeconds();
  callback::Outcome outcome = callback::accept(code, path.c_str());
  cpu = bench::cpuSeconds() - cpu;
  if (outcome != callback::Outcome::Done) {
    fprintf(stderr, "gds_bench: %s did not load\n", path.c_str());
    return 1;
  }
  fprintf(report, "%d %d %.3f %.1f\n", TransNum, NetsNum, cpu, bench::peakRssKb() / 1024.0);
  return 0;
}

int read(FILE* report, const std::string& path)
{
  FILE* in = fopen(path.c_str(), "rb");
  if (!in) {
    fprintf(stderr, "gds_bench: cannot open %s\n", path.c_str());
    return 1;
  }
  long before = bench::currentRssKb();
  double cpu = bench::cpuSeconds();
  {
    common::ActionScope scope;
    gds::PendingLayout layout = gds::readStream(in, path);
    if (!layout) {
      fprintf(stderr, "gds_bench: %s was refused\n", path.c_str());
      return 1;
    }
    gds::install(std::move(layout));
  }
  cpu = bench::cpuSeconds() - cpu;
  fclose(in);
  long after = bench::currentRssKb();
  long peak = bench::peakRssKb();
  {
    common::ActionScope scope;
    GCflatten();
  }
  fprintf(report, "%ld %.3f %.1f %.1f\n", Gflatten ? bench::boxesOf(Gflatten) : 0, cpu,
          (after - before) / 1024.0, (peak - after) / 1024.0);
  return 0;
}

}  // namespace

int main(int argc, char** argv)
{
  bool chainMode = argc == 3 && std::string(argv[1]) == "--chain";
  if (argc != 2 && !chainMode) {
    fprintf(stderr, "Usage: gds_bench [--chain] file\n");
    return 2;
  }
  setenv("SYSRC", QUORIN_SOURCE_DIR "/lib/sysrc", 0);
  FILE* report = bench::startQuiet();
  if (!report)
    return 1;
  int status = chainMode ? chain(report, argv[2]) : read(report, argv[1]);
  fclose(report);
  return status;
}
