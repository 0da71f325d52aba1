#include "test_support.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "qxldra_testing.h"

namespace qxldra_test {

const unsigned char kClient[QX_LDRA_CLIENT_ID_SIZE] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'U', 'X', 140, 0};
const char kOwner[] = "Owner-7";

ScratchFolder::ScratchFolder() {
  static std::atomic<int> counter{0};
  static const unsigned run = std::random_device()();
  std::ostringstream name;
  name << "qxldra_scratch_" << run << "_" << counter++;
  path_ = std::filesystem::current_path() / name.str();
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchFolder::Path(const std::string& name) const { return (path_ / name).string(); }

qxldra::Segment Unsigned(uint16_t offset, uint16_t length) { return {offset, length, QX_LDRA_SEG_UNSIGNED}; }
qxldra::Segment Signed(uint16_t offset, uint16_t length) { return {offset, length, QX_LDRA_SEG_SIGNED}; }
qxldra::Segment Text(uint16_t offset, uint16_t length) { return {offset, length, QX_LDRA_SEG_TEXT}; }

qxldra::KeyDefinition Key(uint16_t flags, std::initializer_list<qxldra::Segment> segments) {
  qxldra::KeyDefinition key;
  key.flags = flags;
  for (const qxldra::Segment& segment : segments) key.segments[key.segment_count++] = segment;
  return key;
}

qxldra::FileDefinition Definition(uint16_t record_length, std::initializer_list<qxldra::KeyDefinition> keys) {
  qxldra::FileDefinition definition;
  definition.record_length = record_length;
  for (const qxldra::KeyDefinition& key : keys) definition.keys[definition.key_count++] = key;
  return definition;
}

Bytes CreateBuffer(const std::string& owner, const qxldra::FileDefinition& definition) {
  Bytes buffer(owner.begin(), owner.end());
  buffer.push_back(0);
  const std::size_t at = buffer.size();
  buffer.resize(at + qxldra::kMaxDefinitionBlockSize);
  buffer.resize(at + qxldra::EncodeDefinition(definition, buffer.data() + at));
  return buffer;
}

int16_t CreateDataFile(const std::string& path, const qxldra::FileDefinition& definition, const std::string& owner) {
  Bytes buffer = CreateBuffer(owner, definition);
  uint16_t length = static_cast<uint16_t>(buffer.size());
  std::string key = path;
  return qx_LDRAID(QX_LDRA_OP_CREATE, nullptr, buffer.data(), &length, key.data(), 0, kClient);
}

void PutU32(Bytes& bytes, std::size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<unsigned char>(value >> (8 * i));
}

uint32_t GetU32(const Bytes& bytes, std::size_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | bytes.at(offset + i);
  return value;
}

Bytes U32Key(uint32_t value) {
  Bytes key(4, 0);
  PutU32(key, 0, value);
  return key;
}

void PutText(Bytes& bytes, std::size_t offset, std::size_t width, const std::string& text) {
  for (std::size_t i = 0; i < width; ++i) bytes.at(offset + i) = i < text.size() ? text[i] : ' ';
}

Position::Position(uint16_t buffer_size) : buffer_size_(buffer_size) {}

int16_t Position::Open(const std::string& path, const std::string& owner, const unsigned char* client) {
  std::string key = path;
  Bytes name(owner.begin(), owner.end());
  name.push_back(0);
  uint16_t length = static_cast<uint16_t>(name.size());
  return qx_LDRAID(QX_LDRA_OP_OPEN, block_, name.data(), &length, key.data(), 0, client);
}

int16_t Position::Close() { return qx_LDRAID(QX_LDRA_OP_CLOSE, block_, nullptr, nullptr, nullptr, 0, kClient); }

int16_t Position::Insert(Bytes& record, int key_number) {
  data_length_ = static_cast<uint16_t>(record.size());
  key_.assign(QX_LDRA_MAX_KEY_LENGTH, 0);
  return qx_LDRAID(QX_LDRA_OP_INSERT, block_, record.data(), &data_length_, key_.data(),
                   static_cast<int16_t>(key_number), kClient);
}

int16_t Position::Delete() { return qx_LDRAID(QX_LDRA_OP_DELETE, block_, nullptr, nullptr, nullptr, 0, kClient); }

int16_t Position::Read(uint16_t operation, int key_number, const Bytes& key_value) {
  record_.assign(buffer_size_, 0xEE);
  key_ = key_value;
  key_.resize(QX_LDRA_MAX_KEY_LENGTH, 0);
  data_length_ = buffer_size_;
  const int16_t status = qx_LDRAID(operation, block_, record_.data(), &data_length_, key_.data(),
                                   static_cast<int16_t>(key_number), kClient);
  if (status == QX_LDRA_OK) record_.resize(data_length_);
  return status;
}

std::vector<uint32_t> Position::Walk(int key_number, std::size_t offset, int16_t* end) {
  std::vector<uint32_t> values;
  for (int16_t status = First(key_number);; status = Next(key_number)) {
    if (status != QX_LDRA_OK) {
      *end = status;
      return values;
    }
    values.push_back(GetU32(record_, offset));
  }
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int RunSql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  int code = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (code == SQLITE_OK) code = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return code;
}

void RecordManagerTest::TearDown() {
  qxldraFailNthCall(nullptr, -1, 0, 0);
  qx_LDRAID(QX_LDRA_OP_RESET, nullptr, nullptr, nullptr, nullptr, 0, kClient);
  EXPECT_EQ(qxldraOpenFileCount(), 0);
}

std::string RecordManagerTest::Make(const std::string& name, const qxldra::FileDefinition& definition,
                                    Position& position) {
  const std::string path = folder_.Path(name);
  EXPECT_EQ(CreateDataFile(path, definition), QX_LDRA_OK);
  EXPECT_EQ(position.Open(path), QX_LDRA_OK);
  return path;
}

}  // namespace qxldra_test
