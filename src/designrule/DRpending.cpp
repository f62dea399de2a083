// Entry points of this subsystem that are not built yet.
#include "DRdesignrule.h"

#include "Dglobal.h"

FILE* bridgein = nullptr;
FILE* cadenceDesRuleFile = nullptr;

int ReadDesignRules(FILE*) { common::notAvailable("ReadDesignRules"); return 0; }
int DRparseBridge() { return common::notAvailable("DRparseBridge"); }
int DRparseCadenceDesRule1() { common::notAvailable("DRparseCadenceDesRule1"); return 0; }
int DRparseCadenceDesRule2() { common::notAvailable("DRparseCadenceDesRule2"); return 0; }
int DRcheckDesRule() { return common::notAvailable("DRcheckDesRule"); }
