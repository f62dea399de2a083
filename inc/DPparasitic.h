// DPparasitic.h -- the net finder and net highlight (src/parasitic).
//
// Everything other subsystems may use of this subsystem.
#pragma once

int DExSelectNetGraphObj();
