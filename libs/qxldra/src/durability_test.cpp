// Data files and other processes: a writer killed in the middle of a stream
// of inserts, and two processes inserting into one file at once.
//
// The writers are this test program started again (test_child.h) with the
// role "insert|<path>|<progress file>|<count>|<tag>". A writer inserts
// `count` records tagged `tag`, numbered from 0 by their serial, and after
// each insert that returned 0 appends "<serial> <id>" to its progress file.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "qxldra_testing.h"
#include "test_child.h"
#include "test_support.h"

namespace {

using namespace qxldra_test;

// Record: id (auto-numbered, key 0), tag (key 1, duplicates), serial, then
// bytes that follow from tag and serial, so that a torn record shows.
constexpr uint16_t kRecordLength = 200;

qxldra::FileDefinition Stream() {
  return Definition(kRecordLength, {Key(QX_LDRA_KEY_AUTONUMBER, {Unsigned(0)}),
                                    Key(QX_LDRA_KEY_DUPLICATES, {Unsigned(4)})});
}

unsigned char Filler(uint32_t tag, uint32_t serial, std::size_t at) {
  return static_cast<unsigned char>(tag * 131 + serial * 31 + at * 7);
}

Bytes StreamRecord(uint32_t tag, uint32_t serial) {
  Bytes record(kRecordLength, 0);
  PutU32(record, 4, tag);
  PutU32(record, 8, serial);
  for (std::size_t at = 12; at < kRecordLength; ++at) record[at] = Filler(tag, serial, at);
  return record;
}

bool Intact(const Bytes& record) {
  const uint32_t tag = GetU32(record, 4);
  const uint32_t serial = GetU32(record, 8);
  for (std::size_t at = 12; at < kRecordLength; ++at) {
    if (record[at] != Filler(tag, serial, at)) return false;
  }
  return true;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

// The writer's side. Exit codes: 0 done, 3 bad role, 4 open failed, 5 an
// insert failed.
int RunWriter(const std::string& role) {
  const std::vector<std::string> parts = Split(role, '|');
  if (parts.size() != 5 || parts[0] != "insert") return 3;
  Position position;
  int16_t status = position.Open(parts[1]);
  if (status != QX_LDRA_OK) {
    std::fprintf(stderr, "writer: open: %d\n", status);
    return 4;
  }
  std::FILE* progress = std::fopen(parts[2].c_str(), "ab");
  if (progress == nullptr) return 4;
  const uint32_t count = static_cast<uint32_t>(std::stoul(parts[3]));
  const uint32_t tag = static_cast<uint32_t>(std::stoul(parts[4]));
  for (uint32_t serial = 0; serial < count; ++serial) {
    Bytes record = StreamRecord(tag, serial);
    status = position.Insert(record);
    if (status != QX_LDRA_OK) {
      std::fprintf(stderr, "writer: insert %u: %d\n", serial, status);
      return 5;
    }
    std::fprintf(progress, "%u %u\n", serial, GetU32(record, 0));
    std::fflush(progress);
  }
  std::fclose(progress);
  return position.Close() == QX_LDRA_OK ? 0 : 5;
}

// A child takes up its role before any test runs, and ends there.
const bool kChildDone = [] {
  const char* role = std::getenv(kChildRoleVariable);
  if (role == nullptr) return false;
  std::exit(RunWriter(role));
}();

// serial -> id of every complete line of a progress file.
std::map<uint32_t, uint32_t> Progress(const std::string& path) {
  std::map<uint32_t, uint32_t> done;
  const std::string text = FileBytes(path);
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::istringstream line(text.substr(start, end - start));
    uint32_t serial = 0, id = 0;
    if (line >> serial >> id) done[serial] = id;
  }
  return done;
}

class Durability : public RecordManagerTest {
 protected:
  void SetUp() override {
    ASSERT_FALSE(kChildDone);
    path_ = folder_.Path("stream");
    ASSERT_EQ(CreateDataFile(path_, Stream()), QX_LDRA_OK);
  }

  std::unique_ptr<ChildProcess> StartWriter(const std::string& progress, uint32_t count, uint32_t tag) {
    std::ostringstream role;
    role << "insert|" << path_ << "|" << progress << "|" << count << "|" << tag;
    return ChildProcess::Start(role.str());
  }

  // tag -> (serial -> id) of every record in the file, all checked intact.
  std::map<uint32_t, std::map<uint32_t, uint32_t>> Stored() {
    std::map<uint32_t, std::map<uint32_t, uint32_t>> stored;
    Position position(kRecordLength);
    EXPECT_EQ(position.Open(path_), QX_LDRA_OK);
    int16_t status = position.First(0);
    for (; status == QX_LDRA_OK; status = position.Next(0)) {
      const Bytes& record = position.record();
      EXPECT_TRUE(Intact(record)) << "record " << GetU32(record, 0);
      const bool fresh = stored[GetU32(record, 4)].emplace(GetU32(record, 8), GetU32(record, 0)).second;
      EXPECT_TRUE(fresh) << "serial stored twice: " << GetU32(record, 8);
    }
    EXPECT_EQ(status, QX_LDRA_END_OF_FILE);
    EXPECT_EQ(position.Close(), QX_LDRA_OK);
    return stored;
  }

  std::string path_;
};

TEST_F(Durability, AWriterKilledMidStreamLeavesEveryCompletedInsertAndNoPartialRecord) {
  const std::string progress = folder_.Path("progress");
  auto writer = StartWriter(progress, 1000000, 7);
  ASSERT_NE(writer, nullptr);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (Progress(progress).size() < 25 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  writer->Kill();
  EXPECT_EQ(writer->Wait(), -1);
  const std::map<uint32_t, uint32_t> reported = Progress(progress);
  ASSERT_GE(reported.size(), 25u);

  const auto stored = Stored();
  ASSERT_EQ(stored.size(), 1u);
  const std::map<uint32_t, uint32_t>& records = stored.at(7);
  // Inserts were made one after another: the file holds serials 0 to n-1,
  // the reported ones and at most one whose report the kill cut off.
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.rbegin()->first + 1, records.size());
  EXPECT_LE(records.size(), reported.size() + 1);
  for (const auto& [serial, id] : reported) {
    ASSERT_EQ(records.count(serial), 1u) << "lost insert " << serial;
    EXPECT_EQ(records.at(serial), id);
  }
  // The file takes new records after the crash.
  Position position(kRecordLength);
  ASSERT_EQ(position.Open(path_), QX_LDRA_OK);
  Bytes record = StreamRecord(8, 0);
  EXPECT_EQ(position.Insert(record), QX_LDRA_OK);
  EXPECT_EQ(GetU32(record, 0), records.rbegin()->second + 1);
}

TEST_F(Durability, TwoProcessesInsertingAtOnceLoseNothing) {
  constexpr uint32_t kEach = 40;
  auto first = StartWriter(folder_.Path("progress1"), kEach, 1);
  auto second = StartWriter(folder_.Path("progress2"), kEach, 2);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->Wait(), 0);
  EXPECT_EQ(second->Wait(), 0);

  const auto stored = Stored();
  std::vector<uint32_t> ids;
  for (uint32_t tag : {1u, 2u}) {
    ASSERT_EQ(stored.count(tag), 1u);
    const std::map<uint32_t, uint32_t>& records = stored.at(tag);
    EXPECT_EQ(records.size(), kEach);
    EXPECT_EQ(records, Progress(folder_.Path("progress" + std::to_string(tag))));
    for (const auto& entry : records) ids.push_back(entry.second);
  }
  std::sort(ids.begin(), ids.end());
  ASSERT_EQ(ids.size(), 2 * kEach);
  for (std::size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(ids[i], i + 1);
}

}  // namespace
