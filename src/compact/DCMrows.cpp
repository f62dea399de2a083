// Constraint rows: the coefficient lists of the variables, the ordered
// right-hand-side list, and the statistics of row making.
#include "Dcompact.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "DCMint.h"
#include "Dglobal.h"

int mps_column_num = 0;
int count_left[kStatLayers];
int count_right[kStatLayers];
int loop_left[kStatLayers];
int loop_right[kStatLayers];
int looplooploop = 0;

namespace {

constexpr int kProgressRows = 5000;  // rows between two progress blocks
constexpr int kHeavyAlpha = 10000;

/* bump -- counts one row end for a layer; layers past the table are not counted. */
void bump(int* counts, const _edge* e)
{
  if (e->layer_num >= 0 && e->layer_num < kStatLayers)
    ++counts[e->layer_num];
}

void printCounts(const char* label, const int* counts)
{
  common::outf("%s", label);
  for (int i = 0; i < kStatLayers; ++i)
    common::outf("%6i ", counts[i]);
}

/* progress -- the block printed every kProgressRows rows; resets the counters. */
void progress(const _edge* e1, const _edge* e2)
{
  common::outf("dir %i mps_column = %i, line = %i>%i, looplooploop = %i\n",
               X_direction ? 1 : 2, mps_column_num, e1->p1.x, e2->p1.x, looplooploop);
  compact::printDate();
  printCounts("ct_left  ", count_left);
  printCounts("\nct_right ", count_right);
  common::outf("\n");
  printCounts("lp_left  ", loop_left);
  printCounts("\nlp_right ", loop_right);
  common::outf("\n\n");
  compact::resetStatistics();
}

/* namedBit -- the bit of _adjacency_list::named for an item naming `other` with the sign. */
uint32_t namedBit(int other, bool negative)
{
  const uint32_t h = (static_cast<uint32_t>(other) * 2 + negative) * 2654435761u;
  return uint32_t{1} << (h >> 27);
}

/* pushItem -- puts a coefficient item at the head of a variable's list. */
inline void pushItem(AdjacencyArray* adj, const _edge* e, int rank, int coeff, const _edge* other)
{
  _adjacency_list& slot = (*adj)[e->sub - 1];
  const int named = other ? other->sub : 0;
  slot.head = compact::equationItems.add(rank, coeff, named, slot.head);
  ++slot.items;
  if (other && coeff != 0)
    slot.named |= namedBit(named, coeff < 0);
}

// The kind of every row by number, and the kind of the rows made next.
struct RowKinds {
  std::vector<uint8_t> byRow;
  compact::RowKind current = compact::RowKind::Unknown;
};

RowKinds& rowKinds()
{
  static RowKinds* kinds = new RowKinds();  // lives as long as the program
  return *kinds;
}

void noteKind(int row)
{
  RowKinds& k = rowKinds();
  if (row < 0)
    return;
  if (static_cast<size_t>(row) >= k.byRow.size())
    k.byRow.resize(static_cast<size_t>(row) + 1 + k.byRow.size() / 2, 0);
  k.byRow[row] = static_cast<uint8_t>(k.current);
}

// Whether every row so far had positive coefficients c1 and c2, so that a
// row (e1, e2) shows on e2's list as a positive item naming e1 as well as
// on e1's list as a negative item naming e2.
bool positiveRows = true;

/* names -- whether the list holds an item naming variable `other` with the given sign. */
bool names(const _adjacency_list& slot, int other, bool negative)
{
  if (!(slot.named & namedBit(other, negative)))
    return false;
  for (uint32_t place = slot.head; place;) {
    if (compact::equationItems.other(place) == other) {
      const int coeff = compact::equationItems.coeff(place);
      if ((coeff < 0) == negative && coeff != 0)
        return true;
    }
    place = compact::equationItems.next(place);
  }
  return false;
}

/*
 * pairMade --
 *   Whether a row was made for the ordered pair (e1, e2): e1's list holds a
 *   negative item naming e2 (a row made as (e2, e1) leaves a positive one).
 *   The shorter of the two lists is searched when the signs tell.
 */
bool pairMade(const AdjacencyArray& adj, const _edge* e1, const _edge* e2)
{
  const _adjacency_list& first = adj[e1->sub - 1];
  const _adjacency_list& second = adj[e2->sub - 1];
  if (!positiveRows)
    return names(first, e2->sub, true);
  // Both lists carry the row: both filters must have their bit.
  if (!(first.named & namedBit(e2->sub, true)) || !(second.named & namedBit(e1->sub, false)))
    return false;
  if (second.items < first.items)
    return names(second, e1->sub, false);
  return names(first, e2->sub, true);
}

/* runOf -- the run holding entry i of a right-hand-side list. */
size_t runOf(const std::vector<_rhs_list::Run>& runs, size_t i)
{
  auto after = std::upper_bound(runs.begin(), runs.end(), i,
                                [](size_t entry, const _rhs_list::Run& r) { return entry < r.start; });
  return static_cast<size_t>(after - runs.begin()) - 1;
}

}  // namespace

int _rhs_list::column(size_t i) const
{
  const Run& r = runs[runOf(runs, i)];
  return r.firstColumn + static_cast<int>(i - r.start);
}

namespace compact {

void setRowKind(RowKind kind) { rowKinds().current = kind; }

RowKind rowKind(int row)
{
  const RowKinds& k = rowKinds();
  return row >= 0 && static_cast<size_t>(row) < k.byRow.size() ? static_cast<RowKind>(k.byRow[row])
                                                                : RowKind::Unknown;
}

const char* rowKindName(RowKind kind)
{
  switch (kind) {
    case RowKind::Width: return "width rule";
    case RowKind::ChannelWidth: return "transistor width rule";
    case RowKind::GateLength: return "transistor length rule";
    case RowKind::InnerWidth: return "tile of a larger shape";
    case RowKind::Spacing: return "spacing rule";
    case RowKind::SameShape: return "tiles of one shape";
    case RowKind::CornerSpacing: return "spacing rule at a corner";
    case RowKind::LeftAlignment: return "aligned left sides";
    case RowKind::RightAlignment: return "aligned right sides";
    case RowKind::Extension: return "extension rule";
    case RowKind::Overlap: return "overlap of one layer";
    case RowKind::Symmetry: return "symmetry";
    case RowKind::Unknown: break;
  }
  return "row";
}

void resetRowKinds()
{
  rowKinds() = RowKinds();
}

void resetStatistics()
{
  for (int i = 0; i < kStatLayers; ++i)
    count_left[i] = count_right[i] = loop_left[i] = loop_right[i] = 0;
  looplooploop = 0;
}

_rhs_list* newRows()
{
  return new _rhs_list();
}

void freeRows(_rhs_list* rows)
{
  delete rows;
}

void addVariable(AdjacencyArray* adj, _edge* edge)
{
  adj->push_back(_adjacency_list{1, 0, edge, 0});
  edge->sub = static_cast<int>(adj->size());
}

}  // namespace compact

/*
 * add_column_2 --
 *   Adds the row c2*x(e2) - c1*x(e1) (type) value.  The first row asked for
 *   an ordered pair of edges stands: a later one for the same (e1, e2),
 *   whatever its type or value, is only counted.
 */
void add_column_2(_edge* e1, _edge* e2, AdjacencyArray* adj, _rhs_list* rhs, int value,
                  char type, int c2, int c1)
{
  if (pairMade(*adj, e1, e2)) {
    ++looplooploop;
    bump(loop_left, e1);
    bump(loop_right, e2);
    return;
  }
  bump(count_left, e1);
  bump(count_right, e2);
  if (mps_column_num % kProgressRows == 0)
    progress(e1, e2);
  int row = ++mps_column_num;
  noteKind(row);
  positiveRows = positiveRows && c1 > 0 && c2 > 0;
  pushItem(adj, e1, row, -c1, e2);
  pushItem(adj, e2, row, c2, e1);
  // Mostly the row after the last one listed: appended here.
  if (!rhs->runs.empty()) {
    const _rhs_list::Run& run = rhs->runs.back();
    const size_t size = rhs->values.size();
    if (run.firstColumn + static_cast<long>(size - run.start) == row) {
      rhs->values.push_back(value);
      rhs->types.push_back(type);
      return;
    }
  }
  add_rhs(type, value, rhs);
}

/*
 * add_column_4 --
 *   Adds the row x(e1) + x(e2) - x(e3) - x(e4) = value; when e3 and e4 are
 *   one edge it gets the coefficient -2.  No duplicate check.
 */
void add_column_4(_edge* e1, _edge* e2, _edge* e3, _edge* e4, AdjacencyArray* adj,
                  _rhs_list* rhs, int value)
{
  int row = ++mps_column_num;
  noteKind(row);
  pushItem(adj, e1, row, 1, nullptr);
  pushItem(adj, e2, row, 1, nullptr);
  if (e3 != e4) {
    pushItem(adj, e3, row, -1, nullptr);
    pushItem(adj, e4, row, -1, nullptr);
  } else {
    pushItem(adj, e3, row, -2, nullptr);
  }
  add_rhs('E', value, rhs);
}

/* add_rhs -- the right-hand side of row mps_column_num. */
void add_rhs(char type, int value, _rhs_list* rhs)
{
  const _rhs_item item{mps_column_num, value, type};
  rhs_insert(&item, rhs);
}

/*
 * rhs_insert --
 *   Puts a copy of the item before the first item whose row number is
 *   greater than or equal to its own.  Rows mostly come in order, so the
 *   end is tried first.
 */
void rhs_insert(const _rhs_item* item, _rhs_list* rhs)
{
  std::vector<_rhs_list::Run>& runs = rhs->runs;
  const size_t size = rhs->size();
  const int column = item->column;
  const long last = size == 0 ? 0 : runs.back().firstColumn + static_cast<long>(size - 1 - runs.back().start);
  if (size == 0 || last < column) {
    if (size == 0 || last + 1 != column)
      runs.push_back(_rhs_list::Run{size, column});
    rhs->values.push_back(item->value);
    rhs->types.push_back(item->type);
    return;
  }
  // The first entry whose row number is not below the item's (one exists).
  size_t low = 0, high = size - 1;
  while (low < high) {
    const size_t mid = low + (high - low) / 2;
    if (rhs->column(mid) < column)
      low = mid + 1;
    else
      high = mid;
  }
  const size_t at = low;
  rhs->values.insert(rhs->values.begin() + at, item->value);
  rhs->types.insert(rhs->types.begin() + at, item->type);
  // The run holding `at` is cut there: the item gets a run of its own and
  // the entries from `at` on move up one place.
  size_t k = runOf(runs, at);
  for (size_t j = k + 1; j < runs.size(); ++j)
    ++runs[j].start;
  const _rhs_list::Run cut = runs[k];
  const _rhs_list::Run rest{at + 1, cut.firstColumn + static_cast<int>(at - cut.start)};
  if (at == cut.start) {
    runs[k] = rest;
    runs.insert(runs.begin() + k, _rhs_list::Run{at, column});
  } else {
    runs.insert(runs.begin() + k + 1, {_rhs_list::Run{at, column}, rest});
  }
}

/* modify_alpha -- weighs the variables of the box's left and right edges. */
void modify_alpha(AdjacencyArray* adj, box_item* box)
{
  (*adj)[box->left_edge->sub - 1].alpha = kHeavyAlpha;
  (*adj)[box->right_edge->sub - 1].alpha = kHeavyAlpha;
}
