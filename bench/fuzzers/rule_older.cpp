// Fuzzes the reader of the older design rule format.
#include "design_rules.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  fuzz_rules::initialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  fuzz_rules::readInput(data, size, [](FILE* in) {
    if (ReadDesignRules(in))
      DRcheckDesRule();
  });
  return 0;
}
