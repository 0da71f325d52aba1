// Room for a run of fixed-size entries: in place while the run is short,
// in one block from the library's allocator when it grows. The walk keeps
// its waiting operators and their values this way, so that a usual
// expression allocates nothing and a deep one cannot overflow the thread's
// stack: only memory bounds it.
#ifndef QXEXPPAR_EVALUATOR_GROWING_ARRAY_H
#define QXEXPPAR_EVALUATOR_GROWING_ARRAY_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "qxdbg.h"

template <typename T, uint32_t kInPlace>
class ExpGrowingArray {
 public:
  ExpGrowingArray() = default;
  ExpGrowingArray(const ExpGrowingArray&) = delete;
  ExpGrowingArray& operator=(const ExpGrowingArray&) = delete;
  ~ExpGrowingArray() {
    if (heap_ != nullptr) qxdbgFree(heap_);
  }

  T* data() { return entries_; }
  const T* data() const { return entries_; }

  // Room for `needed` entries; the entries already there move with the
  // room. False when no memory is left (the entries stay as they were).
  bool Reserve(uint32_t needed) {
    if (needed <= capacity_) return true;
    constexpr uint64_t kMost = SIZE_MAX / sizeof(T) < UINT32_MAX ? SIZE_MAX / sizeof(T) : UINT32_MAX;
    if (needed > kMost) return false;
    uint64_t capacity = uint64_t{capacity_} * 4 > needed ? uint64_t{capacity_} * 4 : needed;
    if (capacity > kMost) capacity = kMost;
    auto* grown = static_cast<T*>(qxdbgMalloc(static_cast<size_t>(capacity) * sizeof(T)));
    if (grown == nullptr) return false;
    std::memcpy(static_cast<void*>(grown), entries_, capacity_ * sizeof(T));
    if (heap_ != nullptr) qxdbgFree(heap_);
    heap_ = grown;
    entries_ = grown;
    capacity_ = static_cast<uint32_t>(capacity);
    return true;
  }

 private:
  T in_place_[kInPlace];
  T* entries_ = in_place_;
  T* heap_ = nullptr;
  uint32_t capacity_ = kInPlace;
};

#endif
