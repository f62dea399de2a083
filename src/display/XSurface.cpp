// The Xlib surface: the core's primitives drawn into a widget's window.
#include "Ddisplay.h"

#include <X11/StringDefs.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>

#include "DTtechnology.h"

namespace display {

namespace {

constexpr size_t kBatch = 4096;      // primitives sent in one request
constexpr char kDefaultFont[] = "fixed";
constexpr char kDash[] = {4, 4};     // pixels on, pixels off

short shortOf(int v) { return static_cast<short>(std::clamp(v, -32768, 32767)); }
unsigned short lengthOf(int v) { return static_cast<unsigned short>(std::clamp(v, 0, 65535)); }

}  // namespace

XSurface::XSurface(Widget widget, Widget cursorWidget) : widget_(widget), cursorWidget_(cursorWidget)
{
  updateSize();
}

XSurface::~XSurface()
{
  if (!theDisplay)
    return;
  for (auto& entry : stipples_)
    XFreePixmap(theDisplay, entry.second);
  if (gc_)
    XFreeGC(theDisplay, gc_);
  if (xorGc_)
    XFreeGC(theDisplay, xorGc_);
  if (font_)
    XFreeFont(theDisplay, font_);
  if (cursor_)
    XFreeCursor(theDisplay, cursor_);
}

void XSurface::updateSize()
{
  Dimension w = 0, h = 0;
  XtVaGetValues(widget_, XtNwidth, &w, XtNheight, &h, nullptr);
  width_ = w;
  height_ = h;
}

Window XSurface::window() const { return XtIsRealized(widget_) ? XtWindow(widget_) : 0; }

bool XSurface::ready()
{
  Window w = window();
  if (!w)
    return false;
  if (gc_)
    return true;
  // The drawing context and its exclusive-or twin, as theGC and theXorGC.
  XGCValues values;
  values.foreground = color_;
  values.background = BlackPixel(theDisplay, theScreen);
  values.graphics_exposures = False;
  gc_ = XCreateGC(theDisplay, w, GCForeground | GCBackground | GCGraphicsExposures, &values);
  values.function = GXxor;
  xorGc_ = XCreateGC(theDisplay, w, GCFunction | GCForeground | GCBackground | GCGraphicsExposures,
                     &values);
  // Apply the state set before the window existed.
  const techc::Bitmap* pattern = stipple_;
  for (GC gc : {gc_, xorGc_}) {
    XSetDashes(theDisplay, gc, 0, kDash, sizeof kDash);
    XSetLineAttributes(theDisplay, gc, static_cast<unsigned>(lineWidth_),
                       dashed_ ? LineOnOffDash : LineSolid, CapButt, JoinMiter);
  }
  stipple_ = nullptr;
  setStipple(pattern);
  setFont(kDefaultFont);
  return true;
}

/*
 * sendBatches --
 *   Draws the gathered primitives with the current state and empties the
 *   batches.
 */
void XSurface::sendBatches()
{
  Window w = window();
  if (w && gc_) {
    GC gc = current();
    if (!fills_.empty())
      XFillRectangles(theDisplay, w, gc, fills_.data(), static_cast<int>(fills_.size()));
    if (!frames_.empty())
      XDrawRectangles(theDisplay, w, gc, frames_.data(), static_cast<int>(frames_.size()));
    if (!segments_.empty())
      XDrawSegments(theDisplay, w, gc, segments_.data(), static_cast<int>(segments_.size()));
    if (!points_.empty())
      XDrawPoints(theDisplay, w, gc, points_.data(), static_cast<int>(points_.size()), CoordModeOrigin);
  }
  fills_.clear();
  frames_.clear();
  segments_.clear();
  points_.clear();
}

// ---------------------------------------------------------------------------
// State: both contexts share colour, stipple, line style and font; a change
// first sends what was gathered under the old state.
// ---------------------------------------------------------------------------
void XSurface::setColor(unsigned long pixel)
{
  if (pixel == color_ && gc_)
    return;
  sendBatches();
  color_ = pixel;
  if (!ready())
    return;
  XSetForeground(theDisplay, gc_, pixel);
  XSetForeground(theDisplay, xorGc_, pixel);
}

Pixmap XSurface::stipplePixmap(const techc::Bitmap* pattern)
{
  auto found = stipples_.find(pattern);
  if (found != stipples_.end())
    return found->second;
  Pixmap pixmap = XCreateBitmapFromData(theDisplay, window(),
                                        reinterpret_cast<const char*>(pattern->bits.data()),
                                        static_cast<unsigned>(pattern->width),
                                        static_cast<unsigned>(pattern->height));
  stipples_.emplace(pattern, pixmap);
  return pixmap;
}

void XSurface::setStipple(const techc::Bitmap* pattern)
{
  if (pattern == stipple_)
    return;
  sendBatches();
  stipple_ = pattern;
  if (!ready())
    return;
  for (GC gc : {gc_, xorGc_}) {
    if (pattern && pattern->width > 0 && pattern->height > 0) {
      XSetStipple(theDisplay, gc, stipplePixmap(pattern));
      XSetFillStyle(theDisplay, gc, FillStippled);
    } else {
      XSetFillStyle(theDisplay, gc, FillSolid);
    }
  }
}

void XSurface::setLineWidth(int width)
{
  if (width == lineWidth_)
    return;
  sendBatches();
  lineWidth_ = width;
  if (!ready())
    return;
  for (GC gc : {gc_, xorGc_})
    XSetLineAttributes(theDisplay, gc, static_cast<unsigned>(width), dashed_ ? LineOnOffDash : LineSolid,
                       CapButt, JoinMiter);
}

void XSurface::setDashed(bool dashed)
{
  if (dashed == dashed_)
    return;
  sendBatches();
  dashed_ = dashed;
  if (!ready())
    return;
  for (GC gc : {gc_, xorGc_})
    XSetLineAttributes(theDisplay, gc, static_cast<unsigned>(lineWidth_),
                       dashed ? LineOnOffDash : LineSolid, CapButt, JoinMiter);
}

void XSurface::setXor(bool on)
{
  if (on == xor_)
    return;
  sendBatches();
  xor_ = on;
}

void XSurface::setFont(const char* name)
{
  if (!window())
    return;
  sendBatches();
  XFontStruct* font = XLoadQueryFont(theDisplay, name);
  if (!font)
    font = XLoadQueryFont(theDisplay, kDefaultFont);
  if (!font)
    return;
  if (font_)
    XFreeFont(theDisplay, font_);
  font_ = font;
  if (!gc_)
    return;
  XSetFont(theDisplay, gc_, font->fid);
  XSetFont(theDisplay, xorGc_, font->fid);
}

// ---------------------------------------------------------------------------
// Primitives.
// ---------------------------------------------------------------------------
void XSurface::point(int x, int y)
{
  if (!ready())
    return;
  points_.push_back({shortOf(x), shortOf(y)});
  if (points_.size() >= kBatch)
    sendBatches();
}

void XSurface::line(int x1, int y1, int x2, int y2)
{
  if (!ready())
    return;
  segments_.push_back({shortOf(x1), shortOf(y1), shortOf(x2), shortOf(y2)});
  if (segments_.size() >= kBatch)
    sendBatches();
}

void XSurface::rectangle(int x, int y, int w, int h, bool fill)
{
  if (!ready())
    return;
  std::vector<XRectangle>& batch = fill ? fills_ : frames_;
  batch.push_back({shortOf(x), shortOf(y), lengthOf(w), lengthOf(h)});
  if (batch.size() >= kBatch)
    sendBatches();
}

void XSurface::arc(int x, int y, int w, int h, int angle1, int angle2, bool fill)
{
  if (!ready())
    return;
  sendBatches();
  if (fill)
    XFillArc(theDisplay, window(), current(), x, y, lengthOf(w), lengthOf(h), angle1, angle2);
  else
    XDrawArc(theDisplay, window(), current(), x, y, lengthOf(w), lengthOf(h), angle1, angle2);
}

void XSurface::polygon(const std::vector<view::PixelPoint>& points, bool fill)
{
  if (!ready() || points.empty())
    return;
  sendBatches();
  std::vector<XPoint> xpoints;
  xpoints.reserve(points.size() + 1);
  for (const view::PixelPoint& p : points)
    xpoints.push_back({shortOf(p.x), shortOf(p.y)});
  if (fill) {
    XFillPolygon(theDisplay, window(), current(), xpoints.data(), static_cast<int>(xpoints.size()),
                 Complex, CoordModeOrigin);
    return;
  }
  xpoints.push_back(xpoints.front());
  XDrawLines(theDisplay, window(), current(), xpoints.data(), static_cast<int>(xpoints.size()),
             CoordModeOrigin);
}

void XSurface::string(int x, int y, const char* text)
{
  if (!ready() || !text)
    return;
  sendBatches();
  XDrawString(theDisplay, window(), current(), x, y, text, static_cast<int>(strlen(text)));
}

void XSurface::clear()
{
  fills_.clear();
  frames_.clear();
  segments_.clear();
  points_.clear();
  if (window())
    XClearWindow(theDisplay, window());
}

void XSurface::copyArea(int x, int y, int w, int h, int toX, int toY)
{
  if (!ready() || w <= 0 || h <= 0)
    return;
  sendBatches();
  XCopyArea(theDisplay, window(), window(), gc_, x, y, lengthOf(w), lengthOf(h), toX, toY);
}

void XSurface::flush()
{
  sendBatches();
  if (theDisplay)
    XFlush(theDisplay);
}

/*
 * defineCursor --
 *   Makes a cursor from the bitmap (as shape and mask) in the two named
 *   colours and defines it on the cursor widget's window; null removes it.
 */
void XSurface::defineCursor(const techc::Bitmap* shape, const char* fg, const char* bg)
{
  Window w = XtIsRealized(cursorWidget_) ? XtWindow(cursorWidget_) : 0;
  if (!w)
    return;
  if (cursor_) {
    XUndefineCursor(theDisplay, w);
    XFreeCursor(theDisplay, cursor_);
    cursor_ = 0;
  }
  if (!shape || shape->width <= 0 || shape->height <= 0)
    return;
  XColor foreground, background, exact;
  if (!XAllocNamedColor(theDisplay, theColormap, fg, &foreground, &exact))
    foreground.red = foreground.green = foreground.blue = 0xffff;
  if (!XAllocNamedColor(theDisplay, theColormap, bg, &background, &exact))
    background.red = background.green = background.blue = 0;
  Pixmap bits = XCreateBitmapFromData(theDisplay, w, reinterpret_cast<const char*>(shape->bits.data()),
                                      static_cast<unsigned>(shape->width),
                                      static_cast<unsigned>(shape->height));
  cursor_ = XCreatePixmapCursor(theDisplay, bits, bits, &foreground, &background,
                                static_cast<unsigned>(shape->width / 2),
                                static_cast<unsigned>(shape->height / 2));
  XFreePixmap(theDisplay, bits);
  XDefineCursor(theDisplay, w, cursor_);
  XFlush(theDisplay);
}

}  // namespace display
