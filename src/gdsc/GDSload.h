// GDSload.h -- private to the GDSII reader (src/gdsc): the reader of one
// stream and the layout it builds.
#pragma once

#include <map>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Dlayout.h"
#include "GDSinternal.h"

namespace gds {

// A layout read and not installed: its cells (most recent first, the top
// cell at the head once made) and pins.
class StreamLayout {
 public:
  StreamLayout() = default;
  ~StreamLayout()
  {
    GCfreeLayout(cells);
    GCfreePins(pins);
  }
  StreamLayout(const StreamLayout&) = delete;
  StreamLayout& operator=(const StreamLayout&) = delete;

  _layout* cells = nullptr;
  _layout* top = nullptr;
  _pin* pins = nullptr;
  int offGridBoxes = 0;  // boxes off the quarter-step grid
};

// Release guards for the lists a conversion makes.
struct PolyHolder {
  _polys* polys;
  ~PolyHolder() { GCfreePoly(polys); }
};
struct PointsHolder {
  _points* points;
  ~PointsHolder() { GCfreePoints(points); }
};

struct Point {
  long x, y;
};

// A structure, defined or so far only referenced.
struct Structure {
  std::string name;
  _layout* cell = nullptr;  // null until defined
  long offset = -1;         // of its BGNSTR
  int calls = 0;            // calls made in it (numbers of the next one)
  long firstReference = -1; // offset of the first SREF or AREF to it
  int referenceKind = SREF;
  int referrer = -1;        // the structure that made that reference
};

// One SREF or AREF: its calls are the `count` calls of `from` ending, in the
// cell's list order, at `last`.
struct Reference {
  int from = -1;
  int target = -1;
  Ratio mag;
  _instance* last = nullptr;
  long count = 0;
  long offset = 0;
  int kind = SREF;
};

// The records of the element being read.
struct Element {
  int kind = 0;
  long offset = 0;
  int layer = -1;
  int datatype = -1;  // or text type
  int pathtype = 0;
  int32_t width = 0, bgnextn = 0, endextn = 0;
  std::vector<int32_t> xy;  // its size holds only once haveXY is set
  bool haveXY = false;
  std::string sname;
  bool haveSname = false;
  std::string text;
  bool haveText = false;
  uint16_t strans = 0;
  double mag = 1, angle = 0;
  int columns = 0, rows = 0;
  bool haveColrow = false;

  // Back to no records, keeping the buffers.
  void reset(int k, long at)
  {
    kind = k;
    offset = at;
    layer = datatype = -1;
    pathtype = 0;
    width = bgnextn = endextn = 0;
    haveXY = haveSname = haveText = haveColrow = false;
    sname.clear();
    text.clear();
    strans = 0;
    mag = 1;
    angle = 0;
    columns = rows = 0;
  }
};

class Reader {
 public:
  Reader(FILE* in, const LayerMap& map, StreamLayout* out) : records_(in), map_(map), out_(out) {}

  // Reads the stream to ENDLIB.  Throws ReadError.
  void run();
  // Names the calls, makes the magnified copies, the frames and the top
  // cell.  Throws ReadError.
  void finish();
  // The messages of what was skipped or rounded.
  void report() const;

 private:
  static constexpr int64_t kMaxUnitDenominator = 10000;  // of the units' ratio
  static constexpr int64_t kMaxUnitNumerator = 1 << 24;
  static constexpr int64_t kMaxMagnification = 1 << 12;  // of MAG's ratio
  static constexpr int kListed = 20;  // pairs named in the skipped-layer message

  [[noreturn]] void fail(const Record& r, const std::string& what) const;
  [[noreturn]] void elementError(const std::string& what) const;
  void need(const Record& r, int dataType, size_t minimum) const
  {
    if (r.dataType != dataType || r.size < minimum)
      badData(r, dataType, minimum);
  }
  [[noreturn]] void badData(const Record& r, int dataType, size_t minimum) const;
  void needPoints(size_t minimum, size_t maximum) const;
  Record& next();

  void units(const Record& r);
  void structure();
  int structureIndex(const std::string& name);
  void element(int kind);
  void boundary();
  void path();
  void text();
  void reference();
  int transformation(_opcode* ops, Ratio* mag);
  void wire(int slot, const std::vector<Point>& points, long width);
  static void moveEnd(Point* end, const Point& toward, long by);

  long convert(int64_t c)
  {
    if (unit_.q == 1) {
      int64_t v = c * unit_.p;  // |c| < 2^31, p < 2^24
      if (v <= kMaxCoordinate && v >= -kMaxCoordinate)
        return static_cast<long>(v);
    }
    return convertRounded(c);
  }
  long convertRounded(int64_t c);
  long convert(__int128 num, int64_t den);
  long inRange(__int128 v);
  int slotOf(int layer, int datatype);
  _symbol* symbolOf(int slot);
  void addRect(int slot, long x1, long y1, long x2, long y2);
  void addRects(int slot, _rects* rects);

  // After the last structure (GDSbuild.cpp).
  void checkDefined() const;
  void checkRecursion() const;
  void nameCalls();
  _layout* magnified(int structure, Ratio mag, const Reference& why);
  void makeMagnified();
  void frames();

  RecordReader records_;
  Record record_;
  const LayerMap& map_;
  StreamLayout* out_;

  Ratio unit_;  // internal units per database unit
  double unitMetres_ = 0;
  std::vector<Structure> structures_;
  std::unordered_map<std::string, int> byName_;
  std::vector<Reference> references_;
  int cellCount_ = 0;
  int current_ = -1;  // structure being read
  _layout* cell_ = nullptr;
  Element element_;
  std::unordered_map<uint32_t, int> slots_;  // layer << 16 | datatype -> slot or -1
  uint32_t lastKey_ = ~0u;                    // the pair looked up last, and its slot
  int lastSlot_ = -1;
  std::map<std::pair<int, int>, long> unmapped_;  // shapes per unmapped pair
  long offGrid_ = 0;
  long roundPaths_ = 0;
  long zeroWidthPaths_ = 0;
  long arrayCalls_ = 0;

  // Magnified copies: (structure, p, q) -> cell, and those still to fill.
  struct Copy {
    int structure;
    Ratio mag;
    _layout* cell;
    const Reference* why;
  };
  std::map<std::tuple<int, int64_t, int64_t>, _layout*> copies_;
  std::vector<Copy> toFill_;
};

}  // namespace gds
