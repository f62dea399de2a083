// libFuzzer target for the full CIF reader: the target of cif_reader.cpp
// with the reader switched to full mode.
#define QUORIN_FUZZ_FULL_CIF 1
#include "cif_reader.cpp"
