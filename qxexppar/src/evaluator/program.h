// A stored expression worked out once for the walk.
//
// The order of a walk (walk_order.h) follows from the nodes alone; only the
// values depend on the record. A program is that order written down as
// steps, so that a filter evaluated against many records does not work it
// out for each one: the constants' values are made once, and for an
// operator whose right operand is a constant, the comparison rule is chosen
// once. Running a program gives exactly what the walk over the same nodes
// gives: the same steps, in the same order.
#ifndef QXEXPPAR_EVALUATOR_PROGRAM_H
#define QXEXPPAR_EVALUATOR_PROGRAM_H

#include <cstdint>

#include "evaluator/compare.h"
#include "evaluator/evaluate.h"
#include "evaluator/exp_value.h"
#include "evaluator/walk_order.h"

struct ExpProgramStep {
  ExpStep step;
  uint32_t end;              // kList: the position after the list's last constant
  const ExpValue* constant;  // kConstant: its value, made once
  uint32_t right_type;       // kApply whose right operand's type is known: that type, resolved
  ExpRule rule;              // ... and the rule for it; nullptr otherwise
  ExpValue* target;          // the step's slots in the program's slots
  ExpValue* right;
  ExpValue* left;
};

struct ExpProgram {
  ExpProgramStep* steps;
  uint32_t step_count;
  ExpValue* slots;      // kExpResultSlot holds the outcome
  ExpValue* constants;  // the constants' values by position (other nodes: unset)
};

// Works out the program of the nodes at positions 1 to `count`
// (`nodes[i]` at position i + 1). False, with nothing allocated, when the
// nodes hold what a program does not cover (record fetches, kinds the walk
// refuses, lists whose extent cannot be told, a node the walk would miss)
// or no memory is left: the walk then runs over
// the nodes themselves.
bool ExpBuildProgram(const ExpToken* nodes, uint32_t count, ExpProgram* program);

void ExpFreeProgram(ExpProgram* program);

// Runs the program for walk->record (the walk supplies the field reader and
// reads list constants) and sets *match as ExpEvaluateWalk would. Returns 0.
// *last_read is the position of the last node the walk would have read, or
// 0 when that was a list constant (read through the walk's reader).
int32_t ExpRunProgram(const ExpProgram* program, ExpWalk* walk, uint32_t* match, uint32_t* last_read);

#endif
