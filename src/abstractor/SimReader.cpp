// The SIM netlist reader: record classification, nets and aliases, devices,
// user-defined types, the SUBCIRCUIT record and symmetry records.
#include "SimReader.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "Output.h"
#include "SimTypes.h"

namespace abstractor {

DeviceDefinition* DeviceDefs = nullptr;
int NumDeviceDefs = 0;
int num_userdefs = 0;
int NetIndex = 0;
std::vector<std::string>* subcircuit_array = nullptr;
int subcircuit_connections = 0;
std::string* subcircuit_name = nullptr;
int SubCircuitLocated = 0;
SymList* SymmetryList = nullptr;
int Debug = 0;

namespace {

constexpr int EXT_CHAINS = 137;  // chains of the external-net set

struct ReaderState {
  std::unique_ptr<DeviceDefinition[]> deviceDefs{new DeviceDefinition[MAXDEVICETYPES]};
  std::vector<std::string> subcircuitArray;
  std::string subcircuitName;
  std::vector<std::string> extNetHT[EXT_CHAINS];
  std::vector<std::unique_ptr<Sym>> syms;
  std::vector<std::unique_ptr<SymList>> symLists;

  // The file being read.
  SimData* data = nullptr;
  bool isSubgraph = false;
  int lineNo = 0;
  bool sawDevice = false;
  double* simUnits = nullptr;
  int* simFormat = nullptr;
  std::unordered_map<int, Device*> deviceByNumber;  // first device of each number
  std::vector<char*> tokens;
};

}  // namespace

static ReaderState* state = nullptr;

void readerInit()
{
  readerFree();
  state = new ReaderState;
  simTypesReset();
  DeviceDefs = state->deviceDefs.get();
  subcircuit_array = &state->subcircuitArray;
  subcircuit_name = &state->subcircuitName;
}

void readerFree()
{
  delete state;
  state = nullptr;
  DeviceDefs = nullptr;
  NumDeviceDefs = 0;
  num_userdefs = 0;
  NetIndex = 0;
  subcircuit_array = nullptr;
  subcircuit_connections = 0;
  subcircuit_name = nullptr;
  SubCircuitLocated = 0;
  SymmetryList = nullptr;
  Debug = 0;
}

void SIMSetDeviceDefs()
{
  if (NumDeviceDefs != 0)
    return;
  static const char* const builtIn[NUM_BUILTIN_TYPES] = {"dep", "e", "n", "p"};
  for (int i = 0; i < NUM_BUILTIN_TYPES; ++i) {
    DeviceDefinition& def = DeviceDefs[i];
    def.name = builtIn[i];
    def.numTerminals = 3;
    def.terminals = {0, 1, 1};  // gate; source and drain interchangeable
    def.define_line.clear();
  }
  NumDeviceDefs = NUM_BUILTIN_TYPES;
}

// ---------------------------------------------------------------------------
// Small text helpers.

static bool isBlank(char c)
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

static bool isAsciiLetter(char c)
{
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

static bool isDigit(char c)
{
  return c >= '0' && c <= '9';
}

// Splits `text` in place at blanks.  With `stopAtComment` the tokens end at
// the first one that starts with ";".
static std::vector<char*>& splitTokens(char* text, bool stopAtComment)
{
  std::vector<char*>& tokens = state->tokens;
  tokens.clear();
  char* p = text;
  for (;;) {
    while (isBlank(*p))
      ++p;
    if (*p == '\0')
      break;
    if (stopAtComment && *p == ';')
      break;
    tokens.push_back(p);
    while (*p != '\0' && !isBlank(*p))
      ++p;
    if (*p == '\0')
      break;
    *p++ = '\0';
  }
  return tokens;
}

// atoi() without overflow: optional sign and leading digits, saturated.
static int saturatedInt(const char* text)
{
  while (*text == ' ' || *text == '\t')
    ++text;
  bool negative = false;
  if (*text == '+' || *text == '-')
    negative = *text++ == '-';
  long long value = 0;
  for (; isDigit(*text); ++text) {
    value = value * 10 + (*text - '0');
    if (value > INT_MAX)
      value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative)
    value = -value;
  return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

// Reads one line of any length without its newline; false at the end.
static bool readLine(FILE* file, char*& buffer, size_t& capacity)
{
  ssize_t length = getline(&buffer, &capacity, file);
  if (length < 0)
    return false;
  if (length > 0 && buffer[length - 1] == '\n')
    buffer[length - 1] = '\0';
  return true;
}

// ---------------------------------------------------------------------------
// Nets.

unsigned netHash(const char* name, unsigned hashSize)
{
  uint32_t h = 0;
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(name); *c != 0; ++c)
    h = (h + 337351u) * *c;
  return h % hashSize;
}

Net* realNet(Net* net)
{
  Net* root = net;
  while (root->real != root)
    root = root->real;
  while (net->real != root) {
    Net* up = net->real;
    net->real = root;
    net = up;
  }
  return root;
}

// The link where `name` is or would be inserted in its ascending chain.
static Net** chainPlace(SimData& data, const char* name)
{
  Net** link = &data.hash[netHash(name, data.hashSize)];
  while (*link != nullptr && strcmp((*link)->name, name) < 0)
    link = &(*link)->next;
  return link;
}

Net* FindNet(SimData& data, const char* name)
{
  Net* net = *chainPlace(data, name);
  if (net == nullptr || strcmp(net->name, name) != 0)
    return nullptr;
  return realNet(net);
}

Net* FindOrAllocNet(SimData& data, const char* name)
{
  Net** link = chainPlace(data, name);
  if (*link != nullptr && strcmp((*link)->name, name) == 0)
    return realNet(*link);
  Net* net = data.nets.take();
  net->name = data.names.store(name);
  net->index = NetIndex;  // made dense again after the file is read
  net->numConnects = 0;
  net->connections = nullptr;
  net->lastConnection = nullptr;
  net->equalNet = nullptr;
  net->real = net;
  net->next = *link;
  *link = net;
  net->nextInOrder = nullptr;
  if (data.lastNet != nullptr)
    data.lastNet->nextInOrder = net;
  else
    data.firstNet = net;
  data.lastNet = net;
  ++NetIndex;
  return net;
}

void EquateNets(SimData& data, Net* first, Net* second, bool inSubgraph)
{
  (void)data;
  first = realNet(first);
  second = realNet(second);
  if (first == second)
    return;
  if (inSubgraph) {
    if (InExtNetHT(first->name))
      EnterElem(second->name);
    if (InExtNetHT(second->name))
      EnterElem(first->name);
  }
  if (second->connections != nullptr) {
    if (first->connections != nullptr)
      first->lastConnection->next = second->connections;
    else
      first->connections = second->connections;
    first->lastConnection = second->lastConnection;
  }
  first->numConnects += second->numConnects;
  second->connections = nullptr;
  second->lastConnection = nullptr;
  second->numConnects = -1;
  second->equalNet = first;
  second->real = first;
  second->index = -1;
  --NetIndex;
}

// ---------------------------------------------------------------------------
// The external-net set.

static int extChain(const char* name)
{
  long long sum = 0;
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(name); *c != 0; ++c)
    sum += static_cast<long long>(*c) * (*c - 2);
  return static_cast<int>(((sum % 135) + 135) % 135) + 2;
}

bool InExtNetHT(const char* name)
{
  for (const std::string& entry : state->extNetHT[extChain(name)])
    if (entry == name)
      return true;
  return false;
}

void EnterElem(const char* name)
{
  if (!InExtNetHT(name))
    state->extNetHT[extChain(name)].push_back(name);
}

// ---------------------------------------------------------------------------
// Devices.

static Device* newDevice(int type, int number, char** netNames, int count)
{
  SimData& data = *state->data;
  const DeviceDefinition& def = DeviceDefs[type];
  assert(count == def.numTerminals && "terminal count checked by the caller");
  Device* device = data.devices.take();
  device->index = data.numDevices++;
  device->type = type;
  device->number = number;
  device->sym = nullptr;
  device->property = nullptr;
  device->numTerminals = count;
  device->connections = data.netRefs.take(count);
  device->next = nullptr;
  device->name = def.name.c_str();
  if (data.lastDevice != nullptr)
    data.lastDevice->next = device;
  else
    data.firstDevice = device;
  data.lastDevice = device;
  for (int t = 0; t < count; ++t) {
    Net* net = FindOrAllocNet(data, netNames[t]);
    device->connections[t] = net;
    SIMdevConnect* connect = data.connects.take();
    connect->dev = device->index;
    connect->terminal = static_cast<short>(t);
    connect->clas = def.terminals[t];
    connect->next = net->connections;
    if (net->connections == nullptr)
      net->lastConnection = connect;
    net->connections = connect;
    ++net->numConnects;
  }
  if (state->isSubgraph)  // only sym records look devices up
    state->deviceByNumber.emplace(number, device);
  state->sawDevice = true;
  return device;
}

static void transistorRecord(std::vector<char*>& tokens, int type, int number)
{
  if (tokens.size() < 4)
    fatalAtLine(state->lineNo, "transistor '%s' needs a gate, a source and a drain.\n", tokens[0]);
  newDevice(type, number, &tokens[1], 3);
}

// One-letter SIM records.
static void oneLetterRecord(char* record)
{
  std::string original = record;
  std::vector<char*>& tokens = splitTokens(record, false);
  switch (record[0]) {
    case 'e':
    case 'n':
      transistorRecord(tokens, 2, -1);
      return;
    case 'd':
    case 'p':
      transistorRecord(tokens, 3, -1);
      return;
    case 'C':
    case 'c':
    case 'L':
    case 'N':
      if (tokens.size() > 1)
        FindOrAllocNet(*state->data, tokens[1]);
      return;
    case 'A':
    case 'B':
    case 'R':
    case 'v':
      return;
    default:
      outf("%s\n", original.c_str());
      outf("\n %s\n", "oops.");
      stopProgram(1);
  }
}

// mn_<k> and mp_<k>.
static void numberedTransistor(char* record)
{
  char letter = record[1];
  if (letter != 'n' && letter != 'p') {
    outf("QK1: %s\n", record);
    outf("\n %s\n", "oops.");
    stopProgram(1);
  }
  std::vector<char*>& tokens = splitTokens(record, false);
  transistorRecord(tokens, letter == 'n' ? 2 : 3, saturatedInt(tokens[0] + 3));
}

// A definition or a device of a user-defined type.
static void MatchUserDef(char* record, int lineNo)
{
  std::vector<char*>& tokens = splitTokens(record, true);
  if (tokens.size() < 2)
    fatalAtLine(lineNo, "illegal statement\n");
  if (strcasecmp(tokens[0], "define") == 0) {
    UserDefLine(tokens, lineNo);
    return;
  }
  int type = -1;
  for (int t = NUM_BUILTIN_TYPES; t < NumDeviceDefs; ++t) {
    if (DeviceDefs[t].name == tokens[0]) {
      type = t;
      break;
    }
  }
  if (type < 0)
    fatalAtLine(lineNo, "device '%s' not defined.\n", tokens[0]);
  int nets = static_cast<int>(tokens.size()) - 1;
  if (nets != DeviceDefs[type].numTerminals)
    fatalAtLine(lineNo, "device '%s' has %d nets, its type has %d pins.\n", tokens[0], nets,
                DeviceDefs[type].numTerminals);
  newDevice(type, -1, &tokens[1], nets);
}

// ---------------------------------------------------------------------------
// Headers, aliases, SUBCIRCUIT and sym records.

static void headerRecord(char* text)
{
  if (state->sawDevice) {
    outf("description of file type not on first line: line no. %d\n", state->lineNo);
    return;
  }
  std::vector<char*>& tokens = splitTokens(text, false);
  size_t next = 1;
  if (!tokens.empty() && strcmp(tokens[0], "units:") == 0) {
    if (tokens.size() > 1)
      *state->simUnits = atof(tokens[1]);
    next = 2;
  }
  for (size_t i = next; i < tokens.size(); ++i) {
    if (strcmp(tokens[i], "format:") != 0)
      continue;
    const char* format = i + 1 < tokens.size() ? tokens[i + 1] : "";
    if (strcmp(format, "MIT") == 0) {
      *state->simFormat = 1;
    } else if (strcmp(format, "UCB") == 0) {
      *state->simFormat = 2;
    } else {
      outf("\nUnknown SIM file format: %s\n", format);
      *state->simFormat = 0;
    }
    return;
  }
  outf("\nSIM file format not included in header: ");
  outf("assuming MIT format\n");
  *state->simFormat = 1;
}

// = net1 net2 ... netN; with `announce` the equating is printed.
static void equateNames(std::vector<char*>& tokens, size_t first, bool announce)
{
  if (tokens.size() <= first)
    return;
  SimData& data = *state->data;
  Net* net1 = FindOrAllocNet(data, tokens[first]);
  if (announce)
    outf("Equating nets %s ", tokens[first]);
  for (size_t i = first + 1; i < tokens.size(); ++i) {
    EquateNets(data, net1, FindOrAllocNet(data, tokens[i]), state->isSubgraph);
    if (announce)
      outf("and %s\n", tokens[i]);
  }
}

static void readAliasFile(FILE* file)
{
  char* buffer = nullptr;
  size_t capacity = 0;
  while (readLine(file, buffer, capacity)) {
    std::vector<char*>& tokens = splitTokens(buffer, false);
    if (tokens.empty() || tokens[0][0] == ';' || tokens[0][0] == '|')
      continue;
    if (strcmp(tokens[0], "=") != 0) {
      errf("Format error in alias file\n");
      continue;
    }
    equateNames(tokens, 1, true);
  }
  free(buffer);
}

std::string aliasFileName(const std::string& netlist)
{
  size_t slash = netlist.rfind('/');
  size_t dot = netlist.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return "";
  return netlist.substr(0, dot + 1) + "al";
}

static void subcircuitRecord(char* record)
{
  if (!state->isSubgraph)
    return;
  std::vector<char*>& tokens = splitTokens(record, false);
  if (tokens.size() < 2) {
    outf("Subcircuit does not have a name on line %d\n", state->lineNo);
    stopProgram(1);
  }
  ++SubCircuitLocated;
  *subcircuit_name = tokens[1];
  for (size_t i = 2; i < tokens.size(); ++i) {
    int room = MAXEXTERNALNETS - static_cast<int>(subcircuit_array->size());
    for (std::string& name : find_array(tokens[i], state->lineNo, room)) {
      EnterElem(name.c_str());
      subcircuit_array->push_back(std::move(name));
    }
  }
  subcircuit_connections = static_cast<int>(subcircuit_array->size());
}

// The number at the start of `text` (blanks and a sign allowed); false when
// there is none.
static bool leadingNumber(const char* text, int& value)
{
  while (*text == ' ' || *text == '\t')
    ++text;
  const char* digits = (*text == '+' || *text == '-') ? text + 1 : text;
  if (!isDigit(*digits))
    return false;
  value = saturatedInt(text);
  return true;
}

Sym* NewSym(SimData& data, int a, int b, int c)
{
  (void)data;
  auto sym = std::make_unique<Sym>();
  sym->index = static_cast<int>(state->syms.size());
  sym->devnum1 = a;
  sym->devnum2 = b;
  sym->devnum3 = c;
  sym->pdev1 = sym->pdev2 = sym->pdev3 = nullptr;
  auto find = [&](int number, const char* which) -> Device* {
    auto found = state->deviceByNumber.find(number);
    if (found == state->deviceByNumber.end()) {
      outf("SYM: %s (%i) can't be found on subcircuit\n", which, number);
      return nullptr;
    }
    found->second->sym = sym.get();
    return found->second;
  };
  sym->dev1 = find(a, "dev1");
  sym->dev2 = find(b, "dev2");
  sym->dev3 = c != -1 ? find(c, "dev3") : nullptr;
  auto link = std::make_unique<SymList>();
  link->sym = sym.get();
  link->next = SymmetryList;
  SymmetryList = link.get();
  state->symLists.push_back(std::move(link));
  state->syms.push_back(std::move(sym));
  return SymmetryList->sym;
}

// sym <a>=<b>[:<c>]
static void symRecord(char* record)
{
  if (!state->isSubgraph)
    return;
  char* text = record + 3;
  char* equals = strchr(text, '=');
  int a = 0;
  int b = 0;
  int c = -1;
  if (equals != nullptr)
    *equals = '\0';
  if (equals == nullptr || !leadingNumber(text, a)) {
    outf("Sym does not have the first argument on line %d\n", state->lineNo);
    stopProgram(1);
  }
  char* second = equals + 1;
  char* colon = strchr(second, ':');
  if (colon != nullptr)
    *colon = '\0';
  if (!leadingNumber(second, b)) {
    outf("Sym does not have the second argument on line %d\n", state->lineNo);
    stopProgram(1);
  }
  if (colon != nullptr && !leadingNumber(colon + 1, c))
    c = -1;
  NewSym(*state->data, a, b, c);
}

// ---------------------------------------------------------------------------
// One record, classified by its first characters.

static void readRecord(char* line)
{
  char* p = line;
  while (isBlank(*p))
    ++p;
  if (*p == '\0' || *p == ';')
    return;
  if (*p == '|') {
    headerRecord(p + 1);
  } else if (*p == '=') {
    equateNames(splitTokens(p + 1, false), 0, false);
  } else if (strncasecmp(p, "define", 6) == 0) {
    MatchUserDef(p, state->lineNo);
  } else if (strncasecmp(p, "subcircuit", 10) == 0) {
    subcircuitRecord(p);
  } else if (isAsciiLetter(p[0]) && (p[1] == '\0' || isBlank(p[1]))) {
    oneLetterRecord(p);
  } else if (p[0] == 'm' && p[1] != '\0' && p[2] == '_') {
    numberedTransistor(p);
  } else if (strncasecmp(p, "sym", 3) == 0) {
    symRecord(p);
  } else {
    MatchUserDef(p, state->lineNo);
  }
}

static void missingSubcircuitRecord()
{
  outf("You did not include a line describing the external nets\n");
  outf("of the subcircuit, which should look like the following:\n");
  outf("\tSUBCIRCUIT nand3 in1 in2 in3 out\n");
  outf("This line is need so that SubPyxis knows that these nets\n");
  outf("are external to the subcircuit, i.e., that they can be\n");
  outf("connected to extraneous devices in the large circuit and\n");
  outf("there will still be a match..\n\n\n");
}

// Every case spelling of gnd (and of vdd) names one net.
static void mergeSpellings(const char* const* names, int count)
{
  SimData& data = *state->data;
  Net* first = nullptr;
  for (int i = 0; i < count; ++i) {
    Net* net = FindNet(data, names[i]);
    if (net == nullptr)
      continue;
    if (first == nullptr)
      first = net;
    else
      EquateNets(data, first, net, state->isSubgraph);
  }
}

void ReadSimFile(FILE* file, const std::string& fileName, long fileSize, bool isSubgraph,
                 SimData& data, double& simUnits, int& simFormat)
{
  long size = std::max<long>(fileSize / 64, 101);
  data.hashSize = static_cast<unsigned>(size / 2 * 2 + 1);
  data.hash.assign(data.hashSize, nullptr);
  NetIndex = 0;
  state->data = &data;
  state->isSubgraph = isSubgraph;
  state->lineNo = 0;
  state->sawDevice = false;
  state->simUnits = &simUnits;
  state->simFormat = &simFormat;
  state->deviceByNumber.clear();

  std::string alias = aliasFileName(fileName);
  if (!alias.empty()) {
    if (FILE* aliases = fopen(alias.c_str(), "r")) {
      readAliasFile(aliases);
      fclose(aliases);
    }
  }

  char* buffer = nullptr;
  size_t capacity = 0;
  try {
    while (readLine(file, buffer, capacity)) {
      ++state->lineNo;
      readRecord(buffer);
    }
  } catch (...) {
    free(buffer);
    throw;
  }
  free(buffer);

  if (isSubgraph && SubCircuitLocated != 1) {
    if (SubCircuitLocated == 0) {
      missingSubcircuitRecord();
    } else {
      outf("You included the SUBCIRCUIT command %d times in your\n", SubCircuitLocated);
      outf("subcircuit file.  Please have only one such command line.\n\n\n");
    }
    throw UsageRequest{};
  }

  static const char* const grounds[] = {"gND", "GND", "gnd", "Gnd", "gNd", "gnD", "GNd", "GnD"};
  static const char* const powers[] = {"Vdd", "vdd", "vDd", "vdD", "VDd", "vDD", "VDD", "VdD"};
  mergeSpellings(grounds, 8);
  mergeSpellings(powers, 8);

  // Real nets are numbered densely in order of creation.
  int index = 0;
  for (Net* net = data.firstNet; net != nullptr; net = net->nextInOrder)
    if (net->equalNet == nullptr)
      net->index = index++;
  assert(index == NetIndex && "every equate removes one real net");
  state->data = nullptr;
}

}  // namespace abstractor
