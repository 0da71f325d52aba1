// The text rules. Texts compare as NUL-terminated byte strings (unsigned
// bytes). A value reads as its bytes followed by zeros, so a text ends at
// its first NUL or at its length, whichever comes first, and never beyond
// its 256-byte value area; no terminator is ever written.

#include <algorithm>
#include <cstring>

#include "evaluator/compare.h"
#include "evaluator/compare_rules.h"

namespace {

struct Text {
  const unsigned char* bytes;
  size_t size;
};

// The first `room` bytes up to the first NUL among them.
Text UpToNul(const unsigned char* bytes, size_t room) {
  if (room <= 16) {  // the usual short field: no call
    size_t n = 0;
    while (n < room && bytes[n] != 0) ++n;
    return Text{bytes, n};
  }
  const void* nul = std::memchr(bytes, 0, room);
  return Text{bytes, nul != nullptr ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - bytes) : room};
}

Text AsStored(const ExpValue& v) { return UpToNul(v.value, static_cast<size_t>(ExpValueSpan(v.length))); }

// Trims the value's trailing blanks in place, within its length.
Text Trimmed(ExpValue* v) {
  TrimTrailingBlanks(v->value, ExpValueSpan(v->length));
  return AsStored(*v);
}

// The text after the length byte, as many characters as that byte says
// (fewer when a NUL or the value's end comes first).
Text AfterLengthByte(const ExpValue& v) {
  int32_t after = ExpValueSpan(v.length) - 1;
  if (after < 0) return Text{v.value + 1, 0};
  return UpToNul(v.value + 1, static_cast<size_t>(v.value[0] < after ? v.value[0] : after));
}

// Byte by byte as unsigned bytes; a text that is a prefix of the other is
// the smaller.
int Order(Text left, Text right) {
  int s = std::memcmp(left.bytes, right.bytes, std::min(left.size, right.size));
  return s != 0 ? ThreeWay(s, 0) : ThreeWay(left.size, right.size);
}

bool Contains(Text text, Text part) {
  return std::search(text.bytes, text.bytes + text.size, part.bytes, part.bytes + part.size) !=
         text.bytes + text.size || part.size == 0;
}

// "=" means that the left text contains the right one; the orderings
// compare the whole texts.
int32_t ContainsOrOrder(Text left, Text right, uint32_t op, ExpValue* result) {
  if (op == QX_KIND_NE) return kNotAdmitted;
  if (op == QX_KIND_EQ) {
    ExpSetTruth(result, Contains(left, right));
    return QX_STATUS_OK;
  }
  return StoreOrdering(op, Order(left, right), result);
}

// Texts admit the five comparisons other than "!=".
int32_t StoreTextOrdering(uint32_t op, int s, ExpValue* result) {
  if (op == QX_KIND_NE) return kNotAdmitted;
  return StoreOrdering(op, s, result);
}

}  // namespace

void TrimTrailingBlanks(unsigned char* text, int32_t length) {
  if (text == nullptr || length < 1) return;
  for (int32_t i = length - 1; i >= 0 && text[i] == ' '; --i) text[i] = 0;
}

int32_t ExpCompareStrings(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result) {
  // "!=" is refused whatever the texts: no need to look at them. A left
  // operand of no text type is refused first, as the rules below say.
  bool text_left = left->type == 7 || left->type == 8 || left->type == 39 || left->type == 47 ||
                   left->type == 15 || left->type == 16 || left->type == 23 || left->type == 24 ||
                   left->type == 25;
  if (!text_left) return QX_STATUS_NOT_COMPARABLE;
  if (op == QX_KIND_NE) return kNotAdmitted;
  switch (left->type) {
    case 7:
    case 8:
    case 39:
    case 47:
      return StoreTextOrdering(op, Order(Trimmed(left), Trimmed(right)), result);
    case 15:
      return StoreTextOrdering(op, Order(AfterLengthByte(*left), AsStored(*right)), result);
    case 16:
      return StoreTextOrdering(op, Order(AsStored(*left), Trimmed(right)), result);
    case 23:
    case 24:
    case 25:
      return ContainsOrOrder(AsStored(*left), Trimmed(right), op, result);
    default:
      return QX_STATUS_NOT_COMPARABLE;
  }
}

int32_t ExpCompareLengthPrefixed(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result) {
  Text l = left->type == 8 ? Trimmed(left) : left->type == 15 ? AfterLengthByte(*left) : AsStored(*left);
  return StoreTextOrdering(op, Order(l, AfterLengthByte(*right)), result);
}

int32_t ExpCompareZeroTerminated(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result) {
  Text l = left->type == 8 ? Trimmed(left) : AsStored(*left);
  return StoreTextOrdering(op, Order(l, AsStored(*right)), result);
}

int32_t ExpCompareTexts(ExpValue* right, ExpValue* left, uint32_t op, ExpValue* result) {
  Text l = left->type == 8 ? Trimmed(left) : AsStored(*left);
  return ContainsOrOrder(l, AsStored(*right), op, result);
}
