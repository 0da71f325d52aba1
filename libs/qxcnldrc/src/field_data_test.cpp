#include "qxcnldrc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

class FieldDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 16; ++i) data_[i] = static_cast<unsigned char>(0xA0 + i);
    previous_ = qxLDRSetReturnType(QX_LDR_RETURN_STORED, nullptr);
    ASSERT_EQ(qxLDRSetBuffer(16, data_, nullptr), 0);
  }
  void TearDown() override { qxLDRSetReturnType(previous_, nullptr); }

  // Asks for `length` bytes at `offset` with `room` bytes of room.
  int32_t Get(int32_t offset, int32_t length, int32_t room, int32_t* delivered) {
    QxLdrFieldDescriptor descriptor{offset, length, 0, 4, 0, 0};
    std::memset(value_, 0xEE, sizeof value_);
    *delivered = room;
    int32_t status = qxLDRGetFieldData(&descriptor, delivered, value_, nullptr);
    if (status == 0) {
      EXPECT_EQ(descriptor.length, *delivered);
    }
    return status;
  }

  unsigned char data_[16];
  unsigned char value_[32];
  int32_t previous_ = 0;
};

TEST_F(FieldDataTest, StoredFormCopiesTheFieldBytesAsFarAsTheRoomGoes) {
  // offset, length, room, bytes delivered: inside, touching the end, empty, cut by the room
  const int32_t kInside[][4] = {{2, 4, 32, 4}, {12, 4, 32, 4}, {16, 0, 32, 0}, {0, 8, 3, 3}};
  for (const auto& c : kInside) {
    int32_t delivered = 0;
    ASSERT_EQ(Get(c[0], c[1], c[2], &delivered), 0) << c[0] << "," << c[1];
    EXPECT_EQ(delivered, c[3]);
    EXPECT_EQ(std::memcmp(value_, data_ + c[0], static_cast<size_t>(c[3])), 0);
    EXPECT_EQ(value_[c[3]], 0xEE);
  }
}

TEST_F(FieldDataTest, FieldsStartingOrEndingOutsideTheDataAreRefused) {
  const int32_t kOutside[][2] = {{-1, 1}, {-2, 4}, {13, 4}, {16, 1}, {17, 0},
                                 {0, 17}, {0, -1}, {8, INT32_MAX}, {INT32_MAX, 1}};
  for (const auto& field : kOutside) {
    int32_t delivered = 0;
    EXPECT_EQ(Get(field[0], field[1], 32, &delivered), -1) << field[0] << "," << field[1];
    EXPECT_EQ(value_[0], 0xEE);
  }
}

TEST_F(FieldDataTest, OtherReturnFormsAndMissingArgumentsAreRefused) {
  int32_t delivered = 0;
  EXPECT_EQ(qxLDRSetReturnType(7, nullptr), QX_LDR_RETURN_STORED);
  EXPECT_EQ(Get(0, 4, 32, &delivered), -2);
  qxLDRSetReturnType(QX_LDR_RETURN_STORED, nullptr);
  int32_t room = 4;
  EXPECT_EQ(qxLDRGetFieldData(nullptr, &room, value_, nullptr), -2);
}

TEST_F(FieldDataTest, ABadBufferLeavesNoCurrentData) {
  EXPECT_EQ(qxLDRSetBuffer(-1, data_, nullptr), -1);
  int32_t delivered = 0;
  EXPECT_EQ(Get(0, 1, 32, &delivered), -1);
  EXPECT_EQ(qxLDRSetBuffer(4, nullptr, nullptr), -1);
  EXPECT_EQ(Get(0, 1, 32, &delivered), -1);
  EXPECT_EQ(qxLDRSetBuffer(0, nullptr, nullptr), 0);
  EXPECT_EQ(Get(0, 0, 32, &delivered), 0);
}

TEST_F(FieldDataTest, EachThreadHasItsOwnFormAndBuffer) {
  int32_t other_form = -5;
  int32_t other_status = 0;
  std::thread other([&] {
    other_form = qxLDRSetReturnType(QX_LDR_RETURN_STORED, nullptr);
    QxLdrFieldDescriptor descriptor{0, 1, 0, 4, 0, 0};
    int32_t room = 1;
    unsigned char byte = 0;
    other_status = qxLDRGetFieldData(&descriptor, &room, &byte, nullptr);  // no buffer yet
  });
  other.join();
  EXPECT_EQ(other_form, 0);
  EXPECT_EQ(other_status, -1);
  int32_t delivered = 0;
  EXPECT_EQ(Get(0, 1, 1, &delivered), 0);
}

}  // namespace
