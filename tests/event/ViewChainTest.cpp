// The interactive view actions run as two-click chains.
#include "Devent.h"

#include "ViewFixture.h"

namespace testing_support {
namespace {

class ViewChains : public ViewTest {
 protected:
  void SetUp() override
  {
    ViewTest::SetUp();
    DEinit();
    cell = newCell("CIRCUIT");
    addBox(cell, 0, 0, 0, 1000, 400);
    show(cell);
    GCinstallVp(Vmain, 0, 0, 0, 0);
  }
  void TearDown() override
  {
    DEinit();
    ViewTest::TearDown();
  }
  _layout* cell = nullptr;
};

TEST_F(ViewChains, ZoomInTakesTwoCornersAndRepeats)
{
  DVzoomin();
  event::press(1, 0, 0);
  EXPECT_FLOAT_EQ(Vmain->scale, 1.0f);
  event::press(1, 1000, 400);
  EXPECT_FLOAT_EQ(Vmain->scale, 2.0f);
  EXPECT_EQ(Vmain->ox, -50);
  EXPECT_EQ(Vmain->oy, -250);
  // The zoom goes on with the next two clicks.
  event::press(1, 0, 0);
  event::press(1, 500, 200);
  EXPECT_FLOAT_EQ(Vmain->scale, 1.0f);
}

TEST_F(ViewChains, ZoomOutPanAndBoxDifference)
{
  DVzoomout();
  event::press(1, 137, 112);
  event::press(1, 412, 337);
  EXPECT_FLOAT_EQ(Vmain->scale, 2.25f);

  GCinstallVp(Vmain, 0, 0, 0, 0);
  Vmain->scale = 1;
  DVpan();
  event::press(1, 100, 100);
  event::press(1, 90, 120);
  EXPECT_EQ(Vmain->ox, 10);
  EXPECT_EQ(Vmain->oy, -20);

  DVsuper();
  event::press(1, 100, 100);
  event::press(1, 200, 200);
  surface.forget();
  event::press(1, 150, 150);
  event::press(1, 300, 300);
  ASSERT_FALSE(surface.ops.empty());
  EXPECT_EQ(surface.ops[0].color, entry(3));
  EXPECT_EQ(surface.ops[0].text.substr(0, 4), "fill");
}

TEST_F(ViewChains, EachClickIsPrompted)
{
  struct Case {
    int (*action)();
    std::vector<std::string> prompts;  // after the action, then after each click
  };
  const Case cases[] = {
      {DVzoomin,
       {"Click the first corner of the zoom box", "Click the opposite corner of the zoom box",
        "Click the first corner of the zoom box"}},
      {DVpan, {"Click a point of the layout to move", "Click where that point goes",
               "Click a point of the layout to move"}},
      // The box difference asks for the box it keeps, then for the one it cuts.
      {DVsuper,
       {"Click the first corner of the first box", "Click the opposite corner of the first box",
        "Click the first corner of the box to cut by the first one",
        "Click the opposite corner of the box to cut by the first one",
        "Click the first corner of the first box"}},
  };
  for (const Case& c : cases) {
    c.action();
    std::vector<std::string> seen = {ui.currentPrompt()};
    for (size_t i = 1; i < c.prompts.size(); ++i) {
      event::press(1, 100 * static_cast<long>(i), 100 * static_cast<long>(i));
      seen.push_back(ui.currentPrompt());
    }
    EXPECT_EQ(seen, c.prompts);
  }
}

TEST_F(ViewChains, StartingBoxDifferenceForgetsAnEarlierBox)
{
  DVsuper();
  event::press(1, 0, 0);
  event::press(1, 10, 10);  // remembered
  DVsuper();
  surface.forget();
  event::press(1, 0, 0);
  event::press(1, 10, 10);
  EXPECT_TRUE(surface.ops.empty());  // remembered again, nothing drawn
}

}  // namespace
}  // namespace testing_support
