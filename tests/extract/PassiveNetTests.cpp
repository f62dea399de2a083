// The re-extraction with passive devices: nets kept as they were without
// devices, nets split by a resistor, the connection lists and the name
// hash, and shapes that almost make a device.
#include <gtest/gtest.h>

#include <map>

#include "LXinductor.h"
#include "PassiveSupport.h"
#include "RXresistor.h"

using passive_test::PassiveTest;

namespace {

// Net number -> its tiles, as text.
std::map<int, std::vector<std::string>> snapshot()
{
  std::map<int, std::vector<std::string>> nets;
  for (_Dnet* n = Nets; n; n = n->next)
    nets[n->node] = cs_test::texts(n->tilelist);
  return nets;
}

// Every net's tiles carry its number and none is a spiral or resistor body.
void expectConsistent()
{
  for (_Dnet* n = Nets; n; n = n->next)
    for (const _Dtilelist* t = n->tilelist; t; t = t->next) {
      EXPECT_EQ(t->tile->node, n->node) << n->name;
      EXPECT_TRUE(!t->tile->passiveDev() || extract::isPlate(t->tile)) << n->name;
    }
  std::string report;
  EXPECT_TRUE(cs::checkPlanes(&report)) << report;
}

int entries(const _Dnet* net, ElemType type)
{
  int count = 0;
  if (net && net->connElemList)
    for (const _Conn_Elem& e : *net->connElemList)
      count += e.type == type;
  return count;
}

TEST_F(PassiveTest, WithoutDevicesEveryNetStaysAsItWas)
{
  horizontal(0, 0);
  horizontal(3000, 0);
  vertical(8000, 0, "CSN");
  rect("CCA", 800, 200, 1000, 400);
  rect("CCA", 3100, 200, 3300, 400);
  rect("CMF", 700, 100, 3400, 500);
  ASSERT_TRUE(extract());
  auto before = snapshot();
  int count = NetsNum;
  ASSERT_TRUE(passives());
  EXPECT_EQ(NetsNum, count);
  EXPECT_EQ(snapshot(), before);
  int terminals = 0;
  for (_Dnet* n = Nets; n; n = n->next) {
    _DListNet* hashed = FindNetPosinHash(n->name);
    ASSERT_NE(hashed, nullptr) << n->name;
    EXPECT_EQ(hashed->net, n);
    ASSERT_NE(n->connElemList, nullptr);
    terminals += entries(n, elemTRAN);
  }
  EXPECT_EQ(terminals, 9) << "gate, source and drain of three transistors";
  expectConsistent();
}

TEST_F(PassiveTest, AResistorSplitsTheNetOfItsTwoEnds)
{
  // Two transistors; the first's drain and the second's source meet only
  // through a resistor body 8000 x 800 contacted at both ends.
  horizontal(0, 0);
  horizontal(12000, 0);
  rect("CCA", 800, 200, 1000, 400);
  rect("CMF", 700, 100, 2000, 500);
  rect("CHR", 1400, 0, 10600, 800);
  rect("CCR", 1600, 200, 1800, 400);
  rect("CCR", 10200, 200, 10400, 400);
  rect("CMF", 10100, 100, 12400, 500);
  rect("CCA", 12100, 200, 12300, 400);
  ASSERT_TRUE(extract());
  _Dtransistor* a = transistor(1)->Tgate->x1 < 6000 ? transistor(1) : transistor(2);
  _Dtransistor* b = a == transistor(1) ? transistor(2) : transistor(1);
  ASSERT_EQ(a->drain, b->source) << "one net before the passive steps";
  ASSERT_TRUE(passives());
  ASSERT_TRUE(action([] { DExVerifyNets(); }));
  ASSERT_EQ(resistorCount, 1);
  EXPECT_NE(a->drain, b->source);
  const _RX_RESISTOR_* r = resistorList->next;
  EXPECT_EQ(r->net1, a->drain);
  EXPECT_EQ(r->net2, b->source);
  EXPECT_EQ(r->start->tile->node, 0);
  EXPECT_EQ(entries(extract::netNumbered(a->drain), elemRES), 1);
  EXPECT_EQ(entries(extract::netNumbered(b->source), elemRES), 1);
  // Each end keeps its contact and the 200 of enclosure beyond it.
  EXPECT_EQ(cs_test::text(r->port1tile), "(1400 0)-(2000 800) 0x6");
  EXPECT_EQ(cs_test::text(r->port2tile), "(10000 0)-(10600 800) 0x6");
  EXPECT_DOUBLE_EQ(r->origGeometry.length, (10000 - 2000) / 400.0);
  expectConsistent();
}

// Shapes that almost make a device, all hanging on one transistor's drain:
// nothing may break, and the circuit stays consistent.
TEST_F(PassiveTest, NearMissesLeaveAConsistentCircuit)
{
  horizontal(0, 0);
  rect("CCA", 800, 200, 1000, 400);
  rect("CMF", 700, 100, 30000, 500);
  // Three segments of a spiral in metal 3, through a via stack.
  rect("CVA", 2000, 200, 2200, 400);
  rect("CMS", 1900, 100, 2300, 500);
  rect("CVS", 2000, 200, 2200, 400);
  wire("CMT", 400, {{1900, 300}, {6000, 300}, {6000, 6000}, {2000, 6000}});
  // A spiral that touches itself: its fifth leg runs into its first.
  rect("CVA", 8000, 200, 8200, 400);
  rect("CMS", 7900, 100, 8300, 500);
  rect("CVS", 8000, 200, 8200, 400);
  wire("CMT", 400, {{7900, 300}, {14000, 300}, {14000, 6000}, {8100, 6000}, {8100, 300}});
  // Plates one unit too small, and overlapping electrode plates.
  rect("CCP", 16000, 200, 16200, 400);
  rect("CPG", 15900, 0, 16699, 799);
  rect("CEL", 15900, 0, 16699, 799);
  rect("CCP", 18000, 200, 18200, 400);
  rect("CPG", 17900, 0, 21900, 4000);
  rect("CEL", 18400, 400, 20400, 2400);
  rect("CEL", 19400, 1400, 21400, 3400);
  // A resistor body without contacts beside a contacted one.
  rect("CHR", 23000, 2000, 31000, 2800);
  rect("CCR", 24000, 200, 24200, 400);
  rect("CHR", 23900, 0, 24300, 1200);
  ASSERT_TRUE(load());
  EXPECT_EQ(inductorCount, 0);
  expectConsistent();
}

}  // namespace
