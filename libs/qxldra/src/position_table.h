// The process's table of open files, and the position blocks that name them.
//
// A position block is the caller's memory, so every call checks it before
// trusting it. Open writes into it:
//   offset 0  u32 mark: kOpenMark, or kClosedMark once closed through it
//   offset 4  u32 slot of the open file in the table
//   offset 8  u64 generation: a number given to each open, never reused
//   offset 16 u64 check word over slot and generation, salted per process
// and zeroes the rest. A block without either mark was never opened; one
// whose check word does not fit is damaged (or from another process); one
// whose generation is no longer open in its slot was closed, through a copy
// of the block or by a reset of its client.
//
// Each process has a table of its own, with its own salt. A forked child
// starts a new table: the files in its parent's table are the parent's
// (SQLite connections must not cross a fork), so the child leaves them
// untouched, neither using nor closing them, and the parent's blocks fail
// the child's check word like blocks of any other process.
#ifndef QXLDRA_POSITION_TABLE_H
#define QXLDRA_POSITION_TABLE_H

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "data_file.h"

namespace qxldra {

constexpr std::size_t kMaxOpenFiles = 1024;

// One slot of the table. Slots are made once and never freed, so a slot
// found through a block stays valid while its mutex is taken.
struct OpenFile {
  explicit OpenFile(uint32_t index) : slot(index) {}
  const uint32_t slot;
  std::mutex mutex;
  uint64_t generation = 0;  // 0: the slot is free
  std::unique_ptr<DataFile> file;
  // The client: where its identifier block lives, and the block's bytes.
  const void* client_block = nullptr;
  std::array<unsigned char, QX_LDRA_CLIENT_ID_SIZE> client{};
  std::string name;  // the last part of the path, for fault injection
};

// An open file found through a position block, locked for one call.
class OpenFileLock {
 public:
  OpenFileLock() = default;
  OpenFile* get() const { return file_; }
  OpenFile* operator->() const { return file_; }

 private:
  friend class PositionTable;
  std::unique_lock<std::mutex> lock_;
  OpenFile* file_ = nullptr;
};

class PositionTable {
 public:
  // The table of the running process.
  static PositionTable& Instance();

  // Enters `file` under `client` and fills `block`: QX_LDRA_OK or
  // QX_LDRA_TOO_MANY_FILES (the file is then closed). A block that names an
  // open file already gets the new file in that file's slot, and the
  // earlier file is closed.
  int16_t Add(std::unique_ptr<DataFile> file, const unsigned char* client, std::string name,
              unsigned char* block);

  // Finds and locks the open file of `block`, or returns why there is none.
  int16_t Find(const unsigned char* block, OpenFileLock* found);

  // Closes the file of a found block and marks the block closed.
  void Close(OpenFileLock* found, unsigned char* block);

  // Closes every file opened under the identifier block at `client` while
  // it held the bytes it holds now.
  void Reset(const unsigned char* client);

  long OpenCount() const;

 private:
  PositionTable();
  void Release(std::size_t slot);
  uint64_t NextGeneration();
  void Fill(OpenFile* open_file, uint64_t generation, std::unique_ptr<DataFile> file,
            const unsigned char* client, std::string name, unsigned char* block);
  uint64_t Check(uint32_t slot, uint64_t generation) const;

  const uint64_t process_;
  mutable std::mutex mutex_;  // guards the members below
  std::array<std::unique_ptr<OpenFile>, kMaxOpenFiles> slots_;
  std::array<bool, kMaxOpenFiles> used_{};
  uint64_t next_generation_ = 1;
  long open_count_ = 0;
  uint64_t salt_ = 0;
};

}  // namespace qxldra

#endif
