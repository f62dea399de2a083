// The tests' rule checker (see checkRules in RuleSupport.h): the
// independent checker of tests/tools on the given rectangles.
#include "CS.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "LayoutRules.h"
#include "RuleSupport.h"

namespace designrule_test {

std::map<int, std::vector<Rect>> planeRects()
{
  std::map<int, std::vector<Rect>> layers;
  for (int p = 0; p < DlayerNum; ++p) {
    if (!DlayerTile[p].layertile || DlayerTile[p].layer >= kRuleLayers)
      continue;
    for (_Dtile* t : cs_test::allTiles(DlayerTile[p].layertile))
      if (TisSolid(t))
        layers[DlayerTile[p].layer].push_back({t->x1, t->y1, cs::right(t), cs::top(t)});
  }
  return layers;
}

std::vector<std::string> checkRules(const std::map<int, std::vector<Rect>>& layers, long scale,
                                    int active, int poly)
{
  layout_check::Rules rules = layout_check::Rules::fromTables(static_cast<double>(scale));
  rules.micronsPerUnit = LAMBDA_T2 / static_cast<double>(scale);
  if (active < 0 || poly < 0)
    rules.elements.clear();
  layout_check::Layers boxes(layout_check::kSlots);
  for (const auto& [layer, rects] : layers)
    for (const Rect& r : rects)
      if (layer >= 0 && layer < layout_check::kSlots)
        boxes[layer].push_back({r.x1, r.y1, r.x2, r.y2});
  std::vector<std::string> lines;
  for (const layout_check::Violation& v : layout_check::checkLayout(boxes, rules))
    lines.push_back(layout_check::describe(v, rules));
  return lines;
}

}  // namespace designrule_test
