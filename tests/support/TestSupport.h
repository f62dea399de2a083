// Helpers shared by the core's tests: captured messages and output, scratch
// files, and the paths of the source tree.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Dglobal.h"

namespace testing_support {

// A front end that remembers every message and dialog.
class CapturingFrontEnd : public common::FrontEnd {
 public:
  struct Message {
    char kind;
    std::string line;
  };
  void showMessage(char kind, const std::string& line) override { messages.push_back({kind, line}); }
  void openFileDialog(int code) override { fileDialogs.push_back(code); }
  void openPrompt(int code, const char* label, const char* text) override
  {
    prompts.push_back({code, label, text});
  }
  void showPrompt(const char* text) override { shownPrompts.push_back(text ? text : ""); }
  void layerPanelChanged() override { ++layerPanelRebuilds; }
  void defectScaleLimit(bool maximum, int value) override
  {
    (maximum ? scaleMaximum : scaleMinimum) = value;
  }
  void defectScaleMoved(int value) override { scaleValue = value; }

  // True when a message of `kind` whose line contains `text` was shown.
  bool saw(char kind, const std::string& text) const;
  std::string lastLine() const { return messages.empty() ? "" : messages.back().line; }

  struct Prompt {
    int code;
    std::string label;
    std::string text;
  };
  std::vector<Message> messages;
  std::vector<int> fileDialogs;
  std::vector<Prompt> prompts;
  std::vector<std::string> shownPrompts;  // interaction prompts, "" when taken away
  std::string currentPrompt() const { return shownPrompts.empty() ? "" : shownPrompts.back(); }
  int layerPanelRebuilds = 0;
  int scaleMaximum = -1;
  int scaleMinimum = -1;
  int scaleValue = -1;  // where the core last moved the scale
};

// Base of tests that run core code: captures messages, standard output and
// standard error, points SYSRC at the bundled lib/sysrc, and restores the
// run flags afterwards.
class CoreTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  CapturingFrontEnd ui;
  std::string out;  // captured standard output
  std::string err;  // captured standard error
};

// Path of a file of the source tree, e.g. sourcePath("lib/sysrc").
std::string sourcePath(const std::string& relative);

// A scratch folder for one test, removed by the destructor.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // Writes `content` into the file `name` of the folder; returns its path.
  std::string write(const std::string& name, const std::string& content) const;
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
};

// Reads a whole file ("" when missing).
std::string readFile(const std::string& path);

// Runs `call` inside an action, as the dispatcher does; false when the
// action was abandoned.
template <class Call>
bool runsToEnd(Call&& call)
{
  common::ActionScope scope;
  try {
    call();
  } catch (const common::OperationAborted&) {
    return false;
  }
  return true;
}

}  // namespace testing_support
