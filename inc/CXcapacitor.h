// CXcapacitor.h -- plate capacitors (src/capacitor).
//
// Everything other subsystems may use of this subsystem.
#pragma once

int CXcapacitorExtract();
