// The axis lists of direct detection, the state of a detection run, the
// side lists of a block and the dashed axis lines on the main view.
#include "DSsymmetry.h"

#include <unordered_map>

#include "Dview.h"

long x_axis = kSymNotFound;
long y_axis = kSymNotFound;
long THE_SYM_AXIS = 0;
int IS_sym = 0;
int case_left_right = 0;
int case_up_down = 0;
long X_MIN_1 = -kSymNotFound, X_MAX_1 = kSymNotFound, Y_MIN_1 = -kSymNotFound,
     Y_MAX_1 = kSymNotFound;
long X_MIN_2 = -kSymNotFound, X_MAX_2 = kSymNotFound, Y_MIN_2 = -kSymNotFound,
     Y_MAX_2 = kSymNotFound;
int Bound_Box = 0;
_listoftransistors* TransisList1 = nullptr;
_listoftransistors* TransisList2 = nullptr;

namespace {

constexpr int kAxisColour = 20;

void freeItems(SYM_EDGE_ITEM* item)
{
  while (item) {
    SYM_EDGE_ITEM* next = item->next;
    delete item;
    item = next;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// The matches of one axis.
// ---------------------------------------------------------------------------
SYM_LIST::~SYM_LIST() { freeItems(head); }

void SYM_LIST::insert(SYM_EDGE_ITEM* item)
{
  item->next = head;
  head = item;
  if (!tail)
    tail = item;
}

void SYM_LIST::add(SYM_LIST* other)
{
  if (!other->head)
    return;
  if (tail)
    tail->next = other->head;
  else
    head = other->head;
  tail = other->tail;
  other->head = other->tail = nullptr;
}

void SYM_LIST::append(SYM_LIST* other)
{
  axis = other->axis;
  orien = other->orien;
  add(other);
}

// ---------------------------------------------------------------------------
// The distinct axes.  Axes are looked up by value through an index, so a
// layout with many pairs on one axis merges in constant time per match.
// ---------------------------------------------------------------------------
struct SYM_AXIS_LIST::Index {
  std::unordered_map<long, SYM_AXIS*> byAxis;
};

SYM_AXIS_LIST::~SYM_AXIS_LIST()
{
  for (SYM_AXIS* a = head; a;) {
    SYM_AXIS* next = a->next;
    delete a->one_axis;
    delete a;
    a = next;
  }
  delete index_;
}

SYM_AXIS* SYM_AXIS_LIST::find(long axis) const
{
  if (!index_)
    return nullptr;
  auto it = index_->byAxis.find(axis);
  return it == index_->byAxis.end() ? nullptr : it->second;
}

void SYM_AXIS_LIST::merge(SYM_LIST* list)
{
  if (SYM_AXIS* same = find(list->axis)) {
    same->one_axis->append(list);
    ++same->one_axis->times;
    delete list;
    return;
  }
  if (!index_)
    index_ = new Index();
  head = new SYM_AXIS{0, list, head};
  index_->byAxis[list->axis] = head;
  ++nbr_axes;
}

void SYM_AXIS_LIST::merge_all(SYM_AXIS_LIST* other)
{
  // Taken in the other list's order; the other list keeps no axis.
  for (SYM_AXIS* a = other->head; a;) {
    SYM_AXIS* next = a->next;
    merge(a->one_axis);
    delete a;
    a = next;
  }
  other->head = nullptr;
  other->nbr_axes = 0;
  if (other->index_)
    other->index_->byAxis.clear();
}

void SYM_AXIS_LIST::dropSingles()
{
  SYM_AXIS** link = &head;
  while (*link) {
    SYM_AXIS* a = *link;
    if (a->one_axis->times != 1) {
      link = &a->next;
      continue;
    }
    *link = a->next;
    if (index_)
      index_->byAxis.erase(a->one_axis->axis);
    delete a->one_axis;
    delete a;
    --nbr_axes;
  }
}

void SYM_AXIS_LIST::clean()
{
  if (nbr_axes >= 2)
    dropSingles();
}

void SYM_AXIS_LIST::cleanforjustsym()
{
  if (nbr_axes >= 1)
    dropSingles();
}

// ---------------------------------------------------------------------------
// Block sides and extents.
// ---------------------------------------------------------------------------
_listoftransistors* DSaddToSide(_listoftransistors* list, _Dtransistor* t)
{
  return new _listoftransistors{t, list, 0};
}

void DSfreeSide(_listoftransistors* list)
{
  while (list) {
    _listoftransistors* next = list->next;
    delete list;
    list = next;
  }
}

void DSresetBlockExtents()
{
  X_MIN_1 = Y_MIN_1 = X_MIN_2 = Y_MIN_2 = -kSymNotFound;
  X_MAX_1 = Y_MAX_1 = X_MAX_2 = Y_MAX_2 = kSymNotFound;
}

/*
 * DSdrawAxis --
 *   A dashed line of width 0 in colour 20 from (x1, y1) to (x2, y2) on the
 *   main view, when there is one.
 */
void DSdrawAxis(long x1, long y1, long x2, long y2)
{
  if (!Vmain || !Vmain->surface)
    return;
  GGsetColor(Vmain, kAxisColour);
  GGsetLineWidth(Vmain, 0);
  Vmain->surface->setDashed(true);
  GGline(Vmain, x1, y1, x2, y2);
  Vmain->surface->setDashed(false);
  Vmain->surface->flush();
}
