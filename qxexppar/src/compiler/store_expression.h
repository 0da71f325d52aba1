// Compiling a whole expression text into a store: the text is scanned, the
// value lists of "range" and "values" are assembled, every token goes
// through the postfix converter and, only when the whole text was read
// without error, the nodes go to the store's AddNewExpNode, root first.
//
// List syntax (N is the list's field count, 1 to 5; a value group is N
// literal values, the i-th with the type and length of the i-th field):
//   range N FIELDS LOW HIGH [exclude values GROUP...] [exclude range LOW HIGH]...
//   values N FIELDS GROUP...
// A field whose length is 0 takes the length of the first value read for
// it. The values are marked in `offset` and `group`: range bounds -1 and 0;
// "values" groups -1 and 1, 2, ...; "exclude values" groups 17 and 1, 2,
// ...; "exclude range" pairs 16 and 1, 2, ... (both groups of a pair).
#ifndef QXEXPPAR_COMPILER_STORE_EXPRESSION_H
#define QXEXPPAR_COMPILER_STORE_EXPRESSION_H

#include <cstdint>

#include "compiler/list_fields.h"
#include "compiler/scanner.h"
#include "qxexpc.h"

// Where reading stopped, in the caller's text.
struct ExpCompileStop {
  int32_t offset;  // byte offset of the word
  int32_t length;  // its length in bytes; 0 for a place rather than a word
};

// Compiles the first `length` bytes of `text` (up to a NUL, if one comes
// first) into `store` through `fns`: QXExpStoreExpression, which wraps it,
// documents the statuses. `stop`, when given, receives the word where
// reading stopped: on a failure found while reading, the word read last
// (the one that was refused, or the place where the text ran out); on
// success, or a failure of the conversion or of the store after the whole
// text was read, the end of the text; {0, 0} for a missing argument or no
// memory.
int32_t ExpCompileText(void* store, const ExpStoreFns* fns, const char* text, int32_t length,
                       ExpCompileStop* stop);

// Reads one value group of `count` (1 to 5) values into `group` (room for
// five tokens), checking each against its field in `fields`. Returns 0;
// -12 when the first token is an operator, "not" or a parenthesis (left in
// group[0]); -13 when it is "exclude range"; -16 when the text ends before
// it; -14 when a value is not a literal of its field's type and length, or
// its scan failed (the offending token is copied to group[0]); -2 for a
// count outside 1 to 5 or a missing argument.
int32_t ReadValueGroup(ExpScanner* scanner, int32_t count, ExpListField* fields, ExpToken* group);

// Reads the groups of a "values" or "exclude values" list and adds them to
// the builder, each value marked with `marker` in `offset` and its group
// number (from 1) in `group`. Returns the status that ended the list: -12
// (an operator, left in group[0]), -13 ("exclude range" came next), -14 or
// -16; -14 also when no group was read; or the status of a failed addition.
int32_t ReadValueGroups(ExpScanner* scanner, ExpBuilder* builder, ExpToken* group, ExpListField* fields,
                        int32_t count, int32_t marker);

#endif
