#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "file_system.h"

namespace {

FileId IdOf(const struct stat& info) {
  return FileId{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

}  // namespace

bool FileIdOfPath(const std::string& path, FileId* id) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return false;
  *id = IdOf(info);
  return true;
}

bool FileIdOfStream(std::FILE* stream, FileId* id) {
  struct stat info;
  if (fstat(fileno(stream), &info) != 0) return false;
  *id = IdOf(info);
  return true;
}

std::FILE* CreateNewFile(const std::string& path) {
  // O_EXCL refuses a symbolic link at `path` too, even one to no file.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* stream = fdopen(fd, "wb");
  if (stream == nullptr) {
    const int reason = errno;
    close(fd);
    unlink(path.c_str());
    errno = reason;
  }
  return stream;
}

bool FlushToDisk(std::FILE* stream) { return std::fflush(stream) == 0 && fsync(fileno(stream)) == 0; }

void ReadStandardInputAsBytes() {}
