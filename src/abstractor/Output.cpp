// Output of subpyxis: the two print routines and the ways to stop the run.
#include "Output.h"

#include <cstdarg>
#include <cstdio>

namespace abstractor {

static std::string* capturedOut = nullptr;
static std::string* capturedErr = nullptr;

static void vprint(std::string* capture, FILE* stream, const char* fmt, va_list args)
{
  if (capture == nullptr) {
    vfprintf(stream, fmt, args);
    return;
  }
  char small[512];
  va_list again;
  va_copy(again, args);
  int length = vsnprintf(small, sizeof small, fmt, args);
  if (length < 0) {
    va_end(again);
    return;
  }
  if (static_cast<size_t>(length) < sizeof small) {
    capture->append(small, length);
  } else {
    std::string big(length + 1, '\0');
    vsnprintf(&big[0], big.size(), fmt, again);
    capture->append(big.data(), length);
  }
  va_end(again);
}

void outf(const char* fmt, ...)
{
  va_list args;
  va_start(args, fmt);
  vprint(capturedOut, stdout, fmt, args);
  va_end(args);
}

void errf(const char* fmt, ...)
{
  va_list args;
  va_start(args, fmt);
  vprint(capturedErr, stderr, fmt, args);
  va_end(args);
}

void captureOutput(std::string* out, std::string* err)
{
  capturedOut = out;
  capturedErr = err;
}

void flushOutput()
{
  if (capturedOut == nullptr)
    fflush(stdout);
}

void stopProgram(int status)
{
  throw ProgramExit{status};
}

void fatalAtLine(int lineNo, const char* fmt, ...)
{
  outf("Fatal error at line %d: ", lineNo);
  va_list args;
  va_start(args, fmt);
  vprint(capturedOut, stdout, fmt, args);
  va_end(args);
  throw NetlistFatal{};
}

}  // namespace abstractor
