// Dlayout.h -- the layout database (src/common).
//
// Everything other subsystems may use of the layout records, the global
// roots, the pooled allocator, the coordinate transforms and the hierarchy
// operations.  Coordinates are signed 32-bit internal units; theGlobalScale
// internal units make one grid step of LAMBDA_T1 micrometres.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

struct _Dtile;

// ---------------------------------------------------------------------------
// Units.
// ---------------------------------------------------------------------------
constexpr int INITSCALE = 40;          // internal units per grid step at GlobalScale 1
constexpr double CIF_FACTOR = 0.01;    // micrometres per CIF unit
constexpr int kEmptyFrameLow = 0x7fffffff;                // frame x1, y1 when empty
constexpr int kEmptyFrameHigh = static_cast<int>(0x80000000u);  // frame x2, y2 when empty
constexpr int kInfinity = 1073741823;  // plus infinity of planes, frames, searches
constexpr int kMaxCoordinate = kInfinity - 1;  // largest |coordinate| the database holds

extern int theGlobalScale;  // internal units per grid step (40 x GlobalScale)
extern int SCALE;           // the same value
extern int ENV_SCALE;       // the GlobalScale of the system source file
extern double LAMBDA_T1;    // grid step in micrometres

// ---------------------------------------------------------------------------
// Records.  All are plain data, created zero-filled with GCmalloc and
// released with GCfree of their own size.
// ---------------------------------------------------------------------------
struct _point {
  int x, y;
};

struct _points {  // point list: polygon outlines, wire centre lines
  int x, y;
  _points* next;
};

struct _box {
  int x1, y1, x2, y2;
};

struct _rects {  // rectangle list node
  int x1, y1, x2, y2;
  _rects* next;
};

struct _paths {  // a wire: width and centre line
  int width;
  _points* points;
  _paths* next;
};

struct _polys {  // polygon outline, closing edge implied
  _points* points;
  _polys* next;
};

struct _circles {
  int d;  // diameter
  int x, y;
  _circles* next;
};

struct _labels {
  char* label;  // owned, made with GCstrcpy
  int x, y;
  _labels* next;
};

struct _strings {
  char* string;
  _strings* next;
};

constexpr int kNameLength = 32;  // characters of layer and cell names
constexpr int kMaxLayers = 32;   // slots of a cell's symbol array

struct _symbol {  // the geometry of one cell on one mask layer
  char layername[kNameLength];
  _rects* rect;
  _paths* path;
  _polys* poly;
  _circles* circle;
  _labels* label;
};

enum GOPTYPE { trans = 0, mirror = 1, rotate = 2 };

struct _opcode {  // one step of a call transformation
  GOPTYPE type;
  int x, y;  // displacement, mirror factors, or rotated x-axis direction
};

constexpr int kMaxOpcodes = 32;  // transformation steps of one call

struct _instance {  // one cell call
  int no;
  char cellname[kNameLength];
  int optimes;
  _opcode opcode[kMaxOpcodes];
  _instance* next;
};

struct _layout {  // one cell
  _box frame;
  char name[kNameLength];      // "CIRCUIT<n>", or "CIRCUIT" for the top cell
  char cellname[kNameLength];  // the user's name for the cell
  int sid;
  _symbol* symbol[kMaxLayers];  // by technology layer number
  _instance* instance;
  _layout* next;
};

struct _pin {  // a named point on a layer, from a text label
  char* label;      // owned
  int x, y;
  char* layername;  // owned
  int layernum;
  _Dtile* tile;     // tile under the pin, once attached to a net
  _pin* next;
};

// ---------------------------------------------------------------------------
// Global roots.
// ---------------------------------------------------------------------------
extern _layout* Gsymbols;  // every cell read, most recent first
extern _layout* Glayout;   // the cell shown and analysed
extern _layout* Gactive;   // cell being defined; afterwards the top cell
extern _layout* Gflatten;  // flattened copy of the top cell
extern _pin* Gpin;         // pins, most recent first

// Name of the CIF file of the last load-and-analyse.
constexpr int kFileNameLength = 1024;
extern char OriginalCiffile[kFileNameLength];

// What the main view shows: 0 the cell Glayout, 9 the tile planes.
constexpr int kModeLayout = 0;
constexpr int kModePlanes = 9;
extern int DworkingMode;

// ---------------------------------------------------------------------------
// Memory.  Sizes are in bytes.  With OwnMemory set, the pooled sizes come
// from large blocks through intrusive free lists and are never returned to
// the system; records must be freed with the size they were made with.
// ---------------------------------------------------------------------------
constexpr int kStatisticSizes = 128;  // counters of size_account
extern long size_account[kStatisticSizes];

void GCmemInit();
void* GCmalloc(long size);
void GCballoc(int count, int size);
void GCfree(void* p, long size);
void* GCmemcpy(const void* p, unsigned long size);

long GCstrlen(const char* s);       // strlen + 1, 0 for null
char* GCstrcpy(const char* s);      // copy made with GCmalloc, null for null
int GCstrcmp(const char* a, const char* b);
void GCfreeString(char* s);         // releases a GCstrcpy copy

namespace common {
template <class T>
T* make()
{
  return static_cast<T*>(GCmalloc(sizeof(T)));
}
template <class T>
void release(T* p)
{
  GCfree(p, sizeof(T));
}
// Puts a new rectangle (x1, y1)-(x2, y2) in front of `list`.
inline void prependRect(_rects*& list, long x1, long y1, long x2, long y2)
{
  _rects* r = make<_rects>();
  *r = {static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2), static_cast<int>(y2),
        list};
  list = r;
}
}  // namespace common

// Release of whole structures; each walks from the given record to the end
// of its list.
void GCfreeLayout(_layout* cell);
void GCfreeSymbol(_symbol* symbol);
void GCfreeRect(_rects* rect);
void GCfreeCircle(_circles* circle);
void GCfreePoly(_polys* poly);
void GCfreePath(_paths* path);
void GCfreeLabel(_labels* label);
void GCfreeInst(_instance* instance);
void GCfreePoints(_points* points);
void GCfreePins(_pin* pin);

// ---------------------------------------------------------------------------
// Lookups, transforms and tolerant comparisons.
// ---------------------------------------------------------------------------
_layout* GfindLayout(const char* name, _layout* list);

void PointTrans(const _opcode* ops, long n, long x, long y, long* ox, long* oy);
_points* PlistTrans(const _opcode* ops, long n, const _points* in, long* count,
                    long* xmin, long* ymin, long* xmax, long* ymax);
void ACframe(long x, long y, _layout* l);

bool GCequal(long a, long b);  // |a - b| < 10
bool GCgreat(long a, long b);  // a - b > 10
bool GCsmall(long a, long b);  // b - a > 10
bool ACoverlap(long x1, long y1, long x2, long y2, long p1, long q1, long p2, long q2);

// ---------------------------------------------------------------------------
// Polygons and wires to rectangles.  Coordinates compare with the tolerance
// of GCequal / GCgreat / GCsmall.
// ---------------------------------------------------------------------------

// Covers a closed outline with rectangles (most recently cut first).  The
// outline is made rectilinear first and loses an explicit closing point.
// An outline the cutting cannot finish yields the rectangles cut so far.
_rects* GCpoly2rects(_polys* poly);
// Inserts a corner after every point whose successor differs in x and in y;
// the closing edge is not treated.
void GCorthPoly(_polys* poly);
// Number of horizontal edges, the closing edge included.
int GCedgeCount(_polys* poly);
// Fills `edges` (x1, x2 the ends, y1 the height) from highest to lowest.
void GCsortEdge(_box* edges, int count, _polys* poly);
// Combines collinear edges of equal height in place.
void GCmergeEdge(_box* edges, int* count);
// Cuts the lowest box off the shape; null when no edge stops the lowest one.
_rects* GCcut1Box(_box* edges, int* count);

// Outline of a wire of width `width` along `centreLine`: square ends reaching
// width/2 beyond the end points, mitred corners.  A corner on the straight
// line through its neighbours keeps the straight outline; where the wire
// turns back on itself the outline is split there, so the result is a list
// of polygons whose union is the wire.  Null for no points, a width below 1,
// more than 513 points ("Too many points in a path") or an outline beyond
// the coordinate range.  Points equal to their predecessor are removed from
// `centreLine`.
_polys* GCpath2poly(_points* centreLine, long width);
// Intersection of a1 x + b1 y = c1 and a2 x + b2 y = c2: 1 and the point, or
// 0 (nothing written) when the lines are parallel.
int inter_point(double a1, double b1, double c1, double a2, double b2, double c2, double* x,
                double* y);
// A polygon of the n / 2 points of `coords`, truncated toward zero and
// prepended one after another (reverse order); null when n is 0.
_polys* pathtopoly(const double* coords, long n);

// ---------------------------------------------------------------------------
// Hierarchy operations (menu actions).
//
// Ownership of cells: the Gsymbols list owns every cell it links.  Gflatten
// is a member of that list, except after GCfreeH, which keeps the flattened
// cell as a list of its own.  Glayout and Gactive own nothing; whenever the
// cell they point at is released they are cleared.  ACinit, GCfreeH and
// GCfreeS therefore release each cell exactly once.
// ---------------------------------------------------------------------------
int GCflatten();
int GCunflatten();
int GCactivateH();
int GCactivateS();
int GCfreeH();
int GCfreeS();
int GCsmash();
int GCdump();

// The first cell named "CIRCUIT" from `list` on.  Without one, prints
// "DID NOT FIND TOP LAYOUT!!!!.. exiting" and abandons the action.
_layout* GCgetTopLayout(_layout* list);

// Flattens `top` in place: every call, in list order, is replaced by the
// transformed geometry of the called cell, which is itself flattened first
// (once: a cell loses its calls at its first use).  Cells are found by name
// in `symbols` (first match).  A cell that calls itself, directly or through
// others, or geometry that would leave the coordinate range, abandons the
// action before anything is changed.
void GCflattenLayout(_layout* top, _layout* symbols);
// Flattens `cell` and copies its geometry, transformed by `call`, into `into`.
void GCflattenLayer(_layout* into, _instance* call, _layout* cell, _layout* symbols);

// Add one element at the front of the list of `slot` of `cell`, creating
// the symbol when it is missing.
void GCsave1rect(_layout* cell, long slot, long x1, long y1, long x2, long y2);
void GCsave1path(_layout* cell, long slot, long width, _points* points);
void GCsave1poly(_layout* cell, long slot, _points* points);
void GCsave1cir(_layout* cell, long slot, long x, long y, long d);
// The label text becomes "<callNo>_<text>".
void GCsave1label(_layout* cell, long slot, long x, long y, long callNo, const char* text);
void GCsaveLayerName(_layout* cell, long slot, const char* name);

// One layer of the dump: "L <name>;" and one "B length width cx cy;" line
// per rectangle of that slot of the flattened cell, in micrometres.
void GCdumpLayer(FILE* file, unsigned layerIndex);

namespace common {

// Bytes a flatten may allocate at most; 0 (the start value) means the
// machine's physical memory or the process's address-space or data limit,
// whichever is smaller.  A flatten that would need more is abandoned.
void setFlattenMemoryLimit(double bytes);

// Releases every cell held by Gsymbols and Gflatten, each once, and clears
// the four cell roots.
void releaseLayouts();

// A fresh cell: zero-filled, empty frame, named `name`.
_layout* newLayout(const char* name);

/*
 * topOfUncalled --
 *   For a layout written without a call outside its cell definitions: a new
 *   top cell "CIRCUIT" that calls, without transformation and numbered from
 *   0 in the order of definition, every cell of `cells` (a list through
 *   `next`, the most recent first, as Gsymbols) that no cell of the list
 *   calls; its frame holds theirs.
 * Returns: the new cell, not linked anywhere, or null when every cell is
 *   called (or there is none).  `names`, when not null, receives the called
 *   cells' names, each "name (cellname)" when the cell has a user's name.
 */
_layout* topOfUncalled(_layout* cells, std::string* names = nullptr);

}  // namespace common
