// The technology tables and the filing of parsed rules into them.
#include "DTtechnology.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "Dglobal.h"

_layerDef Glayers[kLayerSlots];
int GlayerNum = 0;
_Delement Delement[kMaxDefinitions];
int DelementNum = 0;
_Dconnect Dconnect[kMaxDefinitions];
int DconNum = 0;
_LX_IND_DEF_ LXindDefinition[kMaxDefinitions];
int LXindDefNum = 0;
_CX_CAPDEFINITION_ CXcapDefinition[kMaxDefinitions];
int CXcapDefNum = 0;
_RX_RESDEFINITION_ RXresDefinition[kMaxDefinitions];
int RXresDefNum = 0;

int theMinDefectSize = 0;
int theMaxDefectSize = 0;
int theStep = 0;
int theDefectScale = 0;

namespace {

constexpr int kGroupLength = 64;     // characters of theGroup
constexpr int kMaxLayerDefs = kLayerSlots - 1;  // the last entry stays empty
constexpr int kFirstMask8 = 5;       // layer index from which mask is 8
constexpr int kFirstMask16 = 7;      // layer index from which mask is 16

struct TechState {
  char theGroup[kGroupLength] = "";
  std::vector<std::string> items;  // items of the rule being read
};
TechState state;

bool fits(const std::string& word, int size) { return static_cast<int>(word.size()) < size; }

// Copies `word` into a fixed name field that is known to be large enough.
template <size_t N>
void setName(char (&field)[N], const std::string& word)
{
  memset(field, 0, N);
  memcpy(field, word.data(), std::min(word.size(), N - 1));
}

/*
 * namesFit --
 *   True when the rule name and every item fit their table fields.
 * Side effects: reports the first name that is too long (kind E).
 */
bool namesFit(const char* rule, int nameSize, int itemSize, size_t maxItems)
{
  if (!fits(rule, nameSize)) {
    GCmessage(3, 'E', "Name %s too long in technology file (at most %d characters), rule dropped",
              rule, nameSize - 1);
    return false;
  }
  if (state.items.size() > maxItems) {
    GCmessage(3, 'E', "Rule %s has more than %zu names in technology file, rule dropped", rule,
              maxItems);
    return false;
  }
  for (const std::string& item : state.items) {
    if (!fits(item, itemSize)) {
      GCmessage(3, 'E',
                "Name %s too long in technology file (at most %d characters), rule %s dropped",
                item.c_str(), itemSize - 1, rule);
      return false;
    }
  }
  return true;
}

bool tableFull(int count, const char* what, const char* rule)
{
  if (count < kMaxDefinitions)
    return false;
  GCmessage(3, 'E', "Too many %s in technology file (at most %d), %s dropped", what,
            kMaxDefinitions, rule);
  return true;
}

void fileLayer(const char* rule)
{
  if (GlayerNum >= kMaxLayerDefs) {
    GCmessage(3, 'E', "Too many layers in technology file (at most %d), %s dropped",
              kMaxLayerDefs, rule);
    return;
  }
  if (state.items.size() < 2) {
    GCmessage(3, 'E', "Layer %s needs a colour and a pattern in technology file", rule);
    return;
  }
  if (!namesFit(rule, kLayerNameLength, kLayerNameLength, kDefLayers))
    return;
  int i = GlayerNum;
  _layerDef& def = Glayers[i];
  setName(def.name, rule);
  setName(def.color, state.items[0]);
  setName(def.pattern, state.items[1]);
  def.layer = i;
  def.fillmode = 1;
  def.showswitch = 1;
  def.priority = i;
  def.mask = i < kFirstMask8 ? 7 : i < kFirstMask16 ? 8 : 16;
  techc::releaseGC(def.gc);
  def.gc = nullptr;
  def.gc = DIlayerGC(def.color, def.pattern, &def.pixmap, def.fillmode);
  ++GlayerNum;
}

// Fills a name and layer list: elements and the three passive kinds.
template <class Def>
void fileDefinition(Def* table, int* count, const char* what, const char* rule)
{
  if (tableFull(*count, what, rule) || !namesFit(rule, kDefNameLength, kDefNameLength, kDefLayers))
    return;
  Def& def = table[*count];
  memset(&def, 0, sizeof def);
  setName(def.name, rule);
  def.layerNum = static_cast<int>(state.items.size());
  for (size_t k = 0; k < state.items.size(); ++k)
    setName(def.layers[k], state.items[k]);
  ++*count;
}

void filePorts(const char* rule)
{
  for (int e = 0; e < DelementNum; ++e) {
    _Delement& element = Delement[e];
    if (strcmp(element.name, rule) != 0)
      continue;
    if (!namesFit(rule, kDefNameLength, kDefNameLength, kDefLayers))
      return;
    memset(element.portlayers, 0, sizeof element.portlayers);
    element.portLayerNum = static_cast<int>(state.items.size());
    for (size_t k = 0; k < state.items.size(); ++k)
      setName(element.portlayers[k], state.items[k]);
    return;
  }
}

void fileConnection(const char* rule)
{
  if (state.items.size() < 3) {
    GCmessage(3, 'E', "Connection %s error in technology file", rule);
    return;
  }
  if (tableFull(DconNum, "connections", rule) ||
      !namesFit(rule, kDefNameLength, kDefNameLength, kDefLayers))
    return;
  _Dconnect& con = Dconnect[DconNum];
  setName(con.name, rule);
  setName(con.lowerLayer, state.items[0]);
  setName(con.conLayer, state.items[1]);
  setName(con.upperLayer, state.items[2]);
  ++DconNum;
}

}  // namespace

void DTrdInit()
{
  GlayerNum = 0;
  DelementNum = 0;
  DconNum = 0;
  CXcapDefNum = 0;
  LXindDefNum = 0;
  RXresDefNum = 0;
  state.items.clear();
}

void DTrdGroup(const char* keyword)
{
  snprintf(state.theGroup, sizeof state.theGroup, "%s", keyword);
}

void DTrdList(const char* item) { state.items.emplace_back(item); }

/*
 * DTrdRule --
 *   Files the rule `name` with the items read since the last rule under the
 *   current group, then forgets the items.  A rule before any group keyword
 *   of a fresh program is ignored.
 */
void DTrdRule(const char* name)
{
  // The items go with the rule, also when its filing is abandoned.
  struct ForgetItems {
    ~ForgetItems() { state.items.clear(); }
  } forget;
  const char* group = state.theGroup;
  if (state.items.empty())
    GCmessage(3, 'E', "Empty rule %s in technology file", name);
  else if (strcmp(group, "layers:") == 0)
    fileLayer(name);
  else if (strcmp(group, "elements:") == 0)
    fileDefinition(Delement, &DelementNum, "elements", name);
  else if (strcmp(group, "ports:") == 0)
    filePorts(name);
  else if (strcmp(group, "connections:") == 0)
    fileConnection(name);
  else if (strcmp(group, "inductors:") == 0)
    fileDefinition(LXindDefinition, &LXindDefNum, "inductors", name);
  else if (strcmp(group, "capacitors:") == 0)
    fileDefinition(CXcapDefinition, &CXcapDefNum, "capacitors", name);
  else if (strcmp(group, "resistors:") == 0)
    fileDefinition(RXresDefinition, &RXresDefNum, "resistors", name);
}

namespace techc {
// Forgets the current group: a fresh program files no rule before a keyword.
void resetGroup() { state.theGroup[0] = '\0'; }
}  // namespace techc

namespace techc {

struct TablesSetAside::Tables {
  _layerDef layers[kLayerSlots];
  int layerNum;
  _Delement elements[kMaxDefinitions];
  int elementNum;
  _Dconnect contacts[kMaxDefinitions];
  int contactNum;
  _LX_IND_DEF_ inductors[kMaxDefinitions];
  int inductorNum;
  _CX_CAPDEFINITION_ capacitors[kMaxDefinitions];
  int capacitorNum;
  _RX_RESDEFINITION_ resistors[kMaxDefinitions];
  int resistorNum;
  char group[kGroupLength];
};

// Copies the definition tables, their counts and the group into `t` (save)
// or back from it.
static void copyDefinitions(TablesSetAside::Tables& t, bool save)
{
  auto copy = [save](void* global, void* kept, size_t bytes) {
    memcpy(save ? kept : global, save ? global : kept, bytes);
  };
  copy(Delement, t.elements, sizeof t.elements);
  copy(&DelementNum, &t.elementNum, sizeof t.elementNum);
  copy(Dconnect, t.contacts, sizeof t.contacts);
  copy(&DconNum, &t.contactNum, sizeof t.contactNum);
  copy(LXindDefinition, t.inductors, sizeof t.inductors);
  copy(&LXindDefNum, &t.inductorNum, sizeof t.inductorNum);
  copy(CXcapDefinition, t.capacitors, sizeof t.capacitors);
  copy(&CXcapDefNum, &t.capacitorNum, sizeof t.capacitorNum);
  copy(RXresDefinition, t.resistors, sizeof t.resistors);
  copy(&RXresDefNum, &t.resistorNum, sizeof t.resistorNum);
  copy(state.theGroup, t.group, sizeof t.group);
}

TablesSetAside::TablesSetAside() : saved_(std::make_unique<Tables>())
{
  std::copy(Glayers, Glayers + kLayerSlots, saved_->layers);
  saved_->layerNum = GlayerNum;
  copyDefinitions(*saved_, true);
}

TablesSetAside::~TablesSetAside()
{
  if (committed_)
    return;
  const Tables& t = *saved_;
  // The read refilled the layers below GlayerNum, and perhaps the one it
  // was filing when abandoned: their old contexts are gone and the new ones
  // go; the old ones are made again from the old colours and patterns,
  // which loaded before.
  for (int i = 0; i < kLayerSlots; ++i) {
    bool refilled = i < GlayerNum || Glayers[i].gc != t.layers[i].gc;
    if (refilled)
      releaseGC(Glayers[i].gc);
    Glayers[i] = t.layers[i];
    if (!refilled || !t.layers[i].gc)
      continue;
    Glayers[i].gc = nullptr;
    try {
      Glayers[i].gc = DIlayerGC(t.layers[i].color, t.layers[i].pattern, &Glayers[i].pixmap,
                                t.layers[i].fillmode);
    } catch (const common::OperationAborted&) {
      // Cannot happen for a layer that loaded before; the layer is drawn
      // without a context.
    }
  }
  GlayerNum = t.layerNum;
  copyDefinitions(*saved_, false);
  state.items.clear();
}

}  // namespace techc
