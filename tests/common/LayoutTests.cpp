// Transforms, frames, tolerant comparisons and the release of layouts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Dglobal.h"

#include "Dlayout.h"

namespace {

std::string at(long x, long y) { return "(" + std::to_string(x) + "," + std::to_string(y) + ")"; }

TEST(PointTrans, StepsApplyInOrder)
{
  const struct {
    std::vector<_opcode> steps;
    long x, y;
    const char* at;
  } cases[] = {
      {{{rotate, 0, 1}}, 10, 0, "(0,10)"},
      {{{rotate, 1, 1}}, 10, 0, "(7,7)"},  // truncated toward zero
      {{{rotate, -1, 0}}, 10, 3, "(-10,-3)"},
      {{{rotate, 0, -5}}, 10, 3, "(3,-10)"},  // the direction's length need not be 1
      {{{mirror, -1, 1}}, 5, 7, "(-5,7)"},
      {{{mirror, 1, -1}}, 5, 7, "(5,-7)"},
      {{{trans, 100, -20}}, 5, 7, "(105,-13)"},
      {{{trans, 10, 0}, {rotate, 0, 1}}, 0, 0, "(0,10)"},
      {{{rotate, 0, 1}, {trans, 10, 0}}, 0, 0, "(10,0)"},
      {{{mirror, -1, 1}, {trans, 10, 0}}, 3, 0, "(7,0)"},
      {{{trans, 10, 0}, {mirror, -1, 1}}, 3, 0, "(-13,0)"},
  };
  for (const auto& c : cases) {
    long ox, oy;
    PointTrans(c.steps.data(), static_cast<long>(c.steps.size()), c.x, c.y, &ox, &oy);
    EXPECT_EQ(at(ox, oy), c.at) << "step 1 of " << c.steps.size() << ": " << c.steps[0].type;
  }
}

TEST(PlistTrans, ReversesTheListAndBoundsTheResult)
{
  _points c{30, 5, nullptr}, b{20, -4, &c}, a{10, 8, &b};
  _opcode shift{trans, 1, 1};
  long count, xmin, ymin, xmax, ymax;
  _points* out = PlistTrans(&shift, 1, &a, &count, &xmin, &ymin, &xmax, &ymax);
  ASSERT_EQ(count, 3);
  std::string order;
  for (_points* p = out; p; p = p->next)
    order += at(p->x, p->y);
  EXPECT_EQ(order, "(31,6)(21,-3)(11,9)");
  EXPECT_EQ(at(xmin, ymin) + at(xmax, ymax), "(11,-3)(31,9)");
  GCfreePoints(out);

  _points* none = PlistTrans(&shift, 1, nullptr, &count, &xmin, &ymin, &xmax, &ymax);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(xmin, 0x3fffffff);
  EXPECT_EQ(xmax, static_cast<int>(0xc0000001u));
}

// Coordinates within ten units are equal; rectangles overlap only when
// their insides meet.
TEST(Comparisons, ToleranceAndOverlap)
{
  EXPECT_TRUE(GCequal(100, 109) && GCequal(109, 100));
  EXPECT_FALSE(GCequal(100, 110));
  EXPECT_TRUE(GCgreat(111, 100));
  EXPECT_FALSE(GCgreat(110, 100));
  EXPECT_TRUE(GCsmall(100, 111));
  EXPECT_FALSE(GCsmall(100, 110));
  EXPECT_TRUE(ACoverlap(0, 0, 10, 10, 5, 5, 15, 15));
  EXPECT_FALSE(ACoverlap(0, 0, 10, 10, 10, 0, 20, 10));  // sharing an edge
  EXPECT_FALSE(ACoverlap(0, 0, 10, 10, 0, 10, 10, 20));
  EXPECT_TRUE(ACoverlap(0, 0, 10, 10, 2, 2, 3, 3));  // inside
}

TEST(GCfreeLayout, ReleasesEveryListOfEveryCell)
{
  // The statistics count every request and release per size: after the
  // release every counter is back where it was.
  Statistic = 1;
  std::vector<long> before(size_account, size_account + kStatisticSizes);
  _layout* cells = nullptr;
  for (int c = 0; c < 3; ++c) {
    auto* cell = common::make<_layout>();
    auto* symbol = common::make<_symbol>();
    symbol->rect = common::make<_rects>();
    symbol->rect->next = common::make<_rects>();
    symbol->path = common::make<_paths>();
    symbol->path->points = common::make<_points>();
    symbol->poly = common::make<_polys>();
    symbol->poly->points = common::make<_points>();
    symbol->circle = common::make<_circles>();
    symbol->label = common::make<_labels>();
    symbol->label->label = GCstrcpy("vdd");
    cell->symbol[c] = symbol;
    cell->instance = common::make<_instance>();
    cell->next = cells;
    cells = cell;
  }
  GCfreeLayout(cells);
  auto* pin = common::make<_pin>();
  pin->label = GCstrcpy("out");
  pin->layername = GCstrcpy("CMF");
  GCfreePins(pin);
  std::vector<long> after(size_account, size_account + kStatisticSizes);
  Statistic = 0;
  EXPECT_EQ(before, after);
}

}  // namespace
