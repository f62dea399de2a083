// Arcs that the rows do not give but the layout needs to stay the same
// circuit: drawn widths of unruled boxes, gate regions, overlaps, meeting
// and separate tiles, and the sizes of the passive devices.
#include <algorithm>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <iterator>
#include <map>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "CS.h"
#include "DEextract.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "CXcapacitor.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "LXinductor.h"
#include "RXresistor.h"
#include "SQint.h"
#include "SQsqueeze.h"

namespace squeeze {

namespace {

/*
 * keepUnruledWidths --
 *   A box of a layer without a width rule gets no row between its sides;
 *   it keeps its drawn width rather than shrinking to nothing or turning
 *   over.
 */
void keepUnruledWidths()
{
  for (int i = 0; i < SQcell_size; ++i) {
    SQCELL_item& c = SQcell[i];
    if (!c.left || !c.right)
      continue;
    bool ruled = false;
    for (const SQARC_item* a = c.left->ori_next; a && !ruled; a = a->ori_next)
      ruled = a->ter == c.right && a->weight >= 0;
    if (ruled)
      continue;
    addFixedArc(c.left, c.right, c.right->loc - c.left->loc, ArcOrigin::DrawnWidth);
  }
}

/*
 * tieGateRegions --
 *   A gate region is an element tile in the active plane and another over
 *   the same area in the gate plane, and no row ties the two: they get
 *   equal sides, or the poly could slide off its transistor.
 */
void tieGateRegions()
{
  struct Key {
    int x1, y1, x2, y2;
    bool operator==(const Key& o) const
    {
      return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2;
    }
  };
  struct Hash {
    size_t operator()(const Key& k) const
    {
      size_t h = static_cast<uint32_t>(k.x1);
      for (int v : {k.y1, k.x2, k.y2})
        h = h * 1000003u ^ static_cast<uint32_t>(v);
      return h;
    }
  };
  std::unordered_map<Key, SQCELL_item*, Hash> first;
  for (int i = 0; i < SQcell_size; ++i) {
    SQCELL_item& c = SQcell[i];
    if (!c.left || !c.right || !c.mother_tile || !TisElement(c.mother_tile))
      continue;
    const _Dtile* t = c.mother_tile;
    const Key key{t->x1, t->y1, cs::right(t), cs::top(t)};
    auto found = first.emplace(key, &c);
    if (found.second)
      continue;
    SQCELL_item& o = *found.first->second;
    for (auto ends : {std::make_pair(c.left, o.left), std::make_pair(c.right, o.right)})
      for (int turn = 0; turn < 2; ++turn)
        addFixedArc(turn ? ends.second : ends.first, turn ? ends.first : ends.second, 0,
                    ArcOrigin::GateRegion);
  }
}

/*
 * keepOrder -- two lines stay in their drawn order (equal ones are left
 * alone), at least `apart` apart or as far as drawn when that is less.
 */
void keepOrder(SQLINE_item* p, SQLINE_item* q, int apart = 0)
{
  if (p->loc < q->loc)
    addFixedArc(p, q, std::min(apart, q->loc - p->loc), ArcOrigin::Meeting);
  else if (q->loc < p->loc)
    addFixedArc(q, p, std::min(apart, p->loc - q->loc), ArcOrigin::Meeting);
}

/*
 * keepStacksCovered --
 *   A tile thinner across than its layer's width rule is only legal where
 *   the tiles stacked on it on either side make up the width.  The tiles
 *   on its two sides keep the order of their sides along the direction, so
 *   that each place of the thin tile stays covered as it was drawn.
 *   `stacked` holds the pairs of touching tiles of one layer, stacked
 *   across the direction.
 */
void keepStacksCovered(const std::vector<std::pair<SQCELL_item*, SQCELL_item*>>& stacked, bool lr)
{
  auto low = [lr](const SQCELL_item* c) { return lr ? c->corner.y1 : c->corner.x1; };
  auto high = [lr](const SQCELL_item* c) { return lr ? c->corner.y2 : c->corner.x2; };
  auto thin = [&](const SQCELL_item* c) {
    const int l = c->layernumber;
    return l >= 0 && l < kRuleLayers && WIDTH_VALID[l] == 1 &&
           high(c) - low(c) < static_cast<long>(WIDTH[l]) * theGlobalScale;
  };
  std::unordered_map<SQCELL_item*, std::pair<std::vector<SQCELL_item*>, std::vector<SQCELL_item*>>> sides;
  for (const auto& pair : stacked)
    for (int turn = 0; turn < 2; ++turn) {
      SQCELL_item* t = turn ? pair.second : pair.first;
      SQCELL_item* o = turn ? pair.first : pair.second;
      if (!thin(t))
        continue;
      auto& lists = sides[t];
      (low(o) >= high(t) ? lists.second : lists.first).push_back(o);
    }
  // Where the thin tile is bare on both sides, corner to corner, the
  // shape is as wide as those corners are apart: they stay as far apart
  // as the rule asks (or as drawn, when that is less).
  for (auto& entry : sides) {
    const int l = entry.first->layernumber;
    const int rule = WIDTH[l] * theGlobalScale;
    for (SQCELL_item* below : entry.second.first)
      for (SQCELL_item* above : entry.second.second)
        for (SQLINE_item* p : {below->left, below->right})
          for (SQLINE_item* q : {above->left, above->right})
            keepOrder(p, q, rule);
  }
}

/*
 * keepConnections --
 *   The rows keep each tile legal on its own; they do not see that a
 *   contact cut lies across two tiles of its metal, or that two tiles of
 *   one shape meet along an edge.  So that the compacted layout is the
 *   same circuit, boxes that overlap keep at least their drawn overlap in
 *   the direction of the graph, and tiles of one layer that meet along an
 *   edge keep meeting.  The drawn layout satisfies every such arc.
 */
void keepConnections()
{
  const bool lr = resize_direction == LEFT_RIGHT;
  std::vector<SQCELL_item*> order;
  for (int i = 0; i < SQcell_size; ++i)
    if (SQcell[i].left && SQcell[i].right)
      order.push_back(&SQcell[i]);
  std::stable_sort(order.begin(), order.end(), [](const SQCELL_item* a, const SQCELL_item* b) {
    return a->corner.x1 < b->corner.x1;
  });
  if (order.empty())
    return;
  // The cells seen so far that reach c's x1 (the active ones), filed by
  // band of y: c looks only at the bands its y extent meets; a band drops
  // the cells that ended before c when c looks at it.
  long low = LONG_MAX, high = LONG_MIN;
  for (const SQCELL_item* c : order) {
    low = std::min<long>(low, c->corner.y1);
    high = std::max<long>(high, std::max(c->corner.y1, c->corner.y2));
  }
  const long height = (high - low) / (static_cast<long>(std::sqrt(static_cast<double>(order.size()))) + 1) + 1;
  auto band = [&](long y) { return static_cast<size_t>((y - low) / height); };
  std::vector<std::vector<uint32_t>> bands(band(high) + 1);
  std::vector<uint32_t> found;
  std::vector<std::pair<SQCELL_item*, SQCELL_item*>> stacked;  // same layer, touching across
  for (uint32_t k = 0; k < order.size(); ++k) {
    SQCELL_item* c = order[k];
    const size_t first = band(std::min(c->corner.y1, c->corner.y2)),
                 last = band(std::max(c->corner.y1, c->corner.y2));
    found.clear();
    for (size_t b = first; b <= last; ++b) {
      std::vector<uint32_t>& active = bands[b];
      size_t kept = 0;
      for (uint32_t i : active)
        if (order[i]->corner.x2 >= c->corner.x1)
          active[kept++] = i;
      active.resize(kept);
      found.insert(found.end(), active.begin(), active.end());
    }
    if (first != last) {
      std::sort(found.begin(), found.end());
      found.erase(std::unique(found.begin(), found.end()), found.end());
    }
    for (uint32_t i : found) {
      SQCELL_item* a = order[i];
      const long dx = static_cast<long>(std::min(a->corner.x2, c->corner.x2)) -
                      std::max(a->corner.x1, c->corner.x1);
      const long dy = static_cast<long>(std::min(a->corner.y2, c->corner.y2)) -
                      std::max(a->corner.y1, c->corner.y1);
      const bool sameLayer = a->layernumber == c->layernumber;
      const bool overlap = dx > 0 && dy > 0;
      const bool meet = sameLayer && ((dx == 0 && dy > 0) || (dx > 0 && dy == 0));
      if (!overlap && !meet)
        continue;
      const long along = lr ? dx : dy;
      const ArcOrigin origin = overlap ? ArcOrigin::DrawnOverlap : ArcOrigin::Meeting;
      if (along > 0) {
        addFixedArc(a->left, c->right, static_cast<int>(along), origin);
        addFixedArc(c->left, a->right, static_cast<int>(along), origin);
        // Tiles of one shape stacked across the direction keep the order of
        // their sides: the shape's extent across stays made of the same
        // tiles everywhere, so no thin tile comes out uncovered.
        if (meet) {
          keepOrder(a->left, c->left);
          keepOrder(a->right, c->right);
          stacked.push_back({a, c});
        }
      } else {
        // Tiles of one shape that abut keep abutting: neither slides over
        // the other (and grows the shape) nor away from it.
        SQLINE_item* far = a->right->loc == c->left->loc ? a->right : c->right;
        SQLINE_item* near = a->right->loc == c->left->loc ? c->left : a->left;
        addFixedArc(near, far, 0, origin);
        addFixedArc(far, near, 0, origin);
      }
    }
    for (size_t b = first; b <= last; ++b)
      bands[b].push_back(k);
  }
  keepStacksCovered(stacked, lr);
}

// Layer pairs whose overlap makes something: a device (the layers of an
// element or a passive definition) or a connection (a contact layer with
// any other layer).  Tiles of such pairs that are apart must stay apart;
// other layers (metal over poly) may pass over each other.
using LayerPairs = std::vector<std::vector<unsigned char>>;

int layerNamed(const char* name)
{
  for (int i = 0; i < GlayerNum && i < kLayerSlots; ++i)
    if (strcmp(Glayers[i].name, name) == 0)
      return i;
  return -1;
}

template <class Def>
void pairUp(LayerPairs* pairs, const Def* defs, int count)
{
  for (int d = 0; d < count && d < kMaxDefinitions; ++d)
    for (int i = 0; i < defs[d].layerNum && i < kDefLayers; ++i)
      for (int j = 0; j < defs[d].layerNum && j < kDefLayers; ++j) {
        const int a = layerNamed(defs[d].layers[i]), b = layerNamed(defs[d].layers[j]);
        if (a >= 0 && b >= 0)
          (*pairs)[a][b] = 1;
      }
}

LayerPairs interactingLayers()
{
  LayerPairs pairs(kLayerSlots, std::vector<unsigned char>(kLayerSlots, 0));
  for (int l = 0; l < kLayerSlots; ++l)
    pairs[l][l] = 1;
  pairUp(&pairs, Delement, DelementNum);
  pairUp(&pairs, LXindDefinition, LXindDefNum);
  pairUp(&pairs, CXcapDefinition, CXcapDefNum);
  pairUp(&pairs, RXresDefinition, RXresDefNum);
  for (int d = 0; d < DconNum && d < kMaxDefinitions; ++d) {
    const int cut = layerNamed(Dconnect[d].conLayer);
    if (cut < 0)
      continue;
    for (int l = 0; l < kLayerSlots; ++l)
      pairs[cut][l] = pairs[l][cut] = 1;
  }
  // A layer that no definition names (a well) decides which devices are
  // inside it: it keeps apart from the layers of the devices where it was.
  std::vector<unsigned char> named(kLayerSlots, 0);
  LayerPairs defined(kLayerSlots, std::vector<unsigned char>(kLayerSlots, 0));
  pairUp(&defined, Delement, DelementNum);
  pairUp(&defined, LXindDefinition, LXindDefNum);
  pairUp(&defined, CXcapDefinition, CXcapDefNum);
  pairUp(&defined, RXresDefinition, RXresDefNum);
  for (int l = 0; l < kLayerSlots; ++l)
    named[l] = defined[l][l];
  for (int d = 0; d < DconNum && d < kMaxDefinitions; ++d)
    for (const char* name : {Dconnect[d].conLayer, Dconnect[d].lowerLayer, Dconnect[d].upperLayer})
      if (layerNamed(name) >= 0)
        named[layerNamed(name)] = 1;
  // Layers with a spacing rule between them, even of 0 (two selects that
  // may touch but not overlap).
  for (int a = 0; a < kRuleLayers && a < kLayerSlots; ++a)
    for (int b = 0; b < kRuleLayers && b < kLayerSlots; ++b)
      if (SPACING_VALID[a][b] == 1)
        pairs[a][b] = pairs[b][a] = 1;
  LayerPairs devices(kLayerSlots, std::vector<unsigned char>(kLayerSlots, 0));
  pairUp(&devices, Delement, DelementNum);
  for (int d = 0; d < DelementNum && d < kMaxDefinitions; ++d)
    for (int i = 0; i < Delement[d].portLayerNum && i < kDefLayers; ++i) {
      const int l = layerNamed(Delement[d].portlayers[i]);
      if (l >= 0)
        devices[l][l] = 1;
    }
  for (int w = 0; w < kLayerSlots; ++w) {
    if (named[w])
      continue;
    for (int l = 0; l < kLayerSlots; ++l)
      if (devices[l][l])
        pairs[w][l] = pairs[l][w] = 1;
  }
  return pairs;
}

/* The spacing rule between two layers in layout units, or 0. */
int ruleSpacing(int a, int b)
{
  if (a < 0 || b < 0 || a >= kRuleLayers || b >= kRuleLayers || SPACING_VALID[a][b] != 1)
    return 0;
  return SPACING[a][b] * theGlobalScale;
}

// The stretch of a cell across the direction: drawn, or (solved) where the
// compaction of LEFT_RIGHT put its twin.
long acrossLow(const SQCELL_item* c, bool lr, bool solved)
{
  if (lr)
    return c->corner.y1;
  if (!solved || !c->mother_tile)
    return c->corner.x1;
  const auto* twin = static_cast<const SQCELL_item*>(c->mother_tile->resize_cell_LR());
  return twin ? twin->corner.x1 : c->corner.x1;
}

long acrossHigh(const SQCELL_item* c, bool lr, bool solved)
{
  if (lr)
    return c->corner.y2;
  if (!solved || !c->mother_tile)
    return c->corner.x2;
  const auto* twin = static_cast<const SQCELL_item*>(c->mother_tile->resize_cell_LR());
  return twin ? twin->corner.x2 : c->corner.x2;
}

// One sweep of a layer along the direction: the far sides of its tiles and
// the near sides of the tiles that look them up, in order of position; at
// one position the queries (kinds 0 and 2) come before the far sides
// (kind 1), so that a far side there is no gap yet.
struct SweepEvent {
  int at;
  int kind;  // 0 query of the same layer, 1 far side, 2 query of another layer
  SQCELL_item* cell;
};

// Per stretch across the direction, the tile of the layer whose far side
// was seen last.
class SweepFront {
 public:
  SweepFront() { stretches_[LONG_MIN] = nullptr; }

  // The tiles of the stretches that meet lo..hi (but `self`), in order
  // across; a tile that holds neighbouring stretches comes once.
  void tilesIn(long lo, long hi, const SQCELL_item* self, std::vector<SQCELL_item*>* seen) const
  {
    seen->clear();
    for (auto it = std::prev(stretches_.upper_bound(lo)); it != stretches_.end() && it->first < hi;
         ++it)
      if (it->second && it->second != self && (seen->empty() || seen->back() != it->second))
        seen->push_back(it->second);
  }

  // The far side of `cell` covers lo..hi from here on.
  void cover(long lo, long hi, SQCELL_item* cell)
  {
    SQCELL_item* after = std::prev(stretches_.upper_bound(hi))->second;
    stretches_.erase(stretches_.lower_bound(lo), stretches_.lower_bound(hi));
    stretches_[lo] = cell;
    if (!stretches_.count(hi))
      stretches_[hi] = after;
  }

 private:
  std::map<long, SQCELL_item*> stretches_;  // stretch start -> tile seen last there
};

/*
 * What the sweeps of one pass read of the cells, in arrays by cell index
 * (SQcell[i]), so that a sweep does not go back to the cells and their
 * tiles for each event: the stretch across (drawn, or solved), and in order
 * of near sides (at one place by layer, then as filed) the cells with their
 * near sides and layers.
 */
class SweepCells {
 public:
  SweepCells(const std::vector<std::vector<SQCELL_item*>>& byLayer, bool lr, bool solved)
      : low_(static_cast<size_t>(std::max(SQcell_size, 0))), high_(low_.size()), far_(low_.size())
  {
    for (const auto& layer : byLayer)
      for (SQCELL_item* c : layer) {
        near_.push_back(Near{c->left->loc, c->layernumber, c});
        low_[index(c)] = static_cast<int>(acrossLow(c, lr, solved));
        high_[index(c)] = static_cast<int>(acrossHigh(c, lr, solved));
        far_[index(c)] = c->right->loc;
      }
    std::stable_sort(near_.begin(), near_.end(),
                     [](const Near& a, const Near& b) { return a.at < b.at; });
  }
  struct Near {
    int at;     // near side
    int layer;
    SQCELL_item* cell;
  };
  const std::vector<Near>& near() const { return near_; }
  long low(const SQCELL_item* c) const { return low_[index(c)]; }
  long high(const SQCELL_item* c) const { return high_[index(c)]; }
  int far(const SQCELL_item* c) const { return far_[index(c)]; }  // far side

 private:
  static size_t index(const SQCELL_item* c) { return static_cast<size_t>(c - SQcell); }
  std::vector<Near> near_;
  std::vector<int> low_, high_;  // of boxes' sides: ints
  std::vector<int> far_;
};

/*
 * layerEvents -- the events of one layer's sweep in order of position;
 * at one position the queries of its own layer (kind 0), then its far
 * sides (kind 1), then the queries of other layers (kind 2), each kind as
 * the cells are filed by layer.  kindOf gives, by the layer of a cell of
 * `cells`, a query's kind or -1 for a cell that looks at nothing here.
 */
template <class KindOf>
void layerEvents(const SweepCells& cells, KindOf kindOf, const std::vector<SQCELL_item*>& layer,
                 std::vector<SweepEvent>* events)
{
  std::vector<SQCELL_item*> far(layer);
  std::stable_sort(far.begin(), far.end(), [&cells](const SQCELL_item* a, const SQCELL_item* b) {
    return cells.far(a) < cells.far(b);
  });
  events->clear();
  std::vector<SweepEvent> queries;
  for (const SweepCells::Near& c : cells.near()) {
    const int kind = kindOf(c.layer);
    if (kind >= 0)
      queries.push_back(SweepEvent{c.at, kind, c.cell});
  }
  if (queries.empty())
    return;
  size_t i = 0, j = 0;
  while (i < queries.size() || j < far.size()) {
    const int at = i < queries.size() && (j == far.size() || queries[i].at <= cells.far(far[j]))
                       ? queries[i].at
                       : cells.far(far[j]);
    size_t end = i;
    while (end < queries.size() && queries[end].at == at)
      ++end;
    for (size_t k = i; k < end; ++k)
      if (queries[k].kind == 0)
        events->push_back(queries[k]);
    for (; j < far.size() && cells.far(far[j]) == at; ++j)
      events->push_back(SweepEvent{at, 1, far[j]});
    for (size_t k = i; k < end; ++k)
      if (queries[k].kind != 0)
        events->push_back(queries[k]);
    i = end;
  }
}

/*
 * sweepLayer -- the sweep of the tiles `layer` along the direction: its
 * events (layerEvents, with kindOf) in order; a query event calls
 * query(event, lo, hi, front) with the cell's stretch across, a far side
 * of some extent covers its stretch.
 */
template <class KindOf, class Query>
void sweepLayer(const SweepCells& cells, const std::vector<SQCELL_item*>& layer, KindOf kindOf,
                Query query)
{
  std::vector<SweepEvent> events;
  layerEvents(cells, kindOf, layer, &events);
  SweepFront front;
  for (const SweepEvent& e : events) {
    const long lo = cells.low(e.cell), hi = cells.high(e.cell);
    if (e.kind != 1)
      query(e, lo, hi, front);
    else if (hi > lo)
      front.cover(lo, hi, e.cell);
  }
}

/*
 * AskedArcs --
 *   The arcs asked for on one thread, handed in order to another that makes
 *   them, in blocks; at most kWaiting blocks wait at a time (the asking
 *   thread waits for room), and the blocks go round.  Once the making
 *   thread gives up (close), the asking one drops what it asks.
 */
class AskedArcs {
 public:
  // The asking thread.
  void ask(const Asked& a)
  {
    filling_.push_back(a);
    if (filling_.size() == kBlock)
      pass(false);
  }
  void finish() { pass(true); }

  // The making thread: make(arc) for every arc asked until finish.
  template <class Make>
  void makeAll(Make make)
  {
    std::vector<Asked> block;
    for (;;) {
      {
        std::unique_lock<std::mutex> lock(mutex_);
        if (block.capacity()) {  // the one made last goes round
          block.clear();
          spare_.push_back(std::move(block));
          changed_.notify_all();
        }
        changed_.wait(lock, [this] { return !full_.empty() || finished_; });
        if (full_.empty())
          return;
        block = std::move(full_.front());
        full_.pop_front();
        changed_.notify_all();
      }
      for (const Asked& a : block)
        make(a);
    }
  }
  void close()
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    changed_.notify_all();
  }

 private:
  static constexpr size_t kBlock = 4096, kWaiting = 8;

  void pass(bool last)
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return full_.size() < kWaiting || closed_; });
    if (!closed_ && !filling_.empty())
      full_.push_back(std::move(filling_));
    filling_.clear();
    if (!spare_.empty()) {
      filling_ = std::move(spare_.back());
      spare_.pop_back();
    }
    filling_.reserve(kBlock);
    finished_ = finished_ || last;
    changed_.notify_all();
  }

  std::vector<Asked> filling_;  // of the asking thread
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<Asked>> full_;
  std::vector<std::vector<Asked>> spare_;
  bool finished_ = false, closed_ = false;
};

/*
 * sweepLayers --
 *   sweep(layer, ask) for every layer of `byLayer` with tiles, in order of
 *   layers, each sweep calling ask(arc) for the arcs it asks for, and
 *   make(arc) for each of them in the same order.  A sweep reads the cells
 *   and the rules only, not the lists that the arcs go into: the sweeps run
 *   on a second thread while this one makes the arcs.
 */
template <class Sweep, class Make>
void sweepLayers(const std::vector<std::vector<SQCELL_item*>>& byLayer, Sweep sweep, Make make)
{
  auto sweepAll = [&](auto& ask) {
    for (int layer = 0; layer < static_cast<int>(byLayer.size()); ++layer)
      if (!byLayer[layer].empty())
        sweep(layer, ask);
  };
  AskedArcs queue;
  auto ask = [&queue](const Asked& a) { queue.ask(a); };
  const bool beside = common::alongside(
      [&] {
        try {
          sweepAll(ask);
        } catch (...) {
          queue.finish();
          throw;
        }
        queue.finish();
      },
      [&] {
        try {
          queue.makeAll(make);
        } catch (...) {
          queue.close();
          throw;
        }
      });
  if (!beside)
    sweepAll(make);
}

/*
 * keepApart --
 *   Tiles that face each other across a gap stay apart, even where the
 *   rules give no spacing: tiles of one layer by the gap or one grid step,
 *   whichever is less, so that two shapes never merge into one net; tiles
 *   of interacting layers (see interactingLayers) likewise, or without
 *   overlapping where they touched, so that no device or contact appears.  One sweep per layer along the
 *   direction keeps, per stretch of the other axis, the tile of that layer
 *   whose far side was seen last; the near sides of the tiles of its
 *   partner layers look it up.
 */
void keepApart(bool solved)
{
  const bool lr = resize_direction == LEFT_RIGHT;
  auto lowOf = [lr, solved](const SQCELL_item* c) { return acrossLow(c, lr, solved); };
  auto highOf = [lr, solved](const SQCELL_item* c) { return acrossHigh(c, lr, solved); };
  std::vector<std::vector<SQCELL_item*>> byLayer(kLayerSlots);
  for (int i = 0; i < SQcell_size; ++i) {
    SQCELL_item* c = &SQcell[i];
    if (c->left && c->right && highOf(c) > lowOf(c) && c->layernumber >= 0 &&
        c->layernumber < kLayerSlots)
      byLayer[c->layernumber].push_back(c);
  }
  const LayerPairs pairs = interactingLayers();
  const int step = SCALE > 0 ? SCALE : 1;
  const SweepCells cells(byLayer, lr, solved);
  sweepLayers(
      byLayer,
      [&](int layer, auto& ask) {
        std::vector<SQCELL_item*> seen;
        // Same layer: a tile meeting another is no gap (keepConnections has
        // it); other layers: meeting tiles must not come to overlap, and
        // tiles that were apart must not come to touch (a cut touching a
        // resistor is inside it for the rules).
        sweepLayer(cells, byLayer[layer],
                   [&](int other) { return !pairs[layer][other] ? -1 : other == layer ? 0 : 2; },
                   [&](const SweepEvent& e, long lo, long hi, const SweepFront& front) {
                     front.tilesIn(lo, hi, e.cell, &seen);
                     for (SQCELL_item* a : seen) {
                       const int gap = e.at - cells.far(a);
                       const int rule =
                           solved ? ruleSpacing(a->layernumber, e.cell->layernumber) : 0;
                       if (e.kind == 0 && gap > 0)
                         ask(Asked{a->right, e.cell->left, std::min(gap, std::max(step, rule))});
                       else if (e.kind == 2 && gap >= 0)  // apart stays apart, touching may touch
                         ask(Asked{a->right, e.cell->left,
                                   std::min(gap, std::max(gap > 0 ? step : 0, rule))});
                     }
                   });
      },
      [](const Asked& a) { addFixedArc(a.ori, a.ter, a.weight, ArcOrigin::Apart); });
}


/* The spacing rule between two layers either way round, in layout units. */
int spacingEitherWay(int a, int b) { return std::max(ruleSpacing(a, b), ruleSpacing(b, a)); }

/* The least d >= 0 with d * d >= v. */
long ceilSqrt(long long v)
{
  if (v <= 0)
    return 0;
  long long d = static_cast<long long>(std::sqrt(static_cast<double>(v)));
  while (d * d < v)
    ++d;
  while (d > 0 && (d - 1) * (d - 1) >= v)
    --d;
  return static_cast<long>(d);
}

/*
 * keepRuledSpacing --
 *   The rows see two tiles across a gap only where one's side faces the
 *   other's or at a shaded corner; tiles hidden behind others, or diagonal
 *   neighbours that the compaction of the other direction moves, keep no
 *   spacing.  Here every two tiles whose layers have a spacing rule keep
 *   their distance, measured as the rule checker does (Euclidean):
 *   a tile whose near side follows another's far side, d apart across the
 *   direction (d < rule), keeps a gap of at least sqrt(rule^2 - d^2) in the
 *   direction, rounded up to the grid.  Across is the drawn position in
 *   LEFT_RIGHT and the solved x in TOP_BOTTOM (solved).
 *
 *   No arc asks for more than the drawn gap.  In LEFT_RIGHT the arcs then
 *   keep every pair that met its rule at least sqrt(rule^2 - dy^2) apart
 *   in x, dy being its drawn vertical gap, so that in TOP_BOTTOM the
 *   vertical gap a pair needs is never more than the drawn one: neither
 *   direction grows, and no positive cycle can come of these arcs.  Pairs
 *   that were closer than the rule keep at least their drawn gap.
 *
 *   One sweep per layer M along the direction keeps, per stretch across,
 *   the tile of M whose far side was seen last; the near side of a tile of
 *   any layer with a rule to M looks up the stretches within the rule of
 *   its extent.  A tile of M hidden behind another in a stretch lies
 *   behind it in the output too (tiles of one layer keep their order), so
 *   the nearest one in each stretch is enough.
 */
void keepRuledSpacing(bool solved)
{
  const bool lr = resize_direction == LEFT_RIGHT;
  std::vector<std::vector<SQCELL_item*>> byLayer(kRuleLayers);
  for (int i = 0; i < SQcell_size; ++i) {
    SQCELL_item* c = &SQcell[i];
    if (c->left && c->right && c->layernumber >= 0 && c->layernumber < kRuleLayers)
      byLayer[c->layernumber].push_back(c);
  }
  const long step = SCALE > 0 ? SCALE : 1;
  const SweepCells cells(byLayer, lr, solved);
  sweepLayers(
      byLayer,
      [&](int layer, auto& ask) {
        std::vector<SQCELL_item*> seen;
        // Every query is of kind 0 here: at one place they come before the
        // far sides, and a far side at the near side's position is no gap
        // (the tile behind it is the one to keep).
        sweepLayer(cells, byLayer[layer],
                   [&](int other) { return spacingEitherWay(layer, other) > 0 ? 0 : -1; },
                   [&](const SweepEvent& e, long lo, long hi, const SweepFront& front) {
                     const long rule = spacingEitherWay(layer, e.cell->layernumber);
                     front.tilesIn(lo - rule, hi + rule, e.cell, &seen);
                     std::sort(seen.begin(), seen.end());
                     seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
                     for (SQCELL_item* a : seen) {
                       const long across = std::max({0L, cells.low(a) - hi, lo - cells.high(a)});
                       if (across >= rule)
                         continue;
                       long need = ceilSqrt(static_cast<long long>(rule) * rule -
                                            static_cast<long long>(across) * across);
                       need = (need + step - 1) / step * step;
                       const long gap = e.at - cells.far(a);
                       if (gap >= 0)
                         ask(Asked{a->right, e.cell->left, static_cast<int>(std::min(need, gap))});
                     }
                   });
      },
      // An arc already there may ask as much: looked at as the arcs are made.
      [](const Asked& a) { keepAtLeast(a.ori, a.ter, a.weight, ArcOrigin::RuledSpacing); });
}

struct Drawn {
  SQCELL_item* cell;
  long x1, y1, x2, y2;
};

/*
 * BandedTiles --
 *   Tiles in order of x1, filed by width class (up to `narrow` wide, up to
 *   twice that, four times ...) and by band of `height` across y (a tile in
 *   every band it reaches into), each list in the same order: a look for
 *   the tiles near one tile walks, in the bands it reaches into, only the
 *   tiles that can start close enough to it for their class.
 */
class BandedTiles {
 public:
  BandedTiles(std::vector<Drawn> tiles, long narrow, long height)
      : tiles_(std::move(tiles)), height_(height)
  {
    if (tiles_.empty())
      return;
    low_ = LONG_MAX;
    long high = LONG_MIN;
    for (const Drawn& t : tiles_) {
      low_ = std::min(low_, t.y1);
      high = std::max(high, std::max(t.y1, t.y2 - 1));
    }
    // Not more bands than tiles: a tall tile is in every band it meets.
    height_ = std::max(height_, (high - low_) / static_cast<long>(tiles_.size()) + 1);
    const size_t bands = static_cast<size_t>(band(high)) + 1;
    for (uint32_t i = 0; i < tiles_.size(); ++i) {
      const Drawn& t = tiles_[i];
      size_t k = 0;
      long wide = std::max(narrow, 1L);
      while (t.x2 - t.x1 > wide) {
        wide *= 2;
        ++k;
      }
      if (k >= classes_.size()) {
        for (long w = classes_.empty() ? std::max(narrow, 1L) : classes_.back().wide * 2;
             classes_.size() <= k; w *= 2)
          classes_.push_back(WidthClass{w, std::vector<std::vector<uint32_t>>(bands)});
      }
      for (long b = band(t.y1); b <= band(std::max(t.y1, t.y2 - 1)); ++b)
        classes_[k].bands[b].push_back(i);
    }
  }

  /*
   * Calls f for the tiles with x1 < to and x2 > left that may meet
   * low < y < high, in their order (and maybe some others, in order).
   */
  template <class F>
  void visit(long left, long to, long low, long high, std::vector<uint32_t>* scratch, F f) const
  {
    if (tiles_.empty())
      return;
    const long first = std::max(0L, band(low));
    const long last = std::min(static_cast<long>(band(high)), bandCount() - 1);
    scratch->clear();
    int lists = 0;
    for (const WidthClass& c : classes_)
      for (long b = first; b <= last; ++b) {
        const std::vector<uint32_t>& in = c.bands[b];
        const long from = left - c.wide;
        auto it = std::lower_bound(in.begin(), in.end(), from,
                                   [this](uint32_t i, long x) { return tiles_[i].x1 <= x; });
        const size_t before = scratch->size();
        for (; it != in.end() && tiles_[*it].x1 < to; ++it)
          scratch->push_back(*it);
        lists += scratch->size() > before ? 1 : 0;
      }
    if (lists > 1) {
      std::sort(scratch->begin(), scratch->end());
      scratch->erase(std::unique(scratch->begin(), scratch->end()), scratch->end());
    }
    for (uint32_t i : *scratch)
      f(tiles_[i]);
  }

 private:
  struct WidthClass {
    long wide;                                // widest tile of the class
    std::vector<std::vector<uint32_t>> bands;
  };

  long band(long y) const { return y < low_ ? -1 : (y - low_) / height_; }
  long bandCount() const
  {
    return classes_.empty() ? 0 : static_cast<long>(classes_.front().bands.size());
  }

  std::vector<Drawn> tiles_;
  long height_;
  long low_ = 0;
  std::vector<WidthClass> classes_;
};

/*
 * keepExtensions --
 *   The rows ask a layer to extend beyond another only between tiles that
 *   overlap when the sweep meets them; where the plane split a shape (the
 *   poly on either side of a gate, the metal around a contact cut) the part
 *   beyond the covered tile gets no row and may shrink.  For every rule "a
 *   extends e beyond b" and every tile of b that overlaps a, each tile of a
 *   within e of it that reaches past one of its sides in the direction
 *   keeps reaching past that side by e, or by its drawn overhang when that
 *   is less.  The drawn layout meets every such arc.
 */
void keepExtensions()
{
  const bool lr = resize_direction == LEFT_RIGHT;
  std::vector<std::vector<Drawn>> byLayer(kRuleLayers);
  for (int i = 0; i < SQcell_size; ++i) {
    SQCELL_item* c = &SQcell[i];
    if (!c->left || !c->right || !c->mother_tile || c->layernumber < 0 ||
        c->layernumber >= kRuleLayers)
      continue;
    const _Dtile* t = c->mother_tile;
    byLayer[c->layernumber].push_back(Drawn{c, t->x1, t->y1, cs::right(t), cs::top(t)});
  }
  for (auto& cells : byLayer)
    std::sort(cells.begin(), cells.end(), [](const Drawn& p, const Drawn& q) { return p.x1 < q.x1; });
  // By line index: the last rule whose arcs went into the line's list.
  std::vector<uint32_t> madeIn(squeeze::store(resize_direction).lineCount, 0);
  uint32_t round = 0;
  for (int a = 0; a < kRuleLayers; ++a)
    for (int b = 0; b < kRuleLayers; ++b) {
      if (a == b || EXTENSION_VALID[a][b] != 1 || EXTENSION[a][b] <= 0 || byLayer[a].empty())
        continue;
      const long e = static_cast<long>(EXTENSION[a][b]) * theGlobalScale;
      // Tiles of a up to `span` wide are found from where they can start;
      // the few wider ones (wells, long wires) are looked at each time.
      const long span = 16 * e;
      std::vector<Drawn> shortOnes, longOnes;
      for (const Drawn& o : byLayer[a])
        (o.x2 - o.x1 <= span ? shortOnes : longOnes).push_back(o);
      const BandedTiles shortBands(std::move(shortOnes), 2 * e, 4 * e),
          longBands(std::move(longOnes), 2 * span, 4 * e);
      // The tiles of b in two halves on two threads, each asking for its
      // arcs and looking whether the lists ask as much already (they do
      // not change meanwhile); the arcs are made in the order of the tiles,
      // a list that got an arc of this rule looked at again.
      const std::vector<Drawn>& covered = byLayer[b];
      std::vector<Asked> asked[2];
      common::onTwoThreads([&](bool second) {
        const size_t half = covered.size() / 2;
        std::vector<const Drawn*> near;
        std::vector<uint32_t> scratch;
        for (size_t k = second ? half : 0; k < (second ? covered.size() : half); ++k) {
          const Drawn& in = covered[k];
          near.clear();
          bool touched = false;
          auto look = [&](const Drawn& o) {
            if (o.x2 <= in.x1 - e || o.y2 <= in.y1 - e || o.y1 >= in.y2 + e)
              return;
            near.push_back(&o);
            touched = touched || (o.x1 < in.x2 && in.x1 < o.x2 && o.y1 < in.y2 && in.y1 < o.y2);
          };
          shortBands.visit(in.x1 - e, in.x2 + e, in.y1 - e, in.y2 + e, &scratch, look);
          longBands.visit(in.x1 - e, in.x2 + e, in.y1 - e, in.y2 + e, &scratch, look);
          if (!touched)
            continue;
          auto ask = [&](Asked a) {
            a.held = askedAlready(a.ori, a.ter, a.weight);
            asked[second].push_back(a);
          };
          for (const Drawn* o : near) {
            const long lowIn = lr ? in.x1 : in.y1, highIn = lr ? in.x2 : in.y2;
            const long lowOut = lr ? o->x1 : o->y1, highOut = lr ? o->x2 : o->y2;
            if (highOut > highIn)
              ask(Asked{in.cell->right, o->cell->right,
                        static_cast<int>(std::min(e, highOut - highIn))});
            if (lowOut < lowIn)
              ask(Asked{o->cell->left, in.cell->left, static_cast<int>(std::min(e, lowIn - lowOut))});
          }
        }
      });
      ++round;
      for (const std::vector<Asked>& part : asked)
        keepAsked(part, ArcOrigin::KeptExtension, &madeIn, round);
    }
}

/* holdSize -- the cell keeps its drawn extent in this direction. */
void holdSize(SQCELL_item* c, ArcOrigin origin = ArcOrigin::Passive)
{
  const int extent = c->right->loc - c->left->loc;
  addFixedArc(c->left, c->right, extent, origin);
  addFixedArc(c->right, c->left, -extent, origin);
}

void addChain(std::unordered_set<const _Dtile*>* tiles, const _Dtilelist* start,
              const _Dtilelist* end)
{
  for (const _Dtilelist* l = start; l; l = l->next) {
    tiles->insert(l->tile);
    if (l == end)
      break;
  }
}

/*
 * holdPassives --
 *   Resistors, capacitors and inductors are recognised by their shapes and
 *   are not regenerated here: their tiles keep their drawn sizes, so that
 *   the compacted layout holds the same devices.  The device records are
 *   only compared by address: a record may name a tile that the
 *   recognition cut up and released.
 */
void holdPassives()
{
  std::unordered_set<const _Dtile*> tiles;
  for (const _RX_RESISTOR_* r = resistorList ? resistorList->next : nullptr; r; r = r->next)
    addChain(&tiles, r->start, r->end);
  for (const _CX_CAPACITOR_* c = capacitorList ? capacitorList->next : nullptr; c; c = c->next) {
    tiles.insert(c->plate1);
    tiles.insert(c->plate2);
  }
  for (const _LXInductor* l = inductorList ? inductorList->next : nullptr; l; l = l->next)
    addChain(&tiles, l->start, l->end);
  tiles.erase(nullptr);
  if (tiles.empty())
    return;
  for (int i = 0; i < SQcell_size; ++i) {
    SQCELL_item& c = SQcell[i];
    if (c.left && c.right && tiles.count(c.mother_tile))
      holdSize(&c);
  }
}

/*
 * holdGates --
 *   The transistors that keep their drawn sizes (all of them without a
 *   resize) keep every gate region at its drawn extent: the element tiles
 *   of the active and gate planes.  A resized transistor takes its size
 *   from the resize's rows; one that keeps its own could otherwise be
 *   stretched by what it is aligned with.  A transistor's size never gives
 *   way: a size that cannot be kept is a conflict to report.
 */
void holdGates()
{
  std::unordered_set<const _Dtile*> kept;  // channels of transistors kept at their size
  const bool resizing = PROCESS_INCLUDE_RESIZING > 0;
  if (resizing && Transistors)
    for (int e = 0; e < DelementNum; ++e)
      for (const _Dtransistor* t = Transistors[e]; t; t = t->next)
        if (t->Tgate && t->resize_width == t->width && t->resize_length == t->length)
          addChannel(&kept, t->Tgate);
  for (int i = 0; i < SQcell_size; ++i) {
    SQCELL_item& c = SQcell[i];
    if (c.left && c.right && c.mother_tile && TisElement(c.mother_tile) &&
        (!resizing || kept.count(c.mother_tile)))
      holdSize(&c, resizing ? ArcOrigin::DrawnSize : ArcOrigin::Passive);
  }
}

}  // namespace

void keepLayout()
{
  keepUnruledWidths();
  holdGates();
  tieGateRegions();
  keepConnections();
  keepApart(false);
  keepExtensions();
  if (resize_direction == LEFT_RIGHT)
    keepRuledSpacing(false);
  holdPassives();
}

/*
 * addChannel --
 *   The element tiles of one transistor's channel: the gate tile and the
 *   tiles of its type that meet it, side by side or one on another (a
 *   channel between diffusions of different outlines is cut into several
 *   tiles).
 */
void addChannel(std::unordered_set<const _Dtile*>* tiles, const _Dtile* gate)
{
  std::vector<const _Dtile*> todo{gate};
  tiles->insert(gate);
  auto visit = [&](const _Dtile* n) {
    if (n && n->type == gate->type && tiles->insert(n).second)
      todo.push_back(n);
  };
  while (!todo.empty()) {
    const _Dtile* t = todo.back();
    todo.pop_back();
    for (const _Dtile* n = t->rt(); n && cs::right(n) > t->x1; n = n->bl())
      visit(n);
    for (const _Dtile* n = t->lb(); n && n->x1 < cs::right(t); n = n->tr())
      visit(n);
    for (const _Dtile* n = t->bl(); n && n->y1 < cs::top(t); n = n->rt())
      visit(n);
    for (const _Dtile* n = t->tr(); n && cs::top(n) > t->y1; n = n->lb())
      visit(n);
  }
}

/*
 * askedAlready -- one of the arcs filed last from ori (a look at a few is
 * cheap; a line may have many) asks as much.
 */
bool askedAlready(const SQLINE_item* ori, const SQLINE_item* ter, int weight)
{
  int looked = 0;
  for (const SQARC_item* a = ori->ori_next; a && looked < 6; a = a->ori_next, ++looked)
    if (a->ter == ter && a->weight >= weight)
      return true;
  return false;
}

void keepAtLeast(SQLINE_item* ori, SQLINE_item* ter, int weight, ArcOrigin origin)
{
  if (!askedAlready(ori, ter, weight))
    addFixedArc(ori, ter, weight, origin);
}

void keepAsked(const std::vector<Asked>& asked, ArcOrigin origin, std::vector<uint32_t>* madeIn,
               uint32_t round)
{
  for (const Asked& a : asked) {
    const size_t from = lineIndex(a.ori);
    if (from >= madeIn->size() || (*madeIn)[from] == round) {
      keepAtLeast(a.ori, a.ter, a.weight, origin);  // its list changed: looked at again
    } else if (!a.held) {
      addFixedArc(a.ori, a.ter, a.weight, origin);
      (*madeIn)[from] = round;
    }
  }
}

void keepApartAfterLeftRight()
{
  if (resize_direction == TOP_BOTTOM) {
    keepApart(true);
    keepRuledSpacing(true);
  }
}

}  // namespace squeeze
