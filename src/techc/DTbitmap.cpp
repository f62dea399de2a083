// Reading X bitmap (XBM) files for the layers' fill patterns.
#include "DTtechnology.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

constexpr int kMaxBitmapSide = 1024;  // pixels; fill patterns are small

// Value of "#define <name>_<suffix> <n>", or -1.
long defineValue(const std::string& text, const char* suffix)
{
  size_t at = 0;
  while ((at = text.find("#define", at)) != std::string::npos) {
    std::istringstream line(text.substr(at, text.find('\n', at) - at));
    std::string define, name;
    long value = -1;
    line >> define >> name >> value;
    size_t length = strlen(suffix);
    if (name.size() > length && name.compare(name.size() - length, length, suffix) == 0)
      return value;
    at += 7;
  }
  return -1;
}

}  // namespace

namespace techc {

bool readBitmap(const char* path, Bitmap* bitmap)
{
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::string text = buffer.str();

  long width = defineValue(text, "_width");
  long height = defineValue(text, "_height");
  if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide)
    return false;
  size_t open = text.find('{');
  size_t close = text.find('}', open == std::string::npos ? 0 : open);
  if (open == std::string::npos || close == std::string::npos)
    return false;

  size_t needed = static_cast<size_t>((width + 7) / 8 * height);
  std::vector<unsigned char> bits;
  const char* p = text.c_str() + open + 1;
  const char* end = text.c_str() + close;
  while (p < end) {
    char* after;
    unsigned long value = strtoul(p, &after, 0);
    if (after == p) {
      ++p;
      continue;
    }
    if (value > 0xff)
      return false;
    bits.push_back(static_cast<unsigned char>(value));
    p = after;
  }
  if (bits.size() < needed)
    return false;
  bits.resize(needed);
  bitmap->width = static_cast<int>(width);
  bitmap->height = static_cast<int>(height);
  bitmap->bits = std::move(bits);
  return true;
}

}  // namespace techc
