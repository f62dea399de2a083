// Ddisplay.h -- the X display and the Xlib drawing surface (src/display).
//
// Everything the Motif shell may use of the display: the X globals, the
// start of the toolkit, the colour pixels of the colour table, and the
// surface on which the core draws into a widget's window.  Only the X part
// of the program (src/interface, src/display) may include this header.
#pragma once

#include <X11/Intrinsic.h>
#include <X11/Xlib.h>

#include <map>
#include <vector>

#include "Dview.h"

extern XtAppContext app;
extern Display* theDisplay;
extern int theScreen;
extern Window theRootWindow;
extern Colormap theColormap;
extern Visual* theVisual;
extern int theDisplayWidth;
extern int theDisplayHeight;
extern GC theGC;     // the screen's default context
extern GC theXorGC;  // exclusive-or: white on black

// Initialises the toolkit and opens the display with the application class
// "XMclient".  No display, or one without colours, ends the program.
void DIXinit(int argc, char** argv);

// The character of a key event ('\0' when it has none).
char GGgetChar(XKeyEvent* event);

namespace display {

// Gives every entry of the colour table (DIcolorInit) its pixel in the
// default colormap; an entry that cannot be allocated becomes black.
void allocateColors();

// Draws into the window of a widget.  Primitives of the same drawing state
// are gathered and sent in batches (XFillRectangles, XDrawRectangles,
// XDrawPoints, XDrawSegments) until the state changes or flush().  Nothing
// is drawn while the widget has no window.
class XSurface : public view::Surface {
 public:
  // `cursorWidget` is the window the cursor is defined on.
  XSurface(Widget widget, Widget cursorWidget);
  ~XSurface() override;
  XSurface(const XSurface&) = delete;
  XSurface& operator=(const XSurface&) = delete;

  // Takes the widget's size after a resize.
  void updateSize();

  int width() const override { return width_; }
  int height() const override { return height_; }
  void setColor(unsigned long pixel) override;
  void setStipple(const techc::Bitmap* pattern) override;
  void setLineWidth(int width) override;
  void setDashed(bool dashed) override;
  void setXor(bool on) override;
  void setFont(const char* name) override;
  void point(int x, int y) override;
  void line(int x1, int y1, int x2, int y2) override;
  void rectangle(int x, int y, int w, int h, bool fill) override;
  void arc(int x, int y, int w, int h, int angle1, int angle2, bool fill) override;
  void polygon(const std::vector<view::PixelPoint>& points, bool fill) override;
  void string(int x, int y, const char* text) override;
  void clear() override;
  void copyArea(int x, int y, int w, int h, int toX, int toY) override;
  void flush() override;
  void defineCursor(const techc::Bitmap* shape, const char* fg, const char* bg) override;

 private:
  Window window() const;
  bool ready();           // has a window and contexts
  void sendBatches();     // draws what was gathered
  GC current() const { return xor_ ? xorGc_ : gc_; }
  Pixmap stipplePixmap(const techc::Bitmap* pattern);

  Widget widget_;
  Widget cursorWidget_;
  int width_ = 0, height_ = 0;
  GC gc_ = nullptr;
  GC xorGc_ = nullptr;
  unsigned long color_ = 0;
  const techc::Bitmap* stipple_ = nullptr;
  int lineWidth_ = 0;
  bool dashed_ = false;
  bool xor_ = false;
  XFontStruct* font_ = nullptr;
  Cursor cursor_ = 0;
  std::map<const techc::Bitmap*, Pixmap> stipples_;
  std::vector<XRectangle> fills_, frames_;
  std::vector<XPoint> points_;
  std::vector<XSegment> segments_;
};

}  // namespace display
