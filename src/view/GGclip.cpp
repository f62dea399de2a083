// Clipping of lines and polygons to the surface.
#include "GGclip.h"

namespace {

constexpr double kClipMargin = 64;  // pixels beyond each side of the surface

// Liang-Barsky step for one boundary; false when the segment lies outside.
bool clipStep(double p, double q, double* t0, double* t1)
{
  if (p == 0)
    return q >= 0;
  double r = q / p;
  if (p < 0) {
    if (r > *t1)
      return false;
    if (r > *t0)
      *t0 = r;
  } else {
    if (r < *t0)
      return false;
    if (r < *t1)
      *t1 = r;
  }
  return true;
}

// Which side of one clip edge a point is on, and where an edge crosses it.
struct Edge {
  int axis;      // 0 x, 1 y
  double value;
  bool keepAbove;
  bool inside(const view::DoublePoint& p) const
  {
    double v = axis == 0 ? p.x : p.y;
    return keepAbove ? v >= value : v <= value;
  }
  view::DoublePoint cross(const view::DoublePoint& a, const view::DoublePoint& b) const
  {
    double t = axis == 0 ? (value - a.x) / (b.x - a.x) : (value - a.y) / (b.y - a.y);
    return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
  }
};

}  // namespace

namespace view {

ClipBox clipBoxOf(const Surface& surface)
{
  return {-kClipMargin, -kClipMargin, surface.width() + kClipMargin,
          surface.height() + kClipMargin};
}

bool clipLine(const ClipBox& box, double* x1, double* y1, double* x2, double* y2)
{
  double dx = *x2 - *x1, dy = *y2 - *y1;
  double t0 = 0, t1 = 1;
  if (!clipStep(-dx, *x1 - box.x1, &t0, &t1) || !clipStep(dx, box.x2 - *x1, &t0, &t1) ||
      !clipStep(-dy, *y1 - box.y1, &t0, &t1) || !clipStep(dy, box.y2 - *y1, &t0, &t1))
    return false;
  double ax = *x1, ay = *y1;
  *x1 = ax + t0 * dx;
  *y1 = ay + t0 * dy;
  *x2 = ax + t1 * dx;
  *y2 = ay + t1 * dy;
  return true;
}

void clipPolygon(const ClipBox& box, std::vector<DoublePoint>* points)
{
  const Edge edges[] = {{0, box.x1, true}, {0, box.x2, false}, {1, box.y1, true}, {1, box.y2, false}};
  std::vector<DoublePoint> out;
  for (const Edge& edge : edges) {
    if (points->empty())
      return;
    out.clear();
    DoublePoint previous = points->back();
    for (const DoublePoint& current : *points) {
      bool in = edge.inside(current);
      if (in != edge.inside(previous))
        out.push_back(edge.cross(previous, current));
      if (in)
        out.push_back(current);
      previous = current;
    }
    points->swap(out);
  }
}

}  // namespace view
