// samecircuit: whether two layouts extract to the same circuit.
//
//   samecircuit [--full] tech layout1.cif layout2.cif [sizes.txt]
//   samecircuit --list tech layout.cif
//
// Devices (kind, channel width and length), their connections up to a
// renaming of the nets, source and drain interchangeable.  With a size
// file, the transistors it names must come out of the second layout with
// those sizes and all others with the first layout's.  Prints the
// differences (--full: all of them); exit 1 when the circuits differ, 2
// when an input cannot be read.  --list prints the devices of one layout
// (name, kind, size and place in micrometres, nets), for writing size files.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "LayoutInput.h"
#include "SameCircuit.h"

using namespace layout_check;

namespace {

int listDevices(const std::string& tech, const std::string& cif)
{
  static std::string log;
  startCore(&log);
  Circuit c;
  std::string why = loadTechnology(tech);
  if (why.empty())
    why = extractCircuit(cif, &c);
  if (!why.empty()) {
    fprintf(stderr, "samecircuit: %s\n", why.c_str());
    return 2;
  }
  const double k = c.micronsPerUnit;
  for (const Device& d : c.devices)
    printf("%-6s %-14s W %-7g L %-7g at (%g, %g)-(%g, %g)  gate n%d, n%d, n%d\n", d.name.c_str(),
           d.kind.c_str(), d.width * k, d.length * k, d.where.x1 * k, d.where.y1 * k,
           d.where.x2 * k, d.where.y2 * k, d.gate, d.pins[0], d.pins[1]);
  return 0;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc == 4 && strcmp(argv[1], "--list") == 0)
    return listDevices(argv[2], argv[3]);
  bool full = argc > 1 && strcmp(argv[1], "--full") == 0;
  std::vector<std::string> args(argv + 1 + full, argv + argc);
  if (args.size() != 3 && args.size() != 4) {
    fprintf(stderr, "usage: samecircuit [--full] tech layout1.cif layout2.cif [sizes.txt]\n");
    return 2;
  }
  static std::string log;
  startCore(&log);
  Circuit first, second;
  SizeRequests sizes;
  std::string why = loadTechnology(args[0]);
  if (why.empty())
    why = extractCircuit(args[1], &first);
  if (why.empty())
    why = extractCircuit(args[2], &second);
  if (why.empty() && args.size() == 4)
    why = readSizes(args[3], &sizes);
  if (!why.empty()) {
    fprintf(stderr, "samecircuit: %s\n", why.c_str());
    return 2;
  }
  CircuitComparison c = compareCircuits(first, second, sizes);
  printf("%s: %zu devices, %s: %zu devices", args[1].c_str(), first.devices.size(),
         args[2].c_str(), second.devices.size());
  if (!sizes.empty())
    printf(", %zu sizes requested", sizes.size());
  printf("\n%s\n", c.same ? "same circuit" : "different circuits");
  size_t shown = full ? c.differences.size() : std::min<size_t>(c.differences.size(), 20);
  for (size_t i = 0; i < shown; ++i)
    printf("  %s\n", c.differences[i].c_str());
  if (shown < c.differences.size())
    printf("  ... %zu more\n", c.differences.size() - shown);
  return c.same ? 0 : 1;
}
