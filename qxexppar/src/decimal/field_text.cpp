// Decimal field values as text. Character-coded numbers go through the exact
// decimal arithmetic to get their canonical form; packed decimals are
// expanded digit by digit.

#include "decimal/field_text.h"

#include <cstring>

#include "decimal/dec_number.h"

namespace {

constexpr int32_t kTypeNumeric = 14;
constexpr int32_t kTypeNumericSa = 27;
constexpr int32_t kTypeNumericSts = 28;

// Longest plain text (sign, digits) NumericFieldToText takes: with the point,
// a "0" after a point at the end, and the terminator it fills the buffer.
constexpr int32_t kPlainMax = kNumericTextSize - 3;

// Room DecToText gets for the canonical text; with its sign and the "0" put
// before a leading point it stays well inside the buffer.
constexpr int32_t kCanonicalSize = 74;
static_assert(kCanonicalSize + 2 < kNumericTextSize);

struct LastCharacter {
  bool valid;
  bool negative;
  char units;  // the units digit; '\0' for "numericsts", which has none
};

// The last character of a "numeric" field: the units digit with the sign
// folded in. A character outside the coding makes the field not a number.
LastCharacter DecodeNumeric(unsigned char c) {
  if (c >= '0' && c <= '9') return {true, false, static_cast<char>(c)};
  if (c == '{') return {true, false, '0'};
  if (c >= 'A' && c <= 'I') return {true, false, static_cast<char>('1' + (c - 'A'))};
  if (c == '}') return {true, true, '0'};
  if (c >= 'J' && c <= 'R') return {true, true, static_cast<char>('1' + (c - 'J'))};
  return {false, false, '\0'};
}

// The last character of a "numericsa" field. '}' is known to be negative but
// carries no units digit; it is taken as not a number rather than guessed to
// be a negative zero, as is every character outside the coding.
LastCharacter DecodeNumericSa(unsigned char c) {
  if (c >= '0' && c <= '9') return {true, false, static_cast<char>(c)};
  if (c >= 'p' && c <= 'y') return {true, true, static_cast<char>('0' + (c - 'p'))};
  if (c >= 'P' && c <= 'Y') return {true, true, static_cast<char>('0' + (c - 'P'))};
  return {false, false, '\0'};
}

LastCharacter DecodeLast(int32_t type, unsigned char c) {
  switch (type) {
    case kTypeNumeric:
      return DecodeNumeric(c);
    case kTypeNumericSa:
      return DecodeNumericSa(c);
    case kTypeNumericSts:
      return {true, c == '-', '\0'};
    default:
      return {false, false, '\0'};
  }
}

int32_t Empty(char* text) {
  text[0] = '\0';
  return 0;
}

}  // namespace

int32_t NumericFieldToText(char* text, const unsigned char* field, int32_t length,
                           int32_t decimals, int32_t type) {
  if (length <= 0 || field == nullptr || field[0] == 0 || decimals < 0) return Empty(text);
  const LastCharacter last = DecodeLast(type, field[length - 1]);
  if (!last.valid) return Empty(text);
  const int32_t digits = length - 1;
  // A zero byte among the digits would end the text early and let the rest
  // of the field go unread.
  if (std::memchr(field, 0, static_cast<size_t>(digits)) != nullptr) return Empty(text);
  const int32_t plain = (last.negative ? 1 : 0) + digits + (last.units != '\0' ? 1 : 0);
  // More decimals than characters never passes the precision test.
  if (plain > kPlainMax || decimals > plain) return Empty(text);

  // The plain text: sign, digits, units digit.
  char* p = text;
  if (last.negative) *p++ = '-';
  std::memcpy(p, field, static_cast<size_t>(digits));
  p += digits;
  if (last.units != '\0') *p++ = last.units;

  // The point goes before the last `decimals` characters, the sign counting
  // as one: "-12345" with 5 decimals reads "-.12345", and with 6 the point
  // stands before the sign, which is not a number. Without decimals, ".0"
  // ends the text.
  const int32_t point = plain - decimals;
  std::memmove(text + point + 1, text + point, static_cast<size_t>(decimals));
  text[point] = '.';
  p = text + plain + 1;
  if (decimals == 0) *p++ = '0';
  *p = '\0';

  DecNumber number;
  int32_t status = DecFromText(text, &number, static_cast<uint16_t>(plain), static_cast<int16_t>(decimals));
  if (status != kDecOk && status != kDecDigitsDropped) return Empty(text);

  int32_t written = 0;
  // Leave one place in front for the "0" of a value below one.
  char* canonical = text + 1;
  if (DecToText(&number, canonical, kCanonicalSize, &written) == kDecTooLarge) return Empty(text);
  // A value below one gets its "0" before the point: ".5" becomes "0.5",
  // "-.5" becomes "-0.5".
  if (canonical[0] == '.') {
    text[0] = '0';
    return written + 1;
  }
  if (canonical[0] == '-' && canonical[1] == '.') {
    text[0] = '-';
    canonical[0] = '0';
    return written + 1;
  }
  std::memmove(text, canonical, static_cast<size_t>(written) + 1);
  return written;
}

int32_t PackedDecimalToText(char* text, const unsigned char* field, int32_t length,
                            int32_t decimals) {
  if (length <= 0 || field == nullptr || decimals < 0) return Empty(text);
  // 64 bits: a huge length or decimals must not wrap below the test.
  const int64_t total = 2 * int64_t{length} - 1;
  const int64_t d = decimals;
  // The longest text a field of this size and decimals can give, sign
  // included, whatever its digits: the test does not depend on the value.
  const int64_t longest = 1 + (d < total ? (total - d) + (d > 0 ? 1 + d : 0) : 2 + d);
  if (longest + 1 > kPackedTextSize) return Empty(text);

  auto digit = [field](int64_t i) {
    unsigned char byte = field[i / 2];
    return static_cast<char>('0' + (i % 2 == 0 ? byte >> 4 : byte & 0x0F));
  };
  char* p = text;
  if ((field[length - 1] & 0x0F) == 0x0D) *p++ = '-';
  int64_t i = 0;
  if (d < total) {
    const int64_t whole = total - d;
    while (i < whole - 1 && digit(i) == '0') ++i;  // the units digit is always written
    while (i < whole) *p++ = digit(i++);
    if (d > 0) *p++ = '.';
  } else {
    *p++ = '0';
    *p++ = '.';
    for (int64_t z = total; z < d; ++z) *p++ = '0';
  }
  while (i < total) *p++ = digit(i++);
  *p = '\0';
  return static_cast<int32_t>(p - text);
}
