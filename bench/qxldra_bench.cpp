// The record manager against SQLite used directly, side by side on one file
// of 100,000 records: get equal on a unique and on a duplicate key, get
// next along a key, get greater, and insert. The direct look-ups use
// prepared statements on a second connection to the same file, each step in
// its own read transaction, as the record manager's calls are.
//
// Run: build/linux/bin/qxldra_bench --benchmark_repetitions=9
//        --benchmark_report_aggregates_only=true   (and read the medians)
//
// The file is filled in one transaction through the direct connection (a
// record-manager insert waits for the disk each time); the rows follow the
// record manager's layout: table `records` with `seq`, `data` and one
// column per key holding the key value most significant byte first.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "qxldra.h"

namespace {

constexpr uint32_t kRecords = 100000;
constexpr uint32_t kPerGroup = 10;
constexpr uint16_t kRecordLength = 64;
const unsigned char kClient[QX_LDRA_CLIENT_ID_SIZE] = {};

void Put(unsigned char* at, std::size_t width, uint64_t value) {
  for (std::size_t i = 0; i < width; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint32_t Get(const unsigned char* at) {
  return static_cast<uint32_t>(at[0] | (at[1] << 8) | (at[2] << 16) | (uint32_t{at[3]} << 24));
}

void BigEndian(unsigned char* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

// Record: id (key 0, unique), group (key 1, duplicates: kPerGroup records
// per group), then filler.
void MakeRecord(unsigned char* record, uint32_t id) {
  std::memset(record, 0x5A, kRecordLength);
  Put(record, 4, id);
  Put(record + 4, 4, id / kPerGroup);
}

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(what);
}

sqlite3_stmt* Prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  Check(sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) == SQLITE_OK, sql);
  return statement;
}

// Inserts the record of `id` through a prepared direct INSERT.
bool InsertDirect(sqlite3_stmt* insert, uint32_t id) {
  unsigned char record[kRecordLength], k0[4], k1[4];
  MakeRecord(record, id);
  BigEndian(k0, id);
  BigEndian(k1, id / kPerGroup);
  sqlite3_bind_blob(insert, 1, record, kRecordLength, SQLITE_STATIC);
  sqlite3_bind_blob(insert, 2, k0, 4, SQLITE_STATIC);
  sqlite3_bind_blob(insert, 3, k1, 4, SQLITE_STATIC);
  const bool done = sqlite3_step(insert) == SQLITE_DONE;
  sqlite3_reset(insert);
  return done;
}

constexpr char kInsertSql[] = "INSERT INTO records(data, k0, k1) VALUES (?1, ?2, ?3)";

struct Setup {
  std::filesystem::path folder;
  std::string path;
  unsigned char position[QX_LDRA_POSITION_SIZE] = {};
  sqlite3* direct = nullptr;
  std::vector<uint32_t> random_ids;
  uint32_t next_insert_id = kRecords + 1;

  Setup() {
    folder = std::filesystem::temp_directory_path() / ("qxldra_bench_" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(folder);
    path = (folder / "records").string();

    // owner name, zero, definition block
    std::vector<unsigned char> create = {'b', 'e', 'n', 'c', 'h', 0};
    const uint16_t block[] = {kRecordLength, 2,
                              QX_LDRA_KEY_UNIQUE, 1, 0, 4, QX_LDRA_SEG_UNSIGNED,
                              QX_LDRA_KEY_DUPLICATES, 1, 4, 4, QX_LDRA_SEG_UNSIGNED};
    for (uint16_t word : block) {
      create.push_back(static_cast<unsigned char>(word));
      create.push_back(static_cast<unsigned char>(word >> 8));
    }
    uint16_t length = static_cast<uint16_t>(create.size());
    Check(qx_LDRAID(QX_LDRA_OP_CREATE, nullptr, create.data(), &length, path.data(), 0, kClient) == 0, "create");

    Check(sqlite3_open_v2(path.c_str(), &direct, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK, "open");
    sqlite3_busy_timeout(direct, QX_LDRA_BUSY_WAIT_MS);
    Check(sqlite3_exec(direct, "PRAGMA synchronous=FULL; BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK, "begin");
    sqlite3_stmt* insert = Prepare(direct, kInsertSql);
    for (uint32_t id = 1; id <= kRecords; ++id) Check(InsertDirect(insert, id), "insert");
    sqlite3_finalize(insert);
    Check(sqlite3_exec(direct, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK, "commit");

    char owner[] = "bench";
    length = sizeof owner;
    Check(qx_LDRAID(QX_LDRA_OP_OPEN, position, owner, &length, path.data(), 0, kClient) == 0, "open");

    std::mt19937 random(7);
    for (int i = 0; i < 8192; ++i) random_ids.push_back(1 + random() % kRecords);
  }

  ~Setup() {
    qx_LDRAID(QX_LDRA_OP_RESET, nullptr, nullptr, nullptr, nullptr, 0, kClient);
    sqlite3_close_v2(direct);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

// ---- Record manager ------------------------------------------------------------

int16_t Call(uint16_t operation, unsigned char* record, unsigned char* key, int16_t key_number) {
  uint16_t length = kRecordLength;
  return qx_LDRAID(operation, Shared().position, record, &length, key, key_number, kClient);
}

// The key value looked up for a random record id.
using KeyOf = uint32_t (*)(uint32_t id);
uint32_t IdItself(uint32_t id) { return id; }
uint32_t GroupOf(uint32_t id) { return id / kPerGroup; }
uint32_t IdBefore(uint32_t id) { return id - 1; }

void LdraLookUp(benchmark::State& state, uint16_t operation, int16_t key_number, KeyOf key_of) {
  Setup& setup = Shared();
  unsigned char record[kRecordLength], key[QX_LDRA_MAX_KEY_LENGTH];
  std::size_t i = 0;
  for (auto _ : state) {
    Put(key, 4, key_of(setup.random_ids[i++ % setup.random_ids.size()]));
    if (Call(operation, record, key, key_number) != 0) state.SkipWithError("look-up");
  }
}

void BM_Ldra_GetEqualUnique(benchmark::State& state) { LdraLookUp(state, QX_LDRA_OP_GET_EQUAL, 0, IdItself); }
void BM_Ldra_GetEqualDuplicate(benchmark::State& state) { LdraLookUp(state, QX_LDRA_OP_GET_EQUAL, 1, GroupOf); }
void BM_Ldra_GetGreater(benchmark::State& state) { LdraLookUp(state, QX_LDRA_OP_GET_GREATER, 0, IdBefore); }

void LdraGetNext(benchmark::State& state, int16_t key_number) {
  unsigned char record[kRecordLength], key[QX_LDRA_MAX_KEY_LENGTH];
  if (Call(QX_LDRA_OP_GET_FIRST, record, key, key_number) != 0) state.SkipWithError("get first");
  for (auto _ : state) {
    int16_t status = Call(QX_LDRA_OP_GET_NEXT, record, key, key_number);
    if (status == QX_LDRA_END_OF_FILE) status = Call(QX_LDRA_OP_GET_FIRST, record, key, key_number);
    if (status != 0) state.SkipWithError("get next");
  }
}

void BM_Ldra_GetNextUnique(benchmark::State& state) { LdraGetNext(state, 0); }
void BM_Ldra_GetNextDuplicate(benchmark::State& state) { LdraGetNext(state, 1); }

void BM_Ldra_Insert(benchmark::State& state) {
  Setup& setup = Shared();
  unsigned char record[kRecordLength];
  for (auto _ : state) {
    MakeRecord(record, setup.next_insert_id++);
    if (Call(QX_LDRA_OP_INSERT, record, nullptr, -1) != 0) state.SkipWithError("insert");
  }
}

// ---- SQLite directly -------------------------------------------------------------

// Steps once and copies the record out, as a caller of SQLite would.
bool StepAndCopy(sqlite3_stmt* statement, unsigned char* record, int64_t* seq) {
  const bool row = sqlite3_step(statement) == SQLITE_ROW;
  if (row) {
    *seq = sqlite3_column_int64(statement, 0);
    std::memcpy(record, sqlite3_column_blob(statement, 1), kRecordLength);
  }
  sqlite3_reset(statement);
  return row;
}

void SqliteLookUp(benchmark::State& state, const char* sql, KeyOf key_of) {
  Setup& setup = Shared();
  sqlite3_stmt* statement = Prepare(setup.direct, sql);
  unsigned char record[kRecordLength], key[4];
  int64_t seq = 0;
  std::size_t i = 0;
  for (auto _ : state) {
    BigEndian(key, key_of(setup.random_ids[i++ % setup.random_ids.size()]));
    sqlite3_bind_blob(statement, 1, key, 4, SQLITE_STATIC);
    if (!StepAndCopy(statement, record, &seq)) state.SkipWithError("select");
  }
  sqlite3_finalize(statement);
}

void BM_Sqlite_GetEqualUnique(benchmark::State& state) {
  SqliteLookUp(state, "SELECT seq, data FROM records WHERE k0 = ?1", IdItself);
}
void BM_Sqlite_GetEqualDuplicate(benchmark::State& state) {
  SqliteLookUp(state, "SELECT seq, data FROM records WHERE k1 = ?1 ORDER BY seq LIMIT 1", GroupOf);
}
void BM_Sqlite_GetGreater(benchmark::State& state) {
  SqliteLookUp(state, "SELECT seq, data FROM records WHERE k0 > ?1 ORDER BY k0 LIMIT 1", IdBefore);
}

// The next record after the last one read: along k0 (unique) by its value;
// along k1 (duplicates) by its value and then insertion, with one row-value
// statement. `offset` is where the key's field lies in the record.
void SqliteGetNext(benchmark::State& state, const char* sql, std::size_t offset) {
  Setup& setup = Shared();
  sqlite3_stmt* next = Prepare(setup.direct, sql);
  unsigned char record[kRecordLength], key[4];
  int64_t seq = 0;
  uint32_t last = 0;
  for (auto _ : state) {
    BigEndian(key, last);
    sqlite3_bind_blob(next, 1, key, 4, SQLITE_STATIC);
    if (sqlite3_bind_parameter_count(next) == 2) sqlite3_bind_int64(next, 2, seq);
    if (StepAndCopy(next, record, &seq)) {
      last = Get(record + offset);
    } else {
      last = 0;
      seq = 0;
    }
  }
  sqlite3_finalize(next);
}

void BM_Sqlite_GetNextUnique(benchmark::State& state) {
  SqliteGetNext(state, "SELECT seq, data FROM records WHERE k0 > ?1 ORDER BY k0 LIMIT 1", 0);
}
void BM_Sqlite_GetNextDuplicate(benchmark::State& state) {
  SqliteGetNext(state, "SELECT seq, data FROM records WHERE (k1, seq) > (?1, ?2) ORDER BY k1, seq LIMIT 1", 4);
}

void BM_Sqlite_Insert(benchmark::State& state) {
  Setup& setup = Shared();
  sqlite3_stmt* insert = Prepare(setup.direct, kInsertSql);
  for (auto _ : state) {
    if (!InsertDirect(insert, setup.next_insert_id++)) state.SkipWithError("insert");
  }
  sqlite3_finalize(insert);
}

BENCHMARK(BM_Ldra_GetEqualUnique);
BENCHMARK(BM_Sqlite_GetEqualUnique);
BENCHMARK(BM_Ldra_GetEqualDuplicate);
BENCHMARK(BM_Sqlite_GetEqualDuplicate);
BENCHMARK(BM_Ldra_GetNextUnique);
BENCHMARK(BM_Sqlite_GetNextUnique);
BENCHMARK(BM_Ldra_GetNextDuplicate);
BENCHMARK(BM_Sqlite_GetNextDuplicate);
BENCHMARK(BM_Ldra_GetGreater);
BENCHMARK(BM_Sqlite_GetGreater);
BENCHMARK(BM_Ldra_Insert)->Iterations(300);
BENCHMARK(BM_Sqlite_Insert)->Iterations(300);

}  // namespace
