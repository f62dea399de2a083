// The CIF reader: scanning, the accepted forms, conversion, calls, labels,
// and the handling of bad input.
#include <algorithm>
#include <string>

#include "CifTestSupport.h"

namespace {

using cif_test::CifTest;
using cif_test::kAbandoned;

// The two lines of a syntax error on standard error, and the report of the
// line that was not accepted (empty `source`: the input ended without E).
std::string syntaxError(int line, const std::string& token, const std::string& source)
{
  std::string n = std::to_string(line);
  return "error on line " + n + " " + token + ": parse error\nError: CIF error: " + token +
         ".\nError: " +
         (source.empty() ? "The CIF input ends on line " + n + " without the end command E"
                         : "Line " + n + " of the CIF input is not accepted: " + source) +
         ".\nMessage: The file may read in full CIF mode: Options > CIF_Mode > Full, "
         "\"f.DIcifMode Full\" in a script, the -f flag, or \"CIFMode full\" in the system "
         "source file.\n";
}

// ---------------------------------------------------------------------------
// Conversion of coordinates.
// ---------------------------------------------------------------------------

// Where boxes, polygons and wires of accepted forms go, "layer:rects" per
// checked layer of cell CIRCUIT1, and its frame when given.  Only the
// rectangles are kept, and each definition's scale ends with it.
TEST_F(CifTest, AcceptedFormsGiveTheirRectangles)
{
  const struct {
    const char* what;
    const char* text;
    const char* layers;
    const char* frame = nullptr;    // "x1,y1;x2,y2"
    const char* warning = nullptr;  // shown while reading
  } cases[] = {
      // value x 40 x 2 x 0.01 / 0.1 = value x 8
      {"a box scaled by its definition's ratio", "DS 1 2 1;\nL CAA;\nB 10 20 30 40;\nDF;\nE\n",
       "CAA:(200,240;280,400)", "200,240;280,400"},
      {"polygon and wire; the frame grows by the centre line",
       "DS 1;\nL CPG;\nP 0 0 100 0 100 100 0 100;\nL CMF;\nW 20 0 0 100 0 100 100;\nDF;\nE\n",
       "CMF:(360,40;440,440) (-40,-40;440,40) CPG:(0,0;400,400)", "0,0;400,400"},
      {"an odd number of coordinates: the last is ignored",
       "DS 1;\nL CAA;\nP 0 0 100 0 100 100 0 100 7;\nDF;\nE\n", "CAA:(0,0;400,400)", nullptr,
       "Odd number of coordinates in a polygon on line 3"},
      {"a number pair extension is ignored", "DS 1;\n4 5;\nL CAA;\nB 10 10 0 0;\nDF;\nE\n",
       "CAA:(-20,-20;20,20)"},
      {"half scale as other tools write it", "DS 1 1 2;\nL CAA;\nB 800 400 0 0;\nDF;\nC 1;\nE\n",
       "CAA:(-800,-400;800,400)"},
      {"one separator before box, polygon, wire and comment",
       "DS 1;\nL CAA;\n B 10 10 0 0;\n\t, B 10,10,0,0;\nL CMF; (pad);\n"
       "L CPG; P 0 0 10 0 10 10 0 10; W 10 0 0 10 0;\nDF;\nE\n",
       "CAA:(-20,-20;20,20) (-20,-20;20,20) CPG:(-20,-20;60,20) (0,0;40,40)"},
      {"a layer name after L may begin with a keyword letter",
       "DS 1;\nL CCA;\nB 10 10 0 0;\nL CMF;\nB 10 10 0 0;\nDF;\nE\n", "CCA:(-20,-20;20,20)"},
      {"carriage returns and stray characters skipped",
       "DS 1;\r\nL CAA;\r\nB 10 10 0 0;{}\r\nDF;\r\nE\r\n", "CAA:(-20,-20;20,20)"},
      {"geometry after DF goes to the last defined cell", "DS 1;\nL CAA;\nDF;\nB 10 10 0 0;\nE\n",
       "CAA:(-20,-20;20,20)"},
      {"a layer command reuses the cell's symbol",
       "DS 1;\nL CAA;\nB 10 10 0 0;\nL CMF;\nL CAA;\nB 20 20 0 0;\nDF;\nE\n",
       "CAA:(-40,-40;40,40) (-20,-20;20,20) CMF:"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    out.clear();
    ui.messages.clear();
    ASSERT_EQ(load(c.text), 0);
    const _layout* one = cell("CIRCUIT1");
    std::string got;
    for (const char* layer : {"CAA", "CCA", "CMF", "CPG"})
      if (std::string(c.layers).find(std::string(layer) + ":") != std::string::npos) {
        got += std::string(got.empty() ? "" : " ") + layer + ":" + rects(one, layer);
        EXPECT_EQ(one->symbol[FindLayer(layer)]->path, nullptr);
      }
    EXPECT_EQ(got, c.layers);
    const _box& f = one->frame;
    if (c.frame) {
      EXPECT_EQ(std::to_string(f.x1) + "," + std::to_string(f.y1) + ";" + std::to_string(f.x2) +
                    "," + std::to_string(f.y2),
                c.frame);
    }
    EXPECT_TRUE(!c.warning || ui.saw('W', c.warning));
    EXPECT_EQ(CIF_RATIO_A, 1);  // back at the top level
    EXPECT_EQ(out, "");
    EXPECT_EQ(AC_initial_halfscale_error, 0);
  }
}

TEST_F(CifTest, OffGridBoxIsReportedOncePerBoxAndKept)
{
  ASSERT_EQ(load("DS 1;\nL CAA;\nB 1 2 3 4;\nB 10 10 0 0;\nB 1 1 0 0;\nDF;\nE\n"), 0);
  EXPECT_EQ(out,
            "Box 4 8 12 16 is not in quarter_scale unit (scale = 40)\n"
            "Box 4 4 0 0 is not in quarter_scale unit (scale = 40)\n");
  EXPECT_EQ(AC_initial_halfscale_error, 2);
  EXPECT_EQ(rects(cell("CIRCUIT1"), "CAA"), "(-2,-2;2,2) (-20,-20;20,20) (10,12;14,20)");
}

TEST_F(CifTest, TranslationsAndLabelsAreTruncatedInSinglePrecision)
{
  // 1 x 40 x 0.1 is 3.9999999999999996 in double precision, 4 in single.
  ASSERT_EQ(load("DS 2;\nC 1 T 1 -1;\n94 a 1 -1 CMF;\nDF;\nE\n"), 0);
  const _instance* call = cell("CIRCUIT2")->instance;
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->opcode[0].x, 4);
  EXPECT_EQ(call->opcode[0].y, -4);
  EXPECT_EQ(labels(cell("CIRCUIT2"), "CMF"), "a@4,-4");
}

TEST_F(CifTest, TopLevelTranslationIsNotScaledByTheLastDefinition)
{
  ASSERT_EQ(load("DS 1 25 2;\nL CAA;\nB 8 8 0 0;\nDF;\nDS 2 2 1;\nC 1 T 100 0;\nDF;\n"
                 "C 1 T 100 0;\nE\n"),
            0);
  EXPECT_EQ(rects(cell("CIRCUIT1"), "CAA"), "(-200,-200;200,200)");
  EXPECT_EQ(cell("CIRCUIT2")->instance->opcode[0].x, 800);
  EXPECT_EQ(cell("CIRCUIT")->instance->opcode[0].x, 400);
}

// ---------------------------------------------------------------------------
// Separators and line starts.
// ---------------------------------------------------------------------------

TEST_F(CifTest, TokensAcrossReadBlocksAndLongerThanABlock)
{
  // Boxes of varying widths put numbers and names across every block
  // boundary; a comment and a label text longer than a block follow.
  std::string text = "DS 1;\nL CAA;\n";
  long sum = 0;
  for (int i = 0; i < 40000; ++i) {
    text += "B " + std::to_string(10 + i % 7 * 1111) + " 10 0 0;\n";
    sum += 4 * (10 + i % 7 * 1111);
  }
  text += "(" + std::string(200000, 'c') + "\n);\n";
  std::string label(150000, 'x');
  text += "94 " + label + " 0 0 CMF;\nL CAA;\nBOX;\n";
  EXPECT_EQ(load(text), 1);
  EXPECT_EQ(err, syntaxError(40007, "BOX", "BOX;"));
  long got = 0;
  int n = 0;
  for (const _rects* r = cell("CIRCUIT1")->symbol[FindLayer("CAA")]->rect; r; r = r->next, ++n)
    got += r->x2 - r->x1;
  EXPECT_EQ(n, 40000);
  EXPECT_EQ(got, sum);
  ASSERT_NE(Gpin, nullptr);
  EXPECT_EQ(std::string(Gpin->label), label);
}

TEST_F(CifTest, LongLineIsShortenedInTheReport)
{
  std::string boxes;
  for (int i = 0; i < 2000; ++i)
    boxes += " B 10 10 0 0;";
  EXPECT_EQ(load("DS 1;\nL CAA;" + boxes + " B 1 2 3 4 5;\nE\n"), 1);
  // The part of the line before the bad token.
  EXPECT_NE(err.find("Error: Line 2 of the CIF input is not accepted: ...0 0; B 10 10 0 0; "
                     "B 10 10 0 0; B 1 2 3 4 5;.\n"),
            std::string::npos)
      << err;
  err.clear();
  // The bad token near the start of a long line.
  EXPECT_EQ(load("DS 1;\nL CAA; B 1 2 3 4 5;" + boxes + "\nE\n"), 1);
  EXPECT_NE(err.find("not accepted: L CAA; B 1 2 3 4 5; B 10 10 0 0;"), std::string::npos) << err;
  EXPECT_NE(err.find(" 0....\nMessage: The file may read in full CIF mode"), std::string::npos)
      << err;
}

// ---------------------------------------------------------------------------
// The end command and the end of the input.
// ---------------------------------------------------------------------------

TEST_F(CifTest, TextAfterTheEndCommandIsNeverRead)
{
  EXPECT_EQ(load("DS 1;\nL CAA;\nB 10 10 0 0;\nDF;\nE\nL NOPE;\nB x;((( 99999999999\n"), 0);
  EXPECT_EQ(load("E;L NOPE;"), 0);
  EXPECT_EQ(load("E ;\nL NOPE;"), 0);
  EXPECT_EQ(err, "");
}

TEST_F(CifTest, InputEndingWithoutTheEndCommandIsASyntaxError)
{
  EXPECT_EQ(load("DS 1;\nL CAA;\nB 10 10 0 0;\nDF;\n"), 1);
  EXPECT_EQ(err, syntaxError(5, "", ""));
  // What was read before the error stays.
  EXPECT_EQ(rects(cell("CIRCUIT1"), "CAA"), "(-20,-20;20,20)");
}

TEST_F(CifTest, CallCutShortLeavesNoCallBehind)
{
  EXPECT_EQ(load("DS 1;\nDF;\nDS 2;\nC 1 T 1 2 X;\nE\n"), 1);
  EXPECT_EQ(err, syntaxError(4, "X", "C 1 T 1 2 X;"));
  EXPECT_EQ(ACinst, nullptr);
  EXPECT_EQ(cell("CIRCUIT2")->instance, nullptr);
}

// ---------------------------------------------------------------------------
// Cells and calls.
// ---------------------------------------------------------------------------

TEST_F(CifTest, CallStoresItsStepsInOrder)
{
  ASSERT_EQ(load("DS 1;\nDF;\nDS 2;\nC 1 T 10 20 MX;\nC 1 MY R 0 1;\nC -1;\nDF;\nE\n"), 0);
  // Newest call first; a rotation keeps its direction unscaled; a call of
  // symbol -1 is named by its number only.
  std::string calls;
  for (const _instance* c = cell("CIRCUIT2")->instance; c; c = c->next) {
    calls += std::string(c->cellname) + " #" + std::to_string(c->no) + ":";
    for (int i = 0; i < c->optimes; ++i)
      calls += " " + std::to_string(c->opcode[i].type) + "(" + std::to_string(c->opcode[i].x) +
               "," + std::to_string(c->opcode[i].y) + ")";
    calls += ";";
  }
  const std::string t = std::to_string(trans), m = std::to_string(mirror),
                    r = std::to_string(rotate);
  EXPECT_EQ(calls, "-1 #2:;CIRCUIT1 #1: " + m + "(1,-1) " + r + "(0,1);CIRCUIT1 #0: " + t + "(40,80) " +
                       m + "(-1,1);");
}

TEST_F(CifTest, CallExtendsTheFrameByTheCalledCellsCorners)
{
  ASSERT_EQ(load("DS 1;\nL CAA;\nB 10 10 0 0;\nDF;\nDS 2;\nC 1 T 100 0;\nC 3;\nDF;\n"
                 "DS 3;\nL CAA;\nB 10 10 0 0;\nDF;\nE\n"),
            0);
  const _box& f = cell("CIRCUIT2")->frame;
  EXPECT_EQ(f.x1, 380);
  EXPECT_EQ(f.y1, -20);
  EXPECT_EQ(f.x2, 420);
  EXPECT_EQ(f.y2, 20);  // cell 3 was not defined yet when it was called
}

TEST_F(CifTest, AllTopLevelCallsGoToOneTopCell)
{
  ASSERT_EQ(load("DS 1;\nL CAA;\nB 10 10 0 0;\nDF;\nC 1 T 100 0;\nDS 2;\nL CMF;\n"
                 "B 10 10 0 0;\nDF;\nC 2 T 200 0;\nE\n"),
            0);
  EXPECT_EQ(cellCount(), 3);
  _layout* top = cell("CIRCUIT");
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(Gactive, top);
  EXPECT_EQ(Glayout, top);
  ASSERT_NE(top->instance, nullptr);
  EXPECT_STREQ(top->instance->cellname, "CIRCUIT2");
  EXPECT_STREQ(top->instance->next->cellname, "CIRCUIT1");
  ASSERT_TRUE(act(GCflatten));
  EXPECT_EQ(rects(top, "CAA"), "(380,-20;420,20)");
  EXPECT_EQ(rects(top, "CMF"), "(780,-20;820,20)");
}

TEST_F(CifTest, GeometryBeforeAnyCellGoesToTheTopCell)
{
  ASSERT_EQ(load("(as the dump writes it);\nL CAA;\nB 10 10 0 0;\nE\n"), 0);
  ASSERT_NE(Gactive, nullptr);
  EXPECT_STREQ(Gactive->name, "CIRCUIT");
  EXPECT_EQ(rects(Gactive, "CAA"), "(-20,-20;20,20)");
  ASSERT_TRUE(act(GCflatten));
  EXPECT_EQ(Gflatten, Gactive);
}

TEST_F(CifTest, LaterDefinitionWithTheSameNumberIsFoundFirst)
{
  ASSERT_EQ(load("DS 1;\nL CAA;\nB 10 10 0 0;\nDF;\nDS 1;\nL CAA;\nB 20 20 0 0;\nDF;\n"
                 "C 1;\nE\n"),
            0);
  ASSERT_TRUE(act(GCflatten));
  EXPECT_EQ(rects(Gflatten, "CAA"), "(-40,-40;40,40)");
}

// ---------------------------------------------------------------------------
// Layers, polygons and wires.
// ---------------------------------------------------------------------------

TEST_F(CifTest, GeometryBeforeAnyLayerCommandGoesToSlotZero)
{
  ASSERT_EQ(load("DS 1;\nB 10 10 0 0;\nDF;\nE\n"), 0);
  EXPECT_STREQ(cell("CIRCUIT1")->symbol[0]->layername, Glayers[0].name);
}

// The reader's limits: a polygon of 1024 values, a call of 32 steps and a
// cell name of 31 characters.  One more abandons the load.
std::string atLimit(const std::string& what, bool beyond)
{
  if (what == "polygon") {
    std::string p = "DS 1;\nL CAA;\nP";
    for (int i = 0; i < 510; ++i)
      p += " " + std::to_string(i * 10) + " 0";
    return p + (beyond ? " 5095 0" : "") + " 5090 100 0 100;\nDF;\nE\n";
  }
  if (what == "steps") {
    std::string steps;
    for (int i = 0; i < 32; ++i)
      steps += " MX";
    return "DS 1;\nDF;\nDS 2;\nC 1" + steps + (beyond ? " MY" : "") + ";\nDF;\nE\n";
  }
  std::string name31(31, 'n');
  if (beyond)
    return "DS 1;\nL CAA;\nB 10 10 0 0;\nDF;\nDS 2;\n9 " + name31 + "x;\nDF;\nE\n";
  return "DS 1;\n9 inverter;\nDF;\nDS 2;\n9 " + name31 + ";\n8 other;\nDF;\nE\n";
}

TEST_F(CifTest, ValuesAtTheReadersLimitsAreAccepted)
{
  ASSERT_EQ(load(atLimit("polygon", false)), 0);
  EXPECT_EQ(rects(cell("CIRCUIT1"), "CAA"), "(0,0;20360,400)");
  ASSERT_EQ(load(atLimit("steps", false)), 0);
  EXPECT_EQ(cell("CIRCUIT2")->instance->optimes, 32);
  ASSERT_EQ(load(atLimit("name", false)), 0);
  EXPECT_STREQ(cell("CIRCUIT1")->cellname, "inverter");
  EXPECT_EQ(cell("CIRCUIT2")->cellname, std::string(31, 'n'));
}

// ---------------------------------------------------------------------------
// User extensions.
// ---------------------------------------------------------------------------

TEST_F(CifTest, LabelMakesALabelAndAPinAndSelectsItsLayer)
{
  ASSERT_EQ(load("DS 1;\nL CAA;\n94 VDD 10 20 CMF;\nB 10 10 0 0;\n95 x 1 1 CPG;\nDF;\nE\n"), 0);
  _layout* c = cell("CIRCUIT1");
  EXPECT_EQ(labels(c, "CMF"), "VDD@40,80");
  EXPECT_EQ(rects(c, "CMF"), "(-20,-20;20,20)");  // the label's layer is current
  EXPECT_EQ(rects(c, "CPG"), "-");                // other codes are ignored
  ASSERT_NE(Gpin, nullptr);
  EXPECT_STREQ(Gpin->label, "VDD");
  EXPECT_STREQ(Gpin->layername, "CMF");
  EXPECT_EQ(Gpin->layernum, FindLayer("CMF"));
  EXPECT_EQ(Gpin->x, 40);
  EXPECT_EQ(Gpin->y, 80);
  EXPECT_EQ(Gpin->tile, nullptr);
  EXPECT_EQ(Gpin->next, nullptr);
}

// Each malformed form is reported once, at the first token that cannot
// continue it; the report names the token's line, its last line read.
TEST_F(CifTest, MalformedFormsAreReportedAtTheirFirstBadToken)
{
  struct Case {
    const char* text;  // E follows on a line of its own
    const char* token;
  } cases[] = {
      {"DS 1 2;", ";"},        {"DS 1 2 3 4;", " "},     {"DS;", ";"},
      {"DF 1;", " "},          {"L;", ";"},              {"L 5;", "5"},
      {"L CAA CPG;", " "},     {"B 1 2 3;", ";"},        {"B 1 2 3 4 5;", " "},
      {"P;", ";"},             {"P 1 2 ;", ";"},         {"W 1 x;", "x"},
      {"C;", ";"},             {"C 1 T 1;", ";"},        {"C 1 R 1 2 3;", "3"},
      {"C 1 X;", "X"},         {"C 1 MX T;", ";"},       {"94 a 1;", ";"},
      {"94 a 1 2 3;", "3"},    {"94 a 1 2 CMF x;", " "}, {"94;", ";"},
      {"9 1 2;", " "},         {"(c) ;", " "},           {";", ";"},
      {"T 1 2;", "T"},         {"MX;", "MX"},            {"DS 1;\nC 1 MZ;", "MZ"},
      {"E x;", "x"},
      // Full CIF that is not accepted: box direction, round flash, DD.
      {"B 10 20 0 0 1 1;", " "}, {"R 10 0 0;", "R"},    {"DD 1;", "DD"},
      // Separators: one before a semicolon, none across lines, none before L.
      {"DS 1;\nL CAA;\nB 10 10 0 0 ;", " "},
      {"DS 1;\nL CAA;\nB 10 10 0 0;  \n  B 10 10 0 0;", "  "},
      {"DS 1;\nL CAA; L CPG;", "L"},
      {"DS 1;\n  L CAA;", "L"},
      // Upper case after B makes a name, and so do a digit after DS and a
      // label text that reads as a keyword.
      {"DS 1;\nL CAA;\nBOX 10 10 0 0;", "BOX"},
      {"DS1;", "DS1"},
      {"DS 1;\n94 Bias 1 2 CMF;", "Bias"},
      // Nested comments with semicolons and line breaks; a bad comment token
      // that began on an earlier line.
      {"(a (nested; comment)\nover two lines);\n (another);\nDS 1;\nB 1 ;", ";"},
      {"DS 1;\nL CAA;\nB 1 (a comment\nover two lines);", "(a comment\nover two lines)"},
      {"(no semicolon)\nDS 1;", "DS"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    err.clear();
    ui.messages.clear();
    EXPECT_EQ(load(std::string(c.text) + "\nE\n"), 1);
    std::string text = c.text;
    int line = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    EXPECT_EQ(err, syntaxError(line, c.token, text.substr(text.rfind('\n') + 1)));
    EXPECT_TRUE(ui.saw('E', std::string("CIF error: ") + c.token));
  }
}

// ---------------------------------------------------------------------------
// Data that make the load impossible: reported, nothing half-built left.
// ---------------------------------------------------------------------------

// Data that make the load impossible: the reason, nothing half-built, and
// the next load starts clean.
TEST_F(CifTest, ImpossibleDataAbandonTheLoad)
{
  struct Case {
    std::string text;
    const char* fatal;  // "": none on standard error
    const char* out;
  } cases[] = {
      {"DS 1;\nL CAA;\nB 10 10 0 0;\n94 a 0 0 CMF;\nDF;\nDS 2;\nL FOO;\nDF;\nE\n",
       "CIF input abandoned on line 7", "No such a layer name FOO\n"},
      {atLimit("polygon", true), "More than 1024 coordinates in a polygon or wire on line 3", ""},
      {atLimit("steps", true), "More than 32 transformations in a call on line 4", ""},
      {atLimit("name", true), "", "Fatal: Name too long.\n"},
      {"DS 1;\nL CAA;\nB 10 10 0 0;\n94 VDD 10 20;\nDF;\nE\n",
       "CIF input abandoned on line 4", "No such a layer name \n"},
      {"DS 1;\nL CAA;\nB 99999999999 1 1 1;\nE\n",
       "Number 99999999999 on line 3 does not fit in 32 bits", ""},
      {"DS 1 1000 1;\nL CAA;\nB 10 10 300000 0;\nE\n",
       "Coordinate 1200000000 on line 3 is out of range", ""},
      // A corner out of range although every value is in range.
      {"DS 1;\nL CAA;\nB 200000000 10 200000000 0;\nE\n",
       "Coordinate 1200000000 on line 3 is out of range", ""},
      {"DS 1;\nDF;\nDS 2 100 1;\nC 1 T 3000000 0;\nE\n",
       "Coordinate 1200000000 on line 4 is out of range", ""},
      {"DS 1 0 1;\nE\n", "Scale 0/1 of symbol 1 on line 1 is not valid", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 80));
    out.clear();
    err.clear();
    EXPECT_EQ(load(c.text), kAbandoned);
    EXPECT_TRUE(!*c.fatal || fatal(c.fatal)) << err;
    EXPECT_EQ(out, c.out);
    EXPECT_TRUE(rootsEmpty());
    EXPECT_EQ(ACinst, nullptr);
    EXPECT_EQ(cifin, nullptr);
    ASSERT_EQ(load("DS 1;\nL CAA;\nB 10 10 0 0;\nDF;\nE\n"), 0);
    EXPECT_EQ(cellCount(), 1);
  }
}

// ---------------------------------------------------------------------------
// Loads one after another.
// ---------------------------------------------------------------------------

TEST_F(CifTest, EachLoadStartsAsInAFreshProgram)
{
  EXPECT_EQ(load("DS 1 1 3;\nL CMF;\nB 1 1 0 0;\n94 a 0 0 CMF;\n"), 1);  // no DF, no E
  EXPECT_EQ(AC_initial_halfscale_error, 1);
  ASSERT_NE(Gpin, nullptr);
  ASSERT_EQ(load("B 10 10 0 0;\nC 7;\nE\n"), 0);
  EXPECT_EQ(AC_initial_halfscale_error, 0);
  EXPECT_EQ(Gpin, nullptr);
  // Slot 0 at scale 1, and the call is a top-level one.
  _layout* top = cell("CIRCUIT");
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(rects(top, Glayers[0].name), "(-20,-20;20,20)");
  EXPECT_NE(top->instance, nullptr);
  EXPECT_EQ(cellCount(), 1);
  EXPECT_EQ(linenr, 4);  // the token after E was read
}

TEST_F(CifTest, DebugFlagEchoesEveryToken)
{
  Debug_flag = 1;
  int result = load("DS 1;\n(c);\nDF;\nE\n");
  Debug_flag = 0;
  EXPECT_EQ(result, 0);
  EXPECT_EQ(out, "DS 1;(c);DF;E");
}

}  // namespace
