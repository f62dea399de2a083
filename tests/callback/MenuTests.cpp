// The menu description file and the bundled menus.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <set>
#include <string>

#include "DTtechnology.h"
#include "Dmenu.h"
#include "TestSupport.h"

namespace {

using testing_support::CoreTest;
using testing_support::ScratchDir;

class Menus : public CoreTest {
 protected:
  void TearDown() override
  {
    DIfreeMenuTree(Dmenu);
    Dmenu = nullptr;
    CoreTest::TearDown();
  }
  void useMenuFile(const std::string& content)
  {
    dir.write("menus", content);
    setenv("SYSRC", dir.write("sysrc", "MenuFile menus\n").c_str(), 1);
  }
  ScratchDir dir;
};

void collectActions(const _Buttons* button, std::set<std::string>* labels, int* buttons)
{
  for (; button; button = button->next) {
    if (button->type == 0)
      ++*buttons;
    if (button->client_data)
      labels->insert(button->client_data);
    collectActions(button->pulldown, labels, buttons);
  }
}

TEST_F(Menus, EntriesBecomeButtonsCascadesAndSeparators)
{
  useMenuFile("ignored words MENUBAR { PULLDOWN File FileMenu PULLDOWN Layers x }\n"
              "FileMenu { BUTTON Quit f.exit SEPARATOR - - PULLDOWN More Sub BUTTON Odd f.nothing }\n"
              "Sub { BUTTON Fit f.DVfit }\n");
  DImenuInit();
  ASSERT_NE(Dmenu, nullptr);
  EXPECT_STREQ(Dmenu->label, "File");
  ASSERT_NE(Dmenu->brother, nullptr);
  EXPECT_STREQ(Dmenu->brother->label, "Layers");
  EXPECT_EQ(Dmenu->brother->buttonlist, nullptr);
  const _Buttons* quit = Dmenu->buttonlist;
  ASSERT_NE(quit, nullptr);
  EXPECT_EQ(quit->type, 0);
  EXPECT_EQ(quit->callback.action2, &DIexit);
  EXPECT_STREQ(quit->client_data, "Quit");
  EXPECT_EQ(quit->next->type, 2);
  const _Buttons* more = quit->next->next;
  EXPECT_EQ(more->type, 1);
  ASSERT_NE(more->pulldown, nullptr);
  EXPECT_STREQ(more->pulldown->label, "Fit");
  EXPECT_EQ(more->next->callback.action2, &NullAction);
  EXPECT_EQ(MenuStruct, nullptr) << "the parsed menus are released";
}

TEST_F(Menus, LayersEntryListsTheLayersLastFirst)
{
  DIcolorInit();
  DItechInit();
  useMenuFile("MENUBAR { PULLDOWN Faults F }\nF { LAYERS Active - }\n");
  DImenuInit();
  const _Buttons* layers = Dmenu->buttonlist;
  ASSERT_EQ(layers->type, 1);
  ASSERT_NE(layers->pulldown, nullptr);
  EXPECT_STREQ(layers->pulldown->label, Glayers[GlayerNum - 1].name);
  EXPECT_EQ(layers->pulldown->callback.action, &DIsetActive);
  int count = 0;
  for (const _Buttons* b = layers->pulldown; b; b = b->next)
    ++count;
  EXPECT_EQ(count, GlayerNum);
}

TEST_F(Menus, FaultsOfTheFileEndTheProgram)
{
  const std::pair<const char*, const char*> cases[] = {
      {"MENUBAR { PULLDOWN File Missing }\n", "Can't find the Missing submenu"},
      {"MENUBAR { PULLDOWN File F }\nF { KNOB Quit f.exit }\n", "Menu description error: KNOB"},
      {"MENUBAR { PULLDOWN File F }\nF { PULLDOWN Again F }\n", "Menu description error: F"},
      {"MENUBAR { PULLDOWN File F\n", "Menu description error: MENUBAR"},
      {nullptr, "Menu description not available"},
  };
  for (const auto& [text, message] : cases) {
    if (text)
      useMenuFile(text);
    else
      setenv("SYSRC", dir.write("sysrc", "MenuFile absent\n").c_str(), 1);
    EXPECT_EXIT(
        {
          common::captureOutput(nullptr, nullptr);
          DImenuInit();
        },
        ::testing::ExitedWithCode(1), message);
  }
}

TEST_F(Menus, BundledMenusOfferEveryAction)
{
  DIcolorInit();
  DItechInit();
  DImenuInit();
  std::set<std::string> labels;
  int buttons = 0;
  for (const _Menutree* tree = Dmenu; tree; tree = tree->brother)
    collectActions(tree->buttonlist, &labels, &buttons);
  // Every row's action is bound to some button, and every button's action
  // exists (no button falls back to NullAction unless it asks for f.new,
  // f.open or f.hello).
  std::string text = testing_support::readFile(testing_support::sourcePath("lib/Dmenu.txt"));
  for (const _Actionindex& row : DactionIndex) {
    std::string name = row.name;
    bool bound = text.find(" " + name + "\n") != std::string::npos;
    EXPECT_TRUE(bound) << name << " is in no menu";
  }
  size_t at = 0;
  while ((at = text.find(" f.", at)) != std::string::npos) {
    size_t end = text.find_first_of(" \n", at + 1);
    std::string name = text.substr(at + 1, end - at - 1);
    bool known = false;
    for (const _Actionindex& row : DactionIndex)
      known = known || name == row.name;
    EXPECT_TRUE(known) << name << " is not an action";
    at = end;
  }
  EXPECT_GT(buttons, 89);
  for (const char* label : {"MaxSize", "MinSize", "Step", "X0(SizeDistribution)",
                            "D0(DefectDensity)", "Y0(ClusterFactor)", "A(GammaParameter)",
                            "Minimum", "Maximum", "Interval", "NameNet", "Def_I/O", "FindNet",
                            "On", "Off"})
    EXPECT_TRUE(labels.count(label)) << label;
}

}  // namespace
