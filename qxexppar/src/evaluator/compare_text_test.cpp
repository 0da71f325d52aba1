#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "evaluator/compare.h"
#include "evaluator/test_values.h"
#include "qxexpc.h"

namespace {

// A length-prefixed text: the length byte, then the characters.
ExpValue Prefixed(const std::string& text, unsigned length_byte) {
  return Text(15, std::string(1, static_cast<char>(length_byte)) + text);
}

TEST(CompareStrings, BothSidesLoseTrailingBlanks) {
  CheckAll({
      {"char field ABC + blanks = char constant ABC", Text(8, "ABC     "), Text(8, "ABC"), kEq, 1},
      {"constant with blanks too", Text(8, "ABC"), Text(8, "ABC  "), kEq, 1},
      {"inner blanks stay", Text(8, "A BC"), Text(8, "ABC"), kEq, 0},
      {"!= on texts fails", Text(8, "ABC"), Text(8, "ABD"), kNe, -1},
      {"ordering", Text(8, "ABC"), Text(8, "ABD"), kLt, 1},
      {"prefix is smaller", Text(8, "AB"), Text(8, "ABC"), kLt, 1},
      {"bytes compare unsigned", Text(8, "\xE9"), Text(8, "z"), kGt, 1},
      {"<=", Text(7, "a"), Text(8, "b"), kLe, 1},
      {"and on texts", Text(8, "a"), Text(8, "a"), kAnd, -1},
      {"a number on the left", Number<int32_t>(4, 65), Text(8, "A"), kEq, -3},
  });
}

TEST(CompareStrings, LeftOperandsOfOtherTextKinds) {
  CheckAll({
      {"lstring left: its length byte bounds it", Prefixed("ABCxyz", 3), Text(8, "ABC"), kEq, 1},
      {"lstring left: the right side keeps its blanks", Prefixed("ABC", 3), Text(8, "ABC "), kEq, 0},
      {"lstring left: right not trimmed", Prefixed("ABC", 3), Text(7, "ABC "), kLt, 1},
      {"zstring left: right trimmed, left not", Text(16, "AB "), Text(8, "AB "), kGt, 1},
      {"zstring left without blanks", Text(16, "AB"), Text(8, "AB  "), kEq, 1},
      {"note left contains the constant", Text(25, "the quick fox"), Text(8, "quick  "), kEq, 1},
      {"lvar left does not contain it", Text(24, "the quick fox"), Text(8, "slow"), kEq, 0},
      {"longvarchar orders whole texts", Text(23, "the quick fox"), Text(8, "quick"), kGt, 1},
      {"empty constant is contained", Text(23, "abc"), Text(8, "   "), kEq, 1},
  });
}

TEST(CompareStrings, RightOperandsOfOtherTextKinds) {
  CheckAll({
      {"lstring right, char left trimmed", Text(8, "AB  "), Prefixed("AB", 2), kEq, 1},
      {"lstring right, lstring left", Prefixed("ABz", 2), Prefixed("ABy", 2), kEq, 1},
      {"lstring right, other left up to NUL", Text(4, "AB"), Prefixed("AB", 2), kGe, 1},
      {"lstring right: != fails", Text(8, "AB"), Prefixed("AB", 2), kNe, -1},
      {"zstring right: char left trimmed", Text(8, "xy "), Text(16, "xy"), kEq, 1},
      {"zstring right is not trimmed", Text(8, "xy"), Text(16, "xy "), kLt, 1},
      {"text right: char field contains it", Text(8, "hello world "), Text(25, "lo w"), kEq, 1},
      {"text right: != fails", Text(8, "a"), Text(24, "a"), kNe, -1},
      {"text right: ordering", Text(8, "b"), Text(23, "a"), kGt, 1},
  });
}

TEST(CompareStrings, FullValueAreasWithoutNulOrBlankStayInside) {
  // 256 non-blank bytes: trimming finds nothing, the text ends at the area.
  std::string full(256, 'x');
  ExpValue a = Text(8, full, 256), b = Text(8, full, 256);
  EXPECT_EQ(Outcome(a, b, kEq), 1);
  ExpValue shorter = Text(8, std::string(255, 'x'));
  EXPECT_EQ(Outcome(Text(8, full, 256), shorter, kGt), 1);
  // A length byte of 255 on a full area: the text is the 255 bytes after it.
  ExpValue prefixed = Text(15, std::string(1, '\xFF') + std::string(255, 'x'), 256);
  EXPECT_EQ(Outcome(prefixed, Text(8, std::string(255, 'x')), kEq), 1);
  EXPECT_EQ(Outcome(Text(16, full, 256), Text(16, full, 256), kEq), 1);
  EXPECT_EQ(Outcome(Text(25, full, 256), Text(8, "xxx"), kEq), 1);
  // Lengths beyond the area are held to it.
  EXPECT_EQ(Outcome(Text(8, full, 300), Text(8, full, 999), kEq), 1);
}

TEST(TrimTrailingBlanks, ReplacesOnlyTheTrailingRun) {
  unsigned char text[8] = {'a', ' ', 'b', ' ', ' ', ' ', 0, 0};
  TrimTrailingBlanks(text, 6);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(text), 6), std::string("a b\0\0\0", 6));
  unsigned char ends_in_nul[4] = {'a', ' ', 0, 'z'};
  TrimTrailingBlanks(ends_in_nul, 3);  // last byte is NUL: left unchanged
  EXPECT_EQ(ends_in_nul[1], ' ');
  unsigned char blanks[3] = {' ', ' ', ' '};
  TrimTrailingBlanks(blanks, 3);
  EXPECT_EQ(blanks[0], 0);
  TrimTrailingBlanks(nullptr, 3);
  TrimTrailingBlanks(blanks, 0);
}

}  // namespace
