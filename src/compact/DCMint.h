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
      chunks_.push_back(std::unique_ptr<T[]>(new T[kChunk]));  // not cleared: taken one by one
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
  // Records per chunk: large enough for chunks to be mapped and unmapped
  // whole rather than carved from the heap.
  static constexpr size_t kChunk = 16384;
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

// Prints the wall-clock date as the shell command "date" does.
void printDate();

// Bytes held by the pools (benchmark).
size_t poolBytes();

}  // namespace compact
