// Building typed values for tests of the comparison engine and evaluator.
#ifndef QXEXPPAR_EVALUATOR_TEST_VALUES_H
#define QXEXPPAR_EVALUATOR_TEST_VALUES_H

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "evaluator/compare.h"
#include "evaluator/exp_value.h"
#include "qxexpc.h"

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


// One comparison and its expected outcome, as a row of a table.
struct CompareCase {
  const char* what;
  ExpValue left, right;
  uint32_t op;
  int32_t outcome;  // 1 true, 0 false, or the status
};

inline void CheckAll(const std::vector<CompareCase>& cases) {
  for (const CompareCase& c : cases) EXPECT_EQ(Outcome(c.left, c.right, c.op), c.outcome) << c.what;
}

// Operator codes, short, for the tables.
inline constexpr uint32_t kEq = QX_KIND_EQ, kNe = QX_KIND_NE, kGt = QX_KIND_GT, kLt = QX_KIND_LT,
                          kGe = QX_KIND_GE, kLe = QX_KIND_LE, kAnd = QX_KIND_AND, kOr = QX_KIND_OR,
                          kPlus = QX_KIND_PLUS, kMinus = QX_KIND_MINUS;

#endif
