// The dialog dispatcher: what happens when a file dialog or a value prompt
// is confirmed.
#include "Dmenu.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "CS.h"
#include "CXcapacitor.h"
#include "DEextract.h"
#include "DFfault.h"
#include "DHhierarchy.h"
#include "DRdesignrule.h"
#include "DSsymmetry.h"
#include "DTtechnology.h"
#include "DUsize.h"
#include "DYyield.h"
#include "Dcif.h"
#include "Dgds.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dview.h"
#include "LXinductor.h"
#include "RXresistor.h"
#include "VCvia.h"

using callback::Outcome;

namespace {

constexpr int kModule = 4;  // message module of the dialog callbacks

FILE* openForReading(const std::string& name) { return fopen(name.c_str(), "r"); }

Outcome cannotOpen(const std::string& name, const char* format)
{
  GCmessage(kModule, 'E', format, name.c_str());
  return Outcome::KeepDialog;
}

// Parses the CIF stream in cifin into a fresh layout database.
bool parseCif()
{
  rewind(cifin);
  ACinit();
  GCmessage(kModule, 'P', "Parsing CIF .....");
  return CIFparse() == 0;
}

Outcome readCif(const std::string& name)
{
  cifin = openForReading(name);
  if (!cifin)
    return cannotOpen(name, "Cann't open the file %s");
  cif::LayoutSetAside previous;  // back when the file is refused
  if (!parseCif()) {
    GCmessage(kModule, 'L', "CIF file format error");
    return Outcome::Failed;
  }
  previous.commit();
  GCmessage(kModule, 'L', "Load CIF file OK");
  if (Glayout)
    ACdispall(Vmain, Glayout, Gsymbols);
  return Outcome::Done;
}

// The analysis chain after a layout was read and flattened: planes,
// circuit, passive devices, pins, groups, the matcher netlist and the view.
void analyse(const char* lastLine)
{
  GCsmash();
  DCcrtCS();
  if (VIA_CONTACT_REMOVAL > 0) {
    VCinit();
    VCdetect();
  }
  DExCir();
  DExVerifyNets();
  GCmessage(kModule, 'M', "Extracted Circuit OK");
  if (PROCESS_INCLUDE_PASSIVE)
    CXcapacitorExtract();
  if (PROCESS_INCLUDE_INDUCTOR)
    LXinductorExtract();
  if (PROCESS_INCLUDE_PASSIVE)
    RXresistorExtract();
  textualDeviceSizeInput = 0;
  DExCirPassive();
  AttachPinsToNets();
  DExVerifyNets();
  clusterTransistors();
  testClusterTransistors();
  WriteSubpyxisNetlist();
  DVfit();
  GCmessage(kModule, 'L', "%s", lastLine);
}

// Reads a CIF file and runs the whole analysis chain on it.
Outcome loadCif(const std::string& name)
{
  // A file that does not open, read or flatten leaves the loaded layout,
  // its name, its planes and its circuit as they were.
  struct NameBack {
    std::string name = OriginalCiffile;
    bool wanted = true;
    ~NameBack()
    {
      if (wanted)
        snprintf(OriginalCiffile, sizeof OriginalCiffile, "%s", name.c_str());
    }
  } nameBack;
  snprintf(OriginalCiffile, sizeof OriginalCiffile, "%s", name.c_str());
  cifin = openForReading(name);
  if (!cifin)
    return cannotOpen(name, "Cann't open the file %s");
  cif::LayoutSetAside previous;
  if (!parseCif()) {
    GCmessage(kModule, 'L', "CIF file format error");
    return Outcome::Failed;
  }
  GCmessage(kModule, 'M', "Read CIF file OK");
  GCflatten();
  GCfreeCS();
  previous.commit();
  nameBack.wanted = false;
  analyse("Read CIF file OK");
  return Outcome::Done;
}

// Reads a GDSII file whole; the layout database is not touched yet.  Null,
// after the messages, when the file cannot be opened or is refused.
gds::PendingLayout readStream(const std::string& name, Outcome* outcome)
{
  std::unique_ptr<FILE, int (*)(FILE*)> in(fopen(name.c_str(), "rb"), fclose);
  if (!in) {
    *outcome = cannotOpen(name, "Cann't open the file %s");
    return nullptr;
  }
  GCmessage(kModule, 'P', "Reading GDSII .....");
  gds::PendingLayout layout = gds::readStream(in.get(), name);
  if (!layout) {
    GCmessage(kModule, 'L', "GDSII file format error");
    *outcome = Outcome::Failed;
  }
  return layout;
}

Outcome readGds(const std::string& name)
{
  Outcome outcome = Outcome::Done;
  gds::PendingLayout layout = readStream(name, &outcome);
  if (!layout)
    return outcome;
  gds::install(std::move(layout));
  GCmessage(kModule, 'L', "Load GDSII file OK");
  if (Glayout)
    ACdispall(Vmain, Glayout, Gsymbols);
  return Outcome::Done;
}

// Reads a GDSII file and runs the analysis chain of a CIF load on it; a
// refused file leaves the previous layout and its analysis in place.
Outcome loadGds(const std::string& name)
{
  Outcome outcome = Outcome::Done;
  gds::PendingLayout layout = readStream(name, &outcome);
  if (!layout)
    return outcome;
  snprintf(OriginalCiffile, sizeof OriginalCiffile, "%s", name.c_str());
  GCfreeCS();
  gds::install(std::move(layout));
  GCmessage(kModule, 'M', "Read GDSII file OK");
  GCflatten();
  analyse("Read GDSII file OK");
  return Outcome::Done;
}

Outcome readGdsMap(const std::string& name)
{
  if (!gds::readLayerMap(name))
    return Outcome::Failed;
  GCmessage(kModule, 'M', "Load GDSII layer map OK");
  return Outcome::Done;
}

Outcome readTechnology(const std::string& name)
{
  techin = openForReading(name);
  if (!techin)
    return cannotOpen(name, "Cann't open the file %s");
  rewind(techin);
  techc::TablesSetAside previous;  // back when the file is refused
  DTrdInit();
  GCmessage(kModule, 'M', "Parsing TECH .....");
  common::frontEnd().flushDisplay();
  if (TECHparse() != 0) {
    GCmessage(kModule, 'M', "Technology file format error");
    return Outcome::Failed;
  }
  previous.commit();
  common::frontEnd().layerPanelChanged();
  GCmessage(kModule, 'M', "Load technology file OK");
  return Outcome::Done;
}

Outcome readDesignRules(const std::string& name)
{
  common::outf("\nINPUT_DESIGN_RULE_FILE is %s\n", name.c_str());
  FILE* in = openForReading(name);
  if (!in)
    return cannotOpen(name, "Can't open the file %s");
  rewind(in);
  GCmessage(kModule, 'M', "Reading Design rule file..");
  common::frontEnd().flushDisplay();
  int ok = ReadDesignRules(in);
  fclose(in);
  if (!ok) {
    GCmessage(kModule, 'M', "design rule file format error");
    return Outcome::Failed;
  }
  GCmessage(kModule, 'M', "Load design rule file OK");
  return Outcome::Done;
}

Outcome readSymmetryCheck(const std::string& name)
{
  dchecksymin = openForReading(name);
  if (!dchecksymin)
    return cannotOpen(name, "Cann't open the file %s");
  rewind(dchecksymin);
  DSrdInit();
  GCmessage(kModule, 'M', "Parsing Symmetry Check input file..");
  common::frontEnd().flushDisplay();
  bool ok = SYMparse() == 0;
  GCmessage(kModule, 'M', ok ? "Load sym-check file OK" : "Symmetry-check file format error");
  CallSymmteryDetection();
  return ok ? Outcome::Done : Outcome::Failed;
}

// Codes 18 to 21: the bridge file, the foreign design rules, the sizes.
Outcome readAuxiliary(int code, const std::string& name)
{
  static const char* const announce[] = {
      "Tech - cadence bridge file is: %s\n", "Tech - Cadence design rule file is: %s\n",
      "Tech - Cadence design rule file is: %s\n", "Transistors size file is: %s\n"};
  static const char* const parsing[] = {
      "Parsing the bridge file.....", "Parsing the cadence design rule file.....",
      "Parsing the cadence design rule file.....", "Parsing the Transistors Sizes file....."};
  int k = code - kAcceptBridge;
  common::outf(announce[k], name.c_str());
  FILE* in = openForReading(name);
  if (!in)
    return cannotOpen(name, "Can't open file: %s\n");
  // Closed also when a reader abandons the action.
  std::unique_ptr<FILE, int (*)(FILE*)> file(in, fclose);
  rewind(in);
  bool ok = true;
  switch (code) {
    case kAcceptBridge:
      ok = DRparseBridge(in) != 0;
      break;
    case kAcceptCadence1:
    case kAcceptCadence2:
      ok = (code == kAcceptCadence1 ? DRparseCadenceDesRule1(in) : DRparseCadenceDesRule2(in)) != 0;
      if (ok)
        DRcheckDesRule();
      break;
    default: {
      transSizeFile = in;
      struct Forget {
        ~Forget() { transSizeFile = nullptr; }
      } forget;
      ok = UStransSizeParse() != 0;
      break;
    }
  }
  file.reset();
  GCmessage(kModule, 'M', "%s", parsing[k]);
  common::frontEnd().flushDisplay();
  return ok ? Outcome::Done : Outcome::Failed;
}

// The typed number of a value prompt; 0 (also for text that is no number)
// is refused.
bool typedValue(const std::string& text, float* value)
{
  *value = static_cast<float>(atof(text.c_str()));
  if (*value != 0)
    return true;
  GCmessage(kModule, 'E', "Input wrong, change cancelled");
  return false;
}

Outcome setLayerValue(int code, const std::string& text)
{
  int active = DFactiveIndex();
  if (active < 0) {
    GCmessage(kModule, 'F', "No active layer, check DIacceptCB()");
    common::abandonAction(1);
  }
  float value;
  if (!typedValue(text, &value))
    return Outcome::Failed;
  _layerDef& layer = Glayers[cs::layerIndexOfPlane(active)];
  switch (code) {
    case kAcceptX0: layer.X0 = value; break;
    case kAcceptD0: layer.D0 = value; break;
    case kAcceptAlfa: layer.alfa = value; break;
    default: layer.Y0 = value; break;
  }
  return Outcome::Done;
}

// The scale bar takes a new limit; the scale's value follows it into the
// new range, as the bar's own value does.
void limitScale(bool maximum, int value)
{
  const int before = theDefectScale;
  techc::setDefectScaleLimit(maximum, value);
  common::frontEnd().defectScaleLimit(maximum, value);
  if (theDefectScale != before)
    common::frontEnd().defectScaleMoved(theDefectScale);
}

Outcome setDefectSize(int code, const std::string& text)
{
  float value;
  if (!typedValue(text, &value))
    return Outcome::Failed;
  int size = static_cast<int>(value * theGlobalScale);
  switch (code) {
    case kAcceptMaxSize:
      theMaxDefectSize = size;
      limitScale(true, 10 * size / theGlobalScale);
      break;
    case kAcceptMinSize:
      theMinDefectSize = size;
      limitScale(false, 10 * size / theGlobalScale);
      break;
    default:
      theStep = size;
      break;
  }
  return Outcome::Done;
}

Outcome setDensity(int code, const std::string& text)
{
  float value;
  if (!typedValue(text, &value))
    return Outcome::Failed;
  if (code == kAcceptDensityMin)
    Fdensity.minimum = value;
  else if (code == kAcceptDensityMax)
    Fdensity.maximum = value;
  else
    Fdensity.step = value;
  return Outcome::Done;
}

Outcome findNet(const std::string& text)
{
  long number = atol(text.c_str());
  if (number == 0)
    GCmessage(kModule, 'E', "Input wrong");
  DExSearchNet(number);
  return number == 0 ? Outcome::Failed : Outcome::Done;
}

Outcome dispatch(int code, const std::string& text)
{
  switch (code) {
    case kAcceptReadCif: return readCif(text);
    case kAcceptTech: return readTechnology(text);
    case kAcceptDesignRule: return readDesignRules(text);
    case kAcceptLoadCif: return loadCif(text);
    case kAcceptSymmetry: return readSymmetryCheck(text);
    case kAcceptBridge:
    case kAcceptCadence1:
    case kAcceptCadence2:
    case kAcceptTransSize: return readAuxiliary(code, text);
    case kAcceptX0:
    case kAcceptD0:
    case kAcceptAlfa:
    case kAcceptY0: return setLayerValue(code, text);
    case kAcceptMaxSize:
    case kAcceptMinSize:
    case kAcceptStep: return setDefectSize(code, text);
    case kAcceptDensityMin:
    case kAcceptDensityMax:
    case kAcceptDensityStep: return setDensity(code, text);
    case kAcceptDefIO: {
      std::string name = text;
      DExDefIO(&name[0]);
      return Outcome::Done;
    }
    case kAcceptNameNet: {
      std::string name = text;
      DExNameNet(&name[0]);
      return Outcome::Done;
    }
    case kAcceptFindNet: return findNet(text);
    case kAcceptReadGds: return readGds(text);
    case kAcceptLoadGds: return loadGds(text);
    case kAcceptGdsMap: return readGdsMap(text);
    default: return Outcome::Done;
  }
}

}  // namespace

namespace callback {

/*
 * accept --
 *   The dialog dispatcher, for accept codes 0 to 24 and the dialog's text.
 * Returns: KeepDialog when the named file could not be opened (the dialog
 *   stays up, bound to the same code); Failed when the file or value was
 *   refused; Abandoned when the data made the action impossible.
 */
Outcome accept(int code, const char* text)
{
  PROCESS_INCLUDE_PASSIVE = common::presetValue(PROCESS_INCLUDE_PASSIVE, 1);
  PROCESS_INCLUDE_INDUCTOR = common::presetValue(PROCESS_INCLUDE_INDUCTOR, 1);
  common::ActionScope scope;
  try {
    return dispatch(code, text ? text : "");
  } catch (const common::OperationAborted&) {
    GCmessage(kModule, 'L', "The action was abandoned");
    return Outcome::Abandoned;
  }
}

}  // namespace callback
