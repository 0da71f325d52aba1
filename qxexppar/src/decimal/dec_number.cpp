// Exact decimal numbers: scanning, conversion from and to text, and the word
// primitives both rest on.

#include "decimal/dec_number.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

namespace {

constexpr uint16_t kSignNegative = 0xFFFF;
constexpr int32_t kExponentCap = 32767;
constexpr uint16_t kPow10[] = {1, 10, 100, 1000, 10000};

// Room DecToText renders the magnitude into: 2^240 has 73 digits.
constexpr int32_t kRenderWidth = 128;

uint16_t& SignWord(DecNumber* number) { return number->words[number->count - 1]; }

void SetOverflow(DecNumber* number) {
  number->status = 1;
  number->exponent = 0;
  number->count = 2;
  number->words[0] = 0;
  number->words[1] = 0;
}

// The old sign word became a magnitude word: put `sign` above it.
void Grow(DecNumber* number, uint16_t sign) {
  if (number->count < kDecWords) {
    number->words[number->count++] = sign;
  } else {
    SetOverflow(number);
  }
}

uint16_t DigitValue(char c) {
  uint16_t value = static_cast<unsigned char>(c) & 0x0F;
  return value > 9 ? 9 : value;
}

uint16_t DigitsValue(const char* digits, int32_t count) {
  uint16_t value = 0;
  for (int32_t i = 0; i < count; ++i) value = static_cast<uint16_t>(value * 10 + DigitValue(digits[i]));
  return value;
}

// Writes the `count` low decimal digits of `value` into out[0 .. count-1].
void WriteDigits(uint32_t value, int32_t count, char* out) {
  while (count > 0 && value != 0) {
    out[--count] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  std::memset(out, '0', static_cast<size_t>(count));
}

// Takes the run of digits that starts at *p: leaves *p on its last digit and
// returns its length, counted up to 0x10000 (more than a DecScan holds).
int32_t TakeDigitRun(const char** p) {
  const char* start = *p;
  const char* end = start;
  while (*end >= '0' && *end <= '9') ++end;
  *p = end - 1;
  return static_cast<int32_t>(std::min(end - start, std::ptrdiff_t{0x10000}));
}

enum class ScanState { kStart, kLeadingZeros, kInteger, kFraction, kExponent, kTrailing };

}  // namespace

void DecTrimSign(DecNumber* number) {
  while (number->count > 2 && number->words[number->count - 1] == number->words[number->count - 2]) {
    --number->count;
  }
}

void DecMulSmall(DecNumber* number, uint16_t factor) {
  if (number->status != 0) return;
  if (factor == 0) {
    number->count = 2;
    number->words[0] = 0;
    number->words[1] = 0;
    return;
  }
  const uint16_t old_sign = SignWord(number);
  uint32_t carry = 0;
  for (int i = 0; i < number->count; ++i) {
    uint32_t product = uint32_t{number->words[i]} * factor + carry;
    number->words[i] = static_cast<uint16_t>(product);
    carry = product >> 16;
  }
  if (SignWord(number) != old_sign) Grow(number, old_sign);
}

void DecAddSmall(DecNumber* number, uint16_t addend) {
  if (number->status != 0 || addend == 0) return;
  const int top = number->count - 1;
  uint32_t sum = uint32_t{number->words[0]} + addend;
  number->words[0] = static_cast<uint16_t>(sum);
  int stop = 0;  // the word the carry stopped in; top + 1 when it left the sign word
  if (sum > 0xFFFF) {
    for (stop = 1; stop <= top; ++stop) {
      if (++number->words[stop] != 0) break;
    }
  }
  if (stop == top) {
    // A non-negative value carried into its sign word.
    Grow(number, 0);
  } else if (stop == top - 1 && number->words[stop] == kSignNegative) {
    DecTrimSign(number);
  }
}

namespace {

// Divides the magnitude words by `divisor` and returns the remainder. Called
// with a std::integral_constant for the divisor of rendering, so that the
// compiler can turn its divisions into multiplications.
template <typename Divisor>
uint16_t DivideWords(DecNumber* number, Divisor divisor) {
  uint32_t rest = 0;
  for (int i = number->count - 2; i >= 0; --i) {
    uint32_t current = (rest << 16) | number->words[i];
    number->words[i] = static_cast<uint16_t>(current / divisor);
    rest = current % divisor;
  }
  // The sign word is 0: a zero top word simply becomes the new sign word.
  while (number->count > 2 && number->words[number->count - 2] == 0) --number->count;
  return static_cast<uint16_t>(rest);
}

}  // namespace

void DecDivSmall(DecNumber* number, uint16_t divisor, uint16_t* remainder) {
  if (divisor == 0) {
    *remainder = 0;
  } else if (divisor == 10000) {
    *remainder = DivideWords(number, std::integral_constant<uint32_t, 10000>{});
  } else {
    *remainder = DivideWords(number, uint32_t{divisor});
  }
}

void DecNegate(DecNumber* number) {
  const int top = number->count - 1;
  int low = 0;
  while (low <= top && number->words[low] == 0) ++low;
  if (low > top) return;  // zero
  if (low == top) {
    // A negative value whose magnitude words are all zero, -65536^(count-1):
    // its magnitude needs one more word.
    number->words[top] = 1;
    Grow(number, 0);
    return;
  }
  const uint16_t old_sign = number->words[top];
  number->words[low] = static_cast<uint16_t>(0x10000 - number->words[low]);
  for (int i = low + 1; i <= top; ++i) number->words[i] = static_cast<uint16_t>(~number->words[i]);
  if (low == top - 1 && number->words[low] == kSignNegative && old_sign == 0) {
    // The top magnitude word is now a copy of the sign word.
    number->words[top] = kSignNegative;
    DecTrimSign(number);
  }
}

void DecAppendDigits(DecNumber* number, const char* digits, int32_t count) {
  int32_t i = 0;
  for (; i + 4 <= count && number->status == 0; i += 4) {
    DecMulSmall(number, 10000);
    DecAddSmall(number, DigitsValue(digits + i, 4));
  }
  const int32_t rest = count - i;
  if (rest > 0 && number->status == 0) {
    DecMulSmall(number, kPow10[rest]);
    DecAddSmall(number, DigitsValue(digits + i, rest));
  }
}

void DecRenderDigits(const DecNumber* number, int32_t width, char* out) {
  if (width <= 0) return;
  DecNumber copy = *number;
  if (SignWord(&copy) != 0) DecNegate(&copy);
  int32_t free = width;  // out[0 .. free-1] is still to be written
  uint16_t rest = 0;
  while (free >= 4 && copy.count > 3) {
    DecDivSmall(&copy, 10000, &rest);
    free -= 4;
    WriteDigits(rest, 4, out + free);
  }
  if (copy.count <= 3) {
    // What is left fits in 32 bits.
    uint32_t value = copy.words[0];
    if (copy.count == 3) value |= uint32_t{copy.words[1]} << 16;
    WriteDigits(value, free, out);  // pads with '0' once the value is used up
  } else if (free > 0) {
    DecDivSmall(&copy, kPow10[free], &rest);
    WriteDigits(rest, free, out);
  }
}

int32_t DecScanText(const char* text, DecScan* scan) {
  *scan = DecScan{};
  ScanState state = ScanState::kStart;
  int32_t integer_digits = 0;
  int32_t fraction_digits = 0;
  int32_t fraction_significant = 0;  // fraction digits up to the last non-zero one
  int32_t exponent = 0;
  bool exponent_digits = false;
  bool exponent_negative = false;
  for (const char* p = text; *p != '\0'; ++p) {
    const char c = *p;
    const bool digit = c >= '0' && c <= '9';
    switch (state) {
      case ScanState::kStart:
      case ScanState::kLeadingZeros:
        if (c == ' ') {
          // Blanks after a leading zero end the number, as after any digit.
          if (state == ScanState::kLeadingZeros) state = ScanState::kTrailing;
        } else if ((c == '+' || c == '-') && state == ScanState::kStart) {
          if (c == '-') scan->negative = true;
        } else if (c == '.' || c == ',') {
          state = ScanState::kFraction;
        } else if (c == '0') {
          state = ScanState::kLeadingZeros;
        } else if (digit) {
          state = ScanState::kInteger;
          scan->integer_start = p;
          integer_digits = TakeDigitRun(&p);
        } else if (c == 'E' || c == 'e') {
          state = ScanState::kExponent;
        } else {
          return 0;
        }
        break;
      case ScanState::kInteger:
      case ScanState::kFraction:
        if (c == ' ') {
          state = ScanState::kTrailing;
        } else if ((c == '.' || c == ',') && state == ScanState::kInteger) {
          state = ScanState::kFraction;
        } else if (digit && state == ScanState::kFraction) {
          // Only the first digit after the separator comes here: each run of
          // digits is taken whole.
          scan->fraction_start = p;
          fraction_digits = TakeDigitRun(&p);
          fraction_significant = fraction_digits;
          while (fraction_significant > 0 && scan->fraction_start[fraction_significant - 1] == '0') {
            --fraction_significant;
          }
        } else if (c == 'E' || c == 'e') {
          state = ScanState::kExponent;
        } else {
          return 0;
        }
        break;
      case ScanState::kExponent:
        if (c == ' ') {
          state = ScanState::kTrailing;
        } else if ((c == '+' || c == '-') && !exponent_digits) {
          // Signs stand before the digits: "1E5-3" is not 1E-53.
          if (c == '-') exponent_negative = true;
        } else if (digit) {
          exponent_digits = true;
          exponent = std::min(exponent * 10 + (c - '0'), kExponentCap);
        } else {
          return 0;
        }
        break;
      case ScanState::kTrailing:
        if (c != ' ') return 0;
        break;
    }
  }
  if (integer_digits > 0xFFFF || fraction_digits > 0xFFFF) return 0;
  scan->integer_digits = static_cast<uint16_t>(integer_digits);
  scan->fraction_digits = static_cast<uint16_t>(fraction_significant);
  scan->exponent = static_cast<int16_t>(exponent_negative ? -exponent : exponent);
  return 1;
}

int32_t DecFromText(const char* text, DecNumber* number, uint16_t precision, int16_t scale) {
  int32_t text_length = 0;
  while (text[text_length] != '\0') {
    if (++text_length > kDecMaxText) return kDecInvalid;
  }
  DecScan scan;
  if (DecScanText(text, &scan) == 0) return kDecInvalid;

  if (scan.integer_digits > precision) return kDecTooLarge;
  // Columns of 74 digits with 37 decimals are checked on their integer
  // digits alone.
  const bool widest_column = precision == 74 && scale == 37;
  if (!widest_column && scan.integer_digits + scale > precision) return kDecTooLarge;

  // Fraction digits beyond the scale are cut off; a negative exponent uses up
  // fraction places too.
  const int32_t limit = scale + scan.exponent;
  int32_t kept = scan.fraction_digits;
  bool dropped = false;
  if (kept > limit) {
    kept = std::max(limit, 0);
    dropped = true;
  }

  // At most kDecMaxText digits: the integer digits and fraction digits
  // together never outnumber the characters of the text.
  char digits[kDecMaxText];
  int32_t count = 0;
  if (scan.integer_digits > 0) {
    std::memcpy(digits, scan.integer_start, scan.integer_digits);
    count = scan.integer_digits;
  }
  if (kept > 0) {
    std::memcpy(digits + count, scan.fraction_start, static_cast<size_t>(kept));
    count += kept;
  }
  int32_t first = 0;
  while (first < count && digits[first] == '0') ++first;

  // The scanned exponent is within ±32767, and the kept fraction digits take
  // it at most down to -scale (when they fit the limit) or not at all (when
  // the limit is negative): the result stays within 16 bits.
  number->status = 0;
  number->exponent = static_cast<int16_t>(scan.exponent - kept);
  number->count = 2;
  number->words[0] = 0;
  number->words[1] = 0;
  if (first < count) {
    // The first nine digits in one 32-bit step.
    const int32_t head = std::min(count - first, int32_t{9});
    uint32_t value = 0;
    for (int32_t i = 0; i < head; ++i) value = value * 10 + DigitValue(digits[first + i]);
    number->words[0] = static_cast<uint16_t>(value);
    if (value > 0xFFFF) {
      number->words[1] = static_cast<uint16_t>(value >> 16);
      number->words[2] = 0;
      number->count = 3;
    }
    DecAppendDigits(number, digits + first + head, count - first - head);
    if (number->status != 0) return kDecTooLarge;
  }
  if (scan.negative) DecNegate(number);
  return dropped ? kDecDigitsDropped : kDecOk;
}

namespace {

// Appends up to `room` of the `count` fraction digits at `digits` to `*p`.
// Returns true when a digit other than '0' was left out.
bool PutFraction(char** p, const char* digits, int32_t count, int32_t room) {
  const int32_t written = std::clamp(room, int32_t{0}, count);
  std::memcpy(*p, digits, static_cast<size_t>(written));
  *p += written;
  for (int32_t i = written; i < count; ++i) {
    if (digits[i] != '0') return true;
  }
  return false;
}

}  // namespace

int32_t DecToText(const DecNumber* number, char* out, int32_t size, int32_t* length) {
  const int32_t limit = std::min(size, kDecMaxSize);
  const bool negative = number->words[number->count - 1] != 0;

  // A magnitude of k words (or 65536^k, the most a negative value of k
  // magnitude words holds) has at most 5k digits: rendering no more saves
  // skipping a long run of zeros.
  char rendered[kRenderWidth];
  const int32_t width = std::min(5 * (number->count - 1), kRenderWidth);
  DecRenderDigits(number, width, rendered);
  int32_t lead = 0;
  while (lead < width && rendered[lead] == '0') ++lead;
  const char* digits = rendered + lead;
  const int32_t n = width - lead;
  const int32_t e = number->exponent;

  if (n == 0 && e >= 0) {
    if (limit < 1) return kDecTooLarge;  // not even "0" and its terminator fit
    out[0] = '0';
    out[1] = '\0';
    *length = 1;
    return kDecOk;
  }

  // Each branch checks its room first; the terminator always takes one place
  // of the limit and the sign none.
  char* p = out;
  if (negative) *p++ = '-';
  bool cut = false;
  if (e >= 0) {
    if (n + e >= limit) return kDecTooLarge;
    std::memcpy(p, digits, static_cast<size_t>(n));
    p += n;
    std::memset(p, '0', static_cast<size_t>(e));
    p += e;
  } else if (-e > n) {
    // Below one: "0.", zeros, then the digits.
    int32_t zeros = -e - n;
    if (n == 0) {
      if (limit < 3) return kDecTooLarge;
      zeros = std::min(zeros, limit - 3);
    } else if (limit < zeros + 3) {
      return kDecTooLarge;
    }
    *p++ = '0';
    *p++ = '.';
    std::memset(p, '0', static_cast<size_t>(zeros));
    p += zeros;
    cut = PutFraction(&p, digits, n, limit - 3 - zeros);
  } else {
    const int32_t whole = n + e;  // integer digits; a value below one starts with the point
    if (limit <= (whole == 0 ? 3 : whole + 1)) return kDecTooLarge;
    std::memcpy(p, digits, static_cast<size_t>(whole));
    p += whole;
    if (limit - whole < 3) {
      // No room for the point and a digit: the text ends before the point,
      // which counts as digits left out even when they are all '0'.
      cut = true;
    } else {
      *p++ = '.';
      cut = PutFraction(&p, digits + whole, -e, limit - whole - 2);
    }
  }
  *p = '\0';
  *length = static_cast<int32_t>(p - out);
  return cut ? kDecDigitsDropped : kDecOk;
}
