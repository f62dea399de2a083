// The three readers of design rule files: what they file where, and what a
// bad file does (a message naming the line, the tables as before).
#include <cstring>
#include <string>

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
    ASSERT_EQ(bridgeFile("examples/example.bridge"), 1);
  }
};

TEST_F(VendorReader, WidthGoesToEveryBridgedSlotAndKeepsTheLargest)
{
  ASSERT_EQ(vendor(2, spacing("( minWidth contact 0.6 )\n( minWidth \"contact\" 0.5 )\n")), 1);
  for (const char* cut : {"CCA", "CCP", "CCE", "CCR"}) {
    SCOPED_TRACE(cut);
    EXPECT_EQ(WIDTH[slot(cut)], 6);
    EXPECT_EQ(WIDTH_VALID[slot(cut)], 1);
  }
  EXPECT_EQ(WIDTH_VALID[slot("CMF")], 0);
}

TEST_F(VendorReader, SpacingIsFiledBothWaysRoundedAwayFromZero)
{
  ASSERT_EQ(vendor(2, spacing("( minSpacing poly metal1 0.45 )\n")), 1);
  int poly = slot("CPG"), metal = slot("CMF");
  EXPECT_EQ(SPACING[poly][metal], 5);
  EXPECT_EQ(SPACING[metal][poly], 5);
  EXPECT_EQ(SPACING_VALID[poly][metal], 1);
  EXPECT_EQ(SPACING_VALID[metal][poly], 1);
  EXPECT_EQ(SPACING_VALID[poly][poly], 0);
}

// Every written form of 0.6 micrometres.
TEST_F(VendorReader, NumericFormsAllGiveSixSteps)
{
  for (const char* value : {"0.6", "( times 2 0.3 )", "( difference 1 0.4 )", "6e-1", "0.06E+1",
                            "6 e -1", "( times ( difference 0.5 0.2 ) 2 )"}) {
    SCOPED_TRACE(value);
    DRclearAllRules();
    ASSERT_EQ(vendor(2, spacing(std::string("( minWidth metal1 ") + value + " )\n")), 1);
    EXPECT_EQ(WIDTH[slot("CMF")], 6);
  }
}

TEST_F(VendorReader, EnclosureKeepsTheLargerOrNegativeExtensionOverwrites)
{
  ASSERT_EQ(vendor(2, spacing("( minEnclosure metal1 via 0.4 )\n"
                              "( minEnclosure metal1 via 0.2 )\n"
                              "( minEnclosure metal2 via 0.3 )\n"
                              "( minEnclosure metal2 via -0.2 )\n"
                              "( minExtension poly active 0.5 )\n"
                              "( minExtension poly active 0.1 )\n"
                              "( minNotch poly 9.0 )\n")),
            1);
  EXPECT_EQ(EXTENSION[slot("CMF")][slot("CVA")], 4);
  EXPECT_EQ(EXTENSION[slot("CMS")][slot("CVA")], -2);
  EXPECT_EQ(EXTENSION[slot("CPG")][slot("CAA")], 1);
  EXPECT_EQ(EXTENSION_VALID[slot("CPG")][slot("CAA")], 1);
  EXPECT_EQ(EXTENSION_VALID[slot("CVA")][slot("CMF")], 0);
  EXPECT_EQ(WIDTH_VALID[slot("CPG")], 0);  // minNotch files nothing
}

// The device entries with purposes, without them, and with ( layer
// purpose ) lists.
TEST_F(VendorReader, DevicesFileCutWidthEnclosuresAndTransistorMinima)
{
  struct Form {
    const char* contact;
    const char* transistor;
  } forms[] = {
      {"via drawing metal1 drawing metal2 drawing", "active drawing poly drawing"},
      {"via metal1 metal2", "active poly"},
      {"( via drawing ) ( \"metal1\" \"drawing\" ) ( metal2 )", "( active drawing ) ( poly )"},
  };
  for (const Form& form : forms) {
    SCOPED_TRACE(form.contact);
    ASSERT_EQ(vendor(2, std::string("devices(\n symContactDevice(\n  ( M2_M1 ") + form.contact +
                            " 0.6 0.7\n    ( 1 1 1.2 1.2 center center ) 0.2 0.3 _NA_ )\n"
                            " ) ;symContactDevice\n symEnhancementDevice(\n"
                            "  ; comment between entries\n  ( nmos " +
                            form.transistor +
                            " 0.8 0.4 0.9 0.5 nselect drawing 0.7 )\n"
                            " ) ;symEnhancementDevice\n) ;devices\n"),
              1);
    int via = slot("CVA"), active = slot("CAA"), poly = slot("CPG");
    EXPECT_EQ(WIDTH[via], 6);
    EXPECT_EQ(EXTENSION[slot("CMF")][via], 2);
    EXPECT_EQ(EXTENSION[slot("CMS")][via], 3);
    EXPECT_EQ(EXTENSION[active][poly], 9);
    EXPECT_EQ(EXTENSION[poly][active], 5);
    EXPECT_EQ(EXTENSION[slot("CSN")][active], 7);
    EXPECT_EQ(TRAN_WIDTH[0], 8);
    EXPECT_EQ(TRAN_LENGTH[0], 4);
    EXPECT_EQ(TRAN_WIDTH_VALID[0] + TRAN_LENGTH_VALID[0], 2);
  }
}

TEST_F(VendorReader, GridOfTheRulesScalesTheConversion)
{
  ASSERT_EQ(vendor(2, "physicalRules(\n spacingRules(\n  ( minWidth metal1 0.6 )\n"
                      " ) ;spacingRules\n mfgGridResolution(\n  ( 0.05 )\n"
                      " ) ;mfgGridResolution\n) ;physicalRules\n"),
            1);
  EXPECT_DOUBLE_EQ(LAMBDA_T2, 0.05);
  EXPECT_EQ(WIDTH[slot("CMF")], 12);
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
  int dummy = slot("XYZ"), metal = slot("CMF");
  ASSERT_EQ(vendor(2, spacing("( minWidth metal1 0.6 )\n")), 1);
  EXPECT_EQ(WIDTH[dummy], 3);
  EXPECT_EQ(SPACING[dummy][metal], 50);
  EXPECT_EQ(SPACING[metal][dummy], 50);
  EXPECT_EQ(SPACING_VALID[metal][dummy], 1);

  CifToCadence[dummy].cif[0] = '\0';
  ASSERT_EQ(vendor(2, spacing("( minWidth metal1 0.6 )\n")), 1);
  EXPECT_EQ(WIDTH_VALID[dummy], 0);
  EXPECT_EQ(SPACING_VALID[metal][dummy], 0);
  EXPECT_EQ(WIDTH[metal], 6);
}

// A refused file leaves every table, the bridge and both grids as they were
// and names the line of the fault.
TEST_F(VendorReader, BadFilesAreRefusedWithTheirLine)
{
  struct Case {
    const char* text;
    const char* message;
    bool firstVariantToo;  // the first variant converts nothing
  } cases[] = {
      {"physicalRules(\n spacingRules(\n  ( minWidth metal1 3.0 )\n )\n) ;physicalRules\n",
       "Design rule file line 4: \")\" of spacingRules must be followed by a \";\" comment", true},
      {"physicalRules(\n spacingRules(\n  ( minWidth \"metal1 3.0 )\n ) ;s\n) ;p\n",
       "Design rule file line 3: a quoted name runs", true},
      {"physicalRules(\n spacingRules(\n  ( minWidth metal1 1e999 )\n ) ;s\n) ;p\n",
       "Design rule file line 3: number 1e999 is out of range", true},
      {"physicalRules(\n spacingRules(\n  ( minWidth metal1 ( times 1e300 1e300 ) )\n ) ;s\n) ;p\n",
       "Design rule file line 3: value of ( times ... ) is out of range", true},
      {"physicalRules(\n spacingRules(\n\n  ( minWidth metal1 5000 )\n ) ;s\n) ;p\n",
       "Design rule file line 4: width 5000 um", false},
      {"physicalRules(\n spacingRules(\n  ( minExtension metal1 via -4000 )\n ) ;s\n) ;p\n",
       "Design rule file line 3: extension -4000 um", false},
      {"physicalRules(\n spacingRules(\n  ( minWidth metal1 )\n ) ;s\n) ;p\n",
       "Design rule file line 3: ( minWidth ... ) needs one or two layers and a value", true},
      {"physicalRules(\n mfgGridResolution(\n  ( 0 )\n ) ;g\n) ;p\n",
       "Design rule file line 3: the grid must be positive", true},
      {"devices(\n symContactDevice(\n  ( c via d metal1 d metal2 d 0.6 )\n ) ;s\n) ;d\n",
       "Design rule file line 3: symContactDevice entries are", true},
      {"spacingRules(\n ) ;spacingRules\n", "Design rule file line 1: syntax error at \"spacingRules\"", true},
      {"physicalRules(\n spacingRules(\n  ( minWidth metal1 3.0 )\n ) ;s\n", "Design rule file line 5: syntax error at the end of the file", true},
      {"; nothing but a comment\n", "Design rule file line 2: no section in the file", true},
      {"", "Design rule file line 1: no section in the file", true},
      {"physicalRules(\n mfgGridResolution(\n  ( 1e-4 )\n ) ;g\n) ;p\n",
       "Dummy layer spacing 5 um is 50000 grid steps, out of range", false},
  };
  ASSERT_EQ(vendor(2, spacing("( minWidth metal1 0.6 )\n")), 1);
  std::string before = tables();
  for (const Case& c : cases) {
    for (int variant : {1, 2}) {
      if (variant == 1 && !c.firstVariantToo)
        continue;
      SCOPED_TRACE(std::to_string(variant) + ": " + c.text);
      ui.messages.clear();
      EXPECT_EQ(vendor(variant, c.text), 0);
      EXPECT_EQ(tables(), before);
      EXPECT_TRUE(ui.saw('E', c.message)) << ui.lastLine();
    }
  }
}

TEST_F(VendorReader, LongNamesAndDeepNestingAreRefused)
{
  std::string before = tables();
  std::string longName(64, 'm');
  EXPECT_EQ(vendor(2, spacing("( minWidth " + longName + " 0.6 )\n")), 0);
  EXPECT_TRUE(ui.saw('E', "line 4: name \"mmmmmmmmmmmmmmmmmmmm...\" is longer than 63"));
  std::string deep = spacing(std::string(5000, '(') + std::string(5000, ')') + "\n");
  EXPECT_EQ(vendor(2, deep), 0);
  EXPECT_TRUE(ui.saw('E', "lists nested too deep"));
  EXPECT_EQ(tables(), before);
  EXPECT_EQ(vendor(2, spacing("( minWidth " + std::string(63, 'm') + " 0.6 )\n")), 1);
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
  for (const CIFtoCADENCElayers& entry : CifToCadence) {
    EXPECT_STRNE(entry.cadenceLayer, "lonely");
    EXPECT_STRNE(entry.cadenceLayer, "metal5");
    EXPECT_STRNE(entry.cadenceLayer, "metal9");
  }
}

TEST_F(RuleTest, BadBridgeFilesKeepTheBridge)
{
  ASSERT_EQ(bridge("metal1 drawing CMF\n"), 1);
  std::string before = tables();
  std::string many;
  for (int i = 0; i < 33; ++i)
    many += "metal1 drawing CMS\n";
  struct Case {
    std::string text;
    const char* message;
  } cases[] = {
      {"metal2 drawing CMS\n" + std::string(64, 'x') + " drawing CMF\n",
       "Bridge file line 2: name xxxxxxxxxxxxxxxxxxxx... is longer than 63 characters"},
      {"metal2 drawing CMS\nmetal3 drawing CMT " + std::string(190, ' ') + "\n",
       "Bridge file line 2: longer than 200 characters"},
      {many, "Bridge file line 33: more than 32 entries for layer metal1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(bridge(c.text), 0);
    EXPECT_TRUE(ui.saw('E', c.message)) << ui.lastLine();
    EXPECT_EQ(tables(), before);
  }
}

TEST_F(RuleTest, OlderFormatFilesCellsAndFlags)
{
  ASSERT_EQ(older("[1,99] before any section is skipped\n"
                  "WIDTH\n[3,40] comment\n[31,7]\n"
                  "EXTENSION\n[2,5,-3]\n"
                  "SPACING\n[5,2,12]\n[0,31,4]\n"),
            1);
  EXPECT_EQ(WIDTH[3], 40);
  EXPECT_EQ(WIDTH[31], 7);
  EXPECT_EQ(WIDTH_VALID[3] + WIDTH_VALID[31], 2);
  EXPECT_EQ(WIDTH_VALID[1], 0);
  EXPECT_EQ(EXTENSION[2][5], -3);
  EXPECT_EQ(EXTENSION_VALID[2][5], 1);
  EXPECT_EQ(SPACING[5][2], 12);
  EXPECT_EQ(SPACING_VALID[5][2], 1);
  EXPECT_EQ(SPACING[0][31], 4);
  EXPECT_EQ(SPACING_VALID[2][5], 0);  // one direction only
  EXPECT_EQ(SPACING[1][20], 0);       // not the old a * 10 + b cell
}

TEST_F(RuleTest, BadOlderFilesKeepTheTables)
{
  ASSERT_EQ(older("W\n[3,40]\n"), 1);
  std::string before = tables();
  struct Case {
    std::string text;
    const char* message;
  } cases[] = {
      {"W\n[4,10]\n[32,10]\n", "line 3: [32,10] is no width"},
      {"W\n[4,40000]\n", "line 2: [4,40000] is no width"},
      {"W\n[4,-1]\n", "line 2: [4,-1] is no width"},
      {"S\n[4,4]\n", "line 2: [4,4] is no spacing"},
      {"S\n[4,4,-5]\n", "line 2: [4,4,-5] is no spacing"},
      {"E\n[4,x,5]\n", "line 2: [4,x,5] is no extension"},
      {"E\n[4,99999999999999999999,5]\n", "line 2: [4,99999999999999999999,5] is no extension"},
      {"E\n[4,5,-40000]\n", "line 2: [4,5,-40000] is no extension"},
      {"W\n[4,10]\n" + std::string(1024, 'x') + "\n", "line 3: longer than 1023 characters"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ui.messages.clear();
    EXPECT_EQ(older(c.text), 0);
    EXPECT_TRUE(ui.saw('E', std::string("Design rule file ") + c.message)) << ui.lastLine();
    EXPECT_EQ(tables(), before);
  }
}

}  // namespace
