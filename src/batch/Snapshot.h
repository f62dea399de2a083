// Snapshots of the main view: the view kept by the display list drawn again
// at the requested size, with a title line and a legend of the layers and
// of what the actions painted, on an image or into an SVG file.
#pragma once

#include <vector>

#include "BatchRunner.h"

namespace batch {

class CairoSurface;
class DisplayList;

// Draws the picture of the request on the surface (its size).
void drawSnapshot(CairoSurface& target, const SnapshotRequest& request, const DisplayList& view,
                  const std::vector<Highlight>& highlights);

// Writes the picture to request.path; false when it cannot be written.
bool writeSnapshot(const SnapshotRequest& request, const DisplayList& view,
                   const std::vector<Highlight>& highlights, unsigned long background);

}  // namespace batch
