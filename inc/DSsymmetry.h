// DSsymmetry.h -- symmetry-check files, symmetry records and direct symmetry
// detection (src/checksym).
//
// Everything other subsystems may use of this subsystem.  The designer names
// the devices that must be symmetric in a symmetry-check file; the reader
// fills the parsed list (SymStart).  The detectors fill the two result lists
// that the resizer and the synthesis check read: final_sym_list (transistor
// pairs) and final_res_sym_list (resistor pairs).  The same reader, with
// HIERSYMSET set, reads the blocks that the subcircuit matcher writes.
#pragma once

#include <cstdio>

#include "Dlayout.h"

struct _Dtransistor;
struct _RX_RESISTOR_;
struct _edge;

constexpr int kSymNameSize = 12;  // device names: at most 11 characters

// One pair inside a block.
struct _blocklist {
  char name1[kSymNameSize];
  char name2[kSymNameSize];
  char name3[kSymNameSize];  // reference device after "}" (hierarchical mode), or empty
  double spacing;            // resistor pair spacing, -1.0 when none was given
  _blocklist* next;
};

// One item of the parsed file: a single pair (type 0) or a block (type 1).
struct _symlist {
  int type;
  char name1[kSymNameSize];  // empty for a block
  char name2[kSymNameSize];
  double spacing;            // -1.0 when none was given
  _symlist* next;
  _blocklist* block;         // pairs of a block, null for a single pair
};

// The block-key hash of hierarchical mode.
struct _DSYMList_ {
  char id[1024];             // the key
  _symlist* sym;             // the block element the key belongs to
  _DSYMList_* next;
};
struct _DSYMHashTable {
  int tablesize;             // always kSymHashSize
  _DSYMList_* SList;         // kSymHashSize sentinel bucket heads
};
constexpr int kSymHashSize = 101;

// One detected transistor pair.
struct _sym_constraint_list {
  int number;                // running number within the run that made it
  _Dtransistor* Trans1;
  _Dtransistor* Trans2;
  _Dtransistor* Tran_res;    // reference transistor of the block, or null
  int axis;                  // 0: vertical line x = sym_loc ("X"); 1: horizontal y = sym_loc ("Y")
  long sym_loc;
  int block_number;          // pairs of one block share one axis
  _edge* edge;               // set by the resizer; null when made
  _sym_constraint_list* next;
};

// One resistor pair.
struct _res_sym_constraint_list {
  int number;
  _RX_RESISTOR_* Resistor1;
  _RX_RESISTOR_* Resistor2;
  int axis;                  // as in _sym_constraint_list
  long sym_loc;
  int block_number;          // position of the item in the parsed list, from 1
  double spacing;
  _res_sym_constraint_list* next;
};

// The parsed list: head, cursor/current element, tail (hierarchical mode).
extern _symlist* SymStart;
extern _symlist* Symlist;
extern _symlist* lastSymlist_elem;
extern _DSYMHashTable* SYMHash;
extern _sym_constraint_list* final_sym_list;          // newest first
extern _res_sym_constraint_list* final_res_sym_list;  // newest first
extern int Startblock;    // 1 between "{" and "}"
extern int HIERSYMSET;    // 1 while the matcher's output is read
extern int block_number;  // next block number to hand out, from 1
extern int linenum;       // scanner line counter
extern int Debug_flag;    // 1: the scanner echoes every token

extern FILE* dchecksymin;  // stream that SYMparse reads

// Reader.
void DSrdInit();
int SYMparse();  // 0 success, 1 syntax error or stack exhaustion; closes dchecksymin
void InitSYMHash();
int InsertSYMToHash(const char* key, _symlist* element);  // 1 inserted, 0 present
_DSYMList_* FindSymPosinHash(const char* key);
int computeHash(const char* key, int tablesize);
void StoreSymmetricResistor();
void WriteSymCheckOutput();
void DSfreeSymList();                 // frees the parsed list, clears its heads
void DSfreeFinalSymList();            // frees final_sym_list
void DSfreeFinalResSymList();         // frees final_res_sym_list

// The reader's actions, in the order a file calls them.  Pairs of the
// designer's file (textual mode): a single pair goes to the front of the
// list, a pair inside a block to the front of the block's chain.
void PutInTextualSymList(const char* name1, const char* name2, int inblock);
void PutInTextualSymListWithSpacing(const char* name1, const char* name2, double spacing,
                                    int inblock);
// Pairs of the matcher's output (hierarchical mode): kept inside blocks only.
void PutInSymList(const char* name1, const char* name2, int inblock);
// The reference transistor after a matcher block: name3 of all its pairs.
void PutInSymRespList(const char* name);
// Ends a matcher block: canonical form, key, kept once at the tail.
void OrderSymList();

// Detection.
int BoundBox();
int DirectSymDetection();
int SelTrans1();
int SelTrans2();
int TransSym();
int CallSymmteryDetection();
int CallSymDetectFunctions(_Dtransistor* t1, _Dtransistor* t2);  // 1 when symmetric
int symmetry_detection_for_resizing();

// ---------------------------------------------------------------------------
// Direct detection: the geometric test on gate boxes and its axes.
//
// Every transistor examined gives one gate box: the lower left corner of its
// gate tile, `width` across and `length` up.  Two boxes match when their
// sizes and layers are equal; the axis of a left-right pair is the middle of
// the gap between the two gate tiles, that of an up-down pair the middle of
// the gap between the lower gate's top and the upper gate's bottom.
// ---------------------------------------------------------------------------
struct set;
struct set_list;

// One matched pair of boxes.
struct SYM_EDGE_ITEM {
  _edge* right_edge;         // left edge of the box on the right (upper) side
  _edge* left_edge;          // right edge of the box on the left (lower) side
  _edge* r_bottom_edge;
  _edge* l_bottom_edge;
  unsigned char gate;        // 1 for gate boxes
  _Dtransistor* left_transistor;
  _Dtransistor* right_transistor;
  SYM_EDGE_ITEM* next;
};

// The matches found for one axis; owns its items.
struct SYM_LIST {
  int times = 1;
  long axis = 0;
  int orien = 0;
  SYM_EDGE_ITEM* head = nullptr;   // newest first
  SYM_EDGE_ITEM* tail = nullptr;   // spares a walk on append

  SYM_LIST() = default;
  SYM_LIST(const SYM_LIST&) = delete;
  SYM_LIST& operator=(const SYM_LIST&) = delete;
  ~SYM_LIST();
  void insert(SYM_EDGE_ITEM* item);  // at the head; the list takes it
  void append(SYM_LIST* other);      // axis and orien of other, its items at the tail
  void add(SYM_LIST* other);         // other's items at the tail
};

struct SYM_AXIS {
  int visited;
  SYM_LIST* one_axis;
  SYM_AXIS* next;
};

// The distinct axes; owns its axes and their lists.
struct SYM_AXIS_LIST {
  int nbr_axes = 0;
  SYM_AXIS* head = nullptr;

  SYM_AXIS_LIST() = default;
  SYM_AXIS_LIST(const SYM_AXIS_LIST&) = delete;
  SYM_AXIS_LIST& operator=(const SYM_AXIS_LIST&) = delete;
  ~SYM_AXIS_LIST();
  // Takes `list`: its items join the axis of equal value (times + 1), or it
  // becomes a new axis at the head.
  void merge(SYM_LIST* list);
  void merge_all(SYM_AXIS_LIST* other);  // takes every list of other
  void clean();             // with 2 or more axes: drop those found once
  void cleanforjustsym();   // with 1 or more axes: drop those found once
  SYM_AXIS* find(long axis) const;

 private:
  void dropSingles();
  struct Index;
  Index* index_ = nullptr;  // axis value -> SYM_AXIS
};

// One side of a block.
struct _listoftransistors {
  _Dtransistor* Trans;
  _listoftransistors* next;
  int deleted;               // 1 once matched
};

constexpr long kSymNotFound = 1073741823;  // x_axis, y_axis: no axis yet

extern long x_axis;
extern long y_axis;
extern long THE_SYM_AXIS;
extern int IS_sym;
extern int case_left_right;
extern int case_up_down;
extern long X_MIN_1, X_MAX_1, Y_MIN_1, Y_MAX_1;
extern long X_MIN_2, X_MAX_2, Y_MIN_2, Y_MAX_2;
extern int Bound_Box;
extern _listoftransistors* TransisList1;
extern _listoftransistors* TransisList2;

// The set records of a search: gate boxes in one-box sets.
int scan_allsets(set_list* sets, bool resize);
SYM_AXIS_LIST* symmetry_axis(set** group, int count, bool vertical, bool resize);
SYM_LIST* match_set(set* a, set* b, bool vertical, bool resize);
int Compare_ds(_Dtransistor* t1, _Dtransistor* t2, long axis, int vertical);
int symmetry_detection();
int IsInXDirection(_listoftransistors* list1, _listoftransistors* list2);
int DirtyAlgo(_listoftransistors* list1, _listoftransistors* list2, long* axis,
              _Dtransistor* reference);
void SortListOfTrans(_listoftransistors* list, int key, int flag);
long Getval(const _listoftransistors* entry, int key);
int SelTrans1Exe(_point point);
int SelTrans2Exe(_point point);
int BoundBoxExe(long x1, long y1, long x2, long y2);
void DSresetBlockExtents();
// Puts a transistor at the head of a side list.
_listoftransistors* DSaddToSide(_listoftransistors* list, _Dtransistor* t);
void DSfreeSide(_listoftransistors* list);

// A dashed axis line in colour 20 on the main view.
void DSdrawAxis(long x1, long y1, long x2, long y2);

// A transistor picked in the view.
class Transistor {
 public:
  explicit Transistor(_Dtransistor* t) : tran_(t) {}
  _Dtransistor* get() const { return tran_; }
  int sym_check(const Transistor& other);  // 1 when symmetric

 private:
  _Dtransistor* tran_;
};
extern Transistor* trans1;
extern Transistor* trans2;

namespace checksym {
// When the extraction is released: the selections and both result lists,
// which point at its records, go with it.
void install();
// Before a resize makes its rows: the pairs of final_sym_list that cannot
// be kept together (pairs of one block about different axes, a transistor
// in pairs about different axes) are named in a warning and taken out;
// a block keeps the axis most of its pairs share.  Returns: how many.
int keepConsistentPairs();
}  // namespace checksym
