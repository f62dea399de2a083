// The script reader of quorin-batch: one menu action per line, with what its
// dialog would receive.
#pragma once

#include <functional>
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

// A script line is an action name with what its dialog takes, then points
// "x,y" in layout units for the interaction the action started; or
// "snapshot <file>", which writes the main view as a PNG image; "view x1,y1
// x2,y2", which shows that box in the main view; a plot action, optionally
// with a file name, writes the plot window as a PNG image.
class Runner {
 public:
  using Snapshot = std::function<bool(const std::string& path)>;

  Runner();
  ~Runner();
  Runner(const Runner&) = delete;
  Runner& operator=(const Runner&) = delete;

  // Runs every line; stops at the first that fails.  Returns the exit status.
  int run(std::istream& script);

  // Where "snapshot" writes the main view; without one it fails.
  void setSnapshot(Snapshot snapshot) { snapshot_ = std::move(snapshot); }
  // Where the plot actions write the plot window; without one they fail.
  void setPlot(Snapshot plot) { plot_ = std::move(plot); }

 private:
  struct Point {
    long x, y;
  };
  bool runLine(const std::string& line);
  bool runAction(const std::string& name, const std::string& arguments);
  bool feedPoints(const std::string& name, const std::vector<Point>& points);
  bool fail(const char* format, const std::string& what);

  BatchFrontEnd frontEnd_;
  Snapshot snapshot_;
  Snapshot plot_;
  int lineNumber_ = 0;
};

}  // namespace batch
