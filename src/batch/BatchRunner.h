// The script reader of quorin-batch: one menu action per line, with what its
// dialog would receive.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "Dglobal.h"

namespace batch {

// Takes the dialogs that actions open, so the script can answer them.
class BatchFrontEnd : public common::FrontEnd {
 public:
  enum class Dialog { None, File, Prompt };
  void openFileDialog(int code) override;
  void openPrompt(int code, const char* label, const char* text) override;

  Dialog dialog = Dialog::None;
  int code = -1;
};

class Runner {
 public:
  Runner();
  ~Runner();
  Runner(const Runner&) = delete;
  Runner& operator=(const Runner&) = delete;

  // Runs every line; stops at the first that fails.  Returns the exit status.
  int run(std::istream& script);

 private:
  bool runLine(const std::string& line);
  bool fail(const char* format, const std::string& what);

  BatchFrontEnd frontEnd_;
  int lineNumber_ = 0;
};

}  // namespace batch
