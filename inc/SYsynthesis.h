// SYsynthesis.h -- transistor synthesis rules and size checks
// (src/synthesisrule).
//
// Between building the squeeze graphs and solving them: the smallest gate
// each transistor can take under the constraints (for an outside sizing
// tool, "arsyn_input") and the check of the new sizes against the rules,
// against aligned transistors and against symmetric partners.
#pragma once

struct SQCELL_item;
struct SQLINE_item;
struct _Dtile;
struct _Dtransistor;

// One transistor's minimum gate, layout units.
struct SYTRAN_SYN_RULE_item {
  _Dtransistor* tran;
  _Dtile* Tgate;
  _Dtile* Pgate;
  int orientation;
  int min_width, min_length;
  SYTRAN_SYN_RULE_item* next;
};

extern SYTRAN_SYN_RULE_item* tran_syn_rule;
extern SYTRAN_SYN_RULE_item* last_tran_syn_rule;
// The minimum active width: 1 the active width rule, 2 also room for a
// contact, otherwise none.
extern int actmin_mode;

// The longest chain of constraints from the cell's left line to its right
// line in the graph of `direction` (1 LEFT_RIGHT, 2 TOP_BOTTOM); -3 when
// the left line is not reached.
int SYlongest_path(SQCELL_item* cell, int direction);
// Fills tran_syn_rule in transistor order.
void SYtran_min_size();
// Appends the minimum sizes to "arsyn_input" and frees the records.
void SYtran_netlist_output();
void SYfree_syn_rule();

// Alignment of lines and cells (zero-weight arcs both ways, chained).
int SYline_adj_align(SQLINE_item* a, SQLINE_item* b);
int SYline_align(SQLINE_item* a, SQLINE_item* b);
int SYcell_align(SQCELL_item* a, SQCELL_item* b);

// Checks the new sizes; returns the number of errors.
int SYtran_check();
