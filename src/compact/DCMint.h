// DCMint.h -- internals shared by the files of src/compact.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "Dcompact.h"

namespace compact {

// Memory in whole huge pages (2 MB) for the large pools, which the kernel
// may then map by huge pages: a page fault and a TLB entry per 2 MB rather
// than per 4 KB.  `bytes` is a multiple of kBlockBytes; the memory is not
// cleared.
constexpr size_t kBlockBytes = size_t{2} << 20;
struct BlockRelease {
  void operator()(void* block) const;
};
using Block = std::unique_ptr<void, BlockRelease>;
Block newBlock(size_t bytes);

// Records taken in chunks of one block and released all at once.
template <class T>
class Pool {
 public:
  T* take()
  {
    if (used_ == kChunk) {
      chunks_.push_back(newBlock(kBlockBytes));  // not cleared: taken one by one
      used_ = 0;
    }
    return new (static_cast<T*>(chunks_.back().get()) + used_++) T{};
  }
  void release()
  {
    chunks_.clear();
    used_ = kChunk;
  }
  size_t bytes() const { return chunks_.size() * kBlockBytes; }

 private:
  static constexpr size_t kChunk = kBlockBytes / sizeof(T);
  std::vector<Block> chunks_;
  size_t used_ = kChunk;
};

// The coefficient items of the run, numbered from 1 in the order added.
// An item is kept in 8 bytes (other variable, successor) with its
// coefficient in a byte beside it, in chunks of 2^21 items (9 blocks); the
// rare coefficient beyond a byte is kept aside by place.  Rows are numbered
// one after the other and their items come together, so an item's row
// number is that of the item before it or one more: a bit per item tells
// which, and every group of 64 items keeps the row of its first one.  A
// group whose rows go otherwise keeps them one by one aside.  Two items per
// row make this the bulk of the rows' memory.  32-bit numbers: 2^32 items of
// 9 bytes would be 38 GB, beyond any memory the rows can have.
class EquationPool {
 public:
  uint32_t add(int rank, int coeff, int other, uint32_t next)
  {
    if (count_ == chunks_.size() * kChunk) {
      chunks_.push_back(newBlock(sizeof(Chunk)));
      new (chunks_.back().get()) Chunk;  // not cleared: filled in order
    }
    const size_t i = count_++;
    Chunk& chunk = *static_cast<Chunk*>(chunks_[i >> kShift].get());
    const size_t at = i & (kChunk - 1);
    chunk.records[at] = Record{other, next};
    const uint32_t place = static_cast<uint32_t>(count_);
    if (coeff > kWide && coeff <= INT8_MAX) {
      chunk.coeffs[at] = static_cast<int8_t>(coeff);
    } else {
      chunk.coeffs[at] = kWide;
      wide_[place] = coeff;
    }
    addRank(i, rank);
    return place;
  }
  uint32_t add(const _equation_item& item) { return add(item.rank, item.coeff, item.other, item.next); }
  _equation_item at(uint32_t place) const
  {
    const Record& r = record(place);
    return _equation_item{rank(place), coeff(place), r.other, r.next};
  }
  int rank(uint32_t place) const
  {
    const size_t i = place - 1, group = i >> kGroupShift, bit = i & (kGroup - 1);
    if (steps_[group] & kIrregular)
      return irregular_.at(group)[bit];
    // Bit 0 is the flag, never a step: the first item of a group has the group's row.
    return groupRank_[group] + __builtin_popcountll(steps_[group] & ((uint64_t{2} << bit) - 1));
  }
  int coeff(uint32_t place) const
  {
    const size_t i = place - 1;
    const int8_t c = static_cast<const Chunk*>(chunks_[i >> kShift].get())->coeffs[i & (kChunk - 1)];
    return c != kWide ? c : wide_.at(place);
  }
  int other(uint32_t place) const { return record(place).other; }
  uint32_t next(uint32_t place) const { return record(place).next; }
  void release()
  {
    chunks_.clear();
    count_ = 0;
    wide_.clear();
    steps_.clear();
    steps_.shrink_to_fit();
    groupRank_.clear();
    groupRank_.shrink_to_fit();
    irregular_.clear();
  }
  size_t bytes() const
  {
    return chunks_.size() * sizeof(Chunk) + steps_.capacity() * sizeof(uint64_t) +
           groupRank_.capacity() * sizeof(int32_t);
  }

 private:
  struct Record {
    int other;
    uint32_t next;
  };
  static constexpr unsigned kShift = 21;
  static constexpr size_t kChunk = size_t{1} << kShift;
  struct Chunk {
    Record records[kChunk];
    int8_t coeffs[kChunk];
  };
  static_assert(sizeof(Chunk) % kBlockBytes == 0, "a chunk of whole blocks");
  static constexpr int8_t kWide = INT8_MIN;  // the coefficient is in wide_
  static constexpr unsigned kGroupShift = 6;
  static constexpr size_t kGroup = size_t{1} << kGroupShift;
  static constexpr uint64_t kIrregular = 1;  // bit 0 of a group's steps: its rows are aside

  const Record& record(uint32_t place) const
  {
    const size_t i = place - 1;
    return static_cast<const Chunk*>(chunks_[i >> kShift].get())->records[i & (kChunk - 1)];
  }
  void addRank(size_t i, int rank)
  {
    const uint64_t step = static_cast<uint64_t>(static_cast<int64_t>(rank) - lastRank_);
    lastRank_ = rank;
    if ((i & (kGroup - 1)) != 0 && step <= 1 && !(steps_.back() & kIrregular))
      steps_.back() |= step << (i & (kGroup - 1));  // the group of the item is the last one
    else
      addRankAside(i, rank);
  }
  void addRankAside(size_t i, int rank);

  std::vector<Block> chunks_;
  size_t count_ = 0;
  std::unordered_map<uint32_t, int> wide_;
  std::vector<uint64_t> steps_;       // by group: bit b, item b has the row after item b - 1's
  std::vector<int32_t> groupRank_;    // by group: the row of its first item
  std::unordered_map<size_t, std::vector<int>> irregular_;  // by group
  int64_t lastRank_ = 0;
};
extern EquationPool equationItems;

_edge* newEdge();
box_item* newBox();
box_item* newShadowBox();  // of one pass
_edge_w_box* newShadowEntry();
// Shadow boxes out of every set, and Se lists read for the last time, are
// taken again by the calls above.
void freeShadowBox(box_item* shadow);
void freeShadowEntries(_edge_w_box* list);

// Shadow boxes and Se entries of one pass.
void releasePassRecords();
// Drops the index of the tiles' side variables made for the symmetry rows.
void releaseSideIndex();

void resetStatistics();

// Forgets the kinds of the rows (end of a run).
void resetRowKinds();

// Prints the wall-clock date as the shell command "date" does.
void printDate();

// Bytes held by the pools (benchmark).
size_t poolBytes();

}  // namespace compact
