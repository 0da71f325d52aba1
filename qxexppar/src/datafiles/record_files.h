// The record manager as the library's data-file modules use it.
//
// A module (the trigger files, the record-definition files) owns a set of
// data files that it opens together, in a fixed order, and closes together.
// Its state is a RecModule: its own client identifier block, one file
// handle and one record buffer per file. Each module passes its own block
// on every call, so that the record manager, which knows a client by the
// block it is given, never mixes one module's files with another's even
// though every module's block holds the same bytes.
//
// Every status these functions return is 0, -1 (no memory), -2 (a missing
// or unusable argument, a closed file), or the record manager's status
// sign-extended from 16 bits.
#ifndef QXEXPPAR_DATAFILES_RECORD_FILES_H
#define QXEXPPAR_DATAFILES_RECORD_FILES_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "qxldra.h"

// A file handle: the record manager's position block, then the 16-bit word
// that every call on the file passes as its data length. Allocated with
// qxdbgMalloc while the file is open.
struct RecFileHandle {
  unsigned char position[QX_LDRA_POSITION_SIZE];
  uint16_t data_length;
};
static_assert(sizeof(RecFileHandle) == 130, "a file handle is 130 bytes");
static_assert(offsetof(RecFileHandle, data_length) == QX_LDRA_POSITION_SIZE);

// 32-bit fields of records and key buffers, little-endian as the host.
inline void RecPutU32(unsigned char* at, uint32_t value) { std::memcpy(at, &value, 4); }
inline uint32_t RecGetU32(const unsigned char* at) {
  uint32_t value;
  std::memcpy(&value, at, 4);
  return value;
}

// A joined path has at most the record manager's path length.
inline constexpr std::size_t kRecPathSize = QX_LDRA_MAX_PATH + 1;

// Writes a module's client identifier: twelve zero bytes, "UX", then 140 as
// a 16-bit little-endian number.
void RecSetClientId(unsigned char* client);

// Writes `directory` directly followed by `name` (no separator added; the
// directory carries its own), or `name` alone for a null directory, into
// `path` (kRecPathSize bytes). False, with `path` empty, when the joined
// path does not fit.
bool RecJoinPath(const char* directory, const char* name, char* path);

// Opens the data file `name` in `directory` for `client` with `owner`:
// allocates its handle, sets the data length to the owner's length plus
// one, and opens (operation 0, key number 0). Returns 0 with *file set; on
// failure *file is null and nothing stays allocated or open: -2 for a
// missing name, owner or client, an owner longer than 65534 bytes or a path
// that does not fit; -1 when the handle cannot be allocated; else the
// open's status.
int32_t RecFileOpen(const unsigned char* client, const char* directory, const char* name,
                    const char* owner, RecFileHandle** file);

// Closes the file (operation 1), frees its handle and sets *file to null.
// Does nothing when *file is null.
void RecFileClose(const unsigned char* client, RecFileHandle** file);

// One call of the record manager on an open file, with `length` in the
// handle's data-length word. The key buffer is copied to and from a scratch
// buffer of QX_LDRA_MAX_KEY_LENGTH bytes, so `key_size` bytes of `key` are
// all that is read or written (key may be null when key_size is 0).
// Returns the call's status; -2 for a null file.
int32_t RecFileCall(RecFileHandle* file, const unsigned char* client, uint16_t operation, void* data,
                    uint16_t length, void* key, std::size_t key_size, int16_t key_number);

// ---- Modules --------------------------------------------------------------

inline constexpr int kRecModuleMaxFiles = 10;

struct RecModuleFile {
  const char* name;
  uint16_t record_size;  // bytes of the record, and of its buffer
};

// One module's state. Everything starts empty (zero); `files` and
// `file_count` are fixed when the module is defined.
struct RecModule {
  const RecModuleFile* files;  // in the order they are opened
  int file_count;
  unsigned char client[QX_LDRA_CLIENT_ID_SIZE];
  RecFileHandle* handles[kRecModuleMaxFiles];  // null while closed
  unsigned char* buffers[kRecModuleMaxFiles];  // record buffers, from qxdbgMalloc
  bool open;                                   // every file and buffer is there
};

// Opens every file of the module in order and allocates their record
// buffers. Whatever the module has open is closed first (RecModuleClose).
// Sets the client identifier. Returns 0 with everything open; on any failure the
// module is left wholly closed (as by RecModuleClose) and the status is
// -2 (no owner, a path that does not fit), -1 (no memory) or the status of
// the open that failed.
int32_t RecModuleOpen(RecModule* module, const char* directory, const char* owner);

// Closes every open file in order and frees its handle, then resets the
// module's client (operation 28), then frees the record buffers. Any state.
void RecModuleClose(RecModule* module);

// True when file `file` is open and has its record buffer.
bool RecModuleHasFile(const RecModule* module, int file);

// True between a successful RecModuleOpen and the next RecModuleClose.
inline bool RecModuleIsOpen(const RecModule* module) { return module->open; }

// The record buffer of file `file` (null while closed).
unsigned char* RecModuleBuffer(const RecModule* module, int file);

// RecFileCall on file `file` with the file's record size as the data
// length; -2 while the file is closed.
int32_t RecModuleCall(RecModule* module, int file, uint16_t operation, void* data, void* key,
                      std::size_t key_size, int16_t key_number);

// Deletes every record of file `file` whose key `key_number` has the value
// `key` (`key_size` bytes): reads with get equal into the file's record
// buffer, and while that succeeds deletes the record read and reads again.
// Returns 0 when the loop ended because no record was left (get equal found
// nothing), else the status of the call that failed, which also ends it;
// -2 while the file is closed.
int32_t RecModuleDeleteAll(RecModule* module, int file, int16_t key_number, const void* key,
                           std::size_t key_size);

#endif
