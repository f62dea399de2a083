// libFuzzer target for the GDSII reader: every input is read as a GDSII
// file with the bundled layer map.  A layout that is read is installed,
// flattened, written with the GDSII writer and read back; the rectangles
// read back must be those written, else the target aborts (a crash for
// libFuzzer).  Everything is released before the next input.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Dcif.h"
#include "Dgds.h"
#include "Dglobal.h"
#include "Dinit.h"
#include "Dlayout.h"

namespace {

std::string capturedOut;
std::string capturedErr;

using Rect = std::array<int, 5>;  // slot, x1, y1, x2, y2

std::vector<Rect> rectsOf(const _layout* cell)
{
  std::vector<Rect> rects;
  for (int slot = 0; slot < kMaxLayers; ++slot)
    if (cell->symbol[slot])
      for (const _rects* r = cell->symbol[slot]->rect; r; r = r->next)
        rects.push_back({slot, r->x1, r->y1, r->x2, r->y2});
  std::sort(rects.begin(), rects.end());
  return rects;
}

// Reads `in`, installs and flattens it; false when refused or abandoned.
bool load(FILE* in)
{
  common::ActionScope scope;
  try {
    gds::PendingLayout layout = gds::readStream(in, "input");
    if (!layout)
      return false;
    gds::install(std::move(layout));
    GCflatten();
    return Gflatten != nullptr;
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
  // Flattens and arrays are refused beyond these (libFuzzer stops at 2 GB).
  common::setFlattenMemoryLimit(256.0 * 1024 * 1024);
  gds::setArrayCallLimit(4096);
  char dir[] = "/tmp/quorin-fuzz-XXXXXX";
  if (!mkdtemp(dir) || chdir(dir) != 0)
    abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  std::vector<uint8_t> bytes(data, data + size);
  FILE* in = fmemopen(bytes.data(), size > 0 ? size : 1, "rb");
  if (!in)
    return 0;
  bool read = size > 0 && load(in);
  fclose(in);
  if (read) {
    std::vector<Rect> written = rectsOf(Gflatten);
    if (gds::writeCell(Gflatten, "out.gds") != 0)
      abort();
    FILE* back = fopen("out.gds", "rb");
    if (!back || !load(back))
      abort();
    fclose(back);
    if (rectsOf(Gflatten) != written)
      abort();
  }
  ACinit();
  cif::releaseRetiredPins();
  capturedOut.clear();
  capturedErr.clear();
  return 0;
}
