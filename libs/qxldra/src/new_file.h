// Making new data files private to their owner account; the one place where
// the record manager differs between operating systems.
#ifndef QXLDRA_NEW_FILE_H
#define QXLDRA_NEW_FILE_H

namespace qxldra {

enum class NewFile { kCreated, kExists, kFailed };

// Creates an empty file at `path` (UTF-8) that only the current account
// may read and write. Never replaces anything already there.
NewFile CreateOwnerOnlyFile(const char* path);

// Removes a data file that could not be completed, with the files SQLite
// keeps beside it.
void RemoveDataFile(const char* path);

// The name of the SQLite VFS to open data files with, or nullptr for the
// default one. It makes the files SQLite creates beside a data file (the
// write-ahead log) as private as the data file.
const char* DataFileVfs();

}  // namespace qxldra

#endif
