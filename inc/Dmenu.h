// Dmenu.h -- actions, the accept dispatcher and the menu description
// (src/callback).
//
// Everything the programs and other subsystems may use to find an action by
// name, run it, confirm a dialog with an accept code, and read the menu
// description file.  A new action needs a row in DactionIndex and a button in
// lib/Dmenu.txt.
#pragma once

#include <string>

// ---------------------------------------------------------------------------
// Handlers.  An Xt-style callback gets the button, a private copy of the
// button's label and the toolkit's call data; a string handler one string; a
// plain handler nothing.
// ---------------------------------------------------------------------------
using ActionCallback = void (*)(void* w, void* client_data, void* call_data);
using StringHandler = int (*)(char* text);
using PlainHandler = int (*)();

constexpr int kActionNameLength = 32;
constexpr int kActionCount = 93;

struct _Actionindex {
  char name[kActionNameLength];  // "f.<handler>"
  ActionCallback action;
  StringHandler action1;
  PlainHandler action2;
};

extern const _Actionindex DactionIndex[kActionCount];

// The first filled slot of the first row named `name`, tried in the order
// action, action1, action2.  Exactly one member of the result is set.
struct ActionHandler {
  ActionCallback action = nullptr;
  StringHandler action1 = nullptr;
  PlainHandler action2 = nullptr;
  bool empty() const { return !action && !action1 && !action2; }
};
ActionHandler DIfindCallback(const char* name);  // NullAction when no row matches

int NullAction();

// ---------------------------------------------------------------------------
// Handlers of the shell.
// ---------------------------------------------------------------------------
int DIexit();
int DIeditor();
int DIplayback();
int DIstartPB();
int DIendPB();

// File dialogs and the value prompt.
void DIrdLayout(void* w, void* client_data, void* call_data);
void DIldLayout(void* w, void* client_data, void* call_data);
void DIldTech(void* w, void* client_data, void* call_data);
void DIldSym(void* w, void* client_data, void* call_data);
void DIldDesRule(void* w, void* client_data, void* call_data);
void DRload(void* w, void* client_data, void* call_data);
void DRloadCadenceDesRule1(void* w, void* client_data, void* call_data);
void DRloadCadenceDesRule2(void* w, void* client_data, void* call_data);
void UStransSizeFile(void* w, void* client_data, void* call_data);
// GDSII: read a layout (accept code 22), read it and run the analysis chain
// (23), read a layer map (24).
void DIrdGds(void* w, void* client_data, void* call_data);
void DIldGds(void* w, void* client_data, void* call_data);
void DIldGdsMap(void* w, void* client_data, void* call_data);
void DIsetForm(void* w, void* client_data, void* call_data);

// Display switches: the label "On" or "Off" of the calling button.
void DIhswitch(void* w, void* client_data, void* call_data);
void DIsswitch(void* w, void* client_data, void* call_data);
void DIlswitch(void* w, void* client_data, void* call_data);
// CIF reading mode: the label "Strict" or "Full" of the calling button.
void DIcifMode(void* w, void* client_data, void* call_data);

// Panes of the window.
constexpr int kPaneMessage = 0;
constexpr int kPaneCommand = 1;
constexpr int kPaneLayers = 2;
void DIcloseMess(void* w, void* client_data, void* call_data);
void DIcloseComm(void* w, void* client_data, void* call_data);
void DIclosePane(void* w, void* client_data, void* call_data);
void DIopenMess(void* w, void* client_data, void* call_data);
void DIopenComm(void* w, void* client_data, void* call_data);
void DIopenPane(void* w, void* client_data, void* call_data);

// The layer made active from a "LAYERS" menu or the layer panel.
void DIsetActive(void* w, void* client_data, void* call_data);

// Text of the command line.
constexpr int kCommandLineLength = 1024;
extern char CommandLine[kCommandLineLength];

// ---------------------------------------------------------------------------
// Accept codes of the file dialog and the value prompt.
// ---------------------------------------------------------------------------
enum AcceptCode {
  kAcceptReadCif = 0,
  kAcceptTech = 1,
  kAcceptX0 = 2,
  kAcceptD0 = 3,
  kAcceptDesignRule = 4,
  kAcceptAlfa = 5,
  kAcceptMaxSize = 6,
  kAcceptMinSize = 7,
  kAcceptStep = 8,
  kAcceptDensityMin = 9,
  kAcceptDensityMax = 10,
  kAcceptDensityStep = 11,
  kAcceptLoadCif = 12,
  kAcceptDefIO = 13,
  kAcceptNameNet = 14,
  kAcceptFindNet = 15,
  kAcceptSymmetry = 16,
  kAcceptY0 = 17,
  kAcceptBridge = 18,
  kAcceptCadence1 = 19,
  kAcceptCadence2 = 20,
  kAcceptTransSize = 21,
  kAcceptReadGds = 22,
  kAcceptLoadGds = 23,
  kAcceptGdsMap = 24,
};

namespace callback {

// What became of an action or a dialog confirmation.
enum class Outcome {
  Done,        // ran to its end
  Failed,      // the file or value was refused (format error, value 0)
  Abandoned,   // the data made it impossible; state left consistent
  KeepDialog,  // the file could not be opened: the dialog stays up, bound to its code
};

// The dialog dispatcher: the accept code and the dialog's text.  The front
// end unmanages the dialog and removes its callbacks unless KeepDialog.
Outcome accept(int code, const char* text);

// Runs a handler as a menu button would, with the button's label.
Outcome run(const ActionHandler& handler, const char* label);

// The command line's text (null when the field gave none).
void command(const char* text);

// The editor of "f.editor": the rest of the line of the key "Editor" of the
// system source file, else $VISUAL, else $EDITOR, else "feditor".
std::string editorCommand();

// "f.DVfit" of the menu: the net shown by a net action is no longer
// highlighted, then the view is fitted.
int fitView();

}  // namespace callback

// ---------------------------------------------------------------------------
// Menu description file.
// ---------------------------------------------------------------------------
constexpr int kMenuWordLength = 32;
constexpr int kMenuEntries = 32;

struct _Menulist {
  char type[kMenuWordLength];
  char label[kMenuWordLength];
  char submenu[kMenuWordLength];
};

struct _Menustruct {
  char name[kMenuWordLength];
  int num;
  _Menulist list[kMenuEntries];
  _Menustruct* next;
};

struct _Buttons {
  void* w;
  void* cascade;
  char label[kMenuWordLength];
  int type;  // 0 push button, 1 cascade, 2 separator
  ActionHandler callback;
  char* client_data;  // copy of label
  _Buttons* pulldown;
  _Buttons* next;
};

struct _Menutree {
  void* w;
  void* cascade;
  char label[kMenuWordLength];
  _Buttons* buttonlist;
  _Menutree* brother;
};

extern _Menustruct* MenuStruct;
extern _Menutree* Dmenu;

void DImenuInit();
_Menutree* DImenuData(_Menustruct* menus);
_Buttons* DIfindButton(_Menustruct* menus, const char* name);
void DIfreeMenuStruct(_Menustruct* menus);
void DIfreeMenuTree(_Menutree* tree);
