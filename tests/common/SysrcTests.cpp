// Lookups in the system source file.
#include <gtest/gtest.h>
#include <stdlib.h>

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

TEST_F(Sysrc, KeysAreTheFirstWordOfALine)
{
  useSysrc("TechFile MenuFile\n\nMenuFile  menus.txt trailing words\nGlobalScale 3\n");
  EXPECT_STREQ(GCgetName("MenuFile"), "menus.txt");
  EXPECT_STREQ(GCgetName("TechFile"), "MenuFile");
  EXPECT_EQ(GCgetValue("GlobalScale"), 3);
}

TEST_F(Sysrc, RelativeFileNamesAreTakenFromTheSysrcFolder)
{
  useSysrc("TechFile my.tech\nColorFile /abs/colors\n");
  EXPECT_EQ(common::sysrcFile("TechFile"), dir.path("my.tech"));
  EXPECT_EQ(common::sysrcFile("ColorFile"), "/abs/colors");
}

TEST_F(Sysrc, MissingKeyEndsTheProgram)
{
  useSysrc("TechFile a\n");
  EXPECT_EXIT(uncaptured([] { GCgetName("MenuFile"); }), ::testing::ExitedWithCode(1), "System source file error");
  EXPECT_EXIT(uncaptured([] { GCgetValue("TechFile"); }), ::testing::ExitedWithCode(1), "System source file error");
}

TEST_F(Sysrc, MissingVariableOrFileEndsTheProgram)
{
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

}  // namespace
