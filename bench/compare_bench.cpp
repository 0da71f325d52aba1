// One typed comparison per call, as the evaluator makes one per operator
// node and record.

#include <benchmark/benchmark.h>

#include <cstring>

#include "evaluator/compare.h"
#include "qxexpc.h"

namespace {

ExpValue Value(uint32_t type, const void* bytes, int32_t length, int32_t attr2 = 0) {
  ExpValue v{};
  v.type = type;
  v.length = length;
  v.attr2 = attr2;
  std::memcpy(v.value, bytes, static_cast<size_t>(length));
  return v;
}

void Run(benchmark::State& state, const ExpValue& left, const ExpValue& right, uint32_t op) {
  ExpValue result{}, l, r;
  for (auto _ : state) {
    // The engine may trim operands in place: each call gets fresh copies,
    // made as the evaluator makes its values.
    ExpValueCopy(&l, left);
    ExpValueCopy(&r, right);
    benchmark::DoNotOptimize(ExpCompareValues(&r, &l, op, &result));
    benchmark::DoNotOptimize(result.value[0]);
  }
}

void BM_IntegerEquals(benchmark::State& state) {
  int32_t a = 17, b = 17;
  Run(state, Value(4, &a, 4), Value(4, &b, 4), QX_KIND_EQ);
}
BENCHMARK(BM_IntegerEquals);

void BM_TextEquals(benchmark::State& state) {
  Run(state, Value(8, "ABC     ", 8), Value(8, "ABC     ", 8), QX_KIND_EQ);
}
BENCHMARK(BM_TextEquals);

void BM_DateLess(benchmark::State& state) {
  unsigned char a[4] = {31, 12, 0xE9, 0x07}, b[4] = {1, 1, 0xEA, 0x07};
  Run(state, Value(10, a, 4), Value(10, b, 4), QX_KIND_LT);
}
BENCHMARK(BM_DateLess);

void BM_PackedEqualsDouble(benchmark::State& state) {
  unsigned char packed[5] = {0x00, 0x12, 0x34, 0x56, 0x7C};  // 123456.7 with 1 decimal
  double d = 123456.7;
  Run(state, Value(13, packed, 5, 1), Value(12, &d, 8), QX_KIND_EQ);
}
BENCHMARK(BM_PackedEqualsDouble);

}  // namespace
