// The evaluation walk: decides whether a record matches a stored expression.
//
// A stored expression is its postfix sequence reversed: position 1 holds the
// root operator, and every operator is followed by the nodes of its right
// operand, then those of its left operand. The walk reads the nodes in
// increasing position order with one running position, evaluating the right
// operand of each operator before its left one; there is no short-circuit.
#ifndef QXEXPPAR_EVALUATOR_EVALUATE_H
#define QXEXPPAR_EVALUATOR_EVALUATE_H

#include <cstdint>

#include "compiler/list_fields.h"
#include "evaluator/exp_value.h"
#include "evaluator/field_reader.h"
#include "qxexpc.h"

struct ExpWalk;

// Told of every node the walk evaluates: an operand when its value is made,
// an operator when its outcome is made; `status` is non-zero when making it
// failed (the walk then ends). `position` is the node's position.
using ExpTraceFn = void (*)(void* context, uint32_t position, const ExpToken* node,
                            const ExpValue* value, int32_t status);

// Reads the node at `position` for the walk: a pointer to it (valid until the
// next read), or nullptr with *status set to the store's non-zero status.
using ExpReadNodeFn = const ExpToken* (*)(ExpWalk* walk, uint32_t position, int32_t* status);

// The state of one walk: where nodes come from, the record, the position.
struct ExpWalk {
  ExpReadNodeFn read;
  void* store;                   // the store handle
  const ExpStoreFns* fns;        // GetExpNode for the generic reader; FetchRecord
  const unsigned char* record;   // the RecordBuffer
  ExpFieldReader fields;         // reads the record's fields
  uint32_t position;             // the next node to read
  const ExpValue* constant_values;  // null, or the constants' values made ahead, by position
  ExpTraceFn trace;              // null, or told of every node evaluated
  void* trace_context;
  ExpToken scratch;              // the generic reader's copy of a node
};

// Starts a walk at position 1 that reads nodes with `read`, or, when it is
// null, through fns->GetExpNode.
void ExpWalkInit(ExpWalk* walk, void* store, const ExpStoreFns* fns, const void* record,
                 ExpReadNodeFn read = nullptr);

// The match a walk's outcome gives: 1 for a true logical value, 0 for a
// false one or any other value. A logical value read straight from a field
// ("ldr9") may hold any word; it matches when the word is not 0.
inline uint32_t ExpMatchOf(const ExpValue& outcome) {
  return outcome.type == kLogicalType && ExpValueWord(outcome) != 0 ? 1 : 0;
}

// Evaluates `walk` into *match (1 or 0). Every failure of the walk reads as
// no match with status 0; -2 only when `match` or the record is missing.
int32_t ExpEvaluateWalk(ExpWalk* walk, uint32_t* match);

// Evaluates the stored expression of `store` against `record`: the entry of
// every evaluating operation. As ExpEvaluateWalk.
int32_t ExpEvaluate(void* store, const ExpStoreFns* fns, uint32_t* match, const void* record);

// Evaluates the subtree whose root node stands at walk->position into
// `result`, leaving the position on the first node after the subtree, and
// restores the field-conversion service's return form before returning.
// Returns 0, or the status that failed the walk: a store status, -1 (an
// unknown node kind, "not" of a non-logical value, no memory for a fetch or
// for the waiting operators), -2 (a fetch without FetchRecord), -3 (a list
// node or list constant out of shape), -17 (a field not available), or a
// comparison status.
int32_t ExpEvalNode(ExpWalk* walk, ExpValue* result);

// A "values" or "range" node: the fields' tuple against the list constants
// that follow the node; leaves the position after the list's last constant.
int32_t ExpEvalList(ExpWalk* walk, const ExpToken* list, ExpValue* result);

// Tests the field tuple against `pairs` range pairs (upper bounds, then
// lower bounds, inclusive); *inside is 1 when it lies within one of them.
int32_t ExpScanRanges(ExpWalk* walk, uint32_t pairs, uint32_t count, ExpValue* fields,
                      uint32_t* inside);

// Tests the field tuple against `tuples` value tuples by their stored bytes
// (with tolerances for floating codes 59, 62 and stamp code 61); *found is 1
// when one of them equals it.
int32_t ExpScanValues(ExpWalk* walk, uint32_t tuples, uint32_t count, ExpValue* fields,
                      uint32_t* found);

// Fills `value` with a constant node's description and value bytes.
void ExpConstantValue(const ExpToken* node, ExpValue* value);



#endif
