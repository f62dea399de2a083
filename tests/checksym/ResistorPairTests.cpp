// Resistor pairs of a symmetry-check file: which pairs are kept, their axes
// from the first body tiles, numbering and the messages.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "CS.h"
#include "RXresistor.h"
#include "SymSupport.h"

namespace {

struct Rect {
  int x1, y1, x2, y2;
};

// Resistors r1, r2, ... whose first body tiles are the given rectangles.
// A tile's top and right come from its rt and tr neighbours, so each body
// gets the two neighbours that fix them.
class ResistorPairs : public checksym_test::SymTest {
 protected:
  void TearDown() override
  {
    resistorList = savedList_;
    resistorCount = savedCount_;
    SymTest::TearDown();
  }

  void resistors(const std::vector<Rect>& bodies)
  {
    savedList_ = resistorList;
    savedCount_ = resistorCount;
    for (const Rect& r : bodies) {
      _Dtile& above = *tiles_.emplace_back(NewTile());
      above.y1 = r.y2;
      _Dtile& right = *tiles_.emplace_back(NewTile());
      right.x1 = r.x2;
      _Dtile& body = *tiles_.emplace_back(NewTile());
      body.x1 = r.x1;
      body.y1 = r.y1;
      body.set_rt(&above);
      body.set_tr(&right);
      _Dtilelist& start = elements_.emplace_back(_Dtilelist{&body, nullptr});
      _RX_RESISTOR_& res = records_.emplace_back(_RX_RESISTOR_{});
      res.start = res.end = &start;
      res.resistorNum = static_cast<int>(records_.size()) - 1;
      snprintf(res.name, sizeof res.name, "r%d", res.resistorNum % 1000);
    }
    // records_[0] is the head record; the list runs newest first.
    for (size_t i = 1; i < records_.size(); ++i)
      records_[i].next = i > 1 ? &records_[i - 1] : nullptr;
    records_[0].next = records_.size() > 1 ? &records_.back() : nullptr;
    resistorList = &records_[0];
    resistorCount = static_cast<int>(bodies.size());
  }

  // "n1 r1=r2 X50 b1 s2" per record, newest first.
  static std::string pairs()
  {
    std::string text;
    for (const _res_sym_constraint_list* p = final_res_sym_list; p; p = p->next) {
      char line[128];
      snprintf(line, sizeof line, "%sn%d %s=%s %c%ld b%d s%g", text.empty() ? "" : "; ",
               p->number, p->Resistor1->name, p->Resistor2->name, p->axis ? 'Y' : 'X',
               p->sym_loc, p->block_number, p->spacing);
      text += line;
    }
    return text;
  }

  std::deque<_Dtile*> tiles_;  // stitched tiles come from the tile range
  std::deque<_Dtilelist> elements_;
  std::deque<_RX_RESISTOR_> records_{1};
  _RX_RESISTOR_* savedList_ = nullptr;
  int savedCount_ = 0;
};

const char* const kStoring = "SymResistor: Storing the resistors symmetry information....\n";
const char* const kFound = "SymResistor: Resistor symmetry is found\n";
const char* const kNumbering = "SymResitor: Incorrect resistor numbering\n";

struct Case {
  const char* what;
  std::vector<Rect> bodies;
  const char* file;
  const char* pairs;
  std::string printed;  // after the first line
};

class AxisRule : public ResistorPairs, public ::testing::WithParamInterface<Case> {};

TEST_P(AxisRule, GivesPairs)
{
  const Case& c = GetParam();
  resistors(c.bodies);
  ASSERT_EQ(parse(c.file), 0) << c.what;
  out.clear();
  StoreSymmetricResistor();
  EXPECT_EQ(pairs(), c.pairs) << c.what;
  EXPECT_EQ(out, kStoring + c.printed) << c.what;
}

const std::vector<Rect> kLevel = {{0, 0, 40, 4}, {101, 0, 141, 4}};
const std::vector<Rect> kStacked = {{0, 0, 4, 40}, {0, 100, 4, 140}};

INSTANTIATE_TEST_SUITE_P(
    Cases, AxisRule,
    ::testing::Values(
        // Level bodies: a vertical axis half-way between the left sides,
        // rounded down.
        Case{"level", kLevel, "r1 = r2 s = 2", "n1 r1=r2 X50 b1 s2", kFound},
        Case{"level, other way round", kLevel, "r2 = r1", "n1 r2=r1 X50 b1 s-1", kFound},
        Case{"stacked", kStacked, "r1 = r2 s = 1.5", "n1 r1=r2 Y50 b1 s1.5", kFound},
        Case{"same bottom, other top", {{0, 0, 40, 4}, {100, 0, 140, 6}}, "r1 = r2", "",
             "SymResistor: Symmetry axis is not found between r1 and r2\n\n"},
        Case{"same left, other right", {{0, 0, 4, 40}, {0, 100, 6, 140}}, "r1 = r2", "",
             "SymResistor: Symmetry axis is not found between r1 and r2\n\n"},
        Case{"no resistors extracted", {}, "r1 = r2", "", kNumbering},
        Case{"numbers out of range", kLevel, "r0 = r1\nr1 = r3\nr1 = r9999999999", "",
             std::string(kNumbering) + kNumbering + kNumbering},
        // Only names with a lower-case r, two different ones, are looked at.
        Case{"upper case, same name, transistors", kLevel, "R1 = R2\nr1 = r1\nM1 = M2", "", ""},
        // Items count from the head of the parsed list (the file's last item
        // first); pairs of a block count from 1.
        Case{"block numbering", {{0, 0, 40, 4}, {101, 0, 141, 4}, {0, 10, 4, 50}, {0, 110, 4, 150}},
             "r1 = r2\n{ r3 = r4 s = 3\n M1 = M2\n r1 = r2 }",
             "n1 r1=r2 X50 b2 s-1; n2 r3=r4 Y60 b1 s3; n1 r1=r2 X50 b1 s-1",
             std::string(kFound) + kFound + kFound}));

TEST_F(ResistorPairs, EarlierPairsAreCleared)
{
  resistors(kLevel);
  ASSERT_EQ(parse("r1 = r2"), 0);
  StoreSymmetricResistor();
  out.clear();
  StoreSymmetricResistor();
  EXPECT_EQ(pairs(), "n1 r1=r2 X50 b1 s-1");
  EXPECT_EQ(out, std::string(kStoring) +
                     "SymResistor: final_res_sym_list is not empty, and will be cleared\n" + kFound);
}

}  // namespace
