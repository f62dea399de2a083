// The matching engine: labels, border relabelling towards the centre of the
// subcircuit, and the hypothesize / propagate / backtrack search.
#include "Matcher.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "Output.h"

namespace abstractor {

uint32_t PRIMES[NUM_PRIMES];
int MatchCount = 0;
int IsomorphismCount = 0;
int ChoicePointCount = 0;
int ChoicesMade = 0;
int Successes = 0;
int BackTracks = 0;
int RecursiveCalls = 0;
int Failures = 0;
uint32_t CurrentPass = 0;
int MarkUsedNodes = 1;
int SubGraphHasSpecialNodes = 1;
int SourceType = DEVICE;
std::vector<Node*>* ExtNets = nullptr;

namespace {

struct MatcherState {
  Graph* S = nullptr;
  Graph* G = nullptr;
  MatcherHooks hooks;
  std::vector<Node*> extNets;
  int newBorders = 0;     // nodes marked BORDER in the last border round
};

}  // namespace

static MatcherState* state = nullptr;

MatcherHooks& matcherHooks()
{
  assert(state != nullptr && "matcherInit first");
  return state->hooks;
}

// The primes from 1637 down to 17, with 1591, 1517 and 1369 in their places.
static void makePrimes()
{
  constexpr uint32_t largest = 1637;
  std::vector<bool> composite(largest + 1, false);
  std::vector<uint32_t> values = {1591, 1517, 1369};
  for (uint32_t n = 2; n <= largest; ++n) {
    if (composite[n])
      continue;
    for (uint32_t m = n * n; m <= largest; m += n)
      composite[m] = true;
    if (n >= 17)
      values.push_back(n);
  }
  std::sort(values.begin(), values.end(), [](uint32_t a, uint32_t b) { return a > b; });
  assert(values.size() == NUM_PRIMES && "253 primes and three squares of products of 37");
  std::copy(values.begin(), values.end(), PRIMES);
}

void matcherInit()
{
  matcherFree();
  state = new MatcherState;
  ExtNets = &state->extNets;
  makePrimes();
}

void matcherSetGraphs(Graph* subgraph, Graph* graph)
{
  state->S = subgraph;
  state->G = graph;
}

void matcherFree()
{
  delete state;
  state = nullptr;
  ExtNets = nullptr;
  MatchCount = IsomorphismCount = ChoicePointCount = 0;
  ChoicesMade = Successes = BackTracks = RecursiveCalls = Failures = 0;
  CurrentPass = 0;
  MarkUsedNodes = 1;
  SubGraphHasSpecialNodes = 1;
  SourceType = DEVICE;
}

// ---------------------------------------------------------------------------
// Labels.

void SetInitLabel(Node* node)
{
  node->special = 0;
  if (node->nodeType == NET) {
    if (strncasecmp(node->name, "vdd", 3) == 0) {
      node->special = 2;
      node->nodeValue = HighVoltage;
    } else if (strncasecmp(node->name, "gnd", 3) == 0) {
      node->special = 1;
      node->nodeValue = Ground;
    } else {
      node->nodeValue = static_cast<uint32_t>(node->netConnects) * 1015351425u + 12345u;
    }
  } else {
    node->nodeValue = static_cast<uint32_t>(node->nodeDef) + 1103527590u;
  }
  node->initLabel = node->nodeValue;
}

uint32_t GetFactor(const Node* node, int i)
{
  return PRIMES[node->neighborClass(i)];
}

// Special nets take back their initial label, so that one power or ground
// net of S always pairs with the like nets of G, whatever labels earlier
// candidates gave them.
void RelabelSafely(Node* node, bool safe)
{
  if (node->special != 0 && SubGraphHasSpecialNodes) {
    node->nodeValue = node->initLabel;
    return;
  }
  node->pass = CurrentPass;
  uint32_t sum = 0;
  for (int i = 0, n = node->numNeighbors(); i < n; ++i) {
    const Node* neighbor = node->neighbor(i);
    if (IsSafe(neighbor))
      sum += neighbor->nodeValue * GetFactor(node, i);
  }
  if (safe)
    node->nodeValue = sum * node->nodeValue;
  else if (node->nodeType == NET)
    node->nodeValue = sum;
  else
    node->nodeValue = sum * node->initLabel;
}

int HasChildLabeled(const Node* node, uint32_t label)
{
  for (int i = 0, n = node->numNeighbors(); i < n; ++i)
    if (node->neighbor(i)->nodeValue == label)
      return 1;
  return 0;
}

int IsEquivalent(const Node* a, const Node* b)
{
  return a->nodeType == b->nodeType && a->nodeDef == b->nodeDef;
}

void Toggle()
{
  SourceType = SourceType == NET ? DEVICE : NET;
}

HashTable& SourceList(Graph& graph)
{
  return SourceType == NET ? graph.procNets : graph.procDevs;
}

HashTable& DestList(Graph& graph)
{
  return SourceType == NET ? graph.procDevs : graph.procNets;
}

// ---------------------------------------------------------------------------
// Per-graph operations.

void Graph::InitialLabeling()
{
  bool isSubgraph = graphNumber == 1;
  if (isSubgraph)
    ExtNets->clear();
  numExtNets = 0;
  for (Node* net : netVector) {
    SetInitLabel(net);
    if (isSubgraph && InExtNetHT(net->name)) {
      net->status |= EXTERNAL | BORDER;
      ++numExtNets;
      if (net->netConnects == 1)
        ExtNets->push_back(net);
      continue;
    }
    procNets.InsertNode(net);
  }
  for (Node* device : deviceVector) {
    SetInitLabel(device);
    procDevs.InsertNode(device);
  }
  if (isSubgraph && state->hooks.specialOff)
    SubGraphHasSpecialNodes = 0;
}

// Nodes and labels of `table` in walk order.
static void backUpTable(HashTable& table, BackUpElem* elem)
{
  for (int b = 0; b < table.HashSize(); ++b)
    for (Partition* p = table.GetHashEntry(b).front; p != nullptr; p = p->next)
      for (Node* node = p->top; node != nullptr; node = node->next) {
        elem->nodes.push_back(node);
        elem->labels.push_back(node->nodeValue);
      }
  elem->size = static_cast<int>(elem->nodes.size());
  elem->matches = MatchCount;
}

// Gives `table` exactly the nodes, labels and order of the backup.
static void restoreTable(HashTable& table, const BackUpElem* elem)
{
  table.ClearTable();
  for (int i = elem->size - 1; i >= 0; --i) {
    Node* node = elem->nodes[i];
    RemoveNode(node);
    node->nodeValue = elem->labels[i];
    table.InsertNode(node);
  }
}

// Label sum over the neighbours before the first border neighbour; false
// when there is a border neighbour.
static bool borderSum(const Node* node, uint32_t& sum)
{
  sum = 0;
  for (int i = 0, n = node->numNeighbors(); i < n; ++i) {
    const Node* neighbor = node->neighbor(i);
    if ((neighbor->status & BORDER) != 0)
      return false;
    sum += neighbor->nodeValue * GetFactor(node, i);
  }
  return true;
}

int Graph::RelabelNonBorder()
{
  bool isSubgraph = graphNumber == 1;
  if (isSubgraph)
    backUpTable(procDevs, backUpDevs.push());
  int relabelled = 0;
  state->newBorders = 0;
  for (Node* net : procNets.takeAllNodes()) {
    uint32_t sum;
    if (borderSum(net, sum)) {
      net->nodeValue = sum + net->nodeValue;
      relabelled = 1;
    } else {
      if (!isSubgraph)
        outf("++ border node in large net graph?!?!?\n");
      net->status |= BORDER;
      ++state->newBorders;
    }
    procNets.InsertNode(net);
  }
  for (Node* device : procDevs.takeAllNodes()) {
    uint32_t sum;
    if (borderSum(device, sum)) {
      device->nodeValue = sum * device->nodeValue;
      relabelled = 1;
    } else {
      if (!isSubgraph)
        outf("++ border node in large device graph?!?!?\n");
      device->status |= BORDER;
      ++state->newBorders;
    }
    procDevs.InsertNode(device);
  }
  return relabelled;
}

static std::vector<Node*> borderNodes(HashTable& table)
{
  std::vector<Node*> nodes;
  for (int b = 0; b < table.HashSize(); ++b)
    for (Partition* p = table.GetHashEntry(b).front; p != nullptr; p = p->next)
      for (Node* node = p->top; node != nullptr; node = node->next)
        if ((node->status & BORDER) != 0)
          nodes.push_back(node);
  return nodes;
}

void Graph::RemoveBorderNodes()
{
  for (Node* net : borderNodes(procNets))
    RemoveNode(net);
  devBuffer.ClearTable();
  for (Node* device : borderNodes(procDevs)) {
    RemoveNode(device);
    devBuffer.InsertNode(device);
  }
}

void Graph::BackUpProcessLists()
{
  backUpTable(procNets, backUpNets.push());
  backUpTable(procDevs, backUpDevs.push());
}

void Graph::RestoreBackUpLists()
{
  BackUpElem* nets = backUpNets.top();
  BackUpElem* devices = backUpDevs.top();
  assert(nets != nullptr && devices != nullptr && "a backup for every guess");
  restoreTable(procNets, nets);
  restoreTable(procDevs, devices);
  MatchCount = nets->matches;
  backUpNets.pop();
  backUpDevs.pop();
}

void Graph::RestoreDeviceList()
{
  BackUpElem* devices = backUpDevs.top();
  assert(devices != nullptr && "a backup for every border round");
  restoreTable(procDevs, devices);
  backUpDevs.pop();
}

void Graph::RestoreMatchList()
{
  std::vector<MatchElem>& elems = matchList.elems;
  while (!elems.empty() && elems.back().choicePt == ChoicePointCount) {
    elems.back().node->status &= ~MATCHED;
    elems.pop_back();
  }
}

void Graph::UndoAllMatches()
{
  std::vector<MatchElem>& elems = matchList.elems;
  while (!elems.empty()) {
    elems.back().node->status &= ~MATCHED;
    elems.pop_back();
    if (graphNumber == 1)
      --MatchCount;
  }
}

void Graph::ClearProcessLists()
{
  procNets.ClearTable();
  procDevs.ClearTable();
}

void Graph::ClearBackUpLists()
{
  backUpNets.clear();
  backUpDevs.clear();
}

void Graph::SetUsedNodes(Graph& subgraph)
{
  const std::vector<MatchElem>& mine = matchList.elems;
  const std::vector<MatchElem>& theirs = subgraph.matchList.elems;
  assert(mine.size() == theirs.size() && "match lists pair their elements");
  for (size_t k = 0; k < mine.size(); ++k)
    if ((theirs[k].node->status & EXTERNAL) == 0)
      mine[k].node->status |= USED;
}

// ---------------------------------------------------------------------------
// Shrinking S to its centre.

bool RelabelToCenter(Graph& S, Graph& G)
{
  for (;;) {
    if (!S.RelabelNonBorder())
      return true;
    int newBorders = state->newBorders;
    S.RemoveBorderNodes();
    if (S.procNets.IsEmpty() && S.procDevs.IsEmpty()) {
      S.RestoreDeviceList();
      return true;
    }
    // No new border node: what is left is joined to no external net, and
    // the border would never reach it.
    if (newBorders == 0)
      return false;
    G.RelabelNonBorder();
    S.procNets.RemoveDiffNodes(G.procNets);
    S.procDevs.RemoveDiffNodes(G.procDevs);
  }
}

// ---------------------------------------------------------------------------
// Matching and search.

int Match(Node* s, Node* g, int isGuess)
{
  Graph& S = *state->S;
  Graph& G = *state->G;
  uint32_t label = static_cast<uint32_t>(rand());
  if (isGuess) {
    ++ChoicesMade;
    ++ChoicePointCount;
    S.BackUpProcessLists();
    G.BackUpProcessLists();
  }
  if (Debug) {
    outf(isGuess ? "Guessing at matched nodes:\n" : "Matching nodes:\n");
    printNode(s);
    printNode(g);
  }
  // When s was the last of its class, the rest of g's class has no partner
  // left in S: it leaves the tables, or it would stand between the classes
  // that the in-step walks pair.
  bool lastOfClass = s->header != nullptr && s->header->classSize == 1;
  Partition* rest = g->header != nullptr && g->header->classSize > 1 ? g->header : nullptr;
  S.matchList.elems.push_back({ChoicePointCount, s});
  s->status |= MATCHED;
  s->nodeValue = label;
  RemoveNode(s);
  S.tableFor(s).InsertNode(s);
  G.matchList.elems.push_back({ChoicePointCount, g});
  g->status |= MATCHED;
  g->nodeValue = label;
  RemoveNode(g);
  if (lastOfClass && rest != nullptr)
    rest->header->table->dropPartition(rest);
  G.tableFor(g).InsertNode(g);
  ++MatchCount;
  return MatchCount == S.numDevs + S.numNets ? TOTAL_MATCH : MatchCount;
}

// Verifies a complete match; prints the debug text for the outcome.
static int verify(const char* foundText, const char* failedText)
{
  if (TestIsomorphism()) {
    ++IsomorphismCount;
    ++Successes;
    if (Debug)
      outf("%s", foundText);
    return 1;
  }
  ++Failures;
  if (Debug)
    outf("%s", failedText);
  return 0;
}

// Propagates the match just made until nothing changes.  Returns 1 when S
// was matched completely and verified, -1 when the guess failed, and 0 when
// propagation stopped with S incomplete.
static int propagate(Graph& S, Graph& G)
{
  for (;;) {
    ++CurrentPass;
    int before = DestList(S).NumPartitions();
    std::unique_ptr<HashTable> newS = SourceList(S).RelabelNeighborsOfSafeNodes();
    std::unique_ptr<HashTable> newG = SourceList(G).RelabelNeighborsOfSafeNodes();
    newS->RemoveDiffNodes(*newG);
    if (!newS->TestEquivClasses(*newG))
      return -1;
    newS->RandomRelabel(*newG);
    DestList(S).InsertTable(*newS);
    DestList(G).InsertTable(*newG);
    if (!DestList(S).TestEquivClasses(DestList(G)))
      return -1;
    DestList(S).SetSafety(DestList(G));
    int after = DestList(S).NumPartitions();
    Toggle();
    int matched = SourceList(S).MatchSingletons(SourceList(G));
    if (matched == TOTAL_MATCH)
      return verify("Found Isomorphism\n", "******* Isomorphism match failed ****\n") ? 1 : -1;
    SourceList(S).SetSafety(SourceList(G));
    if (after <= before && matched <= 0)
      return 0;
  }
}

// Guesses again from the smallest class of G that still has a free node.
static int guessFurther(Graph& S, Graph& G)
{
  std::vector<Node*> candidates;
  int size = 0;
  if (!SourceList(G).FindCandidateVector(candidates, size) &&
      !DestList(G).FindCandidateVector(candidates, size))
    return 0;
  SourceType = candidates[0]->nodeType;
  // A class of G that S lacks cannot hold a partner: this guess has failed.
  Partition* keyClass = SourceList(S).findPartition(candidates[0]->nodeValue);
  if (keyClass == nullptr)
    return 0;
  Node* key = keyClass->top;
  ++RecursiveCalls;
  if (Debug) {
    outf("\nRECURSIVE CALL TO HYPOTHESIZE");
    outf("\n\nKEYNODE: \n");
    printNode(key);
    outf("\nCANDIDATE Vector size: %d\n", size);
    for (const Node* candidate : candidates)
      printNode(candidate);
  }
  int result = Hypothesize(key, candidates, size);
  if (Debug)
    outf("\nRETURNED from recursive call to HYPOTHESIZE\n");
  return result;
}

int Hypothesize(Node* key, const std::vector<Node*>& candidates, int count)
{
  Graph& S = *state->S;
  Graph& G = *state->G;
  for (int k = 0; k < count; ++k) {
    Node* candidate = candidates[k];
    if ((candidate->status & MATCHED) != 0 || (MarkUsedNodes && (candidate->status & USED) != 0))
      continue;
    SourceType = key->nodeType;
    if (Match(key, candidate, 1) == TOTAL_MATCH) {
      if (verify("************** Found Isomorphism\n", "***** Busted!! didn't find the isomorphism\n"))
        return 1;
    } else {
      SourceList(S).SetSafety(SourceList(G));
      int outcome = propagate(S, G);
      if (outcome == 1)
        return 1;
      if (outcome == 0 && guessFurther(S, G))
        return 1;
    }
    // Back to the state before this guess.
    S.RestoreBackUpLists();
    G.RestoreBackUpLists();
    S.RestoreMatchList();
    G.RestoreMatchList();
    S.procNets.SetSafety(G.procNets);
    S.procDevs.SetSafety(G.procDevs);
    --ChoicePointCount;
    ++BackTracks;
  }
  ++Failures;
  if (Debug)
    outf("Failed\n");
  return 0;
}

// True when every terminal class of the S device `s` reaches the partners of
// its nets on the G device `g` (nets without a partner match anything).
static bool terminalsAgree(const Node* s, const Node* g,
                           const std::unordered_map<const Node*, const Node*>& partner)
{
  const DeviceDefinition& def = DeviceDefs[s->nodeDef];
  std::vector<const Node*> wanted;
  std::vector<const Node*> offered;
  for (int c = 0; c < def.numTerminals; ++c) {
    wanted.clear();
    offered.clear();
    for (int i = 0; i < def.numTerminals; ++i) {
      if (def.terminals[i] != c)
        continue;
      auto found = partner.find(s->connects[i]);
      if (found != partner.end())
        wanted.push_back(found->second);
      offered.push_back(g->connects[i]);
    }
    std::sort(wanted.begin(), wanted.end());
    std::sort(offered.begin(), offered.end());
    if (!std::includes(offered.begin(), offered.end(), wanted.begin(), wanted.end()))
      return false;
  }
  return true;
}

// The pairs are one instance: devices agree terminal by terminal and the
// internal nets of S have no further connections in G.
static bool structureAgrees(const std::vector<MatchElem>& sElems, const std::vector<MatchElem>& gElems)
{
  std::unordered_map<const Node*, const Node*> partner;
  partner.reserve(sElems.size() * 2);
  for (size_t k = 0; k < sElems.size(); ++k)
    partner.emplace(sElems[k].node, gElems[k].node);
  for (size_t k = 0; k < sElems.size(); ++k) {
    const Node* s = sElems[k].node;
    const Node* g = gElems[k].node;
    if (s->nodeType == DEVICE && !terminalsAgree(s, g, partner))
      return false;
    if (s->nodeType == NET && (s->status & EXTERNAL) == 0 && s->netConnects != g->netConnects)
      return false;
  }
  return true;
}

int TestIsomorphism()
{
  Graph& S = *state->S;
  Graph& G = *state->G;
  const std::vector<MatchElem>& sElems = S.matchList.elems;
  const std::vector<MatchElem>& gElems = G.matchList.elems;
  assert(sElems.size() == gElems.size() && "match lists pair their elements");
  for (size_t k = sElems.size(); k-- > 0;) {
    const Node* s = sElems[k].node;
    const Node* g = gElems[k].node;
    if (s->nodeType != g->nodeType)
      return 0;
    if (s->nodeType != DEVICE)
      continue;
    if (s->nodeDef != g->nodeDef)
      return 0;
    for (int i = 0, n = s->numNeighbors(); i < n; ++i) {
      const Node* net = s->neighbor(i);
      if ((net->status & EXTERNAL) != 0 || HasChildLabeled(g, net->nodeValue))
        continue;
      outf("Test Isomorphism Faileed.\n");
      outf("This is an unusual case where a match was found,\n");
      outf("but the circuits did not actually match...\n");
      return 0;
    }
  }
  if (!structureAgrees(sElems, gElems))
    return 0;
  if (state->hooks.instanceFound != nullptr)
    state->hooks.instanceFound(S, G);
  return 1;
}

// ---------------------------------------------------------------------------
// Top level.

static void searchFromCandidate(Graph& S, Graph& G, Node* key, Node* candidate)
{
  ChoicePointCount = 0;
  SourceType = key->nodeType;
  if (Debug) {
    outf("\nFIRST CALL TO HYPOTHESIZE\n");
    printNode(key);
    outf("\nCANDIDATE Vector size: 1\n");
    printNode(candidate);
  }
  int result = Hypothesize(key, {candidate}, 1);
  if (Debug)
    outf("result of hypothesize is %d\n", result);
  if (result && MarkUsedNodes)
    G.SetUsedNodes(S);
  S.ClearBackUpLists();
  G.ClearBackUpLists();
  S.UndoAllMatches();
  G.UndoAllMatches();
  S.ClearProcessLists();
  G.ClearProcessLists();
}

bool FindInstances(Graph& S, Graph& G)
{
  S.InitialLabeling();
  G.InitialLabeling();
  ChoicesMade = Successes = BackTracks = RecursiveCalls = Failures = 0;
  S.procNets.RemoveDiffNodes(G.procNets);
  S.procDevs.RemoveDiffNodes(G.procDevs);
  if (!S.procDevs.TestEquivClasses(G.procDevs) || !S.procNets.TestEquivClasses(G.procNets))
    return false;
  if (!RelabelToCenter(S, G)) {
    outf("\nPart of the subcircuit is not joined to any external net.\n");
    return false;
  }
  bool byDevices = S.procNets.IsEmpty();
  HashTable& sTable = byDevices ? S.procDevs : S.procNets;
  HashTable& gTable = byDevices ? G.procDevs : G.procNets;
  if (!sTable.TestEquivClasses(gTable))
    return false;
  std::vector<Node*> candidates;
  int count = 0;
  if (!gTable.FindCandidateVector(candidates, count))
    return true;
  Node* key = sTable.FindKeyNode(candidates[0]->nodeValue);
  outf("\n\nKEYNODE: \n");
  printNode(key);
  outf("\nCANDIDATE Vector size: %d\n", count);
  if (state->hooks.printCandidates) {
    outf("Nodes:\n");
    for (const Node* candidate : candidates)
      printNode(candidate);
  }
  if (state->hooks.keyNodeReported != nullptr)
    state->hooks.keyNodeReported();
  flushOutput();
  S.ClearProcessLists();
  G.ClearProcessLists();
  MatchCount = 0;
  IsomorphismCount = 0;
  if (state->hooks.prematch) {
    for (Node* net : *ExtNets) {
      if (net->special != 0)
        continue;
      net->status |= MATCHED;
      ++MatchCount;
    }
  }
  for (Node* candidate : candidates) {
    if (MarkUsedNodes && (candidate->status & USED) != 0)
      continue;
    searchFromCandidate(S, G, key, candidate);
  }
  return true;
}

}  // namespace abstractor
