// Helpers of the subpyxis tests: scratch files, in-process runs of the
// program with captured output, and direct access to a read and matched
// pair of graphs.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Graph.h"

namespace subpyxis_test {

// A scratch folder, removed with its files at the end of the test.
class Scratch {
 public:
  Scratch();
  ~Scratch();
  // Writes `text` to `name` in the folder and returns the full path.
  std::string write(const std::string& name, const std::string& text) const;
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  std::string read(const std::string& name) const;

 private:
  std::string dir_;
};

struct RunResult {
  int status;
  std::string out;
  std::string err;
};

// Runs subpyxis in-process with these arguments (after the program name).
RunResult runProgram(const std::vector<std::string>& arguments);

// Reads a netlist as subcircuit or circuit with captured output; the
// throw of a stop becomes `status` (-1: read completely).
struct ReadResult {
  int status = -1;
  std::string out;
  std::string err;
};
ReadResult readNetlist(const std::string& file, bool isSubgraph,
                       const std::function<void(abstractor::Graph&)>& inspect = nullptr);

// One verified instance: the (subcircuit node, circuit node) pairs, the key
// pair first.
using Instance = std::vector<std::pair<const abstractor::Node*, const abstractor::Node*>>;

// Reads both files, runs the top level of matching and gives every instance
// (as names, see below) to the caller while the graphs still exist.
struct MatchRun {
  bool compared = false;      // false: failure before candidates
  int found = 0;
  std::string out;
  std::vector<std::vector<std::pair<std::string, std::string>>> instances;  // names of the pairs
  std::string keyName;        // the key node of the report, empty when none
};
struct MatchOptions {
  bool overlapping = false;   // -m
  bool prematch = false;      // -O
  bool specialOff = false;    // -s
};
MatchRun matchFiles(const std::string& subcircuit, const std::string& circuit, const MatchOptions& options);

// The name used for a node in MatchRun: "m<type>_<number>" for devices
// (number -1 gets the reading index as "#<index>"), the name for nets.
std::string nodeName(const abstractor::Node* node);

std::string sourceDir();

}  // namespace subpyxis_test
