// GDSII records: their names, the big-endian framing, excess-64 reals, the
// writing of records, and the exact ratio of two units.
#include <cmath>
#include <cstring>
#include <ctime>

#include "Dlayout.h"
#include "GDSinternal.h"

namespace gds {

namespace {

const char* const kNames[kRecordTypes] = {
    "HEADER",    "BGNLIB",   "LIBNAME",   "UNITS",      "ENDLIB",    "BGNSTR",   "STRNAME",
    "ENDSTR",    "BOUNDARY", "PATH",      "SREF",       "AREF",      "TEXT",     "LAYER",
    "DATATYPE",  "WIDTH",    "XY",        "ENDEL",      "SNAME",     "COLROW",   "TEXTNODE",
    "NODE",      "TEXTTYPE", "PRESENTATION", "SPACING", "STRING",    "STRANS",   "MAG",
    "ANGLE",     "UINTEGER", "USTRING",   "REFLIBS",    "FONTS",     "PATHTYPE", "GENERATIONS",
    "ATTRTABLE", "STYPTABLE", "STRTYPE",  "ELFLAGS",    "ELKEY",     "LINKTYPE", "LINKKEYS",
    "NODETYPE",  "PROPATTR", "PROPVALUE", "BOX",        "BOXTYPE",   "PLEX",     "BGNEXTN",
    "ENDEXTN",   "TAPENUM",  "TAPECODE",  "STRCLASS",   "RESERVED",  "FORMAT",   "MASK",
    "ENDMASKS",  "LIBDIRSIZE", "SRFNAME", "LIBSECUR",
};

}  // namespace

std::string recordName(int type)
{
  if (type >= 0 && type < kRecordTypes)
    return kNames[type];
  char text[8];
  snprintf(text, sizeof text, "0x%02x", type & 0xff);
  return text;
}

double Record::real8(int i) const { return decodeReal8(data + 8 * i); }

std::string Record::text() const
{
  const char* p = reinterpret_cast<const char*>(data);
  const void* nul = memchr(p, '\0', size);
  return std::string(p, nul ? static_cast<const char*>(nul) - p : size);
}

// ---------------------------------------------------------------------------
// Framing.
// ---------------------------------------------------------------------------

bool RecordReader::fill(size_t need)
{
  if (end_ - pos_ >= need)
    return true;
  if (pos_ > 0) {
    memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  while (end_ < need) {
    size_t n = fread(buffer_.get() + end_, 1, kBlock - end_, in_);
    if (n == 0)
      return false;
    end_ += n;
  }
  return true;
}

/*
 * next --
 *   A record is a 2-byte length (header included), the record type and the
 *   data type, then length - 4 bytes of data.
 */
bool RecordReader::next(Record* record)
{
  pos_ += consumed_;
  offset_ += static_cast<long>(consumed_);
  consumed_ = 0;
  record->type = -1;
  record->size = 0;
  if (end_ - pos_ < 4 && !fill(4)) {
    if (end_ == pos_)
      return false;
    throw ReadError{offset_, "", "the file ends inside a record header"};
  }
  const unsigned char* p = buffer_.get() + pos_;
  unsigned length = (unsigned(p[0]) << 8) | p[1];
  int type = p[2], dataType = p[3];
  if (length < 4 || length % 2 != 0) {
    char what[64];
    snprintf(what, sizeof what, "a record of impossible length %u", length);
    throw ReadError{offset_, recordName(type), what};
  }
  if (end_ - pos_ < length && !fill(length)) {
    char what[96];
    snprintf(what, sizeof what, "the file ends inside the record (%zu of its %u bytes)",
             end_ - pos_, length);
    throw ReadError{offset_, recordName(type), what};
  }
  p = buffer_.get() + pos_;
  record->type = type;
  record->dataType = dataType;
  record->data = p + 4;
  record->size = length - 4;
  record->offset = offset_;
  consumed_ = length;
  return true;
}

// ---------------------------------------------------------------------------
// Reals: sign, a 7-bit exponent of 16 in excess 64, a 56-bit fraction.
// ---------------------------------------------------------------------------

double decodeReal8(const unsigned char* p)
{
  uint64_t fraction = 0;
  for (int i = 1; i < 8; ++i)
    fraction = (fraction << 8) | p[i];
  int exponent = (p[0] & 0x7f) - 64;
  double value = std::ldexp(static_cast<double>(fraction), 4 * exponent - 56);
  return (p[0] & 0x80) ? -value : value;
}

void encodeReal8(double value, unsigned char* p)
{
  memset(p, 0, 8);
  if (value == 0 || !std::isfinite(value))
    return;
  bool negative = value < 0;
  double v = std::fabs(value);
  int exponent = 0;
  while (v >= 1) {
    v /= 16;
    ++exponent;
  }
  while (v < 1.0 / 16) {
    v *= 16;
    --exponent;
  }
  uint64_t fraction = static_cast<uint64_t>(std::llround(std::ldexp(v, 56)));
  if (fraction >> 56) {  // rounded up to 1
    fraction >>= 4;
    ++exponent;
  }
  if (exponent + 64 < 0 || exponent + 64 > 127)
    return;
  p[0] = static_cast<unsigned char>((negative ? 0x80 : 0) | (exponent + 64));
  for (int i = 7; i >= 1; --i) {
    p[i] = static_cast<unsigned char>(fraction & 0xff);
    fraction >>= 8;
  }
}

// ---------------------------------------------------------------------------
// Units.
// ---------------------------------------------------------------------------

/*
 * ratioOf --
 *   Walks the continued fraction of `value` and stops at the first
 *   convergent within a relative 1e-9.
 */
bool ratioOf(double value, int64_t maxDenominator, int64_t maxNumerator, Ratio* r)
{
  if (!(value > 0) || !std::isfinite(value))
    return false;
  int64_t p0 = 0, q0 = 1, p1 = 1, q1 = 0;
  double x = value;
  for (int step = 0; step < 64; ++step) {
    double a = std::floor(x);
    if (a > 1e12)
      return false;
    int64_t ai = static_cast<int64_t>(a);
    int64_t p2 = ai * p1 + p0, q2 = ai * q1 + q0;
    if (q2 > maxDenominator || p2 > maxNumerator)
      return false;
    if (q2 > 0 && std::fabs(double(p2) / double(q2) - value) <= 1e-9 * value) {
      if (p2 == 0)
        return false;
      *r = {p2, q2};
      return true;
    }
    p0 = p1;
    q0 = q1;
    p1 = p2;
    q1 = q2;
    double rest = x - a;
    if (rest <= 0)
      return false;
    x = 1 / rest;
  }
  return false;
}

double internalUnitMetres() { return LAMBDA_T1 * 1e-6 / (SCALE > 0 ? SCALE : 1); }

// ---------------------------------------------------------------------------
// Writing.
// ---------------------------------------------------------------------------

void RecordWriter::header(int type, int dataType, size_t bytes)
{
  size_t length = 4 + bytes;
  unsigned char h[4] = {static_cast<unsigned char>(length >> 8),
                        static_cast<unsigned char>(length & 0xff),
                        static_cast<unsigned char>(type), static_cast<unsigned char>(dataType)};
  ok_ = fwrite(h, 1, 4, out_) == 4 && ok_;
}

void RecordWriter::empty(int type) { header(type, kNoData, 0); }

void RecordWriter::int2(int type, std::initializer_list<int> values)
{
  header(type, kInt2, 2 * values.size());
  for (int v : values) {
    unsigned char b[2] = {static_cast<unsigned char>((v >> 8) & 0xff),
                          static_cast<unsigned char>(v & 0xff)};
    ok_ = fwrite(b, 1, 2, out_) == 2 && ok_;
  }
}

void RecordWriter::int4(int type, const int32_t* values, size_t n)
{
  header(type, kInt4, 4 * n);
  for (size_t i = 0; i < n; ++i) {
    uint32_t v = static_cast<uint32_t>(values[i]);
    unsigned char b[4] = {static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
                          static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
    ok_ = fwrite(b, 1, 4, out_) == 4 && ok_;
  }
}

void RecordWriter::real8(int type, std::initializer_list<double> values)
{
  header(type, kReal8, 8 * values.size());
  for (double v : values) {
    unsigned char b[8];
    encodeReal8(v, b);
    ok_ = fwrite(b, 1, 8, out_) == 8 && ok_;
  }
}

void RecordWriter::text(int type, const std::string& text)
{
  constexpr size_t kMaxText = 65530;  // what a record holds, even
  std::string t = text.substr(0, kMaxText);
  if (t.size() % 2)
    t.push_back('\0');
  header(type, kText, t.size());
  ok_ = fwrite(t.data(), 1, t.size(), out_) == t.size() && ok_;
}

// BGNLIB or BGNSTR: the time of modification and of access, both now.
void RecordWriter::dates(int type)
{
  time_t now = time(nullptr);
  tm t{};
  localtime_r(&now, &t);
  int y = t.tm_year + 1900, mo = t.tm_mon + 1;
  int2(type, {y, mo, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, y, mo, t.tm_mday, t.tm_hour,
              t.tm_min, t.tm_sec});
}

void RecordWriter::begin(const std::string& library, double userUnits, double metres)
{
  constexpr int kVersion = 600;
  int2(HEADER, {kVersion});
  dates(BGNLIB);
  text(LIBNAME, library);
  real8(UNITS, {userUnits, metres});
}

void RecordWriter::beginStructure(const std::string& name)
{
  dates(BGNSTR);
  text(STRNAME, name);
}

void RecordWriter::box(int layer, int datatype, int64_t x1, int64_t y1, int64_t x2, int64_t y2)
{
  empty(BOUNDARY);
  int2(LAYER, {layer});
  int2(DATATYPE, {datatype});
  const int32_t xy[10] = {int32_t(x1), int32_t(y1), int32_t(x2), int32_t(y1), int32_t(x2),
                          int32_t(y2), int32_t(x1), int32_t(y2), int32_t(x1), int32_t(y1)};
  int4(XY, xy, 10);
  empty(ENDEL);
}

void RecordWriter::label(int layer, int texttype, int64_t x, int64_t y, const std::string& text)
{
  empty(TEXT);
  int2(LAYER, {layer});
  int2(TEXTTYPE, {texttype});
  const int32_t xy[2] = {int32_t(x), int32_t(y)};
  int4(XY, xy, 2);
  this->text(STRING, text);
  empty(ENDEL);
}

}  // namespace gds
