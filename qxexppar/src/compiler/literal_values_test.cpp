#include "compiler/literal_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();

struct WholeCase {
  const char* text;
  int32_t number;
  int64_t number64;
};

const WholeCase kWholeCases[] = {
    {"17", 17, 17},
    {"  \t-42xyz", -42, -42},
    {"abc", 0, 0},
    {"- 5", 0, 0},
    {"+-5", 0, 0},
    {"12.9", 12, 12},
    {"2147483647", kInt32Max, kInt32Max},
    {"-2147483648", kInt32Min, kInt32Min},
    // Beyond the range: the nearest limit, never undefined behaviour.
    {"2147483648", kInt32Max, 2147483648LL},
    {"-2147483649", kInt32Min, -2147483649LL},
    {"9223372036854775807", kInt32Max, kInt64Max},
    {"-9223372036854775808", kInt32Min, kInt64Min},
    {"99999999999999999999999", kInt32Max, kInt64Max},
};

TEST(LiteralValuesTest, WholeNumbersReadLikeTheCLibraryAndSaturate) {
  for (const WholeCase& c : kWholeCases) {
    EXPECT_EQ(ExpWholeNumber(c.text), c.number) << c.text;
    EXPECT_EQ(ExpWholeNumber64(c.text), c.number64) << c.text;
  }
  EXPECT_EQ(ExpWholeNumber(nullptr), 0);
}

struct FloatingCase {
  const char* text;
  double number;
};

const FloatingCase kFloatingCases[] = {
    {"3.5", 3.5},       {"  -0.25", -0.25}, {"+12.5e1", 125.0}, {".5", 0.5},
    {"5.", 5.0},        {"1e3x", 1000.0},   {"abc", 0.0},       {"", 0.0},
    {"+-1", 0.0},       {"1,5", 1.0},       {"0x10", 0.0},      {"1e-400", 0.0},
    {"-1e-400", -0.0},  {"0.00001e-320", 0.0},
};

TEST(LiteralValuesTest, FloatingNumbersReadLikeTheCLibraryInAnyLocale) {
  for (const FloatingCase& c : kFloatingCases) {
    double number = ExpFloatingNumber(c.text);
    EXPECT_EQ(number, c.number) << c.text;
    EXPECT_EQ(std::signbit(number), std::signbit(c.number)) << c.text;
  }
  EXPECT_EQ(ExpFloatingNumber("1e400"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ExpFloatingNumber("-1e400"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(ExpFloatingNumber(std::string(400, '9').c_str()), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ExpFloatingNumber("1e99999999999999999999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ExpFloatingNumber("1e-99999999999999999999"), 0.0);
  EXPECT_TRUE(std::isnan(ExpFloatingNumber("nan")));
  EXPECT_EQ(ExpFloatingNumber("-inf"), -std::numeric_limits<double>::infinity());
}

struct DateCase {
  int32_t month, day, year;
  bool valid;
};

const DateCase kDateCases[] = {
    {2, 29, 2000, true},   {2, 29, 1900, false},  {2, 29, 2004, true},   {2, 29, 2001, false},
    {2, 28, 1900, true},   {12, 31, 0, true},     {4, 31, 2020, false},  {1, 0, 2020, false},
    {0, 1, 2020, false},   {13, 1, 2020, false},  {1, 1, -1, false},     {1, 1, 65535, true},
    {1, 1, 65536, false},  {1, 257, 2020, false}, {257, 1, 2020, false},
};

TEST(LiteralValuesTest, DatesAreCheckedBeforeTheyAreNarrowed) {
  for (const DateCase& c : kDateCases) {
    unsigned char out[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(ExpDateBytes(c.month, c.day, c.year, out), c.valid) << c.month << "/" << c.day << "/" << c.year;
    if (c.valid) {
      const unsigned char expected[4] = {static_cast<unsigned char>(c.day), static_cast<unsigned char>(c.month),
                                         static_cast<unsigned char>(c.year & 0xFF),
                                         static_cast<unsigned char>(c.year >> 8)};
      EXPECT_EQ(std::memcmp(out, expected, 4), 0);
    } else {
      EXPECT_EQ(out[0], 0xAA);
    }
  }
}

struct StampTextCase {
  const char* text;
  int32_t parts_read;
};

const StampTextCase kStampTextCases[] = {
    {"1/2/2000 3:4:5", 6},
    {"  01/02/2000\t03:04:05tail", 6},
    {"1/2/20003:4:5", 3},  // the blank may be missing, but then 20003 is the year
    {"1/2/2000", 3},
    {"1 /2/2000 3:4:5", 1},  // "/" must follow the number directly
    {"1/ 2/2000 3:4:5", 6},  // a number may be preceded by white space
    {"1/2/2000 3:4", 5},
    {"x", 0},
    {"", 0},
    {"-1/+2/2000 0:0:0", 6},
};

TEST(LiteralValuesTest, TimestampTextsAreReadPartByPart) {
  for (const StampTextCase& c : kStampTextCases) {
    int32_t parts[6] = {};
    EXPECT_EQ(ExpTimestampParts(c.text, parts), c.parts_read) << c.text;
  }
  int32_t parts[6] = {};
  ASSERT_EQ(ExpTimestampParts("12/31/1999 23:59:58", parts), 6);
  const int32_t expected[6] = {12, 31, 1999, 23, 59, 58};
  EXPECT_EQ(std::memcmp(parts, expected, sizeof parts), 0);
}

TEST(LiteralValuesTest, SecondsStampsCountFromYearOne) {
  uint64_t stamp = 0;
  const int32_t first[6] = {1, 1, 1, 0, 0, 1};
  ASSERT_TRUE(ExpSecondsStamp(first, &stamp));
  EXPECT_EQ(stamp, 1u);
  const int32_t y2k[6] = {1, 1, 2000, 0, 0, 0};
  ASSERT_TRUE(ExpSecondsStamp(y2k, &stamp));
  EXPECT_EQ(stamp, 63082281600u);
  // Out of range, including parts that would pass once cut to a byte.
  const int32_t refused[][6] = {{1, 1, 0, 0, 0, 0}, {1, 1, 2000, 0, 0, 316}, {1, 1, 67536, 0, 0, 0}};
  for (const auto& parts : refused) {
    EXPECT_FALSE(ExpSecondsStamp(parts, &stamp)) << parts[0] << "/" << parts[1] << "/" << parts[2];
  }
}

}  // namespace
