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
