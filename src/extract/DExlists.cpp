// The extraction's globals and state, its reset and release, the plane
// helpers, the name hash, the net name table and the terminal lists.
#include "DEextract.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "DExstate.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dview.h"

_Dtransistor** Transistors = nullptr;
int TransNum = 0;
_Dnet* Nets = nullptr;
int NetsNum = 0;
_Dtilelist* NetTileList = nullptr;
_DnameTable* NetNameTable = nullptr;
_DtransList* TransList = nullptr;
int RecordTerm = 0;
_DHashTable* Hash = nullptr;

namespace extract {

namespace {

constexpr int kLabelReach = 50;  // layout units around a label's point

// The plane entry tile a hint was taken in, so a rebuilt plane drops it.
_Dtile* hintPlane[kMaxPlanes] = {};

_Dtile* startOf(int plane)
{
  State& s = state();
  _Dtile* entry = DlayerTile[plane].layertile;
  if (s.hints[plane] && hintPlane[plane] == entry)
    return s.hints[plane];
  hintPlane[plane] = entry;
  return entry;
}

int clampCoordinate(long v) { return static_cast<int>(std::min<long>(std::max<long>(v, cs::kMin), cs::kMax)); }

}  // namespace

State& state()
{
  static State* current = new State();  // lives as long as the program
  return *current;
}

NetFinder& netFinder()
{
  static NetFinder installed = nullptr;
  return installed;
}

void setNetFinder(NetFinder finder) { netFinder() = finder; }

int planeOfLayer(int layer)
{
  for (int i = 0; i < DlayerNum; ++i)
    if (DlayerTile[i].layer == layer && DlayerTile[i].layertile)
      return i;
  return -1;
}

int planeNamed(const char* name)
{
  for (int i = 0; i < DlayerNum; ++i)
    if (strcmp(DlayerTile[i].name, name) == 0 && DlayerTile[i].layertile)
      return i;
  return -1;
}

_Dtile* findIn(int plane, int x, int y)
{
  Stitch = startOf(plane);
  _Dtile* t = PointFind(x, y);
  state().hints[plane] = t;
  return t;
}

int enumIn(int plane, int x1, int y1, int x2, int y2, _Dtilelist** list)
{
  Stitch = startOf(plane);
  int n = AreaEnum(x1, y1, x2, y2, list, 0);
  state().hints[plane] = Stitch;
  return n;
}

void markTile(_Dtile* t, int colour)
{
  if (!t)
    return;
  DlayerTile[0].highlight = TileToList(DlayerTile[0].highlight, t);
  if (!Vmain)
    return;
  TestTile(t, colour);
  FlagTile(t, colour);
}

_Dtransistor* newTransistor() { return state().transistors.take(); }

_Dnet* newNet(int node, _Dtilelist* tiles)
{
  _Dnet* net = state().nets.take();
  snprintf(net->name, sizeof net->name, "%s%d", "n", node);
  net->node = node;
  net->tilelist = tiles;
  net->next = Nets;
  Nets = net;
  std::vector<_Dnet*>& byNumber = state().byNumber;
  if (node >= 0) {
    if (static_cast<size_t>(node) >= byNumber.size())
      byNumber.resize(static_cast<size_t>(node) + 1, nullptr);
    byNumber[static_cast<size_t>(node)] = net;
  }
  return net;
}

void addName(int node, const char* name)
{
  State& s = state();
  _DnameTable* entry = s.names.take();
  entry->node = node;
  snprintf(entry->name, sizeof entry->name, "%s", name);
  entry->next = NetNameTable;
  NetNameTable = entry;
  s.newestName[node] = entry;
}

_Dtransistor* transistorOf(const _Dtile* tile)
{
  if (!tile || !TisElement(tile) || !tile->lower())
    return nullptr;
  if (!state().holders.count(tile))
    return nullptr;
  return reinterpret_cast<_Dtransistor*>(tile->lower());
}

_Dtile* gateLayerTile(const _Dtransistor* transistor)
{
  const _Dtile* gate = transistor ? transistor->Tgate : nullptr;
  if (!gate)
    return nullptr;
  int plane = planeOfLayer(gate->type & 0xFF);
  if (plane < 0)
    return nullptr;
  // The gate-layer tile over the gate's centre lies next to the point; a
  // search from the last tile found may have to cross every row of an
  // array through the tall space between the gate columns.
  if (transistor->Pgate && transistor->Pgate->layer() == &DlayerTile[plane]) {
    Stitch = transistor->Pgate;
    return PointFind(gate->x1 + 1, gate->y1 + 1);
  }
  return findIn(plane, gate->x1 + 1, gate->y1 + 1);
}

void releaseTransList()
{
  while (TransList) {
    _DtransList* next = TransList->next;
    delete TransList;
    TransList = next;
  }
  state().recorded.clear();
}

/*
 * dropRecords --
 *   Forgets the extraction: records, lists, names, hash, pins and hints.
 *   Tiles are not touched; the tile lists' nodes are released.
 */
void dropRecords()
{
  State& s = state();
  FreeList(NetTileList);
  NetTileList = nullptr;
  for (void (*release)() : s.releaseHooks)
    release();
  for (_Dnet* net = Nets; net; net = net->next) {
    FreeList(net->tilelist);
    delete net->connElemList;
  }
  releaseTransList();
  s.byNumber.clear();
  s.changed.clear();
  s.netPlanes.clear();
  s.plates.clear();
  s.transistors.clear();
  s.nets.clear();
  s.names.clear();
  s.tranNodes.clear();
  s.netNodes.clear();
  s.tranIndex.clear();
  s.netIndex.clear();
  s.netByNumber.clear();
  s.newestName.clear();
  s.holders.clear();
  s.pins.clear();
  s.flooded.clear();
  std::fill(std::begin(s.hints), std::end(s.hints), nullptr);
  s.listHeads.clear();
  Transistors = nullptr;
  TransNum = 0;
  Nets = nullptr;
  NetsNum = 0;
  NetNameTable = nullptr;
  RecordTerm = 0;
  Hash = nullptr;
}

/*
 * releaseExtraction --
 *   Releases the extraction and clears its marks from the tiles of the
 *   live planes: net numbers and tags, transistor roles, the transistors
 *   held by gate tiles and the pins, so that the planes are as built.
 */
void releaseExtraction()
{
  State& s = state();
  s.holders.forEach([](_Dtile* held) { held->set_lower(nullptr); });
  for (const auto& pin : s.pins)
    if (pin->Tgate && pin->Tgate->next() == pin.get())
      pin->Tgate->set_next(nullptr);
  _Dtile* current = Stitch;
  for (int i = 0; i < DlayerNum; ++i) {
    if (!DlayerTile[i].layertile)
      continue;
    _Dtilelist* all = nullptr;
    Stitch = DlayerTile[i].layertile;
    AreaEnum(cs::kMin, cs::kMin, cs::kMax, cs::kMax, &all, 0);
    for (_Dtilelist* n = all; n; n = n->next) {
      n->tile->node = 0;
      n->tile->set_activeDev(0);
    }
    FreeList(all);
  }
  Stitch = current;
  dropRecords();
}

}  // namespace extract

// ---------------------------------------------------------------------------
// Reset.
// ---------------------------------------------------------------------------

/*
 * DExInit --
 *   Empties the extraction for new planes: DelementNum empty transistor
 *   lists, no nets, counters, names or recorded transistors.  Earlier
 *   records are released without touching tiles (their planes are gone).
 */
void DExInit()
{
  extract::dropRecords();
  extract::State& s = extract::state();
  s.listHeads.assign(static_cast<size_t>(std::max(DelementNum, 1)), nullptr);
  Transistors = s.listHeads.data();
  s.tilesLive = true;
}

// ---------------------------------------------------------------------------
// List helpers.
// ---------------------------------------------------------------------------
int DExTinList(_Dtile* tile, _Dtilelist* netTiles)
{
  if (!tile || !netTiles || !netTiles->tile || tile->node == 0)
    return 0;
  return std::abs(tile->node) == std::abs(netTiles->tile->node);
}

_DtermList* DExInsertTerm(_DtermList* list, _DtermList* term)
{
  term->next = nullptr;
  if (!list)
    return term;
  _DtermList* last = list;
  while (last->next)
    last = last->next;
  last->next = term;
  return list;
}

void DExFreeTerm(_DtermList* list)
{
  while (list) {
    _DtermList* next = list->next;
    delete list;
    list = next;
  }
}

_Dtilelist* DExDupList(_Dtilelist* list)
{
  _Dtilelist* copy = nullptr;
  for (; list; list = list->next)
    copy = TileToList(copy, list->tile);
  return copy;
}

void DErecordTrans(_Dtransistor* transistor)
{
  if (!transistor)
    return;
  extract::State& s = extract::state();
  if (!TransList)
    s.recorded.clear();
  if (!s.recorded.insert(transistor).second)
    return;
  TransList = new _DtransList{transistor, TransList};
}

/*
 * DExTermList --
 *   The terminals of the net of `netTiles` among the recorded transistors:
 *   a pin gives one terminal on its tile; a transistor a gate terminal when
 *   the gate-layer tile over its gate is on the net, and a source and a
 *   drain terminal when those tiles are.  Numbered from 1 in list order.
 * Returns: the list, or null when the net has none or more than
 *   kMaxTerminals (with a warning).
 */
_DtermList* DExTermList(_Dtilelist* netTiles, _DtransList* transList)
{
  _DtermList* head = nullptr;
  _DtermList** tail = &head;
  int count = 0;
  auto add = [&](_Dtransistor* t, _Dtile* tile, int port) {
    *tail = new _DtermList{t, tile, ++count, static_cast<int16_t>(port), 0, nullptr};
    tail = &(*tail)->next;
  };
  for (_DtransList* n = transList; n && count <= kMaxTerminals; n = n->next) {
    _Dtransistor* t = n->transistor;
    if (!t)
      continue;
    if (t->number < 1) {
      add(t, t->Tgate, 0);
      continue;
    }
    _Dtile* gate = extract::gateLayerTile(t);
    if (gate && DExTinList(gate, netTiles))
      add(t, gate, 0);
    if (t->Tsource && DExTinList(t->Tsource, netTiles))
      add(t, t->Tsource, 1);
    if (t->Tdrain && DExTinList(t->Tdrain, netTiles))
      add(t, t->Tdrain, 2);
  }
  if (count > kMaxTerminals) {
    GCmessage(extract::kModule, 'W', "A net with more than 128 terminals, ignored");
    DExFreeTerm(head);
    return nullptr;
  }
  return head;
}

// ---------------------------------------------------------------------------
// The name hash: eleven chains as the records show them, and an index for
// the lookups.
// ---------------------------------------------------------------------------
int ComputeHash(const char* name, int size)
{
  long sum = 0;
  for (const char* c = name; *c; ++c)
    sum += static_cast<signed char>(*c);
  long bucket = sum % size;
  return static_cast<int>(bucket < 0 ? bucket + size : bucket);
}

void InitHash()
{
  extract::State& s = extract::state();
  s.tranNodes.clear();
  s.netNodes.clear();
  s.tranIndex.clear();
  s.netIndex.clear();
  s.netByNumber.clear();
  for (int i = 0; i < kHashSize; ++i) {
    s.tranBuckets[i] = _DListTran{};
    s.netBuckets[i] = _DListNet{};
  }
  s.hash.tablesize = kHashSize;
  s.hash.TranList = s.tranBuckets;
  s.hash.NetList = s.netBuckets;
  Hash = &s.hash;
}

namespace {

// Enters `record` under `name` in one of the two hash tables unless the name
// is there already.  Returns: the bucket index, or -1 when it was present.
template <class Node, class Record>
int insertIntoHash(std::unordered_map<std::string, Node*>& index,
                   extract::RecordPool<Node>& nodes, Node* buckets, Record* Node::*slot,
                   const char* name, Record* record)
{
  char stored[kDeviceNameLength];
  snprintf(stored, sizeof stored, "%s", name);
  if (index.count(stored))
    return -1;
  Node* node = nodes.take();
  memcpy(node->name, stored, sizeof stored);
  index.emplace(stored, node);
  int i = ComputeHash(node->name, Hash->tablesize);
  node->*slot = record;
  node->next = buckets[i].next;
  buckets[i].next = node;
  return i;
}

}  // namespace

int InsertTranToHash(const char* name, _Dtransistor* transistor)
{
  extract::State& s = extract::state();
  if (!Hash)
    InitHash();
  int i = insertIntoHash(s.tranIndex, s.tranNodes, Hash->TranList, &_DListTran::tran, name,
                         transistor);
  if (i < 0)
    return 0;
  common::outf("While hashing: i = %d, name = %s\n", i, Hash->TranList[i].next->name);
  return 1;
}

namespace {

// The number k of a net name "n<k>" as nets are named (no sign, no leading
// zero), or -1.
long netNumberOf(const char* name)
{
  if (name[0] != 'n' || name[1] < '1' || name[1] > '9')
    return -1;
  long k = 0;
  for (const char* c = name + 1; *c; ++c) {
    if (*c < '0' || *c > '9' || k > 100000000)
      return -1;
    k = k * 10 + (*c - '0');
  }
  return k;
}

}  // namespace

int InsertNetToHash(const char* name, _Dnet* net)
{
  extract::State& s = extract::state();
  if (!Hash)
    InitHash();
  long k = netNumberOf(name);
  if (k < 0 || strlen(name) >= kDeviceNameLength)
    return insertIntoHash(s.netIndex, s.netNodes, Hash->NetList, &_DListNet::net, name, net) >= 0;
  // Names of numbered nets are looked up by number.
  if (static_cast<size_t>(k) >= s.netByNumber.size())
    s.netByNumber.resize(static_cast<size_t>(k) + 1, nullptr);
  if (s.netByNumber[static_cast<size_t>(k)])
    return 0;
  _DListNet* node = s.netNodes.take();
  snprintf(node->name, sizeof node->name, "%s", name);
  int i = ComputeHash(node->name, Hash->tablesize);
  node->net = net;
  node->next = Hash->NetList[i].next;
  Hash->NetList[i].next = node;
  s.netByNumber[static_cast<size_t>(k)] = node;
  return 1;
}

_DListTran* FindTranPosinHash(const char* name)
{
  extract::State& s = extract::state();
  auto found = s.tranIndex.find(name);
  return found == s.tranIndex.end() ? nullptr : found->second;
}

_DListNet* FindNetPosinHash(const char* name)
{
  extract::State& s = extract::state();
  long k = netNumberOf(name);
  if (k >= 0 && strlen(name) < kDeviceNameLength)
    return static_cast<size_t>(k) < s.netByNumber.size() ? s.netByNumber[static_cast<size_t>(k)]
                                                           : nullptr;
  auto found = s.netIndex.find(name);
  return found == s.netIndex.end() ? nullptr : found->second;
}

// ---------------------------------------------------------------------------
// Net names.
// ---------------------------------------------------------------------------
int NameCom(const char* name)
{
  int n = 0;
  for (const char* c = name; c && *c; ++c)
    n += *c == '_';
  return n;
}

char* DExNetName(long number)
{
  if (!FsetLabels)
    return nullptr;
  extract::State& s = extract::state();
  auto found = s.newestName.find(static_cast<int>(number));
  return found == s.newestName.end() ? nullptr : found->second->name;
}

// The first tile with a net number within kLabelReach of the label.
static _Dtile* netTileNear(int plane, const _labels* label)
{
  using extract::kLabelReach;
  _Dtilelist* list = nullptr;
  extract::enumIn(plane, extract::clampCoordinate(static_cast<long>(label->x) - kLabelReach),
                  extract::clampCoordinate(static_cast<long>(label->y) - kLabelReach),
                  extract::clampCoordinate(static_cast<long>(label->x) + kLabelReach),
                  extract::clampCoordinate(static_cast<long>(label->y) + kLabelReach), &list);
  _Dtile* found = nullptr;
  for (_Dtilelist* n = list; n && !found; n = n->next)
    if (n->tile->node > 0)
      found = n->tile;
  FreeList(list);
  return found;
}

/*
 * DExCrtNameTb --
 *   Names nets after the labels of the flattened layout: a label names the
 *   first netted tile of its layer's plane within 50 units of its point.
 *   A net keeps the name with the fewest underscores.
 * Side effects: a label too long for the table abandons the action after
 *   the extraction is released.
 */
void DExCrtNameTb()
{
  if (!Gflatten)
    return;
  extract::State& s = extract::state();
  _Dtile* current = Stitch;
  for (const _symbol* symbol : Gflatten->symbol) {
    if (!symbol || !symbol->label)
      continue;
    int plane = extract::planeNamed(symbol->layername);
    if (plane < 0)
      continue;
    for (const _labels* label = symbol->label; label; label = label->next) {
      if (!label->label)
        continue;
      _Dtile* tile = netTileNear(plane, label);
      if (!tile)
        continue;
      size_t length = strlen(label->label);
      auto held = s.newestName.find(tile->node);
      if (held != s.newestName.end()) {
        _DnameTable* entry = held->second;
        if (NameCom(label->label) <= NameCom(entry->name) && length < kNetNameLength)
          snprintf(entry->name, sizeof entry->name, "%s", label->label);
        continue;
      }
      if (length >= kNetNameLength) {
        Stitch = current;
        GCmessage(extract::kModule, 'F', "node name too long");
        extract::releaseExtraction();
        common::abandonAction(1);
      }
      extract::addName(tile->node, label->label);
    }
  }
  Stitch = current;
}
