#include "SqueezeSupport.h"

#include <algorithm>
#include <functional>
#include <map>
#include <vector>
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

std::vector<long> positions(const SQCELL_item* cells, int n, bool x)
{
  std::vector<long> at;
  for (int i = 0; i < n; ++i) {
    at.push_back(x ? cells[i].corner.x1 : cells[i].corner.y1);
    at.push_back(x ? cells[i].corner.x2 : cells[i].corner.y2);
  }
  return at;
}

std::vector<std::string> broken(const std::vector<compact_test::Row>& rows, const std::vector<long>& at,
                                const char* direction, int* mirrors)
{
  std::vector<std::string> found;
  std::map<int, long> axisSum;
  for (const compact_test::Row& row : rows) {
    long sum = 0;
    int axis = 0;
    bool onAxis = false;
    for (const auto& term : row.terms) {
      if (term.first > static_cast<int>(at.size())) {
        onAxis = true;
        axis = term.second == -2 ? term.first : axis;
        continue;
      }
      sum += term.second * at.at(static_cast<size_t>(term.first - 1));
    }
    const std::string name = std::string(direction) + " row " + std::to_string(row.rank);
    if (onAxis) {
      ++*mirrors;
      auto inserted = axisSum.emplace(axis, sum);
      if (axis == 0 || sum % 2 != 0 || inserted.first->second != sum)
        found.push_back("mirror " + name + ": " + std::to_string(sum));
      continue;
    }
    const bool holds = row.type == 'E' ? sum == row.value : sum >= row.value;
    if (!holds)
      found.push_back(name + " " + row.type + " " + std::to_string(row.value) + ": " + std::to_string(sum));
  }
  return found;
}

std::vector<std::string> brokenBySolution(const std::vector<compact_test::Row>& xRows,
                                          const std::vector<compact_test::Row>& yRows, int* mirrors)
{
  std::vector<std::string> found = broken(xRows, positions(SQcell_LR, SQcell_size_LR, true), "X", mirrors);
  const std::vector<std::string> inY =
      broken(yRows, positions(SQcell_TB, SQcell_size_TB, false), "Y", mirrors);
  found.insert(found.end(), inY.begin(), inY.end());
  return found;
}

}  // namespace squeeze_test
