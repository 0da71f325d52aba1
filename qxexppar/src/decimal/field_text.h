// Decimal field values as text: packed-decimal ("decimal", "money") and
// character-coded numeric ("numeric", "numericsa", "numericsts") field
// values become plain decimal text, which the evaluator reads as a double.
#ifndef QXEXPPAR_DECIMAL_FIELD_TEXT_H
#define QXEXPPAR_DECIMAL_FIELD_TEXT_H

#include <cstdint>

// Room a caller gives NumericFieldToText: the text and its terminator never
// take more, whatever the field length or decimals.
inline constexpr int32_t kNumericTextSize = 100;

// Room a caller gives PackedDecimalToText, likewise.
inline constexpr int32_t kPackedTextSize = 112;

// Writes the canonical decimal text of a "numeric" (type 14), "numericsa"
// (27) or "numericsts" (28) field of `length` bytes with `decimals` digits
// after the point into `text` (kNumericTextSize bytes), terminated, and
// returns its length.
//
// The text is a '-' only for a non-zero negative value, the integer digits
// without leading zeros ("0" when there are none), and, when the fraction is
// not zero, a '.' and the fraction digits without trailing zeros: "12.3",
// "-0.12345", "0". The text takes at most 73 characters besides the sign:
// fraction digits beyond them are cut off, and a value whose first
// significant digit lies beyond them gives the empty text.
//
// The sign is coded in the last character: "numeric" '0'-'9' and '{' (0),
// 'A'-'I' (1-9) positive, '}' (0) and 'J'-'R' (1-9) negative; "numericsa"
// '0'-'9' positive, 'p'-'y' and 'P'-'Y' (0-9) negative; "numericsts" a
// separate sign character, '-' negative and anything else positive.
//
// The empty text (length 0) stands for "no value": a first byte 0; a value
// that is not a valid number (stray characters, blanks between digits, a zero
// byte, a last character outside the coding above, '}' in a "numericsa"
// field included); more decimals than the sign and digits have characters,
// or negative decimals; more than 97 sign and digit characters; digits that,
// read as a whole number without the point, reach 2^240 (some 73-digit
// numbers and all longer ones); another type code.
int32_t NumericFieldToText(char* text, const unsigned char* field, int32_t length,
                           int32_t decimals, int32_t type);

// Writes the decimal text of a packed-decimal ("decimal", "money") field of
// `length` bytes with `decimals` digits after the point into `text`
// (kPackedTextSize bytes), terminated, and returns its length (terminator not
// counted).
//
// The field holds 2 × length − 1 digits, four bits each, most significant
// first; the low half of the last byte is the sign, 0xD negative. The text
// keeps every digit after the point: "1.20", "-0.0012", and "-0" for a
// negative zero. Digits are not checked: a half-byte above 9 comes out as the
// character that many places after '0'.
//
// The empty text stands for a field whose text could need more than
// kPackedTextSize bytes for some value of its size and decimals (more than
// 55 bytes, for instance), and for a length below 1 or negative decimals.
int32_t PackedDecimalToText(char* text, const unsigned char* field, int32_t length,
                            int32_t decimals);

#endif
