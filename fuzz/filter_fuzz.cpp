// Fuzzes compiling and evaluating filters. The input's first 64 bytes are a
// record's data, the rest is an expression text. Every text must compile or
// be refused cleanly; every compiled filter must evaluate to 0 or 1, and the
// filter's worked-out program must agree with the plain walk through the
// store's node callbacks.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "evaluator/evaluate.h"
#include "evaluator/record_buffer.h"
#include "qxexpc.h"

namespace {

constexpr size_t kDataBytes = 64;

// The host's record source: every number gives the record being evaluated.
const unsigned char* current_record = nullptr;

int32_t FetchCurrent(void* buffer, uint32_t) {
  std::memcpy(buffer, current_record, kRecordHeaderSize + kDataBytes);
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kDataBytes) return 0;
  std::vector<unsigned char> record(kRecordHeaderSize + kDataBytes, 0);
  uint32_t kind = 1;
  int32_t length = static_cast<int32_t>(kDataBytes);
  std::memcpy(&record[kRecordKindOffset], &kind, 4);
  std::memcpy(&record[kRecordDataLengthOffset], &length, 4);
  std::memcpy(&record[kRecordHeaderSize], data, kDataBytes);
  std::string text(reinterpret_cast<const char*>(data + kDataBytes), size - kDataBytes);
  current_record = record.data();

  FilterHandle* handle = nullptr;
  if (QXQFStoreExpression(text.c_str(), &handle) != 0) {
    if (handle != nullptr) std::abort();
    return 0;
  }
  uint32_t fast = 7;
  if (QXQFEvaluateExpression(record.data(), handle, &fast, FetchCurrent) != 0 || fast > 1) std::abort();

  ExpStoreFns fns{};
  fns.GetExpNode = QXQFGetExpNode;
  fns.AddNewExpNode = QXQFAddNewExpNode;
  fns.FetchRecord = FetchCurrent;
  uint32_t plain = 7;
  if (ExpEvaluate(handle, &fns, &plain, record.data()) != 0 || plain != fast) std::abort();
  QXQFDeleteExpression(handle);
  return 0;
}
