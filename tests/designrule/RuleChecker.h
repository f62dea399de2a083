// A plain design-rule checker for tests: widths, spacings and enclosures of
// the rectangles of the tile planes against the rule tables.  It knows
// nothing of the resizer and is meant to be obviously right rather than
// fast.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace designrule_test {

struct Rect {
  long x1, y1, x2, y2;
};

// The solid tiles of every plane, by layer number.
std::map<int, std::vector<Rect>> planeRects();

// Checks the shapes against the rule tables (grid steps times `scale`
// layout units):
// - width: every maximal run across a layer, in x and in y, is at least
//   WIDTH of the layer;
// - spacing: shapes (connected pieces) of layers a and b that do not
//   overlap are at least SPACING[a][b] apart (Euclidean);
// - extension: where a shape of a overlaps a rectangle of b, the rectangle
//   grown by EXTENSION[a][b] lies inside layer a; the pair of the gate,
//   `active` and `poly`, is checked at each gate instead: one layer runs on
//   beyond the gate by its extension on the two sides where the other ends.
// Returns: one line per violation.
std::vector<std::string> checkRules(const std::map<int, std::vector<Rect>>& layers, long scale,
                                    int active, int poly);

}  // namespace designrule_test
