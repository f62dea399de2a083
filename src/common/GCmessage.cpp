// The message routine, the front-end hook and the abandoning of actions.
#include "Dglobal.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kMessageLength = 1024;  // characters of a formatted message

common::FrontEnd defaultFrontEnd;
common::FrontEnd* currentFrontEnd = &defaultFrontEnd;
int actionDepth = 0;

const char* prefixOf(char kind)
{
  switch (kind) {
    case 'F': return "Fatal: ";
    case 'W': return "Warning: ";
    case 'E': return "Error: ";
    case 'M': return "Message: ";
    default: return "";
  }
}

}  // namespace

/*
 * GCmessage --
 *   The one message routine: prefix by kind, the formatted text and a full
 *   stop, shown by GCprintout and copied to standard error unless Silently.
 *   A fatal line is written to standard error by GCprintout itself, so it is
 *   not copied a second time.
 */
void GCmessage(int module, char kind, const char* format, ...)
{
  char text[kMessageLength];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);

  std::string line = prefixOf(kind);
  line += text;
  line += '.';
  GCprintout(module, kind, line.c_str());
  if (!Silently && kind != 'F')
    common::errf("%s\n", line.c_str());
}

/*
 * GCprintout --
 *   Shows a formatted line: kind F on standard error, every other kind in the
 *   front end (message box, popup for S and P, popup removal for L).
 */
void GCprintout(int /*module*/, char kind, const char* line)
{
  if (kind == 'F') {
    common::errf("%s\n", line);
    return;
  }
  currentFrontEnd->showMessage(kind, line);
}

namespace common {

int FrontEnd::playback() { return notAvailable("f.DIplayback"); }

void setFrontEnd(FrontEnd* frontEnd)
{
  currentFrontEnd = frontEnd ? frontEnd : &defaultFrontEnd;
}

FrontEnd& frontEnd() { return *currentFrontEnd; }

ActionScope::ActionScope() { ++actionDepth; }
ActionScope::~ActionScope() { --actionDepth; }
bool inAction() { return actionDepth > 0; }

void abandonAction(int status)
{
  if (actionDepth > 0)
    throw OperationAborted(status);
  endProcess(status);
}

void endProcess(int status)
{
  flushOutput();
  std::exit(status);
}

int notAvailable(const char* what)
{
  GCmessage(1, 'E', "%s is not available yet", what);
  return 1;
}

}  // namespace common
