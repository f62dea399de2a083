// The built-in transistor sizes of resizing mode 3: the two-stage
// amplifier of examples/amp.cif (W and L in micrometres, by transistor
// number; its fingers are drawn 8/2).  An entry of 0 leaves the transistor
// alone.
#include "DUsize.h"

extern const double TRANW[kBuiltInTransistors] = {
    0, 16, 16, 16, 10, 16, 10, 8, 10, 8, 10, 8, 10, 12, 8, 10, 12, 5};
extern const double TRANL[kBuiltInTransistors] = {
    0, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2};
