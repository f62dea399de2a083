// Transistor resizing: the contact design constants, the spacing rules of
// the active layer, the new sizes by mode and the gate extents in the
// squeeze graphs.
#include <unistd.h>

#include <utility>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CS.h"
#include "DEextract.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "DUsize.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "SQsqueeze.h"
#include "USint.h"

int CCA_MIN = 0, CCA_CCA_SPACE = 0, CMF_CCA_EXT = 0, CCA_CPG_SPACE = 0, CAA_CCA_EXT = 0,
    CAA_CPG_EXT = 0, CAA_MIN = 0, CPG_MIN = 0;
char ACTIVE_LAYER[64], POLY_LAYER[64], ACTIVE_CONTACT_LAYER[64], METAL_ONE_LAYER[64];
int ACTIVE_NUMBER = -1, POLY_NUMBER = -1, ACTIVE_CONTACT_NUMBER = -1, METAL_ONE_NUMBER = -1;
int DESIGN_CONSTRAINT_CALCULATED = 0;
FILE* USanswerStream = nullptr;

namespace {

int layerNumber(const char* name)
{
  for (int i = 0; i < GlayerNum && i < kLayerSlots; ++i)
    if (name[0] && strcmp(Glayers[i].name, name) == 0)
      return i;
  return -1;
}

void copyName(char* to, const char* from)
{
  static_assert(sizeof ACTIVE_LAYER >= kDefNameLength, "room for a definition's name");
  memcpy(to, from, kDefNameLength);
  to[kDefNameLength - 1] = '\0';
}

// The layer names: the active and poly layers of the first element, the
// contact and metal of the connection whose first layer is the active one.
void findLayers()
{
  ACTIVE_LAYER[0] = POLY_LAYER[0] = ACTIVE_CONTACT_LAYER[0] = METAL_ONE_LAYER[0] = '\0';
  if (DelementNum > 0 && Delement[0].layerNum >= 2) {
    copyName(ACTIVE_LAYER, Delement[0].layers[0]);
    copyName(POLY_LAYER, Delement[0].layers[1]);
  }
  for (int d = 0; d < DconNum && d < kMaxDefinitions; ++d)
    if (ACTIVE_LAYER[0] && strcmp(Dconnect[d].lowerLayer, ACTIVE_LAYER) == 0) {
      copyName(ACTIVE_CONTACT_LAYER, Dconnect[d].conLayer);
      copyName(METAL_ONE_LAYER, Dconnect[d].upperLayer);
      break;
    }
}

bool valid(int a, int b) { return a >= 0 && b >= 0 && a < kRuleLayers && b < kRuleLayers; }
int width(int a) { return a >= 0 && a < kRuleLayers && WIDTH_VALID[a] == 1 ? WIDTH[a] * theGlobalScale : 0; }
int spacing(int a, int b) { return valid(a, b) && SPACING_VALID[a][b] == 1 ? SPACING[a][b] * theGlobalScale : 0; }
int extension(int a, int b) { return valid(a, b) && EXTENSION_VALID[a][b] == 1 ? EXTENSION[a][b] * theGlobalScale : 0; }

// Micrometres as the terminal shows them.
double um(int units) { return SCALE > 0 ? units * LAMBDA_T2 / SCALE : 0; }
int units(double micrometres) { return SQhalfscale_round(static_cast<int>(SCALE * micrometres / LAMBDA_T2), SCALE); }

template <class F>
void forEachTransistor(F f)
{
  if (!Transistors)
    return;
  for (int e = 0; e < DelementNum; ++e)
    for (_Dtransistor* t = Transistors[e]; t; t = t->next)
      if (t->number >= 0)
        f(t);
}

// Stores a width and a length with the size file's swap.
void store(_Dtransistor* t, int w, int l)
{
  if (t->orientation == 1) {
    t->resize_width = w;
    t->resize_length = l;
  } else {
    t->resize_width = l;
    t->resize_length = w;
  }
}

bool requested(const _Dtransistor* t) { return t->resize_width != 0 || t->resize_length != 0; }

// Reads one number after a prompt; false at the end of the answers.
bool ask(FILE* in, const char* prompt, double* value)
{
  common::outf("%s", prompt);
  common::flushOutput();
  char line[256];
  if (!fgets(line, sizeof line, in))
    return false;
  *value = atof(line);
  return true;
}

// Mode 1: asks for every transistor.  Returns false when the answers end.
bool askSizes(FILE* in)
{
  const double minW = um(CAA_MIN), minL = um(CPG_MIN);
  bool complete = true;
  forEachTransistor([&](_Dtransistor* t) {
    if (!complete)
      return;
    double yes = 0;
    if (!(complete = ask(in, "Do you want to resize this transistor or not? (no = 0) : ", &yes)))
      return;
    if (yes == 0)
      return;
    const double oldW = um(t->orientation == 1 ? t->width : t->length);
    const double oldL = um(t->orientation == 1 ? t->length : t->width);
    double w, l, rows, confirm;
    for (;;) {
      char prompt[128];
      snprintf(prompt, sizeof prompt, "Min width = %4.3fum   Old width = %4.3fum   New width = ",
               minW, oldW);
      if (!(complete = ask(in, prompt, &w)))
        return;
      snprintf(prompt, sizeof prompt, "Min length = %4.3fum  Old length = %4.3fum  New length = ",
               minL, oldL);
      if (!(complete = ask(in, prompt, &l)))
        return;
      if (!(complete = ask(in, "How many rows of contact (if available)? ", &rows)))
        return;
      if (!(complete = ask(in, "Confirm input? (yes = 0) : ", &confirm)))
        return;
      if (w == 0)
        w = oldW;
      if (l == 0)
        l = oldL;
      if (confirm == 0 && w >= minW && l >= minL)
        break;
    }
    store(t, units(w), units(l));
    t->no_contact_row = rows < 1 ? 1 : static_cast<int>(rows);
  });
  return complete;
}

}  // namespace

void UScalc_cont_constraint()
{
  findLayers();
  METAL_ONE_NUMBER = layerNumber(METAL_ONE_LAYER);
  ACTIVE_CONTACT_NUMBER = layerNumber(ACTIVE_CONTACT_LAYER);
  ACTIVE_NUMBER = layerNumber(ACTIVE_LAYER);
  POLY_NUMBER = layerNumber(POLY_LAYER);
  if (METAL_ONE_NUMBER < 0)
    common::outf("  USremovecontact:  metal one %s layer name (specified in code) is not matched.\n",
                 METAL_ONE_LAYER);
  if (ACTIVE_CONTACT_NUMBER < 0)
    common::outf("  USremovecontact:  active contact %s layer name (specified in code) is not "
                 "matched.\n",
                 ACTIVE_CONTACT_LAYER);
  if (ACTIVE_NUMBER < 0)
    common::outf("  USremovecontact:  active %s layer name (specified in code) is not matched.\n",
                 ACTIVE_LAYER);
  if (POLY_NUMBER < 0)
    common::outf("  USremovecontact:  poly %s layer name (specified in code) is not matched.\n",
                 POLY_LAYER);
  CCA_MIN = width(ACTIVE_CONTACT_NUMBER);
  CCA_CCA_SPACE = spacing(ACTIVE_CONTACT_NUMBER, ACTIVE_CONTACT_NUMBER);
  CMF_CCA_EXT = extension(METAL_ONE_NUMBER, ACTIVE_CONTACT_NUMBER);
  CCA_CPG_SPACE = spacing(ACTIVE_CONTACT_NUMBER, POLY_NUMBER);
  CAA_CCA_EXT = extension(ACTIVE_NUMBER, ACTIVE_CONTACT_NUMBER);
  CAA_CPG_EXT = extension(ACTIVE_NUMBER, POLY_NUMBER);
  CAA_MIN = width(ACTIVE_NUMBER);
  CPG_MIN = width(POLY_NUMBER);
  DESIGN_CONSTRAINT_CALCULATED = 1;
}

void USdesignruleactivecontact()
{
  findLayers();
  const int contact = layerNumber(ACTIVE_CONTACT_LAYER);
  const int active = layerNumber(ACTIVE_LAYER);
  if (contact < 0 || contact >= kRuleLayers || active < 0 || active >= kRuleLayers) {
    common::outf("USdesignruleactivecontact: Cannot find active contact layer %s\n",
                 contact < 0 ? ACTIVE_CONTACT_LAYER : ACTIVE_LAYER);
    return;
  }
  const int e = EXTENSION_VALID[active][contact] == 1 ? EXTENSION[active][contact] : 0;
  for (int l = 0; l < kRuleLayers && WIDTH_VALID[l] == 1; ++l) {
    if (l == contact || SPACING_VALID[l][contact] != 1)
      continue;
    int want = SPACING[l][contact] - e;
    if (want < 0)
      want = 0;
    for (auto [a, b] : {std::pair<int, int>{l, active}, std::pair<int, int>{active, l}}) {
      const int was = SPACING_VALID[a][b] == 1 ? SPACING[a][b] : 0;
      if (SPACING_VALID[a][b] == 1 && was >= want)
        continue;
      common::outf("**USdesignruleactivecontact: SPACING[%i][%i] is changed from %i to %i\n", a, b,
                   was, want);
      SPACING[a][b] = static_cast<int16_t>(want);
      SPACING_VALID[a][b] = 1;
    }
  }
}

void USreset_parameter()
{
  forEachTransistor([](_Dtransistor* t) { t->no_contact_row = 1; });
}

int USupdateparameter()
{
  // In the squeeze it works in LEFT_RIGHT only; from the menu (no graph)
  // it sets the sizes of the loaded transistors at once.
  if (resize_direction != LEFT_RIGHT && resize_direction != NO_DIR)
    return 0;
  if (resize_direction == NO_DIR && (!Transistors || TransNum == 0)) {
    GCmessage(0, 'E', "No transistors: load a layout before updating their sizes");
    return 1;
  }
  switch (PROCESS_INCLUDE_RESIZING) {
    case 1: {
      FILE* in = USanswerStream ? USanswerStream : stdin;
      if (!USanswerStream && !isatty(fileno(stdin))) {
        GCmessage(0, 'E', "Resizing mode 1 asks on a terminal and there is none; no transistor "
                          "was resized by it");
        break;
      }
      if (!askSizes(in))
        GCmessage(0, 'E', "Resizing mode 1: the answers ended; the transistors not yet answered "
                          "keep their sizes");
      break;
    }
    case 2:
      forEachTransistor([](_Dtransistor* t) {
        const double f = RESIZING_FACTOR;
        auto scaled = [f](int size) {
          const int base = static_cast<int>(size * LAMBDA_T1 / LAMBDA_T2);
          return SQhalfscale_round(static_cast<int>(base * f), 4 * SCALE);
        };
        t->resize_width = scaled(t->width);
        t->resize_length = scaled(t->length);
        t->no_contact_row = 1;
      });
      break;
    case 3:
      common::outf("The transistor sizes will be readed from built-in array.  Please enter to "
                   "continue.\n");
      forEachTransistor([](_Dtransistor* t) {
        if (t->number >= kBuiltInTransistors || TRANW[t->number] <= 0)
          return;
        store(t, units(TRANW[t->number]), units(TRANL[t->number]));
        t->no_contact_row = 1;
      });
      break;
    case 5:
      // Test values, for a layout without a size file.  After a size file
      // the transistors it left alone keep their drawn sizes: a designer
      // who names the sizes he wants changed wants no others changed.
      forEachTransistor([](_Dtransistor* t) {
        if (requested(t) || textualDeviceSizeInput == 1)
          return;
        if (t->width == 160)
          t->resize_width = 160;
        if (t->length == 1600)
          t->resize_length = 1920;
        else if (t->length == 1920)
          t->resize_length = 2080;
        else if (t->length == 800)
          t->resize_length = 1120;
        t->no_contact_row = 1;
      });
      break;
    default:
      break;
  }
  // A transistor whose gate is not lined up with the axes keeps its gate
  // and terminals as drawn: a size asked for it is refused.
  forEachTransistor([](_Dtransistor* t) {
    if (t->orientation != 0 || !requested(t))
      return;
    GCmessage(0, 'E', "Transistor %d is not lined up with the axes; its new size is refused and "
                      "it keeps its drawn size",
              t->number);
    t->resize_width = t->resize_length = 0;
  });
  // What nobody asked for stays as drawn (the gate box's height and width
  // are the width and length fields, as the resize fields are stored).
  forEachTransistor([](_Dtransistor* t) {
    if (t->resize_width == 0)
      t->resize_width = t->width;
    if (t->resize_length == 0)
      t->resize_length = t->length;
  });
  return 0;
}

namespace {

// The tile's cell in the current direction.
SQCELL_item* cellOf(const _Dtile* tile)
{
  if (!tile)
    return nullptr;
  return static_cast<SQCELL_item*>(resize_direction == TOP_BOTTOM ? tile->resize_cell_TB()
                                                                   : tile->resize_cell_LR());
}

bool sameCellTied(const SQCELL_item* a, const SQCELL_item* b)
{
  auto tied = [](const SQLINE_item* x, const SQLINE_item* y) {
    bool there = false, back = false;
    for (const SQARC_item* arc = x->ori_next; arc; arc = arc->ori_next)
      there = there || (arc->ter == y && arc->weight == 0);
    for (const SQARC_item* arc = y->ori_next; arc; arc = arc->ori_next)
      back = back || (arc->ter == x && arc->weight == 0);
    return there && back;
  };
  return tied(a->left, b->left) && tied(a->right, b->right);
}

// An arc that asks another box to overlap this one by more than its new
// extent can no longer hold: it asks for the whole extent instead.
void capOverlaps(SQCELL_item* c, int s)
{
  for (SQARC_item* a = c->right->ter_next; a; a = a->ter_next)
    if (a->occupied && a->ori->cell != c && a->ori == a->ori->cell->left && a->weight > s)
      a->weight = s;
  for (SQARC_item* a = c->left->ori_next; a; a = a->ori_next)
    if (a->occupied && a->ter->cell != c && a->ter == a->ter->cell->right && a->weight > s)
      a->weight = s;
}

// Makes the cell exactly s wide; 0 keeps its drawn extent.
void fixExtent(SQCELL_item* c, int s, const char* what)
{
  if (!c || !c->left || !c->right)
    return;
  bool found = false;
  for (SQARC_item* a = c->left->ori_next; a && !found; a = a->ori_next)
    found = a->ter == c->right;
  if (!found) {
    common::outf("US: No arc from cell %i (%s) left->right line\n", c->number, what);
    return;
  }
  if (s <= 0)
    s = c->right->loc - c->left->loc;
  SQupdatearc_weight(c->left, c->right, s, -50);
  SQaddarc(c->right, c->left, -s, -50);
  updatesize::dropOverlapsWith(c, METAL_ONE_NUMBER);
  capOverlaps(c, s);
  // The box tied to it over the same area (the gate's poly) follows.
  for (SQARC_item* a = c->left->ori_next; a; a = a->ori_next) {
    SQCELL_item* o = a->ter->cell;
    if (o && o != c && a->weight == 0 && o->left == a->ter && o->right && sameCellTied(c, o)) {
      updatesize::dropOverlapsWith(o, METAL_ONE_NUMBER);
      capOverlaps(o, s);
    }
  }
}

}  // namespace

void UStransistor()
{
  const int dir = resize_direction;
  bool reportedSkew = false;
  forEachTransistor([&](_Dtransistor* t) {
    if (t->orientation == 0) {
      if (!reportedSkew && dir == LEFT_RIGHT)
        common::outf("UStransistor: transistors not lined up with the axes (first: %d) keep "
                     "their drawn gates\n",
                     t->number);
      reportedSkew = true;
      // Its gate stays as drawn, and its contacts were left in place.
      fixExtent(cellOf(t->Tgate), 0, "active gate tile");
      return;
    }
    const bool activeCell = (dir == LEFT_RIGHT && t->orientation == -1) ||
                            (dir == TOP_BOTTOM && t->orientation == 1);
    if (activeCell) {
      SQCELL_item* g = cellOf(t->Tgate);
      fixExtent(g, t->orientation == -1 ? t->resize_length : t->resize_width, "active gate tile");
      // The source and drain keep covering the gate along its width.
      for (const _Dtile* d : {t->Tsource, t->Tdrain}) {
        SQCELL_item* a = cellOf(d);
        if (!g || !a || a == g || !a->left || !a->right || !g->left || !g->right)
          continue;
        if (a->left->loc <= g->left->loc)
          SQaddarc(a->left, g->left, 0, -50);
        if (a->right->loc >= g->right->loc)
          SQaddarc(g->right, a->right, 0, -50);
      }
      // The poly runs on beyond the gate as far as it was drawn to, up to
      // its extension rule.
      const int ext = extension(POLY_NUMBER, ACTIVE_NUMBER);
      for (const _Dtile* side : {t->Pside1, t->Pside2}) {
        SQCELL_item* p = cellOf(side);
        if (!g || !p || !p->left || !p->right || !g->left || !g->right || ext <= 0)
          continue;
        if (p->left->loc >= g->right->loc)
          SQaddarc(g->right, p->right, std::min(ext, p->right->loc - g->right->loc), -50);
        else if (p->right->loc <= g->left->loc)
          SQaddarc(p->left, g->left, std::min(ext, g->left->loc - p->left->loc), -50);
      }
    }
    else
      fixExtent(cellOf(t->Pgate), t->orientation == -1 ? t->resize_width : t->resize_length,
                "poly gate tile");
    const int minW = t->orientation == -1 ? CPG_MIN : CAA_MIN;
    const int minL = t->orientation == -1 ? CAA_MIN : CPG_MIN;
    if ((t->resize_width && t->resize_width < minW) || (t->resize_length && t->resize_length < minL)) {
      const SQCELL_item* g = cellOf(t->Tgate);
      common::outf("****************************************************\n");
      common::outf("trans %s (gate cell %i), \tdirect %i, orien %i:  new_width %i(%i) new_length "
                   "%i(%i)\n",
                   t->name, g ? g->number : -1, dir, t->orientation, t->resize_width, minW,
                   t->resize_length, minL);
      common::outf("****************************************************\n");
    }
  });
}
