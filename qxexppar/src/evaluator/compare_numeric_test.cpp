#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "evaluator/compare.h"
#include "evaluator/test_values.h"
#include "qxexpc.h"

namespace {

ExpValue Double(uint32_t type, double d) { return Number<double>(type, d); }
ExpValue Float(uint32_t type, float f) { return Number<float>(type, f); }

TEST(CompareDoubles, ScalingIsNoTolerance) {
  CheckAll({
      {"1e-12 apart are unequal", Double(12, 1.0 + 1e-12), Double(12, 1.0), kEq, 0},
      {"... and ordered", Double(12, 1.0 + 1e-12), Double(12, 1.0), kGt, 1},
      {"equal doubles", Double(12, 2.5), Double(12, 2.5), kEq, 1},
      {"<=", Double(12, -1), Double(12, 2.25), kLe, 1},
      {"+ on doubles", Double(12, 1), Double(12, 1), kPlus, -1},
  });
}

TEST(CompareNumeric, FloatsAndDoublesOfType12) {
  CheckAll({
      {"4-byte float against a 4-byte float", Float(12, 0.1f), Float(12, 0.1f), kEq, 1},
      {"4-byte field against an 8-byte constant: read as double", Double(12, 0.5), Float(12, 0.5f), kEq, 0},
      {"8-byte against 8-byte", Double(12, 0.1), Double(12, 0.1), kEq, 1},
      {"currency left against a double", Number<int64_t>(17, 12345), Double(12, 1.2345), kEq, 1},
      {"currency left against a float constant is read as double", Number<int64_t>(17, 5000), Double(12, 0.5), kEq, 1},
      {"an integer left", Number<int32_t>(4, 1), Double(12, 1), kEq, -1},
  });
}

TEST(CompareNumeric, FloatingCodesReadBothSidesAtTheirWidth) {
  CheckAll({
      {"59: both floats", Float(4, 1.5f), Float(59, 1.5f), kEq, 1},
      {"62: both doubles", Double(4, 1e300), Double(62, 1e300), kEq, 1},
      {"62: ordering", Double(12, -2), Double(62, 1), kLt, 1},
  });
}

TEST(CompareCurrency, CountsAgainstCountsAndDoubles) {
  CheckAll({
      {"count vs count", Number<int64_t>(17, -5), Number<int64_t>(17, 3), kLt, 1},
      {"double left, count right", Double(12, 1.2345), Number<int64_t>(17, 12345), kEq, 1},
      {"double left, larger count", Double(12, 1.2345), Number<int64_t>(17, 12346), kLt, 1},
      {"integer left refused", Number<int32_t>(4, 1), Number<int64_t>(17, 1), kEq, -1},
      {"+ refused", Number<int64_t>(17, 1), Number<int64_t>(17, 1), kPlus, -1},
  });
}

struct KnownNumber {
  double value;
  unsigned single[4];
  unsigned dbl[8];
};

// MBF encodings computed from the format's definition (value = 0.1f... ×
// 2^(exponent - 128), sign in the high bit of the byte below the exponent).
const KnownNumber kKnown[] = {
    {1.0, {0x00, 0x00, 0x00, 0x81}, {0, 0, 0, 0, 0, 0, 0x00, 0x81}},
    {-1.0, {0x00, 0x00, 0x80, 0x81}, {0, 0, 0, 0, 0, 0, 0x80, 0x81}},
    {0.5, {0x00, 0x00, 0x00, 0x80}, {0, 0, 0, 0, 0, 0, 0x00, 0x80}},
    {10.0, {0x00, 0x00, 0x20, 0x84}, {0, 0, 0, 0, 0, 0, 0x20, 0x84}},
    {3.0, {0x00, 0x00, 0x40, 0x82}, {0, 0, 0, 0, 0, 0, 0x40, 0x82}},
    {1e10, {0xF9, 0x02, 0x15, 0xA2}, {0, 0, 0, 0, 0xF9, 0x02, 0x15, 0xA2}},
};

TEST(CompareBfloat, MbfSinglesAndDoublesAgainstIeeeValues) {
  for (const KnownNumber& k : kKnown) {
    ExpValue single = Bytes(19, {k.single[0], k.single[1], k.single[2], k.single[3]});
    ExpValue dbl = Bytes(19, {k.dbl[0], k.dbl[1], k.dbl[2], k.dbl[3], k.dbl[4], k.dbl[5], k.dbl[6], k.dbl[7]});
    EXPECT_EQ(Outcome(single, Float(19, static_cast<float>(k.value)), kEq), 1) << k.value;
    EXPECT_EQ(Outcome(dbl, Double(19, k.value), kEq), 1) << k.value;
    EXPECT_EQ(Outcome(dbl, Double(19, k.value + 1), kLt), 1) << k.value;
    EXPECT_EQ(Outcome(single, Float(19, static_cast<float>(k.value - std::fabs(k.value) / 4)), kGt), 1)
        << k.value;
    double converted = 0;
    EXPECT_EQ(MbfDoubleToIeee(dbl.value, &converted), 0u);
    EXPECT_EQ(converted, k.value);
  }
}

TEST(CompareBfloat, TruncationZeroAndBadLengths) {
  // 0.1 as an MBF double carries 55 fraction bits; the three dropped ones are
  // set, so the truncated double lies just below the rounded IEEE 0.1.
  ExpValue tenth = Bytes(19, {0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0x4C, 0x7D});
  double converted = 0;
  EXPECT_EQ(MbfDoubleToIeee(tenth.value, &converted), 1u);
  EXPECT_LT(converted, 0.1);
  EXPECT_EQ(Outcome(tenth, Double(19, 0.1), kLt), 1);
  EXPECT_EQ(Outcome(Bytes(19, {0xCD, 0xCC, 0x4C, 0x7D}), Float(19, 0.1f), kEq), 1);
  CheckAll({
      {"all-zero 8-byte field = constant 0", Bytes(19, {0, 0, 0, 0, 0, 0, 0, 0}), Double(19, 0.0), kEq, 1},
      {"all-zero 4-byte field = constant 0", Bytes(19, {0, 0, 0, 0}), Float(19, 0.0f), kEq, 1},
      {"exponent 0 means zero whatever the fraction", Bytes(19, {9, 9, 9, 0}), Float(19, 0.0f), kNe, 0},
      {"constant of 2 bytes", Bytes(19, {0, 0, 0, 0x81}), Number<int16_t>(19, 1), kEq, -3},
      {"+ on bfloat", Bytes(19, {0, 0, 0, 0x81}), Float(19, 1.0f), kPlus, -1},
  });
}

}  // namespace

namespace {

TEST(CompareNumeric, DecimalFieldsBecomeDoublesThroughTheirText) {
  CheckAll({
      {"packed 1.23 = double 1.23", Bytes(13, {0x00, 0x12, 0x3C}, 2), Double(12, 1.23), kEq, 1},
      {"packed -1.23 < 0", Bytes(13, {0x00, 0x12, 0x3D}, 2), Double(12, 0), kLt, 1},
      {"double left, packed right", Double(12, 123), Bytes(13, {0x00, 0x12, 0x3C}, 0), kEq, 1},
      {"numeric 00123{ with 2 decimals is 12.3", Text(14, "00123{", -1, 2), Double(12, 12.3), kEq, 1},
      {"numeric 00123} is -12.3", Text(14, "00123}", -1, 2), Double(12, -12.3), kEq, 1},
      {"numericsa 0012p is -1.2", Text(27, "0012p", -1, 2), Double(12, -1.2), kEq, 1},
      {"numericsts 00150- is -15", Text(28, "00150-", -1, 1), Double(12, -15), kEq, 1},
      {"packed against numeric", Bytes(13, {0x00, 0x12, 0x3C}, 2), Text(14, "0000123", -1, 2), kEq, 1},
      {"an invalid numeric text reads as 0", Text(14, "12 3", -1, 0), Double(12, 0), kEq, 1},
      {"currency left against packed right", Number<int64_t>(17, 1), Bytes(13, {0x1C}), kEq, -1},
      {"a length beyond the value area", Text(14, "1", 300), Double(12, 1), kEq, -3},
      {"a length beyond the value area on the right", Double(12, 1), Text(13, "1", 257), kEq, -3},
  });
}

}  // namespace
