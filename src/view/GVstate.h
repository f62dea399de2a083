// GVstate.h -- state of the view subsystem shared by its files (private).
#pragma once

#include <vector>

#include "DTtechnology.h"
#include "Dview.h"
#include "GGclip.h"

namespace view {

constexpr int kOverlayCount = 4;

struct State {
  _layerDef* layer = nullptr;             // style selected by GLsetGC
  PlaneDisplay* planes = nullptr;         // working mode 9
  NameOverlay* overlays[kOverlayCount] = {};
  void (*plotRedraw)() = nullptr;           // the plot window
  bool haveSuperBox = false;              // DVsuperExe's first box
  _box superBox = {0, 0, 0, 0};

  // The layer style's colour, looked up once per layer and colour name.
  const _layerDef* styleLayer = nullptr;
  char styleColor[kLayerNameLength] = "";
  unsigned long stylePixel = 0;

  // Pixel points of the polygon being drawn, kept between calls.
  std::vector<DoublePoint> points;
  std::vector<PixelPoint> pixels;
};

State& state();

// Width and height of the viewport's surface (0 without one).
int surfaceWidth(const _Gviewport* vp);
int surfaceHeight(const _Gviewport* vp);

}  // namespace view
