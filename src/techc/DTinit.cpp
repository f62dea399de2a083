// Start-up reading of the technology and the layers' fill patterns.
#include "DTtechnology.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include "Dglobal.h"
#include "Dlayout.h"

namespace {

struct PatternState {
  // Bitmaps by path; entries live as long as the program, so layers can
  // keep pointers to them.
  std::map<std::string, std::unique_ptr<techc::Bitmap>> cache;
  techc::GcMaker makeGC = nullptr;
  techc::GcReleaser releaseGC = nullptr;
};
PatternState patterns;

// The range of the defect-size scale, tenths of a grid step.
struct ScaleRange {
  int low = 0;
  int high = 0;
};
ScaleRange scaleRange;

const techc::Bitmap* loadPattern(const std::string& path)
{
  auto found = patterns.cache.find(path);
  if (found != patterns.cache.end())
    return found->second.get();
  auto bitmap = std::make_unique<techc::Bitmap>();
  if (!techc::readBitmap(path.c_str(), bitmap.get()))
    return nullptr;
  const techc::Bitmap* result = bitmap.get();
  patterns.cache.emplace(path, std::move(bitmap));
  return result;
}

}  // namespace

namespace techc {

void setGcHooks(GcMaker make, GcReleaser release)
{
  patterns.makeGC = make;
  patterns.releaseGC = release;
}

void releaseGC(void* gc)
{
  if (gc && patterns.releaseGC)
    patterns.releaseGC(gc);
}

bool setDefectScaleLimit(bool maximum, int value)
{
  ScaleRange range = scaleRange;
  (maximum ? range.high : range.low) = value;
  if (range.high <= range.low)
    return false;
  scaleRange = range;
  theDefectScale = std::max(range.low, std::min(range.high, theDefectScale));
  return true;
}

}  // namespace techc

/*
 * DIlayerGC --
 *   Reads the layer's pattern (the IconPath value followed by `pattern`) and
 *   checks its colour against the colour table.
 * Returns: the drawing context made by the front end, or null without one.
 * Side effects: *pixmap points at the pattern; a missing pattern or colour
 *   abandons the running action (ends the program at start-up).
 */
void* DIlayerGC(const char* color, const char* pattern, const techc::Bitmap** pixmap,
                int fillmode)
{
  std::string path = common::sysrcFile("IconPath") + pattern;
  const techc::Bitmap* bitmap = loadPattern(path);
  if (!bitmap) {
    GCmessage(3, 'F', "Can not load pattern file %s", path.c_str());
    common::abandonAction(1);
  }
  if (GCgetNamedColorName(color) < 0) {
    GCmessage(3, 'F', "color %s not found", color);
    common::abandonAction(1);
  }
  *pixmap = bitmap;
  return patterns.makeGC ? patterns.makeGC(color, bitmap, fillmode) : nullptr;
}

/*
 * DItechInit --
 *   Takes the global scale and the defect settings from the system source
 *   file and reads the default technology file.
 */
void DItechInit()
{
  ENV_SCALE = static_cast<int>(GCgetValue("GlobalScale"));
  theGlobalScale = INITSCALE * ENV_SCALE;
  SCALE = theGlobalScale;
  theMinDefectSize = theGlobalScale * static_cast<int>(GCgetValue("MinDefectSize"));
  theMaxDefectSize = theGlobalScale * static_cast<int>(GCgetValue("MaxDefectSize"));
  theStep = theGlobalScale * static_cast<int>(GCgetValue("Step"));
  theDefectScale = theGlobalScale > 0 ? 10 * theMaxDefectSize / theGlobalScale : 0;
  scaleRange.low = theGlobalScale > 0 ? 10 * theMinDefectSize / theGlobalScale : 0;
  scaleRange.high = theDefectScale;

  std::string file = common::sysrcFile("TechFile");
  techin = fopen(file.c_str(), "r");
  if (!techin) {
    GCmessage(3, 'F', "No system default technology file");
    common::abandonAction(1);
  }
  techc::resetGroup();
  DTrdInit();
  if (TECHparse() != 0) {
    GCmessage(3, 'E', "Technology file format error");
    return;
  }
  for (int i = 0; i < GlayerNum; ++i) {
    _layerDef& def = Glayers[i];
    techc::releaseGC(def.gc);
    def.gc = nullptr;
    def.gc = DIlayerGC(def.color, def.pattern, &def.pixmap, def.fillmode);
    def.active = 0;
    def.X0 = 1.0f;
    def.D0 = 10.0f;
    def.Y0 = 1.0f;
    def.alfa = 1.0f;
  }
  Glayers[GlayerNum].name[0] = '\0';
  GCmessage(3, 'M', "Load technology file OK");
}
