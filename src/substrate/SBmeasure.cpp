// Measuring the groups against their strips, and the report
// "sb_report.out".
#include "SBsubstrate.h"

#include <algorithm>
#include <cstdio>

#include "DHhierarchy.h"
#include "Dglobal.h"
#include "SBint.h"

namespace {

constexpr char kReportFile[] = "sb_report.out";

using substrate::bottomOf;
using substrate::leftOf;
using substrate::microns;
using substrate::rightOf;
using substrate::topOf;

// The extent of a finger's source and drain tiles; the gate's when it has
// neither.
struct Extent {
  long left, bottom, right, top;
};

Extent diffusion(const _Dtransistor* t)
{
  const _Dtile* tiles[2] = {t->Tsource, t->Tdrain};
  bool any = false;
  Extent e{};
  for (const _Dtile* d : tiles) {
    if (!d)
      continue;
    Extent x{leftOf(d), bottomOf(d), rightOf(d), topOf(d)};
    e = any ? Extent{std::min(e.left, x.left), std::min(e.bottom, x.bottom),
                     std::max(e.right, x.right), std::max(e.top, x.top)}
            : x;
    any = true;
  }
  if (!any)
    e = {leftOf(t->Tgate), bottomOf(t->Tgate), rightOf(t->Tgate), topOf(t->Tgate)};
  return e;
}

// Counts a region of net `net` once: the first of the two tiles that is
// unflagged and on that net is flagged and counted.
void countRegion(_Dtile* first, _Dtile* second, long net, int* count)
{
  for (_Dtile* t : {first, second}) {
    if (!t || t->substrate_flag() || t->node != net)
      continue;
    t->set_substrate_flag(1);
    ++*count;
    return;
  }
}

void clearFlags(const MultiFingerTran* group)
{
  for (const _Dtransistor* finger : group->tranList)
    for (_Dtile* t : {finger->Tsource, finger->Tdrain})
      if (t)
        t->set_substrate_flag(0);
}

// Nf, Ns and Nd: diffusion shared by two fingers counts once.
void countRegions(SBtranbulk_item* item)
{
  const MultiFingerTran* group = item->mft;
  item->Nf = group->tranCount;
  clearFlags(group);
  for (const _Dtransistor* finger : group->tranList) {
    countRegion(finger->Tdrain, finger->Tsource, group->drain, &item->Nd);
    countRegion(finger->Tsource, finger->Tdrain, group->source, &item->Ns);
  }
  clearFlags(group);
}

// Wf, Lf from the first finger, Lds over all fingers.
void measureFingers(SBtranbulk_item* item)
{
  const bool stacked = item->orien == 9;
  const _Dtile* gate = item->mft->tranList.first().retrieve()->Tgate;
  long width = rightOf(gate) - leftOf(gate), height = topOf(gate) - bottomOf(gate);
  item->Wf = microns(stacked ? width : height);
  item->Lf = microns(stacked ? height : width);
  long longest = 0;
  for (const _Dtransistor* finger : item->mft->tranList)
    for (const _Dtile* t : {finger->Tsource, finger->Tdrain})
      if (t)
        longest = std::max(longest, stacked ? topOf(t) - bottomOf(t) : rightOf(t) - leftOf(t));
  item->Lds = microns(longest);
}

void measureDistances(SBtranbulk_item* item)
{
  const Extent low = diffusion(item->tran_min), high = diffusion(item->tran_max);
  const _Dtile* gate = item->tran_min->Tgate;
  const bool stacked = item->orien == 9;
  if (const SBbulk_item* b = item->bulk_left)
    item->dis_left = microns((stacked ? leftOf(gate) : low.left) - rightOf(b->tile));
  if (const SBbulk_item* b = item->bulk_right)
    item->dis_right = microns(leftOf(b->tile) - (stacked ? rightOf(gate) : high.right));
  if (const SBbulk_item* b = item->bulk_bottom)
    item->dis_bottom = microns((stacked ? low.bottom : bottomOf(gate)) - topOf(b->tile));
  if (const SBbulk_item* b = item->bulk_top)
    item->dis_top = microns(bottomOf(b->tile) - (stacked ? high.top : topOf(gate)));
}

// The type of the strip on one side (`upright`: the left or right side).
// A strip should run along the side it faces, taller than wide on the left
// or right, wider than tall below or above; otherwise the warning.  It is
// parallel to the fingers when it runs along a side the fingers run along:
// left and right for tall gates (orien 8), bottom and top for wide ones.
SBTYPE sideType(const SBbulk_item* b, int orien, bool upright, const char* name)
{
  bool alongSide = upright ? b->dy > b->dx : b->dx > b->dy;
  if (!alongSide)
    common::outf("SBmeasure: Warning - Possible %s bulk detection error\n", name);
  bool fingersAlongSide = (orien == 8) == upright;
  return alongSide == fingersAlongSide ? bulkPARALLEL : bulkPERPENDICULAR;
}

void measureTypes(SBtranbulk_item* item)
{
  if (item->bulk_left)
    item->type_left = sideType(item->bulk_left, item->orien, true, "left");
  if (item->bulk_right)
    item->type_right = sideType(item->bulk_right, item->orien, true, "right");
  if (item->bulk_bottom)
    item->type_bottom = sideType(item->bulk_bottom, item->orien, false, "bottom");
  if (item->bulk_top)
    item->type_top = sideType(item->bulk_top, item->orien, false, "top");
}

// The four lines of one side, when a strip is related to it.
void writeSide(FILE* out, const char* side, const SBbulk_item* b, double distance, SBTYPE type)
{
  if (!b)
    return;
  fprintf(out, "\t%s_bulk_distance: %6.4f um\n", side, distance);
  if (type != bulkUNDEFINED)
    fprintf(out, "\t%s_bulk_type: %s\n", side,
            type == bulkPARALLEL ? "PARALLEL" : "PERPENDICULAR");
  bool dxWidth = b->dx <= b->dy;
  fprintf(out, "\t%s_bulk_width: %6.4f um\n", side, dxWidth ? b->dx : b->dy);
  fprintf(out, "\t%s_bulk_length: %6.4f um\n", side, dxWidth ? b->dy : b->dx);
}

void writeGroup(FILE* out, const SBtranbulk_item* item)
{
  fprintf(out, "\n");
  fprintf(out, "Transistor %d\n", item->mft->id);
  fprintf(out, "\tNumber_of_fingers: %d\n", item->Nf);
  fprintf(out, "\tNumber_of_sources: %d\n", item->Ns);
  fprintf(out, "\tNumber_of_drains: %d\n", item->Nd);
  fprintf(out, "\tFinger_width: %6.4f um\n", item->Wf);
  fprintf(out, "\tFinger_length: %6.4f um\n", item->Lf);
  fprintf(out, "\tSource/drain_length: %6.4f um\n", item->Lds);
  writeSide(out, "Left", item->bulk_left, item->dis_left, item->type_left);
  writeSide(out, "Right", item->bulk_right, item->dis_right, item->type_right);
  writeSide(out, "Top", item->bulk_top, item->dis_top, item->type_top);
  writeSide(out, "Bottom", item->bulk_bottom, item->dis_bottom, item->type_bottom);
}

}  // namespace

/*
 * SBmeasure --
 *   Fills the counts, finger sizes, distances and strip types of every
 *   group with fingers, in list order.
 * Side effects: the substrate flags of the fingers' source and drain tiles
 *   are clear afterwards; a warning on standard output for every strip
 *   that may be misplaced.
 */
void SBmeasure()
{
  for (SBtranbulk_item* item = SBtranbulk_list; item; item = item->next) {
    if (!item->tran_min || !item->tran_max)
      continue;
    countRegions(item);
    measureFingers(item);
    measureDistances(item);
    measureTypes(item);
  }
}

/*
 * SBreport --
 *   Writes "sb_report.out": two header lines, then every group from the
 *   head of SBtranbulk_list with its fingers and related strips.
 * Side effects: a file that cannot be opened abandons the action (ends the
 *   process outside one) after the message.
 */
void SBreport()
{
  FILE* out = fopen(kReportFile, "w");
  if (!out) {
    common::outf("\n Can't open file %s for writing \n", kReportFile);
    common::flushOutput();
    GCmessage(substrate::kModule, 'F', "Can't open file %s for writing", kReportFile);
    common::abandonAction(1);
  }
  fprintf(out, "(Multifinger and substrate extracted parameters)\n");
  fprintf(out, "( Created by SBreport: QX)\n");
  for (const SBtranbulk_item* item = SBtranbulk_list; item; item = item->next)
    writeGroup(out, item);
  if (fclose(out) != 0) {
    GCmessage(substrate::kModule, 'F', "Can't write file %s", kReportFile);
    common::abandonAction(1);
  }
  common::outf("SBreport: %s is created\n", kReportFile);
}
