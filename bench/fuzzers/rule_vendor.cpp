// Fuzzes the vendor technology file reader, both variants, through the
// example bridge; a file that is read is also printed.
#include "design_rules.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  fuzz_rules::initialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  fuzz_rules::readInput(data, size, [](FILE* in) {
    if (DRparseCadenceDesRule2(in))
      DRcheckDesRule();
    rewind(in);
    DRparseCadenceDesRule1(in);
  });
  return 0;
}
