// The walk over hand-built node sequences: order, failures read as no
// match, depth, fetches, values computed from scratch memory that held
// something else. Whole texts through the compiler are tested with the
// in-memory filters.

#include "evaluator/evaluate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "compiler/test_store.h"
#include "evaluator/program.h"
#include "evaluator/record_buffer.h"
#include "platform/allocation_testing.h"
#include "qxdbg_testing.h"

namespace {

ExpToken Op(int32_t kind) {
  ExpToken t{};
  t.kind = kind;
  t.type = t.offset = t.length = -1;
  return t;
}

ExpToken Int32(int32_t value) {
  ExpToken t{};
  t.kind = QX_KIND_LITERAL;
  t.type = 4;
  t.offset = -1;
  t.length = 4;
  std::memcpy(t.value, &value, 4);
  return t;
}

// A 4-byte "int" field of the record data at `data_offset`.
ExpToken IntField(int32_t data_offset) {
  ExpToken t{};
  t.kind = QX_KIND_FIELD;
  t.type = 4;
  t.offset = data_offset + kRecordDataBias;
  t.length = 4;
  return t;
}

class WalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    record_.assign(kRecordBufferSize, 0);
    uint32_t kind = 1;
    std::memcpy(&record_[kRecordKindOffset], &kind, 4);
    int32_t length = 16;
    std::memcpy(&record_[kRecordDataLengthOffset], &length, 4);
    for (int32_t i = 0; i < 4; ++i) SetInt(i, 10 * (i + 1));  // 10 20 30 40
    live_ = qxdbgLiveBlocks();
  }
  void TearDown() override { EXPECT_EQ(qxdbgLiveBlocks(), live_); }
  void SetInt(int32_t index, int32_t value) {
    std::memcpy(&record_[kRecordHeaderSize + 4 * index], &value, 4);
  }
  // Evaluates the nodes; returns the match, or -100 - status on a bad status.
  int32_t Match(const std::vector<ExpToken>& nodes, ExpStoreFns* fns_override = nullptr) {
    store_.nodes = nodes;
    ExpStoreFns fns = store_.Fns();
    if (fns_override != nullptr) fns = *fns_override;
    uint32_t match = 77;
    int32_t status = ExpEvaluate(&store_, &fns, &match, record_.data());
    if (status != 0) return -100 - status;
    return static_cast<int32_t>(match);
  }
  void Compile(const std::string& text) {
    store_.nodes.clear();
    ExpStoreFns fns = store_.Fns();
    ASSERT_EQ(QXExpStoreExpression(&store_, &fns, text.c_str(), static_cast<int32_t>(text.size()), 0), 0) << text;
  }
  std::vector<unsigned char> record_;
  TestStore store_;
  long live_ = 0;
};

// Remembers the positions it reads, in order; fails its `fail_at`-th read
// with `status`.
struct CountingStore : TestStore {
  std::vector<uint32_t> reads;
  size_t fail_at = 0;
  int32_t status = 0;
  static int32_t CountingGet(void* handle, uint32_t position, ExpToken* token) {
    auto* store = static_cast<CountingStore*>(handle);
    store->reads.push_back(position);
    if (store->reads.size() == store->fail_at) return store->status;
    return Get(handle, position, token);
  }
};

TEST_F(WalkTest, NoShortCircuitAndNodesBeyondTheRootAreNeverRead) {
  CountingStore store;
  // (x0 = 10) or (x1 = 20), then a stray node that no operand reaches.
  store.nodes = {Op(QX_KIND_OR), Op(QX_KIND_EQ), Int32(20), IntField(4),
                 Op(QX_KIND_EQ), Int32(10), IntField(0),   Op(99)};
  ExpStoreFns fns = store.Fns();
  fns.GetExpNode = CountingStore::CountingGet;
  uint32_t match = 0;
  ASSERT_EQ(ExpEvaluate(&store, &fns, &match, record_.data()), 0);
  EXPECT_EQ(match, 1u);
  EXPECT_EQ(store.reads, (std::vector<uint32_t>{1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(WalkTest, EveryFailureOfTheWalkReadsAsNoMatch) {
  struct Case {
    const char* what;
    std::vector<ExpToken> nodes;
  };
  ExpToken beyond = IntField(16);  // starts at the end of the 16 data bytes
  ExpToken too_long = IntField(0);
  too_long.length = 300;
  const Case kCases[] = {
      {"root is a constant", {Int32(1)}},
      {"root is a field", {IntField(0)}},
      {"unknown kind", {Op(QX_KIND_EQ), Int32(1), Op(99)}},
      {"a parenthesis stored as a node", {Op(QX_KIND_OPEN)}},
      {"a missing node", {Op(QX_KIND_EQ), Int32(1)}},
      {"not of a number", {Op(QX_KIND_NOT), Int32(1)}},
      {"field beyond the data", {Op(QX_KIND_EQ), Int32(1), beyond}},
      {"field longer than a value area", {Op(QX_KIND_EQ), Int32(1), too_long}},
      {"comparison refused", {Op(QX_KIND_AND), Int32(1), Int32(1)}},
      {"empty store", {}},
  };
  for (const Case& c : kCases) EXPECT_EQ(Match(c.nodes), 0) << c.what;
  uint32_t match = 5;
  ExpStoreFns fns = store_.Fns();
  EXPECT_EQ(ExpEvaluate(&store_, &fns, nullptr, record_.data()), -2);
  EXPECT_EQ(ExpEvaluate(&store_, &fns, &match, nullptr), -2);
  EXPECT_EQ(match, 5u);
}

std::vector<ExpToken> DeepNots(uint32_t depth) {
  std::vector<ExpToken> nodes(depth, Op(QX_KIND_NOT));
  nodes.push_back(Op(QX_KIND_EQ));
  nodes.push_back(Int32(10));
  nodes.push_back(IntField(0));
  return nodes;
}

// "x0 = v or x0 = 1002 or ... or x0 = 1000 + terms", flat, or nested as
// "x0 = v or ( x0 = 1002 or ( ... ) )": every "or" waits at once, and the
// term with `v` is read last.
std::vector<ExpToken> OrChain(uint32_t terms, int32_t v, bool nested) {
  std::vector<ExpToken> nodes;
  if (nested) nodes.assign(terms - 1, Op(QX_KIND_OR));
  for (uint32_t i = terms; i >= 1; --i) {
    if (!nested && i > 1) nodes.push_back(Op(QX_KIND_OR));
    nodes.insert(nodes.end(), {Op(QX_KIND_EQ), Int32(i == 1 ? v : 1000 + static_cast<int32_t>(i)), IntField(0)});
  }
  return nodes;
}

const ExpToken* ReadTestStore(ExpWalk* walk, uint32_t position, int32_t* status) {
  auto* store = static_cast<TestStore*>(walk->store);
  *status = TestStore::Get(store, position, &walk->scratch);
  return *status == 0 ? &walk->scratch : nullptr;
}

// The match of the nodes' program, its slots first filled with `poison`.
uint32_t ProgramMatch(TestStore* store, const unsigned char* record, unsigned char poison = 0) {
  ExpProgram program;
  EXPECT_TRUE(ExpBuildProgram(store->nodes.data(), static_cast<uint32_t>(store->nodes.size()), &program));
  if (program.steps == nullptr) return 99;
  uint32_t slots = 0;
  for (const ExpProgramStep* s = program.steps; s != program.steps + program.step_count; ++s) {
    slots = std::max({slots, s->step.target + 1u, s->step.right + 1u, s->step.left + 1u});
  }
  std::memset(static_cast<void*>(program.slots), poison, slots * sizeof(ExpValue));
  ExpStoreFns fns = store->Fns();
  ExpWalk walk;
  ExpWalkInit(&walk, store, &fns, record, ReadTestStore);
  uint32_t match = 77, last_read = 0;
  EXPECT_EQ(ExpRunProgram(&program, &walk, &match, &last_read), 0);
  ExpFreeProgram(&program);
  return match;
}

TEST_F(WalkTest, OnlyMemoryBoundsTheWaitingOperators) {
  EXPECT_EQ(Match(DeepNots(100000)), 1);
  EXPECT_EQ(Match(DeepNots(100001)), 0);
  for (bool nested : {false, true}) {
    for (int32_t v : {10, 11}) {
      const int32_t expected = v == 10 ? 1 : 0;
      EXPECT_EQ(Match(OrChain(100000, v, nested)), expected) << nested;
      EXPECT_EQ(ProgramMatch(&store_, record_.data()), static_cast<uint32_t>(expected)) << nested;
    }
  }
}

TEST_F(WalkTest, NoMemoryForDeepNestingReadsAsNoMatch) {
  std::vector<ExpToken> nodes = DeepNots(100);  // 100 "not"s: true, unless memory fails
  int failures = SweepAllocationFailures([&] { Match(nodes); },
                                         [&](long n, bool injected) {
                                           if (injected) {
                                             EXPECT_EQ(Match(nodes), 1) << "after failure " << n;
                                           }
                                         });
  EXPECT_GT(failures, 0);
  qxdbgFailNthAllocation(1);
  EXPECT_EQ(Match(nodes), 0);
  qxdbgFailNthAllocation(0);
}

ExpToken Fetch(int32_t kind, uint32_t number) {
  ExpToken t{};
  t.kind = kind;
  t.type = 3;
  t.offset = -1;
  t.length = 4;
  std::memcpy(t.value, &number, 4);
  return t;
}

// The host's record source: record n holds n in its first data field.
std::vector<uint32_t> fetched_ids;
int32_t FetchNumbered(void* buffer, uint32_t record_id) {
  fetched_ids.push_back(record_id);
  auto* record = static_cast<unsigned char*>(buffer);
  uint32_t kind = 1;
  int32_t length = 4;
  std::memcpy(record + kRecordKindOffset, &kind, 4);
  std::memcpy(record + kRecordDataLengthOffset, &length, 4);
  std::memcpy(record + kRecordHeaderSize, &record_id, 4);
  return 0;
}

TEST_F(WalkTest, FetchesTakeTheFollowingFieldFromTheFetchedRecord) {
  fetched_ids.clear();
  ExpStoreFns fns = store_.Fns();
  fns.FetchRecord = FetchNumbered;
  // x0 = getrecid val 10: "=", fetch, x0 (read twice: fetched, then current).
  store_.nodes = {Op(QX_KIND_EQ), Fetch(QX_KIND_FETCH_BY_NUMBER, 10), IntField(0)};
  uint32_t match = 0;
  ASSERT_EQ(ExpEvaluate(&store_, &fns, &match, record_.data()), 0);
  EXPECT_EQ(match, 1u);  // current x0 is 10, fetched record 10 holds 10
  // getrecid db: the record number is the 4-byte field at the node's number
  // (offset 386 + 4: the current x1, 20).
  store_.nodes = {Op(QX_KIND_EQ), Fetch(QX_KIND_FETCH_BY_FIELD, kRecordDataBias + 4), IntField(0)};
  ASSERT_EQ(ExpEvaluate(&store_, &fns, &match, record_.data()), 0);
  EXPECT_EQ(match, 0u);  // fetched 20 against current 10
  EXPECT_EQ(fetched_ids, (std::vector<uint32_t>{10, 20}));
}

TEST_F(WalkTest, AFetchWithoutARecordSourceFailsWithoutACall) {
  fetched_ids.clear();
  EXPECT_EQ(Match({Op(QX_KIND_EQ), Fetch(QX_KIND_FETCH_BY_NUMBER, 10), IntField(0)}), 0);
  EXPECT_TRUE(fetched_ids.empty());
}

TEST_F(WalkTest, NoMemoryForAFetchReadsAsNoMatch) {
  ExpStoreFns fns = store_.Fns();
  fns.FetchRecord = FetchNumbered;
  store_.nodes = {Op(QX_KIND_EQ), Fetch(QX_KIND_FETCH_BY_NUMBER, 10), IntField(0)};
  uint32_t match = 9;
  qxdbgFailNthAllocation(1);
  ASSERT_EQ(ExpEvaluate(&store_, &fns, &match, record_.data()), 0);
  qxdbgFailNthAllocation(0);
  EXPECT_EQ(match, 0u);
}

// Leaves `byte` in the stack below the caller's frame, where the next call
// keeps its scratch values.
[[gnu::noinline]] void PoisonStack(unsigned char byte) {
  volatile unsigned char area[1 << 16];
  for (auto& b : area) b = byte;
}

TEST_F(WalkTest, ComputedValuesCarryNoAttributesWhateverTheScratchHeld) {
  // A "bit" right operand masks the left one with the left's own mask:
  // outcomes, sums and lists have none (0), so they read as 0.
  const struct {
    const char* text;
    int32_t match;
  } kCases[] = {
      {"db 0 4 int = val 4 int 10 = val 1 bit 0.1 1", 0},
      {"db 0 4 int = val 4 int 10 = val 1 bit 0.1 0", 1},
      {"db 0 4 int + db 4 4 int = val 1 bit 0.255 0", 1},
      {"values 1 db 0 4 int val 4 int 10 = val 1 bit 0.1 0", 1},
      {"range 1 db 0 4 int val 4 int 1 val 4 int 20 = val 1 bit 0.1 0", 1},
      {"( not db 0 4 int = val 4 int 9 ) = val 1 bit 0.1 0", 1},
  };
  for (unsigned char poison : {0x00, 0xA5, 0xFF}) {
    for (const auto& c : kCases) {
      Compile(c.text);
      ExpStoreFns fns = store_.Fns();
      uint32_t match = 77;
      PoisonStack(poison);
      ASSERT_EQ(ExpEvaluate(&store_, &fns, &match, record_.data()), 0);
      EXPECT_EQ(match, static_cast<uint32_t>(c.match)) << "walk: " << c.text << " poison " << int{poison};

      EXPECT_EQ(ProgramMatch(&store_, record_.data(), poison), static_cast<uint32_t>(c.match))
          << "program: " << c.text << " poison " << int{poison};
    }
  }
}

TEST_F(WalkTest, EveryStoreStatusAtEveryReadFailsTheWalk) {
  // The reads: the root, operators, operands, a fetch node and the field
  // after it (read twice), list nodes and a constant of every list block.
  const std::string text =
      "db 0 4 int = getrecid val 10 and values 1 db 4 4 int val 4 int 20 and "
      "range 1 db 8 4 int val 4 int 1 val 4 int 40 exclude values val 4 int 2 "
      "exclude range val 4 int 3 val 4 int 4";
  CountingStore store;
  ExpStoreFns fns = store.Fns();
  ASSERT_EQ(QXExpStoreExpression(&store, &fns, text.c_str(), static_cast<int32_t>(text.size()), 0), 0);
  fns.GetExpNode = CountingStore::CountingGet;
  fns.FetchRecord = FetchNumbered;
  uint32_t match = 0;
  ASSERT_EQ(ExpEvaluate(&store, &fns, &match, record_.data()), 0);
  ASSERT_EQ(match, 1u);
  const size_t reads = store.reads.size();
  // Statuses of stores: positive ones of the list service and the record
  // manager (sign-extended from 16 bits), and the library's own.
  const int32_t kStatuses[] = {1,  2,  3,  4,  5,  9,  22,  84,  1501,   32767,  INT32_MAX,
                               -1, -2, -3, -7, -9, -11, -17, -32768, INT32_MIN};
  for (size_t k = 1; k <= reads; ++k) {
    for (int32_t status : kStatuses) {
      // A true evaluation first, so that the failing one finds a true
      // outcome left in its scratch.
      store.fail_at = 0;
      uint32_t matched = 0;
      int32_t matched_status = ExpEvaluate(&store, &fns, &matched, record_.data());
      store.reads.clear();
      store.fail_at = k;
      store.status = status;
      match = 77;
      int32_t failed_status = ExpEvaluate(&store, &fns, &match, record_.data());
      ASSERT_EQ(matched_status, 0);
      ASSERT_EQ(matched, 1u);
      ASSERT_EQ(failed_status, 0);
      EXPECT_EQ(match, 0u) << "read " << k << " of " << reads << " failed with " << status;
    }
  }
}

// "values" compares stored bytes, with a tolerance for codes 62 and 59
// (0.001, the float difference held as taken) and 61 (300 in the first word).
TEST_F(WalkTest, ValuesToleranceOfFloatingAndStampCodes) {
  struct Case {
    int32_t type;
    int32_t length;
    uint64_t field;
    uint64_t constant;
    int32_t match;
  };
  auto d = [](double v) { return std::bit_cast<uint64_t>(v); };
  auto f = [](float v) { return uint64_t{std::bit_cast<uint32_t>(v)}; };
  auto words = [](int32_t first, int32_t second) {
    return uint64_t{static_cast<uint32_t>(first)} | uint64_t{static_cast<uint32_t>(second)} << 32;
  };
  const Case kCases[] = {
      {62, 8, d(1.0), d(1.0009), 1},
      {62, 8, d(1.0), d(1.0011), 0},
      {59, 4, f(0.0f), f(0.0009f), 1},
      {59, 4, f(0.0f), f(0.001f), 0},  // 0.001f is a little above 0.001
      {59, 4, f(2.0f), f(2.0011f), 0},
      {61, 8, words(1000, 7), words(700, 7), 1},
      {61, 8, words(1000, 7), words(699, 7), 0},
      {61, 8, words(1000, 7), words(1000, 8), 0},
  };
  for (const Case& c : kCases) {
    std::memcpy(&record_[kRecordHeaderSize], &c.field, 8);
    ExpToken list = Op(QX_KIND_VALUES);
    const ExpListField field{kRecordDataBias, c.length, c.type, 0, 0};
    ExpWriteListFields(&list, &field, 1);
    list.length = ExpListTokenLength(1);
    ExpToken constant{};
    constant.kind = QX_KIND_LITERAL;
    constant.type = c.type;
    constant.offset = kExpListMarker;
    constant.length = c.length;
    constant.group = 1;
    std::memcpy(constant.value, &c.constant, 8);
    EXPECT_EQ(Match({list, constant}), c.match) << c.type << ": " << std::hex << c.field << " " << c.constant;
  }
}

}  // namespace
