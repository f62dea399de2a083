// A plain design-rule checker for tests (see checkRules in RuleSupport.h).
#include <algorithm>
#include <numeric>
#include <set>

#include "CS.h"
#include "DTtechnology.h"
#include "RuleSupport.h"

namespace designrule_test {

namespace {

using Rects = std::vector<Rect>;

bool overlaps(const Rect& a, const Rect& b)
{
  return a.x1 < b.x2 && b.x1 < a.x2 && a.y1 < b.y2 && b.y1 < a.y2;
}

// Shares an edge of positive length, or overlaps.
bool joined(const Rect& a, const Rect& b)
{
  bool xMeet = a.x1 <= b.x2 && b.x1 <= a.x2, yMeet = a.y1 <= b.y2 && b.y1 <= a.y2;
  bool xSpan = a.x1 < b.x2 && b.x1 < a.x2, ySpan = a.y1 < b.y2 && b.y1 < a.y2;
  return (xMeet && ySpan) || (yMeet && xSpan);
}

// All of `r` is covered by the (disjoint) rectangles of a layer.
bool inside(const Rects& rects, const Rect& r)
{
  if (r.x2 <= r.x1 || r.y2 <= r.y1)
    return true;
  long long area = 0;
  for (const Rect& q : rects) {
    long w = std::min(q.x2, r.x2) - std::max(q.x1, r.x1);
    long h = std::min(q.y2, r.y2) - std::max(q.y1, r.y1);
    if (w > 0 && h > 0)
      area += static_cast<long long>(w) * h;
  }
  return area == static_cast<long long>(r.x2 - r.x1) * (r.y2 - r.y1);
}

// Connected pieces: component number of each rectangle.
std::vector<int> components(const Rects& rects)
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

// The lines of one check of one layer or pair, at most ten kept.
struct Report {
  std::vector<std::string>* lines;
  size_t count = 0;
  void add(const std::string& line)
  {
    if (count++ < 10)
      lines->push_back(line);
  }
};

// Maximal runs across a layer along x (or y), on the grid of its edges.
void runs(const Rects& all, int layer, bool alongX, long minimum, Report report)
{
  std::vector<long> along, across;
  for (const Rect& r : all) {
    along.insert(along.end(), {alongX ? r.x1 : r.y1, alongX ? r.x2 : r.y2});
    across.insert(across.end(), {alongX ? r.y1 : r.x1, alongX ? r.y2 : r.x2});
  }
  for (std::vector<long>* v : {&along, &across}) {
    std::sort(v->begin(), v->end());
    v->erase(std::unique(v->begin(), v->end()), v->end());
  }
  for (size_t j = 0; j + 1 < across.size(); ++j) {
    long c = (across[j] + across[j + 1]) / 2, start = 0;
    bool in = false;
    for (size_t i = 0; i < along.size(); ++i) {
      long m = i + 1 < along.size() ? (along[i] + along[i + 1]) / 2 : along[i] + 1;
      bool hit = i + 1 < along.size() && std::any_of(all.begin(), all.end(), [&](const Rect& r) {
                   return alongX ? (r.x1 <= m && m < r.x2 && r.y1 <= c && c < r.y2)
                                 : (r.y1 <= m && m < r.y2 && r.x1 <= c && c < r.x2);
                 });
      if (hit && !in)
        start = along[i];
      if (!hit && in && along[i] - start < minimum)
        report.add(name(layer) + " width " + std::to_string(along[i] - start) + " < " +
                   std::to_string(minimum) + (alongX ? " along x at y " : " along y at x ") +
                   std::to_string(c));
      in = hit;
    }
  }
}

void spacings(const std::map<int, Rects>& layers, long scale, std::vector<std::string>* lines)
{
  std::map<int, std::vector<int>> pieces;
  for (const auto& [layer, rects] : layers)
    pieces[layer] = components(rects);
  for (const auto& [a, ra] : layers)
    for (const auto& [b, rb] : layers) {
      if (b < a || b >= kRuleLayers || SPACING_VALID[a][b] != 1)
        continue;
      long s = SPACING[a][b] * scale;
      // Pieces of the two layers that overlap are one device or wire.
      std::set<std::pair<int, int>> together;
      for (size_t i = 0; i < ra.size() && a != b; ++i)
        for (size_t j = 0; j < rb.size(); ++j)
          if (overlaps(ra[i], rb[j]))
            together.insert({pieces[a][i], pieces[b][j]});
      Report report{lines};
      for (size_t i = 0; i < ra.size(); ++i)
        for (size_t j = a == b ? i + 1 : 0; j < rb.size(); ++j) {
          int pa = pieces[a][i], pb = pieces[b][j];
          if (a == b ? pa == pb : together.count({pa, pb}) > 0)
            continue;
          long dx = std::max({0L, rb[j].x1 - ra[i].x2, ra[i].x1 - rb[j].x2});
          long dy = std::max({0L, rb[j].y1 - ra[i].y2, ra[i].y1 - rb[j].y2});
          if (double(dx) * dx + double(dy) * dy < double(s) * s)
            report.add(name(a) + " " + text(ra[i]) + " to " + name(b) + " " + text(rb[j]) +
                       " spacing " + std::to_string(dx) + "," + std::to_string(dy) + " < " +
                       std::to_string(s));
        }
    }
}

void extensions(const std::map<int, Rects>& layers, long scale, int active, int poly,
                std::vector<std::string>* lines)
{
  for (const auto& [a, ra] : layers)
    for (const auto& [b, rb] : layers) {
      if (a == b || b >= kRuleLayers || EXTENSION_VALID[a][b] != 1 ||
          (a == active && b == poly) || (a == poly && b == active))
        continue;
      long e = EXTENSION[a][b] * scale;
      Report report{lines};
      for (const Rect& q : rb)
        if (std::any_of(ra.begin(), ra.end(), [&](const Rect& r) { return overlaps(r, q); }) &&
            !inside(ra, {q.x1 - e, q.y1 - e, q.x2 + e, q.y2 + e}))
          report.add(name(a) + " does not extend " + std::to_string(e) + " beyond " + name(b) +
                     " " + text(q));
    }
}

// Gates: pieces of active under poly.  Across the channel poly runs on by
// its extension, along it active runs on by its own.
void gates(const Rects& actives, const Rects& polys, long polyExt, long actExt,
           std::vector<std::string>* lines)
{
  Rects parts;
  for (const Rect& a : actives)
    for (const Rect& p : polys)
      if (overlaps(a, p))
        parts.push_back({std::max(a.x1, p.x1), std::max(a.y1, p.y1), std::min(a.x2, p.x2),
                         std::min(a.y2, p.y2)});
  std::vector<int> piece = components(parts);
  std::map<int, Rect> gate;
  for (size_t i = 0; i < parts.size(); ++i) {
    auto [it, fresh] = gate.insert({piece[i], parts[i]});
    Rect& g = it->second;
    if (!fresh)
      g = {std::min(g.x1, parts[i].x1), std::min(g.y1, parts[i].y1), std::max(g.x2, parts[i].x2),
           std::max(g.y2, parts[i].y2)};
  }
  Report report{lines};
  for (const auto& [number, g] : gate) {
    bool upright = inside(polys, {g.x1, g.y1 - polyExt, g.x2, g.y2 + polyExt}) &&
                   inside(actives, {g.x1 - actExt, g.y1, g.x2 + actExt, g.y2});
    bool lying = inside(polys, {g.x1 - polyExt, g.y1, g.x2 + polyExt, g.y2}) &&
                 inside(actives, {g.x1, g.y1 - actExt, g.x2, g.y2 + actExt});
    if (!upright && !lying)
      report.add("gate " + text(g) + " lacks the extensions " + std::to_string(polyExt) +
                 " of poly and " + std::to_string(actExt) + " of active");
  }
}

}  // namespace

std::map<int, std::vector<Rect>> planeRects()
{
  std::map<int, std::vector<Rect>> layers;
  for (int p = 0; p < DlayerNum; ++p) {
    if (!DlayerTile[p].layertile || DlayerTile[p].layer >= kRuleLayers)
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
  std::vector<std::string> lines;
  for (const auto& [layer, rects] : layers)
    if (WIDTH_VALID[layer] == 1)
      for (bool alongX : {true, false})
        runs(rects, layer, alongX, WIDTH[layer] * scale, Report{&lines});
  spacings(layers, scale, &lines);
  extensions(layers, scale, active, poly, &lines);
  if (active >= 0 && poly >= 0) {
    static const Rects none;
    auto rects = [&](int l) -> const Rects& {
      auto it = layers.find(l);
      return it == layers.end() ? none : it->second;
    };
    gates(rects(active), rects(poly),
          EXTENSION_VALID[poly][active] == 1 ? EXTENSION[poly][active] * scale : 0,
          EXTENSION_VALID[active][poly] == 1 ? EXTENSION[active][poly] * scale : 0, &lines);
  }
  return lines;
}

}  // namespace designrule_test
