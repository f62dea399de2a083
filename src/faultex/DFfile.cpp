// The fault files: one open at a time, with its running total weight.
#include "DFfault.h"

#include <cstring>
#include <string>

#include "DEextract.h"
#include "Dglobal.h"
#include "Dlayout.h"

namespace {

constexpr int kModule = 6;

struct FaultFile {
  FILE* stream = nullptr;
  char name[64] = "";
  int faultClass = 0;
  long total = 0;
};
FaultFile theFile;

std::string fileName(int layer, int faultClass)
{
  char name[64];
  switch (faultClass) {
    case kBridgeClass:
      if (layer < 0)
        return "Bridges.flt";
      snprintf(name, sizeof name, "layer%d.sht", layer);
      return name;
    case kPinholeClass:
      if (layer < 0)
        return "Pinholes.flt";
      snprintf(name, sizeof name, "layer%d.pin", layer);
      return name;
    default:
      if (layer < 0)
        return "Breaks.flt";
      snprintf(name, sizeof name, "layer%d.opn", layer);
      return name;
  }
}

void writeShorts(FILE* out)
{
  for (_DshortFault* f = FaultTable.FShortList; f; f = f->next) {
    fputs("bridge ( ", out);
    for (int i = 0; i < f->fshort->nnets; ++i) {
      const char* name = DExNetName(f->fshort->nets[i]);
      if (name)
        fprintf(out, "%s ", name);
      else
        fprintf(out, "n%d ", f->fshort->nets[i]);
    }
    fprintf(out, ") %d\n", f->fweight);
    theFile.total += f->fweight;
  }
}

// Two-part opens get a line "open (n<net>, <first part's transistors>) w"
// and are counted; every open adds to the total.
void writeOpens(FILE* out)
{
  for (_DopenFault* f = FaultTable.FOpenList; f; f = f->next) {
    theFile.total += f->fweight;
    if (f->fopen->nparts != 2)
      continue;
    std::string line = "open (n" + std::to_string(f->fopen->net) + ", ";
    const _DfpinList& first = f->fopen->pinlist[0];
    for (int i = 0; i < first.ngates; ++i)
      line += std::to_string(first.gateno[i]) + " ";
    line.back() = ')';  // the last blank gives way to the bracket
    fprintf(out, "%s %d\n", line.c_str(), f->fweight);
    DFsortOpens(f, 0);
  }
}

}  // namespace

/*
 * DFflushFault --
 *   With `keep` 0: closes the open fault file, printing its total (and for
 *   opens the statistics).  Otherwise writes the fault table of the class
 *   to the file of `layer`, creating it on the first flush of a run.
 */
void DFflushFault(int layer, int faultClass, int keep)
{
  if (keep == 0) {
    if (!theFile.stream)
      return;
    fclose(theFile.stream);
    theFile.stream = nullptr;
    common::errf("\nTotal fault weight(critical area): %ld.\n", theFile.total);
    if (theFile.faultClass == kOpenClass)
      DFsortOpens(nullptr, 1);
    return;
  }
  if (!theFile.stream) {
    theFile.total = 0;
    theFile.faultClass = faultClass;
    std::string name = fileName(layer, faultClass);
    theFile.stream = fopen(name.c_str(), "w");
    snprintf(theFile.name, sizeof theFile.name, "%s", name.c_str());
    if (!theFile.stream) {
      GCmessage(kModule, 'F', "File open error");
      common::abandonAction(1);
    }
  }
  if (faultClass == kOpenClass)
    writeOpens(theFile.stream);
  else
    writeShorts(theFile.stream);
  fflush(theFile.stream);
}

/*
 * DFdropFaultFile --
 *   Closes the open fault file without its total and removes it: an
 *   abandoned run leaves no partial list behind.
 */
void DFdropFaultFile()
{
  if (!theFile.stream)
    return;
  fclose(theFile.stream);
  theFile.stream = nullptr;
  remove(theFile.name);
}
