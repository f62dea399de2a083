// Dcif.h -- the CIF reader (src/cifc).
//
// Everything other subsystems may use of this subsystem.
#pragma once

#include <cstdio>

extern FILE* cifin;  // stream that CIFparse reads

void ACinit();
int CIFparse();  // 0 success, 1 syntax error; closes cifin
