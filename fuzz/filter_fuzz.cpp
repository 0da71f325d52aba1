// Fuzzes compiling and evaluating filters. The input's first 64 bytes are a
// record's data, the rest is an expression text. Every text must compile or
// be refused cleanly; every compiled filter must evaluate to 0 or 1, and the
// filter's worked-out program must agree with the plain walk through the
// store's node callbacks. A text that compiles is tried once more as a
// computed value on the left of a "bit" constant, of a sum and of a
// comparison, where its truth carries no attributes.

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

struct Outcome {
  bool compiled;
  uint32_t match;
  int32_t root_kind;
};

// Compiles and evaluates `text` both ways; aborts where they disagree.
Outcome Check(const std::string& text, const unsigned char* record) {
  FilterHandle* handle = nullptr;
  if (QXQFStoreExpression(text.c_str(), &handle) != 0) {
    if (handle != nullptr) std::abort();
    return Outcome{false, 0, 0};
  }
  uint32_t fast = 7;
  if (QXQFEvaluateExpression(record, handle, &fast, FetchCurrent) != 0 || fast > 1) std::abort();

  ExpStoreFns fns{};
  fns.GetExpNode = QXQFGetExpNode;
  fns.AddNewExpNode = QXQFAddNewExpNode;
  fns.FetchRecord = FetchCurrent;
  uint32_t plain = 7;
  if (ExpEvaluate(handle, &fns, &plain, record) != 0 || plain != fast) std::abort();
  ExpToken root{};
  if (QXQFGetExpNode(handle, 1, &root) != 0) std::abort();
  QXQFDeleteExpression(handle);
  return Outcome{true, fast, root.kind};
}

bool IsComputed(int32_t kind) {
  return kind != QX_KIND_LITERAL && kind != QX_KIND_FIELD && kind != QX_KIND_FETCH_BY_NUMBER &&
         kind != QX_KIND_FETCH_BY_FIELD;
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

  const Outcome alone = Check(text, record.data());
  if (!alone.compiled) return 0;
  // A computed value masked by a "bit" constant reads as 0: the outcome is
  // whether the constant's masked byte is 0 too, whatever the operator.
  const unsigned mask = data[0] & 3u, bit = data[1] & 1u;
  const Outcome masked =
      Check("( " + text + " ) = val 1 bit 0." + std::to_string(mask) + " " + std::to_string(bit), record.data());
  if (masked.compiled && alone.match == 1 && IsComputed(alone.root_kind) &&
      masked.match != ((mask & (bit != 0 ? 0xFFu : 0u)) == 0 ? 1u : 0u)) {
    std::abort();
  }
  Check("( " + text + " ) + val 4 int 1 > val 4 int " + std::to_string(data[2] % 3), record.data());
  Check("( " + text + " ) < val 4 int " + std::to_string(data[3] % 3), record.data());
  return 0;
}
