// Building typed values for tests of the comparison engine and evaluator.
#ifndef QXEXPPAR_EVALUATOR_TEST_VALUES_H
#define QXEXPPAR_EVALUATOR_TEST_VALUES_H

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

#include "evaluator/compare.h"
#include "evaluator/exp_value.h"

inline ExpValue Bytes(uint32_t type, std::initializer_list<unsigned> bytes, int32_t attr2 = 0) {
  ExpValue v{};
  v.type = type;
  v.length = static_cast<int32_t>(bytes.size());
  v.attr2 = attr2;
  int i = 0;
  for (unsigned b : bytes) v.value[i++] = static_cast<unsigned char>(b);
  return v;
}

template <typename T>
ExpValue Number(uint32_t type, T number, int32_t length = sizeof(T)) {
  ExpValue v{};
  v.type = type;
  v.length = length;
  std::memcpy(v.value, &number, sizeof number);
  return v;
}

inline ExpValue Text(uint32_t type, const std::string& text, int32_t length = -1, int32_t attr2 = 0) {
  ExpValue v{};
  v.type = type;
  v.length = length >= 0 ? length : static_cast<int32_t>(text.size());
  v.attr2 = attr2;
  std::memcpy(v.value, text.data(), text.size() < sizeof v.value ? text.size() : sizeof v.value);
  return v;
}

// Outcome of L OP R: 1 true, 0 false, or the negative status.
inline int32_t Outcome(ExpValue left, ExpValue right, uint32_t op) {
  ExpValue result{};
  int32_t status = ExpCompareValues(&right, &left, op, &result);
  if (status != 0) return status;
  if (result.type != kLogicalType) return -100;  // not a truth
  return static_cast<int32_t>(ExpValueWord(result));
}

#endif
