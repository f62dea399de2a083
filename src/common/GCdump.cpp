// Writing the rectangles of the flattened cell as a simple CIF file.
#include "Dlayout.h"

#include <cstdio>

#include "Dglobal.h"

namespace {

constexpr int kModule = 0;  // message module of the layout database
constexpr const char* kDumpFile = "zephra.dmp";

}  // namespace

/*
 * GCdumpLayer --
 *   Writes "L <name>;" and one "B length width cx cy;" line per rectangle of
 *   slot `layerIndex` of the flattened cell, in list order.  Values are in
 *   micrometres, truncated toward zero.
 */
void GCdumpLayer(FILE* file, unsigned layerIndex)
{
  if (!Gflatten || layerIndex >= static_cast<unsigned>(kMaxLayers))
    return;
  const _symbol* symbol = Gflatten->symbol[layerIndex];
  if (!symbol)
    return;
  fprintf(file, "L %s;\n", symbol->layername);
  for (const _rects* r = symbol->rect; r; r = r->next) {
    long length = static_cast<long>(r->x2 * LAMBDA_T1 / SCALE - r->x1 * LAMBDA_T1 / SCALE);
    long width = static_cast<long>(r->y2 * LAMBDA_T1 / SCALE - r->y1 * LAMBDA_T1 / SCALE);
    long cx = static_cast<long>((double(r->x1) + r->x2) * LAMBDA_T1 / (2.0 * SCALE));
    long cy = static_cast<long>((double(r->y1) + r->y2) * LAMBDA_T1 / (2.0 * SCALE));
    fprintf(file, "B %ld %ld %ld %ld;\n", length, width, cx, cy);
  }
}

/*
 * GCdump --
 *   Writes the flattened cell's rectangles, layer by layer, to "zephra.dmp".
 * Side effects: reports "All boxes are dumped in zephra.dmp" (kind M); a
 *   file that cannot be created is reported (kind E).  Without a flattened
 *   cell nothing is written and "No flattened layout to dump" is reported
 *   (kind W).
 */
int GCdump()
{
  if (!Gflatten) {
    GCmessage(kModule, 'W', "No flattened layout to dump");
    return 0;
  }
  FILE* file = fopen(kDumpFile, "w");
  if (!file) {
    GCmessage(kModule, 'E', "Dump file open failed");
    return 0;
  }
  fprintf(file, "(CIF file dumped by ZEKA);\n");
  for (unsigned slot = 0; slot < static_cast<unsigned>(kMaxLayers); ++slot)
    if (Gflatten->symbol[slot])
      GCdumpLayer(file, slot);
  fprintf(file, "E\n");
  if (fclose(file) != 0) {
    GCmessage(kModule, 'E', "Dump file write failed");
    return 0;
  }
  GCmessage(kModule, 'M', "All boxes are dumped in zephra.dmp");
  return 0;
}
