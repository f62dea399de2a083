// Squeeze run for comparisons between builds: a CIF layout is loaded under
// the example process's rules and compacted end to end as "squeeze" of
// quorin-batch does it, in one position mode, into "sq_out.cif" and
// "sq_out.comment" of the current folder; the workbench's printing of the
// run goes to standard output (to be compared as well).
//
//   squeeze_run file.cif mode [passives]      (mode 1 min, 2 max, 3 mean, 4 wire length)
//
// SYSRC must name the system source file (lib/sysrc); QUORIN_SOURCE names
// the source tree (for the example rules).  bench/squeeze/identity.sh runs
// it from two builds over the examples and generated layouts.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BenchSupport.h"
#include "SqueezeLoad.h"
#include "Dglobal.h"
#include "SQsqueeze.h"

int main(int argc, char** argv)
{
  const char* source = getenv("QUORIN_SOURCE");
  const bool passives = argc == 4 && strcmp(argv[3], "passives") == 0;
  const int mode = argc >= 3 ? atoi(argv[2]) : 0;
  if ((argc != 3 && !passives) || mode < 1 || mode > 4 || !source) {
    fprintf(stderr, "usage: QUORIN_SOURCE=<tree> squeeze_run file.cif mode [passives]\n");
    return 2;
  }
  std::string printed;
  if (!bench::loadForSqueeze("squeeze_run", argv[1], source, &printed))
    return 1;
  printed.clear();
  PROCESS_INCLUDE_WLM = mode;
  int status = 0;
  {
    common::ActionScope scope;
    try {
      status = squeeze::compactLayout(passives);
    } catch (const common::OperationAborted&) {
      status = 3;
    }
  }
  common::captureOutput(nullptr, nullptr);
  fputs(printed.c_str(), stdout);
  printf("\nsqueeze_run: status %d\n", status);
  return 0;
}
