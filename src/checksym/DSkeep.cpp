// The pairs a resize can keep: before any row is made, the detected pairs
// (from whatever detection filled final_sym_list) are checked for one axis
// per block and one axis per transistor; pairs that contradict each other
// are reported and taken out, the others stay.
#include "DSsymmetry.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "DEextract.h"
#include "DSgates.h"
#include "Dglobal.h"

namespace {

using checksym::kModule;

// An axis: its kind (0 vertical, 1 horizontal) and place.
using Axis = std::pair<int, long>;

Axis axisOf(const _sym_constraint_list* r) { return {r->axis, r->sym_loc}; }

std::string axisText(Axis a)
{
  return std::string(a.first == 0 ? "x" : "y") + " = " + std::to_string(a.second);
}

const char* nameOf(const _Dtransistor* t) { return t ? t->name : "?"; }

// "m10 = m15 (x = 14800)", with ": m16" for a reference.
std::string pairText(const _sym_constraint_list* r)
{
  std::string text = std::string(nameOf(r->Trans1)) + " = " + nameOf(r->Trans2);
  if (r->Tran_res)
    text += std::string(" : ") + r->Tran_res->name;
  return text + " (" + axisText(axisOf(r)) + ")";
}

std::string listText(const std::vector<_sym_constraint_list*>& records)
{
  std::string text;
  for (const _sym_constraint_list* r : records)
    text += (text.empty() ? "" : ", ") + pairText(r);
  return text;
}

/*
 * checkBlocks --
 *   A block whose pairs lie about several axes keeps the pairs of the axis
 *   most of them share; when no axis has more pairs than every other, none
 *   is kept.  The others go into `out`.
 */
void checkBlocks(const std::vector<_sym_constraint_list*>& records,
                 std::set<const _sym_constraint_list*>* out)
{
  std::map<int, std::vector<_sym_constraint_list*>> blocks;
  for (_sym_constraint_list* r : records)
    blocks[r->block_number].push_back(r);
  for (const auto& [number, pairs] : blocks) {
    std::map<Axis, int> count;
    for (const _sym_constraint_list* r : pairs)
      ++count[axisOf(r)];
    if (count.size() < 2)
      continue;
    Axis best{};
    int most = 0, tied = 0;
    for (const auto& [axis, n] : count) {
      if (n > most) {
        best = axis;
        most = n;
        tied = 0;
      } else if (n == most) {
        ++tied;
      }
    }
    for (const _sym_constraint_list* r : pairs)
      if (tied || axisOf(r) != best)
        out->insert(r);
    if (tied)
      GCmessage(kModule, 'W',
                "The pairs of symmetry block %d lie about different axes: %s; no axis holds "
                "most of them, so the resize leaves them all out",
                number, listText(pairs).c_str());
    else
      GCmessage(kModule, 'W',
                "The pairs of symmetry block %d lie about different axes: %s; the resize keeps "
                "the block about %s and leaves the others out",
                number, listText(pairs).c_str(), axisText(best).c_str());
  }
}

/*
 * checkTransistors --
 *   A transistor in pairs (or centred as a block's reference) about two
 *   different axes cannot keep both: all those pairs go into `out`.
 */
void checkTransistors(const std::vector<_sym_constraint_list*>& records,
                      std::set<const _sym_constraint_list*>* out)
{
  // Transistors in the order they first appear, with the pairs naming them.
  std::vector<const _Dtransistor*> order;
  std::map<const _Dtransistor*, std::vector<_sym_constraint_list*>> uses;
  for (_sym_constraint_list* r : records) {
    if (out->count(r))
      continue;
    for (const _Dtransistor* t : {r->Trans1, r->Trans2, r->Tran_res}) {
      if (!t)
        continue;
      std::vector<_sym_constraint_list*>& u = uses[t];
      if (u.empty())
        order.push_back(t);
      if (u.empty() || u.back() != r)
        u.push_back(r);
    }
  }
  for (const _Dtransistor* t : order) {
    const std::vector<_sym_constraint_list*>& u = uses[t];
    std::set<Axis> axes;
    for (const _sym_constraint_list* r : u)
      axes.insert(axisOf(r));
    if (axes.size() < 2)
      continue;
    for (const _sym_constraint_list* r : u)
      out->insert(r);
    GCmessage(kModule, 'W',
              "Transistor %s is in symmetric pairs about different axes: %s; the resize leaves "
              "these pairs out",
              t->name, listText(u).c_str());
  }
}

}  // namespace

/*
 * checksym::keepConsistentPairs --
 *   Takes out of final_sym_list the pairs a resize cannot keep together:
 *   pairs of one block off the block's axis, then every pair of a
 *   transistor that lies in pairs about different axes.  Each case is one
 *   warning naming the pairs with their axes.
 * Returns: the number of pairs taken out.
 */
int checksym::keepConsistentPairs()
{
  std::vector<_sym_constraint_list*> records;
  for (_sym_constraint_list* r = final_sym_list; r; r = r->next)
    records.push_back(r);
  std::reverse(records.begin(), records.end());  // in the order they were found
  std::set<const _sym_constraint_list*> out;
  checkBlocks(records, &out);
  checkTransistors(records, &out);
  if (out.empty())
    return 0;
  for (_sym_constraint_list** p = &final_sym_list; *p;) {
    _sym_constraint_list* r = *p;
    if (!out.count(r)) {
      p = &r->next;
      continue;
    }
    *p = r->next;
    delete r;
  }
  common::outf("Symmetry: %d pairs left out of the resize, %d kept\n", static_cast<int>(out.size()),
               static_cast<int>(records.size() - out.size()));
  return static_cast<int>(out.size());
}
