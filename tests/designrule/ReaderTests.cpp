// The three readers of design rule files: what they file where, and what a
// bad file does (a message naming the line, the tables as before).
#include <cctype>
#include <cstring>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Dlayout.h"
#include "RuleSupport.h"

namespace {

using designrule_test::RuleTest;

// A vendor file with one "spacingRules" section holding `entries`.
std::string spacing(const std::string& entries)
{
  return "; rules\nphysicalRules(\n spacingRules(\n" + entries +
         " ) ;spacingRules\n) ;physicalRules\n";
}

class VendorReader : public RuleTest {
 protected:
  void SetUp() override
  {
    RuleTest::SetUp();
    ASSERT_EQ(readFile(0, "examples/example.bridge"), 1);
  }
};

// Checks entries written "W CCA 6; S CPG CMF 5; E CMF CVA -; T 8": the
// table (W width, S spacing, E extension of the first layer over the
// second, T and L the transistor width and length of kind 0), the layers
// by name or slot, and the value ("-": not filed).
void expectEntries(const std::string& list)
{
  std::istringstream entries(list);
  std::string one;
  while (std::getline(entries, one, ';')) {
    std::istringstream in(one);
    std::vector<std::string> w{std::istream_iterator<std::string>(in), {}};
    auto layer = [&](size_t k) {
      return k + 1 >= w.size() ? 0 : isdigit(w[k][0]) ? std::stoi(w[k]) : RuleTest::slot(w[k].c_str());
    };
    const int i = layer(1), j = layer(2);
    const std::map<char, std::pair<int16_t, int16_t>> all = {
        {'W', {WIDTH[i], WIDTH_VALID[i]}},
        {'S', {SPACING[i][j], SPACING_VALID[i][j]}},
        {'E', {EXTENSION[i][j], EXTENSION_VALID[i][j]}},
        {'T', {TRAN_WIDTH[0], TRAN_WIDTH_VALID[0]}},
        {'L', {TRAN_LENGTH[0], TRAN_LENGTH_VALID[0]}}};
    const auto& [value, valid] = all.at(w[0][0]);
    EXPECT_EQ(valid ? std::to_string(value) : "-", w.back()) << one;
  }
}

// A contact and an enhancement device, their layers written as `contact`
// and `transistor`.
std::string devices(const std::string& contact, const std::string& transistor)
{
  return "devices(\n symContactDevice(\n  ( M2_M1 " + contact +
         " 0.6 0.7\n    ( 1 1 1.2 1.2 center center ) 0.2 0.3 _NA_ )\n"
         " ) ;symContactDevice\n symEnhancementDevice(\n"
         "  ; comment between entries\n  ( nmos " + transistor +
         " 0.8 0.4 0.9 0.5 nselect drawing 0.7 )\n ) ;symEnhancementDevice\n) ;devices\n";
}

// What good files file where, each read into cleared tables:
// - a width goes to every slot bridged to the layer and keeps the largest;
// - a spacing is filed both ways, rounded away from zero;
// - every written form of 0.6 micrometres gives 6 steps;
// - an enclosure keeps the larger, a negative one overwrites; minNotch
//   files nothing;
// - devices file the cut width, the enclosures and the transistor minima,
//   with purposes, without, and in ( layer purpose ) lists;
// - the grid of the rules scales the conversion;
// - a name of 63 characters is read.
TEST_F(VendorReader, EntriesAreFiledWhereTheyBelong)
{
  const std::string device = "W CVA 6; E CMF CVA 2; E CMS CVA 3; E CAA CPG 9; E CPG CAA 5; "
                             "E CSN CAA 7; T 8; L 4";
  const std::pair<std::string, std::string> cases[] = {
      {spacing("( minWidth contact 0.6 )\n( minWidth \"contact\" 0.5 )\n"),
       "W CCA 6; W CCP 6; W CCE 6; W CCR 6; W CMF -"},
      {spacing("( minSpacing poly metal1 0.45 )\n"), "S CPG CMF 5; S CMF CPG 5; S CPG CPG -"},
      {spacing("( minWidth metal1 0.6 )\n"), "W CMF 6"},
      {spacing("( minWidth metal1 ( times 2 0.3 ) )\n"), "W CMF 6"},
      {spacing("( minWidth metal1 ( difference 1 0.4 ) )\n"), "W CMF 6"},
      {spacing("( minWidth metal1 6e-1 )\n"), "W CMF 6"},
      {spacing("( minWidth metal1 0.06E+1 )\n"), "W CMF 6"},
      {spacing("( minWidth metal1 6 e -1 )\n"), "W CMF 6"},
      {spacing("( minWidth metal1 ( times ( difference 0.5 0.2 ) 2 ) )\n"), "W CMF 6"},
      {spacing("( minEnclosure metal1 via 0.4 )\n( minEnclosure metal1 via 0.2 )\n"
               "( minEnclosure metal2 via 0.3 )\n( minEnclosure metal2 via -0.2 )\n"
               "( minExtension poly active 0.5 )\n( minExtension poly active 0.1 )\n"
               "( minNotch poly 9.0 )\n"),
       "E CMF CVA 4; E CMS CVA -2; E CPG CAA 1; E CVA CMF -; W CPG -"},
      {devices("via drawing metal1 drawing metal2 drawing", "active drawing poly drawing"), device},
      {devices("via metal1 metal2", "active poly"), device},
      {devices("( via drawing ) ( \"metal1\" \"drawing\" ) ( metal2 )", "( active drawing ) ( poly )"),
       device},
      {spacing("( minWidth " + std::string(63, 'm') + " 0.6 )\n"), ""},
      {"physicalRules(\n spacingRules(\n  ( minWidth metal1 0.6 )\n ) ;spacingRules\n"
       " mfgGridResolution(\n  ( 0.05 )\n ) ;mfgGridResolution\n) ;physicalRules\n",
       "W CMF 12"},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    DRclearAllRules();
    ASSERT_EQ(vendor(2, text), 1);
    expectEntries(expected);
  }
  EXPECT_DOUBLE_EQ(LAMBDA_T2, 0.05);  // the last file's grid
}

// The first variant takes the grid of the CIF input and the transistor
// minima, and no table rule.
TEST_F(VendorReader, FirstVariantTakesOnlyGridAndTransistorMinima)
{
  double cifGrid = LAMBDA_T1;
  ASSERT_EQ(vendor(2, spacing("( minWidth metal1 0.6 )\n")), 1);
  std::string before = tables();
  ASSERT_EQ(vendor(1, "physicalRules(\n spacingRules(\n  ( minWidth metal1 3.0 )\n"
                      " ) ;spacingRules\n mfgGridResolution(\n  ( 0.2 )\n"
                      " ) ;mfgGridResolution\n) ;physicalRules\ndevices(\n"
                      " symEnhancementDevice(\n  ( n active d poly d 0.8 0.4 0.9 0.5 )\n"
                      " ) ;symEnhancementDevice\n) ;devices\n"),
            1);
  EXPECT_DOUBLE_EQ(LAMBDA_T1, 0.2);
  EXPECT_DOUBLE_EQ(LAMBDA_T2, 0.1);
  EXPECT_DOUBLE_EQ(TEMP_TRAN_WIDTH[0], 0.8);
  EXPECT_EQ(TRAN_WIDTH_VALID[0], 1);
  LAMBDA_T1 = cifGrid;
  TRAN_WIDTH_VALID[0] = TRAN_LENGTH_VALID[0] = 0;
  EXPECT_EQ(tables(), before);
}

TEST_F(VendorReader, DummyLayerRulesOnlyWithAnXYZSlot)
{
  ASSERT_EQ(vendor(2, spacing("( minWidth metal1 0.6 )\n")), 1);
  expectEntries("W XYZ 3; S XYZ CMF 50; S CMF XYZ 50");
  CifToCadence[slot("XYZ")].cif[0] = '\0';
  ASSERT_EQ(vendor(2, spacing("( minWidth metal1 0.6 )\n")), 1);
  expectEntries("W XYZ -; S CMF XYZ -; W CMF 6");
}

// A refused file of any of the three formats leaves every table, the
// bridge and both grids as they were and names the line of the fault.
TEST_F(VendorReader, BadFilesAreRefusedWithTheirLine)
{
  std::string many;
  for (int i = 0; i < 33; ++i)
    many += "metal1 drawing CMS\n";
  struct Case {
    std::string text;
    const char* message;
    const char* readers;  // b bridge, 1 and 2 the vendor variants, o the older format
  } cases[] = {
      {"physicalRules(\n spacingRules(\n  ( minWidth metal1 3.0 )\n )\n) ;physicalRules\n",
       "Design rule file line 4: \")\" of spacingRules must be followed by a \";\" comment", "12"},
      {"physicalRules(\n spacingRules(\n  ( minWidth \"metal1 3.0 )\n ) ;s\n) ;p\n",
       "Design rule file line 3: a quoted name runs", "12"},
      {"physicalRules(\n spacingRules(\n  ( minWidth metal1 1e999 )\n ) ;s\n) ;p\n",
       "Design rule file line 3: number 1e999 is out of range", "12"},
      {"physicalRules(\n spacingRules(\n  ( minWidth metal1 ( times 1e300 1e300 ) )\n ) ;s\n) ;p\n",
       "Design rule file line 3: value of ( times ... ) is out of range", "12"},
      {"physicalRules(\n spacingRules(\n\n  ( minWidth metal1 5000 )\n ) ;s\n) ;p\n",
       "Design rule file line 4: width 5000 um", "2"},
      {"physicalRules(\n spacingRules(\n  ( minExtension metal1 via -4000 )\n ) ;s\n) ;p\n",
       "Design rule file line 3: extension -4000 um", "2"},
      {"physicalRules(\n spacingRules(\n  ( minWidth metal1 )\n ) ;s\n) ;p\n",
       "Design rule file line 3: ( minWidth ... ) needs one or two layers and a value", "12"},
      {"physicalRules(\n mfgGridResolution(\n  ( 0 )\n ) ;g\n) ;p\n",
       "Design rule file line 3: the grid must be positive", "12"},
      {"devices(\n symContactDevice(\n  ( c via d metal1 d metal2 d 0.6 )\n ) ;s\n) ;d\n",
       "Design rule file line 3: symContactDevice entries are", "12"},
      {"spacingRules(\n ) ;spacingRules\n", "Design rule file line 1: syntax error at \"spacingRules\"", "12"},
      {"physicalRules(\n spacingRules(\n  ( minWidth metal1 3.0 )\n ) ;s\n", "Design rule file line 5: syntax error at the end of the file", "12"},
      {"; nothing but a comment\n", "Design rule file line 2: no section in the file", "12"},
      {"", "Design rule file line 1: no section in the file", "12"},
      {"physicalRules(\n mfgGridResolution(\n  ( 1e-4 )\n ) ;g\n) ;p\n",
       "Dummy layer spacing 5 um is 50000 grid steps, out of range", "2"},
      {spacing("( minWidth " + std::string(64, 'm') + " 0.6 )\n"),
       "line 4: name \"mmmmmmmmmmmmmmmmmmmm...\" is longer than 63", "12"},
      {spacing(std::string(5000, '(') + std::string(5000, ')') + "\n"), "lists nested too deep",
       "12"},
      {"metal2 drawing CMS\n" + std::string(64, 'x') + " drawing CMF\n",
       "Bridge file line 2: name xxxxxxxxxxxxxxxxxxxx... is longer than 63 characters", "b"},
      {"metal2 drawing CMS\nmetal3 drawing CMT " + std::string(190, ' ') + "\n",
       "Bridge file line 2: longer than 200 characters", "b"},
      {many, "Bridge file line 33: more than 32 entries for layer metal1", "b"},
      {"W\n[4,10]\n[32,10]\n", "Design rule file line 3: [32,10] is no width", "o"},
      {"W\n[4,40000]\n", "Design rule file line 2: [4,40000] is no width", "o"},
      {"W\n[4,-1]\n", "Design rule file line 2: [4,-1] is no width", "o"},
      {"S\n[4,4]\n", "Design rule file line 2: [4,4] is no spacing", "o"},
      {"S\n[4,4,-5]\n", "Design rule file line 2: [4,4,-5] is no spacing", "o"},
      {"E\n[4,x,5]\n", "Design rule file line 2: [4,x,5] is no extension", "o"},
      {"E\n[4,99999999999999999999,5]\n",
       "Design rule file line 2: [4,99999999999999999999,5] is no extension", "o"},
      {"E\n[4,5,-40000]\n", "Design rule file line 2: [4,5,-40000] is no extension", "o"},
      {"W\n[4,10]\n" + std::string(1024, 'x') + "\n",
       "Design rule file line 3: longer than 1023 characters", "o"},
  };
  ASSERT_EQ(vendor(2, spacing("( minWidth metal1 0.6 )\n")), 1);
  ASSERT_EQ(older("W\n[3,40]\n"), 1);
  std::string before = tables();
  for (const Case& c : cases)
    for (const char* r = c.readers; *r; ++r) {
      SCOPED_TRACE(*r + (": " + c.text));
      ui.messages.clear();
      EXPECT_EQ(*r == 'b' ? bridge(c.text) : *r == 'o' ? older(c.text) : vendor(*r - '0', c.text), 0);
      EXPECT_EQ(tables(), before);
      EXPECT_TRUE(ui.saw('E', c.message)) << ui.lastLine();
    }
}

TEST_F(RuleTest, VendorFileWithoutBridgeIsRefused)
{
  std::string before = tables();
  EXPECT_EQ(vendor(2, spacing("( minWidth metal1 0.6 )\n")), 0);
  EXPECT_TRUE(ui.saw('E', "No layer bridge"));
  EXPECT_EQ(tables(), before);
}

TEST_F(RuleTest, BridgeTiesVendorLayersToSlots)
{
  ASSERT_EQ(bridge("# comment line metal9 drawing CMF\n"
                   "metal1 drawing CMF\n"
                   "\n"
                   "lonely drawing\n"
                   "metal5 drawing NOSUCH\n"
                   "metal2 pin CMS   trailing words\n"),
            1);
  EXPECT_STREQ(CifToCadence[slot("CMF")].cadenceLayer, "metal1");
  EXPECT_STREQ(CifToCadence[slot("CMF")].purpose, "drawing");
  EXPECT_STREQ(CifToCadence[slot("CMS")].cadenceLayer, "metal2");
  EXPECT_STREQ(CifToCadence[slot("CMS")].purpose, "pin");
  for (const char* unread : {"lonely", "metal5", "metal9"})
    EXPECT_EQ(tables().find(unread), std::string::npos) << unread;
}

TEST_F(RuleTest, OlderFormatFilesCellsAndFlags)
{
  ASSERT_EQ(older("[1,99] before any section is skipped\n"
                  "WIDTH\n[3,40] comment\n[31,7]\n"
                  "EXTENSION\n[2,5,-3]\n"
                  "SPACING\n[5,2,12]\n[0,31,4]\n"),
            1);
  // Spacing one direction only, and not in the old a * 10 + b cell.
  expectEntries("W 3 40; W 31 7; W 1 -; E 2 5 -3; S 5 2 12; S 0 31 4; S 2 5 -; S 1 20 -");
}

}  // namespace
