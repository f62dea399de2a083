// Plate capacitors: the size limits, the geometry, plates used once, plates
// on no net, and the plate as one node of the circuit after the load.
#include <gtest/gtest.h>

#include "CXcapacitor.h"
#include "PassiveSupport.h"

using passive_test::PassiveTest;

namespace {

struct Plates {
  const char* what;
  _box poly, electrode;  // layout units: 800 is the smallest side and overlap
  bool capacitor;
};

const Plates kPlates[] = {
    {"both 800 x 800, one over the other", {0, 0, 800, 800}, {0, 0, 800, 800}, true},
    {"the poly plate one unit narrower", {0, 0, 799, 800}, {0, 0, 800, 800}, false},
    {"the electrode plate one unit lower", {0, 0, 800, 800}, {0, 0, 800, 799}, false},
    {"large plates overlapping by 799", {0, 0, 2000, 2000}, {1201, 0, 3000, 2000}, false},
    {"large plates overlapping by 800", {0, 0, 2000, 2000}, {1200, 0, 3000, 2000}, true},
};

TEST_F(PassiveTest, PlatesAndOverlapNeedTheMinimumSize)
{
  EXPECT_EQ(CXminimumSize(), 800);
  int y = 0;
  for (const Plates& p : kPlates) {
    rect("CPG", p.poly.x1, y + p.poly.y1, p.poly.x2, y + p.poly.y2);
    rect("CEL", p.electrode.x1, y + p.electrode.y1, p.electrode.x2, y + p.electrode.y2);
    y += 10000;
  }
  ASSERT_TRUE(extract());
  y = 0;
  for (const Plates& p : kPlates) {
    handNet({{"CPG", p.poly.x1 + 1, y + p.poly.y1 + 1}});
    handNet({{"CEL", p.electrode.x2 - 1, y + p.electrode.y1 + 1}});
    y += 10000;
  }
  ASSERT_TRUE(action([] { CXcapacitorExtract(); }));
  y = 0;
  int expected = 0;
  for (const Plates& p : kPlates) {
    const _Dtile* poly = at("CPG", p.poly.x1 + 1, y + p.poly.y1 + 1);
    EXPECT_EQ(poly->passiveDev() != nullptr, p.capacitor) << p.what;
    expected += p.capacitor;
    y += 10000;
  }
  EXPECT_EQ(capacitorCount, expected);
}

TEST_F(PassiveTest, CapacitorGeometryAndPlatesUsedOnce)
{
  // Poly plate (0,0)-(8000,6000); electrode plate reaching 400 further left
  // and 800 further up, 1200 short on the right, flush at the bottom.
  rect("CPG", 0, 0, 8000, 6000);
  rect("CEL", -400, 0, 6800, 6800);
  // A second electrode plate on the same poly plate: the poly is taken.
  rect("CEL", 7200, 1000, 8000, 3000);
  // Two plates of one net make no capacitor.
  rect("CPG", 0, 20000, 4000, 24000);
  rect("CEL", 0, 20000, 4000, 24000);
  ASSERT_TRUE(extract());
  // Nets are scanned newest first: the first electrode plate's net first.
  handNet({{"CPG", 1, 20001}, {"CEL", 1, 20001}});
  handNet({{"CEL", 7201, 1001}});
  handNet({{"CPG", 1, 1}});
  handNet({{"CEL", 1, 1}});
  ASSERT_TRUE(action([] { CXcapacitorExtract(); }));
  ASSERT_EQ(capacitorCount, 1);
  const _CX_CAPACITOR_* cap = capacitorList->next;
  const _CX_GEOMETRY_& g = cap->origGeometry;
  EXPECT_DOUBLE_EQ(g.width, 6800 / 400.0);
  EXPECT_DOUBLE_EQ(g.length, 6000 / 400.0);
  _Dtile* poly = at("CPG", 1, 1);
  _Dtile* electrode = at("CEL", 1, 1);
  EXPECT_EQ(g.left_ext.plate, electrode);
  EXPECT_DOUBLE_EQ(g.left_ext.extension, 1.0);
  EXPECT_EQ(g.top_ext.plate, electrode);
  EXPECT_DOUBLE_EQ(g.top_ext.extension, 2.0);
  EXPECT_EQ(g.right_ext.plate, poly);
  EXPECT_DOUBLE_EQ(g.right_ext.extension, 3.0);
  EXPECT_EQ(g.bottom_ext.plate, cap->plate2) << "equal edges give the second plate";
  EXPECT_DOUBLE_EQ(g.bottom_ext.extension, 0.0);
  EXPECT_EQ(at("CEL", 7201, 1001)->passiveDev(), nullptr);
}

TEST_F(PassiveTest, APlateOnNoNetGetsANewNetAndItsPortIsOpen)
{
  rect("CPG", 0, 0, 4000, 4000);
  rect("CEL", 400, 400, 3600, 3600);
  ASSERT_TRUE(extract());
  handNet({{"CPG", 1, 1}});
  int before = NetsNum;
  ASSERT_TRUE(action([] { CXcapacitorExtract(); }));
  ASSERT_EQ(capacitorCount, 1);
  EXPECT_EQ(NetsNum, before + 1);
  EXPECT_STREQ(Nets->name, ("n" + std::to_string(NetsNum)).c_str());
  EXPECT_EQ(at("CEL", 401, 401)->node, NetsNum);
  const _CX_CAPACITOR_* cap = capacitorList->next;
  EXPECT_EQ(cap->port1tile, nullptr) << "the plate begins its net and touches nothing";
  EXPECT_EQ(cap->port2tile, nullptr);
  out.clear();
  CXshowAllCapacitors();
  EXPECT_EQ(out, "Total number of capacitors: 1 \nprinting capacitor 1, between net 0 and net 0\n"
                 "\tCapacitor width is   8.00 (um), length is   8.00 (um)\n");
  EXPECT_TRUE(ui.saw('W', "Capacitor 1: the second plate is not connected"));
}

// A transistor's drain reaches a poly plate through a contact on the
// plate's margin; a poly wire leads from the plate to a metal island; the
// electrode plate goes to a second transistor.  After the load the plate,
// its wire and the island are all on the drain's net.
TEST_F(PassiveTest, APlateIsOneNodeOfTheCircuit)
{
  horizontal(0, 0);
  rect("CCA", 800, 200, 1000, 400);
  rect("CMF", 700, 100, 3000, 500);
  rect("CPG", 2000, 0, 4000, 2000);
  rect("CCP", 2200, 200, 2400, 400);
  rect("CPG", 1600, 1400, 2000, 1600);
  rect("CPG", 1200, 1200, 1600, 1800);
  rect("CCP", 1300, 1400, 1500, 1600);
  rect("CMF", 1200, 1200, 1600, 1800);
  rect("CEL", 2600, 800, 3800, 1600);
  rect("CCE", 3000, 1000, 3200, 1200);
  rect("CMF", 2900, 700, 6400, 1300);
  rect("CMF", 5900, 100, 6400, 1300);
  horizontal(6000, 0);
  rect("CCA", 6100, 200, 6300, 400);
  ASSERT_TRUE(load());
  ASSERT_EQ(capacitorCount, 1);
  const _CX_CAPACITOR_* cap = capacitorList->next;
  _Dtransistor* a = transistor(1)->Tgate->x1 < 3000 ? transistor(1) : transistor(2);
  _Dtransistor* b = a == transistor(1) ? transistor(2) : transistor(1);
  int drain = a->drain;
  ASSERT_GT(drain, 0);
  EXPECT_EQ(netAt(at("CMF", 1400, 1500)), drain) << "the island beyond the plate";
  EXPECT_EQ(netAt(at("CPG", 3000, 1900)), drain) << "the plate itself";
  EXPECT_EQ(netAt(at("CEL", 2700, 900)), b->source);
  EXPECT_NE(drain, b->source);
  long nets[] = {cap->net1, cap->net2};
  std::sort(std::begin(nets), std::end(nets));
  long expected[] = {std::min<long>(drain, b->source), std::max<long>(drain, b->source)};
  EXPECT_EQ(nets[0], expected[0]);
  EXPECT_EQ(nets[1], expected[1]);
}

}  // namespace
