// The evaluator's typed value.
#ifndef QXEXPPAR_EVALUATOR_EXP_VALUE_H
#define QXEXPPAR_EVALUATOR_EXP_VALUE_H

#include <cstddef>
#include <cstdint>
#include <cstring>

inline constexpr int32_t kExpValueSize = 256;

// How far past its length a value's bytes are kept zero: farther than any
// fixed-width read of a shorter value goes (9 bytes for packed bytes).
inline constexpr int32_t kExpValueSlack = 16;

// A value of a field or constant, or the outcome of an operator. Numbers
// are little-endian. Type 9 is a logical value whose first u32 word is 1
// (true) or 0.
//
// A value reads as its first `length` bytes followed by zeros. Only the
// bytes up to kExpValueSlack past the length are kept: every value is made
// through ExpValueClear or ExpValueCopy, which zero that much, and every
// reader stays within it (texts end at the length at the latest). This
// spares the evaluator clearing the whole area for every operand.
struct ExpValue {
  uint32_t type;
  int32_t length;
  int32_t attr1;
  int32_t attr2;  // decimals of packed fields; bit mask of bit fields
  unsigned char value[kExpValueSize];
};

inline constexpr uint32_t kLogicalType = 9;

// The bytes of a value's area that hold its value: its length, within the area.
inline int32_t ExpValueSpan(int32_t length) {
  return length < 0 ? 0 : length > kExpValueSize ? kExpValueSize : length;
}

// The bytes of a value's area that are kept: the span and the zeros after it.
inline int32_t ExpValueReach(int32_t length) {
  int32_t reach = ExpValueSpan(length) + kExpValueSlack;
  return reach > kExpValueSize ? kExpValueSize : reach;
}

// Short values, the usual case, are cleared and copied with fixed-size
// moves the compiler does in a few instructions.
inline constexpr int32_t kExpShortReach = 32;

// Zeroes the kept bytes of a value about to take `length` bytes.
inline void ExpValueClear(ExpValue* v, int32_t length) {
  int32_t reach = ExpValueReach(length);
  if (reach <= kExpShortReach) {
    std::memset(v->value, 0, kExpShortReach);
  } else {
    std::memset(v->value, 0, static_cast<size_t>(reach));
  }
}

// Copies a value: its description and its kept bytes.
inline void ExpValueCopy(ExpValue* to, const ExpValue& from) {
  int32_t reach = ExpValueReach(from.length);
  if (reach <= kExpShortReach) {
    std::memcpy(to, &from, offsetof(ExpValue, value) + kExpShortReach);
  } else {
    std::memcpy(to, &from, offsetof(ExpValue, value) + static_cast<size_t>(reach));
  }
}

inline uint32_t ExpValueWord(const ExpValue& v) {
  uint32_t word;
  std::memcpy(&word, v.value, sizeof word);
  return word;
}

// Makes `result` a truth. Like every value the walk computes (sums too), it
// carries no attributes: a "bit" rule meeting it reads a mask of 0.
inline void ExpSetTruth(ExpValue* result, bool truth) {
  result->type = kLogicalType;
  result->length = 4;
  result->attr1 = 0;
  result->attr2 = 0;
  ExpValueClear(result, 4);
  result->value[0] = truth ? 1 : 0;
}

#endif
