#include "decimal/field_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t kNumeric = 14;
constexpr int32_t kNumericSa = 27;
constexpr int32_t kNumericSts = 28;

// Runs a conversion into a buffer of exactly `size` bytes, so that the
// sanitizers see any write beyond it, and checks the returned length.
template <typename Convert>
std::string IntoBuffer(int32_t size, Convert convert) {
  auto text = std::make_unique<char[]>(static_cast<size_t>(size));
  int32_t length = convert(text.get());
  std::string result(text.get());
  EXPECT_EQ(length, static_cast<int32_t>(result.size()));
  return result;
}

std::string Numeric(const std::string& field, int32_t decimals, int32_t type) {
  return IntoBuffer(kNumericTextSize, [&](char* text) {
    return NumericFieldToText(text, reinterpret_cast<const unsigned char*>(field.data()),
                              static_cast<int32_t>(field.size()), decimals, type);
  });
}

std::string Packed(const std::vector<unsigned char>& field, int32_t decimals) {
  return IntoBuffer(kPackedTextSize, [&](char* text) {
    return PackedDecimalToText(text, field.data(), static_cast<int32_t>(field.size()), decimals);
  });
}

struct NumericCase {
  int32_t type;
  std::string field;
  int32_t decimals;
  std::string text;
};

class NumericField : public testing::TestWithParam<NumericCase> {};

TEST_P(NumericField, GivesCanonicalText) {
  const NumericCase& c = GetParam();
  EXPECT_EQ(Numeric(c.field, c.decimals, c.type), c.text)
      << "type " << c.type << " [" << c.field << "] decimals " << c.decimals;
}

INSTANTIATE_TEST_SUITE_P(Numeric, NumericField, testing::Values(
    NumericCase{kNumeric, "00123{", 2, "12.3"},
    NumericCase{kNumeric, "00123}", 2, "-12.3"},
    NumericCase{kNumeric, "0012J", 0, "-121"},
    NumericCase{kNumeric, "00000}", 2, "0"},
    NumericCase{kNumeric, "0000I", 1, "0.9"},
    NumericCase{kNumeric, "E", 0, "5"},
    NumericCase{kNumeric, "12345", 5, "0.12345"},
    NumericCase{kNumeric, "1234N", 5, "-0.12345"},
    NumericCase{kNumeric, "0001N", 5, "-0.00015"},
    NumericCase{kNumeric, "1234N", 6, ""},
    NumericCase{kNumeric, "5", 2, ""},
    NumericCase{kNumeric, "  123C", 2, "12.33"}));

INSTANTIATE_TEST_SUITE_P(NumericSa, NumericField, testing::Values(
    NumericCase{kNumericSa, "0012p", 2, "-1.2"},
    NumericCase{kNumericSa, "0012y", 0, "-129"},
    NumericCase{kNumericSa, "00125", 2, "1.25"},
    NumericCase{kNumericSa, "0000p", 2, "0"}));

INSTANTIATE_TEST_SUITE_P(NumericSts, NumericField, testing::Values(
    NumericCase{kNumericSts, "00150-", 1, "-15"},
    NumericCase{kNumericSts, "00150 ", 1, "15"},
    NumericCase{kNumericSts, "0000-", 1, "0"},
    NumericCase{kNumericSts, "-", 0, "0"},
    NumericCase{kNumericSts, "12-", 2, "-0.12"},
    NumericCase{kNumericSts, "12-", 3, ""}));

// Fields that are not numbers, and readings chosen where the coding leaves
// a character open: all give the empty text.
INSTANTIATE_TEST_SUITE_P(NotNumbers, NumericField, testing::Values(
    NumericCase{kNumeric, std::string("\0" "12{", 4), 0, ""},
    NumericCase{kNumeric, "1 23{", 0, ""},
    NumericCase{kNumeric, "1.23{", 1, ""},
    // A last character outside the coding is not a digit of any sign.
    NumericCase{kNumeric, "123S", 0, ""},
    NumericCase{kNumeric, "123 ", 1, ""},
    NumericCase{kNumeric, "123-", 0, ""},
    // '}' in a "numericsa" field is negative but has no units digit.
    NumericCase{kNumericSa, "0012}", 2, ""},
    NumericCase{kNumericSa, "0012A", 2, ""},
    NumericCase{kNumeric, "12345", -1, ""},
    NumericCase{13, "12345", 0, ""},
    NumericCase{kNumeric, "", 0, ""}));

TEST(NumericField, LongFields) {
  // 72 digits fit the arithmetic, 80 significant digits do not.
  const std::string digits72 = std::string(71, '9') + "I";
  EXPECT_EQ(Numeric(digits72, 0, kNumeric), std::string(72, '9'));
  EXPECT_EQ(Numeric(std::string(79, '9') + "I", 0, kNumeric), "");
  EXPECT_EQ(Numeric(std::string(79, '9') + "I", 79, kNumeric), "");

  // The plain text may take 97 characters, sign included.
  const std::string ones95 = std::string(94, '0') + "1";
  EXPECT_EQ(Numeric(ones95 + "J", 0, kNumeric), "-11");
  EXPECT_EQ(Numeric(ones95 + "0J", 0, kNumeric), "");
  EXPECT_EQ(Numeric(ones95 + "0A", 2, kNumeric), "1.01");
  EXPECT_EQ(Numeric(ones95 + "00A", 2, kNumeric), "");
  EXPECT_EQ(Numeric(ones95 + "1-", 2, kNumericSts), "-0.11");
  EXPECT_EQ(Numeric(ones95 + "01-", 2, kNumericSts), "");
  EXPECT_EQ(Numeric(std::string(1000, '1'), 3, kNumeric), "");

  // A value below one with many fraction places: written as far as the
  // room goes, or not at all.
  EXPECT_EQ(Numeric(std::string(60, '0') + "1234567890123", 73, kNumeric),
            "0." + std::string(60, '0') + "12345678901");
  EXPECT_EQ(Numeric(std::string(80, '0') + "12", 82, kNumeric), "");
}

TEST(NumericField, HugeDecimalsAndLengthsStayEmpty) {
  EXPECT_EQ(Numeric("12345", INT_MAX, kNumeric), "");
  EXPECT_EQ(Numeric("12345", INT_MIN, kNumeric), "");
  EXPECT_EQ(Numeric("12345", 65541, kNumeric), "") << "decimals must not wrap to 16 bits";
  char text[kNumericTextSize];
  const unsigned char field[] = "12345";
  EXPECT_EQ(NumericFieldToText(text, field, 0, 0, kNumeric), 0);
  EXPECT_EQ(NumericFieldToText(text, field, -5, 0, kNumeric), 0);
  EXPECT_EQ(NumericFieldToText(text, nullptr, 5, 0, kNumeric), 0);
  EXPECT_STREQ(text, "");
}

struct PackedCase {
  std::vector<unsigned char> field;
  int32_t decimals;
  std::string text;
};

class PackedField : public testing::TestWithParam<PackedCase> {};

TEST_P(PackedField, ExpandsTheDigits) {
  const PackedCase& c = GetParam();
  EXPECT_EQ(Packed(c.field, c.decimals), c.text) << "decimals " << c.decimals;
}

INSTANTIATE_TEST_SUITE_P(Packed, PackedField, testing::Values(
    PackedCase{{0x00, 0x12, 0x3C}, 2, "1.23"},
    PackedCase{{0x00, 0x12, 0x3D}, 2, "-1.23"},
    PackedCase{{0x00, 0x12, 0x3F}, 2, "1.23"},
    PackedCase{{0x00, 0x12, 0x3C}, 5, "0.00123"},
    PackedCase{{0x00, 0x0C}, 1, "0.0"},
    PackedCase{{0x00, 0x0D}, 0, "-0"},
    PackedCase{{0x1C}, 1, "0.1"},
    PackedCase{{0x10, 0x0C}, 2, "1.00"},
    PackedCase{{0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x34, 0x56, 0x78, 0x9D}, 4, "-123456789012345.6789"},
    // Digits are not checked: a nibble above 9 comes out as the character
    // after '9'.
    PackedCase{{0x0A, 0x1C}, 0, ":1"},
    PackedCase{{0x12}, -1, ""}));

TEST(PackedField, LongestFieldsThatFit) {
  // 55 bytes without decimals: 109 digits, a sign, the terminator.
  std::vector<unsigned char> field(55, 0x99);
  field.back() = 0x9D;
  EXPECT_EQ(Packed(field, 0), "-" + std::string(109, '9'));
  EXPECT_EQ(Packed(field, 1), "-" + std::string(108, '9') + ".9");
  field.push_back(0x9D);
  EXPECT_EQ(Packed(field, 0), "");
  EXPECT_EQ(Packed(field, 1), "");
  // The test does not depend on the value: a positive field with leading
  // zero digits is refused as well.
  std::vector<unsigned char> zeros(56, 0x00);
  zeros.back() = 0x0C;
  EXPECT_EQ(Packed(zeros, 0), "");
  // Decimals far beyond the digits: "0.", zeros, digits.
  EXPECT_EQ(Packed({0x1D}, 108), "-0." + std::string(107, '0') + "1");
  EXPECT_EQ(Packed({0x1D}, 109), "");
  EXPECT_EQ(Packed({0x1D}, INT_MAX), "");
}

TEST(PackedField, RefusesWithoutReadingWhenTheLengthIsAbsurd) {
  char text[kPackedTextSize];
  const unsigned char field[] = {0x1C};
  EXPECT_EQ(PackedDecimalToText(text, field, INT_MAX, 0), 0);
  EXPECT_EQ(PackedDecimalToText(text, field, 0, 0), 0);
  EXPECT_EQ(PackedDecimalToText(text, field, -1, 0), 0);
  EXPECT_EQ(PackedDecimalToText(text, nullptr, 1, 0), 0);
  EXPECT_STREQ(text, "");
}

}  // namespace
