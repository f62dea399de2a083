// Helpers of the design rule tests: the example technology, files read
// through the readers, the tables in a comparable form, and a plain
// design-rule checker.
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

// The checker, meant to be obviously right rather than fast, knows nothing
// of the resizer.  It checks the shapes against the rule tables (grid
// steps times `scale` layout units):
// - width: every maximal run across a layer, in x and in y, is at least
//   WIDTH of the layer;
// - spacing: shapes (connected pieces) of layers a and b that do not
//   overlap are at least SPACING[a][b] apart (Euclidean);
// - extension: where a shape of a overlaps a rectangle of b, the rectangle
//   grown by EXTENSION[a][b] lies inside layer a; the pair of the gate,
//   `active` and `poly`, is checked at each gate instead: one layer runs on
//   beyond the gate by its extension on the two sides where the other ends.
// Returns: one line per violation, at most ten per check and layer pair.
std::vector<std::string> checkRules(const std::map<int, std::vector<Rect>>& layers, long scale,
                                    int active, int poly);

}  // namespace designrule_test
