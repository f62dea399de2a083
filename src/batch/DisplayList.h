// The headless main view of quorin-batch: it keeps what was drawn on it
// since the last clear, so a snapshot can draw the view again at any size,
// on an image or in a vector file, with everything the actions painted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "Dview.h"

namespace batch {

class DisplayList : public view::Surface {
 public:
  DisplayList(int width, int height) : width_(width), height_(height) {}

  // Draws everything kept onto `target`, each pixel of this view becoming
  // `scale` pixels of the target and (0, 0) going to (x0, y0).
  void replay(view::Surface& target, double scale, int x0, int y0) const;

  // Primitives kept now, and clears so far: a caller can tell what one
  // action drew on top of what was there.  A drawing of the whole view
  // still waiting (drawLater) is not counted until it is drawn.
  size_t size() const { return ops_.size(); }
  unsigned long clears() const { return clears_; }
  // The solid colours of the primitives from `first` on, in drawing order.
  std::vector<unsigned long> colorsFrom(size_t first) const;
  // True when one of the primitives from `first` on is a dashed line.
  bool dashedFrom(size_t first) const;

  int width() const override { return width_; }
  int height() const override { return height_; }
  // Draws the waiting drawing of the whole view, if any.  Whatever draws
  // on the list or reads it does this first; a batch run does it before
  // every action that could change what the drawing reads.
  void settle() const;
  bool waiting() const { return static_cast<bool>(pending_); }

  void setColor(unsigned long pixel) override { settle(); pen_.color = pixel; }
  void setStipple(const techc::Bitmap* pattern) override { settle(); pen_.stipple = pattern; }
  void setLineWidth(int width) override { settle(); pen_.lineWidth = width; }
  void setDashed(bool dashed) override { settle(); pen_.dashed = dashed; }
  void setXor(bool on) override { settle(); pen_.xorMode = on; }

  void setFont(const char*) override { settle(); }
  void point(int x, int y) override;
  void line(int x1, int y1, int x2, int y2) override;
  void rectangle(int x, int y, int w, int h, bool fill) override;
  void arc(int x, int y, int w, int h, int angle1, int angle2, bool fill) override;
  void polygon(const std::vector<view::PixelPoint>& points, bool fill) override;
  void string(int x, int y, const char* text) override;
  void clear() override;
  void copyArea(int x, int y, int w, int h, int toX, int toY) override;
  // Kept until the list is next drawn on or read, when it is the first
  // thing on it; drawn at once when something is on the list already.
  void drawLater(std::function<void()> draw) override;

 private:
  struct Pen {
    unsigned long color = 0;
    const techc::Bitmap* stipple = nullptr;
    int lineWidth = 0;
    bool dashed = false;
    bool xorMode = false;
    bool operator==(const Pen& o) const
    {
      return color == o.color && stipple == o.stipple && lineWidth == o.lineWidth &&
             dashed == o.dashed && xorMode == o.xorMode;
    }
  };
  enum class Kind : unsigned char { Point, Line, Rectangle, Arc, Polygon, Text, Copy };
  // A primitive as drawn.
  struct Full {
    Kind kind;
    bool fill;
    unsigned pen;    // index into pens_
    int v[6];        // coordinates, by kind
    unsigned extra;  // first point of a polygon; a string's offset in text_
    unsigned count;  // points of a polygon
    bool operator==(const Full& o) const;
  };
  // A primitive as kept: a large layout leaves one per tile and a name per
  // device and net, so points, lines, rectangles and strings whose
  // coordinates fit in 16 bits take 12 bytes (a string's offset in text_
  // in the last two); the others keep their whole record in wide_, its
  // index in the first two.
  struct Op {
    Kind kind;
    unsigned char flags;  // kFill, kWide
    uint16_t pen;         // short form: index into pens_
    int16_t v[4];         // short form: coordinates
  };
  static constexpr unsigned char kFill = 1, kWide = 2;
  Full full(const Op& op) const;
  Op kept(const Full& f);
  void add(Kind kind, bool fill, const int (&v)[6], size_t extra = 0, size_t count = 0);
  unsigned penIndex();
  void replayOne(view::Surface& target, const Full& op, double scale, int x0, int y0) const;

  int width_, height_;
  Pen pen_;
  std::vector<Pen> pens_;  // every pen used since the last clear
  std::deque<Op> ops_;  // no copy of the whole list as it grows
  std::vector<Full> wide_;
  std::vector<view::PixelPoint> points_;
  std::vector<char> text_;  // the strings, each ended by a 0
  unsigned long clears_ = 0;
  mutable std::function<void()> pending_;  // the drawing drawLater kept
};

}  // namespace batch
