// A grid of the tiles of a plane for repeated searches around tiles.
#include "CS.h"

#include <algorithm>
#include <cmath>

namespace cs {

namespace {

constexpr int kMaxCells = 2048;      // cells across, at most
constexpr size_t kTilesPerCell = 4;  // filed tiles of a cell, about

}  // namespace

void TileGrid::build(_Dtile* entry, Filter keep)
{
  cells_.clear();
  kept_.clear();
  built_ = false;
  if (!entry)
    return;
  const _box& frame = DlayerTile[0].frame;
  x0_ = frame.x1;
  y0_ = frame.y1;
  _Dtilelist* all = nullptr;
  Stitch = entry;
  AreaEnum(kMin, kMin, kMax, kMax, &all, 0);
  std::vector<_Dtile*>& kept = kept_;
  for (_Dtilelist* l = all; l; l = l->next)
    if (keep(l->tile))
      kept.push_back(l->tile);
  FreeList(all);
  n_ = std::max(1, std::min(kMaxCells, static_cast<int>(std::sqrt(kept.size() / kTilesPerCell))));
  w_ = std::max<long>(1, (long(frame.x2) - frame.x1 + n_ - 1) / n_);
  h_ = std::max<long>(1, (long(frame.y2) - frame.y1 + n_ - 1) / n_);
  cells_.assign(static_cast<size_t>(n_) * n_, {});
  for (_Dtile* t : kept) {
    const int i1 = column(t->x1), i2 = column(long(right(t)) - 1);
    const int j1 = row(t->y1), j2 = row(long(top(t)) - 1);
    for (int j = j1; j <= j2; ++j)
      for (int i = i1; i <= i2; ++i)
        cells_[size_t(j) * n_ + i].push_back(t);
  }
  built_ = true;
}

void TileGrid::under(int x1, int y1, int x2, int y2, std::vector<_Dtile*>* found,
                     bool sorted) const
{
  found->clear();
  if (!built_)
    return;
  const int i1 = column(x1), i2 = column(long(x2) - 1);
  const int j1 = row(y1), j2 = row(long(y2) - 1);
  for (int j = j1; j <= j2; ++j)
    for (int i = i1; i <= i2; ++i)
      for (_Dtile* t : cells_[size_t(j) * n_ + i]) {
        if (!(t->x1 < x2 && right(t) > x1 && t->y1 < y2 && top(t) > y1))
          continue;
        // A tile filed in several cells is taken in the cell of the lower
        // left corner of its part inside the rectangle only.
        if (column(std::max(t->x1, x1)) != i || row(std::max(t->y1, y1)) != j)
          continue;
        found->push_back(t);
      }
  if (sorted)
    std::sort(found->begin(), found->end(), [](const _Dtile* a, const _Dtile* b) {
      return a->y1 != b->y1 ? a->y1 < b->y1 : a->x1 < b->x1;
    });
}

int TileGrid::column(long x) const
{
  return static_cast<int>(std::clamp<long>((x - x0_) / w_, 0, n_ - 1));
}

int TileGrid::row(long y) const
{
  return static_cast<int>(std::clamp<long>((y - y0_) / h_, 0, n_ - 1));
}

}  // namespace cs
