// Recognising transistors: element kind, terminals, size, orientation,
// source before drain, the gate-layer tiles and the anomalies.
#include <gtest/gtest.h>

#include <set>

#include "DTtechnology.h"
#include "ExtractSupport.h"

using cs_test::text;
using extract_test::ExtractTest;

namespace {

bool highlighted(const _Dtile* t)
{
  for (const _Dtilelist* n = DlayerTile[0].highlight; n; n = n->next)
    if (n->tile == t)
      return true;
  return false;
}

}  // namespace

TEST_F(ExtractTest, HorizontalTransistorHasSourceLeftAndThreeNets)
{
  horizontal(0, 0);
  ASSERT_TRUE(extract());
  ASSERT_EQ(TransNum, 1);
  _Dtransistor* t = transistor(1);
  ASSERT_NE(t, nullptr);
  EXPECT_STREQ(t->name, "m1");
  EXPECT_EQ(t, Transistors[0]) << "a gate inside CSP is element 0";
  EXPECT_EQ(t->type, 0);
  EXPECT_EQ(t->orientation, 1);
  EXPECT_EQ(t->width, 600) << "the gate region's height";
  EXPECT_EQ(t->length, 200) << "the gate region's width";
  EXPECT_EQ(text(t->Tgate), "(500 0)-(700 600) 0xff07");
  EXPECT_EQ(text(t->Tsource), "(0 0)-(500 600) 0x4");
  EXPECT_EQ(text(t->Tdrain), "(700 0)-(1200 600) 0x4");
  EXPECT_EQ(t->Tgate->activeDev(), 1);
  EXPECT_EQ(t->Tsource->activeDev(), 2);
  EXPECT_EQ(t->Tdrain->activeDev(), 2);
  EXPECT_EQ(t->gate, 1);
  EXPECT_EQ(t->source, 2);
  EXPECT_EQ(t->drain, 3);
  EXPECT_EQ(NetsNum, 3);
  ASSERT_NE(net(3), nullptr);
  EXPECT_STREQ(net(3)->name, "n3");
  EXPECT_EQ(Nets, net(3)) << "newest net first";

  // The gate-layer tiles over the gate and below and above it.
  EXPECT_EQ(text(t->Pgate), "(500 0)-(700 600) 0xff07");
  EXPECT_EQ(text(t->Pside1), "(500 -200)-(700 0) 0x7");
  EXPECT_EQ(text(t->Pside2), "(500 600)-(700 800) 0x7");
  EXPECT_EQ(t->Pgate->activeDev(), 3);
  EXPECT_EQ(t->Pside1->activeDev(), 4);
  EXPECT_EQ(t->Pside2->activeDev(), 4);

  EXPECT_TRUE(ui.saw('M', "1 transistors are extracted"));
  EXPECT_TRUE(ui.saw('M', "0 no source transistors are ignored"));
  EXPECT_TRUE(ui.saw('M', "0 no drain transistors are found"));
  EXPECT_TRUE(ui.saw('M', "3 nets are extracted"));
}

TEST_F(ExtractTest, VerticalTransistorHasSourceBelowAndKeepsWidthAsHeight)
{
  vertical(0, 0, "CSN");
  ASSERT_TRUE(extract());
  _Dtransistor* t = transistor(1);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t, Transistors[1]) << "a gate inside CSN is element 1";
  EXPECT_EQ(t->type, 1);
  EXPECT_EQ(t->orientation, -1);
  EXPECT_EQ(text(t->Tsource), "(0 0)-(600 500) 0x4");
  EXPECT_EQ(text(t->Tdrain), "(0 700)-(600 1200) 0x4");
  EXPECT_EQ(t->width, 200);
  EXPECT_EQ(t->length, 600);
  EXPECT_EQ(text(t->Pside1), "(-200 500)-(0 700) 0x7");
  EXPECT_EQ(text(t->Pside2), "(600 500)-(800 700) 0x7");
  EXPECT_FALSE(ui.saw('W', "lined up"));
}

TEST_F(ExtractTest, TerminalsOfOtherHeightsAreNotLinedUp)
{
  rect("CAA", 0, 0, 700, 600);
  rect("CAA", 700, -200, 1200, 800);
  rect("CPG", 500, -300, 700, 900);
  rect("CSP", -100, -400, 1300, 1000);
  ASSERT_TRUE(extract());
  _Dtransistor* t = transistor(1);
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(ui.saw('W', "gate, drain, source Tiles of transistors are not lined up nicely"));
  EXPECT_EQ(t->orientation, 0);
  // Bottoms decide: the drain is not below the source, so nothing swaps.
  EXPECT_EQ(t->Tsource->x1, 700);
  EXPECT_EQ(t->Tdrain->x1, 0);
  // Beside the gate in x when it is not side by side.
  EXPECT_EQ(cs::right(t->Pside1), 500);
  EXPECT_EQ(t->Pside2->x1, 700);
}

TEST_F(ExtractTest, SeriesTransistorsShareTheMiddleDiffusion)
{
  rect("CAA", 0, 0, 2000, 600);
  rect("CPG", 500, -200, 700, 800);
  rect("CPG", 1300, -200, 1500, 800);
  rect("CSN", -100, -300, 2100, 900);
  ASSERT_TRUE(extract());
  ASSERT_EQ(TransNum, 2);
  EXPECT_EQ(NetsNum, 5);
  _Dtransistor *a = transistor(1), *b = transistor(2);
  std::set<int> shared;
  for (int n : {a->source, a->drain})
    if (n == b->source || n == b->drain)
      shared.insert(n);
  ASSERT_EQ(shared.size(), 1u);
  EXPECT_EQ(*shared.begin(), at("CAA", 1000, 300)->node);
  EXPECT_NE(a->gate, b->gate);
  // Each is written source left of drain.
  EXPECT_LT(a->Tsource->x1, a->Tdrain->x1);
  EXPECT_LT(b->Tsource->x1, b->Tdrain->x1);
}

TEST_F(ExtractTest, ActiveAroundTheGateGivesNoDrain)
{
  rect("CAA", 0, 0, 1200, 1200);
  rect("CPG", 400, 400, 800, 800);
  rect("CSP", -100, -100, 1300, 1300);
  ASSERT_TRUE(extract());
  _Dtransistor* t = transistor(1);
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(ui.saw('W', "find a transistor with no drain"));
  EXPECT_TRUE(ui.saw('M', "1 no drain transistors are found"));
  EXPECT_EQ(t->Tdrain, nullptr);
  EXPECT_EQ(t->drain, 0);
  EXPECT_EQ(t->orientation, 0) << "no orientation without a drain";
  EXPECT_TRUE(highlighted(t->Tgate));
  EXPECT_EQ(netlist(), "1 transistor_P w=400.00u l=400.00u (n1 n2 n0)\n");
}

TEST_F(ExtractTest, GateCoveringAllActiveIsIgnored)
{
  rect("CAA", 0, 0, 400, 400);
  rect("CPG", -100, -100, 500, 500);
  rect("CSP", -200, -200, 600, 600);
  ASSERT_TRUE(extract());
  EXPECT_EQ(TransNum, 0);
  EXPECT_EQ(Nets, nullptr);
  EXPECT_TRUE(ui.saw('E', "Ignored a transistor with no source"));
  EXPECT_TRUE(ui.saw('M', "1 no source transistors are ignored"));
  Stitch = DlayerTile[0].layertile;
  EXPECT_TRUE(highlighted(PointFind(200, 200)));
}

TEST_F(ExtractTest, ThirdDiffusionAtTheGateIsIgnored)
{
  rect("CAA", 0, 0, 1200, 600);
  rect("CAA", 500, 600, 700, 1200);
  rect("CPG", 500, -200, 700, 600);
  rect("CSP", -100, -300, 1300, 1300);
  ASSERT_TRUE(extract());
  ASSERT_EQ(TransNum, 1);
  EXPECT_TRUE(ui.saw('W', "One additional port is ignored"));
  _Dtransistor* t = transistor(1);
  EXPECT_EQ(t->Tsource->x1, 0);
  EXPECT_EQ(t->Tdrain->x1, 700);
  _Dtile* stub = at("CAA", 600, 900);
  EXPECT_TRUE(highlighted(stub));
  EXPECT_EQ(stub->node, 0) << "the ignored region is on no net";
  EXPECT_EQ(NetsNum, 3);
}

TEST_F(ExtractTest, TheSelectDecidesTheElement)
{
  horizontal(0, 0, "CSP");
  horizontal(3000, 0, "CSN");
  horizontal(6000, 0, "CWN");  // no select over the gate
  ASSERT_TRUE(extract());
  ASSERT_EQ(TransNum, 3);
  int p = 0, n = 0;
  for (_Dtransistor* t = Transistors[0]; t; t = t->next)
    ++p;
  for (_Dtransistor* t = Transistors[1]; t; t = t->next)
    ++n;
  EXPECT_EQ(p, 2) << "the unselected gate falls back to element 0";
  EXPECT_EQ(n, 1);
  EXPECT_EQ(Transistors[1]->Tgate->x1, 3500);
  EXPECT_NE(err.find("Fatal: Element structure error.\n"), std::string::npos);
}

TEST_F(ExtractTest, CheckedTerminalsNeedTheirSelect)
{
  rect("CAA", 0, 0, 1200, 600);
  rect("CPG", 500, -200, 700, 800);
  rect("CSP", 500, -300, 700, 900);  // over the gate only
  DcheckStatus = 1;
  ASSERT_TRUE(extract());
  EXPECT_EQ(TransNum, 0);
  EXPECT_TRUE(ui.saw('E', "Ignored a transistor with no source"));

  GCfreeCS();
  DcheckStatus = 0;
  ASSERT_TRUE(extract());
  EXPECT_EQ(TransNum, 1) << "unchecked, active alone makes a terminal";
}

TEST_F(ExtractTest, ElementWithMoreLayersWins)
{
  rect("CAA", 0, 0, 1200, 600);
  rect("CPG", 500, -200, 700, 800);
  rect("CSP", -100, -300, 1300, 900);
  rect("CSN", -100, -300, 1300, 900);
  rect("CWP", -200, -400, 1400, 1000);
  // Element 1 also asks for the p-well.
  int saved = Delement[1].layerNum;
  snprintf(Delement[1].layers[saved], sizeof Delement[1].layers[saved], "%s", "CWP");
  ++Delement[1].layerNum;
  ASSERT_TRUE(action([] { DCcrtCS(); }));
  _Dtile* gate = at("CAA", 600, 300);
  _Dtile* current = Stitch;
  EXPECT_EQ(DExElementNo(gate), 1) << "four layers over three";
  EXPECT_EQ(Stitch, current) << "the current tile is restored";
  --Delement[1].layerNum;
  EXPECT_EQ(DExElementNo(gate), 0) << "equal counts: the earlier element";
  EXPECT_EQ(err.find("Element structure error"), std::string::npos);
}
