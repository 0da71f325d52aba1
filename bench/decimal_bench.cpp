// Decimal conversions: text to number and back on 18- and 60-digit texts,
// and the two field conversions on 10-byte fields.

#include <benchmark/benchmark.h>

#include "decimal/dec_number.h"
#include "decimal/field_text.h"

namespace {

void RoundTrip(benchmark::State& state, const char* text, uint16_t precision, int16_t scale) {
  char out[kDecMaxSize + 1];
  for (auto _ : state) {
    DecNumber number;
    benchmark::DoNotOptimize(DecFromText(text, &number, precision, scale));
    int32_t length = 0;
    benchmark::DoNotOptimize(DecToText(&number, out, 100, &length));
    benchmark::DoNotOptimize(out);
  }
}

void BM_DecRoundTrip18(benchmark::State& state) {
  RoundTrip(state, "-1234567890.12345678", 18, 8);
}
BENCHMARK(BM_DecRoundTrip18);

void BM_DecRoundTrip60(benchmark::State& state) {
  RoundTrip(state, "123456789012345678901234567890.123456789012345678901234567891", 60, 30);
}
BENCHMARK(BM_DecRoundTrip60);

void BM_NumericField10(benchmark::State& state) {
  const unsigned char field[] = "001234567N";
  char text[kNumericTextSize];
  for (auto _ : state) {
    benchmark::DoNotOptimize(NumericFieldToText(text, field, 10, 2, 14));
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_NumericField10);

void BM_PackedField10(benchmark::State& state) {
  const unsigned char field[] = {0x00, 0x00, 0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x34, 0x5D};
  char text[kPackedTextSize];
  for (auto _ : state) {
    benchmark::DoNotOptimize(PackedDecimalToText(text, field, 10, 4));
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_PackedField10);

}  // namespace
