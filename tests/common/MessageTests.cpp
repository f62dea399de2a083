// The message routine: prefixes, full stop, front end, standard error copy.
#include <gtest/gtest.h>

#include <string>

#include "Dglobal.h"
#include "TestSupport.h"

namespace {

using testing_support::CoreTest;

class Messages : public CoreTest {};

TEST_F(Messages, PrefixByKindAndFullStop)
{
  GCmessage(0, 'W', "careful");
  GCmessage(0, 'E', "wrong %d", 3);
  GCmessage(0, 'M', "Load CIF file OK");
  GCmessage(0, 'L', "Load CIF file OK");
  GCmessage(0, 'P', "Parsing CIF .....");
  ASSERT_EQ(ui.messages.size(), 5u);
  EXPECT_EQ(ui.messages[0].line, "Warning: careful.");
  EXPECT_EQ(ui.messages[1].line, "Error: wrong 3.");
  EXPECT_EQ(ui.messages[2].line, "Message: Load CIF file OK.");
  EXPECT_EQ(ui.messages[3].line, "Load CIF file OK.");
  EXPECT_EQ(ui.messages[3].kind, 'L');
  EXPECT_EQ(ui.messages[4].line, "Parsing CIF ......");
  EXPECT_EQ(err,
            "Warning: careful.\nError: wrong 3.\nMessage: Load CIF file OK.\n"
            "Load CIF file OK.\nParsing CIF ......\n");
}

TEST_F(Messages, FatalGoesToStandardErrorOnceAndNotToTheWindow)
{
  GCmessage(0, 'F', "Layer %s not found", "CXX");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(err, "Fatal: Layer CXX not found.\n");
}

TEST_F(Messages, SilentlyDropsTheCopyButNotTheWindowLine)
{
  Silently = 1;
  GCmessage(0, 'M', "quiet");
  EXPECT_EQ(err, "");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.lastLine(), "Message: quiet.");
  GCmessage(0, 'F', "still seen");
  EXPECT_EQ(err, "Fatal: still seen.\n");
}

TEST_F(Messages, LongTextIsCutAt1023Characters)
{
  std::string text(2000, 'x');
  GCmessage(0, 'L', "%s", text.c_str());
  EXPECT_EQ(ui.lastLine(), std::string(1023, 'x') + ".");
}

TEST_F(Messages, AbandonThrowsOnlyInsideAnAction)
{
  EXPECT_FALSE(common::inAction());
  {
    common::ActionScope scope;
    EXPECT_TRUE(common::inAction());
    try {
      common::abandonAction(3);
      FAIL() << "abandonAction returned";
    } catch (const common::OperationAborted& aborted) {
      EXPECT_EQ(aborted.status(), 3);
    }
  }
  EXPECT_FALSE(common::inAction());
  EXPECT_EXIT(common::abandonAction(4), ::testing::ExitedWithCode(4), "");
}

TEST_F(Messages, OutputCaptureAndNotAvailable)
{
  common::outf("%s=%d\n", "n", 7);
  EXPECT_EQ(out, "n=7\n");
  EXPECT_EQ(common::notAvailable("f.DFex1LayerS"), 1);
  EXPECT_EQ(ui.lastLine(), "Error: f.DFex1LayerS is not available yet.");
}

TEST(Shell, ArgumentsAreQuotedAndOutputCaptured)
{
  std::string output;
  int status = common::runCommand({"printf", "%s|", "a b", "it's", "$HOME;"}, &output);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(output, "a b|it's|$HOME;|");
  EXPECT_EQ(common::runCommand({"sh", "-c", "exit 3"}), 3);
}

}  // namespace
