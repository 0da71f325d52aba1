// The order of a walk, decided from the nodes alone.
//
// The walk reads nodes in increasing position order. An operator waits for
// its operands; its right operand is made first, then its left one (no
// short-circuit); "not" changes the value under it in place. Where each
// value is made is a slot: slot 0 is the walk's result, slots 1 and 2 hold
// left operands, and slot 3 + d the right operand of the operator waiting at
// depth d. Making a value straight in the slot its operator takes it from
// means that no value is copied on its way up.
//
// The walk over a store follows this order node by node as it reads them;
// a program (program.h) writes the order down once for a filter.
#ifndef QXEXPPAR_EVALUATOR_WALK_ORDER_H
#define QXEXPPAR_EVALUATOR_WALK_ORDER_H

#include <cstdint>
#include <cstring>

#include "evaluator/evaluate.h"
#include "evaluator/growing_array.h"
#include "qxexpc.h"

enum class ExpAction : uint8_t {
  kConstant,  // target = the constant node's value
  kField,     // target = the field node's value from the record
  kList,      // target = the "values"/"range" node's outcome
  kFetch,     // target = the following field node's value in a fetched record
  kNot,       // target = not target
  kApply,     // target = left OP right
};

struct ExpStep {
  ExpAction action;
  uint32_t target;
  uint32_t right;                  // kApply
  uint32_t left;                   // kApply
  int32_t kind;                    // the node's kind, or the operator's
  uint32_t position;               // the node's position
  const ExpToken* node;            // operands: the node
};

inline constexpr uint32_t kExpResultSlot = 0;
inline constexpr uint32_t kExpFirstPendingSlot = 3;

// Where a walk stands after a value was handed up. Kept apart from the
// statuses of steps and stores, which may be any number, positive ones
// included.
enum class ExpProgress : uint8_t {
  kWaiting,   // an operator still waits for its left operand
  kComplete,  // the expression's value is in the result slot
  kFailed,    // a step failed
};

// The slots a walk needs with operators waiting `depth` deep.
inline uint32_t ExpSlotsFor(uint32_t depth) { return kExpFirstPendingSlot + depth; }

// The operators waiting for their operands.
class ExpWalkOrder {
 public:
  ExpWalkOrder() = default;
  ExpWalkOrder(const ExpWalkOrder&) = delete;
  ExpWalkOrder& operator=(const ExpWalkOrder&) = delete;

  uint32_t depth() const { return size_; }

  // An operator node: it waits for its operands. False when no memory is
  // left (or, beyond any memory, its slot would have no number).
  bool Push(int32_t kind, uint32_t position) {
    if (size_ >= UINT32_MAX - kExpFirstPendingSlot || !pending_.Reserve(size_ + 1)) return false;
    pending_.data()[size_++] = Pending{kind, position, false};
    return true;
  }

  // The step that makes the value of the operand node at `position`.
  ExpStep Operand(const ExpToken* node, uint32_t position) const {
    ExpAction action = node->kind == QX_KIND_LITERAL ? ExpAction::kConstant
                       : node->kind == QX_KIND_FIELD ? ExpAction::kField
                       : node->kind == QX_KIND_VALUES || node->kind == QX_KIND_RANGE ? ExpAction::kList
                                                                                     : ExpAction::kFetch;
    return ExpStep{action, PlaceFor(size_, UINT32_MAX), 0, 0, node->kind, position, node};
  }

  // Hands the value just made in slot `value` up to the operators waiting
  // for it: each "not" and each operator whose operands are now both made
  // is given to `apply`, in order, as a step. When `apply` returns a
  // non-zero status, that status is left in *status and the walk has failed.
  template <typename Apply>
  ExpProgress HandUp(uint32_t value, Apply&& apply, int32_t* status) {
    while (size_ > 0) {
      Pending& op = pending_.data()[size_ - 1];
      if (op.kind == QX_KIND_NOT) {
        *status = apply(ExpStep{ExpAction::kNot, value, 0, 0, op.kind, op.position, nullptr});
        if (*status != 0) return ExpProgress::kFailed;
        --size_;
        continue;
      }
      if (!op.have_right) {
        op.have_right = true;
        return ExpProgress::kWaiting;
      }
      uint32_t outcome = PlaceFor(size_ - 1, value);
      ExpStep step{ExpAction::kApply, outcome, PendingSlot(size_ - 1), value, op.kind, op.position, nullptr};
      *status = apply(step);
      if (*status != 0) return ExpProgress::kFailed;
      --size_;
      value = outcome;
    }
    return ExpProgress::kComplete;
  }

 private:
  struct Pending {
    int32_t kind;
    uint32_t position;
    bool have_right;
  };

  static uint32_t PendingSlot(uint32_t depth) { return kExpFirstPendingSlot + depth; }

  // The slot of the value that the operators below entry `above` wait for:
  // the right operand of the nearest binary operator that has none yet, else
  // its left operand (the left slot other than `busy`), else the result.
  uint32_t PlaceFor(uint32_t above, uint32_t busy) const {
    for (uint32_t i = above; i-- > 0;) {
      const Pending& op = pending_.data()[i];
      if (op.kind == QX_KIND_NOT) continue;
      if (!op.have_right) return PendingSlot(i);
      return busy == 1 ? 2 : 1;
    }
    return kExpResultSlot;
  }

  ExpGrowingArray<Pending, 32> pending_;
  uint32_t size_ = 0;
};

// Carries out one step of a walk on its slots. The record's fields are read
// with walk->fields; a list or fetch step reads further nodes through the
// walk, from walk->position (the node after the list or fetch node).
// Returns 0, or the status that fails the walk.
int32_t ExpDoStep(ExpWalk* walk, const ExpStep& step, ExpValue* slots);

#endif
