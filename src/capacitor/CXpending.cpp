// Entry points of this subsystem that are not built yet.
#include "CXcapacitor.h"

#include "Dglobal.h"

int CXcapacitorExtract() { return common::notAvailable("CXcapacitorExtract"); }
