// Building the graph of one netlist: device nodes, net nodes, the removal of
// nets without connections, and the printed form of nodes.
#include "Graph.h"

#include <sys/stat.h>

#include "Output.h"

namespace abstractor {

BackUpList::~BackUpList()
{
  clear();
  for (BackUpElem* elem : spare)
    delete elem;
}

BackUpElem* BackUpList::push()
{
  BackUpElem* elem;
  if (spare.empty()) {
    elem = new BackUpElem;
  } else {
    elem = spare.back();
    spare.pop_back();
  }
  elem->nodes.clear();
  elem->labels.clear();
  elem->size = 0;
  elem->matches = 0;
  stack.push_back(elem);
  return elem;
}

void BackUpList::pop()
{
  spare.push_back(stack.back());
  stack.pop_back();
}

void BackUpList::clear()
{
  while (!stack.empty())
    pop();
}

Graph::Graph(const std::string& name) : graphName(name) {}

Graph::~Graph()
{
  // The tables refer to nodes of this graph: empty them first.
  procNets.ClearTable();
  procDevs.ClearTable();
  devBuffer.ClearTable();
}

void Graph::ReadGraph(FILE* file, bool isSubgraph, bool listRemovedNets)
{
  struct Closer {
    FILE* file;
    ~Closer() { fclose(file); }
  } closer{file};
  SimUnits = 1.0;
  graphNumber = isSubgraph ? 1 : 2;
  SIMSetDeviceDefs();
  struct stat status;
  if (fstat(fileno(file), &status) != 0) {
    errf("Fstat failed\n");
    stopProgram(1);
  }
  ReadSimFile(file, graphName, static_cast<long>(status.st_size), isSubgraph, data, SimUnits, SimFormat);
  numDevs = data.numDevices;
  numNets = NetIndex;
  outf("\nNumber of devices: %d, number of nets: %d\n", numDevs, numNets);
  SIMSetDevices();
  SIMSetNets(listRemovedNets);
}

Node* Graph::newDeviceNode()
{
  Node* node = nodes_.take();
  node->nodeType = DEVICE;
  return node;
}

// Device node i for device i; net node j for the real net of index j.  The
// net nodes are made first so that devices can refer to them.
void Graph::SIMSetDevices()
{
  netVector.clear();
  netVector.reserve(numNets);
  for (Net* net = data.firstNet; net != nullptr; net = net->nextInOrder) {
    if (net->equalNet != nullptr)
      continue;
    Node* node = nodes_.take();
    node->nodeType = NET;
    node->name = net->name;
    node->net = net;
    node->netConnects = net->numConnects;
    netVector.push_back(node);
  }
  deviceVector.clear();
  deviceVector.reserve(2 * static_cast<size_t>(numDevs));
  for (Device* device = data.firstDevice; device != nullptr; device = device->next) {
    Node* node = nodes_.take();
    node->nodeType = DEVICE;
    node->nodeDef = device->type;
    node->name = device->name;
    node->dev = device;
    node->connects = nodeRefs_.take(device->numTerminals);
    for (int t = 0; t < device->numTerminals; ++t)
      node->connects[t] = netVector[realNet(device->connections[t])->index];
    deviceVector.push_back(node);
  }
}

void Graph::SIMSetNets(bool listRemovedNets)
{
  for (Node* node : netVector) {
    node->devList = connRefs_.take(node->netConnects);
    int i = 0;
    for (SIMdevConnect* c = node->net->connections; c != nullptr; c = c->next, ++i) {
      Node* device = deviceVector[c->dev];
      node->devList[i].node = device;
      node->devList[i].terminal = c->terminal;
      node->devList[i]._class = DeviceDefs[device->nodeDef].terminals[c->terminal];
    }
  }
  if (graphNumber == 1) {
    for (std::string& name : *subcircuit_array) {
      Net* net = FindNet(data, name.c_str());
      if (net == nullptr) {
        outf("Couldn't find net %s?\n", name.c_str());
        continue;
      }
      if (name != net->name) {
        name = net->name;
        EnterElem(net->name);
      }
    }
  }
  // Nets without connections leave the graph; the last net takes the slot.
  bool first = true;
  for (int j = 0; j < numNets;) {
    if (netVector[j]->netConnects != 0) {
      ++j;
      continue;
    }
    if (listRemovedNets) {
      if (first)
        outf("Ignoring the following nets which have no connections\n");
      outf("\t%s (net #%d)\n ", netVector[j]->name, j);
    }
    first = false;
    netVector[j] = netVector[numNets - 1];
    netVector.pop_back();
    --numNets;
  }
}

std::string deviceName(const Node* node)
{
  int number = node->dev != nullptr ? node->dev->number : -1;
  return std::string("m") + node->name + "_" + std::to_string(number);
}

void printNode(const Node* node)
{
  if (node->nodeType == NET) {
    outf("net %s, %d connections", node->name, node->netConnects);
  } else {
    outf("device %s (", deviceName(node).c_str());
    for (int i = 0; i < node->numNeighbors(); ++i)
      outf(i == 0 ? "%s" : " %s", node->neighbor(i)->name);
    outf(")");
  }
  if (Debug)
    outf(", label %u", node->nodeValue);
  outf("\n");
}

}  // namespace abstractor
