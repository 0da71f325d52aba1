#include "evaluator/compare.h"

#include <gtest/gtest.h>

#include <vector>

#include "evaluator/field_types.h"
#include "evaluator/test_values.h"
#include "qxexpc.h"

namespace {

TEST(CompareIntegers, ReadAtTheRightOperandsWidthAndSignedness) {
  CheckAll({
      {"int2 -1 vs int4 -1: 0xFFFF reads as 65535", Bytes(2, {0xFF, 0xFF}), Number<int32_t>(4, -1), kEq, 0},
      {"int2 -1 vs int2 -1", Bytes(2, {0xFF, 0xFF}), Number<int16_t>(2, -1), kEq, 1},
      {"signed 16: -1 < 1", Number<int16_t>(2, -1), Number<int16_t>(2, 1), kLt, 1},
      {"unsigned 16: 0xFFFF > 1", Number<int16_t>(2, -1), Number<uint16_t>(1, 1), kGt, 1},
      {"unsigned 32", Number<int32_t>(3, -1), Number<uint32_t>(3, 7), kGt, 1},
      {"signed 32 (58 is unsigned)", Number<int32_t>(58, -1), Number<uint32_t>(58, 7), kGt, 1},
      {"signed 8 (30)", Number<int8_t>(30, -3), Number<int8_t>(30, 2), kLt, 1},
      {"unsigned 8 (29)", Number<int8_t>(29, -3), Number<int8_t>(29, 2), kGt, 1},
      {"signed 8 (48)", Number<int8_t>(48, -3), Number<int8_t>(48, 2), kLe, 1},
      {"unsigned 8 (50)", Number<uint8_t>(50, 200), Number<uint8_t>(50, 200), kGe, 1},
      {"signed 16 (52)", Number<int16_t>(52, -300), Number<int16_t>(52, 300), kNe, 1},
      {"signed 32 (56, 122)", Number<int32_t>(122, -5), Number<int32_t>(56, -5), kEq, 1},
      {"unsigned 32: 0xFFFFFFFD > 2", Number<int32_t>(3, -3), Number<int32_t>(3, 2), kGt, 1},
      {"the left type is ignored", Number<uint32_t>(7, 9), Number<uint32_t>(4, 9), kEq, 1},
      {"and on numbers", Number<int32_t>(4, 1), Number<int32_t>(4, 1), kAnd, -1},
      {"an unknown operator", Number<int32_t>(4, 1), Number<int32_t>(4, 1), 99, -1},
  });
}

TEST(CompareIntegers, SumsAndDifferencesWrapAtTheResultWidth) {
  struct Sum {
    ExpValue left, right;
    uint32_t op;
    int32_t status;
    uint32_t type;
    int64_t number;
  };
  const Sum kSums[] = {
      {Number<uint16_t>(1, 65535), Number<uint16_t>(1, 1), kPlus, 0, 1, 0},
      {Number<int16_t>(2, 5), Number<int16_t>(2, 7), kMinus, 0, 2, -2},
      {Number<uint32_t>(3, 0), Number<uint32_t>(3, 1), kMinus, 0, 3, 0xFFFFFFFF},
      {Number<int32_t>(4, 2000000000), Number<int32_t>(4, 2000000000), kPlus, 0, 4, -294967296},
      {Number<uint8_t>(5, 250), Number<uint8_t>(5, 10), kPlus, 0, 5, 4},
      {Number<int8_t>(6, -128), Number<int8_t>(6, 1), kMinus, 0, 6, 127},
      {Number<int8_t>(30, 1), Number<int8_t>(30, 1), kPlus, -3, 0, 0},
      {Number<int16_t>(52, 1), Number<int16_t>(52, 1), kPlus, -3, 0, 0},
      {Number<int32_t>(122, 1), Number<int32_t>(122, 1), kMinus, -3, 0, 0},
  };
  for (const Sum& s : kSums) {
    ExpValue left = s.left, right = s.right, result{};
    int32_t status = ExpCompareValues(&right, &left, s.op, &result);
    ASSERT_EQ(status, s.status) << "type " << s.right.type;
    if (status != 0) continue;
    EXPECT_EQ(result.type, s.type);
    ExpValue expected = s.type <= 2   ? Number<uint16_t>(s.type, static_cast<uint16_t>(s.number))
                        : s.type <= 4 ? Number<uint32_t>(s.type, static_cast<uint32_t>(s.number))
                                      : Number<uint8_t>(s.type, static_cast<uint8_t>(s.number));
    EXPECT_EQ(std::memcmp(result.value, expected.value, static_cast<size_t>(expected.length)), 0)
        << "type " << s.type;
    EXPECT_EQ(result.length, expected.length);
  }
}

TEST(CompareLogical, AndOrOnTruthWords) {
  ExpValue t = Number<uint32_t>(9, 1), f = Number<uint32_t>(9, 0), seven = Number<uint32_t>(9, 7);
  CheckAll({
      {"true and true", t, t, kAnd, 1},
      {"true and false", t, f, kAnd, 0},
      {"false or true", f, t, kOr, 1},
      {"false or false", f, f, kOr, 0},
      {"any non-zero word is true", seven, t, kAnd, 1},
      {"the left type is not examined", Number<uint32_t>(4, 1), t, kAnd, 1},
      {"= on truths", t, t, kEq, -1},
  });
}

TEST(CompareBits, TheMaskedBytesDecideWhateverTheOperator) {
  CheckAll({
      {"= equal under the mask", Bytes(26, {0x0F}, 0x01), Bytes(26, {0xFF}, 0x01), kEq, 1},
      {"> gives the same truth as =", Bytes(26, {0x0F}, 0x01), Bytes(26, {0xFF}, 0x01), kGt, 1},
      {"unequal under the masks", Bytes(26, {0x01}, 0x01), Bytes(26, {0x00}, 0x01), kEq, 0},
      {"each side its own mask; != still asks for equality", Bytes(26, {0xF0}, 0x0F), Bytes(26, {0x0F}, 0xF0), kNe, 1},
  });
}

ExpValue Date(unsigned year, unsigned month, unsigned day) {
  return Bytes(10, {day, month, year & 0xFF, year >> 8});
}
ExpValue Time(unsigned hours, unsigned minutes, unsigned seconds, unsigned hundredths = 0) {
  return Bytes(11, {hundredths, seconds, minutes, hours});
}

TEST(CompareDateTime, ComponentsFromTheMostSignificant) {
  CheckAll({
      {"last day of a year < first day of the next", Date(2025, 12, 31), Date(2026, 1, 1), kLt, 1},
      {"month before day", Date(2026, 2, 1), Date(2026, 1, 31), kGt, 1},
      {"year above 255", Date(256, 1, 1), Date(255, 12, 31), kGt, 1},
      {"equal dates >", Date(2026, 3, 4), Date(2026, 3, 4), kGt, 0},
      {"!=", Date(2026, 3, 4), Date(2026, 3, 5), kNe, 1},
      {"times by hour first", Time(10, 0, 0), Time(9, 59, 59, 99), kGt, 1},
      {"hundredths last", Time(9, 0, 0, 1), Time(9, 0, 0, 2), kLt, 1},
      {"a date against a time", Date(2026, 1, 1), Time(1, 1, 1), kEq, -4},
      {"a time against a date", Time(1, 1, 1), Date(2026, 1, 1), kLt, -4},
      {"lengths differ", Bytes(10, {1, 1, 1}), Date(1, 1, 1), kEq, -4},
      {"and on dates", Date(1, 1, 1), Date(1, 1, 1), kAnd, -1},
  });
}

TEST(CompareInt64, SignedAndUnsigned) {
  CheckAll({
      {"unsigned: max > 1", Number<uint64_t>(20, UINT64_MAX), Number<uint64_t>(20, 1), kGt, 1},
      {"unsigned admits 21 on the left", Number<int64_t>(21, -1), Number<uint64_t>(20, 1), kGt, 1},
      {"unsigned refuses other left types", Number<uint64_t>(4, 1), Number<uint64_t>(20, 1), kEq, -1},
      {"signed: -1 < 1", Number<int64_t>(20, -1), Number<int64_t>(21, 1), kLt, 1},
      {"37, 60, 61 are signed", Number<int64_t>(3, -2), Number<int64_t>(61, -2), kEq, 1},
      {"+ on 64-bit", Number<int64_t>(21, 1), Number<int64_t>(21, 1), kPlus, -1},
  });
}

TEST(CompareStamps, TimestampsBecomeSecondsAgainstSecondsStamps) {
  const uint64_t kTicks = 10'000'000;
  ExpValue stamp100 = Number<uint64_t>(22, 100);
  CheckAll({
      {"timestamp vs timestamp: raw", Number<uint64_t>(18, 5), Number<uint64_t>(18, 6), kLt, 1},
      {"timestamp field vs seconds constant", Number<uint64_t>(18, 100 * kTicks + 9), stamp100, kEq, 1},
      {"seconds field vs timestamp constant", stamp100, Number<uint64_t>(18, 100 * kTicks + 9), kEq, 1},
      {"seconds field vs later timestamp", stamp100, Number<uint64_t>(18, 101 * kTicks), kLt, 1},
      {"seconds vs seconds", Number<uint64_t>(22, 7), Number<uint64_t>(22, 7), kGe, 1},
      {"other left vs seconds: first 8 bytes", Number<uint64_t>(4, 7), Number<uint64_t>(22, 7), kEq, 1},
      {"other left vs timestamp", Number<uint64_t>(4, 7), Number<uint64_t>(18, 7), kEq, -3},
      {"+ on stamps", stamp100, stamp100, kPlus, -1},
  });
}

TEST(ComparePackedBytes, NineBytesAsStored) {
  ExpValue a = Bytes(55, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  ExpValue b = Bytes(63, {1, 2, 3, 4, 5, 6, 7, 8, 10});
  CheckAll({
      {"only nine bytes count, whatever the lengths", a, Bytes(55, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE}), kEq, 1},
      {"equal nine", a, Bytes(63, {1, 2, 3, 4, 5, 6, 7, 8, 9}), kEq, 1},
      {"!= admitted", a, b, kNe, 1},
      {"<", a, b, kLt, 1},
      {"106 refused", a, Bytes(106, {1}), kEq, -1},
      {"108 refused", a, Bytes(108, {1}), kEq, -1},
  });
}

TEST(CompareDispatch, CodesOutsideTheFamiliesAndMissingArguments) {
  CheckAll({
      {"34 not comparable", Number<int32_t>(4, 1), Number<int32_t>(34, 1), kEq, -3},
      {"0 unknown", Number<int32_t>(4, 1), Number<int32_t>(0, 1), kEq, -1},
      {"123 unknown", Number<int32_t>(4, 1), Number<int32_t>(123, 1), kEq, -1},
      {"45 always refused", Text(8, "a"), Text(45, "a"), kEq, -1},
      {"38 at 3 bytes stays unresolved", Number<int32_t>(4, 1), Number<int32_t>(38, 1, 3), kEq, -1},
  });
  ExpValue v = Number<int32_t>(4, 1), result{};
  EXPECT_EQ(ExpCompareValues(nullptr, &v, kEq, &result), -2);
  EXPECT_EQ(ExpCompareValues(&v, nullptr, kEq, &result), -2);
  EXPECT_EQ(ExpCompareValues(&v, &v, kEq, nullptr), -2);
}

TEST(CompareDispatch, VariableWidthCodesResolveByTheRightLength) {
  struct Resolution {
    uint32_t code;
    int32_t length;
    uint32_t resolved;
  };
  const Resolution kResolutions[] = {
      {38, 2, 52}, {38, 4, 56}, {109, 4, 59}, {109, 8, 62}, {110, 4, 122},
      {110, 8, 60}, {111, 4, 58}, {111, 8, 61}, {38, 8, 38}, {109, 2, 109}, {4, 2, 4},
  };
  for (const Resolution& r : kResolutions) {
    ExpValue right = Number<int64_t>(r.code, 0, r.length);
    ExpValue left = Number<int64_t>(r.code, 0, 99);  // resolved by the right length
    ExpValue result{};
    ExpCompareValues(&right, &left, kEq, &result);
    EXPECT_EQ(right.type, r.resolved) << r.code << "@" << r.length;
    EXPECT_EQ(left.type, r.resolved) << r.code << "@" << r.length;
  }
  CheckAll({
      {"38 at 2 bytes reads 16 bits signed", Number<int16_t>(38, -1), Number<int16_t>(38, -1), kEq, 1},
      {"110 at 8 bytes reads 64 bits", Number<int64_t>(4, -5), Number<int64_t>(110, -5), kEq, 1},
  });
}

TEST(FieldTypeTable, EveryCodeHasOneEntryInOrder) {
  int count = 0;
  const ExpTypeCodeInfo* table = ExpTypeCodeTable(&count);
  ASSERT_GT(count, 50);
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(ExpTypeCodeOf(table[i].code).code, table[i].code);
    EXPECT_EQ(ExpTypeCodeOf(table[i].code).family, table[i].family);
    if (table[i].family == ExpFamily::kInteger) {
      EXPECT_TRUE(table[i].width == 1 || table[i].width == 2 || table[i].width == 4) << table[i].code;
    }
  }
  EXPECT_EQ(ExpTypeCodeOf(0).family, ExpFamily::kUnknown);
  EXPECT_EQ(ExpTypeCodeOf(1000).family, ExpFamily::kUnknown);
}

}  // namespace
