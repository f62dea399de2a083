// Text-based detection: the pairs and blocks of a loaded symmetry-check file
// checked on the extracted transistors, and the block test that pairs the
// two sides of a block.
#include "DSsymmetry.h"

#include <algorithm>
#include <cstring>

#include "CS.h"
#include "DEextract.h"
#include "DSgates.h"
#include "Dcompact.h"
#include "Dglobal.h"

namespace {

constexpr long kPairLineMargin = 500;  // layout units beyond the gates

_Dtransistor* transistorNamed(const char* name)
{
  if (!name || !*name)
    return nullptr;
  _DListTran* found = FindTranPosinHash(name);
  return found ? found->tran : nullptr;
}

/* recordPair -- a found pair at the head of final_sym_list. */
void recordPair(int number, _Dtransistor* a, _Dtransistor* b, _Dtransistor* reference,
                int axis, long location)
{
  final_sym_list = new _sym_constraint_list{number, a, b, reference, axis, location,
                                            block_number, nullptr, final_sym_list};
}

void extentOf(const _listoftransistors* list, long* xmin, long* xmax, long* ymin, long* ymax)
{
  if (!list)
    return;
  *xmin = *ymin = kSymNotFound;
  *xmax = *ymax = -kSymNotFound;
  for (; list; list = list->next) {
    const _Dtile* g = list->Trans->Tgate;
    *xmin = std::min<long>(*xmin, cs::left(g));
    *xmax = std::max<long>(*xmax, cs::right(g));
    *ymin = std::min<long>(*ymin, cs::bottom(g));
    *ymax = std::max<long>(*ymax, cs::top(g));
  }
}

}  // namespace

/*
 * Getval --
 *   Key of a side entry: 1 gate left x, 2 gate right x, 3 gate bottom y,
 *   4 gate top y.
 */
long Getval(const _listoftransistors* entry, int key)
{
  const _Dtile* g = entry->Trans->Tgate;
  switch (key) {
    case 1: return cs::left(g);
    case 2: return cs::right(g);
    case 3: return cs::bottom(g);
    default: return cs::top(g);
  }
}

/*
 * SortListOfTrans --
 *   One exchange pass: the key k of each entry A is read once; A trades its
 *   transistor and mark with every entry B from the head whose key is
 *   smaller than k (flag 1) or larger (flag 0).
 */
void SortListOfTrans(_listoftransistors* list, int key, int flag)
{
  for (_listoftransistors* a = list; a; a = a->next) {
    const long k = Getval(a, key);
    for (_listoftransistors* b = list; b; b = b->next) {
      const long v = Getval(b, key);
      if ((flag == 1 && k > v) || (flag == 0 && k < v)) {
        std::swap(a->Trans, b->Trans);
        std::swap(a->deleted, b->deleted);
      }
    }
  }
}

/*
 * IsInXDirection --
 *   The extents of both sides' gates (X_MIN_1 .. Y_MAX_2).
 * Returns: 1 when the sides lie left and right of each other (their y
 *   ranges overlap), 0 when one is above the other.
 */
int IsInXDirection(_listoftransistors* list1, _listoftransistors* list2)
{
  extentOf(list1, &X_MIN_1, &X_MAX_1, &Y_MIN_1, &Y_MAX_1);
  extentOf(list2, &X_MIN_2, &X_MAX_2, &Y_MIN_2, &Y_MAX_2);
  if (Y_MIN_1 < Y_MAX_2 && Y_MIN_2 < Y_MAX_1)
    return 1;
  if (X_MIN_1 < X_MAX_2 && X_MIN_2 < X_MAX_1)
    return 0;
  common::outf("Hmm.. this is a nice case!\n");
  return 1;
}

/*
 * DirtyAlgo --
 *   The block test: every transistor of the first side, in sorted order,
 *   takes the first unmatched transistor of the second side that passes the
 *   pair test.  Each match goes to final_sym_list.
 * Returns: 1 with the axis in *axis when every one found a partner; else 0.
 *   block_number advances either way; on success both sides are freed.
 */
int DirtyAlgo(_listoftransistors* list1, _listoftransistors* list2, long* axis,
              _Dtransistor* reference)
{
  if (Sets) {
    Sets->head = nullptr;
    Sets->nbr_of_sets = 0;
  }
  x_axis = y_axis = kSymNotFound;
  if (!list1 && !list2) {
    common::outf("No transistor list received ...please try again.\n");
    return 0;
  }
  if (case_left_right) {
    SortListOfTrans(list1, 3, 1);
    SortListOfTrans(list1, 1, 1);
    SortListOfTrans(list2, 3, 1);
    SortListOfTrans(list2, 2, 0);
  } else {
    SortListOfTrans(list1, 1, 1);
    SortListOfTrans(list1, 3, 1);
    SortListOfTrans(list2, 1, 1);
    SortListOfTrans(list2, 4, 0);
  }
  int matches = 0;
  for (_listoftransistors* a = list1; a; a = a->next) {
    _listoftransistors* b = list2;
    while (b && (b->deleted || !CallSymDetectFunctions(a->Trans, b->Trans)))
      b = b->next;
    if (!b) {
      common::outf("Didnot find any transistor symmetric to %s\n", a->Trans->name);
      common::outf("The blocks are NOT symmetric!\n");
      ++block_number;
      return 0;
    }
    common::outf("Detected symmetry between %s(block1) and %s(block2)\n", b->Trans->name,
                 a->Trans->name);
    a->deleted = b->deleted = 1;
    const bool upDown = x_axis == kSymNotFound && y_axis != kSymNotFound;
    *axis = upDown ? y_axis : x_axis;
    recordPair(++matches, a->Trans, b->Trans, reference, upDown ? 1 : 0, *axis);
  }
  common::outf("The blocks are symmetric!\n");
  ++block_number;
  DSfreeSide(list1);
  DSfreeSide(list2);
  if (list1 == TransisList1)
    TransisList1 = nullptr;
  if (list2 == TransisList2)
    TransisList2 = nullptr;
  return 1;
}

namespace {

void clearSides()
{
  DSfreeSide(TransisList1);
  DSfreeSide(TransisList2);
  TransisList1 = TransisList2 = nullptr;
  case_left_right = case_up_down = 0;
}

/*
 * checkBlock --
 *   The transistor pairs of a block as two sides, tested by DirtyAlgo; the
 *   axis is drawn across the sides when they match.  A block naming a
 *   transistor the circuit lacks is reported and skipped.
 */
void checkBlock(_symlist* element)
{
  _Dtransistor* reference = nullptr;
  const char* missing = nullptr;
  while (_blocklist* entry = element->block) {
    element->block = entry->next;
    if (strchr(entry->name1, 'm') && !missing) {
      _Dtransistor* a = transistorNamed(entry->name1);
      _Dtransistor* b = transistorNamed(entry->name2);
      if (entry->name3[0] && !(reference = transistorNamed(entry->name3)))
        missing = entry->name3;
      if (!a || !b)
        missing = a ? entry->name2 : entry->name1;
      if (!missing) {
        TransisList1 = DSaddToSide(TransisList1, a);
        TransisList2 = DSaddToSide(TransisList2, b);
      } else {
        common::outf("Transistor %s in symcheck file doesnot exist: block skipped\n", missing);
      }
    }
    delete entry;
  }
  if (missing) {
    clearSides();
    return;
  }
  common::outf("Checking symmetry between blocks\n\n");
  case_left_right = IsInXDirection(TransisList1, TransisList2);
  case_up_down = !case_left_right;
  long axis = 0;
  if (DirtyAlgo(TransisList1, TransisList2, &axis, reference)) {
    if (case_left_right)
      DSdrawAxis(axis, Y_MIN_1, axis, Y_MAX_2);
    else
      DSdrawAxis(X_MIN_1, axis, X_MAX_1, axis);
  }
  clearSides();
}

/*
 * checkPair --
 *   A single transistor pair.
 * Returns: false when a name is missing: the whole detection ends.
 */
bool checkPair(const _symlist* element)
{
  _Dtransistor* a = transistorNamed(element->name1);
  _Dtransistor* b = transistorNamed(element->name2);
  if (!a || !b) {
    common::outf("Transistor in symcheck file doesnot exist\n");
    return false;
  }
  x_axis = y_axis = kSymNotFound;
  if (!CallSymDetectFunctions(a, b)) {
    common::outf("\nNO symmetry between %s and %s\n\n", element->name1, element->name2);
    return true;
  }
  if (x_axis == kSymNotFound && y_axis != kSymNotFound)
    DSdrawAxis(cs::right(a->Tgate) + kPairLineMargin, y_axis,
               cs::left(b->Tgate) - kPairLineMargin, y_axis);
  else
    DSdrawAxis(x_axis, cs::top(a->Tgate) + kPairLineMargin, x_axis,
               cs::bottom(b->Tgate) - kPairLineMargin);
  common::outf("Detected symmetry between %s and %s\n", element->name1, element->name2);
  return true;
}

}  // namespace

/*
 * CallSymmteryDetection --
 *   After a symmetry-check file was read: its resistor pairs, then every
 *   transistor block and pair of the parsed list in list order.  The parsed
 *   list is freed at the end.
 */
int CallSymmteryDetection()
{
  StoreSymmetricResistor();
  DSresetBlockExtents();
  x_axis = y_axis = kSymNotFound;
  clearSides();
  if (!Hash) {
    common::outf("\nPlease load the circuit and extract it!\n\n");
    return 1;
  }
  common::outf("\nText based symmetry detection.. \n");
  common::outf("--------------------------------\n\n");
  Bound_Box = 1;
  int blocks = 0;
  for (_symlist* element = SymStart; element; element = element->next) {
    init_staff();
    if (element->type == 1) {
      common::outf("********* count = %d\n", blocks++);
      checkBlock(element);
    } else if (strchr(element->name1, 'm') && !checkPair(element)) {
      break;
    }
  }
  DSfreeSymList();
  return 0;
}
