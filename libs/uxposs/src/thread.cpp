// Detached threads with a count of those still running, so that hosts and
// tests can wait for every thread they started.

#include "uxposs.h"
#include "uxposs_host.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

std::mutex running_mutex;
std::condition_variable running_changed;
long running = 0;
std::atomic<uintptr_t> next_thread_number{0};
std::atomic<bool> fail_next_start{false};

void ThreadEnded() {
  std::lock_guard<std::mutex> lock(running_mutex);
  --running;
  running_changed.notify_all();
}

}  // namespace

extern "C" uintptr_t ux_BeginThread(UxThreadStart start, uint32_t, uint32_t, void* argument) {
  if (start == nullptr) return 0;
  if (fail_next_start.exchange(false)) return 0;
  {
    std::lock_guard<std::mutex> lock(running_mutex);
    ++running;
  }
  try {
    std::thread([start, argument] {
      start(argument);
      ThreadEnded();
    }).detach();
  } catch (const std::system_error&) {
    ThreadEnded();
    return 0;
  }
  return ++next_thread_number;
}

extern "C" void ux_WaitForThreads(void) {
  std::unique_lock<std::mutex> lock(running_mutex);
  running_changed.wait(lock, [] { return running == 0; });
}

extern "C" void ux_FailNextThreadStart(void) { fail_next_start.store(true); }
