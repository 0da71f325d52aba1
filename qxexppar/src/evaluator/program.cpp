#include "evaluator/program.h"

#include <cstring>
#include <vector>

#include "compiler/kinds.h"
#include "compiler/list_fields.h"
#include "evaluator/exp_value.h"
#include "evaluator/field_types.h"
#include "qxdbg.h"

namespace {

class Builder {
 public:
  Builder(const ExpToken* nodes, uint32_t count) : nodes_(nodes), count_(count) {}

  // Follows the walk over the nodes; false where a program cannot stand in
  // for it.
  bool Build() {
    auto record = [this](const ExpStep& step) {
      steps_.push_back(ExpProgramStep{step, 0, nullptr, 0, nullptr, nullptr, nullptr, nullptr});
      Infer(&steps_.back());
      return 0;
    };
    uint32_t position = 1;
    for (;;) {
      const ExpToken* node = At(position);
      if (node == nullptr) return false;
      ExpKindClass kind_class = ExpKindClassOf(node->kind);
      if (kind_class == ExpKindClass::kInfix || kind_class == ExpKindClass::kPrefix) {
        if (!order_.Push(node->kind, position)) return false;
        if (order_.depth() > deepest_) deepest_ = order_.depth();
        ++position;
        continue;
      }
      // Fetches call the host: they stay with the walk.
      if (kind_class != ExpKindClass::kLiteral && kind_class != ExpKindClass::kField &&
          kind_class != ExpKindClass::kList) {
        return false;
      }
      ExpStep step = order_.Operand(node, position);
      uint32_t next = position + 1;
      if (step.action == ExpAction::kList && !ListEnd(position, &next)) return false;
      record(step);
      steps_.back().end = next;
      position = next;
      int32_t status = 0;
      if (order_.HandUp(step.target, record, &status) == ExpProgress::kComplete) return true;
    }
  }

  std::vector<ExpProgramStep>& steps() { return steps_; }

 private:
  // What a slot holds once a step has made it, as far as the nodes tell:
  // the type and length its value will have whatever the record.
  struct Known {
    bool known;
    uint32_t type;
    int32_t length;
  };

  // Notes the type and length the step's value will have and, for an
  // operator whose right operand's type is known, picks its rule: a value
  // keeps its node's type and length (constants, fields); lists, "not" and
  // comparisons give truths; "+" and "-" give a number of the right
  // operand's type and width.
  void Infer(ExpProgramStep* s) {
    const ExpStep& step = s->step;
    if (known_.size() <= step.target) known_.resize(step.target + 1u, Known{false, 0, 0});
    Known made{true, kLogicalType, 4};
    switch (step.action) {
      case ExpAction::kConstant:
      case ExpAction::kField:
        made = {true, static_cast<uint32_t>(step.node->type), step.node->length};
        break;
      case ExpAction::kList:
        made = {true, kLogicalType, -1};
        break;
      case ExpAction::kFetch:
        made = {false, 0, 0};
        break;
      case ExpAction::kNot:
        break;
      case ExpAction::kApply: {
        Known right = step.right < known_.size() ? known_[step.right] : Known{false, 0, 0};
        if (!right.known) {
          made = {false, 0, 0};
          break;
        }
        s->right_type = ExpResolveTypeCode(right.type, right.length);
        s->rule = ExpRuleFor(s->right_type);
        const ExpTypeCodeInfo& family = ExpTypeCodeOf(s->right_type);
        if ((step.kind == QX_KIND_PLUS || step.kind == QX_KIND_MINUS) && family.family == ExpFamily::kInteger) {
          made = {true, s->right_type, s->right_type <= 2 ? 2 : s->right_type <= 4 ? 4 : 1};
        }
        break;
      }
    }
    known_[step.target] = made;
  }

 public:
  uint32_t slots() const { return ExpSlotsFor(deepest_); }

 private:
  const ExpToken* At(uint32_t position) const {
    return position >= 1 && position <= count_ ? &nodes_[position - 1] : nullptr;
  }

  // The position after the last constant of the list at `position`: its
  // blocks' sizes come from the group numbers of their first nodes and do
  // not depend on the record.
  bool ListEnd(uint32_t position, uint32_t* end) const {
    ExpListField fields[kExpMaxListFields];
    const auto count = static_cast<uint32_t>(ExpReadListFields(At(position), fields));
    const ExpToken* first = At(position + 1);
    if (count == 0 || first == nullptr) return false;
    const ExpListBlock first_block{first->offset, first->group};
    const uint64_t ranges = ExpListExcludedRangeNodes(count, first_block);
    ExpListBlock after_ranges{kExpListMarker, 0};
    if (ranges > 0) {
      const ExpToken* after = ranges < count_ ? At(static_cast<uint32_t>(position + ranges + 1)) : nullptr;
      if (after == nullptr) return false;
      after_ranges = {after->offset, after->group};
    }
    const uint64_t last =
        position + ExpListConstantCount(At(position)->kind == QX_KIND_RANGE, count, first_block, after_ranges);
    if (last > count_) return false;
    *end = static_cast<uint32_t>(last + 1);
    return true;
  }

  const ExpToken* nodes_;
  uint32_t count_;
  ExpWalkOrder order_;
  std::vector<ExpProgramStep> steps_;
  std::vector<Known> known_;
  uint32_t deepest_ = 0;
};

}  // namespace

bool ExpBuildProgram(const ExpToken* nodes, uint32_t count, ExpProgram* program) {
  *program = ExpProgram{nullptr, 0, nullptr, nullptr};
  if (nodes == nullptr || count == 0) return false;
  // The work-out may allocate with the C++ heap; it runs once per filter,
  // and a failure only leaves the filter to the walk.
  try {
    Builder builder(nodes, count);
    if (!builder.Build()) return false;
    std::vector<ExpProgramStep>& steps = builder.steps();
    auto* copy = static_cast<ExpProgramStep*>(qxdbgMalloc(steps.size() * sizeof(ExpProgramStep)));
    auto* slots = static_cast<ExpValue*>(qxdbgMalloc(builder.slots() * sizeof(ExpValue)));
    auto* constants = static_cast<ExpValue*>(qxdbgMalloc(count * sizeof(ExpValue)));
    if (copy == nullptr || slots == nullptr || constants == nullptr) {
      qxdbgFree(copy);
      qxdbgFree(slots);
      qxdbgFree(constants);
      return false;
    }
    // Every constant's value, by position: the constant steps and the lists'
    // scans take them from here.
    for (uint32_t i = 0; i < count; ++i) {
      if (nodes[i].kind == QX_KIND_LITERAL) ExpConstantValue(&nodes[i], &constants[i]);
    }
    for (ExpProgramStep& s : steps) {
      s.target = &slots[s.step.target];
      s.right = &slots[s.step.right];
      s.left = &slots[s.step.left];
      if (s.step.action == ExpAction::kConstant) s.constant = &constants[s.step.position - 1];
    }
    std::memcpy(copy, steps.data(), steps.size() * sizeof(ExpProgramStep));
    *program = ExpProgram{copy, static_cast<uint32_t>(steps.size()), slots, constants};
    return true;
  } catch (...) {
    return false;
  }
}

void ExpFreeProgram(ExpProgram* program) {
  qxdbgFree(program->steps);
  qxdbgFree(program->slots);
  qxdbgFree(program->constants);
  *program = ExpProgram{nullptr, 0, nullptr, nullptr};
}

int32_t ExpRunProgram(const ExpProgram* program, ExpWalk* walk, uint32_t* match, uint32_t* last_read) {
  ExpValue* slots = program->slots;
  walk->constant_values = program->constants;
  int32_t status = 0;
  const ExpProgramStep* const end = program->steps + program->step_count;
  for (const ExpProgramStep* s = program->steps; s != end && status == 0; ++s) {
    const ExpStep& step = s->step;
    ExpValue* target = s->target;
    switch (step.action) {
      case ExpAction::kConstant:
        *last_read = step.position;
        ExpValueCopy(target, *s->constant);
        break;
      case ExpAction::kField:
        *last_read = step.position;
        status = ExpFieldValue(step.node, &walk->fields, target);
        break;
      case ExpAction::kApply:
        if (s->rule != nullptr) {
          // What ExpCompareValues does, with the right operand's type known.
          ExpValue* right = s->right;
          ExpValue* left = s->left;
          target->length = 0;
          right->type = s->right_type;
          left->type = ExpResolveTypeCode(left->type, right->length);
          target->type = right->type;
          status = s->rule(right, left, static_cast<uint32_t>(step.kind), target);
          if (status > 0) status = 0;  // only failures end the walk
          break;
        }
        status = ExpDoStep(walk, step, slots);
        break;
      case ExpAction::kList:
        *last_read = 0;
        walk->position = step.position + 1;
        status = ExpDoStep(walk, step, slots);
        break;
      default:
        status = ExpDoStep(walk, step, slots);
        break;
    }
  }
  ExpFieldReaderFinish(&walk->fields);
  *match = status == 0 ? ExpMatchOf(slots[kExpResultSlot]) : 0;
  return 0;
}
