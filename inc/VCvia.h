// VCvia.h -- vias and contacts (src/via).
//
// Everything other subsystems may use of this subsystem.
#pragma once

int VCinit();
int VCdetect();

struct _Dtile;
// Fits the contact array of the via that `tile` belongs to into a w x h
// box: cuts per direction from the contact layer's width and spacing.
int VCchange_size(_Dtile* tile, long w, long h);
// Records the cut counts on the via of `tile`.  The via records exist only
// with via removal on; without them the running action is abandoned.
int VCchange_number(_Dtile* tile, int columns, int rows);
