#include "file_definition.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "bytes.h"
#include "test_support.h"

namespace {

using qxldra::DecodeDefinition;
using qxldra::FileDefinition;
using namespace qxldra_test;

FileDefinition Sample() {
  return Definition(64, {Key(QX_LDRA_KEY_AUTONUMBER, {Unsigned(0)}),
                         Key(QX_LDRA_KEY_DUPLICATES, {Text(4, 20), Signed(24, 8), Unsigned(32, 2)})});
}

TEST(FileDefinition, RoundTripsThroughItsBlock) {
  unsigned char block[qxldra::kMaxDefinitionBlockSize];
  const std::size_t size = qxldra::EncodeDefinition(Sample(), block);
  EXPECT_EQ(size, 4u + (4 + 6) + (4 + 3 * 6));
  FileDefinition decoded;
  ASSERT_EQ(DecodeDefinition(block, size, &decoded), QX_LDRA_OK);
  EXPECT_EQ(decoded.record_length, 64);
  ASSERT_EQ(decoded.key_count, 2);
  EXPECT_EQ(decoded.AutoNumberedKey(), 0);
  EXPECT_EQ(decoded.keys[1].Length(), 30u);
  EXPECT_TRUE(decoded.keys[1].Duplicates());
  EXPECT_EQ(decoded.keys[1].segments[1].kind, QX_LDRA_SEG_SIGNED);
}

// Each case spoils one rule of a valid definition.
struct BadCase {
  const char* what;
  std::function<void(FileDefinition&)> spoil;
};

class BadDefinition : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadDefinition, IsRefused) {
  FileDefinition definition = Sample();
  GetParam().spoil(definition);
  unsigned char block[qxldra::kMaxDefinitionBlockSize];
  const std::size_t size = qxldra::EncodeDefinition(definition, block);
  FileDefinition decoded;
  EXPECT_EQ(DecodeDefinition(block, size, &decoded), QX_LDRA_BAD_DEFINITION) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, BadDefinition,
    ::testing::Values(
        BadCase{"no record", [](FileDefinition& d) { d.record_length = 0; }},
        BadCase{"segment past the record", [](FileDefinition& d) { d.keys[1].segments[2].offset = 63; }},
        BadCase{"empty segment", [](FileDefinition& d) { d.keys[1].segments[0].length = 0; }},
        BadCase{"integer of 3 bytes", [](FileDefinition& d) { d.keys[1].segments[1].length = 3; }},
        BadCase{"unknown kind", [](FileDefinition& d) { d.keys[1].segments[0].kind = 9; }},
        BadCase{"unknown flag", [](FileDefinition& d) { d.keys[1].flags |= 0x40; }},
        BadCase{"key longer than 255", [](FileDefinition& d) {
                  d.record_length = 600;
                  d.keys[1].segments[0].length = 250;
                }},
        BadCase{"auto-numbered duplicates", [](FileDefinition& d) { d.keys[0].flags |= QX_LDRA_KEY_DUPLICATES; }},
        BadCase{"auto-numbered text", [](FileDefinition& d) { d.keys[0].segments[0].kind = QX_LDRA_SEG_TEXT; }},
        BadCase{"auto-numbered 8 bytes", [](FileDefinition& d) { d.keys[0].segments[0].length = 8; }},
        BadCase{"two auto-numbered keys", [](FileDefinition& d) {
                  d.keys[1] = Key(QX_LDRA_KEY_AUTONUMBER, {Unsigned(40)});
                }}));

TEST(FileDefinition, MalformedBlocksAreRefusedWithoutReadingPastThem) {
  unsigned char block[qxldra::kMaxDefinitionBlockSize];
  const std::size_t size = qxldra::EncodeDefinition(Sample(), block);
  FileDefinition decoded;
  for (std::size_t cut = 0; cut < size; ++cut) {
    // An exact-size copy, so that the sanitizers catch any read past it.
    std::vector<unsigned char> shorter(block, block + cut);
    EXPECT_EQ(DecodeDefinition(shorter.data(), shorter.size(), &decoded), QX_LDRA_BAD_DEFINITION) << cut;
  }
  std::vector<unsigned char> longer(block, block + size);
  longer.push_back(0);
  EXPECT_EQ(DecodeDefinition(longer.data(), longer.size(), &decoded), QX_LDRA_BAD_DEFINITION);
  for (uint16_t keys : {0, QX_LDRA_MAX_KEYS + 1}) {
    std::vector<unsigned char> copy(block, block + size);
    qxldra::StoreU16(copy.data() + 2, keys);
    EXPECT_EQ(DecodeDefinition(copy.data(), copy.size(), &decoded), QX_LDRA_BAD_DEFINITION) << keys;
  }
  std::vector<unsigned char> copy(block, block + size);
  qxldra::StoreU16(copy.data() + 6, QX_LDRA_MAX_SEGMENTS + 1);
  EXPECT_EQ(DecodeDefinition(copy.data(), copy.size(), &decoded), QX_LDRA_BAD_DEFINITION);
}

}  // namespace
