#include "compiler/value_text.h"

#include <charconv>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "compiler/kinds.h"
#include "compiler/type_names.h"
#include "decimal/field_text.h"
#include "evaluator/compare.h"
#include "evaluator/exp_value.h"
#include "evaluator/field_types.h"
#include "evaluator/record_buffer.h"

namespace {

constexpr uint64_t kTicksPerSecond = 10'000'000;  // timestamp fields count 100-ns units
constexpr int64_t kCurrencyScale = 10'000;        // "currency" counts ten-thousandths

// The value's bytes, zero beyond its length, so fixed-width reads never
// depend on what lies past it.
struct Bytes {
  unsigned char b[kExpValueSize + 16] = {};
  int32_t n = 0;
  explicit Bytes(const ExpValueView& v) {
    n = v.length < 0 ? 0 : v.length > kExpValueSize ? kExpValueSize : v.length;
    if (v.bytes != nullptr) std::memcpy(b, v.bytes, static_cast<std::size_t>(n));
  }
  uint64_t Unsigned(int width) const {
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | b[i];
    return value;
  }
  int64_t Signed(int width) const {
    uint64_t value = Unsigned(width);
    if (width < 8 && (value >> (8 * width - 1)) != 0) value |= ~uint64_t{0} << (8 * width);
    return static_cast<int64_t>(value);
  }
};

template <typename Number>
std::string Shortest(Number number) {
  char text[64];
  auto [end, error] = std::to_chars(text, text + sizeof text, number);
  return error == std::errc{} ? std::string(text, end) : std::string("?");
}

std::string Hex(const Bytes& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text = "0x";
  for (int32_t i = 0; i < bytes.n; ++i) {
    text += kDigits[bytes.b[i] >> 4];
    text += kDigits[bytes.b[i] & 15];
  }
  return text;
}

// Bytes from 0x80 up belong to characters of the text's code page.
bool Printable(unsigned char c) { return c >= 0x20 && c != 0x7F; }
bool IsGraphic(unsigned char c) { return c > 0x20 && c < 0x7F; }

// `count` bytes from `from`, up to a NUL, trailing blanks dropped.
std::string Text(const unsigned char* from, int32_t count) {
  std::string text;
  for (int32_t i = 0; i < count && from[i] != 0; ++i) text += Printable(from[i]) ? static_cast<char>(from[i]) : '?';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char text[96];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

// A seconds stamp as the "timestamp" literal writes it: month/day/year
// hour:minute:second. Days count from 0001-01-01; counted from 0000-03-01
// instead, each 400-year era has a closed form with the leap day last.
std::string StampText(uint64_t seconds) {
  const uint64_t z = seconds / 86400 + 306;
  const unsigned of_day = static_cast<unsigned>(seconds % 86400);
  const uint64_t era = z / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned day = doy - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  const uint64_t year = era * 400 + yoe + (month <= 2 ? 1 : 0);
  return Format("%u/%u/%" PRIu64 " %02u:%02u:%02u", month, day, year, of_day / 3600, of_day / 60 % 60,
                of_day % 60);
}

// A count of ten-thousandths as a decimal without trailing zeros.
std::string CurrencyText(int64_t count) {
  const bool negative = count < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(count) : static_cast<uint64_t>(count);
  std::string text = Format("%s%" PRIu64, negative ? "-" : "", magnitude / kCurrencyScale);
  std::string fraction = Format("%04" PRIu64, magnitude % kCurrencyScale);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  return fraction.empty() ? text : text + "." + fraction;
}

std::string MbfText(const Bytes& bytes) {
  double ieee = 0;
  if (bytes.n == 8) {
    MbfDoubleToIeee(bytes.b, &ieee);
    return Shortest(ieee);
  }
  if (bytes.n == 4) {
    // A single is a double whose four low fraction bytes are zero.
    unsigned char wide[8] = {0, 0, 0, 0, bytes.b[0], bytes.b[1], bytes.b[2], bytes.b[3]};
    MbfDoubleToIeee(wide, &ieee);
    return Shortest(static_cast<float>(ieee));
  }
  return Hex(bytes);
}

std::string FloatingText(const Bytes& bytes, int width) {
  if (width == 4) {
    float single;
    std::memcpy(&single, bytes.b, sizeof single);
    return Shortest(single);
  }
  double wide;
  std::memcpy(&wide, bytes.b, sizeof wide);
  return Shortest(wide);
}

std::string IntegerText(const Bytes& bytes, uint32_t code, int width, bool is_signed) {
  // A one-byte "logical" holds a character.
  if (code == 6 && IsGraphic(bytes.b[0]) && bytes.b[0] != '"') return std::string(1, static_cast<char>(bytes.b[0]));
  return is_signed ? std::to_string(bytes.Signed(width)) : std::to_string(bytes.Unsigned(width));
}

// Offsets from this one up address the record data ("db" offsets carry the
// bias).
constexpr int32_t kDbShift = kRecordDataBias;

bool NumberedCode(int32_t type) { return type >= 0 && type <= 20 && type != 12 && type != 16; }

// The field-reference type name for a code at a length: the name when it
// gives that code at that length, else nullptr.
const ExpFieldTypeInfo* FieldNameFor(int32_t type, int32_t length) {
  const char* name = ExpTypeName(type);
  const ExpFieldTypeInfo* info = name != nullptr ? ExpFindFieldType(name) : nullptr;
  int32_t given = 0;
  if (info == nullptr || info->numbered || !ExpTypeOfLength(info->lengths, length, &given) || given != type) {
    return nullptr;
  }
  return info;
}

// How a literal node is written: its type name, whether the attribute pair
// follows, and its value part.
struct LiteralParts {
  std::string name;
  bool pair = false;
  std::string value;
};

LiteralParts NumberedLiteral(const ExpToken& node) {
  LiteralParts parts;
  Bytes bytes(ExpValueView{0, node.length, 0, node.value});
  if (!NumberedCode(node.type) || node.length < 1 || node.length > 2) {
    parts.name = "ldr?" + std::to_string(node.type);
    parts.value = Hex(bytes);
    return parts;
  }
  parts.name = "ldr" + std::to_string(node.type);
  parts.value = std::to_string(bytes.Unsigned(node.length));
  return parts;
}

LiteralParts LiteralOf(const ExpToken& node) {
  const ExpValueView view{static_cast<uint32_t>(node.type), node.length, node.attr2, node.value};
  // Every "decimal"-like literal is a double that keeps its attribute pair.
  if (node.type == 12 && node.length == 8 && (node.attr1 != 0 || node.attr2 != 0)) {
    return LiteralParts{"decimal", true, ExpValueText(view, ExpValueSource::kConstant)};
  }
  // So is every text literal written with one ("lvar", "longvarchar").
  const bool text_pair = node.type == 8 && (node.attr1 != 0 || node.attr2 != 0);
  const char* name = text_pair ? "lvar" : ExpTypeName(node.type);
  const ExpLiteralTypeInfo* info = name != nullptr ? ExpFindLiteralType(name) : nullptr;
  int32_t given = 0;
  if (info == nullptr || info->form == ExpLiteralForm::kNumbered ||
      !ExpTypeOfLength(info->lengths, node.length, &given) || given != node.type ||
      (info->check == ExpLengthCheck::kNever && info->stored_length != node.length)) {
    return NumberedLiteral(node);
  }
  LiteralParts parts{info->name, info->attribute_pair, ExpValueText(view, ExpValueSource::kConstant)};
  switch (info->form) {
    case ExpLiteralForm::kText:
    case ExpLiteralForm::kTimestamp:
      parts.value = "\"" + parts.value + "\"";
      break;
    case ExpLiteralForm::kBit:
      parts.value = node.value[0] != 0 ? "1" : "0";
      break;
    case ExpLiteralForm::kLogical:
      // The word's first character is the value: a byte that is no such
      // character is written by number.
      if (node.length == 1 && (!IsGraphic(node.value[0]) || node.value[0] == '"')) return NumberedLiteral(node);
      break;
    case ExpLiteralForm::kInteger:
      // Numbers are read as signed 64-bit ones: the bytes of a larger
      // unsigned one are those of a negative number.
      if (node.length == 8) parts.value = std::to_string(Bytes(view).Signed(8));
      break;
    default:
      break;
  }
  return parts;
}

}  // namespace

std::string ExpValueText(const ExpValueView& value, ExpValueSource source) {
  const Bytes bytes(value);
  const uint32_t code = ExpResolveTypeCode(value.type, value.length);
  const ExpTypeCodeInfo& info = ExpTypeCodeOf(code);
  switch (info.family) {
    case ExpFamily::kInteger:
      return IntegerText(bytes, code, info.width, info.is_signed);
    case ExpFamily::kInt64:
      return info.is_signed ? std::to_string(bytes.Signed(8)) : std::to_string(bytes.Unsigned(8));
    case ExpFamily::kLogical:
      return bytes.Unsigned(4) != 0 ? "true" : "false";
    case ExpFamily::kBit: {
      const unsigned mask = source == ExpValueSource::kField ? static_cast<unsigned>(value.attr2) & 0xFF : 0;
      return (mask != 0 ? bytes.b[0] & mask : bytes.b[0]) != 0 ? "1" : "0";
    }
    case ExpFamily::kDateTime:
      if (code == 10) {
        return Format("%u %u %u", unsigned{bytes.b[1]}, unsigned{bytes.b[0]}, unsigned(bytes.b[2] | bytes.b[3] << 8));
      }
      {
        std::string time = Format("%02u:%02u:%02u", unsigned{bytes.b[3]}, unsigned{bytes.b[2]}, unsigned{bytes.b[1]});
        return bytes.b[0] != 0 ? time + Format(".%02u", unsigned{bytes.b[0]}) : time;
      }
    case ExpFamily::kNumeric: {
      if (code == 12) return FloatingText(bytes, bytes.n == 4 ? 4 : 8);
      char text[kPackedTextSize > kNumericTextSize ? kPackedTextSize : kNumericTextSize];
      int32_t n = code == 13 ? PackedDecimalToText(text, bytes.b, bytes.n, value.attr2)
                             : NumericFieldToText(text, bytes.b, bytes.n, value.attr2, static_cast<int32_t>(code));
      return n > 0 ? std::string(text, static_cast<std::size_t>(n)) : std::string("?");
    }
    case ExpFamily::kFloating:
      return FloatingText(bytes, info.width);
    case ExpFamily::kCurrency:
      return CurrencyText(bytes.Signed(8));
    case ExpFamily::kStamp:
      return StampText(code == 18 ? bytes.Unsigned(8) / kTicksPerSecond : bytes.Unsigned(8));
    case ExpFamily::kBfloat:
      if (source == ExpValueSource::kField) return MbfText(bytes);
      return bytes.n == 4 || bytes.n == 8 ? FloatingText(bytes, bytes.n) : Hex(bytes);
    case ExpFamily::kString:
    case ExpFamily::kText:
    case ExpFamily::kZeroTerminated:
      return Text(bytes.b, bytes.n);
    case ExpFamily::kLengthPrefixed: {
      const int32_t count = bytes.n < 1 ? 0 : bytes.b[0] < bytes.n - 1 ? bytes.b[0] : bytes.n - 1;
      return Text(bytes.b + 1, count);
    }
    default:
      return Hex(bytes);
  }
}

std::string ExpFieldText(int32_t offset, int32_t length, int32_t type, int32_t attr1, int32_t attr2) {
  const bool db = offset >= kDbShift;
  std::string text = (db ? "db " : "qx ") + std::to_string(db ? offset - kDbShift : offset) + " " +
                     std::to_string(length) + " ";
  const ExpFieldTypeInfo* info = FieldNameFor(type, length);
  if (info == nullptr) return text + (NumberedCode(type) ? "ldr" : "ldr?") + std::to_string(type);
  text += info->name;
  if (info->attributes == ExpAttributePair::kAlways || (info->attributes == ExpAttributePair::kAfterDb && db)) {
    text += " " + std::to_string(attr1) + "." + std::to_string(attr2);
  }
  return text;
}

std::string ExpLiteralValueText(const ExpToken& node) { return LiteralOf(node).value; }

std::string ExpOperandText(const ExpToken& node) {
  switch (node.kind) {
    case QX_KIND_LITERAL: {
      LiteralParts parts = LiteralOf(node);
      std::string text = "val " + std::to_string(node.length) + " " + parts.name;
      if (parts.pair) text += " " + std::to_string(node.attr1) + "." + std::to_string(node.attr2);
      return text + " " + parts.value;
    }
    case QX_KIND_FIELD:
      return ExpFieldText(node.offset, node.length, node.type, node.attr1, node.attr2);
    case QX_KIND_FETCH_BY_NUMBER:
    case QX_KIND_FETCH_BY_FIELD: {
      int32_t number;
      std::memcpy(&number, node.value, sizeof number);
      return (node.kind == QX_KIND_FETCH_BY_NUMBER ? "getrecid val " : "getrecid qx ") + std::to_string(number);
    }
    default: {
      const ExpKindInfo* info = ExpFindKind(node.kind);
      return info != nullptr ? std::string(info->name) : "kind " + std::to_string(node.kind);
    }
  }
}
