// User-defined device types of the SIM reader: vector names (name[a:b]),
// the classes of the pins of a DEFINE line, and the checks of a repeated
// definition.
#include "SimTypes.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "Output.h"

namespace abstractor {

static bool isDigit(char c)
{
  return c >= '0' && c <= '9';
}

// ---------------------------------------------------------------------------
// Vector names: name[a:b].

// Returns false for an ordinary name (no brackets, or a single index);
// otherwise the base name and the range.  Bad syntax stops the program.
static bool parseVector(const char* token, int lineNo, std::string& base, int& from, int& to)
{
  const char* open = strchr(token, '[');
  if (open == nullptr)
    return false;
  const char* p = open + 1;
  auto number = [&](int& value) {
    while (*p == ' ' || *p == '\t')
      ++p;
    if (!isDigit(*p)) {
      outf("Invalid argument %s on line %d\n", token, lineNo);
      stopProgram(1);
    }
    long long v = 0;
    for (; isDigit(*p); ++p)
      v = std::min<long long>(v * 10 + (*p - '0'), static_cast<long long>(INT_MAX) + 1);
    if (v > INT_MAX) {
      outf("Invalid argument %s on line %d\n", token, lineNo);
      stopProgram(1);
    }
    value = static_cast<int>(v);
    while (*p == ' ' || *p == '\t')
      ++p;
  };
  number(from);
  if (*p == ']')
    return false;
  if (*p != ':') {
    outf("Invalid argument %s on line %d\n", token, lineNo);
    stopProgram(1);
  }
  ++p;
  number(to);
  if (*p != ']' || p[1] != '\0') {
    outf("Invalid argument %s on line %d\n", token, lineNo);
    stopProgram(1);
  }
  if (from > to) {
    outf("Invalid argument %s on line %d: no descending sequences\n", token, lineNo);
    stopProgram(1);
  }
  base.assign(token, open - token);
  return true;
}

static std::string element(const std::string& base, int k)
{
  return base + "[" + std::to_string(k) + "]";
}

// Expands an external-net token of the SUBCIRCUIT record; `room` is the
// number of names the record may still take.
std::vector<std::string> find_array(const char* name, int lineNo, int room)
{
  std::string base;
  int from = 0;
  int to = 0;
  if (!parseVector(name, lineNo, base, from, to)) {
    if (room < 1)
      fatalAtLine(lineNo, "More than %d external nets in SUBCIRCUIT statement.\n", MAXEXTERNALNETS);
    return {name};
  }
  if (static_cast<long long>(to) - from + 1 > room)
    fatalAtLine(lineNo, "More than %d external nets in SUBCIRCUIT statement.\n", MAXEXTERNALNETS);
  std::vector<std::string> names;
  for (int k = from; k <= to; ++k)
    names.push_back(element(base, k));
  return names;
}

// Appends the pins of one definition token to `tags`; `position` is the
// next pin position.
static void define_array(const char* name, std::vector<TAGGED_TYPE>& tags, int& position, int lineNo)
{
  std::string base;
  int from = 0;
  int to = 0;
  bool vector = parseVector(name, lineNo, base, from, to);
  long long count = vector ? static_cast<long long>(to) - from + 1 : 1;
  if (position + count > NUMTERMINALS) {
    outf("Fatal error at line %d: ", lineNo);
    outf("More than %d terminals in userdefined device\n", NUMTERMINALS);
    outf("Please change NUMTERMINALS variable and recompile\n");
    throw NetlistFatal{};
  }
  for (long long i = 0; i < count; ++i) {
    TAGGED_TYPE tag;
    tag.string = vector ? element(base, from + static_cast<int>(i)) : std::string(name);
    tag.hval = SimpleHash(tag.string.c_str());
    tag.index = position;
    tag.weight = position;
    tags.push_back(std::move(tag));
    ++position;
  }
}

// ---------------------------------------------------------------------------
// User-defined types and devices.

unsigned SimpleHash(const char* text)
{
  unsigned x = 0;
  unsigned y = 0;
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != 0; ++c) {
    unsigned upper = (*c >= 'a' && *c <= 'z') ? *c - 'a' + 'A' : *c;
    y = (y ^ upper) * 2;
    x = x ^ upper;
  }
  return (x << 16) ^ y;
}

// Set once the heading of the type list has been printed (-d).
static bool typesPrinted = false;

void simTypesReset()
{
  typesPrinted = false;
}

static void printTypeDefinition(int type)
{
  const DeviceDefinition& def = DeviceDefs[type];
  if (!typesPrinted) {
    outf("User-defined device types:\n");
    typesPrinted = true;
  }
  outf("%12s: ", def.name.c_str());
  for (unsigned char terminal : def.terminals)
    outf("%d ", terminal);
  outf("\n%12s: Device Index %d, %d pins\n", def.name.c_str(), type, def.numTerminals);
}

// define <type> <pin> <pin> ...
void UserDefLine(std::vector<char*>& tokens, int lineNo)
{
  if (NumDeviceDefs > MAXDEVICETYPES - 1)
    fatalAtLine(lineNo, "too many user-defined devices.\n");
  if (tokens.size() < 3)
    fatalAtLine(lineNo, "empty DEFINE statement.\n");
  const char* typeName = tokens[1];
  if (strlen(typeName) < 2) {
    outf("Fatal error at line %d: ", lineNo);
    outf("User-defined device type '%s' is illegal.\n", typeName);
    outf("User-defined type names must have two or more characters.\n");
    throw NetlistFatal{};
  }
  std::vector<TAGGED_TYPE> tags;
  int position = 0;
  for (size_t i = 2; i < tokens.size(); ++i)
    define_array(tokens[i], tags, position, lineNo);

  auto textLess = [](const TAGGED_TYPE& a, const TAGGED_TYPE& b) {
    return strncmp(a.string.c_str(), b.string.c_str(), NAME_COMPARE) < 0;
  };
  std::sort(tags.begin(), tags.end(), [&](const TAGGED_TYPE& a, const TAGGED_TYPE& b) {
    if (a.hval != b.hval)
      return a.hval < b.hval;
    return textLess(a, b);
  });
  // Pins of equal name form one class: the position of the first of them.
  for (size_t start = 0; start < tags.size();) {
    size_t end = start + 1;
    int first = tags[start].index;
    while (end < tags.size() && tags[end].hval == tags[start].hval && !textLess(tags[start], tags[end])) {
      first = std::min(first, tags[end].index);
      ++end;
    }
    for (size_t i = start; i < end; ++i)
      tags[i].weight = first;
    start = end;
  }
  std::sort(tags.begin(), tags.end(),
            [](const TAGGED_TYPE& a, const TAGGED_TYPE& b) { return a.index < b.index; });

  for (int t = NUM_BUILTIN_TYPES; t < NumDeviceDefs; ++t) {
    DeviceDefinition& def = DeviceDefs[t];
    if (strncmp(def.name.c_str(), typeName, NAME_COMPARE) != 0)
      continue;
    if (def.numTerminals != static_cast<int>(tags.size()))
      fatalAtLine(lineNo, "inconsistent pin counts for user-defined type '%s'.\n", typeName);
    for (size_t i = 0; i < tags.size(); ++i)
      if (def.terminals[i] != tags[i].weight)
        fatalAtLine(lineNo, "inconsistent pin names for user-defined type '%s'.\n", typeName);
    return;
  }

  DeviceDefinition& def = DeviceDefs[NumDeviceDefs];
  def.name = typeName;
  def.numTerminals = static_cast<int>(tags.size());
  def.terminals.clear();
  for (const TAGGED_TYPE& tag : tags)
    def.terminals.push_back(static_cast<unsigned char>(tag.weight));
  def.define_line.clear();
  for (size_t i = 1; i < tokens.size(); ++i) {
    if (i > 1)
      def.define_line += ' ';
    def.define_line += tokens[i];
  }
  ++NumDeviceDefs;
  ++num_userdefs;
  if (Debug)
    printTypeDefinition(NumDeviceDefs - 1);
}

}  // namespace abstractor
