// Decimal field values as text: packed-decimal ("decimal", "money") and
// character-coded numeric ("numeric", "numericsa", "numericsts") field
// values become plain decimal text, which the evaluator reads as a double.
#ifndef QXEXPPAR_DECIMAL_FIELD_TEXT_H
#define QXEXPPAR_DECIMAL_FIELD_TEXT_H

#include <cstdint>

// Room a caller gives NumericFieldToText: the text and its terminator never
// take more, whatever the field length or decimals.
inline constexpr int32_t kNumericTextSize = 100;

// Room a caller gives PackedDecimalToText, likewise.
inline constexpr int32_t kPackedTextSize = 112;

// Writes the canonical decimal text of a "numeric" (type 14), "numericsa"
// (27) or "numericsts" (28) field of `length` bytes with `decimals` digits
// after the point into `text` (kNumericTextSize bytes), terminated, and
// returns its length. A value that is not a valid number, or does not fit,
// gives the empty text (length 0).
int32_t NumericFieldToText(char* text, const unsigned char* field, int32_t length,
                           int32_t decimals, int32_t type);

// Writes the decimal text of a packed-decimal field of `length` bytes with
// `decimals` digits after the point into `text` (kPackedTextSize bytes),
// terminated, and returns its length (terminator not counted). A field
// whose text would not fit gives the empty text.
int32_t PackedDecimalToText(char* text, const unsigned char* field, int32_t length,
                            int32_t decimals);

#endif
