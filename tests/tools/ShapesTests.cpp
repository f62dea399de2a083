// Merged shapes: the union does not depend on how it was drawn, pieces join
// along edges only, and the grid index finds what a brute force finds.
#include <gtest/gtest.h>

#include <random>

#include "Shapes.h"

namespace {

using namespace layout_check;

// Area covered by `boxes`, counted cell by cell on a small grid.
long long pixelArea(const Boxes& boxes, int size)
{
  long long n = 0;
  for (int x = 0; x < size; ++x)
    for (int y = 0; y < size; ++y)
      for (const Box& b : boxes)
        if (b.x1 <= x && x < b.x2 && b.y1 <= y && y < b.y2) {
          ++n;
          break;
        }
  return n;
}

Boxes randomBoxes(std::mt19937& random, int count, int size)
{
  std::uniform_int_distribution<int> at(0, size - 1), extent(1, size / 3);
  Boxes boxes;
  for (int i = 0; i < count; ++i) {
    long x = at(random), y = at(random);
    boxes.push_back({x, y, std::min<long>(size, x + extent(random)),
                     std::min<long>(size, y + extent(random))});
  }
  return boxes;
}

TEST(Shapes, UnionIsTheSameWhateverTheDrawing)
{
  // An L drawn as two overlapping boxes, as two abutting ones, as three.
  Boxes drawings[] = {{{0, 0, 20, 5}, {0, 0, 10, 10}},
                      {{0, 0, 20, 5}, {0, 5, 10, 10}},
                      {{0, 0, 10, 10}, {10, 0, 15, 5}, {15, 0, 20, 5}}};
  const Boxes expected = {{0, 0, 20, 5}, {0, 5, 10, 10}};
  for (const Boxes& d : drawings) {
    EXPECT_EQ(merged(d), expected);
    EXPECT_EQ(mergedColumns(d), (Boxes{{0, 0, 10, 10}, {10, 0, 20, 5}}));
  }
}

TEST(Shapes, RandomUnionsCoverWhatTheirBoxesCover)
{
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    Boxes a = randomBoxes(random, 12, 40), b = randomBoxes(random, 12, 40);
    Boxes m = merged(a), c = mergedColumns(a);
    ASSERT_EQ(totalArea(m), pixelArea(a, 40));
    ASSERT_EQ(totalArea(c), pixelArea(a, 40));
    for (size_t i = 0; i < m.size(); ++i)
      for (size_t j = i + 1; j < m.size(); ++j)
        ASSERT_FALSE(overlaps(m[i], m[j]));
    Boxes all = a;
    all.insert(all.end(), b.begin(), b.end());
    long long both = pixelArea(a, 40) + pixelArea(b, 40) - pixelArea(all, 40);
    EXPECT_EQ(totalArea(intersection(m, merged(b))), both);
    EXPECT_EQ(totalArea(difference(m, merged(b))), pixelArea(a, 40) - both);
  }
}

TEST(Shapes, PiecesJoinAlongEdgesNotAtCorners)
{
  struct Case {
    Boxes boxes;
    int pieces;
  } cases[] = {
      {{{0, 0, 10, 10}, {10, 10, 20, 20}}, 2},            // corner only
      {{{0, 0, 10, 10}, {10, 5, 20, 15}}, 1},             // side by side
      {{{0, 0, 10, 10}, {5, 10, 15, 20}}, 1},             // one on the other
      {{{0, 0, 10, 10}, {10, 10, 20, 20}, {0, 10, 10, 20}}, 1},
      {{{0, 0, 10, 10}, {20, 0, 30, 10}}, 2},
  };
  for (const Case& c : cases) {
    int count = 0;
    pieces(merged(c.boxes), &count);
    EXPECT_EQ(count, c.pieces);
  }
}

TEST(Shapes, IndexFindsWhatABruteForceFinds)
{
  std::mt19937 random(11);
  Boxes boxes = randomBoxes(random, 300, 1000);
  boxes.push_back({0, 0, 1000, 3});  // one over many cells
  BoxIndex index(boxes);
  for (const Box& q : randomBoxes(random, 50, 1000))
    for (long margin : {0L, 7L, 60L}) {
      std::vector<int> found, expected;
      index.near(q, margin, [&](int i) { found.push_back(i); });
      for (size_t i = 0; i < boxes.size(); ++i)
        if (gapX(boxes[i], grown(q, margin)) == 0 && gapY(boxes[i], grown(q, margin)) == 0)
          expected.push_back(static_cast<int>(i));
      std::sort(found.begin(), found.end());
      ASSERT_EQ(found, expected);
    }
}

}  // namespace
