// The trigger module's files: opened all or none and closed cleanly, every
// operation refused while they are closed, and the server paths read whole.
// (The record-definition tests keep the two modules' clients apart.)

#include "triggers/server_paths.h"
#include "triggers/test_trigger_files.h"

namespace {

using ModuleTest = TriggerFilesTest;

TEST_F(ModuleTest, InitOpensAllOrNone) {
  const std::string data = (folder_ / "data").string();  // runs straight into the file names
  ASSERT_EQ(qxldraCreateProductFiles(data.c_str(), kTestOwner), 0);
  const long live = qxdbgLiveBlocks();
  const unsigned char client[QX_LDRA_CLIENT_ID_SIZE] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'U', 'X', 140, 0};
  EXPECT_EQ(std::memcmp(TrgFiles()->client, client, sizeof client), 0);
  const struct {
    std::string directory;
    const char* owner;
    int32_t status;
  } cases[] = {
      {data, kTestOwner, 0},  // over open files
      {prefix_, nullptr, QX_STATUS_MISSING},
      {prefix_, "Owner-8", QX_LDRA_OWNER_REFUSED},
      {prefix_ + "nowhere/", kTestOwner, QX_LDRA_FILE_NOT_FOUND},
      {prefix_ + std::string(QX_LDRA_MAX_PATH, 'p'), kTestOwner, QX_STATUS_MISSING},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(QXTRGInitDat(prefix_.c_str(), kTestOwner), 0);
    EXPECT_EQ(QXTRGInitDat(c.directory.c_str(), c.owner), c.status) << c.directory.size();
    EXPECT_EQ(qxldraOpenFileCount(), open_before_ + (c.status == 0 ? kTrgFileCount : 0));
    EXPECT_EQ(qxdbgLiveBlocks(), c.status == 0 ? live : live - 2 * kTrgFileCount);
  }
  for (int file = 1; file <= kTrgFileCount; ++file) {
    qxldraFailNthCall(nullptr, QX_LDRA_OP_OPEN, file, QX_LDRA_IO_ERROR);
    EXPECT_EQ(QXTRGInitDat(prefix_.c_str(), kTestOwner), QX_LDRA_IO_ERROR) << file;
    EXPECT_EQ(qxldraOpenFileCount(), open_before_);
  }
  int32_t status = 0;
  SweepAllocationFailures(
      [&] {
        status = QXTRGInitDat(prefix_.c_str(), kTestOwner);
        EXPECT_EQ(qxldraOpenFileCount(), open_before_ + (status == 0 ? kTrgFileCount : 0));
        QXTRGDeinitDat();
      },
      [&](long, bool injected) { EXPECT_EQ(status, injected ? QX_STATUS_NO_MEMORY : 0); });
}

TEST_F(ModuleTest, EveryOperationNeedsItsArgumentsAndOpenFiles) {
  char text[QX_TRIGGER_TEXT_BUFFER_SIZE];
  unsigned char r[QX_TRIGGERS_RECORD_SIZE] = {}, link[QX_TRACXREF_RECORD_SIZE] = {};
  ExpToken node{};
  uint32_t id = 1;
  const char *c = ",", *t = "2,l,f,;", *x = "db 0 4 int";
  const std::vector<int32_t> missing = {
      QXTRGCreateTrigger(nullptr, x, 10), QXTRGCreateTrigger(r, nullptr, 10), QXTRGCreateTrigger(r, x, -1),
      QXTRGModifyTrigger(nullptr, x, 10, t, 1), QXTRGModifyTrigger(r, nullptr, 10, t, 1),
      QXTRGModifyTrigger(r, x, 10, nullptr, 1), QXTRGModifyTrigger(r, x, 10, t, -1), QXTRGInsertTrigTxt(1, nullptr, 1),
      QXTRGGetTrigTxt(1, nullptr), QXTRGAddNewExpNode(nullptr, &node, 1), QXTRGAddNewExpNode(&id, nullptr, 1),
      QXTRGGetExpNode(nullptr, 1, &node), QXTRGGetExpNode(&id, 1, nullptr), QXTRGAddNewTriggerAction(nullptr),
      QXTRGRemoveActionFromTrigger(nullptr), QXTRGAddAction(nullptr, "d", 1, 7, 7, t, t, c, c),
      QXTRGAddAction("n", nullptr, 1, 7, 7, t, t, c, c), QXTRGAddAction("n", "d", 1, 7, 7, nullptr, t, c, c),
      QXTRGAddAction("n", "d", 1, 7, 7, t, nullptr, c, c), QXTRGAddAction("n", "d", 1, 7, 7, t, t, nullptr, c),
      QXTRGAddAction("n", "d", 1, 7, 7, t, t, c, nullptr), QXTRGAddAction("n", "d", 1, 0, 7, t, t, c, c),
      QXTRGAddAction("n", "d", 1, 7, -7, t, t, c, c)};
  EXPECT_EQ(missing, std::vector<int32_t>(missing.size(), QX_STATUS_MISSING));
  EXPECT_EQ(Files()[QX_TRIGGERS_FILE], std::vector<Record>{});
  QXTRGDeinitDat();
  const std::vector<int32_t> closed = {
      QXTRGCreateTrigger(r, x, 10), QXTRGModifyTrigger(r, x, 10, t, 1), QXTRGDeleteTriggerAndExp(1),
      QXTRGDeleteTriggers(1), QXTRGInsertTrigTxt(1, t, 1), QXTRGGetTrigTxt(1, text), QXTRGAddNewExpNode(&id, &node, 1),
      QXTRGGetExpNode(&id, 1, &node), QXTRGAddAction("n", "d", 1, 7, 7, t, t, c, c), QXTRGAddNewTriggerAction(link),
      QXTRGRemoveActionFromTrigger(link), QXTRGDeleteAction(1)};
  EXPECT_EQ(closed, std::vector<int32_t>(closed.size(), QX_STATUS_MISSING));
  QXTRGDeinitDat();  // any state
}

TEST_F(ModuleTest, ServerPathsAreReadOnce) {
  {
    FileReader server(prefix_, QX_QXSERVER_FILE, QX_LDRA_SERVER_OWNER);
    for (int slot = 0; slot < kServerPathCount; ++slot) {  // "Compress Path" only in another section
      const std::string value = slot == 6 ? std::string(QX_SETTING_TEXT_SIZE, 'R') : kServerPathSettings[slot];
      ASSERT_EQ(server.Insert(Field(slot == 2 ? "OTHER" : "QXMON PATHS", QX_SETTING_TEXT_SIZE) +
                              Field(kServerPathSettings[slot], QX_SETTING_TEXT_SIZE) +
                              Field(value, QX_QXSERVER_RECORD_SIZE - QX_QXSERVER_VALUE)),
                0);
    }
  }
  ServerPaths paths;
  std::memset(&paths, 0x7F, sizeof paths);
  EXPECT_EQ(TrgLoadServerPaths(prefix_.c_str(), nullptr), QX_STATUS_MISSING);
  ASSERT_EQ(TrgLoadServerPaths(prefix_.c_str(), &paths), 0);
  EXPECT_EQ(paths.loaded, 1u);
  for (int slot = 0; slot < kServerPathCount; ++slot) {
    EXPECT_EQ(std::string(paths.slots[slot]),
              slot == 2 ? "" : slot == 6 ? std::string(QX_SETTING_TEXT_SIZE, 'R') : kServerPathSettings[slot]);
  }
  EXPECT_EQ(qxldraOpenFileCount(), open_before_ + kTrgFileCount);
  EXPECT_EQ(TrgLoadServerPaths((prefix_ + "nowhere/").c_str(), &paths), QX_LDRA_FILE_NOT_FOUND);
  EXPECT_FALSE(TrgIsOpen());  // a failure closes the trigger files with it
  int32_t status = 0;
  SweepAllocationFailures(
      [&] {
        status = QXTRGInitDat(prefix_.c_str(), kTestOwner);
        if (status == 0) status = TrgLoadServerPaths(prefix_.c_str(), &paths);
        EXPECT_EQ(TrgIsOpen(), status == 0);
        QXTRGDeinitDat();
      },
      [&](long, bool injected) { EXPECT_EQ(status, injected ? QX_STATUS_NO_MEMORY : 0); });
}

}  // namespace
