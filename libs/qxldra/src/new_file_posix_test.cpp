// New data files are private to the account that creates them.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "test_support.h"

namespace {

using namespace qxldra_test;

unsigned Mode(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return 07777;
  return info.st_mode & 0777;
}

TEST(NewFiles, DataFilesAndTheFilesBesideThemAreTheOwnersOnly) {
  ScratchFolder folder;
  const std::string path = folder.Path("private");
  // Even when the process lets everyone read and write what it creates.
  const mode_t previous = umask(0);
  const int16_t created = CreateDataFile(path, Definition(8, {Key(QX_LDRA_KEY_UNIQUE, {Unsigned(0)})}));
  umask(previous);
  ASSERT_EQ(created, QX_LDRA_OK);
  EXPECT_EQ(Mode(path), 0600u);
  Position position;
  ASSERT_EQ(position.Open(path), QX_LDRA_OK);
  Bytes record(8, 1);
  ASSERT_EQ(position.Insert(record), QX_LDRA_OK);
  EXPECT_EQ(Mode(path + "-wal"), 0600u);
  EXPECT_EQ(Mode(path + "-shm"), 0600u);
  EXPECT_EQ(position.Close(), QX_LDRA_OK);
}

}  // namespace
