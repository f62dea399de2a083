// Fuzzes the symmetry-check reader.  The first byte picks the mode: odd
// reads the rest as the matcher's output (blocks keyed and kept once),
// even as a designer's file.  The parsed list is then walked as the
// detections walk it and released.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "DSsymmetry.h"
#include "Dglobal.h"

namespace {
std::string sink;  // echoed characters, keys and the dump
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  setenv("SYSRC", QUORIN_SOURCE_DIR "/lib/sysrc", 0);
  GCresetGlobals();
  Silently = 1;
  common::captureOutput(&sink, &sink);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size == 0)
    return 0;
  HIERSYMSET = data[0] & 1;
  std::vector<char> text(data + 1, data + size);
  text.push_back('\0');
  dchecksymin = fmemopen(text.data(), text.size(), "r");
  if (!dchecksymin)
    return 0;
  DSrdInit();
  if (SYMparse() == 0 && HIERSYMSET)
    WriteSymCheckOutput();
  StoreSymmetricResistor();
  HIERSYMSET = 0;
  DSrdInit();
  sink.clear();
  return 0;
}
