// DCMint.h -- internals shared by the files of src/compact.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "Dcompact.h"

namespace compact {

// Records taken in chunks and released all at once.
template <class T>
class Pool {
 public:
  T* take()
  {
    if (used_ == kChunk || chunks_.empty()) {
      chunks_.push_back(std::make_unique<T[]>(kChunk));
      used_ = 0;
    }
    T* record = &chunks_.back()[used_++];
    *record = T{};
    return record;
  }
  void release()
  {
    chunks_.clear();
    used_ = kChunk;
  }
  size_t bytes() const { return chunks_.size() * kChunk * sizeof(T); }

 private:
  static constexpr size_t kChunk = 4096;  // records per chunk
  std::vector<std::unique_ptr<T[]>> chunks_;
  size_t used_ = kChunk;
};

_equation_item* newEquationItem();
_rhs_item* newRhsItem();
_edge* newEdge();
box_item* newBox();
box_item* newShadowBox();  // of one pass
_edge_w_box* newShadowEntry();

// Shadow boxes and Se entries of one pass.
void releasePassRecords();

void resetStatistics();

// Whether a row was made for the ordered pair (e1, e2): e1's list holds a
// negative item naming e2.  Long lists are looked up in a per-edge set.
bool pairMade(const _edge* e1, const _edge* e2, const _equation_item* e1List);
void notePair(const _edge* e1, const _edge* e2);

// Prints the wall-clock date as the shell command "date" does.
void printDate();

// Bytes held by the pools (benchmark).
size_t poolBytes();

}  // namespace compact
