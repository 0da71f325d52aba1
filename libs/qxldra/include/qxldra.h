/* qxldra: the record manager. Keyed data files of fixed-length records,
 * reached through one call entry, qx_LDRAID.
 *
 * Conventions
 *  1. A data file holds records of one length, fixed when the file is
 *     created, and one or more keys numbered from 0. A key is one or more
 *     segments of the record (offset, length, kind); records come back in
 *     the order of the key's value, segment by segment:
 *       - QX_LDRA_SEG_UNSIGNED: a little-endian unsigned integer of 1, 2, 4
 *         or 8 bytes, in numeric order;
 *       - QX_LDRA_SEG_SIGNED: the same, two's complement, in numeric order;
 *       - QX_LDRA_SEG_TEXT: 1 to 255 bytes compared bytewise (blank-padded
 *         texts therefore sort as texts).
 *     A key is unique (a second record with the same value is refused) or
 *     takes duplicates, which come back in the order they were inserted.
 *     An auto-numbered key is one unsigned 4-byte segment: a record inserted
 *     with 0 there gets an id above every id the file ever held (given or
 *     inserted by the caller), so that a deleted id never comes back, and
 *     the record, id included, is written back into the caller's buffer.
 *  2. Byte order: every integer in records, key buffers and definition
 *     blocks is little-endian.
 *  3. Position block: QX_LDRA_POSITION_SIZE bytes of the caller's memory.
 *     Open fills it; every later call on that file passes it back, and the
 *     call checks it: a block that was never opened, one whose file was
 *     closed, and one damaged or taken from another process are each refused
 *     with their own status. Each open position block is its own view of
 *     the file with its own current record, so several blocks on one file
 *     (in one process or several) walk independently.
 *  4. Data length: the 16-bit word behind the data-length pointer. Reads
 *     take it as the size of the data buffer and set it to the record
 *     length; a buffer shorter than the record is refused and nothing is
 *     written. Insert takes it as the length of the record given.
 *  5. Key buffer: a key value is the key's segments one after another, each
 *     as stored in the record (integers little-endian, texts as they are). A
 *     successful read writes the found record's key there; the buffer must
 *     hold the key's length, and QX_LDRA_MAX_KEY_LENGTH bytes always do.
 *  6. Client identifier: a 16-byte block that names the caller. A client
 *     is the block itself, where it lives in the process, together with
 *     its bytes: open records both with the file, and reset closes only the
 *     files opened through the same block while it held the same bytes.
 *     Two modules that fill blocks of their own with equal bytes are
 *     therefore two clients, and one's reset never closes the other's
 *     files. A client keeps its block in place (and its bytes unchanged)
 *     from its opens to its reset; a copy of the block is another client.
 *  7. Owner name: every data file is created with an owner name, kept in
 *     the file only as a salted hash. Open must give the same name, byte
 *     for byte (case counts), or it is refused. The name keeps a caller
 *     from using another module's or product's file by mistake (a wrong
 *     path or configuration) and keeps the name itself out of the file; it
 *     is no barrier against anyone who can write the file, who can also
 *     rewrite the hash. File permissions are the boundary: new files are
 *     readable and writable by their owner account only. Open also checks
 *     that the file is exactly a data file of this record manager (its
 *     tables and indexes, nothing else: no views, no triggers) before it
 *     reads anything through it, and refuses any other file with
 *     QX_LDRA_NOT_A_DATA_FILE.
 *  8. Durability: each insert and delete is atomic and on disk when it
 *     returns 0; a process killed at any point leaves a file that opens and
 *     holds every completed change. Create is atomic too: a process killed
 *     while creating leaves either no file at the path or a complete one
 *     (and, at worst, an unfinished file under a name of its own beside it,
 *     the path followed by ".new-" and 16 hexadecimal digits). Several
 *     processes may use one file at once; a call waits for another
 *     process's write to finish (up to QX_LDRA_BUSY_WAIT_MS) before it
 *     gives up with QX_LDRA_FILE_BUSY. A forked child cannot use the
 *     position blocks its parent opened (they are from another process);
 *     it opens files of its own.
 *  9. Thread safety: any thread may call; calls on one position block are
 *     serialised.
 * 10. Damage: a read that meets a record whose stored bytes disagree with
 *     the file's own index of it (its key, its length) returns
 *     QX_LDRA_FILE_DAMAGED and leaves the block's place past that record, so
 *     that get next goes on with the records behind it; a walk over a
 *     damaged file therefore always ends.
 * 11. Status: a 16-bit number, 0 for success, each other value with the one
 *     meaning of the table below. A read that finds nothing returns
 *     QX_LDRA_KEY_NOT_FOUND (get equal) or QX_LDRA_END_OF_FILE (the others),
 *     never 5: callers read 5 as "skip this entry", so the record manager
 *     never returns it.
 */
#ifndef QXLDRA_H
#define QXLDRA_H

#include <stdint.h>

#ifndef QXLDRA_API
#define QXLDRA_API
#endif

/* Exported functions never throw. */
#ifdef __cplusplus
#define QXLDRA_NOEXCEPT noexcept
#else
#define QXLDRA_NOEXCEPT
#endif

#define QX_LDRA_POSITION_SIZE 128
#define QX_LDRA_CLIENT_ID_SIZE 16
#define QX_LDRA_MAX_KEYS 8
#define QX_LDRA_MAX_SEGMENTS 8
#define QX_LDRA_MAX_KEY_LENGTH 255
#define QX_LDRA_MAX_OWNER_LENGTH 255
#define QX_LDRA_MAX_PATH 1023 /* characters, without the terminating zero */
#define QX_LDRA_BUSY_WAIT_MS 10000

/* ---- Operations ---------------------------------------------------------
 * Arguments that an operation does not name are ignored and may be NULL.
 *
 * QX_LDRA_OP_OPEN: data = the owner name (read up to its terminating zero,
 *   at most *data_length bytes); key = the file's path, zero-terminated;
 *   client = the client identifier. Fills the position block. A block
 *   that still names a file open in this process (by itself or by a copy)
 *   names the new file instead: once the new file is open, the earlier one
 *   is closed (a failed open leaves block and earlier file as they were).
 *   Running out of file handles gives QX_LDRA_NO_FILE_HANDLES, on create
 *   too.
 * QX_LDRA_OP_CLOSE: closes the file of the position block.
 * QX_LDRA_OP_INSERT: data = the record, *data_length = the record length
 *   (shorter: QX_LDRA_BUFFER_TOO_SHORT; longer: QX_LDRA_WRONG_RECORD_LENGTH).
 *   Key number -1 leaves the position block's current record as it was; a
 *   key number from 0 makes the new record current on that key and, when
 *   key is not NULL, writes the new record's value of that key into it.
 * QX_LDRA_OP_DELETE: deletes the current record (the one last read or
 *   inserted on this position block). Afterwards the block has no current
 *   record, but get next goes on from the deleted record's place.
 * QX_LDRA_OP_GET_EQUAL: key = a key value of key `key_number`; reads the
 *   first record, in key order, with exactly that value.
 * QX_LDRA_OP_GET_NEXT: reads the record after the current one (after the
 *   deleted one's place) in the order of the key last used on this block;
 *   `key_number` must be that key. Records that other position blocks or
 *   processes inserted or deleted meanwhile count as they now are.
 * QX_LDRA_OP_GET_GREATER: reads the first record whose key value is
 *   greater than the key buffer's.
 * QX_LDRA_OP_GET_FIRST: reads the first record in the order of the key.
 * QX_LDRA_OP_CREATE: creates a new, empty data file. data = the owner name,
 *   zero-terminated, directly followed by a definition block (below);
 *   *data_length = the bytes of both; key = the path, zero-terminated. An
 *   existing file is never overwritten (QX_LDRA_FILE_EXISTS). The file is
 *   made under a name of its own in the same folder and moved to the path
 *   only when complete. The new file is readable and writable by its
 *   owner account only and is left closed.
 * QX_LDRA_OP_RESET: closes every file still open under the client
 *   identifier (the same block with the same bytes, convention 6). Their
 *   position blocks then read as closed.
 *
 * Reads (get equal, next, greater, first) need data, data_length and key.
 * On success they fill the data buffer, set *data_length to the record
 * length, write the record's key value into the key buffer and make the
 * record current. A read that finds nothing leaves no current record, so
 * delete is refused, but it leaves a place that get next goes on from: just
 * past the key value looked for (get equal, get greater), or where the block
 * stood (get next, which therefore finds records added behind it later).
 * Only a get first in an empty file leaves no place. */
enum {
  QX_LDRA_OP_OPEN = 0,
  QX_LDRA_OP_CLOSE = 1,
  QX_LDRA_OP_INSERT = 2,
  QX_LDRA_OP_DELETE = 4,
  QX_LDRA_OP_GET_EQUAL = 5,
  QX_LDRA_OP_GET_NEXT = 6,
  QX_LDRA_OP_GET_GREATER = 8,
  QX_LDRA_OP_GET_FIRST = 12,
  QX_LDRA_OP_CREATE = 14,
  QX_LDRA_OP_RESET = 28
};

/* ---- Definition block of QX_LDRA_OP_CREATE ------------------------------
 *   offset 0  u16 record length (1 to 65535)
 *   offset 2  u16 key count (1 to QX_LDRA_MAX_KEYS)
 *   then each key, key 0 first:
 *     u16 flags (QX_LDRA_KEY_*), u16 segment count (1 to QX_LDRA_MAX_SEGMENTS),
 *     then each segment: u16 offset, u16 length, u16 kind (QX_LDRA_SEG_*).
 * A segment lies inside the record; a key is at most QX_LDRA_MAX_KEY_LENGTH
 * bytes; at most one key is auto-numbered, and that key is unique and made
 * of one unsigned segment of 4 bytes. */
#define QX_LDRA_DEF_HEADER_SIZE 4
#define QX_LDRA_DEF_KEY_HEADER_SIZE 4
#define QX_LDRA_DEF_SEGMENT_SIZE 6

enum {
  QX_LDRA_SEG_UNSIGNED = 1,
  QX_LDRA_SEG_SIGNED = 2,
  QX_LDRA_SEG_TEXT = 3
};

enum {
  QX_LDRA_KEY_UNIQUE = 0,
  QX_LDRA_KEY_DUPLICATES = 1,
  QX_LDRA_KEY_AUTONUMBER = 2
};

/* ---- Statuses ------------------------------------------------------------
 * X(name, value, message): the one table of statuses. 5 is never used. */
#define QX_LDRA_STATUS_TABLE(X)                                                          \
  X(QX_LDRA_OK, 0, "success")                                                            \
  X(QX_LDRA_BAD_OPERATION, 1, "unknown operation code")                                  \
  X(QX_LDRA_IO_ERROR, 2, "the data file could not be read or written")                   \
  X(QX_LDRA_NOT_OPENED, 3, "the position block was never opened")                        \
  X(QX_LDRA_KEY_NOT_FOUND, 4, "no record has this key value")                            \
  X(QX_LDRA_BAD_KEY_NUMBER, 6, "the file has no key of this number")                     \
  X(QX_LDRA_KEY_NUMBER_CHANGED, 7, "get next must use the key of the last read")         \
  X(QX_LDRA_NO_CURRENT_RECORD, 8, "the position block has no current record")            \
  X(QX_LDRA_END_OF_FILE, 9, "no further record in key order")                            \
  X(QX_LDRA_DUPLICATE_KEY, 10, "a record with this value of a unique key exists")        \
  X(QX_LDRA_BUFFER_TOO_SHORT, 11, "the data buffer is shorter than the record")          \
  X(QX_LDRA_WRONG_RECORD_LENGTH, 12, "insert was given more bytes than the record length") \
  X(QX_LDRA_FILE_NOT_FOUND, 13, "no data file can be opened at this path")               \
  X(QX_LDRA_NOT_A_DATA_FILE, 14, "the file is not a data file of the record manager")    \
  X(QX_LDRA_OWNER_MISSING, 15, "no owner name was given")                                \
  X(QX_LDRA_OWNER_REFUSED, 16, "the owner name is not the file's owner name")            \
  X(QX_LDRA_BAD_PATH, 17, "the path is missing, empty or too long")                      \
  X(QX_LDRA_POSITION_CLOSED, 18, "the position block's file was closed")                 \
  X(QX_LDRA_POSITION_DAMAGED, 19, "the position block is damaged or from another process") \
  X(QX_LDRA_NO_MEMORY, 20, "no memory left")                                             \
  X(QX_LDRA_TOO_MANY_FILES, 21, "too many files are open in this process")               \
  X(QX_LDRA_FILE_EXISTS, 22, "a file already exists at this path")                       \
  X(QX_LDRA_BAD_DEFINITION, 23, "the file definition is not valid")                      \
  X(QX_LDRA_MISSING_ARGUMENT, 24, "a buffer, length or client identifier is missing")    \
  X(QX_LDRA_FILE_BUSY, 25, "another process kept the file locked too long")             \
  X(QX_LDRA_IDS_EXHAUSTED, 26, "no id is left for automatic numbering")                  \
  X(QX_LDRA_FILE_DAMAGED, 27, "the data file is damaged")                                \
  X(QX_LDRA_CANNOT_CREATE, 28, "the file cannot be created at this path")                  \
  X(QX_LDRA_NO_FILE_HANDLES, 29, "no file handle is left in this process or the system")    \
  X(QX_LDRA_OTHER_LAYOUT, 30, "the data file at this path has another record layout")

#define QX_LDRA_STATUS_ENUMERATOR(name, value, message) name = value,
enum { QX_LDRA_STATUS_TABLE(QX_LDRA_STATUS_ENUMERATOR) };
#undef QX_LDRA_STATUS_ENUMERATOR

#ifdef __cplusplus
extern "C" {
#endif

/* The call entry. `operation` is a QX_LDRA_OP_* code, `position` the
 * caller's position block, `data_length` points at the data length,
 * `key_number` selects the key (-1 for none on insert), `client` is the
 * client identifier. Returns a status. */
QXLDRA_API int16_t qx_LDRAID(uint16_t operation, void *position, void *data,
                             uint16_t *data_length, void *key, int16_t key_number,
                             const void *client) QXLDRA_NOEXCEPT;

/* The message of a status ("unknown status" for a value not in the table).
 * The text is static. */
QXLDRA_API const char *qxldraStatusText(int16_t status) QXLDRA_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif
