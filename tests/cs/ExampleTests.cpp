// Planes of the bundled example layouts, read from CIF and flattened.
#include <algorithm>
#include <cstdio>
#include <string>

#include "DTtechnology.h"
#include "Dcif.h"
#include "PlaneSupport.h"

namespace {

class ExamplePlanes : public cs_test::PlaneTest {
 protected:
  void SetUp() override
  {
    PlaneTest::SetUp();
    DIcolorInit();
    DItechInit();
  }
  void TearDown() override
  {
    GCfreeCS();
    ACinit();
    cif::releaseRetiredPins();
    PlaneTest::TearDown();
  }

  // Reads and flattens an example; false when that fails.
  bool load(const std::string& name)
  {
    cifin = fopen(testing_support::sourcePath("examples/" + name).c_str(), "r");
    if (!cifin)
      return false;
    ACinit();
    common::ActionScope scope;
    return CIFparse() == 0 && GCflatten() == 0 && Gflatten;
  }
};

// Sound planes for every example, and each gate crossing its active region
// makes the same gate regions in plane 0 and in the gate plane.
TEST_F(ExamplePlanes, EveryExampleBuildsSoundPlanes)
{
  for (const char* name : {"inverter.cif", "hierarchy.cif", "wires.cif", "polygons.cif",
                           "labels.cif", "scale.cif", "othertool.cif"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(load(name));
    GCfreeCS();
    DCcrtCS();
    ASSERT_GT(DlayerNum, 0);
    std::string report;
    EXPECT_TRUE(cs::checkPlanes(&report)) << report;
    ui.messages.clear();
    CheckAll();
    EXPECT_EQ(ui.lastLine(), "Message: Tile neighbors check found no error.");
    EXPECT_FALSE(ui.saw('E', "Tile neighbors check found"));
    ASSERT_STREQ(DlayerTile[1].name, "CPG");
    std::vector<std::string> active, gate;
    for (int plane : {0, 1}) {
      Stitch = DlayerTile[plane].layertile;
      _Dtilelist* list = nullptr;
      AreaEnum(cs::kMin, cs::kMin, cs::kMax, cs::kMax, &list, 0);
      for (_Dtilelist* p = list; p; p = p->next)
        if (TisElement(p->tile))
          (plane == 0 ? active : gate).push_back(cs_test::text(p->tile));
      FreeList(list);
    }
    if (std::string(name) == "inverter.cif") {
      EXPECT_GE(active.size(), 2u);
    }
    std::sort(active.begin(), active.end());
    std::sort(gate.begin(), gate.end());
    EXPECT_EQ(active, gate);
  }
}

}  // namespace
