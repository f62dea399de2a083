// What the squeeze benchmarks share: a quiet core with a CIF layout and the
// example process's rules loaded.
#pragma once

#include <cstdio>
#include <string>

#include "CS.h"
#include "Dcif.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dmenu.h"

namespace bench {

// Starts the core with its printing captured into `printed`, and loads
// `cif` and the rules: the layer bridge and vendor rule file given, or the
// example rules of the tree `source`.  `full`: CIF read in full mode (the
// real layouts of other editors).  False after a message on standard error
// (naming `program`) when one cannot be loaded.
inline bool loadForSqueeze(const char* program, const char* cif, const std::string& source,
                           std::string* printed, bool full = false, std::string bridge = "",
                           std::string rules = "")
{
  if (bridge.empty())
    bridge = source + "/examples/example.bridge";
  if (rules.empty())
    rules = source + "/examples/example_rules.tf";
  GCresetGlobals();
  Silently = 1;
  GCmemInit();
  common::captureOutput(printed, printed);
  DIcolorInit();
  DItechInit();
  InitStitch();
  DRgetCifLayers(CifToCadence, Glayers);
  DRclearAllRules();
  auto accept = [](int code, const std::string& path) {
    return callback::accept(code, path.c_str()) == callback::Outcome::Done;
  };
  ACcifMode = full ? CifMode::Full : CifMode::Strict;
  if (accept(kAcceptLoadCif, cif) && accept(kAcceptBridge, bridge) && accept(kAcceptCadence2, rules))
    return true;
  common::captureOutput(nullptr, nullptr);
  fprintf(stderr, "%s: cannot load %s or the example rules\n%s", program, cif, printed->c_str());
  return false;
}

}  // namespace bench
