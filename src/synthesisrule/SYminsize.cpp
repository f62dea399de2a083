// The smallest gate each transistor can take under the constraints of the
// squeeze graphs, written for an outside sizing tool.
#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <vector>

#include "CS.h"
#include "DEextract.h"
#include "DTtechnology.h"
#include "DUsize.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "DRdesignrule.h"
#include "SQsqueeze.h"
#include "SYsynthesis.h"

SYTRAN_SYN_RULE_item* tran_syn_rule = nullptr;
SYTRAN_SYN_RULE_item* last_tran_syn_rule = nullptr;
int actmin_mode = 1;

namespace {

SQCELL_item* cellIn(const _Dtile* tile, int direction)
{
  if (!tile)
    return nullptr;
  return static_cast<SQCELL_item*>(direction == LEFT_RIGHT ? tile->resize_cell_LR()
                                                            : tile->resize_cell_TB());
}

}  // namespace

int SYlongest_path(SQCELL_item* cell, int direction)
{
  if (!cell || !cell->left || !cell->right)
    return -3;
  const int cells = direction == LEFT_RIGHT ? SQcell_size_LR + SQsymcell_size_LR
                                            : SQcell_size_TB + SQsymcell_size_TB;
  // Weights of the lines reached; every other line stands at +3.
  std::unordered_map<SQLINE_item*, int> weight;
  auto get = [&weight](SQLINE_item* l) {
    auto found = weight.find(l);
    return found == weight.end() ? 3 : found->second;
  };
  weight[cell->right] = 0;
  std::vector<SQLINE_item*> wave{cell->right}, next;
  for (int k = 0; k < 2 * std::max(cells, 1) && !wave.empty(); ++k) {
    next.clear();
    std::unordered_map<SQLINE_item*, int> previous;
    for (SQLINE_item* l : wave)
      previous[l] = get(l);
    for (SQLINE_item* l : wave)
      for (SQARC_item* a = l->ter_next; a; a = a->ter_next) {
        if (!a->occupied)
          continue;
        const int value = previous[l] - a->weight;
        if (value < get(a->ori)) {
          weight[a->ori] = value;
          next.push_back(a->ori);
        }
      }
    std::sort(next.begin(), next.end());
    next.erase(std::unique(next.begin(), next.end()), next.end());
    wave.swap(next);
  }
  return -get(cell->left);
}

void SYfree_syn_rule()
{
  while (tran_syn_rule) {
    SYTRAN_SYN_RULE_item* next = tran_syn_rule->next;
    delete tran_syn_rule;
    tran_syn_rule = next;
  }
  last_tran_syn_rule = nullptr;
}

void SYtran_min_size()
{
  SYfree_syn_rule();
  if (!DESIGN_CONSTRAINT_CALCULATED)
    UScalc_cont_constraint();
  const int minActive = actmin_mode == 1   ? CAA_MIN
                        : actmin_mode == 2 ? std::max(CAA_MIN, CCA_MIN + 2 * CAA_CCA_EXT)
                                           : 0;
  const int minPoly = CPG_MIN;
  if (!Transistors)
    return;
  for (int e = 0; e < DelementNum; ++e)
    for (_Dtransistor* t = Transistors[e]; t; t = t->next) {
      if (t->number < 0)
        continue;
      const bool one = t->orientation == 1;
      const int w = SYlongest_path(cellIn(t->Tgate, one ? TOP_BOTTOM : LEFT_RIGHT),
                                   one ? TOP_BOTTOM : LEFT_RIGHT);
      const int l = SYlongest_path(cellIn(t->Pgate, one ? LEFT_RIGHT : TOP_BOTTOM),
                                   one ? LEFT_RIGHT : TOP_BOTTOM);
      auto* r = new SYTRAN_SYN_RULE_item{t, t->Tgate, t->Pgate, t->orientation,
                                         std::max(w, minActive), std::max(l, minPoly), nullptr};
      if (last_tran_syn_rule)
        last_tran_syn_rule->next = r;
      else
        tran_syn_rule = r;
      last_tran_syn_rule = r;
    }
}

void SYtran_netlist_output()
{
  SYtran_min_size();
  FILE* f = fopen("arsyn_input", "a");
  if (!f) {
    common::outf("****************************************************\n");
    common::outf("File arsyn_input is not existed or cannot be opened for appending\n");
    common::outf("****************************************************\n");
    SYfree_syn_rule();
    return;
  }
  auto um = [](int units) { return SCALE > 0 ? units * LAMBDA_T2 / SCALE : 0.0; };
  auto line = [f](char axis, const SQCELL_item* c, double value) {
    const int left = c ? c->number : 0;
    fprintf(f, "(%c%-3i - %c%-3i) >= %3.3f\n", axis, left + 1, axis, left, value);
  };
  fprintf(f, "\n\n");
  fprintf(f, "// Here is the transistor synthesis searching constraint.\n");
  for (const SYTRAN_SYN_RULE_item* r = tran_syn_rule; r; r = r->next) {
    if (r->orientation != 1) {
      line('x', cellIn(r->Tgate, LEFT_RIGHT), um(r->min_width));
      line('y', cellIn(r->Pgate, TOP_BOTTOM), um(r->min_length));
    } else {
      line('y', cellIn(r->Tgate, TOP_BOTTOM), um(r->min_width));
      line('x', cellIn(r->Pgate, LEFT_RIGHT), um(r->min_length));
    }
  }
  fclose(f);
  SYfree_syn_rule();
}
