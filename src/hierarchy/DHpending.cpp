// Entry points of this subsystem that are not built yet.
#include "DHhierarchy.h"

#include "Dglobal.h"

int HierarchicalSymDetection() { return common::notAvailable("f.HierarchicalSymDetection"); }
