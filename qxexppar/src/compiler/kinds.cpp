#include "compiler/kinds.h"

#include <array>

#include "platform/text.h"

namespace {

using enum ExpKindClass;

// ORDER KIND: ascending kind codes.
constexpr ExpKindInfo kKinds[] = {
    {QX_KIND_AND, kInfix, 10, "and", "and"},
    {QX_KIND_OR, kInfix, 20, "or", "or"},
    {QX_KIND_EQ, kInfix, 40, "=", "="},
    {QX_KIND_GT, kInfix, 40, ">", ">"},
    {QX_KIND_LT, kInfix, 40, "<", "<"},
    {QX_KIND_NE, kInfix, 40, "!=", "!="},
    {QX_KIND_VALUES, kList, 45, nullptr, "values"},
    {QX_KIND_RANGE, kList, 45, nullptr, "range"},
    {QX_KIND_EXCLUDE_RANGE, kNone, -1, nullptr, "exclude range"},
    {QX_KIND_EXCLUDE_VALUES, kNone, -1, nullptr, "exclude values"},
    {QX_KIND_GE, kInfix, 40, ">=", ">="},
    {QX_KIND_LE, kInfix, 40, "<=", "<="},
    {QX_KIND_PLUS, kInfix, 50, "+", "+"},
    {QX_KIND_MINUS, kInfix, 50, "-", "-"},
    {QX_KIND_NOT, kPrefix, 30, "not", "not"},
    {QX_KIND_OPEN, kParenthesis, 0, "(", "("},
    {QX_KIND_CLOSE, kParenthesis, -1, ")", ")"},
    {QX_KIND_LITERAL, kLiteral, -1, nullptr, "val"},
    {QX_KIND_FIELD, kField, -1, nullptr, "field"},
    {QX_KIND_FETCH_BY_NUMBER, kFetchByNumber, -1, nullptr, "getrecid val"},
    {QX_KIND_FETCH_BY_FIELD, kFetchByField, -1, nullptr, "getrecid field"},
};

constexpr int kKindCount = static_cast<int>(sizeof kKinds / sizeof kKinds[0]);
constexpr int32_t kHighestKind = kExpHighestKind;

constexpr bool AscendingKinds() {
  for (int i = 1; i < kKindCount; ++i) {
    if (kKinds[i - 1].kind >= kKinds[i].kind) return false;
  }
  return kKinds[kKindCount - 1].kind == kHighestKind;
}
static_assert(AscendingKinds(), "the kind table must stay in ascending kind order");

// Direct index from kind code to table entry, so the converter and the
// evaluator look a kind up in one step.
constexpr std::array<signed char, kHighestKind + 1> BuildIndex() {
  std::array<signed char, kHighestKind + 1> index{};
  for (auto& entry : index) entry = -1;
  for (int i = 0; i < kKindCount; ++i) index[kKinds[i].kind] = static_cast<signed char>(i);
  return index;
}
constexpr auto kIndex = BuildIndex();

constexpr std::array<ExpKindClass, kHighestKind + 1> BuildClasses() {
  std::array<ExpKindClass, kHighestKind + 1> classes{};
  for (auto& entry : classes) entry = kNone;
  for (int i = 0; i < kKindCount; ++i) classes[kKinds[i].kind] = kKinds[i].kind_class;
  return classes;
}

}  // namespace

extern const std::array<ExpKindClass, kExpHighestKind + 1> kExpKindClasses = BuildClasses();

const ExpKindInfo* ExpFindKind(int32_t kind) {
  if (kind < 0 || kind > kHighestKind || kIndex[kind] < 0) return nullptr;
  return &kKinds[kIndex[kind]];
}

int32_t ExpKindPriority(int32_t kind) {
  const ExpKindInfo* info = ExpFindKind(kind);
  return info != nullptr ? info->priority : -1;
}

const ExpKindInfo* ExpFindOperatorWord(const char* word) {
  if (word == nullptr) return nullptr;
  for (const ExpKindInfo& info : kKinds) {
    if (info.word != nullptr && QxEqualNoCase(info.word, word)) return &info;
  }
  return nullptr;
}

const ExpKindInfo* ExpKindTable(int* count) {
  if (count != nullptr) *count = kKindCount;
  return kKinds;
}
