// New data files are private to the account that creates them.
//
// Under wine the check below proves little: wine keeps a file's access list
// as unix permission bits and reports a list of its own making (the system
// and the user). On Windows it fails when anyone else may open the file.

#include <windows.h>

#include <aclapi.h>
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

using namespace qxldra_test;

// Whether every entry of the file's access list names the current user or
// the operating system itself.
bool NoOneElseMayOpen(const std::string& path) {
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl,
                            nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  HANDLE token = nullptr;
  char user[256];
  DWORD size = 0;
  bool only = acl != nullptr && OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
              GetTokenInformation(token, TokenUser, user, sizeof user, &size);
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID system = nullptr;
  only = only && AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system);
  for (DWORD i = 0; only && i < acl->AceCount; ++i) {
    void* ace = nullptr;
    only = GetAce(acl, i, &ace);
    if (!only) break;
    const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    only = EqualSid(sid, reinterpret_cast<TOKEN_USER*>(user)->User.Sid) || EqualSid(sid, system);
  }
  if (system != nullptr) FreeSid(system);
  if (token != nullptr) CloseHandle(token);
  LocalFree(descriptor);
  return only;
}

TEST(NewFiles, DataFilesAndTheFilesBesideThemAreTheOwnersOnly) {
  ScratchFolder folder;
  const std::string path = folder.Path("private");
  ASSERT_EQ(CreateDataFile(path, Definition(8, {Key(QX_LDRA_KEY_UNIQUE, {Unsigned(0)})})), QX_LDRA_OK);
  EXPECT_TRUE(NoOneElseMayOpen(path));
  Position position;
  ASSERT_EQ(position.Open(path), QX_LDRA_OK);
  Bytes record(8, 1);
  ASSERT_EQ(position.Insert(record), QX_LDRA_OK);
  EXPECT_TRUE(NoOneElseMayOpen(path + "-wal"));
  EXPECT_TRUE(NoOneElseMayOpen(path + "-shm"));
  EXPECT_EQ(position.Close(), QX_LDRA_OK);
}

}  // namespace
