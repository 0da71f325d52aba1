#include "fault_injection.h"

#include <atomic>
#include <mutex>
#include <string>

#include "qxldra_testing.h"

namespace qxldra {

namespace {

struct PlannedFailure {
  std::mutex mutex;
  std::atomic<bool> armed{false};  // read without the mutex on every call
  bool any_file = true;
  std::string file_name;
  int32_t operation = -1;
  long countdown = 0;
  int16_t status = 0;
};

PlannedFailure& Plan() {
  static PlannedFailure* plan = new PlannedFailure();
  return *plan;
}

}  // namespace

std::string_view FileNameOf(std::string_view path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

int16_t InjectedFailure(std::string_view file_name, uint16_t operation) {
  PlannedFailure& plan = Plan();
  if (!plan.armed.load(std::memory_order_acquire)) return 0;
  std::lock_guard<std::mutex> lock(plan.mutex);
  if (!plan.armed.load(std::memory_order_relaxed)) return 0;
  if (!plan.any_file && file_name != plan.file_name) return 0;
  if (plan.operation != -1 && plan.operation != operation) return 0;
  if (--plan.countdown > 0) return 0;
  plan.armed.store(false, std::memory_order_release);
  return plan.status;
}

}  // namespace qxldra

extern "C" void qxldraFailNthCall(const char* file_name, int32_t operation, long n,
                                  int16_t status) noexcept {
  qxldra::PlannedFailure& plan = qxldra::Plan();
  std::lock_guard<std::mutex> lock(plan.mutex);
  plan.armed.store(false, std::memory_order_relaxed);
  if (n <= 0) return;
  try {
    plan.file_name = file_name != nullptr ? file_name : "";
  } catch (...) {
    return;
  }
  plan.any_file = file_name == nullptr;
  plan.operation = operation;
  plan.countdown = n;
  plan.status = status;
  plan.armed.store(true, std::memory_order_release);
}

extern "C" int qxldraFailurePending(void) noexcept { return qxldra::Plan().armed.load() ? 1 : 0; }
