// Helpers of the row tests: the rows of both directions read back from the
// coefficient lists, and planes built from hand-drawn rectangles.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "Dcompact.h"
#include "PlaneSupport.h"

namespace compact_test {

// One row as read back: its type, value and (variable number, coefficient)
// terms in variable order.
struct Row {
  int rank = 0;
  char type = 0;
  int value = 0;
  std::map<int, int> terms;  // variable number -> coefficient
};

// The rows of one direction from its variable array and row list.
std::vector<Row> readRows(const AdjacencyArray& adj, const _rhs_list* rows);

// Layer number of a technology layer (the index of the rule tables).
int layerNo(const char* name);

// Clears every rule table.
void clearRules();

// Width of each of `layers` and spacing between each two (0: no rule),
// in the units of the rule tables.
void setRules(const std::vector<const char*>& layers, const std::vector<int>& width,
              const std::vector<std::vector<int>>& spacing);

// Frees both row lists (leaving them null), the variables and the loaded
// layout with its planes.
void releaseLayout(_rhs_list** xList, _rhs_list** yList);

// The example layouts of the process (examples/*.cif but the files that
// show forms of CIF rather than layouts, see examples/README.md), sorted.
std::vector<std::string> exampleLayouts();

// The lines, each ended by a newline.
std::string joined(const std::vector<std::string>& lines);

// Works in `dir` while it lives; back in the former folder after.
class WorkIn {
 public:
  explicit WorkIn(const std::string& dir);
  ~WorkIn();

 private:
  char here_[4096];
};

// A plane test on the example technology whose layout is drawn with rect()
// (BuildTest) and whose rows are made as the resize driver makes them.
class SweepTest : public cs_test::BuildTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Builds the planes and makes the rows of both directions.
  void makeRows();
  // The variable number of a box side in a direction: side 'l', 'r' (X) or
  // 'b', 't' (Y) of the tile of `layer` with lower-left (x1, y1); 0 if none.
  int var(bool x, const char* layer, int x1, int y1, char side) const;
  // The rows of a direction whose variables are exactly {a, b}.
  std::vector<Row> between(bool x, int a, int b) const;

  std::vector<Row> xRows, yRows;
  _rhs_list* xList = nullptr;
  _rhs_list* yList = nullptr;
};

}  // namespace compact_test
