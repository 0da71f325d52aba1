#include "compiler/literal_values.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <type_traits>

#include "platform/text.h"
#include "qxcnldrc.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const char* SkipWhiteSpace(const char* text) {
  while (QxIsWhiteSpace(*text)) ++text;
  return text;
}

// Reads sign and digits at `*text` and moves past them; false when no digit
// follows the sign. Saturates instead of overflowing.
template <typename Int>
bool ReadSignedDigits(const char** text, Int* number) {
  using Unsigned = std::make_unsigned_t<Int>;
  const char* p = *text;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  if (!IsDigit(*p)) return false;
  const Unsigned limit = static_cast<Unsigned>(std::numeric_limits<Int>::max()) + (negative ? 1u : 0u);
  Unsigned value = 0;
  for (; IsDigit(*p); ++p) {
    auto digit = static_cast<Unsigned>(*p - '0');
    value = value > (limit - digit) / 10 ? limit : static_cast<Unsigned>(value * 10 + digit);
  }
  *text = p;
  *number = static_cast<Int>(negative ? static_cast<Unsigned>(0u - value) : value);
  return true;
}

template <typename Int>
Int WholeNumber(const char* text) {
  if (text == nullptr) return 0;
  const char* p = SkipWhiteSpace(text);
  Int number = 0;
  return ReadSignedDigits(&p, &number) ? number : 0;
}

// The value of a number the conversion found out of range: an infinity when
// its decimal exponent is positive, else zero, with the number's sign.
// `text` starts at the sign or the first digit.
double OutOfRangeNumber(const char* text) {
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  int64_t whole_digits = 0;  // significant digits before the point
  int64_t leading_zeros = 0;  // zeros after the point before the first significant digit
  for (; IsDigit(*text); ++text) {
    if (whole_digits > 0 || *text != '0') ++whole_digits;
  }
  if (*text == '.') {
    for (++text; whole_digits == 0 && *text == '0'; ++text) ++leading_zeros;
    while (IsDigit(*text)) ++text;
  }
  int64_t exponent = whole_digits > 0 ? whole_digits - 1 : -(leading_zeros + 1);
  if (*text == 'e' || *text == 'E') {
    constexpr int64_t kBound = 1'000'000'000;  // far beyond any double; keeps the sum in range
    int64_t written = WholeNumber<int64_t>(text + 1);
    exponent += written > kBound ? kBound : written < -kBound ? -kBound : written;
  }
  double magnitude = exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  return negative ? -magnitude : magnitude;
}

bool IsLeapYear(int32_t year) {
  return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

int32_t DaysInMonth(int32_t month, int32_t year) {
  static constexpr int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

int32_t ExpWholeNumber(const char* text) { return WholeNumber<int32_t>(text); }

int64_t ExpWholeNumber64(const char* text) { return WholeNumber<int64_t>(text); }

double ExpFloatingNumber(const char* text) {
  if (text == nullptr) return 0.0;
  const char* start = SkipWhiteSpace(text);
  const char* p = start;
  // The conversion below takes a "-" but no "+"; "+-5" is no number.
  if (*p == '+') {
    ++p;
    if (*p == '-' || *p == '+') return 0.0;
  }
  double value = 0.0;
  auto [end, error] = std::from_chars(p, p + std::strlen(p), value, std::chars_format::general);
  (void)end;
  if (error == std::errc::result_out_of_range) return OutOfRangeNumber(start);
  return error == std::errc() ? value : 0.0;
}

void ExpStoreLowOrder(int64_t number, int32_t width, unsigned char* out) {
  if (out == nullptr || width < 1 || width > 8) return;
  auto bits = static_cast<uint64_t>(number);
  for (int32_t i = 0; i < width; ++i) out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

bool ExpDateBytes(int32_t month, int32_t day, int32_t year, unsigned char out[4]) {
  if (month < 1 || month > 12 || year < 0 || year > 0xFFFF) return false;
  if (day < 1 || day > DaysInMonth(month, year)) return false;
  out[0] = static_cast<unsigned char>(day);
  out[1] = static_cast<unsigned char>(month);
  ExpStoreLowOrder(year, 2, out + 2);
  return true;
}

bool ExpTimeBytes(int32_t hours, int32_t minutes, int32_t seconds, unsigned char out[4]) {
  if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59) {
    return false;
  }
  out[0] = 0;
  out[1] = static_cast<unsigned char>(seconds);
  out[2] = static_cast<unsigned char>(minutes);
  out[3] = static_cast<unsigned char>(hours);
  return true;
}

int32_t ExpTimestampParts(const char* text, int32_t parts[6]) {
  if (text == nullptr) return 0;
  // What follows each number: "/" "/" white space ":" ":" and nothing.
  static constexpr char kAfter[6] = {'/', '/', ' ', ':', ':', '\0'};
  const char* p = text;
  for (int32_t i = 0; i < 6; ++i) {
    p = SkipWhiteSpace(p);
    if (!ReadSignedDigits(&p, &parts[i])) return i;
    if (kAfter[i] == ' ') {
      p = SkipWhiteSpace(p);
    } else if (kAfter[i] != '\0') {
      if (*p != kAfter[i]) return i + 1;
      ++p;
    }
  }
  return 6;
}

bool ExpSecondsStamp(const int32_t parts[6], uint64_t* stamp) {
  const int32_t month = parts[0], day = parts[1], year = parts[2];
  const int32_t hours = parts[3], minutes = parts[4], seconds = parts[5];
  unsigned char date[4];
  unsigned char time[4];
  // Range-checked before they are narrowed to the bytes of the conversion,
  // so that a month of 257 cannot pass as January.
  if (!ExpDateBytes(month, day, year, date) || !ExpTimeBytes(hours, minutes, seconds, time)) {
    return false;
  }
  return qxLDRBDateTimeToSecstamp(date, time, stamp) == 0;
}
