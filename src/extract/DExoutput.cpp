// The netlist file "circuit.net" and the net check.
#include "DEextract.h"

#include <cstdio>
#include <string>

#include "DExstate.h"
#include "DTtechnology.h"
#include "Dglobal.h"

namespace {

constexpr size_t kWriteChunk = size_t{1} << 20;  // bytes gathered before a write

// Appends one net of a netlist line: its name, or "n" and its number.
void appendNet(std::string* line, const char* before, long net, const char* after)
{
  char text[kNetNameLength + 32];
  const char* name = DExNetName(net);
  if (name)
    snprintf(text, sizeof text, "%s%s%s", before, name, after);
  else
    snprintf(text, sizeof text, "%sn%ld%s", before, net, after);
  line->append(text);
}

}  // namespace

/*
 * DExOutput --
 *   Writes "circuit.net": one line per transistor, element by element and
 *   newest first, "<number> <element> w=<width>u l=<length>u (<gate>
 *   <source> <drain>)", a net by its name when labels are shown and it has
 *   one, else as "n<number>".
 */
int DExOutput()
{
  FILE* file = fopen("circuit.net", "w");
  if (!file) {
    GCmessage(extract::kModule, 'E', "File open error");
    return 1;
  }
  std::string text;
  text.reserve(kWriteChunk + 512);
  bool failed = false;
  for (int e = 0; Transistors && e < DelementNum; ++e) {
    for (const _Dtransistor* t = Transistors[e]; t; t = t->next) {
      char number[32], size[96];
      snprintf(number, sizeof number, "%d ", t->number);
      snprintf(size, sizeof size, " w=%.2fu l=%.2fu ", static_cast<double>(t->width),
               static_cast<double>(t->length));
      text.append(number).append(Delement[e].name).append(size);
      appendNet(&text, "(", t->gate, " ");
      appendNet(&text, "", t->source, " ");
      appendNet(&text, "", t->drain, ")\n");
      if (text.size() < kWriteChunk)
        continue;
      failed = failed || fwrite(text.data(), 1, text.size(), file) != text.size();
      text.clear();
    }
  }
  failed = failed || fwrite(text.data(), 1, text.size(), file) != text.size();
  failed = fclose(file) != 0 || failed;
  if (failed) {
    GCmessage(extract::kModule, 'E', "File write error");
    return 1;
  }
  GCmessage(extract::kModule, 'M', "The file circuit.net is created");
  return 0;
}

/*
 * DExVerifyNets --
 *   Checks that every tile of every net is material; each space tile is
 *   named on standard output.
 * Side effects: when a net holds space, the extraction is released and the
 *   action abandoned.
 */
int DExVerifyNets()
{
  int first = 0;
  for (const _Dnet* net = Nets; net; net = net->next) {
    for (const _Dtilelist* n = net->tilelist; n; n = n->next) {
      if (TisSolid(n->tile))
        continue;
      common::outf(" DExVerifyNets.c: Net %d contains space tile \n", net->node);
      if (!first)
        first = net->node;
    }
  }
  if (!first)
    return 0;
  GCmessage(extract::kModule, 'F', "Net %d contains space tile", first);
  extract::releaseExtraction();
  common::abandonAction(1);
}
