// Evaluation speed: filters through QXQFEvaluateExpression over 1,000,000
// record buffers (384-byte header + 64 bytes of data, in one arena), beside
// the same predicates written by hand in C++ over the same buffers and as a
// WHERE clause of SQLite over an in-memory table of the same values.
//
//   (a)  db 0 4 int = val 4 int 17 and db 8 8 char 0.0 != val 8 char "ABC"
//        ("!=" on texts cannot be evaluated: the filter never matches)
//   (a') the same with "=" on the text
//   (b)  a 15-node expression of integer and text comparisons
//   (c)  a "range" over two fields with an "exclude values" group

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "qxexpc.h"

namespace {

// QX_BENCH_RECORDS in the environment runs fewer, for profiling.
const int kRecords = [] {
  const char* n = std::getenv("QX_BENCH_RECORDS");
  return n != nullptr ? std::atoi(n) : 1000000;
}();
constexpr int kHeader = 384;
constexpr int kData = 64;
constexpr int kStride = kHeader + kData;

// Data layout: 0 int a, 4 int b, 8 char name (8), 16 int c.
struct Arena {
  std::vector<unsigned char> bytes;
  sqlite3* db = nullptr;

  Arena() : bytes(static_cast<size_t>(kRecords) * kStride, 0) {
    std::mt19937 rng(42);
    const char* names[] = {"ABC     ", "ABD     ", "X       ", "ABC DEF "};
    sqlite3_open(":memory:", &db);
    sqlite3_exec(db, "CREATE TABLE t(a INTEGER, b INTEGER, c INTEGER, name TEXT)", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t VALUES(?,?,?,?)", -1, &insert, nullptr);
    for (int i = 0; i < kRecords; ++i) {
      unsigned char* r = Record(i);
      uint32_t kind = 1;
      int32_t length = kData;
      std::memcpy(r + 12, &kind, 4);
      std::memcpy(r + 380, &length, 4);
      int32_t a = static_cast<int32_t>(rng() % 41), b = static_cast<int32_t>(rng() % 61),
              c = static_cast<int32_t>(rng() % 201);
      const char* name = names[rng() % 4];
      std::memcpy(r + kHeader + 0, &a, 4);
      std::memcpy(r + kHeader + 4, &b, 4);
      std::memcpy(r + kHeader + 8, name, 8);
      std::memcpy(r + kHeader + 16, &c, 4);
      std::string trimmed(name);
      trimmed.erase(trimmed.find_last_not_of(' ') + 1);
      sqlite3_bind_int(insert, 1, a);
      sqlite3_bind_int(insert, 2, b);
      sqlite3_bind_int(insert, 3, c);
      sqlite3_bind_text(insert, 4, trimmed.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  }
  unsigned char* Record(int i) { return bytes.data() + static_cast<size_t>(i) * kStride; }
};

Arena& TheArena() {
  static Arena arena;
  return arena;
}

int32_t Int(const unsigned char* r, int offset) {
  int32_t v;
  std::memcpy(&v, r + kHeader + offset, 4);
  return v;
}
bool NameIs(const unsigned char* r, const char* padded) { return std::memcmp(r + kHeader + 8, padded, 8) == 0; }

struct Predicate {
  const char* text;
  const char* where;
  bool (*by_hand)(const unsigned char* record);
};

const Predicate kPredicates[] = {
    {"db 0 4 int = val 4 int 17 and db 8 8 char 0.0 != val 8 char \"ABC\"", "a = 17 AND name != 'ABC'",
     [](const unsigned char* r) { return Int(r, 0) == 17 && !NameIs(r, "ABC     "); }},
    {"db 0 4 int = val 4 int 17 and db 8 8 char 0.0 = val 8 char \"ABC\"", "a = 17 AND name = 'ABC'",
     [](const unsigned char* r) { return Int(r, 0) == 17 && NameIs(r, "ABC     "); }},
    // A and B or C and D reads (A and (B or C)) and D: "or" binds tighter.
    {"db 0 4 int > val 4 int 5 and db 4 4 int > val 4 int 3 or db 16 4 int < val 4 int 100 "
     "and db 8 8 char 0.0 = val 8 char \"ABC\"",
     "a > 5 AND (b > 3 OR c < 100) AND name = 'ABC'",
     [](const unsigned char* r) {
       return Int(r, 0) > 5 && (Int(r, 4) > 3 || Int(r, 16) < 100) && NameIs(r, "ABC     ");
     }},
    {"range 2 db 0 4 int db 4 4 int val 4 int 10 val 4 int 0 val 4 int 30 val 4 int 50 "
     "exclude values val 4 int 17 val 4 int 5",
     "a BETWEEN 10 AND 30 AND b BETWEEN 0 AND 50 AND NOT (a = 17 AND b = 5)",
     [](const unsigned char* r) {
       int32_t a = Int(r, 0), b = Int(r, 4);
       return a >= 10 && a <= 30 && b >= 0 && b <= 50 && !(a == 17 && b == 5);
     }},
};

void Report(benchmark::State& state, int64_t matched) {
  state.counters["ns_per_record"] =
      benchmark::Counter(static_cast<double>(kRecords), benchmark::Counter::kIsIterationInvariantRate |
                                                            benchmark::Counter::kInvert);
  state.counters["matched"] = static_cast<double>(matched);
}

void BM_Library(benchmark::State& state) {
  const Predicate& p = kPredicates[state.range(0)];
  Arena& arena = TheArena();
  FilterHandle* handle = nullptr;
  if (QXQFStoreExpression(p.text, &handle) != 0) {
    state.SkipWithError("does not compile");
    return;
  }
  int64_t matched = 0;
  for (auto _ : state) {
    matched = 0;
    for (int i = 0; i < kRecords; ++i) {
      uint32_t match = 0;
      QXQFEvaluateExpression(arena.Record(i), handle, &match, nullptr);
      matched += match;
    }
  }
  QXQFDeleteExpression(handle);
  Report(state, matched);
}

void BM_ByHand(benchmark::State& state) {
  const Predicate& p = kPredicates[state.range(0)];
  Arena& arena = TheArena();
  int64_t matched = 0;
  for (auto _ : state) {
    matched = 0;
    for (int i = 0; i < kRecords; ++i) matched += p.by_hand(arena.Record(i)) ? 1 : 0;
    benchmark::DoNotOptimize(matched);
  }
  Report(state, matched);
}

void BM_Sqlite(benchmark::State& state) {
  const Predicate& p = kPredicates[state.range(0)];
  Arena& arena = TheArena();
  std::string sql = std::string("SELECT count(*) FROM t WHERE ") + p.where;
  sqlite3_stmt* query = nullptr;
  sqlite3_prepare_v2(arena.db, sql.c_str(), -1, &query, nullptr);
  int64_t matched = 0;
  for (auto _ : state) {
    sqlite3_step(query);
    matched = sqlite3_column_int64(query, 0);
    sqlite3_reset(query);
  }
  sqlite3_finalize(query);
  Report(state, matched);
}

// Arguments: 0 = (a), 1 = (a'), 2 = (b), 3 = (c).
BENCHMARK(BM_Library)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ByHand)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Sqlite)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
