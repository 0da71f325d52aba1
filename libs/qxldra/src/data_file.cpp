#include "data_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "bytes.h"
#include "key_codec.h"
#include "new_file.h"
#include "owner_name.h"

namespace qxldra {

namespace {

// Marks an SQLite database as a data file of this record manager, and the
// layout of its tables.
constexpr int64_t kApplicationId = 0x514C4441;  // "QLDA"
constexpr int64_t kFormatVersion = 1;

std::string Column(int key) { return "k" + std::to_string(key); }

// SQLite reads a name that starts with "file:" as a URI and ":memory:" as
// no file at all; "./" in front keeps such names ordinary paths.
std::string SqlitePath(const char* path) {
  std::string name(path);
  if (name == ":memory:" || name.rfind("file:", 0) == 0) name.insert(0, "./");
  return name;
}

int Exec(sqlite3* db, const std::string& sql) {
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

// Runs a query of one integer result; a query without a row reads as 0.
int QueryInt(sqlite3* db, const char* sql, int64_t* value) {
  Statement statement;
  int code = statement.Prepare(db, sql);
  if (code != SQLITE_OK) return code;
  *value = 0;
  code = statement.Step();
  if (code == SQLITE_ROW) {
    *value = sqlite3_column_int64(statement.get(), 0);
    statement.Reset();
    return SQLITE_OK;
  }
  return code == SQLITE_DONE ? SQLITE_OK : code;
}

int Configure(sqlite3* db) {
  sqlite3_busy_timeout(db, QX_LDRA_BUSY_WAIT_MS);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  return Exec(db, "PRAGMA synchronous=FULL; PRAGMA trusted_schema=OFF");
}

int OpenConnection(const char* path, sqlite3** db) {
  *db = nullptr;
  int code = sqlite3_open_v2(SqlitePath(path).c_str(), db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                             DataFileVfs());
  if (code == SQLITE_OK) code = Configure(*db);
  if (code != SQLITE_OK) {
    sqlite3_close(*db);
    *db = nullptr;
  }
  return code;
}

std::string CreateSchemaSql(const FileDefinition& definition) {
  std::string sql = "CREATE TABLE records(seq INTEGER PRIMARY KEY AUTOINCREMENT, data BLOB NOT NULL";
  for (int k = 0; k < definition.key_count; ++k) sql += ", " + Column(k) + " BLOB NOT NULL";
  sql += ");";
  for (int k = 0; k < definition.key_count; ++k) {
    sql += definition.keys[k].Duplicates() ? "CREATE INDEX key" : "CREATE UNIQUE INDEX key";
    sql += std::to_string(k) + " ON records(" + Column(k) + ");";
  }
  sql += "CREATE TABLE meta(name TEXT PRIMARY KEY, value) WITHOUT ROWID;";
  return sql;
}

int WriteMeta(sqlite3* db, const FileDefinition& definition, std::string_view owner) {
  unsigned char block[kMaxDefinitionBlockSize];
  const std::size_t block_size = EncodeDefinition(definition, block);
  unsigned char salt[kSaltSize];
  sqlite3_randomness(static_cast<int>(kSaltSize), salt);
  const Digest hash = OwnerHash(salt, owner);

  Statement insert;
  int code = insert.Prepare(db, "INSERT INTO meta(name, value) VALUES (?1, ?2)");
  const struct {
    const char* name;
    const void* bytes;
    std::size_t size;
  } rows[] = {{"definition", block, block_size}, {"owner_salt", salt, kSaltSize},
              {"owner_hash", hash.data(), hash.size()}};
  for (const auto& row : rows) {
    if (code != SQLITE_OK) return code;
    sqlite3_bind_text(insert.get(), 1, row.name, -1, SQLITE_STATIC);
    insert.BindBlob(2, row.bytes, row.size);
    code = insert.Run();
  }
  if (code != SQLITE_OK) return code;
  sqlite3_bind_text(insert.get(), 1, "last_id", -1, SQLITE_STATIC);
  insert.BindInt(2, 0);
  return insert.Run();
}

// Reads one BLOB of the meta table into `out`; false when it is missing or
// has another size (when `size` is not 0).
bool ReadMeta(sqlite3* db, const char* name, std::size_t size, std::string* out, int* code) {
  Statement select;
  *code = select.Prepare(db, "SELECT value FROM meta WHERE name = ?1");
  if (*code != SQLITE_OK) return false;
  sqlite3_bind_text(select.get(), 1, name, -1, SQLITE_STATIC);
  *code = select.Step();
  if (*code != SQLITE_ROW) return false;
  *code = SQLITE_OK;
  const auto* bytes = static_cast<const char*>(sqlite3_column_blob(select.get(), 0));
  const int length = sqlite3_column_bytes(select.get(), 0);
  bool ok = bytes != nullptr && sqlite3_column_type(select.get(), 0) == SQLITE_BLOB &&
            (size == 0 || static_cast<std::size_t>(length) == size);
  if (ok) out->assign(bytes, static_cast<std::size_t>(length));
  select.Reset();
  return ok;
}

// An error of reading a file's own layout means it is not a data file,
// unless the file could not be read at all.
int16_t LayoutStatus(int code) {
  const int16_t status = StatusOfSqlite(code);
  if (status == QX_LDRA_IO_ERROR) return QX_LDRA_NOT_A_DATA_FILE;
  return status;
}

// Checks that `db` holds a data file, reads its definition and checks the
// owner name against its hash.
int16_t ReadAndCheck(sqlite3* db, std::string_view owner, FileDefinition* definition) {
  int64_t application_id = 0;
  int64_t version = 0;
  int code = QueryInt(db, "PRAGMA application_id", &application_id);
  if (code == SQLITE_OK) code = QueryInt(db, "PRAGMA user_version", &version);
  if (code != SQLITE_OK) return LayoutStatus(code);
  if (application_id != kApplicationId || version != kFormatVersion) return QX_LDRA_NOT_A_DATA_FILE;

  std::string block, salt, hash;
  if (!ReadMeta(db, "definition", 0, &block, &code) || !ReadMeta(db, "owner_salt", kSaltSize, &salt, &code) ||
      !ReadMeta(db, "owner_hash", Digest().size(), &hash, &code)) {
    if (code != SQLITE_OK) return LayoutStatus(code);
    return QX_LDRA_NOT_A_DATA_FILE;
  }
  if (DecodeDefinition(reinterpret_cast<const unsigned char*>(block.data()), block.size(), definition) !=
      QX_LDRA_OK) {
    return QX_LDRA_NOT_A_DATA_FILE;
  }
  const Digest given = OwnerHash(reinterpret_cast<const unsigned char*>(salt.data()), owner);
  if (!SameDigest(given.data(), reinterpret_cast<const unsigned char*>(hash.data()))) {
    return QX_LDRA_OWNER_REFUSED;
  }
  return QX_LDRA_OK;
}

}  // namespace

int16_t DataFile::Create(const char* path, std::string_view owner, const FileDefinition& definition) {
  switch (CreateOwnerOnlyFile(path)) {
    case NewFile::kCreated:
      break;
    case NewFile::kExists:
      return QX_LDRA_FILE_EXISTS;
    case NewFile::kFailed:
      return QX_LDRA_CANNOT_CREATE;
  }
  sqlite3* db = nullptr;
  int code = OpenConnection(path, &db);
  // The journal mode is chosen outside any transaction; everything else
  // appears at once, so that no one ever opens half a data file.
  if (code == SQLITE_OK) code = Exec(db, "PRAGMA journal_mode=WAL");
  if (code == SQLITE_OK) code = Exec(db, "BEGIN IMMEDIATE");
  if (code == SQLITE_OK) code = Exec(db, CreateSchemaSql(definition));
  if (code == SQLITE_OK) code = WriteMeta(db, definition, owner);
  if (code == SQLITE_OK) {
    code = Exec(db, "PRAGMA user_version=" + std::to_string(kFormatVersion) +
                        "; PRAGMA application_id=" + std::to_string(kApplicationId) + "; COMMIT");
  }
  if (code != SQLITE_OK && db != nullptr) Exec(db, "ROLLBACK");
  sqlite3_close(db);
  if (code == SQLITE_OK) return QX_LDRA_OK;
  RemoveDataFile(path);
  const int16_t status = StatusOfSqlite(code);
  if (status == QX_LDRA_FILE_NOT_FOUND) return QX_LDRA_CANNOT_CREATE;
  return status;
}

int16_t DataFile::Open(const char* path, std::string_view owner, std::unique_ptr<DataFile>* file) {
  sqlite3* db = nullptr;
  int code = OpenConnection(path, &db);
  if (code != SQLITE_OK) return StatusOfSqlite(code);
  std::unique_ptr<DataFile> opened(new (std::nothrow) DataFile(db, FileDefinition{}));
  if (opened == nullptr) {
    sqlite3_close(db);
    return QX_LDRA_NO_MEMORY;
  }
  int16_t status = ReadAndCheck(db, owner, &opened->definition_);
  if (status != QX_LDRA_OK) return status;
  code = opened->PrepareStatements();
  if (code != SQLITE_OK) return LayoutStatus(code);
  opened->record_.assign(opened->definition_.record_length, 0);
  *file = std::move(opened);
  return QX_LDRA_OK;
}

DataFile::DataFile(sqlite3* db, const FileDefinition& definition) : db_(db), definition_(definition) {}

DataFile::~DataFile() {
  // Statements first: the connection closes only when none is left.
  for (KeyStatements& key : key_statements_) {
    key.equal.Finalize();
    key.greater.Finalize();
    key.first.Finalize();
    key.next_duplicate.Finalize();
  }
  for (Statement* statement : {&insert_, &delete_, &begin_, &commit_, &rollback_, &last_id_,
                               &set_last_id_, &highest_id_}) {
    statement->Finalize();
  }
  sqlite3_close(db_);
}

int DataFile::PrepareStatements() {
  const std::string rows = "SELECT seq, data FROM records ";
  std::string insert_columns = "INSERT INTO records(data";
  std::string insert_values = ") VALUES (?1";
  int code = SQLITE_OK;
  for (int k = 0; k < definition_.key_count && code == SQLITE_OK; ++k) {
    const std::string column = Column(k);
    KeyStatements& key = key_statements_[k];
    code = key.equal.Prepare(db_, rows + "WHERE " + column + " = ?1 ORDER BY seq LIMIT 1");
    if (code == SQLITE_OK) {
      code = key.greater.Prepare(db_, rows + "WHERE " + column + " > ?1 ORDER BY " + column + ", seq LIMIT 1");
    }
    if (code == SQLITE_OK) code = key.first.Prepare(db_, rows + "ORDER BY " + column + ", seq LIMIT 1");
    if (code == SQLITE_OK && definition_.keys[k].Duplicates()) {
      code = key.next_duplicate.Prepare(
          db_, rows + "WHERE " + column + " = ?1 AND seq > ?2 ORDER BY seq LIMIT 1");
    }
    insert_columns += ", " + column;
    insert_values += ", ?" + std::to_string(k + 2);
  }
  if (code == SQLITE_OK) code = insert_.Prepare(db_, insert_columns + insert_values + ")");
  if (code == SQLITE_OK) code = delete_.Prepare(db_, "DELETE FROM records WHERE seq = ?1");
  if (code == SQLITE_OK) code = begin_.Prepare(db_, "BEGIN IMMEDIATE");
  if (code == SQLITE_OK) code = commit_.Prepare(db_, "COMMIT");
  if (code == SQLITE_OK) code = rollback_.Prepare(db_, "ROLLBACK");
  const int numbered = definition_.AutoNumberedKey();
  if (code == SQLITE_OK && numbered >= 0) {
    const std::string column = Column(numbered);
    code = last_id_.Prepare(db_, "SELECT value FROM meta WHERE name = 'last_id'");
    if (code == SQLITE_OK) code = set_last_id_.Prepare(db_, "UPDATE meta SET value = ?1 WHERE name = 'last_id'");
    if (code == SQLITE_OK) {
      code = highest_id_.Prepare(db_, "SELECT " + column + " FROM records ORDER BY " + column + " DESC LIMIT 1");
    }
  }
  return code;
}

int16_t DataFile::FindRow(Statement& statement, int key_number, unsigned char* key,
                          unsigned char* record, int16_t not_found) {
  const int code = statement.Step();
  if (code == SQLITE_DONE) return not_found;
  if (code != SQLITE_ROW) return StatusOfSqlite(code);
  const int64_t seq = sqlite3_column_int64(statement.get(), 0);
  const void* bytes = sqlite3_column_blob(statement.get(), 1);
  const int size = sqlite3_column_bytes(statement.get(), 1);
  if (bytes == nullptr || size != definition_.record_length) {
    const bool no_memory = sqlite3_errcode(db_) == SQLITE_NOMEM;
    statement.Reset();
    return no_memory ? QX_LDRA_NO_MEMORY : QX_LDRA_FILE_DAMAGED;
  }
  std::memcpy(record, bytes, static_cast<std::size_t>(size));
  statement.Reset();
  const KeyDefinition& definition = definition_.keys[key_number];
  KeyFromRecord(definition, record, key);
  EncodeKey(definition, key, place_.data());
  key_ = key_number;
  seq_ = seq;
  has_place_ = true;
  has_current_ = true;
  return QX_LDRA_OK;
}

int16_t DataFile::ReadByValue(Statement& statement, int key_number, unsigned char* key,
                              unsigned char* record, int16_t not_found) {
  const KeyDefinition& definition = definition_.keys[key_number];
  unsigned char* stored = stored_keys_[key_number].data();
  EncodeKey(definition, key, stored);
  statement.BindBlob(1, stored, definition.Length());
  const int16_t status = FindRow(statement, key_number, key, record, not_found);
  if (status == not_found) {
    // No current record, but a place just after the value looked for, so
    // that get next goes on with the records behind it.
    std::memcpy(place_.data(), stored, definition.Length());
    seq_ = INT64_MAX;
    key_ = key_number;
    has_place_ = true;
    has_current_ = false;
  }
  return status;
}

int16_t DataFile::GetEqual(int key_number, unsigned char* key, unsigned char* record) {
  return ReadByValue(key_statements_[key_number].equal, key_number, key, record, QX_LDRA_KEY_NOT_FOUND);
}

int16_t DataFile::GetGreater(int key_number, unsigned char* key, unsigned char* record) {
  return ReadByValue(key_statements_[key_number].greater, key_number, key, record, QX_LDRA_END_OF_FILE);
}

int16_t DataFile::GetFirst(int key_number, unsigned char* key, unsigned char* record) {
  const int16_t status =
      FindRow(key_statements_[key_number].first, key_number, key, record, QX_LDRA_END_OF_FILE);
  if (status == QX_LDRA_END_OF_FILE) {
    has_place_ = false;
    has_current_ = false;
  }
  return status;
}

int16_t DataFile::GetNext(unsigned char* key, unsigned char* record) {
  const int key_number = key_;
  const KeyDefinition& definition = definition_.keys[key_number];
  KeyStatements& statements = key_statements_[key_number];
  // The place stays bound while FindRow overwrites it: each statement has
  // been stepped and reset by then.
  if (definition.Duplicates()) {
    statements.next_duplicate.BindBlob(1, place_.data(), definition.Length());
    statements.next_duplicate.BindInt(2, seq_);
    const int16_t status = FindRow(statements.next_duplicate, key_number, key, record, QX_LDRA_END_OF_FILE);
    if (status != QX_LDRA_END_OF_FILE) return status;
  }
  statements.greater.BindBlob(1, place_.data(), definition.Length());
  const int16_t status = FindRow(statements.greater, key_number, key, record, QX_LDRA_END_OF_FILE);
  // At the end the block keeps its place, so that records added behind it
  // are found by a later get next.
  if (status == QX_LDRA_END_OF_FILE) has_current_ = false;
  return status;
}

int16_t DataFile::NextId(uint32_t* id) {
  int code = last_id_.Step();
  if (code == SQLITE_DONE) return QX_LDRA_FILE_DAMAGED;
  if (code != SQLITE_ROW) return StatusOfSqlite(code);
  const int64_t last = sqlite3_column_int64(last_id_.get(), 0);
  last_id_.Reset();
  int64_t highest = 0;
  code = highest_id_.Step();
  if (code == SQLITE_ROW) {
    const auto* stored = static_cast<const unsigned char*>(sqlite3_column_blob(highest_id_.get(), 0));
    if (stored != nullptr && sqlite3_column_bytes(highest_id_.get(), 0) == 4) {
      highest = (int64_t{stored[0]} << 24) | (stored[1] << 16) | (stored[2] << 8) | stored[3];
    }
    highest_id_.Reset();
  } else if (code != SQLITE_DONE) {
    return StatusOfSqlite(code);
  }
  const int64_t high = std::max(last, highest);
  if (high < 0 || high >= int64_t{UINT32_MAX}) return QX_LDRA_IDS_EXHAUSTED;
  *id = static_cast<uint32_t>(high + 1);
  return QX_LDRA_OK;
}

int16_t DataFile::InsertRow() {
  insert_.BindBlob(1, record_.data(), record_.size());
  for (int k = 0; k < definition_.key_count; ++k) {
    const KeyDefinition& definition = definition_.keys[k];
    unsigned char raw[QX_LDRA_MAX_KEY_LENGTH];
    KeyFromRecord(definition, record_.data(), raw);
    EncodeKey(definition, raw, stored_keys_[k].data());
    insert_.BindBlob(k + 2, stored_keys_[k].data(), definition.Length());
  }
  return StatusOfSqlite(insert_.Run());
}

int16_t DataFile::Insert(unsigned char* record, unsigned char* key, int key_number) {
  std::memcpy(record_.data(), record, record_.size());
  const int numbered = definition_.AutoNumberedKey();
  const std::size_t id_offset = numbered >= 0 ? definition_.keys[numbered].segments[0].offset : 0;
  const bool assign = numbered >= 0 && LoadU32(record_.data() + id_offset) == 0;
  int16_t status;
  if (assign) {
    // The id is chosen and used in one write transaction, so that two
    // processes never take the same one.
    status = StatusOfSqlite(begin_.Run());
    if (status != QX_LDRA_OK) return status;
    uint32_t id = 0;
    status = NextId(&id);
    if (status == QX_LDRA_OK) {
      StoreU32(record_.data() + id_offset, id);
      status = InsertRow();
    }
    if (status == QX_LDRA_OK) {
      set_last_id_.BindInt(1, id);
      status = StatusOfSqlite(set_last_id_.Run());
    }
    if (status == QX_LDRA_OK) status = StatusOfSqlite(commit_.Run());
    if (status != QX_LDRA_OK) {
      if (!sqlite3_get_autocommit(db_)) rollback_.Run();
      return status;
    }
    std::memcpy(record + id_offset, record_.data() + id_offset, 4);
  } else {
    status = InsertRow();
    if (status != QX_LDRA_OK) return status;
  }
  if (key_number >= 0) {
    const KeyDefinition& definition = definition_.keys[key_number];
    unsigned char raw[QX_LDRA_MAX_KEY_LENGTH];
    KeyFromRecord(definition, record_.data(), raw);
    EncodeKey(definition, raw, place_.data());
    if (key != nullptr) std::memcpy(key, raw, definition.Length());
    key_ = key_number;
    seq_ = sqlite3_last_insert_rowid(db_);
    has_place_ = true;
    has_current_ = true;
  }
  return QX_LDRA_OK;
}

int16_t DataFile::Delete() {
  if (!has_current_) return QX_LDRA_NO_CURRENT_RECORD;
  delete_.BindInt(1, seq_);
  const int16_t status = StatusOfSqlite(delete_.Run());
  if (status != QX_LDRA_OK) return status;
  has_current_ = false;
  // Another position block or process deleted it first.
  if (sqlite3_changes(db_) == 0) return QX_LDRA_NO_CURRENT_RECORD;
  return QX_LDRA_OK;
}

}  // namespace qxldra
