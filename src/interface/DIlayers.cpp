// The layer panel: a mode chosen by three toggles, and one button per
// technology layer whose press acts on the layer by the mode.
#include "Dinterface.h"

#include <Xm/Frame.h>
#include <Xm/PushB.h>
#include <Xm/Xm.h>

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
                                            XmNlabelString, label, XmNforeground,
                                            GCgetNamedColor(layer.color), nullptr);
    XmStringFree(label);
    XtAddEventHandler(button, ButtonPressMask, False, DIlayerButPressCB, layer.name);
    XtManageChild(frame);
    layer.w = button;
    s.layerFrames.push_back(frame);
  }
  if (GlayerNum < kLayerSlots)
    Glayers[GlayerNum].w = nullptr;
  for (int i = 0; i < GlayerNum; ++i)
    repaintLayerButton(i);
}

/*
 * repaintLayerButton --
 *   The button's text is in the layer's colour when the switch of the
 *   panel's mode is on, in colour 0 otherwise.
 */
void repaintLayerButton(int layer)
{
  if (layer < 0 || layer >= GlayerNum || !Glayers[layer].w)
    return;
  const _layerDef& def = Glayers[layer];
  int on = state().layerMode == kModeDisplay ? def.showswitch
           : state().layerMode == kModeFill  ? def.fillmode
                                             : def.active;
  unsigned long pixel = on ? GCgetNamedColor(def.color) : colorEntry(0);
  XtVaSetValues(static_cast<Widget>(def.w), XmNforeground, pixel, nullptr);
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
  for (_layerDef& layer : Glayers)
    layer.w = nullptr;
  interface::makeLayerButtons();
}
