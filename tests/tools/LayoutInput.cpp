// Reading the check programs' inputs through the workbench.
#include "LayoutInput.h"

#include <cstdio>
#include <cstdlib>

#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "Dcif.h"
#include "Dglobal.h"
#include "Dinit.h"
#include "Dlayout.h"
#include "Dmenu.h"

namespace layout_check {

namespace {

std::string accepted(int code, const std::string& path, const char* what)
{
  switch (callback::accept(code, path.c_str())) {
    case callback::Outcome::Done: return "";
    case callback::Outcome::KeepDialog: return "cannot open " + path;
    default: return std::string("cannot read the ") + what + " " + path;
  }
}

}  // namespace

void startCore(std::string* log)
{
  setenv("SYSRC", QUORIN_SOURCE_DIR "/lib/sysrc", 0);
  GCresetGlobals();
  Silently = 1;
  common::captureOutput(log, log);
  init::startHeadless(false);
  ACcifMode = CifMode::Full;
}

std::string loadTechnology(const std::string& path)
{
  return accepted(kAcceptTech, path, "technology file");
}

std::string loadRules(const std::string& bridge, const std::string& rules)
{
  DRgetCifLayers(CifToCadence, Glayers);
  std::string why = accepted(kAcceptBridge, bridge, "layer bridge");
  return why.empty() ? accepted(kAcceptCadence2, rules, "rule file") : why;
}

std::string readLayers(const std::string& cif, Layers* layers)
{
  cifin = fopen(cif.c_str(), "r");
  if (!cifin)
    return "cannot open " + cif;
  common::ActionScope scope;
  try {
    ACinit();
    if (CIFparse() != 0)
      return "CIF syntax error in " + cif;
    GCflatten();
  } catch (const common::OperationAborted&) {
    return "the layout " + cif + " cannot be read";
  }
  if (!Gflatten)
    return "no layout in " + cif;
  *layers = flattenedLayers();
  return "";
}

Layers flattenedLayers()
{
  Layers layers(kSlots);
  for (int l = 0; Gflatten && l < kSlots; ++l)
    if (_symbol* s = Gflatten->symbol[l])
      for (_rects* r = s->rect; r; r = r->next)
        if (r->x1 < r->x2 && r->y1 < r->y2)
          layers[l].push_back({r->x1, r->y1, r->x2, r->y2});
  return layers;
}

}  // namespace layout_check
