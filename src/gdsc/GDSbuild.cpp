// After the last structure of a GDSII stream: every reference must name a
// structure of the file and none may call itself; calls get their cells'
// names (magnified references their own scaled copies), cells their frames,
// and the structures nobody calls a top cell.  Then the installation of
// the layout.
#include <algorithm>
#include <cstring>
#include <numeric>

#include "Dcif.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "GDSload.h"

namespace gds {

namespace {

constexpr size_t kMaxCopies = 10000;  // magnified copies of structures in one file

std::string ratioText(const Ratio& r)
{
  return r.q == 1 ? std::to_string(r.p) : std::to_string(r.p) + "/" + std::to_string(r.q);
}

}  // namespace

void Reader::checkDefined() const
{
  for (const Structure& s : structures_) {
    if (s.cell)
      continue;
    throw ReadError{s.firstReference, recordName(s.referenceKind),
                    "in structure " + structures_[static_cast<size_t>(s.referrer)].name +
                        ": structure " + s.name + " is not defined in the file"};
  }
}

/*
 * checkRecursion --
 *   Depth first over the references, without recursion; a structure met
 *   again while its own references are being walked calls itself.
 */
void Reader::checkRecursion() const
{
  std::vector<std::vector<int>> refsFrom(structures_.size());
  for (size_t i = 0; i < references_.size(); ++i)
    refsFrom[static_cast<size_t>(references_[i].from)].push_back(static_cast<int>(i));
  enum : char { kNew, kOpen, kDone };
  std::vector<char> mark(structures_.size(), kNew);
  struct Frame {
    int structure;
    size_t next;
  };
  std::vector<Frame> stack;
  for (size_t start = 0; start < structures_.size(); ++start) {
    if (mark[start] != kNew)
      continue;
    mark[start] = kOpen;
    stack.push_back({static_cast<int>(start), 0});
    while (!stack.empty()) {
      Frame& f = stack.back();
      const std::vector<int>& refs = refsFrom[static_cast<size_t>(f.structure)];
      if (f.next == refs.size()) {
        mark[static_cast<size_t>(f.structure)] = kDone;
        stack.pop_back();
        continue;
      }
      const Reference& ref = references_[static_cast<size_t>(refs[f.next++])];
      char& m = mark[static_cast<size_t>(ref.target)];
      if (m == kNew) {
        m = kOpen;
        stack.push_back({ref.target, 0});  // `f` is stale now
        continue;
      }
      if (m == kDone)
        continue;
      std::string chain;
      bool in = false;
      for (const Frame& g : stack) {
        in = in || g.structure == ref.target;
        if (in)
          chain += structures_[static_cast<size_t>(g.structure)].name + " -> ";
      }
      chain += structures_[static_cast<size_t>(ref.target)].name;
      throw ReadError{ref.offset, recordName(ref.kind),
                      "structure " + structures_[static_cast<size_t>(ref.target)].name +
                          " calls itself: " + chain};
    }
  }
}

/*
 * magnified --
 *   The cell of `structure` scaled by `mag`, made (empty, to be filled by
 *   makeMagnified) at its first request.
 */
_layout* Reader::magnified(int structure, Ratio mag, const Reference& why)
{
  auto key = std::make_tuple(structure, mag.p, mag.q);
  auto found = copies_.find(key);
  if (found != copies_.end())
    return found->second;
  if (copies_.size() >= kMaxCopies)
    throw ReadError{why.offset, recordName(why.kind),
                    "more than " + std::to_string(kMaxCopies) +
                        " magnified copies of structures"};
  const Structure& s = structures_[static_cast<size_t>(structure)];
  char name[kNameLength];
  snprintf(name, sizeof name, "CIRCUIT%d", ++cellCount_);
  _layout* cell = common::newLayout(name);
  std::string user = s.name.substr(0, 16) + "*" + ratioText(mag);
  snprintf(cell->cellname, sizeof cell->cellname, "%s", user.c_str());
  cell->next = out_->cells;
  out_->cells = cell;
  copies_.emplace(key, cell);
  toFill_.push_back({structure, mag, cell, &why});
  return cell;
}

// The calls of `ref`, in the order they were made.
static std::vector<_instance*> callsOf(const Reference& ref)
{
  std::vector<_instance*> calls(static_cast<size_t>(ref.count));
  _instance* call = ref.last;
  for (long i = ref.count - 1; i >= 0; --i, call = call->next)
    calls[static_cast<size_t>(i)] = call;
  return calls;
}

void Reader::nameCalls()
{
  for (const Reference& ref : references_) {
    const _layout* cell = ref.mag.one() ? structures_[static_cast<size_t>(ref.target)].cell
                                        : magnified(ref.target, ref.mag, ref);
    _instance* call = ref.last;
    for (long i = 0; i < ref.count; ++i, call = call->next)
      snprintf(call->cellname, sizeof call->cellname, "%s", cell->name);
  }
}

/*
 * makeMagnified --
 *   Fills every copy requested so far, and those its calls request: the
 *   structure's rectangles, labels (with their pins) and call displacements
 *   times the magnification, which must land on internal units.
 */
void Reader::makeMagnified()
{
  std::vector<std::vector<const Reference*>> refsFrom(structures_.size());
  for (const Reference& ref : references_)
    refsFrom[static_cast<size_t>(ref.from)].push_back(&ref);
  for (size_t k = 0; k < toFill_.size(); ++k) {
    const Copy copy = toFill_[k];
    const Ratio m = copy.mag;
    auto scaled = [&](long v) {
      __int128 n = static_cast<__int128>(v) * m.p;
      if (n % m.q != 0 || n / m.q > kMaxCoordinate || n / m.q < -kMaxCoordinate)
        throw ReadError{copy.why->offset, recordName(copy.why->kind),
                        "in structure " + structures_[static_cast<size_t>(copy.why->from)].name +
                            ": MAG " + ratioText(m) + " of " +
                            structures_[static_cast<size_t>(copy.structure)].name +
                            " does not keep the grid"};
      return static_cast<long>(n / m.q);
    };
    const _layout* source = structures_[static_cast<size_t>(copy.structure)].cell;
    _layout* cell = copy.cell;
    for (int slot = 0; slot < kMaxLayers; ++slot) {
      const _symbol* from = source->symbol[slot];
      if (!from)
        continue;
      _symbol* to = common::make<_symbol>();
      memcpy(to->layername, from->layername, sizeof to->layername);
      cell->symbol[slot] = to;
      _rects** tail = &to->rect;
      for (const _rects* r = from->rect; r; r = r->next) {
        long x1 = scaled(r->x1), y1 = scaled(r->y1), x2 = scaled(r->x2), y2 = scaled(r->y2);
        _rects* n = common::make<_rects>();
        *n = {static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2),
              static_cast<int>(y2), nullptr};
        *tail = n;
        tail = &n->next;
        ACframe(x1, y1, cell);
        ACframe(x2, y2, cell);
      }
      _labels** labelTail = &to->label;
      for (const _labels* l = from->label; l; l = l->next) {
        const int x = static_cast<int>(scaled(l->x)), y = static_cast<int>(scaled(l->y));
        _labels* n = common::make<_labels>();
        n->label = GCstrcpy(l->label);
        n->x = x;
        n->y = y;
        *labelTail = n;
        labelTail = &n->next;
        _pin* pin = common::make<_pin>();
        pin->label = GCstrcpy(l->label);
        pin->x = n->x;
        pin->y = n->y;
        pin->layername = GCstrcpy(to->layername);
        pin->layernum = slot;
        pin->next = out_->pins;
        out_->pins = pin;
      }
    }
    for (const Reference* ref : refsFrom[static_cast<size_t>(copy.structure)]) {
      Ratio child{ref->mag.p * m.p, ref->mag.q * m.q};
      int64_t g = std::gcd(child.p, child.q);
      child = {child.p / g, child.q / g};
      if (child.p > kMaxMagnification || child.q > kMaxMagnification)
        throw ReadError{ref->offset, recordName(ref->kind),
                        "the magnifications on the way to " +
                            structures_[static_cast<size_t>(ref->target)].name +
                            " multiply to more than the grid can hold"};
      const _layout* called = child.one() ? structures_[static_cast<size_t>(ref->target)].cell
                                          : magnified(ref->target, child, *ref);
      for (const _instance* call : callsOf(*ref)) {
        _instance scaledCall = *call;
        for (int i = 0; i < scaledCall.optimes && i < kMaxOpcodes; ++i) {
          _opcode& op = scaledCall.opcode[i];
          if (op.type == trans) {
            op.x = static_cast<int>(scaled(op.x));
            op.y = static_cast<int>(scaled(op.y));
          }
        }
        snprintf(scaledCall.cellname, sizeof scaledCall.cellname, "%s", called->name);
        _instance* n = common::make<_instance>();
        *n = scaledCall;
        n->next = cell->instance;
        cell->instance = n;
      }
    }
  }
}

/*
 * frames --
 *   Every cell's frame grows by its calls' frames, the called cells done
 *   first (depth first, without recursion).
 */
void Reader::frames()
{
  std::unordered_map<std::string, _layout*> byCellName;
  for (_layout* c = out_->cells; c; c = c->next)
    byCellName.emplace(c->name, c);
  std::unordered_map<const _layout*, bool> done;
  struct Frame {
    _layout* cell;
    _instance* next;
  };
  std::vector<Frame> stack;
  for (_layout* start = out_->cells; start; start = start->next) {
    if (done.count(start))
      continue;
    stack.push_back({start, start->instance});
    while (!stack.empty()) {
      Frame& f = stack.back();
      if (_instance* call = f.next) {
        f.next = call->next;
        auto found = byCellName.find(call->cellname);
        if (found != byCellName.end() && !done.count(found->second))
          stack.push_back({found->second, found->second->instance});  // `f` is stale now
        continue;
      }
      _layout* cell = f.cell;
      stack.pop_back();
      for (const _instance* call = cell->instance; call; call = call->next) {
        auto called = byCellName.find(call->cellname);
        if (called == byCellName.end())
          continue;
        const _box& b = called->second->frame;
        if (b.x1 >= b.x2 || b.y1 >= b.y2)
          continue;
        long x, y;
        long n = std::min(call->optimes, kMaxOpcodes);
        PointTrans(call->opcode, n, b.x1, b.y1, &x, &y);
        ACframe(x, y, cell);
        PointTrans(call->opcode, n, b.x2, b.y2, &x, &y);
        ACframe(x, y, cell);
      }
      done[cell] = true;
    }
  }
}

void Reader::finish()
{
  checkDefined();
  checkRecursion();
  nameCalls();
  makeMagnified();
  // A structure called only magnified is held by its copies alone.
  std::unordered_map<std::string, bool> called;
  for (const _layout* c = out_->cells; c; c = c->next)
    for (const _instance* call = c->instance; call; call = call->next)
      called[call->cellname] = true;
  std::unordered_map<const _layout*, bool> unused;
  for (const Structure& s : structures_)
    if (s.cell && s.firstReference >= 0 && !called.count(s.cell->name))
      unused[s.cell] = true;
  for (_layout** link = &out_->cells; *link && !unused.empty();) {
    _layout* cell = *link;
    if (!unused.count(cell)) {
      link = &cell->next;
      continue;
    }
    *link = cell->next;
    cell->next = nullptr;
    GCfreeLayout(cell);
  }
  frames();
  std::string names;
  _layout* top = common::topOfUncalled(out_->cells, &names);
  if (!top)
    throw ReadError{records_.offset(), "ENDLIB", "every structure is called by another"};
  top->next = out_->cells;
  out_->cells = top;
  out_->top = top;
  if (top->instance && top->instance->next) {
    GCmessage(kModule, 'M', "Several structures are called by none: the layout is all of them, %s",
              names.c_str());
  } else if (top->instance) {
    const _layout* only = GfindLayout(top->instance->cellname, out_->cells);
    if (only)
      memcpy(top->cellname, only->cellname, sizeof top->cellname);
  }
}

// ---------------------------------------------------------------------------
// Reading and installing.
// ---------------------------------------------------------------------------

void StreamLayoutDeleter::operator()(StreamLayout* layout) const { delete layout; }

PendingLayout readStream(FILE* in, const std::string& name)
{
  const LayerMap* map = layerMap();
  if (!map)
    return nullptr;
  PendingLayout layout(new StreamLayout);
  Reader reader(in, *map, layout.get());
  try {
    reader.run();
    reader.finish();
  } catch (const ReadError& e) {
    std::string where = "at byte " + std::to_string(e.offset);
    if (!e.record.empty())
      where += ", record " + e.record;
    GCmessage(kModule, 'E', "GDSII file %s is refused %s: %s", name.c_str(), where.c_str(),
              e.what.c_str());
    return nullptr;
  }
  reader.report();
  return layout;
}

/*
 * install --
 *   Releases the previous layout as a CIF load does (ACinit), then hands
 *   the cells and pins of `layout` to the roots.
 */
void install(PendingLayout layout)
{
  ACinit();
  Gsymbols = layout->cells;
  Gactive = layout->top;
  Glayout = layout->top;
  Gpin = layout->pins;
  AC_initial_halfscale_error = layout->offGridBoxes;
  layout->cells = nullptr;
  layout->pins = nullptr;
}

}  // namespace gds
