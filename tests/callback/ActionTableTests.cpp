// The action table, its lookup and the handlers of the shell.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "DEextract.h"
#include "DYyield.h"
#include "Dglobal.h"
#include "Dmenu.h"
#include "TestSupport.h"

namespace {

using testing_support::CoreTest;
using testing_support::ScratchDir;

TEST(ActionTable, NinetyThreeRowsEachWithOneSlot)
{
  int rows = 0;
  for (const _Actionindex& row : DactionIndex) {
    ++rows;
    EXPECT_EQ(strncmp(row.name, "f.", 2), 0) << row.name;
    int filled = (row.action != nullptr) + (row.action1 != nullptr) + (row.action2 != nullptr);
    EXPECT_EQ(filled, 1) << row.name;
  }
  EXPECT_EQ(rows, 93);
  EXPECT_STREQ(DactionIndex[5].name, "f.new");
  EXPECT_STREQ(DactionIndex[63].name, "f.DExSelectNetGraphObj");
  EXPECT_STREQ(DactionIndex[88].name, "f.DYyx");
  EXPECT_STREQ(DactionIndex[89].name, "f.DIcifMode");
  EXPECT_STREQ(DactionIndex[92].name, "f.DIldGdsMap");
}

TEST(ActionTable, LookupTakesTheFirstRowAndItsFilledSlot)
{
  EXPECT_EQ(DIfindCallback("f.DYyx").action2, &DYyx);
  EXPECT_EQ(DIfindCallback("f.DExNameNet").action1, &DExNameNet);
  EXPECT_EQ(DIfindCallback("f.DIsetForm").action, &DIsetForm);
  EXPECT_EQ(DIfindCallback("f.new").action2, &NullAction);
  ActionHandler unknown = DIfindCallback("f.nosuchaction");
  EXPECT_EQ(unknown.action2, &NullAction);
  EXPECT_EQ(unknown.action, nullptr);
  EXPECT_EQ(DIfindCallback("f.dyyx").action2, &NullAction) << "names are case sensitive";
}

class Shell : public CoreTest {};

TEST_F(Shell, NullActionSaysHello)
{
  EXPECT_EQ(callback::run(DIfindCallback("f.hello"), nullptr), callback::Outcome::Done);
  EXPECT_EQ(out, "Hello!: Set the button in both lib/Dmenu.txt and inc/Dmenu.h\n");
}

TEST_F(Shell, SwitchesFollowTheButtonLabel)
{
  callback::run(DIfindCallback("f.DIhswitch"), "Off");
  EXPECT_EQ(FsetHighlight, 0);
  EXPECT_EQ(ui.lastLine(), "Message: Hightlight turned off.");
  callback::run(DIfindCallback("f.DIsswitch"), "Off");
  callback::run(DIfindCallback("f.DIlswitch"), "Off");
  EXPECT_EQ(FsetSelected, 0);
  EXPECT_EQ(FsetLabels, 0);
  callback::run(DIfindCallback("f.DIlswitch"), "On");
  EXPECT_EQ(FsetLabels, 1);
  EXPECT_EQ(ui.lastLine(), "Message: Labels turned on.");
  size_t shown = ui.messages.size();
  callback::run(DIfindCallback("f.DIhswitch"), "Maybe");
  EXPECT_EQ(FsetHighlight, 0);
  EXPECT_EQ(ui.messages.size(), shown);
  callback::run(DIfindCallback("f.DIstartPB"), nullptr);
  EXPECT_EQ(FStartPlaybackRecord, 1);
  callback::run(DIfindCallback("f.DIendPB"), nullptr);
  EXPECT_EQ(FStartPlaybackRecord, 0);
}

TEST_F(Shell, FileActionsOpenTheDialogWithTheirCode)
{
  const std::pair<const char*, int> actions[] = {
      {"f.DIrdLayout", 0},  {"f.DIldTech", 1}, {"f.DIldDesRule", 4},
      {"f.DIldLayout", 12}, {"f.DIldSym", 16}, {"f.DRload", 18},
      {"f.DRloadCadenceDesRule1", 19}, {"f.DRloadCadenceDesRule2", 20},
      {"f.UStransSizeFile", 21}};
  for (const auto& action : actions) {
    callback::run(DIfindCallback(action.first), "label");
    ASSERT_FALSE(ui.fileDialogs.empty());
    EXPECT_EQ(ui.fileDialogs.back(), action.second) << action.first;
  }
}

TEST_F(Shell, SizeUpdateWithoutTransistorsSaysSo)
{
  callback::run(DIfindCallback("f.USupdateparameter"), nullptr);
  EXPECT_EQ(ui.lastLine(), "Error: No transistors: load a layout before updating their sizes.");
}

// Sets or removes an environment variable for the life of a test.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name)
  {
    const char* old = getenv(name);
    had_ = old != nullptr;
    old_ = old ? old : "";
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedVariable()
  {
    if (had_)
      setenv(name_, old_.c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  bool had_;
  std::string old_;
};

TEST_F(Shell, EditorComesFromTheKeyThenVisualThenEditor)
{
  struct Case {
    const char* sysrcLine;  // null: no key
    const char* visual;
    const char* editor;
    const char* command;
  };
  const Case cases[] = {
      {"Editor   xterm -e vi  \n", "gvim", "ed", "xterm -e vi"},
      {nullptr, "gvim -f", "ed", "gvim -f"},
      {nullptr, "", "emacs", "emacs"},
      {nullptr, nullptr, nullptr, "feditor"},
      {"Editor\n", nullptr, "ed", "ed"},  // a key without a command is none
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    std::string sysrc = "TechFile example.tech\n";
    if (c.sysrcLine)
      sysrc += c.sysrcLine;
    setenv("SYSRC", dir.write("sysrc", sysrc).c_str(), 1);
    ScopedVariable visual("VISUAL", c.visual), editor("EDITOR", c.editor);
    EXPECT_EQ(callback::editorCommand(), c.command) << (c.sysrcLine ? c.sysrcLine : "no key");
  }
}

// The editor runs on its own; one that can not be started is reported.
TEST_F(Shell, EditorThatCanNotStartIsReported)
{
  ScratchDir dir;
  std::string started = dir.path("started");
  setenv("SYSRC", dir.write("sysrc", "Editor touch '" + started + "'\n").c_str(), 1);
  EXPECT_EQ(callback::run(DIfindCallback("f.editor"), "Editor"), callback::Outcome::Done);
  EXPECT_TRUE(ui.messages.empty());
  bool seen = false;
  for (int i = 0; i < 200 && !seen; ++i) {  // the editor runs on its own
    seen = access(started.c_str(), F_OK) == 0;
    if (!seen)
      usleep(10000);
  }
  EXPECT_TRUE(seen) << "the command ran";

  setenv("SYSRC", dir.write("sysrc", "Editor no-such-editor-here --wait\n").c_str(), 1);
  callback::run(DIfindCallback("f.editor"), "Editor");
  EXPECT_EQ(ui.lastLine(),
            "Error: Can't start the editor no-such-editor-here --wait: No such file or directory.");
  EXPECT_EQ(err.find("not found"), std::string::npos) << "no shell complains on the stream";
}

TEST_F(Shell, CommandLine)
{
  callback::command("zoom 2");
  EXPECT_STREQ(CommandLine, "zoom 2");
  EXPECT_EQ(ui.lastLine(), "Message: Zephra received a string: zoom 2.");
  callback::command(nullptr);
  EXPECT_EQ(ui.lastLine(), "Warning: Zephra received a NULL string.");
  std::string longText(1500, 'c');
  callback::command(longText.c_str());
  EXPECT_STREQ(CommandLine, "zoom 2") << "too long for the buffer: not copied";
}

}  // namespace
