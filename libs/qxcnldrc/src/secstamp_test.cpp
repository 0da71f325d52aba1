#include "qxcnldrc.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct DateTimeCase {
  unsigned year, month, day, hours, minutes, seconds;
  uint64_t stamp;  // computed independently: days since 0001-01-01 × 86400 + time
};

// The ends of the range and a leap day; secstamp_oracle_test.py checks
// thousands more against Python's datetime. Days since 0001-01-01 (as
// date.toordinal() - 1 gives them): 2000-02-29 is 730178, 9999-12-31 is 3652058.
const DateTimeCase kCases[] = {
    {1, 1, 1, 0, 0, 0, 0},
    {4, 3, 1, 0, 0, 0, (3 * 365 + 60) * 86400ULL},  // year 4 is a leap year
    {2000, 2, 29, 23, 59, 59, 730178ULL * 86400 + 86399},
    {9999, 12, 31, 23, 59, 59, 3652058ULL * 86400 + 86399},
};

TEST(Secstamp, DatesAndTimesCountSecondsFromYearOne) {
  for (const DateTimeCase& c : kCases) {
    unsigned char date[4] = {static_cast<unsigned char>(c.day), static_cast<unsigned char>(c.month),
                             static_cast<unsigned char>(c.year & 0xFF),
                             static_cast<unsigned char>(c.year >> 8)};
    unsigned char time[4] = {0, static_cast<unsigned char>(c.seconds),
                             static_cast<unsigned char>(c.minutes),
                             static_cast<unsigned char>(c.hours)};
    uint64_t stamp = 0;
    ASSERT_EQ(qxLDRBDateTimeToSecstamp(date, time, &stamp), 0) << c.year << "-" << c.month;
    EXPECT_EQ(stamp, c.stamp) << c.year << "-" << c.month << "-" << c.day;
  }
}

TEST(Secstamp, HundredthsAreDropped) {
  unsigned char date[4] = {1, 1, 1, 0};
  unsigned char time[4] = {99, 1, 0, 0};
  uint64_t stamp = 0;
  ASSERT_EQ(qxLDRBDateTimeToSecstamp(date, time, &stamp), 0);
  EXPECT_EQ(stamp, 1u);
}

TEST(Secstamp, OutOfRangePartsAreRefusedWithoutWriting) {
  const unsigned char bad_dates[][4] = {
      {1, 1, 0, 0},      // year 0
      {1, 13, 0xD0, 7},  // month 13
      {0, 1, 0xD0, 7},   // day 0
      {31, 4, 0xD0, 7},  // April 31
  };
  const unsigned char good_time[4] = {0, 0, 0, 0};
  for (const auto& date : bad_dates) {
    uint64_t stamp = 77;
    EXPECT_EQ(qxLDRBDateTimeToSecstamp(date, good_time, &stamp), -1);
    EXPECT_EQ(stamp, 77u);
  }
  const unsigned char good_date[4] = {1, 1, 0xD0, 7};
  const unsigned char bad_times[][4] = {{0, 0, 0, 24}, {0, 0, 60, 0}, {0, 60, 0, 0}, {100, 0, 0, 0}};
  for (const auto& time : bad_times) {
    uint64_t stamp = 77;
    EXPECT_EQ(qxLDRBDateTimeToSecstamp(good_date, time, &stamp), -1);
    EXPECT_EQ(stamp, 77u);
  }
  uint64_t stamp = 0;
  EXPECT_EQ(qxLDRBDateTimeToSecstamp(nullptr, good_time, &stamp), -1);
}

TEST(Secstamp, TimestampsBecomeWholeSeconds) {
  uint64_t stamp = 0;
  ASSERT_EQ(qxLDRTimestampToSecstamp(0, &stamp), 0);
  EXPECT_EQ(stamp, 0u);
  ASSERT_EQ(qxLDRTimestampToSecstamp(10'000'000ULL * 719162 * 86400 + 9'999'999, &stamp), 0);
  EXPECT_EQ(stamp, 719162ULL * 86400);
  ASSERT_EQ(qxLDRTimestampToSecstamp(UINT64_MAX, &stamp), 0);
  EXPECT_EQ(stamp, UINT64_MAX / 10'000'000);
}

}  // namespace
