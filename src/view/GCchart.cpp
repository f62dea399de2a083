// The chart frame of the plot window: dashed grid, axes, ticks, tick labels
// and titles, in pixels of the viewport's surface.
#include "Dview.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "GVstate.h"

namespace {

constexpr int kGridColor = 20;    // colour-table entries
constexpr int kAxisColor = 1;
constexpr int kTick = 10;         // pixels
constexpr int kYLabelOffset = 40; // pixels left of the axis
constexpr int kXLabelBelow = 22;  // pixels below the axis
constexpr int kCharWidth = 6;     // pixels of one character of the "fixed" font
constexpr int kTitleFromEdge = 3; // pixels between the x title's baseline and the bottom

void usePen(_Gviewport* vp, bool dashed)
{
  view::Surface& s = *vp->surface;
  s.setXor(false);
  s.setStipple(nullptr);
  s.setColor(vp->color);
  s.setLineWidth(vp->lineWidth);
  s.setDashed(dashed);
}

}  // namespace

/*
 * GCmakeView --
 *   Draws the frame of a chart over a surface of W x H pixels: columns of
 *   W / (nx + 2) and rows of H / (ny + 2) pixels, a dashed grid in colour
 *   20, the left and bottom axes in colour 1 with ticks and the labels of
 *   the y values (ymax down to one step above 0) and of the x values.
 */
void GCmakeView(_Gviewport* vp, float xmax, float ymax, int nx, int ny, const char* xtitle,
                const char* ytitle)
{
  if (!vp || !vp->surface || nx < 1 || ny < 1)
    return;
  view::Surface& s = *vp->surface;
  int width = s.width(), height = s.height();
  int cw = width / (nx + 2), ch = height / (ny + 2);
  int bottom = (ny + 1) * ch;

  GGsetColor(vp, kGridColor);
  usePen(vp, true);
  for (int i = 0; i < nx + 2; ++i)
    s.line((i + 1) * cw, ch, (i + 1) * cw, height - ch);
  for (int j = 0; j < ny + 2; ++j)
    s.line(cw, (j + 1) * ch, width - cw, (j + 1) * ch);

  GGsetColor(vp, kAxisColor);
  usePen(vp, false);
  s.line(cw, ch, cw, height - ch);
  s.line(cw, bottom, width - cw, bottom);
  char text[64];
  for (int j = 0; j <= ny; ++j) {
    int y = (j + 1) * ch;
    s.line(cw - kTick, y, cw, y);
    if (j == ny)
      continue;
    snprintf(text, sizeof text, "%0.4f", ymax - j * ymax / ny);
    s.string(cw - kYLabelOffset, y, text);
  }
  for (int i = 0; i <= nx; ++i) {
    int x = (i + 1) * cw;
    s.line(x, bottom, x, bottom + kTick);
    snprintf(text, sizeof text, "%0.1f", i * xmax / nx);
    s.string(x - kCharWidth, bottom + kXLabelBelow, text);
  }
  // Below the tick labels, but never below the surface's last rows.
  if (xtitle)
    s.string(width - cw - kCharWidth * int(strlen(xtitle)),
             std::min(bottom + 2 * kXLabelBelow, height - kTitleFromEdge), xtitle);
  if (ytitle)
    s.string(kCharWidth, ch / 2, ytitle);
  s.flush();
}
