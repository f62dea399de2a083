// Start values of the yield analysis.
#include "DYyield.h"

_FdataRange Fdensity = {100.0f, 2000.0f, 100.0f};

void DYinit() { Fdensity = {100.0f, 2000.0f, 100.0f}; }
