// What the tool needs of the file system beyond the C and C++ libraries:
// which file a name or a stream is, new files made only where no file was,
// and files written to the disk itself. One source file per system.
#ifndef QXEXP_FILE_SYSTEM_H
#define QXEXP_FILE_SYSTEM_H

#include <cstdint>
#include <cstdio>
#include <string>

// A file itself, whatever names it: device and inode, or volume and file
// index.
struct FileId {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool operator==(const FileId&) const = default;
};

// The file that `path` names, links followed; false when there is none or
// it cannot be looked at.
bool FileIdOfPath(const std::string& path, FileId* id);
// The file an open stream reads or writes; false when the system cannot
// tell (a console, say).
bool FileIdOfStream(std::FILE* stream, FileId* id);

// Creates `path` for writing ("wb") only when nothing is there, not even a
// symbolic link; nullptr with errno set otherwise. Another process may
// remove the file while it is open (Windows files are open for deletion
// too), so that an interrupted tool can remove what it made.
std::FILE* CreateNewFile(const std::string& path);

// Flushes `stream` and its bytes through to the disk, so that a file
// renamed over another after it never holds less than was written. False
// with errno set.
bool FlushToDisk(std::FILE* stream);

// Reads standard input byte for byte (Windows translates line ends and stops
// at ^Z otherwise).
void ReadStandardInputAsBytes();

#endif
