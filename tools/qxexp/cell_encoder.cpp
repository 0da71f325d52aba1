#include "cell_encoder.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "compiler/scanner.h"
#include "compile.h"
#include "decimal/dec_number.h"
#include "evaluator/field_types.h"
#include "platform/blank_padding.h"
#include "platform/text.h"

namespace {

using Store = CellPlan::Store;

constexpr int32_t kMostLiteralText = 250;  // a text literal holds at most 250 bytes
constexpr uint64_t kTicksPerSecond = 10'000'000;
constexpr int kCurrencyDecimals = 4;
constexpr int kCurrencyDigits = 19;  // a 64-bit count of ten-thousandths

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits from `at` on: how many.
size_t DigitRun(std::string_view text, size_t at) {
  size_t n = 0;
  while (at + n < text.size() && IsDigit(text[at + n])) ++n;
  return n;
}

bool WholeNumberShape(std::string_view text) {
  size_t at = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
  return DigitRun(text, at) > 0 && at + DigitRun(text, at) == text.size();
}

// [+-] digits [. digits] | [+-] . digits, then an exponent when allowed.
bool DecimalShape(std::string_view text, bool exponent) {
  size_t at = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
  size_t whole = DigitRun(text, at);
  at += whole;
  size_t fraction = 0;
  if (at < text.size() && text[at] == '.') {
    fraction = DigitRun(text, at + 1);
    at += 1 + fraction;
  }
  if (whole + fraction == 0) return false;
  if (exponent && at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    size_t digits = DigitRun(text, at);
    if (digits == 0) return false;
    at += digits;
  }
  return at == text.size();
}

// Digit runs joined by the given separators, a run of blanks standing for
// a blank: "2 29 2000" with "  ", "23:59:59" with "::", "2/29/2000
// 10:11:12" with "// ::".
bool RunsShape(std::string_view text, std::string_view separators) {
  size_t at = 0;
  for (size_t i = 0; i <= separators.size(); ++i) {
    size_t digits = DigitRun(text, at);
    if (digits == 0) return false;
    at += digits;
    if (i == separators.size()) break;
    if (at >= text.size() || text[at] != separators[i]) return false;
    while (++at < text.size() && separators[i] == ' ' && text[at] == ' ') {
    }
  }
  return at == text.size();
}

bool Runs(std::string_view text, std::string_view separators, const char* what, std::string* error) {
  if (RunsShape(text, separators)) return true;
  *error = "\"" + std::string(text) + "\" is not " + what;
  return false;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// The literal's type name for a code at a length: the name that gives it,
// else "ldrNN" for an "ldr" number of 1 or 2 bytes; "" when there is none.
std::string LiteralName(int32_t type, int32_t length, const ExpLiteralTypeInfo** info) {
  const char* name = ExpTypeName(type);
  *info = name != nullptr ? ExpFindLiteralType(name) : nullptr;
  int32_t given = 0;
  if (*info != nullptr && (*info)->form != ExpLiteralForm::kNumbered &&
      (*info)->check != ExpLengthCheck::kNever && ExpTypeOfLength((*info)->lengths, length, &given) &&
      given == type) {
    return (*info)->name;
  }
  *info = ExpFindLiteralType("ldr");
  const std::string numbered = "ldr" + std::to_string(type);
  if (ExpNumberedType(numbered.c_str(), &given) && length >= 1 && length <= 2) return numbered;
  *info = nullptr;
  return "";
}

std::string Pair(const ExpToken& field) {
  return " " + std::to_string(field.attr1) + "." + std::to_string(field.attr2);
}

// Number of digits held by packed and numeric texts of the field.
int32_t DigitsOf(const ExpToken& field) {
  switch (field.type) {
    case 13:
      return 2 * field.length - 1;
    case 28:
      return field.length - 1;  // a separate sign character
    default:
      return field.length;
  }
}

bool Plan(const ExpToken& f, CellPlan* plan, std::string* why) {
  const std::string length = std::to_string(f.length);
  plan->field = f;
  switch (f.type) {
    case 7:
    case 8:
    case 15:
    case 16:
    case 23:
    case 24:
    case 25: {
      plan->store = f.type == 7 || f.type == 8 ? Store::kBlankText
                    : f.type == 15             ? Store::kLengthText
                                               : Store::kZeroText;
      plan->form = ExpLiteralForm::kText;
      // A zero-terminated text keeps room for its NUL, a prefixed one for
      // its length byte.
      plan->text_room = f.type == 15 || f.type == 16 ? f.length - 1 : f.length;
      if (plan->text_room > kMostLiteralText) plan->text_room = kMostLiteralText;
      const int32_t literal_length = plan->text_room < 1 ? 1 : plan->text_room;
      plan->literal = "val " + std::to_string(literal_length) + " char ";
      return true;
    }
    case 13:
    case 14:
    case 27:
    case 28:
      plan->store = f.type == 13 ? Store::kPacked : Store::kNumericText;
      plan->form = ExpLiteralForm::kDouble;
      plan->digits = DigitsOf(f);
      if (plan->digits < 1 || f.attr2 < 0 || f.attr2 > plan->digits) {
        *why = "a field of " + std::to_string(plan->digits) + " digits cannot have " + std::to_string(f.attr2) +
               " decimals";
        return false;
      }
      plan->literal = "val 8 decimal" + Pair(f) + " ";
      return true;
    case 17:
      plan->store = Store::kCurrency;
      plan->form = ExpLiteralForm::kDouble;
      plan->digits = kCurrencyDigits;
      plan->literal = "val 8 currency ";
      return true;
    case 18:
      plan->store = Store::kTimestamp;
      plan->form = ExpLiteralForm::kTimestamp;
      plan->literal = "val 8 timestamp ";
      return true;
    case 19:
      plan->store = Store::kBfloat;
      plan->form = ExpLiteralForm::kFloat;
      plan->literal = "val " + length + " bfloat ";
      return true;
    default:
      break;
  }
  const ExpLiteralTypeInfo* info = nullptr;
  const std::string name = LiteralName(f.type, f.length, &info);
  if (info == nullptr || f.type == 9) {
    *why = "no literal of the language gives a value of type code " + std::to_string(f.type) + " and " + length +
           " bytes";
    return false;
  }
  plan->store = Store::kLiteral;
  plan->form = info->form;
  plan->literal = "val " + length + " " + name + (info->attribute_pair ? Pair(f) : "") + " ";
  const ExpTypeCodeInfo& code = ExpTypeCodeOf(static_cast<uint32_t>(f.type));
  plan->int_bytes = code.width < f.length ? code.width : f.length;
  plan->int_signed = code.is_signed;
  if (info->form == ExpLiteralForm::kNumbered || info->form == ExpLiteralForm::kDigitInteger) {
    plan->form = ExpLiteralForm::kInteger;
  }
  return true;
}

// A whole number that fits `bytes` bytes, as the language reads numbers:
// signed 64-bit at most.
bool CheckWholeNumber(std::string_view text, int32_t bytes, bool is_signed, std::string* error) {
  if (!WholeNumberShape(text)) {
    *error = "\"" + std::string(text) + "\" is not a whole number";
    return false;
  }
  long double low = is_signed ? -std::ldexp(1.0L, 8 * bytes - 1) : 0.0L;
  long double high = is_signed ? std::ldexp(1.0L, 8 * bytes - 1) - 1 : std::ldexp(1.0L, 8 * bytes) - 1;
  if (bytes >= 8) high = static_cast<long double>(std::numeric_limits<int64_t>::max());
  long double value = std::strtold(std::string(text).c_str(), nullptr);
  if (value < low || value > high) {
    *error = std::string(text) + " does not fit the field (" + std::to_string(static_cast<long long>(low)) +
             " to " + std::to_string(static_cast<unsigned long long>(high)) + ")";
    return false;
  }
  return true;
}

bool CheckShape(const CellPlan& plan, std::string_view text, std::string* error) {
  const std::string shown = "\"" + std::string(text) + "\"";
  switch (plan.form) {
    case ExpLiteralForm::kText:
      if (text.find('"') != std::string_view::npos) {
        *error = "a text value cannot hold a double quote";
        return false;
      }
      if (!text.empty() && QxIsWhiteSpace(text[0])) {
        *error = "a text value cannot begin with white space";
        return false;
      }
      if (text.size() > static_cast<size_t>(plan.text_room)) {
        *error = "the text is " + std::to_string(text.size()) + " bytes long; the field holds " +
                 std::to_string(plan.text_room);
        return false;
      }
      return true;
    case ExpLiteralForm::kInteger:
      return CheckWholeNumber(text, plan.int_bytes, plan.int_signed, error);
    case ExpLiteralForm::kLogical:
      if (plan.field.length == 2) return CheckWholeNumber(text, 2, true, error);
      if (text.size() != 1 || QxIsWhiteSpace(text[0])) {
        *error = shown + " is not one character";
        return false;
      }
      return true;
    case ExpLiteralForm::kBit:
      if (text != "0" && text != "1") {
        *error = shown + " is not a bit: write 0 or 1";
        return false;
      }
      return true;
    case ExpLiteralForm::kFloat:
    case ExpLiteralForm::kDouble: {
      const bool exponent = plan.store == Store::kLiteral || plan.store == Store::kBfloat;
      if (!DecimalShape(text, exponent)) {
        *error = shown + " is not a number" + (exponent ? "" : " written with digits and a point");
        return false;
      }
      return true;
    }
    case ExpLiteralForm::kDate:
      return Runs(text, "  ", "a date: write month day year, such as 2 29 2000", error);
    case ExpLiteralForm::kTime:
      return Runs(text, "::", "a time: write hours:minutes:seconds, such as 23:59:59", error);
    case ExpLiteralForm::kTimestamp:
      return Runs(text, "// ::", "a timestamp: write month/day/year hours:minutes:seconds", error);
    default:
      return true;
  }
}

// The cell's decimal digits at the field's scale: exactly `digits` of them,
// most significant first, as characters; false when the value does not fit.
bool ScaledDigits(std::string_view text, int32_t digits, int32_t scale, std::string* out, bool* negative,
                  std::string* error) {
  DecNumber number;
  const std::string copy(text);
  int32_t status = DecFromText(copy.c_str(), &number, static_cast<uint16_t>(digits), static_cast<int16_t>(scale));
  if (status == kDecDigitsDropped) {
    *error = copy + " has more than the field's " + std::to_string(scale) + " decimals";
    return false;
  }
  if (status != kDecOk) {
    *error = copy + " does not fit the field's " + std::to_string(digits) + " digits with " + std::to_string(scale) +
             " decimals";
    return false;
  }
  char canonical[kDecMaxSize + 2];
  int32_t length = 0;
  if (DecToText(&number, canonical, sizeof canonical - 1, &length) != kDecOk) {
    *error = copy + " does not fit the field";
    return false;
  }
  std::string_view value(canonical, static_cast<size_t>(length));
  *negative = !value.empty() && value[0] == '-';
  if (*negative) value.remove_prefix(1);
  const size_t point = value.find('.');
  std::string whole(value.substr(0, point));
  std::string fraction(point == std::string_view::npos ? "" : value.substr(point + 1));
  fraction.resize(static_cast<size_t>(scale), '0');
  std::string all = whole + fraction;
  while (all.size() > 1 && all[0] == '0') all.erase(0, 1);
  if (all.size() > static_cast<size_t>(digits)) {
    *error = copy + " does not fit the field's " + std::to_string(digits) + " digits";
    return false;
  }
  *out = std::string(static_cast<size_t>(digits) - all.size(), '0') + all;
  if (all == "0") *negative = false;
  return true;
}

void StorePacked(const std::string& digits, bool negative, unsigned char* out, int32_t length) {
  // 2 × length − 1 digits, then the sign in the low half of the last byte.
  std::string nibbles = digits + static_cast<char>(negative ? 0xD : 0xC);
  for (int32_t i = 0; i < length; ++i) {
    auto high = static_cast<unsigned char>(nibbles[2 * i] & 0x0F);
    auto low = static_cast<unsigned char>(nibbles[2 * i + 1] & 0x0F);
    out[i] = static_cast<unsigned char>(high << 4 | low);
  }
}

void StoreNumericText(const std::string& digits, bool negative, int32_t type, unsigned char* out) {
  std::memcpy(out, digits.data(), digits.size());
  if (type == 28) {
    out[digits.size()] = negative ? '-' : '+';
    return;
  }
  if (!negative) return;
  unsigned char& last = out[digits.size() - 1];
  const int digit = last - '0';
  // "numeric": '}' for 0, 'J' to 'R' for 1 to 9; "numericsa": 'p' to 'y'.
  last = static_cast<unsigned char>(type == 14 ? (digit == 0 ? '}' : 'J' + digit - 1) : 'p' + digit);
}

// IEEE float or double to MBF of the same width: false when MBF cannot hold
// the value.
bool IeeeToMbf(const unsigned char* ieee, int32_t length, unsigned char* mbf) {
  std::memset(mbf, 0, static_cast<size_t>(length));
  if (length == 4) {
    uint32_t bits;
    std::memcpy(&bits, ieee, sizeof bits);
    const uint32_t exponent = bits >> 23 & 0xFF;
    const uint32_t fraction = bits & 0x7FFFFF;
    if (exponent == 0) return fraction == 0;
    if (exponent >= 254) return false;
    mbf[3] = static_cast<unsigned char>(exponent + 2);
    mbf[2] = static_cast<unsigned char>((bits >> 31) << 7 | (fraction >> 16 & 0x7F));
    mbf[1] = static_cast<unsigned char>(fraction >> 8);
    mbf[0] = static_cast<unsigned char>(fraction);
    return true;
  }
  uint64_t bits;
  std::memcpy(&bits, ieee, sizeof bits);
  const int64_t exponent = static_cast<int64_t>(bits >> 52 & 0x7FF);
  const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
  if (exponent == 0) return fraction == 0;
  if (exponent - 894 < 1 || exponent - 894 > 255) return false;
  const uint64_t wide = fraction << 3;  // MBF keeps 55 fraction bits
  mbf[7] = static_cast<unsigned char>(exponent - 894);
  mbf[6] = static_cast<unsigned char>((bits >> 63) << 7 | (wide >> 48 & 0x7F));
  for (int i = 0; i < 6; ++i) mbf[i] = static_cast<unsigned char>(wide >> (8 * i));
  return true;
}

// Whether a digit other than 0 comes before any exponent: the number
// written is not 0.
bool WritesNonZero(std::string_view text) {
  for (char c : text) {
    if (c == 'e' || c == 'E') break;
    if (c >= '1' && c <= '9') return true;
  }
  return false;
}

// Whether the float or double the literal made holds the number written:
// the language's reading turns numbers beyond the type into infinities and
// numbers too close to 0 into 0, without a word.
bool FloatHolds(std::string_view text, const unsigned char* bytes, int32_t length, std::string* error) {
  double value;
  if (length == 4) {
    float single;
    std::memcpy(&single, bytes, sizeof single);
    value = single;
  } else {
    std::memcpy(&value, bytes, sizeof value);
  }
  if (!std::isfinite(value)) {
    *error = std::string(text) + " is beyond what the field holds";
    return false;
  }
  if (value == 0 && WritesNonZero(text)) {
    *error = std::string(text) + " is too close to 0 for the field, which would hold 0";
    return false;
  }
  return true;
}

}  // namespace

bool PlanCells(const ExpToken& field, CellPlan* plan, std::string* why) {
  *plan = CellPlan{};
  if (field.kind != QX_KIND_FIELD || field.length < 1) {
    *why = "not a field reference";
    return false;
  }
  return Plan(field, plan, why);
}

bool EncodeCell(const CellPlan& plan, std::string_view cell, unsigned char* out, std::string* error) {
  const std::string_view text = plan.form == ExpLiteralForm::kText ? cell : Trimmed(cell);
  if (text.empty() && plan.form != ExpLiteralForm::kText) {
    *error = "the cell is empty";
    return false;
  }
  if (!CheckShape(plan, text, error)) return false;
  const bool quoted = plan.form == ExpLiteralForm::kText || plan.form == ExpLiteralForm::kTimestamp;
  std::string literal = plan.literal + (quoted ? Quoted(text) : std::string(text));
  ExpScanner scanner;
  ExpToken token;
  int32_t status = ScanToken(&scanner, &token, literal.data());
  if (status == 0 && token.kind != QX_KIND_LITERAL) status = QX_STATUS_UNKNOWN_WORD;
  if (status == 0) {
    ExpToken after;
    if (ScanToken(&scanner, &after, nullptr) != QX_STATUS_END_OF_TEXT) status = QX_STATUS_BAD_VALUE;
  }
  if (status != 0) {
    *error = "\"" + std::string(text) + "\" is no value of the field: " + StatusText(status, true);
    return false;
  }
  const ExpToken& f = plan.field;
  const auto length = static_cast<size_t>(f.length);
  std::memset(out, 0, length);
  switch (plan.store) {
    case Store::kLiteral:
      if (plan.form == ExpLiteralForm::kFloat && !FloatHolds(text, token.value, f.length, error)) return false;
      std::memcpy(out, token.value, length);
      return true;
    case Store::kBlankText:
      // The literal is padded to its own length; a longer field, further.
      std::memcpy(out, token.value, static_cast<size_t>(plan.text_room));
      PadWithBlanks(out, f.length);
      return true;
    case Store::kZeroText:
      std::memcpy(out, text.data(), text.size());
      return true;
    case Store::kLengthText:
      out[0] = static_cast<unsigned char>(text.size());
      std::memcpy(out + 1, text.data(), text.size());
      return true;
    case Store::kPacked:
    case Store::kNumericText: {
      std::string digits;
      bool negative = false;
      if (!ScaledDigits(text, plan.digits, f.attr2, &digits, &negative, error)) return false;
      if (plan.store == Store::kPacked) {
        StorePacked(digits, negative, out, f.length);
      } else {
        StoreNumericText(digits, negative, f.type, out);
      }
      return true;
    }
    case Store::kCurrency: {
      std::string digits;
      bool negative = false;
      if (!ScaledDigits(text, plan.digits, kCurrencyDecimals, &digits, &negative, error)) return false;
      uint64_t magnitude = std::strtoull(digits.c_str(), nullptr, 10);
      const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
      if (magnitude > limit) {
        *error = std::string(text) + " is beyond what a currency field holds";
        return false;
      }
      const int64_t count = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
      std::memcpy(out, &count, sizeof count);
      return true;
    }
    case Store::kTimestamp: {
      uint64_t stamp;
      std::memcpy(&stamp, token.value, sizeof stamp);
      if (stamp > std::numeric_limits<uint64_t>::max() / kTicksPerSecond) {
        *error = std::string(text) + " is beyond what a timestamp field holds";
        return false;
      }
      const uint64_t ticks = stamp * kTicksPerSecond;
      std::memcpy(out, &ticks, sizeof ticks);
      return true;
    }
    case Store::kBfloat:
      if (!FloatHolds(text, token.value, f.length, error)) return false;
      if (!IeeeToMbf(token.value, f.length, out)) {
        *error = std::string(text) + " is beyond what a bfloat field holds";
        return false;
      }
      return true;
  }
  return false;
}
