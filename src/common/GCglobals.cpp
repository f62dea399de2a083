// Run flags and process settings with their start values.
#include "Dglobal.h"

unsigned char DebugStatus = 0;
unsigned char DcheckStatus = 0;
unsigned char XManager = 0;
short OwnMemory = 0;
short Statistic = 0;
short Trace = 0;
short Silently = 0;
unsigned char XSyncValue = 0;

int FsetHighlight = 1;
int FsetSelected = 1;
int FsetLabels = 1;
unsigned char FStartPlaybackRecord = 0;

int PROCESS_OPTION = 1;
int COMPACT_ALGORITHM = 1;
int PROCESS_INCLUDE_SYMMETRY = 1;
int PROCESS_INCLUDE_PASSIVE = 1;
int PROCESS_INCLUDE_INDUCTOR = 1;
int PROCESS_INCLUDE_RESIZING = 5;
int PROCESS_INCLUDE_WLM = 4;
int PROCESS_INCLUDE_TRANSISTOR_PARASITIC = 0;
int VIA_CONTACT_REMOVAL = 0;
double VIA_NUM_REDUCE_RATIO = 0.5;
double RESIZING_FACTOR = 1.0;
int TRANSISTOR_SIZE_CHECK = 0;
int TIME_REPORT = 1;

void GCresetGlobals()
{
  DebugStatus = DcheckStatus = XManager = XSyncValue = 0;
  OwnMemory = Statistic = Trace = Silently = 0;
  FsetHighlight = FsetSelected = FsetLabels = 1;
  FStartPlaybackRecord = 0;
  PROCESS_OPTION = 1;
  COMPACT_ALGORITHM = 1;
  PROCESS_INCLUDE_SYMMETRY = 1;
  PROCESS_INCLUDE_PASSIVE = 1;
  PROCESS_INCLUDE_INDUCTOR = 1;
  PROCESS_INCLUDE_RESIZING = 5;
  PROCESS_INCLUDE_WLM = 4;
  PROCESS_INCLUDE_TRANSISTOR_PARASITIC = 0;
  VIA_CONTACT_REMOVAL = 0;
  VIA_NUM_REDUCE_RATIO = 0.5;
  RESIZING_FACTOR = 1.0;
  TRANSISTOR_SIZE_CHECK = 0;
  TIME_REPORT = 1;
  common::forgetProcessSettings();
}
