// Helpers shared by the record manager's tests: scratch folders, file
// definitions, and a position block with typed calls.
#ifndef QXLDRA_TEST_SUPPORT_H
#define QXLDRA_TEST_SUPPORT_H

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "file_definition.h"
#include "qxldra.h"

namespace qxldra_test {

using Bytes = std::vector<unsigned char>;

extern const unsigned char kClient[QX_LDRA_CLIENT_ID_SIZE];
extern const char kOwner[];

// A fresh folder below the working folder, removed (with what is left in
// it) by the destructor.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  std::string Path(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

qxldra::Segment Unsigned(uint16_t offset, uint16_t length = 4);
qxldra::Segment Signed(uint16_t offset, uint16_t length = 4);
qxldra::Segment Text(uint16_t offset, uint16_t length);
qxldra::KeyDefinition Key(uint16_t flags, std::initializer_list<qxldra::Segment> segments);
qxldra::FileDefinition Definition(uint16_t record_length, std::initializer_list<qxldra::KeyDefinition> keys);

// The data buffer of QX_LDRA_OP_CREATE: owner name, zero, definition block.
Bytes CreateBuffer(const std::string& owner, const qxldra::FileDefinition& definition);
int16_t CreateDataFile(const std::string& path, const qxldra::FileDefinition& definition,
                   const std::string& owner = kOwner);

// Little-endian integers into and out of records.
void PutU32(Bytes& bytes, std::size_t offset, uint32_t value);
uint32_t GetU32(const Bytes& bytes, std::size_t offset);
Bytes U32Key(uint32_t value);
void PutText(Bytes& bytes, std::size_t offset, std::size_t width, const std::string& text);

// One position block and the calls on it. Reads size the data buffer to
// `buffer_size` and keep what they return in record() and key().
class Position {
 public:
  explicit Position(uint16_t buffer_size = 1024);
  int16_t Open(const std::string& path, const std::string& owner = kOwner,
               const unsigned char* client = kClient);
  int16_t Close();
  int16_t Insert(Bytes& record, int key_number = -1);
  int16_t Delete();
  int16_t Read(uint16_t operation, int key_number, const Bytes& key_value = {});
  int16_t Equal(int key_number, const Bytes& key_value) { return Read(QX_LDRA_OP_GET_EQUAL, key_number, key_value); }
  int16_t Greater(int key_number, const Bytes& key_value) {
    return Read(QX_LDRA_OP_GET_GREATER, key_number, key_value);
  }
  int16_t First(int key_number) { return Read(QX_LDRA_OP_GET_FIRST, key_number); }
  int16_t Next(int key_number) { return Read(QX_LDRA_OP_GET_NEXT, key_number); }

  // Reads key `key_number` from the first record on, and returns the u32 at
  // `offset` of every record read, stopping at the first non-zero status,
  // which goes to *end.
  std::vector<uint32_t> Walk(int key_number, std::size_t offset, int16_t* end);

  const Bytes& record() const { return record_; }
  const Bytes& key() const { return key_; }
  uint16_t data_length() const { return data_length_; }
  unsigned char* block() { return block_; }

 private:
  unsigned char block_[QX_LDRA_POSITION_SIZE] = {};
  uint16_t buffer_size_;
  uint16_t data_length_ = 0;
  Bytes record_;
  Bytes key_;
};

// Every byte of a file, to look for texts that must not be there.
std::string FileBytes(const std::string& path);

// Runs SQL on the database at `path` directly, as someone who can write
// the file may: SQLITE_OK or the error.
int RunSql(const std::string& path, const std::string& sql);

// A test in a scratch folder of its own that must end with no injected
// failure pending and, once the client is reset, no file left open.
class RecordManagerTest : public ::testing::Test {
 protected:
  void TearDown() override;
  // Creates `name` in the folder and opens it on `position`; the path.
  std::string Make(const std::string& name, const qxldra::FileDefinition& definition, Position& position);

  ScratchFolder folder_;
};

}  // namespace qxldra_test

#endif
