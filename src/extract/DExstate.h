// DExstate.h -- internals of the extraction, shared by the files of
// src/extract only: the record pools, the indexes behind the name hash and
// the name table, the search hints of the planes and the neighbour walk.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "CS.h"
#include "DEextract.h"

namespace extract {

constexpr int kModule = 9;  // message module of the extraction

// Records made in blocks and released all at once.  A record comes
// zero-filled.
template <class T>
class RecordPool {
 public:
  T* take()
  {
    if (used_ == kBlock) {
      blocks_.push_back(std::make_unique<T[]>(kBlock));
      used_ = 0;
    }
    return &blocks_.back()[used_++];
  }
  void clear()
  {
    blocks_.clear();
    used_ = kBlock;
  }

 private:
  static constexpr size_t kBlock = 4096;  // records per block
  std::vector<std::unique_ptr<T[]>> blocks_;
  size_t used_ = kBlock;
};

// A set of tiles as one bit per tile slot: a large layout's gates are
// entered and asked about millions of times.
class TileBits {
 public:
  void insert(const _Dtile* t)
  {
    const uint32_t slot = cs::slotOf(t);
    if (slot / 64 >= bits_.size())
      bits_.resize(slot / 64 + 1, 0);
    bits_[slot / 64] |= uint64_t{1} << (slot % 64);
  }
  bool count(const _Dtile* t) const
  {
    const uint32_t slot = cs::slotOf(t);
    return slot / 64 < bits_.size() && (bits_[slot / 64] >> (slot % 64) & 1) != 0;
  }
  void clear() { bits_.clear(); }
  template <class Visit>
  void forEach(Visit&& visit) const
  {
    for (size_t w = 0; w < bits_.size(); ++w)
      for (uint64_t b = bits_[w]; b; b &= b - 1)
        visit(cs::tileAt(static_cast<uint32_t>(w * 64 + static_cast<size_t>(__builtin_ctzll(b)))));
  }

 private:
  std::vector<uint64_t> bits_;
};

struct State {
  RecordPool<_Dtransistor> transistors;
  RecordPool<_Dnet> nets;
  RecordPool<_DnameTable> names;
  RecordPool<_DListTran> tranNodes;
  RecordPool<_DListNet> netNodes;
  std::vector<_Dtransistor*> listHeads;  // what Transistors points at
  _DHashTable hash{};
  _DListTran tranBuckets[kHashSize] = {};
  _DListNet netBuckets[kHashSize] = {};
  // Lookups of the hash and of the name table without walking chains.
  std::unordered_map<std::string, _DListTran*> tranIndex;
  std::unordered_map<std::string, _DListNet*> netIndex;  // other names
  std::vector<_DListNet*> netByNumber;                   // names "n<k>"
  std::unordered_map<int, _DnameTable*> newestName;
  // Members of TransList.
  std::unordered_set<const _Dtransistor*> recorded;
  // Tiles whose lower slot holds a transistor.
  TileBits holders;
  // Pin records made by DExDefIOExe.
  std::vector<std::unique_ptr<_Dtransistor>> pins;
  // Where the next point search of each plane starts.
  _Dtile* hints[kMaxPlanes] = {};
  // The tiles the records point at exist (the planes were not released).
  bool tilesLive = false;
  // The text typed for the running naming interaction.
  std::string typed;
  // Scratch of recognition: tiles of the terminal regions flooded.
  std::vector<_Dtile*> flooded;
  // The planes of each element's layers, for the plane set `planesOf`.
  struct ElementPlanes {
    std::vector<int> cover;  // planes of the layers from the gate layer on; -1: none
    int portLayer = -1;      // layer number of the first port layer
    std::vector<int> ports;  // planes of the further port layers; -1: none
  };
  std::vector<ElementPlanes> elements;
  // Nets by number, and the nets a passive extractor changed.
  std::vector<_Dnet*> byNumber;
  std::vector<char> changed;
  std::vector<uint32_t> netPlanes;  // planes of each net's tiles; 0 unknown
  // Capacitor plates.
  std::unordered_set<const _Dtile*> plates;
  // The passive devices' terminals and listings, by kind.
  struct Passive {
    PassiveTerminals terminals = nullptr;
    PassiveListing listing = nullptr;
  };
  Passive passives[3];
  std::vector<void (*)()> releaseHooks;
  const _Dtile* planesOf = nullptr;     // the plane set they were found in
  std::vector<int> elementShape;        // the layer counts they were found for
};

State& state();
NetFinder& netFinder();

// The planes of element `e`'s layers in the current plane set.
const State::ElementPlanes& elementPlanes(int e);

// The planes of the tiles the last trace took.
uint32_t lastTracedPlanes();

// Forgets every record without touching tiles.
void dropRecords();

// Plane-table entry of the plane whose layer number is `layer`, or -1.
int planeOfLayer(int layer);
// Plane-table entry of the plane named `name`, or -1.
int planeNamed(const char* name);
// The tile of plane `plane` holding (x, y), found from the plane's hint.
// Stitch is left at that tile.
_Dtile* findIn(int plane, int x, int y);
// AreaEnum in plane `plane`, starting from its hint.
int enumIn(int plane, int x1, int y1, int x2, int y2, _Dtilelist** list);

// Rectangle of a tile.
inline _box boxOf(const _Dtile* t) { return {t->x1, t->y1, cs::right(t), cs::top(t)}; }

// Calls visit(n) for the neighbours of `t` in the order right side (from
// tr downward), left side (from bl upward), top side (from rt leftward) and
// bottom side (from lb rightward).  The next stitch is read before visit.
template <class Visit>
void eachNeighbor(_Dtile* t, Visit&& visit)
{
  const int left = t->x1, bottom = t->y1;
  const int right = cs::right(t), top = cs::top(t);
  // Right side, downward.
  for (_Dtile* n = t->tr(); n && cs::top(n) > bottom;) {
    _Dtile* following = n->lb();
    visit(n);
    n = following;
  }
  // Left side, upward.
  for (_Dtile* n = t->bl(); n && n->y1 < top;) {
    _Dtile* following = n->rt();
    visit(n);
    n = following;
  }
  // Top side, leftward.
  for (_Dtile* n = t->rt(); n && cs::right(n) > left;) {
    _Dtile* following = n->bl();
    visit(n);
    n = following;
  }
  // Bottom side, rightward.
  for (_Dtile* n = t->lb(); n && n->x1 < right;) {
    _Dtile* following = n->tr();
    visit(n);
    n = following;
  }
}

// Paints and circles a tile in the main view and adds it to the highlight
// list of plane 0.
void markTile(_Dtile* t, int colour);

// A new zero-filled transistor record, owned by the extraction.
_Dtransistor* newTransistor();
// A new net record "n<node>" prepended to Nets.
_Dnet* newNet(int node, _Dtilelist* tiles);

// Prepends a name-table entry; the name must fit (kNetNameLength - 1).
void addName(int node, const char* name);

}  // namespace extract
