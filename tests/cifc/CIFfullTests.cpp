// The full CIF reading mode: each construct against a line-oriented twin
// that must give the same layout, the extensions, bad input, the examples
// read in both modes, and the switches that choose the mode.
#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>

#include "CifTestSupport.h"
#include "Dmenu.h"

namespace {

using cif_test::CifTest;
using cif_test::kAbandoned;
using testing_support::readFile;
using testing_support::sourcePath;

// Everything the reader built: each cell with its frame, names, rectangles
// and labels per slot and its calls; then the pins.
std::string snapshot()
{
  std::ostringstream s;
  for (const _layout* c = Gsymbols; c; c = c->next) {
    s << c->name << " '" << c->cellname << "' [" << c->frame.x1 << "," << c->frame.y1 << ";"
      << c->frame.x2 << "," << c->frame.y2 << "]" << (c == Glayout ? " shown" : "") << "\n";
    for (int slot = 0; slot < kMaxLayers; ++slot) {
      const _symbol* sym = c->symbol[slot];
      if (!sym)
        continue;
      s << "  " << slot << " " << sym->layername << ":";
      for (const _rects* r = sym->rect; r; r = r->next)
        s << " (" << r->x1 << "," << r->y1 << ";" << r->x2 << "," << r->y2 << ")";
      for (const _labels* l = sym->label; l; l = l->next)
        s << " " << l->label << "@" << l->x << "," << l->y;
      s << "\n";
    }
    for (const _instance* i = c->instance; i; i = i->next) {
      s << "  call " << i->no << " " << i->cellname;
      for (int k = 0; k < i->optimes; ++k)
        s << " " << i->opcode[k].type << ":" << i->opcode[k].x << "," << i->opcode[k].y;
      s << "\n";
    }
  }
  for (const _pin* p = Gpin; p; p = p->next)
    s << "pin " << p->label << "@" << p->x << "," << p->y << " " << p->layername << "\n";
  return s.str();
}

class FullCifTest : public CifTest {
 protected:
  void TearDown() override
  {
    ACcifMode = CifMode::Strict;
    CifTest::TearDown();
  }
  // Loads `text` in `mode`; the snapshot, or the result when not 0.
  std::string read(const std::string& text, CifMode mode)
  {
    ACcifMode = mode;
    int result = load(text);
    return result == 0 ? snapshot() : "result " + std::to_string(result);
  }
  std::string full(const std::string& text) { return read(text, CifMode::Full); }
  std::string strict(const std::string& text) { return read(text, CifMode::Strict); }
};

// ---------------------------------------------------------------------------
// Each construct read in full mode gives what its line-oriented twin gives.
// ---------------------------------------------------------------------------

struct Twin {
  const char* what;
  const char* full;
  const char* strict;
};

const Twin kTwins[] = {
    {"letters glued to values",
     "DS1 5 2;\nLCMF;\nB200 40 100 20;\nW20 0 0 100 0;\nP0 0 100 0 100 100;\nDF;\nC1 T0 0;\n"
     "C1T5 5MXRot0 1;\nE\n",
     "DS 1 5 2;\nL CMF;\nB 200 40 100 20;\nW 20 0 0 100 0;\nP 0 0 100 0 100 100;\nDF;\n"
     "C 1 T 0 0;\nC 1 T 5 5 MX R 0 1;\nE\n"},
    {"free layout of commands",
     "DS 1;\n\n  L CAA; B 10 10 0 0; B 20 20\n 40 40\n;L CPG;\tB 30 30 -10 -10 ;\n"
     "\tP 0,0 100,0 100,100\n   0,100 ;\nDF\n;\nC 1\n T 10 20\n;\nE",
     "DS 1;\nL CAA;\nB 10 10 0 0;\nB 20 20 40 40;\nL CPG;\nB 30 30 -10 -10;\n"
     "P 0 0 100 0 100 100 0 100;\nDF;\nC 1 T 10 20;\nE\n"},
    {"comments where commands stand",
     "(header (nested; with semicolons));\nDS 1; (after a command)\nL CAA; (one)(two)\n"
     "B 10 10 0 0;\n(before the end)\nDF;\nC 1;\nE\n",
     "(header (nested; with semicolons));\nDS 1;\nL CAA;\nB 10 10 0 0;\nDF;\nC 1;\nE\n"},
    {"spelled-out keywords",
     "DS 1;\nLayer CAA;\nBox 10 10 0 0;\nDF;\nCall 1 Translate 5 5 MXa;\nEnd\n",
     "DS 1;\nL CAA;\nB 10 10 0 0;\nDF;\nC 1 T 5 5 MX;\nE\n"},
    {"skipped user extensions",
     "DS 1;\n91 inst1;\n0V 1 2 3;\n2A a b;\n2L x;\n4A 0 0 10 10;\n4I in;\n4N n 1 2;\n4X x 1;\n"
     "L CAA;\nB 10 10 0 0;\nDF;\n91 top;\nC 1;\nE\n",
     "DS 1;\nL CAA;\nB 10 10 0 0;\nDF;\nC 1;\nE\n"},
    {"box directions along the axes",
     "DS 1;\nL CAA;\nB 200 100 0 0 0 1;\nB 200 100 40 0 0 -7;\nB 200 100 0 0 -1 0;\n"
     "B 200 100 0 0 5 0;\nDF;\nC 1;\nE\n",
     "DS 1;\nL CAA;\nB 100 200 0 0;\nB 100 200 40 0;\nB 200 100 0 0;\nB 200 100 0 0;\nDF;\nC 1;\nE\n"},
    {"a turned box is its polygon",
     "DS 1;\nL CAA;\nB 200 100 0 0 3 4;\nDF;\nC 1;\nE\n",
     "DS 1;\nL CAA;\nP -20 -110 100 50 20 110 -100 -50;\nDF;\nC 1;\nE\n"},
    {"labels and cell names",
     "DS 1;\n9inv_1;\n94 a 10 20 CMF;\n94 b 30 40 CPG extra words;\nDF;\n"
     "9 top.cell-x;\nC 1;\nE\n",
     "DS 1;\n9 inv_1;\n94 a 10 20 CMF;\n94 b 30 40 CPG;\nDF;\n9 top.cell-x;\nC 1;\nE\n"},
    {"a call of a missing cell",
     "DS 1;\nC 7 T 1 1;\nDF;\nC 1;\nE\n",
     "DS 1;\nC 7 T 1 1;\nDF;\nC 1;\nE\n"},
    {"deleted definitions",
     "DS 1;\nL CAA;\nB 10 10 0 0;\nDF;\nDD 1;\nDS 1;\nL CPG;\nB 20 20 0 0;\nDF;\nC 1;\nE\n",
     "DS 1;\nL CAA;\nB 10 10 0 0;\nDF;\nDS 1;\nL CPG;\nB 20 20 0 0;\nDF;\nC 1;\nE\n"},
};

// In strict mode the full forms are syntax errors, except the spelled-out
// keywords, which both modes read.
TEST_F(FullCifTest, EachConstructReadsAsItsStrictTwin)
{
  for (const Twin& twin : kTwins) {
    SCOPED_TRACE(twin.what);
    std::string expected = strict(twin.strict);
    ASSERT_EQ(expected.rfind("result", 0), std::string::npos) << err;
    EXPECT_EQ(full(twin.full), expected) << err;
    if (std::string(twin.full) != twin.strict) {
      EXPECT_EQ(strict(twin.full),
                std::string(twin.what) == "spelled-out keywords" ? expected : "result 1");
    }
  }
}

// Without a call outside the definitions, full mode takes the symbols that
// nothing calls as the layout; strict mode finds no top cell.
TEST_F(FullCifTest, SymbolsNothingCallsAreTheLayoutWithoutATopLevelCall)
{
  const std::string text =
      "DS 1;\nL CAA;\nB 10 10 0 0;\nDF;\nDS 2;\n9 inv;\nC 1 T 100 0;\nDF;\n"
      "DS 3;\nL CPG;\nB 4 4 0 0;\nDF;\nE\n";
  std::string got = full(text);
  EXPECT_EQ(got.substr(0, got.find('\n')), "CIRCUIT '' [-8,-20;420,20] shown");
  EXPECT_NE(got.find("  call 1 CIRCUIT3\n  call 0 CIRCUIT2\n"), std::string::npos) << got;
  EXPECT_TRUE(ui.saw('M', "No call outside the symbol definitions: the layout is CIRCUIT2 (inv), "
                          "CIRCUIT3"));
  ASSERT_TRUE(act(GCflatten));
  EXPECT_EQ(rects(Gflatten, "CAA"), "(380,-20;420,20)");
  EXPECT_EQ(rects(Gflatten, "CPG"), "(-8,-8;8,8)");

  strict(text);
  EXPECT_EQ(cell("CIRCUIT"), nullptr);
  EXPECT_FALSE(act(GCflatten));
  EXPECT_NE(out.find("DID NOT FIND TOP LAYOUT!!!!.. exiting"), std::string::npos);
}

TEST_F(FullCifTest, ExtensionTextsAreReadAsWritten)
{
  const std::pair<const char*, const char*> names[] = {
      {"9 ../../cells/inverter;", "../../cells/inverter"},
      {"9 16_bit_adder;", "16_bit_adder"},
      {"9 B;", "B"},
      {"9cellname with more words;", "cellname"},
  };
  for (const auto& [command, name] : names) {
    ASSERT_EQ(load(std::string("DS 1;\n") + command + "\nDF;\nE\n"), 1) << "strict: " << command;
    ACcifMode = CifMode::Full;
    ASSERT_EQ(load(std::string("DS 1;\n") + command + "\nDF;\nE\n"), 0) << command;
    EXPECT_STREQ(cell("CIRCUIT1")->cellname, name);
    ACcifMode = CifMode::Strict;
  }
  ACcifMode = CifMode::Full;
  ASSERT_EQ(load("DS 1;\n94 B 28 152 CMF;\n94 1Out0 5524 4760 CMS;\nDF;\nE\n"), 0);
  EXPECT_EQ(labels(cell("CIRCUIT1"), "CMF"), "B@112,608");
  EXPECT_EQ(labels(cell("CIRCUIT1"), "CMS"), "1Out0@22096,19040");
  ASSERT_NE(Gpin, nullptr);
  EXPECT_STREQ(Gpin->label, "1Out0");
  EXPECT_STREQ(Gpin->layername, "CMS");
}

TEST_F(FullCifTest, SkippedExtensionsAndLabelsWithoutLayerAreCountedOncePerLoad)
{
  ACcifMode = CifMode::Full;
  ASSERT_EQ(load("DS 1;\nL CPG;\n94 a 1 2;\n91 x;\n4N n;\nL CMF;\n94 b 3 4;\n94 c 5 6 CMF;\n"
                 "4A 1;\n4N m;\nDF;\nC 1;\nE\n"),
            0);
  // Drawn on the slot current at the time; no pin names a net.
  EXPECT_EQ(labels(cell("CIRCUIT1"), "CPG"), "a@4,8");
  EXPECT_EQ(labels(cell("CIRCUIT1"), "CMF"), "c@20,24 b@12,16");
  ASSERT_NE(Gpin, nullptr);
  EXPECT_STREQ(Gpin->label, "c");
  EXPECT_EQ(Gpin->next, nullptr);
  EXPECT_EQ(err,
            "Warning: 2 labels without a layer are drawn on the current layer and name no net.\n"
            "Message: Skipped 4 user extension commands, by number: 4 x3, 91 x1.\n");
  err.clear();
  ASSERT_EQ(load("DS 1;\nL CMF;\n94 c 5 6 CMF;\nDF;\nC 1;\nE\n"), 0);
  EXPECT_EQ(err, "") << "nothing to report";
}

TEST_F(FullCifTest, RoundFlashIsASixteenSidedPolygon)
{
  ACcifMode = CifMode::Full;
  ASSERT_EQ(load("DS 1;\nL CMF;\nR 1000 0 0;\nR 0 50 50;\nDF;\nE\n"), 0);
  const _layout* c = cell("CIRCUIT1");
  // Flat outermost edges at r cos(11.25 deg) = 490.39 CIF units = 1961.6.
  EXPECT_EQ(c->frame.x1, -1962);
  EXPECT_EQ(c->frame.x2, 1962);
  EXPECT_EQ(c->frame.y1, -1962);
  EXPECT_EQ(c->frame.y2, 1962);
  // Area of the 16-gon of radius 2000: 8 r^2 sin(22.5 deg).
  double area = 0;
  int pieces = 0;
  for (const _rects* r = c->symbol[FindLayer("CMF")]->rect; r; r = r->next, ++pieces)
    area += double(r->x2 - r->x1) * (r->y2 - r->y1);
  EXPECT_GT(pieces, 4);
  EXPECT_NEAR(area, 8 * 2000.0 * 2000.0 * std::sin(std::acos(-1.0) / 8), 0.03 * area);
}

// ---------------------------------------------------------------------------
// Bad input: data errors abandon as in strict mode; syntax errors name the
// line and what stands there, and keep what was read.
// ---------------------------------------------------------------------------

TEST_F(FullCifTest, DataErrorsAbandonWithTheStrictModesMessages)
{
  std::string values = "P";
  for (int i = 0; i < 1026; ++i)
    values += " 1";
  const Twin cases[] = {
      {"number beyond 32 bits", "DS 1;\nL CAA;\nB 10 10 4294967296 0;\nE\n",
       "DS 1;\nL CAA;\nB 10 10 4294967296 0;\nE\n"},
      {"unknown layer", "DS 1;\nLNOPE;\nE\n", "DS 1;\nL NOPE;\nE\n"},
      {"unknown label layer", "DS 1;\n94 a 1 1 NOPE;\nE\n", "DS 1;\n94 a 1 1 NOPE;\nE\n"},
      {"too many values", "DS 1;\nL CAA;\nXX;\nE\n", "DS 1;\nL CAA;\nXX;\nE\n"},
      {"name too long", "DS 1;\n9 abcdefghijklmnopqrstuvwxyz0123456789;\nE\n",
       "DS 1;\n9 abcdefghijklmnopqrstuvwxyz0123456789;\nE\n"},
  };
  for (const Twin& c : cases) {
    SCOPED_TRACE(c.what);
    std::string fullText = c.full, strictText = c.strict;
    if (std::string(c.what) == "too many values")
      fullText.replace(fullText.find("XX"), 2, values), strictText = fullText;
    ACcifMode = CifMode::Strict;
    EXPECT_EQ(load(strictText), kAbandoned);
    std::string strictOut = out, strictErr = err;
    out.clear();
    err.clear();
    ACcifMode = CifMode::Full;
    EXPECT_EQ(load(fullText), kAbandoned);
    EXPECT_EQ(out, strictOut);
    EXPECT_EQ(err, strictErr);
    EXPECT_TRUE(rootsEmpty());
    out.clear();
    err.clear();
  }
}

TEST_F(FullCifTest, SyntaxErrorsNameTheLineAndKeepWhatWasRead)
{
  struct Bad {
    const char* text;
    int line;
    const char* token;
  };
  const Bad cases[] = {
      {"DS 1;\nL CAA;\nB 10 10 0;\nE\n", 3, ";"},
      {"DS 1;\nL CAA;\nB 10 10 0 0 1;\nE\n", 3, ";"},
      {"DS 1;\nL CAA;\nB 10\n 10 0 x0\n 0 Q;\nE\n", 5, "Q"},
      {"DS 1;\nL CAA;\nQ 1;\nE\n", 3, "Q"},
      {"DS 1;\nL CAA;\nB -10 10 0 0;\nE\n", 3, "-"},
      {"DS 1;\nL CAA;\nP;\nE\n", 3, ";"},
      {"DS 1;\nL CAA;\nC 1 Z;\nE\n", 3, "Z"},
      {"DS 1;\nL CAA;\nC 1 M Q;\nE\n", 3, "Q"},
      {"DS 1;\nL CAA;\nDX;\nE\n", 3, "X"},
      {"DS 1;\nL CAA;\nL ;\nE\n", 3, ";"},
      {"DS 1;\nL CAA;\n94 lonely;\nE\n", 3, ";"},
      {"DS 1;\nL CAA;\n94 a 1 x;\nE\n", 3, "x"},
      {"DS 1;\nL CAA;\n) B 1 1 0 0;\nE\n", 3, ")"},
  };
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.text);
    ACcifMode = CifMode::Full;
    err.clear();
    ASSERT_EQ(load(c.text), 1);
    std::string first = "error on line " + std::to_string(c.line) + " " + c.token + ": parse error\n";
    EXPECT_EQ(err.substr(0, first.size()), first) << err;
    EXPECT_EQ(err.find("may read in full CIF mode"), std::string::npos);
    EXPECT_NE(cell("CIRCUIT1"), nullptr) << "what was read stays";
    EXPECT_NE(cell("CIRCUIT1")->symbol[FindLayer("CAA")], nullptr);
  }
  // The end of the input instead of a command, a value or ";".
  for (const char* text : {"DS 1;\nL CAA;\n", "DS 1;\n(open comment;\nE\n", "DS 1;\n91 x\n",
                           "DS 1;\nB 10 10"}) {
    SCOPED_TRACE(text);
    err.clear();
    ASSERT_EQ(load(text), 1);
    EXPECT_NE(err.find("without the end command E"), std::string::npos) << err;
  }
  // A direction that points nowhere is a data error.
  EXPECT_EQ(load("DS 1;\nL CAA;\nB 10 10 0 0 0 0;\nE\n"), kAbandoned);
  EXPECT_TRUE(fatal("Box direction 0 0 on line 3 is not a direction"));
  EXPECT_TRUE(rootsEmpty());
}

// ---------------------------------------------------------------------------
// Every example reads the same in both modes.
// ---------------------------------------------------------------------------

TEST_F(FullCifTest, EveryExampleReadsTheSameInBothModes)
{
  namespace fs = std::filesystem;
  int examples = 0;
  for (const fs::directory_entry& e : fs::directory_iterator(sourcePath("examples"))) {
    if (e.path().extension() != ".cif")
      continue;
    SCOPED_TRACE(e.path().filename().string());
    ++examples;
    std::string text = readFile(e.path().string());
    std::string expected = strict(text);
    std::string strictOut = out;
    ASSERT_NE(expected.find("  "), std::string::npos) << "the example has geometry";
    out.clear();
    EXPECT_EQ(full(text), expected);
    EXPECT_EQ(out, strictOut);
    out.clear();
  }
  EXPECT_GE(examples, 7);
}

// ---------------------------------------------------------------------------
// Choosing the mode: the system source file, the flag, the menu action.
// (The golden full_mode run takes -f; the others read in strict mode.)
// ---------------------------------------------------------------------------

TEST_F(FullCifTest, ModeComesFromTheFlagOrTheSystemSourceFile)
{
  testing_support::ScratchDir dir;
  struct Case {
    const char* sysrc;
    bool flag;
    CifMode mode;
    const char* warning;
  };
  const Case cases[] = {
      {"TechFile x\n", false, CifMode::Strict, nullptr},
      {"CIFMode full\n", false, CifMode::Full, nullptr},
      {"CIFMode   strict  trailing words\n", false, CifMode::Strict, nullptr},
      {"CIFMode strict\n", true, CifMode::Full, nullptr},
      {"CIFMode Full\n", false, CifMode::Strict,
       "CIFMode Full in the system source file is neither strict nor full"},
  };
  const char* saved = getenv("SYSRC");
  std::string savedSysrc = saved ? saved : "";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sysrc);
    setenv("SYSRC", dir.write("sysrc", c.sysrc).c_str(), 1);
    ACcifMode = c.mode == CifMode::Full ? CifMode::Strict : CifMode::Full;
    ui.messages.clear();
    ACinitMode(c.flag);
    EXPECT_EQ(ACcifMode, c.mode);
    EXPECT_EQ(c.warning ? ui.saw('W', c.warning) : ui.messages.empty(), true);
  }
  setenv("SYSRC", savedSysrc.c_str(), 1);
}

TEST_F(FullCifTest, MenuActionSwitchesByItsLabel)
{
  ActionHandler mode = DIfindCallback("f.DIcifMode");
  ASSERT_EQ(mode.action, &DIcifMode);
  callback::run(mode, "Full");
  EXPECT_EQ(ACcifMode, CifMode::Full);
  EXPECT_EQ(ui.lastLine(), "Message: CIF is read in full mode.");
  callback::run(mode, "Sideways");
  EXPECT_EQ(ACcifMode, CifMode::Full);
  callback::run(mode, "Strict");
  EXPECT_EQ(ACcifMode, CifMode::Strict);
  EXPECT_EQ(ui.lastLine(), "Message: CIF is read in strict mode.");
}

}  // namespace
