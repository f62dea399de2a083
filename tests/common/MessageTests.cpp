// The message routine: prefixes, full stop, front end, standard error copy.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
  GCmessage(0, 'F', "Layer %s not found", "CXX");  // not to the window
  ASSERT_EQ(ui.messages.size(), 5u);
  EXPECT_EQ(ui.messages[0].line, "Warning: careful.");
  EXPECT_EQ(ui.messages[1].line, "Error: wrong 3.");
  EXPECT_EQ(ui.messages[2].line, "Message: Load CIF file OK.");
  EXPECT_EQ(ui.messages[3].line, "Load CIF file OK.");
  EXPECT_EQ(ui.messages[3].kind, 'L');
  EXPECT_EQ(ui.messages[4].line, "Parsing CIF ......");
  EXPECT_EQ(err,
            "Warning: careful.\nError: wrong 3.\nMessage: Load CIF file OK.\n"
            "Load CIF file OK.\nParsing CIF ......\nFatal: Layer CXX not found.\n");
}

// Silently drops the copy on standard error but not the window line; a
// long text is cut at 1023 characters.
TEST_F(Messages, SilentlyDropsTheCopyButNotTheWindowLine)
{
  Silently = 1;
  GCmessage(0, 'M', "quiet");
  EXPECT_EQ(err, "");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.lastLine(), "Message: quiet.");
  GCmessage(0, 'F', "still seen");
  EXPECT_EQ(err, "Fatal: still seen.\n");
  GCmessage(0, 'L', "%s", std::string(2000, 'x').c_str());
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

// Keeps what the output sink is given, one entry per call.
class RecordingSink : public common::OutputSink {
 public:
  void line(common::Stream stream, const std::string& text) override
  {
    events.push_back(std::string(stream == common::Stream::Out ? "out " : "err ") + text);
  }
  void partial(common::Stream stream, const std::string& text) override
  {
    events.push_back(std::string(stream == common::Stream::Out ? "out~" : "err~") + text);
  }
  std::vector<std::string> events;
};

class OutputLines : public CoreTest {
 protected:
  void TearDown() override
  {
    common::setOutputSink(nullptr);
    CoreTest::TearDown();
  }
  RecordingSink sink;
};

TEST_F(OutputLines, StreamsAreCutIntoLinesAsATerminalShowsThem)
{
  struct Case {
    const char* name;
    std::vector<std::string> writes;  // "o:" standard output, "e:" standard error
    std::vector<std::string> events;
  };
  const Case cases[] = {
      {"one line in pieces", {"o:Net ", "o:number: 7", "o:\n"},
       {"out~Net ", "out~Net number: 7", "out Net number: 7"}},
      {"several lines in one write", {"o:a\n\nb\n"}, {"out a", "out ", "out b"}},
      {"a counter counting with backspaces",
       {"e:Unprocessed nets :         ", "e:\b\b\b\b\b\b\b\b       3",
        "e:\b\b\b\b\b\b\b\b       2", "e:\n"},
       {"err~Unprocessed nets :         ", "err~Unprocessed nets :        3",
        "err~Unprocessed nets :        2", "err Unprocessed nets :        2"}},
      {"a carriage return starts the line again", {"e:50%", "e:\r", "e:done\n"},
       {"err~50%", "err~", "err done"}},
      {"each stream keeps its own unfinished line", {"o:Processing ", "e:warned\n", "o:done\n"},
       {"out~Processing ", "err warned", "out Processing done"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    common::setOutputSink(&sink);
    sink.events.clear();
    for (const std::string& w : c.writes) {
      std::string text = w.substr(2);
      if (w[0] == 'o')
        common::outf("%s", text.c_str());
      else
        common::errf("%s", text.c_str());
    }
    EXPECT_EQ(sink.events, c.events);
  }
}

TEST_F(OutputLines, TheStreamsReceiveTheSameBytesWithASink)
{
  auto write = [] {
    common::outf("Critical Area: %f\n", 2.5);
    common::outText("listing\n");
    GCmessage(0, 'M', "%d short faults have been extracted", 4);
    common::errf("\b\b%8d", 12);
    GCmessage(0, 'F', "Layer %s not found", "CXX");
  };
  write();
  const std::string plainOut = out, plainErr = err;
  out.clear();
  err.clear();
  common::setOutputSink(&sink);
  write();
  EXPECT_EQ(out, plainOut);
  EXPECT_EQ(err, plainErr);
  // In the order written; the fatal line finishes the counter's line.
  const std::vector<std::string> expected = {
      "out Critical Area: 2.500000", "out listing", "err Message: 4 short faults have been extracted.",
      "err~      12", "err       12Fatal: Layer CXX not found."};
  EXPECT_EQ(sink.events, expected);
}

TEST_F(OutputLines, WhatAProgramPrintsGoesThroughTheSink)
{
  common::setOutputSink(&sink);
  EXPECT_EQ(common::runCommand({"printf", "%s\\n", "Mon Dec  7"}), 0);
  EXPECT_EQ(out, "Mon Dec  7\n");
  EXPECT_EQ(sink.events, std::vector<std::string>{"out Mon Dec  7"});
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
