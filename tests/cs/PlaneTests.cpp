// The tile plane and its primitives on hand-built planes.
#include <string>
#include <vector>

#include "PlaneSupport.h"

using cs_test::PlaneTest;
using cs_test::text;
using cs_test::texts;
using Strings = std::vector<std::string>;

namespace {

constexpr int kA = 4;  // two material types
constexpr int kB = 7;

std::string checked(_Dtile* entry, long long solid = -1)
{
  std::string report;
  return cs::checkPlane(entry, &report, solid) ? "ok" : report;
}

Strings enumerate(int x1, int y1, int x2, int y2)
{
  _Dtilelist* list = nullptr;
  AreaEnum(x1, y1, x2, y2, &list, 0);
  Strings result = texts(list);
  FreeList(list);
  return result;
}

Strings neighbours(_Dtile* t, int side, int owned)
{
  _Dtilelist* list = nullptr;
  Neighbor(t, &list, side, owned);
  Strings result = texts(list);
  FreeList(list);
  return result;
}

}  // namespace

TEST_F(PlaneTest, EmptyPlaneIsOneSpaceTileInsideTheFrame)
{
  _Dtile* center = newPlane();
  EXPECT_EQ(checked(center, 0), "ok");
  EXPECT_EQ(text(center), "(-1073741823 -1073741823)-(1073741823 1073741823)");
  EXPECT_EQ(cs::countTiles(center), 1);
  EXPECT_EQ(center->lb()->y1, cs::kLow);
  EXPECT_EQ(center->bl()->x1, cs::kLow);
  EXPECT_EQ(center->rt()->rt(), nullptr);
  EXPECT_EQ(center->tr()->tr(), nullptr);
  EXPECT_TRUE(TisSolid(center->rt())) << "frame tiles count as solid";
  EXPECT_FALSE(TisSolid(center));
  EXPECT_TRUE(TisInfinit(center));
}

TEST_F(PlaneTest, PointOnABoundaryBelongsToTheLeftAndUpperTile)
{
  newPlane();
  _Dtile* box = put(0, 0, 100, 50, kA);
  Stitch = box;
  EXPECT_EQ(text(PointFind(100, 10)), text(box)) << "right edge is inside";
  EXPECT_NE(PointFind(0, 10), box) << "left edge belongs to the tile on the left";
  EXPECT_EQ(text(PointFind(0, 10)), "(-1073741823 -1073741823)-(0 1073741823)");
  EXPECT_EQ(PointFind(50, 0), box) << "bottom edge is inside";
  EXPECT_EQ(text(PointFind(50, 50)), "(0 50)-(100 1073741823)") << "top edge belongs above";
  EXPECT_EQ(Stitch, PointFind(50, 50));
  EXPECT_EQ(PointFind(100, 0), box) << "lower-right corner";
}

TEST_F(PlaneTest, OneInsertionMakesFiveTiles)
{
  _Dtile* center = newPlane();
  _Dtile* box = put(10, 20, 30, 40, kA);
  EXPECT_EQ(text(box), "(10 20)-(30 40) 0x4");
  EXPECT_EQ(cs::countTiles(box), 5);
  EXPECT_EQ(enumerate(cs::kMin, cs::kMin, cs::kMax, cs::kMax),
            (Strings{"(30 -1073741823)-(1073741823 1073741823)",
                     "(10 -1073741823)-(30 20)",
                     "(-1073741823 -1073741823)-(10 1073741823)",
                     "(10 20)-(30 40) 0x4",
                     "(10 40)-(30 1073741823)"}));
  _Dtilelist* list = nullptr;
  EXPECT_EQ(AreaEnum(cs::kMin, cs::kMin, cs::kMax, cs::kMax, &list, 0), 5) << "the count";
  FreeList(list);
  EXPECT_EQ(checked(box, 400), "ok");
  (void)center;
}

// Boxes put in order: the tiles holding probe points, the number of element
// tiles and the solid area.  Touching boxes of one type stay apart, even
// over a box below both; the space remnants of one insertion are merged;
// a box over other material leaves an element tile of its own type.
TEST_F(PlaneTest, InsertedBoxesLeaveTheirTiles)
{
  struct Probe {
    int x, y;
    const char* tile;
  };
  const struct {
    const char* what;
    std::vector<std::vector<int>> boxes;  // x1 y1 x2 y2 type
    long long solid;
    int elements;
    std::vector<Probe> probes;
  } cases[] = {
      {"touching boxes of one type", {{0, 0, 10, 10, kA}, {10, 0, 20, 10, kA}, {0, 10, 10, 20, kA}},
       300, 0,
       {{5, 5, "(0 0)-(10 10) 0x4"}, {15, 5, "(10 0)-(20 10) 0x4"},
        {5, 15, "(0 10)-(10 20) 0x4"}}},
      {"a box below both",
       {{0, 0, 10, 10, kA}, {10, 0, 20, 10, kA}, {0, 10, 10, 20, kA}, {0, -10, 20, 0, kB}}, 500, 0,
       {{5, 5, "(0 0)-(10 10) 0x4"}, {15, 5, "(10 0)-(20 10) 0x4"}}},
      {"space remnants", {{0, 0, 10, 10, kA}, {20, 0, 30, 10, kA}, {0, 20, 30, 30, kB}}, 500, 0,
       {{15, 35, "(0 30)-(30 1073741823)"}, {15, 15, "(10 -1073741823)-(20 20)"}}},
      {"overlapping boxes of one type", {{0, 0, 20, 20, kA}, {10, 10, 30, 30, kA}}, 700, 0, {}},
      {"a box over other material", {{0, 0, 30, 10, kA}, {10, -5, 20, 15, kB}}, 400, 1,
       {{15, 5, "(10 0)-(20 10) 0xff07"}, {5, 5, "(0 0)-(10 10) 0x4"},
        {15, 12, "(10 10)-(20 15) 0x7"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    newPlane();
    for (const std::vector<int>& b : c.boxes)
      put(b[0], b[1], b[2], b[3], b[4]);
    EXPECT_EQ(checked(Stitch, c.solid), "ok");
    int elements = 0;
    for (_Dtile* t : cs_test::allTiles(Stitch))
      elements += TisElement(t);
    EXPECT_EQ(elements, c.elements);
    for (const Probe& probe : c.probes)
      EXPECT_EQ(text(PointFind(probe.x, probe.y)), probe.tile) << probe.x << "," << probe.y;
  }
  // An element tile has the type of its layer's material.
  EXPECT_TRUE(TsameType(PointFind(15, 5), PointFind(15, 12)));
  EXPECT_FALSE(TsameType(PointFind(15, 5), PointFind(5, 5)));
}

// An area inside one tile lists it alone, tiles that only touch the area
// are left out, and the processed mark is cleared only when asked.
TEST_F(PlaneTest, EnumerationOfAnArea)
{
  newPlane();
  _Dtile* box = put(0, 0, 100, 100, kA);
  EXPECT_EQ(enumerate(10, 10, 20, 20), (Strings{"(0 0)-(100 100) 0x4"}));
  EXPECT_EQ(enumerate(0, 0, 100, 100), (Strings{"(0 0)-(100 100) 0x4"}));
  box->processed = 5;
  for (int clear : {0, 1}) {
    _Dtilelist* list = nullptr;
    AreaEnum(0, 0, 10, 10, &list, clear);
    EXPECT_EQ(box->processed, clear ? 0 : 5);
    FreeList(list);
  }
}

// A tile T with a left neighbour reaching above its top and one reaching
// below its bottom.
TEST_F(PlaneTest, OnlyOwnedNeighboursOnTheLeftSide)
{
  newPlane();
  _Dtile* tile = put(10, 10, 20, 20, kA);
  put(0, 15, 10, 25, kB);  // reaches above T's top
  put(0, 5, 10, 15, kB);   // reaches below T's bottom
  EXPECT_EQ(checked(tile, 300), "ok");
  EXPECT_EQ(neighbours(tile, cs::kLeftSide, 0),
            (Strings{"(0 15)-(10 25) 0x7", "(0 5)-(10 15) 0x7"}));
  EXPECT_EQ(neighbours(tile, cs::kLeftSide, 1), (Strings{"(0 5)-(10 15) 0x7"}));
  EXPECT_EQ(tile->bl()->tr(), tile);
}

TEST_F(PlaneTest, NeighboursOfEachSideInReverseWalkingOrder)
{
  newPlane();
  _Dtile* tile = put(10, 10, 40, 40, kA);
  put(5, 40, 15, 50, kB);   // reaches left of the tile
  put(25, 40, 45, 50, kB);  // reaches right of the tile
  EXPECT_EQ(neighbours(tile, cs::kTopSide, 0),
            (Strings{"(5 40)-(15 50) 0x7", "(15 40)-(25 1073741823)", "(25 40)-(45 50) 0x7"}));
  EXPECT_EQ(neighbours(tile, cs::kTopSide, 1),
            (Strings{"(15 40)-(25 1073741823)", "(25 40)-(45 50) 0x7"}))
      << "the left one starts left of the tile: its lb is not the tile";
  EXPECT_EQ(neighbours(tile, cs::kRightSide, 0), (Strings{"(40 -1073741823)-(45 40)"}));
  EXPECT_EQ(neighbours(tile, cs::kBottomSide, 0), (Strings{"(10 -1073741823)-(40 10)"}));
  EXPECT_EQ(neighbours(tile, 3, 0), Strings{}) << "unknown side";
  EXPECT_EQ(checked(tile, 1200), "ok");
}

TEST_F(PlaneTest, SplitAtTheEdgeOfATileIsRefused)
{
  newPlane();
  _Dtile* box = put(0, 0, 10, 10, kA);
  long before = cs::countTiles(box);
  _Dtile* made = box;
  EXPECT_EQ(TileSplit(box, _point{10, 5}, cs::kCutVertical, &made, 1), 1);
  EXPECT_EQ(made, nullptr);
  EXPECT_NE(err.find("Fatal: cutline x-coordiate is not inside the target tile."), std::string::npos);
  EXPECT_EQ(TileSplit(box, _point{5, 0}, cs::kCutHorizontal, &made, 1), 1);
  EXPECT_NE(err.find("Fatal: cutline y-coordinate is not inside the target tile."), std::string::npos);
  EXPECT_EQ(TileSplit(nullptr, _point{5, 5}, cs::kCutVertical, &made, 1), 1);
  EXPECT_NE(err.find("Fatal: target tile does not exist."), std::string::npos);
  EXPECT_EQ(cs::countTiles(box), before);
  EXPECT_EQ(text(box), "(0 0)-(10 10) 0x4");
}

TEST_F(PlaneTest, SplitCopiesTheTileAndKeepsThePlaneSound)
{
  newPlane();
  put(-10, 0, 0, 30, kB);
  _Dtile* box = put(0, 0, 10, 20, kA);
  box->node = 7;
  box->set_activeDev(2);
  box->set_tran_sharing(3);
  _Dtile* right = nullptr;
  ASSERT_EQ(TileSplit(box, _point{4, 5}, cs::kCutVertical, &right, 1), 0);
  EXPECT_EQ(text(box), "(0 0)-(4 20) 0x4");
  EXPECT_EQ(text(right), "(4 0)-(10 20) 0x4");
  EXPECT_EQ(right->node, 7);
  EXPECT_EQ(right->activeDev(), 2);
  EXPECT_EQ(right->tran_sharing(), 3);
  _Dtile* upper = nullptr;
  ASSERT_EQ(TileSplit(box, _point{2, 12}, cs::kCutHorizontal, &upper, 0), 0);
  EXPECT_EQ(text(upper), "(0 12)-(4 20) 0x4");
  EXPECT_EQ(upper->node, -1);
  EXPECT_EQ(checked(box, 500), "ok");
}

// The fields few tiles use live in a side record: it is made by the first
// write of something other than zero to one of them, and until then every
// one of them reads as zero.  A split copies without making one for a
// piece whose fields are all zero, and a freed tile comes back without it.
TEST_F(PlaneTest, SideRecordIsMadeOnlyWhenOneOfItsFieldsIsWritten)
{
  int marker = 0;
  struct Field {
    const char* name;
    void (*write)(_Dtile*, void*);  // stores the value (zero: null or 0)
    bool (*zero)(const _Dtile*);
  };
  const Field fields[] = {
      {"lower", [](_Dtile* t, void* v) { t->set_lower(static_cast<_Dtilelist*>(v)); },
       [](const _Dtile* t) { return !t->lower(); }},
      {"upper", [](_Dtile* t, void* v) { t->set_upper(static_cast<_Dtilelist*>(v)); },
       [](const _Dtile* t) { return !t->upper(); }},
      {"next", [](_Dtile* t, void* v) { t->set_next(static_cast<_Dtransistor*>(v)); },
       [](const _Dtile* t) { return !t->next(); }},
      {"passiveDev", [](_Dtile* t, void* v) { t->set_passiveDev(v); },
       [](const _Dtile* t) { return !t->passiveDev(); }},
      {"resize_cell", [](_Dtile* t, void* v) { t->set_resize_cell(v); },
       [](const _Dtile* t) { return !t->resize_cell(); }},
      {"resize_cell_LR", [](_Dtile* t, void* v) { t->set_resize_cell_LR(v); },
       [](const _Dtile* t) { return !t->resize_cell_LR(); }},
      {"resize_cell_TB", [](_Dtile* t, void* v) { t->set_resize_cell_TB(v); },
       [](const _Dtile* t) { return !t->resize_cell_TB(); }},
      {"tran_sharing", [](_Dtile* t, void* v) { t->set_tran_sharing(v ? 5 : 0); },
       [](const _Dtile* t) { return t->tran_sharing() == 0; }},
      {"substrate_flag", [](_Dtile* t, void* v) { t->set_substrate_flag(v ? 1 : 0); },
       [](const _Dtile* t) { return t->substrate_flag() == 0; }},
  };
  auto allZero = [&](const _Dtile* t) {
    for (const Field& f : fields)
      if (!f.zero(t))
        return false;
    return true;
  };
  newPlane();
  for (const Field& f : fields) {
    SCOPED_TRACE(f.name);
    _Dtile* t = put(0, 0, 10, 20, kA);
    t->node = 9;
    t->set_activeDev(3);
    EXPECT_FALSE(t->hasSide());
    EXPECT_TRUE(allZero(t));
    f.write(t, nullptr);
    EXPECT_FALSE(t->hasSide()) << "a zero write makes no record";
    f.write(t, &marker);
    EXPECT_TRUE(t->hasSide());
    EXPECT_FALSE(f.zero(t));
    int others = 0;
    for (const Field& g : fields)
      others += &g != &f && !g.zero(t);
    EXPECT_EQ(others, 0) << "the other fields still read zero";

    const std::string name = f.name;
    if (name == "lower" || name == "upper") {
      // A split hands the contact links on; the marker is not a list.
      f.write(t, nullptr);
      EXPECT_TRUE(t->hasSide()) << "the record stays once made";
    }
    _Dtile* right = nullptr;
    ASSERT_EQ(TileSplit(t, _point{4, 5}, cs::kCutVertical, &right, 1), 0);
    EXPECT_EQ(right->hasSide(), name == "passiveDev" || name == "tran_sharing")
        << "a split copies the counter and the device";
    EXPECT_EQ(right->activeDev(), 3);
    f.write(t, nullptr);
    EXPECT_TRUE(allZero(t));
    EXPECT_EQ(checked(t, 200), "ok");

    _Dtile* loose = NewTile();
    f.write(loose, &marker);
    loose->set_activeDev(1);
    FreeTile(loose);
    _Dtile* again = NewTile();
    EXPECT_EQ(again, loose);
    EXPECT_FALSE(again->hasSide()) << "a reused tile has no record";
    EXPECT_TRUE(allZero(again));
    EXPECT_EQ(again->activeDev(), 0);
    FreeTile(again);
    newPlane();
  }
}

TEST_F(PlaneTest, CriticalAreaPlaneIsEmptiedThroughItsBorder)
{
  _Dtile* crit = newPlane();
  DlayerTile[3].crittile = crit;
  DlayerTile[3].bordertile = crit->rt();
  put(0, 0, 10, 10, cs::kFrame);
  put(20, 0, 30, 10, cs::kFrame);
  DCcleanPlane(3);
  _Dtile* center = DlayerTile[3].crittile;
  EXPECT_NE(center, crit);
  EXPECT_EQ(checked(center, 0), "ok");
  EXPECT_EQ(cs::countTiles(center), 1);
  EXPECT_EQ(center->rt(), DlayerTile[3].bordertile);
  EXPECT_EQ(center->rt()->lb(), center);
  EXPECT_EQ(center->bl()->tr(), center);
  EXPECT_EQ(center->tr()->bl(), center);
  EXPECT_EQ(center->lb()->rt(), center);
}

TEST_F(PlaneTest, ListsAndAreaFilters)
{
  newPlane();
  put(0, 0, 10, 10, kA);
  put(10, 0, 20, 10, kA);
  _Dtilelist* list = nullptr;
  ExAreaEnum(0, 0, 20, 30, &list, 0);
  EXPECT_EQ(texts(list), (Strings{"(10 0)-(20 10) 0x4", "(0 0)-(10 10) 0x4"}))
      << "tiles above the bottom row reaching out of the area are left out";
  FreeList(list);
  AreaEnum(-5, -5, 20, 30, &list, 0);
  _box box{-5, -5, 20, 30};
  cleanUp(&list, &box);
  EXPECT_EQ(texts(list), (Strings{"(10 0)-(20 10) 0x4", "(0 0)-(10 10) 0x4"}));
  FreeList(list);
  list = TileToList(TileToList(nullptr, Stitch), Stitch->bl());
  EXPECT_EQ(list->tile, Stitch->bl());
  FreeList(list);
}

TEST_F(PlaneTest, Predicates)
{
  newPlane();
  _Dtile* box = put(0, 0, 10, 10, kA);
  _box area{0, 0, 20, 20};
  EXPECT_TRUE(RightEdgeInArea(box, &area));
  EXPECT_TRUE(isTileInArea(box, &area));
  EXPECT_FALSE(isInArea(box, 1, 0, 20, 20));
  EXPECT_FALSE(BelowToArea(box, &area));
  area = {10, 0, 20, 20};
  EXPECT_TRUE(LeftToArea(box, &area));
  EXPECT_TRUE(TisType(box, kA | cs::kElement));
  EXPECT_FALSE(TisType(box, kB));
  box->node = 3;
  EXPECT_TRUE(TisNoted(box));
  EXPECT_TRUE(TisTaged(box, 3));
  EXPECT_FALSE(TisTaged(box, 4));
  EXPECT_TRUE(ui.saw('E', "Net extraction error"));
  EXPECT_TRUE(TisTaged(box->tr(), 4)) << "space is always tagged";
}

TEST_F(PlaneTest, CheckerFindsABrokenStitch)
{
  newPlane();
  _Dtile* box = put(0, 0, 10, 10, kA);
  put(10, 0, 20, 10, kA);
  ASSERT_EQ(checked(box, 200), "ok");
  EXPECT_NE(checked(box, 100), "ok") << "wrong solid area";
  _Dtile* saved = box->tr();
  box->set_tr(box->rt());
  EXPECT_NE(checked(box), "ok");
  box->set_tr(saved);
  saved = box->lb();
  box->set_lb(box->lb()->tr());
  EXPECT_NE(checked(box), "ok");
  box->set_lb(saved);
  box->type = cs::kSpace;  // space right below space
  EXPECT_NE(checked(box), "ok");
  box->type = kA;
  EXPECT_EQ(checked(box, 200), "ok");
}
