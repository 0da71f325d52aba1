// Exact decimal numbers: a decimal text is scanned, checked against a
// precision and a scale, held as a multi-precision integer with a power-of-ten
// exponent, and written back as plain decimal text without leading zeros.
//
// Nothing here allocates; a DecNumber lives on its user's stack. Overflow
// never fails an operation: it puts the number into the overflow state
// (status 1, value zero), which DecFromText reports as kDecTooLarge.
#ifndef QXEXPPAR_DECIMAL_DEC_NUMBER_H
#define QXEXPPAR_DECIMAL_DEC_NUMBER_H

#include <cstdint>

inline constexpr int kDecWords = 16;

// Statuses of DecFromText and DecToText.
inline constexpr int32_t kDecOk = 0;
inline constexpr int32_t kDecDigitsDropped = -7;  // done, but digits were left out
inline constexpr int32_t kDecTooLarge = -8;       // does not fit (precision, words or room)
inline constexpr int32_t kDecInvalid = -9;        // not a decimal number, or too long

// Longest text DecFromText reads, terminator not counted.
inline constexpr int32_t kDecMaxText = 256;

// Most characters DecToText writes before the terminator, sign not counted.
inline constexpr int32_t kDecMaxSize = 512;

// The value is (integer in words) × 10^exponent.
//
// words[0 .. count-1] hold the integer in two's complement, least significant
// word first. words[count-1] is the sign word: 0 for zero and positive values,
// 0xFFFF for negative ones, so at most 15 magnitude words remain and every
// magnitude is below 2^240 (all integers of up to 72 digits fit).
//  - count is 2 to 16; zero is count 2 with words 0, 0;
//  - a non-negative value keeps words[count-2] non-zero unless count is 2;
//  - a negative value never repeats its sign word: words[count-1] and
//    words[count-2] differ unless count is 2;
//  - words at index count and above carry no meaning.
// The overflow state is status 1, exponent 0, count 2, words 0, 0. Once in it
// a number stays there: the word primitives leave it alone.
struct DecNumber {
  uint16_t status;  // 0 valid, 1 overflow
  int16_t exponent;
  uint16_t count;
  uint16_t words[kDecWords];
};

// The parts of a scanned decimal text. Positions point into the scanned text,
// which must outlive the scan.
struct DecScan {
  const char* integer_start;   // first integer digit after leading zeros; nullptr if none
  uint16_t integer_digits;     // digits from integer_start on
  const char* fraction_start;  // first digit after the separator; nullptr if none
  uint16_t fraction_digits;    // fraction digits, trailing '0' digits not counted
  int16_t exponent;            // value after "E"/"e", negative if marked so
  bool negative;               // a '-' stood before the number
};

// Scans the terminated `text` into `scan` (cleared first). Returns 1 if the
// text is a decimal number, 0 if not.
//
// Accepted: blanks, then any run of '+' and '-' signs and blanks (one '-'
// makes the number negative), digits, at most one separator ('.' or ','),
// more digits, an exponent part ("E" or "e", signs, digits), then blanks.
// Every part may be missing: the empty text and "-" are zero. Blanks never
// stand between digits ("1 2" and "0 5" are not numbers), and the signs of
// the exponent stand before its digits. An exponent beyond ±32767 is held as
// ±32767: such a number is beyond every text DecToText can write.
int32_t DecScanText(const char* text, DecScan* scan);

// Converts the terminated `text` into `number`, keeping at most `precision`
// digits and at most `scale` digits after the point (further fraction digits
// are cut off, not rounded). Returns
//  - kDecOk;
//  - kDecDigitsDropped: done, but fraction digits beyond the scale (or all
//    fraction places, when the exponent leaves none) were dropped;
//  - kDecTooLarge: more integer digits than `precision`, integer digits plus
//    `scale` above `precision` (except for precision 74 with scale 37, which
//    is checked on its integer digits alone), or a magnitude of 2^240 or more
//    (the number is then in the overflow state);
//  - kDecInvalid: not a decimal number (see DecScanText), or longer than
//    kDecMaxText characters; `number` is not written.
// Trailing fraction zeros are not kept: "12.50" becomes 125 × 10^-1.
int32_t DecFromText(const char* text, DecNumber* number, uint16_t precision, int16_t scale);

// Writes `number` into `out` as terminated text and stores its length
// through `length`. At most limit = min(size, kDecMaxSize) bytes are written
// with the terminator, plus a leading '-' for a negative value: `out` holds
// at least limit + 1 bytes. Forms: "0", "-12.5", "1500", "0.05"; a value below
// one with no zero after the point starts with the point (".5"); a zero with
// fraction places keeps them ("0.000"). Returns
//  - kDecOk;
//  - kDecDigitsDropped: done, but digits other than '0' after the point were
//    left out for lack of room, or the text ended before the point because
//    fewer than three places were left for it;
//  - kDecTooLarge: the text does not fit; `length` is not stored and `out`
//    holds nothing usable.
int32_t DecToText(const DecNumber* number, char* out, int32_t size, int32_t* length);

// Word primitives, each on one number in place.

// Multiplies by `factor`; grows by a word, or overflows, as needed.
// Defined for non-negative numbers only.
void DecMulSmall(DecNumber* number, uint16_t factor);

// Adds `addend`; grows by a word, or overflows, as needed. Defined for
// non-negative numbers only.
void DecAddSmall(DecNumber* number, uint16_t addend);

// Divides a non-negative number by `divisor` (not 0), stores the remainder
// through `remainder` and drops zero words at the top. A divisor of 0 leaves
// the number as it is, with remainder 0.
void DecDivSmall(DecNumber* number, uint16_t divisor, uint16_t* remainder);

// Negates in place; grows by a word, or overflows, when a negative number
// with all magnitude words zero becomes positive.
void DecNegate(DecNumber* number);

// Drops repeated sign words at the top, never below count 2.
void DecTrimSign(DecNumber* number);

// Appends `count` digit characters to a non-negative number: number × 10^count
// plus the digits' value, four digits per multiplication. A digit's value is
// the low four bits of its character, values above 9 counting as 9. Stops at
// overflow.
void DecAppendDigits(DecNumber* number, const char* digits, int32_t count);

// Writes the magnitude of `number` as exactly `width` characters into
// out[0 .. width-1], right-aligned and padded with '0', without terminator;
// digits beyond the width are dropped.
void DecRenderDigits(const DecNumber* number, int32_t width, char* out);

#endif
