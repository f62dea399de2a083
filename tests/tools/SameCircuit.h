// Same-circuit comparison of two layouts: the devices each extracts (kind,
// size, terminals) and their connectivity, compared up to a renaming of
// the nets by graph isomorphism with labels (colour refinement, then one
// vertex pair fixed at a time where classes stay ambiguous).  Source and
// drain are interchangeable, as are the two ports of a passive device.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "Shapes.h"

namespace layout_check {

struct Device {
  std::string kind;   // element name, or "capacitor", "resistor", "inductor"
  std::string name;   // the extraction's name ("m7", "c1")
  int number = 0;     // the extraction's number (size files name it)
  long width = 0;     // layout units; transistors: channel width and
  long length = 0;    //   length; capacitors, resistors: their body's;
                      //   inductors: wire width and outer diameter
  int gate = 0;       // net of the gate (transistors), 0 for none
  int pins[2] = {};   // source and drain, or the two ports; 0 for none
  Box where{};        // the gate region or a port, for reports
};

struct Circuit {
  std::vector<Device> devices;
  double micronsPerUnit = 1;
};

// Requested sizes by device letter ('m' transistors, 'c' capacitors, 'r'
// resistors, 'l' inductors) and number: the first two values of the size
// file's line in micrometres (an inductor's wire width and outer
// diameter), and in layout units as the workbench takes them.
struct SizeRequest {
  double width, length;
  long widthUnits, lengthUnits;
};
using SizeRequests = std::map<std::pair<char, int>, SizeRequest>;

// Loads and extracts a CIF layout with the workbench (full CIF); "" or why
// it failed.  Transistor sizes are measured on the gate's shape where it is
// one rectangle between its source and drain.
std::string extractCircuit(const std::string& cif, Circuit* circuit);

// Reads a size file: its sections "Transistors_sizes:" ("M<n> W L
// [ActExt PolyExt]"), "Capacitors_sizes:" ("C<n> W L"), "Resistors_sizes:"
// ("R<n> W L [fingers]") and "Inductors_sizes:" ("L<n>" and five values);
// numbers, exponents and "(times a b)" or "(difference a b)".  "" or why
// not.
std::string readSizes(const std::string& path, SizeRequests* sizes);

struct CircuitComparison {
  bool same = false;
  std::vector<std::string> differences;  // one line each, for people
};

// Compares `second` with `first`, whose devices named in `sizes` are to
// come out with those sizes and all others with their own.
CircuitComparison compareCircuits(const Circuit& first, const Circuit& second,
                                  const SizeRequests& sizes = {});

}  // namespace layout_check
