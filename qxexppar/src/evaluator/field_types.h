// FieldType codes: how a value of each code is read and compared.
//
// The right operand's code governs a comparison: it picks the family, the
// width and signedness at which both values are read, and for some families
// which left operand codes are admitted.
#ifndef QXEXPPAR_EVALUATOR_FIELD_TYPES_H
#define QXEXPPAR_EVALUATOR_FIELD_TYPES_H

#include <array>
#include <cstdint>

enum class ExpFamily : uint8_t {
  kUnknown,         // not a code: -1
  kInteger,         // 8/16/32-bit integers
  kLogical,         // outcome of a comparison
  kBit,             // one byte under a mask
  kDateTime,        // date or time, compared by component
  kNumeric,         // float/double, packed decimal, numeric texts: as doubles
  kFloating,        // IEEE float (59) or double (62)
  kCurrency,        // 64-bit count of ten-thousandths
  kInt64,           // 64-bit integers
  kStamp,           // timestamp and seconds stamp
  kBfloat,          // MBF fields against IEEE constants
  kString,          // texts compared after trimming
  kLengthPrefixed,  // length byte, then text
  kZeroTerminated,  // NUL-terminated text
  kText,            // long texts: "=" is containment
  kPackedBytes,     // 9 bytes compared as stored
  kNotComparable,   // -3
  kRefused,         // always -1
  kVariable,        // width decided by the length: resolved first
};

struct ExpTypeCodeInfo {
  uint32_t code;
  ExpFamily family;
  uint8_t width;      // bytes read, for integers and floating values
  bool is_signed;
  const char* reads_as;  // for people
};

// Every code from 0 to kExpHighestTypeCode, unlisted ones (0 among them)
// with family kUnknown: one step from a code to its entry, as the
// comparisons ask once per operator.
inline constexpr uint32_t kExpHighestTypeCode = 122;
extern const std::array<ExpTypeCodeInfo, kExpHighestTypeCode + 1> kExpTypeCodes;

// The entry of `code`; a kUnknown entry for codes outside the table.
inline const ExpTypeCodeInfo& ExpTypeCodeOf(uint32_t code) {
  return kExpTypeCodes[code <= kExpHighestTypeCode ? code : 0];
}

// The fixed-width code a variable-width code (38, 109, 110, 111) stands for
// at `length`; any other code, or a length the code does not list, comes
// back unchanged.
uint32_t ExpResolveVariableCode(uint32_t code, int32_t length);
inline uint32_t ExpResolveTypeCode(uint32_t code, int32_t length) {
  return code == 38 || (code >= 109 && code <= 111) ? ExpResolveVariableCode(code, length) : code;
}

// Every entry in code order, for tools and tests.
const ExpTypeCodeInfo* ExpTypeCodeTable(int* count);

#endif
