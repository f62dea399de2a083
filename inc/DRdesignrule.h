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

// ---------------------------------------------------------------------------
// Readers.  Each reads into the tables and keeps what was there before when
// the file turns out bad (syntax error, a name longer than its field, a
// number out of range): the message names the line and the reading is
// abandoned as a whole.
// ---------------------------------------------------------------------------

// Technology side of the bridge: slot i gets the name and number of layer i,
// printed as "layer %d :%s, %d".
struct _layerDef;
void DRgetCifLayers(CIFtoCADENCElayers* bridge, _layerDef* layers);

// Layer bridge file: lines "vendorLayer purpose technologyLayer"; "#" starts
// a comment line.  Returns 1 when read, 0 when refused.
int DRparseBridge(FILE* in);

// Vendor technology file, first variant (grid of the CIF input and the
// transistor minima) and second variant (all rules; replaces every rule).
// Return 1 when the file was read, 0 when it was refused.
int DRparseCadenceDesRule1(FILE* in);
int DRparseCadenceDesRule2(FILE* in);

// The parser under both variants: reads `drulein` from line `drline` = 1.
// Returns 0 on success, 1 on an error (reported through druleerror).
extern FILE* drulein;
extern int drline;
int DRULEparse(FILE* in);
void druleerror(const char* message);

// Older format: "W", "E", "S" sections of [a,v] and [a,b,v] words in grid
// units.  Returns non-zero on success; leaves the stream open.
int ReadDesignRules(FILE* in);

// Filing actions of the vendor parser (values in micrometres).  They act on
// the collection tables and flags according to `design_rule_file`; each
// remembers the line `drline` of what it files for the range check of
// DRupdateDrule.  DRrdGrid ignores a grid that is not positive.
void DRrdSpacing(const char* rule, const char* layer1, const char* layer2, double value);
void DRrdGrid(double value);
void DRrdSymContact(const char* via, const char* layer1, const char* layer2, double width,
                    double length, double enc1, double enc2);
void DRrdEnhanceDev(const char* active, const char* poly, double width, double length,
                    double actExt, double polyExt, const char* implant, double imp_enclose);

// Rules of the dummy layer "XYZ" (when the bridge has it).
void DRgetDummyConstraint();
// Collected micrometres into the rule tables (grid units of LAMBDA_T2,
// halves away from zero); flags stay.  Returns 1, or 0 after a message when
// a value does not fit the tables (the tables are then unchanged).
int DRupdateDrule();
// Prints the rule tables on standard output.
int DRcheckDesRule();

// Clearing.
void DRinitTempWidth();
void DRinitTempSpacing();
void DRinitTempExtension();
void DRinitWidth();
void DRinitSpacing();
void DRinitExtension();
void DRinitTranWidthLength();
void DRclearAllRules();
