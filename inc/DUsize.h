// DUsize.h -- transistor size file and resizing (src/updatesize).
//
// Everything other subsystems may use of this subsystem.
#pragma once

#include <cstdio>

extern FILE* transSizeFile;  // stream of the transistor size file
extern int textualDeviceSizeInput;

int USupdateparameter();
int UStransSizeParse();
