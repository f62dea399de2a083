// Shared set-up of the design rule fuzz targets: the example technology and
// the example bridge are loaded once; every input starts from the same
// tables.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"

namespace fuzz_rules {

inline std::string sink;  // messages and printed tables
inline CIFtoCADENCElayers exampleBridge[kRuleLayers];

inline void initialize()
{
  setenv("SYSRC", QUORIN_SOURCE_DIR "/lib/sysrc", 0);
  GCresetGlobals();
  Silently = 1;
  common::captureOutput(&sink, &sink);
  DIcolorInit();
  DItechInit();
  DRgetCifLayers(CifToCadence, Glayers);
  FILE* in = fopen(QUORIN_SOURCE_DIR "/examples/example.bridge", "r");
  if (in) {
    DRparseBridge(in);
    fclose(in);
  }
  memcpy(exampleBridge, CifToCadence, sizeof CifToCadence);
}

// Runs `read` on the input as a stream, from the example bridge and clear
// rules.
template <class Read>
void readInput(const uint8_t* data, size_t size, Read read)
{
  memcpy(CifToCadence, exampleBridge, sizeof CifToCadence);
  DRclearAllRules();
  LAMBDA_T1 = LAMBDA_T2 = 0.1;
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  FILE* in = fmemopen(text.data(), size ? size : 1, "r");
  if (!in)
    return;
  common::ActionScope scope;
  try {
    read(in);
  } catch (const common::OperationAborted&) {
  }
  fclose(in);
  sink.clear();
}

}  // namespace fuzz_rules
