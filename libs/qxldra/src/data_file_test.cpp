// Keys, order, positions and numbering of data files, through qx_LDRAID.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "qxldra_testing.h"
#include "test_support.h"

namespace {

using namespace qxldra_test;

using DataFileTest = RecordManagerTest;

// ---- Order ------------------------------------------------------------------

uint64_t Load(const Bytes& bytes, std::size_t length) {
  uint64_t value = 0;
  for (std::size_t i = length; i > 0; --i) value = (value << 8) | bytes.at(i - 1);
  return value;
}

struct OrderCase {
  const char* name;
  uint16_t kind;
  uint16_t length;
  std::vector<uint64_t> ascending;  // stored bytes of values in key order
};

class KeyOrder : public DataFileTest, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(KeyOrder, FirstNextAndGreaterVisitEveryRecordInKeyOrderThenEnd) {
  const OrderCase& c = GetParam();
  Position position;
  Make("order", Definition(8, {Key(QX_LDRA_KEY_UNIQUE, {{0, c.length, c.kind}})}), position);
  // Inserted from both ends towards the middle.
  std::vector<uint64_t> mixed;
  for (std::size_t low = 0, high = c.ascending.size(); low < high;) {
    mixed.push_back(c.ascending[--high]);
    if (low < high) mixed.push_back(c.ascending[low++]);
  }
  for (uint64_t value : mixed) {
    Bytes record(8, 0);
    for (int i = 0; i < 8; ++i) record[i] = static_cast<unsigned char>(value >> (8 * i));
    ASSERT_EQ(position.Insert(record), QX_LDRA_OK) << value;
  }
  std::vector<uint64_t> walked;
  int16_t status = position.First(0);
  for (; status == QX_LDRA_OK; status = position.Next(0)) walked.push_back(Load(position.record(), c.length));
  EXPECT_EQ(status, QX_LDRA_END_OF_FILE);
  EXPECT_EQ(walked, c.ascending);

  // Get greater from each value finds the following one; from the last, 9.
  std::vector<uint64_t> stepped;
  Bytes key(c.length, 0);
  status = position.First(0);
  while (status == QX_LDRA_OK) {
    stepped.push_back(Load(position.record(), c.length));
    key.assign(position.key().begin(), position.key().begin() + c.length);
    status = position.Greater(0, key);
  }
  EXPECT_EQ(status, QX_LDRA_END_OF_FILE);
  EXPECT_EQ(stepped, c.ascending);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, KeyOrder,
    ::testing::Values(
        OrderCase{"unsigned32", QX_LDRA_SEG_UNSIGNED, 4,
                  {0, 1, 255, 256, 65535, 65536, 0x7fffffff, 0x80000000, 0xfffffffe, 0xffffffff}},
        OrderCase{"unsigned16", QX_LDRA_SEG_UNSIGNED, 2, {0, 1, 255, 256, 0x7fff, 0x8000, 0xffff}},
        OrderCase{"unsigned64", QX_LDRA_SEG_UNSIGNED, 8, {0, 255, 256, 0xffffffff, 0x100000000, ~uint64_t{0}}},
        OrderCase{"signed32", QX_LDRA_SEG_SIGNED, 4,
                  {0x80000000, 0xffff0000, 0xffffff00, 0xffffffff, 0, 1, 255, 256, 0x7fffffff}},
        OrderCase{"signed8", QX_LDRA_SEG_SIGNED, 1, {0x80, 0xff, 0, 1, 0x7f}},
        // Bytewise: blanks before letters, upper case before lower, high bytes last.
        OrderCase{"text", QX_LDRA_SEG_TEXT, 3,
                  {0x202020, 0x204241, 0x434241, 0x204261, 0x206261, 0x2020e9}}),
    [](const ::testing::TestParamInfo<OrderCase>& param) { return std::string(param.param.name); });

TEST_F(DataFileTest, MultiSegmentKeysOrderSegmentBySegment) {
  // Key: text (4 bytes at 4), then a signed integer at 0.
  Position position;
  Make("multi", Definition(8, {Key(QX_LDRA_KEY_UNIQUE, {Text(4, 4), Signed(0)})}), position);
  const std::vector<std::pair<std::string, int32_t>> rows = {
      {"BBBB", -1}, {"AAAA", 300}, {"AAAB", -5}, {"AAAA", -70000}, {"AAAA", 2}};
  for (const auto& [text, number] : rows) {
    Bytes record(8, 0);
    PutU32(record, 0, static_cast<uint32_t>(number));
    PutText(record, 4, 4, text);
    ASSERT_EQ(position.Insert(record), QX_LDRA_OK);
  }
  std::vector<std::pair<std::string, int32_t>> walked;
  int16_t status = position.First(0);
  for (; status == QX_LDRA_OK; status = position.Next(0)) {
    walked.emplace_back(std::string(position.record().begin() + 4, position.record().end()),
                        static_cast<int32_t>(GetU32(position.record(), 0)));
    // The key buffer holds the segments in key order, as stored in the record.
    EXPECT_EQ(0, std::memcmp(position.key().data(), position.record().data() + 4, 4));
    EXPECT_EQ(0, std::memcmp(position.key().data() + 4, position.record().data(), 4));
  }
  EXPECT_EQ(status, QX_LDRA_END_OF_FILE);
  const std::vector<std::pair<std::string, int32_t>> expected = {
      {"AAAA", -70000}, {"AAAA", 2}, {"AAAA", 300}, {"AAAB", -5}, {"BBBB", -1}};
  EXPECT_EQ(walked, expected);
}

// Record: id (0, unique), group (4, duplicates), serial (8).
qxldra::FileDefinition Grouped() {
  return Definition(12, {Key(QX_LDRA_KEY_UNIQUE, {Unsigned(0)}), Key(QX_LDRA_KEY_DUPLICATES, {Unsigned(4)})});
}

Bytes Row(uint32_t id, uint32_t group, uint32_t serial = 0) {
  Bytes record(12, 0);
  PutU32(record, 0, id);
  PutU32(record, 4, group);
  PutU32(record, 8, serial);
  return record;
}

TEST_F(DataFileTest, DuplicatesComeBackInInsertionOrder) {
  Position position;
  Make("groups", Grouped(), position);
  // Ids deliberately out of insertion order within group 7.
  const uint32_t ids[] = {50, 10, 40, 20, 30};
  for (uint32_t id : ids) {
    Bytes record = Row(id, id == 20 ? 3 : 7);
    ASSERT_EQ(position.Insert(record), QX_LDRA_OK);
  }
  ASSERT_EQ(position.Equal(1, U32Key(7)), QX_LDRA_OK);
  std::vector<uint32_t> walked = {GetU32(position.record(), 0)};
  int16_t status;
  while ((status = position.Next(1)) == QX_LDRA_OK) walked.push_back(GetU32(position.record(), 0));
  EXPECT_EQ(status, QX_LDRA_END_OF_FILE);
  EXPECT_EQ(walked, (std::vector<uint32_t>{50, 10, 40, 30}));

  int16_t end = 0;
  EXPECT_EQ(position.Walk(1, 0, &end), (std::vector<uint32_t>{20, 50, 10, 40, 30}));
  EXPECT_EQ(end, QX_LDRA_END_OF_FILE);
  // Get greater passes over all duplicates of its value.
  ASSERT_EQ(position.Greater(1, U32Key(3)), QX_LDRA_OK);
  EXPECT_EQ(GetU32(position.record(), 0), 50u);
  EXPECT_EQ(position.Greater(1, U32Key(7)), QX_LDRA_END_OF_FILE);
}

TEST_F(DataFileTest, ReadsFindNothingWithTheirOwnStatusesNeverFive) {
  Position position;
  Make("empty", Grouped(), position);
  EXPECT_EQ(position.First(0), QX_LDRA_END_OF_FILE);
  EXPECT_EQ(position.Equal(0, U32Key(1)), QX_LDRA_KEY_NOT_FOUND);
  EXPECT_EQ(position.Greater(1, U32Key(0)), QX_LDRA_END_OF_FILE);
  Bytes record = Row(1, 1);
  ASSERT_EQ(position.Insert(record), QX_LDRA_OK);
  EXPECT_EQ(position.Equal(0, U32Key(2)), QX_LDRA_KEY_NOT_FOUND);
  EXPECT_EQ(position.Equal(1, U32Key(0)), QX_LDRA_KEY_NOT_FOUND);
  EXPECT_EQ(position.Greater(0, U32Key(1)), QX_LDRA_END_OF_FILE);
  EXPECT_NE(QX_LDRA_KEY_NOT_FOUND, 5);
}

// ---- Position blocks ----------------------------------------------------------

class Walking : public DataFileTest {
 protected:
  void SetUp() override {
    path_ = Make("walk", Grouped(), a_);
    for (uint32_t id = 1; id <= 9; ++id) {
      Bytes record = Row(id * 10, id % 3, id);
      ASSERT_EQ(a_.Insert(record), QX_LDRA_OK);
    }
    ASSERT_EQ(b_.Open(path_), QX_LDRA_OK);
  }

  std::string path_;
  Position a_, b_;
};

TEST_F(Walking, TwoPositionBlocksOnOneFileWalkIndependently) {
  ASSERT_EQ(a_.First(0), QX_LDRA_OK);
  ASSERT_EQ(a_.Next(0), QX_LDRA_OK);
  ASSERT_EQ(b_.Equal(1, U32Key(2)), QX_LDRA_OK);  // ids 20, 50, 80
  ASSERT_EQ(b_.Next(1), QX_LDRA_OK);
  ASSERT_EQ(a_.Next(0), QX_LDRA_OK);
  EXPECT_EQ(GetU32(a_.record(), 0), 30u);
  ASSERT_EQ(b_.Next(1), QX_LDRA_OK);
  EXPECT_EQ(GetU32(b_.record(), 0), 80u);
  EXPECT_EQ(b_.Next(1), QX_LDRA_END_OF_FILE);
  ASSERT_EQ(a_.Next(0), QX_LDRA_OK);
  EXPECT_EQ(GetU32(a_.record(), 0), 40u);
}

TEST_F(Walking, GetNextAfterADeleteContinuesFromTheDeletedPlace) {
  ASSERT_EQ(a_.Equal(0, U32Key(50)), QX_LDRA_OK);
  ASSERT_EQ(a_.Delete(), QX_LDRA_OK);
  EXPECT_EQ(a_.Delete(), QX_LDRA_NO_CURRENT_RECORD);
  ASSERT_EQ(a_.Next(0), QX_LDRA_OK);
  EXPECT_EQ(GetU32(a_.record(), 0), 60u);

  // Along a duplicate key: group 1 holds 10, 40, 70.
  ASSERT_EQ(a_.Equal(1, U32Key(1)), QX_LDRA_OK);
  ASSERT_EQ(a_.Next(1), QX_LDRA_OK);
  ASSERT_EQ(a_.Delete(), QX_LDRA_OK);
  ASSERT_EQ(a_.Next(1), QX_LDRA_OK);
  EXPECT_EQ(GetU32(a_.record(), 0), 70u);

  int16_t end = 0;
  EXPECT_EQ(b_.Walk(0, 0, &end), (std::vector<uint32_t>{10, 20, 30, 60, 70, 80, 90}));
}

TEST_F(Walking, GetNextSeesWhatOtherPositionBlocksChanged) {
  ASSERT_EQ(a_.Equal(0, U32Key(30)), QX_LDRA_OK);
  Bytes between = Row(35, 0, 99);
  ASSERT_EQ(b_.Insert(between), QX_LDRA_OK);
  ASSERT_EQ(b_.Equal(0, U32Key(40)), QX_LDRA_OK);
  ASSERT_EQ(b_.Delete(), QX_LDRA_OK);
  ASSERT_EQ(a_.Next(0), QX_LDRA_OK);
  EXPECT_EQ(GetU32(a_.record(), 0), 35u);
  ASSERT_EQ(a_.Next(0), QX_LDRA_OK);
  EXPECT_EQ(GetU32(a_.record(), 0), 50u);

  // A's current record deleted through B: A's delete is refused, and A's
  // get next still goes on from its place.
  ASSERT_EQ(b_.Equal(0, U32Key(50)), QX_LDRA_OK);
  ASSERT_EQ(b_.Delete(), QX_LDRA_OK);
  EXPECT_EQ(a_.Delete(), QX_LDRA_NO_CURRENT_RECORD);
  ASSERT_EQ(a_.Next(0), QX_LDRA_OK);
  EXPECT_EQ(GetU32(a_.record(), 0), 60u);
}

TEST_F(Walking, DeleteNeedsACurrentRecordAndGetNextAPlaceOnTheSameKey) {
  EXPECT_EQ(a_.Delete(), QX_LDRA_NO_CURRENT_RECORD);  // only inserts with key -1 so far
  EXPECT_EQ(a_.Next(0), QX_LDRA_NO_CURRENT_RECORD);
  ASSERT_EQ(a_.Equal(0, U32Key(20)), QX_LDRA_OK);
  EXPECT_EQ(a_.Next(1), QX_LDRA_KEY_NUMBER_CHANGED);
  // A read that finds nothing leaves nothing to delete, but a place just
  // past the value looked for.
  EXPECT_EQ(a_.Equal(0, U32Key(21)), QX_LDRA_KEY_NOT_FOUND);
  EXPECT_EQ(a_.Delete(), QX_LDRA_NO_CURRENT_RECORD);
  EXPECT_EQ(a_.Next(1), QX_LDRA_KEY_NUMBER_CHANGED);
  ASSERT_EQ(a_.Next(0), QX_LDRA_OK);
  EXPECT_EQ(GetU32(a_.record(), 0), 30u);
  EXPECT_EQ(a_.Greater(0, U32Key(90)), QX_LDRA_END_OF_FILE);
  Bytes appended = Row(91, 5);
  ASSERT_EQ(b_.Insert(appended), QX_LDRA_OK);
  ASSERT_EQ(a_.Next(0), QX_LDRA_OK);
  EXPECT_EQ(GetU32(a_.record(), 0), 91u);
  // Along a duplicate key: groups 0, 1, 2 and now 5.
  EXPECT_EQ(a_.Equal(1, U32Key(4)), QX_LDRA_KEY_NOT_FOUND);
  ASSERT_EQ(a_.Next(1), QX_LDRA_OK);
  EXPECT_EQ(GetU32(a_.record(), 0), 91u);
  // After the end, get next keeps its place and finds records added later.
  ASSERT_EQ(a_.Equal(0, U32Key(91)), QX_LDRA_OK);
  EXPECT_EQ(a_.Next(0), QX_LDRA_END_OF_FILE);
  EXPECT_EQ(a_.Delete(), QX_LDRA_NO_CURRENT_RECORD);
  Bytes later = Row(95, 0);
  ASSERT_EQ(b_.Insert(later), QX_LDRA_OK);
  ASSERT_EQ(a_.Next(0), QX_LDRA_OK);
  EXPECT_EQ(GetU32(a_.record(), 0), 95u);
}

TEST_F(Walking, InsertWithAKeyNumberMakesTheNewRecordCurrent) {
  Bytes record = Row(45, 4);
  ASSERT_EQ(a_.Insert(record, 0), QX_LDRA_OK);
  EXPECT_EQ(GetU32(a_.key(), 0), 45u);
  ASSERT_EQ(a_.Next(0), QX_LDRA_OK);
  EXPECT_EQ(GetU32(a_.record(), 0), 50u);
  // Key number -1 leaves the position where it was.
  Bytes other = Row(46, 4);
  ASSERT_EQ(a_.Insert(other, -1), QX_LDRA_OK);
  ASSERT_EQ(a_.Next(0), QX_LDRA_OK);
  EXPECT_EQ(GetU32(a_.record(), 0), 60u);
}

// ---- Automatic numbering -----------------------------------------------------

TEST_F(DataFileTest, AutoNumberedIdsAreWrittenBackAndNeverReused) {
  Position position;
  Make("numbered", Definition(8, {Key(QX_LDRA_KEY_AUTONUMBER, {Unsigned(4)})}), position);
  auto insert = [&](uint32_t id) {
    Bytes record(8, 0);
    PutU32(record, 0, 0xAAAAAAAA);
    PutU32(record, 4, id);
    EXPECT_EQ(position.Insert(record), QX_LDRA_OK);
    EXPECT_EQ(GetU32(record, 0), 0xAAAAAAAAu);
    return GetU32(record, 4);
  };
  EXPECT_EQ(insert(0), 1u);
  EXPECT_EQ(insert(0), 2u);
  // A deleted id is not given again, even the highest, even one that a
  // caller gave.
  for (uint32_t id : {10u, 0u}) {
    EXPECT_EQ(insert(id), id == 0 ? 11u : id);
    ASSERT_EQ(position.Equal(0, U32Key(id == 0 ? 11u : id)), QX_LDRA_OK);
    ASSERT_EQ(position.Delete(), QX_LDRA_OK);
  }
  EXPECT_EQ(insert(0), 12u);
  ASSERT_EQ(position.Close(), QX_LDRA_OK);
  ASSERT_EQ(position.Open(folder_.Path("numbered")), QX_LDRA_OK);
  EXPECT_EQ(insert(0), 13u);

  EXPECT_EQ(insert(0xFFFFFFFF), 0xFFFFFFFFu);
  Bytes record(8, 0);
  EXPECT_EQ(position.Insert(record), QX_LDRA_IDS_EXHAUSTED);
  EXPECT_EQ(GetU32(record, 4), 0u);
  int16_t end = 0;
  EXPECT_EQ(position.Walk(0, 4, &end), (std::vector<uint32_t>{1, 2, 12, 13, 0xFFFFFFFF}));
}

TEST_F(DataFileTest, ThreadsInsertingThroughTheirOwnPositionBlocksLoseNothing) {
  Position setup;
  const std::string path = Make("threads", Definition(8, {Key(QX_LDRA_KEY_AUTONUMBER, {Unsigned(0)}),
                                                          Key(QX_LDRA_KEY_DUPLICATES, {Unsigned(4)})}),
                                setup);
  constexpr int kPerThread = 25;
  auto work = [&](uint32_t tag, int16_t* failure) {
    Position own;
    *failure = own.Open(path);
    for (int i = 0; i < kPerThread && *failure == QX_LDRA_OK; ++i) {
      Bytes record(8, 0);
      PutU32(record, 4, tag);
      *failure = own.Insert(record);
    }
    if (*failure == QX_LDRA_OK) *failure = own.Close();
  };
  int16_t first = -1, second = -1;
  std::thread one(work, 1, &first), two(work, 2, &second);
  one.join();
  two.join();
  EXPECT_EQ(first, QX_LDRA_OK);
  EXPECT_EQ(second, QX_LDRA_OK);
  int16_t end = 0;
  std::vector<uint32_t> ids = setup.Walk(0, 0, &end);
  ASSERT_EQ(ids.size(), 2u * kPerThread);
  for (std::size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(ids[i], i + 1);
}

// ---- Damaged files --------------------------------------------------------------

// Record: id (key 0, unique), name (key 1, duplicates), weight (key 2,
// signed, duplicates), then a filler.
constexpr uint16_t kLedgerLength = 24;

qxldra::FileDefinition Ledger() {
  return Definition(kLedgerLength, {Key(QX_LDRA_KEY_UNIQUE, {Unsigned(0)}),
                                    Key(QX_LDRA_KEY_DUPLICATES, {Text(4, 12)}),
                                    Key(QX_LDRA_KEY_DUPLICATES, {Signed(16)})});
}

Bytes LedgerRecord(uint32_t id, uint32_t names) {
  Bytes record(kLedgerLength, 0);
  PutU32(record, 0, id);
  PutText(record, 4, 12, "name" + std::to_string(id % names));
  PutU32(record, 16, static_cast<uint32_t>(static_cast<int32_t>(id % 5) - 2));
  PutU32(record, 20, id * 3);
  return record;
}

// The key value of key `key_number` in a ledger record.
Bytes LedgerKey(const Bytes& record, int key_number) {
  const std::size_t at[] = {0, 4, 16}, length[] = {4, 12, 4};
  return Bytes(record.begin() + at[key_number], record.begin() + at[key_number] + length[key_number]);
}

// Reads along a key from the first record, at most `cap` reads: the id or
// the status of each read, up to the first read that is not 0 (or neither
// 0 nor 27, going on past damage).
std::vector<int64_t> WalkThrough(Position& position, int key_number, int cap, bool past_damage) {
  std::vector<int64_t> seen;
  for (int16_t status = position.First(key_number); cap-- > 0; status = position.Next(key_number)) {
    seen.push_back(status == QX_LDRA_OK ? int64_t{GetU32(position.record(), 0)} : -status);
    if (status != QX_LDRA_OK && (status != QX_LDRA_FILE_DAMAGED || !past_damage)) break;
  }
  return seen;
}

TEST_F(DataFileTest, AWalkGoesPastARecordWhoseBytesDisagreeWithItsStoredKey) {
  Position position(kLedgerLength);
  const std::string path = Make("ledger", Ledger(), position);
  for (uint32_t id = 1; id <= 6; ++id) {
    Bytes record = LedgerRecord(id, 100);
    ASSERT_EQ(position.Insert(record), QX_LDRA_OK);
  }
  ASSERT_EQ(position.Close(), QX_LDRA_OK);
  // Record 3's name, as its bytes say, sorts before the name it is stored
  // under; record 5's bytes are cut short.
  Bytes renamed = LedgerRecord(3, 100);
  renamed[4] = 'a';
  ASSERT_EQ(RunSql(path, "UPDATE records SET data = " + SqlBlob(renamed.data(), renamed.size()) +
                             " WHERE seq = 3; UPDATE records SET data = x'00' WHERE seq = 5"),
            0);

  ASSERT_EQ(position.Open(path), QX_LDRA_OK);
  const int64_t damaged = -QX_LDRA_FILE_DAMAGED, end = -QX_LDRA_END_OF_FILE;
  EXPECT_EQ(WalkThrough(position, 1, 20, true), (std::vector<int64_t>{1, 2, damaged, 4, damaged, 6, end}));
  EXPECT_EQ(WalkThrough(position, 0, 20, true), (std::vector<int64_t>{1, 2, 3, 4, damaged, 6, end}));
  EXPECT_EQ(position.Equal(1, LedgerKey(LedgerRecord(3, 100), 1)), QX_LDRA_FILE_DAMAGED);
  EXPECT_EQ(position.Delete(), QX_LDRA_NO_CURRENT_RECORD);
  ASSERT_EQ(position.Next(1), QX_LDRA_OK);
  EXPECT_EQ(GetU32(position.record(), 0), 4u);
}

// Runs every read on the file at `path`, each walk along a key from its
// first record to its end at most `cap` reads, and, with `write`, a delete
// and an insert; returns the status of every call.
std::vector<int16_t> EveryOperation(const std::string& path, int cap, bool write, uint32_t new_id) {
  Position position(kLedgerLength);
  std::vector<int16_t> statuses = {position.Open(path)};
  if (statuses.back() != QX_LDRA_OK) return statuses;
  const Bytes sample = LedgerRecord(5, 7);
  for (int key_number = 0; key_number < 3; ++key_number) {
    const std::vector<int64_t> walk = WalkThrough(position, key_number, cap, false);
    EXPECT_TRUE(walk.size() < static_cast<std::size_t>(cap) || walk.back() < 0) << "a walk that does not end";
    for (int64_t seen : walk) statuses.push_back(static_cast<int16_t>(seen < 0 ? -seen : 0));
    const int16_t found = position.Equal(key_number, LedgerKey(sample, key_number));
    statuses.push_back(found);
    if (found == QX_LDRA_OK && write && key_number == 0) statuses.push_back(position.Delete());
    if (found == QX_LDRA_OK || found == QX_LDRA_KEY_NOT_FOUND) statuses.push_back(position.Next(key_number));
    statuses.push_back(position.Greater(key_number, LedgerKey(sample, key_number)));
  }
  Bytes record = LedgerRecord(new_id, 7);
  if (write) statuses.push_back(position.Insert(record, 1));
  EXPECT_EQ(position.Close(), QX_LDRA_OK);
  return statuses;
}

TEST_F(DataFileTest, EveryOperationEndsOnCopiesOfAFileWithRandomBytesChanged) {
  // A file of every kind of key, with deleted records.
  constexpr uint32_t kRecords = 120;
  Position maker(kLedgerLength);
  const std::string original = Make("original", Ledger(), maker);
  for (uint32_t id = 1; id <= kRecords; ++id) {
    Bytes record = LedgerRecord(id, 7);
    ASSERT_EQ(maker.Insert(record), QX_LDRA_OK);
  }
  for (uint32_t id = 7; id <= kRecords; id += 7) {
    ASSERT_EQ(maker.Equal(0, U32Key(id)), QX_LDRA_OK);
    ASSERT_EQ(maker.Delete(), QX_LDRA_OK);
  }
  ASSERT_EQ(maker.Close(), QX_LDRA_OK);
  const std::string bytes = FileBytes(original);
  ASSERT_GT(bytes.size(), 4096u);

  const unsigned seed = RandomSeed();
  std::mt19937 random(seed);
  const std::set<int16_t> endings = {QX_LDRA_OK, QX_LDRA_KEY_NOT_FOUND, QX_LDRA_END_OF_FILE,
                                     QX_LDRA_NOT_A_DATA_FILE, QX_LDRA_FILE_DAMAGED};
  std::set<int16_t> seen;
  for (uint32_t copy = 0; copy < 300; ++copy) {
    std::string damaged = bytes;
    for (unsigned changes = 1 + random() % 4; changes > 0; --changes) {
      damaged[random() % damaged.size()] ^= static_cast<char>(1 + random() % 255);
    }
    const std::string path = folder_.Path("copy");
    std::ofstream(path, std::ios::binary) << damaged;
    // Writes wait for the disk: every tenth copy is written to.
    for (int16_t status : EveryOperation(path, kRecords + 10, copy % 10 == 0, 1000 + copy)) {
      EXPECT_EQ(endings.count(status), 1u) << "copy " << copy << " (seed " << seed << "): status " << status;
      seen.insert(status);
    }
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);
  }
  EXPECT_EQ(seen.count(QX_LDRA_FILE_DAMAGED), 1u);  // the sweep met damage
}

}  // namespace
