// DTtechnology.h -- the technology (src/techc).
//
// Everything other subsystems may use of the layer table, the device,
// contact and passive-device definitions, the scale and defect settings, the
// colour table and the fill patterns.  The core resolves colour names to RGB
// and reads the pattern bitmaps; a front end that draws on X makes its own
// drawing contexts through the hooks below.
#pragma once

#include <cstdio>
#include <memory>
#include <vector>

// ---------------------------------------------------------------------------
// Fill patterns and drawing-context hooks.
// ---------------------------------------------------------------------------
namespace techc {

// An X bitmap: rows of (width + 7) / 8 bytes, least significant bit leftmost.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> bits;
  bool pixel(int x, int y) const { return bits[y * ((width + 7) / 8) + x / 8] >> (x % 8) & 1; }
};

// Reads an XBM file; false (and `bitmap` untouched) when it is missing or
// not a well-formed bitmap.
bool readBitmap(const char* path, Bitmap* bitmap);

// Makes and releases the drawing context of a layer.  Installed by a front
// end that draws through contexts; without one layers have no context.
using GcMaker = void* (*)(const char* color, const Bitmap* pattern, int fillmode);
using GcReleaser = void (*)(void* gc);
void setGcHooks(GcMaker make, GcReleaser release);
void releaseGC(void* gc);

// Forgets the current group, as in a fresh program (tests).
void resetGroup();

}  // namespace techc

// ---------------------------------------------------------------------------
// Layer table.
// ---------------------------------------------------------------------------
constexpr int kLayerSlots = 32;       // entries of Glayers; the last stays empty
constexpr int kLayerNameLength = 32;  // characters of a layer-table name
constexpr int kDefNameLength = 64;    // characters of names in the other tables
constexpr int kDefLayers = 32;        // layer names of one definition
constexpr int kMaxDefinitions = 8;    // entries of each definition table

struct _layerDef {
  void* w;                         // the layer's button in the layer panel
  char name[kLayerNameLength];     // layer name, used by CIF layer commands
  char sname[kLayerNameLength];    // short name
  int layer;                       // slot in every cell's symbol array
  void* gc;                        // drawing context (front end)
  char color[kLayerNameLength];    // colour name of the colour table
  const techc::Bitmap* pixmap;     // fill pattern
  char pattern[kLayerNameLength];  // pattern file, relative to IconPath
  int fillmode;                    // 1 stippled, 0 solid
  int showswitch;                  // 1 drawn
  int active;                      // 1 for the active layer
  int priority;                    // drawing order, lowest first
  int mask;
  float X0;                        // defect size distribution factor
  float D0;                        // defect density
  float Y0;                        // gross cluster factor
  float alfa;                      // gamma distribution parameter
};

extern _layerDef Glayers[kLayerSlots];
extern int GlayerNum;

struct _Delement {  // a device kind and the layers that form it
  char name[kDefNameLength];
  int layerNum;
  char layers[kDefLayers][kDefNameLength];
  int portLayerNum;
  char portlayers[kDefLayers][kDefNameLength];
};

struct _Dconnect {  // a contact layer and the two layers it joins
  char name[kDefNameLength];
  char conLayer[kDefNameLength];
  char lowerLayer[kDefNameLength];
  char upperLayer[kDefNameLength];
};

struct _LX_IND_DEF_ {
  char name[kDefNameLength];
  int layerNum;
  char layers[kDefLayers][kDefNameLength];
};
struct _CX_CAPDEFINITION_ {
  char name[kDefNameLength];
  int layerNum;
  char layers[kDefLayers][kDefNameLength];
};
struct _RX_RESDEFINITION_ {
  char name[kDefNameLength];
  int layerNum;
  char layers[kDefLayers][kDefNameLength];
};

extern _Delement Delement[kMaxDefinitions];
extern int DelementNum;
extern _Dconnect Dconnect[kMaxDefinitions];
extern int DconNum;
extern _LX_IND_DEF_ LXindDefinition[kMaxDefinitions];
extern int LXindDefNum;
extern _CX_CAPDEFINITION_ CXcapDefinition[kMaxDefinitions];
extern int CXcapDefNum;
extern _RX_RESDEFINITION_ RXresDefinition[kMaxDefinitions];
extern int RXresDefNum;

// Defect settings in internal units.
extern int theMinDefectSize;
extern int theMaxDefectSize;
extern int theStep;
// The defect-size scale bar of the main window, in tenths of a grid step;
// starts at the largest defect size.  Fault and yield actions read it.
extern int theDefectScale;

namespace techc {
// Gives the defect-size scale a new maximum or minimum (tenths of a grid
// step), as the scale bar takes it: a limit that would leave no range is
// refused (false, nothing changes); otherwise theDefectScale is moved into
// the new range, so that it stays the value the bar shows.  The range
// starts at the defect sizes of the system source file.
bool setDefectScaleLimit(bool maximum, int value);
}  // namespace techc

// ---------------------------------------------------------------------------
// Colour table.  Entries keep the order of the colour file; `pixel` is the
// RGB value (0xRRGGBB) until a front end allocates real pixels.
// ---------------------------------------------------------------------------
constexpr int kMaxColors = 128;
constexpr int kWorkStations = 10;

struct _GColor {
  char name[kLayerNameLength];
  unsigned long pixel;
  unsigned long rgb;  // 0xRRGGBB
};

struct _GWorkStation {
  char* name;
  _GColor color[kMaxColors];
  int ncolor;
};

extern _GWorkStation GCworkStation[kWorkStations];
extern int GCstationId;
extern int ColorNum;

void DIcolorInit();
unsigned long GCgetNamedColor(const char* name);  // all bits set when absent
int GCgetNamedColorName(const char* name);        // index, or -1

namespace techc {
// RGB (0xRRGGBB) of an X colour: from the colour database of the display
// when a front end installed one; without one from X's numeric forms
// ("#rrggbb" and its shorter and longer kin, "rgb:r/g/b", "rgbi:r/g/b"), the
// system colour database or the built-in table (case and blanks of names
// ignored).  False when unknown.
bool lookupColor(const char* name, unsigned long* rgb);
using ColorLookup = bool (*)(const char* name, unsigned long* rgb);
// Installs the display's colour lookup (null: none).
void setColorLookup(ColorLookup lookup);
}  // namespace techc

// ---------------------------------------------------------------------------
// Reading technology files.
// ---------------------------------------------------------------------------
extern FILE* techin;  // stream that TECHparse reads and closes

void DItechInit();
void DTrdInit();
int TECHparse();  // 0 success, 1 syntax error
void DTrdGroup(const char* keyword);
void DTrdList(const char* item);
void DTrdRule(const char* name);
void* DIlayerGC(const char* color, const char* pattern, const techc::Bitmap** pixmap,
                int fillmode);
void techerror(const char* message);

namespace techc {

// A reading of another technology file that leaves the tables as they were
// when it fails.  Made before DTrdInit, it keeps a copy of the layer,
// element, contact and passive tables and the current group; unless
// committed, the destructor (also while an abandoned action unwinds) puts
// them back, with drawing contexts made again for the layers the read
// refilled.
class TablesSetAside {
 public:
  TablesSetAside();
  ~TablesSetAside();
  TablesSetAside(const TablesSetAside&) = delete;
  TablesSetAside& operator=(const TablesSetAside&) = delete;
  void commit() { committed_ = true; }

  struct Tables;

 private:
  std::unique_ptr<Tables> saved_;
  bool committed_ = false;
};

}  // namespace techc
