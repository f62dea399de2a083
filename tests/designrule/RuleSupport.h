// Helpers of the design rule tests: the example technology, files read
// through the readers, the tables in a comparable form, and the rule
// checker on a map of rectangles.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "DRdesignrule.h"
#include "PlaneSupport.h"

namespace designrule_test {

// The example technology is loaded, the bridge's technology side filled
// and every rule cleared; LAMBDA_T2 is 0.1.
class RuleTest : public cs_test::PlaneTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Reads `text` with one of the readers; returns its result.
  int bridge(const std::string& text);
  int vendor(int variant, const std::string& text);
  int older(const std::string& text);
  // The same for a file of the source tree; reader 0 is the bridge's, 1
  // and 2 the vendor variants, 3 the older format's.
  int readFile(int reader, const std::string& path);

  testing_support::ScratchDir scratch;

 public:
  // Slot of a technology layer (-1 when there is none).
  static int slot(const char* layer);
  // Every rule table, flag and grid as one text, to compare states.
  static std::string tables();
};

struct Rect {
  long x1, y1, x2, y2;
};

// The solid tiles of every plane, by layer number.
std::map<int, std::vector<Rect>> planeRects();

// The independent checker of tests/tools (LayoutRules.h) on these
// rectangles: rules of the tables in grid steps times `scale` layout units,
// widths, spacings (Euclidean), enclosures and, when `active` and `poly` are
// layers, the gates of the technology's elements (shape, end cap, active
// beyond the gate, selects).  Only the layers given are seen: planeRects()
// holds no wells.  Returns: one line per violation.
std::vector<std::string> checkRules(const std::map<int, std::vector<Rect>>& layers, long scale,
                                    int active, int poly);

}  // namespace designrule_test
