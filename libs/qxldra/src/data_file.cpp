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
// layout of its tables. Version 2 added the checksum of the meta rows;
// files of version 1 open without it.
constexpr int64_t kApplicationId = 0x514C4441;  // "QLDA"
constexpr int64_t kFormatVersion = 2;
constexpr int64_t kFormatWithoutChecksum = 1;

constexpr char kMetaSql[] = "CREATE TABLE meta(name TEXT PRIMARY KEY, value) WITHOUT ROWID";
// SQLite makes this table for the AUTOINCREMENT of `records`.
constexpr char kSequenceSql[] = "CREATE TABLE sqlite_sequence(name,seq)";

std::string Column(int key) { return "k" + std::to_string(key); }

// SQLite reads a name that starts with "file:" as a URI and ":memory:" as
// no file at all; "./" in front keeps such names ordinary paths.
std::string SqlitePath(const char* path) {
  std::string name(path);
  if (name == ":memory:" || name.rfind("file:", 0) == 0) name.insert(0, "./");
  return name;
}

// The status of an SQLite result on `db`, telling a lack of file handles
// from a file that cannot be opened.
int16_t StatusOf(sqlite3* db, int code) {
  const int primary = code & 0xff;
  if ((primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR) && db != nullptr &&
      OutOfFileHandles(sqlite3_system_errno(db))) {
    return QX_LDRA_NO_FILE_HANDLES;
  }
  return StatusOfSqlite(code);
}

// An error of reading a file's own layout means it is not a data file,
// unless the file could not be read at all.
int16_t LayoutStatus(sqlite3* db, int code) {
  const int16_t status = StatusOf(db, code);
  return status == QX_LDRA_IO_ERROR ? int16_t{QX_LDRA_NOT_A_DATA_FILE} : status;
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

int16_t OpenConnection(const char* path, sqlite3** db) {
  *db = nullptr;
  const int code = sqlite3_open_v2(SqlitePath(path).c_str(), db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                                   DataFileVfs());
  int16_t status = StatusOf(*db, code);
  // The settings read the file's header and schema.
  if (status == QX_LDRA_OK) status = LayoutStatus(*db, Configure(*db));
  if (status == QX_LDRA_OK) return QX_LDRA_OK;
  sqlite3_close(*db);
  *db = nullptr;
  return status;
}

// One entry of the database's schema.
struct SchemaEntry {
  std::string type, name, sql;
  bool operator==(const SchemaEntry&) const = default;
  bool operator<(const SchemaEntry& other) const { return name < other.name; }
};

// The schema of a data file of `definition`, in the order of making it and
// in the words SQLite keeps (every CREATE statement as it was given).
std::vector<SchemaEntry> SchemaOf(const FileDefinition& definition) {
  std::string records = "CREATE TABLE records(seq INTEGER PRIMARY KEY AUTOINCREMENT, data BLOB NOT NULL";
  for (int k = 0; k < definition.key_count; ++k) records += ", " + Column(k) + " BLOB NOT NULL";
  records += ")";
  std::vector<SchemaEntry> schema = {{"table", "records", records}, {"table", "sqlite_sequence", kSequenceSql}};
  for (int k = 0; k < definition.key_count; ++k) {
    const std::string index = "key" + std::to_string(k);
    schema.push_back({"index", index,
                      std::string(definition.keys[k].Duplicates() ? "CREATE INDEX " : "CREATE UNIQUE INDEX ") +
                          index + " ON records(" + Column(k) + ")"});
  }
  schema.push_back({"table", "meta", kMetaSql});
  return schema;
}

std::string CreateSchemaSql(const FileDefinition& definition) {
  std::string sql;
  for (const SchemaEntry& entry : SchemaOf(definition)) {
    if (entry.name != "sqlite_sequence") sql += entry.sql + ";";
  }
  return sql;
}

// Every entry of the database's schema, sorted by name.
int ReadSchema(sqlite3* db, std::vector<SchemaEntry>* schema) {
  Statement select;
  int code = select.Prepare(db, "SELECT type, name, sql FROM sqlite_schema");
  while (code == SQLITE_OK && (code = select.Step()) == SQLITE_ROW) {
    SchemaEntry entry;
    for (int column = 0; column < 3; ++column) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(select.get(), column));
      // An entry without SQL (an automatic index) is never one of ours.
      (column == 0 ? entry.type : column == 1 ? entry.name : entry.sql) = text != nullptr ? text : "";
    }
    schema->push_back(std::move(entry));
    code = SQLITE_OK;
  }
  if (code != SQLITE_DONE) return code;
  std::sort(schema->begin(), schema->end());
  return SQLITE_OK;
}

// The meta rows that open checks.
struct Meta {
  std::string definition, salt, hash, checksum;
};

int WriteMeta(sqlite3* db, const FileDefinition& definition, std::string_view owner) {
  unsigned char block[kMaxDefinitionBlockSize];
  const std::size_t block_size = EncodeDefinition(definition, block);
  unsigned char salt[kSaltSize];
  sqlite3_randomness(static_cast<int>(kSaltSize), salt);
  const Digest hash = OwnerHash(salt, owner);
  const Digest checksum =
      MetaChecksum({reinterpret_cast<const char*>(block), block_size}, salt, hash.data());

  Statement insert;
  int code = insert.Prepare(db, "INSERT INTO meta(name, value) VALUES (?1, ?2)");
  const struct {
    const char* name;
    const void* bytes;
    std::size_t size;
  } rows[] = {{"definition", block, block_size},
              {"owner_salt", salt, kSaltSize},
              {"owner_hash", hash.data(), hash.size()},
              {"checksum", checksum.data(), checksum.size()}};
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
  if (*code != SQLITE_ROW) {
    if (*code == SQLITE_DONE) *code = SQLITE_OK;
    return false;
  }
  *code = SQLITE_OK;
  const auto* bytes = static_cast<const char*>(sqlite3_column_blob(select.get(), 0));
  const int length = sqlite3_column_bytes(select.get(), 0);
  bool ok = bytes != nullptr && sqlite3_column_type(select.get(), 0) == SQLITE_BLOB &&
            (size == 0 || static_cast<std::size_t>(length) == size);
  if (ok) out->assign(bytes, static_cast<std::size_t>(length));
  select.Reset();
  return ok;
}

const unsigned char* AsBytes(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

// Checks that `db` holds exactly a data file of this record manager and
// reads its definition; checks the owner name when one is given. Nothing
// is read through the file's tables before its schema is known to be ours,
// so that a file made to look like a data file runs none of its own code.
int16_t CheckDataFile(sqlite3* db, const std::string_view* owner, FileDefinition* definition) {
  int64_t application_id = 0;
  int64_t version = 0;
  int code = QueryInt(db, "PRAGMA application_id", &application_id);
  if (code == SQLITE_OK) code = QueryInt(db, "PRAGMA user_version", &version);
  if (code != SQLITE_OK) return LayoutStatus(db, code);
  if (application_id != kApplicationId || (version != kFormatVersion && version != kFormatWithoutChecksum)) {
    return QX_LDRA_NOT_A_DATA_FILE;
  }
  std::vector<SchemaEntry> schema;
  code = ReadSchema(db, &schema);
  if (code != SQLITE_OK) return LayoutStatus(db, code);
  const SchemaEntry meta_table = {"table", "meta", kMetaSql};
  if (std::find(schema.begin(), schema.end(), meta_table) == schema.end()) return QX_LDRA_NOT_A_DATA_FILE;

  Meta meta;
  const bool with_checksum = version == kFormatVersion;
  if (!ReadMeta(db, "definition", 0, &meta.definition, &code) ||
      !ReadMeta(db, "owner_salt", kSaltSize, &meta.salt, &code) ||
      !ReadMeta(db, "owner_hash", Digest().size(), &meta.hash, &code) ||
      (with_checksum && !ReadMeta(db, "checksum", Digest().size(), &meta.checksum, &code))) {
    if (code != SQLITE_OK) return LayoutStatus(db, code);
    return QX_LDRA_NOT_A_DATA_FILE;
  }
  if (with_checksum) {
    const Digest expected = MetaChecksum(meta.definition, AsBytes(meta.salt), AsBytes(meta.hash));
    if (!SameDigest(expected.data(), AsBytes(meta.checksum))) return QX_LDRA_FILE_DAMAGED;
  }
  if (DecodeDefinition(AsBytes(meta.definition), meta.definition.size(), definition) != QX_LDRA_OK) {
    return QX_LDRA_NOT_A_DATA_FILE;
  }
  std::vector<SchemaEntry> expected = SchemaOf(*definition);
  std::sort(expected.begin(), expected.end());
  if (schema != expected) return QX_LDRA_NOT_A_DATA_FILE;
  if (owner != nullptr &&
      !SameDigest(OwnerHash(AsBytes(meta.salt), *owner).data(), AsBytes(meta.hash))) {
    return QX_LDRA_OWNER_REFUSED;
  }
  return QX_LDRA_OK;
}

// Opens and checks the data file at `path` (CheckDataFile); *db is the
// open connection on success.
int16_t OpenDataFile(const char* path, const std::string_view* owner, sqlite3** db, FileDefinition* definition) {
  int16_t status = OpenConnection(path, db);
  if (status != QX_LDRA_OK) return status;
  status = CheckDataFile(*db, owner, definition);
  if (status != QX_LDRA_OK) {
    sqlite3_close(*db);
    *db = nullptr;
  }
  return status;
}

// The name a new file is built under: beside its path, so that the move
// into place stays within one folder, and never the same twice.
std::string UnfinishedName(const char* path) {
  unsigned char random[8];
  sqlite3_randomness(static_cast<int>(sizeof random), random);
  static const char kDigits[] = "0123456789abcdef";
  std::string name = std::string(path) + ".new-";
  for (unsigned char byte : random) {
    name += kDigits[byte >> 4];
    name += kDigits[byte & 15];
  }
  return name;
}

// Builds a complete data file in the empty file at `path`. The file is
// nobody else's until it is moved into place, and a crash leaves it
// unfinished under its own name, so it is built without a journal and
// synchronised once, by the last change: the one that puts it in
// write-ahead-log mode.
int16_t Build(const std::string& path, std::string_view owner, const FileDefinition& definition) {
  sqlite3* db = nullptr;
  int16_t status = OpenConnection(path.c_str(), &db);
  if (status == QX_LDRA_FILE_NOT_FOUND) return QX_LDRA_CANNOT_CREATE;
  if (status != QX_LDRA_OK) return status;
  int code = Exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN IMMEDIATE");
  if (code == SQLITE_OK) code = Exec(db, CreateSchemaSql(definition));
  if (code == SQLITE_OK) code = WriteMeta(db, definition, owner);
  if (code == SQLITE_OK) {
    code = Exec(db, "PRAGMA user_version=" + std::to_string(kFormatVersion) +
                        "; PRAGMA application_id=" + std::to_string(kApplicationId) + "; COMMIT");
  }
  if (code == SQLITE_OK) code = Exec(db, "PRAGMA synchronous=FULL");
  Statement wal;
  if (code == SQLITE_OK) code = wal.Prepare(db, "PRAGMA journal_mode=WAL");
  if (code == SQLITE_OK) {
    code = wal.Step();
    const auto* mode = reinterpret_cast<const char*>(sqlite3_column_text(wal.get(), 0));
    code = code == SQLITE_ROW && mode != nullptr && std::strcmp(mode, "wal") == 0 ? SQLITE_OK : SQLITE_IOERR;
    wal.Finalize();
  }
  status = StatusOf(db, code);
  if (sqlite3_close(db) != SQLITE_OK && status == QX_LDRA_OK) status = QX_LDRA_IO_ERROR;
  return status == QX_LDRA_FILE_NOT_FOUND ? int16_t{QX_LDRA_CANNOT_CREATE} : status;
}

// Whether (key, seq) comes after `place` in the order of the key's index:
// stored keys bytewise (a shorter one first when it is a prefix), then seq.
bool Follows(const unsigned char* key, std::size_t size, int64_t seq, const unsigned char* place_key,
             std::size_t place_size, int64_t place_seq) {
  const int order = size == 0 || place_size == 0 ? 0 : std::memcmp(key, place_key, std::min(size, place_size));
  if (order != 0) return order > 0;
  if (size != place_size) return size > place_size;
  return seq > place_seq;
}

}  // namespace

int16_t DataFile::Create(const char* path, std::string_view owner, const FileDefinition& definition) {
  if (PathExists(path)) return QX_LDRA_FILE_EXISTS;
  const std::string unfinished = UnfinishedName(path);
  switch (CreateOwnerOnlyFile(unfinished.c_str())) {
    case NewFile::kCreated:
      break;
    case NewFile::kNoHandles:
      return QX_LDRA_NO_FILE_HANDLES;
    default:
      return QX_LDRA_CANNOT_CREATE;
  }
  int16_t status = Build(unfinished, owner, definition);
  if (status == QX_LDRA_OK) {
    RemoveCompanions(unfinished.c_str());
    switch (MoveIntoPlace(unfinished.c_str(), path)) {
      case NewFile::kCreated:
        return QX_LDRA_OK;
      case NewFile::kExists:
        status = QX_LDRA_FILE_EXISTS;
        break;
      case NewFile::kNoHandles:
        status = QX_LDRA_NO_FILE_HANDLES;
        break;
      case NewFile::kFailed:
        status = QX_LDRA_CANNOT_CREATE;
        break;
    }
  }
  RemoveDataFile(unfinished.c_str());
  return status;
}

int16_t DataFile::Open(const char* path, std::string_view owner, std::unique_ptr<DataFile>* file) {
  sqlite3* db = nullptr;
  FileDefinition definition;
  int16_t status = OpenDataFile(path, &owner, &db, &definition);
  if (status != QX_LDRA_OK) return status;
  std::unique_ptr<DataFile> opened(new (std::nothrow) DataFile(db, definition));
  if (opened == nullptr) {
    sqlite3_close(db);
    return QX_LDRA_NO_MEMORY;
  }
  const int code = opened->PrepareStatements();
  if (code != SQLITE_OK) return LayoutStatus(db, code);
  opened->record_.assign(opened->definition_.record_length, 0);
  opened->place_.key.reserve(QX_LDRA_MAX_KEY_LENGTH);
  opened->bound_.key.reserve(QX_LDRA_MAX_KEY_LENGTH);
  *file = std::move(opened);
  return QX_LDRA_OK;
}

int16_t DataFile::CheckDefinition(const char* path, const FileDefinition& definition) {
  sqlite3* db = nullptr;
  FileDefinition found;
  const int16_t status = OpenDataFile(path, nullptr, &db, &found);
  sqlite3_close(db);
  if (status != QX_LDRA_OK) return status;
  unsigned char expected_block[kMaxDefinitionBlockSize];
  unsigned char found_block[kMaxDefinitionBlockSize];
  const std::size_t size = EncodeDefinition(definition, expected_block);
  const bool same = EncodeDefinition(found, found_block) == size && std::memcmp(expected_block, found_block, size) == 0;
  return same ? QX_LDRA_OK : QX_LDRA_OTHER_LAYOUT;
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
                               &raise_last_id_, &highest_id_}) {
    statement->Finalize();
  }
  sqlite3_close(db_);
}

int DataFile::PrepareStatements() {
  std::string insert_columns = "INSERT INTO records(data";
  std::string insert_values = ") VALUES (?1";
  int code = SQLITE_OK;
  for (int k = 0; k < definition_.key_count && code == SQLITE_OK; ++k) {
    const std::string column = Column(k);
    const std::string rows = "SELECT seq, data, " + column + " FROM records ";
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
    if (code == SQLITE_OK) {
      code = raise_last_id_.Prepare(db_, "UPDATE meta SET value = max(value, ?1) WHERE name = 'last_id'");
    }
    if (code == SQLITE_OK) {
      code = highest_id_.Prepare(db_, "SELECT " + column + " FROM records ORDER BY " + column + " DESC LIMIT 1");
    }
  }
  return code;
}

int16_t DataFile::FindRow(Statement& statement, int key_number, unsigned char* key, unsigned char* record,
                          int16_t not_found, const Place* after) {
  const int code = statement.Step();
  if (code == SQLITE_DONE) return not_found;
  if (code != SQLITE_ROW) return StatusOfSqlite(code);
  sqlite3_stmt* row = statement.get();
  const int64_t seq = sqlite3_column_int64(row, 0);
  const auto* data = static_cast<const unsigned char*>(sqlite3_column_blob(row, 1));
  const int data_size = sqlite3_column_bytes(row, 1);
  const auto* stored = static_cast<const unsigned char*>(sqlite3_column_blob(row, 2));
  const auto stored_size = static_cast<std::size_t>(sqlite3_column_bytes(row, 2));
  if (sqlite3_errcode(db_) == SQLITE_NOMEM) {
    statement.Reset();
    return QX_LDRA_NO_MEMORY;
  }
  // A row that is not past the place means a damaged index: the block stays
  // where it is rather than go back.
  if (after != nullptr &&
      !Follows(stored, stored_size, seq, after->key.data(), after->key.size(), after->seq)) {
    statement.Reset();
    return QX_LDRA_FILE_DAMAGED;
  }
  // The record must be whole and hold the key it is stored under.
  const KeyDefinition& definition = definition_.keys[key_number];
  const std::size_t length = definition.Length();
  unsigned char raw[QX_LDRA_MAX_KEY_LENGTH];
  unsigned char encoded[QX_LDRA_MAX_KEY_LENGTH];
  bool intact = data != nullptr && data_size == definition_.record_length && stored_size == length &&
                sqlite3_column_type(row, 2) == SQLITE_BLOB;
  if (intact) {
    KeyFromRecord(definition, data, raw);
    EncodeKey(definition, raw, encoded);
    intact = std::memcmp(encoded, stored, length) == 0;
  }
  if (intact) {
    std::memcpy(record, data, definition_.record_length);
    std::memcpy(key, raw, length);
  }
  // Either way the block moves on by what the index holds, so that a walk
  // goes past a damaged record.
  place_.key.assign(stored, stored + stored_size);
  place_.seq = seq;
  statement.Reset();
  key_ = key_number;
  has_place_ = true;
  has_current_ = intact;
  return intact ? QX_LDRA_OK : QX_LDRA_FILE_DAMAGED;
}

int16_t DataFile::ReadByValue(Statement& statement, int key_number, unsigned char* key,
                              unsigned char* record, int16_t not_found, const Place* after) {
  const KeyDefinition& definition = definition_.keys[key_number];
  const unsigned char* stored = stored_keys_[key_number].data();
  statement.BindBlob(1, stored, definition.Length());
  const int16_t status = FindRow(statement, key_number, key, record, not_found, after);
  if (status == not_found) {
    // No current record, but a place just after the value looked for, so
    // that get next goes on with the records behind it.
    place_.key.assign(stored, stored + definition.Length());
    place_.seq = INT64_MAX;
    key_ = key_number;
    has_place_ = true;
    has_current_ = false;
  }
  return status;
}

int16_t DataFile::GetEqual(int key_number, unsigned char* key, unsigned char* record) {
  EncodeKey(definition_.keys[key_number], key, stored_keys_[key_number].data());
  return ReadByValue(key_statements_[key_number].equal, key_number, key, record, QX_LDRA_KEY_NOT_FOUND, nullptr);
}

int16_t DataFile::GetGreater(int key_number, unsigned char* key, unsigned char* record) {
  const KeyDefinition& definition = definition_.keys[key_number];
  unsigned char* stored = stored_keys_[key_number].data();
  EncodeKey(definition, key, stored);
  // Past every record of the value itself.
  bound_.key.assign(stored, stored + definition.Length());
  bound_.seq = INT64_MAX;
  return ReadByValue(key_statements_[key_number].greater, key_number, key, record, QX_LDRA_END_OF_FILE, &bound_);
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
  // The statements read the place from a copy, since FindRow moves it.
  bound_ = place_;
  if (definition.Duplicates()) {
    statements.next_duplicate.BindBlob(1, bound_.key.data(), bound_.key.size());
    statements.next_duplicate.BindInt(2, bound_.seq);
    const int16_t status =
        FindRow(statements.next_duplicate, key_number, key, record, QX_LDRA_END_OF_FILE, &bound_);
    if (status != QX_LDRA_END_OF_FILE) return status;
  }
  statements.greater.BindBlob(1, bound_.key.data(), bound_.key.size());
  const int16_t status = FindRow(statements.greater, key_number, key, record, QX_LDRA_END_OF_FILE, &bound_);
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
  // Files of the first format counted only the ids they gave; the highest
  // id present covers those given by callers.
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

int16_t DataFile::InsertNumbered(std::size_t id_offset) {
  // The id is chosen (when the record holds 0), used and counted in one
  // write transaction, so that two processes never take the same one. Every
  // id raises the count, the caller's own too: an id that was ever in the
  // file is never given again, since rows elsewhere may still name it.
  int16_t status = StatusOfSqlite(begin_.Run());
  if (status != QX_LDRA_OK) return status;
  uint32_t id = LoadU32(record_.data() + id_offset);
  if (id == 0) {
    status = NextId(&id);
    if (status == QX_LDRA_OK) StoreU32(record_.data() + id_offset, id);
  }
  if (status == QX_LDRA_OK) status = InsertRow();
  if (status == QX_LDRA_OK) {
    raise_last_id_.BindInt(1, id);
    status = StatusOfSqlite(raise_last_id_.Run());
  }
  if (status == QX_LDRA_OK) status = StatusOfSqlite(commit_.Run());
  if (status != QX_LDRA_OK && !sqlite3_get_autocommit(db_)) rollback_.Run();
  return status;
}

int16_t DataFile::Insert(unsigned char* record, unsigned char* key, int key_number) {
  std::memcpy(record_.data(), record, record_.size());
  const int numbered = definition_.AutoNumberedKey();
  if (numbered >= 0) {
    const std::size_t id_offset = definition_.keys[numbered].segments[0].offset;
    const int16_t status = InsertNumbered(id_offset);
    if (status != QX_LDRA_OK) return status;
    std::memcpy(record + id_offset, record_.data() + id_offset, 4);
  } else {
    const int16_t status = InsertRow();
    if (status != QX_LDRA_OK) return status;
  }
  if (key_number >= 0) {
    const KeyDefinition& definition = definition_.keys[key_number];
    unsigned char raw[QX_LDRA_MAX_KEY_LENGTH];
    KeyFromRecord(definition, record_.data(), raw);
    const unsigned char* stored = stored_keys_[key_number].data();
    place_.key.assign(stored, stored + definition.Length());
    if (key != nullptr) std::memcpy(key, raw, definition.Length());
    key_ = key_number;
    place_.seq = sqlite3_last_insert_rowid(db_);
    has_place_ = true;
    has_current_ = true;
  }
  return QX_LDRA_OK;
}

int16_t DataFile::Delete() {
  if (!has_current_) return QX_LDRA_NO_CURRENT_RECORD;
  delete_.BindInt(1, place_.seq);
  const int16_t status = StatusOfSqlite(delete_.Run());
  if (status != QX_LDRA_OK) return status;
  has_current_ = false;
  // Another position block or process deleted it first.
  if (sqlite3_changes(db_) == 0) return QX_LDRA_NO_CURRENT_RECORD;
  return QX_LDRA_OK;
}

}  // namespace qxldra
