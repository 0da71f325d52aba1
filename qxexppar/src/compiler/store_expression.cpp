// QXExpStoreExpression: a whole text through the scanner and the postfix
// converter into a store, with the value lists of "range" and "values".

#include "compiler/store_expression.h"

#include <cstring>

#include "compiler/kinds.h"
#include "qxdbg.h"

namespace {


// The working state of one compilation, all of it released before the
// compilation returns.
struct Compilation {
  ExpScanner scanner;
  ExpBuilder* builder;
  ExpToken* group;       // one value group: kExpMaxListFields tokens
  ExpListField* fields;  // the fields of the list being read
  int32_t count;         // and how many there are
};

// How a part of the text ended: the next token is in hand, or the text
// ended where it may.
enum class Next { kToken, kEndOfText };

// Reads the next token into `token`: 0 with kToken, 0 with kEndOfText at
// the normal end of the text, or the scanner's failure.
int32_t ReadNext(Compilation& c, ExpToken* token, Next* next) {
  int32_t status = ScanToken(&c.scanner, token, nullptr);
  *next = status == QX_STATUS_END_OF_TEXT ? Next::kEndOfText : Next::kToken;
  return status == QX_STATUS_END_OF_TEXT ? 0 : status;
}

int32_t AddGroup(ExpBuilder* builder, ExpToken* group, int32_t count, int32_t marker, uint32_t number) {
  for (int32_t i = 0; i < count; ++i) {
    group[i].offset = marker;
    group[i].group = number;
    int32_t status = QXExpAddToken(builder, &group[i]);
    if (status != 0) return status;
  }
  return 0;
}

// Adds a "range"/"values" token and takes its fields as the current list.
int32_t StartList(Compilation& c, const ExpToken* list) {
  int32_t status = QXExpAddToken(c.builder, list);
  if (status != 0) return status;
  c.count = ExpReadListFields(list, c.fields);
  return 0;
}

// A low group and a high group, marked and added.
int32_t ReadPair(Compilation& c, int32_t marker, uint32_t number) {
  for (int pass = 0; pass < 2; ++pass) {
    int32_t status = ReadValueGroup(&c.scanner, c.count, c.fields, c.group);
    if (status == 0) status = AddGroup(c.builder, c.group, c.count, marker, number);
    if (status != 0) return status;
  }
  return 0;
}

// "range" in `token`: its bounds, its "exclude values" groups and its
// "exclude range" pairs. Leaves in `token` what follows the list.
int32_t ReadRange(Compilation& c, ExpToken* token, Next* next) {
  int32_t status = StartList(c, token);
  if (status == 0) status = ReadPair(c, kExpListMarker, 0);
  if (status == 0) status = ReadNext(c, token, next);
  if (status != 0 || *next == Next::kEndOfText) return status;
  if (token->kind == QX_KIND_EXCLUDE_VALUES) {
    status = ReadValueGroups(&c.scanner, c.builder, c.group, c.fields, c.count, kExpExcludedValueMarker);
    switch (status) {
      case QX_STATUS_END_OF_TEXT:
        *next = Next::kEndOfText;
        return 0;
      case QX_STATUS_LIST_BAD_VALUE:
        return status;
      case QX_STATUS_LIST_EXCLUDE_RANGE:
        token->kind = QX_KIND_EXCLUDE_RANGE;
        break;
      case QX_STATUS_LIST_TOO_FEW:
        *token = c.group[0];
        break;
      default:
        // Only a failed addition is left (no memory): its own status says
        // more than "exclude out of place" would.
        return status;
    }
  }
  for (uint32_t pair = 1; token->kind == QX_KIND_EXCLUDE_RANGE; ++pair) {
    status = ReadPair(c, kExpExcludedRangeMarker, pair);
    if (status == 0) status = ReadNext(c, token, next);
    if (status != 0 || *next == Next::kEndOfText) return status;
  }
  return 0;
}

// "values" in `token` and its groups. Leaves in `token` the operator that
// ended the list.
int32_t ReadValues(Compilation& c, ExpToken* token, Next* next) {
  int32_t status = StartList(c, token);
  if (status != 0) return status;
  status = ReadValueGroups(&c.scanner, c.builder, c.group, c.fields, c.count, kExpListMarker);
  switch (status) {
    case QX_STATUS_END_OF_TEXT:
      *next = Next::kEndOfText;
      return 0;
    case QX_STATUS_LIST_EXCLUDE_RANGE:
    case QX_STATUS_LIST_BAD_VALUE:
      return QX_STATUS_LIST_BAD_VALUE;
    case QX_STATUS_LIST_TOO_FEW:
      *token = c.group[0];
      return 0;
    default:
      return status;
  }
}

// Reads the whole text into the builder: 0 when it ended normally.
int32_t ReadText(Compilation& c, char* text) {
  ExpToken token;
  int32_t status = ScanToken(&c.scanner, &token, text);
  if (status != 0) return status;
  Next next = Next::kToken;
  for (;;) {
    if (token.kind == QX_KIND_RANGE) {
      status = ReadRange(c, &token, &next);
    } else if (token.kind == QX_KIND_VALUES) {
      status = ReadValues(c, &token, &next);
    }
    if (status != 0 || next == Next::kEndOfText) return status;
    if (token.kind == QX_KIND_EXCLUDE_RANGE || token.kind == QX_KIND_EXCLUDE_VALUES) {
      return QX_STATUS_MISPLACED_EXCLUDE;
    }
    status = QXExpAddToken(c.builder, &token);
    if (status == 0) status = ReadNext(c, &token, &next);
    if (status != 0 || next == Next::kEndOfText) return status;
  }
}

void Release(char* copy, ExpToken* group, ExpListField* fields) {
  qxdbgFree(copy);
  qxdbgFree(group);
  qxdbgFree(fields);
}

}  // namespace

int32_t ReadValueGroup(ExpScanner* scanner, int32_t count, ExpListField* fields, ExpToken* group) {
  if (scanner == nullptr || fields == nullptr || group == nullptr || count < 1 || count > kExpMaxListFields) {
    return QX_STATUS_MISSING;
  }
  for (int32_t i = 0; i < count; ++i) {
    ExpToken* token = &group[i];
    int32_t status = ScanToken(scanner, token, nullptr);
    if (fields[i].length == 0) fields[i].length = token->length;
    if (i == 0) {
      ExpKindClass kind_class = ExpKindClassOf(token->kind);
      if (kind_class == ExpKindClass::kInfix || kind_class == ExpKindClass::kPrefix ||
          kind_class == ExpKindClass::kParenthesis) {
        return QX_STATUS_LIST_TOO_FEW;
      }
      if (token->kind == QX_KIND_EXCLUDE_RANGE) return QX_STATUS_LIST_EXCLUDE_RANGE;
      if (status == QX_STATUS_END_OF_TEXT) return status;
    }
    if (status != 0 || token->kind != QX_KIND_LITERAL || token->length != fields[i].length ||
        token->type != fields[i].type) {
      if (i != 0) group[0] = *token;
      return QX_STATUS_LIST_BAD_VALUE;
    }
  }
  return 0;
}

int32_t ReadValueGroups(ExpScanner* scanner, ExpBuilder* builder, ExpToken* group, ExpListField* fields,
                        int32_t count, int32_t marker) {
  int32_t status = ReadValueGroup(scanner, count, fields, group);
  if (status == QX_STATUS_LIST_EXCLUDE_RANGE) return QX_STATUS_LIST_BAD_VALUE;
  uint32_t number = 0;
  while (status == 0) {
    status = AddGroup(builder, group, count, marker, ++number);
    if (status != 0) return status;
    status = ReadValueGroup(scanner, count, fields, group);
  }
  return number == 0 ? QX_STATUS_LIST_BAD_VALUE : status;
}

int32_t ExpCompileText(void* store, const ExpStoreFns* fns, const char* text, int32_t length,
                       ExpCompileStop* stop) {
  if (stop != nullptr) *stop = ExpCompileStop{0, 0};
  if (store == nullptr || fns == nullptr || text == nullptr || length < 0) return QX_STATUS_MISSING;
  const std::size_t size = static_cast<std::size_t>(length) + 1;
  auto* copy = static_cast<char*>(qxdbgMalloc(size));
  auto* group = static_cast<ExpToken*>(qxdbgMalloc(kExpMaxListFields * sizeof(ExpToken)));
  auto* fields = static_cast<ExpListField*>(qxdbgMalloc(kExpMaxListFields * sizeof(ExpListField)));
  if (copy == nullptr || group == nullptr || fields == nullptr) {
    Release(copy, group, fields);
    return QX_STATUS_NO_MEMORY;
  }
  std::memset(copy, 0, size);
  std::size_t end = 0;
  for (; end < size - 1 && text[end] != '\0'; ++end) copy[end] = text[end];

  // A builder that could not be made fails the first addition with -2.
  Compilation c{ExpScanner{}, QXExpStartExpression(store, fns), group, fields, 0};
  int32_t status = ReadText(c, copy);
  if (status == 0) {
    status = QXExpFinishExpression(c.builder, 0);
    c.scanner.word_offset = static_cast<int32_t>(end);
    c.scanner.word_length = 0;
  } else if (c.builder != nullptr) {
    QXExpFinishExpression(c.builder, 1);
  }
  if (stop != nullptr) *stop = ExpCompileStop{c.scanner.word_offset, c.scanner.word_length};
  Release(copy, group, fields);
  return status;
}

extern "C" int32_t QXExpStoreExpression(void* store, const ExpStoreFns* fns, const char* text, int32_t length,
                                        int32_t /*reserved*/) noexcept {
  return ExpCompileText(store, fns, text, length, nullptr);
}
