// SQint.h -- internals shared by the files of src/squeeze.
#pragma once

#include <atomic>
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

// Whether one of the arcs filed last from ori (the first six of its list)
// asks at least `weight` to ter already; keepAtLeast adds the arc unless.
bool askedAlready(const SQLINE_item* ori, const SQLINE_item* ter, int weight);
void keepAtLeast(SQLINE_item* ori, SQLINE_item* ter, int weight, ArcOrigin origin);

// An arc that a search of the layout asks for, made later on the thread
// that makes arcs; `held`: askedAlready when it was asked, if looked at.
struct Asked {
  SQLINE_item* ori;
  SQLINE_item* ter;
  int weight;
  bool held = false;
};

// keepAtLeast for each of `asked` in order, where the lists had not
// changed since the arcs were asked and `held` was looked at then: a
// list that gets an arc here (madeIn of its line's index set to `round`)
// is looked at again for the arcs asked after, the others take `held`.
void keepAsked(const std::vector<Asked>& asked, ArcOrigin origin, std::vector<uint32_t>* madeIn,
               uint32_t round);

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

// The arcs out of each line as a line-by-line walk of the lists met them:
// by line index, in list order, with their weights.  Sound when every arc
// stood in the list of its own start and led to a line of `lines`, at its
// index.
struct ListedArcs {
  std::vector<SQLINE_item*> lines;  // by index
  std::vector<uint32_t> first;      // size lines + 1
  std::vector<uint32_t> to;         // line indices
  std::vector<int> weight;
  bool sound = false;
};

// SQbf_main forward (into `forward`, with the trace in `log`) and then in
// reverse, the lines' arcs read once for both: from `given` where it holds
// the lists as they stand (it is taken then), else from the lists.
void longestPathsBothWays(SQCELL_item* cells, int ncell, FILE* log, int* forward, int* reverse,
                          ListedArcs* given = nullptr);

// The removal of redundant arcs worked out on the graph as it stands,
// without changing it (planRedundantArcs).
struct RemovalPlan {
  int cells = 0;
  size_t lines = 0;
  std::vector<SQLINE_item*> byIndex;  // the lines of the cells by index
  // By line, in the order of forEachLine: the head of its list, and where
  // its arcs that stay and go begin in `stay` and `go`.
  std::vector<SQARC_item*> head;
  std::vector<uint32_t> stayFirst, goFirst;
  std::vector<SQARC_item*> stay, go;
  std::vector<uint32_t> to;  // the index of the end of each arc that stays
  std::vector<std::pair<uint32_t, int>> bothSym;  // (line, pairs of symmetry arcs) where any
};

// The plan, or null where the lines and their arcs are not all where their
// indices say (the removal then works on the lists alone), or where
// giveUp(), asked now and then while less than half the lines are
// planned, says that the plan would come too late.
std::unique_ptr<RemovalPlan> planRedundantArcs(const std::function<bool()>& giveUp = nullptr);

// SQremove_redundant_arcs; `listed`, if given, takes the arcs that stay as
// the lines' lists then hold them (sound only if each line was met once,
// in the order of its index).  A `plan` made since the graph last changed
// but for arcs linked at the front of lists is carried out: the lines
// whose lists still begin and count as they did keep its findings, the
// others are worked out anew.
int removeRedundantArcs(ListedArcs* listed, const RemovalPlan* plan = nullptr);

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

// Strongly connected parts in one array: the lines of part p are
// lines[first[p]] .. lines[first[p + 1] - 1].
struct Parts {
  struct View {
    const uint32_t *from, *to;
    const uint32_t* begin() const { return from; }
    const uint32_t* end() const { return to; }
    size_t size() const { return static_cast<size_t>(to - from); }
    uint32_t operator[](size_t k) const { return from[k]; }
  };
  std::vector<uint32_t> lines;
  std::vector<uint32_t> first{0};
  size_t size() const { return first.size() - 1; }
  View operator[](size_t p) const
  {
    return View{lines.data() + first[p], lines.data() + first[p + 1]};
  }
};

// The strongly connected parts of a graph in compressed rows: the arcs of
// line v lead to to[first[v]] .. to[first[v + 1] - 1]; lines whose entry in
// `lines` is null (or in `present` is 0) are left out.  Tarjan's algorithm
// without recursion; the parts come out sinks first.
Parts strongParts(const std::vector<SQLINE_item*>& lines, const std::vector<uint32_t>& first,
                  const std::vector<uint32_t>& to);
Parts strongParts(const std::vector<unsigned char>& present, const std::vector<uint32_t>& first,
                  const std::vector<uint32_t>& to);

// Longest paths over the squeeze graph and the boundary from one line at a
// time (the core's sources), with the values and wave numbers that
// SQcoreexpandwave leaves and the answers of SQcorebacktrackwave, each
// source in time linear in what it reaches.  The graph is read once, into
// arrays of its own: the object does not look at the lines again (but for
// `store`).
class CorePaths {
 public:
  // The graph by slot in compressed rows: the arcs of slot v lead to
  // to[first[v]] .. to[first[v + 1] - 1], of weight[]; by slot, whether a
  // line is there and whether it is ordinary (neither core nor boundary).
  struct Graph {
    std::vector<uint32_t> first, to;
    std::vector<int> weight;
    std::vector<unsigned char> present, ordinary;
    bool usable = true;  // the lists held the same arcs both ways
  };
  // An arc of weight 0 between two slots that is not in the lists yet.
  struct Extra {
    uint32_t from, to;
  };
  // The graph of `lines` by slot (null slots allowed, a line at one slot
  // only), `slot` mapping a line to its slot, as the lines' lists hold
  // it; with `extra` arcs as if linked in this order at the front of the
  // lists.
  static Graph graphOf(const std::vector<SQLINE_item*>& lines,
                       const std::function<size_t(const SQLINE_item*)>& slot,
                       const std::vector<Extra>& extra = {});
  explicit CorePaths(Graph graph);
  CorePaths(const std::vector<SQLINE_item*>& lines,
            const std::function<size_t(const SQLINE_item*)>& slot)
      : CorePaths(graphOf(lines, slot))
  {
  }
  // False when the lists do not hold the same arcs both ways (use the waves).
  bool usable() const { return usable_; }
  // From the line of slot `source`; false on a positive cycle (the waves
  // then report it).
  bool expand(size_t source);
  int weight(size_t slot) const;
  int wave(size_t slot) const;
  // SQcorebacktrackwave(source, target) of the last expansion.
  bool joined(size_t target) const;
  // BMweight and BMwave of every line of `lines` (by slot), as the waves
  // leave them.
  void store(const std::vector<SQLINE_item*>& lines) const;
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
  // The searches of joinAll as a shared piece of work: every thread that
  // calls work() takes the next few sources (near each other in the
  // graph's order) until none is left.
  struct Share {
    Share(const CorePaths& paths, std::vector<size_t> from, std::vector<size_t> to);
    const std::vector<size_t> sources, targets;
    std::vector<Joins> joins;
    std::vector<uint32_t> order;  // of sources, by topological number
    std::atomic<size_t> next{0};
  };
  void work(Share& share) const;

 private:
  static constexpr int kUnreached = -10000;  // value of a line the source does not raise
  static constexpr int kUnreachedWave = -2;
  // A lane's number where the lane's source does not raise the line.
  static constexpr int64_t kUnraisedKey =
      int64_t{kUnreached} * (int64_t{1} << 32) + (int64_t{1} << 31);
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
    std::vector<uint64_t> pending;      // raised lines of parts to settle, one bit each
    std::vector<uint32_t> touched, seeds;
    struct Fifo {  // a queue emptied for each part
      std::vector<uint32_t> items;
      size_t head = 0;
      void clear()
      {
        items.clear();
        head = 0;
      }
      bool empty() const { return head == items.size(); }
      uint32_t front() const { return items[head]; }
      void pop() { ++head; }
      void push(uint32_t v) { items.push_back(v); }
    } queue;
  };
  // Up to kLanes searches side by side, one lane each: every line holds a
  // value and a wave per lane, packed as one number that orders as the
  // waves choose (the heavier value, then the fewer arcs), so that one
  // walk over the arcs serves all lanes.
  static constexpr int kLanes = 8;
  using Lanes = uint8_t;  // one bit per lane
  struct Batch {
    uint32_t source[kLanes] = {};
    Lanes alive = 0;                 // lanes whose search has not failed
    std::vector<int64_t> key;        // by number, kLanes each
    std::vector<Lanes> joined;       // by number
    std::vector<Lanes> sourceOf;     // by number: the lanes it is the source of
    std::vector<unsigned char> reached;  // by number: raised in some lane
    std::vector<uint64_t> pending;   // raised lines of parts to settle
    std::vector<uint32_t> touched;
    // A part of several lines, by place in it.
    std::vector<Lanes> queued, changed;
    std::vector<uint32_t> visits, queue;
  };
  void prepare(Batch* b) const;
  void expand(Batch& b, const uint32_t* sources, int count) const;
  void settlePart(Batch& b, uint32_t part) const;
  void offer(Batch& b, uint32_t u, const Arc& arc, Lanes lanes, Lanes carry) const;
  void offerAll(Batch& b, uint32_t u, Lanes lanes, Lanes carry) const;
  void reach(Batch& b, uint32_t v, bool later) const;
  Lanes raisedLanes(const Batch& b, uint32_t u) const;
  Lanes carries(const Batch& b, uint32_t u, Lanes lanes) const;

  void dropOutweighed();
  template <class Settle>
  void eachPendingPart(std::vector<uint64_t>* pending, uint32_t from, Settle settle) const;
  void prepare(Search* s) const;
  bool expand(Search& s, size_t source) const;
  bool offer(Search& s, uint32_t u, uint32_t v, int weight, bool carries) const;
  bool carries(const Search& s, uint32_t u) const;
  bool settlePart(Search& s, uint32_t part) const;
  void reset(Search& s) const;
  bool joined(const Search& s, uint32_t t) const;

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

// The symmetric core begun ahead of the minimisation before it, which
// needs none of its positions and changes no list, weight or mark of the
// graph: the core's longest paths from the graph as SQdetect_core will
// leave it (the marks and the boundary arcs are worked out, not made), the
// program they make, and lp_solve on its file, which runs on beside the
// minimisation.  SQbuild_coregraph takes the answers, and SQcoreproblem
// the running lp_solve, when they fit the core and the program it finds;
// else they are dropped and the round trip is made as without it.  Nothing
// is printed ahead: the messages come in their places.
class CoreAhead {
 public:
  CoreAhead();
  ~CoreAhead();  // ends an lp_solve not taken, and removes its files
  CoreAhead(const CoreAhead&) = delete;
  CoreAhead& operator=(const CoreAhead&) = delete;
  // Whether SQbuild_coregraph took its answers.
  bool used() const;
  // Whether lp_solve is at work on the program begun ahead (still to be
  // waited for), and whether it has come to its end.
  bool solving() const;
  bool solved() const;
  struct State;

 private:
  std::unique_ptr<State> state_;
};

// Position of a line in the lines of its direction (0-based), for scratch arrays.
inline size_t lineIndex(const SQLINE_item* line) { return static_cast<size_t>(line->number - 1); }

}  // namespace squeeze
