// Work on two threads, and programs run in the background.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Dglobal.h"
#include "TestSupport.h"

namespace {

using testing_support::readFile;
using testing_support::ScratchDir;

// Both halves run, on two threads, or here (work(false) first) while a
// OneThread lives on this thread; on another thread it does not count.
TEST(TwoThreads, BothHalvesRunAndOneThreadKeepsThemHere)
{
  const std::thread::id here = std::this_thread::get_id();
  auto run = [&] {
    std::vector<std::pair<bool, std::thread::id>> ran;
    std::mutex m;
    common::onTwoThreads([&](bool helper) {
      std::lock_guard<std::mutex> lock(m);
      ran.emplace_back(helper, std::this_thread::get_id());
    });
    return ran;
  };
  auto both = run();
  ASSERT_EQ(both.size(), 2u);
  for (const auto& [helper, id] : both)
    EXPECT_EQ(id == here, !helper);
  {
    common::OneThread alone;
    auto ran = run();
    ASSERT_EQ(ran.size(), 2u);
    EXPECT_FALSE(ran[0].first) << "work(false) first";
    EXPECT_TRUE(ran[1].first);
    for (const auto& r : ran)
      EXPECT_EQ(r.second, here);
    std::thread([&] {
      const auto there = run();
      ASSERT_EQ(there.size(), 2u);
      EXPECT_NE(there[0].second, there[1].second);
    }).join();
  }
  both = run();
  EXPECT_NE(both[0].second, both[1].second) << "two threads again";
}

// alongside runs both at once (each waits to see the other begun), or,
// under a OneThread, neither; an exception of the helper comes here.
TEST(TwoThreads, AlongsideRunsBothAtOnceOrNeither)
{
  std::atomic<int> begun{0};
  auto meet = [&] {
    ++begun;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (begun < 2 && std::chrono::steady_clock::now() < until)
      std::this_thread::yield();
  };
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(common::alongside(meet, meet));
  EXPECT_EQ(begun, 2);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5))
      << "one after the other";
  {
    common::OneThread alone;
    bool ran = false;
    EXPECT_FALSE(common::alongside([&] { ran = true; }, [&] { ran = true; }));
    EXPECT_FALSE(ran);
  }
  EXPECT_THROW(common::alongside([] { throw std::runtime_error("helper"); }, [] {}),
               std::runtime_error);
}

TEST(BackgroundCommand, RunsOnFilesAndIsWaitedForOrEnded)
{
  ScratchDir dir;
  const std::string in = dir.write("in.txt", "b\na\n"), out = dir.path("out.txt");
  common::BackgroundCommand sort;
  ASSERT_TRUE(sort.start({"sort"}, in, out));
  EXPECT_TRUE(sort.running());
  EXPECT_EQ(sort.wait(), 0);
  EXPECT_FALSE(sort.running());
  EXPECT_EQ(readFile(out), "a\nb\n");

  // The exit status as runCommandFiles gives it; a missing program is 127.
  common::BackgroundCommand fails;
  ASSERT_TRUE(fails.start({"sh", "-c", "exit 3"}, in, out));
  EXPECT_EQ(fails.wait(), 3);
  ASSERT_TRUE(fails.start({"no-such-program-here"}, in, out));
  EXPECT_EQ(fails.wait(), 127);

  // Whether it came to its end is seen without taking its status.
  common::BackgroundCommand quick;
  ASSERT_TRUE(quick.start({"sh", "-c", "exit 5"}, in, out));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!quick.ended() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(quick.ended());
  EXPECT_TRUE(quick.running()) << "still to be waited for";
  EXPECT_EQ(quick.wait(), 5);
  EXPECT_TRUE(quick.ended());

  // One that is ended does not run to its end.
  const auto start = std::chrono::steady_clock::now();
  {
    common::BackgroundCommand slow;
    ASSERT_TRUE(slow.start({"sleep", "30"}, in, out));
    EXPECT_FALSE(slow.ended());
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

}  // namespace
