// SQsqueeze.h -- the squeeze: constraint graphs, longest paths, wire-length
// minimisation and the CIF output of a resize (src/squeeze).
//
// Everything other subsystems may use of this subsystem.
//
// Each direction has a graph of lines (one per edge variable) and arcs
//
//     loc(ter) >= loc(ori) + weight
//
// made from the resizer's rows.  The globals below always describe the
// current direction; SQswitch_direction swaps them with the per-direction
// copies.  Cells are the boxes of the layout: a left and a right line each
// (bottom and top in TOP_BOTTOM).
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "Dcompact.h"
#include "Dlayout.h"
#include "SQrecords.h"

struct _Dtile;
struct SQLINE_item;
struct SQARC_item;
struct SQSYMARC_item;
struct SQWLM_UNIT_item;

constexpr int NO_DIR = 0;
constexpr int LEFT_RIGHT = 1;
constexpr int TOP_BOTTOM = 2;
constexpr int END_DIR = 3;

struct SQCELL_item {
  const char* layername = "";  // "SYM" for axis cells, else the name of its plane (which
                               // outlives the graph)
  int layernumber;           // 202 for axis cells (201: a lone last variable)
  int layershrink;
  _Dtile* mother_tile;       // the tile the box came from
  _box corner;               // x1, y1, x2, y2
  SQLINE_item* left;         // lines of the current direction
  SQLINE_item* right;        // null for a lone last variable
  SQCELL_item* layernext;    // next cell of the same layer (output)
  int number;                // variable number + 1
  int alpha;                 // original coordinate of the variable
  int ontransistor;
  int oninductor;
  uint8_t upward;
};

struct SQLINE_item {
  SQCELL_item* cell;
  int number;                // variable number + 1 (left), + 2 (right)
  int loc;                   // current position
  int min_loc, max_loc;      // the two longest paths
  int no_ori, no_ter;        // outgoing and incoming arc counts
  uint8_t onsym;             // named by a symmetry record
  int8_t onbound;            // 1 left, 2 right line tied to the boundary,
                             // 3 axis line; -10, -11 the boundary's lines
  squeeze::Link<SQARC_item> ori_next;  // first outgoing arc
  squeeze::Link<SQARC_item> ter_next;  // first incoming arc
  int syalign_visited;
  int BMweight, BMwave, BMprevweight;  // longest-path state
  int wlm_loc;
  SQWLM_UNIT_item* wlm_unit;
};

// What made an arc, for the reports of a graph that cannot be solved: a
// row (its kind is the row's), or what the squeeze keeps of the drawn
// layout beside the rows, or a device generator (SQaddarc).
enum class ArcOrigin : uint8_t {
  Row,
  DrawnWidth,      // a box of a layer without a width rule keeps its width
  GateRegion,      // the channel and the gate over it keep equal sides
  DrawnOverlap,    // overlapping boxes keep their overlap
  Meeting,         // tiles of one layer that meet keep meeting
  Apart,           // tiles that were apart stay apart
  RuledSpacing,    // a spacing rule measured corner to corner
  KeptExtension,   // a layer keeps reaching beyond another
  Passive,         // a passive device keeps its size
  Device,          // transistor sizes, contact rows, passive regeneration
  ContactCover,    // the metal over a contact follows the diffusion
  DrawnSize,       // a transistor that is not resized keeps its channel
};

// Arcs and lines are taken from the squeeze's record range (SQrecords.h);
// their links to each other take 32 bits.
struct SQARC_item {
  int weight;                // layout units
  int rank;                  // row number
  int16_t wlm_type;
  ArcOrigin origin;
  int8_t occupied;           // 1 in use, 0 free (-1: marked to go)
  squeeze::Link<SQLINE_item> ori;
  squeeze::Link<SQLINE_item> ter;
  squeeze::Link<SQARC_item> ori_next;   // next outgoing arc of ori
  squeeze::Link<SQARC_item> ter_next;   // next incoming arc of ter
  squeeze::Link<SQARC_item> list_next;  // next arc of the global list
  SQSYMARC_item* sym;        // the symmetry row it belongs to, or null
};
static_assert(sizeof(SQARC_item) == 40, "an arc is 40 bytes");
using SQARC_link = squeeze::Link<SQARC_item>;  // a list head or link, as lists are walked

struct SQSYMARC_item {
  int rank;
  SQLINE_item *ori1, *ori2, *ter1, *ter2;
  SQARC_item *arc, *arc2, *arc3, *arc4;  // the row's arc and three reserved
  SQSYMARC_item* next;
};

struct SQPOSCYCLE_GRAPH_item {
  SQLINE_item* line;
  SQPOSCYCLE_GRAPH_item* parent;  // trace item of the line it was reached from
  SQARC_item* arc;
  int wavefront;
  SQPOSCYCLE_GRAPH_item* next;
};

// ---------------------------------------------------------------------------
// Globals: the current direction, and the saved copies of both directions.
// ---------------------------------------------------------------------------
extern SQCELL_item* SQcell;
extern SQARC_item* SQarc;              // head of the global arc list
extern SQSYMARC_item* SQsymarc;
extern int SQcell_size, SQarc_size;
extern int SQcell_size_allocate, SQarc_size_allocate;
extern int SQsymcell_size;
extern SQARC_item* SQarc_lastinstruct; // tail of the global arc list

extern SQCELL_item *SQcell_LR, *SQcell_TB;
extern SQARC_item *SQarc_LR, *SQarc_TB;
extern SQSYMARC_item *SQsymarc_LR, *SQsymarc_TB;
extern int SQcell_size_LR, SQcell_size_TB, SQarc_size_LR, SQarc_size_TB;
extern int SQcell_size_allocate_LR, SQcell_size_allocate_TB;
extern int SQarc_size_allocate_LR, SQarc_size_allocate_TB;
extern int SQsymcell_size_LR, SQsymcell_size_TB;
extern SQARC_item *SQarc_lastinstruct_LR, *SQarc_lastinstruct_TB;

extern int resize_direction;  // NO_DIR, LEFT_RIGHT, TOP_BOTTOM, END_DIR
extern int SQstep;            // step number shown by SQerrmessage

// ---------------------------------------------------------------------------
// Graph.
// ---------------------------------------------------------------------------
// Builds the graph of the current direction (resize_direction) from the
// variables and rows of that direction.  Returns 0, or 1 after SQerrmessage
// when there is no layout, no plane or no row list.
int SQinit(AdjacencyArray* adj, _rhs_list* rows);
int SQcreatestructure(AdjacencyArray* adj, _rhs_list* rows);

// Saves the current direction's globals into its copy and loads those of
// `direction`; with `setcell` the tiles' resize_cell follows the loaded
// direction, else it is cleared.
void SQswitch_direction(int direction, int setcell);

// Arc operations of the device resizers.
SQARC_item* SQaddarc(SQLINE_item* ori, SQLINE_item* ter, int weight, int rank);
void SQupdatearc_wt(SQARC_item* arc, int weight, int rank);
void SQupdatearc_weight(SQLINE_item* ori, SQLINE_item* ter, int weight, int rank);
void SQupdatearc_ori(SQARC_item* arc, SQLINE_item* line, int rank);
void SQupdatearc_ter(SQARC_item* arc, SQLINE_item* line, int rank);
void SQremovearc(SQARC_item* arc);
void SQremoveallarc(SQLINE_item* a, SQLINE_item* b);
// Every arc into or out of `lines`, as SQremovearc takes them one by one
// (each line's outgoing arcs, then its incoming ones), but walking each
// list once: a rail's list of thousands of arcs is not walked per arc.
void SQremovelinearcs(const std::vector<SQLINE_item*>& lines);

// Takes the cells marked in `drop` (by index, ordinary cells only) out of
// the current direction's graph: the rest are renumbered in order (cell k
// gets number 2k+1, its lines 2k+1 and 2k+2) and their tiles follow; a
// dropped cell's tile loses its cell.  The cells must have no arcs left.
// Returns the new address of every old cell (null when dropped).
std::vector<SQCELL_item*> SQremovecells(const std::vector<char>& drop);

// SQhalfscale_round, the rounding to half a grid step, is in DUsize.h.

void SQerrmessage(const char* text, const char* function);

// Frees the graph of the current direction.
void SQfree_graph();
// Frees both directions and clears every global.
void SQfree_all();

// ---------------------------------------------------------------------------
// Longest paths and solving.
// ---------------------------------------------------------------------------
// Longest paths over the lines of `cells` from the left (reverse 0: min_loc)
// or from the right (reverse 1: max_loc, at most 0).  A positive cycle or a
// graph that does not settle abandons the action after its report.
// `log`, when not null, receives the waves.
int SQbf_main(SQCELL_item* cells, SQARC_item* arcs, int ncell, int narc, int reverse,
              FILE* log = nullptr);

// Both longest paths; max_loc shifted into 0..L; returns L.  `log`, when
// not null, receives the trace of the forward run.
int SQboundbox(SQCELL_item* cells, SQARC_item* arcs, int ncell, int narc, FILE* log = nullptr);

// Writes every line's `loc` for a position mode (1 min, 2 max, 3 mean,
// 4 wire length); returns the mode used.
int SQposition(int mode);

// Removes the lighter of two parallel arcs; returns how many went.
int SQremove_redundant_arcs();

// Wire-length minimisation: 4 when wlm_loc is to be used, 1 for min_loc.
int SQwirelengthminimization(SQCELL_item* cells, SQARC_item* arcs, int ncell, int narc);

int SQmain_graph(AdjacencyArray* adj, _rhs_list* rows, int direction);
int SQmain_resize(AdjacencyArray* adj, _rhs_list* rows, int direction);
int SQmain_solve(AdjacencyArray* adj, _rhs_list* rows, int direction);
int SQmain_output(int directions);

// Output steps: the y of the vertical cells into the horizontal ones, and
// the CIF files.  A mismatch or a file that cannot be written abandons.
int SQsynccell();
int SQcif();

// The graph as readable text (lines with their arcs).
void SQprint_datastructure(const char* path);

// ---------------------------------------------------------------------------
// The symmetric core, solved as an integer program by lp_solve.
// ---------------------------------------------------------------------------
extern SQLINE_item* SQcoreline;      // copies of the core's lines
extern int SQcoreline_size, SQcorearc_size;
extern SQCELL_item* SQboundcell;     // "BOUND": lines -10 (left) and -11 (right)
extern SQARC_item* SQboundarc;       // arcs tying lines to the boundary
extern int SQboundarc_size;
extern FILE* fcore;                  // the MPS file being written
extern FILE* fres;                   // lp_solve's report being read

// The round trip of the current direction: writes "SQcore_mps.file", runs
// lp_solve on it, reads "SQcore_mps.file.rpt" and fixes the solved
// distances of every symmetry record.  No solution, a file that cannot be
// opened, a time-out or an unsettled core abandons the compaction.
void SQcoreproblem();
void SQdetect_core();
void SQbuild_coregraph();
void SQcoreexpandwave(SQLINE_item* source);
int SQcorebacktrackwave(SQLINE_item* source, SQLINE_item* target);
int SQbuild_corelp();  // 0, or 1 after a message when the LP would be unreadable
int SQread_corelp();  // 0, or 1 after the banner when there is no solution
void SQextract_sym();
void SQfree_coregraph();

namespace squeeze {

// Seconds lp_solve may run: the key "LpTimeLimit" of the system source
// file (default 60), unless set here (0: back to the key).
int lpTimeLimit();
void setLpTimeLimit(int seconds);

// The arcs of the core graph built last (tests).
int coreArcCount();
SQARC_item* coreArc(int i);

// Releases the core without touching the squeeze graph.
void releaseCoreGraph();

// Folder of the debug dumps and the report copies.
constexpr const char* kReportDir = "resize_report";

// Creates the report folder when it is missing; false when it cannot.
bool makeReportDir();

// Counts of the last longest-path run (benchmarks).
struct Stats {
  long waves = 0;        // waves of every run so far
  long relaxations = 0;  // arcs looked at
  long wlmFiled = 0;     // arcs put on the heaps of wire-length groups
  long wlmShears = 0;    // groups sheared at the block group
  long wlmMoves = 0;     // group moves
  long yields = 0;       // longest paths run again after kept constraints gave way
};
Stats& stats();

// The CIF scale B of "DS 1 1 B;" for the current LAMBDA_T2 and SCALE.
long cifScaleB();

// The compaction of the loaded layout under the current rules: rows,
// graphs of both directions, solves and output, with symmetry, resizing
// and passives off.  With `passives` the inductors, capacitors and
// resistors are taken out and regenerated as in a resize (their settings
// on for the run).  Returns 0, or 1 after a message when there is no
// layout; a data-caused stop abandons the running action.
int compactLayout(bool passives = false);

}  // namespace squeeze
