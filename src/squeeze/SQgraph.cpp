// The squeeze graph: cells and lines from the resizer's variables, arcs from
// its rows, the per-direction copies and the arc operations of the device
// resizers.
#include "SQsqueeze.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "CS.h"
#include "Dglobal.h"
#include "DUsize.h"
#include "SQint.h"

SQCELL_item* SQcell = nullptr;
SQARC_item* SQarc = nullptr;
SQSYMARC_item* SQsymarc = nullptr;
int SQcell_size = 0, SQarc_size = 0;
int SQcell_size_allocate = 0, SQarc_size_allocate = 0;
int SQsymcell_size = 0;
SQARC_item* SQarc_lastinstruct = nullptr;

SQCELL_item *SQcell_LR = nullptr, *SQcell_TB = nullptr;
SQARC_item *SQarc_LR = nullptr, *SQarc_TB = nullptr;
SQSYMARC_item *SQsymarc_LR = nullptr, *SQsymarc_TB = nullptr;
int SQcell_size_LR = 0, SQcell_size_TB = 0, SQarc_size_LR = 0, SQarc_size_TB = 0;
int SQcell_size_allocate_LR = 0, SQcell_size_allocate_TB = 0;
int SQarc_size_allocate_LR = 0, SQarc_size_allocate_TB = 0;
int SQsymcell_size_LR = 0, SQsymcell_size_TB = 0;
SQARC_item *SQarc_lastinstruct_LR = nullptr, *SQarc_lastinstruct_TB = nullptr;

int resize_direction = NO_DIR;
int SQstep = 0;

namespace squeeze {

namespace {
DirectionStore stores[2];
Stats theStats;
}  // namespace

DirectionStore& store(int direction) { return stores[direction == TOP_BOTTOM ? 1 : 0]; }

Stats& stats() { return theStats; }

const char* directionName(int direction)
{
  switch (direction) {
    case NO_DIR: return "NO_DIR";
    case LEFT_RIGHT: return "LEFT_RIGHT";
    case TOP_BOTTOM: return "TOP_BOTTOM";
    case END_DIR: return "END_DIR";
    default: return "NOT_DEFINE_DIR";
  }
}

void stop(int status)
{
  common::flushOutput();
  SQfree_all();
  compact::freeStaff();
  X_direction = 1;
  GCmessage(0, 'F', "The compaction is abandoned");
  common::abandonAction(status);
}

bool makeReportDir()
{
  struct stat st;
  if (stat(kReportDir, &st) == 0)
    return S_ISDIR(st.st_mode);
  return mkdir(kReportDir, 0777) == 0;
}

}  // namespace squeeze

using squeeze::DirectionStore;

void SQerrmessage(const char* text, const char* function)
{
  common::outf("\n**********");
  common::outf("\nError: Step %d: Function %s: Direction %s", SQstep, function,
               squeeze::directionName(resize_direction));
  common::outf("\n       %s", text);
  common::outf("\n**********\n");
}

// ---------------------------------------------------------------------------
// Arc lists.
// ---------------------------------------------------------------------------
namespace {

void linkArc(SQARC_item* arc)
{
  arc->ori_next = arc->ori->ori_next;
  arc->ori->ori_next = arc;
  ++arc->ori->no_ori;
  arc->ter_next = arc->ter->ter_next;
  arc->ter->ter_next = arc;
  ++arc->ter->no_ter;
}

void unlinkOri(SQARC_item* arc)
{
  for (SQARC_link* p = &arc->ori->ori_next; *p; p = &(*p)->ori_next)
    if (*p == arc) {
      *p = arc->ori_next;
      --arc->ori->no_ori;
      break;
    }
  arc->ori_next = nullptr;
}

void unlinkTer(SQARC_item* arc)
{
  for (SQARC_link* p = &arc->ter->ter_next; *p; p = &(*p)->ter_next)
    if (*p == arc) {
      *p = arc->ter_next;
      --arc->ter->no_ter;
      break;
    }
  arc->ter_next = nullptr;
}

SQARC_item* newArc()
{
  DirectionStore& s = squeeze::store(resize_direction);
  s.arcs.emplace_back();
  SQARC_item* arc = &s.arcs.back();
  *arc = SQARC_item{};
  if (SQarc_lastinstruct)
    SQarc_lastinstruct->list_next = arc;
  else
    SQarc = arc;
  SQarc_lastinstruct = arc;
  ++SQarc_size;
  return arc;
}

}  // namespace

namespace squeeze {

void addFixedArc(SQLINE_item* ori, SQLINE_item* ter, int weight, ArcOrigin origin)
{
  SQARC_item* arc = newArc();
  arc->occupied = 1;
  arc->origin = origin;
  arc->weight = weight;
  arc->ori = ori;
  arc->ter = ter;
  linkArc(arc);
}

}  // namespace squeeze

SQARC_item* SQaddarc(SQLINE_item* ori, SQLINE_item* ter, int weight, int rank)
{
  SQARC_item* arc = newArc();
  arc->occupied = 1;
  arc->weight = SQhalfscale_round(weight, SCALE);
  arc->rank = rank;
  arc->origin = ArcOrigin::Device;
  arc->ori = ori;
  arc->ter = ter;
  linkArc(arc);
  return arc;
}

void SQupdatearc_wt(SQARC_item* arc, int weight, int rank)
{
  arc->weight = SQhalfscale_round(weight, SCALE);
  arc->rank = rank;
  arc->origin = ArcOrigin::Device;
}

void SQupdatearc_weight(SQLINE_item* ori, SQLINE_item* ter, int weight, int rank)
{
  for (SQARC_item* a = ori->ori_next; a; a = a->ori_next)
    if (a->ter == ter)
      SQupdatearc_wt(a, weight, rank);
}

void SQupdatearc_ori(SQARC_item* arc, SQLINE_item* line, int rank)
{
  if (arc->sym) {
    common::outf("UHHH!!!!  Why do you want to update the sym arc??\n");
    return;
  }
  unlinkOri(arc);
  arc->ori = line;
  arc->ori_next = line->ori_next;
  line->ori_next = arc;
  ++line->no_ori;
  arc->rank = rank;
}

void SQupdatearc_ter(SQARC_item* arc, SQLINE_item* line, int rank)
{
  if (arc->sym) {
    common::outf("UHHH!!!!  Why do you want to update the sym arc??\n");
    return;
  }
  unlinkTer(arc);
  arc->ter = line;
  arc->ter_next = line->ter_next;
  line->ter_next = arc;
  ++line->no_ter;
  arc->rank = rank;
}

void SQremovearc(SQARC_item* arc)
{
  if (!arc->occupied) {
    common::outf("SQremovearc: Trying to remove arc %i(%p) which is not in used\n", arc->rank,
                 static_cast<void*>(arc));
    return;
  }
  if (arc->sym) {
    for (int i = 0; i < 3; ++i)
      common::outf("SQarc:  ARC REMOVED a%i(%p) IS ON SYM\n", arc->rank, static_cast<void*>(arc));
    arc->occupied = 0;
    return;
  }
  if (arc->ori && arc->ter) {
    unlinkOri(arc);
    unlinkTer(arc);
  }
  arc->occupied = 0;
  arc->weight = -1;
  arc->rank = -1;
}

void SQremoveallarc(SQLINE_item* a, SQLINE_item* b)
{
  std::vector<SQARC_item*> found;
  for (SQARC_item* arc = a->ori_next; arc; arc = arc->ori_next)
    if (arc->ter == b)
      found.push_back(arc);
  for (SQARC_item* arc = b->ori_next; arc; arc = arc->ori_next)
    if (arc->ter == a)
      found.push_back(arc);
  for (SQARC_item* arc : found)
    if (arc->occupied && !arc->sym)
      SQremovearc(arc);
}

void SQremovelinearcs(const std::vector<SQLINE_item*>& lines)
{
  // The arcs as the one-by-one removal meets them; that removal is kept
  // for lists it would treat otherwise (free or symmetry arcs, an arc in
  // the list of a line that is not its end).
  const size_t count = squeeze::store(resize_direction).lineCount;
  std::vector<SQARC_item*> arcs;
  bool plain = true;
  for (SQLINE_item* l : lines) {
    plain = plain && squeeze::lineIndex(l) < count;
    for (SQARC_item* a = l->ori_next; a; a = a->ori_next) {
      plain = plain && a->ori == l;
      arcs.push_back(a);
    }
    for (SQARC_item* a = l->ter_next; a; a = a->ter_next) {
      plain = plain && a->ter == l;
      arcs.push_back(a);
    }
  }
  for (const SQARC_item* a : arcs)
    plain = plain && a->occupied == 1 && !a->sym && a->ori && a->ter &&
            squeeze::lineIndex(a->ori) < count && squeeze::lineIndex(a->ter) < count;
  if (!plain) {
    for (SQLINE_item* l : lines) {
      while (l->ori_next)
        SQremovearc(l->ori_next);
      while (l->ter_next)
        SQremovearc(l->ter_next);
    }
    return;
  }
  // By line: the arcs going out of its outgoing and incoming lists; each
  // list is walked only as far as its last arc going.
  std::vector<uint32_t> goingOut(count, 0), goingIn(count, 0);
  std::vector<SQLINE_item*> ends;
  for (SQARC_item* a : arcs) {
    if (a->occupied == -1)
      continue;  // met from its other end already
    a->occupied = -1;  // going
    for (SQLINE_item* l : {a->ori, a->ter})
      if (!goingOut[squeeze::lineIndex(l)] && !goingIn[squeeze::lineIndex(l)])
        ends.push_back(l);
    ++goingOut[squeeze::lineIndex(a->ori)];
    ++goingIn[squeeze::lineIndex(a->ter)];
  }
  // Unlinks the going arcs of one list, walking it only as far as its last.
  auto unlink = [](SQARC_link* head, SQARC_link SQARC_item::*next, int* count, uint32_t& going) {
    for (SQARC_link* p = head; *p && going;)
      if ((*p)->occupied == -1) {
        *p = (*p)->*next;
        --*count;
        --going;
      } else {
        p = &((*p)->*next);
      }
  };
  // A list is changed only by the walk of its own line (an arc's ori_next
  // lies in its start's list, its ter_next in its end's), so the ends go
  // in two halves on two threads.
  common::onTwoThreads([&](bool second) {
    const size_t half = ends.size() / 2;
    for (size_t k = second ? half : 0; k < (second ? ends.size() : half); ++k) {
      SQLINE_item* l = ends[k];
      unlink(&l->ori_next, &SQARC_item::ori_next, &l->no_ori, goingOut[squeeze::lineIndex(l)]);
      unlink(&l->ter_next, &SQARC_item::ter_next, &l->no_ter, goingIn[squeeze::lineIndex(l)]);
    }
  });
  for (SQARC_item* a : arcs) {
    a->occupied = 0;
    a->weight = -1;
    a->rank = -1;
    a->ori_next = a->ter_next = nullptr;
  }
}

// ---------------------------------------------------------------------------
// Building.
// ---------------------------------------------------------------------------
namespace {

/* fillCells -- one cell per pair of variables, with its two lines. */
void fillCells(const AdjacencyArray& adj, DirectionStore& s)
{
  const int total = SQcell_size + SQsymcell_size;
  s.cells.reset(new SQCELL_item[total > 0 ? total : 1]());
  s.lineCount = adj.size();
  s.lines.assign(s.lineCount > 0 ? s.lineCount : 1);
  for (size_t v = 0; v < s.lineCount; ++v)
    s.lines[v].number = static_cast<int>(v) + 1;
  const bool lr = resize_direction == LEFT_RIGHT;
  for (int i = 0; i < total; ++i) {
    SQCELL_item& c = s.cells[i];
    const size_t lv = 2 * static_cast<size_t>(i), rv = lv + 1;
    const _edge* le = adj[lv].the_edge;
    const bool axis = i >= SQcell_size;
    c.number = static_cast<int>(lv) + 1;
    c.left = &s.lines[lv];
    c.left->cell = &c;
    c.left->loc = le->p1.x;
    c.alpha = le->p1.x;
    c.upward = le->upward;
    c.mother_tile = le->mother_tile;
    if (axis) {
      c.layername = "SYM";
      c.layernumber = rv < adj.size() ? 202 : 201;
    } else {
      c.layername = le->name ? le->name : "";
      c.layernumber = le->layer_num;
    }
    if (rv < adj.size()) {
      c.right = &s.lines[rv];
      c.right->cell = &c;
      c.right->loc = adj[rv].the_edge->p1.x;
    }
    // Edges hold (coordinate of the pass, along the edge).
    const int low = le->p1.x, high = c.right ? c.right->loc : low;
    if (lr)
      c.corner = _box{low, le->p1.y, high, le->p2.y};
    else
      c.corner = _box{le->p1.y, low, le->p2.y, high};
    if (c.mother_tile && !axis) {
      if (lr)
        c.mother_tile->set_resize_cell_LR(&c);
      else
        c.mother_tile->set_resize_cell_TB(&c);
    }
  }
}

struct RowInfo {
  int arc = -1;          // first arc of the row in the array
  char type = 0;
  int value = 0;
  uint8_t magnitude = 0; // sum of |coefficients|, saturated
};

}  // namespace

int SQcreatestructure(AdjacencyArray* adj, _rhs_list* rows)
{
  DirectionStore& s = squeeze::store(resize_direction);
  const int original = num_of_var > 0 ? num_of_var : static_cast<int>(adj->size());
  if (original % 2 != 0)
    common::outf("\nERROR: original variables (excl sym) is odd number ??? \n");
  SQcell_size = original / 2;
  const int all = static_cast<int>(adj->size());
  SQsymcell_size = all > original ? (all - original + 1) / 2 : 0;
  fillCells(*adj, s);
  SQcell = s.cells.get();
  SQcell_size_allocate = SQcell_size + SQsymcell_size;

  // Rows by number.
  std::vector<RowInfo> info;
  int first = 0;
  if (!rows->empty()) {
    first = rows->front().column;
    info.resize(static_cast<size_t>(rows->back().column - first + 1));
    for (const _rhs_item& r : *rows) {
      RowInfo& ri = info[r.column - first];
      if (ri.type)
        continue;  // the first of equal numbers
      ri.type = r.type;
      ri.value = r.value;
    }
  }
  for (const _adjacency_list& slot : *adj)
    for (const _equation_item& item : compact::coefficients(slot)) {
      const long k = item.rank - first;
      if (k < 0 || k >= static_cast<long>(info.size()) || !info[k].type)
        continue;
      const int m = info[k].magnitude + abs(item.coeff);
      info[k].magnitude = static_cast<uint8_t>(m > 255 ? 255 : m);
    }
  // Arcs: one per row, one more for an equality, three more for a symmetry row.
  int count = 0;
  for (RowInfo& ri : info) {
    if (!ri.type)
      continue;
    ri.arc = count;
    count += 1 + (ri.type == 'E' && ri.magnitude <= 2 ? 1 : 0) + (ri.magnitude > 2 ? 3 : 0);
  }
  s.arcs.resize(static_cast<size_t>(count));
  SQarc_size = SQarc_size_allocate = count;
  for (int i = 0; i < count; ++i) {
    s.arcs[i].weight = 0;
    s.arcs[i].list_next = i + 1 < count ? &s.arcs[i + 1] : nullptr;
  }
  SQarc = count ? &s.arcs[0] : nullptr;
  SQarc_lastinstruct = count ? &s.arcs[count - 1] : nullptr;

  std::vector<SQSYMARC_item*> symOf(info.size(), nullptr);
  for (size_t k = 0; k < info.size(); ++k) {
    RowInfo& ri = info[k];
    if (ri.arc < 0)
      continue;
    SQARC_item* arc = &s.arcs[ri.arc];
    arc->rank = first + static_cast<int>(k);
    if (ri.magnitude > 2) {
      s.symarcs.emplace_back();
      SQSYMARC_item* sy = &s.symarcs.back();
      *sy = SQSYMARC_item{};
      sy->rank = arc->rank;
      sy->arc = arc;
      sy->arc2 = &s.arcs[ri.arc + 1];
      sy->arc3 = &s.arcs[ri.arc + 2];
      sy->arc4 = &s.arcs[ri.arc + 3];
      for (SQARC_item* a : {sy->arc, sy->arc2, sy->arc3, sy->arc4}) {
        a->sym = sy;
        a->rank = arc->rank;
      }
      arc->weight = ri.value;
      sy->next = SQsymarc;
      SQsymarc = sy;
      symOf[k] = sy;
    }
  }

  // Ends of the arcs from the coefficients.
  for (size_t v = 0; v < adj->size(); ++v) {
    SQLINE_item* line = &s.lines[v];
    for (const _equation_item& item : compact::coefficients((*adj)[v])) {
      const long k = item.rank - first;
      if (k < 0 || k >= static_cast<long>(info.size()) || info[k].arc < 0)
        continue;
      if (SQSYMARC_item* sy = symOf[k]) {
        if (item.coeff == -1)
          (sy->ori1 ? sy->ori2 : sy->ori1) = line;
        else if (item.coeff == -2)
          sy->ori1 = sy->ori2 = line;
        else if (item.coeff == 1)
          (sy->ter1 ? sy->ter2 : sy->ter1) = line;
        else
          common::outf("\nSize of coeff in equ_iter %d is not 1 or 2 (%d)\n", item.rank,
                       item.coeff);
        continue;
      }
      SQARC_item* arc = &s.arcs[info[k].arc];
      if (item.coeff == -1)
        arc->ori = line;
      else if (item.coeff == 1)
        arc->ter = line;
      else
        common::outf("\nSize of coeff in equ_iter %d is not 1 (%d)\n", item.rank, item.coeff);
    }
  }

  // Weights, the reverse arcs of equalities, and the lines' arc lists.
  for (size_t k = 0; k < info.size(); ++k) {
    const RowInfo& ri = info[k];
    if (ri.arc < 0)
      continue;
    SQARC_item* arc = &s.arcs[ri.arc];
    if (arc->sym) {
      arc->occupied = 1;
      continue;
    }
    if (ri.type == 'G') {
      arc->weight = ri.value;
    } else if (ri.type == 'E') {
      arc->weight = ri.value;
      SQARC_item* back = &s.arcs[ri.arc + 1];  // the store is not contiguous
      back->rank = arc->rank;
      back->ori = arc->ter;
      back->ter = arc->ori;
      back->weight = -ri.value;
    } else {
      // x(ter) - x(ori) <= v holds as x(ori) >= x(ter) - v: the arc turns round.
      common::outf("\nEquation in column %d is 'LESS THAN', gotta change the arc", arc->rank);
      std::swap(arc->ori, arc->ter);
      arc->weight = -ri.value;
    }
  }
  for (int i = 0; i < count; ++i) {
    SQARC_item* arc = &s.arcs[i];
    if (arc->sym || !arc->ori || !arc->ter)
      continue;
    arc->occupied = 1;
    linkArc(arc);
  }
  // The tables by row number are as long as the rows are many: they go
  // before the layout's own arcs come, where the run's memory is highest.
  std::vector<RowInfo>().swap(info);
  std::vector<SQSYMARC_item*>().swap(symOf);
  squeeze::keepLayout();
  squeeze::keepDrawnWhereBroken();
  return 0;
}

int SQinit(AdjacencyArray* adj, _rhs_list* rows)
{
  if (!Glayout) {
    SQerrmessage("No CIF file (Glayout == NULL)", "SQinit");
    return 1;
  }
  if (DlayerNum == 0 || !DlayerTile[0].layertile) {
    SQerrmessage("No CS data structure (DlaterTile[0] == NULL)", "SQinit");
    return 1;
  }
  if (!adj || !rows) {
    SQerrmessage("No equation bucket list (equat_bucket == NULL)", "SQinit");
    return 1;
  }
  if (SQcell || SQarc) {
    common::outf("\nMessage: SQcell or SQarc already has some data -> Free them and reassign\n");
    SQfree_graph();
  }
  return SQcreatestructure(adj, rows);
}

// ---------------------------------------------------------------------------
// Directions.
// ---------------------------------------------------------------------------
namespace {

struct Globals {
  SQCELL_item** cell;
  SQARC_item** arc;
  SQSYMARC_item** symarc;
  int *cellSize, *arcSize, *cellAlloc, *arcAlloc, *symSize;
  SQARC_item** last;
};

Globals copyOf(int direction)
{
  if (direction == TOP_BOTTOM)
    return {&SQcell_TB,        &SQarc_TB,           &SQsymarc_TB,           &SQcell_size_TB,
            &SQarc_size_TB,    &SQcell_size_allocate_TB, &SQarc_size_allocate_TB,
            &SQsymcell_size_TB, &SQarc_lastinstruct_TB};
  return {&SQcell_LR,        &SQarc_LR,           &SQsymarc_LR,           &SQcell_size_LR,
          &SQarc_size_LR,    &SQcell_size_allocate_LR, &SQarc_size_allocate_LR,
          &SQsymcell_size_LR, &SQarc_lastinstruct_LR};
}

void setTiles(int direction, bool set)
{
  const int n = SQcell_size;
  for (int i = 0; i < n; ++i)
    if (_Dtile* t = SQcell[i].mother_tile)
      t->set_resize_cell(set ? (direction == TOP_BOTTOM ? t->resize_cell_TB() : t->resize_cell_LR())
                           : nullptr);
}

}  // namespace

void SQswitch_direction(int direction, int setcell)
{
  if (resize_direction == LEFT_RIGHT || resize_direction == TOP_BOTTOM) {
    Globals g = copyOf(resize_direction);
    *g.cell = SQcell;
    *g.arc = SQarc;
    *g.symarc = SQsymarc;
    *g.cellSize = SQcell_size;
    *g.arcSize = SQarc_size;
    *g.cellAlloc = SQcell_size_allocate;
    *g.arcAlloc = SQarc_size_allocate;
    *g.symSize = SQsymcell_size;
    *g.last = SQarc_lastinstruct;
  }
  resize_direction = direction;
  if (direction != LEFT_RIGHT && direction != TOP_BOTTOM)
    return;
  Globals g = copyOf(direction);
  SQcell = *g.cell;
  SQarc = *g.arc;
  SQsymarc = *g.symarc;
  SQcell_size = *g.cellSize;
  SQarc_size = *g.arcSize;
  SQcell_size_allocate = *g.cellAlloc;
  SQarc_size_allocate = *g.arcAlloc;
  SQsymcell_size = *g.symSize;
  SQarc_lastinstruct = *g.last;
  setTiles(direction, setcell != 0);
}

// ---------------------------------------------------------------------------
// Freeing.
// ---------------------------------------------------------------------------
namespace {

void clearTileRefs(DirectionStore& s, int direction, int count)
{
  for (int i = 0; s.cells && i < count; ++i)
    if (_Dtile* t = s.cells[i].mother_tile) {
      if (direction == TOP_BOTTOM ? t->resize_cell_TB() == &s.cells[i]
                                  : t->resize_cell_LR() == &s.cells[i]) {
        if (direction == TOP_BOTTOM)
          t->set_resize_cell_TB(nullptr);
        else
          t->set_resize_cell_LR(nullptr);
        t->set_resize_cell(nullptr);
      }
    }
}

void releaseStore(int direction, int count)
{
  DirectionStore& s = squeeze::store(direction);
  clearTileRefs(s, direction, count);
  s = DirectionStore{};
}

}  // namespace

void SQfree_graph()
{
  // Lines and arcs go; the cells stay for the output.
  DirectionStore& s = squeeze::store(resize_direction);
  for (int i = 0; s.cells && i < SQcell_size + SQsymcell_size; ++i)
    s.cells[i].left = s.cells[i].right = nullptr;
  s.lines.clear();
  s.lineCount = 0;
  s.arcs.clear();
  s.symarcs = std::deque<SQSYMARC_item>();
  SQarc = nullptr;
  SQarc_lastinstruct = nullptr;
  SQsymarc = nullptr;
  SQarc_size = SQarc_size_allocate = 0;
}

void SQfree_all()
{
  int countLR = SQcell_size_LR + SQsymcell_size_LR, countTB = SQcell_size_TB + SQsymcell_size_TB;
  if (resize_direction == LEFT_RIGHT)
    countLR = SQcell_size + SQsymcell_size;
  if (resize_direction == TOP_BOTTOM)
    countTB = SQcell_size + SQsymcell_size;
  if (SQcell_LR || (resize_direction == LEFT_RIGHT && SQcell))
    releaseStore(LEFT_RIGHT, countLR);
  if (SQcell_TB || (resize_direction == TOP_BOTTOM && SQcell))
    releaseStore(TOP_BOTTOM, countTB);
  squeeze::store(LEFT_RIGHT) = squeeze::DirectionStore{};
  squeeze::store(TOP_BOTTOM) = squeeze::DirectionStore{};
  SQcell = nullptr;
  SQarc = nullptr;
  SQsymarc = nullptr;
  SQcell_size = SQarc_size = SQcell_size_allocate = SQarc_size_allocate = SQsymcell_size = 0;
  SQarc_lastinstruct = nullptr;
  SQcell_LR = SQcell_TB = nullptr;
  SQarc_LR = SQarc_TB = nullptr;
  SQsymarc_LR = SQsymarc_TB = nullptr;
  SQcell_size_LR = SQcell_size_TB = SQarc_size_LR = SQarc_size_TB = 0;
  SQcell_size_allocate_LR = SQcell_size_allocate_TB = 0;
  SQarc_size_allocate_LR = SQarc_size_allocate_TB = 0;
  SQsymcell_size_LR = SQsymcell_size_TB = 0;
  SQarc_lastinstruct_LR = SQarc_lastinstruct_TB = nullptr;
  resize_direction = NO_DIR;
}
