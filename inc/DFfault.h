// DFfault.h -- defect fault extraction (src/faultex).
//
// Everything other subsystems may use of this subsystem.
#pragma once

int DFex1LayerS();
int DFex1NetS();
int DFex1NetO();
int DFshowShort();
int DFex1LayerO();
int DFshowOpen();
int DFexLayersS();
int DFexLayersP();
int DFexLayersO();

// Index of the plane of the first technology layer whose `active` is 1, or -1.
int DFactiveIndex();
