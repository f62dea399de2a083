// subpyxis: finds every instance of a subcircuit in a circuit, both given as
// SIM netlists.  subpyxis <subgraph-filename> <graph-filename> [options]
#include "Program.h"

int main(int argc, char** argv)
{
  return abstractor::runSubpyxis(argc, argv);
}
