// For tests: leak checks, and every allocation-failure path of an
// operation walked through the allocator's fault injection.
#ifndef QXEXPPAR_PLATFORM_ALLOCATION_TESTING_H
#define QXEXPPAR_PLATFORM_ALLOCATION_TESTING_H

#include <gtest/gtest.h>

#include "qxdbg_testing.h"

// A fixture whose tests must leave as many live blocks as they found.
class LeakCheckedTest : public ::testing::Test {
 protected:
  void SetUp() override { live_before_ = qxdbgLiveBlocks(); }
  void TearDown() override { EXPECT_EQ(qxdbgLiveBlocks(), live_before_); }

 private:
  long live_before_ = 0;
};

// Calls run() with the first allocation made to fail, then the second, and
// so on, until a call makes no allocation fail. After each call, check(n,
// injected) judges the outcome (`injected` is false only for the last
// call, which ran without a failure), and the live-block count must be
// back where it was before the call. Returns how many calls had an
// allocation fail.
template <typename Run, typename Check>
int SweepAllocationFailures(Run run, Check check) {
  constexpr long kMostAllocations = 100000;
  int failures = 0;
  for (long n = 1; n <= kMostAllocations; ++n) {
    const long live = qxdbgLiveBlocks();
    qxdbgFailNthAllocation(n);
    run();
    const bool injected = qxdbgFailurePending() == 0;
    qxdbgFailNthAllocation(0);
    EXPECT_EQ(qxdbgLiveBlocks(), live) << "allocation " << n;
    check(n, injected);
    if (!injected) return failures;
    ++failures;
  }
  ADD_FAILURE() << "more than " << kMostAllocations << " allocations";
  return failures;
}

#endif
