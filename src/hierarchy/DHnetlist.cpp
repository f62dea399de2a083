// Pins on the nets, and the SIM netlist "netlist_subpyxis" of the groups
// for the subcircuit matcher.
#include "DHhierarchy.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

#include "CS.h"
#include "DHstate.h"
#include "Dglobal.h"
#include "Dlayout.h"

namespace {

constexpr size_t kWriteChunk = size_t{1} << 20;  // bytes gathered before a write
constexpr char kNetlistFile[] = "netlist_subpyxis";

// The net whose tiles carry `node`, through the name hash.
_Dnet* netNamed(int node)
{
  char name[32];
  snprintf(name, sizeof name, "n%d", node);
  _DListNet* found = FindNetPosinHash(name);
  return found ? found->net : nullptr;
}

// The tile under a pin in the plane of its layer, or null.  The search
// starts where the last one of that plane ended (`hints`, by plane entry):
// pins come in file order, near one another.
_Dtile* tileUnder(const _pin* pin, std::unordered_map<const _Dtile*, _Dtile*>* hints)
{
  if (!pin->layername || std::abs(pin->x) > cs::kLimit || std::abs(pin->y) > cs::kLimit)
    return nullptr;
  _Dtile* entry = NamedLayerTile(pin->layername);
  if (!entry)
    return nullptr;
  _Dtile*& hint = (*hints)[entry];
  Stitch = hint ? hint : entry;
  hint = PointFind(pin->x, pin->y);
  return hint;
}

// True when the pin already heads the net's list among its pins.
bool attached(const List<_Conn_Elem>& list, const _pin* pin)
{
  for (const _Conn_Elem& entry : list) {
    if (entry.type != elemPIN)
      return false;
    if (entry.element == pin)
      return true;
  }
  return false;
}

// A label that the netlist can carry as one word.
bool usableLabel(const char* label)
{
  if (!label || !*label)
    return false;
  for (const char* c = label; *c; ++c)
    if (static_cast<unsigned char>(*c) <= ' ')
      return false;
  return true;
}

// Label of the first pin of every net, by net number (null: none).
std::vector<const char*> pinLabels()
{
  int highest = 0;
  for (const _Dnet* net = Nets; net; net = net->next)
    highest = std::max(highest, net->node);
  std::vector<const char*> labels(static_cast<size_t>(highest) + 1, nullptr);
  for (const _Dnet* net = Nets; net; net = net->next) {
    if (!net->connElemList || net->node <= 0)
      continue;
    for (const _Conn_Elem& entry : *net->connElemList) {
      if (entry.type != elemPIN)
        continue;
      const _pin* pin = static_cast<const _pin*>(entry.element);
      if (usableLabel(pin->label))
        labels[static_cast<size_t>(net->node)] = pin->label;
      break;
    }
  }
  return labels;
}

// One net of a group's line: its pin's label, "net<number>", or for a
// terminal on no net a name of its own, so that it meets nothing.
void appendNumber(std::string* text, long number)
{
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  text->append(digits, end);
}

void appendNet(std::string* line, const std::vector<const char*>& labels, long node,
               int group, char terminal)
{
  if (node <= 0 || static_cast<size_t>(node) >= labels.size()) {
    line->append(" open_");
    appendNumber(line, group);
    line->append("_").push_back(terminal);
    return;
  }
  if (labels[static_cast<size_t>(node)]) {
    line->append(" ").append(labels[static_cast<size_t>(node)]);
    return;
  }
  line->append(" net");
  appendNumber(line, node);
}

}  // namespace

/*
 * AttachPinsToNets --
 *   For every pin, the tile at its point in the plane of its layer gives
 *   the net "n<node>"; an elemPIN entry goes to the front of that net's
 *   connection list.  A pin on a layer without a plane or on a tile of no
 *   net is left out; a pin already attached is not attached again.
 * Side effects: the pins' tile; Stitch is kept.
 */
int AttachPinsToNets()
{
  _Dtile* current = Stitch;
  std::unordered_map<const _Dtile*, _Dtile*> hints;
  for (_pin* pin = Gpin; pin; pin = pin->next) {
    _Dtile* tile = tileUnder(pin, &hints);
    if (!tile || tile->node <= 0)
      continue;
    _Dnet* net = netNamed(tile->node);
    if (!net)
      continue;
    pin->tile = tile;
    if (!net->connElemList)
      net->connElemList = new List<_Conn_Elem>;
    if (!attached(*net->connElemList, pin))
      net->connElemList->prepend(_Conn_Elem{elemPIN, pin});
  }
  Stitch = current;
  return 0;
}

/*
 * WriteSubpyxisNetlist --
 *   Writes "netlist_subpyxis": the header "|", an empty line, then per
 *   group "mn_<id>" (n-type first finger) or "mp_<id>" with its gate,
 *   source and drain nets, each as the label of the net's first pin or
 *   "net<number>".
 */
int WriteSubpyxisNetlist()
{
  FILE* file = fopen(kNetlistFile, "w");
  if (!file) {
    GCmessage(hierarchy::kModule, 'E', "Cannot write the file %s", kNetlistFile);
    return 1;
  }
  const std::vector<const char*> labels = pinLabels();
  std::string text = "|\n\n";
  bool failed = false;
  for (ListItr<MultiFingerTran*> at = MFTList ? MFTList->first() : ListItr<MultiFingerTran*>();
       !at.isPastEnd(); at.advance()) {
    const MultiFingerTran* group = at.retrieve();
    if (group->tranList.isEmpty())
      continue;
    const _Dtransistor* first = group->tranList.first().retrieve();
    text.append(first->type ? "mn_" : "mp_");
    appendNumber(&text, group->id);
    appendNet(&text, labels, group->gate, group->id, 'g');
    appendNet(&text, labels, group->source, group->id, 's');
    appendNet(&text, labels, group->drain, group->id, 'd');
    text.append("\n");
    if (text.size() < kWriteChunk)
      continue;
    failed = failed || fwrite(text.data(), 1, text.size(), file) != text.size();
    text.clear();
  }
  failed = failed || fwrite(text.data(), 1, text.size(), file) != text.size();
  failed = (fclose(file) != 0) || failed;
  if (failed) {
    GCmessage(hierarchy::kModule, 'E', "Cannot write the file %s", kNetlistFile);
    return 1;
  }
  return 0;
}
