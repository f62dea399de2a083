// Hierarchy actions that are not built yet.
#include "Dglobal.h"
#include "Dlayout.h"

int GCflatten() { return common::notAvailable("f.GCflatten"); }
int GCunflatten() { return common::notAvailable("f.GCunflatten"); }
int GCactivateH() { return common::notAvailable("f.GCactivateH"); }
int GCactivateS() { return common::notAvailable("f.GCactivateS"); }
int GCfreeH() { return common::notAvailable("f.GCfreeH"); }
int GCfreeS() { return common::notAvailable("f.GCfreeS"); }
int GCsmash() { return 0; }
int GCdump() { return common::notAvailable("f.GCdump"); }
