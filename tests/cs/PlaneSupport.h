// Helpers of the tile-plane tests: hand-built planes and layouts, text forms
// of tiles, and a brute-force view of a plane.
#pragma once

#include <string>
#include <vector>

#include "CS.h"
#include "TestSupport.h"

namespace cs_test {

// "(x1 y1)-(x2 y2)" of a tile, with its type when it is not space.
std::string text(const _Dtile* t);
// The texts of the tiles of a plane that `keep` takes, in the order of the walk.
std::vector<std::string> planeTiles(int plane, int (*keep)(const _Dtile*));
// The text forms of a list, in order.
std::vector<std::string> texts(const _Dtilelist* list);

// Every tile of the plane of `entry` except the frame, in no useful order.
std::vector<_Dtile*> allTiles(_Dtile* entry);

// A plane test: starts with no planes and releases everything at the end.
class PlaneTest : public testing_support::CoreTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A new empty plane; Stitch is its center tile.
  _Dtile* newPlane();
  // Inserts a box of `type` into the current plane as plane entry 0.
  _Dtile* put(int x1, int y1, int x2, int y2, int type);
};

// A plane test with the example technology loaded and a hand-built
// flattened layout in Gflatten.
class BuildTest : public PlaneTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Adds a rectangle of the technology layer `layer` to Gflatten.
  void rect(const char* layer, int x1, int y1, int x2, int y2);
  // Plane-table entry of the layer, or -1.
  int planeOf(const char* layer) const;
  // The tile of the named plane holding (x, y).
  _Dtile* at(const char* layer, int x, int y);
  // The solid tiles of the named plane, bottom row first.
  std::vector<std::string> solids(const char* layer);
};

}  // namespace cs_test
