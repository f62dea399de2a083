// The sweep on hand-drawn planes: the row cases that decide what a resized
// layout may do, the process order at one coordinate, and the interval set
// against brute force.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <set>

#include "DCMinterval.h"
#include "DRdesignrule.h"
#include "RowSupport.h"

namespace {

using compact_test::layerNo;
using compact_test::Row;

class SweepCase : public compact_test::SweepTest {
 protected:
  void SetUp() override
  {
    SweepTest::SetUp();
    s = theGlobalScale;
    metal = layerNo("CMF");
    poly = layerNo("CPG");
    WIDTH[metal] = 3;
    WIDTH_VALID[metal] = 1;
    SPACING[metal][metal] = 3;
    SPACING_VALID[metal][metal] = 1;
  }
  int s = 0;
  int metal = 0, poly = 0;
};

// Of three tiles side by side, the middle one has solid neighbours on both
// sides: it may shrink to nothing.  The outer ones keep the layer's width.
// Abutting tiles of one layer are one shape: their facing sides are held
// together, with no spacing row between them.
TEST_F(SweepCase, EnclosedTileGetsAZeroWidthRowAbuttingTilesAnEquality)
{
  for (int i = 0; i < 3; ++i)
    rect("CMF", 10 * i * s, 0, 10 * (i + 1) * s, 10 * s);
  makeRows();
  const int expected[] = {3 * s, 0, 3 * s};
  for (int i = 0; i < 3; ++i) {
    const int left = var(true, "CMF", 10 * i * s, 0, 'l'), right = var(true, "CMF", 10 * i * s, 0, 'r');
    std::vector<Row> rows = between(true, left, right);
    ASSERT_EQ(rows.size(), 1u) << "tile " << i;
    EXPECT_EQ(rows[0].type, 'G');
    EXPECT_EQ(rows[0].value, expected[i]) << "tile " << i;
    EXPECT_EQ(rows[0].terms[right], 1);
    if (i == 2)
      continue;
    rows = between(true, right, var(true, "CMF", 10 * (i + 1) * s, 0, 'l'));
    ASSERT_EQ(rows.size(), 1u) << "tiles " << i << " and " << i + 1;
    EXPECT_EQ(rows[0].type, 'E');
    EXPECT_EQ(rows[0].value, 0);
  }
}

// Boxes touching at a corner meet but are not aligned: in each direction
// the only row between them ties the two facing sides.
TEST_F(SweepCase, CornerTouchingBoxesGiveSpacingRowsOnly)
{
  SPACING[metal][poly] = SPACING[poly][metal] = 2;
  SPACING_VALID[metal][poly] = SPACING_VALID[poly][metal] = 1;
  rect("CMF", 0, 0, 10 * s, 10 * s);
  rect("CPG", 10 * s, 10 * s, 20 * s, 20 * s);
  makeRows();
  for (bool x : {true, false}) {
    int a[2] = {var(x, "CMF", 0, 0, x ? 'l' : 'b'), var(x, "CMF", 0, 0, x ? 'r' : 't')};
    int b[2] = {var(x, "CPG", 10 * s, 10 * s, x ? 'l' : 'b'),
                var(x, "CPG", 10 * s, 10 * s, x ? 'r' : 't')};
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 2; ++j) {
        size_t want = i == 1 && j == 0 ? 1 : 0;
        EXPECT_EQ(between(x, a[i], b[j]).size(), want) << x << i << j;
      }
    std::vector<Row> facing = between(x, a[1], b[0]);
    ASSERT_EQ(facing.size(), 1u);
    EXPECT_EQ(facing[0].type, 'G');
    EXPECT_EQ(facing[0].value, 2 * s);
    EXPECT_EQ(facing[0].terms[b[0]], 1);
  }
}

// A right edge diagonally below-left (or above-left) of a box's corner: 10
// units away in x and 25 in y is outside the corner shade (25 / 10 = 2), at
// 19 it is inside (19 / 10 = 1) and gives a spacing row.
class CornerShade : public SweepCase, public testing::WithParamInterface<int> {};

TEST_P(CornerShade, TwoToOne)
{
  const int dy = GetParam(), h = 100;
  rect("CMF", 0, 0, h, h);
  const int y = dy > 0 ? h + dy : -h + dy;
  rect("CMF", h + 10, y, 2 * h + 10, y + h);
  makeRows();
  std::vector<Row> rows =
      between(true, var(true, "CMF", 0, 0, 'r'), var(true, "CMF", h + 10, y, 'l'));
  if (std::abs(dy) >= 20) {
    EXPECT_TRUE(rows.empty());
  } else {
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].value, 3 * s);
  }
}
INSTANTIATE_TEST_SUITE_P(Sweep, CornerShade, testing::Values(25, 20, 19, -25, -19));

// A transistor-free check of the extension cases: a box of one layer inside
// a box of another keeps its margins, and both boxes get weighted.
TEST_F(SweepCase, ExtensionKeepsTheMargins)
{
  EXTENSION[poly][metal] = 2;
  EXTENSION_VALID[poly][metal] = 1;
  rect("CPG", 0, 0, 30 * s, 30 * s);
  rect("CMF", 5 * s, 5 * s, 25 * s, 25 * s);
  makeRows();
  struct Pair {
    char outer, inner;
    int outerTerm;
  } pairs[] = {{'l', 'l', -1}, {'r', 'r', 1}};
  for (const Pair& p : pairs) {
    int outer = var(true, "CPG", 0, 0, p.outer), inner = var(true, "CMF", 5 * s, 5 * s, p.inner);
    std::vector<Row> rows = between(true, outer, inner);
    ASSERT_EQ(rows.size(), 1u) << p.outer;
    EXPECT_EQ(rows[0].value, 2 * s);
    EXPECT_EQ(rows[0].terms[outer], p.outerTerm);
    EXPECT_EQ((*equat_bucket)[outer - 1].alpha, 10000);
  }
}

TEST(ProcessList, RightEndGoesBeforeTheLeftEndsItMeets)
{
  // Boxes by y range; at this coordinate a..c start and d, e end.
  box_item a{}, b{}, c{}, d{}, e{};
  auto place = [](box_item* box, long x1, long x2, long y1, long y2) {
    box->x1 = x1;
    box->x2 = x2;
    box->y1 = y1;
    box->y2 = y2;
    box->tree_slot = -1;
  };
  place(&a, 50, 60, 0, 10);
  place(&b, 50, 60, 20, 30);
  place(&c, 50, 60, 40, 50);
  place(&d, 10, 50, 5, 25);    // meets a and b
  place(&e, 10, 50, 100, 110); // meets nothing
  PROC_LIST list(std::make_shared<std::vector<int32_t>>(std::vector<int32_t>{0, 5, 20, 40, 100}));
  for (box_item* box : {&a, &b, &e, &c, &d})
    list.insert_rule1(PROC_ITEM{box, 50});
  std::vector<box_item*> got;
  for (const PROC_ITEM& item : list.ordered())
    got.push_back(item.box);
  EXPECT_EQ(got, (std::vector<box_item*>{&e, &c, &d, &b, &a}));
}

// Trees of one leaf, of one full level and one past it, and of several
// levels; keys spaced and below zero, so that queries also name values
// that are not keys.
TEST(IntervalSet, QueriesAgreeWithBruteForce)
{
  const struct {
    int keys, first, step;
  } cases[] = {{1, 0, 1}, {16, 0, 1}, {17, -8, 3}, {200, 0, 1}, {257, -300, 2}, {4100, -5000, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    std::mt19937 random(7);
    auto pick = [&](int n) { return static_cast<int>(random() % n); };
    auto keys = std::make_shared<compact::IntervalSet::Keys>();
    for (int k = 0; k < c.keys; ++k)
      keys->push_back(c.first + k * c.step);
    const int span = c.keys * c.step;  // of the keys, in y
    std::vector<box_item> boxes(300);
    std::vector<_edge> edges(boxes.size());
    compact::IntervalSet set(keys, {});
    std::vector<bool> in(boxes.size(), false);
    for (size_t i = 0; i < boxes.size(); ++i) {
      box_item& b = boxes[i];
      b = box_item{};
      b.tree_slot = -1;
      b.y1 = (*keys)[pick(c.keys)];
      b.y2 = b.y1 + pick(30);
      b.x1 = pick(100);
      b.x2 = b.x1 + 1 + pick(20);
      edges[i].p1 = {static_cast<int>(b.x2), static_cast<int>(b.y1) - pick(5)};
      edges[i].p2 = {static_cast<int>(b.x2), static_cast<int>(b.y2) + pick(5)};
      b.right_edge = &edges[i];
    }
    for (int step = 0; step < 2000; ++step) {
      if (step == 1000) {  // a cleared set is as good as new
        set.clear();
        std::fill(in.begin(), in.end(), false);
        EXPECT_TRUE(set.empty());
        for (const box_item& b : boxes)
          ASSERT_EQ(b.tree_slot, -1);
      }
      size_t i = pick(static_cast<int>(boxes.size()));
      if (in[i])
        set.erase(&boxes[i]);
      else
        set.insert(&boxes[i]);
      in[i] = !in[i];
      if (step % 10)
        continue;
      long y1 = c.first - 20 + pick(span + 40), y2 = y1 + pick(40), x = 120 + pick(30);
      std::vector<box_item*> meeting, below, above, wantMeeting, wantBelow, wantAbove;
      set.meeting(y1, y2, &meeting);
      set.belowShade(x, y1, &below);
      set.aboveShade(x, y2, &above);
      for (size_t j = 0; j < boxes.size(); ++j) {
        if (!in[j])
          continue;
        box_item* b = &boxes[j];
        const _edge* e = b->right_edge;
        long dx = x - e->p1.x;
        if (b->y1 <= y2 && b->y2 >= y1)
          wantMeeting.push_back(b);
        if (b->y2 < y1 && std::abs(e->p2.y - y1) < 2 * dx)
          wantBelow.push_back(b);
        if (b->y1 > y2 && std::abs(e->p1.y - y2) < 2 * dx)
          wantAbove.push_back(b);
      }
      for (auto* v : {&meeting, &below, &above, &wantMeeting, &wantBelow, &wantAbove})
        std::sort(v->begin(), v->end());
      ASSERT_EQ(meeting, wantMeeting) << step;
      ASSERT_EQ(below, wantBelow) << step;
      ASSERT_EQ(above, wantAbove) << step;
    }
    set.clear();
  }
}

// Tagged boxes: the queries keep to the tags asked for and report in key
// order (y1, then insertion), also when a shade spans several parts.
TEST(IntervalSet, TaggedQueriesKeepKeyOrder)
{
  std::mt19937 random(11);
  auto pick = [&](int n) { return static_cast<int>(random() % n); };
  const int count = 200;
  std::vector<box_item> boxes(count);
  std::vector<_edge> edges(count);
  std::vector<uint32_t> tags(count), visible(count);
  std::vector<long> inserted(count, -1);  // insertion number while in the set
  long inserts = 0;
  for (int i = 0; i < count; ++i) {
    box_item& b = boxes[i];
    b = box_item{};
    b.tree_slot = -1;
    b.y1 = pick(150);
    b.y2 = b.y1 + pick(20);
    b.x2 = pick(100);
    edges[i].p1 = {b.x2, b.y1};
    edges[i].p2 = {b.x2, b.y2};
    b.right_edge = &edges[i];
    tags[i] = 1u << pick(4);
    const int kind = pick(4);  // the layer again, none, or several bits
    visible[i] = kind < 2 ? tags[i] : kind == 2 ? 0 : tags[i] | 1u << (4 + pick(3));
  }
  // Each part is keyed by the y1 of its own boxes only.
  std::vector<compact::IntervalSet::KeysPtr> partKeys(compact::IntervalSet::kParts);
  for (int p = 0; p < compact::IntervalSet::kParts; ++p) {
    std::set<int32_t> ys;
    for (int i = 0; i < count; ++i) {
      const bool single = (visible[i] & (visible[i] - 1)) == 0;
      const bool last = p == compact::IntervalSet::kParts - 1;
      if (visible[i] && (single ? !last && visible[i] == 1u << p : last))
        ys.insert(boxes[i].y1);
    }
    if (!ys.empty())
      partKeys[p] = std::make_shared<compact::IntervalSet::Keys>(ys.begin(), ys.end());
  }
  auto keys = std::make_shared<compact::IntervalSet::Keys>(150);  // every y from 0 to 149
  std::iota(keys->begin(), keys->end(), 0);
  compact::IntervalSet set(keys, partKeys);
  for (int step = 0; step < 1500; ++step) {
    const int i = pick(count);
    if (inserted[i] >= 0) {
      set.erase(&boxes[i]);
      inserted[i] = -1;
    } else {
      set.insert(&boxes[i], tags[i], visible[i]);
      inserted[i] = inserts++;
    }
    if (step % 10)
      continue;
    const uint32_t ask = static_cast<uint32_t>(pick(128)) | 1u;
    const long y1 = pick(170), y2 = y1 + pick(30), x = 100 + pick(60);
    std::vector<box_item*> meeting, below, above, wantMeeting, wantBelow, wantAbove;
    set.meeting(y1, y2, &meeting, ask);
    set.belowShade(x, y1, &below, ask);
    set.aboveShade(x, y2, &above, ask);
    std::vector<int> order;
    for (int j = 0; j < count; ++j)
      if (inserted[j] >= 0)
        order.push_back(j);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
      return boxes[a].y1 < boxes[b].y1 || (boxes[a].y1 == boxes[b].y1 && inserted[a] < inserted[b]);
    });
    for (int j : order) {
      box_item* b = &boxes[j];
      const long dx = x - b->x2;
      if ((tags[j] & ask) && b->y1 <= y2 && b->y2 >= y1)
        wantMeeting.push_back(b);
      if ((visible[j] & ask) && b->y2 < y1 && std::abs(b->y2 - y1) < 2 * dx)
        wantBelow.push_back(b);
      if ((visible[j] & ask) && b->y1 > y2 && std::abs(b->y1 - y2) < 2 * dx)
        wantAbove.push_back(b);
    }
    ASSERT_EQ(meeting, wantMeeting) << step;
    ASSERT_EQ(below, wantBelow) << step;
    ASSERT_EQ(above, wantAbove) << step;
  }
  set.clear();
}

}  // namespace
