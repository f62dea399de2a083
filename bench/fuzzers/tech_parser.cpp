// Fuzzes the technology file reader: every input is read into fresh tables.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "DTtechnology.h"
#include "Dglobal.h"

namespace {
std::string sink;  // messages and echoed characters
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  setenv("SYSRC", QUORIN_SOURCE_DIR "/lib/sysrc", 0);
  GCresetGlobals();
  Silently = 1;
  common::captureOutput(&sink, &sink);
  DIcolorInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  techin = fmemopen(text.data(), size ? size : 1, "r");
  if (!techin)
    return 0;
  techc::resetGroup();
  DTrdInit();
  common::ActionScope scope;
  try {
    TECHparse();
  } catch (const common::OperationAborted&) {
  }
  sink.clear();
  return 0;
}
