// extract_bench: loads a CIF file as the load-and-analyse action does and
// prints its figures.
//
//   extract_bench file.cif          extraction alone: transistors, nets,
//                                   seconds of DExCir with DExVerifyNets and
//                                   DExOutput, transistors per second,
//                                   microseconds per net, peak RSS (MB)
//   extract_bench --chain [--steps] file.cif
//                                   the whole load chain with the passive
//                                   devices and the multi-finger groups
//                                   switched on.  One line: boxes,
//                                   transistors, total seconds, boxes per
//                                   second, peak RSS (MB), processor seconds
//                                   (all threads), then "|" and per step
//                                   "<step> <s> s <+MB> MB peak <MB>", and
//                                   last "| passive steps <s> s <+MB> MB cpu
//                                   <s> s": the steps after the first net
//                                   check together.  With --steps the line
//                                   keeps only the first six figures and the
//                                   passive summary, and each step follows
//                                   on a line of its own: "  <step> <s> s
//                                   <+MB> MB peak <MB> MB cpu <s> s <work>
//                                   <unit> <work per processor second> /s",
//                                   where the work is the boxes read, the
//                                   tiles created in the planes, the
//                                   transistors or the nets.
//
// A step's MB is the change of resident memory over it (negative when it
// frees more than it takes); its peak is the process's peak RSS when it ends.
// Standard output of the analyses goes to /dev/null; "circuit.net",
// "netlist_subpyxis" and the other outputs are written into the current
// folder.  SYSRC defaults to the source tree's.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "CS.h"
#include "CXcapacitor.h"
#include "DEextract.h"
#include "DHhierarchy.h"
#include "DUsize.h"
#include "Dcif.h"
#include "Dglobal.h"
#include "Dinit.h"
#include "Dlayout.h"
#include "LXinductor.h"
#include "RXresistor.h"
#include "VCvia.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start)
{
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double residentMb() { return bench::currentRssKb() / 1024.0; }
double peakMb() { return bench::peakRssKb() / 1024.0; }

[[noreturn]] void fail(const char* what, const char* path)
{
  fprintf(stderr, "extract_bench: %s %s\n", what, path);
  exit(1);
}

struct StepFigures {
  const char* name;
  double seconds;
  double addedMb;  // change of resident memory over the step
  double peakMb;   // peak resident memory when the step ends
  double cpu = 0;  // processor seconds (user and system) of the step
  long work = 0;   // what the step handled, counted in `unit`
  const char* unit = "";
};

// Tiles created in the layer planes (material and element tiles; the
// records count them as they are made, so counting costs nothing).
long tilesOfPlanes()
{
  long n = 0;
  for (int i = 0; i < DlayerNum; ++i)
    n += DlayerTile[i].stilenum;
  return n;
}

// Runs the steps of the chain one by one and keeps their figures.
class StepRecorder {
 public:
  // Runs one step; `work` counts what it handled (in `unit`) once it is done.
  template <class Body, class Work>
  void run(const char* name, Body&& body, const char* unit, Work&& work)
  {
    current_ = name;
    double before = residentMb();
    double cpu = bench::cpuSeconds();
    auto start = Clock::now();
    body();
    double seconds = since(start);
    cpu = bench::cpuSeconds() - cpu;
    double added = residentMb() - before;
    auto counting = Clock::now();
    double countingCpu = bench::cpuSeconds();
    steps_.push_back({name, seconds, added, peakMb(), cpu, work(), unit});
    counting_ += since(counting);
    countingCpu_ += bench::cpuSeconds() - countingCpu;
  }
  // Seconds and processor seconds spent counting the steps' work, to leave
  // out of the totals.
  double counting() const { return counting_; }
  double countingCpu() const { return countingCpu_; }
  // Everything recorded from now on counts as a passive step.
  void startPassive() { passiveFrom_ = steps_.size(); }
  const char* current() const { return current_; }
  const std::vector<StepFigures>& steps() const { return steps_; }
  StepFigures passive() const
  {
    StepFigures sum{"passive steps", 0, 0, 0};
    for (size_t i = passiveFrom_; i < steps_.size(); ++i) {
      sum.seconds += steps_[i].seconds;
      sum.addedMb += steps_[i].addedMb;
      sum.cpu += steps_[i].cpu;
    }
    return sum;
  }

 private:
  std::vector<StepFigures> steps_;
  size_t passiveFrom_ = 0;
  double counting_ = 0;
  double countingCpu_ = 0;
  const char* current_ = "start";
};

// The load chain of the load-and-analyse action, step by step.
long runChain(const char* path, StepRecorder& r)
{
  long boxes = 0;
  auto transistors = [] { return long{TransNum}; };
  auto nets = [] { return long{NetsNum}; };
  r.run(
      "read+flatten",
      [&] {
        cifin = fopen(path, "r");
        if (!cifin)
          fail("cannot open", path);
        GCfreeCS();
        ACinit();
        if (CIFparse() != 0)
          fail("cannot parse", path);
        GCflatten();
        GCsmash();
        if (!Gflatten)
          fail("nothing to flatten in", path);
        boxes = bench::boxesOf(Gflatten);
      },
      "boxes", [&] { return boxes; });
  long tiles = 0;
  auto planeTiles = [&] { return tiles; };
  r.run("planes", [] { DCcrtCS(); }, "tiles", [&] { return tiles = tilesOfPlanes(); });
  if (VIA_CONTACT_REMOVAL > 0)
    r.run(
        "vias",
        [] {
          VCinit();
          VCdetect();
        },
        "tiles", [&] { return tiles = tilesOfPlanes(); });
  r.run(
      "extraction",
      [] {
        DExCir();
        DExVerifyNets();
      },
      "transistors", transistors);
  r.startPassive();
  if (PROCESS_INCLUDE_PASSIVE)
    r.run("CXcapacitorExtract", [] { CXcapacitorExtract(); }, "tiles", planeTiles);
  if (PROCESS_INCLUDE_INDUCTOR)
    r.run("LXinductorExtract", [] { LXinductorExtract(); }, "tiles", planeTiles);
  if (PROCESS_INCLUDE_PASSIVE)
    r.run("RXresistorExtract", [] { RXresistorExtract(); }, "tiles", planeTiles);
  textualDeviceSizeInput = 0;
  r.run("DExCirPassive", [] { DExCirPassive(); }, "nets", nets);
  r.run("AttachPinsToNets", [] { AttachPinsToNets(); }, "nets", nets);
  r.run("DExVerifyNets", [] { DExVerifyNets(); }, "nets", nets);
  r.run("clusterTransistors", [] { clusterTransistors(); }, "transistors", transistors);
  r.run("testClusterTransistors", [] { testClusterTransistors(); }, "transistors", transistors);
  r.run("WriteSubpyxisNetlist", [] { WriteSubpyxisNetlist(); }, "transistors", transistors);
  return boxes;
}

void printChain(FILE* out, long boxes, double total, double cpu, const StepRecorder& r,
                bool stepLines)
{
  fprintf(out, "%ld %d %.3f %.0f %.1f %.3f", boxes, TransNum, total, boxes / total, peakMb(), cpu);
  if (!stepLines)
    for (const StepFigures& s : r.steps())
      fprintf(out, " | %s %.3f s %+.1f MB peak %.0f", s.name, s.seconds, s.addedMb, s.peakMb);
  StepFigures passive = r.passive();
  fprintf(out, " | passive steps %.3f s %+.1f MB cpu %.3f s\n", passive.seconds, passive.addedMb,
          passive.cpu);
  if (stepLines)
    fprintf(out, "  tile planes: %.1f MB held, %lld side records\n",
            cs::memoryInUse() / 1048576.0, cs::sideRecordsInUse());
  if (stepLines)
    for (const StepFigures& s : r.steps()) {
      fprintf(out, "  %-24s %9.3f s %+9.1f MB  peak %8.1f MB  cpu %7.3f s  %10ld %-11s", s.name,
              s.seconds, s.addedMb, s.peakMb, s.cpu, s.work, s.unit);
      // Below a few clock ticks the rate says nothing.
      if (s.cpu >= 0.005)
        fprintf(out, " %12.0f /s\n", s.work / s.cpu);
      else
        fprintf(out, " %12s /s\n", "-");
    }
}

}  // namespace

int main(int argc, char** argv)
{
  bool chain = argc >= 3 && strcmp(argv[1], "--chain") == 0;
  bool stepLines = chain && argc == 4 && strcmp(argv[2], "--steps") == 0;
  if (argc != 2 && !(chain && (argc == 3 || stepLines))) {
    fprintf(stderr, "Usage: extract_bench [--chain [--steps]] file.cif\n");
    return 2;
  }
  const char* path = argv[argc - 1];
  setenv("SYSRC", QUORIN_SOURCE_DIR "/lib/sysrc", 0);
  // The figures go to the real standard output; the analyses' to /dev/null.
  FILE* report = bench::startQuiet();
  if (!report)
    fail("cannot redirect standard output for", path);
  PROCESS_INCLUDE_PASSIVE = 1;
  PROCESS_INCLUDE_INDUCTOR = 1;

  if (chain) {
    StepRecorder recorder;
    double cpu = bench::cpuSeconds();
    auto start = Clock::now();
    long boxes = 0;
    {
      common::ActionScope scope;
      try {
        boxes = runChain(path, recorder);
      } catch (const common::OperationAborted&) {
        fprintf(stderr, "extract_bench: %s abandoned the load of %s\n", recorder.current(), path);
        return 1;
      }
    }
    double total = since(start) - recorder.counting();
    cpu = bench::cpuSeconds() - cpu - recorder.countingCpu();
    fflush(stdout);
    printChain(report, boxes, total, cpu, recorder, stepLines);
    fclose(report);
    return 0;
  }

  double extraction = 0;
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
      auto step = Clock::now();
      DExCir();
      DExVerifyNets();
      DExOutput();
      extraction = since(step);
    } catch (const common::OperationAborted&) {
      fail("abandoned the load of", path);
    }
  }
  fflush(stdout);
  fprintf(report, "%d %d %.3f %.0f %.2f %.1f\n", TransNum, NetsNum, extraction, TransNum / extraction,
          1e6 * extraction / (NetsNum > 0 ? NetsNum : 1), peakMb());
  fclose(report);
  return 0;
}
