// Polygon outlines and wire outlines to rectangles.
#include <algorithm>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Dlayout.h"
#include "TestSupport.h"

namespace {

using Points = std::vector<std::pair<int, int>>;

class PolyTest : public testing_support::CoreTest {
 protected:
  void TearDown() override
  {
    GCfreePoly(poly_);
    testing_support::CoreTest::TearDown();
  }

  _polys* outline(const Points& pts)
  {
    GCfreePoly(poly_);
    poly_ = common::make<_polys>();
    _points** tail = &poly_->points;
    for (auto [x, y] : pts) {
      _points* p = common::make<_points>();
      p->x = x;
      p->y = y;
      *tail = p;
      tail = &p->next;
    }
    return poly_;
  }

  // "(x1,y1;x2,y2) ..." in list order; releases the list.
  static std::string take(_rects* rects)
  {
    std::ostringstream text;
    for (_rects* r = rects; r; r = r->next)
      text << (r == rects ? "" : " ") << "(" << r->x1 << "," << r->y1 << ";" << r->x2 << ","
           << r->y2 << ")";
    GCfreeRect(rects);
    return text.str();
  }

  static std::string pointsOf(const _polys* poly)
  {
    std::ostringstream text;
    for (const _points* p = poly->points; p; p = p->next)
      text << (p == poly->points ? "" : " ") << "(" << p->x << "," << p->y << ")";
    return text.str();
  }

  _polys* poly_ = nullptr;
};

_points* pointList(const Points& pts)
{
  _points* head = nullptr;
  for (auto it = pts.rbegin(); it != pts.rend(); ++it) {
    _points* p = common::make<_points>();
    p->x = it->first;
    p->y = it->second;
    p->next = head;
    head = p;
  }
  return head;
}

// Rectangles come out most recently cut first; an explicitly closed outline
// loses its closing point.  A triangle or a single point gives nothing, and
// no point is inserted into any of them.
TEST_F(PolyTest, RectilinearOutlinesGiveTheirRectangles)
{
  const struct {
    Points outline;
    const char* rects;
  } cases[] = {
      {{{0, 0}, {100, 0}, {100, 100}, {0, 100}}, "(0,0;100,100)"},
      {{{0, 0}, {200, 0}, {200, 100}, {100, 100}, {100, 200}, {0, 200}},
       "(0,100;100,200) (0,0;200,100)"},
      {{{0, 0}, {200, 0}, {200, 100}, {100, 100}, {100, 200}, {0, 200}, {0, 0}},
       "(0,100;100,200) (0,0;200,100)"},
      {{{0, 0}, {300, 0}, {300, 200}, {200, 200}, {200, 100}, {100, 100}, {100, 200}, {0, 200}},
       "(0,100;100,200) (200,100;300,200) (0,0;300,100)"},
      {{{0, 0}, {100, 0}, {100, 100}}, ""},
      {{{5, 5}}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.outline.size());
    _polys* p = outline(c.outline);
    EXPECT_EQ(take(GCpoly2rects(p)), c.rects);
    bool closed = c.outline.size() > 1 && c.outline.front() == c.outline.back();
    std::string kept;
    for (size_t i = 0; i + closed < c.outline.size(); ++i)
      kept += (i ? " (" : "(") + std::to_string(c.outline[i].first) + "," +
              std::to_string(c.outline[i].second) + ")";
    EXPECT_EQ(pointsOf(p), kept);
  }
  EXPECT_FALSE(ui.saw('M', "inserted"));
  EXPECT_EQ(GCedgeCount(outline(cases[1].outline)), 3);
  _polys empty{};
  EXPECT_EQ(GCpoly2rects(&empty), nullptr);
  EXPECT_EQ(GCpoly2rects(nullptr), nullptr);
}

TEST_F(PolyTest, SlantedEdgeGetsACornerAndAMessage)
{
  _polys* p = outline({{0, 0}, {100, 0}, {200, 100}, {0, 100}});
  GCorthPoly(p);
  EXPECT_EQ(pointsOf(p), "(0,0) (100,0) (100,100) (200,100) (0,100)");
  EXPECT_TRUE(ui.saw('M', "1 points have been inserted in the processing poly"));
}

TEST_F(PolyTest, HeightsWithinToleranceMakeAHorizontalEdge)
{
  // 0 and 9 are equal within tolerance: a horizontal bottom edge.
  _polys* p = outline({{0, 0}, {100, 9}, {100, 100}, {0, 100}});
  EXPECT_EQ(GCedgeCount(p), 2);
  EXPECT_FALSE(ui.saw('M', "inserted"));
  _polys* q = outline({{0, 0}, {100, 10}, {100, 100}, {0, 100}});
  EXPECT_EQ(GCedgeCount(q), 1);
}

TEST_F(PolyTest, EdgesAreSortedHighestFirstKeepingOutlineOrder)
{
  _polys* p = outline({{0, 0}, {100, 0}, {100, 50}, {200, 50}, {200, 100}, {300, 100},
                       {300, 50}, {400, 50}, {400, 150}, {0, 150}});
  int n = GCedgeCount(p);
  ASSERT_EQ(n, 5);
  std::vector<_box> edges(n);
  GCsortEdge(edges.data(), n, p);
  std::ostringstream text;
  for (const _box& e : edges)
    text << e.y1 << ":" << e.x1 << "-" << e.x2 << " ";
  EXPECT_EQ(text.str(), "150:400-0 100:200-300 50:100-200 50:300-400 0:0-100 ");
}

// Each case of the edge merge on two edges of one height.
TEST_F(PolyTest, MergeOfEqualHeightEdges)
{
  auto merge = [](std::vector<_box> edges) {
    int n = static_cast<int>(edges.size());
    GCmergeEdge(edges.data(), &n);
    std::ostringstream text;
    for (int i = 0; i < n; ++i)
      text << std::min(edges[i].x1, edges[i].x2) << "-" << std::max(edges[i].x1, edges[i].x2)
           << " ";
    return text.str();
  };
  EXPECT_EQ(merge({{0, 5, 100, 0}, {100, 5, 200, 0}}), "0-200 ");      // end to end
  EXPECT_EQ(merge({{0, 5, 100, 0}, {0, 5, 300, 0}}), "100-300 ");      // same left end
  EXPECT_EQ(merge({{0, 5, 300, 0}, {200, 5, 300, 0}}), "0-200 ");      // same right end
  EXPECT_EQ(merge({{0, 5, 300, 0}, {100, 5, 200, 0}}), "0-100 200-300 ");  // inside
  EXPECT_EQ(merge({{100, 5, 200, 0}, {0, 5, 300, 0}}), "0-100 200-300 ");  // around
  EXPECT_EQ(merge({{0, 5, 100, 0}, {100, 5, 0, 0}}), "");              // the same edge
  EXPECT_EQ(merge({{0, 5, 200, 0}, {100, 5, 300, 0}}), "0-200 100-300 ");  // partial: kept
  EXPECT_EQ(merge({{0, 5, 100, 0}, {100, 9, 200, 0}}), "0-200 ");      // heights within tolerance
  EXPECT_EQ(merge({{0, 5, 100, 0}, {100, 50, 200, 0}}), "0-100 100-200 ");  // other height
}

TEST_F(PolyTest, CutWithNothingStoppingTheLowestEdgeKeepsWhatWasCut)
{
  // Two disjoint edges: nothing stops the lowest, and the cutting ends.
  std::vector<_box> edges = {{500, 100, 600, 0}, {0, 0, 100, 0}};
  int n = 2;
  EXPECT_EQ(GCcut1Box(edges.data(), &n), nullptr);
  EXPECT_EQ(n, 2);
  // An outline whose second lower edge is never stopped.
  _polys* p = outline({{0, 0}, {100, 0}, {100, 100}, {200, 100}, {200, 300}, {300, 300},
                       {300, 50}, {400, 50}, {400, 400}, {0, 400}});
  std::string rects = take(GCpoly2rects(p));
  EXPECT_FALSE(rects.empty());
}

// ---------------------------------------------------------------------------
// Random simple rectilinear outlines: the rectangles must tile the shape.
// ---------------------------------------------------------------------------

constexpr int kGrid = 7;     // cells per side
constexpr int kCell = 100;   // units per cell

using Shape = std::vector<std::vector<bool>>;

bool cellAt(const Shape& s, int x, int y)
{
  return x >= 0 && y >= 0 && x < kGrid && y < kGrid && s[x][y];
}

// A grown polyomino without holes and without cells that touch only at a
// corner, so that its outline is a simple polygon.
Shape randomShape(std::mt19937& rng)
{
  for (;;) {
    Shape s(kGrid, std::vector<bool>(kGrid, false));
    std::uniform_int_distribution<int> pick(0, kGrid - 1);
    s[pick(rng)][pick(rng)] = true;
    int cells = std::uniform_int_distribution<int>(2, 20)(rng);
    for (int added = 1; added < cells;) {
      int x = pick(rng), y = pick(rng);
      if (s[x][y])
        continue;
      if (cellAt(s, x - 1, y) || cellAt(s, x + 1, y) || cellAt(s, x, y - 1) ||
          cellAt(s, x, y + 1)) {
        s[x][y] = true;
        ++added;
      }
    }
    bool pinched = false;
    for (int x = -1; x < kGrid; ++x)
      for (int y = -1; y < kGrid; ++y) {
        bool a = cellAt(s, x, y), b = cellAt(s, x + 1, y), c = cellAt(s, x, y + 1),
             d = cellAt(s, x + 1, y + 1);
        if ((a && d && !b && !c) || (b && c && !a && !d))
          pinched = true;
      }
    // Holes: the outside must be connected.
    std::vector<std::vector<bool>> seen(kGrid + 2, std::vector<bool>(kGrid + 2, false));
    std::vector<std::pair<int, int>> work = {{-1, -1}};
    seen[0][0] = true;
    int outside = 0;
    while (!work.empty()) {
      auto [x, y] = work.back();
      work.pop_back();
      ++outside;
      const int dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
      for (int k = 0; k < 4; ++k) {
        int nx = x + dx[k], ny = y + dy[k];
        if (nx < -1 || ny < -1 || nx > kGrid || ny > kGrid || seen[nx + 1][ny + 1] ||
            cellAt(s, nx, ny))
          continue;
        seen[nx + 1][ny + 1] = true;
        work.push_back({nx, ny});
      }
    }
    int inside = 0;
    for (auto& column : s)
      inside += static_cast<int>(std::count(column.begin(), column.end(), true));
    if (!pinched && outside + inside == (kGrid + 2) * (kGrid + 2))
      return s;
  }
}

// The outline counter-clockwise, without collinear points.
Points outlineOf(const Shape& s)
{
  // Directed unit edges with the shape on the left.
  std::vector<std::pair<std::pair<int, int>, std::pair<int, int>>> edges;
  for (int x = 0; x < kGrid; ++x)
    for (int y = 0; y < kGrid; ++y) {
      if (!s[x][y])
        continue;
      if (!cellAt(s, x, y - 1)) edges.push_back({{x, y}, {x + 1, y}});
      if (!cellAt(s, x + 1, y)) edges.push_back({{x + 1, y}, {x + 1, y + 1}});
      if (!cellAt(s, x, y + 1)) edges.push_back({{x + 1, y + 1}, {x, y + 1}});
      if (!cellAt(s, x - 1, y)) edges.push_back({{x, y + 1}, {x, y}});
    }
  Points loop = {edges[0].first};
  std::pair<int, int> at = edges[0].second;
  while (at != loop[0]) {
    loop.push_back(at);
    for (auto& e : edges)
      if (e.first == at) {
        at = e.second;
        break;
      }
  }
  Points corners;
  size_t n = loop.size();
  for (size_t i = 0; i < n; ++i) {
    auto p = loop[(i + n - 1) % n], q = loop[i], r = loop[(i + 1) % n];
    bool straight = (p.first == q.first && q.first == r.first) ||
                    (p.second == q.second && q.second == r.second);
    if (!straight)
      corners.push_back({q.first * kCell, q.second * kCell});
  }
  return corners;
}

TEST_F(PolyTest, RandomRectilinearOutlinesAreTiledExactly)
{
  std::mt19937 rng(20240607);
  for (int round = 0; round < 400; ++round) {
    Shape s = randomShape(rng);
    Points pts = outlineOf(s);
    if (round % 2)
      std::reverse(pts.begin(), pts.end());  // clockwise as well
    std::rotate(pts.begin(), pts.begin() + round % pts.size(), pts.end());
    _rects* rects = GCpoly2rects(outline(pts));
    std::vector<std::vector<int>> cover(kGrid, std::vector<int>(kGrid, 0));
    bool aligned = true;
    for (_rects* r = rects; r; r = r->next) {
      if (r->x1 % kCell || r->y1 % kCell || r->x2 % kCell || r->y2 % kCell ||
          r->x1 >= r->x2 || r->y1 >= r->y2) {
        aligned = false;
        continue;
      }
      for (int x = r->x1 / kCell; x < r->x2 / kCell; ++x)
        for (int y = r->y1 / kCell; y < r->y2 / kCell; ++y)
          if (x >= 0 && y >= 0 && x < kGrid && y < kGrid)
            ++cover[x][y];
          else
            aligned = false;
    }
    std::string text = take(rects);
    bool exact = aligned;
    for (int x = 0; x < kGrid; ++x)
      for (int y = 0; y < kGrid; ++y)
        exact = exact && cover[x][y] == (s[x][y] ? 1 : 0);
    std::ostringstream shape;
    for (auto [x, y] : pts)
      shape << "(" << x << "," << y << ")";
    ASSERT_TRUE(exact) << "outline " << shape.str() << " gave " << text;
  }
}

// ---------------------------------------------------------------------------
// Wire outlines.
// ---------------------------------------------------------------------------

class PathTest : public PolyTest {
 protected:
  void TearDown() override
  {
    GCfreePoints(centre_);
    PolyTest::TearDown();
  }
  // The outline points (before the reversal of pathtopoly, i.e. L0..Lk,
  // Rk..R0) of every polygon of the wire; the wire's rectangles in `rects`.
  std::string wire(const Points& pts, long width, std::string* rects = nullptr)
  {
    GCfreePoints(centre_);
    centre_ = pointList(pts);
    _polys* polys = GCpath2poly(centre_, width);
    std::string text;
    for (_polys* p = polys; p; p = p->next) {
      Points outline;
      for (_points* q = p->points; q; q = q->next)
        outline.push_back({q->x, q->y});
      std::reverse(outline.begin(), outline.end());
      std::ostringstream one;
      for (auto [x, y] : outline)
        one << "(" << x << "," << y << ")";
      text += (text.empty() ? "" : " | ") + one.str();
      if (rects) {
        std::string r = take(GCpoly2rects(p));
        *rects += (rects->empty() ? "" : " ") + r;
      }
    }
    GCfreePoly(polys);
    return text;
  }
  _points* centre_ = nullptr;
};

// Straight wires, mitred corners, corners on a straight line, a wire that
// turns back (split in two outlines) and a single point (a square; repeated
// points collapse to one).
TEST_F(PathTest, WiresGiveTheirOutlinesAndRectangles)
{
  const struct {
    Points centre;
    long width;
    const char* outlines;
    const char* rects;
  } cases[] = {
      {{{0, 0}, {100, 0}}, 20, "(-10,10)(110,10)(110,-10)(-10,-10)", "(-10,-10;110,10)"},
      {{{0, 0}, {100, 0}, {100, 100}}, 20, "(-10,10)(90,10)(90,110)(110,110)(110,-10)(-10,-10)",
       "(90,10;110,110) (-10,-10;110,10)"},
      {{{0, 0}, {50, 0}, {100, 0}}, 20, "(-10,10)(50,10)(110,10)(110,-10)(50,-10)(-10,-10)",
       "(-10,-10;110,10)"},
      {{{0, 0}, {100, 0}, {50, 0}}, 20,
       "(-10,10)(110,10)(110,-10)(-10,-10) | (110,-10)(40,-10)(40,10)(110,10)",
       "(-10,-10;110,10) (40,-10;110,10)"},
      {{{100, 100}}, 40, "(80,80)(80,120)(120,120)(120,80)", "(80,80;120,120)"},
      {{{100, 100}, {100, 100}}, 40, "(80,80)(80,120)(120,120)(120,80)", "(80,80;120,120)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.outlines);
    std::string rects;
    EXPECT_EQ(wire(c.centre, c.width, &rects), c.outlines);
    EXPECT_EQ(rects, c.rects);
  }
  // On a diagonal the middle corner lies on both offset lines.
  std::string diagonal = wire({{0, 0}, {100, 100}, {200, 200}}, 200);
  EXPECT_NE(diagonal.find("(29,170)"), std::string::npos) << diagonal;
}

// No points, no width, too many points or an outline beyond the coordinate
// range give nothing.
TEST_F(PathTest, WiresThatCannotBeMadeGiveNothing)
{
  EXPECT_EQ(GCpath2poly(nullptr, 10), nullptr);
  EXPECT_EQ(wire({{0, 0}, {100, 0}}, 0), "");
  Points pts;
  for (int i = 0; i < 514; ++i)
    pts.push_back({i * 100, (i % 2) * 100});
  EXPECT_EQ(wire(pts, 20), "");
  EXPECT_TRUE(ui.saw('E', "Too many points in a path"));
  pts.pop_back();
  EXPECT_NE(wire(pts, 20), "");
  EXPECT_EQ(wire({{0, 0}, {kMaxCoordinate, 0}}, 400), "");
  EXPECT_TRUE(ui.saw('E', "Wire outline out of range"));
}

// Self-avoiding Manhattan wires, some with corners on straight stretches:
// the rectangles cover exactly the segments widened by h on every side.
TEST_F(PathTest, RandomManhattanWiresAreCoveredExactly)
{
  constexpr int kSteps = 6, kPitch = 100, kWidth = 40, kPixel = 10;
  constexpr int kSize = (kSteps + 1) * kPitch / kPixel + 8;
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    std::set<std::pair<int, int>> visited = {{0, 0}};
    Points walk = {{0, 0}};
    for (int step = 0; step < 12; ++step) {
      const int dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
      std::vector<int> free;
      for (int k = 0; k < 4; ++k) {
        int nx = walk.back().first + dx[k], ny = walk.back().second + dy[k];
        if (nx >= 0 && ny >= 0 && nx <= kSteps && ny <= kSteps && !visited.count({nx, ny}))
          free.push_back(k);
      }
      if (free.empty())
        break;
      int k = free[std::uniform_int_distribution<size_t>(0, free.size() - 1)(rng)];
      walk.push_back({walk.back().first + dx[k], walk.back().second + dy[k]});
      visited.insert(walk.back());
    }
    if (walk.size() < 2)
      continue;
    Points pts;
    for (size_t i = 0; i < walk.size(); ++i) {
      bool straight = i > 0 && i + 1 < walk.size() &&
                      (walk[i - 1].first == walk[i + 1].first ||
                       walk[i - 1].second == walk[i + 1].second);
      if (!straight || rng() % 2)
        pts.push_back({walk[i].first * kPitch, walk[i].second * kPitch});
    }
    // Expected: each segment widened by h, on a raster offset by 4 pixels.
    std::vector<std::vector<int>> want(kSize, std::vector<int>(kSize, 0));
    std::vector<std::vector<int>> got = want;
    const int h = kWidth / 2;
    auto paint = [&](std::vector<std::vector<int>>& raster, int x1, int y1, int x2, int y2) {
      for (int x = x1 / kPixel; x < x2 / kPixel; ++x)
        for (int y = y1 / kPixel; y < y2 / kPixel; ++y)
          raster[x + 4][y + 4] = 1;
    };
    for (size_t i = 0; i + 1 < pts.size(); ++i)
      paint(want, std::min(pts[i].first, pts[i + 1].first) - h,
            std::min(pts[i].second, pts[i + 1].second) - h,
            std::max(pts[i].first, pts[i + 1].first) + h,
            std::max(pts[i].second, pts[i + 1].second) + h);
    std::string rects;
    wire(pts, kWidth, &rects);
    std::istringstream in(rects);
    std::string one;
    while (in >> one) {
      int x1, y1, x2, y2;
      ASSERT_EQ(sscanf(one.c_str(), "(%d,%d;%d,%d)", &x1, &y1, &x2, &y2), 4) << rects;
      paint(got, x1, y1, x2, y2);
    }
    std::ostringstream centre;
    for (auto [x, y] : pts)
      centre << "(" << x << "," << y << ")";
    ASSERT_EQ(got, want) << "wire " << centre.str() << " gave " << rects;
  }
}

TEST(InterPoint, ParallelLinesHaveNoIntersection)
{
  double x = 7, y = 7;
  EXPECT_EQ(inter_point(0, 1, 10, 0, 2, 30, &x, &y), 0);
  EXPECT_EQ(x, 7);
  EXPECT_EQ(inter_point(1, 0, 3, 0, 1, 4, &x, &y), 1);
  EXPECT_EQ(x, 3);
  EXPECT_EQ(y, 4);
}

TEST(PathToPoly, TruncatesAndReverses)
{
  double coords[] = {1.9, -1.9, 10.5, 20.5};
  _polys* poly = pathtopoly(coords, 4);
  ASSERT_NE(poly, nullptr);
  EXPECT_EQ(poly->points->x, 10);
  EXPECT_EQ(poly->points->next->x, 1);
  EXPECT_EQ(poly->points->next->y, -1);
  GCfreePoly(poly);
  EXPECT_EQ(pathtopoly(coords, 0), nullptr);
}

}  // namespace
