// The matching engine of subpyxis: labels, partition refinement of the
// subcircuit S and the circuit G in lock step, the search for the key node
// (RelabelToCenter), and the hypothesize-and-propagate search with
// backtracking that finds every instance of S in G.
#pragma once

#include <cstdint>
#include <vector>

#include "Graph.h"

namespace abstractor {

// Magic numbers
constexpr uint32_t HighVoltage = 13;   // label of power nets
constexpr uint32_t Ground = 211;       // label of ground nets
constexpr int NUM_PRIMES = 256;        // entries of PRIMES

// Terminal factors, indexed by terminal class.
extern uint32_t PRIMES[NUM_PRIMES];

extern int MatchCount;          // nodes of S matched so far
extern int IsomorphismCount;    // instances found
extern int ChoicePointCount;    // depth of guesses
extern int ChoicesMade;
extern int Successes;
extern int BackTracks;
extern int RecursiveCalls;
extern int Failures;
extern uint32_t CurrentPass;    // relabelling pass
extern int MarkUsedNodes;       // 1: circuit nodes of an instance are not used again
extern int SubGraphHasSpecialNodes;  // 1: power and ground nets keep their labels
extern int SourceType;          // DEVICE or NET: the kind of the source tables
extern std::vector<Node*>* ExtNets;  // external nets of S on one device

// What the program around the engine wants to hear or change.
struct MatcherHooks {
  void (*keyNodeReported)() = nullptr;              // -t: the Phase I time
  void (*instanceFound)(Graph& S, Graph& G) = nullptr;  // after verification
  bool printCandidates = false;   // -P
  bool prematch = false;          // -O
  bool specialOff = false;        // -s
};
MatcherHooks& matcherHooks();

// Resets the engine; matcherSetGraphs() names the subcircuit S and the
// circuit G before the search.
void matcherInit();
void matcherSetGraphs(Graph* subgraph, Graph* graph);
void matcherFree();

void SetInitLabel(Node* node);
// Relabels `node` from its safe neighbours; `safe` tells whether the node
// was in a safe partition before it was taken out.
void RelabelSafely(Node* node, bool safe);
uint32_t GetFactor(const Node* node, int i);
int HasChildLabeled(const Node* node, uint32_t label);
int IsEquivalent(const Node* a, const Node* b);

void Toggle();
HashTable& SourceList(Graph& graph);
HashTable& DestList(Graph& graph);

// Shrinks S from its external nets inwards, relabelling G the same number of
// times.  Returns false when part of S is joined to no external net.
bool RelabelToCenter(Graph& S, Graph& G);

int Match(Node* s, Node* g, int isGuess);
int Hypothesize(Node* key, const std::vector<Node*>& candidates, int count);
int TestIsomorphism();

// The top level of matching.  Returns false when the label classes of S and
// G are incompatible before any candidate is chosen (the caller prints the
// failure report).
bool FindInstances(Graph& S, Graph& G);

}  // namespace abstractor
