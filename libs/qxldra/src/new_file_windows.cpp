#include "new_file.h"

#include <windows.h>

#include <sddl.h>
#include <sqlite3.h>

#include <mutex>
#include <string>

namespace qxldra {

namespace {

std::wstring Wide(const char* utf8) {
  int size = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), size);
  wide.resize(static_cast<std::size_t>(size - 1));
  return wide;
}

NewFile Failure(DWORD error) {
  if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return NewFile::kExists;
  return OutOfFileHandles(static_cast<int>(error)) ? NewFile::kNoHandles : NewFile::kFailed;
}

// A protected access list that grants everything to the current account's
// user and nothing to anyone else ("D:P(A;;FA;;;<user>)").
PSECURITY_DESCRIPTOR OwnerOnlyDescriptor() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::string buffer(size, '\0');
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  char* sid_text = nullptr;
  if (size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
      ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid_text)) {
    std::string sddl = std::string("D:P(A;;FA;;;") + sid_text + ")";
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
      descriptor = nullptr;
    }
    LocalFree(sid_text);
  }
  CloseHandle(token);
  return descriptor;
}

NewFile CreateWithDescriptor(const std::wstring& path) {
  PSECURITY_DESCRIPTOR descriptor = OwnerOnlyDescriptor();
  if (descriptor == nullptr) return NewFile::kFailed;
  SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
  // Shared with everyone from the start: a companion file made here is
  // opened by other processes at once, and SQLite's own opens of the
  // shared-memory index do not retry a sharing violation.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            &attributes, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD error = GetLastError();
  LocalFree(descriptor);
  if (file == INVALID_HANDLE_VALUE) return Failure(error);
  CloseHandle(file);
  return NewFile::kCreated;
}

// The Windows VFS gives the files it creates the folder's inherited
// permissions. This VFS forwards everything to it, but first creates the
// write-ahead log and journals of a data file as owner-only files, which
// the forwarded open then uses as they are; the shared-memory index, which
// the Windows VFS opens by itself, is made in advance when the data file
// opens.
sqlite3_vfs owner_only_vfs;

int OwnerOnlyOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* out_flags) {
  auto* real = static_cast<sqlite3_vfs*>(vfs->pAppData);
  const int companions = SQLITE_OPEN_WAL | SQLITE_OPEN_MAIN_JOURNAL;
  if (name != nullptr && (flags & companions) != 0 && (flags & SQLITE_OPEN_CREATE) != 0) {
    CreateWithDescriptor(Wide(name));
  }
  const int code = real->xOpen(real, name, file, flags, out_flags);
  if (code == SQLITE_OK && name != nullptr && (flags & SQLITE_OPEN_MAIN_DB) != 0) {
    CreateWithDescriptor(Wide((std::string(name) + "-shm").c_str()));
  }
  return code;
}

}  // namespace

NewFile CreateOwnerOnlyFile(const char* path) {
  std::wstring wide = Wide(path);
  if (wide.empty()) return NewFile::kFailed;
  return CreateWithDescriptor(wide);
}

NewFile MoveIntoPlace(const char* from, const char* to) {
  // Without MOVEFILE_REPLACE_EXISTING the move never replaces anything.
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH)) return NewFile::kCreated;
  return Failure(GetLastError());
}

bool PathExists(const char* path) { return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveCompanions(const char* path) {
  const std::string base(path);
  for (const char* suffix : {"-wal", "-shm", "-journal"}) DeleteFileW(Wide((base + suffix).c_str()).c_str());
}

void RemoveDataFile(const char* path) {
  DeleteFileW(Wide(path).c_str());
  RemoveCompanions(path);
}

bool OutOfFileHandles(int system_error) { return system_error == ERROR_TOO_MANY_OPEN_FILES; }

uint64_t CurrentProcessId() { return GetCurrentProcessId(); }

const char* DataFileVfs() {
  static std::once_flag registered;
  static bool ok = false;
  std::call_once(registered, [] {
    sqlite3_vfs* real = sqlite3_vfs_find(nullptr);
    if (real == nullptr) return;
    owner_only_vfs = *real;
    owner_only_vfs.zName = "qxldra-owner-only";
    owner_only_vfs.pAppData = real;
    owner_only_vfs.xOpen = OwnerOnlyOpen;
    owner_only_vfs.pNext = nullptr;
    ok = sqlite3_vfs_register(&owner_only_vfs, 0) == SQLITE_OK;
  });
  return ok ? owner_only_vfs.zName : nullptr;
}

}  // namespace qxldra
