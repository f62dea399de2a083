// UStables.h -- the size tables as a whole (private to src/updatesize).
#pragma once

#include "DUsize.h"

namespace updatesize {

// Everything a parse may change, kept aside while a file is read.
struct SizeTables {
  _US_TRAN_SIZE_ tran;
  _US_IND_SIZE_ ind;
  _US_RES_SIZE_ res;
  _US_CAP_SIZE_ cap;
  int textualInput = 0;
};

// Moves the tables and textualDeviceSizeInput out and rebuilds the tables
// zero-filled for the current device counts.
SizeTables takeTables();
// Puts tables taken before back in place.
void restoreTables(SizeTables&& saved);

}  // namespace updatesize
