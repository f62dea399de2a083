// Net tracing: a flood through same-material neighbours in each plane and
// through the contact links between planes, recording the transistors and
// pins it meets while terminal recording is on.  The passive-aware variant
// of the re-extraction enters no tile of a spiral or resistor body and
// follows contact links into ordinary tiles only; capacitor plates are
// conductors and are passed through.
#include "DEextract.h"

#include <vector>

#include "DExstate.h"

namespace {

// The planes of the tiles the running trace took.
uint32_t tracedPlanes = 0;

// Whether a tile joins the trace with `tag`: a net being numbered (tag > 0)
// takes tiles on no net yet; a net finder (tag -owner) takes the tiles of
// the net `owner`.
bool joins(const _Dtile* t, int tag, int owner)
{
  if (t->node == tag)
    return false;
  if (tag < 0)
    return t->node == owner;
  if (t->node <= 0)
    return true;
  TisTaged(t, tag);  // says "Net extraction error"
  return false;
}

// Records the transistor held by an element tile, or the pin of a tile.
void record(const _Dtile* t)
{
  if (TisElement(t))
    DErecordTrans(extract::transistorOf(t));
  else if (t->next())
    DErecordTrans(t->next());
}

// Whether the passive-aware trace may step onto `t` as a neighbour (a tile
// of a spiral or a resistor body holds 1 in passiveDev) and follow a contact
// link into it (only ordinary tiles).  Plates are conductors either way.
bool mayEnter(const _Dtile* t)
{
  return t->passiveDev() != extract::kPassiveMark || extract::isPlate(t);
}
bool mayLink(const _Dtile* t) { return !t->passiveDev() || extract::isPlate(t); }

// Prepends onto `list` the tiles of `links` that do not carry `tag`.
template <bool Passive>
_Dtilelist* catLinks(_Dtilelist* list, const _Dtilelist* links, int tag)
{
  for (; links; links = links->next)
    if (links->tile && links->tile->node != tag && (!Passive || mayLink(links->tile)))
      list = TileToList(list, links->tile);
  return list;
}

// One flood step from `tile`: see AllNeighbor.
template <bool Passive>
int collect(_Dtile* tile, _Dtilelist** list, int tag, int owner, _Dtilelist** upperList,
            _Dtilelist** lowerList)
{
  int count = 0;
  extract::eachNeighbor(tile, [&](_Dtile* n) {
    if (RecordTerm)
      record(n);
    if (!TsameType(tile, n) || (Passive && !mayEnter(n)) || !joins(n, tag, owner))
      return;
    n->node = tag;
    tracedPlanes |= extract::planeBit(n);
    *list = TileToList(*list, n);
    NetTileList = TileToList(NetTileList, n);
    *upperList = catLinks<Passive>(*upperList, n->upper(), tag);
    if (!TisElement(n))
      *lowerList = catLinks<Passive>(*lowerList, n->lower(), tag);
    ++count;
  });
  return count;
}

// The union of the flood steps of the tiles of `list`, which is released.
template <bool Passive>
int nextRing(_Dtilelist* list, _Dtilelist** newList, int net, _Dtilelist** upperList,
             _Dtilelist** lowerList)
{
  _Dtilelist* next = nullptr;
  int count = 0;
  for (_Dtilelist* n = list; n; n = n->next)
    count += collect<Passive>(n->tile, &next, net, net, upperList, lowerList);
  FreeList(list);
  *newList = next;
  return count;
}

// The contact links still to follow from one tile of the trace.
struct Pending {
  _Dtilelist* upper;
  _Dtilelist* lower;
};

// Takes `t` into the net and floods its plane.
// Returns: the links of the flooded tiles, upper links first.
template <bool Passive>
Pending enter(_Dtile* t, int tag, int owner)
{
  Stitch = t;
  t->node = tag;
  tracedPlanes |= extract::planeBit(t);
  Pending links{catLinks<Passive>(nullptr, t->upper(), tag),
                TisElement(t) ? nullptr : catLinks<Passive>(nullptr, t->lower(), tag)};
  NetTileList = TileToList(NetTileList, t);
  if (RecordTerm)
    record(t);
  _Dtilelist* ring = nullptr;
  collect<Passive>(t, &ring, tag, owner, &links.upper, &links.lower);
  while (ring) {
    _Dtilelist* next = nullptr;
    for (_Dtilelist* n = ring; n; n = n->next)
      collect<Passive>(n->tile, &next, tag, owner, &links.upper, &links.lower);
    FreeList(ring);
    ring = next;
  }
  return links;
}

/*
 * trace --
 *   A plane is flooded ring by ring; then the contact links met are
 *   followed, upper links before lower ones, each as a trace of its own
 *   (depth first, on an explicit stack).
 */
template <bool Passive>
void trace(_Dtile* tile, int tag, int owner)
{
  tracedPlanes = 0;
  if (!tile || !joins(tile, tag, owner))
    return;
  std::vector<Pending> stack;
  stack.push_back(enter<Passive>(tile, tag, owner));
  while (!stack.empty()) {
    Pending& top = stack.back();
    _Dtilelist** head = top.upper ? &top.upper : &top.lower;
    if (!*head) {
      stack.pop_back();
      continue;
    }
    _Dtilelist* node = *head;
    *head = node->next;
    _Dtile* next = node->tile;
    node->next = nullptr;
    FreeList(node);
    if (joins(next, tag, owner))
      stack.push_back(enter<Passive>(next, tag, owner));
  }
}

}  // namespace

namespace extract {

/*
 * traceNet --
 *   The trace of DExPath, numbering the tiles taken with `tag`: with a
 *   positive tag the tiles on no net, with a negative one the tiles of the
 *   net `owner`.
 */
void traceNet(_Dtile* tile, int tag, int owner) { trace<false>(tile, tag, owner); }

uint32_t lastTracedPlanes() { return tracedPlanes; }

// The same, passive-aware (DExPathPassive).
void traceNetPassive(_Dtile* tile, int tag, int owner) { trace<true>(tile, tag, owner); }

}  // namespace extract

/*
 * DExPath --
 *   Traces the net of `tile` with the number `net`; every tile taken is
 *   prepended to NetTileList.
 */
void DExPath(_Dtile* tile, int net) { extract::traceNet(tile, net, net); }

/*
 * AllNeighbor --
 *   The flood step of net tracing: visits the neighbours of `tile` (right,
 *   left, top, bottom side); with terminal recording on, records the
 *   transistor or pin of each; a neighbour of the same material that is not
 *   on the net yet gets its number and is prepended onto *list and
 *   NetTileList, its upper links onto *upperList and, unless it is an
 *   element tile, its lower links onto *lowerList.
 * Returns: the number of tiles taken.
 */
int AllNeighbor(_Dtile* tile, _Dtilelist** list, int net, _Dtilelist** upperList,
                _Dtilelist** lowerList)
{
  return collect<false>(tile, list, net, net, upperList, lowerList);
}

int ListNeighbor(_Dtilelist* list, _Dtilelist** newList, int net, _Dtilelist** upperList,
                 _Dtilelist** lowerList)
{
  return nextRing<false>(list, newList, net, upperList, lowerList);
}

_Dtilelist* TlistCat(_Dtilelist* list, _Dtilelist* links, int net)
{
  return catLinks<false>(list, links, net);
}

// The passive-aware steps of the re-extraction.
void DExPathPassive(_Dtile* tile, int net) { extract::traceNetPassive(tile, net, net); }

int AllNeighborPassive(_Dtile* tile, _Dtilelist** list, int net, _Dtilelist** upperList,
                       _Dtilelist** lowerList)
{
  return collect<true>(tile, list, net, net, upperList, lowerList);
}

int ListNeighborPassive(_Dtilelist* list, _Dtilelist** newList, int net, _Dtilelist** upperList,
                        _Dtilelist** lowerList)
{
  return nextRing<true>(list, newList, net, upperList, lowerList);
}

_Dtilelist* TlistCatPassive(_Dtilelist* list, _Dtilelist* links, int net)
{
  return catLinks<true>(list, links, net);
}
