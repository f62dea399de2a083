// A surface that remembers what was drawn on it, as text, with the drawing
// state of each primitive.
#pragma once

#include <string>
#include <vector>

#include "Dview.h"

namespace testing_support {

class RecordingSurface : public view::Surface {
 public:
  struct Op {
    std::string text;  // e.g. "fill 10,20 30x40"
    unsigned long color;
    const techc::Bitmap* stipple;
    bool xorMode;
    bool dashed;
    int lineWidth;
  };

  RecordingSurface(int width, int height) : width_(width), height_(height) {}
  int width() const override { return width_; }
  int height() const override { return height_; }
  void resize(int width, int height)
  {
    width_ = width;
    height_ = height;
  }

  void setColor(unsigned long pixel) override { color_ = pixel; }
  void setStipple(const techc::Bitmap* pattern) override { stipple_ = pattern; }
  void setLineWidth(int width) override { lineWidth_ = width; }
  void setDashed(bool dashed) override { dashed_ = dashed; }
  void setXor(bool on) override { xor_ = on; }
  void setFont(const char* name) override { font = name; }

  void point(int x, int y) override { add("point " + xy(x, y)); }
  void line(int x1, int y1, int x2, int y2) override { add("line " + xy(x1, y1) + " " + xy(x2, y2)); }
  void rectangle(int x, int y, int w, int h, bool fill) override
  {
    add((fill ? "fill " : "frame ") + xy(x, y) + " " + std::to_string(w) + "x" + std::to_string(h));
  }
  void arc(int x, int y, int w, int h, int a1, int a2, bool fill) override
  {
    add((fill ? "pie " : "arc ") + xy(x, y) + " " + std::to_string(w) + "x" + std::to_string(h) +
        " " + std::to_string(a1) + " " + std::to_string(a2));
  }
  void polygon(const std::vector<view::PixelPoint>& points, bool fill) override
  {
    std::string text = fill ? "polygon" : "outline";
    for (const view::PixelPoint& p : points)
      text += " " + xy(p.x, p.y);
    add(text);
  }
  void string(int x, int y, const char* text) override { add("string " + xy(x, y) + " " + text); }
  void clear() override { add("clear"); }
  void copyArea(int x, int y, int w, int h, int toX, int toY) override
  {
    add("copy " + xy(x, y) + " " + std::to_string(w) + "x" + std::to_string(h) + " to " + xy(toX, toY));
  }
  void flush() override { ++flushes; }
  void defineCursor(const techc::Bitmap* shape, const char*, const char*) override
  {
    cursor = shape ? shape->width : 0;
  }

  // The texts of the primitives, in order.
  std::vector<std::string> texts() const
  {
    std::vector<std::string> all;
    for (const Op& op : ops)
      all.push_back(op.text);
    return all;
  }
  // The primitives whose text starts with `prefix`.
  std::vector<Op> withPrefix(const std::string& prefix) const
  {
    std::vector<Op> found;
    for (const Op& op : ops)
      if (op.text.compare(0, prefix.size(), prefix) == 0)
        found.push_back(op);
    return found;
  }
  void forget() { ops.clear(); }

  std::vector<Op> ops;
  std::string font;
  int flushes = 0;
  int cursor = -1;  // width of the cursor shape, 0 when removed

 private:
  static std::string xy(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
  void add(const std::string& text) { ops.push_back({text, color_, stipple_, xor_, dashed_, lineWidth_}); }

  int width_, height_;
  unsigned long color_ = 0;
  const techc::Bitmap* stipple_ = nullptr;
  bool xor_ = false;
  bool dashed_ = false;
  int lineWidth_ = 0;
};

}  // namespace testing_support
