// Handing the sizes on: the half-scale rounding, the transistors, the
// passive devices, and the amplifier example loaded as a designer would.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <map>
#include <string>
#include <vector>

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
using testing_support::sourcePath;

TEST(HalfScaleRound, RoundsToHalfTheScale)
{
  struct Case {
    int value, scale, expected;
  } cases[] = {
      {960, 40, 960},  {959, 40, 960},   {970, 40, 960},   {971, 40, 980},
      {-971, 40, -980}, {-970, 40, -960}, {0, 40, 0},       {10, 40, 0},
      {11, 40, 20},    {7, 8, 8},        {6, 8, 4},        {INT_MAX, 40, 2147483640},
      {INT_MIN, 40, -2147483640},        {5, 1, 5},        {5, 0, 5},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SQhalfscale_round(c.value, c.scale), c.expected) << c.value << " at " << c.scale;
}

TEST(HalfScaleRound, ScaleNotDivisibleByFourIsReportedAndRounded)
{
  std::string out;
  common::captureOutput(&out, nullptr);
  int rounded = SQhalfscale_round(7, 6);  // h = 3, a quarter is 1
  common::captureOutput(nullptr, nullptr);
  EXPECT_EQ(rounded, 6);
  EXPECT_EQ(out,
            "ERROR:  SQhalfscale_round:  The scale of 6 is not divisible by four.\n"
            "                         :  The scale of 6 is not divisible by four.\n");
}

// Four transistors m1..m4 in one element list, newest first.
class TranSizes : public SizeTest {
 protected:
  void SetUp() override
  {
    SizeTest::SetUp();
    for (int i = 0; i < 4; ++i) {
      t[i].number = i + 1;
      t[i].orientation = 1;
      t[i].resize_width = t[i].resize_length = -7;
      t[i].next = i > 0 ? &t[i - 1] : nullptr;
    }
    heads[0] = &t[3];
    Transistors = heads;
    DelementNum = 1;
    TransNum = 4;
  }

  _Dtransistor t[4] = {};
  _Dtransistor* heads[1] = {};
};

TEST_F(TranSizes, LineGivesLayoutUnits)
{
  struct Case {
    const char* line;
    int orientation;
    int width, length, diffusionExt, polyExt, flag;
  } cases[] = {
      // 40 x 2.4 / 0.1 = 960, which the rounding keeps
      {"M3 2.4 0.6", 1, 960, 240, 0, 0, 0},
      {"M3 2.4 0.6", -1, 240, 960, 0, 0, 0},
      {"M3 2.4 0.6", 0, 240, 960, 0, 0, 0},
      {"M3 2.4 0.6 0.5 0", 1, 960, 240, 200, 0, 1},
      {"M3 2.4 0.6 0 0.25", 1, 960, 240, 0, 100, 1},
      {"M3 2.4 0.6 0 0", 1, 960, 240, 0, 0, 0},
      {"M3 2.4 0.6 0.01 0", 1, 960, 240, 0, 0, 1},   // 4 units raise the flag, round to 0
      {"M3 2.41 0.6", 1, 960, 240, 0, 0, 0},          // 964 rounds down
      {"M3 2.43 0.6", 1, 980, 240, 0, 0, 0},          // 972 rounds up
      {"M3 (times 2 1.2) 6e-1", 1, 960, 240, 0, 0, 0},
      {"M3 =2.4 =0.6", 1, 960, 240, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    t[2].orientation = c.orientation;
    t[2].resize_act_poly_flag = 1;
    ASSERT_EQ(parse(std::string("Transistors_sizes:\n") + c.line + "\n"), 1) << err;
    EXPECT_EQ(t[2].resize_width, c.width);
    EXPECT_EQ(t[2].resize_length, c.length);
    EXPECT_EQ(t[2].resize_drain_ext, c.diffusionExt);
    EXPECT_EQ(t[2].resize_source_ext, c.diffusionExt);
    EXPECT_EQ(t[2].resize_Pside1_ext, c.polyExt);
    EXPECT_EQ(t[2].resize_Pside2_ext, c.polyExt);
    EXPECT_EQ(t[2].resize_act_poly_flag, c.flag);
    EXPECT_EQ(t[2].no_contact_row, 1);
    EXPECT_EQ(t[0].resize_width, -7);  // not named: kept
    EXPECT_EQ(UStranSize.ArraySize, 0);
  }
}

// The table holds numbers below the transistor count; the last transistor
// is reached by growth only, and is reported when the file leaves it out.
TEST_F(TranSizes, NumbersBeyondTheTable)
{
  ASSERT_EQ(parse("Transistors_sizes:\n m1 1 1\n"), 1);
  EXPECT_EQ(t[0].resize_width, 400);
  EXPECT_EQ(t[3].resize_width, -7);
  EXPECT_EQ(out, "UStransSizeParse: Transistor 4 does not have new size values\n");
  out.clear();
  ASSERT_EQ(parse("Transistors_sizes:\n ,4 1 2\n M9 3 3\n"), 1);
  EXPECT_EQ(t[3].resize_width, 400);
  EXPECT_EQ(t[3].resize_length, 800);
  EXPECT_EQ(out, "");
}

TEST_F(TranSizes, RefusedFileChangesNoTransistor)
{
  EXPECT_EQ(parse("Transistors_sizes:\n M1 1 1\n M2 2 2\n M3 W=1 L=1\n"), 0);
  for (const _Dtransistor& x : t) {
    EXPECT_EQ(x.resize_width, -7);
    EXPECT_EQ(x.no_contact_row, 0);
  }
}

TEST_F(SizeTest, PassiveDevicesTakeTheirFlaggedSizes)
{
  _LXInductor inds[3] = {};
  _CX_CAPACITOR_ caps[3] = {};
  _RX_RESISTOR_ ress[3] = {};
  for (int i = 0; i < 3; ++i) {  // head, device 1, device 2
    inds[i].inductorNo = i == 0 ? -1 : i;
    caps[i].capacitorNum = ress[i].resistorNum = i;
    inds[i].next = i < 2 ? &inds[i + 1] : nullptr;
    caps[i].next = i < 2 ? &caps[i + 1] : nullptr;
    ress[i].next = i < 2 ? &ress[i + 1] : nullptr;
  }
  inductorList = inds;
  capacitorList = caps;
  resistorList = ress;
  inductorCount = capacitorCount = resistorCount = 2;
  ASSERT_EQ(parse("Inductors_sizes:\n L1 4 40 14 2 2.25\n"
                  "Capacitors_sizes:\n C1 20 18\n"
                  "Resistors_sizes:\n R1 4 32 2\n"),
            1)
      << err;
  USupdateIndSize();
  USupdateCapSize();
  USupdateResSize();
  EXPECT_DOUBLE_EQ(inds[1].newGeometry.width, 4);
  EXPECT_DOUBLE_EQ(inds[1].newGeometry.outerDiameter, 40);
  EXPECT_DOUBLE_EQ(inds[1].newGeometry.innerDiameter, 14);
  EXPECT_DOUBLE_EQ(inds[1].newGeometry.spacing, 2);
  EXPECT_EQ(inds[1].newGeometry.qturn, 9);  // quarter turns
  EXPECT_DOUBLE_EQ(caps[1].newGeometry.width, 20);
  EXPECT_DOUBLE_EQ(caps[1].newGeometry.length, 18);
  EXPECT_DOUBLE_EQ(ress[1].newGeometry.width, 4);
  EXPECT_DOUBLE_EQ(ress[1].newGeometry.length, 32);
  // Device 2 is beyond the tables of two entries.
  EXPECT_EQ(inds[2].newGeometry.qturn, 0);
  EXPECT_EQ(out,
            "UStransSizeParse: Inductor 2 does not have new size values\n"
            "UStransSizeParse: Capacitor 2 does not have new size\n"
            "UStransSizeParse: Resistor 2 does not have new size\n");
  USdeleteCapArray();
  EXPECT_EQ(UScapSize.ArraySize, 0);
  inductorList = nullptr;
  capacitorList = nullptr;
  resistorList = nullptr;
}

// The bundled sizes of the amplifier, loaded through the dialog dispatcher.
class AmpSizes : public cs_test::PlaneTest {
 protected:
  void SetUp() override
  {
    PlaneTest::SetUp();
    DIcolorInit();
    DItechInit();
  }
  void TearDown() override
  {
    GCfreeCS();
    USdeleteIndArray();
    USdeleteResArray();
    USdeleteCapArray();
    PlaneTest::TearDown();
  }
  // Loads the amplifier in a scratch folder (the load writes files).
  bool load()
  {
    char here[4096];
    if (!getcwd(here, sizeof here) || chdir(scratch.dir().c_str()) != 0)
      return false;
    auto outcome = callback::accept(kAcceptLoadCif, sourcePath("examples/amp.cif").c_str());
    return chdir(here) == 0 && outcome == callback::Outcome::Done;
  }

  testing_support::ScratchDir scratch;
};

TEST_F(AmpSizes, ExampleFileSizesTheFingers)
{
  ASSERT_TRUE(load()) << err;
  ASSERT_EQ(TransNum, 17);
  EXPECT_EQ(callback::accept(kAcceptTransSize, sourcePath("examples/sizes.txt").c_str()),
            callback::Outcome::Done)
      << err;
  EXPECT_EQ(textualDeviceSizeInput, 1);
  // Finger number: width, length (layout units), diffusion extension.
  struct Size {
    int w, l, ext;
  };
  const std::map<int, Size> named = {
      {12, {4000, 800, 0}}, {15, {4000, 800, 0}}, {8, {4000, 800, 0}}, {10, {4000, 800, 0}},
      {13, {4800, 800, 200}}, {16, {4800, 800, 200}},
      {1, {6400, 800, 0}}, {2, {6400, 800, 0}}, {3, {6400, 800, 0}}, {5, {6400, 800, 0}},
      {4, {4000, 800, 0}}, {6, {4000, 800, 0}}, {17, {2000, 800, 0}}};
  int seen = 0;
  for (int e = 0; e < DelementNum; ++e) {
    for (const _Dtransistor* t = Transistors[e]; t; t = t->next, ++seen) {
      SCOPED_TRACE(testing::Message() << "m" << t->number);
      auto size = named.find(t->number);
      if (size == named.end()) {  // M3 and M4 keep their drawn fingers
        EXPECT_EQ(t->no_contact_row, 0);
        continue;
      }
      int along = t->orientation == 1 ? t->resize_width : t->resize_length;
      int across = t->orientation == 1 ? t->resize_length : t->resize_width;
      EXPECT_EQ(along, size->second.w);
      EXPECT_EQ(across, size->second.l);
      EXPECT_EQ(t->resize_drain_ext, size->second.ext);
      EXPECT_EQ(t->resize_act_poly_flag, size->second.ext > 0 ? 1 : 0);
      EXPECT_EQ(t->no_contact_row, 1);
    }
  }
  EXPECT_EQ(seen, 17);
  ASSERT_EQ(capacitorCount, 1);
  ASSERT_GE(UScapSize.ArraySize, 2);
  EXPECT_DOUBLE_EQ(UScapSize.Width[1], 20);
  EXPECT_DOUBLE_EQ(UScapSize.Length[1], 20);
}

}  // namespace
