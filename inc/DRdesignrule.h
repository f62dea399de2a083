// DRdesignrule.h -- design rule files (src/designrule).
//
// Everything other subsystems may use of this subsystem.
#pragma once

#include <cstdio>

extern FILE* bridgein;            // stream of the layer bridge file
extern FILE* cadenceDesRuleFile;  // stream of a foreign design rule file

int ReadDesignRules(FILE* in);  // non-zero on success; leaves the stream open
int DRparseBridge();
int DRparseCadenceDesRule1();
int DRparseCadenceDesRule2();
int DRcheckDesRule();
