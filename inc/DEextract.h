// DEextract.h -- circuit extraction (src/extract).
//
// Everything other subsystems may use of this subsystem.
#pragma once

int DExCir();
int DExOutput();
int DExShowObj();
int DExShowATran();
int DExShowANet();
int DExSelectNetTileObj();
int DExVerifyNets();
int DExCirPassive();
int DExDefIO(char* name);
int DExNameNet(char* name);
int DExSearchNet(long number);
