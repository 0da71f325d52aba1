#include "evaluator/program.h"

#include <cstring>
#include <vector>

#include "compiler/kinds.h"
#include "compiler/list_fields.h"
#include "evaluator/compare.h"
#include "evaluator/field_types.h"
#include "qxdbg.h"

namespace {

constexpr uint16_t kResultSlot = 0;
constexpr uint16_t kLeftSlots[2] = {1, 2};
constexpr uint16_t kFirstPendingSlot = 3;
constexpr int32_t kExcludedRangeMarker = 16;
constexpr int32_t kExcludedValueMarker = 17;

// The walk's pending operators, without values: what PlaceFor and HandUp
// decide from.
struct Pending {
  int32_t kind;
  uint32_t position;
  bool have_right;
  const ExpToken* right_constant;  // the right operand, when it is a constant
};

uint16_t PendingSlot(uint32_t depth) { return static_cast<uint16_t>(kFirstPendingSlot + depth); }

// The place of the next value, as the walk chooses it.
uint16_t PlaceFor(const std::vector<Pending>& pending, size_t above, uint16_t busy) {
  for (size_t i = above; i-- > 0;) {
    if (pending[i].kind == QX_KIND_NOT) continue;
    if (!pending[i].have_right) return PendingSlot(static_cast<uint32_t>(i));
    return busy == kLeftSlots[0] ? kLeftSlots[1] : kLeftSlots[0];
  }
  return kResultSlot;
}

class Builder {
 public:
  Builder(const ExpToken* nodes, uint32_t count) : nodes_(nodes), count_(count) {}

  // Follows the walk over the nodes; false where a program cannot stand in
  // for it.
  bool Build() {
    uint32_t position = 1;
    for (;;) {
      const ExpToken* node = At(position);
      if (node == nullptr) return false;
      ExpKindClass kind_class = ExpKindClassOf(node->kind);
      if (kind_class == ExpKindClass::kInfix || kind_class == ExpKindClass::kPrefix) {
        if (pending_.size() >= kExpMaxDepth) return false;
        pending_.push_back({node->kind, position, false, nullptr});
        ++position;
        continue;
      }
      uint16_t target = PlaceFor(pending_, pending_.size(), UINT16_MAX);
      ExpStep step{ExpAction::kConstant, target, 0, 0, 0, position, position + 1, node, nullptr, 0, nullptr, nullptr, nullptr, nullptr};
      switch (node->kind) {
        case QX_KIND_LITERAL: ++constants_; break;
        case QX_KIND_FIELD: step.action = ExpAction::kField; break;
        case QX_KIND_VALUES:
        case QX_KIND_RANGE:
          step.action = ExpAction::kList;
          if (!ListEnd(position, &step.end)) return false;
          break;
        default:
          return false;  // fetches, and kinds the walk refuses
      }
      steps_.push_back(step);
      position = step.end;
      if (HandUp(target, node->kind == QX_KIND_LITERAL ? node : nullptr)) return true;
    }
  }

  const std::vector<ExpStep>& steps() const { return steps_; }
  uint32_t slots() const { return kFirstPendingSlot + deepest_; }
  uint32_t constants() const { return constants_; }

 private:
  const ExpToken* At(uint32_t position) const {
    return position >= 1 && position <= count_ ? &nodes_[position - 1] : nullptr;
  }

  // As the walk hands a value up (`constant` when it is one): true when the
  // expression is complete.
  bool HandUp(uint16_t value, const ExpToken* constant) {
    if (pending_.size() > deepest_) deepest_ = static_cast<uint32_t>(pending_.size());
    while (!pending_.empty()) {
      Pending& op = pending_.back();
      if (op.kind == QX_KIND_NOT) {
        steps_.push_back({ExpAction::kNot, value, 0, 0, op.kind, op.position, 0, nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr});
        pending_.pop_back();
        constant = nullptr;
        continue;
      }
      if (!op.have_right) {
        op.have_right = true;
        op.right_constant = constant;
        return false;
      }
      uint16_t outcome = PlaceFor(pending_, pending_.size() - 1, value);
      ExpStep apply{ExpAction::kApply, outcome, PendingSlot(static_cast<uint32_t>(pending_.size() - 1)),
                    value, op.kind, op.position, 0, nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr};
      if (op.right_constant != nullptr) {
        apply.right_type = ExpResolveTypeCode(static_cast<uint32_t>(op.right_constant->type), op.right_constant->length);
        apply.rule = ExpRuleFor(apply.right_type);
      }
      steps_.push_back(apply);
      pending_.pop_back();
      value = outcome;
      constant = nullptr;
    }
    return true;
  }

  // The position after the last constant of the list at `position`, as the
  // list's evaluation reaches it: its blocks' sizes come from the group
  // numbers of their first nodes and do not depend on the record.
  bool ListEnd(uint32_t position, uint32_t* end) const {
    ExpListField fields[kExpMaxListFields];
    const auto count = static_cast<uint64_t>(ExpReadListFields(At(position), fields));
    const ExpToken* first = At(position + 1);
    if (count == 0 || first == nullptr) return false;
    uint64_t last = position;  // the last node consumed
    if (At(position)->kind == QX_KIND_VALUES) {
      last += uint64_t{first->group} * count;
    } else {
      int32_t marker = first->offset;
      uint32_t group = first->group;
      if (marker == kExcludedRangeMarker) {
        last += uint64_t{group} * 2 * count;
        if (last + 1 > count_) return false;
        marker = At(static_cast<uint32_t>(last + 1))->offset;
        group = At(static_cast<uint32_t>(last + 1))->group;
      }
      if (marker == kExcludedValueMarker) last += uint64_t{group} * count;
      last += 2 * count;
    }
    if (last > count_) return false;
    *end = static_cast<uint32_t>(last + 1);
    return true;
  }

  const ExpToken* nodes_;
  uint32_t count_;
  std::vector<Pending> pending_;
  std::vector<ExpStep> steps_;
  uint32_t deepest_ = 0;
  uint32_t constants_ = 0;
};

}  // namespace

bool ExpBuildProgram(const ExpToken* nodes, uint32_t count, ExpProgram* program) {
  *program = ExpProgram{nullptr, 0, nullptr, 0, nullptr};
  if (nodes == nullptr || count == 0) return false;
  // The work-out may allocate with the C++ heap; it runs once per filter,
  // and a failure only leaves the filter to the walk.
  try {
    Builder builder(nodes, count);
    if (!builder.Build()) return false;
    const std::vector<ExpStep>& steps = builder.steps();
    auto* copy = static_cast<ExpStep*>(qxdbgMalloc(steps.size() * sizeof(ExpStep)));
    auto* slots = static_cast<ExpValue*>(qxdbgMalloc(builder.slots() * sizeof(ExpValue)));
    auto* constants = static_cast<ExpValue*>(qxdbgMalloc((builder.constants() + 1) * sizeof(ExpValue)));
    if (copy == nullptr || slots == nullptr || constants == nullptr) {
      qxdbgFree(copy);
      qxdbgFree(slots);
      qxdbgFree(constants);
      return false;
    }
    std::memcpy(copy, steps.data(), steps.size() * sizeof(ExpStep));
    std::memset(constants, 0, (builder.constants() + 1) * sizeof(ExpValue));
    uint32_t made = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
      copy[i].target_value = &slots[copy[i].target];
      copy[i].right_value = &slots[copy[i].right];
      copy[i].left_value = &slots[copy[i].left];
      if (copy[i].action != ExpAction::kConstant) continue;
      ExpConstantValue(copy[i].node, &constants[made]);
      copy[i].constant = &constants[made++];
    }
    *program = ExpProgram{copy, static_cast<uint32_t>(steps.size()), slots, builder.slots(), constants};
    return true;
  } catch (...) {
    return false;
  }
}

void ExpFreeProgram(ExpProgram* program) {
  qxdbgFree(program->steps);
  qxdbgFree(program->slots);
  qxdbgFree(program->constants);
  *program = ExpProgram{nullptr, 0, nullptr, 0, nullptr};
}

int32_t ExpRunProgram(const ExpProgram* program, ExpWalk* walk, uint32_t* match, uint32_t* last_read) {
  ExpValue* slots = program->slots;
  int32_t status = 0;
  for (uint32_t i = 0; i < program->step_count && status == 0; ++i) {
    const ExpStep& step = program->steps[i];
    ExpValue* target = step.target_value;
    switch (step.action) {
      case ExpAction::kConstant:
        *last_read = step.position;
        ExpValueCopy(target, *step.constant);
        break;
      case ExpAction::kField:
        *last_read = step.position;
        status = ExpFieldValue(step.node, &walk->fields, target);
        break;
      case ExpAction::kList:
        *last_read = 0;
        walk->position = step.position + 1;
        status = ExpEvalList(walk, step.node, target);
        break;
      case ExpAction::kNot:
        if (target->type != kLogicalType) {
          status = QX_STATUS_UNSUPPORTED;
        } else {
          ExpSetTruth(target, ExpValueWord(*target) == 0);
        }
        break;
      case ExpAction::kApply: {
        target->length = 0;
        ExpValue* right = step.right_value;
        ExpValue* left = step.left_value;
        if (step.rule != nullptr) {
          // What ExpCompareValues does, with the right operand's type known.
          right->type = step.right_type;
          left->type = ExpResolveTypeCode(left->type, right->length);
          target->type = right->type;
          status = step.rule(right, left, static_cast<uint32_t>(step.kind), target);
        } else {
          status = ExpCompareValues(right, left, static_cast<uint32_t>(step.kind), target);
        }
        if (status > 0) status = 0;  // only failures end the walk
        break;
      }
    }
  }
  ExpFieldReaderFinish(&walk->fields);
  *match = status == 0 && slots[kResultSlot].type == kLogicalType ? ExpValueWord(slots[kResultSlot]) : 0;
  return 0;
}
