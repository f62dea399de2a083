// Start-up of the core without a display.
#include "Dinit.h"

#include <unistd.h>

#include <cstdio>

#include "CS.h"
#include "CXcapacitor.h"
#include "DEextract.h"
#include "DHhierarchy.h"
#include "DPparasitic.h"
#include "DTtechnology.h"
#include "DYyield.h"
#include "Devent.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dmenu.h"
#include "LXinductor.h"
#include "RXresistor.h"

void DIsetInit()
{
  FsetHighlight = 1;
  FsetSelected = 1;
  FsetLabels = 1;
}

namespace init {

bool readFlags(int argc, char** argv)
{
  opterr = 0;
  int option;
  while ((option = getopt(argc, argv, "bBMmcCsSoOtT")) != -1) {
    switch (option) {
      case 'b': case 'B': DebugStatus = 1; break;
      case 'c': case 'C': DcheckStatus = 1; break;
      case 'm': case 'M': XManager = 1; break;
      case 'o': case 'O': OwnMemory = 1; break;
      case 'S': Statistic = 1; break;
      case 's': Silently = 1; break;
      case 't': case 'T': Trace = 1; break;
      default:
        fprintf(stderr, "Usage: %s [-bBmMcCsSoOtT]\n", argv[0]);
        return false;
    }
  }
  return true;
}

void installHooks()
{
  extract::install();
  parasitic::install();
  capacitor::install();
  inductor::install();
  resistor::install();
  hierarchy::install();
}

void startHeadless(bool readMenus)
{
  FStartPlaybackRecord = 0;
  GCmemInit();
  DIcolorInit();
  DItechInit();
  if (readMenus)
    DImenuInit();
  DEinit();
  InitStitch();
  installHooks();
  DIsetInit();
  DYinit();
}

}  // namespace init
