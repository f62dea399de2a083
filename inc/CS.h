// CS.h -- corner-stitched tile planes (src/cs).
//
// Everything other subsystems may use of the tile planes: the tile, tile
// list and plane records, the plane table, the current-tile globals, the
// primitives (point search, insertion, splitting, neighbour walks, area
// enumeration), the building of the planes from the flattened layout, the
// inspection commands and the consistency checks.
//
// A tile and its four corner stitches:
//
//                       rt
//                       v
//            +-----------+ <- tr
//            |           |
//            |   tile    |
//            |           |
//     bl ->  +-----------+
//            ^
//            lb
//
//   rt  right top:    the neighbour above, at the right end of the top edge
//   tr  top right:    the neighbour to the right, at the top end of the right edge
//   lb  left bottom:  the neighbour below, at the left end of the bottom edge
//   bl  bottom left:  the neighbour to the left, at the bottom end of the left edge
//
// Only the lower-left corner (x1, y1) is stored; the right edge is the x1
// of tr, the top edge the y1 of rt.
//
// Boundary convention: a tile covers the points (x, y) with
//
//     x1 < x <= right      and      y1 <= y < top
//
// so a point on a vertical boundary belongs to the tile on its left and a
// point on a horizontal boundary to the tile above.  Point search and every
// probe rely on it.
//
// An empty plane is one space tile over the usable area (MIN, MIN)-(MAX, MAX)
// inside eight frame tiles reaching to LO and HI:
//
//      (LO,MAX) +--------+--------------------+--------+
//               |top-lft |        top         |top-rgt |
//      (LO,MIN) +--------+--------------------+--------+ (MAX,MAX)
//               |        |                    |        |
//               |  left  |      center        | right  |
//               |        |      (space)       |        |
//       (LO,LO) +--------+--------------------+--------+ (MAX,MIN)
//               |bot-lft |       bottom       |bot-rgt |
//               +--------+--------------------+--------+ (MAX,LO)
//
// Layout geometry must lie strictly inside the usable area.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Dlayout.h"

struct _Dtile;
struct _Dtilelist;
struct _DlayerTile;
struct _Dtransistor;
struct _Gviewport;

// ---------------------------------------------------------------------------
// Records.
// ---------------------------------------------------------------------------
namespace cs {

// Tiles live in one reserved range of addresses, so a stitch is the 32-bit
// slot number of its tile there (0: none).  The range is reserved on first
// use and never moves.
extern char* tileBase;
constexpr size_t kTileBytes = 40;  // sizeof(_Dtile)
inline _Dtile* tileAt(uint32_t slot)
{
  return slot ? reinterpret_cast<_Dtile*>(tileBase + size_t{slot} * kTileBytes) : nullptr;
}
inline uint32_t slotOf(const _Dtile* t)
{
  return t ? static_cast<uint32_t>(static_cast<size_t>(reinterpret_cast<const char*>(t) -
                                                       tileBase) / kTileBytes)
           : 0;
}

// The fields that few tiles use, in records of their own made when one of
// them is first set to something other than zero.  Until then they read as
// zero.  The contact links (and a gate's transistor) are what most such
// tiles hold: they have the small record, which points to the record of the
// rarer fields when one of those is set.
struct TileSide {
  _Dtilelist* lower;
  _Dtilelist* upper;
  uint32_t rare;  // TileRare record, or 0
};
struct TileRare {
  _Dtransistor* next;
  void* passiveDev;
  void* resize_cell;
  void* resize_cell_LR;
  void* resize_cell_TB;
  uint16_t tran_sharing;
  int16_t substrate_flag;
};
constexpr int kSideBlockBits = 14;  // records per block of a side table: 2^14
extern TileSide* sideBlocks[];      // blocks of the side table
extern TileRare* rareBlocks[];      // blocks of the table of rarer fields
inline TileSide* sideAt(uint32_t i)
{
  return sideBlocks[i >> kSideBlockBits] + (i & ((1u << kSideBlockBits) - 1));
}
inline TileRare* rareAt(uint32_t i)
{
  return rareBlocks[i >> kSideBlockBits] + (i & ((1u << kSideBlockBits) - 1));
}
uint32_t makeSide();           // a zero record; never 0
void dropSide(uint32_t side);  // the record, and its rarer one, are gone
uint32_t makeRare();           // a zero record of the rarer fields; never 0

}  // namespace cs

struct _Dtile {
  int32_t x1;                  // left edge
  int32_t y1;                  // bottom edge
  uint16_t type;               // 31 space, 30 frame, layer number, or L | 0xFF00
  int16_t processed;           // scratch mark of later passes
  int32_t node;                // net tag: 0 none, > 0 net, < 0 temporary

  // The other fields are read and written through accessors named for them.
  _Dtile* rt() const { return cs::tileAt(rt_); }  // right top
  _Dtile* tr() const { return cs::tileAt(tr_); }  // top right
  _Dtile* lb() const { return cs::tileAt(lb_); }  // left bottom
  _Dtile* bl() const { return cs::tileAt(bl_); }  // bottom left
  void set_rt(const _Dtile* t) { rt_ = cs::slotOf(t); }
  void set_tr(const _Dtile* t) { tr_ = cs::slotOf(t); }
  void set_lb(const _Dtile* t) { lb_ = cs::slotOf(t); }
  void set_bl(const _Dtile* t) { bl_ = cs::slotOf(t); }

  _DlayerTile* layer() const;  // plane record the tile was made for
  void set_layer(_DlayerTile* plane);
  int16_t activeDev() const { return activeDev_; }  // role in a transistor
  void set_activeDev(int16_t v) { activeDev_ = v; }

  // In the side record.
  // Contact links below; the owning transistor on gate tiles.
  _Dtilelist* lower() const { return side_ ? cs::sideAt(side_)->lower : nullptr; }
  // Contact links above; the fault record on critical-area planes.
  _Dtilelist* upper() const { return side_ ? cs::sideAt(side_)->upper : nullptr; }
  // Input/output pin record.
  _Dtransistor* next() const { return rare() ? rare()->next : nullptr; }
  // Passive device owning the tile.
  void* passiveDev() const { return rare() ? rare()->passiveDev : nullptr; }
  // Squeeze cells.
  void* resize_cell() const { return rare() ? rare()->resize_cell : nullptr; }
  void* resize_cell_LR() const { return rare() ? rare()->resize_cell_LR : nullptr; }
  void* resize_cell_TB() const { return rare() ? rare()->resize_cell_TB : nullptr; }
  // Transistor-sharing counter.
  uint16_t tran_sharing() const { return rare() ? rare()->tran_sharing : 0; }
  // Substrate marker.
  int16_t substrate_flag() const { return rare() ? rare()->substrate_flag : 0; }
  void set_lower(_Dtilelist* v) { if (side_ || v) side()->lower = v; }
  void set_upper(_Dtilelist* v) { if (side_ || v) side()->upper = v; }
  void set_next(_Dtransistor* v) { if (rare() || v) rareRecord()->next = v; }
  void set_passiveDev(void* v) { if (rare() || v) rareRecord()->passiveDev = v; }
  void set_resize_cell(void* v) { if (rare() || v) rareRecord()->resize_cell = v; }
  void set_resize_cell_LR(void* v) { if (rare() || v) rareRecord()->resize_cell_LR = v; }
  void set_resize_cell_TB(void* v) { if (rare() || v) rareRecord()->resize_cell_TB = v; }
  void set_tran_sharing(uint16_t v) { if (rare() || v) rareRecord()->tran_sharing = v; }
  void set_substrate_flag(int16_t v) { if (rare() || v) rareRecord()->substrate_flag = v; }

  // Whether the tile has its side record; releases it (the tile is freed).
  bool hasSide() const { return side_ != 0; }
  void dropSide()
  {
    if (side_)
      cs::dropSide(side_);
    side_ = 0;
  }

 private:
  cs::TileSide* side()
  {
    if (!side_)
      side_ = cs::makeSide();
    return cs::sideAt(side_);
  }
  cs::TileRare* rare() const
  {
    const uint32_t r = side_ ? cs::sideAt(side_)->rare : 0;
    return r ? cs::rareAt(r) : nullptr;
  }
  cs::TileRare* rareRecord()
  {
    cs::TileSide* s = side();
    if (!s->rare)
      s->rare = cs::makeRare();  // blocks never move: `s` stays valid
    return cs::rareAt(s->rare);
  }
  uint32_t rt_;
  uint32_t tr_;
  uint32_t lb_;
  uint32_t bl_;
  uint32_t side_;     // side record, or 0
  uint8_t layer_;     // plane-table entry + 1, or 0
  uint8_t unused_;
  int16_t activeDev_;
};
// A plane of a large layout holds millions of tiles: the record is kept at
// 40 bytes.  (No analysis uses a name or a drain/source/gate slot on the
// tile itself, so the record has none.)
static_assert(sizeof(_Dtile) == cs::kTileBytes, "a tile must stay small");

struct _Dtilelist {
  _Dtile* tile;
  _Dtilelist* next;
};

constexpr int kPlaneNameLength = 32;
constexpr int kMaxPlanes = 32;  // entries of DlayerTile

struct _DlayerTile {
  _box frame;                   // layout bounding box (entry 0 only)
  char name[kPlaneNameLength];  // technology layer name
  int16_t layer;                // its layer number: type of the solid tiles
  _Dtile* layertile;            // entry tile; null: no plane
  int32_t stilenum;             // tiles created
  int32_t btilenum;             // reserved
  _Dtile* crittile;             // entry tile of the critical-area companion
  _Dtile* bordertile;           // top frame tile of the companion
  _Dtilelist* highlight;        // entry 0: tiles highlighted by diagnostics
  _Dtilelist* selected;         // entry 0: tiles selected by net inspection
};

// ---------------------------------------------------------------------------
// Globals.
// ---------------------------------------------------------------------------
// Stitch and CLayer belong to the thread: plane building fills independent
// planes on two threads.  (__thread rather than thread_local: every search
// reads Stitch, and a thread_local defined elsewhere is read through a call
// that checks for an initialiser.)
extern __thread _Dtile* Stitch;  // current tile: every point search starts here
extern _Dtile* CurrentStitch;    // plane shown and inspected by the tile commands
extern __thread _DlayerTile* CLayer;  // plane under construction, or null
extern _DlayerTile DlayerTile[kMaxPlanes];
extern int DlayerNum;              // entries of DlayerTile in use

inline _DlayerTile* _Dtile::layer() const { return layer_ ? &DlayerTile[layer_ - 1] : nullptr; }
inline void _Dtile::set_layer(_DlayerTile* plane)
{
  layer_ = plane ? static_cast<uint8_t>(plane - DlayerTile + 1) : 0;
}

// Contact warnings of plane building: zero at program start, never reset.
extern int32_t lower_tilelist_number_error;
extern int32_t lower_tilelist_layer_error;
extern int32_t lower_contact_position_error;
extern int32_t upper_tilelist_number_error;
extern int32_t upper_tilelist_layer_error;
extern int32_t upper_contact_position_error;

// ---------------------------------------------------------------------------
// Tile kinds, plane limits and geometry accessors.
// ---------------------------------------------------------------------------
namespace cs {

constexpr uint16_t kSpace = 31;
constexpr uint16_t kFrame = 30;          // also a tile under construction
constexpr uint16_t kElement = 0xFF00;    // element tiles: layer | kElement
constexpr int kMin = -1073741823;        // usable area of a plane
constexpr int kMax = 1073741823;
constexpr int kLow = -1073741824;        // outer corners of the frame
constexpr int kHigh = 1073741824;
constexpr int kLimit = 1073741822;       // largest coordinate a layout may use

// Side codes of Neighbor and UpdateNeighbor.
constexpr int kAllSides = 0;
constexpr int kLeftSide = 1;
constexpr int kRightSide = 2;
constexpr int kTopSide = 6;
constexpr int kBottomSide = 7;

// Cut directions of TileSplit.
constexpr int kCutVertical = 8;
constexpr int kCutHorizontal = 9;

// Edges of a tile.  A frame tile without a right (top) neighbour reaches to
// kHigh.
inline int left(const _Dtile* t) { return t->x1; }
inline int bottom(const _Dtile* t) { return t->y1; }
inline int right(const _Dtile* t) { return t->tr() ? t->tr()->x1 : kHigh; }
inline int top(const _Dtile* t) { return t->rt() ? t->rt()->y1 : kHigh; }

// Stitches.
inline _Dtile* rt(const _Dtile* t) { return t->rt(); }
inline _Dtile* tr(const _Dtile* t) { return t->tr(); }
inline _Dtile* lb(const _Dtile* t) { return t->lb(); }
inline _Dtile* bl(const _Dtile* t) { return t->bl(); }

// ---------------------------------------------------------------------------
// Hooks for the subsystems above: each does nothing until installed.
// ---------------------------------------------------------------------------
using Hook = void (*)();
using RecordRelease = void (*)(void* record);

// Extraction's reset (DExInit), called by DCcrtCS before building.
void setExtractionReset(Hook reset);
// Release of extraction's pending net tile list, called by GCfreeCS.
void setNetTilesRelease(Hook release);
// Release of a short-fault (FreeList2) and an open-fault record (FreeList3).
void setFaultRecordRelease(RecordRelease shortFault, RecordRelease openFault);
// The drawing of the names of transistors and nets (DisplayTranNames,
// DisplayNetNames), installed by extraction.
using ViewHook = void (*)(_Gviewport* view);
void setNameDisplay(ViewHook transistors, ViewHook nets);

// ---------------------------------------------------------------------------
// Consistency checks for tests and debugging.
// ---------------------------------------------------------------------------

// Walks the whole plane of `entry` and verifies every stitch against the
// geometry, that the tiles cover the plane without gap or overlap, that the
// frame is intact, that no space tile has a space tile directly above or
// below it, and, when `solidArea` is not negative, that the solid tiles
// (neither space nor frame) cover exactly that area.
// Returns: true when all holds; otherwise false with the first fault in
//   *report.
bool checkPlane(const _Dtile* entry, std::string* report, long long solidArea = -1);

// Area of the union of a rectangle list (empty rectangles count nothing).
long long unionArea(const _rects* rects);

// Checks every plane of the table with checkPlane, comparing the solid area
// of each plane with the union of its layer's rectangles in Gflatten.
bool checkPlanes(std::string* report);

// Number of tiles of the plane of `entry`, frame excluded.
long countTiles(const _Dtile* entry);

// Bytes held by tiles, their side records and tile-list nodes taken from
// the system.
long long memoryInUse();
// Tiles that have a side record.
long long sideRecordsInUse();

// Glayers index of the technology layer of plane-table entry `plane`, or -1.
int layerIndexOfPlane(int plane);

// Forgets that the contact warnings were printed (tests).
void resetContactWarnings();

// Makes DCcrtCS fill the planes on the calling thread alone (tests compare
// the two ways).
void fillOnOneThread(bool one);

}  // namespace cs

// ---------------------------------------------------------------------------
// Construction and release.
// ---------------------------------------------------------------------------
_Dtile* NewTile();                 // zero-filled
_Dtile* Init1LayerCS();            // center tile of a new empty plane
void InitStitch();                 // clears Stitch, CurrentStitch, DlayerNum, CLayer
void FrameMake(int x1, int y1, int x2, int y2, _Dtile* tile);  // stores x1, y1 only
void FreeTile(_Dtile* tile);
void FreeList(_Dtilelist* list);   // the nodes only
void FreeList2(_Dtilelist* list);  // short-fault record, tile and node
void FreeList3(_Dtilelist* list);  // open-fault record, tile and node
int TileDeletion(_Dtile* tile);    // does nothing
int GCfreeCS();
void DCcleanPlane(int plane);      // empties the critical-area companion

// ---------------------------------------------------------------------------
// Search, insertion and neighbours.  Every search starts at Stitch, which
// selects the plane; the searches leave Stitch at the tile they found.
// ---------------------------------------------------------------------------
_Dtile* PointFind(int x, int y);

// Creates one tile covering exactly (x1, y1)-(x2, y2), which must lie in
// space or inside one tile.  The tile has type 30 until the caller sets it.
// Returns: 0, with the tile in *tile and in Stitch; 1 for an empty rectangle.
int TileCreation(int x1, int y1, int x2, int y2, _Dtile** tile);

namespace cs {
// What the tiles of a critical-area plane carry (a fault record in `upper`
// and a counted flag in `processed`) and how insertion treats it.
struct TileRecords {
  void (*copy)(const _Dtile* from, _Dtile* to);  // record and flag onto a split piece
  void (*release)(_Dtile* tile);                 // the record of a tile being freed
};
}  // namespace cs

// TileCreation on a critical-area plane: pieces split off a region tile
// (type 30) get a copy of its record, region remnants are never merged and
// an absorbed tile's record is released.
int TileCreationWith(int x1, int y1, int x2, int y2, _Dtile** tile,
                     const cs::TileRecords* records);

// Cuts `tile` at `point`: vertically (kCutVertical, new tile on the right)
// or horizontally (kCutHorizontal, new tile above).  The new tile keeps the
// old `node` when `keep` is 1, else gets -1.
// Returns: 0 with the new tile in *newtile; 1 when the cut is refused.
int TileSplit(_Dtile* tile, _point point, int direction, _Dtile** newtile, int keep);
void CSupdateCon(_Dtile* tile);
int CScheckOverlap(const _Dtile* a, const _Dtile* b);  // interiors overlap

// Prepends the neighbours along one side (kLeftSide, kRightSide, kTopSide,
// kBottomSide) onto *list, in reverse walking order.  With `onlyOwned` set
// only those whose stitch toward this side must point at the tile.
// Returns: the number of neighbours prepended.
int Neighbor(_Dtile* tile, _Dtilelist** list, int side, int onlyOwned);
void UpdateNeighbor(_Dtile* tile, int side);

// The tiles whose interior meets the rectangle, each once: the bottom row
// from right to left, then the rest depth first upward.  *list is replaced
// by a new list; with `clear` set every listed tile's `processed` is 0.
// Returns: the number of tiles.
int AreaEnum(int x1, int y1, int x2, int y2, _Dtilelist** list, int clear);
// The same walk, listing tiles above the bottom row only when they lie
// entirely inside the rectangle.
int ExAreaEnum(int x1, int y1, int x2, int y2, _Dtilelist** list, int clear);
int isTileInArea(const _Dtile* t, const _box* box);
int isInArea(const _Dtile* t, int x1, int y1, int x2, int y2);
void cleanUp(_Dtilelist** list, const _box* box);

_Dtilelist* TileToList(_Dtilelist* list, _Dtile* tile);  // prepends

// ---------------------------------------------------------------------------
// Predicates (0 or 1).
// ---------------------------------------------------------------------------
inline int TisSolid(const _Dtile* t) { return t->type != cs::kSpace; }
inline int TisElement(const _Dtile* t) { return t->type >= 256; }
inline int TisNoted(const _Dtile* t) { return t->node > 0; }
int TisTaged(const _Dtile* t, int tag);
int TsameType(const _Dtile* a, const _Dtile* b);
int TisType(const _Dtile* t, int type);
int TisInfinit(const _Dtile* t);
int RightEdgeInArea(const _Dtile* t, const _box* box);
int BelowToArea(const _Dtile* t, const _box* box);
int LeftToArea(const _Dtile* t, const _box* box);
int Horizon(const _points* a, const _points* b);
int Vertical(const _points* a, const _points* b);
int Left(const _points* a, const _points* b);
int Right(const _points* a, const _points* b);
int Upper(const _points* a, const _points* b);
int Lower(const _points* a, const _points* b);

// ---------------------------------------------------------------------------
// Plane lookups.
// ---------------------------------------------------------------------------
int DnoLayerCS(const char* name);            // 1 when no plane has that name
int DfindNumber(const char* name);           // Glayers index; missing abandons
_Dtile* NamedLayerTile(const char* name);    // entry tile, or null
_Dtile* LayerTile(int layerNumber);          // entry tile, or null

namespace cs {

/*
 * OtherLayerPlanes --
 *   For as long as it lives, a plane for every layer of the flattened
 *   layout that has rectangles but no plane of its own (wells, glass): a
 *   resize then sees the whole layout.  The planes come after the built
 *   ones and go again (DlayerNum back as it was) when the object does,
 *   unless planes were made after them; their tiles are reclaimed with the
 *   other planes.  Make it after the passive devices are stood in.
 */
class OtherLayerPlanes {
 public:
  OtherLayerPlanes();
  ~OtherLayerPlanes();
  OtherLayerPlanes(const OtherLayerPlanes&) = delete;
  OtherLayerPlanes& operator=(const OtherLayerPlanes&) = delete;
  int added() const { return added_; }

 private:
  int first_;
  int added_ = 0;
};

// The tiles of one plane that pass a filter, by cells of a grid over the
// layout frame, for repeated searches around tiles.  (An area walk of the
// plane follows the top edge of every wide space tile it meets across the
// whole row, so searches near such tiles cost the length of the row.)  The
// plane must not change while the grid is used.
class TileGrid {
 public:
  using Filter = int (*)(const _Dtile*);
  // Files the tiles of the plane of `entry` for which `keep` is non-zero.
  void build(_Dtile* entry, Filter keep);
  bool built() const { return built_; }
  // The filed tiles whose interior meets the rectangle, each once, into
  // *found (cleared first): bottom to top and left to right, or in no
  // particular order when `sorted` is false.
  void under(int x1, int y1, int x2, int y2, std::vector<_Dtile*>* found,
             bool sorted = true) const;
  // Every filed tile, in the order of an area walk of the whole plane.
  const std::vector<_Dtile*>& tiles() const { return kept_; }

 private:
  int column(long x) const;
  int row(long y) const;
  long x0_ = 0, y0_ = 0, w_ = 1, h_ = 1;
  int n_ = 1;
  bool built_ = false;
  std::vector<std::vector<_Dtile*>> cells_;
  std::vector<_Dtile*> kept_;
};

}  // namespace cs

// ---------------------------------------------------------------------------
// Building the planes from the flattened layout.
// ---------------------------------------------------------------------------
int DCcrtCS();
void CrtLayerCS(int plane, int mode);        // mode 0 boxes, 1 gate boxes
_Dtile* Put1BoxCS(const _rects* box, int type, int plane);
_Dtile* ElementCreation(const _rects* box, int type, _Dtile* gateTile, int plane);
_rects* BoxMinus(int ax1, int ay1, int ax2, int ay2, int bx1, int by1, int bx2, int by2,
                 _box** overlap);
void CrtContact(_Dtile* lowerPlaneTile, _Dtile* upperPlaneTile, int contactLayerNumber);
int GCactivateCS();

// ---------------------------------------------------------------------------
// Drawing and inspection.
// ---------------------------------------------------------------------------
void TestTile(const _Dtile* t, int colour);
void BoundTile(const _Dtile* t, int colour);
void FlagTile(const _Dtile* t, int colour);
void ListDisplay(_Gviewport* view, const _Dtilelist* list, int colour);
void TileDisplay(_Gviewport* view, int x1, int y1, int x2, int y2);
namespace cs {
// Marks the tiles of a list in colour-table entry `colour` so that what
// lies under them stays readable: a light hatch over each tile and an
// outline where the marked region ends (sides shared with a tile of the
// same material and net are left open).  The highlighted and selected
// nets are drawn this way.
void markTiles(_Gviewport* view, const _Dtilelist* list, int colour);
}  // namespace cs
void DisplayTranNames(_Gviewport* view);
void DisplayNetNames(_Gviewport* view);

int DCtile();
int DCupper();
int DClower();
int DCright();
int DCleft();
int DCneighbors();

int CheckAll();
int Check1Layer();
int CheckCurrent(_Dtile* t);  // 0 when the tile's stitches are sound
int CheckAllNode();
