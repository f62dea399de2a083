#include "ImageSurface.h"

#include <cairo-svg.h>
#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "DTtechnology.h"

namespace batch {

namespace {

constexpr double kFontSize = 10;        // pixels: 6 pixels a character, as X's "fixed"
constexpr double kDash = 4;             // pixels of a dash and of a gap
constexpr double kRadiansPer64th = M_PI / 180 / 64;

double channel(unsigned long pixel, int shift) { return ((pixel >> shift) & 0xff) / 255.0; }

}  // namespace

CairoSurface::CairoSurface(cairo_surface_t* target, int width, int height, unsigned long background)
    : width_(width), height_(height), background_(background), image_(target)
{
  cr_ = cairo_create(image_);
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_SQUARE);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
  cairo_select_font_face(cr_, "monospace", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr_, kFontSize);
  clear();
}

CairoSurface::~CairoSurface()
{
  for (auto& entry : patterns_)
    cairo_pattern_destroy(entry.second);
  cairo_destroy(cr_);
  cairo_surface_destroy(image_);
}

void CairoSurface::close()
{
  flush();
  cairo_surface_finish(image_);
}

void CairoSurface::setClip(int x, int y, int w, int h)
{
  finish();
  cairo_reset_clip(cr_);
  cairo_rectangle(cr_, x, y, w, h);
  cairo_clip(cr_);
}

void CairoSurface::resetClip()
{
  finish();
  cairo_reset_clip(cr_);
}

void CairoSurface::setFontSize(double pixels)
{
  finish();
  cairo_set_font_size(cr_, pixels);
}

int CairoSurface::textWidth(const char* text)
{
  cairo_text_extents_t extents;
  cairo_text_extents(cr_, text, &extents);
  return static_cast<int>(std::ceil(extents.x_advance));
}

ImageSurface::ImageSurface(int width, int height, unsigned long background)
    : CairoSurface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height), width, height,
                   background)
{
}

SvgSurface::SvgSurface(const char* path, int width, int height, unsigned long background)
    : CairoSurface(cairo_svg_surface_create(path, width, height), width, height, background)
{
  ok_ = cairo_surface_status(target()) == CAIRO_STATUS_SUCCESS;
  if (ok_)
    cairo_svg_surface_set_document_unit(target(), CAIRO_SVG_UNIT_PX);
}

SvgSurface::~SvgSurface() { complete(); }

bool SvgSurface::complete()
{
  if (!finished_) {
    finished_ = true;
    close();
    ok_ = ok_ && cairo_surface_status(target()) == CAIRO_STATUS_SUCCESS;
  }
  return ok_;
}

bool ImageSurface::writePng(const char* path)
{
  flush();
  return cairo_surface_write_to_png(target(), path) == CAIRO_STATUS_SUCCESS;
}

unsigned long ImageSurface::pixel(int x, int y)
{
  flush();
  if (x < 0 || y < 0 || x >= width() || y >= height())
    return 0;
  const unsigned char* row = cairo_image_surface_get_data(target()) + y * cairo_image_surface_get_stride(target());
  uint32_t value;
  std::memcpy(&value, row + 4 * x, sizeof value);
  return value & 0xffffff;
}

// ---------------------------------------------------------------------------
// State.  A change draws what was gathered with the old state first.
// ---------------------------------------------------------------------------
void CairoSurface::setColor(unsigned long pixel)
{
  if (pixel != color_) {
    finish();
    color_ = pixel;
  }
}

void CairoSurface::setStipple(const techc::Bitmap* pattern)
{
  if (pattern != stipple_) {
    finish();
    stipple_ = pattern;
  }
}

void CairoSurface::setLineWidth(int width)
{
  if (width != lineWidth_) {
    finish();
    lineWidth_ = width;
  }
}

void CairoSurface::setDashed(bool dashed)
{
  if (dashed != dashed_) {
    finish();
    dashed_ = dashed;
  }
}

void CairoSurface::setXor(bool on)
{
  if (on != xor_) {
    finish();
    xor_ = on;
  }
}

// The layer pattern in the current colour, transparent where its bits are 0.
cairo_pattern_t* CairoSurface::stipplePattern()
{
  auto key = std::make_pair(stipple_, color_);
  auto found = patterns_.find(key);
  if (found != patterns_.end())
    return found->second;
  const techc::Bitmap& bitmap = *stipple_;
  cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, bitmap.width, bitmap.height);
  cairo_surface_flush(tile);
  unsigned char* data = cairo_image_surface_get_data(tile);
  int stride = cairo_image_surface_get_stride(tile);
  uint32_t opaque = 0xff000000u | static_cast<uint32_t>(color_ & 0xffffff);
  for (int y = 0; y < bitmap.height; ++y) {
    for (int x = 0; x < bitmap.width; ++x) {
      uint32_t value = bitmap.pixel(x, y) ? opaque : 0;
      std::memcpy(data + y * stride + 4 * x, &value, sizeof value);
    }
  }
  cairo_surface_mark_dirty(tile);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
  cairo_surface_destroy(tile);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
  patterns_.emplace(key, pattern);
  return pattern;
}

void CairoSurface::useSource()
{
  if (stipple_ && stipple_->width > 0 && stipple_->height > 0)
    cairo_set_source(cr_, stipplePattern());
  else
    cairo_set_source_rgb(cr_, channel(color_, 16), channel(color_, 8), channel(color_, 0));
  // Exclusive-or has no cairo operator; the difference also erases what it
  // drew on the background of a dark view.
  cairo_set_operator(cr_, xor_ ? CAIRO_OPERATOR_DIFFERENCE : CAIRO_OPERATOR_OVER);
  cairo_set_line_width(cr_, lineWidth_ > 1 ? lineWidth_ : 1);
  double dash = kDash;
  cairo_set_dash(cr_, &dash, dashed_ ? 1 : 0, 0);
}

void CairoSurface::begin(Pending kind)
{
  if (pending_ != kind)
    finish();
  pending_ = kind;
}

void CairoSurface::finish()
{
  if (pending_ == Pending::None)
    return;
  useSource();
  if (pending_ == Pending::Fill)
    cairo_fill(cr_);
  else
    cairo_stroke(cr_);
  pending_ = Pending::None;
}

void CairoSurface::flush()
{
  finish();
  cairo_surface_flush(image_);
}

// ---------------------------------------------------------------------------
// Primitives, pixel for pixel as X draws them.
// ---------------------------------------------------------------------------
void CairoSurface::point(int x, int y)
{
  begin(Pending::Fill);
  cairo_rectangle(cr_, x, y, 1, 1);
}

void CairoSurface::line(int x1, int y1, int x2, int y2)
{
  begin(Pending::Stroke);
  cairo_move_to(cr_, x1 + 0.5, y1 + 0.5);
  cairo_line_to(cr_, x2 + 0.5, y2 + 0.5);
}

void CairoSurface::rectangle(int x, int y, int w, int h, bool fill)
{
  if (fill) {
    begin(Pending::Fill);
    cairo_rectangle(cr_, x, y, w, h);
    return;
  }
  begin(Pending::Stroke);
  cairo_rectangle(cr_, x + 0.5, y + 0.5, w, h);
}

void CairoSurface::arc(int x, int y, int w, int h, int angle1, int angle2, bool fill)
{
  begin(fill ? Pending::Fill : Pending::Stroke);
  double cx = x + w / 2.0, cy = y + h / 2.0;
  bool full = std::abs(angle2) >= 360 * 64;
  cairo_new_sub_path(cr_);
  cairo_save(cr_);
  cairo_translate(cr_, cx, cy);
  cairo_scale(cr_, w > 0 ? w / 2.0 : 0.5, h > 0 ? h / 2.0 : 0.5);
  if (fill && !full)
    cairo_move_to(cr_, 0, 0);
  double from = -angle1 * kRadiansPer64th, to = -(angle1 + angle2) * kRadiansPer64th;
  if (full)
    cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
  else if (angle2 >= 0)
    cairo_arc_negative(cr_, 0, 0, 1, from, to);
  else
    cairo_arc(cr_, 0, 0, 1, from, to);
  if (fill && !full)
    cairo_close_path(cr_);
  cairo_restore(cr_);
}

void CairoSurface::polygon(const std::vector<view::PixelPoint>& points, bool fill)
{
  if (points.empty())
    return;
  finish();
  double offset = fill ? 0 : 0.5;
  cairo_move_to(cr_, points[0].x + offset, points[0].y + offset);
  for (size_t i = 1; i < points.size(); ++i)
    cairo_line_to(cr_, points[i].x + offset, points[i].y + offset);
  cairo_close_path(cr_);
  useSource();
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  if (fill)
    cairo_fill(cr_);
  else
    cairo_stroke(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
}

void CairoSurface::string(int x, int y, const char* text)
{
  finish();
  useSource();
  cairo_move_to(cr_, x, y);
  cairo_show_text(cr_, text);
  cairo_new_path(cr_);
}

void CairoSurface::clear()
{
  finish();
  cairo_save(cr_);
  cairo_set_source_rgb(cr_, channel(background_, 16), channel(background_, 8), channel(background_, 0));
  cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr_);
  cairo_restore(cr_);
}

void CairoSurface::copyArea(int x, int y, int w, int h, int toX, int toY)
{
  if (w <= 0 || h <= 0)
    return;
  finish();
  cairo_surface_t* copy = cairo_surface_create_similar_image(image_, CAIRO_FORMAT_RGB24, w, h);
  cairo_t* c = cairo_create(copy);
  cairo_set_source_surface(c, image_, -x, -y);
  cairo_paint(c);
  cairo_destroy(c);
  cairo_save(cr_);
  cairo_set_source_surface(cr_, copy, toX, toY);
  cairo_rectangle(cr_, toX, toY, w, h);
  cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  cairo_fill(cr_);
  cairo_restore(cr_);
  cairo_surface_destroy(copy);
}

}  // namespace batch
