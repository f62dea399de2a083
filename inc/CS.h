// CS.h -- corner-stitched tile planes (src/cs).
//
// Everything other subsystems may use of this subsystem.
#pragma once

struct _Dtile;

extern _Dtile* CurrentStitch;  // plane shown and inspected by the tile commands
_Dtile* NamedLayerTile(const char* name);  // entry tile of the plane, or null

void InitStitch();
int DCcrtCS();
int GCfreeCS();
int GCactivateCS();
int DCtile();
int DCupper();
int DClower();
int DCright();
int DCleft();
int DCneighbors();
int CheckAll();
int CheckAllNode();
