// The script reader of quorin-batch: one menu action per line, with what its
// dialog would receive.
#pragma once

#include <functional>
#include <istream>
#include <string>
#include <vector>

#include "Dglobal.h"

namespace batch {

class DisplayList;

// What a "snapshot" line asks for: "snapshot <file> [WxH] [bare]".  A file
// ending in ".svg" is written as SVG, any other as PNG.
struct SnapshotRequest {
  std::string path;
  int width = 1200;   // pixels
  int height = 900;
  bool bare = false;  // the view alone, without title and legend
  bool svg = false;
};

// Reads the words after "snapshot"; false with the reason in `error`.
bool parseSnapshot(const std::string& arguments, SnapshotRequest* request, std::string* error);

// True for a file name ending in ".svg" (any case).
bool isSvgName(const std::string& path);

// What an action painted over the layout: its menu label and the solid
// colours it drew in; dashed when it drew dashed lines (axes).
struct Highlight {
  std::string label;
  std::vector<unsigned long> colors;
  bool dashed = false;
};

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
// "snapshot <file> [WxH] [bare]", which writes the main view as a picture;
// "view x1,y1 x2,y2", which shows that box in the main view; a plot action,
// optionally with a file name, writes the plot window as a picture.
class Runner {
 public:
  using Snapshot = std::function<bool(const SnapshotRequest&, const std::vector<Highlight>&)>;
  using Plot = std::function<bool(const std::string& path)>;

  Runner();
  ~Runner();
  Runner(const Runner&) = delete;
  Runner& operator=(const Runner&) = delete;

  // Runs every line; stops at the first that fails.  Returns the exit status.
  int run(std::istream& script);

  // Where "snapshot" writes the main view; without one it fails.
  void setSnapshot(Snapshot snapshot) { snapshot_ = std::move(snapshot); }
  // Where the plot actions write the plot window; without one they fail.
  void setPlot(Plot plot) { plot_ = std::move(plot); }
  // The main view's surface, watched to tell what each action painted
  // over the layout since the view was last drawn anew.
  void setMainView(const DisplayList* view) { mainView_ = view; }
  const std::vector<Highlight>& highlights() const { return highlights_; }

 private:
  struct Point {
    long x, y;
  };
  bool runLine(const std::string& line);
  bool runAction(const std::string& name, const std::string& arguments);
  bool feedPoints(const std::string& name, const std::vector<Point>& points);
  bool fail(const char* format, const std::string& what);
  void noteHighlight(const std::string& name, const std::string& arguments, unsigned long clears,
                     size_t drawn);

  BatchFrontEnd frontEnd_;
  Snapshot snapshot_;
  Plot plot_;
  const DisplayList* mainView_ = nullptr;
  std::vector<Highlight> highlights_;
  int lineNumber_ = 0;
};

}  // namespace batch
