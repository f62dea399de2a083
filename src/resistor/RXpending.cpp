// Entry points of this subsystem that are not built yet.
#include "RXresistor.h"

#include "Dglobal.h"

int RXresistorExtract() { return common::notAvailable("RXresistorExtract"); }
