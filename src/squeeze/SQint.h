// SQint.h -- internals shared by the files of src/squeeze.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "SQsqueeze.h"

namespace squeeze {

// What one direction's graph owns: its cells, lines and arcs.  Lines and
// arcs keep their addresses for the life of the graph.
struct DirectionStore {
  std::unique_ptr<SQCELL_item[]> cells;
  RecordArray<SQLINE_item> lines;
  size_t lineCount = 0;
  RecordPool<SQARC_item> arcs;
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
void addFixedArc(SQLINE_item* ori, SQLINE_item* ter, int weight, ArcOrigin origin);

// Words for a line and an arc in the layout's terms (side, layer, place in
// micrometres; the kind of constraint), for reports.
std::string describeLine(const SQLINE_item* line);
std::string describeArc(const SQARC_item* arc);

// Lowers every arc that the drawn positions (the lines' loc) do not meet to
// the drawn distance, with a warning and a list of the places.  Returns
// how many there were.
int keepDrawnWhereBroken();

// A cycle of positive weight among the lines of a strongly connected part
// where the longest paths do not settle, its arcs in order; empty when none
// is found.
std::vector<SQARC_item*> positiveCycle(const std::vector<SQLINE_item*>& lines);

// The arcs of a cycle that the squeeze keeps of the drawn layout give way
// (to the drawn distance, a grid step or nothing; never further: tiles that
// meet or keep apart at all stay so), each with a warning.  Returns false
// when none could give way (rules and sizes alone).
bool yieldKeptArcs(const std::vector<SQARC_item*>& cycle);
// The element tiles of the channel whose gate tile is `gate`.
void addChannel(std::unordered_set<const _Dtile*>* tiles, const _Dtile* gate);

// The arcs of a positive cycle in words, with the transistors involved.
void reportCycleInLayoutTerms(const std::vector<SQARC_item*>& cycle);

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

// An integer program for lp_solve, written as MPS.  Rows are declared by
// number (the first one, type 'N', is the objective); entries of one
// column and row add up, so a caller may hand in a coefficient per term.
// The writer refuses a model that would make a file lp_solve cannot read.
class MpsModel {
 public:
  void addRow(char type, int row);  // 'N', 'G', 'L' or 'E'
  void addColumn(int column);       // a variable, with or without entries
  void addEntry(int column, int row, int coefficient);
  void setRhs(int row, int value);
  void fixColumn(int column, int value);
  // Empty when the model is sound, else what is wrong.
  std::string check() const;
  // 0, or 1 with the reason (nothing written).
  int write(FILE* f, std::string* error) const;

 private:
  struct Row {
    char type;
    int number;
  };
  struct Column {
    int number;
    std::map<int, long> entries;  // row -> summed coefficient
  };
  std::vector<Row> rows_;
  std::unordered_map<int, char> declared_;
  int duplicateRows_ = 0;
  std::vector<Column> columns_;          // in order of first appearance
  std::unordered_map<int, size_t> columnAt_;
  std::map<int, int> rhs_;
  std::vector<std::pair<int, int>> fixed_;
};

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

// Longest paths over the squeeze graph and the boundary from one line at a
// time (the core's sources), with the values and wave numbers that
// SQcoreexpandwave leaves and the answers of SQcorebacktrackwave, each
// source in time linear in what it reaches.  The graph is read once; it
// must not change while the object lives.
// The strongly connected parts of a graph in compressed rows: the arcs of
// line v lead to to[first[v]] .. to[first[v + 1] - 1]; lines whose entry in
// `lines` is null are left out.  Tarjan's algorithm without recursion; the
// parts come out sinks first.
std::vector<std::vector<uint32_t>> strongParts(const std::vector<SQLINE_item*>& lines,
                                               const std::vector<uint32_t>& first,
                                               const std::vector<uint32_t>& to);

class CorePaths {
 public:
  // `lines` by slot (null slots allowed); `slot` maps a line to its slot.
  CorePaths(const std::vector<SQLINE_item*>& lines,
            const std::function<size_t(const SQLINE_item*)>& slot);
  // False when the lists do not hold the same arcs both ways (use the waves).
  bool usable() const { return usable_; }
  // From the line of slot `source`; false on a positive cycle (the waves
  // then report it).
  bool expand(size_t source);
  int weight(size_t slot) const;
  int wave(size_t slot) const;
  // SQcorebacktrackwave(source, target) of the last expansion.
  bool joined(size_t target) const;
  // BMweight and BMwave of every line, as the waves leave them.
  void store() const;
  // From each of `sources` (slots), on two threads: whether expand settles
  // and which of `targets` (slots) the search joins, by their index in
  // `targets`, with their weights.  The object's own expansion stays.
  struct Joins {
    bool settled = false;
    std::vector<uint32_t> targets;
    std::vector<int> weights;
  };
  std::vector<Joins> joinAll(const std::vector<size_t>& sources,
                             const std::vector<size_t>& targets) const;

 private:
  static constexpr int kUnreached = -10000;  // value of a line the source does not raise
  static constexpr int kUnreachedWave = -2;
  static constexpr int kNoWave = 1 << 30;    // raised inside a part, wave not known yet
  static constexpr uint32_t kNowhere = ~uint32_t{0};
  struct Arc {
    uint32_t to;  // topological number
    int weight;
  };
  struct Label {
    int value = kUnreached;
    int wave = kUnreachedWave;
    unsigned char raised = 0;  // above the start value (or the source)
    unsigned char joined = 0;  // SQcorebacktrackwave's answer
    unsigned char queued = 0;
  };
  // The state of one expansion, reset through `touched`.
  struct Search {
    uint32_t source = 0;
    std::vector<Label> label;
    std::vector<uint32_t> visits;
    std::vector<uint64_t> pending;      // parts to settle, one bit each
    std::vector<uint32_t> touched, seeds;
    std::deque<uint32_t> queue;
  };
  std::vector<std::vector<uint32_t>> components(const std::vector<uint32_t>& first,
                                                const std::vector<uint32_t>& to) const;
  void prepare(Search* s) const;
  bool expand(Search& s, size_t source) const;
  bool offer(Search& s, uint32_t u, uint32_t v, int weight, bool carries) const;
  bool carries(const Search& s, uint32_t u) const;
  bool settlePart(Search& s, uint32_t part) const;
  void reset(Search& s) const;
  bool joined(const Search& s, uint32_t t) const;

  std::vector<SQLINE_item*> lines_;    // by slot
  bool usable_ = true;
  // Lines by topological number (parts in topological order, a part's
  // lines together).
  std::vector<uint32_t> at_;           // by slot: topological number
  std::vector<uint32_t> order_;        // by number: slot
  std::vector<uint32_t> part_;         // by number: part
  std::vector<uint32_t> partFirst_;    // by part: first number, size parts + 1
  std::vector<uint32_t> first_;        // by number: first arc, size n + 1
  std::vector<uint32_t> cross_;        // by number: first arc to a later part
  std::vector<Arc> arcs_;
  std::vector<unsigned char> ordinary_;  // neither core nor boundary line
  Search own_;                         // of expand
};

// Position of a line in the lines of its direction (0-based), for scratch arrays.
inline size_t lineIndex(const SQLINE_item* line) { return static_cast<size_t>(line->number - 1); }

}  // namespace squeeze
