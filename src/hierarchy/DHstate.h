// DHstate.h -- internals of the hierarchy subsystem, shared by the files of
// src/hierarchy only: who owns the groups, their runs and the id table.
#pragma once

#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

#include "DHhierarchy.h"

namespace hierarchy {

constexpr int kModule = 13;  // message module of the hierarchy

struct State {
  std::vector<std::unique_ptr<MultiFingerTran>> groups;  // by id - 1
  std::vector<std::unique_ptr<ContiguousElem>> runs;
  _DMFTHashTable table{};
  _DMFTList_ buckets[kMFTHashSize] = {};
  std::deque<_DMFTList_> nodes;                       // chain nodes of the id table
  std::unordered_map<int, _DMFTList_*> byId;          // lookups without walking chains
};

State& state();

}  // namespace hierarchy
