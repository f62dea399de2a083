// Dcif.h -- the CIF reader (src/cifc).
//
// Everything other subsystems may use of this subsystem: the reader state,
// the load entry points (ACinit, CIFparse), the actions the parser calls and
// the layer lookups.
//
// Accepted input: a strict, line-oriented subset of CIF.  Coordinates are in
// CIF units (0.01 micrometre); a symbol definition "DS n a b" scales its
// contents by a/b.  Each coordinate becomes
//     c x SCALE x (a / b) x CIF_FACTOR / LAMBDA_T1
// internal units.  Polygons and wires are turned into rectangles as they are
// read.  Two user extensions: "9 name;" names the current cell and
// "94 text x y layer;" places a label and a pin.
//
// A second reading mode, full CIF, reads what the CIF standard allows:
// commands glued to their values, several on a line or one over several
// lines, blanks anywhere between fields, boxes with a direction, round
// flashes, and any user extension ("9 name;", "94 text x y [layer];", the
// others skipped and counted).  It calls the same actions, so a file that
// both modes read gives the same layout.
//
// Data that make a load impossible (an unknown layer, an over-long cell name,
// a number or coordinate that does not fit in 32 bits, more than 1024
// coordinates in a polygon or wire, more than 32 transformations in a call,
// an invalid scale) abandon the load after a message that names the line; the
// cells read so far are released first.  A syntax error ends the parse with
// the cells read so far kept.
#pragma once

#include <cstdio>

#include "Dlayout.h"

// ---------------------------------------------------------------------------
// Reader state.
// ---------------------------------------------------------------------------
constexpr int kMaxCifValues = 1024;  // coordinate values of one polygon or wire

extern FILE* cifin;         // stream that CIFparse reads and closes
extern int ACsymb;          // current layer slot
extern int ACmaxSymb;       // -1 at each definition, +1 per new layer slot
extern _instance* ACinst;   // the call being assembled; null between calls
extern int ACinstNo;        // number of the next call of the current cell
extern short TopInstance;   // 1 inside a symbol definition
extern long Ypoint[kMaxCifValues];  // values of the polygon or wire being read
extern int Ynum;            // their count; also the step number of a call
extern int CIF_RATIO_A;     // scale a/b of the current definition
extern int CIF_RATIO_B;
extern int linenr;          // current line of the input, from 1
extern int AC_initial_halfscale_error;  // boxes off the quarter-step grid
extern int Debug_flag;      // 1: the scanner echoes every token

// How CIFparse reads: the line-oriented subset (the default) or full CIF.
enum class CifMode { Strict, Full };
extern CifMode ACcifMode;

// ---------------------------------------------------------------------------
// Loading.
// ---------------------------------------------------------------------------

// Releases every cell the roots hold (each once), clears Glayout, Gactive,
// Gsymbols and Gflatten, forgets Gpin, and puts the reader state back as in
// a fresh program (layer slot 0, scale 1/1, outside any definition, no
// off-grid boxes counted).
void ACinit();

// Parses cifin up to the end command "E" and closes it.
// Returns: 0 on success, 1 on a syntax error (reported through ciferror).
// Side effects: fills the layout roots.  A data error abandons the running
// action (common::OperationAborted) after releasing what this load built.
int CIFparse();

// Prints "error on line <n> <token>: <message>" on standard error, reports
// "CIF error: <token>" (kind E).  Returns -1.
int ciferror(const char* message);

// Sets ACcifMode at start-up: full when `fullFlag` (the programs' -f),
// otherwise from the optional "CIFMode" key of the system source file
// ("strict" or "full"; strict when the key is missing; another value is
// reported and read as strict).
void ACinitMode(bool fullFlag);

// "strict" or "full".
const char* ACmodeName(CifMode mode);

// ---------------------------------------------------------------------------
// Actions of the parser.  Coordinates arrive multiplied by SCALE.
// ---------------------------------------------------------------------------
void ACrdDS(long n, long a, long b);
void ACrdDF();
void ACrdLayer(const char* name);
void ACrdBox(long length, long width, long cx, long cy);
void ACrdPoly(const long* coords, long count);
void ACrdWire(const long* coords, long count);
void ACcallRot(long a, long b, long step);
void ACcallTran(long x, long y, long step);
void ACcallMir(char axis, long step);
void ACcallName(long n, short top);
void ACrdCName(long code, const char* name);
// A null `layer` (full CIF's label without a layer) keeps the label on the
// current slot for drawing and makes no pin.
void ACrdLabel(long code, const char* text, long x, long y, const char* layer);

// ---------------------------------------------------------------------------
// Layer lookups.
// ---------------------------------------------------------------------------
constexpr int kUnknownLayer = -1000;  // FindLayer: no technology layer of that name

// True when the current cell has a symbol named `name`; ACsymb is then its slot.
bool LayerExist(const char* name);
// The layer number of the technology layer `name`, or kUnknownLayer.
int FindLayer(const char* name);
// The name of the technology layer numbered `slot` ("" when there is none).
const char* AClayerName(int slot);

namespace cif {

// Pins that earlier loads left behind: ACinit does not release them, because
// the nets of an earlier extraction may still refer to them.  Releases them;
// call only when no net refers to a pin of an earlier load.
void releaseRetiredPins();

// A read that leaves the loaded layout as it was when it fails.  While it
// lives, the loaded cells, their pins and their off-grid count are set
// aside, so the reader starts from an empty database.  Unless committed,
// the destructor (also while an abandoned action unwinds) releases what the
// read built and puts the set-aside layout back; commit() releases the
// set-aside layout instead, as ACinit would have.
class LayoutSetAside {
 public:
  LayoutSetAside();
  ~LayoutSetAside();
  LayoutSetAside(const LayoutSetAside&) = delete;
  LayoutSetAside& operator=(const LayoutSetAside&) = delete;
  void commit();

 private:
  void swapWithGlobals();

  _layout* layout_;
  _layout* symbols_;
  _layout* flatten_;
  _layout* active_;
  _pin* pins_;
  int halfscaleErrors_;
  bool committed_ = false;
};

}  // namespace cif
