// Writes a random transistor circuit as a SIM netlist, with instances of the
// given subcircuit files planted in it (about one device in ten belongs to
// an instance).
//
//   gen_circuit <transistors> <seed> <out.sim> <subcircuit-file>...
//
// The random part: n and p transistors whose gates and drains go to random
// nets of a pool as large as the device count, and whose sources go to gnd
// (n) or vdd (p) one time in seven.  A planted instance takes random pool
// nets for its external nets (gnd and vdd for those names) and fresh nets for
// its internal ones.  Standard error gets one line per subcircuit file: the
// number of instances planted.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Transistor {
  char type;                 // 'n' or 'p'
  std::string gate, source, drain;
};

struct Subcircuit {
  std::string file;
  std::vector<Transistor> devices;
  std::set<std::string> external;
  int planted = 0;
};

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t next()
  {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  size_t below(size_t n) { return static_cast<size_t>(next() % n); }

 private:
  uint64_t state_;
};

Subcircuit readSubcircuit(const char* file)
{
  Subcircuit sub;
  sub.file = file;
  std::ifstream in(file);
  if (!in) {
    fprintf(stderr, "gen_circuit: cannot read %s\n", file);
    exit(2);
  }
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string keyword;
    words >> keyword;
    if (keyword == "SUBCIRCUIT") {
      std::string name, net;
      words >> name;
      while (words >> net)
        sub.external.insert(net);
    } else if (keyword.size() > 2 && keyword[0] == 'm' && keyword[2] == '_') {
      Transistor t;
      t.type = keyword[1];
      words >> t.gate >> t.source >> t.drain;
      sub.devices.push_back(t);
    }
  }
  return sub;
}

bool isSupply(const std::string& name)
{
  return strncasecmp(name.c_str(), "vdd", 3) == 0 || strncasecmp(name.c_str(), "gnd", 3) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc < 5) {
    fprintf(stderr, "usage: gen_circuit <transistors> <seed> <out.sim> <subcircuit-file>...\n");
    return 2;
  }
  size_t total = strtoull(argv[1], nullptr, 10);
  Random random(strtoull(argv[2], nullptr, 10));
  std::vector<Subcircuit> library;
  for (int i = 4; i < argc; ++i)
    library.push_back(readSubcircuit(argv[i]));

  size_t poolSize = std::max<size_t>(total, 4);
  auto poolNet = [&]() { return "n" + std::to_string(random.below(poolSize)); };
  std::vector<Transistor> devices;
  devices.reserve(total + 8);
  size_t internalNets = 0;
  while (devices.size() * 10 < total) {
    Subcircuit& sub = library[random.below(library.size())];
    std::vector<std::pair<std::string, std::string>> netOf;
    std::set<std::string> taken;
    auto mapped = [&](const std::string& name) {
      for (auto& entry : netOf)
        if (entry.first == name)
          return entry.second;
      std::string net;
      if (isSupply(name))
        net = name.substr(0, 3);
      else if (sub.external.count(name) != 0)
        do
          net = poolNet();
        while (taken.count(net) != 0);
      else
        net = "i" + std::to_string(internalNets++);
      taken.insert(net);
      netOf.emplace_back(name, net);
      return net;
    };
    for (const Transistor& t : sub.devices)
      devices.push_back({t.type, mapped(t.gate), mapped(t.source), mapped(t.drain)});
    ++sub.planted;
  }
  while (devices.size() < total) {
    Transistor t;
    t.type = random.below(2) == 0 ? 'n' : 'p';
    t.gate = poolNet();
    t.source = random.below(7) == 0 ? (t.type == 'n' ? "gnd" : "vdd") : poolNet();
    t.drain = poolNet();
    devices.push_back(t);
  }
  for (size_t i = devices.size(); i > 1; --i)
    std::swap(devices[i - 1], devices[random.below(i)]);

  FILE* out = fopen(argv[3], "w");
  if (out == nullptr) {
    fprintf(stderr, "gen_circuit: cannot write %s\n", argv[3]);
    return 2;
  }
  fprintf(out, "| units: 100 format: MIT\n");
  for (size_t i = 0; i < devices.size(); ++i) {
    const Transistor& t = devices[i];
    fprintf(out, "m%c_%zu %s %s %s\n", t.type, i + 1, t.gate.c_str(), t.source.c_str(), t.drain.c_str());
  }
  fclose(out);
  for (const Subcircuit& sub : library)
    fprintf(stderr, "planted %s %d\n", sub.file.c_str(), sub.planted);
  return 0;
}
