// Handlers of the shell: exit, editor, recording, dialogs, switches, panes,
// the active layer, the command line, and running a handler.
#include "Dmenu.h"

#include <wordexp.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CS.h"
#include "DFfault.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "DYyield.h"
#include "Dcif.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dview.h"

char CommandLine[kCommandLineLength];

namespace {

constexpr int kModule = 1;  // message module of the interface

const char* labelOf(void* client_data) { return static_cast<const char*>(client_data); }

// The "On"/"Off" switch handlers share this.
void setSwitch(void* client_data, int* flag, const char* what)
{
  const char* label = labelOf(client_data);
  if (!label)
    return;
  if (strcmp(label, "On") == 0) {
    *flag = 1;
    GCmessage(kModule, 'M', "%s turned on", what);
  } else if (strcmp(label, "Off") == 0) {
    *flag = 0;
    GCmessage(kModule, 'M', "%s turned off", what);
  }
}

// A value prompt that needs the active layer: its label, prompt text, code.
struct PromptRow {
  const char* label;
  const char* prompt;
  int code;
};
const PromptRow kLayerPrompts[] = {
    {"X0(SizeDistribution)", "Size Distribution Factor X0:", kAcceptX0},
    {"D0(DefectDensity)", "Defect Density D0:", kAcceptD0},
    {"Y0(ClusterFactor)", "Gross Cluster Factor Y0:", kAcceptY0},
    {"A(GammaParameter)", "Gamma Distribution Parameter A:", kAcceptAlfa},
    {"MaxSize", "The Maximum Defect Size:", kAcceptMaxSize},
    {"MinSize", "The Minimum Defect Size:", kAcceptMinSize},
    {"Step", "The Defect Growing Step:", kAcceptStep},
    {"Minimum", "The Minimum Defect Density:", kAcceptDensityMin},
    {"Maximum", "The Maximum Defect Density:", kAcceptDensityMax},
    {"Interval", "The Density Growing Step:", kAcceptDensityStep},
};
const PromptRow kTextPrompts[] = {
    {"Def_I/O", "Terminal Name:", kAcceptDefIO},
    {"NameNet", "Net Name:", kAcceptNameNet},
    {"FindNet", "Net Number:", kAcceptFindNet},
};

float currentValue(int code, const _layerDef& layer)
{
  switch (code) {
    case kAcceptX0: return layer.X0;
    case kAcceptD0: return layer.D0;
    case kAcceptY0: return layer.Y0;
    case kAcceptAlfa: return layer.alfa;
    case kAcceptMaxSize: return static_cast<float>(theMaxDefectSize / theGlobalScale);
    case kAcceptMinSize: return static_cast<float>(theMinDefectSize / theGlobalScale);
    case kAcceptStep: return static_cast<float>(theStep / theGlobalScale);
    case kAcceptDensityMin: return Fdensity.minimum;
    case kAcceptDensityMax: return Fdensity.maximum;
    default: return Fdensity.step;
  }
}

int layerIndexByName(const char* name)
{
  for (int i = 0; i < GlayerNum; ++i)
    if (strcmp(Glayers[i].name, name) == 0)
      return i;
  return -1;
}

}  // namespace

int DIexit() { common::endProcess(0); }

/*
 * DIeditor --
 *   Starts the editor and goes on without waiting for it; an editor that
 *   can not be started is reported.
 */
int DIeditor()
{
  std::string command = callback::editorCommand();
  std::vector<std::string> words;
  wordexp_t expanded;
  if (wordexp(command.c_str(), &expanded, WRDE_NOCMD) == 0) {
    for (size_t i = 0; i < expanded.we_wordc; ++i)
      words.push_back(expanded.we_wordv[i]);
    wordfree(&expanded);
  }
  std::string error = "the command can not be read";
  if (words.empty() || !common::startProgram(words, &error))
    GCmessage(kModule, 'E', "Can't start the editor %s: %s", command.c_str(), error.c_str());
  return 1;
}

int DIplayback() { return common::frontEnd().playback(); }

int DIstartPB()
{
  FStartPlaybackRecord = 1;
  return 0;
}

int DIendPB()
{
  FStartPlaybackRecord = 0;
  return 0;
}

void DIrdLayout(void*, void*, void*) { common::frontEnd().openFileDialog(kAcceptReadCif); }
void DIldLayout(void*, void*, void*) { common::frontEnd().openFileDialog(kAcceptLoadCif); }
void DIldTech(void*, void*, void*) { common::frontEnd().openFileDialog(kAcceptTech); }
void DIldSym(void*, void*, void*) { common::frontEnd().openFileDialog(kAcceptSymmetry); }
void DIldDesRule(void*, void*, void*) { common::frontEnd().openFileDialog(kAcceptDesignRule); }
void DRload(void*, void*, void*)
{
  DRgetCifLayers(CifToCadence, Glayers);
  common::frontEnd().openFileDialog(kAcceptBridge);
}
void DRloadCadenceDesRule1(void*, void*, void*)
{
  common::frontEnd().openFileDialog(kAcceptCadence1);
}
void DRloadCadenceDesRule2(void*, void*, void*)
{
  common::frontEnd().openFileDialog(kAcceptCadence2);
}
void UStransSizeFile(void*, void*, void*) { common::frontEnd().openFileDialog(kAcceptTransSize); }
void DIrdGds(void*, void*, void*) { common::frontEnd().openFileDialog(kAcceptReadGds); }
void DIldGds(void*, void*, void*) { common::frontEnd().openFileDialog(kAcceptLoadGds); }
void DIldGdsMap(void*, void*, void*) { common::frontEnd().openFileDialog(kAcceptGdsMap); }

/*
 * DIsetForm --
 *   The value prompt chosen by the label of the calling button.  A label the
 *   prompt does not know is a fault of the menu file: it is reported and the
 *   button does nothing.
 */
void DIsetForm(void*, void* client_data, void*)
{
  const char* label = labelOf(client_data);
  if (!label)
    label = "";
  for (const PromptRow& row : kTextPrompts) {
    if (strcmp(label, row.label) == 0) {
      common::frontEnd().openPrompt(row.code, row.prompt, "");
      return;
    }
  }
  int active = DFactiveIndex();
  if (active < 0) {
    GCmessage(kModule, 'W', "Select an active layer first");
    return;
  }
  for (const PromptRow& row : kLayerPrompts) {
    if (strcmp(label, row.label) == 0) {
      char text[64];
      const _layerDef& layer = Glayers[cs::layerIndexOfPlane(active)];
      snprintf(text, sizeof text, "%.4f", currentValue(row.code, layer));
      common::frontEnd().openPrompt(row.code, row.prompt, text);
      return;
    }
  }
  GCmessage(kModule, 'F', "Unchangable menu label changed");
  common::abandonAction(0);
}

void DIhswitch(void*, void* client_data, void*)
{
  setSwitch(client_data, &FsetHighlight, "Hightlight");
}
void DIsswitch(void*, void* client_data, void*)
{
  setSwitch(client_data, &FsetSelected, "Selected");
}
void DIlswitch(void*, void* client_data, void*)
{
  setSwitch(client_data, &FsetLabels, "Labels");
}

void DIcifMode(void*, void* client_data, void*)
{
  const char* label = labelOf(client_data);
  if (!label)
    return;
  if (strcmp(label, "Strict") == 0)
    ACcifMode = CifMode::Strict;
  else if (strcmp(label, "Full") == 0)
    ACcifMode = CifMode::Full;
  else
    return;
  GCmessage(kModule, 'M', "CIF is read in %s mode", ACmodeName(ACcifMode));
}

void DIcloseMess(void*, void*, void*) { common::frontEnd().setPaneOpen(kPaneMessage, false); }
void DIcloseComm(void*, void*, void*) { common::frontEnd().setPaneOpen(kPaneCommand, false); }
void DIclosePane(void*, void*, void*) { common::frontEnd().setPaneOpen(kPaneLayers, false); }
void DIopenMess(void*, void*, void*) { common::frontEnd().setPaneOpen(kPaneMessage, true); }
void DIopenComm(void*, void*, void*) { common::frontEnd().setPaneOpen(kPaneCommand, true); }
void DIopenPane(void*, void*, void*) { common::frontEnd().setPaneOpen(kPaneLayers, true); }

/*
 * DIsetActive --
 *   Makes the named layer the active one, when it has a tile plane.
 */
void DIsetActive(void*, void* client_data, void*)
{
  const char* name = labelOf(client_data);
  int index = name ? layerIndexByName(name) : -1;
  if (index < 0)
    return;
  _layerDef& layer = Glayers[index];
  _Dtile* plane = NamedLayerTile(layer.name);
  if (layer.active == 1) {
    if (plane)
      CurrentStitch = plane;
    GCmessage(kModule, 'M', "%s is already switched on", layer.name);
    return;
  }
  if (!plane) {
    GCmessage(kModule, 'E', "%s can not be actived", layer.name);
    return;
  }
  CurrentStitch = plane;
  for (int i = 0; i < GlayerNum; ++i) {
    if (Glayers[i].active == 1) {
      Glayers[i].active = 0;
      common::frontEnd().layerButtonChanged(i);
    }
  }
  layer.active = 1;
  common::frontEnd().layerButtonChanged(index);
  GCmessage(kModule, 'M', "%s is switched on", layer.name);
}

namespace callback {

void command(const char* text)
{
  if (!text) {
    GCmessage(kModule, 'W', "Zephra received a NULL string");
    return;
  }
  if (strlen(text) < kCommandLineLength)
    snprintf(CommandLine, sizeof CommandLine, "%s", text);
  GCmessage(kModule, 'M', "Zephra received a string: %s", text);
}

/*
 * run --
 *   Runs a handler as a menu button does: an Xt-style callback gets the
 *   label as client data, a string handler gets the label as its string.
 * Returns: Abandoned when the data made the action impossible.
 */
std::string editorCommand()
{
  std::string command;
  if (common::sysrcLine("Editor", &command))
    return command;
  for (const char* variable : {"VISUAL", "EDITOR"}) {
    const char* value = getenv(variable);
    if (value && *value)
      return value;
  }
  return "feditor";
}

int fitView()
{
  if (DlayerNum > 0) {
    FreeList(DlayerTile[0].highlight);
    DlayerTile[0].highlight = nullptr;
  }
  return DVfit();
}

Outcome run(const ActionHandler& handler, const char* label)
{
  std::string text = label ? label : "";
  common::ActionScope scope;
  try {
    if (handler.action)
      handler.action(nullptr, &text[0], nullptr);
    else if (handler.action1)
      handler.action1(&text[0]);
    else if (handler.action2)
      handler.action2();
    return Outcome::Done;
  } catch (const common::OperationAborted&) {
    GCmessage(kModule, 'L', "The action was abandoned");
    return Outcome::Abandoned;
  }
}

}  // namespace callback
