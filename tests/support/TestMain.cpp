// The main program of every GoogleTest program of the suite.
//
// Code under test that meets a fatal condition outside an action ends the
// process through exit(); with status 0 the test program would stop half way
// and still count as passed.  An exit of the test process itself before the
// tests are through is therefore turned into a failure naming the test that
// was running.  Children of death tests have a process id of their own and
// exit as they please.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

pid_t testProcess = 0;
bool testsFinished = false;

void reportEarlyExit()
{
  if (testsFinished || getpid() != testProcess)
    return;
  const testing::TestInfo* running = testing::UnitTest::GetInstance()->current_test_info();
  std::fprintf(stderr, "\nThe test program ended before its tests were through, in %s.%s\n",
               running ? running->test_suite_name() : "(no test)",
               running ? running->name() : "");
  std::fflush(nullptr);
  _exit(97);
}

}  // namespace

int main(int argc, char** argv)
{
  testing::InitGoogleTest(&argc, argv);
  testProcess = getpid();
  std::atexit(reportEarlyExit);
  int status = RUN_ALL_TESTS();
  testsFinished = true;
  return status;
}
