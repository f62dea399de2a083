// Helpers of the squeeze tests: the circuit of the loaded layout in a form
// that ignores net numbers, the rows that compacted coordinates break, and
// random layouts drawn on planes and compacted in a scratch folder.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "RowSupport.h"
#include "SQsqueeze.h"

namespace squeeze_test {

// Each transistor's kind and the shape of what its terminals reach,
// refined three times, as a sorted list: equal for the same circuit.
std::vector<size_t> circuitSignature();

// Final coordinate of every tile variable of one direction (low and high
// side of each cell).
std::vector<long> positions(const SQCELL_item* cells, int n, bool x);

// The rows of `direction` ("X" or "Y") that the coordinates `at` break, as
// text.  Axis variables have no coordinate of their own: the mirror rows of
// one axis must give the same even sum of their two sides (each counted in
// `mirrors`); every other row must hold.
std::vector<std::string> broken(const std::vector<compact_test::Row>& rows, const std::vector<long>& at,
                                const char* direction, int* mirrors);

// The rows of both directions that the solved cells (SQcell_LR, SQcell_TB)
// break.
std::vector<std::string> brokenBySolution(const std::vector<compact_test::Row>& xRows,
                                          const std::vector<compact_test::Row>& yRows, int* mirrors);

// A plane test drawn with rect() whose squeeze runs in a scratch folder.
class RandomLayoutTest : public compact_test::SweepTest {
 protected:
  void TearDown() override
  {
    SQfree_all();
    SweepTest::TearDown();
  }

  testing_support::ScratchDir scratch;
  compact_test::WorkIn cwd{scratch.dir()};
};

}  // namespace squeeze_test
