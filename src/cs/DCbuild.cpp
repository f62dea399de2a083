// Building one plane per layer from the flattened layout, inserting
// rectangles, and the plane lookups.
#include "CS.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>
#include <vector>

#include "DCint.h"
#include "DTtechnology.h"
#include "Dglobal.h"

namespace {

constexpr int kModule = 5;  // message module of the tile planes

// A rectangle of the work lists of insertion.
struct Box {
  int x1, y1, x2, y2;
};

// The parts of `a` outside `b` (below, left, right, above; empty ones
// left out) into pieces, the intersection into *overlap.
// Returns: the number of pieces; 0 also when a and b do not overlap.
int minus(const Box& a, const Box& b, Box pieces[4], Box* overlap)
{
  int lo = a.y1 > b.y1 ? a.y1 : b.y1;
  int hi = a.y2 < b.y2 ? a.y2 : b.y2;
  int left = a.x1 > b.x1 ? a.x1 : b.x1;
  int right = a.x2 < b.x2 ? a.x2 : b.x2;
  *overlap = {left, lo, right, hi};
  if (left >= right || lo >= hi)
    return 0;
  int n = 0;
  if (b.y1 > a.y1)
    pieces[n++] = {a.x1, a.y1, a.x2, lo};
  if (b.x1 > a.x1)
    pieces[n++] = {a.x1, lo, left, hi};
  if (b.x2 < a.x2)
    pieces[n++] = {right, lo, a.x2, hi};
  if (b.y2 < a.y2)
    pieces[n++] = {a.x1, hi, a.x2, a.y2};
  return n;
}

Box tileBox(const _Dtile* t) { return {t->x1, t->y1, cs::right(t), cs::top(t)}; }

// A rectangle with its corners in order; empty when it has no area.
Box normalized(const _rects* r)
{
  Box b{r->x1, r->y1, r->x2, r->y2};
  if (b.x1 > b.x2)
    std::swap(b.x1, b.x2);
  if (b.y1 > b.y2)
    std::swap(b.y1, b.y2);
  return b;
}

bool empty(const Box& b) { return b.x1 >= b.x2 || b.y1 >= b.y2; }

// Creates a tile over `b` of the given type for the plane record `plane`.
_Dtile* createTile(const Box& b, int type, _DlayerTile* plane)
{
  _Dtile* t;
  TileCreation(b.x1, b.y1, b.x2, b.y2, &t);
  t->type = static_cast<uint16_t>(type);
  t->set_layer(plane);
  cs::noteCreated(static_cast<int>(plane - DlayerTile), t);
  return t;
}

// The rectangles still to insert, taken last in first out.  Most
// insertions need only a few, so they start in place.
class WorkList {
 public:
  bool empty() const { return size_ == 0; }
  void push(const Box& b)
  {
    if (size_ < kInPlace)
      inPlace_[size_] = b;
    else
      more_.push_back(b);
    ++size_;
  }
  Box pop()
  {
    --size_;
    if (size_ < kInPlace)
      return inPlace_[size_];
    Box b = more_.back();
    more_.pop_back();
    return b;
  }
  // Pushes the pieces so that the first is taken first.
  void pushPieces(const Box pieces[4], int n)
  {
    for (int i = n - 1; i >= 0; --i)
      push(pieces[i]);
  }

 private:
  static constexpr size_t kInPlace = 16;
  Box inPlace_[kInPlace];
  std::vector<Box> more_;
  size_t size_ = 0;
};

}  // namespace

// ---------------------------------------------------------------------------
// Plane lookups.
// ---------------------------------------------------------------------------
int DnoLayerCS(const char* name)
{
  for (int i = 0; i < DlayerNum; ++i)
    if (strcmp(DlayerTile[i].name, name) == 0)
      return 0;
  return 1;
}

/*
 * DfindNumber --
 *   The index of the technology layer `name`.  A name the technology does
 *   not know abandons the running action.
 */
int DfindNumber(const char* name)
{
  for (int i = 0; i < GlayerNum; ++i)
    if (strcmp(Glayers[i].name, name) == 0)
      return i;
  cs::flushProgress();
  GCmessage(kModule, 'F', "Layer %s not found", name);
  common::abandonAction(1);
}

_Dtile* NamedLayerTile(const char* name)
{
  for (int i = 0; i < DlayerNum; ++i)
    if (strcmp(DlayerTile[i].name, name) == 0)
      return DlayerTile[i].layertile;
  return nullptr;
}

_Dtile* LayerTile(int layerNumber)
{
  for (int i = 0; i < DlayerNum; ++i)
    if (DlayerTile[i].layer == layerNumber)
      return DlayerTile[i].layertile;
  return nullptr;
}

int cs::layerIndexOfPlane(int plane)
{
  if (plane < 0 || plane >= DlayerNum)
    return -1;
  for (int i = 0; i < GlayerNum; ++i)
    if (strcmp(Glayers[i].name, DlayerTile[plane].name) == 0)
      return i;
  return -1;
}

// ---------------------------------------------------------------------------
// Inserting rectangles.
// ---------------------------------------------------------------------------

/*
 * BoxMinus --
 *   The part of rectangle A outside rectangle B as horizontal bands: below
 *   B (full width of A), left of B and right of B (as tall as A and B
 *   overlap), above B (full width); empty bands are left out, and the list
 *   is empty when A lies inside B or does not meet it.
 * Returns: the bands as a new list; *overlap is a new box holding A and B's
 *   intersection (meaningless when they do not meet).
 */
_rects* BoxMinus(int ax1, int ay1, int ax2, int ay2, int bx1, int by1, int bx2, int by2,
                 _box** overlap)
{
  Box pieces[4], both;
  int n = minus({ax1, ay1, ax2, ay2}, {bx1, by1, bx2, by2}, pieces, &both);
  *overlap = common::make<_box>();
  **overlap = {both.x1, both.y1, both.x2, both.y2};
  _rects* list = nullptr;
  for (int i = n - 1; i >= 0; --i)
    common::prependRect(list, pieces[i].x1, pieces[i].y1, pieces[i].x2, pieces[i].y2);
  return list;
}

/*
 * Put1BoxCS --
 *   Inserts one rectangle of `type` into the current plane (Stitch).  Where
 *   the rectangle meets material of the same type nothing changes; where it
 *   meets material of another type the overlap becomes an element tile of
 *   type | 0xFF00; the rest becomes tiles of `type`.  The pieces are taken
 *   depth first from an explicit work list.
 * Returns: the last tile created or touched (also in Stitch).
 */
_Dtile* Put1BoxCS(const _rects* box, int type, int plane)
{
  _DlayerTile* record = &DlayerTile[plane];
  WorkList work;
  Box first = normalized(box);
  if (!empty(first))
    work.push(first);
  while (!work.empty()) {
    Box b = work.pop();
    Stitch = cs::startNear(plane, Stitch, b.x2, b.y1);
    _Dtile* s = cs::firstSolid(b.x1, b.y1, b.x2, b.y2);
    if (!s) {
      _Dtile* t = createTile(b, type, record);
      t->set_passiveDev(nullptr);
      t->set_activeDev(0);
      continue;
    }
    Box pieces[4], overlap;
    int n = minus(b, tileBox(s), pieces, &overlap);
    if (s->type != type && !empty(overlap))
      createTile(overlap, type | cs::kElement, record);
    work.pushPieces(pieces, n);
  }
  return Stitch;
}

/*
 * ElementCreation --
 *   Inserts one gate-layer rectangle into the gate plane `plane` (current
 *   tile `gateTile`).  Where it crosses material of the active plane (plane
 *   0) the overlap becomes an element tile of type | 0xFF00 in both planes;
 *   elsewhere it is inserted as ordinary material.
 * Returns: the last tile of the gate plane (also in Stitch).
 */
_Dtile* ElementCreation(const _rects* box, int type, _Dtile* gateTile, int plane)
{
  _Dtile*& activeHint = cs::activeHint();
  if (!activeHint)
    activeHint = DlayerTile[0].layertile;
  _Dtile* gate = gateTile;
  WorkList work;
  Box first = normalized(box);
  if (!empty(first))
    work.push(first);
  while (!work.empty()) {
    Box b = work.pop();
    Stitch = cs::startNear(0, activeHint, b.x2, b.y1);
    _Dtile* active = cs::firstSolid(b.x1, b.y1, b.x2, b.y2);
    activeHint = Stitch;
    Stitch = gate;
    if (!active) {
      _rects piece{b.x1, b.y1, b.x2, b.y2, nullptr};
      gate = Put1BoxCS(&piece, type, plane);
      continue;
    }
    Box pieces[4], overlap;
    int n = minus(b, tileBox(active), pieces, &overlap);
    if (active->type != type && !empty(overlap)) {
      Stitch = active;
      activeHint = createTile(overlap, type | cs::kElement, &DlayerTile[0]);
      Stitch = cs::startNear(plane, gate, overlap.x2, overlap.y2 - 1);
      gate = createTile(overlap, type | cs::kElement, &DlayerTile[plane]);
    }
    Stitch = gate;
    work.pushPieces(pieces, n);
  }
  return Stitch;
}

// Refuses a layer whose rectangles reach the frame of the plane.
static void checkLimits(const _symbol* symbol, const char* name)
{
  for (const _rects* r = symbol ? symbol->rect : nullptr; r; r = r->next) {
    for (int v : {r->x1, r->y1, r->x2, r->y2}) {
      if (v >= -cs::kLimit && v <= cs::kLimit)
        continue;
      cs::flushProgress();
      GCmessage(kModule, 'F',
                "Box %d %d %d %d of layer %s lies beyond the plane limit of %d units", r->x1,
                r->y1, r->x2, r->y2, name, cs::kLimit);
      common::abandonAction(1);
    }
  }
}

/*
 * CrtLayerCS --
 *   Fills plane-table entry `plane` with the rectangles of its layer in the
 *   flattened layout, in list order: mode 0 inserts them as they are, mode 1
 *   as gate-layer rectangles that make element tiles over active material.
 * Side effects: the plane's entry tile becomes the last tile touched.  A
 *   rectangle beyond the plane limit abandons the action.
 */
void CrtLayerCS(int plane, int mode)
{
  _DlayerTile& record = DlayerTile[plane];
  const _symbol* symbol = nullptr;
  if (Gflatten && record.layer >= 0 && record.layer < kMaxLayers)
    symbol = Gflatten->symbol[record.layer];
  checkLimits(symbol, record.name);
  cs::startIndex(plane, symbol ? symbol->rect : nullptr);
  Stitch = record.layertile;
  cs::activeHint() = nullptr;
  for (const _rects* r = symbol ? symbol->rect : nullptr; r; r = r->next) {
    if (mode == 0)
      Stitch = Put1BoxCS(r, record.layer, plane);
    else
      Stitch = ElementCreation(r, record.layer, Stitch, plane);
  }
  record.layertile = Stitch;
  cs::activeHint() = nullptr;
}

// ---------------------------------------------------------------------------
// Building all planes.
// ---------------------------------------------------------------------------

// Sets up plane-table entry `index` for the layer `name`: two empty planes.
static _DlayerTile& newPlane(int index, const char* name)
{
  int layer = Glayers[DfindNumber(name)].layer;
  if (layer == cs::kFrame || layer == cs::kSpace) {
    cs::flushProgress();
    GCmessage(kModule, 'F', "Layer %s has number %d, which a tile plane can not use", name,
              layer);
    common::abandonAction(1);
  }
  _DlayerTile& p = DlayerTile[index];
  p = _DlayerTile{};
  snprintf(p.name, sizeof p.name, "%s", name);
  p.layer = static_cast<int16_t>(layer);
  p.stilenum = 0;
  p.layertile = Init1LayerCS();
  p.crittile = Init1LayerCS();
  p.bordertile = p.crittile->rt();
  return p;
}

// The planes whose entry tiles filling `plane` in `mode` may release: the
// plane itself, and plane 0 for gate-layer boxes.
static uint32_t touchedBy(int plane, int mode)
{
  return (1u << plane) | (mode == 1 ? 1u : 0u);
}

// Fills a set-up plane, without progress text.
static void fillQuietly(int index, int mode)
{
  struct Filling {
    Filling(int index, int mode)
    {
      cs::touchedPlanes() = touchedBy(index, mode);
      CLayer = &DlayerTile[index];
    }
    ~Filling()
    {
      CLayer = nullptr;
      cs::touchedPlanes() = 0;
    }
  } filling(index, mode);
  CrtLayerCS(index, mode);
}

// Fills a set-up plane, with its progress lines.
static void fillPlane(int index, int mode)
{
  _DlayerTile& p = DlayerTile[index];
  if (!Silently) {
    cs::progressf("Layer name: %s\n", p.name);
    cs::progressf("Creating tiles :         ");
  }
  fillQuietly(index, mode);
  if (!Silently)
    cs::progressf(" Done.\n");
  cs::flushProgress();
}

// Creates the next plane of the table for `name`.
static void createPlane(const char* name, int mode)
{
  if (DlayerNum >= kMaxPlanes) {
    cs::flushProgress();
    GCmessage(kModule, 'F', "More than %d tile planes are needed; layer %s has none", kMaxPlanes,
              name);
    common::abandonAction(1);
  }
  newPlane(DlayerNum, name);
  fillPlane(DlayerNum, mode);
  ++DlayerNum;
}

cs::OtherLayerPlanes::OtherLayerPlanes() : first_(DlayerNum)
{
  if (!Gflatten || DlayerNum == 0 || !DlayerTile[0].layertile)
    return;
  for (int slot = 0; slot < GlayerNum && slot < kMaxLayers; ++slot) {
    const _layerDef& def = Glayers[slot];
    if (!def.name[0] || strcmp(def.name, "XYZ") == 0 || def.layer < 0 || def.layer >= kMaxLayers ||
        def.layer == cs::kFrame || def.layer == cs::kSpace)
      continue;
    const _symbol* symbol = Gflatten->symbol[def.layer];
    if (!symbol || !symbol->rect || DlayerNum >= kMaxPlanes)
      continue;
    bool planed = false;
    for (int p = 0; p < DlayerNum && !planed; ++p)
      planed = strcmp(DlayerTile[p].name, def.name) == 0;
    if (planed)
      continue;
    newPlane(DlayerNum, def.name);
    fillQuietly(DlayerNum, 0);
    ++DlayerNum;
    ++added_;
  }
}

cs::OtherLayerPlanes::~OtherLayerPlanes()
{
  // Planes made after these (a stand-in plane of the passive devices) stay,
  // and so do these then: the entries keep their places.
  if (DlayerNum != first_ + added_)
    return;
  for (int p = first_; p < DlayerNum; ++p)
    DlayerTile[p] = _DlayerTile{};
  DlayerNum = first_;
}

static void message(char kind, const char* text)
{
  cs::flushProgress();
  GCmessage(kModule, kind, "%s", text);
}

static void finishBuild()
{
  GCactivateCS();
  message('M', "Corner Stitching is created");
  double seconds = static_cast<double>(std::clock() - cs::state().buildStarted) / CLOCKS_PER_SEC;
  GCmessage(kModule, 'M', "CPU time %.1f seconds", seconds);
}

// Steps 4 to 7 of DCcrtCS one after the other: the planes, the contacts and
// the activation.
static void buildPlanes()
{
  DlayerNum = 0;
  _DlayerTile& active = newPlane(0, Delement[0].layers[0]);
  active.frame = Gflatten->frame;
  DlayerNum = 1;
  cs::progressf("Creating the corner stitching structure ...\n");
  fillPlane(0, 0);

  message('M', "Creating other layers ...");
  for (int e = 0; e < DelementNum; ++e) {
    const _Delement& element = Delement[e];
    for (int j = 0; j < element.layerNum; ++j) {
      if (!DnoLayerCS(element.layers[j]))
        continue;
      createPlane(element.layers[j], j == 1 ? 1 : 0);
      common::outf(e == 0 ? "\nmaking cs data structure for a PMOS\n"
                          : "\nmaking cs data structu re for a NMOS\n");
    }
    for (int j = 0; j < element.portLayerNum; ++j)
      if (DnoLayerCS(element.portlayers[j]))
        createPlane(element.portlayers[j], 0);
  }

  message('M', "Creating connection layers ...");
  for (int c = 0; c < DconNum; ++c) {
    const _Dconnect& con = Dconnect[c];
    for (const char* name : {con.lowerLayer, con.upperLayer, con.conLayer})
      if (DnoLayerCS(name))
        createPlane(name, 0);
    _Dtile* lower = NamedLayerTile(con.lowerLayer);
    _Dtile* upper = NamedLayerTile(con.upperLayer);
    if (!lower || !upper) {
      message('E', "Connection layers error");
      return;
    }
    if (!Silently)
      cs::progressf("Creating contact structure ...\n");
    cs::flushProgress();
    CrtContact(lower, upper, Glayers[DfindNumber(con.conLayer)].layer);
  }
  finishBuild();
}

// ---------------------------------------------------------------------------
// Building on two threads.
//
// The planes of different layers share nothing while they are filled,
// except that gate-layer boxes also cut the active plane (plane 0).  So the
// planes are set up in table order, filled by two threads (plane 0 and the
// gate-layer planes in order by one of them, every other plane by whichever
// thread is free), and then the build is replayed in the order of
// buildPlanes: the progress text of each plane, the messages, the lines on
// standard output and the contact linking, which reads several planes (its
// searches again on two threads, see CrtContact).  The planes, their
// records and all text come out as buildPlanes makes them.
// A layout or technology that would stop the build takes buildPlanes, so
// that its messages come at their place.
// ---------------------------------------------------------------------------
namespace {

// One step of buildPlanes after the planes are set up.
struct Step {
  enum Kind { kPlane, kMessage, kProgress, kOutput, kContact } kind;
  int plane = 0;               // kPlane: the entry filled; kContact: the connection
  int mode = 0;                // kPlane
  const char* text = nullptr;  // kMessage, kProgress, kOutput
};

// The Glayers entry of `name` that a plane can use, or -1.
int usableLayer(const char* name)
{
  for (int i = 0; i < GlayerNum; ++i) {
    if (strcmp(Glayers[i].name, name) != 0)
      continue;
    int layer = Glayers[i].layer;
    return layer == cs::kFrame || layer == cs::kSpace ? -1 : i;
  }
  return -1;
}

bool withinLimits(const _symbol* symbol)
{
  for (const _rects* r = symbol ? symbol->rect : nullptr; r; r = r->next)
    for (int v : {r->x1, r->y1, r->x2, r->y2})
      if (v < -cs::kLimit || v > cs::kLimit)
        return false;
  return true;
}

// The steps buildPlanes takes and the layer of each plane it creates, in
// table order.  Returns: false when buildPlanes would stop or report a
// fault on the way.
bool planSteps(std::vector<Step>* steps, std::vector<const char*>* names)
{
  auto known = [&](const char* name) {
    for (const char* n : *names)
      if (strcmp(n, name) == 0)
        return true;
    return false;
  };
  auto plane = [&](const char* name, int mode) {
    int index = usableLayer(name);
    if (index < 0)
      return false;
    int layer = Glayers[index].layer;
    if (layer >= 0 && layer < kMaxLayers && !withinLimits(Gflatten->symbol[layer]))
      return false;
    steps->push_back({Step::kPlane, static_cast<int>(names->size()), mode, nullptr});
    names->push_back(name);
    return static_cast<int>(names->size()) <= kMaxPlanes;
  };
  steps->push_back({Step::kProgress, 0, 0, "Creating the corner stitching structure ...\n"});
  if (!plane(Delement[0].layers[0], 0))
    return false;
  steps->push_back({Step::kMessage, 0, 0, "Creating other layers ..."});
  for (int e = 0; e < DelementNum; ++e) {
    const _Delement& element = Delement[e];
    for (int j = 0; j < element.layerNum; ++j) {
      if (known(element.layers[j]))
        continue;
      if (!plane(element.layers[j], j == 1 ? 1 : 0))
        return false;
      steps->push_back({Step::kOutput, 0, 0,
                        e == 0 ? "\nmaking cs data structure for a PMOS\n"
                               : "\nmaking cs data structu re for a NMOS\n"});
    }
    for (int j = 0; j < element.portLayerNum; ++j)
      if (!known(element.portlayers[j]) && !plane(element.portlayers[j], 0))
        return false;
  }
  steps->push_back({Step::kMessage, 0, 0, "Creating connection layers ..."});
  for (int c = 0; c < DconNum; ++c) {
    const _Dconnect& con = Dconnect[c];
    for (const char* name : {con.lowerLayer, con.upperLayer, con.conLayer})
      if (!known(name) && !plane(name, 0))
        return false;
    steps->push_back({Step::kContact, c, 0, nullptr});
  }
  return true;
}

long boxesOf(int plane)
{
  long n = 0;
  int layer = DlayerTile[plane].layer;
  if (layer >= 0 && layer < kMaxLayers && Gflatten->symbol[layer])
    for (const _rects* r = Gflatten->symbol[layer]->rect; r; r = r->next)
      ++n;
  return n;
}

// Fills the set-up planes of the plan on two threads.
void fillOnTwoThreads(const std::vector<Step>& steps)
{
  // A job is filled by one thread in order: plane 0 with the gate-layer
  // planes, or one other plane.
  struct Job {
    std::vector<std::pair<int, int>> planes;  // entry, mode
    long boxes = 0;
  };
  std::vector<Job> jobs(1);
  for (const Step& step : steps) {
    if (step.kind != Step::kPlane)
      continue;
    if (step.plane != 0 && step.mode != 1)
      jobs.emplace_back();
    Job& job = step.plane == 0 || step.mode == 1 ? jobs.front() : jobs.back();
    job.planes.emplace_back(step.plane, step.mode);
    job.boxes += boxesOf(step.plane);
  }
  // The largest first, so the two threads end close together.
  std::stable_sort(jobs.begin(), jobs.end(),
                   [](const Job& a, const Job& b) { return a.boxes > b.boxes; });

  std::atomic<size_t> next{0};
  auto work = [&](cs::TileArena* arena) {
    cs::FillScope scope(arena);
    for (size_t j = next++; j < jobs.size(); j = next++)
      for (const auto& [plane, mode] : jobs[j].planes)
        fillQuietly(plane, mode);
  };
  common::onTwoThreads([&](bool helper) {
    work(helper ? &cs::state().helperTiles : &cs::state().tiles);
  });
}

// The progress text buildPlanes writes while it fills `plane`.
void replayProgress(int plane)
{
  const _DlayerTile& p = DlayerTile[plane];
  if (!Silently) {
    cs::progressf("Layer name: %s\n", p.name);
    cs::progressf("Creating tiles :         ");
    for (int n = 1; n <= p.stilenum; ++n)
      cs::progressCount(n);
    cs::progressf(" Done.\n");
  }
  cs::flushProgress();
}

}  // namespace

static bool oneThread = false;

void cs::fillOnOneThread(bool one) { oneThread = one; }

bool cs::searchOnTwoThreads() { return !oneThread; }

// buildPlanes on two threads; false (with nothing done) when the plan has a
// step that stops the build.
static bool buildPlanesOnTwoThreads()
{
  if (oneThread)
    return false;
  std::vector<Step> steps;
  std::vector<const char*> names;
  if (!planSteps(&steps, &names))
    return false;
  for (size_t i = 0; i < names.size(); ++i)
    newPlane(static_cast<int>(i), names[i]);
  DlayerTile[0].frame = Gflatten->frame;
  DlayerNum = static_cast<int>(names.size());
  fillOnTwoThreads(steps);

  for (const Step& step : steps) {
    switch (step.kind) {
      case Step::kPlane:
        DlayerNum = step.plane + 1;
        Stitch = DlayerTile[step.plane].layertile;  // where filling it leaves Stitch
        replayProgress(step.plane);
        break;
      case Step::kMessage:
        message('M', step.text);
        break;
      case Step::kProgress:
        cs::progressf("%s", step.text);
        break;
      case Step::kOutput:
        common::outf("%s", step.text);
        break;
      case Step::kContact: {
        const _Dconnect& con = Dconnect[step.plane];
        if (!Silently)
          cs::progressf("Creating contact structure ...\n");
        cs::flushProgress();
        CrtContact(NamedLayerTile(con.lowerLayer), NamedLayerTile(con.upperLayer),
                   Glayers[DfindNumber(con.conLayer)].layer);
        break;
      }
    }
  }
  finishBuild();
  return true;
}

/*
 * DCcrtCS --
 *   Builds one plane per layer of the technology's elements, ports and
 *   connections from the flattened layout, recognising gate regions, then
 *   links the contacts and shows the planes.
 * Side effects: planes of an earlier build that were not released are
 *   abandoned.  When the layout cannot be built (a layer the technology
 *   does not know, a box beyond the plane limit) the planes of this build
 *   are released and the action is abandoned.
 */
int DCcrtCS()
{
  cs::State& s = cs::state();
  if (DlayerNum > 0 && DlayerTile[0].layertile) {
    message('W', "You must free the old CS first");
    for (int i = 0; i < DlayerNum; ++i)
      if (DlayerTile[i].layertile)
        s.abandoned.push_back(DlayerTile[i].layertile);
    FreeList(DlayerTile[0].highlight);
    FreeList(DlayerTile[0].selected);
    DlayerTile[0].highlight = DlayerTile[0].selected = nullptr;
    DlayerTile[0].layertile = nullptr;
    CurrentStitch = nullptr;
  }
  if (DelementNum == 0 || DconNum == 0) {
    message('W', "Technology missing");
    return 1;
  }
  if (!Gflatten) {
    message('W', "No smashed layout available");
    return 1;
  }
  if (Delement[0].layerNum < 2) {
    message('E', "Basic element definition error");
    return 1;
  }
  if (cs::Hook reset = cs::hooks().extractionReset)
    reset();
  s.buildStarted = std::clock();
  message('M', "Creating the active layer ...");
  s.indexing = true;
  try {
    if (!buildPlanesOnTwoThreads())
      buildPlanes();
  } catch (const common::OperationAborted&) {
    CLayer = nullptr;
    cs::flushProgress();
    cs::releasePlanes();
    throw;
  }
  cs::dropIndexes();
  return 0;
}

int GCactivateCS()
{
  if (DlayerNum > 0 && DlayerTile[0].layertile) {
    DworkingMode = kModePlanes;
    GCmessage(kModule, 'M', "Corner stitch layout is activated");
  } else {
    GCmessage(kModule, 'M', "No corner stitch layout is available");
  }
  return 0;
}
