// The token kinds of the expression language: class, priority and text.
#ifndef QXEXPPAR_COMPILER_KINDS_H
#define QXEXPPAR_COMPILER_KINDS_H

#include <array>
#include <cstdint>

#include "qxexpc.h"

// How the postfix converter treats a kind.
enum class ExpKindClass : int32_t {
  kNone = 0,           // never converted (unknown kinds, "exclude" forms)
  kInfix = 1,          // binary operator
  kList = 2,           // "range", "values"
  kLiteral = 3,        // operand: "val" form
  kField = 4,          // operand: "qx"/"db" form
  kPrefix = 5,         // "not"
  kParenthesis = 6,    // "(" and ")"
  kFetchByNumber = 7,  // operand: "getrecid" "val"
  kFetchByField = 8,   // operand: "getrecid" "qx"/"db"
};

struct ExpKindInfo {
  int32_t kind;
  ExpKindClass kind_class;
  int32_t priority;  // higher binds tighter; -1 for non-operators
  const char* word;  // the word of the language, nullptr for operand forms
  const char* name;  // for people: dumps, traces, messages
};

// The entry of `kind`, or nullptr for a kind outside the table.
const ExpKindInfo* ExpFindKind(int32_t kind);

// The class of every kind from 0 to kExpHighestKind, for the one-step
// look-up below (the converter and the walk ask once per token or node).
inline constexpr int32_t kExpHighestKind = QX_KIND_FETCH_BY_FIELD;
extern const std::array<ExpKindClass, kExpHighestKind + 1> kExpKindClasses;

// Class and priority of any kind: class kNone and priority -1 outside the table.
inline ExpKindClass ExpKindClassOf(int32_t kind) {
  return kind >= 0 && kind <= kExpHighestKind ? kExpKindClasses[kind] : ExpKindClass::kNone;
}
int32_t ExpKindPriority(int32_t kind);

// The operator or parenthesis written as `word` (exact, case-insensitive
// for "and", "or", "not"), or nullptr.
const ExpKindInfo* ExpFindOperatorWord(const char* word);

// Every entry, in kind order, for tools and tests.
const ExpKindInfo* ExpKindTable(int* count);

#endif
