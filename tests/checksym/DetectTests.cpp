// Direct detection: the gate-box test on hand-made gates, the axis lists,
// the block test, and the user-driven checks on the example layouts.
#include <deque>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "CS.h"
#include "DSgates.h"
#include "DSsymmetry.h"
#include "Dcompact.h"
#include "GroupSupport.h"
#include "TestSupport.h"

namespace {

// ---------------------------------------------------------------------------
// Hand-made transistors: a gate tile with stub neighbours that give its
// right and top, and source and drain tiles beside it.
// ---------------------------------------------------------------------------
class Gates {
 public:
  // A gate w x h at (x, y) whose box is w x length; source left, drain right.
  _Dtransistor* add(const char* name, int x, int y, int w, int h, int length = -1)
  {
    _Dtransistor& t = trans_.emplace_back();
    snprintf(t.name, sizeof t.name, "%s", name);
    t.Tgate = tile(x, y, w, h);
    t.Tsource = tile(x - 10, y, 10, h);
    t.Tdrain = tile(x + w, y, 10, h);
    t.width = w;
    t.length = length < 0 ? h : length;
    return &t;
  }

 private:
  _Dtile* tile(int x, int y, int w, int h)
  {
    _Dtile& t = *tiles_.emplace_back(NewTile());
    _Dtile& right = *tiles_.emplace_back(NewTile());
    _Dtile& top = *tiles_.emplace_back(NewTile());
    t.x1 = x, t.y1 = y, t.type = 5;
    right.x1 = x + w;
    top.y1 = y + h;
    t.set_tr(&right);
    t.set_rt(&top);
    return &t;
  }
  std::deque<_Dtile*> tiles_;  // stitched tiles come from the tile range
  std::deque<_Dtransistor> trans_;
};

class DetectTest : public testing_support::CoreTest {
 protected:
  void SetUp() override
  {
    CoreTest::SetUp();
    init_staff();
  }
  void TearDown() override
  {
    compact::freeStaff();
    DSrdInit();
    CoreTest::TearDown();
  }
  Gates gates;
};

struct PairCase {
  const char* what;
  int ax, ay, bx, by;   // gate corners, 10 x 20 each
  int blength;          // box length of b
  int symmetric;
  long xAxis, yAxis;
};

TEST_F(DetectTest, PairTestFindsTheMirrorLine)
{
  const PairCase cases[] = {
      {"side by side: the middle of the gap", 0, 0, 40, 0, 20, 1, 25, kSymNotFound},
      {"stacked: the middle of the gap, not of the bottoms", 0, 0, 0, 50, 20, 1, kSymNotFound, 35},
      {"stacked, upper first", 0, 50, 0, 0, 20, 1, kSymNotFound, 35},
      {"different length", 0, 0, 40, 0, 30, 0, kSymNotFound, kSymNotFound},
      {"neither bottoms nor sides equal", 0, 0, 40, 5, 20, 0, kSymNotFound, kSymNotFound},
      {"negative gap middle truncates toward zero", -45, 0, 0, 0, 20, 1, -17, kSymNotFound},
  };
  for (const PairCase& c : cases) {
    SCOPED_TRACE(c.what);
    init_staff();
    x_axis = y_axis = kSymNotFound;
    _Dtransistor* a = gates.add("m1", c.ax, c.ay, 10, 20);
    _Dtransistor* b = gates.add("m2", c.bx, c.by, 10, 20, c.blength);
    EXPECT_EQ(CallSymDetectFunctions(a, b), c.symmetric);
    EXPECT_EQ(x_axis, c.xAxis);
    EXPECT_EQ(y_axis, c.yAxis);
  }
  EXPECT_EQ(CallSymDetectFunctions(nullptr, gates.add("m3", 0, 0, 10, 20)), 0);
  EXPECT_NE(out.find("does not exist in the circuit!"), std::string::npos);
}

TEST_F(DetectTest, DrainAndSourceMustLineUpWithTheOtherSide)
{
  _Dtransistor* a = gates.add("m1", 0, 0, 10, 20);
  _Dtransistor* b = gates.add("m2", 40, 0, 10, 20);
  EXPECT_EQ(Compare_ds(a, b, 25, 1), 1);
  EXPECT_EQ(Compare_ds(a, b, 25, 0), 0);  // up-down: the left sides differ
  EXPECT_NE(out.find("\nThe gates of the transistors are symmetrical...\n"
                     "Warning : But the drain and sources are not.\n"),
            std::string::npos);
  a->Tdrain = gates.add("m9", 10, 7, 30, 20)->Tgate;  // lined up with neither of b's
  EXPECT_EQ(Compare_ds(a, b, 25, 1), 0);
  a->Tdrain = nullptr;
  EXPECT_EQ(Compare_ds(a, b, 25, 1), 0);
}

// The sets of hand-made gates searched as one layout.
struct Layout {
  std::vector<int> lefts;  // gates 10 x 20 at y = 0
  std::vector<std::pair<long, int>> axes;  // what is left: axis, times
  long lastXAxis;
};

TEST_F(DetectTest, GatesInARowMatchPairwiseAndSinglesAreCleaned)
{
  const Layout layouts[] = {
      // A-C at 45, A-B at 25, B-C at 65: three single axes, all cleaned.
      {{0, 40, 80}, {}, 65},
      // Two pairs about 45 (0-80, 20-60) and four single axes.
      {{0, 20, 60, 80}, {{45, 2}}, 75},
      // One pair: a single axis stays.
      {{0, 40}, {{25, 1}}, 25},
  };
  for (const Layout& l : layouts) {
    SCOPED_TRACE(testing::PrintToString(l.lefts));
    init_staff();
    checksym::GateBoxes sets;
    for (int x : l.lefts)
      sets.add(gates.add("m", x, 0, 10, 20));
    scan_allsets(sets.list(), false);
    std::vector<std::pair<long, int>> left;
    for (const SYM_AXIS* a = all_sym_axes->head; a; a = a->next)
      left.emplace_back(a->one_axis->axis, a->one_axis->times);
    EXPECT_EQ(left, l.axes);
    EXPECT_EQ(all_sym_axes->nbr_axes, static_cast<int>(l.axes.size()));
    EXPECT_EQ(x_axis, l.lastXAxis);
  }
}

TEST_F(DetectTest, AxisListsMergeByValue)
{
  SYM_AXIS_LIST axes;
  auto list = [](long axis, int items) {
    SYM_LIST* l = new SYM_LIST();
    l->axis = axis;
    for (int i = 0; i < items; ++i)
      l->insert(new SYM_EDGE_ITEM{});
    return l;
  };
  auto count = [](const SYM_LIST* l) {
    int n = 0;
    for (const SYM_EDGE_ITEM* i = l->head; i; i = i->next)
      ++n;
    return n;
  };
  axes.merge(list(10, 1));
  axes.merge(list(20, 2));
  axes.merge(list(10, 3));
  ASSERT_EQ(axes.nbr_axes, 2);
  EXPECT_EQ(axes.head->one_axis->axis, 20);  // new axes go to the head
  EXPECT_EQ(axes.find(10)->one_axis->times, 2);
  EXPECT_EQ(count(axes.find(10)->one_axis), 4);
  axes.clean();
  ASSERT_EQ(axes.nbr_axes, 1);
  EXPECT_EQ(axes.head->one_axis->axis, 10);
  axes.clean();  // one axis: clean keeps it
  EXPECT_EQ(axes.nbr_axes, 1);
  SYM_AXIS_LIST other;
  other.merge(list(30, 1));
  axes.merge_all(&other);
  EXPECT_EQ(other.nbr_axes, 0);
  EXPECT_EQ(axes.nbr_axes, 2);
  axes.cleanforjustsym();
  EXPECT_EQ(axes.nbr_axes, 1);
  EXPECT_EQ(axes.find(30), nullptr);
}

TEST_F(DetectTest, SidesAreLeftRightWhenTheirHeightsOverlap)
{
  struct Case {
    int bx, by;
    int expected;
    bool nice;
  } cases[] = {{100, 5, 1, false}, {3, 100, 0, false}, {100, 100, 1, true}};
  for (const Case& c : cases) {
    out.clear();
    _listoftransistors* l1 = DSaddToSide(nullptr, gates.add("m1", 0, 0, 10, 20));
    _listoftransistors* l2 = DSaddToSide(nullptr, gates.add("m2", c.bx, c.by, 10, 20));
    EXPECT_EQ(IsInXDirection(l1, l2), c.expected) << c.bx << "," << c.by;
    EXPECT_EQ(out.find("Hmm.. this is a nice case!") != std::string::npos, c.nice);
    DSfreeSide(l1);
    DSfreeSide(l2);
  }
}

TEST_F(DetectTest, BlockTestRecordsEachMatchAndStopsAtTheFirstUnmatched)
{
  // First side m1 m2 at 0 and 20; second side m3 m4 at 60 and 80: outer
  // with outer and inner with inner about 45.
  _Dtransistor* m1 = gates.add("m1", 0, 0, 10, 20);
  _Dtransistor* m2 = gates.add("m2", 20, 0, 10, 20);
  _Dtransistor* m3 = gates.add("m3", 60, 0, 10, 20);
  _Dtransistor* m4 = gates.add("m4", 80, 0, 10, 20);
  _Dtransistor* m5 = gates.add("m5", 40, 0, 10, 30);
  block_number = 1;
  case_left_right = 1;
  long axis = 0;
  _listoftransistors* l1 = DSaddToSide(DSaddToSide(nullptr, m1), m2);
  _listoftransistors* l2 = DSaddToSide(DSaddToSide(nullptr, m3), m4);
  ASSERT_EQ(DirtyAlgo(l1, l2, &axis, m5), 1);
  EXPECT_EQ(axis, 45);
  std::set<std::pair<std::string, std::string>> pairs;
  for (const _sym_constraint_list* p = final_sym_list; p; p = p->next) {
    pairs.emplace(p->Trans1->name, p->Trans2->name);
    EXPECT_EQ(p->axis, 0);
    EXPECT_EQ(p->sym_loc, 45);
    EXPECT_EQ(p->block_number, 1);
    EXPECT_EQ(p->Tran_res, m5);
  }
  EXPECT_EQ(pairs, (std::set<std::pair<std::string, std::string>>{{"m1", "m4"}, {"m2", "m3"}}));
  EXPECT_EQ(block_number, 2);

  // The first side longer: its first transistor takes m4, the second
  // finds no partner; the match made stays.
  out.clear();
  l1 = DSaddToSide(DSaddToSide(nullptr, m2), m1);
  l2 = DSaddToSide(nullptr, m4);
  EXPECT_EQ(DirtyAlgo(l1, l2, &axis, nullptr), 0);
  EXPECT_NE(out.find("Didnot find any transistor symmetric to m"), std::string::npos);
  EXPECT_NE(out.find("The blocks are NOT symmetric!\n"), std::string::npos);
  EXPECT_EQ(block_number, 3);
  EXPECT_EQ(final_sym_list->block_number, 2);
  EXPECT_EQ(final_sym_list->Trans2, m4);
  DSfreeSide(l1);
  DSfreeSide(l2);
}

// ---------------------------------------------------------------------------
// On extracted example layouts.  Layout units are CIF units x 4.
// ---------------------------------------------------------------------------
class LayoutDetectTest : public hierarchy_test::GroupTest {
 protected:
  void TearDown() override
  {
    compact::freeStaff();
    DSrdInit();
    GroupTest::TearDown();
  }
  // Reads a symmetry-check text and runs the text-based detection.
  void checkText(const std::string& text)
  {
    DSrdInit();
    text_ = text;
    dchecksymin = fmemopen(text_.data(), text_.size(), "r");
    ASSERT_EQ(SYMparse(), 0);
    ASSERT_TRUE(action([] { CallSymmteryDetection(); }));
  }
  static std::vector<std::string> records()
  {
    std::vector<std::string> r;
    for (const _sym_constraint_list* p = final_sym_list; p; p = p->next)
      r.push_back(std::string(p->Trans1->name) + "=" + p->Trans2->name + " " +
                  (p->axis ? "Y" : "X") + std::to_string(p->sym_loc) + " b" +
                  std::to_string(p->block_number) + (p->Tran_res ? std::string(" ref ") + p->Tran_res->name : ""));
    return r;
  }
  std::string text_;
};

TEST_F(LayoutDetectTest, TextDetectionOnTheAmplifier)
{
  ASSERT_TRUE(loadExample("amp.cif"));
  checkText(
      "{ m15 = m8 m12 = m10 } : m16\n"
      "{ m15 = m99 m12 = m10 }\n"  // a transistor that does not exist
      "m14 = m7\n");
  EXPECT_NE(out.find("Transistor m99 in symcheck file doesnot exist: block skipped\n"), std::string::npos);
  EXPECT_NE(out.find("Detected symmetry between m14 and m7\n"), std::string::npos);
  // The file's items come in reverse order: the pair, the bad block, the good one.
  EXPECT_EQ(records(), (std::vector<std::string>{"m15=m8 X16800 b1", "m12=m10 X16800 b1"}));
  EXPECT_EQ(SymStart, nullptr);

  // Without a circuit nothing is checked.
  extract::releaseExtraction();
  checkText("m14 = m7\n");
  EXPECT_NE(out.find("\nPlease load the circuit and extract it!\n\n"), std::string::npos);
}

TEST_F(LayoutDetectTest, ClickedAndDraggedSelectionsOnTheDifferentialPair)
{
  ASSERT_TRUE(loadExample("sym_diffpair.cif"));
  // The outer fingers: M1's left gate (CIF 600..800) and M2's right one.
  TransSym();
  EXPECT_NE(out.find("The selection of first transistor was NOT okay!"), std::string::npos);
  SelTrans1Exe(_point{2800, 1600});
  SelTrans2Exe(_point{18000, 1600});
  out.clear();
  TransSym();
  EXPECT_EQ(out.find("These two transistors are Symmetrical!!"), out.find("These two"));
  EXPECT_EQ(x_axis, 10400);

  struct Drag {
    long a[4], b[4];
    const char* expected;
  } drags[] = {
      {{-400, -400, 9000, 3600}, {11600, -400, 21000, 3600}, "The blocks are symmetric!\n"},
      {{-400, -400, 9000, 3600}, {11600, 4000, 21000, 9000}, "I can not check common_centroid symmetry now!\n"},
      {{-400, -400, 9000, 3600}, {11600, -400, 15000, 3600}, "Not Symmetrical!!!\n"},
  };
  for (const Drag& d : drags) {
    SCOPED_TRACE(d.expected);
    BoundBox();
    out.clear();
    BoundBoxExe(d.a[0], d.a[1], d.a[2], d.a[3]);
    BoundBoxExe(d.b[2], d.b[3], d.b[0], d.b[1]);  // corners in either order
    EXPECT_NE(out.find(d.expected), std::string::npos) << out;
  }
}

TEST_F(LayoutDetectTest, WholeLayoutDetectionTakesTheFirstAxis)
{
  ASSERT_TRUE(loadExample("sym_diffpair.cif"));
  ASSERT_TRUE(action([] { DirectSymDetection(); }));
  EXPECT_NE(out.find("**** Inside DirectSymDetection\nThe symmetry axis is : "), std::string::npos);
  // Four equal gates in one row: six matches, 10400 twice, not cleaned.
  ASSERT_NE(all_sym_axes, nullptr);
  EXPECT_EQ(all_sym_axes->nbr_axes, 5);
  ASSERT_NE(all_sym_axes->find(10400), nullptr);
  EXPECT_EQ(all_sym_axes->find(10400)->one_axis->times, 2);
  EXPECT_EQ(THE_SYM_AXIS, all_sym_axes->head->one_axis->axis);
}

}  // namespace
