// Grouping of fingers, their order and runs, and the id table.
#include <algorithm>
#include <string>
#include <vector>

#include "GroupSupport.h"

namespace {

using hierarchy_test::GroupTest;

// Every grouped transistor points at the group that lists it, and the
// fingers of each group go left to right (then bottom to top).
void expectConsistent(const List<MultiFingerTran*>& list)
{
  for (const MultiFingerTran* g : list) {
    int count = 0;
    const _Dtransistor* previous = nullptr;
    for (const _Dtransistor* t : g->tranList) {
      ++count;
      EXPECT_EQ(t->multifingerTran, g) << t->name;
      if (previous) {
        EXPECT_TRUE(cs::left(previous->Tgate) < cs::left(t->Tgate) ||
                    (cs::left(previous->Tgate) == cs::left(t->Tgate) &&
                     cs::bottom(previous->Tgate) < cs::bottom(t->Tgate)))
            << previous->name << " before " << t->name;
      }
      previous = t;
    }
    EXPECT_EQ(g->tranCount, count);
    int inRuns = 0;
    for (const ContiguousElem* run : g->contList)
      inRuns += run->tranCount;
    EXPECT_EQ(inRuns, count);
  }
}

TEST_F(GroupTest, MirrorGroupsExchangedSourceAndDrainAndOrdersFingersByGate)
{
  ASSERT_TRUE(loadExample("mirror.cif"));
  connect();
  clusterTransistors();
  // The diode's fingers m5 (source n2, drain n1) and m6 (n1, n2) are one
  // group; the four output fingers another, each in one run.
  EXPECT_EQ(groups(), (std::vector<std::string>{"g1 s1 d2: m5 m6", "g1 s3 d2: m1 m2 m3 m4"}));
  expectConsistent(*MFTList);
}

TEST_F(GroupTest, AmplifierDevicesBecomeOneGroupEach)
{
  ASSERT_TRUE(loadExample("amp.cif"));
  connect();
  clusterTransistors();
  std::vector<int> fingers, runs;
  for (const MultiFingerTran* g : *MFTList) {
    fingers.push_back(g->tranCount);
    runs.push_back(static_cast<int>(g->contList.size()));
  }
  std::sort(fingers.begin(), fingers.end());
  EXPECT_EQ(fingers, (std::vector<int>{1, 2, 2, 2, 2, 2, 2, 4}));
  EXPECT_EQ(runs, std::vector<int>(8, 1));
  expectConsistent(*MFTList);
  for (int e = 0; e < DelementNum; ++e)
    for (const _Dtransistor* t = Transistors[e]; t; t = t->next)
      EXPECT_NE(t->multifingerTran, nullptr) << t->name;
}

TEST_F(GroupTest, ClusteringAgainStartsFromNoGroups)
{
  ASSERT_TRUE(loadExample("mirror.cif"));
  connect();
  clusterTransistors();
  std::vector<std::string> first = groups();
  clusterTransistors();
  EXPECT_EQ(groups(), first);
  ASSERT_NE(hierarchy::findGroup(2), nullptr);
  EXPECT_EQ(hierarchy::findGroup(3), nullptr);

  DHreleaseGroups();
  EXPECT_TRUE(MFTList->isEmpty());
  EXPECT_EQ(hierarchy::findGroup(1), nullptr);
}

TEST_F(GroupTest, IdTableFindsEveryGroupAndChainsNewestFirst)
{
  for (int i = 0; i < 110; ++i)
    horizontal(i * 3000, 0, "CSN");
  ASSERT_TRUE(extract());
  connect();
  clusterTransistors();
  ASSERT_EQ(MFTList->size(), 110u);
  int id = 0;
  for (const MultiFingerTran* g : *MFTList) {
    EXPECT_EQ(g->id, ++id);
    EXPECT_EQ(hierarchy::findGroup(id), g);
  }
  EXPECT_EQ(hierarchy::findGroup(0), nullptr);
  EXPECT_EQ(hierarchy::findGroup(111), nullptr);
  ASSERT_NE(MFTHash, nullptr);
  EXPECT_EQ(MFTHash->tablesize, 101);
  const _DMFTList_* chain = MFTHash->MFTList[5].next;
  ASSERT_NE(chain, nullptr);
  EXPECT_EQ(chain->id, 106);
  ASSERT_NE(chain->next, nullptr);
  EXPECT_EQ(chain->next->id, 5);
  EXPECT_EQ(chain->next->next, nullptr);
}

TEST_F(GroupTest, ListingHasOneLinePerGroupAndPerRun)
{
  ASSERT_TRUE(loadExample("mirror.cif"));
  connect();
  clusterTransistors();
  out.clear();
  testClusterTransistors();
  EXPECT_EQ(out,
            "2 multi-finger groups\n"
            "mft1: gate 1 source 1 drain 2, 2 fingers in 1 runs\n"
            "  run 1: m5 m6\n"
            "mft2: gate 1 source 3 drain 2, 4 fingers in 1 runs\n"
            "  run 1: m1 m2 m3 m4\n");
}

// Contiguity of two fingers, each drawn at its own place: the active and
// gate rectangles relative to the case's origin, and a point inside the
// gate of the earlier and of the later finger.
struct Rect {
  const char* layer;
  int x1, y1, x2, y2;
};
struct ContiguityCase {
  const char* what;
  std::vector<Rect> rects;
  int px, py, fx, fy;  // gate points of the previous finger and the finger
  int expected;
};

TEST_F(GroupTest, FingersAreContiguousThroughSharedOrAbuttingDiffusionOnly)
{
  const std::vector<ContiguityCase> cases = {
      {"shared tile in x",
       {{"CAA", 0, 0, 2000, 600}, {"CPG", 500, -200, 700, 800}, {"CPG", 1300, -200, 1500, 800}},
       600, 300, 1400, 300, 1},
      {"abutting tiles in x",
       {{"CAA", 0, 0, 1200, 600}, {"CPG", 500, -200, 700, 800},
        {"CAA", 1200, -200, 2400, 800}, {"CPG", 1700, -400, 1900, 1000}},
       600, 300, 1800, 300, 1},
      {"tiles touching at a corner in x",
       {{"CAA", 0, 0, 1200, 600}, {"CPG", 500, -200, 700, 800},
        {"CAA", 1200, 600, 2400, 1200}, {"CPG", 1700, 400, 1900, 1400}},
       600, 300, 1800, 900, 0},
      {"gap in x",
       {{"CAA", 0, 0, 1200, 600}, {"CPG", 500, -200, 700, 800},
        {"CAA", 1400, 0, 2600, 600}, {"CPG", 1900, -200, 2100, 800}},
       600, 300, 2000, 300, 0},
      {"shared tile in y",
       {{"CAA", 0, 0, 600, 2000}, {"CPG", -200, 500, 800, 700}, {"CPG", -200, 1300, 800, 1500}},
       300, 600, 300, 1400, 1},
      {"abutting tiles in y",
       {{"CAA", 0, 0, 600, 1200}, {"CPG", -200, 500, 800, 700},
        {"CAA", 0, 1200, 600, 2400}, {"CPG", -200, 1700, 800, 1900}},
       300, 600, 300, 1800, 1},
      {"gap in y",
       {{"CAA", 0, 0, 600, 1200}, {"CPG", -200, 500, 800, 700},
        {"CAA", 0, 1400, 600, 2600}, {"CPG", -200, 1900, 800, 2100}},
       300, 600, 300, 2000, 0},
  };
  const int step = 10000;
  for (size_t i = 0; i < cases.size(); ++i) {
    const int ox = static_cast<int>(i) * step;
    for (const Rect& r : cases[i].rects)
      rect(r.layer, ox + r.x1, r.y1, ox + r.x2, r.y2);
    rect("CSN", ox - 500, -600, ox + 2800, 2800);
  }
  ASSERT_TRUE(extract());
  for (size_t i = 0; i < cases.size(); ++i) {
    const ContiguityCase& c = cases[i];
    const int ox = static_cast<int>(i) * step;
    _Dtransistor* previous = gateAt(ox + c.px, c.py);
    _Dtransistor* finger = gateAt(ox + c.fx, c.fy);
    ASSERT_NE(previous, nullptr) << c.what;
    ASSERT_NE(finger, nullptr) << c.what;
    EXPECT_EQ(areContiguous(finger, previous), c.expected) << c.what;
    // A finger without the diffusion to compare is never contiguous.
    _Dtransistor open = *finger, openPrevious = *previous;
    open.Tdrain = open.Tsource = nullptr;
    openPrevious.Tdrain = nullptr;
    EXPECT_EQ(areContiguous(&open, previous), 0) << c.what;
    EXPECT_EQ(areContiguous(finger, &openPrevious) && c.expected,
              areContiguous(finger, &openPrevious))
        << c.what;
  }
}

TEST_F(GroupTest, RunsBreakWhereTheDiffusionBreaks)
{
  // Two fingers on one strip, a gap, then two fingers on abutting strips.
  rect("CAA", 0, 0, 2000, 600);
  rect("CPG", 500, -200, 700, 800);
  rect("CPG", 1300, -200, 1500, 800);
  rect("CAA", 2200, 0, 3400, 600);
  rect("CPG", 2700, -200, 2900, 800);
  rect("CAA", 3400, 0, 4600, 600);
  rect("CPG", 3900, -200, 4100, 800);
  rect("CSN", -300, -300, 4900, 900);
  ASSERT_TRUE(extract());
  MultiFingerTran group{};
  for (int x : {600, 1400, 2800, 4000}) {
    _Dtransistor* t = gateAt(x, 300);
    ASSERT_NE(t, nullptr) << x;
    group.tranList.append(t);
  }
  partitionIntoContiguousElem(&group);
  std::vector<std::vector<int>> runs;
  for (const ContiguousElem* run : group.contList) {
    runs.emplace_back();
    for (const _Dtransistor* t : run->tranList)
      runs.back().push_back(cs::left(t->Tgate));
    EXPECT_EQ(run->tranCount, static_cast<int>(runs.back().size()));
  }
  EXPECT_EQ(runs, (std::vector<std::vector<int>>{{500, 1300}, {2700, 3900}}));
}

}  // namespace
