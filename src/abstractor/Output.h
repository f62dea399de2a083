// Output of subpyxis.  Every line the matcher prints passes through outf()
// (standard output) or errf() (standard error), so that tests can capture it.
// The program never calls exit() below main(): it throws ProgramExit with the
// status, or NetlistFatal after a fatal netlist error, and main() turns them
// into the exit status.
#pragma once

#include <string>

namespace abstractor {

// Ends the run with `status`.
struct ProgramExit {
  int status;
};

// A fatal netlist error; the message is printed already.  main() prints the
// recovery line and ends with status 1.
struct NetlistFatal {
};

// Print the usage text and end with status 1.
struct UsageRequest {
};

void outf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void errf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Sends outf() and errf() into the two strings (nullptr: back to the
// streams).  Used by tests.
void captureOutput(std::string* out, std::string* err);

// Flushes standard output (before a long phase and at the end of the run).
void flushOutput();

// Throws ProgramExit{status}.
[[noreturn]] void stopProgram(int status);

// Prints "Fatal error at line <lineNo>: " and the message, then throws
// NetlistFatal.
[[noreturn]] void fatalAtLine(int lineNo, const char* fmt, ...)
    __attribute__((format(printf, 2, 3)));

}  // namespace abstractor
