// DPparasitic.h -- the net finder and net highlight (src/parasitic).
//
// Everything other subsystems may use of this subsystem: the net finder that
// net inspection and the fault passes use to collect the tiles of one net,
// and the net-graph highlight action.
#pragma once

#include "CS.h"

// The tiles of the net of `tile` (solid, with a positive net number): any
// pending NetTileList is released and NetTileList becomes the net's tiles,
// each once, prepended as met; the four outputs become the smallest left
// edge and bottom and the largest right edge and top among them.  The net
// is traced under its negated number and every tile's number restored;
// while RecordTerm is on, every transistor and pin met is recorded.
// Returns: NetTileList (null for a tile that is not on a net).
_Dtilelist* DExFindNet(_Dtile* tile, int* x1, int* y1, int* x2, int* y2);

// Menu action: selects the net under a clicked point as the tile selection
// does; the resistance graph of the net is not available.
int DExSelectNetGraphObj();

namespace parasitic {

// Installs the net finder into the extraction.
void install();

}  // namespace parasitic
