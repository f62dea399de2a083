// DRdesignrule.h -- design rule files (src/designrule).
//
// The rule tables of the resizer and the readers that fill them: the layer
// bridge file, the vendor technology file (two variants) and the older
// width/extension/spacing format.  Tables are in grid units and indexed by
// layer slot (the `layer` number of the technology); a rule is in force only
// where its flag is 1.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr int kRuleLayers = 32;   // layer slots of the rule tables
constexpr int kTranKinds = 8;     // transistor kinds of TRAN_WIDTH, TRAN_LENGTH

// Rule tables; entry [r][c] is the rule of row layer r against column layer c.
extern int16_t WIDTH[kRuleLayers];
extern int16_t WIDTH_VALID[kRuleLayers];
extern int16_t SPACING[kRuleLayers][kRuleLayers];
extern int16_t SPACING_VALID[kRuleLayers][kRuleLayers];
extern int16_t EXTENSION[kRuleLayers][kRuleLayers];  // row layer beyond column layer
extern int16_t EXTENSION_VALID[kRuleLayers][kRuleLayers];
extern int16_t TRAN_WIDTH[kTranKinds];
extern int16_t TRAN_WIDTH_VALID[kTranKinds];
extern int16_t TRAN_LENGTH[kTranKinds];
extern int16_t TRAN_LENGTH_VALID[kTranKinds];

// Values collected in micrometres while a vendor file is read.
extern double TEMP_WIDTH[kRuleLayers];
extern double TEMP_SPACING[kRuleLayers][kRuleLayers];
extern double TEMP_EXTENSION[kRuleLayers][kRuleLayers];
extern double TEMP_TRAN_WIDTH[kTranKinds];
extern double TEMP_TRAN_LENGTH[kTranKinds];

extern double LAMBDA_T2;       // grid of the design rules, micrometres (0.1)
extern int design_rule_file;   // 100 or 200 while a vendor file is read

// The layer bridge: entry i describes layer slot i.
constexpr int kBridgeNameLength = 64;
struct CIFtoCADENCElayers {
  char cif[kBridgeNameLength];           // technology layer name
  int layerNum;                          // its layer number
  char cadenceLayer[kBridgeNameLength];  // the vendor's layer name
  char purpose[kBridgeNameLength];       // the vendor's purpose name
  int cadenceLayerNum;
};
using DRciftocadence = CIFtoCADENCElayers;
extern CIFtoCADENCElayers CifToCadence[kRuleLayers];

extern FILE* bridgein;            // stream of the layer bridge file
extern FILE* cadenceDesRuleFile;  // stream of a foreign design rule file

int ReadDesignRules(FILE* in);  // non-zero on success; leaves the stream open
int DRparseBridge();
int DRparseCadenceDesRule1();
int DRparseCadenceDesRule2();
int DRcheckDesRule();
