// Wire outlines: the polygon around a centre line of a given width, with
// square ends and mitred corners.
#include "Dlayout.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "Dglobal.h"

namespace {

constexpr int kModule = 0;            // message module of the layout database
constexpr size_t kMaxPathPoints = 513;  // points of one centre line

struct Vec {
  double x;
  double y;
};

Vec operator+(Vec p, Vec q) { return {p.x + q.x, p.y + q.y}; }
Vec operator-(Vec p, Vec q) { return {p.x - q.x, p.y - q.y}; }
Vec operator*(double t, Vec p) { return {t * p.x, t * p.y}; }

// Removes every point equal to its predecessor.
void cutPoints(_points* points)
{
  for (_points* p = points; p && p->next;) {
    _points* q = p->next;
    if (q->x == p->x && q->y == p->y) {
      p->next = q->next;
      common::release(q);
    } else {
      p = q;
    }
  }
}

// The centre line, its corners on either side and the half width.
class Outline {
 public:
  Outline(const std::vector<Vec>& centre, double half) : p_(centre), h_(half) {}

  // Appends L0..Lk, Rk..R0 of the run of points first..last to `coords`.
  void run(size_t first, size_t last, std::vector<double>* coords) const;

 private:
  // Left normal of the segment from point i to point i + 1.
  Vec normal(size_t i) const { return {p_[i].y - p_[i + 1].y, p_[i + 1].x - p_[i].x}; }
  double length(Vec n) const { return std::sqrt(n.x * n.x + n.y * n.y); }
  // Right-hand side of the left offset line n . X = n . P + h |n| of segment i.
  double offset(size_t i) const
  {
    Vec n = normal(i);
    return n.x * p_[i].x + n.y * p_[i].y + h_ * length(n);
  }
  // Corner of an end: `end` moved away from `towards` by h, and the left
  // corner where segment `seg`'s offset line meets the perpendicular there.
  void endCorner(size_t end, size_t towards, size_t seg, Vec* e, Vec* left) const;
  Vec interior(size_t i) const;

  const std::vector<Vec>& p_;
  double h_;
};

void Outline::endCorner(size_t end, size_t towards, size_t seg, Vec* e, Vec* left) const
{
  // E = (P - t Q) / (1 - t) with t = h / (h + |P - Q|), written so that an
  // axis-parallel segment gives E exactly.
  Vec d = p_[end] - p_[towards];
  *e = p_[end] + (h_ / length(d)) * d;
  Vec n = normal(seg);
  if (!inter_point(n.x, n.y, offset(seg), -n.y, n.x, -n.y * e->x + n.x * e->y, &left->x,
                   &left->y))
    *left = *e;  // not reached: the two lines are perpendicular
}

// Left corner at interior point i: where the offset lines of the segments
// before and after it meet.  When they are parallel (the point lies on the
// straight line through its neighbours) the corner is the point moved
// sideways by h, which keeps the straight outline.
Vec Outline::interior(size_t i) const
{
  Vec n1 = normal(i - 1);
  Vec n2 = normal(i);
  Vec corner;
  if (inter_point(n1.x, n1.y, offset(i - 1), n2.x, n2.y, offset(i), &corner.x, &corner.y))
    return corner;
  double len = length(n2);
  return p_[i] + (h_ / len) * n2;
}

void Outline::run(size_t first, size_t last, std::vector<double>* coords) const
{
  std::vector<Vec> left;
  std::vector<Vec> right;
  Vec e, l;
  endCorner(first, first + 1, first, &e, &l);
  left.push_back(l);
  right.push_back(2 * e - l);
  for (size_t i = first + 1; i < last; ++i) {
    Vec c = interior(i);
    left.push_back(c);
    right.push_back(2 * p_[i] - c);
  }
  endCorner(last, last - 1, last - 1, &e, &l);
  left.push_back(l);
  right.push_back(2 * e - l);
  for (const Vec& v : left) {
    coords->push_back(v.x);
    coords->push_back(v.y);
  }
  for (size_t i = right.size(); i-- > 0;) {
    coords->push_back(right[i].x);
    coords->push_back(right[i].y);
  }
}

// The wire turns back on itself at point i (its two segments are parallel
// and point in opposite directions).  Exact on integer coordinates.
bool turnsBack(const std::vector<_points*>& pts, size_t i)
{
  int64_t ax = int64_t(pts[i]->x) - pts[i - 1]->x, ay = int64_t(pts[i]->y) - pts[i - 1]->y;
  int64_t bx = int64_t(pts[i + 1]->x) - pts[i]->x, by = int64_t(pts[i + 1]->y) - pts[i]->y;
  return ax * by - ay * bx == 0 && ax * bx + ay * by < 0;
}

// Corners that are integers up to rounding error become those integers, so
// that truncation does not move them by one unit.
void snap(std::vector<double>* coords)
{
  for (double& v : *coords) {
    double nearest = std::round(v);
    if (std::fabs(v - nearest) < 1e-6)
      v = nearest;
  }
}

bool inRange(const std::vector<double>& coords)
{
  for (double v : coords)
    if (!(std::fabs(v) <= kMaxCoordinate))
      return false;
  return true;
}

}  // namespace

int inter_point(double a1, double b1, double c1, double a2, double b2, double c2, double* x,
                double* y)
{
  double det = a1 * b2 - a2 * b1;
  if (det == 0)
    return 0;
  *x = (c1 * b2 - c2 * b1) / det;
  *y = (a1 * c2 - a2 * c1) / det;
  return 1;
}

/*
 * pathtopoly --
 *   Makes a polygon of the n / 2 points (x, y) of `coords`, each truncated
 *   toward zero (values beyond the coordinate range are clamped to it), each
 *   put at the front of the point list.
 */
_polys* pathtopoly(const double* coords, long n)
{
  if (n <= 0)
    return nullptr;
  auto toInt = [](double v) {
    if (!(v >= -kMaxCoordinate))
      return v > 0 ? kMaxCoordinate : -kMaxCoordinate;  // NaN goes to the low end
    return v > kMaxCoordinate ? kMaxCoordinate : static_cast<int>(v);
  };
  _polys* poly = common::make<_polys>();
  for (long i = 0; i + 1 < n; i += 2) {
    _points* p = common::make<_points>();
    p->x = toInt(coords[i]);
    p->y = toInt(coords[i + 1]);
    p->next = poly->points;
    poly->points = p;
  }
  return poly;
}

/*
 * GCpath2poly --
 *   Builds the outline of a wire of width `width` along `points`.
 * Returns: a list of polygons (one, unless the wire turns back on itself)
 *   or null (no points, width below 1, too many points, out of range).
 * Side effects: removes repeated points from `points`; reports "Too many
 *   points in a path" and "Wire outline out of range" (kind E).
 */
_polys* GCpath2poly(_points* points, long width)
{
  if (!points || width < 1)
    return nullptr;
  cutPoints(points);
  std::vector<_points*> pts;
  for (_points* p = points; p; p = p->next) {
    if (pts.size() == kMaxPathPoints) {
      GCmessage(kModule, 'E', "Too many points in a path");
      return nullptr;
    }
    pts.push_back(p);
  }
  long h = width / 2;
  std::vector<Vec> centre;
  for (_points* p : pts)
    centre.push_back({double(p->x), double(p->y)});

  std::vector<std::vector<double>> outlines;
  if (pts.size() == 1) {
    double x = centre[0].x, y = centre[0].y;
    outlines.push_back({x - h, y - h, x - h, y + h, x + h, y + h, x + h, y - h});
  } else {
    Outline outline(centre, double(h));
    size_t first = 0;
    for (size_t i = 1; i + 1 < pts.size(); ++i) {
      if (!turnsBack(pts, i))
        continue;
      outlines.emplace_back();
      outline.run(first, i, &outlines.back());
      first = i;
    }
    outlines.emplace_back();
    outline.run(first, pts.size() - 1, &outlines.back());
  }
  for (std::vector<double>& coords : outlines) {
    snap(&coords);
    if (!inRange(coords)) {
      GCmessage(kModule, 'E', "Wire outline out of range");
      return nullptr;
    }
  }
  _polys* result = nullptr;
  for (size_t i = outlines.size(); i-- > 0;) {
    _polys* poly = pathtopoly(outlines[i].data(), static_cast<long>(outlines[i].size()));
    poly->next = result;
    result = poly;
  }
  return result;
}
