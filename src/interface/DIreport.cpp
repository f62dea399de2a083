// The report pane under the drawing area: every line the analyses write on
// standard output and standard error, in the order written, in a scrolled
// read-only text with Clear and Save-as buttons.
#include "Dinterface.h"

#include <Xm/FileSB.h>
#include <Xm/Form.h>
#include <Xm/Frame.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/Text.h>
#include <Xm/Xm.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "DIshell.h"
#include "Ddisplay.h"
#include "Dglobal.h"

namespace {

constexpr int kModule = 1;
constexpr int kRows = 8;                  // lines the pane shows at start,
constexpr int kRowsOnSmallScreens = 5;    // on a display lower than this:
constexpr int kSmallScreen = 900;         // pixels
constexpr long kFlushMs = 100;            // longest wait before new lines show
constexpr size_t kMaxChars = 1 << 20;     // the pane keeps about this much text
constexpr size_t kKeptChars = kMaxChars / 4 * 3;  // what is left after trimming

using Clock = std::chrono::steady_clock;

/*
 * Report --
 *   Gathers the lines of the output sink and sends them to the text widget
 *   at most every kFlushMs: inside a running action at the next line after
 *   the interval (the display is brought up to date then, so that progress
 *   shows), outside one from a timer.  The unfinished line of each stream
 *   stands at the end of the text and is replaced as it grows.
 */
class Report : public common::OutputSink {
 public:
  void line(common::Stream stream, const std::string& text) override
  {
    pending_ += text;
    pending_ += '\n';
    partialOf(stream).clear();
    changed();
  }
  void partial(common::Stream stream, const std::string& text) override
  {
    partialOf(stream) = text;
    changed();
  }

  void create(Widget parent);
  void flush();
  void clear();
  std::string text() const;
  void save(const char* path);

  Widget pane = nullptr;
  Widget textWidget = nullptr;
  Widget saveDialog = nullptr;

 private:
  std::string& partialOf(common::Stream stream)
  {
    return stream == common::Stream::Out ? partialOut_ : partialErr_;
  }
  void changed();
  void trim();
  static void timerCB(XtPointer client, XtIntervalId*);

  std::string pending_;        // finished lines not yet in the widget
  std::string partialOut_;     // unfinished last lines of the two streams
  std::string partialErr_;
  XmTextPosition tailStart_ = 0;  // where the shown unfinished lines begin
  Clock::time_point lastFlush_{};
  XtIntervalId timer_ = 0;
};

Report report;

void Report::changed()
{
  if (!textWidget)
    return;
  if (Clock::now() - lastFlush_ >= std::chrono::milliseconds(kFlushMs)) {
    flush();
    if (common::inAction())
      XmUpdateDisplay(pane);  // the action goes on: show the lines now
    interface::dumpGeometrySoon();
    return;
  }
  if (!timer_)
    timer_ = XtAppAddTimeOut(app, kFlushMs, timerCB, this);
}

void Report::timerCB(XtPointer client, XtIntervalId*)
{
  auto* r = static_cast<Report*>(client);
  r->timer_ = 0;
  r->flush();
  interface::dumpGeometrySoon();
}

/*
 * Report::flush --
 *   Puts the gathered lines in place of the unfinished ones shown before,
 *   then the unfinished lines again, trims the oldest text beyond kMaxChars
 *   and scrolls to the end.
 */
void Report::flush()
{
  lastFlush_ = Clock::now();
  if (!textWidget)
    return;
  if (pending_.size() > kKeptChars) {
    size_t cut = pending_.find('\n', pending_.size() - kKeptChars);
    pending_.erase(0, cut == std::string::npos ? pending_.size() : cut + 1);
  }
  std::string tail = partialOut_;
  if (!partialErr_.empty())
    tail += (tail.empty() ? "" : "\n") + partialErr_;
  XmTextPosition last = XmTextGetLastPosition(textWidget);
  std::string replacement = pending_ + tail;
  XmTextReplace(textWidget, tailStart_, last, &replacement[0]);
  tailStart_ += static_cast<XmTextPosition>(pending_.size());
  pending_.clear();
  trim();
  XmTextShowPosition(textWidget, XmTextGetLastPosition(textWidget));
}

// Drops the oldest whole lines when the text grew beyond kMaxChars.
void Report::trim()
{
  XmTextPosition last = XmTextGetLastPosition(textWidget);
  if (static_cast<size_t>(last) <= kMaxChars)
    return;
  XmTextPosition from = last - static_cast<XmTextPosition>(kKeptChars);
  char* text = XmTextGetString(textWidget);
  std::string kept = text ? text : "";
  XtFree(text);
  size_t cut = kept.find('\n', static_cast<size_t>(from));
  if (cut == std::string::npos)
    return;
  XmTextReplace(textWidget, 0, static_cast<XmTextPosition>(cut + 1), const_cast<char*>(""));
  tailStart_ -= static_cast<XmTextPosition>(cut + 1);
}

void Report::clear()
{
  pending_.clear();
  partialOut_.clear();
  partialErr_.clear();
  tailStart_ = 0;
  if (textWidget)
    XmTextSetString(textWidget, const_cast<char*>(""));
  interface::dumpGeometrySoon();
}

std::string Report::text() const
{
  if (!textWidget)
    return "";
  char* text = XmTextGetString(textWidget);
  std::string result = text ? text : "";
  XtFree(text);
  return result;
}

void Report::save(const char* path)
{
  flush();
  std::string content = text();
  if (!content.empty() && content.back() != '\n')
    content += '\n';
  FILE* file = fopen(path, "w");
  bool written = file && fwrite(content.data(), 1, content.size(), file) == content.size();
  if (file && fclose(file) != 0)
    written = false;
  if (written)
    GCmessage(kModule, 'M', "The report is saved in %s", path);
  else
    GCmessage(kModule, 'E', "Can't write the report into %s", path);
}

void clearCB(Widget, XtPointer, XtPointer) { report.clear(); }

void saveAsCB(Widget, XtPointer, XtPointer)
{
  XtManageChild(report.saveDialog);
  interface::dumpGeometrySoon();
}

void saveOkCB(Widget w, XtPointer, XtPointer call)
{
  auto* cbs = static_cast<XmFileSelectionBoxCallbackStruct*>(call);
  char* path = nullptr;
  if (cbs && cbs->value)
    path = static_cast<char*>(XmStringUnparse(cbs->value, nullptr, XmCHARSET_TEXT, XmCHARSET_TEXT,
                                              nullptr, 0, XmOUTPUT_ALL));
  if (path && *path)
    report.save(path);
  XtFree(path);
  XtUnmanageChild(w);
  interface::dumpGeometrySoon();
}

void saveCancelCB(Widget w, XtPointer, XtPointer) { XtUnmanageChild(w); }

/*
 * Report::create --
 *   A frame holding the scrolled text and, at its right, the buttons.
 */
void Report::create(Widget parent)
{
  pane = XmCreateFrame(parent, const_cast<char*>("REPORTPANE"), nullptr, 0);
  Widget form = XtVaCreateManagedWidget("REPORTFORM", xmFormWidgetClass, pane, nullptr);
  Widget buttons = XtVaCreateManagedWidget(
      "REPORTBUTTONS", xmRowColumnWidgetClass, form, XmNorientation, XmVERTICAL, XmNtopAttachment,
      XmATTACH_FORM, XmNrightAttachment, XmATTACH_FORM, XmNbottomAttachment, XmATTACH_FORM, nullptr);
  XmString clearLabel = XmStringCreateLocalized(const_cast<char*>("Clear"));
  XmString saveLabel = XmStringCreateLocalized(const_cast<char*>("Save as"));
  Widget clear = XtVaCreateManagedWidget("Clear", xmPushButtonWidgetClass, buttons, XmNlabelString,
                                         clearLabel, nullptr);
  Widget saveAs = XtVaCreateManagedWidget("Save_as", xmPushButtonWidgetClass, buttons,
                                          XmNlabelString, saveLabel, nullptr);
  XmStringFree(clearLabel);
  XmStringFree(saveLabel);
  XtAddCallback(clear, XmNactivateCallback, clearCB, nullptr);
  XtAddCallback(saveAs, XmNactivateCallback, saveAsCB, nullptr);

  // Black on white, as a printed report reads best.
  Arg args[10];
  int n = 0;
  XtSetArg(args[n], XmNbackground, WhitePixel(theDisplay, theScreen)); ++n;
  XtSetArg(args[n], XmNforeground, BlackPixel(theDisplay, theScreen)); ++n;
  XtSetArg(args[n], XmNeditMode, XmMULTI_LINE_EDIT); ++n;
  XtSetArg(args[n], XmNeditable, False); ++n;
  XtSetArg(args[n], XmNcursorPositionVisible, False); ++n;
  XtSetArg(args[n], XmNwordWrap, False); ++n;
  XtSetArg(args[n], XmNrows,
           DisplayHeight(theDisplay, theScreen) < kSmallScreen ? kRowsOnSmallScreens : kRows); ++n;
  XtSetArg(args[n], XmNscrollHorizontal, True); ++n;
  textWidget = XmCreateScrolledText(form, const_cast<char*>("REPORT"), args, n);
  XtVaSetValues(XtParent(textWidget), XmNtopAttachment, XmATTACH_FORM, XmNleftAttachment,
                XmATTACH_FORM, XmNbottomAttachment, XmATTACH_FORM, XmNrightAttachment,
                XmATTACH_WIDGET, XmNrightWidget, buttons, nullptr);
  XtManageChild(textWidget);
  XtManageChild(pane);

  saveDialog = XmCreateFileSelectionDialog(theMainWidget, const_cast<char*>("report_file"),
                                           nullptr, 0);
  XtVaSetValues(XtParent(saveDialog), XmNtitle, "Save the report", nullptr);
  XtAddCallback(saveDialog, XmNokCallback, saveOkCB, nullptr);
  XtAddCallback(saveDialog, XmNcancelCallback, saveCancelCB, nullptr);
}

}  // namespace

namespace interface {

void takeOutputLines() { common::setOutputSink(&report); }

void createReportPane(Widget parent)
{
  report.create(parent);
  report.flush();  // the lines of the start-up
}

Widget reportDialog() { return report.saveDialog; }

std::string reportText()
{
  report.flush();
  return report.text();
}

}  // namespace interface
