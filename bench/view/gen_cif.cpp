// Writes the generated benchmark layout as CIF: gen_cif <boxes> > file.cif
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Dglobal.h"
#include "Dinit.h"
#include "LayoutGen.h"

int main(int argc, char** argv)
{
  if (argc != 2 || !getenv("SYSRC")) {
    fprintf(stderr, "usage: SYSRC=lib/sysrc gen_cif <boxes> > layout.cif\n");
    return 2;
  }
  Silently = 1;
  std::string startOut, startErr;  // what start-up prints stays out of the CIF
  common::captureOutput(&startOut, &startErr);
  init::startHeadless(false);
  common::captureOutput(nullptr, nullptr);
  bench::writeCif(atol(argv[1]), stdout);
  return 0;
}
