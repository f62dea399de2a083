// Tiles and tile lists: the globals of the planes, allocation and release,
// the empty plane, and the predicates.
#include "CS.h"

#include <charconv>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include <sys/mman.h>

#include "DCint.h"
#include "Dglobal.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define CS_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define CS_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#define CS_LOOSE_NODES 1
#else
#define CS_POISON(p, n) ((void)(p), (void)(n))
#define CS_UNPOISON(p, n) ((void)(p), (void)(n))
#define CS_LOOSE_NODES 0
#endif

__thread _Dtile* Stitch = nullptr;
_Dtile* CurrentStitch = nullptr;
__thread _DlayerTile* CLayer = nullptr;
_DlayerTile DlayerTile[kMaxPlanes];
int DlayerNum = 0;

int32_t lower_tilelist_number_error = 0;
int32_t lower_tilelist_layer_error = 0;
int32_t lower_contact_position_error = 0;
int32_t upper_tilelist_number_error = 0;
int32_t upper_tilelist_layer_error = 0;
int32_t upper_contact_position_error = 0;

namespace cs {

namespace {

constexpr int kModule = 5;                // message module of the tile planes

// What a thread inside a FillScope uses in place of the shared state.
thread_local TileArena* tArena = nullptr;
thread_local _Dtile* tActiveHint = nullptr;
thread_local uint32_t tTouchedPlanes = 0;
constexpr size_t kProgressChunk = 65536;  // bytes of progress text kept back

// Failed allocation ends the program, as every caller relies on a tile.
[[noreturn]] void outOfMemory()
{
  GCmessage(kModule, 'F', "Can not create a tile");
  common::endProcess(1);
}

}  // namespace

// ---------------------------------------------------------------------------
// Allocators.
// ---------------------------------------------------------------------------
TileArena::~TileArena() { releaseAll(); }

namespace {

constexpr size_t kHugePage = size_t{2} << 20;     // bytes
constexpr uint32_t kChunkTiles = uint32_t{1} << 17;  // tiles of a chunk of the range
constexpr size_t kChunkBytes = size_t{kChunkTiles} * kTileBytes;

// The range of addresses every tile lives in.  It is reserved without
// memory, and chunks of it are made usable as the arenas need them; a
// chunk given back keeps no memory and reads as zero when taken again.
// Slot 0 (the null stitch) lies in a first chunk that is never handed out.
class TileRange {
 public:
  uint32_t takeChunk()
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!tileBase)
      reserve();
    uint32_t first;
    if (!free_.empty()) {
      first = free_.back();
      free_.pop_back();
    } else {
      if (next_ + kChunkTiles > slots_)
        outOfMemory();
      first = static_cast<uint32_t>(next_);
      next_ += kChunkTiles;
      if (mprotect(tileBase + size_t{first} * kTileBytes, kChunkBytes, PROT_READ | PROT_WRITE))
        outOfMemory();
    }
    return first;
  }

  void giveChunk(uint32_t first)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    madvise(tileBase + size_t{first} * kTileBytes, kChunkBytes, MADV_DONTNEED);
    free_.push_back(first);
  }

 private:
  // Reserves as large a range as the system grants, up to 2^32 slots.
  void reserve()
  {
    for (size_t slots = size_t{1} << 32; slots >= 4 * size_t{kChunkTiles}; slots /= 2) {
      size_t bytes = slots * kTileBytes + kHugePage;
      void* mapped = mmap(nullptr, bytes, PROT_NONE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
      if (mapped == MAP_FAILED)
        continue;
      char* base = reinterpret_cast<char*>(
          (reinterpret_cast<uintptr_t>(mapped) + kHugePage - 1) & ~(kHugePage - 1));
#ifdef MADV_HUGEPAGE
      madvise(base, slots * kTileBytes, MADV_HUGEPAGE);
#endif
      tileBase = base;
      slots_ = slots;
      next_ = kChunkTiles;
      return;
    }
    outOfMemory();
  }

  std::mutex mutex_;
  size_t slots_ = 0;  // slots reserved
  size_t next_ = 0;   // first slot never handed out
  std::vector<uint32_t> free_;
};

TileRange& tileRange()
{
  static TileRange* range = new TileRange();  // lives as long as the program
  return *range;
}

// A side table: blocks of records, found by index; a block never moves.
constexpr uint32_t kSideBlock = uint32_t{1} << kSideBlockBits;
constexpr size_t kSideBlocks = (size_t{1} << 32) >> kSideBlockBits;

template <class Record>
class SideTable {
 public:
  explicit SideTable(Record** blocks) : blocks_(blocks) {}

  uint32_t make()
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!free_.empty()) {
      uint32_t i = free_.back();
      free_.pop_back();
      return i;
    }
    uint32_t i = next_;
    if (i == 0)
      outOfMemory();  // every index is in use
    Record*& block = blocks_[i >> kSideBlockBits];
    if (!block) {
      block = static_cast<Record*>(calloc(kSideBlock, sizeof(Record)));
      if (!block)
        outOfMemory();
      ++blockCount_;
    }
    ++next_;
    return i;
  }
  void drop(uint32_t i)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    blocks_[i >> kSideBlockBits][i & (kSideBlock - 1)] = Record{};
    free_.push_back(i);
  }
  void dropAll()
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t b = 0; b < kSideBlocks; ++b) {
      free(blocks_[b]);
      blocks_[b] = nullptr;
    }
    next_ = 1;
    free_.clear();
    free_.shrink_to_fit();
    blockCount_ = 0;
  }
  long long bytes()
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return blockCount_ * static_cast<long long>(kSideBlock * sizeof(Record));
  }
  long long records()
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<long long>(next_ - 1) - static_cast<long long>(free_.size());
  }

 private:
  Record** blocks_;
  std::mutex mutex_;
  uint32_t next_ = 1;  // index 0 is "no record"
  std::vector<uint32_t> free_;
  long long blockCount_ = 0;
};

}  // namespace

char* tileBase = nullptr;
TileSide* sideBlocks[kSideBlocks];
TileRare* rareBlocks[kSideBlocks];

namespace {

SideTable<TileSide>& sides()
{
  static SideTable<TileSide>* table = new SideTable<TileSide>(sideBlocks);
  return *table;
}

SideTable<TileRare>& rares()
{
  static SideTable<TileRare>* table = new SideTable<TileRare>(rareBlocks);
  return *table;
}

}  // namespace

uint32_t makeSide() { return sides().make(); }
uint32_t makeRare() { return rares().make(); }

void dropSide(uint32_t i)
{
  if (const uint32_t rare = sideAt(i)->rare)
    rares().drop(rare);
  sides().drop(i);
}

// Every side record is gone (the planes are released).
void dropAllSides()
{
  sides().dropAll();
  rares().dropAll();
}

long long sideBytes() { return sides().bytes() + rares().bytes(); }

long long sideRecords() { return sides().records(); }

_Dtile* TileArena::take()
{
  if (!free_.empty()) {
    _Dtile* tile = free_.back();
    free_.pop_back();
    CS_UNPOISON(tile, sizeof(_Dtile));
    memset(static_cast<void*>(tile), 0, sizeof(_Dtile));
    return tile;
  }
  if (chunks_.empty() || used_ == kChunkTiles) {
    uint32_t first = tileRange().takeChunk();
    chunks_.push_back(first);
    CS_POISON(tileAt(first), kChunkBytes);
    used_ = 0;
  }
  _Dtile* tile = tileAt(chunks_.back() + static_cast<uint32_t>(used_++));  // still zero
  CS_UNPOISON(tile, sizeof(_Dtile));
  return tile;
}

void TileArena::give(_Dtile* tile)
{
  if (!tile)
    return;
  tile->dropSide();
  free_.push_back(tile);
  CS_POISON(tile, sizeof(_Dtile));
}

void TileArena::releaseAll()
{
  for (uint32_t first : chunks_) {
    CS_UNPOISON(tileAt(first), kChunkBytes);
    tileRange().giveChunk(first);
  }
  chunks_.clear();
  free_.clear();
  free_.shrink_to_fit();
  used_ = 0;
}

long long TileArena::bytes() const
{
  return static_cast<long long>(chunks_.size()) * static_cast<long long>(kChunkBytes);
}

NodePool::~NodePool()
{
  for (_Dtilelist* block : blocks_)
    free(block);
}

_Dtilelist* NodePool::take()
{
  if (CS_LOOSE_NODES) {
    _Dtilelist* node = new (std::nothrow) _Dtilelist();
    if (!node)
      outOfMemory();
    ++loose_;
    return node;
  }
  if (!free_) {
    auto* block = static_cast<_Dtilelist*>(malloc(kBlockNodes * sizeof(_Dtilelist)));
    if (!block)
      outOfMemory();
    blocks_.push_back(block);
    for (size_t i = 0; i < kBlockNodes; ++i)
      block[i].next = i + 1 < kBlockNodes ? &block[i + 1] : nullptr;
    free_ = block;
  }
  _Dtilelist* node = free_;
  free_ = node->next;
  node->tile = nullptr;
  node->next = nullptr;
  return node;
}

void NodePool::give(_Dtilelist* node)
{
  if (CS_LOOSE_NODES) {
    delete node;
    --loose_;
    return;
  }
  node->tile = nullptr;
  node->next = free_;
  free_ = node;
}

long long NodePool::bytes() const
{
  return (static_cast<long long>(blocks_.size()) * kBlockNodes + loose_) *
         static_cast<long long>(sizeof(_Dtilelist));
}

// ---------------------------------------------------------------------------
// State, hooks, progress text and the internal fatal error.
// ---------------------------------------------------------------------------
Hooks& hooks()
{
  static Hooks installed;
  return installed;
}

State& state()
{
  static State* current = new State();  // lives as long as the program
  return *current;
}

void setExtractionReset(Hook reset) { hooks().extractionReset = reset; }
void setNetTilesRelease(Hook release) { hooks().netTilesRelease = release; }
void setFaultRecordRelease(RecordRelease shortFault, RecordRelease openFault)
{
  hooks().shortRelease = shortFault;
  hooks().openRelease = openFault;
}
void setNameDisplay(ViewHook transistors, ViewHook nets)
{
  hooks().tranNames = transistors;
  hooks().netNames = nets;
}

_Dtile*& activeHint() { return tActiveHint; }

uint32_t& touchedPlanes() { return tTouchedPlanes; }

TileArena& currentArena() { return tArena ? *tArena : state().tiles; }

FillScope::FillScope(TileArena* tiles)
{
  tArena = tiles;
  useWalkPool(&walks_);
}

FillScope::~FillScope()
{
  tArena = nullptr;
  useWalkPool(nullptr);
}

bool quietCounting() { return tArena != nullptr; }

long long memoryInUse()
{
  return state().tiles.bytes() + state().helperTiles.bytes() + state().nodes.bytes() +
         sideBytes();
}

long long sideRecordsInUse() { return sideRecords(); }

void progressf(const char* format, ...)
{
  char text[256];
  va_list args;
  va_start(args, format);
  int n = vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n <= 0)
    return;
  std::string& progress = state().progress;
  progress.append(text, static_cast<size_t>(n) < sizeof text ? n : sizeof text - 1);
  if (progress.size() >= kProgressChunk)
    flushProgress();
}

void progressCount(int n)
{
  // "\b" eight times and "%8d", without the formatting machinery: a large
  // plane writes one for every tile.
  char digits[16];
  std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, n);
  size_t length = static_cast<size_t>(r.ptr - digits);
  std::string& progress = state().progress;
  progress.append(8, '\b');
  if (length < 8)
    progress.append(8 - length, ' ');
  progress.append(digits, length);
  if (progress.size() >= kProgressChunk)
    flushProgress();
}

void flushProgress()
{
  std::string& progress = state().progress;
  if (progress.empty())
    return;
  common::errf("%s", progress.c_str());
  progress.clear();
}

void corrupt(const _Dtile* t)
{
  flushProgress();
  if (t)
    common::errf("Fatal: CS error Tile: %d %d %d %d %d\n", t->type, t->x1, t->y1, right(t),
                 top(t));
  else
    common::errf("Fatal: CS error Tile: no current tile\n");
  common::endProcess(1);
}

}  // namespace cs

// ---------------------------------------------------------------------------
// Construction and release.
// ---------------------------------------------------------------------------
_Dtile* NewTile() { return cs::currentArena().take(); }

void FrameMake(int x1, int y1, int /*x2*/, int /*y2*/, _Dtile* tile)
{
  tile->x1 = x1;
  tile->y1 = y1;
}

/*
 * Init1LayerCS --
 *   Makes an empty plane: one space tile over the usable area inside eight
 *   frame tiles (see the drawing in CS.h).
 * Returns: the center tile.
 */
_Dtile* Init1LayerCS()
{
  using cs::kHigh;
  using cs::kLow;
  using cs::kMax;
  using cs::kMin;
  _Dtile* center = NewTile();
  _Dtile* left = NewTile();
  _Dtile* right = NewTile();
  _Dtile* top = NewTile();
  _Dtile* bottom = NewTile();
  _Dtile* topLeft = NewTile();
  _Dtile* topRight = NewTile();
  _Dtile* bottomLeft = NewTile();
  _Dtile* bottomRight = NewTile();

  FrameMake(kMin, kMin, kMax, kMax, center);
  FrameMake(kLow, kMin, kMin, kMax, left);
  FrameMake(kMax, kMin, kHigh, kMax, right);
  FrameMake(kMin, kMax, kMax, kHigh, top);
  FrameMake(kMin, kLow, kMax, kMin, bottom);
  FrameMake(kLow, kMax, kMin, kHigh, topLeft);
  FrameMake(kMax, kMax, kHigh, kHigh, topRight);
  FrameMake(kLow, kLow, kMin, kMin, bottomLeft);
  FrameMake(kMax, kLow, kHigh, kMin, bottomRight);

  center->type = cs::kSpace;
  for (_Dtile* frame : {left, right, top, bottom, topLeft, topRight, bottomLeft, bottomRight})
    frame->type = cs::kFrame;

  //                 rt        tr        lb           bl
  auto stitch = [](_Dtile* t, _Dtile* a, _Dtile* b, _Dtile* c, _Dtile* d) {
    t->set_rt(a);
    t->set_tr(b);
    t->set_lb(c);
    t->set_bl(d);
  };
  stitch(center, top, right, bottom, left);
  stitch(left, topLeft, center, bottomLeft, nullptr);
  stitch(right, topRight, nullptr, bottomRight, center);
  stitch(top, nullptr, topRight, center, topLeft);
  stitch(bottom, center, bottomRight, nullptr, bottomLeft);
  stitch(topLeft, nullptr, top, left, nullptr);
  stitch(topRight, nullptr, nullptr, right, top);
  stitch(bottomLeft, left, bottom, nullptr, nullptr);
  stitch(bottomRight, right, nullptr, nullptr, bottom);
  return center;
}

void InitStitch()
{
  Stitch = nullptr;
  CurrentStitch = nullptr;
  DlayerNum = 0;
  CLayer = nullptr;
  cs::State& s = cs::state();
  s.abandoned.clear();
  cs::activeHint() = nullptr;
  s.progress.clear();
  cs::installPlaneDisplay();
}

void FreeTile(_Dtile* tile) { cs::currentArena().give(tile); }

void FreeList(_Dtilelist* list)
{
  cs::NodePool& nodes = cs::state().nodes;
  while (list) {
    _Dtilelist* next = list->next;
    nodes.give(list);
    list = next;
  }
}

// Releases, for every node, the record in the tile's upper slot, the tile
// and the node.
static void freeWithRecords(_Dtilelist* list, cs::RecordRelease release)
{
  cs::NodePool& nodes = cs::state().nodes;
  while (list) {
    _Dtilelist* next = list->next;
    if (_Dtile* tile = list->tile) {
      if (release && tile->upper())
        release(tile->upper());
      tile->set_upper(nullptr);
      FreeTile(tile);
    }
    nodes.give(list);
    list = next;
  }
}

void FreeList2(_Dtilelist* list) { freeWithRecords(list, cs::hooks().shortRelease); }
void FreeList3(_Dtilelist* list) { freeWithRecords(list, cs::hooks().openRelease); }

int TileDeletion(_Dtile* /*tile*/) { return 0; }

_Dtilelist* TileToList(_Dtilelist* list, _Dtile* tile)
{
  _Dtilelist* node = cs::state().nodes.take();
  node->tile = tile;
  node->next = list;
  return node;
}

// ---------------------------------------------------------------------------
// Predicates.
// ---------------------------------------------------------------------------

int TisTaged(const _Dtile* t, int tag)
{
  if (t->type == cs::kSpace)
    return 1;
  if (t->node > 0 && tag > 0 && t->node != tag)
    GCmessage(cs::kModule, 'E', "Net extraction error");
  return t->node == tag;
}

int TisType(const _Dtile* t, int type)
{
  return t->type == type || t->type == (type & 0xFF) || type == (t->type & 0xFF);
}

int TsameType(const _Dtile* a, const _Dtile* b) { return TisType(a, b->type); }

int TisInfinit(const _Dtile* t)
{
  auto far = [](long v) { return (v < 0 ? -v : v) > cs::kLimit; };
  return far(t->x1) || far(t->y1) || far(cs::right(t)) || far(cs::top(t));
}

int RightEdgeInArea(const _Dtile* t, const _box* box)
{
  int r = cs::right(t);
  return box->x1 <= r && r < box->x2;
}
int BelowToArea(const _Dtile* t, const _box* box) { return cs::top(t) <= box->y1; }
int LeftToArea(const _Dtile* t, const _box* box) { return cs::right(t) <= box->x1; }

int Horizon(const _points* a, const _points* b) { return a->y == b->y; }
int Vertical(const _points* a, const _points* b) { return a->x == b->x; }
int Left(const _points* a, const _points* b) { return a->x < b->x; }
int Right(const _points* a, const _points* b) { return a->x > b->x; }
int Upper(const _points* a, const _points* b) { return a->y > b->y; }
int Lower(const _points* a, const _points* b) { return a->y < b->y; }
