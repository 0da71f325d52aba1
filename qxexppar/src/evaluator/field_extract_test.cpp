#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "evaluator/record_buffer.h"
#include "qxexpc.h"

namespace {

// A record buffer of the largest size, with a recognisable header and data.
class FieldExtractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    record_.assign(kRecordBufferSize, 0);
    for (int i = 0; i < kRecordHeaderSize; ++i) record_[i] = static_cast<unsigned char>(i);
    SetKind(1);
    SetDataLength(10);
    for (int i = 0; i < 10; ++i) record_[kRecordHeaderSize + i] = static_cast<unsigned char>(0xD0 + i);
  }
  void SetKind(uint32_t kind) { std::memcpy(&record_[kRecordKindOffset], &kind, 4); }
  void SetDataLength(int32_t length) { std::memcpy(&record_[kRecordDataLengthOffset], &length, 4); }
  int32_t Get(int32_t offset, int32_t length, uint32_t type = 4) {
    std::memset(value_, 0xEE, big_value_.size());
    return QXGetDataFromBuffer(value_, offset, length, type, 0, 0, record_.data());
  }
  std::vector<unsigned char> record_;
  std::vector<unsigned char> big_value_ = std::vector<unsigned char>(kRecordBufferSize);
  unsigned char* value_ = big_value_.data();
};

TEST_F(FieldExtractTest, HeaderFieldsAreCopiedRawWhateverTheKind) {
  for (uint32_t kind : {0u, 1u, 4u}) {
    SetKind(kind);
    ASSERT_EQ(Get(0, 4), 0) << kind;
    EXPECT_EQ(value_[0], 0);
    EXPECT_EQ(value_[3], 3);
    EXPECT_EQ(value_[4], 0xEE);
  }
  ASSERT_EQ(Get(379, 5), 0);  // the header's last bytes: 379, then the data length 10
  EXPECT_EQ(value_[0], 379 & 0xFF);
  EXPECT_EQ(value_[1], 10);
}

TEST_F(FieldExtractTest, DataOffsetsCarryTheBiasOf386) {
  ASSERT_EQ(Get(386, 2), 0);
  EXPECT_EQ(value_[0], 0xD0);
  EXPECT_EQ(value_[1], 0xD1);
  ASSERT_EQ(Get(386 + 8, 2), 0);
  EXPECT_EQ(value_[1], 0xD9);
  // 386 + data length is admitted (equal is not greater): a zero-length field.
  EXPECT_EQ(Get(386 + 10, 0), 0);
  EXPECT_EQ(Get(386 + 11, 0), -1);
  EXPECT_EQ(value_[0], 0xEE);
  // A field that starts inside but ends outside the data.
  EXPECT_EQ(Get(386 + 9, 2), -1);
}

TEST_F(FieldExtractTest, Offsets384And385AndNegativeOffsetsReachTheServiceBelowZero) {
  EXPECT_EQ(Get(384, 1), -1);
  EXPECT_EQ(Get(385, 1), -1);
  EXPECT_EQ(Get(-1, 1), -1);
  EXPECT_EQ(Get(-1000, 4), -1);
  EXPECT_EQ(value_[0], 0xEE);
}

TEST_F(FieldExtractTest, OnlyKinds1To3DecodeData) {
  for (uint32_t kind : {0u, 1u, 2u, 3u, 4u}) {
    SetKind(kind);
    EXPECT_EQ(Get(386, 1), kind >= 1 && kind <= 3 ? 0 : -1) << kind;
  }
}

TEST_F(FieldExtractTest, TypeZeroIsBlankPaddedFromItsFirstNul) {
  record_[kRecordHeaderSize + 0] = 'a';
  record_[kRecordHeaderSize + 1] = 'b';
  record_[kRecordHeaderSize + 2] = 0;
  ASSERT_EQ(Get(386, 10, 0), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(value_), 10), "ab        ");
  // Also when the field is refused: the caller's bytes are padded.
  SetKind(0);
  std::memset(value_, 0, big_value_.size());
  value_[0] = 'z';
  EXPECT_EQ(QXGetDataFromBuffer(value_, 386, 4, 0, 0, 0, record_.data()), -1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(value_), 4), "z   ");
}

TEST_F(FieldExtractTest, HeaderFieldsMayRunIntoTheDataButNotPastTheRecord) {
  ASSERT_EQ(Get(380, 8), 0);  // data length word, then two data bytes
  EXPECT_EQ(value_[4], 0xD0);
  EXPECT_EQ(Get(380, 4 + 10), 0);
  EXPECT_EQ(Get(380, 4 + 11), -1);  // one byte past the record's data
  EXPECT_EQ(Get(0, -1), -1);
  SetDataLength(-5);  // a damaged length word: only the header is there
  EXPECT_EQ(Get(0, 384), 0);
  EXPECT_EQ(Get(0, 385), -1);
  SetDataLength(0x7FFFFFFF);  // never past the largest record buffer
  EXPECT_EQ(Get(100, kRecordBufferSize - 100), 0);
  EXPECT_EQ(Get(100, kRecordBufferSize - 99), -1);
}

TEST_F(FieldExtractTest, DamagedDataLengthsNeverReadPastTheBuffer) {
  SetDataLength(0x7FFFFFFF);
  EXPECT_EQ(Get(386 + kRecordDataMax - 2, 2), 0);
  EXPECT_EQ(Get(386 + kRecordDataMax - 1, 2), -1);
  SetDataLength(-1);
  EXPECT_EQ(Get(386, 1), -1);
}

TEST_F(FieldExtractTest, MissingArguments) {
  EXPECT_EQ(QXGetDataFromBuffer(nullptr, 0, 1, 4, 0, 0, record_.data()), -2);
  EXPECT_EQ(QXGetDataFromBuffer(value_, 0, 1, 4, 0, 0, nullptr), -2);
}

}  // namespace
