#include "decimal/dec_number.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The arithmetic at large (words, exponents, rounding, room) is checked
// against an independent oracle by dec_oracle_test.py; these tables keep the
// edge cases, each once.

constexpr const char* kTwoTo240Less1 =
    "1766847064778384329583297500742918515827483896875618958121606201292619775";
constexpr const char* kTwoTo240 =
    "1766847064778384329583297500742918515827483896875618958121606201292619776";

// DecFromText, then DecToText with `size`; "" when DecFromText failed.
struct RoundTrip {
  int32_t from_status;
  int32_t to_status;
  std::string text;
};

RoundTrip Convert(const std::string& input, uint16_t precision, int16_t scale, int32_t size = 100) {
  DecNumber number{};
  RoundTrip result{DecFromText(input.c_str(), &number, precision, scale), 0, ""};
  if (result.from_status != kDecOk && result.from_status != kDecDigitsDropped) return result;
  // Exactly the room the contract asks for, so that the sanitizers see any
  // write beyond it.
  std::vector<char> out(static_cast<size_t>(std::max(std::min(size, kDecMaxSize), 0)) + 1, '#');
  int32_t length = -1;
  result.to_status = DecToText(&number, out.data(), size, &length);
  if (result.to_status != kDecTooLarge) {
    result.text = out.data();
    EXPECT_EQ(length, static_cast<int32_t>(result.text.size())) << input;
  }
  return result;
}

std::vector<uint16_t> Words(const DecNumber& number) {
  return std::vector<uint16_t>(number.words, number.words + number.count);
}

DecNumber FromText(const std::string& text) {
  DecNumber number{};
  EXPECT_EQ(DecFromText(text.c_str(), &number, 200, 0), kDecOk) << text;
  return number;
}

struct TextCase {
  const char* input;
  uint16_t precision;
  int16_t scale;
  int32_t from_status;
  const char* text;  // written back with room 100
};

class TextToNumberToText : public testing::TestWithParam<TextCase> {};

TEST_P(TextToNumberToText, GivesStatusAndCanonicalText) {
  const TextCase& c = GetParam();
  RoundTrip result = Convert(c.input, c.precision, c.scale);
  EXPECT_EQ(result.from_status, c.from_status) << "[" << c.input << "]";
  EXPECT_EQ(result.text, c.text) << "[" << c.input << "]";
}

INSTANTIATE_TEST_SUITE_P(Zeros, TextToNumberToText, testing::Values(
    TextCase{"", 10, 2, kDecOk, "0"},
    TextCase{"-0", 10, 2, kDecOk, "0"},
    TextCase{"0E5", 10, 2, kDecOk, "0"},
    TextCase{"   ", 10, 2, kDecOk, "0"},
    TextCase{"-", 10, 2, kDecOk, "0"},
    TextCase{".", 10, 2, kDecOk, "0"},
    TextCase{"0E-3", 10, 3, kDecOk, "0.000"},
    // The exponent leaves no fraction place: -7, and the same zero.
    TextCase{"0E-3", 10, 0, kDecDigitsDropped, "0.000"},
    TextCase{"0E99999", 10, 0, kDecOk, "0"}));

INSTANTIATE_TEST_SUITE_P(Forms, TextToNumberToText, testing::Values(
    TextCase{"12,50", 10, 2, kDecOk, "12.5"},
    TextCase{"- 5", 10, 2, kDecOk, "-5"},
    TextCase{"--5", 10, 2, kDecOk, "-5"},
    TextCase{"1E--2", 10, 2, kDecOk, "0.01"},
    TextCase{"1E", 10, 2, kDecOk, "1"},
    TextCase{"0.05", 10, 2, kDecOk, "0.05"},
    TextCase{"0.5", 10, 2, kDecOk, ".5"},
    TextCase{"-0.5", 10, 2, kDecOk, "-.5"},
    TextCase{"000123.4500", 10, 2, kDecOk, "123.45"},
    TextCase{".000123", 10, 6, kDecOk, "0.000123"},
    TextCase{"-1234567890.12345678", 18, 8, kDecOk, "-1234567890.12345678"},
    // An integer keeps the places its exponent gives it.
    TextCase{"100E-2", 10, 2, kDecOk, "1.00"}));

INSTANTIATE_TEST_SUITE_P(Invalid, TextToNumberToText, testing::Values(
    TextCase{"1.2.3", 10, 2, kDecInvalid, ""},
    TextCase{"1E2E3", 10, 2, kDecInvalid, ""},
    TextCase{"1 2", 10, 2, kDecInvalid, ""},
    TextCase{"5-", 10, 2, kDecInvalid, ""},
    TextCase{"1x", 10, 2, kDecInvalid, ""},
    TextCase{"\xb1", 10, 2, kDecInvalid, ""},
    TextCase{"1E 5", 10, 2, kDecInvalid, ""},
    // Blanks after a leading zero end the number as after any digit.
    TextCase{"0 5", 10, 2, kDecInvalid, ""},
    // Exponent signs stand before its digits: this is not 1E-53.
    TextCase{"1E5-3", 10, 2, kDecInvalid, ""}));

INSTANTIATE_TEST_SUITE_P(PrecisionAndScale, TextToNumberToText, testing::Values(
    TextCase{"12.345", 5, 2, kDecDigitsDropped, "12.34"},
    TextCase{"12.345", 3, 2, kDecTooLarge, ""},
    TextCase{"12.340", 4, 2, kDecOk, "12.34"},
    TextCase{"123", 2, 0, kDecTooLarge, ""},
    TextCase{"000123", 3, 0, kDecOk, "123"},
    TextCase{"0.9", 5, 0, kDecDigitsDropped, "0"},
    TextCase{"1.5E-1", 5, 1, kDecDigitsDropped, ".1"},
    // The exponent leaves no place for fraction digits: the integer stays.
    TextCase{"12E-3", 5, 0, kDecDigitsDropped, "0.012"},
    TextCase{"1234567890123456789012345678901234567890", 74, 37, kDecOk,
             "1234567890123456789012345678901234567890"},
    TextCase{"1234567890123456789012345678901234567890", 74, 36, kDecTooLarge, ""},
    TextCase{"1234567890123456789012345678901234567890", 75, 37, kDecTooLarge, ""}));

TEST(DecFromText, SeventyThreeDigitIntegers) {
  const std::string ten_to_72 = "1" + std::string(72, '0');
  RoundTrip fits = Convert(ten_to_72, 74, 0);
  EXPECT_EQ(fits.from_status, kDecOk);
  EXPECT_EQ(fits.text, ten_to_72);
  EXPECT_EQ(Convert("2" + std::string(72, '0'), 74, 0).from_status, kDecTooLarge);
}

TEST(DecFromText, ZeroKeepsItsFractionPlaces) {
  RoundTrip result = Convert("0." + std::string(38, '0') + "1", 74, 37);
  EXPECT_EQ(result.from_status, kDecDigitsDropped);
  EXPECT_EQ(result.text, "0." + std::string(37, '0'));
}

INSTANTIATE_TEST_SUITE_P(OverflowBoundary, TextToNumberToText, testing::Values(
    TextCase{kTwoTo240Less1, 80, 0, kDecOk, kTwoTo240Less1},
    TextCase{kTwoTo240, 80, 0, kDecTooLarge, ""},
    TextCase{"99999999999999999999999999999999999999999999999999999999999999999999999999", 80, 0,
             kDecTooLarge, ""}));

TEST(DecFromText, OverflowBoundaryNegative) {
  RoundTrip below = Convert(std::string("-") + kTwoTo240Less1, 80, 0);
  EXPECT_EQ(below.from_status, kDecOk);
  EXPECT_EQ(below.text, std::string("-") + kTwoTo240Less1);

  DecNumber number{};
  EXPECT_EQ(DecFromText((std::string("-") + kTwoTo240).c_str(), &number, 80, 0), kDecTooLarge);
  EXPECT_EQ(number.status, 1);
  EXPECT_EQ(number.exponent, 0);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{0, 0}));
}

TEST(DecFromText, RefusesInvalidTextWithoutTouchingTheNumber) {
  DecNumber number{};
  number.count = 7;
  EXPECT_EQ(DecFromText("1.2.3", &number, 10, 2), kDecInvalid);
  EXPECT_EQ(number.count, 7);
}

TEST(DecFromText, ReadsAtMost256Characters) {
  std::string zeros(255, '0');
  RoundTrip longest = Convert(zeros + "7", 300, 0);
  EXPECT_EQ(longest.from_status, kDecOk);
  EXPECT_EQ(longest.text, "7");
  EXPECT_EQ(Convert(zeros + "07", 300, 0).from_status, kDecInvalid);
  EXPECT_EQ(Convert(std::string(256, '9'), 300, 0).from_status, kDecTooLarge);
  EXPECT_EQ(Convert("." + std::string(255, '9'), 300, 255).from_status, kDecTooLarge);
  EXPECT_EQ(Convert(std::string(300, ' '), 300, 0).from_status, kDecInvalid);
}

TEST(DecScanText, ReportsTheParts) {
  const char* text = " -00120.0500E-7 ";
  DecScan scan{};
  ASSERT_EQ(DecScanText(text, &scan), 1);
  EXPECT_EQ(scan.integer_start, text + 4);
  EXPECT_EQ(scan.integer_digits, 3);
  EXPECT_EQ(scan.fraction_start, text + 8);
  EXPECT_EQ(scan.fraction_digits, 2);
  EXPECT_EQ(scan.exponent, -7);
  EXPECT_TRUE(scan.negative);

  ASSERT_EQ(DecScanText("0.", &scan), 1);
  EXPECT_EQ(scan.integer_start, nullptr);
  EXPECT_EQ(scan.fraction_start, nullptr);
  EXPECT_EQ(scan.integer_digits, 0);
  EXPECT_FALSE(scan.negative);
  EXPECT_EQ(DecScanText("1-", &scan), 0);
}

struct SizeCase {
  const char* input;
  int16_t scale;
  int32_t size;
  int32_t status;
  const char* text;
};

class DecToTextRoom : public testing::TestWithParam<SizeCase> {};

TEST_P(DecToTextRoom, StaysWithinTheLimit) {
  const SizeCase& c = GetParam();
  RoundTrip result = Convert(c.input, 600, c.scale, c.size);
  ASSERT_TRUE(result.from_status == kDecOk || result.from_status == kDecDigitsDropped) << c.input;
  EXPECT_EQ(result.to_status, c.status) << c.input << " size " << c.size;
  EXPECT_EQ(result.text, c.text) << c.input << " size " << c.size;
}

INSTANTIATE_TEST_SUITE_P(Limits, DecToTextRoom, testing::Values(
    SizeCase{"12345", 0, 6, kDecOk, "12345"},
    SizeCase{"12345", 0, 5, kDecTooLarge, ""},
    SizeCase{"1.5E3", 0, 5, kDecOk, "1500"},
    SizeCase{"1.5E3", 0, 4, kDecTooLarge, ""},
    SizeCase{"0", 0, 0, kDecTooLarge, ""},
    SizeCase{"5", 0, -4, kDecTooLarge, ""},
    SizeCase{"0E-3", 3, 3, kDecOk, "0."},
    SizeCase{"0E-3", 3, 2, kDecTooLarge, ""},
    SizeCase{"0.05", 2, 4, kDecDigitsDropped, "0.0"},
    SizeCase{"0.05", 2, 3, kDecTooLarge, ""},
    SizeCase{"0.0512", 4, 6, kDecDigitsDropped, "0.051"},
    SizeCase{"0.5", 1, 3, kDecTooLarge, ""},
    SizeCase{"0.125", 3, 4, kDecDigitsDropped, ".12"},
    SizeCase{"12.345", 3, 6, kDecDigitsDropped, "12.34"},
    SizeCase{"12.345", 3, 4, kDecDigitsDropped, "12"},
    SizeCase{"12.345", 3, 3, kDecTooLarge, ""},
    SizeCase{"100E-2", 2, 3, kDecDigitsDropped, "1"},  // no room for the point: cut, though only by zeros
    SizeCase{"100E-2", 2, 4, kDecOk, "1.0"},
    SizeCase{"1E511", 0, 600, kDecTooLarge, ""}));

TEST(DecToText, WritesUpTo511Characters) {
  RoundTrip result = Convert("1E510", 600, 0, 600);
  EXPECT_EQ(result.to_status, kDecOk);
  EXPECT_EQ(result.text, "1" + std::string(510, '0'));
}

TEST(DecToText, WritesTheOverflowStateAsZero) {
  DecNumber number{};
  EXPECT_EQ(DecFromText(kTwoTo240, &number, 80, 0), kDecTooLarge);
  char out[8];
  int32_t length = 0;
  EXPECT_EQ(DecToText(&number, out, 8, &length), kDecOk);
  EXPECT_STREQ(out, "0");
}

// Word primitives, on numbers built word by word.
DecNumber Number(std::vector<uint16_t> words) {
  DecNumber number{};
  number.count = static_cast<uint16_t>(words.size());
  for (size_t i = 0; i < words.size(); ++i) number.words[i] = words[i];
  return number;
}

TEST(DecWords, MulSmallGrowsThenOverflows) {
  DecNumber number = Number({0x8000, 0});
  DecMulSmall(&number, 2);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{0, 1, 0}));
  DecMulSmall(&number, 0xFFFF);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{0, 0xFFFF, 0}));

  std::vector<uint16_t> full(15, 0);
  full[14] = 0x8000;
  full.push_back(0);
  number = Number(full);
  number.exponent = 4;
  DecMulSmall(&number, 2);
  EXPECT_EQ(number.status, 1);
  EXPECT_EQ(number.exponent, 0);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{0, 0}));
  DecAddSmall(&number, 5);
  DecMulSmall(&number, 10);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{0, 0})) << "the overflow state stays zero";

  number = Number({0x1234, 0x5678, 0});
  DecMulSmall(&number, 0);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{0, 0}));
}

TEST(DecWords, AddSmallCarries) {
  DecNumber number = Number({0xFFFF, 0xFFFF, 0});
  DecAddSmall(&number, 1);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{0, 0, 1, 0}));
  DecAddSmall(&number, 0xFFFF);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{0xFFFF, 0, 1, 0}));

  std::vector<uint16_t> full(15, 0xFFFF);
  full.push_back(0);
  number = Number(full);
  DecAddSmall(&number, 1);
  EXPECT_EQ(number.status, 1);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{0, 0}));

  // -2 + 1 = -1, -1 + 1 = 0.
  number = Number({0xFFFE, 0xFFFF});
  DecAddSmall(&number, 1);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{0xFFFF, 0xFFFF}));
  DecAddSmall(&number, 1);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{0, 0}));
}

TEST(DecWords, DivSmallGivesRemainderAndShrinks) {
  DecNumber number = Number({0x0001, 0x0000, 0x0001, 0});  // 2^32 + 1
  uint16_t remainder = 0;
  DecDivSmall(&number, 10000, &remainder);
  // 4294967297 = 429496 × 10000 + 7297
  EXPECT_EQ(remainder, 7297);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{0x8DB8, 0x0006, 0}));
  DecDivSmall(&number, 0xFFFF, &remainder);
  EXPECT_EQ(remainder, 429496 % 0xFFFF);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{6, 0}));
  DecDivSmall(&number, 0, &remainder);
  EXPECT_EQ(remainder, 0);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{6, 0}));
}

TEST(DecWords, NegateBothWays) {
  struct Case {
    std::vector<uint16_t> in, out;
  };
  const Case cases[] = {
      {{0, 0}, {0, 0}},
      {{1, 0}, {0xFFFF, 0xFFFF}},
      {{0xFFFF, 0xFFFF}, {1, 0}},
      {{0, 1, 0}, {0, 0xFFFF}},
      {{0, 0, 1, 0}, {0, 0, 0xFFFF}},
      {{1, 1, 0}, {0xFFFF, 0xFFFE, 0xFFFF}},
      {{0x8000, 0}, {0x8000, 0xFFFF}},
  };
  for (const Case& c : cases) {
    DecNumber number = Number(c.in);
    DecNegate(&number);
    EXPECT_EQ(Words(number), c.out);
  }
  std::vector<uint16_t> lowest(15, 0);
  lowest.push_back(0xFFFF);
  DecNumber number = Number(lowest);  // -2^240 has no positive counterpart
  DecNegate(&number);
  EXPECT_EQ(number.status, 1);
}

TEST(DecWords, TrimSignKeepsTwoWords) {
  DecNumber number = Number({0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF});
  DecTrimSign(&number);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{0xFFFF, 0xFFFF}));
  number = Number({5, 0, 0});
  DecTrimSign(&number);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{5, 0}));
}

TEST(DecWords, AppendDigitsReadsLowBitsAndGroupsOfFour) {
  DecNumber number = Number({0, 0});
  DecAppendDigits(&number, "1234567", 7);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{0xD687, 0x0012, 0}));  // 1234567
  number = Number({0, 0});
  DecAppendDigits(&number, ":?", 2);  // both count as 9
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{99, 0}));
  number = Number({1, 0});
  DecAppendDigits(&number, "", 0);
  EXPECT_EQ(Words(number), (std::vector<uint16_t>{1, 0}));
}

struct RenderCase {
  const char* number;
  int32_t width;
  const char* out;
};

class DecRender : public testing::TestWithParam<RenderCase> {};

TEST_P(DecRender, WritesExactlyTheWidth) {
  const RenderCase& c = GetParam();
  DecNumber number = FromText(c.number);
  std::string out(static_cast<size_t>(c.width) + 2, '#');
  DecRenderDigits(&number, c.width, out.data() + 1);
  EXPECT_EQ(out, "#" + std::string(c.out) + "#") << c.number << " width " << c.width;
}

INSTANTIATE_TEST_SUITE_P(Widths, DecRender, testing::Values(
    RenderCase{"0", 3, "000"},
    RenderCase{"42", 5, "00042"},
    RenderCase{"4294967295", 12, "004294967295"},
    RenderCase{"4294967295", 9, "294967295"},
    RenderCase{"123456789012345678901234567890", 32, "00123456789012345678901234567890"},
    RenderCase{"123456789012345678901234567890", 7, "4567890"},
    RenderCase{"-123456789012345678901234567890", 2, "90"}));

}  // namespace
