// Entry points of this subsystem that are not built yet.
#include "DFfault.h"

#include "Dglobal.h"

int DFex1LayerS() { return common::notAvailable("f.DFex1LayerS"); }
int DFex1NetS() { return common::notAvailable("f.DFex1NetS"); }
int DFshowShort() { return common::notAvailable("f.DFshowShort"); }
int DFexLayersS() { return common::notAvailable("f.DFexLayersS"); }
int DFexLayersP() { return common::notAvailable("f.DFexLayersP"); }
