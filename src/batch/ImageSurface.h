// Pictures of quorin-batch: snapshots of the main view and the plot window,
// drawn with cairo on an image (PNG) or into a vector file (SVG).  Colours
// are the colour table's RGB values (0xRRGGBB).
#pragma once

#include <map>
#include <utility>

#include "Dview.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_pattern cairo_pattern_t;

namespace batch {

// Draws as X does, pixel for pixel, on a cairo surface.
class CairoSurface : public view::Surface {
 public:
  ~CairoSurface() override;
  CairoSurface(const CairoSurface&) = delete;
  CairoSurface& operator=(const CairoSurface&) = delete;

  // Later primitives show only inside the pixel rectangle; resetClip ends it.
  void setClip(int x, int y, int w, int h);
  void resetClip();
  // The pixel width of a text in the surface's font.
  int textWidth(const char* text);
  // The height of the font's letters in pixels (10 unless changed).
  void setFontSize(double pixels);

  int width() const override { return width_; }
  int height() const override { return height_; }
  void setColor(unsigned long pixel) override;
  void setStipple(const techc::Bitmap* pattern) override;
  void setLineWidth(int width) override;
  void setDashed(bool dashed) override;
  void setXor(bool on) override;
  void setFont(const char*) override {}
  void point(int x, int y) override;
  void line(int x1, int y1, int x2, int y2) override;
  void rectangle(int x, int y, int w, int h, bool fill) override;
  void arc(int x, int y, int w, int h, int angle1, int angle2, bool fill) override;
  void polygon(const std::vector<view::PixelPoint>& points, bool fill) override;
  void string(int x, int y, const char* text) override;
  void clear() override;
  void copyArea(int x, int y, int w, int h, int toX, int toY) override;
  void flush() override;

 protected:
  CairoSurface(cairo_surface_t* target, int width, int height, unsigned long background);
  cairo_surface_t* target() { return image_; }
  // Ends the drawing; later drawing is lost.
  void close();

 private:
  enum class Pending { None, Fill, Stroke };
  void begin(Pending kind);   // path of this kind follows
  void finish();              // draws the gathered path
  void useSource();
  cairo_pattern_t* stipplePattern();

  int width_, height_;
  unsigned long background_;
  cairo_surface_t* image_;
  cairo_t* cr_;
  Pending pending_ = Pending::None;
  unsigned long color_ = 0;
  const techc::Bitmap* stipple_ = nullptr;
  int lineWidth_ = 0;
  bool dashed_ = false;
  bool xor_ = false;
  std::map<std::pair<const techc::Bitmap*, unsigned long>, cairo_pattern_t*> patterns_;
};

// An image in memory, written as PNG.
class ImageSurface : public CairoSurface {
 public:
  ImageSurface(int width, int height, unsigned long background);

  // Writes the image as PNG; false when the file cannot be written.
  bool writePng(const char* path);
  // The colour of one pixel, 0xRRGGBB.
  unsigned long pixel(int x, int y);
};

// A vector picture written straight into an SVG file.
class SvgSurface : public CairoSurface {
 public:
  SvgSurface(const char* path, int width, int height, unsigned long background);
  ~SvgSurface() override;

  // Completes the file; false when it could not be written.
  bool complete();

 private:
  bool finished_ = false;
  bool ok_ = false;
};

}  // namespace batch
