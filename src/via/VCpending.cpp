// Entry points of this subsystem that are not built yet.
#include "VCvia.h"

#include "Dglobal.h"

int VCinit() { return common::notAvailable("VCinit"); }
int VCdetect() { return common::notAvailable("VCdetect"); }
