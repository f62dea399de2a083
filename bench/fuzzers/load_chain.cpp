// libFuzzer target for the whole load chain: every input is written to a
// file and loaded as "f.DIldLayout" loads a layout (read, flatten, planes,
// extraction, the passive devices, the re-extraction, pins, groups and the
// matcher netlist).  After a load that was not abandoned the planes must be
// sound and every net must hold exactly the tiles that carry its number,
// none of them part of a spiral or a resistor body; otherwise the target
// aborts, which libFuzzer reports as a crash.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "CS.h"
#include "DEextract.h"
#include "Dglobal.h"
#include "Dinit.h"
#include "Dlayout.h"
#include "Dmenu.h"

namespace {

std::string capturedOut;
std::string capturedErr;

void check()
{
  std::string report;
  // A layout with nothing to build planes from loads with no planes.
  if (DlayerNum > 0 && DlayerTile[0].layertile && !cs::checkPlanes(&report)) {
    fprintf(stderr, "load_chain: unsound planes: %s\n", report.c_str());
    abort();
  }
  for (const _Dnet* net = Nets; net; net = net->next)
    for (const _Dtilelist* n = net->tilelist; n; n = n->next) {
      const _Dtile* t = n->tile;
      if (t->node != net->node || !TisSolid(t) ||
          (t->passiveDev == extract::kPassiveMark && !extract::isPlate(t))) {
        fprintf(stderr, "load_chain: net %s holds a tile of net %d\n", net->name, t->node);
        abort();
      }
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
  // Thirty thousand elements at most: the whole chain on a larger layout
  // may not end within the time an input may take on a busy machine.
  common::setFlattenMemoryLimit(1.0 * 1024 * 1024);
  char dir[] = "/tmp/quorin-fuzz-XXXXXX";
  if (!mkdtemp(dir) || chdir(dir) != 0)
    abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  FILE* f = fopen("input.cif", "w");
  if (!f)
    abort();
  fwrite(data, 1, size, f);
  fclose(f);
  if (callback::accept(kAcceptLoadCif, "input.cif") == callback::Outcome::Done)
    check();
  capturedOut.clear();
  capturedErr.clear();
  return 0;
}
