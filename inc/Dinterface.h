// Dinterface.h -- the Motif window of quorin (src/interface).
//
// Everything the program's main and the display code may use of the
// window: start-up and event loop, the widget tree and its globals, the
// widget creation routines, the dialogs, the layer panel and the recording
// and playback of input events.  Only the X part of the program includes it.
#pragma once

#include <X11/Intrinsic.h>

// Start-up in the fixed order of the program, then the event loop; never
// returns.
[[noreturn]] void DInterface(int argc, char** argv);

// ---------------------------------------------------------------------------
// The widget tree.
// ---------------------------------------------------------------------------
extern Widget theDeskWidget, theMainWidget, thePane;
extern Widget thePaned1, thePaned2, thePaned3, thePaned4, thePaned5;
extern Widget theMenuBar, theMessage, theWorkWidget, theDrawWidget, theRowColumn;
extern Widget theScaleWidget, theScaleBar, theLayerPanel, theLayerWidget, theShowWidget;
extern Widget theCommand, thePopupWindow, thePopupDraw, theForm, theOpenDialog, thePopup;

// Pane flags: 1 while the pane is closed.
extern short MessCloseFlag, CommCloseFlag, PaneCloseFlag;

struct _Buttons;

void DIcreateApp(const char* name);
void DIcreateMenuBar(Widget parent);
// Fills a pulldown with the buttons of a menu; `parent` is the cascade's
// own button (null for the menu bar's pulldowns).
void CreatePulldown(Widget menu, _Buttons* buttons, _Buttons* parent);

// Creation routines: each creates, manages and registers one widget.
Widget CreateCascade(const char* label, char mnemonic, Widget submenu, Widget parent);
Widget CreatePushButton(const char* label, Widget parent, XtCallbackProc callback, XtPointer data);
Widget CreateToggle(const char* name, const char* label, Widget parent);
Widget CreateScale(Widget parent, int minimum, int maximum, int value, int step);
Widget CreateSeparator(const char* name, Widget parent);
Widget CreateRadioBox(const char* name, Widget parent);
Widget CreateLabel(const char* label, Widget parent);
Widget CreateColorLabel(const char* label, Widget parent, unsigned long color);
Widget CreateText(const char* name, Widget parent);
Widget CreateTextInputField(const char* name, Widget parent);
Widget CreateMultilineText(const char* name, Widget parent);
Widget CreateList(const char* name, Widget parent);
Widget CreateDialog(const char* name, Widget parent);
Widget CreateDialogShell(const char* name, Widget parent);
Widget CreateFileSelection(const char* name, Widget parent);
void SetLabel(Widget w, const char* label);
// The value prompt "FORM" with its selection label and a value "%.4f".
Widget DIcreateForm(Widget parent, const char* label, float value);

// ---------------------------------------------------------------------------
// Callbacks.
// ---------------------------------------------------------------------------
void DIacceptCB(Widget w, XtPointer client_data, XtPointer call_data);
void DIcancelCB(Widget w, XtPointer client_data, XtPointer call_data);
void DIcommandCB(Widget w, XtPointer client_data, XtPointer call_data);
void DIpopdown(Widget w, XtPointer client_data, XtPointer call_data);
void DIlayerButPressCB(Widget w, XtPointer client_data, XEvent* event, Boolean* more);
void DIlayerControl();

// ---------------------------------------------------------------------------
// Recording and playback of input events.
// ---------------------------------------------------------------------------
constexpr int kMaxRecordedWindows = 1024;
extern Window FwidgetList[kMaxRecordedWindows];
extern int FwidgetNum;

void DIrecordEvent(XEvent* event);
void DIregiWindows(Widget top);
long DIwindowIndex(Window window);  // 0 when the window is not registered
Window DIfindWindow(long index);
