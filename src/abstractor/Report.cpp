// Outputs of subpyxis for every verified instance, and the result circuit.
#include "Report.h"

#include <cstdio>
#include <vector>

#include "Matcher.h"
#include "Output.h"

namespace abstractor {

namespace {

struct ReportState {
  std::string subgraphName;
  std::string matchName;
  std::string symmetryName;
  FILE* match = nullptr;
  FILE* symmetry = nullptr;
  bool replace = false;
  std::vector<Device*> partnerOf;  // by subcircuit device index
};

}  // namespace

static ReportState* state = nullptr;

void reportInit(const std::string& subgraphName)
{
  reportFree();
  state = new ReportState;
  state->subgraphName = subgraphName;
}

void reportFree()
{
  if (state == nullptr)
    return;
  if (state->match != nullptr)
    fclose(state->match);
  if (state->symmetry != nullptr)
    fclose(state->symmetry);
  delete state;
  state = nullptr;
}

void setMatchFile(const std::string& name)
{
  state->matchName = name;
}

void setSymmetryFile(const std::string& name)
{
  state->symmetryName = name;
}

void setReplaceInstances(bool replace)
{
  state->replace = replace;
}

// The file open for appending (opened at the first instance).
static FILE* appendTo(FILE*& file, const std::string& name)
{
  if (file == nullptr) {
    file = fopen(name.c_str(), "a");
    if (file == nullptr) {
      outf("Error in opening %s\n", name.c_str());
      stopProgram(1);
    }
  }
  return file;
}

static int deviceNumber(const Node* node)
{
  return node->dev != nullptr ? node->dev->number : -1;
}

static void writeMatches(Graph& S, Graph& G)
{
  FILE* file = appendTo(state->match, state->matchName);
  const std::vector<MatchElem>& sElems = S.matchList.elems;
  const std::vector<MatchElem>& gElems = G.matchList.elems;
  for (size_t k = sElems.size(); k-- > 0;) {
    const Node* s = sElems[k].node;
    const Node* g = gElems[k].node;
    if (s->nodeType != DEVICE)
      continue;
    if (g->nodeType != DEVICE || s->nodeDef != g->nodeDef) {
      outf("\n %s\n", "isomorphism failed?");
      stopProgram(1);
    }
    fprintf(file, "m%s_%i ", g->name, deviceNumber(g));
    for (int i = 0; i < g->numNeighbors(); ++i)
      fprintf(file, "%s ", g->neighbor(i)->name);
    fprintf(file, "\n");
  }
  fprintf(file, "\n");
}

static void writeSymmetry(Graph& S, Graph& G)
{
  std::vector<Device*>& partnerOf = state->partnerOf;
  partnerOf.assign(S.numDevs, nullptr);
  const std::vector<MatchElem>& sElems = S.matchList.elems;
  const std::vector<MatchElem>& gElems = G.matchList.elems;
  for (size_t k = 0; k < sElems.size(); ++k) {
    const Node* s = sElems[k].node;
    if (s->nodeType == DEVICE && s->dev != nullptr && s->dev->sym != nullptr)
      partnerOf[s->dev->index] = gElems[k].node->dev;
  }
  auto partner = [&](const Device* device) -> Device* {
    return device != nullptr ? partnerOf[device->index] : nullptr;
  };
  FILE* file = appendTo(state->symmetry, state->symmetryName);
  for (SymList* item = SymmetryList; item != nullptr; item = item->next) {
    Sym* sym = item->sym;
    sym->pdev1 = partner(sym->dev1);
    sym->pdev2 = partner(sym->dev2);
    sym->pdev3 = partner(sym->dev3);
    if (sym->pdev1 == nullptr || sym->pdev2 == nullptr)
      continue;
    if (sym->pdev3 != nullptr) {
      fprintf(file, "{\n  m%s_%i = m%s_%i\n} : m%s_%i", sym->pdev1->name, sym->pdev1->number,
              sym->pdev2->name, sym->pdev2->number, sym->pdev3->name, sym->pdev3->number);
    } else {
      fprintf(file, "{\n  m%s_%i = m%s_%i\n}", sym->pdev1->name, sym->pdev1->number,
              sym->pdev2->name, sym->pdev2->number);
    }
    fprintf(file, " // %s\n", state->subgraphName.c_str());
  }
}

static int externalPosition(const char* name)
{
  for (size_t k = 0; k < subcircuit_array->size(); ++k)
    if ((*subcircuit_array)[k] == name)
      return static_cast<int>(k);
  return -1;
}

[[noreturn]] static void replaceFailed(const char* why)
{
  outf("\n %s\n", why);
  stopProgram(1);
}

// Attaches the circuit net `net` to pin `k` of the instance device: the
// entries of matched devices leave its device list (in place, keeping the
// order of the rest) and the instance takes one entry at the end.
static void attachNet(Node* instance, Node* net, int k)
{
  const DeviceDefinition& def = DeviceDefs[instance->nodeDef];
  int kept = 0;
  for (int i = 0; i < net->netConnects; ++i)
    if ((net->devList[i].node->status & MATCHED) == 0)
      net->devList[kept++] = net->devList[i];
  if (kept == net->netConnects)
    replaceFailed("No matched nodes??");
  DeviceConnection& entry = net->devList[kept];
  entry.node = instance;
  entry.terminal = static_cast<short>(k);
  entry._class = def.terminals[k];
  net->netConnects = kept + 1;
  instance->connects[k] = net;
}

static void replaceInstance(Graph& S, Graph& G)
{
  int type = -1;
  for (int t = NUM_BUILTIN_TYPES; t < NumDeviceDefs; ++t)
    if (DeviceDefs[t].name == *subcircuit_name)
      type = t;
  if (type < 0)
    replaceFailed("couldn't find subcircuit definition");
  const DeviceDefinition& def = DeviceDefs[type];
  Node* instance = G.newDeviceNode();
  instance->nodeDef = type;
  instance->name = def.name.c_str();
  instance->connects = G.newNetSlots(def.numTerminals);
  int attached = 0;
  const std::vector<MatchElem>& sElems = S.matchList.elems;
  const std::vector<MatchElem>& gElems = G.matchList.elems;
  for (size_t k = sElems.size(); k-- > 0;) {
    const Node* s = sElems[k].node;
    Node* g = gElems[k].node;
    if (g->nodeType == DEVICE || !InExtNetHT(s->name)) {
      g->status |= DELETED;
      continue;
    }
    int position = externalPosition(s->name);
    if (position < 0) {
      outf("Oops.  We cannot find a net.  Must be aliased.\n");
      stopProgram(1);
    }
    if (position >= def.numTerminals || instance->connects[position] != nullptr)
      replaceFailed("don't match");
    attachNet(instance, g, position);
    ++attached;
  }
  if (attached != def.numTerminals)
    replaceFailed("don't match");
  SetInitLabel(instance);
  G.procDevs.InsertNode(instance);
  G.deviceVector.push_back(instance);
  G.numDevs = static_cast<int>(G.deviceVector.size());
  instance->status |= MATCHED;
}

void WriteInstance(Graph& S, Graph& G)
{
  if (!state->matchName.empty())
    writeMatches(S, G);
  if (!state->symmetryName.empty())
    writeSymmetry(S, G);
  if (state->replace)
    replaceInstance(S, G);
}

bool PrintGraphToFile(Graph& G, const std::string& fileName)
{
  FILE* file = fopen(fileName.c_str(), "w");
  if (file == nullptr)
    return false;
  for (Net* net = G.data.firstNet; net != nullptr; net = net->nextInOrder)
    if (net->equalNet != nullptr)
      fprintf(file, "= %s %s\n", net->equalNet->name, net->name);
  for (int t = NUM_BUILTIN_TYPES; t < NumDeviceDefs; ++t)
    fprintf(file, "DEFINE %s \n", DeviceDefs[t].define_line.c_str());
  fprintf(file, "\n");
  for (const Node* device : G.deviceVector) {
    if ((device->status & DELETED) != 0)
      continue;
    fprintf(file, "%s ", device->name);
    for (int i = 0; i < device->numNeighbors(); ++i)
      fprintf(file, "%s ", device->neighbor(i)->name);
    fprintf(file, "\n");
  }
  return fclose(file) == 0;
}

}  // namespace abstractor
