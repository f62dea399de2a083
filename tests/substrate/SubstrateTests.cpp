// The substrate run on extracted layouts: supply nets, the bulk test,
// counting shared diffusion, distances and types by hand, and the report.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "DHhierarchy.h"
#include "Dmenu.h"
#include "GroupSupport.h"
#include "SBsubstrate.h"

namespace {

// 400 layout units make a micrometre.
class Substrate : public hierarchy_test::GroupTest {
 protected:
  void TearDown() override { SBclear(), GroupTest::TearDown(); }

  // A rectangle, turned by 90 degrees (x and y exchanged) when `turned_`.
  void box(const char* layer, int x1, int y1, int x2, int y2)
  {
    turned_ ? rect(layer, y1, x1, y2, x2) : rect(layer, x1, y1, x2, y2);
  }
  _Dtile* tileAt(const char* layer, int x, int y)
  {
    return turned_ ? at(layer, y, x) : at(layer, x, y);
  }

  // `n` fingers of one group in one active strip (0 0)-(500 + 700n, 600):
  // gates 200 wide every 700 units from x = 500, joined by a poly bar above;
  // the even diffusions wired to a metal bar below, the odd ones to one above.
  void fingers(int n)
  {
    int end = 500 + 700 * n;
    box("CAA", 0, 0, end, 600);
    box("CSN", -100, -300, end + 100, 900);
    for (int k = 0; k < n; ++k)
      box("CPG", 500 + 700 * k, -200, 700 + 700 * k, 800);
    box("CPG", 500, 800, 700 + 700 * (n - 1), 1000);
    for (int k = 0; k <= n; ++k) {
      box("CCA", 150 + 700 * k, 200, 350 + 700 * k, 400);
      if (k % 2 == 0)
        box("CMF", 100 + 700 * k, -600, 400 + 700 * k, 450);
      else
        box("CMF", 100 + 700 * k, 150, 400 + 700 * k, 1400);
    }
    box("CMF", 0, -800, end, -600);
    box("CMF", 0, 1400, end, 1600);
  }
  // A strip (x1 y1)-(x2 y2) wired by metal to the lower bar of `fingers`.
  void wiredStrip(int x1, int y1, int x2, int y2)
  {
    box("CAA", x1, y1, x2, y2);
    box("CCA", x1 + 50, y1 + 50, x1 + 150, y1 + 150);
    box("CMF", x1, -800, x1 + 200, y1 + 200);
    box("CMF", x1 + 200, -800, 0, -600);
  }
  void load()
  {
    ASSERT_TRUE(extract());
    connect();
    AttachPinsToNets();
    clusterTransistors();
  }
  // Runs the action in a scratch folder; the report's text, or "abandoned".
  std::string runAction(bool reportIsFolder = false)
  {
    testing_support::ScratchDir dir;
    if (reportIsFolder)
      mkdir(dir.path("sb_report.out").c_str(), 0755);
    callback::Outcome outcome = callback::Outcome::Done;
    if (!inFolder(dir.dir(), [&] { outcome = callback::run(DIfindCallback("f.SBmain"), nullptr); }))
      return "cannot change folder";
    return outcome == callback::Outcome::Abandoned
               ? "abandoned"
               : testing_support::readFile(dir.path("sb_report.out"));
  }
  bool turned_ = false;
};

constexpr char kHeader[] =
    "(Multifinger and substrate extracted parameters)\n( Created by SBreport: QX)\n";

TEST_F(Substrate, SupplyNetsAreThoseWithVddOrGndPinsInAnyCase)
{
  fingers(1);
  wiredStrip(-1000, 0, -800, 600);
  load();
  _pin* p = pin("x", -900, 300, "CAA");
  AttachPinsToNets();
  const std::pair<const char*, int> labels[] = {
      {"vdd", 1}, {"GND", 1}, {"Vdd_core", 1}, {"gnd!", 1}, {"vd", 0}, {"GN", 0}, {"vss", 0},
      {"avdd", 0}};
  for (const auto& [label, found] : labels) {
    free(p->label);
    p->label = strdup(label);
    SBinit();
    SBsearch_bulk();
    EXPECT_EQ(SBbulk_list ? 1 + (SBbulk_list->next != nullptr) : 0, found) << label;
    SBclear();
  }
}

TEST_F(Substrate, StripTouchingOtherMaterialEvenAtACornerIsNoBulkStrip)
{
  // Extra geometry next to the strip (-1000 0)-(-800 600).
  struct Case {
    const char* layer;
    int x1, y1, x2, y2;
    int bulk;
  } cases[] = {
      {nullptr, 0, 0, 0, 0, 1},
      {"CAA", -800, 600, -600, 800, 0},   // corner to corner
      {"CAA", -1200, 500, -1000, 900, 0}, // along the left side, in part
      {"CAA", -799, 601, -600, 800, 1},   // one unit apart diagonally
      {"CMF", -1100, 550, -700, 900, 1},  // another plane
  };
  for (const Case& c : cases) {
    GCfreeCS();
    GCfreeLayout(Gflatten);
    Gflatten = common::make<_layout>();
    fingers(1);
    box("CAA", -1000, 0, -800, 600);
    if (c.layer)
      box(c.layer, c.x1, c.y1, c.x2, c.y2);
    ASSERT_TRUE(extract());
    _Dtile* strip = tileAt("CAA", -900, 300);
    ASSERT_EQ(cs::right(strip) - cs::left(strip), 200);
    EXPECT_EQ(SBisthisbulk2(strip), c.bulk) << (c.layer ? c.layer : "alone") << " " << c.x1;
    EXPECT_EQ(SBisthisbulk2(tileAt("CMF", 250, -700)), 0) << "not the active layer";
  }
  EXPECT_EQ(SBisthisbulk2(nullptr), 0);
}

TEST_F(Substrate, SharedDiffusionCountsOnce)
{
  fingers(3);  // diffusions 0 and 2 on the lower bar, 1 and 3 on the upper
  load();
  ASSERT_EQ(MFTList->size(), 1u);
  SBinit();
  SBmeasure();
  // Counted per finger the four regions would make three sources and
  // three drains.
  EXPECT_EQ(SBtranbulk_list->Nf, 3);
  EXPECT_EQ(SBtranbulk_list->Nd, 2);
  EXPECT_EQ(SBtranbulk_list->Ns, 2);
  for (const _Dtransistor* t : SBtranbulk_list->mft->tranList)
    EXPECT_EQ(t->Tsource->substrate_flag() + t->Tdrain->substrate_flag(), 0) << "flags cleared";
}

// Lengths as the report prints them, then types, as one line.
std::string figures(std::initializer_list<double> lengths, std::initializer_list<int> types)
{
  std::string text;
  char buffer[32];
  for (double v : lengths) {
    snprintf(buffer, sizeof buffer, "%.4f ", v);
    text += buffer;
  }
  for (int t : types)
    text += std::to_string(t);
  return text;
}

TEST_F(Substrate, DistancesAndTypesOnBothOrientations)
{
  // Two fingers: active (0 0)-(1900 600), gates (500..700) and (1200..1400);
  // strips on the left (-1000 0)-(right top), right, below and above.
  struct Case {
    bool turned;
    int right, top;       // of the left strip
    std::string figures;  // orien Wf Lf Lds; left right bottom top distances; types
    const char* warning;
  } cases[] = {
      {false, -800, 600, figures({8, 1.5, 0.5, 1.25, 2, 1, 2.5, 3}, {0, 0, 1, 1}), ""},
      {true, -800, 600, figures({9, 1.5, 0.5, 1.25, 2.5, 3, 2, 1}, {1, 1, 0, 0}), ""},
      // A square strip is no proper left strip of tall fingers.
      {false, -600, 400, figures({8, 1.5, 0.5, 1.25, 1.5, 1, 2.5, 3}, {1, 0, 1, 1}),
       "SBmeasure: Warning - Possible left bulk detection error\n"},
  };
  for (const Case& c : cases) {
    GCfreeCS();
    GCfreeLayout(Gflatten);
    Gflatten = common::make<_layout>();
    turned_ = c.turned;
    fingers(2);
    box("CAA", -1000, 0, c.right, c.top);
    box("CAA", 2300, 0, 2500, 600);
    box("CAA", 0, -1200, 1900, -1000);
    box("CAA", 0, 1800, 1900, 2000);
    load();
    SBinit();
    for (auto [x, y] : {std::pair{-900, 100}, {2400, 300}, {900, -1100}, {900, 1900}})
      SBaddtobulklist(tileAt("CAA", x, y));
    SBrelate_tranbulk();
    out.clear();
    SBmeasure();
    const SBtranbulk_item& g = *SBtranbulk_list;
    EXPECT_EQ(figures({double(g.orien), g.Wf, g.Lf, g.Lds, g.dis_left, g.dis_right, g.dis_bottom,
                       g.dis_top},
                      {g.type_left, g.type_right, g.type_bottom, g.type_top}),
              c.figures)
        << c.right << (c.turned ? " turned" : "");
    EXPECT_EQ(out, c.warning);
    SBclear();
  }
}

TEST_F(Substrate, ReportsAfterALoadOnlyAndAnUnwritableReportAbandons)
{
  EXPECT_EQ(runAction(), kHeader) << "nothing loaded";
  EXPECT_NE(out.find("*** Leaving the substrate detection and extraction ***\n"),
            std::string::npos);
  fingers(2);
  wiredStrip(-1000, 0, -800, 600);
  load();
  pin("Gnd", -900, 300, "CAA");
  AttachPinsToNets();
  std::string report = runAction();
  EXPECT_EQ(report.substr(0, sizeof kHeader - 1), kHeader);
  EXPECT_NE(report.find("\tLeft_bulk_distance: 2.0000 um\n\tLeft_bulk_type: PARALLEL\n"
                        "\tLeft_bulk_width: 0.5000 um\n\tLeft_bulk_length: 1.5000 um\n"),
            std::string::npos)
      << report;
  EXPECT_EQ(report.find("Right_bulk"), std::string::npos);

  out.clear();
  EXPECT_EQ(runAction(true), "abandoned");
  EXPECT_NE(out.find("\n Can't open file sb_report.out for writing \n"), std::string::npos);
  EXPECT_EQ(out.find("*** Leaving"), std::string::npos);
  EXPECT_EQ(SBbulk_list, nullptr);
  EXPECT_EQ(SBtranbulk_list, nullptr);
}

}  // namespace
