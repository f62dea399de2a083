// Flattening the cell hierarchy in place, switching between the
// hierarchical and the flattened cell, and releasing them.
#include "Dlayout.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "Dglobal.h"

namespace {

constexpr int kModule = 0;  // message module of the layout database
constexpr const char* kTopName = "CIRCUIT";

// Cells by name, first match of the list as GfindLayout finds them.
class CellIndex {
 public:
  explicit CellIndex(_layout* list)
  {
    for (; list; list = list->next)
      cells_.emplace(list->name, list);
  }
  _layout* find(const char* name)
  {
    key_.assign(name);
    auto found = cells_.find(key_);
    return found == cells_.end() ? nullptr : found->second;
  }

 private:
  std::unordered_map<std::string, _layout*> cells_;
  std::string key_;
};

// ---------------------------------------------------------------------------
// Checks before flattening: no cell may call itself, and no flattened cell
// may hold a coordinate beyond the range.  Nothing is changed until both
// hold, so an abandoned flatten leaves the hierarchy as it was.
// ---------------------------------------------------------------------------

// Bytes one flattened element needs at least (a rectangle record and the
// allocator's overhead).
constexpr double kBytesPerElement = 32;

struct HierarchyState {
  double flattenMemoryLimit = 0;  // bytes; 0: what the machine allows
};
HierarchyState state;

// Bytes a flatten may use: the set limit, or the physical memory capped by
// the process's address-space and data limits.
double flattenMemory()
{
  if (state.flattenMemoryLimit > 0)
    return state.flattenMemoryLimit;
  long pages = sysconf(_SC_PHYS_PAGES);
  long size = sysconf(_SC_PAGESIZE);
  double bytes = pages > 0 && size > 0 ? double(pages) * size : 1e18;
  for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
    rlimit limit{};
    if (getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
      bytes = std::min(bytes, double(limit.rlim_cur));
  }
  return bytes;
}

long elementsOf(const _symbol* symbol)
{
  long n = 0;
  for (const _rects* r = symbol->rect; r; r = r->next)
    ++n;
  for (const _paths* w = symbol->path; w; w = w->next)
    ++n;
  for (const _polys* g = symbol->poly; g; g = g->next)
    ++n;
  for (const _circles* c = symbol->circle; c; c = c->next)
    ++n;
  for (const _labels* l = symbol->label; l; l = l->next)
    ++n;
  return n;
}

struct Bounds {
  double x1 = HUGE_VAL, y1 = HUGE_VAL, x2 = -HUGE_VAL, y2 = -HUGE_VAL;
  bool empty() const { return x1 > x2; }
  void add(double x, double y)
  {
    x1 = std::min(x1, x);
    y1 = std::min(y1, y);
    x2 = std::max(x2, x);
    y2 = std::max(y2, y);
  }
  bool inRange() const
  {
    return empty() || (x1 >= -kMaxCoordinate && y1 >= -kMaxCoordinate && x2 <= kMaxCoordinate &&
                       y2 <= kMaxCoordinate);
  }
};

// Bounds of `b` after the steps of `call` (a box through each step by its
// four corners; truncation only shrinks).
Bounds transformed(const Bounds& b, const _instance* call)
{
  Bounds r = b;
  for (int i = 0; i < call->optimes && i < kMaxOpcodes && !r.empty(); ++i) {
    const _opcode& op = call->opcode[i];
    double xs[2] = {r.x1, r.x2}, ys[2] = {r.y1, r.y2};
    Bounds next;
    for (double x : xs) {
      for (double y : ys) {
        switch (op.type) {
          case mirror: next.add(x * op.x, y * op.y); break;
          case trans: next.add(x + op.x, y + op.y); break;
          case rotate: {
            double len = std::sqrt(double(op.x) * op.x + double(op.y) * op.y);
            if (len == 0) {
              next.add(x, y);
              break;
            }
            double c = op.x / len, s = op.y / len;
            next.add(x * c - y * s, x * s + y * c);
            break;
          }
        }
      }
    }
    r = next;
  }
  return r;
}

Bounds ownBounds(const _layout* cell)
{
  Bounds b;
  for (const _symbol* symbol : cell->symbol) {
    if (!symbol)
      continue;
    for (const _rects* r = symbol->rect; r; r = r->next) {
      b.add(r->x1, r->y1);
      b.add(r->x2, r->y2);
    }
    for (const _paths* w = symbol->path; w; w = w->next)
      for (const _points* p = w->points; p; p = p->next)
        b.add(p->x, p->y);
    for (const _polys* g = symbol->poly; g; g = g->next)
      for (const _points* p = g->points; p; p = p->next)
        b.add(p->x, p->y);
    for (const _circles* c = symbol->circle; c; c = c->next) {
      b.add(double(c->x) - c->d, double(c->y) - c->d);
      b.add(double(c->x) + c->d, double(c->y) + c->d);
    }
    for (const _labels* l = symbol->label; l; l = l->next)
      b.add(l->x, l->y);
  }
  return b;
}

/*
 * checkFlatten --
 *   Walks the cells reachable from `top` depth first, without recursion.
 * Side effects: a cell met again while its own calls are being walked calls
 *   itself; that, a flattened cell beyond the coordinate range, or more
 *   flattened elements than the machine's memory can hold, is reported
 *   (kind F) and abandons the action.
 */
using UseCounts = std::unordered_map<const _layout*, int>;

void checkFlatten(_layout* top, CellIndex& index, UseCounts* uses = nullptr)
{
  enum class Mark { Open, Done };
  struct Info {
    Mark mark;
    Bounds bounds;
    double elements;  // after flattening
  };
  struct Frame {
    _layout* cell;
    _instance* next;
  };
  std::unordered_map<const _layout*, Info> cells;
  std::vector<Frame> stack;
  double total = 0;  // elements of every flattened cell
  cells[top] = {Mark::Open, ownBounds(top), 0};
  stack.push_back({top, top->instance});
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (_instance* call = frame.next) {
      frame.next = call->next;
      _layout* called = index.find(call->cellname);
      if (!called)
        continue;
      if (uses)
        ++(*uses)[called];
      auto found = cells.find(called);
      if (found == cells.end()) {
        cells[called] = {Mark::Open, ownBounds(called), 0};
        stack.push_back({called, called->instance});  // `frame` is stale now
        continue;
      }
      if (found->second.mark == Mark::Open) {
        GCmessage(kModule, 'F',
                  "Cell %s calls itself, directly or through other cells: flatten abandoned",
                  called->name);
        common::abandonAction(1);
      }
      continue;
    }
    // Every call of this cell is walked: its flattened bounds are known.
    _layout* cell = frame.cell;
    stack.pop_back();
    Info& info = cells[cell];
    info.mark = Mark::Done;
    for (const _symbol* symbol : cell->symbol)
      if (symbol)
        info.elements += elementsOf(symbol);
    for (_instance* call = cell->instance; call; call = call->next) {
      _layout* called = index.find(call->cellname);
      if (!called)
        continue;
      info.elements += cells[called].elements;
      Bounds b = transformed(cells[called].bounds, call);
      if (!b.empty()) {
        info.bounds.add(b.x1, b.y1);
        info.bounds.add(b.x2, b.y2);
      }
    }
    total += info.elements;
    if (!info.bounds.inRange()) {
      GCmessage(kModule, 'F', "Cell %s would leave the coordinate range when flattened: "
                              "flatten abandoned", cell->name);
      common::abandonAction(1);
    }
  }
  if (total * kBytesPerElement > flattenMemory()) {
    GCmessage(kModule, 'F', "Flattening would make %.0f elements, more than the memory holds: "
                            "flatten abandoned", total);
    common::abandonAction(1);
  }
}

// ---------------------------------------------------------------------------
// Copying a flattened cell into its caller.
// ---------------------------------------------------------------------------

_symbol* symbolOf(_layout* cell, long slot)
{
  _symbol*& symbol = cell->symbol[slot];
  if (!symbol)
    symbol = common::make<_symbol>();
  return symbol;
}

void copyGeometry(_layout* into, const _instance* call, const _layout* cell)
{
  const _opcode* ops = call->opcode;
  long n = std::min(call->optimes, kMaxOpcodes);
  for (long slot = 0; slot < kMaxLayers; ++slot) {
    const _symbol* symbol = cell->symbol[slot];
    if (!symbol)
      continue;
    for (const _rects* r = symbol->rect; r; r = r->next) {
      long x1, y1, x2, y2;
      PointTrans(ops, n, r->x1, r->y1, &x1, &y1);
      PointTrans(ops, n, r->x2, r->y2, &x2, &y2);
      if (x1 == x2 || y1 == y2)
        continue;
      GCsave1rect(into, slot, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2),
                  std::max(y1, y2));
      ACframe(x1, y1, into);
      ACframe(x2, y2, into);
    }
    long count, xmin, ymin, xmax, ymax;
    for (const _paths* w = symbol->path; w; w = w->next) {
      _points* points = PlistTrans(ops, n, w->points, &count, &xmin, &ymin, &xmax, &ymax);
      GCsave1path(into, slot, w->width, points);
      if (count > 0) {
        ACframe(xmin, ymin, into);
        ACframe(xmax, ymax, into);
      }
    }
    for (const _polys* g = symbol->poly; g; g = g->next) {
      _points* points = PlistTrans(ops, n, g->points, &count, &xmin, &ymin, &xmax, &ymax);
      GCsave1poly(into, slot, points);
      if (count > 0) {
        ACframe(xmin, ymin, into);
        ACframe(xmax, ymax, into);
      }
    }
    for (const _circles* c = symbol->circle; c; c = c->next) {
      long x, y;
      PointTrans(ops, n, c->x, c->y, &x, &y);
      GCsave1cir(into, slot, x, y, c->d);
      ACframe(x - c->d, y - c->d, into);
      ACframe(x + c->d, y + c->d, into);
    }
    for (const _labels* l = symbol->label; l; l = l->next) {
      long x, y;
      PointTrans(ops, n, l->x, l->y, &x, &y);
      GCsave1label(into, slot, x, y, call->no, l->label);
      ACframe(x, y, into);
    }
    GCsaveLayerName(into, slot, symbol->layername);
  }
}

/*
 * moveRects --
 *   Like the rectangle part of copyGeometry, but re-links the rectangle
 *   records of `cell` into `into` instead of copying them: for a cell that
 *   is called once, so that a large flat cell is never held twice.  The
 *   order in `into` is the one copying gives.
 */
void moveRects(_layout* into, const _instance* call, _layout* cell)
{
  const _opcode* ops = call->opcode;
  long n = std::min(call->optimes, kMaxOpcodes);
  for (long slot = 0; slot < kMaxLayers; ++slot) {
    _symbol* symbol = cell->symbol[slot];
    if (!symbol || !symbol->rect)
      continue;
    _symbol* target = symbolOf(into, slot);
    _rects* r = symbol->rect;
    symbol->rect = nullptr;
    while (r) {
      _rects* next = r->next;
      long x1, y1, x2, y2;
      PointTrans(ops, n, r->x1, r->y1, &x1, &y1);
      PointTrans(ops, n, r->x2, r->y2, &x2, &y2);
      if (x1 == x2 || y1 == y2) {
        common::release(r);
      } else {
        *r = {static_cast<int>(std::min(x1, x2)), static_cast<int>(std::min(y1, y2)),
              static_cast<int>(std::max(x1, x2)), static_cast<int>(std::max(y1, y2)),
              target->rect};
        target->rect = r;
        ACframe(x1, y1, into);
        ACframe(x2, y2, into);
      }
      r = next;
    }
  }
}

/*
 * flattenCall --
 *   Flattens `cell` (its calls first, depth first and without recursion,
 *   each cell losing its calls once they are copied) and then copies it,
 *   transformed by `call`, into `into`.  With `into` null only `cell` is
 *   flattened.  The caller has run checkFlatten.
 */
void flattenCall(_layout* into, _instance* call, _layout* cell, CellIndex& index,
                 const UseCounts* moveOnce = nullptr)
{
  struct Frame {
    _layout* into;
    _instance* call;
    _layout* cell;
    _instance* next;
  };
  std::vector<Frame> stack;
  stack.push_back({into, call, cell, cell->instance});
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (_instance* c = frame.next) {
      frame.next = c->next;
      if (_layout* called = index.find(c->cellname)) {
        _layout* caller = frame.cell;
        stack.push_back({caller, c, called, called->instance});  // `frame` is stale now
      }
      continue;
    }
    Frame done = frame;
    stack.pop_back();
    GCfreeInst(done.cell->instance);
    done.cell->instance = nullptr;
    if (!done.into)
      continue;
    if (moveOnce) {
      auto uses = moveOnce->find(done.cell);
      if (uses != moveOnce->end() && uses->second == 1)
        moveRects(done.into, done.call, done.cell);
    }
    copyGeometry(done.into, done.call, done.cell);
  }
}

/*
 * releaseCalledGeometry --
 *   Once the top cell is flat, no cell is shown or read through a call any
 *   more: the geometry of every other cell is released (their frames and
 *   names stay), so a large layout is not held twice.
 */
void releaseCalledGeometry(const _layout* top)
{
  for (_layout* cell = Gsymbols; cell; cell = cell->next) {
    if (cell == top)
      continue;
    for (_symbol*& symbol : cell->symbol) {
      GCfreeSymbol(symbol);
      symbol = nullptr;
    }
  }
}

// Unlinks `cell` from the Gsymbols list when it is a member.
void unlinkFromSymbols(_layout* cell)
{
  for (_layout** link = &Gsymbols; *link; link = &(*link)->next) {
    if (*link == cell) {
      *link = cell->next;
      cell->next = nullptr;
      return;
    }
  }
}

bool inSymbols(const _layout* cell)
{
  for (const _layout* c = Gsymbols; c; c = c->next)
    if (c == cell)
      return true;
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// Adding elements to a cell.
// ---------------------------------------------------------------------------

void GCsave1rect(_layout* cell, long slot, long x1, long y1, long x2, long y2)
{
  common::prependRect(symbolOf(cell, slot)->rect, x1, y1, x2, y2);
}

void GCsave1path(_layout* cell, long slot, long width, _points* points)
{
  _symbol* symbol = symbolOf(cell, slot);
  _paths* w = common::make<_paths>();
  w->width = static_cast<int>(width);
  w->points = points;
  w->next = symbol->path;
  symbol->path = w;
}

void GCsave1poly(_layout* cell, long slot, _points* points)
{
  _symbol* symbol = symbolOf(cell, slot);
  _polys* g = common::make<_polys>();
  g->points = points;
  g->next = symbol->poly;
  symbol->poly = g;
}

void GCsave1cir(_layout* cell, long slot, long x, long y, long d)
{
  _symbol* symbol = symbolOf(cell, slot);
  _circles* c = common::make<_circles>();
  c->d = static_cast<int>(d);
  c->x = static_cast<int>(x);
  c->y = static_cast<int>(y);
  c->next = symbol->circle;
  symbol->circle = c;
}

void GCsave1label(_layout* cell, long slot, long x, long y, long callNo, const char* text)
{
  _symbol* symbol = symbolOf(cell, slot);
  std::string prefixed = std::to_string(callNo) + "_" + (text ? text : "");
  _labels* l = common::make<_labels>();
  l->label = GCstrcpy(prefixed.c_str());
  l->x = static_cast<int>(x);
  l->y = static_cast<int>(y);
  l->next = symbol->label;
  symbol->label = l;
}

void GCsaveLayerName(_layout* cell, long slot, const char* name)
{
  _symbol* symbol = symbolOf(cell, slot);
  snprintf(symbol->layername, sizeof symbol->layername, "%s", name);
}

// ---------------------------------------------------------------------------
// Flattening.
// ---------------------------------------------------------------------------

_layout* GCgetTopLayout(_layout* list)
{
  for (; list; list = list->next)
    if (strcmp(list->name, kTopName) == 0)
      return list;
  common::outf("DID NOT FIND TOP LAYOUT!!!!.. exiting\n");
  common::abandonAction(1);
}

void GCflattenLayout(_layout* top, _layout* symbols)
{
  CellIndex index(symbols);
  checkFlatten(top, index);
  flattenCall(nullptr, nullptr, top, index);
}

void GCflattenLayer(_layout* into, _instance* call, _layout* cell, _layout* symbols)
{
  CellIndex index(symbols);
  checkFlatten(cell, index);
  flattenCall(into, call, cell, index);
}

/*
 * GCflatten --
 *   Flattens the top cell in place once and shows it; later calls only show
 *   the flattened cell again.
 */
int GCflatten()
{
  if (!Gflatten && Gactive) {
    _layout* top = GCgetTopLayout(Gactive);
    // As GCflattenLayout, but the rectangles of a cell called once move
    // into their caller: no called cell is shown or read after this, and
    // their geometry is released.
    CellIndex index(Gsymbols);
    UseCounts uses;
    checkFlatten(top, index, &uses);
    flattenCall(nullptr, nullptr, top, index, &uses);
    Gflatten = top;
    releaseCalledGeometry(top);
  }
  if (Gflatten) {
    Glayout = Gflatten;
    GCmessage(kModule, 'M', "The layout is flattened");
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Showing and releasing.
// ---------------------------------------------------------------------------

int GCunflatten()
{
  if (!Gactive) {
    GCmessage(kModule, 'W', "No layout to unflatten");
    return 0;
  }
  Glayout = Gactive;
  GCmessage(kModule, 'M', "The layout is recovered");
  return 0;
}

int GCactivateH()
{
  if (!Gactive) {
    GCmessage(kModule, 'M', "No hierarchy layout is available");
    return 0;
  }
  Glayout = Gactive;
  DworkingMode = kModeLayout;
  GCmessage(kModule, 'M', "Hierarchy layout is activated");
  return 0;
}

int GCactivateS()
{
  if (!Gflatten) {
    GCmessage(kModule, 'M', "No falttened layout is available");
    return 0;
  }
  Glayout = Gflatten;
  DworkingMode = kModeLayout;
  GCmessage(kModule, 'M', "Flattened layout is activated");
  return 0;
}

/*
 * GCfreeH --
 *   Releases the hierarchy: every cell of Gsymbols except the flattened
 *   cell, which stays as a list of its own.
 * Side effects: Gsymbols and Gactive are cleared (the top cell is the
 *   flattened cell once flattened, so no hierarchy is left to show), and
 *   Glayout unless it shows the flattened cell.
 */
int GCfreeH()
{
  if (!Gsymbols) {
    GCmessage(kModule, 'W', "No hierarchy to free");
    return 0;
  }
  if (Gflatten)
    unlinkFromSymbols(Gflatten);
  GCfreeLayout(Gsymbols);
  Gsymbols = nullptr;
  Gactive = nullptr;
  if (Glayout != Gflatten)
    Glayout = nullptr;
  GCmessage(kModule, 'M', "The hierarchy is freed");
  return 0;
}

/*
 * GCfreeS --
 *   Releases the flattened cell alone (unlinked from Gsymbols first).
 * Side effects: Gflatten is cleared, and Glayout and Gactive when they
 *   point at it.
 */
int GCfreeS()
{
  if (!Gflatten) {
    GCmessage(kModule, 'W', "No smashed layout to free");
    return 0;
  }
  _layout* cell = Gflatten;
  unlinkFromSymbols(cell);
  cell->next = nullptr;
  GCfreeLayout(cell);
  Gflatten = nullptr;
  if (Glayout == cell) {
    Glayout = nullptr;
    Gactive = nullptr;
  }
  if (Gactive == cell)
    Gactive = nullptr;
  GCmessage(kModule, 'M', "The samshed layout is freed");
  return 0;
}

int GCsmash() { return 0; }

namespace common {

void setFlattenMemoryLimit(double bytes) { state.flattenMemoryLimit = bytes > 0 ? bytes : 0; }

void releaseLayouts()
{
  if (Gflatten && !inSymbols(Gflatten)) {
    Gflatten->next = nullptr;
    GCfreeLayout(Gflatten);
  }
  GCfreeLayout(Gsymbols);
  Gsymbols = nullptr;
  Gflatten = nullptr;
  Glayout = nullptr;
  Gactive = nullptr;
}

_layout* newLayout(const char* name)
{
  _layout* cell = make<_layout>();
  cell->frame = {kEmptyFrameLow, kEmptyFrameLow, kEmptyFrameHigh, kEmptyFrameHigh};
  snprintf(cell->name, sizeof cell->name, "%s", name);
  return cell;
}

_layout* topOfUncalled(_layout* cells, std::string* names)
{
  std::unordered_map<std::string, bool> called;
  std::vector<_layout*> order;  // the order of definition
  for (_layout* cell = cells; cell; cell = cell->next) {
    order.push_back(cell);
    for (const _instance* call = cell->instance; call; call = call->next)
      called[call->cellname] = true;
  }
  _layout* top = nullptr;
  int number = 0;
  for (auto cell = order.rbegin(); cell != order.rend(); ++cell) {
    if (called.count((*cell)->name))
      continue;
    if (!top)
      top = newLayout(kTopName);
    _instance* call = make<_instance>();
    call->no = number++;
    snprintf(call->cellname, sizeof call->cellname, "%s", (*cell)->name);
    call->next = top->instance;
    top->instance = call;
    const _box& f = (*cell)->frame;
    if (f.x1 < f.x2 && f.y1 < f.y2) {
      ACframe(f.x1, f.y1, top);
      ACframe(f.x2, f.y2, top);
    }
    if (names) {
      if (!names->empty())
        names->append(", ");
      names->append((*cell)->name);
      if ((*cell)->cellname[0])
        names->append(" (").append((*cell)->cellname).append(")");
    }
  }
  return top;
}

}  // namespace common
