// Standard output and standard error of the core, redirectable for tests.
#include "Dglobal.h"

#include <cstdio>

namespace {

std::string* capturedOut = nullptr;
std::string* capturedErr = nullptr;

void append(std::string* into, FILE* stream, const char* format, va_list args)
{
  if (!into) {
    vfprintf(stream, format, args);
    if (stream == stderr)
      fflush(stderr);
    return;
  }
  va_list again;
  va_copy(again, args);
  char small[512];
  int n = vsnprintf(small, sizeof small, format, args);
  if (n < 0) {
    va_end(again);
    return;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    into->append(small, n);
  } else {
    std::string big(n + 1, '\0');
    vsnprintf(&big[0], big.size(), format, again);
    into->append(big.data(), n);
  }
  va_end(again);
}

}  // namespace

namespace common {

void outf(const char* format, ...)
{
  va_list args;
  va_start(args, format);
  append(capturedOut, stdout, format, args);
  va_end(args);
}

void outText(const char* text)
{
  if (capturedOut)
    capturedOut->append(text);
  else
    fputs(text, stdout);
}

void vout(const char* format, va_list args)
{
  append(capturedOut, stdout, format, args);
}

void errf(const char* format, ...)
{
  va_list args;
  va_start(args, format);
  append(capturedErr, stderr, format, args);
  va_end(args);
}

void flushOutput()
{
  fflush(stdout);
  fflush(stderr);
}

void captureOutput(std::string* out, std::string* err)
{
  flushOutput();
  capturedOut = out;
  capturedErr = err;
}

}  // namespace common
