// The evaluation walk. It keeps its own stack of pending operators rather
// than recursing, so that no expression, however deep, can exhaust the
// thread's stack: the first few levels live in the walk's frame, deeper ones
// in one block that grows as needed, up to kExpMaxDepth levels.

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

void ClearValue(ExpValue* value) { std::memset(value->value, 0, sizeof value->value); }

// A constant takes the node's description and its value bytes.
void ConstantValue(const ExpToken* node, ExpValue* value) {
  value->type = static_cast<uint32_t>(node->type);
  value->length = node->length;
  value->attr1 = node->attr1;
  value->attr2 = node->attr2;
  int32_t n = node->length < 0 ? 0 : node->length > QX_TOKEN_VALUE_SIZE ? QX_TOKEN_VALUE_SIZE : node->length;
  std::memcpy(value->value, node->value, static_cast<size_t>(n));
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
    int32_t status = QXGetDataFromBuffer(&record_id, static_cast<int32_t>(record_id), 4,
                                         static_cast<uint32_t>(node->type), static_cast<uint32_t>(node->attr1),
                                         static_cast<uint32_t>(node->attr2), walk->record);
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
    status = ExpFieldValue(field, fetched, value);
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
      ConstantValue(node, value);
      return 0;
    case QX_KIND_FIELD:
      return ExpFieldValue(node, walk->record, value);
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
  bool have_right;
  ExpValue right;
};

// The stack of pending operators: a few in place, more in one block.
class PendingStack {
 public:
  ~PendingStack() { qxdbgFree(heap_); }
  bool empty() const { return size_ == 0; }
  Pending& top() { return at(size_ - 1); }
  void pop() { --size_; }
  // Pushes an operator; false when no memory is left or the nesting is too deep.
  bool push(int32_t kind) {
    if (size_ >= kExpMaxDepth) return false;
    if (size_ >= kInPlace + capacity_ && !Grow()) return false;
    Pending& p = at(size_++);
    p.kind = kind;
    p.have_right = false;
    return true;
  }

 private:
  static constexpr uint32_t kInPlace = 8;
  Pending& at(uint32_t i) { return i < kInPlace ? in_place_[i] : heap_[i - kInPlace]; }
  bool Grow() {
    uint32_t capacity = capacity_ == 0 ? 32 : capacity_ * 2;
    auto* grown = static_cast<Pending*>(qxdbgMalloc(capacity * sizeof(Pending)));
    if (grown == nullptr) return false;
    if (heap_ != nullptr) std::memcpy(grown, heap_, capacity_ * sizeof(Pending));
    qxdbgFree(heap_);
    heap_ = grown;
    capacity_ = capacity;
    return true;
  }
  Pending in_place_[kInPlace];
  Pending* heap_ = nullptr;
  uint32_t capacity_ = 0;
  uint32_t size_ = 0;
};

}  // namespace

int32_t ExpFieldValue(const ExpToken* node, const unsigned char* record, ExpValue* value) {
  if (!FieldFits(node)) return kFieldNotAvailable;
  int32_t status = QXGetDataFromBuffer(value->value, node->offset, node->length,
                                       static_cast<uint32_t>(node->type), static_cast<uint32_t>(node->attr1),
                                       static_cast<uint32_t>(node->attr2), record);
  value->type = static_cast<uint32_t>(node->type);
  value->length = node->length;
  value->attr1 = node->attr1;
  value->attr2 = node->attr2;
  return status == -1 ? kFieldNotAvailable : 0;
}

void ExpWalkInit(ExpWalk* walk, void* store, const ExpStoreFns* fns, const void* record) {
  walk->read = ReadThroughStore;
  walk->store = store;
  walk->fns = fns;
  walk->nodes = nullptr;
  walk->node_count = 0;
  walk->record = static_cast<const unsigned char*>(record);
  walk->position = 1;
  std::memset(&walk->scratch, 0, sizeof walk->scratch);
}

int32_t ExpEvalNode(ExpWalk* walk, ExpValue* result) {
  if (walk == nullptr || result == nullptr || walk->record == nullptr) return QX_STATUS_MISSING;
  PendingStack pending;
  ExpValue value;
  for (;;) {
    int32_t status = 0;
    const ExpToken* node = walk->read(walk, walk->position, &status);
    if (node == nullptr) return status;
    ++walk->position;
    ExpKindClass kind_class = ExpKindClassOf(node->kind);
    if (kind_class == ExpKindClass::kInfix || kind_class == ExpKindClass::kPrefix) {
      if (!pending.push(node->kind)) return kWalkFailed;
      continue;
    }
    ClearValue(&value);
    status = OperandValue(walk, node, &value);
    if (status != 0) return status;

    // Hand the finished operand up to the operators waiting for it.
    for (;;) {
      if (pending.empty()) {
        *result = value;
        return 0;
      }
      Pending& op = pending.top();
      if (op.kind == QX_KIND_NOT) {
        if (value.type != kLogicalType) return kWalkFailed;
        ExpSetTruth(&value, ExpValueWord(value) == 0);
        pending.pop();
        continue;
      }
      if (!op.have_right) {
        op.right = value;
        op.have_right = true;
        break;  // the left operand's nodes come next
      }
      ExpValue outcome;
      outcome.type = 0;
      outcome.length = 0;
      outcome.attr1 = 0;
      outcome.attr2 = 0;
      ClearValue(&outcome);
      status = ExpCompareValues(&op.right, &value, static_cast<uint32_t>(op.kind), &outcome);
      if (status < 0) return status;
      value = outcome;
      pending.pop();
    }
  }
}

int32_t ExpEvaluateWalk(ExpWalk* walk, uint32_t* match) {
  if (match == nullptr || walk == nullptr || walk->record == nullptr) return QX_STATUS_MISSING;
  ExpValue result{};
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
