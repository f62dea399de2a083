// Drawing a layout cell: layer by layer in priority order, each layer's
// rectangles, wires, polygons and circles that reach into the area, then
// the frames of the cell's calls.
#include "Dview.h"

#include <algorithm>

#include "DTtechnology.h"
#include "Dglobal.h"
#include "GVstate.h"

namespace {

constexpr int kCallFrameColor = 2;  // colour-table entry of call frames

// True when the box (p1, q1)-(p2, q2), in any corner order, touches the area.
bool reaches(long x1, long y1, long x2, long y2, long p1, long q1, long p2, long q2)
{
  return std::min(p1, p2) <= x2 && std::max(p1, p2) >= x1 && std::min(q1, q2) <= y2 &&
         std::max(q1, q2) >= y1;
}

// A box transformed by a call; an untransformed box stays as it is.
_box transformed(const _instance* at, long x1, long y1, long x2, long y2)
{
  if (!at)
    return {int(std::min(x1, x2)), int(std::min(y1, y2)), int(std::max(x1, x2)), int(std::max(y1, y2))};
  long ax, ay, bx, by;
  PointTrans(at->opcode, at->optimes, x1, y1, &ax, &ay);
  PointTrans(at->opcode, at->optimes, x2, y2, &bx, &by);
  return {int(std::min(ax, bx)), int(std::min(ay, by)), int(std::max(ax, bx)), int(std::max(ay, by))};
}

// The points of a wire or polygon under the call, with their bounding box;
// `owned` tells whether the caller must free the list.
const _points* transformedPoints(const _instance* at, const _points* in, long* count, _box* box,
                                 bool* owned)
{
  long x1, y1, x2, y2;
  if (at) {
    _points* out = PlistTrans(at->opcode, at->optimes, in, count, &x1, &y1, &x2, &y2);
    *box = {int(x1), int(y1), int(x2), int(y2)};
    *owned = true;
    return out;
  }
  *owned = false;
  *count = 0;
  *box = {0x3fffffff, 0x3fffffff, -0x3fffffff, -0x3fffffff};
  for (const _points* p = in; p; p = p->next) {
    ++*count;
    box->x1 = std::min(box->x1, p->x);
    box->y1 = std::min(box->y1, p->y);
    box->x2 = std::max(box->x2, p->x);
    box->y2 = std::max(box->y2, p->y);
  }
  return in;
}

void drawRectangles(_Gviewport* vp, const _instance* at, const _rects* rect, bool fill, long x1,
                    long y1, long x2, long y2)
{
  for (; rect; rect = rect->next) {
    if (!at) {
      if (!reaches(x1, y1, x2, y2, rect->x1, rect->y1, rect->x2, rect->y2))
        continue;
      if (fill)
        GLrectangle(vp, rect->x1, rect->y1, rect->x2, rect->y2, 1);
      else
        GGrectangle(vp, rect->x1, rect->y1, rect->x2, rect->y2, 0);
      continue;
    }
    _box b = transformed(at, rect->x1, rect->y1, rect->x2, rect->y2);
    if (!reaches(x1, y1, x2, y2, b.x1, b.y1, b.x2, b.y2))
      continue;
    if (fill)
      GLrectangle(vp, b.x1, b.y1, b.x2, b.y2, 1);
    else
      GGrectangle(vp, b.x1, b.y1, b.x2, b.y2, 0);
  }
}

void drawWires(_Gviewport* vp, const _instance* at, const _paths* path, bool fill, long x1,
               long y1, long x2, long y2)
{
  for (; path; path = path->next) {
    long count;
    _box b;
    bool owned;
    const _points* points = transformedPoints(at, path->points, &count, &b, &owned);
    long half = path->width / 2 + 1;
    if (count > 0 && reaches(x1, y1, x2, y2, b.x1 - half, b.y1 - half, b.x2 + half, b.y2 + half)) {
      if (fill)
        GLpath(vp, path->width, points, 1);
      else
        GGpath(vp, path->width, points, 0);
    }
    if (owned)
      GCfreePoints(const_cast<_points*>(points));
  }
}

void drawPolygons(_Gviewport* vp, const _instance* at, const _polys* poly, bool fill, long x1,
                  long y1, long x2, long y2)
{
  for (; poly; poly = poly->next) {
    long count;
    _box b;
    bool owned;
    const _points* points = transformedPoints(at, poly->points, &count, &b, &owned);
    if (count > 0 && reaches(x1, y1, x2, y2, b.x1, b.y1, b.x2, b.y2)) {
      if (fill)
        GLpoly(vp, points, count, 1);
      else
        GGpoly(vp, points, count, 0);
    }
    if (owned)
      GCfreePoints(const_cast<_points*>(points));
  }
}

void drawCircles(_Gviewport* vp, const _instance* at, const _circles* circle, bool fill, long x1,
                 long y1, long x2, long y2)
{
  for (; circle; circle = circle->next) {
    long x = circle->x, y = circle->y, r = circle->d / 2;
    if (at)
      PointTrans(at->opcode, at->optimes, circle->x, circle->y, &x, &y);
    if (!reaches(x1, y1, x2, y2, x - r, y - r, x + r, y + r))
      continue;
    if (fill)
      GLcircle(vp, x, y, r, 1);
    else
      GGcircle(vp, x, y, r, 0);
  }
}

// The outline of every called cell's frame, in colour-table entry 2.
void drawCallFrames(_Gviewport* vp, const _instance* at, const _layout* cell, long x1, long y1,
                    long x2, long y2, _layout* symbols)
{
  bool colored = false;
  for (const _instance* call = cell->instance; call; call = call->next) {
    const _layout* called = GfindLayout(call->cellname, symbols);
    if (!called || called->frame.x1 > called->frame.x2)
      continue;
    _box b = transformed(call, called->frame.x1, called->frame.y1, called->frame.x2, called->frame.y2);
    if (at)
      b = transformed(at, b.x1, b.y1, b.x2, b.y2);
    if (!reaches(x1, y1, x2, y2, b.x1, b.y1, b.x2, b.y2))
      continue;
    if (!colored) {
      GGsetColor(vp, kCallFrameColor);
      colored = true;
    }
    GGrectangle(vp, b.x1, b.y1, b.x2, b.y2, 0);
  }
}

// The first layer of the given priority that has a slot, or -1.
int layerOfPriority(int priority)
{
  for (int i = 0; i < GlayerNum; ++i)
    if (Glayers[i].priority == priority && Glayers[i].layer >= 0)
      return i;
  return -1;
}

_symbol* symbolOf(const _layout* cell, const _layerDef& layer)
{
  if (layer.layer < 0 || layer.layer >= kMaxLayers)
    return nullptr;
  return cell->symbol[layer.layer];
}

}  // namespace

/*
 * ACdispall --
 *   Fits the cell's frame into the viewport, clears it and draws the cell
 *   over the whole visible area.  A cell without geometry only clears.
 */
void ACdispall(_Gviewport* vp, _layout* cell, _layout* symbols)
{
  if (!vp || !cell)
    return;
  const _box& f = cell->frame;
  if (f.x1 <= f.x2 && f.y1 <= f.y2)
    GCinstallVpC(vp, f.x1, f.y1, long(f.x2) - f.x1, long(f.y2) - f.y1);
  GGclear(vp);
  _box area = view::visibleBox(vp);
  ACdispArea(vp, cell, area.x1, area.y1, area.x2, area.y2, symbols);
  if (vp->surface)
    vp->surface->flush();
}

/*
 * ACdispArea --
 *   Draws the shown layers of the cell inside the world box, lowest
 *   priority first, each in its own colour.
 */
void ACdispArea(_Gviewport* vp, _layout* cell, long x1, long y1, long x2, long y2,
                _layout* symbols)
{
  if (!vp || !vp->surface || !cell)
    return;
  for (int p = 0; p < GlayerNum; ++p) {
    int i = layerOfPriority(p);
    if (i < 0 || Glayers[i].showswitch != 1)
      continue;
    GLsetGC(&Glayers[i]);
    GGsetColor(vp, GCgetNamedColorName(Glayers[i].color));
    ACdisplayer(vp, nullptr, cell, i, x1, y1, x2, y2, symbols);
  }
}

void ACdisplayer(_Gviewport* vp, _instance* at, _layout* cell, int layerIndex, long x1, long y1,
                 long x2, long y2, _layout* symbols)
{
  if (!vp || !cell || layerIndex < 0 || layerIndex >= GlayerNum)
    return;
  _layerDef& layer = Glayers[layerIndex];
  GLsetGC(&layer);
  bool fill = layer.fillmode != 0;
  if (const _symbol* symbol = symbolOf(cell, layer)) {
    drawRectangles(vp, at, symbol->rect, fill, x1, y1, x2, y2);
    drawWires(vp, at, symbol->path, fill, x1, y1, x2, y2);
    drawPolygons(vp, at, symbol->poly, fill, x1, y1, x2, y2);
    drawCircles(vp, at, symbol->circle, fill, x1, y1, x2, y2);
  }
  drawCallFrames(vp, at, cell, x1, y1, x2, y2, symbols);
}

void LabelDisplay(_Gviewport* vp, _layout* cell, int color, long x1, long y1, long x2, long y2)
{
  if (!vp || !cell)
    return;
  GGsetColor(vp, color);
  for (int i = 0; i < GlayerNum; ++i) {
    if (Glayers[i].showswitch != 1)
      continue;
    const _symbol* symbol = symbolOf(cell, Glayers[i]);
    for (const _labels* label = symbol ? symbol->label : nullptr; label; label = label->next)
      if (label->x >= x1 && label->x <= x2 && label->y >= y1 && label->y <= y2)
        GGstring(vp, label->x, label->y, label->label);
  }
}
