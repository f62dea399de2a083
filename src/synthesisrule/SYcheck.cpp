// The check of the new transistor sizes: design rules, aligned transistors
// and symmetric partners.
#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "CS.h"
#include "DEextract.h"
#include "DRdesignrule.h"
#include "DSsymmetry.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "SQsqueeze.h"
#include "SYsynthesis.h"

namespace {

bool zeroArc(const SQLINE_item* from, const SQLINE_item* to)
{
  for (const SQARC_item* a = from->ori_next; a; a = a->ori_next)
    if (a->ter == to && a->occupied && a->weight == 0)
      return true;
  return false;
}

bool lineAlignFrom(SQLINE_item* a, SQLINE_item* b, std::vector<SQLINE_item*>* marked)
{
  if (a == b)
    return true;
  a->syalign_visited = 1;
  marked->push_back(a);
  for (SQARC_item* x = a->ori_next; x; x = x->ori_next) {
    SQLINE_item* n = x->ter;
    if (n->syalign_visited || !SYline_adj_align(a, n))
      continue;
    if (lineAlignFrom(n, b, marked))
      return true;
  }
  return false;
}

// Cells of both directions.
template <class F>
void forEachCell(F f)
{
  for (int i = 0; i < SQcell_size_LR + SQsymcell_size_LR && SQcell_LR; ++i)
    f(&SQcell_LR[i], "cell_LR");
  for (int i = 0; i < SQcell_size_TB + SQsymcell_size_TB && SQcell_TB; ++i)
    f(&SQcell_TB[i], "cell_TB");
}

void clearVisited()
{
  forEachCell([](SQCELL_item* c, const char* name) {
    if (c->left && c->left->syalign_visited) {
      common::outf("%s %i left is still set\n", name, c->number);
      c->left->syalign_visited = 0;
    }
    if (c->right && c->right->syalign_visited) {
      common::outf("%s %i right is still set\n", name, c->number);
      c->right->syalign_visited = 0;
    }
  });
}

// Lines chained by adjacent alignment share a group.
class AlignGroups {
 public:
  int of(SQLINE_item* l)
  {
    int& found = group(l);
    if (found >= 0)
      return found;
    const int id = next_++;
    std::vector<SQLINE_item*> stack{l};
    found = id;
    // A group is the set of lines joined by zero arcs both ways, whatever
    // order it is walked in: each line's list is walked once for its zero
    // arcs, and a long list (a rail has thousands of arcs) is looked up
    // in the set of its zero arcs' ends instead of being walked again.
    while (!stack.empty()) {
      SQLINE_item* x = stack.back();
      stack.pop_back();
      for (SQARC_item* a = x->ori_next; a; a = a->ori_next)
        if (a->ter && a->occupied && a->weight == 0 && group(a->ter) < 0 && zeroTo(a->ter, x)) {
          group(a->ter) = id;
          stack.push_back(a->ter);
        }
    }
    return id;
  }

 private:
  static constexpr int kLongList = 32;
  static constexpr int kNumbered = 1 << 26;  // lines numbered up to this are filed by number

  // The group of a line, -1 before it has one: by the line's number, or,
  // for a line whose number another line holds already, in a map.
  int& group(const SQLINE_item* l)
  {
    const int n = l->number;
    if (n >= 0 && n < kNumbered) {
      const size_t k = static_cast<size_t>(n);
      if (k >= owner_.size()) {
        owner_.resize(std::max(k + 1, owner_.size() * 2), nullptr);
        byNumber_.resize(owner_.size(), -1);
      }
      if (!owner_[k])
        owner_[k] = l;
      if (owner_[k] == l)
        return byNumber_[k];
    }
    return others_.try_emplace(l, -1).first->second;
  }

  bool zeroTo(const SQLINE_item* from, const SQLINE_item* to)
  {
    if (from->no_ori < kLongList)
      return zeroArc(from, to);
    auto [it, fresh] = zeroEnds_.try_emplace(from);
    if (fresh)
      for (const SQARC_item* a = from->ori_next; a; a = a->ori_next)
        if (a->ter && a->occupied && a->weight == 0)
          it->second.insert(a->ter);
    return it->second.count(to) > 0;
  }

  std::vector<const SQLINE_item*> owner_;  // by number
  std::vector<int> byNumber_;
  std::unordered_map<const SQLINE_item*, int> others_;
  // The ends of the zero arcs of the lines with long lists.
  std::unordered_map<const SQLINE_item*, std::unordered_set<const SQLINE_item*>> zeroEnds_;
  int next_ = 0;
};

using Key = std::tuple<int, int, int, int, int>;  // kind, groups and locs of both lines

SQCELL_item* cellIn(const _Dtile* tile, int direction)
{
  if (!tile)
    return nullptr;
  return static_cast<SQCELL_item*>(direction == LEFT_RIGHT ? tile->resize_cell_LR()
                                                            : tile->resize_cell_TB());
}

struct Tran {
  _Dtransistor* t;
  int kind;  // element index, for the transistor rules
};

int widthOf(const _Dtransistor* t) { return t->orientation == 1 ? t->resize_width : t->resize_length; }
int lengthOf(const _Dtransistor* t) { return t->orientation == 1 ? t->resize_length : t->resize_width; }

int extRule(const _Dtile* over, const _Dtile* under)
{
  if (!over || !under || !over->layer() || !under->layer())
    return 0;
  const int a = over->layer()->layer, b = under->layer()->layer;
  if (a < 0 || b < 0 || a >= kRuleLayers || b >= kRuleLayers || EXTENSION_VALID[a][b] != 1)
    return 0;
  return EXTENSION[a][b] * SCALE;
}

void raiseTo(int32_t* value, int minimum, const _Dtransistor* t, const char* what)
{
  if (*value >= minimum)
    return;
  common::outf("  SYtran_check(): WARNING - Transistor (%d) %s ext violates designrule and will be "
               "set to designrule (%d)\n",
               t->number, what, minimum);
  *value = minimum;
}

void matchLarger(int32_t* a, int32_t* b) { *a = *b = std::max(*a, *b); }

// A diffusion tile that two aligned transistors share gets the larger
// extension on both; so do shared poly sides.
void matchShared(_Dtransistor* a, _Dtransistor* b)
{
  bool diffusion = false;
  if (a->Tsource && a->Tsource == b->Tsource && a->resize_source_ext != b->resize_source_ext) {
    matchLarger(&a->resize_source_ext, &b->resize_source_ext);
    diffusion = true;
  }
  if (a->Tdrain && a->Tdrain == b->Tdrain && a->resize_drain_ext != b->resize_drain_ext) {
    matchLarger(&a->resize_drain_ext, &b->resize_drain_ext);
    diffusion = true;
  }
  if (a->Tsource && a->Tsource == b->Tdrain && a->resize_source_ext != b->resize_drain_ext) {
    matchLarger(&a->resize_source_ext, &b->resize_drain_ext);
    diffusion = true;
  }
  if (a->Tdrain && a->Tdrain == b->Tsource && a->resize_drain_ext != b->resize_source_ext) {
    matchLarger(&a->resize_drain_ext, &b->resize_source_ext);
    diffusion = true;
  }
  if (diffusion)
    common::outf("  SYtran_check: WARNING - shared drain/source of Transistor (%d) and (%d) has "
                 "been matched to the larger value\n",
                 a->number, b->number);
  bool poly = false;
  for (auto [sa, ea] : {std::pair{a->Pside1, &a->resize_Pside1_ext}, std::pair{a->Pside2, &a->resize_Pside2_ext}})
    for (auto [sb, eb] : {std::pair{b->Pside1, &b->resize_Pside1_ext}, std::pair{b->Pside2, &b->resize_Pside2_ext}})
      if (sa && sa == sb && *ea != *eb) {
        matchLarger(ea, eb);
        poly = true;
      }
  if (poly)
    common::outf("  SYtran_check: WARNING - shared poly ext of Transistor (%d) and (%d) has been "
                 "matched to the larger value\n",
                 a->number, b->number);
}

int checkSymmetric(_sym_constraint_list* p)
{
  _Dtransistor *a = p->Trans1, *b = p->Trans2;
  if (!a || !b)
    return 0;
  bool mismatch = false;
  if (a->orientation != b->orientation) {
    if (a->resize_width != b->resize_width || a->resize_length != b->resize_length) {
      common::outf("  SYtran_check(): ERROR - Symmetrical transistors have different "
                   "orientation\n");
      mismatch = true;
    }
  } else {
    if (widthOf(a) != widthOf(b)) {
      common::outf("  SYtran_check(): ERROR - Unmatched symmetrical width between Transistor (%d) "
                   "[width %d] and Transistor (%d) [width = %d]\n",
                   a->number, widthOf(a), b->number, widthOf(b));
      mismatch = true;
    }
    if (lengthOf(a) != lengthOf(b)) {
      common::outf("  SYtran_check(): ERROR - Unmatched symmetrical length between Transistor "
                   "(%d) [length %d] and Transistor (%d) [length = %d]\n",
                   a->number, lengthOf(a), b->number, lengthOf(b));
      mismatch = true;
    }
  }
  if (PROCESS_INCLUDE_TRANSISTOR_PARASITIC == 1) {
    if (a->orientation == 1 && b->orientation == 1) {
      // Mirror order: the drain side of one faces the source side of the
      // other when their drains lie on different sides of their sources.
      auto drainBeyond = [](const _Dtransistor* t) {
        return t->Tdrain && t->Tsource && t->Tdrain->x1 >= t->Tsource->x1;
      };
      int32_t* aNear = drainBeyond(a) ? &a->resize_drain_ext : &a->resize_source_ext;
      int32_t* aFar = drainBeyond(a) ? &a->resize_source_ext : &a->resize_drain_ext;
      int32_t* bNear = drainBeyond(b) ? &b->resize_source_ext : &b->resize_drain_ext;
      int32_t* bFar = drainBeyond(b) ? &b->resize_drain_ext : &b->resize_source_ext;
      if (*aNear != *bNear || *aFar != *bFar) {
        matchLarger(aNear, bNear);
        matchLarger(aFar, bFar);
        common::outf("  SYtran_check: WARNING symmetry source/drain unmatched, Transistor (%d) and "
                     "(%d)\n",
                     a->number, b->number);
      }
      if (a->resize_Pside1_ext != b->resize_Pside2_ext ||
          a->resize_Pside2_ext != b->resize_Pside1_ext) {
        matchLarger(&a->resize_Pside1_ext, &b->resize_Pside2_ext);
        matchLarger(&a->resize_Pside2_ext, &b->resize_Pside1_ext);
        common::outf("  SYtran_check: WARNING symmetry poly ext unmatched, Transistor (%d) and "
                     "(%d)\n",
                     a->number, b->number);
      }
    } else {
      common::outf("  SYtran_check(): ERROR - Symmetrical transistors have different "
                   "orientation\n");
    }
  }
  return mismatch ? 1 : 0;
}

}  // namespace

int SYline_adj_align(SQLINE_item* a, SQLINE_item* b)
{
  return a && b && zeroArc(a, b) && zeroArc(b, a) ? 1 : 0;
}

int SYline_align(SQLINE_item* a, SQLINE_item* b)
{
  if (!a || !b)
    return 0;
  std::vector<SQLINE_item*> marked;
  const bool found = lineAlignFrom(a, b, &marked);
  for (SQLINE_item* l : marked)
    l->syalign_visited = 0;
  return found ? 1 : 0;
}

int SYcell_align(SQCELL_item* a, SQCELL_item* b)
{
  if (!a || !b || !a->left || !a->right || !b->left || !b->right)
    return 0;
  if (a->left->loc != b->left->loc || a->right->loc != b->right->loc)
    return 0;
  return SYline_align(a->left, b->left) && SYline_align(a->right, b->right) ? 1 : 0;
}

// Whether the resize leaves the transistor at its drawn size.
static bool keepsDrawnSize(const _Dtransistor* t)
{
  return t->resize_width == t->width && t->resize_length == t->length;
}

/*
 * tranRule --
 *   The minimum of a transistor kind in layout units: its own entry, or
 *   the first kind's where it has none (the rule files give one device's
 *   minimum and the rows use it for every kind); 0 without either.
 */
static int tranRule(const int16_t* table, const int16_t* valid, int kind)
{
  if (valid[kind] == 1)
    return table[kind] * SCALE;
  return valid[0] == 1 ? table[0] * SCALE : 0;
}

int SYtran_check()
{
  std::vector<Tran> trans;
  if (Transistors)
    for (int e = 0; e < DelementNum; ++e)
      for (_Dtransistor* t = Transistors[e]; t; t = t->next)
        if (t->number >= 0)
          trans.push_back({t, e});
  int errors = 0;

  // 1. The transistor rules.
  for (const Tran& x : trans) {
    const int k = std::min(x.kind, kTranKinds - 1);
    const int wRule = tranRule(TRAN_WIDTH, TRAN_WIDTH_VALID, k);
    const int lRule = tranRule(TRAN_LENGTH, TRAN_LENGTH_VALID, k);
    if (widthOf(x.t) < wRule) {
      common::outf("  SYtran_check(): ERROR - Transistor (%d) resize width (%d) < design rule "
                   "(%d)\n",
                   x.t->number, widthOf(x.t), wRule);
      ++errors;
    }
    if (lengthOf(x.t) < lRule) {
      common::outf("  SYtran_check(): ERROR - Transistor (%d) resize length (%d) < design rule "
                   "(%d)\n",
                   x.t->number, lengthOf(x.t), lRule);
      ++errors;
    }
  }

  // 2. Extensions.
  if (PROCESS_INCLUDE_TRANSISTOR_PARASITIC == 1)
    for (const Tran& x : trans) {
      _Dtransistor* t = x.t;
      const int act = extRule(t->Tgate, t->Pgate), poly = extRule(t->Pgate, t->Tgate);
      raiseTo(&t->resize_source_ext, act, t, "source");
      raiseTo(&t->resize_drain_ext, act, t, "drain");
      raiseTo(&t->resize_Pside1_ext, poly, t, "Pside1");
      raiseTo(&t->resize_Pside2_ext, poly, t, "Pside2");
    }

  // 3. Aligned pairs.  Cells are aligned when their lines lie in the same
  // groups of adjacently aligned lines at the same places, so transistors
  // are first gathered by those keys and only pairs sharing one are tested.
  clearVisited();
  AlignGroups lr, tb;
  // The groups of the two directions, each on a thread of its own (only
  // the ids differ from one order of finding to another, not the groups).
  common::onTwoThreads([&](bool second) {
    const int dir = second ? TOP_BOTTOM : LEFT_RIGHT;
    AlignGroups& g = second ? tb : lr;
    for (const Tran& x : trans)
      for (const _Dtile* tile : {x.t->Tgate, x.t->Pgate})
        if (SQCELL_item* c = cellIn(tile, dir); c && c->left && c->right) {
          g.of(c->left);
          g.of(c->right);
        }
  });
  auto keyOf = [&](int kind, SQCELL_item* c, int direction) {
    AlignGroups& g = direction == LEFT_RIGHT ? lr : tb;
    return Key{kind, g.of(c->left), g.of(c->right), c->left->loc, c->right->loc};
  };
  std::map<Key, std::vector<size_t>> byKey;
  std::vector<std::vector<Key>> keys(trans.size());
  for (size_t i = 0; i < trans.size(); ++i) {
    const _Dtransistor* t = trans[i].t;
    int kind = 0;
    for (const _Dtile* tile : {t->Tgate, t->Pgate}) {
      for (int dir : {LEFT_RIGHT, TOP_BOTTOM}) {
        SQCELL_item* c = cellIn(tile, dir);
        if (c && c->left && c->right) {
          keys[i].push_back(keyOf(kind * 2 + dir, c, dir));
          byKey[keys[i].back()].push_back(i);
        }
      }
      ++kind;
    }
  }
  // Kinds: 1 gate LEFT_RIGHT, 2 gate TOP_BOTTOM, 3 poly LEFT_RIGHT, 4 poly TOP_BOTTOM.
  for (size_t i = 0; i < trans.size(); ++i) {
    std::map<size_t, std::set<int>> partners;
    for (const Key& k : keys[i])
      for (size_t j : byKey[k])
        if (j > i)
          partners[j].insert(std::get<0>(k));
    _Dtransistor* a = trans[i].t;
    for (auto& [j, kinds] : partners) {
      _Dtransistor* b = trans[j].t;
      // Two transistors that both keep their drawn size stand as the drawn
      // layout has them, whatever their shapes: nothing to match.
      if (keepsDrawnSize(a) && keepsDrawnSize(b))
        continue;
      const bool gate = kinds.count(1) || kinds.count(2);
      const bool poly = kinds.count(3) || kinds.count(4);
      if (a->orientation != b->orientation) {
        if (gate || poly)
          common::outf("  SYtran_check: ERROR - transistors are aligned but have different "
                       "orientation\n");
        continue;
      }
      const bool one = a->orientation == 1;
      const bool widthAligned = kinds.count(one ? 2 : 1) > 0;
      const bool lengthAligned = kinds.count(one ? 3 : 4) > 0;
      if (widthAligned && widthOf(a) != widthOf(b)) {
        common::outf("  SYtran_check: ERROR - unmatched width of aligned Transistor (%d) [width = "
                     "%d] and Transistor (%d) [width = %d]\n",
                     a->number, widthOf(a), b->number, widthOf(b));
        ++errors;
      }
      if (lengthAligned && lengthOf(a) != lengthOf(b)) {
        common::outf("  SYtran_check: ERROR - unmatched length of aligned Transistor (%d) "
                     "[length = %d] and Transistor (%d) [length = %d]\n",
                     a->number, lengthOf(a), b->number, lengthOf(b));
        ++errors;
      }
      if (PROCESS_INCLUDE_TRANSISTOR_PARASITIC == 1 && (widthAligned || lengthAligned))
        matchShared(a, b);
    }
  }

  // 4. Symmetric pairs.
  for (_sym_constraint_list* p = final_sym_list; p; p = p->next)
    errors += checkSymmetric(p);
  return errors;
}
