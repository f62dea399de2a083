// Helpers of the fault tests: layouts drawn in grid steps on the example
// technology, hand-made nets with terminals, runs of the fault actions in a
// scratch folder and the fault lines read back.
#pragma once

#include <deque>
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

class FaultTest : public extract_test::ExtractTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  int g() const { return theGlobalScale; }  // layout units per grid step
  void restart() { TearDown(), SetUp(); }     // a fresh layout for the next case
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
  // Two aligned metal-2 wires 40 long and 4 wide from y 100 at edge spacing
  // s, joined to their transistors from opposite ends so that nothing else
  // comes near; wirePair() gives their nets, ascending.
  void twoWires(int s);
  std::vector<int> wirePair();
  // Two pMOS (at x = 0 and 3000 units) whose gates a poly wire 4 steps
  // high joins above the active: (500, 800)-(3700, 960).
  void gatePair();
  // The net of the material of `layer` at the grid point's cell.
  int netAt(const char* layer, int x, int y);

  // A metal-1 net drawn with box(): builds the planes, numbers the net 1
  // from the terminal `from` and makes a gate terminal in the cell of every
  // point (transistors numbered from 1, in this order).
  void build(const std::vector<std::pair<int, int>>& terminals, size_t from = 0);
  // Its opens at a defect size in layout units; false when abandoned.
  bool opens(int size);
  long totalWeight() const;
  int entries() const;

  // Runs a fault action in a scratch folder with the defect size `d` grid
  // steps (the scale as it stands when `d` is negative); `blocker` names a
  // folder made there first.  Returns: false when it was abandoned; the text of `file`
  // ("" when not written) in *text.
  bool run(int (*action)(), int d, const std::string& file, std::string* text,
           const std::string& blocker = "");
  // The lines "bridge ( ... ) w" of a fault file, weights summed per net
  // set; net names must be "n<number>".  A malformed line fails the test.
  FaultSets parse(const std::string& text);
  // Fills drawn in the main view in colour-table entry `colour`.
  int fills(int colour) const;
  // Messages of a kind containing `text`.
  int said(char kind, const std::string& text) const;
  // True when no layer plane has a processed mark, every critical-area
  // plane is empty and no fault, break or terminal list is left.
  bool clean();
  // Every tile's net number and mark, by plane and position.
  std::map<std::string, std::pair<int, int>> marks();

  // The main view shows (-100, -100) to (300, 300) grid steps.
  testing_support::RecordingSurface surface{800, 800};
  _Dtilelist* tiles_ = nullptr;
  _DtermList* terms_ = nullptr;
  std::deque<_Dtransistor> devices_;
  int spacing_ = 0;
};

}  // namespace faultex_test
