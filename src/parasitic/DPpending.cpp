// Entry points of this subsystem that are not built yet.
#include "DPparasitic.h"

#include "Dglobal.h"

int DExSelectNetGraphObj() { return common::notAvailable("f.DExSelectNetGraphObj"); }
