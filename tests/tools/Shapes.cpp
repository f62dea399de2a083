// Merged shapes: a sweep over the bands between the distinct y values of
// the input, one interval list per band, strips of equal extent in
// neighbouring bands joined into one.
#include "Shapes.h"

#include <climits>
#include <cmath>
#include <numeric>

namespace layout_check {

namespace {

using Interval = std::pair<long, long>;
using Intervals = std::vector<Interval>;

Intervals unite(Intervals v)
{
  std::sort(v.begin(), v.end());
  Intervals out;
  for (const Interval& i : v)
    if (!out.empty() && i.first <= out.back().second)
      out.back().second = std::max(out.back().second, i.second);
    else
      out.push_back(i);
  return out;
}

Intervals meet(const Intervals& a, const Intervals& b)
{
  Intervals out;
  for (size_t i = 0, j = 0; i < a.size() && j < b.size();) {
    long lo = std::max(a[i].first, b[j].first), hi = std::min(a[i].second, b[j].second);
    if (lo < hi)
      out.push_back({lo, hi});
    if (a[i].second < b[j].second)
      ++i;
    else
      ++j;
  }
  return out;
}

Intervals minus(const Intervals& a, const Intervals& b)
{
  Intervals out;
  size_t j = 0;
  for (const Interval& i : a) {
    long from = i.first;
    while (j < b.size() && b[j].second <= from)
      ++j;
    for (size_t k = j; k < b.size() && b[k].first < i.second; ++k) {
      if (b[k].first > from)
        out.push_back({from, b[k].first});
      from = std::max(from, b[k].second);
    }
    if (from < i.second)
      out.push_back({from, i.second});
  }
  return out;
}

enum class Op { Unite, Meet, Minus };

// Boxes entering and leaving the band of the sweep.
struct Side {
  explicit Side(const Boxes& b) : boxes(b), order(b.size())
  {
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int i, int j) { return boxes[i].y1 < boxes[j].y1; });
  }
  Intervals at(long y)
  {
    while (next < order.size() && boxes[order[next]].y1 <= y)
      active.push_back(order[next++]);
    active.erase(std::remove_if(active.begin(), active.end(),
                                [&](int i) { return boxes[i].y2 <= y; }),
                 active.end());
    Intervals v;
    v.reserve(active.size());
    for (int i : active)
      v.push_back({boxes[i].x1, boxes[i].x2});
    return unite(std::move(v));
  }
  const Boxes& boxes;
  std::vector<int> order;
  size_t next = 0;
  std::vector<int> active;
};

Boxes combine(const Boxes& a, const Boxes& b, Op op)
{
  std::vector<long> ys;
  for (const Boxes* list : {&a, &b})
    for (const Box& r : *list)
      if (r.x1 < r.x2 && r.y1 < r.y2)
        ys.insert(ys.end(), {r.y1, r.y2});
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  Boxes clean[2];
  for (int s = 0; s < 2; ++s)
    for (const Box& r : s == 0 ? a : b)
      if (r.x1 < r.x2 && r.y1 < r.y2)
        clean[s].push_back(r);
  Side sa(clean[0]), sb(clean[1]);
  Boxes out;
  Intervals prev;
  std::vector<size_t> prevIndex;
  long prevTop = LONG_MIN;
  for (size_t k = 0; k + 1 < ys.size(); ++k) {
    long y = ys[k], top = ys[k + 1];
    Intervals ia = sa.at(y), ib = sb.at(y);
    Intervals band;
    switch (op) {
      case Op::Unite: band = ia; break;
      case Op::Meet: band = meet(ia, ib); break;
      case Op::Minus: band = minus(ia, ib); break;
    }
    std::vector<size_t> index(band.size());
    size_t p = 0;
    for (size_t i = 0; i < band.size(); ++i) {
      while (p < prev.size() && prev[p].first < band[i].first)
        ++p;
      if (prevTop == y && p < prev.size() && prev[p] == band[i]) {
        out[prevIndex[p]].y2 = top;
        index[i] = prevIndex[p];
      } else {
        out.push_back({band[i].first, y, band[i].second, top});
        index[i] = out.size() - 1;
      }
    }
    prev = std::move(band);
    prevIndex = std::move(index);
    prevTop = top;
  }
  return out;
}

Boxes transposed(Boxes boxes)
{
  for (Box& b : boxes)
    b = {b.y1, b.x1, b.y2, b.x2};
  return boxes;
}

struct Pieces {
  explicit Pieces(size_t n) : parent(n) { std::iota(parent.begin(), parent.end(), 0); }
  int find(int i)
  {
    while (parent[i] != i)
      i = parent[i] = parent[parent[i]];
    return i;
  }
  void join(int i, int j) { parent[find(i)] = find(j); }
  std::vector<int> parent;
};

// Joins the boxes that meet along lines of constant y (or x when
// `alongY`): the ones ending at the line against the ones starting there.
void joinAcross(const Boxes& d, bool alongY, Pieces* p)
{
  struct End {
    long at, lo, hi;
    int box;
    bool starts;
  };
  std::vector<End> ends;
  ends.reserve(2 * d.size());
  for (size_t i = 0; i < d.size(); ++i) {
    const Box& b = d[i];
    int n = static_cast<int>(i);
    if (alongY) {
      ends.push_back({b.x2, b.y1, b.y2, n, false});
      ends.push_back({b.x1, b.y1, b.y2, n, true});
    } else {
      ends.push_back({b.y2, b.x1, b.x2, n, false});
      ends.push_back({b.y1, b.x1, b.x2, n, true});
    }
  }
  std::sort(ends.begin(), ends.end(), [](const End& a, const End& b) {
    return a.at != b.at ? a.at < b.at : a.lo < b.lo;
  });
  for (size_t g = 0; g < ends.size();) {
    size_t h = g;
    std::vector<const End*> below, above;
    for (; h < ends.size() && ends[h].at == ends[g].at; ++h)
      (ends[h].starts ? above : below).push_back(&ends[h]);
    for (size_t i = 0, j = 0; i < below.size() && j < above.size();) {
      if (std::min(below[i]->hi, above[j]->hi) > std::max(below[i]->lo, above[j]->lo))
        p->join(below[i]->box, above[j]->box);
      if (below[i]->hi < above[j]->hi)
        ++i;
      else
        ++j;
    }
    g = h;
  }
}

}  // namespace

Box between(const Box& a, const Box& b)
{
  auto span = [](long a1, long a2, long b1, long b2) -> std::pair<long, long> {
    if (a1 < b2 && b1 < a2)
      return {std::max(a1, b1), std::min(a2, b2)};
    return a2 <= b1 ? std::make_pair(a2, b1) : std::make_pair(b2, a1);
  };
  auto [x1, x2] = span(a.x1, a.x2, b.x1, b.x2);
  auto [y1, y2] = span(a.y1, a.y2, b.y1, b.y2);
  return {x1, y1, x2, y2};
}

Box bounds(const Boxes& boxes)
{
  Box r = boxes.front();
  for (const Box& b : boxes)
    r = {std::min(r.x1, b.x1), std::min(r.y1, b.y1), std::max(r.x2, b.x2), std::max(r.y2, b.y2)};
  return r;
}

Boxes merged(const Boxes& boxes) { return combine(boxes, {}, Op::Unite); }

Boxes mergedColumns(const Boxes& boxes)
{
  Boxes columns = transposed(combine(transposed(boxes), {}, Op::Unite));
  std::sort(columns.begin(), columns.end(), [](const Box& a, const Box& b) {
    return a.x1 != b.x1 ? a.x1 < b.x1 : a.y1 < b.y1;
  });
  return columns;
}

Boxes intersection(const Boxes& a, const Boxes& b) { return combine(a, b, Op::Meet); }

Boxes difference(const Boxes& a, const Boxes& b) { return combine(a, b, Op::Minus); }

long long totalArea(const Boxes& disjoint)
{
  long long sum = 0;
  for (const Box& b : disjoint)
    sum += area(b);
  return sum;
}

std::vector<int> pieces(const Boxes& disjoint, int* count)
{
  Pieces p(disjoint.size());
  joinAcross(disjoint, false, &p);
  joinAcross(disjoint, true, &p);
  std::vector<int> number(disjoint.size(), -1), result(disjoint.size());
  int n = 0;
  for (size_t i = 0; i < disjoint.size(); ++i) {
    int root = p.find(static_cast<int>(i));
    if (number[root] < 0)
      number[root] = n++;
    result[i] = number[root];
  }
  if (count)
    *count = n;
  return result;
}

BoxIndex::BoxIndex(const Boxes& boxes) : boxes_(boxes), seen_(boxes.size(), 0)
{
  if (boxes.empty())
    return;
  // Cells about the size of a typical box, and no more cells than boxes.
  std::vector<long> sizes;
  sizes.reserve(boxes.size());
  for (const Box& b : boxes)
    sizes.push_back(std::max(b.x2 - b.x1, b.y2 - b.y1));
  std::nth_element(sizes.begin(), sizes.begin() + sizes.size() / 2, sizes.end());
  Box all = bounds(boxes);
  double spread = std::sqrt(static_cast<double>(all.x2 - all.x1) * (all.y2 - all.y1) /
                            static_cast<double>(boxes.size()));
  cell_ = std::max({1L, sizes[sizes.size() / 2], static_cast<long>(spread)});
  for (size_t i = 0; i < boxes.size(); ++i) {
    const Box& b = boxes[i];
    long cx1 = cellOf(b.x1), cx2 = cellOf(b.x2), cy1 = cellOf(b.y1), cy2 = cellOf(b.y2);
    if ((cx2 - cx1 + 1) * (cy2 - cy1 + 1) > 64) {
      wide_.push_back(static_cast<int>(i));
      continue;
    }
    for (long cx = cx1; cx <= cx2; ++cx)
      for (long cy = cy1; cy <= cy2; ++cy)
        grid_[key(cx, cy)].push_back(static_cast<int>(i));
  }
}

}  // namespace layout_check
