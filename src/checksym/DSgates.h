// DSgates.h -- internals of direct detection shared by the files of
// src/checksym: gate boxes made for a few transistors, and the search.
#pragma once

#include <deque>
#include <vector>

#include "DSsymmetry.h"
#include "Dcompact.h"

struct _Dtile;

namespace checksym {

constexpr int kModule = 8;  // message module of symmetry detection

// The transistor whose gate tile is `tile`, or null.
_Dtransistor* gateTransistor(const _Dtile* tile);

// Gate boxes of a few transistors, each in a one-box set; the records live
// as long as the object.
class GateBoxes {
 public:
  void add(_Dtransistor* t);
  bool empty() const { return list_.head == nullptr; }
  set_list* list() { return &list_; }

 private:
  _edge* edge(int along, int from, int to, unsigned char upward, _Dtile* tile);
  std::deque<_edge> edges_;
  std::deque<box_item> boxes_;
  std::deque<set> sets_;
  std::vector<const _Dtile*> tiles_;
  set_list list_{nullptr, 0};
};

// scan_allsets outside the resizer, every axis left printed and marked
// visited, then the axes found once dropped.
// Returns: 1 when an axis was present before that last cleaning.
int searchAndReport(set_list* sets);

}  // namespace checksym
