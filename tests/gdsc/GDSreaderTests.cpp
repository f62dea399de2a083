// The GDSII reader: units, every element kind, references and arrays with
// their transformations, the hierarchy, and bad input.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "GdsTestSupport.h"

namespace {

using namespace gds_test;

// A rectangle (x1,y1)-(x2,y2) of a cell's layer as the database holds it,
// transformed as a GDSII reference does: reflection about x, quarter turns
// counterclockwise, then the displacement.
std::string placed(int x1, int y1, int x2, int y2, bool reflect, int quarters, int dx, int dy)
{
  auto move = [&](int x, int y) {
    if (reflect)
      y = -y;
    for (int q = 0; q < quarters; ++q) {
      int t = x;
      x = -y;
      y = t;
    }
    return std::make_pair(x + dx, y + dy);
  };
  auto a = move(x1, y1), b = move(x2, y2);
  return "(" + std::to_string(std::min(a.first, b.first)) + "," +
         std::to_string(std::min(a.second, b.second)) + ";" +
         std::to_string(std::max(a.first, b.first)) + "," +
         std::to_string(std::max(a.second, b.second)) + ")";
}

// ---------------------------------------------------------------------------
// Units.
// ---------------------------------------------------------------------------

TEST_F(GdsTest, DatabaseUnitsConvertExactlyOrAreRefused)
{
  const struct {
    double metres;
    int coordinate;
    const char* caa;   // the box (0,0)-(c,c) in internal units, "" when refused
    const char* note;  // a message expected ("" none)
  } cases[] = {
      {1e-9, 1000, "(0,0;400,400)", ""},                // 1 nm = 2/5 unit
      {0.075e-6, 4, "(0,0;120,120)", ""},               // lambda/4 of 0.3 um = 30 units
      {1e-10, 250, "(0,0;10,10)", ""},                  // 1/25 unit
      {2.5e-9, 7, "(0,0;7,7)", ""},                     // the internal unit itself
      {1e-9, 1001, "(0,0;400,400)", "2 coordinates of the database unit 1e-09 m lie between"},
      {1.2345678e-9, 10, "", "the database unit 1.23457e-09 m cannot be represented"},
      {0, 10, "", "the database unit 0 m cannot be represented"},
  };
  // UNITS as layout editors write them: 1e-3 and 1e-9 cut to 56 bits.
  Bytes tool = int2(0x00, {600}) + int2(0x01, {2024, 1, 2, 3, 4, 5, 2024, 1, 2, 3, 4, 5}) +
               record(0x03, 5, Bytes("\x3e\x41\x89\x37\x4b\xc6\xa7\xef\x39\x44\xb8\x2f\xa0\x9b\x5a\x54", 16)) +
               structure("T", box(kCAA, 0, 0, 1000, 2500)) + record(0x04, 0);
  ASSERT_TRUE(read(tool));
  ASSERT_TRUE(flatten());
  EXPECT_EQ(rects(Gflatten, "CAA"), "(0,0;400,1000)");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.metres);
    ui.messages.clear();
    Bytes file = library(structure("TOP", box(kCAA, 0, 0, c.coordinate, c.coordinate)), c.metres);
    bool ok = read(file);
    EXPECT_EQ(ok, c.caa[0] != '\0');
    if (ok) {
      ASSERT_TRUE(flatten());
      EXPECT_EQ(rects(Gflatten, "CAA"), c.caa);
    }
    if (c.note[0]) {
      EXPECT_NE(messages().find(c.note), std::string::npos) << messages();
    }
  }
}

// ---------------------------------------------------------------------------
// Elements.
// ---------------------------------------------------------------------------

TEST_F(GdsTest, StructuresBecomeCellsCalledByTheTopCell)
{
  ASSERT_TRUE(read(library(structure("TOP", box(kCAA, 0, 0, 40, 20) + label(kCMF, 4, 8, "vdd")))));
  ASSERT_NE(Glayout, nullptr);
  EXPECT_STREQ(Glayout->name, "CIRCUIT");
  EXPECT_STREQ(Glayout->cellname, "TOP");
  _layout* top = cell("CIRCUIT1");
  ASSERT_NE(top, nullptr);
  EXPECT_STREQ(top->cellname, "TOP");
  EXPECT_EQ(rects(top, "CAA"), "(0,0;40,20)");
  EXPECT_EQ(labels(top, "CMF"), "vdd@4,8");
  ASSERT_NE(Gpin, nullptr);  // the pin in the structure's own coordinates, as CIF makes it
  EXPECT_STREQ(Gpin->label, "vdd");
  EXPECT_STREQ(Gpin->layername, "CMF");
  EXPECT_EQ(Gpin->x, 4);
  ASSERT_TRUE(flatten());
  EXPECT_EQ(labels(Gflatten, "CMF"), "0_vdd@4,8");  // as a CIF top-level call gives it
  EXPECT_EQ(Gflatten->frame.x2, 40);
}

// Polygons and paths give the rectangles the CIF reader gives for the same
// polygon and wire; the other path types end where they say.
TEST_F(GdsTest, BoundariesAndPathsGiveTheirRectangles)
{
  const struct {
    const char* what;
    Bytes element;
    const char* cif;    // the same in CIF, read for comparison ("" none)
    const char* cmf;    // else the expected rectangles
  } cases[] = {
      {"L-shaped boundary", boundary(kCMF, {0, 0, 200, 0, 200, 100, 100, 100, 100, 200, 0, 200, 0, 0}),
       "P 0 0 200 0 200 100 100 100 100 200 0 200;", ""},
      {"slanted boundary", boundary(kCMF, {0, 0, 400, 0, 300, 200, 0, 200, 0, 0}),
       "P 0 0 400 0 300 200 0 200;", ""},
      {"rectangle listed the other way round", boundary(kCMF, {0, 0, 0, 20, 40, 20, 40, 0}), "",
       "(0,0;40,20)"},
      {"path type 2", path(kCMF, 2, 20, {0, 0, 100, 0, 100, 100}), "W 20 0 0 100 0 100 100;", ""},
      {"path type 2, slanted", path(kCMF, 2, 20, {0, 0, 100, 60, 200, 0}),
       "W 20 0 0 100 60 200 0;", ""},
      {"path type 1 as type 2", path(kCMF, 1, 20, {0, 0, 100, 0}), "W 20 0 0 100 0;", ""},
      {"path type 0 ends flush", path(kCMF, 0, 20, {0, 0, 100, 0, 100, 100}), "",
       "(0,-10;110,10) (90,-10;110,100)"},
      {"path type 4 with its extensions", path(kCMF, 4, 20, {0, 0, 100, 0}, 30, -40), "",
       "(-30,-10;60,10)"},
      {"path type 4 shorter than its extensions", path(kCMF, 4, 20, {0, 0, 100, 0}, -60, -40),
       "", "-"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string want = c.cmf;
    if (c.cif[0]) {
      // One CIF unit is 4 internal units: the GDSII file is written in
      // quarter CIF units so both name the same places.
      ASSERT_EQ(loadCif(std::string("DS 1 1 4;\nL CMF;\n") + c.cif + "\nDF;\nC 1;\nE\n"), 0);
      ASSERT_TRUE(flatten());
      want = sortedRects(Gflatten, "CMF");
    }
    ASSERT_TRUE(read(library(structure("S", c.element))));
    ASSERT_TRUE(flatten());
    EXPECT_EQ(sortedRects(Gflatten, "CMF"), want);
  }
  EXPECT_TRUE(ui.saw('W', "1 paths with round ends (path type 1) are read with square ends"));
}

// Text, node, box and properties: only text leaves something, and only
// on a mapped pair; the rest is skipped and the skipped pairs are listed.
TEST_F(GdsTest, SkippedElementsAndUnmappedLayers)
{
  Bytes node = record(0x15, 0) + int2(0x0D, {kCMF}) + int2(0x2A, {0}) + int4(0x10, {0, 0}) + endel();
  Bytes boxElement = record(0x2D, 0) + int2(0x0D, {kCMF}) + int2(0x2E, {0}) +
                     int4(0x10, {0, 0, 9, 0, 9, 9, 0, 9, 0, 0}) + endel();
  Bytes flagged = record(0x08, 0) + record(0x26, 1, Bytes(2, '\0')) + int4(0x2F, {7}) +
                  int2(0x0D, {kCAA}) + int2(0x0E, {0}) +
                  int4(0x10, {0, 0, 8, 0, 8, 8, 0, 8, 0, 0}) + int2(0x2B, {1}) +
                  text(0x2C, "note") + endel();
  Bytes elements = node + boxElement + flagged + box(200, 0, 0, 4, 4) + box(200, 0, 0, 4, 4) +
                   box(kCMF, 0, 0, 4, 4, 7) + label(kCMF, 1, 1, "") + label(kCMF, 2, 2, "out");
  ASSERT_TRUE(read(library(structure("S", elements))));
  _layout* s = cell("CIRCUIT1");
  EXPECT_EQ(rects(s, "CAA"), "(0,0;8,8)");
  EXPECT_EQ(rects(s, "CMF"), "");
  EXPECT_EQ(labels(s, "CMF"), "out@2,2");
  EXPECT_TRUE(ui.saw('W', "were skipped: 49/7 (1 shape), 200/0 (2 shapes)")) << messages();
}

// ---------------------------------------------------------------------------
// References.
// ---------------------------------------------------------------------------

TEST_F(GdsTest, ReferencesReflectRotateAndMove)
{
  for (bool reflect : {false, true}) {
    for (int quarters = 0; quarters < 4; ++quarters) {
      SCOPED_TRACE(std::to_string(reflect) + " " + std::to_string(quarters));
      Bytes file = library(structure("TOP", sref("CELL", 1000, 2000, reflect, 90.0 * quarters - 360)) +
                           structure("CELL", box(kCAA, 10, 20, 50, 30)));
      ASSERT_TRUE(read(file));
      ASSERT_TRUE(flatten());
      EXPECT_EQ(rects(Gflatten, "CAA"), placed(10, 20, 50, 30, reflect, quarters, 1000, 2000));
    }
  }
}

TEST_F(GdsTest, ArrayCopiesFollowTheLatticeWithReflectionAndRotation)
{
  // 3 columns 100 apart along x, 2 rows 0,300 apart; each copy turned by
  // 90 degrees after a reflection.
  Bytes file = library(structure("TOP", aref("CELL", 3, 2, 1000, 0, 100, 0, 0, 300, true, 90)) +
                       structure("CELL", box(kCAA, 10, 20, 50, 30) + label(kCMF, 0, 0, "a")));
  ASSERT_TRUE(read(file));
  const _layout* top = cell("CIRCUIT1");
  int calls = 0;
  for (const _instance* i = top->instance; i; i = i->next)
    EXPECT_EQ(i->no, 5 - calls++);  // numbered row by row, the last first in the list
  EXPECT_EQ(calls, 6);
  ASSERT_TRUE(flatten());
  std::vector<std::string> want;
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c)
      want.push_back(placed(10, 20, 50, 30, true, 1, 1000 + 100 * c, 300 * r));
  std::sort(want.begin(), want.end());
  std::string joined;
  for (const std::string& w : want)
    joined += (joined.empty() ? "" : " ") + w;
  EXPECT_EQ(sortedRects(Gflatten, "CAA"), joined);
  EXPECT_NE(labels(Gflatten, "CMF").find("0_5_a@1200,300"), std::string::npos);
}

TEST_F(GdsTest, ForwardReferencesSeveralTopsAndMagnification)
{
  // LEAF is referenced before it is defined; TOP and OTHER are both tops;
  // TOP calls LEAF magnified twice and plain.
  Bytes file = library(structure("TOP", sref("LEAF", 0, 0, false, 0, 2) + sref("LEAF", 100, 0)) +
                       structure("OTHER", box(kCMS, 0, 0, 4, 4)) +
                       structure("LEAF", box(kCAA, 0, 0, 10, 6) + label(kCMF, 2, 2, "x")));
  ASSERT_TRUE(read(file));
  EXPECT_TRUE(ui.saw('M', "Several structures are called by none: the layout is all of them, "
                          "CIRCUIT1 (TOP), CIRCUIT2 (OTHER)"))
      << messages();
  ASSERT_TRUE(flatten());
  EXPECT_EQ(sortedRects(Gflatten, "CAA"), "(0,0;20,12) (100,0;110,6)");
  EXPECT_EQ(rects(Gflatten, "CMS"), "(0,0;4,4)");
  int pins = 0;
  for (const _pin* p = Gpin; p; p = p->next)
    ++pins;
  EXPECT_EQ(pins, 2);  // the structure's and its magnified copy's
}

// ---------------------------------------------------------------------------
// Bad input: a clear message with the byte and record, and the layout that
// was loaded before stays.
// ---------------------------------------------------------------------------

TEST_F(GdsTest, BadInputIsRefusedAndThePreviousLayoutStays)
{
  const Bytes good = library(structure("TOP", sref("CELL", 0, 0)) + structure("CELL", box(kCAA, 0, 0, 8, 8)));
  const Bytes head = int2(0x00, {600}) + int2(0x01, {2024, 1, 2, 3, 4, 5, 2024, 1, 2, 3, 4, 5}) +
                     real8(0x03, {0.0025, 2.5e-9});
  const long body = static_cast<long>(head.size());  // the first BGNSTR
  const long str = body + 34;  // the first element, after BGNSTR and STRNAME "S"
  const struct {
    const char* what;
    Bytes file;
    std::string message;
  } cases[] = {
      {"not GDSII", "DS 1;\nE\n", "at byte 0: not a GDSII stream file"},
      {"truncated in a record", good.substr(0, good.size() - 30), "the file ends inside the record"},
      {"truncated between records", good.substr(0, good.size() - 4),
       "the file ends before ENDLIB"},
      {"impossible length", head + record(0x05, 2).substr(0, 1) + Bytes("\x02\x05\x02", 3),
       "at byte " + std::to_string(body) + ", record BGNSTR: a record of impossible length 2"},
      {"odd length", head + Bytes("\x00\x05\x05\x02\x00\x00", 6),
       "a record of impossible length 5"},
      {"unknown record type", head + structure("S", record(0x5c, 0) + box(kCAA, 0, 0, 8, 8)),
       "at byte " + std::to_string(str) + ", record 0x5c: an element or ENDSTR belongs here"},
      {"record foreign to the element",
       head + structure("S", record(0x08, 0) + int2(0x13, {1, 1}) + endel()),
       "record COLROW: not a record of a BOUNDARY element in structure S"},
      {"data type", head + structure("S", record(0x08, 0) + int4(0x0D, {43}) + endel()),
       "record LAYER: data type 3 where 2 belongs"},
      {"odd coordinates", head + structure("S", record(0x08, 0) + int2(0x0D, {43}) +
                                                    int4(0x10, {0, 0, 1, 1, 2}) + endel()),
       "record XY: an odd number of coordinates"},
      {"missing structure", library(structure("TOP", sref("NOPE", 0, 0))),
       "record SREF: in structure TOP: structure NOPE is not defined in the file"},
      {"recursion", library(structure("A", sref("B", 0, 0)) + structure("B", sref("A", 0, 0))),
       "structure A calls itself: A -> B -> A"},
      {"huge array", library(structure("A", aref("B", 32767, 32767, 0, 0, 10, 0, 0, 10)) +
                             structure("B", box(kCAA, 0, 0, 8, 8))),
       "AREF of 32767 x 32767 copies of B: the arrays of the file would make more than"},
      {"empty array", library(structure("A", aref("B", 0, 3, 0, 0, 10, 0, 0, 10)) +
                              structure("B", box(kCAA, 0, 0, 8, 8))),
       "AREF of 0 x 3 copies"},
      {"angle", library(structure("A", sref("B", 0, 0, false, 45)) + structure("B", "")),
       "record SREF: in structure A: SREF to B: ANGLE 45 is not a multiple of 90 degrees"},
      {"absolute angle", library(structure("A", record(0x0A, 0) + text(0x12, "B") +
                                                    strans(false, 0, 1, 0x0002) +
                                                    int4(0x10, {0, 0}) + endel()) +
                                 structure("B", "")),
       "absolute magnification or angle cannot be held"},
      {"magnification off the grid",
       library(structure("A", sref("B", 0, 0, false, 0, 0.5)) + structure("B", box(kCAA, 0, 0, 5, 8))),
       "in structure A: MAG 1/2 of B does not keep the grid"},
      {"defined twice", library(structure("A", "") + structure("A", "")),
       "structure A is defined a second time"},
      {"no structure", library(""), "the file holds no structure"},
      {"path type", library(structure("A", path(kCMF, 3, 10, {0, 0, 10, 0}))),
       "path type 3 is none of 0, 1, 2 and 4"},
  };
  ASSERT_EQ(loadCif("DS 1;\nL CAA;\nB 10 10 5 5;\nDF;\nC 1;\nE\n"), 0);
  const _layout* before = Gsymbols;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ui.messages.clear();
    EXPECT_FALSE(read(c.file));
    EXPECT_NE(messages().find("GDSII file input is refused"), std::string::npos) << messages();
    EXPECT_NE(messages().find(c.message), std::string::npos) << messages();
    EXPECT_EQ(Gsymbols, before);
    EXPECT_EQ(rects(cell("CIRCUIT1"), "CAA"), "(0,0;40,40)");
  }
}

// Every prefix of a valid file is refused without harm.
TEST_F(GdsTest, EveryTruncationIsRefused)
{
  const Bytes file = library(structure("TOP", aref("CELL", 2, 2, 0, 0, 10, 0, 0, 10, true, 270) +
                                                  path(kCMF, 4, 4, {0, 0, 20, 0, 20, 20}, 1, 2)) +
                             structure("CELL", boundary(kCAA, {0, 0, 8, 0, 8, 4, 4, 4, 4, 8, 0, 8, 0, 0}) +
                                                   label(kCMF, 1, 1, "in")));
  ASSERT_TRUE(read(file));
  for (size_t n = 0; n < file.size(); ++n)
    EXPECT_FALSE(read(file.substr(0, n))) << n;
  EXPECT_TRUE(read(file + Bytes(2048 - file.size() % 2048, '\0')));  // tape padding after ENDLIB
}

// ---------------------------------------------------------------------------
// The layer map.
// ---------------------------------------------------------------------------

TEST_F(GdsTest, LayerMapLinesAreCheckedAndABadMapChangesNothing)
{
  testing_support::ScratchDir dir;
  const struct {
    const char* text;
    const char* message;
  } bad[] = {
      {"43 0\n", "line 1: a line holds a GDSII layer, a datatype and a layer name"},
      {"# c\n43 x CAA\n", "line 2: layer and datatype are numbers from 0 to 65535, not 43 x"},
      {"70000 0 CAA\n", "not 70000 0"},
      {"43 0 NOPE\n", "line 1: the technology has no layer NOPE"},
      {"43 0 CAA\n43 0 CMF\n", "line 2: 43 0 is mapped to CAA already"},
      {"# nothing\n", "maps no layer"},
  };
  for (const auto& b : bad) {
    SCOPED_TRACE(b.text);
    ui.messages.clear();
    EXPECT_FALSE(gds::readLayerMap(dir.write("bad.map", b.text)));
    EXPECT_NE(messages().find(b.message), std::string::npos) << messages();
  }
  EXPECT_FALSE(gds::readLayerMap(dir.path("missing.map")));
  // The bundled map is still the one in use; a new one maps two pairs to
  // one layer and the other layers are skipped.
  ASSERT_TRUE(read(library(structure("S", box(kCAA, 0, 0, 8, 8)))));
  EXPECT_EQ(rects(cell("CIRCUIT1"), "CAA"), "(0,0;8,8)");
  ASSERT_TRUE(gds::readLayerMap(dir.write("two.map", "1 0 CMF   # metal\n1 5 CMF\n")));
  ASSERT_TRUE(read(library(structure("S", box(1, 0, 0, 8, 8) + box(1, 0, 0, 4, 4, 5) +
                                              box(kCAA, 0, 0, 2, 2)))));
  EXPECT_EQ(rects(cell("CIRCUIT1"), "CMF"), "(0,0;4,4) (0,0;8,8)");
  EXPECT_EQ(rects(cell("CIRCUIT1"), "CAA"), "-");
}

}  // namespace

namespace {

// Inputs the fuzzer found: each is read (and, when it reads, flattened) and
// released without a crash or a leak.
TEST_F(GdsTest, FuzzerFindingsAreReadSafely)
{
  std::filesystem::path folder = testing_support::sourcePath("tests/gdsc/fuzz_regressions");
  gds::setArrayCallLimit(100000);
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    SCOPED_TRACE(entry.path().filename().string());
    if (read(testing_support::readFile(entry.path().string()))) {
      EXPECT_TRUE(flatten());
    }
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
}

}  // namespace
