// DFfault.h -- defect fault extraction (src/faultex).
//
// Bridges and pinholes (shorts) and breaks (opens) caused by spot defects:
// the fault records, the fault table, the critical-area construction shared
// with the yield analysis, and the fault files.
//
// Critical regions are collected per net in the companion plane of each
// layer plane (`crittile` of DlayerTile): a region is a tile of type 30
// whose `upper` slot holds its own copy of a short (_Dfshort) or open
// (_Dfopen) record and whose `processed` says whether the fault was already
// counted from the other side.  The planes are scanned and emptied after
// every net.
#pragma once

#include <cstdint>
#include <cstdio>

#include "CS.h"

struct _DtermList;

// ---------------------------------------------------------------------------
// Records.
// ---------------------------------------------------------------------------
constexpr int kMaxShortNets = 32;   // nets of one short record
constexpr int kMaxGates = 128;      // terminals of one part of an open (127 used)
constexpr int kMaxParts = 32;       // parts of one open record

// The nets one defect in a region would join, ascending, without repeats.
struct _Dfshort {
  int32_t nnets;
  int32_t nets[kMaxShortNets];
};

struct _DshortFault {
  int32_t type;        // 0
  int32_t fweight;     // critical area in square grid steps
  _Dfshort* fshort;    // own copy
  _DshortFault* next;
};

// One part of a broken net: its terminals (transistor number, -1 for a pin)
// and their ports (0 gate, 1 source, 2 drain).
struct _DfpinList {
  int32_t ngates;
  int32_t gateno[kMaxGates];
  int16_t pinname[kMaxGates];
};

// Open records, their copies and the break-list nodes are made with new;
// short records with common::make.
struct _Dfopen {
  int32_t net;      // the broken net; -1 marks a record that overflowed
  int32_t nparts;
  _DfpinList pinlist[kMaxParts];
};

struct _DopenFault {
  int32_t type;       // 1
  int32_t fweight;
  _Dfopen* fopen;     // own copy
  _DopenFault* next;
};

struct _DfaultTable {
  _DshortFault* FShortList;  // newest first
  _DopenFault* FOpenList;    // newest first
};

// The cuts evaluated for the net under analysis.
struct _DbreakList {
  _Dtilelist* breakTiles;
  _DbreakList* next;
};

// ---------------------------------------------------------------------------
// Globals (reset by DFinit).
// ---------------------------------------------------------------------------
extern _DfaultTable FaultTable;
extern int FShortNum;         // distinct short faults of the run
extern int FOpenNum;          // distinct open faults of the run
extern _DbreakList* BreakList;
extern int32_t DefectSize;    // layout units

// ---------------------------------------------------------------------------
// Menu actions.
// ---------------------------------------------------------------------------
int DFexLayersS();   // bridges, all layers: "Bridges.flt"
int DFex1LayerS();   // bridges, active layer in view: "layer%d.sht"
int DFex1NetS();     // bridges of the selected net, painted only
int DFexLayersP();   // pinholes: "Pinholes.flt"
int DFshowShort();   // paints the bridge areas of the active layer in view
int DFexLayersO();   // opens, all nets: "Breaks.flt"
int DFex1LayerO();   // opens, active layer in view: "layer%d.opn"
int DFex1NetO();     // opens of the selected net, reported in detail
int DFshowOpen();    // paints the open areas of the active layer in view

// ---------------------------------------------------------------------------
// Shared steps.
// ---------------------------------------------------------------------------

// 0, or -1 after a warning when no nets exist; resets the counts, the
// fault table and the break list.
int DFinit();
// Index of the plane of the first technology layer whose `active` is 1, or -1.
int DFactiveIndex();
// Index of the plane whose layer number is `layerNumber`, or -1.
int DFlayerIndex(int layerNumber);
// DefectSize from the defect-size scale (tenths of a grid step).
void DFsetDefectSize();

// The bridge critical rectangle of tiles a and b (b clipped vertically to c
// when given and a, b do not overlap in x), or null.  Caller frees it.
// Moves Stitch (the channel test enumerates plane 0).
_box* DFcrtArea(const _Dtile* a, const _Dtile* b, const _Dtile* c, int size);
// The positive-area overlap of two tiles, or null.  Caller frees it.
_box* DFcrtOverlap(const _Dtile* a, const _Dtile* b);
// The gap rectangle between two tiles, or null.  Caller frees it.
_box* DFcrossTalk(const _Dtile* a, const _Dtile* b);
// 1 when the x-ranges of a and b meet (a's left not right of b's right and
// a's right not left of b's left).
int DFvertPosition(const _Dtile* a, const _Dtile* b);

// Moves Stitch.
// Walks the nets through the transistors' gate-layer, source and drain
// tiles, element kind by element kind, calling `perNet` with the first
// unprocessed tile of each net reached; counts down "Unprocessed nets".
// A net without a number reports "Found a net without reset." and skips
// the rest of that element kind's transistors.
void DFwalkNets(void (*perNet)(_Dtile* start, void* data), void* data);

// Clears `processed` on every tile of a layer plane.
void DFresetPlane(int plane);
void DFresetAllPlanes();

// Weight of a region: (w / theGlobalScale) x (h / theGlobalScale) in
// single precision, truncated.
int DFweight(const _Dtile* tile);

// ---------------------------------------------------------------------------
// Shorts.
// ---------------------------------------------------------------------------
void DFproc1NetS(_Dtilelist* netTiles, int plane, int size);
void DFproc1NetPin(_Dtilelist* netTiles);
_Dtile* Put1CritCS(const _box* box, int netA, int netB, int counted);
int CTileCreation(int x1, int y1, int x2, int y2, _Dtile** tile);
int DFsameShort(const _Dfshort* record, int a, int b);
int DFsameShorts(const _Dfshort* r1, const _Dfshort* r2);
_Dfshort* DFmergeFault(const _Dtile* tile, int a, int b);
void DFcopyShort(const _Dfshort* from, _Dfshort* to);
void DFScritAscan();
void DFaddShort(const _Dtile* tile);
void DFcleanShortBuffer();
void DFSoutput(int layer);
// Closes the fault file of an abandoned run quietly and removes it.
void DFdropFaultFile();

namespace faultex {
// Installs the release of the fault records into the tile planes.
void install();
}  // namespace faultex

// ---------------------------------------------------------------------------
// Opens.
// ---------------------------------------------------------------------------
void DFproc1NetO(_Dtilelist* netTiles, _DtermList* terms, int layer, int size);
_Dtile* Put1CritCSO(const _box* box, const _Dfopen* open);
int CTileCreationO(int x1, int y1, int x2, int y2, _Dtile** tile);
void DFcopyOpen(_Dfopen* to, const _Dfopen* from);
int DFsameOpen(const _Dfopen* a, const _Dfopen* b);
void DFOcritAscan();
void DFaddOpen(const _Dtile* tile);
void DFcleanOpenBuffer();
void FreeBreakList();
// Counts one open into the run statistics, or (entry null, print set)
// prints them.
void DFsortOpens(const _DopenFault* entry, int print);
int DFgateType(int number);  // 1 for a P-channel transistor

// The runs: all nets (layer -1), the nets of a plane's tiles in an area,
// the selected net.  Each returns the number of opens found.
int DFmissLayers(int layer, int size);
int DFmiss1Layer(int x1, int y1, int x2, int y2, int plane, int size);
int DFmiss1Net(int layer, int size);
// Space tiles along the net (of plane `plane`'s material; -1: all), marked
// node 1.
_Dtilelist* DFxBSTiles(_Dtilelist* netTiles, int plane);
_Dtilelist* DFxNeighborSpaceTiles(_Dtilelist* list, _Dtile* tile);
// 1 when the box (shrunk by 1) in the plane of Stitch holds space or
// another net; else 0 with one of its tiles in *tile.
int DFspaceTinArea(const _box* box, int net, _Dtile** tile);
// Evaluates the cut of `box` (plane of Stitch): a new open record or null.
_Dfopen* DFextOpen(const _box* box, _DtermList* terms, _Dtilelist* netTiles);
void DFnewBreak(_Dtilelist* tiles);
void DFtraceTerm(_Dtile* tile, int part);
void DFxPath(_Dtile* tile, int tag, int part);
int DFAllNeighbor(_Dtile* tile, _Dtilelist** list, int tag, int part);
int DFListNeighbor(_Dtilelist* list, _Dtilelist** newList, int tag, int part);
// The open record of the parts on the terminals' tiles (new): null for one
// part, and after "A fault causes MAXNPARTS too small, ignored" for more
// parts than a record holds; a part reaching kMaxGates terminals gives
// "MAXNGATES too small, ignored" and a record whose `net` is -1, which ends
// the analysis of its net.
_Dfopen* DFterm2Fault(_DtermList* terms);
// The record of a defect making both cuts (new), or null when a record is
// missing.  A merge no record can hold abandons the running action.
_Dfopen* DFmergeFaultO(const _Dfopen* a, const _Dfopen* b);
// Releases the regions of critical-area planes with their open records.
void DFreleaseCritPlane(int plane);
void DFreleaseAllCritPlanes();
// The selected-net report of the opens in the table.
void DFreportOpens(const _DopenFault* list);
void DFreportOpen(const _Dfopen* open);
// Paints the open regions of a plane within an area in colour 1.
void DFdisp1Open(int x1, int y1, int x2, int y2, int plane, int size);
// Empties the open statistics (tests).
void DFresetOpenStatistics();

// ---------------------------------------------------------------------------
// Fault files.
// ---------------------------------------------------------------------------
enum FaultClass { kBridgeClass = 0, kOpenClass = 1, kPinholeClass = 2 };
// Writes the fault table to the file of `layer` (negative: the all-layer
// file) and class; with `keep` 0 closes the open file instead, printing
// its total.  A file that cannot be made abandons the run.
void DFflushFault(int layer, int faultClass, int keep);
