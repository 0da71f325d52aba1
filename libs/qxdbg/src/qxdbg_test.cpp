#include "qxdbg_testing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

TEST(Qxdbg, BlocksAreUsableAlignedAndCounted) {
  long before = qxdbgLiveBlocks();
  void* a = qxdbgMalloc(100);
  void* b = qxdbgMalloc(0);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a) % alignof(std::max_align_t), 0u);
  std::memset(a, 0xAB, 100);
  EXPECT_EQ(qxdbgLiveBlocks(), before + 2);
  qxdbgFree(a);
  qxdbgFree(b);
  qxdbgFree(nullptr);
  EXPECT_EQ(qxdbgLiveBlocks(), before);
}

TEST(Qxdbg, NthAllocationFailsOnceAndOnlyIt) {
  qxdbgFailNthAllocation(3);
  EXPECT_EQ(qxdbgFailurePending(), 1);
  void* first = qxdbgMalloc(8);
  void* second = qxdbgMalloc(8);
  EXPECT_EQ(qxdbgFailurePending(), 1);
  void* third = qxdbgMalloc(8);
  void* fourth = qxdbgMalloc(8);
  EXPECT_NE(first, nullptr);
  EXPECT_NE(second, nullptr);
  EXPECT_EQ(third, nullptr);
  EXPECT_NE(fourth, nullptr);
  EXPECT_EQ(qxdbgFailurePending(), 0);
  qxdbgFree(first);
  qxdbgFree(second);
  qxdbgFree(fourth);
}

TEST(Qxdbg, ZeroCancelsAPendingFailure) {
  qxdbgFailNthAllocation(1);
  qxdbgFailNthAllocation(0);
  void* block = qxdbgMalloc(8);
  EXPECT_NE(block, nullptr);
  qxdbgFree(block);
}

}  // namespace
