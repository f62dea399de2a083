// CXcapacitor.h -- plate capacitors (src/capacitor).
//
// A plate capacitor is two large overlapping rectangles on the two layers
// of a capacitor definition that belong to different nets.  Extraction
// records both plates, a port tile for each, the overlap and how far each
// plate reaches beyond it on every side.  The plates stay conductors of
// their nets and are marked passive.  Lengths are in micrometres.
#pragma once

struct _Dtile;
struct _Dnet;

struct _CX_ENCLOSURE_ {
  _Dtile* plate;     // the plate that reaches further on this side
  double extension;  // how much further
};

struct _CX_GEOMETRY_ {
  double length;  // the overlap's height
  double width;   // the overlap's width
  _CX_ENCLOSURE_ top_ext, bottom_ext, left_ext, right_ext;
};

struct _CX_CAPACITOR_ {
  _Dtile* plate1;     // the plate found on the scanned net
  _Dtile* plate2;     // the overlapping plate on the other layer
  _Dtile* port1tile;  // where plate1 meets its net, or null (open)
  _Dtile* port2tile;  // where plate2 meets its net, or null (open)
  int capacitorNum;   // from 1; 0 in the list head
  _CX_GEOMETRY_ origGeometry;
  _CX_GEOMETRY_ newGeometry;
  long net1, net2;    // nets of the ports (after the re-extraction)
  _Dtile* dummyTile;
  _CX_CAPACITOR_* next;
};

extern _CX_CAPACITOR_* capacitorList;  // head record; capacitors newest first
extern int capacitorCount;

// The smallest plate side and overlap, in layout units (20 grid steps).
int CXminimumSize();

int CXcapacitorExtract();
void CXinitCapacitorList(_CX_CAPACITOR_** head);
void CXclearCapacitorList(_CX_CAPACITOR_* head);
void CXaddCapacitorToList(_CX_CAPACITOR_* head, _CX_CAPACITOR_* cap);
void CXfindCapacitor(_Dnet* net);
// The plate under or over `tile` that makes a capacitor with it, or null.
_Dtile* CXpossibleCapacitor(_Dtile* tile);
// Traces a new net from a plate that has none.
_Dnet* CXfindNewNet(_Dtile* tile);
void CXcapMeasure(_CX_CAPACITOR_* cap);
void CXgetCapGeometry(_CX_CAPACITOR_* cap);
int CXisNotCapLayer(const _Dtile* tile);
void CXshowAllCapacitors();

// Stands the capacitors in by dummy tiles before a resize.
int CXcapRemoval();

namespace capacitor {
void install();
}  // namespace capacitor
