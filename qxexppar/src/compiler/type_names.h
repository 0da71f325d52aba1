// The type names of the expression language, written after the offset and
// length of a field reference ("qx"/"db") and after the length of a literal
// value ("val"): one table for each form. Names compare without regard to
// case. A name that is not listed but begins with "ldr" names a type code
// directly: "ldr" followed by the number (ldr7 is code 7).
#ifndef QXEXPPAR_COMPILER_TYPE_NAMES_H
#define QXEXPPAR_COMPILER_TYPE_NAMES_H

#include <cstdint>

// Declared lengths from `min_length` to `max_length` give the type code
// `type`.
struct ExpLengthSpan {
  int32_t min_length;
  int32_t max_length;
  int32_t type;
};

// The lengths a type name allows, with the type code each gives.
struct ExpTypeLengths {
  int32_t count;  // spans used
  ExpLengthSpan spans[4];
};

// True when `length` is allowed; then `*type` is its code.
bool ExpTypeOfLength(const ExpTypeLengths& lengths, int32_t length, int32_t* type);

// Whether an attribute pair (two whole numbers joined by a point, such as
// 10.2) follows the type name of a field reference.
enum class ExpAttributePair { kNone, kAlways, kAfterDb };

struct ExpFieldTypeInfo {
  const char* name;
  ExpTypeLengths lengths;  // refused lengths give -6
  ExpAttributePair attributes;
  bool numbered;  // the "ldr" row: the code is the number after the name
  bool alias;     // another row names the same codes when a code is printed
};

// How the value of a literal is read and stored.
enum class ExpLiteralForm {
  kDigitInteger,  // a value word that must begin with a digit; integer bytes
  kText,          // a quoted text, cut or blank-padded to the length
  kBit,           // a value word; one byte, 255 for a non-zero number, else 0
  kInteger,       // a value word; the low-order bytes of the number
  kTime,          // hours:minutes:seconds; bytes 0, seconds, minutes, hours
  kDate,          // month day year as three words; bytes day, month, 16-bit year
  kLogical,       // a value word; length 1: its first character, 2: 16-bit number
  kDouble,        // a value word; an 8-byte double
  kFloat,         // a value word; a 4-byte float or an 8-byte double
  kTimestamp,     // a quoted month/day/year hour:minute:second; 8-byte seconds stamp
  kNumbered,      // the "ldr" row; a value word; 16-bit number
};

// When the declared length of a literal is checked against its lengths.
enum class ExpLengthCheck {
  kFirst,       // before anything after the type name is read
  kAfterValue,  // after the value, so that a bad value is reported first
  kNever,       // any length; the stored length is `stored_length`
};

struct ExpLiteralTypeInfo {
  const char* name;
  ExpLiteralForm form;
  ExpTypeLengths lengths;
  ExpLengthCheck check;
  int32_t refused_status;  // status for a length not allowed
  bool attribute_pair;     // an attribute pair follows the type name
  int32_t stored_length;   // for kNever: the length of the stored value
};

// The row of a type name, the "ldr" row for an unlisted name that begins
// with "ldr", or nullptr.
const ExpFieldTypeInfo* ExpFindFieldType(const char* name);
const ExpLiteralTypeInfo* ExpFindLiteralType(const char* name);

// The type code named by an "ldr" type name: true when the number after
// "ldr" (read as a whole number) is 0 to 20 and neither 12 nor 16.
bool ExpNumberedType(const char* name, int32_t* type);

// The name to print for a type code: the first field-reference name that
// gives it (aliases skipped), else the first literal name, else nullptr
// (codes that only "ldr" names give, and codes no name gives).
const char* ExpTypeName(int32_t type);

// Every row, in table order, for tools and tests.
const ExpFieldTypeInfo* ExpFieldTypeTable(int* count);
const ExpLiteralTypeInfo* ExpLiteralTypeTable(int* count);

#endif
