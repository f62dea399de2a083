// A main view on a recording surface of 550 x 450 pixels, three layers and
// helpers to build a layout cell by hand.
#pragma once

#include <cstring>

#include "DTtechnology.h"
#include "Dlayout.h"
#include "Dview.h"
#include "RecordingSurface.h"
#include "TestSupport.h"

namespace testing_support {

class ViewTest : public CoreTest {
 protected:
  static constexpr int kWidth = 550;
  static constexpr int kHeight = 450;

  void SetUp() override
  {
    CoreTest::SetUp();
    DIcolorInit();
    pattern.width = pattern.height = 8;
    pattern.bits.assign(8, 0x55);
    memset(Glayers, 0, sizeof Glayers);
    // Drawn in the order B, A, C.
    addLayer("A", "red", 1, 0);
    addLayer("B", "green", 0, 1);
    addLayer("C", "blue", 2, 2);
    DIvpInit(Vmain, &surface, nullptr);
    view::resetState();
    DworkingMode = kModeLayout;
  }

  void TearDown() override
  {
    Glayout = nullptr;
    Gsymbols = nullptr;
    GCfreeLayout(cells);
    cells = nullptr;
    memset(Glayers, 0, sizeof Glayers);
    GlayerNum = 0;
    view::resetState();
    DIvpInit(Vmain, nullptr, nullptr);
    CoreTest::TearDown();
  }

  void addLayer(const char* name, const char* color, int priority, int slot)
  {
    _layerDef& layer = Glayers[GlayerNum++];
    snprintf(layer.name, sizeof layer.name, "%s", name);
    snprintf(layer.color, sizeof layer.color, "%s", color);
    layer.layer = slot;
    layer.priority = priority;
    layer.fillmode = 1;
    layer.showswitch = 1;
    layer.pixmap = &pattern;
  }

  // A cell named `name` with an empty frame, in front of the cell list.
  _layout* newCell(const char* name)
  {
    auto* cell = common::make<_layout>();
    snprintf(cell->name, sizeof cell->name, "%s", name);
    cell->frame = {kEmptyFrameLow, kEmptyFrameLow, kEmptyFrameHigh, kEmptyFrameHigh};
    cell->next = cells;
    cells = cell;
    return cell;
  }

  _symbol* symbolOf(_layout* cell, int slot)
  {
    if (!cell->symbol[slot])
      cell->symbol[slot] = common::make<_symbol>();
    return cell->symbol[slot];
  }

  void addBox(_layout* cell, int slot, int x1, int y1, int x2, int y2)
  {
    auto* rect = common::make<_rects>();
    *rect = {x1, y1, x2, y2, symbolOf(cell, slot)->rect};
    symbolOf(cell, slot)->rect = rect;
    ACframe(x1, y1, cell);
    ACframe(x2, y2, cell);
  }

  void addLabel(_layout* cell, int slot, const char* text, int x, int y)
  {
    auto* label = common::make<_labels>();
    label->label = GCstrcpy(text);
    label->x = x;
    label->y = y;
    label->next = symbolOf(cell, slot)->label;
    symbolOf(cell, slot)->label = label;
  }

  // Makes `cell` the layout shown.
  void show(_layout* cell)
  {
    Glayout = cell;
    Gsymbols = cells;
  }

  static unsigned long pixelOf(const char* color) { return GCgetNamedColor(color); }
  static unsigned long entry(int index) { return GCworkStation[GCstationId].color[index].pixel; }

  RecordingSurface surface{kWidth, kHeight};
  techc::Bitmap pattern;
  _layout* cells = nullptr;
};

}  // namespace testing_support
