#include "cell_encoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/test_scan.h"

namespace {

struct Encoding {
  const char* field;
  const char* cell;
  const char* bytes;  // hex, or the start of the error
};

// Encodes `cell` for `field`: the bytes in hex, or "error: " and the reason.
std::string Encode(const Encoding& e) {
  const ExpToken field = ScanValid(e.field);
  CellPlan plan;
  std::string why;
  if (!PlanCells(field, &plan, &why)) return "plan: " + why;
  std::vector<unsigned char> out(static_cast<size_t>(field.length), 0xEE);
  if (!EncodeCell(plan, e.cell, out.data(), &why)) return "error: " + why;
  return Hex(out.data(), static_cast<size_t>(field.length));
}

class CellTest : public ::testing::TestWithParam<Encoding> {};

TEST_P(CellTest, Encodes) {
  const std::string got = Encode(GetParam());
  EXPECT_EQ(got.rfind(GetParam().bytes, 0), 0u) << GetParam().field << " <- " << GetParam().cell << ": " << got;
}

INSTANTIATE_TEST_SUITE_P(
    StoredForms, CellTest,
    ::testing::Values(
        Encoding{"db 0 4 int", "17", "11000000"}, Encoding{"db 0 4 int", "-1", "ffffffff"},
        Encoding{"db 0 2 unsigned", "65535", "ffff"}, Encoding{"db 0 1 int", " -128 ", "80"},
        Encoding{"db 0 8 unsigned", "9223372036854775807", "ffffffffffffff7f"},
        Encoding{"db 0 4 autoinc", "+5", "05000000"}, Encoding{"db 0 5 char 0.0", "ab", "6162202020"},
        Encoding{"db 0 5 char 0.0", "", "2020202020"}, Encoding{"db 0 5 zstring", "ab", "6162000000"},
        Encoding{"db 0 5 lstring", "abc", "0361626300"}, Encoding{"db 0 6 note", "hi ", "686920000000"},
        Encoding{"db 0 6 lvar 1.2", "a b", "612062000000"}, Encoding{"db 0 4 date", "2 29  2000", "1d02d007"},
        Encoding{"db 0 4 time", "23:59:59", "003b3b17"}, Encoding{"db 0 3 decimal 5.2", "12.5", "01250c"},
        Encoding{"db 0 3 money 5.2", "-0.01", "00001d"}, Encoding{"db 0 3 decimal 5.0", "-0", "00000c"},
        Encoding{"db 0 4 numeric 4.1", "-12.5", "3031324e"}, Encoding{"db 0 4 numeric 4.1", "12.5", "30313235"},
        Encoding{"db 0 4 numeric 4.1", "-10", "3031307d"}, Encoding{"db 0 3 numericsa 3.0", "-7", "303077"},
        Encoding{"db 0 4 numericsts 3.0", "-7", "3030372d"}, Encoding{"db 0 8 currency", "1.5", "983a000000000000"},
        Encoding{"db 0 8 currency", "-0.0001", "ffffffffffffffff"},
        Encoding{"db 0 8 timestamp", "1/1/1 0:0:1", "8096980000000000"}, Encoding{"db 0 4 bfloat", "1", "00000081"},
        Encoding{"db 0 8 bfloat", "-2", "0000000000008082"}, Encoding{"db 0 4 bfloat", "0", "00000000"},
        Encoding{"db 0 4 float", "1.5", "0000c03f"}, Encoding{"db 0 8 float", "-2e0", "00000000000000c0"},
        Encoding{"db 0 4 float", "-0.0e-50", "00000080"},
        Encoding{"db 0 1 logical", "Y", "59"}, Encoding{"db 0 2 logical", "-2", "feff"},
        Encoding{"db 0 1 bit 0.4", "1", "ff"}, Encoding{"db 0 1 bit 0.4", "0", "00"},
        Encoding{"qx 20 2 ldr5", "200", "c800"}, Encoding{"qx 20 2 ldr7", "hi", "6869"}));

INSTANTIATE_TEST_SUITE_P(
    Refusals, CellTest,
    ::testing::Values(
        Encoding{"db 0 2 int", "32768", "error: 32768 does not fit the field (-32768 to 32767)"},
        Encoding{"db 0 8 unsigned", "9223372036854775808", "error: 9223372036854775808 does not fit"},
        Encoding{"db 0 1 unsigned", "-1", "error: -1 does not fit the field (0 to 255)"},
        Encoding{"qx 20 2 ldr5", "256", "error: 256 does not fit the field (0 to 255)"},
        Encoding{"db 0 4 int", "1e3", "error: \"1e3\" is not a whole number"},
        Encoding{"db 0 4 int", "", "error: the cell is empty"}, Encoding{"db 0 4 int", "1 2", "error: \"1 2\" is not"},
        Encoding{"db 0 4 float", "abc", "error: \"abc\" is not a number"},
        Encoding{"db 0 4 float", "1e39", "error: 1e39 is beyond what the field holds"},
        Encoding{"db 0 4 bfloat", "3e38", "error: 3e38 is beyond what a bfloat field holds"},
        Encoding{"db 0 8 float", "-0.1e-400", "error: -0.1e-400 is too close to 0 for the field, which would hold 0"},
        Encoding{"db 0 4 bfloat", "1e-46", "error: 1e-46 is too close to 0"},
        Encoding{"db 0 3 decimal 5.2", "1234", "error: 1234 does not fit the field's 5 digits with 2 decimals"},
        Encoding{"db 0 3 decimal 5.2", "1.234", "error: 1.234 has more than the field's 2 decimals"},
        Encoding{"db 0 3 decimal 5.2", "1e2", "error: \"1e2\" is not a number written with digits and a point"},
        Encoding{"db 0 8 currency", "922337203685477.5808", "error: 922337203685477.5808 is beyond"},
        Encoding{"db 0 4 date", "2 30 2000", "error: \"2 30 2000\" is no value of the field: QX_STATUS_BAD_VALUE"},
        Encoding{"db 0 4 date", "2000-02-28", "error: \"2000-02-28\" is not a date: write month day year"},
        Encoding{"db 0 4 time", "24:00:00", "error: \"24:00:00\" is no value of the field"},
        Encoding{"db 0 4 time", "1:2", "error: \"1:2\" is not a time"},
        Encoding{"db 0 8 timestamp", "2/29/2001 0:0:0", "error: \"2/29/2001 0:0:0\" is no value"},
        Encoding{"db 0 8 timestamp", "2/28/2001", "error: \"2/28/2001\" is not a timestamp"},
        Encoding{"db 0 1 logical", "YES", "error: \"YES\" is not one character"},
        Encoding{"db 0 1 bit 0.1", "2", "error: \"2\" is not a bit"},
        Encoding{"db 0 5 char 0.0", " ab", "error: a text value cannot begin with white space"},
        Encoding{"db 0 5 char 0.0", "a\"b", "error: a text value cannot hold a double quote"},
        Encoding{"db 0 3 zstring", "abc", "error: the text is 3 bytes long; the field holds 2"},
        Encoding{"qx 20 4 ldr9", "1", "plan: no literal of the language gives a value of type code 9 and 4 bytes"},
        Encoding{"qx 20 4 ldr5", "1", "plan: no literal of the language gives a value of type code 5 and 4 bytes"},
        Encoding{"db 0 3 decimal 5.6", "1", "plan: a field of 5 digits cannot have 6 decimals"}));

TEST(CellPlanTest, TextsLongerThanALiteralAreHeldToIt) {
  const ExpToken field = ScanValid("db 0 255 char 0.0");
  CellPlan plan;
  std::string why;
  ASSERT_TRUE(PlanCells(field, &plan, &why)) << why;
  std::vector<unsigned char> out(255);
  ASSERT_TRUE(EncodeCell(plan, std::string(250, 'x'), out.data(), &why)) << why;
  EXPECT_EQ(out[249], 'x');
  EXPECT_EQ(out[254], ' ');
  EXPECT_FALSE(EncodeCell(plan, std::string(251, 'x'), out.data(), &why));
}

}  // namespace
