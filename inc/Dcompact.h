// Dcompact.h -- the resize driver and constraint rows (src/compact).
//
// Everything other subsystems may use of this subsystem: the edge variables
// and boxes of the variable scan, the two event lists, the sweep that turns
// design rules into rows, and the rows themselves (per-variable coefficient
// lists and the ordered right-hand-side list).
//
// Every variable is one side of a solid tile.  Its edge is held in the
// coordinates of the pass: in X the first coordinate of p1/p2 is x, in Y it
// is y (the second one runs along the edge), so the sweep reads the same for
// both directions with left/right standing for bottom/top in Y.
//
// A row is `rank`-numbered; its coefficients sit on the variables' lists and
// its type and value on the right-hand-side list:
//
//   two variables:  x(e2) - x(e1)  >= value   ('G')   or  = value ('E')
//   four variables: x(e1) + x(e2) - x(e3) - x(e4) = value
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <memory>
#include <unordered_map>
#include <vector>

#include "Dlayout.h"

struct _Dtile;
struct _edge_w_box;
struct set_node;
struct _equation_item;

// ---------------------------------------------------------------------------
// Variables and boxes.
// ---------------------------------------------------------------------------
struct _edge {
  _point p1;                 // lower end: (coordinate of the pass, along the edge)
  _point p2;                 // upper end
  int sub;                   // variable number, from 1 in each direction
  short layer_num;           // layer number of the tile's plane
  unsigned char upward;      // 1 left (bottom) side of a tile, 0 right (top)
  _edge_w_box* Se;           // right edges: shadows the box's left side saw
  _Dtile* mother_tile;       // the tile; null for pseudo-edges
  const char* name;          // layer name of the tile's plane
};

// The layout is 32-bit, so are the coordinates of boxes.
struct box_item {
  set_node* belongs_to;
  int32_t x1, x2, y1, y2;    // layout units, in the coordinates of the pass
  _edge* left_edge;
  _edge* right_edge;
  _edge* bottom_edge;
  _edge* top_edge;
  int32_t tree_slot;         // node of the interval set holding the box, or -1
  unsigned short active;
  unsigned char sides;       // the sweep's cached tile tests (0: not yet known)
  unsigned char layer = 0;   // right_edge->layer_num + 1 when 0..254, else 0:
                             // spares the sweep a look at the edge
};

struct _edge_w_box {
  box_item* pseudo_rect;
  _edge* the_edge;
  _edge_w_box* next;
};

// Groups of boxes (symmetry detection keeps one gate box per set).
struct set_node {
  box_item* the_box;
  set_node* parent;
  set_node* children;        // first child
  set_node* sibling;         // next child of the same parent
};

struct set : set_node {
  int nbr_elements;
  long x_low, y_low, x_up, y_up;  // bounding box
  set* next_set;
  set* prev_set;
};

struct set_list {
  set* head;                 // newest first
  int nbr_of_sets;
};

struct buffer_item {
  set* the_set;
  buffer_item* next;
  buffer_item* prev;
};

struct buffer {
  buffer_item* head;         // insertion at the head
  int elem_in_buffer;
};

// The symmetry axes found by detection (records of src/checksym).
struct SYM_AXIS_LIST;

// ---------------------------------------------------------------------------
// Rows.
// ---------------------------------------------------------------------------
// Rows are many (tens per box), so their records are small: coefficients
// name the other variable by its number and their successor by its place
// in the run's coefficient pool; the right-hand sides sit in one ordered
// sequence.  Read them through compact::coefficients and the _rhs_list
// iterators below.
struct _equation_item {
  int rank;                  // row number
  int coeff;                 // coefficient of this variable in the row
  int other;                 // variable number of the other variable of a
                             // two-variable row, else 0
  uint32_t next;             // place of the next item in the pool, 0 at the end
};

struct _adjacency_list {
  int alpha;                 // weight: 1, or 10000 after modify_alpha
  int items;                 // length of the coefficient list
  _edge* the_edge;
  uint32_t head;             // newest first: place in the pool, 0 when empty
  uint32_t named = 0;        // one bit per (other variable, sign) of the list's
                             // items, hashed: a clear bit spares the search
};
// One slot per variable, indexed by variable number - 1.
using AdjacencyArray = std::vector<_adjacency_list>;

struct _rhs_item {
  int column;                // row number
  int value;
  char type;                 // 'E' equal, 'G' greater or equal, else less or equal
};

// The right-hand sides of one direction in ascending row numbers (equal
// numbers: the later insertion first).  Rows come numbered one after the
// other, so the row numbers are held as runs of consecutive numbers beside
// the values and types (5 bytes a row); read as _rhs_item copies.
struct _rhs_list {
  // Entries from `start` up to the next run's start have the row numbers
  // firstColumn, firstColumn + 1, ...  Runs are in ascending `start`, none
  // empty.
  struct Run {
    size_t start;
    int firstColumn;
  };
  std::vector<Run> runs;
  std::deque<int> values;
  std::deque<char> types;

  class iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = _rhs_item;
    using difference_type = std::ptrdiff_t;
    using pointer = const _rhs_item*;
    using reference = _rhs_item;
    iterator(const _rhs_list* list, size_t i) : list_(list), i_(i) {}
    reference operator*() const
    {
      const Run& r = list_->runs[run_];
      return _rhs_item{r.firstColumn + static_cast<int>(i_ - r.start), list_->values[i_],
                       list_->types[i_]};
    }
    iterator& operator++()
    {
      ++i_;
      if (run_ + 1 < list_->runs.size() && list_->runs[run_ + 1].start == i_)
        ++run_;
      return *this;
    }
    bool operator==(const iterator& o) const { return i_ == o.i_; }
    bool operator!=(const iterator& o) const { return i_ != o.i_; }

   private:
    const _rhs_list* list_;
    size_t i_;
    size_t run_ = 0;
  };

  bool empty() const { return values.empty(); }
  size_t size() const { return values.size(); }
  int column(size_t i) const;  // row number of entry i
  _rhs_item at(size_t i) const { return _rhs_item{column(i), values[i], types[i]}; }
  _rhs_item front() const { return at(0); }           // lowest row
  _rhs_item back() const { return at(size() - 1); }   // highest row
  iterator begin() const { return iterator(this, 0); }
  iterator end() const { return iterator(this, size()); }
};

// ---------------------------------------------------------------------------
// Event lists and the sweep.
// ---------------------------------------------------------------------------
namespace compact {
class IntervalSet;
}

struct sweep_elem {
  box_item* box;
  long val;
};

// The events of one direction in ascending `val`; among equal values the
// event inserted later comes first.  Kept as a vector ordered on demand.
class sweep_list {
 public:
  void Insert(box_item* box, long val);
  // The pass over the events: rows into `adj` and `rows`.  Returns 0.
  int sweep(AdjacencyArray* adj, _rhs_list* rows);
  void generate_rule(struct PROC_ITEM* item, AdjacencyArray* adj, _rhs_list* rows,
                     compact::IntervalSet* active, compact::IntervalSet* shadow);

  const std::vector<sweep_elem>& events();  // in list order
  size_t size() const { return elems_.size(); }
  void clear();

 private:
  std::vector<sweep_elem> elems_;
  size_t orderedCount_ = 0;  // leading events already in list order
  bool ordered_ = true;
};

struct PROC_ITEM {
  box_item* box;
  long step;                 // right end when it differs from box->x1
};

// The events of one coordinate value in processing order: a right end goes
// before the left ends listed earlier whose boxes meet it in y.
class PROC_LIST {
 public:
  // `keys`: every y1 the boxes listed can have, ascending, without repeats.
  explicit PROC_LIST(std::shared_ptr<const std::vector<int32_t>> keys);
  ~PROC_LIST();
  PROC_LIST(const PROC_LIST&) = delete;
  PROC_LIST& operator=(const PROC_LIST&) = delete;

  void insert_rule1(const PROC_ITEM& item);
  std::vector<PROC_ITEM> ordered() const;  // the list
  void clear();

 private:
  struct Entry {
    PROC_ITEM item;
    uint64_t key;            // position in the list
  };
  std::vector<Entry> entries_;
  compact::IntervalSet* leftEnds_;  // left ends listed so far
  std::vector<size_t> leftEntry_;   // entry of each left end, by its node in leftEnds_
  std::vector<box_item*> met_;      // of one right end, kept for their memory
  std::vector<size_t> taken_;
  uint64_t nextKey_ = 0;
};

// ---------------------------------------------------------------------------
// Globals, reset by init_staff.
// ---------------------------------------------------------------------------
extern AdjacencyArray* equat_bucket;     // X variables; null before init_staff
extern AdjacencyArray* equat_bucket_y;   // Y variables
extern sweep_list* scan_queue;           // X events
extern sweep_list* scan_queue_y;         // Y events
extern sweep_list* sym_scan_queue;       // gate boxes, keyed by left and right x
extern set_list* Sets;
extern SYM_AXIS_LIST* all_sym_axes;     // made by init_staff
extern int X_direction;                  // 1 while the X direction is worked on
extern int PHASEII;
extern int mps_column_num;               // last row number handed out
extern int num_of_var;                   // X variables (the Y count is the same)
extern int NUM_of_VAR;                   // tile and axis variables

// Statistics of add_column_2 by layer number (layers 0..15 only).
constexpr int kStatLayers = 16;
extern int count_left[kStatLayers];
extern int count_right[kStatLayers];
extern int loop_left[kStatLayers];
extern int loop_right[kStatLayers];
extern int looplooploop;

// ---------------------------------------------------------------------------
// Operations.
// ---------------------------------------------------------------------------
int new_resize();
int new_resize60();

// The whole resize of the loaded layout (PROCESS_OPTION picks the preset)
// and its squeeze part over the events and variables of both directions.
// Returns 0, or 1 when there is no layout; a refused or failed resize
// abandons the running action with the layout still loaded.
int resize();
int SQ_resize(sweep_list* xEvents, AdjacencyArray* xVars, sweep_list* yEvents,
              AdjacencyArray* yVars, int flag);

// CPU times of the resize, clock ticks; the squeeze samples its core
// solves into the SQCORE_ triples and marks each sample valid.
extern int RES_START_u, RES_START_s, RES_STOP_u, RES_STOP_s;
extern int SQCORE_START_HOR_u, SQCORE_START_HOR_s, SQCORE_START_HOR_valid;
extern int SQCORE_STOP_HOR_u, SQCORE_STOP_HOR_s, SQCORE_STOP_HOR_valid;
extern int SQCORE_START_VER_u, SQCORE_START_VER_s, SQCORE_START_VER_valid;
extern int SQCORE_STOP_VER_u, SQCORE_STOP_VER_s, SQCORE_STOP_VER_valid;

// Empties Sets, both variable arrays, the event lists and the per-layer set
// lists, releases every edge, box and row of the previous run, sets
// X_direction to 1 and makes a new empty all_sym_axes.
void init_staff();

// Turns every solid tile of every plane into a box with four edge variables
// and fills both event lists; gate tiles also give gate boxes.
void scan_toget_variables();

// Rows.  add_column_2 adds c2*x(e2) - c1*x(e1) (type) value unless the
// ordered pair (e1, e2) already has a row.
void add_column_2(_edge* e1, _edge* e2, AdjacencyArray* adj, _rhs_list* rhs, int value,
                  char type, int c2, int c1);
void add_column_4(_edge* e1, _edge* e2, _edge* e3, _edge* e4, AdjacencyArray* adj,
                  _rhs_list* rhs, int value);
void add_rhs(char type, int value, _rhs_list* rhs);
// Puts a copy of the item before the first item whose row number is
// greater than or equal to its own.
void rhs_insert(const _rhs_item* item, _rhs_list* rhs);
void modify_alpha(AdjacencyArray* adj, box_item* box);

// Symmetry rows of the pairs in final_sym_list for direction 1 (X, with
// equat_bucket) or 2 (Y, with equat_bucket_y), after that direction's
// sweep.  The X call adds one axis variable per axis to both directions
// (NUM_of_VAR follows) and sets every record's edge.
void user_defined_sym_constraint_generate(AdjacencyArray* adj, _rhs_list* rows, int direction);
// The variable of a side of a tile (1 left, 2 right, 3 top, 4 bottom) as
// indexed by the last call above; null after a message when there is none.
_edge* findedge(_Dtile* tile, int side);

// Box tests, on the box's tile in the direction of X_direction.
int Right_Visible(const box_item* b);
int Left_Visible(const box_item* b);
int Right_free(const box_item* b);
int Left_free(const box_item* b);
int top_corner(const box_item* b);
int bottom_corner(const box_item* b);
int right_alignement(const box_item* a, const box_item* b);
int left_alignement(const box_item* a, const box_item* b);
int intersection(const box_item* a, const box_item* b);
int connection(const box_item* b, const box_item* a);

namespace compact {

// A new empty right-hand-side list; released with freeRows.
_rhs_list* newRows();
void freeRows(_rhs_list* rows);

// Adds a variable slot for `edge` (alpha 1) and numbers the edge.
void addVariable(AdjacencyArray* adj, _edge* edge);

// The coefficient item at a place of the run's pool (1, 2, ...), a copy:
// the pool keeps its items packed.
_equation_item equationItem(uint32_t place);

// The coefficient list of a variable, newest first:
//   for (const _equation_item& item : compact::coefficients(slot)) ...
class CoefficientRange {
 public:
  class iterator {
   public:
    // What operator-> hands out: the item lives in the holder.
    struct Holder {
      _equation_item item;
      const _equation_item* operator->() const { return &item; }
    };
    using iterator_category = std::input_iterator_tag;
    using value_type = _equation_item;
    using difference_type = std::ptrdiff_t;
    using pointer = Holder;
    using reference = _equation_item;
    explicit iterator(uint32_t place) : place_(place) {}
    reference operator*() const { return equationItem(place_); }
    pointer operator->() const { return Holder{equationItem(place_)}; }
    iterator& operator++()
    {
      place_ = equationItem(place_).next;
      return *this;
    }
    bool operator==(const iterator& o) const { return place_ == o.place_; }
    bool operator!=(const iterator& o) const { return place_ != o.place_; }

   private:
    uint32_t place_;
  };
  explicit CoefficientRange(uint32_t head) : head_(head) {}
  iterator begin() const { return iterator(head_); }
  iterator end() const { return iterator(0); }

 private:
  uint32_t head_;
};
inline CoefficientRange coefficients(const _adjacency_list& slot)
{
  return CoefficientRange(slot.head);
}

// The other variable of a two-variable row's item, or null.
inline _edge* otherEdge(const AdjacencyArray& adj, const _equation_item& item)
{
  return item.other > 0 ? adj[item.other - 1].the_edge : nullptr;
}

// What a row stands for, kept by row number for the squeeze's reports
// (which rule, or what the layout keeps).
enum class RowKind : uint8_t {
  Unknown,
  Width,            // minimum width of a layer
  ChannelWidth,     // a transistor's channel across its gate: transistor width
  GateLength,       // the gate layer over a channel: transistor length
  InnerWidth,       // a tile inside a larger shape: not turned over
  Spacing,          // minimum spacing between a right and a left side
  SameShape,        // two tiles of one shape side by side: they stay together
  CornerSpacing,    // spacing to an edge at a corner of the box
  LeftAlignment,    // left sides of two tiles of one layer stay in line
  RightAlignment,   // right sides likewise
  Extension,        // one layer extends beyond another
  Overlap,          // two overlapping tiles of one layer keep their overlap
  Symmetry,         // a symmetric pair or its axis
};
// The kind given to the rows made from now on.
void setRowKind(RowKind kind);
// The kind of a row (Unknown for rows made before any kind was given).
RowKind rowKind(int row);
// A few words for a kind ("spacing", "width", ...).
const char* rowKindName(RowKind kind);

// The per-layer set lists made by init_staff (32 of them).
set_list* layerSets(int layer);

// Releases everything init_staff and the scan made (end of a run).
void freeStaff();
// Releases what the scan made once the graphs are built from the rows:
// edges, boxes, sets, events and variables.  The kinds of the rows stay
// for the reports of the solve; freeStaff or the next init_staff drops them.
void releaseScan();
// Releases the variables and events of one direction (x: LEFT_RIGHT) once
// its graph is built.
void releaseDirection(bool x);

// The rows of both directions as the resize driver makes them when no
// symmetry rows are asked for: init_staff, the variable scan, the X sweep
// from row 2 and the Y sweep continuing its numbering.  *xRows and *yRows
// receive new lists, released with freeRows; everything else goes with
// freeStaff.
void makeRows(_rhs_list** xRows, _rhs_list** yRows);

// The rows of both directions as the resize driver makes them (init_staff,
// scan, X sweep from row 2, Y sweep) on the extracted planes and the current
// rules, written to `path` one row per line.
// Returns: 0; 1 after a message when there are no planes or the file
//   cannot be written.
int dumpRows(const char* path);

}  // namespace compact
