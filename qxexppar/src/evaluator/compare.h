// Typed comparison: one operator applied to two typed values.
//
// The right operand's FieldType code governs (see field_types.h): it picks
// the rule, and the width and signedness at which both values are read.
// Every comparison computes L OP R, the left operand on the left.
#ifndef QXEXPPAR_EVALUATOR_COMPARE_H
#define QXEXPPAR_EVALUATOR_COMPARE_H

#include <cstdint>

#include "evaluator/exp_value.h"

// Applies `op` (a QX_KIND_* operator code) to `left` and `right` and writes
// the outcome into `result`: a truth (type 9, first word 1 or 0), or for
// "+" and "-" on 8/16/32-bit integers a number of the right operand's type.
// Variable-width codes of both operands are first resolved by the right
// operand's length; trailing blanks of texts are trimmed in place.
// Returns 0, or:
//  -1  the right operand's code is unknown or unresolved, the operator is
//      not admitted by its family ("!=" on texts, "and" on numbers, ...), or
//      the left operand's code is not admitted;
//  -2  an argument is missing;
//  -3  the right code is not comparable (34-36), a timestamp meets a left
//      operand that is no stamp, a bfloat constant is not 4 or 8 bytes, a
//      text meets a left operand that is no text, "+"/"-" would give a type
//      outside 1-6, or a numeric value's length lies outside its value area;
//  -4  date/time operands differ in type or length.
int32_t ExpCompareValues(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result);

// The rule of one right-operand type: what ExpCompareValues applies once
// both codes are resolved and the result's type is set. A caller that knows
// the right operand's type in advance (a constant's) picks the rule once.
using ExpRule = int32_t (*)(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result);
ExpRule ExpRuleFor(uint32_t right_type);

// Compares l OP r after scaling both by 1,000,000 (no tolerance: equal only
// when the scaled products are the same double). Sets *truth and makes
// `result` that truth. -1 for an operator that is no comparison.
int32_t ExpCompareDoubles(double right, double left, uint32_t* truth, uint32_t op, uint32_t type,
                          ExpValue* result);

// Dates (type 10) and times (type 11) of equal type and length: "=" and
// "!=" on the bytes, orderings by component from the most significant.
int32_t ExpCompareDateTime(ExpValue* right, ExpValue* left, uint32_t* truth, uint32_t op,
                           ExpValue* result);

// An MBF field value (`left`) against an IEEE constant (`right`) of
// `length` bytes (4 or 8).
int32_t ExpCompareBfloat(const unsigned char* right, const unsigned char* left, uint32_t* truth,
                         uint32_t op, uint32_t type, ExpValue* result, uint32_t length);

// 0 when the MBF value equals the IEEE value of `length` bytes (4: float,
// otherwise double), 1 when it is greater, -1 when smaller or unordered.
int32_t MbfCompare(const unsigned char* mbf, const unsigned char* ieee, uint32_t length);

// Converts an 8-byte MBF double to an IEEE double, truncating the three
// lowest fraction bits; returns 1 when a dropped bit was set.
uint32_t MbfDoubleToIeee(const unsigned char* mbf, double* ieee);

// Replaces the trailing blanks of the first `length` bytes of `text` with
// NUL bytes, from the last byte backwards. Nothing for a missing text or a
// length below 1.
void TrimTrailingBlanks(unsigned char* text, int32_t length);

#endif
