// Data files and other processes: a writer killed in the middle of a stream
// of inserts, a creator killed in the middle of creating, and processes
// using one file at once.
//
// The children are this test program started again (test_child.h) with a
// role, "<kind>|<path>|<progress file>|<count>|<tag>". A writer ("insert")
// opens the file, inserts a record tagged `tag` and closes the file again,
// `count` times, the records numbered from 0 by their serial; a creator
// ("create") creates the files <path>0, <path>1, ... instead. After each
// step the child appends "<serial> <id>" to its progress file.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

// The child's side. Exit codes: 0 done, 3 bad role, 4 a call failed.
int RunChild(const std::string& role) {
  const std::vector<std::string> parts = Split(role, '|');
  std::FILE* progress = parts.size() == 5 ? std::fopen(parts[2].c_str(), "ab") : nullptr;
  if (progress == nullptr) return 3;
  const bool create = parts[0] == "create";
  for (uint32_t serial = 0; serial < std::stoul(parts[3]); ++serial) {
    Position position;
    Bytes record = StreamRecord(static_cast<uint32_t>(std::stoul(parts[4])), serial);
    int16_t status = create ? CreateDataFile(parts[1] + std::to_string(serial), Stream()) : position.Open(parts[1]);
    if (status == QX_LDRA_OK && !create) status = position.Insert(record);
    if (status == QX_LDRA_OK && !create) status = position.Close();
    if (status != QX_LDRA_OK) {
      std::fprintf(stderr, "child %s %u: %d\n", role.c_str(), serial, status);
      return 4;
    }
    std::fprintf(progress, "%u %u\n", serial, GetU32(record, 0));
    std::fflush(progress);
  }
  std::fclose(progress);
  return 0;
}

// A child takes up its role before any test runs, and ends there.
const bool kChildDone = [] {
  const char* role = std::getenv(kChildRoleVariable);
  if (role == nullptr) return false;
  std::exit(RunChild(role));
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

  std::unique_ptr<ChildProcess> StartChild(const char* kind, const std::string& path, const std::string& progress,
                                           uint32_t count, uint32_t tag) {
    std::ostringstream role;
    role << kind << "|" << path << "|" << progress << "|" << count << "|" << tag;
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
  auto writer = StartChild("insert", path_, progress, 1000000, 7);
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

// Four writers that open and close the file around every insert: each
// close of the last connection removes the files beside the data file,
// and each open makes them again while the others open them.
TEST_F(Durability, ProcessesUsingOneFileAtOnceLoseNothingAndAreNeverRefused) {
  constexpr uint32_t kWriters = 4, kEach = 50;
  std::vector<std::unique_ptr<ChildProcess>> writers;
  for (uint32_t tag = 1; tag <= kWriters; ++tag) {
    writers.push_back(StartChild("insert", path_, folder_.Path("progress" + std::to_string(tag)), kEach, tag));
    ASSERT_NE(writers.back(), nullptr);
  }
  for (auto& writer : writers) EXPECT_EQ(writer->Wait(), 0);

  const auto stored = Stored();
  std::vector<uint32_t> ids;
  for (uint32_t tag = 1; tag <= kWriters; ++tag) {
    ASSERT_EQ(stored.count(tag), 1u);
    EXPECT_EQ(stored.at(tag), Progress(folder_.Path("progress" + std::to_string(tag))));
    for (const auto& entry : stored.at(tag)) ids.push_back(entry.second);
  }
  std::sort(ids.begin(), ids.end());
  ASSERT_EQ(ids.size(), kWriters * kEach);
  for (std::size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(ids[i], i + 1);
}

TEST_F(Durability, ACreatorKilledAtAnyMomentLeavesNoFileOrACompleteOne) {
  for (unsigned round = 0; round < 50; ++round) {
    const std::string prefix = folder_.Path(std::to_string(round) + "-"), progress = prefix + "progress";
    auto creator = StartChild("create", prefix, progress, 1000000, 0);
    ASSERT_NE(creator, nullptr);
    // Once the creator is under way, a kill at some moment of a create.
    for (int waits = 0; Progress(progress).empty() && waits < 60000; ++waits) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(round * 7919 % 20000));
    creator->Kill();
    EXPECT_EQ(creator->Wait(), -1);
    // The file being made then (or the next, when the kill cut off a
    // report) is complete, or absent and made anew.
    const std::size_t created = Progress(progress).size();
    for (std::size_t serial = created; serial <= created + 1; ++serial) {
      const std::string path = prefix + std::to_string(serial);
      Position position;
      if (std::filesystem::exists(path)) {
        EXPECT_EQ(position.Open(path), QX_LDRA_OK) << path;
      } else if (serial == created) {
        EXPECT_EQ(CreateDataFile(path, Stream()), QX_LDRA_OK) << path;
      }
    }
    qx_LDRAID(QX_LDRA_OP_RESET, nullptr, nullptr, nullptr, nullptr, 0, kClient);
  }
}

}  // namespace
