#include "new_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace qxldra {

namespace {

NewFile Failure(int error) {
  if (error == EEXIST) return NewFile::kExists;
  return OutOfFileHandles(error) ? NewFile::kNoHandles : NewFile::kFailed;
}

// Makes a change of the folder's entries last. A failure is not reported:
// the file is in place by then, and saying otherwise would mislead.
void SyncFolderOf(const std::string& path) {
  const std::size_t separator = path.rfind('/');
  const std::string folder =
      separator == std::string::npos ? "." : separator == 0 ? "/" : path.substr(0, separator);
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

NewFile CreateOwnerOnlyFile(const char* path) {
  int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd < 0) return Failure(errno);
  // The umask may have taken away the owner's own bits.
  bool ok = fchmod(fd, S_IRUSR | S_IWUSR) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok) {
    unlink(path);
    return NewFile::kFailed;
  }
  return NewFile::kCreated;
}

NewFile MoveIntoPlace(const char* from, const char* to) {
  if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) != 0) {
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return Failure(errno);
    // A file system that cannot rename without replacing: a second name,
    // which is never given over an existing one, then the first one goes.
    if (link(from, to) != 0) return Failure(errno);
    unlink(from);
  }
  SyncFolderOf(to);
  return NewFile::kCreated;
}

bool PathExists(const char* path) {
  struct stat info {};
  return lstat(path, &info) == 0;
}

void RemoveCompanions(const char* path) {
  const std::string base(path);
  for (const char* suffix : {"-wal", "-shm", "-journal"}) unlink((base + suffix).c_str());
}

void RemoveDataFile(const char* path) {
  unlink(path);
  RemoveCompanions(path);
}

bool OutOfFileHandles(int system_error) { return system_error == EMFILE || system_error == ENFILE; }

uint64_t CurrentProcessId() { return static_cast<uint64_t>(getpid()); }

// SQLite's unix VFS creates the -wal and -shm files with the permissions of
// the data file itself.
const char* DataFileVfs() { return nullptr; }

}  // namespace qxldra
