#include "new_file.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace qxldra {

NewFile CreateOwnerOnlyFile(const char* path) {
  int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd < 0) return errno == EEXIST ? NewFile::kExists : NewFile::kFailed;
  // The umask may have taken away the owner's own bits.
  bool ok = fchmod(fd, S_IRUSR | S_IWUSR) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok) {
    unlink(path);
    return NewFile::kFailed;
  }
  return NewFile::kCreated;
}

void RemoveDataFile(const char* path) {
  const std::string base(path);
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) unlink((base + suffix).c_str());
}

// SQLite's unix VFS creates the -wal and -shm files with the permissions of
// the data file itself.
const char* DataFileVfs() { return nullptr; }

}  // namespace qxldra
