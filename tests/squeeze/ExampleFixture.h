// A test on the example layouts under the example process's rules, run in
// a scratch folder: every piece of state a load, a compaction or a resize
// leaves behind is released after each test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "CS.h"
#include "DRdesignrule.h"
#include "DSsymmetry.h"
#include "DTtechnology.h"
#include "Dcif.h"
#include "Dcompact.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dmenu.h"
#include "PlaneSupport.h"
#include "RuleSupport.h"
#include "SQsqueeze.h"
#include "TestSupport.h"

namespace squeeze_test {

class ExampleLayoutTest : public designrule_test::RuleTest {
 protected:
  void SetUp() override
  {
    RuleTest::SetUp();
    ASSERT_TRUE(getcwd(here, sizeof here));
    ASSERT_EQ(chdir(scratch.dir().c_str()), 0);
  }
  void TearDown() override
  {
    SQfree_all();
    compact::freeRows(xList);
    compact::freeRows(yList);
    xList = yList = nullptr;
    compact::freeStaff();
    DSfreeFinalSymList();
    X_direction = 1;
    PHASEII = 0;
    GCfreeCS();
    ACinit();
    cif::releaseRetiredPins();
    EXPECT_EQ(chdir(here), 0);
    RuleTest::TearDown();
  }
  static callback::Outcome accept(int code, const std::string& path)
  {
    return callback::accept(code, path.c_str());
  }
  static bool load(const std::string& path)
  {
    return accept(kAcceptLoadCif, path) == callback::Outcome::Done;
  }

  char here[4096];
  testing_support::ScratchDir scratch;
  _rhs_list* xList = nullptr;
  _rhs_list* yList = nullptr;
};

// Both graphs from the rows and both solves, as the squeeze line runs them;
// the cells are then in SQcell_LR and SQcell_TB.
inline void graphAndSolve(_rhs_list* xList, _rhs_list* yList)
{
  SQfree_all();
  SQswitch_direction(LEFT_RIGHT, 1);
  ASSERT_EQ(SQcreatestructure(equat_bucket, xList), 0);
  SQswitch_direction(TOP_BOTTOM, 1);
  ASSERT_EQ(SQcreatestructure(equat_bucket_y, yList), 0);
  SQmain_solve(equat_bucket, xList, LEFT_RIGHT);
  SQmain_solve(equat_bucket_y, yList, TOP_BOTTOM);
  SQswitch_direction(END_DIR, 0);
}

}  // namespace squeeze_test
