// The rule tables and their collection twins: clearing, the bridge's
// technology side, the dummy layer, the conversion into grid units, the
// listing, and the saved state that a refused file puts back.
#include "DRdesignrule.h"

#include <cmath>
#include <cstring>

#include "DRstate.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"

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

namespace designrule {

SourceLines sourceLines;

std::unique_ptr<Snapshot> saveState()
{
  auto saved = std::make_unique<Snapshot>();
  memcpy(saved->bridge, CifToCadence, sizeof CifToCadence);
  memcpy(saved->width[0], WIDTH, sizeof WIDTH);
  memcpy(saved->width[1], WIDTH_VALID, sizeof WIDTH_VALID);
  memcpy(saved->spacing[0], SPACING, sizeof SPACING);
  memcpy(saved->spacing[1], SPACING_VALID, sizeof SPACING_VALID);
  memcpy(saved->extension[0], EXTENSION, sizeof EXTENSION);
  memcpy(saved->extension[1], EXTENSION_VALID, sizeof EXTENSION_VALID);
  memcpy(saved->tran[0], TRAN_WIDTH, sizeof TRAN_WIDTH);
  memcpy(saved->tran[1], TRAN_WIDTH_VALID, sizeof TRAN_WIDTH_VALID);
  memcpy(saved->tran[2], TRAN_LENGTH, sizeof TRAN_LENGTH);
  memcpy(saved->tran[3], TRAN_LENGTH_VALID, sizeof TRAN_LENGTH_VALID);
  memcpy(saved->tempWidth, TEMP_WIDTH, sizeof TEMP_WIDTH);
  memcpy(saved->tempSpacing, TEMP_SPACING, sizeof TEMP_SPACING);
  memcpy(saved->tempExtension, TEMP_EXTENSION, sizeof TEMP_EXTENSION);
  memcpy(saved->tempTran[0], TEMP_TRAN_WIDTH, sizeof TEMP_TRAN_WIDTH);
  memcpy(saved->tempTran[1], TEMP_TRAN_LENGTH, sizeof TEMP_TRAN_LENGTH);
  saved->lines = sourceLines;
  saved->lambdaT1 = LAMBDA_T1;
  saved->lambdaT2 = LAMBDA_T2;
  return saved;
}

void restoreState(const Snapshot& saved)
{
  memcpy(CifToCadence, saved.bridge, sizeof CifToCadence);
  memcpy(WIDTH, saved.width[0], sizeof WIDTH);
  memcpy(WIDTH_VALID, saved.width[1], sizeof WIDTH_VALID);
  memcpy(SPACING, saved.spacing[0], sizeof SPACING);
  memcpy(SPACING_VALID, saved.spacing[1], sizeof SPACING_VALID);
  memcpy(EXTENSION, saved.extension[0], sizeof EXTENSION);
  memcpy(EXTENSION_VALID, saved.extension[1], sizeof EXTENSION_VALID);
  memcpy(TRAN_WIDTH, saved.tran[0], sizeof TRAN_WIDTH);
  memcpy(TRAN_WIDTH_VALID, saved.tran[1], sizeof TRAN_WIDTH_VALID);
  memcpy(TRAN_LENGTH, saved.tran[2], sizeof TRAN_LENGTH);
  memcpy(TRAN_LENGTH_VALID, saved.tran[3], sizeof TRAN_LENGTH_VALID);
  memcpy(TEMP_WIDTH, saved.tempWidth, sizeof TEMP_WIDTH);
  memcpy(TEMP_SPACING, saved.tempSpacing, sizeof TEMP_SPACING);
  memcpy(TEMP_EXTENSION, saved.tempExtension, sizeof TEMP_EXTENSION);
  memcpy(TEMP_TRAN_WIDTH, saved.tempTran[0], sizeof TEMP_TRAN_WIDTH);
  memcpy(TEMP_TRAN_LENGTH, saved.tempTran[1], sizeof TEMP_TRAN_LENGTH);
  sourceLines = saved.lines;
  LAMBDA_T1 = saved.lambdaT1;
  LAMBDA_T2 = saved.lambdaT2;
}

int slotsOf(const char* name, int slots[kRuleLayers])
{
  int count = 0;
  if (!name || !*name)
    return 0;
  for (int i = 0; i < kRuleLayers; ++i) {
    if (strcmp(CifToCadence[i].cadenceLayer, name) == 0)
      slots[count++] = i;
  }
  return count;
}

}  // namespace designrule

using designrule::kModule;
using designrule::sourceLines;

void DRinitTempWidth()
{
  memset(TEMP_WIDTH, 0, sizeof TEMP_WIDTH);
  memset(sourceLines.width, 0, sizeof sourceLines.width);
}

void DRinitTempSpacing()
{
  memset(TEMP_SPACING, 0, sizeof TEMP_SPACING);
  memset(sourceLines.spacing, 0, sizeof sourceLines.spacing);
}

void DRinitTempExtension()
{
  memset(TEMP_EXTENSION, 0, sizeof TEMP_EXTENSION);
  memset(sourceLines.extension, 0, sizeof sourceLines.extension);
}

void DRinitWidth()
{
  memset(WIDTH, 0, sizeof WIDTH);
  memset(WIDTH_VALID, 0, sizeof WIDTH_VALID);
}

void DRinitSpacing()
{
  memset(SPACING, 0, sizeof SPACING);
  memset(SPACING_VALID, 0, sizeof SPACING_VALID);
}

void DRinitExtension()
{
  memset(EXTENSION, 0, sizeof EXTENSION);
  memset(EXTENSION_VALID, 0, sizeof EXTENSION_VALID);
}

// The transistor minima, collected and converted, with their flags.
void DRinitTranWidthLength()
{
  memset(TEMP_TRAN_WIDTH, 0, sizeof TEMP_TRAN_WIDTH);
  memset(TEMP_TRAN_LENGTH, 0, sizeof TEMP_TRAN_LENGTH);
  memset(sourceLines.tranWidth, 0, sizeof sourceLines.tranWidth);
  memset(sourceLines.tranLength, 0, sizeof sourceLines.tranLength);
  memset(TRAN_WIDTH, 0, sizeof TRAN_WIDTH);
  memset(TRAN_WIDTH_VALID, 0, sizeof TRAN_WIDTH_VALID);
  memset(TRAN_LENGTH, 0, sizeof TRAN_LENGTH);
  memset(TRAN_LENGTH_VALID, 0, sizeof TRAN_LENGTH_VALID);
}

/* DRclearAllRules -- clears the collection tables, the rule tables and all flags. */
void DRclearAllRules()
{
  DRinitTempWidth();
  DRinitTempSpacing();
  DRinitTempExtension();
  DRinitWidth();
  DRinitSpacing();
  DRinitExtension();
  DRinitTranWidthLength();
}

/*
 * DRgetCifLayers --
 *   Fills the technology side of the bridge from the layer table: slot i
 *   gets the name and number of layer i.  The vendor side stays.
 */
void DRgetCifLayers(CIFtoCADENCElayers* bridge, _layerDef* layers)
{
  for (int i = 0; i < kRuleLayers; ++i) {
    snprintf(bridge[i].cif, sizeof bridge[i].cif, "%s", layers[i].name);
    bridge[i].layerNum = layers[i].layer;
    common::outf("layer %d :%s, %d\n", i, layers[i].name, layers[i].layer);
  }
}

/*
 * DRgetDummyConstraint --
 *   Rules of the dummy layer, the first bridge slot named "XYZ": width
 *   0.3 um and 5 um of spacing to and from every named slot.  Nothing when
 *   the bridge has no such slot.
 */
void DRgetDummyConstraint()
{
  int dummy = -1;
  for (int i = 0; i < kRuleLayers && dummy < 0; ++i) {
    if (strcmp(CifToCadence[i].cif, "XYZ") == 0)
      dummy = i;
  }
  if (dummy < 0)
    return;
  TEMP_WIDTH[dummy] = 0.3;
  WIDTH_VALID[dummy] = 1;
  for (int j = 0; j < kRuleLayers; ++j) {
    if (CifToCadence[j].cif[0] == '\0')
      continue;
    TEMP_SPACING[dummy][j] = TEMP_SPACING[j][dummy] = 5.0;
    SPACING_VALID[dummy][j] = SPACING_VALID[j][dummy] = 1;
  }
}

namespace {

// One collected value in grid units; false when the 16-bit table cannot
// hold it.
bool toGrid(double micrometres, int16_t* grid)
{
  double units = std::round(micrometres / LAMBDA_T2);
  if (!std::isfinite(units) || units > INT16_MAX || units < INT16_MIN)
    return false;
  *grid = static_cast<int16_t>(units);
  return true;
}

// Converts n collected values; reports the first that does not fit.
bool convert(const double* from, int16_t* to, const int* lines, int n, const char* table)
{
  for (int i = 0; i < n; ++i) {
    if (toGrid(from[i], &to[i]))
      continue;
    if (lines[i] > 0)
      GCmessage(kModule, 'E', "Design rule file line %d: %s %g um is %g grid steps, out of range",
                lines[i], table, from[i], from[i] / LAMBDA_T2);
    else
      GCmessage(kModule, 'E', "Dummy layer %s %g um is %g grid steps, out of range", table,
                from[i], from[i] / LAMBDA_T2);
    return false;
  }
  return true;
}

}  // namespace

/*
 * DRupdateDrule --
 *   Converts every collected value (micrometres) into the rule tables in
 *   steps of LAMBDA_T2, halves away from zero.  The flags stay as they are.
 * Returns: 1; 0 after a message naming the line when a value does not fit
 *   the 16-bit tables (the rule tables are then left unchanged).
 */
int DRupdateDrule()
{
  auto saved = designrule::saveState();
  bool ok = convert(TEMP_WIDTH, WIDTH, sourceLines.width, kRuleLayers, "width") &&
            convert(&TEMP_SPACING[0][0], &SPACING[0][0], &sourceLines.spacing[0][0],
                    kRuleLayers * kRuleLayers, "spacing") &&
            convert(&TEMP_EXTENSION[0][0], &EXTENSION[0][0], &sourceLines.extension[0][0],
                    kRuleLayers * kRuleLayers, "extension") &&
            convert(TEMP_TRAN_WIDTH, TRAN_WIDTH, sourceLines.tranWidth, kTranKinds,
                    "transistor width") &&
            convert(TEMP_TRAN_LENGTH, TRAN_LENGTH, sourceLines.tranLength, kTranKinds,
                    "transistor length");
  if (!ok)
    designrule::restoreState(*saved);
  return ok ? 1 : 0;
}

namespace {

// One table entry: its value when in force, " . " when not.
void printEntry(int value, int valid)
{
  if (valid == 1)
    common::outf("%2d ", value);
  else
    common::outf(" . ");
}

void printSquare(int16_t table[kRuleLayers][kRuleLayers],
                 int16_t valid[kRuleLayers][kRuleLayers], int n)
{
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j)
      printEntry(table[i][j], valid[i][j]);
    common::outf(" %s\n", Glayers[i].name);
  }
}

}  // namespace

/*
 * DRcheckDesRule --
 *   Prints the width, extension and spacing tables up to the highest slot
 *   with a non-zero width, on standard output.
 */
int DRcheckDesRule()
{
  int n = 0;
  for (int i = 0; i < kRuleLayers; ++i) {
    if (WIDTH[i] != 0)
      n = i + 1;
  }
  common::outf("WIDTH:\n");
  for (int i = 0; i < n; ++i)
    printEntry(WIDTH[i], WIDTH_VALID[i]);
  common::outf("\n\n");
  common::outf("EXTENSION: \n");
  printSquare(EXTENSION, EXTENSION_VALID, n);
  common::outf("\nSPACING: \n");
  printSquare(SPACING, SPACING_VALID, n);
  common::outf("\n");
  return 0;
}
