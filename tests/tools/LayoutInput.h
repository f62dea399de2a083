// The check programs' way into the workbench: a quiet core without a
// display, the technology and rule files read through the menu's own
// dialog codes, and a layout's rectangles per layer read in full-CIF mode.
#pragma once

#include <string>

#include "LayoutRules.h"

namespace layout_check {

// Starts the core without a display; its messages and printing go into
// `log` (kept by the caller for the life of the program).  SYSRC defaults
// to the source tree's lib/sysrc.
void startCore(std::string* log);

// Each returns "" when the file was read, else why not.
std::string loadTechnology(const std::string& path);
// The layer bridge, then the vendor rule file (second variant).
std::string loadRules(const std::string& bridge, const std::string& rules);
// Reads a CIF file and flattens it; `layers` receives its rectangles by
// layer slot.  The layout stays loaded until the next read.
std::string readLayers(const std::string& cif, Layers* layers);
// The rectangles of the flattened layout loaded now, by layer slot.
Layers flattenedLayers();

}  // namespace layout_check
