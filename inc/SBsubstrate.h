// SBsubstrate.h -- substrate contacts (src/substrate).
//
// Everything other subsystems may use of this subsystem.
#pragma once

int SBmain();
