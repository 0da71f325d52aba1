// A prepared SQLite statement owned by one open data file, prepared once
// and reused for every call.
#ifndef QXLDRA_STATEMENT_H
#define QXLDRA_STATEMENT_H

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace qxldra {

// The record manager's status for an SQLite result code.
int16_t StatusOfSqlite(int code);

class Statement {
 public:
  Statement() = default;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { Finalize(); }

  void Finalize() {
    sqlite3_finalize(statement_);
    statement_ = nullptr;
  }

  // SQLITE_OK or the error of preparing `sql` on `db`.
  int Prepare(sqlite3* db, const std::string& sql);

  sqlite3_stmt* get() const { return statement_; }

  // The bytes bound stay the caller's: they must live until the step. No
  // bytes bind an empty BLOB, never NULL.
  void BindBlob(int index, const void* bytes, std::size_t size) {
    if (size == 0) {
      sqlite3_bind_zeroblob(statement_, index, 0);
    } else {
      sqlite3_bind_blob(statement_, index, bytes, static_cast<int>(size), SQLITE_STATIC);
    }
  }
  void BindInt(int index, int64_t value) { sqlite3_bind_int64(statement_, index, value); }

  // Steps once and resets when that ends the statement (SQLITE_DONE or an
  // error). After SQLITE_ROW the caller reads the row and calls Reset, so
  // that no read transaction outlives the call.
  int Step();
  void Reset() { sqlite3_reset(statement_); }

  // Runs a statement that returns no row to the end: SQLITE_OK or the error.
  int Run();

 private:
  sqlite3_stmt* statement_ = nullptr;
};

}  // namespace qxldra

#endif
