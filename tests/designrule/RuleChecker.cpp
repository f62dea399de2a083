// A plain design-rule checker for tests (see RuleChecker.h).
#include "RuleChecker.h"

#include <algorithm>
#include <numeric>
#include <set>

#include "CS.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "PlaneSupport.h"

namespace designrule_test {

namespace {

constexpr size_t kReportLimit = 10;  // violations reported per check and layer pair

bool overlaps(const Rect& a, const Rect& b)
{
  return a.x1 < b.x2 && b.x1 < a.x2 && a.y1 < b.y2 && b.y1 < a.y2;
}

// Shares an edge of positive length, or overlaps.
bool joined(const Rect& a, const Rect& b)
{
  bool xMeet = a.x1 <= b.x2 && b.x1 <= a.x2;
  bool yMeet = a.y1 <= b.y2 && b.y1 <= a.y2;
  bool xSpan = a.x1 < b.x2 && b.x1 < a.x2;
  bool ySpan = a.y1 < b.y2 && b.y1 < a.y2;
  return (xMeet && ySpan) || (yMeet && xSpan);
}

// Area of `r` covered by the (disjoint) rectangles of a layer.
long long covered(const std::vector<Rect>& rects, const Rect& r)
{
  long long area = 0;
  for (const Rect& q : rects) {
    long w = std::min(q.x2, r.x2) - std::max(q.x1, r.x1);
    long h = std::min(q.y2, r.y2) - std::max(q.y1, r.y1);
    if (w > 0 && h > 0)
      area += static_cast<long long>(w) * h;
  }
  return area;
}

bool inside(const std::vector<Rect>& rects, const Rect& r)
{
  if (r.x2 <= r.x1 || r.y2 <= r.y1)
    return true;
  return covered(rects, r) == static_cast<long long>(r.x2 - r.x1) * (r.y2 - r.y1);
}

// Connected pieces: component number of each rectangle.
std::vector<int> components(const std::vector<Rect>& rects)
{
  std::vector<int> parent(rects.size());
  std::iota(parent.begin(), parent.end(), 0);
  auto find = [&](int i) {
    while (parent[i] != i)
      i = parent[i] = parent[parent[i]];
    return i;
  };
  for (size_t i = 0; i < rects.size(); ++i)
    for (size_t j = i + 1; j < rects.size(); ++j)
      if (joined(rects[i], rects[j]))
        parent[find(i)] = find(j);
  std::vector<int> result(rects.size());
  for (size_t i = 0; i < rects.size(); ++i)
    result[i] = find(i);
  return result;
}

std::string name(int layer) { return Glayers[layer].name; }

std::string text(const Rect& r)
{
  return "(" + std::to_string(r.x1) + " " + std::to_string(r.y1) + ")-(" + std::to_string(r.x2) +
         " " + std::to_string(r.y2) + ")";
}

class Checker {
 public:
  Checker(const std::map<int, std::vector<Rect>>& layers, long scale)
      : layers_(layers), scale_(scale)
  {
  }
  void widths();
  void spacings();
  void extensions(int active, int poly);
  void gates(int active, int poly);
  std::vector<std::string> report;

 private:
  void add(size_t* count, const std::string& line)
  {
    if ((*count)++ < kReportLimit)
      report.push_back(line);
  }
  void runs(int layer, bool alongX, long minimum);
  const std::vector<Rect>& rects(int layer) const
  {
    static const std::vector<Rect> none;
    auto it = layers_.find(layer);
    return it == layers_.end() ? none : it->second;
  }

  const std::map<int, std::vector<Rect>>& layers_;
  long scale_;
};

// Maximal runs across a layer along x (or y), on the grid of its edges.
void Checker::runs(int layer, bool alongX, long minimum)
{
  const std::vector<Rect>& all = rects(layer);
  std::vector<long> along, across;
  for (const Rect& r : all) {
    along.insert(along.end(), {alongX ? r.x1 : r.y1, alongX ? r.x2 : r.y2});
    across.insert(across.end(), {alongX ? r.y1 : r.x1, alongX ? r.y2 : r.x2});
  }
  for (std::vector<long>* v : {&along, &across}) {
    std::sort(v->begin(), v->end());
    v->erase(std::unique(v->begin(), v->end()), v->end());
  }
  size_t count = 0;
  for (size_t j = 0; j + 1 < across.size(); ++j) {
    long c = (across[j] + across[j + 1]) / 2;
    long start = 0;
    bool in = false;
    for (size_t i = 0; i + 1 < along.size(); ++i) {
      long m = (along[i] + along[i + 1]) / 2;
      bool hit = std::any_of(all.begin(), all.end(), [&](const Rect& r) {
        return alongX ? (r.x1 <= m && m < r.x2 && r.y1 <= c && c < r.y2)
                      : (r.y1 <= m && m < r.y2 && r.x1 <= c && c < r.x2);
      });
      if (hit && !in)
        start = along[i];
      if (!hit && in && along[i] - start < minimum)
        add(&count, name(layer) + " width " + std::to_string(along[i] - start) + " < " +
                        std::to_string(minimum) + (alongX ? " along x at y " : " along y at x ") +
                        std::to_string(c));
      in = hit;
    }
    if (in && along.back() - start < minimum)
      add(&count, name(layer) + " width " + std::to_string(along.back() - start) + " < " +
                      std::to_string(minimum));
  }
}

void Checker::widths()
{
  for (const auto& entry : layers_) {
    int layer = entry.first;
    if (layer >= kRuleLayers || WIDTH_VALID[layer] != 1)
      continue;
    runs(layer, true, WIDTH[layer] * scale_);
    runs(layer, false, WIDTH[layer] * scale_);
  }
}

void Checker::spacings()
{
  std::map<int, std::vector<int>> pieces;
  for (const auto& entry : layers_)
    pieces[entry.first] = components(entry.second);
  for (const auto& ea : layers_) {
    for (const auto& eb : layers_) {
      int a = ea.first, b = eb.first;
      if (b < a || a >= kRuleLayers || b >= kRuleLayers || SPACING_VALID[a][b] != 1)
        continue;
      long s = SPACING[a][b] * scale_;
      const std::vector<Rect>& ra = ea.second;
      const std::vector<Rect>& rb = eb.second;
      // Pieces of the two layers that overlap are one device or wire.
      std::set<std::pair<int, int>> together;
      if (a != b)
        for (size_t i = 0; i < ra.size(); ++i)
          for (size_t j = 0; j < rb.size(); ++j)
            if (overlaps(ra[i], rb[j]))
              together.insert({pieces[a][i], pieces[b][j]});
      size_t count = 0;
      for (size_t i = 0; i < ra.size(); ++i) {
        for (size_t j = a == b ? i + 1 : 0; j < rb.size(); ++j) {
          int pa = pieces[a][i], pb = pieces[b][j];
          if (a == b ? pa == pb : together.count({pa, pb}) > 0)
            continue;
          long dx = std::max({0L, rb[j].x1 - ra[i].x2, ra[i].x1 - rb[j].x2});
          long dy = std::max({0L, rb[j].y1 - ra[i].y2, ra[i].y1 - rb[j].y2});
          if (static_cast<double>(dx) * dx + static_cast<double>(dy) * dy <
              static_cast<double>(s) * s)
            add(&count, name(a) + " " + text(ra[i]) + " to " + name(b) + " " + text(rb[j]) +
                            " spacing " + std::to_string(dx) + "," + std::to_string(dy) + " < " +
                            std::to_string(s));
        }
      }
    }
  }
}

void Checker::extensions(int active, int poly)
{
  for (const auto& ea : layers_) {
    for (const auto& eb : layers_) {
      int a = ea.first, b = eb.first;
      if (a == b || a >= kRuleLayers || b >= kRuleLayers || EXTENSION_VALID[a][b] != 1)
        continue;
      if ((a == active && b == poly) || (a == poly && b == active))
        continue;
      long e = EXTENSION[a][b] * scale_;
      size_t count = 0;
      for (const Rect& q : eb.second) {
        if (covered(ea.second, q) == 0)
          continue;
        Rect grown{q.x1 - e, q.y1 - e, q.x2 + e, q.y2 + e};
        if (!inside(ea.second, grown))
          add(&count, name(a) + " does not extend " + std::to_string(e) + " beyond " + name(b) +
                          " " + text(q));
      }
    }
  }
}

// Gates: pieces of active under poly.  Across the channel poly runs on by
// its extension, along it active runs on by its own.
void Checker::gates(int active, int poly)
{
  long polyExt = EXTENSION_VALID[poly][active] == 1 ? EXTENSION[poly][active] * scale_ : 0;
  long actExt = EXTENSION_VALID[active][poly] == 1 ? EXTENSION[active][poly] * scale_ : 0;
  std::vector<Rect> parts;
  for (const Rect& a : rects(active))
    for (const Rect& p : rects(poly))
      if (overlaps(a, p))
        parts.push_back({std::max(a.x1, p.x1), std::max(a.y1, p.y1), std::min(a.x2, p.x2),
                         std::min(a.y2, p.y2)});
  std::vector<int> piece = components(parts);
  std::map<int, Rect> gate;
  for (size_t i = 0; i < parts.size(); ++i) {
    auto it = gate.find(piece[i]);
    if (it == gate.end()) {
      gate[piece[i]] = parts[i];
      continue;
    }
    Rect& g = it->second;
    g = {std::min(g.x1, parts[i].x1), std::min(g.y1, parts[i].y1), std::max(g.x2, parts[i].x2),
         std::max(g.y2, parts[i].y2)};
  }
  size_t count = 0;
  for (const auto& entry : gate) {
    const Rect& g = entry.second;
    bool upright = inside(rects(poly), {g.x1, g.y1 - polyExt, g.x2, g.y2 + polyExt}) &&
                   inside(rects(active), {g.x1 - actExt, g.y1, g.x2 + actExt, g.y2});
    bool lying = inside(rects(poly), {g.x1 - polyExt, g.y1, g.x2 + polyExt, g.y2}) &&
                 inside(rects(active), {g.x1, g.y1 - actExt, g.x2, g.y2 + actExt});
    if (!upright && !lying)
      add(&count, "gate " + text(g) + " lacks the extensions " + std::to_string(polyExt) +
                      " of poly and " + std::to_string(actExt) + " of active");
  }
}

}  // namespace

std::map<int, std::vector<Rect>> planeRects()
{
  std::map<int, std::vector<Rect>> layers;
  for (int p = 0; p < DlayerNum; ++p) {
    if (!DlayerTile[p].layertile)
      continue;
    for (_Dtile* t : cs_test::allTiles(DlayerTile[p].layertile))
      if (TisSolid(t))
        layers[DlayerTile[p].layer].push_back({t->x1, t->y1, cs::right(t), cs::top(t)});
  }
  return layers;
}

std::vector<std::string> checkRules(const std::map<int, std::vector<Rect>>& layers, long scale,
                                    int active, int poly)
{
  Checker checker(layers, scale);
  checker.widths();
  checker.spacings();
  checker.extensions(active, poly);
  if (active >= 0 && poly >= 0)
    checker.gates(active, poly);
  return checker.report;
}

}  // namespace designrule_test
