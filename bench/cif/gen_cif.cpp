// gen_cif: writes large CIF layouts on the example process (lib/example.tech)
// for benchmarks: rows of CMOS inverters or single transistors with their
// contacts, vias and supply rails, either as a hierarchy (cell, row, array,
// with every second row mirrored so that rows share their rails) or as one
// flat cell holding exactly the boxes that hierarchy flattens to.  With
// --template, the cell is a flat CIF file instead, and the output is one
// flat cell of N copies of it on a grid (see CifTemplate.h); a template it
// cannot take ends the program with a "file:line: ..." line on standard
// error and status 2.
//
//   gen_cif [--kind flat|hier] [--cell inverter|nmos|pmos] [--count N |
//           --boxes N] [--columns K] [--lambda U] [--gds [--map file]] [-o file]
//   gen_cif --template file.cif [--count N] [--columns K] [-o file]
//
// Prints the number of cells, rails and boxes on standard error.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "CifTemplate.h"
#include "GdsStream.h"

namespace {

// Geometry in lambda; one lambda is `lambda` CIF units (0.01 micrometre).
struct Box {
  const char* layer;
  int x1, y1, x2, y2;
};
struct Rail {  // a wire along the whole row
  const char* layer;
  int y;      // centre line
  int width;
  const char* label;
};
struct Cell {
  const char* name;
  int width, height;
  std::vector<Box> boxes;
  std::vector<Rail> rails;
};

// A CMOS inverter: nMOS below, pMOS above, one poly gate across both, the
// input on a poly contact at the left, the output strap in metal 1 with a
// via to metal 2, and a substrate and a well tap under the rails.
Cell inverter()
{
  return {"inverter", 16, 48,
          {
              {"CWP", 0, 0, 16, 22},   {"CSN", 1, 5, 15, 15},   {"CAA", 3, 7, 13, 13},
              {"CCA", 4, 9, 6, 11},    {"CCA", 10, 9, 12, 11},  {"CMF", 3, 2, 7, 12},
              {"CWN", 0, 24, 16, 48},  {"CSP", 1, 29, 15, 41},  {"CAA", 3, 31, 13, 39},
              {"CCA", 4, 34, 6, 36},   {"CCA", 10, 34, 12, 36}, {"CMF", 3, 33, 7, 46},
              {"CMF", 9, 8, 13, 37},   {"CPG", 7, 5, 9, 41},    {"CPG", 1, 17, 9, 21},
              {"CCP", 2, 18, 4, 20},   {"CMF", 1, 17, 5, 21},   {"CVA", 10, 22, 12, 24},
              {"CMS", 9, 21, 13, 25},  {"CSP", 9, 0, 15, 4},    {"CAA", 10, 1, 14, 3},
              {"CCA", 11, 1, 13, 3},   {"CSN", 9, 44, 15, 48},  {"CAA", 10, 45, 14, 47},
              {"CCA", 11, 45, 13, 47},
          },
          {{"CMF", 2, 4, "gnd"}, {"CMF", 46, 4, "vdd"}}};
}

// An nMOS transistor with source and drain contacts, the source tied to the
// ground rail, and the gate on a poly contact above.
Cell nmos()
{
  return {"nmos", 16, 24,
          {
              {"CWP", 0, 0, 16, 24},  {"CSN", 1, 5, 15, 15},  {"CAA", 3, 7, 13, 13},
              {"CPG", 7, 5, 9, 17},   {"CCA", 4, 9, 6, 11},   {"CCA", 10, 9, 12, 11},
              {"CMF", 3, 2, 7, 12},   {"CMF", 9, 8, 13, 12},  {"CPG", 6, 15, 10, 19},
              {"CCP", 7, 16, 9, 18},  {"CMF", 6, 15, 10, 19},
          },
          {{"CMF", 2, 4, "gnd"}}};
}

// A pMOS transistor in its well, the source tied to the supply rail above.
Cell pmos()
{
  return {"pmos", 16, 24,
          {
              {"CWN", 0, 0, 16, 24},  {"CSP", 1, 9, 15, 19},  {"CAA", 3, 11, 13, 17},
              {"CPG", 7, 7, 9, 19},   {"CCA", 4, 13, 6, 15},  {"CCA", 10, 13, 12, 15},
              {"CMF", 3, 12, 7, 22},  {"CMF", 9, 12, 13, 16}, {"CPG", 6, 3, 10, 7},
              {"CCP", 7, 4, 9, 6},    {"CMF", 6, 3, 10, 7},
          },
          {{"CMF", 22, 4, "vdd"}}};
}

struct Options {
  std::string kind = "hier";
  std::string cell = "inverter";
  long count = 1000;
  long boxes = 0;
  long columns = 0;
  int lambda = 20;
  std::string output;
  std::string templateFile;
  bool gds = false;  // write the flat layout as GDSII
  std::string map = QUORIN_SOURCE_DIR "/lib/example.gdsmap";
  bool cellOptions = false;  // --kind, --cell, --boxes or --lambda given
};

[[noreturn]] void usage(int status)
{
  fprintf(status ? stderr : stdout,
          "Usage: gen_cif [--kind flat|hier] [--cell inverter|nmos|pmos]\n"
          "               [--count N | --boxes N] [--columns K] [--lambda U]\n"
          "               [--gds [--map file]] [-o file]\n"
          "       gen_cif --template file.cif [--count N] [--columns K] [-o file]\n"
          "  --kind     hier: cell, row and array definitions (default); flat: one\n"
          "             cell holding the boxes the hierarchy flattens to\n"
          "  --cell     content of each cell (default inverter: 25 boxes;\n"
          "             nmos, pmos: 11 boxes)\n"
          "  --count    number of cells (default 1000)\n"
          "  --boxes    about this many boxes instead of a cell count\n"
          "  --columns  cells per row (default: a roughly square array)\n"
          "  --lambda   CIF units (0.01 um) per lambda (default 20)\n"
          "  --gds      write the flat layout (--kind flat) as GDSII in units of\n"
          "             0.01 um, layers from --map (lib/example.gdsmap)\n"
          "  --template a flat CIF cell (layers, boxes, labels) to copy N times\n"
          "             on a grid with a margin of a tenth of its size; labels\n"
          "             other than vdd and gnd get _<copy index> appended\n");
  exit(status);
}

Options parse(int argc, char** argv)
{
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc)
        usage(2);
      return argv[++i];
    };
    if (a == "--kind" || a == "--cell" || a == "--boxes" || a == "--lambda")
      o.cellOptions = true;
    if (a == "--kind")
      o.kind = value();
    else if (a == "--cell")
      o.cell = value();
    else if (a == "--template")
      o.templateFile = value();
    else if (a == "--count")
      o.count = atol(value().c_str());
    else if (a == "--boxes")
      o.boxes = atol(value().c_str());
    else if (a == "--columns")
      o.columns = atol(value().c_str());
    else if (a == "--lambda")
      o.lambda = atoi(value().c_str());
    else if (a == "-o")
      o.output = value();
    else if (a == "--gds")
      o.gds = true;
    else if (a == "--map")
      o.map = value();
    else if (a == "-h" || a == "--help")
      usage(0);
    else
      usage(2);
  }
  if ((o.kind != "flat" && o.kind != "hier") || o.lambda < 2 || o.lambda % 2)
    usage(2);
  if (!o.templateFile.empty() && o.cellOptions)
    usage(2);
  if (o.gds && (o.kind != "flat" || !o.templateFile.empty()))
    usage(2);
  return o;
}

// GDSII layer numbers: the first pair of each layer in the layer map.
std::map<std::string, int> readLayerMap(const std::string& path)
{
  std::map<std::string, int> layers;
  FILE* f = fopen(path.c_str(), "r");
  if (!f) {
    fprintf(stderr, "gen_cif: cannot open the layer map %s\n", path.c_str());
    exit(2);
  }
  char line[256], name[64];
  int layer, datatype;
  while (fgets(line, sizeof line, f))
    if (line[0] != '#' && sscanf(line, "%d %d %63s", &layer, &datatype, name) == 3)
      layers.emplace(name, layer);
  fclose(f);
  return layers;
}

// Output with a large buffer, as CIF or (flat layouts) as GDSII in CIF units;
// every coordinate is an integer.
class Writer {
 public:
  Writer(FILE* f, const std::map<std::string, int>* gdsLayers)
      : f_(f), gdsLayers_(gdsLayers), gds_(f)
  {
    setvbuf(f_, nullptr, _IOFBF, 1 << 20);
  }
  bool gds() const { return gdsLayers_ != nullptr; }
  void layer(const std::string& name)
  {
    if (!gds()) {
      fprintf(f_, "L %s;\n", name.c_str());
      return;
    }
    auto found = gdsLayers_->find(name);
    if (found == gdsLayers_->end()) {
      fprintf(stderr, "gen_cif: the layer map has no layer %s\n", name.c_str());
      exit(2);
    }
    layer_ = found->second;
  }
  void box(const Box& b, int lambda)
  {
    if (gds()) {
      gds_.box(layer_, long(b.x1) * lambda, long(b.y1) * lambda, long(b.x2) * lambda,
               long(b.y2) * lambda);
      return;
    }
    long w = long(b.x2 - b.x1) * lambda, h = long(b.y2 - b.y1) * lambda;
    long cx = long(b.x1 + b.x2) * lambda / 2, cy = long(b.y1 + b.y2) * lambda / 2;
    fprintf(f_, "B %ld %ld %ld %ld;\n", w, h, cx, cy);
  }
  void wire(long width, long x1, long y, long x2)
  {
    if (gds())
      gds_.wire(layer_, width, x1, y, x2);
    else
      fprintf(f_, "W %ld %ld %ld %ld %ld;\n", width, x1, y, x2, y);
  }
  void label(const char* text, long x, long y, const char* layerName)
  {
    if (!gds()) {
      fprintf(f_, "94 %s %ld %ld %s;\n", text, x, y, layerName);
      return;
    }
    layer(layerName);
    gds_.label(layer_, x, y, text);
  }
  void beginCell(const std::string& name)
  {
    if (gds())
      gds_.begin(name);
    else
      fprintf(f_, "DS 1;\n9 %s;\n", name.c_str());
  }
  void endFlat()
  {
    if (gds())
      gds_.end();
    else
      fprintf(f_, "DF;\nC 1;\n");
  }
  FILE* file() { return f_; }

 private:
  FILE* f_;
  const std::map<std::string, int>* gdsLayers_;
  gencif::GdsStream gds_;
  int layer_ = 0;
};

// Layers in the order the cell first uses them.
std::vector<std::string> layersOf(const Cell& c)
{
  std::vector<std::string> layers;
  auto add = [&](const char* l) {
    for (const std::string& have : layers)
      if (have == l)
        return;
    layers.push_back(l);
  };
  for (const Box& b : c.boxes)
    add(b.layer);
  for (const Rail& r : c.rails)
    add(r.layer);
  return layers;
}

struct Array {
  long count, columns, rows;
  long cellsInRow(long r) const { return r + 1 < rows ? columns : count - r * columns; }
};

// The rails of one row of n cells, in the row's own coordinates: the wire
// ends stop half a width inside so that the square ends reach the row's edge.
void rails(Writer& out, const Cell& c, const char* layer, long n, int lambda, bool mirrored,
           long yOffset)
{
  for (const Rail& r : c.rails) {
    if (strcmp(r.layer, layer) != 0)
      continue;
    long half = long(r.width) * lambda / 2;
    long y = long(r.y) * lambda;
    if (mirrored)
      y = -y;
    out.wire(long(r.width) * lambda, half, y + yOffset, n * c.width * lambda - half);
  }
}

void labels(Writer& out, const Cell& c, long n, int lambda, bool mirrored, long yOffset)
{
  for (const Rail& r : c.rails) {
    long y = long(r.y) * lambda;
    if (mirrored)
      y = -y;
    out.label(r.label, n * c.width * lambda / 2, y + yOffset, r.layer);
  }
}

void writeCell(Writer& out, const Cell& c, int lambda)
{
  fprintf(out.file(), "DS 1;\n9 %s;\n", c.name);
  for (const std::string& layer : layersOf(c)) {
    bool any = false;
    for (const Box& b : c.boxes) {
      if (layer != b.layer)
        continue;
      if (!any)
        fprintf(out.file(), "L %s;\n", layer.c_str());
      any = true;
      out.box(b, lambda);
    }
  }
  fprintf(out.file(), "DF;\n");
}

// Symbol 2 is a full row, symbol 3 the shorter last row (when there is
// one), symbol 4 the array of rows; the top level calls 4.
void writeHierarchy(Writer& out, const Cell& c, const Array& a, int lambda)
{
  writeCell(out, c, lambda);
  long pitch = long(c.width) * lambda;
  long height = long(c.height) * lambda;
  long last = a.cellsInRow(a.rows - 1);
  for (int symbol = 2; symbol <= 3; ++symbol) {
    long n = symbol == 2 ? a.columns : last;
    if (symbol == 3 && last == a.columns)
      break;
    fprintf(out.file(), "DS %d;\n9 row%ld;\n", symbol, n);
    for (long i = 0; i < n; ++i)
      fprintf(out.file(), "C 1 T %ld 0;\n", i * pitch);
    for (const std::string& layer : layersOf(c)) {
      bool has = false;
      for (const Rail& r : c.rails)
        has = has || layer == r.layer;
      if (!has)
        continue;
      fprintf(out.file(), "L %s;\n", layer.c_str());
      rails(out, c, layer.c_str(), n, lambda, false, 0);
    }
    labels(out, c, n, lambda, false, 0);
    fprintf(out.file(), "DF;\n");
  }
  fprintf(out.file(), "DS 4;\n9 array;\n");
  for (long r = 0; r < a.rows; ++r) {
    int symbol = a.cellsInRow(r) == a.columns ? 2 : 3;
    if (r % 2 == 0)
      fprintf(out.file(), "C %d T 0 %ld;\n", symbol, r * height);
    else
      fprintf(out.file(), "C %d MY T 0 %ld;\n", symbol, (r + 1) * height);
  }
  fprintf(out.file(), "DF;\nC 4;\n");
}

// The same boxes in one cell, layer by layer.
void writeFlat(Writer& out, const Cell& c, const Array& a, int lambda)
{
  out.beginCell(std::string("flat_") + c.name);
  long height = long(c.height);
  for (const std::string& layer : layersOf(c)) {
    out.layer(layer);
    for (long r = 0; r < a.rows; ++r) {
      bool mirrored = r % 2 == 1;
      long base = mirrored ? (r + 1) * height : r * height;  // in lambda
      for (long i = 0; i < a.cellsInRow(r); ++i) {
        for (const Box& b : c.boxes) {
          if (layer != b.layer)
            continue;
          Box t = b;
          t.x1 = int(b.x1 + i * c.width);
          t.x2 = int(b.x2 + i * c.width);
          t.y1 = int(mirrored ? base - b.y2 : base + b.y1);
          t.y2 = int(mirrored ? base - b.y1 : base + b.y2);
          out.box(t, lambda);
        }
      }
      rails(out, c, layer.c_str(), a.cellsInRow(r), lambda, mirrored, base * lambda);
    }
  }
  for (long r = 0; r < a.rows; ++r) {
    bool mirrored = r % 2 == 1;
    long base = (mirrored ? (r + 1) : r) * height * lambda;
    labels(out, c, a.cellsInRow(r), lambda, mirrored, base);
  }
  out.endFlat();
}

// Coordinates must stay well inside 32 bits after the reader's scaling.
constexpr double kMaxExtent = 2.0e8;  // CIF units

FILE* openOutput(const Options& o)
{
  FILE* f = o.output.empty() ? stdout : fopen(o.output.c_str(), "w");
  if (!f)
    fprintf(stderr, "gen_cif: cannot write %s\n", o.output.c_str());
  return f;
}

int closeOutput(const Options& o, FILE* f)
{
  if (f != stdout && fclose(f) != 0) {
    fprintf(stderr, "gen_cif: write error on %s\n", o.output.c_str());
    return 1;
  }
  return 0;
}

int fromTemplate(const Options& o)
{
  if (o.count < 1)
    usage(2);
  FILE* in = fopen(o.templateFile.c_str(), "r");
  if (!in) {
    fprintf(stderr, "gen_cif: cannot open the template %s\n", o.templateFile.c_str());
    return 2;
  }
  gencif::Template t;
  try {
    t = gencif::readTemplate(in, o.templateFile);
  } catch (const gencif::TemplateError& e) {
    fclose(in);
    fprintf(stderr, "gen_cif: %s\n", e.what());
    return 2;
  }
  fclose(in);
  gencif::GridPlacement g = gencif::placeCopies(t, o.count, o.columns);
  if (gencif::placementExtent(t, g) > kMaxExtent) {
    fprintf(stderr, "gen_cif: the array would be %lld units wide; use --columns or fewer copies\n",
            static_cast<long long>(gencif::placementExtent(t, g)));
    return 2;
  }
  FILE* f = openOutput(o);
  if (!f)
    return 1;
  setvbuf(f, nullptr, _IOFBF, 1 << 20);
  gencif::writeTemplateArray(f, t, g, o.templateFile);
  fprintf(stderr, "gen_cif: %ld copies in %ld rows, pitch %lld x %lld, %zu boxes\n", g.count,
          (g.count + g.columns - 1) / g.columns, static_cast<long long>(g.pitchX),
          static_cast<long long>(g.pitchY), size_t(g.count) * t.boxes.size());
  return closeOutput(o, f);
}

}  // namespace

int main(int argc, char** argv)
{
  Options o = parse(argc, argv);
  if (!o.templateFile.empty())
    return fromTemplate(o);
  Cell c = o.cell == "inverter" ? inverter() : o.cell == "nmos" ? nmos() : o.cell == "pmos"
                                                                            ? pmos()
                                                                            : (usage(2), Cell{});
  long per = static_cast<long>(c.boxes.size());
  if (o.boxes > 0)
    o.count = o.boxes / per > 0 ? o.boxes / per : 1;
  if (o.count < 1)
    usage(2);
  Array a;
  a.count = o.count;
  a.columns = o.columns > 0 ? o.columns
                            : std::max(1L, static_cast<long>(std::ceil(std::sqrt(
                                               double(o.count) * c.height / c.width))));
  if (a.columns > a.count)
    a.columns = a.count;
  a.rows = (a.count + a.columns - 1) / a.columns;
  double extent = double(std::max(a.columns * c.width, a.rows * c.height)) * o.lambda;
  if (extent > kMaxExtent) {
    fprintf(stderr, "gen_cif: the array would be %.0f units wide; use --columns\n", extent);
    return 2;
  }

  FILE* f = openOutput(o);
  if (!f)
    return 1;
  std::map<std::string, int> gdsLayers;
  if (o.gds)
    gdsLayers = readLayerMap(o.map);
  Writer out(f, o.gds ? &gdsLayers : nullptr);
  if (o.gds) {
    writeFlat(out, c, a, o.lambda);
  } else {
    fprintf(f, "(%s array of %ld %s cells, %ld per row, generated by gen_cif);\n",
            o.kind.c_str(), a.count, c.name, a.columns);
    if (o.kind == "hier")
      writeHierarchy(out, c, a, o.lambda);
    else
      writeFlat(out, c, a, o.lambda);
    fprintf(f, "E\n");
  }
  long railCount = a.rows * static_cast<long>(c.rails.size());
  fprintf(stderr, "gen_cif: %ld cells in %ld rows, %ld rails, %ld boxes\n", a.count, a.rows,
          railCount, a.count * per + railCount);
  return closeOutput(o, f);
}
