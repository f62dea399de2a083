// An independent design-rule checker for tests and the check programs.  It
// knows nothing of the resizer: it takes the layout's rectangles per layer,
// merges them into shapes and checks every rule of the tables in force as a
// designer's rule checker means it:
// - width: every shape is at least WIDTH wide across, in x, in y and across
//   a diagonal neck between two inner corners;
// - spacing: shapes of one layer that are not connected, and shapes of two
//   layers that do not overlap, are at least SPACING apart, measured
//   Euclidean, corner to corner; a spacing of 0 between two layers means
//   they may touch but not overlap;
// - enclosure (EXTENSION of the row layer beyond the column layer): every
//   shape of the column layer that overlaps the row layer lies inside it
//   with that margin all round (a negative value lets it stick out by as
//   much);
// - gates (the active and gate layers of the elements, whose extension
//   rules are checked here instead): every piece of active under poly is one
//   rectangle whose two opposite sides continue in active (source and drain)
//   and whose other two continue in poly; poly runs on beyond active by its
//   extension (the end cap) and active beyond the gate by its own; the gate
//   is at least TRAN_WIDTH wide and TRAN_LENGTH long;
// - transistors: a gate lies inside every further layer of its element (the
//   selects), inside its well (the well layer most of its kind's gates lie
//   in) and touches no well that none of its kind's gates touch.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "Shapes.h"

namespace layout_check {

constexpr int kSlots = 32;

// The rectangles of a flattened layout, by layer slot.
using Layers = std::vector<Boxes>;

// What the checks need of the technology and the rule tables, in layout
// units.  fromTables() reads the workbench's tables; tests may fill one by
// hand.
struct Rules {
  struct Element {
    std::string name;
    std::vector<int> layers;  // active, gate, then layers that must cover the gate
  };
  std::vector<std::string> names;  // layer names by slot
  long width[kSlots] = {};
  bool widthOn[kSlots] = {};
  long spacing[kSlots][kSlots] = {};
  bool spacingOn[kSlots][kSlots] = {};
  long extension[kSlots][kSlots] = {};  // row layer beyond column layer
  bool extensionOn[kSlots][kSlots] = {};
  long tranWidth[8] = {}, tranLength[8] = {};
  bool tranWidthOn[8] = {}, tranLengthOn[8] = {};
  std::vector<Element> elements;
  std::set<int> connected;  // layers of the contacts
  std::set<int> ignored;    // layers that are no masks (the dummy layer)
  double micronsPerUnit = 1;

  // The workbench's tables: rules of `unitsPerStep` layout units a grid
  // step (0: the units of a loaded layout, SCALE x LAMBDA_T2 / LAMBDA_T1).
  static Rules fromTables(double unitsPerStep = 0);
  std::string name(int layer) const;
  // Layers that enclose a layer of an element (active or a select) and
  // take no part in elements or contacts: the wells.
  std::vector<int> wells() const;
};

struct Violation {
  std::string rule;    // the rule kind and its layers, e.g. "spacing CSP/CSP"
  Box place;           // where, in layout units
  long measured = 0;   // layout units; for shapes without a length, 0
  long required = 0;
  std::string detail;  // what is wrong where a length does not say it
};

// A recognised gate: a piece of active under the gate layer.
struct Gate {
  Box box;          // bounding box
  bool straight;    // one rectangle, two source/drain sides opposite each other
  bool upright;     // source and drain below and above (gate runs along x)
  int element;      // element kind, -1 when no kind's further layers overlap it
  int active, poly;  // layer slots
};
std::vector<Gate> findGates(const Layers& layout, const Rules& rules);

// Which wells the gates of each element kind lie in: `own` wells cover more
// than half of that kind's gates, `foreign` ones are drawn but touch none of
// them.
struct WellRoles {
  std::vector<std::set<int>> own, foreign;  // by element
};
WellRoles wellRoles(const Layers& layout, const Rules& rules);

// Every violation of the layout, grouped by rule; wells judged by `roles`
// (by the layout's own when null).
std::vector<Violation> checkLayout(const Layers& layout, const Rules& rules,
                                   const WellRoles* roles = nullptr);

// One line: rule, measured and required lengths, place, in micrometres.
std::string describe(const Violation& v, const Rules& rules);

// Violations of two layouts by rule: the number in each, and the rules the
// second breaks in more places than the first.
struct RuleCount {
  int before = 0, after = 0;
};
std::map<std::string, RuleCount> countByRule(const std::vector<Violation>& before,
                                             const std::vector<Violation>& after);
std::vector<std::string> newlyBroken(const std::map<std::string, RuleCount>& counts);

// For a test on a compaction or resize: every violation of `after` under a
// rule it breaks in more places than `before` (wells judged by `before`'s),
// one line each; empty when nothing is broken anew.
std::vector<std::string> newViolations(const Layers& before, const Layers& after,
                                       const Rules& rules);

}  // namespace layout_check
