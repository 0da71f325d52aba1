#include "compiler/type_names.h"

#include <limits>

#include "compiler/literal_values.h"
#include "platform/text.h"

namespace {

constexpr int32_t kAnyMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kAnyMax = std::numeric_limits<int32_t>::max();

// Text fields hold up to 255 bytes. Text literals hold up to 250: that is
// what stores keep of a value, and a longer literal would be cut there
// without notice.
constexpr int32_t kMaxTextField = 255;
constexpr int32_t kMaxLiteral = 250;

constexpr ExpTypeLengths Only(int32_t length, int32_t type) { return {1, {{length, length, type}}}; }
constexpr ExpTypeLengths Range(int32_t min, int32_t max, int32_t type) { return {1, {{min, max, type}}}; }
constexpr ExpTypeLengths Any(int32_t type) { return Range(kAnyMin, kAnyMax, type); }
constexpr ExpTypeLengths Two(int32_t l1, int32_t t1, int32_t l2, int32_t t2) {
  return {2, {{l1, l1, t1}, {l2, l2, t2}}};
}
constexpr ExpTypeLengths Four(int32_t t8, int32_t t4, int32_t t2, int32_t t1) {
  return {4, {{8, 8, t8}, {4, 4, t4}, {2, 2, t2}, {1, 1, t1}}};
}

using enum ExpAttributePair;

constexpr ExpFieldTypeInfo kFieldTypes[] = {
    {"autoinc", Two(4, 4, 2, 2), kNone, false, true},
    {"char", Range(1, kMaxTextField, 8), kAfterDb, false, false},
    {"longvarchar", Range(1, kMaxTextField, 23), kAlways, false, false},
    {"lvar", Range(1, kMaxTextField, 24), kAlways, false, false},
    {"note", Range(1, kMaxTextField, 25), kNone, false, false},
    {"lstring", Range(1, kMaxTextField, 15), kNone, false, false},
    {"zstring", Range(1, kMaxTextField, 16), kNone, false, false},
    {"bit", Only(1, 26), kAlways, false, false},
    {"int", Four(21, 4, 2, 30), kNone, false, false},
    {"timestamp", Only(8, 18), kNone, false, false},
    {"unsigned", Four(20, 3, 1, 29), kNone, false, false},
    {"logical", Two(1, 6, 2, 2), kNone, false, false},
    {"time", Only(4, 11), kNone, false, false},
    {"date", Only(4, 10), kNone, false, false},
    {"currency", Only(8, 17), kNone, false, false},
    {"decimal", Any(13), kAlways, false, false},
    {"money", Any(13), kAlways, false, false},
    {"numeric", Any(14), kAlways, false, false},
    {"numericsa", Any(27), kAlways, false, false},
    {"numericsts", Any(28), kAlways, false, false},
    {"float", Two(4, 12, 8, 12), kNone, false, false},
    {"bfloat", Two(4, 19, 8, 19), kNone, false, false},
    {"ldr", Any(0), kNone, true, false},
};

using enum ExpLiteralForm;
using enum ExpLengthCheck;

constexpr int32_t kBadLength = -6;  // QX_STATUS_BAD_LENGTH
constexpr int32_t kBadValue = -7;   // QX_STATUS_BAD_VALUE

// Time and date values are 4 bytes; a longer declared length stores zero
// bytes after them, a shorter one the first bytes only. An "ldr" value is a
// 16-bit number: a length above 2 would store bytes that hold nothing.
constexpr ExpLiteralTypeInfo kLiteralTypes[] = {
    {"autoinc", kDigitInteger, Two(4, 4, 2, 2), kAfterValue, kBadLength, false, 0},
    {"longvarchar", kText, Range(1, kMaxLiteral, 8), kFirst, kBadLength, true, 0},
    {"lvar", kText, Range(1, kMaxLiteral, 8), kFirst, kBadLength, true, 0},
    {"char", kText, Range(1, kMaxLiteral, 8), kFirst, kBadLength, false, 0},
    {"note", kText, Range(1, kMaxLiteral, 8), kFirst, kBadLength, false, 0},
    {"lstring", kText, Range(1, kMaxLiteral, 8), kFirst, kBadLength, false, 0},
    {"zstring", kText, Range(1, kMaxLiteral, 8), kFirst, kBadLength, false, 0},
    {"bit", kBit, Only(1, 26), kFirst, kBadLength, true, 0},
    {"int", kInteger, Four(21, 4, 2, 30), kAfterValue, kBadLength, false, 0},
    {"unsigned", kInteger, Four(20, 3, 1, 29), kAfterValue, kBadLength, false, 0},
    {"time", kTime, Range(1, kMaxLiteral, 11), kFirst, kBadLength, false, 0},
    {"date", kDate, Range(1, kMaxLiteral, 10), kFirst, kBadLength, false, 0},
    {"logical", kLogical, Two(1, 6, 2, 2), kAfterValue, kBadLength, false, 0},
    {"decimal", kDouble, Any(12), kNever, kBadLength, true, 8},
    {"money", kDouble, Any(12), kNever, kBadLength, true, 8},
    {"numeric", kDouble, Any(12), kNever, kBadLength, true, 8},
    {"numericsa", kDouble, Any(12), kNever, kBadLength, true, 8},
    {"numericsts", kDouble, Any(12), kNever, kBadLength, true, 8},
    {"float", kFloat, Two(4, 12, 8, 12), kAfterValue, kBadLength, false, 0},
    {"bfloat", kFloat, Two(4, 19, 8, 19), kAfterValue, kBadLength, false, 0},
    {"currency", kDouble, Only(8, 12), kAfterValue, kBadLength, false, 0},
    {"timestamp", kTimestamp, Only(8, 22), kFirst, kBadValue, false, 0},
    {"ldr", kNumbered, Range(1, 2, 0), kFirst, kBadLength, false, 0},
};

constexpr int kFieldTypeCount = static_cast<int>(sizeof kFieldTypes / sizeof kFieldTypes[0]);
constexpr int kLiteralTypeCount = static_cast<int>(sizeof kLiteralTypes / sizeof kLiteralTypes[0]);

constexpr char kNumberedPrefix[] = "ldr";
constexpr std::size_t kNumberedPrefixLength = sizeof kNumberedPrefix - 1;

bool IsNumbered(const ExpFieldTypeInfo& info) { return info.numbered; }
bool IsNumbered(const ExpLiteralTypeInfo& info) { return info.form == kNumbered; }

// Listed names are matched whole; an unlisted name that begins with "ldr"
// gives the "ldr" row.
template <typename Info, int kCount>
const Info* FindType(const Info (&table)[kCount], const char* name) {
  if (name == nullptr) return nullptr;
  const Info* numbered = nullptr;
  for (const Info& info : table) {
    if (IsNumbered(info)) {
      numbered = &info;
    } else if (QxEqualNoCase(info.name, name)) {
      return &info;
    }
  }
  return QxStartsWithNoCase(name, kNumberedPrefix, kNumberedPrefixLength) ? numbered : nullptr;
}

bool Gives(const ExpTypeLengths& lengths, int32_t type) {
  for (int32_t i = 0; i < lengths.count; ++i) {
    if (lengths.spans[i].type == type) return true;
  }
  return false;
}

}  // namespace

bool ExpTypeOfLength(const ExpTypeLengths& lengths, int32_t length, int32_t* type) {
  for (int32_t i = 0; i < lengths.count; ++i) {
    const ExpLengthSpan& span = lengths.spans[i];
    if (length >= span.min_length && length <= span.max_length) {
      *type = span.type;
      return true;
    }
  }
  return false;
}

const ExpFieldTypeInfo* ExpFindFieldType(const char* name) { return FindType(kFieldTypes, name); }

const ExpLiteralTypeInfo* ExpFindLiteralType(const char* name) { return FindType(kLiteralTypes, name); }

bool ExpNumberedType(const char* name, int32_t* type) {
  if (!QxStartsWithNoCase(name, kNumberedPrefix, kNumberedPrefixLength)) return false;
  int32_t number = ExpWholeNumber(name + kNumberedPrefixLength);
  if (number < 0 || number > 20 || number == 12 || number == 16) return false;
  *type = number;
  return true;
}

const char* ExpTypeName(int32_t type) {
  for (const ExpFieldTypeInfo& info : kFieldTypes) {
    if (!info.numbered && !info.alias && Gives(info.lengths, type)) return info.name;
  }
  for (const ExpLiteralTypeInfo& info : kLiteralTypes) {
    if (info.form != kNumbered && Gives(info.lengths, type)) return info.name;
  }
  return nullptr;
}

const ExpFieldTypeInfo* ExpFieldTypeTable(int* count) {
  if (count != nullptr) *count = kFieldTypeCount;
  return kFieldTypes;
}

const ExpLiteralTypeInfo* ExpLiteralTypeTable(int* count) {
  if (count != nullptr) *count = kLiteralTypeCount;
  return kLiteralTypes;
}
