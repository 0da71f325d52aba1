// Field values written in cells, as the expression language writes literal
// values after "val LENGTH TYPE": 17, 2 29 2000 (month day year), 23:59:59,
// 2/29/2000 10:11:12, 12.50, Y, texts as they are (without the language's
// quotes). Each cell is read by the language's own scanner, as the literal
// "val LENGTH TYPE [A.B] CELL" built from its field, so its bytes are what an
// expression's constant would hold; they are then stored in the field's own
// form where fields and constants differ:
//   "decimal", "money"                 packed decimal, from the exact digits
//   "numeric", "numericsa", "numericsts"  digits with the field's sign coding
//   "currency"                         64-bit count of ten-thousandths
//   "timestamp"                        100-ns units since 0001-01-01
//   "bfloat"                           MBF
//   "lstring"                          a length byte, then the text
//   "zstring", "note", "lvar", "longvarchar"  the text, then NUL bytes
//   "char"                             the text, then blanks
// Cells are held to stricter rules than the language's words, so that
// nothing is stored other than what was written: a number is all number and
// fits its field (the language would read "12x" as 12, keep the low bytes
// of a number too large and hold 0 for a float too close to 0), a text fits
// its field and neither begins with white space nor holds a double quote
// (the language would drop or stop at them).
// Blanks around a cell that is no text are ignored.
#ifndef QXEXP_CELL_ENCODER_H
#define QXEXP_CELL_ENCODER_H

#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/type_names.h"
#include "qxexpc.h"

// How the cells of one field are read and stored.
struct CellPlan {
  enum class Store {
    kLiteral,      // the literal's bytes, as they are
    kBlankText,    // text, blank-padded
    kZeroText,     // text, NUL-padded
    kLengthText,   // length byte, text, NUL-padded
    kPacked,       // packed decimal
    kNumericText,  // digits with a sign coding
    kCurrency,     // count of ten-thousandths
    kTimestamp,    // 100-ns units
    kBfloat,       // MBF
  };
  ExpToken field;
  Store store;
  ExpLiteralForm form;     // how the cell is written
  std::string literal;     // "val LENGTH TYPE [A.B] ", to which the cell is added
  int32_t text_room = 0;   // texts: most bytes of text
  int32_t int_bytes = 0;   // whole numbers: bytes of the value...
  bool int_signed = false; // ...and whether it is signed
  int32_t digits = 0;      // packed and numeric texts: digits; currency: 19
};

// Makes the plan for cells of `field` (a field reference token). False, with
// the reason in *why, for fields whose values no cell can give (truths, codes
// no type name gives, "ldr" numbers wider than 2 bytes, decimals beyond the
// field's digits).
bool PlanCells(const ExpToken& field, CellPlan* plan, std::string* why);

// Writes the value of `cell` into `out` (field length bytes). False with the
// reason in *error.
bool EncodeCell(const CellPlan& plan, std::string_view cell, unsigned char* out, std::string* error);

#endif
