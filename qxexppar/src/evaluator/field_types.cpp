#include "evaluator/field_types.h"

#include <array>

namespace {

using enum ExpFamily;

// ORDER CODE: ascending codes.
constexpr ExpTypeCodeInfo kTypes[] = {
    {1, kInteger, 2, false, "16-bit unsigned integer"},
    {2, kInteger, 2, true, "16-bit signed integer"},
    {3, kInteger, 4, false, "32-bit unsigned integer"},
    {4, kInteger, 4, true, "32-bit signed integer"},
    {5, kInteger, 1, false, "8-bit unsigned integer"},
    {6, kInteger, 1, true, "8-bit signed integer"},
    {7, kString, 0, false, "text"},
    {8, kString, 0, false, "text, trailing blanks trimmed"},
    {9, kLogical, 4, false, "truth"},
    {10, kDateTime, 4, false, "date: day, month, 16-bit year"},
    {11, kDateTime, 4, false, "time: hundredths, seconds, minutes, hours"},
    {12, kNumeric, 0, false, "IEEE float (4 bytes) or double (8 bytes)"},
    {13, kNumeric, 0, false, "packed decimal"},
    {14, kNumeric, 0, false, "numeric text, sign in the last digit"},
    {15, kLengthPrefixed, 0, false, "length byte, then text"},
    {16, kZeroTerminated, 0, false, "NUL-terminated text"},
    {17, kCurrency, 8, true, "64-bit count of ten-thousandths"},
    {18, kStamp, 8, false, "timestamp: 100-ns units since 0001-01-01"},
    {19, kBfloat, 0, false, "MBF field (IEEE constant)"},
    {20, kInt64, 8, false, "64-bit unsigned integer"},
    {21, kInt64, 8, true, "64-bit signed integer"},
    {22, kStamp, 8, false, "seconds since 0001-01-01"},
    {23, kText, 0, false, "text (long variable)"},
    {24, kText, 0, false, "text (variable)"},
    {25, kText, 0, false, "text (note)"},
    {26, kBit, 1, false, "bit under a mask"},
    {27, kNumeric, 0, false, "numeric text, sign coded in the digits"},
    {28, kNumeric, 0, false, "numeric text, trailing sign"},
    {29, kInteger, 1, false, "8-bit unsigned integer"},
    {30, kInteger, 1, true, "8-bit signed integer"},
    {34, kNotComparable, 0, false, "not comparable"},
    {35, kNotComparable, 0, false, "not comparable"},
    {36, kNotComparable, 0, false, "not comparable"},
    {37, kInt64, 8, true, "64-bit signed integer"},
    {38, kVariable, 0, true, "integer of 2 or 4 bytes"},
    {39, kString, 0, false, "text"},
    {45, kRefused, 0, false, "text, not comparable"},
    {47, kString, 0, false, "text"},
    {48, kInteger, 1, true, "8-bit signed integer"},
    {50, kInteger, 1, false, "8-bit unsigned integer"},
    {52, kInteger, 2, true, "16-bit signed integer"},
    {55, kPackedBytes, 9, false, "9 bytes as stored"},
    {56, kInteger, 4, true, "32-bit signed integer"},
    {58, kInteger, 4, false, "32-bit unsigned integer"},
    {59, kFloating, 4, false, "IEEE float"},
    {60, kInt64, 8, true, "64-bit signed integer"},
    {61, kInt64, 8, true, "64-bit signed integer"},
    {62, kFloating, 8, false, "IEEE double"},
    {63, kPackedBytes, 9, false, "9 bytes as stored"},
    {106, kRefused, 0, false, "packed bytes, not comparable"},
    {108, kRefused, 0, false, "packed bytes, not comparable"},
    {109, kVariable, 0, false, "IEEE float or double"},
    {110, kVariable, 0, true, "32-bit or 64-bit integer"},
    {111, kVariable, 0, false, "32-bit or 64-bit integer"},
    {122, kInteger, 4, true, "32-bit signed integer"},
};

constexpr int kTypeCount = static_cast<int>(sizeof kTypes / sizeof kTypes[0]);
constexpr uint32_t kHighestCode = 122;

constexpr bool AscendingCodes() {
  for (int i = 1; i < kTypeCount; ++i) {
    if (kTypes[i - 1].code >= kTypes[i].code) return false;
  }
  return kTypes[kTypeCount - 1].code == kHighestCode;
}
static_assert(AscendingCodes(), "the type table must stay in ascending code order");

static_assert(kHighestCode == kExpHighestTypeCode);

constexpr std::array<ExpTypeCodeInfo, kHighestCode + 1> BuildDense() {
  std::array<ExpTypeCodeInfo, kHighestCode + 1> dense{};
  for (uint32_t code = 0; code <= kHighestCode; ++code) dense[code] = {code, kUnknown, 0, false, "unknown"};
  for (int i = 0; i < kTypeCount; ++i) dense[kTypes[i].code] = kTypes[i];
  return dense;
}

// Variable-width codes: the code they stand for at 2, 4 and 8 bytes (0: none).
struct Resolution {
  uint32_t code, at2, at4, at8;
};
constexpr Resolution kResolutions[] = {
    {38, 52, 56, 0},
    {109, 0, 59, 62},
    {110, 0, 122, 60},
    {111, 0, 58, 61},
};

}  // namespace

extern const std::array<ExpTypeCodeInfo, kExpHighestTypeCode + 1> kExpTypeCodes = BuildDense();

uint32_t ExpResolveVariableCode(uint32_t code, int32_t length) {
  for (const Resolution& r : kResolutions) {
    if (r.code != code) continue;
    uint32_t resolved = length == 2 ? r.at2 : length == 4 ? r.at4 : length == 8 ? r.at8 : 0;
    return resolved != 0 ? resolved : code;
  }
  return code;
}

const ExpTypeCodeInfo* ExpTypeCodeTable(int* count) {
  if (count != nullptr) *count = kTypeCount;
  return kTypes;
}
