// RXresistor.h -- resistors (src/resistor).
//
// Everything other subsystems may use of this subsystem.
#pragma once

int RXresistorExtract();
