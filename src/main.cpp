// quorin: the interactive workbench.
#include <cstdio>

#include "Dglobal.h"
#include "Dinit.h"

int main(int argc, char** argv)
{
  GCresetGlobals();
  if (!init::readFlags(argc, argv))
    return 0;
  init::startHeadless(true);
  fprintf(stderr, "%s: the Motif window is not built yet; use quorin-batch.\n", argv[0]);
  return 2;
}
