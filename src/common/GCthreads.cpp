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

void onTwoThreads(const std::function<void(bool helper)>& work)
{
  if (alongside([&] { work(true); }, [&] { work(false); }))
    return;
  // No second thread: this one does everything.
  work(false);
  work(true);
}

}  // namespace common
