// Helpers of the passive-device tests: wires drawn along a centre line,
// nets made by hand from tiles, and the load steps after the extraction.
#pragma once

#include <utility>
#include <vector>

#include "ExtractSupport.h"

namespace passive_test {

// A centre line of axis-parallel moves, in layout units.
using Path = std::vector<std::pair<int, int>>;

class PassiveTest : public extract_test::ExtractTest {
 protected:
  void SetUp() override;

  // Draws a wire of `width` along `path` as one rectangle per leg: an
  // upright leg covers the corners at both of its ends, a level leg runs
  // between the upright legs, so consecutive legs meet corner to corner.
  // Returns: the rectangles' centres, one point inside each leg.
  std::vector<std::pair<int, int>> wire(const char* layer, int width, const Path& path);

  // A net "n<k>" whose tile list holds the tiles under the points, in that
  // order (the first point is the list's head).
  struct Where {
    const char* layer;
    int x, y;
  };
  _Dnet* handNet(const std::vector<Where>& points);
  _Dnet* handNet(const char* layer, const std::vector<std::pair<int, int>>& points);

  // The passive steps of a load after the extraction: capacitors,
  // inductors, resistors, then the re-extraction.  False when abandoned.
  bool passives();
  // Extraction and the passive steps.
  bool load() { return extract() && passives() && action([] { DExVerifyNets(); }); }

  // The net of a tile (its number), or 0.
  static int netAt(const _Dtile* t) { return t ? t->node : 0; }
};

}  // namespace passive_test
