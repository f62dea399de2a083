// DRstate.h -- state shared by the readers of src/designrule.
#pragma once

#include <memory>

#include "DRdesignrule.h"

namespace designrule {

constexpr int kModule = 3;  // message module of the design rules

// Line of the file that filed each collected value (0: none), so that a
// value the tables cannot hold is reported with its line.
struct SourceLines {
  int width[kRuleLayers];
  int spacing[kRuleLayers][kRuleLayers];
  int extension[kRuleLayers][kRuleLayers];
  int tranWidth[kTranKinds];
  int tranLength[kTranKinds];
};
extern SourceLines sourceLines;

// Everything a reader may change: the bridge, the rule tables, the
// collection tables, their lines and the two grids.  A reader saves it
// before it starts and puts it back when the file is refused.
struct Snapshot {
  CIFtoCADENCElayers bridge[kRuleLayers];
  int16_t width[2][kRuleLayers];
  int16_t spacing[2][kRuleLayers][kRuleLayers];
  int16_t extension[2][kRuleLayers][kRuleLayers];
  int16_t tran[4][kTranKinds];
  double tempWidth[kRuleLayers];
  double tempSpacing[kRuleLayers][kRuleLayers];
  double tempExtension[kRuleLayers][kRuleLayers];
  double tempTran[2][kTranKinds];
  SourceLines lines;
  double lambdaT1;
  double lambdaT2;
};
std::unique_ptr<Snapshot> saveState();
void restoreState(const Snapshot& saved);

// Slots whose bridge entry names the vendor layer `name` (none for "").
int slotsOf(const char* name, int slots[kRuleLayers]);

}  // namespace designrule
