// Dview.h -- viewports, drawing primitives and layout drawing (src/view).
//
// Everything other subsystems may use to map world coordinates onto the
// pixels of a drawing surface and to draw on it.  The core never talks to X:
// it draws on a Surface, which the Motif shell implements with Xlib, the
// batch driver with an image, and the tests with a recorder.
//
//   world:  integer layout units, y grows upward
//   pixel:  (0, 0) at the top-left corner of the surface, y grows downward
//
// What the tile planes and the extracted circuit show in the main view is
// installed from above through view::PlaneDisplay and view::NameOverlay.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Dlayout.h"

struct _layerDef;

namespace techc {
struct Bitmap;
}

namespace view {

struct PixelPoint {
  int x, y;
};

// A drawing target.  Colours are pixels of the colour table (Dtechnology);
// every primitive uses the current colour, fill pattern, line settings and
// drawing function.  The core sets the state before each primitive, so an
// implementation should make repeated settings of the same value cheap; it
// may also gather primitives and send them in batches until flush().
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
  // Filled: w x h pixels from (x, y).  Outline: the frame from (x, y) to
  // (x + w, y + h), both ends included.
  virtual void rectangle(int x, int y, int w, int h, bool fill) = 0;
  // Angles in 64ths of a degree, as X counts them.
  virtual void arc(int x, int y, int w, int h, int angle1, int angle2, bool fill) = 0;
  // Filled, or drawn as a closed line.
  virtual void polygon(const std::vector<PixelPoint>& points, bool fill) = 0;
  virtual void string(int x, int y, const char* text) = 0;  // baseline at y
  virtual void clear() = 0;
  // Copies the w x h pixels at (x, y) to (toX, toY).
  virtual void copyArea(int /*x*/, int /*y*/, int /*w*/, int /*h*/, int /*toX*/, int /*toY*/) {}
  // Shows pending primitives.
  virtual void flush() {}
  // Draws the whole view anew right after a clear.  A surface that nobody
  // looks at yet may keep `draw` and run it when it is next drawn on or
  // read; the caller keeps what `draw` reads unchanged until then.
  virtual void drawLater(std::function<void()> draw) { draw(); }
  // The pointer cursor of the window: `shape` is source and mask, drawn in
  // the named colours; null removes the cursor.
  virtual void defineCursor(const techc::Bitmap* /*shape*/, const char* /*fg*/,
                            const char* /*bg*/) {}
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
  unsigned long color;     // foreground of the viewport's own drawing
  int lineWidth;           // line width of the viewport's own drawing
};

extern _Gviewport* Vmain;
extern _Gviewport* Vpopup;
extern _Gviewport* Vsuper;
extern int PopupWindowIsThere;

// Sets up a viewport on a surface: id 0, scale 1.0, origin (0, 0).
void DIvpInit(_Gviewport* vp, view::Surface* surface, void* widget);

// ---------------------------------------------------------------------------
// Transforms.  Results are truncated toward zero.
// ---------------------------------------------------------------------------

// Pixel to world.  A null viewport is reported (kind F) and gives (0, 0).
void GCvtow(_Gviewport* vp, int vx, int vy, int* wx, int* wy);
// World to pixel.  A null viewport is reported (kind F) and abandons the
// running action.
void GCwtov(_Gviewport* vp, long wx, long wy, long* vx, long* vy);
// Origin (x, y); with w or h non-zero also the scale that shows w x h.
void GCinstallVp(_Gviewport* vp, long x, long y, long w, long h);
// Centres the world box (x, y, w, h) with a margin of 25 pixels on its
// tighter sides.
void GCinstallVpC(_Gviewport* vp, long x, long y, long w, long h);

// ---------------------------------------------------------------------------
// Layout drawing.
// ---------------------------------------------------------------------------

// Fits the cell's frame into the viewport, clears it and draws the cell.
void ACdispall(_Gviewport* vp, _layout* cell, _layout* symbols);
// Draws the cell inside the world box, layer by layer in priority order.
void ACdispArea(_Gviewport* vp, _layout* cell, long x1, long y1, long x2, long y2,
                _layout* symbols);
// Draws the layer Glayers[layerIndex] of the cell transformed by the call
// `at` (null: untransformed), and the frames of the cell's calls.
void ACdisplayer(_Gviewport* vp, _instance* at, _layout* cell, int layerIndex, long x1, long y1,
                 long x2, long y2, _layout* symbols);
// Writes, in colour-table entry `color`, the labels of the shown layers
// whose point lies inside the box.
void LabelDisplay(_Gviewport* vp, _layout* cell, int color, long x1, long y1, long x2, long y2);
// The chart frame of a plot: grid, axes, tick labels and titles.
void GCmakeView(_Gviewport* vp, float xmax, float ymax, int nx, int ny, const char* xtitle,
                const char* ytitle);

// ---------------------------------------------------------------------------
// Primitives.  World coordinates; `fill` 1 fills.  The x twins draw with the
// exclusive-or function, so that drawing twice erases.
// ---------------------------------------------------------------------------
void GGrectangle(_Gviewport* vp, long x1, long y1, long x2, long y2, int fill);
void GGcircle(_Gviewport* vp, long x, long y, long r, int fill);
// Angles in 64ths of a degree, counter-clockwise from three o'clock.
void GGarc(_Gviewport* vp, long x, long y, long r, int angle1, int angle2, int fill);
void GGpoly(_Gviewport* vp, const _points* points, long n, int fill);
void GGpath(_Gviewport* vp, long width, const _points* points, int fill);
void GGline(_Gviewport* vp, long x1, long y1, long x2, long y2);
// Separate segments between the points taken in pairs.
void GGsegment(_Gviewport* vp, const _points* points);
void GGstring(_Gviewport* vp, long x, long y, const char* text);
void GGclear(_Gviewport* vp);
// Copies the pixels of the world box to the box of the same size whose
// lower-left corner is (tx, ty).
void GGareaCopy(_Gviewport* vp, long x1, long y1, long x2, long y2, long tx, long ty);

void GGxrectangle(_Gviewport* vp, long x1, long y1, long x2, long y2, int fill);
void GGxcircle(_Gviewport* vp, long x, long y, long r, int fill);
void GGxarc(_Gviewport* vp, long x, long y, long r, int angle1, int angle2, int fill);
void GGxpoly(_Gviewport* vp, const _points* points, long n, int fill);
void GGxline(_Gviewport* vp, long x1, long y1, long x2, long y2);
void GGxsegment(_Gviewport* vp, const _points* points);
void GGxstring(_Gviewport* vp, long x, long y, const char* text);

// The layer drawing style: the layer's colour, stippled with its pattern
// when its fillmode is set, solid otherwise.
void GLsetGC(_layerDef* layer);
void GLrectangle(_Gviewport* vp, long x1, long y1, long x2, long y2, int fill);
void GLpoly(_Gviewport* vp, const _points* points, long n, int fill);
void GLcircle(_Gviewport* vp, long x, long y, long r, int fill);
void GLpath(_Gviewport* vp, long width, const _points* points, int fill);

// Foreground of the viewport's drawing and its exclusive-or twin: entry
// `index` of the colour table (an index outside the table changes nothing).
void GGsetColor(_Gviewport* vp, int index);
void GGsetLineWidth(_Gviewport* vp, long width);
void GGsetFont(_Gviewport* vp, const char* name);
// The pointer cursor from the bitmap file IconPath + `bitmap`.
void GGdefineCursor(const char* bitmap, const char* fg, const char* bg);
// Removes every point equal to its predecessor.
void GGcutPoints(_points* points);

// ---------------------------------------------------------------------------
// View actions.
// ---------------------------------------------------------------------------
int DVfit();
void DVredraw(void* w, void* client_data, void* call_data);
// Expose of the pixel rectangle (x, y, w, h) of the main view.
void DVrefresh(int x, int y, int w, int h);
// The point operations of the interactive view actions: two points in
// world coordinates, first point first.
int DVzoominExe(long x1, long y1, long x2, long y2);
int DVzoomoutExe(long x1, long y1, long x2, long y2);
int DVpanExe(long x1, long y1, long x2, long y2);
// The first call remembers its box; the second shows how it differs from
// the remembered one and forgets it.
int DVsuperExe(long x1, long y1, long x2, long y2);

namespace view {

// The world box shown by the viewport.
_box visibleBox(const _Gviewport* vp);

// Start-up of the two viewports of the program on their surfaces; the
// popup's scale becomes 1000 / its height.
void initViewports(Surface* main, void* mainWidget, Surface* popup, void* popupWidget);

// One rectangle of a layer as cells are drawn: filled in the layer style
// when its fillmode is set, else outlined in the viewport colour.
void layerBox(_Gviewport* vp, _layerDef* layer, long x1, long y1, long x2, long y2);

// A rectangle filled with a light hatch in the viewport colour, so that
// the layers, labels and names under it stay readable (marks over the view).
void hatchBox(_Gviewport* vp, long x1, long y1, long x2, long y2);
// The hatch itself: a thin diagonal line every eight pixels.
const techc::Bitmap& hatchPattern();

// Forgets the box remembered by DVsuperExe.
void forgetSuperBox();

// Removes the cursor set by GGdefineCursor.
void undefineCursor();

// What the main view shows in working mode 9.  Installed by the tile-plane
// subsystem; without one that mode draws nothing and says so.
class PlaneDisplay {
 public:
  virtual ~PlaneDisplay() = default;
  // The frame of the first plane; false when no plane exists.
  virtual bool frame(_box* box) = 0;
  // Draws the planes inside the world box.
  virtual void draw(_Gviewport* vp, long x1, long y1, long x2, long y2) = 0;
};
void setPlaneDisplay(PlaneDisplay* display);  // null removes it

// Names written over the planes in working mode 9, in this order; the
// inductors only when PROCESS_INCLUDE_INDUCTOR is 1, resistors and
// capacitors only when PROCESS_INCLUDE_PASSIVE is 1.
enum class Overlay { Circuit, Inductors, Resistors, Capacitors };
class NameOverlay {
 public:
  virtual ~NameOverlay() = default;
  virtual void draw(_Gviewport* vp, long x1, long y1, long x2, long y2) = 0;
};
void setOverlay(Overlay which, NameOverlay* overlay);  // null removes it

// Draws what the main view shows inside the world box, without clearing.
void drawArea(_Gviewport* vp, long x1, long y1, long x2, long y2);

// What the plot window shows: installed by the yield analysis and called
// when the window must be drawn again.
void setPlotRedraw(void (*redraw)());
void redrawPlot();

// Forgets the hooks and the remembered box (tests).
void resetState();

}  // namespace view
