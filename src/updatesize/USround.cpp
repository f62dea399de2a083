// Rounding of layout lengths to half a grid step, shared with the squeeze.
#include "DUsize.h"

#include <climits>

#include "Dglobal.h"

int SQhalfscale_round(int value, int scale)
{
  if (scale % 4 != 0) {
    common::outf("ERROR:  SQhalfscale_round:  The scale of %i is not divisible by four.\n", scale);
    common::outf("                         :  The scale of %i is not divisible by four.\n", scale);
  }
  long long half = scale / 2;
  if (half <= 0)
    return value;
  long long magnitude = value < 0 ? -static_cast<long long>(value) : value;
  long long rest = magnitude % half;
  magnitude -= rest;
  if (rest > scale / 4)
    magnitude += half;
  long long largest = value < 0 ? -static_cast<long long>(INT_MIN) : INT_MAX;
  if (magnitude > largest)  // no rounding past the ends of int
    magnitude -= half;
  return static_cast<int>(value < 0 ? -magnitude : magnitude);
}
