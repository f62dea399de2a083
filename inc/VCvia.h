// VCvia.h -- vias and contacts (src/via).
//
// Everything other subsystems may use of this subsystem.
#pragma once

int VCinit();
int VCdetect();
