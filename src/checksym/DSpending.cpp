// Entry points of this subsystem that are not built yet.
#include "DSsymmetry.h"

#include "Dglobal.h"

int BoundBox() { return common::notAvailable("f.BoundBox"); }
int DirectSymDetection() { return common::notAvailable("f.DirectSymDetection"); }
int SelTrans1() { return common::notAvailable("f.SelTrans1"); }
int SelTrans2() { return common::notAvailable("f.SelTrans2"); }
int TransSym() { return common::notAvailable("f.TransSym"); }
int CallSymmteryDetection() { return common::notAvailable("CallSymmteryDetection"); }
