// DFshortInt.h -- internals of the short runs, shared by the files of
// src/faultex only.
#pragma once

#include "CS.h"

namespace faultex {

// Plane-table entry of the tile's material; a tile whose layer has no
// plane abandons the run.
int planeOfTile(const _Dtile* t);

// Forgets the 32-net report and the marks of the critical-area planes at the
// start of a short run.
void startShortRun();
// Releases the searches' indexes of the layer planes at the end of a run.
void endShortRun();

// Inserts the bridge regions between tile t of plane `plane` and the tiles
// of other nets of its layer within `size` into the plane's critical-area
// plane.
void bridgesOfTile(_Dtile* t, int plane, int size);

// Adds the uncounted regions of one critical-area plane to the fault table
// (painting them when `paint` is set and a main view exists), then releases
// its regions and empties it.
void scanCritPlane(int plane, bool paint);

// Releases the regions of every critical-area plane and empties them.
void releaseCritPlanes();

}  // namespace faultex
