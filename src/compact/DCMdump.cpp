// The row dump: the rows of both directions as the resize driver makes
// them, one readable line per row, for tests and for designers who want to
// know what holds a layout.
#include "Dcompact.h"

#include <cstdio>
#include <vector>

#include "CS.h"
#include "DCMint.h"
#include "Dglobal.h"

namespace compact {

namespace {

struct Term {
  int coeff;
  const _edge* edge;
};

/* writeTerm -- "+1*CAA.left(x=900 y=100..700)", in the pass's coordinates. */
void writeTerm(FILE* out, const Term& term, bool x)
{
  const _edge* e = term.edge;
  const char* side = x ? (e->upward ? "left" : "right") : (e->upward ? "bottom" : "top");
  fprintf(out, " %+d*%s.%s(%c=%d %c=%d..%d)", term.coeff, e->name ? e->name : "?", side,
          x ? 'x' : 'y', e->p1.x, x ? 'y' : 'x', e->p1.y, e->p2.y);
}

/* writeDirection -- the rows of one direction, in row order. */
void writeDirection(FILE* out, const AdjacencyArray& adj, const _rhs_list* rows, bool x)
{
  if (rows->empty())
    return;
  const int first = rows->front().column, last = rows->back().column;
  std::vector<std::vector<Term>> terms(static_cast<size_t>(last - first + 1));
  for (const _adjacency_list& slot : adj)
    for (const _equation_item& item : coefficients(slot))
      if (item.rank >= first && item.rank <= last)
        terms[item.rank - first].push_back(Term{item.coeff, slot.the_edge});
  for (const _rhs_item& r : *rows) {
    fprintf(out, "%d %c %c", r.column, x ? 'X' : 'Y', r.type);
    for (const Term& t : terms[r.column - first])  // in variable order
      writeTerm(out, t, x);
    const char* relation = r.type == 'E' ? "=" : r.type == 'G' ? ">=" : "<=";
    fprintf(out, " %s %d\n", relation, r.value);
  }
}

}  // namespace

void makeRows(_rhs_list** xRows, _rhs_list** yRows)
{
  init_staff();
  scan_toget_variables();
  mps_column_num = 1;
  resetStatistics();
  *xRows = newRows();
  X_direction = 1;
  scan_queue->sweep(equat_bucket, *xRows);
  PHASEII = 1;
  X_direction = 0;
  *yRows = newRows();
  scan_queue_y->sweep(equat_bucket_y, *yRows);
  PHASEII = 1;
  X_direction = 1;
}

/*
 * dumpRows --
 *   init_staff, the variable scan, the X sweep from row 2 and the Y sweep
 *   continuing its numbering, written to `path`; everything is released
 *   afterwards.
 */
int dumpRows(const char* path)
{
  if (DlayerNum == 0 || !DlayerTile[0].layertile) {
    GCmessage(0, 'E', "No corner stitch layout: load a layout before writing its rows");
    return 1;
  }
  FILE* out = fopen(path, "w");
  if (!out) {
    GCmessage(0, 'E', "Cannot write the rows to %s", path);
    return 1;
  }
  const cs::OtherLayerPlanes otherLayers;  // the wells too, as the resize sees them
  _rhs_list *xRows = nullptr, *yRows = nullptr;
  makeRows(&xRows, &yRows);

  fprintf(out, "# %d variables per direction, rows %d to %d\n", num_of_var,
          xRows->empty() ? mps_column_num + 1 : xRows->front().column, mps_column_num);
  writeDirection(out, *equat_bucket, xRows, true);
  writeDirection(out, *equat_bucket_y, yRows, false);
  const bool written = fclose(out) == 0;
  freeRows(xRows);
  freeRows(yRows);
  freeStaff();
  X_direction = 1;
  if (!written) {
    GCmessage(0, 'E', "Cannot write the rows to %s", path);
    return 1;
  }
  return 0;
}

}  // namespace compact
