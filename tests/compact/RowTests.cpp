// Rows on hand-made variables: the first row of an ordered pair stands,
// four-variable rows, right-hand-side order, statistics and event order.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>

#include "DCMint.h"
#include "RowSupport.h"

namespace {

using compact_test::Row;
using compact_test::readRows;

class RowTest : public testing_support::CoreTest {
 protected:
  void SetUp() override
  {
    CoreTest::SetUp();
    init_staff();
    rows = compact::newRows();
    mps_column_num = 1;
    compact::resetStatistics();
  }
  void TearDown() override
  {
    compact::freeRows(rows);
    compact::freeStaff();
    CoreTest::TearDown();
  }
  _edge* edge(int x, short layer = 1)
  {
    edges.push_back(_edge{});
    _edge* e = &edges.back();
    e->p1 = {x, 0};
    e->p2 = {x, 10};
    e->layer_num = layer;
    e->name = "L";
    compact::addVariable(equat_bucket, e);
    return e;
  }
  std::vector<Row> all() const { return readRows(*equat_bucket, rows); }

  std::deque<_edge> edges;
  _rhs_list* rows = nullptr;
};

TEST_F(RowTest, FirstRowOfAnOrderedPairStands)
{
  _edge* a = edge(0);
  _edge* b = edge(100);
  add_column_2(a, b, equat_bucket, rows, 40, 'G', 1, 1);
  add_column_2(a, b, equat_bucket, rows, 0, 'E', 1, 1);   // dropped
  add_column_2(a, b, equat_bucket, rows, 90, 'G', 1, 1);  // dropped
  add_column_2(b, a, equat_bucket, rows, -7, 'G', 1, 1);  // the other order: a row
  std::vector<Row> got = all();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].rank, 2);
  EXPECT_EQ(got[0].type, 'G');
  EXPECT_EQ(got[0].value, 40);
  EXPECT_EQ(got[0].terms, (std::map<int, int>{{a->sub, -1}, {b->sub, 1}}));
  EXPECT_EQ(got[1].rank, 3);
  EXPECT_EQ(got[1].terms, (std::map<int, int>{{a->sub, 1}, {b->sub, -1}}));
  EXPECT_EQ(looplooploop, 2);
  EXPECT_EQ(mps_column_num, 3);
  // Each coefficient names the other variable of its row.
  EXPECT_EQ(compact::otherEdge(*equat_bucket, *compact::coefficients((*equat_bucket)[a->sub - 1]).begin()), b);
}

// Many variables with a few rows each, in two rounds: every
// ordered pair makes one row, and only one (the pair filter never hides a
// row made before).
TEST_F(RowTest, EveryOrderedPairOnceAmongManyVariables)
{
  std::vector<_edge*> v;
  for (int i = 0; i < 300; ++i)
    v.push_back(edge(i * 10));
  const int first = mps_column_num;
  int pairs = 0;
  for (int round = 0; round < 2; ++round)
    for (size_t i = 0; i < v.size(); ++i)
      for (size_t d = 1; d <= 3 && i + d < v.size(); ++d) {
        add_column_2(v[i], v[i + d], equat_bucket, rows, round, 'G', 1, 1);
        pairs += round == 0 ? 1 : 0;
      }
  EXPECT_EQ(mps_column_num - first, pairs);
  EXPECT_EQ(looplooploop, pairs);
  std::vector<Row> got = all();
  ASSERT_EQ(got.size(), static_cast<size_t>(pairs));
  for (const Row& row : got)
    EXPECT_EQ(row.value, 0);  // the first round's rows stand
}

TEST_F(RowTest, FourVariableRows)
{
  _edge* e[4] = {edge(0), edge(10), edge(20), edge(30)};
  add_column_4(e[0], e[1], e[2], e[2], equat_bucket, rows, 0);
  add_column_4(e[0], e[1], e[2], e[3], equat_bucket, rows, 5);
  add_column_4(e[0], e[1], e[2], e[3], equat_bucket, rows, 5);  // no duplicate check
  std::vector<Row> got = all();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].terms, (std::map<int, int>{{1, 1}, {2, 1}, {3, -2}}));
  EXPECT_EQ(got[1].terms, (std::map<int, int>{{1, 1}, {2, 1}, {3, -1}, {4, -1}}));
  EXPECT_EQ(got[1].type, 'E');
  EXPECT_EQ(got[2].value, 5);
  EXPECT_EQ(compact::otherEdge(*equat_bucket, *compact::coefficients((*equat_bucket)[2]).begin()), nullptr);
}

// Right-hand sides stay in row order; an equal row number goes before the
// items already there.  Row numbers are kept as runs of consecutive
// numbers: long runs cut by inserts at their start, inside and at their
// end, and equal numbers, read back as a sorted insertion would leave them.
TEST_F(RowTest, RightHandSidesMatchAnOrderedInsertion)
{
  std::vector<_rhs_item> expected;
  auto insert = [&](_rhs_item item) {
    rhs_insert(&item, rows);
    auto at = std::lower_bound(expected.begin(), expected.end(), item.column,
                               [](const _rhs_item& r, int c) { return r.column < c; });
    expected.insert(at, item);
  };
  const int columns[] = {4, 9, 2, 7, 4, 11};
  for (int i = 0; i < 6; ++i)
    insert(_rhs_item{columns[i], i, 'G'});
  std::vector<int> values;
  for (const _rhs_item& r : *rows)
    values.push_back(r.value);
  EXPECT_EQ(values, (std::vector<int>{2, 4, 0, 3, 1, 5}));  // rows 2, 4, 4, 7, 9, 11
  std::mt19937 random(7);
  int next = 100;
  for (int i = 6; i < 600; ++i)  // the usual case: the next row
    insert(_rhs_item{random() % 4 ? next++ : 90 + static_cast<int>(random() % static_cast<unsigned>(next - 80)),
                     i, "EGL"[i % 3]});
  ASSERT_EQ(rows->size(), expected.size());
  size_t i = 0;
  for (const _rhs_item& r : *rows) {
    ASSERT_EQ(r.column, expected[i].column) << "entry " << i;
    ASSERT_EQ(r.value, expected[i].value) << "entry " << i;
    ASSERT_EQ(r.type, expected[i].type) << "entry " << i;
    EXPECT_EQ(rows->at(i).column, r.column) << "entry " << i;
    ++i;
  }
  EXPECT_EQ(rows->back().column, expected.back().column);
}

// Coefficients are kept in a byte unless they do not fit.
TEST_F(RowTest, CoefficientsBeyondAByteKeepTheirValue)
{
  const struct {
    int c2, c1;
  } cases[] = {{127, 1}, {1, 127}, {128, -127}, {-128, 3}, {1, 128}, {-129, 100000},
               {2000000000, -2000000000}};
  _edge* a = edge(0);
  std::vector<std::map<int, int>> expected;
  for (const auto& c : cases) {
    _edge* b = edge(10);
    add_column_2(a, b, equat_bucket, rows, 0, 'G', c.c2, c.c1);
    expected.push_back({{a->sub, -c.c1}, {b->sub, c.c2}});
  }
  std::vector<Row> got = all();
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i)
    EXPECT_EQ(got[i].terms, expected[i]) << "case " << i;
}

// The pool keeps an item's row by its place among the items: rows one
// after the other, rows of many items, jumps and restarts of the numbering,
// across groups of items and chunks of memory.
TEST(EquationPool, ItemsKeepTheirFieldsWhateverTheNumbering)
{
  std::mt19937 random(5);
  compact::EquationPool pool;
  std::vector<_equation_item> want;
  int rank = 1;
  const size_t count = (size_t{1} << 21) + 3000;  // one chunk and some
  while (want.size() < count) {
    const unsigned kind = random() % 100;
    if (kind == 0)
      rank += 2 + static_cast<int>(random() % 50);  // a jump
    else if (kind == 1)
      rank = static_cast<int>(random() % 100) - 50;  // numbered again, maybe below zero
    else
      ++rank;
    const size_t items = kind == 2 ? 70 + random() % 70 : 2 + random() % 3;
    for (size_t k = 0; k < items; ++k) {
      const int coeff = kind == 3 ? 300 - static_cast<int>(random() % 600) : k % 2 ? 1 : -1;
      const _equation_item item{rank, coeff, static_cast<int>(random() % 1000),
                                static_cast<uint32_t>(want.size())};
      ASSERT_EQ(pool.add(item), want.size() + 1);
      want.push_back(item);
    }
  }
  for (size_t i = 0; i < want.size(); ++i) {
    const _equation_item got = pool.at(static_cast<uint32_t>(i + 1));
    ASSERT_EQ(got.rank, want[i].rank) << i;
    ASSERT_EQ(got.coeff, want[i].coeff) << i;
    ASSERT_EQ(got.other, want[i].other) << i;
    ASSERT_EQ(got.next, want[i].next) << i;
  }
  pool.release();
  EXPECT_EQ(pool.add(_equation_item{9, 1, 2, 0}), 1u);
  EXPECT_EQ(pool.at(1).rank, 9);
}

TEST_F(RowTest, StatisticsCountOnlyTheFirstSixteenLayers)
{
  _edge* low = edge(0, 3);
  _edge* high = edge(10, 20);
  _edge* other = edge(20, 16);
  add_column_2(low, high, equat_bucket, rows, 0, 'G', 1, 1);
  add_column_2(high, other, equat_bucket, rows, 0, 'G', 1, 1);
  add_column_2(low, high, equat_bucket, rows, 0, 'G', 1, 1);
  add_column_2(high, other, equat_bucket, rows, 0, 'G', 1, 1);
  EXPECT_EQ(count_left[3], 1);
  EXPECT_EQ(loop_left[3], 1);
  int rest = 0;
  for (int i = 0; i < kStatLayers; ++i)
    rest += count_right[i] + loop_right[i] + (i == 3 ? 0 : count_left[i] + loop_left[i]);
  EXPECT_EQ(rest, 0);
}

TEST_F(RowTest, ProgressBlockEveryFiveThousandRows)
{
  _edge* a = edge(7, 2);
  _edge* b = edge(9, 2);
  mps_column_num = 5000;
  looplooploop = 3;
  add_column_2(a, b, equat_bucket, rows, 0, 'G', 1, 1);
  EXPECT_NE(out.find("dir 1 mps_column = 5000, line = 7>9, looplooploop = 3\n"),
            std::string::npos) << out;
  EXPECT_NE(out.find("ct_left       0      0      1 "), std::string::npos) << out;
  EXPECT_EQ(looplooploop, 0);
  EXPECT_EQ(count_left[2], 0);  // reset after the block
}

TEST_F(RowTest, ModifyAlphaWeighsBothSides)
{
  _edge* a = edge(0);
  _edge* b = edge(5);
  _edge* c = edge(9);
  box_item box{};
  box.left_edge = a;
  box.right_edge = b;
  modify_alpha(equat_bucket, &box);
  EXPECT_EQ((*equat_bucket)[a->sub - 1].alpha, 10000);
  EXPECT_EQ((*equat_bucket)[b->sub - 1].alpha, 10000);
  EXPECT_EQ((*equat_bucket)[c->sub - 1].alpha, 1);
}

// Events come in ascending value; among equal values the later insertion
// first, also for insertions after the list was read.
TEST(SweepList, OrderOfEvents)
{
  box_item boxes[6]{};
  sweep_list list;
  const long values[] = {30, 10, 30, 20, 10};
  for (int i = 0; i < 5; ++i)
    list.Insert(&boxes[i], values[i]);
  auto order = [&]() {
    std::vector<int> got;
    for (const sweep_elem& e : list.events())
      got.push_back(static_cast<int>(e.box - boxes));
    return got;
  };
  EXPECT_EQ(order(), (std::vector<int>{4, 1, 3, 2, 0}));
  list.Insert(&boxes[5], 10);
  EXPECT_EQ(order(), (std::vector<int>{5, 4, 1, 3, 2, 0}));
}

}  // namespace
