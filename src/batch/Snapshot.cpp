#include "Snapshot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "DTtechnology.h"
#include "DisplayList.h"
#include "Dlayout.h"
#include "Dview.h"
#include "ImageSurface.h"

namespace batch {

namespace {

// Magic numbers, in pixels of the snapshot.
constexpr int kLegendWidth = 210;
constexpr int kMargin = 10;
constexpr int kTitleFont = 14;
constexpr int kTitleLine = 18;
constexpr int kTextFont = 11;
constexpr int kRow = 20;
constexpr int kSwatchWidth = 34;
constexpr int kSwatchHeight = 14;
constexpr int kScaleBarTarget = 120;  // preferred length of the scale bar
constexpr unsigned long kTextColor = 0xffffff;
constexpr unsigned long kPanelColor = 0x1c1c24;
constexpr unsigned long kFrameColor = 0x707070;
constexpr int kElementColor = 2;  // colour-table entry of device elements in tile mode

std::string baseName(const char* path)
{
  const char* slash = strrchr(path, '/');
  return slash ? slash + 1 : path;
}

double micrometres(long units) { return SCALE > 0 ? units * LAMBDA_T1 / SCALE : double(units); }

std::string format(const char* pattern, double a, double b, double c, double d)
{
  char text[160];
  snprintf(text, sizeof text, pattern, a, b, c, d);
  return text;
}

// The first line: the file, what the view shows and where.
std::string titleLine()
{
  std::string title = OriginalCiffile[0] ? baseName(OriginalCiffile) : std::string("no layout");
  title += DworkingMode == kModePlanes ? "  |  tile planes" : "  |  layout";
  _box v = view::visibleBox(Vmain);
  title += format("  |  view %.1f,%.1f to %.1f,%.1f µm", micrometres(v.x1), micrometres(v.y1),
                  micrometres(v.x2), micrometres(v.y2));
  return title;
}

std::string highlightLine(const std::vector<Highlight>& highlights)
{
  if (highlights.empty())
    return "highlighted: nothing";
  std::string line = "highlighted: ";
  for (size_t i = 0; i < highlights.size(); ++i)
    line += (i ? ", " : "") + highlights[i].label;
  return line;
}

bool hasGeometry(const _layerDef& layer)
{
  if (!Glayout || layer.layer < 0 || layer.layer >= kMaxLayers)
    return false;
  const _symbol* s = Glayout->symbol[layer.layer];
  return s && (s->rect || s->path || s->poly || s->circle);
}

// The layers drawn, lowest priority first.
std::vector<_layerDef*> shownLayers()
{
  std::vector<_layerDef*> layers;
  for (int i = 0; i < GlayerNum; ++i)
    if (Glayers[i].showswitch == 1 && hasGeometry(Glayers[i]))
      layers.push_back(&Glayers[i]);
  std::stable_sort(layers.begin(), layers.end(),
                   [](const _layerDef* a, const _layerDef* b) { return a->priority < b->priority; });
  return layers;
}

void plain(view::Surface& s, unsigned long color)
{
  s.setXor(false);
  s.setStipple(nullptr);
  s.setDashed(false);
  s.setLineWidth(0);
  s.setColor(color);
}

void layerSwatch(view::Surface& s, const _layerDef& layer, int x, int y)
{
  unsigned long color = GCgetNamedColor(layer.color) & 0xffffff;
  plain(s, color);
  if (layer.fillmode && layer.pixmap)
    s.setStipple(layer.pixmap);
  s.rectangle(x, y, kSwatchWidth, kSwatchHeight, true);
  plain(s, color);
  s.rectangle(x, y, kSwatchWidth, kSwatchHeight, false);
}

void highlightSwatch(view::Surface& s, const Highlight& h, int x, int y)
{
  if (h.colors.empty())
    return;
  if (h.dashed) {
    plain(s, h.colors.front());
    s.setDashed(true);
    s.line(x, y + kSwatchHeight / 2, x + kSwatchWidth, y + kSwatchHeight / 2);
    s.setDashed(false);
    return;
  }
  int n = static_cast<int>(std::min<size_t>(h.colors.size(), 3));
  int w = kSwatchWidth / n;
  for (int i = 0; i < n; ++i) {
    plain(s, h.colors[i]);
    s.rectangle(x + i * w, y, i + 1 == n ? kSwatchWidth - i * w : w, kSwatchHeight, true);
  }
}

// A round length of about the preferred pixels at `unitsPerPixel`.
void scaleBar(CairoSurface& s, double unitsPerPixel, int x, int y)
{
  double um = micrometres(1) * unitsPerPixel * kScaleBarTarget;
  if (!(um > 0))
    return;
  double step = std::pow(10.0, std::floor(std::log10(um)));
  double length = step;
  for (double f : {2.0, 5.0, 10.0})
    if (step * f <= um)
      length = step * f;
  int pixels = static_cast<int>(std::lround(length / (micrometres(1) * unitsPerPixel)));
  plain(s, kTextColor);
  s.setLineWidth(2);
  s.line(x, y, x + pixels, y);
  s.line(x, y - 4, x, y + 4);
  s.line(x + pixels, y - 4, x + pixels, y + 4);
  plain(s, kTextColor);
  char text[32];
  snprintf(text, sizeof text, length < 1 ? "%.2g µm" : "%.0f µm", length);
  s.string(x, y - 8, text);
}

int drawLegend(CairoSurface& s, const std::vector<Highlight>& highlights, int left, int top)
{
  int x = left + kMargin, y = top + kMargin;
  plain(s, kPanelColor);
  s.rectangle(left, top, s.width() - left, s.height() - top, true);
  s.setFontSize(kTextFont + 1);
  plain(s, kTextColor);
  s.string(x, y + kTextFont, "Layers");
  s.setFontSize(kTextFont);
  y += kRow;
  std::vector<_layerDef*> layers = shownLayers();
  if (layers.empty()) {
    plain(s, kTextColor);
    s.string(x, y + kTextFont, "(none drawn)");
    y += kRow;
  }
  for (const _layerDef* layer : layers) {
    layerSwatch(s, *layer, x, y);
    plain(s, kTextColor);
    std::string name = layer->name;
    if (layer->sname[0] && strcmp(layer->sname, layer->name) != 0)
      name += std::string(" (") + layer->sname + ")";
    s.string(x + kSwatchWidth + 8, y + kTextFont, name.c_str());
    y += kRow;
  }
  const _GWorkStation& station = GCworkStation[GCstationId];
  if (DworkingMode == kModePlanes && !layers.empty() && station.ncolor > kElementColor) {
    plain(s, station.color[kElementColor].pixel & 0xffffff);
    s.rectangle(x, y, kSwatchWidth, kSwatchHeight, true);
    plain(s, kTextColor);
    s.string(x + kSwatchWidth + 8, y + kTextFont, "gates (device elements)");
    y += kRow;
  }
  bool any = false;
  for (const Highlight& h : highlights)
    any = any || !h.colors.empty();
  if (any) {
    y += kRow / 2;
    s.setFontSize(kTextFont + 1);
    plain(s, kTextColor);
    s.string(x, y + kTextFont, "Highlighted");
    s.setFontSize(kTextFont);
    y += kRow;
    for (const Highlight& h : highlights) {
      if (h.colors.empty())
        continue;
      highlightSwatch(s, h, x, y);
      plain(s, kTextColor);
      s.string(x + kSwatchWidth + 8, y + kTextFont, h.label.c_str());
      y += kRow;
    }
  }
  return y;
}

std::string xmlEscaped(const std::string& text)
{
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

/*
 * describeSvg --
 *   cairo writes letters as glyph outlines; the title and legend go into
 *   the file's <title> and <desc> as text too, for viewers and searches.
 */
bool describeSvg(const std::string& path, const std::vector<Highlight>& highlights)
{
  std::ifstream in(path);
  std::stringstream content;
  content << in.rdbuf();
  std::string svg = content.str();
  size_t open = svg.find("<svg");
  size_t end = open == std::string::npos ? open : svg.find('>', open);
  if (end == std::string::npos)
    return false;
  std::string desc = highlightLine(highlights) + "; layers:";
  for (const _layerDef* layer : shownLayers())
    desc += std::string(" ") + layer->name;
  svg.insert(end + 1, "\n<title>" + xmlEscaped(titleLine()) + "</title>\n<desc>" + xmlEscaped(desc) +
                          "</desc>");
  std::ofstream out(path, std::ios::trunc);
  out << svg;
  return static_cast<bool>(out);
}

}  // namespace

void drawSnapshot(CairoSurface& s, const SnapshotRequest& request, const DisplayList& view,
                  const std::vector<Highlight>& highlights)
{
  s.clear();
  int left = 0, top = 0, right = s.width(), bottom = s.height();
  if (!request.bare) {
    top = 2 * kTitleLine + kMargin;
    right = s.width() - kLegendWidth;
  }
  // The view fitted into its part of the picture, centred.
  double scale = std::min(double(right - left) / view.width(), double(bottom - top) / view.height());
  int x0 = left + static_cast<int>((right - left - view.width() * scale) / 2);
  int y0 = top + static_cast<int>((bottom - top - view.height() * scale) / 2);
  s.setClip(x0, y0, static_cast<int>(view.width() * scale), static_cast<int>(view.height() * scale));
  view.replay(s, scale, x0, y0);
  s.resetClip();
  if (request.bare) {
    s.flush();
    return;
  }
  plain(s, kFrameColor);
  s.rectangle(x0, y0, static_cast<int>(view.width() * scale) - 1,
              static_cast<int>(view.height() * scale) - 1, false);
  s.setFontSize(kTitleFont);
  plain(s, kTextColor);
  s.string(kMargin, kTitleLine, titleLine().c_str());
  s.setFontSize(kTextFont + 1);
  s.string(kMargin, 2 * kTitleLine, highlightLine(highlights).c_str());
  drawLegend(s, highlights, right, top);
  if (Vmain && Vmain->scale > 0)
    scaleBar(s, Vmain->scale / scale, right + kMargin, s.height() - 2 * kMargin);
  s.setFontSize(10);
  s.flush();
}

bool writeSnapshot(const SnapshotRequest& request, const DisplayList& view,
                   const std::vector<Highlight>& highlights, unsigned long background)
{
  if (request.svg) {
    SvgSurface svg(request.path.c_str(), request.width, request.height, background);
    drawSnapshot(svg, request, view, highlights);
    return svg.complete() && (request.bare || describeSvg(request.path, highlights));
  }
  ImageSurface image(request.width, request.height, background);
  drawSnapshot(image, request, view, highlights);
  return image.writePng(request.path.c_str());
}

}  // namespace batch
