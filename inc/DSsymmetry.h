// DSsymmetry.h -- symmetry-check file and direct symmetry detection (src/checksym).
//
// Everything other subsystems may use of this subsystem.
#pragma once

#include <cstdio>

extern FILE* dchecksymin;  // stream that SYMparse reads

int BoundBox();
int DirectSymDetection();
int SelTrans1();
int SelTrans2();
int TransSym();
void DSrdInit();
int SYMparse();  // 0 success; closes dchecksymin
int CallSymmteryDetection();
