// The forms of the expression language, one token each. The readers they
// use are in scan_readers.cpp, the type-name tables in type_names.cpp and
// the value encodings in literal_values.cpp.

#include "compiler/scanner.h"

#include <cstring>
#include <limits>

#include "compiler/kinds.h"
#include "compiler/list_fields.h"
#include "compiler/literal_values.h"
#include "compiler/scan_readers.h"
#include "compiler/type_names.h"
#include "platform/blank_padding.h"
#include "platform/text.h"

namespace {

// "db" offsets count from the start of the record data, which follows the
// 384-byte header; the evaluator maps positions from 386 up back into the
// data.
constexpr int32_t kDbOffsetShift = 386;

constexpr int32_t kFetchLength = 4;
constexpr int32_t kFetchType = 3;
constexpr int32_t kListType = 9;

// Returned by ReadOneToken for "range"/"values", whose fields the caller
// reads: not a status any caller sees.
constexpr int32_t kListKeyword = 1;

bool Is(const char* word, const char* keyword) { return QxEqualNoCase(word, keyword); }

void MarkOperator(ExpToken* token, int32_t kind) {
  token->kind = kind;
  token->type = -1;
  token->offset = -1;
  token->length = -1;
}

// "exclude" "values" | "exclude" "range": only the kind means anything.
int32_t ScanExclude(ExpScanner* scanner, ExpToken* token) {
  const char* word = ExpReadWord(scanner);
  if (word == nullptr) return QX_STATUS_END_OF_TEXT;
  if (Is(word, "values")) {
    token->kind = QX_KIND_EXCLUDE_VALUES;
  } else if (Is(word, "range")) {
    token->kind = QX_KIND_EXCLUDE_RANGE;
  } else {
    return QX_STATUS_UNKNOWN_WORD;
  }
  return 0;
}

// "getrecid" ("val" | "qx" | "db") N: the record number N itself, or the
// position of a 4-byte field that holds it ("db" is not shifted here).
int32_t ScanFetch(ExpScanner* scanner, ExpToken* token) {
  const char* form = ExpReadWord(scanner);
  int32_t number = 0;
  if (form == nullptr || !ExpReadWholeNumber(scanner, &number)) return QX_STATUS_END_OF_TEXT;
  if (Is(form, "val")) {
    token->kind = QX_KIND_FETCH_BY_NUMBER;
  } else if (Is(form, "qx") || Is(form, "db")) {
    token->kind = QX_KIND_FETCH_BY_FIELD;
  } else {
    return QX_STATUS_UNKNOWN_WORD;
  }
  token->type = kFetchType;
  token->offset = -1;
  token->length = kFetchLength;
  ExpStoreLowOrder(number, kFetchLength, token->value);
  return 0;
}

// "qx"/"db" OFFSET LENGTH TYPE, and the attribute pair some types take.
int32_t ScanField(ExpScanner* scanner, ExpToken* token, bool db) {
  int32_t offset = 0;
  int32_t length = 0;
  if (!ExpReadWholeNumber(scanner, &offset) || !ExpReadWholeNumber(scanner, &length)) {
    return QX_STATUS_END_OF_TEXT;
  }
  const char* name = ExpReadWord(scanner);
  if (name == nullptr) return QX_STATUS_END_OF_TEXT;
  const ExpFieldTypeInfo* info = ExpFindFieldType(name);
  if (info == nullptr) return QX_STATUS_UNKNOWN_WORD;
  int32_t type = 0;
  if (info->numbered) {
    if (!ExpNumberedType(name, &type)) return QX_STATUS_BAD_TYPE_NUMBER;
  } else if (!ExpTypeOfLength(info->lengths, length, &type)) {
    return QX_STATUS_BAD_LENGTH;
  }
  int32_t attr1 = 0;
  int32_t attr2 = 0;
  if (info->attributes == ExpAttributePair::kAlways || (info->attributes == ExpAttributePair::kAfterDb && db)) {
    int32_t status = ExpReadAttributePair(scanner, &attr1, &attr2);
    if (status != 0) return status;
  }
  if (db && offset >= 0) {
    // An offset this large lies beyond every record either way; it stays at
    // the largest offset rather than wrapping round to a negative one.
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    offset = offset > kMax - kDbOffsetShift ? kMax : offset + kDbOffsetShift;
  }
  token->kind = QX_KIND_FIELD;
  token->type = type;
  token->offset = offset;
  token->length = length;
  token->attr1 = attr1;
  token->attr2 = attr2;
  return 0;
}

// The quoted text, cut or blank-padded to `length` (1 to 250) bytes.
int32_t ReadTextValue(ExpScanner* scanner, int32_t length, unsigned char* value) {
  const char* text = nullptr;
  std::size_t text_length = 0;
  int32_t status = ExpReadQuotedText(scanner, &text, &text_length);
  if (status != 0) return status;
  std::memset(scanner->buffer, 0, sizeof scanner->buffer);
  std::memcpy(scanner->buffer, text, text_length);
  PadWithBlanks(scanner->buffer, length);
  std::memcpy(value, scanner->buffer, static_cast<std::size_t>(length));
  return 0;
}

int32_t ReadTimeValue(ExpScanner* scanner, unsigned char* bytes) {
  int32_t parts[3];
  for (int32_t& part : parts) {
    const char* word = ExpReadWord(scanner, ": ");
    if (word == nullptr) return QX_STATUS_BAD_VALUE;
    part = ExpWholeNumber(word);
  }
  return ExpTimeBytes(parts[0], parts[1], parts[2], bytes) ? 0 : QX_STATUS_BAD_VALUE;
}

int32_t ReadDateValue(ExpScanner* scanner, unsigned char* bytes) {
  int32_t parts[3];
  for (int32_t& part : parts) {
    const char* word = ExpReadWord(scanner);
    if (word == nullptr) return QX_STATUS_BAD_VALUE;
    part = ExpWholeNumber(word);
  }
  return ExpDateBytes(parts[0], parts[1], parts[2], bytes) ? 0 : QX_STATUS_BAD_VALUE;
}

int32_t ReadTimestampValue(ExpScanner* scanner, unsigned char* value) {
  const char* text = nullptr;
  std::size_t text_length = 0;
  int32_t status = ExpReadQuotedText(scanner, &text, &text_length);
  if (status != 0) return status;
  // Every part must be written: a missing one has no value to stand for.
  int32_t parts[6];
  uint64_t stamp = 0;
  if (ExpTimestampParts(text, parts) != 6 || !ExpSecondsStamp(parts, &stamp)) return QX_STATUS_BAD_VALUE;
  ExpStoreLowOrder(static_cast<int64_t>(stamp), 8, value);
  return 0;
}

void StoreFloating(double number, int32_t length, unsigned char* value) {
  if (length == 4) {
    auto single = static_cast<float>(number);
    std::memcpy(value, &single, sizeof single);
  } else if (length == 8) {
    std::memcpy(value, &number, sizeof number);
  }
}

// Reads the value of a literal of the given form and writes its bytes for
// the declared `length`. Forms whose length is checked after the value
// write nothing for a length they do not allow; the check refuses it next.
int32_t ReadLiteralValue(ExpScanner* scanner, ExpLiteralForm form, int32_t length, ExpToken* token) {
  unsigned char* value = token->value;
  switch (form) {
    case ExpLiteralForm::kText:
      return ReadTextValue(scanner, length, value);
    case ExpLiteralForm::kTimestamp:
      return ReadTimestampValue(scanner, value);
    case ExpLiteralForm::kTime:
    case ExpLiteralForm::kDate: {
      // The 4 value bytes; a shorter length keeps the first ones, a longer
      // one is followed by zero bytes.
      unsigned char bytes[4];
      int32_t status = form == ExpLiteralForm::kTime ? ReadTimeValue(scanner, bytes) : ReadDateValue(scanner, bytes);
      if (status != 0) return status;
      std::memcpy(value, bytes, static_cast<std::size_t>(length < 4 ? length : 4));
      return 0;
    }
    default:
      break;
  }
  const char* word = ExpReadWord(scanner);
  if (word == nullptr) return QX_STATUS_BAD_VALUE;
  switch (form) {
    case ExpLiteralForm::kDigitInteger:
      if (word[0] < '0' || word[0] > '9') return QX_STATUS_BAD_VALUE;
      ExpStoreLowOrder(ExpWholeNumber64(word), length, value);
      return 0;
    case ExpLiteralForm::kInteger:
    case ExpLiteralForm::kNumbered:
      ExpStoreLowOrder(ExpWholeNumber64(word), length, value);
      return 0;
    case ExpLiteralForm::kBit:
      value[0] = ExpWholeNumber64(word) != 0 ? 0xFF : 0;
      return 0;
    case ExpLiteralForm::kLogical:
      if (length == 1) value[0] = static_cast<unsigned char>(word[0]);
      if (length == 2) ExpStoreLowOrder(ExpWholeNumber64(word), 2, value);
      return 0;
    case ExpLiteralForm::kDouble:
      StoreFloating(ExpFloatingNumber(word), 8, value);
      return 0;
    case ExpLiteralForm::kFloat:
      StoreFloating(ExpFloatingNumber(word), length, value);
      return 0;
    default:
      return QX_STATUS_BAD_VALUE;
  }
}

// "val" LENGTH TYPE, then what the type takes: an attribute pair and the
// value.
int32_t ScanLiteral(ExpScanner* scanner, ExpToken* token) {
  int32_t length = 0;
  if (!ExpReadWholeNumber(scanner, &length)) return QX_STATUS_END_OF_TEXT;
  const char* name = ExpReadWord(scanner);
  if (name == nullptr) return QX_STATUS_END_OF_TEXT;
  const ExpLiteralTypeInfo* info = ExpFindLiteralType(name);
  if (info == nullptr) return QX_STATUS_UNKNOWN_WORD;
  int32_t numbered_type = 0;
  if (info->form == ExpLiteralForm::kNumbered && !ExpNumberedType(name, &numbered_type)) {
    return QX_STATUS_BAD_TYPE_NUMBER;
  }
  int32_t type = 0;
  bool allowed = ExpTypeOfLength(info->lengths, length, &type);
  if (info->check == ExpLengthCheck::kFirst && !allowed) return info->refused_status;
  if (info->form == ExpLiteralForm::kNumbered) type = numbered_type;
  int32_t attr1 = 0;
  int32_t attr2 = 0;
  if (info->attribute_pair) {
    int32_t status = ExpReadAttributePair(scanner, &attr1, &attr2);
    if (status != 0) return status;
  }
  int32_t status = ReadLiteralValue(scanner, info->form, length, token);
  if (status != 0) return status;
  if (info->check == ExpLengthCheck::kAfterValue && !allowed) return info->refused_status;
  token->kind = QX_KIND_LITERAL;
  token->type = type;
  token->offset = -1;
  token->length = info->check == ExpLengthCheck::kNever ? info->stored_length : length;
  token->attr1 = attr1;
  token->attr2 = attr2;
  return 0;
}

// One token, except that for "range"/"values" only the kind is set and
// kListKeyword returned.
int32_t ReadOneToken(ExpScanner* scanner, ExpToken* token) {
  std::memset(token, 0, sizeof *token);
  const char* word = ExpReadWord(scanner);
  if (word == nullptr) return QX_STATUS_END_OF_TEXT;
  if (Is(word, "getrecid")) return ScanFetch(scanner, token);
  if (Is(word, "qx") || Is(word, "db")) return ScanField(scanner, token, Is(word, "db"));
  if (Is(word, "val")) return ScanLiteral(scanner, token);
  if (Is(word, "range") || Is(word, "values")) {
    token->kind = Is(word, "range") ? QX_KIND_RANGE : QX_KIND_VALUES;
    return kListKeyword;
  }
  if (Is(word, "exclude")) return ScanExclude(scanner, token);
  const ExpKindInfo* info = ExpFindOperatorWord(word);
  if (info == nullptr) return QX_STATUS_UNKNOWN_WORD;
  MarkOperator(token, info->kind);
  return 0;
}

// "range"/"values" N, then N field references. A list keyword among the
// fields starts a nested list that the outer one cannot take as a field:
// the outer list then fails with what the nested one gives, or with -15
// when the nested one is complete. Nested lists are read in this loop, not
// by recursion, so that no text can exhaust the stack.
int32_t ScanList(ExpScanner* scanner, ExpToken* token) {
  for (bool nested = false;; nested = true) {
    const int32_t kind = token->kind;
    int32_t count = 0;
    if (!ExpReadWholeNumber(scanner, &count) || count < 1 || count > kExpMaxListFields) {
      return QX_STATUS_LIST_BAD_FIELDS;
    }
    ExpListField fields[kExpMaxListFields];
    int32_t read = 0;
    int32_t status = 0;
    for (; read < count; ++read) {
      status = ReadOneToken(scanner, token);
      if (status != 0) break;
      if (token->kind != QX_KIND_FIELD) return QX_STATUS_LIST_BAD_FIELDS;
      fields[read] = ExpListField{token->offset, token->length, token->type, token->attr1, token->attr2};
    }
    if (status == kListKeyword) continue;
    if (status != 0) return status;
    if (nested) return QX_STATUS_LIST_BAD_FIELDS;
    std::memset(token, 0, sizeof *token);
    token->kind = kind;
    token->type = kListType;
    token->offset = -1;
    token->length = ExpListTokenLength(count);
    ExpWriteListFields(token, fields, count);
    return 0;
  }
}

}  // namespace

int32_t ScanToken(ExpScanner* scanner, ExpToken* token, char* text) {
  if (scanner == nullptr || token == nullptr) return QX_STATUS_MISSING;
  if (text != nullptr) {
    scanner->text = text;
    scanner->next = text;
  }
  int32_t status = ReadOneToken(scanner, token);
  if (status == kListKeyword) status = ScanList(scanner, token);
  if (status != 0) std::memset(token, 0, sizeof *token);
  return status;
}
