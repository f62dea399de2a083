// DIshell.h -- what the files of the Motif window share (private).
#pragma once

#include <X11/Intrinsic.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Ddisplay.h"
#include "Dglobal.h"
#include "Dmenu.h"

namespace interface {

struct State {
  int layerMode = 0;               // 0 display switch, 1 fill-mode switch, 2 active layer
  std::vector<Widget> layerFrames; // frames of the layer buttons
  struct Swatches {
    Pixmap on, off;
  };
  std::vector<Swatches*> swatches; // per layer, owned by its button (null: none)
  int fileCode = -1;               // accept code the file dialog is bound to
  int promptCode = -1;             // accept code the value prompt is bound to
  FILE* record = nullptr;          // ".Fplayback" while recording
  bool recordTried = false;
  display::XSurface* mainSurface = nullptr;
  display::XSurface* plotSurface = nullptr;
  bool exposePending = false;      // a main view expose series is being gathered
  int exposeX1 = 0, exposeY1 = 0, exposeX2 = 0, exposeY2 = 0;
  XtIntervalId exposeTimer = 0;    // a main view expose waits for the action to end
  XtIntervalId dumpTimer = 0;      // the geometry dump to come
  std::string messageLine = "Zephra Message:";  // the message box: last message,
  unsigned char messageType = 0;   // its dialog type (symbol),
  std::string prompt;              // and what the running interaction waits for
};

State& state();

// The pixel of colour-table entry `index` (black when there is none).
unsigned long colorEntry(int index);

// Installs the window as the core's front end and pointer input.
void installFrontEnd();
// The surfaces of the main view and the plot window, and the viewports.
void makeViewSurfaces();
// Sends what the views gathered to the display.
void flushViews();

// Dialogs, messages, panes, the plot window, the defect-size scale.
void openFileDialog(int code);
void openPrompt(int code, const char* label, const char* text);
void showMessage(char kind, const char* line);
void showPrompt(const char* text);
void setPaneOpen(int pane, bool open);
void openPlotWindow();
void setScaleLimit(bool maximum, int value);
void moveScale(int value);

// The report pane under the drawing area.  It takes the core's output
// lines from takeOutputLines() on and shows those gathered before its
// creation when it is created.
void takeOutputLines();
void createReportPane(Widget parent);
// What the report pane holds, with the lines gathered so far.
std::string reportText();

// The layer buttons of the panel.
void makeLayerButtons();
void repaintLayerButton(int layer);

// Runs core code from a toolkit callback: an abandoned action is reported
// and goes no further than here (exceptions must not cross the toolkit).
template <class Work>
void guarded(Work&& work)
{
  common::ActionScope scope;
  try {
    work();
  } catch (const common::OperationAborted&) {
    GCmessage(1, 'L', "The action was abandoned");
  }
}

// Replays ".Fplayback"; 0, or 1 when there is no file.
int playback();

// When QUORIN_GEOMETRY names a file, the widget tree's geometry is appended
// to it: at once, or shortly after the display settled.
void dumpGeometry();
void dumpGeometrySoon();

}  // namespace interface
