// Data files and other processes: a writer killed in the middle of a stream
// of inserts, a creator killed in the middle of creating, and processes
// using one file at once.
//
// The children are this test program started again (test_child.h) with a
// role. "insert|<path>|<progress file>|<count>|<tag>": a writer inserts
// `count` records tagged `tag`, numbered from 0 by their serial, and after
// each insert that returned 0 appends "<serial> <id>" to its progress file;
// "cycle|..." does the same, but opens and closes the file around each
// insert. "create|<path>|<progress file>": a creator creates the files
// <path>0, <path>1, ... for ever, appending "<n> 0" after each.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
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

int16_t Report(const char* step, uint32_t serial, int16_t status) {
  if (status != QX_LDRA_OK) std::fprintf(stderr, "child: %s %u: %d\n", step, serial, status);
  return status;
}

// The child's side. Exit codes: 0 done, 3 bad role, 4 open failed, 5 an
// insert or create failed.
int RunChild(const std::string& role) {
  const std::vector<std::string> parts = Split(role, '|');
  if (parts.size() < 3) return 3;
  std::FILE* progress = std::fopen(parts[2].c_str(), "ab");
  if (progress == nullptr) return 3;
  if (parts[0] == "create") {
    for (uint32_t serial = 0;; ++serial) {
      if (Report("create", serial, CreateDataFile(parts[1] + std::to_string(serial), Stream())) != QX_LDRA_OK) {
        return 5;
      }
      std::fprintf(progress, "%u 0\n", serial);
      std::fflush(progress);
    }
  }
  if (parts.size() != 5 || (parts[0] != "insert" && parts[0] != "cycle")) return 3;
  const bool cycle = parts[0] == "cycle";
  const uint32_t count = static_cast<uint32_t>(std::stoul(parts[3]));
  const uint32_t tag = static_cast<uint32_t>(std::stoul(parts[4]));
  Position position;
  for (uint32_t serial = 0; serial < count; ++serial) {
    if ((serial == 0 || cycle) && Report("open", serial, position.Open(parts[1])) != QX_LDRA_OK) return 4;
    Bytes record = StreamRecord(tag, serial);
    if (Report("insert", serial, position.Insert(record)) != QX_LDRA_OK) return 5;
    std::fprintf(progress, "%u %u\n", serial, GetU32(record, 0));
    std::fflush(progress);
    if ((serial + 1 == count || cycle) && Report("close", serial, position.Close()) != QX_LDRA_OK) return 5;
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

  std::unique_ptr<ChildProcess> StartWriter(const std::string& progress, uint32_t count, uint32_t tag,
                                            const char* kind = "insert") {
    std::ostringstream role;
    role << kind << "|" << path_ << "|" << progress << "|" << count << "|" << tag;
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

// Two writers that keep the file open, then four that open and close it
// around every insert: each close of the last connection removes the
// files beside the data file, and each open makes them again, while the
// others open them.
struct Crowd {
  const char* kind;
  uint32_t writers;
  uint32_t each;
};

class Together : public Durability, public ::testing::WithParamInterface<Crowd> {};

TEST_P(Together, ProcessesUsingOneFileAtOnceLoseNothingAndAreNeverRefused) {
  const Crowd& crowd = GetParam();
  std::vector<std::unique_ptr<ChildProcess>> writers;
  for (uint32_t tag = 1; tag <= crowd.writers; ++tag) {
    writers.push_back(StartWriter(folder_.Path("progress" + std::to_string(tag)), crowd.each, tag, crowd.kind));
    ASSERT_NE(writers.back(), nullptr);
  }
  for (auto& writer : writers) EXPECT_EQ(writer->Wait(), 0);

  const auto stored = Stored();
  std::vector<uint32_t> ids;
  for (uint32_t tag = 1; tag <= crowd.writers; ++tag) {
    ASSERT_EQ(stored.count(tag), 1u);
    const std::map<uint32_t, uint32_t>& records = stored.at(tag);
    EXPECT_EQ(records.size(), crowd.each);
    EXPECT_EQ(records, Progress(folder_.Path("progress" + std::to_string(tag))));
    for (const auto& entry : records) ids.push_back(entry.second);
  }
  std::sort(ids.begin(), ids.end());
  ASSERT_EQ(ids.size(), crowd.writers * crowd.each);
  for (std::size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(ids[i], i + 1);
}

INSTANTIATE_TEST_SUITE_P(Writers, Together,
                         ::testing::Values(Crowd{"insert", 2, 40}, Crowd{"cycle", 4, 50}),
                         [](const ::testing::TestParamInfo<Crowd>& param) {
                           return std::string(param.param.kind);
                         });

TEST_F(Durability, ACreatorKilledAtAnyMomentLeavesNoFileOrACompleteOne) {
  std::mt19937 random(RandomSeed());
  for (int round = 0; round < 50; ++round) {
    SCOPED_TRACE(round);
    const std::string prefix = folder_.Path("made" + std::to_string(round) + "-");
    const std::string progress = folder_.Path("made" + std::to_string(round));
    auto creator = ChildProcess::Start("create|" + prefix + "|" + progress);
    ASSERT_NE(creator, nullptr);
    // Once the creator is under way, a kill at a random moment.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (Progress(progress).empty() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    creator->Kill();
    EXPECT_EQ(creator->Wait(), -1);
    const std::size_t created = Progress(progress).size();
    ASSERT_GE(created, 1u);
    // The file being made when the kill came (the one after the last
    // reported, or the one after that when the kill cut off a report) is
    // complete, or absent and then made anew.
    for (std::size_t serial = created; serial <= created + 1; ++serial) {
      const std::string path = prefix + std::to_string(serial);
      Position position;
      if (std::filesystem::exists(path)) {
        EXPECT_EQ(position.Open(path), QX_LDRA_OK) << serial;
        EXPECT_EQ(position.First(0), QX_LDRA_END_OF_FILE) << serial;
      } else if (serial == created) {
        EXPECT_EQ(CreateDataFile(path, Stream()), QX_LDRA_OK) << serial;
      }
    }
    qx_LDRAID(QX_LDRA_OP_RESET, nullptr, nullptr, nullptr, nullptr, 0, kClient);
  }
}

}  // namespace
