// A generated layout for the drawing benchmarks: `count` boxes on the
// technology's layers, in rows of standard-cell-like strips, made
// deterministically.
#pragma once

#include <cstdio>

#include "Dlayout.h"

namespace bench {

// Builds the cell in memory and makes it Glayout (and Gsymbols).
_layout* generateLayout(long count);

// Writes the same layout as CIF (one "B" per box).
void writeCif(long count, FILE* out);

// Peak resident set size of the process in kilobytes.
long peakRssKb();

}  // namespace bench
