// GGclip.h -- clipping of pixel geometry to the surface (private).
//
// X draws with 16-bit coordinates, so what reaches a surface must stay well
// inside that range.  Geometry is clipped to the surface grown by a margin
// that hides the cut edges.
#pragma once

#include <vector>

#include "Dview.h"

namespace view {

struct DoublePoint {
  double x, y;
};

// The surface grown by a margin; what lies outside is never visible.
struct ClipBox {
  double x1, y1, x2, y2;
  bool contains(double x, double y) const { return x >= x1 && x <= x2 && y >= y1 && y <= y2; }
};
ClipBox clipBoxOf(const Surface& surface);

// Clips the segment in place; false when nothing of it is left.
bool clipLine(const ClipBox& box, double* x1, double* y1, double* x2, double* y2);

// Clips a closed polygon (Sutherland-Hodgman); the result may be empty.
void clipPolygon(const ClipBox& box, std::vector<DoublePoint>* points);

}  // namespace view
