// The compacted layout keeps every design rule the drawn one met: random
// legal layouts of several layers (single boxes and L-shapes, spacing
// rules within and between layers) compacted in every position mode and
// checked by the test-side rule checker, and two diagonal neighbours that
// the horizontal compaction brings over each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ExampleFixture.h"
#include "RuleSupport.h"
#include "SqueezeSupport.h"

namespace {

using compact_test::joined;
using designrule_test::checkRules;
using designrule_test::Rect;
using Layers = std::map<int, std::vector<Rect>>;

const std::vector<const char*> kLayers = {"CMF", "CMS", "CPG", "CEL"};
constexpr int kLayerCount = 4;
// Rules in grid steps; 0 means none.
const std::vector<int> kWidth = {3, 3, 2, 2};
const std::vector<std::vector<int>> kSpacing = {{3, 2, 0, 0}, {2, 4, 0, 0}, {0, 0, 3, 2}, {0, 0, 2, 3}};

class RuleKeep : public squeeze_test::RandomLayoutTest {
 protected:
  void SetUp() override
  {
    RandomLayoutTest::SetUp();
    compact_test::setRules(kLayers, kWidth, kSpacing);
  }

  // Draws the layout (grid steps, by index into kLayers), compacts it in
  // `mode` and checks the compacted boxes: the rules hold, and the layout
  // is no wider and no taller.
  void expectRulesKept(const Layers& drawn, int mode)
  {
    Layers before;
    for (const auto& [layer, rects] : drawn)
      for (const Rect& r : rects) {
        const Rect at{r.x1 * s, r.y1 * s, r.x2 * s, r.y2 * s};
        rect(kLayers[layer], static_cast<int>(at.x1), static_cast<int>(at.y1),
             static_cast<int>(at.x2), static_cast<int>(at.y2));
        before[compact_test::layerNo(kLayers[layer])].push_back(at);
      }
    ASSERT_EQ(joined(checkRules(before, s, -1, -1)), "");
    makeRows();
    PROCESS_INCLUDE_WLM = mode;
    squeeze_test::graphAndSolve(xList, yList);
    if (HasFatalFailure())
      return;
    Layers after;  // cell i of both directions is the same tile
    for (int i = 0; i < SQcell_size_LR && i < SQcell_size_TB; ++i)
      after[SQcell_LR[i].layernumber].push_back(Rect{SQcell_LR[i].corner.x1, SQcell_TB[i].corner.y1,
                                                     SQcell_LR[i].corner.x2, SQcell_TB[i].corner.y2});
    EXPECT_EQ(joined(checkRules(after, s, -1, -1)), "") << "position mode " << mode;
    for (bool x : {true, false})
      EXPECT_LE(extent(after, x), extent(before, x)) << (x ? "wider" : "taller");
  }

  static long extent(const Layers& layers, bool x)
  {
    long lo = LONG_MAX, hi = LONG_MIN;
    for (const auto& entry : layers)
      for (const Rect& r : entry.second) {
        lo = std::min(lo, x ? r.x1 : r.y1);
        hi = std::max(hi, x ? r.x2 : r.y2);
      }
    return hi - lo;
  }

  long s = theGlobalScale;
};


// Reduced from a random layout: the CEL boxes (35 6)-(40 9) and
// (4 11)-(11 15) are diagonal neighbours far apart in x, two grid steps
// apart in y under a spacing of three, with no row between them in either
// direction.  Pushed left, the lower one slid under the upper one, which
// kept only its drawn two steps above it.
class DiagonalNeighbours : public RuleKeep, public testing::WithParamInterface<int> {};

TEST_P(DiagonalNeighbours, KeepTheirSpacingOnceOverEachOther)
{
  expectRulesKept({{0, {Rect{35, 5, 39, 13}, Rect{32, 5, 35, 8}, Rect{17, 29, 21, 32}}},
                   {2, {Rect{32, 28, 34, 35}, Rect{34, 33, 37, 35}, Rect{53, 12, 57, 14}}},
                   {3,
                    {Rect{35, 6, 40, 9}, Rect{19, 30, 23, 35}, Rect{4, 11, 11, 15},
                     Rect{52, 37, 56, 40}, Rect{56, 38, 62, 40}}}},
                  GetParam());
}

INSTANTIATE_TEST_SUITE_P(PositionModes, DiagonalNeighbours, testing::Range(1, 5));

// What the rows ask beyond the checker: tiles of two layers with a
// spacing rule never touch or overlap.  (Corners are measured corner to
// corner by both.)
bool sweepLegal(int la, const Rect& a, int lb, const Rect& b)
{
  const long gx = std::max(a.x1 - b.x2, b.x1 - a.x2), gy = std::max(a.y1 - b.y2, b.y1 - a.y2);
  if (kSpacing[la][lb] == 0 || la == lb)
    return true;
  return std::max(gx, gy) > 0;
}

// A random layout within 64 x 64 grid steps: single boxes and L-shapes,
// each kept only when the whole layout still passes the checker.
Layers randomLegal(unsigned seed, int shapes)
{
  std::mt19937 random(seed);
  auto pick = [&random](int n) { return static_cast<long>(random() % static_cast<unsigned>(n)); };
  Layers drawn;
  int placed = 0;
  for (int tries = 0; tries < shapes * 30 && placed < shapes; ++tries) {
    const int layer = static_cast<int>(pick(kLayerCount));
    const long w = kWidth[layer];
    Rect a{pick(56), pick(56), 0, 0};
    a.x2 = a.x1 + w + pick(6);
    a.y2 = a.y1 + w + pick(6);
    std::vector<Rect> add{a};
    if (pick(3) == 0) {  // an arm: right at the top or left at the bottom
      const long len = w + pick(8);
      Rect arm = pick(2) ? Rect{a.x2, a.y2 - w, a.x2 + len, a.y2}
                         : Rect{a.x1 - len, a.y1, a.x1, a.y1 + w};
      add.push_back(arm);
    }
    Layers trial = drawn;
    for (const Rect& r : add)
      trial[layer].push_back(r);
    // The checker reads the tables by layer number.
    Layers numbered;
    for (const auto& [l, rects] : trial)
      numbered[compact_test::layerNo(kLayers[l])] = rects;
    bool inside = true;
    for (const Rect& r : add) {
      inside = inside && r.x1 >= 0 && r.y1 >= 0 && r.x2 <= 64 && r.y2 <= 64;
      for (const auto& [l, rects] : drawn)
        for (const Rect& q : rects)
          inside = inside && sweepLegal(layer, r, l, q);
    }
    if (inside && checkRules(numbered, 1, -1, -1).empty()) {
      drawn = trial;
      ++placed;
    }
  }
  return drawn;
}

class RandomRuleKeep : public RuleKeep, public testing::WithParamInterface<unsigned> {};

// The drawn layout is a solution of every arc of a legal layout: none but
// a notch is kept as drawn (a wrong arc would be), and the compaction keeps
// the rules.
TEST_P(RandomRuleKeep, EveryRuleTheDrawnLayoutMetHolds)
{
  const Layers drawn = randomLegal(GetParam(), 30);
  ASSERT_GE(drawn.size(), 3u);
  expectRulesKept(drawn, static_cast<int>(GetParam() % 4) + 1);
  // Only notches within one shape may be kept as drawn: the checker
  // measures spacings between separate shapes, the rows also across a notch.
  static const std::regex kept(
      "kept as drawn \\([^)]*\\): (.*) rule \\(row [0-9]+\\): the .*? of ([A-Z]+) at .* of ([A-Z]+) at");
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (line.find("kept as drawn") == std::string::npos)
      continue;
    ASSERT_TRUE(std::regex_search(line, m, kept)) << line;
    EXPECT_TRUE(m[1] == "spacing" && m[2] == m[3]) << line;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomRuleKeep, testing::Range(1u, 41u));

// The example layouts under the example process's rules (widths,
// spacings, enclosures and the gate extensions), compacted in every
// position mode: "sq_out.cif", loaded back, passes the checker as the
// drawn layout does, and is the same when the work keeps to one thread.
class ExampleRuleKeep : public squeeze_test::ExampleLayoutTest {
 protected:
  void TearDown() override
  {
    PROCESS_INCLUDE_WLM = 4;
    ExampleLayoutTest::TearDown();
  }
  std::vector<std::string> check() const
  {
    const int active = Glayers[DfindNumber("CAA")].layer, poly = Glayers[DfindNumber("CPG")].layer;
    return checkRules(designrule_test::planeRects(), SCALE, active, poly);
  }
};

TEST_F(ExampleRuleKeep, EveryExampleKeepsTheRulesInEveryMode)
{
  const std::vector<std::string> names = compact_test::exampleLayouts();
  ASSERT_GE(names.size(), 10u);
  ASSERT_EQ(callback::accept(kAcceptBridge,
                             testing_support::sourcePath("examples/example.bridge").c_str()),
            callback::Outcome::Done);
  ASSERT_EQ(callback::accept(kAcceptCadence2,
                             testing_support::sourcePath("examples/example_rules.tf").c_str()),
            callback::Outcome::Done);
  for (const std::string& name : names)
    for (int mode = 1; mode <= 4; ++mode) {
      SCOPED_TRACE(name + " in position mode " + std::to_string(mode));
      ASSERT_TRUE(load(testing_support::sourcePath("examples/" + name)));
      ASSERT_TRUE(check().empty()) << joined(check());
      PROCESS_INCLUDE_WLM = mode;
      ASSERT_EQ(squeeze::compactLayout(), 0);
      if (mode == 4) {
        // On one thread the same, down to the order of the arcs in the
        // graphs' dumps: the sweeps' arcs are made in the same order.
        const char* kept[] = {"sq_out.cif", "resize_report/sq_lr02.dat",
                              "resize_report/sq_tb02.dat"};
        std::vector<std::string> twoThreads;
        for (const char* file : kept)
          twoThreads.push_back(testing_support::readFile(file));
        ASSERT_NE(twoThreads[1], "");
        ASSERT_TRUE(load(testing_support::sourcePath("examples/" + name)));
        common::OneThread alone;
        ASSERT_EQ(squeeze::compactLayout(), 0);
        for (size_t k = 0; k < twoThreads.size(); ++k)
          EXPECT_TRUE(testing_support::readFile(kept[k]) == twoThreads[k]) << kept[k] << " differs";
      }
      ASSERT_TRUE(load("sq_out.cif"));
      const std::vector<std::string> found = check();
      EXPECT_TRUE(found.empty()) << joined(found);
    }
}

}  // namespace
