#include "record_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "evaluator/record_buffer.h"

namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> Record(uint32_t id, int32_t data_length) {
  std::vector<unsigned char> record(static_cast<size_t>(kRecordHeaderSize + data_length), 0);
  std::memcpy(&record[kRecordIdOffset], &id, 4);
  std::memcpy(&record[kRecordDataLengthOffset], &data_length, 4);
  for (int32_t i = 0; i < data_length; ++i) record[static_cast<size_t>(kRecordHeaderSize + i)] = static_cast<unsigned char>(id + i);
  return record;
}

class RecordFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  size_t FilesInDir() const {
    size_t n = 0;
    for (auto it = fs::directory_iterator(dir_); it != fs::directory_iterator(); ++it) ++n;
    return n;
  }
  const std::string dir_ = "record_file_test_dir";
  const std::string path_ = dir_ + "/r.records";
};

TEST_F(RecordFileTest, RecordsComeBackAsWritten) {
  RecordFileWriter writer;
  std::string error;
  ASSERT_TRUE(writer.Open(path_, &error)) << error;
  const std::vector<std::vector<unsigned char>> records = {Record(1, 10), Record(2, 0), Record(3, kRecordDataMax)};
  for (const auto& record : records) ASSERT_TRUE(writer.Write(record.data(), &error)) << error;
  EXPECT_FALSE(fs::exists(path_));  // nothing under the name before the commit
  ASSERT_TRUE(writer.Commit(&error)) << error;
  EXPECT_EQ(FilesInDir(), 1u);

  RecordFileReader reader;
  ASSERT_TRUE(reader.Open(path_, &error)) << error;
  std::vector<unsigned char> buffer(kRecordBufferSize);
  uint64_t offset = 0;
  uint64_t expected_offset = 0;
  for (const auto& record : records) {
    ASSERT_EQ(reader.Next(buffer.data(), &offset, &error), 1) << error;
    EXPECT_EQ(offset, expected_offset);
    EXPECT_EQ(std::memcmp(buffer.data(), record.data(), record.size()), 0);
    expected_offset += record.size();
  }
  EXPECT_EQ(reader.Next(buffer.data(), &offset, &error), 0);
  EXPECT_EQ(reader.size(), expected_offset);
}

TEST_F(RecordFileTest, AnAbandonedWriteLeavesTheOldFile) {
  { std::ofstream(path_) << "old"; }
  {
    RecordFileWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(path_, &error));
    ASSERT_TRUE(writer.Write(Record(1, 4).data(), &error));
  }  // destroyed without Commit
  EXPECT_EQ(FilesInDir(), 1u);
  {
    std::ifstream in(path_);  // closed before the file is replaced: Windows keeps open files
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "old");
  }

  RecordFileWriter writer;
  std::string error;
  ASSERT_TRUE(writer.Open(path_, &error));
  ASSERT_TRUE(writer.Write(Record(1, 4).data(), &error));
  ASSERT_TRUE(writer.Commit(&error)) << error;  // replaces the old file
  EXPECT_EQ(fs::file_size(path_), static_cast<uintmax_t>(kRecordHeaderSize + 4));
}

TEST_F(RecordFileTest, DamagedFilesAreRefused) {
  std::vector<unsigned char> good = Record(1, 8);
  std::string error;
  RecordFileWriter writer;
  std::vector<unsigned char> bad = Record(1, 0);
  const int32_t too_long = kRecordDataMax + 1;
  std::memcpy(&bad[kRecordDataLengthOffset], &too_long, 4);
  ASSERT_TRUE(writer.Open(path_, &error));
  EXPECT_FALSE(writer.Write(bad.data(), &error));
  writer.Abandon();
  EXPECT_EQ(FilesInDir(), 0u);

  struct Case {
    std::vector<unsigned char> bytes;
    std::string error;
  };
  std::vector<unsigned char> cut_data(good.begin(), good.end() - 1);
  std::vector<unsigned char> cut_header(good.begin(), good.begin() + 100);
  std::vector<unsigned char> negative = Record(1, 0);
  const int32_t minus = -1;
  std::memcpy(&negative[kRecordDataLengthOffset], &minus, 4);
  const Case cases[] = {
      {cut_data, path_ + ": the record at byte 0 is cut short"},
      {cut_header, path_ + ": the record at byte 0 is cut short"},
      {negative, path_ + ": the record at byte 0 has a data length of -1, outside 0 to 65147: not a record file?"},
  };
  for (const Case& c : cases) {
    { std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(c.bytes.data()),
                                                   static_cast<std::streamsize>(c.bytes.size())); }
    RecordFileReader reader;
    ASSERT_TRUE(reader.Open(path_, &error));
    std::vector<unsigned char> buffer(kRecordBufferSize);
    uint64_t offset = 0;
    EXPECT_EQ(reader.Next(buffer.data(), &offset, &error), -1);
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
