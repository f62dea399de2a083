// Hierarchical detection: the subcircuit matcher run over the library, its
// symmetry blocks read back, and every named pair of groups checked finger
// by finger according to how the groups' runs are spread.
#include "DHhierarchy.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CS.h"
#include "DHstate.h"
#include "DSsymmetry.h"
#include "Dcompact.h"
#include "Dglobal.h"

namespace {

using hierarchy::kModule;

constexpr char kLibrary[] = "subckt_library";
constexpr char kListFile[] = "subckt_file_list";
constexpr char kMatcherOutput[] = "subpyxis_output";
constexpr char kNetlistFile[] = "netlist_subpyxis";
constexpr char kReportFile[] = "HiLSD_output";

// ---------------------------------------------------------------------------
// The matcher.
// ---------------------------------------------------------------------------

std::string& matcherOverride()
{
  static std::string* path = new std::string();
  return *path;
}

/*
 * matcherCommand --
 *   The words that start the matcher: "subpyxis" from the folder of the
 *   running program when it is there (through the PATH, so that the
 *   matcher's messages name it plainly), else from the PATH.
 */
std::vector<std::string> matcherCommand()
{
  if (!matcherOverride().empty())
    return {matcherOverride()};
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    std::string dir(self, static_cast<size_t>(n));
    dir = dir.substr(0, dir.rfind('/'));
    if (access((dir + "/subpyxis").c_str(), X_OK) == 0) {
      const char* path = getenv("PATH");
      return {"env", "PATH=" + dir + (path ? std::string(":") + path : std::string()), "subpyxis"};
    }
  }
  return {"subpyxis"};
}

bool startsWith(const std::string& line, const char* prefix)
{
  return line.compare(0, strlen(prefix), prefix) == 0;
}

/*
 * failureReason --
 *   What a failed matcher run gives as its reason: the last line of its
 *   standard error when it wrote one; else, on its standard output before
 *   the usage text, the first line of the last paragraph that is not a
 *   progress line (file names, "printing ... to file", counts), joined with
 *   the lines that continue its sentence.
 */
std::string failureReason(const std::string& output, const std::string& errors)
{
  auto lines = [](const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
      while (!line.empty() && isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
      result.push_back(line);
    }
    return result;
  };
  std::vector<std::string> err = lines(errors);
  while (!err.empty() && err.back().empty())
    err.pop_back();
  if (!err.empty())
    return err.back();
  static const char* const kProgress[] = {"\t", "printing ", "Number of devices",
                                          "SIM file format", "SYM: ", "Couldn't find net",
                                          "Longjump returned"};
  std::vector<std::string> paragraph, last;
  for (const std::string& line : lines(output)) {
    if (startsWith(line, "Usage: "))
      break;
    if (line.empty()) {
      if (!paragraph.empty())
        last.swap(paragraph);
      paragraph.clear();
      continue;
    }
    bool progress = false;
    for (const char* prefix : kProgress)
      progress = progress || startsWith(line, prefix);
    if (!progress || !paragraph.empty())
      paragraph.push_back(line);
  }
  if (!paragraph.empty())
    last.swap(paragraph);
  if (last.empty())
    return "no reason given";
  std::string reason = last[0];
  for (size_t i = 1; i < last.size() && islower(static_cast<unsigned char>(last[i][0])) &&
                     !strchr(".!?:", reason.back());
       ++i)
    reason += " " + last[i];
  if (reason.back() == ':')
    reason.pop_back();
  return reason;
}

// The gate corner of a finger: left x and bottom y of its gate tile.
struct Corner {
  long x, y;
};
Corner cornerOf(const _Dtransistor* t) { return {cs::left(t->Tgate), cs::bottom(t->Tgate)}; }
Corner firstCorner(const ContiguousElem* run) { return cornerOf(*run->tranList.begin()); }
const _Dtransistor* firstFinger(const MultiFingerTran* m) { return *m->tranList.begin(); }

// The group named by a device name of the matcher (mn_12: group 12).
int groupNumber(const char* name)
{
  const char* underscore = strchr(name, '_');
  return underscore ? atoi(underscore + 1) : 0;
}

// ---------------------------------------------------------------------------
// The report "HiLSD_output": blocks in the symmetry-check grammar.  A block
// is written only when a pair passed, so the file always reads back.
// ---------------------------------------------------------------------------
struct Report {
  FILE* file = nullptr;
};
Report report;

class Block {
 public:
  explicit Block(const char* opening) : text_(opening) {}
  void pair(const _Dtransistor* a, const _Dtransistor* b)
  {
    text_ += std::string(" ") + a->name + " = " + b->name + "\n";
    ++pairs_;
  }
  void comment(const char* format, long value)
  {
    char line[64];
    snprintf(line, sizeof line, format, value);
    text_ += line;
  }
  int pairs() const { return pairs_; }
  // Writes the block when it holds a pair; the pairs of one block share
  // one block number.
  void close()
  {
    if (!pairs_)
      return;
    text_ += "}\n";
    if (report.file)
      fputs(text_.c_str(), report.file);
    ++block_number;
  }

 private:
  std::string text_;
  int pairs_ = 0;
};

/* record -- a pair at the head of final_sym_list. */
void record(int number, _Dtransistor* a, _Dtransistor* b, int axis, long location)
{
  final_sym_list = new _sym_constraint_list{number, a, b, nullptr, axis, location,
                                            block_number, nullptr, final_sym_list};
  common::outf("Found symmetry between %s and %s\n", a->name, b->name);
}

std::vector<_Dtransistor*> fingers(const MultiFingerTran* m)
{
  std::vector<_Dtransistor*> out;
  for (_Dtransistor* t : m->tranList)
    out.push_back(t);
  return out;
}

void printList(const char* title, const std::vector<_Dtransistor*>& list)
{
  common::outf("%s", title);
  for (const _Dtransistor* t : list)
    common::outf("%s ", t->name);
}

void printBounds(const MultiFingerTran* m1, const MultiFingerTran* m2)
{
  const _Dtile* g1 = firstFinger(m1)->Tgate;
  const _Dtile* g2 = firstFinger(m2)->Tgate;
  common::outf("\n\n\n****** Just checking: min_x = %d   max_x = %d\n\n\n", cs::left(g1),
               cs::right(g2));
  common::outf("\n\n\n****** Just checking: min_y = %d   max_y = %d\n\n\n", cs::bottom(g1),
               cs::top(g2));
}

/*
 * halves --
 *   The fingers of a group cut into two halves by runs: runs go to the
 *   first half until it holds half of the group's fingers.
 */
void halves(const MultiFingerTran* m, std::vector<_Dtransistor*>* first,
            std::vector<_Dtransistor*>* second)
{
  for (const ContiguousElem* run : m->contList) {
    std::vector<_Dtransistor*>* half =
        static_cast<int>(first->size()) * 2 < m->tranCount ? first : second;
    for (_Dtransistor* t : run->tranList)
      half->push_back(t);
  }
}

// The gates of both groups: the smallest box around them.
struct Extent {
  long xlo = LONG_MAX, ylo = LONG_MAX, xhi = LONG_MIN, yhi = LONG_MIN;
};

Extent jointExtent(const MultiFingerTran* m1, const MultiFingerTran* m2)
{
  Extent e;
  for (const MultiFingerTran* m : {m1, m2})
    for (const _Dtransistor* t : m->tranList) {
      e.xlo = std::min<long>(e.xlo, cs::left(t->Tgate));
      e.xhi = std::max<long>(e.xhi, cs::right(t->Tgate));
      e.ylo = std::min<long>(e.ylo, cs::bottom(t->Tgate));
      e.yhi = std::max<long>(e.yhi, cs::top(t->Tgate));
    }
  return e;
}

/*
 * MirrorFinder --
 *   The fingers of one group by gate corner, to find the mirror image of a
 *   finger of the other group about a vertical line (x = twice / 2) or a
 *   horizontal one.  Each finger is handed out once, so that no finger is
 *   in two pairs.
 */
class MirrorFinder {
 public:
  MirrorFinder(const MultiFingerTran* m, bool verticalLine, long twice)
      : vertical_(verticalLine), twice_(twice)
  {
    for (_Dtransistor* t : m->tranList)
      byCorner_[{cs::left(t->Tgate), cs::bottom(t->Tgate)}].push_back(t);
  }
  // The finger whose gate is the mirror image of a's gate, or null.
  _Dtransistor* take(const _Dtransistor* a)
  {
    const _Dtile* g = a->Tgate;
    const std::pair<long, long> corner =
        vertical_ ? std::make_pair(twice_ - cs::right(g), static_cast<long>(cs::bottom(g)))
                  : std::make_pair(static_cast<long>(cs::left(g)), twice_ - cs::top(g));
    auto it = byCorner_.find(corner);
    if (it == byCorner_.end())
      return nullptr;
    std::vector<_Dtransistor*>& at = it->second;
    for (size_t i = 0; i < at.size(); ++i) {
      const _Dtile* h = at[i]->Tgate;
      if (at[i] == a || cs::right(h) - cs::left(h) != cs::right(g) - cs::left(g) ||
          cs::top(h) - cs::bottom(h) != cs::top(g) - cs::bottom(g))
        continue;
      _Dtransistor* found = at[i];
      at.erase(at.begin() + static_cast<long>(i));
      return found;
    }
    return nullptr;
  }

 private:
  bool vertical_;
  long twice_;  // twice the line's coordinate
  std::map<std::pair<long, long>, std::vector<_Dtransistor*>> byCorner_;
};

/*
 * mirrorPairs --
 *   Each finger of `fingers` (of m1, in order) with the finger of m2 that
 *   is its mirror image about the axis of the two groups' joint extent
 *   (a vertical line for `verticalLine`), when the pair test passes.  Each
 *   pair is written into the block and recorded; its location is what
 *   `where` gives.
 * Returns: the number of pairs recorded.
 */
template <class Where>
int mirrorPairs(const std::vector<_Dtransistor*>& fingers, MirrorFinder* partners, Block* block,
                bool verticalLine, const char* comment, Where where, long* axis, int* recorded)
{
  int made = 0;
  for (_Dtransistor* a : fingers) {
    _Dtransistor* b = partners->take(a);
    if (!b || !CallSymDetectFunctions(a, b))
      continue;
    const long location = where(a, b);
    block->pair(a, b);
    block->comment(comment, location);
    record(++*recorded, a, b, verticalLine ? 0 : 1, location);
    *axis = location;
    ++made;
  }
  return made;
}

long middleInX(const _Dtransistor* a, const _Dtransistor* b)
{
  return (cs::left(a->Tgate) + cs::right(b->Tgate)) / 2;
}
long middleInY(const _Dtransistor* a, const _Dtransistor* b)
{
  return (cs::bottom(a->Tgate) + cs::top(b->Tgate)) / 2;
}

/*
 * axisCheck --
 *   Groups side by side (a vertical axis) or one above the other (a
 *   horizontal one): every finger of m1, in list order, with its mirror
 *   image in m2 about the middle of the two groups' joint extent, so that
 *   all pairs of the block share one axis and no finger is in two pairs.
 *   A pair is recorded with the axis the pair test found.
 */
int axisCheck(MultiFingerTran* m1, MultiFingerTran* m2, long* axis, bool horizontal)
{
  if (Sets) {
    Sets->head = nullptr;
    Sets->nbr_of_sets = 0;
  }
  x_axis = y_axis = kSymNotFound;
  printBounds(m1, m2);
  printList("\n\nList 1: ", fingers(m1));
  printList("\n\nList 2: ", fingers(m2));
  common::outf("\n\n");
  const Extent e = jointExtent(m1, m2);
  MirrorFinder partners(m2, !horizontal, horizontal ? e.ylo + e.yhi : e.xlo + e.xhi);
  Block block(horizontal ? "{\n//\n" : "{\n");
  int recorded = 0;
  mirrorPairs(fingers(m1), &partners, &block, !horizontal,
              horizontal ? "// axis is y= %ld\n" : "// axis is x= %ld\n",
              [horizontal](const _Dtransistor*, const _Dtransistor*) {
                return horizontal ? y_axis : x_axis;
              },
              axis, &recorded);
  block.close();
  return recorded > 0;
}

}  // namespace

int DetectHorizontalAxisSymmetry(MultiFingerTran* m1, MultiFingerTran* m2, long* axis)
{
  return axisCheck(m1, m2, axis, true);
}

int DetectVerticalAxisSymmetry(MultiFingerTran* m1, MultiFingerTran* m2, long* axis)
{
  return axisCheck(m1, m2, axis, false);
}

/*
 * DetectCommonCentroidSymmetry --
 *   In a common-centroid quad each finger of m1 has its mirror image in m2
 *   across the vertical axis through the quad's centre (m1's lower left
 *   half faces m2's lower right one, m1's upper right half m2's upper left
 *   one), so one block of pairs about that axis keeps both centroids
 *   together.  The first pass takes List 1 (m1's first half), the second
 *   List 3 (m1's second half), each finger against List 2 (m2).  The
 *   horizontal centre line of the quad is handed back in *yaxis.
 * Returns: 1 when both passes recorded pairs.
 */
int DetectCommonCentroidSymmetry(MultiFingerTran* m1, MultiFingerTran* m2, long* xaxis,
                                 long* yaxis)
{
  x_axis = y_axis = kSymNotFound;
  std::vector<_Dtransistor*> first1, second1;
  halves(m1, &first1, &second1);
  printBounds(m1, m2);
  printList("\n\nList 1: ", first1);
  printList("\n\nList 2: ", fingers(m2));
  printList("\n\nList 3: ", second1);
  common::outf("\n\n");

  const Extent e = jointExtent(m1, m2);
  MirrorFinder partners(m2, true, e.xlo + e.xhi);
  Block block("{\n");
  int recorded = 0;
  const int first = mirrorPairs(first1, &partners, &block, true, "// x_axis = %ld\n", middleInX,
                                xaxis, &recorded);
  const int second = mirrorPairs(second1, &partners, &block, true, "// x_axis = %ld\n", middleInX,
                                 xaxis, &recorded);
  block.close();
  *yaxis = (e.ylo + e.yhi) / 2;
  return first > 0 && second > 0;
}

/*
 * DetectInterleavedSymmetry --
 *   Interleaved runs of the two groups in one row (horizontal) or one
 *   column: each finger of m1 with its mirror image in m2 about the middle
 *   of the row (a vertical axis) or of the column (a horizontal one).
 * Returns: 1 when pairs were recorded.
 */
int DetectInterleavedSymmetry(MultiFingerTran* m1, MultiFingerTran* m2, long* axis,
                              int horizontal)
{
  x_axis = y_axis = kSymNotFound;
  std::vector<_Dtransistor*> list1 = fingers(m1), list2 = fingers(m2);
  auto along = [horizontal](const _Dtransistor* a, const _Dtransistor* b) {
    Corner p = cornerOf(a), q = cornerOf(b);
    return horizontal ? (p.x != q.x ? p.x < q.x : p.y < q.y) : (p.y != q.y ? p.y < q.y : p.x < q.x);
  };
  std::stable_sort(list1.begin(), list1.end(), along);
  std::stable_sort(list2.begin(), list2.end(), along);
  std::reverse(list2.begin(), list2.end());
  printBounds(m1, m2);
  printList("\n\nList 1: ", list1);
  printList("\n\nList 2: ", list2);
  common::outf("\n\n");
  const Extent e = jointExtent(m1, m2);
  MirrorFinder partners(m2, horizontal != 0, horizontal ? e.xlo + e.xhi : e.ylo + e.yhi);
  Block block("{\n");
  int recorded = 0;
  if (horizontal)
    mirrorPairs(list1, &partners, &block, true, "// x_axis = %ld\n", middleInX, axis, &recorded);
  else
    mirrorPairs(list1, &partners, &block, false, "// y_axis = %ld\n", middleInY, axis, &recorded);
  block.close();
  return recorded > 0;
}

/*
 * DisplayAxis --
 *   An axis line across the whole view: vertical x = location, or
 *   horizontal y = location.
 */
void DisplayAxis(long location, int vertical)
{
  DSresetBlockExtents();
  if (vertical)
    DSdrawAxis(location, Y_MIN_1, location, Y_MAX_1);
  else
    DSdrawAxis(X_MIN_1, location, X_MAX_1, location);
}

// ---------------------------------------------------------------------------
// How the runs of two groups are spread.
// ---------------------------------------------------------------------------
namespace {

// 0 along x, 1 along y, 2 both, unchanged when the run sits on the first.
int spreadOf(Corner p, Corner first, int spread)
{
  const bool dx = p.x != first.x, dy = p.y != first.y;
  if (dx && !dy)
    return 0;
  if (!dx && dy)
    return 1;
  if (dx && dy)
    return 2;
  return spread;
}

}  // namespace

/*
 * CheckLayoutSpread --
 *   Walks the runs of both groups in step.
 * Returns: 0 horizontal, 1 vertical, 2 two-dimensional, 3 interleaved
 *   along x, 4 interleaved along y, 7 not comparable.
 */
int CheckLayoutSpread(MultiFingerTran* m1, MultiFingerTran* m2)
{
  auto r1 = m1->contList.begin(), r2 = m2->contList.begin();
  const auto end1 = m1->contList.end(), end2 = m2->contList.end();
  if (r1 == end1 || r2 == end2)
    return 7;
  const Corner c1 = firstCorner(*r1), c2 = firstCorner(*r2);
  Corner prev1 = c1, prev2 = c2;
  int spread1 = 7, spread2 = 7, interleave = -1, steps = 0;
  for (; r1 != end1 && r2 != end2; ++r1, ++r2) {
    ++steps;
    common::outf("###! Looping for the %d th time\n\n", steps);
    const Corner p1 = firstCorner(*r1), p2 = firstCorner(*r2);
    spread1 = spreadOf(p1, c1, spread1);
    spread2 = spreadOf(p2, c2, spread2);
    if (steps > 1 && spread1 == 0 && spread2 == 0 && p1.x != p2.x &&
        ((p1.x > p2.x && p2.x > prev1.x) || (p1.x < p2.x && prev2.x < p1.x)))
      interleave = 3;
    if (steps > 1 && spread1 == 1 && spread2 == 1 && p1.y != p2.y &&
        ((p1.y > p2.y && p2.y > prev1.y) || (p1.y < p2.y && prev2.y < p1.y)))
      interleave = 4;
    prev1 = p1;
    prev2 = p2;
  }
  if (steps == 1 && r1 == end1 && r2 == end2)
    return 0;
  if (r1 == end1 && r2 != end2) {
    common::outf("******************\n");
    common::outf("mft%d has more contiguous elements than mft%d\n", m2->id, m1->id);
    return 7;
  }
  if (r2 == end2 && r1 != end1) {
    common::outf("%%%%%%%%%%%%%%%%%%\n");
    common::outf("mft%d has more contiguous elements than mft%d\n", m1->id, m2->id);
    return 7;
  }
  if (interleave >= 0)
    return interleave;
  if (spread1 != spread2) {
    if (spread1 != 0)
      common::outf("mft%d spread is laidVERTICAL, mft%d spread is laidHORIZONTAL\n", m1->id,
                   m2->id);
    else
      common::outf("mft%d spread is laidHORIZONTAL, mft%d spread is laidVERTICAL\n", m1->id,
                   m2->id);
    return 7;
  }
  return spread1;
}

// ---------------------------------------------------------------------------
// The run.
// ---------------------------------------------------------------------------
namespace {

void checkPair(MultiFingerTran* m1, MultiFingerTran* m2)
{
  long axis = 0, yaxis = 0;
  const int spread = CheckLayoutSpread(m1, m2);
  switch (spread) {
    case 0:
      common::outf("mft%d(H) and mft%d(H) are horizontal\n", m1->id, m2->id);
      [[fallthrough]];
    case 1:
      if (spread == 1)
        common::outf("mft%d(V) and mft%d(V) are vertical\n", m1->id, m2->id);
      if (cs::left(firstFinger(m1)->Tgate) == cs::left(firstFinger(m2)->Tgate)) {
        if (DetectHorizontalAxisSymmetry(m1, m2, &axis))
          DisplayAxis(axis, 0);
      } else if (DetectVerticalAxisSymmetry(m1, m2, &axis)) {
        DisplayAxis(axis, 1);
      }
      break;
    case 2:
      common::outf("mft%d(2D) and mft%d(2D) are probably common_centroid symmetric\n", m1->id,
                   m2->id);
      if (DetectCommonCentroidSymmetry(m1, m2, &axis, &yaxis)) {
        DisplayAxis(axis, 1);
        DisplayAxis(yaxis, 0);
      }
      break;
    case 3:
      common::outf("mft%d(INT_X) and mft%d(INT_X) are interleaved horizontally\n", m1->id, m2->id);
      if (DetectInterleavedSymmetry(m1, m2, &axis, 1))
        DisplayAxis(axis, 1);
      break;
    case 4:
      common::outf("mft%d(INT_Y) and mft%d(INT_Y) are interleaved vertically\n", m1->id, m2->id);
      if (DetectInterleavedSymmetry(m1, m2, &axis, 0))
        DisplayAxis(axis, 0);
      break;
    default:
      common::outf("mft%d(V) and mft%d(H) are not symmetric\n", m1->id, m2->id);
      break;
  }
}

}  // namespace

/*
 * TraverseCheckSymInList --
 *   Every pair of every block of the parsed list, checked on its groups;
 *   the pairs that pass go to "HiLSD_output" and final_sym_list.
 */
int TraverseCheckSymInList()
{
  report.file = fopen(kReportFile, "w");
  if (!report.file) {
    GCmessage(kModule, 'E', "Cannot write %s", kReportFile);
    return 1;
  }
  for (_symlist* element = SymStart; element; element = element->next) {
    if (element->type != 1) {
      common::outf("\n\n**** Sanity check: We donot handle this in Hierarchical sym-detection\n\n");
      continue;
    }
    for (const _blocklist* entry = element->block; entry; entry = entry->next) {
      const int id1 = groupNumber(entry->name1), id2 = groupNumber(entry->name2);
      common::outf("Check symmetry between mft %d and %d", id1, id2);
      if (entry->name3[0])
        common::outf(" wrt mft %d\n", groupNumber(entry->name3));
      else
        common::outf("\n");
      MultiFingerTran* m1 = hierarchy::findGroup(id1);
      MultiFingerTran* m2 = hierarchy::findGroup(id2);
      if (!m1 || !m2 || m1->tranList.isEmpty() || m2->tranList.isEmpty()) {
        common::outf("mft%d does not exist: pair skipped\n", m1 ? id2 : id1);
        continue;
      }
      checkPair(m1, m2);
    }
  }
  fputs("\n", report.file);
  fclose(report.file);
  report.file = nullptr;
  return 0;
}

/*
 * ParseSubcktLibFileNames --
 *   The first word of every line of the listing `listfile`.
 * Returns: 0; 1 when the listing cannot be read.
 */
int ParseSubcktLibFileNames(const char* listfile, int* count, std::vector<std::string>* names)
{
  *count = 0;
  names->clear();
  std::ifstream in(listfile);
  if (!in)
    return 1;
  std::string line;
  while (std::getline(in, line)) {
    ++*count;
    std::istringstream words(line);
    std::string first;
    if (words >> first)
      names->push_back(first);
  }
  return 0;
}

/*
 * DetectSubcircuits --
 *   Runs the matcher once per file of "subckt_library" on
 *   "netlist_subpyxis"; each run appends its symmetry blocks to
 *   "subpyxis_output", which is removed first.  A run that cannot start or
 *   fails is reported and the next one follows.
 * Returns: the number of runs that failed.
 */
int DetectSubcircuits()
{
  common::runCommand({"rm", "-f", kMatcherOutput});
  std::string listing;
  if (common::runCommand({"ls", kLibrary}, &listing) != 0)
    common::outf("Cannot list the subcircuit library %s\n", kLibrary);
  if (FILE* list = fopen(kListFile, "w")) {
    fputs(listing.c_str(), list);
    fclose(list);
  }
  int count = 0;
  std::vector<std::string> names;
  ParseSubcktLibFileNames(kListFile, &count, &names);
  const std::vector<std::string> command = matcherCommand();
  const std::string program = command.back();
  int failed = 0;
  for (const std::string& name : names) {
    std::string output, errors;
    const std::string subcircuit = std::string(kLibrary) + "/" + name;
    std::vector<std::string> words = command;
    words.insert(words.end(), {subcircuit, kNetlistFile, "-y", kMatcherOutput});
    int status = common::runCommand(words, &output, &errors);
    common::outText(output.c_str());
    if (!errors.empty())
      common::errf("%s", errors.c_str());
    if (status == 0)
      continue;
    ++failed;
    if (status == 127 || status == -1) {
      GCmessage(kModule, 'W', "Cannot run %s for %s", program.c_str(), subcircuit.c_str());
      continue;
    }
    GCmessage(kModule, 'W', "%s failed on %s (exit status %d): \"%s\"", program.c_str(),
              subcircuit.c_str(), status, failureReason(output, errors).c_str());
  }
  return failed;
}

/*
 * ReadHierarchicalSymmetryInfo --
 *   The matcher's blocks, read in hierarchical mode into the parsed list.
 */
int ReadHierarchicalSymmetryInfo(const char* file)
{
  DSrdInit();
  dchecksymin = fopen(file, "r");
  if (!dchecksymin || SYMparse() != 0) {
    common::outf("The Hierarchy Extractor output has format errors!!!\n\n");
    return 1;
  }
  WriteSymCheckOutput();
  return 0;
}

void hierarchy::setMatcherProgram(const char* path) { matcherOverride() = path ? path : ""; }

/*
 * HierarchicalSymDetection --
 *   f.HierarchicalSymDetection.
 */
int HierarchicalSymDetection()
{
  common::outf("**** Inside HierarchicalSymDetection\n");
  HIERSYMSET = 1;
  init_staff();
  DetectSubcircuits();
  ReadHierarchicalSymmetryInfo(kMatcherOutput);
  TraverseCheckSymInList();
  HIERSYMSET = 0;
  return 0;
}
