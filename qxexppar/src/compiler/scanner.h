// The expression text scanner: reads an expression text one token at a
// time.
//
// The language is a sequence of blank-separated words; keywords and type
// names match without regard to case. Operators and parentheses are words
// of their own ("and" "or" "not" "=" "!=" ">" "<" ">=" "<=" "+" "-" "("
// ")"). Operands carry their storage description:
//   qx OFFSET LENGTH TYPE [A1.A2]   a field of the record header
//   db OFFSET LENGTH TYPE [A1.A2]   a field of the record data (offset + 386)
//   val LENGTH TYPE [A1.A2] VALUE   a literal value
//   getrecid val N | getrecid qx N | getrecid db N
//   range N FIELD... | values N FIELD...   (their values follow as literals)
//   exclude range | exclude values
// The type names and the attribute pairs they take are in type_names.h.
#ifndef QXEXPPAR_COMPILER_SCANNER_H
#define QXEXPPAR_COMPILER_SCANNER_H

#include <cstddef>
#include <cstdint>

#include "qxexpc.h"

// Text values are assembled in a working buffer of this size: a quoted text
// must be shorter.
inline constexpr std::size_t kExpScanBufferSize = 1024;

// The state of one scan, owned by the caller: no scan shares anything with
// another, whatever thread runs it. The scanned text is consumed: the
// separator after each word read is overwritten with a NUL, so a scan runs
// over a private, writable copy of the caller's text.
struct ExpScanner {
  char* text = nullptr;  // start of the text being scanned
  char* next = nullptr;  // first byte not yet read; nullptr before a scan
  // The word read last (for a word missing, the place where the text ran
  // out): its offset from `text` and its length. Tells a caller where
  // reading stopped.
  int32_t word_offset = 0;
  int32_t word_length = 0;
  char buffer[kExpScanBufferSize] = {};  // working buffer for text values
};

// Reads the next token of the scan into `token`, which is cleared first.
// A non-null `text` (terminated, writable) starts a new scan of it; null
// continues the scan after the last word read.
// Returns 0 when a token was read, otherwise (the token's contents are then
// not meaningful and are left cleared; the scan stays where reading
// stopped):
//   -5  a word that is no keyword or operator; a word after "exclude" or
//       "getrecid" that is not one of theirs; an unknown type name
//   -6  a declared length the type does not allow (text literals: 1 to 250)
//   -7  a literal's value missing, malformed or out of range (a quoted text
//       of kExpScanBufferSize bytes or more, a timestamp text with fewer
//       than six numbers or a date/time out of range, a "timestamp" literal
//       whose length is not 8)
//   -9  an "ldr" type number outside 0 to 20, or 12 or 16
//   -15 "range"/"values": the count missing or outside 1 to 5, or one of
//       the tokens that follow is not a field reference
//   -16 no word where one is required; at the first word of a token, the
//       normal end of the text
//   -2  a missing scanner or token
int32_t ScanToken(ExpScanner* scanner, ExpToken* token, char* text);

#endif
