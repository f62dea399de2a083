#include "BatchRunner.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "CXcapacitor.h"
#include "DEextract.h"
#include "DTtechnology.h"
#include "DisplayList.h"
#include "Dcompact.h"
#include "Dgds.h"
#include "DYyield.h"
#include "Devent.h"
#include "Dlayout.h"
#include "Dmenu.h"
#include "Dview.h"
#include "LXinductor.h"
#include "RXresistor.h"
#include "SQsqueeze.h"

namespace batch {

void BatchFrontEnd::openFileDialog(int c)
{
  dialog = Dialog::File;
  code = c;
}

void BatchFrontEnd::openPrompt(int c, const char*, const char*)
{
  dialog = Dialog::Prompt;
  code = c;
}

Runner::Runner() { common::setFrontEnd(&frontEnd_); }
Runner::~Runner() { common::setFrontEnd(nullptr); }

namespace {

std::string trimmed(const std::string& text)
{
  size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos)
    return "";
  size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

bool inTable(const std::string& name)
{
  for (const _Actionindex& row : DactionIndex)
    if (name == row.name)
      return true;
  return false;
}

// Splits "word rest of line" at the first blank.
void splitFirst(const std::string& text, std::string* first, std::string* rest)
{
  size_t blank = text.find_first_of(" \t");
  *first = text.substr(0, blank);
  *rest = blank == std::string::npos ? "" : trimmed(text.substr(blank));
}

// A word "x,y" of two integers within the layout's range.
bool readPoint(const std::string& word, long* x, long* y)
{
  char* end;
  const char* text = word.c_str();
  *x = strtol(text, &end, 10);
  if (end == text || *end != ',' || !(isdigit(static_cast<unsigned char>(end[1])) || end[1] == '-'))
    return false;
  text = end + 1;
  *y = strtol(text, &end, 10);
  return end != text && *end == '\0' && labs(*x) <= kInfinity && labs(*y) <= kInfinity;
}

// The file a plot action writes when the line names none.
const char* plotFile(const std::string& action)
{
  static const struct {
    const char* action;
    const char* file;
  } plots[] = {{"f.DYCarea", "sensitivity.png"},
               {"f.DYdx", "distribution.png"},
               {"f.DYpof", "pof.png"},
               {"f.DYyx", "yield.png"}};
  for (const auto& p : plots)
    if (action == p.action)
      return p.file;
  return nullptr;
}

int layerIndex(const std::string& name)
{
  for (int i = 0; i < GlayerNum; ++i)
    if (name == Glayers[i].name)
      return i;
  return -1;
}

bool sameHandler(const ActionHandler& a, const ActionHandler& b)
{
  return a.action == b.action && a.action1 == b.action1 && a.action2 == b.action2;
}

const _Buttons* buttonOf(const _Buttons* list, const ActionHandler& handler)
{
  for (const _Buttons* b = list; b; b = b->next) {
    if (b->type == 0 && sameHandler(b->callback, handler))
      return b;
    if (const _Buttons* found = b->pulldown ? buttonOf(b->pulldown, handler) : nullptr)
      return found;
  }
  return nullptr;
}

// The menu label of an action, blanks for underscores; the action's name
// when no menu button runs it.
std::string menuLabel(const std::string& action)
{
  ActionHandler handler = DIfindCallback(action.c_str());
  const _Buttons* button = nullptr;
  for (const _Menutree* menu = Dmenu; menu && !button; menu = menu->brother)
    button = buttonOf(menu->buttonlist, handler);
  if (!button)
    return action;
  std::string label = button->label;
  for (char& c : label)
    if (c == '_')
      c = ' ';
  return label;
}

const char* activeLayerName()
{
  for (int i = 0; i < GlayerNum; ++i)
    if (Glayers[i].active == 1)
      return Glayers[i].name;
  return nullptr;
}

constexpr int kMinSnapshotSide = 16;       // pixels
constexpr int kMaxSnapshotSide = 8192;
constexpr int kMinFramedWidth = 480;       // pixels with title and legend
constexpr int kMinFramedHeight = 240;

}  // namespace

bool isSvgName(const std::string& path)
{
  if (path.size() < 4)
    return false;
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail)
    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return tail == ".svg";
}

bool parseSnapshot(const std::string& arguments, SnapshotRequest* request, std::string* error)
{
  std::istringstream words(arguments);
  SnapshotRequest r;
  if (!(words >> r.path)) {
    *error = "snapshot needs a file name";
    return false;
  }
  r.svg = isSvgName(r.path);
  bool sized = false;
  std::string word;
  while (words >> word) {
    if (word == "bare" && !r.bare) {
      r.bare = true;
      continue;
    }
    int w = 0, h = 0;
    char x = 0, extra = 0;
    if (sized || sscanf(word.c_str(), "%d%c%d%c", &w, &x, &h, &extra) != 3 || x != 'x') {
      *error = "snapshot takes a file, then WxH and bare: not " + word;
      return false;
    }
    if (w < kMinSnapshotSide || h < kMinSnapshotSide || w > kMaxSnapshotSide || h > kMaxSnapshotSide) {
      *error = "snapshot sizes are " + std::to_string(kMinSnapshotSide) + " to " +
               std::to_string(kMaxSnapshotSide) + " pixels a side: not " + word;
      return false;
    }
    r.width = w;
    r.height = h;
    sized = true;
  }
  if (!r.bare && (r.width < kMinFramedWidth || r.height < kMinFramedHeight)) {
    *error = "a snapshot with title and legend needs " + std::to_string(kMinFramedWidth) + "x" +
             std::to_string(kMinFramedHeight) + " pixels at least (or bare)";
    return false;
  }
  *request = r;
  return true;
}

/*
 * noteHighlight --
 *   After an action: one that drew the view anew forgets what was painted
 *   before; one that drew over the view without clearing it is a highlight,
 *   named by its menu label.
 */
void Runner::noteHighlight(const std::string& name, const std::string& arguments,
                           unsigned long clears, size_t drawn)
{
  if (!mainView_)
    return;
  if (mainView_->clears() != clears) {
    highlights_.clear();
    return;
  }
  if (mainView_->size() <= drawn)
    return;
  Highlight h;
  h.label = menuLabel(name);
  if (!arguments.empty()) {
    size_t slash = arguments.find_last_of('/');
    h.label += " " + (slash == std::string::npos ? arguments : arguments.substr(slash + 1));
  } else if (name.compare(0, 4, "f.DF") == 0 || name.compare(0, 4, "f.DY") == 0) {
    if (const char* layer = activeLayerName())
      h.label += std::string(" ") + layer;
  }
  h.colors = mainView_->colorsFrom(drawn);
  h.dashed = mainView_->dashedFrom(drawn);
  highlights_.push_back(h);
}

/*
 * printSummary --
 *   The key figures of the loaded layout on standard output, one
 *   "summary: <what> <value>" line each, for scripts that report a run.
 */
static void printSummary()
{
  common::outf("summary: layout %s\n", OriginalCiffile[0] ? OriginalCiffile : "-");
  if (Glayout && Glayout->frame.x1 <= Glayout->frame.x2 && SCALE > 0) {
    const _box& f = Glayout->frame;
    common::outf("summary: size %.1f x %.1f um\n", (long(f.x2) - f.x1) * LAMBDA_T1 / SCALE,
                 (long(f.y2) - f.y1) * LAMBDA_T1 / SCALE);
  }
  common::outf("summary: transistors %d\n", TransNum);
  common::outf("summary: nets %d\n", NetsNum);
  common::outf("summary: capacitors %d inductors %d resistors %d\n", capacitorCount, inductorCount,
               resistorCount);
  if (Fyield.length > 0)
    common::outf("summary: yield %.4f at defect density %g\n", Fyield.datay[0], Fyield.datax[0]);
  common::flushOutput();
}

bool Runner::fail(const char* format, const std::string& what)
{
  std::string text(what.size() + strlen(format) + 1, '\0');
  snprintf(&text[0], text.size(), format, what.c_str());
  common::flushOutput();
  common::errf("quorin-batch: line %d: %s\n", lineNumber_, text.c_str());
  return false;
}

/*
 * runLine --
 *   One script line: "layer <name>", "snapshot <file>", or an action name,
 *   its arguments and the points "x,y" at the end of the line, which go to
 *   the interaction the action started.
 * Returns: false when the line failed and the script must stop.
 */
bool Runner::runLine(const std::string& raw)
{
  std::string line = trimmed(raw.substr(0, raw.find('#')));
  if (line.empty())
    return true;
  std::string name, arguments;
  splitFirst(line, &name, &arguments);
  // A drawing of the whole view kept for later is drawn before any line
  // that could change what it reads; only lines that write files from the
  // circuit leave it waiting.
  if (mainView_ && name != "f.DExOutput" && name != "summary")
    mainView_->settle();
  if (name == "layer") {
    // The button of a "LAYERS" menu: makes the layer active.
    if (arguments.empty())
      return fail("%s needs a layer name", name);
    int index = layerIndex(arguments);
    if (index < 0)
      return fail("there is no layer %s", arguments);
    ActionHandler button;
    button.action = DIsetActive;
    if (callback::run(button, arguments.c_str()) != callback::Outcome::Done)
      return fail("%s was abandoned", name);
    if (Glayers[index].active != 1)
      return fail("layer %s could not be made active", arguments);
    return true;
  }
  if (name == "scale") {
    // The defect-size scale bar, in tenths of a grid step.
    char* end = nullptr;
    long value = strtol(arguments.c_str(), &end, 10);
    if (arguments.empty() || *end != '\0' || value < 0 || value > 1000000)
      return fail("%s needs a number of tenths of a grid step", name);
    theDefectScale = static_cast<int>(value);
    return true;
  }
  if (name == "set") {
    // A process setting, as its key in the system source file would set it.
    std::string setting, value;
    splitFirst(arguments, &setting, &value);
    if (setting.empty() || value.empty() || value.find_first_of(" \t") != std::string::npos)
      return fail("%s needs a setting's name and one value", name);
    std::string why;
    if (!common::setProcessSetting(setting, value, &why))
      return fail("%s", why);
    return true;
  }
  if (name == "rows") {
    // The constraint rows of the loaded layout under the current rules.
    if (arguments.empty())
      return fail("%s needs a file name", name);
    if (compact::dumpRows(arguments.c_str()) != 0)
      return fail("cannot write the rows to %s", arguments);
    return true;
  }
  if (name == "squeeze") {
    // Compaction of the loaded layout under the current rules into
    // sq_out.cif; "squeeze passives" regenerates the passive devices.
    if (!arguments.empty() && arguments != "passives")
      return fail("%s takes no argument but passives", name);
    common::ActionScope scope;
    try {
      if (squeeze::compactLayout(arguments == "passives") != 0)
        return fail("%s needs a loaded layout", name);
    } catch (const common::OperationAborted&) {
      GCmessage(0, 'L', "The action was abandoned");
      return fail("%s was abandoned", name);
    }
    return true;
  }
  if (name == "gds") {
    // The loaded layout, flattened, as one GDSII structure.
    if (arguments.empty())
      return fail("%s needs a file name", name);
    common::ActionScope scope;
    try {
      if (!Gflatten && Gactive)
        GCflatten();
      if (!Gflatten)
        return fail("%s needs a loaded layout", name);
      if (gds::writeCell(Gflatten, arguments) != 0)
        return fail("cannot write the layout to %s", arguments);
    } catch (const common::OperationAborted&) {
      GCmessage(0, 'L', "The action was abandoned");
      return fail("%s was abandoned", name);
    }
    return true;
  }
  if (name == "summary") {
    if (!arguments.empty())
      return fail("%s takes no argument", name);
    printSummary();
    return true;
  }
  if (name == "snapshot") {
    SnapshotRequest request;
    std::string error;
    if (!parseSnapshot(arguments, &request, &error))
      return fail("%s", error);
    if (!snapshot_ || !snapshot_(request, highlights_))
      return fail("cannot write the snapshot %s", request.path);
    return true;
  }
  if (name == "view") {
    // The visible area of the main view, as a zoom to the box shows it.
    std::istringstream words(arguments);
    std::string first, second, extra;
    long x1, y1, x2, y2;
    if (!(words >> first >> second) || (words >> extra) || !readPoint(first, &x1, &y1) ||
        !readPoint(second, &x2, &y2))
      return fail("%s needs two corners x1,y1 x2,y2", name);
    if (DVzoominExe(x1, y1, x2, y2) != 0)
      return fail("%s cannot show that box", name);
    highlights_.clear();
    return true;
  }
  if (const char* file = plotFile(name)) {
    // A plot action: the plot window's drawing goes to a PNG file.
    std::string path = arguments.empty() ? file : arguments;
    int before = yield::plotCount();
    if (!runAction(name, ""))
      return false;
    if (yield::plotCount() == before)
      return fail("%s drew no plot", name);
    if (!plot_ || !plot_(path))
      return fail("cannot write the plot %s", path);
    return true;
  }

  std::vector<Point> points;
  for (;;) {
    size_t blank = arguments.find_last_of(" \t");
    std::string word = blank == std::string::npos ? arguments : arguments.substr(blank + 1);
    Point point;
    if (word.empty() || !readPoint(word, &point.x, &point.y))
      break;
    points.insert(points.begin(), point);
    arguments = blank == std::string::npos ? "" : trimmed(arguments.substr(0, blank));
  }
  unsigned long clears = mainView_ ? mainView_->clears() : 0;
  size_t drawn = mainView_ ? mainView_->size() : 0;
  if (!runAction(name, arguments) || !feedPoints(name, points))
    return false;
  noteHighlight(name, arguments, clears, drawn);
  return true;
}

/*
 * runAction --
 *   An Xt-style action gets its first word as the button label, a string
 *   handler as its string; a file dialog the action opens takes the whole
 *   argument text as the path, a value prompt the words after the label.
 */
bool Runner::runAction(const std::string& name, const std::string& arguments)
{
  ActionHandler handler = DIfindCallback(name.c_str());
  if (!inTable(name)) {
    callback::run(handler, nullptr);  // NullAction: the "Hello!" line
    return fail("%s is not an action", name);
  }

  std::string label, rest;
  splitFirst(arguments, &label, &rest);
  frontEnd_.dialog = BatchFrontEnd::Dialog::None;
  callback::Outcome outcome = callback::run(handler, handler.action2 ? nullptr : label.c_str());
  if (outcome != callback::Outcome::Done)
    return fail("%s was abandoned", name);

  std::string answer;
  switch (frontEnd_.dialog) {
    case BatchFrontEnd::Dialog::None:
      if (handler.action && !rest.empty())
        return fail("%s opened no dialog for its arguments", name);
      return true;
    case BatchFrontEnd::Dialog::File:
      answer = arguments;
      if (answer.empty())
        return fail("%s needs a file name", name);
      break;
    case BatchFrontEnd::Dialog::Prompt:
      answer = rest;
      if (answer.empty())
        return fail("%s needs a value after the label", name);
      break;
  }
  switch (callback::accept(frontEnd_.code, answer.c_str())) {
    case callback::Outcome::Done: return true;
    case callback::Outcome::KeepDialog: return fail("%s: the file could not be opened", name);
    case callback::Outcome::Failed: return fail("%s failed", name);
    case callback::Outcome::Abandoned: return fail("%s was abandoned", name);
  }
  return true;
}

/*
 * feedPoints --
 *   Clicks each point with the button the waiting step wants; a point list
 *   takes button 1 for each point and is ended with button 3.
 */
bool Runner::feedPoints(const std::string& name, const std::vector<Point>& points)
{
  bool listOpen = false;
  for (const Point& point : points) {
    int button = event::wantedButton();
    if (button == 0)
      return fail("%s: no interaction waits for a point", name);
    listOpen = button == GGEpoints;
    if (event::press(listOpen ? 1 : button, point.x, point.y) == event::Press::Abandoned)
      return fail("%s was abandoned", name);
    listOpen = listOpen && event::wantedButton() == GGEpoints;
  }
  if (listOpen && event::press(3, points.back().x, points.back().y) == event::Press::Abandoned)
    return fail("%s was abandoned", name);
  return true;
}

int Runner::run(std::istream& script)
{
  std::string line;
  while (std::getline(script, line)) {
    ++lineNumber_;
    if (!runLine(line))
      return 1;
  }
  common::flushOutput();
  return 0;
}

}  // namespace batch
