// The name hash, net names from labels and typed names, and the lines of
// circuit.net.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "DTtechnology.h"
#include "ExtractSupport.h"

using extract_test::ExtractTest;
using testing_support::CoreTest;

namespace {

class NameHash : public CoreTest {
 protected:
  void SetUp() override
  {
    CoreTest::SetUp();
    DExInit();
    InitHash();
  }
  void TearDown() override
  {
    DExInit();
    CoreTest::TearDown();
  }
  int chainLength(int bucket) const
  {
    int n = 0;
    for (const _DListTran* node = Hash->TranList[bucket].next; node; node = node->next)
      ++n;
    return n;
  }
};

// One pMOS transistor whose source is reached in metal through a contact.
class Labelled : public ExtractTest {
 protected:
  void SetUp() override
  {
    ExtractTest::SetUp();
    horizontal(0, 0);
    rect("CCA", 100, 200, 300, 400);
    rect("CMF", 0, 100, 400, 500);
  }
  void label(const char* layer, const char* name, int x, int y)
  {
    int index = -1;
    for (int i = 0; i < GlayerNum; ++i)
      if (strcmp(Glayers[i].name, layer) == 0)
        index = i;
    ASSERT_GE(index, 0);
    _symbol*& symbol = Gflatten->symbol[index];
    if (!symbol) {
      symbol = common::make<_symbol>();
      snprintf(symbol->layername, sizeof symbol->layername, "%s", layer);
    }
    _labels* l = common::make<_labels>();
    l->label = GCstrcpy(name);
    l->x = x;
    l->y = y;
    l->next = symbol->label;
    symbol->label = l;
  }
  std::vector<std::string> namesOf(int node) const
  {
    std::vector<std::string> names;
    for (const _DnameTable* e = NetNameTable; e; e = e->next)
      if (e->node == node)
        names.push_back(e->name);
    return names;
  }
};

}  // namespace

TEST_F(NameHash, BucketIsTheCharacterSumModuloEleven)
{
  _Dtransistor m1{}, m12{};
  EXPECT_EQ(InsertTranToHash("m1", &m1), 1);
  EXPECT_EQ(InsertTranToHash("m12", &m12), 1);
  EXPECT_EQ(out, "While hashing: i = 4, name = m1\nWhile hashing: i = 10, name = m12\n");
  ASSERT_NE(Hash, nullptr);
  EXPECT_EQ(Hash->tablesize, 11);
  ASSERT_NE(Hash->TranList[4].next, nullptr);
  EXPECT_STREQ(Hash->TranList[4].next->name, "m1");
  EXPECT_EQ(Hash->TranList[10].next->tran, &m12);
  EXPECT_EQ(FindTranPosinHash("m12")->tran, &m12);
  EXPECT_EQ(FindTranPosinHash("m2"), nullptr);
}

// A name already present is left alone; nets have a table of their own
// and no trace line.
TEST_F(NameHash, NamePresentIsLeftAloneAndNetsAreApart)
{
  _Dtransistor first{}, second{};
  InsertTranToHash("m7", &first);
  out.clear();
  EXPECT_EQ(InsertTranToHash("m7", &second), 0);
  EXPECT_EQ(FindTranPosinHash("m7")->tran, &first);
  EXPECT_EQ(chainLength(ComputeHash("m7", kHashSize)), 1);
  _Dnet net{};
  EXPECT_EQ(InsertNetToHash("n5", &net), 1);
  EXPECT_EQ(InsertNetToHash("n5", &net), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(FindNetPosinHash("n5")->net, &net);
  EXPECT_EQ(Hash->NetList[ComputeHash("n5", kHashSize)].next->net, &net);
  EXPECT_EQ(FindTranPosinHash("n5"), nullptr) << "two separate tables";
}

TEST_F(NameHash, ChainsHoldEveryNameNewestFirst)
{
  std::vector<_Dtransistor> transistors(3000);
  for (size_t i = 0; i < transistors.size(); ++i)
    InsertTranToHash(("m" + std::to_string(i + 1)).c_str(), &transistors[i]);
  int total = 0;
  for (int b = 0; b < kHashSize; ++b) {
    total += chainLength(b);
    const _DListTran* node = Hash->TranList[b].next;
    for (const _DListTran* next = node ? node->next : nullptr; next; node = next, next = next->next)
      EXPECT_GT(node->tran, next->tran) << "prepended: newest first";
    for (node = Hash->TranList[b].next; node; node = node->next)
      EXPECT_EQ(ComputeHash(node->name, kHashSize), b);
  }
  EXPECT_EQ(total, 3000);
  for (size_t i = 0; i < transistors.size(); i += 97)
    EXPECT_EQ(FindTranPosinHash(("m" + std::to_string(i + 1)).c_str())->tran, &transistors[i]);
}

TEST_F(NameHash, OddNamesStayInTheTable)
{
  EXPECT_EQ(ComputeHash("\xff\xfe", kHashSize), 8) << "a negative sum wraps into the table";
  _Dtransistor t{};
  InsertTranToHash("a_name_of_twenty_chars", &t);
  EXPECT_EQ(FindTranPosinHash("a_name_of_twent")->tran, &t) << "kept as its first 15 characters";
}

TEST_F(Labelled, LabelsNameTheNetUnderThem)
{
  label("CMF", "a_b", 200, 300);
  label("CMF", "vdd", 250, 300);
  label("CMF", "far", 9000, 9000);
  label("CWN", "nowhere", 200, 300);  // a layer without a plane
  ASSERT_TRUE(extract());
  ASSERT_TRUE(action([] { DExCrtNameTb(); }));
  _Dtransistor* t = transistor(1);
  EXPECT_EQ(namesOf(t->source), std::vector<std::string>{"vdd"});
  EXPECT_STREQ(DExNetName(t->source), "vdd");
  EXPECT_EQ(DExNetName(t->gate), nullptr);
  int entries = 0;
  for (const _DnameTable* e = NetNameTable; e; e = e->next)
    ++entries;
  EXPECT_EQ(entries, 1);
  FsetLabels = 0;
  EXPECT_EQ(DExNetName(t->source), nullptr) << "no names while labels are hidden";
}

TEST_F(Labelled, OfEqualLabelsTheLastReadWins)
{
  label("CMF", "first", 200, 300);
  label("CMF", "second", 250, 300);  // read first: labels are prepended
  label("CMF", "x_y", 300, 300);
  ASSERT_TRUE(extract());
  ASSERT_TRUE(action([] { DExCrtNameTb(); }));
  EXPECT_STREQ(DExNetName(transistor(1)->source), "first");
}

TEST_F(Labelled, LabelOfSixtyFourCharactersAbandons)
{
  std::string longest(63, 'v'), tooLong(64, 'w');
  label("CMF", longest.c_str(), 200, 300);
  ASSERT_TRUE(extract());
  ASSERT_TRUE(action([] { DExCrtNameTb(); }));
  EXPECT_EQ(DExNetName(transistor(1)->source), longest);

  label("CPG", tooLong.c_str(), 600, 700);  // names the gate net
  EXPECT_FALSE(action([] { DExCrtNameTb(); }));
  EXPECT_NE(err.find("Fatal: node name too long.\n"), std::string::npos);
  EXPECT_EQ(TransNum, 0) << "the extraction is released";
  EXPECT_EQ(NetNameTable, nullptr);
  EXPECT_EQ(taggedTiles(), 0);
  EXPECT_TRUE(action([] { DExCir(); }));
  EXPECT_EQ(TransNum, 1);
}

TEST_F(Labelled, NamingANetTwiceKeepsBothNames)
{
  ASSERT_TRUE(extract());
  char first[] = "out", second[] = "output";
  DExNameNet(first);
  click(900, 300);  // on the drain
  DExNameNet(second);
  click(900, 300);
  EXPECT_EQ(namesOf(3), (std::vector<std::string>{"output", "out"}));
  EXPECT_NE(out.find("Net number: 3\nNet number: 3\n"), std::string::npos);
  EXPECT_EQ(netlist(), "1 transistor_P w=600.00u l=200.00u (n1 n2 output)\n");
  EXPECT_STREQ(StringBuffer, "output");
}

TEST_F(Labelled, TypedNameTooLongIsRefused)
{
  ASSERT_TRUE(extract());
  std::string name(64, 'z');
  DExNameNet(&name[0]);
  click(900, 300);
  EXPECT_TRUE(ui.saw('E', "node name too long"));
  EXPECT_EQ(NetNameTable, nullptr);
}

TEST_F(Labelled, NamingSpaceOrMaterialWithoutANet)
{
  rect("CVS", 5000, 5000, 5400, 5400);  // material on no net in the last plane
  ASSERT_TRUE(extract());
  _point space{3000, 3000}, loose{5200, 5200};
  EXPECT_EQ(DExNameNetExe(space), 1);
  EXPECT_TRUE(ui.saw('W', "Perhaps you need to extract the circuit first"));
  EXPECT_EQ(DExNameNetExe(loose), 0);
  EXPECT_EQ(NetNameTable, nullptr);
}

TEST_F(Labelled, UnwritableNetlistIsReported)
{
  ASSERT_TRUE(extract());
  testing_support::ScratchDir dir;
  ASSERT_EQ(mkdir(dir.path("circuit.net").c_str(), 0700), 0);  // a folder in the way
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(dir.dir().c_str()), 0);
  EXPECT_EQ(DExOutput(), 1);
  ASSERT_EQ(chdir(here), 0);
  EXPECT_TRUE(ui.saw('E', "File open error"));
}
