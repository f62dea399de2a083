// The files subpyxis writes: every instance to the match file (-f), the
// symmetry pairs of every instance (-y), and the circuit with every instance
// replaced by one device of the subcircuit's type (-r).
#pragma once

#include <string>

#include "Graph.h"

namespace abstractor {

// `subgraphName` is the subcircuit file name as given (quoted by -y).
void reportInit(const std::string& subgraphName);
// Flushes and closes the files.
void reportFree();

void setMatchFile(const std::string& name);
void setSymmetryFile(const std::string& name);
void setReplaceInstances(bool replace);

// Writes the outputs of the verified instance on the two match lists.
void WriteInstance(Graph& S, Graph& G);

// The circuit with its instances replaced, as a netlist.  Returns false when
// the file cannot be opened.
bool PrintGraphToFile(Graph& G, const std::string& fileName);

}  // namespace abstractor
