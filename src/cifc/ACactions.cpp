// What the CIF parser does with each command: cells, layers, boxes,
// polygons, wires, calls, cell names and labels.
#include "Dcif.h"

#include <cmath>
#include <cstdarg>
#include <cstring>
#include <string>
#include <utility>

#include "ACinternal.h"
#include "DTtechnology.h"
#include "Dglobal.h"

FILE* cifin = nullptr;
int ACsymb = 0;
int ACmaxSymb = -1;
_instance* ACinst = nullptr;
int ACinstNo = 0;
short TopInstance = 0;
long Ypoint[kMaxCifValues];
int Ynum = 0;
int CIF_RATIO_A = 1;
int CIF_RATIO_B = 1;
int linenr = 1;
int AC_initial_halfscale_error = 0;
int Debug_flag = 0;
CifMode ACcifMode = CifMode::Strict;

namespace cif {

ReaderState reader;

namespace {

constexpr int kModule = 2;  // message module of the CIF reader
constexpr const char* kTopName = "CIRCUIT";

// Internal units per scaled CIF unit of the current definition.
double factor() { return double(CIF_RATIO_A) / CIF_RATIO_B * CIF_FACTOR / LAMBDA_T1; }

void checkRange(double v)
{
  if (!(std::fabs(v) <= kMaxCoordinate))
    dataError("Coordinate %.0f on line %d is out of range", v, linenr);
}

// A scaled value times the factor, rounded to the nearest integer, halves
// away from zero.
long converted(long value, double f = factor())
{
  double v = value * f;
  checkRange(v);
  return static_cast<long>(v >= 0 ? std::floor(v + 0.5) : -std::floor(-v + 0.5));
}

// The same computed in single precision and truncated toward zero.
long convertedSingle(long value)
{
  double v = value * factor();
  checkRange(v);
  return static_cast<long>(static_cast<float>(v));
}

void remember(_layout* cell) { reader.cells[cell->name] = cell; }

_layout* newCell(const char* name)
{
  _layout* cell = common::newLayout(name);
  cell->next = Gsymbols;
  Gsymbols = cell;
  remember(cell);
  return cell;
}

// The cell that takes calls outside definitions; made by the first of them.
void enterTopCell()
{
  if (!reader.top)
    reader.top = newCell(kTopName);
  Gactive = reader.top;
  Glayout = reader.top;
}

// The cell geometry goes to; before any cell exists, the top cell.
_layout* currentCell()
{
  if (!Gactive)
    enterTopCell();
  return Gactive;
}

[[noreturn]] void abandonAt(int status)
{
  GCmessage(kModule, 'F', "CIF input abandoned on line %d", linenr);
  common::abandonAction(status);
}

// Layer number of the technology layer `name`; the load ends when it has none.
int layerSlot(const char* name)
{
  int slot = FindLayer(name);
  if (slot == kUnknownLayer) {
    common::outf("No such a layer name %s\n", name);
    abandonAt(0);
  }
  if (slot < 0 || slot >= kMaxLayers) {
    GCmessage(kModule, 'F', "No such layer definition.\n");
    abandonAt(1);
  }
  return slot;
}

_symbol* symbolIn(_layout* cell, int slot, const char* layername)
{
  _symbol*& symbol = cell->symbol[slot];
  if (!symbol) {
    symbol = common::make<_symbol>();
    snprintf(symbol->layername, sizeof symbol->layername, "%s", layername);
  }
  return symbol;
}

// The symbol of the current slot in the current cell, made when missing.
_symbol* currentSymbol()
{
  if (ACsymb < 0 || ACsymb >= kMaxLayers) {
    GCmessage(kModule, 'F', "No such layer definition.\n");
    abandonAt(1);
  }
  _layout* cell = currentCell();
  if (_symbol* symbol = cell->symbol[ACsymb])
    return symbol;
  return symbolIn(cell, ACsymb, AClayerName(ACsymb));
}

void prependRects(_symbol* symbol, _rects* rects)
{
  if (!rects)
    return;
  _rects* last = rects;
  while (last->next)
    last = last->next;
  last->next = symbol->rect;
  symbol->rect = rects;
}

void prependLabel(_symbol* symbol, const char* text, long x, long y)
{
  _labels* label = common::make<_labels>();
  label->label = GCstrcpy(text);
  label->x = static_cast<int>(x);
  label->y = static_cast<int>(y);
  label->next = symbol->label;
  symbol->label = label;
}

// Point list of the (x, y) pairs of `coords`, converted, in input order;
// the frame of the current cell grows by each point.
_points* pointList(const long* coords, long count, const char* what)
{
  if (count % 2 != 0)
    GCmessage(kModule, 'W', "Odd number of coordinates in a %s on line %d: the last is ignored",
              what, linenr);
  _points* head = nullptr;
  _points** tail = &head;
  try {
    for (long i = 0; i + 1 < count; i += 2) {
      long x = converted(coords[i]);
      long y = converted(coords[i + 1]);
      _points* p = common::make<_points>();
      p->x = static_cast<int>(x);
      p->y = static_cast<int>(y);
      *tail = p;
      tail = &p->next;
      ACframe(x, y, currentCell());
    }
  } catch (...) {
    GCfreePoints(head);
    throw;
  }
  return head;
}

// Releases a polygon list when a conversion is abandoned half way.
struct PolyGuard {
  _polys* polys;
  ~PolyGuard() { GCfreePoly(polys); }
};
struct PointsGuard {
  _points* points;
  ~PointsGuard() { GCfreePoints(points); }
};

_instance* currentCall()
{
  if (!ACinst) {
    ACinst = common::make<_instance>();
    ACinst->no = ACinstNo++;
  }
  return ACinst;
}

_opcode* newStep(long step)
{
  if (step < 0 || step >= kMaxOpcodes)
    dataError("More than %d transformations in a call on line %d", kMaxOpcodes, linenr);
  _instance* call = currentCall();
  ++call->optimes;
  return &call->opcode[step];
}

// The frame of the current cell grows by the called cell's frame, its two
// corners transformed by the call.
void CifFrame(const _instance* call)
{
  const _layout* called = findCell(call->cellname);
  if (!called || called->frame.x1 >= called->frame.x2 || called->frame.y1 >= called->frame.y2)
    return;
  long x, y;
  long n = call->optimes < kMaxOpcodes ? call->optimes : kMaxOpcodes;
  PointTrans(call->opcode, n, called->frame.x1, called->frame.y1, &x, &y);
  ACframe(x, y, Gactive);
  PointTrans(call->opcode, n, called->frame.x2, called->frame.y2, &x, &y);
  ACframe(x, y, Gactive);
}

}  // namespace

void resetState()
{
  reader.top = nullptr;
  reader.cells.clear();
  ACsymb = 0;
  ACmaxSymb = -1;
  ACinstNo = 0;
  TopInstance = 0;
  Ynum = 0;
  CIF_RATIO_A = 1;
  CIF_RATIO_B = 1;
}

_layout* findCell(const char* name)
{
  reader.key.assign(name);
  auto found = reader.cells.find(reader.key);
  return found == reader.cells.end() ? nullptr : found->second;
}

void dataError(const char* format, ...)
{
  char text[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  GCmessage(kModule, 'F', "%s", text);
  common::abandonAction(1);
}

void endOfInput()
{
  if (!reader.top && ACcifMode == CifMode::Full) {
    // Some editors write every symbol and no call outside them: the
    // symbols nothing calls are the layout.
    std::string names;
    if (_layout* top = common::topOfUncalled(Gsymbols, &names)) {
      top->next = Gsymbols;
      Gsymbols = top;
      remember(top);
      reader.top = top;
      GCmessage(kModule, 'M', "No call outside the symbol definitions: the layout is %s",
                names.c_str());
    }
  }
  if (reader.top) {
    Gactive = reader.top;
    Glayout = reader.top;
  }
}

long integerValue(const Scanner& scanner)
{
  if (!scanner.fits())
    dataError("Number %s on line %d does not fit in 32 bits", std::string(scanner.text()).c_str(),
              linenr);
  return scanner.value();
}

// Keeps the pins of Gpin aside (nets may refer to them); Gpin is then null.
static void retirePins()
{
  if (!Gpin)
    return;
  _pin* last = Gpin;
  while (last->next)
    last = last->next;
  last->next = reader.retiredPins;
  reader.retiredPins = Gpin;
  Gpin = nullptr;
}

void releaseRetiredPins()
{
  GCfreePins(reader.retiredPins);
  reader.retiredPins = nullptr;
}

LayoutSetAside::LayoutSetAside()
    : layout_(nullptr), symbols_(nullptr), flatten_(nullptr), active_(nullptr), pins_(nullptr),
      halfscaleErrors_(0)
{
  swapWithGlobals();
}

LayoutSetAside::~LayoutSetAside()
{
  if (committed_)
    return;
  ACinit();
  swapWithGlobals();
}

void LayoutSetAside::commit()
{
  if (committed_)
    return;
  committed_ = true;
  // Releases the set-aside layout with the globals pointing at it.
  swapWithGlobals();
  int halfscaleErrors = halfscaleErrors_;
  common::releaseLayouts();
  retirePins();
  swapWithGlobals();
  AC_initial_halfscale_error = halfscaleErrors;
}

void LayoutSetAside::swapWithGlobals()
{
  std::swap(layout_, Glayout);
  std::swap(symbols_, Gsymbols);
  std::swap(flatten_, Gflatten);
  std::swap(active_, Gactive);
  std::swap(pins_, Gpin);
  std::swap(halfscaleErrors_, AC_initial_halfscale_error);
}

}  // namespace cif

using cif::reader;

/*
 * ACinit --
 *   Starts a load: releases the cells of the previous one, keeps its pins
 *   aside (nets may refer to them) and resets the reader.
 */
void ACinit()
{
  common::releaseLayouts();
  cif::retirePins();
  GCfreeInst(ACinst);
  ACinst = nullptr;
  AC_initial_halfscale_error = 0;
  cif::resetState();
}

// ---------------------------------------------------------------------------
// Definitions and layers.
// ---------------------------------------------------------------------------

void ACrdDS(long n, long a, long b)
{
  if (a <= 0 || b <= 0)
    cif::dataError("Scale %ld/%ld of symbol %ld on line %d is not valid", a, b, n, linenr);
  char name[kNameLength];
  snprintf(name, sizeof name, "%s%ld", cif::kTopName, n);
  _layout* cell = cif::newCell(name);
  Gactive = cell;
  Glayout = cell;
  ACmaxSymb = -1;
  ACinstNo = 0;
  CIF_RATIO_A = static_cast<int>(a);
  CIF_RATIO_B = static_cast<int>(b);
}

// Back at the top level, where coordinates are not scaled.
void ACrdDF()
{
  Gactive = Glayout;
  ACmaxSymb = -1;
  CIF_RATIO_A = 1;
  CIF_RATIO_B = 1;
}

void ACrdLayer(const char* name)
{
  _layout* cell = cif::currentCell();
  if (LayerExist(name))
    return;
  ++ACmaxSymb;
  ACsymb = cif::layerSlot(name);
  cif::symbolIn(cell, ACsymb, name);
}

bool LayerExist(const char* name)
{
  if (!Gactive)
    return false;
  for (int slot = 0; slot < kMaxLayers; ++slot) {
    const _symbol* symbol = Gactive->symbol[slot];
    if (symbol && strcmp(symbol->layername, name) == 0) {
      ACsymb = slot;
      return true;
    }
  }
  return false;
}

int FindLayer(const char* name)
{
  for (int i = 0; i < GlayerNum && i < kLayerSlots; ++i)
    if (strcmp(Glayers[i].name, name) == 0)
      return Glayers[i].layer;
  return kUnknownLayer;
}

const char* AClayerName(int slot)
{
  for (int i = 0; i < GlayerNum && i < kLayerSlots; ++i)
    if (Glayers[i].layer == slot)
      return Glayers[i].name;
  return "";
}

// ---------------------------------------------------------------------------
// Geometry.
// ---------------------------------------------------------------------------

/*
 * ACrdBox --
 *   Converts the box, reports it when a value is off the quarter-step grid
 *   (it is kept), and puts it at the front of the current slot's list.
 */
void ACrdBox(long length, long width, long cx, long cy)
{
  double f = cif::factor();
  long l = cif::converted(length, f);
  long w = cif::converted(width, f);
  long x = cif::converted(cx, f);
  long y = cif::converted(cy, f);
  if (SCALE > 0 && ((l * 4) % SCALE || (w * 4) % SCALE || (x * 4) % SCALE || (y * 4) % SCALE)) {
    common::outf("Box %i %i %i %i is not in quarter_scale unit (scale = %i)\n",
                 static_cast<int>(l), static_cast<int>(w), static_cast<int>(x),
                 static_cast<int>(y), SCALE);
    ++AC_initial_halfscale_error;
  }
  long x1 = x - l / 2, y1 = y - w / 2, x2 = x + l / 2, y2 = y + w / 2;
  for (long v : {x1, y1, x2, y2})
    cif::checkRange(double(v));
  _symbol* symbol = cif::currentSymbol();
  _layout* cell = cif::currentCell();
  ACframe(x1, y1, cell);
  ACframe(x2, y2, cell);
  common::prependRect(symbol->rect, x1, y1, x2, y2);
}

/*
 * ACrdPoly --
 *   Converts the outline and puts the rectangles that cover it at the front
 *   of the current slot's list; the outline itself is not kept.
 */
void ACrdPoly(const long* coords, long count)
{
  _symbol* symbol = cif::currentSymbol();
  cif::PolyGuard poly{common::make<_polys>()};
  poly.polys->points = cif::pointList(coords, count, "polygon");
  cif::prependRects(symbol, GCpoly2rects(poly.polys));
}

/*
 * ACrdWire --
 *   The first value is the width, the rest the centre line.  The rectangles
 *   of the wire's outline go at the front of the current slot's list; the
 *   wire itself is not kept.
 */
void ACrdWire(const long* coords, long count)
{
  _symbol* symbol = cif::currentSymbol();
  if (count < 1)
    return;
  long width = cif::converted(coords[0]);
  cif::PointsGuard centre{cif::pointList(coords + 1, count - 1, "wire")};
  cif::PolyGuard outlines{GCpath2poly(centre.points, width)};
  for (_polys* poly = outlines.polys; poly; poly = poly->next)
    cif::prependRects(symbol, GCpoly2rects(poly));
}

// ---------------------------------------------------------------------------
// Calls.
// ---------------------------------------------------------------------------

void ACcallTran(long x, long y, long step)
{
  long tx = cif::convertedSingle(x);
  long ty = cif::convertedSingle(y);
  _opcode* op = cif::newStep(step);
  op->type = trans;
  op->x = static_cast<int>(tx);
  op->y = static_cast<int>(ty);
}

void ACcallRot(long a, long b, long step)
{
  _opcode* op = cif::newStep(step);
  op->type = rotate;
  op->x = static_cast<int>(a);
  op->y = static_cast<int>(b);
}

void ACcallMir(char axis, long step)
{
  _opcode* op = cif::newStep(step);
  op->type = mirror;
  op->x = axis == 'X' ? -1 : 1;
  op->y = axis == 'X' ? 1 : -1;
}

/*
 * ACcallName --
 *   Completes the call being assembled: a call of symbol n goes to the
 *   current cell, or (top 0, outside any definition) to the top cell, which
 *   the first such call makes.
 */
void ACcallName(long n, short top)
{
  _instance* call = cif::currentCall();
  if (top == 0)
    cif::enterTopCell();
  _layout* cell = cif::currentCell();
  if (n == -1)
    snprintf(call->cellname, sizeof call->cellname, "%ld", n);
  else
    snprintf(call->cellname, sizeof call->cellname, "%s%ld", cif::kTopName, n);
  call->next = cell->instance;
  cell->instance = call;
  ACinst = nullptr;
  cif::CifFrame(call);
}

// ---------------------------------------------------------------------------
// User extensions.
// ---------------------------------------------------------------------------

void ACrdCName(long code, const char* name)
{
  if (code != 9)
    return;
  if (strlen(name) > kNameLength - 1) {
    common::outf("Fatal: Name too long.\n");
    cif::abandonAt(1);
  }
  _layout* cell = cif::currentCell();
  snprintf(cell->cellname, sizeof cell->cellname, "%s", name);
}

/*
 * ACrdLabel --
 *   Code 94: a label on `layer` in the current cell and a pin in Gpin; the
 *   label's layer becomes the current slot.  Without a layer (null) the
 *   label goes to the current slot and names nothing: no pin.
 */
void ACrdLabel(long code, const char* text, long x, long y, const char* layer)
{
  if (code != 94)
    return;
  long lx = cif::convertedSingle(x);
  long ly = cif::convertedSingle(y);
  _layout* cell = cif::currentCell();
  if (!layer) {
    cif::prependLabel(cif::currentSymbol(), text, lx, ly);
    return;
  }
  if (!LayerExist(layer)) {
    ++ACmaxSymb;
    ACsymb = cif::layerSlot(layer);
    cif::symbolIn(cell, ACsymb, layer);
  }
  cif::prependLabel(cell->symbol[ACsymb], text, lx, ly);

  _pin* pin = common::make<_pin>();
  pin->label = GCstrcpy(text);
  pin->x = static_cast<int>(lx);
  pin->y = static_cast<int>(ly);
  pin->layername = GCstrcpy(layer);
  pin->layernum = ACsymb;
  pin->next = Gpin;
  Gpin = pin;
}
