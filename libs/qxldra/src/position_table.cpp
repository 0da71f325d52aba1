#include "position_table.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>

#include "bytes.h"
#include "new_file.h"

namespace qxldra {

namespace {

constexpr uint32_t kOpenMark = 0x4F4C5851;    // "QXLO"
constexpr uint32_t kClosedMark = 0x434C5851;  // "QXLC"
constexpr std::size_t kMarkOffset = 0;
constexpr std::size_t kSlotOffset = 4;
constexpr std::size_t kGenerationOffset = 8;
constexpr std::size_t kCheckOffset = 16;
static_assert(kCheckOffset + 8 <= QX_LDRA_POSITION_SIZE, "the stamp fits the position block");

uint64_t Mix(uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

}  // namespace

PositionTable& PositionTable::Instance() {
  // Never destroyed: threads of the host may still call while the process
  // exits. A table inherited through a fork is left as it is, for good.
  static std::atomic<PositionTable*> table{new PositionTable()};
  PositionTable* current = table.load(std::memory_order_acquire);
  if (current->process_ == CurrentProcessId()) return *current;
  auto* own = new PositionTable();
  if (table.compare_exchange_strong(current, own, std::memory_order_acq_rel)) return *own;
  delete own;  // another thread of this process was first
  return *current;
}

PositionTable::PositionTable() : process_(CurrentProcessId()) {
  // A forked child may draw the same random bytes as its parent does; its
  // own process id keeps its salt apart.
  sqlite3_randomness(static_cast<int>(sizeof salt_), &salt_);
  salt_ ^= Mix(process_);
}

uint64_t PositionTable::Check(uint32_t slot, uint64_t generation) const {
  return Mix(Mix(salt_ ^ slot) ^ generation);
}

uint64_t PositionTable::NextGeneration() {
  std::lock_guard<std::mutex> lock(mutex_);
  return next_generation_++;
}

int16_t PositionTable::Add(std::unique_ptr<DataFile> file, const unsigned char* client, std::string name,
                           unsigned char* block) {
  OpenFileLock earlier;
  if (Find(block, &earlier) == QX_LDRA_OK) {
    // The block names one file only: the new one takes the earlier one's
    // slot, and the earlier one closes once the slot is unlocked.
    std::unique_ptr<DataFile> closing = std::move(earlier->file);
    OpenFile* open_file = earlier.file_;
    std::unique_lock<std::mutex> lock = std::move(earlier.lock_);
    Fill(open_file, NextGeneration(), std::move(file), client, std::move(name), block);
    return QX_LDRA_OK;
  }
  OpenFile* open_file = nullptr;
  uint64_t generation = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::size_t slot = 0;
    while (slot < kMaxOpenFiles && used_[slot]) ++slot;
    if (slot == kMaxOpenFiles) return QX_LDRA_TOO_MANY_FILES;
    if (slots_[slot] == nullptr) slots_[slot] = std::make_unique<OpenFile>(static_cast<uint32_t>(slot));
    used_[slot] = true;
    ++open_count_;
    generation = next_generation_++;
    open_file = slots_[slot].get();
  }
  std::lock_guard<std::mutex> lock(open_file->mutex);
  Fill(open_file, generation, std::move(file), client, std::move(name), block);
  return QX_LDRA_OK;
}

void PositionTable::Fill(OpenFile* open_file, uint64_t generation, std::unique_ptr<DataFile> file,
                         const unsigned char* client, std::string name, unsigned char* block) {
  open_file->generation = generation;
  open_file->file = std::move(file);
  open_file->client_block = client;
  std::memcpy(open_file->client.data(), client, open_file->client.size());
  open_file->name = std::move(name);
  std::memset(block, 0, QX_LDRA_POSITION_SIZE);
  StoreU32(block + kMarkOffset, kOpenMark);
  StoreU32(block + kSlotOffset, open_file->slot);
  StoreU64(block + kGenerationOffset, generation);
  StoreU64(block + kCheckOffset, Check(open_file->slot, generation));
}

int16_t PositionTable::Find(const unsigned char* block, OpenFileLock* found) {
  const uint32_t mark = LoadU32(block + kMarkOffset);
  if (mark != kOpenMark && mark != kClosedMark) return QX_LDRA_NOT_OPENED;
  const uint32_t slot = LoadU32(block + kSlotOffset);
  const uint64_t generation = LoadU64(block + kGenerationOffset);
  if (LoadU64(block + kCheckOffset) != Check(slot, generation) || slot >= kMaxOpenFiles) {
    return QX_LDRA_POSITION_DAMAGED;
  }
  if (mark == kClosedMark) return QX_LDRA_POSITION_CLOSED;
  OpenFile* open_file = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    open_file = slots_[slot].get();
  }
  if (open_file == nullptr) return QX_LDRA_POSITION_DAMAGED;
  std::unique_lock<std::mutex> lock(open_file->mutex);
  if (open_file->generation != generation) return QX_LDRA_POSITION_CLOSED;
  found->lock_ = std::move(lock);
  found->file_ = open_file;
  return QX_LDRA_OK;
}

void PositionTable::Release(std::size_t slot) {
  std::lock_guard<std::mutex> lock(mutex_);
  used_[slot] = false;
  --open_count_;
}

void PositionTable::Close(OpenFileLock* found, unsigned char* block) {
  OpenFile* open_file = found->file_;
  std::unique_ptr<DataFile> closing = std::move(open_file->file);
  open_file->generation = 0;
  open_file->name.clear();
  found->lock_.unlock();
  found->file_ = nullptr;
  Release(open_file->slot);
  StoreU32(block + kMarkOffset, kClosedMark);
}

void PositionTable::Reset(const unsigned char* client) {
  for (std::size_t slot = 0; slot < kMaxOpenFiles; ++slot) {
    OpenFile* open_file = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open_file = slots_[slot].get();
    }
    if (open_file == nullptr) continue;
    std::unique_ptr<DataFile> closing;
    {
      std::lock_guard<std::mutex> lock(open_file->mutex);
      if (open_file->generation == 0 || open_file->client_block != client ||
          std::memcmp(open_file->client.data(), client, open_file->client.size()) != 0) {
        continue;
      }
      closing = std::move(open_file->file);
      open_file->generation = 0;
      open_file->name.clear();
    }
    Release(slot);
  }
}

long PositionTable::OpenCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_count_;
}

}  // namespace qxldra
