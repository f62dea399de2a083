// The size check and the forced extents on hand-made transistors and
// graphs: symmetric pairs, aligned pairs, the design rules, and the
// longest chain across a cell.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "CS.h"
#include "DEextract.h"
#include "DRdesignrule.h"
#include "DSsymmetry.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "SQsqueeze.h"
#include "SYsynthesis.h"
#include "TestSupport.h"

namespace {

// Two transistors, each with its gate tiles, and the cells of both
// directions built by hand: cell 2i is transistor i's active gate, 2i+1 its
// poly gate.
class Check : public testing_support::CoreTest {
 protected:
  void SetUp() override
  {
    CoreTest::SetUp();
    saved = {Transistors, DelementNum, TransNum, final_sym_list};
    for (int i = 0; i < 2; ++i) {
      t[i] = _Dtransistor{};
      t[i].number = i + 1;
      t[i].orientation = -1;
      t[i].resize_width = 800;
      t[i].resize_length = 960;
      t[i].Tgate = &tiles[2 * i];
      t[i].Pgate = &tiles[2 * i + 1];
    }
    t[1].next = &t[0];
    head = &t[1];
    Transistors = &head;
    DelementNum = 1;
    TransNum = 2;
    final_sym_list = nullptr;
    for (int d = 0; d < 2; ++d)
      lines[d].assign(8);
    for (int d = 0; d < 2; ++d)
      for (int c = 0; c < 4; ++c) {
        SQCELL_item& cell = cells[d][c];
        cell = SQCELL_item{};
        cell.number = 2 * c + 1;
        cell.left = &lines[d][2 * c];
        cell.right = &lines[d][2 * c + 1];
        lines[d][2 * c] = SQLINE_item{};
        lines[d][2 * c + 1] = SQLINE_item{};
        cell.left->cell = cell.right->cell = &cell;
        cell.left->number = 2 * c + 1;
        cell.right->number = 2 * c + 2;
        cell.left->loc = 0;
        cell.right->loc = 800;
        if (d == 0)
          tiles[c].set_resize_cell_LR(&cell);
        else
          tiles[c].set_resize_cell_TB(&cell);
      }
    SQcell_LR = cells[0];
    SQcell_TB = cells[1];
    SQcell_size_LR = SQcell_size_TB = 4;
    SQsymcell_size_LR = SQsymcell_size_TB = 0;
  }
  void TearDown() override
  {
    Transistors = saved.transistors;
    DelementNum = saved.elements;
    TransNum = saved.count;
    final_sym_list = saved.sym;
    SQcell_LR = SQcell_TB = nullptr;
    SQcell_size_LR = SQcell_size_TB = 0;
    for (int k = 0; k < kTranKinds; ++k)
      TRAN_WIDTH_VALID[k] = TRAN_LENGTH_VALID[k] = 0;
    CoreTest::TearDown();
  }
  void arc(SQLINE_item* from, SQLINE_item* to, int weight)
  {
    SQARC_item& a = arcs.emplace_back();
    a.occupied = 1;
    a.weight = weight;
    a.ori = from;
    a.ter = to;
    a.ori_next = from->ori_next;
    from->ori_next = &a;
    a.ter_next = to->ter_next;
    to->ter_next = &a;
  }
  // Cells c and e of direction d kept in line by zero arcs both ways.
  void align(int d, int c, int e)
  {
    for (auto [x, y] : {std::pair{cells[d][c].left, cells[d][e].left},
                        std::pair{cells[d][c].right, cells[d][e].right}}) {
      arc(x, y, 0);
      arc(y, x, 0);
    }
  }

  _Dtransistor t[2];
  _Dtransistor* head = nullptr;
  _Dtransistor* heads[2] = {};  // one list per kind
  _Dtile tiles[4] = {};
  SQCELL_item cells[2][4];
  squeeze::RecordArray<SQLINE_item> lines[2];  // lines and arcs come from the squeeze's range
  squeeze::RecordPool<SQARC_item> arcs;
  _sym_constraint_list pair{};
  struct {
    _Dtransistor** transistors;
    int elements, count;
    _sym_constraint_list* sym;
  } saved{};
};

TEST_F(Check, SymmetricPairsMatchInSizeAndOrientation)
{
  struct Case {
    int width0, width1, length1, orientation1;
    int errors;
    const char* text;
  } cases[] = {
      {960, 980, 800, -1, 1, "Unmatched symmetrical width between Transistor (1) [width 960] and "
                             "Transistor (2) [width = 980]"},
      {960, 960, 800, -1, 0, ""},
      {960, 960, 1000, -1, 1, "Unmatched symmetrical length"},
      {960, 980, 1000, -1, 1, "Unmatched symmetrical length"},  // one error per pair
      {960, 980, 800, 1, 1, "Symmetrical transistors have different orientation"},
  };
  pair = _sym_constraint_list{1, &t[0], &t[1], nullptr, 0, 0, 1, nullptr, nullptr};
  final_sym_list = &pair;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    out.clear();
    // Orientation -1: the width is resize_length, the length resize_width.
    t[0].resize_length = c.width0;
    t[1].resize_length = c.width1;
    t[1].resize_width = c.length1;
    t[1].orientation = c.orientation1;
    EXPECT_EQ(SYtran_check(), c.errors);
    EXPECT_NE(out.find(c.text), std::string::npos) << out;
  }
}

TEST_F(Check, AlignedGatesMatchWidthOrLengthSeparately)
{
  // Active gates aligned in LEFT_RIGHT (the width of orientation -1),
  // poly gates aligned in TOP_BOTTOM (its length).
  align(0, 0, 2);
  align(1, 1, 3);
  t[1].resize_width = 1000;  // the length differs, the width does not
  EXPECT_EQ(SYtran_check(), 1);
  EXPECT_EQ(out.find("unmatched width"), std::string::npos);
  EXPECT_NE(out.find("unmatched length of aligned Transistor (2) [length = 1000] and Transistor "
                     "(1) [length = 800]"),
            std::string::npos)
      << out;
  // Lines at other places are not aligned, whatever their arcs.
  out.clear();
  cells[1][3].right->loc = 900;
  EXPECT_EQ(SYtran_check(), 0);
  // Different orientations: reported only when aligned, never counted.
  cells[1][3].right->loc = 800;
  t[1].orientation = 1;
  out.clear();
  EXPECT_EQ(SYtran_check(), 0);
  EXPECT_NE(out.find("transistors are aligned but have different orientation"), std::string::npos);
  EXPECT_EQ(SYcell_align(&cells[0][0], &cells[0][2]), 1);
  EXPECT_EQ(SYcell_align(&cells[0][0], &cells[0][1]), 0);
  // Two that keep their drawn sizes stand as drawn: not compared (a real
  // layout's irregular transistors once refused every resize).
  t[1].orientation = -1;
  for (_Dtransistor& x : t) {
    x.width = x.resize_width;
    x.length = x.resize_length;
  }
  out.clear();
  EXPECT_EQ(SYtran_check(), 0);
  EXPECT_EQ(out.find("unmatched"), std::string::npos) << out;
  t[1].resize_width = 1100;  // a new size: compared again
  EXPECT_EQ(SYtran_check(), 1);
}

// Lines with long lists (rails) are looked up, not walked again: the zero
// arcs must still be found among many others, and both ways.
TEST_F(Check, AlignmentHoldsThroughLongLists)
{
  align(0, 0, 2);
  align(1, 1, 3);  // the poly gates, aligned in TOP_BOTTOM: their lengths
  auto zeroArcOf = [](SQLINE_item* from, SQLINE_item* to) {
    for (SQARC_item* a = from->ori_next; a; a = a->ori_next)
      if (a->ter == to)
        return a;
    return static_cast<SQARC_item*>(nullptr);
  };
  SQLINE_item* one = cells[1][1].right;
  SQLINE_item* three = cells[1][3].right;
  for (SQCELL_item* c : {&cells[1][1], &cells[1][3]})
    for (SQLINE_item* l : {c->left, c->right}) {
      for (int k = 0; k < 40; ++k)
        arc(l, cells[1][0].left, 100);
      for (SQARC_item* a = l->ori_next; a; a = a->ori_next)
        ++l->no_ori;
    }
  t[1].resize_width = 1000;
  EXPECT_EQ(SYtran_check(), 1);
  EXPECT_NE(out.find("unmatched length of aligned Transistor (2)"), std::string::npos) << out;
  // A zero arc one way only does not align, whichever line is met first.
  for (SQARC_item* broken : {zeroArcOf(one, three), zeroArcOf(three, one)}) {
    ASSERT_NE(broken, nullptr);
    broken->weight = 10;
    out.clear();
    EXPECT_EQ(SYtran_check(), 0) << out;
    broken->weight = 0;
  }
}

// Each transistor is held to the minimum of its own kind (element), or to
// the first kind's where the rules give only one; a kind-1 transistor was
// once not checked at all.  Both transistors are 960 wide.
TEST_F(Check, TransistorRulesHoldForEveryKind)
{
  struct Case {
    int ownRuleOfKind1;  // grid steps, 0: none
    int errors;
    bool secondFlagged;
  };
  const Case cases[] = {{0, 2, true}, {20, 1, false}, {30, 2, true}};
  heads[0] = &t[0];
  heads[1] = &t[1];
  t[0].next = t[1].next = nullptr;
  Transistors = heads;
  DelementNum = 2;
  const int scale = SCALE;
  SCALE = 40;
  for (const Case& c : cases) {
    TRAN_WIDTH[0] = 25;  // 1000 units at SCALE 40
    TRAN_WIDTH_VALID[0] = 1;
    TRAN_LENGTH[0] = 1;
    TRAN_LENGTH_VALID[0] = 1;
    TRAN_WIDTH[1] = c.ownRuleOfKind1;
    TRAN_WIDTH_VALID[1] = c.ownRuleOfKind1 ? 1 : 0;
    out.clear();
    EXPECT_EQ(SYtran_check(), c.errors) << c.ownRuleOfKind1;
    EXPECT_NE(out.find("  SYtran_check(): ERROR - Transistor (1) resize width (960) < design rule "
                       "(1000)\n"),
              std::string::npos);
    EXPECT_EQ(out.find("Transistor (2) resize width (960)") != std::string::npos,
              c.secondFlagged)
        << c.ownRuleOfKind1 << "\n" << out;
    EXPECT_EQ(out.find("resize length"), std::string::npos);
  }
  SCALE = scale;
}

// Parasitic mode 1: extensions below the rule are raised to it, a diffusion
// that aligned transistors share takes the larger extension on both, and a
// symmetric pair matches its extensions side for side, mirrored.  Mode 0
// changes none of them.
TEST_F(Check, ParasiticModePairsExtensions)
{
  const int mode = PROCESS_INCLUDE_TRANSISTOR_PARASITIC, scale = SCALE;
  SCALE = 40;
  // A tile's plane record is an entry of the plane table.
  struct Restore {
    _DlayerTile saved[2] = {DlayerTile[0], DlayerTile[1]};
    ~Restore() { DlayerTile[0] = saved[0], DlayerTile[1] = saved[1]; }
  } restore;
  _DlayerTile& active = DlayerTile[0];
  _DlayerTile& poly = DlayerTile[1];
  active = _DlayerTile{};
  poly = _DlayerTile{};
  active.layer = 1;
  poly.layer = 2;
  for (int i = 0; i < 2; ++i) {
    tiles[2 * i].set_layer(&active);
    tiles[2 * i + 1].set_layer(&poly);
  }
  EXTENSION[1][2] = 3;  // diffusion beyond the gate: 120
  EXTENSION[2][1] = 2;  // poly beyond the gate: 80
  EXTENSION_VALID[1][2] = EXTENSION_VALID[2][1] = 1;
  // Diffusions: t0's source | t0 | shared | t1 | t1's drain, in x.
  _Dtile left{}, shared{}, right{};
  left.x1 = 0;
  shared.x1 = 1000;
  right.x1 = 2000;
  struct Ext {
    int source, drain, p1, p2;
  };
  auto set = [](_Dtransistor& t, Ext e) {
    t.resize_source_ext = e.source;
    t.resize_drain_ext = e.drain;
    t.resize_Pside1_ext = e.p1;
    t.resize_Pside2_ext = e.p2;
  };
  auto ext = [](const _Dtransistor& t) {
    return std::vector<int>{t.resize_source_ext, t.resize_drain_ext, t.resize_Pside1_ext,
                            t.resize_Pside2_ext};
  };
  struct Case {
    const char* what;
    int mode;
    bool aligned, symmetric;
    int drain1X;  // where t1's drain lies: right of its source, or left (mirrored)
    Ext e0, e1;
    std::vector<int> want0, want1;
    const char* warning;
  } cases[] = {
      {"mode 0 changes nothing", 0, true, true, 0, {40, 200, 0, 80}, {280, 40, 80, 0},
       {40, 200, 0, 80}, {280, 40, 80, 0}, nullptr},
      {"below the rule: raised", 1, false, false, 0, {40, 200, 0, 160}, {120, 120, 80, 80},
       {120, 200, 80, 160}, {120, 120, 80, 80}, "Transistor (1) source ext violates designrule"},
      // t0's drain is t1's source: both take 280.
      {"shared diffusion of an aligned pair", 1, true, false, 2000, {120, 200, 80, 80},
       {280, 120, 80, 80}, {120, 280, 80, 80}, {280, 120, 80, 80},
       "has been matched to the larger value"},
      // Mirrored: t0's drain (right) faces t1's drain (left); poly sides
      // cross over.
      {"mirrored symmetric pair", 1, false, true, 0, {120, 200, 80, 240}, {160, 360, 120, 80},
       {160, 360, 80, 240}, {160, 360, 240, 80}, "symmetry source/drain unmatched"},
      // Same direction: t0's drain pairs with t1's source.
      {"translated symmetric pair", 1, false, true, 2000, {120, 200, 80, 80}, {280, 160, 80, 80},
       {160, 280, 80, 80}, {280, 160, 80, 80}, "symmetry source/drain unmatched"},
  };
  pair = _sym_constraint_list{1, &t[0], &t[1], nullptr, 0, 0, 1, nullptr, nullptr};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    out.clear();
    arcs.clear();
    for (int d = 0; d < 2; ++d)
      for (SQLINE_item& l : lines[d])
        l.ori_next = l.ter_next = nullptr;
    PROCESS_INCLUDE_TRANSISTOR_PARASITIC = c.mode;
    for (int i = 0; i < 2; ++i) {
      t[i].orientation = 1;
      t[i].resize_width = t[i].resize_length = 800;
    }
    t[0].Tsource = &left;
    t[0].Tdrain = &shared;
    t[1].Tsource = c.drain1X == 0 ? &right : &shared;
    t[1].Tdrain = c.drain1X == 0 ? &shared : &right;
    set(t[0], c.e0);
    set(t[1], c.e1);
    if (c.aligned)
      align(1, 0, 2);  // active gates in line in TOP_BOTTOM: the width of orientation 1
    final_sym_list = c.symmetric ? &pair : nullptr;
    EXPECT_EQ(SYtran_check(), 0) << out;
    EXPECT_EQ(ext(t[0]), c.want0);
    EXPECT_EQ(ext(t[1]), c.want1);
    if (c.warning)
      EXPECT_NE(out.find(c.warning), std::string::npos) << out;
    else
      EXPECT_EQ(out.find("WARNING"), std::string::npos) << out;
  }
  EXTENSION_VALID[1][2] = EXTENSION_VALID[2][1] = 0;
  PROCESS_INCLUDE_TRANSISTOR_PARASITIC = mode;
  SCALE = scale;
}

TEST_F(Check, LongestChainAcrossACell)
{
  SQCELL_item& c = cells[0][0];
  SQLINE_item& middle = lines[0][2];  // another cell's line as a stop on the way
  arc(c.left, c.right, 300);
  arc(c.left, &middle, 500);
  arc(&middle, c.right, 140);
  EXPECT_EQ(SYlongest_path(&c, LEFT_RIGHT), 640);
  EXPECT_EQ(SYlongest_path(&cells[0][3], LEFT_RIGHT), -3);  // left line never reached
}

}  // namespace
