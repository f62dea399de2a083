// What the squeeze benchmarks share: a quiet core with a CIF layout and the
// example process's rules loaded.
#pragma once

#include <cstdio>
#include <string>

#include "CS.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dmenu.h"

namespace bench {

// Starts the core with its printing captured into `printed`, and loads
// `cif` and the example rules of the tree `source`.  False after a
// message on standard error (naming `program`) when one cannot be loaded.
inline bool loadForSqueeze(const char* program, const char* cif, const std::string& source,
                           std::string* printed)
{
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
  if (accept(kAcceptLoadCif, cif) && accept(kAcceptBridge, source + "/examples/example.bridge") &&
      accept(kAcceptCadence2, source + "/examples/example_rules.tf"))
    return true;
  common::captureOutput(nullptr, nullptr);
  fprintf(stderr, "%s: cannot load %s or the example rules\n%s", program, cif, printed->c_str());
  return false;
}

}  // namespace bench
