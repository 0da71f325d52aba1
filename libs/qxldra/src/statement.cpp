#include "statement.h"

#include "qxldra.h"

namespace qxldra {

int16_t StatusOfSqlite(int code) {
  switch (code & 0xff) {
    case SQLITE_OK:
      return QX_LDRA_OK;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return QX_LDRA_FILE_BUSY;
    case SQLITE_NOMEM:
      return QX_LDRA_NO_MEMORY;
    case SQLITE_CONSTRAINT:
      return QX_LDRA_DUPLICATE_KEY;
    case SQLITE_CORRUPT:
      return QX_LDRA_FILE_DAMAGED;
    case SQLITE_NOTADB:
    case SQLITE_SCHEMA:
      return QX_LDRA_NOT_A_DATA_FILE;
    case SQLITE_CANTOPEN:
      return QX_LDRA_FILE_NOT_FOUND;
    default:
      return QX_LDRA_IO_ERROR;
  }
}

int Statement::Prepare(sqlite3* db, const std::string& sql) {
  Finalize();
  return sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size() + 1),
                            SQLITE_PREPARE_PERSISTENT, &statement_, nullptr);
}

int Statement::Step() {
  int code = sqlite3_step(statement_);
  if (code != SQLITE_ROW) sqlite3_reset(statement_);
  return code;
}

int Statement::Run() {
  int code = Step();
  if (code == SQLITE_ROW) {
    Reset();
    return SQLITE_OK;
  }
  return code == SQLITE_DONE ? SQLITE_OK : code;
}

}  // namespace qxldra
