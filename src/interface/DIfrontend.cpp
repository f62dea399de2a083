// The window as the core's front end: messages, dialogs, panes, layer
// buttons, the plot window, and the pointer handlers of the interaction
// chains.
#include "Dinterface.h"

#include <Xm/Xm.h>

#include "DIshell.h"
#include "Devent.h"
#include "Dglobal.h"
#include "Dview.h"

namespace {

interface::State interfaceState;

void pressHandler(Widget, XtPointer, XEvent* event, Boolean*)
{
  DEbuttonCB(static_cast<int>(event->xbutton.button), event->xbutton.x, event->xbutton.y);
  interface::flushViews();
  interface::dumpGeometrySoon();
}

void motionHandler(Widget, XtPointer, XEvent* event, Boolean*)
{
  interface::guarded([event] { DErubCB(event->xmotion.x, event->xmotion.y); });
}

class MotifFrontEnd : public common::FrontEnd, public event::Input {
 public:
  void showMessage(char kind, const std::string& line) override
  {
    interface::showMessage(kind, line.c_str());
  }
  void showPrompt(const char* text) override { interface::showPrompt(text); }
  void flushDisplay() override
  {
    interface::flushViews();
    XmUpdateDisplay(theDeskWidget);
    XFlush(theDisplay);
  }
  void openFileDialog(int code) override { interface::openFileDialog(code); }
  void openPrompt(int code, const char* label, const char* text) override
  {
    interface::openPrompt(code, label, text);
  }
  void layerPanelChanged() override { DIlayerControl(); }
  void layerButtonChanged(int layer) override { interface::repaintLayerButton(layer); }
  void defectScaleLimit(bool maximum, int value) override { interface::setScaleLimit(maximum, value); }
  void defectScaleMoved(int value) override { interface::moveScale(value); }
  void setPaneOpen(int pane, bool open) override { interface::setPaneOpen(pane, open); }
  int playback() override { return interface::playback(); }
  void openPlotWindow() override { interface::openPlotWindow(); }

  // The chains' handlers on the drawing widget of a view.
  void listen(_Gviewport* view, bool presses, bool motion) override
  {
    Widget w = static_cast<Widget>(view ? view->widget : nullptr);
    if (!w)
      return;
    stopListening(view);
    if (presses) {
      XtAddEventHandler(w, ButtonPressMask, False, pressHandler, nullptr);
      // The keyboard goes to the drawing area too, for Escape.
      XmProcessTraversal(w, XmTRAVERSE_CURRENT);
    }
    if (motion)
      XtAddEventHandler(w, PointerMotionMask, False, motionHandler, nullptr);
  }
  void stopListening(_Gviewport* view) override
  {
    Widget w = static_cast<Widget>(view ? view->widget : nullptr);
    if (!w)
      return;
    XtRemoveEventHandler(w, ButtonPressMask, False, pressHandler, nullptr);
    XtRemoveEventHandler(w, PointerMotionMask, False, motionHandler, nullptr);
  }
};

MotifFrontEnd motifFrontEnd;

}  // namespace

namespace interface {

State& state() { return interfaceState; }

void installFrontEnd()
{
  common::setFrontEnd(&motifFrontEnd);
  event::setInput(&motifFrontEnd);
}

/*
 * makeViewSurfaces --
 *   The main viewport on the drawing area and the popup viewport on the
 *   plot window's drawing area, whose scale shows 1000 units over its
 *   height.
 */
void makeViewSurfaces()
{
  State& s = state();
  s.mainSurface = new display::XSurface(theDrawWidget, theDeskWidget);
  s.plotSurface = new display::XSurface(thePopupDraw, thePopupWindow);
  view::initViewports(s.mainSurface, theDrawWidget, s.plotSurface, thePopupDraw);
  Vmain->w = XtWindow(theDrawWidget);
  Vmain->gc = theGC;
  Vmain->xorgc = theXorGC;
  Vpopup->gc = theGC;
  Vpopup->xorgc = theXorGC;
  GGsetColor(Vmain, 1);
  GGsetColor(Vpopup, 1);
}

void flushViews()
{
  State& s = state();
  if (s.mainSurface)
    s.mainSurface->flush();
  if (s.plotSurface)
    s.plotSurface->flush();
}

}  // namespace interface
