#include "uxposs.h"
#include "uxposs_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

std::atomic<int> finished{0};

void SleepThenCount(void* argument) {
  std::this_thread::sleep_for(std::chrono::milliseconds(*static_cast<int*>(argument)));
  finished.fetch_add(1);
}

TEST(Threads, WaitReturnsOnlyAfterEveryStartedThreadHasEnded) {
  finished = 0;
  static int delays[4] = {30, 10, 50, 0};
  for (int& delay : delays) EXPECT_NE(ux_BeginThread(SleepThenCount, 0, 0, &delay), 0u);
  ux_WaitForThreads();
  EXPECT_EQ(finished.load(), 4);
}

TEST(Threads, AnInjectedFailureStartsNothingOnce) {
  finished = 0;
  static int delay = 0;
  ux_FailNextThreadStart();
  EXPECT_EQ(ux_BeginThread(SleepThenCount, 0, 0, &delay), 0u);
  EXPECT_NE(ux_BeginThread(SleepThenCount, 0, 0, &delay), 0u);
  ux_WaitForThreads();
  EXPECT_EQ(finished.load(), 1);
}

TEST(Threads, AMissingStartRoutineIsRefused) {
  EXPECT_EQ(ux_BeginThread(nullptr, 0, 0, nullptr), 0u);
  ux_WaitForThreads();
}

}  // namespace
