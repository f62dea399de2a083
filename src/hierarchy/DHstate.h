// DHstate.h -- internals of the hierarchy subsystem, shared by the files of
// src/hierarchy only: who owns the groups, their runs and the id table.
#pragma once

#include <deque>
#include <memory>
#include <vector>

#include "DHhierarchy.h"

namespace hierarchy {

constexpr int kModule = 13;  // message module of the hierarchy

struct State {
  std::deque<MultiFingerTran> groups;  // by id - 1
  std::deque<ContiguousElem> runs;
  _DMFTHashTable table{};
  _DMFTList_ buckets[kMFTHashSize] = {};
  std::deque<_DMFTList_> nodes;                       // chain nodes of the id table
};

State& state();

}  // namespace hierarchy
