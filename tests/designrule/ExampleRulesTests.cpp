// The example rule files: they read, and every example layout satisfies
// the rules they give, as drawn.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "CS.h"
#include "Dcif.h"
#include "Dlayout.h"
#include "RuleSupport.h"

namespace {

using designrule_test::RuleTest;

class ExampleRules : public RuleTest {
 protected:
  void TearDown() override
  {
    GCfreeCS();
    ACinit();
    cif::releaseRetiredPins();
    RuleTest::TearDown();
  }

  // Reads, flattens and builds the planes of an example.
  bool load(const std::string& name)
  {
    GCfreeCS();
    cifin = fopen(testing_support::sourcePath("examples/" + name).c_str(), "r");
    if (!cifin)
      return false;
    ACinit();
    common::ActionScope scope;
    try {
      return CIFparse() == 0 && GCflatten() == 0 && Gflatten && DCcrtCS() == 0;
    } catch (const common::OperationAborted&) {
      return false;
    }
  }
};

// Files that show forms of CIF rather than layouts of the process: cells
// turned by a slanted angle and drawn at half scale, boxes off the grid,
// and a cell drawn by another tool at half the process's lambda.
const char* const kCifForms[] = {"hierarchy.cif", "scale.cif", "othertool.cif"};

std::vector<std::string> exampleLayouts()
{
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(testing_support::sourcePath("examples"))) {
    std::string name = entry.path().filename();
    if (entry.path().extension() == ".cif" &&
        std::find(std::begin(kCifForms), std::end(kCifForms), name) == std::end(kCifForms))
      names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Both example rule files: the vendor file through the bridge, and the
// older format.
TEST_F(ExampleRules, EveryExampleLayoutKeepsTheExampleRules)
{
  int active = slot("CAA"), poly = slot("CPG");
  std::vector<std::string> names = exampleLayouts();
  ASSERT_GE(names.size(), 10u);
  for (int file = 0; file < 2 * static_cast<int>(names.size()); ++file) {
    const std::string& name = names[file / 2];
    SCOPED_TRACE(name + (file % 2 ? " with example.rules" : " with example_rules.tf"));
    DRclearAllRules();
    if (file % 2 == 0) {
      ASSERT_EQ(readFile(0, "examples/example.bridge"), 1);
      ASSERT_EQ(readFile(2, "examples/example_rules.tf"), 1);
    } else {
      ASSERT_EQ(readFile(3, "examples/example.rules"), 1);
    }
    int inForce = 0;
    for (int i = 0; i < kRuleLayers; ++i)
      for (int j = 0; j < kRuleLayers; ++j)
        inForce += WIDTH_VALID[i] + SPACING_VALID[i][j] + EXTENSION_VALID[i][j];
    ASSERT_GT(inForce, 50);
    ASSERT_TRUE(load(name));
    auto layers = designrule_test::planeRects();
    EXPECT_FALSE(layers.empty());
    std::string report;
    for (const std::string& line : designrule_test::checkRules(layers, SCALE, active, poly))
      report += line + "\n";
    EXPECT_EQ(report, "");
  }
}

}  // namespace

// The checker is not blind: two micrometres more on a rule makes the
// amplifier fail, for each kind of check.
TEST_F(ExampleRules, CheckerSeesEachKindOfViolation)
{
  ASSERT_EQ(readFile(0, "examples/example.bridge"), 1);
  ASSERT_EQ(readFile(2, "examples/example_rules.tf"), 1);
  int active = slot("CAA"), poly = slot("CPG"), metal = slot("CMF"), select = slot("CSN");
  int cut = slot("CCA");
  struct Case {
    int16_t* entry;
    const char* seen;
  } cases[] = {
      {&WIDTH[poly], "width CPG:"},
      {&SPACING[metal][metal], "spacing CMF:"},
      {&EXTENSION[select][active], "enclosure CSN/CAA:"},
      {&EXTENSION[metal][cut], "enclosure CMF/CCA:"},
      {&EXTENSION[poly][active], "end cap CPG/CAA:"},
      {&EXTENSION[active][poly], "gate extension CAA/CPG:"},
  };
  ASSERT_TRUE(load("amp.cif"));
  auto layers = designrule_test::planeRects();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seen);
    ASSERT_TRUE(designrule_test::checkRules(layers, SCALE, active, poly).empty());
    *c.entry += 20;
    std::vector<std::string> violations = designrule_test::checkRules(layers, SCALE, active, poly);
    *c.entry -= 20;
    std::string report;
    for (const std::string& line : violations)
      report += line + "\n";
    EXPECT_NE(report.find(c.seen), std::string::npos) << report;
  }
}
