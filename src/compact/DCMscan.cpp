// The shared state of a resize run and the variable scan: every solid tile
// becomes a box with four edge variables, entered into the event lists of
// both directions.
#include "Dcompact.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <new>
#include <vector>
#include <string>

#include "CS.h"
#include "DCMint.h"
#include "DEextract.h"
#include "DSsymmetry.h"
#include "Dglobal.h"

AdjacencyArray* equat_bucket = nullptr;
AdjacencyArray* equat_bucket_y = nullptr;
sweep_list* scan_queue = nullptr;
sweep_list* scan_queue_y = nullptr;
sweep_list* sym_scan_queue = nullptr;
set_list* Sets = nullptr;
SYM_AXIS_LIST* all_sym_axes = nullptr;
int X_direction = 1;
int PHASEII = 0;
int num_of_var = 0;
int NUM_of_VAR = 0;

namespace compact {

namespace {

constexpr int kLayerSetLists = 32;

// Records of a run; everything goes at the next init_staff or freeStaff.
struct State {
  Pool<_edge> edges;
  Pool<box_item> boxes;
  Pool<set> sets;
  Pool<box_item> shadows;        // of one pass
  Pool<_edge_w_box> seEntries;   // of one pass
  std::vector<box_item*> freeShadows;  // taken back during the pass
  _edge_w_box* freeEntries = nullptr;
  set_list layerSets[kLayerSetLists];
};

State& state()
{
  static State* s = new State();  // lives as long as the program
  return *s;
}

}  // namespace

EquationPool equationItems;

void BlockRelease::operator()(void* block) const { std::free(block); }

Block newBlock(size_t bytes)
{
  void* block = std::aligned_alloc(kBlockBytes, bytes);
  if (!block)
    throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  madvise(block, bytes, MADV_HUGEPAGE);  // a hint: without huge pages the block still serves
#endif
  return Block(block);
}

/*
 * EquationPool::addRankAside --
 *   The row of item i where it does not go by a step of 0 or 1 in its
 *   group: the first item of a group, or an item of a group whose rows are
 *   kept one by one (from this item on when it is the first to jump).
 */
void EquationPool::addRankAside(size_t i, int rank)
{
  const size_t group = i >> kGroupShift, bit = i & (kGroup - 1);
  if (bit == 0) {
    steps_.push_back(0);
    groupRank_.push_back(rank);
    return;
  }
  if (!(steps_[group] & kIrregular)) {
    std::vector<int>& ranks = irregular_[group];
    ranks.resize(kGroup);
    for (size_t b = 0; b < bit; ++b)
      ranks[b] = this->rank(static_cast<uint32_t>((group << kGroupShift) + b + 1));
    steps_[group] = kIrregular;
  }
  irregular_[group][bit] = rank;
}

_equation_item equationItem(uint32_t place) { return equationItems.at(place); }

_edge* newEdge() { return state().edges.take(); }

box_item* newBox()
{
  box_item* b = state().boxes.take();
  b->tree_slot = -1;
  return b;
}

box_item* newShadowBox()
{
  State& s = state();
  box_item* b;
  if (s.freeShadows.empty()) {
    b = s.shadows.take();
  } else {
    b = s.freeShadows.back();
    s.freeShadows.pop_back();
    *b = box_item{};
  }
  b->tree_slot = -1;
  return b;
}

void freeShadowBox(box_item* shadow) { state().freeShadows.push_back(shadow); }

_edge_w_box* newShadowEntry()
{
  State& s = state();
  _edge_w_box* entry = s.freeEntries;
  if (!entry)
    return s.seEntries.take();
  s.freeEntries = entry->next;
  *entry = _edge_w_box{};
  return entry;
}

void freeShadowEntries(_edge_w_box* list)
{
  State& s = state();
  while (list) {
    _edge_w_box* next = list->next;
    list->next = s.freeEntries;
    s.freeEntries = list;
    list = next;
  }
}

void releasePassRecords()
{
  State& s = state();
  s.shadows.release();
  s.seEntries.release();
  s.freeShadows.clear();
  s.freeShadows.shrink_to_fit();
  s.freeEntries = nullptr;
}

size_t poolBytes()
{
  State& s = state();
  return s.edges.bytes() + s.boxes.bytes() + equationItems.bytes() + s.sets.bytes() + s.shadows.bytes() + s.seEntries.bytes();
}

/* printDate -- the line "date" prints in the C locale, without a shell per call. */
void printDate()
{
  char text[64];
  time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  strftime(text, sizeof text, "%a %b %e %H:%M:%S %Z %Y\n", &local);
  common::outText(text);
}

set_list* layerSets(int layer)
{
  if (layer < 0 || layer >= kLayerSetLists)
    return nullptr;
  return &state().layerSets[layer];
}

void freeStaff()
{
  releaseScan();
  resetRowKinds();
  num_of_var = NUM_of_VAR = 0;
}

void releaseDirection(bool x)
{
  AdjacencyArray*& vars = x ? equat_bucket : equat_bucket_y;
  sweep_list*& events = x ? scan_queue : scan_queue_y;
  delete vars;
  delete events;
  vars = nullptr;
  events = nullptr;
}

void releaseScan()
{
  State& s = state();
  delete equat_bucket;
  delete equat_bucket_y;
  delete scan_queue;
  delete scan_queue_y;
  delete sym_scan_queue;
  delete Sets;
  delete all_sym_axes;
  equat_bucket = equat_bucket_y = nullptr;
  scan_queue = scan_queue_y = sym_scan_queue = nullptr;
  Sets = nullptr;
  all_sym_axes = nullptr;
  s.edges.release();
  s.boxes.release();
  equationItems.release();
  s.sets.release();
  releasePassRecords();
  releaseSideIndex();
  for (set_list& list : s.layerSets)
    list = set_list{nullptr, 0};
}

}  // namespace compact

/*
 * init_staff --
 *   A fresh resize state: no sets, no variables, no events, no rows;
 *   X_direction 1, an empty axis list and 32 empty per-layer set lists.
 */
void init_staff()
{
  compact::freeStaff();
  Sets = new set_list{nullptr, 0};
  equat_bucket = new AdjacencyArray();
  equat_bucket_y = new AdjacencyArray();
  scan_queue = new sweep_list();
  scan_queue_y = new sweep_list();
  sym_scan_queue = new sweep_list();
  all_sym_axes = new SYM_AXIS_LIST();
  X_direction = 1;
}

namespace {

_edge* makeEdge(AdjacencyArray* adj, int along, int from, int to, unsigned char upward,
                _Dtile* tile, const _DlayerTile* plane)
{
  _edge* e = compact::newEdge();
  e->p1 = _point{along, from};
  e->p2 = _point{along, to};
  e->upward = upward;
  e->mother_tile = tile;
  e->layer_num = plane->layer;
  e->name = plane->name;
  compact::addVariable(adj, e);
  return e;
}

box_item* makeBox(long x1, long y1, long x2, long y2, _edge* left, _edge* right,
                  _edge* bottom, _edge* top)
{
  box_item* b = compact::newBox();
  b->x1 = x1;
  b->y1 = y1;
  b->x2 = x2;
  b->y2 = y2;
  b->left_edge = left;
  b->right_edge = right;
  b->bottom_edge = bottom;
  b->top_edge = top;
  if (right->layer_num >= 0 && right->layer_num < 255)
    b->layer = static_cast<unsigned char>(right->layer_num + 1);
  return b;
}

/* gateOf -- the transistor whose gate tile is `tile`, or null. */
_Dtransistor* gateOf(const _Dtile* tile)
{
  if (tile->activeDev() != 1)
    return nullptr;
  _Dtransistor* t = extract::transistorOf(tile);
  return t && t->Tgate == tile ? t : nullptr;
}

/* addGateSet -- the gate box of a transistor as a one-box set at the head of Sets. */
void addGateSet(box_item* gate)
{
  set* s = compact::state().sets.take();
  s->the_box = gate;
  s->nbr_elements = 1;
  s->x_low = gate->x1;
  s->y_low = gate->y1;
  s->x_up = gate->x2;
  s->y_up = gate->y2;
  s->next_set = Sets->head;
  if (Sets->head)
    Sets->head->prev_set = s;
  Sets->head = s;
  ++Sets->nbr_of_sets;
  gate->belongs_to = s;
}

/* scanTile -- the edges and boxes of one solid tile. */
void scanTile(_Dtile* t, _DlayerTile* plane)
{
  const int x1 = t->x1, y1 = t->y1, right = cs::right(t), top = cs::top(t);
  _edge* left = makeEdge(equat_bucket, x1, y1, top, 1, t, plane);
  _edge* rightEdge = makeEdge(equat_bucket, right, y1, top, 0, t, plane);
  _edge* bottom = makeEdge(equat_bucket_y, y1, x1, right, 1, t, plane);
  _edge* topEdge = makeEdge(equat_bucket_y, top, x1, right, 0, t, plane);

  box_item* xbox = makeBox(x1, y1, right, top, left, rightEdge, bottom, topEdge);
  scan_queue->Insert(xbox, x1);
  scan_queue->Insert(xbox, right);

  if (_Dtransistor* tran = gateOf(t)) {
    box_item* gate = makeBox(x1, y1, x1 + tran->width, y1 + tran->length, left, rightEdge,
                             bottom, topEdge);
    sym_scan_queue->Insert(gate, x1);
    sym_scan_queue->Insert(gate, right);
    addGateSet(gate);
  }

  box_item* ybox = makeBox(y1, x1, top, right, bottom, topEdge, left, rightEdge);
  scan_queue_y->Insert(ybox, y1);
  scan_queue_y->Insert(ybox, top);
}

}  // namespace

/*
 * scan_toget_variables --
 *   Every tile of every existing plane, in plane order: space tiles lose
 *   their plane record; solid tiles get it and become boxes (see scanTile).
 *   Needs init_staff first.
 */
void scan_toget_variables()
{
  if (!equat_bucket)
    init_staff();
  for (int i = 0; i < DlayerNum; ++i) {
    _DlayerTile* plane = &DlayerTile[i];
    if (!plane->layertile)
      continue;
    Stitch = plane->layertile;
    _Dtilelist* tiles = nullptr;
    AreaEnum(cs::kMin, cs::kMin, cs::kMax, cs::kMax, &tiles, 0);
    for (_Dtilelist* l = tiles; l; l = l->next) {
      _Dtile* t = l->tile;
      if (!TisSolid(t)) {
        t->set_layer(nullptr);
        continue;
      }
      t->set_layer(plane);
      scanTile(t, plane);
    }
    FreeList(tiles);
  }
  num_of_var = NUM_of_VAR = static_cast<int>(equat_bucket->size());
  // Order the event lists now, while no rows hold memory.
  scan_queue->events();
  scan_queue_y->events();
  sym_scan_queue->events();
}

// ---------------------------------------------------------------------------
// The event list.
// ---------------------------------------------------------------------------

/* sweep_list::Insert -- a new event goes before the first event with val >= its own. */
void sweep_list::Insert(box_item* box, long val)
{
  if (ordered_ && (elems_.empty() || elems_.back().val < val)) {
    elems_.push_back(sweep_elem{box, val});
    ++orderedCount_;
    return;
  }
  elems_.push_back(sweep_elem{box, val});
  ordered_ = false;
}

/*
 * sweep_list::events --
 *   The events in list order.  Events inserted since the last call are put
 *   in place once: among equal values the later insertion comes first, and
 *   before the events already in the list.
 */
const std::vector<sweep_elem>& sweep_list::events()
{
  if (ordered_)
    return elems_;
  auto byValue = [](const sweep_elem& a, const sweep_elem& b) { return a.val < b.val; };
  const auto fresh = elems_.begin() + orderedCount_;
  std::reverse(fresh, elems_.end());
  std::stable_sort(fresh, elems_.end(), byValue);
  // The fresh events go first among equal values: move them to the front
  // and merge, the first range winning ties.
  std::rotate(elems_.begin(), fresh, elems_.end());
  std::inplace_merge(elems_.begin(), elems_.end() - orderedCount_, elems_.end(), byValue);
  orderedCount_ = elems_.size();
  ordered_ = true;
  return elems_;
}

void sweep_list::clear()
{
  elems_.clear();
  orderedCount_ = 0;
  ordered_ = true;
}
