// The numeric rules: values become doubles (packed decimals and numeric
// texts through their decimal text) and compare after scaling; currency
// counts; MBF fields against IEEE constants.

#include <charconv>
#include <cstring>

#include "decimal/field_text.h"
#include "evaluator/compare.h"
#include "evaluator/compare_rules.h"

namespace {

constexpr uint32_t kFloatType = 12;
constexpr uint32_t kPackedType = 13;
constexpr uint32_t kCurrencyType = 17;
constexpr double kCurrencyScale = 10000.0;

// The decimal text read as a double. Parsed without the C locale's help, so
// a host's locale can never change what "1.5" means; anything that is not a
// number (the empty text of an invalid field) reads as 0.
double TextAsDouble(const char* text) {
  double value = 0.0;
  const char* end = text + std::strlen(text);
  if (std::from_chars(text, end, value).ec != std::errc()) return 0.0;
  return value;
}

bool IsDecimalType(uint32_t type) { return type == kPackedType || type == 14 || type == 27 || type == 28; }

// A packed-decimal or numeric-text value as a double; false when its length
// lies outside its value area (nothing beyond the area is ever read).
bool DecimalAsDouble(const ExpValue& v, double* out) {
  if (v.length < 0 || v.length > kExpValueSize) return false;
  if (v.type == kPackedType) {
    char text[kPackedTextSize];
    PackedDecimalToText(text, v.value, v.length, v.attr2);
    *out = TextAsDouble(text);
  } else {
    char text[kNumericTextSize];
    NumericFieldToText(text, v.value, v.length, v.attr2, static_cast<int32_t>(v.type));
    *out = TextAsDouble(text);
  }
  return true;
}

double FloatOrDouble(const ExpValue& v, bool as_float) {
  return as_float ? static_cast<double>(ReadValue<float>(v.value)) : ReadValue<double>(v.value);
}

}  // namespace

int32_t ExpCompareDoubles(double right, double left, uint32_t* truth, uint32_t op, uint32_t,
                          ExpValue* result) {
  result->type = kLogicalType;
  double d = left * 1000000.0 - right * 1000000.0;
  bool outcome;
  switch (op) {
    case QX_KIND_EQ: outcome = d == 0.0; break;
    case QX_KIND_NE: outcome = !(d == 0.0); break;
    case QX_KIND_GT: outcome = d > 0.0; break;
    case QX_KIND_LT: outcome = d < 0.0; break;
    case QX_KIND_GE: outcome = d >= 0.0; break;
    case QX_KIND_LE: outcome = d <= 0.0; break;
    default: return kNotAdmitted;
  }
  *truth = outcome ? 1 : 0;
  ExpSetTruth(result, outcome);
  return QX_STATUS_OK;
}

int32_t ExpCompareNumeric(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result) {
  double l = 0.0, r = 0.0;
  bool four_byte_floats = false;
  if (IsDecimalType(left->type)) {
    if (!DecimalAsDouble(*left, &l)) return QX_STATUS_NOT_COMPARABLE;
  } else if (left->type == kFloatType) {
    four_byte_floats = right->length == 4;
    l = FloatOrDouble(*left, four_byte_floats);
  } else if (left->type == kCurrencyType && right->type == kFloatType) {
    l = static_cast<double>(ReadValue<int64_t>(left->value)) / kCurrencyScale;
  } else {
    return kNotAdmitted;
  }
  if (right->type == kFloatType) {
    // Read as a float only when the left operand was read as one too.
    r = FloatOrDouble(*right, four_byte_floats);
  } else if (!DecimalAsDouble(*right, &r)) {
    return QX_STATUS_NOT_COMPARABLE;
  }
  uint32_t truth = 0;
  return ExpCompareDoubles(r, l, &truth, op, right->type, result);
}

int32_t ExpCompareFloating(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result) {
  bool as_float = right->type == 59;
  uint32_t truth = 0;
  return ExpCompareDoubles(FloatOrDouble(*right, as_float), FloatOrDouble(*left, as_float), &truth,
                           op, right->type, result);
}

int32_t ExpCompareCurrency(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result) {
  auto count = ReadValue<int64_t>(right->value);
  if (left->type == kCurrencyType) {
    return StoreOrdering(op, ThreeWay(ReadValue<int64_t>(left->value), count), result);
  }
  if (left->type == kFloatType) {
    uint32_t truth = 0;
    return ExpCompareDoubles(static_cast<double>(count) / kCurrencyScale,
                             ReadValue<double>(left->value), &truth, op, right->type, result);
  }
  return kNotAdmitted;
}

uint32_t MbfDoubleToIeee(const unsigned char* mbf, double* ieee) {
  if (mbf[7] == 0) {
    *ieee = 0.0;
    return 0;
  }
  // 55-bit fraction: bits 0-6 of byte 6 above bytes 5..0.
  uint64_t fraction = 0;
  for (int i = 6; i >= 0; --i) fraction = fraction << 8 | (i == 6 ? mbf[i] & 0x7F : mbf[i]);
  uint64_t sign = static_cast<uint64_t>(mbf[6] >> 7) << 63;
  uint64_t exponent = static_cast<uint64_t>(mbf[7] + 894) << 52;
  uint64_t bits = sign | exponent | (fraction >> 3);
  std::memcpy(ieee, &bits, sizeof bits);
  return (fraction & 7) != 0 ? 1 : 0;
}

int32_t MbfCompare(const unsigned char* mbf, const unsigned char* ieee, uint32_t length) {
  if (length == 4) {
    float m = 0.0f;
    if (mbf[3] != 0) {
      // Exponent bias 129 becomes 127; the sign moves from byte 2 to byte 3.
      unsigned exponent = static_cast<unsigned>(mbf[3] - 2) & 0xFF;
      unsigned char bytes[4] = {mbf[0], mbf[1],
                                static_cast<unsigned char>(((exponent << 7) | (mbf[2] & 0x7F)) & 0xFF),
                                static_cast<unsigned char>((mbf[2] & 0x80) | (exponent >> 1))};
      std::memcpy(&m, bytes, sizeof m);
    }
    float i = ReadValue<float>(ieee);
    return m > i ? 1 : m == i ? 0 : -1;
  }
  double m = 0.0;
  MbfDoubleToIeee(mbf, &m);
  double i = ReadValue<double>(ieee);
  return m > i ? 1 : m == i ? 0 : -1;
}

int32_t ExpCompareBfloat(const unsigned char* right, const unsigned char* left, uint32_t* truth,
                         uint32_t op, uint32_t, ExpValue* result, uint32_t length) {
  bool outcome = false;
  if (!OrderingTruth(op, MbfCompare(left, right, length), &outcome)) return kNotAdmitted;
  *truth = outcome ? 1 : 0;
  ExpSetTruth(result, outcome);
  return QX_STATUS_OK;
}
