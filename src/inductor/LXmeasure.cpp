// Spiral inductors: diameters, wire width and spacing, the monomial
// inductance, the kind, the bounding box and the listing.
#include <cmath>
#include <cstdlib>

#include "CS.h"
#include "DEextract.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "LXinductor.h"

namespace {

constexpr int kModule = 14;

// Layout units to micrometres.
double microns(long units) { return units * LAMBDA_T1 / SCALE; }

struct Edges {
  long x1, y1, right, top;
};
Edges edges(const _Dtile* t) { return {t->x1, t->y1, cs::right(t), cs::top(t)}; }

/*
 * across --
 *   The inner and outer distance between segment `s` and the parallel
 *   segment `t` two places along it, across the spiral.
 */
void across(const _Dtile* st, const _Dtile* tt, long* inner, long* outer)
{
  Edges s = edges(st), t = edges(tt);
  if (t.right - t.x1 <= t.top - t.y1) {  // t vertical or square
    if (t.x1 <= s.x1) {
      *inner = std::labs(s.x1 - t.right);
      *outer = std::labs(s.right - t.x1);
    } else {
      *inner = std::labs(t.x1 - s.right);
      *outer = std::labs(t.right - s.x1);
    }
  } else if (t.y1 <= s.y1) {
    *inner = std::labs(s.y1 - t.top);
    *outer = std::labs(s.top - t.y1);
  } else {
    *inner = std::labs(t.y1 - s.top);
    *outer = std::labs(t.top - s.y1);
  }
}

bool sameLayer(const _Dtile* a, const _Dtile* b)
{
  return a && b && (a->type & 0xFF) == (b->type & 0xFF);
}

long netOf(const _Dtile* t) { return t ? t->node : 0; }

}  // namespace

/*
 * LXgetDiameters --
 *   Measures across the spiral at both ends; the smaller inner distance is
 *   the inner diameter, and the outer one of the other end the outer
 *   diameter.
 */
void LXgetDiameters(_LXInductor* ind)
{
  long inner1, outer1, inner2, outer2;
  across(ind->start->tile, ind->start->next->next->tile, &inner1, &outer1);
  across(ind->end->tile, ind->thirdlast->tile, &inner2, &outer2);
  if (inner1 < inner2) {
    ind->innerDiameter = microns(inner1);
    ind->outerDiameter = microns(outer2);
  } else {
    ind->innerDiameter = microns(inner2);
    ind->outerDiameter = microns(outer1);
  }
}

// The smaller side of the second segment.
void LXgetInductorWidth(_LXInductor* ind)
{
  Edges t = edges(ind->start->next->tile);
  ind->width = microns(std::min(t.right - t.x1, t.top - t.y1));
}

// The gap between the first segment and the fifth, one turn further in.
void LXgetInductorSpacing(_LXInductor* ind)
{
  Edges s = edges(ind->start->tile);
  Edges f = edges(ind->start->next->next->next->next->tile);
  long gap = std::min(std::min(std::labs(s.y1 - f.top), std::labs(s.top - f.y1)),
                      std::min(std::labs(s.x1 - f.right), std::labs(s.right - f.x1)));
  ind->spacing = microns(gap);
}

/*
 * LXindMonomial --
 *   Inductance in nH of a square spiral from its outer and inner diameter,
 *   wire width and spacing (micrometres) and its number of turns.
 */
double LXindMonomial(double outer, double inner, double width, double spacing, double turns)
{
  return 0.00166 * std::pow(outer, -1.33) * std::pow(width, -0.125) *
         std::pow((outer + inner) / 2, 2.5) * std::pow(turns, 1.83) * std::pow(spacing, -0.022);
}

void LXgetInductorMeasurement(_LXInductor* ind)
{
  LXgetDiameters(ind);
  LXgetInductorWidth(ind);
  LXgetInductorSpacing(ind);
  ind->L = LXindMonomial(ind->outerDiameter, ind->innerDiameter, ind->width, ind->spacing,
                         ind->qturns / 4.0);
}

/*
 * LXgetInductorType --
 *   A five-segment spiral whose first and last segments lie side by side is
 *   a one-turn inductor (four quarter turns): 12 with both ports on one
 *   layer, else 14.  Any other spiral is 0 with both ports on its own layer,
 *   else 11.
 */
void LXgetInductorType(_LXInductor* ind)
{
  const _Dtile* s = ind->start->tile;
  const _Dtile* e = ind->end->tile;
  if (ind->qturns == 5) {
    int os = LXcheckTileOrientation(s->x1, s->y1, cs::right(s), cs::top(s));
    int oe = LXcheckTileOrientation(e->x1, e->y1, cs::right(e), cs::top(e));
    if (os != oe) {
      common::outf(
          "\nWARNING -- the first and last tile orientations on one-turn-inductor do not "
          "match!!!\n");
      ind->type = 0;
      return;
    }
    bool apart = os == 8 ? (cs::top(s) < e->y1 || s->y1 > cs::top(e))
                         : os == 9 && (cs::right(s) < e->x1 || s->x1 > cs::right(e));
    if (apart) {
      ind->qturns = 4;
      ind->type = sameLayer(ind->port1tile, ind->port2tile) ? 12 : 14;
      return;
    }
  }
  ind->type = sameLayer(ind->port1tile, s) && sameLayer(ind->port2tile, s) ? 0 : 11;
}

void LXgetInductorBound(_LXInductor* ind)
{
  long x1 = kInfinity, y1 = kInfinity, x2 = -kInfinity, y2 = -kInfinity;
  for (const _Dtilelist* n = ind->start; n; n = n->next) {
    const _Dtile* t = n->tile;
    x1 = std::min<long>(x1, t->x1);
    y1 = std::min<long>(y1, t->y1);
    x2 = std::max<long>(x2, cs::right(t));
    y2 = std::max<long>(y2, cs::top(t));
  }
  ind->origX1 = static_cast<int>(x1);
  ind->origY1 = static_cast<int>(y1);
  ind->origX2 = static_cast<int>(x2);
  ind->origY2 = static_cast<int>(y2);
}

/*
 * LXshowAllInductors --
 *   Prints the inductors, newest first.  A port that reaches no net is
 *   named as net 0 in the listing and reported as open in a warning.
 */
void LXshowAllInductors()
{
  common::outf("Total number of inductors: %d \n", inductorCount);
  for (_LXInductor* ind = inductorList ? inductorList->next : nullptr; ind; ind = ind->next) {
    common::outf("printing inductor %d, has %5.2f turns, between net %ld and net %ld\n",
                 ind->inductorNo, ind->qturns / 4.0, netOf(ind->port1tile),
                 netOf(ind->port2tile));
    if (ind->turnsDir == 2)
      common::outf("\tdirection is counter-clockwise\n");
    else if (ind->turnsDir == 1)
      common::outf("\tdirection is clockwise\n");
    common::outf("\tInner diameter is %6.2f (um), Outer diameter is %6.2f (um)\n",
                 ind->innerDiameter, ind->outerDiameter);
    common::outf("\tInductor width is %6.2f (um), separation is %6.2f (um)\n", ind->width,
                 ind->spacing);
    common::outf("\tInductance value: %f (nH) \n", ind->L);
    if (!ind->port1tile)
      GCmessage(kModule, 'W', "Inductor %d: the outer port is open", ind->inductorNo);
    if (!ind->port2tile)
      GCmessage(kModule, 'W', "Inductor %d: the inner port is open", ind->inductorNo);
  }
}
