// Resistor pairs of the symmetry-check file: their axes from the resistors'
// first body tiles, into final_res_sym_list.
#include "DSsymmetry.h"

#include <cstring>
#include <vector>

#include "CS.h"
#include "DSint.h"
#include "Dglobal.h"
#include "RXresistor.h"

namespace {

// The extracted resistors by number (entry 0 unused).
std::vector<_RX_RESISTOR_*> resistorsByNumber()
{
  std::vector<_RX_RESISTOR_*> table(resistorCount > 0 ? resistorCount + 1 : 1, nullptr);
  for (_RX_RESISTOR_* r = resistorList ? resistorList->next : nullptr; r; r = r->next)
    if (r->resistorNum > 0 && r->resistorNum < static_cast<int>(table.size()))
      table[r->resistorNum] = r;
  return table;
}

// The resistor a name such as "r3" stands for, or null.
_RX_RESISTOR_* resistorNamed(const std::vector<_RX_RESISTOR_*>& table, const char* name)
{
  int number = checksym::clampedInt(name + 1);
  if (number < 1 || number >= static_cast<int>(table.size()))
    return nullptr;
  return table[number];
}

const _Dtile* firstTile(const _RX_RESISTOR_* r) { return r->start ? r->start->tile : nullptr; }

/*
 * resistorAxis --
 *   Two bodies level with each other (same bottom and top) face a vertical
 *   axis half-way between their left sides; two bodies aligned in x (same
 *   left and right) a horizontal one half-way between their bottoms.
 * Returns: false when the bodies are aligned neither way.
 */
bool resistorAxis(const _Dtile* a, const _Dtile* b, int* axis, long* location)
{
  if (!a || !b)
    return false;
  if (cs::bottom(a) == cs::bottom(b) && cs::top(a) == cs::top(b)) {
    *axis = 0;
    *location = (static_cast<long>(cs::left(a)) + cs::left(b)) / 2;
    return true;
  }
  if (cs::left(a) == cs::left(b) && cs::right(a) == cs::right(b)) {
    *axis = 1;
    *location = (static_cast<long>(cs::bottom(a)) + cs::bottom(b)) / 2;
    return true;
  }
  return false;
}

// Records one pair of the file when it names two resistors with an axis.
// Returns: true when a record was made.
bool storePair(const std::vector<_RX_RESISTOR_*>& table, const char* name1, const char* name2,
               double spacing, int item, int number)
{
  if (!strchr(name1, 'r') || !strchr(name2, 'r') || strcmp(name1, name2) == 0)
    return false;
  _RX_RESISTOR_* r1 = resistorNamed(table, name1);
  _RX_RESISTOR_* r2 = resistorNamed(table, name2);
  if (!r1 || !r2) {
    common::outText("SymResitor: Incorrect resistor numbering\n");
    return false;
  }
  int axis = 0;
  long location = 0;
  if (!resistorAxis(firstTile(r1), firstTile(r2), &axis, &location)) {
    common::outf("SymResistor: Symmetry axis is not found between %s and %s\n\n", name1, name2);
    return false;
  }
  final_res_sym_list = new _res_sym_constraint_list{number, r1, r2, axis, location, item, spacing,
                                                    final_res_sym_list};
  common::outText("SymResistor: Resistor symmetry is found\n");
  return true;
}

}  // namespace

/*
 * StoreSymmetricResistor --
 *   Makes final_res_sym_list from the resistor pairs of the parsed list.
 * Side effects: the previous final_res_sym_list is freed.
 */
void StoreSymmetricResistor()
{
  common::outText("SymResistor: Storing the resistors symmetry information....\n");
  std::vector<_RX_RESISTOR_*> table = resistorsByNumber();
  if (final_res_sym_list) {
    common::outText("SymResistor: final_res_sym_list is not empty, and will be cleared\n");
    DSfreeFinalResSymList();
  }
  int item = 0;
  for (const _symlist* e = SymStart; e; e = e->next) {
    ++item;
    if (e->type != 1) {
      storePair(table, e->name1, e->name2, e->spacing, item, 1);
      continue;
    }
    int number = 0;
    for (const _blocklist* b = e->block; b; b = b->next)
      if (storePair(table, b->name1, b->name2, b->spacing, item, number + 1))
        ++number;
  }
}
