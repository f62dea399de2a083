// Symmetry rows: the axis variables of the symmetric pairs and the rows
// that keep each pair mirrored about its axis, in both directions.
#include "Dcompact.h"

#include <array>
#include <unordered_map>

#include "CS.h"
#include "DCMint.h"
#include "DEextract.h"
#include "DSsymmetry.h"
#include "Dglobal.h"

namespace {

constexpr short kAxisLayer = 100;    // layer number of an axis edge
constexpr short kMirrorLayer = 101;  // of its mirror in the other direction

enum Side { kLeft = 1, kRight = 2, kTop = 3, kBottom = 4 };

// The variables of the tiles by (tile, side), made once per call from the
// tile variables of both directions: the first variable in number order
// whose edge lies on that side wins.
struct SideIndex {
  std::unordered_map<const _Dtile*, std::array<_edge*, 4>> sides;
};
SideIndex sideIndex;

void indexDirection(const AdjacencyArray* adj, bool x)
{
  if (!adj)
    return;
  const size_t tileVars = std::min(adj->size(), static_cast<size_t>(num_of_var));
  for (size_t v = 0; v < tileVars; ++v) {
    _edge* e = (*adj)[v].the_edge;
    if (!e || !e->mother_tile)
      continue;
    const _Dtile* t = e->mother_tile;
    std::array<_edge*, 4>& a = sideIndex.sides.try_emplace(t, std::array<_edge*, 4>{}).first->second;
    const int low = x ? t->x1 : t->y1, high = x ? cs::right(t) : cs::top(t);
    _edge*& lowSide = a[x ? kLeft - 1 : kBottom - 1];
    _edge*& highSide = a[x ? kRight - 1 : kTop - 1];
    if (!lowSide && e->p1.x == low)
      lowSide = e;
    if (!highSide && e->p1.x == high)
      highSide = e;
  }
}

void buildSideIndex()
{
  sideIndex.sides.clear();
  indexDirection(equat_bucket, true);
  indexDirection(equat_bucket_y, false);
}

_edge* newAxisEdge(int number, short layer, const char* name)
{
  _edge* e = compact::newEdge();
  *e = _edge{};
  e->sub = number;
  e->layer_num = layer;
  e->name = name;
  return e;
}

bool sameAxis(const _sym_constraint_list* a, const _sym_constraint_list* b)
{
  return a->block_number == b->block_number && a->axis == b->axis && a->sym_loc == b->sym_loc;
}

/*
 * makeAxisVariables --
 *   One variable per run of records with the same block, axis and place:
 *   the axis edge in the direction where the axis is a coordinate, its
 *   mirror (alpha 0) in the other.  Every record gets the axis edge.
 */
void makeAxisVariables()
{
  const _sym_constraint_list* previous = nullptr;
  _edge* axisEdge = nullptr;
  for (_sym_constraint_list* r = final_sym_list; r; previous = r, r = r->next) {
    if (!previous || !sameAxis(previous, r)) {
      const int number = static_cast<int>(equat_bucket->size()) + 1;
      axisEdge = newAxisEdge(number, kAxisLayer, "SYM");
      _edge* mirror = newAxisEdge(number, kMirrorLayer, "SYMmir");
      const bool vertical = r->axis == 0;
      equat_bucket->push_back(_adjacency_list{vertical ? 1 : 0, 0, vertical ? axisEdge : mirror, 0});
      equat_bucket_y->push_back(_adjacency_list{vertical ? 0 : 1, 0, vertical ? mirror : axisEdge, 0});
      NUM_of_VAR = static_cast<int>(equat_bucket->size());
    }
    r->edge = axisEdge;
  }
}

// The rows of one record in one direction.
class PairRows {
 public:
  PairRows(AdjacencyArray* adj, _rhs_list* rows, _edge* axis) : adj_(adj), rows_(rows), axis_(axis) {}

  // x(a) + x(b) - 2 x(axis) = 0
  void mirror(_edge* a, _edge* b)
  {
    if (a && b && axis_)
      add_column_4(a, b, axis_, axis_, adj_, rows_, 0);
  }
  // x(a) + x(b) - x(c) - x(d) = 0
  void equal(_edge* a, _edge* b, _edge* c, _edge* d)
  {
    if (a && b && c && d)
      add_column_4(a, b, c, d, adj_, rows_, 0);
  }
  // x(b) - x(a) = 0
  void same(_edge* a, _edge* b)
  {
    if (a && b)
      add_column_2(a, b, adj_, rows_, 0, 'E', 1, 1);
  }
  // x(b) - x(a) >= 0
  void after(_edge* a, _edge* b)
  {
    if (a && b)
      add_column_2(a, b, adj_, rows_, 0, 'G', 1, 1);
  }

 private:
  AdjacencyArray* adj_;
  _rhs_list* rows_;
  _edge* axis_;
};

_edge* s(const _Dtile* t, int side) { return findedge(const_cast<_Dtile*>(t), side); }

// The drain tile, or the source tile of a transistor drawn without a drain.
const _Dtile* drainOf(const _Dtransistor* t) { return t->Tdrain ? t->Tdrain : t->Tsource; }

/* drainBesideX -- whether source and drain lie left and right of the gate. */
bool drainBesideX(const _Dtransistor* t) { return drainOf(t)->x1 != t->Tgate->x1; }
/* drainOffY -- whether source and drain lie above and below the gate. */
bool drainOffY(const _Dtransistor* t) { return drainOf(t)->y1 != t->Tgate->y1; }

void sameSides(PairRows& p, const _Dtransistor* t1, const _Dtransistor* t2, int low, int high)
{
  for (auto tile : {&_Dtransistor::Pgate, &_Dtransistor::Tdrain, &_Dtransistor::Tsource}) {
    const _Dtile* a = t1->*tile;
    const _Dtile* b = t2->*tile;
    if (!a || !b)
      continue;
    p.same(s(a, low), s(b, low));
    p.same(s(a, high), s(b, high));
  }
}

void verticalAxisRows(PairRows& p, const _Dtransistor* t1, const _Dtransistor* t2, bool x)
{
  const _Dtile *g1 = t1->Tgate, *g2 = t2->Tgate;
  if (!drainBesideX(t1)) {
    if (!x) {
      sameSides(p, t1, t2, kTop, kBottom);
      return;
    }
    p.mirror(s(g1, kRight), s(g2, kLeft));
    p.equal(s(g1, kRight), s(g2, kLeft), s(g1, kLeft), s(g2, kRight));
    if (g1->x1 >= g2->x1)
      p.after(s(g2, kRight), s(g1, kLeft));
    else
      p.after(s(g1, kRight), s(g2, kLeft));
    return;
  }
  if (!x) {
    p.same(s(g1, kTop), s(g2, kTop));
    p.same(s(g1, kBottom), s(g2, kBottom));
    return;
  }
  const _Dtile *p1 = t1->Pgate, *p2 = t2->Pgate;
  p.mirror(s(p1, kRight), s(p2, kLeft));
  p.equal(s(p1, kRight), s(p2, kLeft), s(p1, kLeft), s(p2, kRight));
  const _Dtile *d1 = drainOf(t1), *s1 = t1->Tsource, *d2 = drainOf(t2), *s2 = t2->Tsource;
  p.equal(s(d1, kRight), s(s2, kLeft), s(d1, kLeft), s(s2, kRight));
  p.equal(s(s1, kRight), s(d2, kLeft), s(s1, kLeft), s(d2, kRight));
}

void horizontalAxisRows(PairRows& p, const _Dtransistor* t1, const _Dtransistor* t2, bool x)
{
  const _Dtile *g1 = t1->Tgate, *g2 = t2->Tgate;
  if (drainOffY(t1)) {
    if (x) {
      p.same(s(g1, kLeft), s(g2, kLeft));
      p.same(s(g1, kRight), s(g2, kRight));
      return;
    }
    const _Dtile *p1 = t1->Pgate, *p2 = t2->Pgate;
    p.mirror(s(p1, kTop), s(p2, kBottom));
    p.equal(s(p1, kTop), s(p2, kBottom), s(p1, kBottom), s(p2, kTop));
    const _Dtile *d1 = drainOf(t1), *s1 = t1->Tsource, *d2 = drainOf(t2), *s2 = t2->Tsource;
    p.equal(s(d1, kTop), s(s2, kBottom), s(d1, kBottom), s(s2, kTop));
    p.equal(s(s1, kTop), s(d2, kBottom), s(s1, kBottom), s(d2, kTop));
    return;
  }
  if (x) {
    sameSides(p, t1, t2, kLeft, kRight);
    return;
  }
  p.mirror(s(g1, kTop), s(g2, kBottom));
  p.equal(s(g1, kTop), s(g2, kBottom), s(g1, kBottom), s(g2, kTop));
  if (g1->y1 < g2->y1)
    p.after(s(g1, kTop), s(g2, kBottom));
  else
    p.after(s(g2, kTop), s(g1, kBottom));
}

bool usable(const _Dtransistor* t) { return t && t->Tgate && t->Tsource && t->Pgate; }

/* referenceRow -- centres the block's reference transistor on the axis. */
void referenceRow(PairRows& p, const _sym_constraint_list* r, bool x)
{
  const _Dtransistor* q = r->Tran_res;
  if (!usable(q))
    return;
  if (r->axis == 0 && x) {
    const _Dtile* t = drainOf(q)->x1 != q->Tgate->x1 ? q->Pgate : q->Tgate;
    p.mirror(s(t, kLeft), s(t, kRight));
  } else if (r->axis == 1 && !x) {
    const _Dtile* t = drainOf(q)->y1 != q->Tgate->y1 ? q->Pgate : q->Tgate;
    p.mirror(s(t, kBottom), s(t, kTop));
  }
}

}  // namespace

/*
 * findedge --
 *   The variable of one side of a tile: 1 left, 2 right (X variables),
 *   3 top, 4 bottom (Y variables).  Returns: the edge, or null after a
 *   message when the tile has no variable on that side.
 */
_edge* findedge(_Dtile* tile, int side)
{
  _edge* found = nullptr;
  if (tile && side >= kLeft && side <= kBottom) {
    auto it = sideIndex.sides.find(tile);
    if (it != sideIndex.sides.end())
      found = it->second[side - 1];
  }
  if (!found)
    common::outf(" **** function edge_find_from_tile can't find edge for tile %p\n",
                 static_cast<void*>(tile));
  return found;
}

/*
 * user_defined_sym_constraint_generate --
 *   The rows that keep the pairs of final_sym_list mirrored, for direction
 *   1 (X) or 2 (Y).  The X call makes the axis variables first.  A row one
 *   of whose edges cannot be found is left out after findedge's message.
 */
void user_defined_sym_constraint_generate(AdjacencyArray* adj, _rhs_list* rows, int direction)
{
  if (!final_sym_list || !adj || !rows || !equat_bucket || !equat_bucket_y)
    return;
  const bool x = direction == 1;
  if (x)
    makeAxisVariables();
  buildSideIndex();
  compact::setRowKind(compact::RowKind::Symmetry);
  for (const _sym_constraint_list* r = final_sym_list; r; r = r->next) {
    if (!usable(r->Trans1) || !usable(r->Trans2))
      continue;
    PairRows p(adj, rows, r->edge);
    if (r->axis == 0)
      verticalAxisRows(p, r->Trans1, r->Trans2, x);
    else
      horizontalAxisRows(p, r->Trans1, r->Trans2, x);
    referenceRow(p, r, x);
  }
}

// The index points at the scan's edges: it goes with them.
void compact::releaseSideIndex() { sideIndex.sides = decltype(sideIndex.sides)(); }
