// Dcompact.h -- the resize driver and constraint rows (src/compact).
//
// Everything other subsystems may use of this subsystem.
#pragma once

int new_resize();
int new_resize60();
