#include "key_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "test_support.h"

namespace {

using qxldra::EncodeKey;
using qxldra::KeyDefinition;
using qxldra_test::Key;

int Sign(int value) { return (value > 0) - (value < 0); }

// The stored form compared bytewise must order two values as their numbers
// do, for every integer kind and width, across byte and sign boundaries.
struct IntegerCase {
  uint16_t kind;
  uint16_t length;
};

class IntegerOrder : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerOrder, BytewiseOrderOfStoredFormIsNumericOrder) {
  const IntegerCase c = GetParam();
  const KeyDefinition key = Key(QX_LDRA_KEY_UNIQUE, {{0, c.length, c.kind}});
  const unsigned bits = 8u * c.length;
  const bool is_signed = c.kind == QX_LDRA_SEG_SIGNED;
  auto numeric = [&](uint64_t raw) -> long double {
    if (bits < 64) raw &= (uint64_t{1} << bits) - 1;
    if (is_signed && (raw >> (bits - 1)) & 1) {
      return -static_cast<long double>(((~raw) & (bits < 64 ? (uint64_t{1} << bits) - 1 : ~uint64_t{0})) + 1);
    }
    return static_cast<long double>(raw);
  };
  std::vector<uint64_t> values = {0, 1, 127, 128, 255, 256, 65535, 65536, 0x7fffffff, 0x80000000,
                                  0xffffffff, 0x100000000, ~uint64_t{0}, uint64_t{1} << 63};
  std::mt19937_64 random(42);
  for (int i = 0; i < 400; ++i) values.push_back(random() >> (random() % 64));
  for (uint64_t a : values) {
    for (uint64_t b : {values[(a * 7) % values.size()], values[(a * 13 + 5) % values.size()], a + 1, a - 1}) {
      unsigned char raw_a[8], raw_b[8], stored_a[8], stored_b[8];
      for (int i = 0; i < 8; ++i) {
        raw_a[i] = static_cast<unsigned char>(a >> (8 * i));
        raw_b[i] = static_cast<unsigned char>(b >> (8 * i));
      }
      EncodeKey(key, raw_a, stored_a);
      EncodeKey(key, raw_b, stored_b);
      const long double x = numeric(a), y = numeric(b);
      EXPECT_EQ(Sign(std::memcmp(stored_a, stored_b, c.length)), (x > y) - (x < y))
          << "kind " << c.kind << " length " << c.length << " values " << a << " " << b;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryWidth, IntegerOrder,
                         ::testing::Values(IntegerCase{QX_LDRA_SEG_UNSIGNED, 1}, IntegerCase{QX_LDRA_SEG_UNSIGNED, 2},
                                           IntegerCase{QX_LDRA_SEG_UNSIGNED, 4}, IntegerCase{QX_LDRA_SEG_UNSIGNED, 8},
                                           IntegerCase{QX_LDRA_SEG_SIGNED, 1}, IntegerCase{QX_LDRA_SEG_SIGNED, 2},
                                           IntegerCase{QX_LDRA_SEG_SIGNED, 4}, IntegerCase{QX_LDRA_SEG_SIGNED, 8}));

TEST(KeyCodec, SegmentsAreGatheredInKeyOrderAndTextsStayAsTheyAre) {
  // Key: text at 6 (3 bytes), then the u16 at 0.
  const KeyDefinition key = Key(QX_LDRA_KEY_DUPLICATES, {{6, 3, QX_LDRA_SEG_TEXT}, {0, 2, QX_LDRA_SEG_UNSIGNED}});
  const unsigned char record[10] = {0x34, 0x12, 9, 9, 9, 9, 'a', 'b', 'c', 9};
  unsigned char raw[5];
  unsigned char stored[5];
  qxldra::KeyFromRecord(key, record, raw);
  EncodeKey(key, raw, stored);
  const unsigned char expected_raw[5] = {'a', 'b', 'c', 0x34, 0x12};
  const unsigned char expected_stored[5] = {'a', 'b', 'c', 0x12, 0x34};
  EXPECT_EQ(0, std::memcmp(raw, expected_raw, 5));
  EXPECT_EQ(0, std::memcmp(stored, expected_stored, 5));
}

}  // namespace
