// Dinit.h -- start-up of the core (src/init).
//
// Everything the programs need to bring the core up in the order the
// interactive program uses, and to read the command-line flags.
#pragma once

// Sets the display switches FsetHighlight, FsetSelected, FsetLabels to 1.
void DIsetInit();

namespace init {

// Reads the option letters "bBMmcCsSoOtT" into the run flags, and "f"
// (read CIF in full mode).  Returns false, after printing the usage line, on
// an unknown option.
bool readFlags(int argc, char** argv);

// Sets the CIF reading mode: full after -f, otherwise as the system source
// file's "CIFMode" says (strict when it says nothing).
void applyCifMode();

// Connects the subsystems to each other's hooks (the extraction to the
// plane builder and the view, the net finder to the extraction, ...).  Both
// programs call it right after InitStitch.
void installHooks();

// The start-up steps that need no display, in order: memory, colours,
// technology and defect settings, CIF reading mode, process settings, menus
// (when asked), pointer buffers, tile planes, display switches, yield.
// Start-up failures end the process.
void startHeadless(bool readMenus);

}  // namespace init
