// Start tiles for the searches of plane building.
#include "CS.h"

#include <algorithm>
#include <cmath>
#include <utility>

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

PlaneIndex::PlaneIndex(long long x1, long long y1, long long x2, long long y2, long cells)
{
  double area = static_cast<double>(x2 - x1) * static_cast<double>(y2 - y1);
  cell_ = std::max<long long>(1, static_cast<long long>(std::ceil(std::sqrt(area / cells))));
  x0_ = x1;
  y0_ = y1;
  nx_ = static_cast<int>((x2 - x1 + cell_ - 1) / cell_);
  ny_ = static_cast<int>((y2 - y1 + cell_ - 1) / cell_);
  first_.assign(static_cast<size_t>(nx_) * ny_, -1);
  entries_.reserve(static_cast<size_t>(cells));
}

int PlaneIndex::cellOf(long long v, long long origin, int count) const
{
  long long c = v < origin ? 0 : (v - origin) / cell_;
  return static_cast<int>(std::min<long long>(c, count - 1));
}

void PlaneIndex::note(_Dtile* tile)
{
  long long x = (static_cast<long long>(tile->x1) + right(tile)) / 2;
  long long y = (static_cast<long long>(tile->y1) + top(tile)) / 2;
  int32_t& first = first_[static_cast<size_t>(cellOf(y, y0_, ny_)) * nx_ + cellOf(x, x0_, nx_)];
  entries_.push_back({tile, first});
  first = static_cast<int32_t>(entries_.size() - 1);
}

_Dtile* PlaneIndex::near(int x, int y, _Dtile** closest) const
{
  long long best = -1;
  const int cx = cellOf(x, x0_, nx_), cy = cellOf(y, y0_, ny_);
  // Scratch of the calling thread: two threads may search one plane.
  thread_local std::vector<std::pair<long long, _Dtile*>> ring, later;
  later.clear();
  int seeks = 0;
  // Rings of cells around the point's cell, nearest tiles of a ring first.
  for (int r = 0; r <= kRings && seeks < kSeeks; ++r) {
    ring.clear();
    for (int iy = cy - r; iy <= cy + r; ++iy) {
      if (iy < 0 || iy >= ny_)
        continue;
      bool edge = iy == cy - r || iy == cy + r;
      for (int ix = cx - r; ix <= cx + r; ix += edge || r == 0 ? 1 : 2 * r) {
        if (ix < 0 || ix >= nx_)
          continue;
        for (int32_t e = first_[static_cast<size_t>(iy) * nx_ + ix]; e >= 0;
             e = entries_[e].next)
          ring.push_back({distance(entries_[e].tile, x, y), entries_[e].tile});
      }
    }
    std::sort(ring.begin(), ring.end());
    if (!ring.empty() && (best < 0 || ring.front().first < best)) {
      best = ring.front().first;
      *closest = ring.front().second;
    }
    for (const auto& candidate : ring) {
      if (candidate.first == 0)
        return candidate.second;
      // A walk to the right climbs to the top of the next column first
      // (tiles are cut vertically): from a tile left of the point it passes
      // every tile above the point there.  Such tiles are tried last.
      if (x > right(candidate.second)) {
        later.push_back(candidate);
        continue;
      }
      if (seeks++ == kSeeks)
        break;
      if (_Dtile* found = seek(candidate.second, x, y, kShortWalk))
        return found;
    }
  }
  std::sort(later.begin(), later.end());
  for (const auto& candidate : later) {
    if (seeks++ >= kSeeks)
      break;
    if (_Dtile* found = seek(candidate.second, x, y, kShortWalk))
      return found;
  }
  return nullptr;
}

void startIndex(int plane, const _rects* rects)
{
  State& s = state();
  if (!s.indexing || plane < 0 || plane >= kMaxPlanes)
    return;
  long long x1 = kMax, y1 = kMax, x2 = kMin, y2 = kMin;
  long count = 0;
  for (const _rects* r = rects; r; r = r->next) {
    x1 = std::min<long long>(x1, std::min(r->x1, r->x2));
    y1 = std::min<long long>(y1, std::min(r->y1, r->y2));
    x2 = std::max<long long>(x2, std::max(r->x1, r->x2));
    y2 = std::max<long long>(y2, std::max(r->y1, r->y2));
    ++count;
  }
  s.indexes[plane].reset();
  if (count > 0 && x1 < x2 && y1 < y2)
    s.indexes[plane] = std::make_unique<PlaneIndex>(x1, y1, x2, y2, count);
}

void noteCreated(int plane, _Dtile* tile)
{
  State& s = state();
  if (s.indexing && plane >= 0 && plane < kMaxPlanes && s.indexes[plane])
    s.indexes[plane]->note(tile);
}

_Dtile* startNear(int plane, _Dtile* hint, int x, int y)
{
  State& s = state();
  if (!s.indexing || plane < 0 || plane >= kMaxPlanes || !s.indexes[plane])
    return hint;
  if (_Dtile* found = hint ? seek(hint, x, y, kHintWalk) : nullptr)
    return found;
  // Where no remembered tile gets there in a few steps, the walk starts
  // from the nearest of them, which is nearer than a hint that failed.
  _Dtile* closest = hint;
  _Dtile* found = s.indexes[plane]->near(x, y, &closest);
  return found ? found : closest;
}

void dropIndexes()
{
  State& s = state();
  s.indexing = false;
  for (std::unique_ptr<PlaneIndex>& index : s.indexes)
    index.reset();
}

int planeOfEntry(const _Dtile* entry)
{
  for (int i = 0; i < DlayerNum; ++i)
    if (DlayerTile[i].layertile == entry)
      return i;
  return -1;
}

}  // namespace cs
