// fault_bench: loads a CIF file, extracts its circuit and times the fault
// and yield runs on it, one line each:
//
//   <run> <nets> <seconds> <nets/s> <peak-RSS-MB>
//
// for the runs "bridges" (f.DFexLayersS), "pinholes" (f.DFexLayersP),
// "opens" (f.DFexLayersO) at a defect size of two grid steps, and "sweep"
// (f.DYanaShort on metal 1 from one to ten grid steps, ten sizes).  A run
// that is not built yet prints "<run> not available"; one that is
// abandoned prints "<run> abandoned".  The fault files are written into the
// current folder; the analyses' own output goes to /dev/null.  SYSRC
// defaults to the source tree's.
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "BenchSupport.h"
#include "CS.h"
#include "DEextract.h"
#include "DFfault.h"
#include "DTtechnology.h"
#include "DYyield.h"
#include "Dcif.h"
#include "Dglobal.h"
#include "Dinit.h"
#include "Dlayout.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDefectScale = 20;    // tenths of a grid step: two steps
constexpr int kSweepSizes = 10;     // grid steps 1 .. 10
constexpr char kSweepLayer[] = "CMF";

// Notes that an entry point is still a placeholder.
class BenchFrontEnd : public common::FrontEnd {
 public:
  void showMessage(char, const std::string& line) override
  {
    if (line.find("not available") != std::string::npos)
      missing = true;
  }
  bool missing = false;
};

[[noreturn]] void fail(const char* what, const char* path)
{
  fprintf(stderr, "fault_bench: %s %s\n", what, path);
  exit(1);
}

void load(const char* path)
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
    DCcrtCS();
    DExCir();
    DExCirPassive();
  } catch (const common::OperationAborted&) {
    fail("abandoned the load of", path);
  }
}

void prepareSweep()
{
  theMinDefectSize = theGlobalScale;
  theStep = theGlobalScale;
  theMaxDefectSize = kSweepSizes * theGlobalScale;
  for (int i = 0; i < GlayerNum; ++i)
    Glayers[i].active = strcmp(Glayers[i].name, kSweepLayer) == 0;
}

void timeRun(FILE* report, BenchFrontEnd& ui, const char* name, int (*run)())
{
  theDefectScale = kDefectScale;
  ui.missing = false;
  auto start = Clock::now();
  bool abandoned = false;
  {
    common::ActionScope scope;
    try {
      run();
    } catch (const common::OperationAborted&) {
      abandoned = true;
    }
  }
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  fflush(stdout);
  if (ui.missing)
    fprintf(report, "%s not available\n", name);
  else if (abandoned)
    fprintf(report, "%s abandoned\n", name);
  else
    fprintf(report, "%s %d %.3f %.0f %.1f\n", name, NetsNum, seconds,
            NetsNum / (seconds > 0 ? seconds : 1e-9), bench::peakRssKb() / 1024.0);
  fflush(report);
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2) {
    fprintf(stderr, "Usage: fault_bench file.cif\n");
    return 2;
  }
  const char* path = argv[1];
  setenv("SYSRC", QUORIN_SOURCE_DIR "/lib/sysrc", 0);
  FILE* report = bench::startQuiet();
  if (!report)
    fail("cannot redirect standard output for", path);
  BenchFrontEnd ui;
  common::setFrontEnd(&ui);
  load(path);

  timeRun(report, ui, "bridges", DFexLayersS);
  timeRun(report, ui, "pinholes", DFexLayersP);
  timeRun(report, ui, "opens", DFexLayersO);
  prepareSweep();
  timeRun(report, ui, "sweep", DYanaShort);
  common::setFrontEnd(nullptr);
  fclose(report);
  return 0;
}
