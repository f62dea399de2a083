// Standard output and standard error of the core, redirectable for tests,
// with a copy as lines for a front end that shows them.
#include "Dglobal.h"

#include <cstdio>
#include <cstring>

namespace {

std::string* capturedOut = nullptr;
std::string* capturedErr = nullptr;

common::OutputSink* sink = nullptr;

// The unfinished line of one stream as a terminal would show it.
struct PendingLine {
  std::string text;
  bool shown = false;  // the sink was told about it as a partial line
};
PendingLine pendingOut;
PendingLine pendingErr;

/*
 * copyToSink --
 *   Cuts the written text into lines for the sink: a newline finishes the
 *   line, a backspace takes back one character, a carriage return the whole
 *   line.  An unfinished line that changed is passed on as partial.
 */
void copyToSink(common::Stream stream, const char* data, size_t n)
{
  PendingLine& pending = stream == common::Stream::Out ? pendingOut : pendingErr;
  bool changed = false;
  for (size_t i = 0; i < n; ++i) {
    char c = data[i];
    if (c == '\n') {
      sink->line(stream, pending.text);
      pending.text.clear();
      pending.shown = false;
      changed = false;
    } else if (c == '\b') {
      if (!pending.text.empty())
        pending.text.pop_back();
      changed = true;
    } else if (c == '\r') {
      pending.text.clear();
      changed = true;
    } else {
      pending.text += c;
      changed = true;
    }
  }
  if (changed && (pending.shown || !pending.text.empty())) {
    sink->partial(stream, pending.text);
    pending.shown = !pending.text.empty();
  }
}

// Writes formatted text to the stream or its capture, and copies it to the
// sink.
void append(common::Stream stream, const char* format, va_list args)
{
  std::string* into = stream == common::Stream::Out ? capturedOut : capturedErr;
  FILE* file = stream == common::Stream::Out ? stdout : stderr;
  if (!into && !sink) {
    vfprintf(file, format, args);
    if (file == stderr)
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
  std::string big;
  const char* text = small;
  if (static_cast<size_t>(n) >= sizeof small) {
    big.assign(n + 1, '\0');
    vsnprintf(&big[0], big.size(), format, again);
    text = big.data();
  }
  va_end(again);
  if (into) {
    into->append(text, n);
  } else {
    fwrite(text, 1, n, file);
    if (file == stderr)
      fflush(stderr);
  }
  if (sink)
    copyToSink(stream, text, n);
}

}  // namespace

namespace common {

std::string formatted(const char* format, ...)
{
  char text[512];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

void outf(const char* format, ...)
{
  va_list args;
  va_start(args, format);
  append(Stream::Out, format, args);
  va_end(args);
}

void outText(const char* text)
{
  if (capturedOut)
    capturedOut->append(text);
  else
    fputs(text, stdout);
  if (sink)
    copyToSink(Stream::Out, text, strlen(text));
}

void vout(const char* format, va_list args)
{
  append(Stream::Out, format, args);
}

void errf(const char* format, ...)
{
  va_list args;
  va_start(args, format);
  append(Stream::Err, format, args);
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

void setOutputSink(OutputSink* newSink)
{
  sink = newSink;
  pendingOut = PendingLine();
  pendingErr = PendingLine();
}

}  // namespace common
