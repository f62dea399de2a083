// Relating groups to strips, on free-standing tiles: which side a strip
// faces, strict replacement, ties, and the sweep against the plain walk of
// the strip list.
#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <string>
#include <vector>

#include "DEextract.h"
#include "SBsubstrate.h"

namespace {

// Rectangles as tiles whose right and top come from marker neighbours, and
// groups of one or two fingers over such gate tiles.
class Relate : public ::testing::Test {
 protected:
  void TearDown() override { SBclear(); }

  _Dtile* tile(int x1, int y1, int x2, int y2)
  {
    _Dtile& right = *tiles_.emplace_back(NewTile());
    right.x1 = x2;
    _Dtile& top = *tiles_.emplace_back(NewTile());
    top.y1 = y2;
    _Dtile& t = *tiles_.emplace_back(NewTile());
    t.x1 = x1;
    t.y1 = y1;
    t.set_tr(&right);
    t.set_rt(&top);
    return &t;
  }
  SBtranbulk_item* group(_Dtile* low, _Dtile* high)
  {
    _Dtransistor& a = fingers_.emplace_back();
    a.Tgate = low;
    _Dtransistor& b = fingers_.emplace_back();
    b.Tgate = high;
    auto* item = new SBtranbulk_item{};
    item->tran_min = &a;
    item->tran_max = &b;
    item->next = SBtranbulk_list;
    SBtranbulk_list = item;
    return item;
  }
  // The side of `g` that links to `strip`: "left", "right", "bottom", "top" or "".
  static std::string sideOf(const SBtranbulk_item* g, const _Dtile* strip)
  {
    const std::pair<const SBbulk_item*, const char*> sides[] = {
        {g->bulk_left, "left"}, {g->bulk_right, "right"}, {g->bulk_bottom, "bottom"},
        {g->bulk_top, "top"}};
    for (const auto& [b, name] : sides)
      if (b && b->tile == strip)
        return name;
    return "";
  }

  std::deque<_Dtile*> tiles_;  // stitched tiles come from the tile range
  std::deque<_Dtransistor> fingers_;
};

TEST_F(Relate, StripFacesOneSideOnlyWhenWhollyBeyondAndOverlappingAcross)
{
  // The gate box is (1000 1000)-(2000 2000), made of two gates.
  struct Case {
    int x1, y1, x2, y2;
    const char* side;
  } cases[] = {
      {0, 1000, 999, 2000, "left"},     {0, 1000, 1000, 2000, ""},  // level with the edge
      {0, 1999, 999, 3000, "left"},     {0, 2000, 999, 3000, ""},   // touches the top only
      {2001, 0, 3000, 1001, "right"},   {2000, 0, 3000, 1001, ""},
      {1500, 0, 2500, 999, "bottom"},   {1999, 0, 2500, 1000, ""},
      {500, 2001, 1001, 2500, "top"},   {0, 2001, 1000, 2500, ""},  // no overlap along x
      {0, 0, 999, 999, ""},
  };
  for (const Case& c : cases) {
    SBclear();
    SBtranbulk_item* g = group(tile(1000, 1000, 1200, 1500), tile(1800, 1500, 2000, 2000));
    _Dtile* strip = tile(c.x1, c.y1, c.x2, c.y2);
    SBaddtobulklist(strip);
    SBrelate_tranbulk();
    EXPECT_EQ(sideOf(g, strip), c.side) << c.x1 << " " << c.y1 << " " << c.x2 << " " << c.y2;
  }
}

TEST_F(Relate, NearerStripWinsAndEqualOnesGoToTheLaterFound)
{
  SBtranbulk_item* g = group(tile(1000, 1000, 2000, 2000), tile(1000, 1000, 2000, 2000));
  _Dtile* nearLeft = tile(0, 1000, 900, 1400);
  _Dtile* farLeft = tile(0, 1500, 800, 2000);
  _Dtile* firstAbove = tile(1000, 2100, 1400, 2500);
  _Dtile* laterAbove = tile(1600, 2100, 2000, 2500);
  for (_Dtile* t : {nearLeft, farLeft, firstAbove, laterAbove})
    SBaddtobulklist(t);  // each pushed at the head: the list runs backwards
  SBrelate_tranbulk();
  EXPECT_EQ(sideOf(g, nearLeft) + sideOf(g, laterAbove) + sideOf(g, farLeft) + sideOf(g, firstAbove),
            "lefttop");
}

// The strip list walked from its head for each group, first fitting case,
// strict replacement: the relation as the report defines it.
void walkList(SBtranbulk_item* g)
{
  int x1 = std::min(g->tran_min->Tgate->x1, g->tran_max->Tgate->x1);
  int y1 = std::min(g->tran_min->Tgate->y1, g->tran_max->Tgate->y1);
  int x2 = std::max(cs::right(g->tran_min->Tgate), cs::right(g->tran_max->Tgate));
  int y2 = std::max(cs::top(g->tran_min->Tgate), cs::top(g->tran_max->Tgate));
  g->bulk_left = g->bulk_right = g->bulk_bottom = g->bulk_top = nullptr;
  for (SBbulk_item* b = SBbulk_list; b; b = b->next) {
    const _Dtile* t = b->tile;
    bool across = t->y1 < y2 && cs::top(t) > y1, along = t->x1 < x2 && cs::right(t) > x1;
    if (across && cs::right(t) < x1) {
      if (!g->bulk_left || cs::right(t) > cs::right(g->bulk_left->tile))
        g->bulk_left = b;
    } else if (across && t->x1 > x2) {
      if (!g->bulk_right || t->x1 < g->bulk_right->tile->x1)
        g->bulk_right = b;
    } else if (along && cs::top(t) < y1) {
      if (!g->bulk_bottom || cs::top(t) > cs::top(g->bulk_bottom->tile))
        g->bulk_bottom = b;
    } else if (along && t->y1 > y2) {
      if (!g->bulk_top || t->y1 < g->bulk_top->tile->y1)
        g->bulk_top = b;
    }
  }
}

TEST_F(Relate, SweepAgreesWithTheListWalkOnCrowdedLayouts)
{
  std::mt19937 random(7);
  auto coordinate = [&] { return static_cast<int>(random() % 40) * 50; };  // many equal edges
  for (int round = 0; round < 20; ++round) {
    SBclear();
    for (int i = 0; i < 30; ++i) {
      int x = coordinate(), y = coordinate();
      group(tile(x, y, x + 50, y + 150), tile(x + 100, y, x + 150 + coordinate() / 4, y + 150));
    }
    for (int i = 0; i < 200; ++i) {
      int x = coordinate(), y = coordinate();
      SBaddtobulklist(tile(x, y, x + 25 + coordinate() / 2, y + 25 + coordinate() / 2));
    }
    SBrelate_tranbulk();
    for (SBtranbulk_item* g = SBtranbulk_list; g; g = g->next) {
      SBtranbulk_item expected = *g;
      walkList(&expected);
      ASSERT_EQ(std::vector<SBbulk_item*>({g->bulk_left, g->bulk_right, g->bulk_bottom, g->bulk_top}),
                std::vector<SBbulk_item*>({expected.bulk_left, expected.bulk_right,
                                           expected.bulk_bottom, expected.bulk_top}))
          << "round " << round;
    }
  }
}

}  // namespace
