// The pairs a resize keeps: records of final_sym_list made by hand, as any
// detection could leave them, checked for one axis per block and per
// transistor.
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "DEextract.h"
#include "DSsymmetry.h"
#include "TestSupport.h"

namespace {

// One record: names of the pair (and reference), axis kind and place, block.
struct Pair {
  const char* a;
  const char* b;
  const char* reference;
  int axis;
  long at;
  int block;
};

class KeepPairs : public testing_support::CoreTest {
 protected:
  void TearDown() override
  {
    DSfreeFinalSymList();
    CoreTest::TearDown();
  }
  _Dtransistor* named(const std::string& name)
  {
    if (!name.empty() && !byName_.count(name)) {
      _Dtransistor& t = trans_.emplace_back();
      snprintf(t.name, sizeof t.name, "%s", name.c_str());
      byName_[name] = &t;
    }
    return name.empty() ? nullptr : byName_[name];
  }
  // The records in the order a detection finds them (the list is newest first).
  void found(const std::vector<Pair>& pairs)
  {
    int number = 0;
    for (const Pair& p : pairs)
      final_sym_list = new _sym_constraint_list{++number, named(p.a), named(p.b),
                                                named(p.reference ? p.reference : ""), p.axis,
                                                p.at, p.block, nullptr, final_sym_list};
  }
  static std::set<std::string> kept()
  {
    std::set<std::string> r;
    for (const _sym_constraint_list* p = final_sym_list; p; p = p->next)
      r.insert(std::string(p->Trans1->name) + "=" + p->Trans2->name);
    return r;
  }

 private:
  std::deque<_Dtransistor> trans_;
  std::map<std::string, _Dtransistor*> byName_;
};

TEST_F(KeepPairs, PairsThatCannotBeKeptTogetherAreNamedAndLeftOut)
{
  struct Case {
    const char* what;
    std::vector<Pair> pairs;
    std::set<std::string> kept;
    std::vector<std::string> warnings;  // parts of the warnings, in order
  } cases[] = {
      {"one axis per block, each transistor once: all kept",
       {{"m1", "m2", "m5", 0, 100, 1}, {"m3", "m4", "m5", 0, 100, 1}, {"m6", "m7", nullptr, 1, 50, 2},
        {"m8", "m9", nullptr, 0, 100, 3}},
       {"m1=m2", "m3=m4", "m6=m7", "m8=m9"},
       {}},
      {"every cross pair of two groups: the block keeps the axis most pairs share",
       {{"m10", "m15", nullptr, 0, 14800, 1}, {"m10", "m12", nullptr, 0, 16800, 1},
        {"m8", "m15", nullptr, 0, 16800, 1}, {"m8", "m12", nullptr, 0, 18800, 1},
        {"m14", "m7", nullptr, 0, 16800, 2}},
       {"m10=m12", "m8=m15", "m14=m7"},
       {"The pairs of symmetry block 1 lie about different axes: m10 = m15 (x = 14800), "
        "m10 = m12 (x = 16800), m8 = m15 (x = 16800), m8 = m12 (x = 18800); the resize keeps "
        "the block about x = 16800"}},
      {"two axes of one block, equally many pairs: none is kept",
       {{"m1", "m2", nullptr, 0, 100, 1}, {"m3", "m4", nullptr, 1, 100, 1},
        {"m5", "m6", nullptr, 0, 300, 2}},
       {"m5=m6"},
       {"block 1 lie about different axes: m1 = m2 (x = 100), m3 = m4 (y = 100); no axis holds "
        "most of them"}},
      {"a transistor in pairs of two blocks about different axes: both pairs out",
       {{"m15", "m8", "m16", 0, 16800, 1}, {"m12", "m10", "m16", 0, 16800, 1},
        {"m10", "m15", nullptr, 0, 14800, 2}, {"m14", "m7", nullptr, 0, 16800, 3},
        {"m11", "m9", nullptr, 0, 16800, 3}},
       {"m14=m7", "m11=m9"},
       {"Transistor m15 is in symmetric pairs about different axes: m15 = m8 : m16 (x = 16800), "
        "m10 = m15 (x = 14800)",
        "Transistor m10 is in symmetric pairs about different axes: m12 = m10 : m16 (x = 16800), "
        "m10 = m15 (x = 14800)"}},
      {"a reference centred on two axes",
       {{"m1", "m2", "m9", 0, 100, 1}, {"m3", "m4", "m9", 0, 200, 2}, {"m5", "m6", nullptr, 0, 300, 3}},
       {"m5=m6"},
       {"Transistor m9 is in symmetric pairs about different axes: m1 = m2 : m9 (x = 100), "
        "m3 = m4 : m9 (x = 200)"}},
      {"the same pair in two blocks about one place: nothing contradicts",
       {{"m1", "m2", nullptr, 0, 100, 1}, {"m1", "m2", nullptr, 0, 100, 2}},
       {"m1=m2"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ui.messages.clear();
    out.clear();
    found(c.pairs);
    const int before = static_cast<int>(c.pairs.size());
    const int left = checksym::keepConsistentPairs();
    EXPECT_EQ(kept(), c.kept);
    size_t after = 0;
    for (const _sym_constraint_list* p = final_sym_list; p; p = p->next)
      ++after;
    EXPECT_EQ(left, before - static_cast<int>(after));
    ASSERT_EQ(ui.messages.size(), c.warnings.size()) << ui.lastLine();
    for (size_t i = 0; i < c.warnings.size(); ++i) {
      EXPECT_EQ(ui.messages[i].kind, 'W');
      EXPECT_NE(ui.messages[i].line.find(c.warnings[i]), std::string::npos) << ui.messages[i].line;
    }
    if (left) {
      EXPECT_NE(out.find("Symmetry: " + std::to_string(left) + " pairs left out of the resize"),
                std::string::npos);
    }
    DSfreeFinalSymList();
  }
}

}  // namespace
