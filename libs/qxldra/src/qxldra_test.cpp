// The call entry: bad input of every kind, position blocks, owner names,
// files that are not data files, reset, statuses and injected failures.

#include "qxldra.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "qxldra_testing.h"
#include "test_child.h"
#include "test_support.h"

namespace {

using namespace qxldra_test;

qxldra::FileDefinition Simple() {
  return Definition(16, {Key(QX_LDRA_KEY_UNIQUE, {Unsigned(0)}), Key(QX_LDRA_KEY_DUPLICATES, {Text(4, 12)})});
}

Bytes Record(uint32_t id, const std::string& name) {
  Bytes record(16, 0);
  PutU32(record, 0, id);
  PutText(record, 4, 12, name);
  return record;
}

class Entry : public RecordManagerTest {
 protected:
  void SetUp() override {
    path_ = Make("simple", Simple(), open_);
    for (uint32_t id = 1; id <= 3; ++id) {
      Bytes record = Record(id, "n" + std::to_string(id));
      ASSERT_EQ(open_.Insert(record), QX_LDRA_OK);
    }
  }

  std::string path_;
  Position open_;
};

// ---- Bad input ---------------------------------------------------------------

TEST_F(Entry, UnknownOperationsAreRefused) {
  for (uint16_t operation : {3, 7, 9, 13, 27, 29, 100, 65535}) {
    uint16_t length = 16;
    Bytes data(16), key(16);
    EXPECT_EQ(qx_LDRAID(operation, open_.block(), data.data(), &length, key.data(), 0, kClient),
              QX_LDRA_BAD_OPERATION)
        << operation;
  }
}

TEST_F(Entry, UnknownKeyNumbersAreRefused) {
  for (int key_number : {-32768, -2, -1, 2, 3, 8, 32767}) {
    if (key_number != -1) {
      Bytes record = Record(9, "x");
      EXPECT_EQ(open_.Insert(record, key_number), QX_LDRA_BAD_KEY_NUMBER) << key_number;
    }
    EXPECT_EQ(open_.Equal(key_number, U32Key(1)), QX_LDRA_BAD_KEY_NUMBER) << key_number;
    EXPECT_EQ(open_.First(key_number), QX_LDRA_BAD_KEY_NUMBER) << key_number;
    EXPECT_EQ(open_.Next(key_number), QX_LDRA_BAD_KEY_NUMBER) << key_number;
  }
  int16_t end = 0;
  EXPECT_EQ(open_.Walk(0, 0, &end).size(), 3u);
}

TEST_F(Entry, DataBuffersShorterThanTheRecordAreNeverWritten) {
  // Exact-size heap buffers: the sanitizers catch a write past them.
  std::vector<unsigned char> data(15, 0xEE);
  std::vector<unsigned char> key(4);
  PutU32(key, 0, 2);
  uint16_t length = 15;
  EXPECT_EQ(qx_LDRAID(QX_LDRA_OP_GET_EQUAL, open_.block(), data.data(), &length, key.data(), 0, kClient),
            QX_LDRA_BUFFER_TOO_SHORT);
  EXPECT_EQ(length, 15);
  EXPECT_EQ(std::count(data.begin(), data.end(), 0xEE), 15);
  EXPECT_EQ(qx_LDRAID(QX_LDRA_OP_GET_FIRST, open_.block(), data.data(), &length, key.data(), 0, kClient),
            QX_LDRA_BUFFER_TOO_SHORT);
  EXPECT_EQ(qx_LDRAID(QX_LDRA_OP_INSERT, open_.block(), data.data(), &length, nullptr, -1, kClient),
            QX_LDRA_BUFFER_TOO_SHORT);
  Bytes longer = Record(7, "l");
  longer.push_back(0);
  length = 17;
  EXPECT_EQ(qx_LDRAID(QX_LDRA_OP_INSERT, open_.block(), longer.data(), &length, nullptr, -1, kClient),
            QX_LDRA_WRONG_RECORD_LENGTH);

  // A buffer of exactly the record and a key buffer of exactly the key.
  std::vector<unsigned char> exact(16);
  std::vector<unsigned char> exact_key(12);
  std::memcpy(exact_key.data(), "n2          ", 12);
  length = 16;
  ASSERT_EQ(qx_LDRAID(QX_LDRA_OP_GET_EQUAL, open_.block(), exact.data(), &length, exact_key.data(), 1, kClient),
            QX_LDRA_OK);
  EXPECT_EQ(length, 16);
  EXPECT_EQ(GetU32(exact, 0), 2u);
  int16_t end = 0;
  EXPECT_EQ(open_.Walk(0, 0, &end), (std::vector<uint32_t>{1, 2, 3}));
}

TEST_F(Entry, MissingBuffersAreRefused) {
  uint16_t length = 16;
  Bytes data(16), key(16);
  unsigned char* block = open_.block();
  EXPECT_EQ(qx_LDRAID(QX_LDRA_OP_GET_FIRST, nullptr, data.data(), &length, key.data(), 0, kClient),
            QX_LDRA_MISSING_ARGUMENT);
  EXPECT_EQ(qx_LDRAID(QX_LDRA_OP_GET_FIRST, block, nullptr, &length, key.data(), 0, kClient),
            QX_LDRA_MISSING_ARGUMENT);
  EXPECT_EQ(qx_LDRAID(QX_LDRA_OP_GET_FIRST, block, data.data(), nullptr, key.data(), 0, kClient),
            QX_LDRA_MISSING_ARGUMENT);
  EXPECT_EQ(qx_LDRAID(QX_LDRA_OP_GET_FIRST, block, data.data(), &length, nullptr, 0, kClient),
            QX_LDRA_MISSING_ARGUMENT);
  EXPECT_EQ(qx_LDRAID(QX_LDRA_OP_INSERT, block, nullptr, &length, nullptr, -1, kClient),
            QX_LDRA_MISSING_ARGUMENT);
  EXPECT_EQ(qx_LDRAID(QX_LDRA_OP_RESET, nullptr, nullptr, nullptr, nullptr, 0, nullptr),
            QX_LDRA_MISSING_ARGUMENT);
  Position other;
  EXPECT_EQ(other.Open(path_, kOwner, nullptr), QX_LDRA_MISSING_ARGUMENT);
}

TEST_F(Entry, PathsMustBePresentAndFit) {
  Position other;
  EXPECT_EQ(other.Open(""), QX_LDRA_BAD_PATH);
  EXPECT_EQ(other.Open(std::string(QX_LDRA_MAX_PATH + 1, 'p')), QX_LDRA_BAD_PATH);
  EXPECT_EQ(other.Open(std::string(5000, 'p')), QX_LDRA_BAD_PATH);
  EXPECT_EQ(CreateDataFile(std::string(QX_LDRA_MAX_PATH + 1, 'p'), Simple()), QX_LDRA_BAD_PATH);
  Bytes name = {'O', 0};
  uint16_t length = 2;
  EXPECT_EQ(qx_LDRAID(QX_LDRA_OP_OPEN, other.block(), name.data(), &length, nullptr, 0, kClient), QX_LDRA_BAD_PATH);
  // An unterminated path longer than the limit is not read past the limit.
  std::vector<char> unterminated(QX_LDRA_MAX_PATH + 1, 'q');
  EXPECT_EQ(qx_LDRAID(QX_LDRA_OP_OPEN, other.block(), name.data(), &length, unterminated.data(), 0, kClient),
            QX_LDRA_BAD_PATH);
  EXPECT_EQ(qxldraOpenFileCount(), 1);
}

// ---- Position blocks -----------------------------------------------------------

TEST_F(Entry, PositionBlocksNeverOpenedClosedOrDamagedEachHaveTheirStatus) {
  Position zeros;
  EXPECT_EQ(zeros.First(0), QX_LDRA_NOT_OPENED);
  Position garbage;
  std::memset(garbage.block(), 0xAB, QX_LDRA_POSITION_SIZE);
  EXPECT_EQ(garbage.First(0), QX_LDRA_NOT_OPENED);
  EXPECT_EQ(garbage.Close(), QX_LDRA_NOT_OPENED);

  // Every byte of the stamp matters.
  for (std::size_t at = 4; at < 24; ++at) {
    Position damaged = open_;
    damaged.block()[at] ^= 0x01;
    EXPECT_EQ(damaged.First(0), QX_LDRA_POSITION_DAMAGED) << at;
    EXPECT_EQ(damaged.Close(), QX_LDRA_POSITION_DAMAGED) << at;
  }

  // A copy names the same open file; once closed through one, both read as closed.
  Position copy = open_;
  ASSERT_EQ(copy.First(0), QX_LDRA_OK);
  ASSERT_EQ(open_.Close(), QX_LDRA_OK);
  EXPECT_EQ(open_.First(0), QX_LDRA_POSITION_CLOSED);
  EXPECT_EQ(open_.Close(), QX_LDRA_POSITION_CLOSED);
  EXPECT_EQ(copy.First(0), QX_LDRA_POSITION_CLOSED);
  Bytes record = Record(4, "four");
  EXPECT_EQ(copy.Insert(record), QX_LDRA_POSITION_CLOSED);
  EXPECT_EQ(copy.Delete(), QX_LDRA_POSITION_CLOSED);

  // A new open of the same slot does not revive the old block.
  Position reopened;
  ASSERT_EQ(reopened.Open(path_), QX_LDRA_OK);
  EXPECT_EQ(copy.First(0), QX_LDRA_POSITION_CLOSED);
  EXPECT_EQ(reopened.First(0), QX_LDRA_OK);
}

TEST_F(Entry, OpeningIntoAnOpenBlockClosesItsEarlierFileOnceTheNewOneIsOpen) {
  const std::string other_path = folder_.Path("other");
  ASSERT_EQ(CreateDataFile(other_path, Simple()), QX_LDRA_OK);
  Position copy = open_;
  EXPECT_EQ(open_.Open(other_path, "wrong owner"), QX_LDRA_OWNER_REFUSED);
  EXPECT_EQ(copy.First(0), QX_LDRA_OK);
  for (int round = 0; round < 3; ++round) ASSERT_EQ(open_.Open(other_path), QX_LDRA_OK);
  EXPECT_EQ(qxldraOpenFileCount(), 1);
  EXPECT_EQ(copy.First(0), QX_LDRA_POSITION_CLOSED);
  EXPECT_EQ(open_.First(0), QX_LDRA_END_OF_FILE);  // the other, empty file
}

Position* forked_block = nullptr;

// In a forked child, the parent's block is another process's.
int UseTheParentsBlock() {
  Bytes record = Record(40, "child");
  const bool refused = forked_block->First(0) == QX_LDRA_POSITION_DAMAGED &&
                       forked_block->Insert(record) == QX_LDRA_POSITION_DAMAGED &&
                       forked_block->Close() == QX_LDRA_POSITION_DAMAGED;
  return refused && qxldraOpenFileCount() == 0 ? 0 : 1;
}

TEST_F(Entry, AForkedChildCannotUseItsParentsPositionBlocks) {
  forked_block = &open_;
  const int child = RunForked(UseTheParentsBlock);
  if (child == kCannotFork) GTEST_SKIP() << "no fork here";
  EXPECT_EQ(child, 0);
  EXPECT_EQ(open_.First(0), QX_LDRA_OK);
}

TEST_F(Entry, ResetClosesWhatTheClientStillHoldsAndNothingElse) {
  // Another module's block with the same bytes, and a block of other bytes.
  unsigned char module[QX_LDRA_CLIENT_ID_SIZE], other[QX_LDRA_CLIENT_ID_SIZE] = {1};
  std::memcpy(module, kClient, sizeof module);
  auto reset = [](const unsigned char* client) {
    return qx_LDRAID(QX_LDRA_OP_RESET, nullptr, nullptr, nullptr, nullptr, 0, client);
  };
  Position second, of_module, foreign;
  ASSERT_EQ(second.Open(path_), QX_LDRA_OK);
  ASSERT_EQ(of_module.Open(path_, kOwner, module), QX_LDRA_OK);
  ASSERT_EQ(foreign.Open(path_, kOwner, other), QX_LDRA_OK);
  ASSERT_EQ(reset(kClient), QX_LDRA_OK);
  EXPECT_EQ(second.First(0), QX_LDRA_POSITION_CLOSED);
  EXPECT_EQ(of_module.First(0), QX_LDRA_OK);
  ASSERT_EQ(reset(module), QX_LDRA_OK);
  EXPECT_EQ(of_module.First(0), QX_LDRA_POSITION_CLOSED);
  EXPECT_EQ(foreign.First(0), QX_LDRA_OK);
  ASSERT_EQ(reset(other), QX_LDRA_OK);
  EXPECT_EQ(qxldraOpenFileCount(), 0);
}

// ---- Owner names -------------------------------------------------------------

TEST_F(Entry, WrongMissingOrDifferentlyCasedOwnerNamesAreRefused) {
  Position other;
  EXPECT_EQ(other.Open(path_, "owner-7"), QX_LDRA_OWNER_REFUSED);
  EXPECT_EQ(other.Open(path_, "Owner-"), QX_LDRA_OWNER_REFUSED);
  EXPECT_EQ(other.Open(path_, "Owner-77"), QX_LDRA_OWNER_REFUSED);
  EXPECT_EQ(other.Open(path_, std::string(QX_LDRA_MAX_OWNER_LENGTH + 1, 'O')), QX_LDRA_OWNER_REFUSED);
  EXPECT_EQ(other.Open(path_, ""), QX_LDRA_OWNER_MISSING);
  std::string key = path_;
  uint16_t length = 8;
  EXPECT_EQ(qx_LDRAID(QX_LDRA_OP_OPEN, other.block(), nullptr, &length, key.data(), 0, kClient),
            QX_LDRA_OWNER_MISSING);
  char owner[] = "Owner-7";
  length = 0;
  EXPECT_EQ(qx_LDRAID(QX_LDRA_OP_OPEN, other.block(), owner, &length, key.data(), 0, kClient),
            QX_LDRA_OWNER_MISSING);
  // Nothing is readable through a refused open.
  EXPECT_EQ(other.First(0), QX_LDRA_NOT_OPENED);
  EXPECT_EQ(qxldraOpenFileCount(), 1);
  // The name is read up to its terminator or the data length, whichever comes first.
  length = 7;
  ASSERT_EQ(qx_LDRAID(QX_LDRA_OP_OPEN, other.block(), owner, &length, key.data(), 0, kClient), QX_LDRA_OK);
}

TEST_F(Entry, TheFileHoldsTheOwnerNameOnlyAsAHash) {
  const std::string owner = "VerySecretOwner";
  const std::string path = folder_.Path("secret");
  ASSERT_EQ(CreateDataFile(path, Simple(), owner), QX_LDRA_OK);
  Position position;
  ASSERT_EQ(position.Open(path, owner), QX_LDRA_OK);
  Bytes record = Record(1, "one");
  ASSERT_EQ(position.Insert(record), QX_LDRA_OK);
  const std::string bytes = FileBytes(path) + FileBytes(path + "-wal");
  EXPECT_GT(bytes.size(), 0u);
  EXPECT_EQ(bytes.find(owner), std::string::npos);
  EXPECT_EQ(bytes.find("SecretOwner"), std::string::npos);
}

// ---- Creating and opening files ----------------------------------------------

TEST_F(Entry, FilesThatAreNotDataFilesAreRecognised) {
  Position other;
  const std::string text = folder_.Path("text");
  std::ofstream(text) << "this is a text file, long enough to be taken for a database header..."
                      << std::string(200, 'x');
  EXPECT_EQ(other.Open(text), QX_LDRA_NOT_A_DATA_FILE);
  const std::string empty = folder_.Path("empty");
  std::ofstream(empty).close();
  EXPECT_EQ(other.Open(empty), QX_LDRA_NOT_A_DATA_FILE);
  EXPECT_EQ(other.Open(folder_.Path("missing")), QX_LDRA_FILE_NOT_FOUND);
  EXPECT_EQ(other.Open(folder_.Path("")), QX_LDRA_FILE_NOT_FOUND);  // a folder

  // Data files changed by someone who can write them, each refused before
  // anything is read through the file's tables.
  const std::string one_key = "CAST(x'10000100' || substr(value, 5, 10) AS BLOB)";  // Simple() without key 1
  const std::pair<std::string, int16_t> changes[] = {
      {"PRAGMA application_id=7", QX_LDRA_NOT_A_DATA_FILE},
      {"CREATE VIEW extra AS SELECT 1", QX_LDRA_NOT_A_DATA_FILE},
      {"CREATE TRIGGER t AFTER INSERT ON records BEGIN SELECT 1; END", QX_LDRA_NOT_A_DATA_FILE},
      {"CREATE INDEX extra ON records(data)", QX_LDRA_NOT_A_DATA_FILE},
      {"DROP INDEX key1; CREATE UNIQUE INDEX key1 ON records(k1)", QX_LDRA_NOT_A_DATA_FILE},
      {"ALTER TABLE records ADD COLUMN k2 BLOB", QX_LDRA_NOT_A_DATA_FILE},
      // An endless view with triggers in the place of the records.
      {"ALTER TABLE records RENAME TO kept; CREATE VIEW records(seq, data, k0, k1) AS WITH RECURSIVE "
       "n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT i, zeroblob(16), x'', x'' FROM n;"
       "CREATE TRIGGER put INSTEAD OF INSERT ON records BEGIN SELECT 1; END",
       QX_LDRA_NOT_A_DATA_FILE},
      // A file of the first format (no checksum) opens, unless its
      // definition disagrees with its columns; in a current file a changed
      // definition or owner hash disagrees with the checksum.
      {"PRAGMA user_version=1", QX_LDRA_OK},
      {"PRAGMA user_version=1; UPDATE meta SET value = " + one_key + " WHERE name = 'definition'",
       QX_LDRA_NOT_A_DATA_FILE},
      {"UPDATE meta SET value = " + one_key + " WHERE name = 'definition'", QX_LDRA_FILE_DAMAGED},
      {"UPDATE meta SET value = zeroblob(32) WHERE name = 'owner_hash'", QX_LDRA_FILE_DAMAGED},
  };
  int made = 0;
  for (const auto& [sql, status] : changes) {
    const std::string path = folder_.Path("changed" + std::to_string(made++));
    ASSERT_EQ(CreateDataFile(path, Simple()), QX_LDRA_OK);
    ASSERT_EQ(RunSql(path, sql), 0) << sql;
    EXPECT_EQ(other.Open(path), status) << sql;
  }
}

TEST_F(Entry, RunningOutOfFileHandlesSaysSo) {
  const std::string path = folder_.Path("new");
  Position other;
  int16_t opened = -1, created = -1;
  if (!WithoutFreeFileHandles([&] { opened = other.Open(path_), created = CreateDataFile(path, Simple()); })) {
    GTEST_SKIP() << "file handles cannot be used up here";
  }
  EXPECT_EQ(opened, QX_LDRA_NO_FILE_HANDLES);
  EXPECT_EQ(created, QX_LDRA_NO_FILE_HANDLES);
  // Nothing was left behind: the open file, its two companions.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path("")), {}), 3);
}

TEST_F(Entry, CreateNeverReplacesAFileAndRefusesBadDefinitions) {
  EXPECT_EQ(CreateDataFile(path_, Simple()), QX_LDRA_FILE_EXISTS);
  int16_t end = 0;
  EXPECT_EQ(open_.Walk(0, 0, &end).size(), 3u);

  const std::string path = folder_.Path("new");
  qxldra::FileDefinition bad = Simple();
  bad.keys[1].segments[0].length = 13;  // past the record
  EXPECT_EQ(CreateDataFile(path, bad), QX_LDRA_BAD_DEFINITION);
  EXPECT_EQ(CreateDataFile(path, Simple(), ""), QX_LDRA_OWNER_MISSING);
  EXPECT_EQ(CreateDataFile(path, Simple(), std::string(QX_LDRA_MAX_OWNER_LENGTH + 1, 'o')), QX_LDRA_BAD_DEFINITION);
  EXPECT_EQ(CreateDataFile(folder_.Path("no-such-folder/new"), Simple()), QX_LDRA_CANNOT_CREATE);
  // An owner name without its terminator leaves no definition.
  char unterminated[4] = {'a', 'b', 'c', 'd'};
  uint16_t length = 4;
  std::string key = path;
  EXPECT_EQ(qx_LDRAID(QX_LDRA_OP_CREATE, nullptr, unterminated, &length, key.data(), 0, kClient),
            QX_LDRA_BAD_DEFINITION);
  // Nothing was left behind by the refusals.
  Position position;
  EXPECT_EQ(position.Open(path), QX_LDRA_FILE_NOT_FOUND);
}

// ---- Statuses ----------------------------------------------------------------

TEST(Statuses, EachHasOneMessageAndFiveIsNotOne) {
  std::set<std::string> messages;
  int known = 0;
  for (int status = 0; status < 100; ++status) {
    const std::string message = qxldraStatusText(static_cast<int16_t>(status));
    if (message == "unknown status") continue;
    ++known;
    EXPECT_TRUE(messages.insert(message).second) << status;
  }
  EXPECT_EQ(known, 30);
  EXPECT_STREQ(qxldraStatusText(5), "unknown status");
  EXPECT_STREQ(qxldraStatusText(QX_LDRA_OK), "success");
  EXPECT_STREQ(qxldraStatusText(QX_LDRA_END_OF_FILE), "no further record in key order");
  EXPECT_STREQ(qxldraStatusText(-1), "unknown status");
}

// ---- Injected failures ---------------------------------------------------------

TEST_F(Entry, AnInjectedFailureHitsTheChosenCallOnlyAndChangesNothing) {
  Position other;
  const std::string other_path = folder_.Path("other");
  ASSERT_EQ(CreateDataFile(other_path, Simple()), QX_LDRA_OK);
  ASSERT_EQ(other.Open(other_path), QX_LDRA_OK);

  qxldraFailNthCall("simple", QX_LDRA_OP_INSERT, 2, QX_LDRA_IO_ERROR);
  Bytes a = Record(10, "a"), b = Record(11, "b"), c = Record(12, "c");
  EXPECT_EQ(other.Insert(a), QX_LDRA_OK);  // another file
  EXPECT_EQ(open_.First(0), QX_LDRA_OK);   // another operation
  EXPECT_EQ(open_.Insert(a), QX_LDRA_OK);
  EXPECT_TRUE(qxldraFailurePending());
  EXPECT_EQ(open_.Insert(b), QX_LDRA_IO_ERROR);
  EXPECT_FALSE(qxldraFailurePending());
  EXPECT_EQ(open_.Insert(c), QX_LDRA_OK);
  int16_t end = 0;
  EXPECT_EQ(open_.Walk(0, 0, &end), (std::vector<uint32_t>{1, 2, 3, 10, 12}));

  // Any file, any operation; opens count by the file name of their path.
  qxldraFailNthCall(nullptr, -1, 1, QX_LDRA_FILE_BUSY);
  Position third;
  EXPECT_EQ(third.Open(path_), QX_LDRA_FILE_BUSY);
  EXPECT_EQ(third.First(0), QX_LDRA_NOT_OPENED);
  qxldraFailNthCall("simple", QX_LDRA_OP_OPEN, 1, QX_LDRA_NO_MEMORY);
  EXPECT_EQ(third.Open(other_path), QX_LDRA_OK);
  EXPECT_EQ(third.Open(path_), QX_LDRA_NO_MEMORY);
  // Cancelled.
  qxldraFailNthCall(nullptr, -1, 1, QX_LDRA_IO_ERROR);
  qxldraFailNthCall(nullptr, -1, 0, 0);
  EXPECT_FALSE(qxldraFailurePending());
  EXPECT_EQ(open_.First(0), QX_LDRA_OK);
}

}  // namespace
