// Helpers of the design rule tests.
#include "RuleSupport.h"

#include <cstdio>
#include <cstring>

#include "DTtechnology.h"
#include "Dlayout.h"

namespace designrule_test {

void RuleTest::SetUp()
{
  PlaneTest::SetUp();
  DIcolorInit();
  DItechInit();
  memset(CifToCadence, 0, sizeof CifToCadence);
  DRgetCifLayers(CifToCadence, Glayers);
  DRclearAllRules();
  LAMBDA_T2 = 0.1;
  design_rule_file = 0;
  out.clear();
}

void RuleTest::TearDown()
{
  DRclearAllRules();
  memset(CifToCadence, 0, sizeof CifToCadence);
  LAMBDA_T2 = 0.1;
  PlaneTest::TearDown();
}

namespace {

int readWith(const std::string& path, int variant)
{
  FILE* in = fopen(path.c_str(), "r");
  EXPECT_NE(in, nullptr) << path;
  if (!in)
    return -1;
  int (*const readers[])(FILE*) = {DRparseBridge, DRparseCadenceDesRule1, DRparseCadenceDesRule2,
                                   ReadDesignRules};
  int result = readers[variant](in);
  fclose(in);
  return result;
}

}  // namespace

int RuleTest::bridge(const std::string& text)
{
  return readWith(scratch.write("rules.bridge", text), 0);
}

int RuleTest::vendor(int variant, const std::string& text)
{
  return readWith(scratch.write("rules.tf", text), variant);
}

int RuleTest::older(const std::string& text)
{
  return readWith(scratch.write("rules.old", text), 3);
}

int RuleTest::readFile(int reader, const std::string& path)
{
  return readWith(testing_support::sourcePath(path), reader);
}

int RuleTest::slot(const char* layer)
{
  for (int i = 0; i < GlayerNum; ++i)
    if (strcmp(Glayers[i].name, layer) == 0)
      return Glayers[i].layer;
  return -1;
}

std::string RuleTest::tables()
{
  std::string text;
  // Entries that are not zero, as "name[i]=value/flag".
  auto add = [&text](const char* name, const int16_t* values, const int16_t* flags, int n) {
    for (int i = 0; i < n; ++i)
      if (values[i] || flags[i])
        text += std::string(name) + "[" + std::to_string(i) + "]=" + std::to_string(values[i]) +
                "/" + std::to_string(flags[i]) + " ";
  };
  add("W", WIDTH, WIDTH_VALID, kRuleLayers);
  add("S", &SPACING[0][0], &SPACING_VALID[0][0], kRuleLayers * kRuleLayers);
  add("E", &EXTENSION[0][0], &EXTENSION_VALID[0][0], kRuleLayers * kRuleLayers);
  add("TW", TRAN_WIDTH, TRAN_WIDTH_VALID, kTranKinds);
  add("TL", TRAN_LENGTH, TRAN_LENGTH_VALID, kTranKinds);
  for (const CIFtoCADENCElayers& entry : CifToCadence)
    text += std::string(entry.cadenceLayer) + "/" + entry.purpose + " ";
  char grids[64];
  snprintf(grids, sizeof grids, "\n%g %g\n", LAMBDA_T1, LAMBDA_T2);
  return text + grids;
}

}  // namespace designrule_test
