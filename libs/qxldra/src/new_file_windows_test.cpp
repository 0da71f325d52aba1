// New data files are private to the account that creates them.

#include <windows.h>

#include <aclapi.h>
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

using namespace qxldra_test;

// Whether the file's access list grants access to the current user alone.
bool OwnerOnly(const std::string& path) {
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl,
                            nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  bool only = false;
  HANDLE token = nullptr;
  if (acl != nullptr && acl->AceCount == 1 && OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    char buffer[256];
    DWORD size = 0;
    void* ace = nullptr;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) && GetAce(acl, 0, &ace)) {
      auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
      only = allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
             EqualSid(&allowed->SidStart, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
    }
    CloseHandle(token);
  }
  LocalFree(descriptor);
  return only;
}

TEST(NewFiles, DataFilesAndTheirLogAreTheOwnersOnly) {
  ScratchFolder folder;
  const std::string path = folder.Path("private");
  ASSERT_EQ(CreateFile(path, Definition(8, {Key(QX_LDRA_KEY_UNIQUE, {Unsigned(0)})})), QX_LDRA_OK);
  EXPECT_TRUE(OwnerOnly(path));
  Position position;
  ASSERT_EQ(position.Open(path), QX_LDRA_OK);
  Bytes record(8, 1);
  ASSERT_EQ(position.Insert(record), QX_LDRA_OK);
  EXPECT_TRUE(OwnerOnly(path + "-wal"));
  EXPECT_EQ(position.Close(), QX_LDRA_OK);
}

}  // namespace
