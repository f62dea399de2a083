// The circuit of the loaded layout in a form that ignores net numbers.
#include "CircuitSupport.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string>

#include "DEextract.h"
#include "DTtechnology.h"

namespace squeeze_test {

// A circuit up to net numbering: each transistor's kind and the shape of
// what its terminals reach, refined three times, as a sorted list.
std::vector<size_t> circuitSignature()
{
  struct Tran {
    int type, gate, source, drain;
  };
  std::vector<Tran> trans;
  for (int e = 0; e < DelementNum && Transistors; ++e)
    for (const _Dtransistor* t = Transistors[e]; t; t = t->next)
      if (t->number > 0)
        trans.push_back({t->type, t->gate, t->source, t->drain});
  std::map<int, size_t> net;  // net -> label
  std::vector<size_t> label(trans.size(), 1);
  std::hash<std::string> h;
  for (int round = 0; round < 3; ++round) {
    std::map<int, std::vector<std::string>> seen;
    for (size_t i = 0; i < trans.size(); ++i) {
      seen[trans[i].gate].push_back("g" + std::to_string(label[i]));
      seen[trans[i].source].push_back("d" + std::to_string(label[i]));
      seen[trans[i].drain].push_back("d" + std::to_string(label[i]));
    }
    net.clear();
    for (auto& entry : seen) {
      std::sort(entry.second.begin(), entry.second.end());
      std::string text;
      for (const std::string& s : entry.second)
        text += s + ",";
      net[entry.first] = entry.first == 0 ? 0 : h(text);
    }
    for (size_t i = 0; i < trans.size(); ++i) {
      size_t s = net[trans[i].source], d = net[trans[i].drain];
      label[i] = h(std::to_string(trans[i].type) + ":" + std::to_string(net[trans[i].gate]) +
                   ":" + std::to_string(std::min(s, d)) + ":" + std::to_string(std::max(s, d)));
    }
  }
  std::sort(label.begin(), label.end());
  return label;
}

}  // namespace squeeze_test
