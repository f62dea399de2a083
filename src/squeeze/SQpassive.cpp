// What the passive devices share in a resize: the lines of a tile's cell,
// the pair of arcs that fixes a distance, and micrometres to layout units.
#include <cmath>

#include "CS.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "SQint.h"

namespace squeeze {

SQLINE_item* lowLine(const _Dtile* t)
{
  const auto* c = t ? static_cast<const SQCELL_item*>(t->resize_cell()) : nullptr;
  return c ? c->left : nullptr;
}

SQLINE_item* highLine(const _Dtile* t)
{
  const auto* c = t ? static_cast<const SQCELL_item*>(t->resize_cell()) : nullptr;
  return c ? c->right : nullptr;
}

void fixDistance(SQLINE_item* a, SQLINE_item* b, int d, int rank)
{
  SQaddarc(a, b, d, rank);
  SQaddarc(b, a, -d, rank);
}

void clearArcs(SQLINE_item* a, SQLINE_item* b)
{
  if (a && b)
    SQremoveallarc(a, b);
}

int gridUnits(double microns)
{
  if (LAMBDA_T2 <= 0)
    return 0;
  return static_cast<int>(std::lround(microns / LAMBDA_T2 * SCALE));
}

}  // namespace squeeze
