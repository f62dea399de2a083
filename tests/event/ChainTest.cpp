// Interaction chains: arming, button filtering, point lists, the step
// routines' return codes, restarting, and the buffers.
#include "Devent.h"

#include "ViewFixture.h"

namespace testing_support {
namespace {

// Remembers which handlers the core asked for.
class FakeInput : public event::Input {
 public:
  void listen(_Gviewport*, bool presses, bool motion) override
  {
    log.push_back(std::string("listen") + (presses ? " presses" : "") + (motion ? " motion" : ""));
  }
  void stopListening(_Gviewport*) override { log.push_back("stop"); }
  std::vector<std::string> log;
};

// Step routines that record their calls and answer from a script.
struct Script {
  std::vector<int> checkAnswers, executeAnswers;
  int abortAnswer = 0;
  std::vector<std::string> calls;
};
Script* script = nullptr;

std::string pointsText(const _points* p)
{
  std::string text;
  for (; p; p = p->next)
    text += (text.empty() ? "" : " ") + std::to_string(p->x) + "," + std::to_string(p->y);
  return text;
}
int answer(std::vector<int>* answers)
{
  if (answers->empty())
    return 0;
  int r = answers->front();
  answers->erase(answers->begin());
  return r;
}
int check(_points* p, _GEvent*)
{
  script->calls.push_back("check " + pointsText(p));
  return answer(&script->checkAnswers);
}
int execute(_points* p, _GEvent*)
{
  script->calls.push_back("execute " + pointsText(p));
  return answer(&script->executeAnswers);
}
int abortStep(_points* p, _GEvent*)
{
  script->calls.push_back("abort " + pointsText(p));
  return script->abortAnswer;
}
int abandon(_points*, _GEvent*)
{
  GCmessage(1, 'F', "broken data");
  common::abandonAction(1);
}

class Chains : public ViewTest {
 protected:
  void SetUp() override
  {
    ViewTest::SetUp();
    DEinit();
    event::setInput(&input);
    script = &routines;
    GCinstallVp(Vmain, 0, 0, 0, 0);  // scale 1
  }
  void TearDown() override
  {
    DEinit();
    event::setInput(nullptr);
    script = nullptr;
    ViewTest::TearDown();
  }

  _GEvent step(GEVENTTYPE type, GRUBTYPE band, _GEvent* next = nullptr)
  {
    return {type, band, nullptr, check, execute, abortStep, next, Vmain};
  }

  FakeInput input;
  Script routines;
};

TEST_F(Chains, ChainStartsAgainAfterItsLastStep)
{
  _GEvent second = step(GGEbutton1, GGRbox);
  _GEvent first = step(GGEbutton1, GGRno, &second);
  DEevent(&first);
  EXPECT_EQ(GcurEvent, &first);
  EXPECT_EQ(event::press(1, 10, 20), event::Press::Taken);
  EXPECT_EQ(GcurEvent, &second);
  EXPECT_EQ(event::press(1, 30, 40), event::Press::Taken);
  EXPECT_EQ(GcurEvent, &first);
  EXPECT_EQ(GpointList, nullptr);
  EXPECT_EQ(routines.calls, (std::vector<std::string>{"check 10,20", "execute 10,20",
                                                      "check 10,20 30,40", "execute 10,20 30,40"}));
  // A third click begins the same interaction again.
  EXPECT_EQ(event::press(1, 50, 60), event::Press::Taken);
  EXPECT_EQ(pointsText(GpointList), "50,60");
}

TEST_F(Chains, StepTakesOnlyItsOwnButton)
{
  _GEvent only = step(GGEbutton1, GGRno);
  DEevent(&only);
  EXPECT_EQ(event::wantedButton(), 1);
  EXPECT_EQ(event::press(2, 1, 1), event::Press::Ignored);
  EXPECT_EQ(event::press(3, 1, 1), event::Press::Ignored);
  EXPECT_EQ(GpointList, nullptr);
  EXPECT_TRUE(routines.calls.empty());
  _GEvent middle = step(GGEbutton2, GGRno);
  DEevent(&middle);
  EXPECT_EQ(event::press(1, 1, 1), event::Press::Ignored);
  EXPECT_EQ(event::press(2, 1, 1), event::Press::Taken);
}

TEST_F(Chains, PointListEndsWithTheMarker)
{
  _GEvent after = step(GGEbutton3, GGRno);
  _GEvent list = step(GGEpoints, GGRline, &after);
  DEevent(&list);
  EXPECT_EQ(event::wantedButton(), 4);
  EXPECT_EQ(event::press(1, 1, 2), event::Press::Taken);
  EXPECT_EQ(GcurEvent, &list);
  EXPECT_EQ(event::press(2, 5, 5), event::Press::Ignored);
  EXPECT_EQ(event::press(1, 3, 4), event::Press::Taken);
  EXPECT_EQ(event::press(3, 9, 9), event::Press::Taken);
  EXPECT_EQ(GcurEvent, &after);
  EXPECT_EQ(pointsText(GpointList), "1,2 3,4 1073741823,1073741823");
  // More points run execute without check after it; the end runs execute only.
  EXPECT_EQ(routines.calls, (std::vector<std::string>{"check 1,2", "execute 1,2", "check 1,2 3,4",
                                                      "execute 1,2 3,4",
                                                      "execute 1,2 3,4 1073741823,1073741823"}));
}

TEST_F(Chains, CheckRefusalDropsTheInputAndAsksAgain)
{
  _GEvent only = step(GGEbutton1, GGRno);
  DEevent(&only);
  routines.checkAnswers = {-1};
  event::press(1, 7, 7);
  EXPECT_EQ(GpointList, nullptr);
  EXPECT_EQ(GcurEvent, &only);
  EXPECT_EQ(event::wantedButton(), 1);
  EXPECT_EQ(routines.calls, (std::vector<std::string>{"check 7,7"}));
}

TEST_F(Chains, CheckGivingUpRunsAbort)
{
  _GEvent second = step(GGEbutton1, GGRno);
  _GEvent first = step(GGEbutton1, GGRno, &second);
  DEevent(&first);
  event::press(1, 1, 1);
  routines.checkAnswers = {1};
  routines.abortAnswer = 1;  // abort keeps the chain stopped
  event::press(1, 2, 2);
  EXPECT_EQ(event::wantedButton(), 0);
  EXPECT_EQ(event::press(1, 3, 3), event::Press::Ignored);

  DEevent(&first);
  event::press(1, 1, 1);
  routines.checkAnswers = {1};
  routines.abortAnswer = 0;  // the chain starts again
  event::press(1, 2, 2);
  EXPECT_EQ(GcurEvent, &first);
  EXPECT_EQ(GpointList, nullptr);
  EXPECT_EQ(event::wantedButton(), 1);
}

TEST_F(Chains, ExecuteCodes)
{
  _GEvent second = step(GGEbutton1, GGRno);
  _GEvent first = step(GGEbutton1, GGRno, &second);
  DEevent(&first);
  routines.executeAnswers = {-1};
  event::press(1, 1, 1);
  EXPECT_EQ(GcurEvent, &first);
  EXPECT_EQ(GpointList, nullptr);
  routines.executeAnswers = {1};  // stops the chain
  event::press(1, 1, 1);
  EXPECT_EQ(event::wantedButton(), 0);
  EXPECT_EQ(pointsText(GpointList), "1,1");
}

TEST_F(Chains, RoutinesAreOptional)
{
  _GEvent bare{GGEbutton1, GGRno, nullptr, nullptr, nullptr, nullptr, nullptr, Vmain};
  DEevent(&bare);
  EXPECT_EQ(event::press(1, 4, 4), event::Press::Taken);
  EXPECT_EQ(GcurEvent, &bare);
}

TEST_F(Chains, AbandonedRoutineRestartsTheChain)
{
  _GEvent first{GGEbutton1, GGRno, nullptr, nullptr, abandon, nullptr, nullptr, Vmain};
  DEevent(&first);
  EXPECT_EQ(event::press(1, 4, 4), event::Press::Abandoned);
  EXPECT_TRUE(ui.saw('L', "The action was abandoned"));
  EXPECT_EQ(GpointList, nullptr);
  EXPECT_EQ(event::wantedButton(), 1);
}

_GEvent otherChain{GGEbutton3, GGRno, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
int startOther(_points*, _GEvent*)
{
  otherChain.view = Vmain;
  DEevent(&otherChain);
  return 0;
}

TEST_F(Chains, RoutineMayStartAnotherInteraction)
{
  _GEvent second = step(GGEbutton1, GGRno);
  _GEvent first{GGEbutton1, GGRno, nullptr, nullptr, startOther, nullptr, &second, Vmain};
  DEevent(&first);
  event::press(1, 1, 1);
  EXPECT_EQ(GeventList, &otherChain);
  EXPECT_EQ(GcurEvent, &otherChain);
  EXPECT_EQ(event::wantedButton(), 3);
}

TEST_F(Chains, HandlersFollowTheArmedStep)
{
  _GEvent second = step(GGEbutton1, GGRbox);
  _GEvent first = step(GGEbutton1, GGRbox, &second);
  DEevent(&first);
  // No anchor yet: the first step listens for presses only.
  EXPECT_EQ(input.log.back(), "listen presses");
  event::press(1, 1, 1);
  EXPECT_EQ(input.log.back(), "listen presses motion");
  _GEvent text{GGEstring, GGRno, nullptr, nullptr, nullptr, nullptr, nullptr, Vmain};
  DEevent(&text);
  EXPECT_EQ(input.log.back(), "stop");
  EXPECT_EQ(event::wantedButton(), 0);
}

TEST_F(Chains, MessageShownWhenTheStepStarts)
{
  _GEvent only{GGEbutton1, GGRno, "Point at a net", nullptr, nullptr, nullptr, nullptr, Vmain};
  DEevent(&only);
  EXPECT_EQ(ui.lastLine(), "Message: Point at a net.");
}

TEST_F(Chains, PromptFollowsTheStepsAndNeverReachesTheStreams)
{
  _GEvent second = step(GGEbutton1, GGRbox);
  second.prompt = "Click the second";
  _GEvent first = step(GGEbutton1, GGRno, &second);
  first.prompt = "Click the first";
  DEevent(&first);
  EXPECT_EQ(ui.currentPrompt(), "Click the first");
  event::press(1, 10, 20);
  EXPECT_EQ(ui.currentPrompt(), "Click the second");
  // The chain ends (its prompt goes) and begins again.
  ui.shownPrompts.clear();
  event::press(1, 30, 40);
  EXPECT_EQ(ui.shownPrompts, (std::vector<std::string>{"", "Click the first"}));
  // A step without a prompt takes the previous one away.
  _GEvent bare = step(GGEbutton1, GGRno);
  DEevent(&bare);
  EXPECT_EQ(ui.currentPrompt(), "");
  EXPECT_EQ(err.find("Click"), std::string::npos);
  EXPECT_EQ(out.find("Click"), std::string::npos);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Chains, CancelStopsTheChain)
{
  _GEvent second = step(GGEbutton1, GGRbox);
  _GEvent first = step(GGEbutton1, GGRno, &second);
  first.prompt = "Click the first";
  DEevent(&first);
  event::press(1, 10, 400);
  DErubCB(60, 100);  // the band is on the screen
  surface.forget();
  DEcancel();
  EXPECT_EQ(ui.currentPrompt(), "");
  EXPECT_EQ(input.log.back(), "stop");
  EXPECT_FALSE(surface.ops.empty());  // the band was erased
  EXPECT_EQ(GpointList, nullptr);
  EXPECT_EQ(GeventList, nullptr);
  EXPECT_EQ(event::wantedButton(), 0);
  EXPECT_EQ(event::press(1, 1, 1), event::Press::Ignored);
  EXPECT_EQ(routines.calls, (std::vector<std::string>{"check 10,400", "execute 10,400"}));
}

TEST_F(Chains, ButtonCallbackTakesPixels)
{
  _GEvent only = step(GGEbutton1, GGRno);
  DEevent(&only);
  Vmain->ox = 100;
  DEbuttonCB(1, 10, 50);  // scale 1: world (110, 400)
  EXPECT_EQ(routines.calls.front(), "check 110,400");
}

TEST_F(Chains, BoxBandFollowsThePointerFromTheFirstCorner)
{
  _GEvent second = step(GGEbutton1, GGRbox);
  _GEvent first = step(GGEbutton1, GGRbox, &second);
  DEevent(&first);
  DErubCB(100, 100);  // no corner yet: nothing
  EXPECT_TRUE(surface.ops.empty());
  event::press(1, 10, 400);  // pixel (10, 50)
  DErubCB(60, 100);
  DErubCB(80, 120);
  event::press(1, 370, 330);
  std::vector<std::string> expected = {
      "frame 10,50 50x50",  // drawn
      "frame 10,50 50x50",  // erased
      "frame 10,50 70x70",  // drawn at the new pointer
      "frame 10,50 70x70",  // erased by the press
  };
  EXPECT_EQ(surface.texts(), expected);
  for (const RecordingSurface::Op& op : surface.ops)
    EXPECT_TRUE(op.xorMode);
}

TEST_F(Chains, OtherBands)
{
  _GEvent lineStep = step(GGEbutton1, GGRline);
  DEevent(&lineStep);
  GGsavePoint(Vmain, 0, 450);  // world (0, 0)
  _DEevent(&lineStep);
  DErubCB(30, 410);
  EXPECT_EQ(surface.texts().back(), "line 0,450 30,410");

  _GEvent circleStep = step(GGEbutton1, GGRcircle);
  DEevent(&circleStep);
  GGsavePoint(Vmain, 100, 350);  // world (100, 100)
  _DEevent(&circleStep);
  DErubCB(130, 310);  // world (130, 140): radius 50
  EXPECT_EQ(surface.texts().back(), "arc 50,300 100x100 0 23040");

  _GEvent textStep = step(GGEstring, GGRtext);
  DEevent(&textStep);
  GGsaveString("VDD");
  _DEevent(&textStep);
  DErubCB(5, 6);
  EXPECT_EQ(surface.texts().back(), "string 5,6 VDD");
  DEclearRub();
  EXPECT_EQ(surface.texts().back(), "string 5,6 VDD");
  EXPECT_EQ(surface.ops.size(), 6u);  // each band erased when the next chain starts
}

void cartoon(_Gviewport* vp, _points* points, long x, long y)
{
  GGxline(vp, points ? points->x : 0, points ? points->y : 0, x, y);
}

TEST_F(Chains, CartoonBandNeedsNoAnchor)
{
  GGrubDraw = cartoon;
  _GEvent cartoonStep = step(GGEpoints, GGRcartoon);
  DEevent(&cartoonStep);
  DErubCB(10, 440);
  EXPECT_EQ(surface.texts(), (std::vector<std::string>{"line 0,450 10,440"}));
  GGrubDraw = nullptr;
}

TEST_F(Chains, Buffers)
{
  GGsavePoint(Vmain, 5, 445);
  GGsavePoint(nullptr, 0, 0);
  EXPECT_EQ(pointsText(GpointList), "5,5 1073741823,1073741823");
  EXPECT_EQ(GGlastPoint()->x, kPointListEnd);
  GfreePoint();
  EXPECT_EQ(GGlastPoint()->x, 5);
  GfreePoint();
  EXPECT_EQ(GGlastPoint(), nullptr);
  GfreePoint();  // nothing left: no harm

  GGsaveString("a");
  GGsaveString("b");
  EXPECT_STREQ(GGlastString()->string, "b");
  EXPECT_STREQ(GstringList->string, "a");
  GfreeString();
  EXPECT_STREQ(GGlastString()->string, "a");
  GGsaveString(nullptr);
  DEfreeAllBuffer();
  EXPECT_EQ(GstringList, nullptr);
  EXPECT_EQ(GGlastString(), nullptr);
  GGsaveString("c");
  EXPECT_EQ(GstringList, GGlastString());
}

TEST_F(Chains, StringStepDropsAString)
{
  _GEvent text{GGEstring, GGRno, nullptr, nullptr, nullptr, nullptr, nullptr, Vmain};
  DEevent(&text);
  GGsaveString("first");
  GGsaveString("second");
  GGsavePoint(Vmain, 0, 0);
  routines.checkAnswers = {-1};
  text.check = check;
  DEinput(&text, 0);
  EXPECT_STREQ(GGlastString()->string, "first");
  EXPECT_NE(GpointList, nullptr);
}

TEST_F(Chains, InitForgetsTheChainAndTheMode)
{
  _GEvent only = step(GGEbutton1, GGRno);
  DEevent(&only);
  GGsavePoint(Vmain, 1, 1);
  DworkingMode = kModePlanes;
  DEinit();
  EXPECT_EQ(GeventList, nullptr);
  EXPECT_EQ(GcurEvent, nullptr);
  EXPECT_EQ(GpointList, nullptr);
  EXPECT_EQ(DworkingMode, kModeLayout);
  EXPECT_EQ(event::press(1, 1, 1), event::Press::Ignored);
  _DEevent(nullptr);  // no chain: nothing to start
  EXPECT_EQ(GcurEvent, nullptr);
}

}  // namespace
}  // namespace testing_support
