// DCint.h -- internals of the tile planes, shared by the files of src/cs
// only: the tile and list-node allocators, the subsystem's state, the
// split and join steps of insertion and the iterative area walk.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "CS.h"

namespace cs {

// ---------------------------------------------------------------------------
// Allocation.
//
// Tiles come from chunks of the tile range owned by the plane set: a
// released tile goes back to a free list, and GCfreeCS returns every chunk
// at once, so the frame tiles and the dropped tiles of emptied companion
// planes are reclaimed too, and so are the side records.  Tile-list nodes live longer than the planes (net and highlight lists
// hold them), so they have their own pool that keeps its blocks.  Under
// AddressSanitizer released tiles are poisoned and nodes come one by one
// from the heap, so stale uses are caught.
// ---------------------------------------------------------------------------
class TileArena {
 public:
  TileArena() = default;
  ~TileArena();
  TileArena(const TileArena&) = delete;
  TileArena& operator=(const TileArena&) = delete;

  _Dtile* take();            // zero-filled
  void give(_Dtile* tile);
  void releaseAll();         // every tile ever taken is gone
  long long bytes() const;   // held from the system

 private:
  std::vector<uint32_t> chunks_;  // first slots of the chunks of the tile range
  size_t used_ = 0;               // tiles handed out of the last chunk
  std::vector<_Dtile*> free_;
};

// The side records of the tiles: all are gone (the planes are released);
// the bytes the table holds; the records in use.
void dropAllSides();
long long sideBytes();
long long sideRecords();

class NodePool {
 public:
  NodePool() = default;
  ~NodePool();
  NodePool(const NodePool&) = delete;
  NodePool& operator=(const NodePool&) = delete;

  _Dtilelist* take();  // zero-filled
  void give(_Dtilelist* node);
  long long bytes() const;

 private:
  static constexpr size_t kBlockNodes = 8192;  // nodes per block
  std::vector<_Dtilelist*> blocks_;
  _Dtilelist* free_ = nullptr;
  long long loose_ = 0;  // nodes taken one by one (sanitizer builds)
};

// ---------------------------------------------------------------------------
// Start tiles for the searches of plane building.
//
// A point search that has to cross a tall space tile sideways walks along
// that tile's whole edge, which in a large plane is long; the insertion
// order of the layout decides how often that happens.  While DCcrtCS runs,
// every plane keeps a grid over the bounding box of its rectangles that
// remembers the material tiles created in each cell, and each search starts
// where a short walk from one of the remembered tiles around its point
// arrives.  Material tiles of a layer plane are never released (insertion
// joins only space), so what the grid holds stays valid; a tile may have
// been cut since, which only makes it farther.  A walk that crosses a tall
// tile needs many steps, so a few steps tell a good start from a bad one.
// ---------------------------------------------------------------------------
constexpr int kShortWalk = 8;  // steps tried from a remembered tile
constexpr int kHintWalk = 8;   // steps tried from the previous search's tile

class PlaneIndex {
 public:
  // A grid of about `cells` cells over (x1, y1)-(x2, y2).
  PlaneIndex(long long x1, long long y1, long long x2, long long y2, long cells);
  void note(_Dtile* tile);
  // The tile holding (x, y), reached in a few steps from a remembered tile
  // of its cell or of the rings of cells around it, nearest first (those
  // left of the point after all others); null when none gets there, with
  // the nearest remembered tile in *closest (left alone when the rings
  // hold none).
  _Dtile* near(int x, int y, _Dtile** closest) const;

 private:
  static constexpr int kRings = 4;   // rings of cells looked at around the point
  static constexpr int kSeeks = 16;  // remembered tiles tried at most
  int cellOf(long long v, long long origin, int count) const;
  struct Entry {
    _Dtile* tile;
    int32_t next;  // next entry of the same cell, or -1
  };
  long long x0_ = 0, y0_ = 0;  // lower-left corner of the grid
  long long cell_ = 1;         // side of a cell
  int nx_ = 0, ny_ = 0;        // cells across and up
  std::vector<int32_t> first_;  // first entry of each cell, or -1
  std::vector<Entry> entries_;
};

// Walks from `from` toward (x, y) as PointFind does, at most `limit` steps.
// Returns: the tile holding the point, or null (Stitch is not moved).
_Dtile* seek(_Dtile* from, int x, int y, int limit);

// Makes the grid of plane-table entry `plane` for its rectangles, while
// DCcrtCS runs.
void startIndex(int plane, const _rects* rects);
// Notes a material tile created in plane-table entry `plane`.
void noteCreated(int plane, _Dtile* tile);
// Start tile for a search at (x, y) in plane-table entry `plane`: the tile
// holding the point when a short walk from `hint` or from a remembered tile
// gets there, else `hint`.
_Dtile* startNear(int plane, _Dtile* hint, int x, int y);
// Plane-table entry whose plane has the entry tile `entry`, or -1.
int planeOfEntry(const _Dtile* entry);
// Forgets the grids and makes no more.
void dropIndexes();

// ---------------------------------------------------------------------------
// State of the subsystem besides its specified globals.
// ---------------------------------------------------------------------------
struct Hooks {  // installed once by the layers above; never reset
  Hook extractionReset = nullptr;
  Hook netTilesRelease = nullptr;
  RecordRelease shortRelease = nullptr;
  RecordRelease openRelease = nullptr;
  ViewHook tranNames = nullptr;
  ViewHook netNames = nullptr;
};

struct State {
  TileArena tiles;
  TileArena helperTiles;  // tiles made by the helper thread of a build
  NodePool nodes;
  // Entry tiles of planes abandoned by a rebuild without release; their
  // contact links are released with the tiles.
  std::vector<_Dtile*> abandoned;
  // Progress text for standard error, written in large pieces.
  std::string progress;
  // Contact warnings already printed in this run.
  bool contactWarned[6] = {};
  // CPU clock at the start of the last build.
  std::clock_t buildStarted = 0;
  // Grids of the planes, while DCcrtCS runs.
  bool indexing = false;
  std::unique_ptr<PlaneIndex> indexes[kMaxPlanes];
};

Hooks& hooks();
State& state();

// Where the next search in plane 0 starts while gate boxes are inserted; one
// per thread.
_Dtile*& activeHint();

// Plane-table entries whose entry tiles the current insertions may release
// (a bit per entry); 0: any entry.  One per thread.
uint32_t& touchedPlanes();

// Appends to the progress text of standard error; flushProgress writes it.
void progressf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Appends the tile counter of plane building: progressf("\b...\b%8d", n).
void progressCount(int n);
void flushProgress();

// Releases every plane: the contact links of the layer planes, then all
// tiles at once.  The plane records keep their names; their tile pointers
// are cleared, and so are Stitch, CurrentStitch and CLayer.
void releasePlanes();

// Makes the main view draw the planes in working mode 9 (TileDisplay).
void installPlaneDisplay();

// Ends the program after an inconsistency of the stitches (internal fault).
[[noreturn]] void corrupt(const _Dtile* t);

// ---------------------------------------------------------------------------
// Steps of insertion and splitting.  Each leaves the plane consistent; the
// new tile copies the type and the plane record of the old one.
// ---------------------------------------------------------------------------
_Dtile* splitRight(_Dtile* t, int x);  // new tile: the part right of x
_Dtile* splitAbove(_Dtile* t, int y);  // new tile: the part above y
_Dtile* splitBelow(_Dtile* t, int y);  // new tile: the part below y
// `right` takes over its left neighbour `left` (same bottom and top), which
// is released.
void absorbLeft(_Dtile* right, _Dtile* left);
// Points everything that knew `dead` (plane entries, the current tiles, the
// search hints) at `survivor`.
void forgetTile(const _Dtile* dead, _Dtile* survivor);

// ---------------------------------------------------------------------------
// The area walk of AreaEnum without recursion.
//
// Calls visit(tile) for the tiles of the current plane (from Stitch) whose
// interior meets (x1, y1)-(x2, y2), in AreaEnum's order: the bottom row from
// right to left, then depth first upward, each tile's top neighbours from
// left to right.  With `innerOnly`, tiles above the bottom row are visited
// only when they lie entirely inside the rectangle (the walk goes on through
// them either way).  visit returns true to stop the walk.  The callback may
// change the tiles' fields but not the plane; the walk reads a tile's top
// neighbours before it visits them.
// Returns: true when visit stopped the walk.
// Side effects: Stitch is left at the tile holding (x2, y1).
// ---------------------------------------------------------------------------
struct WalkFrame {  // children of one tile: WalkScratch::children[begin, end)
  size_t begin;
  size_t next;
  size_t end;
};
struct WalkScratch {
  std::vector<_Dtile*> row;
  std::vector<_Dtile*> children;
  std::vector<WalkFrame> frames;
};

// Scratch of the area walks by nesting depth.
struct WalkPool {
  std::vector<std::unique_ptr<WalkScratch>> byDepth;
  size_t depth = 0;
};

// Lets the calling thread fill planes while another thread fills others:
// its tiles come from `tiles`, its area walks use scratch of their own, and
// its insertions leave the per-tile progress text to whoever writes the
// progress later in order (the plane records still count the tiles).  The
// thread's current tile, plane under construction and search hint are its
// own anyway.
class FillScope {
 public:
  explicit FillScope(TileArena* tiles);
  ~FillScope();
  FillScope(const FillScope&) = delete;
  FillScope& operator=(const FillScope&) = delete;

 private:
  WalkPool walks_;
};

// True on a thread inside a FillScope.
bool quietCounting();
// The arena NewTile and FreeTile use on this thread.
TileArena& currentArena();
// Makes the area walks of this thread use `pool` (null: the shared one).
WalkPool* useWalkPool(WalkPool* pool);  // returns the one it replaces

// False while DCcrtCS fills on the calling thread alone: the contacts'
// searches keep to it too.
bool searchOnTwoThreads();

// Scratch vectors for one walk; walks may nest.
class WalkLease {
 public:
  WalkLease();
  ~WalkLease();
  WalkLease(const WalkLease&) = delete;
  WalkLease& operator=(const WalkLease&) = delete;
  WalkScratch& operator*() { return *scratch_; }

 private:
  WalkScratch* scratch_;
};

inline bool insideArea(const _Dtile* t, int x1, int y1, int x2, int y2)
{
  return t->x1 >= x1 && right(t) <= x2 && t->y1 >= y1 && top(t) <= y2;
}

template <class Visit>
bool walkArea(int x1, int y1, int x2, int y2, bool innerOnly, Visit&& visit)
{
  WalkLease lease;
  WalkScratch& s = *lease;

  // Bottom row, right to left, along y1; visited as it is found.
  _Dtile* t = PointFind(x2, y1);
  for (;;) {
    s.row.push_back(t);
    if (visit(t))
      return true;
    _Dtile* n = t->bl();
    if (!n || right(n) <= x1)
      break;
    while (top(n) <= y1)
      n = n->rt();
    t = n;
  }

  // Pushes the top neighbours of `below` that it owns in the walk, left to
  // right: those starting over it, and the one reaching left of the area
  // when `below` starts at or left of x1.
  auto pushChildren = [&](const _Dtile* below) {
    if (top(below) >= y2)
      return;
    size_t begin = s.children.size();
    int stop = below->x1 > x1 ? below->x1 : x1;
    for (_Dtile* n = below->rt(); n && right(n) > stop; n = n->bl()) {
      if (n->x1 >= x2)
        continue;
      if (n->x1 >= below->x1 || (n->x1 < x1 && below->x1 <= x1))
        s.children.push_back(n);
    }
    if (s.children.size() == begin)
      return;
    std::reverse(s.children.begin() + begin, s.children.end());
    s.frames.push_back({begin, begin, s.children.size()});
  };

  for (_Dtile* r : s.row) {
    pushChildren(r);
    while (!s.frames.empty()) {
      WalkFrame& f = s.frames.back();
      if (f.next == f.end) {
        s.children.resize(f.begin);
        s.frames.pop_back();
        continue;
      }
      _Dtile* n = s.children[f.next++];
      if ((!innerOnly || insideArea(n, x1, y1, x2, y2)) && visit(n))
        return true;
      pushChildren(n);
    }
  }
  return false;
}

// The first tile of the walk that is not space, or null.
_Dtile* firstSolid(int x1, int y1, int x2, int y2);

}  // namespace cs
