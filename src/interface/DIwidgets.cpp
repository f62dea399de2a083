// The widget tree of the main window and the widget creation routines.
#include "Dinterface.h"

#include <Xm/BulletinB.h>
#include <Xm/CascadeB.h>
#include <Xm/Command.h>
#include <Xm/DialogS.h>
#include <Xm/DrawingA.h>
#include <Xm/FileSB.h>
#include <Xm/Frame.h>
#include <Xm/Label.h>
#include <Xm/List.h>
#include <Xm/MainW.h>
#include <Xm/MessageB.h>
#include <Xm/PanedW.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/Scale.h>
#include <Xm/SelectioB.h>
#include <Xm/Separator.h>
#include <Xm/Text.h>
#include <Xm/TextF.h>
#include <Xm/ToggleB.h>
#include <Xm/Xm.h>
#include <X11/Shell.h>
#include <X11/keysym.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>

#include "DIshell.h"
#include "Ddisplay.h"
#include "DTtechnology.h"
#include "Dlayout.h"
#include "Devent.h"
#include "Dview.h"

Widget theDeskWidget, theMainWidget, thePane;
Widget thePaned1, thePaned2, thePaned3, thePaned4, thePaned5;
Widget theMenuBar, theMessage, theWorkWidget, theDrawWidget, theRowColumn;
Widget theScaleWidget, theScaleBar, theLayerPanel, theLayerWidget, theShowWidget;
Widget theCommand, thePopupWindow, thePopupDraw, theForm, theOpenDialog, thePopup;

namespace {

constexpr double kDeskShare = 1.5;   // the window is the display width divided by this
constexpr int kDrawWidth = 800;      // pixels the drawing area asks for at start
constexpr int kDrawHeight = 500;
constexpr int kPlotWidth = 600;      // pixels of the plot window's drawing area
constexpr int kPlotHeight = 400;
constexpr int kPlotButtonsHeight = 40;

XmString text(const char* s) { return XmStringCreateLocalized(const_cast<char*>(s ? s : "")); }

// Removes the standard buttons of a message box.
void withoutButtons(Widget box)
{
  for (unsigned char child : {XmDIALOG_OK_BUTTON, XmDIALOG_CANCEL_BUTTON, XmDIALOG_HELP_BUTTON})
    XtUnmanageChild(XmMessageBoxGetChild(box, child));
}

/*
 * prepareMessageBox --
 *   The message box without its button row and separator; its text keeps
 *   the height of two lines (a message and the prompt of the running
 *   interaction), so that the box never changes its height, and the box
 *   starts with the information symbol, whose place it lays out at once.
 */
void prepareMessageBox(Widget box)
{
  withoutButtons(box);
  XtUnmanageChild(XmMessageBoxGetChild(box, XmDIALOG_SEPARATOR));
  XmString twoLines = text("Zephra Message:\n ");
  XtVaSetValues(box, XmNmessageString, twoLines, XmNdialogType, XmDIALOG_INFORMATION, nullptr);
  XmStringFree(twoLines);
  XtVaSetValues(XmMessageBoxGetChild(box, XmDIALOG_MESSAGE_LABEL), XmNrecomputeSize, False,
                nullptr);
}

Widget frame(const char* name, Widget parent, bool manage = true)
{
  Widget w = XmCreateFrame(parent, const_cast<char*>(name), nullptr, 0);
  if (manage)
    XtManageChild(w);
  return w;
}

constexpr unsigned long kExposeRetryMs = 50;  // a deferred expose tries again after this

// Draws the gathered exposed rectangle of the main view.
void drawExposed()
{
  interface::State& s = interface::state();
  s.exposePending = false;
  interface::guarded([] {
    const interface::State& e = interface::state();
    DVrefresh(e.exposeX1, e.exposeY1, e.exposeX2 - e.exposeX1, e.exposeY2 - e.exposeY1);
  });
  interface::dumpGeometrySoon();
}

// An expose that came while an action ran (the report pane brings the
// display up to date in the middle of one) is drawn once it has ended: the
// planes may be half built.
void exposeLaterCB(XtPointer, XtIntervalId*)
{
  interface::State& s = interface::state();
  s.exposeTimer = 0;
  if (common::inAction()) {
    s.exposeTimer = XtAppAddTimeOut(app, kExposeRetryMs, exposeLaterCB, nullptr);
    return;
  }
  if (s.exposePending)
    drawExposed();
}

// Expose of the main view: the series is gathered into one rectangle and
// drawn again when its last event arrived.
void drawExposeCB(Widget, XtPointer, XtPointer call)
{
  auto* cbs = static_cast<XmDrawingAreaCallbackStruct*>(call);
  if (!cbs->event || cbs->event->type != Expose)
    return;
  const XExposeEvent& e = cbs->event->xexpose;
  interface::State& s = interface::state();
  if (!s.exposePending) {
    s.exposeX1 = e.x;
    s.exposeY1 = e.y;
    s.exposeX2 = e.x + e.width;
    s.exposeY2 = e.y + e.height;
    s.exposePending = true;
  } else {
    s.exposeX1 = std::min(s.exposeX1, e.x);
    s.exposeY1 = std::min(s.exposeY1, e.y);
    s.exposeX2 = std::max(s.exposeX2, e.x + e.width);
    s.exposeY2 = std::max(s.exposeY2, e.y + e.height);
  }
  if (e.count > 0)
    return;
  if (common::inAction()) {
    if (!s.exposeTimer)
      s.exposeTimer = XtAppAddTimeOut(app, kExposeRetryMs, exposeLaterCB, nullptr);
    return;
  }
  drawExposed();
}

// Escape in the drawing area stops the running interaction.
void drawKeyHandler(Widget, XtPointer, XEvent* event, Boolean*)
{
  KeySym key = NoSymbol;
  char text[8];
  XLookupString(&event->xkey, text, sizeof text, &key, nullptr);
  if (key != XK_Escape)
    return;
  DEcancel();
  interface::flushViews();
}

void drawResizeCB(Widget, XtPointer, XtPointer)
{
  if (interface::state().mainSurface)
    interface::state().mainSurface->updateSize();
}

void plotExposeCB(Widget, XtPointer, XtPointer call)
{
  auto* cbs = static_cast<XmDrawingAreaCallbackStruct*>(call);
  if (cbs->event && cbs->event->type == Expose && cbs->event->xexpose.count == 0)
    interface::guarded(view::redrawPlot);
}

void plotResizeCB(Widget, XtPointer, XtPointer)
{
  if (interface::state().plotSurface)
    interface::state().plotSurface->updateSize();
}

// The user moved the defect-size scale: the fault and yield actions read
// its value (tenths of a grid step).
void scaleMovedCB(Widget, XtPointer, XtPointer call)
{
  if (auto* cbs = static_cast<XmScaleCallbackStruct*>(call))
    theDefectScale = cbs->value;
}

// The drawing area of the main view inside its two frames.
void createWorkArea()
{
  thePaned3 = frame("Paned3", thePane);
  theWorkWidget = frame("WORKW", thePaned3);
  theDrawWidget = XtVaCreateManagedWidget("DRAWW", xmDrawingAreaWidgetClass, theWorkWidget,
                                          XmNbackground, interface::colorEntry(0), XmNwidth,
                                          kDrawWidth, XmNheight, kDrawHeight, nullptr);
  XtAddCallback(theDrawWidget, XmNexposeCallback, drawExposeCB, nullptr);
  XtAddCallback(theDrawWidget, XmNresizeCallback, drawResizeCB, nullptr);
  XtAddEventHandler(theDrawWidget, KeyPressMask, False, drawKeyHandler, nullptr);
}

// The defect-size scale, the layer panel's mode toggles and its buttons.
void createLayerPane()
{
  thePaned4 = frame("Paned4", thePane);
  theRowColumn = XtVaCreateManagedWidget("ROWCOLUMN", xmRowColumnWidgetClass, thePaned4,
                                         XmNorientation, XmHORIZONTAL, nullptr);
  // A radio box takes only toggles: the scale's box is a plain row-column.
  theScaleWidget = XtVaCreateManagedWidget("SCALEW", xmRowColumnWidgetClass, theRowColumn, nullptr);
  int scale = theGlobalScale > 0 ? theGlobalScale : 1;
  theScaleBar = CreateScale(theScaleWidget, 10 * theMinDefectSize / scale,
                            10 * theMaxDefectSize / scale, 10 * theMaxDefectSize / scale,
                            10 * theStep / scale);
  XtAddCallback(theScaleBar, XmNvalueChangedCallback, scaleMovedCB, nullptr);
  XtAddCallback(theScaleBar, XmNdragCallback, scaleMovedCB, nullptr);
  CreateSeparator("Sep2", theRowColumn);
  XtVaSetValues(XtNameToWidget(theRowColumn, "Sep2"), XmNorientation, XmVERTICAL, nullptr);
  theLayerPanel = XtVaCreateManagedWidget("LAYERPANEL", xmRowColumnWidgetClass, theRowColumn,
                                          XmNorientation, XmHORIZONTAL, nullptr);
  theLayerWidget = CreateRadioBox("LAYERW", theLayerPanel);
  const struct {
    const char* name;
    const char* label;
    const char* data;
  } toggles[] = {{"toggle1", "Active Layer", "thelayers"},
                 {"toggle2", "Display Switch", "display"},
                 {"toggle3", "Fillmode Switch", "fillmode"}};
  for (const auto& t : toggles) {
    Widget toggle = CreateToggle(t.name, t.label, theLayerWidget);
    XtAddEventHandler(toggle, ButtonPressMask, False, DIlayerButPressCB,
                      const_cast<char*>(t.data));
  }
  XmToggleButtonSetState(XtNameToWidget(theLayerWidget, "toggle2"), True, False);
  CreateSeparator("Sep3", theLayerPanel);
  XtVaSetValues(XtNameToWidget(theLayerPanel, "Sep3"), XmNorientation, XmVERTICAL, nullptr);
  theShowWidget = XtVaCreateManagedWidget("SHOWW", xmRowColumnWidgetClass, theLayerPanel,
                                          XmNorientation, XmHORIZONTAL, XmNpacking, XmPACK_COLUMN,
                                          nullptr);
  interface::makeLayerButtons();
}

// The popup plot window: a dismiss button above a drawing area.
void createPlotWindow()
{
  thePopupWindow = XtVaCreatePopupShell("POPUPWINDOW", topLevelShellWidgetClass, theDeskWidget,
                                        nullptr);
  Widget outer = frame("POPUPFRAME", thePopupWindow);
  Widget area = XtVaCreateManagedWidget("BUTTONAREA", xmBulletinBoardWidgetClass, outer, nullptr);
  Widget buttons = frame("BUTTONFRAME", area);
  Widget dismiss = XtVaCreateManagedWidget("dismiss", xmPushButtonWidgetClass, buttons, nullptr);
  XtAddCallback(dismiss, XmNactivateCallback, DIpopdown, const_cast<char*>("dismiss"));
  Widget drawFrame = frame("DRAWAREA", area);
  XtVaSetValues(drawFrame, XmNx, 0, XmNy, kPlotButtonsHeight, nullptr);
  thePopupDraw = XtVaCreateManagedWidget("POPUPDRAW", xmDrawingAreaWidgetClass, drawFrame,
                                         XmNbackground, interface::colorEntry(0), XmNwidth,
                                         kPlotWidth, XmNheight, kPlotHeight, nullptr);
  XtAddCallback(thePopupDraw, XmNexposeCallback, plotExposeCB, nullptr);
  XtAddCallback(thePopupDraw, XmNresizeCallback, plotResizeCB, nullptr);
}

void createDialogs()
{
  theForm = DIcreateForm(theMainWidget, "Size Distribution Factor X0:", Glayers[0].X0);
  theOpenDialog = CreateFileSelection("file_selection", theMainWidget);
  thePopup = XmCreateWorkingDialog(theMainWidget, const_cast<char*>("working"), nullptr, 0);
  withoutButtons(thePopup);
}

}  // namespace

/*
 * DIcreateApp --
 *   Builds the main window (menu bar, message box, drawing area, layer
 *   pane, command line), the plot window and the dialogs, realises them,
 *   and lets each dialog appear once, hidden.
 */
void DIcreateApp(const char* name)
{
  theDeskWidget = XtVaAppCreateShell(name, "XMclient", applicationShellWidgetClass, theDisplay,
                                     XmNwidth, static_cast<int>(theDisplayWidth / kDeskShare),
                                     XmNheight, theDisplayHeight, XmNforeground,
                                     interface::colorEntry(1), XmNbackground,
                                     interface::colorEntry(16), nullptr);
  theMainWidget = XtVaCreateManagedWidget("MAINW", xmMainWindowWidgetClass, theDeskWidget,
                                          XmNforeground, interface::colorEntry(1), XmNbackground,
                                          interface::colorEntry(16), nullptr);
  thePane = XtVaCreateManagedWidget("Pane", xmPanedWindowWidgetClass, theMainWidget, nullptr);

  thePaned1 = frame("Paned1", thePane);
  theMenuBar = XmCreateMenuBar(thePaned1, const_cast<char*>("MENUBAR"), nullptr, 0);
  XtVaSetValues(theMenuBar, XmNforeground, interface::colorEntry(1), XmNbackground,
                interface::colorEntry(16), nullptr);
  DIcreateMenuBar(theMenuBar);
  XtManageChild(theMenuBar);

  thePaned2 = frame("Paned2", thePane);
  theMessage = XmCreateMessageBox(thePaned2, const_cast<char*>("MESSAGE"), nullptr, 0);
  prepareMessageBox(theMessage);
  interface::state().messageType = XmDIALOG_INFORMATION;
  XtManageChild(theMessage);

  createWorkArea();
  interface::createReportPane(thePane);
  createLayerPane();

  thePaned5 = frame("Paned5", thePane, false);
  XmString prompt = text("Zephra Command:");
  theCommand = XmCreateCommand(thePaned5, const_cast<char*>("COMMAND"), nullptr, 0);
  XtVaSetValues(theCommand, XmNpromptString, prompt, nullptr);
  XmStringFree(prompt);
  XtAddCallback(theCommand, XmNcommandEnteredCallback, DIcommandCB, nullptr);
  XtManageChild(theCommand);

  // Only the drawing area takes up a change of the window's height.
  for (Widget pane : {thePaned1, thePaned2, XtNameToWidget(thePane, "REPORTPANE"), thePaned4,
                      thePaned5})
    XtVaSetValues(pane, XmNskipAdjust, True, nullptr);
  XtVaSetValues(theMainWidget, XmNworkWindow, thePane, nullptr);

  createPlotWindow();
  createDialogs();
  XtRealizeWidget(theDeskWidget);
  interface::showMessage('M', "Zephra Message:");
  for (Widget dialog : {theOpenDialog, thePopup, theForm}) {
    XtManageChild(dialog);
    XtUnmanageChild(dialog);
  }
}

// ---------------------------------------------------------------------------
// Creation routines.
// ---------------------------------------------------------------------------
Widget CreateCascade(const char* label, char mnemonic, Widget submenu, Widget parent)
{
  XmString s = text(label);
  Widget w = XtVaCreateManagedWidget("cascade", xmCascadeButtonWidgetClass, parent, XmNlabelString,
                                     s, XmNmnemonic, static_cast<KeySym>(mnemonic), XmNsubMenuId,
                                     submenu, nullptr);
  XmStringFree(s);
  return w;
}

Widget CreatePushButton(const char* label, Widget parent, XtCallbackProc callback, XtPointer data)
{
  XmString s = text(label);
  Widget w = XtVaCreateManagedWidget(label, xmPushButtonWidgetClass, parent, XmNlabelString, s,
                                     nullptr);
  XmStringFree(s);
  if (callback)
    XtAddCallback(w, XmNactivateCallback, callback, data);
  return w;
}

Widget CreateToggle(const char* name, const char* label, Widget parent)
{
  XmString s = text(label);
  Widget w = XtVaCreateManagedWidget(name ? name : "toggle", xmToggleButtonWidgetClass, parent,
                                     XmNlabelString, s, nullptr);
  XmStringFree(s);
  return w;
}

Widget CreateScale(Widget parent, int minimum, int maximum, int value, int step)
{
  if (maximum <= minimum)
    maximum = minimum + 1;
  value = std::clamp(value, minimum, maximum);
  XmString title = text("defect size\n(grid steps)");
  Widget w = XtVaCreateManagedWidget("Scale", xmScaleWidgetClass, parent, XmNtitleString, title,
                                     XmNorientation, XmHORIZONTAL, XmNminimum, minimum, XmNmaximum,
                                     maximum, XmNvalue, value, XmNscaleMultiple, step > 0 ? step : 1,
                                     XmNshowValue, True, XmNdecimalPoints, 1, nullptr);
  XmStringFree(title);
  return w;
}

Widget CreateSeparator(const char* name, Widget parent)
{
  return XtVaCreateManagedWidget(name, xmSeparatorWidgetClass, parent, nullptr);
}

Widget CreateRadioBox(const char* name, Widget parent)
{
  Widget w = XmCreateRadioBox(parent, const_cast<char*>(name), nullptr, 0);
  XtManageChild(w);
  return w;
}

Widget CreateLabel(const char* label, Widget parent)
{
  XmString s = text(label);
  Widget w = XtVaCreateManagedWidget("label", xmLabelWidgetClass, parent, XmNlabelString, s, nullptr);
  XmStringFree(s);
  return w;
}

Widget CreateColorLabel(const char* label, Widget parent, unsigned long color)
{
  Widget w = CreateLabel(label, parent);
  XtVaSetValues(w, XmNforeground, color, nullptr);
  return w;
}

Widget CreateText(const char* name, Widget parent)
{
  return XtVaCreateManagedWidget(name, xmTextWidgetClass, parent, XmNeditable, False, nullptr);
}

Widget CreateTextInputField(const char* name, Widget parent)
{
  return XtVaCreateManagedWidget(name, xmTextFieldWidgetClass, parent, nullptr);
}

Widget CreateMultilineText(const char* name, Widget parent)
{
  return XtVaCreateManagedWidget(name, xmTextWidgetClass, parent, XmNeditMode, XmMULTI_LINE_EDIT,
                                 nullptr);
}

Widget CreateList(const char* name, Widget parent)
{
  return XtVaCreateManagedWidget(name, xmListWidgetClass, parent, nullptr);
}

Widget CreateDialog(const char* name, Widget parent)
{
  return XmCreateBulletinBoardDialog(parent, const_cast<char*>(name), nullptr, 0);
}

Widget CreateDialogShell(const char* name, Widget parent)
{
  return XmCreateDialogShell(parent, const_cast<char*>(name), nullptr, 0);
}

Widget CreateFileSelection(const char* name, Widget parent)
{
  return XmCreateFileSelectionDialog(parent, const_cast<char*>(name), nullptr, 0);
}

void SetLabel(Widget w, const char* label)
{
  XmString s = text(label);
  XtVaSetValues(w, XmNlabelString, s, nullptr);
  XmStringFree(s);
}

Widget DIcreateForm(Widget parent, const char* label, float value)
{
  char initial[64];
  snprintf(initial, sizeof initial, "%.4f", value);
  XmString l = text(label), t = text(initial);
  Widget w = XmCreatePromptDialog(parent, const_cast<char*>("FORM"), nullptr, 0);
  XtVaSetValues(w, XmNselectionLabelString, l, XmNtextString, t, nullptr);
  XmStringFree(l);
  XmStringFree(t);
  return w;
}
