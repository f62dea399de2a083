// Resistors: which runs are resistors, the ports cut at the contacts, the
// three-tile form, and the measurement.
#include <gtest/gtest.h>

#include <algorithm>

#include "PassiveSupport.h"
#include "RXresistor.h"

using passive_test::PassiveTest;

namespace {

constexpr int kLambda = 400;

struct Body {
  const char* what;
  _box body;                  // lambda
  std::vector<_box> contacts; // lambda, on CCR
  bool resistor;
  bool port1, port2;
  double length, width;       // micrometres
};

class OneTile : public PassiveTest, public ::testing::WithParamInterface<Body> {};

// The body is the head of its net's list and a metal-1 pad over its first
// contact follows it, closing the run.
TEST_P(OneTile, IsCutAtItsContacts)
{
  const Body& b = GetParam();
  auto l = [](int v) { return v * kLambda; };
  rect("CHR", l(b.body.x1), l(b.body.y1), l(b.body.x2), l(b.body.y2));
  for (const _box& c : b.contacts) {
    rect("CCR", l(c.x1), l(c.y1), l(c.x2), l(c.y2));
    rect("CMF", l(c.x1) - 200, l(c.y1) - 200, l(c.x2) + 200, l(c.y2) + 200);
  }
  const _box& c = b.contacts.front();
  ASSERT_TRUE(extract());
  handNet({{"CHR", l(b.body.x1) + 1, l(b.body.y1) + 1}, {"CMF", l(c.x1), l(c.y1)}});
  ASSERT_TRUE(action([] { RXresistorExtract(); }));
  ASSERT_EQ(resistorCount, b.resistor ? 1 : 0) << b.what;
  if (!b.resistor)
    return;
  const _RX_RESISTOR_* r = resistorList->next;
  EXPECT_EQ(r->port1tile != nullptr, b.port1);
  EXPECT_EQ(r->port2tile != nullptr, b.port2);
  EXPECT_DOUBLE_EQ(r->origGeometry.length, b.length);
  EXPECT_DOUBLE_EQ(r->origGeometry.width, b.width);
  EXPECT_STREQ(r->name, "r1");
  const _Dtile* body = r->start->tile;
  EXPECT_EQ(body->passiveDev(), extract::kPassiveMark);
  EXPECT_EQ(body->node, 0);
  // The listing names the nets of a resistor with both ports; one without
  // gets its width line only, and a warning.
  out.clear();
  RXshowAllResistors();
  const bool both = b.port1 && b.port2;
  EXPECT_EQ(out.find("printing resistor") != std::string::npos, both) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), both ? 3 : 2) << out;
  EXPECT_EQ(ui.saw('W', "Resistor 1: one port is not connected"), !both);
  std::string report;
  EXPECT_TRUE(cs::checkPlanes(&report)) << report;
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, OneTile,
    ::testing::Values(
        // Each port keeps the contact and its smallest enclosure on the far side.
        Body{"40 x 4, contacts at both ends", {0, 0, 40, 4}, {{1, 1, 3, 3}, {37, 1, 39, 3}}, true, true, true, 32, 4},
        Body{"exactly five times as long as wide", {0, 0, 20, 4}, {{1, 1, 3, 3}, {17, 1, 19, 3}}, true, true, true, 12, 4},
        Body{"4.9 times as long as wide", {0, 0, 49, 10}, {{1, 4, 3, 6}, {46, 4, 48, 6}}, false, false, false, 0, 0},
        Body{"a contact centred across a wide body", {0, 0, 40, 6}, {{1, 2, 3, 4}, {37, 2, 39, 4}}, true, true, true, 32, 6},
        Body{"upright, contacted at the lower end only", {0, 0, 4, 30}, {{1, 1, 3, 3}}, true, true, false, 26, 4},
        Body{"contacted at the right end only", {0, 0, 40, 4}, {{37, 1, 39, 3}}, true, false, true, 36, 4}));

TEST_F(PassiveTest, ResistorRunsNeedAClosingTileAndThreeTilesMakePortsAndBody)
{
  // Port, body and port as three rectangles, then metal; a lone body at the
  // end of a second net's list; four rectangles in a row in a third.
  rect("CHR", 0, 0, 2400, 2400);
  rect("CHR", 2400, 800, 10400, 1600);
  rect("CHR", 10400, 0, 12800, 2400);
  rect("CMF", 0, 0, 2400, 2400);
  rect("CHR", 0, 10000, 8000, 10800);
  rect("CMF", 0, 20000, 800, 20800);
  for (int i = 0; i < 4; ++i)
    rect("CHR", i * 4000, 30000, i * 4000 + 4000, 30800);
  rect("CMF", 0, 40000, 800, 40800);
  ASSERT_TRUE(extract());
  handNet({{"CHR", 1, 1}, {"CHR", 5000, 1000}, {"CHR", 11000, 1}, {"CMF", 1, 1}});
  handNet({{"CMF", 1, 20001}, {"CHR", 1, 10001}});
  handNet({{"CHR", 1, 30001}, {"CHR", 4001, 30001}, {"CHR", 8001, 30001}, {"CHR", 12001, 30001},
           {"CMF", 1, 40001}});
  ASSERT_TRUE(action([] { RXresistorExtract(); }));
  ASSERT_EQ(resistorCount, 2) << "the run that ends its list is none";
  const _RX_RESISTOR_* four = resistorList->next;
  const _RX_RESISTOR_* three = four->next;
  if (four->port1tile)
    std::swap(four, three);
  EXPECT_EQ(three->port1tile, at("CHR", 1, 1));
  EXPECT_EQ(three->port2tile, at("CHR", 11000, 1));
  EXPECT_EQ(three->start, three->end);
  EXPECT_EQ(three->start->tile, at("CHR", 5000, 1000));
  EXPECT_DOUBLE_EQ(three->origGeometry.length, 20);
  EXPECT_DOUBLE_EQ(three->origGeometry.width, 2);
  EXPECT_EQ(four->port1tile, nullptr);
  EXPECT_EQ(four->port2tile, nullptr);
  EXPECT_NE(out.find("WARNING: RXcreatePort.c: cannot extract this resistor layout"), std::string::npos);
  EXPECT_NE(out.find("not supported for measurement"), std::string::npos);
  for (const _Dtilelist* n = four->start; n; n = n->next)
    EXPECT_EQ(n->tile->passiveDev(), extract::kPassiveMark);
}

}  // namespace
