// Flatten, activate, free and dump of the cell hierarchy.
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "Dlayout.h"
#include "TestSupport.h"

namespace {

constexpr int kSlot = 4;  // any layer slot

class HierarchyTest : public testing_support::CoreTest {
 protected:
  void TearDown() override
  {
    common::releaseLayouts();
    testing_support::CoreTest::TearDown();
  }

  // A cell named "CIRCUIT<n>" (n < 0: the top cell "CIRCUIT") at the front
  // of Gsymbols.
  static _layout* define(int n)
  {
    _layout* cell = common::newLayout(n < 0 ? "CIRCUIT" : ("CIRCUIT" + std::to_string(n)).c_str());
    cell->next = Gsymbols;
    Gsymbols = cell;
    return cell;
  }

  static void box(_layout* cell, int x1, int y1, int x2, int y2, int slot = kSlot)
  {
    GCsave1rect(cell, slot, x1, y1, x2, y2);
    GCsaveLayerName(cell, slot, "CAA");
    ACframe(x1, y1, cell);
    ACframe(x2, y2, cell);
  }

  // A call of symbol n from `cell`, numbered `no`; steps are added with step().
  static _instance* call(_layout* cell, int n, int no)
  {
    _instance* c = common::make<_instance>();
    snprintf(c->cellname, sizeof c->cellname, "CIRCUIT%d", n);
    c->no = no;
    c->next = cell->instance;
    cell->instance = c;
    return c;
  }

  static _instance* step(_instance* c, GOPTYPE type, int x, int y)
  {
    c->opcode[c->optimes++] = {type, x, y};
    return c;
  }

  // A finished load: the top cell is Gactive and Glayout.
  static void loaded(_layout* top)
  {
    Gactive = top;
    Glayout = top;
  }

  static bool act(int (*action)()) { return testing_support::runsToEnd(action); }

  static std::string rects(const _layout* cell, int slot = kSlot)
  {
    if (!cell->symbol[slot])
      return "-";
    std::ostringstream text;
    for (const _rects* r = cell->symbol[slot]->rect; r; r = r->next)
      text << (r == cell->symbol[slot]->rect ? "" : " ") << "(" << r->x1 << "," << r->y1 << ";"
           << r->x2 << "," << r->y2 << ")";
    return text.str();
  }
};

TEST_F(HierarchyTest, TwoTranslatedCallsOfOneCell)
{
  _layout* a = define(1);
  box(a, 0, 0, 5, 5);
  _layout* top = define(-1);
  step(call(top, 1, 0), trans, 20, 0);
  step(call(top, 1, 1), trans, 10, 0);
  loaded(top);
  ASSERT_TRUE(act(GCflatten));
  EXPECT_EQ(Gflatten, top);
  EXPECT_EQ(Glayout, top);
  EXPECT_EQ(rects(top), "(20,0;25,5) (10,0;15,5)");
  EXPECT_EQ(top->instance, nullptr);
  EXPECT_EQ(a->instance, nullptr);
  // Only the flat top cell is shown or read from now on: the called cell
  // keeps its name and frame but no longer its geometry.
  EXPECT_EQ(rects(a), "-");
  EXPECT_EQ(a->frame.x2, 5);
  EXPECT_EQ(top->frame.x1, 10);
  EXPECT_EQ(top->frame.x2, 25);
  EXPECT_STREQ(top->symbol[kSlot]->layername, "CAA");
  EXPECT_TRUE(ui.saw('M', "The layout is flattened"));
}

// Steps apply in order, a mirrored rectangle keeps a positive width, a
// rotation turns the x axis, and a rectangle of no width is dropped.
TEST_F(HierarchyTest, StepsOfACallApplyInOrder)
{
  const struct {
    std::vector<_opcode> steps;
    const char* rects;
  } cases[] = {
      {{{mirror, -1, 1}}, "(-10,0;0,20)"},
      {{{trans, 100, 0}, {mirror, -1, 1}}, "(-110,0;-100,20)"},
      {{{mirror, -1, 1}, {trans, 100, 0}}, "(90,0;100,20)"},
      {{{rotate, 0, 1}}, "(-20,0;0,10)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rects);
    common::releaseLayouts();
    _layout* a = define(1);
    box(a, 0, 0, 0, 5);
    box(a, 0, 0, 10, 20);
    _layout* top = define(-1);
    _instance* only = call(top, 1, 0);
    for (const _opcode& s : c.steps)
      step(only, s.type, s.x, s.y);
    loaded(top);
    ASSERT_TRUE(act(GCflatten));
    EXPECT_EQ(rects(top), c.rects);
  }
}

TEST_F(HierarchyTest, FlattenedLabelsCarryTheCallNumbers)
{
  _layout* a = define(1);
  _labels* l = common::make<_labels>();
  l->label = GCstrcpy("VDD");
  l->x = 1;
  l->y = 2;
  GCsaveLayerName(a, kSlot, "CMF");
  a->symbol[kSlot]->label = l;
  _layout* b = define(2);
  step(call(b, 1, 3), trans, 10, 0);
  _layout* top = define(-1);
  step(call(top, 2, 2), trans, 0, 100);
  loaded(top);
  ASSERT_TRUE(act(GCflatten));
  ASSERT_NE(top->symbol[kSlot], nullptr);
  ASSERT_NE(top->symbol[kSlot]->label, nullptr);
  EXPECT_STREQ(top->symbol[kSlot]->label->label, "2_3_VDD");
  EXPECT_EQ(top->symbol[kSlot]->label->x, 11);
  EXPECT_EQ(top->symbol[kSlot]->label->y, 102);
  EXPECT_EQ(b->symbol[kSlot], nullptr) << "called cells give up their geometry";
}

TEST_F(HierarchyTest, WiresPolygonsAndCirclesAreTransformed)
{
  _layout* a = define(1);
  _points* p2 = common::make<_points>();
  *p2 = {30, 40, nullptr};
  _points* p1 = common::make<_points>();
  *p1 = {10, 20, p2};
  GCsave1path(a, kSlot, 8, p1);
  _points* q = common::make<_points>();
  *q = {1, 1, nullptr};
  GCsave1poly(a, kSlot, q);
  GCsave1cir(a, kSlot, 5, 5, 4);
  _layout* top = define(-1);
  step(call(top, 1, 0), trans, 100, 0);
  loaded(top);
  ASSERT_TRUE(act(GCflatten));
  const _symbol* s = top->symbol[kSlot];
  ASSERT_NE(s, nullptr);
  ASSERT_NE(s->path, nullptr);
  EXPECT_EQ(s->path->width, 8);
  EXPECT_EQ(s->path->points->x, 130);  // the point list comes reversed
  EXPECT_EQ(s->path->points->next->x, 110);
  EXPECT_EQ(s->poly->points->x, 101);
  EXPECT_EQ(s->circle->x, 105);
  EXPECT_EQ(s->circle->d, 4);
  EXPECT_EQ(top->frame.x1, 101);
  EXPECT_EQ(top->frame.x2, 130);
  EXPECT_EQ(top->frame.y1, 1);
}

TEST_F(HierarchyTest, CellUsedTwiceIsFlattenedOnceAndCopiedTwice)
{
  _layout* leaf = define(1);
  box(leaf, 0, 0, 1, 1);
  _layout* mid = define(2);
  step(call(mid, 1, 0), trans, 10, 0);
  _layout* other = define(3);
  step(call(other, 2, 0), trans, 0, 10);
  _layout* top = define(-1);
  step(call(top, 2, 0), trans, 100, 0);
  step(call(top, 3, 1), trans, 200, 0);
  call(top, 99, 2);  // never defined: skipped
  loaded(top);
  {
    // The routine itself: every cell on the way is flattened in place.
    common::ActionScope scope;
    GCflattenLayout(top, Gsymbols);
  }
  EXPECT_EQ(rects(mid), "(10,0;11,1)");
  EXPECT_EQ(rects(other), "(10,10;11,11)");
  EXPECT_EQ(rects(top), "(110,0;111,1) (210,10;211,11)");
  EXPECT_EQ(mid->instance, nullptr);
  EXPECT_EQ(other->instance, nullptr);
}

TEST_F(HierarchyTest, CellCallingItselfAbandonsBeforeChangingAnything)
{
  _layout* a = define(1);
  _layout* b = define(2);
  box(b, 0, 0, 5, 5);
  call(a, 2, 0);
  call(b, 1, 0);  // 1 -> 2 -> 1
  _layout* top = define(-1);
  call(top, 1, 0);
  loaded(top);
  EXPECT_FALSE(act(GCflatten));
  EXPECT_NE(err.find("Fatal: Cell CIRCUIT1 calls itself, directly or through other cells"),
            std::string::npos)
      << err;
  EXPECT_EQ(Gflatten, nullptr);
  EXPECT_NE(top->instance, nullptr);
  EXPECT_NE(a->instance, nullptr);
  EXPECT_NE(b->instance, nullptr);
  EXPECT_EQ(rects(top), "-");
  // Directly: b calls itself and no longer calls a.
  b->instance->cellname[7] = '2';
  err.clear();
  EXPECT_FALSE(act(GCflatten));
  EXPECT_NE(err.find("Fatal: Cell CIRCUIT2 calls itself"), std::string::npos) << err;
}

TEST_F(HierarchyTest, DeepHierarchyNeedsNoDeepStack)
{
  constexpr int kDepth = 200000;
  _layout* leaf = define(kDepth);
  box(leaf, 0, 0, 2, 2);
  for (int n = kDepth - 1; n >= 1; --n)
    step(call(define(n), n + 1, 0), trans, 1, 0);
  _layout* top = define(-1);
  call(top, 1, 0);
  loaded(top);
  ASSERT_TRUE(act(GCflatten));
  EXPECT_EQ(rects(top), "(199999,0;200001,2)");
}

TEST_F(HierarchyTest, FlattenBeyondTheCoordinateRangeIsAbandoned)
{
  _layout* a = define(1);
  box(a, 0, 0, 10, 10);
  _layout* b = define(2);
  step(call(b, 1, 0), trans, 1000000000, 0);
  _layout* top = define(-1);
  step(call(top, 2, 0), trans, 1000000000, 0);
  loaded(top);
  EXPECT_FALSE(act(GCflatten));
  EXPECT_NE(err.find("Fatal: Cell CIRCUIT would leave the coordinate range"), std::string::npos)
      << err;
  EXPECT_EQ(Gflatten, nullptr);
  EXPECT_NE(top->instance, nullptr);
}

TEST_F(HierarchyTest, FlattenThatCannotFitInMemoryIsAbandoned)
{
  // Each level calls the one below twice: 2^60 rectangles.
  _layout* leaf = define(60);
  box(leaf, 0, 0, 1, 1);
  for (int n = 59; n >= 1; --n) {
    _layout* cell = define(n);
    call(cell, n + 1, 0);
    step(call(cell, n + 1, 1), trans, 0, 0);
  }
  _layout* top = define(-1);
  call(top, 1, 0);
  loaded(top);
  EXPECT_FALSE(act(GCflatten));
  EXPECT_NE(err.find("more than the memory holds: flatten abandoned"), std::string::npos) << err;
  EXPECT_NE(top->instance, nullptr);
}

TEST_F(HierarchyTest, FlattenMemoryLimitCanBeSet)
{
  _layout* a = define(1);
  for (int i = 0; i < 100; ++i)
    box(a, i, 0, i + 1, 1);
  _layout* top = define(-1);
  call(top, 1, 0);
  loaded(top);
  common::setFlattenMemoryLimit(1000);  // bytes: fewer than 200 rectangles need
  EXPECT_FALSE(act(GCflatten));
  EXPECT_NE(err.find("Fatal: Flattening would make 200 elements"), std::string::npos) << err;
  common::setFlattenMemoryLimit(0);
  EXPECT_TRUE(act(GCflatten));
}

TEST_F(HierarchyTest, SecondFlattenOnlyShowsTheFlattenedCell)
{
  _layout* a = define(1);
  box(a, 0, 0, 5, 5);
  _layout* top = define(-1);
  call(top, 1, 0);
  loaded(top);
  ASSERT_TRUE(act(GCflatten));
  ASSERT_TRUE(act(GCunflatten));
  EXPECT_TRUE(ui.saw('M', "The layout is recovered"));
  Glayout = a;
  ASSERT_TRUE(act(GCflatten));
  EXPECT_EQ(Glayout, top);
  EXPECT_EQ(rects(top), "(0,0;5,5)");
}

TEST_F(HierarchyTest, MissingTopCellAbandonsTheFlatten)
{
  _layout* a = define(1);
  loaded(a);
  EXPECT_FALSE(act(GCflatten));
  EXPECT_EQ(out, "DID NOT FIND TOP LAYOUT!!!!.. exiting\n");
  EXPECT_EQ(Gflatten, nullptr);
}

TEST_F(HierarchyTest, ActivateAndUnflattenMessages)
{
  ASSERT_TRUE(act(GCunflatten));
  EXPECT_TRUE(ui.saw('W', "No layout to unflatten"));
  ASSERT_TRUE(act(GCactivateH));
  EXPECT_TRUE(ui.saw('M', "No hierarchy layout is available"));
  ASSERT_TRUE(act(GCactivateS));
  EXPECT_TRUE(ui.saw('M', "No falttened layout is available"));
  _layout* top = define(-1);
  loaded(top);
  DworkingMode = kModePlanes;
  ASSERT_TRUE(act(GCflatten));
  Glayout = nullptr;
  ASSERT_TRUE(act(GCactivateS));
  EXPECT_EQ(Glayout, top);
  EXPECT_EQ(DworkingMode, kModeLayout);
  EXPECT_TRUE(ui.saw('M', "Flattened layout is activated"));
  DworkingMode = kModePlanes;
  ASSERT_TRUE(act(GCactivateH));
  EXPECT_EQ(DworkingMode, kModeLayout);
  EXPECT_TRUE(ui.saw('M', "Hierarchy layout is activated"));
  size_t before = ui.messages.size();
  EXPECT_EQ(GCsmash(), 0);
  EXPECT_EQ(ui.messages.size(), before);
}

// ---------------------------------------------------------------------------
// Release of shared cells: every cell once, no root left on a released one.
// (Run under AddressSanitizer, a second release or a stale root fails.)
// ---------------------------------------------------------------------------

class ReleaseTest : public HierarchyTest {
 protected:
  // Two leaf cells and a top cell calling both; flattened when asked.
  void build(bool flatten)
  {
    _layout* a = define(1);
    box(a, 0, 0, 5, 5);
    _layout* b = define(2);
    box(b, 0, 0, 7, 7);
    top_ = define(-1);
    call(top_, 1, 0);
    call(top_, 2, 1);
    loaded(top_);
    if (flatten) {
      ASSERT_TRUE(act(GCflatten));
    }
  }
  _layout* top_ = nullptr;
};

TEST_F(ReleaseTest, FreeSThenFreeH)
{
  build(true);
  ASSERT_TRUE(act(GCfreeS));
  EXPECT_TRUE(ui.saw('M', "The samshed layout is freed"));
  EXPECT_EQ(Gflatten, nullptr);
  EXPECT_EQ(Glayout, nullptr);
  EXPECT_EQ(Gactive, nullptr);
  ASSERT_NE(Gsymbols, nullptr);  // the two leaf cells
  EXPECT_EQ(Gsymbols->next->next, nullptr);
  ASSERT_TRUE(act(GCfreeH));
  EXPECT_TRUE(ui.saw('M', "The hierarchy is freed"));
  EXPECT_EQ(Gsymbols, nullptr);
  ASSERT_TRUE(act(GCfreeS));
  EXPECT_TRUE(ui.saw('W', "No smashed layout to free"));
}

// FreeH keeps the flattened cell, which FreeS or a release of all (as
// ACinit does) takes away.
TEST_F(ReleaseTest, FreeHKeepsTheFlattenedCell)
{
  build(true);
  ASSERT_TRUE(act(GCfreeH));
  EXPECT_EQ(Gsymbols, nullptr);
  EXPECT_EQ(Gactive, nullptr);
  EXPECT_EQ(Gflatten, top_);
  EXPECT_EQ(Glayout, top_);
  EXPECT_EQ(top_->next, nullptr);
  EXPECT_EQ(rects(top_), "(0,0;5,5) (0,0;7,7)");
  common::releaseLayouts();
  EXPECT_EQ(Gflatten, nullptr);
  EXPECT_EQ(Glayout, nullptr);
  build(true);
  ASSERT_TRUE(act(GCfreeH));
  ASSERT_TRUE(act(GCactivateH));
  EXPECT_TRUE(ui.saw('M', "No hierarchy layout is available"));
  ASSERT_TRUE(act(GCfreeH));
  EXPECT_TRUE(ui.saw('W', "No hierarchy to free"));
  ASSERT_TRUE(act(GCfreeS));
  EXPECT_EQ(Gflatten, nullptr);
  EXPECT_EQ(Glayout, nullptr);
}

TEST_F(ReleaseTest, FreeHWithoutFlattening)
{
  build(false);
  ASSERT_TRUE(act(GCfreeS));
  EXPECT_TRUE(ui.saw('W', "No smashed layout to free"));
  ASSERT_TRUE(act(GCfreeH));
  EXPECT_EQ(Gsymbols, nullptr);
  EXPECT_EQ(Glayout, nullptr);
  EXPECT_EQ(Gactive, nullptr);
}

TEST_F(ReleaseTest, FlattenedCellInTheMiddleOfTheList)
{
  build(false);
  _layout* later = define(3);  // defined after the top cell
  box(later, 0, 0, 1, 1);
  ASSERT_TRUE(act(GCflatten));
  ASSERT_TRUE(act(GCfreeS));
  ASSERT_EQ(Gsymbols, later);  // the list is still whole around the hole
  ASSERT_NE(Gsymbols->next, nullptr);
  EXPECT_STREQ(Gsymbols->next->name, "CIRCUIT2");
  EXPECT_STREQ(Gsymbols->next->next->name, "CIRCUIT1");
  EXPECT_EQ(Gsymbols->next->next->next, nullptr);
}

// ---------------------------------------------------------------------------
// Dump.
// ---------------------------------------------------------------------------

class DumpTest : public HierarchyTest {
 protected:
  void SetUp() override
  {
    HierarchyTest::SetUp();
    ASSERT_TRUE(getcwd(cwd_, sizeof cwd_));
    ASSERT_EQ(chdir(dir_.dir().c_str()), 0);
  }
  void TearDown() override
  {
    EXPECT_EQ(chdir(cwd_), 0);
    HierarchyTest::TearDown();
  }
  testing_support::ScratchDir dir_;
  char cwd_[4096];
};

TEST_F(DumpTest, BoxLineIsInMicrometresTruncated)
{
  _layout* top = define(-1);
  box(top, 0, 0, 800, 400);
  box(top, -800, -400, 0, 0);
  box(top, 0, 0, 800, 400, 7);
  GCsaveLayerName(top, 7, "CPG");
  loaded(top);
  ASSERT_TRUE(act(GCflatten));
  ASSERT_TRUE(act(GCdump));
  EXPECT_EQ(testing_support::readFile(dir_.path("zephra.dmp")),
            "(CIF file dumped by ZEKA);\n"
            "L CAA;\n"
            "B 2 1 -1 0;\n"
            "B 2 1 1 0;\n"
            "L CPG;\n"
            "B 2 1 1 0;\n"
            "E\n");
  EXPECT_TRUE(ui.saw('M', "All boxes are dumped in zephra.dmp"));
}

// Without a flattened cell nothing is written; a file that cannot be
// written is reported.
TEST_F(DumpTest, NothingIsWrittenWithoutAFlattenedCellOrAWritableFile)
{
  ASSERT_TRUE(act(GCdump));
  EXPECT_TRUE(ui.saw('W', "No flattened layout to dump"));
  EXPECT_EQ(access(dir_.path("zephra.dmp").c_str(), F_OK), -1);
  ASSERT_EQ(mkdir(dir_.path("zephra.dmp").c_str(), 0755), 0);
  loaded(define(-1));
  ASSERT_TRUE(act(GCflatten));
  ASSERT_TRUE(act(GCdump));
  EXPECT_TRUE(ui.saw('E', "Dump file open failed"));
}

}  // namespace
