// Random circuits with planted instances of every library subcircuit,
// checked against a brute-force matcher: what subpyxis reports is a real
// instance, with -m every key candidate that lies in an instance is
// reported, and without it the instances are disjoint and leave no instance
// untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <strings.h>

#include "SubpyxisTestSupport.h"

using namespace subpyxis_test;

namespace {

struct Dev {
  char type;
  std::string name;
  std::string nets[3];  // gate, source, drain
};

struct Netlist {
  std::vector<Dev> devs;
  std::set<std::string> external;
};

Netlist readLibrary(const std::string& file)
{
  Netlist netlist;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string keyword;
    words >> keyword;
    if (keyword == "SUBCIRCUIT") {
      std::string name, net;
      words >> name;
      while (words >> net)
        netlist.external.insert(net);
    } else if (keyword.size() > 3 && keyword[0] == 'm' && keyword[2] == '_') {
      Dev dev{keyword[1], keyword, {}};
      words >> dev.nets[0] >> dev.nets[1] >> dev.nets[2];
      netlist.devs.push_back(dev);
    }
  }
  return netlist;
}

int specialKind(const std::string& net)
{
  if (strncasecmp(net.c_str(), "vdd", 3) == 0)
    return 2;
  if (strncasecmp(net.c_str(), "gnd", 3) == 0)
    return 1;
  return 0;
}

class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed * 2654435761u + 7) {}
  uint32_t below(uint32_t n)
  {
    state_ = state_ * 1664525u + 1013904223u;
    return (state_ >> 8) % n;
  }

 private:
  uint32_t state_;
};

// A dense random circuit (many accidental instances) with `planted` copies
// of `sub` on random nets.
Netlist makeCircuit(const Netlist& sub, uint32_t seed, int randomDevices, int planted)
{
  Random random(seed);
  Netlist circuit;
  int pool = randomDevices / 2 + 4;
  auto poolNet = [&]() { return "n" + std::to_string(random.below(pool)); };
  int fresh = 0;
  for (int p = 0; p < planted; ++p) {
    std::map<std::string, std::string> netOf;
    std::set<std::string> taken;
    for (const Dev& d : sub.devs) {
      Dev copy = d;
      for (std::string& net : copy.nets) {
        auto found = netOf.find(net);
        if (found != netOf.end()) {
          net = found->second;
          continue;
        }
        std::string mapped;
        if (specialKind(net) != 0)
          mapped = net.substr(0, 3) + (random.below(3) == 0 ? "a" : "");
        else if (sub.external.count(net) != 0)
          do
            mapped = poolNet();
          while (taken.count(mapped) != 0);
        else
          mapped = "i" + std::to_string(fresh++);
        taken.insert(mapped);
        netOf[net] = mapped;
        net = mapped;
      }
      circuit.devs.push_back(copy);
    }
  }
  for (int i = 0; i < randomDevices; ++i) {
    Dev dev;
    dev.type = random.below(3) == 0 ? 'p' : 'n';
    dev.nets[0] = poolNet();
    if (random.below(6) == 0)
      dev.nets[1] = std::string(dev.type == 'n' ? "gnd" : "vdd") + (random.below(3) == 0 ? "a" : "");
    else
      dev.nets[1] = poolNet();
    dev.nets[2] = random.below(8) == 0 ? dev.nets[0] : poolNet();
    circuit.devs.push_back(dev);
  }
  for (size_t i = circuit.devs.size(); i > 1; --i)
    std::swap(circuit.devs[i - 1], circuit.devs[random.below(static_cast<uint32_t>(i))]);
  for (size_t i = 0; i < circuit.devs.size(); ++i)
    circuit.devs[i].name = std::string("m") + circuit.devs[i].type + "_" + std::to_string(i + 1);
  return circuit;
}

std::string toSim(const Netlist& circuit)
{
  std::string text = "| units: 100 format: MIT\n";
  for (const Dev& d : circuit.devs)
    text += d.name + " " + d.nets[0] + " " + d.nets[1] + " " + d.nets[2] + "\n";
  return text;
}

using Mapping = std::set<std::pair<std::string, std::string>>;

// Every subcircuit isomorphism of `sub` into `circuit`.  In special-nets
// mode power and ground nets of the subcircuit go only to like nets (any
// name that starts with vdd or gnd), and ordinary nets only to ordinary ones.
class BruteForce {
 public:
  BruteForce(const Netlist& sub, const Netlist& circuit, bool specialNets)
      : sub_(sub), circuit_(circuit), specialNets_(specialNets)
  {
    for (size_t i = 0; i < circuit.devs.size(); ++i)
      for (const std::string& net : circuit.devs[i].nets) {
        std::vector<int>& on = devicesOn_[net];
        if (std::find(on.begin(), on.end(), static_cast<int>(i)) == on.end())
          on.push_back(static_cast<int>(i));
        ++degree_[net];
      }
    for (const Dev& d : sub.devs)
      for (const std::string& net : d.nets)
        ++subDegree_[net];
    used_.assign(circuit.devs.size(), false);
    place(0);
  }
  const std::vector<Mapping>& all() const { return found_; }

 private:
  void place(size_t i)
  {
    if (i == sub_.devs.size()) {
      finish();
      return;
    }
    const Dev& s = sub_.devs[i];
    std::vector<int> options;
    bool anchored = false;
    for (const std::string& net : s.nets) {
      auto mapped = netMap_.find(net);
      if (mapped != netMap_.end()) {
        options = devicesOn_[mapped->second];
        anchored = true;
        break;
      }
    }
    if (!anchored)
      for (size_t g = 0; g < circuit_.devs.size(); ++g)
        options.push_back(static_cast<int>(g));
    for (int g : options) {
      const Dev& d = circuit_.devs[g];
      if (used_[g] || d.type != s.type)
        continue;
      for (int swap = 0; swap < 2; ++swap) {
        std::string target[3] = {d.nets[0], d.nets[swap ? 2 : 1], d.nets[swap ? 1 : 2]};
        std::vector<std::string> added;
        bool ok = true;
        for (int t = 0; t < 3 && ok; ++t) {
          auto mapped = netMap_.find(s.nets[t]);
          if (mapped != netMap_.end()) {
            ok = mapped->second == target[t];
            continue;
          }
          if (reverse_.count(target[t]) != 0) {
            ok = false;
            continue;
          }
          netMap_[s.nets[t]] = target[t];
          reverse_.insert(target[t]);
          added.push_back(s.nets[t]);
        }
        if (ok) {
          used_[g] = true;
          devMap_.emplace_back(s.name, d.name);
          place(i + 1);
          devMap_.pop_back();
          used_[g] = false;
        }
        for (const std::string& net : added) {
          reverse_.erase(netMap_[net]);
          netMap_.erase(net);
        }
      }
    }
  }

  void finish()
  {
    for (const auto& [s, g] : netMap_) {
      if (specialNets_ && specialKind(s) != specialKind(g))
        return;
      if (sub_.external.count(s) == 0 && subDegree_[s] != degree_[g])
        return;
    }
    Mapping mapping(devMap_.begin(), devMap_.end());
    mapping.insert(netMap_.begin(), netMap_.end());
    found_.push_back(mapping);
  }

  const Netlist& sub_;
  const Netlist& circuit_;
  bool specialNets_;
  std::map<std::string, std::vector<int>> devicesOn_;
  std::map<std::string, int> degree_;
  std::map<std::string, int> subDegree_;
  std::vector<bool> used_;
  std::map<std::string, std::string> netMap_;
  std::set<std::string> reverse_;
  std::vector<std::pair<std::string, std::string>> devMap_;
  std::vector<Mapping> found_;
};

const char* const kLibrary[] = {"diffpair", "diffpair_p", "mirror", "mirror_p",
                                "cascode_mirror", "inverter", "crosscoupled"};

class RandomCircuit : public ::testing::TestWithParam<const char*> {
};

// Every reported instance is real, and there is one for every key candidate
// that lies in a real instance.
void checkOverlapping(const MatchRun& run, const std::set<Mapping>& real)
{
  ASSERT_TRUE(run.compared) << run.out;
  ASSERT_FALSE(run.keyName.empty()) << run.out;
  std::set<std::string> reportedKeys;
  for (const auto& pairs : run.instances) {
    Mapping mapping(pairs.begin(), pairs.end());
    EXPECT_EQ(real.count(mapping), 1u) << "reported instance is not a subcircuit isomorphism";
    ASSERT_EQ(pairs.front().first, run.keyName);
    EXPECT_TRUE(reportedKeys.insert(pairs.front().second).second) << "one instance per candidate";
  }
  std::set<std::string> possibleKeys;
  for (const Mapping& mapping : real)
    for (const auto& [s, g] : mapping)
      if (s == run.keyName)
        possibleKeys.insert(g);
  EXPECT_EQ(reportedKeys, possibleKeys);
  EXPECT_EQ(run.found, static_cast<int>(run.instances.size()));
}

TEST_P(RandomCircuit, ReportsExactlyTheInstancesOfABruteForceSearch)
{
  std::string subFile = sourceDir() + "/examples/subckt_library/" + GetParam();
  Netlist sub = readLibrary(subFile);
  ASSERT_FALSE(sub.devs.empty());
  Scratch scratch;
  // SUBPYXIS_RANDOM_SEEDS=<n> runs more circuits than the default 12.
  const char* seeds = getenv("SUBPYXIS_RANDOM_SEEDS");
  uint32_t last = seeds != nullptr ? static_cast<uint32_t>(atoi(seeds)) : 12;
  for (uint32_t seed = 1; seed <= last; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Netlist circuit = makeCircuit(sub, seed, 24 + 4 * static_cast<int>(seed), 1 + seed % 3);
    std::string file = scratch.write("circuit.sim", toSim(circuit));
    BruteForce brute(sub, circuit, true);
    std::set<Mapping> real(brute.all().begin(), brute.all().end());
    ASSERT_FALSE(real.empty()) << "the planted instances are instances";

    // Overlapping instances: one per key candidate that lies in an instance.
    MatchRun all = matchFiles(subFile, file, {true, false, false});
    checkOverlapping(all, real);

    // Without special-nets mode power and ground are ordinary nets.
    BruteForce plainBrute(sub, circuit, false);
    std::set<Mapping> plainReal(plainBrute.all().begin(), plainBrute.all().end());
    MatchRun plain = matchFiles(subFile, file, {true, false, true});
    checkOverlapping(plain, plainReal);

    // Disjoint instances: none shares a node taken by another, and every
    // real instance meets a reported one.
    MatchRun disjoint = matchFiles(subFile, file, {false, false, false});
    std::set<std::string> taken;
    for (const auto& pairs : disjoint.instances) {
      Mapping mapping(pairs.begin(), pairs.end());
      EXPECT_EQ(real.count(mapping), 1u);
      for (const auto& [s, g] : pairs) {
        if (sub.external.count(s) == 0) {
          EXPECT_TRUE(taken.insert(g).second) << g << " used by two instances";
        }
      }
    }
    for (const Mapping& mapping : real) {
      bool meets = false;
      for (const auto& pair : mapping)
        meets = meets || taken.count(pair.second) != 0;
      EXPECT_TRUE(meets) << "an instance was left out";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Library, RandomCircuit, ::testing::ValuesIn(kLibrary));

}  // namespace
