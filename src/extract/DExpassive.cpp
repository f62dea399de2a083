// The nets and the passive devices: the net index and change marks the
// passive extractors use, the port search, and the re-extraction of the
// nets with the passive devices in place (DExCirPassive).
#include "DEextract.h"

#include <cstdio>
#include <cstdlib>

#include "DExstate.h"
#include "DTtechnology.h"
#include "Dglobal.h"

namespace extract {

namespace {

bool touchesInPlane(const _Dtile* a, const _Dtile* b)
{
  if (a->layer() != b->layer() || !TsameType(a, b))
    return false;
  const int al = a->x1, ab = a->y1, ar = cs::right(a), at = cs::top(a);
  const int bl = b->x1, bb = b->y1, br = cs::right(b), bt = cs::top(b);
  if ((ar == bl || br == al) && ab < bt && bb < at)
    return true;
  return (at == bb || bt == ab) && al < br && bl < ar;
}

bool linked(const _Dtilelist* links, const _Dtile* t)
{
  for (; links; links = links->next)
    if (links->tile == t)
      return true;
  return false;
}

bool ordinary(const _Dtile* t) { return t && TisSolid(t) && !t->passiveDev(); }

}  // namespace

uint32_t netPlanes(const _Dnet* net)
{
  std::vector<uint32_t>& planes = state().netPlanes;
  size_t node = net && net->node > 0 ? static_cast<size_t>(net->node) : 0;
  if (node && node < planes.size() && planes[node])
    return planes[node];
  uint32_t bits = 0;
  for (const _Dtilelist* n = net ? net->tilelist : nullptr; n; n = n->next)
    bits |= planeBit(n->tile);
  if (node) {
    if (node >= planes.size())
      planes.resize(node + 1, 0);
    planes[node] = bits;
  }
  return bits;
}

void announceNet(const char* text, const _Dnet* net, const char* tail)
{
  common::outText(text);
  common::outText(net->name);
  common::outText(tail);
  common::outText("\n");
}

void notePlate(_Dtile* tile) { state().plates.insert(tile); }
bool isPlate(const _Dtile* tile) { return state().plates.count(tile) != 0; }

void onRelease(void (*release)())
{
  std::vector<void (*)()>& hooks = state().releaseHooks;
  for (auto h : hooks)
    if (h == release)
      return;
  hooks.push_back(release);
}

_Dnet* netNumbered(int node)
{
  const std::vector<_Dnet*>& byNumber = state().byNumber;
  if (node <= 0 || static_cast<size_t>(node) >= byNumber.size())
    return nullptr;
  return byNumber[static_cast<size_t>(node)];
}

_Dnet* makeNet(int node, _Dtilelist* tiles) { return newNet(node, tiles); }

void markNetChanged(const _Dnet* net)
{
  if (!net || net->node <= 0)
    return;
  std::vector<char>& changed = state().changed;
  if (static_cast<size_t>(net->node) >= changed.size())
    changed.resize(static_cast<size_t>(net->node) + 1, 0);
  changed[static_cast<size_t>(net->node)] = 1;
}

void setPassiveDevices(PassiveKind kind, PassiveTerminals terminals, PassiveListing listing)
{
  State::Passive& p = state().passives[static_cast<int>(kind)];
  p.terminals = terminals;
  p.listing = listing;
}

/*
 * touchingPort --
 *   The tile through which a passive device reaches its net; see the
 *   header.
 */
_Dtile* touchingPort(_Dtile* device, _Dtile* candidate)
{
  if (!device)
    return nullptr;
  if (ordinary(candidate) && candidate != device &&
      (touchesInPlane(device, candidate) || linked(device->upper(), candidate) ||
       (!TisElement(device) && linked(device->lower(), candidate))))
    return candidate;
  _Dtile* found = nullptr;
  eachNeighbor(device, [&](_Dtile* n) {
    if (!found && ordinary(n) && TsameType(device, n))
      found = n;
  });
  for (const _Dtilelist* l = device->upper(); l && !found; l = l->next)
    if (ordinary(l->tile))
      found = l->tile;
  if (!TisElement(device))
    for (const _Dtilelist* l = device->lower(); l && !found; l = l->next)
      if (ordinary(l->tile))
        found = l->tile;
  return found;
}

}  // namespace extract

// ---------------------------------------------------------------------------
// The re-extraction.
// ---------------------------------------------------------------------------
namespace {

using extract::kModule;

/*
 * Renumbering --
 *   The nets of the re-extraction.  A net that no passive extractor
 *   changed is traced again exactly as before (from the same first
 *   terminal, over the same tiles), so it keeps its tile list and is only
 *   renumbered.  Changed nets are released and traced afresh; while the
 *   terminals are walked their tiles carry the new number plus `offset`,
 *   above every old number, and are brought down at the end.
 */
class Renumbering {
 public:
  explicit Renumbering(int oldCount)
      : offset_(oldCount + 1), kept_(static_cast<size_t>(oldCount) + 1, nullptr),
        fromOld_(static_cast<size_t>(oldCount) + 1, nullptr)
  {
  }

  // The new net of a terminal tile, traced when the tile is on none.
  _Dnet* netOf(_Dtile* tile)
  {
    if (tile->node >= offset_)
      return made_[static_cast<size_t>(tile->node - offset_) - 1];
    if (tile->node > 0 && kept_[static_cast<size_t>(tile->node)]) {
      _Dnet*& net = fromOld_[static_cast<size_t>(tile->node)];
      if (!net)
        net = adopt(kept_[static_cast<size_t>(tile->node)]);
      return net;
    }
    tile->node = 0;
    int number = static_cast<int>(made_.size()) + 1;
    NetTileList = nullptr;
    extract::traceNetPassive(tile, offset_ + number, offset_ + number);
    _Dnet* net = extract::makeNet(number, NetTileList);
    NetTileList = nullptr;
    enter(net);
    traced_.push_back(net);
    return net;
  }

  // Keeps an unchanged net under its old number until a terminal reaches it.
  void keep(_Dnet* net) { kept_[static_cast<size_t>(net->node)] = net; }

  // Gives every tile its final number and links the nets, newest first.
  void finish()
  {
    for (_Dnet* net : traced_)
      for (_Dtilelist* n = net->tilelist; n; n = n->next)
        n->tile->node = net->node;
    for (size_t old = 1; old < kept_.size(); ++old) {
      _Dnet* net = kept_[old];
      if (net && !fromOld_[old]) {  // no terminal reaches it any more
        for (_Dtilelist* n = net->tilelist; n; n = n->next)
          n->tile->node = 0;
        FreeList(net->tilelist);
        net->tilelist = nullptr;
      }
    }
    for (_Dnet* net : renumbered_)
      for (_Dtilelist* n = net->tilelist; n; n = n->next)
        n->tile->node = net->node;
    Nets = nullptr;
    for (_Dnet* net : made_) {
      net->next = Nets;
      Nets = net;
    }
    NetsNum = static_cast<int>(made_.size());
  }

 private:
  void enter(_Dnet* net)
  {
    net->connElemList = new List<_Conn_Elem>;
    InsertNetToHash(net->name, net);
    made_.push_back(net);
  }

  // An unchanged net takes the next number; its tiles keep the old one
  // until the end.
  _Dnet* adopt(_Dnet* net)
  {
    int number = static_cast<int>(made_.size()) + 1;
    if (number != net->node) {
      net->node = number;
      snprintf(net->name, sizeof net->name, "%s%d", "n", number);
      renumbered_.push_back(net);
    }
    std::vector<_Dnet*>& byNumber = extract::state().byNumber;
    if (static_cast<size_t>(number) >= byNumber.size())
      byNumber.resize(static_cast<size_t>(number) + 1, nullptr);
    byNumber[static_cast<size_t>(number)] = net;
    enter(net);
    return net;
  }

  int offset_;
  std::vector<_Dnet*> kept_;        // unchanged nets by old number
  std::vector<_Dnet*> fromOld_;     // old number -> new net
  std::vector<_Dnet*> made_;        // new nets by number - 1
  std::vector<_Dnet*> traced_;      // new nets traced afresh
  std::vector<_Dnet*> renumbered_;  // unchanged nets whose number changed
};

void connect(Renumbering& nets, _Dtile* tile, const _Conn_Elem& element, long* slot)
{
  *slot = 0;
  if (!tile || !TisSolid(tile) || (tile->passiveDev() && !extract::isPlate(tile)))
    return;
  _Dnet* net = nets.netOf(tile);
  *slot = net->node;
  net->connElemList->append(element);
}

void connectTransistor(Renumbering& nets, _Dtransistor* t, _Dtile* tile, int32_t* slot)
{
  long net = 0;
  connect(nets, tile, {elemTRAN, t}, &net);
  *slot = static_cast<int32_t>(net);
}

void clearNetHash()
{
  extract::State& s = extract::state();
  s.netNodes.clear();
  s.netIndex.clear();
  s.netByNumber.clear();
  for (_DListNet& bucket : s.netBuckets)
    bucket = _DListNet{};
}

}  // namespace

/*
 * DExCirPassive --
 *   Traces the nets again with the passive devices in place: from every
 *   transistor's gate, source and drain, then from the terminals of the
 *   capacitors, inductors and resistors.  Each terminal stores its net's
 *   number in the device and enters the device into the net's connection
 *   list.  Then the nets are named after the labels and the passive
 *   devices are listed.
 * Side effects: when the net count and the net list disagree the action is
 *   abandoned.
 */
int DExCirPassive()
{
  extract::State& s = extract::state();
  int count = 0;
  for (_Dnet* net = Nets; net; net = net->next)
    ++count;
  if (count != NetsNum) {
    GCmessage(kModule, 'E', "Not all nets are re-initialized");
    common::abandonAction(1);
  }
  if (!Hash)
    InitHash();
  clearNetHash();
  FreeList(NetTileList);
  NetTileList = nullptr;

  // Release: the changed nets lose their tiles, the others wait for their
  // first terminal.
  Renumbering nets(NetsNum);
  for (_Dnet* net = Nets; net; net = net->next) {
    delete net->connElemList;
    net->connElemList = nullptr;
    bool changed = static_cast<size_t>(net->node) < s.changed.size() &&
                   s.changed[static_cast<size_t>(net->node)];
    if (!changed) {
      nets.keep(net);
      continue;
    }
    for (_Dtilelist* n = net->tilelist; n; n = n->next)
      n->tile->node = 0;
    FreeList(net->tilelist);
    net->tilelist = nullptr;
  }
  s.byNumber.clear();
  s.changed.clear();
  s.netPlanes.clear();
  Nets = nullptr;

  _Dtile* current = Stitch;
  for (int e = 0; Transistors && e < DelementNum; ++e)
    for (_Dtransistor* t = Transistors[e]; t; t = t->next) {
      connectTransistor(nets, t, extract::gateLayerTile(t), &t->gate);
      connectTransistor(nets, t, t->Tsource, &t->source);
      connectTransistor(nets, t, t->Tdrain, &t->drain);
    }
  std::vector<extract::PassiveTerminal> terminals;
  for (const extract::State::Passive& kind : s.passives)
    if (kind.terminals)
      kind.terminals(&terminals);
  for (const extract::PassiveTerminal& term : terminals)
    connect(nets, term.tile, term.element, term.net);
  nets.finish();
  Stitch = current;

  GCmessage(kModule, 'M', "%d nets are extracted", NetsNum);
  DExCrtNameTb();
  for (const extract::State::Passive& kind : s.passives)
    if (kind.listing)
      kind.listing();
  return 0;
}
