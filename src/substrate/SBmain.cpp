// The substrate run: its lists, the groups it starts from and the order of
// its steps.
#include "SBsubstrate.h"

#include "DHhierarchy.h"
#include "Dglobal.h"
#include "SBint.h"

SBbulk_item* SBbulk_list = nullptr;
SBtranbulk_item* SBtranbulk_list = nullptr;

namespace {

void freeBulkList()
{
  while (SBbulk_list) {
    SBbulk_item* next = SBbulk_list->next;
    delete SBbulk_list;
    SBbulk_list = next;
  }
}

void freeTranBulkList()
{
  while (SBtranbulk_list) {
    SBtranbulk_item* next = SBtranbulk_list->next;
    delete SBtranbulk_list;
    SBtranbulk_list = next;
  }
}

// The first and last finger of a group along its orientation: the first
// finger seen stays unless a later one lies strictly beyond it.
void findEndFingers(SBtranbulk_item* item)
{
  for (_Dtransistor* finger : item->mft->tranList) {
    const _Dtile* gate = finger->Tgate;
    if (!item->tran_min) {
      item->tran_min = item->tran_max = finger;
      continue;
    }
    const _Dtile* lowest = item->tran_min->Tgate;
    const _Dtile* highest = item->tran_max->Tgate;
    if (item->orien == 9) {
      if (cs::bottom(gate) < cs::bottom(lowest))
        item->tran_min = finger;
      if (cs::top(gate) > cs::top(highest))
        item->tran_max = finger;
    } else {
      if (cs::left(gate) < cs::left(lowest))
        item->tran_min = finger;
      if (cs::right(gate) > cs::right(highest))
        item->tran_max = finger;
    }
  }
}

}  // namespace

/*
 * SBmain --
 *   The action f.SBmain.
 * Side effects: writes "sb_report.out"; both lists are empty afterwards,
 *   also when the action is abandoned.
 */
int SBmain()
{
  common::outf("*** Entering the substrate detection and extraction ***\n");
  try {
    SBinit();
    SBsearch_bulk();
    SBrelate_tranbulk();
    SBmeasure();
    SBreport();
  } catch (...) {
    SBclear();
    throw;
  }
  SBclear();
  common::outf("*** Leaving the substrate detection and extraction ***\n");
  return 0;
}

/*
 * SBinit --
 *   Makes one item per group of MFTList, pushed at the head of
 *   SBtranbulk_list, with its orientation and end fingers; links, counts
 *   and sizes are zero and the types undefined.
 * Side effects: lists left over from an interrupted run are released after
 *   a warning.
 */
void SBinit()
{
  if (SBbulk_list) {
    common::outf("WARNING: substrate: SBbulk_list is not NULL.  Will reset it\n");
    freeBulkList();
  }
  if (SBtranbulk_list) {
    common::outf("WARNING: substrate: SBtranbulk_list is not NULL.  Will reset it\n");
    freeTranBulkList();
  }
  if (!MFTList)
    return;
  for (MultiFingerTran* group : *MFTList) {
    auto* item = new SBtranbulk_item{};
    item->next = SBtranbulk_list;
    SBtranbulk_list = item;
    item->mft = group;
    item->orien = 8;
    if (!group->tranList.isEmpty()) {
      const _Dtile* gate = group->tranList.first().retrieve()->Tgate;
      item->orien = cs::right(gate) - cs::left(gate) <= cs::top(gate) - cs::bottom(gate) ? 8 : 9;
    }
    findEndFingers(item);
    item->type_left = item->type_right = bulkUNDEFINED;
    item->type_top = item->type_bottom = bulkUNDEFINED;
  }
}

/*
 * SBclear --
 *   Releases both lists; their heads are null afterwards.
 */
void SBclear()
{
  freeBulkList();
  freeTranBulkList();
}
