#include "PassiveSupport.h"

#include <algorithm>

#include "CXcapacitor.h"
#include "LXinductor.h"
#include "RXresistor.h"

namespace passive_test {

void PassiveTest::SetUp()
{
  ExtractTest::SetUp();
  capacitor::install();
  inductor::install();
  resistor::install();
}

std::vector<std::pair<int, int>> PassiveTest::wire(const char* layer, int width, const Path& path)
{
  std::vector<std::pair<int, int>> inside;
  const int h = width / 2;
  for (size_t i = 0; i + 1 < path.size(); ++i) {
    auto [ax, ay] = path[i];
    auto [bx, by] = path[i + 1];
    int x1, y1, x2, y2;
    if (ax == bx) {  // upright: owns both corners
      x1 = ax - h, x2 = ax + h;
      y1 = std::min(ay, by) - h, y2 = std::max(ay, by) + h;
    } else {  // level: between the upright legs (or the path's ends)
      y1 = ay - h, y2 = ay + h;
      int lo = std::min(ax, bx), hi = std::max(ax, bx);
      bool startCovered = i > 0, endCovered = i + 2 < path.size();
      if (ax < bx) {
        lo += startCovered ? h : 0;
        hi -= endCovered ? h : 0;
      } else {
        hi -= startCovered ? h : 0;
        lo += endCovered ? h : 0;
      }
      x1 = lo, x2 = hi;
    }
    rect(layer, x1, y1, x2, y2);
    inside.push_back({(x1 + x2) / 2, (y1 + y2) / 2});
  }
  return inside;
}

_Dnet* PassiveTest::handNet(const char* layer, const std::vector<std::pair<int, int>>& points)
{
  std::vector<Where> where;
  for (auto [x, y] : points)
    where.push_back({layer, x, y});
  return handNet(where);
}

_Dnet* PassiveTest::handNet(const std::vector<Where>& points)
{
  _Dtilelist* tiles = nullptr;
  for (auto it = points.rbegin(); it != points.rend(); ++it)
    tiles = TileToList(tiles, at(it->layer, it->x, it->y));
  _Dnet* net = extract::makeNet(++NetsNum, tiles);
  for (_Dtilelist* n = tiles; n; n = n->next)
    n->tile->node = net->node;
  return net;
}

bool PassiveTest::passives()
{
  return action([] {
    CXcapacitorExtract();
    LXinductorExtract();
    RXresistorExtract();
    DExCirPassive();
  });
}

}  // namespace passive_test
