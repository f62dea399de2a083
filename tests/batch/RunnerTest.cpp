// The script reader hands trailing points to the running interaction.
#include "BatchRunner.h"

#include <sstream>

#include "Devent.h"
#include "TestSupport.h"

namespace testing_support {
namespace {

std::vector<std::string>* executed = nullptr;

int record(_points* points, _GEvent*)
{
  std::string text;
  for (const _points* p = points; p; p = p->next)
    text += (text.empty() ? "" : " ") + std::to_string(p->x) + "," + std::to_string(p->y);
  executed->push_back(text);
  return 0;
}

class Runner : public CoreTest {
 protected:
  void SetUp() override
  {
    CoreTest::SetUp();
    DIvpInit(Vmain, &surface, nullptr);
    DEinit();
    executed = &log;
  }
  void TearDown() override
  {
    DEinit();
    DIvpInit(Vmain, nullptr, nullptr);
    executed = nullptr;
    CoreTest::TearDown();
  }
  int run(const std::string& text)
  {
    std::istringstream script(text);
    batch::Runner runner;
    common::setFrontEnd(&ui);  // the runner installs its own
    return runner.run(script);
  }

  view::NullSurface surface{550, 450};
  std::vector<std::string> log;
};

TEST_F(Runner, PointListIsEndedWithButtonThree)
{
  static _GEvent list{GGEpoints, GGRline, nullptr, nullptr, record, nullptr, nullptr, nullptr};
  list.view = Vmain;
  DEevent(&list);
  EXPECT_EQ(run("f.hello 1,2 3,4\n"), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"1,2", "1,2 3,4", "1,2 3,4 1073741823,1073741823"}));
  EXPECT_NE(out.find("Hello!"), std::string::npos);
}

TEST_F(Runner, SinglePointStepsTakeTheirButton)
{
  static _GEvent third{GGEbutton3, GGRno, nullptr, nullptr, record, nullptr, nullptr, nullptr};
  static _GEvent first{GGEbutton1, GGRno, nullptr, nullptr, nullptr, nullptr, &third, nullptr};
  first.view = third.view = Vmain;
  DEevent(&first);
  EXPECT_EQ(run("f.hello -5,6 7,-8\n"), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"-5,6 7,-8"}));
}

TEST_F(Runner, PointWithoutInteractionFails)
{
  EXPECT_EQ(run("f.DVfit 1,1\n"), 1);
  EXPECT_NE(err.find("no interaction waits for a point"), std::string::npos);
}

TEST_F(Runner, ZoomFromTheScript)
{
  EXPECT_EQ(run("f.DVzoomin 0,0 1000,400\n"), 0);
  EXPECT_FLOAT_EQ(Vmain->scale, 2.0f);
  EXPECT_EQ(Vmain->ox, -50);
  EXPECT_EQ(Vmain->oy, -250);
}

TEST_F(Runner, WordsThatAreNoPointsStayArguments)
{
  EXPECT_EQ(run("f.DIhswitch Off 1,2x\n"), 1);  // "1,2x" is no point
  EXPECT_NE(err.find("opened no dialog for its arguments"), std::string::npos);
  EXPECT_EQ(run("f.DIhswitch Off 1,99999999999\n"), 1);  // beyond the layout's range
  EXPECT_EQ(run("f.DIhswitch Off ,5\n"), 1);
}

// A "set" line sets a process setting as its key in the system source file
// would; a name or value it does not take fails the line.
TEST_F(Runner, SetLinesTakeProcessSettings)
{
  EXPECT_EQ(run("set PROCESS_INCLUDE_WLM 1\nset RESIZING_FACTOR 1.5\n"), 0);
  EXPECT_EQ(PROCESS_INCLUDE_WLM, 1);
  EXPECT_EQ(RESIZING_FACTOR, 1.5);
  const struct {
    const char* line;
    const char* said;
  } refused[] = {
      {"set PROCESS_INCLUDE_WLM 9\n", "line 1: PROCESS_INCLUDE_WLM 9 is refused: it takes 1, 2, 3 or 4\n"},
      {"set WLM 1\n", "line 1: there is no process setting WLM\n"},
      {"set PROCESS_INCLUDE_WLM\n", "line 1: set needs a setting's name and one value\n"},
      {"set PROCESS_INCLUDE_WLM 2 3\n", "line 1: set needs a setting's name and one value\n"},
  };
  for (const auto& r : refused) {
    err.clear();
    EXPECT_EQ(run(r.line), 1) << r.line;
    EXPECT_NE(err.find(r.said), std::string::npos) << err;
    EXPECT_EQ(PROCESS_INCLUDE_WLM, 1);
  }
}

TEST_F(Runner, SnapshotNeedsAWriter)
{
  EXPECT_EQ(run("snapshot view.png\n"), 1);
  EXPECT_NE(err.find("cannot write the snapshot view.png"), std::string::npos);
}

}  // namespace
}  // namespace testing_support
