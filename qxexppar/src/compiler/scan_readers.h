// The readers of the scanner: each takes the next piece of the scanned text
// and moves the scan past it, recording it as the word read last.
#ifndef QXEXPPAR_COMPILER_SCAN_READERS_H
#define QXEXPPAR_COMPILER_SCAN_READERS_H

#include <cstddef>
#include <cstdint>

#include "compiler/scanner.h"

// Skips the separators, then returns the word up to the next separator
// (terminated in place), or nullptr when the text has run out. `separators`
// is " " for words (tabs and line ends belong to words), ": " for the parts
// of a time, "." for the first number of an attribute pair.
char* ExpReadWord(ExpScanner* scanner, const char* separators = " ");

// A word read as a whole number (ExpWholeNumber): false when there is no
// word.
bool ExpReadWholeNumber(ExpScanner* scanner, int32_t* number);

// Two whole numbers joined by a point, such as 10.2: the text up to the
// next "." and the word after it. 0, or -16 when either part is missing.
int32_t ExpReadAttributePair(ExpScanner* scanner, int32_t* attr1, int32_t* attr2);

// A quoted text, read from just after the word before it: white space and
// any run of double quotes are skipped, and the text runs up to the next
// double quote (which is consumed) or to the end of the text. 0 with the
// text in `*value` (terminated, in place); -7 when nothing but white space
// is left, or when the text has kExpScanBufferSize bytes or more.
int32_t ExpReadQuotedText(ExpScanner* scanner, const char** value, std::size_t* length);

#endif
