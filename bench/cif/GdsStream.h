// A minimal GDSII stream writer for the benchmark generator: one library in
// database units of 0.01 micrometre (one CIF unit), one structure of
// boundaries, square-ended paths and texts.  Written from the format's
// definition, apart from the workbench's own writer.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>

namespace gencif {

class GdsStream {
 public:
  explicit GdsStream(FILE* f) : f_(f) {}

  void begin(const std::string& structure)
  {
    int2(0x00, {600});
    int2(0x01, {2024, 1, 1, 0, 0, 0, 2024, 1, 1, 0, 0, 0});
    text(0x02, "GEN");
    head(0x03, 5, 16);
    real8(0.01);  // user unit: a micrometre
    real8(1e-8);  // database unit in metres
    int2(0x05, {2024, 1, 1, 0, 0, 0, 2024, 1, 1, 0, 0, 0});
    text(0x06, structure);
  }
  void end()
  {
    head(0x07, 0, 0);
    head(0x04, 0, 0);
  }
  void box(int layer, long x1, long y1, long x2, long y2)
  {
    head(0x08, 0, 0);
    int2(0x0D, {layer});
    int2(0x0E, {0});
    head(0x10, 3, 40);
    for (long v : {x1, y1, x2, y1, x2, y2, x1, y2, x1, y1})
      int4(v);
    head(0x11, 0, 0);
  }
  void wire(int layer, long width, long x1, long y, long x2)
  {
    head(0x09, 0, 0);
    int2(0x0D, {layer});
    int2(0x0E, {0});
    int2(0x21, {2});
    head(0x0F, 3, 4);
    int4(width);
    head(0x10, 3, 16);
    for (long v : {x1, y, x2, y})
      int4(v);
    head(0x11, 0, 0);
  }
  void label(int layer, long x, long y, const std::string& s)
  {
    head(0x0C, 0, 0);
    int2(0x0D, {layer});
    int2(0x16, {0});
    head(0x10, 3, 8);
    int4(x);
    int4(y);
    text(0x19, s);
    head(0x11, 0, 0);
  }

 private:
  void head(int type, int dataType, size_t bytes)
  {
    size_t n = bytes + 4;
    byte(n >> 8);
    byte(n);
    byte(type);
    byte(dataType);
  }
  void byte(unsigned long v) { fputc(static_cast<int>(v & 0xff), f_); }
  void int2(int type, std::initializer_list<int> values)
  {
    head(type, 2, 2 * values.size());
    for (int v : values) {
      byte(static_cast<unsigned long>(v) >> 8);
      byte(static_cast<unsigned long>(v));
    }
  }
  void int4(long v)
  {
    uint32_t u = static_cast<uint32_t>(v);
    for (int shift = 24; shift >= 0; shift -= 8)
      byte(u >> shift);
  }
  void text(int type, std::string s)
  {
    if (s.size() % 2)
      s += '\0';
    head(type, 6, s.size());
    fwrite(s.data(), 1, s.size(), f_);
  }
  // Sign, exponent of 16 in excess 64, 56-bit fraction.
  void real8(double v)
  {
    int e = 0;
    while (v >= 1) {
      v /= 16;
      ++e;
    }
    while (v > 0 && v < 1.0 / 16) {
      v *= 16;
      --e;
    }
    uint64_t m = static_cast<uint64_t>(std::ldexp(v, 56));
    byte(static_cast<unsigned long>(e + 64));
    for (int shift = 48; shift >= 0; shift -= 8)
      byte(static_cast<unsigned long>(m >> shift));
  }
  FILE* f_;
};

}  // namespace gencif
