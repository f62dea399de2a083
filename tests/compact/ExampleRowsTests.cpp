// The example layouts under the example rules, as the resizer states them:
// every row that the sweeps make for a layout holds at its drawn
// coordinates, so that a resize starts from a legal layout.
#include <cstring>
#include <string>
#include <vector>

#include "CS.h"
#include "DCMint.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "Dcif.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dmenu.h"
#include "RowSupport.h"

namespace {

using callback::Outcome;
using compact_test::Row;
using testing_support::sourcePath;

class ExampleRows : public cs_test::PlaneTest {
 protected:
  void SetUp() override
  {
    PlaneTest::SetUp();
    DIcolorInit();
    DItechInit();
    memset(CifToCadence, 0, sizeof CifToCadence);
    DRgetCifLayers(CifToCadence, Glayers);
    DRclearAllRules();
    LAMBDA_T2 = 0.1;
  }
  void TearDown() override
  {
    compact_test::releaseLayout(&xList, &yList);
    DRclearAllRules();
    memset(CifToCadence, 0, sizeof CifToCadence);
    LAMBDA_T2 = 0.1;
    PlaneTest::TearDown();
  }

  // Reads the rules: the vendor file through the bridge, or the older format.
  bool readRules(bool vendor)
  {
    DRclearAllRules();
    if (vendor)
      return callback::accept(kAcceptBridge, sourcePath("examples/example.bridge").c_str()) ==
                 Outcome::Done &&
             callback::accept(kAcceptCadence2, sourcePath("examples/example_rules.tf").c_str()) ==
                 Outcome::Done;
    return callback::accept(kAcceptDesignRule, sourcePath("examples/example.rules").c_str()) ==
           Outcome::Done;
  }

  // Loads an example through the whole load chain (it writes the matcher's
  // netlist into the working folder, the scratch folder).
  bool load(const std::string& name)
  {
    return callback::accept(kAcceptLoadCif, sourcePath("examples/" + name).c_str()) == Outcome::Done;
  }

  // The drawn coordinate of a variable, from its tile: in X the tile's left
  // side or its right neighbour's left side, in Y its bottom or its upper
  // neighbour's bottom.
  static long drawn(const _edge* e, bool x)
  {
    const _Dtile* t = e->mother_tile;
    if (x)
      return e->upward ? t->x1 : t->tr()->x1;
    return e->upward ? t->y1 : t->rt()->y1;
  }

  // Every row of both directions that the drawn layout breaks, as text;
  // `count` counts the rows.
  std::vector<std::string> violations(int& count)
  {
    std::vector<std::string> found;
    for (bool x : {true, false}) {
      const AdjacencyArray& adj = x ? *equat_bucket : *equat_bucket_y;
      for (const Row& row : compact_test::readRows(adj, x ? xList : yList)) {
        ++count;
        long sum = 0;
        std::string text = std::to_string(row.rank) + (x ? " X" : " Y");
        for (const auto& term : row.terms) {
          const _edge* e = adj[term.first - 1].the_edge;
          sum += static_cast<long>(term.second) * drawn(e, x);
          text += " " + std::to_string(term.second) + "*" + e->name + "." +
                  (x ? (e->upward ? "left" : "right") : (e->upward ? "bottom" : "top")) + "(" +
                  std::to_string(drawn(e, x)) + ")";
        }
        const bool holds = row.type == 'E' ? sum == row.value : row.type == 'G' ? sum >= row.value
                                                                                : sum <= row.value;
        if (!holds)
          found.push_back(text + " " + row.type + " " + std::to_string(row.value) + ", drawn " +
                          std::to_string(sum));
      }
    }
    return found;
  }

  testing_support::ScratchDir scratch;
  compact_test::WorkIn cwd{scratch.dir()};
  _rhs_list* xList = nullptr;
  _rhs_list* yList = nullptr;
};

TEST_F(ExampleRows, EveryExampleLayoutKeepsItsRows)
{
  const std::vector<std::string> names = compact_test::exampleLayouts();
  ASSERT_GE(names.size(), 10u);
  for (const std::string& name : names)
    for (bool vendor : {true, false}) {
      SCOPED_TRACE(name + (vendor ? " with example_rules.tf" : " with example.rules"));
      ASSERT_TRUE(readRules(vendor));
      ASSERT_TRUE(load(name));
      compact::makeRows(&xList, &yList);
      int count = 0;
      const std::vector<std::string> found = violations(count);
      EXPECT_GT(count, 10);
      EXPECT_TRUE(found.empty()) << found.size() << " of " << count << " rows broken:\n"
                                 << compact_test::joined(found);
      compact::freeRows(xList);
      compact::freeRows(yList);
      xList = yList = nullptr;
      compact::freeStaff();
    }
}

// The check is not blind: a metal-1 spacing above the inverter's drawn gaps
// (the input is 3 um from the ground strap) breaks rows, all of metal 1.
TEST_F(ExampleRows, WiderRuleBreaksNamedRows)
{
  ASSERT_TRUE(readRules(true));
  ASSERT_TRUE(load("cmos_inverter.cif"));
  const int metal = compact_test::layerNo("CMF");
  SPACING[metal][metal] = 40;
  compact::makeRows(&xList, &yList);
  int count = 0;
  std::vector<std::string> found = violations(count);
  ASSERT_FALSE(found.empty());
  for (const std::string& line : found)
    EXPECT_NE(line.find("CMF"), std::string::npos) << line;
}

}  // namespace
