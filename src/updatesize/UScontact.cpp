// The active contacts of the transistors: found in the squeeze graphs,
// replaced by constraints that keep room for their rows, and written anew
// into the output once the layout is solved.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <set>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "CS.h"
#include "DEextract.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "DUsize.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "SQsqueeze.h"
#include "USint.h"

USCONT_A_item* UScont_active = nullptr;
USCONT_P_item* UScont_poly = nullptr;

namespace {

// Contact tiles taken out of the LEFT_RIGHT graph: the same go out of the
// TOP_BOTTOM graph, so that the two directions keep the same boxes.
std::unordered_set<const _Dtile*> takenContacts;
// The stacks of each diffusion tile, newest first, so that a stack met
// again is found without a walk of the whole list.
std::unordered_map<const _Dtile*, std::vector<USCONT_A_item*>> stacksOf;
// Diffusions whose drawn metal does not follow them as the contact model
// has it: their contacts stay as drawn.
std::unordered_set<const _Dtile*> keptAsDrawn;

constexpr int kContactRank = -40;

// The tile's cell in the current direction.
SQCELL_item* cellOf(const _Dtile* tile)
{
  if (!tile)
    return nullptr;
  return static_cast<SQCELL_item*>(resize_direction == TOP_BOTTOM ? tile->resize_cell_TB()
                                                                   : tile->resize_cell_LR());
}

// Orientation of a stack in the current direction: 1 when the contacts lie
// beside the gate's width, 2 across it.
int stackOrientation(const _Dtransistor* t, int direction)
{
  const bool along = (direction == LEFT_RIGHT && t->orientation == -1) ||
                     (direction == TOP_BOTTOM && t->orientation == 1);
  return along ? 1 : 2;
}

int rowsOf(const USCONT_A_item* s)
{
  int r = s->transistor1->no_contact_row;
  if (s->transistor2)
    r = std::max(r, s->transistor2->no_contact_row);
  return r < 1 ? 1 : r;
}

void listContact(SQCELL_item* a, SQCELL_item* c, SQCELL_item* m, _Dtransistor* t, _Dtile* tile,
                 int direction)
{
  const int orientation = stackOrientation(t, direction);
  if (direction == LEFT_RIGHT) {
    a->ontransistor = c->ontransistor = m->ontransistor = 1;
    std::vector<USCONT_A_item*>& known = stacksOf[tile];
    for (USCONT_A_item* s : known)
      if (s->active == a && s->metal == m) {
        ++s->number;
        if (s->transistor1 != t && !s->transistor2)
          s->transistor2 = t;
        return;
      }
    UScont_active = new USCONT_A_item{a, m, orientation, 1, 1, t, nullptr, tile,
                                      m->mother_tile, UScont_active};
    known.insert(known.begin(), UScont_active);
    return;
  }
  c->ontransistor = 1;
  // The same stack, or one of the diffusion not yet met in this direction
  // (the metal may lie in other tiles across this direction).
  USCONT_A_item* found = nullptr;
  const std::vector<USCONT_A_item*>& known = stacksOf[tile];
  for (USCONT_A_item* s : known)
    if (!found && s->metalTile == m->mother_tile)
      found = s;
  for (USCONT_A_item* s : known)
    if (!found && s->step == 1)
      found = s;
  if (!found) {
    common::outf("ERROR: USlistactivecontact TB, can't find the active contact from LR direction "
                 "of cell %i (%p)\n",
                 a->number, static_cast<void*>(a));
    return;
  }
  if (found->step == 2)
    return;  // met again from the other transistor of a shared diffusion
  if (found->orientation == orientation)
    common::outf("ERROR: USlistactivecontact TB, orientation not matched for cell %i (%p)\n",
                 a->number, static_cast<void*>(a));
  found->active = a;
  found->metal = m;
  found->orientation = orientation;
  found->number = 1;
  found->step = 2;
}

bool onLayer(const SQCELL_item* c, int layer) { return c && c->layernumber == layer && c->left && c->right; }

// The drawn boxes of two cells overlap: arcs alone also join boxes that
// only keep apart.
bool overlap(const SQCELL_item* a, const SQCELL_item* b)
{
  const _Dtile *s = a->mother_tile, *t = b->mother_tile;
  if (!s || !t)
    return false;
  return std::max(s->x1, t->x1) < std::min(cs::right(s), cs::right(t)) &&
         std::max(s->y1, t->y1) < std::min(cs::top(s), cs::top(t));
}

// Whether a transistor takes a size other than its drawn one.
bool resized(const _Dtransistor* t)
{
  return (t->resize_width != 0 && t->resize_width != t->width) ||
         (t->resize_length != 0 && t->resize_length != t->length);
}

// Whether a tile has no solid neighbour on a side (0 left, 1 right, 2
// bottom, 3 top): that side of its shape can move on its own.
bool sideFree(const _Dtile* t, int side)
{
  switch (side) {
    case 0:
      for (const _Dtile* n = t->bl(); n && n->y1 < cs::top(t); n = n->rt())
        if (TisSolid(n))
          return false;
      return true;
    case 1:
      for (const _Dtile* n = t->tr(); n && cs::top(n) > t->y1; n = n->lb())
        if (TisSolid(n))
          return false;
      return true;
    case 2:
      for (const _Dtile* n = t->lb(); n && n->x1 < cs::right(t); n = n->tr())
        if (TisSolid(n))
          return false;
      return true;
    default:
      for (const _Dtile* n = t->rt(); n && cs::right(n) > t->x1; n = n->bl())
        if (TisSolid(n))
          return false;
      return true;
  }
}

/*
 * metalFollows --
 *   Whether the drawn metal tile over a contact covers the diffusion as the
 *   contact model keeps it (along the gate's width beyond both ends of the
 *   diffusion by CMF_CCA_EXT - CAA_CCA_EXT, across it within
 *   max(CAA_CCA_EXT, CCA_CPG_SPACE) - CMF_CCA_EXT of both ends), or can be
 *   made to: every side that falls short is free to move.  Metal that
 *   covers only the cuts and is held by the rest of its shape cannot
 *   follow the diffusion, and cuts written anew would lie outside it.
 */
bool metalFollows(const _Dtransistor* t, const _Dtile* diffusion, const _Dtile* metal)
{
  const long v = std::max(CAA_CCA_EXT, CCA_CPG_SPACE);
  const long beyond = CMF_CCA_EXT - CAA_CCA_EXT, within = v - CMF_CCA_EXT;
  const long a[4] = {diffusion->x1, cs::right(diffusion), diffusion->y1, cs::top(diffusion)};
  const long m[4] = {metal->x1, cs::right(metal), metal->y1, cs::top(metal)};
  const bool alongX = t->orientation == -1;  // the gate's width runs in x
  for (int side = 0; side < 4; ++side) {
    const bool along = (side < 2) == alongX;
    const bool low = side % 2 == 0;
    // How far the metal reaches beyond the diffusion's end on this side.
    const long reach = low ? a[side] - m[side] : m[side] - a[side];
    const long need = along ? beyond : -within;
    if (reach < need && !sideFree(metal, side))
      return false;
  }
  return true;
}

// Calls fn(contact, metal) for every contact cell over the diffusion cell
// `a` and every metal cell over that contact, as their arcs and drawn
// boxes join them.
template <class Fn>
void eachStackOver(SQCELL_item* a, Fn fn)
{
  for (SQARC_item* x = a->left->ori_next; x; x = x->ori_next) {
    SQCELL_item* c = x->ter->cell;
    if (!onLayer(c, ACTIVE_CONTACT_NUMBER) || !overlap(a, c))
      continue;
    for (SQARC_item* y = c->left->ter_next; y; y = y->ter_next) {
      SQCELL_item* m = y->ori->cell;
      if (onLayer(m, METAL_ONE_NUMBER) && overlap(c, m))
        fn(c, m);
    }
  }
}

// Step 1: every (diffusion, contact, metal) of a source or drain.
void findStacks(int direction)
{
  // A diffusion of a transistor that keeps its size, none of whose metal
  // tiles follows it, keeps its drawn cuts (decided on the drawing, once,
  // for both directions).
  if (direction == LEFT_RIGHT) {
    keptAsDrawn.clear();
    for (int e = 0; Transistors && e < DelementNum; ++e)
      for (_Dtransistor* t = Transistors[e]; t; t = t->next) {
        if (t->number < 0 || t->orientation == 0)
          continue;
        for (_Dtile* tile : {t->Tdrain, t->Tsource}) {
          SQCELL_item* a = cellOf(tile);
          if (!a || !a->left || !a->right)
            continue;
          bool contacted = false, followed = false;
          eachStackOver(a, [&](SQCELL_item*, SQCELL_item* m) {
            contacted = true;
            followed = followed || metalFollows(t, tile, m->mother_tile);
          });
          if (contacted && !followed && !resized(t))
            keptAsDrawn.insert(tile);
        }
      }
    if (!keptAsDrawn.empty())
      GCmessage(0, 'W', "%zu diffusions keep their drawn contacts: their metal covers the cuts "
                "only, not the diffusion", keptAsDrawn.size());
  }
  std::set<std::tuple<const void*, const void*, const void*>> seen;
  if (!Transistors)
    return;
  for (int e = 0; e < DelementNum; ++e)
    for (_Dtransistor* t = Transistors[e]; t; t = t->next) {
      if (t->number < 0 || t->orientation == 0)
        continue;
      for (_Dtile* tile : {t->Tdrain, t->Tsource}) {
        SQCELL_item* a = cellOf(tile);
        if (!a || !a->left || !a->right || keptAsDrawn.count(tile))
          continue;
        eachStackOver(a, [&](SQCELL_item* c, SQCELL_item* m) {
          if (seen.insert({t, c, m}).second)
            listContact(a, c, m, t, tile, direction);
        });
      }
    }
}

void setZero(SQLINE_item* from, SQLINE_item* to)
{
  for (SQARC_item* a = from->ori_next; a; a = a->ori_next)
    if (a->ter == to && a->occupied)
      SQupdatearc_wt(a, 0, kContactRank);
}

/*
 * enclose --
 *   The arc that keeps the metal over a contact against the diffusion, as
 *   the contact model asks.  Where the drawn metal covers only the cuts
 *   and the rest of its shape holds it there, the arc gives way in a cycle
 *   (to the drawn distance): the contacts are then written where the metal
 *   is (USinsertcontact).
 */
void enclose(SQLINE_item* from, SQLINE_item* to, int weight)
{
  SQaddarc(from, to, weight, kContactRank)->origin = ArcOrigin::ContactCover;
}

/*
 * encloseMetal --
 *   The arcs of `enclose` between a diffusion `a` and a metal tile `m` over
 *   its contact, each only on a side where no other metal tile over the
 *   same diffusion's contacts reaches further (`reach`: the lowest low side
 *   and the highest high side of them, as drawn).  A side of one tile that
 *   another tile of the metal continues lies inside the metal: held to the
 *   diffusion's end, it would tie the diffusion's two ends to each other
 *   through the metal, and no new size could fit.
 */
void encloseMetal(SQCELL_item* a, SQCELL_item* m, int lowWeight, int highWeight, int direction,
                  const std::pair<long, long>& reach)
{
  const _Dtile* tile = m->mother_tile;
  const long low = !tile ? reach.first : direction == LEFT_RIGHT ? tile->x1 : tile->y1;
  const long high = !tile ? reach.second : direction == LEFT_RIGHT ? cs::right(tile) : cs::top(tile);
  if (low <= reach.first)
    enclose(m->left, a->left, lowWeight);
  if (high >= reach.second)
    enclose(a->right, m->right, highWeight);
}

constexpr std::pair<long, long> kAnyReach{LONG_MAX, LONG_MIN};  // every side is held

// For every diffusion of this direction's stacks, the lowest low side and
// the highest high side of the metal tiles over its contacts, as drawn.
std::unordered_map<const SQCELL_item*, std::pair<long, long>> metalReach(int direction)
{
  std::unordered_map<const SQCELL_item*, std::pair<long, long>> reach;
  for (USCONT_A_item* s = UScont_active; s; s = s->next) {
    if ((direction == LEFT_RIGHT && s->step != 1) || (direction == TOP_BOTTOM && s->step != 2))
      continue;
    const _Dtile* tile = s->metal ? s->metal->mother_tile : nullptr;
    if (!tile)
      continue;
    const long low = direction == LEFT_RIGHT ? tile->x1 : tile->y1;
    const long high = direction == LEFT_RIGHT ? cs::right(tile) : cs::top(tile);
    auto [it, fresh] = reach.emplace(s->active, std::pair<long, long>{low, high});
    if (!fresh)
      it->second = {std::min(it->second.first, low), std::max(it->second.second, high)};
  }
  return reach;
}

// Steps 2 and 3: the constraints that stand for the contacts.
void addStackArcs(int direction)
{
  const int v = std::max(CAA_CCA_EXT, CCA_CPG_SPACE);
  std::unordered_set<const SQCELL_item*> done;
  const auto reachOf = metalReach(direction);
  for (USCONT_A_item* s = UScont_active; s; s = s->next) {
    if ((direction == LEFT_RIGHT && s->step != 1) || (direction == TOP_BOTTOM && s->step != 2))
      continue;
    SQCELL_item *a = s->active, *m = s->metal;
    if (s->orientation == 1) {
      // Along the gate every metal tile over the contacts is held.
      const auto found = reachOf.find(a);
      encloseMetal(a, m, CMF_CCA_EXT - CAA_CCA_EXT, CMF_CCA_EXT - CAA_CCA_EXT, direction,
                   found != reachOf.end() ? found->second : kAnyReach);
      continue;
    }
    // Across it one metal tile is, whatever the others do.
    const std::pair<long, long> reach = kAnyReach;
    if (!done.insert(a).second)
      continue;  // the diffusion's room is kept once
    const int r = rowsOf(s);
    const int rows = r * CCA_MIN + (r - 1) * CCA_CCA_SPACE;
    SQCELL_item* g1 = cellOf(s->transistor1->Tgate);
    SQCELL_item* p1 = cellOf(s->transistor1->Pgate);
    if (!g1 || !p1 || !g1->left || !p1->left)
      continue;
    if (!s->transistor2) {
      if (a->left->loc < g1->left->loc) {
        setZero(g1->left, p1->left);
        SQaddarc(a->left, a->right, std::max(CAA_CPG_EXT, rows + CMF_CCA_EXT + v), kContactRank);
        encloseMetal(a, m, CMF_CCA_EXT - CAA_CCA_EXT, CMF_CCA_EXT - v, direction, reach);
      } else {
        setZero(p1->right, g1->right);
        SQaddarc(a->left, a->right, std::max(CAA_CPG_EXT, rows + CMF_CCA_EXT + v), kContactRank);
        encloseMetal(a, m, CMF_CCA_EXT - v, CMF_CCA_EXT - CAA_CCA_EXT, direction, reach);
      }
      continue;
    }
    SQCELL_item* g2 = cellOf(s->transistor2->Tgate);
    SQCELL_item* p2 = cellOf(s->transistor2->Pgate);
    // The diffusion lies after the first gate or before it.
    const bool afterFirst = a->left->loc >= g1->left->loc;
    SQCELL_item *before = afterFirst ? g1 : g2, *beforeP = afterFirst ? p1 : p2;
    SQCELL_item *after = afterFirst ? g2 : g1, *afterP = afterFirst ? p2 : p1;
    if (before && beforeP && before->right && beforeP->right)
      setZero(beforeP->right, before->right);
    if (after && afterP && after->left && afterP->left)
      setZero(after->left, afterP->left);
    SQaddarc(a->left, a->right, std::max(CAA_CPG_EXT, rows + 2 * v), kContactRank);
    encloseMetal(a, m, CMF_CCA_EXT - v, CMF_CCA_EXT - v, direction, reach);
  }
}

void removeContactArcs()
{
  std::vector<SQLINE_item*> lines;
  for (int i = 0; i < SQcell_size; ++i) {
    SQCELL_item& c = SQcell[i];
    if (!c.ontransistor || c.layernumber != ACTIVE_CONTACT_NUMBER)
      continue;
    for (SQLINE_item* l : {c.left, c.right})
      if (l)
        lines.push_back(l);
  }
  SQremovelinearcs(lines);
}

SQARC_item* arcBetween(SQLINE_item* from, SQLINE_item* to, int rank)
{
  for (SQARC_item* a = from->ori_next; a; a = a->ori_next)
    if (a->ter == to && a->rank == rank && a->occupied)
      return a;
  return nullptr;
}

// Step 5: a metal that touches another metal over a transistor which
// already encloses the same diffusion on that side needs no arc of its own.
void removeRedundantEnclosures()
{
  const int step = resize_direction == TOP_BOTTOM ? 2 : 1;
  for (USCONT_A_item* s = UScont_active; s; s = s->next) {
    if (s->orientation != 1 || s->step != step)
      continue;
    SQCELL_item *a = s->active, *m = s->metal;
    // Metals that touch M: a zero arc from their right line to M's left
    // line, or from M's right line to their left line.
    auto isTouchingMetal = [m](const SQCELL_item* x) {
      return x && x != m && onLayer(x, METAL_ONE_NUMBER) && x->ontransistor;
    };
    std::vector<SQCELL_item*> before, after;
    for (SQARC_item* z = m->left->ter_next; z; z = z->ter_next)
      if (z->occupied && z->weight == 0 && isTouchingMetal(z->ori->cell) && z->ori == z->ori->cell->right)
        before.push_back(z->ori->cell);
    for (SQARC_item* z = m->right->ori_next; z; z = z->ori_next)
      if (z->occupied && z->weight == 0 && isTouchingMetal(z->ter->cell) && z->ter == z->ter->cell->left)
        after.push_back(z->ter->cell);
    for (SQCELL_item* x : before)
      if (arcBetween(x->left, a->left, kContactRank)) {
        if (SQARC_item* r = arcBetween(m->left, a->left, kContactRank))
          SQremovearc(r);
        else
          common::outf("***USredundant_removal:  ERROR.  Can't find remove arc from metal %i(l) "
                       "to active %i(l)\n",
                       m->number, a->number);
      }
    for (SQCELL_item* x : after)
      if (arcBetween(a->right, x->right, kContactRank)) {
        if (SQARC_item* r = arcBetween(a->right, m->right, kContactRank))
          SQremovearc(r);
        else
          common::outf("***USredundant_removal:  ERROR.  Can't find remove arc from metal %i(r) "
                       "to active %i(r)\n",
                       m->number, a->number);
      }
  }
}

// Step 6: the contact cells leave the graph.
void dropContactCells()
{
  std::vector<char> drop(static_cast<size_t>(SQcell_size), 0);
  bool any = false;
  for (int i = 0; i < SQcell_size; ++i) {
    SQCELL_item& c = SQcell[i];
    if (!c.ontransistor || c.layernumber != ACTIVE_CONTACT_NUMBER)
      continue;
    const int l = c.left ? c.left->no_ori + c.left->no_ter : 0;
    const int r = c.right ? c.right->no_ori + c.right->no_ter : 0;
    if (l || r) {
      common::outf("ERROR USremovecontact: contact_cell still contain arcs (l%i r%i)\n", l, r);
      continue;
    }
    drop[static_cast<size_t>(i)] = 1;
    any = true;
  }
  if (!any)
    return;
  const SQCELL_item* base = SQcell;
  std::vector<SQCELL_item*> moved = SQremovecells(drop);
  auto follow = [&](SQCELL_item* c) -> SQCELL_item* {
    if (!c)
      return nullptr;
    const size_t i = static_cast<size_t>(c - base);
    return i < moved.size() ? moved[i] : c;
  };
  const int dir = resize_direction;
  for (USCONT_A_item* s = UScont_active; s; s = s->next) {
    if ((dir == LEFT_RIGHT && s->step != 1) || (dir == TOP_BOTTOM && s->step != 2))
      continue;
    s->active = follow(s->active);
    s->metal = follow(s->metal);
  }
}

}  // namespace

namespace updatesize {

void dropOverlapsWith(SQCELL_item* c, int layer)
{
  if (!c || !c->left || !c->right || layer < 0)
    return;
  auto other = [c, layer](const SQLINE_item* l) {
    return l->cell && l->cell != c && l->cell->layernumber == layer;
  };
  for (SQARC_item* a = c->left->ori_next; a;) {
    SQARC_item* next = a->ori_next;
    if (a->rank == 0 && a->occupied && a->weight > 0 && other(a->ter) && a->ter == a->ter->cell->right)
      SQremovearc(a);
    a = next;
  }
  for (SQARC_item* a = c->right->ter_next; a;) {
    SQARC_item* next = a->ter_next;
    if (a->rank == 0 && a->occupied && a->weight > 0 && other(a->ori) && a->ori == a->ori->cell->left)
      SQremovearc(a);
    a = next;
  }
}

}  // namespace updatesize

void USactivecontact(int direction)
{
  if (!DESIGN_CONSTRAINT_CALCULATED)
    UScalc_cont_constraint();
  if (ACTIVE_CONTACT_NUMBER < 0 || METAL_ONE_NUMBER < 0)
    return;
  findStacks(direction);
  for (int i = 0; i < SQcell_size; ++i) {
    SQCELL_item& c = SQcell[i];
    if (c.layernumber != ACTIVE_CONTACT_NUMBER || !c.mother_tile)
      continue;
    if (direction == LEFT_RIGHT) {
      if (c.ontransistor)
        takenContacts.insert(c.mother_tile);
    } else {
      c.ontransistor = takenContacts.count(c.mother_tile) ? 1 : 0;
    }
  }
  for (USCONT_A_item* s = UScont_active; s; s = s->next)
    if (s->step == (direction == LEFT_RIGHT ? 1 : 2))
      updatesize::dropOverlapsWith(s->active, METAL_ONE_NUMBER);
  addStackArcs(direction);
  removeContactArcs();
  removeRedundantEnclosures();
  dropContactCells();
}

namespace {

// Corners of a cell as the output has them (horizontal cells).
_box cornersOf(const _Dtile* tile)
{
  const auto* c = tile ? static_cast<const SQCELL_item*>(tile->resize_cell_LR()) : nullptr;
  return c ? c->corner : _box{0, 0, 0, 0};
}

/*
 * MetalCover --
 *   The metal-one cells as the squeeze left them, filed in buckets of a
 *   grid, to tell whether a box lies wholly under metal (the cells of one
 *   plane do not overlap: the area they cover of the box adds up).
 */
class MetalCover {
 public:
  MetalCover()
  {
    std::vector<long> extents;
    for (int i = 0; i < SQcell_size_LR; ++i) {
      const SQCELL_item& c = SQcell_LR[i];
      if (c.layernumber == METAL_ONE_NUMBER && c.corner.x2 > c.corner.x1 &&
          c.corner.y2 > c.corner.y1) {
        boxes_.push_back(c.corner);
        extents.push_back(std::max(c.corner.x2 - c.corner.x1, c.corner.y2 - c.corner.y1));
      }
    }
    if (boxes_.empty())
      return;
    std::nth_element(extents.begin(), extents.begin() + extents.size() / 2, extents.end());
    cell_ = std::max(2 * extents[extents.size() / 2], 1L);
    seen_.assign(boxes_.size(), 0);
    for (size_t k = 0; k < boxes_.size(); ++k) {
      const _box& b = boxes_[k];
      const long x1 = at(b.x1), x2 = at(b.x2 - 1), y1 = at(b.y1), y2 = at(b.y2 - 1);
      if ((x2 - x1 + 1) * (y2 - y1 + 1) > kMostBuckets) {
        big_.push_back(k);  // a long rail: looked at every time
        continue;
      }
      for (long bx = x1; bx <= x2; ++bx)
        for (long by = y1; by <= y2; ++by)
          buckets_[key(bx, by)].push_back(k);
    }
  }
  bool covers(const _box& want) const
  {
    ++stamp_;
    long long area = 0;
    auto add = [&](size_t k) {
      if (seen_[k] == stamp_)
        return;
      seen_[k] = stamp_;
      const _box& b = boxes_[k];
      const long w = std::min(b.x2, want.x2) - std::max(b.x1, want.x1);
      const long h = std::min(b.y2, want.y2) - std::max(b.y1, want.y1);
      if (w > 0 && h > 0)
        area += static_cast<long long>(w) * h;
    };
    for (size_t k : big_)
      add(k);
    for (long bx = at(want.x1); bx <= at(want.x2 - 1); ++bx)
      for (long by = at(want.y1); by <= at(want.y2 - 1); ++by) {
        auto it = buckets_.find(key(bx, by));
        if (it != buckets_.end())
          for (size_t k : it->second)
            add(k);
      }
    return area >= static_cast<long long>(want.x2 - want.x1) * (want.y2 - want.y1);
  }

 private:
  static constexpr long kMostBuckets = 64;
  long at(long v) const { return v >= 0 ? v / cell_ : -((-v + cell_ - 1) / cell_); }
  static long long key(long x, long y) { return (static_cast<long long>(x) << 32) ^ (y & 0xffffffffLL); }
  std::vector<_box> boxes_;
  std::vector<size_t> big_;
  long cell_ = 1;
  std::unordered_map<long long, std::vector<size_t>> buckets_;
  mutable std::vector<unsigned> seen_;
  mutable unsigned stamp_ = 0;
};

/*
 * Keepout --
 *   Boxes of the solved layout that a new cut must keep its distance from,
 *   corner to corner: the poly, and the cuts (kept ones and those written
 *   so far).  The rows that held the drawn cuts away from them left with
 *   the cuts, so a cut placed by the contact model alone can land too
 *   close to a poly wire or to the cuts of a neighbouring diffusion.
 */
class Keepout {
 public:
  explicit Keepout(long cell) : cell_(std::max(cell, 1L)) {}
  void add(const _box& b, int kind)
  {
    const size_t k = boxes_.size();
    boxes_.push_back({b, kind});
    const long x1 = at(b.x1), x2 = at(b.x2), y1 = at(b.y1), y2 = at(b.y2);
    if ((x2 - x1 + 1) * (y2 - y1 + 1) > kMostBuckets) {
      big_.push_back(k);
      return;
    }
    for (long bx = x1; bx <= x2; ++bx)
      for (long by = y1; by <= y2; ++by)
        buckets_[key(bx, by)].push_back(k);
  }
  // Whether a box of `kind` lies closer to `b` than `space` (overlapping
  // counts as closer).
  bool near(const _box& b, int kind, long space) const
  {
    auto close = [&](size_t k) {
      const auto& [o, ok] = boxes_[k];
      if (ok != kind)
        return false;
      const double dx = std::max<long>(0, std::max(o.x1 - b.x2, b.x1 - o.x2));
      const double dy = std::max<long>(0, std::max(o.y1 - b.y2, b.y1 - o.y2));
      return dx * dx + dy * dy < static_cast<double>(space) * space;
    };
    for (size_t k : big_)
      if (close(k))
        return true;
    for (long bx = at(b.x1 - space); bx <= at(b.x2 + space); ++bx)
      for (long by = at(b.y1 - space); by <= at(b.y2 + space); ++by) {
        auto it = buckets_.find(key(bx, by));
        if (it != buckets_.end())
          for (size_t k : it->second)
            if (close(k))
              return true;
      }
    return false;
  }

 private:
  static constexpr long kMostBuckets = 64;
  long at(long v) const { return v >= 0 ? v / cell_ : -((-v + cell_ - 1) / cell_); }
  static long long key(long x, long y) { return (static_cast<long long>(x) << 32) ^ (y & 0xffffffffLL); }
  long cell_;
  std::vector<std::pair<_box, int>> boxes_;
  std::vector<size_t> big_;
  std::unordered_map<long long, std::vector<size_t>> buckets_;
};

// CIF units as the squeeze writes its boxes (exact by the choice of B).
long long cifUnits(long long twice)
{
  const long long grid = std::llround(LAMBDA_T2 * 1e6);
  const long long denominator = 10000LL * (SCALE > 0 ? SCALE : 1);
  return twice * grid * squeeze::cifScaleB() / (2 * denominator);
}

}  // namespace

int USinsertcontact(FILE* out, FILE* comment)
{
  if (!out) {
    common::outf("\n Can't open file sq_out.cif for appending in USinsertcontact\n");
    return 1;
  }
  if (!comment) {
    common::outf("\n Can't open file sq_out.comment for appending in USinsertcontact\n");
    return 1;
  }
  if (!UScont_active)
    return 0;
  fprintf(out, "L %s;\n", ACTIVE_CONTACT_LAYER);
  fprintf(comment, "L %s;\n", ACTIVE_CONTACT_LAYER);
  const int v = std::max(CAA_CCA_EXT, CCA_CPG_SPACE);
  const int pitch = CCA_MIN + CCA_CCA_SPACE;
  std::unordered_set<const _Dtile*> done;
  std::vector<USCONT_A_item*> order;
  for (USCONT_A_item* s = UScont_active; s; s = s->next)
    order.push_back(s);
  const MetalCover metal;
  // The poly and the cuts that stay, as solved.
  Keepout keepout(4L * std::max({CCA_CPG_SPACE, CCA_CCA_SPACE, CCA_MIN, 1}));
  for (int i = 0; i < SQcell_size_LR; ++i) {
    const SQCELL_item& c = SQcell_LR[i];
    if ((c.layernumber == POLY_NUMBER || c.layernumber == ACTIVE_CONTACT_NUMBER) &&
        c.corner.x2 > c.corner.x1 && c.corner.y2 > c.corner.y1)
      keepout.add(c.corner, c.layernumber);
  }
  int tooClose = 0;
  for (USCONT_A_item* s : order) {
    const _box d = cornersOf(s->tile);
    const _box g = cornersOf(s->transistor1->Tgate);
    fprintf(comment,
            "    B %-6d %-6d %-6d %-6d; \t\t(%-6d %-6d %-6d %-6d) for following contacts;\n", 0, 0,
            0, 0, d.x1 + CCA_CPG_SPACE, d.y1 + CCA_CPG_SPACE, d.x2 - CCA_CPG_SPACE,
            d.y2 - CCA_CPG_SPACE);
    if (!done.insert(s->tile).second || CCA_MIN <= 0)
      continue;
    const int r = rowsOf(s);
    const bool acrossX = s->transistor1->orientation != 1;  // columns run in x
    const int extent = acrossX ? g.x2 - g.x1 : g.y2 - g.y1;
    int columns = (extent - 2 * CAA_CCA_EXT + CCA_CCA_SPACE) / pitch;
    if (columns < 1) {
      common::outf("USinsertcontact: width_number of tran %i cell %i is less than 1.  Set it to "
                   "1\n",
                   s->transistor1->number, s->active ? s->active->number : -1);
      columns = 1;
    }
    // Across the gate the rows start at the diffusion's outer edge.
    const int lowAcross = acrossX ? d.y1 : d.x1, lowGate = acrossX ? g.y1 : g.x1;
    const int rowStart =
        lowAcross + (lowAcross < lowGate && !s->transistor2 ? CAA_CCA_EXT : v);

    // Only what fits inside the diffusion as solved.
    const int colStart = (acrossX ? d.x1 : d.y1) + CAA_CCA_EXT;
    const int colEnd = (acrossX ? d.x2 : d.y2) - CAA_CCA_EXT;
    const int rowEnd = (acrossX ? d.y2 : d.x2) - CAA_CCA_EXT;
    const int fitColumns = std::min(columns, std::max(0, (colEnd - colStart + CCA_CCA_SPACE) / pitch));
    const int fitRows = std::min(r, std::max(0, (rowEnd - rowStart + CCA_CCA_SPACE) / pitch));
    if (fitColumns < columns || fitRows < r)
      common::outf("USinsertcontact: tran %i: %d of %d columns and %d of %d rows of contacts fit "
                   "in its diffusion\n",
                   s->transistor1->number, fitColumns, columns, fitRows, r);
    // A cut goes only where the metal covers it with its margin: metal that
    // could not follow the diffusion (the rest of its shape held it) covers
    // part of the places only.
    int written = 0;
    for (int i = 0; i < fitColumns; ++i)
      for (int j = 0; j < fitRows; ++j) {
        const int along = colStart + i * pitch, across = rowStart + j * pitch;
        const int x = acrossX ? along : across, y = acrossX ? across : along;
        if (!metal.covers(_box{x - CMF_CCA_EXT, y - CMF_CCA_EXT, x + CCA_MIN + CMF_CCA_EXT,
                               y + CCA_MIN + CMF_CCA_EXT}))
          continue;
        const _box cut{x, y, x + CCA_MIN, y + CCA_MIN};
        if (keepout.near(cut, POLY_NUMBER, CCA_CPG_SPACE) ||
            keepout.near(cut, ACTIVE_CONTACT_NUMBER, CCA_CCA_SPACE)) {
          ++tooClose;
          continue;
        }
        keepout.add(cut, ACTIVE_CONTACT_NUMBER);
        const int side = static_cast<int>(cifUnits(2LL * CCA_MIN));
        const int cx = static_cast<int>(cifUnits(2LL * x + CCA_MIN));
        const int cy = static_cast<int>(cifUnits(2LL * y + CCA_MIN));
        fprintf(out, "    B %d %d %d %d;\n", side, side, cx, cy);
        fprintf(comment, "    B %-6d %-6d %-6d %-6d;\n", side, side, cx, cy);
        ++written;
      }
    if (written == 0 && fitColumns > 0 && fitRows > 0)
      GCmessage(0, 'W', "Transistor %d: no contact fits under the metal of its %s; it is not "
                "connected there", s->transistor1->number,
                s->tile == s->transistor1->Tdrain ? "drain" : "source");
  }
  if (tooClose > 0)
    common::outf("USinsertcontact: %d contact places left empty: too close to poly or to "
                 "another contact\n", tooClose);
  return 0;
}

void USdeletecontactlist()
{
  takenContacts.clear();
  stacksOf.clear();
  keptAsDrawn.clear();
  while (UScont_active) {
    USCONT_A_item* next = UScont_active->next;
    delete UScont_active;
    UScont_active = next;
  }
  while (UScont_poly) {
    USCONT_P_item* next = UScont_poly->next;
    delete UScont_poly;
    UScont_poly = next;
  }
}
