// gen_substrate: writes a flat CIF layout on the example process with N
// four-finger nMOS groups on a grid, each inside a ring of ground strips of
// active (left, right, below, above) contacted to metal 1.  The metal rail
// under each row and a rail down the left edge make all strips one ground
// net, labelled "gnd" on the first strip.
//
//   gen_substrate --count N [--columns K] [-o file]
//
// Units: lambda = 1 micrometre = 100 CIF units; a cell is 80 x 50 lambda.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kLambda = 100;                  // CIF units per lambda
constexpr int kCellWidth = 80, kCellHeight = 50;  // lambda

struct Box {
  const char* layer;
  int x1, y1, x2, y2;  // lambda, relative to the cell
};

// One cell: the fingers, their strips, contacts and wiring.
const std::vector<Box>& cell()
{
  static const std::vector<Box> boxes = {
      {"CSN", 19, 19, 51, 29},
      // the fingers' active and the four strips
      {"CAA", 20, 20, 50, 28}, {"CAA", 20, 12, 50, 16}, {"CAA", 12, 18, 16, 30},
      {"CAA", 20, 36, 50, 40}, {"CAA", 64, 18, 68, 30},
      {"CPG", 25, 18, 27, 30}, {"CPG", 31, 18, 33, 30}, {"CPG", 37, 18, 39, 30},
      {"CPG", 43, 18, 45, 30}, {"CPG", 25, 30, 45, 32},
      {"CCA", 22, 23, 24, 25}, {"CCA", 28, 23, 30, 25}, {"CCA", 34, 23, 36, 25},
      {"CCA", 40, 23, 42, 25}, {"CCA", 46, 23, 48, 25}, {"CCA", 22, 13, 24, 15},
      {"CCA", 34, 13, 36, 15}, {"CCA", 46, 13, 48, 15}, {"CCA", 13, 23, 15, 25},
      {"CCA", 34, 37, 36, 39}, {"CCA", 65, 23, 67, 25},
      // the row rail, the ring over the strips, sources down, drains up
      {"CMF", 0, 12, kCellWidth, 16}, {"CMF", 12, 16, 16, 40}, {"CMF", 16, 36, 50, 40},
      {"CMF", 64, 16, 68, 30}, {"CMF", 21, 16, 25, 26}, {"CMF", 33, 16, 37, 26},
      {"CMF", 45, 16, 49, 26}, {"CMF", 27, 22, 31, 30}, {"CMF", 39, 22, 43, 30},
      {"CMF", 27, 30, 43, 34},
  };
  return boxes;
}

void box(FILE* out, int x1, int y1, int x2, int y2)
{
  fprintf(out, "B %d %d %d %d;\n", (x2 - x1) * kLambda, (y2 - y1) * kLambda,
          (x1 + x2) * kLambda / 2, (y1 + y2) * kLambda / 2);
}

}  // namespace

int main(int argc, char** argv)
{
  long count = 0, columns = 0;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--count") == 0 && i + 1 < argc)
      count = atol(argv[++i]);
    else if (strcmp(argv[i], "--columns") == 0 && i + 1 < argc)
      columns = atol(argv[++i]);
    else if (strcmp(argv[i], "-o") == 0 && i + 1 < argc)
      path = argv[++i];
    else {
      fprintf(stderr, "Usage: gen_substrate --count N [--columns K] [-o file]\n");
      return 2;
    }
  }
  if (count <= 0) {
    fprintf(stderr, "gen_substrate: --count must be positive\n");
    return 2;
  }
  if (columns <= 0)
    columns = static_cast<long>(std::ceil(std::sqrt(static_cast<double>(count))));
  long rows = (count + columns - 1) / columns;
  FILE* out = path ? fopen(path, "w") : stdout;
  if (!out) {
    fprintf(stderr, "gen_substrate: cannot write %s\n", path);
    return 1;
  }
  fprintf(out, "(%ld four-finger groups in ground rings, %ld per row);\n", count, columns);
  const char* layer = "";
  for (const char* name : {"CSN", "CAA", "CPG", "CCA", "CMF"}) {
    for (long n = 0; n < count; ++n) {
      int ox = static_cast<int>(n % columns) * kCellWidth;
      int oy = static_cast<int>(n / columns) * kCellHeight;
      for (const Box& b : cell()) {
        if (strcmp(b.layer, name) != 0)
          continue;
        if (strcmp(layer, name) != 0)
          fprintf(out, "L %s;\n", layer = name);
        box(out, ox + b.x1, oy + b.y1, ox + b.x2, oy + b.y2);
      }
    }
  }
  box(out, 0, 0, 4, static_cast<int>(rows) * kCellHeight);  // still CMF: rows joined
  fprintf(out, "94 gnd %d %d CAA;\nE\n", 14 * kLambda, 20 * kLambda);
  if (out != stdout)
    fclose(out);
  fprintf(stderr, "%ld cells, %ld rows\n", count, rows);
  return 0;
}
