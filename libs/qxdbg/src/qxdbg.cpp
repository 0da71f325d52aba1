// The allocator: the C heap, with a count of live blocks and a one-shot
// injected failure for tests.

#include "qxdbg.h"
#include "qxdbg_testing.h"

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<long> live_blocks{0};
// Allocations still to go before the injected failure; 0 when none is set.
std::atomic<long> fail_countdown{0};

bool TakeInjectedFailure() {
  long n = fail_countdown.load(std::memory_order_relaxed);
  while (n > 0) {
    if (fail_countdown.compare_exchange_weak(n, n - 1, std::memory_order_relaxed)) {
      return n == 1;
    }
  }
  return false;
}

}  // namespace

extern "C" void* qxdbgMalloc(size_t size) {
  if (TakeInjectedFailure()) return nullptr;
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block != nullptr) live_blocks.fetch_add(1, std::memory_order_relaxed);
  return block;
}

extern "C" void qxdbgFree(void* block) {
  if (block == nullptr) return;
  live_blocks.fetch_sub(1, std::memory_order_relaxed);
  std::free(block);
}

extern "C" void qxdbgFailNthAllocation(long n) {
  fail_countdown.store(n > 0 ? n : 0, std::memory_order_relaxed);
}

extern "C" int qxdbgFailurePending(void) {
  return fail_countdown.load(std::memory_order_relaxed) > 0 ? 1 : 0;
}

extern "C" long qxdbgLiveBlocks(void) {
  return live_blocks.load(std::memory_order_relaxed);
}
