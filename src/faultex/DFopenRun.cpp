// The open-fault runs and actions: all nets, the active layer in view, the
// selected net with its report, the painting of open regions, and the
// statistics of the opens by transistor polarity.
#include "DFfault.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <unordered_map>

#include "DEextract.h"
#include "DPparasitic.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dview.h"

namespace {

constexpr int kModule = 6;
constexpr int16_t kShowMark = 0x100;  // high byte of processed: painted from

double cpuSince(std::clock_t start)
{
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

// What an open run leaves behind when it is abandoned halfway: the
// critical-area planes and their records, the marks on the layer planes,
// the fault file and table, the recorded transistors and the pending
// terminal list.
struct OpenRun {
  int plane = -1;       // restricting plane, -1 for all
  int fileLayer = -1;   // layer number of the per-layer file, -1 for Breaks.flt
  int size = 0;
  _DtermList* terms = nullptr;
  const int uncaught = std::uncaught_exceptions();

  ~OpenRun()
  {
    if (std::uncaught_exceptions() == uncaught)
      return;
    DFreleaseAllCritPlanes();
    DExFreeTerm(terms);
    RecordTerm = 0;
    extract::releaseTransList();
    FreeBreakList();
    FreeList(NetTileList);
    NetTileList = nullptr;
    DFcleanOpenBuffer();
    DFflushFault(fileLayer, kOpenClass, 0);
    DFresetAllPlanes();
  }
};

// The terminals of the net of `start`, its tiles in NetTileList.
_DtermList* collectNet(_Dtile* start, _Dtilelist** tiles)
{
  RecordTerm = 1;
  int x1, y1, x2, y2;
  *tiles = DExFindNet(start, &x1, &y1, &x2, &y2);
  return DExTermList(*tiles, TransList);
}

// Releases what one net's analysis collected; its tiles become processed.
void finishNet(OpenRun& run, _Dtilelist* tiles)
{
  for (_Dtilelist* n = tiles; n; n = n->next)
    n->tile->processed = 1;
  FreeList(NetTileList);
  NetTileList = nullptr;
  extract::releaseTransList();
  FreeBreakList();
  DExFreeTerm(run.terms);
  run.terms = nullptr;
  RecordTerm = 0;
}

// The analysis of one net, with its scan and flush.
void openNet(_Dtile* start, void* data)
{
  OpenRun& run = *static_cast<OpenRun*>(data);
  _Dtilelist* tiles = nullptr;
  run.terms = collectNet(start, &tiles);
  if (run.terms)
    DFproc1NetO(tiles, run.terms, run.plane, run.size);
  finishNet(run, tiles);
  DFOcritAscan();
  if (FaultTable.FOpenList) {
    DFflushFault(run.fileLayer, kOpenClass, 1);
    DFcleanOpenBuffer();
  }
}

// Transistors by number, for the polarity of gate terminals.
struct TransistorIndex {
  _Dtransistor** lists = nullptr;
  int count = -1;
  std::unordered_map<int, _Dtransistor*> inFirst;  // element 0's transistors
  void refresh()
  {
    if (lists == Transistors && count == TransNum)
      return;
    lists = Transistors;
    count = TransNum;
    inFirst.clear();
    for (_Dtransistor* t = Transistors && DelementNum > 0 ? Transistors[0] : nullptr; t;
         t = t->next)
      inFirst[t->number] = t;
  }
};
TransistorIndex theIndex;

struct Tally {
  int count = 0;
  int weight = 0;
  void add(int w)
  {
    ++count;
    weight += w;
  }
};
Tally TopenNum, TopenP, TopenN, TopenPN;  // TopenNum's weight is Tw

}  // namespace

/*
 * DFgateType --
 *   1 when transistor `number` is P-channel: it is in element 0's list and
 *   element 0 is "transistor_P", or it is not and element 0 is another
 *   kind.
 */
int DFgateType(int number)
{
  theIndex.refresh();
  const bool firstIsP = DelementNum > 0 && strcmp(Delement[0].name, "transistor_P") == 0;
  const bool inFirst = theIndex.inFirst.count(number) != 0;
  return inFirst == firstIsP ? 1 : 0;
}

/*
 * DFsortOpens --
 *   Counts an open into the statistics of the program run: the total, and
 *   when its first part holds gates only, P-channel, N-channel or mixed.
 *   Without an entry and with `print` set, prints the statistics.
 */
void DFsortOpens(const _DopenFault* entry, int print)
{
  if (!entry) {
    if (print) {
      common::outf("Total open :\t%d\t%d\n", TopenNum.count, TopenNum.weight);
      common::outf("Open P-chann:\t%d\t%d\n", TopenP.count, TopenP.weight);
      common::outf("Open N-chann:\t%d\t%d\n", TopenN.count, TopenN.weight);
      common::outf("Open PN-chann:\t%d\t%d\n", TopenPN.count, TopenPN.weight);
    }
    return;
  }
  TopenNum.add(entry->fweight);
  const _DfpinList& first = entry->fopen->pinlist[0];
  if (entry->fopen->nparts < 1 || first.ngates < 1)
    return;
  int p = 0;
  for (int i = 0; i < first.ngates; ++i) {
    if (first.pinname[i] != 0)
      return;
    p += DFgateType(first.gateno[i]);
  }
  if (p == first.ngates)
    TopenP.add(entry->fweight);
  else if (p == 0)
    TopenN.add(entry->fweight);
  else
    TopenPN.add(entry->fweight);
}

void DFresetOpenStatistics() { TopenNum = TopenP = TopenN = TopenPN = Tally{}; }

/*
 * DFmissLayers --
 *   The opens of every net that a transistor terminal reaches, into
 *   "Breaks.flt".
 */
int DFmissLayers(int /*layer*/, int size)
{
  OpenRun run;
  run.size = size;
  FOpenNum = 0;
  const std::clock_t started = std::clock();
  DFwalkNets(&openNet, &run);
  DFflushFault(-1, kOpenClass, 0);
  DFresetAllPlanes();
  GCmessage(kModule, 'M', "%d open faults have been extracted", FOpenNum);
  GCmessage(kModule, 'M', "CPU time %.1f seconds", cpuSince(started));
  return FOpenNum;
}

/*
 * DFmiss1Layer --
 *   The opens of the nets of the plane's tiles within the area, restricted
 *   to that plane's material, into "layer%d.opn".
 */
int DFmiss1Layer(int x1, int y1, int x2, int y2, int plane, int size)
{
  OpenRun run;
  run.size = size;
  run.plane = plane;
  run.fileLayer = DlayerTile[plane].layer;
  FOpenNum = 0;
  const std::clock_t started = std::clock();
  _Dtilelist* area = nullptr;
  Stitch = DlayerTile[plane].layertile;
  AreaEnum(x1, y1, x2, y2, &area, 1);
  struct ListGuard {
    _Dtilelist* list;
    ~ListGuard() { FreeList(list); }
  } guard{area};
  if (!Silently)
    common::errf("Processing net :         ");
  for (_Dtilelist* n = area; n; n = n->next) {
    _Dtile* t = n->tile;
    if (t->processed != 0 || !TisSolid(t) || (t->type & 0xFF) != DlayerTile[plane].layer ||
        t->node < 1)
      continue;
    if (!Silently)
      common::errf("\b\b\b\b\b\b\b\b%8d", t->node);
    openNet(t, &run);
  }
  DFflushFault(run.fileLayer, kOpenClass, 0);
  DFresetAllPlanes();
  common::errf("\n%d open faults have been extracted.\n", FOpenNum);
  GCmessage(kModule, 'M', "CPU time %.1f seconds", cpuSince(started));
  return FOpenNum;
}

void DFreportOpen(const _Dfopen* open)
{
  common::errf("The net %d is broken into %d parts:\n", open->net, open->nparts);
  for (int p = 0; p < open->nparts; ++p) {
    common::errf("Part %d ( ", p);
    const _DfpinList& pins = open->pinlist[p];
    for (int i = 0; i < pins.ngates; ++i)
      common::errf("Gate(%d)[%d] ", pins.gateno[i], pins.pinname[i]);
    common::errf(")\n");
  }
  common::errf("\n\n");
}

void DFreportOpens(const _DopenFault* list)
{
  for (const _DopenFault* f = list; f; f = f->next) {
    common::outf("***** Possibility: %d *****\n", f->fweight);
    common::flushOutput();
    DFreportOpen(f->fopen);
  }
}

/*
 * DFmiss1Net --
 *   The opens of the net of the first selected tile, reported one by one.
 */
int DFmiss1Net(int layer, int size)
{
  OpenRun run;
  run.size = size;
  run.plane = layer;
  _Dtile* start = DlayerTile[0].selected ? DlayerTile[0].selected->tile : nullptr;
  if (start && TisSolid(start) && start->node > 0) {
    _Dtilelist* tiles = nullptr;
    run.terms = collectNet(start, &tiles);
    const bool analysed = run.terms != nullptr;
    if (analysed)
      DFproc1NetO(tiles, run.terms, layer, size);
    finishNet(run, tiles);
    DFOcritAscan();
    if (analysed)
      DFreportOpens(FaultTable.FOpenList);
  }
  DFcleanOpenBuffer();
  DFresetAllPlanes();
  GCmessage(kModule, 'M', "%d open faults have been extracted", FOpenNum);
  return FOpenNum;
}

int DFexLayersO()
{
  DFsetDefectSize();
  if (DFinit() != 0)
    return 0;
  DFmissLayers(-1, DefectSize);
  return 0;
}

int DFex1LayerO()
{
  DFsetDefectSize();
  const int plane = DFactiveIndex();
  if (plane < 0) {
    GCmessage(kModule, 'W', "Select an active layer first");
    return 0;
  }
  if (DFinit() != 0)
    return 0;
  const _box view = view::visibleBox(Vmain);
  DFmiss1Layer(view.x1, view.y1, view.x2, view.y2, plane, DefectSize);
  return 0;
}

int DFex1NetO()
{
  if (!DlayerTile[0].selected) {
    GCmessage(kModule, 'W', "No net has been selected");
    return 0;
  }
  DFsetDefectSize();
  if (DFinit() != 0)
    return 0;
  DFmiss1Net(-1, DefectSize);
  return 0;
}

namespace {

// Whether every tile of the box (shrunk by 1) in the plane of Stitch is
// material of one net.
bool oneMaterial(const _box& b)
{
  _Dtile* any = nullptr;
  _box inner = b;
  if (inner.x2 - inner.x1 > 2 && inner.y2 - inner.y1 > 2)
    inner = {b.x1 + 1, b.y1 + 1, b.x2 - 1, b.y2 - 1};
  _Dtilelist* list = nullptr;
  AreaEnum(inner.x1, inner.y1, inner.x2, inner.y2, &list, 0);
  bool ok = list != nullptr;
  for (_Dtilelist* n = list; n && ok; n = n->next) {
    if (!TisSolid(n->tile) || (any && n->tile->node != any->node))
      ok = false;
    any = n->tile;
  }
  FreeList(list);
  return ok;
}

void paintCut(_Dtile* s, _Dtile* x, _Dtile* t, const _box& cut, int size)
{
  Stitch = s;
  if (!oneMaterial(cut))
    return;
  _box* crit = DFcrtArea(s, x, t, size);
  if (!crit)
    return;
  const int half = size / 2;
  long x1 = std::max<long>(crit->x1, long(cut.x1) - half);
  long y1 = std::max<long>(crit->y1, long(cut.y1) - half);
  long x2 = std::min<long>(crit->x2, long(cut.x2) + half);
  long y2 = std::min<long>(crit->y2, long(cut.y2) + half);
  common::release(crit);
  if (x1 < x2 && y1 < y2) {
    GGsetColor(Vmain, 1);
    GGrectangle(Vmain, x1, y1, x2, y2, 1);
  }
}

}  // namespace

/*
 * DFdisp1Open --
 *   Paints the open regions of the plane's material within the area,
 *   without looking at nets or terminals.
 */
void DFdisp1Open(int x1, int y1, int x2, int y2, int plane, int size)
{
  _Dtilelist* area = nullptr;
  Stitch = DlayerTile[plane].layertile;
  AreaEnum(x1, y1, x2, y2, &area, 0);
  for (_Dtilelist* n = area; n; n = n->next) {
    _Dtile* s = n->tile;
    if (s->type != cs::kSpace || (s->processed & kShowMark))
      continue;
    _Dtilelist* near = nullptr;
    Stitch = s;
    AreaEnum(std::max<long>(cs::kMin, long(s->x1) - size), std::max<long>(cs::kMin, long(s->y1) - size),
             std::min<long>(cs::kMax, long(cs::right(s)) + size),
             std::min<long>(cs::kMax, long(cs::top(s)) + size), &near, 0);
    for (_Dtilelist* xn = near; xn; xn = xn->next) {
      _Dtile* x = xn->tile;
      if (x == s || x->type != cs::kSpace || (x->processed & kShowMark))
        continue;
      _box* gap = DFcrossTalk(s, x);
      if (!gap)
        continue;
      if (DFvertPosition(s, x)) {
        paintCut(s, x, nullptr, *gap, size);
      } else {
        _Dtilelist* inside = nullptr;
        Stitch = s;
        AreaEnum(gap->x1, gap->y1, gap->x2, gap->y2, &inside, 0);
        for (_Dtilelist* tn = inside; tn; tn = tn->next)
          if (TisSolid(tn->tile) && !TisElement(tn->tile))
            paintCut(s, x, tn->tile, _box{gap->x1, tn->tile->y1, gap->x2, cs::top(tn->tile)},
                     size);
        FreeList(inside);
      }
      common::release(gap);
    }
    FreeList(near);
    s->processed = static_cast<int16_t>(s->processed | kShowMark);
  }
  for (_Dtilelist* n = area; n; n = n->next)
    n->tile->processed = static_cast<int16_t>(n->tile->processed & 0xFF);
  FreeList(area);
}

int DFshowOpen()
{
  DFsetDefectSize();
  const int plane = DFactiveIndex();
  if (plane < 0) {
    GCmessage(kModule, 'W', "Select an active layer first");
    return 0;
  }
  const std::clock_t started = std::clock();
  const _box view = view::visibleBox(Vmain);
  DFdisp1Open(view.x1, view.y1, view.x2, view.y2, plane, DefectSize);
  GCmessage(kModule, 'M', "CPU time %.1f seconds", cpuSince(started));
  return 0;
}
