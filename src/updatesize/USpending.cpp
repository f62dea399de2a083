// Entry points of this subsystem that are not built yet.
#include "DUsize.h"

#include "Dglobal.h"

int USupdateparameter() { return common::notAvailable("f.USupdateparameter"); }
