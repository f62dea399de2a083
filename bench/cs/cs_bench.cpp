// Plane-building benchmark: generates a flattened layout of rows of
// transistors with contacts and two metal layers for the example technology,
// builds all tile planes and prints one line of figures.
//
//   cs_bench <boxes> [--check] [--bottom-first]
//   cs_bench --cif <file> [--check]
//
// The rectangle lists come last row first, as the CIF reader makes them,
// or with --bottom-first in the order the rows are generated.  With --cif
// the layout is a CIF file (bench/gen_cif makes large ones), read and
// flattened before the planes are timed.
//
// SYSRC must name the system source file (lib/sysrc).
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BenchSupport.h"
#include "CS.h"
#include "Dcif.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"

namespace {

// One transistor cell, in layout units (400 per micrometre).
constexpr int kCellWidth = 4000;
constexpr int kRowPitch = 3000;
constexpr int kBoxesPerCell = 9;

int layerIndex(const char* name)
{
  for (int i = 0; i < GlayerNum; ++i)
    if (strcmp(Glayers[i].name, name) == 0)
      return i;
  fprintf(stderr, "cs_bench: the technology has no layer %s\n", name);
  exit(2);
}

// Rectangle lists of the layout, made as the CIF reader makes them (each
// new rectangle first, so the last row comes first) or in generation order.
struct Lists {
  bool bottomFirst = false;
  _rects** tails[kMaxLayers] = {};
};

void addRect(_layout* cell, Lists* lists, const char* layer, int x1, int y1, int x2, int y2)
{
  int index = layerIndex(layer);
  _symbol*& symbol = cell->symbol[index];
  if (!symbol) {
    symbol = common::make<_symbol>();
    snprintf(symbol->layername, sizeof symbol->layername, "%s", layer);
    lists->tails[index] = &symbol->rect;
  }
  _rects* r = common::make<_rects>();
  if (lists->bottomFirst) {
    *r = {x1, y1, x2, y2, nullptr};
    *lists->tails[index] = r;
    lists->tails[index] = &r->next;
  } else {
    *r = {x1, y1, x2, y2, symbol->rect};
    symbol->rect = r;
  }
  ACframe(x1, y1, cell);
  ACframe(x2, y2, cell);
}

// A transistor whose diffusion, gate and implant overlap, source and drain
// contacts with metal stubs up to a second-metal strip shared by the row.
void addCell(_layout* cell, Lists* lists, int x, int y, bool pmos, long* boxes, long limit)
{
  struct Part {
    const char* layer;
    int x1, y1, x2, y2;
  };
  const Part parts[kBoxesPerCell] = {
      {"CAA", 0, 0, 3000, 800},
      {"CPG", 1300, -400, 1700, 1200},
      {pmos ? "CSP" : "CSN", -200, -200, 3200, 1000},
      {"CCA", 300, 200, 700, 600},
      {"CCA", 2300, 200, 2700, 600},
      {"CMF", 200, 100, 800, 2000},
      {"CMF", 2200, 100, 2800, 2000},
      {"CVA", 300, 1500, 700, 1900},
      {"CMS", 0, 1400, kCellWidth, 2000},
  };
  for (const Part& p : parts) {
    if (*boxes >= limit)
      return;
    addRect(cell, lists, p.layer, x + p.x1, y + p.y1, x + p.x2, y + p.y2);
    ++*boxes;
  }
}

_layout* generate(long boxes, bool bottomFirst)
{
  Lists lists;
  lists.bottomFirst = bottomFirst;
  _layout* cell = common::make<_layout>();
  cell->frame = {kEmptyFrameLow, kEmptyFrameLow, kEmptyFrameHigh, kEmptyFrameHigh};
  long cells = (boxes + kBoxesPerCell - 1) / kBoxesPerCell;
  long perRow = static_cast<long>(std::ceil(std::sqrt(cells * 0.75)));
  long made = 0;
  for (long i = 0; made < boxes; ++i) {
    long row = i / perRow, column = i % perRow;
    addCell(cell, &lists, static_cast<int>(column * kCellWidth), static_cast<int>(row * kRowPitch),
            row % 2 == 0, &made, boxes);
  }
  return cell;
}



// Reads and flattens a CIF file into Gflatten.
// Returns: the number of rectangles, or -1 when it cannot be read.
long readCif(const char* path)
{
  cifin = fopen(path, "r");
  if (!cifin)
    return -1;
  ACinit();
  common::ActionScope scope;
  try {
    if (CIFparse() != 0 || GCflatten() != 0 || !Gflatten)
      return -1;
  } catch (const common::OperationAborted&) {
    return -1;
  }
  long boxes = 0;
  for (const _symbol* symbol : Gflatten->symbol)
    for (const _rects* r = symbol ? symbol->rect : nullptr; r; r = r->next)
      ++boxes;
  return boxes;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc < 2) {
    fprintf(stderr, "usage: cs_bench <boxes> [--check] [--bottom-first] | --cif <file> [--check]\n");
    return 2;
  }
  const char* cif = nullptr;
  bool check = false, bottomFirst = false;
  for (int i = 1; i < argc; ++i) {
    check = check || strcmp(argv[i], "--check") == 0;
    bottomFirst = bottomFirst || strcmp(argv[i], "--bottom-first") == 0;
    if (strcmp(argv[i], "--cif") == 0 && i + 1 < argc)
      cif = argv[++i];
  }
  GCresetGlobals();
  Silently = 1;
  GCmemInit();
  std::string ignored;
  common::captureOutput(&ignored, &ignored);
  DIcolorInit();
  DItechInit();
  InitStitch();

  long boxes = cif ? readCif(cif) : atol(argv[1]);
  if (boxes <= 0) {
    common::captureOutput(nullptr, nullptr);
    fprintf(stderr, "cs_bench: no layout (%s)\n", cif ? cif : argv[1]);
    return 1;
  }
  if (!cif)
    Gflatten = generate(boxes, bottomFirst);
  long rssBefore = bench::peakRssKb();
  auto start = std::chrono::steady_clock::now();
  double cpuStart = bench::cpuSeconds();
  DCcrtCS();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double cpu = bench::cpuSeconds() - cpuStart;
  long rssAfter = bench::peakRssKb();
  common::captureOutput(nullptr, nullptr);

  long tiles = 0;
  for (int i = 0; i < DlayerNum; ++i)
    tiles += cs::countTiles(DlayerTile[i].layertile);
  if (check) {
    std::string report;
    if (!cs::checkPlanes(&report)) {
      fprintf(stderr, "cs_bench: %s\n", report.c_str());
      return 1;
    }
  }
  double held = static_cast<double>(cs::memoryInUse());
  printf("n %ld  seconds %.3f (cpu %.3f)  tiles %ld  tiles/s %.0f  tiles/box %.2f  peak RSS %.1f MB  "
         "bytes/tile %.1f (RSS growth %.1f)%s\n",
         boxes, seconds, cpu, tiles, tiles / seconds, static_cast<double>(tiles) / boxes,
         rssAfter / 1024.0, held / tiles, (rssAfter - rssBefore) * 1024.0 / tiles,
         check ? "  planes checked" : "");
  return 0;
}
