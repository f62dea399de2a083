// Fuzzes the layer bridge reader; a bridge that is read then carries the
// example rules.
#include "design_rules.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  fuzz_rules::initialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  fuzz_rules::readInput(data, size, [](FILE* in) {
    if (!DRparseBridge(in))
      return;
    FILE* rules = fopen(QUORIN_SOURCE_DIR "/examples/example_rules.tf", "r");
    if (rules) {
      if (DRparseCadenceDesRule2(rules))
        DRcheckDesRule();
      fclose(rules);
    }
  });
  return 0;
}
