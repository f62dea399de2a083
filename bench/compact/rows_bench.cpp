// Row-generation benchmark: times init_staff, the variable scan and the
// sweeps of both directions as the resize driver runs them, on one of two
// layouts:
//
//   rows_bench <boxes>            a generated dense layout of N boxes on three
//                                 layers (a metal-1 square inside a metal-2
//                                 square and a poly strip per grid cell)
//   rows_bench --cif file.cif     a flat CIF layout (bench/gen_cif inverter
//                                 arrays), read, flattened, turned into planes
//                                 and extracted (so gate tiles are known)
//                                 before the clock starts, under a rule set of
//                                 the example process's layers
//
// Prints one line: n boxes, tiles, variables of one direction, seconds (wall
// and CPU), rows, rows per second and microseconds per box (both of CPU
// time: the machine may be shared), peak RSS (planes included) with the
// resident memory before the scan, and the CPU seconds of the scan and of
// each sweep.  With ROWS_OUTPUT=file what the run printed, and with
// ROWS_DUMP=file its rows (compact::dumpRows), are also written.  SYSRC must
// name the system source file (lib/sysrc).
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
#include "DEextract.h"
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

// Rules of the example process in lambda; gen_cif draws one lambda as 20
// CIF units, two grid steps of theGlobalScale internal units each.
constexpr int kGridPerLambda = 2;

void setProcessRules()
{
  struct LayerRule {
    const char* layer;
    int width, spacing;
  };
  const LayerRule layers[] = {{"CWP", 10, 6}, {"CWN", 10, 6}, {"CSN", 2, 2}, {"CSP", 2, 2},
                              {"CAA", 3, 3},  {"CPG", 2, 2},  {"CCA", 2, 2}, {"CCP", 2, 2},
                              {"CMF", 3, 3},  {"CVA", 2, 3},  {"CMS", 3, 4}};
  for (const LayerRule& r : layers) {
    int l = Glayers[layerIndex(r.layer)].layer;
    WIDTH[l] = r.width * kGridPerLambda;
    WIDTH_VALID[l] = 1;
    SPACING[l][l] = r.spacing * kGridPerLambda;
    SPACING_VALID[l][l] = 1;
  }
  struct PairRule {
    const char* a;
    const char* b;
    int value;
  };
  const PairRule spacings[] = {{"CPG", "CAA", 1}, {"CCP", "CAA", 2}, {"CCA", "CPG", 2},
                               {"CSN", "CSP", 0}, {"CWP", "CWN", 0}};
  for (const PairRule& r : spacings) {
    int a = Glayers[layerIndex(r.a)].layer, b = Glayers[layerIndex(r.b)].layer;
    SPACING[a][b] = SPACING[b][a] = r.value * kGridPerLambda;
    SPACING_VALID[a][b] = SPACING_VALID[b][a] = 1;
  }
  // Enclosures: how far the first layer reaches beyond the second.
  const PairRule enclosures[] = {{"CAA", "CCA", 1}, {"CMF", "CCA", 1}, {"CMF", "CCP", 1},
                                 {"CPG", "CCP", 1}, {"CMF", "CVA", 1}, {"CMS", "CVA", 1},
                                 {"CSN", "CAA", 2}, {"CSP", "CAA", 2}, {"CPG", "CAA", 2},
                                 {"CWP", "CSN", 1}, {"CWN", "CSP", 1}};
  for (const PairRule& r : enclosures) {
    int a = Glayers[layerIndex(r.a)].layer, b = Glayers[layerIndex(r.b)].layer;
    EXTENSION[a][b] = r.value * kGridPerLambda;
    EXTENSION_VALID[a][b] = 1;
  }
  TRAN_WIDTH[0] = 3 * kGridPerLambda;
  TRAN_WIDTH_VALID[0] = 1;
  TRAN_LENGTH[0] = 2 * kGridPerLambda;
  TRAN_LENGTH_VALID[0] = 1;
}

/* loadCif -- the flat layout of a CIF file in planes, extracted; its box count. */
long loadCif(const char* path)
{
  cifin = fopen(path, "r");
  if (!cifin) {
    fprintf(stderr, "rows_bench: cannot open %s\n", path);
    exit(1);
  }
  long boxes = 0;
  common::ActionScope scope;
  try {
    ACinit();
    if (CIFparse() != 0) {
      fprintf(stderr, "rows_bench: cannot parse %s\n", path);
      exit(1);
    }
    GCflatten();
    if (!Gflatten) {
      fprintf(stderr, "rows_bench: nothing to flatten in %s\n", path);
      exit(1);
    }
    boxes = bench::boxesOf(Gflatten);
    DCcrtCS();
    DExCir();
  } catch (const common::OperationAborted&) {
    fprintf(stderr, "rows_bench: the load of %s was abandoned\n", path);
    exit(1);
  }
  return boxes;
}

}  // namespace

int main(int argc, char** argv)
{
  const bool cif = argc == 3 && strcmp(argv[1], "--cif") == 0;
  if (!cif && (argc != 2 || atol(argv[1]) <= 0)) {
    fprintf(stderr, "usage: rows_bench <boxes> | rows_bench --cif file.cif\n");
    return 2;
  }
  long boxes = cif ? 0 : atol(argv[1]);
  GCresetGlobals();
  Silently = 1;
  GCmemInit();
  std::string ignored;
  common::captureOutput(&ignored, &ignored);
  DIcolorInit();
  DItechInit();
  InitStitch();
  if (cif) {
    boxes = loadCif(argv[2]);
    setProcessRules();
  } else {
    Gflatten = generate(boxes);
    DCcrtCS();
    setRules();
  }
  long tiles = 0;
  for (int i = 0; i < DlayerNum; ++i)
    tiles += cs::countTiles(DlayerTile[i].layertile);

  const double loadedMb = bench::currentRssKb() / 1024.0;
  auto start = std::chrono::steady_clock::now();
  double cpuStart = bench::cpuSeconds();
  init_staff();
  scan_toget_variables();
  const double cpuScan = bench::cpuSeconds();
  mps_column_num = 1;
  _rhs_list* xRows = compact::newRows();
  X_direction = 1;
  scan_queue->sweep(equat_bucket, xRows);
  const double cpuX = bench::cpuSeconds();
  X_direction = 0;
  _rhs_list* yRows = compact::newRows();
  scan_queue_y->sweep(equat_bucket_y, yRows);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpuEnd = bench::cpuSeconds(), cpu = cpuEnd - cpuStart;
  long rows = mps_column_num - 1;
  common::captureOutput(nullptr, nullptr);

  printf("n %ld  tiles %ld  variables %d  seconds %.3f (cpu %.3f)  rows %ld  rows/s %.0f  us/box %.3f  "
         "peak RSS %.1f MB (%.1f before the scan)  cpu of scan %.2f x %.2f y %.2f\n",
         boxes, tiles, num_of_var, seconds, cpu, rows, rows / cpu, cpu * 1e6 / boxes,
         bench::peakRssKb() / 1024.0, loadedMb, cpuScan - cpuStart, cpuX - cpuScan,
         cpuEnd - cpuX);
  compact::freeRows(xRows);
  compact::freeRows(yRows);
  compact::freeStaff();
  // ROWS_OUTPUT=file keeps what the timed run printed, ROWS_DUMP=file writes
  // the rows of the same run: to compare builds.
  if (const char* output = getenv("ROWS_OUTPUT")) {
    FILE* f = fopen(output, "w");
    if (!f || fputs(ignored.c_str(), f) < 0 || fclose(f) != 0) {
      fprintf(stderr, "rows_bench: cannot write %s\n", output);
      return 1;
    }
  }
  if (const char* dump = getenv("ROWS_DUMP")) {
    common::captureOutput(&ignored, &ignored);
    int failed = compact::dumpRows(dump);
    common::captureOutput(nullptr, nullptr);
    if (failed) {
      fprintf(stderr, "rows_bench: cannot write %s\n", dump);
      return 1;
    }
  }
  return 0;
}
