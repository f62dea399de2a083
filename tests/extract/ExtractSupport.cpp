#include "ExtractSupport.h"

#include <unistd.h>

#include <algorithm>

#include "DPparasitic.h"
#include "Devent.h"

namespace extract_test {

void ExtractTest::SetUp()
{
  BuildTest::SetUp();
  extract::install();
  parasitic::install();
  DExInit();
  DEinit();
}

void ExtractTest::TearDown()
{
  DEinit();
  BuildTest::TearDown();
  DExInit();
}

void ExtractTest::horizontal(int x, int y, const char* select)
{
  rect("CAA", x, y, x + 1200, y + 600);
  rect("CPG", x + 500, y - 200, x + 700, y + 800);
  rect(select, x - 100, y - 300, x + 1300, y + 900);
}

void ExtractTest::vertical(int x, int y, const char* select)
{
  rect("CAA", x, y, x + 600, y + 1200);
  rect("CPG", x - 200, y + 500, x + 800, y + 700);
  rect(select, x - 300, y - 100, x + 900, y + 1300);
}

bool ExtractTest::extract()
{
  return action([] {
    DCcrtCS();
    DExCir();
  });
}

_Dtransistor* ExtractTest::transistor(int number) const
{
  std::string name = "m" + std::to_string(number);
  _DListTran* node = FindTranPosinHash(name.c_str());
  return node ? node->tran : nullptr;
}

_Dnet* ExtractTest::net(int node) const
{
  for (_Dnet* n = Nets; n; n = n->next)
    if (n->node == node)
      return n;
  return nullptr;
}

std::vector<std::string> ExtractTest::netTiles(const _Dnet* n) const
{
  std::vector<std::string> result = cs_test::texts(n ? n->tilelist : nullptr);
  std::sort(result.begin(), result.end());
  return result;
}

std::string ExtractTest::netlist()
{
  testing_support::ScratchDir dir;
  char here[4096];
  if (!getcwd(here, sizeof here) || chdir(dir.dir().c_str()) != 0)
    return "cannot change folder";
  DExOutput();
  std::string text = testing_support::readFile(dir.path("circuit.net"));
  if (chdir(here) != 0)
    return "cannot change back";
  return text;
}

int ExtractTest::taggedTiles() const
{
  int n = 0;
  for (int i = 0; i < DlayerNum; ++i) {
    if (!DlayerTile[i].layertile)
      continue;
    for (_Dtile* t : cs_test::allTiles(DlayerTile[i].layertile))
      n += t->node != 0 || t->activeDev() != 0;
  }
  return n;
}

void ExtractTest::click(long x, long y) { event::press(1, x, y); }

std::set<_Dtile*> tileSet(const _Dtilelist* list)
{
  std::set<_Dtile*> tiles;
  for (; list; list = list->next)
    tiles.insert(list->tile);
  return tiles;
}

int length(const _Dtilelist* list)
{
  int n = 0;
  for (; list; list = list->next)
    ++n;
  return n;
}

}  // namespace extract_test
