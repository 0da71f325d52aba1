// The evaluation walk. It keeps its own stack of pending operators rather
// than recursing, so that no expression, however deep, can exhaust the
// thread's stack: the first few levels live in the walk's frame, deeper ones
// in one block that grows as needed. Only memory bounds the nesting.
//
// Values are computed where they are needed: an operator's right operand
// straight into its pending entry, a left operand into one of two scratch
// values, an outcome into the place its own operator takes it from. No
// value is copied on its way up.

#include "evaluator/evaluate.h"

#include <cstring>

#include "compiler/kinds.h"
#include "evaluator/compare.h"
#include "evaluator/growing_array.h"
#include "evaluator/record_buffer.h"
#include "evaluator/walk_order.h"
#include "qxdbg.h"

namespace {

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
    if (by_number && status == QX_STATUS_FIELD_NOT_AVAILABLE && FieldFits(field)) status = 0;
  }
  qxdbgFree(fetched);
  return status;
}

// The walk's slots: those of eight waiting operators in place, more in one
// block as operators wait deeper.
using Slots = ExpGrowingArray<ExpValue, 11>;

void TraceStep(ExpWalk* walk, const ExpStep& step, const ExpValue* slots, int32_t status) {
  const ExpToken* node = step.node;
  ExpToken op{};
  if (step.action == ExpAction::kNot || step.action == ExpAction::kApply) {
    op.kind = step.kind;
    op.type = op.offset = op.length = -1;
    node = &op;
  } else {
    // The node may have been the reader's copy, overwritten since.
    int32_t read_status = 0;
    node = walk->read(walk, step.position, &read_status);
    if (node == nullptr) return;
  }
  walk->trace(walk->trace_context, step.position, node, &slots[step.target], status);
}

bool IsOperand(ExpKindClass kind_class) {
  return kind_class == ExpKindClass::kLiteral || kind_class == ExpKindClass::kField ||
         kind_class == ExpKindClass::kList || kind_class == ExpKindClass::kFetchByNumber ||
         kind_class == ExpKindClass::kFetchByField;
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

void ExpWalkInit(ExpWalk* walk, void* store, const ExpStoreFns* fns, const void* record,
                 ExpReadNodeFn read) {
  walk->read = read != nullptr ? read : ReadThroughStore;
  walk->store = store;
  walk->fns = fns;
  walk->record = static_cast<const unsigned char*>(record);
  ExpFieldReaderStart(&walk->fields, record);
  walk->position = 1;
  walk->constant_values = nullptr;
  walk->trace = nullptr;
  walk->trace_context = nullptr;
  if (read == nullptr) std::memset(&walk->scratch, 0, sizeof walk->scratch);
}

int32_t ExpDoStep(ExpWalk* walk, const ExpStep& step, ExpValue* slots) {
  ExpValue* target = &slots[step.target];
  switch (step.action) {
    case ExpAction::kConstant:
      ExpConstantValue(step.node, target);
      return 0;
    case ExpAction::kField:
      return ExpFieldValue(step.node, &walk->fields, target);
    case ExpAction::kList:
      return ExpEvalList(walk, step.node, target);
    case ExpAction::kFetch:
      return FetchedValue(walk, step.node, target);
    case ExpAction::kNot:
      if (target->type != kLogicalType) return kWalkFailed;
      ExpSetTruth(target, ExpValueWord(*target) == 0);
      return 0;
    case ExpAction::kApply: {
      target->length = 0;
      int32_t status =
          ExpCompareValues(&slots[step.right], &slots[step.left], static_cast<uint32_t>(step.kind), target);
      return status < 0 ? status : 0;  // only failures end the walk
    }
  }
  return kWalkFailed;
}

int32_t ExpEvalNode(ExpWalk* walk, ExpValue* result) {
  if (walk == nullptr || result == nullptr || walk->record == nullptr) return QX_STATUS_MISSING;
  ExpWalkOrder order;
  Slots slots;
  auto run = [walk, &slots](const ExpStep& step) {
    int32_t status = ExpDoStep(walk, step, slots.data());
    if (walk->trace != nullptr) TraceStep(walk, step, slots.data(), status);
    return status;
  };
  int32_t status = 0;
  ExpProgress progress = ExpProgress::kWaiting;
  while (progress == ExpProgress::kWaiting) {
    const ExpToken* node = walk->read(walk, walk->position, &status);
    if (node == nullptr) break;
    const uint32_t position = walk->position++;
    ExpKindClass kind_class = ExpKindClassOf(node->kind);
    if (kind_class == ExpKindClass::kInfix || kind_class == ExpKindClass::kPrefix) {
      if (!slots.Reserve(ExpSlotsFor(order.depth() + 1)) ||
          !order.Push(node->kind, position)) {
        status = kWalkFailed;
        break;
      }
      continue;
    }
    if (!IsOperand(kind_class)) {
      status = kWalkFailed;
      break;
    }
    ExpStep step = order.Operand(node, position);
    if (status = run(step); status != 0) break;
    progress = order.HandUp(step.target, run, &status);
  }
  ExpFieldReaderFinish(&walk->fields);
  if (progress == ExpProgress::kComplete) {
    ExpValueCopy(result, slots.data()[kExpResultSlot]);
    return 0;
  }
  return status != 0 ? status : kWalkFailed;
}

int32_t ExpEvaluateWalk(ExpWalk* walk, uint32_t* match) {
  if (match == nullptr || walk == nullptr || walk->record == nullptr) return QX_STATUS_MISSING;
  ExpValue result;
  result.type = 0;
  *match = ExpEvalNode(walk, &result) == 0 ? ExpMatchOf(result) : 0;
  return 0;
}

int32_t ExpEvaluate(void* store, const ExpStoreFns* fns, uint32_t* match, const void* record) {
  if (match == nullptr || record == nullptr) return QX_STATUS_MISSING;
  ExpWalk walk;
  ExpWalkInit(&walk, store, fns, record);
  return ExpEvaluateWalk(&walk, match);
}
