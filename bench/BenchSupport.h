// Figures the benchmarks share: memory and processor time of the process.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

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

}  // namespace bench
