// The core LP as an MPS file that lp_solve always reads: rows declared
// once, each column's entries together, in ascending row order, one entry
// per row.
#include <cstdio>
#include <string>

#include "SQint.h"

namespace squeeze {

namespace {

constexpr long kMaxCoefficient = 2147483647L;

}  // namespace

void MpsModel::addRow(char type, int row)
{
  rows_.push_back(Row{type, row});
  if (!declared_.emplace(row, type).second)
    ++duplicateRows_;
}

void MpsModel::addColumn(int column)
{
  if (columnAt_.emplace(column, columns_.size()).second)
    columns_.push_back(Column{column, {}});
}

void MpsModel::addEntry(int column, int row, int coefficient)
{
  addColumn(column);
  columns_[columnAt_[column]].entries[row] += coefficient;
}

void MpsModel::setRhs(int row, int value) { rhs_[row] = value; }

void MpsModel::fixColumn(int column, int value) { fixed_.emplace_back(column, value); }

/*
 * MpsModel::check --
 *   Returns: an empty text when the model makes a file lp_solve reads, else
 *   what is wrong with it.
 */
std::string MpsModel::check() const
{
  char what[160];
  if (duplicateRows_) {
    snprintf(what, sizeof what, "%d rows are declared twice", duplicateRows_);
    return what;
  }
  if (rows_.empty() || rows_.front().type != 'N') {
    return "the first row is not the objective";
  }
  for (const Row& r : rows_)
    if (r.type != 'N' && r.type != 'G' && r.type != 'L' && r.type != 'E') {
      snprintf(what, sizeof what, "row %d has the type '%c'", r.number, r.type);
      return what;
    }
  for (const Column& c : columns_)
    for (const auto& [row, coefficient] : c.entries) {
      if (!declared_.count(row)) {
        snprintf(what, sizeof what, "X%d names row %d, which is not declared", c.number, row);
        return what;
      }
      if (coefficient > kMaxCoefficient || coefficient < -kMaxCoefficient) {
        snprintf(what, sizeof what, "the coefficient of X%d in row %d is out of range", c.number,
                 row);
        return what;
      }
    }
  for (const auto& [row, value] : rhs_)
    if (!declared_.count(row)) {
      snprintf(what, sizeof what, "a right-hand side names row %d, which is not declared", row);
      return what;
    }
  for (const auto& [column, value] : fixed_)
    if (!columnAt_.count(column)) {
      snprintf(what, sizeof what, "the bound names X%d, which is no column", column);
      return what;
    }
  return "";
}

/*
 * MpsModel::write --
 *   Writes the model (after check) as an integer program: ROWS in the
 *   order declared, COLUMNS in the order of their first entry with each
 *   column's rows ascending and coefficients of one row summed (a sum of
 *   zero is left out; a column left without entries keeps a zero in the
 *   objective, so that lp_solve reports its value), RHS in row order,
 *   BOUNDS.
 * Returns: 0, or 1 with the reason in `error` and nothing written.
 */
int MpsModel::write(FILE* f, std::string* error) const
{
  *error = check();
  if (!error->empty())
    return 1;
  const int objective = rows_.front().number;
  fprintf(f, "NAME LINDO GENERATED MPS FILE (MIN)\n");
  fprintf(f, "ROWS\n");
  for (const Row& r : rows_)
    fprintf(f, "  %c %i\n", r.type, r.number);
  fprintf(f, "COLUMNS\n");
  fprintf(f, "    int       'MARKER'                 'INTORG'\n");
  for (const Column& c : columns_) {
    bool any = false;
    for (const auto& [row, coefficient] : c.entries) {
      if (coefficient == 0)
        continue;
      fprintf(f, "    X%-7d  %-8d  %ld\n", c.number, row, coefficient);
      any = true;
    }
    if (!any)
      fprintf(f, "    X%-7d  %-8d  %d\n", c.number, objective, 0);
  }
  fprintf(f, "RHS\n");
  for (const Row& r : rows_) {
    auto it = rhs_.find(r.number);
    if (it != rhs_.end())
      fprintf(f, "    %-8s  %-8d  %d\n", "RHS", r.number, it->second);
  }
  fprintf(f, "BOUNDS\n");
  for (const auto& [column, value] : fixed_)
    fprintf(f, " FX BND1      X%-7d  %d\n", column, value);
  fprintf(f, "ENDATA\n");
  return 0;
}

}  // namespace squeeze
