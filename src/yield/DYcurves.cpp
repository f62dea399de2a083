// The curves of the yield analysis and their plots: sensitivity, defect
// size distribution, probability of failure and yield against defect
// density, drawn in the plot window (Vpopup) over the chart frame.
#include "DYyield.h"

#include <algorithm>
#include <cmath>

#include "CS.h"
#include "DFfault.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dview.h"

_FdataResult Fsensitivity = {};
_FdataResult FpofFailure = {};
_FdataResult Fyield = {};
_FdataRange Fdensity = {100.0f, 2000.0f, 100.0f};
int16_t PopupWhat = 0;

namespace {

constexpr int kModule = 7;
constexpr int kDivisions = 10;
constexpr int kPlotRange = 1000;   // plot coordinates on each axis
constexpr int kMarkHalf = 10;      // half the side of a point mark
constexpr int kMarkColor = 1;
constexpr int kCurveColor = 3;     // size distribution
constexpr int kPofColor = 2;
constexpr int kSensitivityColor = 6;
constexpr int kYieldColor = 10;
constexpr float kLeastPof = 1e-8f;

int plots = 0;

// The active layer's technology entry, or null.
_layerDef* activeLayer()
{
  int plane = DFactiveIndex();
  int index = plane < 0 ? -1 : cs::layerIndexOfPlane(plane);
  return index < 0 ? nullptr : &Glayers[index];
}

float maxDefectSize() { return static_cast<float>(theMaxDefectSize) / theGlobalScale; }

// Plot coordinates to pixels of the viewport's surface: each axis is
// stretched over the surface so that the curves meet the chart frame.
view::PixelPoint pixel(const _Gviewport* vp, int px, int py)
{
  const view::Surface& s = *vp->surface;
  return {static_cast<int>(long(px) * s.width() / kPlotRange),
          s.height() - static_cast<int>(long(py) * s.height() / kPlotRange)};
}

view::Surface* pen(_Gviewport* vp, int color)
{
  GGsetColor(vp, color);
  view::Surface* s = vp->surface;
  s->setXor(false);
  s->setStipple(nullptr);
  s->setDashed(false);
  s->setLineWidth(vp->lineWidth);
  s->setColor(vp->color);
  return s;
}

void line(_Gviewport* vp, int x1, int y1, int x2, int y2)
{
  view::PixelPoint a = pixel(vp, x1, y1), b = pixel(vp, x2, y2);
  vp->surface->line(a.x, a.y, b.x, b.y);
}

// The plot window shown and cleared, with its chart frame.
bool beginPlot(float xmax, float ymax, const char* xtitle, const char* ytitle)
{
  if (!PopupWindowIsThere)
    common::frontEnd().openPlotWindow();
  if (!Vpopup || !Vpopup->surface)
    return false;
  GGclear(Vpopup);
  GCmakeView(Vpopup, xmax, ymax, kDivisions, kDivisions, xtitle, ytitle);
  return true;
}

void endPlot(int what)
{
  PopupWhat = static_cast<int16_t>(what);
  Vpopup->surface->flush();
  ++plots;
}

// The probability of failure of every sensitivity point, into FpofFailure.
void computePof(const _layerDef& layer)
{
  FpofFailure.length = Fsensitivity.length;
  for (int i = 0; i < Fsensitivity.length; ++i) {
    FpofFailure.datax[i] = Fsensitivity.datax[i];
    FpofFailure.datay[i] = static_cast<float>(
        DYpofOf(Fsensitivity.datax[i], Fsensitivity.datay[i], layer.D0, layer.X0));
  }
}

double integral(const float* xs, const float* ys, int n)
{
  double sum = 0;
  for (int i = 1; i < n; ++i)
    sum += (double(xs[i]) - xs[i - 1]) * (double(ys[i]) + ys[i - 1]) / 2;
  return sum;
}

float largest(const float* ys, int n, float least)
{
  float m = least;
  for (int i = 0; i < n; ++i)
    m = std::max(m, ys[i]);
  return m;
}

bool sizeDistributionUsable(const _layerDef& layer)
{
  if (layer.X0 > 0)
    return true;
  GCmessage(kModule, 'E', "The size distribution factor X0 must be positive");
  return false;
}

}  // namespace

namespace yield {
int plotCount() { return plots; }
}  // namespace yield

void DYinit()
{
  Fsensitivity.length = 0;
  FpofFailure.length = 0;
  Fyield.length = 0;
  Fdensity = {100.0f, 2000.0f, 100.0f};
  PopupWhat = 0;
  view::setPlotRedraw(DYpopup);
}

double DYdistribution(double x, double D0, double X0)
{
  if (X0 <= 0 || x <= 0)
    return 0;
  return x <= X0 ? D0 * x / (X0 * X0) : D0 * X0 * X0 / (x * x * x);
}

// A defect of no size fails nothing.
double DYpofOf(double x, double sensitivity, double D0, double X0)
{
  return x > 0 ? sensitivity * D0 * X0 * X0 / (x * x * x) : 0;
}

double DYcurArea(const float* xs, const float* ys, int n)
{
  double area = integral(xs, ys, n);
  common::outf("Possibility of failure: %4f.\n", area);
  return area;
}

/*
 * DYmapXY --
 *   Plot coordinates of a value pair: a margin of 1000 / (n + 2) and a
 *   drawing width of 1000 - 2000 / (n + 2) on each axis.  A maximum that
 *   is not positive maps everything onto the margin.
 */
void DYmapXY(float xmax, float ymax, int nx, int ny, float x, float y, int* px, int* py)
{
  auto map = [](float max, int n, float v) {
    int margin = kPlotRange / (n + 2);
    int width = kPlotRange - 2 * kPlotRange / (n + 2);
    if (!(max > 0))
      return margin;
    return static_cast<int>(margin + width * v / max);
  };
  *px = map(xmax, nx, x);
  *py = map(ymax, ny, y);
}

void DYdrawData(_Gviewport* vp, const _FdataResult* curve, float xmax, float ymax, int color)
{
  if (!vp || !vp->surface || !curve)
    return;
  int lastX = 0, lastY = 0;
  for (int i = 0; i < curve->length; ++i) {
    int x, y;
    DYmapXY(xmax, ymax, kDivisions, kDivisions, curve->datax[i], curve->datay[i], &x, &y);
    view::Surface* s = pen(vp, kMarkColor);
    view::PixelPoint a = pixel(vp, x - kMarkHalf, y + kMarkHalf);
    view::PixelPoint b = pixel(vp, x + kMarkHalf, y - kMarkHalf);
    s->rectangle(a.x, a.y, b.x - a.x, b.y - a.y, false);
    if (i > 0) {
      pen(vp, color);
      line(vp, lastX, lastY, x, y);
    }
    lastX = x;
    lastY = y;
  }
}

/*
 * DYdrawDXcurve --
 *   The size distribution as a polyline from the origin in steps of
 *   theStep / (theGlobalScale x 10): rising up to X0, then falling from X0
 *   up to the largest defect size.
 */
void DYdrawDXcurve(_Gviewport* vp, float D0, float X0, float xmax, float ymax)
{
  if (!vp || !vp->surface || X0 <= 0)
    return;
  const float step = static_cast<float>(theStep) / (theGlobalScale * 10.0f);
  pen(vp, kCurveColor);
  int lastX, lastY;
  DYmapXY(xmax, ymax, kDivisions, kDivisions, 0, 0, &lastX, &lastY);
  auto to = [&](float x) {
    int px, py;
    DYmapXY(xmax, ymax, kDivisions, kDivisions, x, float(DYdistribution(x, D0, X0)), &px, &py);
    line(vp, lastX, lastY, px, py);
    lastX = px;
    lastY = py;
  };
  if (step <= 0) {
    to(X0);
    return;
  }
  for (int i = 1; i * step < X0; ++i)
    to(i * step);
  to(X0);
  for (int i = 1; X0 + i * step <= xmax; ++i)
    to(X0 + i * step);
}

void DYdrawDX(_Gviewport* vp, float D0, float X0)
{
  float ymax = D0 / X0;
  if (!beginPlot(maxDefectSize(), ymax, "Defect Size", "Defect Density"))
    return;
  DYdrawDXcurve(vp, D0, X0, maxDefectSize(), ymax);
  endPlot(1);
}

int DYdx()
{
  _layerDef* layer = activeLayer();
  if (!layer) {
    GCmessage(kModule, 'W', "Select an active layer first");
    return 1;
  }
  if (!sizeDistributionUsable(*layer))
    return 1;
  DYdrawDX(Vpopup, layer->D0, layer->X0);
  return 0;
}

int DYCarea()
{
  if (Fsensitivity.length == 0) {
    GCmessage(kModule, 'W', "No data available to view the layout sensitivity");
    return 1;
  }
  if (!beginPlot(maxDefectSize(), 1.0f, "Defect Size", "Sensitivity"))
    return 1;
  DYdrawData(Vpopup, &Fsensitivity, maxDefectSize(), 1.0f, kSensitivityColor);
  endPlot(3);
  return 0;
}

int DYpof()
{
  _layerDef* layer = activeLayer();
  if (!layer) {
    GCmessage(kModule, 'W', "No active layer, select one");
    return 1;
  }
  if (Fsensitivity.length == 0) {
    GCmessage(kModule, 'W', "No data available to view the POF");
    return 1;
  }
  computePof(*layer);
  float ymax = largest(FpofFailure.datay, FpofFailure.length, kLeastPof);
  if (beginPlot(maxDefectSize(), ymax, "Defect Size", "Possibility of Failure")) {
    DYdrawData(Vpopup, &FpofFailure, maxDefectSize(), ymax, kPofColor);
    endPlot(2);
  }
  DYcurArea(FpofFailure.datax, FpofFailure.datay, FpofFailure.length);
  return 0;
}

/*
 * DYyx --
 *   Yield against defect density with the clustered model
 *   Y0 / (1 + A d lambda / alfa)^alfa, lambda the integral of the
 *   probability of failure and A the layout area x 1e-7.  The curve holds
 *   at most 100 points; a longer density range is cut there.
 */
int DYyx()
{
  _layerDef* layer = activeLayer();
  if (!layer) {
    GCmessage(kModule, 'W', "Select an active layer first");
    return 1;
  }
  if (Fsensitivity.length == 0) {
    GCmessage(kModule, 'W', "Please analyse the layout sensitivity first");
    return 1;
  }
  if (!(Fdensity.step > 0)) {
    GCmessage(kModule, 'E', "The density growing step must be positive");
    return 1;
  }
  if (layer->alfa == 0) {
    GCmessage(kModule, 'E', "The gamma distribution parameter A must not be 0");
    return 1;
  }
  computePof(*layer);
  const double lambda = integral(FpofFailure.datax, FpofFailure.datay, FpofFailure.length);
  const double area = DYlayoutArea() * 1e-7;
  const double alfa = layer->alfa;
  Fyield.length = 0;
  for (float d = Fdensity.minimum; d <= Fdensity.maximum; d += Fdensity.step) {
    if (Fyield.length == kMaxCurvePoints) {
      GCmessage(kModule, 'W', "The density range gives more than %d points, stopped at %g",
                kMaxCurvePoints, double(Fyield.datax[kMaxCurvePoints - 1]));
      break;
    }
    Fyield.datax[Fyield.length] = d;
    Fyield.datay[Fyield.length] =
        static_cast<float>(layer->Y0 / std::pow(1 + area * d * lambda / alfa, alfa));
    ++Fyield.length;
  }
  float ymax = largest(Fyield.datay, Fyield.length, 0);
  if (beginPlot(Fdensity.maximum, ymax, "Defect Density", "Yield")) {
    DYdrawData(Vpopup, &Fyield, Fdensity.maximum, ymax, kYieldColor);
    endPlot(4);
  }
  return 0;
}

void DYpopup()
{
  switch (PopupWhat) {
    case 1: DYdx(); break;
    case 2: DYpof(); break;
    case 3: DYCarea(); break;
    case 4: DYyx(); break;
    default: break;
  }
}
