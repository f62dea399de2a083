// SQint.h -- internals shared by the files of src/squeeze.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "SQsqueeze.h"

namespace squeeze {

// What one direction's graph owns: its cells, lines and arcs.  Lines and
// arcs keep their addresses for the life of the graph.
struct DirectionStore {
  std::unique_ptr<SQCELL_item[]> cells;
  std::unique_ptr<SQLINE_item[]> lines;
  size_t lineCount = 0;
  std::deque<SQARC_item> arcs;
  std::deque<SQSYMARC_item> symarcs;
};

// The store of LEFT_RIGHT (1) or TOP_BOTTOM (2).
DirectionStore& store(int direction);

// Every line of the current direction, in cell order (left, then right).
template <class F>
void forEachLine(F f)
{
  const int n = SQcell_size + SQsymcell_size;
  for (int i = 0; i < n; ++i) {
    if (SQcell[i].left)
      f(SQcell[i].left);
    if (SQcell[i].right)
      f(SQcell[i].right);
  }
}

// The name of a direction as messages show it.
const char* directionName(int direction);

// Abandons the running action (after the caller's message) once the
// squeeze's and the resizer's state are released.
[[noreturn]] void stop(int status);

// An in-use arc of exactly `weight` (no rounding), linked into its lines.
void addFixedArc(SQLINE_item* ori, SQLINE_item* ter, int weight);

// The arcs that keep the layout's circuit (drawn widths of unruled boxes,
// gate regions, overlaps, meeting and separate tiles, passive devices).
void keepLayout();

// In TOP_BOTTOM, once LEFT_RIGHT is solved: tiles that the horizontal
// compaction brought over each other (they were side by side diagonally)
// keep apart vertically as they were.
void keepApartAfterLeftRight();

// The longest paths in waves, as SQbf_main runs them when a positive cycle
// has to be reported (tests use it directly).
int waveLongestPaths(SQCELL_item* cells, int ncell, int reverse, FILE* log);

// SQbf_main forward (into `forward`, with the trace in `log`) and then in
// reverse, the lines' arcs read once for both.
void longestPathsBothWays(SQCELL_item* cells, int ncell, FILE* log, int* forward, int* reverse);

// Reads lp_solve's standard output into values by column number (the
// number after "X").  Returns 0, or 1 with the reason in `error`.
int readCoreReport(const std::string& text, std::unordered_map<int, long>* values,
                   std::string* error);

// Passive devices: the low and high line of a tile's cell in the current
// direction (null without a cell), x(b) - x(a) = d held by two arcs of
// `rank`, every non-symmetry arc between two lines removed, and
// micrometres as layout units (nearest, halves away from zero).
SQLINE_item* lowLine(const _Dtile* t);
SQLINE_item* highLine(const _Dtile* t);
void fixDistance(SQLINE_item* a, SQLINE_item* b, int d, int rank);
void clearArcs(SQLINE_item* a, SQLINE_item* b);
int gridUnits(double microns);

// Output of layers without cells: the boxes of every layer without a plane
// (the wells), each around the cells it enclosed as drawn, handed to
// `write` per layer; and the labels at the places of the cells they were
// on (a label on nothing is dropped).  Reads the final LEFT_RIGHT cells.
void writeWells(const std::function<void(const char*, const std::vector<_box>&)>& write);
struct PlacedLabel {
  std::string text, layer;
  int x, y;
};
std::vector<PlacedLabel> placedLabels();

// Position of a line in the lines of its direction (0-based), for scratch arrays.
inline size_t lineIndex(const SQLINE_item* line) { return static_cast<size_t>(line->number - 1); }

}  // namespace squeeze
