// ExpCompareValues: dispatch on the right operand's family, and the rules of
// the fixed-width families (integers, logical, bit, date and time, 64-bit
// integers, stamps, packed bytes).

#include "evaluator/compare.h"

#include "evaluator/compare_rules.h"
#include "evaluator/field_types.h"
#include "qxcnldrc.h"

namespace {

// Stores the sum or difference at the width of the result type; only the
// codes 1 to 6 can hold one.
int32_t StoreNumber(uint32_t type, uint32_t number, ExpValue* result) {
  int32_t width = type == 1 || type == 2 ? 2 : type == 3 || type == 4 ? 4 : type == 5 || type == 6 ? 1 : 0;
  if (width == 0) return QX_STATUS_NOT_COMPARABLE;
  result->length = width;
  result->attr1 = 0;
  result->attr2 = 0;
  ExpValueClear(result, width);
  std::memcpy(result->value, &number, static_cast<size_t>(width));  // the low-order bytes
  return QX_STATUS_OK;
}

// Integers: both values read as T, the right operand's width and
// signedness, whatever the left operand's type.
template <typename T>
int32_t IntegerRule(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result) {
  T l = ReadValue<T>(left->value);
  T r = ReadValue<T>(right->value);
  if (op == QX_KIND_PLUS || op == QX_KIND_MINUS) {
    // 32-bit arithmetic that wraps, as the stored widths expect.
    auto ul = static_cast<uint32_t>(static_cast<int64_t>(l)), ur = static_cast<uint32_t>(static_cast<int64_t>(r));
    return StoreNumber(right->type, op == QX_KIND_PLUS ? ul + ur : ul - ur, result);
  }
  return StoreOrdering(op, ThreeWay(l, r), result);
}

ExpRule IntegerRuleFor(const ExpTypeCodeInfo& type) {
  switch (type.width) {
    case 1: return type.is_signed ? IntegerRule<int8_t> : IntegerRule<uint8_t>;
    case 2: return type.is_signed ? IntegerRule<int16_t> : IntegerRule<uint16_t>;
    default: return type.is_signed ? IntegerRule<int32_t> : IntegerRule<uint32_t>;
  }
}

int32_t LogicalRule(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result) {
  bool l = ExpValueWord(*left) != 0, r = ExpValueWord(*right) != 0;
  if (op == QX_KIND_AND) ExpSetTruth(result, l && r);
  else if (op == QX_KIND_OR) ExpSetTruth(result, l || r);
  else return kNotAdmitted;
  return QX_STATUS_OK;
}

// Whatever the operator: the masked bytes are equal.
int32_t BitRule(ExpValue* right, ExpValue* left, uint32_t, ExpValue* result) {
  unsigned l = left->value[0] & static_cast<unsigned char>(left->attr2);
  unsigned r = right->value[0] & static_cast<unsigned char>(right->attr2);
  ExpSetTruth(result, l == r);
  return QX_STATUS_OK;
}

// Unsigned 64-bit values admit only 64-bit integers on the left.
int32_t Unsigned64Rule(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result) {
  if (left->type != 20 && left->type != 21) return kNotAdmitted;
  return StoreOrdering(op, ThreeWay(ReadValue<uint64_t>(left->value), ReadValue<uint64_t>(right->value)),
                       result);
}

int32_t Signed64Rule(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result) {
  return StoreOrdering(op, ThreeWay(ReadValue<int64_t>(left->value), ReadValue<int64_t>(right->value)),
                       result);
}

constexpr uint32_t kTimestampType = 18;
constexpr uint32_t kSecstampType = 22;

uint64_t Secstamp(const unsigned char* timestamp) {
  uint64_t stamp = 0;
  qxLDRTimestampToSecstamp(ReadValue<uint64_t>(timestamp), &stamp);
  return stamp;
}

// A timestamp against a timestamp compares the raw counts; a timestamp on
// either side of a seconds stamp is converted to seconds first.
int32_t StampRule(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result) {
  uint64_t l = ReadValue<uint64_t>(left->value);
  uint64_t r = ReadValue<uint64_t>(right->value);
  if (right->type == kTimestampType) {
    if (left->type == kSecstampType) r = Secstamp(right->value);
    else if (left->type != kTimestampType) return QX_STATUS_NOT_COMPARABLE;
  } else if (left->type == kTimestampType) {
    l = Secstamp(left->value);
  }
  return StoreOrdering(op, ThreeWay(l, r), result);
}

// Nine bytes as stored, whatever the lengths; "!=" included.
int32_t PackedBytesRule(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result) {
  int s = std::memcmp(left->value, right->value, 9);
  return StoreOrdering(op, ThreeWay(s, 0), result);
}

int32_t DateTimeRule(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result) {
  uint32_t truth = 0;
  return ExpCompareDateTime(right, left, &truth, op, result);
}

int32_t BfloatRule(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result) {
  if (right->length != 4 && right->length != 8) return QX_STATUS_NOT_COMPARABLE;
  uint32_t truth = 0;
  return ExpCompareBfloat(right->value, left->value, &truth, op, right->type, result,
                          static_cast<uint32_t>(right->length));
}

int32_t NotComparableRule(ExpValue*, ExpValue*, uint32_t, ExpValue*) { return QX_STATUS_NOT_COMPARABLE; }

int32_t NotAdmittedRule(ExpValue*, ExpValue*, uint32_t, ExpValue*) { return kNotAdmitted; }

}  // namespace

int32_t ExpCompareDateTime(ExpValue* right, ExpValue* left, uint32_t* truth, uint32_t op,
                           ExpValue* result) {
  if (right == nullptr || left == nullptr || truth == nullptr || result == nullptr) {
    return QX_STATUS_MISSING;
  }
  if (left->type != right->type || left->length != right->length ||
      (right->type != 10 && right->type != 11)) {
    return QX_STATUS_DATE_TIME_MISMATCH;
  }
  int s = 0;
  if (op == QX_KIND_EQ || op == QX_KIND_NE) {
    auto n = static_cast<size_t>(ExpValueSpan(right->length));
    s = std::memcmp(left->value, right->value, n) == 0 ? 0 : 1;
  } else if (right->type == 10) {
    // year (bytes 2-3), month (byte 1), day (byte 0)
    s = ThreeWay(ReadValue<uint16_t>(left->value + 2), ReadValue<uint16_t>(right->value + 2));
    for (int byte = 1; s == 0 && byte >= 0; --byte) s = ThreeWay(left->value[byte], right->value[byte]);
  } else {
    // hours (byte 3), minutes, seconds, hundredths (byte 0)
    for (int byte = 3; s == 0 && byte >= 0; --byte) s = ThreeWay(left->value[byte], right->value[byte]);
  }
  bool outcome = false;
  if (!OrderingTruth(op, s, &outcome)) return kNotAdmitted;
  *truth = outcome ? 1 : 0;
  ExpSetTruth(result, outcome);
  return QX_STATUS_OK;
}

ExpRule ExpRuleFor(uint32_t right_type) {
  const ExpTypeCodeInfo& type = ExpTypeCodeOf(right_type);
  switch (type.family) {
    case ExpFamily::kInteger: return IntegerRuleFor(type);
    case ExpFamily::kLogical: return LogicalRule;
    case ExpFamily::kBit: return BitRule;
    case ExpFamily::kDateTime: return DateTimeRule;
    case ExpFamily::kNumeric: return ExpCompareNumeric;
    case ExpFamily::kFloating: return ExpCompareFloating;
    case ExpFamily::kCurrency: return ExpCompareCurrency;
    case ExpFamily::kInt64: return type.is_signed ? Signed64Rule : Unsigned64Rule;
    case ExpFamily::kStamp: return StampRule;
    case ExpFamily::kBfloat: return BfloatRule;
    case ExpFamily::kString: return ExpCompareStrings;
    case ExpFamily::kLengthPrefixed: return ExpCompareLengthPrefixed;
    case ExpFamily::kZeroTerminated: return ExpCompareZeroTerminated;
    case ExpFamily::kText: return ExpCompareTexts;
    case ExpFamily::kPackedBytes: return PackedBytesRule;
    case ExpFamily::kNotComparable: return NotComparableRule;
    case ExpFamily::kUnknown:
    case ExpFamily::kRefused:
    case ExpFamily::kVariable:
      return NotAdmittedRule;
  }
  return NotAdmittedRule;
}

int32_t ExpCompareValues(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result) {
  if (right == nullptr || left == nullptr || result == nullptr) return QX_STATUS_MISSING;
  right->type = ExpResolveTypeCode(right->type, right->length);
  left->type = ExpResolveTypeCode(left->type, right->length);
  result->type = right->type;
  return ExpRuleFor(right->type)(right, left, op, result);
}
