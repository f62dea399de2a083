#include "ShortSupport.h"

#include <unistd.h>

#include <sstream>
#include <sys/stat.h>

#include "DTtechnology.h"
#include "Dview.h"

namespace faultex_test {

void ShortTest::SetUp()
{
  ExtractTest::SetUp();
  faultex::install();
  DIvpInit(Vmain, &surface, nullptr);
  GCinstallVp(Vmain, -100L * g(), -100L * g(), 400L * g(), 0);
}

void ShortTest::TearDown()
{
  theDefectScale = 0;
  DIvpInit(Vmain, nullptr, nullptr);
  ExtractTest::TearDown();
}

void ShortTest::box(const char* layer, int x1, int y1, int x2, int y2)
{
  rect(layer, x1 * g(), y1 * g(), x2 * g(), y2 * g());
}

void ShortTest::transistor(int tx, int ty)
{
  box("CAA", tx, ty, tx + 30, ty + 15);
  box("CPG", tx + 12, ty - 5, tx + 18, ty + 20);
  box("CSP", tx - 3, ty - 8, tx + 33, ty + 23);
  box("CCA", tx + 3, ty + 5, tx + 8, ty + 10);
  box("CMF", tx + 2, ty + 4, tx + 9, ty + 11);
}

void ShortTest::metal2Wire(int a, int yb, int yt, int w, bool fromBelow)
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

int ShortTest::netAt(const char* layer, int x, int y)
{
  _Dtile* t = at(layer, x * g() + 1, y * g());
  return t ? t->node : 0;
}

bool ShortTest::run(int (*action)(), int d, const std::string& file, std::string* text,
                    const std::string& blocker)
{
  testing_support::ScratchDir dir;
  char here[4096];
  if (!getcwd(here, sizeof here) || chdir(dir.dir().c_str()) != 0)
    return false;
  if (!blocker.empty())
    mkdir(blocker.c_str(), 0700);  // a folder where the fault file should go
  theDefectScale = d * 10;
  bool done = this->action([action] { action(); });
  *text = testing_support::readFile(dir.path(file));
  if (chdir(here) != 0)
    return false;
  return done;
}

FaultSets ShortTest::parse(const std::string& text)
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

int ShortTest::fills(int colour) const
{
  const unsigned long pixel = GCworkStation[GCstationId].color[colour].pixel;
  int n = 0;
  for (const auto& op : surface.withPrefix("fill"))
    n += op.color == pixel;
  return n;
}

bool ShortTest::clean()
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
  return FaultTable.FShortList == nullptr && NetTileList == nullptr;
}

}  // namespace faultex_test
