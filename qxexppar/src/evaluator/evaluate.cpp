// The evaluation walk. It keeps its own stack of pending operators rather
// than recursing, so that no expression, however deep, can exhaust the
// thread's stack: the first few levels live in the walk's frame, deeper ones
// in one block that grows as needed, up to kExpMaxDepth levels.
//
// Values are computed where they are needed: an operator's right operand
// straight into its pending entry, a left operand into one of two scratch
// values, an outcome into the place its own operator takes it from. No
// value is copied on its way up.

#include "evaluator/evaluate.h"

#include <cstring>

#include "compiler/kinds.h"
#include "evaluator/compare.h"
#include "evaluator/record_buffer.h"
#include "qxdbg.h"

namespace {

constexpr int32_t kFieldNotAvailable = QX_STATUS_FIELD_NOT_AVAILABLE;
constexpr int32_t kWalkFailed = QX_STATUS_UNSUPPORTED;

const ExpToken* ReadThroughStore(ExpWalk* walk, uint32_t position, int32_t* status) {
  if (walk->fns == nullptr || walk->fns->GetExpNode == nullptr) {
    *status = QX_STATUS_MISSING;
    return nullptr;
  }
  *status = walk->fns->GetExpNode(walk->store, position, &walk->scratch);
  return *status == 0 ? &walk->scratch : nullptr;
}

// A field longer than a value area cannot be held: it is not available.
bool FieldFits(const ExpToken* node) { return node->length >= 0 && node->length <= kExpValueSize; }

uint32_t NodeNumber(const ExpToken* node) {
  uint32_t number;
  std::memcpy(&number, node->value, sizeof number);
  return number;
}

// "getrecid": the record numbered by the node (kind 71) or by a 4-byte field
// of the current record (kind 72) is fetched through the host, and the field
// node that follows is taken out of it. The field node stays unread for the
// walk, which evaluates it once more as an ordinary operand.
int32_t FetchedValue(ExpWalk* walk, const ExpToken* node, ExpValue* value) {
  if (walk->fns == nullptr || walk->fns->FetchRecord == nullptr) return QX_STATUS_MISSING;
  const bool by_number = node->kind == QX_KIND_FETCH_BY_NUMBER;
  uint32_t record_id = NodeNumber(node);
  if (!by_number) {
    int32_t status = ExpFieldReaderRead(&walk->fields, &record_id, static_cast<int32_t>(record_id), 4,
                                        static_cast<uint32_t>(node->type), static_cast<uint32_t>(node->attr1),
                                        static_cast<uint32_t>(node->attr2));
    if (status != 0) return status;
  }
  // `node` may be the reader's copy, overwritten by the next read.
  node = nullptr;
  auto* fetched = static_cast<unsigned char*>(qxdbgMalloc(kRecordBufferSize));
  if (fetched == nullptr) return kWalkFailed;
  std::memset(fetched, 0, kRecordBufferSize);
  walk->fns->FetchRecord(fetched, record_id);

  int32_t status = 0;
  const ExpToken* field = walk->read(walk, walk->position, &status);
  if (field != nullptr) {
    // The fetched record takes the field-conversion service for itself; the
    // walk's own record is set up again at its next data field.
    ExpFieldReaderFinish(&walk->fields);
    ExpFieldReader fetched_fields;
    ExpFieldReaderStart(&fetched_fields, fetched);
    status = ExpFieldValue(field, &fetched_fields, value);
    ExpFieldReaderFinish(&fetched_fields);
    // A fetch by number takes whatever the extraction left; a field too long
    // for a value area still fails, as it would anywhere else.
    if (by_number && status == kFieldNotAvailable && FieldFits(field)) status = 0;
  }
  qxdbgFree(fetched);
  return status;
}

// Evaluates an operand node (one without operand subtrees) into `value`.
int32_t OperandValue(ExpWalk* walk, const ExpToken* node, ExpValue* value) {
  switch (node->kind) {
    case QX_KIND_LITERAL:
      ExpConstantValue(node, value);
      return 0;
    case QX_KIND_FIELD:
      return ExpFieldValue(node, &walk->fields, value);
    case QX_KIND_FETCH_BY_NUMBER:
    case QX_KIND_FETCH_BY_FIELD:
      return FetchedValue(walk, node, value);
    case QX_KIND_VALUES:
    case QX_KIND_RANGE:
      return ExpEvalList(walk, node, value);
    default:
      return kWalkFailed;
  }
}

// An operator waiting for its operands: its kind and, once evaluated, its
// right operand.
struct Pending {
  int32_t kind;
  uint32_t position;  // for traces
  bool have_right;
  ExpValue right;
};

// The stack of pending operators: a few in place, more in one block.
class PendingStack {
 public:
  PendingStack() = default;
  PendingStack(const PendingStack&) = delete;
  PendingStack& operator=(const PendingStack&) = delete;
  ~PendingStack() {
    if (heap_ != nullptr) qxdbgFree(heap_);
  }
  uint32_t size() const { return size_; }
  Pending& at(uint32_t i) { return frames_[i]; }
  void pop() { --size_; }
  // Pushes an operator; false when no memory is left or the nesting is too deep.
  bool push(int32_t kind, uint32_t position) {
    if (size_ == capacity_ && !Grow()) return false;
    Pending& p = frames_[size_++];
    p.kind = kind;
    p.position = position;
    p.have_right = false;
    return true;
  }

 private:
  static constexpr uint32_t kInPlace = 8;
  // Moves the entries into a block twice as large; the pending values are
  // copied with them (an entry's right operand may be in use).
  bool Grow() {
    if (capacity_ >= kExpMaxDepth) return false;
    uint32_t capacity = capacity_ * 4 < kExpMaxDepth ? capacity_ * 4 : kExpMaxDepth;
    auto* grown = static_cast<Pending*>(qxdbgMalloc(capacity * sizeof(Pending)));
    if (grown == nullptr) return false;
    std::memcpy(grown, frames_, size_ * sizeof(Pending));
    if (heap_ != nullptr) qxdbgFree(heap_);
    heap_ = grown;
    frames_ = grown;
    capacity_ = capacity;
    return true;
  }
  Pending in_place_[kInPlace];
  Pending* frames_ = in_place_;
  Pending* heap_ = nullptr;
  uint32_t capacity_ = kInPlace;
  uint32_t size_ = 0;
};

// Where the value that the operators below entry `above` wait for goes:
// the right operand of the nearest binary operator that has none yet, else
// that operator's left operand (a scratch value other than `busy`), else
// the walk's result. "not" entries in between change the value in place.
ExpValue* PlaceFor(PendingStack& pending, uint32_t above, ExpValue (&left)[2], const ExpValue* busy,
                   ExpValue* result) {
  for (uint32_t i = above; i-- > 0;) {
    Pending& op = pending.at(i);
    if (op.kind == QX_KIND_NOT) continue;
    if (!op.have_right) return &op.right;
    return busy == &left[0] ? &left[1] : &left[0];
  }
  return result;
}

// Hands a finished operand up to the operators waiting for it: returns 1
// when the walk is complete (the value is in `result`), 0 when the next node
// starts an operand still needed, or a negative status.
void Trace(ExpWalk* walk, uint32_t position, int32_t kind, const ExpValue* value, int32_t status) {
  ExpToken op{};
  op.kind = kind;
  op.type = op.offset = op.length = -1;
  walk->trace(walk->trace_context, position, &op, value, status);
}

int32_t HandUp(ExpWalk* walk, PendingStack& pending, ExpValue* value, ExpValue (&left)[2],
               ExpValue* result) {
  while (pending.size() > 0) {
    Pending& op = pending.at(pending.size() - 1);
    if (op.kind == QX_KIND_NOT) {
      int32_t status = value->type == kLogicalType ? 0 : kWalkFailed;
      if (status == 0) ExpSetTruth(value, ExpValueWord(*value) == 0);
      if (walk->trace != nullptr) Trace(walk, op.position, op.kind, value, status);
      if (status != 0) return status;
      pending.pop();
      continue;
    }
    if (!op.have_right) {
      op.have_right = true;  // `value` is its right operand, in place
      return 0;
    }
    ExpValue* outcome = PlaceFor(pending, pending.size() - 1, left, value, result);
    outcome->length = 0;
    int32_t status = ExpCompareValues(&op.right, value, static_cast<uint32_t>(op.kind), outcome);
    if (walk->trace != nullptr) Trace(walk, op.position, op.kind, outcome, status < 0 ? status : 0);
    if (status < 0) return status;
    pending.pop();
    value = outcome;
  }
  return 1;
}

}  // namespace

void ExpConstantValue(const ExpToken* node, ExpValue* value) {
  value->type = static_cast<uint32_t>(node->type);
  value->length = node->length;
  value->attr1 = node->attr1;
  value->attr2 = node->attr2;
  ExpValueClear(value, node->length);
  int32_t n = ExpValueSpan(node->length);
  std::memcpy(value->value, node->value, static_cast<size_t>(n > QX_TOKEN_VALUE_SIZE ? QX_TOKEN_VALUE_SIZE : n));
}

int32_t ExpDescribedFieldValue(const ExpListField& field, ExpFieldReader* fields, ExpValue* value) {
  if (field.length < 0 || field.length > kExpValueSize) return kFieldNotAvailable;
  ExpValueClear(value, field.length);
  int32_t status = ExpFieldReaderRead(fields, value->value, field.offset, field.length,
                                      static_cast<uint32_t>(field.type), static_cast<uint32_t>(field.attr1),
                                      static_cast<uint32_t>(field.attr2));
  value->type = static_cast<uint32_t>(field.type);
  value->length = field.length;
  value->attr1 = field.attr1;
  value->attr2 = field.attr2;
  return status == -1 ? kFieldNotAvailable : 0;
}

int32_t ExpFieldValue(const ExpToken* node, ExpFieldReader* fields, ExpValue* value) {
  return ExpDescribedFieldValue({node->offset, node->length, node->type, node->attr1, node->attr2}, fields,
                                value);
}

void ExpWalkInit(ExpWalk* walk, void* store, const ExpStoreFns* fns, const void* record,
                 ExpReadNodeFn read) {
  walk->read = read != nullptr ? read : ReadThroughStore;
  walk->store = store;
  walk->fns = fns;
  walk->nodes = nullptr;
  walk->node_count = 0;
  walk->record = static_cast<const unsigned char*>(record);
  ExpFieldReaderStart(&walk->fields, record);
  walk->position = 1;
  walk->trace = nullptr;
  walk->trace_context = nullptr;
  if (read == nullptr) std::memset(&walk->scratch, 0, sizeof walk->scratch);
}

int32_t ExpEvalNode(ExpWalk* walk, ExpValue* result) {
  if (walk == nullptr || result == nullptr || walk->record == nullptr) return QX_STATUS_MISSING;
  PendingStack pending;
  ExpValue left[2];
  int32_t status = 0;
  for (;;) {
    const ExpToken* node = walk->read(walk, walk->position, &status);
    if (node == nullptr) break;
    ++walk->position;
    ExpKindClass kind_class = ExpKindClassOf(node->kind);
    if (kind_class == ExpKindClass::kInfix || kind_class == ExpKindClass::kPrefix) {
      if (!pending.push(node->kind, walk->position - 1)) {
        status = kWalkFailed;
        break;
      }
      continue;
    }
    ExpValue* value = PlaceFor(pending, pending.size(), left, nullptr, result);
    const uint32_t position = walk->position - 1;
    status = OperandValue(walk, node, value);
    if (walk->trace != nullptr) {
      // The node may have been the reader's copy, overwritten since: read
      // it again for the trace.
      int32_t read_status = 0;
      const ExpToken* again = walk->read(walk, position, &read_status);
      if (again != nullptr) walk->trace(walk->trace_context, position, again, value, status);
    }
    if (status != 0) break;
    status = HandUp(walk, pending, value, left, result);
    if (status != 0) break;
  }
  ExpFieldReaderFinish(&walk->fields);
  return status == 1 ? 0 : status;
}

int32_t ExpEvaluateWalk(ExpWalk* walk, uint32_t* match) {
  if (match == nullptr || walk == nullptr || walk->record == nullptr) return QX_STATUS_MISSING;
  ExpValue result;
  result.type = 0;
  if (ExpEvalNode(walk, &result) != 0 || result.type != kLogicalType) {
    *match = 0;
    return 0;
  }
  *match = ExpValueWord(result);
  return 0;
}

int32_t ExpEvaluate(void* store, const ExpStoreFns* fns, uint32_t* match, const void* record) {
  if (match == nullptr || record == nullptr) return QX_STATUS_MISSING;
  ExpWalk walk;
  ExpWalkInit(&walk, store, fns, record);
  return ExpEvaluateWalk(&walk, match);
}
