// Work shared by two threads.
#include <malloc.h>

#include <exception>
#include <system_error>
#include <thread>

#include "Dglobal.h"

namespace common {

namespace {

thread_local int alone = 0;  // OneThread objects alive on this thread

/*
 * oneArena -- the second thread allocates from the arena of the first.
 * Its own arena would keep what it frees (sweep fronts, blocks of asked
 * arcs) for it alone, while the first thread's graph grows beside: at
 * most two threads work at once, so sharing one costs little.
 */
void oneArena()
{
  static const bool set = mallopt(M_ARENA_MAX, 1) != 0;
  (void)set;
}

}  // namespace

OneThread::OneThread() { ++alone; }
OneThread::~OneThread() { --alone; }

void onTwoThreads(const std::function<void(bool helper)>& work)
{
  std::exception_ptr helperFailed;
  std::thread helper;
  if (!alone) {
    oneArena();
    try {
      helper = std::thread([&] {
        try {
          work(true);
        } catch (...) {
          helperFailed = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      // No second thread: this one does everything.
    }
  }
  if (!helper.joinable()) {
    work(false);
    work(true);
    return;
  }
  try {
    work(false);
  } catch (...) {
    helper.join();
    throw;
  }
  helper.join();
  if (helperFailed)
    std::rethrow_exception(helperFailed);
}

bool alongside(const std::function<void()>& helper, const std::function<void()>& work)
{
  if (alone)
    return false;
  oneArena();
  std::exception_ptr helperFailed;
  std::thread second;
  try {
    second = std::thread([&] {
      try {
        helper();
      } catch (...) {
        helperFailed = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    return false;
  }
  try {
    work();
  } catch (...) {
    second.join();
    throw;
  }
  second.join();
  if (helperFailed)
    std::rethrow_exception(helperFailed);
  return true;
}

}  // namespace common
