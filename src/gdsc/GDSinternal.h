// GDSinternal.h -- private to the GDSII reader and writers (src/gdsc): the
// record kinds, the record framing, excess-64 reals, the layer map and the
// unit conversion.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Dgds.h"

namespace gds {

constexpr int kModule = 3;  // message module of the layout readers

// ---------------------------------------------------------------------------
// Records.
// ---------------------------------------------------------------------------
enum RecordType : int {
  HEADER = 0x00, BGNLIB = 0x01, LIBNAME = 0x02, UNITS = 0x03, ENDLIB = 0x04, BGNSTR = 0x05,
  STRNAME = 0x06, ENDSTR = 0x07, BOUNDARY = 0x08, PATH = 0x09, SREF = 0x0A, AREF = 0x0B,
  TEXT = 0x0C, LAYER = 0x0D, DATATYPE = 0x0E, WIDTH = 0x0F, XY = 0x10, ENDEL = 0x11,
  SNAME = 0x12, COLROW = 0x13, TEXTNODE = 0x14, NODE = 0x15, TEXTTYPE = 0x16,
  PRESENTATION = 0x17, SPACING = 0x18, STRING = 0x19, STRANS = 0x1A, MAG = 0x1B,
  ANGLE = 0x1C, UINTEGER = 0x1D, USTRING = 0x1E, REFLIBS = 0x1F, FONTS = 0x20,
  PATHTYPE = 0x21, GENERATIONS = 0x22, ATTRTABLE = 0x23, STYPTABLE = 0x24, STRTYPE = 0x25,
  ELFLAGS = 0x26, ELKEY = 0x27, LINKTYPE = 0x28, LINKKEYS = 0x29, NODETYPE = 0x2A,
  PROPATTR = 0x2B, PROPVALUE = 0x2C, BOX = 0x2D, BOXTYPE = 0x2E, PLEX = 0x2F,
  BGNEXTN = 0x30, ENDEXTN = 0x31, TAPENUM = 0x32, TAPECODE = 0x33, STRCLASS = 0x34,
  RESERVED = 0x35, FORMAT = 0x36, MASK = 0x37, ENDMASKS = 0x38, LIBDIRSIZE = 0x39,
  SRFNAME = 0x3A, LIBSECUR = 0x3B,
};
constexpr int kRecordTypes = 0x3C;

// Data types of a record's contents.
enum DataType : int { kNoData = 0, kBits = 1, kInt2 = 2, kInt4 = 3, kReal4 = 4, kReal8 = 5, kText = 6 };

// "XY", or "0x5c" for a type that is no record.
std::string recordName(int type);

// One record as read: its header fields and a view of its data, valid until
// the next record is read.
struct Record {
  int type = -1;
  int dataType = 0;
  const unsigned char* data = nullptr;
  size_t size = 0;  // bytes of data
  long offset = 0;  // of the record's first byte in the file

  int count2() const { return static_cast<int>(size / 2); }
  int count4() const { return static_cast<int>(size / 4); }
  int16_t int2(int i) const
  {
    return static_cast<int16_t>((data[2 * i] << 8) | data[2 * i + 1]);
  }
  int32_t int4(int i) const
  {
    const unsigned char* p = data + 4 * i;
    return static_cast<int32_t>((uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) |
                                (uint32_t(p[2]) << 8) | uint32_t(p[3]));
  }
  double real8(int i) const;
  // The text without the NUL padding (up to the first NUL).
  std::string text() const;
};

// What makes a stream unreadable: where and why.
struct ReadError {
  long offset;         // of the record
  std::string record;  // its name
  std::string what;
};

// Reads records from a stream through a large buffer.
class RecordReader {
 public:
  explicit RecordReader(FILE* in) : in_(in), buffer_(new unsigned char[kBlock]) {}

  // The next record.  Returns false at the end of the input (nothing left);
  // throws ReadError for a record of impossible length or one cut short.
  bool next(Record* record);
  long offset() const { return offset_; }

 private:
  static constexpr size_t kBlock = 1 << 17;  // bytes held: the longest record and more
  bool fill(size_t need);

  FILE* in_;
  std::unique_ptr<unsigned char[]> buffer_;
  size_t pos_ = 0, end_ = 0;
  size_t consumed_ = 0;  // bytes of the record handed out last
  long offset_ = 0;      // of buffer_[pos_] in the file
};

// Excess-64 eight-byte real: value of 8 bytes, and the bytes of a value.
double decodeReal8(const unsigned char* p);
void encodeReal8(double value, unsigned char* p);

// ---------------------------------------------------------------------------
// Units.
// ---------------------------------------------------------------------------

// An exact ratio of small integers.
struct Ratio {
  int64_t p = 1, q = 1;
  bool one() const { return p == q; }
};

// The ratio p/q within a relative 1e-9 of `value` whose q is at most
// `maxDenominator`; false when there is none (or value is not positive).
bool ratioOf(double value, int64_t maxDenominator, int64_t maxNumerator, Ratio* r);

// Internal units (SCALE per grid step of LAMBDA_T1 micrometres) in metres.
double internalUnitMetres();

// ---------------------------------------------------------------------------
// Layer map.
// ---------------------------------------------------------------------------
struct LayerMap {
  std::string file;
  // (layer, datatype) -> technology layer name, and the pairs in file order.
  std::map<std::pair<int, int>, std::string> byPair;
  std::vector<std::pair<std::pair<int, int>, std::string>> lines;
  // The first pair naming `layer`, or false.
  bool pairOf(const std::string& layer, std::pair<int, int>* pair) const;
};

// The map in use, read from the system source file's "GdsLayerMap" when no
// map was read yet.  Null, after a message, when there is none.
const LayerMap* layerMap();

// ---------------------------------------------------------------------------
// Writing records.
// ---------------------------------------------------------------------------
class RecordWriter {
 public:
  explicit RecordWriter(FILE* out) : out_(out) {}
  void empty(int type);
  void int2(int type, std::initializer_list<int> values);
  void int4(int type, const int32_t* values, size_t n);
  void real8(int type, std::initializer_list<double> values);
  void text(int type, const std::string& text);
  // HEADER, BGNLIB with the time now, LIBNAME and UNITS.
  void begin(const std::string& library, double userUnits, double metres);
  void beginStructure(const std::string& name);
  void box(int layer, int datatype, int64_t x1, int64_t y1, int64_t x2, int64_t y2);
  void label(int layer, int texttype, int64_t x, int64_t y, const std::string& text);
  bool ok() const { return ok_; }

 private:
  void header(int type, int dataType, size_t bytes);
  void dates(int type);
  FILE* out_;
  bool ok_ = true;
};

}  // namespace gds
