// For the trigger module's tests: fresh product files in a folder of the
// test's own with the module opened on them, and a reader that looks at the
// files from outside the module (its own client and position blocks).
#ifndef QXEXPPAR_TRIGGERS_TEST_TRIGGER_FILES_H
#define QXEXPPAR_TRIGGERS_TEST_TRIGGER_FILES_H

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/allocation_testing.h"
#include "qxexpc.h"
#include "qxldra_host.h"
#include "qxldra_testing.h"
#include "triggers/qxtrg.h"

inline constexpr char kTestOwner[] = "Owner-7";
using Record = std::string;  // a record's bytes

inline std::string U32Bytes(uint32_t value) { return std::string(reinterpret_cast<const char*>(&value), 4); }
inline uint32_t U32At(const Record& r, std::size_t at) {
  return RecGetU32(reinterpret_cast<const unsigned char*>(&r[at]));
}
inline std::string Field(std::string text, std::size_t width) { return text.resize(width, ' '), text; }

class FileReader {
 public:
  FileReader(const std::string& prefix, const char* name, const char* owner = kTestOwner) {
    EXPECT_EQ(RecFileOpen(client_, prefix.c_str(), name, owner, &file_), 0) << name;
  }
  FileReader(const FileReader&) = delete;
  ~FileReader() { RecFileClose(client_, &file_); }

  int32_t Insert(Record r) { return Call(QX_LDRA_OP_INSERT, r, nullptr, -1); }
  // The records whose key `key_number` is `key`, or all of them for an
  // empty `key`, in key order.
  std::vector<Record> Records(int16_t key_number, const std::string& key = {}) {
    std::vector<Record> records;
    std::string found = key + std::string(QX_LDRA_MAX_KEY_LENGTH - key.size(), '\0');
    Record r(QX_TRIGTXT_RECORD_SIZE, '\0');
    int32_t status = Call(key.empty() ? QX_LDRA_OP_GET_FIRST : QX_LDRA_OP_GET_EQUAL, r, &found, key_number);
    while (status == 0 && found.compare(0, key.size(), key) == 0) {
      records.push_back(r.substr(0, file_->data_length));
      status = Call(QX_LDRA_OP_GET_NEXT, r, &found, key_number);
    }
    return records;
  }

 private:
  int32_t Call(uint16_t operation, Record& r, std::string* key, int16_t key_number) {
    return RecFileCall(file_, client_, operation, r.data(), static_cast<uint16_t>(r.size()),
                       key ? key->data() : nullptr, key ? key->size() : 0, key_number);
  }
  unsigned char client_[QX_LDRA_CLIENT_ID_SIZE] = {'r', 'e', 'a', 'd', 'e', 'r'};
  RecFileHandle* file_ = nullptr;
};

// Each test must leave no block allocated, no file open and no injected
// failure pending.
class TriggerFilesTest : public LeakCheckedTest {
 protected:
  void SetUp() override {
    LeakCheckedTest::SetUp();
    open_before_ = qxldraOpenFileCount();
    // Making files is slow, copying closed ones is not: each test copies
    // one set made for the whole run.
    static const std::filesystem::path made = [] {
      const auto made_folder = std::filesystem::current_path() / "trg_made";
      std::filesystem::remove_all(made_folder);
      std::filesystem::create_directories(made_folder);
      EXPECT_EQ(qxldraCreateProductFiles((made_folder.string() + "/").c_str(), kTestOwner), 0);
      return made_folder;
    }();
    folder_ = std::filesystem::current_path() / "trg_";
    folder_ += testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(folder_);
    std::filesystem::copy(made, folder_);
    prefix_ = folder_.string() + "/";
    ASSERT_EQ(QXTRGInitDat(prefix_.c_str(), kTestOwner), 0);
  }
  void TearDown() override {
    QXTRGDeinitDat();
    EXPECT_EQ(qxldraFailurePending(), 0);
    qxldraFailNthCall(nullptr, -1, 0, 0);
    EXPECT_EQ(qxldraOpenFileCount(), open_before_);
    std::filesystem::remove_all(folder_);
    LeakCheckedTest::TearDown();
  }

  FileReader Reader(const char* name) { return FileReader(prefix_, name); }

  // Every record of every trigger file: what "unchanged" compares.
  std::map<std::string, std::vector<Record>> Files() {
    std::map<std::string, std::vector<Record>> files;
    for (const char* name : {QX_TRIGEX_FILE, QX_TRIGGERS_FILE, QX_TRIGTXT_FILE, QX_ACTIONS_FILE, QX_TRACXREF_FILE,
                             QX_PFACTPRO_FILE, QX_PFACTCFG_FILE, QX_TRIGLOG_FILE, QX_TRDFXREF_FILE, QX_TRAFXREF_FILE}) {
      files[name] = Reader(name).Records(0);
    }
    return files;
  }

  // Runs `run` with the nth record-manager call made to fail, for n = 1, 2,
  // ... until a run makes no call fail, and has `check(status, injected)`
  // judge each outcome. Returns how many runs had a call fail.
  template <typename Run, typename Check>
  int SweepRecordFailures(Run run, Check check) {
    for (long n = 1;; ++n) {
      qxldraFailNthCall(nullptr, -1, n, QX_LDRA_IO_ERROR);
      const int32_t status = run();
      const bool injected = qxldraFailurePending() == 0;
      qxldraFailNthCall(nullptr, -1, 0, 0);
      check(status, injected);
      if (!injected) return static_cast<int>(n - 1);
    }
  }

  std::filesystem::path folder_;
  std::string prefix_;
  long open_before_ = 0;
};

#endif
