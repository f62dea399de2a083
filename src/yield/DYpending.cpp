// Entry points of this subsystem that are not built yet.
#include "DYyield.h"

#include "Dglobal.h"

int DYcritCompS() { return common::notAvailable("f.DYcritCompS"); }
int DYcritCompO() { return common::notAvailable("f.DYcritCompO"); }
int DYdx() { return common::notAvailable("f.DYdx"); }
int DYCarea() { return common::notAvailable("f.DYCarea"); }
int DYpof() { return common::notAvailable("f.DYpof"); }
int DYanaShort() { return common::notAvailable("f.DYanaShort"); }
int DYanaOpen() { return common::notAvailable("f.DYanaOpen"); }
int DYyx() { return common::notAvailable("f.DYyx"); }
