// Helpers of the fault tests.
#include "FaultSupport.h"

#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <sys/stat.h>

#include "DTtechnology.h"
#include "Dview.h"

namespace faultex_test {

void FaultTest::SetUp()
{
  ExtractTest::SetUp();
  faultex::install();
  DFresetOpenStatistics();
  DIvpInit(Vmain, &surface, nullptr);
  GCinstallVp(Vmain, -100L * g(), -100L * g(), 400L * g(), 0);
}

void FaultTest::TearDown()
{
  DExFreeTerm(terms_);
  FreeList(tiles_);
  DFcleanOpenBuffer();
  terms_ = nullptr;
  tiles_ = nullptr;
  devices_.clear();
  theDefectScale = 0;
  DIvpInit(Vmain, nullptr, nullptr);
  ExtractTest::TearDown();
}

void FaultTest::box(const char* layer, int x1, int y1, int x2, int y2)
{
  rect(layer, x1 * g(), y1 * g(), x2 * g(), y2 * g());
}

void FaultTest::transistor(int tx, int ty)
{
  box("CAA", tx, ty, tx + 30, ty + 15);
  box("CPG", tx + 12, ty - 5, tx + 18, ty + 20);
  box("CSP", tx - 3, ty - 8, tx + 33, ty + 23);
  box("CCA", tx + 3, ty + 5, tx + 8, ty + 10);
  box("CMF", tx + 2, ty + 4, tx + 9, ty + 11);
}

void FaultTest::metal2Wire(int a, int yb, int yt, int w, bool fromBelow)
{
  box("CMS", a, yb, a + w, yt);
  const int tx = a - 4;
  if (fromBelow) {
    const int ty = yb - 40;
    transistor(tx, ty);
    box("CMF", a, ty + 10, a + 3, yb + 3);
    box("CVA", a + 1, yb + 1, a + 2, yb + 2);
  } else {
    const int ty = yt + 30;
    transistor(tx, ty);
    box("CMF", a, yt - 3, a + 3, ty + 5);
    box("CVA", a + 1, yt - 2, a + 2, yt - 1);
  }
}

void FaultTest::twoWires(int s)
{
  spacing_ = s;
  metal2Wire(0, 100, 140, 4, true);
  metal2Wire(4 + s, 100, 140, 4, false);
}

std::vector<int> FaultTest::wirePair()
{
  int a = netAt("CMS", 1, 101), b = netAt("CMS", 4 + spacing_ + 1, 101);
  return {std::min(a, b), std::max(a, b)};
}

void FaultTest::gatePair()
{
  horizontal(0, 0);
  horizontal(3000, 0);
  rect("CPG", 500, 800, 3700, 960);
}

int FaultTest::netAt(const char* layer, int x, int y)
{
  _Dtile* t = at(layer, x * g() + 1, y * g());
  return t ? t->node : 0;
}

void FaultTest::build(const std::vector<std::pair<int, int>>& terminals, size_t from)
{
  ASSERT_TRUE(action([] { DCcrtCS(); }));
  ASSERT_LT(from, terminals.size());
  _Dtile* first = at("CMF", terminals[from].first * g() + 1, terminals[from].second * g() + 1);
  ASSERT_TRUE(first && TisSolid(first));
  DExPath(first, 1);
  tiles_ = NetTileList;
  NetTileList = nullptr;
  for (const auto& p : terminals) {
    _Dtile* tile = at("CMF", p.first * g() + 1, p.second * g() + 1);
    ASSERT_EQ(tile->node, 1);
    _Dtransistor& t = devices_.emplace_back();
    t.number = static_cast<int>(devices_.size());
    terms_ = DExInsertTerm(terms_, new _DtermList{&t, tile, t.number, 0, 0, nullptr});
  }
}

bool FaultTest::opens(int size)
{
  DFcleanOpenBuffer();
  FOpenNum = 0;
  return action([&] {
    DFproc1NetO(tiles_, terms_, -1, size);
    FreeBreakList();
    DFOcritAscan();
  });
}

long FaultTest::totalWeight() const
{
  long sum = 0;
  for (_DopenFault* f = FaultTable.FOpenList; f; f = f->next)
    sum += f->fweight;
  return sum;
}

int FaultTest::entries() const
{
  int n = 0;
  for (_DopenFault* f = FaultTable.FOpenList; f; f = f->next)
    ++n;
  return n;
}

bool FaultTest::run(int (*action)(), int d, const std::string& file, std::string* text,
                    const std::string& blocker)
{
  testing_support::ScratchDir dir;
  char here[4096];
  if (!getcwd(here, sizeof here) || chdir(dir.dir().c_str()) != 0)
    return false;
  if (!blocker.empty())
    mkdir(blocker.c_str(), 0700);  // a folder where the fault file should go
  if (d >= 0)
    theDefectScale = d * 10;
  bool done = this->action([action] { action(); });
  *text = testing_support::readFile(dir.path(file));
  if (chdir(here) != 0)
    return false;
  return done;
}

FaultSets FaultTest::parse(const std::string& text)
{
  FaultSets sets;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string word;
    words >> word;
    EXPECT_EQ(word, "bridge") << line;
    words >> word;
    EXPECT_EQ(word, "(") << line;
    std::vector<int> nets;
    while (words >> word && word != ")") {
      EXPECT_EQ(word[0], 'n') << line;
      nets.push_back(std::stoi(word.substr(1)));
    }
    long weight = -1;
    words >> weight;
    EXPECT_GE(weight, 0) << line;
    sets[nets] += weight;
  }
  return sets;
}

int FaultTest::fills(int colour) const
{
  const unsigned long pixel = GCworkStation[GCstationId].color[colour].pixel;
  int n = 0;
  for (const auto& op : surface.withPrefix("fill"))
    n += op.color == pixel;
  return n;
}

int FaultTest::said(char kind, const std::string& text) const
{
  int n = 0;
  for (const auto& m : ui.messages)
    n += m.kind == kind && m.line.find(text) != std::string::npos;
  return n;
}

bool FaultTest::clean()
{
  for (int i = 0; i < DlayerNum; ++i) {
    if (!DlayerTile[i].layertile)
      continue;
    for (_Dtile* t : cs_test::allTiles(DlayerTile[i].layertile))
      if (t->processed != 0)
        return false;
    if (DlayerTile[i].crittile && cs::countTiles(DlayerTile[i].crittile) != 1)
      return false;
  }
  return FaultTable.FShortList == nullptr && NetTileList == nullptr &&
         FaultTable.FOpenList == nullptr && BreakList == nullptr && TransList == nullptr &&
         RecordTerm == 0;
}

std::map<std::string, std::pair<int, int>> FaultTest::marks()
{
  std::map<std::string, std::pair<int, int>> all;
  for (int p = 0; p < DlayerNum; ++p)
    for (_Dtile* t : cs_test::allTiles(DlayerTile[p].layertile))
      all[std::to_string(p) + cs_test::text(t)] = {t->node, t->processed};
  return all;
}

}  // namespace faultex_test
