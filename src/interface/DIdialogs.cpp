// The dialogs of the window: the shared file dialog and value prompt with
// their accept codes, the message box and working popup, the panes, the
// command line, the plot window and the defect-size scale.
#include "Dinterface.h"

#include <Xm/Command.h>
#include <Xm/MessageB.h>
#include <Xm/Scale.h>
#include <Xm/SelectioB.h>
#include <Xm/Xm.h>

#include <sys/time.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "DIshell.h"
#include "Dglobal.h"
#include "Dmenu.h"
#include "Dview.h"

short MessCloseFlag = 0;
short CommCloseFlag = 1;
short PaneCloseFlag = 0;

namespace {

constexpr long kPopupWaitMs = 2000;  // longest wait for the working popup to show
constexpr char kPromptHint[] = "   (Escape stops)";

XtPointer codeData(int code) { return reinterpret_cast<XtPointer>(static_cast<intptr_t>(code)); }
int codeOf(XtPointer data) { return static_cast<int>(reinterpret_cast<intptr_t>(data)); }

// Binds a dialog's OK and Cancel to an accept code.  A dialog opened again
// before it was answered is bound to the new code only, so that one OK
// never runs two accept codes.
void bind(Widget dialog, int* bound, int code)
{
  if (*bound >= 0) {
    XtRemoveCallback(dialog, XmNokCallback, DIacceptCB, codeData(*bound));
    XtRemoveCallback(dialog, XmNcancelCallback, DIcancelCB, codeData(*bound));
  }
  XtAddCallback(dialog, XmNokCallback, DIacceptCB, codeData(code));
  XtAddCallback(dialog, XmNcancelCallback, DIcancelCB, codeData(code));
  *bound = code;
}

void unbind(Widget dialog, int code)
{
  XtRemoveCallback(dialog, XmNokCallback, DIacceptCB, codeData(code));
  XtRemoveCallback(dialog, XmNcancelCallback, DIcancelCB, codeData(code));
  interface::State& s = interface::state();
  if (dialog == theOpenDialog && s.fileCode == code)
    s.fileCode = -1;
  if (dialog == theForm && s.promptCode == code)
    s.promptCode = -1;
}

std::string textOf(XmString value)
{
  if (!value)
    return "";
  char* text = static_cast<char*>(
      XmStringUnparse(value, nullptr, XmCHARSET_TEXT, XmCHARSET_TEXT, nullptr, 0, XmOUTPUT_ALL));
  std::string result = text ? text : "";
  XtFree(text);
  return result;
}

long millisecondsSince(const timeval& start)
{
  timeval now;
  gettimeofday(&now, nullptr);
  return (now.tv_sec - start.tv_sec) * 1000 + (now.tv_usec - start.tv_usec) / 1000;
}

bool viewable(Widget w)
{
  if (!w || !XtIsRealized(w))
    return false;
  XWindowAttributes attributes;
  return XGetWindowAttributes(theDisplay, XtWindow(w), &attributes) &&
         attributes.map_state == IsViewable;
}

// Waits, dispatching events, until the working popup shows (or a while).
void waitForPopup()
{
  timeval start;
  gettimeofday(&start, nullptr);
  while (!(viewable(XtParent(thePopup)) && viewable(thePopup)) &&
         millisecondsSince(start) < kPopupWaitMs) {
    if (XtAppPending(app))
      XtAppProcessEvent(app, XtIMAll);
    else
      usleep(5000);
  }
  XmUpdateDisplay(theDeskWidget);
}

/*
 * setMessage --
 *   The text and the dialog type of a message box.  The box does not lay
 *   out a symbol that changed by itself: its width is set to the new
 *   symbol's, which makes it do so.
 */
void setMessage(Widget box, const char* line, unsigned char type)
{
  XmString s = XmStringCreateLocalized(const_cast<char*>(line));
  XtVaSetValues(box, XmNmessageString, s, XmNdialogType, type, nullptr);
  XmStringFree(s);
  Widget symbol = XmMessageBoxGetChild(box, XmDIALOG_SYMBOL_LABEL);
  Pixmap pixmap = XmUNSPECIFIED_PIXMAP;
  XtVaGetValues(box, XmNsymbolPixmap, &pixmap, nullptr);
  Window root;
  int x, y;
  unsigned int width = 0, height = 0, border, depth;
  if (!symbol || pixmap == XmUNSPECIFIED_PIXMAP || pixmap == None ||
      !XGetGeometry(theDisplay, pixmap, &root, &x, &y, &width, &height, &border, &depth))
    return;
  Dimension margin = 0;
  XtVaGetValues(symbol, XmNmarginWidth, &margin, nullptr);
  XtVaSetValues(symbol, XmNwidth, static_cast<Dimension>(width + 2 * margin), nullptr);
}

// The message box shows the last message and, below it, the prompt of the
// running interaction.
void showMessageBox()
{
  if (!theMessage)
    return;
  const interface::State& s = interface::state();
  std::string text = s.messageLine;
  if (!s.prompt.empty())
    text += "\n" + s.prompt + kPromptHint;
  setMessage(theMessage, text.c_str(), s.messageType);
}

unsigned char dialogType(char kind)
{
  switch (kind) {
    case 'E': return XmDIALOG_ERROR;
    case 'W': return XmDIALOG_WARNING;
    case 'Q': return XmDIALOG_QUESTION;
    case 'D': return XmDIALOG_WORKING;
    default: return XmDIALOG_INFORMATION;
  }
}

}  // namespace

namespace interface {

void openFileDialog(int code)
{
  bind(theOpenDialog, &state().fileCode, code);
  XtManageChild(theOpenDialog);
  dumpGeometrySoon();
}

void openPrompt(int code, const char* label, const char* text)
{
  XmString l = XmStringCreateLocalized(const_cast<char*>(label));
  XmString t = XmStringCreateLocalized(const_cast<char*>(text));
  XtVaSetValues(theForm, XmNselectionLabelString, l, XmNtextString, t, nullptr);
  XmStringFree(l);
  XmStringFree(t);
  bind(theForm, &state().promptCode, code);
  XtManageChild(theForm);
  dumpGeometrySoon();
}

/*
 * showMessage --
 *   S and P put the line into the working popup (P also waits until it
 *   shows and sets the busy cursor); L takes the popup and the cursor away;
 *   every kind but S and P then shows the line in the message box with the
 *   symbol of its kind.
 */
void showMessage(char kind, const char* line)
{
  if (kind == 'S' || kind == 'P') {
    if (!thePopup)
      return;
    setMessage(thePopup, line, XmDIALOG_WORKING);
    XtManageChild(thePopup);
    if (kind == 'P') {
      waitForPopup();
      GGdefineCursor("BUSY", "White", "Black");
    }
    return;
  }
  if (kind == 'L') {
    if (thePopup)
      XtUnmanageChild(thePopup);
    view::undefineCursor();
  }
  state().messageLine = line;
  state().messageType = dialogType(kind);
  showMessageBox();
}

void showPrompt(const char* text)
{
  std::string prompt = text ? text : "";
  if (prompt == state().prompt)
    return;
  state().prompt = prompt;
  showMessageBox();
  dumpGeometrySoon();
}

/*
 * setPaneOpen --
 *   Closing an open pane gives its height to the drawing area; opening a
 *   closed one takes it back.  The main view is drawn again, except after
 *   the message area was closed.
 */
void setPaneOpen(int pane, bool open)
{
  Widget w = pane == kPaneMessage ? thePaned2 : pane == kPaneCommand ? thePaned5 : thePaned4;
  short* flag = pane == kPaneMessage ? &MessCloseFlag
                : pane == kPaneCommand ? &CommCloseFlag
                                       : &PaneCloseFlag;
  if (open != (*flag != 0))
    return;
  Dimension paneHeight = 0, drawHeight = 0;
  XtVaGetValues(w, XmNheight, &paneHeight, nullptr);
  XtVaGetValues(theDrawWidget, XmNheight, &drawHeight, nullptr);
  if (open) {
    XtVaSetValues(theDrawWidget, XmNheight, drawHeight > paneHeight ? drawHeight - paneHeight : 1,
                  nullptr);
    XtManageChild(w);
    *flag = 0;
  } else {
    XtUnmanageChild(w);
    XtVaSetValues(theDrawWidget, XmNheight, drawHeight + paneHeight, nullptr);
    *flag = 1;
  }
  if (state().mainSurface)
    state().mainSurface->updateSize();
  if (open || pane != kPaneMessage)
    DVredraw(nullptr, nullptr, nullptr);
}

void openPlotWindow()
{
  XtPopup(thePopupWindow, XtGrabNone);
  PopupWindowIsThere = 1;
  if (state().plotSurface)
    state().plotSurface->updateSize();
}

/*
 * moveScale --
 *   The core moved the defect size: the scale shows it (within its range)
 *   at once, also in the middle of a sweep.
 */
void moveScale(int value)
{
  if (!theScaleBar)
    return;
  int low = 0, high = 0;
  XtVaGetValues(theScaleBar, XmNminimum, &low, XmNmaximum, &high, nullptr);
  XmScaleSetValue(theScaleBar, std::max(low, std::min(high, value)));
  XmUpdateDisplay(theScaleBar);
}

void setScaleLimit(bool maximum, int value)
{
  int low = 0, high = 0, current = 0;
  XtVaGetValues(theScaleBar, XmNminimum, &low, XmNmaximum, &high, XmNvalue, &current, nullptr);
  (maximum ? high : low) = value;
  if (high <= low)
    return;  // the scale cannot show an empty range; keep the old one
  current = std::max(low, std::min(high, current));
  XtVaSetValues(theScaleBar, XmNminimum, low, XmNmaximum, high, XmNvalue, current, nullptr);
}

}  // namespace interface

/*
 * DIacceptCB --
 *   OK of the file dialog or the value prompt: the dispatcher runs the
 *   accept code on the dialog's text.  Unless the file could not be opened
 *   the dialog goes away and is no longer bound to the code.
 */
void DIacceptCB(Widget w, XtPointer client_data, XtPointer call_data)
{
  int code = codeOf(client_data);
  auto* cbs = static_cast<XmSelectionBoxCallbackStruct*>(call_data);
  std::string text = textOf(cbs ? cbs->value : nullptr);
  callback::Outcome outcome = callback::accept(code, text.c_str());
  interface::flushViews();
  if (outcome == callback::Outcome::KeepDialog)
    return;
  XtUnmanageChild(w);
  unbind(w, code);
  interface::dumpGeometrySoon();
}

void DIcancelCB(Widget w, XtPointer client_data, XtPointer)
{
  unbind(w, codeOf(client_data));
  XtUnmanageChild(w);
}

void DIcommandCB(Widget, XtPointer, XtPointer call_data)
{
  auto* cbs = static_cast<XmCommandCallbackStruct*>(call_data);
  if (!cbs || !cbs->value) {
    callback::command(nullptr);
    return;
  }
  callback::command(textOf(cbs->value).c_str());
}

void DIpopdown(Widget, XtPointer, XtPointer)
{
  XtPopdown(thePopupWindow);
  PopupWindowIsThere = 0;
}
