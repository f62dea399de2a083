// The circuit graph of subpyxis: one Node per device and one per real net;
// a device's neighbours are its nets in terminal order, a net's neighbours
// the devices on it.  Graph 1 is the subcircuit, graph 2 the circuit.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Partition.h"
#include "Pool.h"
#include "SimReader.h"

namespace abstractor {

// Node kinds.
constexpr unsigned char DEVICE = 0;
constexpr unsigned char NET = 1;

// Node status bits.
constexpr int BORDER = 1;
constexpr int MATCHED = 2;
constexpr int USED = 4;
constexpr int INTERNAL = 8;
constexpr int EXTERNAL = 16;
constexpr int DELETED = 32;

struct Node;

// An entry of a net node's device list.
struct DeviceConnection {
  Node* node;             // the device node
  short terminal;         // terminal position on that device
  short _class;           // that terminal's class
};

struct Node {
  void* property = nullptr;
  uint32_t nodeValue = 0;     // current label
  uint32_t initLabel = 0;     // initial label
  short special = 0;          // 0 ordinary, 1 ground, 2 power
  int status = 0;             // BORDER | MATCHED | ...
  union {
    int nodeDef = 0;          // device: type index
    int netConnects;          // net: number of connections
  };
  union {
    Node** connects = nullptr;      // device: its nets in terminal order
    DeviceConnection* devList;      // net: its devices
  };
  uint32_t pass = 0;          // relabelling pass of the last relabel
  unsigned char nodeType = DEVICE;
  Net* net = nullptr;         // the net behind a net node
  Device* dev = nullptr;      // the device behind a device node
  Partition* header = nullptr;  // partition that holds the node
  Node* prev = nullptr;       // neighbours inside that partition
  Node* next = nullptr;
  const char* name = nullptr;   // net name, or the device's type name
  unsigned char flag = 0;

  int numNeighbors() const
  {
    return nodeType == NET ? netConnects : DeviceDefs[nodeDef].numTerminals;
  }
  Node* neighbor(int i) const { return nodeType == NET ? devList[i].node : connects[i]; }
  int neighborClass(int i) const
  {
    return nodeType == NET ? devList[i]._class : DeviceDefs[nodeDef].terminals[i];
  }
};

// A backup of one process table: its nodes and their labels.
struct BackUpElem {
  std::vector<Node*> nodes;
  std::vector<uint32_t> labels;
  int size = 0;
  int matches = 0;            // MatchCount at the time
};

// A stack of backups; popped elements are kept for reuse.
struct BackUpList {
  BackUpList() = default;
  ~BackUpList();
  BackUpList(const BackUpList&) = delete;
  BackUpList& operator=(const BackUpList&) = delete;

  BackUpElem* push();
  BackUpElem* top() { return stack.empty() ? nullptr : stack.back(); }
  void pop();
  void clear();

  std::vector<BackUpElem*> stack;  // top at the back
  std::vector<BackUpElem*> spare;
};

struct MatchElem {
  int choicePt;               // ChoicePointCount when matched
  Node* node;
};

struct MatchList {
  std::vector<MatchElem> elems;    // most recent match at the back
};

class Graph {
 public:
  explicit Graph(const std::string& name);
  ~Graph();
  Graph(const Graph&) = delete;
  Graph& operator=(const Graph&) = delete;

  // Reads the netlist `file` (closed afterwards) and builds the nodes.
  void ReadGraph(FILE* file, bool isSubgraph, bool listRemovedNets = false);

  // Matcher operations (Matcher.cpp).
  void InitialLabeling();
  int RelabelNonBorder();
  void RemoveBorderNodes();
  void BackUpProcessLists();
  void RestoreBackUpLists();
  void RestoreDeviceList();
  void RestoreMatchList();
  void UndoAllMatches();
  void ClearProcessLists();
  void ClearBackUpLists();
  void SetUsedNodes(Graph& subgraph);
  HashTable& tableFor(const Node* node) { return node->nodeType == NET ? procNets : procDevs; }

  // Appends a device node made after reading (an instance of -r).
  Node* newDeviceNode();
  Node** newNetSlots(int count) { return nodeRefs_.take(count); }

  short graphNumber = 0;      // 1 subcircuit, 2 circuit
  std::string graphName;
  int numDevs = 0;
  int numNets = 0;
  int numExtNets = 0;
  std::vector<Node*> deviceVector;
  std::vector<Node*> netVector;
  HashTable devBuffer;
  HashTable procDevs;
  HashTable procNets;
  BackUpList backUpDevs;
  BackUpList backUpNets;
  MatchList matchList;
  double SimUnits = 1.0;
  int SimFormat = 0;
  SimData data;               // the records read from the file

 private:
  void SIMSetDevices();
  void SIMSetNets(bool listRemovedNets);

  Pool<Node, 1024> nodes_;
  ArrayPool<Node*> nodeRefs_;
  ArrayPool<DeviceConnection> connRefs_;
};

// The printed form of a node (key-node, candidate and debug reports).
void printNode(const Node* node);
// "m<type>_<number>" of a device node.
std::string deviceName(const Node* node);

}  // namespace abstractor
