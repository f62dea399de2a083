// Output of a resize: the two directions' cells merged into boxes, moved to
// the first quadrant and written as CIF ("sq_out.cif") with a commented copy
// ("sq_out.comment"), and as GDSII ("sq_out.gds").
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "CS.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "Dgds.h"
#include "Dglobal.h"
#include "LXinductor.h"
#include "SQint.h"
#include "DUsize.h"
#include "SQsqueeze.h"

namespace {

constexpr const char* kCifName = "sq_out.cif";
constexpr const char* kCommentName = "sq_out.comment";

bool isOrdinary(const SQCELL_item& c) { return strcmp(c.layername, "SYM") != 0; }

}  // namespace

namespace squeeze {

/*
 * cifScaleB --
 *   The B of "DS 1 1 B;".  A CIF coordinate is a layout length times
 *   f = LAMBDA_T2 / CIF_FACTOR / SCALE * B; a box centre is half a sum of
 *   two layout coordinates, so every output number is exact when f is even.
 *   B is the smallest scale that makes f an even integer: with the
 *   defaults (LAMBDA_T2 0.1 um, SCALE 40) B = 8, f = 2, that is
 *   CIF_SCALE = 10 * B / k = 8 for k = 10.  LAMBDA_T2 is taken to the
 *   picometre.
 */
long cifScaleB()
{
  const long long grid = std::llround(LAMBDA_T2 * 1e6);  // picometres
  const long long scale = SCALE > 0 ? SCALE : 1;
  const long long need = 20000LL * scale;  // 2 * (0.01 um in pm) * SCALE
  if (grid <= 0)
    return 1;
  return static_cast<long>(need / std::gcd(grid, need));
}

}  // namespace squeeze

namespace {

// Layout length to CIF units with the scale B: exact by the choice of B.
struct Converter {
  long long grid = std::llround(LAMBDA_T2 * 1e6);
  long long b = squeeze::cifScaleB();
  long long denominator = 10000LL * (SCALE > 0 ? SCALE : 1);
  long long length(long long v) const { return v * grid * b / denominator; }
  long long centre(long long sum) const { return sum * grid * b / (2 * denominator); }
};

}  // namespace

/*
 * SQsynccell --
 *   Gives each horizontal cell the y of its vertical twin (same tile and
 *   layer).  A mismatch abandons the output.
 */
int SQsynccell()
{
  if (SQcell_size_LR != SQcell_size_TB) {
    common::outf("** SQsynccell:  Error. LR_size (%i) is not equal to TB_size (%i).\n",
                 SQcell_size_LR, SQcell_size_TB);
    squeeze::stop(1);
  }
  if (SQcell_LR == SQcell_TB) {
    common::outf("** SQsynccell:  Error. LR (%p) and TB (%p) are the same datastructure.\n",
                 static_cast<void*>(SQcell_LR), static_cast<void*>(SQcell_TB));
    squeeze::stop(1);
  }
  std::vector<unsigned char> updated(static_cast<size_t>(SQcell_size_LR), 0);
  for (int i = 0; i < SQcell_size_TB; ++i) {
    SQCELL_item& tb = SQcell_TB[i];
    SQCELL_item* lr = tb.mother_tile ? static_cast<SQCELL_item*>(tb.mother_tile->resize_cell_LR())
                                     : nullptr;
    if (!lr || lr->layernumber != tb.layernumber) {
      common::outf("** SQsynccell:  Error. TB cell %i (%p) can't be found in LR.\n", tb.number,
                   static_cast<void*>(&tb));
      squeeze::stop(1);
    }
    const size_t k = static_cast<size_t>(lr - SQcell_LR);
    if (updated[k]) {
      common::outf("** SQsynccell:  Error. LR cell %i (%p) %s.\n", lr->number,
                   static_cast<void*>(lr), "got updated twice");
      squeeze::stop(1);
    }
    updated[k] = 1;
    lr->corner.y1 = tb.corner.y1;
    lr->corner.y2 = tb.corner.y2;
    tb.corner.x1 = lr->corner.x1;
    tb.corner.x2 = lr->corner.x2;
  }
  for (int i = 0; i < SQcell_size_LR; ++i)
    if (!updated[i])
      common::outf("** SQsynccell:  Error. LR cell %i (%p) %s.\n", SQcell_LR[i].number,
                   static_cast<void*>(&SQcell_LR[i]), "never got updated");
  return 0;
}

namespace {

/* reposition -- moves the boxes right and up so that none lies below 0. */
void reposition()
{
  long minX = 0, minY = 0;
  for (int i = 0; i < SQcell_size_LR; ++i) {
    minX = std::min<long>(minX, SQcell_LR[i].corner.x1);
    minY = std::min<long>(minY, SQcell_LR[i].corner.y1);
  }
  for (int i = 0; i < SQcell_size_LR; ++i) {
    _box& b = SQcell_LR[i].corner;
    b.x1 -= static_cast<int>(minX);
    b.x2 -= static_cast<int>(minX);
    b.y1 -= static_cast<int>(minY);
    b.y2 -= static_cast<int>(minY);
  }
}

bool skipLayer(int slot)
{
  const char* name = Glayers[slot].name;
  if (!name[0] || strcmp(name, "XYZ") == 0)
    return true;
  // Via layers go when the via code regenerates them.
  return false;
}

}  // namespace

/*
 * SQcif --
 *   Writes the cells of LEFT_RIGHT, layer by layer, to "sq_out.cif" and
 *   "sq_out.comment", copies the CIF into the report folder and writes it
 *   as GDSII.
 */
int SQcif()
{
  FILE* cif = fopen(kCifName, "w");
  if (!cif) {
    common::outf("\n Can't open file sq_out.cif for writing\n");
    squeeze::stop(0);
  }
  FILE* comment = fopen(kCommentName, "w");
  if (!comment) {
    fclose(cif);
    common::outf("\n Can't open file sq_out.comment for writing\n");
    squeeze::stop(0);
  }
  // Cells of each layer, the last cell first.
  std::vector<SQCELL_item*> head(kLayerSlots, nullptr);
  for (int i = 0; i < SQcell_size_LR; ++i) {
    SQCELL_item& c = SQcell_LR[i];
    c.layernext = nullptr;
    if (!isOrdinary(c) || c.layernumber < 0 || c.layernumber >= kLayerSlots)
      continue;
    c.layernext = head[c.layernumber];
    head[c.layernumber] = &c;
  }
  const Converter conv;
  for (FILE* f : {cif, comment}) {
    fprintf(f, "( Output CIF file from squeeze );\n");
    fprintf(f, "DS 1 %d %ld;\n", 1, static_cast<long>(conv.b));
    fprintf(f, "9 __OUT__;\n");
  }
  for (int slot = 0; slot < kLayerSlots; ++slot) {
    if (skipLayer(slot) || !head[slot])
      continue;
    fprintf(cif, "L %s;\n", Glayers[slot].name);
    fprintf(comment, "L %s;\n", Glayers[slot].name);
    for (const SQCELL_item* c = head[slot]; c; c = c->layernext) {
      const _box& b = c->corner;
      const long long w = conv.length(static_cast<long long>(b.x2) - b.x1);
      const long long h = conv.length(static_cast<long long>(b.y2) - b.y1);
      const long long cx = conv.centre(static_cast<long long>(b.x1) + b.x2);
      const long long cy = conv.centre(static_cast<long long>(b.y1) + b.y2);
      const bool empty = w <= 0 || h <= 0;
      if (!empty)
        fprintf(cif, "    B %d %d %d %d;\n", static_cast<int>(w), static_cast<int>(h),
                static_cast<int>(cx), static_cast<int>(cy));
      fprintf(comment, "%s %-6d %-6d %-6d %-6d; \t%-3i\t(%-6d %-6d %-6d %-6d);\n",
              empty ? "  * B" : "    B", static_cast<int>(w), static_cast<int>(h),
              static_cast<int>(cx), static_cast<int>(cy), c->number, b.x1, b.y1, b.x2, b.y2);
    }
  }
  // Then the new contacts and the inductors; vias once their generator exists.
  if (PROCESS_INCLUDE_RESIZING > 0)
    USinsertcontact(cif, comment);
  auto writeBoxes = [&](const char* layer, const std::vector<_box>& boxes) {
    for (FILE* f : {cif, comment}) {
      fprintf(f, "L %s;\n", layer);
      for (const _box& b : boxes)
        fprintf(f, "    B %d %d %d %d;\n",
                static_cast<int>(conv.length(static_cast<long long>(b.x2) - b.x1)),
                static_cast<int>(conv.length(static_cast<long long>(b.y2) - b.y1)),
                static_cast<int>(conv.centre(static_cast<long long>(b.x1) + b.x2)),
                static_cast<int>(conv.centre(static_cast<long long>(b.y1) + b.y2)));
    }
  };
  if (PROCESS_INCLUDE_INDUCTOR == 1 || LXremoved())
    LXinsertInductor(writeBoxes);
  // The wells and the labels, which have no cells of their own.
  squeeze::writeWells(writeBoxes);
  for (const squeeze::PlacedLabel& l : squeeze::placedLabels())
    for (FILE* f : {cif, comment})
      fprintf(f, "94 %s %d %d %s;\n", l.text.c_str(), static_cast<int>(conv.length(l.x)),
              static_cast<int>(conv.length(l.y)), l.layer.c_str());
  for (FILE* f : {cif, comment})
    fprintf(f, "DF;\nC 1;\nEnd\n");
  const bool ok = fclose(cif) == 0;
  const bool okComment = fclose(comment) == 0;
  if (!ok || !okComment) {
    common::outf("\n Can't open file %s for writing\n", ok ? kCommentName : kCifName);
    squeeze::stop(0);
  }
  if (squeeze::makeReportDir()) {
    FILE* in = fopen(kCifName, "rb");
    FILE* out = fopen((std::string(squeeze::kReportDir) + "/" + kCifName).c_str(), "wb");
    char buffer[8192];
    size_t n;
    while (in && out && (n = fread(buffer, 1, sizeof buffer, in)) > 0)
      fwrite(buffer, 1, n, out);
    if (in)
      fclose(in);
    if (out)
      fclose(out);
  }
  gds::writeCifOutput(kCifName, "sq_out.gds");  // the same layout as GDSII
  return 0;
}

int SQmain_output(int /*directions*/)
{
  SQswitch_direction(END_DIR, 0);
  SQsynccell();
  reposition();
  SQcif();
  USdeletecontactlist();
  SQfree_all();
  return 0;
}
