// Keys, order, positions and numbering of data files, through qx_LDRAID.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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
  Bytes taken(8, 0);
  PutU32(taken, 4, 1);
  EXPECT_EQ(position.Insert(taken), QX_LDRA_DUPLICATE_KEY);  // and nothing of it stays
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

// Reads along a key from its first record, at most `cap` times: the id or
// the status of each read, up to the first that is not 0 (nor 27, going on
// past damage).
std::vector<int64_t> WalkThrough(Position& position, int key_number, int cap, bool past_damage) {
  std::vector<int64_t> seen;
  for (int16_t status = position.First(key_number); cap-- > 0; status = position.Next(key_number)) {
    seen.push_back(status == QX_LDRA_OK ? int64_t{GetU32(position.record(), 0)} : -status);
    if (status != QX_LDRA_OK && (status != QX_LDRA_FILE_DAMAGED || !past_damage)) break;
  }
  return seen;
}

TEST_F(DataFileTest, AWalkGoesPastARecordWhoseBytesDisagreeWithItsStoredKey) {
  Position position(12);
  const std::string path = Make("damaged", Grouped(), position);
  for (uint32_t id = 1; id <= 5; ++id) {
    Bytes record = Row(id, id);
    ASSERT_EQ(position.Insert(record), QX_LDRA_OK);
  }
  ASSERT_EQ(position.Close(), QX_LDRA_OK);
  // Record 2's group, as its bytes say, is 1 (it is stored under 2); record
  // 4's bytes are cut short.
  ASSERT_EQ(RunSql(path, "UPDATE records SET data = CAST(substr(data, 1, 4) || x'01' || substr(data, 6) AS BLOB) "
                         "WHERE seq = 2; UPDATE records SET data = x'00' WHERE seq = 4"),
            0);
  ASSERT_EQ(position.Open(path), QX_LDRA_OK);
  const int64_t damaged = -QX_LDRA_FILE_DAMAGED, end = -QX_LDRA_END_OF_FILE;
  EXPECT_EQ(WalkThrough(position, 1, 20, true), (std::vector<int64_t>{1, damaged, 3, damaged, 5, end}));
  EXPECT_EQ(WalkThrough(position, 0, 20, true), (std::vector<int64_t>{1, 2, 3, damaged, 5, end}));
}

TEST_F(DataFileTest, EveryOperationEndsOnCopiesOfAFileWithRandomBytesChanged) {
  // A file of two keys, one of duplicates, with deleted records.
  Position maker(12);
  const std::string original = Make("original", Grouped(), maker);
  for (uint32_t id = 1; id <= 200; ++id) {
    Bytes record = Row(id, id % 9, id);
    ASSERT_EQ(maker.Insert(record, 0), QX_LDRA_OK);
    ASSERT_TRUE(id % 7 != 0 || maker.Delete() == QX_LDRA_OK);
  }
  ASSERT_EQ(maker.Close(), QX_LDRA_OK);
  const std::string bytes = FileBytes(original);
  const char* chosen = std::getenv("QXLDRA_TEST_SEED");
  const unsigned seed = chosen != nullptr ? static_cast<unsigned>(std::atoi(chosen)) : 20240611u;
  std::mt19937 random(seed);
  const std::set<int16_t> endings = {QX_LDRA_OK, QX_LDRA_KEY_NOT_FOUND, QX_LDRA_END_OF_FILE,
                                     QX_LDRA_NOT_A_DATA_FILE, QX_LDRA_FILE_DAMAGED};
  int damaged_reads = 0;
  for (uint32_t copy = 0; copy < 300; ++copy) {
    std::string damaged = bytes;
    for (unsigned changes = 1 + random() % 4; changes > 0;) {
      char& byte = damaged[random() % damaged.size()];
      if (byte != 0) byte ^= static_cast<char>(1 + random() % 255), --changes;  // a byte in use
    }
    const std::string path = folder_.Path("copy");
    std::ofstream(path, std::ios::binary) << damaged;
    // Every read, along each key; writes wait for the disk, so every tenth
    // copy only is written to.
    const bool write = copy % 10 == 0;
    Position position(12);
    std::vector<int16_t> statuses = {position.Open(path)};
    for (int key = 0; key < 2 && statuses[0] == QX_LDRA_OK; ++key) {
      const int64_t end = WalkThrough(position, key, 210, false).back();
      EXPECT_LT(end, 0) << "copy " << copy << ": a walk that does not end";
      const int16_t found = position.Equal(key, U32Key(key == 0 ? 50 : 5));
      statuses.insert(statuses.end(), {static_cast<int16_t>(-end), found,
                                       found == QX_LDRA_OK && write ? position.Delete() : int16_t{0},
                                       found == QX_LDRA_OK || found == 4 ? position.Next(key) : int16_t{0},
                                       position.Greater(key, U32Key(5))});
    }
    Bytes record = Row(1000 + copy, 3);
    if (statuses[0] == QX_LDRA_OK && write) statuses.push_back(position.Insert(record, 1));
    EXPECT_TRUE(statuses[0] != QX_LDRA_OK || position.Close() == QX_LDRA_OK);
    for (int16_t status : statuses) {
      EXPECT_EQ(endings.count(status), 1u) << "copy " << copy << " (seed " << seed << "): status " << status;
      damaged_reads += status == QX_LDRA_FILE_DAMAGED;
    }
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);
  }
  EXPECT_GT(damaged_reads, 0);
}

}  // namespace
