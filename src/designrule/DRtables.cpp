// The rule tables and their collection twins.
#include "DRdesignrule.h"

int16_t WIDTH[kRuleLayers];
int16_t WIDTH_VALID[kRuleLayers];
int16_t SPACING[kRuleLayers][kRuleLayers];
int16_t SPACING_VALID[kRuleLayers][kRuleLayers];
int16_t EXTENSION[kRuleLayers][kRuleLayers];
int16_t EXTENSION_VALID[kRuleLayers][kRuleLayers];
int16_t TRAN_WIDTH[kTranKinds];
int16_t TRAN_WIDTH_VALID[kTranKinds];
int16_t TRAN_LENGTH[kTranKinds];
int16_t TRAN_LENGTH_VALID[kTranKinds];

double TEMP_WIDTH[kRuleLayers];
double TEMP_SPACING[kRuleLayers][kRuleLayers];
double TEMP_EXTENSION[kRuleLayers][kRuleLayers];
double TEMP_TRAN_WIDTH[kTranKinds];
double TEMP_TRAN_LENGTH[kTranKinds];

double LAMBDA_T2 = 0.1;
int design_rule_file = 0;

CIFtoCADENCElayers CifToCadence[kRuleLayers];
