// What differs between operating systems for the record manager: making
// new data files private to their owner account and putting them in place,
// running out of file handles, and telling processes apart.
#ifndef QXLDRA_NEW_FILE_H
#define QXLDRA_NEW_FILE_H

#include <cstdint>

namespace qxldra {

enum class NewFile { kCreated, kExists, kNoHandles, kFailed };

// Creates an empty file at `path` (UTF-8) that only the current account
// may read and write. Never replaces anything already there.
NewFile CreateOwnerOnlyFile(const char* path);

// Gives the complete file at `from` the name `to` in the same folder, and
// makes the new name last before it returns kCreated. Never replaces
// anything at `to` (kExists); `from` stays when the move fails.
NewFile MoveIntoPlace(const char* from, const char* to);

// Whether anything (a file, a folder, a link) exists at `path`.
bool PathExists(const char* path);

// Removes the files SQLite keeps beside a data file; RemoveDataFile
// removes the data file too.
void RemoveCompanions(const char* path);
void RemoveDataFile(const char* path);

// Whether an error number of the operating system (as SQLite reports it)
// says that the process or the system has no file handle left.
bool OutOfFileHandles(int system_error);

// The identity of the running process; a forked child has its own.
uint64_t CurrentProcessId();

// The name of the SQLite VFS to open data files with, or nullptr for the
// default one. It makes the files SQLite creates beside a data file (the
// write-ahead log) as private as the data file.
const char* DataFileVfs();

}  // namespace qxldra

#endif
