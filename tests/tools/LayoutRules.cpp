// The independent design-rule checker (see LayoutRules.h).
#include "LayoutRules.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "Dlayout.h"

namespace layout_check {

namespace {

// One layer's merged shapes: strips, the piece of each strip, the strips of
// each piece and an index over the strips.
struct Shapes {
  explicit Shapes(const Boxes& boxes) : strips(merged(boxes)), index(strips)
  {
    piece = pieces(strips, &count);
    members.resize(count);
    for (size_t i = 0; i < strips.size(); ++i)
      members[piece[i]].push_back(static_cast<int>(i));
  }
  // Area of `q` the layer covers.
  long long covered(const Box& q) const
  {
    long long sum = 0;
    index.near(q, 0, [&](int i) {
      const Box& s = strips[i];
      Box c{std::max(s.x1, q.x1), std::max(s.y1, q.y1), std::min(s.x2, q.x2), std::min(s.y2, q.y2)};
      if (c.x1 < c.x2 && c.y1 < c.y2)
        sum += area(c);
    });
    return sum;
  }
  bool covers(const Box& q) const { return covered(q) == area(q); }
  // The strips near `q`, cut to it.
  Boxes clipped(const Box& q) const
  {
    Boxes out;
    index.near(q, 0, [&](int i) {
      const Box& s = strips[i];
      Box c{std::max(s.x1, q.x1), std::max(s.y1, q.y1), std::min(s.x2, q.x2), std::min(s.y2, q.y2)};
      if (c.x1 < c.x2 && c.y1 < c.y2)
        out.push_back(c);
    });
    return out;
  }
  Boxes strips;
  BoxIndex index;
  std::vector<int> piece;
  int count = 0;
  std::vector<std::vector<int>> members;
};

using ShapeSet = std::vector<std::unique_ptr<Shapes>>;

ShapeSet shapesOf(const Layers& layout, const Rules& rules)
{
  ShapeSet set(kSlots);
  for (size_t l = 0; l < layout.size() && l < static_cast<size_t>(kSlots); ++l)
    if (!layout[l].empty() && !rules.ignored.count(static_cast<int>(l)))
      set[l] = std::make_unique<Shapes>(layout[l]);
  return set;
}

Boxes piecePart(const Shapes& s, int p)
{
  Boxes out;
  for (int i : s.members[p])
    out.push_back(s.strips[i]);
  return out;
}

long root(double squared) { return static_cast<long>(std::floor(std::sqrt(squared) + 1e-9)); }

// Places found too narrow (or too short) with what was measured there,
// reported once per connected region.
void reportGrouped(const std::vector<std::pair<Box, long>>& bad, const std::string& rule,
                   long required, std::vector<Violation>* out)
{
  if (bad.empty())
    return;
  Boxes boxes;
  for (const auto& b : bad)
    boxes.push_back(b.first);
  Shapes region(boxes);
  std::vector<Violation> found(region.count);
  std::vector<bool> used(region.count, false);
  for (const auto& [box, measured] : bad)
    region.index.near(box, 0, [&, m = measured, q = box](int i) {
      if (!overlaps(region.strips[i], q))
        return;
      int p = region.piece[i];
      Violation& v = found[p];
      if (!used[p]) {
        v = {rule, q, m, required, ""};
        used[p] = true;
      }
      v.measured = std::min(v.measured, m);
      v.place = {std::min(v.place.x1, q.x1), std::min(v.place.y1, q.y1), std::max(v.place.x2, q.x2),
                 std::max(v.place.y2, q.y2)};
    });
  for (int p = 0; p < region.count; ++p)
    if (used[p])
      out->push_back(found[p]);
}

// Inner corners of a layer, by the quadrant left empty (0 north-east,
// 1 north-west, 2 south-west, 3 south-east).
std::vector<std::pair<long, long>> innerCorners(const Shapes& s, int emptyQuadrant)
{
  std::vector<std::pair<long, long>> corners;
  auto inside = [&](long x, long y) { return s.covers({x, y, x + 1, y + 1}); };
  for (const Box& b : s.strips)
    for (auto [x, y] : {std::make_pair(b.x1, b.y1), std::make_pair(b.x2, b.y1),
                        std::make_pair(b.x1, b.y2), std::make_pair(b.x2, b.y2)}) {
      bool q[4] = {inside(x, y), inside(x - 1, y), inside(x - 1, y - 1), inside(x, y - 1)};
      if (!q[emptyQuadrant] && q[(emptyQuadrant + 1) % 4] && q[(emptyQuadrant + 2) % 4] &&
          q[(emptyQuadrant + 3) % 4])
        corners.push_back({x, y});
    }
  std::sort(corners.begin(), corners.end());
  corners.erase(std::unique(corners.begin(), corners.end()), corners.end());
  return corners;
}

void widths(const Shapes& s, const std::string& rule, long w, std::vector<Violation>* out)
{
  std::vector<std::pair<Box, long>> bad;
  for (const Box& b : s.strips)
    if (b.x2 - b.x1 < w)
      bad.push_back({b, b.x2 - b.x1});
  for (const Box& b : mergedColumns(s.strips))
    if (b.y2 - b.y1 < w)
      bad.push_back({b, b.y2 - b.y1});
  // A neck across a diagonal: two inner corners facing each other over
  // material, nearer than the width.
  for (int q : {1, 0}) {
    auto from = innerCorners(s, q), to = innerCorners(s, q + 2);
    Boxes points;
    for (auto [x, y] : to)
      points.push_back({x, y, x, y});
    BoxIndex index(points);
    for (auto [x, y] : from)
      index.near({x, y, x, y}, w, [&, x = x, y = y](int i) {
        long tx = points[i].x1, ty = points[i].y1;
        bool facing = ty < y && (q == 1 ? tx > x : tx < x);
        double d2 = double(tx - x) * (tx - x) + double(ty - y) * (ty - y);
        Box between{std::min(x, tx), ty, std::max(x, tx), y};
        if (facing && d2 < double(w) * w && s.covers(between))
          bad.push_back({between, root(d2)});
      });
  }
  reportGrouped(bad, rule, w, out);
}

uint64_t pairKey(int a, int b)
{
  return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
}

void spacings(const Shapes& a, const Shapes& b, bool same, const std::string& rule, long s,
              std::vector<Violation>* out)
{
  std::unordered_set<uint64_t> together;
  if (!same)
    for (size_t i = 0; i < a.strips.size(); ++i)
      b.index.near(a.strips[i], 0, [&](int j) {
        if (overlaps(a.strips[i], b.strips[j]))
          together.insert(pairKey(a.piece[i], b.piece[j]));
      });
  struct Nearest {
    double d2;
    Box place;
  };
  std::unordered_map<uint64_t, Nearest> nearest;
  std::vector<uint64_t> order;
  for (size_t i = 0; i < a.strips.size(); ++i)
    b.index.near(a.strips[i], s, [&](int j) {
      int pa = a.piece[i], pb = b.piece[j];
      if (same ? pa >= pb : together.count(pairKey(pa, pb)) > 0)
        return;
      double d2 = distance2(a.strips[i], b.strips[j]);
      if (d2 >= double(s) * s)
        return;
      auto [it, fresh] = nearest.insert({pairKey(pa, pb), {d2, between(a.strips[i], b.strips[j])}});
      if (fresh)
        order.push_back(it->first);
      else if (d2 < it->second.d2)
        it->second = {d2, between(a.strips[i], b.strips[j])};
    });
  for (uint64_t k : order)
    out->push_back({rule, nearest[k].place, root(nearest[k].d2), s, ""});
}

void overlapsOf(const Shapes& a, const Shapes& b, const std::string& rule,
                std::vector<Violation>* out)
{
  Boxes common = intersection(a.strips, b.strips);
  if (common.empty())
    return;
  Shapes region(common);
  for (int p = 0; p < region.count; ++p)
    out->push_back({rule, bounds(piecePart(region, p)), 0, 0, "overlap"});
}

void enclosures(const Shapes& a, const Shapes& b, const std::string& rule, long e,
                std::vector<Violation>* out)
{
  for (int p = 0; p < b.count; ++p) {
    Boxes part = piecePart(b, p);
    bool meets = false;
    for (const Box& q : part)
      if (a.covered(q) > 0)
        meets = true;
    if (!meets)
      continue;
    Box box = bounds(part);
    if (e < 0) {
      Boxes near = a.clipped(grown(box, -e));
      for (Box& q : near)
        q = grown(q, -e);
      Boxes outside = difference(part, merged(near));
      if (!outside.empty())
        out->push_back({rule, bounds(outside), 0, e, "sticks out too far"});
      continue;
    }
    Box window = grown(box, e + 1);
    Boxes missing = difference({window}, a.strips.empty() ? Boxes{} : a.clipped(window));
    Boxes outside = intersection(part, missing);
    if (!outside.empty()) {
      out->push_back({rule, bounds(outside), 0, e, "not inside"});
      continue;
    }
    double best = -1;
    Box place{};
    for (const Box& q : part)
      for (const Box& m : missing) {
        double d2 = distance2(q, m);
        if (best < 0 || d2 < best) {
          best = d2;
          place = between(q, m);
        }
      }
    if (best >= 0 && best < double(e) * e)
      out->push_back({rule, place, root(best), e, ""});
  }
}

// What continues beyond one side of a gate.
enum class Beyond { Active, Poly, Other };

struct GateSides {
  Beyond left, right, bottom, top;
};

// Boxes of `depth` just outside each side of `g`: left, right, bottom, top.
std::vector<Box> outside(const Box& g, long depth)
{
  return {{g.x1 - depth, g.y1, g.x1, g.y2},
          {g.x2, g.y1, g.x2 + depth, g.y2},
          {g.x1, g.y1 - depth, g.x2, g.y1},
          {g.x1, g.y2, g.x2, g.y2 + depth}};
}

// A gate with what lies beyond its sides, and its element kind.
struct GateFound {
  Gate gate;
  std::string shape;  // what makes it not straight
};

int elementOf(const Box& g, int active, int poly, const ShapeSet& set, const Rules& rules,
              bool* complete)
{
  int best = -1;
  long long bestScore = 0;
  size_t bestLayers = 0;
  *complete = false;
  for (size_t e = 0; e < rules.elements.size(); ++e) {
    const auto& layers = rules.elements[e].layers;
    if (layers.size() < 2 || layers[0] != active || layers[1] != poly)
      continue;
    long long score = 0;
    bool full = true;
    for (size_t k = 2; k < layers.size(); ++k) {
      long long c = set[layers[k]] ? set[layers[k]]->covered(g) : 0;
      score += c;
      full = full && c == area(g);
    }
    bool better = full ? (!*complete || layers.size() > bestLayers) : (!*complete && score > bestScore);
    if (better) {
      best = static_cast<int>(e);
      bestScore = score;
      bestLayers = layers.size();
      *complete = full;
    }
  }
  return best;
}

std::vector<GateFound> gatesOf(const ShapeSet& set, const Rules& rules)
{
  std::vector<GateFound> found;
  std::set<std::pair<int, int>> pairs;
  for (const auto& e : rules.elements)
    if (e.layers.size() >= 2 && set[e.layers[0]] && set[e.layers[1]])
      pairs.insert({e.layers[0], e.layers[1]});
  for (auto [active, poly] : pairs) {
    const Shapes &as = *set[active], &ps = *set[poly];
    Shapes gates(intersection(as.strips, ps.strips));
    for (int p = 0; p < gates.count; ++p) {
      GateFound f;
      Boxes part = piecePart(gates, p);
      f.gate.box = bounds(part);
      f.gate.active = active;
      f.gate.poly = poly;
      f.gate.straight = false;
      f.gate.upright = false;
      bool complete;
      f.gate.element = elementOf(f.gate.box, active, poly, set, rules, &complete);
      if (part.size() != 1) {
        f.shape = "not a rectangle";
        found.push_back(f);
        continue;
      }
      char side[4];
      std::vector<Box> probes = outside(f.gate.box, 1);
      for (int k = 0; k < 4; ++k)
        side[k] = as.covers(probes[k]) ? 'a' : ps.covers(probes[k]) ? 'p' : '-';
      if (side[0] == 'a' && side[1] == 'a' && side[2] == 'p' && side[3] == 'p') {
        f.gate.straight = true;
      } else if (side[0] == 'p' && side[1] == 'p' && side[2] == 'a' && side[3] == 'a') {
        f.gate.straight = true;
        f.gate.upright = true;
      } else {
        f.shape = std::string("beyond left, right, bottom, top: ") + side[0] + side[1] + side[2] +
                  side[3] + " (a active, p poly, - neither)";
      }
      found.push_back(f);
    }
  }
  return found;
}

// How far `layer` runs on beyond the side `k` of `g`, looked at up to
// `depth`; `depth` when it runs on all along the side that far.
long runsOn(const Shapes& layer, const Box& g, int k, long depth)
{
  Box r = outside(g, depth)[k];
  Boxes missing = difference({r}, layer.clipped(r));
  long reach = depth;
  for (const Box& m : missing) {
    long d = k == 0 ? g.x1 - m.x2 : k == 1 ? m.x1 - g.x2 : k == 2 ? g.y1 - m.y2 : m.y1 - g.y2;
    reach = std::min(reach, d);
  }
  return reach;
}

long tranRule(const long* value, const bool* on, int element)
{
  if (element >= 0 && element < 8 && on[element])
    return value[element];
  return on[0] ? value[0] : -1;
}

void gateChecks(const ShapeSet& set, const Rules& rules, const WellRoles& roles,
                std::vector<Violation>* out)
{
  for (const GateFound& f : gatesOf(set, rules)) {
    const Gate& g = f.gate;
    const std::string pair = rules.name(g.poly) + "/" + rules.name(g.active);
    if (!g.straight) {
      out->push_back({"gate shape " + pair, g.box, 0, 0, f.shape});
    } else {
      // Sides 0..3: left, right, bottom, top; the caps lie across the channel.
      const int caps[2] = {g.upright ? 0 : 2, g.upright ? 1 : 3};
      const int ends[2] = {g.upright ? 2 : 0, g.upright ? 3 : 1};
      if (rules.extensionOn[g.poly][g.active])
        for (int k : caps) {
          long need = rules.extension[g.poly][g.active];
          long reach = runsOn(*set[g.poly], g.box, k, need);
          if (reach < need)
            out->push_back({"end cap " + pair, outside(g.box, need)[k], reach, need, ""});
        }
      if (rules.extensionOn[g.active][g.poly])
        for (int k : ends) {
          long need = rules.extension[g.active][g.poly];
          long reach = runsOn(*set[g.active], g.box, k, need);
          if (reach < need)
            out->push_back({"gate extension " + rules.name(g.active) + "/" + rules.name(g.poly),
                            outside(g.box, need)[k], reach, need, ""});
        }
      long w = g.upright ? g.box.x2 - g.box.x1 : g.box.y2 - g.box.y1;
      long l = g.upright ? g.box.y2 - g.box.y1 : g.box.x2 - g.box.x1;
      std::string kind = g.element >= 0 ? rules.elements[g.element].name : pair;
      long tw = tranRule(rules.tranWidth, rules.tranWidthOn, g.element);
      long tl = tranRule(rules.tranLength, rules.tranLengthOn, g.element);
      if (tw >= 0 && w < tw)
        out->push_back({"transistor width " + kind, g.box, w, tw, ""});
      if (tl >= 0 && l < tl)
        out->push_back({"transistor length " + kind, g.box, l, tl, ""});
    }
    if (g.element < 0) {
      bool selects = false;
      for (const auto& e : rules.elements)
        selects = selects || (e.layers.size() > 2 && e.layers[0] == g.active && e.layers[1] == g.poly);
      if (selects)
        out->push_back({"select " + pair, g.box, 0, 0, "no element's layers cover the gate"});
      continue;
    }
    const Rules::Element& e = rules.elements[g.element];
    for (size_t k = 2; k < e.layers.size(); ++k)
      if (!set[e.layers[k]] || !set[e.layers[k]]->covers(g.box))
        out->push_back({"select " + e.name + "/" + rules.name(e.layers[k]), g.box, 0, 0,
                        "the gate is not inside " + rules.name(e.layers[k])});
    if (static_cast<size_t>(g.element) < roles.own.size()) {
      for (int w : roles.own[g.element])
        if (!set[w] || !set[w]->covers(g.box))
          out->push_back({"well " + e.name + "/" + rules.name(w), g.box, 0, 0,
                          "the gate is not inside " + rules.name(w)});
      for (int w : roles.foreign[g.element])
        if (set[w] && set[w]->covered(g.box) > 0)
          out->push_back({"foreign well " + e.name + "/" + rules.name(w), g.box, 0, 0,
                          "the gate overlaps " + rules.name(w)});
    }
  }
}

WellRoles rolesOf(const ShapeSet& set, const Rules& rules)
{
  WellRoles roles;
  roles.own.resize(rules.elements.size());
  roles.foreign.resize(rules.elements.size());
  std::vector<int> gates(rules.elements.size(), 0);
  std::map<std::pair<int, int>, int> full, touched;  // (element, well)
  std::vector<int> wells = rules.wells();
  for (const GateFound& f : gatesOf(set, rules)) {
    if (f.gate.element < 0)
      continue;
    ++gates[f.gate.element];
    for (int w : wells) {
      long long c = set[w] ? set[w]->covered(f.gate.box) : 0;
      full[{f.gate.element, w}] += c == area(f.gate.box);
      touched[{f.gate.element, w}] += c > 0;
    }
  }
  for (size_t e = 0; e < rules.elements.size(); ++e)
    for (int w : wells) {
      if (gates[e] == 0)
        continue;
      if (2 * full[{static_cast<int>(e), w}] > gates[e])
        roles.own[e].insert(w);
      if (set[w] && touched[{static_cast<int>(e), w}] == 0)
        roles.foreign[e].insert(w);
    }
  return roles;
}

bool gatePair(const Rules& rules, int a, int b)
{
  for (const auto& e : rules.elements)
    if (e.layers.size() >= 2 && ((e.layers[0] == a && e.layers[1] == b) ||
                                 (e.layers[0] == b && e.layers[1] == a)))
      return true;
  return false;
}

std::string micrometres(long units, double k)
{
  char text[32];
  snprintf(text, sizeof text, "%.4f", units * k);
  std::string s = text;
  while (s.back() == '0')
    s.pop_back();
  if (s.back() == '.')
    s.pop_back();
  return s == "-0" ? "0" : s;
}

}  // namespace

Rules Rules::fromTables(double unitsPerStep)
{
  Rules r;
  auto slotOf = [](const char* name) {
    for (int i = 0; i < GlayerNum; ++i)
      if (strcmp(Glayers[i].name, name) == 0)
        return Glayers[i].layer;
    return -1;
  };
  for (int i = 0; i < GlayerNum && i < kSlots; ++i)
    r.names.push_back(Glayers[i].name);
  // Rules are in steps of LAMBDA_T2, the layout in theGlobalScale units per
  // LAMBDA_T1.
  const double unit = unitsPerStep > 0 ? unitsPerStep : SCALE * LAMBDA_T2 / LAMBDA_T1;
  auto units = [&](int16_t v) { return static_cast<long>(std::llround(v * unit)); };
  for (int i = 0; i < kSlots; ++i) {
    r.width[i] = units(WIDTH[i]);
    r.widthOn[i] = WIDTH_VALID[i] == 1;
    for (int j = 0; j < kSlots; ++j) {
      r.spacing[i][j] = units(SPACING[i][j]);
      r.spacingOn[i][j] = SPACING_VALID[i][j] == 1;
      r.extension[i][j] = units(EXTENSION[i][j]);
      r.extensionOn[i][j] = EXTENSION_VALID[i][j] == 1;
    }
  }
  for (int k = 0; k < 8; ++k) {
    r.tranWidth[k] = units(TRAN_WIDTH[k]);
    r.tranWidthOn[k] = TRAN_WIDTH_VALID[k] == 1;
    r.tranLength[k] = units(TRAN_LENGTH[k]);
    r.tranLengthOn[k] = TRAN_LENGTH_VALID[k] == 1;
  }
  for (int e = 0; e < DelementNum; ++e) {
    Element element{Delement[e].name, {}};
    for (int k = 0; k < Delement[e].layerNum; ++k)
      element.layers.push_back(slotOf(Delement[e].layers[k]));
    if (std::find(element.layers.begin(), element.layers.end(), -1) == element.layers.end())
      r.elements.push_back(element);
  }
  for (int e = 0; e < DconNum; ++e)
    for (const char* layer : {Dconnect[e].lowerLayer, Dconnect[e].conLayer, Dconnect[e].upperLayer})
      if (slotOf(layer) >= 0)
        r.connected.insert(slotOf(layer));
  if (slotOf("XYZ") >= 0)
    r.ignored.insert(slotOf("XYZ"));
  r.micronsPerUnit = LAMBDA_T1 / SCALE;
  return r;
}

std::string Rules::name(int layer) const
{
  return layer >= 0 && layer < static_cast<int>(names.size()) ? names[layer]
                                                              : "#" + std::to_string(layer);
}

std::vector<int> Rules::wells() const
{
  std::set<int> parts;
  for (const Element& e : elements)
    parts.insert(e.layers.begin(), e.layers.end());
  std::vector<int> result;
  for (int w = 0; w < kSlots; ++w) {
    if (parts.count(w) || connected.count(w) || ignored.count(w))
      continue;
    for (int p : parts)
      if (extensionOn[w][p]) {
        result.push_back(w);
        break;
      }
  }
  return result;
}

std::vector<Gate> findGates(const Layers& layout, const Rules& rules)
{
  std::vector<Gate> gates;
  for (const GateFound& f : gatesOf(shapesOf(layout, rules), rules))
    gates.push_back(f.gate);
  return gates;
}

WellRoles wellRoles(const Layers& layout, const Rules& rules)
{
  return rolesOf(shapesOf(layout, rules), rules);
}

std::vector<Violation> checkLayout(const Layers& layout, const Rules& rules, const WellRoles* roles)
{
  ShapeSet set = shapesOf(layout, rules);
  std::vector<Violation> out;
  for (int a = 0; a < kSlots; ++a) {
    if (!set[a])
      continue;
    if (rules.widthOn[a])
      widths(*set[a], "width " + rules.name(a), rules.width[a], &out);
    for (int b = a; b < kSlots; ++b) {
      if (!set[b] || !(rules.spacingOn[a][b] || rules.spacingOn[b][a]))
        continue;
      long s = std::max(rules.spacingOn[a][b] ? rules.spacing[a][b] : 0,
                        rules.spacingOn[b][a] ? rules.spacing[b][a] : 0);
      std::string pair = rules.name(a) + (a == b ? "" : "/" + rules.name(b));
      if (s > 0)
        spacings(*set[a], *set[b], a == b, "spacing " + pair, s, &out);
      else if (a != b)
        overlapsOf(*set[a], *set[b], "no overlap " + pair, &out);
    }
    for (int b = 0; b < kSlots; ++b)
      if (b != a && set[b] && rules.extensionOn[a][b] && !gatePair(rules, a, b))
        enclosures(*set[a], *set[b], "enclosure " + rules.name(a) + "/" + rules.name(b),
                   rules.extension[a][b], &out);
  }
  WellRoles own;
  if (!roles) {
    own = rolesOf(set, rules);
    roles = &own;
  }
  gateChecks(set, rules, *roles, &out);
  std::stable_sort(out.begin(), out.end(),
                   [](const Violation& x, const Violation& y) { return x.rule < y.rule; });
  return out;
}

std::string describe(const Violation& v, const Rules& rules)
{
  const double k = rules.micronsPerUnit;
  std::string line = v.rule + ":";
  if (v.detail.empty())
    line += " " + micrometres(v.measured, k) + " um, needs " + micrometres(v.required, k) + " um";
  else
    line += " " + v.detail;
  line += " at (" + micrometres(v.place.x1, k) + ", " + micrometres(v.place.y1, k) + ")-(" +
          micrometres(v.place.x2, k) + ", " + micrometres(v.place.y2, k) + ")";
  return line;
}

std::map<std::string, RuleCount> countByRule(const std::vector<Violation>& before,
                                             const std::vector<Violation>& after)
{
  std::map<std::string, RuleCount> counts;
  for (const Violation& v : before)
    ++counts[v.rule].before;
  for (const Violation& v : after)
    ++counts[v.rule].after;
  return counts;
}

std::vector<std::string> newlyBroken(const std::map<std::string, RuleCount>& counts)
{
  std::vector<std::string> rules;
  for (const auto& [rule, count] : counts)
    if (count.after > count.before)
      rules.push_back(rule);
  return rules;
}

std::vector<std::string> newViolations(const Layers& before, const Layers& after,
                                       const Rules& rules)
{
  const WellRoles roles = wellRoles(before, rules);
  std::vector<Violation> found = checkLayout(after, rules, &roles);
  std::vector<std::string> broken = newlyBroken(countByRule(checkLayout(before, rules, &roles), found));
  std::vector<std::string> lines;
  for (const Violation& v : found)
    if (std::find(broken.begin(), broken.end(), v.rule) != broken.end())
      lines.push_back(describe(v, rules));
  return lines;
}

}  // namespace layout_check
