// The product's data files, created by qxldraCreateProductFiles, used the
// way the library's modules use them.

#include "qxldra_host.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "qxldra_testing.h"
#include "test_support.h"

extern "C" int QxldraCHostRoundTrip(const char* prefix);

namespace {

using namespace qxldra_test;

const std::vector<std::pair<std::string, uint16_t>> kFiles = {
    {"tdefex", 308},  {"tabdef", 170},   {"trigex", 284},   {"triggers", 148}, {"trigtxt", 8196},
    {"actions", 148}, {"tracxref", 8},   {"pfactpro64", 208}, {"pfactcfg", 458}, {"triglog", 282},
    {"trdfxref", 36}, {"trafxref", 8},   {"qxserver", 332}};

Bytes Trigger(uint32_t id, const std::string& name) {
  Bytes record(148, 0);
  PutU32(record, 0, id);
  PutText(record, 4, 40, name);
  PutText(record, 44, 100, "");
  PutU32(record, 144, 1);
  return record;
}

// One set of product files for the suite, created once (file creation is
// slow: it waits for the disk). The prefix ends in "data-" without a
// separator, as a host may give it. Each test writes to files of its own.
class ProductFiles : public RecordManagerTest {
 protected:
  static void SetUpTestSuite() {
    shared_ = new ScratchFolder();
    ASSERT_EQ(qxldraCreateProductFiles(Prefix().c_str(), kOwner), QX_LDRA_OK);
  }
  static void TearDownTestSuite() {
    delete shared_;
    shared_ = nullptr;
  }

  static std::string Prefix() { return shared_->Path("data-"); }

  // Opens a product file as the library's modules do.
  static void Open(Position& position, const std::string& name, const std::string& prefix = Prefix()) {
    const std::string owner = name == "qxserver" ? QX_LDRA_SERVER_OWNER : kOwner;
    ASSERT_EQ(position.Open(prefix + name, owner), QX_LDRA_OK) << name;
  }

  static ScratchFolder* shared_;
};

ScratchFolder* ProductFiles::shared_ = nullptr;

TEST_F(ProductFiles, EveryFileOpensWithItsOwnerHoldsRecordsOfItsLengthAndIsKeptWhenCreatedAgain) {
  const std::string prefix = folder_.Path("");
  ASSERT_EQ(qxldraCreateProductFiles(prefix.c_str(), kOwner), QX_LDRA_OK);
  for (const auto& [name, length] : kFiles) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(std::filesystem::exists(prefix + name));
    Position position(9000);
    Open(position, name, prefix);
    Bytes record(length, ' ');
    ASSERT_EQ(position.Insert(record), QX_LDRA_OK);
    ASSERT_EQ(position.First(0), QX_LDRA_OK);
    EXPECT_EQ(position.data_length(), length);
    Bytes shorter(length - 1u, ' ');
    EXPECT_EQ(position.Insert(shorter), QX_LDRA_BUFFER_TOO_SHORT);
    EXPECT_EQ(position.Close(), QX_LDRA_OK);
  }
  Position server;
  EXPECT_EQ(server.Open(prefix + "qxserver", kOwner), QX_LDRA_OWNER_REFUSED);
  EXPECT_EQ(server.Open(prefix + "triggers", QX_LDRA_SERVER_OWNER), QX_LDRA_OWNER_REFUSED);

  ASSERT_EQ(qxldraCreateProductFiles(prefix.c_str(), "someone else"), QX_LDRA_OK);
  for (const auto& [name, length] : kFiles) {
    Position position(9000);
    Open(position, name, prefix);
    EXPECT_EQ(position.First(0), QX_LDRA_OK) << name;
    EXPECT_EQ(position.Close(), QX_LDRA_OK);
  }
  EXPECT_EQ(qxldraCreateProductFiles(prefix.c_str(), nullptr), QX_LDRA_OWNER_MISSING);
  EXPECT_EQ(qxldraCreateProductFiles(prefix.c_str(), ""), QX_LDRA_OWNER_MISSING);
}

TEST_F(ProductFiles, AFailureStopsTheRunAndALaterRunCompletesIt) {
  const std::string prefix = folder_.Path("");
  qxldraFailNthCall("pfactcfg", QX_LDRA_OP_CREATE, 1, QX_LDRA_CANNOT_CREATE);
  EXPECT_EQ(qxldraCreateProductFiles(prefix.c_str(), kOwner), QX_LDRA_CANNOT_CREATE);
  EXPECT_TRUE(std::filesystem::exists(prefix + "pfactpro64"));
  EXPECT_FALSE(std::filesystem::exists(prefix + "pfactcfg"));
  EXPECT_FALSE(std::filesystem::exists(prefix + "qxserver"));
  EXPECT_EQ(qxldraCreateProductFiles(prefix.c_str(), kOwner), QX_LDRA_OK);
  EXPECT_TRUE(std::filesystem::exists(prefix + "qxserver"));
}

TEST_F(ProductFiles, APathHoldingAnythingButItsCompleteFileIsRefused) {
  const std::string prefix = folder_.Path("");
  const std::string path = prefix + "trigex";
  std::ofstream(path) << "";
  EXPECT_EQ(qxldraCreateProductFiles(prefix.c_str(), kOwner), QX_LDRA_NOT_A_DATA_FILE);
  std::filesystem::remove(path);
  ASSERT_EQ(CreateDataFile(path, Definition(284, {Key(QX_LDRA_KEY_UNIQUE, {Unsigned(0)})})), QX_LDRA_OK);
  EXPECT_EQ(qxldraCreateProductFiles(prefix.c_str(), kOwner), QX_LDRA_OTHER_LAYOUT);
  EXPECT_FALSE(std::filesystem::exists(prefix + "triggers"));
}

TEST_F(ProductFiles, TriggersAreNumberedAndTheirNamesAreUnique) {
  Position triggers;
  Open(triggers, "triggers");
  Bytes first = Trigger(0, "first"), second = Trigger(0, "second"), again = Trigger(0, "first");
  ASSERT_EQ(triggers.Insert(first), QX_LDRA_OK);
  ASSERT_EQ(triggers.Insert(second), QX_LDRA_OK);
  EXPECT_EQ(GetU32(first, 0), 1u);
  EXPECT_EQ(GetU32(second, 0), 2u);
  EXPECT_EQ(triggers.Insert(again), QX_LDRA_DUPLICATE_KEY);
  Bytes name(40, ' ');
  PutText(name, 0, 40, "second");
  ASSERT_EQ(triggers.Equal(1, name), QX_LDRA_OK);
  EXPECT_EQ(GetU32(triggers.record(), 0), 2u);
  // Ascending id order from id 0, as triggers are performed.
  int16_t end = 0;
  EXPECT_EQ(triggers.Walk(0, 0, &end), (std::vector<uint32_t>{1, 2}));
}

TEST_F(ProductFiles, LinksAreFoundFromBothSides) {
  Position links;
  Open(links, "tracxref");
  const uint32_t pairs[][2] = {{1, 11}, {2, 10}, {1, 10}};
  for (const auto& pair : pairs) {
    Bytes link(8, 0);
    PutU32(link, 0, pair[0]);
    PutU32(link, 4, pair[1]);
    ASSERT_EQ(links.Insert(link), QX_LDRA_OK);
  }
  Bytes again(8, 0);
  PutU32(again, 0, 1);
  PutU32(again, 4, 10);
  EXPECT_EQ(links.Insert(again), QX_LDRA_DUPLICATE_KEY);
  // Key 2: a trigger's actions, in the order they were linked.
  ASSERT_EQ(links.Equal(2, U32Key(1)), QX_LDRA_OK);
  EXPECT_EQ(GetU32(links.record(), 4), 11u);
  ASSERT_EQ(links.Next(2), QX_LDRA_OK);
  EXPECT_EQ(GetU32(links.record(), 4), 10u);
  ASSERT_EQ(links.Next(2), QX_LDRA_OK);
  EXPECT_EQ(GetU32(links.record(), 0), 2u);
  // Key 1: an action's triggers.
  ASSERT_EQ(links.Equal(1, U32Key(10)), QX_LDRA_OK);
  EXPECT_EQ(GetU32(links.record(), 0), 2u);
  ASSERT_EQ(links.Next(1), QX_LDRA_OK);
  EXPECT_EQ(GetU32(links.record(), 0), 1u);
}

TEST_F(ProductFiles, PlatformRowsOrderBySignedCodeThenAction) {
  Position platforms;
  Open(platforms, "pfactpro64");
  const int32_t rows[][2] = {{2, 5}, {-1, 5}, {2, 3}};
  for (const auto& row : rows) {
    Bytes record(208, ' ');
    PutU32(record, 0, static_cast<uint32_t>(row[0]));
    PutU32(record, 4, static_cast<uint32_t>(row[1]));
    ASSERT_EQ(platforms.Insert(record), QX_LDRA_OK);
  }
  std::vector<std::pair<int32_t, uint32_t>> walked;
  int16_t status = platforms.First(0);
  for (; status == QX_LDRA_OK; status = platforms.Next(0)) {
    walked.emplace_back(static_cast<int32_t>(GetU32(platforms.record(), 0)), GetU32(platforms.record(), 4));
  }
  EXPECT_EQ(walked, (std::vector<std::pair<int32_t, uint32_t>>{{-1, 5}, {2, 3}, {2, 5}}));
  Bytes key(8, 0);
  PutU32(key, 0, 2);
  PutU32(key, 4, 5);
  ASSERT_EQ(platforms.Equal(0, key), QX_LDRA_OK);
  // Key 2: every row of an action.
  ASSERT_EQ(platforms.Equal(2, U32Key(5)), QX_LDRA_OK);
  ASSERT_EQ(platforms.Next(2), QX_LDRA_OK);
  EXPECT_EQ(platforms.Next(2), QX_LDRA_END_OF_FILE);
}

TEST_F(ProductFiles, LogRowsGetIdsAndAreFoundByTrigger) {
  Position log;
  Open(log, "triglog");
  for (uint32_t trigger : {4u, 9u, 4u}) {
    Bytes row(282, ' ');
    PutU32(row, 0, 0);
    PutU32(row, 12, trigger);
    ASSERT_EQ(log.Insert(row, 0), QX_LDRA_OK);
    EXPECT_EQ(GetU32(log.key(), 0), GetU32(row, 0));
  }
  int16_t end = 0;
  EXPECT_EQ(log.Walk(1, 0, &end), (std::vector<uint32_t>{1, 3, 2}));
}

TEST_F(ProductFiles, ServerSettingsAreFoundBySectionAndName) {
  Position server;
  Open(server, "qxserver");
  Bytes setting(332, ' ');
  PutText(setting, 0, 40, "QXMON PATHS");
  PutText(setting, 40, 40, "Log Path");
  PutText(setting, 80, 40, "/var/log/qx");
  ASSERT_EQ(server.Insert(setting), QX_LDRA_OK);
  Bytes key(80, ' ');
  PutText(key, 0, 40, "QXMON PATHS");
  PutText(key, 40, 40, "Log Path");
  ASSERT_EQ(server.Equal(0, key), QX_LDRA_OK);
  EXPECT_EQ(std::string(server.record().begin() + 80, server.record().begin() + 91), "/var/log/qx");
  PutText(key, 40, 40, "Data Path");
  EXPECT_EQ(server.Equal(0, key), QX_LDRA_KEY_NOT_FOUND);
}

TEST_F(ProductFiles, NodesOfOneDefinitionAreFoundAndDeletedTogether) {
  Position nodes;
  Open(nodes, "tdefex");
  for (uint32_t definition : {1u, 2u}) {
    for (uint32_t node = 1; node <= 3; ++node) {
      Bytes record(308, 0);
      PutU32(record, 0, 77);
      PutText(record, 4, 20, "ORDERS");
      PutU32(record, 24, definition);
      PutU32(record, 28, node);
      ASSERT_EQ(nodes.Insert(record), QX_LDRA_OK);
    }
  }
  Bytes key(28, 0);
  PutU32(key, 0, 77);
  PutText(key, 4, 20, "ORDERS");
  PutU32(key, 24, 1);
  int deleted = 0;
  for (int16_t status = nodes.Equal(1, key); status == QX_LDRA_OK; status = nodes.Equal(1, key)) {
    ASSERT_EQ(nodes.Delete(), QX_LDRA_OK);
    ++deleted;
  }
  EXPECT_EQ(deleted, 3);
  int16_t end = 0;
  EXPECT_EQ(nodes.Walk(0, 24, &end), (std::vector<uint32_t>{2, 2, 2}));
}

TEST(CHost, CreatesStoresAndReadsBackThroughThePlainCHeaders) {
  ScratchFolder folder;
  EXPECT_EQ(QxldraCHostRoundTrip(folder.Path("").c_str()), 0);
}

}  // namespace
