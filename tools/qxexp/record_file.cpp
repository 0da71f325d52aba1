#include "record_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "evaluator/record_buffer.h"
#include "file_system.h"
#include "interrupt.h"

namespace {

constexpr char kStandardInputName[] = "-";
// Links followed at most, as many as systems follow before they give up.
constexpr int kMostLinks = 40;

std::string Reason() { return std::strerror(errno); }

// Where the symbolic links that `path` may be lead, to their end: also to a
// name where no file is yet, which the records then create.
bool FollowLinks(const std::string& path, std::filesystem::path* target, std::string* error) {
  std::filesystem::path at = path;
  for (int links = 0; links < kMostLinks; ++links) {
    std::error_code failure;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(at, failure))) {
      *target = at;
      return true;
    }
    const std::filesystem::path next = std::filesystem::read_symlink(at, failure);
    if (failure) {
      *error = "cannot follow the link " + at.string() + ": " + failure.message();
      return false;
    }
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
  *error = "cannot create " + path + ": more than " + std::to_string(kMostLinks) + " symbolic links";
  return false;
}

// Data lengths a record buffer can hold.
bool DataLengthFits(int32_t length) { return length >= 0 && length <= kRecordDataMax; }

}  // namespace

bool RecordFileWriter::Open(const std::string& path, std::string* error) {
  Abandon();
  path_ = path;
  std::filesystem::path target;
  if (!FollowLinks(path, &target, error)) return false;
  std::error_code failure;
  const std::filesystem::file_status old = std::filesystem::status(target, failure);
  const bool replacing = std::filesystem::exists(old);
  if (replacing && !std::filesystem::is_regular_file(old)) {
    *error = "cannot write " + path + ": not a regular file";
    return false;
  }
  target_ = target.string();
  std::random_device random;
  temporary_ = target_ + ".tmp-" + std::to_string(random()) + std::to_string(random());
  file_ = CreateNewFile(temporary_);
  if (file_ == nullptr) {
    *error = "cannot create " + path + ": " + Reason();
    temporary_.clear();
    return false;
  }
  RemoveOnInterrupt(temporary_);
  if (replacing) {
    // Before any record is written, so that a private file's records are
    // never readable by others.
    std::filesystem::permissions(temporary_, old.permissions() & std::filesystem::perms::mask, failure);
    if (failure) {
      *error = "cannot give " + path + " its permissions: " + failure.message();
      Abandon();
      return false;
    }
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
  const bool flushed = FlushToDisk(file_) && !std::ferror(file_);
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
  std::filesystem::rename(temporary_, target_, failure);
  if (failure) {
    *error = "cannot create " + path_ + ": " + failure.message();
    Abandon();
    return false;
  }
  KeepOnInterrupt();
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
    KeepOnInterrupt();
    temporary_.clear();
  }
}

bool RecordFileReader::Open(const std::string& path, std::string* error) {
  Close();
  position_ = 0;
  size_ = 0;
  if (path == kStandardInputName) {
    path_ = "standard input";
    ReadStandardInputAsBytes();
    file_ = stdin;
    return true;
  }
  path_ = path;
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) {
    *error = "cannot open " + path + ": " + Reason();
    return false;
  }
  owns_file_ = true;
  std::error_code failure;
  const auto size = std::filesystem::file_size(path, failure);
  size_ = failure ? 0 : static_cast<uint64_t>(size);
  return true;
}

void RecordFileReader::Close() {
  if (file_ != nullptr && owns_file_) std::fclose(file_);
  file_ = nullptr;
  owns_file_ = false;
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
