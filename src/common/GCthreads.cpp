// Work shared by two threads.
#include <exception>
#include <system_error>
#include <thread>

#include "Dglobal.h"

namespace common {

namespace {
thread_local int alone = 0;  // OneThread objects alive on this thread
}  // namespace

OneThread::OneThread() { ++alone; }
OneThread::~OneThread() { --alone; }

void onTwoThreads(const std::function<void(bool helper)>& work)
{
  std::exception_ptr helperFailed;
  std::thread helper;
  if (!alone) {
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

}  // namespace common
