// DYyield.h -- yield analysis (src/yield).
//
// Everything other subsystems may use of this subsystem.
#pragma once

int DYcritCompS();
int DYcritCompO();
int DYdx();
int DYCarea();
int DYpof();
int DYanaShort();
int DYanaOpen();
int DYyx();

// Density range of the yield plot.
struct _FdataRange {
  float minimum;
  float maximum;
  float step;
};
extern _FdataRange Fdensity;

void DYinit();  // Fdensity 100, 2000, 100
