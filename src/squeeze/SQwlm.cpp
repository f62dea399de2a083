// Wire-length minimisation: from the leftmost positions, groups of lines
// that gain by moving right move until an arc out of the group is tight,
// then join the group at its end, until no group gains any more.
#include <algorithm>
#include <deque>
#include <vector>

#include "Dglobal.h"
#include "SQint.h"
#include "SQsqueeze.h"

struct SQWLM_LINE_LIST_item {
  SQLINE_item* line;
  SQWLM_LINE_LIST_item* next;
};

struct SQWLM_GROUP_item;

struct SQWLM_UNIT_LIST_item {
  SQWLM_UNIT_item* unit;
  SQWLM_UNIT_LIST_item* next;
};

struct SQWLM_UNIT_item {
  int weight;
  int orig_weight;
  long accum_weight;
  int merge;
  SQWLM_LINE_LIST_item* line_list;
  SQWLM_LINE_LIST_item* right_most;
  SQWLM_LINE_LIST_item* left_most;
  SQWLM_GROUP_item* group;
  SQWLM_UNIT_item* stack;
  SQWLM_UNIT_item* next;
  SQWLM_UNIT_item* prev;
  int lines;      // length of line_list
  bool stacked;   // on the work stack
};

struct SQWLM_GROUP_item {
  long weight;
  int valid;
  SQWLM_UNIT_LIST_item* root;
  SQWLM_UNIT_LIST_item* unit_list;
};

namespace {

// Arc types.
constexpr int16_t kFree = 91, kEquality = 92, kSymmetry = 93, kUntyped = 94;
constexpr int16_t kOwnWidth = 11, kOwnReverse = 31;
constexpr int16_t kSameLayerWidth = 14, kSameLayerSide = 84;
constexpr int16_t kOtherLayerWidth = 13, kOtherLayerSide = 12, kSpacing = 81;
// Gains of moving a line right, per arc.
constexpr int kCellGain = 10;
constexpr int kWireGain = 1;
constexpr long kBlockWeight = 99;
constexpr int kIterationsPerCell = 20;

// Everything of one run; freed at its end (SQwlm_clear).
struct WlmState {
  std::deque<SQWLM_LINE_LIST_item> lineItems;
  std::deque<SQWLM_UNIT_LIST_item> unitItems;
  std::deque<SQWLM_UNIT_item> units;
  SQWLM_UNIT_item* SQwlm_unit = nullptr;       // head of the unit list
  SQWLM_UNIT_item* SQwlm_unit_tos = nullptr;   // top of the stack
  SQWLM_GROUP_item SQwlm_block_group{};
  std::vector<SQWLM_GROUP_item> SQwlm_nonblock_group;
  std::vector<int> freeSlots;
  int SQwlm_nonblock_group_count = 0;
};

WlmState* st = nullptr;

bool sameSide(const SQLINE_item* a, const SQLINE_item* b)
{
  return (a == a->cell->left) == (b == b->cell->left);
}
bool isLeft(const SQLINE_item* l) { return l == l->cell->left; }

int16_t typeOf(const SQARC_item* a)
{
  if (!a->occupied)
    return kFree;
  if (a->sym)
    return kSymmetry;  // a symmetry row relates four lines: no wire of its own
  if (!a->ori || !a->ter)
    return kUntyped;
  for (const SQARC_item* b = a->ter->ori_next; b; b = b->ori_next)
    if (b->ter == a->ori && b->weight == -a->weight)
      return kEquality;
  const SQLINE_item *o = a->ori, *t = a->ter;
  const int w = a->weight;
  if (o->cell == t->cell) {
    if (isLeft(o) && !isLeft(t) && w >= 0)
      return kOwnWidth;
    if (!isLeft(o) && isLeft(t) && w < 0)
      return kOwnReverse;
    return kUntyped;
  }
  const bool sameLayer = o->cell->layernumber == t->cell->layernumber;
  if (sameLayer && isLeft(o) && !isLeft(t) && w >= 0)
    return kSameLayerWidth;
  if (sameLayer && sameSide(o, t) && w >= 0)
    return kSameLayerSide;
  if (!sameLayer && isLeft(o) && !isLeft(t) && w >= 0)
    return kOtherLayerWidth;
  if (!sameLayer && sameSide(o, t))
    return kOtherLayerSide;
  if (!isLeft(o) && isLeft(t) && w >= 0)
    return kSpacing;
  return kUntyped;
}

}  // namespace

void SQwlm_init_arc(SQARC_item* arcs)
{
  for (SQARC_item* a = arcs; a; a = a->list_next) {
    a->wlm_type = typeOf(a);
    if (a->wlm_type != kUntyped)
      continue;
    common::outf("***********\n");
    common::outf("ERROR\n");
    common::outf("arc %i from line %i to line %i weight %i has no type\n", a->rank,
                 a->ori ? a->ori->number : 0, a->ter ? a->ter->number : 0, a->weight);
    common::outf("***********\n");
  }
}

namespace {

SQWLM_UNIT_item* newUnit(SQLINE_item* line)
{
  st->lineItems.push_back(SQWLM_LINE_LIST_item{line, nullptr});
  st->units.emplace_back();
  SQWLM_UNIT_item* u = &st->units.back();
  *u = SQWLM_UNIT_item{};
  u->line_list = &st->lineItems.back();
  u->lines = 1;
  line->wlm_unit = u;
  return u;
}

void unlinkUnit(SQWLM_UNIT_item* u)
{
  (u->prev ? u->prev->next : st->SQwlm_unit) = u->next;
  if (u->next)
    u->next->prev = u->prev;
  u->next = u->prev = nullptr;
}

/* pullEqualities -- the lone lines tied to `line` by equalities join `u`. */
void pullEqualities(SQWLM_UNIT_item* u, SQLINE_item* line)
{
  std::vector<SQLINE_item*> work{line};
  while (!work.empty()) {
    SQLINE_item* l = work.back();
    work.pop_back();
    for (SQARC_item* a = l->ori_next; a; a = a->ori_next) {
      if (a->wlm_type != kEquality)
        continue;
      SQWLM_UNIT_item* v = a->ter->wlm_unit;
      if (v == u || v->lines != 1)
        continue;
      SQWLM_LINE_LIST_item* item = v->line_list;
      item->next = u->line_list;
      u->line_list = item;
      ++u->lines;
      a->ter->wlm_unit = u;
      v->line_list = nullptr;
      v->lines = 0;
      unlinkUnit(v);
      work.push_back(a->ter);
    }
  }
}

}  // namespace

void SQwlm_init_unit(SQCELL_item* cells, int ncell)
{
  SQWLM_UNIT_item* tail = nullptr;
  for (int i = 0; i < ncell; ++i)
    for (SQLINE_item* l : {cells[i].left, cells[i].right}) {
      if (!l)
        continue;
      l->wlm_loc = l->min_loc;
      SQWLM_UNIT_item* u = newUnit(l);
      u->prev = tail;
      (tail ? tail->next : st->SQwlm_unit) = u;
      tail = u;
    }
  for (SQWLM_UNIT_item* u = st->SQwlm_unit; u; u = u->next)
    if (u->line_list && (u->line_list->line->wlm_unit == u || u->lines == 1))
      pullEqualities(u, u->line_list->line);
}

void SQwlm_init_unitweight()
{
  for (SQWLM_UNIT_item* u = st->SQwlm_unit; u; u = u->next) {
    int w = 0;
    for (SQWLM_LINE_LIST_item* it = u->line_list; it; it = it->next) {
      for (const SQARC_item* a = it->line->ori_next; a; a = a->ori_next) {
        if (a->wlm_type == kOwnWidth)
          w -= kCellGain;
        else if (a->wlm_type == kOtherLayerSide || a->wlm_type == kOtherLayerWidth ||
                 a->wlm_type == kSameLayerWidth)
          w -= kWireGain;
        else if (a->wlm_type == kOwnReverse)
          w += kCellGain;
      }
      for (const SQARC_item* a = it->line->ter_next; a; a = a->ter_next) {
        if (a->wlm_type == kOwnWidth)
          w += kCellGain;
        else if (a->wlm_type == kOtherLayerSide || a->wlm_type == kOtherLayerWidth ||
                 a->wlm_type == kSameLayerWidth)
          w += kWireGain;
        else if (a->wlm_type == kOwnReverse)
          w -= kCellGain;
      }
      if (!u->right_most || it->line->wlm_loc >= u->right_most->line->wlm_loc)
        u->right_most = it;
      if (!u->left_most || it->line->wlm_loc <= u->left_most->line->wlm_loc)
        u->left_most = it;
    }
    u->weight = u->orig_weight = w;
    u->accum_weight = w;
  }
}

namespace {

int rightOf(const SQWLM_UNIT_item* u) { return u->right_most->line->wlm_loc; }

}  // namespace

void SQwlm_push_unit_list(SQWLM_UNIT_item* u)
{
  if (u->stacked)
    return;
  u->stacked = true;
  SQWLM_UNIT_item** p = &st->SQwlm_unit_tos;
  while (*p && rightOf(*p) <= rightOf(u))
    p = &(*p)->stack;
  u->stack = *p;
  *p = u;
}

int SQwlm_init_stack()
{
  std::vector<SQWLM_UNIT_item*> order;
  for (SQWLM_UNIT_item* u = st->SQwlm_unit; u; u = u->next)
    order.push_back(u);
  if (order.size() < 2) {
    common::outf("ERROR: wlm_unit count is only %i (less than 2) -> sort is not possible\n",
                 static_cast<int>(order.size()));
    squeeze::stop(1);
  }
  std::stable_sort(order.begin(), order.end(), [](const SQWLM_UNIT_item* a,
                                                  const SQWLM_UNIT_item* b) {
    return rightOf(a) < rightOf(b);
  });
  st->SQwlm_unit = order.front();
  for (size_t i = 0; i < order.size(); ++i) {
    order[i]->prev = i ? order[i - 1] : nullptr;
    order[i]->next = i + 1 < order.size() ? order[i + 1] : nullptr;
    order[i]->stack = order[i]->next;
    order[i]->stacked = true;
  }
  st->SQwlm_unit_tos = order.front();
  return 0;
}

namespace {

SQWLM_UNIT_LIST_item* unitItem(SQWLM_UNIT_item* u, SQWLM_UNIT_LIST_item* next)
{
  st->unitItems.push_back(SQWLM_UNIT_LIST_item{u, next});
  return &st->unitItems.back();
}

bool movable(const SQWLM_GROUP_item* g) { return g != &st->SQwlm_block_group; }

/* intoBlock -- `u` joins the group of units that cannot move. */
void intoBlock(SQWLM_UNIT_item* u)
{
  SQWLM_GROUP_item& b = st->SQwlm_block_group;
  b.unit_list = unitItem(u, b.unit_list);
  u->group = &b;
  if (!b.root || u->left_most->line->wlm_loc < b.root->unit->left_most->line->wlm_loc)
    b.root = b.unit_list;
}

/* ownGroup -- a movable group of its own for `u`, in the first free slot. */
void ownGroup(SQWLM_UNIT_item* u)
{
  int slot;
  if (!st->freeSlots.empty()) {
    slot = st->freeSlots.back();
    st->freeSlots.pop_back();
  } else {
    slot = st->SQwlm_nonblock_group_count++;
  }
  SQWLM_GROUP_item& g = st->SQwlm_nonblock_group[slot];
  g.unit_list = g.root = unitItem(u, nullptr);
  g.weight = u->weight;
  g.valid = 1;
  u->group = &g;
}

void emptyGroup(SQWLM_GROUP_item* g)
{
  g->weight = 0;
  g->valid = 0;
  g->root = g->unit_list = nullptr;
  st->freeSlots.push_back(static_cast<int>(g - st->SQwlm_nonblock_group.data()));
}

}  // namespace

void SQwlm_init_group()
{
  size_t units = 0;
  for (SQWLM_UNIT_item* u = st->SQwlm_unit; u; u = u->next)
    ++units;
  st->SQwlm_nonblock_group.assign(units, SQWLM_GROUP_item{});
  st->SQwlm_block_group = SQWLM_GROUP_item{kBlockWeight, 1, nullptr, nullptr};
  for (SQWLM_UNIT_item* u = st->SQwlm_unit; u; u = u->next) {
    const SQLINE_item* r = u->right_most->line;
    if (r->min_loc == r->max_loc)
      intoBlock(u);
    else
      ownGroup(u);
  }
}

/*
 * SQwlm_bestarc --
 *   The arc out of group `g` into another group with the least slack.
 * Returns: the arc, or null after a message when there is none.
 */
SQARC_item* SQwlm_bestarc(SQWLM_GROUP_item* g, long* slack)
{
  SQARC_item* best = nullptr;
  long least = 0;
  for (SQWLM_UNIT_LIST_item* ui = g->unit_list; ui; ui = ui->next)
    for (SQWLM_LINE_LIST_item* li = ui->unit->line_list; li; li = li->next)
      for (SQARC_item* a = li->line->ori_next; a; a = a->ori_next) {
        if (a->ter->wlm_unit->group == g || a->wlm_type == kFree ||
            a->wlm_type == kEquality || a->wlm_type == kUntyped)
          continue;
        const long s = static_cast<long>(a->ter->wlm_loc) - a->ori->wlm_loc - a->weight;
        if (!best || s < least ||
            (s == least && movable(best->ter->wlm_unit->group))) {
          best = a;
          least = s;
        }
      }
  if (!best) {
    common::outf("ERROR SQWLM: why can't we find best arc from group with line");
    for (SQWLM_UNIT_LIST_item* ui = g->unit_list; ui; ui = ui->next)
      for (SQWLM_LINE_LIST_item* li = ui->unit->line_list; li; li = li->next)
        common::outf(" %i", li->line->number);
    common::outf("\n");
  }
  *slack = least;
  return best;
}

namespace {

/* merge -- every unit of g joins the movable group of t. */
void merge(SQWLM_GROUP_item* g, SQWLM_UNIT_item* o, SQWLM_UNIT_item* t)
{
  SQWLM_GROUP_item* tg = t->group;
  t->accum_weight += o->accum_weight;
  for (SQWLM_UNIT_LIST_item* ui = g->unit_list; ui;) {
    SQWLM_UNIT_LIST_item* next = ui->next;
    ui->next = tg->unit_list;
    tg->unit_list = ui;
    ui->unit->group = tg;
    tg->weight += ui->unit->weight;
    ui = next;
  }
  emptyGroup(g);
  SQwlm_push_unit_list(tg->root->unit);
}

/*
 * shear -- g ran into the block group through o: o and every unit of g that
 * presses on a marked unit through a tight arc cannot move any more; the
 * other units start groups of their own.
 */
void shear(SQWLM_GROUP_item* g, SQWLM_UNIT_item* o)
{
  for (SQWLM_UNIT_LIST_item* ui = g->unit_list; ui; ui = ui->next)
    ui->unit->merge = 0;
  std::vector<SQWLM_UNIT_item*> work{o};
  o->merge = 1;
  while (!work.empty()) {
    SQWLM_UNIT_item* m = work.back();
    work.pop_back();
    for (SQWLM_LINE_LIST_item* li = m->line_list; li; li = li->next)
      for (SQARC_item* a = li->line->ter_next; a; a = a->ter_next) {
        SQWLM_UNIT_item* v = a->ori->wlm_unit;
        if (v->merge || v->group != g || a->ter->wlm_loc - a->ori->wlm_loc != a->weight)
          continue;
        v->merge = 1;
        work.push_back(v);
      }
  }
  SQWLM_UNIT_LIST_item* list = g->unit_list;
  emptyGroup(g);
  for (SQWLM_UNIT_LIST_item* ui = list; ui; ui = ui->next) {
    SQWLM_UNIT_item* u = ui->unit;
    if (u->merge) {
      intoBlock(u);
      continue;
    }
    ownGroup(u);
    SQwlm_push_unit_list(u);
  }
}

/* holds -- every arc holds at wlm_loc and every line lies in its range. */
bool holds(SQCELL_item* cells, int ncell, SQARC_item* arcs)
{
  for (int i = 0; i < ncell; ++i)
    for (const SQLINE_item* l : {cells[i].left, cells[i].right})
      if (l && (l->wlm_loc < l->min_loc || l->wlm_loc > l->max_loc))
        return false;
  for (const SQARC_item* a = arcs; a; a = a->list_next)
    if (a->occupied && !a->sym && a->ori && a->ter &&
        static_cast<long>(a->ter->wlm_loc) < static_cast<long>(a->ori->wlm_loc) + a->weight)
      return false;
  return true;
}

}  // namespace

void SQwlm_clear()
{
  delete st;
  st = nullptr;
}

int SQwirelengthminimization(SQCELL_item* cells, SQARC_item* arcs, int ncell, int /*narc*/)
{
  SQwlm_clear();
  st = new WlmState();
  struct Clear {
    ~Clear() { SQwlm_clear(); }
  } clear;
  SQwlm_init_arc(arcs);
  SQwlm_init_unit(cells, ncell);
  SQwlm_init_unitweight();
  SQwlm_init_stack();
  SQwlm_init_group();

  int mode = 4;
  long count = 0;
  const long limit = static_cast<long>(kIterationsPerCell) * ncell;
  for (;; ++count) {
    if (!st->SQwlm_unit_tos)
      break;
    if (count > limit) {
      common::outf("******************\n");
      common::outf("Wirelength Minimization doesn't return from recursive call after %i times\n",
                   static_cast<int>(count));
      common::outf("Will use the no_wlm (left) instead for %i direction\n", resize_direction);
      common::outf("******************\n");
      mode = 1;
      break;
    }
    SQWLM_UNIT_item* u = st->SQwlm_unit_tos;
    st->SQwlm_unit_tos = u->stack;
    u->stack = nullptr;
    u->stacked = false;
    SQWLM_GROUP_item* g = u->group;
    if (!(g->weight < 0 && movable(g)))
      continue;
    long slack = 0;
    SQARC_item* best = SQwlm_bestarc(g, &slack);
    if (!best)
      continue;  // nothing bounds it: it stays
    for (SQWLM_UNIT_LIST_item* ui = g->unit_list; ui; ui = ui->next)
      for (SQWLM_LINE_LIST_item* li = ui->unit->line_list; li; li = li->next)
        li->line->wlm_loc += static_cast<int>(slack);
    SQWLM_UNIT_item* o = best->ori->wlm_unit;
    SQWLM_UNIT_item* t = best->ter->wlm_unit;
    if (movable(t->group))
      merge(g, o, t);
    else
      shear(g, o);
  }
  if (mode == 4 && !holds(cells, ncell, arcs)) {
    // An equality between two units or an untyped arc is not watched by the
    // moves: a result that breaks one is not used.
    common::outf("SQwirelength: WLM result breaks a constraint, the leftmost positions are "
                 "used for %i direction\n",
                 resize_direction);
    mode = 1;
  }
  if (mode == 4)
    common::outf("SQwirelength: WLM is done successfully in %i iterations.\n",
                 static_cast<int>(count));
  return mode;
}
