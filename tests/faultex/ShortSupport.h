// Helpers of the short-fault tests: layouts drawn in grid steps on the
// example technology, runs of the fault actions in a scratch folder and the
// fault lines read back.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "DFfault.h"
#include "DTtechnology.h"
#include "ExtractSupport.h"
#include "RecordingSurface.h"

namespace faultex_test {

// Net numbers of a fault line, ascending, and the summed weights.
using FaultSets = std::map<std::vector<int>, long>;

class ShortTest : public extract_test::ExtractTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  int g() const { return theGlobalScale; }  // layout units per grid step
  // A rectangle of `layer` in grid steps.
  void box(const char* layer, int x1, int y1, int x2, int y2);
  // A pMOS transistor: active (tx, ty)-(tx + 30, ty + 15), gate across
  // x tx + 12 .. tx + 18, and a metal-1 pad (tx + 2, ty + 4)-(tx + 9,
  // ty + 11) over an active contact in its source.
  void transistor(int tx, int ty);
  // A vertical metal-2 wire (a, yb)-(a + w, yt) whose net reaches a
  // transistor source through a via and a metal-1 leg, below its bottom
  // end or above its top end.
  void metal2Wire(int a, int yb, int yt, int w, bool fromBelow);
  // The net of the material of `layer` at the grid point's cell.
  int netAt(const char* layer, int x, int y);

  // Runs a fault action in a scratch folder with the defect size `d` grid
  // steps.  Returns: false when it was abandoned; the text of `file` (""
  // when not written) in *text.
  bool run(int (*action)(), int d, const std::string& file, std::string* text,
           const std::string& blocker = "");
  // The lines "bridge ( ... ) w" of a fault file, weights summed per net
  // set; net names must be "n<number>".  A malformed line fails the test.
  FaultSets parse(const std::string& text);
  // Fills drawn in the main view in colour-table entry `colour`.
  int fills(int colour) const;
  // True when no layer plane has a processed mark and every critical-area
  // plane is empty.
  bool clean();

  // The main view shows (-100, -100) to (300, 300) grid steps.
  testing_support::RecordingSurface surface{800, 800};
};

}  // namespace faultex_test
