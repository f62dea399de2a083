// A generated layout for the drawing benchmarks: `count` boxes on the
// technology's layers, in rows of standard-cell-like strips, made
// deterministically.
#pragma once

#include "BenchSupport.h"
#include "Dlayout.h"

namespace bench {

// Builds the cell in memory and makes it Glayout (and Gsymbols).
_layout* generateLayout(long count);

}  // namespace bench
