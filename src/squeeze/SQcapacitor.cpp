// Capacitors in a resize: the dummy boxes that stand in for them during the
// sweep, their new geometry (extracted or from the size file, checked
// against the plate widths and put on the grid), and the arcs that hold
// the plates and the dummy box to that geometry.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "CS.h"
#include "CXcapacitor.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "DUsize.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dview.h"
#include "SQint.h"
#include "SQsqueeze.h"

namespace {

constexpr int kCapRank = -70;

_CX_CAPACITOR_* first() { return capacitorList ? capacitorList->next : nullptr; }

// Plate minimum width of the tile's layer in micrometres (0 without a rule).
double minimumWidth(const _Dtile* t)
{
  if (!t || !t->layer())
    return 0;
  const int layer = t->layer()->layer;
  if (layer < 0 || layer >= kRuleLayers || WIDTH_VALID[layer] != 1)
    return 0;
  return WIDTH[layer] * LAMBDA_T2;
}

double roundUp(double v)
{
  if (LAMBDA_T2 <= 0)
    return v;
  // A value already on the grid stays: the quotient of two doubles may lie
  // a hair above the whole number.
  const double steps = v / LAMBDA_T2;
  const double whole = std::round(steps);
  return LAMBDA_T2 * (std::fabs(steps - whole) < 1e-9 ? whole : std::ceil(steps));
}

SQLINE_item* low(const _Dtile* t) { return squeeze::lowLine(t); }
SQLINE_item* high(const _Dtile* t) { return squeeze::highLine(t); }
void fix(SQLINE_item* a, SQLINE_item* b, int d) { squeeze::fixDistance(a, b, d, kCapRank); }
void clear(SQLINE_item* a, SQLINE_item* b) { squeeze::clearArcs(a, b); }

}  // namespace


/*
 * CXnewDlayerTile --
 *   The plane of the layer `name`, made (empty, over the layout's frame)
 *   when there is none.  A technology without the layer abandons the
 *   action in the lookup.
 * Returns: the index of the plane.
 */
int CXnewDlayerTile(const char* name)
{
  for (int p = 0; p < DlayerNum; ++p)
    if (DlayerTile[p].layertile && strcmp(DlayerTile[p].name, name) == 0)
      return p;
  const int index = DfindNumber(name);
  if (DlayerNum >= kMaxPlanes) {
    GCmessage(0, 'F', "No room for the plane of layer %s: %d planes are in use", name,
              DlayerNum);
    common::abandonAction(1);
  }
  _DlayerTile& p = DlayerTile[DlayerNum];
  p = _DlayerTile{};
  p.frame = DlayerTile[0].frame;
  p.layer = static_cast<int16_t>(Glayers[index].layer);
  snprintf(p.name, sizeof p.name, "%s", name);
  p.layertile = Init1LayerCS();
  p.crittile = Init1LayerCS();
  p.bordertile = p.crittile->rt();
  p.stilenum = 0;
  return DlayerNum++;
}

void CXaddDummyTileToCapacitorList(_CX_CAPACITOR_* cap, _Dtile* tile) { cap->dummyTile = tile; }

_Dtile* CXputDummyBox(int plane, int x1, int y1, int x2, int y2)
{
  _rects box{x1, y1, x2, y2, nullptr};
  Stitch = DlayerTile[plane].layertile;
  _Dtile* t = Put1BoxCS(&box, DlayerTile[plane].layer, plane);
  // The tile that holds the box's lower left corner stands for it.
  _Dtile* found = PointFind(x1 + 1, y1);
  DlayerTile[plane].layertile = Stitch = t;
  return found && TisSolid(found) ? found : t;
}

void CXaddDummyTile()
{
  const int plane = CXnewDlayerTile("XYZ");
  for (_CX_CAPACITOR_* cap = first(); cap; cap = cap->next) {
    const _Dtile *a = cap->plate1, *b = cap->plate2;
    if (!a || !b)
      continue;
    const int x1 = std::min(a->x1, b->x1), y1 = std::min(a->y1, b->y1);
    const int x2 = std::max(cs::right(a), cs::right(b)), y2 = std::max(cs::top(a), cs::top(b));
    CXaddDummyTileToCapacitorList(cap, CXputDummyBox(plane, x1, y1, x2, y2));
  }
  DVredraw(nullptr, nullptr, nullptr);
}

int CXcapRemoval()
{
  CXaddDummyTile();
  return 0;
}

void CXgetCapOrigGeometry(_CX_CAPACITOR_* cap) { cap->newGeometry = cap->origGeometry; }

int CXchkDesignRule(_CX_CAPACITOR_* cap)
{
  const double m = std::max(minimumWidth(cap->plate1), minimumWidth(cap->plate2));
  double* side = nullptr;
  if (cap->newGeometry.width < m)
    side = &cap->newGeometry.width;
  else if (cap->newGeometry.length < m)
    side = &cap->newGeometry.length;
  if (!side)
    return 1;
  common::outf("\n\n WARNING: capacitor new geometry violates the design rule\n");
  common::outf("The geometry will be modified \n");
  *side = m;
  return 0;
}

void CXrefineCapSize(_CX_CAPACITOR_* cap)
{
  _CX_GEOMETRY_& g = cap->newGeometry;
  g.width = roundUp(g.width);
  g.length = roundUp(g.length);
  for (_CX_ENCLOSURE_* e : {&g.top_ext, &g.bottom_ext, &g.left_ext, &g.right_ext})
    e->extension = roundUp(e->extension);
}

int CXcapGen()
{
  for (_CX_CAPACITOR_* cap = first(); cap; cap = cap->next) {
    CXgetCapOrigGeometry(cap);
    if (CXchkDesignRule(cap) == 0) {
      common::outf("\nWARNING: The capacitor geometry has neen modified!\n");
      common::outf("\t\t\tCapacitance value may not be the same\n");
    }
    CXrefineCapSize(cap);
  }
  if (textualDeviceSizeInput == 1) {
    USupdateCapSize();
    USdeleteCapArray();
  }
  return 0;
}

/*
 * CXsetCapConstraint --
 *   Holds the plates and the dummy box of `cap` to its new geometry in
 *   `direction` (1 left-right: width, left and right enclosures; 2
 *   top-bottom: length, bottom and top enclosures).  The arcs that keep the
 *   drawn overlap of the two plates are replaced as well: the new geometry
 *   decides it.
 */
void CXsetCapConstraint(_CX_CAPACITOR_* cap, int direction)
{
  _Dtile *p1 = cap->plate1, *p2 = cap->plate2, *d = cap->dummyTile;
  if (!low(p1) || !high(p1) || !low(p2) || !high(p2) || !low(d) || !high(d)) {
    common::outf("CXsetCapConstraint: capacitor %d has no cells in the squeeze graph\n",
                 cap->capacitorNum);
    return;
  }
  const _CX_GEOMETRY_& g = cap->newGeometry;
  const double s = direction == LEFT_RIGHT ? g.width : g.length;
  const _CX_ENCLOSURE_& n = direction == LEFT_RIGHT ? g.left_ext : g.bottom_ext;
  const _CX_ENCLOSURE_& f = direction == LEFT_RIGHT ? g.right_ext : g.top_ext;

  for (_Dtile* other : {p1, p2, cap->port1tile, cap->port2tile})
    for (SQLINE_item* dl : {low(d), high(d)})
      for (SQLINE_item* ol : {low(other), high(other)})
        clear(dl, ol);
  for (SQLINE_item* a : {low(p1), high(p1)})
    for (SQLINE_item* b : {low(p2), high(p2)})
      clear(a, b);
  clear(low(p1), high(p1));
  clear(low(p2), high(p2));

  double s1 = s, s2 = s;
  const int e = squeeze::gridUnits(n.extension);
  if (n.plate == p1) {
    fix(low(p1), low(p2), e);
    fix(low(d), low(p1), 0);
    s1 += n.extension;
  } else if (n.plate == p2) {
    fix(low(p2), low(p1), e);
    fix(low(d), low(p2), 0);
    s2 += n.extension;
  } else {
    // No plate named on the near side: the plates start together, or they
    // would be free to slide apart now that their overlap arcs are gone.
    fix(low(p1), low(p2), 0);
    fix(low(d), low(p1), 0);
  }
  if (f.plate == p1)
    s1 += f.extension;
  else if (f.plate == p2)
    s2 += f.extension;

  fix(low(p1), high(p1), squeeze::gridUnits(s1));
  fix(low(p2), high(p2), squeeze::gridUnits(s2));
  clear(low(d), high(d));
  fix(low(d), high(d), std::max(squeeze::gridUnits(s1), squeeze::gridUnits(s2)));
}

void CXsetConstraint(int direction)
{
  for (_CX_CAPACITOR_* cap = first(); cap; cap = cap->next)
    CXsetCapConstraint(cap, direction);
}
