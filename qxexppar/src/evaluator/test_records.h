// Record buffers for tests: a header with kind 1 and a data length, and
// data written at given offsets.
#ifndef QXEXPPAR_EVALUATOR_TEST_RECORDS_H
#define QXEXPPAR_EVALUATOR_TEST_RECORDS_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "evaluator/record_buffer.h"

class TestRecord {
 public:
  explicit TestRecord(int32_t data_length = 64, uint32_t kind = 1)
      : bytes_(static_cast<size_t>(kRecordHeaderSize + data_length), 0) {
    std::memcpy(&bytes_[kRecordKindOffset], &kind, 4);
    std::memcpy(&bytes_[kRecordDataLengthOffset], &data_length, 4);
  }
  // Writes `value` at `offset` of the record data.
  template <typename T>
  TestRecord& Data(int32_t offset, T value) {
    std::memcpy(&bytes_[static_cast<size_t>(kRecordHeaderSize + offset)], &value, sizeof value);
    return *this;
  }
  // Writes `text` blank-padded to `width` at `offset` of the data.
  TestRecord& Text(int32_t offset, const std::string& text, int32_t width) {
    std::string padded = text;
    padded.resize(static_cast<size_t>(width), ' ');
    std::memcpy(&bytes_[static_cast<size_t>(kRecordHeaderSize + offset)], padded.data(), padded.size());
    return *this;
  }
  TestRecord& Header(int32_t offset, const std::string& bytes) {
    std::memcpy(&bytes_[static_cast<size_t>(offset)], bytes.data(), bytes.size());
    return *this;
  }
  const unsigned char* data() const { return bytes_.data(); }
  std::vector<unsigned char>& bytes() { return bytes_; }

 private:
  std::vector<unsigned char> bytes_;
};

#endif
