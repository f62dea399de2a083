// Entry points of this subsystem that are not built yet.
#include "LXinductor.h"

#include "Dglobal.h"

int LXinductorExtract() { return common::notAvailable("LXinductorExtract"); }
