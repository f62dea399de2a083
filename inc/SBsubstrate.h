// SBsubstrate.h -- substrate contacts (src/substrate).
//
// Everything other subsystems may use of this subsystem.
//
// A bulk strip is a tile of the first element layer (the active layer) on a
// supply net (a net with a pin whose label starts with "vdd" or "gnd", in
// any case) that touches no other material of its plane, not even at a
// corner.  For every multi-finger group the report "sb_report.out" gives the
// finger geometry and, for each of the four sides, the nearest bulk strip
// facing the group: its distance, whether it runs along the fingers, and its
// size.  Lengths are in micrometres.
//
// `orien` of a group: 8 when the first finger's gate tile is not wider than
// tall (fingers side by side along x), 9 otherwise (stacked along y).
#pragma once

struct _Dtile;
struct _Dtransistor;
struct MultiFingerTran;

enum SBTYPE { bulkPARALLEL = 0, bulkPERPENDICULAR = 1, bulkUNDEFINED = 2 };

// One bulk strip.
struct SBbulk_item {
  _Dtile* tile;       // the strip's tile in its plane
  double dx;          // width, um
  double dy;          // height, um
  SBbulk_item* next;
};

// One multi-finger group with its four nearest strips.
struct SBtranbulk_item {
  MultiFingerTran* mft;
  _Dtransistor* tran_min;  // finger with the lowest (orien 9) or leftmost (8) gate
  _Dtransistor* tran_max;  // finger with the highest (9) or rightmost (8) gate
  int orien;               // 8 or 9
  SBbulk_item* bulk_left;  // null when no strip faces that side
  SBbulk_item* bulk_right;
  SBbulk_item* bulk_bottom;
  SBbulk_item* bulk_top;
  int Nf, Ns, Nd;          // fingers, distinct source and drain regions
  double Wf, Lf, Lds;      // finger width and length, largest source/drain extent
  double dis_left, dis_right, dis_top, dis_bottom;
  SBTYPE type_left, type_right, type_top, type_bottom;
  SBtranbulk_item* next;
};

// Both lists are built by SBmain and released at its end; newest first.
extern SBbulk_item* SBbulk_list;
extern SBtranbulk_item* SBtranbulk_list;

// The action f.SBmain: SBinit, SBsearch_bulk, SBrelate_tranbulk, SBmeasure,
// SBreport, SBclear, between an entering and a leaving line on standard
// output.  A report that cannot be written abandons the action after the
// lists are released.
int SBmain();

// Makes one item per group of MFTList (resetting leftover lists first).
void SBinit();
// Collects the bulk strips of the supply nets into SBbulk_list.
void SBsearch_bulk();
// 1 when `tile` is a bulk strip.  The current tile is kept.
int SBisthisbulk2(_Dtile* tile);
// Pushes a strip onto SBbulk_list.
void SBaddtobulklist(_Dtile* tile);
// Links every group to the nearest strip on each side.
void SBrelate_tranbulk();
// Fills the counts, sizes, distances and types of every group.
void SBmeasure();
// Writes "sb_report.out"; a file that cannot be opened abandons the action.
void SBreport();
// Releases both lists.
void SBclear();
