// Filing the rules of the vendor technology file into the collection
// tables.  Layer names are the vendor's: a rule reaches every slot whose
// bridge entry names that vendor layer.  Values are micrometres; the first
// variant (design_rule_file 100) takes only the grid and the transistor
// minima, the second (200) everything.
#include <cstring>

#include "DRdesignrule.h"
#include "DRstate.h"
#include "Dlayout.h"

using designrule::slotsOf;
using designrule::sourceLines;

namespace {

bool secondVariant() { return design_rule_file == 200; }

// Keeps `value` in a collected entry when the entry is not above it.
void raise(double* entry, int16_t* valid, int* line, double value)
{
  if (*entry <= value) {
    *entry = value;
    *valid = 1;
    *line = drline;
  }
}

void setExtension(int i, int j, double value)
{
  TEMP_EXTENSION[i][j] = value;
  EXTENSION_VALID[i][j] = 1;
  sourceLines.extension[i][j] = drline;
}

}  // namespace

/*
 * DRrdSpacing --
 *   Files one entry of "spacingRules": minWidth on every slot of layer1,
 *   minSpacing both ways between the slots of the two layers (keeping the
 *   larger value), minEnclosure (kept when larger or negative) and
 *   minExtension (always) of the slots of layer1 beyond those of layer2.
 *   Other rules are dropped.
 */
void DRrdSpacing(const char* rule, const char* layer1, const char* layer2, double value)
{
  if (!secondVariant())
    return;
  int first[kRuleLayers], second[kRuleLayers];
  int n1 = slotsOf(layer1, first);
  int n2 = slotsOf(layer2, second);
  if (strcmp(rule, "minWidth") == 0) {
    for (int a = 0; a < n1; ++a) {
      int i = first[a];
      raise(&TEMP_WIDTH[i], &WIDTH_VALID[i], &sourceLines.width[i], value);
    }
    return;
  }
  bool spacing = strcmp(rule, "minSpacing") == 0;
  bool enclosure = strcmp(rule, "minEnclosure") == 0;
  bool extension = strcmp(rule, "minExtension") == 0;
  for (int a = 0; a < n1; ++a) {
    for (int b = 0; b < n2; ++b) {
      int i = first[a], j = second[b];
      if (spacing && TEMP_SPACING[i][j] <= value) {
        TEMP_SPACING[i][j] = TEMP_SPACING[j][i] = value;
        SPACING_VALID[i][j] = SPACING_VALID[j][i] = 1;
        sourceLines.spacing[i][j] = sourceLines.spacing[j][i] = drline;
      } else if ((enclosure && (value < 0 || TEMP_EXTENSION[i][j] <= value)) || extension) {
        setExtension(i, j, value);
      }
    }
  }
}

/* DRrdGrid -- the grid: of the CIF input (first variant) or of the rules. */
void DRrdGrid(double value)
{
  if (!(value > 0))
    return;
  if (secondVariant())
    LAMBDA_T2 = value;
  else
    LAMBDA_T1 = value;
}

/*
 * DRrdSymContact --
 *   A contact device: the cut's width, and the enclosures of the cut by the
 *   two layers, each kept when larger than what was collected.  The length
 *   is not used.  Second variant only.
 */
void DRrdSymContact(const char* via, const char* layer1, const char* layer2, double width,
                    double /*length*/, double enc1, double enc2)
{
  if (!secondVariant())
    return;
  int cuts[kRuleLayers], first[kRuleLayers], second[kRuleLayers];
  int nc = slotsOf(via, cuts);
  int n1 = slotsOf(layer1, first);
  int n2 = slotsOf(layer2, second);
  for (int k = 0; k < nc; ++k) {
    int c = cuts[k];
    raise(&TEMP_WIDTH[c], &WIDTH_VALID[c], &sourceLines.width[c], width);
    for (int a = 0; a < n1; ++a) {
      int i = first[a];
      raise(&TEMP_EXTENSION[i][c], &EXTENSION_VALID[i][c], &sourceLines.extension[i][c], enc1);
    }
    for (int b = 0; b < n2; ++b) {
      int i = second[b];
      raise(&TEMP_EXTENSION[i][c], &EXTENSION_VALID[i][c], &sourceLines.extension[i][c], enc2);
    }
  }
}

/*
 * DRrdEnhanceDev --
 *   The enhancement transistor: in the second variant the extensions of
 *   active beyond poly, poly beyond active and the implant beyond active;
 *   in both variants the minimum width and length of transistor kind 0.
 *   Each is kept when larger than what was collected.
 */
void DRrdEnhanceDev(const char* active, const char* poly, double width, double length,
                    double actExt, double polyExt, const char* implant, double imp_enclose)
{
  if (secondVariant()) {
    int actives[kRuleLayers], polys[kRuleLayers], implants[kRuleLayers];
    int na = slotsOf(active, actives);
    int np = slotsOf(poly, polys);
    int ni = slotsOf(implant, implants);
    for (int a = 0; a < na; ++a) {
      int i = actives[a];
      for (int p = 0; p < np; ++p) {
        int j = polys[p];
        raise(&TEMP_EXTENSION[i][j], &EXTENSION_VALID[i][j], &sourceLines.extension[i][j],
              actExt);
        raise(&TEMP_EXTENSION[j][i], &EXTENSION_VALID[j][i], &sourceLines.extension[j][i],
              polyExt);
      }
      for (int m = 0; m < ni; ++m) {
        int j = implants[m];
        raise(&TEMP_EXTENSION[j][i], &EXTENSION_VALID[j][i], &sourceLines.extension[j][i],
              imp_enclose);
      }
    }
  }
  raise(&TEMP_TRAN_WIDTH[0], &TRAN_WIDTH_VALID[0], &sourceLines.tranWidth[0], width);
  raise(&TEMP_TRAN_LENGTH[0], &TRAN_LENGTH_VALID[0], &sourceLines.tranLength[0], length);
}
