// Helpers shared by the comparison rules of each family.
#ifndef QXEXPPAR_EVALUATOR_COMPARE_RULES_H
#define QXEXPPAR_EVALUATOR_COMPARE_RULES_H

#include <bit>
#include <cstdint>
#include <cstring>

#include "evaluator/exp_value.h"
#include "qxexpc.h"

static_assert(std::endian::native == std::endian::little,
              "values are read as little-endian numbers in place");

// -1: the operator, or the left operand's type, is not admitted by the
// right operand's family (the library's "unsupported" status).
inline constexpr int32_t kNotAdmitted = QX_STATUS_UNSUPPORTED;

template <typename T>
T ReadValue(const unsigned char* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// The truth of `s` (below, equal to or above zero, for L against R) under a
// comparison operator; false when `op` is none of the six comparisons.
inline bool OrderingTruth(uint32_t op, int s, bool* truth) {
  switch (op) {
    case QX_KIND_EQ: *truth = s == 0; return true;
    case QX_KIND_NE: *truth = s != 0; return true;
    case QX_KIND_GT: *truth = s > 0; return true;
    case QX_KIND_LT: *truth = s < 0; return true;
    case QX_KIND_GE: *truth = s >= 0; return true;
    case QX_KIND_LE: *truth = s <= 0; return true;
    default: return false;
  }
}

template <typename T>
int ThreeWay(T left, T right) {
  return left < right ? -1 : left > right ? 1 : 0;
}

// Applies a comparison to an ordering and stores the truth; -1 when `op` is
// no comparison.
inline int32_t StoreOrdering(uint32_t op, int s, ExpValue* result) {
  bool truth = false;
  if (!OrderingTruth(op, s, &truth)) return kNotAdmitted;
  ExpSetTruth(result, truth);
  return QX_STATUS_OK;
}

// Rules of the families, each for a right operand of its family.
int32_t ExpCompareNumeric(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result);
int32_t ExpCompareFloating(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result);
int32_t ExpCompareCurrency(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result);
int32_t ExpCompareStrings(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result);
int32_t ExpCompareLengthPrefixed(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result);
int32_t ExpCompareZeroTerminated(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result);
int32_t ExpCompareTexts(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result);

#endif
