#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>

#include "file_system.h"

namespace {

bool IdOfHandle(HANDLE handle, FileId* id) {
  BY_HANDLE_FILE_INFORMATION info;
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) return false;
  *id = FileId{info.dwVolumeSerialNumber, static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
  return true;
}

// The C library's word for the reason of the last failed system call.
int LastErrorAsErrno() {
  switch (GetLastError()) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    case ERROR_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
}

}  // namespace

bool FileIdOfPath(const std::string& path, FileId* id) {
  // No access asked: enough to read the file's identity, also of a folder.
  HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const bool found = IdOfHandle(handle, id);
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  return found;
}

bool FileIdOfStream(std::FILE* stream, FileId* id) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  return GetFileType(handle) == FILE_TYPE_DISK && IdOfHandle(handle, id);
}

std::FILE* CreateNewFile(const std::string& path) {
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = LastErrorAsErrno();
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
  std::FILE* stream = fd < 0 ? nullptr : _fdopen(fd, "wb");
  if (stream == nullptr) {
    if (fd < 0) {
      CloseHandle(handle);
    } else {
      _close(fd);
    }
    DeleteFileA(path.c_str());
    errno = EIO;
  }
  return stream;
}

bool FlushToDisk(std::FILE* stream) { return std::fflush(stream) == 0 && _commit(_fileno(stream)) == 0; }

void ReadStandardInputAsBytes() { _setmode(_fileno(stdin), _O_BINARY); }
