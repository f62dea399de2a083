// Resistors in a compaction: on a hand-made graph of a body and its two
// ports, the longest paths place the body at its new length along it and
// its new width across it, with the ports around the body.
#include <gtest/gtest.h>

#include <string>

#include "CS.h"
#include "DRdesignrule.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "RXresistor.h"
#include "SQsqueeze.h"

namespace {

constexpr int kRule = 400;

class ResistorArcs : public testing::Test {
 protected:
  void SetUp() override
  {
    savedScale = SCALE;
    savedLambda = LAMBDA_T2;
    SCALE = 40;
    LAMBDA_T2 = 0.1;
    SQfree_all();
  }
  void TearDown() override
  {
    for (_Dtile* t : tiles)
      t->set_resize_cell(nullptr);
    SQfree_all();
    SCALE = savedScale;
    LAMBDA_T2 = savedLambda;
  }

  // Tiles 0 (port 1), 1 (body), 2 (port 2) with the given boxes; their
  // cells' lines start at the drawn sides of `direction`, and each cell is
  // at least kRule wide (as a width row would ask).
  void build(const _box (&boxes)[3], int direction)
  {
    resize_direction = direction;
    for (int i = 0; i < 3; ++i) {
      const _box& b = boxes[i];
      tiles[i]->dropSide();
      *tiles[i] = _Dtile{};
      tiles[i]->x1 = b.x1;
      tiles[i]->y1 = b.y1;
      *corners[i][0] = _Dtile{};
      corners[i][0]->x1 = b.x2;
      *corners[i][1] = _Dtile{};
      corners[i][1]->y1 = b.y2;
      tiles[i]->set_tr(corners[i][0]);
      tiles[i]->set_rt(corners[i][1]);
      lines[2 * i] = SQLINE_item{};
      lines[2 * i + 1] = SQLINE_item{};
      cells[i] = SQCELL_item{};
      cells[i].left = &lines[2 * i];
      cells[i].right = &lines[2 * i + 1];
      cells[i].mother_tile = tiles[i];
      lines[2 * i].cell = lines[2 * i + 1].cell = &cells[i];
      lines[2 * i].number = 2 * i + 1;
      lines[2 * i + 1].number = 2 * i + 2;
      const bool lr = direction == LEFT_RIGHT;
      lines[2 * i].loc = lr ? b.x1 : b.y1;
      lines[2 * i + 1].loc = lr ? b.x2 : b.y2;
      tiles[i]->set_resize_cell(&cells[i]);
      SQaddarc(cells[i].left, cells[i].right, kRule, 1);
    }
    res = _RX_RESISTOR_{};
    body.tile = tiles[1];
    body.next = nullptr;
    res.start = res.end = &body;
    res.port1tile = tiles[0];
    res.port2tile = tiles[2];
  }

  // An arc of weight 0 from a to b: b can not lie left of a.
  static bool bound(const SQLINE_item* a, const SQLINE_item* b)
  {
    for (const SQARC_item* arc = a->ori_next; arc; arc = arc->ori_next)
      if (arc->ter == b && arc->weight == 0)
        return true;
    return false;
  }

  // Extent of cell i after the longest paths.
  int extent(int i) const { return lines[2 * i + 1].min_loc - lines[2 * i].min_loc; }
  void solve() { SQbf_main(cells, SQarc, 3, SQarc_size, 0); }

  int savedScale = 0;
  double savedLambda = 0;
  // Stitched tiles come from the tile range.
  _Dtile* tiles[3] = {NewTile(), NewTile(), NewTile()};
  _Dtile* corners[3][2] = {{NewTile(), NewTile()}, {NewTile(), NewTile()}, {NewTile(), NewTile()}};
  SQCELL_item cells[3];
  // Lines come from the squeeze's range, as the arcs SQaddarc makes.
  squeeze::RecordArray<SQLINE_item> lines = sixLines();
  static squeeze::RecordArray<SQLINE_item> sixLines()
  {
    squeeze::RecordArray<SQLINE_item> l;
    l.assign(6);
    return l;
  }
  _Dtilelist body{};
  _RX_RESISTOR_ res{};
};

// Drawn with a 20 x 2 um body (8000 x 800 units) and 6 um square ports.
const _box kHorizontal[3] = {{0, 0, 2400, 2400}, {2400, 800, 10400, 1600}, {10400, 0, 12800, 2400}};
const _box kVertical[3] = {{0, 0, 2400, 2400}, {800, 2400, 1600, 10400}, {0, 10400, 2400, 12800}};

TEST_F(ResistorArcs, BodyTakesItsNewSizeAndPortsTheBodyWidth)
{
  struct Case {
    const char* what;
    const _box (*boxes)[3];
    int direction;
    int body;   // expected extent of the body
    int ports;  // expected extent of each port
  };
  // New geometry: length 25 um (10000), width 3 um (1200).
  const Case cases[] = {
      {"horizontal, left-right: the length", &kHorizontal, LEFT_RIGHT, 10000, kRule},
      {"horizontal, top-bottom: the width, ports as wide", &kHorizontal, TOP_BOTTOM, 1200, 1200},
      {"vertical, left-right: the width, ports as wide", &kVertical, LEFT_RIGHT, 1200, 1200},
      {"vertical, top-bottom: the length", &kVertical, TOP_BOTTOM, 10000, kRule},
  };
  for (const Case& c : cases) {
    SQfree_all();
    build(*c.boxes, c.direction);
    res.newGeometry = {25.0, 3.0};
    RXsetResConstraint(&res, c.direction);
    solve();
    EXPECT_EQ(extent(1), c.body) << c.what;
    const bool across = c.ports != kRule;
    for (int port : {0, 2}) {
      EXPECT_EQ(extent(port), c.ports) << c.what;
      if (across) {
        EXPECT_EQ(lines[2 * port].min_loc, lines[2].min_loc) << c.what << ": port aligned";
        // Longest paths place the port at the body's width either way;
        // that it can not grow wider needs the arcs back to the body.
        EXPECT_TRUE(bound(&lines[2 * port + 1], &lines[3])) << c.what << ": high side";
        EXPECT_TRUE(bound(&lines[2], &lines[2 * port])) << c.what << ": low side";
      }
    }
  }
}

TEST_F(ResistorArcs, BodyOfSeveralTilesGetsNoArcs)
{
  build(kHorizontal, LEFT_RIGHT);
  _Dtilelist second{tiles[2], nullptr};
  body.next = &second;
  res.end = &second;
  res.newGeometry = {25.0, 3.0};
  const int before = SQarc_size;
  std::string out, err;
  common::captureOutput(&out, &err);
  RXsetResConstraint(&res, LEFT_RIGHT);
  common::captureOutput(nullptr, nullptr);
  EXPECT_EQ(SQarc_size, before);
  EXPECT_NE(out.find("RXresConstraint: ERROR - This resistor type is not supported yet"),
            std::string::npos);
}

}  // namespace
