#include "compiler/value_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "compiler/test_scan.h"
#include "qxcnldrc.h"

namespace {

bool SameNode(const ExpToken& a, const ExpToken& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct OperandCase {
  const char* text;     // as a user may write it
  const char* written;  // as it is written back
};

class OperandTextTest : public ::testing::TestWithParam<OperandCase> {};

// Every operand is written back in a form that scans to the very same token.
TEST_P(OperandTextTest, WritesBackWhatScansToTheSameToken) {
  int32_t status = 0;
  const ExpToken token = ScanText(GetParam().text, &status);
  ASSERT_EQ(status, 0) << GetParam().text;
  const std::string written = ExpOperandText(token);
  EXPECT_EQ(written, GetParam().written);
  const ExpToken again = ScanText(written, &status);
  ASSERT_EQ(status, 0) << written;
  EXPECT_TRUE(SameNode(token, again)) << written;
}

INSTANTIATE_TEST_SUITE_P(
    Literals, OperandTextTest,
    ::testing::Values(
        OperandCase{"VAL 2 Int -1", "val 2 int -1"},
        OperandCase{"val 1 int 200", "val 1 int -56"}, OperandCase{"val 4 autoinc 5", "val 4 int 5"},
        OperandCase{"val 8 unsigned -1", "val 8 unsigned -1"},
        OperandCase{"val 5 char \"ab\"", "val 5 char \"ab\""},
        OperandCase{"val 11 char \"hello world\"", "val 11 char \"hello world\""},
        OperandCase{"val 8 lvar 3.4 \"x\"", "val 8 lvar 3.4 \"x\""},
        OperandCase{"val 4 date 2 29 2000", "val 4 date 2 29 2000"},
        OperandCase{"val 4 time 23:59:59", "val 4 time 23:59:59"},
        OperandCase{"val 4 time 1:2:3", "val 4 time 01:02:03"},
        OperandCase{"val 8 timestamp \"2/29/2000 10:11:12\"", "val 8 timestamp \"2/29/2000 10:11:12\""},
        OperandCase{"val 8 timestamp \"1/1/1 0:0:0\"", "val 8 timestamp \"1/1/1 00:00:00\""},
        OperandCase{"val 10 decimal 10.2 3.5", "val 8 decimal 10.2 3.5"},
        OperandCase{"val 8 currency 12.5", "val 8 float 12.5"}, OperandCase{"val 4 float 0.1", "val 4 float 0.1"},
        OperandCase{"val 8 float 1e300", "val 8 float 1e+300"}, OperandCase{"val 4 bfloat -2.5", "val 4 bfloat -2.5"},
        OperandCase{"val 1 bit 0.7 5", "val 1 bit 0.7 1"}, OperandCase{"val 1 logical Y", "val 1 logical Y"},
        OperandCase{"val 2 logical 1", "val 2 int 1"}, OperandCase{"val 2 ldr7 300", "val 2 ldr7 300"},
        OperandCase{"val 2 ldr4 7", "val 2 ldr4 7"},
        OperandCase{"val 1 ldr6 10", "val 1 ldr6 10"}, OperandCase{"val 1 ldr6 65", "val 1 logical A"}));

INSTANTIATE_TEST_SUITE_P(
    Fields, OperandTextTest,
    ::testing::Values(OperandCase{"qx 120 8 char", "qx 120 8 char"},
                      OperandCase{"db 4 12 char 0.0", "db 4 12 char 0.0"},
                      OperandCase{"db 20 5 decimal 9.2", "db 20 5 decimal 9.2"},
                      OperandCase{"DB 0 4 AUTOINC", "db 0 4 int"}, OperandCase{"qx 0 4 ldr7", "qx 0 4 ldr7"},
                      OperandCase{"db 0 3 ldr4", "db 0 3 ldr4"}, OperandCase{"db -1 4 int", "qx -1 4 int"},
                      OperandCase{"db 1 8 money 15.-2", "db 1 8 decimal 15.-2"},
                      OperandCase{"db 3 10 lvar 1.2", "db 3 10 lvar 1.2"}, OperandCase{"db 9 1 bit 0.4", "db 9 1 bit 0.4"},
                      OperandCase{"getrecid val 12", "getrecid val 12"}, OperandCase{"getrecid db 8", "getrecid qx 8"}));

std::string FieldValue(uint32_t type, const std::vector<unsigned char>& bytes, int32_t attr2 = 0) {
  return ExpValueText(ExpValueView{type, static_cast<int32_t>(bytes.size()), attr2, bytes.data()},
                      ExpValueSource::kField);
}

std::vector<unsigned char> Le(uint64_t number, int width) {
  std::vector<unsigned char> bytes;
  for (int i = 0; i < width; ++i) bytes.push_back(static_cast<unsigned char>(number >> (8 * i)));
  return bytes;
}

// Field values are read in their stored forms, which literals do not share.
TEST(ValueTextTest, ReadsFieldsInTheirStoredForms) {
  EXPECT_EQ(FieldValue(13, {0x12, 0x34, 0x5C}, 2), "123.45");
  EXPECT_EQ(FieldValue(13, {0x00, 0x12, 0x5D}, 1), "-12.5");
  EXPECT_EQ(FieldValue(14, {'1', '2', '3', '4', 'E'}, 2), "123.45");
  EXPECT_EQ(FieldValue(14, {'1', '2', '!'}, 0), "?");
  EXPECT_EQ(FieldValue(17, Le(125000, 8)), "12.5");
  EXPECT_EQ(FieldValue(17, Le(static_cast<uint64_t>(-1), 8)), "-0.0001");
  EXPECT_EQ(FieldValue(17, Le(30000, 8)), "3");

  const unsigned char date[4] = {29, 2, 0xD0, 0x07};
  const unsigned char time[4] = {0, 12, 11, 10};
  uint64_t stamp = 0;
  ASSERT_EQ(qxLDRBDateTimeToSecstamp(date, time, &stamp), 0);
  EXPECT_EQ(FieldValue(18, Le(stamp * 10'000'000 + 9'999'999, 8)), "2/29/2000 10:11:12");
  EXPECT_EQ(FieldValue(22, Le(stamp, 8)), "2/29/2000 10:11:12");

  EXPECT_EQ(FieldValue(19, {0, 0, 0, 0x81}), "1");                // MBF single 1.0
  EXPECT_EQ(FieldValue(19, {0, 0, 0, 0, 0, 0, 0x80, 0x82}), "-2");  // MBF double -2.0
  EXPECT_EQ(ExpValueText(ExpValueView{19, 4, 0, Le(0x3FC00000, 4).data()}, ExpValueSource::kConstant), "1.5");

  EXPECT_EQ(FieldValue(26, {0x04}, 4), "1");
  EXPECT_EQ(FieldValue(26, {0x04}, 2), "0");
  EXPECT_EQ(FieldValue(9, Le(1, 4)), "true");
  EXPECT_EQ(FieldValue(9, Le(0, 4)), "false");
  EXPECT_EQ(FieldValue(11, {45, 3, 2, 1}), "01:02:03.45");
  EXPECT_EQ(FieldValue(10, {31, 12, 0x0F, 0x27}), "12 31 9999");
}

TEST(ValueTextTest, ReadsTextsUpToTheirEnd) {
  EXPECT_EQ(FieldValue(8, {'a', 'b', ' ', ' '}), "ab");
  EXPECT_EQ(FieldValue(8, {'a', 0, 'b'}), "a");
  EXPECT_EQ(FieldValue(8, {'a', 0x01, 'b'}), "a?b");
  EXPECT_EQ(FieldValue(8, {0xC3, 0x85, 's', 'e'}), "\xC3\x85se");
  EXPECT_EQ(FieldValue(15, {3, 'a', 'b', 'c', 'x'}), "abc");
  EXPECT_EQ(FieldValue(15, {9, 'a', 'b'}), "ab");
  EXPECT_EQ(FieldValue(16, {'z', 0, 'q'}), "z");
  EXPECT_EQ(FieldValue(25, {'n', 'o', 't', 'e'}), "note");
}

TEST(ValueTextTest, ReadsIntegersAtTheirCodesWidth) {
  EXPECT_EQ(FieldValue(2, {0xFF, 0xFF}), "-1");
  EXPECT_EQ(FieldValue(1, {0xFF, 0xFF}), "65535");
  EXPECT_EQ(FieldValue(30, {0x80}), "-128");
  EXPECT_EQ(FieldValue(20, Le(~uint64_t{0}, 8)), "18446744073709551615");
  EXPECT_EQ(FieldValue(21, Le(~uint64_t{0}, 8)), "-1");
  EXPECT_EQ(FieldValue(38, {0xFE, 0xFF}), "-2");  // variable width: 2 bytes are code 52
  EXPECT_EQ(FieldValue(6, {'Y'}), "Y");
  EXPECT_EQ(FieldValue(6, {3}), "3");
}

TEST(ValueTextTest, GivesBytesOfCodesWithoutAReading) {
  EXPECT_EQ(FieldValue(55, {0x0A, 0x1B}), "0x0a1b");
  EXPECT_EQ(FieldValue(0, {0xFF}), "0xff");
  EXPECT_EQ(FieldValue(12, {}), "0");
}

}  // namespace
