// Entry points of this subsystem that are not built yet.
#include "SBsubstrate.h"

#include "Dglobal.h"

int SBmain() { return common::notAvailable("f.SBmain"); }
