// Polygon outlines to rectangles.
//
// The outline is made rectilinear, its horizontal edges are collected and
// ordered from the highest to the lowest, and then the lowest edge is swept
// upwards until another edge stops it; the swept area is one rectangle, and
// the lowest edge takes the height where it stopped.  Edges of equal height
// are combined as they meet, keeping the parts covered by exactly one of
// them.  Coordinates compare with the tolerance of GCequal.
#include "Dlayout.h"

#include <algorithm>
#include <vector>

#include "Dglobal.h"

namespace {

constexpr int kModule = 0;  // message module of the layout database

struct Span {
  long lo;
  long hi;
};

Span spanOf(const _box& edge)
{
  return {std::min<long>(edge.x1, edge.x2), std::max<long>(edge.x1, edge.x2)};
}

void setSpan(_box* edge, long lo, long hi)
{
  edge->x1 = static_cast<int>(lo);
  edge->x2 = static_cast<int>(hi);
}

void removeEdge(_box* edges, int* count, int index)
{
  std::copy(edges + index + 1, edges + *count, edges + index);
  --*count;
}

_points* lastPoint(_points* p)
{
  while (p->next)
    p = p->next;
  return p;
}

bool samePoint(const _points* p, const _points* q) { return p->x == q->x && p->y == q->y; }

[[noreturn]] void sortingFailed(const char* message)
{
  GCmessage(kModule, 'F', "%s", message);
  common::abandonAction(1);
}

// Keeps the rectangles of a conversion that is abandoned half way from
// leaking.
class RectList {
 public:
  RectList() = default;
  RectList(const RectList&) = delete;
  RectList& operator=(const RectList&) = delete;
  ~RectList() { GCfreeRect(head_); }
  void push(_rects* r)
  {
    r->next = head_;
    head_ = r;
  }
  _rects* release()
  {
    _rects* head = head_;
    head_ = nullptr;
    return head;
  }

 private:
  _rects* head_ = nullptr;
};

}  // namespace

/*
 * GCorthPoly --
 *   Walks the outline and, after every point p whose successor q differs
 *   from it both in x and in y, inserts the corner (x of p, y of q).  The
 *   closing edge (last point to first) is not treated.
 * Side effects: reports the number of inserted points (kind M) when any.
 */
void GCorthPoly(_polys* poly)
{
  int inserted = 0;
  for (_points* p = poly->points; p && p->next; p = p->next) {
    _points* q = p->next;
    if (GCequal(p->x, q->x) || GCequal(p->y, q->y))
      continue;
    _points* corner = common::make<_points>();
    corner->x = p->x;
    corner->y = q->y;
    corner->next = q;
    p->next = corner;
    p = corner;
    ++inserted;
  }
  if (inserted > 0)
    GCmessage(kModule, 'M', "%d points have been inserted in the processing poly", inserted);
}

/*
 * GCedgeCount --
 *   Counts the consecutive point pairs of equal height, and the closing edge
 *   when its two points differ and lie at equal height (exactly the edges
 *   GCsortEdge files).
 */
int GCedgeCount(_polys* poly)
{
  _points* first = poly->points;
  if (!first)
    return 0;
  int count = 0;
  _points* p = first;
  for (; p->next; p = p->next)
    if (GCequal(p->y, p->next->y))
      ++count;
  if (p != first && !samePoint(p, first) && GCequal(p->y, first->y))
    ++count;
  return count;
}

/*
 * GCsortEdge --
 *   Makes the closing edge explicit, files every horizontal edge (x1, x2 its
 *   ends in outline order, y1 its height) so that heights descend and edges
 *   of equal height keep the outline's order, and then drops the last point
 *   when it equals the first within tolerance.
 * Side effects: filing more or fewer edges than `count` is fatal ("Poly
 *   edges sorting error", "The result of poly edge sorting error").
 */
void GCsortEdge(_box* edges, int count, _polys* poly)
{
  _points* first = poly->points;
  if (!first)
    return;
  _points* last = lastPoint(first);
  if (!samePoint(last, first)) {
    _points* copy = common::make<_points>();
    copy->x = first->x;
    copy->y = first->y;
    last->next = copy;
  }
  int filed = 0;
  for (_points* p = first; p->next; p = p->next) {
    _points* q = p->next;
    if (!GCequal(p->y, q->y))
      continue;
    if (filed == count)
      sortingFailed("Poly edges sorting error");
    // Scanning from the end, the new edge goes right after the first edge at
    // least as high as itself.
    int at = filed;
    while (at > 0 && edges[at - 1].y1 < p->y) {
      edges[at] = edges[at - 1];
      --at;
    }
    edges[at] = {p->x, p->y, q->x, 0};
    ++filed;
  }
  if (first->next) {
    _points* before = first;
    while (before->next->next)
      before = before->next;
    _points* end = before->next;
    if (GCequal(end->x, first->x) && GCequal(end->y, first->y)) {
      before->next = nullptr;
      common::release(end);
    }
  }
  if (filed < count)
    sortingFailed("The result of poly edge sorting error");
}

// Combines edge j with edge k (k < j) of equal height.  Returns 1 when j was
// removed, 2 when both were, 3 when both changed and j must be compared
// again from the top, 0 when they do not combine.
static int combine(_box* edges, int* count, int j, int k)
{
  Span sj = spanOf(edges[j]);
  Span sk = spanOf(edges[k]);
  long a = sj.lo, b = sj.hi, c = sk.lo, d = sk.hi;
  if (GCequal(a, d) || GCequal(b, c)) {  // end to end
    setSpan(&edges[k], std::min(a, c), std::max(b, d));
    removeEdge(edges, count, j);
    return 1;
  }
  if (GCequal(a, c) && !GCequal(b, d)) {  // same left end
    setSpan(&edges[k], std::min(b, d), std::max(b, d));
    removeEdge(edges, count, j);
    return 1;
  }
  if (!GCequal(a, c) && GCequal(b, d)) {  // same right end
    setSpan(&edges[k], std::min(a, c), std::max(a, c));
    removeEdge(edges, count, j);
    return 1;
  }
  if (GCgreat(a, c) && GCgreat(d, b)) {  // j strictly inside k
    setSpan(&edges[k], c, a);
    setSpan(&edges[j], b, d);
    return 3;
  }
  if (GCgreat(c, a) && GCgreat(b, d)) {  // k strictly inside j
    setSpan(&edges[k], a, c);
    setSpan(&edges[j], d, b);
    return 3;
  }
  if (GCequal(a, c) && GCequal(b, d)) {  // the same edge
    removeEdge(edges, count, j);
    removeEdge(edges, count, k);
    return 2;
  }
  return 0;
}

/*
 * GCmergeEdge --
 *   For j from the last edge down to 1 and k from j - 1 down to 0, combines
 *   edges of equal height: end to end they join; otherwise what remains is
 *   the part covered by exactly one of them.  Partly overlapping spans that
 *   share no end stay as they are.
 */
void GCmergeEdge(_box* edges, int* count)
{
  int j = *count - 1;
  while (j >= 1) {
    int result = 0;
    for (int k = j - 1; k >= 0; --k) {
      if (!GCequal(edges[j].y1, edges[k].y1))
        continue;
      result = combine(edges, count, j, k);
      if (result == 3)
        k = j;  // compare the new edge j with every edge before it again
      else if (result != 0)
        break;
    }
    j = std::min(j - 1, *count - 1);
  }
}

/*
 * GCcut1Box --
 *   Sweeps the last (lowest) edge L = [a, b] upwards: the first edge above
 *   it in the array that ends where L begins, begins where L ends (both at
 *   another height), or lies within L's span (at an exactly different
 *   height) stops it.
 * Returns: the rectangle from L up to the stopping edge, or null when there
 *   are fewer than two edges or nothing stops L.
 * Side effects: merges the edges first; L takes the height where it stopped.
 */
_rects* GCcut1Box(_box* edges, int* count)
{
  GCmergeEdge(edges, count);
  if (*count < 2)
    return nullptr;
  _box& low = edges[*count - 1];
  Span l = spanOf(low);
  for (int i = *count - 2; i >= 0; --i) {
    Span s = spanOf(edges[i]);
    bool otherHeight = !GCequal(edges[i].y1, low.y1);
    bool stops = (GCequal(l.lo, s.hi) && otherHeight) || (GCequal(l.hi, s.lo) && otherHeight) ||
                 (l.lo - s.lo <= 10 && s.hi - l.hi <= 10 && edges[i].y1 != low.y1);
    if (!stops)
      continue;
    _rects* r = common::make<_rects>();
    r->x1 = static_cast<int>(l.lo);
    r->y1 = low.y1;
    r->x2 = static_cast<int>(l.hi);
    r->y2 = edges[i].y1;
    low.y1 = edges[i].y1;
    return r;
  }
  return nullptr;
}

/*
 * GCpoly2rects --
 *   Covers the outline of `poly` with rectangles.
 * Returns: the rectangles, most recently cut first.  When a cut makes no
 *   progress (nothing stops the lowest edge) or the cutting goes on longer
 *   than any outline of that many edges needs, the rectangles cut so far
 *   are returned.
 * Side effects: the outline is made rectilinear and loses an explicit
 *   closing point.
 */
_rects* GCpoly2rects(_polys* poly)
{
  if (!poly || !poly->points)
    return nullptr;
  GCorthPoly(poly);
  int count = GCedgeCount(poly);
  std::vector<_box> edges(std::max(count, 1));
  GCsortEdge(edges.data(), count, poly);

  // Each cut raises the lowest edge to another edge's height; an outline of
  // n horizontal edges never needs more than about n * n cuts.
  long budget = static_cast<long>(count) * count + 2L * count + 8;
  RectList result;
  while (count >= 2 && budget-- > 0) {
    _rects* r = GCcut1Box(edges.data(), &count);
    if (!r)
      break;
    result.push(r);
  }
  return result.release();
}
