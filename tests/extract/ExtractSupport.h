// Helpers of the extraction tests: transistors drawn on hand-built
// flattened layouts, extraction inside an action, and the netlist text.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "DEextract.h"
#include "PlaneSupport.h"

namespace extract_test {

// Extraction on the example technology.  Coordinates are layout units.
class ExtractTest : public cs_test::BuildTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A transistor whose active runs along x: active (x, y)-(x + 1200, y +
  // 600), gate (x + 500, y - 200)-(x + 700, y + 800), inside `select`.
  void horizontal(int x, int y, const char* select = "CSP");
  // The same turned by 90 degrees: active (x, y)-(x + 600, y + 1200).
  void vertical(int x, int y, const char* select = "CSP");

  // Builds the planes and extracts the circuit inside an action.
  // Returns: false when the action was abandoned.
  bool extract();
  // Runs one core call as an action; false when it was abandoned.
  template <class Call>
  bool action(Call&& call)
  {
    return testing_support::runsToEnd(call);
  }

  _Dtransistor* transistor(int number) const;  // null when there is none
  _Dnet* net(int node) const;
  // The tiles of a net's tile list, as text, sorted.
  std::vector<std::string> netTiles(const _Dnet* net) const;
  // Text of circuit.net as DExOutput writes it.
  std::string netlist();
  // Net numbers of every tile of every live plane that is not zero.
  int taggedTiles() const;

  // A click with button 1 at the layout point for the running chain.
  void click(long x, long y);
};

// The tiles of a list, as a set.
std::set<_Dtile*> tileSet(const _Dtilelist* list);
// The number of nodes of a list.
int length(const _Dtilelist* list);

}  // namespace extract_test
