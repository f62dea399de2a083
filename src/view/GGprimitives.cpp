// The drawing primitives: world geometry converted to pixels, reduced to
// a point or a line where it is too small to show, clipped to the surface
// and drawn in the viewport's style, its exclusive-or twin or a layer's
// style.
#include "Dview.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "DTtechnology.h"
#include "Dglobal.h"
#include "GGclip.h"
#include "GVstate.h"

namespace {

constexpr int kModule = 1;
constexpr long kPointSize = 2;          // pixels: shapes no larger are drawn as a point
constexpr double kSafeCoordinate = 30000;  // pixels: beyond this X coordinates overflow
constexpr double kHugeRadius = 16000;   // pixels: larger circles become polygons
constexpr int kCircleSteps = 720;       // polygon points of a full huge circle
constexpr int kFullCircle = 360 * 64;   // in 64ths of a degree
constexpr size_t kMaxPathPoints = 512;  // centre-line points of one wire

// What a primitive draws with.
struct Pen {
  unsigned long pixel;
  const techc::Bitmap* stipple;
  int lineWidth;
  bool xorMode;
};

Pen viewportPen(const _Gviewport* vp, bool xorMode) { return {vp->color, nullptr, vp->lineWidth, xorMode}; }

// The layer style, with the colour looked up once per layer.
Pen layerPen(const _layerDef* layer)
{
  view::State& state = view::state();
  if (state.styleLayer != layer || strcmp(state.styleColor, layer->color) != 0) {
    state.styleLayer = layer;
    snprintf(state.styleColor, sizeof state.styleColor, "%s", layer->color);
    state.stylePixel = GCgetNamedColor(layer->color);
  }
  return {state.stylePixel, layer->fillmode ? layer->pixmap : nullptr, 0, false};
}

void apply(view::Surface& s, const Pen& pen)
{
  s.setXor(pen.xorMode);
  s.setStipple(pen.stipple);
  s.setColor(pen.pixel);
  s.setLineWidth(pen.lineWidth);
}

bool onSurface(const view::Surface& s, long x, long y)
{
  return x >= 0 && y >= 0 && x < s.width() && y < s.height();
}

void drawPoint(view::Surface& s, long x, long y)
{
  if (onSurface(s, x, y))
    s.point(static_cast<int>(x), static_cast<int>(y));
}

void drawLine(view::Surface& s, double x1, double y1, double x2, double y2)
{
  if (!view::clipLine(view::clipBoxOf(s), &x1, &y1, &x2, &y2))
    return;
  s.line(static_cast<int>(std::lround(x1)), static_cast<int>(std::lround(y1)),
         static_cast<int>(std::lround(x2)), static_cast<int>(std::lround(y2)));
}

void pixelOf(_Gviewport* vp, long x, long y, long* px, long* py) { GCwtov(vp, x, y, px, py); }

/*
 * drawRectangle --
 *   Both corners to pixels; a rectangle of at most 2 pixels each way is a
 *   point, a flat one the line between its corners; otherwise filled
 *   (w + 1) x (h + 1) pixels, or outlined w x h.
 */
void drawRectangle(_Gviewport* vp, const Pen& pen, long x1, long y1, long x2, long y2, bool fill)
{
  if (!vp || !vp->surface)
    return;
  view::Surface& s = *vp->surface;
  long ax, ay, bx, by;
  pixelOf(vp, x1, y1, &ax, &ay);
  pixelOf(vp, x2, y2, &bx, &by);
  long left = std::min(ax, bx), top = std::min(ay, by);
  long right = std::max(ax, bx), bottom = std::max(ay, by);
  if (right < 0 || bottom < 0 || left >= s.width() || top >= s.height())
    return;
  apply(s, pen);
  long w = right - left, h = bottom - top;
  if (std::max(w, h) <= kPointSize) {
    drawPoint(s, left, top);
    return;
  }
  if (w == 0 || h == 0) {
    drawLine(s, ax, ay, bx, by);
    return;
  }
  view::ClipBox box = view::clipBoxOf(s);
  long cl = std::max(left, static_cast<long>(box.x1));
  long ct = std::max(top, static_cast<long>(box.y1));
  long cr = std::min(right, static_cast<long>(box.x2));
  long cb = std::min(bottom, static_cast<long>(box.y2));
  if (fill)
    s.rectangle(int(cl), int(ct), int(cr - cl + 1), int(cb - ct + 1), true);
  else
    s.rectangle(int(cl), int(ct), int(cr - cl), int(cb - ct), false);
}

std::vector<view::DoublePoint>& scratchPoints() { return view::state().points; }
std::vector<view::PixelPoint>& scratchPixels() { return view::state().pixels; }

// Draws pixel points as a polygon, clipped when they reach far outside.
void drawPixelPolygon(view::Surface& s, std::vector<view::DoublePoint>& points, bool fill)
{
  if (points.empty())
    return;
  double x1 = points[0].x, x2 = x1, y1 = points[0].y, y2 = y1;
  for (const view::DoublePoint& p : points) {
    x1 = std::min(x1, p.x);
    x2 = std::max(x2, p.x);
    y1 = std::min(y1, p.y);
    y2 = std::max(y2, p.y);
  }
  if (x2 < 0 || y2 < 0 || x1 >= s.width() || y1 >= s.height())
    return;
  if (x1 < -kSafeCoordinate || y1 < -kSafeCoordinate || x2 > kSafeCoordinate ||
      y2 > kSafeCoordinate)
    view::clipPolygon(view::clipBoxOf(s), &points);
  std::vector<view::PixelPoint>& pixels = scratchPixels();
  pixels.clear();
  for (const view::DoublePoint& p : points)
    pixels.push_back({static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))});
  if (pixels.size() >= 2)
    s.polygon(pixels, fill);
}

void drawPolygon(_Gviewport* vp, const Pen& pen, const _points* list, long n, bool fill)
{
  if (!vp || !vp->surface)
    return;
  std::vector<view::DoublePoint>& points = scratchPoints();
  points.clear();
  for (long i = 0; list && i < n; ++i, list = list->next) {
    long px, py;
    pixelOf(vp, list->x, list->y, &px, &py);
    points.push_back({double(px), double(py)});
  }
  apply(*vp->surface, pen);
  drawPixelPolygon(*vp->surface, points, fill);
}

// A huge arc as a polygon (filled: a pie slice) or a chain of lines.
void drawHugeArc(view::Surface& s, double cx, double cy, double r, int angle1, int angle2, bool fill)
{
  std::vector<view::DoublePoint>& points = scratchPoints();
  points.clear();
  bool full = std::abs(angle2) >= kFullCircle;
  int steps = std::max(2, int(std::abs(double(angle2)) / kFullCircle * kCircleSteps));
  for (int i = 0; i <= steps; ++i) {
    double a = (angle1 + double(angle2) * i / steps) / 64.0 * M_PI / 180.0;
    points.push_back({cx + r * std::cos(a), cy - r * std::sin(a)});
  }
  if (fill || full) {
    if (fill && !full)
      points.push_back({cx, cy});
    drawPixelPolygon(s, points, fill);
    return;
  }
  std::vector<view::DoublePoint> chain(points);
  for (size_t i = 1; i < chain.size(); ++i)
    drawLine(s, chain[i - 1].x, chain[i - 1].y, chain[i].x, chain[i].y);
}

void drawArc(_Gviewport* vp, const Pen& pen, long x, long y, long r, int angle1, int angle2, bool fill)
{
  if (!vp || !vp->surface)
    return;
  view::Surface& s = *vp->surface;
  long cx, cy;
  pixelOf(vp, x, y, &cx, &cy);
  double rp = std::fabs(r / double(vp->scale));
  if (cx + rp < 0 || cy + rp < 0 || cx - rp >= s.width() || cy - rp >= s.height())
    return;
  apply(s, pen);
  if (static_cast<long>(rp) <= kPointSize) {
    drawPoint(s, cx, cy);
    return;
  }
  if (rp > kHugeRadius) {
    drawHugeArc(s, cx, cy, rp, angle1, angle2, fill);
    return;
  }
  int d = static_cast<int>(2 * rp);
  s.arc(static_cast<int>(cx - rp), static_cast<int>(cy - rp), d, d, angle1, angle2, fill);
}

void drawLineWorld(_Gviewport* vp, const Pen& pen, long x1, long y1, long x2, long y2)
{
  if (!vp || !vp->surface)
    return;
  long ax, ay, bx, by;
  pixelOf(vp, x1, y1, &ax, &ay);
  pixelOf(vp, x2, y2, &bx, &by);
  apply(*vp->surface, pen);
  drawLine(*vp->surface, ax, ay, bx, by);
}

void drawSegments(_Gviewport* vp, const Pen& pen, const _points* points)
{
  for (; points && points->next; points = points->next->next)
    drawLineWorld(vp, pen, points->x, points->y, points->next->x, points->next->y);
}

void drawString(_Gviewport* vp, const Pen& pen, long x, long y, const char* text)
{
  if (!vp || !vp->surface || !text)
    return;
  long px, py;
  pixelOf(vp, x, y, &px, &py);
  if (std::labs(px) > kSafeCoordinate || std::labs(py) > kSafeCoordinate)
    return;
  apply(*vp->surface, pen);
  vp->surface->string(static_cast<int>(px), static_cast<int>(py), text);
}

// Intersection of the lines a1 x + b1 y = c1 and a2 x + b2 y = c2.
bool intersect(double a1, double b1, double c1, double a2, double b2, double c2, view::DoublePoint* p)
{
  double det = a1 * b2 - a2 * b1;
  if (std::fabs(det) < 1e-12)
    return false;
  p->x = (c1 * b2 - c2 * b1) / det;
  p->y = (a1 * c2 - a2 * c1) / det;
  return true;
}

/*
 * widenPath --
 *   The outline of a wire of width `width` along the centre line, with
 *   square ends reaching width / 2 beyond the end points and mitred
 *   corners, in world coordinates.
 * Returns: false when the centre line is empty or too long.
 */
bool widenPath(long width, const _points* list, std::vector<view::DoublePoint>* outline)
{
  std::vector<view::DoublePoint> c;
  for (; list; list = list->next) {
    if (!c.empty() && c.back().x == list->x && c.back().y == list->y)
      continue;
    c.push_back({double(list->x), double(list->y)});
  }
  if (c.empty() || width < 1)
    return false;
  if (c.size() > kMaxPathPoints) {
    GCmessage(kModule, 'E', "Too many path points");
    return false;
  }
  double h = width / 2;
  outline->clear();
  if (c.size() == 1) {
    *outline = {{c[0].x - h, c[0].y - h}, {c[0].x - h, c[0].y + h},
                {c[0].x + h, c[0].y + h}, {c[0].x + h, c[0].y - h}};
    return true;
  }
  size_t k = c.size() - 1;
  // Unit left normal of segment i (from c[i] to c[i + 1]).
  auto normal = [&](size_t i) {
    double nx = c[i].y - c[i + 1].y, ny = c[i + 1].x - c[i].x;
    double len = std::hypot(nx, ny);
    return view::DoublePoint{nx / len, ny / len};
  };
  std::vector<view::DoublePoint> left(c.size()), right(c.size());
  auto endCap = [&](size_t at, size_t towards, size_t segment) {
    double dx = c[at].x - c[towards].x, dy = c[at].y - c[towards].y;
    double len = std::hypot(dx, dy);
    view::DoublePoint e{c[at].x + dx / len * h, c[at].y + dy / len * h};
    view::DoublePoint n = normal(segment);
    left[at] = {e.x + n.x * h, e.y + n.y * h};
    right[at] = {2 * e.x - left[at].x, 2 * e.y - left[at].y};
  };
  endCap(0, 1, 0);
  endCap(k, k - 1, k - 1);
  for (size_t i = 1; i < k; ++i) {
    view::DoublePoint a = normal(i - 1), b = normal(i);
    double ca = a.x * c[i].x + a.y * c[i].y + h;
    double cb = b.x * c[i].x + b.y * c[i].y + h;
    if (!intersect(a.x, a.y, ca, b.x, b.y, cb, &left[i]))
      left[i] = {c[i].x + a.x * h, c[i].y + a.y * h};
    right[i] = {2 * c[i].x - left[i].x, 2 * c[i].y - left[i].y};
  }
  outline->assign(left.begin(), left.end());
  outline->insert(outline->end(), right.rbegin(), right.rend());
  return true;
}

void drawPath(_Gviewport* vp, const Pen& pen, long width, const _points* list, bool fill)
{
  if (!vp || !vp->surface)
    return;
  std::vector<view::DoublePoint> outline;
  if (!widenPath(width, list, &outline))
    return;
  std::vector<view::DoublePoint>& points = scratchPoints();
  points.clear();
  for (const view::DoublePoint& p : outline) {
    long px, py;
    pixelOf(vp, static_cast<long>(p.x), static_cast<long>(p.y), &px, &py);
    points.push_back({double(px), double(py)});
  }
  apply(*vp->surface, pen);
  drawPixelPolygon(*vp->surface, points, fill);
}

bool currentLayerPen(Pen* pen)
{
  if (!view::state().layer)
    return false;
  *pen = layerPen(view::state().layer);
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// The viewport's style.
// ---------------------------------------------------------------------------
void GGrectangle(_Gviewport* vp, long x1, long y1, long x2, long y2, int fill)
{
  if (vp)
    drawRectangle(vp, viewportPen(vp, false), x1, y1, x2, y2, fill != 0);
}
void GGcircle(_Gviewport* vp, long x, long y, long r, int fill)
{
  if (vp)
    drawArc(vp, viewportPen(vp, false), x, y, r, 0, kFullCircle, fill != 0);
}
void GGarc(_Gviewport* vp, long x, long y, long r, int angle1, int angle2, int fill)
{
  if (vp)
    drawArc(vp, viewportPen(vp, false), x, y, r, angle1, angle2, fill != 0);
}
void GGpoly(_Gviewport* vp, const _points* points, long n, int fill)
{
  if (vp)
    drawPolygon(vp, viewportPen(vp, false), points, n, fill != 0);
}
void GGpath(_Gviewport* vp, long width, const _points* points, int fill)
{
  if (vp)
    drawPath(vp, viewportPen(vp, false), width, points, fill != 0);
}
void GGline(_Gviewport* vp, long x1, long y1, long x2, long y2)
{
  if (vp)
    drawLineWorld(vp, viewportPen(vp, false), x1, y1, x2, y2);
}
void GGsegment(_Gviewport* vp, const _points* points)
{
  if (vp)
    drawSegments(vp, viewportPen(vp, false), points);
}
void GGstring(_Gviewport* vp, long x, long y, const char* text)
{
  if (vp)
    drawString(vp, viewportPen(vp, false), x, y, text);
}

void GGclear(_Gviewport* vp)
{
  if (vp && vp->surface)
    vp->surface->clear();
}

void GGareaCopy(_Gviewport* vp, long x1, long y1, long x2, long y2, long tx, long ty)
{
  if (!vp || !vp->surface)
    return;
  long ax, ay, bx, by, cx, cy;
  GCwtov(vp, std::min(x1, x2), std::max(y1, y2), &ax, &ay);
  GCwtov(vp, std::max(x1, x2), std::min(y1, y2), &bx, &by);
  GCwtov(vp, tx, ty + std::labs(y2 - y1), &cx, &cy);
  view::Surface& s = *vp->surface;
  auto inRange = [](long v) { return std::labs(v) < kSafeCoordinate; };
  if (!inRange(ax) || !inRange(ay) || !inRange(bx) || !inRange(by) || !inRange(cx) || !inRange(cy))
    return;
  s.copyArea(int(ax), int(ay), int(bx - ax), int(by - ay), int(cx), int(cy));
}

// ---------------------------------------------------------------------------
// Exclusive-or twins.
// ---------------------------------------------------------------------------
void GGxrectangle(_Gviewport* vp, long x1, long y1, long x2, long y2, int fill)
{
  if (vp)
    drawRectangle(vp, viewportPen(vp, true), x1, y1, x2, y2, fill != 0);
}
void GGxcircle(_Gviewport* vp, long x, long y, long r, int fill)
{
  if (vp)
    drawArc(vp, viewportPen(vp, true), x, y, r, 0, kFullCircle, fill != 0);
}
void GGxarc(_Gviewport* vp, long x, long y, long r, int angle1, int angle2, int fill)
{
  if (vp)
    drawArc(vp, viewportPen(vp, true), x, y, r, angle1, angle2, fill != 0);
}
void GGxpoly(_Gviewport* vp, const _points* points, long n, int fill)
{
  if (vp)
    drawPolygon(vp, viewportPen(vp, true), points, n, fill != 0);
}
void GGxline(_Gviewport* vp, long x1, long y1, long x2, long y2)
{
  if (vp)
    drawLineWorld(vp, viewportPen(vp, true), x1, y1, x2, y2);
}
void GGxsegment(_Gviewport* vp, const _points* points)
{
  if (vp)
    drawSegments(vp, viewportPen(vp, true), points);
}
void GGxstring(_Gviewport* vp, long x, long y, const char* text)
{
  if (vp)
    drawString(vp, viewportPen(vp, true), x, y, text);
}

// ---------------------------------------------------------------------------
// The layer style.
// ---------------------------------------------------------------------------
void GLsetGC(_layerDef* layer) { view::state().layer = layer; }

void GLrectangle(_Gviewport* vp, long x1, long y1, long x2, long y2, int fill)
{
  Pen pen;
  if (currentLayerPen(&pen))
    drawRectangle(vp, pen, x1, y1, x2, y2, fill != 0);
}
void GLpoly(_Gviewport* vp, const _points* points, long n, int fill)
{
  Pen pen;
  if (currentLayerPen(&pen))
    drawPolygon(vp, pen, points, n, fill != 0);
}
void GLcircle(_Gviewport* vp, long x, long y, long r, int fill)
{
  Pen pen;
  if (currentLayerPen(&pen))
    drawArc(vp, pen, x, y, r, 0, kFullCircle, fill != 0);
}
void GLpath(_Gviewport* vp, long width, const _points* points, int fill)
{
  Pen pen;
  if (currentLayerPen(&pen))
    drawPath(vp, pen, width, points, fill != 0);
}

namespace view {

void layerBox(_Gviewport* vp, _layerDef* layer, long x1, long y1, long x2, long y2)
{
  if (!vp || !layer)
    return;
  Pen pen = layerPen(layer);
  if (!layer->fillmode)
    pen.stipple = nullptr;
  drawRectangle(vp, pen, x1, y1, x2, y2, layer->fillmode != 0);
}

const techc::Bitmap& hatchPattern()
{
  static const techc::Bitmap hatch = [] {
    constexpr int kSide = 8;  // pixels of the pattern
    techc::Bitmap b;
    b.width = b.height = kSide;
    for (int y = 0; y < kSide; ++y)
      b.bits.push_back(static_cast<unsigned char>(1u << (kSide - 1 - y)));
    return b;
  }();
  return hatch;
}

void hatchBox(_Gviewport* vp, long x1, long y1, long x2, long y2)
{
  if (!vp)
    return;
  Pen pen = viewportPen(vp, false);
  pen.stipple = &hatchPattern();
  drawRectangle(vp, pen, x1, y1, x2, y2, true);
}

void undefineCursor()
{
  if (Vmain->surface)
    Vmain->surface->defineCursor(nullptr, nullptr, nullptr);
}

}  // namespace view

// ---------------------------------------------------------------------------
// Settings.
// ---------------------------------------------------------------------------
void GGsetColor(_Gviewport* vp, int index)
{
  const _GWorkStation& station = GCworkStation[GCstationId];
  if (!vp || index < 0 || index >= station.ncolor)
    return;
  vp->color = station.color[index].pixel;
}

void GGsetLineWidth(_Gviewport* vp, long width)
{
  if (vp)
    vp->lineWidth = static_cast<int>(std::clamp(width, 0L, 1000L));
}

void GGsetFont(_Gviewport* vp, const char* name)
{
  if (vp && vp->surface && name)
    vp->surface->setFont(name);
}

/*
 * GGdefineCursor --
 *   Makes the pointer cursor of the main window from the bitmap file
 *   IconPath + `bitmap`, drawn in the colours `fg` and `bg`.
 */
void GGdefineCursor(const char* bitmap, const char* fg, const char* bg)
{
  std::string path = common::sysrcFile("IconPath") + bitmap;
  techc::Bitmap shape;
  if (!techc::readBitmap(path.c_str(), &shape)) {
    GCmessage(kModule, 'E', "No busy cursor bitmap file");
    return;
  }
  if (Vmain->surface)
    Vmain->surface->defineCursor(&shape, fg, bg);
}

void GGcutPoints(_points* points)
{
  while (points && points->next) {
    _points* next = points->next;
    if (next->x == points->x && next->y == points->y) {
      points->next = next->next;
      common::release(next);
    } else {
      points = next;
    }
  }
}
