// The evaluator's typed value.
#ifndef QXEXPPAR_EVALUATOR_EXP_VALUE_H
#define QXEXPPAR_EVALUATOR_EXP_VALUE_H

#include <cstdint>
#include <cstring>

inline constexpr int32_t kExpValueSize = 256;

// A value of a field or constant, or the outcome of an operator. `value`
// holds the first `length` bytes, zero-filled beyond; numbers little-endian.
// Type 9 is a logical value whose first u32 word is 1 (true) or 0.
struct ExpValue {
  uint32_t type;
  int32_t length;
  int32_t attr1;
  int32_t attr2;  // decimals of packed fields; bit mask of bit fields
  unsigned char value[kExpValueSize];
};

inline constexpr uint32_t kLogicalType = 9;

inline uint32_t ExpValueWord(const ExpValue& v) {
  uint32_t word;
  std::memcpy(&word, v.value, sizeof word);
  return word;
}

inline void ExpSetTruth(ExpValue* result, bool truth) {
  result->type = kLogicalType;
  result->length = 4;
  uint32_t word = truth ? 1 : 0;
  std::memcpy(result->value, &word, sizeof word);
}

#endif
