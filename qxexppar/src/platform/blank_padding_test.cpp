#include "platform/blank_padding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct PadCase {
  std::string field;  // bytes before padding ('\0' written as such)
  int32_t length;     // length given to PadWithBlanks
  std::string padded;
};

const PadCase kPadCases[] = {
    {std::string("ab\0\0\0", 5), 5, "ab   "},
    {std::string("\0\0\0", 3), 3, "   "},
    {"abc", 3, "abc"},
    // Zero bytes inside the text stay: only the trailing run is padded.
    {std::string("a\0b\0", 4), 4, std::string("a\0b ", 4)},
    // Only the first `length` bytes are touched.
    {std::string("a\0\0\0", 4), 2, std::string("a \0\0", 4)},
    {std::string("\0\0", 2), 0, std::string("\0\0", 2)},
    {std::string("\0\0", 2), -3, std::string("\0\0", 2)},
};

TEST(BlankPaddingTest, TrailingZeroBytesBecomeBlanks) {
  for (const PadCase& c : kPadCases) {
    std::string field = c.field;
    PadWithBlanks(field.data(), c.length);
    EXPECT_EQ(field, c.padded) << "length " << c.length;
  }
}

// CutTrailingBlanks ends the text after its last non-blank byte; a text
// that fills its field keeps no terminator.
TEST(BlankPaddingTest, TrailingBlanksEndTheText) {
  for (const PadCase& c : {PadCase{"ab   ", 5, std::string("ab\0  ", 5)}, PadCase{"  ", 2, std::string("\0 ", 2)},
                           PadCase{"a b", 3, "a b"}, PadCase{"ab  ", 3, std::string("ab\0 ", 4)}, PadCase{" ", 0, " "}}) {
    std::string field = c.field;
    CutTrailingBlanks(field.data(), c.length);
    EXPECT_EQ(field, c.padded) << c.length;
  }
}

TEST(BlankPaddingTest, AMissingFieldIsIgnored) {
  PadWithBlanks(nullptr, 10);
  CutTrailingBlanks(nullptr, 10);
}

}  // namespace
