// Randomized tests of insertion, point search and area enumeration against
// brute force and against a recursive version of the enumeration.
#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "PlaneSupport.h"

using cs_test::PlaneTest;

namespace {

struct Box {
  int x1, y1, x2, y2, type;
  bool covers(int x, int y) const { return x1 < x && x <= x2 && y1 <= y && y < y2; }
};

// The type a point gets from the boxes inserted over it, in order: the
// first box's type; a box of another type than the point has makes it an
// element of the new box's layer.
int expectedType(const std::vector<Box>& boxes, int x, int y)
{
  int type = cs::kSpace;
  for (const Box& b : boxes) {
    if (!b.covers(x, y))
      continue;
    if (type == cs::kSpace)
      type = b.type;
    else if (type != b.type)
      type = b.type | cs::kElement;
  }
  return type;
}

long long unionArea(const std::vector<Box>& boxes)
{
  std::vector<_rects> rects(boxes.size());
  for (size_t i = 0; i < boxes.size(); ++i)
    rects[i] = {boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2,
                i + 1 < boxes.size() ? &rects[i + 1] : nullptr};
  return cs::unionArea(boxes.empty() ? nullptr : rects.data());
}

// Random boxes on a coarse grid (so edges are often shared and boxes abut)
// mixed with boxes of arbitrary size down to one unit.
class BoxMaker {
 public:
  explicit BoxMaker(unsigned seed) : random_(seed) {}
  Box next(int span, int types)
  {
    int type = pick(0, types - 1) * 3 + 1;  // 1, 4, 7, ...
    if (pick(0, 2) > 0) {
      int grid = span / 20;
      int x = pick(0, 19) * grid, y = pick(0, 19) * grid;
      return {x, y, x + pick(1, 5) * grid, y + pick(1, 5) * grid, type};
    }
    int x = pick(0, span), y = pick(0, span);
    return {x, y, x + pick(1, span / 6), y + pick(1, span / 6), type};
  }
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }

 private:
  std::mt19937 random_;
};

// AreaEnum as its description reads, recursively, for comparison.
struct RecursiveEnum {
  int x1, y1, x2, y2;
  std::vector<_Dtile*> list;

  void run()
  {
    _Dtile* t = PointFind(x2, y1);
    list.push_back(t);
    for (_Dtile* n = t->bl(); n && cs::right(n) > x1; n = t->bl()) {
      while (cs::top(n) <= y1)
        n = n->rt();
      list.push_back(n);
      t = n;
    }
    std::vector<_Dtile*> row = list;
    for (_Dtile* b : row)
      if (cs::top(b) < y2)
        up(b);
  }
  void up(_Dtile* t)
  {
    _Dtilelist* above = nullptr;
    Neighbor(t, &above, cs::kTopSide, 0);
    for (_Dtilelist* p = above; p; p = p->next) {
      _Dtile* n = p->tile;
      if (cs::right(n) <= x1)
        continue;
      if (n->y1 >= y2 || n->x1 >= x2)
        break;
      if ((n->x1 >= t->x1 && n->x1 < cs::right(t)) || (n->x1 < x1 && t->x1 <= x1)) {
        list.push_back(n);
        up(n);
      }
    }
    FreeList(above);
  }
};

std::vector<_Dtile*> areaEnum(int x1, int y1, int x2, int y2)
{
  _Dtilelist* list = nullptr;
  AreaEnum(x1, y1, x2, y2, &list, 0);
  std::vector<_Dtile*> result;
  for (_Dtilelist* p = list; p; p = p->next)
    result.push_back(p->tile);
  FreeList(list);
  return result;
}

// Inserts `count` random boxes and checks the plane on the way.
void fillAndCheck(unsigned seed, int count, int span, int types)
{
  SCOPED_TRACE("seed " + std::to_string(seed));
  BoxMaker maker(seed);
  Stitch = Init1LayerCS();
  std::vector<Box> boxes;
  std::string report;
  for (int i = 0; i < count; ++i) {
    Box b = maker.next(span, types);
    boxes.push_back(b);
    _rects r{b.x1, b.y1, b.x2, b.y2, nullptr};
    Stitch = Put1BoxCS(&r, b.type, 0);
    if (i % 97 == 0 || i + 1 == count) {
      ASSERT_TRUE(cs::checkPlane(Stitch, &report, unionArea(boxes)))
          << "after box " << i << ": " << report;
    }
  }
  _Dtile* entry = Stitch;

  // Every point lies in the tile PointFind gives, from any start, and has
  // the type the boxes over it make.
  std::vector<_Dtile*> tiles = cs_test::allTiles(entry);
  for (int i = 0; i < 2000; ++i) {
    int x = maker.pick(-10, span + span / 5), y = maker.pick(-10, span + span / 5);
    Stitch = tiles[maker.pick(0, static_cast<int>(tiles.size()) - 1)];
    _Dtile* t = PointFind(x, y);
    ASSERT_TRUE(t->x1 < x && x <= cs::right(t) && t->y1 <= y && y < cs::top(t))
        << x << "," << y << " not in " << cs_test::text(t);
    ASSERT_EQ(t->type, expectedType(boxes, x, y)) << "at " << x << "," << y;
  }

  // Enumeration meets exactly the tiles whose interior meets the area, each
  // once, in the order of the recursive description.
  for (int i = 0; i < 300; ++i) {
    int x1 = maker.pick(-10, span), y1 = maker.pick(-10, span);
    int x2 = x1 + maker.pick(1, span / 2), y2 = y1 + maker.pick(1, span / 2);
    Stitch = entry;
    std::vector<_Dtile*> listed = areaEnum(x1, y1, x2, y2);
    Stitch = entry;
    RecursiveEnum reference{x1, y1, x2, y2, {}};
    reference.run();
    ASSERT_EQ(listed, reference.list) << "area " << x1 << " " << y1 << " " << x2 << " " << y2;
    std::set<_Dtile*> expected;
    for (_Dtile* t : tiles)
      if (t->x1 < x2 && cs::right(t) > x1 && t->y1 < y2 && cs::top(t) > y1)
        expected.insert(t);
    std::set<_Dtile*> got(listed.begin(), listed.end());
    ASSERT_EQ(got.size(), listed.size()) << "a tile is listed twice";
    ASSERT_EQ(got, expected);
  }
}

}  // namespace

TEST_F(PlaneTest, RandomBoxesOfOneLayer) { fillAndCheck(1, 2500, 4000, 1); }

TEST_F(PlaneTest, RandomBoxesOfSeveralLayers)
{
  for (unsigned seed : {2u, 3u, 4u})
    fillAndCheck(seed, 1500, 4000, 3);
}

TEST_F(PlaneTest, RandomSmallBoxesCrowded) { fillAndCheck(5, 3000, 300, 2); }

TEST_F(PlaneTest, RandomSplitsKeepThePlaneSound)
{
  BoxMaker maker(6);
  Stitch = Init1LayerCS();
  std::vector<Box> boxes;
  for (int i = 0; i < 400; ++i) {
    Box b = maker.next(2000, 2);
    boxes.push_back(b);
    _rects r{b.x1, b.y1, b.x2, b.y2, nullptr};
    Stitch = Put1BoxCS(&r, b.type, 0);
  }
  long long area = unionArea(boxes);
  std::string report;
  for (int i = 0; i < 400; ++i) {
    std::vector<_Dtile*> tiles = cs_test::allTiles(Stitch);
    _Dtile* t = tiles[maker.pick(0, static_cast<int>(tiles.size()) - 1)];
    if (!TisSolid(t) || TisInfinit(t))
      continue;
    bool vertical = maker.pick(0, 1) == 0;
    int lo = vertical ? t->x1 : t->y1, hi = vertical ? cs::right(t) : cs::top(t);
    if (hi - lo < 2)
      continue;
    int at = maker.pick(lo + 1, hi - 1);
    _Dtile* made = nullptr;
    ASSERT_EQ(TileSplit(t, _point{at, at}, vertical ? cs::kCutVertical : cs::kCutHorizontal,
                        &made, 1),
              0);
    ASSERT_TRUE(cs::checkPlane(t, &report, area)) << report;
  }
}

// Work that a recursive insertion or enumeration would do on the stack:
// a box over thousands of others, and an area over a tall pile of tiles.
TEST_F(PlaneTest, DeepInsertionAndEnumerationNeedNoStack)
{
  constexpr int kBoxes = 20000;
  Stitch = Init1LayerCS();
  for (int i = 0; i < kBoxes; ++i) {
    _rects r{i * 20, 0, i * 20 + 10, 10, nullptr};
    Stitch = Put1BoxCS(&r, 4, 0);
  }
  _rects wide{-5, -5, kBoxes * 20, 20, nullptr};
  Stitch = Put1BoxCS(&wide, 4, 0);
  std::string report;
  EXPECT_TRUE(cs::checkPlane(Stitch, &report, (kBoxes * 20 + 5) * 25LL)) << report;

  Stitch = Init1LayerCS();
  for (int i = 0; i < kBoxes; ++i) {
    _rects r{(i % 2) * 5, i * 10, (i % 2) * 5 + 20, i * 10 + 10, nullptr};
    Stitch = Put1BoxCS(&r, 7, 0);
  }
  _Dtilelist* list = nullptr;
  int n = AreaEnum(0, 0, 25, kBoxes * 10, &list, 1);
  EXPECT_GE(n, kBoxes);
  FreeList(list);
  EXPECT_TRUE(cs::checkPlane(Stitch, &report, kBoxes * 200LL)) << report;
}
