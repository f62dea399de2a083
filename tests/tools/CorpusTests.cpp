// The checks on real layouts drawn with another editor (../shared/corpus,
// skipped when the folder is absent) under their own process rules: the
// drawn layouts break exactly the rules they are known to break, copies
// broken one way each break that rule anew, and the circuit comparison
// tells a widened copy from the drawn one unless the sizes were asked for.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "CS.h"
#include "Dcif.h"
#include "LayoutInput.h"
#include "LayoutRules.h"
#include "RuleSupport.h"
#include "SameCircuit.h"
#include "TestSupport.h"

namespace {

using namespace layout_check;

const std::string kCorpus = std::string(QUORIN_SOURCE_DIR) + "/../shared/corpus";

class Corpus : public designrule_test::RuleTest {
 protected:
  void SetUp() override
  {
    struct stat s;
    if (stat(kCorpus.c_str(), &s) != 0)
      GTEST_SKIP() << "no corpus folder " << kCorpus;
    RuleTest::SetUp();
    started = true;
    ASSERT_TRUE(getcwd(here, sizeof here));
    ASSERT_EQ(chdir(scratch.dir().c_str()), 0);
    ACcifMode = CifMode::Full;
    ASSERT_EQ(loadRules(kCorpus + "/scmos.bridge", kCorpus + "/scmos.tf"), "");
    rules = Rules::fromTables();
  }
  void TearDown() override
  {
    if (!started)
      return;
    ACcifMode = CifMode::Strict;
    GCfreeCS();
    ACinit();
    cif::releaseRetiredPins();
    EXPECT_EQ(chdir(here), 0);
    RuleTest::TearDown();
  }

  // mux21.cif with `from` replaced by `to` (which must occur once).
  std::string mux21With(const std::string& from, const std::string& to)
  {
    std::string text = testing_support::readFile(kCorpus + "/mux21.cif");
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    EXPECT_EQ(text.find(from, at + 1), std::string::npos) << from;
    if (at != std::string::npos)
      text.replace(at, from.size(), to);
    return scratch.write("copy.cif", text);
  }

  std::vector<Violation> check(const std::string& cif)
  {
    Layers layers;
    EXPECT_EQ(readLayers(cif, &layers), "");
    return checkLayout(layers, rules);
  }

  bool started = false;
  char here[4096];
  Rules rules;
};

TEST_F(Corpus, DrawnLayoutsBreakOnlyWhatTheyAreKnownToBreak)
{
  const std::pair<const char*, std::map<std::string, int>> cases[] = {
      {"mux21.cif", {}},
      {"bitslice.cif", {{"spacing CSP", 7}}},
      {"datapath8.cif", {{"spacing CSP", 56}}},
  };
  for (const auto& [file, expected] : cases) {
    std::map<std::string, int> counts;
    for (const auto& [rule, count] : countByRule({}, check(kCorpus + "/" + file)))
      counts[rule] = count.after;
    EXPECT_EQ(counts, expected) << file;
  }
}

TEST_F(Corpus, BrokenCopiesOfMux21BreakTheirRuleAnew)
{
  const struct {
    const char* what;
    const char* from;
    const char* to;
    const char* rule;
  } cases[] = {
      {"short poly end cap", "    B 8 164 32 214;", "    B 8 162 32 213;", "end cap CPG/CAA"},
      {"active near its well's edge", "    B 128 180 48 242;", "    B 112 180 56 242;",
       "enclosure CWN/CAA"},
      {"overlapping wells", "    B 96 68 32 62;", "    B 96 140 32 98;", "no overlap CWN/CWP"},
      {"L-shaped gate", "    B 8 164 32 214;", "    B 8 164 32 214;\n    B 16 8 40 248;",
       "gate shape CPG/CAA"},
      {"metal corner to corner", "L CMF;\n    B 256 24 124 316;",
       "L CMF;\n    B 16 16 1000 1000;\n    B 16 16 1024 1024;\n    B 256 24 124 316;",
       "spacing CMF"},
  };
  Layers drawn, broken;
  ASSERT_EQ(readLayers(kCorpus + "/mux21.cif", &drawn), "");
  ASSERT_TRUE(newViolations(drawn, drawn, rules).empty());
  for (const auto& c : cases) {
    ASSERT_EQ(readLayers(mux21With(c.from, c.to), &broken), "");
    std::vector<std::string> lines = newViolations(drawn, broken, rules);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.rfind(std::string(c.rule) + ":", 0) == 0;
    })) << c.what;
  }
}

TEST_F(Corpus, WidenedCopyIsTheSameCircuitOnlyWithItsSizes)
{
  Circuit drawn, wide;
  ASSERT_EQ(extractCircuit(kCorpus + "/mux21.cif", &drawn), "");
  ASSERT_EQ(drawn.devices.size(), 14u);
  EXPECT_TRUE(compareCircuits(drawn, drawn).same);
  // The p-channel strip of every NAND cell 0.6 um taller.
  ASSERT_EQ(extractCircuit(mux21With("    B 80 80 48 248;", "    B 80 88 48 248;"), &wide), "");
  CircuitComparison plain = compareCircuits(drawn, wide);
  EXPECT_FALSE(plain.same);
  SizeRequests sizes;
  for (const Device& d : drawn.devices)
    if (d.kind == "transistor_P" && d.name != "m9")  // m9: the inverter's
      sizes[{'m', d.number}] = {6.6, 0.6, 2640, 240};
  ASSERT_EQ(sizes.size(), 6u);
  EXPECT_TRUE(compareCircuits(drawn, wide, sizes).same);
}

}  // namespace
