#include "DisplayList.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cmath>
#include <cstring>

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

bool DisplayList::Full::operator==(const Full& o) const
{
  return kind == o.kind && fill == o.fill && pen == o.pen && std::equal(v, v + 6, o.v) &&
         count == o.count;
}

namespace {

// Two 16-bit fields of a kept primitive as one 32-bit number, and back.
uint32_t joined(int16_t low, int16_t high)
{
  return static_cast<uint32_t>(static_cast<uint16_t>(low)) |
         static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16;
}
void split(uint32_t value, int16_t* low, int16_t* high)
{
  *low = static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFF));
  *high = static_cast<int16_t>(static_cast<uint16_t>(value >> 16));
}

}  // namespace

DisplayList::Full DisplayList::full(const Op& op) const
{
  if (op.flags & kWide)
    return wide_[joined(op.v[0], op.v[1])];
  if (op.kind == Kind::Text)
    return Full{op.kind, false, op.pen, {op.v[0], op.v[1], 0, 0, 0, 0}, joined(op.v[2], op.v[3]), 0};
  return Full{op.kind, (op.flags & kFill) != 0, op.pen, {op.v[0], op.v[1], op.v[2], op.v[3], 0, 0},
              0, 0};
}

DisplayList::Op DisplayList::kept(const Full& f)
{
  auto fits = [](int x) { return x >= INT16_MIN && x <= INT16_MAX; };
  const bool shape = f.kind == Kind::Point || f.kind == Kind::Line || f.kind == Kind::Rectangle;
  const bool small = f.pen < UINT16_MAX && fits(f.v[0]) && fits(f.v[1]) && f.v[4] == 0 &&
                     f.v[5] == 0 &&
                     ((shape && fits(f.v[2]) && fits(f.v[3])) || f.kind == Kind::Text);
  Op op{f.kind, static_cast<unsigned char>(f.fill ? kFill : 0), 0, {0, 0, 0, 0}};
  if (small) {
    op.pen = static_cast<uint16_t>(f.pen);
    op.v[0] = static_cast<int16_t>(f.v[0]);
    op.v[1] = static_cast<int16_t>(f.v[1]);
    if (f.kind == Kind::Text) {
      split(f.extra, &op.v[2], &op.v[3]);
    } else {
      op.v[2] = static_cast<int16_t>(f.v[2]);
      op.v[3] = static_cast<int16_t>(f.v[3]);
    }
  } else {
    op.flags |= kWide;
    split(static_cast<uint32_t>(wide_.size()), &op.v[0], &op.v[1]);
    wide_.push_back(f);
  }
  return op;
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
  settle();
  Full op{kind, fill, penIndex(), {v[0], v[1], v[2], v[3], v[4], v[5]}, static_cast<unsigned>(extra),
          static_cast<unsigned>(count)};
  if (pen_.xorMode) {
    size_t stop = ops_.size() > kXorLookBack ? ops_.size() - kXorLookBack : 0;
    for (size_t i = ops_.size(); i-- > stop;) {
      const Full old = full(ops_[i]);
      if (!(old == op))
        continue;
      bool same = true;
      if (op.kind == Kind::Polygon)
        for (size_t k = 0; k < op.count && same; ++k)
          same = points_[old.extra + k].x == points_[op.extra + k].x &&
                 points_[old.extra + k].y == points_[op.extra + k].y;
      if (op.kind == Kind::Text)
        same = strcmp(&text_[old.extra], &text_[op.extra]) == 0;
      if (!same)
        continue;
      ops_.erase(ops_.begin() + static_cast<long>(i));
      return;
    }
  } else if (op.kind != Kind::Polygon && op.kind != Kind::Text && op.kind != Kind::Copy &&
             !ops_.empty() && full(ops_.back()) == op) {
    return;  // the same pixels again (shapes too small for the view)
  }
  ops_.push_back(kept(op));
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
  settle();
  if (points.empty())
    return;
  size_t first = points_.size();
  points_.insert(points_.end(), points.begin(), points.end());
  add(Kind::Polygon, fill, {0, 0, 0, 0, 0, 0}, first, points.size());
  // An erased xor polygon leaves its points behind until the next clear.
  if (pen_.xorMode &&
      (ops_.empty() || ops_.back().kind != Kind::Polygon || full(ops_.back()).extra != first))
    points_.resize(first);
}

void DisplayList::string(int x, int y, const char* text)
{
  settle();
  const size_t offset = text_.size();
  if (text)
    text_.insert(text_.end(), text, text + strlen(text));
  text_.push_back('\0');
  add(Kind::Text, false, {x, y, 0, 0, 0, 0}, offset);
}

void DisplayList::copyArea(int x, int y, int w, int h, int toX, int toY)
{
  add(Kind::Copy, false, {x, y, w, h, toX, toY});
}

void DisplayList::settle() const
{
  if (!pending_)
    return;
  std::function<void()> draw = std::move(pending_);
  pending_ = nullptr;
  draw();
}

void DisplayList::drawLater(std::function<void()> draw)
{
  settle();
  if (ops_.empty())
    pending_ = std::move(draw);
  else
    draw();
}

void DisplayList::clear()
{
  settle();
  ops_.clear();
  wide_.clear();
  pens_.clear();
  points_.clear();
  text_.clear();
  ++clears_;
}

std::vector<unsigned long> DisplayList::colorsFrom(size_t first) const
{
  settle();
  std::vector<unsigned long> colors;
  for (size_t i = first; i < ops_.size(); ++i) {
    const Full op = full(ops_[i]);
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
  settle();
  for (size_t i = first; i < ops_.size(); ++i)
    if (ops_[i].kind == Kind::Line && pens_[full(ops_[i]).pen].dashed)
      return true;
  return false;
}

void DisplayList::replay(view::Surface& target, double scale, int x0, int y0) const
{
  settle();
  for (const Op& op : ops_)
    replayOne(target, full(op), scale, x0, y0);
  target.setXor(false);
  target.setStipple(nullptr);
  target.setDashed(false);
  target.setLineWidth(0);
  target.flush();
}

void DisplayList::replayOne(view::Surface& t, const Full& op, double scale, int x0, int y0) const
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
      t.string(edge(v[0], scale, x0), edge(v[1], scale, y0), &text_[op.extra]);
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
