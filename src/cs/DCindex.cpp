// Start tiles for searches in finished planes.
#include "CS.h"

#include <algorithm>
#include <cmath>

#include "DCint.h"

namespace cs {

namespace {

// Steps from (x, y) to the nearest point of the tile, in both directions.
long long distance(const _Dtile* t, int x, int y)
{
  long long dx = x <= t->x1 ? static_cast<long long>(t->x1) - x + 1
                 : x > right(t) ? static_cast<long long>(x) - right(t)
                                : 0;
  long long dy = y < t->y1 ? static_cast<long long>(t->y1) - y
                 : y >= top(t) ? static_cast<long long>(y) - top(t) + 1
                               : 0;
  return dx + dy;
}

}  // namespace

/*
 * PlaneIndex --
 *   Puts the tiles into the cells of a grid over their bounding box that
 *   they meet.  The cells are about as many as the tiles; as the tiles do
 *   not overlap, the entries stay about as many too.
 */
PlaneIndex::PlaneIndex(const std::vector<_Dtile*>& tiles)
{
  if (tiles.empty())
    return;
  long long bx1 = kMax, by1 = kMax, bx2 = kMin, by2 = kMin;
  for (const _Dtile* t : tiles) {
    bx1 = std::min<long long>(bx1, t->x1);
    by1 = std::min<long long>(by1, t->y1);
    bx2 = std::max<long long>(bx2, right(t));
    by2 = std::max<long long>(by2, top(t));
  }
  double area = static_cast<double>(bx2 - bx1) * static_cast<double>(by2 - by1);
  cell_ = std::max(1, static_cast<int>(std::ceil(std::sqrt(area / tiles.size()))));
  x0_ = static_cast<int>(bx1);
  y0_ = static_cast<int>(by1);
  nx_ = static_cast<int>((bx2 - bx1 + cell_ - 1) / cell_);
  ny_ = static_cast<int>((by2 - by1 + cell_ - 1) / cell_);

  std::vector<uint32_t> count(static_cast<size_t>(nx_) * ny_ + 1, 0);
  auto eachCell = [&](const _Dtile* t, auto&& use) {
    int cx1 = static_cast<int>((t->x1 - bx1) / cell_);
    int cx2 = static_cast<int>((right(t) - 1 - bx1) / cell_);
    int cy1 = static_cast<int>((t->y1 - by1) / cell_);
    int cy2 = static_cast<int>((top(t) - 1 - by1) / cell_);
    for (int cy = cy1; cy <= cy2; ++cy)
      for (int cx = cx1; cx <= cx2; ++cx)
        use(static_cast<size_t>(cy) * nx_ + cx);
  };
  for (const _Dtile* t : tiles)
    eachCell(t, [&](size_t cell) { ++count[cell + 1]; });
  for (size_t i = 1; i < count.size(); ++i)
    count[i] += count[i - 1];
  start_ = count;
  tiles_.resize(count.back());
  for (_Dtile* t : tiles)
    eachCell(t, [&](size_t cell) { tiles_[count[cell]++] = t; });
}

_Dtile* PlaneIndex::near(int x, int y) const
{
  if (nx_ == 0)
    return nullptr;
  auto cellOf = [&](int v, int origin, int n) {
    long long c = v < origin ? -1 : (static_cast<long long>(v) - origin) / cell_;
    return static_cast<int>(std::min<long long>(c, n));
  };
  const int cx = cellOf(x, x0_, nx_), cy = cellOf(y, y0_, ny_);
  auto cellRange = [&](int ix, int iy, uint32_t* begin, uint32_t* end) {
    if (ix < 0 || iy < 0 || ix >= nx_ || iy >= ny_)
      return false;
    size_t cell = static_cast<size_t>(iy) * nx_ + ix;
    *begin = start_[cell];
    *end = start_[cell + 1];
    return true;
  };

  // Mostly a noted tile of the point's cell holds it.
  uint32_t begin, end;
  if (cellRange(cx, cy, &begin, &end))
    for (uint32_t i = begin; i < end; ++i)
      if (distance(tiles_[i], x, y) == 0)
        return tiles_[i];

  // Otherwise walk a little from the nearest ones around it.
  std::vector<std::pair<long long, _Dtile*>>& candidates = candidates_;
  candidates.clear();
  for (int iy = cy - 1; iy <= cy + 1; ++iy)
    for (int ix = cx - 1; ix <= cx + 1; ++ix)
      if (cellRange(ix, iy, &begin, &end))
        for (uint32_t i = begin; i < end; ++i)
          candidates.push_back({distance(tiles_[i], x, y), tiles_[i]});
  if (candidates.empty())
    return nullptr;
  auto nearest = std::min_element(candidates.begin(), candidates.end());
  if (_Dtile* found = seek(nearest->second, x, y, kShortWalk))
    return found;
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  const size_t tries = std::min<size_t>(kTries, candidates.size());
  for (size_t i = 0; i < tries; ++i)
    if (_Dtile* found = seek(candidates[i].second, x, y, kShortWalk))
      return found;
  return candidates.front().second;
}

void noteCreated(int plane, _Dtile* tile)
{
  State& s = state();
  if (s.indexing && plane >= 0 && plane < kMaxPlanes && !s.indexes[plane])
    s.created[plane].push_back(tile);
}

_Dtile* indexedStart(int plane, int x, int y)
{
  State& s = state();
  if (!s.indexing || plane < 0 || plane >= kMaxPlanes)
    return nullptr;
  std::unique_ptr<PlaneIndex>& index = s.indexes[plane];
  if (!index) {
    index = std::make_unique<PlaneIndex>(s.created[plane]);
    s.created[plane] = std::vector<_Dtile*>();
  }
  return index->near(x, y);
}

void dropIndexes()
{
  State& s = state();
  s.indexing = false;
  for (int i = 0; i < kMaxPlanes; ++i) {
    s.indexes[i].reset();
    s.created[i] = std::vector<_Dtile*>();
  }
}

int planeOfEntry(const _Dtile* entry)
{
  for (int i = 0; i < DlayerNum; ++i)
    if (DlayerTile[i].layertile == entry)
      return i;
  return -1;
}

}  // namespace cs
