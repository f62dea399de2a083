// Start-up of the core without a display.
#include "Dinit.h"

#include <unistd.h>

#include <cstdio>

#include "CS.h"
#include "CXcapacitor.h"
#include "DEextract.h"
#include "DFfault.h"
#include "DHhierarchy.h"
#include "DSsymmetry.h"
#include "DPparasitic.h"
#include "DTtechnology.h"
#include "Dcif.h"
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

namespace {
bool fullCifFlag = false;  // -f: read CIF in full mode
}  // namespace

bool readFlags(int argc, char** argv)
{
  opterr = 0;
  fullCifFlag = false;
  int option;
  while ((option = getopt(argc, argv, "bBMmcCsSoOtTf")) != -1) {
    switch (option) {
      case 'b': case 'B': DebugStatus = 1; break;
      case 'c': case 'C': DcheckStatus = 1; break;
      case 'm': case 'M': XManager = 1; break;
      case 'o': case 'O': OwnMemory = 1; break;
      case 'S': Statistic = 1; break;
      case 's': Silently = 1; break;
      case 't': case 'T': Trace = 1; break;
      case 'f': fullCifFlag = true; break;
      default:
        fprintf(stderr, "Usage: %s [-bBmMcCsSoOtTf]\n", argv[0]);
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
  checksym::install();
  faultex::install();
}

void applyCifMode() { ACinitMode(fullCifFlag); }

void startHeadless(bool readMenus)
{
  FStartPlaybackRecord = 0;
  GCmemInit();
  DIcolorInit();
  DItechInit();
  applyCifMode();
  common::readProcessSettings();
  if (readMenus)
    DImenuInit();
  DEinit();
  InitStitch();
  installHooks();
  DIsetInit();
  DYinit();
}

}  // namespace init
