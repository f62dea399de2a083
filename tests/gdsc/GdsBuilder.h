// Builds GDSII streams in memory for the tests: records, elements,
// structures and a library, written from the format's definition (record
// framing and excess-64 reals done here, independently of the reader).
#pragma once

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace gds_test {

using Bytes = std::string;

inline Bytes record(int type, int dataType, const Bytes& data = "")
{
  size_t n = 4 + data.size();
  Bytes r;
  r += static_cast<char>(n >> 8);
  r += static_cast<char>(n & 0xff);
  r += static_cast<char>(type);
  r += static_cast<char>(dataType);
  return r + data;
}

inline Bytes int2(int type, std::initializer_list<int> values)
{
  Bytes d;
  for (int v : values) {
    d += static_cast<char>((v >> 8) & 0xff);
    d += static_cast<char>(v & 0xff);
  }
  return record(type, 2, d);
}

inline Bytes int4(int type, const std::vector<int32_t>& values)
{
  Bytes d;
  for (int32_t v : values)
    for (int shift = 24; shift >= 0; shift -= 8)
      d += static_cast<char>((static_cast<uint32_t>(v) >> shift) & 0xff);
  return record(type, 3, d);
}

// value = (-1)^sign * fraction / 2^56 * 16^(exponent - 64)
inline Bytes real8Bytes(double v)
{
  Bytes d(8, '\0');
  if (v == 0)
    return d;
  int sign = v < 0 ? 0x80 : 0;
  v = std::fabs(v);
  int e = 0;
  while (v >= 1) {
    v /= 16;
    ++e;
  }
  while (v < 1.0 / 16) {
    v *= 16;
    --e;
  }
  uint64_t m = static_cast<uint64_t>(std::llround(std::ldexp(v, 56)));
  d[0] = static_cast<char>(sign | (e + 64));
  for (int i = 7; i >= 1; --i, m >>= 8)
    d[static_cast<size_t>(i)] = static_cast<char>(m & 0xff);
  return d;
}

inline Bytes real8(int type, std::initializer_list<double> values)
{
  Bytes d;
  for (double v : values)
    d += real8Bytes(v);
  return record(type, 5, d);
}

inline Bytes text(int type, std::string s)
{
  if (s.size() % 2)
    s += '\0';
  return record(type, 6, s);
}

inline Bytes endel() { return record(0x11, 0); }

inline Bytes box(int layer, int x1, int y1, int x2, int y2, int datatype = 0)
{
  return record(0x08, 0) + int2(0x0D, {layer}) + int2(0x0E, {datatype}) +
         int4(0x10, {x1, y1, x2, y1, x2, y2, x1, y2, x1, y1}) + endel();
}

inline Bytes boundary(int layer, const std::vector<int32_t>& xy)
{
  return record(0x08, 0) + int2(0x0D, {layer}) + int2(0x0E, {0}) + int4(0x10, xy) + endel();
}

inline Bytes path(int layer, int type, int width, const std::vector<int32_t>& xy,
                  int bgnextn = 0, int endextn = 0)
{
  Bytes p = record(0x09, 0) + int2(0x0D, {layer}) + int2(0x0E, {0}) + int2(0x21, {type}) +
            int4(0x0F, {width});
  if (type == 4)
    p += int4(0x30, {bgnextn}) + int4(0x31, {endextn});
  return p + int4(0x10, xy) + endel();
}

inline Bytes label(int layer, int x, int y, const std::string& s, int texttype = 0)
{
  return record(0x0C, 0) + int2(0x0D, {layer}) + int2(0x16, {texttype}) + int4(0x10, {x, y}) +
         text(0x19, s) + endel();
}

// STRANS, MAG and ANGLE as a reference carries them.
inline Bytes strans(bool reflect, double angle, double mag = 1, int extraBits = 0)
{
  Bytes s;
  if (!reflect && angle == 0 && mag == 1 && !extraBits)
    return s;
  int bits = (reflect ? 0x8000 : 0) | extraBits;
  s += record(0x1A, 1, Bytes{static_cast<char>(bits >> 8), static_cast<char>(bits & 0xff)});
  if (mag != 1)
    s += real8(0x1B, {mag});
  if (angle != 0)
    s += real8(0x1C, {angle});
  return s;
}

inline Bytes sref(const std::string& name, int x, int y, bool reflect = false, double angle = 0,
                  double mag = 1)
{
  return record(0x0A, 0) + text(0x12, name) + strans(reflect, angle, mag) + int4(0x10, {x, y}) +
         endel();
}

// An array of columns x rows copies: origin, then the points `columns`
// column steps and `rows` row steps away.
inline Bytes aref(const std::string& name, int columns, int rows, int x, int y, int cx, int cy,
                  int rx, int ry, bool reflect = false, double angle = 0)
{
  return record(0x0B, 0) + text(0x12, name) + strans(reflect, angle) +
         int2(0x13, {columns, rows}) +
         int4(0x10, {x, y, x + columns * cx, y + columns * cy, x + rows * rx, y + rows * ry}) +
         endel();
}

inline Bytes structure(const std::string& name, const Bytes& elements)
{
  return int2(0x05, {2024, 1, 2, 3, 4, 5, 2024, 1, 2, 3, 4, 5}) + text(0x06, name) + elements +
         record(0x07, 0);
}

// A library with database units of `metres` (user unit a micrometre).
inline Bytes library(const Bytes& structures, double metres = 2.5e-9)
{
  return int2(0x00, {600}) + int2(0x01, {2024, 1, 2, 3, 4, 5, 2024, 1, 2, 3, 4, 5}) +
         text(0x02, "LIB") + real8(0x03, {metres / 1e-6, metres}) + structures +
         record(0x04, 0);
}

// Bundled map layers: 43 CAA, 46 CPG, 49 CMF, 51 CMS.
constexpr int kCAA = 43, kCPG = 46, kCMF = 49, kCMS = 51;

}  // namespace gds_test
