// libFuzzer target for the CIF reader: every input is loaded as a file
// would be (ACinit, CIFparse), and a layout that parses is flattened, dumped
// and released in one of the ways the menu allows.  Everything is released
// before the next input.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Dcif.h"
#include "Dglobal.h"
#include "Dinit.h"
#include "Dlayout.h"

namespace {

std::string capturedOut;
std::string capturedErr;

// Runs an action as the dispatcher does; false when it was abandoned.
bool act(int (*action)())
{
  common::ActionScope scope;
  try {
    action();
    return true;
  } catch (const common::OperationAborted&) {
    return false;
  }
}

bool parse()
{
  common::ActionScope scope;
  try {
    return CIFparse() == 0;
  } catch (const common::OperationAborted&) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  setenv("SYSRC", QUORIN_SOURCE_DIR "/lib/sysrc", 0);
  GCresetGlobals();
  Silently = 1;
  common::captureOutput(&capturedOut, &capturedErr);
  init::startHeadless(false);
#ifdef QUORIN_FUZZ_FULL_CIF
  ACcifMode = CifMode::Full;
#endif
  // Flattens are refused beyond about a hundred thousand elements: a larger
  // layout is sound, but on a busy machine it may not flatten within the
  // time an input may take, and a hang must stand out.
  common::setFlattenMemoryLimit(4.0 * 1024 * 1024);
  // The dump goes to the working folder: use a private one.
  char dir[] = "/tmp/quorin-fuzz-XXXXXX";
  if (!mkdtemp(dir) || chdir(dir) != 0)
    abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  cifin = fmemopen(text.data(), size > 0 ? size : 1, "r");
  if (!cifin)
    return 0;
  ACinit();
  if (parse() && act(GCflatten)) {
    unsigned choice = size > 0 ? data[size - 1] : 0;
    if (choice & 1)
      act(GCdump);
    if (choice & 2)
      act(GCfreeS);
    if (choice & 4)
      act(GCfreeH);
    if (choice & 8)
      act(GCactivateH);
    act(GCactivateS);
  }
  ACinit();
  cif::releaseRetiredPins();
  capturedOut.clear();
  capturedErr.clear();
  return 0;
}
