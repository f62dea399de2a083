// Graphs built by hand: sides of cells as variables, rows between them, and
// the LEFT_RIGHT graph made of them, as the squeeze makes it.
#pragma once

#include <deque>

#include "Dcompact.h"
#include "Dglobal.h"
#include "SQint.h"
#include "SQsqueeze.h"
#include "TestSupport.h"

namespace squeeze_test {

class HandGraph : public testing_support::CoreTest {
 protected:
  void SetUp() override
  {
    CoreTest::SetUp();
    compact::freeStaff();
    SQfree_all();
    rows = compact::newRows();
    mps_column_num = 1;
    savedScale = SCALE;
    SCALE = 4;  // arcs added by hand round to multiples of 2
  }
  void TearDown() override
  {
    SQfree_all();
    compact::freeRows(rows);
    compact::freeStaff();
    num_of_var = NUM_of_VAR = 0;
    SCALE = savedScale;
    CoreTest::TearDown();
  }
  // Frees the graph and starts again with no variables.
  void restart()
  {
    TearDown();
    SetUp();
    edges.clear();
    adj.clear();
  }

  // A variable: the vertical side of CMF at x from y to y + 10 of a
  // cell's low (left) or high side, on `layer`.
  _edge* side(int x, int y, bool low, int layer)
  {
    edges.push_back(_edge{});
    _edge& e = edges.back();
    e.p1 = _point{x, y};
    e.p2 = _point{x, y + 10};
    e.upward = low;
    e.layer_num = static_cast<short>(layer);
    e.name = "CMF";
    compact::addVariable(&adj, &e);
    return &e;
  }
  // b - a >= value (or = value).
  void row(_edge* a, _edge* b, int value, char type = 'G')
  {
    add_column_2(a, b, &adj, rows, value, type, 1, 1);
  }
  // The LEFT_RIGHT graph; the first `tileVariables` variables (all when
  // negative) are the sides of tiles.
  void build(int tileVariables = -1)
  {
    NUM_of_VAR = static_cast<int>(adj.size());
    num_of_var = tileVariables < 0 ? NUM_of_VAR : tileVariables;
    SQswitch_direction(LEFT_RIGHT, 0);
    ASSERT_EQ(SQcreatestructure(&adj, rows), 0);
  }

  std::deque<_edge> edges;
  AdjacencyArray adj;
  _rhs_list* rows = nullptr;
  int savedScale = 0;
};

}  // namespace squeeze_test
