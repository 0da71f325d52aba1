// A stored expression worked out once for the walk.
//
// The order in which the walk makes values and applies operators, and where
// each value goes, follow from the nodes alone; only the values depend on
// the record. A program is that order written down as steps, so that an
// expression evaluated against many records does not work it out for each
// one. Running a program gives exactly what the walk over the same nodes
// gives (it calls the same value makers and comparisons in the same order).
#ifndef QXEXPPAR_EVALUATOR_PROGRAM_H
#define QXEXPPAR_EVALUATOR_PROGRAM_H

#include <cstdint>

#include "evaluator/compare.h"
#include "evaluator/evaluate.h"
#include "evaluator/exp_value.h"

enum class ExpAction : uint8_t {
  kConstant,  // target = the constant node's value
  kField,     // target = the field node's value from the record
  kList,      // target = the "values"/"range" node's outcome
  kNot,       // target = not target
  kApply,     // target = left OP right
};

struct ExpStep {
  ExpAction action;
  uint16_t target;
  uint16_t right;
  uint16_t left;
  int32_t kind;          // the operator, for kNot and kApply
  uint32_t position;     // the node's position
  uint32_t end;          // kList: the position after the list's last constant
  const ExpToken* node;  // the node, for operands
  // kConstant: the constant's value, made once. kApply with a constant on
  // the right: its resolved type and the rule for it, chosen once.
  const ExpValue* constant;
  uint32_t right_type;
  ExpRule rule;
  // The slots themselves, once the program has them.
  ExpValue* target_value;
  ExpValue* right_value;
  ExpValue* left_value;
};

struct ExpProgram {
  ExpStep* steps;
  uint32_t step_count;
  ExpValue* slots;      // slot 0 is the result
  uint32_t slot_count;
  ExpValue* constants;  // the constants' values, one per constant step
};

// Works out the program of the nodes at positions 1 to `count`
// (`nodes[i]` at position i + 1). False, with nothing allocated, when the
// nodes hold what a program does not cover (record fetches, kinds the walk
// refuses, lists whose extent cannot be told, a node the walk would miss,
// nesting beyond kExpMaxDepth) or no memory is left: the walk then runs over
// the nodes themselves.
bool ExpBuildProgram(const ExpToken* nodes, uint32_t count, ExpProgram* program);

void ExpFreeProgram(ExpProgram* program);

// Runs the program for walk->record (the walk supplies the field reader and
// reads list constants) and sets *match as ExpEvaluateWalk would. Returns 0.
// *last_read is the position of the last node the walk would have read, or
// 0 when that was a list constant (read through the walk's reader).
int32_t ExpRunProgram(const ExpProgram* program, ExpWalk* walk, uint32_t* match, uint32_t* last_read);

#endif
