// Passive devices in a compaction: the dummy boxes that stand in for
// inductors and capacitors, the capacitor size check and grid refinement,
// the example layouts compacted with passives on and extracted again, a
// size file's capacitor sizes, and the resistor port over contacts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CS.h"
#include "CXcapacitor.h"
#include "DEextract.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "DUsize.h"
#include "ExampleFixture.h"
#include "Dcif.h"
#include "Dcompact.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dmenu.h"
#include "LXinductor.h"
#include "PlaneSupport.h"
#include "RXresistor.h"
#include "SQsqueeze.h"
#include "TestSupport.h"

namespace {

// ---------------------------------------------------------------------------
// The size check and the refinement on a record alone.
// ---------------------------------------------------------------------------
class CapacitorSize : public testing::Test {
 protected:
  void SetUp() override
  {
    saved = LAMBDA_T2;
    LAMBDA_T2 = 0.1;
    keptPlanes[0] = plane1;
    keptPlanes[1] = plane2;
    plane1 = plane2 = _DlayerTile{};
    plane1.layer = 7;
    plane2.layer = 8;
    tile1.set_layer(&plane1);
    tile2.set_layer(&plane2);
    cap.plate1 = &tile1;
    cap.plate2 = &tile2;
    for (int l : {7, 8}) {
      keptWidth[l - 7] = WIDTH[l];
      keptValid[l - 7] = WIDTH_VALID[l];
    }
  }
  void TearDown() override
  {
    LAMBDA_T2 = saved;
    plane1 = keptPlanes[0];
    plane2 = keptPlanes[1];
    for (int l : {7, 8}) {
      WIDTH[l] = keptWidth[l - 7];
      WIDTH_VALID[l] = keptValid[l - 7];
    }
  }
  void rule(int layer, int steps, int valid)
  {
    WIDTH[layer] = static_cast<int16_t>(steps);
    WIDTH_VALID[layer] = static_cast<int16_t>(valid);
  }

  double saved = 0;
  int16_t keptWidth[2] = {}, keptValid[2] = {};
  // A tile's plane record is an entry of the plane table.
  _DlayerTile& plane1 = DlayerTile[0];
  _DlayerTile& plane2 = DlayerTile[1];
  _DlayerTile keptPlanes[2] = {};
  _Dtile tile1{}, tile2{};
  _CX_CAPACITOR_ cap{};
};

TEST_F(CapacitorSize, SmallSideTakesTheLargerPlateMinimum)
{
  struct Case {
    const char* what;
    int w1, valid1, w2, valid2;  // rules of the two plate layers, grid steps
    double width, length;        // micrometres
    int kept;
    double newWidth, newLength;
  };
  const Case cases[] = {
      {"both sides above both rules", 20, 1, 30, 1, 4, 5, 1, 4, 5},
      {"width below the larger rule", 20, 1, 30, 1, 2.5, 1, 0, 3, 1},
      {"length below, width fine", 20, 1, 30, 1, 4, 2, 0, 4, 3},
      {"the larger rule is not valid", 20, 1, 30, 0, 2.5, 2.5, 1, 2.5, 2.5},
      {"no valid rule at all", 20, 0, 30, 0, 0.5, 0.5, 1, 0.5, 0.5},
  };
  for (const Case& c : cases) {
    rule(7, c.w1, c.valid1);
    rule(8, c.w2, c.valid2);
    cap.newGeometry.width = c.width;
    cap.newGeometry.length = c.length;
    EXPECT_EQ(CXchkDesignRule(&cap), c.kept) << c.what;
    EXPECT_DOUBLE_EQ(cap.newGeometry.width, c.newWidth) << c.what;
    EXPECT_DOUBLE_EQ(cap.newGeometry.length, c.newLength) << c.what;
  }
}

TEST_F(CapacitorSize, RefinementRoundsEverySideUpToTheGrid)
{
  _CX_GEOMETRY_& g = cap.newGeometry;
  g = {2.0, 0.95, {&tile1, 0.31}, {&tile2, 0.0}, {&tile1, 1.2}, {&tile2, 0.05}};
  CXrefineCapSize(&cap);
  EXPECT_NEAR(g.width, 1.0, 1e-12);
  EXPECT_NEAR(g.length, 2.0, 1e-12);  // on the grid already: kept
  EXPECT_NEAR(g.top_ext.extension, 0.4, 1e-12);
  EXPECT_NEAR(g.bottom_ext.extension, 0.0, 1e-12);
  EXPECT_NEAR(g.left_ext.extension, 1.2, 1e-12);
  EXPECT_NEAR(g.right_ext.extension, 0.1, 1e-12);
  EXPECT_EQ(g.top_ext.plate, &tile1);
}

// ---------------------------------------------------------------------------
// The example layouts compacted with the passive devices on.
// ---------------------------------------------------------------------------
class PassiveCompaction : public squeeze_test::ExampleLayoutTest {
 protected:
  void SetUp() override
  {
    ExampleLayoutTest::SetUp();
    ASSERT_EQ(accept(kAcceptBridge, testing_support::sourcePath("examples/example.bridge")),
              callback::Outcome::Done);
    ASSERT_EQ(accept(kAcceptCadence2, testing_support::sourcePath("examples/example_rules.tf")),
              callback::Outcome::Done);
  }
  void TearDown() override
  {
    USdeleteCapArray();
    textualDeviceSizeInput = 0;
    ExampleLayoutTest::TearDown();
  }
  // Compaction with the passives on, as the batch line runs it.
  static bool compact()
  {
    int status = 1;
    return testing_support::runsToEnd([&] { status = squeeze::compactLayout(true); }) && status == 0;
  }

  // What extraction measured of each device, in list order.
  static std::vector<std::string> capacitors()
  {
    std::vector<std::string> out;
    char line[256];
    for (const _CX_CAPACITOR_* c = capacitorList ? capacitorList->next : nullptr; c; c = c->next) {
      const _CX_GEOMETRY_& g = c->origGeometry;
      snprintf(line, sizeof line, "%.2f x %.2f, ext t %.2f b %.2f l %.2f r %.2f", g.width,
               g.length, g.top_ext.extension, g.bottom_ext.extension, g.left_ext.extension,
               g.right_ext.extension);
      out.push_back(line);
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::vector<std::string> inductors()
  {
    std::vector<std::string> out;
    char line[256];
    for (const _LXInductor* l = inductorList ? inductorList->next : nullptr; l; l = l->next) {
      snprintf(line, sizeof line, "q %d dir %d D %.2f d %.2f w %.2f s %.2f type %d", l->qturns,
               l->turnsDir, l->outerDiameter, l->innerDiameter, l->width, l->spacing, l->type);
      out.push_back(line);
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  // The XYZ tile of a device covers exactly `box`.
  static void expectDummy(const _Dtile* t, const _box& box, const std::string& what)
  {
    ASSERT_NE(t, nullptr) << what;
    ASSERT_NE(t->layer(), nullptr) << what;
    EXPECT_STREQ(t->layer()->name, "XYZ") << what;
    EXPECT_EQ(t->x1, box.x1) << what;
    EXPECT_EQ(t->y1, box.y1) << what;
    EXPECT_EQ(cs::right(t), box.x2) << what;
    EXPECT_EQ(cs::top(t), box.y2) << what;
  }
};

TEST_F(PassiveCompaction, CapacitorsStandInAsXYZBoxesAndKeepTheirGeometry)
{
  ASSERT_TRUE(load(testing_support::sourcePath("examples/capacitors.cif")));
  const std::vector<std::string> before = capacitors();
  ASSERT_EQ(before.size(), 4u);
  ASSERT_TRUE(compact());
  for (const _CX_CAPACITOR_* c = capacitorList->next; c; c = c->next) {
    const _Dtile *a = c->plate1, *b = c->plate2;
    expectDummy(c->dummyTile,
                {std::min(a->x1, b->x1), std::min(a->y1, b->y1),
                 std::max(cs::right(a), cs::right(b)), std::max(cs::top(a), cs::top(b))},
                "capacitor " + std::to_string(c->capacitorNum));
  }
  // The dummy layer stays out of the output; the capacitors come back.
  FILE* out = fopen("sq_out.cif", "r");
  ASSERT_NE(out, nullptr);
  char line[256];
  bool dummy = false;
  while (fgets(line, sizeof line, out))
    dummy = dummy || strstr(line, "XYZ");
  fclose(out);
  EXPECT_FALSE(dummy);
  ASSERT_TRUE(load("sq_out.cif"));
  EXPECT_EQ(capacitors(), before);
}

TEST_F(PassiveCompaction, InductorsAreWrittenBackWithTheirGeometry)
{
  ASSERT_TRUE(load(testing_support::sourcePath("examples/inductors.cif")));
  const std::vector<std::string> before = inductors();
  ASSERT_EQ(before.size(), 5u);
  std::vector<_box> bounds;
  for (const _LXInductor* l = inductorList->next; l; l = l->next)
    bounds.push_back({l->origX1, l->origY1, l->origX2, l->origY2});
  ASSERT_TRUE(compact());
  size_t i = 0;
  for (const _LXInductor* l = inductorList->next; l; l = l->next, ++i) {
    expectDummy(l->dummyTile, bounds[i], "inductor " + std::to_string(l->inductorNo));
    // The spiral left its plane.
    Stitch = l->dummyTile;
    for (const _Dtilelist* s = l->start; s; s = s->next)
      EXPECT_EQ(s->tile->type, cs::kSpace) << "inductor " << l->inductorNo;
  }
  ASSERT_TRUE(load("sq_out.cif"));
  EXPECT_EQ(inductors(), before);
}

TEST_F(PassiveCompaction, InductorsTakenOutComeBackInALaterPlainCompaction)
{
  ASSERT_TRUE(load(testing_support::sourcePath("examples/inductors.cif")));
  const std::vector<std::string> before = inductors();
  ASSERT_TRUE(compact());
  {
    common::ActionScope scope;
    ASSERT_EQ(squeeze::compactLayout(), 0);
  }
  ASSERT_TRUE(load("sq_out.cif"));
  EXPECT_EQ(inductors(), before);
}

// A size file's inductor entry: the spiral is made anew with the turns,
// width, spacing and outer diameter asked (the inner diameter follows), it
// stays wired to both its feeds, and the other spirals keep theirs.  An
// entry that does not fit keeps the drawn spiral with a warning.
TEST_F(PassiveCompaction, SizeFileInductorEntryMakesANewSpiral)
{
  struct Case {
    const char* entry;  // width, outer, inner, spacing, turns
    const char* made;   // the re-extracted spiral, or null: kept as drawn
    const char* warning;
  } cases[] = {
      {"3 48 18 3 2.75", "q 11 D 48.00 d 18.00 w 3.00 s 3.00", nullptr},
      {"4 34 0 2 2.25", "q 9 D 34.00 d 8.00 w 4.00 s 2.00", nullptr},
      {"3 48 20 3 2.75", "q 11 D 48.00 d 18.00 w 3.00 s 3.00", "give an inner diameter of 18.00"},
      {"4 20 4 2 3", nullptr, "do not fit its outer diameter"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    ASSERT_TRUE(load(testing_support::sourcePath("examples/inductors.cif")));
    // The clockwise spiral of 9 segments, D 40, w 4, s 2.
    const _LXInductor* one = inductorList->next;
    while (one && !(one->qturns == 9 && std::fabs(one->outerDiameter - 40) < 1e-9))
      one = one->next;
    ASSERT_NE(one, nullptr);
    std::vector<std::string> expected = inductors();
    char drawnLine[256], madeLine[256];
    snprintf(drawnLine, sizeof drawnLine, "q %d dir %d D %.2f d %.2f w %.2f s %.2f type %d",
             one->qturns, one->turnsDir, one->outerDiameter, one->innerDiameter, one->width,
             one->spacing, one->type);
    if (c.made) {
      int q;
      double D, d, w, sp;
      ASSERT_EQ(sscanf(c.made, "q %d D %lf d %lf w %lf s %lf", &q, &D, &d, &w, &sp), 5);
      snprintf(madeLine, sizeof madeLine, "q %d dir %d D %.2f d %.2f w %.2f s %.2f type %d", q,
               one->turnsDir, D, d, w, sp, one->type);
      *std::find(expected.begin(), expected.end(), std::string(drawnLine)) = madeLine;
      std::sort(expected.begin(), expected.end());
    }
    FILE* sizes = fopen("sizes.txt", "w+");
    ASSERT_NE(sizes, nullptr);
    fprintf(sizes, "Inductors_sizes:\n  L%d %s\n", one->inductorNo, c.entry);
    rewind(sizes);
    ASSERT_EQ(UStransSizeParse(sizes), 1);
    fclose(sizes);
    std::string out, err;
    common::captureOutput(&out, &err);
    const bool done = compact();
    common::captureOutput(nullptr, nullptr);
    ASSERT_TRUE(done) << out.substr(out.size() > 2000 ? out.size() - 2000 : 0);
    if (c.warning)
      EXPECT_NE(err.find(c.warning), std::string::npos) << err;
    else
      EXPECT_EQ(err.find("Inductor " + std::to_string(one->inductorNo)), std::string::npos) << err;
    ASSERT_TRUE(load("sq_out.cif"));
    EXPECT_EQ(inductors(), expected);
    // Both ends are still wired: every spiral lies between two transistors'
    // nets, none floats.
    for (const _LXInductor* l = inductorList->next; l; l = l->next) {
      EXPECT_NE(l->port1tile, nullptr) << l->inductorNo;
      EXPECT_NE(l->port2tile, nullptr) << l->inductorNo;
    }
    textualDeviceSizeInput = 0;
  }
}

TEST_F(PassiveCompaction, SizeFileCapacitorSizesReplaceTheDrawnOnes)
{
  ASSERT_TRUE(load(testing_support::sourcePath("examples/capacitors.cif")));
  std::vector<std::string> expected = capacitors();
  // Capacitor 1 is the 8 x 6 one; it becomes 12 x 10 with its enclosures.
  const _CX_CAPACITOR_* one = capacitorList->next;
  while (one && one->capacitorNum != 1)
    one = one->next;
  ASSERT_NE(one, nullptr);
  ASSERT_DOUBLE_EQ(one->origGeometry.width, 8.0);
  const _CX_GEOMETRY_& g = one->origGeometry;
  char line[256];
  snprintf(line, sizeof line, "%.2f x %.2f, ext t %.2f b %.2f l %.2f r %.2f", g.width, g.length,
           g.top_ext.extension, g.bottom_ext.extension, g.left_ext.extension,
           g.right_ext.extension);
  auto at = std::find(expected.begin(), expected.end(), std::string(line));
  ASSERT_NE(at, expected.end());
  snprintf(line, sizeof line, "%.2f x %.2f, ext t %.2f b %.2f l %.2f r %.2f", 12.0, 10.0,
           g.top_ext.extension, g.bottom_ext.extension, g.left_ext.extension,
           g.right_ext.extension);
  *at = line;
  std::sort(expected.begin(), expected.end());

  FILE* sizes = fopen("sizes.txt", "w+");
  ASSERT_NE(sizes, nullptr);
  fputs("Capacitors_sizes:\n  C1 12 10\n", sizes);
  rewind(sizes);
  ASSERT_EQ(UStransSizeParse(sizes), 1);
  fclose(sizes);
  ASSERT_TRUE(compact());
  ASSERT_TRUE(load("sq_out.cif"));
  EXPECT_EQ(capacitors(), expected);
}

// Switched off by the user, the passive devices stay off at every load: no
// capacitor and no inductor is extracted, none is left from before.
TEST_F(PassiveCompaction, PassiveSwitchesSetByTheUserHoldAtLoad)
{
  ASSERT_TRUE(load(testing_support::sourcePath("examples/capacitors.cif")));
  ASSERT_EQ(capacitorCount, 4);
  std::string why;
  ASSERT_TRUE(common::setProcessSetting("PROCESS_INCLUDE_PASSIVE", "0", &why));
  ASSERT_TRUE(load(testing_support::sourcePath("examples/capacitors.cif")));
  EXPECT_EQ(capacitorCount, 0);
  EXPECT_EQ(PROCESS_INCLUDE_PASSIVE, 0);
  ASSERT_TRUE(load(testing_support::sourcePath("examples/inductors.cif")));
  EXPECT_GT(inductorCount, 0);
  ASSERT_TRUE(common::setProcessSetting("PROCESS_INCLUDE_INDUCTOR", "0", &why));
  ASSERT_TRUE(load(testing_support::sourcePath("examples/inductors.cif")));
  EXPECT_EQ(inductorCount, 0);
}

TEST_F(PassiveCompaction, ResistorPortOverContactsAbandonsAndKeepsTheLayout)
{
  ASSERT_TRUE(load(testing_support::sourcePath("examples/resistors.cif")));
  ASSERT_GT(resistorCount, 0);
  std::string out, err;
  common::captureOutput(&out, &err);
  const bool done = compact();
  common::captureOutput(nullptr, nullptr);
  EXPECT_FALSE(done);
  EXPECT_NE(out.find("VCchange_number:  The vc size is not initialized yet"), std::string::npos);
  EXPECT_NE(err.find("can not be resized without via removal"), std::string::npos);
  // The layout stays loaded and compacts without the passives.
  EXPECT_EQ(PROCESS_INCLUDE_PASSIVE, 1);
  ASSERT_GT(DlayerNum, 0);
  common::ActionScope scope;
  EXPECT_EQ(squeeze::compactLayout(), 0);
}

}  // namespace
