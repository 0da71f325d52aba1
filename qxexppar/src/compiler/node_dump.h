// A compiled expression for people: each stored node described column by
// column, and the whole expression written back in infix form with every
// grouping made explicit by parentheses, so that a reader sees how the
// priorities bound it: x = 1 and y = 2 or z = 3 (with x, y, z and the
// numbers written out as operands of the language) comes back as
//   ( x = 1 ) and ( ( y = 2 ) or ( z = 3 ) )
// Every operation but the outermost is in parentheses, which stand apart as
// the language wants its words. The infix text of
// a compiled expression compiles back to the same nodes.
//
// For tools and tests, not for the evaluation path: the texts are
// std::string, which may throw std::bad_alloc.
#ifndef QXEXPPAR_COMPILER_NODE_DUMP_H
#define QXEXPPAR_COMPILER_NODE_DUMP_H

#include <cstdint>
#include <string>

#include "qxexpc.h"

// One node, column by column (position, offset, length and group are the
// node's own numbers).
struct ExpNodeRow {
  std::string kind;   // "and", "=", "val", "field", "values", "getrecid val", ...
  std::string type;   // "4 int", "12 float", "9"; "-" for operators (-1)
  std::string attrs;  // "10.2"; "-" when both are 0
  // Literals: the value as written ("17", "\"ABC\"", "2 29 2000"); fields:
  // the reference ("db 0 4 int"); lists: their fields; fetches: the record
  // number or the field that holds it; empty for operators.
  std::string value;
};

ExpNodeRow ExpDescribeNode(const ExpToken& node);

// Why nodes could not be written back. The walk would fail on the same
// nodes, so the expression matches no record.
enum class ExpInfixProblem {
  kNone,
  kUnknownKind,     // a kind the walk does not evaluate (a parenthesis, for one)
  kListShape,       // a list's constants are not where its counts say
  kMissingOperand,  // the nodes end before an operator has its operands
  kTooDeep,         // nesting deeper than kExpInfixMaxDepth
};

inline constexpr int kExpInfixMaxDepth = 500;

struct ExpInfix {
  ExpInfixProblem problem = ExpInfixProblem::kNone;
  std::string text;        // the expression, when there is no problem
  uint32_t used = 0;       // the walk reads nodes 1 to `used`; later ones never
  uint32_t position = 0;   // with a problem: the node where it lies
};

// Writes back the `count` nodes of `nodes` (position 1 first): operators
// with their operands, the walk's way: each operator is followed by its
// right operand's nodes, then its left operand's; lists by their constants.
ExpInfix ExpRenderInfix(const ExpToken* nodes, uint32_t count);

// A sentence for each problem: "a node the evaluation does not know".
const char* ExpInfixProblemText(ExpInfixProblem problem);

#endif
