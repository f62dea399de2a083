// Whole resizes of the example layouts: the output loads back, extracts to
// the same circuit with the requested sizes, keeps the example rules, and
// gets its contacts anew; and the sizing modes on their own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "CS.h"
#include "DEextract.h"
#include "DRdesignrule.h"
#include "DSsymmetry.h"
#include "DTtechnology.h"
#include "DUsize.h"
#include "ExampleFixture.h"
#include "Dcif.h"
#include "Dcompact.h"
#include "DHhierarchy.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dmenu.h"
#include "RuleSupport.h"
#include "SQsqueeze.h"
#include "SizeSupport.h"

namespace {

// Transistors as (type, sizes) over nets named by what they connect, so
// that two layouts can be compared whatever their numbering.
using SizeOf = std::function<std::pair<int, int>(const _Dtransistor*)>;

std::vector<std::string> circuit(const SizeOf& size)
{
  struct Tran {
    int type, gate, source, drain;
    std::pair<int, int> size;
  };
  std::vector<Tran> trans;
  for (int e = 0; e < DelementNum && Transistors; ++e)
    for (const _Dtransistor* t = Transistors[e]; t; t = t->next)
      if (t->number > 0)
        trans.push_back({e, t->gate, t->source, t->drain, size(t)});
  std::vector<std::string> label(trans.size());
  for (size_t i = 0; i < trans.size(); ++i)
    label[i] = std::to_string(trans[i].type) + ":" + std::to_string(trans[i].size.first) + "x" +
               std::to_string(trans[i].size.second);
  std::hash<std::string> h;
  for (int round = 0; round < 3; ++round) {
    std::map<int, std::vector<std::string>> seen;
    for (size_t i = 0; i < trans.size(); ++i) {
      seen[trans[i].gate].push_back("g" + label[i]);
      seen[trans[i].source].push_back("d" + label[i]);
      seen[trans[i].drain].push_back("d" + label[i]);
    }
    std::map<int, std::string> net;
    for (auto& [node, ends] : seen) {
      std::sort(ends.begin(), ends.end());
      std::string text;
      for (const std::string& s : ends)
        text += s + ",";
      net[node] = std::to_string(h(text));
    }
    for (size_t i = 0; i < trans.size(); ++i) {
      std::string s = net[trans[i].source], d = net[trans[i].drain];
      if (d < s)
        std::swap(s, d);
      label[i] = std::to_string(trans[i].type) + ":" + std::to_string(trans[i].size.first) + "x" +
                 std::to_string(trans[i].size.second) + ":" + net[trans[i].gate] + ":" + s + d;
    }
  }
  std::sort(label.begin(), label.end());
  return label;
}

std::pair<int, int> requested(const _Dtransistor* t) { return {t->resize_width, t->resize_length}; }
std::pair<int, int> drawn(const _Dtransistor* t) { return {t->width, t->length}; }

class Resize : public squeeze_test::ExampleLayoutTest {
 protected:
  void TearDown() override
  {
    USanswerStream = nullptr;
    USdeletecontactlist();
    ExampleLayoutTest::TearDown();
  }
  bool accept(int code, const std::string& path)
  {
    return callback::accept(code, path.c_str()) == callback::Outcome::Done;
  }
  void loadRules()
  {
    ASSERT_TRUE(accept(kAcceptBridge, testing_support::sourcePath("examples/example.bridge")));
    ASSERT_TRUE(accept(kAcceptCadence2, testing_support::sourcePath("examples/example_rules.tf")));
  }
  bool loadExample(const std::string& name)
  {
    return accept(kAcceptLoadCif, testing_support::sourcePath("examples/" + name));
  }
  // Runs an action as the dispatcher would; false when it was abandoned.
  bool run(const std::function<int()>& action)
  {
    int status = 1;
    return testing_support::runsToEnd([&] { status = action(); }) && status == 0;
  }
  // The boxes of one layer in the output, as written.
  static std::vector<std::string> boxes(const std::string& layer)
  {
    std::vector<std::string> found;
    FILE* f = fopen("sq_out.cif", "r");
    char line[256];
    bool in = false;
    while (f && fgets(line, sizeof line, f)) {
      if (line[0] == 'L')
        in = std::string(line) == "L " + layer + ";\n";
      else if (in && strstr(line, "B "))
        found.push_back(line);
    }
    if (f)
      fclose(f);
    return found;
  }
  std::vector<std::string> violations()
  {
    return designrule_test::checkRules(designrule_test::planeRects(), SCALE, slot("CAA"),
                                       slot("CPG"));
  }
  // The end of the captured output, for a failure message.
  std::string tail(size_t n = 3000) const { return out.substr(out.size() > n ? out.size() - n : 0); }
  // Drops the layout and the rules before the next example.
  static void unload()
  {
    GCfreeCS();
    DRclearAllRules();
  }
};

std::vector<std::string> transistorLayouts()
{
  const char* const forms[] = {"hierarchy.cif", "scale.cif", "othertool.cif"};
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(testing_support::sourcePath("examples"))) {
    const std::string name = e.path().filename();
    if (e.path().extension() == ".cif" && std::find(std::begin(forms), std::end(forms), name) == std::end(forms))
      names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Every example with the example size file: the output is the same circuit
// with the sizes asked for (the size file's, else mode 5's, else as drawn)
// and keeps every rule the drawn layout keeps.
TEST_F(Resize, EveryExampleGivesTheRequestedCircuit)
{
  const std::vector<std::string> names = transistorLayouts();
  ASSERT_GE(names.size(), 10u);
  int resized = 0;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    loadRules();
    ASSERT_TRUE(loadExample(name));
    if (TransNum == 0)
      continue;
    const bool cleanBefore = violations().empty();
    ASSERT_TRUE(accept(kAcceptTransSize, testing_support::sourcePath("examples/sizes.txt")));
    const int count = TransNum;
    out.clear();
    if (!run(new_resize)) {
      // The amplifier's sizes split the aligned fingers of some other
      // layouts: the check stops those, with the layout still there.  A
      // resistor port over contacts stops the resize too (no via removal).
      ASSERT_TRUE(out.find("SQtran_check: Total Error Counts = ") != std::string::npos ||
                  out.find("VCchange_number:  The vc size is not initialized yet") !=
                      std::string::npos)
          << tail();
      EXPECT_EQ(TransNum, count);
      EXPECT_TRUE(DlayerTile[0].layertile != nullptr);
      unload();
      continue;
    }
    const std::vector<std::string> wanted = circuit(requested);
    ASSERT_TRUE(accept(kAcceptLoadCif, scratch.path("sq_out.cif")));
    EXPECT_EQ(circuit(drawn), wanted);
    // Capacitors and inductors come back at their new places; resistors
    // with contacts under their ports stop the resize above.
    if (cleanBefore) {
      std::string report;
      for (const std::string& line : violations())
        report += line + "\n";
      EXPECT_EQ(report, "");
    }
    // Contacts come once per diffusion: no box twice.
    const std::vector<std::string> cuts = boxes("CCA");
    EXPECT_EQ(std::set<std::string>(cuts.begin(), cuts.end()).size(), cuts.size());
    ++resized;
    unload();
  }
  EXPECT_GE(resized, 5);
}

// What the wells and labels of the loaded layout say about its circuit:
// per transistor kind, how many lie in each well; per label, what its net
// connects to.
std::vector<std::string> wellsAndLabels()
{
  std::vector<std::string> found;
  std::map<std::string, int> inWell;
  for (const char* well : {"CWN", "CWP"}) {
    const int slot = DfindNumber(well);
    const _symbol* s = Gflatten && slot >= 0 ? Gflatten->symbol[Glayers[slot].layer] : nullptr;
    for (int e = 0; e < DelementNum && Transistors; ++e)
      for (const _Dtransistor* t = Transistors[e]; t; t = t->next) {
        if (t->number <= 0 || !t->Tgate)
          continue;
        const long x = (static_cast<long>(t->Tgate->x1) + cs::right(t->Tgate)) / 2;
        const long y = (static_cast<long>(t->Tgate->y1) + cs::top(t->Tgate)) / 2;
        bool inside = false;
        for (const _rects* r = s ? s->rect : nullptr; r && !inside; r = r->next)
          inside = r->x1 <= x && x <= r->x2 && r->y1 <= y && y <= r->y2;
        ++inWell[std::string(well) + " holds type " + std::to_string(e) + (inside ? "" : " not")];
      }
  }
  for (const auto& [what, n] : inWell)
    found.push_back(what + ": " + std::to_string(n));
  for (const _pin* p = Gpin; p; p = p->next) {
    const int net = p->tile ? p->tile->node : 0;
    std::vector<std::string> ends;
    for (int e = 0; e < DelementNum && Transistors && net > 0; ++e)
      for (const _Dtransistor* t = Transistors[e]; t; t = t->next) {
        if (t->number <= 0)
          continue;
        if (t->gate == net)
          ends.push_back("g" + std::to_string(e));
        if (t->source == net)
          ends.push_back("d" + std::to_string(e));
        if (t->drain == net)
          ends.push_back("d" + std::to_string(e));
      }
    std::sort(ends.begin(), ends.end());
    std::string line = std::string("label ") + p->label + " on " + p->layername + ":";
    for (const std::string& end : ends)
      line += " " + end;
    found.push_back(line);
  }
  // A cell's label comes once per placed copy: the names count, not how often.
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

// The wells come back around the transistors they held, and the labels
// on the nets they named.
TEST_F(Resize, WellsAndLabelsFollowTheCompaction)
{
  int resized = 0;
  // Flat layouts: the drawn pins of a hierarchical one sit in its cells.
  for (const char* name : {"cmos_inverter.cif", "nand2.cif", "amp.cif", "sym_centroid.cif",
                           "sym_interleaved.cif", "mirror.cif"}) {
    SCOPED_TRACE(name);
    loadRules();
    ASSERT_TRUE(loadExample(name));
    const std::vector<std::string> before = wellsAndLabels();
    ASSERT_FALSE(before.empty());
    if (run(new_resize)) {
      ASSERT_TRUE(accept(kAcceptLoadCif, scratch.path("sq_out.cif")));
      EXPECT_EQ(wellsAndLabels(), before);
      ++resized;
    }
    unload();
  }
  EXPECT_GE(resized, 4);
}

// The gates of the amplifier's input pair, as (x1, x2, y1, y2, net) with
// net 0 for the fingers on inp and 1 for those on inn.
std::vector<std::tuple<long, long, long, long, int>> inputPairGates()
{
  std::map<int, int> side;
  for (const _pin* p = Gpin; p; p = p->next)
    if (p->tile && (strcmp(p->label, "inp") == 0 || strcmp(p->label, "inn") == 0))
      side[p->tile->node] = strcmp(p->label, "inn") == 0;
  std::vector<std::tuple<long, long, long, long, int>> gates;
  for (int e = 0; e < DelementNum && Transistors; ++e)
    for (const _Dtransistor* t = Transistors[e]; t; t = t->next)
      if (t->number > 0 && t->Tgate && side.count(t->gate))
        gates.emplace_back(t->Tgate->x1, cs::right(t->Tgate), t->Tgate->y1, cs::top(t->Tgate),
                           side[t->gate]);
  std::sort(gates.begin(), gates.end());
  return gates;
}

// Mirrored about one vertical axis, each finger onto a finger of the other
// input: the i-th gate from the left against the i-th from the right.
bool mirrored(const std::vector<std::tuple<long, long, long, long, int>>& g)
{
  if (g.size() < 2)
    return false;
  const long axis2 = std::get<0>(g.front()) + std::get<1>(g.back());
  for (size_t i = 0, j = g.size() - 1; i < g.size(); ++i, --j) {
    const auto& [ax1, ax2, ay1, ay2, an] = g[i];
    const auto& [bx1, bx2, by1, by2, bn] = g[j];
    if (ax1 + bx2 != axis2 || ax2 + bx1 != axis2 || ay1 != by1 || ay2 != by2 || an == bn)
      return false;
  }
  return true;
}

// The blocks of the last detection as (pairs, axis kind): what a detection
// finds on a layout whatever the numbering of its transistors.
std::multiset<std::pair<int, int>> blockShapes()
{
  std::map<int, std::pair<int, int>> blocks;
  for (const _sym_constraint_list* p = final_sym_list; p; p = p->next) {
    std::pair<int, int>& b = blocks[p->block_number];
    ++b.first;
    b.second = p->axis;
  }
  std::multiset<std::pair<int, int>> shapes;
  for (const auto& [number, shape] : blocks)
    shapes.insert(shape);
  return shapes;
}

// The amplifier's pairs come out mirrored, so that the input pair's four
// gates mirror each other in sq_out.cif: resized with its symmetry file; and
// after a hierarchical detection, from the squeeze line or the whole resize
// (with a size file that gives each pair one size), where the detection
// finds the same blocks again in the output.
TEST_F(Resize, SymmetricPairsStayMirrored)
{
  std::filesystem::create_directory_symlink(testing_support::sourcePath("examples/subckt_library"),
                                            "subckt_library");
  for (const char* how : {"amp.sym", "squeeze", "sizes_hier.txt"}) {
    SCOPED_TRACE(how);
    const bool detected = std::string(how) != "amp.sym";
    loadRules();
    ASSERT_TRUE(loadExample("amp.cif"));
    ASSERT_TRUE(mirrored(inputPairGates())) << "the drawn input pair";
    std::multiset<std::pair<int, int>> shapes;
    if (detected) {
      ASSERT_TRUE(run(HierarchicalSymDetection));
      shapes = blockShapes();
      ASSERT_EQ(shapes, (std::multiset<std::pair<int, int>>{{1, 0}, {2, 0}, {2, 0}}));
    } else {
      ASSERT_TRUE(accept(kAcceptSymmetry, testing_support::sourcePath("examples/amp.sym")));
    }
    const char* sizes = detected ? how : "sizes.txt";
    if (std::string(how) != "squeeze") {
      ASSERT_TRUE(accept(kAcceptTransSize, testing_support::sourcePath(std::string("examples/") + sizes)));
    }
    out.clear();
    ASSERT_TRUE(std::string(how) == "squeeze" ? run([] { return squeeze::compactLayout(false); })
                                              : run(new_resize))
        << tail();
    EXPECT_EQ(out.find("left out of the resize"), std::string::npos) << "every pair kept";
    ASSERT_TRUE(accept(kAcceptLoadCif, scratch.path("sq_out.cif")));
    const auto gates = inputPairGates();
    EXPECT_EQ(gates.size(), 4u);
    EXPECT_TRUE(mirrored(gates));
    if (detected) {
      ASSERT_TRUE(run(HierarchicalSymDetection));
      EXPECT_EQ(blockShapes(), shapes);
    }
    unload();
  }
}

// Mode 1 takes its answers from a stream: two rows of contacts for the
// first transistor give it more contacts on output, and room for them.
TEST_F(Resize, TwoContactRowsReserveRoomAndComeOut)
{
  auto contacts = [this](const char* answers) {
    loadRules();
    EXPECT_TRUE(loadExample("cmos_inverter.cif"));
    FILE* in = fmemopen(const_cast<char*>(answers), strlen(answers), "r");
    USanswerStream = in;
    PROCESS_INCLUDE_RESIZING = 1;
    const bool done = run([] {
      init_staff();
      scan_toget_variables();
      return SQ_resize(scan_queue, equat_bucket, scan_queue_y, equat_bucket_y, 1);
    });
    fclose(in);
    USanswerStream = nullptr;
    EXPECT_TRUE(done) << tail(2000);
    const size_t n = boxes("CCA").size();
    compact::freeStaff();
    unload();
    return n;
  };
  const size_t one = contacts("1\n0\n0\n1\n0\n0\n");
  const size_t two = contacts("1\n0\n0\n2\n0\n0\n");
  EXPECT_GT(one, 0u);
  // Only what fits inside the solved diffusion is written: more contacts
  // mean the room for the second row was kept.
  EXPECT_GT(two, one);
  EXPECT_EQ(out.find("rows of contacts fit in its diffusion"), std::string::npos);
}

// Mode 1 without a terminal and without answers is refused, not waited on.
TEST_F(Resize, ModeOneWithoutTerminalIsRefused)
{
  if (isatty(fileno(stdin)))
    GTEST_SKIP() << "standard input is a terminal";
  PROCESS_INCLUDE_RESIZING = 1;
  resize_direction = LEFT_RIGHT;
  USupdateparameter();
  resize_direction = NO_DIR;
  EXPECT_TRUE(ui.saw('E', "asks on a terminal"));
}

// Size requests for single transistors of the amplifier.  A gate too
// narrow for one column of contacts still gets one.  A width below the
// transistor rule (3 um) is refused by the size check for either channel
// type, and nothing is written; the n-channel request once passed the check
// and ended in a positive cycle.
TEST_F(Resize, NarrowRequests)
{
  const struct {
    const char* line;
    bool resized;
    std::vector<std::string> said;
  } cases[] = {
      {"M14 1 2", false, {"SYtran_check(): ERROR - Transistor (14) resize width"}},  // p-channel
      {"M17 1 2", false, {"SYtran_check(): ERROR - Transistor (17) resize width"}},  // n-channel
      {"M17 3 2", true,
       {"USinsertcontact: width_number of tran 17 ", "is less than 1.  Set it to 1\n"}},
  };
  loadRules();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    ASSERT_TRUE(loadExample("amp.cif"));
    std::filesystem::remove("sq_out.cif");
    testing_support::ScratchDir files;
    ASSERT_TRUE(accept(kAcceptTransSize,
                       files.write("narrow.txt", std::string("Transistors_sizes:\n ") + c.line + "\n")));
    out.clear();
    EXPECT_EQ(run(new_resize), c.resized) << tail(2000);
    for (const std::string& line : c.said)
      EXPECT_NE(out.find(line), std::string::npos) << line;
    EXPECT_EQ(out.find("positive cycle"), std::string::npos);
    EXPECT_EQ(std::filesystem::exists("sq_out.cif"), c.resized);
  }
}

// The input boxes off the half-scale grid: the resize is refused and the
// layout stays.
TEST_F(Resize, HalfScaleErrorRefusesAndKeepsTheLayout)
{
  loadRules();
  ASSERT_TRUE(loadExample("amp.cif"));
  AC_initial_halfscale_error = 1;
  EXPECT_FALSE(run(new_resize));
  AC_initial_halfscale_error = 0;
  EXPECT_NE(out.find("Potential problem: Input box scale is not in half_scale unit."),
            std::string::npos);
  EXPECT_TRUE(DlayerTile[0].layertile != nullptr);
  EXPECT_EQ(TransNum, 17);
  EXPECT_FALSE(std::filesystem::exists("sq_out.cif"));
}

// The preset of each action; the second run's spacing step sees the mode
// the first left.
TEST_F(Resize, PresetsFollowTheAction)
{
  loadRules();
  ASSERT_TRUE(loadExample("cmos_inverter.cif"));
  ASSERT_TRUE(run(new_resize60));
  EXPECT_EQ(PROCESS_OPTION, 0);
  EXPECT_EQ(PROCESS_INCLUDE_RESIZING, 2);
  ASSERT_TRUE(run(new_resize));
  EXPECT_EQ(PROCESS_OPTION, 1);
  EXPECT_EQ(PROCESS_INCLUDE_RESIZING, 5);
  EXPECT_EQ(PROCESS_INCLUDE_SYMMETRY, 1);
  FILE* f = fopen("time_rpt.txt", "r");
  ASSERT_TRUE(f);
  char line[128];
  ASSERT_TRUE(fgets(line, sizeof line, f));
  EXPECT_EQ(std::string(line).rfind("Resize Start Time:   \t User ", 0), 0u);
  fclose(f);
}

// What the user set (a key of the system source file or a batch "set" line)
// outlasts the presets: PROCESS_OPTION 0 makes f.new_resize the factor
// resize, which scales by RESIZING_FACTOR; the size check writes
// "arsyn_input"; the parasitic mode and symmetry stay as set; a resizing
// mode is the mode of f.new_resize, not of the factor resize.
TEST_F(Resize, SettingsOutlastThePresets)
{
  auto set = [](const char* name, const char* value) {
    std::string why;
    EXPECT_TRUE(common::setProcessSetting(name, value, &why)) << why;
  };
  loadRules();
  ASSERT_TRUE(loadExample("cmos_inverter.cif"));
  set("PROCESS_OPTION", "0");
  set("RESIZING_FACTOR", "1.5");
  set("TRANSISTOR_SIZE_CHECK", "1");
  set("PROCESS_INCLUDE_TRANSISTOR_PARASITIC", "1");
  set("PROCESS_INCLUDE_SYMMETRY", "0");
  set("PROCESS_INCLUDE_RESIZING", "3");
  out.clear();
  ASSERT_TRUE(run(new_resize));
  EXPECT_EQ(PROCESS_OPTION, 0);
  EXPECT_EQ(PROCESS_INCLUDE_RESIZING, 2);
  EXPECT_EQ(PROCESS_INCLUDE_TRANSISTOR_PARASITIC, 1);
  EXPECT_EQ(PROCESS_INCLUDE_SYMMETRY, 0);
  ASSERT_GT(TransNum, 0);
  for (int e = 0; e < DelementNum; ++e)
    for (const _Dtransistor* t = Transistors[e]; t; t = t->next) {
      EXPECT_EQ(t->resize_width % (2 * SCALE), 0) << t->number;
      EXPECT_LE(std::abs(t->resize_width - 1.5 * t->width), SCALE) << t->number;
    }
  EXPECT_NE(testing_support::readFile("arsyn_input")
                .find("// Here is the transistor synthesis searching constraint.\n"),
            std::string::npos);
  EXPECT_NE(out.find("Process include transistor parasitic should read parameter value from "
                     "array, but NOT YET CODED"),
            std::string::npos);
  EXPECT_EQ(out.find("built-in array"), std::string::npos);

  set("PROCESS_OPTION", "1");
  out.clear();
  ASSERT_TRUE(run(new_resize));
  EXPECT_EQ(PROCESS_INCLUDE_RESIZING, 3);
  EXPECT_NE(out.find("The transistor sizes will be readed from built-in array."),
            std::string::npos);
}

// The sizing modes on hand-made transistors.
class Modes : public size_test::FourTransistors {
 protected:
  void SetUp() override
  {
    FourTransistors::SetUp();
    for (_Dtransistor& x : t)
      x.orientation = 1;
    resize_direction = LEFT_RIGHT;
  }
  void TearDown() override
  {
    resize_direction = NO_DIR;
    FourTransistors::TearDown();
  }
};

TEST_F(Modes, ModeFiveTestValuesOnlyWhereNothingWasAsked)
{
  struct Case {
    int width, length, askedWidth, askedLength;
    int orientation;
    int resizeWidth, resizeLength;
  } cases[] = {
      {800, 1600, 0, 0, 1, 800, 1920},      // 1600 becomes 1920
      {800, 1000, 0, 0, 1, 800, 1000},      // 1000 keeps its size
      {160, 1920, 0, 0, 1, 160, 2080},
      {960, 800, 0, 0, -1, 960, 1120},
      {800, 1600, 1200, 400, 1, 1200, 400}, // the size file wins
      {800, 1600, 1200, 400, 0, 800, 1600}, // not lined up: refused, as drawn
  };
  PROCESS_INCLUDE_RESIZING = 5;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.length << " asked " << c.askedWidth);
    t[1].width = c.width;
    t[1].length = c.length;
    t[1].orientation = c.orientation;
    t[1].resize_width = c.askedWidth;
    t[1].resize_length = c.askedLength;
    USupdateparameter();
    EXPECT_EQ(t[1].resize_width, c.resizeWidth);
    EXPECT_EQ(t[1].resize_length, c.resizeLength);
  }
  EXPECT_TRUE(ui.saw('E', "Transistor 2 is not lined up with the axes"));
}

TEST_F(Modes, FactorAndBuiltInTables)
{
  t[0].width = 800;
  t[0].length = 1000;
  RESIZING_FACTOR = 1.5;
  PROCESS_INCLUDE_RESIZING = 2;
  USupdateparameter();
  EXPECT_EQ(t[0].resize_width, 1200);   // 800 x 1.5, a multiple of 80
  EXPECT_EQ(t[0].resize_length, 1520);  // 1500 to the nearest 80
  PROCESS_INCLUDE_RESIZING = 3;
  t[0].orientation = -1;
  USupdateparameter();
  EXPECT_EQ(t[0].resize_length, static_cast<int>(TRANW[1] * 400));  // swapped
  EXPECT_EQ(t[0].resize_width, static_cast<int>(TRANL[1] * 400));
  EXPECT_NE(out.find("The transistor sizes will be readed from built-in array."), std::string::npos);
}

TEST_F(Modes, ModeOneAsksUntilConfirmed)
{
  t[0].width = 800;
  t[0].length = 400;
  CAA_MIN = 120;
  CPG_MIN = 80;
  // Transistor 4 first (newest first): skipped; then 3 and 2 skipped, 1 asked
  // twice: a width below the minimum is asked again.
  char answers[] = "0\n0\n0\n1\n0.1\n0\n1\n0\n2.4\n0\n2\n0\n";
  FILE* in = fmemopen(answers, strlen(answers), "r");
  USanswerStream = in;
  PROCESS_INCLUDE_RESIZING = 1;
  USupdateparameter();
  USanswerStream = nullptr;
  fclose(in);
  EXPECT_EQ(t[0].resize_width, 960);
  EXPECT_EQ(t[0].resize_length, 400);  // 0 kept the old length
  EXPECT_EQ(t[0].no_contact_row, 2);
  EXPECT_NE(out.find("Min width = 0.300um   Old width = 2.000um   New width = "), std::string::npos);
  CAA_MIN = CPG_MIN = 0;
}

}  // namespace
