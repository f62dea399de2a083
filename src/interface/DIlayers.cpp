// The layer panel: a mode chosen by three toggles, and one button per
// technology layer whose press acts on the layer by the mode.
#include "Dinterface.h"

#include <Xm/Frame.h>
#include <Xm/PushB.h>
#include <Xm/Xm.h>

#include <algorithm>
#include <cstring>

#include "DIshell.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dmenu.h"

namespace {

constexpr int kModule = 1;
constexpr int kModeDisplay = 0;
constexpr int kModeFill = 1;
constexpr int kModeActive = 2;
constexpr int kSwatchSize = 16;             // pixels of a layer button's colour swatch
constexpr int kSwatchRing = 2;              // pixels of its ring in the layer's colour
constexpr unsigned short kOffGrey = 0x7070; // text of a layer whose switch is off
constexpr int kPanelSpacing = 6;            // pixels between the panel's children
constexpr int kPanelMargin = 24;            // pixels of the panel's margins and frames

bool hasButton(const _layerDef& layer)
{
  return layer.name[0] != '\0' && strcmp(layer.name, "@") != 0;
}

int layerByName(const char* name)
{
  for (int i = 0; i < GlayerNum; ++i)
    if (strcmp(Glayers[i].name, name) == 0)
      return i;
  return -1;
}

// Flips a switch of the layer and says so.
void flip(int* flag, const char* name)
{
  *flag = !*flag;
  GCmessage(kModule, 'M', *flag ? "%s is switched on" : "%s is switched off", name);
}

unsigned long offTextPixel()
{
  static unsigned long pixel = 0;
  static bool allocated = false;
  if (!allocated) {
    XColor grey;
    grey.red = grey.green = grey.blue = kOffGrey;
    grey.flags = DoRed | DoGreen | DoBlue;
    pixel = XAllocColor(theDisplay, theColormap, &grey) ? grey.pixel
                                                         : BlackPixel(theDisplay, theScreen);
    allocated = true;
  }
  return pixel;
}

/*
 * makeSwatch --
 *   The square shown beside a layer's name.  On: a ring of the layer's
 *   colour round the layer as the main view draws it (its colour in its fill
 *   pattern over the view's background), so that a sparse pattern still
 *   shows the colour; off: an empty frame on the button's background.
 */
Pixmap makeSwatch(const _layerDef& layer, bool on, Pixel background)
{
  Window root = RootWindow(theDisplay, theScreen);
  Pixmap swatch = XCreatePixmap(theDisplay, root, kSwatchSize, kSwatchSize,
                                DefaultDepth(theDisplay, theScreen));
  GC gc = XCreateGC(theDisplay, swatch, 0, nullptr);
  XSetForeground(theDisplay, gc, on ? BlackPixel(theDisplay, theScreen) : offTextPixel());
  XFillRectangle(theDisplay, swatch, gc, 0, 0, kSwatchSize, kSwatchSize);
  XSetForeground(theDisplay, gc, on ? interface::colorEntry(0) : background);
  XFillRectangle(theDisplay, swatch, gc, 1, 1, kSwatchSize - 2, kSwatchSize - 2);
  if (on) {
    XSetForeground(theDisplay, gc, GCgetNamedColor(layer.color));
    for (int ring = 1; ring <= kSwatchRing; ++ring)
      XDrawRectangle(theDisplay, swatch, gc, ring, ring, kSwatchSize - 1 - 2 * ring,
                     kSwatchSize - 1 - 2 * ring);
    Pixmap stipple = None;
    if (const techc::Bitmap* pattern = layer.pixmap) {
      if (pattern->width > 0 && pattern->height > 0 && !pattern->bits.empty())
        stipple = XCreateBitmapFromData(theDisplay, root,
                                        reinterpret_cast<const char*>(pattern->bits.data()),
                                        pattern->width, pattern->height);
    }
    if (stipple != None) {
      XSetStipple(theDisplay, gc, stipple);
      XSetFillStyle(theDisplay, gc, FillStippled);
    }
    const int inner = kSwatchRing + 1;
    XFillRectangle(theDisplay, swatch, gc, inner, inner, kSwatchSize - 2 * inner,
                   kSwatchSize - 2 * inner);
    if (stipple != None)
      XFreePixmap(theDisplay, stipple);
  }
  XFreeGC(theDisplay, gc);
  return swatch;
}

/*
 * fitLayerRows --
 *   As many rows of layer buttons as it takes for the panel to fit the
 *   width of the window beside the scale and the mode toggles.
 */
void fitLayerRows(const std::vector<Widget>& frames)
{
  if (frames.empty())
    return;
  auto preferredWidth = [](Widget w) {
    XtWidgetGeometry preferred{};
    XtQueryGeometry(w, nullptr, &preferred);
    return static_cast<int>(preferred.width);
  };
  Dimension window = 0;
  XtVaGetValues(theDeskWidget, XmNwidth, &window, nullptr);
  int beside = 0;
  for (Widget w : {theScaleWidget, XtNameToWidget(theRowColumn, "Sep2"), theLayerWidget,
                   XtNameToWidget(theLayerPanel, "Sep3")})
    if (w)
      beside += preferredWidth(w) + kPanelSpacing;
  int button = kPanelSpacing;
  for (Widget frame : frames)
    button = std::max(button, preferredWidth(frame) + kPanelSpacing);
  int columns = std::max(1, (static_cast<int>(window) - beside - kPanelMargin) / button);
  int rows = (static_cast<int>(frames.size()) + columns - 1) / columns;
  XtVaSetValues(theShowWidget, XmNnumColumns, static_cast<short>(std::max(rows, 1)), nullptr);
}

// A layer button goes (the buttons are rebuilt): its swatches with it.
void freeSwatches(Widget, XtPointer client, XtPointer)
{
  auto* swatches = static_cast<interface::State::Swatches*>(client);
  XFreePixmap(theDisplay, swatches->on);
  XFreePixmap(theDisplay, swatches->off);
  delete swatches;
}

}  // namespace

namespace interface {

unsigned long colorEntry(int index)
{
  const _GWorkStation& station = GCworkStation[GCstationId];
  if (index < 0 || index >= station.ncolor)
    return BlackPixel(theDisplay, theScreen);
  return station.color[index].pixel;
}

void makeLayerButtons()
{
  State& s = state();
  for (int i = 0; i < GlayerNum; ++i) {
    _layerDef& layer = Glayers[i];
    layer.w = nullptr;
    if (!hasButton(layer))
      continue;
    Widget frame = XmCreateFrame(theShowWidget, const_cast<char*>("frame"), nullptr, 0);
    XmString label = XmStringCreateLocalized(layer.name);
    Widget button = XtVaCreateManagedWidget("BUTTON", xmPushButtonWidgetClass, frame,
                                            XmNlabelString, label, XmNalignment,
                                            XmALIGNMENT_BEGINNING, nullptr);
    XmStringFree(label);
    Pixel background = 0;
    XtVaGetValues(button, XmNbackground, &background, nullptr);
    auto* swatches = new State::Swatches{makeSwatch(layer, true, background),
                                         makeSwatch(layer, false, background)};
    XtAddCallback(button, XmNdestroyCallback, freeSwatches, swatches);
    s.swatches.resize(i + 1, nullptr);
    s.swatches[i] = swatches;
    XtVaSetValues(button, XmNlabelType, XmPIXMAP_AND_STRING, XmNlabelPixmap, swatches->on,
                  nullptr);
    XtAddEventHandler(button, ButtonPressMask, False, DIlayerButPressCB, layer.name);
    XtManageChild(frame);
    layer.w = button;
    s.layerFrames.push_back(frame);
  }
  fitLayerRows(s.layerFrames);
  if (GlayerNum < kLayerSlots)
    Glayers[GlayerNum].w = nullptr;
  for (int i = 0; i < GlayerNum; ++i)
    repaintLayerButton(i);
}

/*
 * repaintLayerButton --
 *   When the switch of the panel's mode is on, the button shows the layer's
 *   swatch and its name in black; when it is off, an empty swatch and the
 *   name in grey.  The name stays readable whatever the layer's colour.
 */
void repaintLayerButton(int layer)
{
  if (layer < 0 || layer >= GlayerNum || !Glayers[layer].w)
    return;
  const _layerDef& def = Glayers[layer];
  int on = state().layerMode == kModeDisplay ? def.showswitch
           : state().layerMode == kModeFill  ? def.fillmode
                                             : def.active;
  const std::vector<State::Swatches*>& swatches = state().swatches;
  const State::Swatches* both =
      static_cast<size_t>(layer) < swatches.size() ? swatches[layer] : nullptr;
  Pixmap swatch = both ? (on ? both->on : both->off) : None;
  XtVaSetValues(static_cast<Widget>(def.w), XmNforeground,
                on ? BlackPixel(theDisplay, theScreen) : offTextPixel(), XmNlabelPixmap,
                swatch != None ? swatch : XmUNSPECIFIED_PIXMAP, nullptr);
}

}  // namespace interface

/*
 * DIlayerButPressCB --
 *   A mode toggle sets the panel's mode and repaints the buttons; a layer
 *   button flips the layer's display or fill switch, or makes it active.
 */
void DIlayerButPressCB(Widget, XtPointer client_data, XEvent*, Boolean*)
{
  const char* data = static_cast<const char*>(client_data);
  interface::State& s = interface::state();
  if (strcmp(data, "thelayers") == 0 || strcmp(data, "display") == 0 ||
      strcmp(data, "fillmode") == 0) {
    s.layerMode = data[0] == 't' ? kModeActive : data[0] == 'd' ? kModeDisplay : kModeFill;
    for (int i = 0; i < GlayerNum; ++i)
      interface::repaintLayerButton(i);
    return;
  }
  int layer = layerByName(data);
  if (layer < 0)
    return;
  switch (s.layerMode) {
    case kModeDisplay:
      flip(&Glayers[layer].showswitch, Glayers[layer].name);
      break;
    case kModeFill:
      flip(&Glayers[layer].fillmode, Glayers[layer].name);
      break;
    default: {
      ActionHandler handler;
      handler.action = DIsetActive;
      callback::run(handler, Glayers[layer].name);
      break;
    }
  }
  interface::repaintLayerButton(layer);
  interface::dumpGeometrySoon();
}

void DIlayerControl()
{
  interface::State& s = interface::state();
  for (Widget frame : s.layerFrames)
    XtDestroyWidget(frame);
  s.layerFrames.clear();
  s.swatches.clear();  // the buttons free them as they go
  for (_layerDef& layer : Glayers)
    layer.w = nullptr;
  interface::makeLayerButtons();
}
