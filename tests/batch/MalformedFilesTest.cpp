// Malformed files of every format, loaded as a file dialog (or a batch line)
// loads them, over a loaded layout, technology, bridge and rules: each is
// refused with a message, and what was loaded before stays loaded.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <sstream>
#include <string>

#include "DEextract.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "DYyield.h"
#include "Dcif.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dmenu.h"
#include "TestSupport.h"

namespace {

using callback::Outcome;
using testing_support::CoreTest;
using testing_support::ScratchDir;
using testing_support::sourcePath;

// What a malformed file must not change, as text so that a difference
// reads: the layout, the technology, the bridge, the rules (a checksum of
// the tables) and the transistors' new sizes.
std::string loadedState()
{
  std::ostringstream s;
  s << "layout " << (Glayout ? Glayout->name : "-") << " cells";
  for (const _layout* cell = Gsymbols; cell; cell = cell->next)
    s << ' ' << cell->name;
  s << " flat " << (Gflatten != nullptr) << " planes " << DlayerNum << " transistors " << TransNum
    << " nets " << NetsNum << "\ntechnology";
  for (int i = 0; i < GlayerNum; ++i)
    s << ' ' << Glayers[i].name;
  s << " elements " << DelementNum << " contacts " << DconNum << "\nbridge";
  for (const CIFtoCADENCElayers& b : CifToCadence)
    if (b.cadenceLayer[0])
      s << ' ' << b.cif << '=' << b.cadenceLayer;
  unsigned long sum = 0;
  auto add = [&sum](const void* table, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i)
      sum = sum * 31 + static_cast<const unsigned char*>(table)[i];
  };
  add(WIDTH, sizeof WIDTH);
  add(WIDTH_VALID, sizeof WIDTH_VALID);
  add(SPACING, sizeof SPACING);
  add(SPACING_VALID, sizeof SPACING_VALID);
  add(EXTENSION, sizeof EXTENSION);
  add(EXTENSION_VALID, sizeof EXTENSION_VALID);
  s << "\nrules " << LAMBDA_T1 << ' ' << LAMBDA_T2 << " tables " << sum << " transistor minima "
    << TRAN_WIDTH[0] << ' ' << TRAN_LENGTH[0] << "\nsizes";
  for (int k = 0; k < DelementNum; ++k)
    for (const _Dtransistor* t = Transistors ? Transistors[k] : nullptr; t; t = t->next)
      s << ' ' << t->resize_width << 'x' << t->resize_length;
  return s.str();
}

class MalformedFiles : public CoreTest {
 protected:
  void SetUp() override
  {
    CoreTest::SetUp();
    ASSERT_TRUE(getcwd(cwd_, sizeof cwd_));
    ASSERT_EQ(chdir(dir_.dir().c_str()), 0);  // the load writes its netlist here
    DIcolorInit();
    DItechInit();
    DYinit();
    ASSERT_EQ(callback::accept(kAcceptLoadCif, sourcePath("examples/amp.cif").c_str()), Outcome::Done);
    DRgetCifLayers(CifToCadence, Glayers);
    ASSERT_EQ(callback::accept(kAcceptBridge, sourcePath("examples/example.bridge").c_str()),
              Outcome::Done);
    ASSERT_EQ(callback::accept(kAcceptCadence2, sourcePath("examples/example_rules.tf").c_str()),
              Outcome::Done);
    ASSERT_EQ(callback::accept(kAcceptTransSize, sourcePath("examples/sizes.txt").c_str()),
              Outcome::Done);
  }
  void TearDown() override
  {
    ACinit();
    GCfreeCS();
    EXPECT_EQ(chdir(cwd_), 0);
    CoreTest::TearDown();
  }

  ScratchDir dir_;
  char cwd_[4096];
};

TEST_F(MalformedFiles, AreRefusedWithAMessageAndChangeNothing)
{
  const std::string garbage("\x00\x01\x7f garbage \xff((( ;;\n\x00", 22);
  const struct {
    const char* what;
    int code;
    std::string text;
  } cases[] = {
      {"CIF, a syntax error after geometry", kAcceptLoadCif, "DS 1;\nL CMF;\nB 10 10 0 0;\nB 1 ;\nDF;\nE\n"},
      {"CIF, an unknown layer", kAcceptLoadCif, "DS 1;\nL CMF;\nB 10 10 0 0;\nL NOPE;\nDF;\nE\n"},
      {"CIF, a cell that calls itself", kAcceptLoadCif, "DS 1;\nL CMF;\nB 10 10 0 0;\nC 1;\nDF;\nC 1;\nE\n"},
      {"CIF, not text", kAcceptLoadCif, garbage},
      {"CIF read only, a syntax error", kAcceptReadCif, "DS 1;\nL CMF;\nB 10 10 0 0;\nB 1 ;\nDF;\nE\n"},
      {"technology, a syntax error after a layer", kAcceptTech, "layers:\nCAA: red dots;\nCPG red\n"},
      {"technology, not text", kAcceptTech, garbage},
      {"older rules, a bad width", kAcceptDesignRule, "W\n[3,40]\n[3,40\n"},
      {"bridge, a name too long", kAcceptBridge, "m1 drawing CMF\n" + std::string(80, 'x') + " drawing CPG\n"},
      {"vendor rules, an unclosed section", kAcceptCadence2,
       "physicalRules(\n spacingRules(\n ( minWidth \"metal1\" 0.6 )\n )\n"},
      {"vendor rules, first variant", kAcceptCadence1, "physicalRules(\n mfgGridResolution(\n ( 0.05 )\n"},
      {"vendor rules, not text", kAcceptCadence2, garbage},
      {"sizes, a word for a value", kAcceptTransSize, "Transistors_sizes:\nM1 2.4 0.6\nM2 W 2\n"},
      {"sizes, not text", kAcceptTransSize, garbage},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string before = loadedState();
    ui.messages.clear();
    err.clear();
    std::string file = dir_.write("bad", c.text);
    Outcome outcome = callback::accept(c.code, file.c_str());
    EXPECT_TRUE(outcome == Outcome::Failed || outcome == Outcome::Abandoned);
    // An error in the message window, or a fatal one on standard error.
    bool told = err.find("Fatal: ") != std::string::npos;
    for (const auto& m : ui.messages)
      told |= m.kind == 'E' || m.line.find("error") != std::string::npos;
    EXPECT_TRUE(told) << ui.lastLine();
    EXPECT_EQ(loadedState(), before);
  }
  // What stayed is whole: the layout loads over it as over any other.
  const std::string loaded = loadedState();
  ASSERT_EQ(callback::accept(kAcceptLoadCif, sourcePath("examples/amp.cif").c_str()), Outcome::Done);
  ASSERT_EQ(callback::accept(kAcceptTransSize, sourcePath("examples/sizes.txt").c_str()),
            Outcome::Done);
  EXPECT_EQ(loadedState(), loaded);
}

}  // namespace
