// The dialog dispatcher and the value prompt.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "CS.h"
#include "DEextract.h"
#include "DFfault.h"
#include "DTtechnology.h"
#include "DYyield.h"
#include "Dglobal.h"
#include "Dmenu.h"
#include "TestSupport.h"

namespace {

using callback::Outcome;
using testing_support::CoreTest;
using testing_support::ScratchDir;
using testing_support::sourcePath;

class Accept : public CoreTest {
 protected:
  void SetUp() override
  {
    CoreTest::SetUp();
    DIcolorInit();
    DItechInit();
    DYinit();
    ui.messages.clear();
    out.clear();
    theMaxDefectSize = 400;
    theMinDefectSize = 40;
  }
  void TearDown() override
  {
    for (int i = 0; i < GlayerNum; ++i)
      Glayers[i].active = 0;
    InitStitch();
    CoreTest::TearDown();
  }
  // Makes technology layer `layer` active, with a tile plane as the layer
  // panel requires; the plane is the second of the table, so the plane
  // index differs from the layer index.
  void activate(int layer)
  {
    snprintf(DlayerTile[0].name, sizeof DlayerTile[0].name, "%s", "XYZ");
    snprintf(DlayerTile[1].name, sizeof DlayerTile[1].name, "%s", Glayers[layer].name);
    DlayerNum = 2;
    Glayers[layer].active = 1;
  }
};

// Sizes are stored in internal units; the layer values go to the active
// layer only; zero or text is refused and changes nothing.
TEST_F(Accept, ValuesGoWhereTheyBelong)
{
  EXPECT_EQ(callback::accept(kAcceptX0, "2"), Outcome::Abandoned);
  EXPECT_NE(err.find("Fatal: No active layer, check DIacceptCB()."), std::string::npos);
  activate(4);
  const struct {
    int code;
    const char* text;
    std::function<double()> value;
    double expected;
  } cases[] = {
      {kAcceptMaxSize, "2.5", [] { return theMaxDefectSize; }, 100},
      {kAcceptMinSize, "0.5", [] { return theMinDefectSize; }, 20},
      {kAcceptStep, "0.25", [] { return theStep; }, 10},
      {kAcceptDensityMin, "50", [] { return Fdensity.minimum; }, 50},
      {kAcceptDensityMax, "900", [] { return Fdensity.maximum; }, 900},
      {kAcceptDensityStep, "25", [] { return Fdensity.step; }, 25},
      {kAcceptX0, "2", [] { return Glayers[4].X0; }, 2},
      {kAcceptD0, "3", [] { return Glayers[4].D0; }, 3},
      {kAcceptAlfa, "4", [] { return Glayers[4].alfa; }, 4},
      {kAcceptY0, "0.5", [] { return Glayers[4].Y0; }, 0.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const double before = c.value();
    for (const char* refused : {"0", "big", ""}) {
      EXPECT_EQ(callback::accept(c.code, refused), Outcome::Failed) << refused;
      EXPECT_EQ(c.value(), before) << refused;
      EXPECT_EQ(ui.lastLine(), "Error: Input wrong, change cancelled.");
    }
    EXPECT_EQ(callback::accept(c.code, c.text), Outcome::Done);
    EXPECT_EQ(c.value(), c.expected);
  }
  EXPECT_EQ(ui.scaleMaximum, 25);
  EXPECT_EQ(ui.scaleMinimum, 5);
  EXPECT_EQ(Glayers[3].X0, 1.0f);
}

TEST_F(Accept, UnopenableFileKeepsTheDialog)
{
  EXPECT_EQ(callback::accept(kAcceptTech, "/nonexistent/x.tech"), Outcome::KeepDialog);
  EXPECT_EQ(ui.lastLine(), "Error: Cann't open the file /nonexistent/x.tech.");
  EXPECT_EQ(callback::accept(kAcceptDesignRule, "/nonexistent/r"), Outcome::KeepDialog);
  EXPECT_EQ(ui.lastLine(), "Error: Can't open the file /nonexistent/r.");
  EXPECT_EQ(out, "\nINPUT_DESIGN_RULE_FILE is /nonexistent/r\n");
  EXPECT_EQ(callback::accept(kAcceptTransSize, "/nonexistent/s"), Outcome::KeepDialog);
  EXPECT_EQ(ui.lastLine(), "Error: Can't open file: /nonexistent/s\n.");
}

TEST_F(Accept, TechnologyFileReadsAndRebuildsTheLayerPanel)
{
  EXPECT_EQ(callback::accept(kAcceptTech, sourcePath("lib/example.tech").c_str()), Outcome::Done);
  EXPECT_EQ(ui.layerPanelRebuilds, 1);
  EXPECT_TRUE(ui.saw('M', "Parsing TECH ....."));
  EXPECT_EQ(ui.lastLine(), "Message: Load technology file OK.");
  ScratchDir dir;
  std::string bad = dir.write("bad.tech", "layers: CAA red solid;\n");
  EXPECT_EQ(callback::accept(kAcceptTech, bad.c_str()), Outcome::Failed);
  EXPECT_EQ(ui.lastLine(), "Message: Technology file format error.");
  EXPECT_EQ(ui.layerPanelRebuilds, 1);
}

// Fit from the menu takes the highlight of a shown net away; the selected
// net, which the net fault actions use, stays.
TEST_F(Accept, FitTakesTheNetHighlightAway)
{
  ASSERT_EQ(callback::accept(kAcceptTech, sourcePath("lib/example.tech").c_str()), Outcome::Done);
  ASSERT_EQ(callback::accept(kAcceptLoadCif, sourcePath("examples/amp.cif").c_str()),
            Outcome::Done);
  DExSearchNet(1);
  ASSERT_NE(DlayerTile[0].highlight, nullptr);
  DlayerTile[0].selected = DExDupList(DlayerTile[0].highlight);
  EXPECT_EQ(callback::run(DIfindCallback("f.DVfit"), "Fit"), Outcome::Done);
  EXPECT_EQ(DlayerTile[0].highlight, nullptr);
  EXPECT_NE(DlayerTile[0].selected, nullptr);
  extract::releaseExtraction();
  GCfreeCS();
}

// The bundled defect sizes suit the bundled amplifier: at the slider's
// starting size a bridge run finds faults, and the yield of a sweep of
// metal 1 falls as the defect density grows.
TEST_F(Accept, BundledDefectSizesFindFaultsOnTheAmplifier)
{
  ScratchDir dir;
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(dir.dir().c_str()), 0);
  DItechInit();  // the bundled sizes
  ASSERT_EQ(callback::accept(kAcceptTech, sourcePath("lib/example.tech").c_str()), Outcome::Done);
  ASSERT_EQ(callback::accept(kAcceptLoadCif, sourcePath("examples/amp.cif").c_str()),
            Outcome::Done);
  EXPECT_EQ(callback::run(DIfindCallback("f.DFexLayersS"), "Shorts"), Outcome::Done);
  EXPECT_GT(FShortNum, 0);
  ActionHandler layerButton;
  layerButton.action = DIsetActive;
  callback::run(layerButton, "CMF");  // the layer panel makes CMF active
  EXPECT_EQ(callback::run(DIfindCallback("f.DYanaShort"), "Analyse"), Outcome::Done);
  EXPECT_EQ(Fsensitivity.length, 10);
  EXPECT_EQ(callback::run(DIfindCallback("f.DYyx"), "Yield"), Outcome::Done);
  ASSERT_GT(Fyield.length, 1);
  for (int i = 1; i < Fyield.length; ++i)
    EXPECT_LT(Fyield.datay[i], Fyield.datay[i - 1]) << "density " << Fyield.datax[i];
  extract::releaseExtraction();
  GCfreeCS();
  ASSERT_EQ(chdir(here), 0);
}

TEST_F(Accept, AcceptSetsThePassiveSwitches)
{
  PROCESS_INCLUDE_PASSIVE = 0;
  PROCESS_INCLUDE_INDUCTOR = 0;
  callback::accept(kAcceptStep, "1");
  EXPECT_EQ(PROCESS_INCLUDE_PASSIVE, 1);
  EXPECT_EQ(PROCESS_INCLUDE_INDUCTOR, 1);
}

class Prompt : public Accept {};

TEST_F(Prompt, NetPromptsNeedNoActiveLayer)
{
  callback::run(DIfindCallback("f.DIsetForm"), "NameNet");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].code, kAcceptNameNet);
  EXPECT_EQ(ui.prompts[0].label, "Net Name:");
  callback::run(DIfindCallback("f.DIsetForm"), "Def_I/O");
  EXPECT_EQ(ui.prompts.back().code, kAcceptDefIO);
  EXPECT_EQ(ui.prompts.back().label, "Terminal Name:");
  callback::run(DIfindCallback("f.DIsetForm"), "FindNet");
  EXPECT_EQ(ui.prompts.back().code, kAcceptFindNet);
}

TEST_F(Prompt, OtherPromptsNeedAnActiveLayer)
{
  callback::run(DIfindCallback("f.DIsetForm"), "MaxSize");
  EXPECT_TRUE(ui.prompts.empty());
  EXPECT_EQ(ui.lastLine(), "Warning: Select an active layer first.");
  activate(2);
  callback::run(DIfindCallback("f.DIsetForm"), "MaxSize");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].code, kAcceptMaxSize);
  EXPECT_EQ(ui.prompts[0].label, "The Maximum Defect Size:");
  EXPECT_EQ(ui.prompts[0].text, "10.0000");
  Glayers[2].Y0 = 0.25f;
  callback::run(DIfindCallback("f.DIsetForm"), "Y0(ClusterFactor)");
  EXPECT_EQ(ui.prompts.back().code, kAcceptY0);
  EXPECT_EQ(ui.prompts.back().text, "0.2500");
}

TEST_F(Prompt, UnknownLabelIsAFaultOfTheMenuFileNotTheEndOfTheProgram)
{
  activate(2);
  EXPECT_EQ(callback::run(DIfindCallback("f.DIsetForm"), "Colour"), Outcome::Abandoned);
  EXPECT_NE(err.find("Fatal: Unchangable menu label changed."), std::string::npos);
  EXPECT_TRUE(ui.prompts.empty());
}

}  // namespace
