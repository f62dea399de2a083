// The compaction and the resize of real layouts drawn with another editor
// (../shared/corpus, skipped when the folder is absent) under their own
// process rules, judged by the independent checks: no rule that held as
// drawn breaks anew, and the output is the same circuit, with the sizes a
// size file asks for.  Turned and mirrored copies take the other branches
// of every direction-dependent rule.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "CS.h"
#include "Dcif.h"
#include "Dcompact.h"
#include "Dmenu.h"
#include "LayoutInput.h"
#include "LayoutRules.h"
#include "RowSupport.h"
#include "RuleSupport.h"
#include "SQsqueeze.h"
#include "SameCircuit.h"
#include "TestSupport.h"

namespace {

using namespace layout_check;

const std::string kCorpus = std::string(QUORIN_SOURCE_DIR) + "/../shared/corpus";

using compact_test::joined;

class RealLayout : public designrule_test::RuleTest {
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
    EXPECT_EQ(chdir(here), 0);
    RuleTest::TearDown();
  }

  // A corpus layout, or a copy of it called turned or mirrored (`turn`
  // being the transformation of the call, "" for the layout itself).
  std::string layout(const std::string& name, const std::string& turn)
  {
    const std::string path = kCorpus + "/" + name;
    if (turn.empty())
      return path;
    std::string text = testing_support::readFile(path);
    const size_t top = text.rfind("C 1;");
    EXPECT_NE(top, std::string::npos);
    text.replace(top, std::string::npos, "DS 9999 1 1;\nC 1 " + turn + ";\nDF;\nC 9999;\nEnd\n");
    return scratch.write("turned.cif", text);
  }

  // Loads `cif` with its analysis, runs `step` (the compaction or a
  // resize), and checks "sq_out.cif" against the drawn layout.
  template <class Step>
  void expectKept(const std::string& cif, Step step, const std::string& sizes = "")
  {
    ASSERT_EQ(callback::accept(kAcceptLoadCif, cif.c_str()), callback::Outcome::Done);
    if (!sizes.empty()) {
      ASSERT_EQ(callback::accept(kAcceptTransSize, sizes.c_str()), callback::Outcome::Done);
    }
    ASSERT_TRUE(testing_support::runsToEnd(step)) << out.substr(out.size() > 3000 ? out.size() - 3000 : 0);
    const std::string result = scratch.path("sq_out.cif");
    Layers drawn, compacted;
    ASSERT_EQ(readLayers(cif, &drawn), "");
    ASSERT_EQ(readLayers(result, &compacted), "");
    EXPECT_EQ(joined(newViolations(drawn, compacted, rules)), "");
    Circuit before, after;
    ASSERT_EQ(extractCircuit(cif, &before), "");
    ASSERT_EQ(extractCircuit(result, &after), "");
    SizeRequests requested;
    if (!sizes.empty()) {
      ASSERT_EQ(readSizes(sizes, &requested), "");
    }
    const CircuitComparison same = compareCircuits(before, after, requested);
    EXPECT_TRUE(same.same) << joined(same.differences);
  }

  bool started = false;
  char here[4096];
  Rules rules;
};

TEST_F(RealLayout, CompactionKeepsRulesAndCircuit)
{
  const struct {
    const char* file;
    const char* turn;
  } cases[] = {
      {"mux21.cif", ""},          {"mux21.cif", "R 0 1"},     {"mux21.cif", "M X"},
      {"bitslice.cif", ""},       {"bitslice.cif", "R 0 -1 M Y"},
      {"datapath8.cif", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.turn);
    expectKept(layout(c.file, c.turn), [] { squeeze::compactLayout(); });
  }
}

// Resizes with size files: one cell of mux21 wider (the benchmark's file);
// every transistor of mux21 wider (metal shapes of several tiles over the
// contacts, which must stretch with their diffusions); a pair of
// bitslice's transistors that share a diffusion strip (their new cuts keep
// away from poly and from the cuts of the next diffusion).
TEST_F(RealLayout, ResizeGivesTheRequestedSizesAndKeepsRulesAndCircuit)
{
  const struct {
    const char* file;
    const char* sizes;  // a file of the source tree when it names one
  } cases[] = {
      {"mux21.cif", "bench/resize/mux21_sizes.txt"},
      {"mux21.cif",
       "M1 7.2 0.6\n M2 7.2 0.6\n M3 7.2 0.6\n M4 7.2 0.6\n M5 7.2 0.6\n M6 7.2 0.6\n"
       " M7 7.2 0.6\n M8 7.2 0.6\n M9 7.2 0.6\n M10 7.2 0.6\n M11 7.2 0.6\n M12 7.2 0.6\n"
       " M13 7.2 0.6\n M14 3.6 0.6\n"},
      {"bitslice.cif", "M65 7.2 0.6\n M64 7.2 0.6\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.sizes);
    const std::string sizes = c.sizes[0] == 'M' ? scratch.write("sizes.txt", std::string("Transistors_sizes:\n ") + c.sizes)
                                                : testing_support::sourcePath(c.sizes);
    expectKept(layout(c.file, ""), [] { new_resize(); }, sizes);
  }
}

// Widened transistors whose diffusion lines are aligned with a transistor
// that keeps its size (bitslice's m27, whose channel is cut into two
// tiles): the resize is abandoned and names both, instead of stretching
// m27 along.
TEST_F(RealLayout, ResizeThatWouldStretchAKeptTransistorNamesIt)
{
  ASSERT_EQ(callback::accept(kAcceptLoadCif, layout("bitslice.cif", "").c_str()),
            callback::Outcome::Done);
  const std::string sizes = scratch.write(
      "sizes.txt", "Transistors_sizes:\n M30 3.6 0.6\n M31 3.6 0.6\n M34 3.6 0.6\n"
                   " M35 3.6 0.6\n M38 3.6 0.6\n");
  ASSERT_EQ(callback::accept(kAcceptTransSize, sizes.c_str()), callback::Outcome::Done);
  EXPECT_FALSE(testing_support::runsToEnd([] { new_resize(); }));
  EXPECT_NE(out.find("drawn size of a transistor that is not resized"), std::string::npos)
      << out.substr(out.size() > 3000 ? out.size() - 3000 : 0);
  EXPECT_NE(out.find("Transistors involved: m27, m30"), std::string::npos);
}

}  // namespace
