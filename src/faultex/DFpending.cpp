// Entry points of this subsystem that are not built yet.
#include "DFfault.h"

#include "Dglobal.h"

int DFex1NetO() { return common::notAvailable("f.DFex1NetO"); }
int DFex1LayerO() { return common::notAvailable("f.DFex1LayerO"); }
int DFshowOpen() { return common::notAvailable("f.DFshowOpen"); }
int DFexLayersO() { return common::notAvailable("f.DFexLayersO"); }
void DFsortOpens(const _DopenFault*, int) {}
