// hierarchy_bench: loads and extracts a CIF file, gives the nets their
// connection lists as the re-extraction does, then times the hierarchy
// steps of the load chain and prints one line:
//   transistors groups seconds transistors/s extra-RSS-MB, then the pins
//   and the seconds of each step
// Standard output of the steps goes to /dev/null; "netlist_subpyxis" is
// written into the current folder.  SYSRC defaults to the source tree's.
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "BenchSupport.h"
#include "CS.h"
#include "DEextract.h"
#include "DHhierarchy.h"
#include "DTtechnology.h"
#include "Dcif.h"
#include "Dglobal.h"
#include "Dinit.h"
#include "Dlayout.h"

namespace {

using Clock = std::chrono::steady_clock;

void appendTo(long node, _Dtransistor* t)
{
  if (node <= 0)
    return;
  char name[32];
  snprintf(name, sizeof name, "n%ld", node);
  _DListNet* found = FindNetPosinHash(name);
  if (!found)
    return;
  if (!found->net->connElemList)
    found->net->connElemList = new List<_Conn_Elem>;
  found->net->connElemList->append(_Conn_Elem{elemTRAN, t});
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2) {
    fprintf(stderr, "Usage: hierarchy_bench file.cif\n");
    return 2;
  }
  setenv("SYSRC", QUORIN_SOURCE_DIR "/lib/sysrc", 0);
  FILE* report = bench::startQuiet();
  if (!report)
    return 1;
  common::ActionScope scope;
  cifin = fopen(argv[1], "r");
  if (!cifin || (ACinit(), CIFparse()) != 0) {
    fprintf(stderr, "hierarchy_bench: cannot read %s\n", argv[1]);
    return 1;
  }
  GCflatten();
  DCcrtCS();
  DExCir();
  for (_Dnet* n = Nets; n; n = n->next)
    InsertNetToHash(n->name, n);
  for (int e = 0; e < DelementNum; ++e)
    for (_Dtransistor* t = Transistors[e]; t; t = t->next) {
      appendTo(t->gate, t);
      appendTo(t->source, t);
      appendTo(t->drain, t);
    }
  double before = bench::currentRssKb() / 1024.0;
  auto start = Clock::now();
  double steps[4];
  auto lap = [&, last = start](int i) mutable {
    auto now = Clock::now();
    steps[i] = std::chrono::duration<double>(now - last).count();
    last = now;
  };
  AttachPinsToNets();
  lap(0);
  clusterTransistors();
  lap(1);
  testClusterTransistors();
  lap(2);
  WriteSubpyxisNetlist();
  lap(3);
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  double megabytes = bench::currentRssKb() / 1024.0 - before;
  int pins = 0;
  for (const _pin* p = Gpin; p; p = p->next)
    ++pins;
  fprintf(report, "%d %zu %.3f %.0f %.1f pins %d: %.3f groups %.3f listing %.3f netlist %.3f\n",
          TransNum, MFTList ? MFTList->size() : 0, seconds,
          TransNum / (seconds > 0 ? seconds : 1e-9), megabytes, pins, steps[0], steps[1], steps[2],
          steps[3]);
  fclose(report);
  return 0;
}
