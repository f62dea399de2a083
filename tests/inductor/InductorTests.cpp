// Spiral inductors: the turn test, the run rules of recognition, the
// measurements and kinds, the ports, and spirals through the whole load.
#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>

#include "LXinductor.h"
#include "PassiveSupport.h"

using passive_test::Path;
using passive_test::PassiveTest;

namespace {

constexpr int kW = 400;  // wire width: 1 micrometre

// ---------------------------------------------------------------------------
// The turn test on two tiles, every corner of the table and the refusals.
// ---------------------------------------------------------------------------
struct Pair {
  const char* what;
  const char* layerB;
  _box b;  // a is the level bar (0, 0)-(4000, 400) on CMT
  int expected;
};

const Pair kPairs[] = {
    {"left of a, bottoms level", "CMT", {-400, 0, 0, 4000}, 1},
    {"below a, right edges level", "CMT", {3600, -4000, 4000, 0}, 1},
    {"right of a, tops level", "CMT", {4000, -3600, 4400, 400}, 1},
    {"above a, left edges level", "CMT", {0, 400, 400, 4400}, 1},
    {"right of a, bottoms level", "CMT", {4000, 0, 4400, 4000}, 2},
    {"below a, left edges level", "CMT", {0, -4000, 400, 0}, 2},
    {"left of a, tops level", "CMT", {-400, -3600, 0, 400}, 2},
    {"above a, right edges level", "CMT", {3600, 400, 4000, 4400}, 2},
    {"level as well", "CMT", {4000, 0, 8000, 400}, 0},
    {"upright but less tall than a", "CMT", {4000, 0, 4100, 300}, 0},
    {"upright, off the corner by one unit", "CMT", {4000, 1, 4400, 4001}, 0},
    {"on another layer", "CMS", {4000, 0, 4400, 4000}, 0},
};

TEST_F(PassiveTest, TurnTestFollowsTheCornersOfBothTiles)
{
  int x = 0;
  for (const Pair& p : kPairs) {
    rect("CMT", x, 0, x + 4000, 400);
    rect(p.layerB, x + p.b.x1, p.b.y1, x + p.b.x2, p.b.y2);
    x += 20000;
  }
  rect("CMF", 0, 50000, 4000, 50400);  // not an inductor layer
  rect("CMF", 4000, 50000, 4400, 54000);
  ASSERT_TRUE(extract());
  x = 0;
  for (const Pair& p : kPairs) {
    _Dtilelist b{at(p.layerB, x + (p.b.x1 + p.b.x2) / 2, (p.b.y1 + p.b.y2) / 2), nullptr};
    _Dtilelist a{at("CMT", x + 2000, 200), &b};
    EXPECT_EQ(LXpossibleInductor(&a, &b), p.expected) << p.what;
    // Read the other way round, a turn turns the other way.
    _Dtilelist a2{a.tile, nullptr};
    _Dtilelist b2{b.tile, &a2};
    if (p.expected) {
      EXPECT_EQ(LXpossibleInductor(&b2, &a2), 3 - p.expected) << p.what;
    }
    x += 20000;
  }
  _Dtilelist b{at("CMF", 4200, 52000), nullptr};
  _Dtilelist a{at("CMF", 2000, 50200), &b};
  EXPECT_EQ(LXpossibleInductor(&a, &b), 0) << "metal 1 is no inductor layer";
  EXPECT_EQ(LXpossibleInductor(&a, nullptr), 0);
}

// ---------------------------------------------------------------------------
// Recognition: which chains are spirals, on hand-made nets whose tile lists
// follow the wire.
// ---------------------------------------------------------------------------
struct Chain {
  const char* what;
  Path path;
  int inductors;
  int qturns;    // of the first inductor found
  int firstLeg;  // index of the leg that begins it
};

// Legs: E S W N inward, then a fifth E.
const Path kInward = {{0, 8000}, {8000, 8000}, {8000, 0}, {800, 0}, {800, 7200}, {6400, 7200}};
// E S W N inward, then the sense changes: W S E N W.
const Path kChangeAfterFour = {{0, 8000},     {8000, 8000},   {8000, 0},     {800, 0},
                               {800, 7200},   {-4000, 7200},  {-4000, -4000}, {4000, -4000},
                               {4000, -1600}, {1600, -1600}};
// E S W N E outward, then the sense changes: N W S E.
const Path kChangeAfterFive = {{0, 0},        {2400, 0},     {2400, -2400}, {-2400, -2400},
                               {-2400, 2400}, {5600, 2400},  {5600, 8000},  {-4800, 8000},
                               {-4800, -4800}, {8000, -4800}};
Path withLeg(Path p, std::pair<int, int> end)
{
  p.push_back(end);
  return p;
}

class Recognition : public PassiveTest, public ::testing::WithParamInterface<Chain> {};

TEST_P(Recognition, CountsTheSegmentsOfOneSense)
{
  const Chain& c = GetParam();
  auto legs = wire("CMT", kW, c.path);
  ASSERT_TRUE(extract());
  handNet("CMT", legs);
  ASSERT_TRUE(action([] { LXinductorExtract(); }));
  ASSERT_EQ(inductorCount, c.inductors);
  if (!c.inductors)
    return;
  _LXInductor* first = inductorList->next;
  while (first->next)
    first = first->next;
  EXPECT_EQ(first->qturns, c.qturns);
  EXPECT_EQ(first->start->tile, at("CMT", legs[c.firstLeg].first, legs[c.firstLeg].second));
  // The spiral left its net: no number, marked as a device.
  for (const _Dtilelist* n = first->start; n; n = n->next) {
    EXPECT_EQ(n->tile->node, 0);
    EXPECT_EQ(n->tile->passiveDev(), extract::kPassiveMark);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Chains, Recognition,
    ::testing::Values(
        Chain{"four segments", Path(kInward.begin(), kInward.end() - 1), 0, 0, 0},
        Chain{"five segments", kInward, 1, 5, 0},
        Chain{"the sense changes after four: counting restarts there", kChangeAfterFour, 1, 6, 3},
        Chain{"the sense changes after five: no new run at the fifth", kChangeAfterFive, 1, 5, 0},
        Chain{"two spirals on one wire", withLeg(kChangeAfterFive, {8000, 4000}), 2, 5, 0}));

// ---------------------------------------------------------------------------
// Measurements and kinds of drawn spirals (lambda 400 units).
// ---------------------------------------------------------------------------

// The square spiral of the examples: outer size d, width w, spacing s in
// lambda, drawn clockwise from the outer end at the top left; n segments.
std::vector<_box> spiral(int d, int w, int s, int n)
{
  const int p = w + s;
  std::vector<_box> segs;
  for (int i = 0; i < n; ++i) {
    int k = i / 4, o = k * p;
    switch (i % 4) {
      case 0: segs.push_back({k ? (k - 1) * p + w : 0, d - o - w, d - o - w, d - o}); break;
      case 1: segs.push_back({d - o - w, o, d - o, d - o}); break;
      case 2: segs.push_back({o + w, o, d - o - w, o + w}); break;
      default: segs.push_back({o, o, o + w, d - o - p}); break;
    }
  }
  return segs;
}

struct Drawn {
  const char* what;
  std::vector<_box> segments;  // lambda
  bool mirrored;
  int qturns, turnsDir, type;
  double inner, outer, width, spacing, nH;
};

// A one-turn loop: both ends at the bottom, side by side.
const std::vector<_box> kLoop = {{18, 0, 26, 4}, {26, 0, 30, 30}, {4, 26, 26, 30}, {0, 0, 4, 30}, {4, 0, 12, 4}};

class Measurement : public PassiveTest, public ::testing::WithParamInterface<Drawn> {};

TEST_P(Measurement, FollowsTheSegments)
{
  const Drawn& d = GetParam();
  constexpr int kLambda = 400;
  std::vector<std::pair<int, int>> inside;
  for (_box b : d.segments) {
    if (d.mirrored)
      b = {-b.x2, b.y1, -b.x1, b.y2};
    rect("CMT", b.x1 * kLambda, b.y1 * kLambda, b.x2 * kLambda, b.y2 * kLambda);
    inside.push_back({(b.x1 + b.x2) * kLambda / 2, (b.y1 + b.y2) * kLambda / 2});
  }
  ASSERT_TRUE(extract());
  handNet("CMT", inside);
  ASSERT_TRUE(action([] { LXinductorExtract(); }));
  ASSERT_EQ(inductorCount, 1);
  const _LXInductor* ind = inductorList->next;
  EXPECT_EQ(ind->qturns, d.qturns);
  EXPECT_EQ(ind->turnsDir, d.turnsDir);
  EXPECT_EQ(ind->type, d.type);
  EXPECT_DOUBLE_EQ(ind->innerDiameter, d.inner);
  EXPECT_DOUBLE_EQ(ind->outerDiameter, d.outer);
  EXPECT_DOUBLE_EQ(ind->width, d.width);
  EXPECT_DOUBLE_EQ(ind->spacing, d.spacing);
  EXPECT_NEAR(ind->L, d.nH, 1e-6);
  // The spiral is the whole net: both ends are open.  The listing keeps its
  // six lines; warnings say so.
  EXPECT_EQ(ind->port1tile, nullptr);
  EXPECT_EQ(ind->port2tile, nullptr);
  out.clear();
  LXshowAllInductors();
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 6) << out;
  EXPECT_TRUE(ui.saw('W', "Inductor 1: the outer port is open"));
  EXPECT_TRUE(ui.saw('W', "Inductor 1: the inner port is open"));
}

// Values worked out by hand in examples/README.md.
INSTANTIATE_TEST_SUITE_P(
    Spirals, Measurement,
    ::testing::Values(
        Drawn{"9 segments", spiral(40, 4, 2, 9), false, 9, 2, 11, 14, 40, 4, 2, 0.169978},
        Drawn{"10 segments, mirrored", spiral(40, 4, 2, 10), true, 10, 1, 11, 14, 40, 4, 2, 0.206124},
        Drawn{"5 segments, ends overlapping", spiral(30, 4, 2, 5), false, 5, 2, 11, 16, 30, 4, 2, 0.056927},
        Drawn{"one-turn loop", kLoop, false, 4, 1, 14, 22, 30, 4, 4, 0.076175}));

// ---------------------------------------------------------------------------
// Ports: the tile through which each end reaches its net.
// ---------------------------------------------------------------------------
TEST_F(PassiveTest, PortsAreTilesTouchingTheEnds)
{
  auto legs = wire("CMT", kW, kInward);
  // A feed touching the outer end that is not in the net's list, and one in
  // the list right after the inner end.
  rect("CMT", -2000, 7800, 0, 8200);
  rect("CMT", 6400, 7000, 7000, 7400);
  ASSERT_TRUE(extract());
  _Dnet* wireNet = handNet("CMT", {legs[0], legs[1], legs[2], legs[3], legs[4], {6700, 7200}});
  ASSERT_TRUE(action([] { LXinductorExtract(); }));
  ASSERT_EQ(inductorCount, 1);
  const _LXInductor* ind = inductorList->next;
  EXPECT_EQ(ind->port1tile, at("CMT", -1000, 8000)) << "the outer end's neighbour";
  EXPECT_EQ(ind->port2tile, at("CMT", 6700, 7200)) << "the inner end's successor";
  EXPECT_EQ(wireNet->tilelist, nullptr) << "the spiral began the net";
  EXPECT_EQ(Nets->tilelist->tile, at("CMT", 6700, 7200)) << "the rest became a new net";
}

}  // namespace
