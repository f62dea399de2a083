// Entry points of this subsystem that are not built yet.
#include "DHhierarchy.h"

#include "Dglobal.h"

int HierarchicalSymDetection() { return common::notAvailable("f.HierarchicalSymDetection"); }
int AttachPinsToNets() { return common::notAvailable("AttachPinsToNets"); }
int clusterTransistors() { return common::notAvailable("clusterTransistors"); }
int testClusterTransistors() { return common::notAvailable("testClusterTransistors"); }
int WriteSubpyxisNetlist() { return common::notAvailable("WriteSubpyxisNetlist"); }
