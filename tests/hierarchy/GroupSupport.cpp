#include "GroupSupport.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "DTtechnology.h"
#include "Dcif.h"

namespace hierarchy_test {

void GroupTest::TearDown()
{
  DHreleaseGroups();
  for (_Dnet* n = Nets; n; n = n->next) {
    delete n->connElemList;
    n->connElemList = nullptr;
  }
  // The hand-made pins head Gpin; the reader's pins behind them go with
  // the layout.
  while (Gpin && std::find(pins_.begin(), pins_.end(), Gpin) != pins_.end())
    Gpin = Gpin->next;
  for (_pin* p : pins_) {
    free(p->label);
    free(p->layername);
    delete p;
  }
  if (fromExample_) {
    GCfreeCS();
    ACinit();
    cif::releaseRetiredPins();
    Gflatten = nullptr;
  }
  ExtractTest::TearDown();
}

bool GroupTest::loadExample(const std::string& name)
{
  GCfreeLayout(Gflatten);
  Gflatten = nullptr;
  fromExample_ = true;
  const std::string path = name[0] == '/' ? name : testing_support::sourcePath("examples/" + name);
  cifin = fopen(path.c_str(), "r");
  if (!cifin)
    return false;
  ACinit();
  return action([] {
    if (CIFparse() != 0 || GCflatten() != 0 || !Gflatten)
      throw common::OperationAborted();
    DCcrtCS();
    DExCir();
  });
}

void GroupTest::connect()
{
  ASSERT_TRUE(action([] { DExCirPassive(); }));
}

_pin* GroupTest::pin(const char* label, int x, int y, const char* layer)
{
  _pin* p = new _pin{strdup(label), x, y, strdup(layer), 0, nullptr, Gpin};
  pins_.push_back(p);
  Gpin = p;
  return p;
}

std::vector<std::string> GroupTest::groups() const
{
  std::vector<std::string> result;
  if (!MFTList)
    return result;
  for (const MultiFingerTran* g : *MFTList) {
    std::string text = "g" + std::to_string(g->gate) + " s" + std::to_string(g->source) + " d" +
                       std::to_string(g->drain) + ":";
    bool firstRun = true;
    for (const ContiguousElem* run : g->contList) {
      if (!firstRun)
        text += " |";
      firstRun = false;
      for (const _Dtransistor* t : run->tranList)
        text += std::string(" ") + t->name;
    }
    result.push_back(text);
  }
  return result;
}

std::vector<int> GroupTest::gateXs(const MultiFingerTran* group)
{
  std::vector<int> xs;
  for (const _Dtransistor* t : group->tranList)
    xs.push_back(cs::left(t->Tgate));
  return xs;
}

_Dtransistor* GroupTest::gateAt(int x, int y)
{
  return extract::transistorOf(at("CAA", x, y));
}

bool GroupTest::inFolder(const std::string& folder, const std::function<void()>& work)
{
  char here[4096];
  if (!getcwd(here, sizeof here) || chdir(folder.c_str()) != 0)
    return false;
  work();
  return chdir(here) == 0;
}

std::string GroupTest::netlist()
{
  testing_support::ScratchDir dir;
  if (!inFolder(dir.dir(), [] { WriteSubpyxisNetlist(); }))
    return "cannot change folder";
  return testing_support::readFile(dir.path("netlist_subpyxis"));
}

}  // namespace hierarchy_test
