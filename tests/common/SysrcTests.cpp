// Lookups in the system source file.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <functional>
#include <string>

#include "Dglobal.h"
#include "TestSupport.h"

namespace {

using testing_support::CoreTest;
using testing_support::ScratchDir;

// Death tests must see the real standard error.
template <class F>
void uncaptured(F f)
{
  common::captureOutput(nullptr, nullptr);
  f();
}

class Sysrc : public CoreTest {
 protected:
  std::string useSysrc(const std::string& content)
  {
    std::string path = dir.write("sysrc", content);
    setenv("SYSRC", path.c_str(), 1);
    return path;
  }
  ScratchDir dir;
};

// Keys are the first word of a line; relative file names are taken from
// the folder of the system source file.
TEST_F(Sysrc, KeysAreTheFirstWordOfALine)
{
  useSysrc("TechFile MenuFile\n\nMenuFile  menus.txt trailing words\nGlobalScale 3\n"
           "ColorFile /abs/colors\n");
  EXPECT_STREQ(GCgetName("MenuFile"), "menus.txt");
  EXPECT_STREQ(GCgetName("TechFile"), "MenuFile");
  EXPECT_EQ(GCgetValue("GlobalScale"), 3);
  EXPECT_EQ(common::sysrcFile("MenuFile"), dir.path("menus.txt"));
  EXPECT_EQ(common::sysrcFile("ColorFile"), "/abs/colors");
}

TEST_F(Sysrc, MissingKeyVariableOrFileEndsTheProgram)
{
  useSysrc("TechFile a\n");
  EXPECT_EXIT(uncaptured([] { GCgetName("MenuFile"); }), ::testing::ExitedWithCode(1), "System source file error");
  EXPECT_EXIT(uncaptured([] { GCgetValue("TechFile"); }), ::testing::ExitedWithCode(1), "System source file error");
  unsetenv("SYSRC");
  EXPECT_EXIT(uncaptured([] { GCgetName("TechFile"); }), ::testing::ExitedWithCode(1), "SYSRC env var must be set");
  setenv("SYSRC", dir.path("absent").c_str(), 1);
  EXPECT_EXIT(uncaptured([] { GCgetName("TechFile"); }), ::testing::ExitedWithCode(1), "No system source file");
}

TEST_F(Sysrc, BundledFileHasAllEightKeys)
{
  for (const char* key : {"TechFile", "MenuFile", "ColorFile", "IconPath"})
    EXPECT_STRNE(GCgetName(key), "") << key;
  EXPECT_EQ(GCgetValue("GlobalScale"), 1);
  for (const char* key : {"MinDefectSize", "MaxDefectSize", "Step"})
    EXPECT_GT(GCgetValue(key), 0) << key;
}

// Each process setting by name, with what it takes and what it refuses;
// a refused value leaves the global as it was.
TEST(ProcessSettings, ValuesTakenAndRefused)
{
  GCresetGlobals();
  const struct {
    const char* name;
    const char* text;
    bool taken;
    std::function<double()> value;
    const char* why = nullptr;  // of a refusal, when checked
  } cases[] = {
      {"PROCESS_OPTION", "0", true, [] { return PROCESS_OPTION; }},
      {"PROCESS_OPTION", "2", false, [] { return PROCESS_OPTION; }},
      {"PROCESS_INCLUDE_SYMMETRY", "0", true, [] { return PROCESS_INCLUDE_SYMMETRY; }},
      {"PROCESS_INCLUDE_PASSIVE", "0", true, [] { return PROCESS_INCLUDE_PASSIVE; }},
      {"PROCESS_INCLUDE_INDUCTOR", "0", true, [] { return PROCESS_INCLUDE_INDUCTOR; }},
      {"PROCESS_INCLUDE_RESIZING", "3", true, [] { return PROCESS_INCLUDE_RESIZING; }},
      {"PROCESS_INCLUDE_RESIZING", "4", false, [] { return PROCESS_INCLUDE_RESIZING; }},
      {"PROCESS_INCLUDE_WLM", "1", true, [] { return PROCESS_INCLUDE_WLM; }},
      {"PROCESS_INCLUDE_WLM", "0", false, [] { return PROCESS_INCLUDE_WLM; }},
      {"PROCESS_INCLUDE_WLM", "2x", false, [] { return PROCESS_INCLUDE_WLM; }},
      {"PROCESS_INCLUDE_WLM", "7", false, [] { return PROCESS_INCLUDE_WLM; },
       "PROCESS_INCLUDE_WLM 7 is refused: it takes 1, 2, 3 or 4"},
      {"PROCESS_INCLUDE_TRANSISTOR_PARASITIC", "1", true,
       [] { return PROCESS_INCLUDE_TRANSISTOR_PARASITIC; }},
      {"PROCESS_INCLUDE_TRANSISTOR_PARASITIC", "2", false,
       [] { return PROCESS_INCLUDE_TRANSISTOR_PARASITIC; },
       "PROCESS_INCLUDE_TRANSISTOR_PARASITIC 2 is refused: it takes 0 or 1 (2, the transistor "
       "parasitic step, is not built)"},
      {"RESIZING_FACTOR", "1.5", true, [] { return RESIZING_FACTOR; }},
      {"RESIZING_FACTOR", "0", false, [] { return RESIZING_FACTOR; }},
      {"RESIZING_FACTOR", "nan", false, [] { return RESIZING_FACTOR; }},
      {"TRANSISTOR_SIZE_CHECK", "1", true, [] { return TRANSISTOR_SIZE_CHECK; }},
      {"TIME_REPORT", "0", true, [] { return TIME_REPORT; }},
      {"TIME_REPORT", "", false, [] { return TIME_REPORT; }},
      {"COMPACT_ALGORITHM", "1", true, [] { return COMPACT_ALGORITHM; }},
      {"COMPACT_ALGORITHM", "2", false, [] { return COMPACT_ALGORITHM; }},
      {"VIA_CONTACT_REMOVAL", "1", false, [] { return VIA_CONTACT_REMOVAL; },
       "VIA_CONTACT_REMOVAL 1 is refused: via removal is not built; it stays 0"},
      {"VIA_NUM_REDUCE_RATIO", "0.5", true, [] { return VIA_NUM_REDUCE_RATIO; }},
      {"VIA_NUM_REDUCE_RATIO", "0.7", false, [] { return VIA_NUM_REDUCE_RATIO; }},
      {"SCALE", "1", false, [] { return 0.0; }, "there is no process setting SCALE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.text);
    const double before = c.value();
    std::string why;
    EXPECT_EQ(common::setProcessSetting(c.name, c.text, &why), c.taken) << why;
    if (c.taken)
      EXPECT_EQ(c.value(), atof(c.text));
    else
      EXPECT_EQ(c.value(), before);
    EXPECT_EQ(why.empty(), c.taken) << why;
    if (c.why) {
      EXPECT_EQ(why, c.why);
    }
  }
  GCresetGlobals();
}

// The presets of the actions keep what the user set, and only that.
TEST(ProcessSettings, PresetsKeepTheUsersValues)
{
  GCresetGlobals();
  std::string why;
  EXPECT_EQ(common::presetValue(PROCESS_INCLUDE_PASSIVE, 1), 1);
  ASSERT_TRUE(common::setProcessSetting("PROCESS_INCLUDE_PASSIVE", "0", &why));
  PROCESS_INCLUDE_PASSIVE = 1;  // as a run may leave it
  EXPECT_EQ(common::presetValue(PROCESS_INCLUDE_PASSIVE, 1), 0);
  EXPECT_EQ(common::presetValue(PROCESS_INCLUDE_INDUCTOR, 1), 1);
  GCresetGlobals();
  EXPECT_EQ(common::presetValue(PROCESS_INCLUDE_PASSIVE, 1), 1) << "forgotten with the reset";
}

// Keys of the system source file named as the settings; a missing key keeps
// the start value, a refused value ends the start-up.
TEST_F(Sysrc, ProcessSettingsFromTheSystemSourceFile)
{
  GCresetGlobals();
  useSysrc("TechFile a\nPROCESS_INCLUDE_WLM 2\nRESIZING_FACTOR 0.75 # smaller\n");
  common::readProcessSettings();
  EXPECT_EQ(PROCESS_INCLUDE_WLM, 2);
  EXPECT_EQ(RESIZING_FACTOR, 0.75);
  EXPECT_EQ(PROCESS_INCLUDE_RESIZING, 5);
  GCresetGlobals();
  useSysrc("TechFile a\nTIME_REPORT yes\n");
  EXPECT_EXIT(uncaptured([] { common::readProcessSettings(); }), ::testing::ExitedWithCode(1),
              "Fatal: System source file: TIME_REPORT yes is refused: it takes 0 or 1\\.");
}

}  // namespace
