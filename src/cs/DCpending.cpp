// Entry points of this subsystem that are not built yet.
#include "CS.h"

#include "Dglobal.h"

_Dtile* CurrentStitch = nullptr;
_Dtile* NamedLayerTile(const char*) { return nullptr; }

void InitStitch() {}
int DCcrtCS() { return common::notAvailable("f.DCcrtCS"); }
int GCfreeCS() { return common::notAvailable("f.GCfreeCS"); }
int GCactivateCS() { return common::notAvailable("f.GCactivateCS"); }
int DCtile() { return common::notAvailable("f.DCtile"); }
int DCupper() { return common::notAvailable("f.DCupper"); }
int DClower() { return common::notAvailable("f.DClower"); }
int DCright() { return common::notAvailable("f.DCright"); }
int DCleft() { return common::notAvailable("f.DCleft"); }
int DCneighbors() { return common::notAvailable("f.DCneighbors"); }
int CheckAll() { return common::notAvailable("f.CheckAll"); }
int CheckAllNode() { return common::notAvailable("f.CheckAllNode"); }
