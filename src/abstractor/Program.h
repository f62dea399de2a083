// The subpyxis program: command line, phases, timing and summary.
#pragma once

namespace abstractor {

// Runs subpyxis with the command line `argv` and returns the exit status.
// Everything it allocates is freed before it returns.
int runSubpyxis(int argc, char** argv);

// Prepare and release all state of the matcher (runSubpyxis does both).
void subpyxisInit();
void subpyxisFree();

}  // namespace abstractor
