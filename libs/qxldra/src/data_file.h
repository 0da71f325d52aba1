// One open data file: an SQLite connection with its prepared statements, and
// the current position of the position block it belongs to.
//
// In the SQLite database, table `records` holds one row per record: `seq`,
// an increasing insertion number that is never reused; `data`, the record's
// bytes; and `k0`, `k1`, ... the value of each key in the stored form of
// key_codec.h, each with its own index (unique for unique keys). An index
// on `kN` orders equal values by `seq`, so duplicates come back in insertion
// order. Table `meta` holds the definition block, the owner-name salt and
// hash, a checksum over these three, and the highest id the auto-numbered
// key ever held. Nothing else is in the database: open refuses a file whose
// schema is not exactly this one.
#ifndef QXLDRA_DATA_FILE_H
#define QXLDRA_DATA_FILE_H

#include <sqlite3.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "file_definition.h"
#include "statement.h"

namespace qxldra {

class DataFile {
 public:
  // Creates a new file at `path` and leaves it closed. The file is built
  // under a name of its own beside `path` and moved there when complete.
  static int16_t Create(const char* path, std::string_view owner, const FileDefinition& definition);

  // Opens the file at `path` when `owner` is its owner name.
  static int16_t Open(const char* path, std::string_view owner, std::unique_ptr<DataFile>* file);

  // QX_LDRA_OK when the file at `path` is a complete data file of
  // `definition`, whatever its owner name; QX_LDRA_OTHER_LAYOUT when it is a
  // data file of another definition; else the status of opening it.
  static int16_t CheckDefinition(const char* path, const FileDefinition& definition);

  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;
  ~DataFile();

  const FileDefinition& definition() const { return definition_; }

  // The position: the key last used, and whether there is a current record
  // or only the place of one (after a delete, or a read that found nothing).
  int position_key() const { return has_place_ ? key_ : -1; }

  // `record` holds definition().record_length bytes; an auto-numbered id is
  // written back into it. Key number -1 keeps the position; from 0 the new
  // record becomes current and, when `key` is not null, receives its key.
  int16_t Insert(unsigned char* record, unsigned char* key, int key_number);
  int16_t Delete();

  // Reads write the record into `record` (record length bytes) and its key
  // into `key`.
  int16_t GetEqual(int key_number, unsigned char* key, unsigned char* record);
  int16_t GetGreater(int key_number, unsigned char* key, unsigned char* record);
  int16_t GetFirst(int key_number, unsigned char* key, unsigned char* record);
  // Along position_key(), which the caller has checked.
  int16_t GetNext(unsigned char* key, unsigned char* record);

 private:
  // Each selects seq, data and the stored key of its rows.
  struct KeyStatements {
    Statement equal;           // first row with this value, by seq
    Statement greater;         // first row with a greater value
    Statement first;           // first row of the key
    Statement next_duplicate;  // next row with the same value (duplicate keys)
  };

  // Where a position block stands along its key: a stored key value and an
  // insertion number. Rows come in the order of both.
  struct Place {
    std::vector<unsigned char> key;
    int64_t seq = 0;
  };

  DataFile(sqlite3* db, const FileDefinition& definition);
  int PrepareStatements();
  // FindRow reads the statement's first row and makes it current; with
  // `after`, only a row past that place counts (anything else is damage).
  // ReadByValue binds the key value in stored_keys_ first.
  int16_t FindRow(Statement& statement, int key_number, unsigned char* key, unsigned char* record,
                  int16_t not_found, const Place* after = nullptr);
  int16_t ReadByValue(Statement& statement, int key_number, unsigned char* key, unsigned char* record,
                      int16_t not_found, const Place* after);
  int16_t NextId(uint32_t* id);
  int16_t InsertRow();
  int16_t InsertNumbered(std::size_t id_offset);

  sqlite3* db_;
  FileDefinition definition_;
  std::array<KeyStatements, QX_LDRA_MAX_KEYS> key_statements_;
  Statement insert_, delete_, begin_, commit_, rollback_, last_id_, raise_last_id_, highest_id_;

  // Scratch of each call: the record being inserted and stored key values.
  std::vector<unsigned char> record_;
  std::array<std::array<unsigned char, QX_LDRA_MAX_KEY_LENGTH>, QX_LDRA_MAX_KEYS> stored_keys_{};

  int key_ = -1;
  bool has_place_ = false;
  bool has_current_ = false;
  Place place_;
  Place bound_;  // what a read must go past: a copy of the place, or a value
};

}  // namespace qxldra

#endif
