// LXinductor.h -- spiral inductors (src/inductor).
//
// A square spiral is a chain of wire segments on an inductor layer, each
// turning the same way into the next, that follow each other in their net's
// tile list.  Extraction records it with its turns, sense, diameters, wire
// width and spacing and a monomial inductance, cuts it out of its net (its
// tiles keep no net number and are marked passive) and makes the wire
// beyond its far end a new net.  Lengths are in micrometres.
#pragma once

struct _Dtile;
struct _Dtilelist;
struct _Dnet;

struct _LX_INDCIFTILE_ {  // output geometry of regeneration
  double length, width, x1, y1, x2, y2;
  int orientation;
};

struct _LX_GEOMETRY_ {  // target geometry of regeneration
  double outerDiameter, innerDiameter, width, spacing;
  int qturn, portSpacing, type, direction;
};

struct _LXInductor {
  _Dtilelist* start;      // first segment; the chain start..end is the inductor's
  _Dtilelist* end;        // last segment
  _Dtilelist* thirdlast;  // the segment two places before end
  int turnsDir;           // 1 clockwise, 2 counter-clockwise, 0 not set
  int layerNum;           // layer of the first segment; -1 until set
  _Dtile* port1tile;      // outer port, or null when the end is open
  _Dtile* port2tile;      // inner port, or null
  int inductorNo;         // from 1; -1 in the list head
  int qturns;             // segments; turns = qturns / 4
  double innerDiameter, outerDiameter, width, spacing;
  double L;               // nH
  long net1, net2;        // nets of the ports (after the re-extraction)
  _Dtile* dummyTile;
  int origX1, origX2, origY1, origY2;  // bounding box, layout units
  _Dtilelist* via;
  int type;               // 0, 11, 12 or 14
  _LX_INDCIFTILE_* indCifTile;
  _LX_INDCIFTILE_* port1CifTile;
  _LX_INDCIFTILE_* port2CifTile;
  _LX_GEOMETRY_ newGeometry;
  _LXInductor* next;
};

extern _LXInductor* inductorList;  // head record; inductors newest first
extern int inductorCount;

// Recognises the spirals of every net; nothing without nets.
int LXinductorExtract();
void LXinitInductorList(_LXInductor** head);
void LXclearInductorList(_LXInductor* head);
void LXaddInductorToList(_LXInductor* head, _LXInductor* inductor);
// Recognises the spirals of `net` and of every net after it in the chain.
void LXscanNet(_Dnet* net);
void LXfindInductor(_Dnet* net);
// 0 when the tiles of two consecutive elements make no turn, 1 for a
// clockwise turn, 2 for a counter-clockwise one.
int LXpossibleInductor(_Dtilelist* a, _Dtilelist* b);
// 9 horizontal, 8 vertical, 0 square.
int LXcheckTileOrientation(int x1, int y1, int x2, int y2);
int LXisNotIndLayer(const _Dtile* tile);
int LXoppositeDir(int direction);

// Measurement, kind and bounding box of a recorded spiral.
void LXgetInductorMeasurement(_LXInductor* inductor);
void LXgetDiameters(_LXInductor* inductor);
void LXgetInductorWidth(_LXInductor* inductor);
void LXgetInductorSpacing(_LXInductor* inductor);
double LXindMonomial(double outer, double inner, double width, double spacing, double turns);
void LXgetInductorType(_LXInductor* inductor);
void LXgetInductorBound(_LXInductor* inductor);

// Prints the inductor list.
void LXshowAllInductors();

// Takes the inductors and their contacts out of the layout before a
// resize, standing them in by dummy tiles.
int LXindRemoval();

namespace inductor {
// Connects the inductors to the re-extraction and to the release of the
// extraction.
void install();
}  // namespace inductor
