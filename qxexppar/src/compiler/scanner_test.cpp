#include "compiler/scanner.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "compiler/list_fields.h"
#include "compiler/test_scan.h"
#include "compiler/type_names.h"

namespace {

std::string HexOf(double number) { return Hex(&number, sizeof number); }
std::string HexOf(float number) { return Hex(&number, sizeof number); }
std::string HexOf(const std::string& text) { return Hex(text.data(), text.size()); }

struct Scan {
  int32_t status;
  ExpToken token;
};

Scan ScanFirst(const std::string& text) {
  Scan scan{};
  scan.token = ScanText(text, &scan.status);
  return scan;
}

// Every token of `text` up to the end or the first failure: kinds, then the
// failing status if any.
std::vector<int32_t> ScanAll(const std::string& text) {
  std::vector<char> copy(text.begin(), text.end());
  copy.push_back('\0');
  ExpScanner scanner;
  std::vector<int32_t> kinds;
  ExpToken token;
  for (char* start = copy.data();; start = nullptr) {
    int32_t status = ScanToken(&scanner, &token, start);
    if (status != 0) {
      if (status != QX_STATUS_END_OF_TEXT) kinds.push_back(status);
      return kinds;
    }
    kinds.push_back(token.kind);
  }
}

bool ValueAreaZeroFrom(const ExpToken& token, int32_t from) {
  for (std::size_t i = static_cast<std::size_t>(from < 0 ? 0 : from); i < sizeof token.value; ++i) {
    if (token.value[i] != 0) return false;
  }
  return true;
}

// ---- Field references ----------------------------------------------------

struct FieldCase {
  const char* text;
  int32_t status;
  int32_t type = 0, offset = 0, length = 0, attr1 = 0, attr2 = 0;
};

const FieldCase kFieldCases[] = {
    // Every type name with an allowed and a refused length.
    {"qx 10 4 autoinc", 0, 4, 10, 4, 0, 0},
    {"qx 10 2 autoinc", 0, 2, 10, 2, 0, 0},
    {"qx 10 8 autoinc", -6},
    {"qx 120 8 char", 0, 8, 120, 8, 0, 0},
    {"db 0 255 char 3.1", 0, 8, 386, 255, 3, 1},
    {"qx 0 256 char", -6},
    {"qx 0 255 longvarchar 5.2", 0, 23, 0, 255, 5, 2},
    {"qx 0 256 longvarchar 5.2", -6},
    {"qx 0 1 lvar 1.0", 0, 24, 0, 1, 1, 0},
    {"qx 0 0 lvar 1.0", -6},
    {"qx 0 100 note", 0, 25, 0, 100, 0, 0},
    {"qx 0 -1 note", -6},
    {"qx 0 9 lstring", 0, 15, 0, 9, 0, 0},
    {"qx 0 300 lstring", -6},
    {"qx 0 9 zstring", 0, 16, 0, 9, 0, 0},
    {"qx 0 0 zstring", -6},
    {"qx 0 1 bit 0.7", 0, 26, 0, 1, 0, 7},
    {"qx 0 2 bit 0.7", -6},
    {"qx 0 8 int", 0, 21, 0, 8, 0, 0},
    {"qx 0 1 int", 0, 30, 0, 1, 0, 0},
    {"qx 0 3 int", -6},
    {"qx 0 8 timestamp", 0, 18, 0, 8, 0, 0},
    {"qx 0 4 timestamp", -6},
    {"qx 0 8 unsigned", 0, 20, 0, 8, 0, 0},
    {"qx 0 1 unsigned", 0, 29, 0, 1, 0, 0},
    {"qx 0 16 unsigned", -6},
    {"qx 0 1 logical", 0, 6, 0, 1, 0, 0},
    {"qx 0 2 logical", 0, 2, 0, 2, 0, 0},
    {"qx 0 4 logical", -6},
    {"qx 0 4 time", 0, 11, 0, 4, 0, 0},
    {"qx 0 8 time", -6},
    {"qx 0 4 date", 0, 10, 0, 4, 0, 0},
    {"qx 0 2 date", -6},
    {"qx 0 8 currency", 0, 17, 0, 8, 0, 0},
    {"qx 0 4 currency", -6},
    {"db 10 6 decimal 10.2", 0, 13, 396, 6, 10, 2},
    {"qx 0 -5 decimal 1.1", 0, 13, 0, -5, 1, 1},  // any length
    {"qx 0 6 money 10.2", 0, 13, 0, 6, 10, 2},
    {"qx 0 0 numeric 5.0", 0, 14, 0, 0, 5, 0},
    {"qx 0 7 numericsa 7.3", 0, 27, 0, 7, 7, 3},
    {"qx 0 7 numericsts 7.3", 0, 28, 0, 7, 7, 3},
    {"qx 0 4 float", 0, 12, 0, 4, 0, 0},
    {"qx 0 2 float", -6},
    {"qx 0 4 bfloat", 0, 19, 0, 4, 0, 0},
    {"qx 0 6 bfloat", -6},
    {"qx 0 4 ldr7", 0, 7, 0, 4, 0, 0},
    {"qx 0 4 ldr0", 0, 0, 0, 4, 0, 0},
    {"qx 0 4 ldr20", 0, 20, 0, 4, 0, 0},
    {"qx 0 4 LDR5", 0, 5, 0, 4, 0, 0},
    {"qx 0 4 ldr12", -9},
    {"qx 0 4 ldr21", -9},
    {"qx 0 4 blob", -5},
    {"qx 0 4 int\tx", -5},  // tabs belong to words
    // "db" offsets shift past the header; negative ones stay.
    {"db 10 4 int", 0, 4, 396, 4, 0, 0},
    {"db -1 4 int", 0, 4, -1, 4, 0, 0},
    {"db 99999999999 4 int", 0, 4, 2147483647, 4, 0, 0},
    {"QX 10 4 INT", 0, 4, 10, 4, 0, 0},
    {"Db   10    4   Int   ", 0, 4, 396, 4, 0, 0},
    // Words missing.
    {"qx", -16},
    {"db 10 4", -16},
    {"db 0 8 char", -16},
    {"db 0 6 decimal 10", -16},
};

TEST(ScannerTest, FieldReferences) {
  for (const FieldCase& c : kFieldCases) {
    Scan scan = ScanFirst(c.text);
    ASSERT_EQ(scan.status, c.status) << c.text;
    if (c.status != 0) continue;
    const ExpToken& t = scan.token;
    EXPECT_EQ(t.kind, QX_KIND_FIELD) << c.text;
    EXPECT_EQ(t.type, c.type) << c.text;
    EXPECT_EQ(t.offset, c.offset) << c.text;
    EXPECT_EQ(t.length, c.length) << c.text;
    EXPECT_EQ(t.attr1, c.attr1) << c.text;
    EXPECT_EQ(t.attr2, c.attr2) << c.text;
    EXPECT_EQ(t.group, 0u) << c.text;
    EXPECT_TRUE(ValueAreaZeroFrom(t, 0)) << c.text;
  }
}

// ---- Literal values -------------------------------------------------------

struct LiteralCase {
  std::string text;
  int32_t status;
  int32_t type = 0, length = 0, attr1 = 0, attr2 = 0;
  std::string value = "";  // hex of the first `length` bytes; the rest must be zero
};

const std::vector<LiteralCase> kLiteralCases = {
    // Every type name with an allowed and a refused length.
    {"val 4 autoinc 17", 0, 4, 4, 0, 0, "11000000"},
    {"val 2 autoinc 258", 0, 2, 2, 0, 0, "0201"},
    {"val 8 autoinc 1", -6},
    {"val 4 autoinc -1", -7},  // must begin with a digit
    {"val 3 autoinc x", -7},   // a bad value is reported before a bad length
    {"val 5 longvarchar 2.1 \"ab\"", 0, 8, 5, 2, 1, HexOf("ab   ")},
    {"val 251 longvarchar 2.1 \"ab\"", -6},
    {"val 3 lvar 1.1 \"xyz\"", 0, 8, 3, 1, 1, HexOf("xyz")},
    {"val 0 lvar 1.1 \"x\"", -6},
    {"val 5 char \"ab\"", 0, 8, 5, 0, 0, HexOf("ab   ")},
    {"val 0 char \"ab\"", -6},
    {"val 251 char \"ab\"", -6},  // longer than a store keeps
    {"val 250 char \"x\"", 0, 8, 250, 0, 0, HexOf("x" + std::string(249, ' '))},
    {"val 4 note \"n\"", 0, 8, 4, 0, 0, HexOf("n   ")},
    {"val 255 note \"n\"", -6},
    {"val 2 lstring \"ls\"", 0, 8, 2, 0, 0, HexOf("ls")},
    {"val -2 lstring \"ls\"", -6},
    {"val 2 zstring \"zs\"", 0, 8, 2, 0, 0, HexOf("zs")},
    {"val 1000 zstring \"zs\"", -6},
    {"val 1 bit 0.0 7", 0, 26, 1, 0, 0, "ff"},
    {"val 1 bit 0.3 -9", 0, 26, 1, 0, 3, "ff"},
    {"val 2 bit 0.0 1", -6},
    {"val 8 int -2", 0, 21, 8, 0, 0, "feffffffffffffff"},
    {"val 2 int 70000", 0, 2, 2, 0, 0, "7011"},  // the low-order bytes
    {"val 1 int -1", 0, 30, 1, 0, 0, "ff"},
    {"val 3 int 5", -6},
    {"val 8 unsigned 9223372036854775807", 0, 20, 8, 0, 0, "ffffffffffffff7f"},
    {"val 2 unsigned 65535", 0, 1, 2, 0, 0, "ffff"},
    {"val 1 unsigned 200", 0, 29, 1, 0, 0, "c8"},
    {"val 5 unsigned 1", -6},
    {"val 4 time 23:59:59", 0, 11, 4, 0, 0, "003b3b17"},
    {"val 6 time 1:2:3", 0, 11, 6, 0, 0, "000302010000"},
    {"val 0 time 1:2:3", -6},
    {"val 4 time 24:00:00", -7},
    {"val 4 time -1:00:00", -7},
    {"val 4 time 12:00", -7},
    {"val 4 date 2 29 2000", 0, 10, 4, 0, 0, "1d02d007"},
    {"val 4 date 2 29 1900", -7},
    {"val 4 date 13 1 2000", -7},
    {"val 4 date 1 1 70000", -7},  // does not fit its 16 bits
    {"val 4 date 1 1", -7},
    {"val -1 date 1 1 2000", -6},
    {"val 1 logical T", 0, 6, 1, 0, 0, "54"},
    {"val 2 logical 1", 0, 2, 2, 0, 0, "0100"},
    {"val 4 logical 1", -6},
    {"val 10 decimal 10.2 3.5", 0, 12, 8, 10, 2, HexOf(3.5)},
    {"val 0 money 5.2 -0.25", 0, 12, 8, 5, 2, HexOf(-0.25)},
    {"val 3 numeric 3.0 12", 0, 12, 8, 3, 0, HexOf(12.0)},
    {"val 300 numericsa 1.1 1e2", 0, 12, 8, 1, 1, HexOf(100.0)},
    {"val -7 numericsts 1.1 x", 0, 12, 8, 1, 1, HexOf(0.0)},
    {"val 10 decimal 10.2", -7},
    {"val 8 float 3.5", 0, 12, 8, 0, 0, HexOf(3.5)},
    {"val 4 float 1.5", 0, 12, 4, 0, 0, HexOf(1.5f)},
    {"val 4 float 1e300", 0, 12, 4, 0, 0, HexOf(std::numeric_limits<float>::infinity())},
    {"val 2 float 1", -6},
    {"val 4 bfloat -1.5", 0, 19, 4, 0, 0, HexOf(-1.5f)},
    {"val 8 bfloat 2", 0, 19, 8, 0, 0, HexOf(2.0)},
    {"val 16 bfloat 1", -6},
    {"val 8 currency 12.5", 0, 12, 8, 0, 0, HexOf(12.5)},
    {"val 4 currency 12.5", -6},
    {"val 8 timestamp \"1/1/2000 0:0:0\"", 0, 22, 8, 0, 0, "803affaf0e000000"},
    {"val 8 timestamp \" 1/1/2000   00:00:01 \"", 0, 22, 8, 0, 0, "813affaf0e000000"},
    {"val 4 timestamp \"1/1/2000 0:0:0\"", -7},
    {"val 8 timestamp \"1/1/2000\"", -7},  // fewer than six numbers
    {"val 8 timestamp \"2/30/2000 0:0:0\"", -7},
    {"val 8 timestamp", -7},
    {"val 2 ldr7 300", 0, 7, 2, 0, 0, "2c01"},
    {"val 1 ldr7 300", 0, 7, 1, 0, 0, "2c"},
    {"val 4 ldr7 1", -6},  // its value has 2 bytes only
    {"val 2 ldr12 1", -9},
    {"val 2 blob 1", -5},
    // Texts: blanks inside quotes, cut, unquoted, empty, unterminated.
    {"val 11 char \"hello world\"", 0, 8, 11, 0, 0, HexOf("hello world")},
    {"val 3 char \"abcdef\"", 0, 8, 3, 0, 0, HexOf("abc")},
    {"val 4 char ab cd", 0, 8, 4, 0, 0, HexOf("ab c")},
    {"val 4 char \"\"", 0, 8, 4, 0, 0, HexOf("    ")},
    {"val 4 char \"\"\"a\"b\"", 0, 8, 4, 0, 0, HexOf("a   ")},
    {"val 4 char \"a b", 0, 8, 4, 0, 0, HexOf("a b ")},
    {"val 4 char \t \"x\"", 0, 8, 4, 0, 0, HexOf("x   ")},
    {"val 5 char", -7},
    {"val 5 char \"" + std::string(1023, 'q') + "\"", 0, 8, 5, 0, 0, HexOf("qqqqq")},
    {"val 5 char \"" + std::string(1024, 'q') + "\"", -7},  // beyond the working buffer
    // Case, missing words.
    {"VAL 4 INT 17", 0, 4, 4, 0, 0, "11000000"},
    {"Val 2 Char \"AB\"", 0, 8, 2, 0, 0, HexOf("AB")},
    {"val", -16},
    {"val 1 bit", -16},
};

TEST(ScannerTest, LiteralValues) {
  for (const LiteralCase& c : kLiteralCases) {
    Scan scan = ScanFirst(c.text);
    ASSERT_EQ(scan.status, c.status) << c.text;
    const ExpToken& t = scan.token;
    if (c.status != 0) {
      EXPECT_TRUE(t.kind == 0 && t.length == 0 && ValueAreaZeroFrom(t, 0)) << c.text;
      continue;
    }
    EXPECT_EQ(t.kind, QX_KIND_LITERAL) << c.text;
    EXPECT_EQ(t.type, c.type) << c.text;
    EXPECT_EQ(t.offset, -1) << c.text;
    EXPECT_EQ(t.length, c.length) << c.text;
    EXPECT_EQ(t.attr1, c.attr1) << c.text;
    EXPECT_EQ(t.attr2, c.attr2) << c.text;
    EXPECT_EQ(t.group, 0u) << c.text;
    EXPECT_EQ(Hex(t.value, static_cast<std::size_t>(t.length)), c.value) << c.text;
    EXPECT_TRUE(ValueAreaZeroFrom(t, t.length)) << c.text;
  }
}

// ---- Operators, "exclude", "getrecid" ---------------------------------------

struct WordCase {
  const char* text;
  int32_t status;
  int32_t kind = 0, type = 0, offset = 0, length = 0;
  const char* value = "";
};

const WordCase kWordCases[] = {
    {"and", 0, QX_KIND_AND, -1, -1, -1},
    {"Or", 0, QX_KIND_OR, -1, -1, -1},
    {"not", 0, QX_KIND_NOT, -1, -1, -1},
    {"=", 0, QX_KIND_EQ, -1, -1, -1},
    {">", 0, QX_KIND_GT, -1, -1, -1},
    {"<", 0, QX_KIND_LT, -1, -1, -1},
    {"!=", 0, QX_KIND_NE, -1, -1, -1},
    {">=", 0, QX_KIND_GE, -1, -1, -1},
    {"<=", 0, QX_KIND_LE, -1, -1, -1},
    {"+", 0, QX_KIND_PLUS, -1, -1, -1},
    {"-", 0, QX_KIND_MINUS, -1, -1, -1},
    {"(", 0, QX_KIND_OPEN, -1, -1, -1},
    {"  )  ", 0, QX_KIND_CLOSE, -1, -1, -1},
    {"(a", -5},
    {"=17", -5},
    {"anD(", -5},
    {"", -16},
    {"exclude values", 0, QX_KIND_EXCLUDE_VALUES},
    {"EXCLUDE Range", 0, QX_KIND_EXCLUDE_RANGE},
    {"exclude", -16},
    {"exclude val", -5},
    {"getrecid val 12", 0, QX_KIND_FETCH_BY_NUMBER, 3, -1, 4, "0c000000"},
    {"getrecid db 8", 0, QX_KIND_FETCH_BY_FIELD, 3, -1, 4, "08000000"},
    {"GETRECID QX -2", 0, QX_KIND_FETCH_BY_FIELD, 3, -1, 4, "feffffff"},
    {"getrecid val x", 0, QX_KIND_FETCH_BY_NUMBER, 3, -1, 4, "00000000"},
    {"getrecid", -16},
    {"getrecid foo", -16},
    {"getrecid foo 1", -5},
};

TEST(ScannerTest, OperatorsAndKeywords) {
  for (const WordCase& c : kWordCases) {
    Scan scan = ScanFirst(c.text);
    ASSERT_EQ(scan.status, c.status) << c.text;
    if (c.status != 0) continue;
    const ExpToken& t = scan.token;
    EXPECT_EQ(t.kind, c.kind) << c.text;
    EXPECT_EQ(t.type, c.type) << c.text;
    EXPECT_EQ(t.offset, c.offset) << c.text;
    EXPECT_EQ(t.length, c.length) << c.text;
    EXPECT_EQ(t.attr1 | t.attr2, 0) << c.text;
    EXPECT_EQ(Hex(t.value, std::strlen(c.value) / 2), c.value) << c.text;
    EXPECT_TRUE(ValueAreaZeroFrom(t, static_cast<int32_t>(std::strlen(c.value) / 2))) << c.text;
  }
}

// ---- "range" and "values" --------------------------------------------------

TEST(ScannerTest, ListTokensCarryTheirFieldEntries) {
  Scan scan = ScanFirst("range 2 db 0 4 int qx 10 6 decimal 6.2");
  ASSERT_EQ(scan.status, 0);
  EXPECT_EQ(scan.token.kind, QX_KIND_RANGE);
  EXPECT_EQ(scan.token.type, 9);
  EXPECT_EQ(scan.token.offset, -1);
  EXPECT_EQ(scan.token.length, 44);
  EXPECT_EQ(scan.token.attr1 | scan.token.attr2, 0);
  // Count 2, then {386, 4, 4, 0, 0} and {10, 6, 13, 6, 2}.
  EXPECT_EQ(Hex(scan.token.value, 44),
            "02000000"
            "82010000" "04000000" "04000000" "00000000" "00000000"
            "0a000000" "06000000" "0d000000" "06000000" "02000000");
  EXPECT_TRUE(ValueAreaZeroFrom(scan.token, 44));

  scan = ScanFirst("VALUES 5 qx 1 1 int qx 2 1 int qx 3 1 int qx 4 1 int qx 5 1 int");
  ASSERT_EQ(scan.status, 0);
  EXPECT_EQ(scan.token.kind, QX_KIND_VALUES);
  EXPECT_EQ(scan.token.length, 104);
  ExpListField fields[kExpMaxListFields];
  ASSERT_EQ(ExpReadListFields(&scan.token, fields), 5);
  EXPECT_EQ(fields[4].offset, 5);
  EXPECT_EQ(fields[4].type, 30);
}

const std::pair<std::string, int32_t> kListStatusCases[] = {
    {"range 6 qx 0 4 int", -15},
    {"range -1 qx 0 4 int", -15},
    {"values x qx 0 4 int", -15},  // reads as 0
    {"range 2 db 0 4 int val 4 int 5", -15},
    {"values 1 and", -15},
    {"range 1 db 0 4 blob", -5},  // a nested failure is passed on
    {"range 2 db 0 4 int", -16},
    {"range 1 range 1 db 0 4 int", -15},  // a complete nested list is no field
    {"values 1 values 9", -15},
    // Nesting without end is read without recursion.
    {[] {
       std::string text;
       for (int i = 0; i < 100000; ++i) text += "range 1 ";
       return text + "db 0 4 int";
     }(),
     -15},
};

TEST(ScannerTest, ListStatuses) {
  for (const auto& [text, status] : kListStatusCases) {
    EXPECT_EQ(ScanFirst(text).status, status) << text.substr(0, 60);
  }
}

// ---- Whole texts -----------------------------------------------------------

TEST(ScannerTest, ATextIsReadTokenByToken) {
  EXPECT_EQ(ScanAll("db 0 4 int = val 4 int 17 and qx 120 8 char != val 8 char \"ABC\""),
            (std::vector<int32_t>{51, 10, 50, 1, 51, 13, 50}));
  // The next word is read after the closing quote.
  EXPECT_EQ(ScanAll("val 11 char \"hello world\" and ( qx 0 4 int )"),
            (std::vector<int32_t>{50, 1, 40, 51, 41}));
  EXPECT_EQ(ScanAll("val 11 char \"hello world\"and"), (std::vector<int32_t>{50, 1}));
  EXPECT_EQ(ScanAll("not ( getrecid val 3 ) or exclude range"),
            (std::vector<int32_t>{30, 40, 71, 41, 2, 16}));
  EXPECT_EQ(ScanAll("val 4 int 1 blob val 4 int 2"), (std::vector<int32_t>{50, -5}));
  EXPECT_EQ(ScanAll(""), (std::vector<int32_t>{}));
}

TEST(ScannerTest, TheScanRecordsWhereReadingStopped) {
  struct StopCase {
    const char* text;
    int32_t status, offset, length;
  };
  const StopCase cases[] = {
      {"qx 10 4 blob and", -5, 8, 4},
      {"val 4 int", -7, 9, 0},
      {"val 4 int    ", -7, 13, 0},
      {"val 3 int 12", -6, 10, 2},
      {"val 5 char \"" "abc", 0, 12, 3},
      {"  (a", -5, 2, 2},
  };
  for (const StopCase& c : cases) {
    std::string text = c.text;
    ExpScanner scanner;
    ExpToken token;
    EXPECT_EQ(ScanToken(&scanner, &token, text.data()), c.status) << c.text;
    EXPECT_EQ(scanner.word_offset, c.offset) << c.text;
    EXPECT_EQ(scanner.word_length, c.length) << c.text;
  }
}

// Each scan keeps its own state: interleaved scans, and scans on other
// threads, read exactly what they read alone.
TEST(ScannerTest, ScansDoNotDisturbEachOther) {
  const std::string a = "db 0 4 int = val 4 int 17 and qx 120 8 char != val 8 char \"ABC\"";
  const std::string b = "not ( getrecid val 3 ) or val 11 char \"hello world\" = qx 0 11 char";
  const std::vector<int32_t> alone_a = ScanAll(a), alone_b = ScanAll(b);
  std::string copy_a = a, copy_b = b;
  ExpScanner scan_a, scan_b;
  std::vector<int32_t> kinds_a, kinds_b;
  ExpToken token;
  char* start_a = copy_a.data();
  char* start_b = copy_b.data();
  for (bool more_a = true, more_b = true; more_a || more_b; start_a = start_b = nullptr) {
    if (more_a && (more_a = ScanToken(&scan_a, &token, start_a) == 0)) kinds_a.push_back(token.kind);
    if (more_b && (more_b = ScanToken(&scan_b, &token, start_b) == 0)) kinds_b.push_back(token.kind);
  }
  EXPECT_EQ(kinds_a, alone_a);
  EXPECT_EQ(kinds_b, alone_b);

  std::vector<std::vector<int32_t>> results(4);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < results.size(); ++i) {
    threads.emplace_back([&, i] {
      for (int round = 0; round < 200; ++round) results[i] = ScanAll(i % 2 == 0 ? a : b);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (std::size_t i = 0; i < results.size(); ++i) EXPECT_EQ(results[i], i % 2 == 0 ? alone_a : alone_b);
}

TEST(ScannerTest, TypeNamesOfCodesForPrinting) {
  const std::pair<int32_t, const char*> cases[] = {
      {4, "int"},   {2, "int"},      {6, "logical"}, {8, "char"},       {12, "float"},
      {13, "decimal"}, {17, "currency"}, {18, "timestamp"}, {22, "timestamp"}, {26, "bit"},
  };
  for (const auto& [type, name] : cases) {
    ASSERT_NE(ExpTypeName(type), nullptr) << type;
    EXPECT_STREQ(ExpTypeName(type), name) << type;
  }
  EXPECT_EQ(ExpTypeName(5), nullptr);
  EXPECT_EQ(ExpTypeName(0), nullptr);
  EXPECT_EQ(ExpTypeName(-1), nullptr);
}

}  // namespace
