// User-driven detection: two transistors clicked in the main view, or two
// rectangles dragged around the two sides of a block.
#include "DSsymmetry.h"

#include <algorithm>

#include "CS.h"
#include "DEextract.h"
#include "DSgates.h"
#include "Dcompact.h"
#include "DTtechnology.h"
#include "Devent.h"
#include "Dglobal.h"
#include "Dview.h"

Transistor* trans1 = nullptr;
Transistor* trans2 = nullptr;

namespace {

using checksym::kModule;

constexpr int kRectangleColour = 3;

// ---------------------------------------------------------------------------
// Clicked transistors.
// ---------------------------------------------------------------------------

/*
 * pick --
 *   The object under a click: a transistor tile in any plane replaces the
 *   selection `slot`; else the first solid tile on a net is shown as its
 *   net; else nothing is selected.
 */
int pick(_point p, Transistor** slot)
{
  if (DlayerNum == 0) {
    GCmessage(kModule, 'W', "Corner stitch structure not ready");
    return 0;
  }
  for (int i = 0; i < DlayerNum; ++i) {
    if (!DlayerTile[i].layertile) {
      GCmessage(kModule, 'W', "CS structure not ready");
      return 0;
    }
  }
  if (p.x <= cs::kMin || p.x >= cs::kMax || p.y <= cs::kMin || p.y >= cs::kMax) {
    GCmessage(kModule, 'M', "No object selected");
    return 0;
  }
  _Dtile* current = Stitch;
  _Dtransistor* found = nullptr;
  _Dtile* netTile = nullptr;
  for (int i = 0; i < DlayerNum && !found; ++i) {
    Stitch = DlayerTile[i].layertile;
    _Dtile* t = PointFind(static_cast<int>(p.x), static_cast<int>(p.y));
    if (TisElement(t))
      found = extract::transistorOf(t);
    else if (!netTile && TisSolid(t) && t->node > 0)
      netTile = t;
  }
  Stitch = current;
  if (found) {
    GCmessage(kModule, 'M', "It is a transistor");
    delete *slot;
    *slot = new Transistor(found);
    return 0;
  }
  if (netTile) {
    common::errf("Net number: %d\n", netTile->node);
    DExSearchNet(netTile->node);
    return 0;
  }
  GCmessage(kModule, 'M', "No object selected");
  return 0;
}

template <int (*operation)(_point)>
int onePoint(_points* points, _GEvent*)
{
  return points ? operation(_point{points->x, points->y}) : 0;
}

template <int (*operation)(_point)>
void startPointing(const char* prompt)
{
  static _GEvent step;
  step = {GGEbutton1, GGRno, nullptr, nullptr, onePoint<operation>, nullptr, nullptr, Vmain};
  step.prompt = prompt;
  DEevent(&step);
}

}  // namespace

namespace {

void forgetTransistors()
{
  delete trans1;
  delete trans2;
  trans1 = trans2 = nullptr;
  DSfreeFinalSymList();
  DSfreeFinalResSymList();
}

}  // namespace

void checksym::install() { extract::onRelease(&forgetTransistors); }

int SelTrans1Exe(_point point) { return pick(point, &trans1); }
int SelTrans2Exe(_point point) { return pick(point, &trans2); }

int SelTrans1()
{
  startPointing<SelTrans1Exe>("Click a transistor: first of the pair");
  return 0;
}

int SelTrans2()
{
  startPointing<SelTrans2Exe>("Click a transistor: second of the pair");
  return 0;
}

/*
 * Transistor::sym_check --
 *   The two gate boxes searched on a fresh axis list.
 * Returns: 1 when an axis was found.
 */
int Transistor::sym_check(const Transistor& other)
{
  delete all_sym_axes;
  all_sym_axes = new SYM_AXIS_LIST();
  x_axis = y_axis = kSymNotFound;
  checksym::GateBoxes boxes;
  boxes.add(tran_);
  boxes.add(other.tran_);
  scan_allsets(boxes.list(), false);
  return all_sym_axes->nbr_axes >= 1;
}

/*
 * TransSym --
 *   f.TransSym: checks the two clicked transistors and draws their axis
 *   across the first gate.
 */
int TransSym()
{
  if (!trans1) {
    common::outf("\nThe selection of first transistor was NOT okay!\n");
    common::outf("Please reselect..\n");
    return 0;
  }
  if (!trans2) {
    common::outf("\nThe selection of second transistor was NOT okay!\n");
    common::outf("Please reselect..\n");
    return 0;
  }
  if (!trans1->sym_check(*trans2)) {
    common::outf("These two transistors are NOT Symmetrical!!\n");
    return 0;
  }
  common::outf("These two transistors are Symmetrical!!\n");
  const _Dtile* g = trans1->get()->Tgate;
  if (x_axis == kSymNotFound)
    DSdrawAxis(cs::left(g), y_axis, cs::right(g), y_axis);
  else
    DSdrawAxis(x_axis, cs::bottom(g), x_axis, cs::top(g));
  return 0;
}

// ---------------------------------------------------------------------------
// Dragged rectangles.
// ---------------------------------------------------------------------------
namespace {

struct Rectangle {
  long x1, y1, x2, y2;
};

struct DragState {
  bool firstSelected = false;
  Rectangle first{};
};
DragState drag;

_GEvent boxSteps[2];

bool apartInX(const Rectangle& a, const Rectangle& b) { return a.x2 < b.x1 || b.x2 < a.x1; }
bool apartInY(const Rectangle& a, const Rectangle& b) { return a.y1 > b.y2 || b.y1 > a.y2; }

int Is_common_centroid(const Rectangle& a, const Rectangle& b)
{
  return apartInX(a, b) && apartInY(a, b);
}
int Is_left_right(const Rectangle& a, const Rectangle& b) { return apartInX(a, b); }
int Is_up_down(const Rectangle& a, const Rectangle& b) { return apartInY(a, b); }

bool inside(const _Dtile* g, const Rectangle& r)
{
  return cs::left(g) >= r.x1 && cs::left(g) <= r.x2 && cs::bottom(g) >= r.y1 &&
         cs::bottom(g) <= r.y2;
}

/*
 * new_symmetry_detection --
 *   The block test on the two sides, without a reference; its axis goes to
 *   x_axis (left-right) or y_axis (up-down).
 */
int new_symmetry_detection(_listoftransistors* list1, _listoftransistors* list2)
{
  long axis = 0;
  int symmetric = DirtyAlgo(list1, list2, &axis, nullptr);
  if (!symmetric) {
    DSfreeSide(list1);
    DSfreeSide(list2);
    return 0;
  }
  (case_left_right ? x_axis : y_axis) = axis;
  IS_sym = 1;
  return 1;
}

/* symDetection -- the transistors whose gate corner lies in each rectangle. */
int symDetection(const Rectangle& a, const Rectangle& b)
{
  _listoftransistors* list1 = nullptr;
  _listoftransistors* list2 = nullptr;
  for (int e = 0; Transistors && e < DelementNum; ++e) {
    for (_Dtransistor* t = Transistors[e]; t; t = t->next) {
      if (!t->Tgate)
        continue;
      if (inside(t->Tgate, a))
        list1 = DSaddToSide(list1, t);
      if (inside(t->Tgate, b))
        list2 = DSaddToSide(list2, t);
    }
  }
  common::outf("wbscan_to finished!!!\n");
  return new_symmetry_detection(list1, list2);
}

void checkRectangles(const Rectangle& a, const Rectangle& b)
{
  if (Is_common_centroid(a, b)) {
    common::outf("I can not check common_centroid symmetry now!\n");
    return;
  }
  case_left_right = Is_left_right(a, b);
  case_up_down = Is_up_down(a, b);
  if (!symDetection(a, b)) {
    common::outf("Not Symmetrical!!!\n");
    return;
  }
  if (case_left_right)
    DSdrawAxis(x_axis, std::max(a.y1, b.y1), x_axis, std::min(a.y2, b.y2));
  else
    DSdrawAxis(std::min(a.x2, b.x2), y_axis, std::max(a.x1, b.x1), y_axis);
}

// The prompts of the two corners, for the first or the second rectangle.
void setBoxPrompts(bool second)
{
  boxSteps[0].prompt = second ? "Click the first corner of the rectangle round the second group"
                              : "Click the first corner of the rectangle round the first group";
  boxSteps[1].prompt = second ? "Click the opposite corner of the rectangle round the second group"
                              : "Click the opposite corner of the rectangle round the first group";
}

int boxDragged(_points* points, _GEvent*)
{
  if (points && points->next)
    BoundBoxExe(points->x, points->y, points->next->x, points->next->y);
  setBoxPrompts(drag.firstSelected);
  return 0;
}

}  // namespace

/*
 * BoundBoxExe --
 *   One finished rectangle: drawn and remembered; the second one starts
 *   the check of the two.
 */
int BoundBoxExe(long x1, long y1, long x2, long y2)
{
  Rectangle r{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  if (Vmain) {
    GGsetColor(Vmain, kRectangleColour);
    GGrectangle(Vmain, r.x1, r.y1, r.x2, r.y2, 0);
  }
  common::outf("x1=%ld, y1=%ld, x2=%ld, y2=%ld & isFirstSelected=%d\n", r.x1, r.y1, r.x2, r.y2,
               drag.firstSelected ? 1 : 0);
  if (!drag.firstSelected) {
    drag.first = r;
    drag.firstSelected = true;
    return 0;
  }
  drag.firstSelected = false;
  checkRectangles(drag.first, r);
  return 0;
}

/*
 * BoundBox --
 *   f.BoundBox: a fresh resize state and parsed list, then two rectangles
 *   dragged in the main view.
 */
int BoundBox()
{
  init_staff();
  DSfreeSymList();
  Bound_Box = 1;
  drag = DragState{};
  boxSteps[0] = {GGEbutton1, GGRno, nullptr, nullptr, nullptr, nullptr, &boxSteps[1], Vmain};
  boxSteps[1] = {GGEbutton1, GGRbox, nullptr, nullptr, boxDragged, nullptr, nullptr, Vmain};
  setBoxPrompts(false);
  DEevent(boxSteps);
  return 0;
}
