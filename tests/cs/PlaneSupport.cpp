#include "PlaneSupport.h"

#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "DTtechnology.h"
#include "Dlayout.h"

namespace cs_test {

std::string text(const _Dtile* t)
{
  char buffer[96];
  if (t->type == cs::kSpace)
    snprintf(buffer, sizeof buffer, "(%d %d)-(%d %d)", t->x1, t->y1, cs::right(t), cs::top(t));
  else
    snprintf(buffer, sizeof buffer, "(%d %d)-(%d %d) %#x", t->x1, t->y1, cs::right(t),
             cs::top(t), t->type);
  return buffer;
}

std::vector<std::string> texts(const _Dtilelist* list)
{
  std::vector<std::string> result;
  for (; list; list = list->next)
    result.push_back(text(list->tile));
  return result;
}

static bool isFrame(const _Dtile* t)
{
  return t->x1 == cs::kLow || t->y1 == cs::kLow || t->x1 == cs::kMax || t->y1 == cs::kMax;
}

std::vector<_Dtile*> allTiles(_Dtile* entry)
{
  std::unordered_set<_Dtile*> seen{entry};
  std::vector<_Dtile*> todo{entry}, result;
  while (!todo.empty()) {
    _Dtile* t = todo.back();
    todo.pop_back();
    if (!isFrame(t))
      result.push_back(t);
    for (_Dtile* n : {t->rt(), t->tr(), t->lb(), t->bl()})
      if (n && seen.insert(n).second)
        todo.push_back(n);
  }
  return result;
}

void PlaneTest::SetUp()
{
  CoreTest::SetUp();
  InitStitch();
}

void PlaneTest::TearDown()
{
  GCfreeCS();
  InitStitch();
  CoreTest::TearDown();
}

_Dtile* PlaneTest::newPlane()
{
  Stitch = Init1LayerCS();
  return Stitch;
}

_Dtile* PlaneTest::put(int x1, int y1, int x2, int y2, int type)
{
  _rects box{x1, y1, x2, y2, nullptr};
  return Put1BoxCS(&box, type, 0);
}

void BuildTest::SetUp()
{
  PlaneTest::SetUp();
  DIcolorInit();
  DItechInit();
  Gflatten = common::make<_layout>();
  Gflatten->frame = {0, 0, 0, 0};
  DworkingMode = kModeLayout;
  ui.messages.clear();
  out.clear();
  err.clear();
}

void BuildTest::TearDown()
{
  GCfreeLayout(Gflatten);
  Gflatten = nullptr;
  PlaneTest::TearDown();
}

void BuildTest::rect(const char* layer, int x1, int y1, int x2, int y2)
{
  int index = -1;
  for (int i = 0; i < GlayerNum; ++i)
    if (strcmp(Glayers[i].name, layer) == 0)
      index = i;
  ASSERT_GE(index, 0) << layer;
  _symbol*& symbol = Gflatten->symbol[index];
  if (!symbol) {
    symbol = common::make<_symbol>();
    snprintf(symbol->layername, sizeof symbol->layername, "%s", layer);
  }
  _rects* r = common::make<_rects>();
  *r = {x1, y1, x2, y2, symbol->rect};
  symbol->rect = r;
  _box& frame = Gflatten->frame;
  frame = {std::min(frame.x1, x1), std::min(frame.y1, y1), std::max(frame.x2, x2),
           std::max(frame.y2, y2)};
}

int BuildTest::planeOf(const char* layer) const
{
  for (int i = 0; i < DlayerNum; ++i)
    if (strcmp(DlayerTile[i].name, layer) == 0)
      return i;
  return -1;
}

_Dtile* BuildTest::at(const char* layer, int x, int y)
{
  int plane = planeOf(layer);
  if (plane < 0)
    return nullptr;
  Stitch = DlayerTile[plane].layertile;
  return PointFind(x, y);
}

std::vector<std::string> planeTiles(int plane, int (*keep)(const _Dtile*))
{
  std::vector<std::string> result;
  Stitch = DlayerTile[plane].layertile;
  _Dtilelist* list = nullptr;
  AreaEnum(cs::kMin, cs::kMin, cs::kMax, cs::kMax, &list, 0);
  for (_Dtilelist* n = list; n; n = n->next)
    if (keep(n->tile))
      result.push_back(text(n->tile));
  FreeList(list);
  return result;
}

std::vector<std::string> BuildTest::solids(const char* layer)
{
  int plane = planeOf(layer);
  if (plane < 0)
    return {};
  return planeTiles(plane, TisSolid);
}

}  // namespace cs_test
