// Typed values and operands written as the expression language writes them,
// for people: dumps of compiled nodes, traces of evaluations, tables of
// records. What these functions write for an operand of the scanner's making
// compiles back to the same node.
//
// For tools and tests, not for the evaluation path: the texts are
// std::string, which may throw std::bad_alloc.
#ifndef QXEXPPAR_COMPILER_VALUE_TEXT_H
#define QXEXPPAR_COMPILER_VALUE_TEXT_H

#include <cstdint>
#include <string>

#include "qxexpc.h"

// Where a value's bytes come from. They read alike except for "bfloat"
// (code 19), which fields hold in MBF and constants in IEEE form, and "bit"
// (code 26), whose fields are read under their mask (attr2).
enum class ExpValueSource { kConstant, kField };

// One typed value: `length` bytes at `bytes`, little-endian numbers.
struct ExpValueView {
  uint32_t type;
  int32_t length;
  int32_t attr2;
  const unsigned char* bytes;
};

// The value as a literal of the language gives it after its type name,
// without the quotes of texts and timestamps:
//   integers            17, -3
//   texts               ABC (up to a NUL, trailing blanks dropped)
//   "date"              2 29 2000 (month day year)
//   "time"              23:59:59, with .hh when hundredths are set
//   timestamps          2/29/2000 10:11:12 (seconds stamps and 100-ns counts)
//   floating values     3.5 (the shortest text that reads back the same)
//   packed and numeric  12.50 (as the evaluator reads them; ? when invalid)
//   "currency" fields   12.5 (the count of ten-thousandths as a decimal)
//   "bit"               1 or 0
//   "logical" (1 byte)  the character, or its number when not printable
//   truths (code 9)     true, false
// Codes without a reading give their bytes in hex: 0x0a1b. Control
// characters in a text read as "?".
std::string ExpValueText(const ExpValueView& value, ExpValueSource source);

// A field reference as the language writes it: "db 0 4 int",
// "qx 120 8 char", "db 20 5 decimal 9.2". Offsets from 386 up are written as
// "db" offsets, others as "qx" ones. A code that no type name gives at that
// length is written by number ("ldr7"); one that no name gives at all as
// "ldr?NN", which does not compile.
std::string ExpFieldText(int32_t offset, int32_t length, int32_t type, int32_t attr1, int32_t attr2);

// An operand node as the language writes it: a literal ("val 4 int 17",
// "val 8 char \"ABC\""), a field reference, or a record fetch
// ("getrecid val 12", "getrecid qx 8"). Other kinds give their kind name.
std::string ExpOperandText(const ExpToken& node);

// The value part of a literal node, quotes included where the language
// writes them: 17, "ABC", 2 29 2000, "2/29/2000 10:11:12".
std::string ExpLiteralValueText(const ExpToken& node);

#endif
