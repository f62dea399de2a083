#include "DisplayList.h"

#include <algorithm>
#include <cmath>

namespace batch {

namespace {

constexpr size_t kXorLookBack = 256;  // primitives searched for the twin of an xor primitive

// Where a pixel's left or top edge lands on the target.
int edge(double v, double scale, int origin) { return origin + static_cast<int>(std::lround(v * scale)); }

// Where a pixel's centre lands on the target (lines and outlines).
int centre(double v, double scale, int origin)
{
  return origin + static_cast<int>(std::lround((v + 0.5) * scale - 0.5));
}

}  // namespace

bool DisplayList::Op::operator==(const Op& o) const
{
  return kind == o.kind && fill == o.fill && pen == o.pen && std::equal(v, v + 6, o.v) &&
         count == o.count;
}

/*
 * add --
 *   Keeps one primitive.  An exclusive-or primitive drawn again over its
 *   twin erases it, as on a window, so both are dropped.
 */
unsigned DisplayList::penIndex()
{
  for (size_t i = pens_.size(); i-- > 0;)
    if (pens_[i] == pen_)
      return static_cast<unsigned>(i);
  pens_.push_back(pen_);
  return static_cast<unsigned>(pens_.size() - 1);
}

void DisplayList::add(Kind kind, bool fill, const int (&v)[6], size_t extra, size_t count)
{
  Op op{kind, fill, penIndex(), {v[0], v[1], v[2], v[3], v[4], v[5]}, static_cast<unsigned>(extra),
        static_cast<unsigned>(count)};
  if (pen_.xorMode) {
    size_t stop = ops_.size() > kXorLookBack ? ops_.size() - kXorLookBack : 0;
    for (size_t i = ops_.size(); i-- > stop;) {
      const Op& old = ops_[i];
      if (!(old == op))
        continue;
      bool same = true;
      if (op.kind == Kind::Polygon)
        for (size_t k = 0; k < op.count && same; ++k)
          same = points_[old.extra + k].x == points_[op.extra + k].x &&
                 points_[old.extra + k].y == points_[op.extra + k].y;
      if (op.kind == Kind::Text)
        same = texts_[old.extra] == texts_[op.extra];
      if (!same)
        continue;
      ops_.erase(ops_.begin() + static_cast<long>(i));
      return;
    }
  } else if (op.kind != Kind::Polygon && op.kind != Kind::Text && op.kind != Kind::Copy &&
             !ops_.empty() && ops_.back() == op) {
    return;  // the same pixels again (shapes too small for the view)
  }
  ops_.push_back(op);
}

void DisplayList::point(int x, int y) { add(Kind::Point, true, {x, y, 0, 0, 0, 0}); }

void DisplayList::line(int x1, int y1, int x2, int y2) { add(Kind::Line, false, {x1, y1, x2, y2, 0, 0}); }

void DisplayList::rectangle(int x, int y, int w, int h, bool fill)
{
  add(Kind::Rectangle, fill, {x, y, w, h, 0, 0});
}

void DisplayList::arc(int x, int y, int w, int h, int angle1, int angle2, bool fill)
{
  add(Kind::Arc, fill, {x, y, w, h, angle1, angle2});
}

void DisplayList::polygon(const std::vector<view::PixelPoint>& points, bool fill)
{
  if (points.empty())
    return;
  size_t first = points_.size();
  points_.insert(points_.end(), points.begin(), points.end());
  add(Kind::Polygon, fill, {0, 0, 0, 0, 0, 0}, first, points.size());
  // An erased xor polygon leaves its points behind until the next clear.
  if (pen_.xorMode && (ops_.empty() || ops_.back().extra != first || ops_.back().kind != Kind::Polygon))
    points_.resize(first);
}

void DisplayList::string(int x, int y, const char* text)
{
  texts_.emplace_back(text ? text : "");
  add(Kind::Text, false, {x, y, 0, 0, 0, 0}, texts_.size() - 1);
}

void DisplayList::copyArea(int x, int y, int w, int h, int toX, int toY)
{
  add(Kind::Copy, false, {x, y, w, h, toX, toY});
}

void DisplayList::clear()
{
  ops_.clear();
  pens_.clear();
  points_.clear();
  texts_.clear();
  ++clears_;
}

std::vector<unsigned long> DisplayList::colorsFrom(size_t first) const
{
  std::vector<unsigned long> colors;
  for (size_t i = first; i < ops_.size(); ++i) {
    const Op& op = ops_[i];
    const Pen& pen = pens_[op.pen];
    if (op.kind == Kind::Copy || op.kind == Kind::Text || pen.stipple)
      continue;
    if (std::find(colors.begin(), colors.end(), pen.color) == colors.end())
      colors.push_back(pen.color);
  }
  return colors;
}

bool DisplayList::dashedFrom(size_t first) const
{
  for (size_t i = first; i < ops_.size(); ++i)
    if (ops_[i].kind == Kind::Line && pens_[ops_[i].pen].dashed)
      return true;
  return false;
}

void DisplayList::replay(view::Surface& target, double scale, int x0, int y0) const
{
  for (const Op& op : ops_)
    replayOne(target, op, scale, x0, y0);
  target.setXor(false);
  target.setStipple(nullptr);
  target.setDashed(false);
  target.setLineWidth(0);
  target.flush();
}

void DisplayList::replayOne(view::Surface& t, const Op& op, double scale, int x0, int y0) const
{
  const Pen& pen = pens_[op.pen];
  t.setXor(pen.xorMode);
  t.setStipple(pen.stipple);
  t.setColor(pen.color);
  t.setDashed(pen.dashed);
  // Thin lines stay thin, but dashed ones (axes) keep showing on a larger
  // view; wider lines grow with the view.
  int width = pen.lineWidth > 1 ? static_cast<int>(pen.lineWidth * scale) : static_cast<int>(scale);
  if (pen.dashed && scale > 1.2)
    width = std::max(width, 2);
  t.setLineWidth(width > 1 ? width : 0);
  const int* v = op.v;
  switch (op.kind) {
    case Kind::Point: {
      int x = edge(v[0], scale, x0), y = edge(v[1], scale, y0);
      int w = std::max(1, edge(v[0] + 1, scale, x0) - x), h = std::max(1, edge(v[1] + 1, scale, y0) - y);
      t.rectangle(x, y, w, h, true);
      break;
    }
    case Kind::Line:
      t.line(centre(v[0], scale, x0), centre(v[1], scale, y0), centre(v[2], scale, x0),
             centre(v[3], scale, y0));
      break;
    case Kind::Rectangle:
      if (op.fill) {
        int x = edge(v[0], scale, x0), y = edge(v[1], scale, y0);
        t.rectangle(x, y, std::max(1, edge(v[0] + v[2], scale, x0) - x),
                    std::max(1, edge(v[1] + v[3], scale, y0) - y), true);
      } else {
        int x = centre(v[0], scale, x0), y = centre(v[1], scale, y0);
        t.rectangle(x, y, centre(v[0] + v[2], scale, x0) - x, centre(v[1] + v[3], scale, y0) - y, false);
      }
      break;
    case Kind::Arc: {
      int x = edge(v[0], scale, x0), y = edge(v[1], scale, y0);
      t.arc(x, y, edge(v[0] + v[2], scale, x0) - x, edge(v[1] + v[3], scale, y0) - y, v[4], v[5], op.fill);
      break;
    }
    case Kind::Polygon: {
      std::vector<view::PixelPoint> points(op.count);
      for (size_t k = 0; k < op.count; ++k) {
        const view::PixelPoint& p = points_[op.extra + k];
        points[k] = op.fill ? view::PixelPoint{edge(p.x, scale, x0), edge(p.y, scale, y0)}
                            : view::PixelPoint{centre(p.x, scale, x0), centre(p.y, scale, y0)};
      }
      t.polygon(points, op.fill);
      break;
    }
    case Kind::Text:
      t.string(edge(v[0], scale, x0), edge(v[1], scale, y0), texts_[op.extra].c_str());
      break;
    case Kind::Copy: {
      int x = edge(v[0], scale, x0), y = edge(v[1], scale, y0);
      t.copyArea(x, y, edge(v[0] + v[2], scale, x0) - x, edge(v[1] + v[3], scale, y0) - y,
                 edge(v[4], scale, x0), edge(v[5], scale, y0));
      break;
    }
  }
}

}  // namespace batch
