// RXresistor.h -- resistors (src/resistor).
//
// A resistor is a run of consecutive tiles of a net on a resistor layer,
// ended by a tile that is not: a long single rectangle whose contacted ends
// are cut off as ports, or a run of exactly three tiles taken as port, body,
// port.  Extraction records the body's length and width, cuts the body out
// of its net (its tiles keep no net number and are marked passive) and makes
// the wire beyond it a new net.  Lengths are in micrometres.
#pragma once

struct _Dtile;
struct _Dtilelist;
struct _Dnet;

struct _RX_GEOMETRY_ {
  double length, width;
};

struct _RX_RESISTOR_ {
  _Dtilelist* start;  // first element of the body; start..end is the resistor's
  _Dtilelist* end;    // last element of the body
  _Dtile* port1tile;  // port at the low (left or lower) end, or null
  _Dtile* port2tile;  // port at the high end, or null
  int resistorNum;    // from 1
  char name[12];      // "r<number>"
  int type;
  long net1, net2;    // nets of the ports (after the re-extraction)
  _RX_GEOMETRY_ origGeometry;
  _RX_GEOMETRY_ newGeometry;
  _RX_RESISTOR_* next;
};

extern _RX_RESISTOR_* resistorList;  // head record; resistors newest first
extern int resistorCount;

int RXresistorExtract();
void RXinitResistorList(_RX_RESISTOR_** head);
void RXclearResistorList(_RX_RESISTOR_* head);
void RXaddResistorToList(_RX_RESISTOR_* head, _RX_RESISTOR_* res);
void RXfindResistor(_Dnet* net);
// 1 when the run first..last is a resistor body.
int RXpossibleResistor(_Dtilelist* first, _Dtilelist* last);
// Makes the ports of a recorded run (cutting a single tile at its contacts).
void RXcreatePort(_RX_RESISTOR_* res, _Dtilelist* firstElement);
void RXgetResistorSize(_RX_RESISTOR_* res);
int RXisNotResLayer(const _Dtile* tile);
void RXshowAllResistors();

// ---------------------------------------------------------------------------
// Resizing.  In the squeeze, RXresGen sets the new geometry (extracted, or
// the size file's) and RXsetConstraint holds each one-tile body to it in
// one direction (1 left-right, 2 top-bottom) and keeps the ports around the
// body; in direction 1 it also asks the via code to fit the ports' contact
// arrays to the new width.  Without via removal that request abandons the
// running action with a message.
// ---------------------------------------------------------------------------
int RXresGen();
void RXgetResOrigGeometry(_RX_RESISTOR_* res);
int RXsetConstraint(int direction);
void RXsetResConstraint(_RX_RESISTOR_* res, int direction);
void RXsetPortViaSize(_RX_RESISTOR_* res);

namespace resistor {
void install();
}  // namespace resistor
