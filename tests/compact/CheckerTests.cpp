// The rows of random legal layouts, checked against the boxes alone:
//   (a) every row holds for the layout as drawn;
//   (b) two boxes with a spacing rule that see each other across a gap have
//       a row between their facing sides;
//   (c) every box of a layer with a width rule has its width row.
// Visibility is decided here from the boxes, without the sweep's shadows.
//
// The generator places boxes on a grid and rejects a box that breaks a
// rule.  Spacing between diagonal boxes follows the sweep's corner shade:
// where the vertical gap is less than twice the horizontal one the
// horizontal gap must reach the spacing (and the same turned by 90
// degrees); a layout that is only legal by the Euclidean distance at a
// corner gets corner rows it does not satisfy.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>

#include "DRdesignrule.h"
#include "RowSupport.h"

namespace {

using compact_test::layerNo;
using compact_test::Row;

struct Box {
  int layer;  // index into kLayers
  int x1, y1, x2, y2;
};

const std::vector<const char*> kLayers = {"CMF", "CMS", "CPG", "CEL"};
constexpr int kLayerCount = 4;
// Rules in grid steps; 0 means none.
const std::vector<int> kWidth = {3, 3, 2, 2};
const std::vector<std::vector<int>> kSpacing = {{3, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 2, 1}, {0, 0, 1, 2}};
// CMS must enclose CMF by one step where they overlap.
constexpr int kEnclosure = 1;

int gap(int a1, int a2, int b1, int b2) { return std::max(a1 - b2, b1 - a2); }

/* legalPair -- the rules between two boxes (grid steps). */
bool legalPair(const Box& a, const Box& b)
{
  const int gx = gap(a.x1, a.x2, b.x1, b.x2), gy = gap(a.y1, a.y2, b.y1, b.y2);
  const int s = kSpacing[a.layer][b.layer];
  if (a.layer == b.layer && gx <= 0 && gy <= 0)
    return false;  // one box per tile: same-layer boxes never touch
  if (s > 0) {
    if (gy <= 0 && gx < s)
      return false;
    if (gx <= 0 && gy < s)
      return false;
    if (gx > 0 && gy > 0 && ((gy < 2 * gx && gx < s) || (gx < 2 * gy && gy < s)))
      return false;
  }
  const bool overlap = gx < 0 && gy < 0;
  const bool metals = (a.layer == 0 && b.layer == 1) || (a.layer == 1 && b.layer == 0);
  if (metals && (overlap || ((gx < 0 && gy == 0) || (gx == 0 && gy < 0)))) {
    const Box& outer = a.layer == 1 ? a : b;
    const Box& inner = a.layer == 1 ? b : a;
    return overlap && inner.x1 - outer.x1 >= kEnclosure && outer.x2 - inner.x2 >= kEnclosure &&
           inner.y1 - outer.y1 >= kEnclosure && outer.y2 - inner.y2 >= kEnclosure;
  }
  return true;
}

std::vector<Box> randomLayout(unsigned seed, int count)
{
  std::mt19937 random(seed);
  std::vector<Box> boxes;
  for (int tries = 0; tries < count * 20 && static_cast<int>(boxes.size()) < count; ++tries) {
    Box b;
    b.layer = static_cast<int>(random() % kLayerCount);
    b.x1 = static_cast<int>(random() % 40);
    b.y1 = static_cast<int>(random() % 40);
    b.x2 = b.x1 + kWidth[b.layer] + static_cast<int>(random() % 8);
    b.y2 = b.y1 + kWidth[b.layer] + static_cast<int>(random() % 8);
    bool legal = true;
    for (const Box& other : boxes)
      legal = legal && legalPair(b, other);
    if (legal)
      boxes.push_back(b);
  }
  return boxes;
}

class Checker : public compact_test::SweepTest, public testing::WithParamInterface<unsigned> {
 protected:
  void SetUp() override
  {
    SweepTest::SetUp();
    compact_test::setRules(kLayers, kWidth, kSpacing);
    int metal2 = layerNo("CMS"), metal1 = layerNo("CMF");
    EXTENSION[metal2][metal1] = kEnclosure;
    EXTENSION_VALID[metal2][metal1] = 1;
  }

  // The box in the coordinates of a direction (swapped in Y).
  static Box inPass(const Box& b, bool x)
  {
    return x ? b : Box{b.layer, b.y1, b.x1, b.y2, b.x2};
  }
  int low(const Box& b, bool x) const
  {
    return var(x, kLayers[b.layer], b.x1 * s, b.y1 * s, x ? 'l' : 'b');
  }
  int high(const Box& b, bool x) const
  {
    return var(x, kLayers[b.layer], b.x1 * s, b.y1 * s, x ? 'r' : 't');
  }

  int s = theGlobalScale;
};

/* visible -- a left of b across a gap, facing over a positive height, with no box in between. */
bool visible(const std::vector<Box>& boxes, size_t ia, size_t ib)
{
  const Box& a = boxes[ia];
  const Box& b = boxes[ib];
  const int lo = std::max(a.y1, b.y1), hi = std::min(a.y2, b.y2);
  if (a.x2 >= b.x1 || lo >= hi)
    return false;
  for (size_t k = 0; k < boxes.size(); ++k) {
    const Box& c = boxes[k];
    if (k != ia && k != ib && c.x1 < b.x1 && c.x2 > a.x2 && c.y1 < hi && c.y2 > lo)
      return false;
  }
  return true;
}

TEST_P(Checker, RowsOfRandomLayouts)
{
  std::vector<Box> boxes = randomLayout(GetParam(), 30);
  ASSERT_GE(boxes.size(), 12u);
  for (const Box& b : boxes)
    rect(kLayers[b.layer], b.x1 * s, b.y1 * s, b.x2 * s, b.y2 * s);
  makeRows();

  for (bool x : {true, false}) {
    SCOPED_TRACE(x ? "X" : "Y");
    const std::vector<Row>& rows = x ? xRows : yRows;
    std::vector<Box> pass;
    for (const Box& b : boxes)
      pass.push_back(inPass(b, x));
    // The coordinate of every variable as drawn.
    std::vector<int> lowVar, highVar;  // by box
    std::map<int, long> at;
    for (size_t i = 0; i < boxes.size(); ++i) {
      lowVar.push_back(low(boxes[i], x));
      highVar.push_back(high(boxes[i], x));
      at[lowVar[i]] = static_cast<long>(pass[i].x1) * s;
      at[highVar[i]] = static_cast<long>(pass[i].x2) * s;
    }
    ASSERT_EQ(at.count(0), 0u) << "a box has no variable";
    ASSERT_EQ(at.size(), 2 * boxes.size());

    // (a)
    for (const Row& row : rows) {
      long sum = 0;
      for (auto& term : row.terms)
        sum += term.second * at.at(term.first);
      if (row.type == 'E')
        EXPECT_EQ(sum, row.value) << "row " << row.rank;
      else
        EXPECT_GE(sum, row.value) << "row " << row.rank;
    }
    // Rows by their ordered pair (negative variable, positive variable).
    std::map<std::pair<int, int>, const Row*> pairs;
    for (const Row& row : rows) {
      if (row.terms.size() != 2)
        continue;
      auto it = row.terms.begin();
      auto first = *it++, second = *it;
      if (first.second < 0)
        pairs[{first.first, second.first}] = &row;
      else
        pairs[{second.first, first.first}] = &row;
    }
    // (b)
    for (size_t i = 0; i < pass.size(); ++i)
      for (size_t j = 0; j < pass.size(); ++j) {
        const Box& a = pass[i];
        const Box& b = pass[j];
        if (i == j || kSpacing[b.layer][a.layer] == 0 || !visible(pass, i, j))
          continue;
        auto found = pairs.find({highVar[i], lowVar[j]});
        ASSERT_NE(found, pairs.end()) << kLayers[a.layer] << " (" << a.x1 << " " << a.y1
                                      << ") sees " << kLayers[b.layer] << " (" << b.x1
                                      << " " << b.y1 << ") without a row";
        EXPECT_EQ(found->second->value, kSpacing[b.layer][a.layer] * s);
      }
    // (c)
    for (size_t i = 0; i < pass.size(); ++i) {
      const Box& b = pass[i];
      auto found = pairs.find({lowVar[i], highVar[i]});
      ASSERT_NE(found, pairs.end()) << "no width row";
      EXPECT_EQ(found->second->type, 'G');
      EXPECT_EQ(found->second->value, kWidth[b.layer] * s);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Random, Checker, testing::Range(1u, 41u));

}  // namespace
