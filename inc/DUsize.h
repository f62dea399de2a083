// DUsize.h -- transistor size file and resizing (src/updatesize).
//
// Everything other subsystems may use of this subsystem: the transistor size
// file and its four size tables, the routines that hand the sizes to the
// transistors and to the passive-device generators, and the half-scale
// rounding that the squeeze shares.
//
// The size file states new sizes in micrometres per device number:
//
//   Transistors_sizes:            # W L, or W L ActExt PolyExt
//     M3  2.4 0.6
//     M4  (times 2 1.2) 6e-1 0.5 0
//   Inductors_sizes:              # width outer inner spacing turns
//     L1  4 40 14 2 2.25
//   Resistors_sizes:              # width length, or width length fingers
//     R1  4 32
//   Capacitors_sizes:             # width length
//     C1  16 16
//
// Transistor sizes go into the extracted transistors at once; the passive
// tables wait for the generators of the resize, which read them only while
// textualDeviceSizeInput is 1.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

// ---------------------------------------------------------------------------
// Size tables.  Every array is indexed by device number and has ArraySize
// entries; UpdateFlag[n] is 1 when the file gave sizes for device n.  Values
// are micrometres as written in the file.
// ---------------------------------------------------------------------------
struct _US_TRAN_SIZE_ {
  std::vector<double> W, L, ActExt, PolyExt;
  std::vector<int16_t> UpdateFlag;
  int ArraySize = 0;
};

struct _US_IND_SIZE_ {
  std::vector<double> Width, OuterDiameter, InnerDiameter, Spacing, Turn;
  std::vector<int16_t> UpdateFlag;
  int ArraySize = 0;
};

struct _US_RES_SIZE_ {
  std::vector<double> Width, Length;
  std::vector<int> Finger;
  std::vector<int16_t> UpdateFlag;
  int ArraySize = 0;
};

struct _US_CAP_SIZE_ {
  std::vector<double> Width, Length;
  std::vector<int16_t> UpdateFlag;
  int ArraySize = 0;
};

extern _US_TRAN_SIZE_ UStranSize;
extern _US_IND_SIZE_ USindSize;
extern _US_RES_SIZE_ USresSize;
extern _US_CAP_SIZE_ UScapSize;

extern FILE* transSizeFile;          // stream of the transistor size file
extern int textualDeviceSizeInput;   // 1: the passive generators take the tables

// ---------------------------------------------------------------------------
// The size file.
// ---------------------------------------------------------------------------

/*
 * UStransSizeParse --
 *   Rebuilds the four tables for the current device counts, parses `in`
 *   and, when the whole file is read, applies the transistor sizes and frees
 *   the transistor table; the passive tables stay for the generators.
 * Returns: 1 when read; 0 after "error on line ..." (standard error) and a
 *   kind E message naming the line.  A refused file changes nothing: no
 *   transistor, the previous tables and textualDeviceSizeInput stay.
 * Side effects: sets textualDeviceSizeInput to 1 on success.  The stream
 *   (transSizeFile unless given) stays open.
 */
int UStransSizeParse(FILE* in = transSizeFile);

// The parser's actions: store the values of one line at the device number
// of `name` (its digits after the first character), growing the table when
// the number is not below ArraySize, and set the device's UpdateFlag.
// Extensions are stored only when hasExt is set.
// Returns: 1, or 0 when the number is beyond both the device count and
//   kMaxDeviceNumber (nothing stored).
int USgetTransSizes(const char* name, double W, double L, double ActExt, double PolyExt,
                    int hasExt);
int USgetIndSizes(const char* name, double width, double outer, double inner, double spacing,
                  double turn);
int USgetResSizes(const char* name, double width, double length, int finger);
int USgetCapSizes(const char* name, double width, double length);

// Device numbers up to this one are taken even beyond the device count.
constexpr int kMaxDeviceNumber = 1 << 20;

// Writes the flagged sizes of the transistor table into the extracted
// transistors (resize_width, resize_length, the extensions, one contact row).
void USupdateTranSize();

// Copy the flagged sizes into the newGeometry of the inductors, resistors
// and capacitors; called by the passive generators of the resize.
void USupdateIndSize();
void USupdateResSize();
void USupdateCapSize();

// Free a table (ArraySize 0).
void USdeleteTranArray();
void USdeleteIndArray();
void USdeleteResArray();
void USdeleteCapArray();

// ---------------------------------------------------------------------------
// Resizing.
// ---------------------------------------------------------------------------
int USupdateparameter();

/*
 * SQhalfscale_round --
 *   Rounds `value` to a multiple of scale / 2: the magnitude is rounded
 *   down, and up when the remainder exceeds scale / 4 (a quarter exactly
 *   rounds down); the sign is kept.
 * Side effects: a scale not divisible by four prints an error on standard
 *   output (the value is rounded all the same).  A scale below 2 leaves the
 *   value as it is.
 */
int SQhalfscale_round(int value, int scale);

// ---------------------------------------------------------------------------
// Transistor resizing and the active contacts (squeeze graphs).
// ---------------------------------------------------------------------------
struct SQCELL_item;
struct _Dtile;
struct _Dtransistor;

// One stack of active contact next to a transistor: its diffusion and metal
// cells of the current direction, newest first in UScont_active.
struct USCONT_A_item {
  SQCELL_item* active;
  SQCELL_item* metal;
  int orientation;           // 1: along the gate width, 2: across it (rows)
  int number;                // times the stack was met
  int step;                  // 1 after LEFT_RIGHT, 2 after TOP_BOTTOM
  _Dtransistor* transistor1;
  _Dtransistor* transistor2; // the second transistor of a shared diffusion
  _Dtile* tile;              // the source or drain tile
  _Dtile* metalTile;         // the metal cell's tile (matches the directions)
  USCONT_A_item* next;
};

// Poly contacts are not handled: the list stays empty.
struct USCONT_P_item {
  SQCELL_item* poly;
  SQCELL_item* metal;
  int number;
  USCONT_P_item* next;
};

extern USCONT_A_item* UScont_active;
extern USCONT_P_item* UScont_poly;

// Contact design constants, layout units (0 when the rule is absent).
extern int CCA_MIN, CCA_CCA_SPACE, CMF_CCA_EXT, CCA_CPG_SPACE, CAA_CCA_EXT, CAA_CPG_EXT,
    CAA_MIN, CPG_MIN;
extern char ACTIVE_LAYER[64], POLY_LAYER[64], ACTIVE_CONTACT_LAYER[64], METAL_ONE_LAYER[64];
extern int ACTIVE_NUMBER, POLY_NUMBER, ACTIVE_CONTACT_NUMBER, METAL_ONE_NUMBER;
extern int DESIGN_CONSTRAINT_CALCULATED;

// The contact constants from the technology's first element and the
// connection of its active layer, and the rule tables.
void UScalc_cont_constraint();
// Raises the spacing of every layer to active so that the contacts taken
// out of the graph are still kept clear of.
void USdesignruleactivecontact();
// One contact row on every transistor.
void USreset_parameter();
// Finds the contact stacks of the transistors in the current direction,
// replaces their constraints and takes the contact cells out of the graph.
void USactivecontact(int direction);
// The gate of every transistor gets its new extent in the current direction.
void UStransistor();
// Appends the contacts of every stack to the output CIF and comment files;
// returns 0, or 1 after a message when a file cannot be opened.
int USinsertcontact(FILE* cif, FILE* comment);
void USdeletecontactlist();

// Mode 1 of USupdateparameter reads its answers from here (standard input
// when null); it is refused when the stream is not a terminal and no
// stream was given.
extern FILE* USanswerStream;

// Built-in sizes of mode 3, micrometres, by transistor number.
constexpr int kBuiltInTransistors = 500;
extern const double TRANW[kBuiltInTransistors];
extern const double TRANL[kBuiltInTransistors];
