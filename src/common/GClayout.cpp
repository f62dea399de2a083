// Layout roots, release of layout structures, lookups and transforms.
#include "Dlayout.h"

#include <cmath>
#include <cstring>

_layout* Gsymbols = nullptr;
_layout* Glayout = nullptr;
_layout* Gactive = nullptr;
_layout* Gflatten = nullptr;
_pin* Gpin = nullptr;
int DworkingMode = kModeLayout;
char OriginalCiffile[kFileNameLength];

int theGlobalScale = INITSCALE;
int SCALE = INITSCALE;
int ENV_SCALE = 1;
double LAMBDA_T1 = 0.1;

void GCfreeLayout(_layout* cell)
{
  while (cell) {
    _layout* next = cell->next;
    for (_symbol* symbol : cell->symbol)
      GCfreeSymbol(symbol);
    GCfreeInst(cell->instance);
    common::release(cell);
    cell = next;
  }
}

void GCfreeSymbol(_symbol* symbol)
{
  if (!symbol)
    return;
  GCfreeRect(symbol->rect);
  GCfreePath(symbol->path);
  GCfreePoly(symbol->poly);
  GCfreeCircle(symbol->circle);
  GCfreeLabel(symbol->label);
  common::release(symbol);
}

// Each of these walks from the given record to the end of its list.
template <class T>
static void freeList(T* record)
{
  while (record) {
    T* next = record->next;
    common::release(record);
    record = next;
  }
}

void GCfreeRect(_rects* rect) { freeList(rect); }
void GCfreeCircle(_circles* circle) { freeList(circle); }
void GCfreePoints(_points* points) { freeList(points); }
void GCfreeInst(_instance* instance) { freeList(instance); }

void GCfreePoly(_polys* poly)
{
  while (poly) {
    _polys* next = poly->next;
    GCfreePoints(poly->points);
    common::release(poly);
    poly = next;
  }
}

void GCfreePath(_paths* path)
{
  while (path) {
    _paths* next = path->next;
    GCfreePoints(path->points);
    common::release(path);
    path = next;
  }
}

void GCfreeLabel(_labels* label)
{
  while (label) {
    _labels* next = label->next;
    GCfreeString(label->label);
    common::release(label);
    label = next;
  }
}

void GCfreePins(_pin* pin)
{
  while (pin) {
    _pin* next = pin->next;
    GCfreeString(pin->label);
    GCfreeString(pin->layername);
    common::release(pin);
    pin = next;
  }
}

_layout* GfindLayout(const char* name, _layout* list)
{
  for (; list; list = list->next)
    if (strcmp(list->name, name) == 0)
      return list;
  return nullptr;
}

/*
 * PointTrans --
 *   Applies n transformation steps to (x, y), in order.  A rotation by the
 *   direction (a, b) turns the x axis onto that direction; results are
 *   truncated toward zero.
 */
void PointTrans(const _opcode* ops, long n, long x, long y, long* ox, long* oy)
{
  for (long i = 0; i < n; ++i) {
    const _opcode& op = ops[i];
    switch (op.type) {
      case mirror:
        x *= op.x;
        y *= op.y;
        break;
      case trans:
        x += op.x;
        y += op.y;
        break;
      case rotate: {
        double len = std::sqrt(double(op.x) * op.x + double(op.y) * op.y);
        if (len == 0)
          break;
        double c = op.x / len;
        double s = op.y / len;
        double nx = x * c - y * s;
        double ny = x * s + y * c;
        x = static_cast<long>(nx);
        y = static_cast<long>(ny);
        break;
      }
    }
  }
  *ox = x;
  *oy = y;
}

_points* PlistTrans(const _opcode* ops, long n, const _points* in, long* count,
                    long* xmin, long* ymin, long* xmax, long* ymax)
{
  _points* out = nullptr;
  *count = 0;
  *xmin = *ymin = 0x3fffffff;
  *xmax = *ymax = static_cast<int>(0xc0000001u);
  for (; in; in = in->next) {
    long x, y;
    PointTrans(ops, n, in->x, in->y, &x, &y);
    _points* p = common::make<_points>();
    p->x = static_cast<int>(x);
    p->y = static_cast<int>(y);
    p->next = out;
    out = p;
    ++*count;
    if (x < *xmin) *xmin = x;
    if (y < *ymin) *ymin = y;
    if (x > *xmax) *xmax = x;
    if (y > *ymax) *ymax = y;
  }
  return out;
}

void ACframe(long x, long y, _layout* l)
{
  _box& f = l->frame;
  if (x < f.x1) f.x1 = static_cast<int>(x);
  if (y < f.y1) f.y1 = static_cast<int>(y);
  if (x > f.x2) f.x2 = static_cast<int>(x);
  if (y > f.y2) f.y2 = static_cast<int>(y);
}

bool GCequal(long a, long b) { return a - b < 10 && b - a < 10; }
bool GCgreat(long a, long b) { return a - b > 10; }
bool GCsmall(long a, long b) { return b - a > 10; }

bool ACoverlap(long x1, long y1, long x2, long y2, long p1, long q1, long p2, long q2)
{
  return p1 < x2 && p2 > x1 && q1 < y2 && q2 > y1;
}
