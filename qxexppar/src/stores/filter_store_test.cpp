// In-memory filters end to end: texts compiled with QXQFStoreExpression and
// evaluated against crafted records.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "evaluator/evaluate.h"
#include "evaluator/test_records.h"
#include "platform/allocation_testing.h"
#include "uxposs.h"
#include "qxexpc.h"

namespace {

// Data layout of the records below:
//   0 int a (4)   4 int b (4)   8 char name (8)   16 date d (4)
//   20 unsigned u (2)   22 unsigned v (2)   24 int c (4)   28 double x (8)
TestRecord Sample(int32_t a = 17, int32_t b = 5, const std::string& name = "ABC") {
  TestRecord r;
  r.Data<int32_t>(0, a).Data<int32_t>(4, b).Text(8, name, 8);
  unsigned char date[4] = {31, 12, 0xE9, 0x07};  // 2025-12-31
  std::memcpy(&r.bytes()[kRecordHeaderSize + 16], date, 4);
  r.Data<uint16_t>(20, 65535).Data<uint16_t>(22, 1).Data<int32_t>(24, -3).Data<double>(28, 2.5);
  return r;
}

class FilterTest : public LeakCheckedTest {
 public:
  // 1 match, 0 no match, or -1000 + the compile status.
  int32_t Match(const std::string& text, const TestRecord& record, ExpFetchRecordFn fetch = nullptr) {
    FilterHandle* handle = nullptr;
    int32_t status = QXQFStoreExpression(text.c_str(), &handle);
    if (status != 0) {
      EXPECT_EQ(handle, nullptr);
      return -1000 + status;
    }
    uint32_t match = 99;
    EXPECT_EQ(QXQFEvaluateExpression(record.data(), handle, &match, fetch), 0);
    EXPECT_EQ(QXQFDeleteExpression(handle), 0);
    return static_cast<int32_t>(match);
  }
};

struct Case {
  const char* text;
  int32_t match;
};

void CheckAll(FilterTest* test, const std::vector<Case>& cases, const TestRecord& record) {
  for (const Case& c : cases) EXPECT_EQ(test->Match(c.text, record), c.match) << c.text;
}

TEST_F(FilterTest, TheTypicalFilter) {
  TestRecord record = Sample();
  record.Header(120, "ABC     ");
  CheckAll(this,
           {
               // "!=" on texts cannot be evaluated: never a match.
               {"db 0 4 int = val 4 int 17 and qx 120 8 char != val 8 char \"ABD\"", 0},
               {"db 0 4 int = val 4 int 17 and qx 120 8 char = val 8 char \"ABC\"", 1},
               {"db 0 4 int = val 4 int 18 and qx 120 8 char = val 8 char \"ABC\"", 0},
               {"DB 0 4 INT = VAL 4 Int 17", 1},
           },
           record);
}

TEST_F(FilterTest, EveryOperator) {
  CheckAll(this,
           {
               {"db 0 4 int = val 4 int 17", 1},
               {"db 0 4 int != val 4 int 17", 0},
               {"db 0 4 int > val 4 int 16", 1},
               {"db 0 4 int < val 4 int 17", 0},
               {"db 0 4 int >= val 4 int 17", 1},
               {"db 0 4 int <= val 4 int 16", 0},
               {"db 0 4 int + db 4 4 int = val 4 int 22", 1},
               {"db 0 4 int - db 4 4 int = val 4 int 12", 1},
               {"db 20 2 unsigned + db 22 2 unsigned = val 2 unsigned 0", 1},  // wraps
               {"not db 0 4 int = val 4 int 17", 0},
               {"db 0 4 int = val 4 int 17 and db 4 4 int = val 4 int 5", 1},
               {"db 0 4 int = val 4 int 0 or db 4 4 int = val 4 int 5", 1},
               {"db 8 8 char 0.0 = val 8 char \"ABC\"", 1},
               {"db 8 8 char 0.0 > val 3 char \"ABB\"", 1},
               {"db 16 4 date < val 4 date 1 1 2026", 1},
               {"db 28 8 float = val 8 float 2.5", 1},
               {"db 28 8 float > val 8 decimal 10.2 2.4", 1},
           },
           Sample());
}

TEST_F(FilterTest, ValuesLists) {
  CheckAll(this,
           {
               {"values 1 db 0 4 int val 4 int 1 val 4 int 17 val 4 int 30", 1},
               {"values 1 db 0 4 int val 4 int 1 val 4 int 30", 0},
               {"values 2 db 0 4 int db 4 4 int val 4 int 17 val 4 int 6 val 4 int 17 val 4 int 5", 1},
               {"values 2 db 0 4 int db 4 4 int val 4 int 5 val 4 int 17", 0},
               {"values 1 db 8 8 char 0.0 val 8 char \"ABC\" and db 0 4 int = val 4 int 17", 1},
               {"values 5 db 0 4 int db 4 4 int db 20 2 unsigned db 22 2 unsigned db 24 4 int "
                "val 4 int 17 val 4 int 5 val 2 unsigned 65535 val 2 unsigned 1 val 4 int -3",
                1},
           },
           Sample());
}

TEST_F(FilterTest, RangesWithExclusions) {
  CheckAll(this,
           {
               {"range 1 db 0 4 int val 4 int 10 val 4 int 20", 1},
               {"range 1 db 0 4 int val 4 int 17 val 4 int 17", 1},  // bounds included
               {"range 1 db 0 4 int val 4 int 18 val 4 int 20", 0},
               {"range 1 db 0 4 int val 4 int 10 val 4 int 20 exclude values val 4 int 17", 0},
               {"range 1 db 0 4 int val 4 int 10 val 4 int 20 exclude values val 4 int 16 val 4 int 18", 1},
               {"range 1 db 0 4 int val 4 int 10 val 4 int 20 exclude range val 4 int 15 val 4 int 18", 0},
               {"range 1 db 0 4 int val 4 int 10 val 4 int 20 exclude range val 4 int 11 val 4 int 12 "
                "exclude range val 4 int 13 val 4 int 14",
                1},
               {"range 1 db 0 4 int val 4 int 10 val 4 int 20 exclude values val 4 int 11 "
                "exclude range val 4 int 16 val 4 int 17",
                0},
               // Each field within its own bounds.
               {"range 2 db 0 4 int db 4 4 int val 4 int 10 val 4 int 0 val 4 int 20 val 4 int 9", 1},
               {"range 2 db 0 4 int db 4 4 int val 4 int 10 val 4 int 6 val 4 int 20 val 4 int 9", 0},
           },
           Sample());
}

TEST_F(FilterTest, ASiblingAfterAListDecidedByAnExclusionIsStillRead) {
  // The exclusion decides the list (false); the walk must skip the unread
  // bounds and read the "or" operand that follows them.
  CheckAll(this,
           {
               {"db 4 4 int = val 4 int 5 or range 1 db 0 4 int val 4 int 10 val 4 int 20 "
                "exclude values val 4 int 17",
                1},
               {"range 1 db 0 4 int val 4 int 10 val 4 int 20 exclude range val 4 int 15 val 4 int 18 "
                "exclude range val 4 int 1 val 4 int 2 or db 4 4 int = val 4 int 5",
                1},
               {"range 1 db 0 4 int val 4 int 10 val 4 int 20 exclude values val 4 int 17 "
                "and db 4 4 int = val 4 int 5",
                0},
           },
           Sample());
}

// Record n holds n in data field a.
int32_t FetchNumbered(void* buffer, uint32_t record_id) {
  TestRecord fetched;
  fetched.Data<int32_t>(0, static_cast<int32_t>(record_id));
  std::memcpy(buffer, fetched.data(), fetched.bytes().size());
  return 0;
}

TEST_F(FilterTest, FetchesByNumberAndThroughAField) {
  TestRecord record = Sample(17, 17);
  EXPECT_EQ(Match("db 0 4 int = getrecid val 17", record, FetchNumbered), 1);
  EXPECT_EQ(Match("db 0 4 int = getrecid val 18", record, FetchNumbered), 0);
  // getrecid db 390: the record number is the 4 bytes at buffer offset 390,
  // data field b (17); no offset bias applies to it.
  EXPECT_EQ(Match("db 0 4 int = getrecid db 390", record, FetchNumbered), 1);
  // Without a record source the operand never matches.
  EXPECT_EQ(Match("db 0 4 int = getrecid val 17", record, nullptr), 0);
}

TEST_F(FilterTest, WalkErrorsReadAsNoMatch) {
  CheckAll(this,
           {
               {"db 0 4 int", 0},                                    // no logical result
               {"db 100 4 int = val 4 int 0", 0},                    // beyond the data
               {"db 16 4 date = qx 0 4 time", 0},                     // date against time
               {"db 0 4 int and val 4 int 1", 0},                    // "and" on numbers
               {"values 1 db 0 4 int val 4 int 17 and db 0 4 int", 0},  // "and" on a number
           },
           Sample());
  TestRecord no_data(64, 0);  // record kind 0: no data field decodes
  EXPECT_EQ(Match("db 0 4 int = val 4 int 0", no_data), 0);
  EXPECT_EQ(Match("qx 0 4 int = val 4 int 0", no_data), 1);
}

TEST_F(FilterTest, FailedCompilesLeaveNothingBehind) {
  EXPECT_EQ(Match("", Sample()), -1000 + QX_STATUS_END_OF_TEXT);
  EXPECT_EQ(Match("db 0 4 blob", Sample()), -1000 + QX_STATUS_UNKNOWN_WORD);
  EXPECT_EQ(Match("( db 0 4 int", Sample()), -1000 + QX_STATUS_NO_MEMORY);
  FilterHandle* handle = reinterpret_cast<FilterHandle*>(this);
  EXPECT_EQ(QXQFStoreExpression(nullptr, &handle), -2);
  EXPECT_EQ(handle, reinterpret_cast<FilterHandle*>(this));  // not written
  EXPECT_EQ(QXQFStoreExpression("db 0 4 int", nullptr), -2);
}

TEST_F(FilterTest, NodesReadBackThroughTheCallbacks) {
  FilterHandle* handle = nullptr;
  ASSERT_EQ(QXQFStoreExpression("db 0 4 int = val 4 int 17", &handle), 0);
  ExpToken token;
  std::memset(&token, 0xAB, sizeof token);
  ASSERT_EQ(QXQFGetExpNode(handle, 1, &token), 0);
  EXPECT_EQ(token.kind, QX_KIND_EQ);
  ASSERT_EQ(QXQFGetExpNode(handle, 3, &token), 0);
  EXPECT_EQ(token.kind, QX_KIND_FIELD);
  EXPECT_EQ(token.offset, 386);
  for (int i = 0; i < QX_STORED_VALUE_SIZE; ++i) ASSERT_EQ(token.value[i], 0) << i;
  EXPECT_EQ(token.value[QX_STORED_VALUE_SIZE], 0xAB);  // beyond what stores keep
  EXPECT_EQ(QXQFGetExpNode(handle, 4, &token), QX_STATUS_NODE_NOT_FOUND);
  EXPECT_EQ(QXQFGetExpNode(handle, 0, &token), QX_STATUS_NODE_NOT_FOUND);
  EXPECT_EQ(QXQFDeleteExpression(handle), 0);
  EXPECT_EQ(QXQFDeleteExpression(nullptr), -2);
  EXPECT_EQ(QXTRGAddNewTriggerFn(nullptr), 0);
}

TEST_F(FilterTest, NodesAHostAddsAreSeenByTheNextEvaluation) {
  FilterHandle* handle = nullptr;
  ASSERT_EQ(QXQFStoreExpression("db 0 4 int = val 4 int 17", &handle), 0);
  TestRecord record = Sample();
  uint32_t match = 0;
  ASSERT_EQ(QXQFEvaluateExpression(record.data(), handle, &match, nullptr), 0);
  EXPECT_EQ(match, 1u);
  // A host appends a duplicate position 2 (after node 3, where the last
  // search left the iterator): the first node with position 2 still wins.
  ExpToken other{};
  other.kind = QX_KIND_LITERAL;
  other.type = 4;
  other.length = 4;
  other.value[0] = 99;
  ASSERT_EQ(QXQFAddNewExpNode(handle, &other, 2), 0);
  ASSERT_EQ(QXQFEvaluateExpression(record.data(), handle, &match, nullptr), 0);
  EXPECT_EQ(match, 1u);
  ExpToken token{};
  ASSERT_EQ(QXQFGetExpNode(handle, 2, &token), 0);
  EXPECT_EQ(token.value[0], 17);
  EXPECT_EQ(QXQFDeleteExpression(handle), 0);
}

TEST_F(FilterTest, ValuesLongerThanANodeHoldsAreRefused) {
  FilterHandle* handle = nullptr;
  ASSERT_EQ(QXQFStoreExpression("db 0 4 int = val 4 int 17", &handle), 0);
  ExpToken big{};
  big.kind = QX_KIND_LITERAL;
  big.type = 8;
  big.length = 251;
  EXPECT_EQ(QXQFAddNewExpNode(handle, &big, 4), QX_STATUS_NODE_REFUSED);
  big.kind = QX_KIND_FIELD;  // field references keep no value bytes
  EXPECT_EQ(QXQFAddNewExpNode(handle, &big, 4), 0);
  EXPECT_EQ(QXQFDeleteExpression(handle), 0);
}

TEST_F(FilterTest, MissingArgumentsOfEvaluate) {
  FilterHandle* handle = nullptr;
  ASSERT_EQ(QXQFStoreExpression("db 0 4 int = val 4 int 17", &handle), 0);
  TestRecord record = Sample();
  uint32_t match = 7;
  EXPECT_EQ(QXQFEvaluateExpression(nullptr, handle, &match, nullptr), -2);
  EXPECT_EQ(match, 0u);
  match = 7;
  EXPECT_EQ(QXQFEvaluateExpression(record.data(), nullptr, &match, nullptr), -2);
  EXPECT_EQ(match, 0u);
  EXPECT_EQ(QXQFEvaluateExpression(record.data(), handle, nullptr, nullptr), -2);
  EXPECT_EQ(QXQFDeleteExpression(handle), 0);
}

TEST_F(FilterTest, EveryAllocationFailureOfStoreEvaluateAndDelete) {
  const char* text =
      "range 1 db 0 4 int val 4 int 10 val 4 int 20 exclude values val 4 int 16 "
      "and db 0 4 int = getrecid val 17 or not db 8 8 char 0.0 = val 8 char \"X\"";
  TestRecord record = Sample();
  int failures = SweepAllocationFailures(
      [&] {
        FilterHandle* handle = nullptr;
        int32_t status = QXQFStoreExpression(text, &handle);
        if (status != 0) {
          EXPECT_EQ(handle, nullptr);
          EXPECT_TRUE(status == QX_STATUS_NO_MEMORY || status == QX_STATUS_NODE_REFUSED ||
                      status == UX_LINK_NO_MEMORY || status == QX_STATUS_MISSING)
              << status;
          return;
        }
        uint32_t match = 9;
        EXPECT_EQ(QXQFEvaluateExpression(record.data(), handle, &match, FetchNumbered), 0);
        EXPECT_TRUE(match == 0 || match == 1);
        EXPECT_EQ(QXQFDeleteExpression(handle), 0);
      },
      [](long, bool) {});
  EXPECT_GT(failures, 20);
  EXPECT_EQ(Match(text, record, FetchNumbered), 1);
}

}  // namespace

namespace {

std::string NestedNots(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "not ( ";
  text += "db 0 4 int = val 4 int 17";
  for (int i = 0; i < depth; ++i) text += " )";
  return text;
}

// Past the 10,000 operators a walk once kept waiting at most. (Chains of
// 100,000 operators are walked in the walk's own tests: compiling one into
// this store takes minutes under wine, whose heap is slow to reuse the
// compiler's freed nodes for the store's larger ones.)
TEST_F(FilterTest, OnlyMemoryBoundsHowDeepOperatorsWait) {
  const TestRecord records[] = {Sample(17), Sample(18)};
  for (int depth : {10002, 10003}) {
    FilterHandle* handle = nullptr;
    ASSERT_EQ(QXQFStoreExpression(NestedNots(depth).c_str(), &handle), 0);
    for (const TestRecord& record : records) {
      uint32_t match = 99;
      EXPECT_EQ(QXQFEvaluateExpression(record.data(), handle, &match, nullptr), 0);
      EXPECT_EQ(match, (depth % 2 == 0) == (&record == records) ? 1u : 0u) << depth;
    }
    EXPECT_EQ(QXQFDeleteExpression(handle), 0);
  }
}

}  // namespace

namespace {

TEST_F(FilterTest, ALogicalFieldMatchesWhenItsWordIsNotZero) {
  // "ldr9" reads a field as a logical value: any non-zero word is a match,
  // reported as 1 like every other match.
  EXPECT_EQ(Match("db 0 4 ldr9", Sample(2)), 1);
  EXPECT_EQ(Match("db 0 4 ldr9", Sample(0)), 0);
  EXPECT_EQ(Match("not db 0 4 ldr9", Sample(-7)), 0);
}

}  // namespace
