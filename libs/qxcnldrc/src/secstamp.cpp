// Calendar dates and timestamps as seconds since 0001-01-01 00:00:00.

#include "qxcnldrc.h"

#include <cstdint>

namespace {

constexpr uint64_t kTicksPerSecond = 10'000'000;  // timestamp units are 100 ns

bool IsLeapYear(unsigned year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
  static constexpr unsigned char kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 0001-01-01 to the given date of the proleptic Gregorian
// calendar. Counting years from March puts the leap day at the end of each
// counted year, so a year's length before the month is a closed formula.
uint64_t DaysSinceEpoch(unsigned year, unsigned month, unsigned day) {
  unsigned y = month <= 2 ? year - 1 : year;        // year counted from March
  unsigned m = month <= 2 ? month + 9 : month - 3;  // March = 0
  uint64_t days_before_year = 365ULL * y + y / 4 - y / 100 + y / 400;
  uint64_t days_before_month = (153 * m + 2) / 5;
  // 306 days run from 0000-03-01 to 0001-01-01.
  return days_before_year + days_before_month + (day - 1) - 306;
}

}  // namespace

extern "C" int32_t qxLDRBDateTimeToSecstamp(const unsigned char date[4],
                                            const unsigned char time[4], uint64_t* stamp) {
  if (date == nullptr || time == nullptr || stamp == nullptr) return -1;
  unsigned day = date[0];
  unsigned month = date[1];
  unsigned year = static_cast<unsigned>(date[2]) | static_cast<unsigned>(date[3]) << 8;
  unsigned hundredths = time[0], seconds = time[1], minutes = time[2], hours = time[3];
  if (year == 0 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return -1;
  if (hours > 23 || minutes > 59 || seconds > 59 || hundredths > 99) return -1;
  *stamp = DaysSinceEpoch(year, month, day) * 86400 + hours * 3600 + minutes * 60 + seconds;
  return 0;
}

extern "C" int32_t qxLDRTimestampToSecstamp(uint64_t timestamp, uint64_t* stamp) {
  if (stamp == nullptr) return -1;
  *stamp = timestamp / kTicksPerSecond;
  return 0;
}
