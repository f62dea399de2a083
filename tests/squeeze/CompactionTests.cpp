// Compaction end to end: every row a layout was compacted under holds at
// the final coordinates, the result is no larger than the drawn layout,
// and the written CIF extracts to the same circuit.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "CS.h"
#include "ExampleFixture.h"
#include "SqueezeSupport.h"

namespace {

using compact_test::Row;
using squeeze_test::circuitSignature;

struct Box {
  int layer;
  long x1, y1, x2, y2;
};

// Runs the squeeze on the rows made (xList, yList); checks that every row
// holds at the final coordinates and that the layout is no larger than
// `width` by `height`.  Returns the boxes of every cell, drawn and
// compacted (cell i of both directions is the same tile).
std::pair<std::vector<Box>, std::vector<Box>> expectRowsHold(_rhs_list* xList, _rhs_list* yList,
                                                             const std::vector<Row>& xRows,
                                                             const std::vector<Row>& yRows, long width,
                                                             long height)
{
  squeeze_test::graphAndSolve(xList, yList);
  int mirrors = 0;
  const std::vector<std::string> found = squeeze_test::brokenBySolution(xRows, yRows, &mirrors);
  EXPECT_TRUE(found.empty()) << found.size() << " rows broken, first: " << found.front();
  EXPECT_EQ(mirrors, 0);
  for (bool x : {true, false}) {
    const std::vector<long> at = x ? squeeze_test::positions(SQcell_LR, SQcell_size_LR, true)
                                   : squeeze_test::positions(SQcell_TB, SQcell_size_TB, false);
    EXPECT_LE(*std::max_element(at.begin(), at.end()) - *std::min_element(at.begin(), at.end()),
              x ? width : height)
        << (x ? "wider" : "taller");
  }
  std::pair<std::vector<Box>, std::vector<Box>> boxes;
  for (int i = 0; i < SQcell_size_LR && i < SQcell_size_TB; ++i) {
    const _Dtile* t = SQcell_LR[i].mother_tile;
    boxes.first.push_back(Box{SQcell_LR[i].layernumber, t->x1, t->y1, cs::right(t), cs::top(t)});
    boxes.second.push_back(Box{SQcell_LR[i].layernumber, SQcell_LR[i].corner.x1, SQcell_TB[i].corner.y1,
                               SQcell_LR[i].corner.x2, SQcell_TB[i].corner.y2});
  }
  return boxes;
}

// The shapes as sets of tiles of one layer that overlap or meet along an
// edge: a label per box, the lowest box index of its shape.
std::vector<size_t> shapes(const std::vector<Box>& boxes)
{
  std::vector<size_t> up(boxes.size());
  for (size_t i = 0; i < up.size(); ++i)
    up[i] = i;
  auto find = [&up](size_t i) {
    while (up[i] != i)
      i = up[i] = up[up[i]];
    return i;
  };
  for (size_t i = 0; i < boxes.size(); ++i)
    for (size_t j = i + 1; j < boxes.size(); ++j) {
      const Box &a = boxes[i], &b = boxes[j];
      const long dx = std::min(a.x2, b.x2) - std::max(a.x1, b.x1);
      const long dy = std::min(a.y2, b.y2) - std::max(a.y1, b.y1);
      if (a.layer == b.layer && dx >= 0 && dy >= 0 && (dx > 0 || dy > 0)) {
        const size_t ri = find(i), rj = find(j);
        up[std::max(ri, rj)] = std::min(ri, rj);
      }
    }
  std::vector<size_t> label;
  for (size_t i = 0; i < boxes.size(); ++i)
    label.push_back(find(i));
  return label;
}

// Random layouts of three layers under width and spacing rules.
class RandomCompaction : public squeeze_test::RandomLayoutTest, public testing::WithParamInterface<unsigned> {
 protected:
  void SetUp() override
  {
    RandomLayoutTest::SetUp();
    compact_test::setRules(kLayers, kWidth, {{4, 0, 0}, {0, 5, 0}, {0, 0, 3}});
  }

  const std::vector<const char*> kLayers = {"CMF", "CMS", "CPG"};
  const std::vector<int> kWidth = {3, 4, 2};
};

TEST_P(RandomCompaction, RowsHoldAndTheLayoutShrinks)
{
  // Boxes in the cells of a grid with a pitch of 20 grid steps, each well
  // inside its cell, so that the drawn layout keeps every rule; some
  // reach into the next cell on the same layer, which joins the two.
  std::mt19937 random(GetParam());
  const int s = theGlobalScale;
  int drawnX1 = INT_MAX, drawnX2 = INT_MIN, drawnY1 = INT_MAX, drawnY2 = INT_MIN;
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 6; ++j) {
      if (random() % 10 < 3)
        continue;
      const int k = static_cast<int>(random() % 3);
      const int x1 = 20 * i + 3 + static_cast<int>(random() % 4);
      const int y1 = 20 * j + 3 + static_cast<int>(random() % 4);
      const int x2 = x1 + kWidth[k] + static_cast<int>(random() % 8);
      const int y2 = random() % 4 == 0 ? 20 * (j + 1) + 5 : y1 + kWidth[k] + static_cast<int>(random() % 8);
      rect(kLayers[k], x1 * s, y1 * s, x2 * s, y2 * s);
      if (y2 > 20 * (j + 1))
        rect(kLayers[k], x1 * s, 20 * (j + 1) * s, x2 * s, (20 * (j + 1) + 8) * s);
      drawnX1 = std::min(drawnX1, x1 * s);
      drawnX2 = std::max(drawnX2, x2 * s);
      drawnY1 = std::min(drawnY1, y1 * s);
      drawnY2 = std::max(drawnY2, std::max(y2, y2 > 20 * (j + 1) ? 20 * (j + 1) + 8 : 0) * s);
    }
  PROCESS_INCLUDE_WLM = static_cast<int>(GetParam() % 4) + 1;
  makeRows();
  ASSERT_GT(xRows.size(), 20u);
  const auto boxes = expectRowsHold(xList, yList, xRows, yRows, drawnX2 - drawnX1, drawnY2 - drawnY1);
  // No shape is cut in two and no two shapes touch.
  EXPECT_EQ(shapes(boxes.second), shapes(boxes.first));
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomCompaction, testing::Range(1u, 25u));

// The example layouts under the example process's rules.
using ExampleCompaction = squeeze_test::ExampleLayoutTest;

TEST_F(ExampleCompaction, EveryExampleKeepsItsRowsAndItsCircuit)
{
  const std::vector<std::string> names = compact_test::exampleLayouts();
  ASSERT_GE(names.size(), 10u);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ASSERT_EQ(accept(kAcceptBridge, testing_support::sourcePath("examples/example.bridge")),
              callback::Outcome::Done);
    ASSERT_EQ(accept(kAcceptCadence2, testing_support::sourcePath("examples/example_rules.tf")),
              callback::Outcome::Done);
    ASSERT_TRUE(load(testing_support::sourcePath("examples/" + name)));
    const std::vector<size_t> before = circuitSignature();
    const _box frame = DlayerTile[0].frame;
    compact::freeRows(xList);
    compact::freeRows(yList);
    compact::makeRows(&xList, &yList);
    expectRowsHold(xList, yList, compact_test::readRows(*equat_bucket, xList),
                   compact_test::readRows(*equat_bucket_y, yList), static_cast<long>(frame.x2) - frame.x1,
                   static_cast<long>(frame.y2) - frame.y1);
    SQmain_output(2);
    compact::freeStaff();

    ASSERT_TRUE(load("sq_out.cif"));
    EXPECT_EQ(circuitSignature(), before) << "the compacted layout is another circuit";
    EXPECT_LE(DlayerTile[0].frame.x2 - DlayerTile[0].frame.x1, frame.x2 - frame.x1);
    EXPECT_LE(DlayerTile[0].frame.y2 - DlayerTile[0].frame.y1, frame.y2 - frame.y1);
  }
}

}  // namespace
