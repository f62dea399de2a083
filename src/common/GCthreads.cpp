// Work shared by two threads.
#include <exception>
#include <system_error>
#include <thread>

#include "Dglobal.h"

namespace common {

void onTwoThreads(const std::function<void(bool helper)>& work)
{
  std::exception_ptr helperFailed;
  std::thread helper;
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
  try {
    work(false);
  } catch (...) {
    if (helper.joinable())
      helper.join();
    throw;
  }
  if (helper.joinable())
    helper.join();
  if (helperFailed)
    std::rethrow_exception(helperFailed);
}

}  // namespace common
