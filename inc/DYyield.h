// DYyield.h -- yield analysis (src/yield).
//
// Everything other subsystems may use of this subsystem: the critical area
// of the active layer against defect size, the sensitivity sweeps, the
// probability of failure, the yield curve and their plots in the plot
// window (Vpopup).
#pragma once

#include <cstdint>

struct _Gviewport;

// Menu actions.
int DYcritCompS();
int DYcritCompO();
int DYdx();
int DYCarea();
int DYpof();
int DYanaShort();
int DYanaOpen();
int DYyx();

// ---------------------------------------------------------------------------
// Curves and settings.
// ---------------------------------------------------------------------------
constexpr int kMaxCurvePoints = 100;

// One plotted curve, at most kMaxCurvePoints points.
struct _FdataResult {
  int32_t length;
  float datax[kMaxCurvePoints];
  float datay[kMaxCurvePoints];
};
extern _FdataResult Fsensitivity;  // defect size, sensitivity
extern _FdataResult FpofFailure;   // defect size, probability of failure
extern _FdataResult Fyield;        // defect density, yield

// Density range of the yield plot.
struct _FdataRange {
  float minimum;
  float maximum;
  float step;
};
extern _FdataRange Fdensity;

// What the plot window shows: 0 nothing yet, 1 size distribution,
// 2 probability of failure, 3 sensitivity, 4 yield.
extern int16_t PopupWhat;

// Empties the three curves, sets Fdensity to 100, 2000, 100 and installs
// the redraw of the plot window.
void DYinit();

// ---------------------------------------------------------------------------
// Critical areas.
// ---------------------------------------------------------------------------

// Critical area (square "micron", layout units / theGlobalScale) of the
// layer of plane `plane` for defects of `size` layout units inside the box:
// the union of the bridge regions (S) or of the cut regions (O), at most
// the layout area.  Mode 0 reports it; mode 1 appends a sensitivity point.
// The critical-area plane is left empty and the tiles unmarked, also when
// the action is abandoned.
double DYcritAreaS(int plane, int size, int x1, int y1, int x2, int y2, int mode);
double DYcritAreaO(int plane, int size, int x1, int y1, int x2, int y2, int mode);

// Frame of plane 0 in square "micron"; 0 without planes.
double DYlayoutArea();
// criticalArea / layoutArea (0 for an empty layout).
double DYsensitivity(double size, double criticalArea, double layoutArea);

// ---------------------------------------------------------------------------
// Curve arithmetic.
// ---------------------------------------------------------------------------

// Prints "Possibility of failure: %4f." of the trapezoidal integral of the
// curve and returns it.
double DYcurArea(const float* xs, const float* ys, int n);
// Probability of failure of a sensitivity point (x > 0).
double DYpofOf(double x, double sensitivity, double D0, double X0);
// The defect size distribution at x.
double DYdistribution(double x, double D0, double X0);

// ---------------------------------------------------------------------------
// Plots.  Plot coordinates run from 0 to 1000 on both axes.
// ---------------------------------------------------------------------------

// Maps (x, y) of a chart with maxima xmax, ymax and nx, ny divisions.
void DYmapXY(float xmax, float ymax, int nx, int ny, float x, float y, int* px, int* py);
// Marks every point with a 20 x 20 square in colour 1 and joins them in
// `color`.
void DYdrawData(_Gviewport* vp, const _FdataResult* curve, float xmax, float ymax, int color);
// The size distribution chart of the active layer (frame and curve).
void DYdrawDX(_Gviewport* vp, float D0, float X0);
void DYdrawDXcurve(_Gviewport* vp, float D0, float X0, float xmax, float ymax);
// Redraws what PopupWhat names.
void DYpopup();

namespace yield {
// Plots drawn since start (the batch driver writes one file per plot).
int plotCount();
}  // namespace yield
