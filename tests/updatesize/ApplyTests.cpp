// Handing the sizes on: the half-scale rounding, the transistors, the
// passive devices, and the amplifier example loaded as a designer would.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <string>

#include "CS.h"
#include "CXcapacitor.h"
#include "DEextract.h"
#include "DTtechnology.h"
#include "DUsize.h"
#include "Dmenu.h"
#include "LXinductor.h"
#include "PlaneSupport.h"
#include "RXresistor.h"
#include "SizeSupport.h"

namespace {

using size_test::SizeTest;

TEST(HalfScaleRound, RoundsToHalfTheScale)
{
  struct Case {
    int value, scale, expected;
  } cases[] = {
      {960, 40, 960}, {959, 40, 960}, {970, 40, 960},   // a quarter exactly rounds down
      {971, 40, 980}, {-971, 40, -980}, {-970, 40, -960}, {11, 40, 20}, {7, 8, 8}, {6, 8, 4},
      {INT_MAX, 40, 2147483640}, {INT_MIN, 40, -2147483640}, {5, 1, 5}, {5, 0, 5},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SQhalfscale_round(c.value, c.scale), c.expected) << c.value << " at " << c.scale;
  std::string out;
  common::captureOutput(&out, nullptr);
  int rounded = SQhalfscale_round(7, 6);  // h = 3, a quarter is 1
  common::captureOutput(nullptr, nullptr);
  EXPECT_EQ(rounded, 6);
  EXPECT_EQ(out,
            "ERROR:  SQhalfscale_round:  The scale of 6 is not divisible by four.\n"
            "                         :  The scale of 6 is not divisible by four.\n");
}

// Resizes not named by the file show as -7.
class TranSizes : public size_test::FourTransistors {
 protected:
  void SetUp() override
  {
    FourTransistors::SetUp();
    for (_Dtransistor& x : t)
      x.resize_width = -7;
  }
};

TEST_F(TranSizes, LineGivesLayoutUnits)
{
  struct Case {
    const char* line;
    int orientation;
    int width, length, diffusionExt, polyExt, flag;
  } cases[] = {
      {"M3 2.4 0.6", 1, 960, 240, 0, 0, 0},  // 40 x 2.4 / 0.1, which the rounding keeps
      {"M3 2.4 0.6", -1, 240, 960, 0, 0, 0},
      {"M3 2.4 0.6 0.5 0", 1, 960, 240, 200, 0, 1},
      {"M3 2.4 0.6 0 0.25", 0, 240, 960, 0, 100, 1},
      {"M3 2.4 0.6 0 0", 1, 960, 240, 0, 0, 0},
      {"M3 2.4 0.6 0.01 0", 1, 960, 240, 0, 0, 1},  // 4 units raise the flag, round to 0
      {"M3 2.41 0.6", 1, 960, 240, 0, 0, 0},        // 964 rounds down
      {"M3 2.43 0.6", 1, 980, 240, 0, 0, 0},        // 972 rounds up
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    t[2].orientation = c.orientation;
    t[2].resize_act_poly_flag = 1;
    ASSERT_EQ(parse(std::string("Transistors_sizes:\n") + c.line + "\n"), 1) << err;
    EXPECT_EQ(t[2].resize_width, c.width);
    EXPECT_EQ(t[2].resize_length, c.length);
    EXPECT_EQ(t[2].resize_source_ext, c.diffusionExt);
    EXPECT_EQ(t[2].resize_drain_ext, c.diffusionExt);
    EXPECT_EQ(t[2].resize_Pside1_ext, c.polyExt);
    EXPECT_EQ(t[2].resize_Pside2_ext, c.polyExt);
    EXPECT_EQ(t[2].resize_act_poly_flag, c.flag);
    EXPECT_EQ(t[2].no_contact_row, 1);
    EXPECT_EQ(t[0].resize_width, -7);  // not named: kept
  }
}

// The table holds numbers below the transistor count; the last transistor
// is reached by growth only, and is reported when the file leaves it out.
TEST_F(TranSizes, NumbersBeyondTheTable)
{
  ASSERT_EQ(parse("Transistors_sizes:\n m1 1 1\n"), 1);
  EXPECT_EQ(t[0].resize_length, 400);
  EXPECT_EQ(out, "UStransSizeParse: Transistor 4 does not have new size values\n");
  out.clear();
  ASSERT_EQ(parse("Transistors_sizes:\n ,4 1 2\n M9 3 3\n"), 1);
  EXPECT_EQ(t[3].resize_length, 400);
  EXPECT_EQ(t[3].resize_width, 800);
  EXPECT_EQ(out, "");
}

TEST_F(TranSizes, RefusedFileChangesNoTransistor)
{
  EXPECT_EQ(parse("Transistors_sizes:\n M1 1 1\n M2 2 2\n M3 W=1 L=1\n"), 0);
  for (const _Dtransistor& x : t)
    EXPECT_EQ(x.resize_width, -7);
}

TEST_F(SizeTest, PassiveDevicesTakeTheirFlaggedSizes)
{
  _LXInductor inds[3] = {};  // list head, device 1, device 2
  _CX_CAPACITOR_ caps[3] = {};
  _RX_RESISTOR_ ress[3] = {};
  for (int i = 0; i < 3; ++i) {
    inds[i].inductorNo = caps[i].capacitorNum = ress[i].resistorNum = i;
    inds[i].next = i < 2 ? &inds[i + 1] : nullptr;
    caps[i].next = i < 2 ? &caps[i + 1] : nullptr;
    ress[i].next = i < 2 ? &ress[i + 1] : nullptr;
  }
  inductorList = inds;
  capacitorList = caps;
  resistorList = ress;
  inductorCount = capacitorCount = resistorCount = 2;
  ASSERT_EQ(parse("Inductors_sizes:\n L1 4 40 14 2 2.25\n"
                  "Capacitors_sizes:\n C1 20 18\nResistors_sizes:\n R1 4 32 2\n"),
            1);
  USupdateIndSize();
  USupdateCapSize();
  USupdateResSize();
  const _LX_GEOMETRY_& g = inds[1].newGeometry;
  EXPECT_EQ(g.width + g.outerDiameter + g.innerDiameter + g.spacing, 4 + 40 + 14 + 2);
  EXPECT_EQ(g.outerDiameter, 40);
  EXPECT_EQ(g.qturn, 9);  // quarter turns
  EXPECT_EQ(caps[1].newGeometry.width, 20);
  EXPECT_EQ(caps[1].newGeometry.length, 18);
  EXPECT_EQ(ress[1].newGeometry.length, 32);
  EXPECT_EQ(inds[2].newGeometry.qturn, 0);  // device 2 is beyond the tables
  EXPECT_EQ(out,
            "UStransSizeParse: Inductor 2 does not have new size values\n"
            "UStransSizeParse: Capacitor 2 does not have new size\n"
            "UStransSizeParse: Resistor 2 does not have new size\n");
}

// The bundled sizes of the amplifier, loaded through the dialog dispatcher
// after the layout (whose load writes files, hence the scratch folder).
class AmpSizes : public cs_test::PlaneTest {
 protected:
  void TearDown() override
  {
    GCfreeCS();
    USdeleteCapArray();
    PlaneTest::TearDown();
  }
  testing_support::ScratchDir scratch;
};

TEST_F(AmpSizes, ExampleFileSizesTheFingers)
{
  DIcolorInit();
  DItechInit();
  char here[4096];
  ASSERT_TRUE(getcwd(here, sizeof here) && chdir(scratch.dir().c_str()) == 0);
  auto loaded = callback::accept(
      kAcceptLoadCif, testing_support::sourcePath("examples/amp.cif").c_str());
  ASSERT_EQ(chdir(here), 0);
  ASSERT_EQ(loaded, callback::Outcome::Done);
  ASSERT_EQ(callback::accept(kAcceptTransSize,
                             testing_support::sourcePath("examples/sizes.txt").c_str()),
            callback::Outcome::Done);
  // Finger number: width along the gate, extension; every length is 2 um.
  const int width[18] = {0, 6400, 6400, 6400, 4000, 6400, 4000, 0, 4000, 0,
                         4000, 0, 4000, 4800, 0, 4000, 4800, 2000};
  int seen = 0;
  for (int e = 0; e < DelementNum; ++e) {
    for (const _Dtransistor* t = Transistors[e]; t; t = t->next, ++seen) {
      SCOPED_TRACE(testing::Message() << "m" << t->number);
      bool along = t->orientation == 1;
      EXPECT_EQ(along ? t->resize_width : t->resize_length, width[t->number]);
      EXPECT_EQ(along ? t->resize_length : t->resize_width, width[t->number] ? 800 : 0);
      EXPECT_EQ(t->resize_drain_ext, width[t->number] == 4800 ? 200 : 0);
    }
  }
  EXPECT_EQ(seen, 17);
  EXPECT_EQ(UScapSize.Width[1], 20);
}

}  // namespace
