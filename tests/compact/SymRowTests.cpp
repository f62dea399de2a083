// Symmetry rows on the amplifier's input pair: axis variables shared by the
// records of one block, the rows of the pair in each direction, the order
// row chosen from the current positions, and findedge by tile and side.
#include <map>
#include <string>
#include <vector>

#include "CS.h"
#include "DEextract.h"
#include "DRdesignrule.h"
#include "DSsymmetry.h"
#include "DTtechnology.h"
#include "Dcif.h"
#include "Dglobal.h"
#include "Dmenu.h"
#include "PlaneSupport.h"
#include "RowSupport.h"

namespace {

using compact_test::Row;
using testing_support::sourcePath;

class SymRows : public cs_test::PlaneTest {
 protected:
  void SetUp() override
  {
    PlaneTest::SetUp();
    DIcolorInit();
    DItechInit();
    ASSERT_EQ(callback::accept(kAcceptLoadCif, sourcePath("examples/amp.cif").c_str()),
              callback::Outcome::Done);
    ASSERT_EQ(callback::accept(kAcceptSymmetry, sourcePath("examples/amp.sym").c_str()),
              callback::Outcome::Done);
    ASSERT_NE(final_sym_list, nullptr);
    ASSERT_NE(final_sym_list->next, nullptr) << "the block's two pairs";
  }
  void TearDown() override
  {
    DSfreeFinalSymList();
    compact_test::releaseLayout(&xList, &yList);
    PlaneTest::TearDown();
  }
  // Variables and empty row lists, then the symmetry rows of both directions.
  void generate()
  {
    init_staff();
    scan_toget_variables();
    mps_column_num = 1;
    xList = compact::newRows();
    yList = compact::newRows();
    user_defined_sym_constraint_generate(equat_bucket, xList, 1);
    user_defined_sym_constraint_generate(equat_bucket_y, yList, 2);
  }
  // Whether a row with exactly these terms (variable -> coefficient) exists.
  static bool has(const std::vector<Row>& rows, char type, std::map<int, int> terms)
  {
    for (const Row& r : rows)
      if (r.type == type && r.terms == terms && r.value == 0)
        return true;
    return false;
  }

  _rhs_list* xList = nullptr;
  _rhs_list* yList = nullptr;
};

TEST_F(SymRows, OneAxisVariablePerBlockAndAxis)
{
  // A third record of another block on the same axis gets its own variable.
  _sym_constraint_list* other = new _sym_constraint_list(*final_sym_list);
  other->block_number = final_sym_list->block_number + 1;
  other->next = nullptr;
  _sym_constraint_list* last = final_sym_list;
  while (last->next)
    last = last->next;
  last->next = other;
  generate();
  EXPECT_EQ(NUM_of_VAR, num_of_var + 2);
  EXPECT_EQ(equat_bucket->size(), equat_bucket_y->size());
  const _sym_constraint_list* first = final_sym_list;
  ASSERT_NE(first->edge, nullptr);
  EXPECT_EQ(first->edge, first->next->edge) << "one block, one axis";
  EXPECT_NE(other->edge, first->edge);
  EXPECT_EQ(first->edge->sub, num_of_var + 1);
  EXPECT_STREQ(first->edge->name, "SYM");
  EXPECT_EQ(first->edge->layer_num, 100);
  // Vertical axis: the axis edge in X (alpha 1), its mirror in Y (alpha 0).
  EXPECT_EQ((*equat_bucket)[num_of_var].the_edge, first->edge);
  EXPECT_EQ((*equat_bucket)[num_of_var].alpha, 1);
  EXPECT_STREQ((*equat_bucket_y)[num_of_var].the_edge->name, "SYMmir");
  EXPECT_EQ((*equat_bucket_y)[num_of_var].the_edge->layer_num, 101);
  EXPECT_EQ((*equat_bucket_y)[num_of_var].alpha, 0);
}

TEST_F(SymRows, MirrorEqualAndSameRowsOfAPair)
{
  generate();
  const std::vector<Row> x = compact_test::readRows(*equat_bucket, xList);
  const std::vector<Row> y = compact_test::readRows(*equat_bucket_y, yList);
  const int axis = final_sym_list->edge->sub;
  for (const _sym_constraint_list* r = final_sym_list; r; r = r->next) {
    const _Dtransistor *t1 = r->Trans1, *t2 = r->Trans2;
    // The amplifier's fingers have source and drain beside the gate.
    ASSERT_NE(t1->Tdrain->x1, t1->Tgate->x1);
    const int p1l = findedge(t1->Pgate, 1)->sub, p1r = findedge(t1->Pgate, 2)->sub;
    const int p2l = findedge(t2->Pgate, 1)->sub, p2r = findedge(t2->Pgate, 2)->sub;
    EXPECT_TRUE(has(x, 'E', {{p1r, 1}, {p2l, 1}, {axis, -2}})) << "mirror row";
    EXPECT_TRUE(has(x, 'E', {{p1r, 1}, {p2l, 1}, {p1l, -1}, {p2r, -1}})) << "equal widths";
    const int g1t = findedge(t1->Tgate, 3)->sub, g2t = findedge(t2->Tgate, 3)->sub;
    const int g1b = findedge(t1->Tgate, 4)->sub, g2b = findedge(t2->Tgate, 4)->sub;
    EXPECT_TRUE(has(y, 'E', {{g1t, -1}, {g2t, 1}})) << "same top";
    EXPECT_TRUE(has(y, 'E', {{g1b, -1}, {g2b, 1}})) << "same bottom";
  }
  for (const Row& r : y)
    EXPECT_EQ(r.terms.count(axis), 0u) << "a vertical axis has no row in Y";
}

TEST_F(SymRows, FindedgeIsTheSideOfTheTile)
{
  generate();
  const _Dtile* g = final_sym_list->Trans1->Tgate;
  const int sides[4] = {g->x1, cs::right(g), cs::top(g), g->y1};
  for (int side = 1; side <= 4; ++side) {
    _edge* e = findedge(const_cast<_Dtile*>(g), side);
    ASSERT_NE(e, nullptr) << side;
    EXPECT_EQ(e->mother_tile, g);
    EXPECT_EQ(e->p1.x, sides[side - 1]) << side;
  }
  EXPECT_EQ(findedge(nullptr, 1), nullptr);
  EXPECT_NE(out.find("can't find edge for tile"), std::string::npos);
}

}  // namespace
