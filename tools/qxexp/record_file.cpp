#include "record_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "evaluator/record_buffer.h"

namespace {

std::string Reason() { return std::strerror(errno); }

// Data lengths a record buffer can hold.
bool DataLengthFits(int32_t length) { return length >= 0 && length <= kRecordDataMax; }

}  // namespace

bool RecordFileWriter::Open(const std::string& path, std::string* error) {
  Abandon();
  path_ = path;
  std::random_device random;
  temporary_ = path + ".tmp-" + std::to_string(random()) + std::to_string(random());
  file_ = std::fopen(temporary_.c_str(), "wb");
  if (file_ == nullptr) {
    *error = "cannot create " + path + ": " + Reason();
    temporary_.clear();
    return false;
  }
  return true;
}

bool RecordFileWriter::Write(const unsigned char* record, std::string* error) {
  const int32_t data_length = RecordDataLength(record);
  if (!DataLengthFits(data_length)) {
    *error = "a record's data length is out of range";
    return false;
  }
  const size_t size = static_cast<size_t>(kRecordHeaderSize + data_length);
  if (file_ == nullptr || std::fwrite(record, 1, size, file_) != size) {
    *error = "cannot write " + path_ + ": " + Reason();
    return false;
  }
  return true;
}

bool RecordFileWriter::Commit(std::string* error) {
  if (file_ == nullptr) {
    *error = "cannot write " + path_ + ": not open";
    return false;
  }
  const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
  const int flush_errno = errno;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!flushed || !closed) {
    errno = flushed ? errno : flush_errno;
    *error = "cannot write " + path_ + ": " + Reason();
    Abandon();
    return false;
  }
  std::error_code failure;
  std::filesystem::rename(temporary_, path_, failure);
  if (failure) {
    *error = "cannot create " + path_ + ": " + failure.message();
    Abandon();
    return false;
  }
  temporary_.clear();
  return true;
}

void RecordFileWriter::Abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temporary_.empty()) {
    std::remove(temporary_.c_str());
    temporary_.clear();
  }
}

bool RecordFileReader::Open(const std::string& path, std::string* error) {
  Close();
  path_ = path;
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) {
    *error = "cannot open " + path + ": " + Reason();
    return false;
  }
  std::error_code failure;
  const auto size = std::filesystem::file_size(path, failure);
  size_ = failure ? 0 : static_cast<uint64_t>(size);
  position_ = 0;
  return true;
}

void RecordFileReader::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

int RecordFileReader::Next(unsigned char* record, uint64_t* offset, std::string* error) {
  const std::string place = path_ + ": the record at byte " + std::to_string(position_);
  const size_t header = std::fread(record, 1, kRecordHeaderSize, file_);
  if (header == 0 && !std::ferror(file_)) return 0;
  if (header != static_cast<size_t>(kRecordHeaderSize)) {
    *error = std::ferror(file_) ? "cannot read " + path_ + ": " + Reason() : place + " is cut short";
    return -1;
  }
  const int32_t data_length = RecordDataLength(record);
  if (!DataLengthFits(data_length)) {
    *error = place + " has a data length of " + std::to_string(data_length) + ", outside 0 to " +
             std::to_string(kRecordDataMax) + ": not a record file?";
    return -1;
  }
  const size_t data = std::fread(record + kRecordHeaderSize, 1, static_cast<size_t>(data_length), file_);
  if (data != static_cast<size_t>(data_length)) {
    *error = std::ferror(file_) ? "cannot read " + path_ + ": " + Reason() : place + " is cut short";
    return -1;
  }
  *offset = position_;
  position_ += static_cast<uint64_t>(kRecordHeaderSize + data_length);
  return 1;
}
