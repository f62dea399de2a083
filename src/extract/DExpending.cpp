// Entry points of this subsystem that are not built yet.
#include "DEextract.h"

#include "Dglobal.h"

int DExCir() { return common::notAvailable("f.DExCir"); }
int DExOutput() { return common::notAvailable("f.DExOutput"); }
int DExShowObj() { return common::notAvailable("f.DExShowObj"); }
int DExShowATran() { return common::notAvailable("f.DExShowATran"); }
int DExShowANet() { return common::notAvailable("f.DExShowANet"); }
int DExSelectNetTileObj() { return common::notAvailable("f.DExSelectNetTileObj"); }
int DExVerifyNets() { return common::notAvailable("DExVerifyNets"); }
int DExCirPassive() { return common::notAvailable("DExCirPassive"); }
int DExDefIO(char*) { return common::notAvailable("f.DExDefIO"); }
int DExNameNet(char*) { return common::notAvailable("f.DExNameNet"); }
int DExSearchNet(long) { return common::notAvailable("DExSearchNet"); }
