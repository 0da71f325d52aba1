// For the trigger module's tests: a scratch folder of fresh product files
// with the trigger module opened on it, and a reader that looks at the files
// from outside the module (its own client and position blocks).
#ifndef QXEXPPAR_TRIGGERS_TEST_TRIGGER_FILES_H
#define QXEXPPAR_TRIGGERS_TEST_TRIGGER_FILES_H

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "datafiles/record_files.h"
#include "platform/allocation_testing.h"
#include "qxexpc.h"
#include "qxldra_host.h"
#include "qxldra_testing.h"
#include "triggers/qxtrg.h"

inline constexpr char kTestOwner[] = "Owner-7";

using Record = std::string;  // a record's bytes

// Opens one data file of `prefix` for reading and writing beside the module.
class FileReader {
 public:
  FileReader(const std::string& prefix, const char* name, const char* owner = kTestOwner) {
    std::memcpy(client_, "file reader", 12);
    EXPECT_EQ(RecFileOpen(client_, prefix.c_str(), name, owner, &file_), 0) << name;
  }
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;
  ~FileReader() { RecFileClose(client_, &file_); }

  int32_t Insert(Record record) {
    return RecFileCall(file_, client_, QX_LDRA_OP_INSERT, record.data(), static_cast<uint16_t>(record.size()),
                       nullptr, 0, -1);
  }
  // The records whose key `key_number` has the value `key`, in key order;
  // every record in key order for an empty `key`.
  std::vector<Record> Records(int16_t key_number, const std::string& key = {}) {
    std::vector<Record> records;
    std::string buffer(QX_TRIGTXT_RECORD_SIZE, '\0'), found = key;
    found.resize(QX_LDRA_MAX_KEY_LENGTH);
    const auto length = static_cast<uint16_t>(buffer.size());
    int32_t status = RecFileCall(file_, client_, key.empty() ? QX_LDRA_OP_GET_FIRST : QX_LDRA_OP_GET_EQUAL,
                                 buffer.data(), length, found.data(), found.size(), key_number);
    while (status == 0 && (key.empty() || found.compare(0, key.size(), key) == 0)) {
      records.emplace_back(buffer.data(), file_->data_length);
      status = RecFileCall(file_, client_, QX_LDRA_OP_GET_NEXT, buffer.data(), length, found.data(), found.size(),
                           key_number);
    }
    return records;
  }

 private:
  unsigned char client_[QX_LDRA_CLIENT_ID_SIZE] = {};
  RecFileHandle* file_ = nullptr;
};

inline std::string U32Bytes(uint32_t value) {
  std::string bytes(4, '\0');
  RecPutU32(reinterpret_cast<unsigned char*>(bytes.data()), value);
  return bytes;
}
inline uint32_t U32At(const Record& record, std::size_t at) {
  return RecGetU32(reinterpret_cast<const unsigned char*>(record.data()) + at);
}
// A blank-padded field of `width` bytes holding `text`.
inline std::string Field(const std::string& text, std::size_t width) {
  std::string field = text;
  field.resize(width, ' ');
  return field;
}

// Each test gets fresh product files in a folder of its own below the
// working folder and the trigger module opened on them; it must leave no
// block allocated, no file open and no injected failure pending.
class TriggerFilesTest : public LeakCheckedTest {
 protected:
  void SetUp() override {
    LeakCheckedTest::SetUp();
    open_before_ = qxldraOpenFileCount();
    folder_ = std::filesystem::current_path() /
              (std::string("trg_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    // Fresh files are copies of one set made for the whole run: making
    // them is slow, copying closed files is not.
    static const std::filesystem::path made = [] {
      const auto made_folder = std::filesystem::current_path() / "trg_made";
      std::filesystem::remove_all(made_folder);
      std::filesystem::create_directories(made_folder);
      EXPECT_EQ(qxldraCreateProductFiles((made_folder.string() + "/").c_str(), kTestOwner), 0);
      return made_folder;
    }();
    std::filesystem::copy(made, folder_);
    prefix_ = folder_.string() + "/";
    ASSERT_EQ(QXTRGInitDat(prefix_.c_str(), kTestOwner), 0);
  }
  void TearDown() override {
    QXTRGDeinitDat();
    EXPECT_EQ(qxldraFailurePending(), 0);
    qxldraFailNthCall(nullptr, -1, 0, 0);
    EXPECT_EQ(qxldraOpenFileCount(), open_before_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    LeakCheckedTest::TearDown();
  }

  FileReader Reader(const char* name) { return FileReader(prefix_, name); }

  // Every record of every trigger file: what "unchanged" compares.
  std::map<std::string, std::vector<Record>> Files() {
    std::map<std::string, std::vector<Record>> files;
    for (const char* name : {QX_TRIGEX_FILE, QX_TRIGGERS_FILE, QX_TRIGTXT_FILE, QX_ACTIONS_FILE, QX_TRACXREF_FILE,
                             QX_PFACTPRO_FILE, QX_PFACTCFG_FILE, QX_TRIGLOG_FILE, QX_TRDFXREF_FILE,
                             QX_TRAFXREF_FILE}) {
      files[name] = Reader(name).Records(0);
    }
    return files;
  }

  // Runs `run` with the nth record-manager call made to fail, for n = 1,
  // 2, ... until a run makes no call fail; `check(status, injected)` judges
  // each outcome. Returns how many runs had a call fail.
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
