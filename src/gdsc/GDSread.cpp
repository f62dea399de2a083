// Reading a GDSII stream: the library, its structures and their elements,
// into cells of the layout database that no root holds yet.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "Dcif.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "GDSload.h"

namespace gds {

namespace {

constexpr int kMaxPathPoints = 500;  // points of one piece given to GCpath2poly
constexpr long kMaxArrayCalls = 1L << 21;  // calls that the AREFs of one file may make

struct ReadState {
  long arrayCallLimit = kMaxArrayCalls;
};
ReadState state;

using common::formatted;

// Records an element may hold besides ELFLAGS, PLEX and properties.
bool allowedIn(int element, int record)
{
  switch (record) {
    case ELFLAGS:
    case PLEX:
    case PROPATTR:
    case PROPVALUE: return true;
    case LAYER: return element != SREF && element != AREF;
    case DATATYPE: return element == BOUNDARY || element == PATH;
    case XY: return true;
    case PATHTYPE:
    case WIDTH: return element == PATH || element == TEXT;
    case BGNEXTN:
    case ENDEXTN: return element == PATH;
    case SNAME: return element == SREF || element == AREF;
    case STRANS:
    case MAG:
    case ANGLE: return element == SREF || element == AREF || element == TEXT;
    case COLROW: return element == AREF;
    case TEXTTYPE:
    case PRESENTATION:
    case STRING: return element == TEXT;
    case NODETYPE: return element == NODE;
    case BOXTYPE: return element == BOX;
    default: return false;
  }
}

// Records of the library header that are read past.
bool libraryRecord(int record)
{
  switch (record) {
    case LIBNAME: case REFLIBS: case FONTS: case ATTRTABLE: case GENERATIONS: case FORMAT:
    case MASK: case ENDMASKS: case LIBDIRSIZE: case SRFNAME: case LIBSECUR: case STYPTABLE:
      return true;
    default: return false;
  }
}

}  // namespace

void setArrayCallLimit(long calls) { state.arrayCallLimit = calls > 0 ? calls : kMaxArrayCalls; }

// ---------------------------------------------------------------------------
// Records.
// ---------------------------------------------------------------------------

void Reader::fail(const Record& r, const std::string& what) const
{
  throw ReadError{r.offset, recordName(r.type), what};
}

void Reader::badData(const Record& r, int dataType, size_t minimum) const
{
  if (r.dataType != dataType)
    fail(r, formatted("data type %d where %d belongs", r.dataType, dataType));
  fail(r, formatted("%zu bytes of data where %zu belong", r.size, minimum));
}

Record& Reader::next()
{
  if (!records_.next(&record_)) {
    std::string where = current_ >= 0 ? " inside structure " + structures_[current_].name : "";
    throw ReadError{records_.offset(), "", "the file ends before ENDLIB" + where};
  }
  return record_;
}

/*
 * run --
 *   HEADER, BGNLIB, the library's header records up to UNITS, then the
 *   structures up to ENDLIB; what follows ENDLIB is not read.
 */
void Reader::run()
{
  bool header = false;
  try {
    header = records_.next(&record_) && record_.type == HEADER;
  } catch (const ReadError&) {
  }
  if (!header)
    throw ReadError{0, "", "not a GDSII stream file (it does not begin with HEADER)"};
  if (next().type != BGNLIB)
    fail(record_, "BGNLIB must follow HEADER");
  while (next().type != UNITS) {
    if (!libraryRecord(record_.type))
      fail(record_, "not a record of the library header");
  }
  units(record_);
  for (;;) {
    Record& r = next();
    if (r.type == ENDLIB)
      break;
    if (r.type != BGNSTR)
      fail(r, "BGNSTR or ENDLIB belongs here");
    structure();
  }
  if (structures_.empty() || cellCount_ == 0)
    throw ReadError{record_.offset, "ENDLIB", "the file holds no structure"};
}

/*
 * units --
 *   The database unit in metres must be a ratio of small integers to the
 *   internal unit, so that every coordinate converts exactly.
 */
void Reader::units(const Record& r)
{
  need(r, kReal8, 16);
  double metres = r.real8(1);
  double internal = internalUnitMetres();
  if (!(metres > 1e-15 && metres < 1) ||
      !ratioOf(metres / internal, kMaxUnitDenominator, kMaxUnitNumerator, &unit_))
    fail(r, formatted("the database unit %g m cannot be represented on the internal grid of %g m",
                   metres, internal));
  unitMetres_ = metres;
}

void Reader::structure()
{
  long begin = record_.offset;
  Record& r = next();
  if (r.type != STRNAME)
    fail(r, "STRNAME must follow BGNSTR");
  need(r, kText, 1);
  std::string name = r.text();
  if (name.empty())
    fail(r, "a structure without a name");
  int index = structureIndex(name);
  Structure& s = structures_[index];
  if (s.cell)
    fail(r, formatted("structure %s is defined a second time (first at byte %ld)", name.c_str(),
                   s.offset));
  s.offset = begin;
  s.cell = common::newLayout(formatted("CIRCUIT%d", ++cellCount_).c_str());
  snprintf(s.cell->cellname, sizeof s.cell->cellname, "%s", name.c_str());
  s.cell->next = out_->cells;
  out_->cells = s.cell;
  current_ = index;
  cell_ = s.cell;
  for (;;) {
    Record& e = next();
    switch (e.type) {
      case ENDSTR:
        current_ = -1;
        cell_ = nullptr;
        return;
      case STRCLASS: continue;
      case BOUNDARY: case PATH: case SREF: case AREF: case TEXT: case NODE: case BOX:
        element(e.type);
        continue;
      default: fail(e, "an element or ENDSTR belongs here in structure " + name);
    }
  }
}

int Reader::structureIndex(const std::string& name)
{
  auto found = byName_.find(name);
  if (found != byName_.end())
    return found->second;
  structures_.push_back(Structure{name});
  byName_.emplace(name, static_cast<int>(structures_.size() - 1));
  return static_cast<int>(structures_.size() - 1);
}

/*
 * element --
 *   Collects the records of one element up to ENDEL, then makes it.
 */
void Reader::element(int kind)
{
  Element& e = element_;
  e.reset(kind, record_.offset);
  for (;;) {
    Record& r = next();
    if (r.type == ENDEL)
      break;
    if (!allowedIn(kind, r.type))
      fail(r, "not a record of a " + recordName(kind) + " element in structure " +
                  structures_[current_].name);
    switch (r.type) {
      case LAYER: need(r, kInt2, 2); e.layer = static_cast<uint16_t>(r.int2(0)); break;
      case DATATYPE:
      case TEXTTYPE: need(r, kInt2, 2); e.datatype = static_cast<uint16_t>(r.int2(0)); break;
      case PATHTYPE: need(r, kInt2, 2); e.pathtype = r.int2(0); break;
      case WIDTH: need(r, kInt4, 4); e.width = r.int4(0); break;
      case BGNEXTN: need(r, kInt4, 4); e.bgnextn = r.int4(0); break;
      case ENDEXTN: need(r, kInt4, 4); e.endextn = r.int4(0); break;
      case XY:
        need(r, kInt4, 8);
        if (r.size % 8 != 0)
          fail(r, "an odd number of coordinates");
        if (e.xy.size() != r.size / 4)
          e.xy.resize(r.size / 4);
        for (int i = 0; i < r.count4(); ++i)
          e.xy[static_cast<size_t>(i)] = r.int4(i);
        e.haveXY = true;
        break;
      case SNAME:
        need(r, kText, 1);
        e.sname = r.text();
        e.haveSname = true;
        break;
      case STRING: need(r, kText, 0); e.text = r.text(); e.haveText = true; break;
      case STRANS: need(r, kBits, 2); e.strans = static_cast<uint16_t>(r.int2(0)); break;
      case MAG: need(r, kReal8, 8); e.mag = r.real8(0); break;
      case ANGLE: need(r, kReal8, 8); e.angle = r.real8(0); break;
      case COLROW:
        need(r, kInt2, 4);
        e.columns = r.int2(0);
        e.rows = r.int2(1);
        e.haveColrow = true;
        break;
      default: break;  // flags, properties, presentation
    }
  }
  switch (kind) {
    case BOUNDARY: boundary(); break;
    case PATH: path(); break;
    case SREF:
    case AREF: reference(); break;
    case TEXT: text(); break;
    default: break;  // NODE and BOX carry no mask geometry
  }
}

[[noreturn]] void Reader::elementError(const std::string& what) const
{
  throw ReadError{element_.offset, recordName(element_.kind),
                  "in structure " + structures_[current_].name + ": " + what};
}

void Reader::needPoints(size_t minimum, size_t maximum) const
{
  size_t n = element_.xy.size() / 2;
  if (!element_.haveXY || n < minimum || n > maximum) {
    if (minimum == maximum)
      elementError(formatted("XY must hold %zu point%s, not %zu", minimum, minimum == 1 ? "" : "s",
                          n));
    elementError(formatted("XY must hold %zu points or more, not %zu", minimum, n));
  }
}

// ---------------------------------------------------------------------------
// Coordinates.
// ---------------------------------------------------------------------------

long Reader::inRange(__int128 r)
{
  if (r > kMaxCoordinate || r < -kMaxCoordinate)
    elementError(formatted("a coordinate beyond the range of the database (%.0f internal units)",
                        static_cast<double>(r)));
  return static_cast<long>(r);
}

/*
 * convert --
 *   c database units in internal units: exact when it lands on an internal
 *   unit, else rounded (halves away from zero) and counted.
 */
long Reader::convertRounded(int64_t c)
{
  int64_t v = c * unit_.p;  // |c| < 2^31, p < 2^24
  if (unit_.q == 1)
    return inRange(v);
  int64_t r = v / unit_.q, rest = v % unit_.q;
  if (rest != 0) {
    ++offGrid_;
    if (2 * (rest < 0 ? -rest : rest) >= unit_.q)
      r += v < 0 ? -1 : 1;
  }
  return inRange(r);
}

// num / den database units, as convert does.
long Reader::convert(__int128 num, int64_t den)
{
  __int128 v = num * unit_.p;
  __int128 d = static_cast<__int128>(den) * unit_.q;
  __int128 r = v / d, rest = v % d;
  if (rest != 0) {
    ++offGrid_;
    __int128 twice = rest < 0 ? -2 * rest : 2 * rest;
    if (twice >= d)
      r += v < 0 ? -1 : 1;
  }
  return inRange(r);
}

// The layer slot of a layer and datatype, or -1 (the pair is counted).
int Reader::slotOf(int layer, int datatype)
{
  uint32_t key = (uint32_t(layer) << 16) | uint32_t(datatype);
  if (key == lastKey_ && lastSlot_ >= 0)
    return lastSlot_;
  auto found = slots_.find(key);
  int slot;
  if (found != slots_.end()) {
    slot = found->second;
  } else {
    auto named = map_.byPair.find({layer, datatype});
    slot = named == map_.byPair.end() ? -1 : FindLayer(named->second.c_str());
    if (named != map_.byPair.end() && (slot < 0 || slot >= kMaxLayers))
      elementError("the layer map names " + named->second + ", which the technology lacks");
    slots_.emplace(key, slot);
  }
  lastKey_ = key;
  lastSlot_ = slot;
  if (slot < 0)
    ++unmapped_[{layer, datatype}];
  return slot;
}

_symbol* Reader::symbolOf(int slot)
{
  _symbol*& symbol = cell_->symbol[slot];
  if (!symbol) {
    symbol = common::make<_symbol>();
    snprintf(symbol->layername, sizeof symbol->layername, "%s", AClayerName(slot));
  }
  return symbol;
}

// ---------------------------------------------------------------------------
// Elements.
// ---------------------------------------------------------------------------

void Reader::addRect(int slot, long x1, long y1, long x2, long y2)
{
  if (x1 >= x2 || y1 >= y2)
    return;
  common::prependRect(symbolOf(slot)->rect, x1, y1, x2, y2);
  // The frame grows by both corners (as ACframe does for each).
  _box& f = cell_->frame;
  f.x1 = static_cast<int>(std::min<long>(f.x1, x1));
  f.y1 = static_cast<int>(std::min<long>(f.y1, y1));
  f.x2 = static_cast<int>(std::max<long>(f.x2, x2));
  f.y2 = static_cast<int>(std::max<long>(f.y2, y2));
}

void Reader::addRects(int slot, _rects* rects)
{
  if (!rects)
    return;
  _symbol* symbol = symbolOf(slot);
  _rects* last = rects;
  while (last->next)
    last = last->next;
  last->next = symbol->rect;
  symbol->rect = rects;
}

/*
 * boundary --
 *   A rectangle is stored as it is, as a CIF box would be (with the same
 *   check of the quarter-step grid); any other outline, without its closing
 *   point, goes through GCpoly2rects as a CIF polygon.
 */
void Reader::boundary()
{
  const Element& e = element_;
  if (e.layer < 0)
    elementError("BOUNDARY without LAYER");
  needPoints(3, 8191);
  int slot = slotOf(e.layer, std::max(e.datatype, 0));
  if (slot < 0)
    return;
  size_t n = e.xy.size() / 2;
  const int32_t* p = e.xy.data();
  if (n > 3 && p[0] == p[2 * n - 2] && p[1] == p[2 * n - 1])
    --n;
  bool rectangle = n == 4 &&
                   ((p[0] == p[2] && p[3] == p[5] && p[4] == p[6] && p[7] == p[1]) ||
                    (p[1] == p[3] && p[2] == p[4] && p[5] == p[7] && p[6] == p[0]));
  if (rectangle) {
    long x1 = convert(std::min(p[0], p[4])), x2 = convert(std::max(p[0], p[4]));
    long y1 = convert(std::min(p[1], p[5])), y2 = convert(std::max(p[1], p[5]));
    long l = x2 - x1, w = y2 - y1, cx = x1 + l / 2, cy = y1 + w / 2;
    if (SCALE > 0 && ((l * 4) % SCALE || (w * 4) % SCALE || (cx * 4) % SCALE || (cy * 4) % SCALE)) {
      common::outf("Box %i %i %i %i is not in quarter_scale unit (scale = %i)\n",
                   static_cast<int>(l), static_cast<int>(w), static_cast<int>(cx),
                   static_cast<int>(cy), SCALE);
      ++out_->offGridBoxes;
    }
    addRect(slot, x1, y1, x2, y2);
    return;
  }
  PolyHolder poly{common::make<_polys>()};
  _points** tail = &poly.polys->points;
  for (size_t i = 0; i < n; ++i) {
    long x = convert(p[2 * i]), y = convert(p[2 * i + 1]);
    _points* point = common::make<_points>();
    point->x = static_cast<int>(x);
    point->y = static_cast<int>(y);
    *tail = point;
    tail = &point->next;
    ACframe(x, y, cell_);
  }
  addRects(slot, GCpoly2rects(poly.polys));
}

/*
 * path --
 *   Types 2 and 1 (read as 2, reported) go through GCpath2poly as a CIF
 *   wire.  Types 0 and 4 end flush with their end points or at the given
 *   extensions: a Manhattan centre line becomes one rectangle per segment,
 *   any other has its end points moved and goes through GCpath2poly.
 */
void Reader::path()
{
  const Element& e = element_;
  if (e.layer < 0)
    elementError("PATH without LAYER");
  needPoints(1, 8191);
  if (e.pathtype != 0 && e.pathtype != 1 && e.pathtype != 2 && e.pathtype != 4)
    elementError(formatted("path type %d is none of 0, 1, 2 and 4", e.pathtype));
  int slot = slotOf(e.layer, std::max(e.datatype, 0));
  if (slot < 0)
    return;
  long width = std::labs(convert(std::abs(static_cast<int64_t>(e.width))));
  if (width < 1) {
    ++zeroWidthPaths_;
    return;
  }
  if (e.pathtype == 1)
    ++roundPaths_;
  std::vector<Point> points;
  for (size_t i = 0; i + 1 < e.xy.size(); i += 2) {
    Point p{convert(e.xy[i]), convert(e.xy[i + 1])};
    if (points.empty() || p.x != points.back().x || p.y != points.back().y)
      points.push_back(p);
  }
  for (const Point& p : points)
    ACframe(p.x, p.y, cell_);
  long h = width / 2;
  long e0 = h, e1 = h;
  if (e.pathtype == 0)
    e0 = e1 = 0;
  if (e.pathtype == 4) {
    e0 = convert(e.bgnextn);
    e1 = convert(e.endextn);
  }
  if (e0 == h && e1 == h) {
    wire(slot, points, width);
    return;
  }
  bool manhattan = true;
  for (size_t i = 0; i + 1 < points.size(); ++i)
    manhattan = manhattan && (points[i].x == points[i + 1].x || points[i].y == points[i + 1].y);
  if (points.size() < 2)
    return;
  if (manhattan) {
    for (size_t i = 0; i + 1 < points.size(); ++i) {
      const Point &a = points[i], &b = points[i + 1];
      long ea = i == 0 ? e0 : h, eb = i + 2 == points.size() ? e1 : h;
      if (a.y == b.y) {
        if (a.x < b.x)
          addRect(slot, a.x - ea, a.y - h, b.x + eb, a.y + h);
        else
          addRect(slot, b.x - eb, a.y - h, a.x + ea, a.y + h);
      } else {
        if (a.y < b.y)
          addRect(slot, a.x - h, a.y - ea, a.x + h, b.y + eb);
        else
          addRect(slot, a.x - h, b.y - eb, a.x + h, a.y + ea);
      }
    }
    return;
  }
  moveEnd(&points[0], points[1], e0 - h);
  moveEnd(&points.back(), points[points.size() - 2], e1 - h);
  wire(slot, points, width);
}

// Moves `end` away from `toward` by `by` (toward it when negative), keeping
// at least one unit between them.
void Reader::moveEnd(Point* end, const Point& toward, long by)
{
  double dx = double(end->x) - toward.x, dy = double(end->y) - toward.y;
  double length = std::sqrt(dx * dx + dy * dy);
  if (length == 0)
    return;
  double move = std::max(double(by), 1 - length);
  end->x = std::lround(end->x + dx / length * move);
  end->y = std::lround(end->y + dy / length * move);
}

// The rectangles of a wire with square ends, in pieces that GCpath2poly takes.
void Reader::wire(int slot, const std::vector<Point>& points, long width)
{
  size_t first = 0;
  do {
    size_t last = std::min(points.size() - 1, first + kMaxPathPoints - 1);
    PointsHolder centre{nullptr};
    _points** tail = &centre.points;
    for (size_t i = first; i <= last; ++i) {
      _points* p = common::make<_points>();
      p->x = static_cast<int>(points[i].x);
      p->y = static_cast<int>(points[i].y);
      *tail = p;
      tail = &p->next;
    }
    PolyHolder outlines{GCpath2poly(centre.points, width)};
    for (_polys* poly = outlines.polys; poly; poly = poly->next)
      addRects(slot, GCpoly2rects(poly));
    first = last;
  } while (first + 1 < points.size());
}

/*
 * text --
 *   A label on its layer and a pin, as a CIF label with a layer; its
 *   presentation, width and transformation are not kept.
 */
void Reader::text()
{
  const Element& e = element_;
  if (e.layer < 0)
    elementError("TEXT without LAYER");
  if (!e.haveText)
    elementError("TEXT without STRING");
  needPoints(1, 1);
  int slot = slotOf(e.layer, std::max(e.datatype, 0));
  if (slot < 0 || e.text.empty())
    return;
  long x = convert(e.xy[0]), y = convert(e.xy[1]);
  _symbol* symbol = symbolOf(slot);
  _labels* label = common::make<_labels>();
  label->label = GCstrcpy(e.text.c_str());
  label->x = static_cast<int>(x);
  label->y = static_cast<int>(y);
  label->next = symbol->label;
  symbol->label = label;

  _pin* pin = common::make<_pin>();
  pin->label = GCstrcpy(e.text.c_str());
  pin->x = static_cast<int>(x);
  pin->y = static_cast<int>(y);
  pin->layername = GCstrcpy(symbol->layername);
  pin->layernum = slot;
  pin->next = out_->pins;
  out_->pins = pin;
}

/*
 * transformation --
 *   The steps of STRANS and ANGLE: a reflection about the x axis, then a
 *   rotation by a multiple of 90 degrees; MAG as an exact ratio.
 */
int Reader::transformation(_opcode* ops, Ratio* mag)
{
  const Element& e = element_;
  const std::string what = recordName(e.kind) + " to " + e.sname;
  constexpr uint16_t kReflect = 0x8000, kAbsMag = 0x0004, kAbsAngle = 0x0002;
  if (e.strans & (kAbsMag | kAbsAngle))
    elementError(what + ": absolute magnification or angle cannot be held");
  int n = 0;
  if (e.strans & kReflect) {
    ops[n].type = mirror;
    ops[n].x = 1;
    ops[n].y = -1;
    ++n;
  }
  double turns = e.angle / 90;
  double whole = std::round(turns);
  if (!std::isfinite(e.angle) || std::fabs(turns - whole) > 1e-9)
    elementError(what + formatted(": ANGLE %g is not a multiple of 90 degrees", e.angle));
  int quarter = static_cast<int>(std::fmod(std::fmod(whole, 4) + 4, 4));
  if (quarter != 0) {
    static const int kDirection[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    ops[n].type = rotate;
    ops[n].x = kDirection[quarter][0];
    ops[n].y = kDirection[quarter][1];
    ++n;
  }
  *mag = Ratio{};
  if (std::fabs(e.mag - 1) > 1e-12 && !ratioOf(e.mag, kMaxMagnification, kMaxMagnification, mag))
    elementError(what + formatted(": MAG %g does not keep the grid", e.mag));
  return n;
}

/*
 * reference --
 *   An SREF is one call; an AREF one call per copy, row by row, at the
 *   origin plus whole steps along the two lattice vectors.  The called
 *   cell's name is given once every structure is known.
 */
void Reader::reference()
{
  const Element& e = element_;
  bool array = e.kind == AREF;
  if (!e.haveSname || e.sname.empty())
    elementError(recordName(e.kind) + " without SNAME");
  needPoints(array ? 3 : 1, array ? 3 : 1);
  long columns = 1, rows = 1;
  if (array) {
    if (!e.haveColrow)
      elementError("AREF without COLROW");
    columns = e.columns;
    rows = e.rows;
    if (columns < 1 || rows < 1)
      elementError(formatted("AREF of %ld x %ld copies", columns, rows));
    arrayCalls_ += columns * rows;
    if (arrayCalls_ > state.arrayCallLimit)
      elementError(formatted("AREF of %ld x %ld copies of %s: the arrays of the file would make "
                          "more than %ld calls",
                          columns, rows, e.sname.c_str(), state.arrayCallLimit));
  }
  _opcode steps[3];
  Ratio mag;
  int n = transformation(steps, &mag);
  Reference ref;
  ref.from = current_;
  ref.target = structureIndex(e.sname);
  ref.mag = mag;
  ref.offset = e.offset;
  ref.kind = e.kind;
  Structure& target = structures_[static_cast<size_t>(ref.target)];
  if (target.firstReference < 0) {
    target.firstReference = e.offset;
    target.referenceKind = e.kind;
    target.referrer = current_;
  }
  const int64_t x0 = e.xy[0], y0 = e.xy[1];
  for (long r = 0; r < rows; ++r) {
    for (long c = 0; c < columns; ++c) {
      long tx, ty;
      if (array) {
        // origin + c (P1 - P0) / columns + r (P2 - P0) / rows, exactly
        __int128 cr = static_cast<__int128>(columns) * rows;
        __int128 xs = x0 * cr + c * rows * (int64_t(e.xy[2]) - x0) + r * columns * (int64_t(e.xy[4]) - x0);
        __int128 ys = y0 * cr + c * rows * (int64_t(e.xy[3]) - y0) + r * columns * (int64_t(e.xy[5]) - y0);
        tx = convert(xs, static_cast<int64_t>(cr));
        ty = convert(ys, static_cast<int64_t>(cr));
      } else {
        tx = convert(x0);
        ty = convert(y0);
      }
      _instance* call = common::make<_instance>();
      call->no = structures_[current_].calls++;
      for (int i = 0; i < n; ++i)
        call->opcode[i] = steps[i];
      call->optimes = n + 1;
      call->opcode[n] = {trans, static_cast<int>(tx), static_cast<int>(ty)};
      call->next = cell_->instance;
      cell_->instance = call;
      ref.last = call;
      ++ref.count;
    }
  }
  references_.push_back(ref);
}

// ---------------------------------------------------------------------------
// After the last structure.
// ---------------------------------------------------------------------------

/*
 * report --
 *   One message per kind of thing that was read differently or left out.
 */
void Reader::report() const
{
  if (!unmapped_.empty()) {
    std::string list;
    int listed = 0;
    for (const auto& u : unmapped_) {
      if (listed++ == kListed) {
        list += formatted(" and %zu more", unmapped_.size() - kListed);
        break;
      }
      list += formatted("%s%d/%d (%ld shape%s)", list.empty() ? "" : ", ", u.first.first,
                     u.first.second, u.second, u.second == 1 ? "" : "s");
    }
    GCmessage(kModule, 'W', "GDSII layers the layer map %s does not name were skipped: %s",
              map_.file.c_str(), list.c_str());
  }
  if (offGrid_ > 0)
    GCmessage(kModule, 'W',
              "%ld coordinates of the database unit %g m lie between internal units of %g m: "
              "they are rounded",
              offGrid_, unitMetres_, internalUnitMetres());
  if (roundPaths_ > 0)
    GCmessage(kModule, 'W', "%ld paths with round ends (path type 1) are read with square ends",
              roundPaths_);
  if (zeroWidthPaths_ > 0)
    GCmessage(kModule, 'W', "%ld paths without width were skipped", zeroWidthPaths_);
}

}  // namespace gds
