// What the benchmarks share: memory and processor time of the process, and
// a quiet start of the core.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

#include "Dglobal.h"
#include "Dinit.h"
#include "Dlayout.h"

namespace bench {

// Peak resident memory so far, in kilobytes.
inline long peakRssKb()
{
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Resident memory now, in kilobytes.
inline long currentRssKb()
{
  FILE* f = fopen("/proc/self/statm", "r");
  long pages = 0, resident = 0;
  if (f) {
    if (fscanf(f, "%ld %ld", &pages, &resident) != 2)
      resident = 0;
    fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Processor time (user and system) so far, in seconds.
inline double cpuSeconds()
{
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Rectangles of every layer of `cell`.
inline long boxesOf(const _layout* cell)
{
  long n = 0;
  for (const _symbol* s : cell->symbol)
    if (s)
      for (const _rects* r = s->rect; r; r = r->next)
        ++n;
  return n;
}

// Starts the core without a display, with the workbench's own printing on
// standard output sent to /dev/null.  Returns the stream of the real
// standard output, for the figures; null when it cannot be set up.
inline FILE* startQuiet()
{
  FILE* report = fdopen(dup(STDOUT_FILENO), "w");
  if (!report || !freopen("/dev/null", "w", stdout))
    return nullptr;
  GCresetGlobals();
  Silently = 1;
  init::startHeadless(false);
  return report;
}

}  // namespace bench
