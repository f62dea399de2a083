// Same-circuit comparison (see SameCircuit.h).
#include "SameCircuit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unordered_map>

#include "CS.h"
#include "CXcapacitor.h"
#include "DEextract.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "Dmenu.h"
#include "LXinductor.h"
#include "LayoutInput.h"
#include "LayoutRules.h"
#include "RXresistor.h"

namespace layout_check {

namespace {

Box tileBox(const _Dtile* t)
{
  return t ? Box{t->x1, t->y1, cs::right(t), cs::top(t)} : Box{};
}

// Micrometres of the passive devices' records in layout units.
long units(double microns) { return std::lround(microns * SCALE / LAMBDA_T1); }

// ---------------------------------------------------------------------------
// Labelled graphs of two circuits side by side, and colour refinement.
// ---------------------------------------------------------------------------

uint64_t mix(uint64_t x)
{
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

enum Label { kGate = 1, kChannel = 2 };

struct Graph {
  // Vertices: the devices of the first circuit, its nets, then the same for
  // the second; `split` is the first vertex of the second.
  std::vector<std::vector<std::pair<int, int>>> adjacent;  // (vertex, label)
  int split = 0;
  std::vector<int> deviceOf;  // device index of a vertex, -1 for a net
  std::vector<int> netOf;     // net number of a vertex, 0 for a device
};

void addCircuit(const Circuit& c, Graph* g)
{
  int base = static_cast<int>(g->adjacent.size());
  std::unordered_map<int, int> netVertex;
  int n = static_cast<int>(c.devices.size());
  g->adjacent.resize(base + n);
  g->deviceOf.resize(base + n, -1);
  g->netOf.resize(base + n, 0);
  for (int d = 0; d < n; ++d)
    g->deviceOf[base + d] = d;
  auto connect = [&](int d, int net, int label) {
    if (net == 0)
      return;
    auto [it, fresh] = netVertex.insert({net, static_cast<int>(g->adjacent.size())});
    if (fresh) {
      g->adjacent.emplace_back();
      g->deviceOf.push_back(-1);
      g->netOf.push_back(net);
    }
    g->adjacent[base + d].push_back({it->second, label});
    g->adjacent[it->second].push_back({base + d, label});
  };
  for (int d = 0; d < n; ++d) {
    const Device& dev = c.devices[d];
    connect(d, dev.gate, kGate);
    connect(d, dev.pins[0], kChannel);
    connect(d, dev.pins[1], kChannel);
  }
}

size_t classCount(const std::vector<int>& colour)
{
  std::vector<int> c = colour;
  std::sort(c.begin(), c.end());
  return std::unique(c.begin(), c.end()) - c.begin();
}

// Refines until stable: a vertex's new colour is its colour with the
// multiset of its neighbours' colours and labels.  Colours are numbered
// from 0 in an order both circuits share.
std::vector<int> refine(const Graph& g, std::vector<int> colour)
{
  size_t classes = classCount(colour);
  const size_t n = colour.size();
  std::vector<std::pair<std::pair<int, uint64_t>, int>> keyed(n);
  for (;;) {
    for (size_t v = 0; v < n; ++v) {
      uint64_t h = 0;
      for (auto [w, label] : g.adjacent[v])
        h += mix(static_cast<uint64_t>(colour[w]) * 4 + label);
      keyed[v] = {{colour[v], h}, static_cast<int>(v)};
    }
    std::sort(keyed.begin(), keyed.end());
    int next = -1;
    for (size_t i = 0; i < n; ++i) {
      if (i == 0 || keyed[i].first != keyed[i - 1].first)
        ++next;
      colour[keyed[i].second] = next;
    }
    size_t now = static_cast<size_t>(next + 1);
    if (now == classes)
      return colour;
    classes = now;
  }
}

// Vertices of each colour in the first and in the second circuit.
struct Classes {
  std::vector<std::vector<int>> first, second;
  bool balanced() const
  {
    for (size_t c = 0; c < first.size(); ++c)
      if (first[c].size() != second[c].size())
        return false;
    return true;
  }
};

Classes classesOf(const Graph& g, const std::vector<int>& colour)
{
  Classes k;
  int top = colour.empty() ? 0 : *std::max_element(colour.begin(), colour.end()) + 1;
  k.first.resize(top);
  k.second.resize(top);
  for (size_t v = 0; v < colour.size(); ++v)
    (static_cast<int>(v) < g.split ? k.first : k.second)[colour[v]].push_back(static_cast<int>(v));
  return k;
}

// Whether the discrete colouring pairs the vertices of the two circuits so
// that every connection of the first has its image in the second.
bool mapsEdges(const Graph& g, const Classes& k)
{
  std::vector<int> image(g.adjacent.size(), -1);
  for (size_t c = 0; c < k.first.size(); ++c)
    image[k.first[c][0]] = k.second[c][0];
  for (int v = 0; v < g.split; ++v) {
    std::vector<std::pair<int, int>> mapped, there = g.adjacent[image[v]];
    for (auto [w, label] : g.adjacent[v])
      mapped.push_back({image[w], label});
    std::sort(mapped.begin(), mapped.end());
    std::sort(there.begin(), there.end());
    if (mapped != there)
      return false;
  }
  return true;
}

// Fixes look-alike vertices of the two circuits to each other until every
// class holds one vertex of each, then checks the pairing.  With `batch`
// a whole class is paired off at once where that keeps the classes
// balanced (arrays of independent cells), else one pair at a time.
// Returns the final colouring in `colour`; false when the classes do not
// balance (different circuits) or no choice keeps them balanced.
bool search(const Graph& g, std::vector<int>* colour, bool batch)
{
  *colour = refine(g, *colour);
  for (;;) {
    Classes k = classesOf(g, *colour);
    if (!k.balanced())
      return false;
    int pick = -1;
    for (size_t c = 0; c < k.first.size(); ++c)
      if (k.first[c].size() > 1 && (pick < 0 || k.first[c].size() < k.first[pick].size()))
        pick = static_cast<int>(c);
    if (pick < 0)
      return mapsEdges(g, k);
    const int fresh = static_cast<int>(k.first.size());
    const auto &mine = k.first[pick], &theirs = k.second[pick];
    std::vector<int> trial;
    if (batch) {
      trial = *colour;
      for (size_t i = 0; i < mine.size(); ++i)
        trial[mine[i]] = trial[theirs[i]] = fresh + static_cast<int>(i);
      trial = refine(g, trial);
      if (classesOf(g, trial).balanced()) {
        *colour = std::move(trial);
        continue;
      }
    }
    bool kept = false;
    for (int w : theirs) {
      trial = *colour;
      trial[mine[0]] = trial[w] = fresh;
      trial = refine(g, trial);
      if (classesOf(g, trial).balanced()) {
        *colour = std::move(trial);
        kept = true;
        break;
      }
    }
    if (!kept)
      return false;
  }
}

bool isomorphic(const Graph& g, std::vector<int>* colour)
{
  std::vector<int> start = *colour;
  if (search(g, colour, true))
    return true;
  *colour = start;
  return search(g, colour, false);
}

// ---------------------------------------------------------------------------
// Labels and reports.
// ---------------------------------------------------------------------------

std::string um(long v, double k)
{
  char text[32];
  snprintf(text, sizeof text, "%.4g", v * k);
  return text;
}

std::string sizeText(const std::string& kind, long w, long l, double k)
{
  return kind + " W " + um(w, k) + " L " + um(l, k) + " um";
}

std::string where(const Device& d, double k)
{
  return d.name + " at (" + um(d.where.x1, k) + ", " + um(d.where.y1, k) + ")";
}

// The size a device of the first circuit is to have.
std::pair<long, long> expected(const Device& d, const SizeRequests& sizes)
{
  char letter = d.kind == "capacitor" ? 'c' : d.kind == "resistor" ? 'r' : d.kind == "inductor" ? 'l' : 'm';
  auto it = sizes.find({letter, d.number});
  if (it == sizes.end())
    return {d.width, d.length};
  return {it->second.widthUnits, it->second.lengthUnits};
}

std::vector<int> startColours(const Graph& g, const Circuit& a, const Circuit& b,
                              const SizeRequests& sizes, bool withSizes)
{
  std::map<std::string, int> number;
  std::vector<std::string> key(g.adjacent.size());
  for (size_t v = 0; v < key.size(); ++v) {
    int d = g.deviceOf[v];
    if (d < 0) {
      key[v] = "net";
      continue;
    }
    bool first = static_cast<int>(v) < g.split;
    const Device& dev = (first ? a : b).devices[d];
    auto [w, l] = first ? expected(dev, sizes) : std::make_pair(dev.width, dev.length);
    key[v] = dev.kind + (withSizes ? "|" + std::to_string(w) + "|" + std::to_string(l) : "") +
             "|" + std::to_string(dev.gate == 0) + std::to_string(dev.pins[0] == 0) +
             std::to_string(dev.pins[1] == 0);
  }
  for (const std::string& k : key)
    number.insert({k, 0});
  int n = 0;
  for (auto& entry : number)
    entry.second = n++;
  std::vector<int> colour(key.size());
  for (size_t v = 0; v < key.size(); ++v)
    colour[v] = number[key[v]];
  return colour;
}

// Devices and nets that have no counterpart under the colouring.
void unmatched(const Graph& g, const Circuit& a, const Circuit& b, const std::vector<int>& colour,
               std::vector<std::string>* lines)
{
  Classes k = classesOf(g, colour);
  const double unit = a.micronsPerUnit;
  size_t shown = 0, total = 0;
  int netsFirst = 0, netsSecond = 0;
  for (size_t c = 0; c < k.first.size(); ++c) {
    if (k.first[c].size() == k.second[c].size())
      continue;
    for (bool firstSide : {true, false}) {
      const auto& mine = firstSide ? k.first[c] : k.second[c];
      const auto& other = firstSide ? k.second[c] : k.first[c];
      for (size_t i = other.size(); i < mine.size(); ++i) {
        int d = g.deviceOf[mine[i]];
        if (d < 0) {
          ++(firstSide ? netsFirst : netsSecond);
          continue;
        }
        const Device& dev = (firstSide ? a : b).devices[d];
        if (shown++ < 10)
          lines->push_back(std::string(firstSide ? "only in the first: " : "only in the second: ") +
                           sizeText(dev.kind, dev.width, dev.length, unit) + ", " +
                           where(dev, unit) + " (connected differently)");
        ++total;
      }
    }
  }
  if (total > shown)
    lines->push_back("... " + std::to_string(total - shown) + " more devices connected differently");
  if (netsFirst + netsSecond > 0)
    lines->push_back("nets connected differently: " + std::to_string(netsFirst) +
                     " in the first, " + std::to_string(netsSecond) + " in the second");
}

// ---------------------------------------------------------------------------
// Size files.
// ---------------------------------------------------------------------------

// The size file's tokens: words, numbers and parentheses; "#" comments.
std::vector<std::string> tokens(std::istream& in)
{
  std::vector<std::string> out;
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    std::replace(line.begin(), line.end(), '=', ' ');
    std::string word;
    for (char c : line + " ") {
      if (c == '(' || c == ')' || isspace(static_cast<unsigned char>(c))) {
        if (!word.empty())
          out.push_back(word);
        word.clear();
        if (c == '(' || c == ')')
          out.push_back(std::string(1, c));
      } else {
        word += c;
      }
    }
  }
  return out;
}

bool number(const std::vector<std::string>& t, size_t* i, double* v)
{
  if (*i >= t.size())
    return false;
  if (t[*i] == "(") {
    double a, b;
    if (*i + 4 >= t.size() || t[*i + 4] != ")")
      return false;
    std::string op = t[*i + 1];
    size_t j = *i + 2;
    if (!number(t, &j, &a) || !number(t, &j, &b) || (op != "times" && op != "difference"))
      return false;
    *v = op == "times" ? a * b : a - b;
    *i += 5;
    return true;
  }
  char* end = nullptr;
  *v = strtod(t[*i].c_str(), &end);
  if (end == t[*i].c_str() || *end)
    return false;
  ++*i;
  return true;
}

// Micrometres to layout units as the workbench's size file does it: cut to
// whole units, then to the nearest half grid step (a quarter rounds down).
long sizeUnits(double microns)
{
  long u = static_cast<long>(SCALE * microns / LAMBDA_T2);
  long h = SCALE / 2, q = SCALE / 4, m = std::labs(u);
  if (h == 0)
    return u;
  long r = m / h * h + (m % h > q ? h : 0);
  return u < 0 ? -r : r;
}

}  // namespace

std::string extractCircuit(const std::string& cif, Circuit* circuit)
{
  *circuit = {};
  switch (callback::accept(kAcceptLoadCif, cif.c_str())) {
    case callback::Outcome::Done: break;
    case callback::Outcome::KeepDialog: return "cannot open " + cif;
    default: return "cannot load and extract " + cif;
  }
  circuit->micronsPerUnit = LAMBDA_T1 / SCALE;
  Layers layers = flattenedLayers();
  std::vector<Gate> gates = findGates(layers, Rules::fromTables());
  Boxes gateBoxes;
  for (const Gate& g : gates)
    gateBoxes.push_back(g.box);
  BoxIndex index(gateBoxes);
  for (int e = 0; e < DelementNum; ++e)
    for (_Dtransistor* t = Transistors ? Transistors[e] : nullptr; t; t = t->next) {
      Device d;
      d.kind = Delement[e].name;
      d.name = t->name;
      d.number = t->number;
      d.gate = t->gate;
      d.pins[0] = t->source;
      d.pins[1] = t->drain;
      d.where = tileBox(t->Tgate);
      // The workbench's own reading: width across the channel as the size
      // file means it.
      d.width = t->orientation == 1 ? t->width : t->length;
      d.length = t->orientation == 1 ? t->length : t->width;
      Box c{(d.where.x1 + d.where.x2) / 2, (d.where.y1 + d.where.y2) / 2, 0, 0};
      c.x2 = c.x1 + 1;
      c.y2 = c.y1 + 1;
      index.near(c, 0, [&](int i) {
        const Gate& g = gates[i];
        if (!overlaps(g.box, c) || !g.straight)
          return;
        d.where = g.box;
        d.width = g.upright ? g.box.x2 - g.box.x1 : g.box.y2 - g.box.y1;
        d.length = g.upright ? g.box.y2 - g.box.y1 : g.box.x2 - g.box.x1;
      });
      circuit->devices.push_back(d);
    }
  for (_CX_CAPACITOR_* c = capacitorList ? capacitorList->next : nullptr; c; c = c->next) {
    Device d{"capacitor", "c" + std::to_string(c->capacitorNum), c->capacitorNum,
             units(c->origGeometry.width), units(c->origGeometry.length), 0,
             {static_cast<int>(c->net1), static_cast<int>(c->net2)}, tileBox(c->plate1)};
    circuit->devices.push_back(d);
  }
  for (_RX_RESISTOR_* r = resistorList ? resistorList->next : nullptr; r; r = r->next) {
    Device d{"resistor", r->name, r->resistorNum, units(r->origGeometry.width),
             units(r->origGeometry.length), 0,
             {static_cast<int>(r->net1), static_cast<int>(r->net2)}, tileBox(r->port1tile)};
    circuit->devices.push_back(d);
  }
  for (_LXInductor* l = inductorList ? inductorList->next : nullptr; l; l = l->next) {
    Device d{"inductor", "l" + std::to_string(l->inductorNo), l->inductorNo, units(l->width),
             units(l->outerDiameter), 0, {static_cast<int>(l->net1), static_cast<int>(l->net2)},
             {l->origX1, l->origY1, l->origX2, l->origY2}};
    circuit->devices.push_back(d);
  }
  return "";
}

std::string readSizes(const std::string& path, SizeRequests* sizes)
{
  std::ifstream in(path);
  if (!in)
    return "cannot open " + path;
  std::vector<std::string> t = tokens(in);
  // The sections: their device letter and the numbers of values a line may
  // have (the first two are the sizes compared).
  struct Section {
    const char* header;
    char letter;
    int least, most;
  };
  static const Section sections[] = {{"Transistors_sizes:", 'm', 2, 4},
                  {"Capacitors_sizes:", 'c', 2, 2},
                  {"Resistors_sizes:", 'r', 2, 3},
                  {"Inductors_sizes:", 'l', 5, 5}};
  const Section* section = nullptr;
  for (size_t i = 0; i < t.size();) {
    const std::string& w = t[i++];
    auto header = std::find_if(std::begin(sections), std::end(sections),
                               [&](const Section& s) { return w == s.header; });
    if (header != std::end(sections)) {
      section = header;
      continue;
    }
    char* end = nullptr;
    long n = section && w.size() > 1 && tolower(w[0]) == section->letter
                 ? strtol(w.c_str() + 1, &end, 10)
                 : -1;
    if (n < 0 || *end)
      return path + ": not a device line at \"" + w + "\"";
    double v[5];
    int count = 0;
    while (count < section->most && number(t, &i, &v[count]))
      ++count;
    if (count != section->least && count != section->most)
      return path + ": " + w + " needs " + std::to_string(section->least) +
             (section->most > section->least ? " or " + std::to_string(section->most) : "") +
             " values";
    bool transistor = section->letter == 'm';
    long a = transistor ? sizeUnits(v[0]) : units(v[0]);
    long b = transistor ? sizeUnits(v[1]) : units(v[1]);
    (*sizes)[{section->letter, static_cast<int>(n)}] = {v[0], v[1], a, b};
  }
  return "";
}

CircuitComparison compareCircuits(const Circuit& first, const Circuit& second,
                                  const SizeRequests& sizes)
{
  CircuitComparison result;
  const double unit = first.micronsPerUnit;
  Graph g;
  addCircuit(first, &g);
  g.split = static_cast<int>(g.adjacent.size());
  addCircuit(second, &g);
  std::vector<int> colour = startColours(g, first, second, sizes, true);
  if (isomorphic(g, &colour)) {
    result.same = true;
    return result;
  }
  auto& lines = result.differences;
  // The devices by kind and size.
  std::map<std::string, std::pair<int, int>> bySize;
  for (const Device& d : first.devices) {
    auto [w, l] = expected(d, sizes);
    ++bySize[sizeText(d.kind, w, l, unit)].first;
  }
  for (const Device& d : second.devices)
    ++bySize[sizeText(d.kind, d.width, d.length, unit)].second;
  for (const auto& [what, count] : bySize)
    if (count.first != count.second)
      lines.push_back(what + ": " + std::to_string(count.first) + " expected, " +
                      std::to_string(count.second) + " found");
  // Matched by kind and connection alone, the devices whose size differs.
  std::vector<int> bare = startColours(g, first, second, sizes, false);
  if (!isomorphic(g, &bare)) {
    unmatched(g, first, second, bare, &lines);
    if (lines.empty())
      lines.push_back("the connections differ");
    return result;
  }
  Classes k = classesOf(g, bare);
  for (size_t c = 0; c < k.first.size(); ++c) {
    int d1 = g.deviceOf[k.first[c][0]], d2 = g.deviceOf[k.second[c][0]];
    if (d1 < 0)
      continue;
    const Device &a = first.devices[d1], &b = second.devices[d2];
    auto [w, l] = expected(a, sizes);
    if (w != b.width || l != b.length)
      lines.push_back(where(a, unit) + ": " + sizeText(a.kind, w, l, unit) + " expected, " +
                      sizeText(b.kind, b.width, b.length, unit) + " found as " + b.name);
  }
  return result;
}

}  // namespace layout_check
