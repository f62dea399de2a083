// Dview.h -- viewports, drawing primitives and layout drawing (src/view).
//
// Everything other subsystems may use to map world coordinates onto the
// pixels of a drawing surface and to draw on it.  The core never talks to X:
// it draws on a Surface, which the Motif shell implements with Xlib, the
// batch driver with an image, and the tests with a recorder.
//
//   world:  integer layout units, y grows upward
//   pixel:  (0, 0) at the top-left corner of the surface, y grows downward
#pragma once

#include <string>
#include <vector>

#include "Dlayout.h"

namespace techc {
struct Bitmap;
}

namespace view {

struct PixelPoint {
  int x, y;
};

// A drawing target.  Colours are pixels of the colour table (Dtechnology);
// every primitive uses the current colour, fill pattern, line settings and
// drawing function.
class Surface {
 public:
  virtual ~Surface() = default;
  virtual int width() const = 0;
  virtual int height() const = 0;

  virtual void setColor(unsigned long pixel) = 0;
  virtual void setStipple(const techc::Bitmap* pattern) = 0;  // null: solid
  virtual void setLineWidth(int width) = 0;
  virtual void setDashed(bool dashed) = 0;
  virtual void setXor(bool on) = 0;  // exclusive-or: drawing twice erases
  virtual void setFont(const char* name) = 0;

  virtual void point(int x, int y) = 0;
  virtual void line(int x1, int y1, int x2, int y2) = 0;
  virtual void rectangle(int x, int y, int w, int h, bool fill) = 0;
  // Angles in 64ths of a degree, as X counts them.
  virtual void arc(int x, int y, int w, int h, int angle1, int angle2, bool fill) = 0;
  virtual void polygon(const std::vector<PixelPoint>& points, bool fill) = 0;
  virtual void string(int x, int y, const char* text) = 0;
  virtual void clear() = 0;
  virtual void flush() {}
};

// Draws nothing; its size is fixed at construction.
class NullSurface : public Surface {
 public:
  NullSurface(int width, int height) : width_(width), height_(height) {}
  int width() const override { return width_; }
  int height() const override { return height_; }
  void setColor(unsigned long) override {}
  void setStipple(const techc::Bitmap*) override {}
  void setLineWidth(int) override {}
  void setDashed(bool) override {}
  void setXor(bool) override {}
  void setFont(const char*) override {}
  void point(int, int) override {}
  void line(int, int, int, int) override {}
  void rectangle(int, int, int, int, bool) override {}
  void arc(int, int, int, int, int, int, bool) override {}
  void polygon(const std::vector<PixelPoint>&, bool) override {}
  void string(int, int, const char*) override {}
  void clear() override {}

 private:
  int width_;
  int height_;
};

}  // namespace view

// A viewport maps world coordinates onto the pixels of a surface.
struct _Gviewport {
  int id;
  void* widget;            // drawing widget (front end)
  unsigned long w;         // its window (front end)
  float scale;             // world units per pixel
  long ox, oy;             // world point at the surface's lower-left corner
  void* gc;                // front-end drawing contexts
  void* xorgc;
  view::Surface* surface;  // where this viewport draws; null: nowhere
};

extern _Gviewport* Vmain;
extern _Gviewport* Vpopup;
extern _Gviewport* Vsuper;
extern int PopupWindowIsThere;

// Sets up a viewport on a surface: id 0, scale 1.0, origin (0, 0).
void DIvpInit(_Gviewport* vp, view::Surface* surface, void* widget);

// Draws the cell fitted into the viewport.
void ACdispall(_Gviewport* vp, _layout* cell, _layout* symbols);

// View actions of the menu.
void DVredraw(void* w, void* client_data, void* call_data);
int DVfit();
int DVzoomin();
int DVzoomout();
int DVpan();
int DVsuper();
