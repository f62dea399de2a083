// Open-fault runs on extracted circuits: P-channel gate opens in
// "Breaks.flt" with the statistics, overlapping cuts merged, the merge's
// order and limits, and a run whose fault file cannot be made.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DFfault.h"
#include "DTtechnology.h"
#include "ExtractSupport.h"

using extract_test::ExtractTest;
using testing_support::readFile;
using testing_support::ScratchDir;

namespace {

// Runs in a scratch folder, the statistics emptied.
class OpenRun : public ExtractTest {
 protected:
  void SetUp() override
  {
    ExtractTest::SetUp();
    ASSERT_NE(getcwd(home_, sizeof home_), nullptr);
    ASSERT_EQ(chdir(scratch_.dir().c_str()), 0);
    DFresetOpenStatistics();
  }
  void TearDown() override
  {
    DFcleanOpenBuffer();
    EXPECT_EQ(chdir(home_), 0);
    ExtractTest::TearDown();
  }
  // Two pMOS (m1 at x = 0, m2 at x = 3000) whose gates a poly wire 4 steps
  // high joins above the active: (500, 800)-(3700, 960).
  void gatePair(const char* select = "CSP")
  {
    horizontal(0, 0, select);
    horizontal(3000, 0, select);
    rect("CPG", 500, 800, 3700, 960);
  }
  bool runAll(int scale)
  {
    theDefectScale = scale;
    return action([] { DFexLayersO(); });
  }
  // Every tile's net number and mark, by plane and position.
  std::map<std::string, std::pair<int, int>> marks()
  {
    std::map<std::string, std::pair<int, int>> all;
    for (int p = 0; p < DlayerNum; ++p)
      for (_Dtile* t : cs_test::allTiles(DlayerTile[p].layertile))
        all[std::to_string(p) + cs_test::text(t)] = {t->node, t->processed};
    return all;
  }
  // The number of the transistor whose gate starts at x.
  int numberAt(int x) const
  {
    for (int e = 0; e < DelementNum; ++e)
      for (_Dtransistor* t = Transistors[e]; t; t = t->next)
        if (t->Tgate && t->Tgate->x1 == x)
          return t->number;
    return -1;
  }
  // Tiles held by the critical-area planes beyond their one space tile.
  int regions()
  {
    int n = 0;
    for (int p = 0; p < DlayerNum; ++p)
      n += static_cast<int>(cs_test::allTiles(DlayerTile[p].crittile).size()) - 1;
    return n;
  }

  ScratchDir scratch_;
  char home_[4096];
};

// A record over the given parts of (transistor, port) terminals.
_Dfopen* record(const std::vector<std::vector<std::pair<int, int>>>& parts)
{
  _Dfopen* r = new _Dfopen{};
  r->net = 7;
  r->nparts = static_cast<int>(parts.size());
  for (size_t p = 0; p < parts.size(); ++p) {
    r->pinlist[p].ngates = static_cast<int>(parts[p].size());
    for (size_t i = 0; i < parts[p].size(); ++i) {
      r->pinlist[p].gateno[i] = parts[p][i].first;
      r->pinlist[p].pinname[i] = static_cast<int16_t>(parts[p][i].second);
    }
  }
  return r;
}

std::vector<std::vector<std::pair<int, int>>> partsOf(const _Dfopen* r)
{
  std::vector<std::vector<std::pair<int, int>>> parts(r->nparts);
  for (int p = 0; p < r->nparts; ++p)
    for (int i = 0; i < r->pinlist[p].ngates; ++i)
      parts[p].push_back({r->pinlist[p].gateno[i], r->pinlist[p].pinname[i]});
  return parts;
}

}  // namespace

// The wire between the gates is cut where 2h > 4 steps.  D = 5 steps
// (h = 100 units): the space under the wire between the gate columns,
// x 700..3500, and the space above it cross in a region 1 step high and
// (2800 + 200) / 40 = 75 steps long.  The gate columns (5 steps wide) are
// not cut.  The first part holds the gate of one pMOS only: P-channel.
TEST_F(OpenRun, PChannelGateOpenAndStatistics)
{
  gatePair();
  ASSERT_TRUE(extract());
  ASSERT_TRUE(runAll(50));
  const std::string flt = readFile(scratch_.path("Breaks.flt"));
  const int gateNet = transistor(1)->gate;
  EXPECT_TRUE(flt == "open (n" + std::to_string(gateNet) + ", 1) 75\n" ||
              flt == "open (n" + std::to_string(gateNet) + ", 2) 75\n")
      << flt;
  const int p1 = numberAt(500), p2 = numberAt(3500);
  ASSERT_GT(p1, 0);
  ASSERT_GT(p2, 0);
  EXPECT_NE(out.find("Total open :\t1\t75\nOpen P-chann:\t1\t75\nOpen N-chann:\t0\t0\n"
                     "Open PN-chann:\t0\t0\n"),
            std::string::npos)
      << out;
  EXPECT_NE(err.find("Total fault weight(critical area): 75."), std::string::npos);
  EXPECT_TRUE(ui.saw('M', "1 open faults have been extracted"));
  EXPECT_EQ(regions(), 0);

  // Counted by hand: gates of the nMOS (m3) only, a pMOS gate with an
  // nMOS gate, and a source first; the statistics go on from the run.
  DFresetOpenStatistics();
  horizontal(6000, 0, "CSN");
  ASSERT_TRUE(extract());
  const int q1 = numberAt(500), q2 = numberAt(3500), n3 = numberAt(6500);
  ASSERT_EQ(DFgateType(q1), 1);
  ASSERT_EQ(DFgateType(q2), 1);
  ASSERT_EQ(DFgateType(n3), 0);
  _DopenFault n{1, 10, record({{{n3, 0}}, {{q1, 0}}}), nullptr};
  _DopenFault mixed{1, 20, record({{{q1, 0}, {n3, 0}}, {{q2, 0}}}), nullptr};
  _DopenFault source{1, 40, record({{{q1, 1}, {q2, 0}}, {{n3, 0}}}), nullptr};
  for (const _DopenFault* f : {&n, &mixed, &source})
    DFsortOpens(f, 0);
  out.clear();
  DFsortOpens(nullptr, 1);
  EXPECT_EQ(out,
            "Total open :\t3\t70\nOpen P-chann:\t0\t0\nOpen N-chann:\t1\t10\n"
            "Open PN-chann:\t1\t20\n");
  for (const _DopenFault* f : {&n, &mixed, &source})
    delete f->fopen;
}

// "Breaks.flt" is a folder: the run is abandoned with the message and
// leaves the nets, the marks and the critical-area planes as they were; a
// later run in a writable place writes the file.
TEST_F(OpenRun, FaultFileThatCannotBeMadeAbandonsCleanly)
{
  gatePair();
  ASSERT_TRUE(extract());
  const auto before = marks();
  ASSERT_EQ(mkdir(scratch_.path("Breaks.flt").c_str(), 0755), 0);
  EXPECT_FALSE(runAll(50));
  EXPECT_NE(err.find("File open error"), std::string::npos) << err;
  EXPECT_EQ(marks(), before);
  EXPECT_EQ(regions(), 0);
  EXPECT_EQ(FaultTable.FOpenList, nullptr);
  EXPECT_EQ(BreakList, nullptr);
  EXPECT_EQ(TransList, nullptr);
  EXPECT_EQ(RecordTerm, 0);
  ASSERT_EQ(rmdir(scratch_.path("Breaks.flt").c_str()), 0);
  ASSERT_TRUE(runAll(50));
  EXPECT_NE(readFile(scratch_.path("Breaks.flt")).find(") 75\n"), std::string::npos);
}

// Three terminals on a vertical wire: pad A (0, 0)-(20, 20), wire 1
// (8, 20)-(12, 24), pad M (4, 24)-(16, 28), wire 2 (8, 28)-(12, 32), pad B
// (0, 32)-(20, 52); D = 6 steps, h = 3.  The terminals are listed B, M, A,
// so every record starts with B.  Wire 1 gives (9, 17)-(11, 27) and wire 2
// (9, 25)-(11, 35), 2 x 10 each.  M is 4 high < 2h, so the pairs of space
// tiles above and below it cut it too; a cut marks M's whole tile, and M's
// terminal joins the part that reaches the tile first (B's): {B M | A}
// over (9, 21)-(11, 27), (9, 25)-(19, 27) and (1, 25)-(11, 27), which
// with wire 1's region cover 52.  Where wire 2's region meets them,
// (9, 25)-(11, 27), a defect makes both cuts: {B | M | A} weighs 4,
// {B M | A} 48 and {B | M A} 16.
TEST_F(OpenRun, OverlappingCutsMergeInListOrder)
{
  const int s = theGlobalScale;
  auto metal = [&](int x1, int y1, int x2, int y2) { rect("CMF", x1 * s, y1 * s, x2 * s, y2 * s); };
  metal(0, 0, 20, 20);   // A
  metal(8, 20, 12, 24);  // wire 1
  metal(4, 24, 16, 28);  // M
  metal(8, 28, 12, 32);  // wire 2
  metal(0, 32, 20, 52);  // B
  ASSERT_TRUE(action([] { DCcrtCS(); }));
  _Dtile* a = at("CMF", s + 1, s + 1);
  _Dtile* m = at("CMF", 5 * s + 1, 25 * s + 1);
  _Dtile* b = at("CMF", s + 1, 51 * s + 1);
  DExPath(a, 1);
  _Dtilelist* tiles = NetTileList;
  NetTileList = nullptr;
  _Dtransistor devices[3] = {};
  _DtermList* terms = nullptr;
  _Dtile* order[3] = {b, m, a};
  for (int i = 0; i < 3; ++i) {
    devices[i].number = i + 1;  // B 1, M 2, A 3
    terms = DExInsertTerm(terms, new _DtermList{&devices[i], order[i], i + 1, 0, 0, nullptr});
  }
  ASSERT_TRUE(action([&] {
    DFproc1NetO(tiles, terms, -1, 6 * s);
    FreeBreakList();
    DFOcritAscan();
  }));
  using Parts = std::vector<std::vector<std::pair<int, int>>>;
  std::map<Parts, int> weights;
  for (_DopenFault* f = FaultTable.FOpenList; f; f = f->next)
    weights[partsOf(f->fopen)] = f->fweight;
  const std::map<Parts, int> expected = {
      {{{{1, 0}, {2, 0}}, {{3, 0}}}, 48},  // A apart
      {{{{1, 0}}, {{2, 0}, {3, 0}}}, 16},  // B apart
      {{{{1, 0}}, {{2, 0}}, {{3, 0}}}, 4},
  };
  EXPECT_EQ(weights, expected);
  DExFreeTerm(terms);
  FreeList(tiles);
}

// Without the net's terminal list the merge orders terminals as the
// records meet them; it keeps every terminal, also one only the second
// record has, and separates what either record separates.
TEST(OpenMerge, RefinesBothRecords)
{
  std::unique_ptr<_Dfopen> a(record({{{1, 0}, {2, 0}, {3, 1}}, {{4, 2}}}));
  std::unique_ptr<_Dfopen> b(record({{{1, 0}}, {{2, 0}, {3, 1}, {4, 2}, {5, 0}}}));
  std::unique_ptr<_Dfopen> m(DFmergeFaultO(a.get(), b.get()));
  ASSERT_NE(m, nullptr);
  using Parts = std::vector<std::vector<std::pair<int, int>>>;
  EXPECT_EQ(partsOf(m.get()), (Parts{{{1, 0}}, {{2, 0}, {3, 1}}, {{4, 2}}, {{5, 0}}}));
  EXPECT_EQ(m->net, 7);
  std::unique_ptr<_Dfopen> same(DFmergeFaultO(a.get(), a.get()));
  EXPECT_TRUE(DFsameOpen(same.get(), a.get()));
  EXPECT_EQ(DFmergeFaultO(nullptr, a.get()), nullptr);

  // Pins all read (-1, 0): they are told apart by their order, none lost.
  std::unique_ptr<_Dfopen> p(record({{{-1, 0}, {1, 0}}, {{-1, 0}}}));
  std::unique_ptr<_Dfopen> q(record({{{-1, 0}}, {{1, 0}, {-1, 0}}}));
  std::unique_ptr<_Dfopen> pq(DFmergeFaultO(p.get(), q.get()));
  EXPECT_EQ(partsOf(pq.get()), (Parts{{{-1, 0}}, {{1, 0}}, {{-1, 0}}}));
}

// 40 terminals in 8 parts by one record and 5 by the other would make 40
// parts: the first 32 are kept, and the limit is said once per run.
TEST(OpenMerge, KeepsWhatFitsAndSaysSoOnce)
{
  testing_support::CapturingFrontEnd ui;
  common::setFrontEnd(&ui);
  std::vector<std::vector<std::pair<int, int>>> byEight(8), byFive(5);
  for (int t = 0; t < 40; ++t) {
    byEight[t % 8].push_back({t + 1, 0});
    byFive[t / 8].push_back({t + 1, 0});
  }
  std::unique_ptr<_Dfopen> a(record(byEight)), b(record(byFive));
  DFresetOpenLimits();
  for (int round = 0; round < 2; ++round) {
    std::unique_ptr<_Dfopen> m(DFmergeFaultO(a.get(), b.get()));
    ASSERT_EQ(m->nparts, kMaxParts);
    for (int p = 0; p < m->nparts; ++p)
      EXPECT_EQ(m->pinlist[p].ngates, 1);
  }
  int said = 0;
  for (const auto& msg : ui.messages)
    said += msg.kind == 'W' && msg.line.find("more than 32 parts") != std::string::npos;
  EXPECT_EQ(said, 1);
  common::setFrontEnd(nullptr);
}

// Records from part numbers beyond the limits keep what fits: 34 parts of
// one terminal give 32; 128 terminals in part 1 give 127 there.  Said once.
TEST(OpenRecord, KeepsWhatFitsOfTheParts)
{
  testing_support::CapturingFrontEnd ui;
  common::setFrontEnd(&ui);
  DFresetOpenLimits();
  struct Case {
    std::vector<int> parts;  // part number of each terminal
    std::vector<int> sizes;  // expected terminals per part; empty: no record
  };
  std::vector<int> many, crowded(128, 1);
  for (int p = 1; p <= 34; ++p)
    many.push_back(p);
  crowded.push_back(2);
  const std::vector<Case> cases = {
      {{1, 1, 1}, {}},
      {{1, 2, 1}, {2, 1}},
      {many, std::vector<int>(32, 1)},
      {crowded, {127, 1}},
  };
  for (const Case& c : cases) {
    std::vector<_Dtile> tiles(c.parts.size());
    std::vector<_Dtransistor> devices(c.parts.size());
    _DtermList* terms = nullptr;
    for (size_t i = 0; i < c.parts.size(); ++i) {
      tiles[i].node = 5;
      tiles[i].processed = static_cast<int16_t>(c.parts[i]);
      devices[i].number = static_cast<int>(i) + 1;
      terms = DExInsertTerm(terms, new _DtermList{&devices[i], &tiles[i], 0, 0, 0, nullptr});
    }
    std::unique_ptr<_Dfopen> r(DFterm2Fault(terms));
    DExFreeTerm(terms);
    if (c.sizes.empty()) {
      EXPECT_EQ(r, nullptr);
      continue;
    }
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->net, 5);
    std::vector<int> sizes;
    for (int p = 0; p < r->nparts; ++p)
      sizes.push_back(r->pinlist[p].ngates);
    EXPECT_EQ(sizes, c.sizes);
  }
  int said = 0;
  for (const auto& msg : ui.messages)
    said += msg.kind == 'W' && msg.line.find("more than 32 parts") != std::string::npos;
  EXPECT_EQ(said, 1);
  common::setFrontEnd(nullptr);
}
