// The independent rule checker on hand-drawn layouts under hand-made rules:
// a clean p-channel transistor in its well and a metal contact, then copies
// broken one way each, every one with exactly the violations it must have.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "LayoutRules.h"

namespace {

using namespace layout_check;

enum { CAA, CPG, CSP, CSN, CWN, CWP, CMF, CCA };

// Units of 0.1 um.
Rules rules()
{
  Rules r;
  r.names = {"CAA", "CPG", "CSP", "CSN", "CWN", "CWP", "CMF", "CCA"};
  auto width = [&](int l, long w) {
    r.width[l] = w;
    r.widthOn[l] = true;
  };
  auto space = [&](int a, int b, long s) {
    r.spacing[a][b] = r.spacing[b][a] = s;
    r.spacingOn[a][b] = r.spacingOn[b][a] = true;
  };
  auto enclose = [&](int a, int b, long e) {
    r.extension[a][b] = e;
    r.extensionOn[a][b] = true;
  };
  width(CAA, 9);
  width(CPG, 6);
  width(CMF, 9);
  width(CCA, 6);
  space(CAA, CAA, 9);
  space(CPG, CPG, 9);
  space(CMF, CMF, 9);
  space(CPG, CAA, 3);
  space(CWN, CWP, 0);
  space(CSN, CSP, 0);
  enclose(CPG, CAA, 6);  // the end cap
  enclose(CAA, CPG, 9);  // active beyond the gate
  enclose(CWN, CAA, 9);
  enclose(CWP, CAA, 9);
  enclose(CSP, CAA, 6);
  enclose(CSN, CAA, 6);
  enclose(CMF, CCA, 3);
  enclose(CAA, CCA, 3);
  r.elements = {{"transistor_P", {CAA, CPG, CSP}}, {"transistor_N", {CAA, CPG, CSN}}};
  r.connected = {CAA, CPG, CMF, CCA};
  r.micronsPerUnit = 0.1;
  return r;
}

using Drawing = std::vector<std::pair<int, Box>>;

// A p-channel transistor (poly up across active, W 20, L 6) in its select
// and well, an n-channel one beside it with no well, and a metal contact.
Drawing clean()
{
  return {{CAA, {0, 0, 30, 20}},    {CPG, {12, -6, 18, 26}},   {CSP, {-6, -6, 36, 26}},
          {CWN, {-20, -20, 50, 40}}, {CAA, {100, 0, 130, 20}}, {CPG, {112, -6, 118, 26}},
          {CSN, {94, -6, 136, 26}},  {CCA, {200, 0, 206, 6}},  {CMF, {197, -3, 209, 9}}};
}

Layers layersOf(const Drawing& d)
{
  Layers layers(kSlots);
  for (const auto& [layer, box] : d)
    layers[layer].push_back(box);
  return layers;
}

std::map<std::string, int> counted(const std::vector<Violation>& found)
{
  std::map<std::string, int> counts;
  for (const auto& [rule, count] : countByRule({}, found))
    counts[rule] = count.after;
  return counts;
}

TEST(LayoutRules, EveryBrokenCopyBreaksItsRuleAndNoOther)
{
  const Rules r = rules();
  const WellRoles roles = wellRoles(layersOf(clean()), r);
  ASSERT_EQ(roles.own[0], std::set<int>{CWN});
  ASSERT_EQ(roles.foreign[1], std::set<int>{CWN});
  struct Case {
    const char* name;
    std::function<void(Drawing&)> edit;
    std::map<std::string, int> expected;
  } cases[] = {
      {"clean", [](Drawing&) {}, {}},
      {"short end cap", [](Drawing& d) { d[1].second.y2 = 24; }, {{"end cap CPG/CAA", 1}}},
      {"short source", [](Drawing& d) { d[0].second.x1 = 6; d[2].second.x1 = 0; },
       {{"gate extension CAA/CPG", 1}}},
      {"active near the well's edge", [](Drawing& d) { d[3].second.x2 = 35; },
       {{"enclosure CWN/CAA", 1}}},
      {"active across the well's edge", [](Drawing& d) { d[3].second.x2 = 25; },
       {{"enclosure CWN/CAA", 1}}},
      {"overlapping wells", [](Drawing& d) { d.push_back({CWP, {45, -20, 80, 40}}); },
       {{"no overlap CWN/CWP", 1}}},
      {"touching wells", [](Drawing& d) { d.push_back({CWP, {50, -20, 80, 40}}); }, {}},
      {"L-shaped gate", [](Drawing& d) { d.push_back({CPG, {12, 10, 24, 16}}); },
       {{"gate shape CPG/CAA", 1}}},
      {"poly ending on active", [](Drawing& d) { d[1].second.y1 = 5; },
       {{"gate shape CPG/CAA", 1}}},
      {"gate out of its select", [](Drawing& d) { d[2].second.x2 = 15; },
       {{"select transistor_P/CSP", 1}, {"enclosure CSP/CAA", 1}}},
      {"n-channel gate in the well", [](Drawing& d) { d[3].second.x2 = 150; },
       {{"foreign well transistor_N/CWN", 1}}},
      {"metal short of the cut", [](Drawing& d) { d.back().second.x1 = 198; },
       {{"enclosure CMF/CCA", 1}}},
      {"thin metal", [](Drawing& d) { d.push_back({CMF, {300, 0, 308, 40}}); }, {{"width CMF", 1}}},
      {"metal neck across a diagonal",
       [](Drawing& d) {
         d.push_back({CMF, {300, 0, 320, 20}});
         d.push_back({CMF, {318, 18, 338, 38}});
       },
       {{"width CMF", 1}}},
      {"metal corner to corner",
       [](Drawing& d) {
         d.push_back({CMF, {300, 0, 310, 10}});
         d.push_back({CMF, {313, 13, 323, 23}});  // 4.2 apart
       },
       {{"spacing CMF", 1}}},
      {"metal corner to corner far enough",
       [](Drawing& d) {
         d.push_back({CMF, {300, 0, 310, 10}});
         d.push_back({CMF, {316, 17, 326, 27}});  // 9.2 apart
       },
       {}},
      {"metal touching at a corner",
       [](Drawing& d) {
         d.push_back({CMF, {300, 0, 310, 10}});
         d.push_back({CMF, {310, 10, 320, 20}});
       },
       {{"spacing CMF", 1}}},
      {"metal spaced exactly", [](Drawing& d) { d.push_back({CMF, {218, -3, 228, 9}}); }, {}},
      {"one metal shape folded", [](Drawing& d) {
         d.push_back({CMF, {300, 0, 340, 10}});
         d.push_back({CMF, {300, 0, 310, 40}});
         d.push_back({CMF, {330, 0, 340, 40}});
       },
       {}},
      {"poly near other active", [](Drawing& d) { d.push_back({CPG, {32, 0, 38, 40}}); },
       {{"spacing CAA/CPG", 1}}},
  };
  for (const Case& c : cases) {
    Drawing d = clean();
    c.edit(d);
    std::vector<Violation> found = checkLayout(layersOf(d), r, &roles);
    std::string lines;
    for (const Violation& v : found)
      lines += "\n  " + describe(v, r);
    EXPECT_EQ(counted(found), c.expected) << c.name << lines;
  }
}

TEST(LayoutRules, TransistorSizesByElement)
{
  Rules r = rules();
  r.tranWidth[0] = 25;  // the first element's entry stands for all
  r.tranWidthOn[0] = true;
  r.tranLength[1] = 8;
  r.tranLengthOn[1] = true;
  EXPECT_EQ(counted(checkLayout(layersOf(clean()), r)),
            (std::map<std::string, int>{{"transistor length transistor_N", 1},
                                        {"transistor width transistor_N", 1},
                                        {"transistor width transistor_P", 1}}));
}

TEST(LayoutRules, ReportsInMicrometres)
{
  const Rules r = rules();
  Drawing d = clean();
  d[1].second.y2 = 24;
  std::vector<Violation> found = checkLayout(layersOf(d), r);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(describe(found[0], r), "end cap CPG/CAA: 0.4 um, needs 0.6 um at (1.2, 2)-(1.8, 2.6)");
}

TEST(LayoutRules, ComparisonCountsOnlyRulesBrokenInMorePlaces)
{
  std::vector<Violation> before = {{"spacing CSP", {}, 3, 6, ""}, {"width CMF", {}, 5, 9, ""}};
  std::vector<Violation> after = {{"spacing CSP", {}, 3, 6, ""},
                                  {"end cap CPG/CAA", {}, 4, 6, ""},
                                  {"end cap CPG/CAA", {}, 4, 6, ""}};
  auto counts = countByRule(before, after);
  EXPECT_EQ(newlyBroken(counts), std::vector<std::string>{"end cap CPG/CAA"});
  EXPECT_EQ(counts["width CMF"].before, 1);
  EXPECT_EQ(counts["width CMF"].after, 0);
}

}  // namespace
