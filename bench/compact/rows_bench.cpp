// Row-generation benchmark: generates a flattened layout of N boxes on three
// layers (a metal-1 square inside a metal-2 square and a poly strip per grid
// cell), builds the planes, sets width, spacing and enclosure rules, and
// times init_staff, the variable scan and the sweeps of both directions as
// the resize driver runs them.  Prints one line: n, seconds, rows, rows per
// second, peak RSS.
//
// SYSRC must name the system source file (lib/sysrc).
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BenchSupport.h"
#include "CS.h"
#include "DRdesignrule.h"
#include "Dcif.h"
#include "DTtechnology.h"
#include "Dcompact.h"
#include "Dglobal.h"
#include "Dlayout.h"

namespace {

constexpr int kPitch = 1000;      // layout units between grid cells
constexpr int kBoxesPerCell = 3;

int layerIndex(const char* name)
{
  for (int i = 0; i < GlayerNum; ++i)
    if (strcmp(Glayers[i].name, name) == 0)
      return i;
  fprintf(stderr, "rows_bench: the technology has no layer %s\n", name);
  exit(2);
}

void addRect(_layout* cell, const char* layer, int x1, int y1, int x2, int y2)
{
  int index = layerIndex(layer);
  _symbol*& symbol = cell->symbol[index];
  if (!symbol) {
    symbol = common::make<_symbol>();
    snprintf(symbol->layername, sizeof symbol->layername, "%s", layer);
  }
  _rects* r = common::make<_rects>();
  *r = {x1, y1, x2, y2, symbol->rect};
  symbol->rect = r;
  ACframe(x1, y1, cell);
  ACframe(x2, y2, cell);
}

_layout* generate(long boxes)
{
  _layout* cell = common::make<_layout>();
  cell->frame = {kEmptyFrameLow, kEmptyFrameLow, kEmptyFrameHigh, kEmptyFrameHigh};
  long cells = (boxes + kBoxesPerCell - 1) / kBoxesPerCell;
  long perRow = static_cast<long>(std::ceil(std::sqrt(static_cast<double>(cells))));
  long made = 0;
  for (long i = 0; made < boxes; ++i) {
    int x = static_cast<int>(i % perRow) * kPitch, y = static_cast<int>(i / perRow) * kPitch;
    int shift = static_cast<int>(i % 3) * 100;
    const struct {
      const char* layer;
      int x1, y1, x2, y2;
    } parts[kBoxesPerCell] = {{"CMS", 50, 50, 650, 650},
                              {"CMF", 100, 100, 600, 600},
                              {"CPG", 800, shift, 900, 700 + shift}};
    for (const auto& p : parts)
      if (made++ < boxes)
        addRect(cell, p.layer, x + p.x1, y + p.y1, x + p.x2, y + p.y2);
  }
  return cell;
}

void setRules()
{
  int metal1 = Glayers[layerIndex("CMF")].layer, metal2 = Glayers[layerIndex("CMS")].layer;
  int poly = Glayers[layerIndex("CPG")].layer;
  for (int l : {metal1, metal2, poly}) {
    WIDTH[l] = 2;
    WIDTH_VALID[l] = 1;
    SPACING[l][l] = 3;
    SPACING_VALID[l][l] = 1;
  }
  SPACING[poly][metal1] = SPACING[metal1][poly] = 1;
  SPACING_VALID[poly][metal1] = SPACING_VALID[metal1][poly] = 1;
  EXTENSION[metal2][metal1] = 1;
  EXTENSION_VALID[metal2][metal1] = 1;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc < 2 || atol(argv[1]) <= 0) {
    fprintf(stderr, "usage: rows_bench <boxes>\n");
    return 2;
  }
  long boxes = atol(argv[1]);
  GCresetGlobals();
  Silently = 1;
  GCmemInit();
  std::string ignored;
  common::captureOutput(&ignored, &ignored);
  DIcolorInit();
  DItechInit();
  InitStitch();
  Gflatten = generate(boxes);
  DCcrtCS();
  setRules();
  long tiles = 0;
  for (int i = 0; i < DlayerNum; ++i)
    tiles += cs::countTiles(DlayerTile[i].layertile);

  auto start = std::chrono::steady_clock::now();
  double cpuStart = bench::cpuSeconds();
  init_staff();
  scan_toget_variables();
  mps_column_num = 1;
  _rhs_list* xRows = compact::newRows();
  X_direction = 1;
  scan_queue->sweep(equat_bucket, xRows);
  X_direction = 0;
  _rhs_list* yRows = compact::newRows();
  scan_queue_y->sweep(equat_bucket_y, yRows);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double cpu = bench::cpuSeconds() - cpuStart;
  long rows = mps_column_num - 1;
  common::captureOutput(nullptr, nullptr);

  printf("n %ld  tiles %ld  seconds %.3f (cpu %.3f)  rows %ld  rows/s %.0f  us/box %.3f  "
         "peak RSS %.1f MB\n",
         boxes, tiles, seconds, cpu, rows, rows / seconds, seconds * 1e6 / boxes,
         bench::peakRssKb() / 1024.0);
  compact::freeRows(xRows);
  compact::freeRows(yRows);
  compact::freeStaff();
  return 0;
}
