// Compaction end to end: every row a layout was compacted under holds at
// the final coordinates, the result is no larger than the drawn layout,
// and the written CIF extracts to the same circuit.
#include <gtest/gtest.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "CS.h"
#include "DEextract.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "Dcif.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dmenu.h"
#include "CircuitSupport.h"
#include "ExampleFixture.h"
#include "RowSupport.h"
#include "SQsqueeze.h"

namespace {

using compact_test::Row;
using squeeze_test::circuitSignature;

// Runs the squeeze on the rows made (xList, yList) and keeps the final
// coordinates of every variable of both directions.
struct Box {
  int layer;
  long x1, y1, x2, y2;
};

struct Result {
  std::vector<long> x, y;  // by variable number - 1
  long width = 0, height = 0;
  std::vector<Box> drawn, compacted;  // by cell
};

Result squeezeRows(_rhs_list* xList, _rhs_list* yList)
{
  squeeze_test::graphAndSolve(xList, yList);
  Result r;
  long x1 = LONG_MAX, x2 = LONG_MIN, y1 = LONG_MAX, y2 = LONG_MIN;
  for (int i = 0; i < SQcell_size_LR; ++i) {
    const _box& b = SQcell_LR[i].corner;
    r.x.push_back(b.x1);
    r.x.push_back(b.x2);
    x1 = std::min<long>(x1, b.x1);
    x2 = std::max<long>(x2, b.x2);
  }
  for (int i = 0; i < SQcell_size_TB; ++i) {
    const _box& b = SQcell_TB[i].corner;
    r.y.push_back(b.y1);
    r.y.push_back(b.y2);
    y1 = std::min<long>(y1, b.y1);
    y2 = std::max<long>(y2, b.y2);
  }
  r.width = x2 - x1;
  r.height = y2 - y1;
  // Cell i of both directions is the same tile.
  for (int i = 0; i < SQcell_size_LR && i < SQcell_size_TB; ++i) {
    const _Dtile* t = SQcell_LR[i].mother_tile;
    r.drawn.push_back(Box{SQcell_LR[i].layernumber, t->x1, t->y1, cs::right(t), cs::top(t)});
    r.compacted.push_back(Box{SQcell_LR[i].layernumber, SQcell_LR[i].corner.x1,
                              SQcell_TB[i].corner.y1, SQcell_LR[i].corner.x2,
                              SQcell_TB[i].corner.y2});
  }
  return r;
}

// The rows that the coordinates break, as text.
std::vector<std::string> broken(const std::vector<Row>& rows, const std::vector<long>& at,
                                const char* direction)
{
  std::vector<std::string> found;
  for (const Row& row : rows) {
    long sum = 0;
    for (const auto& term : row.terms)
      sum += term.second * at.at(static_cast<size_t>(term.first - 1));
    const bool holds = row.type == 'E' ? sum == row.value : sum >= row.value;
    if (!holds)
      found.push_back(std::string(direction) + " row " + std::to_string(row.rank) + " " +
                      row.type + " " + std::to_string(row.value) + ": " + std::to_string(sum));
  }
  return found;
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
class RandomCompaction : public compact_test::SweepTest, public testing::WithParamInterface<unsigned> {
 protected:
  void SetUp() override
  {
    SweepTest::SetUp();
    for (int i = 0; i < 3; ++i) {
      const int l = compact_test::layerNo(kLayers[i]);
      WIDTH[l] = static_cast<int16_t>(kWidth[i]);
      WIDTH_VALID[l] = 1;
      SPACING[l][l] = static_cast<int16_t>(kWidth[i] + 1);
      SPACING_VALID[l][l] = 1;
    }
    ASSERT_TRUE(getcwd(here, sizeof here));
    ASSERT_EQ(chdir(scratch.dir().c_str()), 0);
  }
  void TearDown() override
  {
    SQfree_all();
    EXPECT_EQ(chdir(here), 0);
    SweepTest::TearDown();
  }

  static constexpr const char* kLayers[3] = {"CMF", "CMS", "CPG"};
  static constexpr int kWidth[3] = {3, 4, 2};
  char here[4096];
  testing_support::ScratchDir scratch;
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
  Result r = squeezeRows(xList, yList);
  std::vector<std::string> found = broken(xRows, r.x, "X");
  std::vector<std::string> inY = broken(yRows, r.y, "Y");
  found.insert(found.end(), inY.begin(), inY.end());
  EXPECT_TRUE(found.empty()) << found.size() << " rows broken, first: " << found.front();
  EXPECT_LE(r.width, drawnX2 - drawnX1);
  EXPECT_LE(r.height, drawnY2 - drawnY1);
  // No shape is cut in two and no two shapes touch.
  EXPECT_EQ(shapes(r.compacted), shapes(r.drawn));
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomCompaction, testing::Range(1u, 25u));

// The example layouts under the example process's rules.
class ExampleCompaction : public squeeze_test::ExampleLayoutTest {
 protected:
  void makeRows()
  {
    compact::freeRows(xList);
    compact::freeRows(yList);
    compact::makeRows(&xList, &yList);
  }
};

std::vector<std::string> exampleLayouts()
{
  const char* const forms[] = {"hierarchy.cif", "scale.cif", "othertool.cif"};
  std::vector<std::string> names;
  DIR* dir = opendir(testing_support::sourcePath("examples").c_str());
  for (dirent* entry = dir ? readdir(dir) : nullptr; entry; entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".cif") == 0 &&
        std::find(std::begin(forms), std::end(forms), name) == std::end(forms))
      names.push_back(name);
  }
  if (dir)
    closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(ExampleCompaction, EveryExampleKeepsItsRowsAndItsCircuit)
{
  const std::vector<std::string> names = exampleLayouts();
  ASSERT_GE(names.size(), 10u);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ASSERT_EQ(callback::accept(kAcceptBridge,
                               testing_support::sourcePath("examples/example.bridge").c_str()),
              callback::Outcome::Done);
    ASSERT_EQ(callback::accept(kAcceptCadence2,
                               testing_support::sourcePath("examples/example_rules.tf").c_str()),
              callback::Outcome::Done);
    ASSERT_TRUE(load(testing_support::sourcePath("examples/" + name)));
    const std::vector<size_t> before = circuitSignature();
    const _box frame = DlayerTile[0].frame;
    makeRows();
    const std::vector<Row> xRows = compact_test::readRows(*equat_bucket, xList);
    const std::vector<Row> yRows = compact_test::readRows(*equat_bucket_y, yList);
    Result r = squeezeRows(xList, yList);
    std::vector<std::string> found = broken(xRows, r.x, "X");
    std::vector<std::string> inY = broken(yRows, r.y, "Y");
    found.insert(found.end(), inY.begin(), inY.end());
    EXPECT_TRUE(found.empty()) << found.size() << " rows broken, first: " << found.front();
    EXPECT_LE(r.width, static_cast<long>(frame.x2) - frame.x1);
    EXPECT_LE(r.height, static_cast<long>(frame.y2) - frame.y1);
    SQmain_output(2);
    compact::freeStaff();

    ASSERT_TRUE(load("sq_out.cif"));
    EXPECT_EQ(circuitSignature(), before) << "the compacted layout is another circuit";
    EXPECT_LE(DlayerTile[0].frame.x2 - DlayerTile[0].frame.x1, frame.x2 - frame.x1);
    EXPECT_LE(DlayerTile[0].frame.y2 - DlayerTile[0].frame.y1, frame.y2 - frame.y1);
  }
}

}  // namespace
